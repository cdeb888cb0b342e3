# Deleting persons from the person window: a click and two Ctrl+clicks select three rows, Ctrl+D asks
# and Yes deletes the three with their contacts; the footer row under the grid changes. The grid is
# read from the screen's pixels, the database with sqlite3.
dir=$(e2e_fresh_copy person-delete)
db="$dir/DataBase/Custom.mdb"
caption=$(e2e_sql "$db" "select SoftName || Version from T_SoftInfo order by ID limit 1")
all=$(e2e_sql "$db" "select count(*) from custom")
[ -n "$all" ] && [ "$all" -ge 4 ] && [ "$all" -le 100 ] || { e2e_fail "the shipped data needs 4 to 100 persons ($all)"; return 1; }

e2e_start "$dir"
e2e_wait_window '^登录$' >/dev/null || { e2e_fail "no login dialog"; return 1; }
e2e_choose_operator 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_key Return
e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_fail "no main window"; return 1; }
e2e_wait_line -s 15 item status "^当前共有 $all 条个人记录\$" >/dev/null || { e2e_fail "the start list is not counted"; return 1; }
grid=$(e2e_wait_line -f visible window '^TDBGridEh$' '') || { e2e_fail "no person grid"; return 1; }

# Inside the 2-pixel frame: the title row (21 pixels), then data rows of 18; the footer row at the
# bottom, above the horizontal scroll bar.
read -r gx gy gw gh <<<"$(printf '%s\n' "$grid" | cut -f4-7 | tr '\t' ' ')"
gx=$((gx + 2)); gy=$((gy + 2))
row=18; row_y=$((gy + 21)); code_x=$((gx + 40))
footer() { e2e_crop "$gx" $((gy + gh - 4 - 40)) $((gw - 4)) 40; }
sleep 1
footer_before=$(footer)
codes_before=$(e2e_sql "$db" "select count(*) from contact")

# Rows 1, 3 and 4: a click, then Ctrl+clicks.
e2e_click_at "$code_x" $((row_y + row / 2))
xdotool keydown ctrl
e2e_click_at "$code_x" $((row_y + 2 * row + row / 2))
e2e_click_at "$code_x" $((row_y + 3 * row + row / 2))
xdotool keyup ctrl
sleep 0.3
e2e_shot 1-three-selected
e2e_key ctrl+d
e2e_wait_window '^警告$' >/dev/null || { e2e_fail "Ctrl+D asks nothing"; return 1; }
e2e_shot 2-asked
e2e_key Return
deadline=$((SECONDS + 15))
left=$all
while [ $SECONDS -le $deadline ]; do
  left=$(e2e_sql "$db" "select count(*) from custom")
  [ "$left" = $((all - 3)) ] && break
  sleep 0.3
done
[ "$left" = $((all - 3)) ] || { e2e_fail "$((all - left)) persons deleted instead of 3"; return 1; }
orphans=$(e2e_sql "$db" "select count(*) from contact where CustCode not in (select CustCode from custom)")
[ "$orphans" = 0 ] || { e2e_fail "$orphans contacts of deleted persons are left"; return 1; }
e2e_log "3 of $all persons deleted, contacts $codes_before -> $(e2e_sql "$db" "select count(*) from contact")"
changed=no
for _ in $(seq 1 20); do
  [ "$(footer)" != "$footer_before" ] && { changed=yes; break; }
  sleep 0.3
done
e2e_shot 3-deleted
[ $changed = yes ] || { e2e_fail "the footer row does not change"; return 1; }

e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
