#include "SkinTabs.h"

#include "AppSkinForm.h"
#include "SkinBitmapUtils.h"
#include "SkinImageDraw.h"
#include "SkinRangeControls.h"

#include "ComCtrls.h"
#include "Lists.h"

#include <commctrl.h>

#include <algorithm>

using namespace skinrules;

TSkinTab::TSkinTab(TComponent* owner)
    : TSkinControl(owner), TabImage(std::make_unique<TBitmap>()), PageImage(std::make_unique<TBitmap>()),
      Strip(std::make_unique<TBitmap>()) {
    Strip->SetPixelFormat(pf24bit);
}

TSkinTab::~TSkinTab() {
    if (UpDown) {
        TSkinControl* arrows = UpDown;
        UpDown = nullptr;
        if (Form) Form->Skinners().Remove(arrows);
        arrows->Free();
    }
}

void TSkinTab::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    if (!Handle) return;
    WindowEnabled = (Style() & WS_DISABLED) == 0;
    CloseButtons = Control && Control->Tag() == 7777 && dynamic_cast<TPageControl*>(Control);
    PrepareImages();
    FindArrows();
    Enabled = true;
    UnicodeTabs = IsWindowUnicode(Handle) != FALSE;
}

void TSkinTab::AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) {
    TSkinControl::AttachWindow(window, skinData, form, canvas);
    Focused = GetFocus() == window;
    WindowEnabled = (Style() & WS_DISABLED) == 0;
    PrepareImages();
    FindArrows();
    Enabled = true;
    UnicodeTabs = IsWindowUnicode(window) != FALSE;
}

void TSkinTab::RefreshSkin() {
    TSkinControl::RefreshSkin();
    PrepareImages();
}

void TSkinTab::PrepareImages() {
    Side = TabSide(static_cast<std::uint32_t>(Style()));
    TabImage->SetSize(0, 0);
    PageImage->SetSize(0, 0);
    auto* tabs = dynamic_cast<TDataSkinBorder*>(SkinData->Tabs.get());
    if (!SkinData->Tabs || SkinData->Tabs->Image->Empty()) return;
    CopyBitmap(SkinData->Tabs->Image, TabImage.get());
    if (SkinData->Tabs->Style == 0 && tabs) CopyBitmap(tabs->Image2, PageImage.get());
    else if (SkinData->Tabs->Style == 1 && SkinData->TabPane) CopyBitmap(SkinData->TabPane->Image, PageImage.get());
    TabImage->SetPixelFormat(pf24bit);
    PageImage->SetPixelFormat(pf24bit);
    if (Side == 1) {
        FlipVertical(TabImage.get());
        if (!PageImage->Empty()) FlipVertical(PageImage.get());
    } else if (Side == 2 && !PageImage->Empty()) {
        RotateLeft(PageImage.get());
    } else if (Side == 3 && !PageImage->Empty()) {
        RotateRight(PageImage.get());
    }
}

void TSkinTab::FindArrows() {
    if (UpDown || !Handle) return;
    if (HWND arrows = FindWindowExW(Handle, nullptr, UPDOWN_CLASSW, nullptr))
        UpDown = AttachUpDown(arrows, SkinData, Form, false, false);
}

bool TSkinTab::CloseHit(POINT p) {
    for (std::size_t i = 0; i < CloseRects.size(); ++i) {
        const TRect& r = CloseRects[i];
        if (p.x < r.Left || p.x >= r.Right || p.y < r.Top || p.y >= r.Bottom) continue;
        HWND formWindow = Form ? Form->Window() : GetParent(Handle);
        const LRESULT answer = SendMessageW(formWindow, SM_CLOSETAB, reinterpret_cast<WPARAM>(Handle),
                                            static_cast<LPARAM>(i));
        if (answer == 0)
            if (auto* pages = dynamic_cast<TPageControl*>(Control); pages && static_cast<int>(i) < pages->PageCount())
                pages->Pages(static_cast<int>(i))->Free();
        return true;
    }
    return false;
}

bool TSkinTab::BeforeMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT: PaintMessage(m); return false;
    case WM_ERASEBKGND: m.Result = 1; return false;
    case WM_LBUTTONDOWN:
        if (CloseButtons && CloseHit({static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))})) {
            m.Result = 0;
            return false;
        }
        break;
    default: break;
    }
    return TSkinControl::BeforeMessage(m);
}

void TSkinTab::PaintSkin(HDC dc, const TRect& rect) {
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    Side = TabSide(static_cast<std::uint32_t>(Style()));
    WindowEnabled = (Style() & WS_DISABLED) == 0;
    RECT adjusted{rect.Left, rect.Top, rect.Right, rect.Bottom};
    SendMessageW(Handle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&adjusted));
    const TRectI display =
        TabDisplayRect({adjusted.left, adjusted.top, adjusted.right, adjusted.bottom}, Side);
    const int count = static_cast<int>(SendMessageW(Handle, TCM_GETITEMCOUNT, 0, 0));
    const int focus = static_cast<int>(SendMessageW(Handle, TCM_GETCURFOCUS, 0, 0));
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle, TCM_GETIMAGELIST, 0, 0));
    // The sheets and arrows are windows of their own: nothing is painted over them.
    const int clipSaved = SaveDC(dc);
    for (HWND child = GetWindow(Handle, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT c{};
        GetWindowRect(child, &c);
        MapWindowPoints(nullptr, Handle, reinterpret_cast<POINT*>(&c), 2);
        ExcludeClipRect(dc, c.left, c.top, c.right, c.bottom);
    }
    FillFace(dc, rect);
    TDataSkinObject* tabs = SkinData->Tabs.get();
    if (tabs && !TabImage->Empty()) {
        TRectI area{rect.Left, rect.Top, rect.Right, rect.Bottom};
        switch (Side) {
        case 0: area.Bottom = display.Top; break;
        case 1: area.Top = display.Bottom; break;
        case 2: area.Right = display.Left; break;
        default: area.Left = display.Right; break;
        }
        const bool across = Side <= 1;
        const int length = across ? area.Right - area.Left : area.Bottom - area.Top;
        const int depth = across ? area.Bottom - area.Top : area.Right - area.Left;
        if (length > 0 && depth > 0) {
            Strip->SetSize(length, depth);
            HDC sdc = Strip->Canvas()->Handle();
            FillFace(sdc, TRect(0, 0, length, depth));
            HGDIOBJ oldFont = SelectObject(sdc, WindowFont());
            CloseRects.assign(static_cast<std::size_t>(std::max(count, 0)), TRect());
            for (int i = 0; i < count; ++i) {
                wchar_t text[81] = {};
                TCITEMW item{};
                item.mask = TCIF_TEXT | TCIF_IMAGE;
                item.pszText = text;
                item.cchTextMax = 80;
                SendMessageW(Handle, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
                RECT r{};
                if (!SendMessageW(Handle, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)))
                    continue;
                TRect t;
                switch (Side) {
                case 0: t = TRect(r.left - area.Left, r.top - area.Top + 1, r.right - area.Left, r.bottom - area.Top + 1); break;
                case 1: t = TRect(r.left - area.Left, r.top - area.Top - 1, r.right - area.Left, r.bottom - area.Top - 1); break;
                default: t = TRect(r.top - area.Top, r.left - area.Left, r.bottom - area.Top, r.right - area.Left); break;
                }
                const int state = i == focus ? 2 : 1;
                DrawFitted(sdc, t, TabImage.get(), false, tabs->Tile == 1, tabs->Trans == 1, tabs->FrameCount, state,
                           tabs->Margins());
                if (CloseButtons) {
                    const TRectI c = TabCloseRect({t.Left, t.Top, t.Right, t.Bottom});
                    HPEN pen = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(clWindowText)));
                    HGDIOBJ oldPen = SelectObject(sdc, pen);
                    MoveToEx(sdc, c.Left, c.Top, nullptr);
                    LineTo(sdc, c.Right, c.Bottom);
                    MoveToEx(sdc, c.Right - 1, c.Top, nullptr);
                    LineTo(sdc, c.Left - 1, c.Bottom);
                    SelectObject(sdc, oldPen);
                    DeleteObject(pen);
                    CloseRects[static_cast<std::size_t>(i)] =
                        TRect(c.Left + area.Left, c.Top + area.Top, c.Right + area.Left, c.Bottom + area.Top);
                }
                TColor colour = Control ? Control->Font()->Color() : SkinData->ButtonText;
                const TColor given = state == 1 ? tabs->NormalColour : tabs->MouseOverColour;
                if (given != -1) colour = given;
                SetTextColor(sdc, static_cast<COLORREF>(ColorToRGB(colour)));
                DrawImageText(sdc, t, 1, FromWide(text), item.iImage, images);
            }
            SelectObject(sdc, oldFont);
            GdiFlush();
            if (Side == 2) RotateLeft(Strip.get());
            else if (Side == 3) RotateRight(Strip.get());
            BitBlt(dc, area.Left, area.Top, Strip->Width(), Strip->Height(), Strip->Canvas()->Handle(), 0, 0, SRCCOPY);
        }
    }
    if (!PageImage->Empty()) {
        TSkinMargins margins{4, 5, 4, 4};
        if (tabs && tabs->Style != 0 && SkinData->TabPane) margins = SkinData->TabPane->Margins();
        try {
            DrawFitted(dc, TRect(display.Left, display.Top, display.Right, display.Bottom), PageImage.get(), false,
                       false, false, 1, 1, margins);
        } catch (...) {
        }
    }
    RestoreDC(dc, clipSaved);
}

// ---- The older tab set ----

TSkinTab31::TSkinTab31(TComponent* owner)
    : TSkinControl(owner), TabImage(std::make_unique<TBitmap>()), buffer_(std::make_unique<TBitmap>()) {
    buffer_->SetPixelFormat(pf24bit);
}

TSkinTab31::~TSkinTab31() { FreeUpDown(); }

void TSkinTab31::FreeUpDown() {
    if (!UpDown) return;
    TSkinControl* arrows = UpDown;
    UpDown = nullptr;
    if (Form) Form->Skinners().Remove(arrows);
    arrows->Free();
}

void TSkinTab31::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    if (!Attached || !Control) return;
    PrepareImage();
    TComponent* first = Control->ComponentCount() > 0 ? Control->Components(0) : nullptr;
    Scroller = dynamic_cast<TWinControl*>(first);
    if (Scroller && !dynamic_cast<TSkinControl*>(first) && !UpDown)
        UpDown = AttachUpDown(Scroller->Handle(), SkinData, Form, false, true);
    else
        Scroller = nullptr;
}

void TSkinTab31::Notification(TComponent* component, TOperation operation) {
    TSkinControl::Notification(component, operation);
    if (operation == opRemove && component == Scroller) {
        Scroller = nullptr;
        FreeUpDown();
    }
}

void TSkinTab31::RefreshSkin() {
    TSkinControl::RefreshSkin();
    PrepareImage();
}

void TSkinTab31::PrepareImage() {
    TabImage->SetSize(0, 0);
    if (!SkinData || !SkinData->Tabs || SkinData->Tabs->Image->Empty()) return;
    CopyBitmap(SkinData->Tabs->Image, TabImage.get());
    TabImage->SetPixelFormat(pf24bit);
    FlipVertical(TabImage.get());
}

bool TSkinTab31::BeforeMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT:
        PaintMessage(m);
        return true;  // the tab set's own painting runs as well
    case WM_ERASEBKGND: m.Result = 1; return false;
    default: return TSkinControl::BeforeMessage(m);
    }
}

void TSkinTab31::PaintSkin(HDC dc, const TRect& rect) {
    if (!Control || rect.Width() <= 0 || rect.Height() <= 0) return;
    WindowEnabled = (Style() & WS_DISABLED) == 0;
    buffer_->SetSize(rect.Width(), rect.Height());
    HDC bdc = buffer_->Canvas()->Handle();
    const TRect all(0, 0, rect.Width(), rect.Height());
    FillFace(bdc, all);
    auto* font = dynamic_cast<TFont*>(GetObjProp(Control, "Font", nullptr));
    HGDIOBJ oldFont = SelectObject(bdc, font ? font->Handle() : WindowFont());
    TDataSkinObject* tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    auto* list = dynamic_cast<TStrings*>(GetObjProp(Control, "Tabs", nullptr));
    if (tabs && list && !TabImage->Empty()) {
        std::vector<int> widths;
        std::vector<std::wstring> texts;
        for (int i = 0; i < list->Count(); ++i) {
            texts.push_back(ToWide(list->Strings(i)));
            SIZE size{};
            GetTextExtentPoint32W(bdc, texts.back().c_str(), static_cast<int>(texts.back().size()), &size);
            widths.push_back(size.cx);
        }
        const bool scrollerShown = Scroller && Scroller->HandleAllocated() && IsWindowVisible(Scroller->WindowHandle());
        const auto cells = TabSetLayout(widths, GetIntProp(Control, "FirstIndex"), GetIntProp(Control, "TabIndex"),
                                        all.Width(), all.Height(), std::max(GetIntProp(Control, "StartMargin"), 0),
                                        std::max(GetIntProp(Control, "EndMargin"), 0), scrollerShown);
        for (const TTabSetCell& cell : cells) {
            const TRect r(cell.Rect.Left, cell.Rect.Top, cell.Rect.Right, cell.Rect.Bottom);
            DrawFitted(bdc, r, TabImage.get(), false, tabs->Tile == 1, tabs->Trans == 1, tabs->FrameCount, cell.Frame,
                       tabs->Margins());
            TColor colour = font ? font->Color() : SkinData->ButtonText;
            const TColor given = cell.Frame == 1 ? tabs->NormalColour : tabs->MouseOverColour;
            if (given != -1) colour = given;
            SetTextColor(bdc, static_cast<COLORREF>(ColorToRGB(colour)));
            DrawCaption(bdc, r, DT_CENTER | DT_SINGLELINE, WindowEnabled,
                        list->Strings(cell.Index));
        }
    }
    SelectObject(bdc, oldFont);
    GdiFlush();
    BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), bdc, 0, 0, SRCCOPY);
}
