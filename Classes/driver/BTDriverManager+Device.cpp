// The driver's life: its thread and event loop, the HID manager that finds the
// tablet, and the work done when the tablet connects or goes away.
#include "BTDriverManager.h"

#include "HIDEventSystem.h"
#include "HIDManager.h"
#include "MainQueue.h"
#include "PlatformServices.h"
#include "ReportRecorder.h"
#include "SystemLog.h"

#include <QEventLoop>
#include <QThread>
#include <QThreadPool>
#include <mutex>
#include <QTimer>
#include <cstring>

namespace {
// The tablet mode command: feature report 2.
const uint8_t kTabletModeCommand[3] = {0x02, 0x10, 0x01};
constexpr int kLoopSliceMilliseconds = 300 * 1000;

// What a recording's header says about a device.
HIDDeviceInfo describe(HIDManager& manager, HIDDeviceRef device, int32_t vendorID, int32_t productID)
{
    HIDDeviceInfo info;
    if (const int32_t error = manager.deviceInfo(device, info); error != 0) {
        // It matched on these ids; a recording without the descriptor still replays through the driver.
        BTLogWarn("-[BTDriverManager didConnectDevice:withContext:result:sender:]",
                  "cannot read the tablet's report descriptor (%s); the recording has none", std::strerror(error));
        info = HIDDeviceInfo{};
        info.bus = 3;
        info.vendorID = static_cast<uint16_t>(vendorID);
        info.productID = static_cast<uint16_t>(productID);
    }
    return info;
}

BTDriverManager& driverFor(void* context)
{
    return context ? *static_cast<BTDriverManager*>(context) : BTDriverManager::shared();
}
} // namespace

void deviceMatchingCallback(void* context, int32_t result, void* sender, HIDDeviceRef device)
{
    driverFor(context).didConnectDevice(device, context, result, sender);
}

void deviceRemovalCallback(void* context, int32_t result, void* sender, HIDDeviceRef device)
{
    driverFor(context).didRemoveDevice(device, context, result, sender);
}

void inputReportCallback(void* context, int32_t, void* sender, HIDReportType, uint32_t reportID, uint8_t* report,
                         long length)
{
    // The registration's own context is the driver (see didConnectDevice); the sender is the device.
    BTDriverManager& driver = driverFor(context);
    if (ReportRecorder* recorder = driver.reportRecorder())
        recorder->record(static_cast<HIDDeviceRef>(sender), report, length > 0 ? static_cast<size_t>(length) : 0);
    driver.didReceiveReport(report, static_cast<int32_t>(reportID));
}

void BTDriverManager::startDriverThread()
{
    // Qt reads the cursor on the main thread only (this one): the driver thread is handed it.
    startCursor_.store(cursorLocation());
    // A standard thread (Qt adopts it and runs its event loop there), so that
    // joining it is visible to the thread sanitizer.
    driverThread_ = std::thread([this] { runDriverInBackground(); });
}

void BTDriverManager::stopDriverThread()
{
    {
        std::lock_guard lock(loopMutex_);
        _isBackgroundLoopActive.store(0);
        if (backgroundLoop_) QMetaObject::invokeMethod(backgroundLoop_, "quit", Qt::QueuedConnection);
    }
    if (driverThread_.joinable()) driverThread_.join();
}

void BTDriverManager::runDriverInBackground()
{
    // An adopted thread gets its event dispatcher with its first event loop;
    // the HID manager's socket notifiers need it before the loop runs.
    { QEventLoop dispatcher; }
    initializeHID(startCursor_.load());
    initializeScreenSettings();
    serialQueue_ = std::make_unique<QThreadPool>();
    serialQueue_->setMaxThreadCount(1);
    serialQueue_->setObjectName("com.qorn.sr.brevolaTabletDriver.queue");
    for (;;) {
        QEventLoop loop;
        {
            std::lock_guard lock(loopMutex_);
            if (!_isBackgroundLoopActive.load()) break;
            backgroundLoop_ = &loop;
        }
        QTimer::singleShot(kLoopSliceMilliseconds, &loop, &QEventLoop::quit);
        loop.exec();
        std::lock_guard lock(loopMutex_);
        backgroundLoop_ = nullptr;
    }
    // A manager scheduled on this thread goes with it.
    if (backgroundRunLoop() == QThread::currentThread()) releaseHIDManager();
    BTLogInfo("-[BTDriverManager runDriverInBackground]", "driver thread stopped");
}

void BTDriverManager::initializeHID(Point cursor)
{
    setBackgroundRunLoop(QThread::currentThread());
    startCursor_.store(cursor);
    BTLogInfo("-[BTDriverManager initializeHID]", "initializing HID device");
    const auto& make = Platform::services().makeHIDManager;
    hidManagerOwner_ = make ? make() : nullptr;
    HIDManager* manager = hidManagerOwner_.get();
    _hidManager.store(manager);
    if (manager) {
        manager->setDeviceMatching(_vexloSettings.vendorID.load(), _vexloSettings.productID.load());
        // Each device is seized as it connects, once there is a virtual pen.
        manager->open(kIOHIDOptionsTypeNone);
        BTLogInfo("-[BTDriverManager initializeHID]", "Connectred to manager. Registering callbacks");
        manager->registerDeviceRemovalCallback(deviceRemovalCallback, this);
        manager->registerDeviceMatchingCallback(deviceMatchingCallback, this);
        manager->scheduleWithRunLoop();
    } else {
        BTLogWarn("-[BTDriverManager initializeHID]", "no HID manager on this system");
    }
    const int32_t opened = openHIDService();
    if (opened == 0) {
        BTLogInfo("-[BTDriverManager initializeHID]", "opening HID service");
        initializeStylus(cursor);
    } else {
        BTLogWarn("-[BTDriverManager initializeHID]", "error opening HID service");
    }
    if (gEventDriver() != 0) {
        penReasonLogged_.store(false);
    } else if (!penReasonLogged_.exchange(true)) {
        const HIDEventSystem* system = Platform::services().hidEventSystem;
        BTLogWarn("-[BTDriverManager initializeHID]",
                  "no virtual pen, so the tablet is left to the system's own driver (not seized, not in tablet "
                  "mode): %s",
                  system ? system->unavailableReason(opened).c_str() : "no event system");
    }
}

bool BTDriverManager::retryVirtualPen()
{
    HIDEventSystem* system = Platform::services().hidEventSystem;
    HIDEventSystem::Connection connection = 0;
    if (!system || !system->hasService() || system->openConnection(connection) != 0) return false;
    setGEventDriver(connection);
    BTLogInfo("-[BTDriverManager didConnectDevice:withContext:result:sender:]", "created global event driver");
    initializeStylus(startCursor_.load());
    penReasonLogged_.store(false);
    return true;
}

void BTDriverManager::releaseHIDManager()
{
    if (!hidManagerOwner_) return;
    hidManagerOwner_->close();
    hidManagerOwner_->unscheduleFromRunLoop();
    _hidManager.store(nullptr);
    hidManagerOwner_.reset();
}

int32_t BTDriverManager::issueCommand(HIDDeviceRef device, const uint8_t* command)
{
    HIDManager* manager = hidManager();
    if (!manager) return -1;
    return manager->setReport(device, kIOHIDReportTypeFeature, 2, command, 3);
}

void BTDriverManager::didConnectDevice(HIDDeviceRef device, void*, int32_t, void*)
{
    _currentDeviceRef.store(device);
    // Seized and switched to tablet mode only when the virtual pen can take
    // over; else the system's own driver keeps the pen working.
    if (gEventDriver() != 0 || retryVirtualPen()) {
        if (HIDManager* manager = hidManager()) manager->seizeDevice(device);
        issueCommand(device, kTabletModeCommand);
    }
    BTLogInfo("-[BTDriverManager didConnectDevice:withContext:result:sender:]", "tablet connected");
    if (HIDManager* manager = hidManager()) {
        manager->scheduleDevice(device);
        // The context is this driver, so that several drivers (tests, tools) can coexist.
        manager->registerInputReportCallback(device, reportBuffer, sizeof reportBuffer, inputReportCallback, this);
        if (ReportRecorder* recorder = reportRecorder())
            recorder->deviceConnected(device, describe(*manager, device, _vexloSettings.vendorID.load(),
                                                       _vexloSettings.productID.load()));
    }
    setIsConnected(1);
    postUpdateNotification();
}

void BTDriverManager::didRemoveDevice(HIDDeviceRef device, void*, int32_t, void*)
{
    if (HIDManager* manager = hidManager()) manager->unscheduleDevice(device);
    if (ReportRecorder* recorder = reportRecorder()) recorder->deviceRemoved(device);
    _currentDeviceRef.store(nullptr);
    BTLogInfo("-[BTDriverManager didRemoveDevice:withContext:result:sender:]", "tablet removed - cleaned up references");
    setIsConnected(0);
    postUpdateNotification();
}

void BTDriverManager::reinitialize()
{
    BTLogInfo("-[BTDriverManager reinitialize]", "Reinitializing driver");
    if (HIDDeviceRef device = currentDeviceRef()) {
        BTLogInfo("-[BTDriverManager reinitialize]", "Device was connected, emulating device remove");
        didRemoveDevice(device, nullptr, 0, nullptr);
    }
    closeHIDService();
    // The previous manager lets go of its devices before a new one opens them.
    releaseHIDManager();
    initializeHID(cursorLocation());
}

void BTDriverManager::setIsConnected(char connected)
{
    if (connectionObserver_) connectionObserver_(connected != 0);
    _isConnected.store(connected);
}
