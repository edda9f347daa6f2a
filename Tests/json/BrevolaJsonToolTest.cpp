#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// The tool on a file with arguments: the value or the error, and the exit status.
TEST(BrevolaJsonTool, PrintsTheValueOrTheError)
{
    const std::tuple<std::string, std::string, int, std::string> cases[] = {
        {"{ \"b\" : [1, true, null] }", "", 0, "{\"b\":[1,true,null]}\n"},
        {"/* c */ [\"/\"]", "--parse-options 1 --serialize-options 17 --mutable", 0, "[\n  \"\\/\"\n]\n"},
        {"[1,\n]", "", 1, "error: Unexpected ']'. (index 4, line 2)\n"},
        {"[]", "--parse-options 16", 1, "error: Invalid parse options.\n"},
    };
    TempDir dir;
    for (const auto& [input, arguments, status, output] : cases) {
        std::ofstream(dir.file("in.json"), std::ios::binary) << input;
        const std::string command = std::string(BREVOLA_JSON_TOOL) + " " + arguments + " " + dir.file("in.json") + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out(4096, '\0');
        out.resize(fread(out.data(), 1, out.size(), pipe));
        const int exit = pclose(pipe);
        EXPECT_EQ(WIFEXITED(exit) ? WEXITSTATUS(exit) : -1, status) << input;
        EXPECT_EQ(out, output) << input;
    }
}

} // namespace
