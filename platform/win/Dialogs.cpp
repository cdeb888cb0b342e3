#include "Dialogs.h"

namespace {

int ApplicationBox(const String& text, const String& caption, UINT flags) {
    if (Application)
        return Application->MessageBox(text, caption, flags);
    return ShowMessageBox(nullptr, text, caption, flags);
}

String ApplicationTitle() {
    return Application ? Application->Title() : String();
}

UINT ButtonFlags(TMsgDlgButtons buttons) {
    const TMsgDlgButtons shown = buttons - TMsgDlgButtons{mbHelp};
    static const struct {
        TMsgDlgButtons Buttons;
        UINT Flags;
    } kBoxes[] = {
        {{mbOK}, MB_OK},
        {{mbOK, mbCancel}, MB_OKCANCEL},
        {{mbYes, mbNo}, MB_YESNO},
        {{mbYes, mbNo, mbCancel}, MB_YESNOCANCEL},
        {{mbAbort, mbRetry, mbIgnore}, MB_ABORTRETRYIGNORE},
        {{mbRetry, mbCancel}, MB_RETRYCANCEL},
    };
    for (const auto& box : kBoxes)
        if (box.Buttons == shown)
            return box.Flags | (buttons.Contains(mbHelp) ? MB_HELP : 0);
    throw EInvalidArgument("MessageDlg: no message box has this set of buttons (mask " +
                           std::to_string(buttons.Bits()) + ")");
}

}  // namespace

void ShowMessage(const String& text) {
    ApplicationBox(text, ApplicationTitle(), MB_OK);
}

TModalResult MessageDlg(const String& text, TMsgDlgType type, TMsgDlgButtons buttons, int) {
    UINT flags = ButtonFlags(buttons);
    String caption;
    switch (type) {
    case mtWarning:
        flags |= MB_ICONWARNING;
        caption = "Warning";
        break;
    case mtError:
        flags |= MB_ICONERROR;
        caption = "Error";
        break;
    case mtInformation:
        flags |= MB_ICONINFORMATION;
        caption = "Information";
        break;
    case mtConfirmation:
        flags |= MB_ICONQUESTION;
        caption = "Confirm";
        break;
    case mtCustom:
        caption = ApplicationTitle();
        break;
    }
    return ApplicationBox(text, caption, flags);
}
