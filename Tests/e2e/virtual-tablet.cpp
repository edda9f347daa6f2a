// A virtual pen tablet on the kernel's uhid interface, for the end-to-end
// test in a virtual machine. The kernel turns it into a real hidraw node with
// the given USB vendor and product id, so the driver finds and opens it the
// way it opens the real tablet.
//
// It answers every feature report (the mode command) and records it, plays a
// fixed script of pen and key reports, unplugs, plugs in again, waits for the
// mode command once more and plays a short hover. With --wait-for it starts
// playing only once that file exists (the event reader is recording), so it
// can be plugged in before the driver starts. Everything it saw goes to
// stdout; the --out file gets, one per line, the descriptor it declared on
// each plug-in, the mode commands it received and the reports it sent:
//   plug <connection> <bus> <vendor> <product> <physical path> <name>
//   descriptor <connection> <hex bytes>
//   mode <connection> <hex bytes>
//   report <connection> <hex bytes>
#include <linux/uhid.h>

#include <poll.h>
#include <unistd.h>
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Vendor page, one 32-byte input report and one 3-byte feature report, both
// with report id 2 (the id is byte 0 of every report).
const uint8_t kDescriptor[] = {
    0x06, 0x00, 0xFF, // usage page (vendor 0xFF00)
    0x09, 0x01,       // usage 1
    0xA1, 0x01,       // collection (application)
    0x85, 0x02,       //   report id 2
    0x09, 0x01,       //   usage 1
    0x15, 0x00,       //   logical minimum 0
    0x26, 0xFF, 0x00, //   logical maximum 255
    0x75, 0x08,       //   report size 8
    0x95, 0x1F,       //   report count 31
    0x81, 0x02,       //   input (data, variable, absolute)
    0x09, 0x02,       //   usage 2
    0x95, 0x02,       //   report count 2
    0xB1, 0x02,       //   feature (data, variable, absolute)
    0xC0,             // end collection
};

constexpr uint8_t kReportID = 2;
constexpr uint8_t kOutOfRange = 0x00;
constexpr uint8_t kHover = 0xC0;
constexpr uint8_t kTip = 0xC1;
constexpr uint8_t kStylusButton1 = 0xC2;
constexpr uint8_t kHardwareKey = 0xE0;

struct Options {
    uint16_t vendor = 0x3f1d;
    uint16_t product = 0x0a31;
    int modeTimeoutMs = 20000;
    int reportIntervalMs = 6;
    std::string out;
    std::string waitFor; // play only once this file exists
};

using Report = std::vector<uint8_t>;

// Position bits as the tablet packs them: x's lowest bit is bit 7 of the
// status byte, the rest follows shifted up by one bit; y likewise after x.
// The status wins, so x's lowest bit is whatever the status says.
Report penReport(uint8_t status, uint16_t x, uint16_t y, uint16_t pressure)
{
    x = static_cast<uint16_t>((x & ~1u) | (status >> 7));
    Report r(32, 0);
    r[0] = kReportID;
    r[1] = status;
    r[2] = static_cast<uint8_t>(x >> 1);
    r[3] = static_cast<uint8_t>(((x >> 9) & 0x7F) | ((y & 1) << 7));
    r[4] = static_cast<uint8_t>(y >> 1);
    r[5] = static_cast<uint8_t>((y >> 9) & 0x7F);
    r[6] = static_cast<uint8_t>(pressure & 0xFF);
    r[7] = static_cast<uint8_t>(pressure >> 8);
    return r;
}

// Key number counted from 1; 0 means every key was released.
Report keyReport(uint16_t key)
{
    Report r(32, 0);
    r[0] = kReportID;
    r[1] = kHardwareKey;
    r[4] = static_cast<uint8_t>(key & 0xFF);
    r[5] = static_cast<uint8_t>(key >> 8);
    return r;
}

std::string hex(const uint8_t* data, size_t size)
{
    std::string s;
    char buf[4];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02x" : "%02x", data[i]);
        s += buf;
    }
    return s;
}

class VirtualTablet {
public:
    explicit VirtualTablet(const Options& options)
        : options_(options)
    {
        if (!options.out.empty()) {
            out_ = std::fopen(options.out.c_str(), "w");
            if (!out_)
                fail("cannot write " + options.out);
        }
    }

    ~VirtualTablet()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (out_)
            std::fclose(out_);
    }

    void plugIn()
    {
        ++connection_;
        modeCommands_ = 0;
        fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
        if (fd_ < 0)
            fail(std::string("cannot open /dev/uhid: ") + std::strerror(errno));
        uhid_event ev {};
        ev.type = UHID_CREATE2;
        std::snprintf(reinterpret_cast<char*>(ev.u.create2.name), sizeof ev.u.create2.name, "e2e virtual tablet");
        std::snprintf(reinterpret_cast<char*>(ev.u.create2.phys), sizeof ev.u.create2.phys, "e2e/connection%d",
                      connection_);
        ev.u.create2.rd_size = sizeof kDescriptor;
        ev.u.create2.bus = 0x03; // BUS_USB
        ev.u.create2.vendor = options_.vendor;
        ev.u.create2.product = options_.product;
        std::memcpy(ev.u.create2.rd_data, kDescriptor, sizeof kDescriptor);
        send(ev);
        log("plugged in as %04x:%04x (connection %d)", options_.vendor, options_.product, connection_);
        if (out_) {
            std::fprintf(out_, "plug %d %x %04x %04x %s %s\n", connection_, ev.u.create2.bus, options_.vendor,
                         options_.product, reinterpret_cast<const char*>(ev.u.create2.phys),
                         reinterpret_cast<const char*>(ev.u.create2.name));
            std::fprintf(out_, "descriptor %d %s\n", connection_, hex(kDescriptor, sizeof kDescriptor).c_str());
        }
    }

    void unplug()
    {
        uhid_event ev {};
        ev.type = UHID_DESTROY;
        send(ev);
        ::close(fd_);
        fd_ = -1;
        log("unplugged (connection %d, %d mode command(s))", connection_, modeCommands_);
    }

    // Serves the kernel until the first mode command of this connection.
    void waitForModeCommand()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.modeTimeoutMs);
        while (modeCommands_ == 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                fail("no mode command within " + std::to_string(options_.modeTimeoutMs) + " ms (connection " +
                     std::to_string(connection_) + ")");
            serve(static_cast<int>(std::min<long>(left.count(), 20)));
        }
    }

    // Serves the kernel until the file exists: someone else is ready too.
    void waitForFile(const std::string& path)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.modeTimeoutMs);
        while (::access(path.c_str(), F_OK) != 0) {
            if (std::chrono::steady_clock::now() > deadline)
                fail("no " + path + " within " + std::to_string(options_.modeTimeoutMs) + " ms");
            serve(20);
        }
    }

    // Sends the reports one by one, serving the kernel in between.
    void play(const std::vector<Report>& script, const char* what)
    {
        for (const Report& r : script) {
            uhid_event ev {};
            ev.type = UHID_INPUT2;
            ev.u.input2.size = static_cast<uint16_t>(r.size());
            std::memcpy(ev.u.input2.data, r.data(), r.size());
            send(ev);
            if (out_)
                std::fprintf(out_, "report %d %s\n", connection_, hex(r.data(), r.size()).c_str());
            serve(options_.reportIntervalMs);
        }
        if (out_)
            std::fflush(out_);
        log("played %s: %zu reports (connection %d)", what, script.size(), connection_);
    }

    void idle(int ms) { serve(ms); }

private:
    // Handles kernel requests for up to ms milliseconds.
    void serve(int ms)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p { fd_, POLLIN, 0 };
            const int n = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
            if (n < 0 && errno != EINTR)
                fail(std::string("poll: ") + std::strerror(errno));
            if (n > 0)
                handleOne();
            if (left.count() <= 0)
                return;
        }
    }

    void handleOne()
    {
        uhid_event ev {};
        const ssize_t n = ::read(fd_, &ev, sizeof ev);
        if (n < 0)
            fail(std::string("read /dev/uhid: ") + std::strerror(errno));
        switch (ev.type) {
        case UHID_START: log("kernel started the device"); break;
        case UHID_OPEN: log("opened by a reader"); break;
        case UHID_CLOSE: log("closed by its last reader"); break;
        case UHID_SET_REPORT: {
            const auto& req = ev.u.set_report;
            const std::string bytes = hex(req.data, req.size);
            ++modeCommands_;
            log("set report %u (type %u, %u bytes): %s (connection %d)", req.rnum, req.rtype, req.size,
                bytes.c_str(), connection_);
            if (out_) {
                std::fprintf(out_, "mode %d %s\n", connection_, bytes.c_str());
                std::fflush(out_);
            }
            uhid_event reply {};
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = req.id;
            reply.u.set_report_reply.err = 0;
            send(reply);
            break;
        }
        case UHID_GET_REPORT: {
            // Nothing to read back from this tablet: refuse, as a device would.
            log("get report %u refused", ev.u.get_report.rnum);
            uhid_event reply {};
            reply.type = UHID_GET_REPORT_REPLY;
            reply.u.get_report_reply.id = ev.u.get_report.id;
            reply.u.get_report_reply.err = EIO;
            send(reply);
            break;
        }
        case UHID_OUTPUT: log("output report ignored"); break;
        default: break;
        }
    }

    void send(const uhid_event& ev)
    {
        if (::write(fd_, &ev, sizeof ev) != static_cast<ssize_t>(sizeof ev))
            fail(std::string("write /dev/uhid: ") + std::strerror(errno));
    }

    [[gnu::format(printf, 2, 3)]] void log(const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        std::fprintf(stdout, "virtual-tablet: [%.2fs] ", t);
        std::vfprintf(stdout, format, args);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        va_end(args);
    }

    [[noreturn]] void fail(const std::string& why)
    {
        std::fprintf(stdout, "virtual-tablet: FAILED: %s\n", why.c_str());
        std::fflush(stdout);
        std::exit(1);
    }

    Options options_;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    FILE* out_ = nullptr;
    int fd_ = -1;
    int connection_ = 0;
    int modeCommands_ = 0;
};

void linear(std::vector<Report>& s, uint8_t status, int count, int x0, int x1, int y0, int y1, int p0, int p1)
{
    for (int i = 0; i < count; ++i) {
        const double t = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
        auto at = [t](int a, int b) { return static_cast<uint16_t>(a + (b - a) * t + 0.5); };
        s.push_back(penReport(status, at(x0, x1), at(y0, y1), at(p0, p1)));
    }
}

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "virtual-tablet: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--vendor")
            o.vendor = static_cast<uint16_t>(std::strtoul(value(), nullptr, 0));
        else if (a == "--product")
            o.product = static_cast<uint16_t>(std::strtoul(value(), nullptr, 0));
        else if (a == "--mode-timeout-ms")
            o.modeTimeoutMs = std::atoi(value());
        else if (a == "--interval-ms")
            o.reportIntervalMs = std::atoi(value());
        else if (a == "--out")
            o.out = value();
        else if (a == "--wait-for")
            o.waitFor = value();
        else {
            std::fprintf(stderr,
                         "usage: virtual-tablet [--vendor ID] [--product ID] [--mode-timeout-ms N] "
                         "[--interval-ms N] [--out FILE] [--wait-for FILE]\n");
            std::exit(2);
        }
    }
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    VirtualTablet tablet(options);

    // The decoder acts on every fourth pen report only, so each phase is long
    // enough to be seen several times. Key reports are acted on at once.
    std::vector<Report> hoverIn, stroke, button, keys, leave;
    linear(hoverIn, kHover, 16, 20001, 23001, 30000, 30000, 0, 0);
    linear(stroke, kTip, 24, 23001, 31001, 30000, 33000, 2400, 7600); // pressure rising
    linear(stroke, kTip, 24, 31001, 39001, 33000, 36000, 7600, 2400); // and falling
    linear(stroke, kHover, 16, 39001, 41001, 36000, 36000, 0, 0);     // lifted, hovering
    linear(button, kStylusButton1, 8, 41001, 41001, 36000, 36000, 0, 0);
    linear(button, kHover, 8, 41001, 41001, 36000, 36000, 0, 0);
    keys = { keyReport(1), keyReport(0), keyReport(3), keyReport(0) };
    linear(leave, kOutOfRange, 8, 0, 0, 0, 0, 0, 0);

    tablet.plugIn();
    tablet.waitForModeCommand();
    if (!options.waitFor.empty())
        tablet.waitForFile(options.waitFor);
    tablet.idle(200); // let the driver settle after the mode command
    tablet.play(hoverIn, "hover in");
    tablet.play(stroke, "stroke");
    tablet.play(button, "stylus button 1");
    for (const Report& k : keys) { // a human presses keys slower than the pen reports
        tablet.play({ k }, k[4] ? "key press" : "key release");
        tablet.idle(100);
    }
    tablet.play(leave, "out of range");
    tablet.idle(300);
    tablet.unplug();

    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    std::vector<Report> shortHover;
    linear(shortHover, kHover, 12, 30001, 32001, 20000, 21000, 0, 0);
    linear(shortHover, kOutOfRange, 8, 0, 0, 0, 0, 0, 0);
    tablet.plugIn();
    tablet.waitForModeCommand();
    tablet.idle(200);
    tablet.play(shortHover, "short hover");
    tablet.idle(300);
    tablet.unplug();
    std::puts("virtual-tablet: done");
    return 0;
}
