#include "DBGridEhFindDlgs.h"

#include "LocaleText.h"

namespace {

// `text` as a like pattern matching itself.
String LiteralPattern(const String& text) {
    String pattern;
    pattern.reserve(text.size());
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\') pattern += '\\';
        pattern += c;
    }
    return pattern;
}

}  // namespace

bool FindTextMatches(const String& cell, const String& text, TFindMatchTypeEh match, bool matchCase) {
    if (matchCase) {
        switch (match) {
        case fmtWholeFieldEh: return cell == text;
        case fmtFromBeginningEh: return cell.compare(0, text.size(), text) == 0;
        default: return cell.find(text) != String::npos;
        }
    }
    const String literal = LiteralPattern(text);
    switch (match) {
    case fmtWholeFieldEh: return LocaleLike(literal, cell, U'\\');
    case fmtFromBeginningEh: return LocaleLike(literal + "%", cell, U'\\');
    default: return LocaleLike("%" + literal + "%", cell, U'\\');
    }
}

bool FindInDataSetEh(TDataSet* dataSet, int columnCount, const std::function<String(int column)>& cellText,
                     const TFindRequestEh& request, int& column) {
    if (!dataSet || !dataSet->Active() || dataSet->IsEmpty() || columnCount <= 0 || request.Text.empty())
        return false;
    const TBookmark start = dataSet->Bookmark();
    const int last = columnCount - 1;
    int current = column < 0 ? 0 : column > last ? last : column;
    dataSet->DisableControls();
    bool found = false;
    try {
        if (request.FromFirst) {
            if (request.Backwards)
                dataSet->Last();
            else
                dataSet->First();
            current = request.Backwards ? last : 0;
        }
        // One step: the next (previous) column, or the first (last) column of the next (previous)
        // record; false at the end.
        auto step = [&]() {
            if (!request.Backwards) {
                if (current < last) return ++current, true;
                if (dataSet->MoveBy(1) == 0) return false;
                current = 0;
            } else {
                if (current > 0) return --current, true;
                if (dataSet->MoveBy(-1) == 0) return false;
                current = last;
            }
            return true;
        };
        bool more = request.StepFirst ? step() : true;
        while (more) {
            if (FindTextMatches(cellText(current), request.Text, request.Match, request.MatchCase)) {
                found = true;
                break;
            }
            more = step();
        }
        if (found)
            column = current;
        else
            dataSet->GotoBookmark(start);
    } catch (...) {
        dataSet->EnableControls();
        throw;
    }
    dataSet->EnableControls();
    return found;
}
