#include "RzCommon.h"

#include "Encoding.h"
#include "TypeRegistry.h"

#include <algorithm>
#include <array>

TFrameStyle FrameStyleFromName(const String& name) {
    int i = 0;
    for (const char* n : kFrameStyleNames) {
        if (SameText(name, n))
            return static_cast<TFrameStyle>(i);
        ++i;
    }
    throw EConvertError("'" + name + "' is not a frame style");
}

bool ThemesEnabled() {
    return false;
}

// ---- Drawing ------------------------------------------------------------------------------------

namespace {

void Line(TCanvas& canvas, int x1, int y1, int x2, int y2) {
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

// The two colours of each single-layer style; the outer and inner pairs of the two-layer ones.
struct TStyleColors {
    TColor OuterUpperLeft;
    TColor OuterLowerRight;
    TColor InnerUpperLeft = clNone;
    TColor InnerLowerRight = clNone;
};

TStyleColors SystemColorsOf(TFrameStyleEx style) {
    switch (style) {
    case fsNone: return {clWindow, clWindow};
    case fsFlat: return {cl3DDkShadow, cl3DDkShadow};
    case fsGroove: return {clBtnShadow, clBtnHighlight};
    case fsBump: return {clBtnHighlight, clBtnShadow};
    case fsStatus: return {clBtnShadow, clBtnHighlight};
    case fsPopup: return {clBtnHighlight, clBtnShadow};
    case fsFlatBold: return {clBtnShadow, clBtnShadow};
    case fsRaised: return {cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow};
    case fsLowered: return {clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight};
    case fsButtonUp: return {clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow};
    case fsButtonDown: return {clBtnText, clBtnText, clBtnShadow, clBtnShadow};
    default: return {clBtnShadow, clBtnHighlight};
    }
}

// The etched border of fsGroove and fsBump: `u` the upper-left colour, `l` the lower-right one.
TRect PaintEtched(TCanvas& canvas, const TRect& r, TColor u, TColor l, TSides sides) {
    const bool left = sides.Contains(sdLeft), top = sides.Contains(sdTop);
    const bool right = sides.Contains(sdRight), bottom = sides.Contains(sdBottom);
    if (right)
        canvas.Pixels[r.Right - 1][r.Top] = l;
    else if (top)
        canvas.Pixels[r.Right - 1][r.Top] = u;
    if (bottom)
        canvas.Pixels[r.Left][r.Bottom - 1] = l;
    else if (left)
        canvas.Pixels[r.Left][r.Bottom - 1] = u;
    if (top && !left)
        canvas.Pixels[r.Left][r.Top + 1] = l;
    if (left && !top)
        canvas.Pixels[r.Left + 1][r.Top] = l;
    if (bottom && !right)
        canvas.Pixels[r.Right - 1][r.Bottom - 2] = u;
    if (right && !bottom)
        canvas.Pixels[r.Right - 2][r.Bottom - 1] = u;
    PaintSides(canvas, Rect(r.Left + 1, r.Top + 1, r.Right, r.Bottom), l, l, sides);
    PaintSides(canvas, Rect(r.Left, r.Top, r.Right - 1, r.Bottom - 1), u, u, sides);
    TRect inner = r;
    if (left) inner.Left += 2;
    if (top) inner.Top += 2;
    if (right) inner.Right -= 2;
    if (bottom) inner.Bottom -= 2;
    return inner;
}

TColor ArrowColor(TArrowKind kind, bool enabled) {
    if (!enabled)
        return clBtnShadow;
    // Without visual styles the themed arrow takes the colour the system's button arrow has.
    return kind == TArrowKind::Themed ? cl3DDkShadow : clBlack;
}

void PaintArrow(TCanvas& canvas, const std::vector<TPoint>& points, TColor color) {
    const TColor oldBrush = canvas.Brush()->Color();
    const TColor oldPen = canvas.Pen()->Color();
    const TPenStyle oldStyle = canvas.Pen()->Style();
    canvas.Pen()->SetStyle(psClear);
    canvas.Brush()->SetColor(color);
    canvas.Polygon(points);
    // The polygon's outline is not drawn with a clear pen: its own colour closes the right and
    // bottom edges that GDI leaves out.
    canvas.Pen()->SetStyle(psSolid);
    canvas.Pen()->SetColor(color);
    canvas.Polyline(points);
    canvas.Pen()->SetStyle(oldStyle);
    canvas.Pen()->SetColor(oldPen);
    canvas.Brush()->SetColor(oldBrush);
}

}  // namespace

TRect PaintSides(TCanvas& canvas, const TRect& rect, TColor upperLeft, TColor lowerRight, TSides sides) {
    canvas.Pen()->SetWidth(1);
    const TRect r = rect;
    if (upperLeft != clNone) {
        canvas.Pen()->SetColor(upperLeft);
        if (sides.Contains(sdLeft))
            Line(canvas, r.Left, r.Top, r.Left, r.Bottom);
        if (sides.Contains(sdTop))
            Line(canvas, r.Left, r.Top, r.Right, r.Top);
    }
    if (lowerRight != clNone) {
        canvas.Pen()->SetColor(lowerRight);
        if (sides.Contains(sdRight))
            Line(canvas, r.Right - 1, r.Top, r.Right - 1, r.Bottom);
        if (sides.Contains(sdBottom))
            Line(canvas, r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
    }
    TRect inner = r;
    if (sides.Contains(sdLeft)) ++inner.Left;
    if (sides.Contains(sdTop)) ++inner.Top;
    if (sides.Contains(sdRight)) --inner.Right;
    if (sides.Contains(sdBottom)) --inner.Bottom;
    return inner;
}

TRect PaintBevel(TCanvas& canvas, const TRect& rect, TColor upperLeft, TColor lowerRight, TSides sides, int width) {
    TRect r = rect;
    for (int i = 0; i < width; ++i) r = PaintSides(canvas, r, upperLeft, lowerRight, sides);
    return r;
}

TRect PaintBorderSides(TCanvas& canvas, const TRect& rect, TFrameStyleEx style, TSides sides) {
    const TStyleColors c = SystemColorsOf(style);
    switch (style) {
    case fsNone:
        return rect;
    case fsFlat:
    case fsStatus:
    case fsPopup:
        return PaintSides(canvas, rect, c.OuterUpperLeft, c.OuterLowerRight, sides);
    case fsFlatBold:
        return PaintBevel(canvas, rect, c.OuterUpperLeft, c.OuterLowerRight, sides, 2);
    case fsRaised:
    case fsLowered:
    case fsButtonUp:
    case fsButtonDown: {
        const TRect r = PaintSides(canvas, rect, c.OuterUpperLeft, c.OuterLowerRight, sides);
        return PaintSides(canvas, r, c.InnerUpperLeft, c.InnerLowerRight, sides);
    }
    default:
        return PaintEtched(canvas, rect, c.OuterUpperLeft, c.OuterLowerRight, sides);
    }
}

TRect PaintBorder(TCanvas& canvas, const TRect& rect, TFrameStyleEx style) {
    return PaintBorderSides(canvas, rect, style, sdAllSides);
}

TRect PaintColorBorderSides(TCanvas& canvas, const TRect& rect, TColor color, TSides sides, TFrameStyleEx style) {
    auto dark = [color](int amount) { return DarkenColor(color, amount); };
    auto light = [color](int amount) { return BrightenColor(color, amount); };
    auto twoLayers = [&](TColor ou, TColor ol, TColor iu, TColor il) {
        const TRect r = PaintSides(canvas, rect, ou, ol, sides);
        return PaintSides(canvas, r, iu, il, sides);
    };
    switch (style) {
    case fsNone: return rect;
    case fsFlat: return PaintSides(canvas, rect, dark(50), dark(50), sides);
    case fsStatus: return PaintSides(canvas, rect, dark(50), light(100), sides);
    case fsPopup: return PaintSides(canvas, rect, light(100), dark(50), sides);
    case fsFlatBold: return PaintBevel(canvas, rect, dark(50), dark(50), sides, 2);
    case fsLowered: return twoLayers(dark(50), light(100), dark(100), light(50));
    case fsRaised: return twoLayers(light(50), dark(100), light(100), dark(50));
    case fsButtonUp: return twoLayers(light(100), dark(100), light(40), dark(50));
    case fsButtonDown: return twoLayers(dark(100), dark(100), dark(50), dark(50));
    case fsBump: return PaintEtched(canvas, rect, light(100), dark(50), sides);
    default: return PaintEtched(canvas, rect, dark(50), light(100), sides);
    }
}

TRect PaintColorBorder(TCanvas& canvas, const TRect& rect, TColor color, TFrameStyleEx style) {
    return PaintColorBorderSides(canvas, rect, color, sdAllSides, style);
}

TRect PaintStyledFrame(TCanvas& canvas, int width, int height, bool skipClearing, TSides sides, TColor frameColor,
                       TColor fillColor, TFrameStyleEx style) {
    const TRect r = Rect(0, 0, width, height);
    if (!skipClearing)
        PaintBevel(canvas, r, fillColor, fillColor, sdAllSides, 2);
    switch (style) {
    case fsFlat: return PaintSides(canvas, r, frameColor, frameColor, sides);
    case fsFlatBold: return PaintBevel(canvas, r, frameColor, frameColor, sides, 2);
    default:
        if (fillColor == clWindow)
            return PaintBorderSides(canvas, r, style, sides);
        return PaintColorBorderSides(canvas, r, fillColor, sides, style);
    }
}

void PaintComboArrow(TCanvas& canvas, const TRect& rect, TArrowKind kind, bool enabled, bool pressed) {
    PaintArrow(canvas, ComboArrowPoints(rect, kind, pressed), ArrowColor(kind, enabled));
}

void PaintDirectionArrow(TCanvas& canvas, const TRect& rect, TArrowKind kind, bool enabled, bool pressed,
                         TArrowDirection direction) {
    PaintArrow(canvas, DirectionArrowPoints(rect, kind, pressed, direction), ArrowColor(kind, enabled));
}

void PaintTransparentBitmap(TCanvas& canvas, TBitmap* bitmap, const TRect& dest, TColor transparentColor,
                            const TRect& source) {
    if (!bitmap || bitmap->Empty() || dest.IsEmpty())
        return;
    const int w = dest.Width(), h = dest.Height();
    // The source part at the destination's size.
    TBitmap work;
    work.SetSize(w, h);
    work.Canvas()->CopyRect(Rect(0, 0, w, h), bitmap->Canvas(), source);
    // The mask: white where the transparent colour is, black elsewhere.
    HDC workDC = work.Canvas()->Handle();
    HBITMAP maskBitmap = CreateBitmap(w, h, 1, 1, nullptr);
    HDC maskDC = CreateCompatibleDC(workDC);
    HGDIOBJ oldMask = SelectObject(maskDC, maskBitmap);
    const COLORREF oldBk = SetBkColor(workDC, static_cast<COLORREF>(ColorToRGB(transparentColor)));
    BitBlt(maskDC, 0, 0, w, h, workDC, 0, 0, SRCCOPY);
    SetBkColor(workDC, oldBk);
    // Transparent pixels of the picture become black, so that OR-ing them keeps the canvas.
    const COLORREF oldText = SetTextColor(workDC, RGB(255, 255, 255));
    SetBkColor(workDC, RGB(0, 0, 0));
    BitBlt(workDC, 0, 0, w, h, maskDC, 0, 0, SRCAND);
    HDC target = canvas.Handle();
    const COLORREF targetText = SetTextColor(target, RGB(0, 0, 0));
    const COLORREF targetBk = SetBkColor(target, RGB(255, 255, 255));
    BitBlt(target, dest.Left, dest.Top, w, h, maskDC, 0, 0, SRCAND);
    BitBlt(target, dest.Left, dest.Top, w, h, workDC, 0, 0, SRCPAINT);
    SetTextColor(target, targetText);
    SetBkColor(target, targetBk);
    SetTextColor(workDC, oldText);
    SelectObject(maskDC, oldMask);
    DeleteDC(maskDC);
    DeleteObject(maskBitmap);
}

int MinimumEditHeight(TFont* font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font->Handle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return metrics.tmHeight + 2;
}

// ---- Frame controller ---------------------------------------------------------------------------

namespace {

// The published name of each pushed setting.
constexpr std::array<const char*, 15> kPropertyNames = {
    "",        "Color",        "FocusColor",    "DisabledColor", "ParentColor",  "FlatButtonColor",
    "FlatButtons", "FrameColor", "FrameHotColor", "FrameHotTrack", "FrameHotStyle", "FrameSides",
    "FrameStyle",  "FrameVisible", "FramingPreference"};

}  // namespace

TRzFrameController::~TRzFrameController() {
    // The controls keep their settings; they drop the reference through the free notification.
    controls_.clear();
}

void TRzFrameController::RegisterControl(TControl* control) {
    if (!control || std::find(controls_.begin(), controls_.end(), control) != controls_.end())
        return;
    controls_.push_back(control);
    // A freed control leaves the list even when it does not unregister itself.
    control->FreeNotification(this);
    PushSettingTo(control, fcpAll);
}

void TRzFrameController::UnregisterControl(TControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

void TRzFrameController::ResumePush() {
    if (--updateCount_ <= 0) {
        updateCount_ = 0;
        PushSettings(fcpAll);
    }
}

void TRzFrameController::Loaded() {
    inherited::Loaded();
    PushSettings(fcpAll);
}

void TRzFrameController::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == regIniFile_)
        regIniFile_ = nullptr;
    controls_.erase(std::remove(controls_.begin(), controls_.end(), component), controls_.end());
}

void TRzFrameController::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TRzFrameController*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    SuspendPush();
    try {
        color_ = other->color_;
        parentColor_ = other->parentColor_;
        flatButtonColor_ = other->flatButtonColor_;
        flatButtons_ = other->flatButtons_;
        disabledColor_ = other->disabledColor_;
        focusColor_ = other->focusColor_;
        frameColor_ = other->frameColor_;
        frameHotColor_ = other->frameHotColor_;
        frameHotTrack_ = other->frameHotTrack_;
        frameHotStyle_ = other->frameHotStyle_;
        frameSides_ = other->frameSides_;
        frameStyle_ = other->frameStyle_;
        frameVisible_ = other->frameVisible_;
        framingPreference_ = other->framingPreference_;
    } catch (...) {
        ResumePush();
        throw;
    }
    ResumePush();
}

void TRzFrameController::PushSettingTo(TControl* control, int propertyIndex) {
    if (auto* client = dynamic_cast<IRzFrameControllerClient*>(control)) {
        client->FrameControllerChanged(this, propertyIndex);
        return;
    }
    auto set = [control](int index, const TPropValue& value) {
        const TPropInfo* info = GetPropInfo(control, kPropertyNames[static_cast<std::size_t>(index)]);
        if (info && info->Set)
            info->Set(control, value);
    };
    auto push = [&](int index) {
        switch (index) {
        case fcpColor: set(index, static_cast<std::int64_t>(color_)); break;
        case fcpFocusColor: set(index, static_cast<std::int64_t>(focusColor_)); break;
        case fcpDisabledColor: set(index, static_cast<std::int64_t>(disabledColor_)); break;
        case fcpParentColor: set(index, parentColor_); break;
        case fcpFlatButtonColor: set(index, static_cast<std::int64_t>(flatButtonColor_)); break;
        case fcpFlatButtons: set(index, flatButtons_); break;
        case fcpFrameColor: set(index, static_cast<std::int64_t>(frameColor_)); break;
        case fcpFrameHotColor: set(index, static_cast<std::int64_t>(frameHotColor_)); break;
        case fcpFrameHotTrack: set(index, frameHotTrack_); break;
        case fcpFrameHotStyle: set(index, static_cast<std::int64_t>(frameHotStyle_)); break;
        case fcpFrameSides: set(index, static_cast<std::int64_t>(frameSides_.Bits())); break;
        case fcpFrameStyle: set(index, static_cast<std::int64_t>(frameStyle_)); break;
        case fcpFrameVisible: set(index, frameVisible_); break;
        case fcpFramingPreference: set(index, static_cast<std::int64_t>(framingPreference_)); break;
        default: break;
        }
    };
    if (propertyIndex != fcpAll) {
        push(propertyIndex);
        return;
    }
    push(fcpParentColor);
    if (!parentColor_)
        push(fcpColor);
    for (int index : {fcpDisabledColor, fcpFocusColor, fcpFlatButtonColor, fcpFlatButtons, fcpFrameColor,
                      fcpFrameHotColor, fcpFrameHotTrack, fcpFrameHotStyle, fcpFrameSides, fcpFrameStyle,
                      fcpFrameVisible, fcpFramingPreference})
        push(index);
}

void TRzFrameController::PushSettings(int propertyIndex) {
    if (updateCount_ > 0 || controls_.empty())
        return;
    // A copy: a control may unregister while it takes a setting.
    const std::vector<TControl*> controls = controls_;
    for (TControl* control : controls) PushSettingTo(control, propertyIndex);
}

void TRzFrameController::SetColor(TColor value) {
    if (value == color_)
        return;
    if (focusColor_ == color_)
        focusColor_ = value;
    color_ = value;
    parentColor_ = false;
    PushSettings(fcpColor);
}

void TRzFrameController::SetParentColor(bool value) {
    if (value == parentColor_)
        return;
    parentColor_ = value;
    PushSettings(fcpParentColor);
    if (!value)
        PushSettings(fcpColor);
}

#define VESTREL_FRAME_SETTER(Name, field, index) \
    void TRzFrameController::Name(decltype(field) value) { \
        if (value == field) \
            return; \
        field = value; \
        PushSettings(index); \
    }

VESTREL_FRAME_SETTER(ChangeFlatButtonColor, flatButtonColor_, fcpFlatButtonColor)
VESTREL_FRAME_SETTER(ChangeFlatButtons, flatButtons_, fcpFlatButtons)
VESTREL_FRAME_SETTER(ChangeDisabledColor, disabledColor_, fcpDisabledColor)
VESTREL_FRAME_SETTER(ChangeFocusColor, focusColor_, fcpFocusColor)
VESTREL_FRAME_SETTER(ChangeFrameColor, frameColor_, fcpFrameColor)
VESTREL_FRAME_SETTER(ChangeFrameHotColor, frameHotColor_, fcpFrameHotColor)
VESTREL_FRAME_SETTER(ChangeFrameHotStyle, frameHotStyle_, fcpFrameHotStyle)
VESTREL_FRAME_SETTER(ChangeFrameSides, frameSides_, fcpFrameSides)
VESTREL_FRAME_SETTER(ChangeFrameStyle, frameStyle_, fcpFrameStyle)
VESTREL_FRAME_SETTER(ChangeFrameVisible, frameVisible_, fcpFrameVisible)
VESTREL_FRAME_SETTER(ChangeFramingPreference, framingPreference_, fcpFramingPreference)

#undef VESTREL_FRAME_SETTER

void TRzFrameController::ChangeFrameHotTrack(bool value) {
    if (value == frameHotTrack_)
        return;
    frameHotTrack_ = value;
    if (value) {
        frameVisible_ = true;
        if (!(ComponentState() & csLoading))
            frameSides_ = sdAllSides;
    }
    PushSettings(fcpFrameHotTrack);
}

void TRzFrameController::ChangeRegIniFile(TRzRegIniFile* value) {
    if (value == regIniFile_)
        return;
    if (regIniFile_)
        regIniFile_->RemoveFreeNotification(this);
    regIniFile_ = value;
    if (value)
        value->FreeNotification(this);
}

void TRzFrameController::ReadFrameFlat(bool value) {
    ChangeFrameHotTrack(value);
    if (value) {
        ChangeFrameStyle(fsStatus);
        ChangeFrameHotStyle(fsLowered);
    }
}

// ---- Settings location ----------------------------------------------------------------------------

void TRzRegIniFile::SetPath(const String& value) {
    path_ = value;
    refreshNeeded_ = true;
}

void TRzRegIniFile::SetPathType(TRzPathType value) {
    pathType_ = value;
    refreshNeeded_ = true;
}

void TRzRegIniFile::SetRegKey(TRzRegKey value) {
    regKey_ = value;
    refreshNeeded_ = true;
}

void TRzRegIniFile::SetRegAccess(TRzRegAccess value) {
    regAccess_ = value;
    refreshNeeded_ = true;
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterRzCommonClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterComponentClass<TRzFrameController>();
    RegisterComponentClass<TRzRegIniFile>();
    using C = TRzFrameController;
    auto controller = RegisterProperties<C>();
    controller.Int("Color", &C::Color, &C::SetColor)
        .Idents(ColorIdents())
        .Bool("ParentColor", &C::ParentColor, &C::SetParentColor)
        .Int("FlatButtonColor", &C::FlatButtonColor, &C::ChangeFlatButtonColor)
        .Idents(ColorIdents())
        .Bool("FlatButtons", &C::FlatButtons, &C::ChangeFlatButtons)
        .Component("RegIniFile", &C::RegIniFile, &C::ChangeRegIniFile);
    RegisterFrameProperties(controller);
    using R = TRzRegIniFile;
    RegisterProperties<R>()
        .Str("Path", &R::Path, &R::SetPath)
        .Enum("PathType", &R::PathType, &R::SetPathType, {"ptIniFile", "ptRegistry"})
        .Enum("RegKey", &R::RegKey, &R::SetRegKey,
              {"hkeyClassesRoot", "hkeyCurrentUser", "hkeyLocalMachine", "hkeyUsers", "hkeyPerformanceData",
               "hkeyCurrentConfig", "hkeyDynData"})
        .Set("RegAccess", [](R& r) { return r.RegAccess().Bits(); },
             [](R& r, std::uint32_t bits) { r.SetRegAccess(TRzRegAccess::FromBits(bits)); },
             {"keyQueryValue", "keySetValue", "keyCreateSubKey", "keyEnumerateSubKeys", "keyNotify",
              "keyCreateLink", "keyRead", "keyWrite", "keyExecute", "keyAllAccess"});
}
