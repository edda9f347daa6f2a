#include "LogCapture.h"
#include "PrivilegedTaskFixture.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <regex>
#include <sys/wait.h>
#include <thread>

namespace {

using PrivilegedTaskTest = PrivilegedTaskFixture;

TEST_F(PrivilegedTaskTest, DescribesItselfThenItsCommandLine)
{
    const auto head = [](const BTPrivilegedTask& t) {
        char pointer[32];
        std::snprintf(pointer, sizeof pointer, "%p", static_cast<const void*>(&t));
        return std::string("<BTPrivilegedTask: ") + pointer + ">";
    };
    BTPrivilegedTask task("/usr/bin/sudo", {"renice", "-20"});
    EXPECT_TRUE(std::regex_match(head(task), std::regex("<BTPrivilegedTask: 0x[0-9a-f]+>")));
    EXPECT_EQ(task.description(), head(task) + " /usr/bin/sudo renice -20");

    BTPrivilegedTask idle;
    EXPECT_EQ(idle.description(), head(idle) + " ");
    EXPECT_EQ(idle.currentDirectoryPath(), std::filesystem::current_path().string());
    EXPECT_FALSE(idle.isRunning());
    EXPECT_EQ(idle.outputFileHandle(), nullptr);
}

TEST_F(PrivilegedTaskTest, ArgumentsReachTheToolWholeInItsFolderAndTheHandleReadsItsOutput)
{
    const std::string tool = script("tool", "pwd -P\necho \"$#\"\nprintf '[%s]\\n' \"$@\"\n");
    const std::vector<std::string> arguments{"Ça été déjà vu", "naïve résumé", "", "a b; $(false) *", "-20"};
    auto task = std::make_shared<BTPrivilegedTask>(tool, arguments);
    task->setCurrentDirectoryPath(dir_.path().string());

    ASSERT_EQ(task->launch(), 0);
    EXPECT_TRUE(task->isRunning());
    EXPECT_GT(task->processIdentifier(), 0);
    ASSERT_NE(task->outputFileHandle(), nullptr);
    const QByteArray output = task->outputFileHandle()->readAll();

    std::string expected = std::filesystem::canonical(dir_.path()).string() + "\n5\n";
    for (const auto& a : arguments) expected += "[" + a + "]\n";
    EXPECT_EQ(output.toStdString(), expected);
    ASSERT_TRUE(spinUntilPosted());
}

TEST_F(PrivilegedTaskTest, AToolEndingWithinOnePollIsReportedExactlyOnce)
{
    auto task = std::make_shared<BTPrivilegedTask>(script("quick", "exit 5\n"));
    ASSERT_EQ(task->launch(), 0);
    EXPECT_TRUE(posted().empty()); // the poll runs on the loop, not inside launch
    ASSERT_TRUE(spinUntilPosted());
    spinFor(350); // three more poll periods
    EXPECT_EQ(posted(), std::vector<const void*>{task.get()});
    EXPECT_FALSE(task->isRunning());
    EXPECT_EQ(task->terminationStatus(), 5 << 8); // raw wait status, not the exit code
}

TEST_F(PrivilegedTaskTest, WaitUntilExitStoresTheRawStatusAndThePollStillPostsOnce)
{
    auto task = std::make_shared<BTPrivilegedTask>(script("slow", "sleep 0.3\nexit 7\n"));
    ASSERT_EQ(task->launch(), 0);
    task->waitUntilExit();
    EXPECT_FALSE(task->isRunning());
    EXPECT_EQ(task->terminationStatus(), 7 << 8);
    EXPECT_TRUE(posted().empty());

    // The poll then finds no child: it posts without losing the collected status.
    ASSERT_TRUE(spinUntilPosted());
    spinFor(250);
    EXPECT_EQ(posted(), std::vector<const void*>{task.get()});
    EXPECT_EQ(task->terminationStatus(), 7 << 8);
}

TEST_F(PrivilegedTaskTest, ClassLaunchersReturnOnlyOnceTheToolHasEnded)
{
    const struct {
        const char* body;
        bool exited;
        int code; // exit code, or signal
    } cases[] = {
        {"exit 0\n", true, 0},
        {"exit 3\n", true, 3},
        {"kill -TERM $$\n", false, SIGTERM},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        auto task = BTPrivilegedTask::launchedPrivilegedTaskWithLaunchPath(script("tool", c.body), {"x"});
        EXPECT_FALSE(task->isRunning());
        const int status = task->terminationStatus();
        if (c.exited) {
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), c.code);
        } else {
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_EQ(WTERMSIG(status), c.code);
        }
        const size_t before = posted().size();
        ASSERT_TRUE(spinUntilPosted(before + 1));
    }
    auto bare = BTPrivilegedTask::launchedPrivilegedTaskWithLaunchPath(script("bare", "exit 4\n"));
    EXPECT_EQ(bare->terminationStatus(), 4 << 8);
    ASSERT_TRUE(spinUntil([&] { return posted().size() == 4; }));
}

TEST_F(PrivilegedTaskTest, TheTimerKeepsADroppedTaskAliveUntilTheToolEnds)
{
    auto task = std::make_shared<BTPrivilegedTask>(script("tool", "sleep 0.2\n"));
    ASSERT_EQ(task->launch(), 0);
    const void* address = task.get();
    std::weak_ptr<BTPrivilegedTask> weak = task;
    task.reset();
    EXPECT_FALSE(weak.expired());

    ASSERT_TRUE(spinUntilPosted());
    EXPECT_EQ(posted(), std::vector<const void*>{address});
    EXPECT_TRUE(weak.expired()); // the last poll let go
}

TEST_F(PrivilegedTaskTest, RefusedOrFailedAuthorizationLeavesTheTaskIdle)
{
    const std::string tool = script("tool", "echo ran\n");
    const std::string missing = dir_.file("missing");
    const struct {
        const char* name;
        std::string pkexec;
        std::string helper;
        std::string folder;
        std::string tool;
        int32_t status; // 0: any non-zero status
    } cases[] = {
        {"dismissed", script("dismissed", "exit 126\n"), BREVOLA_PRIVILEGED_EXEC_PATH, dir_.path(), tool, 126},
        {"not authorised", script("refused", "exit 127\n"), BREVOLA_PRIVILEGED_EXEC_PATH, dir_.path(), tool, 127},
        {"pkexec missing", missing, BREVOLA_PRIVILEGED_EXEC_PATH, dir_.path(), tool, -ENOENT},
        {"pkexec killed", script("killed", "kill -KILL $$\n"), BREVOLA_PRIVILEGED_EXEC_PATH, dir_.path(), tool,
         128 + SIGKILL},
        {"helper missing", pkexec_, missing, dir_.path(), tool, 0},
        {"folder missing", pkexec_, BREVOLA_PRIVILEGED_EXEC_PATH, missing, tool, 2},
        {"tool missing", pkexec_, BREVOLA_PRIVILEGED_EXEC_PATH, dir_.path(), missing, 3},
        {"tool not executable", pkexec_, BREVOLA_PRIVILEGED_EXEC_PATH, dir_.path(),
         script("plain", "echo ran\n", false), 3},
        {"says something else", script("chatty", "echo hello\n"), BREVOLA_PRIVILEGED_EXEC_PATH, dir_.path(), tool,
         -EPROTO},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        useAuthorization(c.pkexec, c.helper);
        auto task = std::make_shared<BTPrivilegedTask>(c.tool);
        task->setCurrentDirectoryPath(c.folder);
        const int32_t status = task->launch();
        if (c.status)
            EXPECT_EQ(status, c.status);
        else
            EXPECT_NE(status, 0);
        EXPECT_FALSE(task->isRunning());
        EXPECT_EQ(task->processIdentifier(), 0);
        EXPECT_EQ(task->outputFileHandle(), nullptr);
        EXPECT_EQ(task.use_count(), 1); // nothing scheduled holds it
        task->waitUntilExit();          // returns at once: nothing to wait for
    }
    spinFor(250);
    EXPECT_TRUE(posted().empty());
    // Only the launcher's own failures are logged, not the user's refusal.
    EXPECT_TRUE(log.contains("cannot start " + missing));
    EXPECT_TRUE(log.contains("chatty ended without starting"));
    EXPECT_EQ(log.lines().size(), 2u);
}

TEST_F(PrivilegedTaskTest, LaunchesThatCannotBeFollowedAreRefused)
{
    BTPrivilegedTask unshared(script("unshared", "echo ran > ran\n"));
    unshared.setCurrentDirectoryPath(dir_.path());
    EXPECT_EQ(unshared.launch(), -EINVAL);

    auto task = std::make_shared<BTPrivilegedTask>(script("twice", "sleep 0.2\n"));
    ASSERT_EQ(task->launch(), 0);
    const int32_t pid = task->processIdentifier();
    EXPECT_EQ(task->launch(), -EBUSY);
    EXPECT_EQ(task->processIdentifier(), pid);

    Authorization* installed = Platform::services().authorization;
    Platform::services().authorization = nullptr;
    auto orphan = std::make_shared<BTPrivilegedTask>(dir_.file("unshared"));
    EXPECT_EQ(orphan->launch(), -ENOSYS);
    Platform::services().authorization = installed;

    ASSERT_TRUE(spinUntilPosted());
    spinFor(250);
    EXPECT_EQ(posted(), std::vector<const void*>{task.get()});
    EXPECT_FALSE(std::filesystem::exists(dir_.file("ran")));
}

using PrivilegedTaskConcurrency = PrivilegedTaskFixture;

// waitUntilExit on another thread races the poll for the child: whichever
// collects it, the status survives and the notification comes once.
TEST_F(PrivilegedTaskConcurrency, WaitingOnAnotherThreadWhileThePollRuns)
{
    auto task = std::make_shared<BTPrivilegedTask>(script("tool", "sleep 0.25\nexit 3\n"));
    ASSERT_EQ(task->launch(), 0);
    std::thread waiter([task] { task->waitUntilExit(); });
    ASSERT_TRUE(spinUntilPosted());
    waiter.join();
    spinFor(250);
    EXPECT_EQ(posted(), std::vector<const void*>{task.get()});
    EXPECT_FALSE(task->isRunning());
    EXPECT_EQ(task->terminationStatus(), 3 << 8);
}

} // namespace
