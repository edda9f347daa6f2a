// The shortcut path of one key press: the command fetched from the store (one
// parse of the whole default document), its actions read, and its display text.
#include "Configure.h"
#include "InputEmulator.h"
#include "KeyMapInfo.h"
#include "PlatformServices.h"
#include "SystemLog.h"
#include "UserDefaults.h"

#include <benchmark/benchmark.h>

#include <filesystem>

static void BM_ReadShortcutForCmd(benchmark::State& state)
{
    SystemLog::setSink([](const std::string&) {});
    const auto path = std::filesystem::temp_directory_path() / "brevola-bench-shortcut-defaults.plist";
    std::filesystem::remove(path);
    UserDefaults defaults(path.string());
    Configure store(&defaults, Configure::builtInDocument());
    int64_t kid = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.readShortcutForCmd(kid));
        kid = (kid + 1) % 10;
    }
}
BENCHMARK(BM_ReadShortcutForCmd)->Repetitions(5)->ReportAggregatesOnly(true);

static void BM_ParseCmd(benchmark::State& state)
{
    PlatformServices none;
    InputEmulator executor(&none);
    const std::string command = "Command+Shift+A;Command+Shift+B;MouseRight;E,B;";
    for (auto _ : state) benchmark::DoNotOptimize(executor.parseCmd(command, false));
}
BENCHMARK(BM_ParseCmd)->Repetitions(5)->ReportAggregatesOnly(true);

static void BM_ShortkeyToChina(benchmark::State& state)
{
    const std::string command = "Ctrl+Shift+Z;MouseDoubleClick;Monitor;RunFile:/usr/bin/example";
    for (auto _ : state) benchmark::DoNotOptimize(KeyMapInfo::shortkeyToChina(command));
}
BENCHMARK(BM_ShortkeyToChina)->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
