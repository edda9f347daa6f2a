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
#include <initializer_list>
#include <tuple>

using namespace e2e;

namespace {

constexpr int kSide = 800; // the offscreen display the real driver sees is 800 x 800

class Uinput {
public:
    Uinput(const char* name, std::initializer_list<int> keys, bool pen)
    {
        if ((fd_ = ::open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0)
            fail(failed("cannot open /dev/uinput"));
        ::ioctl(fd_, UI_SET_EVBIT, EV_KEY);
        for (int k : keys) ::ioctl(fd_, UI_SET_KEYBIT, k);
        uinput_setup setup{};
        setup.id.bustype = BUS_VIRTUAL;
        std::snprintf(setup.name, sizeof setup.name, "%s", name);
        if (pen) {
            ::ioctl(fd_, UI_SET_EVBIT, EV_ABS);
            ::ioctl(fd_, UI_SET_PROPBIT, INPUT_PROP_DIRECT);
            for (auto [code, maximum] : {std::pair{ABS_X, kSide - 1}, {ABS_Y, kSide - 1}, {ABS_PRESSURE, 65535}}) {
                uinput_abs_setup abs{};
                abs.code = static_cast<uint16_t>(code);
                abs.absinfo.maximum = maximum;
                ::ioctl(fd_, UI_ABS_SETUP, &abs);
            }
        }
        if (::ioctl(fd_, UI_DEV_SETUP, &setup) < 0 || ::ioctl(fd_, UI_DEV_CREATE) < 0)
            fail(failed("cannot create uinput device"));
        say("created uinput device \"%s\"", name);
    }
    ~Uinput()
    {
        ::ioctl(fd_, UI_DEV_DESTROY);
        ::close(fd_);
    }
    void emit(int type, int code, int value)
    {
        input_event ev{};
        ev.type = static_cast<uint16_t>(type);
        ev.code = static_cast<uint16_t>(code);
        ev.value = value;
        if (::write(fd_, &ev, sizeof ev) != static_cast<ssize_t>(sizeof ev)) fail("uinput write failed");
    }
    void sync() { emit(EV_SYN, SYN_REPORT, 0); }

private:
    int fd_ = -1;
};

class Probe {
public:
    explicit Probe(std::vector<int> area) : area_(area.empty() ? std::vector<int>{0, 0, kSide, kSide} : area) {}

    // Reads the tablet at node until it is unplugged (true) or a stop is requested.
    bool serve(const std::string& node, uint16_t vendor, uint16_t product)
    {
        const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
        hidraw_devinfo info{};
        if (fd < 0 || ::ioctl(fd, HIDIOCGRAWINFO, &info) < 0) fail(failed("cannot open " + node));
        say("%s: bus %u vendor %04x product %04x", node.c_str(), info.bustype, static_cast<uint16_t>(info.vendor),
            static_cast<uint16_t>(info.product));
        if (static_cast<uint16_t>(info.vendor) != vendor || static_cast<uint16_t>(info.product) != product)
            fail("wrong ids");
        char phys[256] = {};
        ::ioctl(fd, HIDIOCGRAWPHYS(sizeof phys - 1), phys);
        const int grabbed = openEventNodeAt(phys);
        if (grabbed < 0 || ::ioctl(grabbed, EVIOCGRAB, 1) < 0) fail(failed(std::string("cannot grab ") + phys));
        uint8_t mode[3] = {0x02, 0x10, 0x01};
        if (::ioctl(fd, HIDIOCSFEATURE(sizeof mode), mode) < 0) fail(failed("HIDIOCSFEATURE failed"));
        say("tablet connected (stand-in)");
        long reports = 0;
        uint8_t r[64];
        for (pollfd p{fd, POLLIN, 0}; !stopRequested;) {
            if (::poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = ::read(fd, r, sizeof r);
            if (n <= 0) break; // unplugged
            if (r[0] != 2) continue; // the standard collection's
            if (n != 32) fail("report of " + std::to_string(n) + " bytes");
            ++reports;
            translate(r);
        }
        ::close(grabbed);
        ::close(fd);
        if (stopRequested) return false;
        say("read %ld reports; tablet removed - cleaned up references (stand-in)", reports);
        return true;
    }

private:
    void translate(const uint8_t* r)
    {
        const uint8_t status = r[1];
        if (status == 0xE0) { // stand-in shortcuts: key 1 is Ctrl+X, key 3 is Shift+A
            const int key = r[4] | (r[5] << 8);
            for (auto [number, modifier, code] : {std::tuple{1, KEY_LEFTCTRL, KEY_X}, {3, KEY_LEFTSHIFT, KEY_A}})
                if (key == number || (key == 0 && heldKey_ == number)) {
                    keys_.emit(EV_KEY, key ? modifier : code, key != 0);
                    keys_.emit(EV_KEY, key ? code : modifier, key != 0);
                    keys_.sync();
                }
            heldKey_ = key;
            return;
        }
        const bool inRange = status != 0x00, tip = status == 0xC1;
        if ((status == 0xC2) != button_) {
            button_ = !button_;
            keys_.emit(EV_KEY, BTN_RIGHT, button_);
            keys_.sync();
        }
        if (inRange != inRange_) pen_.emit(EV_KEY, BTN_TOOL_PEN, inRange);
        if (inRange) {
            const int x = ((r[1] >> 7) | (r[2] << 1) | (r[3] << 9)) & 0xFFFF;
            const int y = ((r[3] >> 7) | (r[4] << 1) | (r[5] << 9)) & 0xFFFF;
            const int pressure = r[6] | (r[7] << 8);
            pen_.emit(EV_ABS, ABS_X, area_[0] + x * (area_[2] - 1) / 65535);
            pen_.emit(EV_ABS, ABS_Y, area_[1] + y * (area_[3] - 1) / 65535);
            pen_.emit(EV_ABS, ABS_PRESSURE, tip ? std::min(pressure, 8192) * 65535 / 8192 : 0);
        }
        if (tip != tip_) pen_.emit(EV_KEY, BTN_TOUCH, tip);
        pen_.sync();
        inRange_ = inRange;
        tip_ = tip;
    }

    const std::vector<int> area_;
    Uinput pen_{"e2e probe pen", {BTN_TOOL_PEN, BTN_TOUCH}, true};
    Uinput keys_{"e2e probe keys", {KEY_LEFTCTRL, KEY_LEFTSHIFT, KEY_X, KEY_A, BTN_LEFT, BTN_RIGHT}, false};
    bool inRange_ = false, tip_ = false, button_ = false;
    int heldKey_ = 0;
};

// The hidraw node of the HID device with these ids, and that device's own
// path, new for every plug-in. The HID device's uevent names bus, vendor and
// product; a uhid device has no USB parent to ask instead.
std::pair<std::string, std::string> findNode(uint16_t vendor, uint16_t product)
{
    char want[32];
    std::snprintf(want, sizeof want, "HID_ID=0003:%08X:%08X", vendor, product);
    std::pair<std::string, std::string> found;
    DIR* dir = ::opendir("/sys/class/hidraw");
    while (dirent* entry = dir ? ::readdir(dir) : nullptr) {
        const std::string link = std::string("/sys/class/hidraw/") + entry->d_name + "/device";
        char device[4096] = {};
        if (slurp(link + "/uevent").find(want) != std::string::npos && ::realpath(link.c_str(), device))
            found = {std::string("/dev/") + entry->d_name, device};
    }
    if (dir) ::closedir(dir);
    return found;
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
    while (!stopRequested) {
        const auto [node, device] = findNode(vendor, product);
        if (node.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        say("%s uevent:\n%s", device.c_str(), slurp(device + "/uevent").c_str());
        if (!probe.serve(node, vendor, product)) break;
        // The old device may linger for a moment after the unplug.
        while (!stopRequested && findNode(vendor, product).second == device)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    say("stopped");
    return 0;
}
