#pragma once
// The keys under which the driver's settings persist in the defaults store.
namespace DefaultsKeys {
inline constexpr const char* pressure = "com.qorn.sr.brevolaDriver.pressureKey";
inline constexpr const char* smoothing = "com.qorn.sr.brevolaDriver.smoothingKey";
inline constexpr const char* offset = "com.qorn.sr.brevolaDriver.offsetKey";
inline constexpr const char* rotation = "com.qorn.sr.brevolaDriver.rotation";
inline constexpr const char* enableMouse = "com.qorn.sr.brevolaDriver.enableMouse";
inline constexpr const char* enableShortcut = "com.qorn.sr.brevolaDriver.enableShortcut";
inline constexpr const char* displayId = "com.qorn.sr.brevolaDriver.displayId";
inline constexpr const char* screenArea = "com.qorn.sr.brevolaDriver.screenArea";
inline constexpr const char* tabletArea = "com.qorn.sr.brevolaDriver.tabletArea";
inline constexpr const char* pressureDeadZone = "com.qorn.sr.brevolaDriver.pressureDeadZone";
inline constexpr const char* shortcutSettings = "com.qorn.sr.brevolaDriver.shortcutSettings";
} // namespace DefaultsKeys
