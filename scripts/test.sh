#!/usr/bin/env bash
# Sets up, builds and runs every test: a Release build that runs every test
# and each benchmark once (so a benchmark that no longer builds or crashes
# fails here; timings are not checked), an AddressSanitizer +
# UndefinedBehaviorSanitizer build (Debug, assertions on) that runs every test
# again, the threaded tests under ThreadSanitizer, the tray application on an
# X server, then the end-to-end test in a virtual machine. Warnings are errors
# in every build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

build() { # build-dir, extra cmake args..., then ninja targets after "--" (default: all)
  local dir=$1; shift
  local args=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
  [ $# -gt 0 ] && { shift; targets=("$@"); }
  cmake -S . -B "$dir" -G Ninja -DBREVOLA_WERROR=ON -DBREVOLA_BUILD_BENCHMARKS=OFF "${args[@]}" >/dev/null
  ninja -C "$dir" -j"$jobs" "${targets[@]}"
}

echo "== Release build: every test, and each benchmark once (${SECONDS} s so far)"
build build-release -DCMAKE_BUILD_TYPE=Release -DBREVOLA_BUILD_BENCHMARKS=ON
ctest --test-dir build-release --output-on-failure -j"$jobs"
for bench in build-release/Benchmarks/*Benchmark; do
  echo "-- $(basename "$bench")"
  "$bench" --benchmark_min_time=0.01 >/dev/null
done

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build (${SECONDS} s so far)"
build build-asan -DCMAKE_BUILD_TYPE=Debug -DBREVOLA_SANITIZE=address
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== ThreadSanitizer build (threaded tests) (${SECONDS} s so far)"
threaded=(app decoding device driver panel platform shortcuts uinput) # the folders with threaded tests
build build-tsan -DCMAKE_BUILD_TYPE=Debug -DBREVOLA_SANITIZE=thread -- "${threaded[@]/#/test_}"
GTEST_FILTER='*Concurrency*:DeviceScenario*' TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/scripts/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j"$jobs" -R "^test_($(IFS='|'; echo "${threaded[*]}"))\$"

echo "== the tray application on an X server (Xvfb, openbox, trayer, xdotool) (${SECONDS} s so far)"
BREVOLA_DESKTOP_SHOT=build-release/desktop.png Tests/desktop/run.sh build-release/Classes/app/brevola-driver

echo "== end-to-end test in a virtual machine (the sanitizer build's driver) (${SECONDS} s so far)"
export BREVOLA_E2E_CACHE=${BREVOLA_E2E_CACHE:-$HOME/.cache/brevola-e2e}
Tests/e2e/run.sh build-asan/Classes/app/brevola-driver
