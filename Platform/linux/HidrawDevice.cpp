#include "HidrawDevice.h"

#include "SystemLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
constexpr size_t kMaxReport = 4096; // the kernel's largest HID report
}

HidrawDevice::HidrawDevice(int fd, std::string node) : fd_(fd), node_(std::move(node)) {}

HidrawDevice::~HidrawDevice()
{
    releaseGrabs();
    if (fd_ >= 0) ::close(fd_);
}

HidrawDevice* HidrawDevice::open(const std::string& node)
{
    const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    return fd < 0 ? nullptr : new HidrawDevice(fd, node);
}

int32_t HidrawDevice::sendFeatureReport(const uint8_t* data, size_t length)
{
    if (length == 0 || length > kMaxReport) return EINVAL;
    uint8_t buffer[kMaxReport];
    std::memcpy(buffer, data, length);
    return ::ioctl(fd_, HIDIOCSFEATURE(length), buffer) < 0 ? errno : 0;
}

int32_t HidrawDevice::sendOutputReport(const uint8_t* data, size_t length)
{
    const ssize_t n = ::write(fd_, data, length);
    if (n < 0) return errno;
    return static_cast<size_t>(n) == length ? 0 : EIO;
}

int32_t HidrawDevice::readInfo(HIDDeviceInfo& info) const
{
    int size = 0;
    if (::ioctl(fd_, HIDIOCGRDESCSIZE, &size) < 0) return errno;
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<uint32_t>(std::clamp(size, 0, HID_MAX_DESCRIPTOR_SIZE));
    if (::ioctl(fd_, HIDIOCGRDESC, &descriptor) < 0) return errno;
    hidraw_devinfo ids{};
    if (::ioctl(fd_, HIDIOCGRAWINFO, &ids) < 0) return errno;
    // The kernel leaves out the terminating zero of a text that fills the buffer.
    char name[256] = {};
    char phys[256] = {};
    if (::ioctl(fd_, HIDIOCGRAWNAME(sizeof name - 1), name) < 0) name[0] = '\0';
    if (::ioctl(fd_, HIDIOCGRAWPHYS(sizeof phys - 1), phys) < 0) phys[0] = '\0';
    info.reportDescriptor.assign(descriptor.value, descriptor.value + descriptor.size);
    info.bus = ids.bustype;
    info.vendorID = static_cast<uint16_t>(ids.vendor);
    info.productID = static_cast<uint16_t>(ids.product);
    info.name = name;
    info.physicalPath = phys;
    return 0;
}

HidrawDevice::Read HidrawDevice::readReport(uint8_t* buffer, size_t length, size_t* received)
{
    uint8_t report[kMaxReport];
    ssize_t n;
    do n = ::read(fd_, report, sizeof report);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Read::Again;
    if (n <= 0) return Read::Gone; // ENODEV when unplugged; end of file or another error: unusable too
    const size_t copied = std::min(static_cast<size_t>(n), length);
    std::memcpy(buffer, report, copied);
    std::memset(buffer + copied, 0, length - copied);
    *received = copied;
    return Read::Report;
}

int HidrawDevice::takeEventNode(const std::string& node)
{
    const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -errno;
    if (::ioctl(fd, EVIOCGRAB, 1) == 0) return fd;
    const int error = errno;
    ::close(fd);
    return -error;
}

int32_t HidrawDevice::grab(const std::vector<std::string>& eventNodes, const GrabAccess& access)
{
    int32_t firstError = 0;
    std::chrono::milliseconds waited{0};
    for (const std::string& node : eventNodes) {
        int fd = access.take(node);
        // A node that just appeared is root's until udev applies its rules.
        while ((fd == -EACCES || fd == -EPERM) && waited < kGrabPatience) {
            access.wait(kGrabRetryInterval);
            waited += kGrabRetryInterval;
            fd = access.take(node);
        }
        if (fd < 0) {
            BTLogWarn("-[HidrawDevice grab]", "could not take %s for exclusive use: %s", node.c_str(),
                      std::strerror(-fd));
            if (firstError == 0) firstError = -fd;
            continue;
        }
        grabbed_.push_back(fd);
    }
    return firstError;
}

void HidrawDevice::releaseGrabs()
{
    for (int fd : grabbed_) {
        ::ioctl(fd, EVIOCGRAB, 0);
        ::close(fd);
    }
    grabbed_.clear();
}
