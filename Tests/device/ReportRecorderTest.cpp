// The recorder's file: its lines, when they reach the disk, several devices,
// a write cut short, the command-line option, and closing from another thread.
// (A full disk with a running driver: RecordingScenarioTest.)
#include "LogCapture.h"
#include "ReportRecorder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/resource.h>
#include <thread>

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> linesOf(const std::string& path)
{
    std::vector<std::string> lines;
    std::istringstream in(contents(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

HIDDeviceInfo tabletInfo(const char* name = "Test Tablet", const char* phys = "usb-1/input0")
{
    HIDDeviceInfo info;
    info.name = name;
    info.physicalPath = phys;
    info.bus = 3;
    info.vendorID = 0x3f1d;
    info.productID = 0x0a31;
    info.reportDescriptor = {0x06, 0x00, 0xff, 0x09, 0x01};
    return info;
}

// Distinct device references; the recorder only compares them.
int deviceSlots[3];
HIDDeviceRef deviceRef(int i) { return reinterpret_cast<HIDDeviceRef>(&deviceSlots[i]); }

class ReportRecorderFile : public ::testing::Test {
protected:
    std::unique_ptr<ReportRecorder> open(const std::string& name = "recording.txt")
    {
        path = dir.file(name);
        std::string error;
        auto recorder = ReportRecorder::create(path, error, [this] { return now.load(); });
        EXPECT_TRUE(recorder) << error;
        return recorder;
    }
    void at(int64_t microseconds) { now = microseconds; }

    TempDir dir;
    std::string path;
    std::atomic<int64_t> now{7'000'000}; // any origin: times count from the first report
};

const uint8_t kReport[] = {0x02, 0xc1, 0x34, 0x12, 0x78, 0x56, 0xd0, 0x07, 0x00, 0x00};

} // namespace

TEST_F(ReportRecorderFile, WritesTheHeaderAndOneLinePerReport)
{
    auto recorder = open();
    recorder->deviceConnected(deviceRef(0), tabletInfo());
    const struct {
        int64_t time;
        size_t length;
        const char* line;
    } rows[] = {
        {7'000'000, 8, "E: 000000.000000 8 02 c1 34 12 78 56 d0 07"},
        {7'000'007, 3, "E: 000000.000007 3 02 c1 34"},
        {8'000'250, 0, "E: 000001.000250 0"},
        {7'000'000 + 1'000'000'000'001, 1, "E: 1000000.000001 1 02"}, // past six digits of seconds
    };
    for (const auto& row : rows) {
        at(row.time);
        recorder->record(deviceRef(0), kReport, row.length);
    }
    recorder->record(deviceRef(1), kReport, 8); // not connected: not recorded
    recorder->close();
    recorder->record(deviceRef(0), kReport, 8); // closed: nothing more

    std::vector<std::string> want = {"R: 5 06 00 ff 09 01", "N: Test Tablet", "P: usb-1/input0", "I: 3 3f1d 0a31"};
    for (const auto& row : rows) want.push_back(row.line);
    EXPECT_EQ(linesOf(path), want);
    EXPECT_EQ(recorder->reportCount(), 4u);
    EXPECT_FALSE(recorder->isRecording());
}

TEST_F(ReportRecorderFile, LinesReachTheFileWithinHalfASecondAndAtUnplug)
{
    auto recorder = open();
    HIDDeviceInfo info = tabletInfo("Two\nLines", "");
    recorder->deviceConnected(deviceRef(0), info);
    // The header is out at once; with no physical path there is no P: line.
    EXPECT_EQ(linesOf(path), (std::vector<std::string>{"R: 5 06 00 ff 09 01", "N: Two Lines", "I: 3 3f1d 0a31"}));

    recorder->record(deviceRef(0), kReport, 8);
    at(7'400'000);
    recorder->record(deviceRef(0), kReport, 8);
    EXPECT_EQ(linesOf(path).size(), 3u); // still buffered
    at(7'500'000);
    recorder->record(deviceRef(0), kReport, 8);
    EXPECT_EQ(linesOf(path).size(), 6u);
    recorder->record(deviceRef(0), kReport, 8);
    recorder->deviceRemoved(deviceRef(0));
    EXPECT_EQ(linesOf(path).size(), 7u);
    EXPECT_TRUE(recorder->isRecording());
}

TEST_F(ReportRecorderFile, DeviceLinesTellInterfacesApartAndAReplugStartsABlock)
{
    auto recorder = open();
    recorder->deviceConnected(deviceRef(0), tabletInfo("Pen"));
    recorder->deviceConnected(deviceRef(1), tabletInfo("Keys", "usb-1/input1"));
    recorder->record(deviceRef(0), kReport, 1);
    recorder->record(deviceRef(0), kReport, 2);
    recorder->record(deviceRef(1), kReport, 3);
    recorder->deviceRemoved(deviceRef(0));
    recorder->deviceRemoved(deviceRef(1));
    recorder->deviceConnected(deviceRef(2), tabletInfo("Pen again", "usb-1/input0"));
    recorder->record(deviceRef(2), kReport, 4);
    recorder->close();

    const std::vector<std::string> want = {
        "R: 5 06 00 ff 09 01", "N: Pen", "P: usb-1/input0", "I: 3 3f1d 0a31", // device 0
        "D: 1", "R: 5 06 00 ff 09 01", "N: Keys", "P: usb-1/input1", "I: 3 3f1d 0a31",
        "D: 0", "E: 000000.000000 1 02", "E: 000000.000000 2 02 c1",
        "D: 1", "E: 000000.000000 3 02 c1 34",
        // The replug is device 0 again, in a block of its own.
        "D: 0", "R: 5 06 00 ff 09 01", "N: Pen again", "P: usb-1/input0", "I: 3 3f1d 0a31",
        "E: 000000.000000 4 02 c1 34 12"};
    EXPECT_EQ(linesOf(path), want);
}

TEST_F(ReportRecorderFile, AWriteCutShortLeavesOnlyWholeLines)
{
    LogCapture log;
    auto recorder = open();
    recorder->deviceConnected(deviceRef(0), tabletInfo());
    // The file may grow to 1000 bytes: a line straddles the limit.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    for (int i = 0; i < 50 && recorder->isRecording(); ++i) {
        at(now + 600'000); // each report is written out at once
        recorder->record(deviceRef(0), kReport, 8 + i % 3);
    }
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);

    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(log.contains("recording stopped")) << (log.lines().empty() ? "" : log.lines()[0]);
    EXPECT_FALSE(log.contains("cut short"));
    const std::string text = contents(path);
    ASSERT_FALSE(text.empty());
    EXPECT_LE(text.size(), 1000u);
    EXPECT_EQ(text.back(), '\n');
    const std::regex line(R"(E: \d{6}\.\d{6} (8 02 c1 34 12 78 56 d0 07|9 02 c1 34 12 78 56 d0 07 00|10 02 c1 34 12 78 56 d0 07 00 00))");
    const auto lines = linesOf(path);
    for (size_t i = 4; i < lines.size(); ++i) EXPECT_TRUE(std::regex_match(lines[i], line)) << lines[i];
}

TEST(ReportRecorderOption, CommandLine)
{
    TempDir dir;
    const std::string file = dir.file("r.txt");
    const std::string joined = "--record=" + file;
    const std::string folder = dir.path().string();
    const struct {
        std::vector<const char*> args;
        std::string path;  // of the recorder made; empty: none
        std::string error; // the one line for the user
    } rows[] = {
        {{"prog", "--headless"}, "", ""},
        {{"prog", "--record", file.c_str()}, file, ""},
        {{"prog", joined.c_str(), "--headless"}, file, ""},
        {{"prog", "--record"}, "", "--record needs a file name"},
        {{"prog", "--record="}, "", "--record needs a file name"},
        {{"prog", "--record", "/nonexistent/folder/r.txt"}, "",
         "cannot create /nonexistent/folder/r.txt: No such file or directory"},
        {{"prog", "--record", folder.c_str()}, "", "cannot create " + folder + ": Is a directory"},
    };
    for (const auto& row : rows) {
        std::string error = "stale";
        auto recorder = ReportRecorder::fromArguments(static_cast<int>(row.args.size()), row.args.data(), error);
        EXPECT_EQ(recorder ? recorder->path() : "", row.path) << row.args[1];
        EXPECT_EQ(error, row.error) << row.args[1];
    }
}

TEST(ReportRecorderConcurrency, ClosingWhileTheDriverThreadRecordsLeavesWholeLines)
{
    TempDir dir;
    std::string error;
    auto recorder = ReportRecorder::create(dir.file("r.txt"), error);
    ASSERT_TRUE(recorder) << error;
    recorder->deviceConnected(deviceRef(0), tabletInfo());
    std::atomic<int> recorded{0};
    std::thread driverThread([&] {
        for (int i = 0; i < 20000; ++i) {
            recorder->record(deviceRef(0), kReport, 8);
            recorded = i + 1;
        }
    });
    while (recorded < 2000) std::this_thread::yield();
    recorder->close();
    driverThread.join();

    const std::string text = contents(dir.file("r.txt"));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const auto lines = linesOf(dir.file("r.txt"));
    EXPECT_EQ(lines.size(), 4 + recorder->reportCount());
    EXPECT_GE(recorder->reportCount(), 2000u);
}
