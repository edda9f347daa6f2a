#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

struct ToolRun {
    int status;
    std::string out;
};

// Runs the tool on `input` (given as a file) with `arguments`; stderr is folded into the output.
ToolRun runTool(const std::string& input, const std::string& arguments)
{
    char path[] = "/tmp/brevola-json-test-XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    close(fd);
    std::ofstream(path, std::ios::binary) << input;
    const std::string command = std::string(BREVOLA_JSON_TOOL) + " " + arguments + " " + path + " 2>&1";
    ToolRun run{-1, {}};
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::remove(path);
    return run;
}

TEST(BrevolaJsonTool, PrintsTheValueOrTheError)
{
    const struct {
        std::string input, arguments;
        int status;
        std::string out;
    } cases[] = {
        {"{ \"b\" : [1, true, null] }", "", 0, "{\"b\":[1,true,null]}\n"},
        {"[]", "--serialize-options 1", 0, "[\n  \n]\n"},
        {"/* c */ [\"/\"]", "--parse-options 1 --serialize-options 16 --mutable", 0, "[\"\\/\"]\n"},
        {"[1,\n]", "", 1, "error: Unexpected ']'. (index 4, line 2)\n"},
        {"[]", "--parse-options 16", 1, "error: Invalid parse options.\n"},
    };
    for (const auto& c : cases) {
        const ToolRun run = runTool(c.input, c.arguments);
        EXPECT_EQ(run.status, c.status) << c.input;
        EXPECT_EQ(run.out, c.out) << c.input;
    }
}

} // namespace
