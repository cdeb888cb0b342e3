#!/usr/bin/env bash
# Sets up whatever is missing, builds Vestrel and starts it under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

scripts/setup.sh
scripts/deps.sh
scripts/build.sh windows-x64 --target Vestrel

source scripts/wine-env.sh
wine_ensure_prefix
wine_ensure_display
trap wine_stop_display EXIT

cd build/windows-x64/Vestrel
wine_run ./Vestrel.exe
