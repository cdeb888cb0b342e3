// The login dialog: choose an operator, type the password; on success the main window learns who
// works, with which permission level and rights.
#pragma once

#include "ADODB.h"
#include "Buttons.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

class TFrm_Login : public TForm {
    VESTREL_CLASS(TFrm_Login, TForm)
public:
    explicit TFrm_Login(TComponent* owner) : TForm(owner) {}
    void Loaded() override;

    TImage* Image1 = nullptr;
    TComboBox* Combo_User = nullptr;
    TEdit* Edit_Pass = nullptr;
    TButton* Btn_ok = nullptr;
    TBitBtn* Btn_Exit = nullptr;
    TADOQuery* ADOQuery1 = nullptr;
    TADOQuery* Qry_login = nullptr;

    // The chosen operator's stored password, as read by the last check.
    String StoredPassword;
    // Set when an operator logged in.
    bool LoginOk = false;

    void FormCreate(TObject* Sender);
    // Fills the operator list and chooses the remembered operator.
    void FormShow(TObject* Sender);
    void Combo_UserSelect(TObject* Sender);
    // The check; the list's position is remembered after every click.
    void Btn_okClick(TObject* Sender);
    void Btn_ExitClick(TObject* Sender);
};

extern TFrm_Login* Frm_Login;

void RegisterLoginClasses();
