#!/usr/bin/env bash
# Builds the filter expression fuzzer (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it: "short" for a few seconds' worth of inputs (the test run),
# "long" for at least ten million inputs (by hand), or a number of inputs. A failing input is written
# to build/fuzz/filter-MODE/artifacts/ (VESTREL_FUZZ_TIMEOUT: seconds before an input counts as a
# hang, default 60); copy it into tests/core/corpus/filter-expression/ so that the tests keep it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-short}
case "$mode" in
  short) runs=20000 ;;
  long) runs=10000000 ;;
  *[!0-9]*) echo "usage: fuzz-filter.sh [short|long|RUNS]" >&2; exit 2 ;;
  *) runs=$mode ;;
esac
cxx=${CXX_FUZZ:-clang++}
command -v "$cxx" >/dev/null || { echo "fuzz-filter: $cxx is missing" >&2; exit 1; }
out="$root/build/fuzz/filter-$mode"
mkdir -p "$out/artifacts"
generated="$root/build/native/generated"
[ -f "$generated/GbkTable.inc" ] || { echo "fuzz-filter: build the native target first" >&2; exit 1; }

core=(Variant DateTime FormatSettings Currency Encoding Lists Object Streams LocaleText
      DBRowStore)
sources=("$root"/grid/DbUtilsEh.cpp "$root"/tests/core/FilterFuzzTargets.cpp)
for unit in "${core[@]}"; do sources+=("$root/platform/core/$unit.cpp"); done
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -DVESTREL_FUZZ -Wno-ignored-attributes -ffunction-sections -fdata-sections -I"$root/platform/core" -I"$root/grid" -I"$root/tests/core" -I"$generated")

# One object per source, rebuilt when it or a header it reads is newer.
objects=()
for src in "${sources[@]}"; do
  obj="$out/$(basename "$src" .cpp).o"
  stale=0
  [ -f "$obj" ] && [ ! "$src" -nt "$obj" ] || stale=1
  case "$src" in
    */DbUtilsEh.cpp|*/FilterFuzzTargets.cpp)
      for header in "$root/grid/DbUtilsEh.h" "$root/platform/core/DB.h"; do [ "$header" -nt "$obj" ] && stale=1; done ;;
  esac
  if [ $stale = 1 ]; then
    "$cxx" "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$src" -o "$obj"
  fi
  objects+=("$obj")
done

binary="$out/filter-expression-fuzz"
# The data-set half of the unit is not linked: the sections nothing calls are dropped.
"$cxx" "${flags[@]}" -Wl,--gc-sections "$root/tests/core/FilterExpressionFuzz.cpp" "${objects[@]}" -o "$binary"
work="$out/corpus"
mkdir -p "$work"
echo "fuzz-filter: expression, $runs inputs"
if ! "$binary" -runs="$runs" -max_len=4096 -timeout="${VESTREL_FUZZ_TIMEOUT:-60}" -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$out/artifacts/expression-" "$work" "$root/tests/core/corpus/filter-expression" \
      2>"$out/expression.log"; then
  echo "fuzz-filter: FAILED (see $out/expression.log and $out/artifacts/)" >&2
  tail -40 "$out/expression.log" >&2
  exit 1
fi
grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$out/expression.log" | sed "s/^/  /"
