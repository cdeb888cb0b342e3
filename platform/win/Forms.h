// Forms, data modules, the application object and the screen.
//
// Classes in this file:
//   TScrollingWinControl  base of forms (AutoScroll is only kept)
//   TCustomForm, TForm    top-level windows (and MDI frames and children) made from their form
//                         description: a constructor taking the owner, then AfterConstruction reads
//                         the description named after the class and runs OnCreate
//   TDataModule           a root of non-visual components made from its form description; never shown
//   TApplication          the message loop and its key pipeline, the main form, exceptions, message boxes
//   TScreen               the forms, the active form and control, cursors, the screen's size
//
// Program-wide objects: `Application` and `Screen`, made by FormsInitialization and freed by
// FormsFinalization (the main source's start-up list calls both).
//
// Seams for tests: the message box (SetMessageBoxFunction) and the lookup of form descriptions
// (SetFormResourceFinder; by default an RCDATA resource named after the class, in upper case).
//
// Not yet: menus of forms (the menu unit adds them), hint windows, form scaling, OLE, docking,
// alpha blending, the MDI window menu.
#pragma once

#include "Controls.h"

#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

class TDataModule;

extern TLogChannel LogForms;  // "forms"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TEnumSet<TBorderIcon>;
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter,
    poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateElement { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TEnumSet<TFormStateElement>;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = mrNo + 1;
constexpr TModalResult mrNoToAll = mrAll + 1;
constexpr TModalResult mrYesToAll = mrNoToAll + 1;

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;
using TShortCutEvent = TEvent<void(const TWMKey& Msg, bool& Handled)>;
using TExceptionEvent = TEvent<void(TObject* Sender, Exception& E)>;
using TIdleEvent = TEvent<void(TObject* Sender, bool& Done)>;
using TMessageEvent = TEvent<void(MSG& Msg, bool& Handled)>;

// Tag of the constructors that make a form or data module without reading a description.
struct TCreateNew {};
inline constexpr TCreateNew CreateNew{};

// ---- Seams --------------------------------------------------------------------------------------

// The system's message box; tests install a function that answers without showing one. Returns
// the previous function; nullptr restores MessageBoxW.
using TMessageBoxFunction = std::function<int(HWND owner, const String& text, const String& caption, UINT flags)>;
TMessageBoxFunction SetMessageBoxFunction(TMessageBoxFunction function);
// A message box through the seam (the Parts' "standard message box owned by" a window).
int ShowMessageBox(HWND owner, const String& text, const String& caption, UINT flags);

// Where form descriptions come from: the text for a class name, or nothing. Returns the previous
// finder; nullptr restores the default (an RCDATA resource of the executable named after the class
// in upper case, UTF-8, an optional byte-order mark skipped).
using TFormResourceFinder = std::function<std::optional<String>(const String& className)>;
TFormResourceFinder SetFormResourceFinder(TFormResourceFinder finder);
std::optional<String> FindFormResource(const String& className);
// The default finder's answer, whatever finder is set.
std::optional<String> FindExecutableFormResource(const String& className);

// Reads the description of `root`'s class (or of the nearest ancestor below `stopClass` that has
// one) into `root`; raises EResNotFound "Resource <class> not found" when there is none.
void InitInheritedComponent(TComponent* root, TClass stopClass);

// ---- Forms --------------------------------------------------------------------------------------

class TScrollingWinControl : public TWinControl {
    VESTREL_CLASS(TScrollingWinControl, TWinControl)
public:
    explicit TScrollingWinControl(TComponent* owner);

    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool value) { autoScroll_ = value; }

private:
    bool autoScroll_ = false;
};

class TCustomForm : public TScrollingWinControl {
    VESTREL_CLASS(TCustomForm, TScrollingWinControl)
public:
    // Made from the form description of its class in AfterConstruction (not for TForm itself).
    explicit TCustomForm(TComponent* owner);
    // Made without a description.
    TCustomForm(TComponent* owner, TCreateNew);
    ~TCustomForm() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    // Showing and closing.
    void Show();
    void Hide();
    void SetVisible(bool value) override;
    // Runs the form modally: releases the mouse capture, disables the thread's other top-level
    // windows, shows the form and runs messages until ModalResult is set (Close sets mrCancel),
    // then hides it, enables the windows again and returns ModalResult.
    TModalResult ShowModal();
    // OnCloseQuery, then OnClose with the default action (caHide; an MDI child: caMinimize when it
    // has a minimise button, else caNone): caHide hides, caMinimize minimises, caFree releases;
    // closing the main form terminates the application. A modal form only sets mrCancel.
    void Close();
    bool CloseQuery();
    // Frees the form once the messages queued for it have run (posts CM_RELEASE).
    void Release();

    // Focus.
    void SetFocus() override;
    bool Active() const { return active_; }
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    void FocusControl(TWinControl* control);
    bool SetFocusedControl(TWinControl* control);
    void DefocusControl(TWinControl* control, bool removing);
    TWinControl* FocusedControl() const { return focusedControl_; }
    void SendCancelMode(TControl* sender);

    // Appearance and behaviour.
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle value);
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState value);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }
    TFormState FormState() const { return formState_; }
    TRect ClientRect() override;
    void SetClientWidth(int value) override;
    void SetClientHeight(int value) override;

    // MDI.
    HWND ClientHandle() const { return clientHandle_; }
    int MDIChildCount() const;
    TCustomForm* MDIChildren(int index) const;
    TCustomForm* ActiveMDIChild() const;

    // Short-cuts: OnShortCut, then the registered handlers (components of the form that implement
    // TShortCutHandler register themselves).
    virtual bool IsShortCut(const TWMKey& message);
    void AddShortCutHandler(TShortCutHandler* handler);
    void RemoveShortCutHandler(TShortCutHandler* handler);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TShortCutEvent OnShortCut;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void CreateWindowHandle(const TCreateParams& params) override;
    void DestroyWindowHandle() override;
    void DefaultHandler(TMessage& message) override;
    void Dispatch(TMessage& message) override;
    void AlignControls(TControl* control, TRect& rect) override;
    void SetZOrder(bool topMost) override;

    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    virtual void Activate();
    virtual void Deactivate();

    void CMShowingChanged(TMessage& m) override;
    void CMDialogKey(TMessage& m) override;

private:
    void Init();
    void SetActive(bool value);
    void SetWindowFocus();
    void CloseModal();
    void ApplyPosition();
    TSize NonClientSize();
    void WMClose(TMessage& m);
    void WMActivate(TMessage& m, bool active);
    void WMMDIActivate(TMessage& m);
    void WMSize(TMessage& m);
    void CMActivate(TMessage& m);
    void CMDeactivate(TMessage& m);

    bool createNew_ = false;
    bool created_ = false;   // OnCreate ran
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    TWindowState windowState_ = wsNormal;
    TFormState formState_;
    bool keyPreview_ = false;
    bool active_ = false;
    TModalResult modalResult_ = mrNone;
    TWinControl* activeControl_ = nullptr;
    TWinControl* focusedControl_ = nullptr;
    int focusCount_ = 0;
    int clientWidth_ = -1;   // wanted while loading
    int clientHeight_ = -1;
    HWND clientHandle_ = nullptr;
    // Short-cut handlers and the owned component each came from (nullptr: added by hand).
    std::vector<std::pair<TComponent*, TShortCutHandler*>> shortCutHandlers_;
};

class TForm : public TCustomForm {
    VESTREL_CLASS(TForm, TCustomForm)
public:
    using TCustomForm::TCustomForm;
};

class TDataModule : public TComponent {
    VESTREL_CLASS(TDataModule, TComponent)
public:
    explicit TDataModule(TComponent* owner);
    TDataModule(TComponent* owner, TCreateNew);
    ~TDataModule() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;

private:
    bool createNew_ = false;
    bool created_ = false;
};

// ---- Application --------------------------------------------------------------------------------

class TApplication : public TComponent {
    VESTREL_CLASS(TApplication, TComponent)
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    void Initialize() {}
    // Makes a form or data module owned by the application, sets `reference` before its
    // description is read (handlers may use it), and makes the first form the main form.
    template <class T>
    void CreateForm(T*& reference) {
        static_assert(std::is_base_of_v<TComponent, T>, "CreateForm makes components");
        T* instance = new T(this);
        reference = instance;
        try {
            instance->AfterConstruction();
        } catch (...) {
            reference = nullptr;
            instance->Free();
            throw;
        }
        FormCreated(instance);
    }
    // Shows the main form and runs messages until Terminate (closing the main form terminates).
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Runs every message waiting in the queue.
    void ProcessMessages();
    // Runs one message, or idles (OnIdle, then waits for a message) when there is none.
    void HandleMessage();

    // The system's message box through the seam, owned by the application window; the thread's
    // other windows are disabled while it runs.
    int MessageBox(const String& text, const String& caption, UINT flags = MB_OK);
    // The exception that is being handled: OnException, or ShowException; EAbort is silent.
    // Never raises.
    void HandleException(TObject* sender);
    void ShowException(const Exception& e);

    String ExeName() const;
    String Title() const { return title_; }
    void SetTitle(const String& value);
    HWND Handle() const { return handle_; }
    TCustomForm* MainForm() const { return mainForm_; }
    bool ShowMainForm() const { return showMainForm_; }
    void SetShowMainForm(bool value) { showMainForm_ = value; }
    // OnShortCut, then the main form's short-cuts (when it is enabled and is not `asked`).
    bool IsShortCut(const TWMKey& message, TCustomForm* asked = nullptr);

    // Hints: a windowed control with ShowHint and a Hint is a tool of the application's tool-tip
    // window, which shows the hint when the mouse rests on it.
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    // Adds, updates or removes `control`'s tool (its window, Hint or ShowHint changed).
    void HintChanged(TWinControl* control);
    // Forgets the tool of `window` (its control is letting the window go).
    void RemoveHint(HWND window);
    // Gives a mouse message of a control's window to the tool-tip window.
    void RelayHintMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND HintWindow() const { return hintWindow_; }

    TExceptionEvent OnException;
    TIdleEvent OnIdle;
    TMessageEvent OnMessage;
    TShortCutEvent OnShortCut;

private:
    friend class TCustomForm;

    void FormCreated(TComponent* instance);
    bool ProcessMessage(MSG& msg);
    void Idle();
    bool IsKeyMsg(MSG& msg);
    bool IsMDIMsg(MSG& msg);

    HWND handle_ = nullptr;
    HWND hintWindow_ = nullptr;
    std::vector<TWinControl*> hinted_;  // the controls that have a tool
    bool showHint_ = true;
    String title_;
    TCustomForm* mainForm_ = nullptr;
    bool terminated_ = false;
    bool showMainForm_ = true;
};

// ---- Screen -------------------------------------------------------------------------------------

class TScreen : public TComponent {
    VESTREL_CLASS(TScreen, TComponent)
public:
    explicit TScreen(TComponent* owner);
    ~TScreen() override;

    // Forms in z-order: the most recently activated first, new ones last.
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int index) const;
    int CustomFormCount() const { return FormCount(); }
    TCustomForm* CustomForms(int index) const { return Forms(index); }
    int DataModuleCount() const { return static_cast<int>(dataModules_.size()); }
    TDataModule* DataModules(int index) const;

    TCustomForm* ActiveForm() const { return activeForm_; }
    TCustomForm* ActiveCustomForm() const { return activeForm_; }
    TCustomForm* FocusedForm() const { return focusedForm_; }
    TWinControl* ActiveControl() const;

    // The cursor for the whole program (crDefault: each control's own), applied at once.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);
    HCURSOR Cursors(TCursor index) const;
    void SetCursors(TCursor index, HCURSOR cursor);

    int Width() const;
    int Height() const;
    int PixelsPerInch() const;
    TRect DesktopRect() const;
    TRect WorkAreaRect() const;
    HMONITOR MonitorFromWindow(HWND window) const;
    HMONITOR MonitorFromPoint(TPoint point) const;

private:
    friend class TCustomForm;
    friend class TDataModule;

    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void FormActivated(TCustomForm* form);

    std::vector<TCustomForm*> forms_;
    std::vector<TDataModule*> dataModules_;
    TCustomForm* activeForm_ = nullptr;
    TCustomForm* focusedForm_ = nullptr;
    TCursor cursor_ = crDefault;
    std::vector<std::pair<TCursor, HCURSOR>> cursors_;
};

extern TApplication* Application;
extern TScreen* Screen;

// Registers the classes of this unit and makes Screen and Application (idempotent).
void FormsInitialization();
// Frees Application (and with it the forms it owns) and Screen.
void FormsFinalization();
