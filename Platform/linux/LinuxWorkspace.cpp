#include "LinuxWorkspace.h"

#include "SpawnAttributes.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

std::vector<std::string> LinuxWorkspace::commandFor(const std::string& path)
{
    std::error_code error;
    if (path.empty() || !fs::exists(path, error)) return {};
    // Absolute, so that no path can be read as an option by the launchers.
    const std::string absolute = fs::absolute(path, error).lexically_normal().string();
    if (error) return {};

    const bool regular = fs::is_regular_file(absolute, error);
    if (regular && fs::path(absolute).extension() == ".desktop") return {"gio", "launch", absolute};
    if (regular && access(absolute.c_str(), X_OK) == 0) return {absolute};
    return {"xdg-open", absolute};
}

int32_t LinuxWorkspace::openPath(const std::string& path)
{
    const std::vector<std::string> command = commandFor(path);
    if (command.empty()) return ENOENT;

    std::vector<char*> argv;
    for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The program gets no input from us and none of our descriptors (the
    // tablet's device nodes among them).
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    // A session of its own: our terminal's signals and our exit leave it running.
    const SpawnAttributes attributes(POSIX_SPAWN_SETSID);

    pid_t pid = 0;
    const bool searchPath = command.front().find('/') == std::string::npos;
    const int result = searchPath ? posix_spawnp(&pid, argv[0], &actions, attributes.get(), argv.data(), environ)
                                  : posix_spawn(&pid, argv[0], &actions, attributes.get(), argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) return result;

    // Detached: nobody waits for the program, but its exit status is collected.
    std::thread([pid] {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}
