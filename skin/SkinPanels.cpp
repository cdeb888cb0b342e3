#include "SkinPanels.h"

#include "AppSkinForm.h"

#include "ComCtrls.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>

using namespace skinrules;

namespace {

String Lower(String s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

UINT AlignFlag(TAlignment a) { return a == taRightJustify ? DT_RIGHT : a == taCenter ? DT_CENTER : DT_LEFT; }

// The window-layer's paint of graphic children, reached from outside the class.
struct TChildPainter : TWinControl {
    static void Paint(TWinControl* control, HDC dc) {
        auto paint = &TChildPainter::PaintControls;
        (control->*paint)(dc, nullptr);
    }
};

}  // namespace

void PaintChildControls(TControl* control, HDC dc) {
    if (auto* w = dynamic_cast<TWinControl*>(control)) TChildPainter::Paint(w, dc);
}

void DrawCenteredText(HDC dc, const TRect& rect, const String& text, TAlignment alignment, bool enabled) {
    const std::wstring wide = ToWide(text);
    SetBkMode(dc, TRANSPARENT);
    RECT calc{rect.Left, rect.Top, rect.Right, rect.Bottom};
    const UINT flag = AlignFlag(alignment);
    DrawTextW(dc, wide.c_str(), -1, &calc, flag | DT_CALCRECT | DT_NOCLIP | DT_SINGLELINE | DT_EXPANDTABS);
    const int w = calc.right - calc.left, h = calc.bottom - calc.top;
    RECT r{rect.Left + (rect.Width() - w) / 2, rect.Top + (rect.Height() - h) / 2, 0, 0};
    r.right = r.left + w;
    r.bottom = r.top + h;
    if (!enabled) SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clGrayText)));
    DrawTextW(dc, wide.c_str(), -1, &r, flag | DT_SINGLELINE | DT_EXPANDTABS);
}

void StatusBevel(HDC dc, const TRect& rect, int bevel) {
    if (bevel != 1 && bevel != 2) return;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF topLeft = bevel == 1 ? shadow : light, bottomRight = bevel == 1 ? light : shadow;
    auto line = [dc](COLORREF c, int x0, int y0, int x1, int y1) {
        HPEN pen = CreatePen(PS_SOLID, 1, c);
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y1);
        SelectObject(dc, old);
        DeleteObject(pen);
    };
    line(topLeft, rect.Left, rect.Bottom - 1, rect.Left, rect.Top);
    line(topLeft, rect.Left, rect.Top, rect.Right - 1, rect.Top);
    line(bottomRight, rect.Right - 1, rect.Top, rect.Right - 1, rect.Bottom - 1);
    line(bottomRight, rect.Right - 1, rect.Bottom - 1, rect.Left - 1, rect.Bottom - 1);
}

// ---- Status bar ----

bool TSkinStatusBar::BeforeMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT: PaintMessage(m); return false;
    case WM_ERASEBKGND: m.Result = 1; return false;
    default: return TSkinControl::BeforeMessage(m);
    }
}

void TSkinStatusBar::PaintSkin(HDC dc, const TRect& rect) {
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    // One picture for every status bar; a paint fills it whole.
    static TBitmap* shared = [] {
        auto* b = new TBitmap;
        b->SetPixelFormat(pf24bit);
        return b;
    }();
    shared->SetSize(rect.Width(), rect.Height());
    HDC bdc = shared->Canvas()->Handle();
    const TRect all(0, 0, rect.Width(), rect.Height());
    FillFace(bdc, all);
    TDataSkinObject* edges = SkinData->StatusBarEdges.get();
    HGDIOBJ oldFont = SelectObject(bdc, WindowFont());
    TColor textColour = Control ? Control->Font()->Color() : SkinData->ButtonText;
    if (edges && edges->NormalColour != -1) textColour = edges->NormalColour;
    SetTextColor(bdc, static_cast<COLORREF>(ColorToRGB(textColour)));
    auto* bar = dynamic_cast<TStatusBar*>(Control);
    const int parts = static_cast<int>(SendMessageW(Handle, SB_GETPARTS, 0, 0));
    const bool simple = SendMessageW(Handle, SB_ISSIMPLE, 0, 0) != 0 || (bar && bar->SimplePanel()) || parts <= 0 ||
                        (bar && bar->Panels()->Count() == 0);
    const bool hasEdges = edges && !edges->Image->Empty();
    std::vector<std::pair<int, TRectI>> ownerDrawn;
    if (simple) {
        if (hasEdges) DrawElement(bdc, all, edges->FrameCount, 1, edges);
        String text = bar ? bar->SimpleText() : WindowText();
        if (text.empty()) text = " ";
        DrawCaption(bdc, TRect(2, 0, all.Right - 2, all.Bottom), (RightToLeft() ? DT_RIGHT : DT_LEFT) | DT_SINGLELINE,
                    true, text);
    } else {
        std::vector<TRectI> reported;
        for (int i = 0; i < parts; ++i) {
            RECT r{};
            if (!SendMessageW(Handle, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) break;
            reported.push_back({r.left, r.top, r.right, r.bottom});
        }
        const std::vector<TRectI> panels = StatusPanelRects(reported, all.Right);
        for (std::size_t i = 0; i < panels.size(); ++i) {
            const TRect r(panels[i].Left, panels[i].Top, panels[i].Right, panels[i].Bottom);
            // The panel's drawing type: owner-drawn, right-to-left reading, its border.
            const int type = HIWORD(SendMessageW(Handle, SB_GETTEXTLENGTHW, i, 0));
            const bool byProgram = (type & SBT_OWNERDRAW) != 0;
            bool rightToLeft = (type & SBT_RTLREADING) != 0;
            int bevel = (type & SBT_NOBORDERS) ? 0 : (type & SBT_POPOUT) ? 2 : 1;
            String text;
            TAlignment alignment = taLeftJustify;
            if (bar && static_cast<int>(i) < bar->Panels()->Count()) {
                TStatusPanel* p = bar->Panels()->Items(static_cast<int>(i));
                bevel = static_cast<int>(p->Bevel());
                text = p->Text();
                alignment = p->Alignment();
                if (Lower(GetEnumPropText(p, "BiDiMode")) == "bdrighttoleft") rightToLeft = true;
            } else if (!byProgram) {
                const int length = LOWORD(SendMessageW(Handle, SB_GETTEXTLENGTHW, i, 0));
                std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
                SendMessageW(Handle, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(buffer.data()));
                text = FromWide(buffer.c_str());
            }
            if (hasEdges) DrawElement(bdc, r, edges->FrameCount, StatusBevelFrame(bevel), edges);
            if (byProgram) {
                ownerDrawn.push_back({static_cast<int>(i), panels[i]});  // its content is the program's (below)
                continue;
            }
            if (text.empty()) text = " ";
            if (rightToLeft && alignment != taCenter)
                alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
            DrawCaption(bdc, TRect(r.Left + 2, r.Top, r.Right - 2, r.Bottom), AlignFlag(alignment) | DT_SINGLELINE,
                        true, text);
        }
    }
    TDataSkinObject* extra = SkinData->ExtraImages.get();
    if ((Style() & SBARS_SIZEGRIP) && extra && !extra->Image->Empty()) {
        const int count = std::max(extra->FrameCount, 1);
        const int w = extra->Image->Width() / count, h = extra->Image->Height();
        DrawFrameCell(bdc, TRect(all.Right - 1 - w, all.Bottom - 1 - h, all.Right - 1, all.Bottom - 1), count, 5,
                      extra->Image);
    }
    SelectObject(bdc, oldFont);
    GdiFlush();
    BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), bdc, 0, 0, SRCCOPY);
    PaintChildControls(Control, dc);
    // Owner-drawn panels: the program draws their content over the skin's frame, as the bar
    // itself would ask it, with the panel's value from the bar.
    HWND parent = GetParent(Handle);
    for (const auto& [index, r] : ownerDrawn) {
        if (!parent) break;
        DRAWITEMSTRUCT item{};
        item.CtlID = static_cast<UINT>(GetDlgCtrlID(Handle));
        item.itemID = static_cast<UINT>(index);
        item.itemAction = ODA_DRAWENTIRE;
        item.hwndItem = Handle;
        item.hDC = dc;
        item.rcItem = {r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
        item.itemData = static_cast<ULONG_PTR>(SendMessageW(Handle, SB_GETTEXTW, static_cast<WPARAM>(index), 0));
        SendMessageW(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    }
}

bool TSkinStatusBar::RightToLeft() const {
    if (Lower(GetEnumPropText(Control, "BiDiMode")) == "bdrighttoleft") return true;
    return (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) != 0;
}

// ---- Group box ----

void TSkinGroupBox::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    if (Control) DrawParentBack = true;
}

bool TSkinGroupBox::BeforeMessage(TMessage& m) {
    const bool go = TSkinControl::BeforeMessage(m);
    if (go && DrawParentBack && m.Msg == WM_PAINT) {
        PaintMessage(m);
        return false;
    }
    return go;
}

void TSkinGroupBox::PaintSkin(HDC dc, const TRect& rect) {
    String text = WindowText();
    if (text.empty() && Control) text = GetWideProp(Control, "Caption");
    if (Control) FillFace(dc, rect);
    HFONT font = Control ? Control->Font()->Handle() : WindowFont();
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Control ? Control->Font()->Color() : SkinData->ButtonText)));
    SIZE zero{};
    GetTextExtentPoint32W(dc, L"0", 1, &zero);
    const int h = GroupBoxFrameTop(zero.cy);
    if (!DrawParentBack) {
        RECT outer{rect.Left, rect.Top + h, rect.Right, rect.Bottom};
        FrameRect(dc, &outer, SkinData->FaceBrush);
        InflateRect(&outer, -1, -1);
        FrameRect(dc, &outer, SkinData->FaceBrush);
    }
    HPEN pen = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(SkinData->ButtonShadow)));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, 1, h, rect.Right - 1, rect.Bottom - 1, 5, 5);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    if (!text.empty()) {
        const std::wstring wide = ToWide(text);
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(SkinData->ButtonFace)));
        RECT r{rect.Left + 8, rect.Top, rect.Right, rect.Bottom};
        DrawTextW(dc, wide.c_str(), -1, &r, DT_EXPANDTABS | DT_SINGLELINE);
    }
    SelectObject(dc, oldFont);
    if (DrawParentBack) PaintChildControls(Control, dc);
}

// ---- Panel ----

void TSkinBox::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached) return;
    ChangeColor = changeColor;
    if (!BindOwner(form, skinData, canvas)) return;
    if (auto* w = dynamic_cast<TWinControl*>(Control)) Handle = w->HandleAllocated() ? w->WindowHandle() : nullptr;
    Register();
    if (ChangeColor) {
        ApplyParentBackgroundRule(true);
        SavedColor = Control->Color();
        Control->SetColor(skinData->ButtonFace);
    }
    Attached = true;
    SkinState = ssAttached;
}

void TSkinBox::Unskin() {
    if (SkinState != ssUnskinned && ChangeColor && Control && (Control->ComponentState() & csDestroying) == 0) {
        ApplyParentBackgroundRule(false);
        Control->SetColor(SavedColor);
    }
    SkinState = ssUnskinned;
}
