// The column chooser's and the column-saving texts (UTF-8), compared byte for byte by the tests.
#pragma once

namespace FieldTexts {

inline constexpr const char* Caption = "选择显示的字段";
inline constexpr const char* ChooserDone = "修改完成！";
inline constexpr const char* ColumnsSaved = "列属性已成功保存!";
inline constexpr const char* NoColumnChosen = "请至少选择一个要显示的字段！";

}  // namespace FieldTexts
