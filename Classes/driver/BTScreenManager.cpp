#include "BTScreenManager.h"

#include "BTDriverManager.h"
#include "PlatformServices.h"
#include "ScreenAdditions.h"
#include "SystemLog.h"

#include <algorithm>
#include <cmath>

const char* const BTScreenManagerDidChangeScreenDetails = "BTScreenManagerDidChangeScreenDetails";

namespace {
std::atomic<uint64_t> nextManagerId{0};
} // namespace

BTScreenManager& BTScreenManager::shared()
{
    static BTScreenManager manager(BTDriverManager::shared());
    return manager;
}

BTScreenManager::BTScreenManager(BTDriverManager& driver)
    : driver_(driver)
    , id_(nextManagerId.fetch_add(1) + 1)
    , tabletSize_(driver._vexloSettings.tabletArea.load().size)
    , screenParameters_(kScreenParametersDidChange, nullptr,
                        [this](const Notification& note) { didChangeScreenParameters(note); })
{
    setTargetScreen(bestScreenToUseAsTargetScreen());
}

DisplayID BTScreenManager::bestScreenToUseAsTargetScreen() const
{
    const DisplayService* displays = Platform::services().displays;
    return displays ? displays->mainDisplay() : 0;
}

void BTScreenManager::didChangeScreenParameters(const Notification&)
{
    const DisplayID target = targetScreen();
    if (target == 0) return;
    const DisplayService* displays = Platform::services().displays;
    const auto list = displays ? displays->activeDisplays() : std::vector<DisplayID>{};
    if (std::find(list.begin(), list.end(), target) == list.end()) setTargetScreen(bestScreenToUseAsTargetScreen());
}

void BTScreenManager::setTargetScreen(DisplayID screen)
{
    targetScreen_.store(screen, std::memory_order_relaxed);
    const Rect bounds = screen ? screenSize(screen) : allScreenSize();
    setScreenBounds(bounds);
    driver_._vexloSettings.monitorArea.store(bounds);
}

void BTScreenManager::setScreenMapping(const Rect& r)
{
    Rect stored = r;
    if (!(screenBounds() == allScreenSize())) {
        const double mainHeight = mainScreenSize().height();
        stored = Rect(r.x(), mainHeight - (r.y() + r.height()), r.width(), r.height());
    }
    screenMapping_.store(stored);
    SystemLog::logPlain("Updated Screen Mapping: %.2f, %.2f - %.2f, %.2f\n", stored.x(), stored.y(), stored.width(),
                        stored.height());
}

void BTScreenManager::setRotation(double degrees)
{
    rotation_.store(truncatedInt32(degrees), std::memory_order_relaxed);
}

BTScreenManager::Mapped BTScreenManager::mapTabletCoordinatesToDisplaySpaceWithPoint(Point p,
                                                                                    const Rect& m) const
{
    // The screen mapping and the scale change only when the areas do: each
    // thread keeps the last ones, checked against the mapping's version.
    struct Cache {
        uint64_t owner = 0;
        uint32_t version = 1; // odd: never a published version
        Rect s;
        double mw = 0, mh = 0, scaleX = 0, scaleY = 0;
    };
    thread_local Cache cache;
    if (cache.owner != id_ || cache.version != screenMapping_.version() || cache.mw != m.width() ||
        cache.mh != m.height()) {
        uint32_t version;
        const Rect s = screenMapping_.load(version);
        cache = {id_, version, s, m.width(), m.height(), s.width() / m.width(), s.height() / m.height()};
    }
    const Rect& s = cache.s;
    // An empty tablet mapping has no scale: everything lands on the mapping's origin.
    if (m.width() == 0 || m.height() == 0) return {s.x(), s.y(), 0, 0};

    const Size t = tabletSize();
    Point q = p;
    switch (rotation()) {
    case 90: q = {t.width - p.y, p.x}; break;
    case 180: q = {t.width - p.x, t.height - p.y}; break;
    case 270: q = {p.y, t.height - p.x}; break;
    default: break;
    }
    const double cx = std::min(m.x() + m.width() - 1, std::max(m.x(), q.x));
    const double cy = std::min(m.y() + m.height() - 1, std::max(m.y(), q.y));
    const double x = s.x() + cache.scaleX * (cx - m.x());
    const double y = s.y() + cache.scaleY * (cy - m.y());
    const auto sub = [](double v) { return static_cast<double>(truncatedInt32((v - std::trunc(v)) * 256) & 0xFF); };
    return {x, y, sub(x), sub(y)};
}
