// Report decoding: position bits, pressure, the button mask, batching and smoothing.
#include "ReportFixture.h"

#include "NotificationCenter.h"

#include <cstdlib>

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

TEST_F(Decoding, PositionBitsMatchTheShiftedLittleEndianFields)
{
    // 32 bits from bytes 1-5 as the decoder lays them out, read back by intWithBits.
    std::srand(7);
    for (int round = 0; round < 500; ++round) {
        uint8_t b[6];
        for (auto& v : b) v = static_cast<uint8_t>(std::rand());
        int32_t bits[32];
        bits[0] = b[1] >> 7;
        for (int i = 0; i < 8; ++i) {
            bits[1 + i] = (b[2] >> i) & 1;
            bits[9 + i] = (b[3] >> i) & 1;
            bits[17 + i] = (b[4] >> i) & 1;
        }
        for (int i = 0; i < 7; ++i) bits[25 + i] = (b[5] >> i) & 1;
        const int32_t x = ((b[1] >> 7) | (b[2] << 1) | (b[3] << 9)) & 0xFFFF;
        const int32_t y = ((b[3] >> 7) | (b[4] << 1) | (b[5] << 9)) & 0xFFFF;
        ASSERT_EQ(BTDriverManager::intWithBits(bits, 15, 16), x);
        ASSERT_EQ(BTDriverManager::intWithBits(bits, 31, 16), y);
    }
    const int32_t bits[4] = {1, 1, 0, 1};
    EXPECT_EQ(BTDriverManager::intWithBits(bits, 3, 0), 0);
    EXPECT_EQ(BTDriverManager::intWithBits(bits, 3, 4), 0b1011);
}

TEST_F(Decoding, ReportPositionReachesTheRecordThroughMapping)
{
    startOneToOne();
    Report r{};
    r[1] = 0xC1;
    r[2] = 0x34;
    r[3] = 0x12;
    r[4] = 0x78;
    r[5] = 0x56;
    feedTimes(r, 4);
    EXPECT_EQ(driver().stylus().point, (StylusRecord::IntPoint{0x2469, 0xACF0}));
    EXPECT_EQ(driver().stylus().button_mask, 0x0080);
}

struct PressureCase {
    float damping;
    float deadZone;
    bool mouseMode;
    int raw;
    uint16_t expected;
};

TEST_F(Decoding, PressureScaling)
{
    const PressureCase cases[] = {
        {0.5f, 0, false, 2000, 0},       // at the floor: no pressure
        {0.5f, 0, false, 2001, 16007},   // just above it
        {0.5f, 0, false, 8192, 65535},
        {0.5f, 0, false, 0xFFFF, 65535}, // clamped at the level count
        {1.0f, 0, false, 6000, 65535},   // multiplier 1.5 clamps at 8192
        {0.0f, 0, false, 8192, 32767},   // multiplier 0.5
        {0.5f, 0, true, 0, 65535},       // mouse mode ignores the report
        {0.5f, 0.5f, false, 4000, 0},    // inside the dead zone
        {0.5f, 0.5f, false, 4096, 0},    // at its edge the response starts from 0
        {0.5f, 0.5f, false, 6144, 32767},// halfway through the rest
        {0.5f, 0.5f, false, 8192, 65535},// full pressure stays full
        {0.5f, 0.25f, false, 5120, 32767},
        {0.5f, 1.0f, false, 8192, 0},    // a dead zone of the whole range
        {0.5f, 1.5f, false, 8192, 0},
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

TEST_F(Decoding, DeadZoneResponseIsContinuousAndMonotonic)
{
    // The notification carries the remapped fraction before the floor applies.
    driver().setPressureDeadZone(0.3f);
    std::vector<double> percent;
    ScopedObserver observer(kUpdatePressureNotification, nullptr,
                            [&](const Notification& n) { percent.push_back(n.userInfo.at("pressure").doubleValue()); });
    driver().setShowPressure(true);
    for (int raw = 0; raw <= 8192; raw += 64) feed(stylusReport(kTip, 0, 0, raw));
    ASSERT_EQ(percent.size(), 129u);
    for (size_t i = 1; i < percent.size(); ++i) {
        EXPECT_GE(percent[i], percent[i - 1]);
        EXPECT_LT(percent[i] - percent[i - 1], 1.2); // 64 counts are 0.78 % before stretching by 1/0.7
    }
    EXPECT_DOUBLE_EQ(percent.front(), 0.0);
    EXPECT_DOUBLE_EQ(percent.back(), 100.0);
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
        {keyReport(3), 0x0004},                   {keyReport(15), 0x4000},
        {keyReport(0), 0x8000},                   {keyReport(16), 0x8000},
        {keyReport(17), 0x8000},                  {keyReport(0x0300), 0x8000},
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

TEST_F(Decoding, SmoothLinear3)
{
    struct Case {
        std::vector<double> in, out;
    } const cases[] = {
        {{0, 3, 6}, {0, 3, 6}},
        {{0, 6, 0}, {2, 2, 2}},
        {{1, 2}, {1, 2}},
        {{4}, {4}},
        {{0, 6, 0, 6, 0}, {2, 2, 4, 2, 2}},
    };
    for (const auto& c : cases) {
        std::vector<double> o(c.in.size(), -1);
        BTDriverManager::smoothLinear3(c.in.data(), static_cast<int32_t>(c.in.size()), o.data());
        for (size_t i = 0; i < o.size(); ++i) EXPECT_DOUBLE_EQ(o[i], c.out[i]) << i;
    }
    double untouched = -1;
    BTDriverManager::smoothLinear3(nullptr, 0, &untouched);
    EXPECT_EQ(untouched, -1);
}

TEST_F(Decoding, ThreePositionsAreSmoothedAndTheFourthDropped)
{
    startOneToOne();
    const int xs[] = {1000, 1600, 1000, 60000};
    for (int i = 0; i < 3; ++i) {
        feed(stylusReport(kHover, xs[i], 500));
        EXPECT_EQ(session->events().count(), 0u) << "report " << i;
    }
    feed(stylusReport(kHover, xs[3], 500));
    // Three moves, then the proximity pair of the first report processed in full.
    auto events = session->events().events();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[4].type, NX::kTabletProximity);
    events.resize(3);
    // [1000, 1600, 1000] smooths to [1200, 1200, 1200]; 60000 is not used.
    for (const auto& e : events) {
        EXPECT_EQ(e.type, NX::kMouseMoved);
        EXPECT_EQ(e.location.x, static_cast<int16_t>(1200));
        EXPECT_EQ(e.location.y, static_cast<int16_t>(500));
        EXPECT_EQ(e.options, NX::kSetCursorPosition);
    }
    // Moves measure against the record of the last report processed in full.
    EXPECT_EQ(events[0].data.mouseMove.dx, 1200);
}

TEST_F(Decoding, KeyReportLeavesThePositionBatchAlone)
{
    startOneToOne();
    feed(stylusReport(kHover, 2000, 3000));
    feed(stylusReport(kHover, 2000, 3000));
    feed(keyReport(3)); // bytes 4-5 would read as y = 6
    feed(stylusReport(kHover, 2000, 3000));
    EXPECT_EQ(linesStartingWith("dispatch key=2 down=1").size(), 1u);
    session->events().clear();
    feed(stylusReport(kHover, 2000, 3000));
    const auto events = session->events().events();
    ASSERT_GE(events.size(), 3u);
    for (const auto& e : events) EXPECT_EQ(e.location.y, 3000);
}

TEST_F(Decoding, StylusButtonWhileTheBatchFillsIsProcessedInFull)
{
    feed(stylusReport(kHover, 2000, 3000));
    const Point before = driver().stylus().scrPos;
    feed(stylusReport(kButton1, 9000, 9000));
    EXPECT_EQ(linesStartingWith("dispatch key=5 down=1").size(), 1u);
    EXPECT_EQ(driver().oldStylus().button_mask, 0x0020);
    EXPECT_EQ(driver().stylus().scrPos, before);
}

TEST_F(Decoding, TipAndHoverReportsStopWhileTheBatchFills)
{
    feed(stylusReport(kTip, 2000, 3000, 5000));
    feed(stylusReport(kHover, 2000, 3000));
    EXPECT_EQ(driver().oldStylus().button_mask, 0);
    EXPECT_EQ(driver().oldStylus().pressure, 0);
    EXPECT_TRUE(session->events().events().empty());
}

TEST_F(Decoding, PressureNotificationOncePerReport)
{
    ReplayOptions o;
    o.showPressure = true;
    start(o);
    driver().setPressureDeadZone(0.5f);
    for (int i = 0; i < 6; ++i) feed(stylusReport(kTip, 100 * i, 100, 6144));
    feed(keyReport(2));
    const auto notes = linesStartingWith("notify updatePressure");
    ASSERT_EQ(notes.size(), 7u);
    EXPECT_EQ(notes[0], "notify updatePressure pressure=50.00");
    EXPECT_EQ(notes[6], "notify updatePressure pressure=0.00");

    driver().setShowPressure(false);
    clearOutput();
    feedTimes(stylusReport(kTip, 0, 0, 6144), 3);
    EXPECT_TRUE(linesStartingWith("notify updatePressure").empty());
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
