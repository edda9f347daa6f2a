#pragma once
// The system log. Lines go to syslog(3); a process may also echo them to
// standard error (the headless driver, the replay tool), and tests replace the
// destination with a sink of their own to read the lines back.
#include <functional>
#include <string>

namespace SystemLog {

using Sink = std::function<void(const std::string& line)>;

// Replaces the destination of every line (null restores syslog). Returns the old one.
Sink setSink(Sink sink);
// Also copy every line to standard error.
void setEchoToStderr(bool echo);

// "%s[Line %d] [%@] " + message: method in its original form
// ("-[BTDriverManager initializeHID]"), source line, level word.
void logPrefixed(const char* method, int line, const char* level, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// A line without the prefix.
void logPlain(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace SystemLog

#define BTLogInfo(method, ...) ::SystemLog::logPrefixed(method, __LINE__, "info", __VA_ARGS__)
#define BTLogWarn(method, ...) ::SystemLog::logPrefixed(method, __LINE__, "-warn-", __VA_ARGS__)
