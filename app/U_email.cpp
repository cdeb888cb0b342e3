#include "U_email.h"

#include "DateTime.h"
#include "Encoding.h"
#include "FormFields.h"
#include "ShellSeam.h"
#include "TypeRegistry.h"
#include "U_Data.h"
#include "U_emailLogic.h"
#include "U_emailTexts.h"

void TFrm_Email::Loaded() {
    inherited::Loaded();
    BindComponent(this, Label1, "Label1");
    BindComponent(this, Edit1, "Edit1");
    BindComponent(this, RadioGroup1, "RadioGroup1");
    BindComponent(this, ProgressBar1, "ProgressBar1");
    BindComponent(this, Btn_start, "Btn_start");
    BindComponent(this, btn_exit, "btn_exit");
    BindComponent(this, Query, "Query");
}

void TFrm_Email::FormCreate(TObject*) {
    SetCaption(EmailTexts::Caption);
    Edit1->SetText(FormatDateTime(EmailTexts::DateFormat, Date()));
}

void TFrm_Email::Btn_startClick(TObject*) {
    const String name = Trim(Edit1->Text());
    if (name.empty()) {
        Application->MessageBox(EmailTexts::NameEmpty, EmailTexts::Warning, MB_ICONINFORMATION);
        return;
    }
    const String file = EmailFilePath(ProgramFolder(), name);
    TADOQuery* list = Frm_Data->Qry_Cust;
    ProgressBar1->SetPosition(0);
    ProgressBar1->SetMax(list->RecordCount());
    try {
        WriteEmailAddresses(list, file, [this](int walked) {
            ProgressBar1->SetPosition(walked);
            SetCaption(String(EmailTexts::Caption) + EmailTexts::CounterOpen + std::to_string(walked) +
                       EmailTexts::CounterClose);
        });
    } catch (...) {
        ProgressBar1->SetPosition(0);
        throw;
    }
    ProgressBar1->SetPosition(0);
    ShellExecuteFile(Handle(), String(), file, String(), String(), SW_SHOWNORMAL);
}

void TFrm_Email::btn_exitClick(TObject*) {
    Close();
}

void RegisterEmailClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterDataClasses();
    RegisterStdCtrlsClasses();
    RegisterExtCtrlsClasses();
    RegisterComCtrlsClasses();
    RegisterComponentClass<TFrm_Email>();
    RegisterProperties<TFrm_Email>()
        .Handler<&TFrm_Email::FormCreate>("FormCreate")
        .Handler<&TFrm_Email::Btn_startClick>("Btn_startClick")
        .Handler<&TFrm_Email::btn_exitClick>("btn_exitClick");
}
