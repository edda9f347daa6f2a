#pragma once
// Runs tasks through the real pkexec backend and helper, with pkexec replaced
// by a shell script that (like pkexec) leaves the caller's folder first.
#include "BTPrivilegedTask.h"
#include "NotificationCenter.h"
#include "PkexecAuthorization.h"
#include "PlatformServices.h"
#include "TempDir.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <vector>

class PrivilegedTaskFixture : public ::testing::Test {
protected:
    void SetUp() override { useAuthorization(pkexec_, BREVOLA_PRIVILEGED_EXEC_PATH); }
    void TearDown() override { Platform::services().authorization = previous_; }

    void useAuthorization(const std::string& pkexecPath, const std::string& helperPath)
    {
        authorization_ = std::make_unique<PkexecAuthorization>(pkexecPath, helperPath);
        Platform::services().authorization = authorization_.get();
    }

    std::string script(const std::string& name, const std::string& body, bool executable = true)
    {
        const std::string path = dir_.file(name);
        std::ofstream(path) << "#!/bin/sh\n" << body;
        using std::filesystem::perms;
        std::filesystem::permissions(path, executable ? perms::owner_all : perms::owner_read | perms::owner_write);
        return path;
    }

    std::vector<const void*> posted()
    {
        std::lock_guard lock(mutex_);
        return posted_;
    }

    static void spinFor(int milliseconds)
    {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // Runs the event loop until count notifications have come, for at most five seconds.
    bool spinUntilPosted(size_t count = 1)
    {
        QElapsedTimer clock;
        clock.start();
        while (posted().size() < count && clock.elapsed() < 5000) spinFor(20);
        return posted().size() >= count;
    }

    TempDir dir_;
    const std::string pkexec_ = script("pkexec", "cd / || exit 127\nexec \"$@\"\n");

private:
    Authorization* previous_ = Platform::services().authorization;
    std::unique_ptr<PkexecAuthorization> authorization_;
    std::mutex mutex_;
    std::vector<const void*> posted_;
    ScopedObserver observer_{BTPrivilegedTaskDidTerminateNotification, nullptr, [this](const Notification& n) {
                                 std::lock_guard lock(mutex_);
                                 posted_.push_back(n.object);
                             }};
};
