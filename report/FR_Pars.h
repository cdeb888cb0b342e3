// Report expressions: TfrParser turns infix text into postfix text and evaluates it over variants;
// TfrVariables is a named list of variants.
//
// Operator classes (lower binds tighter): INT FRAC ROUND STR; * / AND OR MOD NOT; + - and the signs;
// the comparisons. "A = 1 OR B = 2" therefore reads "A = (1 OR B) = 2".
//
// Errors raise EReportError (unbalanced brackets and quotes, a missing operand, more than 32
// pending operands, more than three arguments, nesting deeper than kMaxEvaluationDepth), EDivByZero
// (MOD by zero) or the platform's conversion errors. "/" by zero gives 0.
#pragma once

#include "Variant.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

VESTREL_EXCEPTION(EReportError, Exception);

// Operator codes of the postfix text.
namespace frop {
constexpr char GreaterEqual = 1, LessEqual = 2, NotEqual = 3, Or = 4, And = 5, Int = 6, Frac = 7,
               Negate = 9, Plus = 10, Str = 11, Not = 12, Mod = 13, Round = 14;
}

using TfrNameValueEvent = std::function<void(const String& name, Variant& value)>;
using TfrCallFunctionEvent = std::function<void(const String& name, const String& p1, const String& p2,
                                                const String& p3, Variant& value)>;

class TfrParser {
public:
    static constexpr int kStackSize = 32;
    // Evaluate may re-enter itself through IF, COPY, array indices and functions up to this depth.
    static constexpr int kMaxEvaluationDepth = 64;

    TfrParser();
    ~TfrParser();
    TfrParser(const TfrParser&) = delete;
    TfrParser& operator=(const TfrParser&) = delete;

    String ToPostfix(const String& infix) const;
    Variant RunPostfix(const String& postfix);
    Variant Evaluate(const String& infix);

    // Value is Null before each call; an unassigned event leaves it Null.
    TfrNameValueEvent OnNameValue;
    TfrCallFunctionEvent OnCallFunction;

    // Variables the caller keeps at a stable address: a bound name (as OnNameValue would receive
    // it, bare names upper-cased) is read from its address instead of through OnNameValue, and the
    // interpreter assigns it there. The address must stay valid until the name is bound anew or
    // unbound; nullptr unbinds. Programs compiled before a change of the bindings go back to
    // OnNameValue for every name.
    void BindName(const String& name, Variant* value);
    void UnbindNames();
    Variant* BoundName(const String& name) const;  // nullptr when not bound
    // Changes whenever the bindings change.
    unsigned BindingGeneration() const { return bindingGeneration_; }

    // A postfix text compiled once, for callers that run the same text many times.
    struct Program;
    std::shared_ptr<const Program> Prepare(const String& postfix);
    Variant Run(const Program& program);

private:
    Variant CallBuiltIn(const struct CallOp& call);
    Variant EvaluateArgument(const struct CallOp& call, int index);

    std::unordered_map<String, std::shared_ptr<const Program>> postfixCache_;
    std::unordered_map<String, std::shared_ptr<const Program>> infixCache_;
    std::unordered_map<String, Variant*> bound_;
    unsigned bindingGeneration_ = 0;
    int depth_ = 0;
};

// The arguments of a call text "NAME(a, b, c)" from the "(" at `open`: up to three texts split at
// commas outside parentheses and single quotes; `end` receives the position after the ")".
// Raises EReportError when the parentheses do not balance or there are more than three.
struct TfrCallArguments {
    String P1, P2, P3;
    int Count = 0;
};
TfrCallArguments frSplitArguments(const String& text, std::size_t open, std::size_t& end);

// Named variants, names compared without regard to ASCII case.
class TfrVariables {
public:
    void SetVariable(const String& name, const Variant& value);  // replaces or appends
    Variant Variable(const String& name) const;                   // Null when absent
    // The stored value, or nullptr.
    const Variant* Find(const String& name) const;
    int IndexOf(const String& name) const;                        // -1 when absent
    int Count() const { return static_cast<int>(items_.size()); }
    String Name(int index) const;    // "" out of range
    Variant Value(int index) const;  // 0 out of range
    void Delete(int index);          // ignored out of range
    void Clear() { items_.clear(); }
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

private:
    struct Item {
        String Name;
        Variant Value;
    };
    int Locate(const String& name, bool& found) const;
    std::vector<Item> items_;
    bool sorted_ = false;
};

// Variant operations of the expressions. Joining texts beyond kMaxTextLength bytes raises
// EReportError. Null in gives Null out for arithmetic, AND, OR and MOD.
namespace frvar {
#ifdef VESTREL_FUZZ
// Fuzzing reaches the same limit with far less copying per input.
constexpr std::size_t kMaxTextLength = 64 * 1024;
#else
constexpr std::size_t kMaxTextLength = 16 * 1024 * 1024;
#endif
Variant Add(const Variant& a, const Variant& b);
Variant Subtract(const Variant& a, const Variant& b);
Variant Multiply(const Variant& a, const Variant& b);
Variant Divide(const Variant& a, const Variant& b);  // 0 when b equals 0
Variant Mod(const Variant& a, const Variant& b);     // EDivByZero when b is 0
Variant And(const Variant& a, const Variant& b);     // logical on two Booleans, else bitwise
Variant Or(const Variant& a, const Variant& b);
Variant Negate(const Variant& a);
// Whole number of a value within 1e-10 of one, then the whole or fractional part.
double IntPart(double value);
double FracPart(double value);
// Characters (code points) of UTF-8 text.
String Copy(const String& text, int index, int count);
int Length(const String& text);
int Pos(const String& sub, const String& text);
}  // namespace frvar
