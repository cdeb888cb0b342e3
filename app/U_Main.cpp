#include "U_Main.h"

#include "DataModuleLogic.h"
#include "FormFields.h"
#include "TypeRegistry.h"
#include "U_Data.h"

TFrm_Main* Frm_Main = nullptr;

void TFrm_Main::Loaded() {
    inherited::Loaded();
    BindComponent(this, StatusBar1, "StatusBar1");
    BindComponent(this, Timer1, "Timer1");
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
}

void TFrm_Main::Timer1Timer(TObject*) {}

void TFrm_Main::ShowSoftInfo() {
    OpenQuery(Frm_Data->Qry_SoftInfo, kSoftInfoSql);
    SetCaption(SoftCaption(Frm_Data->Qry_SoftInfo));
    Category = Frm_Data->IniFile->ReadString(AppConfig::ConfigSection, AppConfig::CategoryKey, String());
    StatusBar1->Panels()->Items(2)->SetText(Application->ExeName());
}

void TFrm_Main::LoadRights() {
    OpenQuery(Frm_Data->Qry_Temp, RightsSql(OperatorName));
    LoadRightsFrom(Frm_Data->Qry_Temp, Rights);
}

void RegisterMainClasses() {
    RegisterComCtrlsClasses();
    RegisterExtCtrlsClasses();
    RegisterComponentClass<TFrm_Main>();
    RegisterProperties<TFrm_Main>()
        .Handler<&TFrm_Main::FormShow>("FormShow")
        .Handler<&TFrm_Main::Timer1Timer>("Timer1Timer");
}
