#include "TabTextRows.h"

#include "Encoding.h"

#include <cstring>
#include <string>
#include <string_view>

std::vector<std::vector<String>> ReadTabTextRows(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    const void* nul = size ? std::memchr(bytes, 0, size) : nullptr;
    const std::string_view text(bytes, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size);
    std::vector<std::vector<String>> rows;
    if (text.empty()) return rows;
    std::vector<String> row;
    std::size_t pos = 0;
    for (;;) {
        // One cell, from `pos` to its TAB, its line end or the end of the text.
        std::string cell;
        std::size_t end = std::string_view::npos;
        if (pos < text.size() && text[pos] == '"') {
            std::string unquoted;
            std::size_t i = pos + 1;
            for (; i < text.size(); ++i) {
                if (text[i] != '"') {
                    unquoted += text[i];
                } else if (i + 1 < text.size() && text[i + 1] == '"') {
                    unquoted += '"';
                    ++i;
                } else {
                    break;
                }
            }
            // Quoted only when the closing quote ends the cell.
            if (i < text.size() && (i + 1 == text.size() || text[i + 1] == '\t' || text[i + 1] == '\r')) {
                cell = std::move(unquoted);
                end = i + 1;
            }
        }
        if (end == std::string_view::npos) {
            end = text.find_first_of("\t\r", pos);
            if (end == std::string_view::npos) end = text.size();
            cell.assign(text.substr(pos, end - pos));
        }
        row.push_back(GbkToUtf8(cell));
        if (end == text.size()) {
            rows.push_back(std::move(row));
            break;
        }
        if (text[end] == '\t') {
            pos = end + 1;
            continue;
        }
        if (end + 1 >= text.size() || text[end + 1] != '\n') throw EDBGridEhImportError(kInvalidTextMessage);
        rows.push_back(std::move(row));
        row.clear();
        pos = end + 2;
        if (pos == text.size()) break;
    }
    return rows;
}
