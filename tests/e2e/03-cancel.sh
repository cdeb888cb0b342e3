# Cancelling the login (its button, or Esc) ends the program without showing the main window.
dir=$(e2e_fresh_copy cancel)
e2e_start "$dir"
login=$(e2e_wait_window '^登录$') || { e2e_fail "no login dialog"; return 1; }
sleep 0.5
e2e_shot 1-login
e2e_wait_focus "$login" || { e2e_fail "the login dialog is not active"; return 1; }
button=$(e2e_wait_line window '' '^取消[(]&C[)]$') || { e2e_fail "no cancel button"; return 1; }
e2e_click_line "$button"
e2e_wait_exit 20 || { e2e_fail "the program still runs after cancel"; return 1; }
e2e_shot 2-ended
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
[ "$(e2e_ini "$dir/Config.ini" login username)" = "" ] || { e2e_fail "cancel wrote Config.ini"; return 1; }
e2e_log "ended by cancel"

# Esc in the login dialog cancels it as well.
dir=$(e2e_fresh_copy cancel-by-escape)
e2e_start "$dir"
login=$(e2e_wait_window '^登录$') || { e2e_fail "no login dialog"; return 1; }
e2e_wait_focus "$login" || { e2e_fail "the login dialog is not active"; return 1; }
e2e_wait_line window '' '^取消[(]&C[)]$' >/dev/null || { e2e_fail "no cancel button"; return 1; }
e2e_key Escape
e2e_wait_exit 20 || { e2e_fail "the program still runs after Esc"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
e2e_log "ended by Esc"
