#include "UdevHIDManager.h"

#include "SystemLog.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <libudev.h>
#include <unistd.h>

struct HIDDevice {
    UdevHIDManager* manager = nullptr;
    std::unique_ptr<HidrawDevice> hid;
    std::string hidSyspath; // of the HID device, whose event nodes a seize grabs
    QSocketNotifier* reader = nullptr;
    uint8_t* buffer = nullptr;
    size_t length = 0;
    HIDManager::ReportCallback callback = nullptr;
    void* context = nullptr;
    bool gone = false;
};

namespace {

struct UdevDeviceDeleter {
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
using UdevDevice = std::unique_ptr<udev_device, UdevDeviceDeleter>;

void dropNotifier(QSocketNotifier*& notifier)
{
    if (!notifier) return;
    notifier->setEnabled(false);
    notifier->deleteLater(); // it may be the one whose signal is running now
    notifier = nullptr;
}

// The event nodes the kernel made for the same HID device.
std::vector<std::string> eventNodesOf(udev* u, udev_device* hid)
{
    std::vector<std::string> nodes;
    udev_enumerate* e = udev_enumerate_new(u);
    udev_enumerate_add_match_parent(e, hid);
    udev_enumerate_add_match_subsystem(e, "input");
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e))
    {
        UdevDevice d(udev_device_new_from_syspath(u, udev_list_entry_get_name(entry)));
        const char* node = d ? udev_device_get_devnode(d.get()) : nullptr;
        if (node && std::strncmp(node, "/dev/input/event", 16) == 0) nodes.emplace_back(node);
    }
    udev_enumerate_unref(e);
    return nodes;
}

} // namespace

std::optional<UdevHIDManager::HidId> UdevHIDManager::parseHidId(const char* text)
{
    if (!text) return std::nullopt;
    unsigned bus = 0, vendor = 0, product = 0;
    int used = 0;
    if (std::sscanf(text, "%x:%x:%x%n", &bus, &vendor, &product, &used) != 3 || text[used] != '\0')
        return std::nullopt;
    return HidId{bus, vendor, product};
}

UdevHIDManager::UdevHIDManager() : udev_(udev_new()) {}

UdevHIDManager::~UdevHIDManager()
{
    close();
    unscheduleFromRunLoop();
    if (udev_) udev_unref(udev_);
}

void UdevHIDManager::onLoopThread(const std::function<void()>& fn)
{
    if (!loop_ || loop_->thread() == QThread::currentThread() || !loop_->thread()->isRunning()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(loop_, fn, Qt::BlockingQueuedConnection);
}

void UdevHIDManager::setDeviceMatching(int32_t vendorID, int32_t productID)
{
    vendor_ = vendorID;
    product_ = productID;
}

int32_t UdevHIDManager::open(uint32_t options)
{
    if (!udev_) return ENOMEM;
    options_ = options;
    open_ = true;
    if (loop_) onLoopThread([this] { enumerate(); });
    return 0;
}

int32_t UdevHIDManager::close()
{
    onLoopThread([this] { closeDevices(); });
    open_ = false;
    return 0;
}

void UdevHIDManager::closeDevices()
{
    for (auto& [node, device] : devices_) {
        dropNotifier(device->reader);
        device->hid.reset(); // releases the grabs and closes the node
    }
    devices_.clear();
}

void UdevHIDManager::registerDeviceMatchingCallback(DeviceCallback callback, void* context)
{
    matching_ = callback;
    matchingContext_ = context;
}

void UdevHIDManager::registerDeviceRemovalCallback(DeviceCallback callback, void* context)
{
    removal_ = callback;
    removalContext_ = context;
}

void UdevHIDManager::scheduleWithRunLoop()
{
    if (loop_ || !udev_) return;
    if (!QAbstractEventDispatcher::instance())
        BTLogWarn("-[UdevHIDManager scheduleWithRunLoop]",
                  "this thread has no event loop yet; devices plugged in later will not be seen");
    loop_ = new QObject;
    // Without a udev daemon (a bare system, a test machine) listen to the kernel itself.
    const bool daemon = ::access("/run/udev/control", F_OK) == 0;
    monitor_ = udev_monitor_new_from_netlink(udev_, daemon ? "udev" : "kernel");
    if (monitor_) {
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr);
        if (udev_monitor_enable_receiving(monitor_) == 0) {
            monitorNotifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, loop_);
            QObject::connect(monitorNotifier_, &QSocketNotifier::activated, loop_, [this] { monitorReadable(); });
        } else {
            BTLogWarn("-[UdevHIDManager scheduleWithRunLoop]", "cannot watch for devices: %s", std::strerror(errno));
        }
    }
    // Devices already present are reported from the loop, as later ones are,
    // never from inside this call.
    QMetaObject::invokeMethod(
        loop_, [this] {
            if (open_) enumerate();
        },
        Qt::QueuedConnection);
}

void UdevHIDManager::unscheduleFromRunLoop()
{
    if (!loop_) return;
    onLoopThread([this] {
        monitorNotifier_ = nullptr;
        for (auto& [node, device] : devices_) dropNotifier(device->reader);
        delete loop_; // with its monitor notifier and any call still queued on it
    });
    loop_ = nullptr;
    if (monitor_) udev_monitor_unref(monitor_);
    monitor_ = nullptr;
}

bool UdevHIDManager::matches(udev_device* hidraw) const
{
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    const auto id = parseHidId(hid ? udev_device_get_property_value(hid, "HID_ID") : nullptr);
    return id && id->bus == kBusUSB && id->vendor == static_cast<uint32_t>(vendor_) &&
           id->product == static_cast<uint32_t>(product_);
}

void UdevHIDManager::enumerate()
{
    udev_enumerate* e = udev_enumerate_new(udev_);
    udev_enumerate_add_match_subsystem(e, "hidraw");
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e))
    {
        UdevDevice d(udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry)));
        if (d) deviceAppeared(d.get());
    }
    udev_enumerate_unref(e);
}

void UdevHIDManager::monitorReadable()
{
    UdevDevice d(udev_monitor_receive_device(monitor_));
    if (!d) return;
    const char* subsystem = udev_device_get_subsystem(d.get());
    if (!subsystem || std::strcmp(subsystem, "hidraw") != 0) return; // kernel events are not filtered
    const char* action = udev_device_get_action(d.get());
    if (action && std::strcmp(action, "add") == 0) {
        deviceAppeared(d.get());
    } else if (action && std::strcmp(action, "remove") == 0) {
        const char* node = udev_device_get_devnode(d.get());
        if (auto it = node ? devices_.find(node) : devices_.end(); it != devices_.end()) deviceGone(it->second.get());
    }
}

void UdevHIDManager::deviceAppeared(udev_device* hidraw)
{
    const char* node = udev_device_get_devnode(hidraw);
    if (!open_ || !node || devices_.count(node) || !matches(hidraw)) return;
    std::unique_ptr<HidrawDevice> hid(HidrawDevice::open(node));
    if (!hid) {
        if (errno == EACCES || errno == EPERM)
            BTLogWarn("-[UdevHIDManager deviceAppeared]",
                      "no permission to open %s; install the udev rule udev/70-brevola-tablet.rules (see README)",
                      node);
        else
            BTLogWarn("-[UdevHIDManager deviceAppeared]", "cannot open %s: %s", node, std::strerror(errno));
        return;
    }
    auto device = std::make_unique<HIDDevice>();
    device->manager = this;
    device->hid = std::move(hid);
    if (udev_device* parent = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr))
        device->hidSyspath = udev_device_get_syspath(parent);
    if (options_ & kIOHIDOptionsTypeSeizeDevice) grabEventNodes(*device);
    HIDDeviceRef ref = device.get();
    devices_.emplace(node, std::move(device));
    if (matching_) matching_(matchingContext_, 0, this, ref);
}

int32_t UdevHIDManager::grabEventNodes(HIDDevice& device)
{
    UdevDevice hid(udev_device_new_from_syspath(udev_, device.hidSyspath.c_str()));
    return hid ? device.hid->grab(eventNodesOf(udev_, hid.get())) : ENODEV;
}

int32_t UdevHIDManager::seizeDevice(HIDDeviceRef device)
{
    if (!device || !device->hid) return EINVAL;
    int32_t result = 0;
    onLoopThread([&] { result = grabEventNodes(*device); });
    return result;
}

void UdevHIDManager::deviceGone(HIDDeviceRef device)
{
    if (device->gone) return;
    device->gone = true;
    dropNotifier(device->reader);
    if (removal_) removal_(removalContext_, 0, this, device);
    const std::string node = device->hid->node();
    devices_.erase(node); // closes the node and releases the grabs
}

void UdevHIDManager::readable(HIDDeviceRef device)
{
    for (;;) {
        size_t received = 0;
        const auto result = device->hid->readReport(device->buffer, device->length, &received);
        if (result == HidrawDevice::Read::Again) return;
        if (result == HidrawDevice::Read::Gone) {
            deviceGone(device);
            return;
        }
        if (device->callback)
            device->callback(device->context, 0, device, kIOHIDReportTypeInput, received ? device->buffer[0] : 0,
                             device->buffer, static_cast<long>(received));
        if (device->gone || !device->reader) return; // the callback unscheduled or removed it
    }
}

int32_t UdevHIDManager::setReport(HIDDeviceRef device, HIDReportType type, uint32_t reportID, const uint8_t* report,
                                  size_t length)
{
    if (!device || !device->hid || length == 0) return EINVAL;
    // The kernel wants the report id first; a caller's report may already start with it.
    std::vector<uint8_t> bytes;
    if (reportID != 0 && report[0] != reportID) bytes.push_back(static_cast<uint8_t>(reportID));
    bytes.insert(bytes.end(), report, report + length);
    return type == kIOHIDReportTypeFeature ? device->hid->sendFeatureReport(bytes.data(), bytes.size())
                                           : device->hid->sendOutputReport(bytes.data(), bytes.size());
}

void UdevHIDManager::scheduleDevice(HIDDeviceRef device)
{
    if (!device || device->reader || !device->hid) return;
    device->reader = new QSocketNotifier(device->hid->fd(), QSocketNotifier::Read);
    QObject::connect(device->reader, &QSocketNotifier::activated, device->reader, [this, device] { readable(device); });
}

void UdevHIDManager::unscheduleDevice(HIDDeviceRef device)
{
    if (device) onLoopThread([device] { dropNotifier(device->reader); });
}

void UdevHIDManager::registerInputReportCallback(HIDDeviceRef device, uint8_t* buffer, size_t length,
                                                 ReportCallback callback, void* context)
{
    if (!device) return;
    device->buffer = buffer;
    device->length = length;
    device->callback = callback;
    device->context = context;
}

int32_t UdevHIDManager::deviceInfo(HIDDeviceRef device, HIDDeviceInfo& info)
{
    if (!device || !device->hid) return EINVAL;
    return device->hid->readInfo(info);
}
