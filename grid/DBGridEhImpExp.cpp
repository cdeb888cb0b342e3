#include "DBGridEhImpExp.h"

#include "Currency.h"
#include "DBGridEhSelection.h"
#include "FormatSettings.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>

char CsvSeparator = ';';

AnsiString ExportTextBytes(const String& text) {
    AnsiString bytes = Utf8ToGbk(text);
    for (char& c : bytes)
        if (c == '\0') c = '?';
    return bytes;
}

namespace {

bool IsIntegerType(TFieldType type) {
    return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc;
}

String DisplayFormatOf(TField* field) {
    if (auto* f = dynamic_cast<TNumericField*>(field)) return f->DisplayFormat();
    return String();
}

// Restores the data set's row and controls when a walk ends, also by an exception.
class TWalkGuard {
public:
    explicit TWalkGuard(TDataSet* dataSet) : dataSet_(dataSet) {
        if (!dataSet_) return;
        dataSet_->DisableControls();
        if (dataSet_->Active() && !dataSet_->IsEmpty()) saved_ = dataSet_->Bookmark();
    }
    ~TWalkGuard() {
        if (!dataSet_) return;
        try {
            if (!saved_.empty() && dataSet_->Active() && dataSet_->BookmarkValid(saved_)) dataSet_->GotoBookmark(saved_);
        } catch (const Exception&) {
        }
        dataSet_->EnableControls();
    }
    TWalkGuard(const TWalkGuard&) = delete;
    TWalkGuard& operator=(const TWalkGuard&) = delete;

private:
    TDataSet* dataSet_;
    TBookmark saved_;
};

}  // namespace

// ---- The walk -----------------------------------------------------------------------------------------

TDBGridEhExport::TDBGridEhExport()
    : columns_(std::make_unique<TColumnsEhList>()), cellParams_(std::make_unique<TColCellParamsEh>()) {}

TDBGridEhExport::~TDBGridEhExport() = default;

void TDBGridEhExport::Flush() {
    if (pending_.empty()) return;
    stream_->WriteBuffer(pending_.data(), static_cast<std::int64_t>(pending_.size()));
    pending_.clear();
}

TDBGridEhWalkSelection TDBGridEhExport::CurrentSelection() const {
    if (Hooks.Selection) return Hooks.Selection();
    TDBGridEhWalkSelection walk;
    TDBGridEhSelection* selection = DBGridEh->Selection();
    if (!selection) return walk;
    walk.Type = selection->SelectionType();
    switch (walk.Type) {
    case gstRecordBookmarks: {
        TBookmarkListEh* rows = selection->Rows();
        for (int i = 0; i < rows->Count(); ++i) walk.Rows.push_back(rows->Items(i));
        break;
    }
    case gstRectangle:
        walk.LeftCol = selection->Rect()->LeftCol();
        walk.RightCol = selection->Rect()->RightCol();
        walk.TopRow = selection->Rect()->TopRow();
        walk.BottomRow = selection->Rect()->BottomRow();
        break;
    case gstColumns:
        for (int i = 0; i < selection->Columns()->Count(); ++i) walk.Columns.push_back(selection->Columns()->ColumnAt(i));
        break;
    default:
        break;
    }
    return walk;
}

void TDBGridEhExport::ChooseVisibleColumns() {
    columns_->Clear();
    TDBGridColumnsEh* all = DBGridEh->Columns();
    for (int i = 0; i < all->Count(); ++i)
        if (all->ColumnAt(i)->Visible()) columns_->Add(all->ColumnAt(i));
}

void TDBGridEhExport::ResetAccumulators() {
    footerValues_.assign(static_cast<std::size_t>(DBGridEh->FooterRowCount()) * columns_->Count(), 0);
}

std::int64_t TDBGridEhExport::FooterAccumulator(int footerRow, int colPos) const {
    const std::size_t i = static_cast<std::size_t>(footerRow) * columns_->Count() + colPos;
    return i < footerValues_.size() ? footerValues_[i] : 0;
}

TField* TDBGridEhExport::FooterField(TColumnFooterEh* footer, TColumnEh* column) const {
    TDataSet* ds = DBGridEh->DataSet();
    const String& name = footer->FieldName().empty() ? column->FieldName() : footer->FieldName();
    return ds && !name.empty() ? ds->FindField(name) : nullptr;
}

void TDBGridEhExport::Accumulate() {
    const int count = columns_->Count();
    for (int row = 0; row < DBGridEh->FooterRowCount(); ++row)
        for (int i = 0; i < count; ++i) {
            TColumnEh* column = columns_->ColumnAt(i);
            TColumnFooterEh* footer = column->FooterForRow(row);
            if (!footer) continue;
            const TFooterValueType type = footer->ValueType();
            if (type != fvtSum && type != fvtCount) continue;
            TField* field = FooterField(footer, column);
            if (!field) continue;
            std::int64_t& value = footerValues_[static_cast<std::size_t>(row) * count + i];
            if (type == fvtCount) {
                value += Currency::Scale;
            } else if (!field->IsNull()) {
                // A value that cannot be read as a number counts as Null.
                try {
                    value += Currency(field->AsFloat()).Raw();
                } catch (const Exception&) {
                }
            }
        }
}

String TDBGridEhExport::ExportFooterText(TColumnFooterEh* footer, TColumnEh* column, int footerRow, int colPos) const {
    const Currency value = Currency::FromRaw(FooterAccumulator(footerRow, colPos));
    if (footer->ValueType() == fvtCount) return FloatToStrF(value.ToDouble(), ffGeneral, 15, 0);
    TField* field = FooterField(footer, column);
    if (!field) return String();
    const TFieldType type = field->DataType();
    const String& format = DisplayFormatOf(field);
    if (IsIntegerType(type)) {
        if (!format.empty()) return FormatFloat(format, value.ToDouble());
        return std::to_string(static_cast<long long>(std::nearbyint(value.ToDouble())));
    }
    if (type == ftFloat || type == ftCurrency) {
        if (!format.empty()) return FormatFloat(format, value.ToDouble());
        auto* f = dynamic_cast<TFloatField*>(field);
        const bool money = f && f->Currency();
        return FloatToStrF(value.ToDouble(), money ? ffCurrency : ffGeneral, f ? f->Precision() : 15,
                           money ? FormatSettings.CurrencyDecimals : 0);
    }
    if (type == ftBCD || type == ftFMTBcd) {
        if (!format.empty()) return FormatCurr(format, value);
        auto* f = dynamic_cast<TBCDField*>(field);
        const bool money = f && f->Currency();
        return CurrToStrF(value, money ? ffCurrency : ffGeneral, money ? FormatSettings.CurrencyDecimals : 0);
    }
    return String();
}

// The column's cell parameters; a value the field cannot show (text in a number field) goes as the
// text the data set holds, so that one such value does not stop the export.
static void FillCellParams(TColumnEh* column, TColCellParamsEh* params) {
    try {
        column->FillColCellParams(params);
    } catch (const Exception&) {
        params->Row = -1;
        params->Col = -1;
        params->State = TGridDrawState();
        params->Font()->Assign(column->Font());
        params->Background = column->Color();
        params->Alignment = column->Alignment();
        params->ImageIndex = -1;
        params->CheckboxState = cbUnchecked;
        params->Text.clear();
        try {
            if (TField* field = column->Field()) params->Text = VarToStr(field->Value());
        } catch (const Exception&) {
        }
    }
}

void TDBGridEhExport::EmitRecord(TColumnsEhList* columns) {
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* column = columns->ColumnAt(i);
        TColCellParamsEh* params = cellParams_.get();
        FillCellParams(column, params);
        TColor background = column->Color();
        if (Hooks.GetCellParams) Hooks.GetCellParams(column, params->Font(), background, TGridDrawState());
        column->GetCellParams(false, params);
        params->Background = background;
        EmitDataCell(column, params);
    }
}

void TDBGridEhExport::EmitFooter(TColumnsEhList* columns, int footerRow) {
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* column = columns->ColumnAt(i);
        TColumnFooterEh* footer = column->FooterForRow(footerRow);
        std::unique_ptr<TCustomFont> font = NewFont();
        TColor background = DBGridEh->FooterColor();
        TAlignment alignment = taLeftJustify;
        String text;
        if (footer) {
            font->Assign(footer->Font());
            background = footer->Color();
            alignment = footer->Alignment();
            const TFooterValueType type = footer->ValueType();
            text = type == fvtSum || type == fvtCount ? ExportFooterText(footer, column, footerRow, i)
                                                      : DBGridEh->GetFooterValueText(footerRow, column);
        } else {
            font->Assign(DBGridEh->FooterFont());
        }
        if (Hooks.GetFooterParams)
            Hooks.GetFooterParams(column->Index(), footerRow, column, font.get(), background, alignment, TGridDrawState(),
                                  text);
        EmitFooterCell(i, footerRow, text, alignment, background, font.get(), column);
    }
}

void TDBGridEhExport::EmitFooters() {
    for (int row = 0; row < DBGridEh->FooterRowCount(); ++row) EmitFooter(columns_.get(), row);
}

void TDBGridEhExport::ExportStream(TStream* stream, bool all) {
    stream_ = stream;
    pending_.clear();
    try {
        Walk(all);
    } catch (...) {
        pending_.clear();
        throw;
    }
    Flush();
}

void TDBGridEhExport::Walk(bool all) {
    TDBGridEhWalkSelection selection;
    if (all)
        selection.Type = gstAll;
    else
        selection = CurrentSelection();
    if (selection.Type == gstNon) return;

    TDataSet* ds = DBGridEh->DataSet();
    const bool titles = DBGridEh->Options().Contains(dgTitles);
    {
        TWalkGuard guard(ds);
        const bool rows = ds && ds->Active();
        switch (selection.Type) {
        case gstRecordBookmarks:
            ChooseVisibleColumns();
            ResetAccumulators();
            EmitPrefix();
            if (titles) EmitTitle(columns_.get());
            for (const TBookmark& bookmark : selection.Rows) {
                if (!rows) break;
                ds->GotoBookmark(bookmark);
                Accumulate();
                EmitRecord(columns_.get());
            }
            EmitFooters();
            break;
        case gstRectangle: {
            columns_->Clear();
            TDBGridColumnsEh* all = DBGridEh->Columns();
            for (int i = std::max(selection.LeftCol, 0); i <= selection.RightCol && i < all->Count(); ++i)
                if (all->ColumnAt(i)->Visible()) columns_->Add(all->ColumnAt(i));
            ResetAccumulators();
            EmitPrefix();
            if (titles) EmitTitle(columns_.get());
            if (rows && !selection.TopRow.empty()) {
                ds->GotoBookmark(selection.TopRow);
                while (!ds->Eof()) {
                    EmitRecord(columns_.get());
                    Accumulate();
                    if (ds->CompareBookmarks(ds->Bookmark(), selection.BottomRow) == 0) break;
                    ds->Next();
                }
            }
            EmitFooters();
            break;
        }
        case gstColumns:
        case gstAll:
            if (selection.Type == gstColumns) {
                columns_->Clear();
                for (TColumnEh* column : selection.Columns) columns_->Add(column);
            } else {
                ChooseVisibleColumns();
            }
            ResetAccumulators();
            EmitPrefix();
            if (titles) EmitTitle(columns_.get());
            if (rows) {
                ds->First();
                while (!ds->Eof()) {
                    EmitRecord(columns_.get());
                    Accumulate();
                    ds->Next();
                }
            }
            EmitFooters();
            break;
        case gstNon:
            break;
        }
    }
    EmitSuffix();
}

void TDBGridEhExport::ExportFile(const String& fileName, bool all) {
    namespace fs = std::filesystem;
    const fs::path target = Utf8ToPath(fileName);
    fs::path temporary = target;
    temporary += ".part";
    try {
        {
            TFileStream file(PathToUtf8(temporary), fmCreate);
            ExportStream(&file, all);
        }
        std::error_code error;
        fs::rename(temporary, target, error);
        if (error)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + error.message());
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
}

// ---- Tab-separated text --------------------------------------------------------------------------------

void TDBGridEhExportAsText::ExportStream(TStream* stream, bool all) {
    firstRecord_ = true;
    TDBGridEhExport::ExportStream(stream, all);
}

void TDBGridEhExportAsText::StartRow() {
    if (!firstRecord_) WriteBytes("\r\n", 2);
    firstRecord_ = false;
}

void TDBGridEhExportAsText::StartCell() {
    if (!firstCell_) WriteBytes("\t", 1);
    firstCell_ = false;
}

static AnsiString Quoted(const AnsiString& bytes) {
    AnsiString out = "\"";
    // Double quotes never occur inside a GBK double-byte character, so a byte scan is enough.
    for (char c : bytes) {
        out += c;
        if (c == '"') out += '"';
    }
    out += '"';
    return out;
}

AnsiString TDBGridEhExportAsText::CellBytes(const String& text) const {
    AnsiString bytes = ExportTextBytes(text);
    const bool quote = bytes.find_first_of("\t\r\n") != AnsiString::npos || (!bytes.empty() && bytes[0] == '"');
    return quote ? Quoted(bytes) : bytes;
}

void TDBGridEhExportAsText::EmitTitle(TColumnsEhList* columns) {
    StartRow();
    firstCell_ = true;
    for (int i = 0; i < columns->Count(); ++i) {
        StartCell();
        WriteBytes(CellBytes(columns->ColumnAt(i)->Title()->Caption()));
    }
}

void TDBGridEhExportAsText::EmitRecord(TColumnsEhList* columns) {
    StartRow();
    firstCell_ = true;
    TDBGridEhExport::EmitRecord(columns);
}

void TDBGridEhExportAsText::EmitDataCell(TColumnEh*, TColCellParamsEh* params) {
    StartCell();
    WriteBytes(CellBytes(params->Text));
}

void TDBGridEhExportAsText::EmitFooter(TColumnsEhList* columns, int footerRow) {
    StartRow();
    firstCell_ = true;
    TDBGridEhExport::EmitFooter(columns, footerRow);
}

void TDBGridEhExportAsText::EmitFooterCell(int, int, const String& text, TAlignment, TColor, TCustomFont*, TColumnEh*) {
    StartCell();
    WriteBytes(CellBytes(text));
}

// ---- CSV -------------------------------------------------------------------------------------------------

void TDBGridEhExportAsCSV::StartCell() {
    if (!firstCell_) WriteBytes(&separator_, 1);
    firstCell_ = false;
}

AnsiString TDBGridEhExportAsCSV::CellBytes(const String& text) const { return Quoted(ExportTextBytes(text)); }

void TDBGridEhExportAsCSV::EmitTitle(TColumnsEhList* columns) { TDBGridEhExportAsText::EmitTitle(columns); }

// ---- Excel worksheet ---------------------------------------------------------------------------------------

namespace {

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kGbkCodePage = 936;
constexpr std::int64_t kRkMin = -(std::int64_t{1} << 29);
constexpr std::int64_t kRkMax = (std::int64_t{1} << 29) - 1;

void PutU16(unsigned char* at, std::uint16_t value) {
    at[0] = static_cast<unsigned char>(value & 0xFF);
    at[1] = static_cast<unsigned char>(value >> 8);
}

}  // namespace

void TDBGridEhExportAsXLS::ExportStream(TStream* stream, bool all) {
    col_ = 0;
    row_ = 0;
    TDBGridEhExport::ExportStream(stream, all);
}

void TDBGridEhExportAsXLS::WriteRecordHeader(std::uint16_t type, std::uint16_t length) {
    unsigned char header[4];
    PutU16(header, type);
    PutU16(header + 2, length);
    WriteBytes(header, sizeof header);
}

void TDBGridEhExportAsXLS::EmitPrefix() {
    if (ExportedColumns()->Count() > kMaxColumns)
        throw EDBGridEhExportError("The Excel worksheet holds at most " + std::to_string(kMaxColumns) +
                                   " columns; the export has " + std::to_string(ExportedColumns()->Count()) + ".");
    static const unsigned char bof[] = {0x09, 0x08, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
    WriteBytes(bof, sizeof bof);
    // The code page of the labels, so that readers show Chinese text.
    WriteRecordHeader(kCodePage, 2);
    unsigned char page[2];
    PutU16(page, kGbkCodePage);
    WriteBytes(page, sizeof page);
}

void TDBGridEhExportAsXLS::EmitSuffix() { WriteRecordHeader(kEof, 0); }

void TDBGridEhExportAsXLS::CheckCellPosition() const {
    if (row_ >= kMaxRows)
        throw EDBGridEhExportError("The Excel worksheet holds at most " + std::to_string(kMaxRows) +
                                   " rows; the export has more. Select fewer rows.");
}

void TDBGridEhExportAsXLS::NextCell() {
    const int count = ExportedColumns()->Count();
    if (col_ >= count - 1) {
        ++row_;
        col_ = 0;
    } else {
        ++col_;
    }
}

void TDBGridEhExportAsXLS::WriteLabel(const String& text) {
    CheckCellPosition();
    // GBK never takes more bytes than UTF-8: only a long text needs the cut.
    AnsiString bytes =
        ExportTextBytes(text.size() <= static_cast<std::size_t>(kMaxLabelBytes) ? text : CutToGbkBytes(text, kMaxLabelBytes));
    if (bytes.size() > static_cast<std::size_t>(kMaxLabelBytes)) bytes.resize(kMaxLabelBytes);
    const auto n = static_cast<std::uint16_t>(bytes.size());
    WriteRecordHeader(kLabel, static_cast<std::uint16_t>(8 + n));
    unsigned char cell[8];
    PutU16(cell, static_cast<std::uint16_t>(row_));
    PutU16(cell + 2, static_cast<std::uint16_t>(col_));
    PutU16(cell + 4, 0);
    PutU16(cell + 6, n);
    WriteBytes(cell, sizeof cell);
    WriteBytes(bytes);
    NextCell();
}

void TDBGridEhExportAsXLS::WriteNumber(double value) {
    CheckCellPosition();
    WriteRecordHeader(kNumber, 14);
    unsigned char cell[14];
    PutU16(cell, static_cast<std::uint16_t>(row_));
    PutU16(cell + 2, static_cast<std::uint16_t>(col_));
    PutU16(cell + 4, 0);
    std::memcpy(cell + 6, &value, 8);  // little-endian on every target
    WriteBytes(cell, sizeof cell);
    NextCell();
}

void TDBGridEhExportAsXLS::WriteInteger(std::int64_t value) {
    // RK holds 30 bits; larger integers go as a NUMBER.
    if (value < kRkMin || value > kRkMax) {
        WriteNumber(static_cast<double>(value));
        return;
    }
    CheckCellPosition();
    WriteRecordHeader(kRk, 10);
    unsigned char cell[10];
    PutU16(cell, static_cast<std::uint16_t>(row_));
    PutU16(cell + 2, static_cast<std::uint16_t>(col_));
    PutU16(cell + 4, 0);
    const auto rk = static_cast<std::uint32_t>(static_cast<std::int32_t>(value) * 4 + 2);
    cell[6] = static_cast<unsigned char>(rk & 0xFF);
    cell[7] = static_cast<unsigned char>((rk >> 8) & 0xFF);
    cell[8] = static_cast<unsigned char>((rk >> 16) & 0xFF);
    cell[9] = static_cast<unsigned char>(rk >> 24);
    WriteBytes(cell, sizeof cell);
    NextCell();
}

void TDBGridEhExportAsXLS::WriteBlank() {
    CheckCellPosition();
    WriteRecordHeader(kBlank, 6);
    unsigned char cell[6];
    PutU16(cell, static_cast<std::uint16_t>(row_));
    PutU16(cell + 2, static_cast<std::uint16_t>(col_));
    PutU16(cell + 4, 0x0017);
    WriteBytes(cell, sizeof cell);
    NextCell();
}

void TDBGridEhExportAsXLS::EmitTitle(TColumnsEhList* columns) {
    for (int i = 0; i < columns->Count(); ++i) WriteLabel(columns->ColumnAt(i)->Title()->Caption());
}

void TDBGridEhExportAsXLS::EmitDataCell(TColumnEh* column, TColCellParamsEh* params) {
    TField* field = column->Field();
    if (!field) return WriteBlank();
    if (column->HasPickList() && column->HasKeyList()) return WriteLabel(params->Text);
    if (field->IsNull()) return WriteBlank();
    const TFieldType type = field->DataType();
    // A value the field cannot read as a number goes as its text.
    if (IsIntegerType(type)) {
        std::int64_t value;
        try {
            value = field->AsLargeInt();
        } catch (const Exception&) {
            return WriteLabel(params->Text);
        }
        return WriteInteger(value);
    }
    if (type == ftFloat || type == ftCurrency || type == ftBCD || type == ftFMTBcd) {
        double value;
        try {
            value = field->AsFloat();
        } catch (const Exception&) {
            return WriteLabel(params->Text);
        }
        return WriteNumber(value);
    }
    WriteLabel(params->Text);
}

void TDBGridEhExportAsXLS::EmitFooterCell(int colPos, int footerRow, const String& text, TAlignment, TColor,
                                          TCustomFont*, TColumnEh* column) {
    TColumnFooterEh* footer = column->FooterForRow(footerRow);
    if (footer && (footer->ValueType() == fvtSum || footer->ValueType() == fvtCount))
        return WriteNumber(Currency::FromRaw(FooterAccumulator(footerRow, colPos)).ToDouble());
    WriteLabel(text);
}

// ---- RTF ----------------------------------------------------------------------------------------------------

namespace {

// The code points of UTF-8 text (ill-formed bytes as U+FFFD).
std::vector<char32_t> CodePoints(const String& text) {
    std::vector<char32_t> out;
    const WideString wide = Utf8ToUtf16(text);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        }
        out.push_back(c);
    }
    return out;
}

String Utf8Of(char32_t c) { return Utf16ToUtf8(c < 0x10000 ? WideString(1, static_cast<char16_t>(c))
                                                            : WideString{static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                                                                         static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))}); }

}  // namespace

std::string TDBGridEhExportAsRTF::EscapeText(const String& text) {
    std::string out;
    const std::vector<char32_t> chars = CodePoints(text);
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const char32_t c = chars[i];
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\r') {
            if (i + 1 < chars.size() && chars[i + 1] == '\n') ++i;
            out += "\\line ";
        } else if (c == '\n') {
            out += "\\line ";
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c == 0) {
            out += '?';
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const AnsiString fallback = ExportTextBytes(Utf8Of(c));
            out += "\\uc" + std::to_string(fallback.size());
            auto unit = [&](char32_t u) { out += "\\u" + std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(u))); };
            if (c < 0x10000) {
                unit(c);
            } else {
                unit(0xD800 + ((c - 0x10000) >> 10));
                unit(0xDC00 + ((c - 0x10000) & 0x3FF));
            }
            for (unsigned char b : fallback) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\'%02x", b);
                out += hex;
            }
        }
    }
    return out;
}

void TDBGridEhExportAsRTF::Out(const std::string& text) { WriteBytes(text.data(), text.size()); }

int TDBGridEhExportAsRTF::ColorIndex(TColor color) {
    const auto rgb = static_cast<std::uint32_t>(ColorToRGB(color)) & 0xFFFFFF;
    for (std::size_t i = 0; i < colors_.size(); ++i)
        if (colors_[i] == rgb) return static_cast<int>(i);
    colors_.push_back(rgb);
    return static_cast<int>(colors_.size() - 1);
}

int TDBGridEhExportAsRTF::FontIndex(const String& name) {
    for (std::size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i] == name) return static_cast<int>(i);
    fonts_.push_back(name);
    return static_cast<int>(fonts_.size() - 1);
}

int TDBGridEhExportAsRTF::Spacing() const { return DBGridEh->Flat() ? 12 : 24; }

void TDBGridEhExportAsRTF::RowStart(TColumnsEhList* columns, const std::vector<TColor>& shading,
                                    const std::vector<unsigned>& borders) {
    Out("\\trowd\\trgaph40\r\n");
    const int dpi = Hooks.PixelsPerInch > 0 ? Hooks.PixelsPerInch : 96;
    long long right = 0;
    static const struct {
        unsigned bit;
        const char* word;
    } kSides[] = {{kLeft, "\\clbrdrl"}, {kTop, "\\clbrdrt"}, {kBottom, "\\clbrdrb"}, {kRight, "\\clbrdrr"}};
    for (int i = 0; i < columns->Count(); ++i) {
        right += static_cast<long long>(columns->ColumnAt(i)->Width()) * 1440 / dpi;
        const unsigned drawn = static_cast<std::size_t>(i) < borders.size() ? borders[i] : kAllBorders;
        for (const auto& side : kSides)
            if (drawn & side.bit) Out(std::string(side.word) + "\\brdrs\\brdrcf0\r\n");
        Out("\\clshdng10000\\clcfpat" + std::to_string(ColorIndex(shading[i])) + "\\cellx" + std::to_string(right) +
            "\r\n");
    }
    Out("{\\trrh0\r\n");
}

void TDBGridEhExportAsRTF::Cell(TAlignment alignment, TCustomFont* font, TColor background, const String& text,
                                int spacing) {
    const char* align = alignment == taRightJustify ? "\\qr" : alignment == taCenter ? "\\qc" : "\\ql";
    std::string out = std::string("\\pard\\intbl{") + align;
    if (spacing != kNoSpacing) {
        const String words = std::to_string(spacing < 0 ? Spacing() : spacing);
        out += "\\sb" + words + "\\sa" + words;
    }
    out += "\\fs" + std::to_string(font->Size() * 2);
    const TFontStyles style = font->Style();
    if (style.Contains(fsBold)) out += "\\b";
    if (style.Contains(fsItalic)) out += "\\i";
    if (style.Contains(fsStrikeOut)) out += "\\strike";
    if (style.Contains(fsUnderline)) out += "\\ul";
    out += "\\f" + std::to_string(FontIndex(font->Name()));
    out += "\\cf" + std::to_string(ColorIndex(font->Color()));
    out += "\\cb" + std::to_string(ColorIndex(background));
    out += " " + EscapeText(text) + "\\cell}\r\n";
    Out(out);
}

void TDBGridEhExportAsRTF::ExportStream(TStream* stream, bool all) {
    colors_.clear();
    fonts_.clear();
    ColorIndex(clBlack);
    ColorIndex(clWhite);
    ColorIndex(clBtnFace);
    TMemoryStream body;
    TDBGridEhExport::ExportStream(&body, all);
    if (body.Size() == 0) return;  // nothing selected: nothing written
    std::string head = "{\\rtf0\\ansi\\ansicpg936\r\n{\\colortbl";
    for (std::uint32_t rgb : colors_)
        head += "\\red" + std::to_string(rgb & 0xFF) + "\\green" + std::to_string((rgb >> 8) & 0xFF) + "\\blue" +
                std::to_string((rgb >> 16) & 0xFF) + ";";
    head += "}\r\n{\\fonttbl";
    for (std::size_t i = 0; i < fonts_.size(); ++i)
        head += "\\f" + std::to_string(i) + "\\fnil\\fcharset134 " + EscapeText(fonts_[i]) + ";";
    head += "}\r\n";
    stream->WriteBuffer(head.data(), static_cast<std::int64_t>(head.size()));
    stream->WriteBuffer(body.Memory(), body.Size());
}

void TDBGridEhExportAsRTF::EmitSuffix() { Out("}"); }

void TDBGridEhExportAsRTF::EmitTitle(TColumnsEhList* columns) {
    if (DBGridEh->UseMultiTitle() && Hooks.TitleLeaf) return EmitMultiTitle(columns);
    std::vector<TColor> shading;
    for (int i = 0; i < columns->Count(); ++i) shading.push_back(columns->ColumnAt(i)->Title()->Color());
    RowStart(columns, shading);
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnTitleEh* title = columns->ColumnAt(i)->Title();
        Cell(title->Alignment(), title->Font(), title->Color(), title->Caption());
    }
    Out("\\pard\\intbl\\row}\r\n");
}

// The title tree in levels, from the leaves (level 0) up: at each step the columns whose current node
// is the lowest move up to its group, until none moves. A group spanning several columns or levels
// is one block: its text in its top-left cell, the other cells empty, no borders inside it.
void TDBGridEhExportAsRTF::EmitMultiTitle(TColumnsEhList* columns) {
    const int count = columns->Count();
    std::vector<THeadTreeNode*> nodes(static_cast<std::size_t>(count));
    std::vector<int> heights(static_cast<std::size_t>(count));
    for (int c = 0; c < count; ++c) {
        nodes[c] = Hooks.TitleLeaf(columns->ColumnAt(c));
        heights[c] = nodes[c] ? nodes[c]->Height : 0;
    }
    std::vector<std::vector<THeadTreeNode*>> levels{nodes};
    for (;;) {
        int lowest = 0;
        bool first = true;
        for (int c = 0; c < count; ++c)
            if (nodes[c] && (first || heights[c] < lowest)) {
                lowest = heights[c];
                first = false;
            }
        bool moved = false;
        for (int c = 0; c < count; ++c) {
            // The tree's root is no title: a node directly under it stays.
            THeadTreeNode* host = nodes[c] ? nodes[c]->Host() : nullptr;
            if (!nodes[c] || heights[c] != lowest || !host || !host->Host()) continue;
            nodes[c] = host;
            heights[c] += host->Height;
            moved = true;
        }
        if (!moved) break;
        levels.push_back(nodes);
    }

    // Blocks, from the top level down: which node each cell shows (nullptr: empty) and its borders.
    const int top = static_cast<int>(levels.size()) - 1;
    std::vector<std::vector<THeadTreeNode*>> shown(levels.size(), std::vector<THeadTreeNode*>(count, nullptr));
    std::vector<std::vector<unsigned>> borders(levels.size(), std::vector<unsigned>(count, kAllBorders));
    std::vector<std::vector<bool>> covered(levels.size(), std::vector<bool>(count, false));
    for (int level = top; level >= 0; --level)
        for (int c = 0; c < count; ++c) {
            THeadTreeNode* node = levels[level][c];
            if (covered[level][c] || !node) continue;
            int bottom = level;
            while (bottom > 0 && levels[bottom - 1][c] == node && !covered[bottom - 1][c]) --bottom;
            int last = c;
            while (last + 1 < count && levels[level][last + 1] == node && !covered[level][last + 1]) ++last;
            for (int l = bottom; l <= level; ++l)
                for (int k = c; k <= last; ++k) {
                    covered[l][k] = true;
                    unsigned b = 0;
                    if (k == c) b |= kLeft;
                    if (k == last) b |= kRight;
                    if (l == level) b |= kTop;
                    if (l == bottom) b |= kBottom;
                    borders[l][k] = b;
                }
            shown[level][c] = node;
        }

    const int dpi = Hooks.PixelsPerInch > 0 ? Hooks.PixelsPerInch : 96;
    const int margin = std::abs(static_cast<int>(std::trunc(Hooks.VTitleMargin / 2.0 / dpi * 1440 - 20)));
    for (int level = top; level >= 0; --level) {
        std::vector<TColor> shading;
        for (int c = 0; c < count; ++c)
            shading.push_back(level == 0 ? columns->ColumnAt(c)->Title()->Color() : Hooks.FixedColor);
        RowStart(columns, shading, borders[level]);
        for (int c = 0; c < count; ++c) {
            TColumnTitleEh* title = columns->ColumnAt(c)->Title();
            TCustomFont* font = level == 0 ? title->Font() : DBGridEh->TitleFont();
            THeadTreeNode* node = shown[level][c];
            if (node)
                Cell(taCenter, font, shading[c], node->Text, margin);
            else
                Cell(taCenter, font, shading[c], String(), kNoSpacing);
        }
        Out("\\pard\\intbl\\row}\r\n");
    }
}

void TDBGridEhExportAsRTF::EmitRecord(TColumnsEhList* columns) {
    std::vector<TColor> shading;
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* column = columns->ColumnAt(i);
        TColor color = column->Color();
        if (Hooks.GetCellParams) {
            std::unique_ptr<TCustomFont> font = NewFont();
            font->Assign(column->Font());
            Hooks.GetCellParams(column, font.get(), color, TGridDrawState());
        }
        shading.push_back(color);
    }
    RowStart(columns, shading);
    TDBGridEhExport::EmitRecord(columns);
    Out("\\pard\\intbl\\row}\r\n");
}

void TDBGridEhExportAsRTF::EmitDataCell(TColumnEh*, TColCellParamsEh* params) {
    Cell(params->Alignment, params->Font(), params->Background, params->Text);
}

void TDBGridEhExportAsRTF::EmitFooter(TColumnsEhList* columns, int footerRow) {
    std::vector<TColor> shading;
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* column = columns->ColumnAt(i);
        TColumnFooterEh* footer = column->FooterForRow(footerRow);
        TColor color = footer ? footer->Color() : DBGridEh->FooterColor();
        if (Hooks.GetFooterParams) {
            std::unique_ptr<TCustomFont> font = NewFont();
            font->Assign(footer ? footer->Font() : DBGridEh->FooterFont());
            TAlignment alignment = footer ? footer->Alignment() : taLeftJustify;
            String text;
            Hooks.GetFooterParams(column->Index(), footerRow, column, font.get(), color, alignment, TGridDrawState(), text);
        }
        shading.push_back(color);
    }
    RowStart(columns, shading);
    TDBGridEhExport::EmitFooter(columns, footerRow);
    Out("\\pard\\intbl\\row}\r\n");
}

void TDBGridEhExportAsRTF::EmitFooterCell(int, int, const String& text, TAlignment alignment, TColor background,
                                          TCustomFont* font, TColumnEh*) {
    Cell(alignment, font, background, text);
}

// ---- Interchange stream ------------------------------------------------------------------------------------

void TDBGridEhExportAsVCLDBIF::EmitPrefix() {
    std::vector<bool> visible;
    for (int i = 0; i < ExportedColumns()->Count(); ++i) visible.push_back(ExportedColumns()->ColumnAt(i)->Visible());
    WriteVCLDBIFHeader(Stream(), visible);
}

void TDBGridEhExportAsVCLDBIF::EmitSuffix() { WriteVCLDBIFEmpty(Stream(), vtEnd); }

void TDBGridEhExportAsVCLDBIF::EmitDataCell(TColumnEh* column, TColCellParamsEh*) {
    TField* field = column->Field();
    if (field && field->Lookup()) field = field->DataSet() ? field->DataSet()->FindField(field->KeyFields) : nullptr;
    if (!field) return WriteVCLDBIFEmpty(Stream(), vtUnassigned);
    if (field->IsNull()) return WriteVCLDBIFEmpty(Stream(), vtNull);
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return WriteVCLDBIFInteger(Stream(), field->AsInteger());
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
    case ftFMTBcd:
        return WriteVCLDBIFFloat(Stream(), field->AsFloat());
    case ftString:
    case ftBoolean:
    case ftMemo:
    case ftFixedChar:
    case ftLargeint:
    case ftOraClob:
    case ftGuid:
        return WriteVCLDBIFBytes(Stream(), vtString, Utf8ToGbk(field->AsString()));
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftWideString:
    case ftOraBlob:
        return WriteVCLDBIFBytes(Stream(), vtBinary, Utf8ToGbk(field->AsString()));
    default:
        return WriteVCLDBIFEmpty(Stream(), vtUnassigned);
    }
}

// ---- Import ------------------------------------------------------------------------------------------------

String ImportErrorQuestion(const String& message) {
    return "Error during insert value:\n" + message + "\n\nIgnore error?";
}

TDBGridEhImport::TDBGridEhImport() : columns_(std::make_unique<TColumnsEhList>()) {}

TDBGridEhImport::~TDBGridEhImport() = default;

std::string TDBGridEhImport::ReadAll() {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const std::int64_t n = stream_->Read(buffer, sizeof buffer);
        if (n <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

void TDBGridEhImport::ReadRow(TColumnsEhList* columns) {
    for (int i = 0; i < columns->Count(); ++i) ReadCell(columns->ColumnAt(i));
}

TField* ColumnTargetField(TColumnEh* column) {
    TField* field = column->Field();
    if (!field || !field->Lookup()) return field;
    if (field->KeyFields.empty() || !field->DataSet()) return nullptr;
    return field->DataSet()->FindField(field->KeyFields);
}

bool TDBGridEhImport::StartEdit(TField* target) {
    TDataSet* ds = target->DataSet();
    if (!ds || !ds->CanModify()) return false;
    ds->Edit();
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

void TDBGridEhImport::WriteGuarded(const std::function<void()>& write) {
    try {
        write();
    } catch (const EAbort&) {
        throw;
    } catch (const Exception& e) {
        if (ignoreAll_) return;
        const TImportErrorAnswer answer =
            Hooks.AskIgnoreError ? Hooks.AskIgnoreError(ImportErrorQuestion(e.Message)) : TImportErrorAnswer::Stop;
        if (answer == TImportErrorAnswer::Stop) throw EAbort("Operation aborted");
        if (answer == TImportErrorAnswer::IgnoreAll) ignoreAll_ = true;
    }
}

void TDBGridEhImport::InsertLoop(TDataSet* ds, bool appendMode, TColumnsEhList* columns) {
    while (!eos_) {
        if (appendMode)
            ds->Append();
        else
            ds->Insert();
        ReadRow(columns);
        ds->Post();
        if (!appendMode) ds->Next();
    }
}

void TDBGridEhImport::ImportStream(TStream* stream, bool all) {
    stream_ = stream;
    eos_ = false;
    ignoreAll_ = false;
    TDataSet* ds = DBGridEh->DataSet();
    if (!ds || !ds->Active()) return;
    TDBGridColumnsEh* columns = DBGridEh->Columns();

    if (all) {
        if (Hooks.ClearSelection)
            Hooks.ClearSelection();
        else if (DBGridEh->Selection())
            DBGridEh->Selection()->ClearSelection();
        ds->First();
        for (int i = 0; i < columns->Count(); ++i)
            if (columns->ColumnAt(i)->Visible()) {
                if (Hooks.SetCurrentColumn) Hooks.SetCurrentColumn(i);
                break;
            }
    }
    const bool inserting = ds->State() == dsInsert;
    const bool appendMode = ds->Eof();

    TDBGridEhWalkSelection selection;
    if (!all) {
        if (Hooks.Selection) {
            selection = Hooks.Selection();
        } else if (TDBGridEhSelection* own = DBGridEh->Selection()) {
            selection.Type = own->SelectionType();
            if (selection.Type == gstRecordBookmarks)
                for (int i = 0; i < own->Rows()->Count(); ++i) selection.Rows.push_back(own->Rows()->Items(i));
            else if (selection.Type == gstRectangle) {
                selection.LeftCol = own->Rect()->LeftCol();
                selection.RightCol = own->Rect()->RightCol();
                selection.TopRow = own->Rect()->TopRow();
                selection.BottomRow = own->Rect()->BottomRow();
            } else if (selection.Type == gstColumns)
                for (int i = 0; i < own->Columns()->Count(); ++i) selection.Columns.push_back(own->Columns()->ColumnAt(i));
        }
    }
    auto visibleFrom = [&](int first, int last) {
        columns_->Clear();
        for (int i = std::max(first, 0); i <= last && i < columns->Count(); ++i)
            if (columns->ColumnAt(i)->Visible()) columns_->Add(columns->ColumnAt(i));
    };

    // Not while inserting: the row position is kept and restored (TWalkGuard saves none then).
    std::optional<TWalkGuard> guard;
    if (inserting)
        ds->DisableControls();
    else
        guard.emplace(ds);
    try {
        switch (selection.Type) {
        case gstNon: {
            const int current = Hooks.CurrentColumn ? Hooks.CurrentColumn() : -1;
            visibleFrom(current < 0 ? 0 : current, columns->Count() - 1);
            ReadHeader();
            if (inserting) {
                InsertLoop(ds, appendMode, columns_.get());
                break;
            }
            while (!ds->Eof() && !eos_) {
                ReadRow(columns_.get());
                ds->Next();
            }
            if (!eos_ && Hooks.AllowAppend) InsertLoop(ds, true, columns_.get());
            break;
        }
        case gstRecordBookmarks:
            visibleFrom(0, columns->Count() - 1);
            ReadHeader();
            if (inserting) {
                InsertLoop(ds, appendMode, columns_.get());
                break;
            }
            for (const TBookmark& bookmark : selection.Rows) {
                if (eos_) break;
                if (!ds->BookmarkValid(bookmark)) continue;
                ds->GotoBookmark(bookmark);
                ReadRow(columns_.get());
            }
            break;
        case gstRectangle:
            visibleFrom(selection.LeftCol, selection.RightCol);
            ReadHeader();
            if (inserting) {
                InsertLoop(ds, appendMode, columns_.get());
                break;
            }
            if (selection.TopRow.empty() || !ds->BookmarkValid(selection.TopRow)) break;
            ds->GotoBookmark(selection.TopRow);
            while (!ds->Eof() && !eos_) {
                const bool last = ds->CompareBookmarks(ds->Bookmark(), selection.BottomRow) == 0;
                ReadRow(columns_.get());
                if (last) break;
                ds->Next();
            }
            break;
        case gstColumns:
        case gstAll:
            if (selection.Type == gstColumns) {
                columns_->Clear();
                for (TColumnEh* column : selection.Columns) columns_->Add(column);
            } else {
                visibleFrom(0, columns->Count() - 1);
            }
            ReadHeader();
            if (inserting) {
                InsertLoop(ds, appendMode, columns_.get());
                break;
            }
            ds->First();
            while (!ds->Eof() && !eos_) {
                ReadRow(columns_.get());
                ds->Next();
            }
            break;
        }
        // The last record read is posted here, so that its failure is told.
        if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Post();
    } catch (...) {
        // The record being written goes back to what it was: no half-written row is posted.
        try {
            if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
        } catch (const Exception&) {
        }
        if (inserting) ds->EnableControls();
        throw;
    }
    if (inserting) ds->EnableControls();
    guard.reset();
    ReadTrailer();
}

void TDBGridEhImport::ImportFile(const String& fileName, bool all) {
    TFileStream file(fileName, fmOpenRead);
    ImportStream(&file, all);
}

// ---- Tab-separated text import ------------------------------------------------------------------------------

std::vector<std::vector<String>> TDBGridEhImportAsText::ParseText(const std::string& bytes) {
    return ReadTabTextRows(bytes.data(), bytes.size());
}

void TDBGridEhImportAsText::ReadHeader() {
    rows_ = ParseText(ReadAll());
    nextRow_ = 0;
    SetEos(rows_.empty());
}

void TDBGridEhImportAsText::ReadRow(TColumnsEhList* columns) {
    if (nextRow_ >= rows_.size()) return SetEos(true);
    row_ = &rows_[nextRow_++];
    nextCell_ = 0;
    // Values past the last column are dropped; columns past the last value keep their contents.
    for (int i = 0; i < columns->Count() && nextCell_ < row_->size(); ++i) ReadCell(columns->ColumnAt(i));
    SetEos(nextRow_ >= rows_.size());
}

void TDBGridEhImportAsText::ReadCell(TColumnEh* column) {
    const String value = (*row_)[nextCell_++];
    if (!column->CanModify(false)) return;
    TField* target = ColumnTargetField(column);
    if (!target) return;
    WriteGuarded([&] {
        if (!StartEdit(target)) return;
        TField* field = column->Field();
        if (field->Lookup()) {
            TDataSet* lookup = field->LookupDataSet;
            if (!lookup || !lookup->Active()) return;
            if (lookup->Locate(field->LookupResultField, Variant(value), loCaseInsensitive | loPartialKey))
                target->SetValue(lookup->FieldByName(field->LookupKeyFields)->Value());
        } else if (column->HasPickList() && column->HasKeyList()) {
            const int index = column->PickList()->IndexOf(value);
            if (index >= 0 && index < column->KeyList()->Count())
                target->SetText(column->KeyList()->Strings(index));
            else
                target->Clear();
        } else {
            target->SetText(value);
        }
    });
}

// ---- Interchange stream import ------------------------------------------------------------------------------

void TDBGridEhImportAsVCLDBIF::ReadHeader() {
    const std::string bytes = ReadAll();
    data_ = ReadVCLDBIF(bytes.data(), bytes.size());
    nextRow_ = 0;
    SetEos(data_.Rows.empty());
}

void TDBGridEhImportAsVCLDBIF::ReadRow(TColumnsEhList* columns) {
    if (nextRow_ >= data_.Rows.size()) return SetEos(true);
    row_ = &data_.Rows[nextRow_++];
    nextCell_ = 0;
    // Cells go to the import columns by position; cells past the last column are dropped.
    for (int i = 0; i < columns->Count() && nextCell_ < row_->size(); ++i) ReadCell(columns->ColumnAt(i));
    SetEos(nextRow_ >= data_.Rows.size());
}

void TDBGridEhImportAsVCLDBIF::ReadCell(TColumnEh* column) {
    const Variant& value = (*row_)[nextCell_++];
    if (value.IsEmpty() || !column->CanModify(false)) return;
    TField* target = ColumnTargetField(column);
    if (!target) return;
    WriteGuarded([&] {
        if (StartEdit(target)) target->SetValue(value);
    });
}

// ---- Routines ----------------------------------------------------------------------------------------------

void LoadGridFromImportStream(TDBGridEhImportClass importClass, TDBGridEhCore* grid, TStream* stream, bool all,
                              const TDBGridEhImportHooks& hooks) {
    std::unique_ptr<TDBGridEhImport> importer = importClass();
    importer->DBGridEh = grid;
    importer->Hooks = hooks;
    importer->ImportStream(stream, all);
}

void LoadGridFromImportFile(TDBGridEhImportClass importClass, TDBGridEhCore* grid, const String& fileName, bool all,
                            const TDBGridEhImportHooks& hooks) {
    std::unique_ptr<TDBGridEhImport> importer = importClass();
    importer->DBGridEh = grid;
    importer->Hooks = hooks;
    importer->ImportFile(fileName, all);
}


void SaveGridToExportStream(TDBGridEhExportClass exportClass, TDBGridEhCore* grid, TStream* stream, bool all,
                            const TDBGridEhExportHooks& hooks) {
    std::unique_ptr<TDBGridEhExport> exporter = exportClass();
    exporter->DBGridEh = grid;
    exporter->Hooks = hooks;
    exporter->ExportStream(stream, all);
}

void SaveGridToExportFile(TDBGridEhExportClass exportClass, TDBGridEhCore* grid, const String& fileName, bool all,
                          const TDBGridEhExportHooks& hooks) {
    std::unique_ptr<TDBGridEhExport> exporter = exportClass();
    exporter->DBGridEh = grid;
    exporter->Hooks = hooks;
    exporter->ExportFile(fileName, all);
}
