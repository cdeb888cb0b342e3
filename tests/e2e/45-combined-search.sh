# The combined search as a person uses it: the tool bar opens the dialog, the button beside the
# category opens the category dialog where a double click picks 01, a name is typed and Enter
# searches; the person list then holds the persons of category 01 (and below) with that name,
# counted against the database, and the dialog stays open until Alt+Q.
dir=$(e2e_fresh_copy combined-search)
db="$dir/DataBase/Custom.mdb"
e2e_start_as_admin "$dir" || { e2e_fail "no logged-in main window"; return 1; }
all=$(e2e_sql "$db" "select count(*) from custom")
[ "$all" -le 100 ] || all=100
e2e_wait_line -s 15 item status "^当前共有 $all 条个人记录\$" >/dev/null || { e2e_fail "the start list is not counted"; return 1; }

count=$(e2e_sql "$db" "select count(*) from custom where category like '01%' and Company like '%晓%'")
by_category=$(e2e_sql "$db" "select count(*) from custom where category like '01%'")
by_name=$(e2e_sql "$db" "select count(*) from custom where Company like '%晓%'")
[ "$count" -gt 0 ] && [ "$count" -lt "$by_category" ] && [ "$count" -lt "$by_name" ] ||
  { e2e_fail "the shipped data cannot tell category and name apart ($count, $by_category, $by_name)"; return 1; }

button=$(e2e_wait_line -s 15 item toolbar '^个人组合查询$') || { e2e_fail "no tool bar button for the search"; return 1; }
e2e_click_line "$button"
dialog=$(e2e_wait_line window '' '^个人组合查询$') || { e2e_fail "no combined search dialog"; return 1; }
root=$(e2e_field "$dialog" 2)
e2e_shot 1-dialog

# The category: the button beside the read-only field; a double click on 01 picks it.
lookup=$(e2e_wait_line -r "$root" -f visible window '^TButton$' '^\.\.\.$') || { e2e_fail "no category button"; return 1; }
e2e_click_line "$lookup"
tree=$(e2e_wait_line window '' '^个人分类$') || { e2e_fail "no category dialog"; return 1; }
node=$(e2e_wait_line -r "$(e2e_field "$tree" 2)" -f visible item tree '^01-') || { e2e_fail "no category 01"; return 1; }
read -r x y <<<"$(e2e_centre "$node")"
xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
e2e_wait_gone window '' '^个人分类$' || { e2e_fail "a double click does not pick the category"; return 1; }
e2e_wait_line -r "$root" window '^TEdit$' '^01$' >/dev/null || { e2e_fail "the category field does not show 01"; return 1; }

# The name: the field below the category's (the left column in order from the top).
name=$(e2e_inspect | e2e_match -r "$root" -f visible window '^TEdit$' '' | sort -t"$(printf '\t')" -k4,4n -k5,5n | sed -n 2p)
[ -n "$name" ] || { e2e_fail "no name field"; return 1; }
e2e_click_line "$name"
e2e_type_shown '^TEdit$' "晓" || { e2e_fail "the name field does not take 晓"; return 1; }
e2e_shot 2-filled
e2e_key Return
e2e_wait_line item status "^当前共有 $count 条个人记录\$" >/dev/null ||
  { e2e_fail "the search by category 01 and name 晓 does not list $count persons"; return 1; }
e2e_log "category 01 and name 晓: $count persons"
e2e_wait_line window '' '^个人组合查询$' >/dev/null || { e2e_fail "the dialog closed after the search"; return 1; }
e2e_shot 3-searched

# Alt+Q closes the dialog; the list stays.
e2e_key alt+q
e2e_wait_gone window '' '^个人组合查询$' || { e2e_fail "Alt+Q does not close the dialog"; return 1; }
e2e_wait_line item status "^当前共有 $count 条个人记录\$" >/dev/null || { e2e_fail "the count changed on close"; return 1; }

e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
