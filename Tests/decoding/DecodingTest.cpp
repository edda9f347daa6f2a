// Report decoding: position bits, pressure, the button mask, batching and smoothing.
#include "ReportFixture.h"

#include <tuple>

namespace {

using Decoding = ReplayFixture;

// A display as large as the tablet's range maps tablet units one to one.
const ReplayOptions kOneToOne = [] { ReplayOptions o; o.displays = {Rect(0, 0, 65535, 65535)}; return o; }();

TEST_F(Decoding, ReportPositionReachesTheRecordThroughMapping)
{
    start(kOneToOne);
    processed({2, 0xC1, 0x34, 0x12, 0x78, 0x56});
    EXPECT_EQ(driver().stylus().point, (StylusRecord::IntPoint{0x2469, 0xACF0}));
}

TEST_F(Decoding, PressureScalingAndItsNotification)
{
    start(kShowPressure); // off, there is none: the allocation test shows it
    // Damping, dead zone, mouse mode, raw pressure; the record's pressure, and the
    // percentage notified: after the dead zone's stretch, before the floor.
    const std::tuple<float, float, bool, int, uint16_t, std::string> cases[] = {
        {0.5f, 0, false, 2000, 0, "24.41"},        {0.5f, 0, false, 2001, 16007, "24.43"}, // at the floor; above
        {1.0f, 0, false, 6000, 65535, "100.00"},   {0.0f, 0, false, 8192, 32767, "50.00"}, // multiplier 1.5, 0.5
        {0.5f, 0, true, 0, 65535, "100.00"},       // mouse mode ignores the report
        {0.5f, 0.5f, false, 4096, 0, "0.00"},      {0.5f, 0.5f, false, 4200, 0, "2.54"}, // the dead zone's edge
        {0.5f, 0.5f, false, 6144, 32767, "50.00"}, {0.5f, 0.5f, false, 8192, 65535, "100.00"}, // half the rest; full
        {0.5f, 0.25f, false, 5120, 32767, "50.00"}, {0.5f, 1.0f, false, 8192, 0, "0.00"}, // the whole range
    };
    for (const auto& [damping, deadZone, mouseMode, raw, expected, percent] : cases) {
        driver().setPressureDamping(damping);
        driver().setPressureDeadZone(deadZone);
        driver().setEnableMouse(mouseMode);
        feed(stylusReport(kTip, 100, 100, raw));
        EXPECT_EQ(driver().stylus().pressure, expected) << damping << " " << deadZone << " " << mouseMode << " " << raw;
        EXPECT_EQ(linesStartingWith("notify updatePressure").back(), "notify updatePressure pressure=" + percent);
    }
    EXPECT_EQ(linesStartingWith("notify updatePressure").size(), std::size(cases)); // batched reports notify too
}

TEST_F(Decoding, ButtonMaskFromStatusAndKeyNumber)
{
    const std::pair<Report, uint16_t> cases[] = {
        {stylusReport(kTip, 10, 10), 0x0080},   {stylusReport(kButton1, 10, 10), 0x0020},
        {stylusReport(kButton2, 10, 10), 0x0040}, {stylusReport(kHover, 10, 10), 0}, {stylusReport(0x81, 10, 10), 0},
        {keyReport(1), 0x0001}, {keyReport(15), 0x4000}, {keyReport(0), 0x8000}, {keyReport(16), 0x8000},
        {keyReport(0x0300), 0x8000},
    };
    for (const auto& [report, mask] : cases) {
        feed(stylusReport(kHover, 10, 10), 3); // so that the report is one processed in full
        feed(report);
        EXPECT_EQ(driver().stylus().button_mask, mask) << "status " << int(report[1]) << " key " << int(report[4]);
        EXPECT_EQ(driver().stylus().button_click, mask != 0);
    }
}

TEST_F(Decoding, ThreePositionsAreSmoothedAndTheFourthDropped)
{
    start(kOneToOne);
    for (int x : {600, 1200, 2400}) feed(stylusReport(kHover, x, 500));
    feed(stylusReport(kHover, 60000, 500));
    // The fixed three-point filter: [600, 1200, 2400] -> [500, 1400, 2300]; 60000 is not used.
    // Moves measure against the record of the last report processed in full (the cursor at 0,0).
    EXPECT_EQ(linesStartingWith("event "), (std::vector<std::string>{
                                               "event type=5 x=500 y=500 dx=500 dy=500 subtype=1 pressure=0",
                                               "event type=5 x=1400 y=500 dx=1400 dy=500 subtype=1 pressure=0",
                                               "event type=5 x=2300 y=500 dx=2300 dy=500 subtype=1 pressure=0",
                                               "event type=5 x=2300 y=500 dx=0 dy=0 subtype=2 enter=1",
                                               "event type=24 x=2300 y=500 enter=1",
                                           }));
    EXPECT_EQ(events()[0].options, NX::kSetCursorPosition);
}

TEST_F(Decoding, WhileTheBatchFillsOnlyButtonAndKeyReportsGoThroughAndKeysAddNoPosition)
{
    start(kOneToOne);
    // Tip and hover reports stop at the batch; bytes 4-5 of the key report would read as y = 6.
    for (const Report& r : {stylusReport(kTip, 2000, 3000, 5000), keyReport(3), stylusReport(kHover, 2000, 3000),
                            stylusReport(kButton1, 2000, 3000)})
        feed(r);
    EXPECT_EQ(trace(), "2+ in(0,0) 5+");
    session->events().clear();
    feed(stylusReport(kHover, 2000, 3000)); // the batch's fourth report: three moves
    ASSERT_GE(events().size(), 3u);
    for (const auto& e : events()) EXPECT_EQ(e.location, (IOGPoint{2000, 3000}));
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
