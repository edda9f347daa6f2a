#include "RecordingHIDEventSystem.h"

int32_t RecordingHIDEventSystem::openConnection(Connection& connection)
{
    std::lock_guard lock(mutex_);
    if (openFailure_ != 0) return openFailure_;
    connection = nextConnection_++;
    ++open_;
    return 0;
}

int32_t RecordingHIDEventSystem::closeConnection(Connection connection)
{
    std::lock_guard lock(mutex_);
    if (connection == 0 || open_ == 0) return kIOReturnNotOpen;
    --open_;
    return 0;
}

int32_t RecordingHIDEventSystem::postEvent(Connection connection, const HIDEvent& event)
{
    {
        std::lock_guard lock(mutex_);
        if (connection == 0 || open_ == 0) return kIOReturnNotOpen;
        events_.push_back(event);
    }
    if (observer_) observer_(event);
    return 0;
}

void RecordingHIDEventSystem::reserve(size_t count)
{
    std::lock_guard lock(mutex_);
    events_.reserve(count);
}

std::vector<HIDEvent> RecordingHIDEventSystem::events() const
{
    std::lock_guard lock(mutex_);
    return events_;
}

size_t RecordingHIDEventSystem::count() const
{
    std::lock_guard lock(mutex_);
    return events_.size();
}

void RecordingHIDEventSystem::clear()
{
    std::lock_guard lock(mutex_);
    events_.clear();
}

int RecordingHIDEventSystem::openConnections() const
{
    std::lock_guard lock(mutex_);
    return open_;
}
