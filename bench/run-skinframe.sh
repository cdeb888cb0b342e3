#!/usr/bin/env bash
# The form skinner under Wine. Prints one line per figure:
#   name: ratio R (vestrel A ms, peer B ms)
# - skin-start: from the start of a program to its window shown and drawn with the program's skin,
#   against a minimal Win32 program that opens one window (best of 5 starts each; target <= 1.5).
# - skin-repaint: full repaints of a 1000 x 700 window with 40 child controls, skinned against
#   the same window unskinned (best of 5 rounds of 200; target <= 1.3).
# - skin-repaint-cpu: the same, in the painting thread's processor time (less disturbed by load).
# Environment: VESTREL_BENCH_WIN_BUILD (build folder, default build/windows-x64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESTREL_BENCH_WIN_BUILD:-$root/build/windows-x64}

[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
cmake --build "$build" --target skinframe vestrel_skins >/dev/null
source "$root/scripts/wine-env.sh"
wine_ensure_prefix
wine_ensure_display
trap wine_stop_display EXIT
bench="$build/bench/skinframe.exe"
skin="$build/generated/skin/calm.skn"
wine_run "$bench" start-plain >/dev/null 2>&1 || true  # warms the prefix

best_start() {
  local best="" start end ms
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    wine_run "$bench" "$@" >/dev/null
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}
ours=$(best_start start-skinned "$skin")
theirs=$(best_start start-plain)
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "skin-start: ratio %.2f (vestrel %d ms, peer %d ms)\n", a / b, a, b }'

read -r skinned plain skinnedCpu plainCpu < <(wine_run "$bench" repaint "$skin" 200 | tr -d '\r')
awk -v a="$skinned" -v b="$plain" 'BEGIN { printf "skin-repaint: ratio %.2f (vestrel %s ms, peer %s ms)\n", a / b, a, b }'
awk -v a="$skinnedCpu" -v b="$plainCpu" \
  'BEGIN { printf "skin-repaint-cpu: ratio %.2f (vestrel %s ms, peer %s ms)\n", a / b, a, b }'
