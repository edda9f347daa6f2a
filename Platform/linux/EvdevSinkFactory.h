#pragma once
// Makes the virtual input devices the uinput backends write to, each from a
// libevdev description of its name and event codes.
#include "EvdevSink.h"

#include <memory>

struct libevdev;

class EvdevSinkFactory {
public:
    virtual ~EvdevSinkFactory() = default;

    // Whether devices can be made at all on this machine.
    virtual bool available() const = 0;
    // Creates a device as described: 0 with the device set, or the errno value
    // of the failure with the device left empty.
    virtual int32_t create(const libevdev* description, std::unique_ptr<EvdevSink>& device) = 0;
};
