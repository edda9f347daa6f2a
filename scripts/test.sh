#!/usr/bin/env bash
# Sets up, builds and runs every test: a normal build, an AddressSanitizer +
# UndefinedBehaviorSanitizer build, the threaded tests under ThreadSanitizer, a
# Release build whose tests and benchmarks run once (so a benchmark that no
# longer builds or crashes fails here; timings are not checked), the tray
# application on an X server, then the end-to-end test in a virtual machine.
# Warnings are errors in every build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

build() { # build-dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DBREVOLA_WERROR=ON -DBREVOLA_BUILD_BENCHMARKS=OFF "$@" >/dev/null
  ninja -C "$dir" -j"$jobs"
}

echo "== normal build (${SECONDS} s so far)"
build build-test -DCMAKE_BUILD_TYPE=Debug
ctest --test-dir build-test --output-on-failure -j"$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build (${SECONDS} s so far)"
build build-asan -DCMAKE_BUILD_TYPE=Debug -DBREVOLA_SANITIZE=address
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== ThreadSanitizer build (threaded tests) (${SECONDS} s so far)"
build build-tsan -DCMAKE_BUILD_TYPE=Debug -DBREVOLA_SANITIZE=thread
GTEST_FILTER='*Concurrency*:DeviceScenario*' TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/scripts/tsan.supp" ctest --test-dir build-tsan --output-on-failure -j"$jobs"

echo "== Release build: tests, and each benchmark once (${SECONDS} s so far)"
build build-release -DCMAKE_BUILD_TYPE=Release -DBREVOLA_BUILD_BENCHMARKS=ON
ctest --test-dir build-release --output-on-failure -j"$jobs"
for bench in build-release/Benchmarks/*Benchmark; do
  echo "-- $(basename "$bench")"
  "$bench" --benchmark_min_time=0.01 >/dev/null
done

echo "== the tray application on an X server (Xvfb, openbox, trayer, xdotool) (${SECONDS} s so far)"
BREVOLA_DESKTOP_SHOT=build-test/desktop.png Tests/desktop/run.sh build-test/Classes/app/brevola-driver

echo "== end-to-end test in a virtual machine (the sanitizer build's driver) (${SECONDS} s so far)"
export BREVOLA_E2E_CACHE=${BREVOLA_E2E_CACHE:-$HOME/.cache/brevola-e2e}
Tests/e2e/run.sh build-asan/Classes/app/brevola-driver
