// One tablet report through decoding, mapping and the stylus state machine,
// posting to an event system that drops what it gets. A stroke in progress:
// every fourth report emits three moves and a drag. The recording variant also
// writes each report to a recording on a memory file system (/dev/shm), as
// the input-report callback does.
#include "BTDriverManager.h"
#include "BTScreenManager.h"
#include "FixedDisplayService.h"
#include "NullHIDEventSystem.h"
#include "PlatformServices.h"
#include "ReportRecorder.h"
#include "SystemLog.h"
#include "TabletReports.h"
#include "UserDefaults.h"

#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>


static void decodeReports(benchmark::State& state, bool recording)
{
    SystemLog::setSink([](const std::string&) {});
    FixedDisplayService displays;
    NullHIDEventSystem events;
    Platform::services().displays = &displays;
    Platform::services().hidEventSystem = &events;
    const auto path = std::filesystem::temp_directory_path() / "brevola-bench-decode-defaults.plist";
    const std::filesystem::path shm = "/dev/shm";
    const auto recordingPath =
        (std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path()) / "brevola-bench.txt";
    {
        UserDefaults defaults(path.string());
        BTDriverManager driver(BTDriverManager::Options{&defaults});
        driver.openHIDService();
        driver.initializeStylus(Point{});
        BTScreenManager screens(driver);
        driver.setScreenManagerSource(&screens);
        driver.initializeScreenSettings();

        std::unique_ptr<ReportRecorder> recorder;
        HIDDeviceRef tablet = reinterpret_cast<HIDDeviceRef>(&driver);
        if (recording) {
            std::string error;
            recorder = ReportRecorder::create(recordingPath.string(), error);
            if (!recorder) {
                state.SkipWithError(error.c_str());
                return;
            }
            HIDDeviceInfo info;
            info.name = "benchmark tablet";
            info.reportDescriptor.assign(29, 0);
            recorder->deviceConnected(tablet, info);
        }

        std::vector<std::array<uint8_t, BTDriverManager::kReportLength>> reports;
        for (int i = 0; i < 4096; ++i) reports.push_back(stylusReport(kTip, 10000 + 9 * i, 12000 + 5 * i, 3000 + i % 5000));
        for (int i = 0; i < 16; ++i) driver.didReceiveReport(reports[i].data(), 2); // in range, tip down, dragging

        size_t n = 0;
        for (auto _ : state) {
            if (recorder) recorder->record(tablet, reports[n].data(), BTDriverManager::kReportLength);
            driver.didReceiveReport(reports[n].data(), 2);
            n = (n + 1) & 4095;
        }
        benchmark::DoNotOptimize(driver.eventNumber());
        // A recording that stopped (a full file system) would make the figure a lie.
        if (recorder && !recorder->isRecording()) state.SkipWithError("the recording stopped");
    }
    Platform::services().displays = nullptr;
    Platform::services().hidEventSystem = nullptr;
    std::filesystem::remove(path);
    std::filesystem::remove(recordingPath);
}

static void BM_DecodeReport(benchmark::State& state) { decodeReports(state, false); }
BENCHMARK(BM_DecodeReport)->Repetitions(9)->ReportAggregatesOnly(true);

static void BM_DecodeReportRecording(benchmark::State& state) { decodeReports(state, true); }
// 300 000 reports make a recording of about 35 MB, which fits a small /dev/shm.
BENCHMARK(BM_DecodeReportRecording)->Iterations(300000)->Repetitions(9)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
