// The interchange stream: the grid's export byte for byte, the round trip of every value kind, and
// the refusal of malformed and truncated streams (the fuzzer's found inputs replayed).
#include "DBGridEhImpExp.h"
#include "GridTestSupport.h"
#include "VCLDBIFStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace gridtest;
namespace fs = std::filesystem;

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

const std::string kHeader1 = Bytes({'V', 'C', 'L', 'D', 'B', 'I', 'F', 1, 1, 0, 0, 0, 1, 0});

TEST(VCLDBIFExport, OneRecordWithAnIntegerAndANullGivesTheDocumentedBytes) {
    RegisterTestGridClasses();
    dbtest::TempFolder folder;
    const String path = folder.File("x.mdb");
    dbtest::BuildDatabase(path, {{"x.sql", "CREATE TABLE t (n INTEGER, s TEXT(10)); INSERT INTO t VALUES (7, NULL);"}});
    dbtest::Session session(path);
    OpenQuery(session.query, "select n, s from t");
    TDataSource* source = New<TDataSource>(nullptr);
    source->SetDataSet(session.query);
    TTestGridEh* grid = New<TTestGridEh>(nullptr);
    grid->Core()->SetDataSource(source);
    grid->Core()->RebuildColumns();
    TMemoryStream stream;
    SaveGridToExportStream(&NewGridExport<TDBGridEhExportAsVCLDBIF>, grid->Core(), &stream, true);
    const std::string bytes(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
    EXPECT_EQ(bytes, Bytes({0x56, 0x43, 0x4C, 0x44, 0x42, 0x49, 0x46, 0x01, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01,
                            0x00, 0x03, 0x07, 0x00, 0x00, 0x00, 0x02, 0x00}));
    grid->Free();
    source->Free();
}

TEST(VCLDBIFStream, EveryValueKindComesBackWithItsType) {
    TMemoryStream stream;
    WriteVCLDBIFHeader(&stream, {true, false, true, true, true, true, true});
    WriteVCLDBIFInteger(&stream, -123456);
    WriteVCLDBIFFloat(&stream, 45000.25);  // a date as a day count
    WriteVCLDBIFBytes(&stream, vtString, Utf8ToGbk("张三\t\"x\"\r\n"));
    WriteVCLDBIFBytes(&stream, vtBinary, std::string("a\0b", 3));
    WriteVCLDBIFEmpty(&stream, vtNull);
    WriteVCLDBIFEmpty(&stream, vtUnassigned);
    WriteVCLDBIFBytes(&stream, vtString, "");
    WriteVCLDBIFEmpty(&stream, vtEnd);
    const TVCLDBIFData data = ReadVCLDBIF(stream.Memory(), static_cast<std::size_t>(stream.Size()));
    ASSERT_EQ(data.Columns.size(), 7u);
    EXPECT_FALSE(data.Columns[1].Visible);
    ASSERT_EQ(data.Rows.size(), 1u);
    const auto& row = data.Rows[0];
    EXPECT_EQ(row[0].Type(), varInteger);
    EXPECT_EQ(row[0], Variant(-123456));
    EXPECT_EQ(row[1].Type(), varDouble);
    EXPECT_EQ(row[1], Variant(45000.25));
    EXPECT_EQ(VarToStr(row[2]), "张三\t\"x\"\r\n");
    EXPECT_EQ(VarToStr(row[3]), String("a\0b", 3));
    EXPECT_TRUE(row[4].IsNull());
    EXPECT_TRUE(row[5].IsEmpty());
    EXPECT_EQ(row[6].Type(), varString);
}

TEST(VCLDBIFStream, MalformedOrTruncatedStreamsAreRefusedWhole) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"shorter than the header", kHeader1.substr(0, 11)},
        {"another magic", "VCLDBIX" + kHeader1.substr(7) + Bytes({0})},
        {"negative column count", Bytes({'V', 'C', 'L', 'D', 'B', 'I', 'F', 1, 0xFF, 0xFF, 0xFF, 0xFF, 0})},
        {"column count past the limit", Bytes({'V', 'C', 'L', 'D', 'B', 'I', 'F', 1, 0, 0, 1, 0, 0})},
        {"no columns but cells", Bytes({'V', 'C', 'L', 'D', 'B', 'I', 'F', 1, 0, 0, 0, 0, 1, 1, 0})},
        {"name without its NUL", Bytes({'V', 'C', 'L', 'D', 'B', 'I', 'F', 1, 1, 0, 0, 0, 1, 'a'})},
        {"no end mark", kHeader1 + Bytes({2, 2})},
        {"integer cut short", kHeader1 + Bytes({3, 7, 0})},
        {"float cut short", kHeader1 + Bytes({4, 0, 0, 0, 0, 0, 0, 0})},
        {"text longer than the stream", kHeader1 + Bytes({5, 10, 0, 0, 0, 'a', 'b', 0})},
        {"negative text length", kHeader1 + Bytes({6, 0xFF, 0xFF, 0xFF, 0xFF, 0})},
        {"huge text length", kHeader1 + Bytes({5, 0xFF, 0xFF, 0xFF, 0x7F, 0})},
    };
    for (const auto& c : cases) {
        try {
            ReadVCLDBIF(c.bytes.data(), c.bytes.size());
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const EVCLDBIFError& e) {
            EXPECT_EQ(e.Message, "TDBGridEhImportAsVCLDBIF.ReadPrefix: Invalid VCLDBIF format") << c.name;
        }
    }
}

TEST(VCLDBIFStream, UnknownTagsEndMarksInRowsAndTrailingBytesAreRead) {
    const std::string twoColumns = Bytes({'V', 'C', 'L', 'D', 'B', 'I', 'F', 9, 2, 0, 0, 0, 1, 'a', 0, 0, 'b', 0});
    // An unknown tag 9 is a cell without a value; an end mark inside the second row leaves its
    // other cell unassigned; what follows the end mark (a clipboard block's padding) is ignored.
    const std::string bytes = twoColumns + Bytes({9, 3, 5, 0, 0, 0, 2, 0, 0xEE, 0xEE});
    const TVCLDBIFData data = ReadVCLDBIF(bytes.data(), bytes.size());
    ASSERT_EQ(data.Columns.size(), 2u);
    EXPECT_EQ(data.Columns[0].Name, "a");
    EXPECT_FALSE(data.Columns[1].Visible);
    ASSERT_EQ(data.Rows.size(), 2u);
    EXPECT_TRUE(data.Rows[0][0].IsEmpty());
    EXPECT_EQ(data.Rows[0][1], Variant(5));
    EXPECT_TRUE(data.Rows[1][0].IsNull());
    EXPECT_TRUE(data.Rows[1][1].IsEmpty());
    const std::string none = Bytes({'V', 'C', 'L', 'D', 'B', 'I', 'F', 1, 0, 0, 0, 0, 0});
    EXPECT_TRUE(ReadVCLDBIF(none.data(), none.size()).Rows.empty());
}

TEST(VCLDBIFStream, InputsTheFuzzerFoundAreRefusedOrRead) {
    const fs::path folder = dbtest::SourceRoot() / "tests" / "core" / "corpus" / "vcldbif";
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        try {
            ReadVCLDBIF(bytes.data(), bytes.size());
        } catch (const EVCLDBIFError&) {
        }
    }
}

}  // namespace
