#pragma once
// The workspace on a Linux desktop. Every program is started with
// posix_spawn from an argument vector, in a session of its own, and reaped in
// the background so it leaves no zombie; no shell ever sees the path.
//   - a regular executable file: started directly, the path as argv[0];
//   - a ".desktop" file: "gio launch <path>", which honours the entry's Exec
//     line, field codes and quoting as the desktop does;
//   - anything else (documents, folders, bundles): "xdg-open <path>".
#include "Workspace.h"

#include <string>
#include <vector>

class LinuxWorkspace : public Workspace {
public:
    int32_t openPath(const std::string& path) override;

    // The argument vector openPath starts for a path (argv[0] is looked up on
    // PATH when it holds no slash). Empty when the path does not exist.
    static std::vector<std::string> commandFor(const std::string& path);
};
