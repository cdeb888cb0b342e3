// libFuzzer entry for the form-description parser. Not part of the test runner: build it alone,
// e.g. clang++ -std=c++20 -DVESTREL_FUZZ -fsanitize=fuzzer,address,undefined -Iplatform/core
// tests/core/FormReaderFuzz.cpp platform/core/*.cpp ... Inputs that once failed go to
// tests/core/corpus/form-reader/, which FormReaderCorpus replays in every test run.
#ifdef VESTREL_FUZZ

#include "FormReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const TFormObject tree = ParseForm(String(reinterpret_cast<const char*>(data), size), "fuzz");
        (void)tree;
    } catch (const EReadError&) {
        // A clean refusal is a correct answer; anything else escapes and is reported.
    }
    return 0;
}

#endif
