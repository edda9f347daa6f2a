#pragma once
// Makes virtual input devices through a uinput node, normally /dev/uinput.
#include "EvdevSinkFactory.h"

#include <string>

class UinputDeviceFactory : public EvdevSinkFactory {
public:
    static constexpr const char* kDefaultNode = "/dev/uinput";

    explicit UinputDeviceFactory(std::string node = kDefaultNode);

    const std::string& node() const { return node_; }

    // The node exists (whether this user may open it shows only on create).
    bool available() const override;
    // ENOENT without the node, EACCES without the right to it, ENOTTY when
    // the node is no uinput device, or what the kernel refuses the device with.
    int32_t create(const libevdev* description, std::unique_ptr<EvdevSink>& device) override;

private:
    std::string node_;
};
