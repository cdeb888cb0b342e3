#include "U_Import.h"

#include "Dialogs.h"
#include "FormFields.h"
#include "TypeRegistry.h"
#include "U_Data.h"
#include "U_DataLogic.h"
#include "U_Field.h"
#include "U_ImportLogic.h"
#include "U_ImportTexts.h"
#include "U_Main.h"

namespace {

// The hourglass and a disabled button while the rows go in; both come back however it ends.
class TBusyImport {
public:
    explicit TBusyImport(TButton* button) : button_(button) {
        button_->SetEnabled(false);
        Screen->SetCursor(crHourGlass);
    }
    ~TBusyImport() {
        button_->SetEnabled(true);
        Screen->SetCursor(crDefault);
    }
    TBusyImport(const TBusyImport&) = delete;
    TBusyImport& operator=(const TBusyImport&) = delete;

private:
    TButton* button_;
};

}  // namespace

void TFrm_Import::Loaded() {
    inherited::Loaded();
    BindComponent(this, Label1, "Label1");
    BindComponent(this, DBGridEh1, "DBGridEh1");
    BindComponent(this, DS_Import, "DS_Import");
    BindComponent(this, Qry_Import, "Qry_Import");
    BindComponent(this, Btn_Start, "Btn_Start");
    BindComponent(this, Btn_Exit, "Btn_Exit");
    BindComponent(this, Qry_Temp, "Qry_Temp");
    BindComponent(this, Qry_Field, "Qry_Field");
    BindComponent(this, Qry_Cust, "Qry_Cust");
    BindComponent(this, Qry_CellID, "Qry_CellID");
    BindComponent(this, Qry_Contact, "Qry_Contact");
    BindComponent(this, Qry_Str, "Qry_Str");
}

void TFrm_Import::FormShow(TObject*) {
    SetCaption(ImportTexts::Caption);
    const int rows = Frm_Main ? Frm_Main->ExcelRows : 0;
    Label1->SetCaption(String(ImportTexts::RecordsBefore) + std::to_string(rows - 1) + ImportTexts::RecordsAfter);
    for (TADOQuery* query : {Qry_Import, Qry_Temp, Qry_Field, Qry_Cust, Qry_CellID, Qry_Contact, Qry_Str})
        query->SetConnection(Frm_Data->ADOConnection1);
    OpenQuery(Qry_Temp, "Select * from T_Temp");
    OpenQuery(Qry_Cust, "Select * from custom");
    OpenQuery(Qry_Contact, "Select * from Contact");
    OpenQuery(Qry_Import, "Select * from T_import order by importid");
    SetupGridColumns(DBGridEh1, Qry_Import, "import");
    TDBGridColumnsEh* columns = DBGridEh1->Columns();
    if (columns->Count() > 0)
        columns->ColumnAt(0)->SetReadOnly(true);
    if (columns->Count() > 1) {
        TStrings* pick = columns->ColumnAt(1)->PickList();
        pick->Clear();
        for (Qry_Temp->First(); !Qry_Temp->Eof(); Qry_Temp->Next())
            pick->Add(Qry_Temp->FieldByName("S_Field")->AsString());
    }
}

void TFrm_Import::Btn_StartClick(TObject*) {
    TBusyImport busy(Btn_Start);
    // An edit still open in the grid is part of the mapping.
    if (Qry_Import->State() == dsEdit || Qry_Import->State() == dsInsert)
        Qry_Import->Post();
    TExcelApplication* app = Frm_Main->ExcelApp.get();
    TImportSheet sheet;
    sheet.Rows = Frm_Main->ExcelRows;
    sheet.Columns = Frm_Main->ExcelColumns;
    sheet.Text = [app](int row, int column) { return app->ActiveSheet().cells().item(row, column).Text(); };
    const std::vector<TImportColumn> persons = ReadImportColumns(Qry_Field, Qry_CellID, "custom");
    const std::vector<TImportColumn> contacts = ReadImportColumns(Qry_Field, Qry_CellID, "contact");
    TImportTargets targets;
    targets.Connection = Frm_Data->ADOConnection1;
    targets.Persons = Qry_Cust;
    targets.Contacts = Qry_Contact;
    targets.Work = Qry_Str;
    targets.OperatorName = Frm_Main->OperatorName;
    ImportSheetRows(targets, persons, contacts, sheet);
    ShowMessage(ImportTexts::Succeeded);
}

void TFrm_Import::FormClose(TObject*, TCloseAction&) {
    if (!Frm_Main)
        return;
    if (Frm_Main->ExcelBook)
        Frm_Main->ExcelBook->close();
    if (Frm_Main->ExcelApp)
        Frm_Main->ExcelApp->quit();
    Frm_Main->ExcelBook = nullptr;
    Frm_Main->ExcelApp.reset();
}

void TFrm_Import::Btn_ExitClick(TObject*) {
    Close();
}

void RegisterImportClasses() {
    RegisterComponentClass<TFrm_Import>();
    RegisterProperties<TFrm_Import>()
        .Handler<&TFrm_Import::FormShow>("FormShow")
        .Handler<&TFrm_Import::Btn_StartClick>("Btn_StartClick")
        .Handler<&TFrm_Import::FormClose>("FormClose")
        .Handler<&TFrm_Import::Btn_ExitClick>("Btn_ExitClick");
}
