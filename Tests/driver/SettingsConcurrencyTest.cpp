#include "DriverHarness.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

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

    std::thread reader([&] {
        while (!stop.load()) {
            const Rect m = d.tabletMapping();
            const Rect a = d.tabletArea();
            const Rect mon = d._vexloSettings.monitorArea.load();
            if (m.height() != 2 * m.width() || a.height() != 2 * a.width() || mon.height() != 2 * mon.width()) ++torn;
            (void)d.screenManager()->mapTabletCoordinatesToDisplaySpaceWithPoint({100, 100}, m);
            (void)d.pressureMod();
            (void)d._vexloSettings.mouseMode.load();
            (void)d._vexloSettings.tabletWidth.load();
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
