// The priority boost names every thread of the process to renice, through the
// privileged runner (pkexec replaced by a script that records its arguments).
#include "PanelFixture.h"
#include "PrivilegedTaskFixture.h"

#include <atomic>
#include <thread>
#include <sys/syscall.h>

using PanelBoost = PanelFixture; // which puts the platform's services back

TEST_F(PanelBoost, ReniceNamesEveryThreadOfTheProcessAtTheClick)
{
    PkexecAuthorization authorization(writeScript(dir_, "pkexec", "printf '%s\\n' \"$@\" > \"$0.args\"\nexit 127\n"),
                                      BREVOLA_PRIVILEGED_EXEC_PATH);
    Platform::services().authorization = &authorization;
    connectTablet();
    // A thread of our own, to be found among the process's.
    std::atomic<long> helperId{0};
    std::jthread helper([&](std::stop_token stop) {
        helperId = syscall(SYS_gettid);
        while (!stop.stop_requested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    ASSERT_TRUE(waitFor([&] { return helperId != 0; }));
    std::vector<long> threads = BTPanelViewController::processThreadIds();

    QTest::mouseClick(outlet<QPushButton>("improveSpeedButton"), Qt::LeftButton);

    std::ifstream recorded(dir_.file("pkexec.args"));
    std::vector<std::string> words;
    for (std::string line; std::getline(recorded, line);) words.push_back(line);
    ASSERT_GE(words.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(words.begin(), words.begin() + 6),
              (std::vector<std::string>{BREVOLA_PRIVILEGED_EXEC_PATH, std::filesystem::current_path().string(),
                                        "/usr/bin/renice", "-n", "-20", "-p"}));
    // Threads Qt starts for the click may join; none of those that ran before may be missing.
    threads.insert(threads.end(), {helperId.load(), long(getpid())});
    for (long id : threads) EXPECT_EQ(std::count(words.begin() + 6, words.end(), std::to_string(id)), 1) << id;
}
