// The grid's clipboard commands. Copy places the exported rows in four formats together
// (tab-separated text as CF_UNICODETEXT, "Csv", "Rich Text Format" and the interchange stream
// "VCLDBIF"); paste reads "VCLDBIF" when the clipboard holds it, else the system's CF_TEXT; cut is
// copy then delete; delete removes the selected rows or clears the selected cells.
//
// A paste reads and checks the whole clipboard block before it writes: a malformed one changes no
// row. A value that does not convert asks whether to go on (Yes, No, All).
#pragma once

#include "DBGridEh.h"

// The formats registered by name, once.
UINT VCLDBIFClipboardFormat();
UINT CsvClipboardFormat();
UINT RtfClipboardFormat();

// Copies the grid's selection (every row with `all`). The clipboard is opened with the grid's window
// and closed again, and the data set's controls enabled, also on failure.
void DBGridEh_DoCopyAction(TCustomDBGridEh* grid, bool all);

// Reads the clipboard into the grid's records by its selection (over every record with `all`).
void DBGridEh_DoPasteAction(TCustomDBGridEh* grid, bool all);
// Copy, then delete.
void DBGridEh_DoCutAction(TCustomDBGridEh* grid, bool all);
// Deletes the selected rows (all rows with `all`), or clears the selected cells or columns, after
// the question of dgConfirmDelete for rows and rectangles. Cleared values are not posted here: the
// next move of the data set posts them.
void DBGridEh_DoDeleteAction(TCustomDBGridEh* grid, bool all);

// What the keys test before running the commands.
// The selection can be deleted: an active link, the grid not read-only, the data set not empty and
// modifiable, and rows or all with alopDeleteEh, or a rectangle or columns with alopUpdateEh.
bool DBGridEh_CanDeleteSelection(TCustomDBGridEh* grid);
// A selection exists and can be deleted.
bool DBGridEh_CanCut(TCustomDBGridEh* grid);
// An active link, the grid not read-only, the data set modifiable, a pasteable format on the
// clipboard, and alopUpdateEh unless the data set is inserting.
bool DBGridEh_CanPaste(TCustomDBGridEh* grid);
