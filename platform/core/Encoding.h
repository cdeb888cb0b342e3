// Text encodings at the edges of the program: UTF-16 for the Windows API, GBK (code page 936)
// where bytes on disk or on the clipboard are fixed. `String` is UTF-8 everywhere else.
//
// The GBK table is generated at build time, so every target converts identically.
#pragma once

#include "SysUtils.h"

#include <cstddef>
#include <string>

using WideString = std::u16string;
using AnsiString = std::string;  // GBK bytes

// UTF-8 <-> UTF-16. Malformed input is replaced by U+FFFD, never dropped silently: each ill-formed
// piece of UTF-8 and each lone surrogate becomes one U+FFFD.
WideString Utf8ToUtf16(const String& text);
String Utf16ToUtf8(const WideString& text);

// UTF-8 <-> GBK (code page 936). A character GBK cannot hold becomes '?'; a malformed or
// truncated GBK sequence decodes to U+FFFD (a byte below 0x80 after a lead byte is kept).
AnsiString Utf8ToGbk(const String& text);
String GbkToUtf8(const AnsiString& bytes);
// True when every character of `text` has a GBK code.
bool IsGbkEncodable(const String& text);

// Number of characters (code points) of a UTF-8 text.
std::size_t Utf8Length(const String& text);
// The first `count` characters of `text`.
String Utf8Left(const String& text, std::size_t count);
// The longest prefix of `text` whose GBK form has at most `maxBytes` bytes; never splits a character.
String CutToGbkBytes(const String& text, std::size_t maxBytes);
// Length of `text` in GBK bytes.
std::size_t GbkByteLength(const String& text);

// Case-insensitive comparison for the ASCII range (a-z fold to A-Z); other bytes compare as they
// are, unsigned. Returns <0, 0 or >0; a proper prefix is less.
int CompareText(const String& a, const String& b);
bool SameText(const String& a, const String& b);
String UpperCase(const String& text);  // ASCII letters only
String LowerCase(const String& text);  // ASCII letters only

String Trim(const String& text);       // removes bytes <= ' ' (blanks, controls) at both ends
String TrimLeft(const String& text);
String TrimRight(const String& text);
