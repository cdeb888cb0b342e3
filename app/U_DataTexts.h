// The data module's own texts (UTF-8), compared byte for byte by the tests.
#pragma once

namespace DataTexts {

// The failed connection's question (the trailing blank belongs to it) and its caption.
inline constexpr const char* ConnectFailed = "连接数据库失败,您要连接本机数据库吗! ";
inline constexpr const char* ConnectFailedCaption = "vidaze";

}  // namespace DataTexts
