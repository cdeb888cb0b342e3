// Report function libraries, the globals and their constants, and the printer list over a fake
// printer backend.
#include "DbTestSupport.h"
#include "Encoding.h"
#include "FR_Class.h"
#include "FR_Prntr.h"
#include "MaskUtils.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace dbtest;

const std::map<int, String> kTexts = {
    {55007, "虚拟打印机"}, {55077, "报表标题"}, {55099, "无"}, {55170, "0;1"}, {55175, "yy.mm.dd"},
    {55182, "h:nn"}, {55337, "1"}, {55620, "Database"},
    {55621, "FIELDISNULL(<FieldName>)/Returns 'true' if DB-field is null"}, {55622, "Report info"},
};

// The report texts of the string table, and the report globals, for one test.
class ReportGlobalsTest : public ::testing::Test {
protected:
    void SetUp() override {
        frLocale().Source = [](int id) {
            auto it = kTexts.find(id);
            return it == kTexts.end() ? String() : it->second;
        };
        frStartUp(nullptr);
        parser.OnNameValue = [](const String& name, Variant& value) {
            if (name == "A") value = Variant("abc");
        };
        parser.OnCallFunction = [this](const String& name, const String& p1, const String& p2, const String& p3,
                                       Variant& value) { frCallRegisteredFunction(parser, name, p1, p2, p3, value); };
    }
    void TearDown() override {
        frShutDown();
        frLocale().Source = nullptr;
        frInputFunction = nullptr;
        frMessageBoxFunction = nullptr;
        FormatSettings = saved;
    }

    String Eval(const String& text) {
        try {
            const Variant v = parser.Evaluate(text);
            switch (v.Type()) {
            case varNull: return "N";
            case varInteger: return "I:" + VarToStr(v);
            case varDouble: return "D:" + VarToStr(v);
            case varBoolean: return "B:" + VarToStr(v);
            default: return "S:" + VarToStr(v);
            }
        } catch (const EConvertError&) {
            return "E:convert";
        } catch (const EVariantError&) {
            return "E:convert";
        }
    }

    TFormatSettings saved = FormatSettings;
    TfrParser parser;
};

TEST_F(ReportGlobalsTest, StandardFunctionTable) {
    struct Row {
        const char* Text;
        const char* Expected;
    };
    const Row rows[] = {
        {"LENGTH('abc')", "I:3"}, {"LENGTH('中文')", "I:2"}, {"length('')", "I:0"},
        {"UPPERCASE('abc')", "S:ABC"}, {"LOWERCASE('AbC')", "S:abc"}, {"UPPERCASE(A)", "S:ABC"},
        {"NAMECASE('nEW yORK')", "S:New york"}, {"NAMECASE('')", "S:"}, {"TRIM('  a b  ')", "S:a b"},
        {"POS('b','abc')", "I:2"}, {"POS('x','abc')", "I:0"}, {"POS('','abc')", "I:0"}, {"POS('文','中文')", "I:2"},
        {"MAXNUM(2,3)", "D:3"}, {"MAXNUM(3,2)", "D:3"}, {"MINNUM(3,3)", "D:3"}, {"MINNUM(2,3)", "D:2"},
        {"MAXNUM('b','a')", "S:b"},
        {"DAYOF(STRTODATE('2024-01-15'))", "I:15"}, {"MONTHOF(STRTODATE('2024-01-15'))", "I:1"},
        {"YEAROF(STRTODATE('2024-01-15'))", "I:2024"}, {"DAYOF(UNKNOWN)", "E:convert"},
        {"FORMATDATETIME('yyyy-mm-dd', STRTODATE('2024-01-15'))", "S:2024-01-15"},
        {"FORMATFLOAT('0.00', 3.14159)", "S:3.14"}, {"FORMATFLOAT('#,##0.00', 1234.5)", "S:1,234.50"},
        {"FORMATFLOAT('0.00', 'x')", "E:convert"},
        {"FORMATTEXT('(000)000', '123456')", "S:(123)456"}, {"FORMATTEXT('>LL-00', 'ab12')", "S:AB-12"},
        {"FORMATTEXT('000-0', '12')", "S:12 - "}, {"UPPERCASE(COPY('abc',1,2))", "S:AB"},
        {"SUM(X)", "I:0"}, {"AVG(X, 'Band1')", "I:0"}, {"COUNT('Band1')", "I:0"}, {"MAX(X)", "I:0"},
        {"MIN(X)", "D:1E300"}, {"INPUT('Name?', 'x')", "S:x"}, {"MESSAGEBOX('t', 'c', 4)", "I:0"},
        {"FOO(1)", "N"}, {"Length('ab') + 1", "D:3"},
    };
    for (const Row& row : rows) EXPECT_EQ(Eval(row.Text), row.Expected) << row.Text;
}

TEST_F(ReportGlobalsTest, InputAndMessageBoxAskThroughTheirFunctions) {
    String asked;
    frInputFunction = [&](const String& caption, const String& prompt, const String& value) {
        asked = "[" + caption + "]" + prompt + "=" + value;
        return String("typed");
    };
    frMessageBoxFunction = [&](const String& text, const String& caption, int flags) {
        return text == "Sure?" && caption == "Q" && flags == 4 ? 6 : -1;
    };
    EXPECT_EQ(Eval("INPUT('Name' + '?', 'x')"), "S:typed");
    EXPECT_EQ(asked, "[]Name?=x");
    EXPECT_EQ(Eval("MESSAGEBOX('Sure?', 'Q', MB_YESNO)"), "E:convert");  // not a name of this parser
    EXPECT_EQ(Eval("MESSAGEBOX('Sure?', 'Q', 4)"), "I:6");
}

TEST_F(ReportGlobalsTest, RegistryKeepsOneLibraryPerClassAndItsDescriptions) {
    ASSERT_EQ(frFunctionLibraryCount(), 2);
    EXPECT_EQ(frFunctionLibrary(0)->ClassName(), "TfrStdFunctionLibrary");
    EXPECT_EQ(frFunctionLibrary(1)->ClassName(), "TDatabaseFunctionLibrary");
    frRegisterFunctionLibrary<TfrStdFunctionLibrary>();
    EXPECT_EQ(frFunctionLibraryCount(), 2);

    // The standard functions have no category text, so only FIELDISNULL is described.
    const auto& records = frGlobals->InstalledFunctions.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Name, "FIELDISNULL");
    EXPECT_EQ(records[0].Category, "Database");
    EXPECT_EQ(records[0].Description, "FIELDISNULL(<FieldName>)/Returns 'true' if DB-field is null");

    frUnregisterFunctionLibrary("TDatabaseFunctionLibrary");
    EXPECT_EQ(frFunctionLibraryCount(), 1);
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(Eval("FIELDISNULL('x')"), "N");
    frRegisterFunctionLibrary<TDatabaseFunctionLibrary>();
    EXPECT_EQ(Eval("FIELDISNULL('x')"), "B:True");

    EXPECT_EQ(frAggregateKey("Band1", 11, "[Sum]", ""), "Band1\x01\x0b\x01[Sum]\x01\x01");
}

TEST_F(ReportGlobalsTest, FieldIsNullFindsFormDataSetAndField) {
    TempFolder folder;
    const String path = folder.File("t.mdb");
    BuildDatabase(path, {{"t.sql", "CREATE TABLE t (Name TEXT(20), Age INTEGER); INSERT INTO t VALUES (NULL, 5);"}});
    Session session(path);
    TComponent* form = New<TComponent>(nullptr);
    form->SetName("Frm_T");
    RegisterRootComponent(form);
    TADOQuery* query = New<TADOQuery>(form);
    query->SetName("Qry");
    query->SetConnection(session.connection);
    OpenQuery(query, "select * from t");
    TComponent* module = New<TComponent>(nullptr);
    module->SetName("Dm");
    RegisterRootComponent(module);

    struct Row {
        const char* Reference;
        const char* Expected;
    };
    const Row rows[] = {
        {"Frm_T.Qry.Name", "B:True"}, {"Frm_T.Qry.Age", "B:False"}, {"Frm_T.Qry.Nope", "B:True"},
        {"\"Frm_T\".\"Qry\".\"Age\"", "B:False"}, {"Name", "B:True"}, {"Qry.Age", "B:True"},
        {"Dm.Frm_T.Qry.Age", "B:False"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Eval(String("FIELDISNULL('") + row.Reference + "')"), row.Expected) << row.Reference;

    const std::pair<const char*, const char*> missing[] = {
        {"NoForm.Qry.Name", "Missing NoForm"}, {"Frm_T.NoQry.Name", "Missing NoQry"},
        {"Frm_T.Qry.X.Y.Z", "Missing Frm_T.Qry.X.Y.Z"}, {"NoModule.Frm_T.Qry.Age", "Missing NoModule"},
    };
    for (const auto& [reference, message] : missing) {
        try {
            parser.Evaluate(String("FIELDISNULL('") + reference + "')");
            ADD_FAILURE() << reference;
        } catch (const EClassNotFound& e) {
            EXPECT_EQ(e.Message, message);
        }
    }
    module->Free();
    form->Free();
}

TEST_F(ReportGlobalsTest, GlobalsHoldTextsConstantsAndVariables) {
    TfrGlobals& g = *frGlobals;
    EXPECT_EQ(g.Charset, 1);
    EXPECT_EQ(g.BandNames[0], "报表标题");
    EXPECT_EQ(g.BandNames[22], "无");
    EXPECT_EQ(g.BandNames[1], "");  // not in this test's texts
    EXPECT_EQ(g.BoolFormats[0], "0;1");
    EXPECT_EQ(g.DateFormats[0], "yy.mm.dd");
    EXPECT_EQ(g.TimeFormats[3], "h:nn");
    EXPECT_EQ(g.Checkerboard[0], 0xFFFFFFu);
    EXPECT_EQ(g.Checkerboard[1], 0xC0C0C0u);
    EXPECT_EQ(g.Checkerboard[8], 0xC0C0C0u);
    EXPECT_EQ(g.Checkerboard[9], 0xFFFFFFu);

    struct Row {
        const char* Name;
        Variant Value;
    };
    const Row rows[] = {
        {"clRed", Variant(255)}, {"CLLIME", Variant(0xFF00)}, {"clMaroon", Variant(0x80)}, {"clNavy", Variant(0x800000)},
        {"clTransparent", Variant(0x1FFFFFFF)}, {"clScrollBar", Variant(-16777216)}, {"clBtnFace", Variant(-16777201)},
        {"clInfoBk", Variant(-16777192)}, {"mrYes", Variant(6)}, {"mrNo", Variant(7)}, {"fsBold", Variant(2)},
        {"fsItalic", Variant(1)}, {"frtaDown", Variant(16)}, {"baRest", Variant(7)}, {"psDouble", Variant(5)},
        {"mb_YesNo", Variant(4)}, {"mb_IconWarning", Variant(48)}, {"CRLF", Variant("\r\n")},
    };
    for (const Row& row : rows) {
        const Variant* value = g.Consts.Find(row.Name);
        ASSERT_NE(value, nullptr) << row.Name;
        EXPECT_EQ(VarType(*value), VarType(row.Value)) << row.Name;
        EXPECT_TRUE(*value == row.Value) << row.Name;
    }
    EXPECT_EQ(g.Consts.Count(), 42 + 2 + 5 + 4 + 5 + 6 + 8 + 6 + 8);
    ASSERT_NE(g.Consts.Find("Null"), nullptr);
    EXPECT_TRUE(g.Consts.Find("Null")->IsNull());
    for (int i = 1; i < g.Consts.Count(); ++i) EXPECT_LT(CompareText(g.Consts.Name(i - 1), g.Consts.Name(i)), 0);

    // Bound to the constant list, a parser reads the constants by name.
    parser.OnNameValue = [&](const String& name, Variant& value) { value = g.Consts.Variable(name); };
    EXPECT_EQ(Eval("CLRED + CLLIME"), "I:65535");
    EXPECT_EQ(Eval("MRYES"), "I:6");
}

// Records the progress form's text as a window stand-in of the tests.
class RecordingWindows : public TfrWindows {
public:
    explicit RecordingWindows(std::vector<String>& log) : log_(log) {}
    ~RecordingWindows() override { log_.push_back("freed"); }
    void ShowProgress(const String& text) override { log_.push_back("progress " + text); }
    void ProcessMessages() override { log_.push_back("messages"); }
    void CreateDialogForm() override { log_.push_back("dialog"); }

private:
    std::vector<String>& log_;
};

TEST_F(ReportGlobalsTest, TheReportInterpreterStoresGlobalsAndShowsProgress) {
    frShutDown();
    std::vector<String> log;
    frStartUp([&] { return std::make_unique<RecordingWindows>(log); });
    EXPECT_EQ(log, std::vector<String>{"dialog"});
    TfrGlobals& g = *frGlobals;
    g.Variables.SetVariable("Total", Variant(1));

    TStringList source, compiled, errors;
    source.Add("BEGIN Total := 5; Fresh := 'x'; Progress := 42; I := 0; WHILE I < 1 DO I := 1 END");
    g.Interpreter->CompileScript(&source, &compiled, &errors);
    ASSERT_EQ(errors.Count(), 0);
    g.Interpreter->StepLimit = 100;
    // Names read back as Null while the global parser's events are unbound: the loop never ends.
    EXPECT_THROW(g.Interpreter->RunScript(&compiled), EReportError);
    EXPECT_EQ(g.Variables.Variable("TOTAL").AsInteger(), 5);
    EXPECT_EQ(g.Variables.Variable("Fresh").AsString(), "x");
    EXPECT_EQ(g.Variables.IndexOf("Progress"), -1);
    EXPECT_EQ(log, (std::vector<String>{"dialog", "progress 42", "messages"}));

    // Bound, the global parser's events answer the interpreter.
    g.Parser.OnNameValue = [&](const String& name, Variant& value) { value = g.Variables.Variable(name); };
    g.Interpreter->StepLimit = 0;
    g.Interpreter->RunScript(&compiled);
    EXPECT_EQ(g.Variables.Variable("I").AsInteger(), 1);
    frShutDown();
    EXPECT_EQ(log.back(), "freed");
    EXPECT_EQ(frFunctionLibraryCount(), 0);
    EXPECT_EQ(frInstalledFunctions, nullptr);
}

TEST(ReportLocale, TheLocalisationEventComesFirst) {
    TfrLocale locale;
    EXPECT_EQ(locale.LoadText(55007), "");
    locale.Source = [](int id) { return id == 55007 ? String("虚拟打印机") : String(); };
    EXPECT_EQ(locale.LoadText(55007), "虚拟打印机");
    EXPECT_EQ(locale.LoadText(55010), "");
    locale.OnLocalize = [](int id) { return id == 55007 ? String("Virtual") : String(); };
    EXPECT_EQ(locale.LoadText(55007), "Virtual");
    EXPECT_EQ(locale.LoadText(55077), "");
}

TEST(MaskText, LaysOutValuesByTheMask) {
    struct Row {
        const char* Mask;
        const char* Value;
        const char* Expected;
    };
    const Row rows[] = {
        {"(000)000;0; ", "123456", "(123)456"}, {"(000)000;1;_", "(123)456", "(123)456"},
        {"(000)000;0;_", "12", "(12_)___"}, {">LL<ll;0", "aBcD", "ABcd"}, {"\\(00\\);0", "12", "(12)"},
        {"00:00;0", "1230", "12:30"}, {"0000/00/00;0", "20240115", "2024-01-15"}, {"", "abc", ""},
        {"000;0;*", "", "***"}, {"LL;0", "中文字", "中文"},
    };
    for (const Row& row : rows) EXPECT_EQ(FormatMaskText(row.Mask, row.Value), row.Expected) << row.Mask;
}

// A fake of the system's printers.
class FakeBackend : public TfrPrinterBackend {
public:
    std::vector<String> Names;
    int Index = 0;
    bool HasMode = true;
    bool FailCapabilities = false;
    TfrDeviceMode Mode;
    TfrDeviceMode Written;
    int Writes = 0;
    TfrPrinterCapabilities Caps;

    std::vector<String> Printers() override { return Names; }
    int PrinterIndex() override { return Index; }
    void SetPrinterIndex(int index) override { Index = index; }
    bool GetDeviceMode(String& device, String& driver, String& port, TfrDeviceMode& mode) override {
        if (!HasMode) return false;
        device = Names.at(Index);
        driver = "winspool";
        port = "LPT1:";
        mode = Mode;
        return true;
    }
    void SetDeviceMode(const TfrDeviceMode& mode) override {
        Written = mode;
        Mode.PaperSizeValue = mode.PaperSizeValue;
        Mode.OrientationValue = mode.OrientationValue;
        ++Writes;
    }
    TfrPrinterCapabilities Capabilities() override {
        if (FailCapabilities) throw EInvalidOperation("driver failed");
        return Caps;
    }
};

class ReportPrinterTest : public ::testing::Test {
protected:
    void SetUp() override {
        frLocale().Source = [](int id) { return id == 55007 ? String("虚拟打印机") : id == 55435 ? String() : String(); };
        backend.Names = {"Office", "Label"};
        backend.Mode.Fields = TfrDeviceMode::PaperSize | TfrDeviceMode::Orientation | TfrDeviceMode::Copies;
        backend.Mode.PaperSizeValue = 9;
        backend.Caps.PhysicalWidth = 4960;
        backend.Caps.PhysicalHeight = 7016;
        backend.Caps.PixelsPerInchX = 600;
        backend.Caps.PixelsPerInchY = 600;
        backend.Caps.Papers = {1, 9};
        backend.Caps.PaperNames = {"Letter", "A4"};
        backend.Caps.Bins = {7, 15};
        backend.Caps.BinNames = {"Auto", "Tray"};
    }
    void TearDown() override {
        frPrinterShutDown();
        frLocale().Source = nullptr;
    }
    FakeBackend backend;
};

TEST_F(ReportPrinterTest, WithoutPrintersOnlyTheVirtualPrinterWithTheTablePapers) {
    frPrinterStartUp([] { return std::unique_ptr<TfrPrinterBackend>(new FakeBackend); });
    TfrPrinter& p = *frPrinter;
    EXPECT_TRUE(frPrintersInitialised);
    EXPECT_EQ(p.Printers, std::vector<String>{"虚拟打印机"});
    EXPECT_EQ(p.VirtualIndex, 0);
    EXPECT_EQ(p.PaperCodes.size(), 67u);
    EXPECT_EQ(p.PaperNames.size(), 67u);
    EXPECT_EQ(p.PaperNames[0], "");
    EXPECT_EQ(p.PaperCode, 9);
    EXPECT_EQ(frDefaultPaper, 9);
    EXPECT_EQ(p.PaperWidth, 2100);
    EXPECT_EQ(p.PaperHeight, 2970);
    p.Orientation = poLandscape;
    p.ApplySettings();
    EXPECT_EQ(p.PaperWidth, 2970);
    EXPECT_EQ(p.PaperHeight, 2100);
    p.PaperCode = kUserPaper;
    p.PaperWidth = 1234;
    p.ApplySettings();
    EXPECT_EQ(p.PaperWidth, 1234);

    // A start-up whose printer object fails leaves no printer list and shows nothing.
    frPrinterShutDown();
    frPrinterStartUp([]() -> std::unique_ptr<TfrPrinterBackend> { throw EInvalidOperation("no spooler"); });
    EXPECT_TRUE(frPrinter->Printers.empty());
    EXPECT_TRUE(frPrintersInitialised);
}

TEST_F(ReportPrinterTest, PaperTableHasTheStandardSizes) {
    std::vector<int> codes;
    for (int c = 1; c <= 47; ++c) codes.push_back(c);
    for (int c = 50; c <= 68; ++c) codes.push_back(c);
    codes.push_back(256);
    ASSERT_EQ(codes.size(), frPaperTable.size());
    for (std::size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(frPaperTable[i].Code, codes[i]);
    auto size = [](int code) {
        for (const TfrPaperInfo& p : frPaperTable)
            if (p.Code == code) return std::make_pair(p.Width, p.Height);
        return std::make_pair(-1, -1);
    };
    EXPECT_EQ(size(1), std::make_pair(2159, 2794));
    EXPECT_EQ(size(8), std::make_pair(2970, 4200));
    EXPECT_EQ(size(9), std::make_pair(2100, 2970));
    EXPECT_EQ(size(11), std::make_pair(1480, 2100));
    EXPECT_EQ(size(13), std::make_pair(1820, 2570));
    EXPECT_EQ(size(26), std::make_pair(8636, 11176));
    EXPECT_EQ(size(256), std::make_pair(0, 0));
}

TEST_F(ReportPrinterTest, RealPrinterSettingsAreRead) {
    backend.Index = 1;
    TfrPrinter p;
    p.AttachPrinter(&backend);
    EXPECT_EQ(p.Printers, (std::vector<String>{"Office", "Label", "虚拟打印机"}));
    EXPECT_EQ(p.PrinterIndex, 1);
    EXPECT_EQ(p.VirtualIndex, 2);
    EXPECT_EQ(p.Device, "Label");
    EXPECT_EQ(p.Port, "LPT1:");
    EXPECT_EQ(p.PaperCode, 9);
    EXPECT_EQ(p.PaperWidth, 2100);   // 4960 / 600 * 254
    EXPECT_EQ(p.PaperHeight, 2970);  // 7016 / 600 * 254
    EXPECT_EQ(p.PaperCodes, (std::vector<int>{1, 9}));
    EXPECT_EQ(p.PaperNames, (std::vector<String>{"Letter", "A4"}));
    EXPECT_EQ(p.Bins, (std::vector<int>{-1, 7, 15}));
    EXPECT_EQ(p.BinNames, (std::vector<String>{"", "Auto", "Tray"}));
    EXPECT_EQ(p.Orientation, poPortrait);

    // Cut to 256 papers and 64 bins; long names are cut too.
    backend.Caps.Papers.assign(300, 9);
    backend.Caps.PaperNames.assign(300, "A4");
    backend.Caps.Bins.assign(100, 7);
    backend.Caps.BinNames.assign(100, "Auto");
    backend.Names[0] = String(300, 'x');
    p.SelectPrinter(0);
    EXPECT_EQ(backend.Index, 0);
    EXPECT_EQ(p.PaperCodes.size(), 256u);
    EXPECT_EQ(p.PaperNames.size(), 256u);
    EXPECT_EQ(p.Bins.size(), 65u);
    EXPECT_EQ(p.Device.size(), TfrPrinter::kMaxNameBytes);

    // The virtual printer and back; out of range is ignored.
    p.SelectPrinter(2);
    EXPECT_EQ(p.PaperCodes.size(), 67u);
    p.SelectPrinter(7);
    EXPECT_EQ(p.PrinterIndex, 2);
}

TEST_F(ReportPrinterTest, ApplyWritesOnlySupportedFieldsAndTheUserSize) {
    TfrPrinter p;
    p.AttachPrinter(&backend);
    p.Orientation = poLandscape;
    p.Bin = 15;
    p.PaperCode = kUserPaper;
    p.PaperWidth = 1000;
    p.PaperHeight = 1500;
    p.ApplySettings();
    ASSERT_EQ(backend.Writes, 1);
    const TfrDeviceMode& w = backend.Written;
    EXPECT_EQ(w.PaperSizeValue, kUserPaper);
    EXPECT_TRUE(w.Fields & TfrDeviceMode::PaperLength);
    EXPECT_TRUE(w.Fields & TfrDeviceMode::PaperWidth);
    EXPECT_EQ(w.PaperLengthValue, 1500);
    EXPECT_EQ(w.PaperWidthValue, 1000);
    EXPECT_EQ(w.OrientationValue, 2);
    EXPECT_EQ(w.DefaultSourceValue, 0);  // the printer does not offer bins
    EXPECT_EQ(p.Orientation, poLandscape);

    p.PaperCode = 9;
    p.Bin = 15;
    backend.Mode.Fields |= TfrDeviceMode::DefaultSource | TfrDeviceMode::PaperLength;
    p.ApplySettings();
    EXPECT_FALSE(backend.Written.Fields & TfrDeviceMode::PaperLength);
    EXPECT_EQ(backend.Written.DefaultSourceValue, 15);
}

TEST_F(ReportPrinterTest, DriverFailuresFallBackToTheVirtualPrinter) {
    backend.FailCapabilities = true;
    TfrPrinter p;
    p.AttachPrinter(&backend);
    EXPECT_EQ(p.PrinterIndex, p.VirtualIndex);
    EXPECT_EQ(p.PaperCodes.size(), 67u);

    // A printer without a device mode: the start-up chooses the virtual printer and paper code -1.
    frPrinterStartUp([] {
        auto fake = std::make_unique<FakeBackend>();
        fake->Names = {"Broken"};
        fake->HasMode = false;
        return std::unique_ptr<TfrPrinterBackend>(std::move(fake));
    });
    EXPECT_EQ(frPrinter->PrinterIndex, 1);
    EXPECT_EQ(frPrinter->PaperCode, -1);
    EXPECT_EQ(frDefaultPaper, -1);
}

}  // namespace
