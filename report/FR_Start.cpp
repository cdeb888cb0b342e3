#include "FR_Start.h"

#include "Dialogs.h"
#include "Encoding.h"
#include "FR_DBSet.h"
#include "FR_PrntrWin.h"
#include "FR_progr.h"
#include "Forms.h"
#include "WinApi.h"

namespace {

// The progress form and the hidden dialog form, owned by the report globals.
class FormWindows : public TfrWindows {
public:
    FormWindows() : progress_(New<TfrProgressForm>(Application)) {}
    ~FormWindows() override {
        for (TComponent* form : {static_cast<TComponent*>(dialog_), static_cast<TComponent*>(progress_)}) {
            try {
                if (form) form->Free();
            } catch (...) {
            }
        }
    }
    void ShowProgress(const String& text) override { progress_->Label2->SetCaption(text); }
    void ProcessMessages() override { Application->ProcessMessages(); }
    void CreateDialogForm() override {
        dialog_ = New<TForm>(Application, CreateNew);
        dialog_->SetName("DialogForm");
        dialog_->SetBounds(-100, -100, 10, 10);
    }

    TfrProgressForm* Progress() const { return progress_; }
    TForm* Dialog() const { return dialog_; }

private:
    TfrProgressForm* progress_;
    TForm* dialog_ = nullptr;
};

FormWindows* ActiveWindows() { return frGlobals ? dynamic_cast<FormWindows*>(frGlobals->Windows.get()) : nullptr; }

}  // namespace

String frLoadResourceString(int id) {
    wchar_t buffer[1024];
    const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), buffer, 1024);
    if (length <= 0) return String();
    return Utf16ToUtf8(WideString(buffer, buffer + length));
}

TfrProgressForm* frProgressForm() {
    FormWindows* windows = ActiveWindows();
    return windows ? windows->Progress() : nullptr;
}

TForm* frDialogForm() {
    FormWindows* windows = ActiveWindows();
    return windows ? windows->Dialog() : nullptr;
}

void ReportInitialization() {
    RegisterReportDataSetClasses();
    RegisterProgressFormClasses();
    frLocale().Source = frLoadResourceString;
    frMessageBoxFunction = [](const String& text, const String& caption, int flags) {
        return Application->MessageBox(text, caption, static_cast<UINT>(flags));
    };
    frInputFunction = [](const String& caption, const String& prompt, const String& value) {
        return InputBox(caption, prompt, value);
    };
    frPrinterStartUp(frCreateSpoolerBackend);
    frStartUp([] { return std::make_unique<FormWindows>(); });
}

void ReportFinalization() {
    frShutDown();
    frPrinterShutDown();
    frMessageBoxFunction = nullptr;
    frInputFunction = nullptr;
    frLocale().Source = nullptr;
}
