// The grid's imports: tab-separated text and the interchange stream read back into a data set by the
// grid's columns, by selection kind, overwriting, appending and inserting; malformed input refused
// whole; values that do not convert and refused posts leaving no half-written row.
#include "DBGridEhImpExp.h"
#include "DBGridEhSelection.h"
#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace gridtest;

const char* kScript = R"(
CREATE TABLE src (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    code INTEGER,
    name TEXT(40),
    price FLOAT,
    born DATETIME
);
INSERT INTO src (code, name, price, born) VALUES
    (7, '张三', 0.5, '2001-02-03 04:05:06'),
    (NULL, 'tab	in', -2.25, NULL),
    (-3, NULL, NULL, '1999-12-31 00:00:00');
CREATE TABLE dst (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    code INTEGER,
    name TEXT(40),
    price FLOAT,
    born DATETIME
);
INSERT INTO dst (code, name, price, born) VALUES
    (1, 'one', 1, NULL),
    (2, 'two', 2, NULL),
    (3, 'three', 3, NULL);
)";

// Two grids over one database: `src` and `dst`, each showing code, name, price and born (the id
// column hidden).
class ImportDb {
public:
    ImportDb() {
        RegisterTestGridClasses();
        path_ = folder.File("import.mdb");
        dbtest::BuildDatabase(path_, {{"import.sql", kScript}});
        session = std::make_unique<dbtest::Session>(path_);
        src = Open("src", srcSource, srcGrid, session->query);
        dst = Open("dst", dstSource, dstGrid, session->NewQuery());
    }
    ~ImportDb() {
        srcGrid->Free();
        dstGrid->Free();
        srcSource->Free();
        dstSource->Free();
    }
    ImportDb(const ImportDb&) = delete;

    TADOQuery* Open(const String& table, TDataSource*& source, TTestGridEh*& grid, TADOQuery* query) {
        OpenQuery(query, "select * from " + table + " order by id");
        source = New<TDataSource>(nullptr);
        source->SetDataSet(query);
        grid = New<TTestGridEh>(nullptr);
        grid->Core()->SetDataSource(source);
        grid->Core()->RebuildColumns();
        grid->Core()->Columns()->ColumnAt(0)->SetVisible(false);
        return query;
    }

    template <class T>
    std::string Export(TTestGridEh* grid, bool all) {
        TMemoryStream stream;
        SaveGridToExportStream(&NewGridExport<T>, grid->Core(), &stream, all);
        return std::string(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
    }

    template <class T>
    void Import(const std::string& bytes, bool all, const TDBGridEhImportHooks& hooks = TDBGridEhImportHooks()) {
        TMemoryStream stream;
        stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        stream.SetPosition(0);
        LoadGridFromImportStream(&NewGridImport<T>, dstGrid->Core(), &stream, all, hooks);
    }

    // The rows of `table` as "code|name|price|born" texts ("-" for null), in id order.
    std::vector<String> Rows(const String& table = "dst") {
        std::vector<String> rows;
        TADOQuery* q = session->NewQuery();
        OpenQuery(q, "select code, name, price, born from " + table + " order by id");
        for (q->First(); !q->Eof(); q->Next()) {
            String row;
            for (int i = 0; i < 4; ++i) {
                TField* f = q->Fields()->Fields(i);
                row += (i ? "|" : "") + (f->IsNull() ? String("-") : f->AsString());
            }
            rows.push_back(row);
        }
        return rows;
    }

    dbtest::TempFolder folder;
    String path_;
    std::unique_ptr<dbtest::Session> session;
    TADOQuery* src = nullptr;
    TADOQuery* dst = nullptr;
    TDataSource* srcSource = nullptr;
    TDataSource* dstSource = nullptr;
    TTestGridEh* srcGrid = nullptr;
    TTestGridEh* dstGrid = nullptr;
};

using Rows = std::vector<std::vector<String>>;

TEST(GridImportTextTest, ParsesCellsRowsQuotesAndRefusesALoneCR) {
    const struct {
        const char* name;
        std::string text;
        Rows rows;
        bool invalid;
    } cases[] = {
        {"empty", "", {}, false},
        {"empty cell between tabs", "x\t\ty\r\n", {{"x", "", "y"}}, false},
        {"last row without line break", "a\tb\r\nc", {{"a", "b"}, {"c"}}, false},
        {"last byte kept", "ab", {{"ab"}}, false},
        {"empty last cell", "a\t", {{"a", ""}}, false},
        {"empty line", "a\r\n\r\nb", {{"a"}, {""}, {"b"}}, false},
        {"text ends at the first NUL", std::string("a\tb\0\r\rjunk", 10), {{"a", "b"}}, false},
        {"quoted line break and tab", "\"l1\r\nl2\"\t\"x\ty\"", {{"l1\r\nl2", "x\ty"}}, false},
        {"doubled quotes", "\"say \"\"hi\"\"\"\tz", {{"say \"hi\"", "z"}}, false},
        {"quote not closing the cell", "\"a\"b\tc", {{"\"a\"b", "c"}}, false},
        {"unclosed quote", "\"open\tq", {{"\"open", "q"}}, false},
        {"GBK text", "\xd5\xc5\xc8\xfd\t1", {{"张三", "1"}}, false},
        {"CR without LF", "a\rb", {}, true},
        {"CR at the end", "a\r", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.invalid) {
            try {
                TDBGridEhImportAsText::ParseText(c.text);
                ADD_FAILURE() << "accepted";
            } catch (const EDBGridEhImportError& e) {
                EXPECT_EQ(e.Message, "TDBGridEhImportAsText.CheckState: Invalid text format");
            }
        } else {
            EXPECT_EQ(TDBGridEhImportAsText::ParseText(c.text), c.rows);
        }
    }
}

TEST(GridImportTextTest, InputsTheFuzzerFoundAreRefusedOrRead) {
    const std::filesystem::path folder = dbtest::SourceRoot() / "tests" / "core" / "corpus" / "tabtext";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        try {
            for (const auto& row : ReadTabTextRows(bytes.data(), bytes.size())) EXPECT_FALSE(row.empty());
        } catch (const EDBGridEhImportError&) {
        }
    }
}

// A copy of all rows of one grid read into a second, emptied grid: every value, its type and its
// nulls come back (the interchange stream); tab text brings the texts back.
TEST(GridImportTest, RoundTripIntoAnEmptyGridAppendsEveryRow) {
    for (bool interchange : {true, false}) {
        SCOPED_TRACE(interchange ? "VCLDBIF" : "text");
        ImportDb db;
        db.srcGrid->Core()->SetOptions(db.srcGrid->Core()->Options() - TDBGridOptions{dgTitles});
        db.session->connection->Execute("DELETE FROM dst");
        db.dst->Close();
        db.dst->Open();
        if (interchange)
            db.Import<TDBGridEhImportAsVCLDBIF>(db.Export<TDBGridEhExportAsVCLDBIF>(db.srcGrid, true), false);
        else
            db.Import<TDBGridEhImportAsText>(db.Export<TDBGridEhExportAsText>(db.srcGrid, true), false);
        EXPECT_EQ(db.dst->State(), dsBrowse);
        std::vector<String> expected = db.Rows("src");
        // Text has no null: the empty name comes back as an empty text.
        if (!interchange) expected[2] = "-3||-|1999-12-31";
        EXPECT_EQ(db.Rows(), expected);
        ASSERT_TRUE(db.dst->Locate("code", Variant(7), 0));
        EXPECT_EQ(db.dst->FieldByName("born")->DataType(), ftDateTime);
        EXPECT_DOUBLE_EQ(db.dst->FieldByName("price")->AsFloat(), 0.5);
    }
}

// Without a selection the rows go over the records from the current one, in the columns from the
// current column on; rows left over are appended only when appending is allowed.
TEST(GridImportTest, OverwritesFromTheCurrentRecordAndAppendsOnlyWhenAllowed) {
    for (bool append : {true, false}) {
        SCOPED_TRACE(append ? "append allowed" : "append not allowed");
        ImportDb db;
        ASSERT_TRUE(db.dst->Locate("code", Variant(2), 0));
        TDBGridEhImportHooks hooks;
        hooks.AllowAppend = append;
        hooks.CurrentColumn = [] { return 2; };  // name
        db.Import<TDBGridEhImportAsText>("b\t9\r\nc\t8\r\nd\t7", false, hooks);
        std::vector<String> expected{"1|one|1|-", "2|b|9|-", "3|c|8|-"};
        if (append) expected.push_back("-|d|7|-");
        EXPECT_EQ(db.Rows(), expected);
        // The row position is restored.
        EXPECT_EQ(db.dst->FieldByName("code")->AsInteger(), 2);
    }
}

// With `all` the rows go over every record from the first, from the first visible column.
TEST(GridImportTest, AllStartsAtTheFirstRecordAndColumn) {
    ImportDb db;
    db.dst->Last();
    int current = -1;
    TDBGridEhImportHooks hooks;
    hooks.SetCurrentColumn = [&](int i) { current = i; };
    hooks.CurrentColumn = [&] { return current; };
    db.Import<TDBGridEhImportAsText>("10\tten", true, hooks);
    EXPECT_EQ(current, 1);
    EXPECT_EQ(db.Rows(), (std::vector<String>{"10|ten|1|-", "2|two|2|-", "3|three|3|-"}));
}

// While the data set is inserting, every row is inserted before the record that was current, in the
// stream's order.
TEST(GridImportTest, InsertingKeepsTheStreamOrder) {
    ImportDb db;
    ASSERT_TRUE(db.dst->Locate("code", Variant(2), 0));
    db.dst->Insert();
    db.Import<TDBGridEhImportAsText>("10\tx\r\n20\ty\r\n30\tz", false);
    EXPECT_EQ(db.dst->State(), dsBrowse);
    std::vector<int> codes;
    for (db.dst->First(); !db.dst->Eof(); db.dst->Next()) codes.push_back(db.dst->FieldByName("code")->AsInteger());
    EXPECT_EQ(codes, (std::vector<int>{1, 10, 20, 30, 2, 3}));
    EXPECT_EQ(db.Rows().size(), 6u);
}

// The selection chooses the records and columns: selected rows in the list's order, a rectangle's
// columns from its top row to its bottom row, the selected columns over every record.
TEST(GridImportTest, SelectionChoosesRecordsAndColumns) {
    ImportDb db;
    auto bookmarkOf = [&](int code) {
        EXPECT_TRUE(db.dst->Locate("code", Variant(code), 0));
        return db.dst->Bookmark();
    };
    TDBGridColumnsEh* columns = db.dstGrid->Core()->Columns();
    const struct {
        const char* name;
        std::function<TDBGridEhWalkSelection()> selection;
        std::string text;
        std::vector<String> rows;
    } cases[] = {
        {"rows in list order",
         [&] {
             TDBGridEhWalkSelection s;
             s.Type = gstRecordBookmarks;
             s.Rows = {bookmarkOf(3), bookmarkOf(1)};
             return s;
         },
         "30\tc\r\n10\ta\r\n99\tnone", {"10|a|1|-", "2|two|2|-", "30|c|3|-"}},
        {"rectangle",
         [&] {
             TDBGridEhWalkSelection s;
             s.Type = gstRectangle;
             s.LeftCol = 2;
             s.RightCol = 3;
             s.TopRow = bookmarkOf(2);
             s.BottomRow = bookmarkOf(3);
             return s;
         },
         "b\t20\r\nc\t30\r\nd\t40", {"1|one|1|-", "2|b|20|-", "3|c|30|-"}},
        {"columns",
         [&] {
             TDBGridEhWalkSelection s;
             s.Type = gstColumns;
             s.Columns = {columns->ColumnAt(3), columns->ColumnAt(1)};
             return s;
         },
         "5\t50\r\n6\t60", {"50|one|5|-", "60|two|6|-", "3|three|3|-"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        db.session->connection->Execute("DELETE FROM dst");
        db.session->connection->Execute(
            "INSERT INTO dst (code, name, price) VALUES (1, 'one', 1), (2, 'two', 2), (3, 'three', 3)");
        db.dst->Close();
        db.dst->Open();
        TDBGridEhImportHooks hooks;
        hooks.Selection = c.selection;
        db.Import<TDBGridEhImportAsText>(c.text, false, hooks);
        EXPECT_EQ(db.Rows(), c.rows);
    }
}

// A malformed stream changes nothing: the data set keeps every row and value and is not left editing.
TEST(GridImportTest, MalformedInputIsRefusedWhole) {
    const std::string good = std::string("VCLDBIF\x01\x02\0\0\0\x01\0\x01\0", 16) +
                             std::string("\x03\x05\0\0\0\x05\x01\0\0\0z", 11);
    const struct {
        const char* name;
        bool interchange;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"text with a lone CR on its last row", false, "1\ta\r\n2\tb\rx", kInvalidTextMessage},
        {"interchange cut inside a value", true, good.substr(0, good.size() - 1), kInvalidVCLDBIFMessage},
        {"interchange without an end mark", true, good, kInvalidVCLDBIFMessage},
        {"interchange with another magic", true, std::string("VCLDBIG\x01\x01\0\0\0\x01\0\0", 15), kInvalidVCLDBIFMessage},
        {"interchange with a negative length", true,
         std::string("VCLDBIF\x01\x01\0\0\0\x01\0\x05\xff\xff\xff\xff\0", 20), kInvalidVCLDBIFMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImportDb db;
        const std::vector<String> before = db.Rows();
        try {
            if (c.interchange)
                db.Import<TDBGridEhImportAsVCLDBIF>(c.bytes, false);
            else
                db.Import<TDBGridEhImportAsText>(c.bytes, false);
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, c.message);
        }
        EXPECT_EQ(db.Rows(), before);
        EXPECT_EQ(db.dst->State(), dsBrowse);
        EXPECT_FALSE(db.dst->ControlsDisabled());
    }
}

// A value that does not convert asks "Ignore error?": Yes goes on (the cell keeps its value), All asks
// no more, No stops the import silently with the rows before it kept and the row being written
// untouched.
TEST(GridImportTest, ValueErrorsAskWhetherToGoOn) {
    const std::string text = "4\tfour\r\nx2\tdeux\r\n6\tsix\r\nx8\teight";
    const struct {
        const char* name;
        TImportErrorAnswer answer;
        int questions;
        bool aborted;
        std::vector<String> rows;
    } cases[] = {
        {"Yes", TImportErrorAnswer::Ignore, 2, false, {"4|four|1|-", "2|deux|2|-", "6|six|3|-", "-|eight|-|-"}},
        {"All", TImportErrorAnswer::IgnoreAll, 1, false, {"4|four|1|-", "2|deux|2|-", "6|six|3|-", "-|eight|-|-"}},
        {"No", TImportErrorAnswer::Stop, 1, true, {"4|four|1|-", "2|two|2|-", "3|three|3|-"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImportDb db;
        db.dst->First();
        std::vector<String> questions;
        TDBGridEhImportHooks hooks;
        hooks.AskIgnoreError = [&](const String& question) {
            questions.push_back(question);
            return c.answer;
        };
        bool aborted = false;
        try {
            db.Import<TDBGridEhImportAsText>(text, false, hooks);
        } catch (const EAbort&) {
            aborted = true;
        }
        EXPECT_EQ(aborted, c.aborted);
        ASSERT_EQ(static_cast<int>(questions.size()), c.questions);
        EXPECT_EQ(questions[0].rfind("Error during insert value:\n", 0), 0u) << questions[0];
        EXPECT_NE(questions[0].find("x2"), String::npos) << questions[0];
        EXPECT_EQ(questions[0].substr(questions[0].size() - 15), "\n\nIgnore error?");
        EXPECT_EQ(db.Rows(), c.rows);
        EXPECT_EQ(db.dst->State(), dsBrowse);
    }
}

// A post refused midway: the rows posted before stay, the refused row is not posted (not even half),
// the failure reaches the caller and the data set is browsing again.
TEST(GridImportTest, RefusedPostLeavesNoHalfWrittenRow) {
    for (bool appending : {false, true}) {
        SCOPED_TRACE(appending ? "appended row refused" : "overwritten row refused");
        ImportDb db;
        db.dst->First();
        int token = 0;
        db.dst->AddListener(TDataSetEventKind::BeforePost, &token, [](TDataSet* ds) {
            if (ds->FieldByName("name")->AsString() == "bad") throw EDatabaseError("refused");
        });
        const std::string text = appending ? "10\ta\r\n20\tb\r\n30\tc\r\n40\td\r\n50\tbad\r\n60\tf"
                                           : "10\ta\r\n20\tbad\r\n30\tc";
        try {
            db.Import<TDBGridEhImportAsText>(text, false);
            ADD_FAILURE() << "accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message, "refused");
        }
        const std::vector<String> expected = appending
            ? std::vector<String>{"10|a|1|-", "20|b|2|-", "30|c|3|-", "40|d|-|-"}
            : std::vector<String>{"10|a|1|-", "2|two|2|-", "3|three|3|-"};
        EXPECT_EQ(db.Rows(), expected);
        EXPECT_EQ(db.dst->State(), dsBrowse);
        db.dst->RemoveListeners(&token);
    }
}

}  // namespace
