#!/usr/bin/env bash
# Filter benchmark against the sqlite3 shell: two filter-row conditions (a number range and a
# Chinese prefix) over the open data set of 1,000,000 persons, against the shell running the same
# WHERE. Prints: name: ratio R (vestrel A ms, peer B ms). Target: ratio <= 1.0.
# Environment: VESTREL_BENCH_BUILD (build folder), VESTREL_BENCH_SIZES (default "1000000").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESTREL_BENCH_BUILD:-$root/build/bench}
sizes=${VESTREL_BENCH_SIZES:-"1000000"}
command -v sqlite3 >/dev/null || { echo "bench: the sqlite3 shell is missing (scripts/setup.sh installs it)" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -Wno-dev >/dev/null
cmake --build "$build" --target dbbench >/dev/null
bench="$build/bench/dbbench"
data="$build/bench-data"
mkdir -p "$data"

best_ms() {
  local best="" start end ms
  for _ in 1 2 3; do
    start=$EPOCHREALTIME
    "$@" >/dev/null
    end=$EPOCHREALTIME
    ms=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", (e - s) * 1000 }')
    if [ -z "$best" ] || awk -v a="$ms" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$ms; fi
  done
  echo "$best"
}

for n in $sizes; do
  file="$data/custom-$n.mdb"
  if [ ! -f "$file" ]; then
    "$bench" generate "$file.tmp" "$n"
    mv "$file.tmp" "$file"
  fi
  ours=$("$bench" filter "$file" CustCode "> $((n / 2))" Company "张*")
  peer=$(best_ms sqlite3 "$file" "select * from custom where CustCode > $((n / 2)) and Company like '张%'")
  awk -v n="filter-$n" -v a="$ours" -v b="$peer" 'BEGIN { printf "%s: ratio %.2f (vestrel %s ms, peer %s ms)\n", n, a / b, a, b }'
done
