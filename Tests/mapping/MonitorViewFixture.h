#pragma once
// A map view over a driver of its own (one 1920 x 1080 display, its own
// defaults), 360 x 470 points: the display picture D is then
// {2.2222, 270, 355.5556, 200} in view coordinates (y up).
#include "BTMonitorView.h"
#include "DriverHarness.h"
#include "LogCapture.h"

#include <QPoint>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const Rect& r, std::ostream* os) { *os << NSStringFromRect(r); }

class MonitorViewTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 360;
    static constexpr int kHeight = 470;
    static constexpr double kDisplayScale = 5.4; // display points per view point
    inline static const Rect kDisplayRect{180 - 1920 / kDisplayScale / 2, 270, 1920 / kDisplayScale, 200};

    MonitorViewTest()
    {
        view.setDriver(&driver);
        view._tabletSettings = &driver._vexloSettings;
        view.resize(kWidth, kHeight);
    }

    // The stored areas the first draw reads, as the panel's settings load leaves them.
    void store(const Rect& screen, const Rect& tablet)
    {
        driver.setScreenArea(screen);
        driver.setTabletArea(tablet);
    }
    void draw() { view.grab(); }
    Rect storedScreen() const
    {
        const auto& s = driver._vexloSettings;
        return Rect(s.screenOffsetX, s.screenOffsetY, s.screenWidth, s.screenHeight);
    }
    Rect storedTablet() const
    {
        const auto& s = driver._vexloSettings;
        return Rect(s.tabletOffsetX, s.tabletOffestY, s.tabletWidth, s.tabletHeight);
    }
    const Rect& screenArea() const { return view.monitorViewInfo()._monitorDropArea; }
    const Rect& tabletArea() const { return view.tabletViewInfo()._monitorDropArea; }
    // A view point (y up) as the Qt position QTest sends.
    static QPoint at(double x, double y) { return QPoint(static_cast<int>(x), static_cast<int>(kHeight - y)); }

    LogCapture log; // keeps the driver's lines out of the system log
    DriverHarness h;
    BTDriverManager& driver = h.driver();
    BTMonitorView view;
};

inline void expectRectNear(const Rect& actual, const Rect& expected, double tolerance = 1e-6)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
    EXPECT_NEAR(actual.width(), expected.width(), tolerance);
    EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}
