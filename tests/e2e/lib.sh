# Helpers of the end-to-end cases; sourced by run.sh, which sets E2E_SOURCE (the built output
# folder), E2E_WORK (scratch folders) and E2E_ARTIFACTS (screenshots).
# Every wait polls with a deadline; nothing sleeps for long.

E2E_PID=""

e2e_log() { echo "  $*" >&2; }

# Runs SQL on the database DB with the sqlite3 shell. The running program takes short locks (a
# reader briefly holds the pending byte), so the shell waits for them instead of failing at once.
e2e_sql() { sqlite3 -cmd ".timeout 10000" "$1" "$2"; }

# A fresh copy of the output folder under E2E_WORK/NAME; prints its path.
e2e_fresh_copy() {
  local dir="$E2E_WORK/$1"
  rm -rf "$dir"
  cp -r "$E2E_SOURCE" "$dir"
  echo "$dir"
}

# Starts Vestrel.exe in FOLDER.
e2e_start() {
  (cd "$1" && exec "$WINELOADER" ./Vestrel.exe >"$E2E_ARTIFACTS/$E2E_CASE.log" 2>&1) &
  E2E_PID=$!
}

# True while the program runs.
e2e_running() { [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; }

# Ends the program if it still runs (only the process this case started).
e2e_stop() {
  if e2e_running; then
    kill "$E2E_PID" 2>/dev/null
    local i
    for i in $(seq 1 50); do e2e_running || break; sleep 0.1; done
    e2e_running && kill -9 "$E2E_PID" 2>/dev/null
  fi
  wait "$E2E_PID" 2>/dev/null
  E2E_PID=""
}

e2e_shot() { import -window root "$E2E_ARTIFACTS/$E2E_CASE-$1.png" 2>/dev/null; }

# Prints how many pixels of the screen rectangle X Y W H are dark (below 30% grey).
e2e_dark_pixels() {
  import -window root -crop "$3x$4+$1+$2" +repage png:- 2>/dev/null |
    convert - -colorspace gray -threshold 30% -format '%[fx:round(w*h*(1-mean))]' info:
}

e2e_fail() {
  echo "  FAIL: $*"
  e2e_shot failure
  return 1
}

# Prints the id of the first visible window whose title matches REGEX; waits up to SECONDS (30).
e2e_wait_window() {
  local regex=$1 seconds=${2:-30} id deadline=$((SECONDS + ${2:-30}))
  while [ $SECONDS -le $deadline ]; do
    id=$(xdotool search --onlyvisible --name "$regex" 2>/dev/null | head -1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    if ! e2e_running; then
      wait "$E2E_PID" 2>/dev/null
      e2e_log "the program ended (code $?) while waiting for \"$regex\""
      return 1
    fi
    sleep 0.2
  done
  e2e_log "no window \"$regex\" within $seconds s"
  return 1
}

# Waits up to SECONDS (10) until no visible window's title matches REGEX.
e2e_wait_no_window() {
  local regex=$1 deadline=$((SECONDS + ${2:-10}))
  while [ $SECONDS -le $deadline ]; do
    [ -z "$(xdotool search --onlyvisible --name "$regex" 2>/dev/null)" ] && return 0
    sleep 0.2
  done
  return 1
}

# Waits up to SECONDS (20) for the program to end; its exit code goes to E2E_EXIT.
e2e_wait_exit() {
  local deadline=$((SECONDS + ${1:-20}))
  while [ $SECONDS -le $deadline ]; do
    if ! e2e_running; then
      wait "$E2E_PID" 2>/dev/null
      E2E_EXIT=$?
      E2E_PID=""
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Waits up to SECONDS (10) until WINDOW has the keyboard focus (the program activated it).
e2e_wait_focus() {
  local deadline=$((SECONDS + ${2:-10}))
  while [ $SECONDS -le $deadline ]; do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    sleep 0.1
  done
  e2e_log "window $1 never got the focus"
  return 1
}

# The number of visible windows (a dropped-down list is one, without a title). A window that goes
# away while xdotool looks at it makes xdotool fail: then it looks again.
e2e_visible_count() {
  local out try
  for try in 1 2 3 4 5; do
    if out=$(xdotool search --onlyvisible --name '' 2>/dev/null); then
      echo "$out" | grep -c .
      return 0
    fi
    sleep 0.1
  done
  echo 0
}

# Clicks at X,Y of WINDOW's own coordinates (the frame included).
e2e_click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.3
}

e2e_key() {
  xdotool key --delay 60 "$@"
  sleep 0.3
}

e2e_type() {
  xdotool type --delay 60 "$1"
  sleep 0.3
}

# The login dialog's client origin inside its window: the frame and the caption bar.
E2E_CLIENT_X=3
E2E_CLIENT_Y=22

# Chooses operator INDEX (0 = first) in the login dialog WINDOW as a person does: opens the list
# with a click and clicks the operator's line.
e2e_choose_operator() {
  local window=$1 index=$2 before try i
  e2e_wait_focus "$window" || return 1
  # Combo_User: client (120, 88), 168 wide; its list opens below it, one line about 16 high.
  before=$(e2e_visible_count)
  for try in 1 2 3; do
    e2e_click "$window" $((E2E_CLIENT_X + 200)) $((E2E_CLIENT_Y + 98))
    for i in $(seq 1 15); do
      [ "$(e2e_visible_count)" -gt "$before" ] && break 2
      sleep 0.2
    done
  done
  [ "$(e2e_visible_count)" -gt "$before" ] || { e2e_log "the operator list does not open"; return 1; }
  e2e_shot list-open
  e2e_click "$window" $((E2E_CLIENT_X + 200)) $((E2E_CLIENT_Y + 118 + index * 16))
}

# The value of KEY in SECTION of the ini file FILE (GBK text; empty when absent).
e2e_ini() {
  local file=$1 section=$2 key=$3
  [ -f "$file" ] || return 0
  iconv -f GBK -t UTF-8 "$file" | tr -d '\r' | awk -v s="[$section]" -v k="$key" '
    tolower($0) == tolower(s) { inside = 1; next }
    /^\[/ { inside = 0 }
    inside { i = index($0, "="); if (i && tolower(substr($0, 1, i - 1)) == tolower(k)) { print substr($0, i + 1); exit } }'
}
