// Stands in for the driver when the harness checks itself (run.sh
// --self-test): it proves that the virtual machine gives a hidraw node with
// the tablet's ids, that a feature report reaches the virtual tablet, that
// its input reports can be read, and that a uinput device's events reach the
// event reader. It translates reports the plain way (every report, no
// smoothing, no shortcuts document), enough for the same checker to judge it.
//
//   hid-probe [--vendor ID] [--product ID] [--area X,Y,W,H]    runs until SIGTERM
#include <linux/hidraw.h>
#include <linux/uinput.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::atomic<bool> stopRequested { false };

constexpr int kWidth = 800; // the offscreen display the real driver sees
constexpr int kHeight = 800;

struct Area {
    int x = 0, y = 0, width = kWidth, height = kHeight;
};
Area area; // the display area the tablet maps onto

[[noreturn]] void fail(const std::string& why)
{
    std::printf("hid-probe: FAILED: %s\n", why.c_str());
    std::fflush(stdout);
    std::exit(1);
}

void say(const std::string& what)
{
    std::printf("hid-probe: %s\n", what.c_str());
    std::fflush(stdout);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Found {
    std::string node;   // /dev/hidrawN
    std::string device; // the HID device behind it, new for every plug-in
    std::string uevent;
};

// The HID device's own uevent names bus, vendor and product; a uhid device
// has no USB parent to ask instead.
Found findNode(uint16_t vendor, uint16_t product)
{
    char want[32];
    std::snprintf(want, sizeof want, "HID_ID=0003:%08X:%08X", vendor, product);
    DIR* dir = ::opendir("/sys/class/hidraw");
    if (!dir)
        return {};
    Found found;
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string uevent =
            readFile(std::string("/sys/class/hidraw/") + entry->d_name + "/device/uevent");
        if (uevent.find(want) != std::string::npos) {
            char device[4096] = {};
            const std::string link = std::string("/sys/class/hidraw/") + entry->d_name + "/device";
            if (::realpath(link.c_str(), device))
                found = { std::string("/dev/") + entry->d_name, device, uevent };
        }
    }
    ::closedir(dir);
    return found;
}

class Uinput {
public:
    Uinput(const char* name, std::initializer_list<int> keys, bool pen)
    {
        fd_ = ::open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            fail(std::string("cannot open /dev/uinput: ") + std::strerror(errno));
        ::ioctl(fd_, UI_SET_EVBIT, EV_KEY);
        for (int k : keys)
            ::ioctl(fd_, UI_SET_KEYBIT, k);
        uinput_setup setup {};
        setup.id.bustype = BUS_VIRTUAL;
        std::snprintf(setup.name, sizeof setup.name, "%s", name);
        if (pen) {
            ::ioctl(fd_, UI_SET_EVBIT, EV_ABS);
            ::ioctl(fd_, UI_SET_PROPBIT, INPUT_PROP_DIRECT);
            axis(ABS_X, kWidth - 1);
            axis(ABS_Y, kHeight - 1);
            axis(ABS_PRESSURE, 65535);
        }
        if (::ioctl(fd_, UI_DEV_SETUP, &setup) < 0 || ::ioctl(fd_, UI_DEV_CREATE) < 0)
            fail(std::string("cannot create uinput device: ") + std::strerror(errno));
        say(std::string("created uinput device \"") + name + "\"");
    }
    ~Uinput()
    {
        ::ioctl(fd_, UI_DEV_DESTROY);
        ::close(fd_);
    }
    void emit(int type, int code, int value)
    {
        input_event ev {};
        ev.type = static_cast<uint16_t>(type);
        ev.code = static_cast<uint16_t>(code);
        ev.value = value;
        if (::write(fd_, &ev, sizeof ev) != static_cast<ssize_t>(sizeof ev))
            fail("uinput write failed");
    }
    void sync() { emit(EV_SYN, SYN_REPORT, 0); }

private:
    void axis(int code, int maximum)
    {
        uinput_abs_setup abs {};
        abs.code = static_cast<uint16_t>(code);
        abs.absinfo.maximum = maximum;
        ::ioctl(fd_, UI_ABS_SETUP, &abs);
    }
    int fd_ = -1;
};

struct PenState {
    bool inRange = false;
    bool tip = false;
};

void translate(const uint8_t* r, PenState& s, Uinput& pen, Uinput& keys)
{
    const uint8_t status = r[1];
    if (status == 0xE0) {
        // Stand-in shortcuts: key 1 is Ctrl+X, key 3 is Shift+A.
        static int held = 0;
        const int key = r[4] | (r[5] << 8);
        auto chord = [&keys](int modifier, int code, int value) {
            if (value)
                keys.emit(EV_KEY, modifier, 1);
            keys.emit(EV_KEY, code, value);
            if (!value)
                keys.emit(EV_KEY, modifier, 0);
            keys.sync();
        };
        if (key == 1 || (key == 0 && held == 1))
            chord(KEY_LEFTCTRL, KEY_X, key != 0);
        if (key == 3 || (key == 0 && held == 3))
            chord(KEY_LEFTSHIFT, KEY_A, key != 0);
        held = key;
        return;
    }
    const bool inRange = status != 0x00;
    const bool tip = status == 0xC1;
    static bool button = false;
    if ((status == 0xC2) != button) {
        button = !button;
        keys.emit(EV_KEY, BTN_RIGHT, button);
        keys.sync();
    }
    if (inRange != s.inRange)
        pen.emit(EV_KEY, BTN_TOOL_PEN, inRange);
    if (inRange) {
        const int x = ((r[1] >> 7) | (r[2] << 1) | (r[3] << 9)) & 0xFFFF;
        const int y = ((r[3] >> 7) | (r[4] << 1) | (r[5] << 9)) & 0xFFFF;
        const int pressure = r[6] | (r[7] << 8);
        pen.emit(EV_ABS, ABS_X, area.x + x * (area.width - 1) / 65535);
        pen.emit(EV_ABS, ABS_Y, area.y + y * (area.height - 1) / 65535);
        pen.emit(EV_ABS, ABS_PRESSURE, tip ? std::min(pressure, 8192) * 65535 / 8192 : 0);
    }
    if (tip != s.tip)
        pen.emit(EV_KEY, BTN_TOUCH, tip);
    pen.sync();
    s.inRange = inRange;
    s.tip = tip;
}

void serve(const Found& found, uint16_t vendor, uint16_t product, Uinput& pen, Uinput& keys)
{
    const std::string& node = found.node;
    say(found.device + " uevent:\n" + found.uevent);
    const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        fail("cannot open " + node + ": " + std::strerror(errno));
    hidraw_devinfo info {};
    if (::ioctl(fd, HIDIOCGRAWINFO, &info) < 0)
        fail("HIDIOCGRAWINFO failed");
    char ids[96];
    std::snprintf(ids, sizeof ids, "%s: bus %u vendor %04x product %04x", node.c_str(), info.bustype,
                  static_cast<uint16_t>(info.vendor), static_cast<uint16_t>(info.product));
    say(ids);
    if (static_cast<uint16_t>(info.vendor) != vendor || static_cast<uint16_t>(info.product) != product)
        fail("wrong ids");
    uint8_t mode[3] = { 0x02, 0x10, 0x01 };
    if (::ioctl(fd, HIDIOCSFEATURE(sizeof mode), mode) < 0)
        fail(std::string("HIDIOCSFEATURE failed: ") + std::strerror(errno));
    say("tablet connected (stand-in)");
    PenState state;
    long reports = 0;
    uint8_t buf[64];
    while (!stopRequested) {
        pollfd p { fd, POLLIN, 0 };
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) // the tablet was unplugged
            break;
        if (n != 32)
            fail("report of " + std::to_string(n) + " bytes");
        ++reports;
        translate(buf, state, pen, keys);
    }
    ::close(fd);
    say("read " + std::to_string(reports) + " reports; tablet removed - cleaned up references (stand-in)");
}

} // namespace

int main(int argc, char** argv)
{
    uint16_t vendor = 0x3f1d, product = 0x0a31;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--vendor")
            vendor = static_cast<uint16_t>(std::strtoul(argv[i + 1], nullptr, 0));
        else if (a == "--product")
            product = static_cast<uint16_t>(std::strtoul(argv[i + 1], nullptr, 0));
        else if (a == "--area")
            std::sscanf(argv[i + 1], "%d,%d,%d,%d", &area.x, &area.y, &area.width, &area.height);
    }
    std::signal(SIGTERM, [](int) { stopRequested = true; });
    std::signal(SIGINT, [](int) { stopRequested = true; });
    Uinput pen("e2e probe pen", { BTN_TOOL_PEN, BTN_TOUCH }, true);
    Uinput keys("e2e probe keys", { KEY_LEFTCTRL, KEY_LEFTSHIFT, KEY_X, KEY_A, BTN_LEFT, BTN_RIGHT }, false);
    while (!stopRequested) {
        const Found found = findNode(vendor, product);
        if (found.node.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        serve(found, vendor, product, pen, keys);
        // The old device may linger for a moment after the unplug.
        while (!stopRequested && findNode(vendor, product).device == found.device)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    say("stopped");
    return 0;
}
