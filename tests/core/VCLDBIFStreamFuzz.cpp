// libFuzzer entry for the interchange stream's reader (scripts/fuzz-vcldbif.sh builds and runs it).
// Inputs that once failed go to tests/core/corpus/vcldbif/, which VCLDBIFStreamTest replays.
#ifdef VESTREL_FUZZ

#include "VCLDBIFStream.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const TVCLDBIFData stream = ReadVCLDBIF(data, size);
        for (const auto& row : stream.Rows)
            if (row.size() != stream.Columns.size()) __builtin_trap();
    } catch (const EVCLDBIFError&) {
        // A clean refusal is a correct answer; anything else escapes and is reported.
    }
    return 0;
}

#endif
