#include "LogCapture.h"
#include "PrivilegedTaskFixture.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <thread>

namespace {

using PrivilegedTaskTest = PrivilegedTaskFixture;

// waitUntilExit on another thread while the poll runs here: the status
// survives the poll finding no child, and the notification comes once.
TEST_F(PrivilegedTaskTest, ArgumentsReachTheToolWholeInItsFolderAndConcurrencyOfWaitAndPoll)
{
    const std::vector<std::string> arguments{"Ça été déjà vu", "naïve résumé", "", "a b; $(false) *", "-20"};
    const std::string tool = script("tool", "pwd -P\necho $#\nprintf '[%s]\\n' \"$@\"\nexit 3\n");
    auto task = std::make_shared<BTPrivilegedTask>(tool, arguments);
    task->setCurrentDirectoryPath(dir_.path().string());
    ASSERT_EQ(task->launch(), 0);
    EXPECT_TRUE(task->isRunning());
    EXPECT_GT(task->processIdentifier(), 0);
    EXPECT_EQ(task->launch(), -EBUSY);

    std::string expected = std::filesystem::canonical(dir_.path()).string() + "\n5\n", line = tool;
    for (const auto& a : arguments) expected += "[" + a + "]\n", line += " " + a;
    EXPECT_EQ(task->outputFileHandle()->readAll().toStdString(), expected); // and no marker
    EXPECT_EQ(task->description(), QString::asprintf("<BTPrivilegedTask: %p> ", task.get()).toStdString() + line);

    std::thread waiter([task] { task->waitUntilExit(); });
    EXPECT_EQ(settle(1), Posted{task.get()});
    waiter.join();
    EXPECT_FALSE(task->isRunning());
    EXPECT_EQ(task->terminationStatus(), 3 << 8);
}

TEST_F(PrivilegedTaskTest, TheLauncherCollectsTheRawStatusAndAllOutputAndADroppedTaskPostsOnce)
{
    // The tool starts clean whatever the caller blocks (the driver its stop
    // signals) or ignores (under nohup).
    sigset_t all, mask;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &mask);
    const auto hangup = std::signal(SIGHUP, SIG_IGN);
    const struct {
        const char* body;
        int status; // raw wait status
        std::string output;
    } cases[] = {
        {"sleep 0.2\nkill -TERM $$\necho alive\n", SIGTERM, ""},
        // More than a pipe holds; the time limit ends a writer that nobody reads.
        {"for s in Blk Ign; do echo $((0x$(sed -n \"s/^Sig$s:\t//p\" /proc/$$/status) & 0x7fffffff)); done\n"
         "exec timeout 5 head -c 1048576 /dev/zero\n",
         0, "0\n0\n" + std::string(1 << 20, '\0')}, // the standard signals: none blocked, none ignored
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        auto task = BTPrivilegedTask::launchedPrivilegedTaskWithLaunchPath(script("tool", c.body));
        EXPECT_FALSE(task->isRunning());
        EXPECT_EQ(task->terminationStatus(), c.status);
        const auto file = task->outputFileHandle();
        const std::string output = file ? file->readAll().toStdString() : "no output handle";
        EXPECT_TRUE(output == c.output) << output.size() << " bytes: " << output.substr(0, 80);
        // The timer keeps the task until its next poll has found no child and posted.
        posted_.clear();
        const std::weak_ptr<BTPrivilegedTask> weak = task;
        const void* address = std::exchange(task, nullptr).get();
        EXPECT_EQ(settle(1), Posted{address});
        EXPECT_TRUE(weak.expired());
    }
    std::signal(SIGHUP, hangup);
    pthread_sigmask(SIG_SETMASK, &mask, nullptr);
}

TEST_F(PrivilegedTaskTest, RefusedOrFailedLaunchesLeaveTheTaskIdle)
{
    const std::string tool = script("tool", "echo ran\n"), helper = BREVOLA_PRIVILEGED_EXEC_PATH;
    const std::string folder = dir_.path(), missing = dir_.file("missing");
    const struct {
        const char* name;
        std::string pkexec, helper, folder, tool;
        int32_t status;
    } cases[] = {
        {"dismissed", script("dismissed", "exit 126\n"), helper, folder, tool, 126},
        {"pkexec missing", missing, helper, folder, tool, -ENOENT},
        {"pkexec killed", script("killed", "kill -KILL $$\n"), helper, folder, tool, 128 + SIGKILL},
        {"helper missing", pkexec_, missing, folder, tool, 127},
        {"folder missing", pkexec_, helper, missing, tool, 2},
        {"tool missing", pkexec_, helper, folder, missing, 3},
        {"tool is a folder", pkexec_, helper, folder, folder, 3},
        {"not executable", pkexec_, helper, folder, writeScript(dir_, "plain", "echo ran\n", "#!/bin/sh\n", false), 3},
        // As long as the marker, spelt otherwise.
        {"other words", script("chatty", "echo brevola-privileged-exec: authorized\n"), helper, folder, tool, -EPROTO},
        // Refused before pkexec would be started.
        {"relative tool", missing, helper, folder, "tool", -EINVAL},
        {"exec fails", pkexec_, helper, folder, writeScript(dir_, "bare", "echo ran\n", ""), -ENOEXEC}, // no #!
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PkexecAuthorization authorization(c.pkexec, c.helper);
        Platform::services().authorization = &authorization;
        auto task = std::make_shared<BTPrivilegedTask>(c.tool);
        task->setCurrentDirectoryPath(c.folder);
        EXPECT_EQ(task->launch(), c.status);
        // Idle, and nothing scheduled holds it.
        EXPECT_EQ(std::tuple(task->isRunning(), task->processIdentifier(), task->outputFileHandle(), task.use_count()),
                  std::tuple(false, 0, nullptr, 1));
    }
    // The helper refuses a relative tool too, whoever starts it.
    EXPECT_EQ(PkexecAuthorization(pkexec_, helper).executeWithPrivileges("tool", {}, folder).status, 3);
    EXPECT_TRUE(settle(0).empty());
    // The launcher's own failures are logged; the user's refusal is not.
    const std::string lines[] = {"cannot start " + missing, "chatty ended without starting",
                                 "tool is not an absolute path", "cannot execute " + dir_.file("bare")};
    for (const auto& line : lines) EXPECT_TRUE(log.contains(line)) << line;
    EXPECT_EQ(log.lines().size(), 4u);
}

} // namespace
