// Every file of the skin corpora is an input that once mattered to a fuzzer (a crash, a hang or a
// seed): each must end in a result or a clean refusal, under the sanitizers.
#include "SkinFuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

void Replay(const char* folderName, void (*target)(const std::uint8_t*, std::size_t)) {
    const std::filesystem::path folder = std::filesystem::path(VESTREL_TEST_DATA) / "core" / "corpus" / folderName;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().filename().string());
        target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++count;
    }
    EXPECT_GT(count, 0);
}

TEST(SkinCorpus, DecoderInputs) { Replay("skin-decoder", FuzzSkinDecoder); }
TEST(SkinCorpus, ContainerInputs) { Replay("skin-container", FuzzSkinContainer); }
TEST(SkinCorpus, ArchiveInputs) { Replay("skin-archive", FuzzSkinArchive); }
TEST(SkinCorpus, IniInputs) { Replay("skin-ini", FuzzSkinIni); }

}  // namespace
