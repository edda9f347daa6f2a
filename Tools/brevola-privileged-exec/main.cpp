// brevola-privileged-exec FOLDER TOOL [ARGUMENT...]
//
// Started by pkexec once the user has authorised it. Enters FOLDER, writes the
// ready marker to standard output, then executes TOOL (an absolute path) in
// place with the arguments, so the tool keeps this process id and standard
// output. Anything that would stop the tool from starting is checked before
// the marker, so the launcher reports it as a failed launch; should exec fail
// all the same, its errno goes back on the pipe that is standard input.
#include "PkexecAuthorization.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum Exit { kUsage = 1, kNoFolder = 2, kNoTool = 3, kExecFailed = 127 };

bool writeAll(int fd, const void* bytes, size_t length)
{
    const char* data = static_cast<const char*>(bytes);
    while (length > 0) {
        const ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// The launcher's exec report pipe, moved off standard input to a descriptor
// that closes on exec; the tool reads nothing from us. -1 when standard input
// is not a write-only descriptor, as when the helper is run by hand.
int takeExecReport()
{
    const int flags = fcntl(STDIN_FILENO, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) != O_WRONLY) return -1;
    const int report = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        close(null);
    }
    return report;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: brevola-privileged-exec FOLDER TOOL [ARGUMENT...]\n");
        return kUsage;
    }
    const char* folder = argv[1];
    const char* tool = argv[2];
    const int execReport = takeExecReport();
    if (chdir(folder) != 0) {
        std::fprintf(stderr, "brevola-privileged-exec: cannot enter %s: %s\n", folder, std::strerror(errno));
        return kNoFolder;
    }
    // A relative tool would be looked up in a folder the caller chose.
    struct stat st;
    if (tool[0] != '/' || stat(tool, &st) != 0 || !S_ISREG(st.st_mode) || access(tool, X_OK) != 0) {
        std::fprintf(stderr, "brevola-privileged-exec: %s is not an executable file given by an absolute path\n", tool);
        return kNoTool;
    }
    if (!writeAll(STDOUT_FILENO, PkexecAuthorization::kReadyMarker, sizeof(PkexecAuthorization::kReadyMarker) - 1))
        return kUsage;
    execv(tool, argv + 2);
    const int error = errno;
    std::fprintf(stderr, "brevola-privileged-exec: cannot execute %s: %s\n", tool, std::strerror(error));
    if (execReport >= 0) writeAll(execReport, &error, sizeof error);
    return kExecFailed;
}
