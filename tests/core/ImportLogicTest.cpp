// The workbook import's statements and steps over a scratch copy of the shipped database: the
// headers into T_Temp, the mapping's first proposal, the mapped columns, and the import of rows
// (numbers, owners, the left-out "Name", refusals before writing, a failing row).
#include "DbTestSupport.h"

#include "Lists.h"
#include "Streams.h"

#include "ExcelAutomation.h"
#include "U_ImportLogic.h"

using namespace dbtest;

namespace {

using Grid = std::vector<std::vector<String>>;

TImportSheet SheetOf(const Grid& cells) {
    TImportSheet sheet;
    sheet.Rows = int(cells.size());
    sheet.Columns = cells.empty() ? 0 : int(cells[0].size());
    sheet.Text = [cells](int row, int column) -> String {
        if (row < 1 || column < 1) throw EOleException("bad cell");
        if (std::size_t(row) > cells.size() || std::size_t(column) > cells[row - 1].size()) return String();
        return cells[std::size_t(row) - 1][std::size_t(column) - 1];
    };
    return sheet;
}

struct ImportFixture {
    ImportFixture() : file(folder.File("Custom.mdb")) {
        BuildShippedDatabase(file);
        session = std::make_unique<Session>(file);
    }
    // Maps each (target, header) of `table`, every other mapping row unmapped.
    void Map(const std::vector<std::pair<const char*, const char*>>& pairs) {
        session->connection->Execute("update T_Import set F_Field=' '");
        for (const auto& [target, header] : pairs)
            session->connection->Execute("update T_Import set F_Field=" + QuotedSql(header) + " where S_Field=" +
                                         QuotedSql(target));
    }
    String Scalar(const String& sql) {
        TADOQuery* q = session->NewQuery();
        q->SQL()->Add(sql);
        q->Open();
        return q->Fields()->Fields(0)->AsString();
    }
    int Import(const Grid& cells) {
        const TImportSheet sheet = SheetOf(cells);
        RecordHeaders(session->connection, session->NewQuery(), sheet);
        const auto persons = ReadImportColumns(session->NewQuery(), session->NewQuery(), "custom");
        const auto contacts = ReadImportColumns(session->NewQuery(), session->NewQuery(), "contact");
        TImportTargets targets;
        targets.Connection = session->connection;
        targets.Persons = session->NewQuery();
        OpenQuery(targets.Persons, "Select * from custom");
        targets.Contacts = session->NewQuery();
        OpenQuery(targets.Contacts, "Select * from Contact");
        targets.Work = session->NewQuery();
        targets.OperatorName = "李明";
        return ImportSheetRows(targets, persons, contacts, sheet);
    }
    TempFolder folder;
    String file;
    std::unique_ptr<Session> session;
};

TEST(ImportLogic, Statements) {
    EXPECT_EQ(ImportMappingSql("custom"), "select * from T_Import where F_Field<>' ' and tablename='custom'");
    EXPECT_EQ(ImportMappingSql("contact"), "select * from T_Import where F_Field<>' ' and tablename='contact'");
    EXPECT_EQ(ImportCellIdSql("电话"), "select * from T_Temp where S_Field='电话'");
    EXPECT_EQ(ImportCellIdSql("O'Neil"), "select * from T_Temp where S_Field='O''Neil'");
}

TEST(ImportLogic, HeadersReplaceTTempAndTheNthMappingRowGetsTheNthHeader) {
    ImportFixture f;
    f.session->connection->Execute("insert into T_Temp (S_Field, CellID) values ('旧表头', 9)");
    TADOQuery* temp = f.session->NewQuery();
    RecordHeaders(f.session->connection, temp, SheetOf({{"姓名", "", "电话"}}));
    EXPECT_EQ(f.Scalar("select group_concat(S_Field || ':' || CellID, '|') from T_Temp"), "姓名:1|:2|电话:3");

    TADOQuery* mapping = f.session->NewQuery();
    OpenQuery(mapping, kImportMappingSql);
    PrefillMapping(mapping, temp);
    const std::vector<String> mapped = ColumnTexts(mapping, "F_Field");
    ASSERT_EQ(mapped.size(), 27u);
    EXPECT_EQ(mapped[0], "姓名");
    EXPECT_EQ(mapped[1], "");
    EXPECT_EQ(mapped[2], "电话");
    for (std::size_t i = 3; i < mapped.size(); ++i) EXPECT_EQ(mapped[i], "") << i;
    // The empty ones map nothing: only two pairs are read, each with its sheet column.
    const auto columns = ReadImportColumns(f.session->NewQuery(), f.session->NewQuery(), "custom");
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].Target, "Company");
    EXPECT_EQ(columns[0].Column, 1);
    EXPECT_EQ(columns[1].Target, "CustType");
    EXPECT_EQ(columns[1].Column, 3);
}

TEST(ImportLogic, RowsBecomePersonsWithContactsNumberedOnOwnedByTheOperator) {
    ImportFixture f;
    // A person target "Name" (custom has no such column) is left out, not refused.
    f.session->connection->Execute(
        "insert into T_Import (tablename, S_Field, FieldName, F_Field) values ('custom', 'Name', '名称', ' ')");
    f.Map({{"Company", "姓名"}, {"Name", "姓名"}, {"tel", "电话"}, {"ContactName", "联系人"}, {"Mobile", "手机"}});
    const String highest = f.Scalar("select max(CustCode) from custom");
    const int imported = f.Import({{"姓名", "电话", "联系人", "手机"},
                                   {"王伟", "0571-1", "王小伟", "1390001"},
                                   {"O'Neil", "", "李雷", "1390002"}});
    EXPECT_EQ(imported, 2);
    const int first = std::stoi(highest) + 1;
    EXPECT_EQ(f.Scalar("select group_concat(CustCode || ':' || Company || ':' || ifnull(tel,'') || ':' || F_User, '|') "
                       "from custom where CustCode >= " + std::to_string(first)),
              std::to_string(first) + ":王伟:0571-1:李明|" + std::to_string(first + 1) + ":O'Neil::李明");
    // Mobile is mapped for both tables by the same target name: the person's and the contact's.
    EXPECT_EQ(f.Scalar("select group_concat(CustCode || ':' || ContactName || ':' || Mobile || ':' || F_User, '|') "
                       "from contact where CustCode >= " + std::to_string(first)),
              std::to_string(first) + ":王小伟:1390001:李明|" + std::to_string(first + 1) + ":李雷:1390002:李明");
}

TEST(ImportLogic, AHeaderOnlySheetImportsNothing) {
    ImportFixture f;
    f.Map({{"Company", "姓名"}});
    const String persons = f.Scalar("select count(*) from custom");
    EXPECT_EQ(f.Import({{"姓名"}}), 0);
    EXPECT_EQ(f.Scalar("select count(*) from custom"), persons);
}

TEST(ImportLogic, RefusalsBeforeAnythingIsWritten) {
    struct TRow {
        const char* name;
        std::vector<std::pair<const char*, const char*>> map;
        Grid cells;
        const char* message;
    } const rows[] = {
        {"a mapped header the sheet does not have", {{"Company", "名称"}}, {{"姓名"}, {"王伟"}}, "没有名为“名称”的列"},
        {"a text longer than its column (postcode holds 10)",
         {{"Company", "姓名"}, {"postcode", "邮编"}},
         {{"姓名", "邮编"}, {"王伟", "310000"}, {"李雷", "310000-123456"}},
         "第 3 行“邮编”列的内容有 13 个字符"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        ImportFixture f;
        f.Map(row.map);
        const String persons = f.Scalar("select count(*) from custom");
        try {
            f.Import(row.cells);
            ADD_FAILURE() << "imported";
        } catch (const EImportError& e) {
            EXPECT_NE(e.Message.find(row.message), String::npos) << e.Message;
        }
        EXPECT_EQ(f.Scalar("select count(*) from custom"), persons);
        EXPECT_FALSE(f.session->connection->InTransaction());
    }
}

TEST(ImportLogic, AFailingRowLeavesNothingOfItselfAndKeepsTheRowsBefore) {
    ImportFixture f;
    f.session->connection->Execute(
        "insert into T_Import (tablename, S_Field, FieldName, F_Field) values ('contact', 'Birthday', '生日', ' ')");
    f.Map({{"Company", "姓名"}, {"Birthday", "生日"}});
    const String persons = f.Scalar("select count(*) from custom");
    const String contacts = f.Scalar("select count(*) from contact");
    try {
        f.Import({{"姓名", "生日"}, {"王伟", "1990-04-12"}, {"李雷", "不是日期"}, {"韩梅梅", "1991-01-01"}});
        ADD_FAILURE() << "imported";
    } catch (const EImportError& e) {
        EXPECT_NE(e.Message.find("导入Excel第 3 行时出错"), String::npos) << e.Message;
        EXPECT_NE(e.Message.find("此前的 1 条记录已经导入"), String::npos) << e.Message;
    }
    EXPECT_EQ(std::stoi(f.Scalar("select count(*) from custom")), std::stoi(persons) + 1);
    EXPECT_EQ(std::stoi(f.Scalar("select count(*) from contact")), std::stoi(contacts) + 1);
    EXPECT_EQ(f.Scalar("select count(*) from custom where Company='李雷'"), "0");
    EXPECT_FALSE(f.session->connection->InTransaction());
}

TEST(ImportLogic, AWorkbookWrittenBySsconvertImportsThroughTheAutomationObjects) {
    ImportFixture f;
    f.Map({{"Company", "个人名称"}, {"OtherInfo", "性别"}, {"address", "通讯地址"}, {"ContactName", "联系人姓名"}});
    auto app = CreateExcelApplication("Excel.Application");
    app->WorkBooks().open((fs::path(VESTREL_TEST_DATA) / "core" / "workbooks" / "persons-20.xls").string());
    TImportSheet sheet;
    sheet.Rows = app->ActiveSheet().UsedRange().rows().Count();
    sheet.Columns = app->ActiveSheet().UsedRange().columns().Count();
    sheet.Text = [&](int r, int c) { return app->ActiveSheet().cells().item(r, c).Text(); };
    RecordHeaders(f.session->connection, f.session->NewQuery(), sheet);
    TImportTargets targets;
    targets.Connection = f.session->connection;
    targets.Persons = f.session->NewQuery();
    OpenQuery(targets.Persons, "Select * from custom");
    targets.Contacts = f.session->NewQuery();
    OpenQuery(targets.Contacts, "Select * from Contact");
    targets.Work = f.session->NewQuery();
    targets.OperatorName = "Admin";
    EXPECT_EQ(ImportSheetRows(targets, ReadImportColumns(f.session->NewQuery(), f.session->NewQuery(), "custom"),
                              ReadImportColumns(f.session->NewQuery(), f.session->NewQuery(), "contact"), sheet),
              20);
    EXPECT_EQ(f.Scalar("select OtherInfo || ' ' || address from custom where Company='王伟'"), "男 杭州市西湖区文一路 1 号");
    EXPECT_EQ(f.Scalar("select count(*) from contact where ContactName like '%家属'"), "20");
}

}  // namespace
