#!/usr/bin/env bash
# Builds the tab text reader's fuzzer (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it: "short" for a few seconds' worth of inputs (the test run),
# "long" for at least ten million inputs (by hand), or a number of inputs. A failing input is written
# to build/fuzz/tabtext-MODE/artifacts/; copy it into tests/core/corpus/tabtext/ so that the tests
# keep it.
set -euo pipefail
name=fuzz-tabtext
source "$(dirname "$0")/fuzz-lib.sh"
mode=${1:-short}
fuzz_mode "$mode" 20000 10000000 "fuzz-tabtext.sh [short|long|RUNS]"
fuzz_prepare "$mode" grid

sources=("$root"/grid/TabTextRows.cpp "$root"/tests/core/TabTextRowsFuzz.cpp)
fuzz_objects "$root/grid/TabTextRows.h"

binary="$out/tabtext-fuzz"
"$cxx" "${flags[@]}" "${objects[@]}" -o "$binary"
fuzz_run "" "$binary" tabtext fuzz.log 16384 60 2048
