// The priority boost names every thread of the process to renice, through the
// privileged runner (pkexec replaced by a script that records its arguments).
#include "PanelFixture.h"
#include "PrivilegedTaskFixture.h"

#include <QPushButton>
#include <QTest>

#include <atomic>
#include <sys/syscall.h>

namespace {

class PanelBoost : public PanelFixture {
protected:
    void SetUp() override
    {
        PanelFixture::SetUp();
        authorization_ = std::make_unique<PkexecAuthorization>(
            script("pkexec", "printf '%s\\n' \"$@\" > \"$0.args\"\nexit 127\n"), BREVOLA_PRIVILEGED_EXEC_PATH);
        Platform::services().authorization = authorization_.get();
    }

    std::string script(const std::string& name, const std::string& body)
    {
        const std::string path = dir_.file(name);
        std::ofstream(path) << "#!/bin/sh\n" << body;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    std::unique_ptr<PkexecAuthorization> authorization_;
};

} // namespace

TEST_F(PanelBoost, ReniceNamesEveryThreadOfTheProcessAtTheClick)
{
    connectTablet();
    // A thread of our own, to be found among the process's.
    std::atomic<long> helperId{0};
    std::atomic<bool> stop{false};
    std::thread helper([&] {
        helperId = syscall(SYS_gettid);
        while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    ASSERT_TRUE(waitFor([&] { return helperId != 0; }));
    const std::vector<long> threads = BTPanelViewController::processThreadIds();

    QTest::mouseClick(outlet<QPushButton>("improveSpeedButton"), Qt::LeftButton);
    stop = true;
    helper.join();

    std::ifstream recorded(dir_.file("pkexec.args"));
    std::vector<std::string> words;
    for (std::string line; std::getline(recorded, line);) words.push_back(line);
    ASSERT_GE(words.size(), 7u);
    EXPECT_EQ(words[0], BREVOLA_PRIVILEGED_EXEC_PATH);
    EXPECT_EQ(words[2], "/usr/bin/renice");
    const std::vector<std::string> arguments(words.begin() + 3, words.end());
    EXPECT_EQ(std::vector<std::string>(arguments.begin(), arguments.begin() + 3),
              (std::vector<std::string>{"-n", "-20", "-p"}));
    // Threads Qt starts for the click may join; none of those that ran before may be missing.
    const auto named = [&](long id) {
        return std::find(arguments.begin() + 3, arguments.end(), std::to_string(id)) != arguments.end();
    };
    for (long id : threads) EXPECT_TRUE(named(id)) << id;
    EXPECT_TRUE(named(helperId));
    EXPECT_TRUE(named(getpid()));
}
