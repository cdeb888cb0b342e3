// UTF-8, UTF-16 and GBK conversions and the ASCII text helpers.
//
// Malformed UTF-8 is decoded by maximal subparts: each ill-formed piece becomes one U+FFFD, so every
// function here counts and cuts the same characters. GBK goes through the generated tables only.
#include "Encoding.h"

namespace {

#include "GbkTable.inc"

constexpr char32_t Replacement = 0xFFFD;

inline bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Decodes one character at `p` (< end); returns the bytes it takes. An ill-formed piece gives
// U+FFFD and takes its longest valid-looking start, at least one byte.
std::size_t DecodeUtf8(const unsigned char* p, const unsigned char* end, char32_t& cp) {
    const unsigned char b = p[0];
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    std::size_t need;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        cp = b & 0x0F;
        if (b == 0xE0)
            low = 0xA0;  // no overlong forms
        else if (b == 0xED)
            high = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        cp = b & 0x07;
        if (b == 0xF0)
            low = 0x90;
        else if (b == 0xF4)
            high = 0x8F;  // nothing above U+10FFFF
    } else {
        cp = Replacement;
        return 1;
    }
    std::size_t used = 1;
    for (std::size_t i = 0; i < need; ++i, ++used) {
        if (p + used >= end) {
            cp = Replacement;
            return used;
        }
        const unsigned char c = p[used];
        const bool ok = i == 0 ? (c >= low && c <= high) : IsContinuation(c);
        if (!ok) {
            cp = Replacement;
            return used;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    return used;
}

void AppendUtf8(String& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// GBK code of a non-ASCII character: below 0x100 one byte, else lead << 8 | trail; 0 when none.
inline unsigned GbkCode(char32_t cp) {
    if (cp > 0xFFFF)
        return 0;
    return GbkPages[GbkPageIndex[cp >> 8]][cp & 0xFF];
}

// Bytes the character takes in GBK, '?' included.
inline std::size_t GbkWidth(char32_t cp) {
    if (cp < 0x80)
        return 1;
    return GbkCode(cp) >= 0x100 ? 2 : 1;
}

inline const unsigned char* Bytes(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

inline bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

inline unsigned char FoldUpper(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

}  // namespace

WideString Utf8ToUtf16(const String& text) {
    WideString out;
    out.reserve(text.size());
    const unsigned char* p = Bytes(text);
    const unsigned char* const end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            out += static_cast<char16_t>(*p++);
            continue;
        }
        char32_t cp;
        p += DecodeUtf8(p, end, cp);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

String Utf16ToUtf8(const WideString& text) {
    String out;
    out.reserve(text.size() * 3 / 2 + 1);
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            } else {
                cp = Replacement;  // a lone surrogate
            }
        }
        AppendUtf8(out, cp);
    }
    return out;
}

AnsiString Utf8ToGbk(const String& text) {
    AnsiString out;
    out.reserve(text.size());
    const unsigned char* p = Bytes(text);
    const unsigned char* const end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            out += static_cast<char>(*p++);
            continue;
        }
        char32_t cp;
        p += DecodeUtf8(p, end, cp);
        const unsigned code = GbkCode(cp);
        if (code == 0) {
            out += '?';
        } else if (code < 0x100) {
            out += static_cast<char>(code);
        } else {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        }
    }
    return out;
}

String GbkToUtf8(const AnsiString& bytes) {
    String out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const unsigned char* p = Bytes(bytes);
    const unsigned char* const end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++p;
            continue;
        }
        char32_t cp = Replacement;
        std::size_t used = 1;
        if (b >= GbkLeadFirst && b <= GbkLeadLast) {
            if (p + 1 < end) {
                const unsigned char t = p[1];
                const char16_t c =
                    t >= GbkTrailFirst && t <= GbkTrailLast ? GbkDouble[b - GbkLeadFirst][t - GbkTrailFirst] : 0;
                if (c != 0) {
                    cp = c;
                    used = 2;
                } else if (t >= 0x80) {
                    used = 2;  // an unknown pair; an ASCII byte after a lead starts the next character
                }
            }
        } else if (const char16_t c = GbkSingleHigh[b - 0x80]; c != 0) {
            cp = c;
        }
        AppendUtf8(out, cp);
        p += used;
    }
    return out;
}

bool IsGbkEncodable(const String& text) {
    const unsigned char* p = Bytes(text);
    const unsigned char* const end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        char32_t cp;
        p += DecodeUtf8(p, end, cp);
        if (GbkCode(cp) == 0)
            return false;
    }
    return true;
}

std::size_t Utf8Length(const String& text) {
    const unsigned char* p = Bytes(text);
    const unsigned char* const end = p + text.size();
    std::size_t count = 0;
    while (p < end) {
        char32_t cp;
        p += *p < 0x80 ? 1 : DecodeUtf8(p, end, cp);
        ++count;
    }
    return count;
}

String Utf8Left(const String& text, std::size_t count) {
    const unsigned char* const begin = Bytes(text);
    const unsigned char* p = begin;
    const unsigned char* const end = p + text.size();
    for (; count > 0 && p < end; --count) {
        char32_t cp;
        p += *p < 0x80 ? 1 : DecodeUtf8(p, end, cp);
    }
    return text.substr(0, static_cast<std::size_t>(p - begin));
}

String CutToGbkBytes(const String& text, std::size_t maxBytes) {
    const unsigned char* const begin = Bytes(text);
    const unsigned char* p = begin;
    const unsigned char* const end = p + text.size();
    std::size_t total = 0;
    while (p < end) {
        char32_t cp = *p;
        const std::size_t used = cp < 0x80 ? 1 : DecodeUtf8(p, end, cp);
        const std::size_t width = GbkWidth(cp);
        if (total + width > maxBytes)
            break;
        total += width;
        p += used;
    }
    return text.substr(0, static_cast<std::size_t>(p - begin));
}

std::size_t GbkByteLength(const String& text) {
    const unsigned char* p = Bytes(text);
    const unsigned char* const end = p + text.size();
    std::size_t total = 0;
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            ++total;
            continue;
        }
        char32_t cp;
        p += DecodeUtf8(p, end, cp);
        total += GbkWidth(cp);
    }
    return total;
}

int CompareText(const String& a, const String& b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    const unsigned char* pa = Bytes(a);
    const unsigned char* pb = Bytes(b);
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = FoldUpper(pa[i]), cb = FoldUpper(pb[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SameText(const String& a, const String& b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

String UpperCase(const String& text) {
    String out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    return out;
}

String LowerCase(const String& text) {
    String out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    return out;
}

String Trim(const String& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsTrimmed(text[first]))
        ++first;
    while (last > first && IsTrimmed(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

String TrimLeft(const String& text) {
    std::size_t first = 0;
    while (first < text.size() && IsTrimmed(text[first]))
        ++first;
    return text.substr(first);
}

String TrimRight(const String& text) {
    std::size_t last = text.size();
    while (last > 0 && IsTrimmed(text[last - 1]))
        --last;
    return text.substr(0, last);
}
