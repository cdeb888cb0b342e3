# The category dialog by keyboard and mouse: a child added under a collapsed parent is shown and
# selected; after a delete the fields follow the new selection and each question names its node;
# the tool bar's letters, Enter in the name, F4, Esc and Alt+F4 work as in any dialog.
dir=$(e2e_fresh_copy category-dialog)
db="$dir/DataBase/Custom.mdb"
caption=$(e2e_sql "$db" "select SoftName || Version from T_SoftInfo order by ID limit 1")
e2e_start "$dir"
e2e_wait_window '^登录$' >/dev/null || { e2e_fail "no login dialog"; return 1; }
e2e_choose_operator 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_key Return
e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_fail "no main window"; return 1; }

# Opens the dialog with the tool bar; sets root (its window).
open_dialog() {
  local button dialog
  button=$(e2e_wait_line -s 15 item toolbar '^个人类别管理$') || return 1
  e2e_click_line "$button"
  dialog=$(e2e_wait_line window '' '^个人分类$') || return 1
  root=$(e2e_field "$dialog" 2)
  e2e_wait_line -r "$root" -f visible item tree '^04-' >/dev/null
}
# The dialog's two fields: "code|name" (the code field comes first).
fields() { e2e_inspect | e2e_match -r "$root" window '^TEdit$' '' | sort -t"$(printf '\t')" -k5,5n | cut -f11 | paste -sd'|'; }
wait_fields() {
  local deadline=$((SECONDS + 10)) now
  while [ $SECONDS -le $deadline ]; do
    now=$(fields)
    [ "$now" = "$1" ] && return 0
    sleep 0.2
  done
  e2e_log "the fields show \"$now\", not \"$1\""
  return 1
}
# The open question box (a static text that names NODE).
question_for() { e2e_wait_line -f visible window '^Static$' "$1"; }

open_dialog || { e2e_fail "no category dialog"; return 1; }
node=$(e2e_wait_line -r "$root" -f visible item tree '^04-') || return 1
e2e_click_line "$node"
wait_fields "04|其他" || { e2e_fail "a click on 04 does not show its fields"; return 1; }

# Alt+A adds a child of the collapsed 04; Enter in the name saves it: shown, selected, in the fields.
e2e_key alt+a
wait_fields "0401|" || { e2e_fail "Alt+A does not propose 0401"; return 1; }
e2e_type "Hiking"
e2e_key Return
e2e_wait_line -r "$root" -f 'visible.*selected' item tree '^0401-Hiking$' >/dev/null ||
  { e2e_fail "the new child is not shown and selected"; return 1; }
wait_fields "0401|Hiking" || { e2e_fail "the fields do not show the new child"; return 1; }
[ "$(e2e_sql "$db" "select name from Cust_Category where code like '0401'")" = "Hiking" ] || { e2e_fail "0401 was not saved"; return 1; }
e2e_shot 1-added

# Alt+D asks about 0401 by name; OK deletes it, and the fields show the node selected now (04).
e2e_key alt+d
question_for '0401-Hiking' >/dev/null || { e2e_fail "the question does not name 0401-Hiking"; return 1; }
e2e_shot 2-question
e2e_key Return
e2e_wait_gone -r "$root" item tree '^0401-' || { e2e_fail "0401 is still shown"; return 1; }
e2e_wait_line -r "$root" -f selected item tree '^04-' >/dev/null || { e2e_fail "04 is not selected after the delete"; return 1; }
wait_fields "04|其他" || { e2e_fail "the fields still show the deleted node"; return 1; }
# A second Alt+D names 04; Esc keeps it.
e2e_key alt+d
question_for '04-其他' >/dev/null || { e2e_fail "the second question does not name 04-其他"; return 1; }
e2e_key Escape
e2e_wait_gone -f visible window '^Static$' '04-其他' || { e2e_fail "the question stays"; return 1; }
[ "$(e2e_sql "$db" "select count(*) from Cust_Category where code like '04%'")" = 1 ] || { e2e_fail "04 was deleted"; return 1; }

# F4 (the add button's menu: "新增下级节点") on 04 proposes a child; Esc drops the entry.
node=$(e2e_wait_line -r "$root" -f visible item tree '^04-') || return 1
e2e_click_line "$node"
e2e_key F4
wait_fields "0401|" || { e2e_fail "F4 does not propose a child"; return 1; }
e2e_key Escape
e2e_wait_line -r "$root" -f disabled item toolbar '^保存' >/dev/null || { e2e_fail "Esc does not drop the entry"; return 1; }

# Alt+E starts a name change; Esc drops it, Esc again closes.
e2e_key alt+e
e2e_wait_gone -r "$root" -f disabled item toolbar '^保存' || { e2e_fail "Alt+E does not start a name change"; return 1; }
e2e_key Escape
e2e_wait_line -r "$root" -f disabled item toolbar '^保存' >/dev/null || { e2e_fail "Esc does not drop the entry"; return 1; }
e2e_key Escape
e2e_wait_gone window '' '^个人分类$' || { e2e_fail "Esc does not close the dialog"; return 1; }

# Alt+F4 closes it too.
open_dialog || { e2e_fail "the dialog does not open again"; return 1; }
e2e_key alt+F4
e2e_wait_gone window '' '^个人分类$' || { e2e_fail "Alt+F4 does not close the dialog"; return 1; }
e2e_running || { e2e_fail "the program ended"; return 1; }

e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
