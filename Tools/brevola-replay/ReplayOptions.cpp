#include "ReplayOptions.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace {

// Comma-separated numbers, exactly `count` of them.
bool parseNumbers(std::string_view text, size_t count, std::vector<double>& out)
{
    out.clear();
    while (true) {
        const size_t comma = text.find(',');
        const std::string field(text.substr(0, comma));
        char* end = nullptr;
        errno = 0;
        const double v = std::strtod(field.c_str(), &end);
        if (field.empty() || *end != '\0' || errno != 0 || !(v == v)) return false;
        out.push_back(v);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return out.size() == count;
}

bool parseDisplays(std::string_view text, std::vector<Rect>& out)
{
    out.clear();
    std::vector<double> n;
    while (true) {
        const size_t semicolon = text.find(';');
        if (!parseNumbers(text.substr(0, semicolon), 4, n) || n[2] <= 0 || n[3] <= 0) return false;
        out.emplace_back(n[0], n[1], n[2], n[3]);
        if (semicolon == std::string_view::npos) break;
        text.remove_prefix(semicolon + 1);
    }
    return !out.empty();
}

} // namespace

const char* ReplayOptions::usage()
{
    return "usage: brevola-replay [--displays X,Y,W,H;...] [--defaults FILE] [--shortcuts FILE] [--cursor X,Y] [--show-pressure] [FILE]";
}

bool ReplayOptions::parse(int argc, const char* const* argv, ReplayOptions& options, std::string& error)
{
    bool haveInput = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--show-pressure") {
            options.showPressure = true;
        } else if (arg == "--displays") {
            const char* v = value("--displays");
            if (!v) return false;
            if (!parseDisplays(v, options.displays)) {
                error = std::string("--displays: expected X,Y,W,H;... with positive sizes, got \"") + v + "\"";
                return false;
            }
        } else if (arg == "--defaults") {
            const char* v = value("--defaults");
            if (!v) return false;
            options.defaultsFile = v;
        } else if (arg == "--shortcuts") {
            const char* v = value("--shortcuts");
            if (!v) return false;
            options.shortcutsFile = v;
        } else if (arg == "--cursor") {
            const char* v = value("--cursor");
            if (!v) return false;
            std::vector<double> n;
            if (!parseNumbers(v, 2, n)) {
                error = std::string("--cursor: expected X,Y, got \"") + v + "\"";
                return false;
            }
            options.cursor = {n[0], n[1]};
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + std::string(arg);
            return false;
        } else if (haveInput) {
            error = "more than one input file";
            return false;
        } else {
            options.input = std::string(arg);
            haveInput = true;
        }
    }
    return true;
}
