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

String MessageDlgCaption(TMsgDlgType type, LANGID language) {
    // The captions of the system's own message dialogs in the user's language.
    static const char* const kEnglish[] = {"Warning", "Error", "Information", "Confirm"};
    static const char* const kChinese[] = {"警告", "错误", "信息", "确认"};
    if (type == mtCustom)
        return ApplicationTitle();
    const bool chinese = PRIMARYLANGID(language) == LANG_CHINESE;
    return (chinese ? kChinese : kEnglish)[type];
}

TModalResult MessageDlg(const String& text, TMsgDlgType type, TMsgDlgButtons buttons, int) {
    static constexpr UINT kIcons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION, 0};
    const UINT flags = ButtonFlags(buttons) | kIcons[type];
    return ApplicationBox(text, MessageDlgCaption(type, GetUserDefaultUILanguage()), flags);
}
