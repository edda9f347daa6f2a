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
#include "e2e.h"

#include <poll.h>

#include <algorithm>
#include <set>

using namespace e2e;

namespace {

struct Watched {
    std::string label, name;
    std::string node{};
    int fd = -1;
    long events = 0;
};

class EventReader {
public:
    EventReader(std::vector<Watched> devices, FILE* out) : devices_(std::move(devices)), out_(out) {}

    // Opens the watched devices that are not open yet; logs every node it has
    // not seen before, watched or not, so a wrong name is easy to spot.
    void scan()
    {
        eachEventNode([this](const std::string& node, int fd) {
            const std::string name = nodeText(fd);
            if (seen_.insert(node + "\n" + name).second) say("%s is \"%s\"", node.c_str(), name.c_str());
            for (Watched& w : devices_)
                if (w.fd < 0 && w.name == name && !isOpen(node)) {
                    w.fd = fd;
                    w.node = node;
                    std::fprintf(out_, "device %s %s\n", w.label.c_str(), node.c_str());
                    writeAbsInfo(w);
                    say("recording %s (%s) from %s", w.label.c_str(), name.c_str(), node.c_str());
                    return true;
                }
            return false;
        });
    }

    bool allOpen() const { return std::all_of(devices_.begin(), devices_.end(), [](auto& w) { return w.fd >= 0; }); }

    void reportMissing() const
    {
        for (const Watched& w : devices_)
            if (w.fd < 0) say("no device named \"%s\" (%s)", w.name.c_str(), w.label.c_str());
    }

    // Waits up to ms for events and records them.
    void pump(int ms)
    {
        std::vector<pollfd> fds;
        for (const Watched& w : devices_) fds.push_back({w.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), ms) > 0)
            for (size_t i = 0; i < fds.size(); ++i)
                if (fds[i].revents) drain(devices_[i]);
    }

    void finish()
    {
        for (Watched& w : devices_) {
            if (w.fd >= 0) drain(w);
            say("%s: %ld events", w.label.c_str(), w.events);
        }
    }

private:
    bool isOpen(const std::string& node) const
    {
        return std::any_of(devices_.begin(), devices_.end(), [&](auto& w) { return w.fd >= 0 && w.node == node; });
    }

    void writeAbsInfo(const Watched& w)
    {
        uint64_t bits[(ABS_CNT + 63) / 64] = {};
        ::ioctl(w.fd, EVIOCGBIT(EV_ABS, sizeof bits), bits);
        for (int code = 0; code < ABS_CNT; ++code) {
            input_absinfo info{};
            if ((bits[code / 64] >> (code % 64) & 1) && ::ioctl(w.fd, EVIOCGABS(code), &info) == 0)
                std::fprintf(out_, "absinfo %s %d %d %d\n", w.label.c_str(), code, info.minimum, info.maximum);
        }
    }

    void drain(Watched& w)
    {
        std::vector<input_event> events;
        const bool gone = !readEvents(w.fd, events);
        for (const input_event& e : events)
            std::fprintf(out_, "event %s %u %u %d\n", w.label.c_str(), e.type, e.code, e.value);
        w.events += static_cast<long>(events.size());
        if (gone) { // look for it again on the next scan
            say("%s (%s) disappeared", w.label.c_str(), w.node.c_str());
            std::fprintf(out_, "gone %s\n", w.label.c_str());
            ::close(w.fd);
            w.fd = -1;
        }
        std::fflush(out_);
    }

    std::vector<Watched> devices_;
    FILE* out_;
    std::set<std::string> seen_;
};

} // namespace

int main(int argc, char** argv)
{
    program = "event-reader";
    const Options options(argc, argv, "--device LABEL=NAME ... --out FILE [--ready-file FILE] [--wait-ms N]");
    std::vector<Watched> devices;
    for (const std::string& d : options.all("device"))
        if (const auto eq = d.find('='); eq != std::string::npos && eq > 0)
            devices.push_back({d.substr(0, eq), d.substr(eq + 1)});
    FILE* out = std::fopen(options.text("out").c_str(), "w");
    if (devices.empty() || !out) fail("no --device LABEL=NAME, or cannot write --out " + options.text("out"));
    stopOnSignals();

    EventReader reader(std::move(devices), out);
    const auto late = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.number("wait-ms", 15000));
    for (bool ready = false; !stopRequested;) {
        reader.scan();
        if (!ready && (reader.allOpen() || std::chrono::steady_clock::now() > late)) {
            reader.reportMissing();
            if (!options.text("ready-file").empty()) touch(options.text("ready-file"));
            say("ready");
            ready = true;
        }
        reader.pump(50);
    }
    reader.finish();
    std::fclose(out);
    return 0;
}
