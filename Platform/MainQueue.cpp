#include "MainQueue.h"

#include "LoopQueue.h"

#include <QCoreApplication>
#include <QTimer>

namespace MainQueue {
namespace {
LoopQueue& mainLoopQueue()
{
    static LoopQueue* queue = [] {
        auto* q = new LoopQueue;
        q->moveToThread(QCoreApplication::instance()->thread());
        return q;
    }();
    return *queue;
}
} // namespace

void async(std::function<void()> fn)
{
    mainLoopQueue().post(std::move(fn));
}

void drain()
{
    mainLoopQueue().drain();
}

} // namespace MainQueue

namespace Timer {

void singleShot(int milliseconds, std::function<void()> fn)
{
    QTimer::singleShot(milliseconds, std::move(fn));
}

} // namespace Timer
