#include "SkinSmallControls.h"

#include "AppSkinForm.h"
#include "SkinImageDraw.h"
#include "SkinPanels.h"
#include "SkinRangeControls.h"

#include "TypeRegistry.h"

#include <commctrl.h>

#include <algorithm>

// ---- Tab sheet ----

bool TSkinTabSheet::BeforeMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINT:
    case WM_PRINTCLIENT: PaintMessage(m); return false;
    case WM_ERASEBKGND: {
        RECT c{};
        GetClientRect(Handle, &c);
        FillRect(reinterpret_cast<HDC>(m.WParam), &c, SkinData->FaceBrush);
        m.Result = 1;
        return false;
    }
    default: return TSkinControl::BeforeMessage(m);
    }
}

void TSkinTabSheet::PaintSkin(HDC dc, const TRect& rect) {
    FillFace(dc, rect);
    PaintChildControls(Control, dc);
}

// ---- Dialogs of other modules ----

bool TSkinBoxH::BeforeMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_ERASEBKGND: {
        RECT w{};
        GetWindowRect(Handle, &w);
        RECT r{0, 0, w.right - w.left, w.bottom - w.top};
        FillRect(reinterpret_cast<HDC>(m.WParam), &r, SkinData->FaceBrush);
        m.Result = 0;
        return false;
    }
    case WM_CTLCOLORSTATIC:
        CallDefault(m);
        SetBkMode(reinterpret_cast<HDC>(m.WParam), TRANSPARENT);
        m.Result = reinterpret_cast<LRESULT>(SkinData->FaceBrush);
        return false;
    default: return TSkinControl::BeforeMessage(m);
    }
}

// ---- Header ----

void TSkinHeader::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    HotItem = -1;
}

void TSkinHeader::AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) {
    TSkinControl::AttachWindow(window, skinData, form, canvas);
    HotItem = -1;
}

bool TSkinHeader::BeforeMessage(TMessage& m) {
    const bool picture = SkinData->Headerbar && !SkinData->Headerbar->Image->Empty();
    switch (m.Msg) {
    case WM_PAINT:
        if (!picture) break;
        PaintMessage(m);
        return false;
    case WM_ERASEBKGND:
        if (!picture) break;
        m.Result = 1;
        return false;
    default: break;
    }
    return TSkinControl::BeforeMessage(m);
}

void TSkinHeader::AfterMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_MOUSEMOVE: {
        const POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
        int hot = -1;
        for (std::size_t i = 0; i < ItemRects.size(); ++i) {
            const TRect& r = ItemRects[i];
            if (p.x >= r.Left - 3 && p.x < r.Right + 3 && p.y >= r.Top && p.y < r.Bottom) hot = static_cast<int>(i);
        }
        if (hot != HotItem) {
            HotItem = hot;
            Redraw();
        }
        TrackMouseLeave(Handle);
        break;
    }
    case WM_MOUSELEAVE:
        HotItem = -1;
        Redraw();
        break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

void TSkinHeader::PaintSkin(HDC dc, const TRect& rect) {
    TDataSkinObject* e = SkinData->Headerbar.get();
    if (!e || e->Image->Empty() || rect.Width() <= 0 || rect.Height() <= 0) return;
    TBitmap buffer;
    buffer.SetPixelFormat(pf24bit);
    buffer.SetSize(rect.Width(), rect.Height());
    HDC bdc = buffer.Canvas()->Handle();
    HGDIOBJ oldFont = SelectObject(bdc, WindowFont());
    SetBkMode(bdc, TRANSPARENT);
    SetTextColor(bdc, static_cast<COLORREF>(ColorToRGB(SkinData->ButtonText)));
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle, HDM_GETIMAGELIST, 0, 0));
    const int count = static_cast<int>(SendMessageW(Handle, HDM_GETITEMCOUNT, 0, 0));
    ItemRects.clear();
    int right = 0;
    for (int i = 0; i < count; ++i) {
        RECT r{};
        if (!SendMessageW(Handle, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
        const TRect item(r.left, r.top, r.right, r.bottom);
        DrawFitted(bdc, item, e->Image, false, e->Tile == 1, e->Trans == 1, e->FrameCount, i == HotItem ? 2 : 1,
                   e->Margins());
        wchar_t text[101] = {};
        HDITEMW hd{};
        hd.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
        hd.pszText = text;
        hd.cchTextMax = 100;
        SendMessageW(Handle, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&hd));
        const int align = (hd.fmt & HDF_RIGHT) ? 2 : (hd.fmt & HDF_CENTER) ? 1 : 0;
        const TRect inner(item.Left + 3, item.Top, item.Right - 3, item.Bottom);
        DrawImageText(bdc, inner, align, FromWide(text), (hd.fmt & HDF_IMAGE) ? hd.iImage : -1, images);
        ItemRects.push_back(inner);
        right = std::max(right, static_cast<int>(r.right));
    }
    if (right < rect.Width())
        DrawFitted(bdc, TRect(right, 0, rect.Width(), rect.Height()), e->Image, false, e->Tile == 1, e->Trans == 1,
                   e->FrameCount, 1, e->Margins());
    SelectObject(bdc, oldFont);
    GdiFlush();
    BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), bdc, 0, 0, SRCCOPY);
}

// ---- Button-style tabs ----

bool TSkinTabBtn::BeforeMessage(TMessage& m) {
    const bool picture = SkinData->Buttons && !SkinData->Buttons->Image->Empty();
    if (m.Msg == WM_PAINT && picture) {
        PaintMessage(m);
        return false;
    }
    return TSkinControl::BeforeMessage(m);
}

void TSkinTabBtn::PaintSkin(HDC dc, const TRect& rect) {
    TDataSkinButton* b = SkinData->Buttons.get();
    if (!b || b->Image->Empty() || rect.Width() <= 0 || rect.Height() <= 0) return;
    TBitmap buffer;
    buffer.SetPixelFormat(pf24bit);
    buffer.SetSize(rect.Width(), rect.Height());
    HDC bdc = buffer.Canvas()->Handle();
    RECT display{rect.Left, rect.Top, rect.Right, rect.Bottom};
    SendMessageW(Handle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    FillFace(bdc, TRect(0, 0, rect.Width(), std::max<int>(display.top - 4 + 1, 0)));
    FillFace(bdc, TRect(0, 0, rect.Width(), rect.Height()));
    HGDIOBJ oldFont = SelectObject(bdc, WindowFont());
    SetBkMode(bdc, TRANSPARENT);
    const int count = static_cast<int>(SendMessageW(Handle, TCM_GETITEMCOUNT, 0, 0));
    const int focus = static_cast<int>(SendMessageW(Handle, TCM_GETCURFOCUS, 0, 0));
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle, TCM_GETIMAGELIST, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r{};
        if (!SendMessageW(Handle, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
        const TRect t(r.left, r.top + 1, r.right, r.bottom + 1);
        const int frame = i == focus ? 2 : 1;
        DrawFitted(bdc, t, b->Image, false, b->Tile == 1, b->Trans == 1, b->FrameCount, frame, b->Margins());
        COLORREF colour = RGB(0, 0, 0);
        if (frame == 1 && b->NormalColour2Given) colour = static_cast<COLORREF>(ColorToRGB(b->NormalColour2));
        if (frame == 2 && b->PressedColour2Given) colour = static_cast<COLORREF>(ColorToRGB(b->PressedColour2));
        SetTextColor(bdc, colour);
        wchar_t text[81] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = text;
        item.cchTextMax = 80;
        SendMessageW(Handle, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        DrawImageText(bdc, t, 1, FromWide(text), item.iImage, images);
    }
    SelectObject(bdc, oldFont);
    GdiFlush();
    BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), bdc, 0, 0, SRCCOPY);
}

// ---- Page controls with tab pictures ----

TSkinAdvPage::~TSkinAdvPage() {
    if (UpDown) {
        TSkinControl* arrows = UpDown;
        UpDown = nullptr;
        arrows->Free();
    }
}

void TSkinAdvPage::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached) return;
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    if (Mode == 4) SetTabPictures();
}

void TSkinAdvPage::SetTabPictures() {
    TDataSkinObject* tabs = SkinData->Tabs.get();
    if (!tabs || tabs->Image->Empty() || !Control) return;
    const char* names[2] = {"TabBackGround", "TabBackGroundActive"};
    for (int frame = 1; frame <= 2; ++frame) {
        auto* target = dynamic_cast<TBitmap*>(GetObjProp(Control, names[frame - 1], nullptr));
        if (!target) continue;
        std::unique_ptr<TBitmap> picture(
            FitFrame(TRect(0, 0, 100, 21), tabs->Image, tabs->Margins(), false, tabs->Tile == 1, tabs->FrameCount, frame));
        target->Assign(picture.get());
    }
}

void TSkinAdvPage::RefreshSkin() {
    TSkinControl::RefreshSkin();
    SetTabPictures();
}

void TSkinAdvPage::PaintSkin(HDC, const TRect&) {
    if (UpDown || !Handle) return;
    if (HWND arrows = FindWindowExW(Handle, nullptr, UPDOWN_CLASSW, nullptr))
        UpDown = AttachUpDown(arrows, SkinData, Form, false, false);
}

void TSkinAdvPage::Unskin() {
    TSkinControl::Unskin();
    if (!Control || (Control->ComponentState() & csDestroying)) return;
    for (const char* name : {"TabBackGround", "TabBackGroundActive"})
        if (auto* target = dynamic_cast<TBitmap*>(GetObjProp(Control, name, nullptr))) target->SetSize(0, 0);
}

// ---- Check and radio controls with glyph strips ----

void TSkinObjImage::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached || !BindOwner(form, skinData, canvas)) return;
    if (auto* w = dynamic_cast<TWinControl*>(Control)) Handle = w->HandleAllocated() ? w->WindowHandle() : nullptr;
    Register();
    Build();
    Attached = true;
    SkinState = ssAttached;
}

void TSkinObjImage::Build() {
    TDataSkinButton* b = SkinData->Buttons.get();
    const bool radio = Mode == 2;
    TBitmap* source = radio ? b->RadioImage : b->CheckImage;
    const int sourceCells = std::max(radio ? b->RadioFrames : b->CheckFrames, 1);
    if (!source || source->Empty() || !Control) return;
    const std::vector<int> cells = skinrules::ObjImageCells(Mode, sourceCells);
    if (cells.empty()) return;
    const int w = source->Width() / sourceCells, h = source->Height();
    if (w <= 0) return;
    TBitmap strip;
    strip.SetPixelFormat(pf24bit);
    strip.SetSize(w * static_cast<int>(cells.size()), h);
    FillColor(strip.Canvas()->Handle(), TRect(0, 0, strip.Width(), h), SkinKeyColour);
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (cells[i] >= 0 && cells[i] < sourceCells)
            BitBlt(strip.Canvas()->Handle(), static_cast<int>(i) * w, 0, w, h, source->Canvas()->Handle(), cells[i] * w,
                   0, SRCCOPY);
    GdiFlush();
    if (Mode == 3) {
        TObject* properties = GetObjProp(Control, "Properties", nullptr);
        if (auto* glyph = dynamic_cast<TBitmap*>(GetObjProp(properties, "Glyph", nullptr))) {
            glyph->Assign(&strip);
            glyph->SetTransparentColor(SkinKeyColour);
            glyph->SetTransparent(false);
        }
        return;
    }
    if (auto* glyphs = dynamic_cast<TBitmap*>(GetObjProp(Control, "CustomGlyphs", nullptr))) glyphs->Assign(&strip);
    SetPropText(Control, "transparentcolor", std::to_string(SkinKeyColour));
    SetPropText(Control, "UseCustomGlyphs", "false");
    SetPropText(Control, "UseCustomGlyphs", "true");
}

void TSkinObjImage::RefreshSkin() { Build(); }

void TSkinObjImage::Unskin() {
    if (!Control || (Control->ComponentState() & csDestroying)) return;
    if (Mode == 3) {
        TObject* properties = GetObjProp(Control, "Properties", nullptr);
        if (auto* glyph = dynamic_cast<TBitmap*>(GetObjProp(properties, "Glyph", nullptr))) glyph->SetSize(0, 0);
        return;
    }
    SetPropText(Control, "UseCustomGlyphs", "false");
}
