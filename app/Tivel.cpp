// The program's main source: every unit's start in order, the start-up of the windows, and every
// unit's end in reverse order.
#include "ADODB.h"
#include "ActnList.h"
#include "Buttons.h"
#include "ComCtrls.h"
#include "DBCtrls.h"
#include "DBGridEh.h"
#include "ExtCtrls.h"
#include "FR_Start.h"
#include "FileDialogs.h"
#include "Forms.h"
#include "ImgList.h"
#include "Menus.h"
#include "SkinManage.h"
#include "StdCtrls.h"
#include "U_AddCust.h"
#include "U_Custom.h"
#include "U_Data.h"
#include "U_Field.h"
#include "U_Main.h"
#include "U_S_Cust.h"
#include "U_login.h"
#include "U_splash.h"
#include "U_tree.h"

#include <iterator>

namespace {

struct TUnit {
    const char* Name;
    void (*Initialization)();
    void (*Finalization)();
};

// Start order; the ends run in reverse.
constexpr TUnit kUnits[] = {
    {"Forms", FormsInitialization, FormsFinalization},
    {"ADODB", RegisterDataClasses, nullptr},
    {"ImgList", RegisterImgListClasses, nullptr},
    {"ActnList", RegisterActnListClasses, nullptr},
    {"Menus", RegisterMenusClasses, nullptr},
    {"StdCtrls", RegisterStdCtrlsClasses, nullptr},
    {"Buttons", RegisterButtonsClasses, nullptr},
    {"ExtCtrls", RegisterExtCtrlsClasses, nullptr},
    {"ComCtrls", RegisterComCtrlsClasses, nullptr},
    {"FileDialogs", RegisterFileDialogsClasses, nullptr},
    {"DBCtrls", RegisterDBCtrlsClasses, nullptr},
    {"FR_Class", ReportInitialization, ReportFinalization},  // with FR_Prntr, FR_DBSet and FR_progr
    {"DBGridEh", GridLibraryInitialization, GridLibraryFinalization},  // with PropFilerEh and ToolCtrlsEh
    {"U_Data", RegisterDataModuleClasses, nullptr},
    {"U_splash", RegisterSplashClasses, nullptr},
    {"U_Main", RegisterMainClasses, nullptr},
    {"U_login", RegisterLoginClasses, nullptr},
    {"U_tree", RegisterTreeClasses, nullptr},
    {"U_Field", RegisterFieldClasses, nullptr},
    {"U_Custom", RegisterCustomClasses, nullptr},
    {"U_AddCust", RegisterAddCustClasses, nullptr},
    {"U_S_Cust", RegisterSearchCustClasses, nullptr},
};

void RunProgram() {
    Frm_Splash = New<TFrm_Splash>(Application);
    Frm_Splash->Show();
    Frm_Splash->Update();
    Application->Initialize();
    Application->CreateForm(Frm_Main);
    Application->CreateForm(Frm_Data);
    Frm_Splash->Hide();
    Frm_Splash->Free();
    Frm_Splash = nullptr;
    Application->CreateForm(Frm_Login);
    if (Frm_Data->Connected) {
        Frm_Login->ShowModal();
        if (Frm_Login->LoginOk)
            Application->Run();
    } else {
        Application->Terminate();
    }
    // The skin gives the windows back before the forms go.
    FreeSkinManager();
}

void ReportStartFailure(const std::exception& e) {
    if (Application) {
        if (const auto* known = dynamic_cast<const Exception*>(&e))
            Application->ShowException(*known);
        else
            Application->ShowException(Exception(e.what()));
        return;
    }
    const std::wstring text = ToWide(e.what());
    MessageBoxW(nullptr, text.c_str(), L"Vestrel", MB_ICONERROR | MB_OK);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    std::size_t started = 0;
    int exitCode = 0;
    try {
        for (; started < std::size(kUnits); ++started)
            kUnits[started].Initialization();
        RunProgram();
    } catch (const std::exception& e) {
        ReportStartFailure(e);
        exitCode = 1;
    }
    for (std::size_t i = started; i-- > 0;)
        if (kUnits[i].Finalization)
            kUnits[i].Finalization();
    return exitCode;
}
