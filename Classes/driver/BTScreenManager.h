#pragma once
// Maps tablet positions onto display space: the target display, the display
// rectangle the tablet is mapped onto, and the tablet's rotation.
#include "DisplayService.h"
#include "Geometry.h"
#include "NotificationCenter.h"
#include "Seqlock.h"

#include <atomic>
#include <cstdint>

class BTDriverManager;

// Declared for observers; nothing posts it.
extern const char* const BTScreenManagerDidChangeScreenDetails;

class BTScreenManager {
public:
    // Display x and y plus the sub-pixel parts (0-255).
    struct Mapped {
        double x, y, subx, suby;
    };

    // The process's screen manager, bound to the shared driver.
    static BTScreenManager& shared();

    // A screen manager writing the target's bounds into this driver's settings record.
    explicit BTScreenManager(BTDriverManager& driver);
    BTScreenManager(const BTScreenManager&) = delete;
    BTScreenManager& operator=(const BTScreenManager&) = delete;

    DisplayID bestScreenToUseAsTargetScreen() const;
    void didChangeScreenParameters(const Notification& note);

    // 0: no target screen; the bounds become those of all displays together.
    void setTargetScreen(DisplayID screen);
    DisplayID targetScreen() const { return targetScreen_.load(std::memory_order_relaxed); }

    void setScreenMapping(const Rect& r);
    Rect screenMapping() const { return screenMapping_.load(); }
    void setScreenBounds(const Rect& r) { screenBounds_.store(r); }
    Rect screenBounds() const { return screenBounds_.load(); }

    void setRotation(double degrees);
    int32_t rotation() const { return rotation_.load(std::memory_order_relaxed); }
    Size tabletSize() const { return tabletSize_; }

    Mapped mapTabletCoordinatesToDisplaySpaceWithPoint(Point p, const Rect& tabletMapping) const;

private:
    BTDriverManager& driver_;
    const uint64_t id_; // tells managers apart in the per-thread mapping cache
    std::atomic<int32_t> rotation_{0};
    const Size tabletSize_; // taken once at creation
    std::atomic<DisplayID> targetScreen_{0};
    Seqlocked<Rect> screenMapping_;
    Seqlocked<Rect> screenBounds_;
    ScopedObserver screenParameters_;
};
