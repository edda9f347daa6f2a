#pragma once
// The driver core: settings, mapping state, report decoding, the stylus state
// machine and the device connection. Split by concern over
// BTDriverManager+*.cpp files.
//
// Threads: the main thread writes settings while the driver thread reads
// them, so every shared scalar is an atomic and every rectangle or point is
// published whole (Seqlocked).
#include "Geometry.h"
#include "Seqlock.h"

#include <atomic>
#include <cstdint>

class BTScreenManager;
class ShortcutDocumentStore;
class UserDefaults;

extern const char* const BTDriverManagerDidChangeStatus;

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

    // --- Status -----------------------------------------------------------
    void postUpdateNotification();

    // Fields the rest of the system reads in place.
    _settings _vexloSettings;
    std::atomic<float> _pressureMod{1.0f};

private:
    UserDefaults& defaults() const;

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
