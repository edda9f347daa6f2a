#include "LogCapture.h"
#include "PropertyList.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(UserDefaults, LayersStoredOverRegisteredAndOnlyStoredPersist)
{
    TempDir dir;
    const std::string path = dir.file("d.plist");
    {
        UserDefaults store(path);
        store.registerDefaults({{"k", "registered"}, {"only", 1}});
        store.setObject("stored", "k");
        EXPECT_EQ(store.stringForKey("k"), "stored");
        store.removeObjectForKey("k");
        EXPECT_EQ(store.stringForKey("k"), "registered");
        store.setObject("again", "k");
        store.registerDefaults({{"only", 2}});
        EXPECT_EQ(store.dictionaryRepresentation(), (PlistValue::Dictionary{{"k", "again"}, {"only", 2}}));
        EXPECT_FALSE(store.stringForKey("only")); // a number is not a string
        ASSERT_TRUE(store.synchronize());
    }
    UserDefaults reopened(path);
    EXPECT_EQ(reopened.dictionaryRepresentation(), (PlistValue::Dictionary{{"k", "again"}})); // registered: this run only
    reopened.removeObjectForKey("k");
    EXPECT_TRUE(reopened.synchronize() && UserDefaults(path).dictionaryRepresentation().empty());
}

// A file that was read but holds no settings (no property list, another kind,
// a dictionary nested too deep to load) is kept aside under the name the
// warning gives. One that cannot be opened (a socket: that fails for root too)
// stays where it is and is never written over; the warning gives the reason.
TEST(UserDefaults, UnusableFileIsKeptAsideAndAnUnreadableOneLeftAlone)
{
    std::string deep = "<plist><dict><key>k</key>";
    for (int i = 0; i < 20000; ++i) deep += i < 10000 ? "<array>" : "</array>"; // about 150 KB
    const std::string socketFile = "";
    for (const std::string& content : {std::string("garbage that is no property list"),
                                       PropertyList::serialize(PlistValue::Array{1, 2}), deep + "</dict></plist>", socketFile}) {
        TempDir dir;
        const std::string path = dir.file("d.plist");
        content == socketFile ? void(mknod(path.c_str(), S_IFSOCK | 0600, 0)) : void(std::ofstream(path) << content);
        LogCapture log;
        UserDefaults store(path);
        EXPECT_TRUE(store.dictionaryRepresentation().empty());
        ASSERT_EQ(log.lines().size(), 1u);
        const std::string kept = fs::directory_iterator(dir.path())->path().string(); // the one entry
        EXPECT_EQ(kept == path, content == socketFile);
        const std::string why = content == socketFile ? " cannot be read: No such device or address" : " is unreadable; kept aside as " + kept;
        EXPECT_NE(log.lines()[0].find("[-warn-] settings file " + path + why), std::string::npos);
        std::ifstream in(content == socketFile ? "" : kept);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), content);
        store.setObject(1, "k");
        EXPECT_EQ(store.synchronize(), content != socketFile);
        EXPECT_EQ(fs::is_socket(path), content == socketFile);
    }
}

// A child rewrites the file as fast as it can; once its first write is done it
// is killed at a random moment. After every kill the file must parse whole, as
// the old or the new contents. (Waiting for the first write keeps a busy
// machine, where the child may not finish one in time, from proving nothing.)
TEST(UserDefaults, KillDuringWriteLeavesAWholeFile)
{
    TempDir dir;
    const std::string path = dir.file("d.plist");
    std::mt19937 random(1234);
    for (int round = 0; round < 60; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            UserDefaults store(path);
            store.setObject(PlistValue::Array(2000, "a string long enough to make each write take a while"), "payload");
            for (int i = 0;; ++i) {
                store.setObject(i, "counter");
                store.synchronize();
                if (i == 0 && write(ready[1], "w", 1) != 1) _exit(1);
            }
        }
        close(ready[1]);
        char written = 0;
        ASSERT_EQ(read(ready[0], &written, 1), 1) << "round " << round;
        close(ready[0]);
        usleep(std::uniform_int_distribution<int>(200, 20000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        auto value = PropertyList::readFile(path);
        ASSERT_TRUE(value && value->isDictionary()) << "round " << round;
        EXPECT_EQ(value->dictionary()->at("payload").array()->size(), 2000u);
    }
}
