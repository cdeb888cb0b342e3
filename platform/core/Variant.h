// Variant: a value of one of a few kinds, with the platform's type codes.
//
// Conversions (As*), by kind of the value:
//   Empty           -> 0, 0.0, False, "", date 0
//   Null            -> raises EVariantTypeCastError for every type (VarToStr gives "" instead)
//   integers        -> exact; out of the target's range raises EVariantOverflowError
//   Double, Date    -> integers round half to even; Currency rounds half to even at 4 decimals
//   Currency        -> integers round half to even
//   Boolean         -> True is -1 and False 0 as a number, "True"/"False" as text
//   String          -> integers: StrToInt's syntax, else StrToFloat's rounded half to even;
//                      Double: StrToFloat; Currency: StrToCurr; Boolean: "True"/"False" (any case)
//                      or a number (non-zero is True); Date: StrToDateTime; bad text raises
//                      EVariantTypeCastError
//   numbers to text -> IntToStr, FloatToStr, CurrToStr; Date -> DateTimeToStr
//   Array           -> raises EVariantTypeCastError except AsArray
// Text conversions use the program-wide FormatSettings.
//
// Comparisons: ==, !=, <, <=, >, >= follow the platform's loose rules: Null and Empty equal each
// other and are less than any other value; numbers of any kind (Date included) compare by value;
// strings by bytes; False < True; a string against a number or a Boolean is converted first (bad
// text raises EVariantTypeCastError); a Boolean against a number counts as -1/0; arrays compare
// element by element and raise against anything else. VarCompare is the total order for sorting
// and never raises (see there).
#pragma once

#include "Currency.h"
#include "DateTime.h"
#include "SysUtils.h"

#include <cstdint>
#include <variant>
#include <vector>

VESTREL_EXCEPTION(EVariantOverflowError, EVariantError);
VESTREL_EXCEPTION(EVariantBadIndexError, EVariantError);

using TVarType = std::uint16_t;
constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varString = 0x0100;  // UTF-8
constexpr TVarType varArray = 0x2000;   // VarType of an array is varArray | varVariant

class Variant {
public:
    Variant() = default;  // Empty
    Variant(short value) : FValue(std::in_place_type<std::int16_t>, value) {}
    Variant(int value) : FValue(std::in_place_type<std::int32_t>, value) {}
    Variant(long value);  // Integer or Int64, by the width of long
    Variant(long long value) : FValue(std::in_place_type<std::int64_t>, value) {}
    Variant(unsigned value) : FValue(std::in_place_type<std::int64_t>, value) {}
    Variant(double value) : FValue(std::in_place_type<double>, value) {}
    Variant(bool value) : FValue(std::in_place_type<bool>, value) {}
    Variant(const Currency& value) : FValue(std::in_place_type<Currency>, value) {}
    Variant(TDateTime value) : FValue(std::in_place_type<TDateTime>, value) {}
    Variant(const char* value) : FValue(std::in_place_type<String>, value ? value : "") {}
    Variant(String value) : FValue(std::in_place_type<String>, std::move(value)) {}
    explicit Variant(std::vector<Variant> elements)
        : FValue(std::in_place_type<std::vector<Variant>>, std::move(elements)) {}

    TVarType Type() const;
    bool IsEmpty() const { return FValue.index() == 0; }
    bool IsNull() const { return FValue.index() == 1; }
    bool IsArray() const { return std::holds_alternative<std::vector<Variant>>(FValue); }

    int AsInteger() const;
    std::int64_t AsInt64() const;
    double AsDouble() const;
    Currency AsCurrency() const;
    bool AsBoolean() const;
    String AsString() const;
    TDateTime AsDateTime() const;
    // The elements of an array; raises EVariantTypeCastError for other kinds.
    const std::vector<Variant>& AsArray() const;

    // Array elements, from 0; raise EVariantBadIndexError out of bounds.
    const Variant& operator[](std::size_t index) const;
    Variant& operator[](std::size_t index);

private:
    struct NullTag {
        bool operator==(const NullTag&) const = default;
    };
    using Storage = std::variant<std::monostate, NullTag, std::int16_t, std::int32_t, std::int64_t,
                                 double, Currency, bool, String, TDateTime, std::vector<Variant>>;
    Storage FValue;

    friend struct VariantAccess;
};

// The Null value and the Empty one.
Variant Null();
Variant Unassigned();

TVarType VarType(const Variant& value);
bool VarIsNull(const Variant& value);
bool VarIsEmpty(const Variant& value);
bool VarIsArray(const Variant& value);
bool VarIsStr(const Variant& value);
// Integers, Boolean, Double and Currency (not Date), as the platform counts them.
bool VarIsNumeric(const Variant& value);
// The name of a type code: "Empty", "Null", "Integer", "String", "Array Variant", ...
String VarTypeAsText(TVarType type);
// Text of a value; Null gives "" (unlike AsString).
String VarToStr(const Variant& value);

Variant VarArrayOf(std::vector<Variant> elements);
// Bounds of dimension 1 (the only one): 0 and count - 1.
int VarArrayLowBound(const Variant& value, int dimension);
int VarArrayHighBound(const Variant& value, int dimension);

// Three-way comparison for sorting (-1, 0, 1), a strict total order that never raises. Kinds rank
// Empty = Null < numbers (integers, Double, Currency, Date: by value, NaN first) < Boolean
// (False < True) < String (by bytes) < Array (element by element, then by length). Unlike the
// operators it never converts text: "10" sorts after 9.
int VarCompare(const Variant& a, const Variant& b);

bool operator==(const Variant& a, const Variant& b);
bool operator<(const Variant& a, const Variant& b);
bool operator<=(const Variant& a, const Variant& b);
bool operator>(const Variant& a, const Variant& b);
bool operator>=(const Variant& a, const Variant& b);
