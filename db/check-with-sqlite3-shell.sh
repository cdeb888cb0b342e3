#!/usr/bin/env bash
# The shipped database opens in the standard sqlite3 shell: it passes the integrity check and
# text columns can be queried with SQLite's own collations (ASCII case ignored).
#   check-with-sqlite3-shell.sh DATABASE
set -uo pipefail
file=$1
command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is missing (scripts/setup.sh installs it)"; exit 1; }
[ -f "$file" ] || { echo "no database at $file"; exit 1; }

status=0
check() { # name expected statement
  local got
  got=$(sqlite3 -readonly -bail "$file" "$3" 2>&1)
  if [ "$got" = "$2" ]; then
    echo "ok: $1"
  else
    echo "FAILED: $1: expected [$2], got [$got]"
    status=1
  fi
}

check "integrity check" "ok" "PRAGMA integrity_check"
check "login name in another case" "Admin" "SELECT username FROM admin WHERE username='ADMIN'"
check "person by name" "2" "SELECT CustCode FROM custom WHERE Company='王芳'"
check "category by code, unique index" "家人" "SELECT name FROM Cust_Category WHERE code='0101'"
check "order over a text column" "05" "SELECT code FROM Cust_Category WHERE length(code)=2 ORDER BY code DESC LIMIT 1"
exit $status
