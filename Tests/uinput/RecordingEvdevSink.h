#pragma once
// Virtual devices that record what is written to them instead of reaching the
// desktop, and a factory that makes them and lets a test look at each
// device's description.
#include "EvdevSinkFactory.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Each written event as one line, "BTN_TOUCH 1", "ABS_X 120"; a frame's end as "SYN".
struct EvdevLog {
    std::vector<std::string> lines;
    bool alive = true;        // false once the device is destroyed
    int32_t failWith = 0;     // every write from now on fails with this errno (0: none)
};

class RecordingEvdevSink : public EvdevSink {
public:
    explicit RecordingEvdevSink(std::shared_ptr<EvdevLog> log);
    ~RecordingEvdevSink() override;
    int32_t write(uint16_t type, uint16_t code, int32_t value) override;

private:
    std::shared_ptr<EvdevLog> log_;
};

class RecordingEvdevFactory : public EvdevSinkFactory {
public:
    using Inspector = std::function<void(const struct libevdev* description)>;

    bool available() const override { return available_; }
    int32_t create(const struct libevdev* description, std::unique_ptr<EvdevSink>& device) override;

    // The log of each device made so far, in order of creation.
    std::vector<std::shared_ptr<EvdevLog>> logs() const;
    std::shared_ptr<EvdevLog> last() const;

    void setAvailable(bool available) { available_ = available; }
    // What create returns from now on; no device is made while it is not 0.
    void setResult(int32_t result) { result_ = result; }
    // Called with each description before its device is made.
    void setInspector(Inspector inspector) { inspector_ = std::move(inspector); }

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<EvdevLog>> logs_;
    bool available_ = true;
    int32_t result_ = 0;
    Inspector inspector_;
};
