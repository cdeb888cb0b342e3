// TWinControl: window creation and destruction, bounds, children and alignment, showing, focus and
// tab order.
#include "Controls.h"

#include "FormReader.h"
#include "Forms.h"
#include "ControlsInternal.h"

#include <commctrl.h>

#include <algorithm>

using namespace controls_internal;

// ---- TWinControl ------------------------------------------------------------------------------------

TWinControl::TCreationScope::TCreationScope(TWinControl* control) : previous_(tCreating) {
    tCreating = control;
}

TWinControl::TCreationScope::~TCreationScope() {
    tCreating = previous_;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(std::make_unique<TBrush>()) {
    brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
    if (Parent())
        RemoveFocus(true);
    if (handle_) {
        // Freed without Free: the window no longer reaches this half-destroyed object and runs
        // its default procedure while it is destroyed (the children's windows go with it).
        HWND window = handle_;
        DetachHandle();
        DestroyWindow(window);
    }
    // Children that nobody freed yet go with their parent.
    while (!controls_.empty()) {
        TControl* child = controls_.back();
        RemoveControl(child);
        child->Free();
    }
    if (Parent())
        Parent()->RemoveControl(this);
}

void TWinControl::BeforeDestruction() {
    inherited::BeforeDestruction();
    if (Parent())
        RemoveFocus(true);
    if (handle_)
        DestroyHandle();
}

void TWinControl::ReadState(TReader& reader) {
    DisableAlign();
    try {
        inherited::ReadState(reader);
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
}

void TWinControl::Loaded() {
    inherited::Loaded();
    FixupTabList();
    Realign();
    UpdateControlState();
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_)
        return;
    if (Parent())
        Parent()->HandleNeeded();
    CreateHandle();
}

void TWinControl::RecreateWnd() {
    if (handle_)
        Perform(CM_RECREATEWND);
}

void TWinControl::SetParentWindow(HWND value) {
    if (Parent() || parentWindow_ == value)
        return;
    if (handle_ && parentWindow_ && value) {
        ::SetParent(handle_, value);
        parentWindow_ = value;
        return;
    }
    DestroyHandle();
    parentWindow_ = value;
    UpdateControlState();
}

void TWinControl::AttachHandle(HWND window) {
    handle_ = window;
    RemovePropW(window, kDefProcProperty);
    if (!SetPropW(window, ControlProperty(), this))
        VLOG_ERROR(LogControls, "SetProp on the window of %s failed: %s", ControlDisplayName(this).c_str(),
                   LastErrorText(GetLastError()).c_str());
}

void TWinControl::DetachHandle() {
    if (!handle_)
        return;
    RemovePropW(handle_, ControlProperty());
    SetPropW(handle_, kDefProcProperty, reinterpret_cast<HANDLE>(defWndProc_ ? defWndProc_ : DefWindowProcW));
    handle_ = nullptr;
    showing_ = false;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params = TCreateParams();
    params.Caption = text_;
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (ControlStyle().Contains(csAcceptsControls)) {
        params.Style |= WS_CLIPCHILDREN;
        params.ExStyle |= WS_EX_CONTROLPARENT;
    }
    if (!Enabled())
        params.Style |= WS_DISABLED;
    if (tabStop_)
        params.Style |= WS_TABSTOP;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.WndParent = Parent() ? Parent()->Handle() : parentWindow_;
    params.WindowClass.cbSize = sizeof(WNDCLASSEXW);
    params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    params.WindowClass.lpfnWndProc = DefWindowProcW;
    params.WindowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    params.WindowClass.hbrBackground = nullptr;
    params.WindowClass.hInstance = ModuleInstance();
    params.WinClassName = ToWide(ClassName());
}

void TWinControl::CreateSubClass(TCreateParams& params, const wchar_t* controlClassName) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    if (!GetClassInfoExW(ModuleInstance(), controlClassName, &info) &&
        !GetClassInfoExW(nullptr, controlClassName, &info)) {
        // The common controls register their classes on demand.
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                                    ICC_USEREX_CLASSES | ICC_COOL_CLASSES |
                                                                    ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&init);
        if (!GetClassInfoExW(nullptr, controlClassName, &info))
            throw EInvalidOperation("Window class " + FromWide(controlClassName) + " not found");
    }
    const HCURSOR cursor = params.WindowClass.hCursor;
    params.WindowClass = info;
    params.WindowClass.cbSize = sizeof(WNDCLASSEXW);
    params.WindowClass.hInstance = ModuleInstance();
    params.WindowClass.style &= ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS);
    params.WindowClass.lpszClassName = nullptr;
    params.WindowClass.lpszMenuName = nullptr;
    if (!params.WindowClass.hCursor)
        params.WindowClass.hCursor = cursor;
}

namespace {

void RegisterWindowClass(const TCreateParams& params) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    const HINSTANCE instance = params.WindowClass.hInstance;
    if (GetClassInfoExW(instance, params.WinClassName.c_str(), &existing)) {
        if (existing.lpfnWndProc == ControlWndProc)
            return;
        UnregisterClassW(params.WinClassName.c_str(), instance);
    }
    WNDCLASSEXW windowClass = params.WindowClass;
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ControlWndProc;
    windowClass.lpszClassName = params.WinClassName.c_str();
    if (!RegisterClassExW(&windowClass))
        throw EInvalidOperation("Cannot register the window class " + FromWide(params.WinClassName.c_str()) +
                                ": " + LastErrorText(GetLastError()));
}

}  // namespace

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.WndParent)
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    if (!ControlStyle().Contains(csDoubleClicks))
        params.WindowClass.style &= ~CS_DBLCLKS;
    defWndProc_ = params.WindowClass.lpfnWndProc ? params.WindowClass.lpfnWndProc : DefWindowProcW;
    RegisterWindowClass(params);
    CreateWindowHandle(params);
    if (!handle_)
        throw EInvalidOperation("Error creating window of " + ControlDisplayName(this));
    text_.clear();
    UpdateBounds();
    Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
    const std::wstring caption = ToWide(params.Caption);
    HMENU id = nullptr;
    if (params.Style & WS_CHILD) {
        if (!controlId_)
            controlId_ = NextControlId();
        id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId_));
    }
    HWND window;
    {
        TCreationScope scope(this);
        window = CreateWindowExW(params.ExStyle, params.WinClassName.c_str(), caption.c_str(), params.Style, params.X,
                                 params.Y, params.Width, params.Height, params.WndParent, id,
                                 params.WindowClass.hInstance, params.Param);
    }
    if (!window) {
        const DWORD error = GetLastError();
        handle_ = nullptr;
        throw EInvalidOperation("Error creating window of " + ControlDisplayName(this) + ": " + LastErrorText(error));
    }
    if (handle_ != window)
        AttachHandle(window);  // the window sent no message while it was made
}

void TWinControl::DestroyWnd() {
    if (!(ComponentState() & csDestroying))
        text_ = Text();
    if (handle_ && Application)
        Application->RemoveHint(handle_);
    if (handle_)
        DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    SetControlState(ControlState() + TControlState{csDestroyingHandle});
    HWND window = handle_;
    if (window && !DestroyWindow(window))
        VLOG_ERROR(LogControls, "DestroyWindow for %s failed: %s", ControlDisplayName(this).c_str(),
                   LastErrorText(GetLastError()).c_str());
    if (handle_ == window && handle_)
        DetachHandle();  // DestroyWindow failed: let go of it anyway
    handle_ = nullptr;
    showing_ = false;
    SetControlState(ControlState() - TControlState{csDestroyingHandle});
}

void TWinControl::CreateHandle() {
    if (handle_)
        return;
    CreateWnd();
    SetZOrderPosition();
    if (Application)
        Application->HintChanged(this);
}

void TWinControl::DestroyHandle() {
    if (!handle_)
        return;
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (auto* win = dynamic_cast<TWinControl*>(controls_[i]))
            win->DestroyHandle();
    DestroyWnd();
}

HWND TWinControl::PrecedingWindow(TWinControl* control) const {
    auto it = std::find(controls_.begin(), controls_.end(), control);
    if (it == controls_.end())
        return HWND_TOP;
    for (++it; it != controls_.end(); ++it)
        if (auto* win = dynamic_cast<TWinControl*>(*it); win && win->handle_)
            return win->handle_;
    return HWND_TOP;
}

void TWinControl::SetZOrderPosition() {
    if (!Parent() || !handle_)
        return;
    SetWindowPos(handle_, Parent()->PrecedingWindow(this), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::UpdateBounds() {
    if (!handle_)
        return;
    RECT r;
    if (IsIconic(handle_)) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(handle_, &placement);
        r = placement.rcNormalPosition;
    } else {
        GetWindowRect(handle_, &r);
        if (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_CHILD) {
            if (HWND parent = GetParent(handle_))
                MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        }
    }
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    if (handle_ && !IsIconic(handle_)) {
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (handle_)
            UpdateBounds();
    } else {
        const bool sized = width != width_ || height != height_;
        left_ = left;
        top_ = top;
        width_ = width;
        height_ = height;
        if (handle_) {
            WINDOWPLACEMENT placement{};
            placement.length = sizeof placement;
            GetWindowPlacement(handle_, &placement);
            placement.rcNormalPosition = RECT{left, top, left + width, top + height};
            SetWindowPlacement(handle_, &placement);
        } else if (sized) {
            Realign();
        }
    }
    RequestAlign();
}

TRect TWinControl::ClientRect() {
    if (handle_) {
        RECT r;
        GetClientRect(handle_, &r);
        return FromWinRect(r);
    }
    return Rect(0, 0, width_, height_);
}

TPoint TWinControl::ClientOrigin() {
    if (handle_) {
        POINT p{0, 0};
        ::ClientToScreen(handle_, &p);
        return Point(p.x, p.y);
    }
    if (Parent()) {
        const TPoint origin = Parent()->ClientOrigin();
        return Point(origin.X + left_, origin.Y + top_);
    }
    return Point(left_, top_);
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (!handle_) {
        inherited::DefaultHandler(m);
        return;
    }
    m.Result = CallWindowProcW(defWndProc_ ? defWndProc_ : DefWindowProcW, handle_, m.Msg, m.WParam, m.LParam);
}

void TWinControl::Invalidate() {
    Perform(CM_INVALIDATE);
}

void TWinControl::Update() {
    if (handle_)
        UpdateWindow(handle_);
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return controls_[static_cast<std::size_t>(index)];
}

void TWinControl::InsertControl(TControl* control) {
    if (!control || control->parent_ == this)
        return;
    controls_.push_back(control);
    control->parent_ = this;
    if (auto* win = dynamic_cast<TWinControl*>(control))
        tabList_.push_back(win);
    if (!(control->ComponentState() & csReading)) {
        control->Perform(CM_PARENTCOLORCHANGED);
        control->Perform(CM_PARENTFONTCHANGED);
        control->Perform(CM_PARENTSHOWHINTCHANGED);
        if (auto* win = dynamic_cast<TWinControl*>(control))
            win->UpdateControlState();
        else
            control->Invalidate();
        AlignControl(control);
    }
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
    if (!control || control->parent_ != this)
        return;
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        win->RemoveFocus(true);
        win->DestroyHandle();
    } else {
        control->InvalidateRectInParent(control->BoundsRect());
    }
    tabList_.erase(std::remove_if(tabList_.begin(), tabList_.end(),
                                  [control](TWinControl* w) { return static_cast<TControl*>(w) == control; }),
                   tabList_.end());
    EraseValue(controls_, control);
    control->parent_ = nullptr;
    if (!(ComponentState() & csDestroying)) {
        Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 0);
        Realign();
    }
}

bool TWinControl::ContainsControl(TControl* control) const {
    for (; control; control = control->Parent())
        if (control == this)
            return true;
    return false;
}

TControl* TWinControl::ControlAtPos(TPoint pos, bool allowDisabled, bool allowWinControls) {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (!allowWinControls && dynamic_cast<TWinControl*>(c))
            continue;
        if (!c->Visible() || (!allowDisabled && !c->Enabled()))
            continue;
        const TPoint local = Point(pos.X - c->Left(), pos.Y - c->Top());
        if (c->BoundsRect().Contains(pos)) {
            if (c->Perform(CM_HITTEST, 0, PointToLParam(local.X, local.Y)) != 0)
                return c;
        }
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        controls_[i]->WindowProc(message);
        if (message.Result != 0)
            return;
    }
}

void TWinControl::NotifyControls(UINT msg) {
    TMessage m{msg, 0, 0, 0};
    for (std::size_t i = 0; i < controls_.size(); ++i)
        controls_[i]->WindowProc(m);
}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0)
        --alignDisabled_;
    if (alignDisabled_ == 0 && ControlState().Contains(csAlignmentNeeded))
        Realign();
}

void TWinControl::AlignControl(TControl* control) {
    if ((ComponentState() & (csLoading | csDestroying)) || alignDisabled_ > 0) {
        SetControlState(ControlState() + TControlState{csAlignmentNeeded});
        return;
    }
    if (aligning_)
        return;
    aligning_ = true;
    try {
        TRect rect = ClientRect();
        AlignControls(control, rect);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
    SetControlState(ControlState() - TControlState{csAlignmentNeeded});
}

namespace {

// True when `a` goes before `b` among the controls of `align`.
bool InsertBefore(const TControl* a, const TControl* b, TAlign align) {
    switch (align) {
    case alTop: return a->Top() < b->Top();
    case alBottom: return a->Top() + a->Height() > b->Top() + b->Height();
    case alLeft: return a->Left() < b->Left();
    case alRight: return a->Left() + a->Width() > b->Left() + b->Width();
    default: return false;
    }
}

}  // namespace

void TWinControl::AlignControls(TControl* control, TRect& rect) {
    AdjustClientRect(rect);
    static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign align : kOrder) {
        std::vector<TControl*> list;
        if (control && control->Align() == align && control->Visible() && control->Parent() == this)
            list.push_back(control);
        for (TControl* c : controls_) {
            if (c == control || c->Align() != align || !c->Visible())
                continue;
            std::size_t j = 0;
            while (j < list.size() && !InsertBefore(c, list[j], align))
                ++j;
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
        }
        for (TControl* c : list)
            DoPosition(c, align, rect);
    }
}

void TWinControl::DoPosition(TControl* control, TAlign align, TRect& rect) {
    const int width = std::max(rect.Width(), 0);
    const int height = std::max(rect.Height(), 0);
    switch (align) {
    case alTop:
        control->SetBounds(rect.Left, rect.Top, width, control->Height());
        rect.Top += control->Height();
        break;
    case alBottom:
        control->SetBounds(rect.Left, rect.Bottom - control->Height(), width, control->Height());
        rect.Bottom -= control->Height();
        break;
    case alLeft:
        control->SetBounds(rect.Left, rect.Top, control->Width(), height);
        rect.Left += control->Width();
        break;
    case alRight:
        control->SetBounds(rect.Right - control->Width(), rect.Top, control->Width(), height);
        rect.Right -= control->Width();
        break;
    case alClient:
        control->SetBounds(rect.Left, rect.Top, width, height);
        break;
    default:
        break;
    }
}

void TWinControl::UpdateShowing() {
    UpdateShowingTree(!Parent() || Parent()->Showing());
}

void TWinControl::UpdateShowingTree(bool parentShows) {
    const bool show = Visible() && parentShows && !ControlState().Contains(csReadingState);
    if (show) {
        if (!handle_)
            CreateHandle();
        for (std::size_t i = 0; i < controls_.size(); ++i)
            if (auto* win = dynamic_cast<TWinControl*>(controls_[i]))
                win->UpdateShowingTree(true);
    }
    if (handle_ && showing_ != show) {
        showing_ = show;
        try {
            Perform(CM_SHOWINGCHANGED, show ? 1 : 0);
        } catch (...) {
            showing_ = !show;
            throw;
        }
    }
    if (!show)
        for (std::size_t i = 0; i < controls_.size(); ++i)
            if (auto* win = dynamic_cast<TWinControl*>(controls_[i]); win && win->showing_)
                win->UpdateShowingTree(false);
}

void TWinControl::UpdateControlState() {
    if (ComponentState() & (csLoading | csDestroying))
        return;
    TWinControl* top = this;
    while (top->Parent()) {
        top = top->Parent();
        if (!top->Showing())
            return;
    }
    if (dynamic_cast<TCustomForm*>(top) || top->parentWindow_)
        UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage&) {
    if (!handle_)
        return;
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMVisibleChanged(TMessage&) {
    if (!Visible() && Parent())
        RemoveFocus(false);
    UpdateControlState();
}

void TWinControl::CMEnabledChanged(TMessage& m) {
    if (!Enabled() && Parent())
        RemoveFocus(false);
    if (handle_)
        EnableWindow(handle_, Enabled());
    else
        inherited::CMEnabledChanged(m);
}

void TWinControl::CMFontChanged(TMessage& m) {
    inherited::CMFontChanged(m);
    if (handle_)
        Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
    NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChanged(TMessage& m) {
    brush_->SetColor(Color());
    inherited::CMColorChanged(m);
    NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMRecreateWnd(TMessage&) {
    const bool wasFocused = Focused();
    SetControlState(ControlState() + TControlState{csRecreating});
    try {
        DestroyHandle();
        UpdateControlState();
    } catch (...) {
        SetControlState(ControlState() - TControlState{csRecreating});
        throw;
    }
    SetControlState(ControlState() - TControlState{csRecreating});
    if (wasFocused && handle_)
        ::SetFocus(handle_);
}

void TWinControl::SetZOrder(bool topMost) {
    inherited::SetZOrder(topMost);
    if (handle_)
        SetWindowPos(handle_, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HDC TWinControl::GetDeviceContext(HWND& window) {
    window = Handle();
    return GetDC(window);
}

// ---- Focus and tab order ----------------------------------------------------------------------------

bool TWinControl::Focused() const {
    return handle_ && GetFocus() == handle_;
}

bool TWinControl::CanFocus() {
    TCustomForm* form = GetParentForm(this);
    if (!form)
        return false;
    for (TWinControl* c = this; c != form; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

void TWinControl::SetFocus() {
    if (TCustomForm* form = GetParentForm(this))
        form->FocusControl(this);
    else if (parentWindow_)
        ::SetFocus(Handle());
    else
        ValidParentForm(this);
}

void TWinControl::RemoveFocus(bool removing) {
    if (TCustomForm* form = GetParentForm(this))
        form->DefocusControl(this, removing);
}

void TWinControl::SetTabStop(bool value) {
    if (tabStop_ == value)
        return;
    tabStop_ = value;
    if (handle_) {
        LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
        style = value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        SetWindowLongPtrW(handle_, GWL_STYLE, style);
    }
    Perform(CM_TABSTOPCHANGED);
}

int TWinControl::TabOrder() const {
    if (!Parent())
        return -1;
    const auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    if (ComponentState() & csLoading)
        tabOrder_ = value;
    else
        UpdateTabOrder(value);
}

void TWinControl::UpdateTabOrder(int value) {
    if (!Parent())
        return;
    auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end())
        return;
    const int count = static_cast<int>(list.size());
    if (value < 0 || value >= count)
        value = count - 1;
    list.erase(it);
    list.insert(list.begin() + value, this);
}

void TWinControl::FixupTabList() {
    const std::size_t count = tabList_.size();
    std::vector<TWinControl*> wanted(count, nullptr);
    for (TWinControl* c : tabList_)
        if (c->tabOrder_ >= 0 && static_cast<std::size_t>(c->tabOrder_) < count && !wanted[c->tabOrder_])
            wanted[static_cast<std::size_t>(c->tabOrder_)] = c;
    for (std::size_t i = 0; i < count; ++i)
        if (wanted[i]) {
            wanted[i]->UpdateTabOrder(static_cast<int>(i));
            wanted[i]->tabOrder_ = -1;
        }
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
    for (TWinControl* c : tabList_) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty())
        return nullptr;
    const int count = static_cast<int>(list.size());
    auto found = std::find(list.begin(), list.end(), current);
    int start = found == list.end() ? -1 : static_cast<int>(found - list.begin());
    if (start < 0)
        start = goForward ? count - 1 : 0;
    int i = start;
    do {
        if (goForward) {
            if (++i == count)
                i = 0;
        } else {
            if (i == 0)
                i = count;
            --i;
        }
        TWinControl* c = list[static_cast<std::size_t>(i)];
        if (c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this))
            return c;
    } while (i != start);
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop))
        next->SetFocus();
}

