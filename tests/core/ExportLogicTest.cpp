// The application's exports without windows: the workbook's file name rule and the e-mail file.
#include "DbTestSupport.h"
#include "Encoding.h"
#include "Streams.h"
#include "U_MainLogic.h"
#include "U_emailLogic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(ExcelExportFileName, AddsXlsUnlessTheNameHoldsItInExactCase) {
    const struct {
        const char* chosen;
        const char* expected;
    } cases[] = {
        {"list", "list.xls"},
        {"  list  ", "list.xls"},
        {"list.xls", "list.xls"},
        {"list.XLS", "list.XLS.xls"},     // the test is case-sensitive
        {"a.xls.bak", "a.xls.bak"},       // ".xls" in the middle stays
        {"名单", "名单.xls"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExcelExportFileName(c.chosen), c.expected) << c.chosen;
}

class EmailFile : public ::testing::Test {
protected:
    void Open(const String& sql) {
        path_ = folder_.File("people.mdb");
        dbtest::BuildDatabase(path_, {{"people.sql", R"(
CREATE TABLE Custom (CustCode INTEGER PRIMARY KEY, CustName TEXT(20), email TEXT(50));
INSERT INTO Custom VALUES (1, 'a', '  first@example.com '), (2, 'b', '   '), (3, 'c', '张三@例子.中国'), (4, 'd', NULL);
)"}});
        session_ = std::make_unique<dbtest::Session>(path_);
        OpenQuery(session_->query, sql);
    }
    String FileBytes(const String& file) { return dbtest::ReadTextFile(Utf8ToPath(file)); }

    dbtest::TempFolder folder_;
    String path_;
    std::unique_ptr<dbtest::Session> session_;
};

TEST_F(EmailFile, WritesTrimmedGbkLinesWithCrLfSkippingBlanksAndCountsEveryRow) {
    Open("select * from Custom order by CustCode");
    const String file = folder_.File("Export") + PathDelim + "list.txt";
    fs::create_directory(folder_.File("Export"));
    EXPECT_EQ(EmailFilePath(folder_.Path().string() + PathDelim, "list"), file);
    std::vector<int> walked;
    WriteEmailAddresses(session_->query, file, [&](int n) { walked.push_back(n); });
    EXPECT_EQ(FileBytes(file), "first@example.com\r\n" + Utf8ToGbk("张三@例子.中国") + "\r\n");
    EXPECT_EQ(walked, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(session_->query->FieldByName("CustCode")->AsInteger(), 4);  // left on the last row
}

TEST_F(EmailFile, KeepsTheListsOrderAndReplacesAnEarlierFile) {
    Open("select * from Custom order by CustCode desc");
    const String file = folder_.File("list.txt");
    { std::ofstream(Utf8ToPath(file)) << "old contents that are longer than the new ones, much longer"; }
    WriteEmailAddresses(session_->query, file, nullptr);
    EXPECT_EQ(FileBytes(file), Utf8ToGbk("张三@例子.中国") + "\r\nfirst@example.com\r\n");
}

TEST_F(EmailFile, AMissingFolderRaisesAndLeavesNothing) {
    Open("select * from Custom");
    const String file = folder_.File("Export") + PathDelim + "list.txt";  // no Export folder
    EXPECT_THROW(WriteEmailAddresses(session_->query, file, nullptr), EFCreateError);
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(FileExists(file + ".part"));
}

TEST_F(EmailFile, AFailureWhileWalkingLeavesNoFileUnderTheName) {
    Open("select CustCode from Custom");  // no email field: the walk fails on the first row
    const String file = folder_.File("list.txt");
    EXPECT_THROW(WriteEmailAddresses(session_->query, file, nullptr), Exception);
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(FileExists(file + ".part"));
}

}  // namespace
