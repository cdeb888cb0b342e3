// TIniFile: settings in a Windows-style ini file whose bytes are GBK text; the API is UTF-8.
//
// Every call reads the file afresh and every write rewrites it at once, atomically (a temporary
// file beside it, renamed over it), keeping all other lines, comments and their order. Section
// and key names compare without regard to ASCII case and are trimmed; values are the text after
// the first '=' with surrounding blanks trimmed (also when written). A missing or unreadable file
// reads as empty; a damaged one yields the entries that can be read. A file that starts with a
// UTF-8 byte order mark is read, and written back, as UTF-8.
#pragma once

#include "Object.h"

class TStrings;

class TIniFile : public TObject {
    VESTREL_CLASS(TIniFile, TObject)
public:
    explicit TIniFile(const String& fileName) : fileName_(fileName) {}

    const String& FileName() const { return fileName_; }

    String ReadString(const String& section, const String& ident, const String& defaultValue) const;
    // Decimal, or hexadecimal after "$" or "0x"; any other text, or a number outside the int
    // range, gives `defaultValue`.
    int ReadInteger(const String& section, const String& ident, int defaultValue) const;
    bool ReadBool(const String& section, const String& ident, bool defaultValue) const;  // integer != 0

    // A new key goes to the end of its section, a new section to the end of the file. Raises
    // EIniFileException naming the file when it cannot be written, and when a name or value
    // cannot be stored: a line break, an empty name, a key with '=' or starting with '[' or ';',
    // or a character GBK has no code for.
    void WriteString(const String& section, const String& ident, const String& value);
    void WriteInteger(const String& section, const String& ident, int value);
    void WriteBool(const String& section, const String& ident, bool value);  // "1" / "0"

    // Fill `strings` (cleared first) with the key names of a section, the section names, or the
    // section's "key=value" pairs; a name listed twice in the file is listed once.
    void ReadSection(const String& section, TStrings* strings) const;
    void ReadSections(TStrings* strings) const;
    void ReadSectionValues(const String& section, TStrings* strings) const;
    bool SectionExists(const String& section) const;  // its header is in the file
    bool ValueExists(const String& section, const String& ident) const;

    void EraseSection(const String& section);  // every block of that name, comments included
    void DeleteKey(const String& section, const String& ident);
    // Writes are never held back, so there is nothing to flush.
    void UpdateFile() {}

private:
    String fileName_;
};
