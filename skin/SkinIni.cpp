#include "SkinIni.h"

#include "Encoding.h"
#include "FormatSettings.h"
#include "Streams.h"

TQuickIni::TQuickIni() : Lines(new TStringList), Sections(new TStringList) {}

TQuickIni::~TQuickIni() {
    delete Lines;
    delete Sections;
}

void TQuickIni::LoadFromStream(TStream* stream) {
    if (!stream) return;
    String text;
    char buffer[4096];
    for (;;) {
        const std::int64_t n = stream->Read(buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    LoadFromText(text);
}

void TQuickIni::LoadFromText(const String& text) {
    Lines->BeginUpdate();
    Sections->BeginUpdate();
    Lines->Clear();
    Sections->Clear();
    sectionLines_.clear();
    const std::size_t n = text.size();
    std::size_t p = 0;
    while (p < n && text[p] != '\0') {
        const std::size_t start = p;
        while (p < n && text[p] != '\r' && text[p] != '\n' && text[p] != '\0') ++p;
        const String line = Trim(text.substr(start, p - start));
        if (p < n && text[p] == '\r') ++p;
        if (p < n && text[p] == '\n') ++p;
        if (line.empty() || line[0] == ';') continue;
        const int index = Lines->Add(line);
        if (line.front() == '[' && line.back() == ']') {
            Sections->Add(line);
            sectionLines_.push_back(index);
        }
    }
    Sections->EndUpdate();
    Lines->EndUpdate();
}

bool TQuickIni::IsSection(const String& line) {
    const String trimmed = Trim(line);
    return !trimmed.empty() && trimmed.front() == '[' && trimmed.back() == ']';
}

String TQuickIni::KeyOf(const String& line) {
    const std::size_t eq = line.find('=');
    if (eq == String::npos) return String();
    return LowerCase(Trim(line.substr(0, eq)));
}

String TQuickIni::ValueOf(const String& line, const String& key) {
    if (line.empty() || key.empty()) return String();
    const std::size_t eq = line.find('=');
    if (eq == String::npos || KeyOf(line) != key) return String();
    return Trim(line.substr(eq + 1));
}

int TQuickIni::SectionIndex(const String& name) const {
    const String header = LowerCase("[" + name + "]");
    for (int i = 0; i < Sections->Count(); ++i) {
        if (LowerCase(Sections->Get(i)) == header) return sectionLines_[static_cast<std::size_t>(i)];
    }
    return -1;
}

String TQuickIni::ReadString(const String& section, const String& key, const String& defaultValue) const {
    const String wanted = LowerCase(key);
    if (Lines->Count() == 0) return defaultValue;
    const int header = SectionIndex(section);
    if (header < 0) return defaultValue;
    for (int i = header + 1; i < Lines->Count(); ++i) {
        const String line = Lines->Get(i);
        if (IsSection(line)) break;
        if (KeyOf(line) == wanted) {
            const String value = ValueOf(line, wanted);
            return value.empty() ? defaultValue : value;
        }
    }
    return defaultValue;
}

int TQuickIni::ReadInteger(const String& section, const String& key, int defaultValue) const {
    String text = ReadString(section, key, String());
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
    int value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

void TQuickIni::ReadSections(TStrings* list) const {
    list->BeginUpdate();
    list->Clear();
    for (int i = 0; i < Sections->Count(); ++i) {
        const String header = Trim(Sections->Get(i));
        list->Add(Trim(header.size() >= 2 ? header.substr(1, header.size() - 2) : String()));
    }
    list->EndUpdate();
}
