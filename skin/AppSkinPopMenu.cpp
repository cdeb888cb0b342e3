#include "AppSkinPopMenu.h"

#include "AppSkinData.h"
#include "SkinImageDraw.h"
#include "SkinManage.h"

namespace {

constexpr int Band = 3;  // the frame's width

}  // namespace

TAppSkinPopMenu::TAppSkinPopMenu(TSkinManage* manager) : manager_(manager) {}

TAppSkinPopMenu::~TAppSkinPopMenu() { DetachMenu(); }

bool TAppSkinPopMenu::AttachMenu(HWND window, TSkinData* data, HMENU menu) {
    if (Attached() || !Attach(window)) return false;
    data_ = data;
    Menu = menu;
    FromBar = false;
    return true;
}

void TAppSkinPopMenu::DetachMenu() {
    Detach();
    background_.reset();
    width_ = height_ = 0;
}

bool TAppSkinPopMenu::CanPaint() const {
    return data_ && (data_->ComponentState() & csLoading) == 0 && data_->MenuBackground &&
           data_->MenuBackground->Image && !data_->MenuBackground->Image->Empty();
}

TBitmap* TAppSkinPopMenu::Background() {
    if (!CanPaint() || !Attached()) return nullptr;
    RECT r{};
    GetWindowRect(Window(), &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return nullptr;
    if (!background_ || w != width_ || h != height_) {
        const TDataSkinObject& e = *data_->MenuBackground;
        background_.reset(FitFrame(TRect(0, 0, w, h), e.Image, e.Margins(), false, e.Tile == 1, e.FrameCount, 1));
        width_ = w;
        height_ = h;
    }
    return background_.get();
}

POINT TAppSkinPopMenu::ClientOffset() const {
    if (!Attached()) return {0, 0};
    RECT r{};
    GetWindowRect(Window(), &r);
    POINT origin{0, 0};
    ClientToScreen(Window(), &origin);
    return {origin.x - r.left, origin.y - r.top};
}

void TAppSkinPopMenu::PaintFrame(HDC dc, bool whole) {
    TBitmap* b = Background();
    if (!b) return;
    const int w = b->Width(), h = b->Height();
    HDC src = b->Canvas()->Handle();
    if (whole) {
        BitBlt(dc, 0, 0, w, h, src, 0, 0, SRCCOPY);
        return;
    }
    BitBlt(dc, 0, 0, w, Band, src, 0, 0, SRCCOPY);
    BitBlt(dc, 0, h - Band, w, Band, src, 0, h - Band, SRCCOPY);
    BitBlt(dc, 0, 0, Band, h, src, 0, 0, SRCCOPY);
    BitBlt(dc, w - Band, 0, Band, h, src, w - Band, 0, SRCCOPY);
}

void TAppSkinPopMenu::PaintPrint(HDC dc, LPARAM flags) {
    TBitmap* b = Background();
    const int w = b->Width(), h = b->Height();
    BitBlt(dc, 0, 0, w, h, b->Canvas()->Handle(), 0, 0, SRCCOPY);
    HRGN inner = CreateRectRgn(Band, Band, w - Band, h - Band);
    const int mode = SetBkMode(dc, TRANSPARENT);
    SelectClipRgn(dc, inner);
    CallPrevious(WM_PRINT, reinterpret_cast<WPARAM>(dc), flags);
    SelectClipRgn(dc, nullptr);
    DeleteObject(inner);
    SetBkMode(dc, mode);
}

LRESULT TAppSkinPopMenu::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == SM_ISSKINNED) return 1;
    if (!manager_ || !manager_->Active) return CallPrevious(message, wParam, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        if (!data_ || (data_->Options & SkinBit(xoMenuBG)) == 0) CallPrevious(message, wParam, lParam);
        return 1;
    case WM_NCPAINT: {
        if (!CanPaint()) break;
        HDC dc = GetWindowDC(Window());
        if (dc) {
            PaintFrame(dc, true);
            ReleaseDC(Window(), dc);
        }
        return 0;
    }
    case WM_PAINT: {
        const LRESULT result = CallPrevious(message, wParam, lParam);
        // Without a non-client area the system draws the frame in here; the skin's goes over it.
        if (CanPaint() && ClientOffset().x == 0 && ClientOffset().y == 0) {
            if (HDC dc = GetWindowDC(Window())) {
                PaintFrame(dc, false);
                ReleaseDC(Window(), dc);
            }
        }
        return result;
    }
    case WM_PRINT:
        if (!CanPaint()) break;
        PaintPrint(reinterpret_cast<HDC>(wParam), lParam);
        return 0;
    default: break;
    }
    return CallPrevious(message, wParam, lParam);
}
