// libFuzzer entry for the skin container reader; scripts/fuzz-skin.sh builds and runs it (a short run inside
// the tests, a long one by hand). Inputs that once failed go to tests/core/corpus/skin-container/, which
// SkinCorpus replays in every test run.
#ifdef VESTREL_FUZZ

#include "SkinFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSkinContainer(data, size);
    return 0;
}

#endif
