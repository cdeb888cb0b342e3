#!/usr/bin/env bash
# The grid's exports against peers, in one run. Prints one line per figure:
#   name: ratio R (vestrel A ms, peer B ms)
#   xls-N:  N persons exported from a grid to a workbook, against ssconvert converting the same rows
#           from CSV to an Excel workbook (target ratio <= 0.1)
#   csv-N, text-N, rtf-N: the same rows as CSV, as tab-separated text and as an RTF table, against
#           the sqlite3 shell writing them as CSV; the line ends with our throughput in MB/s
# Environment: VESTREL_BENCH_BUILD (build folder), VESTREL_BENCH_EXPORT (default 65000: a worksheet
# holds 65,536 rows, and the export refuses more).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESTREL_BENCH_BUILD:-$root/build/bench}
rows=${VESTREL_BENCH_EXPORT:-65000}
for tool in sqlite3 ssconvert; do
  command -v $tool >/dev/null || { echo "bench: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -G Ninja -Wno-dev >/dev/null
cmake --build "$build" --target exportbench >/dev/null
bench="$build/bench/exportbench"
data="$build/export-data"
mkdir -p "$data"

ms_of() { # command...: wall-clock ms of one run
  local start end
  start=$EPOCHREALTIME
  "$@" >/dev/null
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", (e - s) * 1000 }'
}
report() { # name vestrel peer [tail]
  awk -v n="$1" -v a="$2" -v b="$3" -v t="${4:-}" \
    'BEGIN { printf "%s: ratio %.2f (vestrel %s ms, peer %s ms)%s\n", n, a / b, a, b, t }'
}

db="$data/persons-$rows.mdb"
if [ ! -f "$db" ]; then
  rm -f "$db.tmp"
  sqlite3 "$db.tmp" "CREATE TABLE persons (CustCode INTEGER PRIMARY KEY, Company TEXT(50), CustType TEXT(20),
      address TEXT(100), tel TEXT(30), email TEXT(50), income FLOAT, introduce LONGTEXT);
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
    INSERT INTO persons SELECT i, '人员' || i, '狮子座', '杭州市西湖区文一路 ' || i || ' 号', '0571-' || i,
      'p' || i || '@example.cn', 50000 + i * 0.25, '简介 "' || i || '"' FROM n;"
  mv "$db.tmp" "$db"
fi
csv="$data/persons-$rows.csv"
[ -f "$csv" ] || sqlite3 -csv -header "$db" "select * from persons" >"$csv"

line=$("$bench" xls "$db" "$data/ours.xls")
peer_xls() { ssconvert -T Gnumeric_Excel:excel_biff8 "$csv" "$data/peer.xls" 2>/dev/null; }
report "xls-$rows" "$(echo "$line" | awk '{ print $2 }')" "$(ms_of peer_xls)"

peer_csv() { sqlite3 -csv -header "$db" "select * from persons" >"$data/peer.csv"; }
peer_ms=$(ms_of peer_csv)
for format in csv text rtf; do
  line=$("$bench" $format "$db" "$data/ours.$format")
  ms=$(echo "$line" | awk '{ print $2 }')
  mbs=$(echo "$line" | awk '{ printf "%.1f", $3 / 1048576 / ($2 / 1000) }')
  report "$format-$rows" "$ms" "$peer_ms" ", $mbs MB/s"
done
