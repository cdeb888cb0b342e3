// Drag and drop between controls of this process: the source keeps the mouse capture while the
// drag runs; the control under the mouse is asked DragOver, the release drops on it when it
// accepted, and the source hears DoEndDrag.
#include "Controls.h"

#include "ControlsInternal.h"
#include "Forms.h"

#include <cstdlib>
#include <optional>

using namespace controls_internal;

namespace {

struct TDragSession {
    TControl* Source = nullptr;
    bool Started = false;
    TPoint Start;               // screen point the threshold counts from
    int Threshold = kDragThreshold;
    TControl* Target = nullptr;  // the control under the mouse (nullptr: none of ours)
    TPoint At;                  // the mouse in the target's client coordinates
    bool Accepted = false;
};

std::optional<TDragSession> gDrag;
std::optional<TPoint> gLastMousePoint;  // screen point of the last mouse message a control took

// The enabled control of this process under the screen point `pos` (a graphic child when one is
// there), or nullptr.
TControl* FindDragTarget(TPoint pos) {
    HWND window = WindowFromPoint(POINT{pos.X, pos.Y});
    TWinControl* owner = nullptr;
    for (; window && !owner; window = GetParent(window))
        owner = FindControl(window);
    if (!owner)
        return nullptr;
    TControl* target = owner;
    if (TControl* child = owner->ControlAtPos(owner->ScreenToClient(pos), false))
        target = child;
    return target->Enabled() ? target : nullptr;
}

void ShowDragCursor() {
    ::SetCursor(CursorHandle(gDrag->Accepted ? gDrag->Source->DragCursor() : crNoDrop));
}

// The mouse is at the screen point `pos`: starts a waiting drag past its threshold, then tells the
// controls it leaves and enters (or moves over) and shows the cursor for the answer.
void DragTo(TPoint pos) {
    TDragSession& drag = *gDrag;
    if (!drag.Started) {
        if (std::abs(pos.X - drag.Start.X) < drag.Threshold && std::abs(pos.Y - drag.Start.Y) < drag.Threshold)
            return;
        drag.Started = true;
    }
    TControl* source = drag.Source;
    TControl* target = FindDragTarget(pos);
    if (target != drag.Target && drag.Target) {
        bool ignored = false;
        TControl* left = drag.Target;
        drag.Target = nullptr;
        drag.Accepted = false;
        left->DragOver(source, drag.At.X, drag.At.Y, dsDragLeave, ignored);
        if (!gDrag)
            return;
    }
    const TDragState state = target == drag.Target ? dsDragMove : dsDragEnter;
    drag.Target = target;
    drag.Accepted = false;
    if (target) {
        drag.At = target->ScreenToClient(pos);
        bool accept = false;
        target->DragOver(source, drag.At.X, drag.At.Y, state, accept);
        if (!gDrag)
            return;
        drag.Accepted = accept && drag.Target == target;
    }
    ShowDragCursor();
}

// Ends the running drag: drops on the target when `drop` and it accepted, else cancels; a drag
// that never passed its threshold ends without a word.
void FinishDrag(bool drop) {
    const TDragSession drag = *gDrag;
    gDrag.reset();
    TControl* source = drag.Source;
    TBusyGuard sourceGuard(source);
    if (source->MouseCapture())
        source->SetMouseCapture(false);
    if (!drag.Started || sourceGuard.Destroyed())
        return;
    TControl* target = drag.Target;
    const bool dropped = drop && target && drag.Accepted;
    if (target) {
        TBusyGuard targetGuard(target);
        if (dropped) {
            target->DragDrop(source, drag.At.X, drag.At.Y);
        } else {
            bool ignored = false;
            target->DragOver(source, drag.At.X, drag.At.Y, dsDragLeave, ignored);
        }
        if (targetGuard.Destroyed())
            target = nullptr;
    }
    if (sourceGuard.Destroyed())
        return;
    if (dropped)
        source->DoEndDrag(target, drag.At.X, drag.At.Y);
    else
        source->DoEndDrag(nullptr, 0, 0);
}

}  // namespace

namespace controls_internal {

void NoteMousePoint(TControl* control, LPARAM pos) {
    // The window the point belongs to: the control's own, or its parent's for a graphic control.
    POINT p{LParamX(pos), LParamY(pos)};
    HWND window = nullptr;
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
        window = windowed->WindowHandle();
    } else if (TWinControl* parent = control->Parent()) {
        window = parent->WindowHandle();
        p.x += control->Left();
        p.y += control->Top();
    }
    if (window && ::ClientToScreen(window, &p))
        gLastMousePoint = Point(p.x, p.y);
}

bool CancelRunningDrag() {
    if (!gDrag)
        return false;
    FinishDrag(false);
    return true;
}

void ForgetDragControl(TControl* control) {
    if (!gDrag)
        return;
    if (gDrag->Source == control)
        gDrag.reset();
    else if (gDrag->Target == control) {
        gDrag->Target = nullptr;
        gDrag->Accepted = false;
    }
}

bool DragCaptureLost(TWinControl* window, HWND newCapture) {
    if (!gDrag || newCapture == window->WindowHandle())
        return false;
    if (gDrag->Source != window && gDrag->Source->Parent() != window)
        return false;
    FinishDrag(false);
    return true;
}

}  // namespace controls_internal

// ---- TControl ---------------------------------------------------------------------------------------

void TControl::BeginDrag(bool immediate, int threshold) {
    if (gDrag)
        return;
    TDragSession drag;
    drag.Source = this;
    drag.Threshold = threshold < 0 ? kDragThreshold : threshold;
    if (gLastMousePoint) {
        drag.Start = *gLastMousePoint;
    } else {
        POINT p{};
        GetCursorPos(&p);
        drag.Start = Point(p.x, p.y);
    }
    gDrag = drag;
    SetMouseCapture(true);
    if (immediate && gDrag) {
        gDrag->Started = true;
        DragTo(drag.Start);
    }
}

void TControl::EndDrag(bool drop) {
    if (Dragging())
        FinishDrag(drop);
}

bool TControl::Dragging() const {
    return gDrag && gDrag->Source == this;
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = static_cast<bool>(OnDragOver);
    if (OnDragOver)
        OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y) {
    if (OnDragDrop)
        OnDragDrop(this, source, x, y);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
    if (OnEndDrag)
        OnEndDrag(this, target, x, y);
}

bool TControl::DragMessage(TMessage& m) {
    if (!Dragging())
        return false;
    switch (m.Msg) {
    case WM_MOUSEMOVE:
        DragTo(ClientToScreen(Point(LParamX(m.LParam), LParamY(m.LParam))));
        return true;
    case WM_LBUTTONUP:
        if (!gDrag->Started) {
            FinishDrag(false);
            return false;  // a click after all: the control sees its release
        }
        DragTo(ClientToScreen(Point(LParamX(m.LParam), LParamY(m.LParam))));
        if (Dragging())
            FinishDrag(true);
        return true;
    case WM_RBUTTONDOWN:
        FinishDrag(false);
        return true;
    case WM_CANCELMODE:
        FinishDrag(false);
        return false;
    default:
        return false;
    }
}
