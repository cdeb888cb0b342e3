// The report core's Windows half: the string table's texts byte for byte, the printer list over the
// spooler, the progress form shown and closed, and the start-up and end of the report globals.
#include "FR_PrntrWin.h"
#include "FR_Start.h"
#include "FR_progr.h"
#include "TestControls.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportStringTable, TextsAreTheProgramsOwn) {
    const std::pair<int, const char*> texts[] = {
        {55007, "\xe8\x99\x9a\xe6\x8b\x9f\xe6\x89\x93\xe5\x8d\xb0\xe6\x9c\xba"},  // 虚拟打印机
        {55077, "报表标题"}, {55078, "报表合计"}, {55079, "页头"}, {55080, "页脚"}, {55081, "主项头"},
        {55082, "主项数据"}, {55083, "主项脚"}, {55084, "细项头"}, {55085, "细项数据"}, {55086, "细项脚"},
        {55087, "子细项头"}, {55088, "子细项数据"}, {55089, "子细项脚"}, {55090, "覆盖"}, {55091, "栏目头"},
        {55092, "栏目脚"}, {55093, "分组头"}, {55094, "分组脚"}, {55095, "交叉表头"}, {55096, "交叉表数据"},
        {55097, "交叉表脚"}, {55098, "子"}, {55099, "无"},
        {55170, "0;1"}, {55171, "否;是"}, {55172, "_;x"}, {55173, "假;真"},
        {55175, "yy.mm.dd"}, {55176, "yyyy.mm.dd"}, {55177, "yyyy''年''mm''月''dd''日''"},
        {55178, "yyyy''年''mm''月''dd''日''"}, {55179, "hh:nn:ss"}, {55180, "h:nn:ss"}, {55181, "hh:nn"},
        {55182, "h:nn"}, {55337, "1"}, {55620, "Database"},
        {55621, "FIELDISNULL(<FieldName>)/Returns 'true' if DB-field is null"}, {55622, "Report info"},
    };
    for (const auto& [id, text] : texts) EXPECT_EQ(frLoadResourceString(id), text) << id;
    for (const int absent : {55008, 55010, 55074, 55174, 55349, 55416, 55435, 55623, 55631})
        EXPECT_EQ(frLoadResourceString(absent), "") << absent;
}

TEST(ReportPrinters, TheSpoolerListEndsWithTheVirtualPrinter) {
    frLocale().Source = frLoadResourceString;
    std::unique_ptr<TfrPrinterBackend> spooler = frCreateSpoolerBackend();
    const std::vector<String> system = spooler->Printers();
    TfrPrinter printer;
    printer.AttachPrinter(spooler.get());
    ASSERT_EQ(printer.Printers.size(), system.size() + 1);
    EXPECT_EQ(printer.Printers.back(), "虚拟打印机");
    EXPECT_EQ(printer.VirtualIndex, static_cast<int>(system.size()));
    if (system.empty()) {
        // The machine of the tests has no printers: the printer-less path.
        EXPECT_EQ(printer.PrinterIndex, 0);
        EXPECT_EQ(printer.PaperCodes.size(), 67u);
        EXPECT_EQ(printer.PaperCode, 9);
        EXPECT_EQ(printer.PaperWidth, 2100);
        EXPECT_EQ(printer.PaperHeight, 2970);
        String device, driver, port;
        TfrDeviceMode mode;
        EXPECT_FALSE(spooler->GetDeviceMode(device, driver, port, mode));
    }
    frLocale().Source = nullptr;
}

class ReportWindowsTest : public ::testing::Test {
protected:
    ReportWindowsTest() { RegisterProgressFormClasses(); }
    TScopedApplication app_;
};

struct ProgressLog {
    int Messages = 0;
    void OnMessage(TObject*) { ++Messages; }
};

TEST_F(ReportWindowsTest, ProgressFormShowsItsLabelsAndCancelCloses) {
    auto* form = New<TfrProgressForm>(Application);
    EXPECT_EQ(form->ClientWidth(), 278);
    EXPECT_EQ(form->ClientHeight(), 106);
    EXPECT_EQ(form->BorderStyle(), bsDialog);
    EXPECT_EQ(form->Label1->Caption(), "1");
    EXPECT_EQ(form->Label2->Caption(), " ");
    EXPECT_EQ(form->Label1->Width(), 237);
    EXPECT_EQ(form->Button1->Caption(), "Cancel");
    EXPECT_FALSE(form->Visible());

    form->Show();
    DrainMessages();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    ProgressLog log;
    form->OnProgressMessage = Event<&ProgressLog::OnMessage>(&log);
    SendMessageW(form->Handle(), WM_FR_PROGRESS, 0, 0);
    EXPECT_EQ(log.Messages, 1);

    SendMessageW(form->Button1->Handle(), BM_CLICK, 0, 0);
    DrainMessages();
    EXPECT_TRUE(form->Terminated);
    EXPECT_EQ(form->ModalResult(), mrCancel);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    form->Free();
}

TEST_F(ReportWindowsTest, StartUpMakesTheGlobalsAndTheEndFreesThem) {
    ReportInitialization();
    ASSERT_NE(frGlobals, nullptr);
    ASSERT_NE(frPrinter, nullptr);
    EXPECT_TRUE(frPrintersInitialised);
    EXPECT_EQ(frPrinter->Printers.back(), "虚拟打印机");
    EXPECT_EQ(frGlobals->BandNames[0], "报表标题");
    EXPECT_EQ(frGlobals->Charset, 1);
    EXPECT_EQ(frFunctionLibraryCount(), 2);
    ASSERT_EQ(frGlobals->InstalledFunctions.Records().size(), 1u);
    EXPECT_EQ(frGlobals->InstalledFunctions.Records()[0].Category, "Database");
    EXPECT_EQ(frGlobals->Consts.Variable("clRed").AsInteger(), 255);
    EXPECT_EQ(frGlobals->Consts.Variable("CRLF").AsString(), "\r\n");

    TfrProgressForm* progress = frProgressForm();
    ASSERT_NE(progress, nullptr);
    EXPECT_FALSE(progress->Visible());
    TForm* dialog = frDialogForm();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->Name(), "DialogForm");
    EXPECT_EQ(dialog->Left(), -100);
    EXPECT_EQ(dialog->Top(), -100);
    EXPECT_EQ(dialog->Width(), 10);
    EXPECT_FALSE(dialog->Visible());

    // The report interpreter's PROGRESS reaches the progress form.
    TStringList source, compiled, errors;
    source.Add("PROGRESS := 'Page ' + '3'");
    frGlobals->Interpreter->CompileScript(&source, &compiled, &errors);
    ASSERT_EQ(errors.Count(), 0);
    frGlobals->Interpreter->RunScript(&compiled);
    EXPECT_EQ(progress->Label2->Caption(), "Page 3");

    // A script's INPUT asks through the input box (without a caption) and answers what was typed,
    // or its default when the box is cancelled.
    TfrParser parser;
    parser.OnCallFunction = [&parser](const String& name, const String& p1, const String& p2, const String& p3,
                                      Variant& value) { frCallRegisteredFunction(parser, name, p1, p2, p3, value); };
    for (const auto& [key, expected] : {std::pair<WORD, const char*>{VK_RETURN, "李四"}, {VK_ESCAPE, "张三"}}) {
        String caption = "-", prompt;
        TModalDriver driver("Value", [&, key = key](TCustomForm* form) {
            caption = form->Caption();
            prompt = dynamic_cast<TControl*>(form->FindComponent("Prompt"))->Caption();
            HWND edit = dynamic_cast<TWinControl*>(form->FindComponent("Value"))->Handle();
            PostChars(edit, "李四");
            PostKeyDown(edit, key);
        });
        EXPECT_EQ(parser.Evaluate("INPUT('姓名', '张三')").AsString(), expected);
        EXPECT_TRUE(driver.Ran());
        EXPECT_EQ(caption, "");
        EXPECT_EQ(prompt, "姓名");
    }

    ReportFinalization();
    EXPECT_FALSE(frInputFunction);
    EXPECT_EQ(frGlobals, nullptr);
    EXPECT_EQ(frPrinter, nullptr);
    EXPECT_EQ(frFunctionLibraryCount(), 0);
    EXPECT_EQ(frLocale().LoadText(55007), "");
}

}  // namespace
