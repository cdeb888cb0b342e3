#include "SkinCheckRadio.h"

#include "SkinPanels.h"

#include <algorithm>

using namespace skinrules;

namespace {

bool MarkReady(TBitmap* strip) { return strip && !strip->Empty(); }

String LowerText(String s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

// The mark and the caption of a check box or radio button, shared by both skinners.
class TMarkPainter {
public:
    static void Paint(TSkinControl& s, HDC dc, const TRect& rect, TBitmap* strip, int cells, int frame, bool drawText,
                      bool transparent) {
        const int count = std::max(cells, 1);
        const int mw = strip->Width() / count, mh = strip->Height();
        const LONG_PTR style = GetWindowLongPtrW(s.Handle, GWL_STYLE);
        const bool rightToLeft = (GetWindowLongPtrW(s.Handle, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
        const TMarkLayout layout = LayoutMark(rect.Width(), rect.Height(), mw, mh, (style & BS_LEFTTEXT) != 0,
                                              rightToLeft);
        if (drawText && !transparent) {
            HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(s.SkinData->ButtonFace)));
            RECT all{rect.Left, rect.Top, rect.Right, rect.Bottom};
            FillRect(dc, &all, brush);
            DeleteObject(brush);
        }
        DrawFrame(dc, TRect(layout.Mark.Left, layout.Mark.Top, layout.Mark.Right, layout.Mark.Bottom), strip, true,
                  count, frame);
        if (!drawText) return;
        String caption;
        {
            const int length = GetWindowTextLengthW(s.Handle);
            std::wstring buffer(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
            GetWindowTextW(s.Handle, buffer.data(), length + 1);
            caption = FromWide(buffer.c_str());
        }
        if (caption.empty() && s.Control) caption = GetWideProp(s.Control, "Caption");
        HFONT font = s.Control ? s.Control->Font()->Handle()
                               : reinterpret_cast<HFONT>(SendMessageW(s.Handle, WM_GETFONT, 0, 0));
        HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
        const TColor colour = s.Control ? s.Control->Font()->Color() : s.SkinData->ButtonText;
        const bool enabled = (style & WS_DISABLED) == 0;
        SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(enabled ? colour : clGrayText)));
        SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(s.SkinData->ButtonFace)));
        SetBkMode(dc, TRANSPARENT);
        const UINT align = layout.AlignRight ? DT_RIGHT : DT_LEFT;
        const std::wstring text = ToWide(caption);
        const TRectI& area = layout.TextArea;
        RECT calc{area.Left, area.Top, area.Right, area.Bottom};
        DrawTextW(dc, text.c_str(), -1, &calc, DT_CALCRECT | DT_NOCLIP | DT_WORDBREAK | DT_EXPANDTABS | align);
        const int w = calc.right - calc.left, h = calc.bottom - calc.top;
        RECT box{area.Left, area.Top + (area.Bottom - area.Top - h) / 2, area.Left + w, 0};
        if (layout.AlignRight) {
            box.right = area.Right;
            box.left = box.right - w;
        }
        box.bottom = box.top + h;
        if (GetFocus() == s.Handle && !text.empty()) {
            RECT focus = box;
            InflateRect(&focus, 1, 1);
            DrawFocusRect(dc, &focus);
        }
        DrawTextW(dc, text.c_str(), -1, &box, DT_WORDBREAK | DT_EXPANDTABS | align);
        if (oldFont) SelectObject(dc, oldFont);
    }
};

// ---- Check box ----

void TSkinCheckBox::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    LastSetCheck = 0;
    DrawParentBack = Control && MarkReady(skinData->Buttons->CheckImage);
    Transparent = (Control && Control->Tag() == 5555) || (skinData->Options & SkinBit(xoTransparent)) != 0;
}

void TSkinCheckBox::AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) {
    TSkinControl::AttachWindow(window, skinData, form, canvas);
    LastSetCheck = 0;
    DrawParentBack = false;
    Transparent = (skinData->Options & SkinBit(xoTransparent)) != 0;
}

bool TSkinCheckBox::BeforeMessage(TMessage& m) {
    const bool go = TSkinControl::BeforeMessage(m);
    if (!go) return false;
    switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINT:
    case WM_PRINTCLIENT:
        if (DrawParentBack) {
            PaintMessage(m);
            return false;
        }
        break;
    case WM_ERASEBKGND:
        if (Transparent) {
            EraseParentBack(m);
            return false;
        }
        break;
    default: break;
    }
    return go;
}

void TSkinCheckBox::AfterMessage(TMessage& m) {
    switch (m.Msg) {
    case BM_SETCHECK: LastSetCheck = static_cast<int>(m.WParam) + 1; Redraw(); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case CM_EXIT:
    case SM_CHECKREDRAW: Redraw(); break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

int TSkinCheckBox::Frame() const {
    TCheckFacts facts;
    const LRESULT state = SendMessageW(Handle, BM_GETSTATE, 0, 0);
    facts.MessageChecked = (state & BST_CHECKED) != 0;
    facts.MessageIndeterminate = (state & BST_INDETERMINATE) != 0;
    if (Control) {
        facts.HasState = HasProp(Control, "State");
        if (facts.HasState) facts.State = GetEnumPropText(Control, "State");
        facts.HasChecked = HasProp(Control, "Checked");
        if (facts.HasChecked) facts.Checked = LowerText(GetEnumPropText(Control, "Checked"));
        facts.HasDataField = HasProp(Control, "DataField");
        facts.HasDataBinding = HasProp(Control, "DataBinding");
    }
    facts.LastSetCheck = LastSetCheck;
    const bool disabled = (GetWindowLongPtrW(Handle, GWL_STYLE) & WS_DISABLED) != 0;
    return CheckBoxFrame(CheckStateOf(facts), disabled, SkinData->Buttons->CheckFrames);
}

void TSkinCheckBox::PaintSkin(HDC dc, const TRect& rect) {
    TBitmap* strip = SkinData->Buttons->CheckImage;
    if (!MarkReady(strip)) return;
    TMarkPainter::Paint(*this, dc, rect, strip, SkinData->Buttons->CheckFrames, Frame(), DrawParentBack, Transparent);
    if (DrawParentBack) PaintChildControls(Control, dc);
}

// ---- Radio button ----

void TSkinRadioButton::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    DrawParentBack = Control && MarkReady(skinData->Buttons->RadioImage);
    Transparent = (Control && Control->Tag() == 5555) || (skinData->Options & SkinBit(xoTransparent)) != 0;
}

void TSkinRadioButton::AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) {
    TSkinControl::AttachWindow(window, skinData, form, canvas);
    DrawParentBack = false;
    Transparent = (skinData->Options & SkinBit(xoTransparent)) != 0;
}

bool TSkinRadioButton::BeforeMessage(TMessage& m) {
    const bool go = TSkinControl::BeforeMessage(m);
    if (!go) return false;
    switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINT:
    case WM_PRINTCLIENT:
        if (DrawParentBack) {
            PaintMessage(m);
            return false;
        }
        break;
    case WM_ERASEBKGND:
        if (Transparent) {
            EraseParentBack(m);
            return false;
        }
        break;
    default: break;
    }
    return go;
}

void TSkinRadioButton::AfterMessage(TMessage& m) {
    switch (m.Msg) {
    case BM_SETCHECK:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case CM_EXIT:
    case SM_CHECKREDRAW: Redraw(); break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

int TSkinRadioButton::Frame() const {
    bool checked = (SendMessageW(Handle, BM_GETCHECK, 0, 0) & BST_CHECKED) != 0;
    if (Control && HasProp(Control, "Checked")) checked = LowerText(GetEnumPropText(Control, "Checked")) == "true";
    const bool disabled = (GetWindowLongPtrW(Handle, GWL_STYLE) & WS_DISABLED) != 0;
    return RadioFrame(checked, disabled, SkinData->Buttons->RadioFrames);
}

void TSkinRadioButton::PaintSkin(HDC dc, const TRect& rect) {
    TBitmap* strip = SkinData->Buttons->RadioImage;
    if (!MarkReady(strip)) return;
    TMarkPainter::Paint(*this, dc, rect, strip, SkinData->Buttons->RadioFrames, Frame(), DrawParentBack, Transparent);
    if (DrawParentBack) PaintChildControls(Control, dc);
}
