// The combined search dialog's own texts (UTF-8), compared byte for byte by the tests.
#pragma once

namespace SearchCustTexts {

inline constexpr const char* Caption = "个人组合查询";
// The search with no input filled.
inline constexpr const char* NothingToSearch = "没有查询项目!";

}  // namespace SearchCustTexts
