#include "IniFiles.h"

#include "Encoding.h"
#include "Lists.h"
#include "Streams.h"

#include <chrono>
#include <cstdint>
#include <random>
#include <system_error>
#include <vector>

namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";

struct IniLine {
    enum Kind { Other, Section, Key };
    std::string raw;  // the line's bytes in the file's encoding, without its line end
    Kind kind = Other;
    String name;      // section or key name, trimmed
    String value;     // key value, trimmed
};

// One block of lines: a section header and the lines up to the next header.
struct Block {
    std::size_t header;
    std::size_t end;
};

class IniDocument {
public:
    bool utf8 = false;  // the file began with a UTF-8 byte order mark
    std::vector<IniLine> lines;

    void Parse(const std::string& bytes);
    std::string Serialize() const;

    String Decode(const std::string& raw) const {
        return utf8 ? Utf16ToUtf8(Utf8ToUtf16(raw)) : GbkToUtf8(raw);
    }
    std::string Encode(const String& text) const { return utf8 ? text : Utf8ToGbk(text); }
    bool CanEncode(const String& text) const { return utf8 || IsGbkEncodable(text); }

    IniLine MakeLine(const String& text) const {
        IniLine line;
        line.raw = Encode(text);
        Classify(line, text);
        return line;
    }

    std::vector<Block> Blocks(const String& section) const;
    // Index of the first key line named `ident` within the section, or -1.
    std::ptrdiff_t FindKey(const String& section, const String& ident) const;

private:
    static void Classify(IniLine& line, const String& text);
};

void IniDocument::Classify(IniLine& line, const String& text) {
    const String trimmed = Trim(text);
    if (trimmed.empty() || trimmed[0] == ';') return;
    if (trimmed[0] == '[') {
        const std::size_t close = trimmed.rfind(']');
        if (close != String::npos && close > 0) {
            line.kind = IniLine::Section;
            line.name = Trim(trimmed.substr(1, close - 1));
            return;
        }
    }
    const std::size_t eq = trimmed.find('=');
    if (eq == String::npos) return;
    String key = Trim(trimmed.substr(0, eq));
    if (key.empty()) return;
    line.kind = IniLine::Key;
    line.name = std::move(key);
    line.value = Trim(trimmed.substr(eq + 1));
}

void IniDocument::Parse(const std::string& bytes) {
    std::size_t p = 0;
    utf8 = bytes.compare(0, 3, kUtf8Bom) == 0;
    if (utf8) p = 3;
    const std::size_t n = bytes.size();
    while (p < n) {
        const std::size_t start = p;
        while (p < n && bytes[p] != '\r' && bytes[p] != '\n') ++p;
        IniLine line;
        line.raw = bytes.substr(start, p - start);
        Classify(line, Decode(line.raw));
        lines.push_back(std::move(line));
        if (p < n && bytes[p] == '\r') ++p;
        if (p < n && bytes[p] == '\n') ++p;
    }
}

std::string IniDocument::Serialize() const {
    std::string bytes = utf8 ? kUtf8Bom : "";
    for (const IniLine& line : lines) {
        bytes += line.raw;
        bytes += "\r\n";
    }
    return bytes;
}

std::vector<Block> IniDocument::Blocks(const String& section) const {
    std::vector<Block> blocks;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != IniLine::Section) continue;
        if (!blocks.empty() && blocks.back().end == lines.size()) blocks.back().end = i;
        if (SameText(lines[i].name, section)) blocks.push_back({i, lines.size()});
    }
    return blocks;
}

std::ptrdiff_t IniDocument::FindKey(const String& section, const String& ident) const {
    for (const Block& block : Blocks(section))
        for (std::size_t i = block.header + 1; i < block.end; ++i)
            if (lines[i].kind == IniLine::Key && SameText(lines[i].name, ident))
                return static_cast<std::ptrdiff_t>(i);
    return -1;
}

// Reads `fileName`; a missing file gives an empty document. Raises EStreamError when the file
// exists but cannot be read.
IniDocument LoadDocument(const String& fileName) {
    IniDocument document;
    if (!FileExists(fileName)) return document;
    TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
    const std::int64_t size = stream.Size();
    std::string bytes(static_cast<std::size_t>(size), '\0');
    bytes.resize(static_cast<std::size_t>(stream.Read(bytes.data(), size)));
    document.Parse(bytes);
    return document;
}

// The document for a read: anything that cannot be read counts as empty.
IniDocument ReadDocument(const String& fileName) {
    try {
        return LoadDocument(fileName);
    } catch (const Exception&) {
        return IniDocument();
    }
}

String TempSuffix() {
    std::uint64_t token = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    try {
        std::random_device device;
        token ^= (static_cast<std::uint64_t>(device()) << 32) ^ device();
    } catch (...) {
        // the clock alone still makes a name that is unlikely to be in use
    }
    static const char kHex[] = "0123456789abcdef";
    String suffix = ".";
    for (int i = 0; i < 12; ++i, token >>= 4) suffix += kHex[token & 0xF];
    return suffix + ".tmp";
}

[[noreturn]] void WriteError(const String& fileName, const String& reason) {
    throw EIniFileException("Unable to write to \"" + fileName + "\". " + reason);
}

// Replaces the file with `document`: written to a temporary file beside it, then renamed over it.
void SaveDocument(const String& fileName, const IniDocument& document) {
    if (fileName.empty()) WriteError(fileName, "The file name is empty");
    const String temp = fileName + TempSuffix();
    const std::string bytes = document.Serialize();
    try {
        {
            TFileStream stream(temp, fmCreate);
            stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        }
        std::error_code error;
        std::filesystem::rename(Utf8ToPath(temp), Utf8ToPath(fileName), error);
        if (error) throw EInOutError(error.message());
    } catch (const Exception& e) {
        std::error_code ignored;
        std::filesystem::remove(Utf8ToPath(temp), ignored);
        WriteError(fileName, e.Message);
    }
}

bool HasLineBreakOrNul(const String& text) {
    return text.find_first_of(String("\r\n\0", 3)) != String::npos;
}

}  // namespace

String TIniFile::ReadString(const String& section, const String& ident, const String& defaultValue) const {
    const IniDocument document = ReadDocument(fileName_);
    const std::ptrdiff_t index = document.FindKey(Trim(section), Trim(ident));
    return index < 0 ? defaultValue : document.lines[static_cast<std::size_t>(index)].value;
}

namespace {

// Decimal or "$"/"0x" hexadecimal, optionally signed; hexadecimal wraps at 32 bits.
bool ParseInteger(const String& text, int& result) {
    std::size_t p = 0;
    const std::size_t n = text.size();
    bool negative = false;
    if (p < n && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    unsigned base = 10;
    if (p < n && text[p] == '$') {
        base = 16;
        ++p;
    } else if (p + 1 < n && text[p] == '0' && (text[p + 1] == 'x' || text[p + 1] == 'X')) {
        base = 16;
        p += 2;
    }
    if (p == n) return false;
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : negative ? 2147483648ull : 2147483647ull;
    std::uint64_t value = 0;
    for (; p < n; ++p) {
        const char c = text[p];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        value = value * base + digit;
        if (value > limit) return false;
    }
    std::int64_t signedValue = base == 16 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(value))
                                          : static_cast<std::int64_t>(value);
    if (negative) signedValue = -signedValue;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
    result = static_cast<int>(signedValue);
    return true;
}

}  // namespace

int TIniFile::ReadInteger(const String& section, const String& ident, int defaultValue) const {
    int value;
    return ParseInteger(ReadString(section, ident, String()), value) ? value : defaultValue;
}

bool TIniFile::ReadBool(const String& section, const String& ident, bool defaultValue) const {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const String& section, const String& ident, const String& text) {
    const String sectionName = Trim(section);
    const String key = Trim(ident);
    const String value = Trim(text);
    const String where = "key \"" + key + "\" of section \"" + sectionName + "\"";
    if (sectionName.empty() || HasLineBreakOrNul(sectionName))
        WriteError(fileName_, "Invalid section name \"" + section + "\"");
    if (key.empty() || HasLineBreakOrNul(key) || key.find('=') != String::npos || key[0] == '[' || key[0] == ';')
        WriteError(fileName_, "Invalid key name \"" + ident + "\" in section \"" + sectionName + "\"");
    if (HasLineBreakOrNul(value)) WriteError(fileName_, "The value of " + where + " contains a line break");

    IniDocument document;
    try {
        document = LoadDocument(fileName_);
    } catch (const Exception& e) {
        WriteError(fileName_, e.Message);
    }
    if (!document.CanEncode(sectionName) || !document.CanEncode(key) || !document.CanEncode(value))
        WriteError(fileName_, "The " + where + " or its value holds a character GBK cannot encode");

    std::vector<IniLine>& lines = document.lines;
    const std::ptrdiff_t found = document.FindKey(sectionName, key);
    if (found >= 0) {
        IniLine& line = lines[static_cast<std::size_t>(found)];
        if (line.value == value) return;
        line = document.MakeLine(line.name + "=" + value);
    } else {
        const std::vector<Block> blocks = document.Blocks(sectionName);
        if (blocks.empty()) {
            lines.push_back(document.MakeLine("[" + sectionName + "]"));
            lines.push_back(document.MakeLine(key + "=" + value));
        } else {
            std::size_t at = blocks.front().header + 1;
            for (std::size_t i = at; i < blocks.front().end; ++i)
                if (lines[i].kind == IniLine::Key) at = i + 1;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), document.MakeLine(key + "=" + value));
        }
    }
    SaveDocument(fileName_, document);
}

void TIniFile::WriteInteger(const String& section, const String& ident, int value) {
    WriteString(section, ident, std::to_string(value));
}

void TIniFile::WriteBool(const String& section, const String& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

namespace {

// Fills `strings` from the first line of each distinct key of the section.
void ListKeys(const IniDocument& document, const String& section, TStrings* strings, bool withValues) {
    strings->BeginUpdate();
    try {
        strings->Clear();
        std::vector<String> seen;
        for (const Block& block : document.Blocks(section)) {
            for (std::size_t i = block.header + 1; i < block.end; ++i) {
                const IniLine& line = document.lines[i];
                if (line.kind != IniLine::Key) continue;
                bool listed = false;
                for (const String& name : seen) listed = listed || SameText(name, line.name);
                if (listed) continue;
                seen.push_back(line.name);
                strings->Add(withValues ? line.name + "=" + line.value : line.name);
            }
        }
    } catch (...) {
        strings->EndUpdate();
        throw;
    }
    strings->EndUpdate();
}

}  // namespace

void TIniFile::ReadSection(const String& section, TStrings* strings) const {
    if (strings) ListKeys(ReadDocument(fileName_), Trim(section), strings, false);
}

void TIniFile::ReadSectionValues(const String& section, TStrings* strings) const {
    if (strings) ListKeys(ReadDocument(fileName_), Trim(section), strings, true);
}

void TIniFile::ReadSections(TStrings* strings) const {
    if (!strings) return;
    const IniDocument document = ReadDocument(fileName_);
    strings->BeginUpdate();
    try {
        strings->Clear();
        std::vector<String> seen;
        for (const IniLine& line : document.lines) {
            if (line.kind != IniLine::Section) continue;
            bool listed = false;
            for (const String& name : seen) listed = listed || SameText(name, line.name);
            if (listed) continue;
            seen.push_back(line.name);
            strings->Add(line.name);
        }
    } catch (...) {
        strings->EndUpdate();
        throw;
    }
    strings->EndUpdate();
}

bool TIniFile::SectionExists(const String& section) const {
    return !ReadDocument(fileName_).Blocks(Trim(section)).empty();
}

bool TIniFile::ValueExists(const String& section, const String& ident) const {
    return ReadDocument(fileName_).FindKey(Trim(section), Trim(ident)) >= 0;
}

void TIniFile::EraseSection(const String& section) {
    IniDocument document;
    try {
        document = LoadDocument(fileName_);
    } catch (const Exception& e) {
        WriteError(fileName_, e.Message);
    }
    const std::vector<Block> blocks = document.Blocks(Trim(section));
    if (blocks.empty()) return;
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it)
        document.lines.erase(document.lines.begin() + static_cast<std::ptrdiff_t>(it->header),
                             document.lines.begin() + static_cast<std::ptrdiff_t>(it->end));
    SaveDocument(fileName_, document);
}

void TIniFile::DeleteKey(const String& section, const String& ident) {
    IniDocument document;
    try {
        document = LoadDocument(fileName_);
    } catch (const Exception& e) {
        WriteError(fileName_, e.Message);
    }
    const String key = Trim(ident);
    bool changed = false;
    const std::vector<Block> blocks = document.Blocks(Trim(section));
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
        for (std::size_t i = it->end; i-- > it->header + 1;) {
            const IniLine& line = document.lines[i];
            if (line.kind == IniLine::Key && SameText(line.name, key)) {
                document.lines.erase(document.lines.begin() + static_cast<std::ptrdiff_t>(i));
                changed = true;
            }
        }
    }
    if (changed) SaveDocument(fileName_, document);
}
