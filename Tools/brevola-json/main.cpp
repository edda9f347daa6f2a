// brevola-json [--parse-options N] [--serialize-options N] [--mutable] [FILE]
//
// Parses FILE (standard input when absent or "-") with the codec and prints
// the value serialized with the given options, then a newline. On failure
// prints "error: <description> (index <i>, line <l>)" to standard error and
// exits 1. It is how a shortcut document is checked by hand.
#include "JSON.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

namespace {

int usage()
{
    std::cerr << "usage: brevola-json [--parse-options N] [--serialize-options N] [--mutable] [FILE]\n";
    return 2;
}

std::optional<unsigned long> number(const char* text)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-') return std::nullopt;
    return value;
}

std::optional<std::string> readAll(const std::string& path)
{
    if (path.empty() || path == "-") {
        return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int report(const JSONError& error)
{
    std::cerr << "error: " << error.localizedDescription;
    const auto index = error.valueForKey(JSONAtIndexKey);
    const auto line = error.valueForKey(JSONLineNumberKey);
    if (index && line) std::cerr << " (index " << *index << ", line " << *line << ")";
    std::cerr << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    unsigned long parseOptions = 0, serializeOptions = 0;
    bool mutableContainers = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--parse-options" || arg == "--serialize-options") && i + 1 < argc) {
            const auto value = number(argv[++i]);
            if (!value) return usage();
            (arg == "--parse-options" ? parseOptions : serializeOptions) = *value;
        } else if (arg == "--mutable") {
            mutableContainers = true;
        } else if (arg == "-h" || arg == "--help") {
            usage();
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage();
        } else if (path.empty()) {
            path = arg;
        } else {
            return usage();
        }
    }

    const auto input = readAll(path);
    if (!input) {
        std::cerr << "error: cannot read " << path << "\n";
        return 1;
    }
    try {
        JSONError error;
        const auto value = mutableContainers ? mutableObjectFromJSONDataWithParseOptions(*input, parseOptions, &error)
                                             : objectFromJSONDataWithParseOptions(*input, parseOptions, &error);
        if (!value) return report(error);
        const auto text = value->isArray() ? JSONDataWithOptions(*value->array(), serializeOptions, &error)
                                           : JSONDataWithOptions(*value->dictionary(), serializeOptions, &error);
        if (!text) return report(error);
        std::cout << *text << "\n";
        return std::cout.flush() ? 0 : 1;
    } catch (const std::exception& e) {
        // Refused options, such as parse options of 16 or more.
        std::cerr << "error: " << e.what() << "\n";
        return 1;
    }
}
