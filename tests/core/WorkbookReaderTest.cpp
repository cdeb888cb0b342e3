// The workbook reader against workbooks a spreadsheet program wrote (ssconvert, BIFF8 and BIFF5:
// tests/core/workbooks/make-workbooks.sh) and against the grid export's bare BIFF stream: every
// kind of cell as the sheet displays it; then the files it must refuse, with their messages, and
// the number formats on their own.
#include "ExcelAutomation.h"
#include "WorkbookReader.h"

#include "Encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

fs::path Workbooks() { return fs::path(VESTREL_TEST_DATA) / "core" / "workbooks"; }

std::vector<std::uint8_t> Bytes(const char* name) {
    std::ifstream in(Workbooks() / name, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The value column of the cell-kinds sheet by the kind named in its first column.
std::map<String, String> KindTexts(const TWorkbookSheet& sheet) {
    std::map<String, String> texts;
    for (std::uint32_t r = 1; r < sheet.RowCount; ++r) texts[sheet.Text(r, 0)] = sheet.Text(r, 1);
    return texts;
}

TEST(WorkbookReader, EveryCellKindAsTheSheetShowsIt) {
    struct TRow {
        const char* kind;
        const char* text;
    } const rows[] = {
        {"中文", "张伟 杭州市"},
        {"整数", "13905710101"},
        {"百分比", "12.50%"},
        {"日期", "2024-03-05"},
        {"中文日期", "2024年3月5日"},
        {"时间", "18:00:00"},
        {"千分位", "1,234,567.89"},
        {"小数", "-2.5"},
        {"逻辑", "TRUE"},
        {"公式", "27811420202"},
        {"文本公式", "中文人"},
        {"错误", "#DIV/0!"},
    };
    for (const char* file : {"cell-kinds.xls", "cell-kinds-biff5.xls"}) {
        SCOPED_TRACE(file);
        const TWorkbook book = ReadWorkbook(Bytes(file));
        ASSERT_EQ(book.Sheets.size(), 1u);
        const TWorkbookSheet& sheet = book.Sheets[0];
        EXPECT_EQ(sheet.Name, "人员");
        EXPECT_EQ(sheet.RowCount, 13u);
        EXPECT_EQ(sheet.ColumnCount, 2u);
        EXPECT_EQ(sheet.Text(0, 0), "种类");
        const std::map<String, String> texts = KindTexts(sheet);
        for (const TRow& row : rows) {
            SCOPED_TRACE(row.kind);
            ASSERT_TRUE(texts.count(row.kind));
            EXPECT_EQ(texts.at(row.kind), row.text);
        }
    }
}

TEST(WorkbookReader, SharedStringsAcrossContinueRecordsKeepTheirOrder) {
    const TWorkbook book = ReadWorkbook(Bytes("many-strings.xls"));
    const TWorkbookSheet& sheet = book.Sheets[0];
    ASSERT_EQ(sheet.RowCount, 501u);
    ASSERT_EQ(sheet.ColumnCount, 2u);
    for (std::uint32_t i = 0; i < 500; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "N%04u", i);
        ASSERT_EQ(sheet.Text(i + 1, 0), code) << i;
        ASSERT_EQ(sheet.Text(i + 1, 1), "第" + std::to_string(i) + "号联系人名称甲乙丙丁") << i;
    }
}

// ---- The grid export's bare worksheet stream ------------------------------------------------------

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void Record(std::vector<std::uint8_t>& out, unsigned type, const std::vector<std::uint8_t>& data) {
    Put16(out, type);
    Put16(out, unsigned(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}
std::vector<std::uint8_t> Cell(unsigned row, unsigned col, unsigned format) {
    std::vector<std::uint8_t> d;
    Put16(d, row);
    Put16(d, col);
    Put16(d, format);
    return d;
}
std::vector<std::uint8_t> Label(unsigned row, unsigned col, const String& text) {
    std::vector<std::uint8_t> d = Cell(row, col, 0);
    const AnsiString gbk = Utf8ToGbk(text);
    Put16(d, unsigned(gbk.size()));
    d.insert(d.end(), gbk.begin(), gbk.end());
    return d;
}
std::vector<std::uint8_t> Number(unsigned row, unsigned col, double value) {
    std::vector<std::uint8_t> d = Cell(row, col, 0);
    std::uint8_t raw[8];
    std::memcpy(raw, &value, 8);
    d.insert(d.end(), raw, raw + 8);
    return d;
}
std::vector<std::uint8_t> Rk(unsigned row, unsigned col, std::int32_t integer) {
    std::vector<std::uint8_t> d = Cell(row, col, 0);
    const std::uint32_t rk = std::uint32_t(integer) * 4u + 2u;
    for (int i = 0; i < 4; ++i) d.push_back(std::uint8_t(rk >> (8 * i)));
    return d;
}

std::vector<std::uint8_t> ExportStream() {
    std::vector<std::uint8_t> s;
    Record(s, 0x0809, {0, 0, 0x10, 0, 0, 0, 0, 0});
    Record(s, 0x0204, Label(0, 0, "个人名称"));
    Record(s, 0x0204, Label(0, 1, "年龄"));
    Record(s, 0x0204, Label(0, 2, ""));
    Record(s, 0x0204, Label(1, 0, "张伟"));
    Record(s, 0x027E, Rk(1, 1, 5));
    Record(s, 0x0203, Number(1, 2, 3.25));
    Record(s, 0x0201, Cell(2, 0, 0x17));
    Record(s, 0x027E, Rk(2, 1, -1));
    Record(s, 0x000A, {});
    return s;
}

TEST(WorkbookReader, TheGridExportsBareStreamReadsAsOneSheet) {
    const TWorkbook book = ReadWorkbook(ExportStream());
    ASSERT_EQ(book.Sheets.size(), 1u);
    const TWorkbookSheet& sheet = book.Sheets[0];
    EXPECT_EQ(sheet.RowCount, 3u);
    EXPECT_EQ(sheet.ColumnCount, 3u);
    EXPECT_EQ(sheet.Text(0, 0), "个人名称");
    EXPECT_EQ(sheet.Text(0, 1), "年龄");
    EXPECT_EQ(sheet.Text(1, 0), "张伟");
    EXPECT_EQ(sheet.Text(1, 1), "5");
    EXPECT_EQ(sheet.Text(1, 2), "3.25");
    EXPECT_EQ(sheet.Text(2, 0), "");  // a blank
    EXPECT_EQ(sheet.Text(2, 1), "-1");
}

// ---- Files it refuses -----------------------------------------------------------------------------

TEST(WorkbookReader, RefusesWhatIsNotAReadableWorkbookWithAMessage) {
    std::vector<std::uint8_t> encrypted = Bytes("cell-kinds.xls");
    {
        // The record after the globals' BOF becomes a FILEPASS record (same length).
        const std::uint8_t bof[] = {0x09, 0x08, 0x10, 0x00, 0x00, 0x06, 0x05, 0x00};
        auto at = std::search(encrypted.begin(), encrypted.end(), std::begin(bof), std::end(bof));
        ASSERT_NE(at, encrypted.end());
        at += 4 + 16;
        at[0] = 0x2F;
        at[1] = 0x00;
    }
    std::vector<std::uint8_t> text = {'n', 'a', 'm', 'e', ',', 'q', 'q', '\n'};
    std::vector<std::uint8_t> zip = {'P', 'K', 3, 4, 20, 0, 6, 0, 8, 0};
    const std::vector<std::uint8_t> whole = Bytes("cell-kinds.xls");
    const std::vector<std::uint8_t> header(whole.begin(), whole.begin() + 300);
    std::vector<std::uint8_t> exportWithoutEnd = ExportStream();
    exportWithoutEnd.resize(exportWithoutEnd.size() - 4);
    struct TRow {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;
    } const rows[] = {
        {"empty file", {}, "这不是Excel工作簿文件（.xls）。"},
        {"a text file", text, "这不是Excel工作簿文件（.xls）。"},
        {"a newer workbook (zip)", zip, "请在Excel中另存为"},
        {"password-protected", encrypted, "受密码保护"},
        {"the export cut before its end", exportWithoutEnd, "不完整"},
        {"a compound file cut in its header", header, "不完整"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            ReadWorkbook(row.bytes);
            ADD_FAILURE() << "read";
        } catch (const EWorkbookError& e) {
            EXPECT_NE(e.Message.find(row.message), String::npos) << e.Message;
        }
    }
}

TEST(WorkbookReader, EveryCutOfAWorkbookIsRefusedNeverMisread) {
    const std::vector<std::uint8_t> whole = Bytes("cell-kinds.xls");
    for (std::size_t length = 0; length < whole.size(); length += 61) {
        SCOPED_TRACE(length);
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
        EXPECT_THROW(ReadWorkbook(cut), EWorkbookError);
    }
}

// ---- Number formats -------------------------------------------------------------------------------

TEST(WorkbookReader, NumberFormats) {
    struct TRow {
        double value;
        const char* format;
        const char* text;
    } const rows[] = {
        {42, "", "42"},
        {0.1 + 0.2, "General", "0.3"},
        {-7, "0", "-7"},
        {3.14159, "0.00", "3.14"},
        {1234.5, "#,##0", "1,235"},
        {-1234.5, "#,##0.00;(#,##0.00)", "(1,234.50)"},
        {0, "0.00;-0.00;\"零\"", "零"},
        {0.5, "0%", "50%"},
        {45356, "yyyy/m/d", "2024/3/5"},
        {45356.5, "yyyy-mm-dd hh:mm", "2024-03-05 12:00"},
        {45356, "m\"月\"d\"日\"", "3月5日"},
        {0.5625, "h:mm AM/PM", "1:30 PM"},
        {45356, "[$-804]yyyy\"年\"m\"月\"", "2024年3月"},
        {12.5, "[$¥-804]#,##0.00", "¥12.50"},
        {1.25, "[h]:mm:ss", "30:00:00"},
        {0.0006944444444, "mm:ss", "01:00"},
        {5, "@", "5"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.format);
        EXPECT_EQ(FormatWorkbookNumber(row.value, row.format), row.text);
    }
    // The 1904 date system starts four years later.
    EXPECT_EQ(FormatWorkbookNumber(43894, "yyyy-mm-dd", true), "2024-03-05");
}

// ---- The automation objects ---------------------------------------------------------------------------

TEST(ExcelAutomation, OpensAWorkbookAndAnswersTheImportsCalls) {
    auto app = CreateExcelApplication("Excel.Application");
    auto sheetObject = CreateExcelSheet("Excel.Sheet");
    TExcelWorkbook* added = app->WorkBooks().add();
    EXPECT_EQ(app->ActiveSheet().UsedRange().rows().Count(), 1);
    app->WorkBooks().open((Workbooks() / "persons-20.xls").string());
    app->SetVisible(false);
    EXPECT_EQ(app->ActiveSheet().UsedRange().columns().Count(), 11);
    EXPECT_EQ(app->ActiveSheet().UsedRange().rows().Count(), 21);
    EXPECT_EQ(app->ActiveSheet().cells().item(1, 1).Text(), "个人名称");
    EXPECT_EQ(app->ActiveSheet().cells().item(2, 1).value().AsString(), "王伟");
    EXPECT_TRUE(app->ActiveSheet().cells().item(30, 30).value().IsEmpty());
    // Column 0 is no cell.
    EXPECT_THROW(app->ActiveSheet().cells().item(2, 0), EOleException);
    added->close();
    app->quit();
    EXPECT_THROW(app->ActiveSheet(), EOleException);
    EXPECT_THROW(CreateExcelApplication("Word.Application"), EOleException);
    EXPECT_THROW(app->WorkBooks().open("/no/such/file.xls"), EOleException);
}

}  // namespace
