#include "LogCapture.h"

LogCapture::LogCapture()
{
    previous_ = SystemLog::setSink([this](const std::string& line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    });
}

LogCapture::~LogCapture() { SystemLog::setSink(previous_); }

std::vector<std::string> LogCapture::lines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogCapture::contains(const std::string& fragment) const { return indexOf(fragment) >= 0; }

int LogCapture::indexOf(const std::string& fragment) const
{
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].find(fragment) != std::string::npos) return static_cast<int>(i);
    return -1;
}

void LogCapture::clear()
{
    std::lock_guard lock(mutex_);
    lines_.clear();
}
