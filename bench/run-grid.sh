#!/usr/bin/env bash
# The data grid's painting against Wine's own list view (SysListView32, report view), both showing
# 40 rows x 18 columns of a 100,000-row data set in the same client size, repainted on the screen
# (RedrawWindow) and into a memory bitmap (WM_PRINTCLIENT). Prints one line per way:
#   name: ratio R (vestrel A ms, peer B ms)
# Target: ratio <= 1 (the grid repaints at most as slowly as the list view).
# Environment: VESTREL_BENCH_WIN_BUILD (build folder), VESTREL_BENCH_RECORDS (default 100000),
# VESTREL_BENCH_REPEATS (default 100).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESTREL_BENCH_WIN_BUILD:-$root/build/bench-win}
records=${VESTREL_BENCH_RECORDS:-100000}
repeats=${VESTREL_BENCH_REPEATS:-100}

cmake -S "$root" -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
cmake --build "$build" --target gridpaint >/dev/null
"$root/scripts/wine-run.sh" "$build/bench/gridpaint.exe" "$records" "$repeats" | tr -d '\r'
