# Admin with the empty password reaches the maximised main window whose caption is SoftName + Version.
dir=$(e2e_fresh_copy admin-login)
caption=$(e2e_sql "$dir/DataBase/Custom.mdb" "select SoftName || Version from T_SoftInfo order by ID limit 1")
[ -n "$caption" ] || { e2e_fail "T_SoftInfo has no row"; return 1; }
e2e_start "$dir"
login=$(e2e_wait_window '^登录$') || { e2e_fail "no login dialog"; return 1; }
sleep 0.5
e2e_shot 1-login
e2e_choose_operator 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_shot 2-admin-chosen
e2e_key Return
main=$(e2e_wait_window "^${caption}( - \[个人信息\])?\$") || { e2e_fail "no main window \"$caption\""; return 1; }
sleep 0.5
e2e_shot 3-main-window
e2e_wait_no_window '^登录$' || { e2e_fail "the login dialog is still shown"; return 1; }
[ "$(e2e_ini "$dir/Config.ini" login username)" = "0" ] || { e2e_fail "Config.ini does not remember Admin"; return 1; }
[ -d "$dir/Export" ] || { e2e_fail "no Export folder"; return 1; }
# The main window fills the screen.
eval "$(xdotool getwindowgeometry --shell "$main")"
[ "$WIDTH" -ge 1200 ] || { e2e_fail "the main window is not maximised (width $WIDTH)"; return 1; }
e2e_log "main window \"$caption\", ${WIDTH}x${HEIGHT}"
# Closing the main window ends the program.
e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
