#pragma once
// Runs the calling thread's event loop until a condition holds.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

// True once the condition holds; false when it still does not after the time given.
template <typename Condition>
bool waitFor(Condition condition, int milliseconds = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}
