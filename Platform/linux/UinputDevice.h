#pragma once
// A virtual input device on uinput. Destroying it removes the device, and the
// kernel releases whatever keys and buttons it still held.
#include "EvdevSink.h"

struct libevdev_uinput;

class UinputDevice : public EvdevSink {
public:
    // Takes ownership of both: the created device and the uinput file it lives on.
    UinputDevice(libevdev_uinput* device, int fd);
    ~UinputDevice() override;
    UinputDevice(const UinputDevice&) = delete;
    UinputDevice& operator=(const UinputDevice&) = delete;

    int32_t write(uint16_t type, uint16_t code, int32_t value) override;

    // The device's event node, such as /dev/input/event7; empty when unknown.
    const char* devnode() const;

private:
    libevdev_uinput* device_;
    int fd_;
};
