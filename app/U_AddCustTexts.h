// The person dialog's own texts (UTF-8), compared byte for byte by the tests.
#pragma once

namespace AddCustTexts {

inline constexpr const char* NewCaption = "新增个人信息";
inline constexpr const char* EditCaption = "编辑个人信息";
inline constexpr const char* MessageCaption = "提醒";

inline constexpr const char* CodeEmpty = "个人编号不能为空!";
inline constexpr const char* NameEmpty = "个人名称不能为空!";
inline constexpr const char* CodeTaken = "个人编号有重复!";
inline constexpr const char* NameTaken = "个人名称有重复!";

// The category picker opened from the category field.
inline constexpr const char* CategoryTable = "Cust_Category";
inline constexpr const char* CategoryCaption = "个人分类";

// Config.ini.
inline constexpr const char* FormConfigSection = "FormConfig";
inline constexpr const char* AutoCodeKey = "AutoCode";
inline constexpr const char* LoginSection = "login";
inline constexpr const char* CategoryKey = "Category";
inline constexpr const char* CategoryCodeKey = "CateCode";

}  // namespace AddCustTexts
