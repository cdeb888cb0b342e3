// The workbook import's steps, free of Windows so that the native tests reach them: the headers
// of row 1 into T_Temp, the mapping's first proposal in T_Import, and the import of the sheet's
// rows as persons with one contact each.
#pragma once

#include "SysUtils.h"

#include <functional>
#include <vector>

class TADOConnection;
class TADOQuery;

class EImportError : public Exception {
public:
    using Exception::Exception;
};

// The cells of the active sheet: texts as the sheet displays them, rows and columns from 1.
struct TImportSheet {
    int Rows = 0;
    int Columns = 0;
    std::function<String(int row, int column)> Text;
};

inline constexpr const char* kImportMappingSql = "select * from T_Import";
inline constexpr const char* kImportTempSql = "select * from T_Temp";

// Replaces T_Temp by the header of each column (S_Field, CellID from 1) in one transaction; on a
// failure the transaction is rolled back and nothing is reported.
void RecordHeaders(TADOConnection* connection, TADOQuery* temp, const TImportSheet& sheet);

// Walks the open `mapping` (T_Import) and `temp` (T_Temp) together: the n-th mapping row's F_Field
// gets the n-th header, the rows past the last header an empty text.
void PrefillMapping(TADOQuery* mapping, TADOQuery* temp);

// One mapped target column and the sheet column it reads.
struct TImportColumn {
    String Target;  // S_Field: the column of custom or contact
    String Header;  // F_Field
    int Column = 0; // CellID, from 1
};

// The statements of the mapping of `table` ("custom", "contact") and of a header's column.
String ImportMappingSql(const char* table);
String ImportCellIdSql(const String& header);

// The mapped columns of `table` (F_Field neither a blank nor empty), each with the sheet column of
// its header (the first one of that name). A header that the sheet does not have raises.
std::vector<TImportColumn> ReadImportColumns(TADOQuery* field, TADOQuery* cellId, const char* table);

struct TImportTargets {
    TADOConnection* Connection = nullptr;
    TADOQuery* Persons = nullptr;   // open on custom
    TADOQuery* Contacts = nullptr;  // open on contact
    TADOQuery* Work = nullptr;      // any query of the connection
    String OperatorName;            // the owner of the new rows
};

// Appends one person and one contact for each sheet row from 2 on: the person number continues
// from the highest one, each row's texts go to their mapped columns (a person target "Name" is
// left out), the owner is the operator. First every mapped cell is checked against its column's
// length: a text that does not fit refuses the import before anything is written. A row that
// fails leaves nothing of itself; the rows before it stay, and the error names the sheet row.
// Answers the number of persons imported.
int ImportSheetRows(const TImportTargets& targets, const std::vector<TImportColumn>& personColumns,
                    const std::vector<TImportColumn>& contactColumns, const TImportSheet& sheet);
