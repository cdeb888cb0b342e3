// The e-mail dialog's own texts (UTF-8), compared byte for byte by the tests.
#pragma once

namespace EmailTexts {

inline constexpr const char* Caption = "导出客户电子信箱";
// The caption while walking: Caption + CounterOpen + the count + CounterClose.
inline constexpr const char* CounterOpen = "( ";
inline constexpr const char* CounterClose = " )";
inline constexpr const char* NameEmpty = "文件名不能为空!";
inline constexpr const char* Warning = "警告";
inline constexpr const char* DateFormat = "yyyy-mm-dd";

}  // namespace EmailTexts
