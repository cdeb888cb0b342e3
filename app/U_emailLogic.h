// The e-mail address file, free of Windows so that the native tests reach it.
#pragma once

#include "DB.h"

#include <functional>

// <folder>Export<delimiter><name>.txt; `folder` ends with a delimiter.
String EmailFilePath(const String& programFolder, const String& name);

// Writes the `email` values of `list`'s rows, from the first to the last, trimmed, one per line in
// GBK with CR LF; rows without an address are skipped. `afterRow` is told the count of rows walked
// after each row. The lines go to a temporary file beside `file`, which takes `file`'s place only
// when everything is written (an existing file is replaced); on failure no file is left and the
// failure is raised. The list is left on its last row.
void WriteEmailAddresses(TDataSet* list, const String& file, const std::function<void(int walked)>& afterRow);
