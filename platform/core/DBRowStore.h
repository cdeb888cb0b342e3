// The row store behind TDataSet: packed records in a chunked arena, a row table and the order
// keys that give bookmarks their order.
//
// A record is the concatenation of its cells; a cell is a tag byte followed by its payload
// (integer: zigzag varint; real: 8 bytes; text and blob: varint length and bytes). Records never
// move once written, so text views into them stay valid until the store is cleared. A changed
// record is written anew and the row points at the new copy.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dbstore {

enum class CellKind : std::uint8_t { Null = 0, Integer = 1, Real = 2, Text = 3, Blob = 4 };

struct Cell {
    CellKind kind = CellKind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string_view bytes;  // Text and Blob
};

// Builds one record.
class RecordWriter {
public:
    void Clear() { buffer_.clear(); }
    void AddNull() { buffer_.push_back(char(CellKind::Null)); }
    void AddInteger(std::int64_t value);
    void AddReal(double value);
    void AddText(std::string_view text) { AddBytes(CellKind::Text, text); }
    void AddBlob(std::string_view bytes) { AddBytes(CellKind::Blob, bytes); }
    void AddCell(const Cell& cell);
    const std::string& Bytes() const { return buffer_; }

private:
    void AddVarint(std::uint64_t value);
    void AddBytes(CellKind kind, std::string_view bytes);
    std::string buffer_;
};

// Reads cell `column` of a record (Null when the record has fewer cells).
Cell ReadCell(const std::uint8_t* record, std::size_t size, int column);
// Decodes every cell of a record.
void ReadCells(const std::uint8_t* record, std::size_t size, std::vector<Cell>& cells);

using RowId = std::uint32_t;
inline constexpr RowId kNoRow = 0xFFFFFFFFu;

enum class RowState : std::uint8_t { Live, Deleted, Pending };

class RowStore {
public:
    RowStore() = default;
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    void Clear();
    RowId AddRow(const std::string& record, RowState state);
    void SetRecord(RowId row, const std::string& record);
    std::size_t RowCount() const { return rows_.size(); }

    const std::uint8_t* Data(RowId row) const { return rows_[row].data; }
    std::uint32_t Size(RowId row) const { return rows_[row].size; }
    Cell CellOf(RowId row, int column) const { return ReadCell(rows_[row].data, rows_[row].size, column); }
    RowState State(RowId row) const { return rows_[row].state; }
    void SetState(RowId row, RowState state) { rows_[row].state = state; }
    std::int64_t Key(RowId row) const { return rows_[row].key; }
    void SetKey(RowId row, std::int64_t key) { rows_[row].key = key; }
    bool Valid(RowId row) const { return row < rows_.size(); }

    // Bytes held by the arena (for measurements).
    std::size_t ArenaBytes() const { return arenaBytes_; }

private:
    struct Row {
        const std::uint8_t* data;
        std::int64_t key;
        std::uint32_t size;
        RowState state;
    };
    const std::uint8_t* Store(const std::string& record);

    std::vector<Row> rows_;
    std::vector<std::unique_ptr<std::uint8_t[]>> chunks_;
    std::size_t chunkUsed_ = 0;
    std::size_t chunkSize_ = 0;
    std::size_t arenaBytes_ = 0;
};

}  // namespace dbstore
