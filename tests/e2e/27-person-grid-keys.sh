# The person grid by keyboard and titles: Shift+Down three times and Ctrl+C put those four rows on
# the clipboard as text; a click on one title and a Ctrl+click on another order the list by both
# columns exactly as the database's ORDER BY does (read back by selecting every row with the
# indicator's title, then Ctrl+C; Ctrl+A is the window's "add" key). The clipboard is read with the
# inspector, the database with sqlite3.
dir=$(e2e_fresh_copy person-grid-keys)
db="$dir/DataBase/Custom.mdb"
caption=$(e2e_sql "$db" "select SoftName || Version from T_SoftInfo order by ID limit 1")
all=$(e2e_sql "$db" "select count(*) from custom")
[ -n "$all" ] && [ "$all" -ge 5 ] || { e2e_fail "the shipped data needs 5 persons or more ($all)"; return 1; }

# The clipboard's text: the titles' line, then one line per row (the footer's empty line dropped).
clipboard() { "$WINELOADER" "$E2E_INSPECTOR" --clipboard 2>/dev/null | tr -d '\r' | grep -v $'^\t*$'; }
# The rows of the clipboard's text, without the titles' line.
clipboard_rows() { clipboard | tail -n +2; }

e2e_start "$dir"
e2e_wait_window '^登录$' >/dev/null || { e2e_fail "no login dialog"; return 1; }
e2e_choose_operator 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_key Return
e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_fail "no main window"; return 1; }
e2e_wait_line -s 15 item status "^当前共有 $all 条个人记录\$" >/dev/null || { e2e_fail "the start list is not counted"; return 1; }
grid=$(e2e_wait_line -f visible window '^TDBGridEh$' '') || { e2e_fail "no person grid"; return 1; }

# Inside the 2-pixel frame: the indicator column (11 pixels and its line), then the columns with the
# widths of T_FieldShow and a line each; the title row (21 pixels), then data rows of 18.
read -r gx gy gw gh <<<"$(printf '%s\n' "$grid" | cut -f4-7 | tr '\t' ' ')"
gx=$((gx + 2)); gy=$((gy + 2))
row=18; row_y=$((gy + 21)); title_y=$((gy + 6))
# The centre of the title of FIELD.
title_x() {
  e2e_sql "$db" "select Field, Width from T_FieldShow where TableName = 'custom' and show = 1 order by ShowID" |
    awk -F'|' -v f="$1" -v x=$((gx + 12)) 'tolower($1) == tolower(f) { print x + int($2 / 2); exit } { x += $2 + 1 }'
}
# Field N of every clipboard line.
column_of() { awk -F'\t' -v n="$1" '{ print $n }'; }

# Shift+Down three times from the first row, then Ctrl+C.
e2e_click_at $((gx + 40)) $((row_y + row / 2))
e2e_key shift+Down shift+Down shift+Down
e2e_key ctrl+c
sleep 0.5
[ "$(clipboard | head -1 | cut -f1)" = "个人编号" ] || { e2e_fail "the copied text has no titles' line: $(clipboard | head -1)"; return 1; }
copied=$(clipboard_rows)
e2e_shot 1-four-copied
lines=$(printf '%s\n' "$copied" | grep -c .)
[ "$lines" = 4 ] || { e2e_fail "Ctrl+C put $lines lines on the clipboard instead of 4: $copied"; return 1; }
while IFS=$'\t' read -r code name _; do
  known=$(e2e_sql "$db" "select Company from custom where CustCode = '$code'")
  [ -n "$known" ] && [ "$known" = "$name" ] || { e2e_fail "copied row $code $name is not a person of the list"; return 1; }
done <<<"$copied"
[ "$(printf '%s\n' "$copied" | column_of 1 | sort -u | wc -l)" = 4 ] || { e2e_fail "the copied rows repeat: $copied"; return 1; }
e2e_log "Shift+Down x3, Ctrl+C: $(printf '%s\n' "$copied" | column_of 1 | tr '\n' ' ')"

# A click on the category's title, a Ctrl+click on the age's title.
cx=$(title_x Category); ax=$(title_x MainContact)
[ -n "$cx" ] && [ -n "$ax" ] && [ "$ax" -lt $((gx + gw - 20)) ] || { e2e_fail "the titles are not on the screen ($cx, $ax)"; return 1; }
e2e_click_at "$cx" "$title_y"
xdotool keydown ctrl
e2e_click_at "$ax" "$title_y"
xdotool keyup ctrl
sleep 0.5
e2e_shot 2-ordered
expected=$(e2e_sql "$db" "select Category || '|' || MainContact from custom order by Category, MainContact")
shown=""
for _ in $(seq 1 20); do
  e2e_key Escape
  e2e_click_at $((gx + 5)) "$title_y"
  e2e_key ctrl+c
  sleep 0.3
  shown=$(clipboard_rows | awk -F'\t' '{ print $3 "|" $8 }')
  [ "$shown" = "$expected" ] && break
  sleep 0.3
done
[ "$(printf '%s\n' "$shown" | grep -c .)" = "$all" ] || { e2e_fail "all rows and Ctrl+C copied $(printf '%s\n' "$shown" | grep -c .) of $all rows"; return 1; }
[ "$shown" = "$expected" ] || {
  e2e_log "shown:    $(printf '%s\n' "$shown" | head -8 | tr '\n' ' ')"
  e2e_log "expected: $(printf '%s\n' "$expected" | head -8 | tr '\n' ' ')"
  e2e_fail "the list is not in the order of category, then age"; return 1; }
e2e_log "ordered by category and age as ORDER BY Category, MainContact"

e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
