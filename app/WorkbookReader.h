// A reader of .xls workbooks: the BIFF8 (and BIFF5) workbook stream of a compound document as
// spreadsheet programs write it, and the bare BIFF worksheet stream of the grid's own export. Each
// cell comes out as the sheet displays it: text as it is, numbers and dates by the cell's number
// format, booleans and errors by name, a formula by its cached result.
//
// Outside input: every offset and length is checked; a file that is not a workbook, is cut short
// or is encrypted raises EWorkbookError with a message for people (in the program's language),
// never reads out of bounds.
//
// Not yet: shared strings' rich-text runs and phonetic data are skipped (their text is kept),
// number formats with conditions ("[>100]"), fractions and elapsed-time fields beyond [h].
#pragma once

#include "SysUtils.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class EWorkbookError : public Exception {
public:
    using Exception::Exception;
};

struct TWorkbookCell {
    String Text;       // as the sheet displays it
    bool IsNumber = false;
    double Number = 0; // the value of a number, date or boolean cell
};

struct TWorkbookSheet {
    String Name;
    // (row, column) from 0 -> cell; only cells with a value.
    std::map<std::pair<std::uint32_t, std::uint32_t>, TWorkbookCell> Cells;
    // The used range: from A1 to the last row and column holding a value (0 x 0 when empty).
    std::uint32_t RowCount = 0;
    std::uint32_t ColumnCount = 0;

    // The cell's display text, "" for a cell without a value. Rows and columns count from 0.
    String Text(std::uint32_t row, std::uint32_t column) const;
};

struct TWorkbook {
    std::vector<TWorkbookSheet> Sheets;
    int ActiveSheet = 0;  // the sheet selected when the workbook was saved
};

// The limits a workbook may not pass (of the file formats themselves).
inline constexpr std::uint32_t kWorkbookMaxRows = 65536;
inline constexpr std::uint32_t kWorkbookMaxColumns = 256;

// Reads a workbook from its bytes; raises EWorkbookError.
TWorkbook ReadWorkbook(const std::vector<std::uint8_t>& bytes);
// Reads the workbook file `path`; raises EWorkbookError (also when the file cannot be read).
TWorkbook ReadWorkbookFile(const String& path);

// The display text of `value` in Excel's number format `format` (General when empty); dates take
// the 1900 date system unless `date1904`.
String FormatWorkbookNumber(double value, const String& format, bool date1904 = false);
// The built-in number format `index` as this program's users see it (Chinese locale); "" for an
// index without one (General).
String BuiltinNumberFormat(int index);
