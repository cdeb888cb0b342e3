// The grid's exports: the walk by selection kind, tab text, CSV and the Excel worksheet, checked byte
// for byte where the format fixes the bytes and read back by independent readers (xlrd, ssconvert,
// Python's csv) where it matters that other programs see the database's values.
#include "DBGridEhImpExp.h"
#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using namespace gridtest;
namespace fs = std::filesystem;

const char* kPeopleScript = R"(
CREATE TABLE people (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT(40),
    score INTEGER,
    price FLOAT,
    note LONGTEXT
);
INSERT INTO people (name, score, price, note) VALUES
    ('张三', 5, 0.1, 'plain'),
    ('tab	in', -1, 0.2, 'line1' || char(13) || char(10) || 'line2'),
    ('say "hi"', NULL, 0.3, NULL);
)";

class PeopleDb {
public:
    explicit PeopleDb(const String& script = kPeopleScript, const String& sql = "select * from people order by id") {
        RegisterTestGridClasses();
        path_ = folder.File("people.mdb");
        dbtest::BuildDatabase(path_, {{"people.sql", script}});
        session = std::make_unique<dbtest::Session>(path_);
        query = session->query;
        OpenQuery(query, sql);
        source = New<TDataSource>(nullptr);
        source->SetDataSet(query);
        grid = New<TTestGridEh>(nullptr);
        grid->Core()->SetDataSource(source);
        grid->Core()->SetDrawMemoText(true);
        grid->Core()->RebuildColumns();
    }
    ~PeopleDb() {
        grid->Free();
        source->Free();
    }
    PeopleDb(const PeopleDb&) = delete;

    TDBGridEhCore* Core() { return grid->Core(); }
    TColumnEh* Column(int i) { return Core()->Columns()->ColumnAt(i); }
    TBookmark BookmarkOf(int id) {
        EXPECT_TRUE(query->Locate("id", Variant(id), 0));
        return query->Bookmark();
    }

    template <class T>
    AnsiString Export(bool all, const TDBGridEhExportHooks& hooks = TDBGridEhExportHooks()) {
        auto stream = std::make_unique<TMemoryStream>();
        SaveGridToExportStream(&NewGridExport<T>, Core(), stream.get(), all, hooks);
        AnsiString bytes(static_cast<std::size_t>(stream->Size()), '\0');
        stream->SetPosition(0);
        if (!bytes.empty()) stream->ReadBuffer(bytes.data(), stream->Size());
        return bytes;
    }

    dbtest::TempFolder folder;
    String path_;
    std::unique_ptr<dbtest::Session> session;
    TADOQuery* query = nullptr;
    TDataSource* source = nullptr;
    TTestGridEh* grid = nullptr;
};

String Gbk(const String& utf8) { return Utf8ToGbk(utf8); }

// ---- Reading exports back with independent readers ----

String JsonString(const String& text) {
    String out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// A cell the reader should see: text, a number, or nothing.
struct ExpectedCell {
    enum Kind { Text, Number, Empty } kind;
    String text;
    double number = 0;
    ExpectedCell(const char* t) : kind(Text), text(t) {}
    ExpectedCell(const String& t) : kind(Text), text(t) {}
    ExpectedCell(double n) : kind(Number), number(n) {}
    ExpectedCell(int n) : kind(Number), number(n) {}
    ExpectedCell(std::nullptr_t) : kind(Empty) {}
};
using ExpectedRows = std::vector<std::vector<ExpectedCell>>;

// Runs the reader `kind` of read-export.py on `file`; empty when the cells equal `rows`, else the
// reader's report.
String ReadBack(const String& kind, const String& file, const ExpectedRows& rows) {
    String json = "[";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        json += r ? ",[" : "[";
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            if (c) json += ",";
            const ExpectedCell& cell = rows[r][c];
            if (cell.kind == ExpectedCell::Text) {
                json += JsonString(cell.text);
            } else if (cell.kind == ExpectedCell::Number) {
                char buf[40];
                std::snprintf(buf, sizeof buf, "%.17g", cell.number);
                json += buf;
            } else {
                json += "null";
            }
        }
        json += "]";
    }
    json += "]";
    const String expected = file + ".expected.json";
    std::ofstream(expected, std::ios::binary) << json;
    const String script = (dbtest::SourceRoot() / "tests" / "core" / "readers" / "read-export.py").string();
    const String command = String(fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3") + " '" + script + "' " + kind + " '" + file + "' '" + expected + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "cannot run " + command;
    String output;
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe)) output += buf;
    const int status = pclose(pipe);
    if (status != 0 && output.empty()) output = "reader failed: " + command;
    return status == 0 ? String() : output;
}

void WriteFile(const String& path, const AnsiString& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

#ifdef _WIN32
#define SKIP_WITHOUT_READERS() GTEST_SKIP() << "the independent readers run on the build machine"
#else
#define SKIP_WITHOUT_READERS() (void)0
#endif

// The rows of kPeopleScript as the readers see them: the database's values, Chinese included, cells
// with tabs, quotes and line breaks whole.
ExpectedRows PeopleRows(bool numbersAsNumbers) {
    auto num = [&](double v, const char* text) { return numbersAsNumbers ? ExpectedCell(v) : ExpectedCell(text); };
    return {
        {"id", "name", "score", "price", "note"},
        {num(1, "1"), "张三", num(5, "5"), num(0.1, "0.1"), "plain"},
        {num(2, "2"), "tab\tin", num(-1, "-1"), num(0.2, "0.2"), "line1\r\nline2"},
        {num(3, "3"), "say \"hi\"", nullptr, num(0.3, "0.3"), nullptr},
    };
}

// ---- Tab text and CSV ----

TEST(GridExportText, WritesRowsByteForByteWithSpreadsheetQuotingOfTabsAndLineBreaks) {
    PeopleDb db;
    const AnsiString expected = "id\tname\tscore\tprice\tnote\r\n"
                                "1\t" + Gbk("张三") + "\t5\t0.1\tplain\r\n"
                                "2\t\"tab\tin\"\t-1\t0.2\t\"line1\r\nline2\"\r\n"
                                "3\tsay \"hi\"\t\t0.3\t";
    EXPECT_EQ(db.Export<TDBGridEhExportAsText>(true), expected);

    const String file = db.folder.File("people.txt");
    WriteFile(file, expected);
    SKIP_WITHOUT_READERS();
    EXPECT_EQ(ReadBack("text", file, PeopleRows(false)), "");
}

TEST(GridExportText, CsvQuotesEveryCellAndPythonCsvReadsTheDatabaseValues) {
    PeopleDb db;
    const AnsiString csv = db.Export<TDBGridEhExportAsCSV>(true);
    EXPECT_EQ(csv.rfind("\"id\";\"name\";\"score\";\"price\";\"note\"\r\n\"1\";\"" + Gbk("张三") + "\";", 0), 0u);
    EXPECT_NE(csv.find("\"say \"\"hi\"\"\""), AnsiString::npos);
    EXPECT_NE(csv.back(), '\n');  // no line break after the last row

    const String file = db.folder.File("people.csv");
    WriteFile(file, csv);
    SKIP_WITHOUT_READERS();
    EXPECT_EQ(ReadBack("csv", file, PeopleRows(false)), "");
}

TEST(GridExportText, NulAndCharactersOutsideGbkAreReplacedVisibly) {
    EXPECT_EQ(ExportTextBytes(String("a\0b", 3)), "a?b");
    EXPECT_EQ(ExportTextBytes("x\xF0\x9F\x98\x80y"), "x?y");  // an emoji has no GBK code
    EXPECT_EQ(ExportTextBytes("中"), Gbk("中"));

    // A NUL inside a cell no longer cuts the row short.
    PeopleDb db;
    struct NulWriter {
        void GetCellParams(TObject*, bool, TColCellParamsEh* params) {
            if (params->Text == "plain") params->Text = String("be\0fore", 7);
        }
    } writer;
    db.Column(4)->SetOnGetCellParams(Event<&NulWriter::GetCellParams>(&writer));
    const AnsiString text = db.Export<TDBGridEhExportAsText>(true);
    EXPECT_NE(text.find("be?fore\r\n2\t"), AnsiString::npos);
}

TEST(GridExportText, WithoutTitlesFirstRowOpensTheTextAndFootersSumOverExportedRows) {
    PeopleDb db;
    db.Core()->SetOptions(db.Core()->Options() - TDBGridOptions{dgTitles});
    db.Core()->SetFooterRowCount(1);
    db.Column(0)->Footer()->SetValueType(fvtCount);
    db.Column(2)->Footer()->SetValueType(fvtCount);  // counts the null score too
    db.Column(3)->Footer()->SetValueType(fvtSum);
    db.Column(1)->Footer()->SetValueType(fvtSum);
    db.Column(1)->Footer()->SetFieldName("nosuchfield");  // unknown: an empty cell
    db.Column(4)->Footer()->SetValueType(fvtStaticText);
    db.Column(4)->Footer()->SetValue("合计");
    const AnsiString text = db.Export<TDBGridEhExportAsText>(true);
    EXPECT_EQ(text.substr(0, 2), "1\t");
    const auto lastBreak = text.rfind("\r\n");
    EXPECT_EQ(text.substr(lastBreak + 2), "3\t\t3\t0.6\t" + Gbk("合计"));
}

// A stream that fails after a number of bytes.
class FailingStream : public TMemoryStream {
public:
    explicit FailingStream(std::int64_t limit) : limit_(limit) {}
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        if (Size() + count > limit_) throw EWriteError("disk full");
        return TMemoryStream::Write(buffer, count);
    }

private:
    std::int64_t limit_;
};

TEST(GridExportWalk, RowPositionAndControlsAreRestoredAlsoWhenWritingFails) {
    PeopleDb db;
    db.BookmarkOf(2);
    for (std::int64_t limit : {0, 10, 40}) {
        FailingStream stream(limit);
        EXPECT_THROW(SaveGridToExportStream(&NewGridExport<TDBGridEhExportAsText>, db.Core(), &stream, true),
                     EWriteError);
        EXPECT_EQ(db.query->FieldByName("id")->AsInteger(), 2) << limit;
        EXPECT_FALSE(db.query->ControlsDisabled()) << limit;
    }
    TMemoryStream ok;
    SaveGridToExportStream(&NewGridExport<TDBGridEhExportAsText>, db.Core(), &ok, true);
    EXPECT_EQ(db.query->FieldByName("id")->AsInteger(), 2);
}

TEST(GridExportWalk, EachSelectionKindChoosesItsRowsAndColumns) {
    PeopleDb db;
    db.Core()->SetOptions(db.Core()->Options() - TDBGridOptions{dgTitles});
    db.Column(3)->SetVisible(false);  // price
    struct Case {
        const char* name;
        std::function<TDBGridEhWalkSelection()> selection;
        AnsiString expected;
    };
    const std::vector<Case> cases = {
        {"nothing", [] { return TDBGridEhWalkSelection(); }, ""},
        {"rows in the list's order",
         [&] {
             TDBGridEhWalkSelection s;
             s.Type = gstRecordBookmarks;
             s.Rows = {db.BookmarkOf(3), db.BookmarkOf(1)};
             return s;
         },
         "3\tsay \"hi\"\t\t\r\n1\t" + Gbk("张三") + "\t5\tplain"},
        {"rectangle: inclusive, visible columns only",
         [&] {
             TDBGridEhWalkSelection s;
             s.Type = gstRectangle;
             s.LeftCol = 2;
             s.RightCol = 4;
             s.TopRow = db.BookmarkOf(1);
             s.BottomRow = db.BookmarkOf(2);
             return s;
         },
         "5\tplain\r\n-1\t\"line1\r\nline2\""},
        {"columns, every row",
         [&] {
             TDBGridEhWalkSelection s;
             s.Type = gstColumns;
             s.Columns = {db.Column(0), db.Column(2)};
             return s;
         },
         "1\t5\r\n2\t-1\r\n3\t"},
    };
    for (const Case& c : cases) {
        TDBGridEhExportHooks hooks;
        hooks.Selection = c.selection;
        EXPECT_EQ(db.Export<TDBGridEhExportAsText>(false, hooks), c.expected) << c.name;
    }
}

TEST(GridExportWalk, GridHandlersSeeEveryCellAndFooter) {
    PeopleDb db;
    db.Core()->SetFooterRowCount(1);
    db.Column(2)->Footer()->SetValueType(fvtSum);
    TDBGridEhExportHooks hooks;
    int cells = 0;
    hooks.GetCellParams = [&](TColumnEh*, TCustomFont*, TColor& background, TGridDrawState) {
        ++cells;
        background = clRed;
    };
    hooks.GetFooterParams = [&](int dataCol, int row, TColumnEh*, TCustomFont*, TColor&, TAlignment&, TGridDrawState,
                                String& text) { text = "f" + std::to_string(dataCol) + "." + std::to_string(row); };
    const AnsiString text = db.Export<TDBGridEhExportAsText>(true, hooks);
    EXPECT_EQ(cells, 15);
    EXPECT_EQ(text.substr(text.rfind("\r\n") + 2), "f0.0\tf1.0\tf2.0\tf3.0\tf4.0");
}

// ---- Excel worksheet ----

AnsiString Bytes(std::initializer_list<int> values) {
    AnsiString out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

const AnsiString kBof = Bytes({0x09, 0x08, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00});
const AnsiString kCodePage936 = Bytes({0x42, 0x00, 0x02, 0x00, 0xA8, 0x03});
const AnsiString kEof = Bytes({0x0A, 0x00, 0x00, 0x00});

TEST(GridExportXls, TwoColumnsThreeRowsGiveTheRecordsInRowOrder) {
    PeopleDb db;
    for (int i : {1, 3, 4}) db.Column(i)->SetVisible(false);  // id and score stay
    db.Column(0)->Title()->SetCaption("abc");
    const AnsiString expected =
        kBof + kCodePage936 +
        Bytes({0x04, 0x02, 0x0B, 0x00, 0, 0, 0, 0, 0, 0, 3, 0, 'a', 'b', 'c'}) +                 // LABEL 0,0
        Bytes({0x04, 0x02, 0x0D, 0x00, 0, 0, 1, 0, 0, 0, 5, 0, 's', 'c', 'o', 'r', 'e'}) +       // LABEL 0,1
        Bytes({0x7E, 0x02, 0x0A, 0x00, 1, 0, 0, 0, 0, 0, 0x06, 0, 0, 0}) +                     // RK 1
        Bytes({0x7E, 0x02, 0x0A, 0x00, 1, 0, 1, 0, 0, 0, 0x16, 0, 0, 0}) +                     // RK 5
        Bytes({0x7E, 0x02, 0x0A, 0x00, 2, 0, 0, 0, 0, 0, 0x0A, 0, 0, 0}) +                     // RK 2
        Bytes({0x7E, 0x02, 0x0A, 0x00, 2, 0, 1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}) +            // RK -1
        Bytes({0x7E, 0x02, 0x0A, 0x00, 3, 0, 0, 0, 0, 0, 0x0E, 0, 0, 0}) +                     // RK 3
        Bytes({0x01, 0x02, 0x06, 0x00, 3, 0, 1, 0, 0x17, 0x00}) +                              // BLANK (null)
        kEof;
    EXPECT_EQ(db.Export<TDBGridEhExportAsXLS>(true), expected);
}

TEST(GridExportXls, NothingSelectedWritesNothing) {
    PeopleDb db;
    EXPECT_EQ(db.Export<TDBGridEhExportAsXLS>(false), "");
    EXPECT_EQ(db.Export<TDBGridEhExportAsCSV>(false), "");
}

TEST(GridExportXls, XlrdAndSsconvertReadTheDatabaseValuesChineseIncluded) {
    PeopleDb db;
    const String file = db.folder.File("people.xls");
    SaveGridToExportFile(&NewGridExport<TDBGridEhExportAsXLS>, db.Core(), file, true);
    SKIP_WITHOUT_READERS();
    EXPECT_EQ(ReadBack("xlrd", file, PeopleRows(true)), "");
    // Gnumeric shows no text cell of a sheet without cell formats; its numbers must agree.
    EXPECT_EQ(ReadBack("ssconvert-numbers", file, PeopleRows(true)), "");
}

TEST(GridExportXls, AwkwardValuesReachTheReaders) {
    // Integers past RK's 30 bits, text in a number column, a long memo, footers with sum and count.
    PeopleDb db(R"(
CREATE TABLE people (id INTEGER PRIMARY KEY, big INTEGER, price FLOAT, note LONGTEXT);
INSERT INTO people VALUES (1, 536870911, 1.5, 'x'), (2, 536870912, 'abc', NULL), (3, -2000000000, NULL, '长)" +
                    std::string(3000, 'm') + R"(');
)");
    db.Core()->SetFooterRowCount(1);
    db.Column(0)->Footer()->SetValueType(fvtCount);
    db.Column(2)->Footer()->SetValueType(fvtSum);
    db.Column(3)->Footer()->SetValueType(fvtStaticText);
    db.Column(3)->Footer()->SetValue("合计");
    const String file = db.folder.File("awkward.xls");
    SaveGridToExportFile(&NewGridExport<TDBGridEhExportAsXLS>, db.Core(), file, true);
    SKIP_WITHOUT_READERS();
    const ExpectedRows rows = {
        {"id", "big", "price", "note"},
        {1, 536870911, 1.5, "x"},
        {2, 536870912.0, nullptr, nullptr},  // text the number field cannot read: an empty cell, not a failed export
        {3, -2000000000.0, nullptr, "长" + String(3000, 'm')},
        {3, nullptr, 1.5, "合计"},
    };
    EXPECT_EQ(ReadBack("xlrd", file, rows), "");
}

// A LABEL holds at most 65,527 bytes: a longer text is cut on a character boundary; a text whose
// GBK bytes fit goes whole, also when its UTF-8 is longer than the limit.
TEST(GridExportXls, LongTextIsCutToALabelOnACharacterBoundary) {
    auto repeat = [](const String& piece, int n) {
        String out;
        for (int i = 0; i < n; ++i) out += piece;
        return out;
    };
    struct Case {
        const char* name;
        String text;
        std::size_t bytes;
    };
    const Case cases[] = {
        {"GBK fits, UTF-8 does not", repeat("长", 30000), 60000},
        {"the last character would pass the odd limit", repeat("长", 40000), 65526},
        {"one byte, then characters up to the limit", "a" + repeat("长", 40000), 65527},
        {"ASCII at the limit", String(65527, 'm'), 65527},
        {"ASCII past the limit", String(70000, 'm'), 65527},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PeopleDb db("CREATE TABLE people (id INTEGER PRIMARY KEY, note LONGTEXT);\n"
                    "INSERT INTO people VALUES (1, '" + c.text + "');\n");
        db.Column(0)->SetVisible(false);
        const AnsiString out = db.Export<TDBGridEhExportAsXLS>(true);
        // The records' LABEL payloads: the title's, then the note's.
        std::vector<AnsiString> labels;
        for (std::size_t at = 0; at + 4 <= out.size();) {
            const unsigned type = static_cast<unsigned char>(out[at]) | static_cast<unsigned char>(out[at + 1]) << 8;
            const std::size_t length =
                static_cast<unsigned char>(out[at + 2]) | static_cast<unsigned char>(out[at + 3]) << 8;
            ASSERT_LE(at + 4 + length, out.size());
            if (type == 0x0204) labels.push_back(out.substr(at + 4, length));
            at += 4 + length;
        }
        ASSERT_EQ(labels.size(), 2u);
        const AnsiString& label = labels[1];
        ASSERT_EQ(label.size(), 8 + c.bytes);
        EXPECT_EQ(static_cast<unsigned char>(label[6]) | static_cast<unsigned char>(label[7]) << 8, c.bytes);
        EXPECT_TRUE(label.compare(8, AnsiString::npos, Utf8ToGbk(c.text), 0, c.bytes) == 0);
    }
}

TEST(GridExportXls, MoreRowsThanASheetHoldsAreRefusedAndLeaveNoFile) {
    const char* script = R"(
CREATE TABLE people (id INTEGER PRIMARY KEY);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 65536) INSERT INTO people SELECT i FROM n;
)";
    PeopleDb db(script);
    const String file = db.folder.File("big.xls");
    // 65,535 rows and the title fill the sheet exactly.
    db.BookmarkOf(1);
    TDBGridEhExportHooks lastOut;
    lastOut.Selection = [&] {
        TDBGridEhWalkSelection s;
        s.Type = gstRectangle;
        s.LeftCol = 0;
        s.RightCol = 0;
        s.TopRow = db.BookmarkOf(1);
        s.BottomRow = db.BookmarkOf(65535);
        return s;
    };
    SaveGridToExportFile(&NewGridExport<TDBGridEhExportAsXLS>, db.Core(), file, false, lastOut);
    EXPECT_TRUE(FileExists(file));

    // One more row: refused, and the file of the earlier export is still whole.
    const auto sizeBefore = fs::file_size(file);
    try {
        SaveGridToExportFile(&NewGridExport<TDBGridEhExportAsXLS>, db.Core(), file, true);
        FAIL() << "no refusal";
    } catch (const EDBGridEhExportError& e) {
        EXPECT_NE(e.Message.find("65536 rows"), String::npos) << e.Message;
    }
    EXPECT_EQ(fs::file_size(file), sizeBefore);
    for (const auto& entry : fs::directory_iterator(db.folder.Path()))
        EXPECT_EQ(entry.path().extension(), entry.path().filename() == "big.xls" ? ".xls" : ".mdb")
            << entry.path();
}

TEST(GridExportFile, AFolderThatCannotBeWrittenGivesAClearErrorAndNoFile) {
    PeopleDb db;
    const String file = db.folder.File("missing-folder/people.xls");
    try {
        SaveGridToExportFile(&NewGridExport<TDBGridEhExportAsXLS>, db.Core(), file, true);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_NE(e.Message.find("Cannot create file"), String::npos) << e.Message;
    }
    EXPECT_FALSE(FileExists(file));
}

// ---- RTF ----

TEST(GridExportRtf, OneColumnOneRowDocumentWithBordersShadingFontsAndWidths) {
    PeopleDb db("CREATE TABLE people (id INTEGER PRIMARY KEY, name TEXT(20)); INSERT INTO people VALUES (1, 'a{b}\\c');",
                "select name from people");
    db.Core()->SetFlat(true);
    TColumnEh* column = db.Column(0);
    column->SetWidth(96);
    column->Title()->SetCaption("Name");
    column->Title()->SetColor(clBtnFace);
    column->Title()->Font()->SetName("Arial");
    column->Title()->Font()->SetSize(10);
    column->Title()->Font()->SetStyle(TFontStyles{fsBold});
    column->Title()->Font()->SetColor(clBlack);
    column->Font()->SetName("Arial");
    column->Font()->SetSize(9);
    column->Font()->SetColor(clBlack);
    column->SetColor(clWhite);
    const TColor face = ColorToRGB(clBtnFace);
    const String faceRgb = "\\red" + std::to_string(face & 0xFF) + "\\green" + std::to_string((face >> 8) & 0xFF) +
                           "\\blue" + std::to_string((face >> 16) & 0xFF) + ";";
    const String borders = "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n"
                           "\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n";
    const String expected = "{\\rtf0\\ansi\\ansicpg936\r\n"
                            "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;" + faceRgb + "}\r\n"
                            "{\\fonttbl\\f0\\fnil\\fcharset134 Arial;}\r\n"
                            "\\trowd\\trgaph40\r\n" + borders + "\\clshdng10000\\clcfpat2\\cellx1440\r\n{\\trrh0\r\n"
                            "\\pard\\intbl{\\ql\\sb12\\sa12\\fs20\\b\\f0\\cf0\\cb2 Name\\cell}\r\n"
                            "\\pard\\intbl\\row}\r\n"
                            "\\trowd\\trgaph40\r\n" + borders + "\\clshdng10000\\clcfpat1\\cellx1440\r\n{\\trrh0\r\n"
                            "\\pard\\intbl{\\ql\\sb12\\sa12\\fs18\\f0\\cf0\\cb1 a\\{b\\}\\\\c\\cell}\r\n"
                            "\\pard\\intbl\\row}\r\n}";
    EXPECT_EQ(db.Export<TDBGridEhExportAsRTF>(true), expected);
}

TEST(GridExportRtf, RightEdgesAddEachColumnsTruncatedTwips) {
    PeopleDb db;
    for (int i = 2; i < 5; ++i) db.Column(i)->SetVisible(false);
    db.Column(0)->SetWidth(96);
    db.Column(1)->SetWidth(97);
    TDBGridEhExportHooks hooks;
    hooks.PixelsPerInch = 96;
    AnsiString rtf = db.Export<TDBGridEhExportAsRTF>(true, hooks);
    EXPECT_NE(rtf.find("\\cellx1440\r\n"), AnsiString::npos);
    EXPECT_NE(rtf.find("\\cellx2895\r\n"), AnsiString::npos);  // 1440 + trunc(97 * 15)
    hooks.PixelsPerInch = 120;
    rtf = db.Export<TDBGridEhExportAsRTF>(true, hooks);
    EXPECT_NE(rtf.find("\\cellx1152\r\n\\clbrdrl"), AnsiString::npos);  // 96 * 1440 / 120
    EXPECT_NE(rtf.find("\\cellx2316\r\n{"), AnsiString::npos);          // + trunc(97 * 12)
}

TEST(GridExportRtf, EscapesWhatWouldBreakTheDocumentAndCarriesChineseForEveryReader) {
    const struct {
        const char* text;
        const char* rtf;
    } cases[] = {
        {"plain", "plain"},
        {"a\\b{c}", "a\\\\b\\{c\\}"},
        {"l1\r\nl2\nl3", "l1\\line l2\\line l3"},
        {"t\tx", "t\\tab x"},
        {"中", "\\uc2\\u20013\\'d6\\'d0"},
        {"\xF0\x9F\x98\x80", "\\uc1\\u-10179\\u-8704\\'3f"},  // outside GBK: Unicode, '?' as the fallback
    };
    for (const auto& c : cases) EXPECT_EQ(TDBGridEhExportAsRTF::EscapeText(c.text), c.rtf) << c.text;
}

TEST(GridExportRtf, UnrtfReadsEveryValueChineseIncluded) {
    PeopleDb db;
    const String file = db.folder.File("people.rtf");
    WriteFile(file, db.Export<TDBGridEhExportAsRTF>(true));
    SKIP_WITHOUT_READERS();
    const ExpectedRows rows = PeopleRows(false);
    EXPECT_EQ(ReadBack("rtf", file, rows), "");
}

// The title rows of a table: per row, each cell's drawn borders ("l", "t", "b", "r" in the order
// written) and its text, with "+" before the text when the cell has its \sb and \sa words.
struct RtfTitleRow {
    std::vector<String> borders;
    std::vector<String> cells;
    bool operator==(const RtfTitleRow&) const = default;
};

std::vector<RtfTitleRow> RtfRows(const AnsiString& rtf, int count) {
    std::vector<RtfTitleRow> rows;
    std::size_t pos = 0;
    while (static_cast<int>(rows.size()) < count && (pos = rtf.find("\\trowd", pos)) != AnsiString::npos) {
        const std::size_t end = rtf.find("\\row}", pos);
        const AnsiString row = rtf.substr(pos, end - pos);
        RtfTitleRow parsed;
        String sides;
        for (std::size_t at = 0; (at = row.find("\\cl", at)) != AnsiString::npos; ++at) {
            if (row.compare(at, 7, "\\clbrdr") == 0) sides += row[at + 7];
            if (row.compare(at, 8, "\\clshdng") == 0) {
                parsed.borders.push_back(sides);
                sides.clear();
            }
        }
        for (std::size_t at = 0; (at = row.find("\\pard\\intbl{", at)) != AnsiString::npos; ++at) {
            const std::size_t close = row.find("\\cell}", at);
            const AnsiString cell = row.substr(at, close - at);
            const std::size_t blank = cell.find(' ');
            parsed.cells.push_back((cell.find("\\sb") != AnsiString::npos ? "+" : "") + cell.substr(blank + 1));
        }
        rows.push_back(parsed);
        pos = end;
    }
    return rows;
}

// Multi-line titles: a group over two columns and a third column whose leaf reaches the top. The
// group is one block in the top row (no border between its cells); the third column's block spans
// both rows, its text in the top cell, the cell below it empty, no border between them.
TEST(GridExportRtf, MultiLineTitlesMergeGroupsIntoBlocks) {
    PeopleDb db;
    db.Column(0)->SetVisible(false);
    db.Column(4)->SetVisible(false);
    db.Core()->SetUseMultiTitle(true);
    THeadTreeNode root("Root", 10, 0);
    THeadTreeNode* group = root.AddChild("信息", 18, 0);
    THeadTreeNode* name = group->AddChild("name", 18, 64);
    THeadTreeNode* score = group->AddChild("score", 18, 64);
    THeadTreeNode* price = root.AddChild("price", 36, 64);
    TDBGridEhExportHooks hooks;
    hooks.PixelsPerInch = 96;
    hooks.VTitleMargin = 10;  // |trunc(10 / 2 / 96 * 1440 - 20)| = 55
    hooks.TitleLeaf = [&](TColumnEh* column) {
        return column == db.Column(1) ? name : column == db.Column(2) ? score : price;
    };
    const AnsiString rtf = db.Export<TDBGridEhExportAsRTF>(true, hooks);
    const std::vector<RtfTitleRow> rows = RtfRows(rtf, 3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (RtfTitleRow{{"ltb", "tbr", "ltr"},
                                    {"+" + TDBGridEhExportAsRTF::EscapeText("信息"), "", "+price"}}));
    EXPECT_EQ(rows[1], (RtfTitleRow{{"ltbr", "ltbr", "lbr"}, {"+name", "+score", ""}}));
    EXPECT_NE(rtf.find("{\\qc\\sb55\\sa55\\fs"), AnsiString::npos);
    // The data rows follow as before.
    EXPECT_EQ(rows[2].borders, (std::vector<String>{"ltbr", "ltbr", "ltbr"}));

    // Without the title tree, or with UseMultiTitle off: one title row with the captions.
    db.Core()->SetUseMultiTitle(false);
    const std::vector<RtfTitleRow> single = RtfRows(db.Export<TDBGridEhExportAsRTF>(true, hooks), 1);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].cells.size(), 3u);
    EXPECT_EQ(single[0].cells[0], "+name");

    db.Core()->SetUseMultiTitle(true);
    const String file = db.folder.File("titles.rtf");
    WriteFile(file, rtf);
    SKIP_WITHOUT_READERS();
    EXPECT_EQ(ReadBack("rtf", file, {{"信息", "price"}, {"name", "score"}, {"张三", "5", "0.1"}}), "");
}

}  // namespace
