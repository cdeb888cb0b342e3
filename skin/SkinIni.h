// TQuickIni: the read-only ini reader used while a skin loads. It keeps every meaningful line of
// the text and where each section starts, and answers lookups by section and key.
#pragma once

#include "Lists.h"

#include <cstdint>
#include <vector>

class TStream;

class TQuickIni : public TObject {
    VESTREL_CLASS(TQuickIni, TObject)
public:
    TQuickIni();
    ~TQuickIni() override;

    // Parses the text from the stream's position to its end; nothing for nullptr.
    void LoadFromStream(TStream* stream);
    void LoadFromText(const String& text);

    // Section names compare without regard to case, keys too; the first key line of a section
    // decides, and an empty value there gives `defaultValue`.
    String ReadString(const String& section, const String& key, const String& defaultValue) const;
    // Decimal, "$" or "0x" hexadecimal; anything else gives `defaultValue`.
    int ReadInteger(const String& section, const String& key, int defaultValue) const;
    // The section names without brackets.
    void ReadSections(TStrings* list) const;

    static bool IsSection(const String& line);
    static String KeyOf(const String& line);
    static String ValueOf(const String& line, const String& key);
    // The index in Lines of the header "[name]", or -1.
    int SectionIndex(const String& name) const;

    TStringList* Lines;
    TStringList* Sections;  // header lines; SectionLines holds each one's index in Lines

private:
    std::vector<int> sectionLines_;
    std::uint32_t reserved_ = 0;
};
