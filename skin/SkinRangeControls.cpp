#include "SkinRangeControls.h"

#include "AppSkinForm.h"
#include "SkinBitmapUtils.h"
#include "SkinImageDraw.h"
#include "SkinManage.h"

#include <commctrl.h>

#include <algorithm>

using namespace skinrules;

namespace {

bool HasPicture(const TSkinElement& e) { return e && !e->Image->Empty(); }

void FillRectColour(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

}  // namespace

TSkinControl* AttachUpDown(HWND window, TSkinData* skinData, TAppSkinForm* form, bool buddy, bool horizontal) {
    auto* skinner = new TSkinUpDown(nullptr);
    skinner->AfterConstruction();
    skinner->Buddy = buddy;
    skinner->Horizontal = horizontal;
    skinner->AttachWindow(window, skinData, form, nullptr);
    // The caller owns it, not the form skinner's list.
    if (form) form->Skinners().Remove(skinner);
    return skinner;
}

// ---- Track bar ----

void TSkinTrackBar::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    RefreshSkin();
}

void TSkinTrackBar::RefreshSkin() {
    if (Handle) RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

bool TSkinTrackBar::BeforeMessage(TMessage& m) {
    if ((m.Msg == WM_NOTIFY || m.Msg == CN_NOTIFY) && m.LParam && m.LParam != SM_MAGIC) {
        auto* header = reinterpret_cast<NMHDR*>(m.LParam);
        if (header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
            m.Result = CustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(m.LParam));
            return false;
        }
        return true;
    }
    return TSkinControl::BeforeMessage(m);
}

LRESULT TSkinTrackBar::CustomDraw(NMCUSTOMDRAW& draw) {
    if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    switch (draw.dwItemSpec) {
    case TBCD_TICS: return CDRF_DODEFAULT;
    case TBCD_THUMB: DrawThumb(draw.hdc); return CDRF_SKIPDEFAULT;
    case TBCD_CHANNEL: return DrawChannel(draw.hdc) ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
    default: return CDRF_DODEFAULT;
    }
}

void TSkinTrackBar::DrawThumb(HDC dc) {
    if (!Handle || !IsWindow(Handle)) return;
    RECT r{};
    SendMessageW(Handle, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
    const bool vertical = (Style() & TBS_VERT) != 0;
    TDataSkinObject* strip = vertical && HasPicture(SkinData->TrackThumbVert) ? SkinData->TrackThumbVert.get()
                                                                                : SkinData->TrackThumbHorz.get();
    if (strip && !strip->Image->Empty()) {
        DrawFrame(dc, TRect(r.left, r.top, r.right, r.bottom), strip->Image, true, 5, 2);
        return;
    }
    HPEN pen = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(SkinData->ButtonShadow)));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

bool TSkinTrackBar::DrawChannel(HDC dc) {
    RECT r{};
    SendMessageW(Handle, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&r));
    RECT client{};
    GetClientRect(Handle, &client);
    const bool vertical = (Style() & TBS_VERT) != 0;
    TDataSkinObject* e = vertical ? SkinData->TrackVert.get() : SkinData->Track.get();
    if (!e || e->Image->Empty()) return false;
    TBitmap* image = e->Image;
    HDC src = image->Canvas()->Handle();
    const int iw = image->Width(), ih = image->Height();
    SetStretchBltMode(dc, COLORONCOLOR);
    if (vertical) {
        const RECT v{r.top, r.left, r.bottom, r.right};  // the channel's axes swapped
        const int width = v.right - v.left, height = v.bottom - v.top;
        const int x = v.left + std::max((width - iw) / 2, 0);
        const int top = std::min(e->TopHeight, ih), bottom = std::min(e->BottomHeight, ih - top);
        const int w = std::min(iw, width);
        BitBlt(dc, x, v.top, w, top, src, 0, 0, SRCCOPY);
        BitBlt(dc, x, v.bottom - bottom, w, bottom, src, 0, ih - bottom, SRCCOPY);
        StretchBlt(dc, x, v.top + top, w, std::max(height - top - bottom, 0), src, 0, top, w,
                   std::max(ih - top - bottom, 1), SRCCOPY);
        return true;
    }
    const int width = r.right - r.left, height = r.bottom - r.top;
    int y = r.top + (height - ih) / 2;
    y = std::clamp(y, static_cast<int>(client.top), std::max<int>(client.bottom - ih, client.top));
    const int left = std::min(e->LeftWidth, iw), right = std::min(e->RightWidth, iw - left);
    BitBlt(dc, r.left, y, left, ih, src, 0, 0, SRCCOPY);
    BitBlt(dc, r.right - right, y, right, ih, src, iw - right, 0, SRCCOPY);
    StretchBlt(dc, r.left + left, y, std::max(width - left - right, 0), ih, src, left, 0,
               std::max(iw - left - right, 1), ih, SRCCOPY);
    return true;
}

// ---- Up-down ----

void TSkinUpDown::PaintNow() {
    if (!Handle || !IsWindow(Handle)) return;
    HDC dc = GetDC(Handle);
    if (!dc) return;
    RECT c{};
    GetClientRect(Handle, &c);
    try {
        PaintSkin(dc, TRect(0, 0, c.right, c.bottom));
    } catch (...) {
    }
    ReleaseDC(Handle, dc);
}

bool TSkinUpDown::BeforeMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT: PaintMessage(m); return false;
    case WM_ERASEBKGND:
        if (!Control) {
            RECT c{};
            GetClientRect(Handle, &c);
            FillRectColour(reinterpret_cast<HDC>(m.WParam), c, RGB(255, 255, 255));
        }
        m.Result = 1;
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        CallDefault(m);
        ButtonState |= bsPressed;
        PaintNow();
        return false;
    case WM_LBUTTONUP:
        ButtonState &= ~bsPressed;
        CallDefault(m);
        PaintNow();
        return false;
    default: return TSkinControl::BeforeMessage(m);
    }
}

void TSkinUpDown::AfterMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_MOUSEMOVE:
        ButtonState |= bsHot;
        TrackMouseLeave(Handle);
        PaintNow();
        break;
    case WM_MOUSELEAVE:
        ButtonState &= ~bsHot;
        PaintNow();
        break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

void TSkinUpDown::PaintHalf(HDC dc, const TRect& r, int arrow, int state) {
    TDataSkinObject* e = arrow <= 1 ? SkinData->UpDownVert.get() : SkinData->UpDownHorz.get();
    if (e && !e->Image->Empty()) {
        // Frames 1-4: the up (left) arrow's states; 5-8: the down (right) arrow's.
        const int frame = state + (arrow % 2 == 1 ? 4 : 0);
        DrawFitted(dc, r, e->Image, false, e->Tile == 1, e->Trans == 1, e->FrameCount, frame, e->Margins());
        auto* border = dynamic_cast<TDataSkinBorder*>(e);
        TBitmap* glyphs = border ? border->Image2 : nullptr;
        if (glyphs && !glyphs->Empty()) DrawCentred(dc, r, glyphs, true, 4, arrow + 1);
        return;
    }
    const bool down = state == 2 || state == 4;
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(down ? SkinData->ButtonShadow : SkinData->ButtonFace)));
    HPEN pen = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(SkinData->ButtonDkShadow)));
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    Rectangle(dc, r.Left, r.Top, r.Right, r.Bottom);
    // A small triangle pointing the arrow's way.
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    POINT p[3];
    switch (arrow) {
    case 0: p[0] = {cx - 3, cy + 1}; p[1] = {cx + 3, cy + 1}; p[2] = {cx, cy - 2}; break;
    case 1: p[0] = {cx - 3, cy - 1}; p[1] = {cx + 3, cy - 1}; p[2] = {cx, cy + 2}; break;
    case 2: p[0] = {cx + 1, cy - 3}; p[1] = {cx + 1, cy + 3}; p[2] = {cx - 2, cy}; break;
    default: p[0] = {cx - 1, cy - 3}; p[1] = {cx - 1, cy + 3}; p[2] = {cx + 2, cy}; break;
    }
    HBRUSH dark = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(SkinData->ButtonDkShadow)));
    SelectObject(dc, dark);
    Polygon(dc, p, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(dark);
    DeleteObject(pen);
}

void TSkinUpDown::PaintSkin(HDC dc, const TRect& rect) {
    TRect r = rect;
    if (Buddy) {
        RECT all{rect.Left, rect.Top, rect.Right, rect.Bottom};
        FillRectColour(dc, all, RGB(255, 255, 255));
        // Three pixels off the edit's top, right and bottom edges.
        if (HWND parent = GetParent(Handle)) {
            RECT mine{}, edit{};
            GetWindowRect(Handle, &mine);
            GetClientRect(parent, &edit);
            MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&edit), 2);
            r.Top += std::max(0, 3 - static_cast<int>(mine.top - edit.top));
            r.Right -= std::max(0, 3 - static_cast<int>(edit.right - mine.right));
            r.Bottom -= std::max(0, 3 - static_cast<int>(edit.bottom - mine.bottom));
        }
    }
    if (r.Width() <= 0 || r.Height() <= 0) return;
    TBitmap buffer;
    buffer.SetPixelFormat(pf24bit);
    buffer.SetSize(r.Width(), r.Height());
    HDC bdc = buffer.Canvas()->Handle();
    const TRect all(0, 0, r.Width(), r.Height());
    FillColor(bdc, all, SkinData->ButtonFace);
    const bool disabled = (Style() & WS_DISABLED) != 0;
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(Handle, &cursor);
    cursor.x -= r.Left - rect.Left;
    cursor.y -= r.Top - rect.Top;
    const bool horizontal = Horizontal || (Style() & UDS_HORZ) != 0;
    const bool pressed = (ButtonState & bsPressed) != 0, hot = (ButtonState & bsHot) != 0;
    TRect first = all, second = all;
    if (horizontal) first.Right = second.Left = all.Width() / 2;
    else first.Bottom = second.Top = all.Height() / 2;
    auto under = [&](const TRect& h) {
        return cursor.x >= h.Left && cursor.x < h.Right && cursor.y >= h.Top && cursor.y < h.Bottom;
    };
    PaintHalf(bdc, first, horizontal ? 2 : 0, UpDownHalfState(disabled, under(first), pressed, hot));
    PaintHalf(bdc, second, horizontal ? 3 : 1, UpDownHalfState(disabled, under(second), pressed, hot));
    GdiFlush();
    BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), bdc, 0, 0, SRCCOPY);
}

// ---- Progress ----

bool TSkinProgress::BeforeMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT:
        if (!HasPicture(SkinData->Progress)) return true;
        PaintMessage(m);
        m.Result = 0;
        return false;
    case WM_ERASEBKGND: m.Result = 1; return false;
    default: return TSkinControl::BeforeMessage(m);
    }
}

void TSkinProgress::PaintSkin(HDC dc, const TRect& rect) {
    TDataSkinObject* e = SkinData->Progress.get();
    if (!e || e->Image->Empty() || rect.Width() <= 0 || rect.Height() <= 0) return;
    const bool vertical = (Style() & PBS_VERTICAL) != 0;
    const int width = vertical ? rect.Height() : rect.Width(), height = vertical ? rect.Width() : rect.Height();
    TBitmap bar;
    bar.SetPixelFormat(pf24bit);
    bar.SetSize(width, height);
    HDC bdc = bar.Canvas()->Handle();
    const TRect all(0, 0, width, height);
    FillColor(bdc, all, SkinData->ButtonFace);
    // Chunks whenever the element's Style asks for anything but the plain bar (the element then
    // holds one frame, the trough).
    const bool chunks = e->Style != 0;
    DrawFitted(bdc, all, e->Image, false, e->Tile == 1, e->Trans == 1, e->FrameCount, 1, e->Margins());
    const int position = static_cast<int>(SendMessageW(Handle, PBM_GETPOS, 0, 0));
    const int high = static_cast<int>(SendMessageW(Handle, PBM_GETRANGE, FALSE, 0));
    const int filled = ProgressFill(width, position, high);
    if (filled > 0) {
        TDataSkinObject* chunk = SkinData->ProgressChunk.get();
        if (!chunks) {
            DrawFitted(bdc, TRect(0, 0, filled, height), e->Image, false, e->Tile == 1, e->Trans == 1, e->FrameCount,
                       2, e->Margins());
        } else if (chunk && !chunk->Image->Empty()) {
            std::unique_ptr<TBitmap> piece(FitFrame(TRect(0, 0, chunk->Image->Width() / std::max(chunk->FrameCount, 1),
                                                          height),
                                                    chunk->Image, chunk->Margins(), false, chunk->Tile == 1,
                                                    chunk->FrameCount, 1));
            const int n = ProgressChunks(filled, piece->Width());
            for (int i = 0; i < n; ++i)
                BitBlt(bdc, i * piece->Width(), 0, piece->Width(), height, piece->Canvas()->Handle(), 0, 0, SRCCOPY);
        }
    }
    GdiFlush();
    if (vertical) RotateLeft(&bar);
    BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), bar.Canvas()->Handle(), 0, 0, SRCCOPY);
}
