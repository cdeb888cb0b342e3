// TField and its typed descendants.
#include "DB.h"

#include "Encoding.h"

#include <cmath>
#include <cstdio>
#include <limits>

using dbstore::Cell;
using dbstore::CellKind;

namespace {

enum class Family { Text, Memo, Integer, Real, Bool, Date, Blob };

Family FamilyOf(TFieldType type) {
    switch (type) {
    case ftMemo: case ftFmtMemo: return Family::Memo;
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: return Family::Integer;
    case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: return Family::Real;
    case ftBoolean: return Family::Bool;
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp: return Family::Date;
    case ftBlob: case ftBytes: case ftVarBytes: case ftGraphic: case ftTypedBinary: case ftOraBlob:
        return Family::Blob;
    default: return Family::Text;
    }
}

bool CurrencyValued(TFieldType type) { return type == ftCurrency || type == ftBCD || type == ftFMTBcd; }

String CellText(const Cell& cell) { return String(cell.bytes.data(), cell.bytes.size()); }

Cell TextCell(const String& text) {
    Cell cell;
    cell.kind = CellKind::Text;
    cell.bytes = text;
    return cell;
}
Cell IntegerCell(std::int64_t value) {
    Cell cell;
    cell.kind = CellKind::Integer;
    cell.integer = value;
    return cell;
}
Cell RealCell(double value) {
    Cell cell;
    cell.kind = CellKind::Real;
    cell.real = value;
    return cell;
}

// Dates are stored as 'yyyy-mm-dd hh:nn:ss[.zzz]'.
String IsoDateTime(TDateTime value) {
    int y, mo, d, h, mi, s, ms;
    DecodeDate(value, y, mo, d);
    DecodeTime(value, h, mi, s, ms);
    char buffer[40];
    if (ms)
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", y, mo, d, h, mi, s, ms);
    else
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    return buffer;
}

bool ParseIsoDateTime(const String& text, TDateTime& value) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    char sep = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &consumed) != 3 || consumed != 10) return false;
    const char* rest = text.c_str() + consumed;
    if (*rest) {
        int n = 0;
        const int got = std::sscanf(rest, "%c%2d:%2d%n", &sep, &h, &mi, &n);
        if (got != 3 || (sep != ' ' && sep != 'T')) return false;
        rest += n;
        if (*rest == ':') {
            if (std::sscanf(rest, ":%2d%n", &s, &n) != 1) return false;
            rest += n;
            if (*rest == '.') {
                if (std::sscanf(rest, ".%3d%n", &ms, &n) != 1) return false;
                rest += n;
            }
        }
        if (*rest) return false;
    }
    TDateTime date, time;
    if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, s, ms, time)) return false;
    value = date >= 0 ? TDateTime(double(date) + double(time)) : TDateTime(double(date) - double(time));
    return true;
}

std::int64_t RoundHalfEven(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= -9.2e18 && r <= 9.2e18)) throw EConvertError("Value out of range");
    return static_cast<std::int64_t>(r);
}

}  // namespace

const char* FieldTypeName(TFieldType type) {
    static const char* names[] = {
        "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD",
        "Date", "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic",
        "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString",
        "LargeInt", "ADT", "Array", "Reference", "DataSet", "OraBlob", "OraClob", "Variant",
        "Interface", "IDispatch", "Guid", "TimeStamp", "FMTBcd"};
    const int index = static_cast<int>(type);
    return index >= 0 && index < int(sizeof names / sizeof names[0]) ? names[index] : "Unknown";
}

TField* CreateFieldOfType(TFieldType type, TComponent* owner) {
    TField* field = nullptr;
    switch (type) {
    case ftString: case ftFixedChar: case ftGuid: field = new TStringField(owner); break;
    case ftWideString: field = new TWideStringField(owner); break;
    case ftSmallint: case ftWord: field = new TSmallintField(owner); break;
    case ftInteger: field = new TIntegerField(owner); break;
    case ftLargeint: field = new TLargeintField(owner); break;
    case ftAutoInc: field = new TAutoIncField(owner); break;
    case ftFloat: field = new TFloatField(owner); break;
    case ftCurrency: field = new TCurrencyField(owner); break;
    case ftBCD: case ftFMTBcd: field = new TBCDField(owner); break;
    case ftBoolean: field = new TBooleanField(owner); break;
    case ftDate: field = new TDateField(owner); break;
    case ftTime: field = new TTimeField(owner); break;
    case ftDateTime: case ftTimeStamp: field = new TDateTimeField(owner); break;
    case ftMemo: case ftFmtMemo: field = new TMemoField(owner); break;
    default: field = new TBlobField(owner); break;
    }
    try {
        field->AfterConstruction();
    } catch (...) {
        delete field;
        throw;
    }
    return field;
}

// --- TField --------------------------------------------------------------------------------------

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
    if (dataSet_) dataSet_->RemoveField(this);
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_) {
        dataSet_->CheckInactive();
        dataSet_->RemoveField(this);
    }
    if (dataSet) {
        dataSet->CheckInactive();
        dataSet->AddField(this);
    }
}

void TField::SetFieldName(const String& name) {
    if (dataSet_ && dataSet_->Active() && !defaultField_) dataSet_->CheckInactive();
    fieldName_ = name;
}

void TField::SetParentComponent(TComponent* parent) { SetDataSet(dynamic_cast<TDataSet*>(parent)); }

TComponent* TField::GetParentComponent() const { return dataSet_; }

int TField::Index() const { return dataSet_ ? dataSet_->fields_.IndexOf(this) : -1; }

void TField::SetIndex(int index) {
    if (!dataSet_) return;
    auto& list = dataSet_->fields_.fields_;
    const int current = Index();
    index = std::clamp(index, 0, int(list.size()) - 1);
    if (current < 0 || current == index) return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + index, this);
    PropertyChanged(true);
}

void TField::PropertyChanged(bool layout) {
    if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(layout ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    PropertyChanged(true);
}

void TField::SetAlignment(TAlignment alignment) {
    if (alignment_ == alignment) return;
    alignment_ = alignment;
    PropertyChanged(true);
}

void TField::SetDisplayLabel(const String& label) {
    const String value = label == fieldName_ ? String() : label;
    if (displayLabel_ == value) return;
    displayLabel_ = value;
    PropertyChanged(true);
}

void TField::SetDisplayWidth(int width) {
    if (displayWidth_ == width) return;
    displayWidth_ = width;
    PropertyChanged(true);
}

void TField::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == LookupDataSet) LookupDataSet = nullptr;
}

Cell TField::GetCell() const {
    if (!dataSet_ || fieldNo_ < 0) return Cell{};
    if (Calculated() || Lookup()) return dataSet_->CalcCell(fieldNo_);
    return dataSet_->ActiveCell(fieldNo_);
}

bool TField::IsNull() const { return GetCell().kind == CellKind::Null; }

void TField::Validate() const {
    if (!dataSet_) DatabaseError("Field '" + DisplayName() + "' has no dataset");
    if (Calculated() || Lookup()) {
        if (dataSet_->State() == dsCalcFields || dataSet_->State() == dsEdit || dataSet_->State() == dsInsert) return;
        DatabaseError("Dataset not in edit or insert mode", dataSet_);
    }
    if (readOnly_ && !dataSet_->opening_) DatabaseError("Field '" + DisplayName() + "' cannot be modified", dataSet_);
    if (dataSet_->State() != dsEdit && dataSet_->State() != dsInsert)
        DatabaseError("Dataset not in edit or insert mode", dataSet_);
    if (fieldNo_ < 0) DatabaseError("Field '" + DisplayName() + "' is not bound to a column", dataSet_);
}

void TField::SetCell(const Cell& cell) {
    Validate();
    if (Calculated() || Lookup()) {
        dataSet_->SetCalcCell(fieldNo_, cell);
        return;
    }
    // Keep the previous value so a refusing OnValidate leaves the record as it was.
    TDataSet::OwnedCell previous;
    previous.Set(dataSet_->ActiveCell(fieldNo_));
    const bool wasChanged = dataSet_->editChanged_[std::size_t(fieldNo_)];
    const bool wasModified = dataSet_->modified_;
    dataSet_->SetActiveCell(fieldNo_, cell);
    if (OnValidate) {
        try {
            OnValidate(this);
        } catch (...) {
            dataSet_->editBuffer_[std::size_t(fieldNo_)] = previous;
            dataSet_->editChanged_[std::size_t(fieldNo_)] = wasChanged;
            dataSet_->modified_ = wasModified;
            throw;
        }
    }
    dataSet_->DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(this));
    if (OnChange) OnChange(this);
}

void TField::SetNull() { SetCell(Cell{}); }

void TField::Clear() { SetNull(); }

// Getters ---------------------------------------------------------------------------------------

String TField::AsString() const {
    const Cell cell = GetCell();
    const Family family = FamilyOf(dataType_);
    switch (cell.kind) {
    case CellKind::Null:
        return String();
    case CellKind::Text:
    case CellKind::Blob:
        if (family == Family::Bool) return AsBoolean() ? "True" : "False";
        if (family == Family::Date) {
            TDateTime value;
            if (ParseIsoDateTime(CellText(cell), value)) return DateTimeToStr(value);
        }
        return CellText(cell);
    case CellKind::Integer:
        if (family == Family::Bool) return cell.integer ? "True" : "False";
        if (family == Family::Date) return DateTimeToStr(TDateTime(double(cell.integer)));
        return IntToStr(static_cast<long long>(cell.integer));
    case CellKind::Real:
        if (family == Family::Bool) return cell.real != 0 ? "True" : "False";
        if (family == Family::Date) return DateTimeToStr(TDateTime(cell.real));
        if (CurrencyValued(dataType_)) return CurrToStr(Currency(cell.real));
        return FloatToStr(cell.real);
    }
    return String();
}

std::int64_t TField::AsLargeInt() const {
    const Cell cell = GetCell();
    switch (cell.kind) {
    case CellKind::Null: return 0;
    case CellKind::Integer: return cell.integer;
    case CellKind::Real: return RoundHalfEven(cell.real);
    default: break;
    }
    const String text = CellText(cell);
    if (FamilyOf(dataType_) == Family::Bool) return AsBoolean() ? 1 : 0;
    std::int64_t value;
    if (TryStrToInt64(text, value)) return value;
    double real;
    if (FamilyOf(dataType_) != Family::Text && TryStrToFloat(text, real)) return RoundHalfEven(real);
    throw EConvertError("'" + text + "' is not a valid integer value");
}

int TField::AsInteger() const {
    const std::int64_t value = AsLargeInt();
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        throw EConvertError("Value of field '" + DisplayName() + "' is out of the integer range");
    return static_cast<int>(value);
}

double TField::AsFloat() const {
    const Cell cell = GetCell();
    switch (cell.kind) {
    case CellKind::Null: return 0;
    case CellKind::Integer: return double(cell.integer);
    case CellKind::Real: return cell.real;
    default: break;
    }
    if (FamilyOf(dataType_) == Family::Date) return AsDateTime();
    if (FamilyOf(dataType_) == Family::Bool) return AsBoolean() ? 1 : 0;
    return StrToFloat(CellText(cell));
}

Currency TField::AsCurrency() const {
    const Cell cell = GetCell();
    switch (cell.kind) {
    case CellKind::Null: return Currency();
    case CellKind::Integer: return Currency(static_cast<long long>(cell.integer));
    case CellKind::Real: return Currency(cell.real);
    default: break;
    }
    if (FamilyOf(dataType_) == Family::Bool) return Currency(AsBoolean() ? 1 : 0);
    return StrToCurr(CellText(cell));
}

bool TField::AsBoolean() const {
    const Cell cell = GetCell();
    switch (cell.kind) {
    case CellKind::Null: return false;
    case CellKind::Integer: return cell.integer != 0;
    case CellKind::Real: return cell.real != 0;
    default: break;
    }
    const String text = Trim(CellText(cell));
    if (const auto* b = dynamic_cast<const TBooleanField*>(this)) {
        if (SameText(text, b->TrueText())) return true;
        if (SameText(text, b->FalseText())) return false;
    }
    if (SameText(text, "True")) return true;
    if (SameText(text, "False")) return false;
    double number;
    if (TryStrToFloat(text, number)) return number != 0;
    throw EConvertError("'" + text + "' is not a valid boolean value");
}

TDateTime TField::AsDateTime() const {
    const Cell cell = GetCell();
    switch (cell.kind) {
    case CellKind::Null: return TDateTime(0);
    case CellKind::Integer: return TDateTime(double(cell.integer));
    case CellKind::Real: return TDateTime(cell.real);
    default: break;
    }
    const String text = CellText(cell);
    TDateTime value;
    if (ParseIsoDateTime(text, value)) return value;
    return StrToDateTime(text);
}

Variant TField::AsVariant() const {
    const Cell cell = GetCell();
    if (cell.kind == CellKind::Null) return Null();
    switch (FamilyOf(dataType_)) {
    case Family::Text:
    case Family::Memo:
    case Family::Blob:
        return Variant(AsString());
    case Family::Integer:
        if (cell.kind == CellKind::Integer || dataType_ != ftLargeint) {
            const std::int64_t value = AsLargeInt();
            if (dataType_ != ftLargeint && value >= std::numeric_limits<int>::min() &&
                value <= std::numeric_limits<int>::max())
                return Variant(static_cast<int>(value));
            return Variant(static_cast<long long>(value));
        }
        return Variant(static_cast<long long>(AsLargeInt()));
    case Family::Real:
        if (CurrencyValued(dataType_)) return Variant(AsCurrency());
        return Variant(AsFloat());
    case Family::Bool:
        return Variant(AsBoolean());
    case Family::Date:
        return Variant(AsDateTime());
    }
    return Null();
}

Variant TField::OldValue() const {
    if (!dataSet_ || fieldNo_ < 0 || Calculated() || Lookup()) return AsVariant();
    if (!dataSet_->ActiveIsEditBuffer()) return AsVariant();
    if (dataSet_->State() == dsInsert) return Null();
    // Read the stored record instead of the edit buffer.
    const dbstore::RowId row = dataSet_->CurrentRow();
    auto& buffer = dataSet_->editBuffer_;
    std::vector<TDataSet::OwnedCell> saved(buffer);
    buffer[std::size_t(fieldNo_)].Set(dataSet_->store_.CellOf(row, fieldNo_));
    Variant value;
    try {
        value = AsVariant();
    } catch (...) {
        buffer.swap(saved);
        throw;
    }
    buffer.swap(saved);
    return value;
}

// Setters ---------------------------------------------------------------------------------------

void TField::SetAsString(const String& value) {
    const Family family = FamilyOf(dataType_);
    if (value.empty() && family != Family::Text && family != Family::Memo && family != Family::Blob) {
        SetNull();
        return;
    }
    switch (family) {
    case Family::Text: {
        const std::size_t length = Utf8Length(value);
        if (size_ > 0 && length > std::size_t(size_))
            DatabaseError("Value of field '" + DisplayName() + "' is too long: " + std::to_string(length) +
                              " characters, the field holds at most " + std::to_string(size_),
                          dataSet_);
        SetCell(TextCell(value));
        return;
    }
    case Family::Memo:
    case Family::Blob:
        SetCell(TextCell(value));
        return;
    case Family::Integer: {
        std::int64_t number;
        if (!TryStrToInt64(value, number)) throw EConvertError("'" + value + "' is not a valid integer value");
        SetAsLargeInt(number);
        return;
    }
    case Family::Real:
        if (CurrencyValued(dataType_))
            SetAsCurrency(StrToCurr(value));
        else
            SetAsFloat(StrToFloat(value));
        return;
    case Family::Bool: {
        const String text = Trim(value);
        const auto* b = dynamic_cast<const TBooleanField*>(this);
        if ((b && SameText(text, b->TrueText())) || SameText(text, "True")) {
            SetAsBoolean(true);
        } else if ((b && SameText(text, b->FalseText())) || SameText(text, "False")) {
            SetAsBoolean(false);
        } else {
            double number;
            if (!TryStrToFloat(text, number)) throw EConvertError("'" + value + "' is not a valid boolean value");
            SetAsBoolean(number != 0);
        }
        return;
    }
    case Family::Date: {
        TDateTime date;
        if (!ParseIsoDateTime(value, date)) date = StrToDateTime(value);
        SetAsDateTime(date);
        return;
    }
    }
}

void TField::SetAsLargeInt(std::int64_t value) {
    switch (FamilyOf(dataType_)) {
    case Family::Integer:
        if (dataType_ == ftSmallint && (value < -32768 || value > 32767))
            throw ERangeError(std::to_string(value) + " is not a valid value for field '" + DisplayName() +
                              "'. The allowed range is -32768 to 32767");
        if (dataType_ == ftInteger && (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()))
            throw ERangeError(std::to_string(value) + " is not a valid value for field '" + DisplayName() + "'");
        SetCell(IntegerCell(value));
        return;
    case Family::Real:
        if (CurrencyValued(dataType_))
            SetAsCurrency(Currency(static_cast<long long>(value)));
        else
            SetCell(RealCell(double(value)));
        return;
    case Family::Bool:
        SetCell(IntegerCell(value != 0));
        return;
    case Family::Date:
        SetAsDateTime(TDateTime(double(value)));
        return;
    default:
        SetAsString(IntToStr(static_cast<long long>(value)));
        return;
    }
}

void TField::SetAsInteger(int value) { SetAsLargeInt(value); }

void TField::SetAsFloat(double value) {
    switch (FamilyOf(dataType_)) {
    case Family::Integer:
        SetAsLargeInt(RoundHalfEven(value));
        return;
    case Family::Real:
        if (CurrencyValued(dataType_))
            SetAsCurrency(Currency(value));
        else
            SetCell(RealCell(value));
        return;
    case Family::Bool:
        SetCell(IntegerCell(value != 0));
        return;
    case Family::Date:
        SetAsDateTime(TDateTime(value));
        return;
    default:
        SetAsString(FloatToStr(value));
        return;
    }
}

void TField::SetAsCurrency(const Currency& value) {
    switch (FamilyOf(dataType_)) {
    case Family::Real:
        SetCell(RealCell(value.ToDouble()));
        return;
    case Family::Text:
    case Family::Memo:
        SetAsString(CurrToStr(value));
        return;
    default:
        SetAsFloat(value.ToDouble());
        return;
    }
}

void TField::SetAsBoolean(bool value) {
    switch (FamilyOf(dataType_)) {
    case Family::Text:
    case Family::Memo:
    case Family::Blob: {
        const auto* b = dynamic_cast<const TBooleanField*>(this);
        SetAsString(b ? (value ? b->TrueText() : b->FalseText()) : (value ? "True" : "False"));
        return;
    }
    default:
        SetAsLargeInt(value ? 1 : 0);
        return;
    }
}

void TField::SetAsDateTime(TDateTime value) {
    switch (FamilyOf(dataType_)) {
    case Family::Date:
        SetCell(TextCell(IsoDateTime(value)));
        return;
    case Family::Text:
    case Family::Memo:
        SetAsString(DateTimeToStr(value));
        return;
    default:
        SetAsFloat(double(value));
        return;
    }
}

void TField::SetAsVariant(const Variant& value) {
    switch (VarType(value)) {
    case varEmpty:
    case varNull:
        SetNull();
        return;
    case varSmallint:
    case varInteger:
    case varInt64:
        SetAsLargeInt(value.AsInt64());
        return;
    case varDouble:
        SetAsFloat(value.AsDouble());
        return;
    case varCurrency:
        SetAsCurrency(value.AsCurrency());
        return;
    case varBoolean:
        SetAsBoolean(value.AsBoolean());
        return;
    case varDate:
        SetAsDateTime(value.AsDateTime());
        return;
    default:
        SetAsString(value.AsString());
        return;
    }
}

// Texts -----------------------------------------------------------------------------------------

String TField::GetText(bool displayText) const {
    if (IsNull()) return String();
    switch (FamilyOf(dataType_)) {
    case Family::Memo:
    case Family::Blob:
        if (displayText) return dataType_ == ftMemo || dataType_ == ftFmtMemo ? "(MEMO)" : "(BLOB)";
        return AsString();
    case Family::Integer: {
        const auto* n = dynamic_cast<const TNumericField*>(this);
        const String& format = n ? (displayText ? n->DisplayFormat() : n->EditFormat()) : String();
        if (!format.empty()) return FormatFloat(format, double(AsLargeInt()));
        return AsString();
    }
    case Family::Real: {
        const auto* n = dynamic_cast<const TNumericField*>(this);
        const String& format = n ? (displayText ? n->DisplayFormat() : n->EditFormat()) : String();
        bool currency = false;
        int precision = 15;
        if (const auto* f = dynamic_cast<const TFloatField*>(this)) {
            currency = f->Currency();
            precision = f->Precision();
        } else if (const auto* b = dynamic_cast<const TBCDField*>(this)) {
            currency = b->Currency();
        }
        if (CurrencyValued(dataType_) && !dynamic_cast<const TFloatField*>(this)) {
            const Currency value = AsCurrency();
            if (!format.empty()) return FormatCurr(format, value);
            if (displayText && currency)
                return CurrToStrF(value, ffCurrency, FormatSettings.CurrencyDecimals);
            return CurrToStr(value);
        }
        const double value = AsFloat();
        if (!format.empty()) return FormatFloat(format, value);
        if (currency)
            return displayText ? FloatToStrF(value, ffCurrency, precision, FormatSettings.CurrencyDecimals)
                               : FloatToStrF(value, ffFixed, precision, FormatSettings.CurrencyDecimals);
        return FloatToStrF(value, ffGeneral, precision, 0);
    }
    case Family::Bool: {
        const auto* b = dynamic_cast<const TBooleanField*>(this);
        const bool value = AsBoolean();
        return b ? (value ? b->TrueText() : b->FalseText()) : (value ? "True" : "False");
    }
    case Family::Date: {
        const auto* d = dynamic_cast<const TDateTimeField*>(this);
        String format = d && displayText ? d->DisplayFormat() : String();
        if (format.empty()) {
            if (dataType_ == ftDate) format = FormatSettings.ShortDateFormat;
            else if (dataType_ == ftTime) format = FormatSettings.LongTimeFormat;
        }
        return FormatDateTime(format, AsDateTime());
    }
    case Family::Text:
        break;
    }
    return AsString();
}

String TField::DisplayText() const {
    if (OnGetText) {
        String text;
        OnGetText(const_cast<TField*>(this), text, true);
        return text;
    }
    return GetText(true);
}

String TField::Text() const {
    if (OnGetText) {
        String text;
        OnGetText(const_cast<TField*>(this), text, false);
        return text;
    }
    return GetText(false);
}

void TField::SetText(const String& text) {
    if (OnSetText) {
        OnSetText(this, text);
        return;
    }
    SetAsString(text);
}

bool TField::IsValidChar(char32_t c) const { return c >= 0x20; }

bool TField::CanModify() const {
    if (readOnly_ || !dataSet_ || fieldKind_ != fkData) return false;
    return dataSet_->CanModify();
}

void TField::FocusControl() {
    if (!dataSet_ || !dataSet_->Active()) return;
    TField* field = this;
    dataSet_->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&field));
}

// --- Typed fields --------------------------------------------------------------------------------

TStringField::TStringField(TComponent* owner) : TField(owner) {
    SetDataType(ftString);
    SetSize(20);
}

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) { SetDataType(ftWideString); }

TNumericField::TNumericField(TComponent* owner) : TField(owner) { SetAlignment(taRightJustify); }

void TNumericField::SetDisplayFormat(const String& format) {
    if (displayFormat_ == format) return;
    displayFormat_ = format;
    PropertyChanged(false);
}

bool TNumericField::IsValidChar(char32_t c) const {
    if (c >= '0' && c <= '9') return true;
    if (c == '+' || c == '-') return true;
    if (FamilyOf(DataType()) == Family::Real)
        return c == char32_t(static_cast<unsigned char>(FormatSettings.DecimalSeparator)) || c == 'e' || c == 'E';
    return false;
}

TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner) { SetDataType(ftInteger); }
TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftSmallint); }
TLargeintField::TLargeintField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftLargeint); }
TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) {
    SetDataType(ftAutoInc);
    SetReadOnly(true);
}

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { SetDataType(ftFloat); }

void TFloatField::SetCurrency(bool currency) {
    if (currency_ == currency) return;
    currency_ = currency;
    PropertyChanged(false);
}

void TFloatField::SetPrecision(int precision) {
    precision = std::clamp(precision, 2, 15);
    if (precision_ == precision) return;
    precision_ = precision;
    PropertyChanged(false);
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
    SetDataType(ftCurrency);
    SetCurrency(true);
}

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftBCD);
    SetSize(4);
}

void TBCDField::SetCurrency(bool currency) {
    if (currency_ == currency) return;
    currency_ = currency;
    PropertyChanged(false);
}

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(ftBoolean); }

void TBooleanField::SetDisplayValues(const String& values) {
    displayValues_ = values;
    const std::size_t semicolon = values.find(';');
    if (values.empty()) {
        trueText_ = "True";
        falseText_ = "False";
    } else if (semicolon == String::npos) {
        trueText_ = values;
        falseText_.clear();
    } else {
        trueText_ = values.substr(0, semicolon);
        falseText_ = values.substr(semicolon + 1);
    }
    PropertyChanged(false);
}

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(ftDateTime); }

void TDateTimeField::SetDisplayFormat(const String& format) {
    if (displayFormat_ == format) return;
    displayFormat_ = format;
    PropertyChanged(false);
}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftDate); }
TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTime); }

TBlobField::TBlobField(TComponent* owner) : TField(owner) { SetDataType(ftBlob); }

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftMemo); }
