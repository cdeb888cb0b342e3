#include "WorkbookReader.h"

#include "DateTime.h"
#include "Encoding.h"
#include "FormatSettings.h"
#include "Streams.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

// ---- Messages --------------------------------------------------------------------------------------

constexpr const char* kNotWorkbook = "这不是Excel工作簿文件（.xls）。";
constexpr const char* kTruncated = "Excel文件不完整（已损坏或被截断）。";
constexpr const char* kEncrypted = "Excel文件受密码保护，无法读取。请先在Excel中取消密码再导入。";
constexpr const char* kNewFormat =
    "这是Excel 2007及以后版本的工作簿（.xlsx）。请在Excel中另存为“Excel 97-2003工作簿（.xls）”后再导入。";
constexpr const char* kNoSheet = "Excel文件中没有工作表。";

[[noreturn]] void Fail(const char* message) { throw EWorkbookError(message); }

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
double F64(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void AppendUtf8(String& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
String Utf16UnitsToUtf8(const std::vector<std::uint16_t>& units) {
    String out;
    out.reserve(units.size() * 3);
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// 8-bit text of a BIFF5 file or of the grid's export, in the workbook's code page.
String AnsiToUtf8(const std::uint8_t* p, std::size_t n, int codePage) {
    bool ascii = true;
    for (std::size_t i = 0; i < n; ++i) ascii = ascii && p[i] < 0x80;
    if (ascii) return String(reinterpret_cast<const char*>(p), n);
    if (codePage == 1252 || codePage == 0x8001 || codePage == 367) {
        String out;
        for (std::size_t i = 0; i < n; ++i) AppendUtf8(out, p[i]);
        return out;
    }
    return GbkToUtf8(AnsiString(reinterpret_cast<const char*>(p), n));
}

// ---- Compound document ---------------------------------------------------------------------------

constexpr std::uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;

class CompoundFile {
public:
    explicit CompoundFile(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {
        if (bytes_.size() < 512) Fail(kTruncated);
        const std::uint8_t* h = bytes_.data();
        const unsigned shift = U16(h + 0x1E);
        if (shift != 9 && shift != 12) Fail(kNotWorkbook);
        sectorSize_ = std::size_t(1) << shift;
        if (U16(h + 0x20) != 6) Fail(kNotWorkbook);
        cutoff_ = U32(h + 0x38);
        // The sector ids of the allocation table: 109 in the header, the rest in a chain.
        std::vector<std::uint32_t> fatSectors;
        const std::uint32_t fatCount = U32(h + 0x2C);
        for (int i = 0; i < 109 && fatSectors.size() < fatCount; ++i) fatSectors.push_back(U32(h + 0x4C + 4 * i));
        std::uint32_t difat = U32(h + 0x44);
        const std::size_t perDifat = sectorSize_ / 4 - 1;
        for (std::size_t steps = 0; difat != kEndOfChain && difat != kFreeSector && fatSectors.size() < fatCount; ++steps) {
            if (steps > SectorCount()) Fail(kTruncated);
            const std::uint8_t* s = Sector(difat);
            for (std::size_t i = 0; i < perDifat && fatSectors.size() < fatCount; ++i) fatSectors.push_back(U32(s + 4 * i));
            difat = U32(s + 4 * perDifat);
        }
        if (fatSectors.size() < fatCount) Fail(kTruncated);
        if (fatCount > SectorCount()) Fail(kNotWorkbook);
        for (std::uint32_t id : fatSectors) {
            const std::uint8_t* s = Sector(id);
            for (std::size_t i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(U32(s + 4 * i));
        }
        const std::vector<std::uint8_t> directory = Chain(U32(h + 0x30), fat_, sectorSize_, false, SIZE_MAX);
        for (std::size_t at = 0; at + 128 <= directory.size(); at += 128) {
            const std::uint8_t* e = directory.data() + at;
            Entry entry;
            const std::size_t nameBytes = std::min<std::size_t>(U16(e + 64), 64);
            std::vector<std::uint16_t> units;
            for (std::size_t i = 0; i + 1 < nameBytes; i += 2) {
                const std::uint16_t u = U16(e + i);
                if (u == 0) break;
                units.push_back(u);
            }
            entry.name = Utf16UnitsToUtf8(units);
            entry.type = e[66];
            entry.start = U32(e + 116);
            entry.size = U32(e + 120);
            entries_.push_back(entry);
        }
        if (entries_.empty() || entries_[0].type != 5) Fail(kNotWorkbook);
        miniFatStart_ = U32(h + 0x3C);
    }

    bool Has(const char* name) const { return FindEntry(name) != nullptr; }

    // The stream `name` (compared without regard to case); false when there is none.
    bool Stream(const char* name, std::vector<std::uint8_t>& out) const {
        const Entry* entry = FindEntry(name);
        if (!entry) return false;
        if (entry->size < cutoff_) {
            const Entry& root = entries_[0];
            const std::vector<std::uint8_t> mini = Chain(root.start, fat_, sectorSize_, false, root.size);
            const std::vector<std::uint8_t> miniFatBytes = Chain(miniFatStart_, fat_, sectorSize_, false, SIZE_MAX);
            std::vector<std::uint32_t> miniFat;
            for (std::size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4) miniFat.push_back(U32(miniFatBytes.data() + i));
            out = ChainIn(mini, entry->start, miniFat, 64, entry->size);
        } else {
            out = Chain(entry->start, fat_, sectorSize_, false, entry->size);
        }
        if (out.size() < entry->size) Fail(kTruncated);
        out.resize(entry->size);
        return true;
    }

private:
    struct Entry {
        String name;
        int type = 0;
        std::uint32_t start = 0;
        std::uint32_t size = 0;
    };

    std::size_t SectorCount() const { return bytes_.size() / sectorSize_; }

    const std::uint8_t* Sector(std::uint32_t id) const {
        const std::size_t offset = (std::size_t(id) + 1) * sectorSize_;
        if (id >= kFreeSector - 5 || offset + sectorSize_ > bytes_.size()) Fail(kTruncated);
        return bytes_.data() + offset;
    }

    const Entry* FindEntry(const char* name) const {
        for (const Entry& e : entries_)
            if (e.type == 2 && SameText(e.name, name)) return &e;
        return nullptr;
    }

    // The bytes of the chain from `start` through `table` in the file's sectors.
    std::vector<std::uint8_t> Chain(std::uint32_t start, const std::vector<std::uint32_t>& table, std::size_t size,
                                    bool, std::size_t limit) const {
        std::vector<std::uint8_t> out;
        std::uint32_t id = start;
        std::size_t steps = 0;
        while (id != kEndOfChain && out.size() < limit) {
            if (id >= table.size() || ++steps > SectorCount()) Fail(kTruncated);
            const std::uint8_t* s = Sector(id);
            out.insert(out.end(), s, s + size);
            id = table[id];
        }
        return out;
    }

    // The same within the mini stream.
    static std::vector<std::uint8_t> ChainIn(const std::vector<std::uint8_t>& mini, std::uint32_t start,
                                             const std::vector<std::uint32_t>& table, std::size_t size,
                                             std::size_t limit) {
        std::vector<std::uint8_t> out;
        std::uint32_t id = start;
        std::size_t steps = 0;
        while (id != kEndOfChain && out.size() < limit) {
            if (id >= table.size() || ++steps > mini.size() / size) Fail(kTruncated);
            const std::size_t offset = std::size_t(id) * size;
            if (offset + size > mini.size()) Fail(kTruncated);
            out.insert(out.end(), mini.begin() + std::ptrdiff_t(offset), mini.begin() + std::ptrdiff_t(offset + size));
            id = table[id];
        }
        return out;
    }

    const std::vector<std::uint8_t>& bytes_;
    std::size_t sectorSize_ = 512;
    std::uint32_t cutoff_ = 4096;
    std::uint32_t miniFatStart_ = kEndOfChain;
    std::vector<std::uint32_t> fat_;
    std::vector<Entry> entries_;
};

// ---- BIFF records ----------------------------------------------------------------------------------

enum : std::uint16_t {
    kFormula = 0x0006, kEof = 0x000A, kDateMode = 0x0022, kFilePass = 0x002F, kContinue = 0x003C,
    kWindow1 = 0x003D, kCodePage = 0x0042, kBoundSheet = 0x0085, kMulRk = 0x00BD, kRString = 0x00D6,
    kXf = 0x00E0, kSst = 0x00FC, kLabelSst = 0x00FD, kNumber = 0x0203, kLabel = 0x0204, kBoolErr = 0x0205,
    kString = 0x0207, kRk = 0x027E, kFormat = 0x041E, kFormat2 = 0x001E, kBof = 0x0809,
    kBof2 = 0x0009, kBof3 = 0x0209, kBof4 = 0x0409, kXf2 = 0x0043, kXf3 = 0x0243, kXf4 = 0x0443
};

struct Record {
    std::uint16_t type = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

class RecordReader {
public:
    RecordReader(const std::vector<std::uint8_t>& stream, std::size_t at) : s_(stream), at_(at) {}
    // The next record; false at the end of the stream. A record cut short raises.
    bool Next(Record& r) {
        if (at_ + 4 > s_.size()) return false;
        r.type = U16(s_.data() + at_);
        r.size = U16(s_.data() + at_ + 2);
        if (at_ + 4 + r.size > s_.size()) Fail(kTruncated);
        r.data = s_.data() + at_ + 4;
        at_ += 4 + r.size;
        return true;
    }
    // The record after the current one, without moving (type 0 when there is none).
    std::uint16_t PeekType() const { return at_ + 4 <= s_.size() ? U16(s_.data() + at_) : 0; }

private:
    const std::vector<std::uint8_t>& s_;
    std::size_t at_;
};

// Reads a string of BIFF8 (a length, option flags, characters, rich-text runs and phonetic data)
// from one or more pieces of record data: a record and its CONTINUE records. Where the characters
// go on in a new piece, that piece starts with a new option byte.
class PieceReader {
public:
    void Add(const std::uint8_t* p, std::size_t n) { pieces_.push_back({p, n}); }
    bool AtEnd() {
        Skip0();
        return piece_ >= pieces_.size();
    }
    std::uint8_t Byte() {
        Skip0();
        if (piece_ >= pieces_.size()) Fail(kTruncated);
        return pieces_[piece_].p[off_++];
    }
    std::uint16_t Word() {
        const std::uint8_t a = Byte();
        return static_cast<std::uint16_t>(a | (Byte() << 8));
    }
    std::uint32_t Dword() {
        const std::uint32_t a = Word();
        return a | (std::uint32_t(Word()) << 16);
    }
    void SkipBytes(std::size_t n) {
        while (n > 0) {
            Skip0();
            if (piece_ >= pieces_.size()) Fail(kTruncated);
            const std::size_t take = std::min(n, pieces_[piece_].n - off_);
            off_ += take;
            n -= take;
        }
    }
    // A string whose character count is a byte (`shortLength`) or a word.
    String UnicodeString(bool shortLength) {
        const std::size_t count = shortLength ? Byte() : Word();
        std::uint8_t flags = Byte();
        std::size_t runs = 0, ext = 0;
        if (flags & 0x08) runs = Word();
        if (flags & 0x04) ext = Dword();
        std::vector<std::uint16_t> units;
        units.reserve(count);
        while (units.size() < count) {
            if (off_ >= Current().n) {
                // The characters go on in the next piece, which starts with its own option byte.
                NextPiece();
                flags = Byte();
            }
            units.push_back((flags & 0x01) ? Word() : Byte());
        }
        SkipBytes(runs * 4);
        SkipBytes(ext);
        return Utf16UnitsToUtf8(units);
    }

private:
    struct Piece {
        const std::uint8_t* p;
        std::size_t n;
    };
    const Piece& Current() {
        if (piece_ >= pieces_.size()) Fail(kTruncated);
        return pieces_[piece_];
    }
    void NextPiece() {
        ++piece_;
        off_ = 0;
        if (piece_ >= pieces_.size()) Fail(kTruncated);
    }
    void Skip0() {
        while (piece_ < pieces_.size() && off_ >= pieces_[piece_].n) {
            ++piece_;
            off_ = 0;
        }
    }
    std::vector<Piece> pieces_;
    std::size_t piece_ = 0;
    std::size_t off_ = 0;
};

String RecordString(const Record& r, std::size_t at, bool shortLength) {
    if (at > r.size) Fail(kTruncated);
    PieceReader reader;
    reader.Add(r.data + at, r.size - at);
    return reader.UnicodeString(shortLength);
}

// An 8-bit string with a byte or word length (BIFF5, the grid's export).
String RecordAnsiString(const Record& r, std::size_t at, bool shortLength, int codePage) {
    const std::size_t head = shortLength ? 1 : 2;
    if (at + head > r.size) Fail(kTruncated);
    const std::size_t n = shortLength ? r.data[at] : U16(r.data + at);
    if (at + head + n > r.size) Fail(kTruncated);
    return AnsiToUtf8(r.data + at + head, n, codePage);
}

double RkValue(std::uint32_t rk) {
    double value;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

const char* ErrorText(std::uint8_t code) {
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    default: return "#N/A";
    }
}

// What the globals tell the sheets.
struct Globals {
    bool biff8 = true;
    bool date1904 = false;
    int codePage = 936;
    std::vector<String> sst;
    std::map<int, String> formats;
    std::vector<int> xfFormats;  // number format of each XF
    struct Sheet {
        String name;
        std::uint32_t offset;
    };
    std::vector<Sheet> sheets;
    int activeSheet = 0;

    String FormatOfXf(std::size_t xf) const {
        if (xf >= xfFormats.size()) return String();
        const int index = xfFormats[xf];
        const auto found = formats.find(index);
        return found != formats.end() ? found->second : BuiltinNumberFormat(index);
    }
};

void PutCell(TWorkbookSheet& sheet, std::uint32_t row, std::uint32_t col, TWorkbookCell cell) {
    if (row >= kWorkbookMaxRows || col >= kWorkbookMaxColumns) return;
    sheet.RowCount = std::max(sheet.RowCount, row + 1);
    sheet.ColumnCount = std::max(sheet.ColumnCount, col + 1);
    sheet.Cells[{row, col}] = std::move(cell);
}

TWorkbookCell NumberCell(const Globals& g, std::size_t xf, double value) {
    TWorkbookCell cell;
    cell.IsNumber = true;
    cell.Number = value;
    cell.Text = FormatWorkbookNumber(value, g.FormatOfXf(xf), g.date1904);
    return cell;
}

TWorkbookCell TextCell(String text) {
    TWorkbookCell cell;
    cell.Text = std::move(text);
    return cell;
}

// The cells of the worksheet substream that starts at `offset` (at its BOF record).
void ReadSheet(const std::vector<std::uint8_t>& stream, std::size_t offset, const Globals& g, TWorkbookSheet& sheet) {
    RecordReader reader(stream, offset);
    Record r;
    int depth = 0;
    bool pendingString = false;
    std::uint32_t pendingRow = 0, pendingCol = 0;
    while (reader.Next(r)) {
        auto need = [&](std::size_t n) {
            if (r.size < n) Fail(kTruncated);
        };
        switch (r.type) {
        case kBof:
        case kBof2:
        case kBof3:
        case kBof4:
            ++depth;
            break;
        case kEof:
            if (--depth <= 0) return;
            break;
        case kFilePass:
            Fail(kEncrypted);
        default:
            break;
        }
        if (depth != 1) continue;  // an embedded chart
        switch (r.type) {
        case kLabelSst: {
            need(10);
            const std::uint32_t index = U32(r.data + 6);
            PutCell(sheet, U16(r.data), U16(r.data + 2), TextCell(index < g.sst.size() ? g.sst[index] : String()));
            break;
        }
        case kLabel:
        case kRString:
            need(8);
            PutCell(sheet, U16(r.data), U16(r.data + 2),
                    TextCell(g.biff8 ? RecordString(r, 6, false) : RecordAnsiString(r, 6, false, g.codePage)));
            break;
        case kNumber:
            need(14);
            PutCell(sheet, U16(r.data), U16(r.data + 2), NumberCell(g, U16(r.data + 4), F64(r.data + 6)));
            break;
        case kRk:
            need(10);
            PutCell(sheet, U16(r.data), U16(r.data + 2), NumberCell(g, U16(r.data + 4), RkValue(U32(r.data + 6))));
            break;
        case kMulRk: {
            need(6);
            const std::uint32_t row = U16(r.data);
            const std::uint32_t first = U16(r.data + 2);
            const std::size_t count = (r.size - 6) / 6;
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint8_t* p = r.data + 4 + 6 * i;
                PutCell(sheet, row, first + std::uint32_t(i), NumberCell(g, U16(p), RkValue(U32(p + 2))));
            }
            break;
        }
        case kBoolErr: {
            need(8);
            TWorkbookCell cell;
            if (r.data[7]) {
                cell.Text = ErrorText(r.data[6]);
            } else {
                cell.IsNumber = true;
                cell.Number = r.data[6] ? 1 : 0;
                cell.Text = r.data[6] ? "TRUE" : "FALSE";
            }
            PutCell(sheet, U16(r.data), U16(r.data + 2), cell);
            break;
        }
        case kFormula: {
            need(14);
            const std::uint32_t row = U16(r.data), col = U16(r.data + 2);
            const std::uint8_t* result = r.data + 6;
            if (U16(result + 6) != 0xFFFF) {
                PutCell(sheet, row, col, NumberCell(g, U16(r.data + 4), F64(result)));
            } else if (result[0] == 0) {
                // The text follows in a STRING record.
                pendingString = true;
                pendingRow = row;
                pendingCol = col;
            } else if (result[0] == 1) {
                TWorkbookCell cell;
                cell.IsNumber = true;
                cell.Number = result[2] ? 1 : 0;
                cell.Text = result[2] ? "TRUE" : "FALSE";
                PutCell(sheet, row, col, cell);
            } else if (result[0] == 2) {
                PutCell(sheet, row, col, TextCell(ErrorText(result[2])));
            }
            break;
        }
        case kString:
            if (pendingString) {
                PutCell(sheet, pendingRow, pendingCol,
                        TextCell(g.biff8 ? RecordString(r, 0, false) : RecordAnsiString(r, 0, false, g.codePage)));
                pendingString = false;
            }
            break;
        default:
            break;
        }
    }
    // A sheet without its end record: the file was cut short.
    Fail(kTruncated);
}

// The workbook globals of a BIFF5/BIFF8 workbook stream, then its worksheets.
TWorkbook ReadWorkbookStream(const std::vector<std::uint8_t>& stream) {
    RecordReader reader(stream, 0);
    Record r;
    if (!reader.Next(r) || r.type != kBof || r.size < 4) Fail(kNotWorkbook);
    Globals g;
    const std::uint16_t version = U16(r.data);
    const std::uint16_t kind = U16(r.data + 2);
    g.biff8 = version == 0x0600;
    if (kind == 0x0010) {
        // A bare worksheet stream (the grid's own export): one sheet of 8-bit text, no formats.
        g.biff8 = false;
        TWorkbook book;
        book.Sheets.emplace_back();
        book.Sheets[0].Name = "Sheet1";
        ReadSheet(stream, 0, g, book.Sheets[0]);
        return book;
    }
    if (kind != 0x0005) Fail(kNotWorkbook);
    bool ended = false;
    while (!ended && reader.Next(r)) {
        switch (r.type) {
        case kFilePass:
            Fail(kEncrypted);
        case kCodePage:
            if (r.size >= 2) g.codePage = U16(r.data);
            break;
        case kDateMode:
            if (r.size >= 2) g.date1904 = U16(r.data) == 1;
            break;
        case kWindow1:
            if (r.size >= 12) g.activeSheet = U16(r.data + 10);
            break;
        case kFormat:
        case kFormat2:
            if (r.size >= 3) {
                const int index = U16(r.data);
                g.formats[index] = g.biff8 ? RecordString(r, 2, false) : RecordAnsiString(r, 2, true, g.codePage);
            }
            break;
        case kXf:
            if (r.size >= 4) g.xfFormats.push_back(U16(r.data + 2));
            break;
        case kSst: {
            if (r.size < 8) Fail(kTruncated);
            const std::uint32_t count = U32(r.data + 4);
            PieceReader pieces;
            pieces.Add(r.data + 8, r.size - 8);
            while (reader.PeekType() == kContinue && reader.Next(r)) pieces.Add(r.data, r.size);
            for (std::uint32_t i = 0; i < count && !pieces.AtEnd(); ++i) g.sst.push_back(pieces.UnicodeString(false));
            break;
        }
        case kBoundSheet:
            if (r.size >= 7) {
                const std::uint32_t offset = U32(r.data);
                const std::uint8_t type = r.data[5];
                const String name = g.biff8 ? RecordString(r, 6, true) : RecordAnsiString(r, 6, true, g.codePage);
                if (type == 0) g.sheets.push_back({name, offset});
            }
            break;
        case kEof:
            ended = true;
            break;
        default:
            break;
        }
    }
    if (!ended) Fail(kTruncated);
    if (g.sheets.empty()) Fail(kNoSheet);
    TWorkbook book;
    for (const Globals::Sheet& s : g.sheets) {
        if (s.offset >= stream.size()) Fail(kTruncated);
        TWorkbookSheet sheet;
        sheet.Name = s.name;
        ReadSheet(stream, s.offset, g, sheet);
        book.Sheets.push_back(std::move(sheet));
    }
    book.ActiveSheet = g.activeSheet < int(book.Sheets.size()) ? g.activeSheet : 0;
    return book;
}

// ---- Number formats --------------------------------------------------------------------------------

// Splits a format into its sections at ';' outside quotes and brackets.
std::vector<String> Sections(const String& format) {
    std::vector<String> out(1);
    bool quoted = false;
    int bracket = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '"') quoted = !quoted;
        if (!quoted && c == '[') ++bracket;
        if (!quoted && c == ']' && bracket > 0) --bracket;
        if (!quoted && bracket == 0 && c == '\\' && i + 1 < format.size()) {
            out.back() += format.substr(i, 2);
            ++i;
            continue;
        }
        if (!quoted && bracket == 0 && c == ';') {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    return out;
}

// One token of a section: a quoted literal or a single (possibly multi-byte) character.
struct Token {
    bool literal = false;
    String text;
};

std::size_t Utf8CharLength(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c >> 5) == 6) return 2;
    if ((c >> 4) == 14) return 3;
    if ((c >> 3) == 30) return 4;
    return 1;
}

// The tokens of a section: brackets become their currency symbol or go, escapes and quotes become
// literals, "_x" a blank, "*x" nothing.
std::vector<Token> Tokens(const String& section, bool& elapsedHours) {
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < section.size();) {
        const char c = section[i];
        if (c == '"') {
            const std::size_t end = section.find('"', i + 1);
            const std::size_t stop = end == String::npos ? section.size() : end;
            tokens.push_back({true, section.substr(i + 1, stop - i - 1)});
            i = stop + 1;
        } else if (c == '\\' && i + 1 < section.size()) {
            const std::size_t n = Utf8CharLength(static_cast<unsigned char>(section[i + 1]));
            tokens.push_back({true, section.substr(i + 1, n)});
            i += 1 + n;
        } else if (c == '_' && i + 1 < section.size()) {
            tokens.push_back({true, " "});
            i += 1 + Utf8CharLength(static_cast<unsigned char>(section[i + 1]));
        } else if (c == '*' && i + 1 < section.size()) {
            i += 1 + Utf8CharLength(static_cast<unsigned char>(section[i + 1]));
        } else if (c == '[') {
            const std::size_t end = section.find(']', i);
            const std::size_t stop = end == String::npos ? section.size() : end;
            const String inside = section.substr(i + 1, stop - i - 1);
            if (!inside.empty() && inside[0] == '$') {
                const std::size_t dash = inside.find('-');
                const String symbol = inside.substr(1, dash == String::npos ? String::npos : dash - 1);
                if (!symbol.empty()) tokens.push_back({true, symbol});
            } else if (!inside.empty() && (inside[0] == 'h' || inside[0] == 'H')) {
                elapsedHours = true;
                tokens.push_back({false, "h"});
            } else if (!inside.empty() && (inside[0] == 'm' || inside[0] == 'M' || inside[0] == 's' || inside[0] == 'S')) {
                tokens.push_back({false, inside.substr(0, 1)});
            }
            i = stop + 1;
        } else {
            const std::size_t n = Utf8CharLength(static_cast<unsigned char>(c));
            tokens.push_back({false, section.substr(i, n)});
            i += n;
        }
    }
    return tokens;
}

bool StartsWithNoCase(const std::vector<Token>& t, std::size_t i, const char* word) {
    for (std::size_t k = 0; word[k]; ++k)
        if (i + k >= t.size() || t[i + k].literal || t[i + k].text.size() != 1 ||
            std::tolower(static_cast<unsigned char>(t[i + k].text[0])) != std::tolower(static_cast<unsigned char>(word[k])))
            return false;
    return true;
}

bool IsDateLetter(const Token& t) {
    if (t.literal || t.text.size() != 1) return false;
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(t.text[0])));
    return c == 'y' || c == 'm' || c == 'd' || c == 'h' || c == 's';
}

bool IsGeneral(const String& section) {
    String t = Trim(section);
    return t.empty() || SameText(t, "General") || t == "@" || SameText(t, "G/通用格式");
}

String Quote(const String& text) {
    String out = "\"";
    for (char c : text) out += c == '"' ? String("\"\"") : String(1, c);
    return out + "\"";
}

String GeneralText(double value) {
    if (std::isnan(value)) return "#NUM!";
    if (std::isinf(value)) return "#NUM!";
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
        return buffer;
    }
    TFormatSettings settings;
    settings.DecimalSeparator = '.';
    return FloatToStr(value, settings);
}

// A date/time section as the platform's date format.
String DateText(double value, const std::vector<Token>& t, bool date1904, bool elapsedHours) {
    if (value < 0 || value > 2958465.99999) return GeneralText(value);
    double serial = value + (date1904 ? 1462 : 0);
    if (!date1904 && serial < 61 && serial >= 1) serial += 1;  // the 1900 system's missing leap day
    String out;
    bool afterHour = false;
    for (std::size_t i = 0; i < t.size();) {
        if (t[i].literal) {
            out += Quote(t[i].text);
            ++i;
            continue;
        }
        if (StartsWithNoCase(t, i, "am/pm")) {
            // Written in the format's own letter case.
            for (std::size_t k = 0; k < 5; ++k) out += t[i + k].text;
            i += 5;
            continue;
        }
        if (StartsWithNoCase(t, i, "a/p")) {
            out += "a/p";
            i += 3;
            continue;
        }
        if (t[i].text == "上" && i + 4 < t.size() && t[i + 1].text == "午" && t[i + 2].text == "/") {
            out += "ampm";
            i += 5;
            continue;
        }
        if (!IsDateLetter(t[i])) {
            if (t[i].text == "." && i + 1 < t.size() && t[i + 1].text == "0") {
                // Fractions of a second are not shown.
                ++i;
                while (i < t.size() && t[i].text == "0") ++i;
                continue;
            }
            out += Quote(t[i].text);
            ++i;
            continue;
        }
        const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(t[i].text[0])));
        std::size_t n = 0;
        while (i + n < t.size() && !t[i + n].literal && t[i + n].text.size() == 1 &&
               std::tolower(static_cast<unsigned char>(t[i + n].text[0])) == letter)
            ++n;
        switch (letter) {
        case 'y': out += n >= 3 ? "yyyy" : "yy"; break;
        case 'd': out += String(std::min<std::size_t>(n, 4), 'd'); break;
        case 'h': out += n >= 2 ? "hh" : "h"; afterHour = true; break;
        case 's': out += n >= 2 ? "ss" : "s"; break;
        case 'm': {
            bool minute = afterHour && n <= 2;
            if (!minute && n <= 2) {
                // Minutes also when seconds follow.
                for (std::size_t k = i + n; k < t.size(); ++k) {
                    if (!IsDateLetter(t[k])) continue;
                    minute = std::tolower(static_cast<unsigned char>(t[k].text[0])) == 's';
                    break;
                }
            }
            out += minute ? String(n, 'n') : String(std::min<std::size_t>(n, 4), 'm');
            afterHour = false;
            break;
        }
        }
        if (letter != 'h' && letter != 'm') afterHour = false;
        i += n;
    }
    TFormatSettings settings;
    settings.DateSeparator = '/';
    settings.TimeSeparator = ':';
    String text = FormatDateTime(out, TDateTime(serial), settings);
    if (elapsedHours) {
        // [h]: the whole hours, days included.
        const long long hours = static_cast<long long>(std::floor(value * 24 + 1e-9));
        const std::size_t pos = text.find(':');
        text = std::to_string(hours) + (pos == String::npos ? String() : text.substr(pos));
    }
    return text;
}

// A number section as the platform's picture format.
String NumberPicture(const std::vector<Token>& t, int& percents) {
    String out;
    for (const Token& token : t) {
        if (token.literal) {
            out += Quote(token.text);
        } else if (token.text == "%") {
            ++percents;
            out += Quote("%");
        } else if (token.text == "?") {
            out += '#';
        } else if (token.text == "0" || token.text == "#" || token.text == "." || token.text == "," ||
                   token.text == "E" || token.text == "e" || token.text == "+" || token.text == "-") {
            out += token.text;
        } else {
            out += Quote(token.text);
        }
    }
    return out;
}

}  // namespace

// ---- Public ----------------------------------------------------------------------------------------

String TWorkbookSheet::Text(std::uint32_t row, std::uint32_t column) const {
    const auto found = Cells.find({row, column});
    return found == Cells.end() ? String() : found->second.Text;
}

String BuiltinNumberFormat(int index) {
    switch (index) {
    case 1: return "0";
    case 2: return "0.00";
    case 3: return "#,##0";
    case 4: return "#,##0.00";
    case 9: return "0%";
    case 10: return "0.00%";
    case 11: return "0.00E+00";
    case 14: return "yyyy/m/d";
    case 15: return "d-mmm-yy";
    case 16: return "d-mmm";
    case 17: return "mmm-yy";
    case 18: return "h:mm AM/PM";
    case 19: return "h:mm:ss AM/PM";
    case 20: return "h:mm";
    case 21: return "h:mm:ss";
    case 22: return "yyyy/m/d h:mm";
    case 27: case 36: case 50: case 57: return "yyyy\"年\"m\"月\"";
    case 28: case 29: case 54: case 58: return "m\"月\"d\"日\"";
    case 30: return "m-d-yy";
    case 31: return "yyyy\"年\"m\"月\"d\"日\"";
    case 32: return "h\"时\"mm\"分\"";
    case 33: return "h\"时\"mm\"分\"ss\"秒\"";
    case 37: return "#,##0 ;(#,##0)";
    case 38: return "#,##0 ;[Red](#,##0)";
    case 39: return "#,##0.00;(#,##0.00)";
    case 40: return "#,##0.00;[Red](#,##0.00)";
    case 45: return "mm:ss";
    case 46: return "[h]:mm:ss";
    case 47: return "mm:ss.0";
    case 48: return "##0.0E+0";
    case 49: return "@";
    default: return String();
    }
}

String FormatWorkbookNumber(double value, const String& format, bool date1904) {
    if (std::isnan(value) || std::isinf(value)) return "#NUM!";
    const std::vector<String> sections = Sections(format);
    std::size_t chosen = 0;
    if (value < 0 && sections.size() >= 2 && !Trim(sections[1]).empty()) chosen = 1;
    else if (value == 0 && sections.size() >= 3 && !Trim(sections[2]).empty()) chosen = 2;
    if (IsGeneral(sections[chosen])) return GeneralText(value);
    bool elapsed = false;
    const std::vector<Token> tokens = Tokens(sections[chosen], elapsed);
    bool date = false;
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (IsDateLetter(tokens[i]) || StartsWithNoCase(tokens, i, "am/pm")) date = true;
    if (date) return DateText(chosen == 1 ? -value : value, tokens, date1904, elapsed);
    // A number: the chosen section alone, the sign written by the first section only.
    int percents = 0;
    String picture = NumberPicture(tokens, percents);
    double shown = chosen == 1 ? -value : value;
    for (int i = 0; i < percents; ++i) shown *= 100;
    bool hasDigit = false;
    for (const Token& token : tokens) hasDigit = hasDigit || (!token.literal && (token.text == "0" || token.text == "#" || token.text == "?"));
    TFormatSettings settings;
    settings.DecimalSeparator = '.';
    settings.ThousandSeparator = ',';
    if (!hasDigit) {
        // Only text: the literal as it is.
        String text;
        for (const Token& token : tokens) text += token.text;
        return text;
    }
    // The platform's sections pick by sign themselves; a chosen negative section is shown unsigned.
    return FormatFloat(picture, shown, settings);
}

TWorkbook ReadWorkbook(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' && bytes[2] == 3 && bytes[3] == 4) Fail(kNewFormat);
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kCompoundSignature, 8) == 0) {
        CompoundFile file(bytes);
        if (file.Has("EncryptionInfo") || file.Has("EncryptedPackage")) Fail(kEncrypted);
        std::vector<std::uint8_t> stream;
        if (!file.Stream("Workbook", stream) && !file.Stream("Book", stream)) Fail(kNotWorkbook);
        return ReadWorkbookStream(stream);
    }
    if (bytes.size() >= 4 && (U16(bytes.data()) == kBof || U16(bytes.data()) == kBof2 ||
                              U16(bytes.data()) == kBof3 || U16(bytes.data()) == kBof4))
        return ReadWorkbookStream(bytes);
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), kCompoundSignature, std::min<std::size_t>(bytes.size(), 8)) == 0)
        Fail(kTruncated);
    Fail(kNotWorkbook);
}

TWorkbook ReadWorkbookFile(const String& path) {
    std::ifstream in(Utf8ToPath(path), std::ios::binary);
    if (!in) throw EWorkbookError("无法打开文件“" + path + "”。");
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EWorkbookError("无法读取文件“" + path + "”。");
    return ReadWorkbook(bytes);
}
