#include "DbUtilsEh.h"

#include "DateTime.h"
#include "Encoding.h"
#include "FormatSettings.h"
#include "LocaleText.h"

#include <climits>
#include <cstring>

using dbstore::Cell;
using dbstore::CellKind;

// ---- Expressions ------------------------------------------------------------------------------------

const char* FilterOperatorSign(TSTFilterOperatorEh op) {
    static const char* const signs[] = {"", "=", "<>", ">", "<", ">=", "<=", "~", "!~",
                                        "In", "!In", "Null", "Null", "AND", "OR"};
    return op < sizeof signs / sizeof signs[0] ? signs[op] : "";
}

TSTExpressionTypeEh STFilterExpressionTypeOf(TFieldType type) {
    switch (type) {
    case ftString: case ftMemo: case ftFmtMemo: case ftFixedChar: case ftWideString: case ftGuid:
        return botString;
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD:
    case ftAutoInc: case ftLargeint: case ftFMTBcd:
        return botNumber;
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
        return botDateTime;
    case ftBoolean:
        return botBoolean;
    default:
        return botNon;
    }
}

void ClearFilterExpression(TSTFilterExpressionEh& expression) {
    expression.Operator1 = foNonFilterEh;
    expression.Operand1 = Null();
    expression.Relation = foNonFilterEh;
    expression.Operator2 = foNonFilterEh;
    expression.Operand2 = Null();
}

namespace {

// "(" reads as a lexeme of its own that no rule accepts.
constexpr int kOpenBracket = 16;
// Not an operator lexeme at all (a value, or the end).
constexpr int kNoOperator = -1;

bool IsWordByte(unsigned char c) {
    if (c < 32) return false;
    if (c >= 128) return true;
    return std::strchr(" !\"&'()+,-.<=>|~", c) == nullptr;
}

TSTFilterOperatorEh Negated(int code) {
    switch (code) {
    case foLikeEh: return foNotLikeEh;
    case foInEh: return foNotInEh;
    case foNullEh: return foNotNullEh;
    default: return foNonFilterEh;
    }
}

class FilterParser {
public:
    FilterParser(const String& text, TSTExpressionTypeEh type) : text_(text), type_(type) {}

    void Parse(TSTFilterExpressionEh& e) {
        e.ExpressionType = type_;
        if (text_.empty()) return;
        ReadComparison(false, e.Operator1, e.Operand1);
        const Lexeme next = Next(DefaultCommas());
        if (next.code == foNonFilterEh || next.code == kNoOperator) {
            SkipBlanks();
            if (pos_ < text_.size()) Fail("Incorrect expression: ");
            return;
        }
        if (next.code != foANDEh && next.code != foOREh) Fail("Unexpected AND or OR: ");
        SkipBlanks();
        if (pos_ >= text_.size()) return;  // a trailing AND or OR joins nothing
        e.Relation = TSTFilterOperatorEh(next.code);
        ReadComparison(true, e.Operator2, e.Operand2);
    }

private:
    struct Lexeme {
        int code = kNoOperator;  // an operator code, foValueEh, kOpenBracket, or kNoOperator (nothing read)
        Variant value;
    };

    [[noreturn]] void Fail(const char* prefix) const {
        String shown = text_;
        // A long text is shown around the place where reading stopped.
        constexpr std::size_t kShownAround = 60;
        if (text_.size() > 2 * kShownAround + 20) {
            std::size_t from = pos_ > kShownAround ? pos_ - kShownAround : 0;
            std::size_t to = std::min(text_.size(), pos_ + kShownAround);
            while (from > 0 && (static_cast<unsigned char>(text_[from]) & 0xC0) == 0x80) --from;
            while (to < text_.size() && (static_cast<unsigned char>(text_[to]) & 0xC0) == 0x80) ++to;
            shown = (from > 0 ? "..." : "") + text_.substr(from, to - from) + (to < text_.size() ? "..." : "");
            shown += " (at character " + IntToStr(int(pos_ + 1)) + ")";
        }
        throw EFilterExpressionError(String(prefix) + shown, int(pos_ + 1));
    }

    bool DefaultCommas() const { return !(type_ == botNumber && FormatSettings.DecimalSeparator == ','); }

    void SkipBlanks() { pos_ = BlanksEnd(pos_); }
    std::size_t BlanksEnd(std::size_t p) const {
        while (p < text_.size() && text_[p] == ' ') ++p;
        return p;
    }

    // The operator lexeme at `p` (after blanks), its end in `end`; kNoOperator when the text there
    // is not one. `bracketMissing` tells that an IN is not followed by "(".
    int PeekOperator(std::size_t p, std::size_t& end, bool& bracketMissing, int depth = 0) const {
        p = BlanksEnd(p);
        end = p;
        if (p >= text_.size()) return kNoOperator;
        const char c = text_[p];
        const char d = p + 1 < text_.size() ? text_[p + 1] : '\0';
        switch (c) {
        case '=': end = p + 1; return foEqualEh;
        case '<':
            if (d == '>') { end = p + 2; return foNotEqualEh; }
            if (d == '=') { end = p + 2; return foLessOrEqualEh; }
            end = p + 1;
            return foLessThanEh;
        case '>':
            if (d == '=') { end = p + 2; return foGreaterOrEqualEh; }
            end = p + 1;
            return foGreaterThanEh;
        case '~': end = p + 1; return foLikeEh;
        case '&': end = p + 1; return foANDEh;
        case '|': end = p + 1; return foOREh;
        case '(': end = p + 1; return kOpenBracket;
        case '!':
            if (d == '=') { end = p + 2; return foNotEqualEh; }
            return NotOperator(p + 1, end, bracketMissing, depth);
        default: break;
        }
        std::size_t q = p;
        while (q < text_.size() && IsWordByte(static_cast<unsigned char>(text_[q]))) ++q;
        if (q == p) return kNoOperator;
        const String word = UpperCase(text_.substr(p, q - p));
        end = q;
        if (word == "NOT") return NotOperator(q, end, bracketMissing, depth);
        if (word == "AND") return foANDEh;
        if (word == "OR") return foOREh;
        if (word == "LIKE") return foLikeEh;
        if (word == "NULL") return foNullEh;
        if (word == "IN") {
            const std::size_t b = BlanksEnd(q);
            bracketMissing = b >= text_.size() || text_[b] != '(';
            if (!bracketMissing) end = b + 1;
            return foInEh;
        }
        end = p;
        return kNoOperator;
    }

    // NOT (or "!") followed by the lexeme at `p`: its negation, or none.
    int NotOperator(std::size_t p, std::size_t& end, bool& bracketMissing, int depth) const {
        end = p;
        if (depth > 0) return foNonFilterEh;  // NOT NOT reads as nothing
        std::size_t after = p;
        const int inner = PeekOperator(p, after, bracketMissing, depth + 1);
        if (inner == kNoOperator) return foNonFilterEh;
        end = after;
        return Negated(inner);
    }

    Lexeme Next(bool commasSeparate) {
        SkipBlanks();
        Lexeme lexeme;
        if (pos_ >= text_.size()) return lexeme;
        std::size_t end = pos_;
        bool bracketMissing = false;
        const int code = PeekOperator(pos_, end, bracketMissing);
        if (code != kNoOperator) {
            if ((code == foInEh || code == foNotInEh) && bracketMissing) {
                pos_ = end;
                Fail("'(' expected: ");
            }
            pos_ = end;
            lexeme.code = code;
            return lexeme;
        }
        std::vector<Variant> values;
        bool read = false;
        for (;;) {
            SkipBlanks();
            String value;
            read = ReadValue(commasSeparate, value) || read;
            values.emplace_back(std::move(value));
            SkipBlanks();
            if (commasSeparate && pos_ < text_.size() && text_[pos_] == ',') {
                ++pos_;
                read = true;
                continue;
            }
            break;
        }
        if (!read) return lexeme;
        lexeme.code = foValueEh;
        lexeme.value = values.size() == 1 ? values[0] : VarArrayOf(std::move(values));
        return lexeme;
    }

    // One value at the position; false when nothing was there.
    bool ReadValue(bool commasSeparate, String& value) {
        if (pos_ < text_.size() && text_[pos_] == '\'') {
            const std::size_t close = text_.find('\'', pos_ + 1);
            if (close == String::npos) Fail("Quote is absent: ");
            value = text_.substr(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
            return true;
        }
        const std::size_t start = pos_;
        std::size_t p = pos_;
        while (p < text_.size()) {
            const char c = text_[p];
            if (c == '(' || c == ')' || (commasSeparate && c == ',')) break;
            if (c == ' ') {
                std::size_t end;
                bool bracketMissing = false;
                const int code = PeekOperator(p, end, bracketMissing);
                if (code >= foEqualEh && code <= foOREh) break;
            }
            ++p;
        }
        std::size_t last = p;
        while (last > start && text_[last - 1] == ' ') --last;
        value = text_.substr(start, last - start);
        pos_ = p;
        return last > start;
    }

    void ReadComparison(bool second, TSTFilterOperatorEh& op, Variant& operand) {
        const Lexeme first = Next(DefaultCommas());
        if (first.code == foValueEh) {
            op = first.value.IsArray() ? foInEh : type_ == botString ? foLikeEh : foEqualEh;
            operand = first.value;
            return;
        }
        if (first.code == kNoOperator || first.code == foNonFilterEh || first.code == kOpenBracket ||
            first.code == foANDEh || first.code == foOREh)
            Fail("Error in expression: ");
        op = TSTFilterOperatorEh(first.code);
        if (op == foNotNullEh) {
            // "NOT NULL" is a whole comparison when nothing or only AND/OR follows.
            std::size_t end;
            bool bracketMissing = false;
            const int code = PeekOperator(pos_, end, bracketMissing);
            if (BlanksEnd(pos_) >= text_.size() || code == foANDEh || code == foOREh) {
                operand = Null();
                return;
            }
        }
        const bool list = op == foInEh || op == foNotInEh;
        const Lexeme value = Next(list || DefaultCommas());
        if (value.code == foNullEh) {
            if (op == foEqualEh)
                op = foNullEh;
            else if (op == foNotEqualEh)
                op = foNotNullEh;
            else
                Fail("Unexpected expression before Null: ");
            operand = Null();
        } else if (value.code != foValueEh) {
            Fail("Unexpected expression after operator: ");
        } else {
            operand = value.value;
        }
        if (list && !second) {
            SkipBlanks();
            if (pos_ >= text_.size() || text_[pos_] != ')') Fail("')' expected: ");
            ++pos_;
        }
    }

    const String& text_;
    TSTExpressionTypeEh type_;
    std::size_t pos_ = 0;
};

Variant ConvertOperand(const Variant& operand, TSTExpressionTypeEh type) {
    if (operand.IsArray()) {
        std::vector<Variant> converted;
        for (const Variant& element : operand.AsArray()) converted.push_back(ConvertOperand(element, type));
        return VarArrayOf(std::move(converted));
    }
    switch (type) {
    case botNumber: return Variant(StrToFloat(operand.AsString()));
    case botDateTime: return Variant(StrToDateTime(operand.AsString()));
    default: return operand;
    }
}

void ConvertComparison(TSTFilterOperatorEh op, Variant& operand, TSTExpressionTypeEh type) {
    if (op >= foEqualEh && op <= foNotInEh)
        operand = ConvertOperand(operand, type);
    else
        operand = Null();
}

}  // namespace

void ParseFilterText(const String& text, TSTFilterExpressionEh& expression) {
    const String trimmed = Trim(text);
    TSTFilterExpressionEh read;
    read.ExpressionType = expression.ExpressionType;
    FilterParser(trimmed, expression.ExpressionType).Parse(read);
    ConvertComparison(read.Operator1, read.Operand1, read.ExpressionType);
    ConvertComparison(read.Operator2, read.Operand2, read.ExpressionType);
    if (read.Operator2 == foNonFilterEh) read.Relation = foNonFilterEh;
    expression = std::move(read);
}

namespace {

String ValueText(const Variant& value) {
    switch (VarType(value)) {
    case varDouble: return FloatToStr(value.AsDouble());
    case varDate: return FormatDateTime(FormatSettings.ShortDateFormat, value.AsDateTime());
    default: return "'" + VarToStr(value) + "'";
    }
}

String ValuesText(const Variant& value) {
    if (!value.IsArray()) return ValueText(value);
    String text;
    for (const Variant& element : value.AsArray()) {
        if (!text.empty()) text += ",";
        text += ValueText(element);
    }
    return text;
}

String ComparisonText(TSTFilterOperatorEh op, const Variant& operand) {
    switch (op) {
    case foNonFilterEh: return String();
    case foNullEh: return "=Null";
    case foNotNullEh: return "<>Null";
    case foInEh:
    case foNotInEh: return String(FilterOperatorSign(op)) + " (" + ValuesText(operand) + ")";
    default: return String(FilterOperatorSign(op)) + " " + ValuesText(operand);
    }
}

}  // namespace

String FilterExpressionText(const TSTFilterExpressionEh& expression) {
    if (expression.ExpressionType == botNon || expression.Operator1 == foNonFilterEh) return String();
    String text = ComparisonText(expression.Operator1, expression.Operand1);
    if (expression.Relation != foNonFilterEh && expression.Operator2 != foNonFilterEh)
        text += String(" ") + FilterOperatorSign(expression.Relation) + " " +
                ComparisonText(expression.Operator2, expression.Operand2);
    return text;
}

// ---- Filtering a data set ------------------------------------------------------------------------------

namespace {

enum class ValueKind { Text, Number, Date, Boolean };

String CellAsText(const Cell& cell) {
    switch (cell.kind) {
    case CellKind::Integer: return IntToStr(static_cast<long long>(cell.integer));
    case CellKind::Real: return FloatToStr(cell.real);
    case CellKind::Text:
    case CellKind::Blob: return String(cell.bytes);
    default: return String();
    }
}

bool TextAsBoolean(const String& text, bool& value) {
    if (SameText(text, "True")) return value = true, true;
    if (SameText(text, "False")) return value = false, true;
    double number;
    if (TryStrToFloat(text, number)) return value = number != 0, true;
    return false;
}

// Data sets store dates as 'yyyy-mm-dd hh:nn:ss'.
const TFormatSettings& StoredDateSettings() {
    static const TFormatSettings settings = [] {
        TFormatSettings s = FormatSettings;
        s.ShortDateFormat = "yyyy-mm-dd";
        s.DateSeparator = '-';
        s.TimeSeparator = ':';
        s.DecimalSeparator = '.';
        return s;
    }();
    return settings;
}

// "*" and "?" are the filter row's wildcards; the matcher's are "%" and "_".
String LikePattern(const String& text) {
    String pattern = text;
    for (char& c : pattern) {
        if (c == '*') c = '%';
        else if (c == '?') c = '_';
    }
    return pattern;
}

}  // namespace

struct TColumnFiltersEh::Comparison {
    TSTFilterOperatorEh op = foNonFilterEh;
    std::vector<double> numbers;   // Number, Date, Boolean (0 or 1)
    std::vector<String> texts;     // Text: values, or LIKE patterns
    bool operandUsable = true;     // false: a Boolean value that is not one

    bool Meets(ValueKind kind, const Cell& cell) const {
        if (cell.kind == CellKind::Null) return op == foNullEh;
        if (op == foNotNullEh) return true;
        if (op == foNullEh || op == foNonFilterEh || !operandUsable) return false;
        const bool negative = op == foNotEqualEh || op == foNotLikeEh || op == foNotInEh;
        if (kind == ValueKind::Text) {
            const String text = CellAsText(cell);
            const bool like = op == foLikeEh || op == foNotLikeEh;
            for (const String& operand : texts)
                if (like ? LocaleLike(operand, text) : Holds(LocaleCompareText(text, operand, true))) return !negative;
            return negative;
        }
        double value;
        if (!CellNumber(kind, cell, value)) return false;
        for (double operand : numbers)
            if (Holds(value < operand ? -1 : value > operand ? 1 : 0)) return !negative;
        return negative;
    }

    // Whether comparison result `c` (cell against one value) meets the operator; for the negative
    // operators, whether it equals (the cell meets them when it equals no value).
    bool Holds(int c) const {
        switch (op) {
        case foGreaterThanEh: return c > 0;
        case foLessThanEh: return c < 0;
        case foGreaterOrEqualEh: return c >= 0;
        case foLessOrEqualEh: return c <= 0;
        default: return c == 0;
        }
    }

    static bool CellNumber(ValueKind kind, const Cell& cell, double& value) {
        switch (cell.kind) {
        case CellKind::Integer: value = double(cell.integer); break;
        case CellKind::Real: value = cell.real; break;
        case CellKind::Text: {
            const String text(cell.bytes);
            if (kind == ValueKind::Number) return TryStrToFloat(text, value);
            if (kind == ValueKind::Boolean) {
                bool truth;
                if (!TextAsBoolean(text, truth)) return false;
                value = truth ? 1 : 0;
                return true;
            }
            TDateTime date;
            if (!TryStrToDateTime(text, date, StoredDateSettings()) && !TryStrToDateTime(text, date)) return false;
            value = double(date);
            return true;
        }
        default: return false;
        }
        if (kind == ValueKind::Boolean) value = value != 0 ? 1 : 0;
        return true;
    }
};

struct TColumnFiltersEh::Condition {
    int column = 0;
    ValueKind kind = ValueKind::Text;
    Comparison first, second;
    TSTFilterOperatorEh relation = foNonFilterEh;

    bool Meets(const Cell& cell) const {
        const bool a = first.Meets(kind, cell);
        if (relation == foANDEh) return a && second.Meets(kind, cell);
        if (relation == foOREh) return a || second.Meets(kind, cell);
        return a;
    }
};

namespace {

TColumnFiltersEh::Comparison MakeComparison(TSTFilterOperatorEh op, const Variant& operand, ValueKind kind) {
    TColumnFiltersEh::Comparison comparison;
    comparison.op = op;
    if (op == foNonFilterEh || op == foNullEh || op == foNotNullEh) return comparison;
    std::vector<Variant> values = operand.IsArray() ? operand.AsArray() : std::vector<Variant>{operand};
    const bool like = op == foLikeEh || op == foNotLikeEh;
    for (const Variant& value : values) {
        switch (kind) {
        case ValueKind::Text:
            comparison.texts.push_back(like ? LikePattern(VarToStr(value)) : VarToStr(value));
            break;
        case ValueKind::Boolean: {
            bool truth;
            if (TextAsBoolean(VarToStr(value), truth))
                comparison.numbers.push_back(truth ? 1 : 0);
            else
                comparison.operandUsable = false;
            break;
        }
        default:
            if (VarIsNull(value) || VarIsEmpty(value)) {
                comparison.operandUsable = false;
            } else if (VarIsStr(value)) {
                // Not converted by the parser (its type was none): read it now.
                double number;
                TDateTime date;
                if (kind == ValueKind::Number && TryStrToFloat(value.AsString(), number))
                    comparison.numbers.push_back(number);
                else if (kind == ValueKind::Date && TryStrToDateTime(value.AsString(), date))
                    comparison.numbers.push_back(double(date));
                else
                    comparison.operandUsable = false;
            } else {
                comparison.numbers.push_back(value.AsDouble());
            }
            break;
        }
    }
    return comparison;
}

ValueKind KindOf(TSTExpressionTypeEh type) {
    switch (type) {
    case botNumber: return ValueKind::Number;
    case botDateTime: return ValueKind::Date;
    case botBoolean: return ValueKind::Boolean;
    default: return ValueKind::Text;
    }
}

}  // namespace

namespace {

void CompileCondition(TColumnFiltersEh::Condition& condition, const TSTFilterExpressionEh& e, TSTExpressionTypeEh type) {
    condition.kind = KindOf(type);
    condition.first = MakeComparison(e.Operator1, e.Operand1, condition.kind);
    if (e.Operator2 != foNonFilterEh && (e.Relation == foANDEh || e.Relation == foOREh)) {
        condition.relation = e.Relation;
        condition.second = MakeComparison(e.Operator2, e.Operand2, condition.kind);
    }
}

}  // namespace

bool FilterExpressionMeets(const TSTFilterExpressionEh& expression, const dbstore::Cell& cell) {
    if (expression.Operator1 == foNonFilterEh) return true;
    TColumnFiltersEh::Condition condition;
    CompileCondition(condition, expression, expression.ExpressionType);
    return condition.Meets(cell);
}

void TColumnFiltersEh::Add(int column, TSTExpressionTypeEh type, const TSTFilterExpressionEh& expression) {
    if (expression.Operator1 == foNonFilterEh) return;
    auto condition = std::make_shared<Condition>();
    condition->column = column;
    CompileCondition(*condition, expression, type);
    conditions_.push_back(std::move(condition));
}

bool TColumnFiltersEh::Keeps(const dbstore::RowStore& store, dbstore::RowId row) const {
    for (const auto& condition : conditions_)
        if (!condition->Meets(store.CellOf(row, condition->column))) return false;
    return true;
}

// ---- Data-set features ------------------------------------------------------------------------------------

namespace {

struct FeaturesEntry {
    String className;
    std::unique_ptr<TDataSetFeaturesEh> features;
};

std::vector<FeaturesEntry>& Registry() {
    static std::vector<FeaturesEntry> registry;
    return registry;
}

}  // namespace

void RegisterDataSetFeaturesEh(std::unique_ptr<TDataSetFeaturesEh> features) {
    if (!features || !features->DataSetClass()) throw Exception("Data-set features need a data-set class");
    const String name = features->DataSetClass()->name;
    for (const FeaturesEntry& entry : Registry())
        if (SameText(entry.className, name)) throw EStringListError("String list does not allow duplicates");
    Registry().push_back({name, std::move(features)});
}

void UnregisterDataSetFeaturesEh(const String& className) {
    std::erase_if(Registry(), [&](const FeaturesEntry& entry) { return SameText(entry.className, className); });
}

int ClassDepth(TClass cls, const String& className) {
    int depth = 0;
    for (TClass c = cls; c; c = c->parent, ++depth)
        if (SameText(c->name, className)) return depth;
    return INT_MAX;
}

TDataSetFeaturesEh* FeaturesForDataSetClass(TClass dataSetClass) {
    TDataSetFeaturesEh* best = nullptr;
    int bestDepth = INT_MAX;
    if (!dataSetClass) return nullptr;
    for (const FeaturesEntry& entry : Registry()) {
        if (!dataSetClass->InheritsFrom(entry.features->DataSetClass())) continue;
        const int depth = ClassDepth(dataSetClass, entry.className);
        if (depth < bestDepth) {
            best = entry.features.get();
            bestDepth = depth;
        }
    }
    return best;
}
