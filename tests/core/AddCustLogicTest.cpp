// The person dialog's decisions: the proposed number, the checks of a save in their order with
// their messages, the statements (numbers as integers, names quoted), the values written, and the
// numbering setting.
#include "U_AddCustLogic.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(AddCustLogicTest, NextNumberAfterTheLargest) {
    struct Row {
        const char* largest;
        const char* expected;
    } rows[] = {{"", "1"}, {"0", "1"}, {"41", "42"}, {"  9", "10"}, {"2147483647", "2147483648"}, {"-3", "-2"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.largest);
        EXPECT_EQ(NextCustCodeText(row.largest), row.expected);
    }
}

TEST(AddCustLogicTest, EntryChecksInOrderWithTheirMessages) {
    const String bad = "' is not a valid integer value";
    struct Row {
        const char* name;
        const char* code;
        const char* person;
        TPersonEntryFault fault;
        int value;
        String message;
    } rows[] = {
        {"both empty: the number first", "", "", TPersonEntryFault::EmptyCode, 0, "个人编号不能为空!"},
        {"blank number", "   ", "张三", TPersonEntryFault::EmptyCode, 0, "个人编号不能为空!"},
        {"empty name", "12", "", TPersonEntryFault::EmptyName, 0, "个人名称不能为空!"},
        {"blank name before a bad number", "x", " \t", TPersonEntryFault::EmptyName, 0, "个人名称不能为空!"},
        {"a number", "12", "张三", TPersonEntryFault::None, 12, ""},
        {"leading blanks convert", "  12", "张三", TPersonEntryFault::None, 12, ""},
        {"trailing blanks do not", "12 ", "张三", TPersonEntryFault::BadNumber, 0, "'12 " + bad},
        {"inner blank", "1 2", "张三", TPersonEntryFault::BadNumber, 0, "'1 2" + bad},
        {"letters", "12a", "张三", TPersonEntryFault::BadNumber, 0, "'12a" + bad},
        {"twenty digits", "12345678901234567890", "张三", TPersonEntryFault::BadNumber, 0,
         "'12345678901234567890" + bad},
        {"a statement", "1 or 1=1", "张三", TPersonEntryFault::BadNumber, 0, "'1 or 1=1" + bad},
        {"negative", "-5", "张三", TPersonEntryFault::None, -5, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TPersonEntryCheck check = CheckPersonEntry(row.code, row.person);
        EXPECT_EQ(check.Fault, row.fault);
        EXPECT_EQ(check.Message, row.message);
        if (row.fault == TPersonEntryFault::None) {
            EXPECT_EQ(check.Code, row.value);
        }
    }
}

TEST(AddCustLogicTest, StatementsCarryTheNumberAsAnIntegerAndQuoteNames) {
    EXPECT_EQ(CustCodeTakenSql(12), "select * from Custom where CustCode=12");
    EXPECT_EQ(CustCodeTakenSql(12, 7), "select * from Custom where CustCode=12 and CustID<>7");
    EXPECT_EQ(CompanyTakenSql("张三"), "select * from Custom where Company='张三'");
    EXPECT_EQ(CompanyTakenSql("O'Brien", 3), "select * from Custom where Company='O''Brien' and CustID<>3");
    EXPECT_EQ(CategoryOfCodeSql("0301"), "Select * from Cust_Category where Code='0301'");
    EXPECT_EQ(CategoryOfCodeSql("x' or '1'='1"), "Select * from Cust_Category where Code='x'' or ''1''=''1'");
}

TEST(AddCustLogicTest, ValuesAreTrimmedExceptIntroductionAndQq) {
    TPersonInputs in;
    in.Name = "  张三 ";
    in.CustType = "金牛座 ";
    in.CategoryCode = "0301";
    in.Zip = " 200000 ";
    in.Sex = "女";
    in.Introduce = "  第一行\r\n第二行  ";
    in.Qq = " 12345 ";
    in.Xueli = "硕士";
    const std::vector<TPersonColumnValue> values = PersonColumnValues(in);
    auto value = [&](const char* column) {
        auto it = std::find_if(values.begin(), values.end(),
                               [column](const TPersonColumnValue& v) { return String(v.Column) == column; });
        EXPECT_NE(it, values.end()) << column;
        return it == values.end() ? String() : it->Value;
    };
    EXPECT_EQ(value("company"), "张三");
    EXPECT_EQ(value("CustType"), "金牛座");
    EXPECT_EQ(value("Category"), "0301");
    EXPECT_EQ(value("postcode"), "200000");
    EXPECT_EQ(value("OtherInfo"), "女");
    EXPECT_EQ(value("introduce"), "  第一行\r\n第二行  ");
    EXPECT_EQ(value("qq"), " 12345 ");
    EXPECT_EQ(value("xueli"), "硕士");
    // Every text column of a person but the owner, the sex column and the number.
    EXPECT_EQ(values.size(), 17u);
}

TEST(AddCustLogicTest, NumberingSettingMissingResetsButIsNotChecked) {
    struct Row {
        int setting;
        bool resets, checked;
    } rows[] = {{-1, true, false}, {0, false, false}, {1, true, true}, {2, true, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.setting);
        EXPECT_EQ(AutoCodeResets(row.setting), row.resets);
        EXPECT_EQ(AutoCodeChecked(row.setting), row.checked);
    }
}

TEST(AddCustLogicTest, FirstValueLongerThanItsColumnCountsCharacters) {
    const std::vector<TPersonColumnValue> values = {
        {"company", "张三丰"}, {"tel", "12345"}, {"introduce", String(5000, 'x')}, {"qq", "123456"}};
    auto sizes = [](int company, int tel, int qq) {
        return [=](const char* column) {
            const String c = column;
            return c == "company" ? company : c == "tel" ? tel : c == "qq" ? qq : 0;  // introduce: no limit
        };
    };
    // Three Chinese characters are three characters (nine bytes).
    EXPECT_FALSE(FirstTooLong(values, sizes(3, 5, 6)).has_value());
    const auto first = FirstTooLong(values, sizes(2, 4, 5));
    ASSERT_TRUE(first.has_value());
    EXPECT_STREQ(first->Column, "company");
    EXPECT_STREQ(FirstTooLong(values, sizes(3, 5, 5))->Column, "qq");
    EXPECT_EQ(TooLongMessage("个人名称", 50), "个人名称不能超过50个字符!");
}
