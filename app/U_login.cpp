#include "U_login.h"

#include "AppLogic.h"
#include "U_DataLogic.h"
#include "FormFields.h"
#include "OperatorSession.h"
#include "TypeRegistry.h"
#include "U_Data.h"
#include "U_Main.h"
#include "U_loginTexts.h"

TFrm_Login* Frm_Login = nullptr;

void TFrm_Login::Loaded() {
    inherited::Loaded();
    BindComponent(this, Image1, "Image1");
    BindComponent(this, Combo_User, "Combo_User");
    BindComponent(this, Edit_Pass, "Edit_Pass");
    BindComponent(this, Btn_ok, "Btn_ok");
    BindComponent(this, Btn_Exit, "Btn_Exit");
    BindComponent(this, ADOQuery1, "ADOQuery1");
    BindComponent(this, Qry_login, "Qry_login");
}

void TFrm_Login::FormCreate(TObject*) {
    SetCaption(LoginTexts::Caption);
    Edit_Pass->SetText(String());
    try {
        Image1->Picture()->LoadFromFile(ProgramFolder() + LoginTexts::PictureFile);
    } catch (const std::exception&) {
        // Shown without a picture.
    }
}

void TFrm_Login::FormShow(TObject*) {
    OpenQuery(Qry_login, kLoginListSql);
    TStrings* items = Combo_User->Items();
    items->BeginUpdate();
    try {
        items->Clear();
        for (Qry_login->First(); !Qry_login->Eof(); Qry_login->Next())
            items->Add(Qry_login->Fields()->Fields(1)->AsString());
    } catch (...) {
        items->EndUpdate();
        throw;
    }
    items->EndUpdate();
    Combo_User->SetItemIndex(
        Frm_Data->IniFile->ReadInteger(AppConfig::LoginSection, AppConfig::UserNameKey, -1));
    Edit_Pass->SetFocus();
}

void TFrm_Login::Combo_UserSelect(TObject*) {
    Edit_Pass->SetFocus();
}

void TFrm_Login::Btn_okClick(TObject*) {
    TLoginAttempt attempt;
    attempt.ListText = Combo_User->Text();
    attempt.TypedPassword = Edit_Pass->Text();
    OpenQuery(ADOQuery1, LoginUserSql(attempt.ListText));
    attempt.RowFound = !ADOQuery1->IsEmpty();
    StoredPassword = attempt.RowFound ? ADOQuery1->FieldByName("password")->AsString() : String();
    attempt.StoredPassword = StoredPassword;
    attempt.Permit = attempt.RowFound ? ADOQuery1->FieldByName("permit")->AsInteger() : 0;

    const TLoginDecision decision = CheckLogin(attempt);
    if (decision.Outcome == TLoginOutcome::LoggedIn) {
        OperatorSession().LogIn(decision.OperatorName, decision.Permit);
        Frm_Main->Timer1->SetEnabled(true);
        Frm_Main->StatusBar1->Panels()->Items(0)->SetText(LoginTexts::OperatorPanel + decision.OperatorName);
        Frm_Main->LoadRights();
        LoginOk = true;
        Close();
    } else {
        ShowMessageBox(Handle(), decision.Message, LoginTexts::MessageCaption, MB_ICONERROR | MB_OK);
        if (decision.ClearPassword)
            Edit_Pass->SetText(String());
        if (decision.FocusPassword)
            Edit_Pass->SetFocus();
    }
    Frm_Data->IniFile->WriteInteger(AppConfig::LoginSection, AppConfig::UserNameKey, Combo_User->ItemIndex());
}

void TFrm_Login::Btn_ExitClick(TObject*) {
    Close();
}

void RegisterLoginClasses() {
    RegisterStdCtrlsClasses();
    RegisterButtonsClasses();
    RegisterExtCtrlsClasses();
    RegisterDataClasses();
    RegisterComponentClass<TFrm_Login>();
    RegisterProperties<TFrm_Login>()
        .Handler<&TFrm_Login::FormCreate>("FormCreate")
        .Handler<&TFrm_Login::FormShow>("FormShow")
        .Handler<&TFrm_Login::Combo_UserSelect>("Combo_UserSelect")
        .Handler<&TFrm_Login::Btn_okClick>("Btn_okClick")
        .Handler<&TFrm_Login::Btn_ExitClick>("Btn_ExitClick");
}
