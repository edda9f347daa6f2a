// Stands in for the driver when the harness checks itself (run.sh
// --self-test): it proves that the virtual machine gives a hidraw node with
// the tablet's ids, that a feature report reaches the virtual tablet, that
// its input reports can be read, that its event node can be taken for
// exclusive use, and that a uinput device's events reach the event reader. It
// translates reports the plain way (every report, no smoothing, no shortcuts
// document), enough for the same checker to judge it.
//
//   hid-probe [--vendor ID] [--product ID] [--area X,Y,W,H]    runs until SIGTERM
#include "e2e.h"

#include <linux/hidraw.h>
#include <linux/uinput.h>

#include <poll.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <tuple>

using namespace e2e;

namespace {

constexpr int kSide = 800; // the offscreen display the real driver sees is 800 x 800

// Makes a uinput device, which goes when the program ends.
int makeUinput(const char* name, std::initializer_list<int> keys, bool pen)
{
    const int fd = ::open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ::ioctl(fd, UI_SET_EVBIT, EV_KEY);
    for (int k : keys) ::ioctl(fd, UI_SET_KEYBIT, k);
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    std::snprintf(setup.name, sizeof setup.name, "%s", name);
    if (pen) {
        ::ioctl(fd, UI_SET_EVBIT, EV_ABS);
        ::ioctl(fd, UI_SET_PROPBIT, INPUT_PROP_DIRECT);
    }
    for (auto [code, maximum] : {std::pair{ABS_X, kSide - 1}, {ABS_Y, kSide - 1}, {ABS_PRESSURE, 65535}}) {
        uinput_abs_setup abs{};
        abs.code = static_cast<uint16_t>(code);
        abs.absinfo.maximum = maximum;
        if (pen) ::ioctl(fd, UI_ABS_SETUP, &abs);
    }
    if (::ioctl(fd, UI_DEV_SETUP, &setup) < 0 || ::ioctl(fd, UI_DEV_CREATE) < 0) fail(failed(name));
    say("created uinput device \"%s\"", name);
    return fd;
}

// Sends the events as one report: a SYN_REPORT follows them.
void emit(int fd, std::vector<std::array<int, 3>> events)
{
    std::vector<input_event> out;
    events.push_back({EV_SYN, SYN_REPORT, 0});
    for (auto [type, code, value] : events)
        out.push_back({{}, static_cast<uint16_t>(type), static_cast<uint16_t>(code), value});
    if (::write(fd, out.data(), out.size() * sizeof out[0]) < 0) fail(failed("uinput write failed"));
}

class Probe {
public:
    explicit Probe(std::vector<int> area) : area_(area.empty() ? std::vector<int>{0, 0, kSide, kSide} : area) {}

    // Takes the tablet's event node, sends the mode command and reads the
    // tablet until it is unplugged or a stop is requested.
    void serve(int fd, const std::string& phys)
    {
        const int grabbed = openEventNodeAt(phys);
        if (grabbed < 0 || ::ioctl(grabbed, EVIOCGRAB, 1) < 0) fail(failed("cannot grab the event node of " + phys));
        uint8_t r[64] = {0x02, 0x10, 0x01};
        if (::ioctl(fd, HIDIOCSFEATURE(3), r) < 0) fail(failed("HIDIOCSFEATURE failed"));
        say("tablet connected (stand-in)");
        long reports = 0;
        for (pollfd p{fd, POLLIN, 0}; !stopRequested;) {
            if (::poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = ::read(fd, r, sizeof r);
            if (n <= 0) { // unplugged
                say("read %ld reports; tablet removed - cleaned up references (stand-in)", reports);
                break;
            }
            if (r[0] != 2) continue; // the standard collection's
            if (n != 32) fail("report of " + std::to_string(n) + " bytes");
            ++reports;
            translate(r);
        }
        ::close(grabbed);
        ::close(fd);
    }

private:
    void translate(const uint8_t* r)
    {
        const uint8_t status = r[1];
        if (status == 0xE0) { // stand-in shortcuts: key 1 is Ctrl+X, key 3 is Shift+A
            const int key = r[4] | (r[5] << 8);
            for (auto [number, modifier, code] : {std::tuple{1, KEY_LEFTCTRL, KEY_X}, {3, KEY_LEFTSHIFT, KEY_A}})
                if (key == number || (key == 0 && heldKey_ == number))
                    emit(keys_, {{EV_KEY, key ? modifier : code, key != 0}, {EV_KEY, key ? code : modifier, key != 0}});
            heldKey_ = key;
            return;
        }
        const bool inRange = status != 0x00, tip = status == 0xC1;
        if ((status == 0xC2) != button_) emit(keys_, {{EV_KEY, BTN_RIGHT, button_ = !button_}});
        std::vector<std::array<int, 3>> pen;
        if (inRange != inRange_) pen.push_back({EV_KEY, BTN_TOOL_PEN, inRange_ = inRange});
        if (inRange) {
            const int x = ((r[1] >> 7) | (r[2] << 1) | (r[3] << 9)) & 0xFFFF;
            const int y = ((r[3] >> 7) | (r[4] << 1) | (r[5] << 9)) & 0xFFFF;
            pen.push_back({EV_ABS, ABS_X, area_[0] + x * (area_[2] - 1) / 65535});
            pen.push_back({EV_ABS, ABS_Y, area_[1] + y * (area_[3] - 1) / 65535});
            pen.push_back({EV_ABS, ABS_PRESSURE, tip ? std::min(r[6] | (r[7] << 8), 8192) * 65535 / 8192 : 0});
        }
        if (tip != tip_) pen.push_back({EV_KEY, BTN_TOUCH, tip_ = tip});
        emit(pen_, pen);
    }

    const std::vector<int> area_;
    const int pen_ = makeUinput("e2e probe pen", {BTN_TOOL_PEN, BTN_TOUCH}, true);
    const int keys_ = makeUinput("e2e probe keys", {KEY_LEFTCTRL, KEY_LEFTSHIFT, KEY_X, KEY_A, BTN_RIGHT}, false);
    bool inRange_ = false, tip_ = false, button_ = false;
    int heldKey_ = 0;
};

// Opens the hidraw node of the USB device with these ids whose physical path
// is not phys (that is the one unplugged last) and sets phys to its own; -1
// when there is none.
int openTablet(uint16_t vendor, uint16_t product, std::string& phys)
{
    for (int i = 0; i < 16; ++i) {
        const std::string node = "/dev/hidraw" + std::to_string(i);
        const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
        hidraw_devinfo info{};
        char p[256] = {};
        if (fd >= 0 && ::ioctl(fd, HIDIOCGRAWINFO, &info) == 0 && info.bustype == BUS_USB &&
            static_cast<uint16_t>(info.vendor) == vendor && static_cast<uint16_t>(info.product) == product &&
            ::ioctl(fd, HIDIOCGRAWPHYS(sizeof p - 1), p) >= 0 && p != phys) {
            say("%s: bus %u vendor %04x product %04x at %s", node.c_str(), info.bustype, vendor, product, p);
            phys = p;
            return fd;
        }
        if (fd >= 0) ::close(fd);
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    program = "hid-probe";
    const Options options(argc, argv, "[--vendor ID] [--product ID] [--area X,Y,W,H]");
    const auto vendor = static_cast<uint16_t>(options.number("vendor", 0x3f1d));
    const auto product = static_cast<uint16_t>(options.number("product", 0x0a31));
    stopOnSignals();
    Probe probe(area(options.text("area")));
    for (std::string phys; !stopRequested;) {
        if (const int fd = openTablet(vendor, product, phys); fd >= 0)
            probe.serve(fd, phys);
        else
            ::usleep(50000);
    }
    say("stopped");
    return 0;
}
