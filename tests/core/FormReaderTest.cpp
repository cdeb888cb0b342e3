// The form-description reader (parsing, reading order, values, references, events, errors and
// clean-up), the class registry and the property registry used by name.
#include "FormReader.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

String& Trace() {
    static String trace;
    return trace;
}

void Log(const String& entry) {
    String& trace = Trace();
    if (!trace.empty())
        trace += ' ';
    trace += entry;
}

int& Live() {
    static int live = 0;
    return live;
}

enum TFrmAlign { alNone, alTop, alClient };
constexpr unsigned fsBold = 1, fsItalic = 2, fsUnderline = 4;
const TIdentMapEntry kColors[] = {{0x0000FF, "clRed"}, {0xFFFFFF, "clWhite"}};

class TFrmFont : public TPersistent {
    VESTREL_CLASS(TFrmFont, TPersistent)
public:
    int Size = 8;
    unsigned Style = 0;
};

class TFrmStrings : public TPersistent {
    VESTREL_CLASS(TFrmStrings, TPersistent)
public:
    void SetLines(const std::vector<String>& lines) {
        Lines = lines;
        Log("strings:" + std::to_string(lines.size()));
    }
    std::vector<String> Lines;
};

class TFrmPicture : public TPersistent {
    VESTREL_CLASS(TFrmPicture, TPersistent)
public:
    void DefineProperties(TFiler* filer) override {
        filer->DefineBinaryProperty(
            "Data",
            [this](TStream* stream) {
                Data.resize(static_cast<std::size_t>(stream->Size()));
                stream->ReadBuffer(Data.data(), stream->Size());
                Log("picture:" + std::to_string(Data.size()));
            },
            nullptr, !Data.empty());
    }
    std::vector<std::uint8_t> Data;
};

class TFrmColumn : public TCollectionItem {
    VESTREL_CLASS(TFrmColumn, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    String FieldName;
    int Width = 64;
    TComponent* Link = nullptr;
};

class TFrmColumns : public TOwnedCollection {
    VESTREL_CLASS(TFrmColumns, TOwnedCollection)
public:
    explicit TFrmColumns(TPersistent* owner) : TOwnedCollection(owner, TCollectionItemClass::Of<TFrmColumn>()) {}
    TFrmColumn* At(int index) const { return static_cast<TFrmColumn*>(Items(index)); }

protected:
    void Update(TCollectionItem*) override { Log("columns:" + std::to_string(Count())); }
};

class TFrmSource;

class TFrmControl : public TComponent {
    VESTREL_CLASS(TFrmControl, TComponent)
public:
    explicit TFrmControl(TComponent* owner) : TComponent(owner), columns_(this) { ++Live(); }
    ~TFrmControl() override { --Live(); }

    void AfterConstruction() override {
        inherited::AfterConstruction();
        Log("new:" + ClassName());
    }
    void SetName(const String& name) override {
        inherited::SetName(name);
        Log("name:" + name);
    }
    void SetParentComponent(TComponent* parent) override {
        Parent = parent;
        Log("parent:" + Name() + "<" + (parent ? parent->Name() : String("nil")));
    }
    TComponent* GetParentComponent() const override { return Parent; }
    bool HasParent() const override { return true; }
    void Loaded() override {
        LoadingInLoaded = (ComponentState() & csLoading) != 0;
        inherited::Loaded();
        Log("loaded:" + Name());
    }
    void DefineProperties(TFiler* filer) override {
        inherited::DefineProperties(filer);
        filer->DefineProperty(
            "Extra",
            [this](TReader& reader) {
                reader.ReadListBegin();
                Extra.push_back(std::to_string(reader.ReadInteger()));
                Extra.push_back(reader.ReadString());
                Extra.push_back(reader.ReadIdent());
                Extra.push_back(reader.ReadBoolean() ? "yes" : "no");
                Extra.push_back(std::to_string(reader.ReadFloat()));
                reader.ReadListEnd();
            },
            nullptr, !Extra.empty());
        filer->DefineProperty("StoredColumns", [this](TReader& reader) { reader.ReadCollection(&columns_); }, nullptr,
                              true);
    }

    int Left() const { return left_; }
    void SetLeft(int value) {
        if (value == 99999)
            throw EInvalidArgument("Left too large");
        left_ = value;
        StateAtLeft = ComponentState();
        Log("left:" + Name() + "=" + std::to_string(value));
    }
    TFrmFont* Font() { return &font_; }
    TFrmStrings* Items() { return &items_; }
    TFrmColumns* Columns() { return &columns_; }
    TFrmPicture* Picture() { return &picture_; }
    TFrmControl* Link() const { return link_; }
    void SetLink(TFrmControl* link) {
        link_ = link;
        Log("link:" + Name() + "=" + (link ? link->Name() : String("nil")));
    }
    TFrmSource* Source() const { return source_; }
    void SetSource(TFrmSource* source);
    int ReadOnlyValue() const { return 7; }

    int Top = 0;
    String Caption;
    double Scale = 1;
    bool Visible = true;
    std::int64_t Big = 0;
    TFrmAlign Align = alNone;
    int Color = 0;
    std::vector<String> Lines;
    std::vector<String> Extra;
    TNotifyEvent OnClick;
    TEvent<void(TObject*, int)> OnChange;

    TComponent* Parent = nullptr;
    TComponentState StateAtLeft = 0;
    bool LoadingInLoaded = false;

private:
    int left_ = 0;
    TFrmFont font_;
    TFrmStrings items_;
    TFrmColumns columns_;
    TFrmPicture picture_;
    TFrmControl* link_ = nullptr;
    TFrmSource* source_ = nullptr;
};

class TFrmPanel : public TFrmControl {
    VESTREL_CLASS(TFrmPanel, TFrmControl)
public:
    using TFrmControl::TFrmControl;
};

class TFrmSource : public TFrmControl {
    VESTREL_CLASS(TFrmSource, TFrmControl)
public:
    using TFrmControl::TFrmControl;
};

void TFrmControl::SetSource(TFrmSource* source) {
    source_ = source;
    Log("source:" + Name() + "=" + (source ? source->Name() : String("nil")));
}

class TFrmForm : public TFrmControl {
    VESTREL_CLASS(TFrmForm, TFrmControl)
public:
    using TFrmControl::TFrmControl;
    void Btn_OKClick(TObject* sender) { Log("click:" + static_cast<TComponent*>(sender)->Name()); }
    void Edit1Change(TObject* sender, int value) { Log("change:" + std::to_string(value)); }
};

class TFrmFormChild : public TFrmForm {
    VESTREL_CLASS(TFrmFormChild, TFrmForm)
public:
    using TFrmForm::TFrmForm;
};

class TFrmData : public TFrmControl {
    VESTREL_CLASS(TFrmData, TFrmControl)
public:
    using TFrmControl::TFrmControl;
};

struct TFrmRegistration {
    TFrmRegistration() {
        RegisterClasses<TFrmControl, TFrmPanel, TFrmSource, TFrmForm, TFrmData>();
        RegisterProperties<TFrmFont>()
            .Int("Size", &TFrmFont::Size)
            .Set("Style", &TFrmFont::Style, nullptr, {"fsBold", "fsItalic", "fsUnderline"});
        RegisterProperties<TFrmStrings>().Strings("Strings", &TFrmStrings::Lines, &TFrmStrings::SetLines);
        RegisterProperties<TFrmColumn>()
            .Str("FieldName", &TFrmColumn::FieldName)
            .Int("Width", &TFrmColumn::Width)
            .Component("Link", &TFrmColumn::Link);
        RegisterProperties<TFrmControl>()
            .Int("Left", &TFrmControl::Left, &TFrmControl::SetLeft)
            .Int("Top", &TFrmControl::Top)
            .Str("Caption", &TFrmControl::Caption)
            .Float("Scale", &TFrmControl::Scale)
            .Bool("Visible", &TFrmControl::Visible)
            .Int("Big", &TFrmControl::Big)
            .Enum("Align", &TFrmControl::Align, nullptr, {"alNone", "alTop", "alClient"})
            .Int("Color", &TFrmControl::Color)
            .Idents(kColors)
            .Object("Font", &TFrmControl::Font)
            .Object("Items", &TFrmControl::Items)
            .Object("Columns", &TFrmControl::Columns)
            .Object("Picture", &TFrmControl::Picture)
            .Component("Link", &TFrmControl::Link, &TFrmControl::SetLink)
            .Component("Source", &TFrmControl::Source, &TFrmControl::SetSource)
            .Strings("Lines", &TFrmControl::Lines, nullptr)
            .Event("OnClick", &TFrmControl::OnClick)
            .Event("OnChange", &TFrmControl::OnChange)
            .Int("ReadOnlyValue", &TFrmControl::ReadOnlyValue);
        RegisterProperties<TFrmForm>()
            .Handler<&TFrmForm::Btn_OKClick>("Btn_OKClick")
            .Handler<&TFrmForm::Edit1Change>("Edit1Change");
    }
};
const TFrmRegistration registration;

struct TFreeComponent {
    void operator()(TComponent* component) const { component->Free(); }
};
template <class T>
using Owned = std::unique_ptr<T, TFreeComponent>;

template <class T>
Owned<T> MakeRoot() {
    return Owned<T>(New<T>(nullptr));
}

template <class T>
T* Find(TComponent* root, const char* name) {
    auto* found = dynamic_cast<T*>(root->FindComponent(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

const char* const kDataText = R"(object Frm_Data: TFrmData
  object DS_Cust: TFrmSource
  end
end
)";

const char* const kMainText = R"(object Frm_Main: TFrmForm
  Left = -100
  Caption = '登录'#13#10'it''s'
  object Btn_OK: TFrmControl
    Left = 12
    Top = 8
    Caption = 'a' +
      'b'#20320
    Scale = 1.5
    Visible = False
    Big = 9000000000
    Align = alClient
    Color = clRed
    Font.Style = [fsBold, fsItalic]
    Font.Size = 10
    Items.Strings = (
      'first'
      'second')
    Columns = <
      item
        FieldName = 'Company'
        Width = 80
        Link = Edit1
      end
      item
      end>
    Picture.Data = {
      0A1B2C3D}
    Extra = (-1 'two' three True 2.5)
    Source = Frm_Data.DS_Cust
    Link = Panel1
    OnClick = Btn_OKClick
  end
  object Panel1: TFrmPanel
    Link = Frm_Main
    object Edit1: TFrmControl
      Left = 3
      Lines = ('x')
      Link = Btn_OK
      OnChange = Edit1Change
    end
  end
end
)";

class FormReader : public ::testing::Test {
protected:
    void SetUp() override {
        Trace().clear();
        live_ = Live();
    }
    void TearDown() override { EXPECT_EQ(Live(), live_) << "components leaked or freed twice"; }

    int live_ = 0;
};

}  // namespace

TEST_F(FormReader, ReadsAWholeFormInTheDocumentedOrder) {
    auto data = MakeRoot<TFrmData>();
    ReadForm(data.get(), kDataText, "Frm_Data.txt");
    RegisterRootComponent(data.get());
    auto form = MakeRoot<TFrmForm>();
    Trace().clear();

    ReadForm(form.get(), kMainText, "Frm_Main.txt");

    EXPECT_EQ(Trace(),
              "name:Frm_Main left:Frm_Main=-100 "
              "new:TFrmControl name:Btn_OK parent:Btn_OK<Frm_Main left:Btn_OK=12 strings:2 columns:2 picture:4 "
              "new:TFrmPanel name:Panel1 parent:Panel1<Frm_Main "
              "new:TFrmControl name:Edit1 parent:Edit1<Panel1 left:Edit1=3 "
              "source:Btn_OK=DS_Cust link:Btn_OK=Panel1 link:Panel1=Frm_Main link:Edit1=Btn_OK "
              "loaded:Btn_OK loaded:Panel1 loaded:Edit1 loaded:Frm_Main");

    auto* btn = Find<TFrmControl>(form.get(), "Btn_OK");
    auto* panel = Find<TFrmPanel>(form.get(), "Panel1");
    auto* edit = Find<TFrmControl>(form.get(), "edit1");
    ASSERT_TRUE(btn && panel && edit);
    EXPECT_EQ(form->Caption, "登录\r\nit's");
    EXPECT_EQ(form->Left(), -100);
    EXPECT_EQ(btn->Caption, "ab你");
    EXPECT_EQ(btn->Top, 8);
    EXPECT_EQ(btn->Scale, 1.5);
    EXPECT_FALSE(btn->Visible);
    EXPECT_EQ(btn->Big, 9000000000);
    EXPECT_EQ(btn->Align, alClient);
    EXPECT_EQ(btn->Color, 0x0000FF);
    EXPECT_EQ(btn->Font()->Style, fsBold | fsItalic);
    EXPECT_EQ(btn->Font()->Size, 10);
    EXPECT_EQ(btn->Items()->Lines, (std::vector<String>{"first", "second"}));
    ASSERT_EQ(btn->Columns()->Count(), 2);
    EXPECT_EQ(btn->Columns()->At(0)->FieldName, "Company");
    EXPECT_EQ(btn->Columns()->At(0)->Width, 80);
    EXPECT_EQ(btn->Columns()->At(0)->Link, edit);
    EXPECT_EQ(btn->Columns()->At(1)->Width, 64);
    EXPECT_EQ(btn->Picture()->Data, (std::vector<std::uint8_t>{0x0A, 0x1B, 0x2C, 0x3D}));
    EXPECT_EQ(btn->Extra, (std::vector<String>{"-1", "two", "three", "yes", std::to_string(2.5)}));
    EXPECT_EQ(btn->Source(), data->FindComponent("DS_Cust"));
    EXPECT_EQ(edit->Lines, std::vector<String>{"x"});

    // Ownership and parents: the form owns everything; nesting gives the parent.
    EXPECT_EQ(form->ComponentCount(), 3);
    EXPECT_EQ(edit->Owner(), form.get());
    EXPECT_EQ(edit->Parent, panel);
    EXPECT_EQ(btn->Parent, form.get());

    // States: loading and reading while the properties were set, loading in Loaded, then clear.
    EXPECT_EQ(btn->StateAtLeft & (csLoading | csReading), csLoading | csReading);
    for (TFrmControl* c : {static_cast<TFrmControl*>(form.get()), btn, static_cast<TFrmControl*>(panel), edit}) {
        SCOPED_TRACE(c->Name());
        EXPECT_TRUE(c->LoadingInLoaded);
        EXPECT_EQ(c->ComponentState() & (csLoading | csReading), 0u);
    }

    // Events were bound to the form's handlers by name.
    EXPECT_EQ(btn->OnClick, Event<&TFrmForm::Btn_OKClick>(form.get()));
    Trace().clear();
    btn->OnClick(btn);
    edit->OnChange(edit, 5);
    EXPECT_EQ(Trace(), "click:Btn_OK change:5");
}

TEST_F(FormReader, ParsesStringsAndNumbers) {
    struct Case {
        const char* name;
        const char* value;
        TFormValue::TKind kind;
        String text;
        std::int64_t integer;
        double number;
    };
    using K = TFormValue::TKind;
    const Case cases[] = {
        {"quote doubled", "'it''s'", K::String, "it's", 0, 0},
        {"only a quote", "''''", K::String, "'", 0, 0},
        {"empty", "''", K::String, "", 0, 0},
        {"codes", "#13#10", K::String, "\r\n", 0, 0},
        {"codes and pieces", "'a'#20320'b'", K::String, "a你b", 0, 0},
        {"supplementary code", "#128512", K::String, "\xF0\x9F\x98\x80", 0, 0},
        {"raw Chinese", "'个人管理 '", K::String, "个人管理 ", 0, 0},
        {"plus across lines", "'ab' +\n    'cd' + #33", K::String, "abcd!", 0, 0},
        {"zero", "0", K::Integer, "", 0, 0},
        {"negative", "-42", K::Integer, "", -42, 0},
        {"plus sign", "+7", K::Integer, "", 7, 0},
        {"largest", "9223372036854775807", K::Integer, "", INT64_MAX, 0},
        {"smallest", "-9223372036854775808", K::Integer, "", INT64_MIN, 0},
        {"float", "1.5", K::Float, "", 0, 1.5},
        {"negative exponent", "-2.5E-1", K::Float, "", 0, -0.25},
        {"exponent only", "1e3", K::Float, "", 0, 1000},
        {"identifier", "clBtnFace", K::Ident, "clBtnFace", 0, 0},
        {"dotted identifier", "Frm_Data . DS_Cust", K::Ident, "Frm_Data.DS_Cust", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TFormObject tree = ParseForm(String("object A: T\n  V = ") + c.value + "\nend\n");
        ASSERT_EQ(tree.Properties.size(), 1u);
        const TFormValue& v = tree.Properties[0].Value;
        EXPECT_EQ(v.Kind, c.kind);
        EXPECT_EQ(v.Text, c.text);
        EXPECT_EQ(v.Integer, c.integer);
        EXPECT_EQ(v.Float, c.number);
        EXPECT_EQ(v.Line, 2);
        EXPECT_EQ(v.Column, 7);
    }
}

TEST_F(FormReader, ParsedTreeKeepsStructureAndPlaces) {
    const TFormObject tree = ParseForm("\xEF\xBB\xBFobject Frm: TForm\n"
                                       "  Caption = '中文' Left = 1\n"
                                       "  Font.Style = []\n"
                                       "  object TTimer\n"
                                       "  end\n"
                                       "  OBJECT Inner: TPanel\n"
                                       "    Cols = <item X = 1 end item end>\n"
                                       "    Data = { 0a 0B\n ff }\n"
                                       "  END\n"
                                       "end");
    EXPECT_EQ(tree.Name, "Frm");
    EXPECT_EQ(tree.ClassName, "TForm");
    ASSERT_EQ(tree.Properties.size(), 3u);
    EXPECT_EQ(tree.Properties[1].Path, "Left");
    EXPECT_EQ(tree.Properties[1].Column, 18);  // columns count characters, not bytes
    EXPECT_EQ(tree.Properties[2].Path, "Font.Style");
    EXPECT_TRUE(tree.Properties[2].Value.Names.empty());
    ASSERT_EQ(tree.Children.size(), 2u);
    EXPECT_EQ(tree.Children[0].Name, "");
    EXPECT_EQ(tree.Children[0].ClassName, "TTimer");
    const TFormObject& inner = tree.Children[1];
    EXPECT_EQ(inner.Line, 6);
    ASSERT_EQ(inner.Properties.size(), 2u);
    EXPECT_EQ(inner.Properties[0].Value.CollectionItems.size(), 2u);
    EXPECT_EQ(inner.Properties[0].Value.CollectionItems[0].Properties[0].Path, "X");
    EXPECT_EQ(inner.Properties[1].Value.Bytes, (std::vector<std::uint8_t>{0x0A, 0x0B, 0xFF}));
}

TEST_F(FormReader, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    const int depth = 100000;
    const String lists = "object A: T\n V = " + String(depth, '(') + String(depth, ')') + "\nend";
    String objects;
    for (int i = 0; i < depth; ++i)
        objects += "object A: T ";
    for (int i = 0; i < depth; ++i)
        objects += "end ";
    for (const String* text : {&lists, static_cast<const String*>(&objects)}) {
        try {
            ParseForm(*text);
            ADD_FAILURE() << "accepted";
        } catch (const EReadError& e) {
            EXPECT_NE(String(e.what()).find("nested too deeply"), String::npos) << e.what();
        }
    }
}

TEST_F(FormReader, CustomPropertyReadsIntoACollection) {
    auto form = MakeRoot<TFrmForm>();
    ReadForm(form.get(),
             "object F: TFrmForm\n"
             "  StoredColumns = <\n"
             "    item\n"
             "      FieldName = 'A'\n"
             "    end\n"
             "    item\n"
             "      FieldName = 'B'\n"
             "    end>\n"
             "end",
             "f.txt");
    ASSERT_EQ(form->Columns()->Count(), 2);
    EXPECT_EQ(form->Columns()->At(1)->FieldName, "B");
}

TEST_F(FormReader, ACollectionReadAgainDropsReferencesOfItsOldItems) {
    auto form = MakeRoot<TFrmForm>();
    ReadForm(form.get(),
             "object F: TFrmForm\n"
             "  Columns = <item Link = Nowhere end>\n"
             "  Columns = <item Width = 5 end>\n"
             "end",
             "f.txt");
    ASSERT_EQ(form->Columns()->Count(), 1);
    EXPECT_EQ(form->Columns()->At(0)->Width, 5);
    EXPECT_EQ(form->Columns()->At(0)->Link, nullptr);
}

TEST_F(FormReader, DerivedRootReadsItsAncestorsDescription) {
    auto form = MakeRoot<TFrmFormChild>();
    ReadForm(form.get(), "object F: TFrmForm\n  OnClick = Btn_OKClick\nend", "f.txt");
    EXPECT_EQ(form->OnClick, Event<&TFrmForm::Btn_OKClick>(form.get()));
}

TEST_F(FormReader, SecondRootOfOneDescriptionGetsAUniqueName) {
    const char* text = "object Frm_Twice: TFrmForm\nend";
    auto first = MakeRoot<TFrmForm>();
    ReadForm(first.get(), text, "t.txt");
    RegisterRootComponent(first.get());
    auto second = MakeRoot<TFrmForm>();
    ReadForm(second.get(), text, "t.txt");
    EXPECT_EQ(first->Name(), "Frm_Twice");
    EXPECT_EQ(second->Name(), "Frm_Twice_1");

    auto named = MakeRoot<TFrmForm>();
    named->SetName("Chosen");
    ReadForm(named.get(), text, "t.txt");
    EXPECT_EQ(named->Name(), "Chosen");  // a root named by its creator keeps its name
}

TEST_F(FormReader, ErrorsNameTheItemAndThePlace) {
    enum class E { Read, ClassNotFound, Property, MethodNotFound, Component, InvalidArgument };
    struct Case {
        const char* name;
        const char* body;  // between "object F: TFrmForm" and "end"; the first body line is line 2
        E type;
        std::vector<String> parts;
    };
    const Case cases[] = {
        {"unknown class", "  object X: TNoSuch\n  end\n", E::ClassNotFound,
         {"Class TNoSuch not found", "e.txt, line 2, column 3"}},
        {"unknown property", "  Lft = 1\n", E::Property, {"Property F.Lft does not exist", "line 2, column 3"}},
        {"unknown property of a child", "  object B: TFrmControl\n    Lft = 1\n  end\n", E::Property,
         {"B.Lft", "line 3, column 5"}},
        {"unknown sub-property", "  Font.Colour = 1\n", E::Property, {"F.Font.Colour does not exist", "line 2"}},
        {"path through a scalar", "  Left.X = 1\n", E::Property, {"F.Left is not an object", "line 2, column 3"}},
        {"unknown handler", "  OnClick = NoSuchClick\n", E::MethodNotFound,
         {"NoSuchClick", "F.OnClick", "TFrmForm", "line 2, column 13"}},
        {"handler of another signature", "  OnChange = Btn_OKClick\n", E::MethodNotFound,
         {"Btn_OKClick", "F.OnChange", "signature", "line 2, column 14"}},
        {"string for an integer", "  Left = 'x'\n", E::Property,
         {"F.Left", "an integer expected, found a string", "line 2, column 10"}},
        {"unknown enumeration value", "  Align = alNowhere\n", E::Property, {"alNowhere", "F.Align", "line 2"}},
        {"unknown set element", "  Font.Style = [fsBold, fsWide]\n", E::Property, {"fsWide", "F.Font.Style"}},
        {"not a boolean", "  Visible = Maybe\n", E::Property, {"Maybe", "F.Visible"}},
        {"unknown colour", "  Color = clNone\n", E::Property, {"clNone", "F.Color"}},
        {"integer out of range", "  Left = 3000000000\n", E::Property, {"out of range", "F.Left", "line 2, column 10"}},
        {"integer out of 64 bits", "  Big = 9223372036854775808\n", E::Read, {"Integer out of range", "line 2, column 9"}},
        {"missing equals sign", "  Left 1\n", E::Read, {"'=' expected after Left", "line 2, column 8"}},
        {"unterminated string", "  Caption = 'abc\n", E::Read, {"Unterminated string", "line 2, column 13"}},
        {"bad code point", "  Caption = #1114112\n", E::Read, {"Invalid character code", "line 2, column 13"}},
        {"surrogate code point", "  Caption = 'a'#55296\n", E::Read, {"Invalid character code", "column 16"}},
        {"broken UTF-8", "  Caption = 'a\xC3(b'\n", E::Read, {"Invalid UTF-8", "line 2, column 15"}},
        {"unknown character", "  Left = 1 ;\n", E::Read, {"Invalid character ';'", "line 2, column 12"}},
        {"unresolved reference", "  Link = Nowhere\n", E::Read,
         {"Unresolved reference Nowhere", "F.Link", "line 2, column 10"}},
        {"unresolved reference to another form", "  Source = Frm_Gone.DS\n", E::Read,
         {"Unresolved reference Frm_Gone.DS", "F.Source"}},
        {"reference of the wrong class", "  Source = P\n  object P: TFrmPanel\n  end\n", E::Property,
         {"Invalid reference P", "F.Source", "TFrmPanel is not a TFrmSource", "line 2, column 12"}},
        {"duplicate component name", "  object B: TFrmControl\n  end\n  object b: TFrmControl\n  end\n", E::Component,
         {"A component named b already exists", "line 4, column 3"}},
        {"odd hex digits", "  Picture.Data = {ABC}\n", E::Read, {"Odd number of hex digits", "line 2, column 18"}},
        {"bad hex digit", "  Picture.Data = {AG}\n", E::Read, {"Invalid character in binary data", "column 20"}},
        {"number for binary data", "  Picture.Data = 5\n", E::Property,
         {"F.Picture.Data", "binary data expected, found an integer"}},
        {"number in a string list", "  Items.Strings = ('a'\n    5)\n", E::Property,
         {"F.Items.Strings", "a string expected, found an integer", "line 3, column 5"}},
        {"custom value of the wrong kind", "  Extra = ('x' 'two' three True 1)\n", E::Read,
         {"F.Extra", "an integer expected, found a string", "line 2, column 12"}},
        {"custom value too long", "  Extra = (1 'two' three False 1 more)\n", E::Read,
         {"End of list expected in property F.Extra", "column 34"}},
        {"setter error keeps its class", "  Left = 99999\n", E::InvalidArgument,
         {"Error reading F.Left: Left too large (e.txt, line 2, column 10)"}},
        {"property after a child", "  object B: TFrmControl\n  end\n  Left = 1\n", E::Read,
         {"'end' expected, found 'Left'", "line 4, column 3"}},
        {"read-only property", "  ReadOnlyValue = 1\n", E::Property, {"F.ReadOnlyValue is read-only"}},
        {"collection into a non-collection", "  Font = <>\n", E::Property, {"F.Font is not a collection"}},
        {"list for a collection", "  Columns = ('a')\n", E::Property, {"F.Columns", "a collection expected"}},
        {"unknown item keyword", "  Columns = <thing end>\n", E::Read, {"'item' or '>' expected", "column 14"}},
        {"no value", "  Left = ]\n", E::Read, {"Value expected, found ']'", "line 2, column 10"}},
        {"inherited objects", "  inherited B: TFrmControl\n  end\n", E::Read, {"'=' expected after inherited"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto form = MakeRoot<TFrmForm>();
        const String text = String("object F: TFrmForm\n") + c.body + "end\n";
        try {
            ReadForm(form.get(), text, "e.txt");
            ADD_FAILURE() << "no error";
            continue;
        } catch (const Exception& e) {
            const Exception* p = &e;
            bool typeOk = false;
            switch (c.type) {
            case E::Read: typeOk = dynamic_cast<const EReadError*>(p) && !dynamic_cast<const EClassNotFound*>(p) &&
                                   !dynamic_cast<const EMethodNotFound*>(p); break;
            case E::ClassNotFound: typeOk = dynamic_cast<const EClassNotFound*>(p); break;
            case E::Property: typeOk = dynamic_cast<const EPropertyError*>(p); break;
            case E::MethodNotFound: typeOk = dynamic_cast<const EMethodNotFound*>(p); break;
            case E::Component: typeOk = dynamic_cast<const EComponentError*>(p); break;
            case E::InvalidArgument: typeOk = dynamic_cast<const EInvalidArgument*>(p); break;
            }
            EXPECT_TRUE(typeOk) << "wrong exception class for: " << e.what();
            for (const String& part : c.parts)
                EXPECT_NE(String(e.what()).find(part), String::npos) << "missing \"" << part << "\" in: " << e.what();
        }
        EXPECT_EQ(form->ComponentCount(), 0);
        EXPECT_EQ(form->ComponentState() & (csLoading | csReading), 0u);
    }
}

TEST_F(FormReader, FailedReadFreesWhatItCreatedAndKeepsTheRest) {
    auto form = MakeRoot<TFrmForm>();
    TFrmControl* existing = New<TFrmControl>(form.get());
    existing->SetName("Existing");
    Trace().clear();
    EXPECT_THROW(ReadForm(form.get(),
                          "object F: TFrmForm\n"
                          "  object A: TFrmControl\n"
                          "    object A1: TFrmControl\n"
                          "    end\n"
                          "  end\n"
                          "  object B: TFrmControl\n"
                          "    Link = Missing\n"
                          "  end\n"
                          "end",
                          "f.txt"),
                 EReadError);
    ASSERT_EQ(form->ComponentCount(), 1);
    EXPECT_EQ(form->Components(0), existing);
    EXPECT_EQ(Trace().find("loaded:"), String::npos) << Trace();  // Loaded never ran
    EXPECT_EQ(Live(), live_ + 2);  // the form and the existing component
}

TEST_F(FormReader, RootOfAnotherClassIsRefused) {
    auto form = MakeRoot<TFrmForm>();
    try {
        ReadForm(form.get(), "object F: TFrmData\nend", "w.txt");
        FAIL() << "accepted";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "A description of TFrmData cannot be read into a TFrmForm (w.txt, line 1, column 1)");
    }
    EXPECT_EQ(form->Name(), "");
}

// Every file of the corpus is malformed or odd input that once mattered: parsing must end in a
// clean EReadError or a tree, never a crash (the sanitizers watch).
TEST(FormReaderCorpus, ReplaysEveryFileCleanly) {
    const std::filesystem::path folder = std::filesystem::path(VESTREL_TEST_DATA) / "core" / "corpus" / "form-reader";
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder.string();
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        try {
            ParseForm(bytes.str(), entry.path().filename().string());
        } catch (const EReadError&) {
        } catch (const std::exception& e) {
            ADD_FAILURE() << "unexpected exception: " << e.what();
        }
    }
    EXPECT_GE(files, 10);
}

// ---- The class registry ----

TEST(ClassRegistry, FindsCreatesAndRefuses) {
    EXPECT_EQ(GetClass("tfrmpanel"), TFrmPanel::StaticClass());
    EXPECT_EQ(GetClass("TNope"), nullptr);
    try {
        FindClass("TNope");
        FAIL() << "found";
    } catch (const EClassNotFound& e) {
        EXPECT_STREQ(e.what(), "Class TNope not found");
    }
    Trace().clear();
    Owned<TComponent> made(CreateComponent("TFrmSource", nullptr));
    EXPECT_EQ(made->ClassType(), TFrmSource::StaticClass());
    EXPECT_EQ(Trace(), "new:TFrmSource");  // AfterConstruction ran

    RegisterClasses<TFrmPanel>();  // again: harmless
    struct TOtherPanel : TComponent {
        static TClass StaticClass() {
            static const TClassInfo info{"TFrmPanel", TComponent::StaticClass()};
            return &info;
        }
        using TComponent::TComponent;
    };
    EXPECT_THROW(RegisterComponentClass<TOtherPanel>(), EFilerError);
    EXPECT_EQ(GetClass("TFrmPanel"), TFrmPanel::StaticClass());
}

// ---- The property registry by name ----

TEST(PropertyRegistry, ReadsAndWritesEveryKindByName) {
    Owned<TFrmControl> c(New<TFrmControl>(nullptr));
    Owned<TFrmControl> other(New<TFrmControl>(nullptr));
    Owned<TFrmSource> source(New<TFrmSource>(nullptr));

    SetOrdProp(c.get(), "LEFT", 40);
    EXPECT_EQ(GetOrdProp(c.get(), "Left"), 40);
    SetPropValue(c.get(), "Big", TPropValue(std::int64_t{1} << 40));
    EXPECT_EQ(GetPropValue(c.get(), "big").AsInteger(), std::int64_t{1} << 40);
    SetStrProp(c.get(), "Caption", "标题");
    EXPECT_EQ(GetStrProp(c.get(), "caption"), "标题");
    SetFloatProp(c.get(), "Scale", 0.25);
    EXPECT_EQ(GetFloatProp(c.get(), "Scale"), 0.25);
    SetEnumProp(c.get(), "Align", "ALTOP");
    EXPECT_EQ(c->Align, alTop);
    EXPECT_EQ(GetEnumProp(c.get(), "Align"), "alTop");
    SetEnumProp(c.get(), "Visible", "false");
    EXPECT_EQ(GetEnumProp(c.get(), "Visible"), "False");
    SetOrdProp(c.get(), "Visible", 1);
    EXPECT_TRUE(c->Visible);

    TFrmFont* font = static_cast<TFrmFont*>(GetObjectProp(c.get(), "Font"));
    EXPECT_EQ(font, c->Font());
    SetSetProp(font, "Style", "[fsItalic, fsUnderline]");
    EXPECT_EQ(font->Style, fsItalic | fsUnderline);
    EXPECT_EQ(GetSetProp(font, "Style"), "fsItalic,fsUnderline");
    EXPECT_EQ(GetSetProp(font, "Style", true), "[fsItalic,fsUnderline]");
    SetSetProp(font, "Style", "");
    EXPECT_EQ(font->Style, 0u);

    SetObjectProp(c.get(), "Link", other.get());
    EXPECT_EQ(c->Link(), other.get());
    SetObjectProp(c.get(), "Link", nullptr);
    EXPECT_EQ(c->Link(), nullptr);
    SetObjectProp(c.get(), "Source", source.get());
    EXPECT_EQ(c->Source(), source.get());
    SetPropValue(c->Items(), "Strings", TPropValue(std::vector<String>{"a", "b"}));
    EXPECT_EQ(GetPropValue(c->Items(), "Strings").AsStrings().size(), 2u);

    EXPECT_TRUE(IsPublishedProp(c.get(), "onclick"));
    EXPECT_FALSE(IsPublishedProp(c.get(), "Extra"));  // custom properties are not published
    const auto list = GetPropList(TFrmPanel::StaticClass());
    ASSERT_GE(list.size(), 3u);
    EXPECT_EQ(list[0]->Name, "Name");  // base class first
    EXPECT_EQ(list[1]->Name, "Tag");
    EXPECT_EQ(GetPropInfo(TFrmPanel::StaticClass(), "left")->Declaring, TFrmControl::StaticClass());
}

TEST(PropertyRegistry, ErrorsNameThePropertyAndTheProblem) {
    Owned<TFrmControl> c(New<TFrmControl>(nullptr));
    Owned<TFrmControl> notSource(New<TFrmControl>(nullptr));
    struct Case {
        const char* name;
        std::function<void()> action;
        const char* message;
    };
    const Case cases[] = {
        {"unknown name", [&] { GetOrdProp(c.get(), "Lefty"); }, "Property \"Lefty\" does not exist in TFrmControl"},
        {"string into an integer", [&] { SetPropValue(c.get(), "Left", TPropValue("x")); },
         "Invalid value for property \"Left\": an integer expected, not a string"},
        {"integer accessor on a string", [&] { SetOrdProp(c.get(), "Caption", 1); },
         "Property \"Caption\" is of kind string, not an ordinal"},
        {"string accessor on an integer", [&] { GetStrProp(c.get(), "Left"); },
         "Property \"Left\" is of kind integer, not a string"},
        {"out of range", [&] { SetOrdProp(c.get(), "Left", std::int64_t{1} << 40); },
         "Value 1099511627776 is out of range for property \"Left\""},
        {"enumeration ordinal out of range", [&] { SetOrdProp(c.get(), "Align", 3); },
         "Value 3 is out of range for property \"Align\""},
        {"unknown enumeration identifier", [&] { SetEnumProp(c.get(), "Align", "alLeft"); },
         "\"alLeft\" is not a value of property \"Align\""},
        {"unknown set element", [&] { SetSetProp(c->Font(), "Style", "[fsBold,fsStrike]"); },
         "\"fsStrike\" is not an element of property \"Style\""},
        {"set mask beyond its elements", [&] { SetOrdProp(c->Font(), "Style", 8); },
         "Value 8 is out of range for property \"Style\""},
        {"read-only", [&] { SetOrdProp(c.get(), "ReadOnlyValue", 1); },
         "Property \"ReadOnlyValue\" of TFrmControl is read-only"},
        {"reference of another class", [&] { SetObjectProp(c.get(), "Source", notSource.get()); },
         "Invalid value for property \"Source\": a TFrmControl is not a TFrmSource"},
        {"boolean from 2", [&] { SetOrdProp(c.get(), "Visible", 2); },
         "Invalid value for property \"Visible\": a boolean expected, not an integer"},
        {"nil instance", [&] { GetOrdProp(nullptr, "Left"); }, "Cannot reach property \"Left\" of nil"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        try {
            row.action();
            ADD_FAILURE() << "no error";
        } catch (const EPropertyError& e) {
            EXPECT_STREQ(e.what(), row.message);
        }
    }
    EXPECT_EQ(c->Left(), 0);
    EXPECT_EQ(c->Source(), nullptr);
}
