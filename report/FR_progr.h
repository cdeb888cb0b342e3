// The report progress form: two centred labels and a Cancel button. The report core creates it
// hidden; the interpreter's PROGRESS writes into Label2.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"

constexpr UINT WM_FR_PROGRESS = WM_USER + 1;

class TfrProgressForm : public TForm {
    VESTREL_CLASS(TfrProgressForm, TForm)
public:
    explicit TfrProgressForm(TComponent* owner) : TForm(owner) {}
    void Loaded() override;

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TButton* Button1 = nullptr;

    // Raised by the WM_FR_PROGRESS message when assigned.
    TNotifyEvent OnProgressMessage;
    // Set by Cancel: the report the form serves stops at its next check.
    bool Terminated = false;

    void Button1Click(TObject* Sender);

protected:
    void Dispatch(TMessage& message) override;
};

void RegisterProgressFormClasses();
