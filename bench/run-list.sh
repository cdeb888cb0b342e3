#!/usr/bin/env bash
# A person-list load in the program's windows (the command, then the grid's repaint) against the
# sqlite3 shell running the same statement over the same persons. Prints one line per way:
#   name: ratio R (vestrel A ms, peer B ms)
# Target: every load under 200 ms at 2,000 persons.
# Environment: VESTREL_BENCH_WIN_BUILD (build folder), VESTREL_BENCH_PERSONS (default 2000),
# VESTREL_BENCH_REPEATS (default 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESTREL_BENCH_WIN_BUILD:-$root/build/bench-win}
persons=${VESTREL_BENCH_PERSONS:-2000}
repeats=${VESTREL_BENCH_REPEATS:-5}
command -v sqlite3 >/dev/null || { echo "bench: the sqlite3 shell is missing (scripts/setup.sh installs it)" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
cmake --build "$build" --target listload >/dev/null
source "$root/scripts/wine-env.sh"
wine_ensure_prefix
wine_ensure_display
trap wine_stop_display EXIT
folder="$build/listload-data"
out=$("$root/scripts/wine-run.sh" "$build/bench/listload.exe" "Z:$build/Vestrel/DataBase/Custom.mdb" "Z:$folder" \
      "$persons" "$repeats" | tr -d '\r')
database="$folder/DataBase/Custom.mdb"
[ -f "$database" ] || { echo "bench: listload wrote no database" >&2; printf '%s\n' "$out" >&2; exit 1; }

# The peer reads the same rows from a copy with the shell's own text collation.
peer="$folder/peer.db"
rm -f "$peer"
sqlite3 "$database" .dump | sed 's/COLLATE NOCASE_RTRIM/COLLATE NOCASE/g' | sqlite3 "$peer"

# Best of three wall-clock runs of the shell on one statement, in ms.
best_ms() {
  local best="" start end ms
  for _ in 1 2 3; do
    start=$EPOCHREALTIME
    sqlite3 "$peer" "$1" >/dev/null
    end=$EPOCHREALTIME
    ms=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", (e - s) * 1000 }')
    if [ -z "$best" ] || awk -v a="$ms" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$ms; fi
  done
  echo "$best"
}

report() { # name vestrel peer
  awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN { printf "%s: ratio %.2f (vestrel %s ms, peer %s ms)\n", n, a / b, a, b }'
}

first=$(sqlite3 "$peer" "select Code from Cust_Category where length(Code) = 2 order by Code limit 1")
ours() { printf '%s\n' "$out" | awk -v w="$1" '$1 == w { print $2 }'; }
report "list-quick-search-$persons" "$(ours quick-search)" "$(best_ms "Select * from custom where Company like '%%'")"
report "list-category-$persons" "$(ours category)" "$(best_ms "Select * from custom where category like '$first%'")"
report "list-root-$persons" "$(ours root)" "$(best_ms "Select * from Custom")"
