// One tablet point through the screen manager's mapping, as report decoding
// calls it for every report.
#include "BTDriverManager.h"
#include "BTScreenManager.h"
#include "FixedDisplayService.h"
#include "PlatformServices.h"
#include "SystemLog.h"
#include "UserDefaults.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

static void BM_MapTabletPoint(benchmark::State& state)
{
    SystemLog::setSink([](const std::string&) {});
    FixedDisplayService displays;
    Platform::services().displays = &displays;
    const auto path = std::filesystem::temp_directory_path() / "brevola-bench-defaults.plist";
    UserDefaults defaults(path.string());
    BTDriverManager driver(BTDriverManager::Options{&defaults});
    BTScreenManager screens(driver);
    driver.setScreenManagerSource(&screens);
    driver.initializeScreenSettings();
    screens.setRotation(static_cast<double>(state.range(0)));

    const Rect tabletMapping = driver.tabletMapping();
    double x = 0;
    for (auto _ : state) {
        const auto m = screens.mapTabletCoordinatesToDisplaySpaceWithPoint({x, 65535 - x}, tabletMapping);
        benchmark::DoNotOptimize(m);
        x = x >= 65535 ? 0 : x + 7;
    }
    Platform::services().displays = nullptr;
    std::filesystem::remove(path);
}
BENCHMARK(BM_MapTabletPoint)->Arg(0)->Arg(90)->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
