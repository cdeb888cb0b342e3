#include "Dialogs.h"

#include "StdCtrls.h"

#include <algorithm>
#include <vector>

namespace {

int ApplicationBox(const String& text, const String& caption, UINT flags) {
    if (Application)
        return Application->MessageBox(text, caption, flags);
    return ShowMessageBox(nullptr, text, caption, flags);
}

String ApplicationTitle() {
    return Application ? Application->Title() : String();
}

// The system box's flags for `buttons`; false when no system box has that set.
bool ButtonFlags(TMsgDlgButtons buttons, UINT& flags) {
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
        if (box.Buttons == shown) {
            flags = box.Flags | (buttons.Contains(mbHelp) ? MB_HELP : 0);
            return true;
        }
    return false;
}

}  // namespace

// ---- The box for button sets the system lacks ---------------------------------------------------

namespace {

struct TDlgButtonText {
    TMsgDlgBtn Button;
    const char* Name;
    const char* English;
    const char* Chinese;
    TModalResult Result;
};

// In the order the buttons stand, left to right.
constexpr TDlgButtonText kDlgButtons[] = {
    {mbYes, "Yes", "&Yes", "是(&Y)", mrYes},
    {mbYesToAll, "YesToAll", "Yes to &All", "全部是(&A)", mrYesToAll},
    {mbNo, "No", "&No", "否(&N)", mrNo},
    {mbNoToAll, "NoToAll", "N&o to All", "全部否(&O)", mrNoToAll},
    {mbOK, "OK", "OK", "确定", mrOk},
    {mbAll, "All", "&All", "全部(&A)", mrAll},
    {mbAbort, "Abort", "&Abort", "中止(&A)", mrAbort},
    {mbRetry, "Retry", "&Retry", "重试(&R)", mrRetry},
    {mbIgnore, "Ignore", "&Ignore", "忽略(&I)", mrIgnore},
    {mbCancel, "Cancel", "Cancel", "取消", mrCancel},
};

// A modal form with the text and one button per member of `buttons` (Help aside); the first button
// is the default one, Cancel (when there is one) answers Esc. Closing the box answers mrCancel.
TModalResult FormMessageDlg(const String& text, const String& caption, TMsgDlgButtons buttons) {
    struct TFormHolder {
        TForm* form;
        ~TFormHolder() { form->Free(); }
    } holder{New<TForm>(nullptr, CreateNew)};
    TForm* form = holder.form;
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons(TBorderIcons{biSystemMenu});
    form->SetPosition(poScreenCenter);
    form->SetCaption(caption);

    constexpr int kMargin = 12, kGap = 8, kButtonWidth = 75, kButtonHeight = 25, kMinWidth = 240;
    auto* label = New<TLabel>(form);
    label->SetName("Message");
    label->SetParent(form);
    label->SetShowAccelChar(false);
    label->SetCaption(text);
    label->SetLeft(kMargin);
    label->SetTop(kMargin);

    const bool chinese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
    std::vector<const TDlgButtonText*> shown;
    for (const TDlgButtonText& b : kDlgButtons)
        if (buttons.Contains(b.Button)) shown.push_back(&b);
    const int count = static_cast<int>(shown.size());
    const int row = count * kButtonWidth + std::max(count - 1, 0) * kGap;
    const int width = std::max({kMinWidth, label->Width() + 2 * kMargin, row + 2 * kMargin});
    const int top = label->Top() + label->Height() + 2 * kMargin;
    int left = (width - row) / 2;
    for (int i = 0; i < count; ++i) {
        auto* button = New<TButton>(form);
        button->SetName(shown[i]->Name);
        button->SetParent(form);
        button->SetCaption(chinese ? shown[i]->Chinese : shown[i]->English);
        button->SetBounds(left, top, kButtonWidth, kButtonHeight);
        button->SetModalResult(shown[i]->Result);
        if (i == 0) {
            button->SetDefault(true);
            form->SetActiveControl(button);
        }
        if (shown[i]->Button == mbCancel) button->SetCancel(true);
        left += kButtonWidth + kGap;
    }
    form->SetClientWidth(width);
    form->SetClientHeight(top + kButtonHeight + kMargin);
    const TModalResult result = form->ShowModal();
    return result == mrNone ? mrCancel : result;
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
    const String caption = MessageDlgCaption(type, GetUserDefaultUILanguage());
    UINT flags = 0;
    if (!ButtonFlags(buttons, flags)) {
        if ((buttons - TMsgDlgButtons{mbHelp}).Bits() == 0)
            throw EInvalidArgument("MessageDlg: no buttons (mask " + std::to_string(buttons.Bits()) + ")");
        return FormMessageDlg(text, caption, buttons);
    }
    return ApplicationBox(text, caption, flags | kIcons[type]);
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
