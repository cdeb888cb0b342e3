#!/usr/bin/env bash
# Builds the skin fuzzers (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer: the
# LZHUF decoder, the container reader, the whole archive reader, the ini reader) and runs each one:
# "short" for a few seconds' worth of inputs (the test run), "long" for at least ten million inputs
# in total (by hand), or a number of inputs each. A failing input is written to
# build/fuzz/skin-MODE/artifacts/; copy it into tests/core/corpus/skin-*/ so that the tests keep it.
set -euo pipefail
name=fuzz-skin
source "$(dirname "$0")/fuzz-lib.sh"
mode=${1:-short}
fuzz_mode "$mode" 5000 2600000 "fuzz-skin.sh [short|long|RUNS]"
fuzz_prepare "$mode" skin tests/core

sources=("$root"/skin/LzhufModel.cpp "$root"/skin/SkinArchive.cpp "$root"/skin/SkinArchiveWriter.cpp
         "$root"/skin/SkinIni.cpp "$root"/tests/core/SkinFuzzTargets.cpp)
fuzz_objects "$root"/skin/*.h "$root"/tests/core/SkinFuzzTargets.h

status=0
for target in decoder container archive ini; do
  binary="$out/skin-$target-fuzz"
  "$cxx" "${flags[@]}" "$root/tests/core/Skin${target^}Fuzz.cpp" "${objects[@]}" -o "$binary"
  fuzz_run "$target" "$binary" "skin-$target" "$target.log" 4096 30 1024 || status=1
done
exit $status
