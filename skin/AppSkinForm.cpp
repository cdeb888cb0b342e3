#include "AppSkinForm.h"

#include "AppSkinData.h"
#include "SkinControl.h"
#include "SkinControlMatch.h"
#include "AppSkinMenu.h"
#include "SkinImageDraw.h"
#include "SkinManage.h"

#include "Forms.h"
#include "Menus.h"

#include <algorithm>

using namespace skinrules;

namespace {

constexpr UINT_PTR HoverTimerId = 0x5EF1;
constexpr UINT HoverInterval = 250;
constexpr UINT FrameChanged = SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
constexpr UINT SM_QUERYFRAME = 0xBC4D;  // answered SM_MAGIC when lParam is SM_MAGIC, else 1
constexpr LPARAM AltHeld = 0x20000000;  // key data: the Alt key is down

int FrameFor(bool active, int frameCount) { return active || frameCount < 2 ? 1 : 2; }

RECT WindowBox(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

}  // namespace

// The MDI client of a skinned frame: no scroll bars under the skin unless asked, and a full redraw
// on request.
class TAppSkinForm::TClientHook : public TWindowSubclass {
public:
    explicit TClientHook(TAppSkinForm* owner) : owner_(owner) {}

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        return owner_->ClientMessage(message, wParam, lParam);
    }
    friend class TAppSkinForm;

private:
    TAppSkinForm* owner_;
};

TAppSkinForm::TAppSkinForm(TSkinManage* manager, TSkinData* data, TCustomForm* form)
    : manager_(manager), data_(data), form_(form), skinners_(std::make_unique<TSkinnerList>()),
      painter_(std::make_unique<TSkinMenuPainter>(manager, data)) {}

TAppSkinForm::~TAppSkinForm() {
    UnhookFormProcedure();
    HotSkinner = nullptr;
    skinners_->Clear();
    if (Attached() && State != fsDead) Unskin();
    client_.reset();
    RemoveRegion();
    if (sysMenuPopup_) sysMenuPopup_->Free();
    menuBar_.reset();
}

bool TAppSkinForm::AttachWindow(HWND window) {
    if (Attached() || !Attach(window)) return false;
    const auto style = static_cast<std::uint32_t>(GetWindowLongW(window, GWL_STYLE));
    const auto exStyle = static_cast<std::uint32_t>(GetWindowLongW(window, GWL_EXSTYLE));
    className_ = WindowClassName(window);
    ncSkinned_ = (data_->SkinControls & SkinBit(xcMainMenu)) != 0;
    rightToLeft_ = (exStyle & ExStyleLeftScrollBar) != 0;
    isChild_ = (style & StyleChild) != 0;
    boxes_ = BoxesOf(style, false);
    ReadPlacement();
    if (HWND client = FindWindowExW(window, nullptr, L"MDIClient", nullptr)) {
        Kind = wkMDIFrame;
        manager_->MDIClient = client;
        manager_->MainWindow = window;
        client_ = std::make_unique<TClientHook>(this);
        client_->Attach(client);
    }
    if ((exStyle & ExStyleMDIChild) != 0) {
        Kind = wkMDIChild;
        if ((data_->Options & SkinBit(xoMDIChildBorder)) != 0) ncSkinned_ = false;
    }
    borderKind_ = BorderKindOf(style, exStyle, className_);
    widenForCaption_ = WidensForCaption(className_);
    if (ncSkinned_ && Kind != wkMDIChild && GetMenu(window) && borderKind_ != bkNoCaption) {
        menuBar_ = std::make_unique<TAppSkinMenu>(window, data_, painter_.get(), manager_);
        menuBar_->RightToLeft = rightToLeft_;
    }
    savedMenuUpdate_ = data_->MenuUpdate;
    if (ncSkinned_) {
        ComputeFrame();
        HookFormProcedure();
    } else {
        State = fsSkinned;
    }
    if (Kind == wkMDIChild && placement_ == 1 && !manager_->MDIMaximized) manager_->SetMDIMaximized(true);
    return true;
}

void TAppSkinForm::HookFormProcedure() {
    if (!form_ || formHooked_) return;
    savedWindowProc_ = form_->WindowProc;
    form_->WindowProc = Event<&TAppSkinForm::FormProcedure>(this);
    formHooked_ = true;
}

void TAppSkinForm::UnhookFormProcedure() {
    if (!formHooked_) return;
    formHooked_ = false;
    // A hook set over this one later keeps calling it; only this one's own place is given back.
    if (form_->WindowProc == Event<&TAppSkinForm::FormProcedure>(this)) form_->WindowProc = savedWindowProc_;
}

void TAppSkinForm::FormProcedure(TMessage& m) {
    switch (m.Msg) {
    case SM_REFRESHFORM:
        Refresh();
        return;
    case SM_QUERYFRAME: m.Result = m.LParam == SM_MAGIC ? SM_MAGIC : 1; return;
    case CM_DIALOGCHAR:
        savedWindowProc_(m);
        if (m.Result == 0) DialogChar(m);
        return;
    case CM_MENUCHANGED: {
        const bool update = data_->MenuUpdate;
        data_->MenuUpdate = false;
        try {
            savedWindowProc_(m);
        } catch (...) {
            data_->MenuUpdate = update;
            throw;
        }
        data_->MenuUpdate = update;
        if (menuBar_ && update && started_ && GetMenu(Window())) {
            menuBar_->Rebuild(menuBar_->Menu());
            PaintNow();
        }
        return;
    }
    default: break;
    }
    savedWindowProc_(m);
}

bool TAppSkinForm::DialogChar(TMessage& m) {
    const bool altOnly = (m.LParam & AltHeld) != 0 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0;
    if (menuBar_ && started_ && altOnly) {
        const int index = menuBar_->ItemByAccelerator(static_cast<wchar_t>(m.WParam));
        if (index >= 0) {
            // Opened as a press on the item, once this key's messages are done.
            const RECT& r = menuBar_->Item(index).Rect;
            const RECT box = WindowBox(Window());
            PostMessageW(Window(), WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(box.left + r.left + 1, box.top + r.top + 1));
            m.Result = 1;
            return true;
        }
    }
    TCustomForm* main = Application ? Application->MainForm() : nullptr;
    if (Kind == wkMDIChild && manager_->MainWindow)
        if (auto* frame = dynamic_cast<TCustomForm*>(manager_->FindControl(manager_->MainWindow))) main = frame;
    if (!main || main == form_) return false;
    m.Result = main->Perform(CM_DIALOGCHAR, m.WParam, m.LParam);
    return m.Result != 0;
}

void TAppSkinForm::SkinnerGone(TSkinControl* skinner) {
    if (HotSkinner == skinner) HotSkinner = nullptr;
}

void TAppSkinForm::CheckHotSkinner() {
    TSkinControl* hot = HotSkinner;
    if (!hot) return;
    POINT p{};
    GetCursorPos(&p);
    RECT r{};
    if (hot->Handle && IsWindow(hot->Handle) && GetWindowRect(hot->Handle, &r) && PtInRect(&r, p)) return;
    HotSkinner = nullptr;
    hot->LoseHot();
}

void TAppSkinForm::ComputeFrame() {
    frame_ = {};
    cache_ = TFrameCache();
    buttons_.clear();
    current_ = pressed_ = -1;
    if (data_->SkinEmpty() || borderKind_ == bkNoCaption) return;
    auto size = [](const TDataSkinBorder& f, bool vertical) {
        if (f.Image->Empty()) return 0;
        return vertical ? f.Image->Height() / std::max(f.FrameCount, 1) : f.Image->Width() / std::max(f.FrameCount, 1);
    };
    frame_.Left = size(*data_->Frames[0], false);
    frame_.Right = size(*data_->Frames[1], false);
    frame_.Caption = size(*data_->Frames[2], true);
    frame_.Bottom = size(*data_->Frames[3], true);
    if (Kind == wkMDIChild) {
        const int platform = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CXFRAME);
        frame_.MenuBar = frame_.Caption < platform ? platform - frame_.Caption : 0;
    } else if (menuBar_ || GetMenu(Window())) {
        frame_.MenuBar = GetSystemMetrics(SM_CYMENU);
    }
    for (auto& b : data_->SysButtons) {
        TCaptionButton button;
        button.Data = b.get();
        buttons_.push_back(button);
    }
}

void TAppSkinForm::ReadPlacement() {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(Window(), &wp)) return;
    if (IsZoomed(Window())) placement_ = 1;
    else if (IsIconic(Window())) placement_ = 2;
    else placement_ = 0;
}

void TAppSkinForm::Start() {
    if (started_) return;
    started_ = true;
    HWND window = Window();
    RECT w = WindowBox(window), c{};
    GetClientRect(window, &c);
    platformWidth_ = (w.right - w.left) - (c.right - c.left);
    platformHeight_ = (w.bottom - w.top) - (c.bottom - c.top);
    SkinChildControls(*this);
    if (menuBar_) {
        // The menu leaves the window; the client area keeps the size it had with it.
        TMainMenu* menu = nullptr;
        HMENU handle = GetMenu(window);
        if (form_)
            for (int i = 0; i < form_->ComponentCount() && !menu; ++i)
                if (auto* m = dynamic_cast<TMainMenu*>(form_->Components(i)))
                    if (m->HandleAllocated() && m->Handle() == handle) menu = m;
        menuBar_->Rebuild(menu);
    }
    if (State == fsAttached && ncSkinned_) {
        ReadPlacement();
        if (Kind == wkMDIChild) {
            if (placement_ == 1) {
                if (manager_->MDIClient) PostMessageW(manager_->MDIClient, SM_REDRAWCLIENT, 0, 0);
                if (manager_->MainWindow) PostMessageW(manager_->MainWindow, SM_PAINTFRAME, 0, 0);
            } else if (placement_ == 0) {
                State = fsResizing;
                ResizeForSkin(false, &c);
                State = fsSkinned;
                BuildRegion();
            }
        } else if (!isChild_ && borderKind_ != bkNoCaption && placement_ != 2) {
            State = fsResizing;
            ResizeForSkin(false, &c);
            State = fsSkinned;
            if (placement_ == 0) BuildRegion();
        }
    }
    State = fsSkinned;
    if (form_ && !menusPrepared_) {
        painter_->PrepareFormMenus(form_, true);
        menusPrepared_ = true;
    }
    if (active_ && !hoverTimer_) hoverTimer_ = SetTimer(window, HoverTimerId, HoverInterval, nullptr) != 0;
    PaintNow();
}

void TAppSkinForm::ResizeForSkin(bool refresh, const RECT* client) {
    HWND window = Window();
    if (placement_ == 1) {
        SetWindowPos(window, nullptr, 0, 0, 0, 0, FrameChanged);
        return;
    }
    RECT c{};
    if (client) c = *client;
    else GetClientRect(window, &c);
    TPointI size = SkinWindowSize(c.right - c.left, c.bottom - c.top, frame_);
    if (widenForCaption_ && !refresh && data_->CaptionFont) {
        const String text = [&] {
            wchar_t buffer[512] = {};
            GetWindowTextW(window, buffer, 512);
            return FromWide(buffer);
        }();
        const std::wstring wide = ToWide(text);
        HDC dc = GetDC(window);
        HGDIOBJ old = SelectObject(dc, data_->CaptionFont->Handle());
        SIZE extent{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
        SelectObject(dc, old);
        ReleaseDC(window, dc);
        const int needed = data_->Title->LeftWidth + extent.cx + data_->Title->RightWidth;
        if (size.X < needed) {
            const int shift = (needed - size.X) / 2;
            for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                RECT r = WindowBox(child);
                MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
                SetWindowPos(child, nullptr, r.left + shift, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            size.X = needed;
        }
    }
    SetWindowPos(window, nullptr, 0, 0, size.X, size.Y,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TAppSkinForm::RemoveRegion() {
    if (region_) DeleteObject(region_);
    region_ = nullptr;
}

void TAppSkinForm::BuildRegion() {
    HWND window = Window();
    if (State == fsDestroying || State == fsDead || !window) return;
    if (Kind == wkMDIChild && placement_ != 0) return;
    const RECT box = WindowBox(window);
    const int width = box.right - box.left, height = box.bottom - box.top;
    if (width <= 0 || height <= 0) return;
    RemoveRegion();
    bool anyTransparent = false;
    for (auto& f : data_->Frames) anyTransparent = anyTransparent || (f->Trans == 1 && !f->Image->Empty());
    HRGN region = nullptr;
    if (!anyTransparent) {
        region = CreateRectRgn(0, 0, width, height);
    } else {
        region = CreateRectRgn(frame_.Left, frame_.Caption, width - frame_.Right, height - frame_.Bottom);
        if (borderKind_ != bkNoCaption) {
            const RECT sides[4] = {{0, 0, frame_.Left, height},
                                   {width - frame_.Right, 0, width, height},
                                   {frame_.Left, 0, width - frame_.Right, frame_.Caption},
                                   {frame_.Left, height - frame_.Bottom, width - frame_.Right, height}};
            const int minimum[4] = {1, 1, 2, 2};
            for (int i = 0; i < 4; ++i) {
                const RECT& s = sides[i];
                const int w = s.right - s.left, h = s.bottom - s.top;
                if (w <= 0 || h <= 0) continue;
                const TDataSkinBorder& f = *data_->Frames[i];
                HRGN part = nullptr;
                const bool big = (i < 2 ? height : h) >= minimum[i];
                if (f.Trans == 1 && !f.Image->Empty() && big) {
                    std::unique_ptr<TBitmap> picture(FitFrame(TRect(0, 0, w, h), f.Image, f.Margins(), i >= 2,
                                                              f.Tile != 1, f.FrameCount, 1));
                    part = RegionFromImage(picture.get(), s.left, s.top, 1, 1, 1, SkinKeyColour);
                } else {
                    part = CreateRectRgn(s.left, s.top, s.right, s.bottom);
                }
                if (part) {
                    CombineRgn(region, region, part, RGN_OR);
                    DeleteObject(part);
                }
            }
        }
    }
    // Once set, the region belongs to the system; only a refused one is ours to free.
    if (!SetWindowRgn(window, region, TRUE)) region_ = region;
}

void TAppSkinForm::SetMaximizedChildMode(bool on) {
    childMaxMode_ = on;
    if (!on) {
        ReadPlacement();
        ComputeFrame();
        SetWindowPos(Window(), nullptr, 0, 0, 0, 0, FrameChanged);
    }
}

void TAppSkinForm::Refresh() {
    if (!Attached()) return;
    State = fsRefreshing;
    if (ncSkinned_) {
        ComputeFrame();
        ResizeForSkin(true);
        BuildRegion();
    }
    skinners_->RefreshAll();
    State = fsSkinned;
    RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TAppSkinForm::Unskin() {
    HWND window = Window();
    if (!window) return;
    const bool destroying = State == fsDestroying;
    if (hoverTimer_) KillTimer(window, HoverTimerId);
    hoverTimer_ = false;
    if (pressed_ >= 0 && GetCapture() == window) ReleaseCapture();
    pressed_ = current_ = -1;
    HotSkinner = nullptr;
    skinners_->Clear();
    if (menusPrepared_ && !destroying && form_) painter_->PrepareFormMenus(form_, false);
    menusPrepared_ = false;
    if (client_) client_->Detach();
    UnhookFormProcedure();
    Detach();
    if (!ncSkinned_ || destroying) return;
    if (menuBar_ && started_) menuBar_->Restore();
    if (!isChild_ || Kind == wkMDIChild) {
        if (placement_ == 0 && started_) {
            const RECT box = WindowBox(window);
            const int width = box.right - box.left - frame_.Left - frame_.Right + platformWidth_;
            const int height = box.bottom - box.top - frame_.Caption - frame_.Bottom - frame_.MenuBar + platformHeight_;
            SetWindowPos(window, nullptr, 0, 0, width, height, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            SetWindowPos(window, nullptr, 0, 0, 0, 0, FrameChanged);
        }
    }
    SetWindowRgn(window, nullptr, TRUE);
}

POINT TAppSkinForm::ToWindow(POINT p) const {
    const RECT box = WindowBox(Window());
    return {p.x - box.left, p.y - box.top};
}

void TAppSkinForm::LayoutButtons(int width) {
    TCaptionFacts facts;
    facts.Maximized = placement_ == 1;
    facts.Active = active_;
    facts.Boxes = boxes_;
    facts.DialogFrame = borderKind_ == bkDialog;
    facts.DialogFrameNotWidened = borderKind_ == bkDialog && !widenForCaption_;
    facts.MDIFrameWithMaximizedChild = Kind == wkMDIFrame && manager_->MDIMaximized && frame_.MenuBar > 0;
    TCaptionGeometry g;
    g.WindowWidth = width;
    g.TitleLeft = titleLeft_;
    g.TitleRight = titleRight_;
    g.RightToLeft = rightToLeft_;
    g.Frame = frame_;
    if (data_->MenuBar) g.MenuBarLeftWidth = data_->MenuBar->LeftWidth;
    HWND window = Window();
    auto ask = [window](int code, int action) {
        return static_cast<int>(SendMessageW(window, SM_ASKVISIBLE, static_cast<WPARAM>(code), action));
    };
    for (TCaptionButton& b : buttons_) {
        const TDataSkinSysButton& d = *b.Data;
        b.Visible = CaptionButtonVisible(d.Visibility, d.Visibility1, d.Action, facts, ask) && !d.Image->Empty();
        const int w = d.Image->Width() / std::max(d.FrameCount, 1), h = d.Image->Height();
        const TPointI at = CaptionButtonOrigin(d.Align, d.Xcoord, d.Ycoord, w, h, g);
        b.Rect = {at.X, at.Y, at.X + w, at.Y + h};
    }
}

int TAppSkinForm::ButtonAt(POINT p) const {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const TCaptionButton& b = buttons_[i];
        if (b.Visible && PtInRect(&b.Rect, p)) return static_cast<int>(i);
    }
    return -1;
}

void TAppSkinForm::DrawTitle(HDC dc, int width) {
    const TDataSkinTitle& t = *data_->Title;
    titleLeft_ = t.LeftWidth;
    titleRight_ = width - t.RightWidth;
    wchar_t text[512] = {};
    const int length = GetWindowTextW(Window(), text, 512);
    if (length <= 0 || titleRight_ <= titleLeft_) return;
    TColor colour = active_ ? t.ActiveText : t.InActiveText;
    if (colour == SkinColourNotGiven) colour = active_ ? data_->TitleTextActive : data_->TitleTextNoActive;
    HGDIOBJ old = data_->CaptionFont ? SelectObject(dc, data_->CaptionFont->Handle()) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(colour)));
    RECT r{titleLeft_, t.TopHeight, titleRight_, frame_.Caption + t.TopHeight};
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    format |= t.TextAlignment == 1 ? DT_CENTER : t.TextAlignment == 2 ? DT_RIGHT : DT_LEFT;
    DrawTextW(dc, text, length, &r, format);
    if (old) SelectObject(dc, old);
}

void TAppSkinForm::PaintFrame(HDC dc) {
    if (!ncSkinned_ || borderKind_ == bkNoCaption || MaximizedChild() || data_->SkinEmpty()) return;
    const RECT box = WindowBox(Window());
    const int width = box.right - box.left, height = box.bottom - box.top;
    if (width <= 0 || height <= 0) return;
    if (placement_ == 2) {
        RECT all{0, 0, width, height};
        FillRect(dc, &all, data_->FaceBrush);
    } else {
        FillFrameCache(width, height);
        const TRect sides[3] = {TRect(0, 0, frame_.Left, height), TRect(width - frame_.Right, 0, width, height),
                                TRect(frame_.Left, height - frame_.Bottom, width - frame_.Right, height)};
        for (int i = 0; i < 3; ++i)
            if (TBitmap* b = cache_.Sides[i].get(); b && !b->Empty())
                BitBlt(dc, sides[i].Left, sides[i].Top, b->Width(), b->Height(), b->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
    if (Kind == wkMDIFrame && !manager_->MDIMaximized && ActiveChildMaximized()) manager_->SetMDIMaximized(true);
    if (frame_.Caption > 0) {
        // The caption is composed off screen, in a bitmap kept from paint to paint.
        if (!cache_.Composed) {
            cache_.Composed = std::make_unique<TBitmap>();
            cache_.Composed->SetPixelFormat(pf24bit);
        }
        cache_.Composed->SetSize(width, frame_.Caption);
        HDC cdc = cache_.Composed->Canvas()->Handle();
        RECT all{0, 0, width, frame_.Caption};
        if (placement_ == 2) {
            FillRect(cdc, &all, data_->FaceBrush);
        } else {
            if (!cache_.Sides[0] || !cache_.Sides[1] || !cache_.Caption || cache_.Caption->Empty())
                FillRect(cdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            // The caption's ends are the tops of the sides; its middle the fitted top frame.
            if (TBitmap* l = cache_.Sides[0].get(); l && !l->Empty())
                BitBlt(cdc, 0, 0, l->Width(), frame_.Caption, l->Canvas()->Handle(), 0, 0, SRCCOPY);
            if (TBitmap* r = cache_.Sides[1].get(); r && !r->Empty())
                BitBlt(cdc, width - frame_.Right, 0, r->Width(), frame_.Caption, r->Canvas()->Handle(), 0, 0, SRCCOPY);
        }
        if (TBitmap* t = cache_.Caption.get(); t && !t->Empty() && placement_ != 2)
            BitBlt(cdc, frame_.Left, 0, t->Width(), t->Height(), t->Canvas()->Handle(), 0, 0, SRCCOPY);
        DrawTitle(cdc, width);
        LayoutButtons(width);
        for (const TCaptionButton& b : buttons_)
            if (b.Visible && b.Data->Visibility != 100) DrawCaptionButton(cdc, b);
        GdiFlush();
        BitBlt(dc, 0, 0, width, frame_.Caption, cdc, 0, 0, SRCCOPY);
    }
    if (frame_.MenuBar > 0 && placement_ != 2) {
        RECT strip{frame_.Left, frame_.Caption, width - frame_.Right, frame_.Caption + frame_.MenuBar};
        if (menuBar_ && started_) menuBar_->Paint(dc, strip, active_);
        else FillRect(dc, &strip, data_->FaceBrush);
        // The maximised child's buttons at the strip's end.
        for (const TCaptionButton& b : buttons_)
            if (b.Visible && b.Data->Visibility == 100) DrawCaptionButton(dc, b);
    }
}

void TAppSkinForm::DrawCaptionButton(HDC dc, const TCaptionButton& b) {
    const TDataSkinSysButton& d = *b.Data;
    if (d.Action == 3 || d.Action == 11) {
        auto icon = reinterpret_cast<HICON>(SendMessageW(Window(), WM_GETICON, ICON_SMALL, 0));
        if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(Window(), WM_GETICON, ICON_BIG, 0));
        if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(Window(), GCLP_HICONSM));
        if (icon) {
            DrawIconEx(dc, b.Rect.left, b.Rect.top, icon, b.Rect.right - b.Rect.left, b.Rect.bottom - b.Rect.top, 0,
                       nullptr, DI_NORMAL);
            return;
        }
    }
    int frame = b.State;
    if (d.Visibility == 100) {
        if (frame == 3) frame = 4;
    } else if (!active_ && d.FrameCount >= 4) {
        frame = 4;
    }
    DrawFrame(dc, TRect(b.Rect.left, b.Rect.top, b.Rect.right, b.Rect.bottom), d.Image, true, d.FrameCount,
              std::min(frame, d.FrameCount));
}

bool TAppSkinForm::ActiveChildMaximized() const {
    if (Kind != wkMDIFrame || !client_ || !client_->Attached()) return false;
    BOOL maximized = FALSE;
    const bool any = client_->CallPrevious(WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)) != 0;
    return any && maximized;
}

void TAppSkinForm::FillFrameCache(int width, int height) {
    if (cache_.Width == width && cache_.Height == height && cache_.Active == active_ && cache_.Caption) return;
    cache_.Width = width;
    cache_.Height = height;
    cache_.Active = active_;
    const TRect sides[3] = {TRect(0, 0, frame_.Left, height), TRect(width - frame_.Right, 0, width, height),
                            TRect(frame_.Left, height - frame_.Bottom, width - frame_.Right, height)};
    const int element[3] = {0, 1, 3};
    for (int i = 0; i < 3; ++i) {
        const TDataSkinBorder& f = *data_->Frames[element[i]];
        cache_.Sides[i].reset(f.Image->Empty() ? nullptr
                                               : FitFrame(TRect(0, 0, sides[i].Width(), sides[i].Height()), f.Image,
                                                          f.Margins(), element[i] == 3, f.Tile != 1, f.FrameCount,
                                                          FrameFor(active_, f.FrameCount)));
    }
    const TDataSkinBorder& top = *data_->Frames[2];
    cache_.Caption.reset(top.Image->Empty() || frame_.Caption <= 0
                             ? new TBitmap
                             : FitFrame(TRect(0, 0, width - frame_.Left - frame_.Right, frame_.Caption), top.Image,
                                        top.Margins(), true, top.Tile != 1, top.FrameCount,
                                        FrameFor(active_, top.FrameCount)));
}

void TAppSkinForm::PaintNow() {
    if (State != fsSkinned && State != fsRefreshing) return;
    HWND window = Window();
    if (!window || !IsWindowVisible(window)) return;
    HDC dc = GetWindowDC(window);
    if (!dc) return;
    PaintFrame(dc);
    ReleaseDC(window, dc);
}

void TAppSkinForm::SetButtonState(int index, int state) {
    if (index < 0 || index >= static_cast<int>(buttons_.size())) return;
    if (buttons_[static_cast<std::size_t>(index)].State == state) return;
    buttons_[static_cast<std::size_t>(index)].State = state;
    PaintNow();
}

void TAppSkinForm::Leave() {
    if (current_ < 0 || pressed_ >= 0) return;
    const int was = current_;
    current_ = -1;
    SetButtonState(was, 1);
}

void TAppSkinForm::BuildSystemMenuCopy() {
    HMENU system = GetSystemMenu(Window(), FALSE);
    if (sysMenuPopup_) sysMenuPopup_->Free();
    sysMenuPopup_ = New<TPopupMenu>(nullptr);
    sysMenuPopup_->SetTag(33333);
    sysMenuPopup_->SetImages(data_->MenuGlyphs);
    sysMenuPopup_->SetOwnerDraw(true);
    const int count = system ? GetMenuItemCount(system) : 0;
    for (int i = 0; i < count; ++i) {
        const TSkinMenuEntry entry = MenuEntryAt(system, static_cast<UINT>(i), true);
        const UINT id = GetMenuItemID(system, i);
        auto* item = New<TMenuItem>(sysMenuPopup_);
        item->SetCaption(entry.ShortCut.empty() ? entry.Caption : entry.Caption + "\t" + entry.ShortCut);
        item->SetTag(static_cast<std::intptr_t>(entry.IsLine() ? 0 : id));
        bool enabled = entry.Enabled;
        int image = -1;
        switch (id) {
        case SC_SIZE:
        case SC_MOVE: enabled = enabled && placement_ != 1; break;
        case SC_MINIMIZE:
            image = 2;
            enabled = enabled && placement_ != 2 && (boxes_ & BoxMinimize) != 0;
            break;
        case SC_MAXIMIZE:
            image = 1;
            enabled = enabled && placement_ != 1 && (boxes_ & BoxMaximize) != 0;
            break;
        case SC_CLOSE: image = 3; break;
        case SC_RESTORE:
            image = 0;
            enabled = enabled && placement_ != 0;
            break;
        default: break;
        }
        item->SetEnabled(enabled);
        item->SetChecked(entry.Checked);
        item->SetImageIndex(image);
        item->OnClick = Event<&TAppSkinForm::SystemMenuClick>(this);
        item->OnDrawItem = Event<&TSkinMenuPainter::DrawItem>(painter_.get());
        item->OnMeasureItem = Event<&TSkinMenuPainter::MeasureItem>(painter_.get());
        sysMenuPopup_->Items()->Add(item);
    }
}

void TAppSkinForm::SystemMenuClick(TObject* sender) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (item && item->Tag() != 0 && Attached())
        PostMessageW(Window(), WM_SYSCOMMAND, static_cast<WPARAM>(item->Tag()), 0);
}

void TAppSkinForm::ShowSystemMenu(POINT p, bool fromIcon) {
    const DWORD now = GetTickCount();
    if (lastMenuTime_ != 0 && now - lastMenuTime_ <= GetDoubleClickTime()) {
        // A second click on the icon within the double-click time closes the window.
        if (fromIcon) PostMessageW(Window(), WM_CLOSE, 0, 0);
        return;
    }
    BuildSystemMenuCopy();
    if (sysMenuPopup_->Items()->Count() == 0) return;
    manager_->MenuKind = 2;
    sysMenuPopup_->Popup(p.x, p.y);
    if (manager_->PopupCount() == 0) manager_->MenuKind = 0;
    lastMenuTime_ = GetTickCount();
}

void TAppSkinForm::RunButton(int index, POINT screenPoint) {
    HWND window = Window();
    const TDataSkinSysButton& d = *buttons_[static_cast<std::size_t>(index)].Data;
    auto childCommand = [this](WPARAM command) {
        if (!manager_->MDIClient) return;
        auto child = reinterpret_cast<HWND>(SendMessageW(manager_->MDIClient, WM_MDIGETACTIVE, 0, 0));
        if (child) SendMessageW(child, WM_SYSCOMMAND, command, 0);
    };
    switch (CaptionButtonCommand(d.Action, placement_)) {
    case ccClose: {
        HMENU menu = GetSystemMenu(window, FALSE);
        const UINT state = menu ? GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) : static_cast<UINT>(-1);
        if (state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0) {
            if (hoverTimer_) KillTimer(window, HoverTimerId);
            hoverTimer_ = false;
            PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        break;
    }
    case ccMaximize:
        if (Kind == wkMDIChild) manager_->SetMDIMaximized(true);
        placement_ = 1;
        PostMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        break;
    case ccMinimize:
        placement_ = 2;
        PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        break;
    case ccRestore:
        placement_ = 0;
        PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
        break;
    case ccSystemMenu: ShowSystemMenu({screenPoint.x + 1, screenPoint.y + 1}, true); break;
    case ccChildMinimize: childCommand(SC_MINIMIZE); break;
    case ccChildRestore: childCommand(SC_RESTORE); break;
    case ccChildClose: childCommand(SC_CLOSE); break;
    case ccCustom: PostMessageW(window, SM_CUSTOMACTION, static_cast<WPARAM>(d.Action), 0); break;
    case ccNone: break;
    }
}

void TAppSkinForm::OpenMenuBar(int index) {
    if (!menuBar_ || index < 0) return;
    barHot_ = -1;
    menuBar_->OpenFrom(index);
    if (!Attached()) return;
    POINT p{};
    GetCursorPos(&p);
    barHot_ = active_ ? menuBar_->ItemAt(ToWindow(p)) : -1;
    if (barHot_ >= 0) menuBar_->SetItemState(barHot_, 3);
}

LRESULT TAppSkinForm::WithoutCaptionStyle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = Window();
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const bool hide = (State == fsSkinned || State == fsRefreshing) && ncSkinned_ && !MaximizedChild() &&
                      (style & WS_CAPTION) == WS_CAPTION;
    if (hide) SetWindowLongW(window, GWL_STYLE, style & ~WS_CAPTION);
    const LRESULT result = CallPrevious(message, wParam, lParam);
    if (hide) {
        SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | (style & WS_CAPTION));
        PaintNow();
    }
    return result;
}

LRESULT TAppSkinForm::ClientMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // A change of the children repaints the frame (asking for the active one changes nothing).
    if ((message >= WM_MDICREATE && message <= WM_MDIREFRESHMENU && message != WM_MDIGETACTIVE) ||
        message == WM_PARENTNOTIFY)
        PostMessageW(Window(), SM_PAINTFRAME, 0, 0);
    switch (message) {
    case WM_NCCALCSIZE:
        if (ncSkinned_ && (data_->Options & SkinBit(xoMDIScrollbar)) == 0) {
            HWND client = client_->Window();
            const LONG style = GetWindowLongW(client, GWL_STYLE);
            if (style & (WS_HSCROLL | WS_VSCROLL)) SetWindowLongW(client, GWL_STYLE, style & ~(WS_HSCROLL | WS_VSCROLL));
        }
        break;
    case WM_MDICREATE: data_->MenuUpdate = false; break;
    case WM_MDIDESTROY: {
        const LRESULT result = client_->CallPrevious(message, wParam, lParam);
        BOOL maximized = FALSE;
        const bool any = SendMessageW(client_->Window(), WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)) != 0;
        manager_->SetMDIMaximized(any && maximized);
        if (!any) {
            data_->MenuUpdate = savedMenuUpdate_;
            if (menuBar_ && started_) {
                menuBar_->Rebuild(menuBar_->Menu());
                PaintNow();
            }
        }
        return result;
    }
    case WM_MDISETMENU: {
        const LRESULT result = client_->CallPrevious(message, wParam, lParam);
        if (wParam && menuBar_ && started_) {
            menuBar_->Merge();
            PaintNow();
        }
        return result;
    }
    case WM_MDITILE:
    case WM_MDICASCADE:
        if (manager_->MDIMaximized) manager_->SetMDIMaximized(false);
        break;
    case SM_REDRAWCLIENT:
        RedrawWindow(client_->Window(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        return 0;
    default: break;
    }
    return client_->CallPrevious(message, wParam, lParam);
}

LRESULT TAppSkinForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = Window();
    // The MDI machinery retitles the frame through the system's own procedure, which paints the
    // system caption; the frame paints its skin again afterwards.
    if (Kind == wkMDIChild && manager_->MainWindow &&
        (message == WM_SIZE || message == WM_SETTEXT || message == WM_MDIACTIVATE || message == WM_CHILDACTIVATE ||
         message == WM_WINDOWPOSCHANGED || message == WM_NCDESTROY))
        PostMessageW(manager_->MainWindow, SM_PAINTFRAME, 0, 0);
    // First stage: every window.
    switch (message) {
    case WM_NCPAINT:
        if (State == fsAttached) return 0;
        break;
    case WM_NCDESTROY: {
        State = fsDestroying;
        UnhookFormProcedure();
        if (hoverTimer_) KillTimer(window, HoverTimerId);
        hoverTimer_ = false;
        if (client_) client_->Detach();
        const LRESULT result = CallPrevious(message, wParam, lParam);
        State = fsDead;
        if (manager_) manager_->FormDied();
        return result;
    }
    case WM_NCACTIVATE:
        // Before the start the window keeps its own frame: let it change activation, paint nothing.
        if (State == fsAttached && Kind != wkMDIChild) return TRUE;
        break;
    case 0x00AE:  // WM_NCUAHDRAWCAPTION
        return 0;
    case SM_START:
        Start();
        return 0;
    case SM_ISSKINNED: return 1;
    case SM_RESKINCONTROL:
        if (State == fsSkinned || State == fsRefreshing) ReplaceSkinner(*this, reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        if (manager_) manager_->MenuKind = HIWORD(lParam) ? 2 : 1;
        break;
    case SM_PAINTFRAMETO:
        if (lParam == SM_MAGIC) {
            PaintFrame(reinterpret_cast<HDC>(wParam));
            return SM_MAGIC;
        }
        break;
    default: break;
    }
    if (!ncSkinned_) return CallPrevious(message, wParam, lParam);
    if (isChild_ && Kind != wkMDIChild) return CallPrevious(message, wParam, lParam);

    // Second stage.
    switch (message) {
    case WM_SIZE: {
        const LRESULT result = CallPrevious(message, wParam, lParam);
        placement_ = wParam == SIZE_MAXIMIZED ? 1 : wParam == SIZE_MINIMIZED ? 2 : 0;
        const bool childOff = Kind == wkMDIChild && (manager_->MDIMaximized || placement_ != 0);
        if (placement_ != 2 && !childOff && (State == fsSkinned || State == fsRefreshing)) BuildRegion();
        return result;
    }
    case WM_ACTIVATE: active_ = LOWORD(wParam) != WA_INACTIVE; break;
    case WM_WINDOWPOSCHANGED: ReadPlacement(); return CallPrevious(message, wParam, lParam);
    case WM_SETTEXT:
    case WM_SETICON: return WithoutCaptionStyle(message, wParam, lParam);
    case WM_SYSCOMMAND: {
        const UINT command = static_cast<UINT>(wParam & 0xFFF0);
        if (menuBar_ && menuBar_->Suspended) return CallPrevious(message, wParam, lParam);
        if (command == SC_KEYMENU && lParam != ' ' && lParam != '-' && menuBar_ && !GetCapture() && menuBar_->Count() > 0) {
            const int index = lParam == 0 ? 0 : menuBar_->ItemByAccelerator(static_cast<wchar_t>(lParam));
            if (index >= 0) OpenMenuBar(index);
            return index >= 0 ? 1 : 0;
        }
        if (command == SC_KEYMENU && lParam == ' ') {
            POINT origin{0, 0};
            ClientToScreen(window, &origin);
            ShowSystemMenu(origin);
            return 0;
        }
        if (command == SC_MINIMIZE) placement_ = 2;
        else if (command == SC_MAXIMIZE) placement_ = 1;
        else if (command == SC_RESTORE) {
            placement_ = 0;
            if (Kind == wkMDIChild && manager_->MDIMaximized) manager_->SetMDIMaximized(false);
        }
        return CallPrevious(message, wParam, lParam);
    }
    case WM_TIMER:
        if (wParam == HoverTimerId) {
            if (current_ >= 0 && pressed_ < 0) {
                POINT p{};
                GetCursorPos(&p);
                const POINT w = ToWindow(p);
                if (!PtInRect(&buttons_[static_cast<std::size_t>(current_)].Rect, w)) Leave();
            }
            if (barHot_ >= 0 && menuBar_ && !menuBar_->Tracking()) {
                POINT p{};
                GetCursorPos(&p);
                if (menuBar_->ItemAt(ToWindow(p)) != barHot_) {
                    menuBar_->SetItemState(barHot_, 1);
                    barHot_ = -1;
                }
            }
            CheckHotSkinner();
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (pressed_ >= 0 && GetCapture() == window) {
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(window, &p);
            SetButtonState(pressed_, ButtonAt(ToWindow(p)) == pressed_ ? 2 : 1);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (pressed_ >= 0 && GetCapture() == window) {
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(window, &p);
            const int index = pressed_;
            pressed_ = -1;
            ReleaseCapture();
            if (ButtonAt(ToWindow(p)) == index) {
                current_ = index;
                SetButtonState(index, 3);
                RunButton(index, p);
            } else {
                current_ = -1;
                SetButtonState(index, 1);
            }
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (pressed_ >= 0 && reinterpret_cast<HWND>(lParam) != window) {
            const int index = pressed_;
            pressed_ = current_ = -1;
            SetButtonState(index, 1);
        }
        break;
    default: break;
    }
    // Third stage: the skinned frame.
    if (MaximizedChild() || State == fsAttached) return CallPrevious(message, wParam, lParam);
    switch (message) {
    case WM_NCACTIVATE: {
        active_ = wParam != 0;
        if (active_ && !hoverTimer_) hoverTimer_ = SetTimer(window, HoverTimerId, HoverInterval, nullptr) != 0;
        if (!active_ && hoverTimer_) {
            KillTimer(window, HoverTimerId);
            hoverTimer_ = false;
            Leave();
        }
        if (!active_ && HotSkinner) {
            TSkinControl* hot = HotSkinner;
            HotSkinner = nullptr;
            hot->LoseHot();
        }
        if (Kind == wkMDIFrame && client_ && client_->Attached())
            SendMessageW(client_->Window(), WM_NCACTIVATE, wParam, lParam);
        if (Kind == wkMDIChild) WithoutCaptionStyle(message, wParam, lParam);
        PaintNow();
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        if (!wParam) {
            auto* r = reinterpret_cast<RECT*>(lParam);
            if (borderKind_ == bkNoCaption) return CallPrevious(message, wParam, lParam);
            const TRectI c = SkinClientRect({r->left, r->top, r->right, r->bottom}, frame_);
            *r = {c.Left, c.Top, c.Right, c.Bottom};
            return 0;
        }
        auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
        const RECT proposed = p->rgrc[0];
        const LRESULT result = CallPrevious(message, wParam, lParam);
        if (borderKind_ == bkNoCaption || (Kind == wkMDIChild && placement_ != 0)) return result;
        const TRectI c = SkinClientRect({proposed.left, proposed.top, proposed.right, proposed.bottom}, frame_);
        p->rgrc[0] = {c.Left, c.Top, c.Right, c.Bottom};
        p->rgrc[1] = p->rgrc[0];
        return WVR_VALIDRECTS;
    }
    case WM_NCHITTEST: {
        const LRESULT code = CallPrevious(message, wParam, lParam);
        const POINT w = ToWindow({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return RemapHitTest(static_cast<int>(code), w.y, frame_, menuBar_ != nullptr);
    }
    case WM_NCPAINT:
        PaintNow();
        return 0;
    case SM_PAINTFRAME:
        PaintNow();
        return 0;
    case WM_NCMOUSEMOVE: {
        if (!active_) break;
        const int index = ButtonAt(ToWindow({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}));
        if (index >= 0) {
            if (index != current_) {
                Leave();
                current_ = index;
                SetButtonState(index, 3);
            }
            return 0;
        }
        Leave();
        if (menuBar_) {
            const int item = menuBar_->ItemAt(ToWindow({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}));
            if (item != barHot_) {
                if (barHot_ >= 0) menuBar_->SetItemState(barHot_, 1);
                barHot_ = item;
                if (item >= 0) menuBar_->SetItemState(item, 3);
            }
            if (item >= 0) return 0;
        }
        break;
    }
    case WM_NCLBUTTONDOWN: {
        const POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int index = ButtonAt(ToWindow(screen));
        if (index >= 0) {
            if (!active_) SetForegroundWindow(window);
            if (current_ >= 0 && current_ != index) SetButtonState(current_, 1);
            current_ = pressed_ = index;
            SetCapture(window);
            SetButtonState(index, 2);
            return 0;
        }
        if (menuBar_) {
            const int item = menuBar_->ItemAt(ToWindow(screen));
            if (item >= 0) {
                if (!active_) SetForegroundWindow(window);
                OpenMenuBar(item);
                return 0;
            }
        }
        if (placement_ == 1 && active_ && wParam == HTCAPTION) wParam = HTMENU;
        break;
    }
    case WM_NCLBUTTONUP: {
        const POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int index = ButtonAt(ToWindow(screen));
        if (index >= 0 && index == pressed_) {
            pressed_ = -1;
            if (GetCapture() == window) ReleaseCapture();
            SetButtonState(index, 3);
            RunButton(index, screen);
            return 0;
        }
        break;
    }
    case WM_NCLBUTTONDBLCLK: {
        const POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int index = ButtonAt(ToWindow(screen));
        if (index >= 0) {
            const int action = buttons_[static_cast<std::size_t>(index)].Data->Action;
            if (action == 3 || action == 11) PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        }
        if (wParam == HTCAPTION) {
            if (placement_ == 1) PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
            else if (boxes_ & BoxMaximize) PostMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
            return 0;
        }
        break;
    }
    case WM_MEASUREITEM:
        if (wParam == 0 && menuBar_ && menuBar_->MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (wParam == 0 && menuBar_ && menuBar_->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_MENUSELECT:
        if (menuBar_) menuBar_->MenuSelect(wParam, lParam);
        break;
    case WM_NCRBUTTONDOWN:
        if (wParam == HTCAPTION && Kind != wkMDIChild) {
            ShowSystemMenu({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return 0;
        }
        break;
    default: break;
    }
    return CallPrevious(message, wParam, lParam);
}
