#pragma once
// Scripted HID devices for tests: the bus holds the devices that are plugged
// in; every manager made from it sees them as a real manager would (existing
// devices when it is scheduled, new ones as they appear, removals), with the
// callbacks delivered on the loop of the thread the manager is scheduled on.
// The script itself may run on any thread.
#include "HIDManager.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class ScriptedHIDManager;

class ScriptedHIDBus : public std::enable_shared_from_this<ScriptedHIDBus> {
public:
    struct FeatureReport {
        int device;
        uint32_t reportID;
        std::vector<uint8_t> bytes;
    };

    static std::shared_ptr<ScriptedHIDBus> create();

    std::unique_ptr<HIDManager> makeManager();

    // Returns the device's number on this bus. The device describes itself
    // with info's name, physical path and report descriptor, on the USB bus
    // with the ids it was plugged in with.
    int plugIn(int32_t vendorID, int32_t productID, HIDDeviceInfo info = {});
    void sendReport(int device, std::vector<uint8_t> report);
    void unplug(int device);
    // Runs fn on the loop of every live manager, after what was sent before it.
    void afterDeliveries(std::function<void()> fn);

    std::vector<FeatureReport> featureReports() const;
    // The devices taken for exclusive use, by number, in order.
    std::vector<int> seizedDevices() const;
    // Managers that exist / are open and scheduled right now.
    int liveManagers() const;
    // Managers that were scheduled on a thread with no event dispatcher
    // (where socket notifiers would not work).
    int scheduledWithoutDispatcher() const { return withoutDispatcher_.load(); }
    int openManagers() const;

private:
    friend class ScriptedHIDManager;
    struct Device {
        int number;
        int32_t vendor, product;
        bool present;
        HIDDeviceInfo info;
    };
    ScriptedHIDBus() = default;
    void attach(ScriptedHIDManager* m);
    void detach(ScriptedHIDManager* m);
    void recordFeature(int device, uint32_t reportID, const uint8_t* bytes, size_t length);
    void recordSeize(int device);
    std::vector<Device> presentDevices() const;
    int32_t deviceInfo(int device, HIDDeviceInfo& info) const;

    mutable std::recursive_mutex mutex_;
    std::vector<Device> devices_;
    std::vector<ScriptedHIDManager*> managers_;
    std::vector<FeatureReport> features_;
    std::vector<int> seized_;
    std::atomic<int> withoutDispatcher_{0};
};
