// The main window's own texts (UTF-8), compared byte for byte by the tests.
#pragma once

namespace MainTexts {

// The clock in status panel 3: the date and time, then two blanks and the weekday in brackets.
inline constexpr const char* ClockFormat = "yyyy年mm月dd日 hh时nn分ss秒";
inline constexpr const char* WeekdayOpen = "  [";
inline constexpr const char* WeekdayClose = "]";
// By the platform's day-of-week number: 1 Sunday ... 7 Saturday.
inline constexpr const char* Weekdays[7] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};

// The person list of the tool bar's command, before and after the owner condition.
inline constexpr const char* PersonListSql = "Select * from Custom";
inline constexpr const char* PersonListOwnerSql = "Select * from Custom where F_User=";

}  // namespace MainTexts

namespace MainTexts {

// Compaction.
inline constexpr const char* CompactSucceeded = "压缩数据库成功!";
inline constexpr const char* CompactFailed = "压缩数据库失败!";
inline constexpr const char* ShippedDatabase = "DataBase\\Custom.mdb";

// The shell's commands: documents and programs beside the program, and two of the system's.
inline constexpr const char* HelpFile = "Help.chm";
inline constexpr const char* CalendarFile = "wnl.htm";
inline constexpr const char* IdCardProgram = "idn.exe";
inline constexpr const char* SearchProgram = "search.exe";
inline constexpr const char* Calculator = "CALC.EXE";
inline constexpr const char* Notepad = "Notepad.exe";

// Deletes.
inline constexpr const char* NotYourPerson = "不是你的客户，你没有权限删除！";
inline constexpr const char* DeletePersonQuestion = "确定要删除个人记录吗！";
inline constexpr const char* DeletePersonFailed = "删除记录失败!";
inline constexpr const char* NotYourContact = "不是你的联系人，你没有权限删除！";
inline constexpr const char* DeleteContactQuestion = "你确定要删除该联系人吗！";
inline constexpr const char* NotYourSchedule = "不是你的联系活动，你没有权限删除！";
inline constexpr const char* DeleteScheduleQuestion = "您确定要删除这条联系活动记录吗？";
inline constexpr const char* DeleteGoodsQuestion = "您确定要删除这条商品记录吗？";
inline constexpr const char* DeleteGoodsFailed = "删除商品记录失败!";
inline constexpr const char* DeleteBillQuestion = "你确定要删除这条单据吗？";
inline constexpr const char* DeleteBillFailed = "删除记录失败!";
inline constexpr const char* Warning = "警告";
inline constexpr const char* WarningWithBlank = "警告 ";

}  // namespace MainTexts
