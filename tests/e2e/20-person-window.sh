# After login the person window lists persons: a click on a category lists its persons, the quick
# search finds by name, title clicks order the list up and down; the category dialog adds a
# category. The tree, the status bar and the controls are read with the inspector; the grid, which
# draws itself, from the screen's pixels; the database with sqlite3.
dir=$(e2e_fresh_copy person-window)
db="$dir/DataBase/Custom.mdb"
caption=$(e2e_sql "$db" "select SoftName || Version from T_SoftInfo order by ID limit 1")

all=$(e2e_sql "$db" "select count(*) from custom")
[ -n "$all" ] || { e2e_fail "cannot count the persons"; return 1; }
[ "$all" -le 100 ] || all=100

e2e_start "$dir"
e2e_wait_window '^登录$' >/dev/null || { e2e_fail "no login dialog"; return 1; }
e2e_choose_operator 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_key Return
e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_fail "no main window"; return 1; }

# The start list: every person (at most 100), counted in status panel 1.
e2e_wait_line -s 15 item status "^当前共有 $all 条个人记录\$" >/dev/null || { e2e_fail "the start list is not counted"; return 1; }
node=$(e2e_wait_line -f visible item tree '^03-') || { e2e_fail "the category tree is not shown"; return 1; }
grid=$(e2e_wait_line -f visible window '^TDBGridEh$' '') || { e2e_fail "no person grid"; return 1; }
e2e_shot 1-person-window

# The grid's geometry: inside its 2-pixel frame the indicator column (11 pixels and a line), then
# the columns in the order and widths of T_FieldShow; the title row (21 pixels with its line), then
# the data rows (18).
read -r gx gy <<<"$(printf '%s\n' "$grid" | cut -f4,5 | tr '\t' ' ')"
gx=$((gx + 2)); gy=$((gy + 2))
first_width=$(e2e_sql "$db" "select Width from T_FieldShow where TableName like 'Custom' and show=1 order by ShowID limit 1")
[ -n "$first_width" ] || { e2e_fail "no first column in T_FieldShow"; return 1; }
row=18
title_y=$((gy + 10)); row_y=$((gy + 21)); code_x=$((gx + 12))

# The current row's indicator (left of the first title, in the first data row) shows its arrow.
for _ in $(seq 1 20); do
  dark=$(e2e_dark_pixels $((gx + 1)) $((row_y + 2)) 9 14)
  [ "${dark:-0}" -ge 4 ] && break
  sleep 0.3
done
[ "${dark:-0}" -ge 4 ] || { e2e_fail "no indicator arrow on the current row (${dark:-no} dark pixels)"; return 1; }

# A click on category 03 lists its persons (and those of its sub-categories, two levels deep).
e2e_click_line "$node"
count=$(e2e_sql "$db" "select count(*) from custom where category like '03%'")
e2e_wait_line item status "^当前共有 $count 条客户记录\$" >/dev/null || { e2e_fail "category 03 does not list $count persons"; return 1; }
e2e_wait_line -f selected item tree '^03-' >/dev/null || { e2e_fail "category 03 is not selected"; return 1; }
e2e_shot 2-category
e2e_log "category 03: $count persons"

# The quick search by name (the column list starts on "个人名称").
edit=$(e2e_wait_line window '^TEdit$' '') || { e2e_fail "no search field"; return 1; }
e2e_click_line "$edit"
e2e_type_shown '^TEdit$' "晓" || { e2e_fail "the search field does not take 晓"; return 1; }
e2e_key Return
count=$(e2e_sql "$db" "select count(*) from custom where Company like '%晓%'")
[ "$count" -ge 2 ] || { e2e_fail "the shipped data has fewer than two persons named 晓"; return 1; }
e2e_wait_line item status "^当前共有 $count 条个人记录\$" >/dev/null || { e2e_fail "the search by name does not find $count persons"; return 1; }
e2e_shot 3-search
e2e_log "search by name: $count persons"

# Title clicks on the first column: the first orders up (a marker appears in the title), the
# second down (another person comes first).
title() { e2e_crop "$gx" "$gy" $((first_width + 12)) 20; }
first_row() { e2e_crop "$code_x" "$row_y" "$first_width" "$row"; }
wait_changed() {
  local what=$1 before=$2 deadline=$((SECONDS + 10))
  while [ $SECONDS -le $deadline ]; do
    [ "$($what)" != "$before" ] && return 0
    sleep 0.3
  done
  return 1
}
title_before=$(title)
e2e_click_at $((code_x + first_width / 2)) "$title_y"
wait_changed title "$title_before" || { e2e_fail "a title click shows no sort marker"; return 1; }
sleep 0.5
up=$(first_row)
title_up=$(title)
e2e_click_at $((code_x + first_width / 2)) "$title_y"
wait_changed title "$title_up" || { e2e_fail "a second title click does not turn the marker"; return 1; }
wait_changed first_row "$up" || { e2e_fail "a second title click does not order down"; return 1; }
e2e_shot 4-ordered

# The category dialog (tool bar "个人类别管理") adds a child of 04.
button=$(e2e_wait_line item toolbar '^个人类别管理$') || { e2e_fail "no tool button 个人类别管理"; return 1; }
e2e_click_line "$button"
dialog=$(e2e_wait_line window '' '^个人分类$') || { e2e_fail "no category dialog"; return 1; }
root=$(e2e_field "$dialog" 2)
node=$(e2e_wait_line -r "$root" -f visible item tree '^04-') || { e2e_fail "the dialog shows no 04"; return 1; }
e2e_click_line "$node"
add=$(e2e_wait_line -r "$root" item toolbar '^新增') || { e2e_fail "no 新增"; return 1; }
read -r x y <<<"$(e2e_centre "$add")"
e2e_click_at $((x - 6)) "$y"
e2e_wait_line -r "$root" -f focused window '^TEdit$' '' >/dev/null || { e2e_fail "the name field has no focus"; return 1; }
e2e_type "Hiking"
save=$(e2e_wait_line -r "$root" item toolbar '^保存') || { e2e_fail "no 保存"; return 1; }
e2e_click_line "$save"
# The new node is a child of 04: opened with the Right key on 04.
e2e_click_line "$node"
e2e_key Right
e2e_wait_line -r "$root" -f visible item tree '^0401-Hiking$' >/dev/null || { e2e_fail "the new node is not under 04"; return 1; }
added=$(e2e_sql "$db" "select code || '-' || name from Cust_Category where code like '04__'")
[ "$added" = "0401-Hiking" ] || { e2e_fail "the dialog did not add 0401-Hiking (found \"$added\")"; return 1; }
e2e_log "category added: $added"
e2e_shot 5-category-dialog
close=$(e2e_wait_line -r "$root" item toolbar '^退出') || { e2e_fail "no 退出"; return 1; }
e2e_click_line "$close"
e2e_wait_gone window '' '^个人分类$' || { e2e_fail "the category dialog is still shown"; return 1; }

e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
