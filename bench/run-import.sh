#!/usr/bin/env bash
# The workbook import and compaction against their peers, in one run. Prints one line per figure:
#   name: ratio R (vestrel A ms, peer B ms)
#   import-N:  N persons from a workbook written by ssconvert, through the import's own steps, against
#              ssconvert turning the same workbook into CSV plus the sqlite3 shell importing that CSV
#   compact-M: compaction of a database of M persons (half of them deleted) into a copy and the
#              replace, against the sqlite3 shell's VACUUM INTO a copy and a rename on a twin file
# Target: compact <= 1.1.
# Environment: VESTREL_BENCH_BUILD (build folder), VESTREL_BENCH_IMPORT (default 10000),
# VESTREL_BENCH_COMPACT (default 1000000).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESTREL_BENCH_BUILD:-$root/build/bench}
rows=${VESTREL_BENCH_IMPORT:-10000}
persons=${VESTREL_BENCH_COMPACT:-1000000}
for tool in sqlite3 ssconvert python3; do
  command -v $tool >/dev/null || { echo "bench: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -G Ninja -Wno-dev >/dev/null
cmake --build "$build" --target importbench database >/dev/null
bench="$build/bench/importbench"
shipped="$build/Vestrel/DataBase/Custom.mdb"
data="$build/import-data"
mkdir -p "$data"

ms_of() { # command...: wall-clock ms of one run
  local start end
  start=$EPOCHREALTIME
  "$@" >/dev/null
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", (e - s) * 1000 }'
}
report() { # name vestrel peer
  awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN { printf "%s: ratio %.2f (vestrel %s ms, peer %s ms)\n", n, a / b, a, b }'
}

# ---- Import ----
book="$data/persons-$rows.xls"
if [ ! -f "$book" ]; then
  python3 - "$rows" "$data/persons-$rows.csv" <<'PY'
import sys
n, path = int(sys.argv[1]), sys.argv[2]
with open(path, "w", encoding="utf-8") as f:
    # The columns in the order of the mapping's targets, so that the proposal maps each one.
    f.write("个人名称,个人分类,星座,血型,性别,学历,年龄,通讯地址,邮编,联系电话,传真号码,手机号码,年收入,网址,"
            "电子信箱,QQ号,个人简介,登记性别,联系人姓名,联系人性别,职务,联系人电话,联系人手机\n")
    for i in range(n):
        sex = "男" if i % 2 else "女"
        f.write(f"人员{i},01,狮子座,A型,{sex},本科,{20 + i % 50},杭州市西湖区文一路 {i} 号,310{i % 1000:03d},"
                f"0571-{i:08d},0571-{i:08d},139{i:08d},{50000 + i},http://example.cn/{i},p{i}@example.cn,"
                f"{10000 + i},简介{i},{sex},联系人{i},{sex},经理,0571-{i:08d},138{i:08d}\n")
PY
  ssconvert -T Gnumeric_Excel:excel_biff8 "$data/persons-$rows.csv" "$book" 2>/dev/null
fi
ours=$data/ours.mdb
cp "$shipped" "$ours"
line=$("$bench" import "$ours" "$book")
imported=$(echo "$line" | awk '{ print $3 }')
[ "$imported" = "$rows" ] || { echo "bench: imported $imported of $rows persons" >&2; exit 1; }
peer_import() {
  ssconvert "$book" "$data/peer.csv" 2>/dev/null
  rm -f "$data/peer.db"
  cp "$shipped" "$data/peer.db"
  sqlite3 "$data/peer.db" ".import --csv --skip 1 $data/peer.csv persons_import" 2>/dev/null ||
    sqlite3 "$data/peer.db" ".import --csv $data/peer.csv persons_import"
}
report "import-$rows" "$(echo "$line" | awk '{ print $2 }')" "$(ms_of peer_import)"

# ---- Compaction ----
big="$data/big-$persons.mdb"
if [ ! -f "$big" ]; then
  cp "$shipped" "$big.tmp"
  sqlite3 "$big.tmp" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $persons)
    INSERT INTO custom (CustCode, Company, CustType, address, tel, Mobile, introduce, F_User)
    SELECT 1000 + i, '人员' || i, '狮子座', '杭州市西湖区文一路 ' || i || ' 号', '0571-' || i, '139' || i,
           '简介' || hex(randomblob(20)), 'Admin' FROM n;
    DELETE FROM custom WHERE CustCode % 2 = 0;"
  mv "$big.tmp" "$big"
fi
cp "$big" "$data/ours-big.mdb"
cp "$big" "$data/peer-big.mdb"
sync
vestrel_ms=$("$bench" compact "$data/ours-big.mdb" | awk '{ print $2 }')
peer_compact() {
  rm -f "$data/peer-big.tmp"
  sqlite3 "$data/peer-big.mdb" "VACUUM INTO '$data/peer-big.tmp'"
  mv "$data/peer-big.tmp" "$data/peer-big.mdb"
}
report "compact-$persons" "$vestrel_ms" "$(ms_of peer_compact)"
