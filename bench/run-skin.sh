#!/usr/bin/env bash
# The skin archive decoder against gzip -d on the same container bytes compressed by gzip: our calm
# skin (decoded 50 times per round) and a 10 MB archive of mixed bitmaps (once per round); best of
# five rounds each. Prints one line per figure:
#   name: ratio R (vestrel A ms, peer B ms)
# LZHUF decodes bit by bit and is expected to be slower; the target is a ratio of at most 4.
# Environment: VESTREL_BENCH_BUILD (build folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESTREL_BENCH_BUILD:-$root/build/bench}
command -v gzip >/dev/null || { echo "bench: gzip is missing" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -Wno-dev >/dev/null
cmake --build "$build" --target skinbench >/dev/null
bench="$build/bench/skinbench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bench" mixed "$work/mixed.skn"

# Best of five runs of gzip -d over `count` copies of the compressed container, in milliseconds.
peer() {
  local file=$1 count=$2 best="" copies=()
  for _ in $(seq "$count"); do copies+=("$file"); done
  for _ in 1 2 3 4 5; do
    local start end ms
    start=$(date +%s%N)
    gzip -dc "${copies[@]}" >/dev/null
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }'
}

for item in "calm:$build/generated/skin/calm.skn:50" "mixed:$work/mixed.skn:1"; do
  IFS=: read -r name archive count <<<"$item"
  read -r ours bytes < <("$bench" decode "$archive" "$count" "$work/$name.container")
  gzip -9 -c "$work/$name.container" >"$work/$name.container.gz"
  theirs=$(peer "$work/$name.container.gz" "$count")
  mb=$(awk -v b="$bytes" -v n="$count" 'BEGIN { printf "%.1f", b * n / 1e6 }')
  awk -v n="skin-decode-$name-${mb}MB" -v a="$ours" -v b="$theirs" \
    'BEGIN { printf "%s: ratio %.2f (vestrel %s ms, peer %s ms)\n", n, a / b, a, b }'
done
