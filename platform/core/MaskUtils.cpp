#include "MaskUtils.h"

#include <vector>

namespace {

std::vector<String> CodePoints(const String& text) {
    std::vector<String> points;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t j = i + 1;
        while (j < text.size() && (static_cast<unsigned char>(text[j]) & 0xC0) == 0x80) ++j;
        points.push_back(text.substr(i, j - i));
        i = j;
    }
    return points;
}

String ApplyCase(String c, int caseMode) {
    if (c.size() == 1) {
        if (caseMode > 0 && c[0] >= 'a' && c[0] <= 'z') c[0] = static_cast<char>(c[0] - 'a' + 'A');
        if (caseMode < 0 && c[0] >= 'A' && c[0] <= 'Z') c[0] = static_cast<char>(c[0] - 'A' + 'a');
    }
    return c;
}

}  // namespace

String FormatMaskText(const String& editMask, const String& value, const TFormatSettings& settings) {
    // Split off the sections at unescaped ";".
    String mask;
    std::vector<String> sections;
    for (std::size_t i = 0; i < editMask.size(); ++i) {
        if (editMask[i] == '\\' && i + 1 < editMask.size()) {
            mask += editMask[i];
            mask += editMask[++i];
        } else if (editMask[i] == ';' && sections.size() < 2) {
            sections.push_back(mask);
            mask.clear();
        } else {
            mask += editMask[i];
        }
    }
    sections.push_back(mask);
    mask = sections[0];
    const bool saveLiterals = sections.size() < 2 || sections[1].empty() || sections[1][0] != '0';
    const String blank = sections.size() > 2 && !sections[2].empty() ? CodePoints(sections[2])[0] : String("_");

    const std::vector<String> chars = CodePoints(value);
    const std::vector<String> maskChars = CodePoints(mask);
    std::size_t next = 0;
    int caseMode = 0;
    String out;
    auto literal = [&](const String& c) {
        out += c;
        if (saveLiterals && next < chars.size()) ++next;
    };
    for (std::size_t i = 0; i < maskChars.size(); ++i) {
        const String& m = maskChars[i];
        if (m == "\\") {
            if (i + 1 < maskChars.size()) literal(maskChars[++i]);
        } else if (m == ">") {
            if (i + 1 < maskChars.size() && maskChars[i + 1] == "<") {
                caseMode = 0;
                ++i;
            } else {
                caseMode = 1;
            }
        } else if (m == "<") {
            if (i + 1 < maskChars.size() && maskChars[i + 1] == ">") {
                caseMode = 0;
                ++i;
            } else {
                caseMode = -1;
            }
        } else if (m == "!") {
        } else if (m == ":") {
            literal(String(1, settings.TimeSeparator));
        } else if (m == "/") {
            literal(String(1, settings.DateSeparator));
        } else if (m == "_") {
            literal(" ");
        } else if (m.size() == 1 && String("09#LlAaCc").find(m[0]) != String::npos) {
            out += next < chars.size() ? ApplyCase(chars[next++], caseMode) : blank;
        } else {
            literal(m);
        }
    }
    return out;
}
