// Variant conversions and comparisons, following the table in Variant.h.
#include "Variant.h"

#include "Encoding.h"

#include <cmath>
#include <limits>

struct VariantAccess {
    enum Kind { Empty, Null, Smallint, Integer, Int64, Double, Currency_, Boolean, String_, Date, Array };

    static Kind KindOf(const Variant& v) { return static_cast<Kind>(v.FValue.index()); }
    template <typename T>
    static const T& Get(const Variant& v) {
        return std::get<T>(v.FValue);
    }
    template <typename T>
    static T& Get(Variant& v) {
        return std::get<T>(v.FValue);
    }
    static Variant MakeNull() {
        Variant v;
        v.FValue.emplace<Variant::NullTag>();
        return v;
    }
};

namespace {

using Kind = VariantAccess::Kind;

constexpr double kTwo63 = 9223372036854775808.0;
constexpr std::int64_t kMaxCurrencyWhole = std::numeric_limits<std::int64_t>::max() / Currency::Scale;

[[noreturn]] void RaiseCast(TVarType from, TVarType to) {
    throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(from) +
                                ") into type (" + VarTypeAsText(to) + ")");
}

[[noreturn]] void RaiseOverflow(TVarType from, TVarType to) {
    throw EVariantOverflowError("Overflow while converting variant of type (" + VarTypeAsText(from) +
                                ") into type (" + VarTypeAsText(to) + ")");
}

int Sign(long long difference) { return difference < 0 ? -1 : difference > 0 ? 1 : 0; }

template <typename T>
int Order(const T& a, const T& b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

// Rounds half to even into an Int64; false when not finite or out of range.
bool RoundToInt64(double value, std::int64_t& out) {
    if (!std::isfinite(value)) return false;
    double r = std::floor(value);
    const double rest = value - r;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(r, 2.0) != 0)) r += 1;
    if (r < -kTwo63 || r >= kTwo63) return false;
    out = static_cast<std::int64_t>(r);
    return true;
}

std::int64_t CurrencyToInt64(const Currency& c) {
    const std::int64_t raw = c.Raw();
    std::int64_t whole = raw / Currency::Scale;
    const std::int64_t rest = raw % Currency::Scale;  // same sign as raw
    const std::int64_t half = Currency::Scale / 2;
    if (rest > half || (rest == half && whole % 2 != 0)) ++whole;
    if (rest < -half || (rest == -half && whole % 2 != 0)) --whole;
    return whole;
}

// A number as compared: an integer, a double or a currency value.
struct Number {
    enum { Int, Dbl, Cur } kind;
    std::int64_t i = 0;  // Int: the value; Cur: the raw value
    double d = 0;
};

bool IsNumberKind(Kind k) {
    return k == Kind::Smallint || k == Kind::Integer || k == Kind::Int64 || k == Kind::Double ||
           k == Kind::Currency_ || k == Kind::Date;
}

Number NumberOf(const Variant& v) {
    switch (VariantAccess::KindOf(v)) {
    case Kind::Smallint: return {Number::Int, VariantAccess::Get<std::int16_t>(v), 0};
    case Kind::Integer: return {Number::Int, VariantAccess::Get<std::int32_t>(v), 0};
    case Kind::Int64: return {Number::Int, VariantAccess::Get<std::int64_t>(v), 0};
    case Kind::Currency_: return {Number::Cur, VariantAccess::Get<Currency>(v).Raw(), 0};
    case Kind::Boolean: return {Number::Int, VariantAccess::Get<bool>(v) ? -1 : 0, 0};
    case Kind::Date: return {Number::Dbl, 0, VariantAccess::Get<TDateTime>(v)};
    default: return {Number::Dbl, 0, v.AsDouble()};
    }
}

// Exact comparison of an integer with a double; NaN sorts first.
int CompareIntDouble(std::int64_t i, double d) {
    if (std::isnan(d)) return 1;
    if (d >= kTwo63) return -1;
    if (d < -kTwo63) return 1;
    const double t = std::trunc(d);
    const std::int64_t ti = static_cast<std::int64_t>(t);
    if (i != ti) return i < ti ? -1 : 1;
    const double fraction = d - t;
    return fraction > 0 ? -1 : fraction < 0 ? 1 : 0;
}

int CompareDoubles(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) ? (std::isnan(b) ? 0 : -1) : 1;
    return Order(a, b);
}

int CompareCurrencyInt(std::int64_t raw, std::int64_t i) {
    if (i > kMaxCurrencyWhole) return -1;
    if (i < -kMaxCurrencyWhole) return 1;  // the smallest currency is above -922337203685478
    return Order(raw, i * Currency::Scale);
}

int CompareNumbers(const Number& a, const Number& b) {
    if (a.kind == Number::Int && b.kind == Number::Int) return Order(a.i, b.i);
    if (a.kind == Number::Cur && b.kind == Number::Cur) return Order(a.i, b.i);
    if (a.kind == Number::Cur && b.kind == Number::Int) return CompareCurrencyInt(a.i, b.i);
    if (a.kind == Number::Int && b.kind == Number::Cur) return -CompareCurrencyInt(b.i, a.i);
    // A currency against a double counts as its nearest double.
    const double ad = a.kind == Number::Cur ? Currency::FromRaw(a.i).ToDouble() : a.d;
    const double bd = b.kind == Number::Cur ? Currency::FromRaw(b.i).ToDouble() : b.d;
    if (a.kind == Number::Int) return CompareIntDouble(a.i, bd);
    if (b.kind == Number::Int) return -CompareIntDouble(b.i, ad);
    return CompareDoubles(ad, bd);
}

int CompareBytes(const String& a, const String& b) { return Sign(a.compare(b)); }

bool IsNullKind(Kind k) { return k == Kind::Empty || k == Kind::Null; }

// The operators' comparison: converts text against numbers and Booleans, may raise.
int CompareLoose(const Variant& a, const Variant& b) {
    const Kind ka = VariantAccess::KindOf(a), kb = VariantAccess::KindOf(b);
    if (IsNullKind(ka) || IsNullKind(kb)) return IsNullKind(ka) ? (IsNullKind(kb) ? 0 : -1) : 1;
    if (ka == Kind::Array || kb == Kind::Array) {
        if (ka != kb) RaiseCast(ka == Kind::Array ? a.Type() : b.Type(), ka == Kind::Array ? b.Type() : a.Type());
        const auto& x = a.AsArray();
        const auto& y = b.AsArray();
        for (std::size_t i = 0; i < x.size() && i < y.size(); ++i)
            if (const int c = CompareLoose(x[i], y[i])) return c;
        return Order(x.size(), y.size());
    }
    if (ka == Kind::String_ && kb == Kind::String_)
        return CompareBytes(VariantAccess::Get<String>(a), VariantAccess::Get<String>(b));
    if (ka == Kind::Boolean || kb == Kind::Boolean) {
        if (ka == Kind::String_ || kb == Kind::String_ || (ka == Kind::Boolean && kb == Kind::Boolean))
            return Order(a.AsBoolean(), b.AsBoolean());
    }
    return CompareNumbers(NumberOf(a), NumberOf(b));
}

int Rank(Kind k) {
    if (IsNullKind(k)) return 0;
    if (IsNumberKind(k)) return 1;
    if (k == Kind::Boolean) return 2;
    if (k == Kind::String_) return 3;
    return 4;
}

}  // namespace

Variant::Variant(long value) {
    if constexpr (sizeof(long) == sizeof(std::int32_t))
        FValue.emplace<std::int32_t>(static_cast<std::int32_t>(value));
    else
        FValue.emplace<std::int64_t>(value);
}

TVarType Variant::Type() const {
    static constexpr TVarType kTypes[] = {varEmpty,    varNull,    varSmallint, varInteger,
                                          varInt64,    varDouble,  varCurrency, varBoolean,
                                          varString,   varDate,    varArray | varVariant};
    return kTypes[FValue.index()];
}

std::int64_t Variant::AsInt64() const {
    switch (VariantAccess::KindOf(*this)) {
    case Kind::Empty: return 0;
    case Kind::Smallint: return std::get<std::int16_t>(FValue);
    case Kind::Integer: return std::get<std::int32_t>(FValue);
    case Kind::Int64: return std::get<std::int64_t>(FValue);
    case Kind::Boolean: return std::get<bool>(FValue) ? -1 : 0;
    case Kind::Currency_: return CurrencyToInt64(std::get<Currency>(FValue));
    case Kind::Double:
    case Kind::Date: {
        std::int64_t value = 0;
        if (!RoundToInt64(AsDouble(), value)) RaiseOverflow(Type(), varInt64);
        return value;
    }
    case Kind::String_: {
        const String& text = std::get<String>(FValue);
        std::int64_t value = 0;
        if (TryStrToInt64(text, value)) return value;
        double d = 0;
        if (!TryStrToFloat(text, d)) RaiseCast(varString, varInt64);
        if (!RoundToInt64(d, value)) RaiseOverflow(varString, varInt64);
        return value;
    }
    default: RaiseCast(Type(), varInt64);
    }
}

int Variant::AsInteger() const {
    std::int64_t value = 0;
    try {
        value = AsInt64();
    } catch (const EVariantOverflowError&) {
        RaiseOverflow(Type(), varInteger);
    } catch (const EVariantTypeCastError&) {
        RaiseCast(Type(), varInteger);
    }
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        RaiseOverflow(Type(), varInteger);
    return static_cast<int>(value);
}

double Variant::AsDouble() const {
    switch (VariantAccess::KindOf(*this)) {
    case Kind::Empty: return 0;
    case Kind::Smallint: return std::get<std::int16_t>(FValue);
    case Kind::Integer: return std::get<std::int32_t>(FValue);
    case Kind::Int64: return static_cast<double>(std::get<std::int64_t>(FValue));
    case Kind::Double: return std::get<double>(FValue);
    case Kind::Currency_: return std::get<Currency>(FValue).ToDouble();
    case Kind::Boolean: return std::get<bool>(FValue) ? -1 : 0;
    case Kind::Date: return std::get<TDateTime>(FValue);
    case Kind::String_: {
        double value = 0;
        if (!TryStrToFloat(std::get<String>(FValue), value)) RaiseCast(varString, varDouble);
        return value;
    }
    default: RaiseCast(Type(), varDouble);
    }
}

Currency Variant::AsCurrency() const {
    switch (VariantAccess::KindOf(*this)) {
    case Kind::Empty: return {};
    case Kind::Currency_: return std::get<Currency>(FValue);
    case Kind::Boolean: return std::get<bool>(FValue) ? -1 : 0;
    case Kind::String_: {
        DecimalNumber number;
        Currency value;
        if (!ParseDecimal(std::get<String>(FValue), FormatSettings.DecimalSeparator, number))
            RaiseCast(varString, varCurrency);
        if (!DecimalToCurrency(number, value)) RaiseOverflow(varString, varCurrency);
        return value;
    }
    case Kind::Smallint:
    case Kind::Integer:
    case Kind::Int64:
    case Kind::Double:
    case Kind::Date:
        try {
            if (VariantAccess::KindOf(*this) == Kind::Double || VariantAccess::KindOf(*this) == Kind::Date)
                return Currency(AsDouble());
            return Currency(static_cast<long long>(AsInt64()));
        } catch (const EMathError&) {
            RaiseOverflow(Type(), varCurrency);
        }
    default: RaiseCast(Type(), varCurrency);
    }
}

bool Variant::AsBoolean() const {
    switch (VariantAccess::KindOf(*this)) {
    case Kind::Empty: return false;
    case Kind::Boolean: return std::get<bool>(FValue);
    case Kind::Smallint:
    case Kind::Integer:
    case Kind::Int64: return AsInt64() != 0;
    case Kind::Currency_: return std::get<Currency>(FValue).Raw() != 0;
    case Kind::Double:
    case Kind::Date: return AsDouble() != 0;
    case Kind::String_: {
        const String& text = std::get<String>(FValue);
        if (SameText(text, "True")) return true;
        if (SameText(text, "False")) return false;
        double value = 0;
        if (!TryStrToFloat(text, value)) RaiseCast(varString, varBoolean);
        return value != 0;
    }
    default: RaiseCast(Type(), varBoolean);
    }
}

String Variant::AsString() const {
    switch (VariantAccess::KindOf(*this)) {
    case Kind::Empty: return {};
    case Kind::Smallint:
    case Kind::Integer:
    case Kind::Int64: return IntToStr(static_cast<long long>(AsInt64()));
    case Kind::Double: return FloatToStr(std::get<double>(FValue));
    case Kind::Currency_: return CurrToStr(std::get<Currency>(FValue));
    case Kind::Boolean: return std::get<bool>(FValue) ? "True" : "False";
    case Kind::String_: return std::get<String>(FValue);
    case Kind::Date: return DateTimeToStr(std::get<TDateTime>(FValue));
    default: RaiseCast(Type(), varString);
    }
}

TDateTime Variant::AsDateTime() const {
    switch (VariantAccess::KindOf(*this)) {
    case Kind::Date: return std::get<TDateTime>(FValue);
    case Kind::String_: {
        TDateTime value;
        if (!TryStrToDateTime(std::get<String>(FValue), value)) RaiseCast(varString, varDate);
        return value;
    }
    case Kind::Null:
    case Kind::Array: RaiseCast(Type(), varDate);
    default: return AsDouble();
    }
}

const std::vector<Variant>& Variant::AsArray() const {
    if (!IsArray()) RaiseCast(Type(), varArray | varVariant);
    return std::get<std::vector<Variant>>(FValue);
}

const Variant& Variant::operator[](std::size_t index) const {
    const std::vector<Variant>& elements = AsArray();
    if (index >= elements.size())
        throw EVariantBadIndexError("Variant array index " + std::to_string(index) + " out of bounds (" +
                                    std::to_string(elements.size()) + " elements)");
    return elements[index];
}

Variant& Variant::operator[](std::size_t index) {
    const Variant& self = *this;
    return const_cast<Variant&>(self[index]);
}

Variant Null() { return VariantAccess::MakeNull(); }
Variant Unassigned() { return {}; }

TVarType VarType(const Variant& value) { return value.Type(); }
bool VarIsNull(const Variant& value) { return value.IsNull(); }
bool VarIsEmpty(const Variant& value) { return value.IsEmpty(); }
bool VarIsArray(const Variant& value) { return value.IsArray(); }
bool VarIsStr(const Variant& value) { return value.Type() == varString; }

bool VarIsNumeric(const Variant& value) {
    const Kind k = VariantAccess::KindOf(value);
    return k == Kind::Smallint || k == Kind::Integer || k == Kind::Int64 || k == Kind::Double ||
           k == Kind::Currency_ || k == Kind::Boolean;
}

String VarTypeAsText(TVarType type) {
    if (type & varArray) return "Array " + VarTypeAsText(type & ~varArray);
    switch (type) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varBoolean: return "Boolean";
    case varVariant: return "Variant";
    case varInt64: return "Int64";
    case varString: return "String";
    default: {
        static constexpr char kHex[] = "0123456789ABCDEF";
        String text = "$";
        for (int shift = 12; shift >= 0; shift -= 4) text += kHex[(type >> shift) & 0xF];
        return text;
    }
    }
}

String VarToStr(const Variant& value) { return value.IsNull() ? String() : value.AsString(); }

Variant VarArrayOf(std::vector<Variant> elements) { return Variant(std::move(elements)); }

namespace {
const std::vector<Variant>& ArrayDimension(const Variant& value, int dimension) {
    if (!value.IsArray()) throw EVariantError("Variant is not an array");
    if (dimension != 1)
        throw EVariantBadIndexError("Variant array dimension " + std::to_string(dimension) + " out of range");
    return value.AsArray();
}
}  // namespace

int VarArrayLowBound(const Variant& value, int dimension) {
    ArrayDimension(value, dimension);
    return 0;
}

int VarArrayHighBound(const Variant& value, int dimension) {
    return static_cast<int>(ArrayDimension(value, dimension).size()) - 1;
}

int VarCompare(const Variant& a, const Variant& b) {
    const Kind ka = VariantAccess::KindOf(a), kb = VariantAccess::KindOf(b);
    const int ra = Rank(ka), rb = Rank(kb);
    if (ra != rb) return ra < rb ? -1 : 1;
    switch (ra) {
    case 0: return 0;
    case 1: return CompareNumbers(NumberOf(a), NumberOf(b));
    case 2: return Order(VariantAccess::Get<bool>(a), VariantAccess::Get<bool>(b));
    case 3: return CompareBytes(VariantAccess::Get<String>(a), VariantAccess::Get<String>(b));
    default: {
        const auto& x = VariantAccess::Get<std::vector<Variant>>(a);
        const auto& y = VariantAccess::Get<std::vector<Variant>>(b);
        for (std::size_t i = 0; i < x.size() && i < y.size(); ++i)
            if (const int c = VarCompare(x[i], y[i])) return c;
        return Order(x.size(), y.size());
    }
    }
}

bool operator==(const Variant& a, const Variant& b) { return CompareLoose(a, b) == 0; }
bool operator<(const Variant& a, const Variant& b) { return CompareLoose(a, b) < 0; }
bool operator<=(const Variant& a, const Variant& b) { return CompareLoose(a, b) <= 0; }
bool operator>(const Variant& a, const Variant& b) { return CompareLoose(a, b) > 0; }
bool operator>=(const Variant& a, const Variant& b) { return CompareLoose(a, b) >= 0; }
