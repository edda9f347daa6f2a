#pragma once
// Event posting that records every event instead of posting it, for tests and
// the replay tool. The pointer stays where the owner puts it. Thread-safe.
#include "EventPosting.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct PostedEvent {
    enum class Kind { Key, Modifier, Mouse, Scroll };
    Kind kind = Kind::Key;
    uint16_t virtualKey = 0; // Key, Modifier
    uint64_t flags = 0;      // Key
    bool down = false;       // Key, Modifier
    uint32_t eventType = 0;  // Mouse
    uint32_t button = 0;     // Mouse
    int64_t clickState = 0;  // Mouse
    Point location;          // Mouse
    int32_t vertical = 0;    // Scroll
    int32_t horizontal = 0;  // Scroll

    // One line: "key code=6 flags=0x40000 down=1", "modifier code=59 down=1",
    // "mouse type=1 button=0 clicks=1 x=10 y=20", "scroll -5".
    std::string describe() const;
    friend bool operator==(const PostedEvent&, const PostedEvent&) = default;
};

class RecordingEventPosting : public EventPosting {
public:
    using Observer = std::function<void(const PostedEvent&)>;

    Point pointerLocation() const override;
    void setPointerLocation(Point location);

    int32_t postKeyboardEvent(uint16_t virtualKey, uint64_t flags, bool down) override;
    int32_t postModifierKeyEvent(uint16_t virtualKey, bool down) override;
    int32_t postMouseEvent(uint32_t eventType, uint32_t button, int64_t clickState, Point location) override;
    int32_t postScrollWheelEvent(int32_t verticalPixels, int32_t horizontalPixels) override;

    std::vector<PostedEvent> events() const;
    // describe() of every event, in order.
    std::vector<std::string> lines() const;
    void clear();
    // Called with each event as it is recorded (on the posting thread).
    void setObserver(Observer observer);
    // What every post returns from now on (0: success); the event is recorded either way.
    void setResult(int32_t result);

private:
    int32_t record(PostedEvent event);

    mutable std::mutex mutex_;
    Point pointer_;
    std::vector<PostedEvent> events_;
    Observer observer_;
    int32_t result_ = 0;
};
