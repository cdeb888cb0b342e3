#!/usr/bin/env bash
# Data-layer benchmark against the sqlite3 shell. Prints one line per result:
#   name: ratio R (vestrel A ms, peer B ms)
# (the memory line compares megabytes: the open data set's peak against the file's size).
# Targets: open <= 1.3, sort <= 0.5, memory <= 1.5, footer-sum-recalc <= 1.5, footer-sum-edit under 1 ms.
# Environment: VESTREL_BENCH_BUILD (build folder), VESTREL_BENCH_SIZES (default "100000 1000000").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESTREL_BENCH_BUILD:-$root/build/bench}
sizes=${VESTREL_BENCH_SIZES:-"100000 1000000"}
command -v sqlite3 >/dev/null || { echo "bench: the sqlite3 shell is missing (scripts/setup.sh installs it)" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -Wno-dev >/dev/null
cmake --build "$build" --target dbbench >/dev/null
bench="$build/bench/dbbench"
data="$build/bench-data"
mkdir -p "$data"

# Best of three wall-clock runs of a shell command, in ms.
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

report() { # name vestrel peer unit
  awk -v n="$1" -v a="$2" -v b="$3" -v u="$4" 'BEGIN { printf "%s: ratio %.2f (vestrel %s %s, peer %s %s)\n", n, a / b, a, u, b, u }'
}

for n in $sizes; do
  file="$data/custom-$n.mdb"
  if [ ! -f "$file" ]; then
    "$bench" generate "$file.tmp" "$n"
    mv "$file.tmp" "$file"
  fi
  ours=$("$bench" open "$file")
  peer=$(best_ms sqlite3 "$file" "select * from custom")
  report "open-$n" "$ours" "$peer" ms

  ours=$("$bench" sort "$file" "Category, Company")
  peer=$(best_ms sqlite3 "$file" "select * from custom order by Category collate nocase, Company collate nocase")
  report "sort-$n" "$ours" "$peer" ms

  read -r recalc edit <<<"$("$bench" sums "$file")"
  peer=$(best_ms sqlite3 "$file" "select sum(income) from custom")
  report "footer-sum-recalc-$n" "$recalc" "$peer" ms
  peer=$(best_ms sqlite3 "$file" "update custom set income = income where CustID = 1")
  report "footer-sum-edit-$n" "$edit" "$peer" ms

  if [ "$n" = "1000000" ]; then
    bytes=$("$bench" memory "$file")
    size=$(stat -c %s "$file")
    report "memory-$n" "$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1048576 }')" \
           "$(awk -v b="$size" 'BEGIN { printf "%.1f", b / 1048576 }')" MB
  fi
done
