// libFuzzer entry for the filter-row expressions; scripts/fuzz-filter.sh builds and runs it (a short
// run inside the tests, a long one by hand). Inputs that once failed go to
// tests/core/corpus/filter-expression/, which FilterCorpus replays in every test run.
#ifdef VESTREL_FUZZ

#include "FilterFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzFilterExpression(data, size);
    return 0;
}

#endif
