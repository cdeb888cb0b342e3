// UTF-8/UTF-16/GBK conversions, the GBK byte cut and the ASCII text helpers.
// Expected GBK bytes were taken from the host converter (iconv -t CP936), not from our table.
#include "Encoding.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace {

String Repeat(const String& piece, int count) {
    String out;
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}

String CodePointToUtf8(char32_t cp) {
    if (cp < 0x10000)
        return Utf16ToUtf8(WideString(1, static_cast<char16_t>(cp)));
    cp -= 0x10000;
    return Utf16ToUtf8(
        WideString{static_cast<char16_t>(0xD800 + (cp >> 10)), static_cast<char16_t>(0xDC00 + (cp & 0x3FF))});
}

// ---- UTF-8 <-> UTF-16 ----

TEST(EncodingUtf16, WellFormedTextRoundTrips) {
    struct Case {
        const char* name;
        String utf8;
        WideString utf16;
    };
    const Case cases[] = {
        {"empty", "", u""},
        {"ascii", "Admin 123", u"Admin 123"},
        {"embedded NUL", String("a\0b", 3), WideString(u"a\0b", 3)},
        {"two bytes", "\xC3\xA9", u"\u00E9"},
        {"three bytes", "中文", u"\u4E2D\u6587"},
        {"last BMP", "\xEF\xBF\xBF", u"\uFFFF"},
        {"just below surrogates", "\xED\x9F\xBF", u"\uD7FF"},
        {"just above surrogates", "\xEE\x80\x80", u"\uE000"},
        {"first supplementary", "\xF0\x90\x80\x80", u"\U00010000"},
        {"emoji", "a\xF0\x9F\x98\x80z", u"a\U0001F600z"},
        {"last code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"mixed", " 当前操作员: Admin", u" 当前操作员: Admin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    }
}

TEST(EncodingUtf16, LoneSurrogatesBecomeReplacementCharacters) {
    struct Case {
        const char* name;
        WideString utf16;
        String utf8;
    };
    const Case cases[] = {
        {"high at end", WideString{u'a', 0xD83D}, "a\xEF\xBF\xBD"},
        {"low alone", WideString{0xDE00, u'b'}, "\xEF\xBF\xBD" "b"},
        {"high then ascii", WideString{0xD83D, u'x'}, "\xEF\xBF\xBDx"},
        {"pair reversed", WideString{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"two highs then low", WideString{0xD83D, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    }
}

// Each maximal ill-formed piece is one U+FFFD; the byte that ends a piece starts the next character.
// Length, cut, GBK and UTF-16 must all agree on the same characters.
TEST(EncodingUtf16, MalformedUtf8BecomesReplacementCharacters) {
    struct Case {
        const char* name;
        String utf8;
        WideString utf16;
    };
    const Case cases[] = {
        {"lone continuation", "a\x80z", u"a\uFFFDz"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"C1 lead", "\xC1\xBF", u"\uFFFD\uFFFD"},
        {"overlong three bytes", "\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"F5 lead", "\xF5\x80", u"\uFFFD\uFFFD"},
        {"FF byte", "\xFF", u"\uFFFD"},
        {"truncated at end", "ab\xE4\xB8", u"ab\uFFFD"},
        {"truncated then ascii", "\xE4\xB8" "a", u"\uFFFDa"},
        {"truncated then character", "\xE4\xB8\xE4\xB8\xAD", u"\uFFFD\u4E2D"},
        {"truncated four bytes", "\xF0\x9F\x98x", u"\uFFFDx"},
        {"lead alone", "\xC3", u"\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(c.utf8)), Utf16ToUtf8(c.utf16));
        EXPECT_EQ(Utf8Length(c.utf8), c.utf16.size());
        EXPECT_FALSE(IsGbkEncodable(c.utf8));
        AnsiString expectedGbk;  // every U+FFFD is one '?'
        for (char16_t u : c.utf16)
            expectedGbk += u == u'\uFFFD' ? AnsiString("?") : Utf8ToGbk(Utf16ToUtf8(WideString(1, u)));
        EXPECT_EQ(Utf8ToGbk(c.utf8), expectedGbk);
        EXPECT_EQ(GbkByteLength(c.utf8), expectedGbk.size());
    }
}

// ---- GBK ----

TEST(EncodingGbk, KnownBytesBothWays) {
    struct Case {
        const char* name;
        String utf8;
        AnsiString gbk;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"ascii with controls", "a\tb\r\n\x01~\x7F", "a\tb\r\n\x01~\x7F"},
        {"euro is one byte", "€", "\x80"},
        {"latin in GBK", "\xC3\xA9", "\xA8\xA6"},
        {"first double-byte code", "丂", "\x81\x40"},
        {"last GB2312 hanzi", "齄", "\xF7\xFE"},
        {"mixed", "中文abc", "\xD6\xD0\xCE\xC4" "abc"},
        {"caption", "提示", "\xCC\xE1\xCA\xBE"},
        {"status text", " 当前操作员: ", " \xB5\xB1\xC7\xB0\xB2\xD9\xD7\xF7\xD4\xB1: "},
        {"curly quotes and full-width colon", "初始用户为：“Admin” 密码为空",
         "\xB3\xF5\xCA\xBC\xD3\xC3\xBB\xA7\xCE\xAA\xA3\xBA\xA1\xB0" "Admin\xA1\xB1 \xC3\xDC\xC2\xEB\xCE\xAA\xBF\xD5"},
        {"connection failure", "连接数据库失败,您要连接本机数据库吗! ",
         "\xC1\xAC\xBD\xD3\xCA\xFD\xBE\xDD\xBF\xE2\xCA\xA7\xB0\xDC,\xC4\xFA\xD2\xAA\xC1\xAC\xBD\xD3\xB1\xBE\xBB\xFA"
         "\xCA\xFD\xBE\xDD\xBF\xE2\xC2\xF0! "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
        EXPECT_TRUE(IsGbkEncodable(c.utf8));
        EXPECT_EQ(GbkByteLength(c.utf8), c.gbk.size());
    }
}

TEST(EncodingGbk, CharactersOutsideGbkBecomeQuestionMarks) {
    struct Case {
        const char* name;
        String utf8;
        AnsiString gbk;
    };
    const Case cases[] = {
        {"hangul", "a가b", "a?b"},
        {"n tilde", "Espa\xC3\xB1" "a", "Espa?a"},
        {"yen sign", "\xC2\xA5" "5", "?5"},
        {"emoji is one question mark", "\xF0\x9F\x98\x80中", "?\xD6\xD0"},
        {"private use", "\xEE\x80\x80", "?"},
        {"replacement character", "\xEF\xBF\xBD", "?"},
        {"BMP noncharacter", "\xEF\xBF\xBF", "?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
        EXPECT_FALSE(IsGbkEncodable(c.utf8));
        EXPECT_EQ(GbkByteLength(c.utf8), c.gbk.size());
    }
}

// A bad pair never swallows a byte below 0x80 (it starts the next character); a bad pair with a
// high trail byte is one U+FFFD; a lead at the end is one U+FFFD.
TEST(EncodingGbk, MalformedAndTruncatedBytesDecodeToReplacement) {
    struct Case {
        const char* name;
        AnsiString gbk;
        String utf8;
    };
    const Case cases[] = {
        {"lead at end", "\xD6", "\xEF\xBF\xBD"},
        {"character then lead at end", "\xD6\xD0\xD6", "中\xEF\xBF\xBD"},
        {"lead then blank", "\xD6 ", "\xEF\xBF\xBD "},
        {"unassigned pair with ASCII trail", "\xA1\x40", "\xEF\xBF\xBD@"},
        {"valid pair with ASCII trail", "\x81\x40" "A", "丂A"},
        {"lead then digit", "\x81" "0", "\xEF\xBF\xBD" "0"},
        {"lead then DEL", "\xD6\x7F", "\xEF\xBF\xBD\x7F"},
        {"lead then newline", "\xD6\n", "\xEF\xBF\xBD\n"},
        {"lead then FF", "\xD6\xFF" "a", "\xEF\xBF\xBD" "a"},
        {"FF alone", "a\xFF" "b", "a\xEF\xBF\xBD" "b"},
        {"unassigned pair", "\xA2\xE3" "x", "\xEF\xBF\xBDx"},
        {"user-defined area", "\xAA\xA1", "\xEF\xBF\xBD"},
        {"lead bytes pair up from the left", "\xD6\xD6\xD0", "种\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
    }
}

// Every double-byte code the table knows decodes to one character that encodes back to the same
// pair; every code point that encodes decodes back. Guards the generated tables against each other.
TEST(EncodingGbk, WholeTableRoundTrips) {
    std::size_t decodable = 0;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            const AnsiString pair{static_cast<char>(lead), static_cast<char>(trail)};
            const String utf8 = GbkToUtf8(pair);
            if (utf8.find("\xEF\xBF\xBD") != String::npos)
                continue;
            ++decodable;
            ASSERT_EQ(Utf8Length(utf8), 1u) << std::hex << lead << trail;
            ASSERT_EQ(Utf8ToGbk(utf8), pair) << std::hex << lead << trail;
        }
    }
    // glibc's CP936 has 21791 double-byte codes (GBK without the user-defined areas).
    EXPECT_GE(decodable, 21000u);

    std::size_t encodable = 0;
    for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        const String utf8 = CodePointToUtf8(cp);
        if (!IsGbkEncodable(utf8))
            continue;
        ++encodable;
        const AnsiString gbk = Utf8ToGbk(utf8);
        ASSERT_EQ(GbkByteLength(utf8), gbk.size()) << std::hex << static_cast<unsigned>(cp);
        ASSERT_EQ(GbkToUtf8(gbk), utf8) << std::hex << static_cast<unsigned>(cp);
    }
    EXPECT_EQ(encodable, decodable + 1);  // + the euro sign at 0x80
}

// Every Chinese text of the start-up and login dialogs (and the message captions and blank-carrying
// texts used elsewhere) must survive GBK exactly: blanks, full-width punctuation and curly quotes.
TEST(EncodingGbk, DialogTextsRoundTripWithoutLoss) {
    const char* const texts[] = {
        // start-up
        "连接数据库失败,您要连接本机数据库吗! ",
        // login
        "确定(&Y)",
        "取消(&C)",
        "用户名称：",
        "用户密码：",
        "请选择操作员姓名并输入相应密码",
        "初始用户为：“Admin” 密码为空",
        "登录",
        "请选择一个用户名！",
        "密码错误，请重新输入密码！",
        "密码为空，您可以直接点击确定按钮登录！",
        "密码为空",
        "请输入密码！",
        " 当前操作员: ",
        "警告",
        // message captions and texts with significant blanks
        "警告 ",
        "提醒",
        "提示",
        "个人管理 ",
        "处女座  ",
        "  组 合 查 询  ",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const AnsiString gbk = Utf8ToGbk(text);
        EXPECT_TRUE(IsGbkEncodable(text));
        EXPECT_EQ(gbk.find('?'), AnsiString::npos);
        EXPECT_EQ(GbkToUtf8(gbk), text);
        EXPECT_EQ(GbkByteLength(text), gbk.size());
        // Every non-ASCII character of these texts is a double-byte code.
        std::size_t ascii = 0;
        for (unsigned char b : String(text))
            ascii += b < 0x80;
        EXPECT_EQ(gbk.size(), ascii + 2 * (Utf8Length(text) - ascii));
    }
}

// ---- Lengths and cuts ----

TEST(EncodingCut, Utf8LengthAndLeftCountCharacters) {
    struct Case {
        const char* name;
        String text;
        std::size_t length;
        std::size_t left;
        String expectedLeft;
    };
    const Case cases[] = {
        {"empty", "", 0, 3, ""},
        {"ascii", "abcdef", 6, 3, "abc"},
        {"chinese", "个人管理", 4, 3, "个人管"},
        {"mixed widths", "a\xC3\xA9中\xF0\x9F\x98\x80z", 5, 4, "a\xC3\xA9中\xF0\x9F\x98\x80"},
        {"zero", "中文", 2, 0, ""},
        {"count past end", "中文", 2, 10, "中文"},
        {"malformed counts per piece", "\xE4\xB8" "a\x80", 3, 1, "\xE4\xB8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8Length(c.text), c.length);
        EXPECT_EQ(Utf8Left(c.text, c.left), c.expectedLeft);
    }
}

TEST(EncodingCut, CutToGbkBytesNeverSplitsACharacter) {
    const String eleven = Repeat("张", 11);
    struct Case {
        const char* name;
        String text;
        std::size_t maxBytes;
        String expected;
    };
    const Case cases[] = {
        {"11 Chinese -> 10", eleven, 20, Repeat("张", 10)},
        {"a + 10 Chinese -> a + 9", "a" + Repeat("张", 10), 20, "a" + Repeat("张", 9)},
        {"abc + 9 Chinese -> abc + 8", "abc" + Repeat("张", 9), 20, "abc" + Repeat("张", 8)},
        {"25-byte operator name", "管理员ABCDEFGHIJKLMNOPQRS", 20, "管理员ABCDEFGHIJKLMN"},
        {"exactly 20 ascii", Repeat("x", 20), 20, Repeat("x", 20)},
        {"21 ascii", Repeat("x", 21), 20, Repeat("x", 20)},
        {"10 Chinese fit exactly", Repeat("张", 10), 20, Repeat("张", 10)},
        {"shorter text", "张三", 20, "张三"},
        {"empty", "", 20, ""},
        {"zero bytes", "abc", 0, ""},
        {"one byte before a Chinese", "张a", 1, ""},
        {"non-GBK counts as its question mark", "가" + Repeat("张", 10), 20, "가" + Repeat("张", 9)},
        {"emoji counts one byte", "\xF0\x9F\x98\x80" + Repeat("张", 10), 20, "\xF0\x9F\x98\x80" + Repeat("张", 9)},
        {"euro counts one byte", "€" + Repeat("张", 10), 20, "€" + Repeat("张", 9)},
        {"malformed piece counts one byte", "\xE4\xB8" + Repeat("张", 10), 20, "\xE4\xB8" + Repeat("张", 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const String cut = CutToGbkBytes(c.text, c.maxBytes);
        EXPECT_EQ(cut, c.expected);
        EXPECT_LE(GbkByteLength(cut), c.maxBytes);
        EXPECT_EQ(Utf8ToGbk(cut), Utf8ToGbk(c.text).substr(0, Utf8ToGbk(cut).size()));
        // Longest: one more character would not fit.
        if (cut.size() < c.text.size()) {
            const String oneMore = Utf8Left(c.text, Utf8Length(cut) + 1);
            EXPECT_GT(GbkByteLength(oneMore), c.maxBytes);
        }
    }
}

// ---- ASCII text helpers ----

TEST(EncodingText, CompareTextFoldsAsciiOnly) {
    struct Case {
        const char* name;
        String a;
        String b;
        int sign;
    };
    const Case cases[] = {
        {"both empty", "", "", 0},
        {"case differs", "Admin", "aDMIN", 0},
        {"less", "abc", "abd", -1},
        {"case-insensitive order", "B", "a", 1},
        {"prefix is less", "ab", "ABC", -1},
        {"empty is less", "", "a", -1},
        {"letters fold upward", "_", "a", 1},  // '_' 0x5F is above 'A' 0x41
        {"bytes are unsigned", "\xE4\xB8\xAD", "z", 1},
        {"same chinese", "个人管理", "个人管理", 0},
        {"non-ASCII not folded", "\xC3\x89", "\xC3\xA9", -1},
        {"trailing blank counts", "警告 ", "警告", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int forward = CompareText(c.a, c.b);
        const int backward = CompareText(c.b, c.a);
        EXPECT_EQ((forward > 0) - (forward < 0), c.sign);
        EXPECT_EQ((backward > 0) - (backward < 0), -c.sign);
        EXPECT_EQ(SameText(c.a, c.b), c.sign == 0);
    }
}

TEST(EncodingText, UpperAndLowerCaseTouchAsciiLettersOnly) {
    const String text = "abcXYZ 09_@[`{ 中文\xC3\xA9\xC3\x89";
    EXPECT_EQ(UpperCase(text), "ABCXYZ 09_@[`{ 中文\xC3\xA9\xC3\x89");
    EXPECT_EQ(LowerCase(text), "abcxyz 09_@[`{ 中文\xC3\xA9\xC3\x89");
    EXPECT_EQ(UpperCase(""), "");
}

TEST(EncodingText, TrimRemovesBytesUpToBlank) {
    struct Case {
        const char* name;
        String text;
        String both;
        String left;
        String right;
    };
    const Case cases[] = {
        {"empty", "", "", "", ""},
        {"blanks only", " \t ", "", "", ""},
        {"plain", "  a b  ", "a b", "a b  ", "  a b"},
        {"controls", "\t\r\n\x01x\x1F\n", "x", "x\x1F\n", "\t\r\n\x01x"},
        {"NUL counts as blank", String("\0a\0", 3), "a", String("a\0", 2), String("\0a", 2)},
        {"chinese ends untouched", " 中 ", "中", "中 ", " 中"},
        {"high bytes are not blanks", "\xE4\xB8\xAD\xA0", "\xE4\xB8\xAD\xA0", "\xE4\xB8\xAD\xA0", "\xE4\xB8\xAD\xA0"},
        {"full-width blank stays", "\xE3\x80\x80" "a\xE3\x80\x80", "\xE3\x80\x80" "a\xE3\x80\x80",
         "\xE3\x80\x80" "a\xE3\x80\x80", "\xE3\x80\x80" "a\xE3\x80\x80"},
        {"inner blanks kept", "处女座  ", "处女座", "处女座  ", "处女座"},
        {"DEL is not a blank", "\x7F" "a\x7F", "\x7F" "a\x7F", "\x7F" "a\x7F", "\x7F" "a\x7F"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Trim(c.text), c.both);
        EXPECT_EQ(TrimLeft(c.text), c.left);
        EXPECT_EQ(TrimRight(c.text), c.right);
    }
}

}  // namespace
