#!/usr/bin/env bash
# Builds the interchange stream reader's fuzzer (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it: "short" for a few seconds' worth of inputs (the test run),
# "long" for at least ten million inputs (by hand), or a number of inputs. A failing input is written
# to build/fuzz/vcldbif-MODE/artifacts/; copy it into tests/core/corpus/vcldbif/ so that the tests
# keep it.
set -euo pipefail
name=fuzz-vcldbif
source "$(dirname "$0")/fuzz-lib.sh"
mode=${1:-short}
fuzz_mode "$mode" 20000 10000000 "fuzz-vcldbif.sh [short|long|RUNS]"
fuzz_prepare "$mode" grid

sources=("$root"/grid/VCLDBIFStream.cpp "$root"/tests/core/VCLDBIFStreamFuzz.cpp)
fuzz_objects "$root/grid/VCLDBIFStream.h"

binary="$out/vcldbif-fuzz"
"$cxx" "${flags[@]}" "${objects[@]}" -o "$binary"
fuzz_run "" "$binary" vcldbif fuzz.log 16384 60 2048
