#include "SystemLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <syslog.h>
#include <vector>

namespace SystemLog {
namespace {

std::mutex& sinkMutex()
{
    static std::mutex m;
    return m;
}

Sink& currentSink()
{
    static Sink sink;
    return sink;
}

std::atomic<bool> echo{false};

std::string vformat(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, args);
    return out;
}

void emit(const std::string& line)
{
    std::lock_guard lock(sinkMutex());
    if (echo.load(std::memory_order_relaxed)) std::fprintf(stderr, "%s\n", line.c_str());
    if (currentSink()) {
        currentSink()(line);
        return;
    }
    syslog(LOG_NOTICE, "%s", line.c_str());
}

} // namespace

Sink setSink(Sink sink)
{
    std::lock_guard lock(sinkMutex());
    std::swap(currentSink(), sink);
    return sink;
}

void setEchoToStderr(bool on) { echo.store(on, std::memory_order_relaxed); }

void logPrefixed(const char* method, int line, const char* level, const char* format, ...)
{
    char prefix[512];
    std::snprintf(prefix, sizeof prefix, "%s[Line %d] [%s] ", method, line, level);
    va_list args;
    va_start(args, format);
    std::string message = prefix + vformat(format, args);
    va_end(args);
    emit(message);
}

void logPlain(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string message = vformat(format, args);
    va_end(args);
    emit(message);
}

} // namespace SystemLog
