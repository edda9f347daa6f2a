#include "Configure.h"
#include "DefaultsKeys.h"
#include "DriverHarness.h"
#include "LogCapture.h"
#include "NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace K = DefaultsKeys;

namespace {
// The properties that persist, but the cursor offset, in one comparable value.
auto persisted(const BTDriverManager& d)
{
    return std::tuple(d.pressureDamping(), d.smoothingLevel(), d.tabletRotation(), d.enableMouse(), d.enableShourtcut(),
                      d.displayId(), d.screenArea(), d.tabletArea(), d.pressureDeadZone());
}
} // namespace

// Loading an empty store gives every default; the offset is written at once,
// the rest on save, and loading again reproduces them at single precision.
TEST(SettingsStore, DefaultsLoadAndSavedValuesComeBackAtSinglePrecision)
{
    DriverHarness h({Rect(0, 0, 2560, 1440), Rect(2560, 0, 1920, 1080)});
    int statusPosts = 0;
    ScopedObserver status(BTDriverManagerDidChangeStatus, nullptr, [&](const Notification&) { ++statusPosts; });
    BTDriverManager& d = h.driver();
    EXPECT_EQ(persisted(d),
              std::tuple(0.5f, 4, 0, char(0), char(1), 0, Rect(0, 0, 2560, 1440), Rect(0, 0, 65535, 65535), 0.0f));
    // Two status posts: smoothing and offset.
    EXPECT_EQ(std::tuple(d.pressureMod(), d.cursorOffset(), statusPosts), std::tuple(1.0f, Point{0, 0}, 2));
    const auto& s = d._vexloSettings;
    EXPECT_EQ(std::tuple(s.tabletWidth.load(), s.screenWidth.load(), s.vendorID.load(), s.productID.load()),
              std::tuple(65535, 2560, BTDriverManager::tabletVendorID(), BTDriverManager::tabletProductID()));
    EXPECT_EQ(std::tuple(s.tabletKeys.load(), s.mouseMode.load(), s.noOfTabletKeys.load(), s.pressureLevels.load(),
                         s.tabletArea.load()),
              std::tuple(true, false, 8, 8192.0f, Rect(0, 0, 65535, 65535)));

    d.setPressureDamping(0.8f);
    LogCapture log;
    d.setCursorOffset({3, -4.5}); // written and synchronised at once, logged, announced
    EXPECT_EQ(std::pair(log.contains("offset set to {3, -4.5}"), statusPosts), std::pair(true, 3));
    EXPECT_EQ(UserDefaults(h.defaults().path()).objectForKey(K::offset), PlistValue(PlistValue::Array{3.0, -4.5}));
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
    const auto f = [](double v) { return static_cast<double>(static_cast<float>(v)); };
    EXPECT_EQ(persisted(e), std::tuple(0.8f, 7, 270, char(1), char(0), 1, Rect(f(10.3), f(20.1), f(800.7), f(600.2)),
                                       Rect(f(100.1), f(200.2), f(30000.3), f(20000.4)), 0.25f));
    EXPECT_EQ(e.cursorOffset(), (Point{f(1.1), f(-2.7)}));
    const auto& t = e._vexloSettings;
    EXPECT_EQ(std::tuple(t.rotation.load(), t.tabletKeys.load(), t.screenOffsetX.load(), t.tabletWidth.load(),
                         t.tabletHeight.load()),
              std::tuple(270, false, 10, 30000, 20000));
}

// A mistyped or short value, or an area that is not finite, out of range or
// not positive in width or height, falls back to the default with a warning.
TEST(SettingsStore, StoredValuesLoadAndUnusableOnesFallBack)
{
    const PlistValue badAreas[] = {PlistValue::Array{100}, PlistValue::Array{1, "x", 3, 4}, PlistValue::Array{0, 0, 0, 9},
                                   PlistValue::Array{0, 0, 9, -1}, PlistValue::Array{0, 0, 1e30, 9},
                                   PlistValue::Array{std::nan(""), 0, 9, 9}, PlistValue::Array{0, 0, 9, HUGE_VAL}};
    for (const PlistValue& bad : badAreas) {
        DriverHarness h;
        const PlistValue::Dictionary stored{{K::displayId, 2}, {K::pressure, "0.9"}, {K::enableMouse, true},
                                            {K::tabletArea, bad}, {K::screenArea, bad}}; // "0.9": no number
        for (const auto& [key, value] : stored) h.defaults().setObject(value, key);
        LogCapture log;
        BTDriverManager& d = h.driver();
        const auto& s = d._vexloSettings;
        EXPECT_EQ(std::tuple(d.displayId(), s.displayID.load(), d.pressureDamping(), s.mouseMode.load(),
                             s.tabletWidth.load()), std::tuple(2, 2, 0.5f, true, 65535));
        EXPECT_EQ(std::pair(d.tabletArea(), d.screenArea()), std::pair(Rect(0, 0, 65535, 65535), Rect(0, 0, 1920, 1080)));
        for (const char* key : {K::tabletArea, K::screenArea}) EXPECT_TRUE(log.contains(std::string("[-warn-] ") + key));
    }
}

// The document is saved before the one flush and is the default again after
// a reset; an empty one (the user chose no shortcuts) stays empty after a restart.
TEST(SettingsStore, ShortcutDocumentSavesWithTheSettingsAndAnEmptyOneStays)
{
    const std::string document = R"({"0":{"enableMouse":1,"mouse":"MouseLeft;"}})";
    DriverHarness h;
    Configure shortcuts(&h.defaults(), document);
    BTDriverManager& d = h.driver();
    d.setShortcutStore(&shortcuts);
    h.defaults().registerDefaults({{K::pressure, 0.75}});
    d.saveSettings();
    EXPECT_EQ(UserDefaults(h.defaults().path()).stringForKey(K::shortcutSettings), document);

    h.defaults().setObject("", K::shortcutSettings);
    shortcuts.initConfig();
    d.saveSettings();
    EXPECT_EQ(UserDefaults(h.defaults().path()).stringForKey(K::shortcutSettings), "");

    d.clearConfig();
    EXPECT_EQ(shortcuts.readShortcutForCmd(0), "MouseLeft;");
    EXPECT_EQ(h.defaults().dictionaryRepresentation(), (PlistValue::Dictionary{{K::pressure, 0.75}})); // every key gone
    // The driver's properties stay until the caller loads again; then registered values show.
    EXPECT_FLOAT_EQ(d.pressureDamping(), 0.5f);
    d.initConfig();
    EXPECT_FLOAT_EQ(d.pressureDamping(), 0.75f);
}

// The main thread writes settings while the driver thread reads them. Every
// rectangle written has height == 2 * width, so a torn read shows up.
TEST(SettingsConcurrency, ReaderNeverSeesTornValues)
{
    LogCapture quiet;
    DriverHarness h;
    BTDriverManager& d = h.driver();
    d.initializeScreenSettings();
    d.setTabletMapping(Rect(0, 0, 1, 2));
    d.setTabletArea(Rect(0, 0, 1, 2));
    d._vexloSettings.monitorArea.store(Rect(0, 0, 1, 2));
    std::atomic<bool> stop{false};
    std::atomic<long> torn{0}, reads{0};
    const auto whole = [](const Rect& r) { return r.height() == 2 * r.width(); };

    std::thread reader([&] {
        while (!stop.load()) {
            const Rect m = d.tabletMapping();
            torn += !whole(m) || !whole(d.tabletArea()) || !whole(d._vexloSettings.monitorArea.load());
            (void)d.screenManager()->mapTabletCoordinatesToDisplaySpaceWithPoint({100, 100}, m);
            (void)(d.pressureMod() + d._vexloSettings.mouseMode.load() + d._vexloSettings.tabletWidth.load());
            ++reads;
        }
    });
    for (int i = 1; i <= 20000 || reads.load() < 1000; ++i) {
        d.setTabletMapping(Rect(i, i, i, 2.0 * i));
        d.setTabletArea(Rect(i, i, i, 2.0 * i));
        d._vexloSettings.monitorArea.store(Rect(0, 0, i, 2.0 * i));
        d.setEnableMouse(i & 1);
        d.setScreenArea(Rect(0, 0, i, i));
        if (i % 1000 == 0) d.setPressureDamping(static_cast<float>(i % 7) / 7);
        if (i > 2000000) break;
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(reads.load(), 0);
}
