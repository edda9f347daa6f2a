#!/usr/bin/env bash
# Sets up, builds and runs every test: a normal build, then an
# AddressSanitizer + UndefinedBehaviorSanitizer build, then the threaded tests
# under ThreadSanitizer, then the end-to-end test in a virtual machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

run_suite() { # build-dir, extra cmake args..., then ctest runs
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DBREVOLA_BUILD_BENCHMARKS=OFF "$@" >/dev/null
  ninja -C "$dir" -j"$jobs"
}

echo "== normal build"
run_suite build-test -DCMAKE_BUILD_TYPE=Debug
ctest --test-dir build-test --output-on-failure -j"$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DBREVOLA_SANITIZE=address
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== ThreadSanitizer build (threaded tests)"
run_suite build-tsan -DCMAKE_BUILD_TYPE=Debug -DBREVOLA_SANITIZE=thread
GTEST_FILTER='*Concurrency*:DeviceScenario*' TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/scripts/tsan.supp" ctest --test-dir build-tsan --output-on-failure -j"$jobs"

echo "== end-to-end test in a virtual machine (the sanitizer build's driver)"
export BREVOLA_E2E_CACHE=${BREVOLA_E2E_CACHE:-$HOME/.cache/brevola-e2e}
Tests/e2e/run.sh build-asan/Classes/app/brevola-driver
