#include "FormReader.h"

#include "Encoding.h"
#include "Streams.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

// Deeper nesting of objects, lists and collections is refused (keeps the stack bounded).
constexpr int kMaxDepth = 200;

String Where(const String& sourceName, int line, int column) {
    return (sourceName.empty() ? String() : sourceName + ", ") + "line " + std::to_string(line) + ", column " +
           std::to_string(column);
}

bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsIdentChar(char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void AppendUtf8(String& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at `pos`, 0 when it is not one.
std::size_t Utf8SequenceLength(const String& text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(pos);
    if (b0 < 0x80)
        return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0)
            low = 0xA0;
        if (b0 == 0xED)
            high = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0)
            low = 0x90;
        if (b0 == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    if (byte(pos + 1) < low || byte(pos + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(pos + i) < 0x80 || byte(pos + i) > 0xBF)
            return 0;
    return length;
}

std::vector<String> SplitPath(const String& path) {
    std::vector<String> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = path.find('.', start);
        parts.push_back(path.substr(start, dot == String::npos ? String::npos : dot - start));
        if (dot == String::npos)
            return parts;
        start = dot + 1;
    }
}

// ---- Lexer and parser ----

struct TToken {
    enum class TKind { End, Ident, Integer, Float, String, Symbol, Binary };
    TKind Kind = TKind::End;
    int Line = 1;
    int Column = 1;
    String Text;
    char Symbol = 0;
    std::int64_t Integer = 0;
    double Float = 0;
    std::vector<std::uint8_t> Bytes;
};

class TFormParser {
public:
    TFormParser(const String& text, const String& sourceName) : text_(text), sourceName_(sourceName) {
        if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0)
            pos_ = 3;
        token_ = Lex();
    }

    TFormObject Parse() {
        TFormObject root = ParseObject(0);
        if (token_.Kind != TToken::TKind::End)
            Fail(token_, "End of text expected, found " + Describe(token_));
        return root;
    }

private:
    [[noreturn]] void Fail(int line, int column, const String& message) const {
        throw EReadError(message + " (" + Where(sourceName_, line, column) + ")");
    }
    [[noreturn]] void Fail(const TToken& token, const String& message) const {
        Fail(token.Line, token.Column, message);
    }

    // -- lexer --

    char Peek(std::size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    bool AtEnd() const { return pos_ >= text_.size(); }

    void Advance() {
        const auto c = static_cast<unsigned char>(text_[pos_++]);
        if (c == '\n') {
            ++line_;
            column_ = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column_;
        }
    }

    TToken Lex() {
        while (!AtEnd() && IsBlank(Peek()))
            Advance();
        TToken token;
        token.Line = line_;
        token.Column = column_;
        if (AtEnd())
            return token;
        const char c = Peek();
        if (IsIdentStart(c)) {
            token.Kind = TToken::TKind::Ident;
            while (!AtEnd() && IsIdentChar(Peek())) {
                token.Text += Peek();
                Advance();
            }
        } else if (IsDigit(c) || ((c == '-' || c == '+') && IsDigit(Peek(1)))) {
            LexNumber(token);
        } else if (c == '\'' || c == '#') {
            LexString(token);
        } else if (c == '{') {
            LexBinary(token);
        } else if (String("=:.,[]()<>+").find(c) != String::npos) {
            token.Kind = TToken::TKind::Symbol;
            token.Symbol = c;
            Advance();
        } else {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte < 0x7F)
                Fail(token, String("Invalid character '") + c + "'");
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", byte);
            Fail(token, String("Invalid character ") + hex);
        }
        return token;
    }

    void LexNumber(TToken& token) {
        const std::size_t start = pos_;
        if (Peek() == '-' || Peek() == '+')
            Advance();
        while (IsDigit(Peek()))
            Advance();
        bool isFloat = false;
        if (Peek() == '.' && IsDigit(Peek(1))) {
            isFloat = true;
            Advance();
            while (IsDigit(Peek()))
                Advance();
        }
        if ((Peek() == 'e' || Peek() == 'E') &&
            (IsDigit(Peek(1)) || ((Peek(1) == '-' || Peek(1) == '+') && IsDigit(Peek(2))))) {
            isFloat = true;
            Advance();
            if (Peek() == '-' || Peek() == '+')
                Advance();
            while (IsDigit(Peek()))
                Advance();
        }
        if (IsIdentChar(Peek()) || Peek() == '.')
            Fail(token, "Invalid number");
        std::size_t first = start;
        if (text_[first] == '+')
            ++first;
        const char* begin = text_.data() + first;
        const char* end = text_.data() + pos_;
        if (isFloat) {
            token.Kind = TToken::TKind::Float;
            const auto result = std::from_chars(begin, end, token.Float);
            if (result.ec != std::errc() || result.ptr != end)
                Fail(token, "Number out of range");
        } else {
            token.Kind = TToken::TKind::Integer;
            const auto result = std::from_chars(begin, end, token.Integer);
            if (result.ec != std::errc() || result.ptr != end)
                Fail(token, "Integer out of range");
        }
    }

    // A run of directly adjacent 'quoted' and #code pieces.
    void LexString(TToken& token) {
        token.Kind = TToken::TKind::String;
        while (Peek() == '\'' || Peek() == '#') {
            const int line = line_, column = column_;
            if (Peek() == '#') {
                Advance();
                if (!IsDigit(Peek()))
                    Fail(line, column, "Character code expected after #");
                std::uint32_t code = 0;
                bool tooBig = false;
                while (IsDigit(Peek())) {
                    code = code * 10 + static_cast<std::uint32_t>(Peek() - '0');
                    if (code > 0x10FFFF) {
                        tooBig = true;
                        code = 0x110000;
                    }
                    Advance();
                }
                if (tooBig || (code >= 0xD800 && code <= 0xDFFF))
                    Fail(line, column, "Invalid character code");
                AppendUtf8(token.Text, code);
                continue;
            }
            Advance();  // opening quote
            for (;;) {
                if (AtEnd() || Peek() == '\n' || Peek() == '\r')
                    Fail(line, column, "Unterminated string");
                if (Peek() == '\'') {
                    Advance();
                    if (Peek() != '\'')
                        break;
                    token.Text += '\'';
                    Advance();
                    continue;
                }
                const std::size_t length = Utf8SequenceLength(text_, pos_);
                if (length == 0)
                    Fail(line_, column_, "Invalid UTF-8 in string");
                token.Text.append(text_, pos_, length);
                for (std::size_t i = 0; i < length; ++i)
                    Advance();
            }
        }
    }

    void LexBinary(TToken& token) {
        token.Kind = TToken::TKind::Binary;
        Advance();  // '{'
        int high = -1;
        for (;;) {
            if (AtEnd())
                Fail(token, "Unterminated binary data");
            const char c = Peek();
            if (c == '}') {
                Advance();
                break;
            }
            if (IsBlank(c)) {
                Advance();
                continue;
            }
            const int v = HexValue(c);
            if (v < 0)
                Fail(line_, column_, "Invalid character in binary data");
            if (high < 0) {
                high = v;
            } else {
                token.Bytes.push_back(static_cast<std::uint8_t>(high * 16 + v));
                high = -1;
            }
            Advance();
        }
        if (high >= 0)
            Fail(token, "Odd number of hex digits in binary data");
    }

    // -- parser --

    void Next() { token_ = Lex(); }

    bool IsSymbol(char symbol) const { return token_.Kind == TToken::TKind::Symbol && token_.Symbol == symbol; }
    bool IsKeyword(const char* keyword) const {
        return token_.Kind == TToken::TKind::Ident && SameText(token_.Text, keyword);
    }

    static String Describe(const TToken& token) {
        switch (token.Kind) {
        case TToken::TKind::End: return "end of text";
        case TToken::TKind::Ident: return "'" + token.Text + "'";
        case TToken::TKind::Integer:
        case TToken::TKind::Float: return "a number";
        case TToken::TKind::String: return "a string";
        case TToken::TKind::Symbol: return String("'") + token.Symbol + "'";
        case TToken::TKind::Binary: return "binary data";
        }
        return "?";
    }

    String ExpectIdent(const char* what) {
        if (token_.Kind != TToken::TKind::Ident)
            Fail(token_, String(what) + " expected, found " + Describe(token_));
        String text = std::move(token_.Text);
        Next();
        return text;
    }

    String ParseDottedIdent(const char* what) {
        String name = ExpectIdent(what);
        while (IsSymbol('.')) {
            Next();
            name += '.';
            name += ExpectIdent("Identifier");
        }
        return name;
    }

    TFormObject ParseObject(int depth) {
        if (depth > kMaxDepth)
            Fail(token_, "Objects nested too deeply");
        if (!IsKeyword("object"))
            Fail(token_, "'object' expected, found " + Describe(token_));
        TFormObject object;
        object.Line = token_.Line;
        object.Column = token_.Column;
        Next();
        String first = ExpectIdent("Component name");
        if (IsSymbol(':')) {
            Next();
            object.Name = std::move(first);
            object.ClassName = ExpectIdent("Class name");
        } else {
            object.ClassName = std::move(first);
        }
        while (token_.Kind == TToken::TKind::Ident && !IsKeyword("object") && !IsKeyword("end"))
            object.Properties.push_back(ParseProperty(depth));
        while (IsKeyword("object"))
            object.Children.push_back(ParseObject(depth + 1));
        if (!IsKeyword("end"))
            Fail(token_, "'end' expected, found " + Describe(token_));
        Next();
        return object;
    }

    TFormProperty ParseProperty(int depth) {
        TFormProperty property;
        property.Line = token_.Line;
        property.Column = token_.Column;
        property.Path = ParseDottedIdent("Property name");
        if (!IsSymbol('='))
            Fail(token_, "'=' expected after " + property.Path + ", found " + Describe(token_));
        Next();
        property.Value = ParseValue(depth + 1);
        return property;
    }

    TFormValue ParseValue(int depth) {
        if (depth > kMaxDepth)
            Fail(token_, "Values nested too deeply");
        TFormValue value;
        value.Line = token_.Line;
        value.Column = token_.Column;
        using K = TFormValue::TKind;
        switch (token_.Kind) {
        case TToken::TKind::Integer:
            value.Kind = K::Integer;
            value.Integer = token_.Integer;
            Next();
            return value;
        case TToken::TKind::Float:
            value.Kind = K::Float;
            value.Float = token_.Float;
            Next();
            return value;
        case TToken::TKind::String:
            value.Kind = K::String;
            value.Text = std::move(token_.Text);
            Next();
            while (IsSymbol('+')) {
                Next();
                if (token_.Kind != TToken::TKind::String)
                    Fail(token_, "String expected after '+', found " + Describe(token_));
                value.Text += token_.Text;
                Next();
            }
            return value;
        case TToken::TKind::Ident:
            value.Kind = K::Ident;
            value.Text = ParseDottedIdent("Identifier");
            return value;
        case TToken::TKind::Binary:
            value.Kind = K::Binary;
            value.Bytes = std::move(token_.Bytes);
            Next();
            return value;
        case TToken::TKind::Symbol:
            if (IsSymbol('['))
                return ParseSet(std::move(value));
            if (IsSymbol('('))
                return ParseList(std::move(value), depth);
            if (IsSymbol('<'))
                return ParseCollection(std::move(value), depth);
            break;
        case TToken::TKind::End:
            break;
        }
        Fail(token_, "Value expected, found " + Describe(token_));
    }

    TFormValue ParseSet(TFormValue value) {
        value.Kind = TFormValue::TKind::Set;
        Next();
        if (!IsSymbol(']')) {
            value.Names.push_back(ExpectIdent("Set element"));
            while (IsSymbol(',')) {
                Next();
                value.Names.push_back(ExpectIdent("Set element"));
            }
        }
        if (!IsSymbol(']'))
            Fail(token_, "']' expected, found " + Describe(token_));
        Next();
        return value;
    }

    TFormValue ParseList(TFormValue value, int depth) {
        value.Kind = TFormValue::TKind::List;
        Next();
        while (!IsSymbol(')')) {
            if (token_.Kind == TToken::TKind::End)
                Fail(token_, "')' expected, found end of text");
            value.Items.push_back(ParseValue(depth + 1));
        }
        Next();
        return value;
    }

    TFormValue ParseCollection(TFormValue value, int depth) {
        value.Kind = TFormValue::TKind::Collection;
        Next();
        while (!IsSymbol('>')) {
            if (!IsKeyword("item"))
                Fail(token_, "'item' or '>' expected, found " + Describe(token_));
            TFormItem item;
            item.Line = token_.Line;
            item.Column = token_.Column;
            Next();
            while (token_.Kind == TToken::TKind::Ident && !IsKeyword("end"))
                item.Properties.push_back(ParseProperty(depth + 1));
            if (!IsKeyword("end"))
                Fail(token_, "'end' expected, found " + Describe(token_));
            Next();
            value.CollectionItems.push_back(std::move(item));
        }
        Next();
        return value;
    }

    const String& text_;
    const String& sourceName_;
    std::size_t pos_ = 0;
    int line_ = 1;
    int column_ = 1;
    TToken token_;
};

bool OwnedBy(const TComponent* owner, const TComponent* component) {
    for (int i = 0; i < owner->ComponentCount(); ++i)
        if (owner->Components(i) == component)
            return true;
    return false;
}

String UniqueRootName(const TComponent* root, const String& base) {
    String name = base;
    for (int n = 1;; ++n) {
        const TComponent* other = FindRootComponent(name);
        const TComponent* sibling = root->Owner() ? root->Owner()->FindComponent(name) : nullptr;
        if ((!other || other == root) && (!sibling || sibling == root))
            return name;
        name = base + "_" + std::to_string(n);
    }
}

String DisplayName(const TComponent* component, const TFormObject& node) {
    if (!component->Name().empty())
        return component->Name();
    return node.Name.empty() ? node.ClassName : node.Name;
}

}  // namespace

const char* FormValueKindName(TFormValue::TKind kind) {
    switch (kind) {
    case TFormValue::TKind::Integer: return "an integer";
    case TFormValue::TKind::Float: return "a float";
    case TFormValue::TKind::String: return "a string";
    case TFormValue::TKind::Ident: return "an identifier";
    case TFormValue::TKind::Set: return "a set";
    case TFormValue::TKind::List: return "a list";
    case TFormValue::TKind::Collection: return "a collection";
    case TFormValue::TKind::Binary: return "binary data";
    }
    return "?";
}

TFormObject ParseForm(const String& text, const String& sourceName) {
    return TFormParser(text, sourceName).Parse();
}

// ---- TReader ----

TReader::TReader(TComponent* root, String sourceName) : TFiler(root), sourceName_(std::move(sourceName)) {}

String TReader::Where(int line, int column) const {
    return ::Where(sourceName_, line, column);
}

template <class E>
void TReader::Fail(int line, int column, const String& message) {
    try {
        throw E(message + " (" + Where(line, column) + ")");
    } catch (Exception& e) {
        located_ = &e;
        throw;
    }
}

template <class F>
void TReader::Guarded(const String& what, int line, int column, F&& action) {
    try {
        action();
    } catch (Exception& e) {
        if (&e != located_) {
            e.Message = "Error reading " + what + ": " + e.Message + " (" + Where(line, column) + ")";
            located_ = &e;
        }
        throw;
    }
}

void TReader::ReadRootComponent(const TFormObject& tree) {
    TComponent* root = root_;
    if (!root)
        throw EInvalidArgument("A form description needs a root component to read into");
    bool classMatches = false;
    for (TClass c = root->ClassType(); c && !classMatches; c = c->parent)
        classMatches = SameText(c->name, tree.ClassName);
    if (!classMatches)
        Fail<EReadError>(tree.Line, tree.Column,
                         "A description of " + tree.ClassName + " cannot be read into a " + root->ClassName());

    const std::vector<TComponent*> before = root->components_;
    root->state_ |= csLoading | csReading;
    try {
        if (root->Name().empty() && !tree.Name.empty())
            Guarded(tree.Name, tree.Line, tree.Column, [&] { root->SetName(UniqueRootName(root, tree.Name)); });
        const String rootName = DisplayName(root, tree);
        reading_ = root;
        readingNode_ = &tree;
        Guarded(rootName, tree.Line, tree.Column, [&] { root->ReadState(*this); });
        reading_ = nullptr;
        readingNode_ = nullptr;
        root->state_ &= ~csReading;

        ResolveFixups();

        for (const auto& [component, node] : created_)
            if (OwnedBy(root, component))
                Guarded(DisplayName(component, *node), node->Line, node->Column, [&] { component->Loaded(); });
        Guarded(rootName, tree.Line, tree.Column, [&] { root->Loaded(); });
        for (const auto& [component, node] : created_)
            if (OwnedBy(root, component))
                component->state_ &= ~csLoading;
        root->state_ &= ~csLoading;
    } catch (...) {
        root->state_ &= ~(csLoading | csReading);
        // Free what this read added to the root, the latest first.
        for (;;) {
            TComponent* added = nullptr;
            for (int i = root->ComponentCount() - 1; i >= 0 && !added; --i) {
                TComponent* c = root->components_[static_cast<std::size_t>(i)];
                if (std::find(before.begin(), before.end(), c) == before.end())
                    added = c;
            }
            if (!added)
                break;
            added->Free();
        }
        created_.clear();
        fixups_.clear();
        throw;
    }
}

void TReader::ReadData(TComponent* instance) {
    if (!instance || instance != reading_ || !readingNode_)
        throw EReadError("ReadData was called for a component that is not being read");
    const TFormObject& node = *readingNode_;
    const String path = DisplayName(instance, node);
    for (const TFormProperty& property : node.Properties)
        ReadProperty(instance, path, property);
    TComponent* savedParent = parent_;
    Guarded(path, node.Line, node.Column, [&] { parent_ = instance->GetChildParent(); });
    for (const TFormObject& child : node.Children)
        ReadComponent(child);
    parent_ = savedParent;
}

void TReader::ReadComponent(const TFormObject& node) {
    TClass cls = GetClass(node.ClassName);
    if (!cls)
        Fail<EClassNotFound>(node.Line, node.Column, "Class " + node.ClassName + " not found");
    const String path = node.Name.empty() ? node.ClassName : node.Name;
    TComponent* component = nullptr;
    Guarded(path, node.Line, node.Column, [&] { component = CreateComponent(cls, root_); });
    created_.emplace_back(component, &node);
    component->state_ |= csLoading | csReading;
    Guarded(path, node.Line, node.Column, [&] {
        if (!node.Name.empty())
            component->SetName(node.Name);
        component->SetParentComponent(parent_);
    });
    TComponent* savedReading = reading_;
    const TFormObject* savedNode = readingNode_;
    reading_ = component;
    readingNode_ = &node;
    Guarded(path, node.Line, node.Column, [&] { component->ReadState(*this); });
    reading_ = savedReading;
    readingNode_ = savedNode;
    component->state_ &= ~csReading;
}

void TReader::ReadProperty(TObject* instance, const String& instancePath, const TFormProperty& property) {
    const std::vector<String> parts = SplitPath(property.Path);
    TObject* object = instance;
    String objectPath = instancePath;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const String subPath = objectPath + "." + parts[i];
        const TPropInfo* info = GetPropInfo(object, parts[i]);
        if (!info)
            Fail<EPropertyError>(property.Line, property.Column, "Property " + subPath + " does not exist");
        if (info->Kind != TPropKind::Class || !info->Get)
            Fail<EPropertyError>(property.Line, property.Column, "Property " + subPath + " is not an object");
        TObject* sub = nullptr;
        Guarded(subPath, property.Line, property.Column, [&] { sub = info->Get(object).AsObject(); });
        if (!sub)
            Fail<EPropertyError>(property.Line, property.Column, "Property " + subPath + " is nil");
        object = sub;
        objectPath = subPath;
    }
    const String& name = parts.back();
    const String path = objectPath + "." + name;
    if (const TPropInfo* info = GetPropInfo(object, name)) {
        ApplyValue(object, *info, property.Value, path);
        return;
    }
    if (auto* persistent = dynamic_cast<TPersistent*>(object))
        if (ReadDefinedProperty(persistent, name, property.Value, path))
            return;
    Fail<EPropertyError>(property.Line, property.Column, "Property " + path + " does not exist");
}

void TReader::ApplyValue(TObject* instance, const TPropInfo& info, const TFormValue& value, const String& path) {
    using K = TFormValue::TKind;
    const auto wrongKind = [&](const char* wanted) {
        Fail<EPropertyError>(value.Line, value.Column,
                             "Invalid value for property " + path + ": " + wanted + " expected, found " +
                                 FormValueKindName(value.Kind));
    };
    const auto badIdent = [&]() {
        Fail<EPropertyError>(value.Line, value.Column, "Invalid value " + value.Text + " for property " + path);
    };
    const auto set = [&](const TPropValue& v) { SetValue(instance, info, v, path, value.Line, value.Column); };

    switch (info.Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64: {
        std::int64_t v = 0;
        if (value.Kind == K::Integer)
            v = value.Integer;
        else if (value.Kind == K::Ident && !info.Idents.empty()) {
            if (!IdentToInt(info.Idents, value.Text, v))
                badIdent();
        } else
            wrongKind("an integer");
        set(TPropValue(v));
        return;
    }
    case TPropKind::Float:
        if (value.Kind == K::Integer)
            set(TPropValue(static_cast<double>(value.Integer)));
        else if (value.Kind == K::Float)
            set(TPropValue(value.Float));
        else
            wrongKind("a number");
        return;
    case TPropKind::String:
        if (value.Kind != K::String)
            wrongKind("a string");
        set(TPropValue(value.Text));
        return;
    case TPropKind::Boolean:
        if (value.Kind != K::Ident)
            wrongKind("True or False");
        if (SameText(value.Text, "True"))
            set(TPropValue(true));
        else if (SameText(value.Text, "False"))
            set(TPropValue(false));
        else
            badIdent();
        return;
    case TPropKind::Enumeration: {
        if (value.Kind != K::Ident)
            wrongKind("an identifier");
        for (std::size_t i = 0; i < info.Names.size(); ++i)
            if (SameText(info.Names[i], value.Text)) {
                set(TPropValue(static_cast<std::int64_t>(i)));
                return;
            }
        badIdent();
        return;
    }
    case TPropKind::Set: {
        if (value.Kind != K::Set)
            wrongKind("a set");
        std::int64_t mask = 0;
        for (const String& element : value.Names) {
            std::size_t i = 0;
            while (i < info.Names.size() && !SameText(info.Names[i], element))
                ++i;
            if (i >= info.Names.size() || i >= 63)
                Fail<EPropertyError>(value.Line, value.Column,
                                     "Invalid value for property " + path + ": " + element + " is not an element");
            mask |= std::int64_t{1} << i;
        }
        set(TPropValue(mask));
        return;
    }
    case TPropKind::Class: {
        if (value.Kind != K::Collection)
            wrongKind("a collection");
        TObject* object = nullptr;
        if (info.Get)
            Guarded(path, value.Line, value.Column, [&] { object = info.Get(instance).AsObject(); });
        auto* collection = dynamic_cast<TCollection*>(object);
        if (!collection)
            Fail<EPropertyError>(value.Line, value.Column, "Property " + path + " is not a collection");
        ReadCollectionValue(collection, value, path);
        return;
    }
    case TPropKind::Component:
        if (value.Kind != K::Ident)
            wrongKind("a component name");
        fixups_.push_back({instance, &info, value.Text, path, value.Line, value.Column});
        return;
    case TPropKind::Event:
        BindEvent(instance, info, value, path);
        return;
    case TPropKind::Strings: {
        if (value.Kind != K::List)
            wrongKind("a list of strings");
        std::vector<String> lines;
        lines.reserve(value.Items.size());
        for (const TFormValue& item : value.Items) {
            if (item.Kind != K::String)
                Fail<EPropertyError>(item.Line, item.Column,
                                     "Invalid value for property " + path + ": a string expected, found " +
                                         FormValueKindName(item.Kind));
            lines.push_back(item.Text);
        }
        set(TPropValue(std::move(lines)));
        return;
    }
    }
}

void TReader::SetValue(TObject* instance, const TPropInfo& info, const TPropValue& value, const String& path,
                       int line, int column) {
    if (!info.Set)
        Fail<EPropertyError>(line, column, "Property " + path + " is read-only");
    Guarded(path, line, column, [&] { info.Set(instance, value); });
}

void TReader::BindEvent(TObject* instance, const TPropInfo& info, const TFormValue& value, const String& path) {
    if (value.Kind != TFormValue::TKind::Ident)
        Fail<EPropertyError>(value.Line, value.Column,
                             "Invalid value for property " + path + ": a handler name expected, found " +
                                 FormValueKindName(value.Kind));
    const THandlerInfo* handler = FindHandler(root_->ClassType(), value.Text);
    if (!handler)
        Fail<EMethodNotFound>(value.Line, value.Column,
                              "Handler " + value.Text + " for " + path + " not found in " + root_->ClassName());
    if (handler->Signature != info.Signature)
        Fail<EMethodNotFound>(value.Line, value.Column,
                              "Handler " + value.Text + " does not match the signature of event " + path);
    const TMethod method = handler->MethodFor(root_);
    if (!method)
        Fail<EMethodNotFound>(value.Line, value.Column,
                              "Handler " + value.Text + " is not a method of " + root_->ClassName());
    SetValue(instance, info, TPropValue(method), path, value.Line, value.Column);
}

void TReader::ReadCollectionValue(TCollection* collection, const TFormValue& value, const String& path) {
    // References still pending on the items about to go are dropped with them.
    std::erase_if(fixups_, [&](const TFixup& f) {
        for (int i = 0; i < collection->Count(); ++i)
            if (collection->Items(i) == f.Instance)
                return true;
        return false;
    });
    collection->BeginUpdate();
    try {
        Guarded(path, value.Line, value.Column, [&] { collection->Clear(); });
        for (std::size_t i = 0; i < value.CollectionItems.size(); ++i) {
            const TFormItem& item = value.CollectionItems[i];
            const String itemPath = path + "[" + std::to_string(i) + "]";
            TCollectionItem* added = nullptr;
            Guarded(itemPath, item.Line, item.Column, [&] { added = collection->Add(); });
            for (const TFormProperty& property : item.Properties)
                ReadProperty(added, itemPath, property);
        }
    } catch (...) {
        collection->EndUpdate();
        throw;
    }
    Guarded(path, value.Line, value.Column, [&] { collection->EndUpdate(); });
}

bool TReader::ReadDefinedProperty(TPersistent* instance, const String& name, const TFormValue& value,
                                  const String& path) {
    // Custom properties may nest (a collection read by one holds items with their own).
    String savedName = std::move(definedName_);
    String savedPath = std::move(definedPath_);
    const TFormValue* savedValue = definedValue_;
    const bool savedHandled = definedHandled_;
    std::vector<TCursor> savedCursor = std::move(cursor_);

    definedName_ = name;
    definedPath_ = path;
    definedValue_ = &value;
    definedHandled_ = false;
    cursor_.clear();
    Guarded(path, value.Line, value.Column, [&] { instance->DefineProperties(this); });
    const bool handled = definedHandled_;

    definedName_ = std::move(savedName);
    definedPath_ = std::move(savedPath);
    definedValue_ = savedValue;
    definedHandled_ = savedHandled;
    cursor_ = std::move(savedCursor);
    return handled;
}

void TReader::DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc&, bool) {
    if (definedName_.empty() || !readData || !SameText(name, definedName_))
        return;
    definedName_.clear();  // one definition answers
    definedHandled_ = true;
    cursor_.assign(1, TCursor{definedValue_, 1, 0});
    readData(*this);
    if (cursor_.size() != 1 || cursor_[0].Index != 1)
        Fail<EReadError>(definedValue_->Line, definedValue_->Column,
                         "Property " + definedPath_ + " was not read completely");
    cursor_.clear();
}

void TReader::DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc&, bool) {
    if (definedName_.empty() || !readData || !SameText(name, definedName_))
        return;
    definedName_.clear();
    definedHandled_ = true;
    const TFormValue& value = *definedValue_;
    if (value.Kind != TFormValue::TKind::Binary)
        Fail<EPropertyError>(value.Line, value.Column,
                             "Invalid value for property " + definedPath_ + ": binary data expected, found " +
                                 FormValueKindName(value.Kind));
    TMemoryStream stream;
    if (!value.Bytes.empty())
        stream.WriteBuffer(value.Bytes.data(), static_cast<std::int64_t>(value.Bytes.size()));
    stream.SetPosition(0);
    readData(&stream);
}

const TFormValue& TReader::Take(const char* wanted, TFormValue::TKind kind, TFormValue::TKind alternative) {
    if (cursor_.empty() || !definedValue_)
        throw EReadError("No property value is being read");
    TCursor& top = cursor_.back();
    if (top.Index >= top.Count)
        Fail<EReadError>(definedValue_->Line, definedValue_->Column,
                         "Property " + definedPath_ + ": " + wanted + " expected, found the end of the value");
    const TFormValue& value = top.Values[top.Index];
    if (value.Kind != kind && value.Kind != alternative)
        Fail<EReadError>(value.Line, value.Column,
                         "Invalid value for property " + definedPath_ + ": " + wanted + " expected, found " +
                             FormValueKindName(value.Kind));
    ++top.Index;
    return value;
}

TFormValue::TKind TReader::NextValue() const {
    if (cursor_.empty() || cursor_.back().Index >= cursor_.back().Count)
        throw EReadError("No property value to read");
    return cursor_.back().Values[cursor_.back().Index].Kind;
}

int TReader::ReadInteger() {
    const TFormValue& value = Take("an integer", TFormValue::TKind::Integer);
    if (!std::in_range<int>(value.Integer))
        Fail<EReadError>(value.Line, value.Column, "Integer out of range for property " + definedPath_);
    return static_cast<int>(value.Integer);
}

std::int64_t TReader::ReadInt64() {
    return Take("an integer", TFormValue::TKind::Integer).Integer;
}

double TReader::ReadFloat() {
    const TFormValue& value = Take("a number", TFormValue::TKind::Integer, TFormValue::TKind::Float);
    return value.Kind == TFormValue::TKind::Integer ? static_cast<double>(value.Integer) : value.Float;
}

String TReader::ReadString() {
    return Take("a string", TFormValue::TKind::String).Text;
}

bool TReader::ReadBoolean() {
    const TFormValue& value = Take("True or False", TFormValue::TKind::Ident);
    if (SameText(value.Text, "True"))
        return true;
    if (SameText(value.Text, "False"))
        return false;
    Fail<EReadError>(value.Line, value.Column,
                     "Invalid value for property " + definedPath_ + ": True or False expected, found " + value.Text);
}

String TReader::ReadIdent() {
    return Take("an identifier", TFormValue::TKind::Ident).Text;
}

void TReader::ReadListBegin() {
    const TFormValue& value = Take("a list", TFormValue::TKind::List);
    cursor_.push_back(TCursor{value.Items.data(), value.Items.size(), 0});
}

bool TReader::EndOfList() const {
    return cursor_.empty() || cursor_.back().Index >= cursor_.back().Count;
}

void TReader::ReadListEnd() {
    if (cursor_.size() < 2)
        throw EReadError("ReadListEnd without ReadListBegin");
    if (!EndOfList()) {
        const TFormValue& next = cursor_.back().Values[cursor_.back().Index];
        Fail<EReadError>(next.Line, next.Column, "End of list expected in property " + definedPath_);
    }
    cursor_.pop_back();
}

void TReader::ReadCollection(TCollection* collection) {
    const TFormValue& value = Take("a collection", TFormValue::TKind::Collection);
    if (!collection)
        Fail<EReadError>(value.Line, value.Column, "No collection to read property " + definedPath_ + " into");
    ReadCollectionValue(collection, value, definedPath_);
}

void TReader::ResolveFixups() {
    for (std::size_t i = 0; i < fixups_.size(); ++i) {
        const TFixup f = fixups_[i];
        TComponent* target = FindReference(f.Reference);
        if (!target)
            Fail<EReadError>(f.Line, f.Column, "Unresolved reference " + f.Reference + " for property " + f.Path);
        if (f.Info->ObjectClass && !target->InheritsFrom(f.Info->ObjectClass))
            Fail<EPropertyError>(f.Line, f.Column,
                                 "Invalid reference " + f.Reference + " for property " + f.Path + ": a " +
                                     target->ClassName() + " is not a " + f.Info->ObjectClass->name);
        SetValue(f.Instance, *f.Info, TPropValue(static_cast<TObject*>(target)), f.Path, f.Line, f.Column);
    }
    fixups_.clear();
}

TComponent* TReader::FindReference(const String& reference) const {
    const std::vector<String> parts = SplitPath(reference);
    TComponent* component = root_->FindComponent(parts[0]);
    if (!component && SameText(parts[0], root_->Name()))
        component = root_;
    if (!component)
        component = FindRootComponent(parts[0]);
    for (std::size_t i = 1; i < parts.size() && component; ++i)
        component = component->FindComponent(parts[i]);
    return component;
}

void ReadForm(TComponent* root, const TFormObject& tree, const String& sourceName) {
    TReader reader(root, sourceName);
    reader.ReadRootComponent(tree);
}

void ReadForm(TComponent* root, const String& text, const String& sourceName) {
    const TFormObject tree = ParseForm(text, sourceName);
    ReadForm(root, tree, sourceName);
}
