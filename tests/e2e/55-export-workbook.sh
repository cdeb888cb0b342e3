# The person list saved as a workbook as a person does it: a right click on the person grid, the
# menu "导出数据" > "导出个人为Excel文件", a name typed into the save dialog, Cancel on the question
# whether to open it. The file is read with xlrd: one row per listed person under the titles, then
# the footer row; every person's name in it as the database holds it.
dir=$(e2e_fresh_copy export-workbook)
db="$dir/DataBase/Custom.mdb"
caption=$(e2e_sql "$db" "select SoftName || Version from T_SoftInfo order by ID limit 1")
all=$(e2e_sql "$db" "select count(*) from custom")
[ -n "$all" ] || { e2e_fail "cannot count the persons"; return 1; }
[ "$all" -le 100 ] || all=100
# The person grid has one footer row (its sums), written after the persons.
footers=1

e2e_start "$dir"
e2e_wait_window '^登录$' >/dev/null || { e2e_fail "no login dialog"; return 1; }
e2e_choose_operator 0 || { e2e_fail "cannot choose the operator"; return 1; }
e2e_key Return
e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_fail "no main window"; return 1; }
e2e_wait_line -s 15 item status "^当前共有 $all 条个人记录\$" >/dev/null || { e2e_fail "the start list is not shown"; return 1; }
grid=$(e2e_wait_line -f visible window '^TDBGridEh$' '') || { e2e_fail "no person grid"; return 1; }

# The grid's menu: its last entry "导出数据", then the second entry of its submenu.
e2e_click_line "$grid" 3
e2e_wait_line -f visible window '^#32768$' '' >/dev/null || { e2e_fail "a right click on the grid opens no menu"; return 1; }
e2e_key Up Right
e2e_wait_line -f visible window '^#32768$' '' >/dev/null || { e2e_fail "no submenu"; return 1; }
e2e_shot 1-menu
e2e_key Down Return
e2e_wait_gone -f visible window '^#32768$' '' || { e2e_fail "the menu stays"; return 1; }

# The save dialog takes the name without an extension; ".xls" is added.
e2e_wait_line -s 15 -f visible window '^#32770$' '' >/dev/null || { e2e_fail "no save dialog"; return 1; }
sleep 1
target="Z:$(printf '%s' "$dir/persons" | tr '/' '\\')"
e2e_type "$target"
e2e_shot 2-save-dialog
e2e_key Return
file="$dir/persons.xls"
question=$(e2e_wait_line -s 20 window '' '已建立，是否打开文件？$') || { e2e_fail "no question whether to open the workbook"; return 1; }
e2e_shot 3-question
e2e_key Escape
e2e_wait_gone -s 10 window '' '已建立，是否打开文件？$' || { e2e_fail "the question stays"; return 1; }
[ -f "$file" ] || { e2e_fail "no workbook $file"; return 1; }

names="$E2E_WORK/export-workbook-names.txt"
e2e_sql "$db" "select Company from custom where Company is not null and Company <> ''" >"$names"
report=$("$(command -v /usr/bin/python3 || command -v python3)" - "$file" "$names" "$all" "$footers" <<'PY'
import sys
import xlrd
book = xlrd.open_workbook(sys.argv[1], logfile=open('/dev/null', 'w'))
sheet = book.sheet_by_index(0)
rows = sheet.nrows - 1 - int(sys.argv[4])
texts = {str(sheet.cell_value(r, c)) for r in range(1, rows + 1) for c in range(sheet.ncols)}
names = [line.rstrip('\n') for line in open(sys.argv[2], encoding='utf-8') if line.strip()]
expected = int(sys.argv[3])
problems = []
if rows != expected:
    problems.append('%d rows, expected %d' % (rows, expected))
if len(names) <= expected:
    missing = [n for n in names if n not in texts]
    if missing:
        problems.append('names missing: %s' % ', '.join(missing[:5]))
print('; '.join(problems) if problems else 'ok: %d rows, %d columns, titles %s' %
      (rows, sheet.ncols, ' '.join(str(sheet.cell_value(0, c)) for c in range(min(4, sheet.ncols)))))
sys.exit(1 if problems else 0)
PY
) || { e2e_fail "the workbook does not hold the list: $report"; return 1; }
e2e_log "$report"
