#pragma once
// An event system that keeps every posted event, for tests and the replay tool.
// It can also play a machine without the service or one that refuses to open.
#include "HIDEventSystem.h"

#include <functional>
#include <mutex>
#include <vector>

class RecordingHIDEventSystem : public HIDEventSystem {
public:
    bool hasService() const override { return hasService_; }
    int32_t openConnection(Connection& connection) override;
    int32_t closeConnection(Connection connection) override;
    int32_t postEvent(Connection connection, const HIDEvent& event) override;

    // The next opens fail with this code (0: they succeed).
    void setOpenFailure(int32_t code) { openFailure_ = code; }
    void setHasService(bool has) { hasService_ = has; }
    // Called on the posting thread for each accepted event, after it is kept.
    void setObserver(std::function<void(const HIDEvent&)> observer) { observer_ = std::move(observer); }
    // Room for this many events, so that recording does not allocate.
    void reserve(size_t count);

    std::vector<HIDEvent> events() const;
    size_t count() const;
    void clear();
    // Connections opened and not closed.
    int openConnections() const;

private:
    mutable std::mutex mutex_;
    std::vector<HIDEvent> events_;
    std::function<void(const HIDEvent&)> observer_;
    bool hasService_ = true;
    int32_t openFailure_ = 0;
    Connection nextConnection_ = 1;
    int open_ = 0;
};
