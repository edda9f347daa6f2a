#include "PkexecAuthorization.h"

#include "SpawnAttributes.h"
#include "SystemLog.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr size_t kMarkerLength = sizeof(PkexecAuthorization::kReadyMarker) - 1;

// Reads the marker and not one byte more: what follows is the tool's output.
bool readMarker(int fd)
{
    char buffer[kMarkerLength];
    size_t got = 0;
    while (got < kMarkerLength) {
        const ssize_t n = read(fd, buffer + got, kMarkerLength - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return std::memcmp(buffer, PkexecAuthorization::kReadyMarker, kMarkerLength) == 0;
}

// The helper's report on its exec: 0 when the pipe closed empty, as it does
// when the tool has replaced the helper; otherwise the errno that exec gave.
int readExecError(int fd)
{
    int error = 0;
    size_t got = 0;
    while (got < sizeof error) {
        const ssize_t n = read(fd, reinterpret_cast<char*>(&error) + got, sizeof error - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return got == 0 ? 0 : EPROTO;
        got += static_cast<size_t>(n);
    }
    return error != 0 ? error : EPROTO;
}

// The status of a child that ended before authorising: never 0.
int32_t failureStatus(pid_t pid)
{
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return -errno;
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -EPROTO; // ended with 0, or wrote something else, without starting the tool
}

} // namespace

std::string PkexecAuthorization::defaultHelperPath()
{
    return (QCoreApplication::applicationDirPath() + QStringLiteral("/brevola-privileged-exec")).toStdString();
}

PkexecAuthorization::PkexecAuthorization(std::string pkexecPath, std::string helperPath)
    : pkexecPath_(std::move(pkexecPath)), helperPath_(std::move(helperPath))
{
}

PrivilegedExecution PkexecAuthorization::executeWithPrivileges(const std::string& tool,
                                                               const std::vector<std::string>& arguments,
                                                               const std::string& currentDirectory)
{
    static const char* const method = "-[PkexecAuthorization executeWithPrivileges]";
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {-errno, 0, -1};
    // pkexec passes on only the standard descriptors, so the helper reports a
    // failed exec on a pipe that stands in for its standard input.
    int execFds[2];
    if (pipe2(execFds, O_CLOEXEC) != 0) {
        const int error = errno;
        close(fds[0]);
        close(fds[1]);
        return {-error, 0, -1};
    }

    // pkexec starts its program in root's home folder, so the folder travels
    // as the helper's first argument.
    std::vector<std::string> words{pkexecPath_, helperPath_, currentDirectory, tool};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, execFds[1], STDIN_FILENO);
    // Not our blocked stop signals: the tool must not outlive a stopped driver.
    const SpawnAttributes attributes;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, pkexecPath_.c_str(), &actions, attributes.get(), argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    close(execFds[1]);
    if (spawned != 0) {
        close(fds[0]);
        close(execFds[0]);
        BTLogWarn(method, "cannot start %s: %s", pkexecPath_.c_str(), std::strerror(spawned));
        return {-spawned, 0, -1};
    }

    const bool authorised = readMarker(fds[0]);
    const int execError = authorised ? readExecError(execFds[0]) : 0;
    close(execFds[0]);
    if (authorised && execError == 0) return {0, pid, fds[0]};
    close(fds[0]);
    const int32_t status = failureStatus(pid);
    if (execError != 0) {
        BTLogWarn(method, "cannot execute %s: %s", tool.c_str(), std::strerror(execError));
        return {-execError, 0, -1};
    }
    if (status == -EPROTO) BTLogWarn(method, "%s ended without starting %s", pkexecPath_.c_str(), tool.c_str());
    return {status, 0, -1};
}
