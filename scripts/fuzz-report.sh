#!/usr/bin/env bash
# Builds the report fuzzers (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each one: "short" for a few seconds' worth of inputs (the test run), "long" for at least ten
# million inputs each (by hand), or a number of inputs; a second argument names the one target to run
# ("expression" or "script"), so that the two long runs can go side by side. A failing input is written to
# build/fuzz/report-MODE/artifacts/ (VESTREL_FUZZ_TIMEOUT: seconds before an input counts as a hang,
# default 60; raise it on a busy machine); copy it into tests/core/corpus/report-*/ so that the tests keep it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-short}
case "$mode" in
  short) runs=20000 ;;
  long) runs=10000000 ;;
  *[!0-9]*) echo "usage: fuzz-report.sh [short|long|RUNS] [expression|script]" >&2; exit 2 ;;
  *) runs=$mode ;;
esac
targets=(expression script)
case "${2:-}" in
  "") ;;
  expression|script) targets=("$2") ;;
  *) echo "usage: fuzz-report.sh [short|long|RUNS] [expression|script]" >&2; exit 2 ;;
esac
cxx=${CXX_FUZZ:-clang++}
command -v "$cxx" >/dev/null || { echo "fuzz-report: $cxx is missing" >&2; exit 1; }
out="$root/build/fuzz/report-$mode"
mkdir -p "$out/artifacts"
generated="$root/build/native/generated"
[ -f "$generated/GbkTable.inc" ] || { echo "fuzz-report: build the native target first" >&2; exit 1; }

core=(Variant DateTime FormatSettings Currency Encoding Lists Object Streams)
sources=("$root"/report/FR_Pars.cpp "$root"/report/FR_Intrp.cpp "$root"/tests/core/ReportFuzzTargets.cpp)
for unit in "${core[@]}"; do sources+=("$root/platform/core/$unit.cpp"); done
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -DVESTREL_FUZZ -I"$root/platform/core" -I"$root/report" -I"$root/tests/core" -I"$generated")

# One object per source, rebuilt when the source is newer.
objects=()
for src in "${sources[@]}"; do
  obj="$out/$(basename "$src" .cpp).o"
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ "$root/report/FR_Pars.h" -nt "$obj" ] || [ "$root/report/FR_Intrp.h" -nt "$obj" ]; then
    "$cxx" "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$src" -o "$obj"
  fi
  objects+=("$obj")
done

status=0
for target in "${targets[@]}"; do
  entry="$root/tests/core/Report${target^}Fuzz.cpp"
  binary="$out/report-$target-fuzz"
  "$cxx" "${flags[@]}" "$entry" "${objects[@]}" -o "$binary"
  work="$out/corpus-$target"
  mkdir -p "$work"
  echo "fuzz-report: $target, $runs inputs"
  if ! "$binary" -runs="$runs" -max_len=4096 -timeout="${VESTREL_FUZZ_TIMEOUT:-60}" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$out/artifacts/$target-" "$work" "$root/tests/core/corpus/report-$target" \
        2>"$out/$target.log"; then
    echo "fuzz-report: $target FAILED (see $out/$target.log and $out/artifacts/)" >&2
    tail -40 "$out/$target.log" >&2
    status=1
  else
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$out/$target.log" | sed "s/^/  /"
  fi
done
exit $status
