// The text form-description reader.
//
// Classes in this file:
//   TFormValue, TFormProperty, TFormItem, TFormObject   the parsed description (ParseForm)
//   TFiler    what DefineProperties sees: custom stored properties by name
//   TReader   applies a parsed description to a root component (ReadForm)
//
// Format (UTF-8):
//   object Frm_Login: TFrm_Login          (or "object TClass" for an unnamed component)
//     Left = -100                         integers (64-bit), floats (1.5, 2E-3)
//     Caption = 'it''s '#20320'!' +       strings: '' is a quote, #n a code point, pieces directly
//       ' more'                           adjacent or joined by + (also across lines)
//     Visible = False                     identifiers: booleans, enumerations, integer idents
//     Font.Style = [fsBold, fsItalic]     dotted paths reach sub-objects; sets
//     Items.Strings = ('a' 'b')           lists (string lists)
//     Columns = <item Width = 80 end>     collections
//     Picture.Data = {0A1B}               binary data (custom properties through DefineProperties)
//     DataSource = Frm_Data.DS_Cust       references, resolved once the whole form is read
//     OnClick = Btn_OKClick               events, bound through the root class's handler table
//     object Btn_OK: TButton ... end      nested components (after the properties)
//   end
//
// Reading order: each component is created by class name with the root as owner (factory, then
// AfterConstruction), gets csLoading|csReading, its Name, SetParentComponent(enclosing object's
// GetChildParent()), then ReadState, which sets its properties in order and reads its children.
// A sub-object (string list, collection) is read into the existing object; its setter is not
// called. After the whole form, references are resolved (their setters called then), and Loaded
// runs on every created component in creation order, the root last; TComponent::Loaded clears
// csLoading, and the reader clears it on all of them once every Loaded has run.
//
// A reference "X" or "X.Y.Z" is looked up in the root first (X a component of the root, or the
// root itself), then among the registered roots (RegisterRootComponent); a reference to a form
// that is not loaded yet is an error like any other unresolved reference.
//
// Every error is an exception naming the item and "line L, column C": EReadError (syntax,
// unresolved reference), EClassNotFound, EPropertyError (unknown property, bad value),
// EMethodNotFound (unknown or mismatched handler); errors raised by setters keep their class and
// get "Error reading <item>: " and the place added. On any error the components that the read
// created are freed again, and the root's csLoading/csReading are cleared.
#pragma once

#include "Collection.h"
#include "Component.h"
#include "TypeRegistry.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class TStream;
class TWriter;
struct TFormItem;

// ---- The parsed description ----

struct TFormValue {
    enum class TKind { Integer, Float, String, Ident, Set, List, Collection, Binary };
    TKind Kind = TKind::Integer;
    int Line = 0;
    int Column = 0;
    std::int64_t Integer = 0;
    double Float = 0;
    String Text;                            // String; Ident (dotted for references)
    std::vector<String> Names;              // Set
    std::vector<TFormValue> Items;          // List
    std::vector<TFormItem> CollectionItems; // Collection
    std::vector<std::uint8_t> Bytes;        // Binary
};

struct TFormProperty {
    String Path;  // dotted: "Font.Style"
    int Line = 0;
    int Column = 0;
    TFormValue Value;
};

struct TFormItem {
    int Line = 0;
    int Column = 0;
    std::vector<TFormProperty> Properties;
};

struct TFormObject {
    String Name;  // may be empty
    String ClassName;
    int Line = 0;
    int Column = 0;
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;
};

const char* FormValueKindName(TFormValue::TKind kind);

// Parses a whole description; raises EReadError with the place on any syntax error.
TFormObject ParseForm(const String& text, const String& sourceName = String());

// ---- Reading ----

class TFiler : public TObject {
    VESTREL_CLASS(TFiler, TObject)
public:
    using TReaderProc = std::function<void(TReader& reader)>;
    using TWriterProc = std::function<void(TWriter& writer)>;
    using TStreamProc = std::function<void(TStream* stream)>;

    // Offers a custom stored property: a reader calls `readData` when the description holds a
    // property of that name (compared without regard to case).
    virtual void DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc& writeData,
                                bool hasData) = 0;
    // The same for binary data: `readData` receives a memory stream over the bytes.
    virtual void DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc& writeData,
                                      bool hasData) = 0;

    TComponent* Root() const { return root_; }
    TPersistent* Ancestor() const { return nullptr; }  // no inherited descriptions

protected:
    explicit TFiler(TComponent* root) : root_(root) {}

    TComponent* root_;
};

class TReader : public TFiler {
    VESTREL_CLASS(TReader, TFiler)
public:
    TReader(TComponent* root, String sourceName);

    // Reads `tree` into the root (see the order above).
    void ReadRootComponent(const TFormObject& tree);

    void DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

    // The owner of created components (the root) and the parent they receive.
    TComponent* Owner() const { return root_; }
    TComponent* Parent() const { return parent_; }
    const String& SourceName() const { return sourceName_; }

    // Called by TComponent::ReadState: sets `instance`'s properties and reads its children.
    void ReadData(TComponent* instance);

    // The value of the custom property being read (inside a DefineProperty reader). Each read
    // takes the next value and raises EReadError when it is of another kind.
    TFormValue::TKind NextValue() const;
    int ReadInteger();
    std::int64_t ReadInt64();
    double ReadFloat();  // integers too
    String ReadString();
    bool ReadBoolean();
    String ReadIdent();
    void ReadListBegin();
    bool EndOfList() const;
    void ReadListEnd();
    void ReadCollection(TCollection* collection);

private:
    struct TFixup {
        TObject* Instance;
        const TPropInfo* Info;
        String Reference;
        String Path;
        int Line;
        int Column;
    };
    struct TCursor {
        const TFormValue* Values;
        std::size_t Count;
        std::size_t Index;
    };

    void ReadComponent(const TFormObject& node);
    void ReadProperty(TObject* instance, const String& instancePath, const TFormProperty& prop);
    void ApplyValue(TObject* instance, const TPropInfo& info, const TFormValue& value, const String& path);
    bool ReadDefinedProperty(TPersistent* instance, const String& name, const TFormValue& value, const String& path);
    void ReadCollectionValue(TCollection* collection, const TFormValue& value, const String& path);
    void BindEvent(TObject* instance, const TPropInfo& info, const TFormValue& value, const String& path);
    void ResolveFixups();
    TComponent* FindReference(const String& reference) const;
    void SetValue(TObject* instance, const TPropInfo& info, const TPropValue& value, const String& path, int line,
                  int column);
    // The next value, which must be of `kind` or `alternative`.
    const TFormValue& Take(const char* wanted, TFormValue::TKind kind, TFormValue::TKind alternative);
    const TFormValue& Take(const char* wanted, TFormValue::TKind kind) { return Take(wanted, kind, kind); }

    String Where(int line, int column) const;
    template <class E>
    [[noreturn]] void Fail(int line, int column, const String& message);
    template <class F>
    void Guarded(const String& what, int line, int column, F&& action);

    String sourceName_;
    TComponent* parent_ = nullptr;
    TComponent* reading_ = nullptr;            // the component whose ReadState runs
    const TFormObject* readingNode_ = nullptr;
    std::vector<std::pair<TComponent*, const TFormObject*>> created_;  // creation order
    std::vector<TFixup> fixups_;
    const void* located_ = nullptr;            // the exception that already names its place

    // The custom property being read.
    String definedName_;
    String definedPath_;
    const TFormValue* definedValue_ = nullptr;
    bool definedHandled_ = false;
    std::vector<TCursor> cursor_;
};

// Reads a description into `root`, which the caller has constructed already. The root's class
// (or one of its ancestors) must be the description's class. An unnamed root takes the
// description's name, made unique among the registered roots ("Name_1", ...).
void ReadForm(TComponent* root, const String& text, const String& sourceName);
void ReadForm(TComponent* root, const TFormObject& tree, const String& sourceName);
