#include "DefaultsKeys.h"
#include "DriverHarness.h"
#include "LogCapture.h"
#include "NotificationCenter.h"
#include "ShortcutDocumentStore.h"

#include <gtest/gtest.h>

namespace K = DefaultsKeys;

TEST(SettingsStore, EmptyStoreLoadsEveryDefaultAndWritesTheOffsetBack)
{
    DriverHarness h({Rect(0, 0, 2560, 1440), Rect(2560, 0, 1920, 1080)});
    int statusPosts = 0;
    ScopedObserver status(BTDriverManagerDidChangeStatus, nullptr, [&](const Notification&) { ++statusPosts; });
    BTDriverManager& d = h.driver();

    EXPECT_FLOAT_EQ(d.pressureDamping(), 0.5f);
    EXPECT_FLOAT_EQ(d.pressureMod(), 1.0f);
    EXPECT_EQ(d.smoothingLevel(), 4);
    EXPECT_EQ(d.cursorOffset(), (Point{0, 0}));
    EXPECT_EQ(d.tabletRotation(), 0);
    EXPECT_EQ(d.enableMouse(), 0);
    EXPECT_EQ(d.enableShourtcut(), 1);
    EXPECT_EQ(d.displayId(), 0);
    EXPECT_EQ(d.screenArea(), Rect(0, 0, 2560, 1440));
    EXPECT_EQ(d.tabletArea(), Rect(0, 0, 65535, 65535));
    EXPECT_FLOAT_EQ(d.pressureDeadZone(), 0.0f);
    EXPECT_EQ(statusPosts, 2); // smoothing and offset

    const auto& s = d._vexloSettings;
    EXPECT_EQ(s.tabletWidth, 65535);
    EXPECT_EQ(s.screenWidth, 2560);
    EXPECT_EQ(s.vendorID, BTDriverManager::tabletVendorID());
    EXPECT_EQ(s.productID, BTDriverManager::tabletProductID());
    EXPECT_TRUE(s.tabletKeys);
    EXPECT_FALSE(s.mouseMode);
    EXPECT_EQ(s.noOfTabletKeys, 8);
    EXPECT_FLOAT_EQ(s.pressureLevels, 8192.0f);
    EXPECT_EQ(s.tabletArea.load(), Rect(0, 0, 65535, 65535));

    UserDefaults reread(h.defaults().path());
    EXPECT_EQ(*reread.objectForKey(K::offset), PlistValue(PlistValue::Array{0.0, 0.0}));
}

TEST(SettingsStore, StoredValuesLoadAndMistypedOnesFallBack)
{
    DriverHarness h;
    h.defaults().setObject(2, K::displayId);
    h.defaults().setObject("0.9", K::pressure);           // not a number: default
    h.defaults().setObject(PlistValue::Array{100}, K::tabletArea); // too short: default, warned
    h.defaults().setObject(PlistValue::Array{1, "x", 3, 4}, K::screenArea);
    h.defaults().setObject(true, K::enableMouse);
    LogCapture log;
    BTDriverManager& d = h.driver();
    EXPECT_EQ(d.displayId(), 2);
    EXPECT_EQ(d._vexloSettings.displayID, 2);
    EXPECT_FLOAT_EQ(d.pressureDamping(), 0.5f);
    EXPECT_EQ(d.tabletArea(), Rect(0, 0, 65535, 65535));
    EXPECT_EQ(d.screenArea(), Rect(0, 0, 1920, 1080));
    EXPECT_TRUE(d._vexloSettings.mouseMode);
    EXPECT_TRUE(log.contains(std::string(K::tabletArea) + " does not hold 4 numbers"));
    EXPECT_TRUE(log.contains(std::string(K::screenArea) + " does not hold 4 numbers"));
}

TEST(SettingsStore, SaveThenLoadReproducesPropertiesAtSinglePrecision)
{
    DriverHarness h;
    BTDriverManager& d = h.driver();
    d.setPressureDamping(0.8f);
    d.setSmoothingLevel(7);
    d.setCursorOffset({1.1, -2.7});
    d.setTabletRotation(270);
    d.setEnableMouse(1);
    d.setEnableShourtcut(0);
    d.setDisplayId(1);
    d.setScreenArea(Rect(10.3, 20.1, 800.7, 600.2));
    d.setTabletArea(Rect(100.1, 200.2, 30000.3, 20000.4));
    d.setPressureDeadZone(0.25f);
    d.saveSettings();

    UserDefaults reread(h.defaults().path());
    BTDriverManager e(BTDriverManager::Options{&reread});
    EXPECT_FLOAT_EQ(e.pressureDamping(), 0.8f);
    EXPECT_EQ(e.smoothingLevel(), 7);
    EXPECT_EQ(e.cursorOffset(), (Point{static_cast<float>(1.1), static_cast<float>(-2.7)}));
    EXPECT_EQ(e.tabletRotation(), 270);
    EXPECT_EQ(e._vexloSettings.rotation, 270);
    EXPECT_EQ(e.enableMouse(), 1);
    EXPECT_EQ(e.enableShourtcut(), 0);
    EXPECT_FALSE(e._vexloSettings.tabletKeys);
    EXPECT_EQ(e.displayId(), 1);
    const auto f = [](double v) { return static_cast<double>(static_cast<float>(v)); };
    EXPECT_EQ(e.screenArea(), Rect(f(10.3), f(20.1), f(800.7), f(600.2)));
    EXPECT_EQ(e.tabletArea(), Rect(f(100.1), f(200.2), f(30000.3), f(20000.4)));
    EXPECT_EQ(e._vexloSettings.screenOffsetX, 10);
    EXPECT_EQ(e._vexloSettings.tabletHeight, 20000);
    EXPECT_FLOAT_EQ(e.pressureDeadZone(), 0.25f);
}

namespace {
struct RecordingShortcutStore : ShortcutDocumentStore {
    explicit RecordingShortcutStore(UserDefaults& d) : defaults(d) {}
    UserDefaults& defaults;
    std::vector<std::string> calls;
    void saveShortcutConfig() override
    {
        // Saved before the settings are synchronised, so one sync writes both.
        calls.push_back("save");
        defaults.setObject("{\"doc\":1}", DefaultsKeys::shortcutSettings);
    }
    void defaultShortcutConfig() override
    {
        // Runs after the keys are gone, so it reloads the built-in document.
        calls.push_back(defaults.objectForKey(DefaultsKeys::shortcutSettings) ? "default-with-key" : "default");
    }
};
} // namespace

TEST(SettingsStore, SaveAndClearHandOnToTheShortcutStoreInOrder)
{
    DriverHarness h;
    BTDriverManager& d = h.driver();
    RecordingShortcutStore shortcuts(h.defaults());
    d.setShortcutStore(&shortcuts);
    h.defaults().registerDefaults({{DefaultsKeys::pressure, 0.75}});

    d.saveSettings();
    UserDefaults reread(h.defaults().path());
    EXPECT_TRUE(reread.objectForKey(DefaultsKeys::shortcutSettings));

    d.clearConfig();
    EXPECT_EQ(shortcuts.calls, (std::vector<std::string>{"save", "default"}));
    for (const char* key : {K::pressure, K::smoothing, K::offset, K::rotation, K::enableMouse, K::enableShortcut,
                            K::displayId, K::screenArea, K::tabletArea, K::pressureDeadZone})
        EXPECT_EQ(h.defaults().dictionaryRepresentation().count(key), key == K::pressure ? 1u : 0u) << key;
    // The driver's properties stay until the caller loads again; then registered values show.
    EXPECT_FLOAT_EQ(d.pressureDamping(), 0.5f);
    d.initConfig();
    EXPECT_FLOAT_EQ(d.pressureDamping(), 0.75f);
}
