#pragma once
// What the end-to-end test's programs share: their log lines, files, options
// and the kernel's event nodes. Each program is built alone and static, so
// everything here is inline.
#include <linux/input.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace e2e {

inline const char* program = "e2e";
inline volatile std::sig_atomic_t stopRequested = 0;

[[gnu::format(printf, 1, 2)]] inline void say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::printf("%s: ", program);
    std::vprintf(format, args);
    std::putchar('\n');
    std::fflush(stdout);
    va_end(args);
}

[[noreturn]] inline void fail(const std::string& why)
{
    say("FAILED: %s", why.c_str());
    std::exit(1);
}

// The text of errno after what went wrong.
inline std::string failed(const std::string& what) { return what + ": " + std::strerror(errno); }

inline std::string slurp(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void touch(const std::string& path)
{
    if (FILE* f = std::fopen(path.c_str(), "w")) std::fclose(f);
}

inline void stopOnSignals()
{
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    std::signal(SIGINT, [](int) { stopRequested = 1; });
}

// "--name value" pairs; a name may come more than once.
struct Options : std::multimap<std::string, std::string> {
    Options(int argc, char** argv, const char* usage)
    {
        for (int i = 1; i < argc; i += 2) {
            if (i + 1 >= argc || std::strncmp(argv[i], "--", 2) != 0) fail(std::string("usage: ") + usage);
            emplace(argv[i] + 2, argv[i + 1]);
        }
    }
    std::string text(const std::string& name, const std::string& fallback = "") const
    {
        return count(name) ? find(name)->second : fallback;
    }
    long number(const std::string& name, long fallback) const
    {
        return count(name) ? std::strtol(find(name)->second.c_str(), nullptr, 0) : fallback;
    }
    std::vector<std::string> all(const std::string& name) const
    {
        std::vector<std::string> out;
        for (auto [it, end] = equal_range(name); it != end; ++it) out.push_back(it->second);
        return out;
    }
};

// The tablet's area of the display: x, y, width, height.
inline std::vector<int> area(const std::string& text)
{
    std::vector<int> r(4);
    return std::sscanf(text.c_str(), "%d,%d,%d,%d", &r[0], &r[1], &r[2], &r[3]) == 4 ? r : std::vector<int>{};
}

// An event node's name, or its physical path.
inline std::string nodeText(int fd, bool phys = false)
{
    char s[256] = {};
    ::ioctl(fd, phys ? EVIOCGPHYS(sizeof s - 1) : EVIOCGNAME(sizeof s - 1), s);
    return s;
}

// Opens every event node, read-only and non-blocking, and hands it to keep,
// which says whether it stays open.
template <class Keep> void eachEventNode(Keep keep)
{
    for (int i = 0; i < 64; ++i) {
        const std::string node = "/dev/input/event" + std::to_string(i);
        const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0 && !keep(node, fd)) ::close(fd);
    }
}

// The event node the kernel made for a HID device with this physical path:
// open, or -1.
inline int openEventNodeAt(const std::string& phys)
{
    int found = -1;
    eachEventNode([&](const std::string&, int fd) {
        if (found >= 0 || nodeText(fd, true) != phys) return false;
        found = fd;
        return true;
    });
    return found;
}

// Reads what is queued on an event node; false once it is gone.
inline bool readEvents(int fd, std::vector<input_event>& events)
{
    input_event ev[64];
    for (;;) {
        const ssize_t n = ::read(fd, ev, sizeof ev);
        if (n < 0 && errno == EAGAIN) return true;
        if (n <= 0) return false;
        events.insert(events.end(), ev, ev + n / sizeof ev[0]);
    }
}

} // namespace e2e
