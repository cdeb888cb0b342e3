#!/usr/bin/env bash
# Builds the filter expression fuzzer (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it: "short" for a few seconds' worth of inputs (the test run),
# "long" for at least ten million inputs (by hand), or a number of inputs. A failing input is written
# to build/fuzz/filter-MODE/artifacts/ (VESTREL_FUZZ_TIMEOUT: seconds before an input counts as a
# hang, default 60); copy it into tests/core/corpus/filter-expression/ so that the tests keep it.
set -euo pipefail
name=fuzz-filter
source "$(dirname "$0")/fuzz-lib.sh"
mode=${1:-short}
fuzz_mode "$mode" 20000 10000000 "fuzz-filter.sh [short|long|RUNS]"
fuzz_prepare "$mode" grid tests/core
flags+=(-Wno-ignored-attributes -ffunction-sections -fdata-sections)

sources=("$root"/grid/DbUtilsEh.cpp "$root"/tests/core/FilterFuzzTargets.cpp
         "$root"/platform/core/LocaleText.cpp "$root"/platform/core/DBRowStore.cpp)
fuzz_objects "$root/grid/DbUtilsEh.h" "$root/platform/core/DB.h"

binary="$out/filter-expression-fuzz"
# The data-set half of the unit is not linked: the sections nothing calls are dropped.
"$cxx" "${flags[@]}" -Wl,--gc-sections "$root/tests/core/FilterExpressionFuzz.cpp" "${objects[@]}" -o "$binary"
fuzz_run expression "$binary" filter-expression expression.log 4096 "${VESTREL_FUZZ_TIMEOUT:-60}" 2048
