#pragma once
// Virtual devices that record what is written to them instead of reaching the
// desktop, and a factory that makes them and shows a test each description.
#include "EvdevSinkFactory.h"

#include <libevdev/libevdev.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Each written event as "BTN_TOUCH 1", "ABS_X 120"; a frame's end as "SYN".
struct EvdevLog {
    std::vector<std::string> lines;
    bool alive = true;    // false once the device is destroyed
    int32_t failWith = 0; // every write from now on fails with this errno (0: none)

    // The lines so far joined with ", ", and a fresh start.
    std::string take()
    {
        std::string text;
        for (const std::string& line : lines) text += (text.empty() ? "" : ", ") + line;
        lines.clear();
        return text;
    }
};

class RecordingEvdevSink : public EvdevSink {
public:
    explicit RecordingEvdevSink(std::shared_ptr<EvdevLog> log) : log_(std::move(log)) {}
    ~RecordingEvdevSink() override { log_->alive = false; }

    int32_t write(uint16_t type, uint16_t code, int32_t value) override
    {
        if (log_->failWith != 0) return log_->failWith;
        const char* name = libevdev_event_code_get_name(type, code);
        log_->lines.push_back(type == EV_SYN && code == SYN_REPORT
                                  ? std::string("SYN")
                                  : std::string(name ? name : "?") + " " + std::to_string(value));
        return 0;
    }

private:
    std::shared_ptr<EvdevLog> log_;
};

// Used from one thread: the devices it makes may be written to from another.
class RecordingEvdevFactory : public EvdevSinkFactory {
public:
    bool available() const override { return true; }
    int32_t create(const libevdev* description, std::unique_ptr<EvdevSink>& device) override
    {
        device.reset();
        if (inspector) inspector(description);
        if (result != 0) return result;
        logs.push_back(std::make_shared<EvdevLog>());
        device = std::make_unique<RecordingEvdevSink>(logs.back());
        return 0;
    }

    std::vector<std::shared_ptr<EvdevLog>> logs;    // of each device made, in order
    int32_t result = 0;                             // what create returns; no device is made while not 0
    std::function<void(const libevdev*)> inspector; // sees each description before its device is made
};
