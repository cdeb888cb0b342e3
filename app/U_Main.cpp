#include "U_Main.h"

#include "U_DataLogic.h"
#include "Dialogs.h"
#include "FormFields.h"
#include "ShellSeam.h"
#include "Streams.h"
#include "TypeRegistry.h"
#include "U_AddCust.h"
#include "U_Custom.h"
#include "U_Data.h"
#include "U_Field.h"
#include "U_Import.h"
#include "U_ImportLogic.h"
#include "U_ImportTexts.h"
#include "U_MainLogic.h"
#include "U_MainTexts.h"
#include "U_S_Cust.h"
#include "U_login.h"
#include "U_tree.h"
#include "U_treeTexts.h"

TLogChannel LogMain("main");

TFrm_Main* Frm_Main = nullptr;

void TFrm_Main::Loaded() {
    inherited::Loaded();
    BindComponent(this, StatusBar1, "StatusBar1");
    BindComponent(this, SkinData1, "SkinData1");
    BindComponent(this, SkinStore1, "SkinStore1");
    BindComponent(this, SkinStore2, "SkinStore2");
    BindComponent(this, CoolBar1, "CoolBar1");
    BindComponent(this, ToolBar1, "ToolBar1");
    BindComponent(this, TB_Nav, "TB_Nav");
    BindComponent(this, ToolButton6, "ToolButton6");
    BindComponent(this, ToolButton1, "ToolButton1");
    BindComponent(this, ActionList1, "ActionList1");
    BindComponent(this, AddCust, "AddCust");
    BindComponent(this, EditCust, "EditCust");
    BindComponent(this, DelCust, "DelCust");
    BindComponent(this, SearchCust, "SearchCust");
    BindComponent(this, Cust_Category, "Cust_Category");
    BindComponent(this, ShowField_Cust, "ShowField_Cust");
    BindComponent(this, ExportEmail, "ExportEmail");
    BindComponent(this, ExportCustCSV, "ExportCustCSV");
    BindComponent(this, Cust_CustContact, "Cust_CustContact");
    BindComponent(this, Help, "Help");
    BindComponent(this, DelContact, "DelContact");
    BindComponent(this, DelSchedule, "DelSchedule");
    BindComponent(this, DelGoods, "DelGoods");
    BindComponent(this, DelBill, "DelBill");
    BindComponent(this, Cust_Cust, "Cust_Cust");
    BindComponent(this, Cust_Contact, "Cust_Contact");
    BindComponent(this, MyCust, "MyCust");
    BindComponent(this, M_CompactDB, "M_CompactDB");
    BindComponent(this, Goods_Category, "Goods_Category");
    BindComponent(this, PopupMenu1, "PopupMenu1");
    BindComponent(this, OpenDialog1, "OpenDialog1");
    BindComponent(this, OpenDialog2, "OpenDialog2");
    BindComponent(this, SaveDialog1, "SaveDialog1");
    BindComponent(this, Timer1, "Timer1");
    BindComponent(this, Timer2, "Timer2");
    BindComponent(this, DBSumList1, "DBSumList1");
    BindComponent(this, Image_Tool, "Image_Tool");
    BindComponent(this, ImageList1, "ImageList1");
}

namespace {

constexpr int kMinimumHeight = 400;

// The width of `text` in the font of `window`.
int TextWidthIn(HWND window, const String& text) {
    HDC dc = GetDC(window);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    const std::wstring wide = ToWide(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
}

}  // namespace

TPoint TFrm_Main::MinimumSize() {
    int fixedPanels = 0;
    TStatusPanels* panels = StatusBar1->Panels();
    for (int i = 0; i + 1 < panels->Count(); ++i) fixedPanels += panels->Items(i)->Width();
    // The widest clock: two-digit month and day, and a Wednesday.
    const String widest = ClockText(EncodeDate(2000, 12, 27) + EncodeTime(23, 58, 58, 0));
    const int clock = TextWidthIn(StatusBar1->Handle(), widest) + 2 * GetSystemMetrics(SM_CXEDGE) + 8;
    const int frame = Width() - ClientWidth();
    return Point(frame + fixedPanels + clock + GetSystemMetrics(SM_CXVSCROLL), kMinimumHeight);
}

void TFrm_Main::WndProc(TMessage& message) {
    inherited::WndProc(message);
    if (message.Msg == WM_GETMINMAXINFO && StatusBar1 && StatusBar1->HandleAllocated()) {
        auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
        const TPoint minimum = MinimumSize();
        info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, minimum.X);
        info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, minimum.Y);
    }
}

void TFrm_Main::FormShow(TObject*) {
    // A folder that cannot be made is reported, and the rest still runs.
    try {
        EnsureFolder(ProgramFolder() + kExportFolder);
    } catch (const Exception& e) {
        Application->ShowException(e);
    }
    try {
        EnsureFolder(kBackupFolder);
    } catch (const EInOutError&) {
        // Nothing uses it; most machines have no drive D:.
    }
    ShowSoftInfo();
    Timer1->SetEnabled(true);
    ShowPersonWindow();
}

void TFrm_Main::Timer1Timer(TObject*) {}

void TFrm_Main::Timer2Timer(TObject*) {
    StatusBar1->Panels()->Items(3)->SetText(ClockText(Now()));
}

void TFrm_Main::ShowSoftInfo() {
    OpenQuery(Frm_Data->Qry_SoftInfo, kSoftInfoSql);
    const TSoftInfo info = ReadSoftInfo(Frm_Data->Qry_SoftInfo);
    SoftName = info.SoftName;
    Version = info.Version;
    SetCaption(info.Caption());
    Category = Frm_Data->IniFile->ReadString(AppConfig::ConfigSection, AppConfig::CategoryKey, String());
    StatusBar1->Panels()->Items(2)->SetText(Application->ExeName());
}

void TFrm_Main::LoadRights() {
    OpenQuery(Frm_Data->Qry_Temp, RightsSql(OperatorName));
    LoadRightsFrom(Frm_Data->Qry_Temp, Rights);
}

// ---- Child windows ----------------------------------------------------------------------------------

TCustomForm* TFrm_Main::ShowChildForm(TClass formClass) {
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (form->ClassType() != formClass)
            continue;
        ShowWindow(form->Handle(), form->WindowState() == wsMinimized ? SW_SHOWNORMAL : SW_SHOWNA);
        if (!form->Visible())
            form->SetVisible(true);
        form->BringToFront();
        form->SetFocus();
        return form;
    }
    // An MDI child shows itself when it is made.
    TComponent* made = CreateComponent(formClass, this);
    auto* form = dynamic_cast<TCustomForm*>(made);
    if (!form) {
        made->Free();
        throw EInvalidOperation(String("ShowChildForm: ") + formClass->name + " is not a form");
    }
    return form;
}

TCustomForm* TFrm_Main::ShowPersonWindow() {
    TClass personWindow = GetClass(kPersonWindowClass);
    return personWindow ? ShowChildForm(personWindow) : nullptr;
}

// ---- Actions ----------------------------------------------------------------------------------------

namespace {

// The person dialog in `mode` (1 new, 0 edit), shown modally and freed. The person window (and so
// the person list the dialog writes to) is opened first.
void ShowPersonDialog(TFrm_Main* owner, int mode) {
    owner->ShowPersonWindow();
    auto* dialog = New<TFrm_AddCust>(owner);
    try {
        dialog->PersonMode = mode;
        dialog->ShowModal();
    } catch (...) {
        dialog->Free();
        throw;
    }
    dialog->Free();
}

}  // namespace

void TFrm_Main::AddCustExecute(TObject*) {
    VLOG_TRACE(LogMain, "AddCustExecute");
    ShowPersonDialog(this, 1);
}

// An empty person list opens nothing.
void TFrm_Main::EditCustExecute(TObject*) {
    ShowPersonWindow();
    const bool empty = !Frm_Data->Qry_Cust->Active() || Frm_Data->Qry_Cust->IsEmpty();
    VLOG_TRACE(LogMain, "EditCustExecute%s", empty ? ": no person" : "");
    if (!empty)
        ShowPersonDialog(this, 0);
}

// Every selected person (the current one without a selection) is checked before any is deleted;
// each goes with its linked rows in a transaction of its own. A failed person is named to the
// operator and the others go on; afterwards the list is read again and the selection cleared.
void TFrm_Main::DelCustExecute(TObject*) {
    VLOG_TRACE(LogMain, "DelCustExecute");
    auto* window = dynamic_cast<TFrm_Custom*>(ShowPersonWindow());
    TFrm_Data* data = Frm_Data;
    TADOQuery* persons = data->Qry_Cust;
    TDBGridEh* grid = window ? window->Grid_Cust : nullptr;
    std::vector<TBookmark> marks;
    if (grid && persons->Active())
        for (int i = 0; i < grid->SelectedRowBookmarks()->Count(); ++i)
            marks.push_back(grid->SelectedRowBookmarks()->Items(i));
    if (Permit == 1 && !PersonsOwnedBy(persons, marks, OperatorName)) {
        ShowMessageBox(Handle(), MainTexts::NotYourPerson, MainTexts::Warning, MB_ICONINFORMATION);
        return;
    }
    if (!persons->Active() || persons->IsEmpty())
        return;
    if (ShowMessageBox(Handle(), MainTexts::DeletePersonQuestion, MainTexts::Warning, MB_ICONINFORMATION | MB_YESNO) !=
        IDYES)
        return;
    const std::vector<TFailedPersonDelete> failed =
        DeletePersons(data->ADOConnection1, persons, data->Qry_Temp, marks);
    for (const TFailedPersonDelete& f : failed) {
        VLOG_WARN(LogMain, "deleting person %s: %s", f.Person.c_str(), f.Reason.c_str());
        MessageDlg(String(MainTexts::DeletePersonFailed) + "\n" + f.Person, mtConfirmation, TMsgDlgButtons{mbOK});
    }
    if (!failed.empty()) {
        try {
            persons->Close();
            persons->Open();
        } catch (const std::exception& e) {
            VLOG_WARN(LogMain, "reading the persons again: %s", e.what());
        }
    }
    if (grid && !marks.empty()) grid->SelectedRowBookmarks()->Clear();
}

// The combined search fills the person window's list: the window is opened first.
void TFrm_Main::SearchCustExecute(TObject*) {
    VLOG_TRACE(LogMain, "SearchCustExecute");
    ShowPersonWindow();
    auto* dialog = New<TFrm_S_Cust>(this);
    try {
        dialog->ShowModal();
    } catch (...) {
        dialog->Free();
        throw;
    }
    dialog->Free();
}

namespace {

// The category dialog over `table` for management, shown modally and freed.
void ManageCategories(TFrm_Main* owner, const char* table, const char* caption) {
    auto* dialog = New<TFrm_Tree>(owner);
    try {
        dialog->TreeTable = table;
        dialog->TreeCaption = caption;
        dialog->PickMode = 0;
        dialog->ShowModal();
    } catch (...) {
        dialog->Free();
        throw;
    }
    dialog->Free();
}

}  // namespace

void TFrm_Main::Cust_CategoryExecute(TObject*) {
    VLOG_TRACE(LogMain, "Cust_CategoryExecute");
    ManageCategories(this, TreeTexts::PersonTable, TreeTexts::PersonCaption);
}

void TFrm_Main::ShowField_CustExecute(TObject*) {
    VLOG_TRACE(LogMain, "ShowField_CustExecute");
    if (Frm_Field)
        return;
    auto* chooser = New<TFrm_Field>(Application);
    try {
        chooser->ColumnTable = "Custom";
        chooser->ShowModal();
    } catch (...) {
        chooser->Free();
        throw;
    }
    chooser->Free();
}

void TFrm_Main::ExportEmailExecute(TObject*) {
    VLOG_TRACE(LogMain, "ExportEmailExecute");
}

void TFrm_Main::ExportCustCSVExecute(TObject*) {
    VLOG_TRACE(LogMain, "ExportCustCSVExecute");
}

void TFrm_Main::Cust_CustContactExecute(TObject*) {
    VLOG_TRACE(LogMain, "Cust_CustContactExecute");
    auto* persons = dynamic_cast<TFrm_Custom*>(ShowPersonWindow());
    Frm_Data->Qry_Contact->SetDataSource(Frm_Data->DS_Cust);
    OpenQuery(Frm_Data->Qry_Cust, PersonListSql(Rights[35], OperatorName));
    Frm_Data->Qry_Schedule->SetDataSource(Frm_Data->DS_Cust);
    // The record count in the status bar stays as it is.
    if (persons)
        SetupGridColumns(persons->Grid_Cust, Frm_Data->Qry_Cust, "Custom");
}

namespace {

// Opens `file` with the shell's verb "open", shown normally; a failure is logged.
void OpenThroughShell(TFrm_Main* owner, const String& file) {
    const std::intptr_t result = ShellExecuteFile(owner->Handle(), "open", file, String(), String(), SW_SHOWNORMAL);
    if (result <= 32)
        VLOG_WARN(LogMain, "the shell cannot open %s (%d)", file.c_str(), static_cast<int>(result));
}

// The program folder's database is put in place of itself by a rename that reaches the disk.
bool MoveOverFile(const String& from, const String& to, String& error) {
    if (MoveFileExW(ToWide(from).c_str(), ToWide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = "MoveFileEx failed (" + std::to_string(GetLastError()) + ")";
    return false;
}

// Closes every MDI child of `frame`, the last one first.
void CloseChildren(TFrm_Main* frame) {
    for (int i = frame->MDIChildCount() - 1; i >= 0; --i)
        frame->MDIChildren(i)->Close();
}

// The current row's F_User differs from the operator's name (a closed or empty list has no row).
bool OwnedByAnother(TDataSet* list, const String& operatorName) {
    return list->FieldByName("F_User")->AsString() != operatorName;
}

bool HasCurrentRow(TDataSet* list) {
    return list->Active() && !list->IsEmpty();
}

// Shows or hides band `index` of the tool bar (the form has only the first one).
void ShowBand(TCoolBar* bar, int index, bool visible) {
    if (index < bar->Bands()->Count())
        bar->Bands()->Items(index)->SetVisible(visible);
}

}  // namespace

void TFrm_Main::HelpExecute(TObject*) {
    VLOG_TRACE(LogMain, "HelpExecute");
    OpenThroughShell(this, ProgramFolder() + MainTexts::HelpFile);
}

void TFrm_Main::N10Click(TObject*) {
    OpenThroughShell(this, ProgramFolder() + MainTexts::CalendarFile);
}

void TFrm_Main::N8Click(TObject*) {
    OpenThroughShell(this, ProgramFolder() + MainTexts::IdCardProgram);
}

void TFrm_Main::N13Click(TObject*) {
    OpenThroughShell(this, ProgramFolder() + MainTexts::SearchProgram);
}

void TFrm_Main::N16Click(TObject*) {
    OpenThroughShell(this, MainTexts::Calculator);
}

void TFrm_Main::N17Click(TObject*) {
    OpenThroughShell(this, MainTexts::Notepad);
}

void TFrm_Main::DelContactExecute(TObject*) {
    VLOG_TRACE(LogMain, "DelContactExecute");
    TADOQuery* contacts = Frm_Data->Qry_Contact;
    if (!HasCurrentRow(contacts))
        return;
    if (Permit != 0 && OwnedByAnother(contacts, OperatorName)) {
        MessageDlg(MainTexts::NotYourContact, mtConfirmation, TMsgDlgButtons{mbOK});
        return;
    }
    if (MessageDlg(MainTexts::DeleteContactQuestion, mtConfirmation, mbYesNo) == mrYes)
        contacts->Delete();
}

void TFrm_Main::DelScheduleExecute(TObject*) {
    VLOG_TRACE(LogMain, "DelScheduleExecute");
    TADOQuery* schedules = Frm_Data->Qry_Schedule;
    if (!HasCurrentRow(schedules))
        return;
    if (Permit == 1 && OwnedByAnother(schedules, OperatorName)) {
        ShowMessageBox(Handle(), MainTexts::NotYourSchedule, MainTexts::Warning, MB_ICONINFORMATION);
        return;
    }
    if (ShowMessageBox(Handle(), MainTexts::DeleteScheduleQuestion, MainTexts::Warning, MB_ICONINFORMATION | MB_YESNO) ==
        IDYES)
        schedules->Delete();
}

void TFrm_Main::DelGoodsExecute(TObject*) {
    VLOG_TRACE(LogMain, "DelGoodsExecute");
    TADOQuery* goods = Frm_Data->Qry_Goods;
    if (!HasCurrentRow(goods))
        return;
    if (MessageDlg(MainTexts::DeleteGoodsQuestion, mtConfirmation, mbYesNo) != mrYes)
        return;
    try {
        DeleteGoodsWithLines(Frm_Data->ADOConnection1, goods, Frm_Data->Qry_Temp);
    } catch (const std::exception& e) {
        VLOG_WARN(LogMain, "deleting goods: %s", e.what());
        MessageDlg(MainTexts::DeleteGoodsFailed, mtConfirmation, mbYesNo);
    }
}

void TFrm_Main::DelBillExecute(TObject*) {
    VLOG_TRACE(LogMain, "DelBillExecute");
    TADOQuery* bills = Frm_Data->Qry_Bill;
    if (!HasCurrentRow(bills))
        return;
    if (ShowMessageBox(Handle(), MainTexts::DeleteBillQuestion, MainTexts::WarningWithBlank,
                       MB_ICONINFORMATION | MB_YESNO) == IDNO)
        return;
    try {
        DeleteBillWithLines(Frm_Data->ADOConnection1, bills, Frm_Data->Qry_Del);
    } catch (const std::exception& e) {
        VLOG_WARN(LogMain, "deleting a bill: %s", e.what());
        MessageDlg(MainTexts::DeleteBillFailed, mtConfirmation, mbYesNo);
    }
}

// The person view: the detail lists follow the current person again (with their own statement,
// which the contact view replaced), the tree and the pages show.
void TFrm_Main::Cust_CustExecute(TObject*) {
    VLOG_TRACE(LogMain, "Cust_CustExecute");
    auto* persons = dynamic_cast<TFrm_Custom*>(ShowPersonWindow());
    TFrm_Data* data = Frm_Data;
    data->Qry_Contact->SetDataSource(data->DS_Cust);
    OpenQuery(data->Qry_Cust, PersonListSql(Rights[8], OperatorName));
    OpenQuery(data->Qry_Contact, ContactDetailSql(Session.PersonScope()));
    ShowBand(CoolBar1, 0, true);
    ShowBand(CoolBar1, 1, false);
    if (persons) {
        persons->Panel6->SetVisible(true);
        persons->Page_Cust->SetVisible(true);
        persons->Page_Cust->SetAlign(alClient);
        persons->TreeView1->SetVisible(true);
    }
    data->Qry_Schedule->SetDataSource(data->DS_Cust);
    if (persons)
        SetupGridColumns(persons->Grid_Cust, data->Qry_Cust, "Custom");
}

void TFrm_Main::Cust_ContactExecute(TObject*) {
    VLOG_TRACE(LogMain, "Cust_ContactExecute");
    auto* persons = dynamic_cast<TFrm_Custom*>(ShowPersonWindow());
    ShowBand(CoolBar1, 0, false);
    ShowBand(CoolBar1, 1, true);
    if (persons) {
        persons->Page_Cust->SetVisible(false);
        persons->Panel6->SetVisible(false);
    }
    Frm_Data->Qry_Contact->SetDataSource(nullptr);
    OpenQuery(Frm_Data->Qry_Contact, ContactListSql(Rights[8], OperatorName));
}

void TFrm_Main::MyCustExecute(TObject*) {
    VLOG_TRACE(LogMain, "MyCustExecute");
    auto* persons = dynamic_cast<TFrm_Custom*>(ShowPersonWindow());
    TFrm_Data* data = Frm_Data;
    data->Qry_Contact->SetDataSource(data->DS_Cust);
    OpenQuery(data->Qry_Cust, PersonListSql(false, OperatorName));
    OpenQuery(data->Qry_Contact, ContactDetailSql(Session.PersonScope()));
    data->Qry_Schedule->SetDataSource(data->DS_Cust);
    if (persons)
        SetupGridColumns(persons->Grid_Cust, data->Qry_Cust, "Custom");
}

void TFrm_Main::M_CompactDBExecute(TObject*) {
    VLOG_TRACE(LogMain, "M_CompactDBExecute");
    CloseChildren(this);
    const String file = ProgramFolder() + MainTexts::ShippedDatabase;
    TADOConnection* connection = Frm_Data->ADOConnection1;
    connection->Close();
    bool compacted = false;
    try {
        compacted = CompactDatabaseFile(file, kDatabasePassword, MoveOverFile);
    } catch (const std::exception& e) {
        VLOG_WARN(LogMain, "compaction: %s", e.what());
    }
    ShowMessage(compacted ? MainTexts::CompactSucceeded : MainTexts::CompactFailed);
    connection->Open();
}

void TFrm_Main::Goods_CategoryExecute(TObject*) {
    VLOG_TRACE(LogMain, "Goods_CategoryExecute");
    ManageCategories(this, TreeTexts::GoodsTable, TreeTexts::GoodsCaption);
}

void TFrm_Main::TB_NavClick(TObject* sender) {
    VLOG_TRACE(LogMain, "TB_NavClick");
    Cust_CustContactExecute(sender);
}

// ---- Operations no control reaches --------------------------------------------------------------------

void TFrm_Main::Sys_ReloginClick(TObject*) {
    VLOG_TRACE(LogMain, "Sys_ReloginClick");
    for (int i = MDIChildCount() - 1; i >= 0; --i)
        MDIChildren(i)->Close();
    auto* login = New<TFrm_Login>(this);
    Frm_Login = login;
    try {
        login->ShowModal();
    } catch (...) {
        Frm_Login = nullptr;
        login->Free();
        throw;
    }
    // The dialog is freed: the global must not keep pointing at it.
    Frm_Login = nullptr;
    login->Free();
}

void TFrm_Main::N15Click(TObject* sender) {
    if (EditCust->Enabled())
        EditCustExecute(sender);
}

void TFrm_Main::N20Click(TObject* sender) {
    SearchCustExecute(sender);
}

void TFrm_Main::N2Click(TObject*) {
    Close();
}

void TFrm_Main::sss1Click(TObject*) {
    VLOG_TRACE(LogMain, "sss1Click");
    OpenDialog1->SetTitle(ImportTexts::DialogTitle);
    OpenDialog1->SetInitialDir(ProgramFolder());
    if (!OpenDialog1->Execute())
        return;
    const String path = OpenDialog1->FileName();
    ImportFileName = ExtractFileName(path);
    try {
        ExcelApp = CreateExcelApplication("Excel.Application");
        ExcelSheet = CreateExcelSheet("Excel.Sheet");
    } catch (const EOleException&) {
        ShowMessage(ImportTexts::NoExcel);
        ExcelApp.reset();
        ExcelSheet.reset();
        return;
    }
    try {
        ExcelBook = ExcelApp->WorkBooks().add();
        ExcelApp->WorkBooks().open(path);
    } catch (const EOleException& e) {
        if (ExcelBook)
            ExcelBook->close();
        ExcelApp->quit();
        ExcelApp.reset();
        ExcelSheet.reset();
        ExcelBook = nullptr;
        // Said so, where the spreadsheet program would have closed without a word.
        MessageDlg(e.Message, mtError, TMsgDlgButtons{mbOK});
        return;
    }
    ExcelApp->SetVisible(false);
    ExcelColumns = ExcelApp->ActiveSheet().UsedRange().columns().Count();
    ExcelRows = ExcelApp->ActiveSheet().UsedRange().rows().Count();

    TExcelApplication* app = ExcelApp.get();
    TImportSheet sheet;
    sheet.Rows = ExcelRows;
    sheet.Columns = ExcelColumns;
    sheet.Text = [app](int row, int column) { return app->ActiveSheet().cells().item(row, column).Text(); };
    RecordHeaders(Frm_Data->ADOConnection1, Frm_Data->Qry_Temp, sheet);
    OpenQuery(Frm_Data->Qry_Import, kImportMappingSql);
    PrefillMapping(Frm_Data->Qry_Import, Frm_Data->Qry_Temp);

    auto* dialog = New<TFrm_Import>(Application);
    try {
        dialog->TableName = ImportTexts::TableName;
        dialog->ShowModal();
    } catch (...) {
        dialog->Free();
        throw;
    }
    dialog->Free();
}

void TFrm_Main::Sys_CompactClick(TObject* sender) {
    M_CompactDBExecute(sender);
}

void TFrm_Main::Sys_OpenClick(TObject*) {
    VLOG_TRACE(LogMain, "Sys_OpenClick");
    CloseChildren(this);
    if (!OpenDialog2->Execute())
        return;
    const String path = OpenDialog2->FileName();
    const String text = OtherDatabaseConnectionString(path);
    SwitchConnection(Frm_Data->ADOConnection1, text);
    // Connected: the next start and every private connection use this file.
    Frm_Data->IniFile->WriteString(AppConfig::ConfigSection, AppConfig::DBConnKey, path);
    Frm_Data->ConnectionString = text;
    Frm_Data->DbPath = path;
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterMainClasses() {
    RegisterSkinClasses();
    RegisterComCtrlsClasses();
    RegisterExtCtrlsClasses();
    RegisterFileDialogsClasses();
    RegisterTreeClasses();
    RegisterFieldClasses();
    RegisterImportClasses();
    RegisterAddCustClasses();
    RegisterSearchCustClasses();
    RegisterComponentClass<TFrm_Main>();
    RegisterProperties<TFrm_Main>()
        .Handler<&TFrm_Main::FormShow>("FormShow")
        .Handler<&TFrm_Main::Timer1Timer>("Timer1Timer")
        .Handler<&TFrm_Main::Timer2Timer>("Timer2Timer")
        .Handler<&TFrm_Main::AddCustExecute>("AddCustExecute")
        .Handler<&TFrm_Main::EditCustExecute>("EditCustExecute")
        .Handler<&TFrm_Main::DelCustExecute>("DelCustExecute")
        .Handler<&TFrm_Main::SearchCustExecute>("SearchCustExecute")
        .Handler<&TFrm_Main::Cust_CategoryExecute>("Cust_CategoryExecute")
        .Handler<&TFrm_Main::ShowField_CustExecute>("ShowField_CustExecute")
        .Handler<&TFrm_Main::ExportEmailExecute>("ExportEmailExecute")
        .Handler<&TFrm_Main::ExportCustCSVExecute>("ExportCustCSVExecute")
        .Handler<&TFrm_Main::Cust_CustContactExecute>("Cust_CustContactExecute")
        .Handler<&TFrm_Main::HelpExecute>("HelpExecute")
        .Handler<&TFrm_Main::DelContactExecute>("DelContactExecute")
        .Handler<&TFrm_Main::DelScheduleExecute>("DelScheduleExecute")
        .Handler<&TFrm_Main::DelGoodsExecute>("DelGoodsExecute")
        .Handler<&TFrm_Main::DelBillExecute>("DelBillExecute")
        .Handler<&TFrm_Main::Cust_CustExecute>("Cust_CustExecute")
        .Handler<&TFrm_Main::Cust_ContactExecute>("Cust_ContactExecute")
        .Handler<&TFrm_Main::MyCustExecute>("MyCustExecute")
        .Handler<&TFrm_Main::M_CompactDBExecute>("M_CompactDBExecute")
        .Handler<&TFrm_Main::Goods_CategoryExecute>("Goods_CategoryExecute")
        .Handler<&TFrm_Main::ExportCSVScheduleExecute>("ExportCSVScheduleExecute")
        .Handler<&TFrm_Main::ExportContactCSVExecute>("ExportContactCSVExecute")
        .Handler<&TFrm_Main::M_UserListExecute>("M_UserListExecute")
        .Handler<&TFrm_Main::TB_NavClick>("TB_NavClick")
        .Handler<&TFrm_Main::Sys_ReloginClick>("Sys_ReloginClick")
        .Handler<&TFrm_Main::N15Click>("N15Click")
        .Handler<&TFrm_Main::N20Click>("N20Click")
        .Handler<&TFrm_Main::N2Click>("N2Click")
        .Handler<&TFrm_Main::TB_PostClick>("TB_PostClick")
        .Handler<&TFrm_Main::sss1Click>("sss1Click")
        .Handler<&TFrm_Main::Sys_CompactClick>("Sys_CompactClick")
        .Handler<&TFrm_Main::Sys_OpenClick>("Sys_OpenClick")
        .Handler<&TFrm_Main::N10Click>("N10Click")
        .Handler<&TFrm_Main::N8Click>("N8Click")
        .Handler<&TFrm_Main::N13Click>("N13Click")
        .Handler<&TFrm_Main::N16Click>("N16Click")
        .Handler<&TFrm_Main::N17Click>("N17Click");
}
