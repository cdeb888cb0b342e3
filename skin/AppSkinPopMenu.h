// TAppSkinPopMenu: the skin of one popup-menu window (class "#32768"). The skin manager attaches
// one to each popup-menu window it takes as the window is created; it paints the window's frame
// and background from the skin's menu-background element and keeps that picture (Background), at
// the window's size, for the item painter, which draws each owner-drawn item over its part of it.
//
// Wine (8.0): the menu window has no non-client area; the system draws its 3-pixel frame and the
// background in WM_PAINT, after WM_NCPAINT and WM_ERASEBKGND, and never sends WM_PRINT. The window
// is created before the owner gets WM_INITMENUPOPUP (the other order on Windows). So the skinner
// paints its frame bands again after the system's WM_PAINT when the window has no non-client area,
// and the picture is made on first use rather than at the first WM_NCPAINT.
#pragma once

#include "WindowSubclass.h"

#include "Graphics.h"

#include <memory>

class TSkinData;
class TSkinManage;

class TAppSkinPopMenu : public TWindowSubclass {
public:
    TAppSkinPopMenu(TSkinManage* manager);
    ~TAppSkinPopMenu() override;

    // Hooks the popup window; Menu is the menu shown in it, 0 until the manager binds one.
    bool AttachMenu(HWND window, TSkinData* data, HMENU menu);
    void DetachMenu();

    // The menu background at the window's size (nullptr when the skin has none).
    TBitmap* Background();
    // Where the window's client area starts in Background.
    POINT ClientOffset() const;

    HMENU Menu = nullptr;
    bool FromBar = false;
    TSkinData* SkinData() const { return data_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool CanPaint() const;
    void PaintFrame(HDC dc, bool whole);
    void PaintPrint(HDC dc, LPARAM flags);

    TSkinManage* manager_;
    TSkinData* data_ = nullptr;
    std::unique_ptr<TBitmap> background_;
    int width_ = 0;
    int height_ = 0;
};
