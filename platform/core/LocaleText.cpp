#include "LocaleText.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <vector>

#if !defined(_WIN32)
#include <locale.h>
#include <wctype.h>
#endif

namespace {

// One character of UTF-8 at `p` (< end); a malformed byte is taken as itself (U+0080..U+00FF
// range is not possible for it, so it stays distinct and ordered).
char32_t NextChar(const unsigned char*& p, const unsigned char* end) {
    const unsigned char c = *p++;
    if (c < 0x80) return c;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (more < 0 || end - p < more) return 0xDC00 + c;  // a lone byte: a code no text holds
    char32_t cp = c & (0x3F >> more);
    for (int i = 0; i < more; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0xDC00 + c;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    p += more;
    return cp;
}

std::u32string Decode(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    auto p = reinterpret_cast<const unsigned char*>(text.data());
    const auto end = p + text.size();
    while (p < end) out.push_back(NextChar(p, end));
    return out;
}

#if defined(_WIN32)
char32_t BuiltInLower(char32_t c) { return c < 0x80 && c >= 'A' && c <= 'Z' ? c + 32 : c; }
std::uint32_t HanRank(char32_t) { return 0; }
#else
locale_t ChineseLocale() {
    static locale_t locale = newlocale(LC_COLLATE_MASK | LC_CTYPE_MASK, "zh_CN.UTF-8", locale_t(0));
    return locale;
}
char32_t BuiltInLower(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return ChineseLocale() ? char32_t(towlower_l(wint_t(c), ChineseLocale())) : c;
}
// The rank of a unified ideograph in the C library's Chinese (pinyin) order, 1-based; 0 for
// other characters or without that locale. Computed once.
constexpr char32_t kHanFirst = 0x4E00, kHanLast = 0x9FFF;
std::uint32_t HanRank(char32_t c) {
    static const std::vector<std::uint32_t> ranks = [] {
        std::vector<std::uint32_t> r;
        if (!ChineseLocale()) return r;
        std::vector<wchar_t> han;
        for (char32_t h = kHanFirst; h <= kHanLast; ++h) han.push_back(wchar_t(h));
        std::stable_sort(han.begin(), han.end(), [](wchar_t a, wchar_t b) {
            const wchar_t x[2] = {a, 0}, y[2] = {b, 0};
            return wcscoll_l(x, y, ChineseLocale()) < 0;
        });
        r.assign(kHanLast - kHanFirst + 1, 0);
        for (std::size_t i = 0; i < han.size(); ++i) r[std::size_t(han[i]) - kHanFirst] = std::uint32_t(i + 1);
        return r;
    }();
    return c >= kHanFirst && c <= kHanLast && !ranks.empty() ? ranks[c - kHanFirst] : 0;
}
#endif

// The primary weight of a character: letters and signs by (folded) code point, then the
// ideographs in pinyin order, as the Chinese locale of the platform orders them.
std::uint32_t Weight(char32_t c, bool ignoreCase) {
    const std::uint32_t rank = HanRank(c);
    if (rank) return 0x110000u + rank;
    return std::uint32_t(ignoreCase ? BuiltInLower(c) : c);
}

int BuiltInCompare(std::string_view a, std::string_view b, bool ignoreCase) {
    const std::u32string x = Decode(a), y = Decode(b);
    const std::size_t n = x.size() < y.size() ? x.size() : y.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t p = Weight(x[i], ignoreCase), q = Weight(y[i], ignoreCase);
        if (p != q) return p < q ? -1 : 1;
    }
    return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
}

std::string BuiltInSortKey(std::string_view text, bool ignoreCase) {
    std::string key;
    for (char32_t c : Decode(text)) {
        const std::uint32_t w = Weight(c, ignoreCase);
        for (int shift = 24; shift >= 0; shift -= 8) key.push_back(char((w >> shift) & 0xFF));
    }
    return key;
}

TLocaleTextRules& Rules() {
    static TLocaleTextRules rules{BuiltInCompare, BuiltInSortKey, BuiltInLower};
    return rules;
}

// Wildcard matching with one backtracking point (the last `%`): linear in practice, never
// exponential whatever the pattern.
bool Like(const std::u32string& p, const std::u32string& t, char32_t escape, char32_t (*lower)(char32_t)) {
    std::size_t i = 0, j = 0;
    std::size_t star = std::u32string::npos, mark = 0;
    while (j < t.size()) {
        if (i < p.size() && p[i] == U'%') {
            star = i++;
            mark = j;
            continue;
        }
        if (i < p.size()) {
            std::size_t width = 1;
            bool matches;
            if (escape && p[i] == escape && i + 1 < p.size()) {
                width = 2;
                matches = lower(p[i + 1]) == lower(t[j]);
            } else {
                matches = p[i] == U'_' || lower(p[i]) == lower(t[j]);
            }
            if (matches) {
                i += width;
                ++j;
                continue;
            }
        }
        if (star == std::u32string::npos) return false;
        i = star + 1;
        j = ++mark;
    }
    while (i < p.size() && p[i] == U'%') ++i;
    return i == p.size();
}

}  // namespace

TLocaleTextRules SetLocaleTextRules(const TLocaleTextRules& rules) {
    const TLocaleTextRules previous = Rules();
    Rules() = rules;
    return previous;
}

const TLocaleTextRules& LocaleTextRules() { return Rules(); }

int LocaleCompareText(std::string_view a, std::string_view b, bool ignoreCase) {
    return Rules().compare(a, b, ignoreCase);
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

bool LocaleLike(std::string_view pattern, std::string_view text, char32_t escape) {
    return Like(Decode(pattern), Decode(text), escape, Rules().lowerCase);
}
