# A wrong password shows its message and the dialog stays; the chosen operator is remembered anyway.
dir=$(e2e_fresh_copy wrong-password)
name=$(e2e_sql "$dir/DataBase/Custom.mdb" "select username from admin where IsUser order by ID limit 1 offset 1")
password=$(e2e_sql "$dir/DataBase/Custom.mdb" "select password from admin where IsUser order by ID limit 1 offset 1")
[ -n "$password" ] || { e2e_fail "the second operator has no password"; return 1; }
e2e_start "$dir"
login=$(e2e_wait_window '^登录$') || { e2e_fail "no login dialog"; return 1; }
sleep 0.5
e2e_choose_operator 1 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_type "${password}x"
e2e_shot 1-typed
e2e_key Return
warning=$(e2e_wait_window '^警告$' 10) || { e2e_fail "no warning"; return 1; }
e2e_wait_focus "$warning" || { e2e_fail "the warning is not active"; return 1; }
e2e_shot 2-wrong-password
e2e_key Return
e2e_wait_no_window '^警告$' || { e2e_fail "the warning stays"; return 1; }
e2e_wait_window '^登录$' 5 >/dev/null || { e2e_fail "the login dialog went away"; return 1; }
e2e_wait_focus "$login" || { e2e_fail "the login dialog is not active again"; return 1; }
e2e_shot 3-dialog-stays
[ "$(e2e_ini "$dir/Config.ini" login username)" = "1" ] || { e2e_fail "Config.ini does not remember $name"; return 1; }
e2e_running || { e2e_fail "the program ended"; return 1; }
# The right password still gets in: the field was emptied, so only the right one is typed now.
e2e_type "$password"
e2e_key Return
e2e_wait_window '个人名片管理' >/dev/null || { e2e_fail "no main window after the right password"; return 1; }
e2e_shot 4-main-window
e2e_log "operator $name refused with a wrong password, then admitted"
