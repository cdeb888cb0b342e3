// The e-mail export dialog: writes the listed persons' addresses to Export\<name>.txt.
#pragma once

#include "ADODB.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

class TFrm_Email : public TForm {
    VESTREL_CLASS(TFrm_Email, TForm)
public:
    explicit TFrm_Email(TComponent* owner) : TForm(owner) {}
    void Loaded() override;

    TLabel* Label1 = nullptr;
    TEdit* Edit1 = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TButton* Btn_start = nullptr;
    TButton* btn_exit = nullptr;
    TADOQuery* Query = nullptr;  // used by nothing

    // Caption, and today's date as the name.
    void FormCreate(TObject* Sender);
    // Writes the file of Qry_Cust's addresses, then opens it with the shell. The dialog stays open.
    void Btn_startClick(TObject* Sender);
    void btn_exitClick(TObject* Sender);
};

void RegisterEmailClasses();
