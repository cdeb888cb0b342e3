# After login the main window's tool bar and Ctrl+A/E/D reach their handlers, the status bar shows
# the operator and the clock advances. What the program did is read from its trace of channel
# "main" (VESTREL_DEBUG), which names each handler as it runs, what the status bar's window shows at
# every clock tick and where the tool bar's buttons are on the screen.
dir=$(e2e_fresh_copy main-window)
caption=$(e2e_sql "$dir/DataBase/Custom.mdb" "select SoftName || Version from T_SoftInfo order by ID limit 1")
log="$E2E_ARTIFACTS/$E2E_CASE.log"
export VESTREL_DEBUG=main=trace,custom=trace

# The trace lines of channel "main" (without their prefix), carriage returns dropped.
main_trace() { tr -d '\r' <"$log" | sed -n 's/^trace:main: //p'; }

# Waits up to SECONDS (10) until at least COUNT (1) trace lines match REGEX.
wait_trace() {
  local regex=$1 seconds=${2:-10} count=${3:-1} deadline=$((SECONDS + ${2:-10}))
  while [ $SECONDS -le $deadline ]; do
    [ "$(main_trace | grep -cE -- "$regex")" -ge "$count" ] && return 0
    sleep 0.2
  done
  e2e_log "no trace \"$regex\" (x$count) within $seconds s"
  return 1
}

# The trace lines after the first N, for checking what one step did.
trace_since() { main_trace | tail -n +$(($1 + 1)) | grep -vE '^(Timer2Timer|tool bar):'; }
trace_count() { main_trace | wc -l; }

# Clicks at X,Y of the screen.
click_screen() {
  xdotool mousemove "$1" "$2" click 1
  sleep 0.4
}

e2e_start "$dir"
login=$(e2e_wait_window '^登录$') || { e2e_fail "no login dialog"; return 1; }
sleep 0.5
e2e_choose_operator "$login" 0
e2e_key Return
main=$(e2e_wait_window "^${caption}( - \[个人信息\])?\$") || { e2e_fail "no main window \"$caption\""; return 1; }
sleep 0.5
e2e_shot 1-main-window

# The status bar: the operator, and a clock that moves on.
wait_trace '^Timer2Timer: \[ 当前操作员: Admin\] \[[0-9]{4}年[0-9]{2}月[0-9]{2}日 [0-9]{2}时[0-9]{2}分[0-9]{2}秒  \[星期.\]\]$' 10 2 ||
  { e2e_fail "the status bar does not show the operator and the clock"; return 1; }
clocks=$(main_trace | sed -n 's/^Timer2Timer: \[[^]]*\] \[\(.*\)\]$/\1/p' | sort -u | wc -l)
[ "$clocks" -ge 2 ] || { e2e_fail "the clock does not advance ($clocks distinct texts)"; return 1; }
e2e_log "operator panel and $clocks clock texts seen"

# Where the tool bar's buttons are (screen X, Y, width, height).
layout=$(main_trace | grep '^tool bar:' | tail -1)
button() { echo "$layout" | tr ' ' '\n' | sed -n "s/^$1=//p" | tr ',' ' '; }
read -r nav_x nav_y nav_w nav_h <<<"$(button TB_Nav)"
read -r cat_x cat_y cat_w cat_h <<<"$(button ToolButton6)"
read -r search_x search_y search_w search_h <<<"$(button ToolButton1)"
[ -n "$nav_x" ] && [ -n "$cat_x" ] && [ -n "$search_x" ] || { e2e_fail "no tool bar layout: $layout"; return 1; }
e2e_log "$layout"

# Each command reaches its handler.
step() {
  local name=$1 expected=$2 before
  shift 2
  before=$(trace_count)
  "$@"
  local deadline=$((SECONDS + 5)) got
  while [ $SECONDS -le $deadline ]; do
    got=$(trace_since "$before" | paste -sd ';')
    [ "$got" = "$expected" ] && { e2e_log "$name: $got"; return 0; }
    sleep 0.2
  done
  e2e_fail "$name: expected \"$expected\", got \"$got\""
}
step "个人管理 " "TB_NavClick;Cust_CustContactExecute" click_screen $((nav_x + 30)) $((nav_y + nav_h / 2)) || return 1
step "个人类别管理" "Cust_CategoryExecute" click_screen $((cat_x + cat_w / 2)) $((cat_y + cat_h / 2)) || return 1
# The category dialog it opens is modal: closed with its "退出&Q" button (channel "custom" says
# where it is) before the next command.
e2e_wait_window '^个人分类$' >/dev/null || { e2e_fail "no category dialog"; return 1; }
deadline=$((SECONDS + 10))
until close=$(tr -d '\r' <"$log" | sed -n 's/^trace:custom: dialog buttons://p' | tail -1 | tr ' ' '\n' |
              sed -n 's/^TB_Close=//p') && [ -n "$close" ] || [ $SECONDS -gt $deadline ]; do sleep 0.3; done
read -r close_x close_y close_w close_h <<<"$(echo "$close" | tr ',' ' ')"
[ -n "$close_x" ] || { e2e_fail "no category dialog layout"; return 1; }
click_screen $((close_x + close_w / 2)) $((close_y + close_h / 2))
e2e_wait_no_window '^个人分类$' || { e2e_fail "the category dialog is still shown"; return 1; }
step "个人组合查询" "SearchCustExecute" click_screen $((search_x + search_w / 2)) $((search_y + search_h / 2)) || return 1
step "Ctrl+A" "AddCustExecute" e2e_key ctrl+a || return 1
step "Ctrl+E" "EditCustExecute" e2e_key ctrl+e || return 1
step "Ctrl+D" "DelCustExecute" e2e_key ctrl+d || return 1

# The drop-down arrow opens the menu of add, edit and delete; its second entry edits.
click_screen $((nav_x + nav_w - 5)) $((nav_y + nav_h / 2))
e2e_shot 2-drop-down
step "drop-down: 编辑&E" "EditCustExecute" e2e_key Down Down Return || return 1
e2e_shot 3-after-commands

e2e_key alt+F4
e2e_wait_exit 20 || { e2e_fail "the program still runs after closing the main window"; return 1; }
[ "$E2E_EXIT" = 0 ] || { e2e_fail "the program ended with code $E2E_EXIT"; return 1; }
