#pragma once
// Running one tool as the superuser, after the system has asked the user for
// an administrator's credentials.
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

struct PrivilegedExecution {
    // 0: authorised and the tool started. Otherwise the failed step's status:
    // the exit code of the authorization program before the tool started
    // (126 dismissed, 127 not authorised or not runnable, 1-3 our helper could
    // not start the tool), 128 + signal if it was killed, or a negated errno
    // when it could not be started or said something unexpected, or when the
    // tool could not be executed after all.
    int32_t status = 0;
    // The tool's process id: a child of this process, to be waited for.
    pid_t pid = 0;
    // Reading end of a pipe on the tool's standard output; the caller owns it.
    int outputFd = -1;
};

class Authorization {
public:
    virtual ~Authorization() = default;

    // Runs tool with arguments (each passed whole, never through a shell) in
    // folder currentDirectory. Blocks until the authorization is decided: on
    // return the tool either runs (status 0) or never will.
    virtual PrivilegedExecution executeWithPrivileges(const std::string& tool,
                                                      const std::vector<std::string>& arguments,
                                                      const std::string& currentDirectory) = 0;
};
