// libFuzzer entry for the report expressions; scripts/fuzz-report.sh builds and runs it (a short run
// inside the tests, a long one by hand). Inputs that once failed go to
// tests/core/corpus/report-expression/, which ReportCorpus replays in every test run.
#ifdef VESTREL_FUZZ

#include "ReportFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReportExpression(data, size);
    return 0;
}

#endif
