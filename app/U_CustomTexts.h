// The person window's own texts (UTF-8), compared byte for byte by the tests.
#pragma once

namespace CustomTexts {

inline constexpr const char* Caption = "个人信息";

// Status panel 1: the head, the row count, then the tail of the list shown.
inline constexpr const char* StatusHead = "当前共有 ";
inline constexpr const char* PersonTail = " 条个人记录";
inline constexpr const char* CategoryTail = " 条客户记录";

// The quick search without a chosen column.
inline constexpr const char* NoSearchColumn = "请选择一种查询条件进行查询！";
inline constexpr const char* NoSearchColumnCaption = "提示";

// Group headings the caption list may hold; the selection skips them.
inline constexpr const char* PersonHeading = "**客户选项**";
inline constexpr const char* ContactHeading = "*联系人选项*";

// The single-row delete that no control reaches.
inline constexpr const char* DeleteOneQuestion = "您确实要删除这条客户记录吗?";
inline constexpr const char* DeleteOneCaption = "警告";

// The category tree's root.
inline constexpr const char* PersonTreeCaption = "个人分类";

}  // namespace CustomTexts
