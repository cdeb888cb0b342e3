# The person window by mouse: a click on a tip shown over the category tree or the grid reaches the
# category or the grid beneath it; a right click on the tree opens the tree's menu.
dir=$(e2e_fresh_copy person-window-mouse)
db="$dir/DataBase/Custom.mdb"
caption=$(e2e_sql "$db" "select SoftName || Version from T_SoftInfo order by ID limit 1")
e2e_start "$dir"
e2e_wait_window '^登录$' >/dev/null || { e2e_fail "no login dialog"; return 1; }
e2e_choose_operator 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_key Return
e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_fail "no main window"; return 1; }
node=$(e2e_wait_line -s 15 -f visible item tree '^01-') || { e2e_fail "the category tree is not shown"; return 1; }
e2e_wait_line item status '条个人记录$' >/dev/null || { e2e_fail "no start list"; return 1; }

# Rests the pointer at X Y until the tip shows; prints the inspector's lines of that moment.
tip_at() {
  local try deadline screen
  for try in 1 2 3; do
    xdotool mousemove "$(($1 + try))" "$2"
    deadline=$((SECONDS + 4))
    while [ $SECONDS -le $deadline ]; do
      screen=$(e2e_inspect)
      if printf '%s\n' "$screen" | e2e_match -f visible window '^tooltips_class32$' '' | grep -q .; then
        printf '%s\n' "$screen"
        return 0
      fi
      sleep 0.2
    done
  done
  return 1
}

# The tree's tip lies over the categories below the pointer: a click on it, where it covers a
# category's text, selects that category.
read -r x y <<<"$(e2e_centre "$node")"
screen=$(tip_at "$x" "$y") || { e2e_fail "the tree shows no tip"; return 1; }
read -r tx ty beneath <<<"$(printf '%s\n' "$screen" | awk -F'\t' '
  $1 == "window" && $3 == "tooltips_class32" && $8 ~ /visible/ { l = $4; u = $5; r = $4 + $6; b = $5 + $7 }
  $1 == "item" && $3 == "tree" && $8 ~ /visible/ && r > 0 {
    x1 = $4 > l ? $4 : l; y1 = $5 > u ? $5 : u
    x2 = $4 + $6 < r ? $4 + $6 : r; y2 = $5 + $7 < b ? $5 + $7 : b
    if (x2 - x1 >= 4 && y2 - y1 >= 4) { printf "%d %d %s\n", (x1 + x2) / 2, (y1 + y2) / 2, $11; exit }
  }')"
[ -n "$beneath" ] || { e2e_fail "the tip covers no category"; return 1; }
e2e_click_at "$tx" "$ty"
e2e_shot 1-tree-tip-clicked
text=$beneath
e2e_wait_line -f selected item tree "^${text%%-*}-" >/dev/null || { e2e_fail "the click on the tip did not select $text"; return 1; }
e2e_wait_line item status '条客户记录$' >/dev/null || { e2e_fail "the click on the tip listed nothing"; return 1; }
e2e_log "a click on the tree's tip selected $text"

# The grid's tip: a click on it reaches the grid, which takes the focus.
grid=$(e2e_wait_line -f visible window '^TDBGridEh$' '') || { e2e_fail "no person grid"; return 1; }
read -r x y <<<"$(e2e_centre "$grid")"
screen=$(tip_at "$x" "$y") || { e2e_fail "the grid shows no tip"; return 1; }
read -r tx ty <<<"$(e2e_centre "$(printf '%s\n' "$screen" | e2e_match -f visible window '^tooltips_class32$' '' | head -1)")"
e2e_click_at "$tx" "$ty"
e2e_wait_line -f focused window '^TDBGridEh$' '' >/dev/null || { e2e_fail "the click on the grid's tip did not reach the grid"; return 1; }
e2e_shot 2-grid-clicked

# A right click on the tree opens its menu; Esc closes it.
node=$(e2e_wait_line -f visible item tree '^02-') || return 1
e2e_click_line "$node" 3
e2e_wait_line -f visible window '^#32768$' '' >/dev/null || { e2e_fail "a right click on the tree opens no menu"; return 1; }
e2e_shot 3-tree-menu
e2e_key Escape
e2e_wait_gone -f visible window '^#32768$' '' || { e2e_fail "the tree's menu stays"; return 1; }

e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
