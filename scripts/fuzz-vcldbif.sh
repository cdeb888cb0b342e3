#!/usr/bin/env bash
# Builds the interchange stream reader's fuzzer (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it: "short" for a few seconds' worth of inputs (the test run),
# "long" for at least ten million inputs (by hand), or a number of inputs. A failing input is written
# to build/fuzz/vcldbif-MODE/artifacts/; copy it into tests/core/corpus/vcldbif/ so that the tests
# keep it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-short}
case "$mode" in
  short) runs=20000 ;;
  long) runs=10000000 ;;
  *[!0-9]*) echo "usage: fuzz-vcldbif.sh [short|long|RUNS]" >&2; exit 2 ;;
  *) runs=$mode ;;
esac
cxx=${CXX_FUZZ:-clang++}
command -v "$cxx" >/dev/null || { echo "fuzz-vcldbif: $cxx is missing" >&2; exit 1; }
out="$root/build/fuzz/vcldbif-$mode"
mkdir -p "$out/artifacts"
generated="$root/build/native/generated"
[ -f "$generated/GbkTable.inc" ] || { echo "fuzz-vcldbif: build the native target first" >&2; exit 1; }

core=(Variant DateTime FormatSettings Currency Encoding Lists Object Streams)
sources=("$root"/grid/VCLDBIFStream.cpp "$root"/tests/core/VCLDBIFStreamFuzz.cpp)
for unit in "${core[@]}"; do sources+=("$root/platform/core/$unit.cpp"); done
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -DVESTREL_FUZZ -I"$root/platform/core" -I"$root/grid" -I"$generated")

# One object per source, rebuilt when it or the reader's header is newer.
objects=()
for src in "${sources[@]}"; do
  obj="$out/$(basename "$src" .cpp).o"
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ "$root/grid/VCLDBIFStream.h" -nt "$obj" ]; then
    "$cxx" "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$src" -o "$obj"
  fi
  objects+=("$obj")
done

binary="$out/vcldbif-fuzz"
"$cxx" "${flags[@]}" "${objects[@]}" -o "$binary"
work="$out/corpus"
mkdir -p "$work"
echo "fuzz-vcldbif: $runs inputs"
if ! "$binary" -runs="$runs" -max_len=16384 -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$out/artifacts/" "$work" "$root/tests/core/corpus/vcldbif" 2>"$out/fuzz.log"; then
  echo "fuzz-vcldbif: FAILED (see $out/fuzz.log and $out/artifacts/)" >&2
  tail -40 "$out/fuzz.log" >&2
  exit 1
fi
grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$out/fuzz.log" | sed "s/^/  /"
