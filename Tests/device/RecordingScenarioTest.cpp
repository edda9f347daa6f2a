// Recording a running driver's tablet: the recording replays to the events the
// live driver posted, a full disk leaves the pen working, and the driver
// program refuses a recording it cannot create before it starts.
#include "BTDriverManager.h"
#include "BTScreenManager.h"
#include "FixedDisplayService.h"
#include "LogCapture.h"
#include "PlatformServices.h"
#include "RecordingHIDEventSystem.h"
#include "ReplaySession.h"
#include "ReportRecorder.h"
#include "ScriptedHIDBus.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include "ScriptedServices.h"
#include "TabletReports.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>

namespace {

using Report = std::vector<uint8_t>;

Report penReport(uint8_t status, int x, int y, int pressure = 0)
{
    const TabletReport r = stylusReport(status, x, y, pressure);
    return Report(r.begin(), r.end());
}

std::vector<std::string> linesOf(const std::string& text, const std::string& prefix = "")
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A running driver with its own thread over a scripted bus, recording.
class DeviceScenarioRecording : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = useScriptedServices(displays_, events_, bus_);
    }
    void TearDown() override
    {
        stop();
        Platform::services() = previous_;
    }
    BTDriverManager& start(const std::string& recording)
    {
        std::string error;
        recorder_ = ReportRecorder::create(recording, error);
        EXPECT_TRUE(recorder_) << error;
        driver_ = std::make_unique<BTDriverManager>(BTDriverManager::Options{&defaults_, true});
        screens_ = std::make_unique<BTScreenManager>(*driver_);
        driver_->setScreenManagerSource(screens_.get());
        driver_->setReportRecorder(recorder_.get());
        return *driver_;
    }
    void stop()
    {
        driver_.reset(); // stops the driver thread
        screens_.reset();
        recorder_.reset();
    }
    int plugTablet()
    {
        HIDDeviceInfo info;
        info.name = "Scripted Tablet";
        info.physicalPath = "scripted/input0";
        info.reportDescriptor = kDescriptor;
        return bus_->plugIn(BTDriverManager::tabletVendorID(), BTDriverManager::tabletProductID(), info);
    }
    // Sends the reports and waits until the driver thread has taken them all.
    void play(int device, const std::vector<Report>& reports)
    {
        for (const Report& r : reports) bus_->sendReport(device, r);
        std::atomic<bool> through{false};
        bus_->afterDeliveries([&] { through = true; });
        ASSERT_TRUE(waitFor([&] { return through.load(); }));
    }

    static inline const std::vector<uint8_t> kDescriptor = {0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0xc0};

    PlatformServices previous_;
    TempDir dir_;
    UserDefaults defaults_{dir_.file("defaults.plist")};
    FixedDisplayService displays_;
    RecordingHIDEventSystem events_;
    std::shared_ptr<ScriptedHIDBus> bus_ = ScriptedHIDBus::create();
    std::unique_ptr<ReportRecorder> recorder_;
    std::unique_ptr<BTDriverManager> driver_;
    std::unique_ptr<BTScreenManager> screens_;
};

} // namespace

TEST_F(DeviceScenarioRecording, ARecordingReplaysToTheEventsOfTheLiveSession)
{
    // Hover in, a stroke with rising pressure, a stylus button, out of range;
    // after a replug a short hover.
    std::vector<Report> first, second;
    for (int i = 0; i < 8; ++i) first.push_back(penReport(0xC0, 20000 + 100 * i, 30000));
    for (int i = 0; i < 24; ++i) first.push_back(penReport(0xC1, 21000 + 300 * i, 30000 + 90 * i, 2400 + 200 * i));
    for (int i = 0; i < 4; ++i) first.push_back(penReport(0xC2, 28000, 32000));
    for (int i = 0; i < 4; ++i) first.push_back(penReport(0x00, 0, 0));
    for (int i = 0; i < 8; ++i) second.push_back(penReport(0xC0, 40000 - 500 * i, 20000 + 200 * i));
    for (int i = 0; i < 4; ++i) second.push_back(penReport(0x00, 0, 0));

    const std::string recording = dir_.file("recording.txt");
    BTDriverManager& d = start(recording);
    for (const auto* script : {&first, &second}) {
        const int device = plugTablet();
        ASSERT_TRUE(waitFor([&] { return d.isConnected(); }));
        play(device, *script);
        bus_->unplug(device);
        ASSERT_TRUE(waitFor([&] { return !d.isConnected(); }));
    }
    // Complete at unplug, before it is closed.
    const std::string atUnplug = contents(recording);
    recorder_->close(); // from the main thread, the driver thread still running
    EXPECT_EQ(contents(recording), atUnplug);

    std::vector<std::string> live;
    for (const HIDEvent& e : events_.events()) live.push_back(ReplaySession::formatEvent(e));
    stop();

    // A header block per connection, the scripted device's own, then its reports.
    char ids[32];
    std::snprintf(ids, sizeof ids, "I: 3 %04x %04x", BTDriverManager::tabletVendorID(),
                  BTDriverManager::tabletProductID());
    const std::vector<std::string> header = {"R: 8 06 00 ff 09 01 a1 01 c0", "N: Scripted Tablet",
                                             "P: scripted/input0", ids};
    const std::vector<std::string> lines = linesOf(atUnplug);
    ASSERT_EQ(lines.size(), 2 * header.size() + first.size() + second.size());
    EXPECT_EQ(lines[4].rfind("E: 000000.000000 32 02 c0 ", 0), 0u);
    auto line = lines.begin();
    for (const auto* script : {&first, &second}) {
        EXPECT_EQ(std::vector<std::string>(line, line + 4), header);
        line += 4;
        for (const Report& sent : *script) {
            ReportReader::Report recorded{};
            std::string error;
            ASSERT_EQ(ReportReader::parse(*line, recorded, error), ReportReader::Line::Report) << *line;
            EXPECT_TRUE(std::equal(sent.begin(), sent.end(), recorded.begin())) << *line;
            EXPECT_NE(line->find(" 32 "), std::string::npos) << *line;
            ++line;
        }
    }

    std::ostringstream out;
    std::string error;
    auto session = ReplaySession::create(ReplayOptions{}, out, error);
    ASSERT_TRUE(session) << error;
    std::ifstream in(recording);
    ASSERT_TRUE(session->run(in, error)) << error;
    const std::vector<std::string> replayed = linesOf(out.str(), "event ");
    EXPECT_GE(live.size(), 20u);
    EXPECT_GE(linesOf(out.str(), "event type=6").size(), 1u); // the stroke dragged
    EXPECT_EQ(replayed, live);
}

TEST_F(DeviceScenarioRecording, AFullDiskStopsTheRecordingAndThePenGoesOn)
{
    LogCapture log;
    BTDriverManager& d = start("/dev/full");
    const int device = plugTablet();
    ASSERT_TRUE(waitFor([&] { return d.isConnected(); }));
    std::vector<Report> hover;
    for (int i = 0; i < 8; ++i) hover.push_back(penReport(0xC0, 20000 + 100 * i, 30000));
    play(device, hover);
    EXPECT_TRUE(log.contains("] [-warn-] cannot write /dev/full (No space left on device); recording stopped"));
    EXPECT_FALSE(recorder_->isRecording());
    size_t proximity = 0;
    for (const HIDEvent& e : events_.events()) proximity += e.type == NX::kTabletProximity;
    EXPECT_EQ(proximity, 1u);
}

TEST(DriverProgram, ARecordingThatCannotBeCreatedStopsItBeforeItStarts)
{
    QProcess driver;
    driver.start(BREVOLA_DRIVER_PATH, {"--record", "/nonexistent/folder/r.txt"});
    ASSERT_TRUE(driver.waitForFinished(20000));
    EXPECT_EQ(driver.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(driver.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(driver.readAllStandardError()),
              "brevola-driver: cannot create /nonexistent/folder/r.txt: No such file or directory\n");
    EXPECT_TRUE(driver.readAllStandardOutput().isEmpty());
}
