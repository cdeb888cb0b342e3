# A missing database shows the failure box; Yes empties DBConn and the program ends.
dir=$(e2e_fresh_copy missing-database)
printf '[Config]\r\nDBConn=C:\\nowhere\\Custom.mdb\r\n' >"$dir/Config.ini"
e2e_start "$dir"
box=$(e2e_wait_window '^vidaze$') || { e2e_fail "no failure box"; return 1; }
sleep 0.5
e2e_shot 1-failure-box
# Yes ("是(Y)"); the box has the program's keyboard focus even while the splash keeps the display's.
for try in 1 2 3; do
  e2e_key y
  e2e_wait_exit 5 && break
done
e2e_running && { e2e_fail "the program still runs after the answer"; return 1; }
e2e_shot 2-ended
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
grep -qi '^DBConn=' "$dir/Config.ini" || { e2e_fail "DBConn is gone from Config.ini"; return 1; }
[ "$(e2e_ini "$dir/Config.ini" Config DBConn)" = "" ] || { e2e_fail "DBConn was not emptied"; return 1; }
e2e_log "Config.ini after Yes: $(tr -d '\r' <"$dir/Config.ini" | tr '\n' ' ')"
