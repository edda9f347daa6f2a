#pragma once
// The replay tool's command line.
#include "Geometry.h"

#include <optional>
#include <string>
#include <vector>

struct ReplayOptions {
    std::vector<Rect> displays{Rect(0, 0, 1920, 1080)}; // display space, main display first
    std::optional<std::string> defaultsFile;
    // A shortcut document stored under the shortcut key before the driver loads.
    std::optional<std::string> shortcutsFile;
    Point cursor;
    bool showPressure = false;
    std::string input = "-"; // "-": standard input
    bool help = false;

    static const char* usage();
    // Fills the options from argv[1..]; false with a message on a bad command line.
    static bool parse(int argc, const char* const* argv, ReplayOptions& options, std::string& error);
};
