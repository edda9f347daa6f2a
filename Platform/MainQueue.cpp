#include "MainQueue.h"

#include <QCoreApplication>
#include <QTimer>

namespace MainQueue {

void async(std::function<void()> fn)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

void drain()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

} // namespace MainQueue

namespace Timer {

void singleShot(int milliseconds, std::function<void()> fn)
{
    QTimer::singleShot(milliseconds, std::move(fn));
}

} // namespace Timer
