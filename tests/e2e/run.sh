#!/usr/bin/env bash
# The end-to-end tier: the real Vestrel.exe under Wine on scratch copies of its output folder,
# driven from outside as a person would (xdotool), checked from outside (what the windows show,
# read by the inspector tools/inspector.exe; the database through the sqlite3 shell; Config.ini).
# Screenshots of every step go to
# build/e2e/artifacts/.
#   tests/e2e/run.sh BUILD_DIR [CASE...]      e.g. tests/e2e/run.sh build/windows-x64
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: tests/e2e/run.sh BUILD_DIR [CASE...]}" && pwd)
shift

source "$root/scripts/wine-env.sh"
wine_ensure_prefix || exit 1
if [ -z "${DISPLAY:-}" ]; then
  wine_ensure_display
  trap wine_stop_display EXIT
fi

export E2E_SOURCE="$build/Vestrel"
export E2E_WORK="$root/build/e2e"
export E2E_ARTIFACTS="$E2E_WORK/artifacts"
export E2E_INSPECTOR="$build/tools/inspector.exe"
[ -f "$E2E_SOURCE/Vestrel.exe" ] || { echo "e2e: $E2E_SOURCE/Vestrel.exe is missing (build the target Vestrel)" >&2; exit 1; }
[ -f "$E2E_INSPECTOR" ] || { echo "e2e: $E2E_INSPECTOR is missing (build the target inspector)" >&2; exit 1; }
rm -rf "$E2E_ARTIFACTS"
mkdir -p "$E2E_ARTIFACTS"

source "$root/tests/e2e/lib.sh"

cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=("$root"/tests/e2e/[0-9][0-9]-*.sh)
passed=0
failed=0
for file in "${cases[@]}"; do
  [ -f "$file" ] || file="$root/tests/e2e/$file"
  E2E_CASE=$(basename "$file" .sh)
  echo "== e2e $E2E_CASE"
  start=$SECONDS
  if ( trap e2e_stop EXIT; source "$file" ); then
    echo "   passed ($((SECONDS - start)) s)"
    passed=$((passed + 1))
  else
    echo "   FAILED ($((SECONDS - start)) s)"
    failed=$((failed + 1))
  fi
done
echo "screenshots: $E2E_ARTIFACTS"
echo "e2e: $passed passed, $failed failed"
[ $failed -eq 0 ]
