// libFuzzer entry for the tab text reader of the grid's text import (scripts/fuzz-tabtext.sh builds
// and runs it). Inputs that once failed go to tests/core/corpus/tabtext/, which GridImportTest
// replays.
#ifdef VESTREL_FUZZ

#include "TabTextRows.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto rows = ReadTabTextRows(data, size);
        for (const auto& row : rows)
            if (row.empty()) __builtin_trap();  // every row has at least one cell
    } catch (const EDBGridEhImportError&) {
        // A clean refusal is a correct answer; anything else escapes and is reported.
    }
    return 0;
}

#endif
