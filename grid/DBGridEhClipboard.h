// The grid's copy to the clipboard: the exported rows in four formats placed together (tab-separated
// text as CF_UNICODETEXT, "Csv", "Rich Text Format" and the interchange stream "VCLDBIF").
//
// Not yet: paste, cut and delete.
#pragma once

#include "DBGridEh.h"

// The formats registered by name, once.
UINT VCLDBIFClipboardFormat();
UINT CsvClipboardFormat();
UINT RtfClipboardFormat();

// Copies the grid's selection (every row with `all`). The clipboard is opened with the grid's window
// and closed again, and the data set's controls enabled, also on failure.
void DBGridEh_DoCopyAction(TCustomDBGridEh* grid, bool all);
