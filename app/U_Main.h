// The main window: the MDI frame with its status bar, and the logged-in operator.
//
// Not yet: tool bar, menus and actions, the clock, the person window.
#pragma once

#include "AppLogic.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"

class TFrm_Main : public TForm {
    VESTREL_CLASS(TFrm_Main, TForm)
public:
    explicit TFrm_Main(TComponent* owner) : TForm(owner) {}
    void Loaded() override;

    TStatusBar* StatusBar1 = nullptr;
    TTimer* Timer1 = nullptr;

    // The logged-in operator (at most 20 GBK bytes), the permission level and rights 1..100.
    String OperatorName;
    int Permit = 0;
    TRights Rights;
    // [Config] Category as read when first shown.
    String Category;
    // Consulted by the data module's report variables; nothing sets them.
    bool ReportVariablesOn = false;
    int ReportContactMode = 0;
    String ReportContactText;

    // Makes the folders the program uses, shows the caption from T_SoftInfo and starts Timer1.
    void FormShow(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    // Caption from T_SoftInfo, [Config] Category, the program's path in status panel 2.
    void ShowSoftInfo();
    // Rights of OperatorName from T_UserAuthority.
    void LoadRights();
};

extern TFrm_Main* Frm_Main;

// The folder for backups; it is made when the main window is first shown, and a failure is ignored.
inline constexpr const char* kBackupFolder = "d:\\Backup";
inline constexpr const char* kExportFolder = "Export";

void RegisterMainClasses();
