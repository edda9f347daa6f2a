#include "RecordingEvdevSink.h"

#include <libevdev/libevdev.h>

RecordingEvdevSink::RecordingEvdevSink(std::shared_ptr<EvdevLog> log) : log_(std::move(log)) {}

RecordingEvdevSink::~RecordingEvdevSink()
{
    log_->alive = false;
}

int32_t RecordingEvdevSink::write(uint16_t type, uint16_t code, int32_t value)
{
    if (log_->failWith != 0) return log_->failWith;
    if (type == EV_SYN && code == SYN_REPORT) {
        log_->lines.push_back("SYN");
    } else {
        const char* name = libevdev_event_code_get_name(type, code);
        log_->lines.push_back(std::string(name ? name : "?") + " " + std::to_string(value));
    }
    return 0;
}

int32_t RecordingEvdevFactory::create(const libevdev* description, std::unique_ptr<EvdevSink>& device)
{
    device.reset();
    if (inspector_) inspector_(description);
    if (result_ != 0) return result_;
    auto log = std::make_shared<EvdevLog>();
    {
        std::lock_guard lock(mutex_);
        logs_.push_back(log);
    }
    device = std::make_unique<RecordingEvdevSink>(log);
    return 0;
}

std::vector<std::shared_ptr<EvdevLog>> RecordingEvdevFactory::logs() const
{
    std::lock_guard lock(mutex_);
    return logs_;
}

std::shared_ptr<EvdevLog> RecordingEvdevFactory::last() const
{
    std::lock_guard lock(mutex_);
    return logs_.empty() ? nullptr : logs_.back();
}
