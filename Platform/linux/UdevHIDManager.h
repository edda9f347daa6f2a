#pragma once
// HID manager over libudev and hidraw. Every hidraw node whose HID device has
// the matched vendor and product id on the USB bus is a device (a tablet may
// expose several interfaces). Enumeration at scheduling, then the udev
// monitor: the udev daemon's events when one runs, else the kernel's own
// uevents. All file descriptors are served by the scheduled thread's loop.
#include "HIDManager.h"
#include "HidrawDevice.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QObject;
class QSocketNotifier;
struct udev;
struct udev_device;
struct udev_monitor;

class UdevHIDManager : public HIDManager {
public:
    struct HidId {
        uint32_t bus, vendor, product;
    };
    // Parses a HID device's HID_ID ("0003:00003F1D:00000A31").
    static std::optional<HidId> parseHidId(const char* text);
    static constexpr uint32_t kBusUSB = 3;

    UdevHIDManager();
    ~UdevHIDManager() override;

    void setDeviceMatching(int32_t vendorID, int32_t productID) override;
    int32_t open(uint32_t options) override;
    int32_t close() override;
    void registerDeviceMatchingCallback(DeviceCallback callback, void* context) override;
    void registerDeviceRemovalCallback(DeviceCallback callback, void* context) override;
    void scheduleWithRunLoop() override;
    void unscheduleFromRunLoop() override;

    int32_t setReport(HIDDeviceRef device, HIDReportType type, uint32_t reportID, const uint8_t* report,
                      size_t length) override;
    void scheduleDevice(HIDDeviceRef device) override;
    void unscheduleDevice(HIDDeviceRef device) override;
    void registerInputReportCallback(HIDDeviceRef device, uint8_t* buffer, size_t length, ReportCallback callback,
                                     void* context) override;
    int32_t deviceInfo(HIDDeviceRef device, HIDDeviceInfo& info) override;
    // Grabs the event nodes the kernel made for the device's HID device.
    int32_t seizeDevice(HIDDeviceRef device) override;

private:
    // Runs fn on the scheduled thread, waiting for it; directly when already there.
    void onLoopThread(const std::function<void()>& fn);
    void enumerate();
    void monitorReadable();
    void deviceAppeared(udev_device* hidraw);
    void deviceGone(HIDDeviceRef device);
    void readable(HIDDeviceRef device);
    void closeDevices();
    bool matches(udev_device* hidraw) const;
    int32_t grabEventNodes(HIDDevice& device);

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QObject* loop_ = nullptr; // lives on the scheduled thread
    QSocketNotifier* monitorNotifier_ = nullptr;
    int32_t vendor_ = -1, product_ = -1;
    std::atomic<bool> open_{false};
    uint32_t options_ = 0;
    DeviceCallback matching_ = nullptr, removal_ = nullptr;
    void* matchingContext_ = nullptr;
    void* removalContext_ = nullptr;
    std::map<std::string, std::unique_ptr<HIDDevice>> devices_; // by hidraw node
};
