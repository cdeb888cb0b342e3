#include "WinApi.h"

#include <cwchar>

std::wstring ToWide(const String& text) {
    const WideString wide = Utf8ToUtf16(text);
    return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size());
}

String FromWide(const wchar_t* text) {
    return text ? FromWide(text, std::wcslen(text)) : String();
}

String FromWide(const wchar_t* text, std::size_t length) {
    return Utf16ToUtf8(WideString(reinterpret_cast<const char16_t*>(text), length));
}
