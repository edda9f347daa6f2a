#include "RecordingEventPosting.h"

#include <cinttypes>
#include <cstdio>

std::string PostedEvent::describe() const
{
    char line[160];
    switch (kind) {
    case Kind::Key:
        std::snprintf(line, sizeof line, "key code=%u flags=0x%" PRIx64 " down=%d", virtualKey, flags, down ? 1 : 0);
        break;
    case Kind::Modifier:
        std::snprintf(line, sizeof line, "modifier code=%u down=%d", virtualKey, down ? 1 : 0);
        break;
    case Kind::Mouse:
        std::snprintf(line, sizeof line, "mouse type=%u button=%u clicks=%" PRId64 " x=%.10g y=%.10g", eventType,
                      button, clickState, location.x, location.y);
        break;
    case Kind::Scroll:
        std::snprintf(line, sizeof line, "scroll %d", vertical);
        break;
    }
    return line;
}

Point RecordingEventPosting::pointerLocation() const
{
    std::lock_guard lock(mutex_);
    return pointer_;
}

void RecordingEventPosting::setPointerLocation(Point location)
{
    std::lock_guard lock(mutex_);
    pointer_ = location;
}

int32_t RecordingEventPosting::postKeyboardEvent(uint16_t virtualKey, uint64_t flags, bool down)
{
    PostedEvent event;
    event.kind = PostedEvent::Kind::Key;
    event.virtualKey = virtualKey;
    event.flags = flags;
    event.down = down;
    return record(event);
}

int32_t RecordingEventPosting::postModifierKeyEvent(uint16_t virtualKey, bool down)
{
    PostedEvent event;
    event.kind = PostedEvent::Kind::Modifier;
    event.virtualKey = virtualKey;
    event.down = down;
    return record(event);
}

int32_t RecordingEventPosting::postMouseEvent(uint32_t eventType, uint32_t button, int64_t clickState, Point location)
{
    PostedEvent event;
    event.kind = PostedEvent::Kind::Mouse;
    event.eventType = eventType;
    event.button = button;
    event.clickState = clickState;
    event.location = location;
    return record(event);
}

int32_t RecordingEventPosting::postScrollWheelEvent(int32_t verticalPixels, int32_t horizontalPixels)
{
    PostedEvent event;
    event.kind = PostedEvent::Kind::Scroll;
    event.vertical = verticalPixels;
    event.horizontal = horizontalPixels;
    return record(event);
}

int32_t RecordingEventPosting::record(PostedEvent event)
{
    Observer observer;
    int32_t result = 0;
    {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
        observer = observer_;
        result = result_;
    }
    if (observer) observer(event);
    return result;
}

std::vector<PostedEvent> RecordingEventPosting::events() const
{
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<std::string> RecordingEventPosting::lines() const
{
    std::vector<std::string> out;
    for (const PostedEvent& event : events()) out.push_back(event.describe());
    return out;
}

void RecordingEventPosting::clear()
{
    std::lock_guard lock(mutex_);
    events_.clear();
}

void RecordingEventPosting::setObserver(Observer observer)
{
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void RecordingEventPosting::setResult(int32_t result)
{
    std::lock_guard lock(mutex_);
    result_ = result;
}
