#pragma once
// The HID manager: finds devices by vendor and product id, opens them (with
// the seize option: for exclusive use), and calls back on the event loop of
// the thread it is scheduled on: matching, removal and input reports. Feature
// reports go out through it. Callbacks are plain C functions with a context,
// as the driver registers them; an input report's sender is its device.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct HIDDevice;                 // one matched device, owned by its manager
using HIDDeviceRef = HIDDevice*;

inline constexpr uint32_t kIOHIDOptionsTypeNone = 0;
inline constexpr uint32_t kIOHIDOptionsTypeSeizeDevice = 1;

enum HIDReportType : int32_t { kIOHIDReportTypeInput = 0, kIOHIDReportTypeOutput = 1, kIOHIDReportTypeFeature = 2 };

// What a device says about itself: enough to describe it again elsewhere
// (a recording's header, a virtual copy of the device).
struct HIDDeviceInfo {
    std::string name;
    std::string physicalPath; // empty where unknown
    uint32_t bus = 0;         // 3: USB
    uint16_t vendorID = 0;
    uint16_t productID = 0;
    std::vector<uint8_t> reportDescriptor;
};

class HIDManager {
public:
    using DeviceCallback = void (*)(void* context, int32_t result, void* sender, HIDDeviceRef device);
    using ReportCallback = void (*)(void* context, int32_t result, void* sender, HIDReportType type,
                                    uint32_t reportID, uint8_t* report, long length);

    virtual ~HIDManager() = default;

    virtual void setDeviceMatching(int32_t vendorID, int32_t productID) = 0;
    // Opens every matching device as it appears; 0 or an errno-style code.
    virtual int32_t open(uint32_t options) = 0;
    // Closes every device (releasing exclusive use) and stops watching.
    virtual int32_t close() = 0;
    virtual void registerDeviceMatchingCallback(DeviceCallback callback, void* context) = 0;
    virtual void registerDeviceRemovalCallback(DeviceCallback callback, void* context) = 0;
    // From now on callbacks arrive on the calling thread's event loop.
    virtual void scheduleWithRunLoop() = 0;
    virtual void unscheduleFromRunLoop() = 0;

    // A device's own operations.
    virtual int32_t setReport(HIDDeviceRef device, HIDReportType type, uint32_t reportID, const uint8_t* report,
                              size_t length) = 0;
    virtual void scheduleDevice(HIDDeviceRef device) = 0;
    virtual void unscheduleDevice(HIDDeviceRef device) = 0;
    // Each input report is copied into buffer (at most length bytes, the rest zeroed).
    virtual void registerInputReportCallback(HIDDeviceRef device, uint8_t* buffer, size_t length,
                                             ReportCallback callback, void* context) = 0;
    // The device's name, ids, physical path and report descriptor; 0 or an errno-style code.
    virtual int32_t deviceInfo(HIDDeviceRef, HIDDeviceInfo&) { return ENOSYS; }
    // Takes one device for exclusive use, as the seize option of open does for
    // every device; 0 or an errno-style code.
    virtual int32_t seizeDevice(HIDDeviceRef) { return ENOSYS; }
};
