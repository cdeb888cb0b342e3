// The main window: the maximised MDI frame with its tool bar, the action list through which every
// command runs, the status bar (operator, record count, program path, clock), the file dialogs and
// the timers; the logged-in operator.
//
// Every command logs its name (channel "main", trace). Those whose dialogs or windows come with
// later units do nothing more yet: the delete (DelCust) and the exports. The person dialog
// (AddCust, EditCust), the combined search, the category dialog and the column chooser are shown
// modally.
// The person window is shown once its class is registered. The commands no control reaches work
// all the same: compaction, another database, the shell's documents and programs, the deletes of
// contacts, activities, goods and bills, and the list views.
// The sum list DBSumList1 sits idle (no data set).
#pragma once

#include "ActnList.h"
#include "AppSkinData.h"
#include "AppLogic.h"
#include "ComCtrls.h"
#include "DBSumList.h"
#include "ExcelAutomation.h"
#include "ExtCtrls.h"
#include "FileDialogs.h"
#include "Forms.h"
#include "ImgList.h"
#include "Log.h"
#include "Menus.h"
#include "OperatorSession.h"
#include "SkinStore.h"

extern TLogChannel LogMain;  // "main"

class TFrm_Main : public TForm {
    VESTREL_CLASS(TFrm_Main, TForm)
public:
    // A new main window starts a run: nobody is logged in.
    explicit TFrm_Main(TComponent* owner) : TForm(owner) { Session.Reset(); }
    void Loaded() override;

    TStatusBar* StatusBar1 = nullptr;
    TSkinData* SkinData1 = nullptr;
    TSkinStore* SkinStore1 = nullptr;
    TSkinStore* SkinStore2 = nullptr;
    TCoolBar* CoolBar1 = nullptr;
    TToolBar* ToolBar1 = nullptr;
    TToolButton* TB_Nav = nullptr;
    TToolButton* ToolButton6 = nullptr;
    TToolButton* ToolButton1 = nullptr;
    TActionList* ActionList1 = nullptr;
    TAction* AddCust = nullptr;
    TAction* EditCust = nullptr;
    TAction* DelCust = nullptr;
    TAction* SearchCust = nullptr;
    TAction* Cust_Category = nullptr;
    TAction* ShowField_Cust = nullptr;
    TAction* ExportEmail = nullptr;
    TAction* ExportCustCSV = nullptr;
    TAction* Cust_CustContact = nullptr;
    TAction* Help = nullptr;
    TAction* DelContact = nullptr;
    TAction* DelSchedule = nullptr;
    TAction* DelGoods = nullptr;
    TAction* DelBill = nullptr;
    TAction* Cust_Cust = nullptr;
    TAction* Cust_Contact = nullptr;
    TAction* MyCust = nullptr;
    TAction* M_CompactDB = nullptr;
    TAction* Goods_Category = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;
    TOpenDialog* OpenDialog2 = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;
    TTimer* Timer1 = nullptr;
    TTimer* Timer2 = nullptr;
    TDBSumList* DBSumList1 = nullptr;
    TImageList* Image_Tool = nullptr;
    TImageList* ImageList1 = nullptr;

    // The logged-in operator (at most 20 GBK bytes), the permission level and rights 1..100: the
    // program's operator session, under the main window's names.
    TOperatorSession& Session = OperatorSession();
    String& OperatorName = Session.OperatorName;
    int& Permit = Session.Permit;
    TRights& Rights = Session.Rights;
    // T_SoftInfo's software name and version, and [Config] Category, as read when first shown.
    String SoftName;
    String Version;
    String Category;
    // The workbook import: the spreadsheet objects while the mapping dialog is open, the used
    // range of the active sheet, and the chosen file's name (without its folder).
    std::unique_ptr<TExcelApplication> ExcelApp;
    std::unique_ptr<TExcelWorkbook> ExcelSheet;  // "Excel.Sheet" as created
    TExcelWorkbook* ExcelBook = nullptr;         // the application's workbook
    int ExcelColumns = 0;
    int ExcelRows = 0;
    String ImportFileName;
    // Consulted by the data module's report variables; nothing sets them.
    bool ReportVariablesOn = false;
    int ReportContactMode = 0;
    String ReportContactText;

    // Makes the folders the program uses, shows the caption from T_SoftInfo, starts Timer1 and
    // shows the person window.
    void FormShow(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    // The clock: status panel 3.
    void Timer2Timer(TObject* Sender);
    // Caption from T_SoftInfo, [Config] Category, the program's path in status panel 2.
    void ShowSoftInfo();
    // Rights of OperatorName from T_UserAuthority.
    void LoadRights();

    // The first form of exactly `formClass` among the screen's forms, restored when minimised
    // (else shown without activation), made visible, brought to the front and focused; a new one
    // owned by this window when there is none.
    TCustomForm* ShowChildForm(TClass formClass);
    template <class T>
    T* ShowChildForm() {
        return static_cast<T*>(ShowChildForm(T::StaticClass()));
    }
    // ShowChildForm of the person window, once its class is registered (nullptr before).
    TCustomForm* ShowPersonWindow();

    // Actions.
    void AddCustExecute(TObject* Sender);
    void EditCustExecute(TObject* Sender);
    void DelCustExecute(TObject* Sender);
    void SearchCustExecute(TObject* Sender);
    void Cust_CategoryExecute(TObject* Sender);
    void ShowField_CustExecute(TObject* Sender);
    void ExportEmailExecute(TObject* Sender);
    void ExportCustCSVExecute(TObject* Sender);
    void Cust_CustContactExecute(TObject* Sender);
    void HelpExecute(TObject* Sender);
    void DelContactExecute(TObject* Sender);
    void DelScheduleExecute(TObject* Sender);
    void DelGoodsExecute(TObject* Sender);
    void DelBillExecute(TObject* Sender);
    void Cust_CustExecute(TObject* Sender);
    void Cust_ContactExecute(TObject* Sender);
    void MyCustExecute(TObject* Sender);
    void M_CompactDBExecute(TObject* Sender);
    void Goods_CategoryExecute(TObject* Sender);
    void ExportCSVScheduleExecute(TObject* Sender) {}
    void ExportContactCSVExecute(TObject* Sender) {}
    void M_UserListExecute(TObject* Sender) {}
    // The tool bar's "个人管理 ": the person list.
    void TB_NavClick(TObject* Sender);

    // Operations no control reaches.
    // Closes every MDI child (the last first), then runs a new login dialog owned by this window.
    void Sys_ReloginClick(TObject* Sender);
    void N15Click(TObject* Sender);  // EditCust when it is enabled
    void N20Click(TObject* Sender);  // SearchCust
    void N2Click(TObject* Sender);   // closes the main window (ends the program)
    void TB_PostClick(TObject* Sender) {}
    // The workbook import: chooses an .xls file, opens it through the spreadsheet objects, keeps
    // its headers in T_Temp, proposes the mapping and shows the mapping dialog. A file that is not
    // a readable workbook is said so, and nothing is imported.
    void sss1Click(TObject* Sender);
    // Compaction of the program folder's database: the children closed, the connection down while
    // it runs, the outcome shown, the connection opened again.
    void Sys_CompactClick(TObject* Sender);
    // Another database file (OpenDialog2): DBConn is written once it is connected; a file that
    // cannot be connected leaves the previous one connected and raises the data-access error.
    void Sys_OpenClick(TObject* Sender);
    // Through the shell: wnl.htm, idn.exe, search.exe beside the program; the calculator; Notepad.
    void N10Click(TObject* Sender);
    void N8Click(TObject* Sender);
    void N13Click(TObject* Sender);
    void N16Click(TObject* Sender);
    void N17Click(TObject* Sender);

    // The smallest outer size the window takes: wide enough for the status bar's three fixed
    // panels beside the clock's text and the size grip.
    TPoint MinimumSize();

protected:
    void WndProc(TMessage& message) override;
};

extern TFrm_Main* Frm_Main;

// The folder for backups; it is made when the main window is first shown, and a failure is ignored.
inline constexpr const char* kBackupFolder = "d:\\Backup";
inline constexpr const char* kExportFolder = "Export";
// The person window's class (its unit comes with the person window).
inline constexpr const char* kPersonWindowClass = "TFrm_Custom";

void RegisterMainClasses();
