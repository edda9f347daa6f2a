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

std::vector<Watched> devices;
FILE* out;
std::set<std::string> seen;

// An axis the device does not have reads as the range 0 to 0.
void writeAbsInfo(const Watched& w)
{
    for (int code = 0; code < ABS_CNT; ++code)
        if (input_absinfo info{}; ::ioctl(w.fd, EVIOCGABS(code), &info) == 0 && info.maximum > info.minimum)
            std::fprintf(out, "absinfo %s %d %d %d\n", w.label.c_str(), code, info.minimum, info.maximum);
}

// Opens the watched devices that are not open yet; logs every node it has not
// seen before, watched or not, so a wrong name is easy to spot.
void scan()
{
    eachEventNode([](const std::string& node, int fd) {
        const std::string name = nodeText(fd);
        if (seen.insert(node + "\n" + name).second) say("%s is \"%s\"", node.c_str(), name.c_str());
        for (Watched& w : devices)
            if (w.fd < 0 && w.name == name) {
                w.fd = fd;
                w.node = node;
                std::fprintf(out, "device %s %s\n", w.label.c_str(), node.c_str());
                writeAbsInfo(w);
                say("recording %s (%s) from %s", w.label.c_str(), name.c_str(), node.c_str());
                return true;
            }
        return false;
    });
}

void drain(Watched& w)
{
    std::vector<input_event> events;
    const bool gone = !readEvents(w.fd, events);
    for (const input_event& e : events)
        std::fprintf(out, "event %s %u %u %d\n", w.label.c_str(), e.type, e.code, e.value);
    w.events += static_cast<long>(events.size());
    if (gone) { // look for it again on the next scan
        say("%s (%s) disappeared", w.label.c_str(), w.node.c_str());
        std::fprintf(out, "gone %s\n", w.label.c_str());
        ::close(w.fd);
        w.fd = -1;
    }
    std::fflush(out);
}

} // namespace

int main(int argc, char** argv)
{
    program = "event-reader";
    const Options options(argc, argv, "--device LABEL=NAME ... --out FILE [--ready-file FILE] [--wait-ms N]");
    for (const std::string& d : options.all("device"))
        if (const auto eq = d.find('='); eq != std::string::npos && eq > 0)
            devices.push_back({d.substr(0, eq), d.substr(eq + 1)});
    if (devices.empty() || !(out = std::fopen(options.text("out").c_str(), "w")))
        fail("no --device LABEL=NAME, or cannot write --out " + options.text("out"));
    stopOnSignals();
    const auto late = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.number("wait-ms", 15000));
    for (bool ready = false; !stopRequested;) {
        scan();
        const bool allOpen = std::all_of(devices.begin(), devices.end(), [](auto& w) { return w.fd >= 0; });
        if (!ready && (allOpen || std::chrono::steady_clock::now() > late)) {
            for (const Watched& w : devices)
                if (w.fd < 0) say("no device named \"%s\" (%s)", w.name.c_str(), w.label.c_str());
            if (!options.text("ready-file").empty()) touch(options.text("ready-file"));
            say("ready");
            ready = true;
        }
        std::vector<pollfd> fds;
        for (const Watched& w : devices) fds.push_back({w.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), 50) > 0)
            for (size_t i = 0; i < fds.size(); ++i)
                if (fds[i].revents) drain(devices[i]);
    }
    for (Watched& w : devices) {
        if (w.fd >= 0) drain(w);
        say("%s: %ld events", w.label.c_str(), w.events);
    }
    std::fclose(out);
    return 0;
}
