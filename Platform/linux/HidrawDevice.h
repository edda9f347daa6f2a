#pragma once
// One open hidraw node and the kernel event nodes of the same HID device,
// which are grabbed while the device is used exclusively.
#include "HIDManager.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class HidrawDevice {
public:
    enum class Read { Report, Again, Gone };

    // Takes ownership of fd.
    HidrawDevice(int fd, std::string node);
    ~HidrawDevice();
    HidrawDevice(const HidrawDevice&) = delete;
    HidrawDevice& operator=(const HidrawDevice&) = delete;

    // Opens the node for reading and writing, non-blocking; null with errno set on failure.
    static HidrawDevice* open(const std::string& node);

    int fd() const { return fd_; }
    const std::string& node() const { return node_; }

    // Sends a feature report whose first byte is the report id; 0 or an errno value.
    int32_t sendFeatureReport(const uint8_t* data, size_t length);
    int32_t sendOutputReport(const uint8_t* data, size_t length);
    // The kernel's view of the device: its report descriptor, bus and ids, name
    // and physical path (empty when it has none); 0 or an errno value.
    int32_t readInfo(HIDDeviceInfo& info) const;

    // Reads one report into buffer: at most length bytes are written, and a
    // shorter report leaves the rest zero. Gone: the device went away (or the
    // read failed for good).
    Read readReport(uint8_t* buffer, size_t length, size_t* received);

    // How grab reaches the event nodes: take one (an open descriptor holding
    // the grab, or -errno) and wait before trying again. Tests replace both.
    struct GrabAccess {
        std::function<int(const std::string& node)> take = takeEventNode;
        std::function<void(std::chrono::milliseconds)> wait = [](auto time) { std::this_thread::sleep_for(time); };
    };
    // How long grab goes on trying while udev may still be granting access to
    // new nodes, and how often.
    static constexpr std::chrono::milliseconds kGrabPatience{1000};
    static constexpr std::chrono::milliseconds kGrabRetryInterval{50};

    // Grabs each event node so that the desktop does not also act on it. A
    // node refused with EACCES or EPERM is tried again for kGrabPatience in
    // all; one that cannot be grabbed is logged and skipped. 0, or the errno
    // of the first node left out.
    int32_t grab(const std::vector<std::string>& eventNodes, const GrabAccess& access);
    int32_t grab(const std::vector<std::string>& eventNodes) { return grab(eventNodes, GrabAccess{}); }
    static int takeEventNode(const std::string& node);
    void releaseGrabs();
    size_t grabbedCount() const { return grabbed_.size(); }

private:
    int fd_;
    std::string node_;
    std::vector<int> grabbed_;
};
