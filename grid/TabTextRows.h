// Tab-separated text as the grid's text export writes it and its text import reads it: rows of
// cells split at TABs, rows ended by CR LF, the text in the system's ANSI code page (GBK).
#pragma once

#include "SysUtils.h"

#include <cstddef>
#include <vector>

VESTREL_EXCEPTION(EDBGridEhImportError, Exception);

// The message of a refused text.
inline constexpr const char* kInvalidTextMessage = "TDBGridEhImportAsText.CheckState: Invalid text format";

// The rows of `size` bytes of text, as UTF-8. The text ends at its first NUL or at its end; a CR LF
// at the very end opens no row, an empty line is one empty cell. A cell opening with a double quote
// and closed by one just before its TAB, line end or the end of the text is quoted (inner quotes
// doubled, TABs and line breaks kept); any other cell is taken as it stands. A CR without LF (outside
// quotes) raises EDBGridEhImportError (kInvalidTextMessage).
std::vector<std::vector<String>> ReadTabTextRows(const void* data, std::size_t size);
