// brevola-privileged-exec FOLDER TOOL [ARGUMENT...]
//
// Started by pkexec once the user has authorised it. Enters FOLDER, writes the
// ready marker to standard output, then executes TOOL in place with the
// arguments, so the tool keeps this process id and standard output. Anything
// that would stop the tool from starting is checked before the marker, so the
// launcher reports it as a failed launch.
#include "PkexecAuthorization.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum Exit { kUsage = 1, kNoFolder = 2, kNoTool = 3, kExecFailed = 127 };

bool writeAll(const char* data, size_t length)
{
    while (length > 0) {
        const ssize_t n = write(STDOUT_FILENO, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
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
    if (chdir(folder) != 0) {
        std::fprintf(stderr, "brevola-privileged-exec: cannot enter %s: %s\n", folder, std::strerror(errno));
        return kNoFolder;
    }
    struct stat st;
    if (stat(tool, &st) != 0 || !S_ISREG(st.st_mode) || access(tool, X_OK) != 0) {
        std::fprintf(stderr, "brevola-privileged-exec: %s is not an executable file\n", tool);
        return kNoTool;
    }
    if (!writeAll(PkexecAuthorization::kReadyMarker, sizeof(PkexecAuthorization::kReadyMarker) - 1))
        return kUsage;
    execv(tool, argv + 2);
    std::fprintf(stderr, "brevola-privileged-exec: cannot execute %s: %s\n", tool, std::strerror(errno));
    return kExecFailed;
}
