// The one include of <windows.h> for the class layer, and the pair of helpers that cross the
// UTF-8 / UTF-16 boundary of the Windows API.
#pragma once

#include <windows.h>

#include "Encoding.h"

#include <string>

// Macros of <windows.h> that would rename members of the class layer.
#undef MessageBox
#undef CreateWindow
#undef GetObject
#undef DrawText
#undef LoadBitmap
#undef LoadCursor
#undef LoadIcon
#undef GetClassName
#undef SendMessage
#undef PostMessage
#undef FindWindow
#undef GetMessage
#undef DeleteFile
#undef CreateFont
#undef LoadString
#undef GetCurrentTime
#undef CopyFile
#undef MoveFile
#undef CreateDirectory
#undef GetFileAttributes
#undef TextOut

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

std::wstring ToWide(const String& text);
String FromWide(const wchar_t* text);
String FromWide(const wchar_t* text, std::size_t length);
