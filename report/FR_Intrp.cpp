#include "FR_Intrp.h"

#include "Encoding.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

namespace {

constexpr char kJumpIfZero = 1, kJump = 2, kEvaluate = 3;

struct CompileError {
    std::size_t Pos;
    String Message;
};

enum class TokenKind { End, Name, Number, Text, Symbol };

struct Token {
    TokenKind Kind = TokenKind::End;
    String Text;   // as written
    String Upper;  // names and symbols in upper case
    std::size_t Pos = 0;
    std::size_t End = 0;
};

bool IsNameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || std::isdigit(c) || c == '.'; }

struct Line {
    char Kind = 0;  // kJumpIfZero, kJump, kEvaluate, or 0 for an assignment
    int Target = 0;
    String Name;
    String Expression;
    String Label;   // a GOTO's label until it is resolved
    std::size_t Pos = 0;
};

class ScriptCompiler {
public:
    ScriptCompiler(const String& text, TfrParser& parser) : parser_(parser) { StripComments(text); }

    void Compile(TStrings* compiled, TStrings* errors) {
        try {
            Statement();
            ResolveLabels();
            Emit(compiled, true);
        } catch (const CompileError& error) {
            if (!emitted_) Emit(compiled, false);
            errors->Add(Position(error.Pos) + ": " + error.Message);
        }
    }

private:
    // --- Text, comments and positions --------------------------------------------------------------

    void StripComments(const String& source) {
        original_ = source;
        std::size_t i = 0;
        while (i < source.size()) {
            const char c = source[i];
            if (c == '\'') {
                std::size_t j = i + 1;
                while (j < source.size() && source[j] != '\'') ++j;
                j = std::min(j + 1, source.size());
                text_.append(source, i, j - i);
                i = j;
            } else if (c == '{') {
                std::size_t j = source.find('}', i);
                j = j == String::npos ? source.size() : j + 1;
                cuts_.push_back({text_.size(), j - i});
                i = j;
            } else if (c == '/' && i + 1 < source.size() && source[i + 1] == '/') {
                std::size_t j = source.find('\r', i);
                if (j == String::npos) j = source.size();
                cuts_.push_back({text_.size(), j - i});
                i = j;
            } else {
                text_ += c;
                ++i;
            }
        }
    }

    String Position(std::size_t pos) const {
        std::size_t original = pos;
        for (const auto& cut : cuts_)
            if (cut.first <= pos) original += cut.second;
        original = std::min(original, original_.size());
        int line = 1;
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i < original; ++i) {
            if (original_[i] == '\r') {
                ++line;
                lineStart = i + 1;
            }
        }
        return "Line " + IntToStr(line) + "/" + IntToStr(static_cast<int>(original - lineStart + 1));
    }

    [[noreturn]] void Fail(std::size_t pos, const String& message) { throw CompileError{pos, message}; }

    // --- Tokens ------------------------------------------------------------------------------------

    Token Scan(std::size_t pos) const {
        while (pos < text_.size() && static_cast<unsigned char>(text_[pos]) <= ' ') ++pos;
        Token t;
        t.Pos = pos;
        if (pos >= text_.size()) {
            t.End = pos;
            return t;
        }
        const unsigned char c = static_cast<unsigned char>(text_[pos]);
        std::size_t end = pos + 1;
        if (IsNameStart(c)) {
            t.Kind = TokenKind::Name;
            while (end < text_.size() && IsNameChar(static_cast<unsigned char>(text_[end]))) ++end;
        } else if (std::isdigit(c)) {
            t.Kind = TokenKind::Number;
            while (end < text_.size() && std::isdigit(static_cast<unsigned char>(text_[end]))) ++end;
            if (end + 1 < text_.size() && text_[end] == '.' &&
                std::isdigit(static_cast<unsigned char>(text_[end + 1]))) {
                ++end;
                while (end < text_.size() && std::isdigit(static_cast<unsigned char>(text_[end]))) ++end;
            }
        } else if (c == '\'') {
            t.Kind = TokenKind::Text;
            for (;; ++end) {
                if (end >= text_.size()) throw CompileError{pos, "Unterminated string"};
                if (text_[end] == '\'') {
                    if (end + 1 < text_.size() && text_[end + 1] == '\'') ++end;
                    else break;
                }
            }
            ++end;
        } else {
            t.Kind = TokenKind::Symbol;
            const char d = end < text_.size() ? text_[end] : 0;
            if ((c == ':' && d == '=') || (c == '<' && (d == '=' || d == '>')) || (c == '>' && d == '='))
                ++end;
        }
        t.End = end;
        t.Text = text_.substr(pos, end - pos);
        t.Upper = UpperCase(t.Text);
        return t;
    }

    const Token& Peek() {
        if (!peeked_) {
            next_ = Scan(pos_);
            peeked_ = true;
        }
        return next_;
    }

    Token Next() {
        Token t = Peek();
        pos_ = t.End;
        peeked_ = false;
        return t;
    }

    bool PeekIs(const char* upper) { return Peek().Kind != TokenKind::End && Peek().Kind != TokenKind::Text && Peek().Upper == upper; }

    void Expect(const char* upper, const char* message) {
        if (!PeekIs(upper)) Fail(Peek().Pos, message);
        Next();
    }

    bool AtStatementEnd() {
        return Peek().Kind == TokenKind::End || PeekIs(";") || PeekIs("END") || PeekIs("ELSE") || PeekIs("UNTIL");
    }

    // --- Expression extents ------------------------------------------------------------------------

    class Nesting {
    public:
        Nesting(ScriptCompiler& c, std::size_t pos) : c_(c) {
            if (++c_.depth_ > TfrInterpretator::kMaxNesting) c_.Fail(pos, "Nested too deeply");
        }
        ~Nesting() { --c_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        ScriptCompiler& c_;
    };

    String Expression() {
        const std::size_t start = Peek().Pos;
        Comparison();
        return text_.substr(start, pos_ - start);
    }

    void Comparison() {
        Sum();
        while (PeekIs("<") || PeekIs(">") || PeekIs("=") || PeekIs("<=") || PeekIs(">=") || PeekIs("<>")) {
            Next();
            Sum();
        }
    }

    void Sum() {
        Product();
        while (PeekIs("+") || PeekIs("-") || PeekIs("OR")) {
            Next();
            Product();
        }
    }

    void Product() {
        Factor();
        while (PeekIs("*") || PeekIs("/") || PeekIs("AND") || PeekIs("MOD")) {
            Next();
            Factor();
        }
    }

    void Factor() {
        Nesting nesting(*this, Peek().Pos);
        const Token t = Next();
        switch (t.Kind) {
        case TokenKind::End: Fail(t.Pos, "Need an expression here");
        case TokenKind::Number:
        case TokenKind::Text: return;
        case TokenKind::Symbol:
            if (t.Text == "(") {
                Comparison();
                Expect(")", "Need \")\" here");
            } else if (t.Text == "[") {
                BracketRest(t.Pos);
            } else if (t.Text == "+" || t.Text == "-") {
                Factor();
            } else {
                Fail(t.Pos, "Need an expression here");
            }
            return;
        case TokenKind::Name:
            if (t.Upper == "NOT" || t.Upper == "INT" || t.Upper == "FRAC" || t.Upper == "ROUND" || t.Upper == "STR") {
                Factor();
            } else if (PeekIs("[")) {
                Next();
                Comparison();
                Expect("]", "Need \"]\" here");
            } else if (PeekIs("(")) {
                Next();
                Comparison();
                while (PeekIs(",")) {
                    Next();
                    Comparison();
                }
                Expect(")", "Need \",\" or \")\" here");
            }
            return;
        }
    }

    // A bracketed variable: up to the matching "]", quoted parts skipped.
    void BracketRest(std::size_t open) {
        int depth = 1;
        char quote = 0;
        for (std::size_t i = open + 1; i < text_.size(); ++i) {
            const char c = text_[i];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == '[') {
                ++depth;
            } else if (c == ']' && --depth == 0) {
                pos_ = i + 1;
                peeked_ = false;
                return;
            }
        }
        Fail(text_.size(), "Need \"]\" here");
    }

    // --- Statements --------------------------------------------------------------------------------

    int Add(Line line) {
        if (static_cast<int>(lines_.size()) >= TfrInterpretator::kMaxLines)
            Fail(line.Pos, "Script too long: more than " + IntToStr(TfrInterpretator::kMaxLines) + " lines");
        lines_.push_back(std::move(line));
        return static_cast<int>(lines_.size()) - 1;
    }

    int Count() const { return static_cast<int>(lines_.size()); }

    void Statement() {
        Nesting nesting(*this, Peek().Pos);
        if (AtStatementEnd()) return;
        const Token t = Peek();
        if (t.Kind == TokenKind::Name) {
            if (t.Upper == "BEGIN") return Block();
            if (t.Upper == "IF") return If();
            if (t.Upper == "REPEAT") return Repeat();
            if (t.Upper == "WHILE") return While();
            if (t.Upper == "FOR") return For();
            if (t.Upper == "GOTO") return Goto();
            return NameStatement();
        }
        if (t.Kind == TokenKind::Number && Scan(t.End).Text == ":") {
            Next();
            Next();
            AddLabel(t);
            return Statement();
        }
        const std::size_t pos = t.Pos;
        Add({kEvaluate, 0, {}, Expression(), {}, pos});
    }

    void Block() {
        Next();
        for (;;) {
            Statement();
            if (PeekIs(";")) {
                Next();
            } else if (PeekIs("END")) {
                Next();
                return;
            } else {
                Fail(Peek().Pos, "Need \";\" or \"end\" here");
            }
        }
    }

    void If() {
        Next();
        const std::size_t pos = Peek().Pos;
        const String condition = Expression();
        Expect("THEN", "Need \"then\" here");
        const int jump = Add({kJumpIfZero, 0, {}, condition, {}, pos});
        Statement();
        if (PeekIs("ELSE")) {
            const std::size_t elsePos = Next().Pos;
            const int skip = Add({kJump, 0, {}, {}, {}, elsePos});
            lines_[jump].Target = Count();
            Statement();
            lines_[skip].Target = Count();
        } else {
            lines_[jump].Target = Count();
        }
    }

    void Repeat() {
        Next();
        const int start = Count();
        for (;;) {
            Statement();
            if (PeekIs(";")) {
                Next();
            } else if (PeekIs("UNTIL")) {
                Next();
                const std::size_t pos = Peek().Pos;
                Add({kJumpIfZero, start, {}, Expression(), {}, pos});
                return;
            } else {
                Fail(Peek().Pos, "Need \";\" or \"until\" here");
            }
        }
    }

    void While() {
        Next();
        const int condition = Count();
        const std::size_t pos = Peek().Pos;
        const String expression = Expression();
        Expect("DO", "Need \"do\" here");
        const int jump = Add({kJumpIfZero, 0, {}, expression, {}, pos});
        Statement();
        Add({kJump, condition, {}, {}, {}, pos});
        lines_[jump].Target = Count();
    }

    void For() {
        Next();
        const Token name = Next();
        if (name.Kind != TokenKind::Name) Fail(name.Pos, "Need a variable here");
        Expect(":=", "Need \":=\" here");
        const std::size_t pos = Peek().Pos;
        const String first = Expression();
        Expect("TO", "Need \"to\" here");
        const String limit = Expression();
        Expect("DO", "Need \"do\" here");
        Add({0, 0, name.Text, first, {}, pos});
        const int condition = Count();
        const int jump = Add({kJumpIfZero, 0, {}, name.Text + "<=" + limit, {}, pos});
        Statement();
        Add({0, 0, name.Text, name.Text + "+1", {}, pos});
        Add({kJump, condition, {}, {}, {}, pos});
        lines_[jump].Target = Count();
    }

    void Goto() {
        Next();
        const Token label = Next();
        if (label.Kind != TokenKind::Number || label.Text.find('.') != String::npos)
            Fail(label.Pos, "\"goto\" label must be a number");
        Add({kJump, 0, {}, {}, label.Text + ":", label.Pos});
    }

    void AddLabel(const Token& t) {
        const String label = t.Text + ":";
        if (label.size() > TfrInterpretator::kMaxLabelLength) Fail(t.Pos, "Label too long");
        for (const auto& known : labels_)
            if (known.first == label) return;
        if (static_cast<int>(labels_.size()) >= TfrInterpretator::kMaxLabels) Fail(t.Pos, "Too many labels");
        labels_.push_back({label, Count()});
    }

    void NameStatement() {
        const std::size_t start = pos_;
        const Token name = Next();
        if (PeekIs("[")) {
            Next();
            const String index = Expression();
            Expect("]", "Need \"]\" here");
            Expect(":=", "Need \":=\" here");
            const String value = Expression();
            Add({kEvaluate, 0, {}, "SETARRAY(" + name.Text + ", " + index + ", " + value + ")", {}, name.Pos});
        } else if (PeekIs(":=")) {
            Next();
            const std::size_t pos = Peek().Pos;
            Add({0, 0, name.Text, Expression(), {}, pos});
        } else if (AtStatementEnd()) {
            Add({kEvaluate, 0, {}, name.Text + "(0)", {}, name.Pos});
        } else if (PeekIs("(")) {
            pos_ = start;
            peeked_ = false;
            Add({kEvaluate, 0, {}, Expression(), {}, name.Pos});
        } else {
            Fail(Peek().Pos, "Need \":=\" here");
        }
    }

    void ResolveLabels() {
        for (Line& line : lines_) {
            if (line.Label.empty()) continue;
            const auto found = std::find_if(labels_.begin(), labels_.end(),
                                            [&](const auto& l) { return l.first == line.Label; });
            if (found == labels_.end())
                Fail(line.Pos, "Label " + line.Label.substr(0, line.Label.size() - 1) + " is not defined");
            line.Target = found->second;
            line.Label.clear();
        }
    }

    // Writes the compiled lines; after an error, those that convert.
    void Emit(TStrings* compiled, bool complete) {
        emitted_ = true;
        for (const Line& line : lines_) {
            String postfix;
            if (line.Kind != kJump) {
                try {
                    postfix = parser_.ToPostfix(line.Expression);
                } catch (const Exception& e) {
                    if (!complete) continue;
                    throw CompileError{line.Pos, e.Message};
                }
            }
            String out;
            if (line.Kind == 0) {
                out = line.Name + " " + postfix;
            } else {
                out += line.Kind;
                if (line.Kind != kEvaluate) {
                    out += static_cast<char>(line.Target & 0xFF);
                    out += static_cast<char>((line.Target >> 8) & 0xFF);
                }
                out += postfix;
            }
            compiled->Add(out);
        }
    }

    TfrParser& parser_;
    String original_;
    String text_;
    std::vector<std::pair<std::size_t, std::size_t>> cuts_;  // position in text_, length cut
    std::vector<Line> lines_;
    std::vector<std::pair<String, int>> labels_;
    std::size_t pos_ = 0;
    Token next_;
    bool peeked_ = false;
    bool emitted_ = false;
    int depth_ = 0;
};

}  // namespace

TfrInterpretator::TfrInterpretator() {
    parser_.OnNameValue = [this](const String& name, Variant& value) { ReadName(name, value); };
    parser_.OnCallFunction = [this](const String& name, const String& p1, const String& p2, const String& p3,
                                    Variant& value) { CallFunction(name, p1, p2, p3, value); };
}

TfrInterpretator::~TfrInterpretator() = default;

void TfrInterpretator::CompileScript(TStrings* source, TStrings* compiled, TStrings* errors) {
    compiled->Clear();
    errors->Clear();
    String text;
    for (int i = 0; i < source->Count(); ++i) {
        text += source->Get(i);
        text += '\r';
    }
    std::replace(text.begin(), text.end(), '\t', ' ');
    if (text.size() > kMaxScriptLength) {
        errors->Add("Line 1/1: Script longer than " + IntToStr(static_cast<int>(kMaxScriptLength)) + " characters");
        return;
    }
    // Compile into a local list first: a failing conversion must not leave half a line behind.
    TStringList lines;
    ScriptCompiler(text, parser_).Compile(&lines, errors);
    compiled->AddStrings(&lines);
}

namespace {

// Whether a condition equals 0; Integer and Double answer without the general comparison.
bool IsZero(const Variant& value) {
    switch (value.Type()) {
    case varInteger: return value.AsInteger() == 0;
    case varDouble: return value.AsDouble() == 0;
    default: return value == Variant(0);
    }
}

}  // namespace

void TfrInterpretator::RunScript(TStrings* compiled) {
    struct Step {
        char Kind;
        int Target;
        String Name;
        String Postfix;
        std::shared_ptr<const TfrParser::Program> Program;
        // An assignment's bound variable, looked up again when the bindings change.
        Variant* Slot = nullptr;
        unsigned SlotGeneration = 0;
        bool SlotKnown = false;
    };
    std::vector<Step> steps;
    steps.reserve(compiled->Count());
    for (int i = 0; i < compiled->Count(); ++i) {
        const String line = compiled->Get(i);
        const char kind = line.empty() ? 0 : line[0];
        if (kind == kJumpIfZero || kind == kJump) {
            if (line.size() < 3) throw EReportError("Malformed compiled line " + IntToStr(i));
            const int target = static_cast<unsigned char>(line[1]) | (static_cast<unsigned char>(line[2]) << 8);
            steps.push_back({kind, target, {}, line.substr(3), {}});
        } else if (kind == kEvaluate) {
            steps.push_back({kind, 0, {}, line.substr(1), {}});
        } else {
            const std::size_t blank = line.find(' ');
            steps.push_back({0, 0, line.substr(0, blank),
                             blank == String::npos ? String() : line.substr(blank + 1), {}});
        }
    }
    // Each line's program is made when the line first runs.
    auto run = [this](Step& step) -> Variant {
        if (!step.Program) step.Program = parser_.Prepare(step.Postfix);
        return parser_.Run(*step.Program);
    };
    std::uint64_t executed = 0;
    std::size_t i = 0;
    while (i < steps.size()) {
        if (StepLimit != 0 && ++executed > StepLimit) throw EReportError("Script stopped after too many steps");
        Step& step = steps[i];
        switch (step.Kind) {
        case kJumpIfZero:
            i = IsZero(run(step)) ? static_cast<std::size_t>(step.Target) : i + 1;
            break;
        case kJump: i = static_cast<std::size_t>(step.Target); break;
        case kEvaluate:
            if (UpperCase(step.Postfix) == "EXIT(0)") return;
            run(step);
            ++i;
            break;
        default: {
            Variant value = run(step);
            if (!step.SlotKnown || step.SlotGeneration != parser_.BindingGeneration()) {
                step.Slot = parser_.BoundName(UpperCase(step.Name));
                step.SlotGeneration = parser_.BindingGeneration();
                step.SlotKnown = true;
            }
            if (step.Slot) *step.Slot = std::move(value);
            else AssignName(step.Name, value);
            ++i;
            break;
        }
        }
    }
}
