#pragma once
// Runs tasks through the real pkexec backend and helper, with pkexec replaced
// by a shell script that (like pkexec) leaves the caller's folder first.
#include "BTPrivilegedTask.h"
#include "NotificationCenter.h"
#include "PkexecAuthorization.h"
#include "PlatformServices.h"
#include "TempDir.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

inline std::string writeScript(const TempDir& dir, const std::string& name, const std::string& body,
                               const char* head = "#!/bin/sh\n", bool executable = true)
{
    const std::string path = dir.file(name);
    std::ofstream(path) << head << body;
    std::filesystem::permissions(path, std::filesystem::perms(executable ? 0700 : 0400));
    return path;
}

class PrivilegedTaskFixture : public ::testing::Test {
protected:
    using Posted = std::vector<const void*>;

    void SetUp() override { Platform::services().authorization = &authorization_; }
    void TearDown() override { Platform::services().authorization = previous_; }
    std::string script(const std::string& name, const std::string& body) { return writeScript(dir_, name, body); }

    // The notifications once count have come (five seconds at most) and a
    // quarter second has passed without another.
    const Posted& settle(size_t count)
    {
        waitFor([&] { return posted_.size() >= count; });
        waitFor([] { return false; }, 250);
        return posted_;
    }

    TempDir dir_;
    const std::string pkexec_ = script("pkexec", "cd / || exit 127\nexec \"$@\"\n");
    PkexecAuthorization authorization_{pkexec_, BREVOLA_PRIVILEGED_EXEC_PATH};
    Posted posted_; // posted on this thread, by the tasks' polls

private:
    Authorization* previous_ = Platform::services().authorization;
    ScopedObserver observer_{BTPrivilegedTaskDidTerminateNotification, nullptr,
                             [this](const Notification& n) { posted_.push_back(n.object); }};
};
