// Loading, saving and clearing the persisted settings, and the setters that
// mirror them into the settings record.
#include "BTDriverManager.h"

#include "DefaultsKeys.h"
#include "DisplayService.h"
#include "PlatformServices.h"
#include "ScreenAdditions.h"
#include "ShortcutDocumentStore.h"
#include "SystemLog.h"
#include "UserDefaults.h"

#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace K = DefaultsKeys;

namespace {

// A scalar counts only when it is stored as a number.
std::optional<PlistValue> storedNumber(const UserDefaults& defaults, const char* key)
{
    auto value = defaults.objectForKey(key);
    if (value && value->isNumber()) return value;
    return std::nullopt;
}

constexpr const char* kInitConfig = "-[BTDriverManager initConfig]";

// An array key read by position as single-precision numbers. A stored value
// that is not an array of at least N numbers, each finite and within the int32
// range of the settings record, falls back to the default.
template <size_t N>
std::array<double, N> storedNumbers(const UserDefaults& defaults, const char* key, std::array<double, N> fallback)
{
    auto value = defaults.objectForKey(key);
    if (!value) return fallback;
    const PlistValue::Array* items = value->array();
    bool usable = items && items->size() >= N;
    for (size_t i = 0; usable && i < N; ++i) usable = (*items)[i].isNumber();
    if (!usable) {
        BTLogWarn(kInitConfig, "%s does not hold %zu numbers; using its default", key, N);
        return fallback;
    }
    std::array<double, N> out;
    for (size_t i = 0; i < N; ++i) {
        const double d = (*items)[i].doubleValue();
        if (!(std::fabs(d) <= std::numeric_limits<int32_t>::max())) { // NaN fails too
            BTLogWarn(kInitConfig, "%s holds %g, which is out of range; using its default", key, d);
            return fallback;
        }
        out[i] = static_cast<float>(d);
    }
    return out;
}

// A stored area: its width and height must be positive as well.
Rect storedArea(const UserDefaults& defaults, const char* key, const Rect& fallback)
{
    const auto v = storedNumbers<4>(defaults, key, {fallback.x(), fallback.y(), fallback.width(), fallback.height()});
    const Rect area(v[0], v[1], v[2], v[3]);
    if (area == fallback || (area.width() > 0 && area.height() > 0)) return area;
    BTLogWarn(kInitConfig, "%s is %g wide and %g high, which is no area; using its default", key, area.width(),
              area.height());
    return fallback;
}

PlistValue rectArray(const Rect& r)
{
    return PlistValue::Array{r.x(), r.y(), r.width(), r.height()};
}

Rect firstDisplayFrame()
{
    const DisplayService* displays = Platform::services().displays;
    if (!displays) return Rect();
    const auto list = displays->activeDisplays();
    return list.empty() ? Rect() : screenSize(list.front());
}

} // namespace

void BTDriverManager::initConfig()
{
    UserDefaults& store = defaults();

    auto damping = storedNumber(store, K::pressure);
    setPressureDamping(damping ? damping->floatValue() : 0.5f);
    auto smoothingValue = storedNumber(store, K::smoothing);
    setSmoothingLevel(smoothingValue ? smoothingValue->intValue() : 4);
    const auto off = storedNumbers<2>(store, K::offset, {0, 0});
    setCursorOffset({off[0], off[1]});
    auto rotationValue = storedNumber(store, K::rotation);
    setTabletRotation(rotationValue ? rotationValue->intValue() : 0);
    auto mouse = storedNumber(store, K::enableMouse);
    setEnableMouse(mouse ? mouse->boolValue() : 0);
    auto shortcuts = storedNumber(store, K::enableShortcut);
    setEnableShourtcut(shortcuts ? shortcuts->boolValue() : 1);
    auto display = storedNumber(store, K::displayId);
    setDisplayId(display ? display->intValue() : 0);
    setScreenArea(storedArea(store, K::screenArea, firstDisplayFrame()));
    setTabletArea(storedArea(store, K::tabletArea, Rect(0, 0, 65535, 65535)));
    auto deadZone = storedNumber(store, K::pressureDeadZone);
    setPressureDeadZone(deadZone ? deadZone->floatValue() : 0.0f);

    _settings& s = _vexloSettings;
    const Rect t = tabletArea_.load();
    const Rect sc = screenArea_.load();
    s.displayID = displayId();
    s.tabletWidth = truncatedInt32(t.width());
    s.tabletHeight = truncatedInt32(t.height());
    s.tabletOffsetX = truncatedInt32(t.x());
    s.tabletOffestY = truncatedInt32(t.y());
    s.compensation = 0;
    s.average = 0;
    s.pressureLevels = 8192.0f;
    s.screenWidth = truncatedInt32(sc.width());
    s.screenHeight = truncatedInt32(sc.height());
    s.screenOffsetX = truncatedInt32(sc.x());
    s.screenOffsetY = truncatedInt32(sc.y());
    s.vendorID = tabletVendorID();
    s.productID = tabletProductID();
    s.activeProfile = 0;
    s.tabletKeys = enableShourtcut() != 0;
    s.noOfTabletKeys = 8;
    s.mouseMode = enableMouse() != 0;
    s.monitorArea.store(Rect());
    s.tabletArea.store(Rect(0, 0, 65535, 65535));
    s.rotation = tabletRotation();
}

void BTDriverManager::saveSettings()
{
    UserDefaults& store = defaults();
    store.setObject(smoothingLevel(), K::smoothing);
    store.setObject(pressureDamping(), K::pressure);
    store.setObject(tabletRotation(), K::rotation);
    store.setObject(enableMouse() != 0, K::enableMouse);
    store.setObject(enableShourtcut() != 0, K::enableShortcut);
    store.setObject(displayId(), K::displayId);
    store.setObject(pressureDeadZone(), K::pressureDeadZone);
    store.setObject(rectArray(screenArea()), K::screenArea);
    store.setObject(rectArray(tabletArea()), K::tabletArea);
    if (shortcutStore_) shortcutStore_->saveShortcutConfig();
    store.synchronize();
}

void BTDriverManager::clearConfig()
{
    UserDefaults& store = defaults();
    for (const char* key : {K::pressure, K::smoothing, K::offset, K::rotation, K::enableMouse, K::enableShortcut,
                            K::displayId, K::screenArea, K::tabletArea, K::shortcutSettings, K::pressureDeadZone})
        store.removeObjectForKey(key);
    store.synchronize();
    if (shortcutStore_) shortcutStore_->defaultShortcutConfig();
}

void BTDriverManager::setPressureDamping(float value)
{
    pressureDamping_.store(value, std::memory_order_relaxed);
    const float mod = value - 0.5f + 1.0f;
    _pressureMod.store(mod, std::memory_order_relaxed);
    BTLogInfo("-[BTDriverManager setPressureDamping:]", "pressure damping %f mod is %f", value, mod);
}

void BTDriverManager::setPressureDeadZone(float value) { pressureDeadZone_.store(value, std::memory_order_relaxed); }

void BTDriverManager::setSmoothingLevel(int32_t level)
{
    smoothingLevel_.store(level, std::memory_order_relaxed);
    BTLogInfo("-[BTDriverManager setSmoothingLevel:]", "smoothing level set to %d", level);
    postUpdateNotification();
}

void BTDriverManager::setEnableMouse(char value)
{
    enableMouse_.store(value, std::memory_order_relaxed);
    _vexloSettings.mouseMode = value != 0;
}

void BTDriverManager::setEnableShourtcut(char value)
{
    enableShourtcut_.store(value, std::memory_order_relaxed);
    _vexloSettings.tabletKeys = value != 0;
}
