#!/usr/bin/env bash
# Sets up whatever is missing, builds every target and runs every test tier.
# Exit status 0 only if every tier passes.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

scripts/setup.sh
scripts/deps.sh

source scripts/wine-env.sh
wine_ensure_prefix
wine_ensure_display
trap wine_stop_display EXIT

for target in native windows-x64 windows-x86; do
  echo "== build $target"
  scripts/build.sh "$target"
done

status=0
echo "== tier 1: native tests"
ctest --test-dir build/native --output-on-failure --timeout 900 || status=1
echo "== tier 2: Windows tests under Wine"
ctest --test-dir build/windows-x64 --output-on-failure --timeout 900 || status=1
if [ -x tests/e2e/run.sh ]; then
  echo "== tier 3: end-to-end tests"
  tests/e2e/run.sh build/windows-x64 || status=1
fi

if [ $status -eq 0 ]; then echo "== all tiers passed"; else echo "== FAILED"; fi
exit $status
