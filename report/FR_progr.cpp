#include "FR_progr.h"

#include "TypeRegistry.h"

#include <stdexcept>

void TfrProgressForm::Loaded() {
    inherited::Loaded();
    Label1 = dynamic_cast<TLabel*>(FindComponent("Label1"));
    Label2 = dynamic_cast<TLabel*>(FindComponent("Label2"));
    Button1 = dynamic_cast<TButton*>(FindComponent("Button1"));
    if (!Label1 || !Label2 || !Button1) throw EComponentError("The progress form's description lacks its controls");
}

void TfrProgressForm::Button1Click(TObject*) {
    Terminated = true;
    SetModalResult(mrCancel);
    Close();
}

void TfrProgressForm::Dispatch(TMessage& message) {
    if (message.Msg == WM_FR_PROGRESS) {
        if (OnProgressMessage) OnProgressMessage(this);
        return;
    }
    inherited::Dispatch(message);
}

void RegisterProgressFormClasses() {
    RegisterStdCtrlsClasses();
    RegisterComponentClass<TfrProgressForm>();
    RegisterProperties<TfrProgressForm>().Handler<&TfrProgressForm::Button1Click>("Button1Click");
}
