// The workbook import's own texts (UTF-8), compared byte for byte by the tests.
#pragma once

namespace ImportTexts {

inline constexpr const char* DialogTitle = "Excel文件导入到数据库";
inline constexpr const char* NoExcel = "您系统未安装MS-EXCEL";
inline constexpr const char* Caption = "字段映射";
inline constexpr const char* RecordsBefore = "Excel中共有 ";
inline constexpr const char* RecordsAfter = " 条记录";
inline constexpr const char* Succeeded = "导入数据成功!";
inline constexpr const char* TableName = "custom";

}  // namespace ImportTexts
