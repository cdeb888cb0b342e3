# After login the main window shows the operator and a clock that moves on in its status bar; its
# tool bar opens the person window, the category dialog and the drop-down menu. What is shown is
# read with the inspector.
dir=$(e2e_fresh_copy main-window)
caption=$(e2e_sql "$dir/DataBase/Custom.mdb" "select SoftName || Version from T_SoftInfo order by ID limit 1")

e2e_start "$dir"
e2e_wait_window '^登录$' >/dev/null || { e2e_fail "no login dialog"; return 1; }
e2e_choose_operator 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_key Return
e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_fail "no main window \"$caption\""; return 1; }
e2e_shot 1-main-window

# The status bar: the operator, and a clock that moves on.
clock='^[0-9]+年[0-9]+月[0-9]+日 [0-9]+时[0-9]+分[0-9]+秒  [[]星期[^]]+[]]$'
e2e_wait_line item status '当前操作员: Admin$' >/dev/null || { e2e_fail "the status bar does not show the operator"; return 1; }
first=$(e2e_wait_line item status "$clock") || { e2e_fail "the status bar shows no clock"; return 1; }
first=$(e2e_field "$first" 11)
deadline=$((SECONDS + 5))
until now=$(e2e_inspect | e2e_match item status "$clock" | cut -f11) && [ -n "$now" ] && [ "$now" != "$first" ]; do
  [ $SECONDS -lt $deadline ] || { e2e_fail "the clock stays at $first (now \"$now\")"; return 1; }
  sleep 0.3
done
e2e_log "clock moved on from $first"

# "个人管理": after the person window was closed (Ctrl+F4) it comes back.
e2e_wait_line -f visible window '' '^个人信息$' >/dev/null || { e2e_fail "no person window"; return 1; }
e2e_key ctrl+F4
e2e_wait_gone -f visible window '' '^个人信息$' || { e2e_fail "Ctrl+F4 does not close the person window"; return 1; }
button=$(e2e_wait_line item toolbar '^个人管理') || { e2e_fail "no tool button 个人管理"; return 1; }
# The button's left part (its right end is the drop-down arrow).
read -r x y <<<"$(e2e_centre "$button")"
e2e_click_at $((x - 10)) "$y"
e2e_wait_line -f visible window '' '^个人信息$' >/dev/null || { e2e_fail "个人管理 does not show the person window"; return 1; }

# "个人类别管理" opens the category dialog, its "退出" closes it.
button=$(e2e_wait_line item toolbar '^个人类别管理$') || { e2e_fail "no tool button 个人类别管理"; return 1; }
e2e_click_line "$button"
dialog=$(e2e_wait_line window '' '^个人分类$') || { e2e_fail "no category dialog"; return 1; }
close=$(e2e_wait_line -r "$(e2e_field "$dialog" 2)" item toolbar '^退出') || { e2e_fail "the dialog has no 退出"; return 1; }
e2e_click_line "$close"
e2e_wait_gone window '' '^个人分类$' || { e2e_fail "the category dialog is still shown"; return 1; }

# The drop-down arrow of "个人管理" opens its menu; Esc closes it.
button=$(e2e_wait_line item toolbar '^个人管理') || return 1
read -r x y <<<"$(e2e_centre "$button")"
e2e_click_at $(($(e2e_field "$button" 4) + $(e2e_field "$button" 6) - 5)) "$y"
e2e_wait_line -f visible window '^#32768$' '' >/dev/null || { e2e_fail "the drop-down arrow opens no menu"; return 1; }
e2e_shot 2-drop-down
e2e_key Escape
e2e_wait_gone -f visible window '^#32768$' '' || { e2e_fail "Esc does not close the menu"; return 1; }

e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
