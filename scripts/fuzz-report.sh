#!/usr/bin/env bash
# Builds the report fuzzers (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each one: "short" for a few seconds' worth of inputs (the test run), "long" for at least ten
# million inputs each (by hand), or a number of inputs; a second argument names the one target to run
# ("expression" or "script"), so that the two long runs can go side by side. A failing input is written to
# build/fuzz/report-MODE/artifacts/ (VESTREL_FUZZ_TIMEOUT: seconds before an input counts as a hang,
# default 60; raise it on a busy machine); copy it into tests/core/corpus/report-*/ so that the tests keep it.
set -euo pipefail
name=fuzz-report
source "$(dirname "$0")/fuzz-lib.sh"
usage="fuzz-report.sh [short|long|RUNS] [expression|script]"
mode=${1:-short}
fuzz_mode "$mode" 20000 10000000 "$usage"
targets=(expression script)
case "${2:-}" in
  "") ;;
  expression|script) targets=("$2") ;;
  *) echo "usage: $usage" >&2; exit 2 ;;
esac
fuzz_prepare "$mode" report tests/core

sources=("$root"/report/FR_Pars.cpp "$root"/report/FR_Intrp.cpp "$root"/tests/core/ReportFuzzTargets.cpp)
fuzz_objects "$root/report/FR_Pars.h" "$root/report/FR_Intrp.h"

status=0
for target in "${targets[@]}"; do
  binary="$out/report-$target-fuzz"
  "$cxx" "${flags[@]}" "$root/tests/core/Report${target^}Fuzz.cpp" "${objects[@]}" -o "$binary"
  fuzz_run "$target" "$binary" "report-$target" "$target.log" 4096 "${VESTREL_FUZZ_TIMEOUT:-60}" 2048 || status=1
done
exit $status
