#!/usr/bin/env bash
# Builds the skin fuzzers (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer: the
# LZHUF decoder, the container reader, the whole archive reader, the ini reader) and runs each one:
# "short" for a few seconds' worth of inputs (the test run), "long" for at least ten million inputs
# in total (by hand), or a number of inputs each. A failing input is written to
# build/fuzz/skin-MODE/artifacts/; copy it into tests/core/corpus/skin-*/ so that the tests keep it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-short}
case "$mode" in
  short) runs=5000 ;;
  long) runs=2600000 ;;
  *[!0-9]*) echo "usage: fuzz-skin.sh [short|long|RUNS]" >&2; exit 2 ;;
  *) runs=$mode ;;
esac
cxx=${CXX_FUZZ:-clang++}
command -v "$cxx" >/dev/null || { echo "fuzz-skin: $cxx is missing" >&2; exit 1; }
out="$root/build/fuzz/skin-$mode"
mkdir -p "$out/artifacts"
generated="$root/build/native/generated"
[ -f "$generated/GbkTable.inc" ] || { echo "fuzz-skin: build the native target first" >&2; exit 1; }

core=(Variant DateTime FormatSettings Currency Encoding Lists Object Streams)
sources=("$root"/skin/LzhufModel.cpp "$root"/skin/SkinArchive.cpp "$root"/skin/SkinArchiveWriter.cpp
         "$root"/skin/SkinIni.cpp "$root"/tests/core/SkinFuzzTargets.cpp)
for unit in "${core[@]}"; do sources+=("$root/platform/core/$unit.cpp"); done
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -DVESTREL_FUZZ -I"$root/platform/core" -I"$root/skin" -I"$root/tests/core" -I"$generated")

# One object per source, rebuilt when the source or a skin header is newer.
objects=()
for src in "${sources[@]}"; do
  obj="$out/$(basename "$src" .cpp).o"
  rebuild=0
  [ -f "$obj" ] && [ ! "$src" -nt "$obj" ] || rebuild=1
  for header in "$root"/skin/*.h "$root"/tests/core/SkinFuzzTargets.h; do [ "$header" -nt "$obj" ] && rebuild=1; done
  if [ $rebuild = 1 ]; then
    "$cxx" "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$src" -o "$obj"
  fi
  objects+=("$obj")
done

status=0
for target in decoder container archive ini; do
  entry="$root/tests/core/Skin${target^}Fuzz.cpp"
  binary="$out/skin-$target-fuzz"
  "$cxx" "${flags[@]}" "$entry" "${objects[@]}" -o "$binary"
  work="$out/corpus-$target"
  mkdir -p "$work"
  echo "fuzz-skin: $target, $runs inputs"
  if ! "$binary" -runs="$runs" -max_len=4096 -timeout=30 -rss_limit_mb=1024 -print_final_stats=1 \
        -artifact_prefix="$out/artifacts/$target-" "$work" "$root/tests/core/corpus/skin-$target" \
        2>"$out/$target.log"; then
    echo "fuzz-skin: $target FAILED (see $out/$target.log and $out/artifacts/)" >&2
    tail -40 "$out/$target.log" >&2
    status=1
  else
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$out/$target.log" | sed "s/^/  /"
  fi
done
exit $status
