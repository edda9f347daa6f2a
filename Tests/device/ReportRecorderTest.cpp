// The recorder's file: its lines, when they reach the disk, several devices,
// a write cut short, and closing from another thread. (A full disk with a
// running driver: RecordingScenarioTest.)
#include "DeviceFixture.h"

#include <csignal>
#include <regex>
#include <sys/resource.h>
#include <thread>

namespace {

HIDDeviceInfo tabletInfo(const char* name, const char* phys = "usb-1/input0")
{
    return {name, phys, 3, 0x3f1d, 0x0a31, {0x06, 0x00, 0xff, 0x09, 0x01}};
}

// Distinct device references; the recorder only compares them.
int deviceSlots[3];
HIDDeviceRef deviceRef(int i) { return reinterpret_cast<HIDDeviceRef>(&deviceSlots[i]); }

const uint8_t kReport[] = {0x02, 0xc1, 0x34, 0x12, 0x78, 0x56, 0xd0, 0x07, 0x00, 0x00};

std::unique_ptr<ReportRecorder> openRecorder(const std::string& path, std::function<int64_t()> clock = nullptr)
{
    std::string error;
    auto recorder = ReportRecorder::create(path, error, std::move(clock));
    EXPECT_TRUE(recorder) << error;
    if (recorder) recorder->deviceConnected(deviceRef(0), tabletInfo("Pen"));
    return recorder;
}

} // namespace

TEST(ReportRecorderFile, WritesADeviceBlockEachConnectionAndTheReportsWithinHalfASecond)
{
    TempDir dir;
    const std::string path = dir.file("r.txt");
    int64_t now = 7'000'000; // any origin: times count from the first report
    auto recorder = openRecorder(path, [&] { return now; });
    recorder->deviceConnected(deviceRef(1), tabletInfo("Two\nLines", "")); // no P: line without a path
    EXPECT_EQ(linesOf(contents(path)).size(), 8u);                         // headers go out at once
    const struct {
        int device;
        int64_t time;
        size_t length, linesOut;
    } rows[] = {
        {0, 7'000'000, 8, 8}, {0, 7'000'007, 3, 8}, {1, 7'400'000, 0, 8},
        {1, 7'500'000, 1, 14}, // half a second after the last write
        {2, 7'600'000, 2, 14}, // not connected: not recorded
        {0, 8'000'250, 2, 16}, {0, 1'000'007'000'001, 1, 17}, // past six digits of seconds
    };
    for (const auto& row : rows) {
        now = row.time;
        recorder->record(deviceRef(row.device), kReport, row.length);
        EXPECT_EQ(linesOf(contents(path)).size(), row.linesOut) << row.time;
    }
    recorder->record(deviceRef(1), kReport, 4);
    recorder->deviceRemoved(deviceRef(0));
    EXPECT_EQ(linesOf(contents(path)).size(), 19u); // out at unplug
    recorder->deviceConnected(deviceRef(2), tabletInfo("Pen again", "usb-1/input0"));
    recorder->record(deviceRef(2), kReport, 4);
    recorder->close();
    recorder->record(deviceRef(2), kReport, 8); // closed: nothing more

    const std::vector<std::string> want = {
        "R: 5 06 00 ff 09 01", "N: Pen", "P: usb-1/input0", "I: 3 3f1d 0a31", // device 0
        "D: 1", "R: 5 06 00 ff 09 01", "N: Two Lines", "I: 3 3f1d 0a31",
        "D: 0", "E: 000000.000000 8 02 c1 34 12 78 56 d0 07", "E: 000000.000007 3 02 c1 34",
        "D: 1", "E: 000000.400000 0", "E: 000000.500000 1 02",
        "D: 0", "E: 000001.000250 2 02 c1", "E: 1000000.000001 1 02",
        "D: 1", "E: 1000000.000001 4 02 c1 34 12",
        // The replug is device 0 again, in a block of its own.
        "D: 0", "R: 5 06 00 ff 09 01", "N: Pen again", "P: usb-1/input0", "I: 3 3f1d 0a31",
        "E: 1000000.000001 4 02 c1 34 12"};
    EXPECT_EQ(linesOf(contents(path)), want);
    EXPECT_EQ(recorder->reportCount(), 8u);
    EXPECT_FALSE(recorder->isRecording());
}

TEST(ReportRecorderFile, AWriteCutShortLeavesOnlyWholeLines)
{
    LogCapture log;
    TempDir dir;
    int64_t now = 0;
    auto recorder = openRecorder(dir.file("r.txt"), [&] { return now += 600'000; }); // each line written at once
    // The file may grow to 1000 bytes: a line straddles the limit.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    for (int i = 0; i < 50 && recorder->isRecording(); ++i) recorder->record(deviceRef(0), kReport, 8 + i % 3);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);

    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(log.contains("recording stopped"));
    EXPECT_FALSE(log.contains("cut short"));
    const std::string text = contents(dir.file("r.txt"));
    ASSERT_FALSE(text.empty());
    EXPECT_LE(text.size(), 1000u);
    EXPECT_EQ(text.back(), '\n');
    const std::regex line(R"(E: \d{6}\.\d{6} (8|9|10) 02 c1 34 12 78 56 d0 07( 00){0,2})");
    const auto lines = linesOf(text);
    for (size_t i = 4; i < lines.size(); ++i) EXPECT_TRUE(std::regex_match(lines[i], line)) << lines[i];
}

TEST(ReportRecorderConcurrency, ClosingWhileTheDriverThreadRecordsLeavesWholeLines)
{
    TempDir dir;
    auto recorder = openRecorder(dir.file("r.txt"));
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
    EXPECT_EQ(linesOf(text).size(), 4 + recorder->reportCount());
    EXPECT_GE(recorder->reportCount(), 2000u);
}
