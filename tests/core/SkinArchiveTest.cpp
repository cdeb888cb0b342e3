// The skin archive: the LZHUF decoder against hand-made and independently made streams, the
// encoder through round trips, and the container reader against hostile containers.
#include "SkinArchive.h"
#include "SkinArchiveWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes ReadFixture(const char* name) {
    const std::filesystem::path path = std::filesystem::path(VESTREL_TEST_DATA) / "core" / "skin" / name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    Bytes out(count);
    for (auto& b : out) b = static_cast<std::uint8_t>(random());
    return out;
}

void PutInt32(Bytes& out, std::int64_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
}

// An archive of the container bytes given, with the size field `size` (the real size by default).
Bytes Archive(const Bytes& container, std::int64_t size = -1) {
    Bytes out;
    PutInt32(out, size < 0 ? static_cast<std::int64_t>(container.size()) : size);
    const Bytes stream = LzhEncode(container);
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

// A container written field by field, so that it can break every rule.
Bytes Container(std::int32_t version, const std::string& names, const std::vector<std::int32_t>& sizes,
                const Bytes& data, std::int64_t nameLength = -1) {
    Bytes out;
    PutInt32(out, version);
    PutInt32(out, nameLength < 0 ? static_cast<std::int64_t>(names.size()) : nameLength);
    PutInt32(out, 0);
    PutInt32(out, 0);
    out.insert(out.end(), names.begin(), names.end());
    for (std::int32_t size : sizes) PutInt32(out, size);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

bool Load(TSkinReader& reader, const Bytes& archive) {
    TMemoryStream stream;
    if (!archive.empty()) stream.WriteBuffer(archive.data(), static_cast<std::int64_t>(archive.size()));
    return reader.LoadSkin(&stream);
}

std::string Text(TStream* stream) {
    std::string text(static_cast<std::size_t>(stream->Size()), '\0');
    stream->SetPosition(0);
    if (!text.empty()) stream->ReadBuffer(text.data(), stream->Size());
    return text;
}

// Collects what the reader would show instead of a message box.
class SkinArchive : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = SetSkinMessageHandler([this](const String& text) { messages_.push_back(text); });
    }
    void TearDown() override { SetSkinMessageHandler(std::move(saved_)); }

    std::vector<String> messages_;
    TSkinMessageHandler saved_;
};

TEST(LzhDecoder, HandMadeStreamsDecode) {
    struct Case {
        const char* name;
        Bytes stream;
        std::size_t size;
        std::string expected;
    } cases[] = {
        // Literal 65 has the 9-bit code 111001101 in the fresh tree.
        {"one literal", {0xE6, 0x80}, 1, "A"},
        // Symbol 256 (a 3-byte match) is 10001100, position 0 is nine 0 bits: blanks of the pre-fill.
        {"match before any literal copies blanks", {0x8C, 0x00, 0x00}, 3, "   "},
        {"a match is cut at the size", {0x8C, 0x00, 0x00}, 2, "  "},
        // Position 4095 (code byte 0xFF, then 111111) reaches past the blanks: zeros.
        {"a match from the window's far end copies zeros", {0x8C, 0xFF, 0xFC}, 3, std::string(3, '\0')},
        // Position 4036 (0xFF, then 000100): one zero, then the first blanks.
        {"a match across the blanks' far edge", {0x8C, 0xFF, 0x10}, 3, std::string("\0  ", 3)},
        {"nothing wanted", {}, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out;
        TLZH decoder;
        EXPECT_TRUE(decoder.Decode(c.stream.data(), c.stream.size(), c.size, out));
        EXPECT_EQ(std::string(out.begin(), out.end()), c.expected);
    }
}

TEST(LzhDecoder, ReadsTheIndependentCoderStream) {
    // Made once by tools/skinpack/lzhuf-reference.py; long enough to rebuild the tree.
    const Bytes data = ReadFixture("crosscheck.dat");
    const Bytes archive = ReadFixture("crosscheck.lzh");
    ASSERT_EQ(data.size(), 48000u);
    Bytes out;
    TLZH decoder;
    ASSERT_TRUE(decoder.Decode(archive.data() + 4, archive.size() - 4, data.size(), out));
    EXPECT_TRUE(out == data);
}

TEST(LzhDecoder, StreamThatEndsEarlyIsRefused) {
    const Bytes data = RandomBytes(5000, 7);
    const Bytes stream = LzhEncode(data);
    Bytes out;
    TLZH decoder;
    EXPECT_TRUE(decoder.Decode(stream.data(), stream.size(), data.size(), out));
    EXPECT_FALSE(decoder.Decode(stream.data(), stream.size() / 2, data.size(), out));
    EXPECT_FALSE(decoder.Decode(stream.data(), 0, 10, out));
}

TEST(LzhEncoder, RoundTrips) {
    Bytes repeats = RandomBytes(4096, 3);
    const Bytes tail(repeats.begin(), repeats.begin() + 200);
    repeats.insert(repeats.end(), tail.begin(), tail.end());  // a repeat at distance 4096
    Bytes nearFar = RandomBytes(4036, 5);
    nearFar.insert(nearFar.end(), nearFar.begin(), nearFar.begin() + 100);  // at distance 4036
    nearFar.insert(nearFar.end(), 300, 'x');                                // at distance 1

    Bytes bitmap = {'B', 'M'};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x) {
            bitmap.push_back(static_cast<std::uint8_t>(x * 2));
            bitmap.push_back(static_cast<std::uint8_t>(y * 3));
            bitmap.push_back((x / 8 + y / 8) % 2 ? 0xFF : 0x20);
        }

    struct Case {
        const char* name;
        Bytes data;
    } cases[] = {
        {"empty", {}},
        {"one byte", {0x41}},
        {"blanks, matched into the pre-fill and over themselves", Bytes(10000, ' ')},
        {"70 KB of random bytes rebuild the tree and wrap the window", RandomBytes(70000, 1)},
        {"repeat at distance 4096", repeats},
        {"repeats at distances 4036 and 1", nearFar},
        {"a bitmap", bitmap},
        {"all byte values", [] { Bytes b; for (int i = 0; i < 256 * 3; ++i) b.push_back(static_cast<std::uint8_t>(i)); return b; }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes stream = LzhEncode(c.data);
        Bytes out;
        TLZH decoder;
        ASSERT_TRUE(decoder.Decode(stream.data(), stream.size(), c.data.size(), out));
        EXPECT_TRUE(out == c.data);
    }
    EXPECT_LT(LzhEncode(Bytes(10000, ' ')).size(), 300u);
}

TEST_F(SkinArchive, PackedArchiveLoadsAndHandsOutEntries) {
    const std::vector<TSkinArchiveEntry> entries = {
        {"frame-top.bmp", FromText("BM top")},
        {"buttons.bmp", FromText("BM buttons")},
        {"empty.bmp", {}},
        {"skin.ini", FromText("[Personality]\r\nTop=frame-top.bmp\r\n")},
    };
    const Bytes archive = PackSkinArchive(entries);
    TSkinReader reader;
    ASSERT_TRUE(Load(reader, archive));
    EXPECT_EQ(reader.Header[0], 20000);
    EXPECT_EQ(reader.Count, 4);
    std::int64_t sum = 0;
    for (std::int32_t size : reader.Sizes) sum += size;
    EXPECT_EQ(sum, reader.Data->Size());

    TMemoryStream entry;
    reader.GetEntry("Frame-Top.bmp", &entry);
    EXPECT_EQ(entry.Position(), 0);
    EXPECT_EQ(Text(&entry), "BM top");
    reader.GetEntry("buttons.bmp", &entry);
    EXPECT_EQ(Text(&entry), "BM buttons");
    reader.GetEntry("missing.bmp", &entry);
    EXPECT_EQ(entry.Size(), 0);

    String name = "unchanged";
    reader.FindEntry("Frame", &entry, name);  // the part is not lower-cased
    EXPECT_EQ(entry.Size(), 0);
    EXPECT_EQ(name, "unchanged");
    reader.FindEntry("", &entry, name);
    EXPECT_EQ(entry.Size(), 0);
    reader.FindEntry(".ini", &entry, name);
    EXPECT_EQ(name, "skin.ini");
    EXPECT_EQ(Text(&entry), "[Personality]\r\nTop=frame-top.bmp\r\n");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SkinArchive, NamesSplitAtEveryLineBreakAndRepeatsFindTheFirst) {
    const std::string names = "A.bmp\rb.bmp\nc.bmp\r\n\r\nA.BMP\r\n";
    const Bytes container = Container(20000, names, {1, 2, 3, 4, 5}, FromText("abbcccddddeeeee"));
    TSkinReader reader;
    ASSERT_TRUE(Load(reader, Archive(container)));
    ASSERT_EQ(reader.Count, 5);
    const char* expected[] = {"a.bmp", "b.bmp", "c.bmp", "", "a.bmp"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(reader.Names->Get(i), expected[i]) << i;

    TMemoryStream entry;
    reader.GetEntry("a.bmp", &entry);
    EXPECT_EQ(Text(&entry), "a");
    String name;
    reader.FindEntry("a.b", &entry, name);
    EXPECT_EQ(Text(&entry), "a");
    reader.GetEntry("c.bmp", &entry);
    EXPECT_EQ(Text(&entry), "ccc");
    reader.GetEntry("", &entry);
    EXPECT_EQ(Text(&entry), "dddd");
}

TEST_F(SkinArchive, OtherVersionMarksShowTheOlderFileMessage) {
    struct Case {
        std::int32_t version;
        bool loads;
    } cases[] = {{19999, false}, {20000, true}, {20001, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        messages_.clear();
        TSkinReader reader;
        EXPECT_EQ(Load(reader, Archive(Container(c.version, "x.ini", {2}, FromText("ab")))), c.loads);
        if (c.loads) {
            EXPECT_TRUE(messages_.empty());
        } else {
            ASSERT_EQ(messages_.size(), 1u);
            EXPECT_EQ(messages_[0], "This is Older Skin File\rPlease update to new version !");
            EXPECT_EQ(reader.Count, 0);
        }
    }
}

TEST_F(SkinArchive, HostileArchivesAreRefusedAndLeaveTheReaderAsItWas) {
    std::string manyNames;
    for (int i = 0; i < 1002; ++i) manyNames += "e" + std::to_string(i) + "\r\n";
    const Bytes good = Container(20000, "x.ini", {2}, FromText("ab"));
    Bytes withinData = Archive(good);

    struct Case {
        const char* name;
        Bytes archive;
    } cases[] = {
        {"no bytes", {}},
        {"a size field only", {0x20, 0, 0, 0}},
        {"size below the header", Archive(Bytes(15, 0), 15)},
        {"negative size", Archive(good, 0xFFFFFFFF)},
        {"size 0x7FFFFFFF", Archive(good, 0x7FFFFFFF)},
        {"size beyond what the stream can give", Archive(good, 48 * static_cast<std::int64_t>(Archive(good).size()) + 200)},
        {"stream cut short", Bytes(withinData.begin(), withinData.begin() + 8)},
        {"negative name length", Archive(Container(20000, "x.ini", {2}, FromText("ab"), 0x80000000))},
        {"name length past the end", Archive(Container(20000, "x.ini", {2}, FromText("ab"), 1000))},
        {"size table past the end", Archive(Container(20000, "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nx.ini", {}, {}))},
        {"negative entry size", Archive(Container(20000, "a.bmp\r\nx.ini", {-1, 3}, FromText("ab")))},
        {"entries past the data area", Archive(Container(20000, "a.bmp\r\nx.ini", {1, 2}, FromText("ab")))},
        {"entry sizes that overflow", Archive(Container(20000, "a.bmp\r\nx.ini", {0x7FFFFFFF, 0x7FFFFFFF}, FromText("ab")))},
        {"more than 1001 entries", Archive(Container(20000, manyNames, std::vector<std::int32_t>(1002, 0), {}))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSkinReader reader;
        ASSERT_TRUE(Load(reader, withinData));
        EXPECT_FALSE(Load(reader, c.archive));
        EXPECT_EQ(reader.Count, 1);
        TMemoryStream entry;
        reader.GetEntry("x.ini", &entry);
        EXPECT_EQ(Text(&entry), "ab");
    }
    EXPECT_TRUE(messages_.empty());
}

TEST(SkinArchiveWriter, RefusesNamesTheReaderCouldNotTellApart) {
    const Bytes b = FromText("BM");
    struct Case {
        const char* name;
        std::vector<TSkinArchiveEntry> entries;
    } cases[] = {
        {"upper case", {{"Top.bmp", b}, {"s.ini", b}}},
        {"empty name", {{"", b}, {"s.ini", b}}},
        {"repeated name", {{"a.bmp", b}, {"a.bmp", b}, {"s.ini", b}}},
        {"line break", {{"a\r.bmp", b}, {"s.ini", b}}},
        {"no ini", {{"a.bmp", b}}},
        {"a second name holding .ini", {{"a.ini.bmp", b}, {"s.ini", b}}},
        {"more than 1001 entries", [&] {
             std::vector<TSkinArchiveEntry> many{{"s.ini", b}};
             for (int i = 0; i < 1001; ++i) many.push_back({"e" + std::to_string(i), b});
             return many;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(BuildSkinContainer(c.entries), EInvalidArgument);
    }
    // The container is exactly header, names, sizes and bytes.
    const Bytes container = BuildSkinContainer({{"a.bmp", FromText("xy")}, {"s.ini", FromText("z")}});
    EXPECT_EQ(container.size(), 16u + 12u + 8u + 3u);
}

}  // namespace
