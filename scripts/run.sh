#!/usr/bin/env bash
# Sets up, builds and starts the driver.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVOLA_BUILD_BENCHMARKS=OFF >/dev/null
ninja -C build brevola-driver
exec build/Classes/app/brevola-driver "$@"
