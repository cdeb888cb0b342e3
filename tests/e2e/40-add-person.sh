# Adding a person as an operator does: Ctrl+A opens the dialog with a proposed number and the
# focus in the name; a name is typed, the category is picked with the field's button in the
# category dialog, the save button clicked with the mouse saves (the dialog clears itself and stays
# open), Alt+Q closes. The person is in the database with the operator as owner, and the person
# list finds it. Both dialogs are drawn by the skin: their controls answer the skin's query.
dir=$(e2e_fresh_copy add-person)
db="$dir/DataBase/Custom.mdb"
caption=$(e2e_sql "$db" "select SoftName || Version from T_SoftInfo order by ID limit 1")
next=$(( $(e2e_sql "$db" "select max(CustCode) from custom") + 1 ))
e2e_start "$dir"
e2e_wait_window '^登录$' >/dev/null || { e2e_fail "no login dialog"; return 1; }
e2e_choose_operator 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_key Return
e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_fail "no main window"; return 1; }
e2e_wait_line -s 15 -f visible window '^TDBGridEh$' '' >/dev/null || { e2e_fail "no person grid"; return 1; }

# Ctrl+A: the dialog, its number proposed, the focus in the name.
e2e_key ctrl+a
dialog=$(e2e_wait_line window '' '^新增个人信息$') || { e2e_fail "Ctrl+A opens no person dialog"; return 1; }
root=$(e2e_field "$dialog" 2)
e2e_wait_line -r "$root" window '^TEdit$' "^$next\$" >/dev/null || { e2e_fail "the number $next is not proposed"; return 1; }
e2e_wait_line -r "$root" -f focused window '^TEdit$' '^$' >/dev/null || { e2e_fail "the name field has no focus"; return 1; }
e2e_type "E2E Person"
e2e_shot 1-typed
for kind in '^TButton$' '^TEdit$' '^TComboBox$' '^TGroupBox$' '^TPageControl$'; do
  e2e_wait_line -r "$root" -f 'skinned' window "$kind" '' >/dev/null || { e2e_fail "no skinned $kind in the person dialog"; return 1; }
done

# The category field's button opens the category dialog; a double click picks "02-同事".
field=$(e2e_wait_line -r "$root" window '^TRzButtonEdit$' '') || { e2e_fail "no category field"; return 1; }
pair=$(e2e_wait_line -r "$root" -f visible window '^TRzButtonPair$' '') || { e2e_fail "the category field has no button"; return 1; }
e2e_click_line "$pair"
tree=$(e2e_wait_line window '' '^个人分类$') || { e2e_fail "the button opens no category dialog"; return 1; }
tree_root=$(e2e_field "$tree" 2)
node=$(e2e_wait_line -r "$tree_root" -f visible item tree '^02-') || { e2e_fail "the category dialog shows no 02"; return 1; }
for kind in '^TEdit$' '^TToolBar$'; do
  e2e_wait_line -r "$tree_root" -f 'skinned' window "$kind" '' >/dev/null || { e2e_fail "no skinned $kind in the category dialog"; return 1; }
done
e2e_shot 2-picker
read -r x y <<<"$(e2e_centre "$node")"
xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
e2e_wait_gone window '' '^个人分类$' || { e2e_fail "the pick does not close the category dialog"; return 1; }
e2e_wait_line -r "$root" window '^TRzButtonEdit$' '^同事$' >/dev/null || { e2e_fail "the category field does not show the pick"; return 1; }
e2e_shot 3-picked

# The skinned save button, clicked: the row is written at once, the dialog stays open with the next number.
save=$(e2e_wait_line -r "$root" -f 'visible.*skinned|skinned.*visible' window '^TButton$' '^保存') || { e2e_fail "no skinned save button"; return 1; }
e2e_click_line "$save"
e2e_wait_line -r "$root" window '^TEdit$' "^$((next + 1))\$" >/dev/null || { e2e_fail "the dialog does not propose the next number"; return 1; }
row=$(e2e_sql "$db" "select CustCode || '|' || F_User || '|' || Category from custom where Company='E2E Person'")
[ "$row" = "$next|Admin|02" ] || { e2e_fail "the database holds \"$row\", not \"$next|Admin|02\""; return 1; }
e2e_shot 4-saved

# Alt+Q closes; the quick search by name lists the new person in the grid.
e2e_key alt+q
e2e_wait_gone window '' '^新增个人信息$' || { e2e_fail "Alt+Q does not close the dialog"; return 1; }
edit=$(e2e_wait_line -f visible window '^TEdit$' '') || { e2e_fail "no search field"; return 1; }
e2e_click_line "$edit"
e2e_type "E2E"
e2e_key Return
e2e_wait_line item status '^当前共有 1 条个人记录$' >/dev/null || { e2e_fail "the person list does not find the new person"; return 1; }
e2e_shot 5-listed

e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
