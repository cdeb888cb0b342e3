#include "DBRowStore.h"

namespace dbstore {

namespace {

constexpr std::size_t kChunkBytes = 1 << 20;

std::uint64_t ReadVarint(const std::uint8_t*& p, const std::uint8_t* end) {
    std::uint64_t value = 0;
    int shift = 0;
    while (p < end) {
        const std::uint8_t b = *p++;
        value |= std::uint64_t(b & 0x7F) << shift;
        if (!(b & 0x80)) break;
        shift += 7;
    }
    return value;
}

// Reads the cell at `p` and moves `p` past it.
Cell ReadOne(const std::uint8_t*& p, const std::uint8_t* end) {
    Cell cell;
    if (p >= end) return cell;
    cell.kind = static_cast<CellKind>(*p++);
    switch (cell.kind) {
    case CellKind::Null:
        break;
    case CellKind::Integer: {
        const std::uint64_t z = ReadVarint(p, end);
        cell.integer = static_cast<std::int64_t>((z >> 1) ^ (~(z & 1) + 1));
        break;
    }
    case CellKind::Real:
        if (end - p >= 8) std::memcpy(&cell.real, p, 8);
        p += 8;
        break;
    case CellKind::Text:
    case CellKind::Blob: {
        const std::uint64_t n = ReadVarint(p, end);
        cell.bytes = std::string_view(reinterpret_cast<const char*>(p), std::size_t(n));
        p += n;
        break;
    }
    }
    return cell;
}

}  // namespace

void RecordWriter::AddVarint(std::uint64_t value) {
    while (value >= 0x80) {
        buffer_.push_back(char((value & 0x7F) | 0x80));
        value >>= 7;
    }
    buffer_.push_back(char(value));
}

void RecordWriter::AddInteger(std::int64_t value) {
    buffer_.push_back(char(CellKind::Integer));
    AddVarint((std::uint64_t(value) << 1) ^ std::uint64_t(value >> 63));
}

void RecordWriter::AddReal(double value) {
    buffer_.push_back(char(CellKind::Real));
    char bytes[8];
    std::memcpy(bytes, &value, 8);
    buffer_.append(bytes, 8);
}

void RecordWriter::AddBytes(CellKind kind, std::string_view bytes) {
    buffer_.push_back(char(kind));
    AddVarint(bytes.size());
    buffer_.append(bytes.data(), bytes.size());
}

void RecordWriter::AddCell(const Cell& cell) {
    switch (cell.kind) {
    case CellKind::Null: AddNull(); break;
    case CellKind::Integer: AddInteger(cell.integer); break;
    case CellKind::Real: AddReal(cell.real); break;
    case CellKind::Text: AddText(cell.bytes); break;
    case CellKind::Blob: AddBlob(cell.bytes); break;
    }
}

Cell ReadCell(const std::uint8_t* record, std::size_t size, int column) {
    const std::uint8_t* p = record;
    const std::uint8_t* end = record + size;
    for (int i = 0; i < column && p < end; ++i) ReadOne(p, end);
    return ReadOne(p, end);
}

void ReadCells(const std::uint8_t* record, std::size_t size, std::vector<Cell>& cells) {
    cells.clear();
    const std::uint8_t* p = record;
    const std::uint8_t* end = record + size;
    while (p < end) cells.push_back(ReadOne(p, end));
}

void RowStore::Clear() {
    rows_.clear();
    rows_.shrink_to_fit();
    chunks_.clear();
    chunkUsed_ = chunkSize_ = 0;
    arenaBytes_ = 0;
}

const std::uint8_t* RowStore::Store(const std::string& record) {
    const std::size_t n = record.size();
    if (n == 0) return nullptr;
    if (chunks_.empty() || chunkUsed_ + n > chunkSize_) {
        const std::size_t size = n > kChunkBytes / 4 ? n : kChunkBytes;
        if (size == n && !chunks_.empty()) {
            // A large record gets a chunk of its own; the current chunk stays in use.
            auto own = std::make_unique_for_overwrite<std::uint8_t[]>(n);
            std::memcpy(own.get(), record.data(), n);
            const std::uint8_t* p = own.get();
            chunks_.insert(chunks_.end() - 1, std::move(own));
            arenaBytes_ += n;
            return p;
        }
        // Not zeroed: only the bytes written are ever read, and a small result touches little of it.
        chunks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(size));
        chunkSize_ = size;
        chunkUsed_ = 0;
        arenaBytes_ += size;
    }
    std::uint8_t* p = chunks_.back().get() + chunkUsed_;
    std::memcpy(p, record.data(), n);
    chunkUsed_ += n;
    return p;
}

RowId RowStore::AddRow(const std::string& record, RowState state) {
    rows_.push_back(Row{Store(record), 0, static_cast<std::uint32_t>(record.size()), state});
    return static_cast<RowId>(rows_.size() - 1);
}

void RowStore::SetRecord(RowId row, const std::string& record) {
    rows_[row].data = Store(record);
    rows_[row].size = static_cast<std::uint32_t>(record.size());
}

}  // namespace dbstore
