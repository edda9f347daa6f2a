// Report decoding: position bits, pressure, the button mask, batching and smoothing.
#include "ReportFixture.h"

namespace {

class Decoding : public ReplayFixture {
protected:
    // A display as large as the tablet's range maps tablet units one to one.
    void startOneToOne()
    {
        ReplayOptions o;
        o.displays = {Rect(0, 0, 65535, 65535)};
        start(o);
    }
};

TEST_F(Decoding, ReportPositionReachesTheRecordThroughMapping)
{
    startOneToOne();
    feedTimes({2, 0xC1, 0x34, 0x12, 0x78, 0x56}, 4);
    EXPECT_EQ(driver().stylus().point, (StylusRecord::IntPoint{0x2469, 0xACF0}));
    EXPECT_EQ(driver().stylus().button_mask, 0x0080);
}

TEST_F(Decoding, PressureScaling)
{
    struct Case {
        float damping, deadZone;
        bool mouseMode;
        int raw;
        uint16_t expected;
    } const cases[] = {
        {0.5f, 0, false, 2000, 0},       // at the floor: no pressure
        {0.5f, 0, false, 2001, 16007},   // just above it
        {1.0f, 0, false, 6000, 65535},   // multiplier 1.5, clamped at the level count
        {0.0f, 0, false, 8192, 32767},   // multiplier 0.5
        {0.5f, 0, true, 0, 65535},       // mouse mode ignores the report
        {0.5f, 0.5f, false, 4096, 0},    // at its edge the response starts from 0
        {0.5f, 0.5f, false, 4200, 0},    // just above it: no jump to full pressure
        {0.5f, 0.5f, false, 6144, 32767},// halfway through the rest
        {0.5f, 0.5f, false, 8192, 65535},// full pressure stays full
        {0.5f, 0.25f, false, 5120, 32767},
        {0.5f, 1.0f, false, 8192, 0},    // a dead zone of the whole range
    };
    for (const auto& c : cases) {
        driver().setPressureDamping(c.damping);
        driver().setPressureDeadZone(c.deadZone);
        driver().setEnableMouse(c.mouseMode);
        feed(stylusReport(kTip, 100, 100, c.raw));
        EXPECT_EQ(driver().stylus().pressure, c.expected)
            << "damping " << c.damping << " dead zone " << c.deadZone << " mouse " << c.mouseMode << " raw " << c.raw;
    }
}

TEST_F(Decoding, PressureNotificationOncePerReport)
{
    ReplayOptions o;
    o.showPressure = true;
    start(o);
    // The notification carries the fraction after the dead zone's stretch.
    driver().setPressureDeadZone(0.5f);
    for (int i = 0; i < 6; ++i) feed(stylusReport(kTip, 100 * i, 100, 6144));
    feed(keyReport(2));
    const auto notes = linesStartingWith("notify updatePressure");
    ASSERT_EQ(notes.size(), 7u);
    EXPECT_EQ(notes[0], "notify updatePressure pressure=50.00");
    EXPECT_EQ(notes[6], "notify updatePressure pressure=0.00");
    // With the meter off there is none: the allocation test shows it.
}

TEST_F(Decoding, ButtonMaskFromStatusAndKeyNumber)
{
    struct Case {
        Report report;
        uint16_t mask;
    } const cases[] = {
        {stylusReport(kTip, 10, 10), 0x0080},    {stylusReport(kButton1, 10, 10), 0x0020},
        {stylusReport(kButton2, 10, 10), 0x0040}, {stylusReport(kHover, 10, 10), 0x0000},
        {stylusReport(0x81, 10, 10), 0x0000},     {keyReport(1), 0x0001},
        {keyReport(15), 0x4000},                  {keyReport(0), 0x8000},
        {keyReport(16), 0x8000},                  {keyReport(0x0300), 0x8000},
    };
    for (const auto& c : cases) {
        start();
        // Three positions first, so that a stylus report is the one processed in full.
        feedTimes(stylusReport(kHover, 10, 10), 3);
        feed(c.report);
        EXPECT_EQ(driver().stylus().button_mask, c.mask) << "status " << int(c.report[1]) << " key " << int(c.report[4]);
        EXPECT_EQ(driver().stylus().button_click, c.mask != 0);
    }
}

TEST_F(Decoding, ThreePositionsAreSmoothedAndTheFourthDropped)
{
    startOneToOne();
    const int xs[] = {600, 1200, 2400, 60000};
    for (int i = 0; i < 3; ++i) feed(stylusReport(kHover, xs[i], 500));
    EXPECT_EQ(session->events().count(), 0u);
    feed(stylusReport(kHover, xs[3], 500));
    // Three moves, then the proximity pair of the first report processed in full.
    const auto events = session->events().events();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[4].type, NX::kTabletProximity);
    // The fixed three-point filter: [600, 1200, 2400] -> [500, 1400, 2300]; 60000 is not used.
    const int smoothed[] = {500, 1400, 2300};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(events[i].type, NX::kMouseMoved);
        EXPECT_EQ(events[i].location, (IOGPoint{static_cast<int16_t>(smoothed[i]), 500}));
        EXPECT_EQ(events[i].options, NX::kSetCursorPosition);
        // Moves measure against the record of the last report processed in full (the cursor at 0,0).
        EXPECT_EQ(events[i].data.mouseMove.dx, smoothed[i]);
    }
}

TEST_F(Decoding, WhileTheBatchFillsOnlyButtonReportsGoThroughAndKeyReportsAddNoPosition)
{
    startOneToOne();
    const Point before = driver().stylus().scrPos;
    feed(stylusReport(kTip, 2000, 3000, 5000)); // tip and hover reports stop at the batch
    EXPECT_EQ(driver().oldStylus().button_mask, 0);
    EXPECT_EQ(driver().oldStylus().pressure, 0);
    EXPECT_TRUE(session->events().events().empty());

    feed(keyReport(3)); // bytes 4-5 would read as y = 6
    EXPECT_EQ(linesStartingWith("dispatch key=2 down=1").size(), 1u);
    feed(stylusReport(kHover, 2000, 3000));
    feed(stylusReport(kButton1, 2000, 3000)); // the batch's third position; processed in full
    EXPECT_EQ(linesStartingWith("dispatch key=5 down=1").size(), 1u);
    EXPECT_EQ(driver().oldStylus().button_mask, 0x0020);
    EXPECT_EQ(driver().stylus().scrPos, before);

    session->events().clear();
    feed(stylusReport(kHover, 2000, 3000));
    const auto events = session->events().events();
    ASSERT_GE(events.size(), 3u);
    for (const auto& e : events) EXPECT_EQ(e.location, (IOGPoint{2000, 3000}));
}

TEST_F(Decoding, BitStrings)
{
    EXPECT_EQ(BTDriverManager::bitStringWithInt(0x105), "10100000"); // low 8 bits, lowest first
    const int32_t bits[] = {1, 0, 12, 1, 0};
    EXPECT_EQ(BTDriverManager::bitStringWithArray(bits, 5), "101210");
    EXPECT_EQ(BTDriverManager::bitStringWithBits(bits, 1, 3), "1210"); // "0121" reversed
    EXPECT_EQ(BTDriverManager::reverseString(u"ab\u00e9"), u"\u00e9ba");
}

} // namespace
