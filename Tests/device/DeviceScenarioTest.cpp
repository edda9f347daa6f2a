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

Report pen(uint8_t status, int x, int y, int pressure = 0)
{
    const TabletReport r = stylusReport(status, x, y, pressure);
    return Report(r.begin(), r.end());
}
} // namespace

TEST_F(DeviceScenario, LaunchWithTheTabletPresentConnectsOnTheDriverThreadAndTheRecordingReplaysToTheLiveEvents)
{
    // Hover in, a stroke with rising pressure, a stylus button, out of range;
    // after a replug a short hover.
    std::vector<Report> first, second;
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
    EXPECT_LT(log.indexOf("initializing HID device"), log.indexOf("Connectred to manager. Registering callbacks"));
    EXPECT_LT(log.indexOf("created global event driver"), log.indexOf("] [info] tablet connected"));
    EXPECT_NE(callbackThread_.load(), QThread::currentThread());
    EXPECT_EQ(d.backgroundRunLoop(), callbackThread_.load());
    EXPECT_EQ(bus_->scheduledWithoutDispatcher(), 0); // hot-plug needs the thread's dispatcher
    // The pen starts at the cursor, read on the main thread and handed over.
    Point at;
    play(device, {}, [&] { at = d.stylus().scrPos; });
    EXPECT_EQ(at, (Point{12, 34}));
    EXPECT_GE(cursor_.reads, 1);
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
    char ids[32];
    std::snprintf(ids, sizeof ids, "I: 3 %04x %04x", BTDriverManager::tabletVendorID(),
                  BTDriverManager::tabletProductID());
    const std::vector<std::string> header = {"R: 4 06 00 ff c0", "N: Scripted Tablet", "P: scripted/input0", ids};
    const std::vector<std::string> lines = linesOf(atUnplug);
    ASSERT_EQ(lines.size(), 8 + first.size() + second.size());
    EXPECT_EQ(std::vector(lines.begin(), lines.begin() + 4), header);
    EXPECT_EQ(std::vector(lines.begin() + 4 + first.size(), lines.begin() + 8 + first.size()), header);
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

// With a recording on a full disk, which stops and leaves the pen working.
TEST_F(DeviceScenario, EveryConnectionSendsTheModeCommandAndEveryChangePostsOneNotification)
{
    LogCapture log;
    std::string error;
    const auto recorder = ReportRecorder::create("/dev/full", error);
    BTDriverManager& d = start(recorder.get());
    ASSERT_TRUE(waitFor([&] { return log.contains("opening HID service"); }));
    for (int i = 0; i < 1000; ++i) {
        const int device = plugTablet();
        waitConnected(true);
        if (i < 2) { // the stylus record is set up once per driver thread, not per connection
            bool offTablet = true;
            play(device, i == 0 ? kHovering : std::vector<Report>{}, [&] { offTablet = d.stylus().off_tablet; });
            EXPECT_FALSE(offTablet) << i;
        }
        bus_->unplug(device);
        waitConnected(false);
    }
    ASSERT_TRUE(waitFor([&] { return statusPosts_ == 2000; }));
    EXPECT_EQ(disconnectedPosts_, 1000);
    EXPECT_EQ(modeCommands(), 1000u);
    EXPECT_EQ(bus_->seizedDevices().size(), 1000u);
    EXPECT_TRUE(log.contains("] [info] tablet removed - cleaned up references"));
    EXPECT_EQ(d.currentDeviceRef(), nullptr);
    EXPECT_TRUE(log.contains("] [-warn-] cannot write /dev/full (No space left on device); recording stopped"));
    const auto events = events_.events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const HIDEvent& e) {
                  return e.type == NX::kTabletProximity && e.data.proximity.enterProximity;
              }), 1); // the pen went on
}

// Without a virtual pen the tablet is not seized and not switched to tablet
// mode; the next connection and reinitialising (on the calling thread) try
// the pen again, and the reason is logged once each time the pen goes.
TEST_F(DeviceScenario, WithoutAVirtualPenTheTabletIsLeftAloneUntilAConnectionOrReinitializeOpensIt)
{
    LogCapture log;
    const auto reasons = [&] {
        const auto lines = log.lines();
        return std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.find(kNoPen) != l.npos; });
    };
    events_.setHasService(false);
    int device = plugTablet();
    BTDriverManager& d = start();
    waitConnected(true);
    EXPECT_TRUE(log.contains(kNoPen + "no event service"));
    bool offTablet = true;
    play(device, kHovering, [&] { offTablet = d.stylus().off_tablet; });
    EXPECT_FALSE(offTablet); // decoded, with nothing to post to
    EXPECT_EQ(events_.count(), 0u);

    events_.setHasService(true);
    for (const int32_t failure : {EACCES, 0}) {
        events_.setOpenFailure(failure);
        bus_->unplug(device);
        waitConnected(false);
        device = plugTablet();
        waitConnected(true);
    }
    EXPECT_EQ(bus_->seizedDevices(), std::vector<int>{3});
    EXPECT_EQ(modeCommands(), 1u);
    EXPECT_EQ(reasons(), 1);
    for (const int32_t failure : {EACCES, 0}) {
        events_.setOpenFailure(failure);
        d.reinitialize();
        EXPECT_FALSE(d.isConnected());
        waitConnected(true);
    }
    EXPECT_TRUE(log.contains("] [info] Device was connected, emulating device remove"));
    EXPECT_TRUE(log.contains(kNoPen + "the event service refused a connection (code 13)"));
    EXPECT_EQ(reasons(), 2);
    EXPECT_EQ(bus_->seizedDevices(), (std::vector<int>{3, 3}));
    EXPECT_EQ(modeCommands(), 2u);
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
