#include "FR_Pars.h"

#include "Encoding.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <new>

// --- Variant operations --------------------------------------------------------------------------

namespace frvar {
namespace {

enum class NumKind { Int, Dbl, Date };

struct Num {
    NumKind Kind;
    std::int64_t I = 0;
    double D = 0;
    double AsDouble() const { return Kind == NumKind::Int ? static_cast<double>(I) : D; }
};

Num ToNum(const Variant& v) {
    switch (v.Type()) {
    case varEmpty: return {NumKind::Int, 0, 0};
    case varSmallint:
    case varInteger:
    case varInt64: return {NumKind::Int, v.AsInt64(), 0};
    case varBoolean: return {NumKind::Int, v.AsBoolean() ? -1 : 0, 0};
    case varDate: return {NumKind::Date, 0, v.AsDouble()};
    default: return {NumKind::Dbl, 0, v.AsDouble()};  // Double, Currency, text (may raise)
    }
}

Variant FromInt(std::int64_t value) {
    if (value >= INT_MIN && value <= INT_MAX) return Variant(static_cast<int>(value));
    return Variant(static_cast<long long>(value));
}

Variant FromDouble(double value, bool date) {
    return date ? Variant(TDateTime(value)) : Variant(value);
}

enum class Arith { Add, Sub, Mul };

Variant Arithmetic(const Variant& a, const Variant& b, Arith op) {
    if (a.IsNull() || b.IsNull()) return Null();
    const Num x = ToNum(a);
    const Num y = ToNum(b);
    if (x.Kind == NumKind::Int && y.Kind == NumKind::Int) {
        std::int64_t r = 0;
        bool overflow = false;
        switch (op) {
        case Arith::Add: overflow = __builtin_add_overflow(x.I, y.I, &r); break;
        case Arith::Sub: overflow = __builtin_sub_overflow(x.I, y.I, &r); break;
        case Arith::Mul: overflow = __builtin_mul_overflow(x.I, y.I, &r); break;
        }
        if (!overflow && r >= INT_MIN && r <= INT_MAX) return Variant(static_cast<int>(r));
    }
    const double p = x.AsDouble();
    const double q = y.AsDouble();
    const bool xDate = x.Kind == NumKind::Date;
    const bool yDate = y.Kind == NumKind::Date;
    switch (op) {
    case Arith::Add: return FromDouble(p + q, xDate || yDate);
    case Arith::Sub: return FromDouble(p - q, xDate != yDate);
    case Arith::Mul: return Variant(p * q);
    }
    return Null();
}

std::int64_t ToInt64(const Variant& v) {
    if (v.Type() == varBoolean) return v.AsBoolean() ? -1 : 0;
    return v.AsInt64();
}

}  // namespace

Variant Add(const Variant& a, const Variant& b) {
    if (VarIsStr(a) && VarIsStr(b)) {
        String text = a.AsString();
        const String tail = b.AsString();
        if (text.size() + tail.size() > kMaxTextLength) throw EReportError("Text too long");
        return Variant(text + tail);
    }
    return Arithmetic(a, b, Arith::Add);
}

Variant Subtract(const Variant& a, const Variant& b) { return Arithmetic(a, b, Arith::Sub); }

Variant Multiply(const Variant& a, const Variant& b) { return Arithmetic(a, b, Arith::Mul); }

Variant Divide(const Variant& a, const Variant& b) {
    if (b == Variant(0)) return Variant(0);
    if (a.IsNull() || b.IsNull()) return Null();
    return Variant(ToNum(a).AsDouble() / ToNum(b).AsDouble());
}

Variant Mod(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) return Null();
    const std::int64_t x = ToInt64(a);
    const std::int64_t y = ToInt64(b);
    if (y == 0) throw EDivByZero("Division by zero");
    if (y == -1) return Variant(0);
    return FromInt(x % y);
}

Variant And(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) return Null();
    if (a.Type() == varBoolean && b.Type() == varBoolean) return Variant(a.AsBoolean() && b.AsBoolean());
    return FromInt(ToInt64(a) & ToInt64(b));
}

Variant Or(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) return Null();
    if (a.Type() == varBoolean && b.Type() == varBoolean) return Variant(a.AsBoolean() || b.AsBoolean());
    return FromInt(ToInt64(a) | ToInt64(b));
}

Variant Negate(const Variant& a) {
    if (a.IsNull()) return Null();
    const Num x = ToNum(a);
    if (x.Kind == NumKind::Int) {
        if (x.I == INT64_MIN) return Variant(-static_cast<double>(x.I));
        return FromInt(-x.I);
    }
    return FromDouble(-x.D, x.Kind == NumKind::Date);
}

double IntPart(double value) {
    const double whole = std::nearbyint(value);
    if (std::fabs(value - whole) < 1e-10) value = whole;
    return std::trunc(value);
}

double FracPart(double value) {
    const double whole = std::nearbyint(value);
    if (std::fabs(value - whole) < 1e-10) value = whole;
    return value - std::trunc(value);
}

namespace {

// Byte offset of code point `index` (from 0), or the text's size.
std::size_t OffsetOf(const String& text, std::size_t index) {
    std::size_t pos = 0;
    while (pos < text.size() && index > 0) {
        ++pos;
        while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
        --index;
    }
    return pos;
}

}  // namespace

String Copy(const String& text, int index, int count) {
    if (index < 1) index = 1;
    if (count <= 0) return String();
    const std::size_t begin = OffsetOf(text, static_cast<std::size_t>(index - 1));
    if (begin >= text.size()) return String();
    const String rest = text.substr(begin);
    return rest.substr(0, OffsetOf(rest, static_cast<std::size_t>(count)));
}

int Length(const String& text) { return static_cast<int>(Utf8Length(text)); }

int Pos(const String& sub, const String& text) {
    if (sub.empty()) return 0;
    const std::size_t at = text.find(sub);
    if (at == String::npos) return 0;
    return Length(text.substr(0, at)) + 1;
}

}  // namespace frvar

// --- Scanning shared by both passes --------------------------------------------------------------

namespace {

bool IsDelimiter(char c) {
    switch (c) {
    case 13: case ' ': case '(': case ')': case '*': case '+': case '-': case '/': case '<': case '=':
    case '>': case '[':
        return true;
    default: return false;
    }
}

// End of a name or number: the first delimiter outside double quotes.
std::size_t ScanName(const String& s, std::size_t pos) {
    bool quoted = false;
    for (; pos < s.size(); ++pos) {
        if (s[pos] == '"') quoted = !quoted;
        else if (!quoted && IsDelimiter(s[pos])) break;
    }
    return pos;
}

// End (after the closing quote) of a single-quoted string starting at `pos`.
std::size_t ScanString(const String& s, std::size_t pos) {
    for (++pos; pos < s.size(); ++pos) {
        if (s[pos] == '\'') {
            if (pos + 1 < s.size() && s[pos + 1] == '\'') ++pos;
            else return pos + 1;
        }
    }
    throw EReportError("Unterminated string");
}

// End (after the matching "]") of a bracket group starting at `pos`; quoted parts are skipped.
std::size_t ScanBrackets(const String& s, std::size_t pos) {
    int depth = 0;
    char quote = 0;
    for (; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            if (--depth == 0) return pos + 1;
        }
    }
    throw EReportError("Unbalanced brackets");
}

// End of an operand starting with "%": the two characters, then a name.
std::size_t ScanPercent(const String& s, std::size_t pos) {
    pos = std::min(pos + 2, s.size());
    return ScanName(s, pos);
}

bool StartsNumber(char c) { return (c >= '0' && c <= '9') || c == '.' || c == ','; }

int ClassOf(char op) {
    switch (op) {
    case frop::Int: case frop::Frac: case frop::Round: case frop::Str: return 0;
    case '*': case '/': case frop::And: case frop::Or: case frop::Mod: case frop::Not: return 1;
    case '+': case '-': case frop::Negate: case frop::Plus: return 2;
    case '(': return 5;
    default: return 3;
    }
}

bool IsPrefix(char op) {
    return op == frop::Int || op == frop::Frac || op == frop::Round || op == frop::Str ||
           op == frop::Not || op == frop::Negate || op == frop::Plus;
}

bool IsUnaryCode(char op) { return IsPrefix(op); }

bool IsOperatorCode(char c) {
    switch (c) {
    case frop::GreaterEqual: case frop::LessEqual: case frop::NotEqual: case frop::Or: case frop::And:
    case frop::Int: case frop::Frac: case frop::Negate: case frop::Plus: case frop::Str: case frop::Not:
    case frop::Mod: case frop::Round: case '*': case '+': case '-': case '/': case '<': case '=': case '>':
        return true;
    default: return false;
    }
}

// Operator code of an operator word, or 0.
char WordOperator(const String& upper) {
    if (upper == "INT") return frop::Int;
    if (upper == "FRAC") return frop::Frac;
    if (upper == "ROUND") return frop::Round;
    if (upper == "OR") return frop::Or;
    if (upper == "AND") return frop::And;
    if (upper == "NOT") return frop::Not;
    if (upper == "STR") return frop::Str;
    if (upper == "MOD") return frop::Mod;
    return 0;
}

String StringValue(const String& literal) {
    String value;
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        value += literal[i];
        if (literal[i] == '\'' && literal[i + 1] == '\'') ++i;
    }
    return value;
}

}  // namespace

TfrCallArguments frSplitArguments(const String& text, std::size_t open, std::size_t& end) {
    TfrCallArguments args;
    String* slots[3] = {&args.P1, &args.P2, &args.P3};
    int depth = 1;
    bool quoted = false;
    std::size_t start = open + 1;
    for (std::size_t pos = open + 1; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '\'') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' || (c == ',' && depth == 1)) {
            if (c == ')' && --depth > 0) continue;
            if (args.Count == 3) throw EReportError("Too many arguments in call");
            *slots[args.Count++] = text.substr(start, pos - start);
            start = pos + 1;
            if (c == ')') {
                end = pos + 1;
                return args;
            }
        }
    }
    throw EReportError("Unbalanced parentheses in call");
}

// --- Postfix programs ----------------------------------------------------------------------------

enum class BuiltIn { None, Copy, If, StrToDate, StrToTime };

struct CallOp {
    String Name;  // upper case
    BuiltIn Code = BuiltIn::None;
    TfrCallArguments Args;
    // The arguments' programs, made when a built-in first evaluates them.
    mutable std::shared_ptr<const TfrParser::Program> Arguments[3];
};

struct TfrParser::Program {
    enum class Kind { Push, Number, Name, Array, Call, BadNumber, Binary, Unary };
    struct Op {
        Kind K;
        char Code = 0;
        Variant Value;
        double Number = 0;  // Kind::Number
        String Text;  // name, GETARRAY call, or the malformed number
        CallOp Call;
        Variant* Slot = nullptr;  // a bound name's variable
    };
    std::vector<Op> Ops;
    unsigned Generation = 0;  // of the bindings the slots come from
};

namespace {

using Program = TfrParser::Program;

using Bindings = std::unordered_map<String, Variant*>;

void BindSlot(Program::Op& op, const Bindings& bound) {
    const auto it = bound.find(op.Text);
    if (it != bound.end()) op.Slot = it->second;
}

Program CompilePostfix(const String& s, const Bindings& bound, unsigned generation) {
    Program program;
    program.Generation = generation;
    std::size_t pos = 0;
    while (pos < s.size()) {
        const char c = s[pos];
        if (IsOperatorCode(c)) {
            Program::Op op{IsUnaryCode(c) ? Program::Kind::Unary : Program::Kind::Binary, c, {}, {}, {}};
            program.Ops.push_back(std::move(op));
            ++pos;
            continue;
        }
        if (static_cast<unsigned char>(c) <= ' ') {
            ++pos;
            continue;
        }
        Program::Op op{Program::Kind::Push, 0, {}, {}, {}};
        if (c == '\'') {
            const std::size_t end = ScanString(s, pos);
            op.Value = Variant(StringValue(s.substr(pos, end - pos)));
            pos = end;
        } else if (c == ')') {
            throw EReportError("Unbalanced parentheses");
        } else if (c == '[') {
            const std::size_t end = ScanBrackets(s, pos);
            op.K = Program::Kind::Name;
            op.Text = s.substr(pos + 1, end - pos - 2);
            BindSlot(op, bound);
            pos = end;
        } else if (StartsNumber(c)) {
            const std::size_t end = ScanName(s, pos);
            String number = s.substr(pos, end - pos);
            for (char& ch : number)
                if (ch == '.' || ch == ',') ch = FormatSettings.DecimalSeparator;
            double value = 0;
            if (TryStrToFloat(number, value)) {
                op.K = Program::Kind::Number;
                op.Number = value;
            } else {
                op.K = Program::Kind::BadNumber;
                op.Text = number;
            }
            pos = end;
        } else {
            const std::size_t end = c == '%' ? ScanPercent(s, pos) : ScanName(s, pos);
            const String name = s.substr(pos, end - pos);
            if (end < s.size() && s[end] == '(') {
                std::size_t after = end;
                op.K = Program::Kind::Call;
                op.Call.Args = frSplitArguments(s, end, after);
                op.Call.Name = UpperCase(name);
                op.Call.Code = op.Call.Name == "COPY"        ? BuiltIn::Copy
                               : op.Call.Name == "IF"        ? BuiltIn::If
                               : op.Call.Name == "STRTODATE" ? BuiltIn::StrToDate
                               : op.Call.Name == "STRTOTIME" ? BuiltIn::StrToTime
                                                             : BuiltIn::None;
                pos = after;
            } else if (end < s.size() && s[end] == '[') {
                const std::size_t after = ScanBrackets(s, end);
                op.K = Program::Kind::Array;
                op.Text = "GETARRAY(" + name + ", " + s.substr(end + 1, after - end - 2) + ")";
                pos = after;
            } else {
                const String upper = UpperCase(name);
                if (upper == "TRUE" || upper == "FALSE") {
                    op.Value = Variant(upper == "TRUE");
                } else {
                    op.K = Program::Kind::Name;
                    op.Text = upper;
                    BindSlot(op, bound);
                }
                pos = end;
            }
        }
        program.Ops.push_back(std::move(op));
    }
    return program;
}

class DepthGuard {
public:
    explicit DepthGuard(int& depth) : depth_(depth) {
        if (++depth_ > TfrParser::kMaxEvaluationDepth) {
            --depth_;
            throw EReportError("Expression nested too deeply");
        }
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& depth_;
};

constexpr std::size_t kCacheLimit = 4096;

}  // namespace

// --- TfrParser -----------------------------------------------------------------------------------

TfrParser::TfrParser() = default;
TfrParser::~TfrParser() = default;

String TfrParser::ToPostfix(const String& s) const {
    String out;
    std::vector<char> stack;  // top last
    bool afterOperand = false;

    auto pushOperator = [&](char op) {
        if (!IsPrefix(op)) {
            while (!stack.empty() && stack.back() != '(' && ClassOf(op) >= ClassOf(stack.back())) {
                out += stack.back();
                stack.pop_back();
            }
        }
        stack.push_back(op);
        afterOperand = false;
    };

    std::size_t pos = 0;
    while (pos < s.size()) {
        const char c = s[pos];
        if (static_cast<unsigned char>(c) <= ' ') {
            ++pos;
            continue;
        }
        if (c == ';') break;
        if (c == '(') {
            stack.push_back('(');
            afterOperand = false;
            ++pos;
            continue;
        }
        if (c == ')') {
            while (!stack.empty() && stack.back() != '(') {
                out += stack.back();
                stack.pop_back();
            }
            if (stack.empty()) throw EReportError("Unbalanced parentheses");
            stack.pop_back();
            afterOperand = true;
            ++pos;
            continue;
        }
        const char next = pos + 1 < s.size() ? s[pos + 1] : 0;
        if (c == '<' && next == '>') { pushOperator(frop::NotEqual); pos += 2; continue; }
        if (c == '>' && next == '=') { pushOperator(frop::GreaterEqual); pos += 2; continue; }
        if (c == '<' && next == '=') { pushOperator(frop::LessEqual); pos += 2; continue; }
        if (c == '*' || c == '/' || c == '<' || c == '=' || c == '>') { pushOperator(c); ++pos; continue; }
        if (c == '-' || c == '+') {
            if (afterOperand) pushOperator(c);
            else pushOperator(c == '-' ? frop::Negate : frop::Plus);
            ++pos;
            continue;
        }
        // An operand.
        if (c == '\'') {
            const std::size_t end = ScanString(s, pos);
            out.append(s, pos, end - pos);
            out += ' ';
            pos = end;
        } else if (c == '[') {
            const std::size_t end = ScanBrackets(s, pos);
            out.append(s, pos, end - pos);
            out += ' ';
            pos = end;
        } else if (c == '%' || StartsNumber(c)) {
            const std::size_t end = c == '%' ? ScanPercent(s, pos) : ScanName(s, pos);
            out.append(s, pos, end - pos);
            out += ' ';
            pos = end;
        } else {
            const std::size_t end = ScanName(s, pos);
            const String name = s.substr(pos, end - pos);
            if (const char op = WordOperator(UpperCase(name))) {
                pushOperator(op);
                pos = end;
                continue;
            }
            if (end < s.size() && s[end] == '(') {
                std::size_t after = end;
                frSplitArguments(s, end, after);
                out.append(s, pos, after - pos);
                pos = after;
            } else if (end < s.size() && s[end] == '[') {
                const std::size_t after = ScanBrackets(s, end);
                out.append(s, pos, after - pos);
                out += ' ';
                pos = after;
            } else {
                out += name;
                out += ' ';
                pos = end;
            }
        }
        afterOperand = true;
    }
    while (!stack.empty()) {
        if (stack.back() == '(') throw EReportError("Unbalanced parentheses");
        out += stack.back();
        stack.pop_back();
    }
    return out;
}

void TfrParser::BindName(const String& name, Variant* value) {
    if (value) bound_[name] = value;
    else bound_.erase(name);
    ++bindingGeneration_;
    postfixCache_.clear();
    infixCache_.clear();
}

void TfrParser::UnbindNames() {
    bound_.clear();
    ++bindingGeneration_;
    postfixCache_.clear();
    infixCache_.clear();
}

Variant* TfrParser::BoundName(const String& name) const {
    const auto it = bound_.find(name);
    return it == bound_.end() ? nullptr : it->second;
}

std::shared_ptr<const TfrParser::Program> TfrParser::Prepare(const String& postfix) {
    auto it = postfixCache_.find(postfix);
    if (it != postfixCache_.end()) return it->second;
    if (postfixCache_.size() >= kCacheLimit) postfixCache_.clear();
    auto program = std::make_shared<const Program>(CompilePostfix(postfix, bound_, bindingGeneration_));
    postfixCache_.emplace(postfix, program);
    return program;
}

Variant TfrParser::RunPostfix(const String& postfix) {
    const std::shared_ptr<const Program> program = Prepare(postfix);
    return Run(*program);
}

Variant TfrParser::Evaluate(const String& infix) {
    std::shared_ptr<const Program> program;
    auto it = infixCache_.find(infix);
    if (it != infixCache_.end()) {
        program = it->second;
    } else {
        if (infixCache_.size() >= kCacheLimit) infixCache_.clear();
        program = std::make_shared<const Program>(CompilePostfix(ToPostfix(infix), bound_, bindingGeneration_));
        infixCache_.emplace(infix, program);
    }
    return Run(*program);
}

namespace {

// The operands of a running program. Integer and Double values, the common case, stay unboxed;
// every other kind is held as a Variant constructed in place.
class OperandStack {
public:
    enum Tag : unsigned char { Int, Dbl, Var };
    struct Cell {
        Tag T;
        union {
            int I;
            double D;
        };
        alignas(Variant) unsigned char Raw[sizeof(Variant)];
        Variant& V() { return *std::launder(reinterpret_cast<Variant*>(Raw)); }
        const Variant& V() const { return *std::launder(reinterpret_cast<const Variant*>(Raw)); }
        double Number() const { return T == Int ? static_cast<double>(I) : D; }
    };

    OperandStack() = default;
    OperandStack(const OperandStack&) = delete;
    OperandStack& operator=(const OperandStack&) = delete;
    ~OperandStack() {
        while (count_ > 0) Pop();
    }

    int Count() const { return count_; }
    Cell& operator[](int index) { return cells_[index]; }
    Cell& Top(int below = 0) { return cells_[count_ - 1 - below]; }

    Cell& Push() {
        if (count_ == TfrParser::kStackSize) throw EReportError("Expression too complex");
        Cell& cell = cells_[count_++];
        cell.T = Int;
        cell.I = 0;
        return cell;
    }
    void Pop() { Clear(cells_[--count_]); }

    static void SetInt(Cell& cell, int value) {
        Clear(cell);
        cell.T = Int;
        cell.I = value;
    }
    static void SetDouble(Cell& cell, double value) {
        Clear(cell);
        cell.T = Dbl;
        cell.D = value;
    }
    static void SetVariant(Cell& cell, Variant&& value) {
        switch (value.Type()) {
        case varInteger: SetInt(cell, value.AsInteger()); return;
        case varDouble: SetDouble(cell, value.AsDouble()); return;
        default: break;
        }
        if (cell.T == Var) {
            cell.V() = std::move(value);
        } else {
            new (cell.Raw) Variant(std::move(value));
            cell.T = Var;
        }
    }
    static void SetCopy(Cell& cell, const Variant& value) {
        switch (value.Type()) {
        case varInteger: SetInt(cell, value.AsInteger()); return;
        case varDouble: SetDouble(cell, value.AsDouble()); return;
        default: SetVariant(cell, Variant(value)); return;
        }
    }
    static Variant Get(const Cell& cell) {
        switch (cell.T) {
        case Int: return Variant(cell.I);
        case Dbl: return Variant(cell.D);
        default: return cell.V();
        }
    }

private:
    static void Clear(Cell& cell) {
        if (cell.T == Var) cell.V().~Variant();
        cell.T = Int;
    }
    Cell cells_[TfrParser::kStackSize];
    int count_ = 0;
};

using Cell = OperandStack::Cell;

bool IsZero(const Cell& cell) { return cell.T == OperandStack::Int ? cell.I == 0 : cell.D == 0; }

// A binary operator on two unboxed numbers, with the result in `a`; false where only the Variant
// operations give the right result (NaN comparisons, Double operands of the integer operators,
// MOD by zero).
bool FastBinary(char code, Cell& a, const Cell& b) {
    const bool ints = a.T == OperandStack::Int && b.T == OperandStack::Int;
    const auto fromWide = [&a](std::int64_t r, double wide) {
        if (r >= INT_MIN && r <= INT_MAX) OperandStack::SetInt(a, static_cast<int>(r));
        else OperandStack::SetDouble(a, wide);
    };
    const double x = a.Number();
    const double y = b.Number();
    int order = 0;
    switch (code) {
    case '+':
        if (ints) fromWide(static_cast<std::int64_t>(a.I) + b.I, x + y);
        else OperandStack::SetDouble(a, x + y);
        return true;
    case '-':
        if (ints) fromWide(static_cast<std::int64_t>(a.I) - b.I, x - y);
        else OperandStack::SetDouble(a, x - y);
        return true;
    case '*':
        if (ints) fromWide(static_cast<std::int64_t>(a.I) * b.I, x * y);
        else OperandStack::SetDouble(a, x * y);
        return true;
    case '/':
        if (IsZero(b)) OperandStack::SetInt(a, 0);
        else OperandStack::SetDouble(a, x / y);
        return true;
    case frop::Mod:
        if (!ints || b.I == 0) return false;
        OperandStack::SetInt(a, b.I == -1 ? 0 : a.I % b.I);
        return true;
    case frop::And:
        if (!ints) return false;
        OperandStack::SetInt(a, a.I & b.I);
        return true;
    case frop::Or:
        if (!ints) return false;
        OperandStack::SetInt(a, a.I | b.I);
        return true;
    default: break;
    }
    if (ints) {
        order = a.I < b.I ? -1 : a.I > b.I ? 1 : 0;
    } else {
        if (std::isnan(x) || std::isnan(y)) return false;
        order = x < y ? -1 : x > y ? 1 : 0;
    }
    bool result = false;
    switch (code) {
    case '<': result = order < 0; break;
    case '>': result = order > 0; break;
    case '=': result = order == 0; break;
    case frop::GreaterEqual: result = order >= 0; break;
    case frop::LessEqual: result = order <= 0; break;
    case frop::NotEqual: result = order != 0; break;
    default: return false;
    }
    OperandStack::SetInt(a, result ? 1 : 0);
    return true;
}

Variant GeneralBinary(char code, const Variant& a, const Variant& b) {
    switch (code) {
    case '+': return frvar::Add(a, b);
    case '-': return frvar::Subtract(a, b);
    case '*': return frvar::Multiply(a, b);
    case '/': return frvar::Divide(a, b);
    case frop::Mod: return frvar::Mod(a, b);
    case frop::And: return frvar::And(a, b);
    case frop::Or: return frvar::Or(a, b);
    case '<': return Variant(a < b ? 1 : 0);
    case '>': return Variant(a > b ? 1 : 0);
    case '=': return Variant(a == b ? 1 : 0);
    case frop::GreaterEqual: return Variant(a >= b ? 1 : 0);
    case frop::LessEqual: return Variant(a <= b ? 1 : 0);
    case frop::NotEqual: return Variant(a == b ? 0 : 1);
    default: return a;
    }
}

// A prefix operator on an unboxed number; false where only the Variant operations serve.
bool FastUnary(char code, Cell& a) {
    const double x = a.Number();
    switch (code) {
    case frop::Negate:
        if (a.T == OperandStack::Int) {
            if (a.I == INT_MIN) return false;
            a.I = -a.I;
        } else {
            a.D = -a.D;
        }
        return true;
    case frop::Not: OperandStack::SetInt(a, IsZero(a) ? 1 : 0); return true;
    case frop::Int: OperandStack::SetDouble(a, frvar::IntPart(x)); return true;
    case frop::Frac: OperandStack::SetDouble(a, frvar::FracPart(x)); return true;
    case frop::Round: OperandStack::SetDouble(a, std::nearbyint(x)); return true;
    case frop::Plus: return true;
    default: return false;
    }
}

Variant GeneralUnary(char code, const Variant& a) {
    switch (code) {
    case frop::Negate: return frvar::Negate(a);
    case frop::Not: return Variant(a == Variant(0) ? 1 : 0);
    case frop::Str: return Variant(VarToStr(a));
    case frop::Int: return Variant(frvar::IntPart(a.AsDouble()));
    case frop::Frac: return Variant(frvar::FracPart(a.AsDouble()));
    case frop::Round: return Variant(std::nearbyint(a.AsDouble()));
    default: return a;  // unary plus
    }
}

}  // namespace

Variant TfrParser::Run(const Program& program) {
    DepthGuard guard(depth_);
    OperandStack stack;
    for (const Program::Op& op : program.Ops) {
        switch (op.K) {
        case Program::Kind::Number: OperandStack::SetDouble(stack.Push(), op.Number); break;
        case Program::Kind::Push: OperandStack::SetVariant(stack.Push(), Variant(op.Value)); break;
        case Program::Kind::Name: {
            if (op.Slot && program.Generation == bindingGeneration_) {
                OperandStack::SetCopy(stack.Push(), *op.Slot);
                break;
            }
            Variant value = Null();
            if (OnNameValue) OnNameValue(op.Text, value);
            OperandStack::SetVariant(stack.Push(), std::move(value));
            break;
        }
        case Program::Kind::Array: {
            Variant value = Evaluate(op.Text);
            OperandStack::SetVariant(stack.Push(), std::move(value));
            break;
        }
        case Program::Kind::Call: {
            Variant value = CallBuiltIn(op.Call);
            OperandStack::SetVariant(stack.Push(), std::move(value));
            break;
        }
        case Program::Kind::BadNumber: StrToFloat(op.Text); throw EConvertError("'" + op.Text + "' is not a valid floating point value");
        case Program::Kind::Binary: {
            if (stack.Count() < 2) throw EReportError("Missing operand");
            Cell& a = stack.Top(1);
            const Cell& b = stack.Top(0);
            if (a.T == OperandStack::Var || b.T == OperandStack::Var || !FastBinary(op.Code, a, b)) {
                // Boxed operands are used where they lie (texts are not copied).
                Variant boxedA, boxedB;
                if (a.T != OperandStack::Var) boxedA = OperandStack::Get(a);
                if (b.T != OperandStack::Var) boxedB = OperandStack::Get(b);
                Variant result = GeneralBinary(op.Code, a.T == OperandStack::Var ? a.V() : boxedA,
                                               b.T == OperandStack::Var ? b.V() : boxedB);
                OperandStack::SetVariant(a, std::move(result));
            }
            stack.Pop();
            break;
        }
        case Program::Kind::Unary: {
            if (stack.Count() < 1) throw EReportError("Missing operand");
            Cell& a = stack.Top();
            if (a.T == OperandStack::Var || !FastUnary(op.Code, a)) {
                Variant boxed;
                if (a.T != OperandStack::Var) boxed = OperandStack::Get(a);
                Variant result = GeneralUnary(op.Code, a.T == OperandStack::Var ? a.V() : boxed);
                OperandStack::SetVariant(a, std::move(result));
            }
            break;
        }
        }
    }
    return stack.Count() > 0 ? OperandStack::Get(stack[0]) : Variant(0);
}

Variant TfrParser::EvaluateArgument(const CallOp& call, int index) {
    std::shared_ptr<const Program>& program = call.Arguments[index];
    if (!program) {
        const String& text = index == 0 ? call.Args.P1 : index == 1 ? call.Args.P2 : call.Args.P3;
        program = std::make_shared<const Program>(CompilePostfix(ToPostfix(text), bound_, bindingGeneration_));
    }
    const std::shared_ptr<const Program> held = program;
    return Run(*held);
}

Variant TfrParser::CallBuiltIn(const CallOp& call) {
    const TfrCallArguments& args = call.Args;
    switch (call.Code) {
    case BuiltIn::Copy: {
        const String text = VarToStr(EvaluateArgument(call, 0));
        const int index = StrToInt(VarToStr(EvaluateArgument(call, 1)));
        const int count = StrToInt(VarToStr(EvaluateArgument(call, 2)));
        return Variant(frvar::Copy(text, index, count));
    }
    case BuiltIn::If: {
        // The condition counts by its text as a number, truncated; an Integer's text is itself.
        const Variant condition = EvaluateArgument(call, 0);
        bool chosen = false;
        if (condition.Type() == varInteger) chosen = condition.AsInteger() != 0;
        else if (condition.Type() == varBoolean) chosen = condition.AsBoolean();
        else if (!condition.IsNull()) chosen = std::trunc(StrToFloat(VarToStr(condition))) != 0;
        return EvaluateArgument(call, chosen ? 1 : 2);
    }
    case BuiltIn::StrToDate: return Variant(StrToDate(VarToStr(EvaluateArgument(call, 0))));
    case BuiltIn::StrToTime: return Variant(StrToTime(VarToStr(EvaluateArgument(call, 0))));
    case BuiltIn::None: break;
    }
    Variant value = Null();
    if (OnCallFunction) OnCallFunction(call.Name, args.P1, args.P2, args.P3, value);
    return value;
}

// --- TfrVariables --------------------------------------------------------------------------------

namespace {

// SameText, inline for the short names of scripts.
inline bool SameName(const String& a, const String& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (x != y && ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z')) return false;
    }
    return true;
}

}  // namespace

int TfrVariables::Locate(const String& name, bool& found) const {
    if (sorted_) {
        int lo = 0, hi = Count();
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (CompareText(items_[mid].Name, name) < 0) lo = mid + 1;
            else hi = mid;
        }
        found = lo < Count() && SameText(items_[lo].Name, name);
        return lo;
    }
    for (int i = 0; i < Count(); ++i) {
        if (SameName(items_[i].Name, name)) {
            found = true;
            return i;
        }
    }
    found = false;
    return Count();
}

void TfrVariables::SetVariable(const String& name, const Variant& value) {
    bool found = false;
    const int index = Locate(name, found);
    if (found) items_[index].Value = value;
    else items_.insert(items_.begin() + index, Item{name, value});
}

const Variant* TfrVariables::Find(const String& name) const {
    bool found = false;
    const int index = Locate(name, found);
    return found ? &items_[index].Value : nullptr;
}

Variant TfrVariables::Variable(const String& name) const {
    const Variant* value = Find(name);
    return value ? *value : Null();
}

int TfrVariables::IndexOf(const String& name) const {
    bool found = false;
    const int index = Locate(name, found);
    return found ? index : -1;
}

String TfrVariables::Name(int index) const {
    return index >= 0 && index < Count() ? items_[index].Name : String();
}

Variant TfrVariables::Value(int index) const {
    return index >= 0 && index < Count() ? items_[index].Value : Variant(0);
}

void TfrVariables::Delete(int index) {
    if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TfrVariables::SetSorted(bool sorted) {
    if (sorted && !sorted_)
        std::stable_sort(items_.begin(), items_.end(),
                         [](const Item& a, const Item& b) { return CompareText(a.Name, b.Name) < 0; });
    sorted_ = sorted;
}
