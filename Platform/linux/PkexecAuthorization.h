#pragma once
// Administrator rights through polkit's pkexec. pkexec asks for credentials
// inside its own process, so it runs our helper (brevola-privileged-exec),
// which enters the folder, writes kReadyMarker to standard output and then
// executes the tool in place: the marker arriving means authorised, pkexec
// ending first means refused, dismissed or failed. The helper's standard input
// is the write end of a pipe that closes when the exec succeeds and otherwise
// carries exec's errno.
#include "Authorization.h"

#include <string>

class PkexecAuthorization : public Authorization {
public:
    static constexpr char kReadyMarker[] = "brevola-privileged-exec: authorised\n";
    static constexpr const char* kDefaultPkexecPath = "/usr/bin/pkexec";

    // The helper installed beside the running program's executable.
    static std::string defaultHelperPath();

    // pkexecPath: the program that authorises and runs the helper (tests put a
    // stand-in there). helperPath: absolute path of brevola-privileged-exec.
    explicit PkexecAuthorization(std::string pkexecPath = kDefaultPkexecPath,
                                 std::string helperPath = defaultHelperPath());

    PrivilegedExecution executeWithPrivileges(const std::string& tool, const std::vector<std::string>& arguments,
                                              const std::string& currentDirectory) override;

    const std::string& pkexecPath() const { return pkexecPath_; }
    const std::string& helperPath() const { return helperPath_; }

private:
    std::string pkexecPath_;
    std::string helperPath_;
};
