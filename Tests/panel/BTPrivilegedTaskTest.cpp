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
using Posted = std::vector<const void*>;

TEST_F(PrivilegedTaskTest, DescribesItselfThenItsCommandLine)
{
    BTPrivilegedTask task("/usr/bin/sudo", {"renice", "-20"});
    char head[64];
    std::snprintf(head, sizeof head, "<BTPrivilegedTask: %p>", static_cast<void*>(&task));
    EXPECT_TRUE(std::regex_match(head, std::regex("<BTPrivilegedTask: 0x[0-9a-f]+>")));
    EXPECT_EQ(task.description(), std::string(head) + " /usr/bin/sudo renice -20");
}

TEST_F(PrivilegedTaskTest, ArgumentsReachTheToolWholeInItsFolderAndTheHandleReadsItsOutput)
{
    const std::vector<std::string> arguments{"Ça été déjà vu", "naïve résumé", "", "a b; $(false) *", "-20"};
    auto task = std::make_shared<BTPrivilegedTask>(script("tool", "pwd -P\necho $#\nprintf '[%s]\\n' \"$@\"\n"),
                                                   arguments);
    task->setCurrentDirectoryPath(dir_.path().string());
    ASSERT_EQ(task->launch(), 0);
    EXPECT_TRUE(task->isRunning());
    EXPECT_GT(task->processIdentifier(), 0);

    std::string expected = std::filesystem::canonical(dir_.path()).string() + "\n5\n";
    for (const auto& a : arguments) expected += "[" + a + "]\n";
    ASSERT_NE(task->outputFileHandle(), nullptr);
    EXPECT_EQ(task->outputFileHandle()->readAll().toStdString(), expected); // and no marker
    ASSERT_TRUE(spinUntilPosted());
}

TEST_F(PrivilegedTaskTest, AToolEndingWithinOnePollIsReportedOnceByADroppedTask)
{
    auto task = std::make_shared<BTPrivilegedTask>(script("quick", "exit 5\n"));
    ASSERT_EQ(task->launch(), 0);
    const void* address = task.get();
    std::weak_ptr<BTPrivilegedTask> weak = task;
    task.reset(); // the timer keeps it alive
    ASSERT_FALSE(weak.expired());
    EXPECT_TRUE(posted().empty());

    ASSERT_TRUE(spinUntilPosted());
    EXPECT_TRUE(weak.expired()); // the last poll let go
    spinFor(350);
    EXPECT_EQ(posted(), Posted{address});
}

TEST_F(PrivilegedTaskTest, WaitingStoresTheRawStatusAndThePollStillPostsOnce)
{
    const struct {
        const char* body;
        int status; // raw wait status
    } cases[] = {{"sleep 0.3\nexit 7\n", 7 << 8}, {"exit 0\n", 0}, {"kill -TERM $$\n", SIGTERM}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        const size_t before = posted().size();
        auto task = BTPrivilegedTask::launchedPrivilegedTaskWithLaunchPath(script("tool", c.body), {"x"});
        EXPECT_FALSE(task->isRunning());
        EXPECT_EQ(task->terminationStatus(), c.status);
        EXPECT_EQ(posted().size(), before);
        // The poll then finds no child: it posts without losing the collected status.
        ASSERT_TRUE(spinUntilPosted(before + 1));
        EXPECT_EQ(posted().back(), task.get());
        EXPECT_EQ(task->terminationStatus(), c.status);
    }
    spinFor(250);
    EXPECT_EQ(posted().size(), std::size(cases));
}

TEST_F(PrivilegedTaskTest, RefusedOrFailedAuthorizationLeavesTheTaskIdle)
{
    const std::string tool = script("tool", "echo ran\n"), helper = BREVOLA_PRIVILEGED_EXEC_PATH;
    const std::string folder = dir_.path(), missing = dir_.file("missing");
    const struct {
        const char* name;
        std::string pkexec, helper, folder, tool;
        int32_t status; // 0: any non-zero status
    } cases[] = {
        {"dismissed", script("dismissed", "exit 126\n"), helper, folder, tool, 126},
        {"not authorised", script("refused", "exit 127\n"), helper, folder, tool, 127},
        {"pkexec missing", missing, helper, folder, tool, -ENOENT},
        {"pkexec killed", script("killed", "kill -KILL $$\n"), helper, folder, tool, 128 + SIGKILL},
        {"helper missing", pkexec_, missing, folder, tool, 0},
        {"folder missing", pkexec_, helper, missing, tool, 2},
        {"tool missing", pkexec_, helper, folder, missing, 3},
        {"tool not executable", pkexec_, helper, folder, script("plain", "echo ran\n", false), 3},
        {"says something else", script("chatty", "echo hello\n"), helper, folder, tool, -EPROTO},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        useAuthorization(c.pkexec, c.helper);
        auto task = std::make_shared<BTPrivilegedTask>(c.tool);
        task->setCurrentDirectoryPath(c.folder);
        const int32_t status = task->launch();
        if (c.status) {
            EXPECT_EQ(status, c.status);
        } else {
            EXPECT_NE(status, 0);
        }
        EXPECT_FALSE(task->isRunning());
        EXPECT_EQ(task->processIdentifier(), 0);
        EXPECT_EQ(task->outputFileHandle(), nullptr);
        EXPECT_EQ(task.use_count(), 1); // nothing scheduled holds it
        task->waitUntilExit();          // nothing to wait for: must not collect another child
    }
    spinFor(250);
    EXPECT_TRUE(posted().empty());
    // The launcher's own failures are logged; the user's refusal is not.
    EXPECT_TRUE(log.contains("cannot start " + missing));
    EXPECT_TRUE(log.contains("chatty ended without starting"));
    EXPECT_EQ(log.lines().size(), 2u);
}

TEST_F(PrivilegedTaskTest, ASecondLaunchWhileRunningIsRefused)
{
    auto task = std::make_shared<BTPrivilegedTask>(script("twice", "echo ran >> ran\nsleep 0.2\n"));
    task->setCurrentDirectoryPath(dir_.path());
    ASSERT_EQ(task->launch(), 0);
    const int32_t pid = task->processIdentifier();
    EXPECT_EQ(task->launch(), -EBUSY);
    EXPECT_EQ(task->processIdentifier(), pid);
    ASSERT_TRUE(spinUntilPosted());
    spinFor(250);
    EXPECT_EQ(posted(), Posted{task.get()});
    std::ifstream ran(dir_.file("ran"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(ran), {}), "ran\n");
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
    EXPECT_EQ(posted(), Posted{task.get()});
    EXPECT_FALSE(task->isRunning());
    EXPECT_EQ(task->terminationStatus(), 3 << 8);
}

} // namespace
