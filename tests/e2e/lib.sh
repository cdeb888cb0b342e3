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

# A checksum of the pixels of the screen rectangle X Y W H (equal while it shows the same).
e2e_crop() {
  import -window root -crop "$3x$4+$1+$2" +repage rgb:- 2>/dev/null | md5sum | cut -d' ' -f1
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

# Starts the program in DIR, logs the first operator (Admin, no password) in and waits for the main
# window, whose title is read from the database in DIR.
e2e_start_as_admin() {
  local dir=$1 caption
  caption=$(e2e_sql "$dir/DataBase/Custom.mdb" "select SoftName || Version from T_SoftInfo order by ID limit 1")
  e2e_start "$dir"
  e2e_wait_window '^登录$' >/dev/null || { e2e_log "no login dialog"; return 1; }
  e2e_choose_operator 0 || { e2e_log "cannot choose the operator"; return 1; }
  e2e_key Return
  e2e_wait_window "^${caption}( - \[个人信息\])?\$" >/dev/null || { e2e_log "no main window"; return 1; }
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

# ---- What the screen shows, read with the inspector (E2E_INSPECTOR) ------------------------------
# Its lines, fields separated by tabs (the text last):
#   window HWND CLASS X Y W H FLAGS PARENT ROOT TEXT
#   item   HWND KIND  X Y W H FLAGS INDEX  ROOT TEXT
# ROOT is the top-level window the line belongs to; FLAGS a comma list (visible, hidden,
# selected, expanded, disabled, focused, ...).

# Prints what the windows show now.
e2e_inspect() { "$WINELOADER" "$E2E_INSPECTOR" 2>/dev/null | tr -d '\r'; }

# Prints the lines of the inspector's output on standard input that match: TYPE (window or item),
# KIND (the class or kind, a regex), TEXT (a regex); options -r ROOT (top-level window) and
# -f FLAGS (a regex over the flag list).
e2e_match() {
  local OPTIND opt root="" flags=""
  while getopts "r:f:" opt; do
    case $opt in r) root=$OPTARG ;; f) flags=$OPTARG ;; *) return 2 ;; esac
  done
  shift $((OPTIND - 1))
  awk -F'\t' -v t="$1" -v k="$2" -v x="$3" -v r="$root" -v f="$flags" '
    $1 == t && $3 ~ k && $11 ~ x && (r == "" || $10 == r) && (f == "" || $8 ~ f)'
}

# Waits up to -s SECONDS (10) until a line matches (the arguments of e2e_match); prints the first.
e2e_wait_line() {
  local OPTIND opt seconds=10 pass=()
  while getopts "r:f:s:" opt; do
    case $opt in s) seconds=$OPTARG ;; r|f) pass+=("-$opt" "$OPTARG") ;; *) return 2 ;; esac
  done
  shift $((OPTIND - 1))
  local deadline=$((SECONDS + seconds)) line
  while :; do
    line=$(e2e_inspect | e2e_match "${pass[@]}" "$@" | head -1)
    [ -n "$line" ] && { echo "$line"; return 0; }
    [ $SECONDS -ge $deadline ] && break
    sleep 0.2
  done
  e2e_log "nothing shows: $* ${pass[*]} (within $seconds s)"
  return 1
}

# Waits up to -s SECONDS (10) until no line matches.
e2e_wait_gone() {
  local OPTIND opt seconds=10 pass=()
  while getopts "r:f:s:" opt; do
    case $opt in s) seconds=$OPTARG ;; r|f) pass+=("-$opt" "$OPTARG") ;; *) return 2 ;; esac
  done
  shift $((OPTIND - 1))
  local deadline=$((SECONDS + seconds))
  while :; do
    [ -z "$(e2e_inspect | e2e_match "${pass[@]}" "$@")" ] && return 0
    [ $SECONDS -ge $deadline ] && break
    sleep 0.2
  done
  e2e_log "still shown: $* ${pass[*]} (after $seconds s)"
  return 1
}

# Field N of LINE (2 = HWND, 8 = flags, 10 = root, 11 = text).
e2e_field() { printf '%s\n' "$1" | cut -f"$2"; }

# The centre "X Y" of LINE's rectangle on the screen.
e2e_centre() { printf '%s\n' "$1" | awk -F'\t' '{ printf "%d %d\n", $4 + $6 / 2, $5 + $7 / 2 }'; }

# Clicks (BUTTON, 1 = left) the centre of LINE as a person does.
e2e_click_line() {
  local x y
  read -r x y <<<"$(e2e_centre "$1")"
  [ -n "$x" ] && [ "$(e2e_field "$1" 6)" -gt 0 ] || { e2e_log "no place to click: $1"; return 1; }
  xdotool mousemove "$x" "$y" click "${2:-1}"
  sleep 0.2
}

# Clicks at X,Y of the screen.
e2e_click_at() {
  xdotool mousemove "$1" "$2" click "${3:-1}"
  sleep 0.2
}

e2e_key() {
  xdotool key --delay 60 "$@"
  sleep 0.2
}

e2e_type() {
  xdotool type --delay 60 "$1"
  sleep 0.2
}

# Types TEXT into the focused field, a window of class CLASS, and waits until it shows TEXT. For a
# character that is not on the keyboard xdotool maps a spare key for a moment; on a busy machine the
# program can read the key after the mapping is gone, so the field is cleared and typed again.
e2e_type_shown() {
  local class=$1 text=$2 try
  for try in 1 2 3; do
    e2e_type "$text"
    e2e_wait_line -s 3 window "$class" "^$text\$" >/dev/null 2>&1 && return 0
    e2e_key ctrl+a BackSpace
  done
  e2e_log "the $class field does not show $text"
  return 1
}

# Chooses operator INDEX (0 = first) in the login dialog as a person does: opens the list with a
# click and clicks the operator's line.
e2e_choose_operator() {
  local index=$1 login root combo item try
  login=$(e2e_wait_line window '' '^登录$') || return 1
  root=$(e2e_field "$login" 2)
  e2e_wait_line -r "$root" -f focused window '' '' >/dev/null || { e2e_log "the login dialog has no focus"; return 1; }
  combo=$(e2e_wait_line -r "$root" window 'ComboBox' '') || return 1
  for try in 1 2 3; do
    e2e_click_line "$combo"
    item=$(e2e_wait_line -s 3 -f visible item listbox '') && break
  done
  item=$(e2e_inspect | awk -F'\t' -v i="$index" '$1 == "item" && $3 == "listbox" && $9 == i && $8 ~ /visible/' | head -1)
  [ -n "$item" ] || { e2e_log "the operator list does not open"; return 1; }
  e2e_shot list-open
  e2e_click_line "$item"
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
