#include "MainQueue.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

// Work queued from another thread runs on the main thread, in the order queued,
// including work queued by work that is running; drain() runs what is queued
// without an event loop turn.
TEST(MainQueueConcurrency, WorkFromAnotherThreadRunsOnTheMainThreadInOrder)
{
    std::vector<int> order;
    std::atomic<int> offMain{0};
    std::thread producer([&] {
        for (int i = 0; i < 500; ++i)
            MainQueue::async([&, i] {
                offMain += QThread::currentThread() != QCoreApplication::instance()->thread();
                order.push_back(i);
                if (i == 499) MainQueue::async([&] { order.push_back(500); });
            });
    });
    producer.join();
    ASSERT_TRUE(waitFor([&] { return order.size() == 501; }));
    for (int i = 0; i <= 500; ++i) EXPECT_EQ(order[i], i);
    EXPECT_EQ(offMain, 0);

    MainQueue::async([&] { order.clear(); });
    MainQueue::drain();
    EXPECT_TRUE(order.empty());
}
