#pragma once
// Virtual devices that record what is written to them instead of reaching the
// desktop, and a factory that makes them and shows a test each description.
#include "EvdevSinkFactory.h"

#include <libevdev/libevdev.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// What a device was written, short: keys and buttons as "Z+", "BTN_TOUCH-"
// (down, up), axes as "X=120", "WHEEL=-1", and ";" where a frame ends.
struct EvdevLog {
    std::string text;
    bool alive = true;    // false once the device is destroyed
    int32_t failWith = 0; // every write from now on fails with this errno (0: none)

    std::string take() { return std::exchange(text, {}); }
};

// Used from one thread: the devices it makes may be written to from another.
class RecordingEvdevFactory : public EvdevSinkFactory {
public:
    bool available() const override { return true; }
    int32_t create(const libevdev* description, std::unique_ptr<EvdevSink>& device) override
    {
        if (inspector) inspector(description);
        if (result != 0) return result;
        logs.push_back(std::make_shared<EvdevLog>());
        device = std::make_unique<Sink>(logs.back());
        return 0;
    }

    std::vector<std::shared_ptr<EvdevLog>> logs;    // of each device made, in order
    int32_t result = 0;                             // what create returns; no device is made while not 0
    std::function<void(const libevdev*)> inspector; // sees each description before its device is made

private:
    struct Sink : EvdevSink {
        explicit Sink(std::shared_ptr<EvdevLog> log) : log(std::move(log)) {}
        ~Sink() override { log->alive = false; }
        int32_t write(uint16_t type, uint16_t code, int32_t v) override
        {
            if (log->failWith != 0) return log->failWith;
            const char* known = libevdev_event_code_get_name(type, code);
            const std::string name = known ? known : "?";
            std::string& text = log->text;
            if (type == EV_SYN)
                text += ";";
            else
                text.append(text.empty() ? "" : " ").append(name, name.starts_with("BTN_") ? 0 : name.find('_') + 1)
                    .append(type != EV_KEY ? "=" : v ? "+" : "-").append(type != EV_KEY ? std::to_string(v) : "");
            return 0;
        }
        std::shared_ptr<EvdevLog> log;
    };
};
