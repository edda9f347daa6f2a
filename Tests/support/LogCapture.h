#pragma once
// Collects the system log's lines for the life of the object.
#include "SystemLog.h"

#include <mutex>
#include <string>
#include <vector>

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::vector<std::string> lines() const;
    bool contains(const std::string& fragment) const;
    // Index of the first line holding the fragment, or -1.
    int indexOf(const std::string& fragment) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    SystemLog::Sink previous_;
};
