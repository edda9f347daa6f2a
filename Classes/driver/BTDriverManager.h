#pragma once
// The driver core: settings, mapping state, report decoding, the stylus state
// machine and the device connection. Split by concern over
// BTDriverManager+*.cpp files.
//
// Threads: the main thread writes settings while the driver thread reads
// them, so every shared scalar is an atomic and every rectangle or point is
// published whole (Seqlocked).
#include "Geometry.h"
#include "HIDManager.h"
#include "Seqlock.h"
#include "StylusRecord.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class BTScreenManager;
class QObject;
class QThread;
class QThreadPool;
class ReportRecorder;
class ShortcutDocumentStore;
class UserDefaults;

extern const char* const BTDriverManagerDidChangeStatus;
// Posted per report while showPressure is on; user info "pressure": percent.
extern const char* const kUpdatePressureNotification;

class BTDriverManager {
public:
    // The settings record the decoding and mapping code reads; the map view
    // edits it in place through a pointer.
    struct _settings {
        std::atomic<int32_t> displayID{0};
        std::atomic<int32_t> tabletWidth{0};
        std::atomic<int32_t> tabletHeight{0};
        std::atomic<int32_t> tabletOffsetX{0};
        std::atomic<int32_t> tabletOffestY{0};
        std::atomic<int32_t> compensation{0};
        std::atomic<int32_t> average{0};
        std::atomic<float> pressureLevels{8192.0f};
        std::atomic<int32_t> screenWidth{0};
        std::atomic<int32_t> screenHeight{0};
        std::atomic<int32_t> screenOffsetX{0};
        std::atomic<int32_t> screenOffsetY{0};
        std::atomic<int32_t> vendorID{0};
        std::atomic<int32_t> productID{0};
        std::atomic<int32_t> activeProfile{0};
        std::atomic<bool> tabletKeys{false};
        std::atomic<int32_t> noOfTabletKeys{8};
        std::atomic<bool> mouseMode{false};
        Seqlocked<Rect> monitorArea;
        Seqlocked<Rect> tabletArea{Rect(0, 0, 65535, 65535)};
        std::atomic<int32_t> rotation{0};
    };

    struct Options {
        // The defaults store the settings load from and save to; null: the standard one.
        UserDefaults* defaults = nullptr;
        // Start the driver thread 0.1 s after creation, as the process's driver does.
        bool startDriverThread = false;
    };

    // The process's driver, created on first use.
    static BTDriverManager& shared();

    BTDriverManager();
    explicit BTDriverManager(Options options);
    ~BTDriverManager();
    BTDriverManager(const BTDriverManager&) = delete;
    BTDriverManager& operator=(const BTDriverManager&) = delete;

    // The USB ids of the supported tablet (build constants).
    static int32_t tabletVendorID();
    static int32_t tabletProductID();

    // --- Settings store ---------------------------------------------------
    void initConfig();
    void saveSettings();
    void clearConfig();

    // The shortcut store that saveSettings and clearConfig hand on to; none: skipped.
    void setShortcutStore(ShortcutDocumentStore* store) { shortcutStore_ = store; }

    void setPressureDamping(float value);
    float pressureDamping() const { return pressureDamping_.load(std::memory_order_relaxed); }
    float pressureMod() const { return _pressureMod.load(std::memory_order_relaxed); }
    void setPressureDeadZone(float value);
    float pressureDeadZone() const { return pressureDeadZone_.load(std::memory_order_relaxed); }
    void setSmoothingLevel(int32_t level);
    int32_t smoothingLevel() const { return smoothingLevel_.load(std::memory_order_relaxed); }
    void setEnableMouse(char value);
    char enableMouse() const { return enableMouse_.load(std::memory_order_relaxed); }
    void setEnableShourtcut(char value);
    char enableShourtcut() const { return enableShourtcut_.load(std::memory_order_relaxed); }

    // --- Mapping ----------------------------------------------------------
    void setTabletMapping(const Rect& r);
    Rect tabletMapping() const { return tabletMapping_.load(); }
    void updateTabletMapping();
    void initializeScreenSettings();
    void updateScreenSettings() { initializeScreenSettings(); }

    void setScreenArea(const Rect& r);
    Rect screenArea() const { return screenArea_.load(); }
    void setTabletArea(const Rect& r);
    Rect tabletArea() const { return tabletArea_.load(); }
    void setDisplayId(int32_t value);
    int32_t displayId() const { return displayId_.load(std::memory_order_relaxed); }
    void setTabletRotation(int32_t value);
    int32_t tabletRotation() const { return tabletRotation_.load(std::memory_order_relaxed); }
    void setCursorOffset(Point offset);
    Point cursorOffset() const { return cursorOffset_.load(); }

    BTScreenManager* screenManager() const { return screenManager_.load(std::memory_order_acquire); }
    // The screen manager initializeScreenSettings takes; null: the shared one.
    void setScreenManagerSource(BTScreenManager* source) { screenManagerSource_ = source; }
    BTScreenManager* screenManagerSource() const { return screenManagerSource_; }

    // --- Report decoding (decoding thread) ---------------------------------
    static constexpr size_t kReportLength = 32;

    // One input report of kReportLength bytes; the id is not used.
    void didReceiveReport(const uint8_t* report, int32_t reportID);
    // True when a batch of three positions was emitted for this report.
    bool calculateXYCoordsWithReport(const uint8_t* report);
    // The bits[startIndex - j] for j = 0 .. length-1, most significant first.
    static int32_t intWithBits(const int32_t* bits, int32_t startIndex, int32_t length);
    // Three-point linear smoothing of n values into o (o holds n values).
    static void smoothLinear3(const double* a, int32_t n, double* o);

    void setShowPressure(bool on) { showPressure_.store(on, std::memory_order_relaxed); }
    bool showPressure() const { return showPressure_.load(std::memory_order_relaxed); }

    // Diagnostics over bit arrays; nothing in the driver calls them.
    static std::string bitStringWithInt(int32_t value);
    static std::string bitStringWithArray(const int32_t* bits, int32_t length);
    static std::string bitStringWithBits(const int32_t* bits, int32_t startIndex, int32_t length);
    static std::u16string reverseString(const std::u16string& string);
    int32_t testStartBit() const { return testStartBit_; }
    void setTestStartBit(int32_t value) { testStartBit_ = value; }
    int32_t numberOfTestBits() const { return numberOfTestBits_; }
    void setNumberOfTestBits(int32_t value) { numberOfTestBits_ = value; }

    // --- Stylus state machine and event posting (decoding thread) ---------
    void updateStylusStatus();
    void postProximityEvent();
    void postMoveOrDragEvent(int32_t type);
    void postButtonEvent(int32_t type, int32_t buttonNumber);
    // A left mouse up, for callers that must free a stuck button.
    void sendMouseUpEventToUnblockTheMouse();
    bool isDragging() const { return _isDragging; }
    int16_t eventNumber() const { return _eventNumber; }

    // Where hardware-key and stylus-button presses go. readShortcutForCmd runs
    // on the decoding thread, sendKeyboard later on the main queue; queued (for
    // tools that trace the driver) on the decoding thread as the run is queued.
    // Set before reports flow.
    struct ShortcutDispatch {
        std::function<std::string(int32_t keyId)> readShortcutForCmd;
        std::function<void(const std::string& command, bool down, int32_t keyId)> sendKeyboard;
        std::function<void(int32_t keyId, bool down, const std::string& command)> queued;
    };
    void setShortcutDispatch(ShortcutDispatch dispatch) { shortcutDispatch_ = std::move(dispatch); }

    // --- Stylus record and event connection -------------------------------
    StylusRecord stylus() const { return stylus_; }
    void setStylus(const StylusRecord& record) { stylus_ = record; }
    StylusRecord oldStylus() const { return oldStylus_; }
    void setOldStylus(const StylusRecord& record) { oldStylus_ = record; }
    // The starting record, the pen where the cursor is (display space).
    void initializeStylus(Point cursor);
    // The cursor's location from the event-posting service. Qt reads it on
    // the main thread only: the driver thread is handed it as it starts.
    static Point cursorLocation();

    // Connection to the event system; 0 and the connection stored, or a failure code.
    int32_t openHIDService();
    int32_t closeHIDService();
    uint32_t gEventDriver() const { return _gEventDriver.load(std::memory_order_relaxed); }
    void setGEventDriver(uint32_t connection) { _gEventDriver.store(connection, std::memory_order_relaxed); }

    // --- Device connection and driver thread ----------------------------
    // Runs on the driver thread: the HID manager, the screen settings, then
    // the thread's event loop in 300-second slices while the loop flag is set.
    void runDriverInBackground();
    // Ends the driver thread (at quit; nothing else clears the loop flag).
    void stopDriverThread();
    // Finds the tablet and opens the virtual pen; cursor: where the pen starts.
    void initializeHID(Point cursor);
    int32_t issueCommand(HIDDeviceRef device, const uint8_t* command);
    // Without a virtual pen the tablet is left to the system's own driver: not
    // seized and not in tablet mode. The pen is tried again at each connection.
    void didConnectDevice(HIDDeviceRef device, void* context, int32_t result, void* sender);
    void didRemoveDevice(HIDDeviceRef device, void* context, int32_t result, void* sender);
    // Starts HID handling again on the calling thread's loop (the main thread's).
    void reinitialize();
    bool isConnected() const { return _isConnected.load() != 0; }
    void setIsConnected(char connected);
    // Told of every connection change before it is stored, on the thread of
    // the HID callbacks (the menu-bar controller's seam).
    void setConnectionObserver(std::function<void(bool connected)> observer)
    {
        connectionObserver_ = std::move(observer);
    }

    // Where the tablet's devices and reports are also written; none: not
    // recorded. Set before the driver thread starts; it outlives the thread.
    void setReportRecorder(ReportRecorder* recorder) { reportRecorder_.store(recorder); }
    ReportRecorder* reportRecorder() const { return reportRecorder_.load(); }

    HIDManager* hidManager() const { return _hidManager.load(); }
    HIDDeviceRef currentDeviceRef() const { return _currentDeviceRef.load(); }
    void setCurrentDeviceRef(HIDDeviceRef device) { _currentDeviceRef.store(device); }
    void* transactionRef() const { return _transactionRef.load(); }
    void setTransactionRef(void* transaction) { _transactionRef.store(transaction); }
    uint32_t io_master_port() const { return _io_master_port.load(); }
    void setIo_master_port(uint32_t port) { _io_master_port.store(port); }
    QThread* mainRunLoop() const { return _mainRunLoop.load(); }
    void setMainRunLoop(QThread* loop) { _mainRunLoop.store(loop); }
    QThread* backgroundRunLoop() const { return _backgroundRunLoop.load(); }
    void setBackgroundRunLoop(QThread* loop) { _backgroundRunLoop.store(loop); }
    bool isBackgroundLoopActive() const { return _isBackgroundLoopActive.load() != 0; }
    void setIsBackgroundLoopActive(bool active) { _isBackgroundLoopActive.store(active ? 1 : 0); }

    // The buffer the tablet's reports arrive in.
    uint8_t reportBuffer[32] = {};

    // --- Status -----------------------------------------------------------
    void postUpdateNotification();

    // Fields the rest of the system reads in place.
    _settings _vexloSettings;
    std::atomic<float> _pressureMod{1.0f};

private:
    UserDefaults& defaults() const;
    void dispatchShortcut(int32_t keyId, bool down);
    HIDEvent eventAtStylus(int32_t type, uint32_t options) const;
    // The tablet-point member every move, drag and button event carries.
    void fillTabletPoint(NX::_NXTabletPointData& point) const;
    void post(const HIDEvent& event);

    // The last mapped positions, emitted smoothed three at a time.
    struct PositionBatch {
        int32_t count = 0;
        double x[3] = {};
        double y[3] = {};
    };

    // Decoding-thread state.
    StylusRecord stylus_;
    StylusRecord oldStylus_;
    PositionBatch positionBatch_;
    bool _isDragging = false;
    int16_t _eventNumber = 0;
    int32_t testStartBit_ = 0;
    int32_t numberOfTestBits_ = 0;
    ShortcutDispatch shortcutDispatch_;

    std::atomic<bool> showPressure_{false};
    std::atomic<uint32_t> _gEventDriver{0};

    void startDriverThread();
    void releaseHIDManager();
    // Opens the virtual pen where initializeHID could not; false without one.
    bool retryVirtualPen();

    Seqlocked<Point> startCursor_; // handed to the thread that runs initializeHID
    std::atomic<bool> penReasonLogged_{false};
    std::atomic<char> _isConnected{0};
    std::atomic<char> _isBackgroundLoopActive{0};
    std::atomic<uint32_t> _io_master_port{0};
    std::atomic<HIDManager*> _hidManager{nullptr};
    std::atomic<HIDDeviceRef> _currentDeviceRef{nullptr};
    std::atomic<void*> _transactionRef{nullptr};
    std::atomic<QThread*> _mainRunLoop{nullptr};
    std::atomic<QThread*> _backgroundRunLoop{nullptr};
    std::atomic<ReportRecorder*> reportRecorder_{nullptr};
    std::unique_ptr<HIDManager> hidManagerOwner_;
    std::function<void(bool)> connectionObserver_;
    std::thread driverThread_;
    std::unique_ptr<QThreadPool> serialQueue_;
    std::mutex loopMutex_;
    QObject* backgroundLoop_ = nullptr; // the running slice's loop, guarded by loopMutex_

    UserDefaults* defaults_ = nullptr;
    ShortcutDocumentStore* shortcutStore_ = nullptr;
    BTScreenManager* screenManagerSource_ = nullptr;

    std::atomic<float> pressureDamping_{0.5f};
    std::atomic<float> pressureDeadZone_{0.0f};
    std::atomic<int32_t> smoothingLevel_{4};
    std::atomic<char> enableMouse_{0};
    std::atomic<char> enableShourtcut_{1};
    std::atomic<int32_t> displayId_{0};
    std::atomic<int32_t> tabletRotation_{0};
    Seqlocked<Point> cursorOffset_;
    Seqlocked<Rect> screenArea_;
    Seqlocked<Rect> tabletArea_;
    Seqlocked<Rect> tabletMapping_;
    std::atomic<BTScreenManager*> screenManager_{nullptr};
};
