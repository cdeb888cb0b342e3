// The grid's "Find text" search: the text matched against the cells of a list of columns, record
// by record, forwards or backwards from the current record.
//
// Not yet: the dialog form itself (the grid's Ctrl+F opens nothing until it exists).
#pragma once

#include "DB.h"

#include <functional>

enum TFindMatchTypeEh { fmtAnyPartEh = 0, fmtWholeFieldEh = 1, fmtFromBeginningEh = 2 };
enum TFindDirectionEh { fdUpEh = 0, fdDownEh = 1, fdAllEh = 2 };

// Whether `cell` matches `text`: contains it, equals it, or begins with it; without regard to
// case (letters of every script) unless `matchCase`.
bool FindTextMatches(const String& cell, const String& text, TFindMatchTypeEh match, bool matchCase);

// Backwards for "Up", and for "Down" and "All" when Ctrl is held.
inline bool FindSearchesBackwards(TFindDirectionEh direction, bool ctrlHeld) {
    return (direction == fdUpEh) != ctrlHeld;
}

struct TFindRequestEh {
    String Text;
    TFindMatchTypeEh Match = fmtAnyPartEh;
    bool MatchCase = false;
    bool Backwards = false;
    bool FromFirst = false;     // start at the first record (or the last, backwards)
    bool StepFirst = false;     // step once past the previous match before looking
};

// Searches `dataSet` from its current record and column `column` (0 .. columnCount - 1 of the
// columns searched; `cellText` gives the text of one of them for the current record). Every cell
// is looked at before the step, so the first and the last records are searched too. Found: the
// data set stays on the matching record and `column` is the matching column. Not found: the data
// set returns to the record it was on and `column` is unchanged. An inactive or empty data set, no
// columns or an empty text find nothing.
bool FindInDataSetEh(TDataSet* dataSet, int columnCount, const std::function<String(int column)>& cellText,
                     const TFindRequestEh& request, int& column);
