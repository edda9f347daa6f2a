#include "LogCapture.h"
#include "PropertyList.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

TEST(UserDefaults, LayersStoredOverRegisteredAndOnlyStoredPersist)
{
    TempDir dir;
    const std::string path = dir.file("d.plist");
    {
        UserDefaults store(path);
        EXPECT_FALSE(store.objectForKey("k"));
        store.registerDefaults({{"k", "registered"}, {"only", 1}});
        store.setObject("stored", "k");
        EXPECT_EQ(*store.stringForKey("k"), "stored");
        store.removeObjectForKey("k");
        EXPECT_EQ(*store.stringForKey("k"), "registered");
        store.setObject("again", "k");
        store.registerDefaults({{"only", 2}});
        const auto all = store.dictionaryRepresentation();
        EXPECT_EQ(all.at("k"), PlistValue("again"));
        EXPECT_EQ(all.at("only"), PlistValue(2));
        EXPECT_FALSE(store.stringForKey("only")); // a number is not a string
        ASSERT_TRUE(store.synchronize());
    }
    UserDefaults reopened(path);
    EXPECT_EQ(*reopened.stringForKey("k"), "again");
    EXPECT_FALSE(reopened.objectForKey("only")); // registered values last for the run only
}

TEST(UserDefaults, UnreadableFileIsKeptAsideAndReported)
{
    for (const std::string& content : {std::string("garbage that is no property list"),
                                      PropertyList::serialize(PlistValue::Array{1, 2})}) {
        TempDir dir;
        const std::string path = dir.file("d.plist");
        std::ofstream(path) << content;
        LogCapture log;
        UserDefaults store(path);
        EXPECT_TRUE(store.dictionaryRepresentation().empty());
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_NE(log.lines()[0].find("[-warn-]"), std::string::npos);

        // The original bytes are still there under the name the log gives.
        std::string aside;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) aside = entry.path().string();
        EXPECT_NE(log.lines()[0].find(aside), std::string::npos);
        std::ifstream in(aside);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), content);

        store.setObject(1, "k");
        EXPECT_TRUE(store.synchronize());
        EXPECT_TRUE(std::filesystem::exists(aside));
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
            close(ready[0]);
            UserDefaults store(path);
            PlistValue::Array big(2000, PlistValue("a string long enough to make each write take a while"));
            for (int i = 0;; ++i) {
                store.setObject(i, "counter");
                store.setObject(big, "payload");
                store.synchronize();
                if (i == 0 && (write(ready[1], "w", 1) != 1 || close(ready[1]) != 0)) _exit(1);
            }
        }
        close(ready[1]);
        char written = 0;
        ASSERT_EQ(read(ready[0], &written, 1), 1) << "round " << round;
        close(ready[0]);
        usleep(std::uniform_int_distribution<int>(200, 20000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        bool missing = false;
        auto value = PropertyList::readFile(path, &missing);
        ASSERT_TRUE(value && value->isDictionary()) << "round " << round;
        EXPECT_EQ(value->dictionary()->at("payload").array()->size(), 2000u);
    }
    // Leftover temporary files are allowed; the settings file itself is never torn.
}
