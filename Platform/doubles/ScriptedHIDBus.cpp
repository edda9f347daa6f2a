#include "ScriptedHIDBus.h"

#include "LoopQueue.h"

#include <QAbstractEventDispatcher>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>

struct HIDDevice {
    int number = 0;
    bool scheduled = false;
    uint8_t* buffer = nullptr;
    size_t length = 0;
    HIDManager::ReportCallback callback = nullptr;
    void* context = nullptr;
};

class ScriptedHIDManager : public HIDManager {
public:
    explicit ScriptedHIDManager(std::shared_ptr<ScriptedHIDBus> bus) : bus_(std::move(bus)) { bus_->attach(this); }
    ~ScriptedHIDManager() override
    {
        std::lock_guard lock(bus_->mutex_); // waits for a delivery in progress
        *alive_ = false;
        bus_->detach(this);
        if (loop_) loop_->deleteLater();
    }

    void setDeviceMatching(int32_t vendorID, int32_t productID) override
    {
        vendor_ = vendorID;
        product_ = productID;
    }
    int32_t open(uint32_t) override
    {
        open_ = true;
        return 0;
    }
    int32_t close() override
    {
        std::lock_guard lock(bus_->mutex_);
        open_ = false;
        devices_.clear();
        return 0;
    }
    void registerDeviceMatchingCallback(DeviceCallback cb, void* ctx) override
    {
        matching_ = cb;
        matchingContext_ = ctx;
    }
    void registerDeviceRemovalCallback(DeviceCallback cb, void* ctx) override
    {
        removal_ = cb;
        removalContext_ = ctx;
    }
    void scheduleWithRunLoop() override
    {
        if (!QAbstractEventDispatcher::instance()) ++bus_->withoutDispatcher_;
        std::vector<ScriptedHIDBus::Device> present;
        {
            std::lock_guard lock(bus_->mutex_);
            if (!loop_) loop_ = new LoopQueue;
            scheduled_ = true;
            present = bus_->presentDevices();
        }
        for (const auto& d : present) appeared(d);
    }
    void unscheduleFromRunLoop() override
    {
        std::lock_guard lock(bus_->mutex_);
        scheduled_ = false;
    }

    int32_t setReport(HIDDeviceRef device, HIDReportType type, uint32_t reportID, const uint8_t* report,
                      size_t length) override
    {
        if (!device || type != kIOHIDReportTypeFeature) return -1;
        bus_->recordFeature(device->number, reportID, report, length);
        return 0;
    }
    void scheduleDevice(HIDDeviceRef device) override
    {
        if (device) device->scheduled = true;
    }
    void unscheduleDevice(HIDDeviceRef device) override
    {
        if (device) device->scheduled = false;
    }
    void registerInputReportCallback(HIDDeviceRef device, uint8_t* buffer, size_t length, ReportCallback cb,
                                     void* ctx) override
    {
        device->buffer = buffer;
        device->length = length;
        device->callback = cb;
        device->context = ctx;
    }
    int32_t deviceInfo(HIDDeviceRef device, HIDDeviceInfo& info) override
    {
        return device ? bus_->deviceInfo(device->number, info) : EINVAL;
    }
    int32_t seizeDevice(HIDDeviceRef device) override
    {
        if (!device) return EINVAL;
        bus_->recordSeize(device->number);
        return 0;
    }

    // Called by the bus under its lock: hop to this manager's loop.
    bool live() const { return open_ && scheduled_ && loop_; }
    // Deliveries run under the bus's lock and only while this manager lives.
    void post(std::function<void()> fn)
    {
        loop_->post([bus = bus_, alive = alive_, fn = std::move(fn)] {
            std::lock_guard lock(bus->mutex_);
            if (*alive) fn();
        });
    }
    void appeared(const ScriptedHIDBus::Device& d)
    {
        auto run = [this, d] {
            HIDDevice* ref;
            {
                std::lock_guard lock(bus_->mutex_);
                if (!live() || d.vendor != vendor_ || d.product != product_ || devices_.count(d.number)) return;
                auto device = std::make_unique<HIDDevice>();
                device->number = d.number;
                ref = device.get();
                devices_[d.number] = std::move(device);
            }
            if (matching_) matching_(matchingContext_, 0, this, ref);
        };
        post(run);
    }
    void report(int number, std::vector<uint8_t> bytes)
    {
        post([this, number, bytes] {
            HIDDevice* d = find(number);
            if (!d || !d->scheduled || !d->callback) return;
            const size_t n = std::min(bytes.size(), d->length);
            std::memcpy(d->buffer, bytes.data(), n);
            std::memset(d->buffer + n, 0, d->length - n);
            d->callback(d->context, 0, d, kIOHIDReportTypeInput, n ? bytes[0] : 0, d->buffer, static_cast<long>(n));
        });
    }
    void gone(int number)
    {
        post([this, number] {
            HIDDevice* d = find(number);
            if (!d) return;
            if (removal_) removal_(removalContext_, 0, this, d);
            std::lock_guard lock(bus_->mutex_);
            devices_.erase(number);
        });
    }
    bool isOpen() const { return open_; }

private:
    HIDDevice* find(int number)
    {
        std::lock_guard lock(bus_->mutex_);
        auto it = devices_.find(number);
        return it == devices_.end() ? nullptr : it->second.get();
    }

    std::shared_ptr<ScriptedHIDBus> bus_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // guarded by the bus's lock
    LoopQueue* loop_ = nullptr; // set before the manager turns live, under the bus's lock
    int32_t vendor_ = -1, product_ = -1;
    std::atomic<bool> open_{false}, scheduled_{false};
    DeviceCallback matching_ = nullptr, removal_ = nullptr;
    void* matchingContext_ = nullptr;
    void* removalContext_ = nullptr;
    std::map<int, std::unique_ptr<HIDDevice>> devices_;
};

std::shared_ptr<ScriptedHIDBus> ScriptedHIDBus::create()
{
    return std::shared_ptr<ScriptedHIDBus>(new ScriptedHIDBus);
}

std::unique_ptr<HIDManager> ScriptedHIDBus::makeManager()
{
    return std::make_unique<ScriptedHIDManager>(shared_from_this());
}

void ScriptedHIDBus::attach(ScriptedHIDManager* m)
{
    std::lock_guard lock(mutex_);
    managers_.push_back(m);
}

void ScriptedHIDBus::detach(ScriptedHIDManager* m)
{
    std::lock_guard lock(mutex_);
    managers_.erase(std::remove(managers_.begin(), managers_.end(), m), managers_.end());
}

int ScriptedHIDBus::plugIn(int32_t vendorID, int32_t productID, HIDDeviceInfo info)
{
    std::lock_guard lock(mutex_);
    info.bus = 3;
    info.vendorID = static_cast<uint16_t>(vendorID);
    info.productID = static_cast<uint16_t>(productID);
    const Device d{static_cast<int>(devices_.size()) + 1, vendorID, productID, true, std::move(info)};
    devices_.push_back(d);
    for (auto* m : managers_)
        if (m->live()) m->appeared(d);
    return d.number;
}

void ScriptedHIDBus::sendReport(int device, std::vector<uint8_t> report)
{
    std::lock_guard lock(mutex_);
    for (auto* m : managers_)
        if (m->live()) m->report(device, report);
}

void ScriptedHIDBus::unplug(int device)
{
    std::lock_guard lock(mutex_);
    for (auto& d : devices_)
        if (d.number == device) d.present = false;
    for (auto* m : managers_)
        if (m->live()) m->gone(device);
}

void ScriptedHIDBus::afterDeliveries(std::function<void()> fn)
{
    std::lock_guard lock(mutex_);
    for (auto* m : managers_)
        if (m->live()) m->post(fn);
}

std::vector<ScriptedHIDBus::Device> ScriptedHIDBus::presentDevices() const
{
    std::lock_guard lock(mutex_);
    std::vector<Device> out;
    for (const auto& d : devices_)
        if (d.present) out.push_back(d);
    return out;
}

int32_t ScriptedHIDBus::deviceInfo(int device, HIDDeviceInfo& info) const
{
    std::lock_guard lock(mutex_);
    for (const auto& d : devices_)
        if (d.number == device) {
            info = d.info;
            return 0;
        }
    return ENODEV;
}

void ScriptedHIDBus::recordFeature(int device, uint32_t reportID, const uint8_t* bytes, size_t length)
{
    std::lock_guard lock(mutex_);
    features_.push_back({device, reportID, std::vector<uint8_t>(bytes, bytes + length)});
}

void ScriptedHIDBus::recordSeize(int device)
{
    std::lock_guard lock(mutex_);
    seized_.push_back(device);
}

std::vector<int> ScriptedHIDBus::seizedDevices() const
{
    std::lock_guard lock(mutex_);
    return seized_;
}

std::vector<ScriptedHIDBus::FeatureReport> ScriptedHIDBus::featureReports() const
{
    std::lock_guard lock(mutex_);
    return features_;
}

int ScriptedHIDBus::liveManagers() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(managers_.size());
}

int ScriptedHIDBus::openManagers() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(managers_.begin(), managers_.end(), [](auto* m) { return m->isOpen(); }));
}
