# After login the person window lists persons: a click on a category lists its persons, the quick
# search finds by name, a title click orders the list; the category dialog adds a category. Where
# the parts are and what the list holds is read from the program's trace of channel "custom"
# (VESTREL_DEBUG), written at every clock tick; what the database holds is read with sqlite3.
dir=$(e2e_fresh_copy person-window)
db="$dir/DataBase/Custom.mdb"
caption=$(e2e_sql "$db" "select SoftName || Version from T_SoftInfo order by ID limit 1")
log="$E2E_ARTIFACTS/$E2E_CASE.log"
export VESTREL_DEBUG=main=trace,custom=trace

trace() { tr -d '\r' <"$log" | sed -n "s/^trace:$1: //p"; }
# The newest trace line of channel "custom" that starts with KIND (e.g. "tree:").
latest() { trace custom | grep -F -- "$1" | grep -- "^$1" | tail -1; }
# The centre "x y" of NAME in the newest KIND line.
centre() {
  latest "$1" | tr ' ' '\n' | sed -n "s/^$2=//p" | awk -F, '{ printf "%d %d\n", $1 + $3 / 2, $2 + $4 / 2 }'
}
# Waits up to SECONDS (10) until the newest KIND line matches REGEX, after the line count N.
wait_latest() {
  local kind=$1 regex=$2 seconds=${3:-10} deadline=$((SECONDS + ${3:-10}))
  while [ $SECONDS -le $deadline ]; do
    latest "$kind" | grep -qE -- "$regex" && return 0
    sleep 0.3
  done
  e2e_log "no \"$kind\" trace matching \"$regex\" within $seconds s (last: $(latest "$kind"))"
  return 1
}
click_at() {
  xdotool mousemove "$1" "$2" click 1
  sleep 0.4
}

all=$(e2e_sql "$db" "select count(*) from custom")
[ -n "$all" ] || { e2e_fail "cannot count the persons"; return 1; }
[ "$all" -le 100 ] || all=100

e2e_start "$dir"
login=$(e2e_wait_window '^登录$') || { e2e_fail "no login dialog"; return 1; }
sleep 0.5
e2e_choose_operator "$login" 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_key Return
e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_fail "no main window"; return 1; }

# The start list: every person (at most 100), counted in status panel 1.
wait_latest "status:" "^status: 当前共有 $all 条个人记录\$" 15 || { e2e_fail "the start list is not counted"; return 1; }
wait_latest "tree:" " 03=" || { e2e_fail "the category tree is not shown"; return 1; }
e2e_shot 1-person-window

# The current row's indicator (left of the first title, in the first data row) shows its arrow.
wait_latest "titles:" " CustCode=" || { e2e_fail "no grid titles"; return 1; }
read -r tx ty tw th <<<"$(latest "titles:" | tr ' ' '\n' | sed -n 's/^CustCode=//p' | tr ',' ' ')"
for _ in $(seq 1 10); do
  dark=$(e2e_dark_pixels $((tx - 10)) $((ty + th + 2)) 8 14)
  [ "${dark:-0}" -ge 4 ] && break
  sleep 0.5
done
[ "${dark:-0}" -ge 4 ] || { e2e_fail "no indicator arrow on the current row (${dark:-no} dark pixels)"; return 1; }

# A click on category 03 lists its persons (and those of its sub-categories, two levels deep).
read -r x y <<<"$(centre "tree:" 03)"
click_at "$x" "$y"
count=$(e2e_sql "$db" "select count(*) from custom where category like '03%'")
wait_latest "status:" "^status: 当前共有 $count 条客户记录\$" || { e2e_fail "category 03 does not list $count persons"; return 1; }
wait_latest "list:" "^list: rows=$count " || { e2e_fail "the list does not hold $count rows"; return 1; }
e2e_shot 2-category
e2e_log "category 03: $count persons"

# The quick search by name (the column list starts on "个人名称").
read -r x y <<<"$(centre "controls:" Edit_Key)"
click_at "$x" "$y"
e2e_type "晓"
e2e_key Return
count=$(e2e_sql "$db" "select count(*) from custom where Company like '%晓%'")
wait_latest "status:" "^status: 当前共有 $count 条个人记录\$" || { e2e_fail "the search by name does not find $count persons"; return 1; }
e2e_shot 3-search
e2e_log "search by name: $count persons"

# Title clicks on "个人编号": the first orders up, the second down (the largest number first).
read -r x y <<<"$(centre "titles:" CustCode)"
click_at "$x" "$y"
wait_latest "list:" "sort=\[  CustCode\]" || { e2e_fail "a title click does not order the list"; return 1; }
click_at "$x" "$y"
largest=$(e2e_sql "$db" "select max(CustCode) from custom where Company like '%晓%'")
wait_latest "list:" "sort=\[  CustCode DESC \] first=$largest\$" || { e2e_fail "a second title click does not order down"; return 1; }
e2e_shot 4-ordered

# The category dialog (tool bar "个人类别管理") adds a child of 04.
layout=$(trace main | grep '^tool bar:' | tail -1)
read -r cx cy cw ch <<<"$(echo "$layout" | tr ' ' '\n' | sed -n 's/^ToolButton6=//p' | tr ',' ' ')"
[ -n "$cx" ] || { e2e_fail "no tool bar layout"; return 1; }
click_at $((cx + cw / 2)) $((cy + ch / 2))
e2e_wait_window '^个人分类$' >/dev/null || { e2e_fail "no category dialog"; return 1; }
wait_latest "dialog tree:" " 04=" || { e2e_fail "the dialog shows no tree"; return 1; }
read -r x y <<<"$(centre "dialog tree:" 04)"
click_at "$x" "$y"
read -r x y <<<"$(centre "dialog buttons:" TB_Add)"
click_at $((x - 6)) "$y"
e2e_type "Hiking"
read -r x y <<<"$(centre "dialog buttons:" TB_Save)"
click_at "$x" "$y"
sleep 0.5
added=$(e2e_sql "$db" "select code || '-' || name from Cust_Category where code like '04__'")
[ "$added" = "0401-Hiking" ] || { e2e_fail "the dialog did not add 0401-Hiking (found \"$added\")"; return 1; }
e2e_log "category added: $added"
# The new node is a child of 04: opened with the Right key on 04.
read -r x y <<<"$(centre "dialog tree:" 04)"
click_at "$x" "$y"
e2e_key Right
wait_latest "dialog tree:" " 0401=" || { e2e_fail "the new node is not under 04"; return 1; }
e2e_shot 5-category-dialog
read -r x y <<<"$(centre "dialog buttons:" TB_Close)"
click_at "$x" "$y"
e2e_wait_no_window '^个人分类$' || { e2e_fail "the category dialog is still shown"; return 1; }

e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
