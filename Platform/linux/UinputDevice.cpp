#include "UinputDevice.h"

#include <libevdev/libevdev-uinput.h>
#include <unistd.h>

UinputDevice::UinputDevice(libevdev_uinput* device, int fd) : device_(device), fd_(fd) {}

UinputDevice::~UinputDevice()
{
    libevdev_uinput_destroy(device_);
    ::close(fd_); // not closed by libevdev: the file was opened here, not by it
}

int32_t UinputDevice::write(uint16_t type, uint16_t code, int32_t value)
{
    return -libevdev_uinput_write_event(device_, type, code, value);
}

const char* UinputDevice::devnode() const
{
    const char* node = libevdev_uinput_get_devnode(device_);
    return node ? node : "";
}
