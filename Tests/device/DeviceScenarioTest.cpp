// The driver's life with scripted tablets: connection on its own thread,
// recording and replay, hot-plug, reinitialisation, a machine without a
// virtual pen, and the program refusing a recording it cannot create.
#include "DeviceFixture.h"
#include "ReplaySession.h"
#include "UinputDeviceFactory.h"
#include "UinputHIDEventSystem.h"

#include <QProcess>

#include <regex>

namespace {
const std::vector<Report> kHovering(4, {0x02, 0xC0, 0x00, 0x40, 0x00, 0x40, 0x00, 0x00}); // the fourth completes a batch
const std::string kNoPen = "] [-warn-] no virtual pen, so the tablet is left to the system's own driver (not seized, "
                           "not in tablet mode): ";
} // namespace

TEST_F(DeviceScenario, LaunchWithTheTabletPresentConnectsOnTheDriverThreadAndTheRecordingReplaysToTheLiveEvents)
{
    // Hover in, a stroke with rising pressure, a stylus button, out of range;
    // after a replug a short hover.
    std::vector<Report> first, second;
    const auto pen = [](uint8_t status, int x, int y, int pressure = 0) {
        const TabletReport r = stylusReport(status, x, y, pressure);
        return Report(r.begin(), r.end());
    };
    for (int i = 0; i < 8; ++i) first.push_back(pen(0xC0, 20000 + 100 * i, 30000));
    for (int i = 0; i < 24; ++i) first.push_back(pen(0xC1, 21000 + 300 * i, 30000 + 90 * i, 2400 + 200 * i));
    for (int i = 0; i < 8; ++i) first.push_back(pen(i < 4 ? 0xC2 : 0x00, 28000, 32000));
    for (int i = 0; i < 12; ++i) second.push_back(i < 8 ? pen(0xC0, 40000 - 500 * i, 20000 + 200 * i) : pen(0, 0, 0));
    const std::string path = dir_.file("recording.txt");
    std::string error;
    const auto recorder = ReportRecorder::create(path, error);
    ASSERT_TRUE(recorder) << error;
    LogCapture log;
    const HIDDeviceInfo info{"Scripted Tablet", "scripted/input0", 0, 0, 0, {0x06, 0x00, 0xff, 0xc0}};
    int device = plugTablet(info);
    BTDriverManager& d = start(recorder.get());
    waitConnected(true);
    EXPECT_NE(callbackThread_.load(), QThread::currentThread());
    EXPECT_EQ(d.backgroundRunLoop(), callbackThread_.load());
    EXPECT_EQ(bus_->scheduledWithoutDispatcher(), 0); // hot-plug needs the thread's dispatcher
    // The pen starts at the cursor, read on the main thread and handed over.
    Point at;
    play(device, {}, [&] { at = d.stylus().scrPos; });
    EXPECT_EQ(at, (Point{12, 34}));
    EXPECT_EQ(cursor_.readsElsewhere, 0);
    for (const auto* script : {&first, &second}) {
        if (script == &second) device = plugTablet(info);
        waitConnected(true);
        play(device, *script);
        bus_->unplug(device);
        waitConnected(false);
    }
    const std::string atUnplug = contents(path); // complete at unplug, before it is closed
    recorder->close(); // from the main thread, the driver thread still running
    EXPECT_EQ(contents(path), atUnplug);
    std::vector<std::string> live;
    for (const HIDEvent& e : events_.events()) live.push_back(ReplaySession::formatEvent(e));
    stop();
    EXPECT_TRUE(log.contains("] [info] driver thread stopped"));

    // A header block per connection, the scripted device's own, then its reports whole.
    const std::vector<std::string> lines = linesOf(atUnplug);
    ASSERT_EQ(lines.size(), 8 + first.size() + second.size());
    const std::string ids = QString::asprintf("I: 3 %04x %04x", BREVOLA_VENDOR_ID, BREVOLA_PRODUCT_ID).toStdString();
    for (size_t at : {size_t{0}, 4 + first.size()})
        EXPECT_EQ(std::vector(lines.begin() + at, lines.begin() + at + 4),
                  (std::vector<std::string>{"R: 4 06 00 ff c0", "N: Scripted Tablet", "P: scripted/input0", ids}));
    const std::regex report(R"(E: \d{6}\.\d{6} 32( [0-9a-f]{2}){32})");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](auto& l) { return std::regex_match(l, report); }),
              first.size() + second.size());
    std::ostringstream out;
    auto session = ReplaySession::create(ReplayOptions{}, out, error);
    ASSERT_TRUE(session) << error;
    std::ifstream in(path);
    ASSERT_TRUE(session->run(in, error)) << error;
    EXPECT_GE(linesOf(out.str(), "event type=6").size(), 1u); // the stroke dragged
    EXPECT_EQ(linesOf(out.str(), "event "), live);
}

// Without a virtual pen the tablet is neither seized nor switched to tablet
// mode, and the reason is logged once each time the pen goes; the next
// connection and reinitialising (on the calling thread) try the pen again.
// Each connection sends the mode command and each change posts one
// notification, while a recording on a full disk stops and the pen goes on.
TEST_F(DeviceScenario, WithoutAVirtualPenTheTabletIsLeftAloneUntilAConnectionOrReinitializeOpensIt)
{
    LogCapture log;
    const auto reasons = [&] {
        const auto lines = log.lines();
        return std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.find(kNoPen) != l.npos; });
    };
    std::string error;
    const auto recorder = ReportRecorder::create("/dev/full", error);
    events_.setHasService(false);
    int device = plugTablet();
    BTDriverManager& d = start(recorder.get());
    waitConnected(true);
    EXPECT_TRUE(log.contains(kNoPen + "no event service"));
    EXPECT_TRUE(log.contains("] [-warn-] cannot write /dev/full (No space left on device); recording stopped"));
    bool offTablet = true;
    play(device, kHovering, [&] { offTablet = d.stylus().off_tablet; });
    EXPECT_FALSE(offTablet); // decoded, with nothing to post to
    EXPECT_EQ(events_.count(), 0u);

    events_.setHasService(true);
    for (int i = 0; i < 1000; ++i) {
        events_.setOpenFailure(i == 0 ? EACCES : 0);
        bus_->unplug(device);
        waitConnected(false);
        device = plugTablet();
        waitConnected(true);
        if (i == 1 || i == 2) { // the record starts afresh with the pen, not at each connection
            play(device, {}, [&] { offTablet = d.stylus().off_tablet; });
            EXPECT_EQ(offTablet, i == 1) << i;
            if (i == 1) play(device, kHovering);
        }
    }
    EXPECT_EQ(bus_->seizedDevices().size(), 999u);
    EXPECT_EQ(bus_->seizedDevices()[0], 3);
    EXPECT_EQ(modeCommands(), 999u);
    EXPECT_EQ(reasons(), 1);
    ASSERT_TRUE(waitFor([&] { return statusPosts_ == 2001; }));
    EXPECT_EQ(disconnectedPosts_, 1000);
    const auto events = events_.events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const HIDEvent& e) {
                  return e.type == NX::kTabletProximity && e.data.proximity.enterProximity;
              }), 1);

    for (const int32_t failure : {EACCES, EACCES, 0, EACCES, 0}) {
        events_.setOpenFailure(failure);
        d.reinitialize();
        EXPECT_FALSE(d.isConnected());
        EXPECT_EQ(d.currentDeviceRef(), nullptr);
        waitConnected(true);
    }
    EXPECT_TRUE(log.contains("] [info] Device was connected, emulating device remove"));
    EXPECT_TRUE(log.contains(kNoPen + "the event service refused a connection (code 13)"));
    EXPECT_EQ(reasons(), 3); // once for each of the three times the pen went
    EXPECT_EQ(bus_->seizedDevices().size(), 1001u);
    EXPECT_EQ(modeCommands(), 1001u);
    EXPECT_EQ(events_.openConnections(), 1);
    EXPECT_EQ(callbackThread_.load(), QThread::currentThread());
    EXPECT_EQ(d.backgroundRunLoop(), QThread::currentThread());
    EXPECT_EQ(bus_->openManagers(), 1); // each manager let go of the tablet
}

TEST(VirtualPen, WithoutUinputTheReasonNamesTheErrorAndTheRuleThatGrantsIt)
{
    UinputHIDEventSystem uinput(std::make_unique<UinputDeviceFactory>("/nonexistent/uinput"));
    for (const auto& [result, error] : {std::pair{0, "No such file or directory"}, {EACCES, "Permission denied"}})
        EXPECT_EQ(uinput.unavailableReason(result),
                  std::string("cannot create the virtual pen on /dev/uinput: ") + error +
                      R"(; the udev rule KERNEL=="uinput", SUBSYSTEM=="misc", TAG+="uaccess", )"
                      R"(OPTIONS+="static_node=uinput" (udev/70-brevola-tablet.rules) grants it)");
}

TEST(DriverProgram, ARecordingThatCannotBeCreatedStopsItBeforeItStarts)
{
    QProcess driver;
    driver.start(BREVOLA_DRIVER_PATH, {"--record", "/nonexistent/folder/r.txt"});
    ASSERT_TRUE(driver.waitForFinished(20000));
    EXPECT_EQ(driver.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(driver.readAllStandardError()),
              "brevola-driver: cannot create /nonexistent/folder/r.txt: No such file or directory\n");
    EXPECT_TRUE(driver.readAllStandardOutput().isEmpty());
}
