#include "UinputDeviceFactory.h"

#include "UinputDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <unistd.h>

UinputDeviceFactory::UinputDeviceFactory(std::string node) : node_(std::move(node)) {}

bool UinputDeviceFactory::available() const
{
    return ::access(node_.c_str(), F_OK) == 0;
}

int32_t UinputDeviceFactory::create(const libevdev* description, std::unique_ptr<EvdevSink>& device)
{
    device.reset();
    const int fd = ::open(node_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return errno;
    libevdev_uinput* created = nullptr;
    if (const int result = libevdev_uinput_create_from_device(description, fd, &created); result != 0) {
        ::close(fd);
        return -result;
    }
    device = std::make_unique<UinputDevice>(created, fd);
    return 0;
}
