#!/usr/bin/env bash
# Scrolling the data grid against Wine's own list view (SysListView32, report view), both showing
# 40 rows x 18 columns of a 100,000-row data set in the same client size: Page Down held from the
# first row to the last, and the vertical thumb dragged from top to bottom, painted after every step.
# Prints the time per step, one line per way:
#   name: ratio R (vestrel A ms, peer B ms)
# Target: ratio <= 1 (the grid's step takes at most as long as the list view's).
# Environment: VESTREL_BENCH_WIN_BUILD (build folder), VESTREL_BENCH_RECORDS (default 100000).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESTREL_BENCH_WIN_BUILD:-$root/build/bench-win}
records=${VESTREL_BENCH_RECORDS:-100000}

cmake -S "$root" -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
cmake --build "$build" --target gridscroll >/dev/null
"$root/scripts/wine-run.sh" "$build/bench/gridscroll.exe" "$records" | tr -d '\r'
