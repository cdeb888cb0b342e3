#include "AppTestSupport.h"

#include "Encoding.h"
#include "Streams.h"
#include "WinApi.h"

std::filesystem::path HostPath(const char* path) {
    const String text = path;
    return std::filesystem::path(Utf8ToPath(text.size() > 1 && text[0] == '/' ? "Z:" + text : text));
}

std::optional<String> ProgramResource(const String& className) {
    const std::wstring name = ToWide(UpperCase(className));
    HRSRC info = FindResourceW(nullptr, name.c_str(), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL data = info ? LoadResource(nullptr, info) : nullptr;
    if (!data)
        return std::nullopt;
    String text(static_cast<const char*>(LockResource(data)), SizeofResource(nullptr, info));
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    return text;
}
