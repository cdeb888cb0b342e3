// libFuzzer entry for the workbook reader (scripts/fuzz-workbook.sh builds and runs it). Inputs that
// once failed go to tests/core/corpus/workbook/, which WorkbookCorpus replays in every test run.
#ifdef VESTREL_FUZZ

#include "WorkbookReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const TWorkbook book = ReadWorkbook(std::vector<std::uint8_t>(data, data + size));
        for (const TWorkbookSheet& sheet : book.Sheets)
            for (const auto& [at, cell] : sheet.Cells) (void)cell.Text.size();
    } catch (const EWorkbookError&) {
        // A clean refusal is a correct answer; anything else escapes and is reported.
    }
    return 0;
}

#endif
