// The driver's mapping state: the tablet mapping, the user's screen and
// tablet areas, the display index, the rotation and the cursor offset.
#include "BTDriverManager.h"

#include "BTScreenManager.h"
#include "DefaultsKeys.h"
#include "SystemLog.h"
#include "UserDefaults.h"

void BTDriverManager::setTabletMapping(const Rect& r)
{
    const double x = r.x() == -1.0 ? 0 : r.x();
    const double y = r.y() == -1.0 ? 0 : r.y();
    const double w = r.width() == -1.0 ? _vexloSettings.tabletWidth.load() : r.width();
    const double h = r.height() == -1.0 ? _vexloSettings.tabletHeight.load() : r.height();
    const auto single = [](double v) { return static_cast<double>(static_cast<float>(v)); };
    tabletMapping_.store(Rect(single(x), single(y), single(w), single(h)));
}

void BTDriverManager::updateTabletMapping()
{
    const _settings& s = _vexloSettings;
    setTabletMapping(Rect(s.tabletOffsetX, s.tabletOffestY, s.tabletWidth, s.tabletHeight));
}

void BTDriverManager::initializeScreenSettings()
{
    BTLogInfo("-[BTDriverManager initializeScreenSettings]", "initializing screen seettings");
    const _settings& s = _vexloSettings;
    const Rect tablet(s.tabletOffsetX, s.tabletOffestY, s.tabletWidth, s.tabletHeight);
    const Rect screen(s.screenOffsetX, s.screenOffsetY, s.screenWidth, s.screenHeight);
    setTabletMapping(tablet);
    BTScreenManager* manager = screenManagerSource_ ? screenManagerSource_ : &BTScreenManager::shared();
    screenManager_.store(manager, std::memory_order_release);
    manager->setScreenMapping(screen);
    // A stored rotation applies from the start, also when no panel ever opens.
    manager->setRotation(s.rotation);
    setTabletArea(tablet);
    setScreenArea(screen);
}

void BTDriverManager::setScreenArea(const Rect& r)
{
    screenArea_.store(r);
    _vexloSettings.screenOffsetX = truncatedInt32(r.x());
    _vexloSettings.screenOffsetY = truncatedInt32(r.y());
    _vexloSettings.screenWidth = truncatedInt32(r.width());
    _vexloSettings.screenHeight = truncatedInt32(r.height());
}

void BTDriverManager::setTabletArea(const Rect& r)
{
    tabletArea_.store(r);
    _vexloSettings.tabletOffsetX = truncatedInt32(r.x());
    _vexloSettings.tabletOffestY = truncatedInt32(r.y());
    _vexloSettings.tabletWidth = truncatedInt32(r.width());
    _vexloSettings.tabletHeight = truncatedInt32(r.height());
}

void BTDriverManager::setDisplayId(int32_t value)
{
    displayId_.store(value, std::memory_order_relaxed);
    _vexloSettings.displayID = value;
}

void BTDriverManager::setTabletRotation(int32_t value)
{
    tabletRotation_.store(value, std::memory_order_relaxed);
    _vexloSettings.rotation = value;
}

void BTDriverManager::setCursorOffset(Point offset)
{
    cursorOffset_.store(offset);
    UserDefaults& store = defaults();
    store.setObject(PlistValue::Array{offset.x, offset.y}, DefaultsKeys::offset);
    store.synchronize();
    BTLogInfo("-[BTDriverManager setCursorOffset:]", "offset set to %s", NSStringFromPoint(offset).c_str());
    postUpdateNotification();
}
