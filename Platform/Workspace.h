#pragma once
// Starting programs and opening files the way the desktop does, never through
// a shell.
#include <cstdint>
#include <string>

class Workspace {
public:
    virtual ~Workspace() = default;

    // Opens a path without waiting for it: an executable file is started
    // directly, a desktop entry is launched as one, anything else goes to the
    // desktop's default handler. Returns 0 once the program is started, else
    // an errno value (for instance ENOENT when the path or the launcher is missing).
    virtual int32_t openPath(const std::string& path) = 0;
};
