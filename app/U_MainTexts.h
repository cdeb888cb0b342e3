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
