// Controls of the class layer: the objects behind windows, their messages, layout, focus and paint.
//
// Classes in this file:
//   TCreateParams     what CreateParams fills in before a window is made
//   TShortCutHandler  something that answers key short-cuts (menus, action lists)
//   TControl          bounds, alignment, visibility, text, font and colour, mouse, WindowProc
//   TWinControl       a control with a window: handle life, children, focus, keys, paint path
//   TControlCanvas    a canvas that draws on a control (outside of paint it asks for a DC)
//   TGraphicControl   a control without a window, painted by its parent
//   TCustomControl    a window painted by its own Paint
//   TBusyGuard        marks a control as running a handler (safe destruction)
//
// Messages. A window procedure shared by every class of this layer finds the control of a window
// through a window property (ControlAtom(); set from the window's first message on, WM_NCCREATE
// included, by handing the control over in a thread-local while CreateWindowEx runs) and calls
// the control's `WindowProc` (replaceable; initially WndProc). WndProc filters, then `Dispatch`
// looks the message up by number; what no handler takes goes to `DefaultHandler`: the original
// procedure of a superclassed standard class (CreateSubClass), else DefWindowProcW. A parent
// reflects WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM, WM_MEASUREITEM, WM_xSCROLL, ... to
// the child control concerned as CN_* (CN_BASE + message). No exception leaves a window procedure:
// it goes to Application->HandleException. A control freed inside one of its own handlers is safe:
// the procedures on the stack stop touching it; CM_RELEASE-style deferred freeing waits until no
// handler of the control (or of a child) runs (FreeWhenIdle).
//
// Paint path. WM_PAINT (BeginPaint's DC) and WM_PRINTCLIENT (the DC given) both end in
// PaintHandler(dc): PaintWindow(dc), then the graphic children at their offsets (PaintControls).
//
// Hints: a windowed control with ShowHint and a Hint is a tool of the application's tool-tip window
// (TApplication::HintChanged); its mouse messages are relayed there.
//
// Sources: WindowRegistry.cpp (handle-to-control map, capture, busy guards, the window procedure,
// key helpers), Controls.cpp (TControl, canvases, graphic and custom controls, registration),
// WinControl.cpp (TWinControl's window, children, alignment, focus), WinControlMessages.cpp
// (TWinControl's dispatcher and handlers); ControlsInternal.h is what they share.
//
// Not yet: anchors and constraints, auto-size, docking and dragging, hints of graphic controls and
// CM_HINTSHOW (only numbered), bidi, actions (the action helper adds them), themes, double buffering.
#pragma once

#include "Component.h"
#include "ControlTypes.h"
#include "Events.h"
#include "Graphics.h"
#include "Log.h"
#include "Messages.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TControl;
class TWinControl;
class TCustomForm;

extern TLogChannel LogControls;  // "ctl"

// ---- Small types --------------------------------------------------------------------------------

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

enum TShiftStateElement { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TEnumSet<TShiftStateElement>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Drag and drop: a manual control drags when told (BeginDrag); an automatic one when its left
// button is pressed and the mouse then moves past the drag threshold.
enum TDragMode { dmManual, dmAutomatic };
// What a DragOver call reports: the drag came in, moved over the control, or left it.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// Pixels the mouse moves from the press before a drag that is not immediate starts.
constexpr int kDragThreshold = 5;

// Cursors: crDefault (the control's parent decides) and the negative standard cursors; positive
// numbers are free for cursors registered through Screen->SetCursors.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = -22;

enum TControlStyleElement {
    csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption, csOpaque,
    csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable, csNoStdEvents,
    csDisplayDragImage, csReflector, csActionClient, csMenuEvents
};
using TControlStyle = TEnumSet<TControlStyleElement>;

enum TControlStateElement {
    csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating, csPaintCopy,
    csCustomPaint, csDestroyingHandle, csDocking, csRecreating
};
using TControlState = TEnumSet<TControlStateElement>;

// Key short-cuts (TShortCut in ControlTypes.h).
TShortCut ShortCut(WORD key, TShiftState shift);
TShortCut ShortCutFromMessage(const TWMKey& message);  // the key with the keyboard's shift state

TShiftState KeysToShiftState(WPARAM keys);         // MK_* of a mouse message
TShiftState KeyDataToShiftState(LPARAM keyData);   // a key message's data + the keyboard state
TShiftState KeyboardStateToShiftState();           // the keyboard state now

// ---- Events -------------------------------------------------------------------------------------

using TWndMethod = TEvent<void(TMessage& Message)>;
using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent =
    TEvent<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = TEvent<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TKeyEvent = TEvent<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, wchar_t& Key)>;
// Drag and drop: a control asked whether it accepts the drag over it (Accept starts true when
// the handler is assigned), a control that takes a drop, and the control a drag ended on (Target
// is null when the drag was cancelled or nothing accepted it). X and Y are the target's client
// coordinates.
using TDragOverEvent =
    TEvent<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = TEvent<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = TEvent<void(TObject* Sender, TObject* Target, int X, int Y)>;

// ---- Creation parameters ------------------------------------------------------------------------

struct TCreateParams {
    String Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    // lpfnWndProc is the window's default procedure (DefaultHandler calls it); the class is
    // registered with the layer's own procedure under WinClassName.
    WNDCLASSEXW WindowClass{};
    std::wstring WinClassName;  // the class-library name: "TButton", "TFrm_Login"
};

// A short-cut answerer that a form consults before the focused control sees a key (action lists,
// menus). A component owned by a form that implements it is registered with the form by itself;
// a popup menu of a control that implements it is asked first.
class TShortCutHandler {
public:
    virtual ~TShortCutHandler() = default;
    virtual bool IsShortCut(const TWMKey& message) = 0;
};

// A popup menu that a control shows when the user asks for its context menu (right click, the
// menu key, Shift+F10); `x`, `y` are screen coordinates.
class TContextPopupHandler {
public:
    virtual ~TContextPopupHandler() = default;
    virtual void PopupFor(TControl* control, int x, int y) = 0;
};

// ---- Window registry ----------------------------------------------------------------------------

// The atom of the window property that holds a window's TWinControl*; the property's name is
// "ControlOfs" + the module instance and the thread id (8 upper-case hex digits each).
ATOM ControlAtom();
String ControlAtomName();
// The control of a window of this process, or nullptr (also during creation from the first message on).
TWinControl* FindControl(HWND window);
// The control whose CreateWindowEx runs on this thread (nullptr when none).
TWinControl* CreationControl();
// The control that the mouse is captured for (a graphic control through its parent's window too).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
// The topmost form of `control` (nullptr when it is on no form).
TCustomForm* GetParentForm(TControl* control);
// As GetParentForm, raising EInvalidOperation "Control 'X' has no parent window" when there is none.
TCustomForm* ValidParentForm(TControl* control);

// ---- TControl -----------------------------------------------------------------------------------

class TControl : public TComponent {
    VESTREL_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;
    void BeforeDestruction() override;

    // Messages. WindowProc may be replaced and restored (save the old value, call it for what
    // the replacement does not take). Perform runs a message through WindowProc at once.
    TWndMethod WindowProc;
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual void DefaultHandler(TMessage& message);

    // Parent and form reading.
    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }
    void Loaded() override;
    void ReadState(TReader& reader) override;
    void Notification(TComponent* component, TOperation operation) override;

    // Bounds, in the parent's client coordinates (a form: the screen's).
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    virtual TRect ClientRect();
    int ClientWidth() { return ClientRect().Right; }
    int ClientHeight() { return ClientRect().Bottom; }
    virtual void SetClientWidth(int value);
    virtual void SetClientHeight(int value);
    virtual TPoint ClientOrigin();  // the client area's top left in screen coordinates
    TPoint ClientToScreen(TPoint point);
    TPoint ScreenToClient(TPoint point);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign value);

    // Visibility and state.
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool value);
    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle value) { controlStyle_ = value; }
    TControlState ControlState() const { return controlState_; }
    void SetControlState(TControlState value) { controlState_ = value; }
    void BringToFront();
    void SendToBack();

    // Text (Caption and Text are the same text; the window holds it while it exists).
    String Text();
    void SetText(const String& value);
    String Caption() { return Text(); }
    void SetCaption(const String& value) { SetText(value); }
    int GetTextLen();
    int GetTextBuf(wchar_t* buffer, int size);  // copies at most size-1 units and a NUL
    void SetTextBuf(const wchar_t* buffer);

    // Appearance.
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* value) { font_->Assign(value); }
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);
    const String& Hint() const { return hint_; }
    void SetHint(const String& value);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);
    // The popup menu (typed by the menu unit; a TShortCutHandler one answers short-cuts).
    TComponent* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TComponent* value);

    // Painting.
    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }

    // Mouse.
    bool MouseCapture() const { return GetCaptureControl() == this; }
    void SetMouseCapture(bool value);

    virtual void Click();
    virtual void DblClick();

    // Drag and drop. One drag runs at a time; the source holds the mouse capture while it runs,
    // the mouse moving over other controls asks them DragOver, the release drops on the control
    // under the mouse when it accepted, Esc, cancel mode or a lost capture cancel.
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode value) { dragMode_ = value; }
    // The cursor shown while the drag is over a control that accepts it (crNoDrop elsewhere).
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor value) { dragCursor_ = value; }
    // Starts a drag at once, or (not immediate) once the mouse has moved `threshold` pixels
    // (kDragThreshold when negative) from where it is now; a release before that ends it unseen
    // and reaches the control as a plain release.
    void BeginDrag(bool immediate, int threshold = -1);
    // Ends this control's drag: dropped where the mouse is (when the control there accepts), or
    // cancelled.
    void EndDrag(bool drop);
    // True while this control's drag runs (also while it waits for the threshold).
    bool Dragging() const;
    // The target's side: asked while a drag is over this control; takes the drop.
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    virtual void DragDrop(TObject* source, int x, int y);
    // The source's side: the drag ended on `target` (nullptr: cancelled or not accepted).
    virtual void DoEndDrag(TObject* target, int x, int y);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

protected:
    friend class TWinControl;
    friend class TCustomForm;
    friend class TControlCanvas;

    virtual void WndProc(TMessage& message);
    // The handler table: one case per message, each unpacks once and calls one named method.
    virtual void Dispatch(TMessage& message);

    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
    virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
    virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);
    // Mouse and cancel messages that belong to this control's running drag: true when taken.
    bool DragMessage(TMessage& m);
    virtual void Resize();
    virtual void RequestAlign();
    // Moves the control to the top (or bottom) of its siblings' order.
    virtual void SetZOrder(bool topMost);
    // A DC for drawing on the control outside of WM_PAINT (released by the caller with ReleaseDC
    // on `window`).
    virtual HDC GetDeviceContext(HWND& window);
    void SendCancelMode(TControl* sender);
    void InvalidateRectInParent(const TRect& r);

    // Named handlers of the table.
    void WMButtonDown(TMessage& m, TMouseButton button, bool doubleClick);
    void WMButtonUp(TMessage& m, TMouseButton button);
    void WMMouseMove(TMessage& m);
    void WMMouseWheel(TMessage& m);
    void WMWindowPosChanged(TMessage& m);
    void WMCancelMode(TMessage& m);
    virtual void CMEnabledChanged(TMessage& m);
    virtual void CMVisibleChanged(TMessage& m);
    virtual void CMFontChanged(TMessage& m);
    virtual void CMColorChanged(TMessage& m);
    virtual void CMParentFontChanged(TMessage& m);
    virtual void CMParentColorChanged(TMessage& m);
    virtual void CMParentShowHintChanged(TMessage& m);
    virtual void CMTextChanged(TMessage& m) {}
    virtual void CMMouseEnter(TMessage& m) {}
    virtual void CMMouseLeave(TMessage& m) {}
    virtual void CMHitTest(TMessage& m) { m.Result = HTCLIENT; }
    virtual void CMMouseWheel(TMessage& m);
    virtual void CMCancelMode(TMessage& m) {}

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    String text_;  // the text while there is no window

private:
    void FontChanged(TObject* sender);
    void DoMouseDown(TMessage& m, TMouseButton button, TShiftState extra);
    void DoMouseUp(TMessage& m, TMouseButton button);
    void DefaultTextHandler(TMessage& m);

    TWinControl* parent_ = nullptr;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    TControlStyle controlStyle_{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    TControlState controlState_;
    std::unique_ptr<TFont> font_;
    TColor color_ = clWindow;
    bool parentFont_ = true;
    bool parentColor_ = true;
    bool takingParentFont_ = false;
    TCursor cursor_ = crDefault;
    String hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TComponent* popupMenu_ = nullptr;
    int wheelAccumulator_ = 0;
    bool beforeDestructionDone_ = false;
    TDragMode dragMode_ = dmManual;
    TCursor dragCursor_ = crDrag;
};

// ---- TWinControl --------------------------------------------------------------------------------

class TWinControl : public TControl {
    VESTREL_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    void BeforeDestruction() override;
    void Loaded() override;
    void ReadState(TReader& reader) override;

    // The window: Handle() makes it (and the parents' windows) when there is none.
    HWND Handle();
    HWND WindowHandle() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();
    // Destroys the window and makes a new one, keeping text, bounds, visibility and children.
    void RecreateWnd();
    // A window outside this layer to live in when there is no Parent (0 for none).
    HWND ParentWindow() const { return parentWindow_; }
    void SetParentWindow(HWND value);
    // True when the window is visible on its screen (this and every parent is visible).
    bool Showing() const { return showing_; }

    void SetBounds(int left, int top, int width, int height) override;
    TRect ClientRect() override;
    TPoint ClientOrigin() override;
    void DefaultHandler(TMessage& message) override;
    void Invalidate() override;
    void Update() override;
    void Repaint() override;

    // Children, in insertion order (windowed and graphic).
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    bool ContainsControl(TControl* control) const;  // this or a descendant
    // The child under `pos` (client coordinates), topmost first; graphic controls only unless
    // `allowWinControls`.
    TControl* ControlAtPos(TPoint pos, bool allowDisabled, bool allowWinControls = false);
    // Sends `message` to every child until one answers (Result != 0).
    void Broadcast(TMessage& message);
    void NotifyControls(UINT msg);

    // Layout.
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();
    void Realign() { AlignControl(nullptr); }

    // Focus and tab order.
    bool Focused() const;
    virtual bool CanFocus();
    virtual void SetFocus();
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    int TabOrder() const;
    void SetTabOrder(int value);
    void GetTabOrderList(std::vector<TWinControl*>& list);
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent);
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

    TBrush* Brush() const { return brush_.get(); }

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // Superclasses a standard window class: the window gets `controlClassName`'s procedure as its
    // default procedure and its class styles and extra bytes, under params.WinClassName.
    static void CreateSubClass(TCreateParams& params, const wchar_t* controlClassName);

protected:
    friend class TControl;
    friend class TCustomForm;
    friend LRESULT CALLBACK ControlWndProc(HWND, UINT, WPARAM, LPARAM);

    // Hands this control to the window procedure while a window is made for it: the window's
    // first message links the two.
    class TCreationScope {
    public:
        explicit TCreationScope(TWinControl* control);
        ~TCreationScope();
        TCreationScope(const TCreationScope&) = delete;
        TCreationScope& operator=(const TCreationScope&) = delete;

    private:
        TWinControl* previous_;
    };

    // Handle life.
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& params);
    virtual void DestroyWnd();            // saves the text, then DestroyWindowHandle
    virtual void DestroyWindowHandle();
    virtual void CreateHandle();
    virtual void DestroyHandle();         // children's windows first
    void UpdateBounds();                  // fields from the window's rectangle
    void UpdateShowing();
    void UpdateShowingTree(bool parentShows);
    void UpdateControlState();
    void SetZOrderPosition();
    HWND PrecedingWindow(TWinControl* control) const;

    // Layout.
    void AlignControl(TControl* control);
    virtual void AlignControls(TControl* control, TRect& rect);
    virtual void AdjustClientRect(TRect& rect) {}

    // Painting.
    void PaintHandler(HDC dc);
    virtual void PaintWindow(HDC dc);
    void PaintControls(HDC dc, TControl* first);

    // Keys and focus.
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(wchar_t& key);
    virtual void DoEnter();
    virtual void DoExit();
    bool DoKeyDown(TMessage& m);
    bool DoKeyUp(TMessage& m);
    bool DoKeyPress(TMessage& m);
    bool IsMenuKey(TMessage& m);
    void RemoveFocus(bool removing);

    void WndProc(TMessage& message) override;
    void Dispatch(TMessage& message) override;
    void SetZOrder(bool topMost) override;
    HDC GetDeviceContext(HWND& window) override;

    // Named handlers of the table.
    void WMPaint(TMessage& m);
    void WMPrintClient(TMessage& m, HDC dc, LPARAM flags);
    void WMEraseBkgnd(TMessage& m, HDC dc);
    void WMReflect(TMessage& m, HWND child);  // parent notifications -> CN_*
    void WMMeasureItem(TMessage& m);
    void WMContextMenu(TMessage& m);
    void WMSetFocus(TMessage& m);
    void WMKillFocus(TMessage& m);
    void WMKeyDown(TMessage& m);
    void WMKeyUp(TMessage& m);
    void WMChar(TMessage& m);
    void WMSize(TMessage& m);
    void WMSetCursor(TMessage& m, HWND window, int hitTest);
    void WMDestroy(TMessage& m);
    void WMNCDestroy(TMessage& m);
    void WMMouseLeave(TMessage& m);
    virtual void CNKeyDown(TMessage& m);
    virtual void CNKeyUp(TMessage& m);
    virtual void CNChar(TMessage& m);
    virtual void CNSysKeyDown(TMessage& m);
    virtual void CNSysChar(TMessage& m);
    virtual void CNCtlColor(TMessage& m, HDC dc);
    virtual void CNCommand(TMessage& m) {}
    virtual void CNNotify(TMessage& m, NMHDR& header) {}
    virtual void CMDialogKey(TMessage& m) { Broadcast(m); }
    virtual void CMDialogChar(TMessage& m) { Broadcast(m); }
    virtual void CMFocusChanged(TMessage& m) { Broadcast(m); }
    virtual void CMEnter(TMessage& m) { DoEnter(); }
    virtual void CMExit(TMessage& m) { DoExit(); }
    virtual void CMShowingChanged(TMessage& m);
    virtual void CMRecreateWnd(TMessage& m);
    // A key about to reach a descendant (wParam key, lParam the control): each parent in turn may
    // take it (Result != 0).
    virtual void CMChildKey(TMessage& m);
    virtual void CMWantSpecialKey(TMessage& m) {}
    void CMEnabledChanged(TMessage& m) override;
    void CMVisibleChanged(TMessage& m) override;
    void CMFontChanged(TMessage& m) override;
    void CMColorChanged(TMessage& m) override;

    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = nullptr;

private:
    void AttachHandle(HWND window);  // links the window to this control
    void DetachHandle();             // unlinks; the window keeps running its default procedure
    void FixupTabList();
    void DoPosition(TControl* control, TAlign align, TRect& rect);
    void UpdateTabOrder(int value);

    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    std::unique_ptr<TBrush> brush_;
    HWND parentWindow_ = nullptr;
    bool showing_ = false;
    bool tabStop_ = false;
    int tabOrder_ = -1;          // the wanted position while loading
    int alignDisabled_ = 0;
    bool aligning_ = false;
    bool trackingMouse_ = false;
    int controlId_ = 0;
};

// ---- Painting controls ----------------------------------------------------------------------------

class TControlCanvas : public TCanvas {
    VESTREL_CLASS(TControlCanvas, TCanvas)
public:
    TControlCanvas() = default;
    ~TControlCanvas() override;

    TControl* Control() const { return control_; }
    void SetControl(TControl* control);
    // Lets go of a DC obtained outside of painting.
    void FreeHandle();

protected:
    void CreateHandle() override;

private:
    TControl* control_ = nullptr;
    HDC ownDC_ = nullptr;
    HWND ownWindow_ = nullptr;
};

// Frees the DCs that control canvases took outside of painting (the application does this when idle).
void FreeDeviceContexts();

class TGraphicControl : public TControl {
    VESTREL_CLASS(TGraphicControl, TControl)
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    TCanvas* Canvas() const { return canvas_.get(); }

protected:
    virtual void Paint() {}
    void Dispatch(TMessage& message) override;

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

class TCustomControl : public TWinControl {
    VESTREL_CLASS(TCustomControl, TWinControl)
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;

    TCanvas* Canvas() const { return canvas_.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;
    void DestroyWnd() override;

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// Marks `control` busy, as if one of its handlers ran, for the guard's life (window procedures,
// Perform and modal loops hold one). Destroyed() tells whether the control was freed meanwhile.
class TBusyGuard {
public:
    explicit TBusyGuard(TControl* control);
    ~TBusyGuard();
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;

    bool Destroyed() const { return destroyed_; }

private:
    friend class TControl;
    friend bool IsDispatching(TControl* control);

    TControl* control_;
    bool destroyed_ = false;
    TBusyGuard* previous_;
};

// Frees `control` once no handler of it or of a child is running (at once when none is).
void FreeWhenIdle(TControl* control);
// Frees what FreeWhenIdle deferred and that is no longer busy; the message loop calls it.
void FreeIdleControls();
// True while a window procedure of `control` or of one of its children is on the stack.
bool IsDispatching(TControl* control);

// Registers the classes and properties of this file with the registries (idempotent).
void RegisterControlsClasses();
