#include "Forms.h"

#include "FormReader.h"
#include "SystemLocaleText.h"
#include "TypeRegistry.h"

#include <commctrl.h>

#include <algorithm>

TLogChannel LogForms("forms");

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

const wchar_t kApplicationClass[] = L"TApplication";

TMessageBoxFunction& MessageBoxSeam() {
    static TMessageBoxFunction function;
    return function;
}

TFormResourceFinder& ResourceSeam() {
    static TFormResourceFinder finder;
    return finder;
}

// Hands the exception being handled to the application (or lets it go on without one).
void ReportException(TObject* sender) {
    if (Application)
        Application->HandleException(sender);
    else
        throw;
}

// The RCDATA resource `name` (upper case) of `module`, found by walking its resource directory
// from end to end. The system looks names up by a binary search, but the linker may order names
// that hold "_" otherwise (TFRM_S_CUST before TFRM_SPLASH), so that search can miss one.
const char* WalkRcData(HMODULE module, const std::wstring& name, DWORD& size) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
    if (directory.VirtualAddress == 0)
        return nullptr;
    const BYTE* root = base + directory.VirtualAddress;
    // Each entry is two DWORDs: the name (high bit: an offset to a counted UTF-16 string, else an
    // ID) and the target (high bit: an offset to a subdirectory, else to a data entry).
    struct TEntry {
        DWORD Name;
        DWORD Target;
    };
    const auto entriesOf = [root](DWORD offset) {
        const auto* header = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(root + offset);
        const auto* first = reinterpret_cast<const TEntry*>(header + 1);
        return std::pair(first, first + header->NumberOfNamedEntries + header->NumberOfIdEntries);
    };
    constexpr DWORD kHighBit = 0x80000000u;
    const auto [types, typesEnd] = entriesOf(0);
    for (const TEntry* type = types; type != typesEnd; ++type) {
        if (type->Name != 10 || !(type->Target & kHighBit))  // RT_RCDATA
            continue;
        const auto [names, namesEnd] = entriesOf(type->Target & ~kHighBit);
        for (const TEntry* entry = names; entry != namesEnd; ++entry) {
            if (!(entry->Name & kHighBit) || !(entry->Target & kHighBit))
                continue;
            const auto* text = reinterpret_cast<const WORD*>(root + (entry->Name & ~kHighBit));
            const std::wstring entryName(reinterpret_cast<const wchar_t*>(text + 1), text[0]);
            if (CompareStringOrdinal(entryName.c_str(), -1, name.c_str(), -1, TRUE) != CSTR_EQUAL)
                continue;
            const auto [languages, languagesEnd] = entriesOf(entry->Target & ~kHighBit);
            if (languages == languagesEnd || (languages->Target & kHighBit))
                return nullptr;
            const auto* data = reinterpret_cast<const IMAGE_RESOURCE_DATA_ENTRY*>(root + languages->Target);
            size = data->Size;
            return reinterpret_cast<const char*>(base + data->OffsetToData);
        }
    }
    return nullptr;
}

std::optional<String> FindRcData(const String& className) {
    HMODULE module = GetModuleHandleW(nullptr);
    const std::wstring name = ToWide(UpperCase(className));
    DWORD size = 0;
    const char* data = nullptr;
    if (HRSRC resource = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10))) {  // RT_RCDATA
        HGLOBAL loaded = LoadResource(module, resource);
        size = SizeofResource(module, resource);
        data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    } else {
        data = WalkRcData(module, name, size);
    }
    if (!data)
        return std::nullopt;
    String text(data, size);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

struct TDisableContext {
    HWND Except;
    std::vector<HWND> Disabled;
};

BOOL CALLBACK DisableWindow(HWND window, LPARAM data) {
    auto* context = reinterpret_cast<TDisableContext*>(data);
    if (window != context->Except && IsWindowVisible(window) && IsWindowEnabled(window)) {
        context->Disabled.push_back(window);
        EnableWindow(window, FALSE);
    }
    return TRUE;
}

// Disables the thread's visible, enabled top-level windows but `except`; returns them.
std::vector<HWND> DisableThreadWindows(HWND except) {
    TDisableContext context{except, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&context));
    return context.Disabled;
}

void EnableWindows(const std::vector<HWND>& windows) {
    for (HWND window : windows)
        if (IsWindow(window))
            EnableWindow(window, TRUE);
}

LRESULT CALLBACK ApplicationWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, msg, wParam, lParam);
}

String BaseNameWithoutExtension(const String& path) {
    const std::size_t slash = path.find_last_of("\\/");
    String name = slash == String::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != String::npos && dot > 0)
        name.erase(dot);
    return name;
}

}  // namespace

// ---- Seams --------------------------------------------------------------------------------------

TMessageBoxFunction SetMessageBoxFunction(TMessageBoxFunction function) {
    TMessageBoxFunction previous = std::move(MessageBoxSeam());
    MessageBoxSeam() = std::move(function);
    return previous;
}

int ShowMessageBox(HWND owner, const String& text, const String& caption, UINT flags) {
    if (const TMessageBoxFunction& function = MessageBoxSeam())
        return function(owner, text, caption, flags);
    return MessageBoxW(owner, ToWide(text).c_str(), ToWide(caption).c_str(), flags);
}

TFormResourceFinder SetFormResourceFinder(TFormResourceFinder finder) {
    TFormResourceFinder previous = std::move(ResourceSeam());
    ResourceSeam() = std::move(finder);
    return previous;
}

std::optional<String> FindFormResource(const String& className) {
    if (const TFormResourceFinder& finder = ResourceSeam())
        return finder(className);
    return FindRcData(className);
}

std::optional<String> FindExecutableFormResource(const String& className) {
    return FindRcData(className);
}

void InitInheritedComponent(TComponent* root, TClass stopClass) {
    for (TClass c = root->ClassType(); c && c != stopClass; c = c->parent) {
        if (std::optional<String> text = FindFormResource(c->name)) {
            ReadForm(root, *text, c->name);
            // Descriptions read later may refer to its components ("Frm_Data.DS_Cust").
            RegisterRootComponent(root);
            return;
        }
    }
    throw EResNotFound("Resource " + root->ClassName() + " not found");
}

// ---- TScrollingWinControl ---------------------------------------------------------------------------

TScrollingWinControl::TScrollingWinControl(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
}

// ---- TCustomForm ------------------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner) : TScrollingWinControl(owner) {
    Init();
}

TCustomForm::TCustomForm(TComponent* owner, TCreateNew) : TScrollingWinControl(owner), createNew_(true) {
    Init();
}

void TCustomForm::Init() {
    visible_ = false;
    SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
    width_ = 320;
    height_ = 240;
    color_ = clBtnFace;
    parentColor_ = false;
    parentFont_ = false;
    Brush()->SetColor(clBtnFace);
    if (Screen)
        Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    if (Screen)
        Screen->RemoveForm(this);
    if (Application && Application->mainForm_ == this)
        Application->mainForm_ = nullptr;
}

void TCustomForm::AfterConstruction() {
    inherited::AfterConstruction();
    if (!createNew_ && ClassType() != TForm::StaticClass() && ClassType() != TCustomForm::StaticClass()) {
        formState_.Include(fsCreating);
        try {
            InitInheritedComponent(
                this, InheritsFrom(TForm::StaticClass()) ? TForm::StaticClass() : TCustomForm::StaticClass());
        } catch (...) {
            formState_.Exclude(fsCreating);
            throw;
        }
        formState_.Exclude(fsCreating);
    }
    DoCreate();
    if (formState_.Contains(fsVisible) || formStyle_ == fsMDIChild) {
        formState_.Exclude(fsVisible);
        SetVisible(true);
    }
}

void TCustomForm::BeforeDestruction() {
    if (formStyle_ != fsMDIChild && Showing()) {
        try {
            Hide();
        } catch (...) {
            ReportException(this);
        }
    }
    Destroying();
    if (created_)
        DoDestroy();
    inherited::BeforeDestruction();
}

void TCustomForm::Loaded() {
    inherited::Loaded();
    if (clientWidth_ >= 0) {
        const int value = clientWidth_;
        clientWidth_ = -1;
        SetClientWidth(value);
    }
    if (clientHeight_ >= 0) {
        const int value = clientHeight_;
        clientHeight_ = -1;
        SetClientHeight(value);
    }
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opInsert) {
        if (auto* handler = dynamic_cast<TShortCutHandler*>(component))
            shortCutHandlers_.emplace_back(component, handler);
        return;
    }
    // The component may be half destroyed already: compare addresses only.
    std::erase_if(shortCutHandlers_, [component](const auto& entry) { return entry.first == component; });
    if (static_cast<TComponent*>(activeControl_) == component)
        activeControl_ = nullptr;
    if (static_cast<TComponent*>(focusedControl_) == component)
        focusedControl_ = nullptr;
}

void TCustomForm::DoCreate() {
    created_ = true;
    if (!OnCreate)
        return;
    try {
        OnCreate(this);
    } catch (...) {
        ReportException(this);
    }
}

void TCustomForm::DoDestroy() {
    if (!OnDestroy)
        return;
    try {
        OnDestroy(this);
    } catch (...) {
        ReportException(this);
    }
}

void TCustomForm::DoShow() {
    if (OnShow)
        OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide)
        OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose)
        OnClose(this, action);
}

void TCustomForm::Activate() {
    if (OnActivate)
        OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate)
        OnDeactivate(this);
}

// ---- Showing ----------------------------------------------------------------------------------------

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::Hide() {
    SetVisible(false);
}

void TCustomForm::SetVisible(bool value) {
    if (formState_.Contains(fsCreating)) {
        if (value)
            formState_.Include(fsVisible);
        else
            formState_.Exclude(fsVisible);
        return;
    }
    if (!value && formStyle_ == fsMDIChild && Visible() && !(ComponentState() & csDestroying))
        throw EInvalidOperation("Cannot hide an MDI Child Form");
    inherited::SetVisible(value);
}

void TCustomForm::CMShowingChanged(TMessage&) {
    if (formState_.Contains(fsShowing))
        throw EInvalidOperation("Cannot change Visible in OnShow or OnHide");
    formState_.Include(fsShowing);
    try {
        if (Showing()) {
            try {
                DoShow();
            } catch (...) {
                ReportException(this);
            }
            if (handle_) {
                ApplyPosition();
                if (formStyle_ == fsMDIChild) {
                    ShowWindow(handle_, SW_SHOW);
                    HWND client = Application && Application->MainForm() ? Application->MainForm()->ClientHandle()
                                                                          : nullptr;
                    if (client) {
                        SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(handle_), 0);
                        if (windowState_ == wsMaximized)
                            SendMessageW(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(handle_), 0);
                    }
                } else {
                    const int command = windowState_ == wsMaximized   ? SW_SHOWMAXIMIZED
                                        : windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                                                                      : SW_SHOWNORMAL;
                    ShowWindow(handle_, command);
                }
            }
        } else {
            try {
                DoHide();
            } catch (...) {
                ReportException(this);
            }
            if (handle_)
                ShowWindow(handle_, SW_HIDE);
        }
    } catch (...) {
        formState_.Exclude(fsShowing);
        throw;
    }
    formState_.Exclude(fsShowing);
}

void TCustomForm::ApplyPosition() {
    if (windowState_ != wsNormal || !Screen)
        return;
    int x = left_;
    int y = top_;
    TCustomForm* mainForm = Application ? Application->MainForm() : nullptr;
    auto centerOnScreen = [&] {
        x = (Screen->Width() - width_) / 2;
        y = (Screen->Height() - height_) / 2;
    };
    switch (position_) {
    case poScreenCenter:
        if (formStyle_ == fsMDIChild && mainForm && mainForm->ClientHandle()) {
            RECT client;
            GetClientRect(mainForm->ClientHandle(), &client);
            x = (client.right - width_) / 2;
            y = (client.bottom - height_) / 2;
        } else {
            centerOnScreen();
        }
        break;
    case poDesktopCenter: {
        const TRect desktop = Screen->DesktopRect();
        x = desktop.Left + (desktop.Width() - width_) / 2;
        y = desktop.Top + (desktop.Height() - height_) / 2;
        break;
    }
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* center = mainForm;
        if (position_ == poOwnerFormCenter)
            if (auto* owner = dynamic_cast<TCustomForm*>(Owner()))
                center = owner;
        if (center && center != this && formStyle_ != fsMDIChild) {
            x = center->Left() + (center->Width() - width_) / 2;
            y = center->Top() + (center->Height() - height_) / 2;
        } else {
            centerOnScreen();
        }
        break;
    }
    default:
        return;
    }
    SetBounds(std::max(x, 0), std::max(y, 0), width_, height_);
}

TModalResult TCustomForm::ShowModal() {
    if (Visible() || !Enabled() || formState_.Contains(fsModal) || formStyle_ == fsMDIChild)
        throw EInvalidOperation("Cannot make a visible window modal");
    if (!Application)
        throw EInvalidOperation("ShowModal needs the Application object");
    if (HWND capture = GetCapture()) {
        SendMessageW(capture, WM_CANCELMODE, 0, 0);
        ReleaseCapture();
    }
    TBusyGuard busy(this);
    formState_.Include(fsModal);
    HWND activeWindow = GetActiveWindow();
    std::vector<HWND> disabled = DisableThreadWindows(nullptr);
    auto restore = [&] {
        EnableWindows(disabled);
        if (activeWindow && IsWindow(activeWindow))
            SetActiveWindow(activeWindow);
    };
    TModalResult result = mrCancel;
    try {
        Show();
        modalResult_ = mrNone;
        do {
            Application->HandleMessage();
            if (busy.Destroyed())
                break;
            if (Application->Terminated())
                modalResult_ = mrCancel;
            else if (modalResult_ != mrNone)
                CloseModal();
        } while (!busy.Destroyed() && modalResult_ == mrNone);
        if (busy.Destroyed()) {
            restore();
            return mrCancel;
        }
        result = modalResult_;
        if (GetActiveWindow() != handle_)
            activeWindow = nullptr;
        Hide();
    } catch (...) {
        if (!busy.Destroyed()) {
            formState_.Exclude(fsModal);
            try {
                Hide();
            } catch (...) {
            }
        }
        restore();
        throw;
    }
    formState_.Exclude(fsModal);
    restore();
    return result;
}

void TCustomForm::CloseModal() {
    try {
        TCloseAction action = caNone;
        if (CloseQuery()) {
            action = caHide;
            DoClose(action);
        }
        if (action == caNone)
            modalResult_ = mrNone;
        else if (action == caFree)
            Release();
    } catch (...) {
        modalResult_ = mrNone;
        ReportException(this);
    }
}

bool TCustomForm::CloseQuery() {
    if (formStyle_ == fsMDIForm) {
        for (int i = 0; i < MDIChildCount(); ++i)
            if (!MDIChildren(i)->CloseQuery())
                return false;
    }
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (formState_.Contains(fsModal)) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = caHide;
    if (formStyle_ == fsMDIChild)
        action = borderIcons_.Contains(biMinimize) ? caMinimize : caNone;
    TBusyGuard guard(this);
    DoClose(action);
    if (guard.Destroyed() || action == caNone)
        return;
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TCustomForm::Release() {
    PostMessageW(Handle(), CM_RELEASE, 0, 0);
}

// ---- Focus ------------------------------------------------------------------------------------------

void TCustomForm::SetFocus() {
    if (active_)
        return;
    if (!Visible() || !Enabled())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    SetWindowFocus();
}

void TCustomForm::SetActive(bool value) {
    active_ = value;
    if (!value)
        return;
    if (!activeControl_)
        activeControl_ = FindNextControl(nullptr, true, true, false);
    SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
    HWND target = activeControl_ ? activeControl_->Handle() : handle_;
    if (target)
        ::SetFocus(target);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (activeControl_ == control)
        return;
    const bool loading = (ComponentState() & csLoading) != 0;
    if (control && (control == this || GetParentForm(control) != this || (!loading && !control->CanFocus())))
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    activeControl_ = control;
    if (!loading && active_)
        SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* control) {
    const bool wasActive = active_;
    SetActiveControl(control);
    if (!wasActive)
        SetFocus();
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
    ++focusCount_;
    activeControl_ = control != this ? control : nullptr;
    if (Screen) {
        Screen->activeForm_ = this;
        Screen->FormActivated(this);
    }
    if (control->ControlState().Contains(csFocusing))
        return false;
    control->SetControlState(control->ControlState() + TControlState{csFocusing});
    struct TFocusingReset {
        TWinControl* Control;
        ~TFocusingReset() { Control->SetControlState(Control->ControlState() - TControlState{csFocusing}); }
    } reset{control};
    // Each notification may move the focus elsewhere; then this change is over.
    auto send = [this](HWND window, UINT msg) {
        const int count = focusCount_;
        if (window)
            SendMessageW(window, msg, 0, 0);
        return focusCount_ == count;
    };
    if (Screen && Screen->focusedForm_ != this) {
        if (TCustomForm* previous = Screen->focusedForm_) {
            Screen->focusedForm_ = nullptr;
            if (!send(previous->WindowHandle(), CM_DEACTIVATE))
                return false;
        }
        Screen->focusedForm_ = this;
        if (!send(handle_, CM_ACTIVATE))
            return false;
    }
    if (!focusedControl_)
        focusedControl_ = this;
    if (focusedControl_ != control) {
        while (focusedControl_ && !focusedControl_->ContainsControl(control)) {
            HWND window = focusedControl_->WindowHandle();
            focusedControl_ = focusedControl_->Parent();
            if (!send(window, CM_EXIT))
                return false;
        }
        while (focusedControl_ != control) {
            TWinControl* step = control;
            while (step->Parent() != focusedControl_)
                step = step->Parent();
            focusedControl_ = step;
            if (!send(step->WindowHandle(), CM_ENTER))
                return false;
        }
        Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
    }
    return true;
}

void TCustomForm::DefocusControl(TWinControl* control, bool removing) {
    if (removing && focusedControl_ && control->ContainsControl(focusedControl_))
        focusedControl_ = control->Parent();
    if (activeControl_ && control->ContainsControl(activeControl_))
        activeControl_ = nullptr;
}

void TCustomForm::SendCancelMode(TControl* sender) {
    if (active_ && activeControl_)
        activeControl_->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(sender));
    if (formStyle_ == fsMDIForm)
        if (TCustomForm* child = ActiveMDIChild())
            child->SendCancelMode(sender);
}

// ---- Properties -------------------------------------------------------------------------------------

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    if (borderStyle_ == value)
        return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
    if (borderIcons_ == value)
        return;
    borderIcons_ = value;
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
    if (formStyle_ == value)
        return;
    if (handle_ && (value == fsMDIChild || formStyle_ == fsMDIChild || value == fsMDIForm || formStyle_ == fsMDIForm))
        throw EInvalidOperation("Cannot change FormStyle of " + ClassName() + " once its window exists");
    formStyle_ = value;
    if (handle_)
        SetWindowPos(handle_, value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState value) {
    if (windowState_ == value)
        return;
    windowState_ = value;
    if (!handle_ || !Showing())
        return;
    HWND client = formStyle_ == fsMDIChild && Application && Application->MainForm()
                      ? Application->MainForm()->ClientHandle()
                      : nullptr;
    if (client && value == wsMaximized)
        SendMessageW(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(handle_), 0);
    else if (client && value == wsNormal)
        SendMessageW(client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(handle_), 0);
    else
        ShowWindow(handle_, value == wsMaximized ? SW_SHOWMAXIMIZED
                            : value == wsMinimized ? SW_MINIMIZE
                                                   : SW_SHOWNORMAL);
}

TSize TCustomForm::NonClientSize() {
    TCreateParams params;
    CreateParams(params);
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
    return TSize{r.right - r.left, r.bottom - r.top};
}

TRect TCustomForm::ClientRect() {
    // A minimised window has no client area: the restored one counts.
    if (handle_ && !IsIconic(handle_))
        return inherited::ClientRect();
    const TSize frame = NonClientSize();
    return Rect(0, 0, std::max(width_ - frame.cx, 0), std::max(height_ - frame.cy, 0));
}

void TCustomForm::SetClientWidth(int value) {
    if (ComponentState() & csLoading)
        clientWidth_ = value;
    else
        inherited::SetClientWidth(value);
}

void TCustomForm::SetClientHeight(int value) {
    if (ComponentState() & csLoading)
        clientHeight_ = value;
    else
        inherited::SetClientHeight(value);
}

// ---- MDI --------------------------------------------------------------------------------------------

int TCustomForm::MDIChildCount() const {
    if (formStyle_ != fsMDIForm || !Screen)
        return 0;
    int count = 0;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->FormStyle() == fsMDIChild)
            ++count;
    return count;
}

TCustomForm* TCustomForm::MDIChildren(int index) const {
    if (formStyle_ == fsMDIForm && Screen) {
        int seen = 0;
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (Screen->Forms(i)->FormStyle() == fsMDIChild && seen++ == index)
                return Screen->Forms(i);
    }
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

TCustomForm* TCustomForm::ActiveMDIChild() const {
    if (formStyle_ != fsMDIForm || !clientHandle_)
        return nullptr;
    auto active = reinterpret_cast<HWND>(SendMessageW(clientHandle_, WM_MDIGETACTIVE, 0, 0));
    return dynamic_cast<TCustomForm*>(FindControl(active));
}

// ---- Short-cuts -------------------------------------------------------------------------------------

bool TCustomForm::IsShortCut(const TWMKey& message) {
    bool handled = false;
    if (OnShortCut)
        OnShortCut(message, handled);
    if (handled)
        return true;
    const auto handlers = shortCutHandlers_;
    for (const auto& entry : handlers)
        if (entry.second->IsShortCut(message))
            return true;
    return false;
}

void TCustomForm::AddShortCutHandler(TShortCutHandler* handler) {
    if (handler)
        shortCutHandlers_.emplace_back(nullptr, handler);
}

void TCustomForm::RemoveShortCutHandler(TShortCutHandler* handler) {
    std::erase_if(shortCutHandlers_, [handler](const auto& entry) { return entry.second == handler; });
}

// ---- Window -----------------------------------------------------------------------------------------

void TCustomForm::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_GROUP | WS_TABSTOP);
    params.WndParent = parentWindow_;
    params.WindowClass.style = CS_DBLCLKS;
    params.WindowClass.hIcon = LoadIconW(params.WindowClass.hInstance, L"MAINICON");
    switch (borderStyle_) {
    case bsNone: params.Style |= WS_POPUP; break;
    case bsSingle: params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION;
        params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        params.Style |= WS_CAPTION | WS_BORDER;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        params.Style |= WS_CAPTION | WS_THICKFRAME;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (borderStyle_ != bsNone && borderIcons_.Contains(biSystemMenu))
        params.Style |= WS_SYSMENU;
    if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
        if (borderIcons_.Contains(biMinimize))
            params.Style |= WS_MINIMIZEBOX;
        if (borderIcons_.Contains(biMaximize))
            params.Style |= WS_MAXIMIZEBOX;
    }
    if (borderStyle_ == bsDialog && borderIcons_.Contains(biHelp))
        params.ExStyle |= WS_EX_CONTEXTHELP;
    if (formStyle_ == fsMDIChild) {
        params.Style |= WS_CHILD;
        if (Application && Application->MainForm())
            params.WndParent = Application->MainForm()->ClientHandle();
    }
    if (formStyle_ == fsStayOnTop)
        params.ExStyle |= WS_EX_TOPMOST;
    if (position_ == poDefault || position_ == poDefaultPosOnly) {
        params.X = CW_USEDEFAULT;
        params.Y = CW_USEDEFAULT;
    }
    if (position_ == poDefault || position_ == poDefaultSizeOnly) {
        params.Width = CW_USEDEFAULT;
        params.Height = CW_USEDEFAULT;
    }
}

void TCustomForm::CreateWnd() {
    inherited::CreateWnd();
    if (formStyle_ != fsMDIForm)
        return;
    CLIENTCREATESTRUCT clientCreate{nullptr, 0xFF00};
    RECT client;
    GetClientRect(handle_, &client);
    clientHandle_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                    WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | WS_CLIPCHILDREN | WS_HSCROLL |
                                        WS_VSCROLL | WS_CLIPSIBLINGS | MDIS_ALLCHILDSTYLES,
                                    0, 0, client.right, client.bottom, handle_, nullptr, GetModuleHandleW(nullptr),
                                    &clientCreate);
    if (!clientHandle_)
        VLOG_ERROR(LogForms, "%s: cannot make the MDI client window (error %lu)", ClassName().c_str(),
                   GetLastError());
    Realign();
}

void TCustomForm::CreateWindowHandle(const TCreateParams& params) {
    if (formStyle_ != fsMDIChild) {
        inherited::CreateWindowHandle(params);
        return;
    }
    TCustomForm* mainForm = Application ? Application->MainForm() : nullptr;
    if (!mainForm || mainForm == this || !mainForm->ClientHandle())
        throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
    const std::wstring caption = ToWide(params.Caption);
    MDICREATESTRUCTW create{};
    create.szClass = params.WinClassName.c_str();
    create.szTitle = caption.c_str();
    create.hOwner = params.WindowClass.hInstance;
    create.x = params.X;
    create.y = params.Y;
    create.cx = params.Width;
    create.cy = params.Height;
    create.style = params.Style & ~static_cast<DWORD>(WS_VISIBLE);
    create.lParam = reinterpret_cast<LPARAM>(params.Param);
    HWND window;
    {
        TCreationScope scope(this);
        window = reinterpret_cast<HWND>(
            SendMessageW(mainForm->ClientHandle(), WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
    }
    if (!window)
        throw EInvalidOperation("Error creating window of " + ClassName() + " (MDI child)");
    if (handle_ != window)
        AttachHandle(window);
    formState_.Include(fsCreatedMDIChild);
}

void TCustomForm::DestroyWindowHandle() {
    clientHandle_ = nullptr;
    if (!formState_.Contains(fsCreatedMDIChild)) {
        inherited::DestroyWindowHandle();
        return;
    }
    formState_.Exclude(fsCreatedMDIChild);
    HWND client = GetParent(handle_);
    if (client && IsWindow(client))
        SendMessageW(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(handle_), 0);
    if (handle_)
        inherited::DestroyWindowHandle();
}

void TCustomForm::DefaultHandler(TMessage& m) {
    if (!handle_) {
        inherited::DefaultHandler(m);
        return;
    }
    if (clientHandle_) {
        m.Result = m.Msg == WM_SIZE ? DefWindowProcW(handle_, m.Msg, m.WParam, m.LParam)
                                    : DefFrameProcW(handle_, clientHandle_, m.Msg, m.WParam, m.LParam);
        return;
    }
    if (formStyle_ == fsMDIChild && formState_.Contains(fsCreatedMDIChild)) {
        m.Result = DefMDIChildProcW(handle_, m.Msg, m.WParam, m.LParam);
        return;
    }
    inherited::DefaultHandler(m);
}

void TCustomForm::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_CLOSE: return WMClose(m);
    case WM_ACTIVATE: return WMActivate(m, LOWORD(m.WParam) != WA_INACTIVE);
    case WM_MDIACTIVATE: return WMMDIActivate(m);
    case WM_SIZE: return WMSize(m);
    case WM_QUERYENDSESSION:
        m.Result = CloseQuery() ? TRUE : FALSE;
        return;
    case WM_NCDESTROY:
        clientHandle_ = nullptr;
        break;
    case CM_ACTIVATE: return CMActivate(m);
    case CM_DEACTIVATE: return CMDeactivate(m);
    case CM_RELEASE:
        FreeWhenIdle(this);
        return;
    default:
        break;
    }
    inherited::Dispatch(m);
}

void TCustomForm::WMClose(TMessage&) {
    Close();
}

void TCustomForm::WMActivate(TMessage& m, bool active) {
    if (formStyle_ == fsMDIForm) {
        DefaultHandler(m);
        return;
    }
    SetActive(active);
}

void TCustomForm::WMMDIActivate(TMessage& m) {
    DefaultHandler(m);
    if (formStyle_ == fsMDIChild)
        SetActive(reinterpret_cast<HWND>(m.LParam) == handle_);
}

void TCustomForm::WMSize(TMessage& m) {
    if (Showing()) {
        switch (m.WParam) {
        case SIZE_MAXIMIZED: windowState_ = wsMaximized; break;
        case SIZE_MINIMIZED: windowState_ = wsMinimized; break;
        case SIZE_RESTORED: windowState_ = wsNormal; break;
        default: break;
        }
    }
    inherited::WMSize(m);
}

void TCustomForm::CMActivate(TMessage&) {
    Activate();
}

void TCustomForm::CMDeactivate(TMessage&) {
    Deactivate();
}

void TCustomForm::CMDialogKey(TMessage& m) {
    if (GetKeyState(VK_MENU) >= 0) {
        switch (m.WParam) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
                m.Result = 1;
                return;
            }
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (activeControl_ && activeControl_->Parent()) {
                activeControl_->Parent()->SelectNext(activeControl_, m.WParam == VK_RIGHT || m.WParam == VK_DOWN,
                                                     false);
                m.Result = 1;
            }
            return;
        default:
            break;
        }
    }
    inherited::CMDialogKey(m);
}

void TCustomForm::AlignControls(TControl* control, TRect& rect) {
    inherited::AlignControls(control, rect);
    if (clientHandle_)
        SetWindowPos(clientHandle_, nullptr, rect.Left, rect.Top, std::max(rect.Width(), 0),
                     std::max(rect.Height(), 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCustomForm::SetZOrder(bool topMost) {
    if (!handle_)
        return;
    if (formStyle_ == fsMDIChild) {
        HWND client = GetParent(handle_);
        if (topMost && client)
            SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(handle_), 0);
        else
            SetWindowPos(handle_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    SetWindowPos(handle_, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// ---- TDataModule ------------------------------------------------------------------------------------

TDataModule::TDataModule(TComponent* owner) : TComponent(owner) {
    if (Screen)
        Screen->dataModules_.push_back(this);
}

TDataModule::TDataModule(TComponent* owner, TCreateNew) : TDataModule(owner) {
    createNew_ = true;
}

TDataModule::~TDataModule() {
    if (Screen)
        std::erase(Screen->dataModules_, this);
}

void TDataModule::AfterConstruction() {
    inherited::AfterConstruction();
    if (!createNew_ && ClassType() != TDataModule::StaticClass())
        InitInheritedComponent(this, TDataModule::StaticClass());
    created_ = true;
    if (!OnCreate)
        return;
    try {
        OnCreate(this);
    } catch (...) {
        ReportException(this);
    }
}

void TDataModule::BeforeDestruction() {
    inherited::BeforeDestruction();
    if (!created_ || !OnDestroy)
        return;
    try {
        OnDestroy(this);
    } catch (...) {
        ReportException(this);
    }
}

// ---- TApplication -----------------------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
    InstallSystemLocaleTextRules();
    title_ = BaseNameWithoutExtension(ExeName());
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(instance, kApplicationClass, &windowClass)) {
        windowClass = WNDCLASSEXW{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ApplicationWndProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconW(instance, L"MAINICON");
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kApplicationClass;
        if (!RegisterClassExW(&windowClass))
            VLOG_ERROR(LogForms, "cannot register the application window class (error %lu)", GetLastError());
    }
    handle_ = CreateWindowExW(0, kApplicationClass, ToWide(title_).c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                              nullptr, nullptr, instance, nullptr);
    if (!handle_)
        VLOG_ERROR(LogForms, "cannot make the application window (error %lu)", GetLastError());
}

TApplication::~TApplication() {
    // The forms go while the application is whole: their destructors ask it about the main form.
    DestroyComponents();
    mainForm_ = nullptr;
    if (hintWindow_)
        DestroyWindow(hintWindow_);
    if (handle_)
        DestroyWindow(handle_);
}

void TApplication::FormCreated(TComponent* instance) {
    if (mainForm_)
        return;
    if (auto* form = dynamic_cast<TCustomForm*>(instance)) {
        form->HandleNeeded();
        mainForm_ = form;
    }
}

void TApplication::Run() {
    if (!mainForm_)
        return;
    if (showMainForm_) {
        if (mainForm_->WindowState() == wsMinimized)
            ShowWindow(mainForm_->Handle(), SW_SHOWMINNOACTIVE);
        mainForm_->SetVisible(true);
    }
    while (!terminated_) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
}

void TApplication::Terminate() {
    PostQuitMessage(0);
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg))
        Idle();
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    bool handled = false;
    if (OnMessage)
        OnMessage(msg, handled);
    if (!handled && !IsMDIMsg(msg) && !IsKeyMsg(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    FreeIdleControls();
    return true;
}

void TApplication::Idle() {
    bool done = true;
    try {
        if (OnIdle)
            OnIdle(this, done);
    } catch (...) {
        HandleException(this);
    }
    FreeDeviceContexts();
    FreeIdleControls();
    if (done)
        WaitMessage();
}

bool TApplication::IsKeyMsg(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST)
        return false;
    HWND window = GetCapture();
    if (!window) {
        window = msg.hwnd;
        if (mainForm_ && mainForm_->ClientHandle() && window == mainForm_->ClientHandle()) {
            window = mainForm_->WindowHandle();
        } else {
            while (window && !FindControl(window))
                window = GetParent(window);
            if (!window)
                return false;
        }
    }
    return SendMessageW(window, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TApplication::IsMDIMsg(MSG& msg) {
    if (!mainForm_ || mainForm_->FormStyle() != fsMDIForm || !mainForm_->ClientHandle() || !Screen)
        return false;
    TCustomForm* active = Screen->ActiveForm();
    return active && active->FormStyle() == fsMDIChild && TranslateMDISysAccel(mainForm_->ClientHandle(), &msg);
}

bool TApplication::IsShortCut(const TWMKey& message, TCustomForm* asked) {
    bool handled = false;
    if (OnShortCut)
        OnShortCut(message, handled);
    if (handled)
        return true;
    return mainForm_ && mainForm_ != asked && mainForm_->HandleAllocated() &&
           IsWindowEnabled(mainForm_->WindowHandle()) && mainForm_->IsShortCut(message);
}

// ---- Hints ----

namespace {

// The tool of a control's window in the tool-tip window: the window itself, its mouse messages
// relayed by the control layer; the mouse passes through the tip to the window below.
TTTOOLINFOW HintTool(HWND window) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_TRANSPARENT;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    return tool;
}

}  // namespace

void TApplication::SetShowHint(bool value) {
    showHint_ = value;
    if (hintWindow_)
        SendMessageW(hintWindow_, TTM_ACTIVATE, value ? TRUE : FALSE, 0);
}

void TApplication::HintChanged(TWinControl* control) {
    if (!control || !control->HandleAllocated())
        return;
    // The short hint: the text before a "|".
    const String& hint = control->Hint();
    const String text = hint.substr(0, hint.find('|'));
    const bool wanted = control->ShowHint() && !text.empty();
    if (!hintWindow_) {
        if (!wanted)
            return;
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&init);
        // Layered and transparent: the mouse goes through the tip to whatever window is below it
        // (a tool's TTF_TRANSPARENT alone passes it only to the tip's owner).
        hintWindow_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TRANSPARENT, TOOLTIPS_CLASSW, nullptr,
                                      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, handle_, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!hintWindow_) {  // the program goes on without hints
            VLOG_ERROR(LogForms, "cannot make the hint window (error %lu)", GetLastError());
            return;
        }
        SetLayeredWindowAttributes(hintWindow_, 0, 255, LWA_ALPHA);
        SendMessageW(hintWindow_, TTM_ACTIVATE, showHint_ ? TRUE : FALSE, 0);
    }
    TTTOOLINFOW tool = HintTool(control->Handle());
    SendMessageW(hintWindow_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!wanted)
        return;
    std::wstring wide = ToWide(text);
    tool.lpszText = wide.data();
    SendMessageW(hintWindow_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TApplication::RemoveHint(HWND window) {
    if (!hintWindow_ || !window)
        return;
    TTTOOLINFOW tool = HintTool(window);
    SendMessageW(hintWindow_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TApplication::RelayHintMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!hintWindow_)
        return;
    MSG relayed{};
    relayed.hwnd = window;
    relayed.message = msg;
    relayed.wParam = wParam;
    relayed.lParam = lParam;
    relayed.time = static_cast<DWORD>(GetMessageTime());
    GetCursorPos(&relayed.pt);
    SendMessageW(hintWindow_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

int TApplication::MessageBox(const String& text, const String& caption, UINT flags) {
    HWND active = GetActiveWindow();
    const std::vector<HWND> disabled = DisableThreadWindows(nullptr);
    int result;
    try {
        result = ShowMessageBox(handle_, text, caption, flags);
    } catch (...) {
        EnableWindows(disabled);
        throw;
    }
    EnableWindows(disabled);
    if (active && IsWindow(active))
        SetActiveWindow(active);
    return result;
}

void TApplication::HandleException(TObject* sender) {
    std::exception_ptr current = std::current_exception();
    if (!current)
        return;
    auto report = [&](Exception& e) {
        try {
            if (OnException)
                OnException(sender, e);
            else
                ShowException(e);
        } catch (const std::exception& inner) {
            VLOG_ERROR(LogForms, "exception while reporting \"%s\": %s", e.Message.c_str(), inner.what());
        } catch (...) {
            VLOG_ERROR(LogForms, "exception while reporting \"%s\"", e.Message.c_str());
        }
    };
    try {
        std::rethrow_exception(current);
    } catch (const EAbort&) {
    } catch (Exception& e) {
        report(e);
    } catch (const std::exception& e) {
        Exception wrapped(e.what());
        report(wrapped);
    } catch (...) {
        Exception wrapped("Unknown exception");
        report(wrapped);
    }
}

void TApplication::ShowException(const Exception& e) {
    String text = e.Message;
    // A message that does not end in a full stop (or another mark below it) gets one.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

String TApplication::ExeName() const {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return String();
        if (length < buffer.size())
            return FromWide(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

void TApplication::SetTitle(const String& value) {
    title_ = value;
    if (handle_)
        SetWindowTextW(handle_, ToWide(value).c_str());
}

// ---- TScreen ----------------------------------------------------------------------------------------

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

TScreen::~TScreen() {
    for (auto& entry : cursors_)
        if (entry.second)
            DestroyCursor(entry.second);
}

TCustomForm* TScreen::Forms(int index) const {
    if (index < 0 || index >= FormCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return forms_[static_cast<std::size_t>(index)];
}

TDataModule* TScreen::DataModules(int index) const {
    if (index < 0 || index >= DataModuleCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return dataModules_[static_cast<std::size_t>(index)];
}

TWinControl* TScreen::ActiveControl() const {
    return activeForm_ ? activeForm_->ActiveControl() : nullptr;
}

void TScreen::AddForm(TCustomForm* form) {
    forms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
    std::erase(forms_, form);
    if (activeForm_ == form)
        activeForm_ = nullptr;
    if (focusedForm_ == form)
        focusedForm_ = nullptr;
}

void TScreen::FormActivated(TCustomForm* form) {
    auto it = std::find(forms_.begin(), forms_.end(), form);
    if (it == forms_.end() || it == forms_.begin())
        return;
    forms_.erase(it);
    forms_.insert(forms_.begin(), form);
}

void TScreen::SetCursor(TCursor value) {
    if (cursor_ == value)
        return;
    cursor_ = value;
    if (value == crDefault) {
        // The window under the mouse chooses again.
        POINT p;
        GetCursorPos(&p);
        HWND window = WindowFromPoint(p);
        if (window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
            const LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
            SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(hit, WM_MOUSEMOVE));
            return;
        }
    }
    ::SetCursor(Cursors(value));
}

HCURSOR TScreen::Cursors(TCursor index) const {
    for (const auto& entry : cursors_)
        if (entry.first == index)
            return entry.second;
    const wchar_t* id = IDC_ARROW;
    switch (index) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: case crSQLWait: id = IDC_WAIT; break;
    case crNoDrop: case crNo: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: break;
    }
    return LoadCursorW(nullptr, id);
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor) {
    for (auto& entry : cursors_)
        if (entry.first == index) {
            if (entry.second && entry.second != cursor)
                DestroyCursor(entry.second);
            entry.second = cursor;
            return;
        }
    cursors_.emplace_back(index, cursor);
}

int TScreen::Width() const {
    return GetSystemMetrics(SM_CXSCREEN);
}

int TScreen::Height() const {
    return GetSystemMetrics(SM_CYSCREEN);
}

int TScreen::PixelsPerInch() const {
    return GetDeviceCaps(ScreenCompatibleDC(), LOGPIXELSY);
}

TRect TScreen::DesktopRect() const {
    return Bounds(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                  GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

TRect TScreen::WorkAreaRect() const {
    RECT r;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0))
        return Rect(0, 0, Width(), Height());
    return FromWinRect(r);
}

HMONITOR TScreen::MonitorFromWindow(HWND window) const {
    return ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
}

HMONITOR TScreen::MonitorFromPoint(TPoint point) const {
    return ::MonitorFromPoint(POINT{point.X, point.Y}, MONITOR_DEFAULTTONEAREST);
}

// ---- Unit start and end -----------------------------------------------------------------------------

namespace {

void RegisterFormsClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterControlsClasses();
    RegisterComponentClass<TForm>();
    RegisterComponentClass<TDataModule>();
    RegisterProperties<TScrollingWinControl>().Bool("AutoScroll", &TScrollingWinControl::AutoScroll,
                                                    &TScrollingWinControl::SetAutoScroll);
    RegisterProperties<TCustomForm>()
        .Enum("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle,
              {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})
        .Set("BorderIcons", [](TCustomForm& f) { return f.BorderIcons().Bits(); },
             [](TCustomForm& f, std::uint32_t bits) { f.SetBorderIcons(TBorderIcons::FromBits(bits)); },
             {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"})
        .Enum("Position", &TCustomForm::Position, &TCustomForm::SetPosition,
              {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
               "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"})
        .Enum("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle,
              {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"})
        .Enum("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState,
              {"wsNormal", "wsMinimized", "wsMaximized"})
        .Bool("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview)
        .Int("ClientWidth", [](TCustomForm& f) { return f.ClientWidth(); }, &TCustomForm::SetClientWidth)
        .Int("ClientHeight", [](TCustomForm& f) { return f.ClientHeight(); }, &TCustomForm::SetClientHeight)
        .Int("ModalResult", &TCustomForm::ModalResult, &TCustomForm::SetModalResult)
        .Component("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
        .Event("OnCreate", &TCustomForm::OnCreate)
        .Event("OnDestroy", &TCustomForm::OnDestroy)
        .Event("OnShow", &TCustomForm::OnShow)
        .Event("OnHide", &TCustomForm::OnHide)
        .Event("OnActivate", &TCustomForm::OnActivate)
        .Event("OnDeactivate", &TCustomForm::OnDeactivate)
        .Event("OnClose", &TCustomForm::OnClose)
        .Event("OnCloseQuery", &TCustomForm::OnCloseQuery)
        .Event("OnShortCut", &TCustomForm::OnShortCut);
    RegisterProperties<TDataModule>()
        .Event("OnCreate", &TDataModule::OnCreate)
        .Event("OnDestroy", &TDataModule::OnDestroy);
}

}  // namespace

void FormsInitialization() {
    RegisterFormsClasses();
    if (!Screen)
        Screen = New<TScreen>(nullptr);
    if (!Application)
        Application = New<TApplication>(nullptr);
}

void FormsFinalization() {
    if (Application) {
        Application->Free();
        Application = nullptr;
    }
    if (Screen) {
        Screen->Free();
        Screen = nullptr;
    }
}
