#!/usr/bin/env bash
# Builds the workbook reader's fuzzer (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it: "short" for a few seconds' worth of inputs (the test run),
# "long" for at least ten million inputs (by hand), or a number of inputs. A failing input is written
# to build/fuzz/workbook-MODE/artifacts/; copy it into tests/core/corpus/workbook/ so that the tests
# keep it.
set -euo pipefail
name=fuzz-workbook
source "$(dirname "$0")/fuzz-lib.sh"
mode=${1:-short}
fuzz_mode "$mode" 20000 10000000 "fuzz-workbook.sh [short|long|RUNS]"
fuzz_prepare "$mode" app

sources=("$root"/app/WorkbookReader.cpp "$root"/tests/core/WorkbookReaderFuzz.cpp)
fuzz_objects "$root/app/WorkbookReader.h"

binary="$out/workbook-fuzz"
"$cxx" "${flags[@]}" "${objects[@]}" -o "$binary"
fuzz_run "" "$binary" workbook fuzz.log 16384 60 2048
