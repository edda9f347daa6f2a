// The pressure test pad: strokes in its own image, one log line per event.
#include "BTTestPadView.h"
#include "LogCapture.h"

#include <QPointingDevice>
#include <QTabletEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <regex>
#include <tuple>

TEST(TestPadView, ClicksDrawNothingAndDragsAndPenStrokesFollowThePressure)
{
    LogCapture log;
    BTTestPadView pad;
    pad.resize(200, 100);
    pad.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pad));
    // A pixel of the pad's image (Qt's rows, y down): whether it is white, how far it is from a colour.
    const auto isWhite = [&](int x, int y) { return pad.image().pixelColor(x, y) == QColor(Qt::white); };
    const auto distance = [&](int x, int y, QColor to) {
        const QColor c = pad.image().pixelColor(x, y);
        return std::abs(c.red() - to.red()) + std::abs(c.green() - to.green()) + std::abs(c.blue() - to.blue());
    };
    // The type words of the pad's lines for presses, drags and releases.
    const auto types = [&] {
        std::vector<std::string> out;
        const std::regex word(R"(\] \[info\] \[((DOWN|UP|DRAGGED)(-LOOP)?)\] cap)");
        for (const std::string& line : log.lines())
            if (std::smatch m; std::regex_search(line, m, word)) out.push_back(m[1]);
        return out;
    };

    QTest::mouseClick(&pad, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(types(), (std::vector<std::string>{"DOWN", "UP"}));
    const std::regex down(R"(^-\[BTTestPadView logEvent:withType:\]\[Line \d+\] \[info\] )"
                          R"(\[DOWN\] cap \d+ cc 1 pres 1\.000000 bn 0 bm 1$)");
    EXPECT_TRUE(std::regex_match(log.lines()[static_cast<size_t>(log.indexOf("[DOWN]"))], down)) << log.lines()[0];
    EXPECT_TRUE(isWhite(50, 50));

    log.clear();
    QTest::mousePress(&pad, Qt::LeftButton, {}, QPoint(20, 50));
    for (int x : {40, 80, 120}) QTest::mouseMove(&pad, QPoint(x, 50));
    QTest::mouseRelease(&pad, Qt::LeftButton, {}, QPoint(120, 50));
    EXPECT_EQ(types(), (std::vector<std::string>{"DOWN", "DRAGGED", "DRAGGED-LOOP", "DRAGGED-LOOP", "DOWN-LOOP"}));
    // The first drag event is not drawn, yet the stroke starts at the press:
    // 30 points wide, blue at alpha 0.5, with round ends.
    EXPECT_LE(distance(50, 50, QColor(128, 189, 255)), 6);
    for (const auto& [x, y, white] : {std::tuple{50, 36, false}, {50, 63, false}, {50, 33, true}, {50, 66, true},
                                      {8, 50, false}, {3, 50, true}}) // the cap reaches 15 points past the end
        EXPECT_EQ(isWhite(x, y), white) << x << ", " << y;

    // A repaint (a window passing over) keeps the strokes; showing the pad again clears them.
    EXPECT_NE(pad.grab().toImage().pixelColor(50, 50), QColor(Qt::white));
    pad.hide();
    pad.show();
    EXPECT_TRUE(isWhite(50, 50));

    // The pen: its pressure in the lines and the stroke. The pad takes its events.
    log.clear();
    const QPointingDevice stylus("test pen", 7, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
                                 QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3);
    const auto pen = [&](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons,
                         qreal pressure = 0.5) {
        QTabletEvent event(type, &stylus, at, pad.mapToGlobal(at), pressure, 0, 0, 0, 0, 0, {}, button, buttons);
        QApplication::sendEvent(&pad, &event);
        EXPECT_TRUE(event.isAccepted());
    };
    pen(QEvent::TabletMove, {20, 80}, Qt::NoButton, Qt::NoButton); // hover
    pen(QEvent::TabletPress, {20, 80}, Qt::LeftButton, Qt::LeftButton);
    pen(QEvent::TabletMove, {60, 80}, Qt::NoButton, Qt::LeftButton);
    pen(QEvent::TabletMove, {100, 80}, Qt::NoButton, Qt::LeftButton);
    pen(QEvent::TabletRelease, {100, 80}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(types(), (std::vector<std::string>{"DOWN", "DRAGGED", "DRAGGED-LOOP", "DOWN-LOOP"}));
    EXPECT_TRUE(log.contains("[Move] cap 5 cc 0 pres 0.500000 bn 0 bm 0"));
    EXPECT_TRUE(log.contains("[DOWN] cap 5 cc 1 pres 0.500000 bn 0 bm 1"));
    // Half pressure: 15 points wide at alpha 0.3.
    EXPECT_LE(distance(60, 80, QColor(179, 215, 255)), 6);
    EXPECT_FALSE(isWhite(60, 86));
    EXPECT_TRUE(isWhite(60, 89));

    // No pressure: nothing shows, the stroke still moves on.
    pen(QEvent::TabletPress, {20, 15}, Qt::LeftButton, Qt::LeftButton, 0);
    for (qreal x : {60, 120, 180}) pen(QEvent::TabletMove, {x, 15}, Qt::NoButton, Qt::LeftButton, 0);
    for (int x = 0; x < 200; x += 5) EXPECT_TRUE(isWhite(x, 15)) << x;
    EXPECT_EQ(pad.previousLocation(), (Point{180, 85}));
}
