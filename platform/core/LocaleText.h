// How texts compare for people: the order of names and the matching of typed keys, as the user's
// locale does (for Chinese, pinyin order; without regard to case, letters of every script and
// width fold, not ASCII alone). Every such comparison of the class layer goes through here: the
// data set's Sort and Locate, and the connection's collation and `like`.
//
// The platform installs its rules at start-up (on Windows the system's, for the user's locale).
// Until then the built-in rules apply: other characters before the ideographs, these in pinyin
// order (taken from the C library's "zh_CN.UTF-8" when the system has it), the rest by code point;
// case folded by the C library's simple mapping.
#pragma once

#include <string>
#include <string_view>

struct TLocaleTextRules {
    // <0, 0 or >0 for two UTF-8 texts; `ignoreCase`: letters that differ only in case are equal.
    int (*compare)(std::string_view a, std::string_view b, bool ignoreCase);
    // A byte string whose memcmp order is `compare`'s order (sorting many texts).
    std::string (*sortKey)(std::string_view text, bool ignoreCase);
    // The lower-case form of one character (case-insensitive matching).
    char32_t (*lowerCase)(char32_t c);
};

// Installs `rules` for the whole program; answers the rules they replace.
TLocaleTextRules SetLocaleTextRules(const TLocaleTextRules& rules);
const TLocaleTextRules& LocaleTextRules();

int LocaleCompareText(std::string_view a, std::string_view b, bool ignoreCase);
// `text` without trailing blanks (U+0020), as stored texts are compared.
std::string_view WithoutTrailingBlanks(std::string_view text);
// SQL `like` (`%` any run, `_` one character, `escape` when not 0) without regard to case, by
// characters of UTF-8 texts.
bool LocaleLike(std::string_view pattern, std::string_view text, char32_t escape = 0);
