#!/usr/bin/env bash
# Runs one Windows program under the project's Wine environment; exits with its exit code.
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
wine_ensure_prefix || exit 1
started=""
if [ -z "${DISPLAY:-}" ]; then
  wine_ensure_display
  started=1
fi
wine_run "$@"
rc=$?
[ -n "$started" ] && wine_stop_display
exit $rc
