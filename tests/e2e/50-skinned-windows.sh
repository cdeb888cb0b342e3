# The program runs skinned: the main window and the person window are shown with our skin (a
# screenshot of each is kept), and the skin's close button, pressed with the mouse, ends the program.
dir=$(e2e_fresh_copy skinned-windows)
caption=$(e2e_sql "$dir/DataBase/Custom.mdb" "select SoftName || Version from T_SoftInfo order by ID limit 1")

e2e_start "$dir"
e2e_wait_window '^登录$' >/dev/null || { e2e_fail "no login dialog"; return 1; }
e2e_shot 1-login
e2e_choose_operator 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_key Return
e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_fail "no main window \"$caption\""; return 1; }
e2e_wait_line -f visible window '' '^个人信息$' >/dev/null || { e2e_fail "no person window"; return 1; }
main=$(e2e_wait_line window '' "^${caption}") || { e2e_fail "the inspector does not list the main window"; return 1; }
sleep 1
e2e_shot 2-main-and-person-window

# The skin's close button: 18 x 18 pixels, 24 from the window's right edge and 4 below its top.
x=$(($(e2e_field "$main" 4) + $(e2e_field "$main" 6) - 24 + 9))
y=$(($(e2e_field "$main" 5) + 4 + 9))
[ "$y" -ge 0 ] || y=0
e2e_log "close button at $x,$y"
person=$(e2e_wait_line -f visible window '' '^个人信息$') || return 1
for pair in "main:$main" "person:$person"; do
  line=${pair#*:}
  left=$(e2e_field "$line" 4) top=$(e2e_field "$line" 5)
  [ "$left" -ge 0 ] || left=0
  [ "$top" -ge 0 ] || top=0
  import -window root -crop "$(e2e_field "$line" 6)x$(e2e_field "$line" 7)+$left+$top" \
    +repage "$E2E_ARTIFACTS/$E2E_CASE-3-${pair%%:*}.png" 2>/dev/null
done
e2e_click_at "$x" "$y"
e2e_wait_exit 20 || { e2e_fail "the program still runs after its close button was clicked"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
