// Every file of the workbook corpus is an input that once mattered to the fuzzer (a seed, a crash,
// a hang): each must end in a workbook or a clean refusal, under the sanitizers.
#include "WorkbookReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

TEST(WorkbookCorpus, EveryInputEndsInAWorkbookOrARefusal) {
    const std::filesystem::path folder = std::filesystem::path(VESTREL_TEST_DATA) / "core" / "corpus" / "workbook";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        try {
            ReadWorkbook(bytes);
        } catch (const EWorkbookError&) {
        }
        ++count;
    }
    EXPECT_GT(count, 0);
}

}  // namespace
