#include "NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(NotificationCenter, DeliversByNameAndSenderWithUserInfo)
{
    NotificationCenter center;
    int a = 0, b = 0;
    std::vector<std::string> seen;
    ScopedObserver any("Ping", nullptr, [&](const Notification& n) {
        seen.push_back(n.name);
        if (auto it = n.userInfo.find("pressure"); it != n.userInfo.end()) {
            EXPECT_FLOAT_EQ(it->second.floatValue(), 42.5f);
        }
    }, center);
    ScopedObserver onlyA("Ping", &a, [&](const Notification& n) { EXPECT_EQ(n.object, &a); ++a; }, center);

    center.postNotification("Ping", &b, {{"pressure", 42.5f}});
    center.postNotification("Ping", &a);
    center.postNotification("Other", &a);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(a, 1);
}

TEST(NotificationCenter, ObserverMayRemoveItselfAndOthersWhileCalled)
{
    NotificationCenter center;
    int first = 0, second = 0;
    NotificationCenter::Token t1 = 0, t2 = 0;
    t1 = center.addObserver("X", nullptr, [&](const Notification&) {
        ++first;
        center.removeObserver(t1);
        center.removeObserver(t2); // the second one must not be called any more
    });
    t2 = center.addObserver("X", nullptr, [&](const Notification&) { ++second; });
    center.postNotification("X");
    center.postNotification("X");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
}

TEST(NotificationCenterConcurrency, RegistrationWhilePostingFromAnotherThread)
{
    NotificationCenter center;
    std::atomic<int> delivered{0};
    std::atomic<bool> stop{false};
    std::thread poster([&] {
        while (!stop) center.postNotification("Tick");
    });
    for (int i = 0; i < 2000; ++i) {
        auto token = center.addObserver("Tick", nullptr, [&](const Notification&) { ++delivered; });
        center.removeObserver(token);
    }
    ScopedObserver keep("Tick", nullptr, [&](const Notification&) { ++delivered; }, center);
    while (delivered.load() == 0) std::this_thread::yield();
    stop = true;
    poster.join();
    EXPECT_GT(delivered.load(), 0);
}
