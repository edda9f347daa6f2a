#pragma once
// Work handed to one thread's event loop. The work itself passes through a
// standard mutex, and the loop is only told to look (by name, no functor), so
// the hand-over is visible to the thread sanitizer and ordered as posted.
#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

class LoopQueue : public QObject {
    Q_OBJECT
public:
    // Runs its work on the thread it lives in (see QObject::moveToThread).
    explicit LoopQueue(QObject* parent = nullptr) : QObject(parent) {}

    // Any thread.
    void post(std::function<void()> work);
    // On the queue's thread: runs everything posted, until none is left.
    Q_INVOKABLE void drain();

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> work_;
    bool wakePending_ = false;
};
