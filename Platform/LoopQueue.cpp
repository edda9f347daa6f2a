#include "LoopQueue.h"

void LoopQueue::post(std::function<void()> work)
{
    std::lock_guard lock(mutex_);
    work_.push_back(std::move(work));
    if (wakePending_) return;
    wakePending_ = true;
    QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
}

void LoopQueue::drain()
{
    // Work posted while draining runs too, in order.
    for (;;) {
        std::deque<std::function<void()>> batch;
        {
            std::lock_guard lock(mutex_);
            batch.swap(work_);
            wakePending_ = false;
            if (batch.empty()) return;
        }
        for (auto& work : batch) work();
    }
}
