// Records every evdev event of the named input devices, for the end-to-end
// test in a virtual machine.
//
//   event-reader --device LABEL=NAME ... --out FILE [--ready-file FILE] [--wait-ms N]
//
// Finds each device by its name under /dev/input (and again whenever it
// disappears and comes back), writes the ranges of its absolute axes and then
// every event to FILE, one line each:
//   device <label> <node>
//   absinfo <label> <code> <minimum> <maximum>
//   event <label> <type> <code> <value>
// The ready file is created once every device was found, or after --wait-ms
// with the missing ones named on stdout. SIGTERM or SIGINT ends the recording.
#include <linux/input.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::atomic<bool> stopRequested { false };

struct Watched {
    std::string label;
    std::string name;
    int fd = -1;
    std::string node;
    long events = 0;
};

std::string deviceName(int fd)
{
    char name[256] = {};
    if (::ioctl(fd, EVIOCGNAME(sizeof name - 1), name) < 0)
        return {};
    return name;
}

bool hasBit(const unsigned long* bits, int bit)
{
    constexpr int kBitsPerLong = sizeof(unsigned long) * 8;
    return (bits[bit / kBitsPerLong] >> (bit % kBitsPerLong)) & 1UL;
}

class EventReader {
public:
    EventReader(std::vector<Watched> devices, FILE* out)
        : devices_(std::move(devices))
        , out_(out)
    {
    }

    // Opens the watched devices that are not open yet; logs every node it has
    // not seen before, watched or not, so a wrong name is easy to spot.
    void scan()
    {
        DIR* dir = ::opendir("/dev/input");
        if (!dir)
            return;
        while (dirent* entry = ::readdir(dir)) {
            if (std::strncmp(entry->d_name, "event", 5) != 0)
                continue;
            const std::string node = std::string("/dev/input/") + entry->d_name;
            if (openNodes_.count(node))
                continue;
            const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                continue;
            const std::string name = deviceName(fd);
            if (!logged_.count(node + "\n" + name)) {
                logged_.insert(node + "\n" + name);
                std::printf("event-reader: %s is \"%s\"\n", node.c_str(), name.c_str());
                std::fflush(stdout);
            }
            Watched* match = nullptr;
            for (Watched& w : devices_)
                if (w.fd < 0 && w.name == name)
                    match = &w;
            if (!match) {
                ::close(fd);
                continue;
            }
            match->fd = fd;
            match->node = node;
            openNodes_.insert(node);
            std::fprintf(out_, "device %s %s\n", match->label.c_str(), node.c_str());
            writeAbsInfo(*match);
            std::fflush(out_);
            std::printf("event-reader: recording %s (%s) from %s\n", match->label.c_str(), name.c_str(), node.c_str());
            std::fflush(stdout);
        }
        ::closedir(dir);
    }

    bool allOpen() const
    {
        for (const Watched& w : devices_)
            if (w.fd < 0)
                return false;
        return true;
    }

    void reportMissing() const
    {
        for (const Watched& w : devices_)
            if (w.fd < 0)
                std::printf("event-reader: no device named \"%s\" (%s)\n", w.name.c_str(), w.label.c_str());
        std::fflush(stdout);
    }

    // Waits up to ms for events and records them.
    void pump(int ms)
    {
        std::vector<pollfd> fds;
        std::vector<Watched*> owners;
        for (Watched& w : devices_)
            if (w.fd >= 0) {
                fds.push_back({ w.fd, POLLIN, 0 });
                owners.push_back(&w);
            }
        const int n = ::poll(fds.data(), fds.size(), ms);
        if (n <= 0)
            return;
        for (size_t i = 0; i < fds.size(); ++i)
            if (fds[i].revents)
                drain(*owners[i]);
    }

    void finish()
    {
        for (Watched& w : devices_) {
            if (w.fd >= 0)
                drain(w);
            std::printf("event-reader: %s: %ld events\n", w.label.c_str(), w.events);
        }
        std::fflush(stdout);
        std::fflush(out_);
    }

private:
    void writeAbsInfo(const Watched& w)
    {
        unsigned long bits[(ABS_CNT + sizeof(unsigned long) * 8 - 1) / (sizeof(unsigned long) * 8)] = {};
        if (::ioctl(w.fd, EVIOCGBIT(EV_ABS, sizeof bits), bits) < 0)
            return;
        for (int code = 0; code < ABS_CNT; ++code) {
            input_absinfo info {};
            if (hasBit(bits, code) && ::ioctl(w.fd, EVIOCGABS(code), &info) == 0)
                std::fprintf(out_, "absinfo %s %d %d %d\n", w.label.c_str(), code, info.minimum, info.maximum);
        }
    }

    void drain(Watched& w)
    {
        input_event ev[64];
        for (;;) {
            const ssize_t n = ::read(w.fd, ev, sizeof ev);
            if (n < 0 && errno == EAGAIN)
                break;
            if (n <= 0) {
                // The device went away; look for it again on the next scan.
                std::printf("event-reader: %s (%s) disappeared\n", w.label.c_str(), w.node.c_str());
                std::fflush(stdout);
                std::fprintf(out_, "gone %s\n", w.label.c_str());
                ::close(w.fd);
                openNodes_.erase(w.node);
                w.fd = -1;
                break;
            }
            for (size_t i = 0; i < static_cast<size_t>(n) / sizeof ev[0]; ++i) {
                std::fprintf(out_, "event %s %u %u %d\n", w.label.c_str(), ev[i].type, ev[i].code, ev[i].value);
                ++w.events;
            }
        }
        std::fflush(out_);
    }

    std::vector<Watched> devices_;
    FILE* out_;
    std::set<std::string> openNodes_;
    std::set<std::string> logged_;
};

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: event-reader --device LABEL=NAME ... --out FILE [--ready-file FILE] [--wait-ms N]\n");
    std::exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<Watched> devices;
    std::string outPath, readyPath;
    int waitMs = 15000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc)
            usage();
        const std::string v = argv[++i];
        if (a == "--device") {
            const auto eq = v.find('=');
            if (eq == std::string::npos || eq == 0)
                usage();
            Watched w;
            w.label = v.substr(0, eq);
            w.name = v.substr(eq + 1);
            devices.push_back(w);
        } else if (a == "--out")
            outPath = v;
        else if (a == "--ready-file")
            readyPath = v;
        else if (a == "--wait-ms")
            waitMs = std::atoi(v.c_str());
        else
            usage();
    }
    if (devices.empty() || outPath.empty())
        usage();
    FILE* out = std::fopen(outPath.c_str(), "w");
    if (!out) {
        std::fprintf(stdout, "event-reader: cannot write %s\n", outPath.c_str());
        return 1;
    }
    std::signal(SIGTERM, [](int) { stopRequested = true; });
    std::signal(SIGINT, [](int) { stopRequested = true; });

    EventReader reader(std::move(devices), out);
    const auto start = std::chrono::steady_clock::now();
    bool ready = false;
    while (!stopRequested) {
        reader.scan();
        if (!ready) {
            const bool late = std::chrono::steady_clock::now() - start > std::chrono::milliseconds(waitMs);
            if (reader.allOpen() || late) {
                if (!reader.allOpen())
                    reader.reportMissing();
                if (!readyPath.empty())
                    std::fclose(std::fopen(readyPath.c_str(), "w"));
                std::puts("event-reader: ready");
                std::fflush(stdout);
                ready = true;
            }
        }
        reader.pump(50);
    }
    reader.finish();
    std::fclose(out);
    return 0;
}
