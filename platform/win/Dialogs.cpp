#include "Dialogs.h"

#include "StdCtrls.h"

#include <algorithm>

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

String InputButtonCaption(TModalResult result, LANGID language) {
    const bool chinese = PRIMARYLANGID(language) == LANG_CHINESE;
    if (result == mrOk)
        return chinese ? "确定" : "OK";
    return chinese ? "取消" : "Cancel";
}

bool InputQuery(const String& caption, const String& prompt, String& value) {
    struct TFormHolder {
        TForm* form;
        ~TFormHolder() { form->Free(); }
    } holder{New<TForm>(nullptr, CreateNew)};
    TForm* form = holder.form;
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons(TBorderIcons{biSystemMenu});
    form->SetPosition(poScreenCenter);
    form->SetCaption(caption);

    constexpr int kMargin = 8, kButtonWidth = 75, kButtonHeight = 25, kEditHeight = 21, kMinWidth = 280;
    auto* label = New<TLabel>(form);
    label->SetName("Prompt");
    label->SetParent(form);
    label->SetShowAccelChar(false);
    label->SetCaption(prompt);
    label->SetLeft(kMargin);
    label->SetTop(kMargin);
    const int width = std::max(kMinWidth, label->Width() + 2 * kMargin);

    auto* edit = New<TEdit>(form);
    edit->SetName("Value");
    edit->SetParent(form);
    edit->SetBounds(kMargin, label->Top() + label->Height() + 6, width - 2 * kMargin, kEditHeight);
    edit->SetText(value);

    const LANGID language = GetUserDefaultUILanguage();
    const int buttonTop = edit->Top() + edit->Height() + 12;
    auto* ok = New<TButton>(form);
    ok->SetName("OK");
    ok->SetParent(form);
    ok->SetCaption(InputButtonCaption(mrOk, language));
    ok->SetBounds(width - 2 * (kButtonWidth + kMargin), buttonTop, kButtonWidth, kButtonHeight);
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    auto* cancel = New<TButton>(form);
    cancel->SetName("Cancel");
    cancel->SetParent(form);
    cancel->SetCaption(InputButtonCaption(mrCancel, language));
    cancel->SetBounds(width - kButtonWidth - kMargin, buttonTop, kButtonWidth, kButtonHeight);
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);

    form->SetClientWidth(width);
    form->SetClientHeight(buttonTop + kButtonHeight + kMargin);
    form->SetActiveControl(edit);
    edit->HandleNeeded();
    edit->SelectAll();
    if (form->ShowModal() != mrOk)
        return false;
    value = edit->Text();
    return true;
}

String InputBox(const String& caption, const String& prompt, const String& defaultValue) {
    String value = defaultValue;
    InputQuery(caption, prompt, value);
    return value;
}
