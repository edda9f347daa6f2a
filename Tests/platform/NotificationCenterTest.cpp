#include "NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// By name and sender, with user info; an observer may remove itself and others
// while it is called, and the removed ones are not called any more.
TEST(NotificationCenter, DeliversByNameAndSenderAndObserversMayRemoveObservers)
{
    NotificationCenter center;
    int a = 0, b = 0, any = 0;
    float pressure = 0;
    ScopedObserver all("Ping", nullptr, [&](const Notification& n) {
        ++any;
        pressure += n.userInfo.count("pressure") ? n.userInfo.at("pressure").floatValue() : 0;
    }, center);
    ScopedObserver onlyA("Ping", &a, [&](const Notification& n) { a += n.object == &a; }, center);
    center.postNotification("Ping", &b, {{"pressure", 42.5f}});
    center.postNotification("Ping", &a);
    center.postNotification("Other", &a);
    EXPECT_EQ(std::tuple(any, a, pressure), std::tuple(2, 1, 42.5f));

    int first = 0, second = 0;
    NotificationCenter::Token t1 = 0, t2 = 0;
    t1 = center.addObserver("X", nullptr, [&](const Notification&) {
        ++first;
        for (auto token : {t1, t2}) center.removeObserver(token);
    });
    t2 = center.addObserver("X", nullptr, [&](const Notification&) { ++second; });
    center.postNotification("X");
    center.postNotification("X");
    EXPECT_EQ(std::pair(first, second), std::pair(1, 0));
}

TEST(NotificationCenterConcurrency, RegistrationWhilePostingFromAnotherThread)
{
    NotificationCenter center;
    std::atomic<int> delivered{0};
    std::atomic<bool> stop{false};
    std::thread poster([&] {
        while (!stop) center.postNotification("Tick");
    });
    for (int i = 0; i < 2000; ++i)
        center.removeObserver(center.addObserver("Tick", nullptr, [&](const Notification&) { ++delivered; }));
    ScopedObserver keep("Tick", nullptr, [&](const Notification&) { ++delivered; }, center);
    while (delivered.load() == 0) std::this_thread::yield();
    stop = true;
    poster.join();
}
