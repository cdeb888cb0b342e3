// The main window's Windows-free logic: the clock's text for every weekday (a pinned week) and the
// person list's statement with and without the owner condition.
#include "AppLogic.h"

#include <gtest/gtest.h>

namespace {

TEST(MainLogic, ClockTextForEveryDayOfAPinnedWeek) {
    struct TRow {
        const char* name;
        int day;  // June 2024: the 9th was a Sunday
        int hour, minute, second;
        const char* text;
    } const rows[] = {
        {"Sunday", 9, 0, 0, 0, "2024年06月09日 00时00分00秒  [星期日]"},
        {"Monday", 10, 9, 5, 7, "2024年06月10日 09时05分07秒  [星期一]"},
        {"Tuesday", 11, 12, 0, 59, "2024年06月11日 12时00分59秒  [星期二]"},
        {"Wednesday", 12, 13, 30, 0, "2024年06月12日 13时30分00秒  [星期三]"},
        {"Thursday", 13, 23, 59, 59, "2024年06月13日 23时59分59秒  [星期四]"},
        {"Friday", 14, 1, 2, 3, "2024年06月14日 01时02分03秒  [星期五]"},
        {"Saturday: two blanks, then the name in brackets", 15, 9, 5, 7, "2024年06月15日 09时05分07秒  [星期六]"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        const TDateTime at = EncodeDate(2024, 6, row.day) + EncodeTime(row.hour, row.minute, row.second, 0);
        EXPECT_EQ(ClockText(at), row.text);
    }
    // Milliseconds do not round the second up.
    EXPECT_EQ(ClockText(EncodeDate(2024, 6, 15) + EncodeTime(9, 5, 7, 999)), "2024年06月15日 09时05分07秒  [星期六]");
}

TEST(MainLogic, PersonListWithRight35IsEveryPersonElseTheOperatorsOwn) {
    EXPECT_EQ(PersonListSql(true, "李明"), "Select * from Custom");
    EXPECT_EQ(PersonListSql(false, "李明"), "Select * from Custom where F_User='李明'");
    // A quote in the name cannot end the text early.
    EXPECT_EQ(PersonListSql(false, "O'Neil"), "Select * from Custom where F_User='O''Neil'");
}

}  // namespace
