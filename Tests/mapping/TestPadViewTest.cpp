// The pressure test pad: strokes in its own image, one log line per event.
#include "BTTestPadView.h"
#include "LogCapture.h"

#include <QPointingDevice>
#include <QTabletEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <regex>
#include <tuple>

namespace {

class TestPadTest : public ::testing::Test {
protected:
    TestPadTest() { pad.resize(200, 100); }

    // Handlers driven directly, at view points (y up).
    void stroke(Point from, Point to, float pressure)
    {
        BTMouseEvent event;
        event.type = BTMouseEvent::LeftMouseDown;
        event.locationInView = from;
        pad.mouseDown(event);
        event.type = BTMouseEvent::LeftMouseDragged;
        event.locationInView = to;
        event.pressure = pressure;
        pad.drawLineWithEvent(event);
    }
    // A pixel of the pad's image, Qt's rows (y down).
    QColor pixel(int x, int y) const { return pad.image().pixelColor(x, y); }
    bool isWhite(int x, int y) const { return pixel(x, y) == QColor(Qt::white); }
    // The type words of the pad's lines, hover and crossing lines left out.
    std::vector<std::string> types() const
    {
        std::vector<std::string> out;
        const std::regex word(R"(\] \[info\] \[([A-Za-z-]+)\] cap)");
        for (const std::string& line : log.lines()) {
            std::smatch m;
            if (!std::regex_search(line, m, word)) continue;
            if (m[1] != "Move" && m[1] != "entered" && m[1] != "exited") out.push_back(m[1]);
        }
        return out;
    }
    void showPad()
    {
        pad.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pad));
        log.clear();
    }

    LogCapture log;
    BTTestPadView pad;
};

void expectColourNear(const QColor& actual, int r, int g, int b)
{
    EXPECT_NEAR(actual.red(), r, 3);
    EXPECT_NEAR(actual.green(), g, 3);
    EXPECT_NEAR(actual.blue(), b, 3);
}

} // namespace

TEST_F(TestPadTest, StrokeWidthAndOpacityFollowThePressure)
{
    // Full pressure: 30 points wide, blue at alpha 0.5 over white, round ends.
    stroke({20, 50}, {120, 50}, 1.0f);
    expectColourNear(pixel(70, 50), 128, 189, 255);
    for (const auto& [x, y, white] : {std::tuple{70, 36, false}, {70, 63, false}, {70, 33, true}, {70, 66, true},
                                      {8, 50, false}, {3, 50, true}}) // the cap reaches 15 points past the end
        EXPECT_EQ(isWhite(x, y), white) << x << ", " << y;

    // No pressure: nothing shows, the stroke still moves on.
    stroke({20, 85}, {120, 85}, 0.0f);
    for (int x = 0; x < 200; x += 5) EXPECT_TRUE(isWhite(x, 15)) << x;
    EXPECT_EQ(pad.previousLocation(), (Point{120, 85}));

    pad.clearDisplay();
    EXPECT_TRUE(isWhite(70, 50));
}

TEST_F(TestPadTest, ClickAndDragAreLoggedWithTheirTabletFields)
{
    showPad();
    QTest::mouseClick(&pad, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(types(), (std::vector<std::string>{"DOWN", "UP"}));
    const std::regex down(R"(^-\[BTTestPadView logEvent:withType:\]\[Line \d+\] \[info\] \[DOWN\] cap \d+ cc 1 pres 1\.000000 bn 0 bm 1$)");
    EXPECT_TRUE(std::regex_match(log.lines()[static_cast<size_t>(log.indexOf("[DOWN]"))], down)) << log.lines()[0];
    EXPECT_TRUE(isWhite(50, 50)); // a click draws nothing

    log.clear();
    QTest::mousePress(&pad, Qt::LeftButton, {}, QPoint(20, 20));
    for (int x : {40, 60, 80}) QTest::mouseMove(&pad, QPoint(x, 20));
    QTest::mouseRelease(&pad, Qt::LeftButton, {}, QPoint(80, 20));
    EXPECT_EQ(types(), (std::vector<std::string>{"DOWN", "DRAGGED", "DRAGGED-LOOP", "DRAGGED-LOOP", "DOWN-LOOP"}));
    // The first drag event is not drawn, yet the stroke starts at the press.
    EXPECT_FALSE(isWhite(25, 20));
    EXPECT_FALSE(isWhite(75, 20));

    // A repaint (a window passing over) keeps the strokes; showing the pad again clears them.
    const QImage shown = pad.grab().toImage();
    EXPECT_NE(shown.pixelColor(50, 20), QColor(Qt::white));
    pad.hide();
    pad.show();
    EXPECT_TRUE(isWhite(50, 20));
}

TEST_F(TestPadTest, PenEventsCarryTheirPressure)
{
    showPad();
    const QPointingDevice pen("test pen", 7, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
                              QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3);
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QTabletEvent event(type, &pen, at, pad.mapToGlobal(at), 0.5, 0, 0, 0, 0, 0, {}, button, buttons);
        QApplication::sendEvent(&pad, &event);
        EXPECT_TRUE(event.isAccepted());
    };
    send(QEvent::TabletMove, {20, 80}, Qt::NoButton, Qt::NoButton); // hover
    send(QEvent::TabletPress, {20, 80}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::TabletMove, {60, 80}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::TabletMove, {100, 80}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::TabletRelease, {100, 80}, Qt::LeftButton, Qt::NoButton);

    EXPECT_EQ(types(), (std::vector<std::string>{"DOWN", "DRAGGED", "DRAGGED-LOOP", "DOWN-LOOP"}));
    EXPECT_TRUE(log.contains("[Move] cap 5 cc 0 pres 0.500000 bn 0 bm 0"));
    EXPECT_TRUE(log.contains("[DOWN] cap 5 cc 1 pres 0.500000 bn 0 bm 1"));
    // Half pressure: 15 points wide at alpha 0.3.
    expectColourNear(pixel(60, 80), 179, 215, 255);
    EXPECT_FALSE(isWhite(60, 86));
    EXPECT_TRUE(isWhite(60, 89));
}
