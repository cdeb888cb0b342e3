// The category dialog's own texts (UTF-8), compared byte for byte by the tests.
#pragma once

namespace TreeTexts {

// The two category tables and their roots.
inline constexpr const char* PersonTable = "Cust_Category";
inline constexpr const char* PersonCaption = "个人分类";
inline constexpr const char* GoodsTable = "Goods_Category";
inline constexpr const char* GoodsCaption = "商品分类";

// Refusals of a new code.
inline constexpr const char* CodeNotNumber = "编码必须是数字!";
inline constexpr const char* CodeRuleBroken = "编码规则出错!";
inline constexpr const char* CodeTaken = "编码重复!,不能保存!";
inline constexpr const char* ParentMissing = "编码错误,父节点不存在!";
// No free two-digit code is left under the parent.
inline constexpr const char* LevelFull = "该级分类编码已满,不能再增加!";

// A new node or a name change without a name.
inline constexpr const char* NameEmpty = "名称不能为空!";

// Refusals of a name change.
inline constexpr const char* RenameNoCode = "请点击取消按钮再重新选择一个节点进行编辑!";
inline constexpr const char* RenameNoRow = "您选择的节点不存在,请点击取消按钮再重新选择一个节点进行编辑!";

// Deleting.
inline constexpr const char* DeleteHasChildren = "不能删除有子目录的目录，请先删除子目录！";
inline constexpr const char* DeleteQuestion = "你真的要删除所选择的目录吗？";

// Config.ini keys of a pick for the person dialog (section "login").
inline constexpr const char* IniSection = "login";
inline constexpr const char* IniCategoryKey = "Category";
inline constexpr const char* IniCodeKey = "Catecode";

}  // namespace TreeTexts
