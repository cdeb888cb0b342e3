// The login dialog's own texts (UTF-8), compared byte for byte by the tests.
#pragma once

namespace LoginTexts {

inline constexpr const char* Caption = "登录";
inline constexpr const char* PictureFile = "IMG/Login.jpg";
inline constexpr const char* MessageCaption = "警告";
inline constexpr const char* NoUserChosen = "请选择一个用户名！";
inline constexpr const char* WrongPassword = "密码错误，请重新输入密码！";
// Follows the operator's name.
inline constexpr const char* StoredPasswordEmpty = "密码为空，您可以直接点击确定按钮登录！";
inline constexpr const char* PasswordMissing = "请输入密码！";
// Status panel 0 of the main window: this, then the operator's name.
inline constexpr const char* OperatorPanel = " 当前操作员: ";

}  // namespace LoginTexts
