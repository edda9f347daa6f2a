#include "MainQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

// Work queued from another thread runs on the main thread, in the order queued,
// including work queued by work that is running.
TEST(MainQueueConcurrency, WorkFromAnotherThreadRunsOnTheMainThreadInOrder)
{
    std::vector<int> order;
    std::atomic<int> offMain{0};
    QThread* main = QThread::currentThread();
    std::thread producer([&] {
        for (int i = 0; i < 500; ++i)
            MainQueue::async([&, i] {
                if (QThread::currentThread() != main) ++offMain;
                order.push_back(i);
                if (i == 499) MainQueue::async([&] { order.push_back(500); });
            });
    });
    producer.join();
    QElapsedTimer clock;
    clock.start();
    while (order.size() < 501 && clock.elapsed() < 5000) QCoreApplication::processEvents();
    ASSERT_EQ(order.size(), 501u);
    for (int i = 0; i <= 500; ++i) EXPECT_EQ(order[i], i);
    EXPECT_EQ(offMain, 0);

    // drain() runs what is queued without an event loop turn.
    bool ran = false;
    MainQueue::async([&] { ran = true; });
    MainQueue::drain();
    EXPECT_TRUE(ran);
}
