// A virtual pen tablet on the kernel's uhid interface, for the end-to-end
// test in a virtual machine. The kernel turns it into a real hidraw node with
// the given USB vendor and product id, so the driver finds and opens it the
// way it opens the real tablet; its standard mouse collection also gets an
// event node, as a real tablet's does, which the driver must take for
// exclusive use.
//
//   virtual-tablet --sync DIR [--vendor ID] [--product ID] [--out FILE]
//
// It answers every feature report (the mode command) and records it, plays a
// fixed script of pen and key reports, unplugs, plugs in again, waits for the
// mode command once more and plays a short hover. At the end of each
// connection it sends mouse reports and counts what its own reader of the
// event node got: nothing while the driver holds the node. It steps with the
// caller through files in DIR: it plays once DIR/reader.ready exists; after
// the first unplug it creates DIR/unplugged and plugs in again once
// DIR/replug exists; after the second connection's reports it creates
// DIR/played and, once DIR/driver.stopped exists, sends mouse reports once
// more and unplugs. The --out file gets one line per fact; what it declared on
// each plug-in and the reports it sent are in a recording's own notation:
//   header <connection> R: <descriptor length> <hex bytes>
//   header <connection> N: <name>
//   header <connection> P: <physical path>
//   header <connection> I: <bus> <vendor> <product>
//   mode <connection> <hex bytes>
//   report <connection> <length> <hex bytes>   each report sent while the driver runs
//   grab <connection> <driver|no-driver> <motion events read, or -1 without a node>
#include "e2e.h"

#include <linux/uhid.h>
#include <poll.h>

#include <algorithm>
#include <functional>

using namespace e2e;

namespace {

const uint8_t kDescriptor[] = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, // generic desktop, mouse, application, report id 1
    0x09, 0x01, 0xA1, 0x00,                         //   pointer, physical
    0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, //     buttons 1 to 3, 0 or 1,
    0x25, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02, //     one bit each, input (data, variable, absolute)
    0x95, 0x05, 0x81, 0x03,                         //     five bits of padding
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, //     x and y, -127 to 127,
    0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, //     a byte each, input (data, variable, relative)
    0xC0, 0xC0,                                     //   end, end
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,       // vendor page 0xFF00, usage 1, application
    0x85, 0x02, 0x09, 0x01, 0x15, 0x00, 0x26, 0xFF, //   report id 2, usage 1, 0 to 255,
    0x00, 0x75, 0x08, 0x95, 0x1F, 0x81, 0x02,       //   31 bytes of input
    0x09, 0x02, 0x95, 0x02, 0xB1, 0x02,             //   usage 2, 2 bytes of feature (the mode command)
    0xC0,                                           // end
};

constexpr uint8_t kOutOfRange = 0x00, kHover = 0xC0, kTip = 0xC1, kStylusButton1 = 0xC2, kHardwareKey = 0xE0;
constexpr int kTimeoutMs = 20000, kIntervalMs = 6; // for anything awaited; between two reports

using Report = std::vector<uint8_t>;
const Report kMouseMotion = {0x01, 0x00, 5, 3}; // report 1: no button, 5 right, 3 down

// Position bits as the tablet packs them: x's lowest bit is bit 7 of the
// status byte, the rest follows shifted up by one bit; y likewise after x.
// The status wins, so x's lowest bit is whatever the status says.
Report penReport(uint8_t status, uint16_t x, uint16_t y, uint16_t pressure)
{
    x = static_cast<uint16_t>((x & ~1u) | (status >> 7));
    Report r(32, 0);
    r[0] = 2;
    r[1] = status;
    r[2] = static_cast<uint8_t>(x >> 1);
    r[3] = static_cast<uint8_t>(((x >> 9) & 0x7F) | ((y & 1) << 7));
    r[4] = static_cast<uint8_t>(y >> 1);
    r[5] = static_cast<uint8_t>((y >> 9) & 0x7F);
    r[6] = static_cast<uint8_t>(pressure & 0xFF);
    r[7] = static_cast<uint8_t>(pressure >> 8);
    return r;
}

// count reports from one point to another, every value moving in a straight line.
std::vector<Report> linear(uint8_t status, int count, int x0, int x1, int y0, int y1, int p0, int p1)
{
    std::vector<Report> s;
    for (int i = 0; i < count; ++i) {
        const double t = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
        auto at = [t](int a, int b) { return static_cast<uint16_t>(a + (b - a) * t + 0.5); };
        s.push_back(penReport(status, at(x0, x1), at(y0, y1), at(p0, p1)));
    }
    return s;
}

std::string hex(const uint8_t* data, size_t size)
{
    std::string s;
    for (char b[4]; size--; s += b) std::snprintf(b, sizeof b, s.empty() ? "%02x" : " %02x", *data++);
    return s;
}

class VirtualTablet {
public:
    explicit VirtualTablet(const Options& o)
        : vendor_(static_cast<uint16_t>(o.number("vendor", 0x3f1d)))
        , product_(static_cast<uint16_t>(o.number("product", 0x0a31)))
        , sync_(o.text("sync", "."))
        , out_(std::fopen(o.text("out", "/dev/null").c_str(), "w"))
    {
        if (!out_) fail(failed("cannot write " + o.text("out")));
        std::setvbuf(out_, nullptr, _IOLBF, 0);
    }

    void plugIn()
    {
        ++connection_;
        modeCommands_ = 0;
        if ((fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC)) < 0) fail(failed("cannot open /dev/uhid"));
        uhid_event ev{};
        ev.type = UHID_CREATE2;
        auto& c = ev.u.create2;
        std::snprintf(reinterpret_cast<char*>(c.name), sizeof c.name, "e2e virtual tablet");
        std::snprintf(reinterpret_cast<char*>(c.phys), sizeof c.phys, "%s", phys().c_str());
        c.rd_size = sizeof kDescriptor;
        c.bus = BUS_USB;
        c.vendor = vendor_;
        c.product = product_;
        std::memcpy(c.rd_data, kDescriptor, sizeof kDescriptor);
        send(ev);
        say("plugged in as %04x:%04x (connection %d)", vendor_, product_, connection_);
        const int n = connection_;
        std::fprintf(out_, "header %d R: %zu %s\nheader %d N: %s\nheader %d P: %s\nheader %d I: %x %04x %04x\n", n,
                     sizeof kDescriptor, hex(kDescriptor, sizeof kDescriptor).c_str(), n, c.name, n, c.phys, n, c.bus,
                     vendor_, product_);
        waitUntil("mode command (connection " + std::to_string(connection_) + ")", [this] { return modeCommands_; });
    }

    void unplug()
    {
        uhid_event ev{};
        ev.type = UHID_DESTROY;
        send(ev);
        ::close(fd_);
        fd_ = -1;
        say("unplugged (connection %d, %d mode command(s))", connection_, modeCommands_);
    }

    // Says the caller may go on with what created done (if any), and waits for next.
    void step(const std::string& done, const std::string& next)
    {
        if (!done.empty()) touch(sync_ + "/" + done);
        const std::string path = sync_ + "/" + next;
        waitUntil(path, [&path] { return ::access(path.c_str(), F_OK) == 0; });
    }

    // Sends the reports one by one, serving the kernel in between.
    void play(const std::vector<Report>& script, const char* what, bool driverRuns = true)
    {
        for (const Report& r : script) {
            uhid_event ev{};
            ev.type = UHID_INPUT2;
            ev.u.input2.size = static_cast<uint16_t>(r.size());
            std::memcpy(ev.u.input2.data, r.data(), r.size());
            send(ev);
            const std::string bytes = hex(r.data(), r.size());
            if (driverRuns) std::fprintf(out_, "report %d %zu %s\n", connection_, r.size(), bytes.c_str());
            serve(kIntervalMs);
        }
        say("played %s: %zu reports (connection %d)", what, script.size(), connection_);
    }

    // Mouse reports, and the motion events a reader of the kernel's event node
    // got. Four of them, so that the driver, which takes pen reports in fours,
    // keeps its step.
    void probeGrab(bool driverRuns)
    {
        const int fd = openEventNodeAt(phys());
        play(std::vector<Report>(4, kMouseMotion), "mouse reports", driverRuns);
        serve(100);
        std::vector<input_event> events;
        long motion = -1;
        if (fd >= 0 && readEvents(fd, events))
            motion = std::count_if(events.begin(), events.end(), [](const input_event& e) { return e.type == EV_REL; });
        if (fd >= 0) ::close(fd);
        say("its event node's reader got %ld motion events (connection %d)", motion, connection_);
        std::fprintf(out_, "grab %d %s %ld\n", connection_, driverRuns ? "driver" : "no-driver", motion);
    }

    // Handles kernel requests for ms milliseconds.
    void serve(int ms)
    {
        using namespace std::chrono;
        for (const auto end = steady_clock::now() + milliseconds(ms); steady_clock::now() < end;) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(duration_cast<milliseconds>(end - steady_clock::now()).count()) + 1) > 0)
                handleOne();
        }
    }

private:
    std::string phys() const { return "e2e/connection" + std::to_string(connection_); }

    void waitUntil(const std::string& what, const std::function<bool()>& done)
    {
        for (int waited = 0; !done(); waited += 20) {
            if (waited > kTimeoutMs) fail("no " + what + " within " + std::to_string(kTimeoutMs) + " ms");
            serve(20);
        }
    }

    void handleOne()
    {
        uhid_event ev{}, reply{};
        if (::read(fd_, &ev, sizeof ev) < 0) fail(failed("read /dev/uhid"));
        if (ev.type == UHID_SET_REPORT) {
            const auto& req = ev.u.set_report;
            ++modeCommands_;
            const std::string bytes = hex(req.data, req.size);
            say("set report %u (type %u): %s (connection %d)", req.rnum, req.rtype, bytes.c_str(), connection_);
            std::fprintf(out_, "mode %d %s\n", connection_, bytes.c_str());
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = req.id;
            send(reply);
        } else if (ev.type == UHID_GET_REPORT) { // nothing to read back: refuse, as a device would
            reply.type = UHID_GET_REPORT_REPLY;
            reply.u.get_report_reply.id = ev.u.get_report.id;
            reply.u.get_report_reply.err = EIO;
            send(reply);
        }
    }

    void send(const uhid_event& ev)
    {
        if (::write(fd_, &ev, sizeof ev) != static_cast<ssize_t>(sizeof ev)) fail(failed("write /dev/uhid"));
    }

    const uint16_t vendor_, product_;
    const std::string sync_;
    FILE* const out_;
    int fd_ = -1;
    int connection_ = 0;
    int modeCommands_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    program = "virtual-tablet";
    VirtualTablet tablet(Options(argc, argv, "--sync DIR [--vendor ID] [--product ID] [--out FILE]"));
    // The decoder acts on every fourth pen report only, so each phase is long
    // enough to be seen several times. Key reports are acted on at once.
    tablet.plugIn();
    tablet.step("", "reader.ready");
    tablet.serve(200); // let the driver settle after the mode command
    tablet.play(linear(kHover, 16, 20001, 23001, 30000, 30000, 0, 0), "hover in");
    tablet.play(linear(kTip, 24, 23001, 31001, 30000, 33000, 2400, 7600), "stroke, pressure rising");
    tablet.play(linear(kTip, 24, 31001, 39001, 33000, 36000, 7600, 2400), "and falling");
    tablet.play(linear(kHover, 16, 39001, 41001, 36000, 36000, 0, 0), "lifted, hovering");
    tablet.play(linear(kStylusButton1, 8, 41001, 41001, 36000, 36000, 0, 0), "stylus button 1");
    tablet.play(linear(kHover, 8, 41001, 41001, 36000, 36000, 0, 0), "released");
    // A key report says which key is down (from 1; 0: none) where y's upper bits are.
    for (int key : {1, 0, 3, 0}) { // a human presses keys slower than the pen reports
        tablet.play(linear(kHardwareKey, 1, 0, 0, key << 1, 0, 0, 0), key ? "key press" : "key release");
        tablet.serve(100);
    }
    tablet.play(linear(kOutOfRange, 8, 0, 0, 0, 0, 0, 0), "out of range");
    tablet.serve(300);
    // The standard collection's reports come with the pen out of range: the
    // driver reads them as pen reports too.
    tablet.probeGrab(true);
    tablet.unplug();

    tablet.step("unplugged", "replug");
    tablet.plugIn();
    tablet.serve(200);
    tablet.play(linear(kHover, 12, 30001, 32001, 20000, 21000, 0, 0), "short hover");
    tablet.play(linear(kOutOfRange, 8, 0, 0, 0, 0, 0, 0), "out of range");
    tablet.serve(300);
    tablet.probeGrab(true);
    tablet.step("played", "driver.stopped");
    tablet.probeGrab(false);
    tablet.unplug();
    say("done");
    return 0;
}
