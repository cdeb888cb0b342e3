#include "SystemLocaleText.h"

#include "Encoding.h"
#include "LocaleText.h"

#include <windows.h>

namespace {

DWORD CaseFlags(bool ignoreCase) { return ignoreCase ? NORM_IGNORECASE : 0; }

std::wstring Wide(std::string_view text) {
    const WideString utf16 = Utf8ToUtf16(String(text));
    return std::wstring(utf16.begin(), utf16.end());
}

int SystemCompare(std::string_view a, std::string_view b, bool ignoreCase) {
    const std::wstring x = Wide(a), y = Wide(b);
    const int r = CompareStringW(LOCALE_USER_DEFAULT, CaseFlags(ignoreCase), x.data(), int(x.size()), y.data(),
                                 int(y.size()));
    if (r == 0) return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);  // the call failed: code units decide
    return r - CSTR_EQUAL;
}

std::string SystemSortKey(std::string_view text, bool ignoreCase) {
    const std::wstring wide = Wide(text);
    const DWORD flags = LCMAP_SORTKEY | CaseFlags(ignoreCase);
    const int size = LCMapStringW(LOCALE_USER_DEFAULT, flags, wide.data(), int(wide.size()), nullptr, 0);
    std::string key(std::size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        LCMapStringW(LOCALE_USER_DEFAULT, flags, wide.data(), int(wide.size()), reinterpret_cast<LPWSTR>(key.data()),
                     size);
    return key;
}

char32_t SystemLowerCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    if (c > 0xFFFF) return c;
    wchar_t unit = wchar_t(c);
    CharLowerBuffW(&unit, 1);
    return char32_t(unit);
}

}  // namespace

void InstallSystemLocaleTextRules() {
    SetLocaleTextRules({SystemCompare, SystemSortKey, SystemLowerCase});
}
