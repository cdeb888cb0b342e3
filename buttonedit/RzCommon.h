// The common layer of the button-edit controls: frame styles and the routines that paint frames,
// bevels and borders on a canvas (with system colours or colours derived from a base colour), the
// small drop-down and direction arrows, transparent glyphs, the least height of an edit for a font;
// TRzFrameController, which pushes one set of frame and colour settings into every control
// registered with it (by published property name); TRzRegIniFile, a settings location of which
// only the properties exist.
//
// Classes in this file:
//   IRzFrameControllerClient  what a control implements to take a controller's settings itself
//   TRzFrameController        the shared frame settings and their registered controls
//   TRzRegIniFile             Path, PathType, RegKey, RegAccess (nothing reads through it)
//
// The program runs without visual styles, so the themed variants of the drawing are never chosen
// (ThemesEnabled() answers false); their arrow point sets are kept for the day it does.
// Not yet: the cursor resources of the unit start-up (nothing uses them).
#pragma once

#include "Controls.h"
#include "Graphics.h"
#include "RzCommonLogic.h"
#include "TypeRegistry.h"

#include <vector>

enum TFrameStyleEx {
    fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised, fsButtonUp, fsStatus, fsPopup, fsFlatBold,
    fsFlatRounded
};
using TFrameStyle = TFrameStyleEx;  // fsNone .. fsFlatBold
enum TSide { sdLeft, sdTop, sdRight, sdBottom };
using TSides = TEnumSet<TSide>;
inline constexpr TSides sdAllSides{sdLeft, sdTop, sdRight, sdBottom};
enum TFramingPreference { fpCustomFraming, fpXPThemes };

// The identifiers of form descriptions.
inline constexpr std::initializer_list<const char*> kFrameStyleNames = {
    "fsNone", "fsFlat", "fsGroove", "fsBump", "fsLowered", "fsButtonDown", "fsRaised", "fsButtonUp", "fsStatus",
    "fsPopup", "fsFlatBold"};
inline constexpr std::initializer_list<const char*> kSideNames = {"sdLeft", "sdTop", "sdRight", "sdBottom"};
inline constexpr std::initializer_list<const char*> kFramingPreferenceNames = {"fpCustomFraming", "fpXPThemes"};
// The TFrameStyle of an identifier ("fsLowered"); EConvertError for another text.
TFrameStyle FrameStyleFromName(const String& name);

// Whether the system draws with visual styles for this program (never: it has no manifest for them).
bool ThemesEnabled();

// ---- Drawing ------------------------------------------------------------------------------------
// Each draws with the canvas's pen at width 1 and answers the rectangle left inside what it drew.

// Left and top lines in `upperLeft`, right and bottom lines in `lowerRight` (clNone skips a
// colour); the rectangle shrinks by 1 on each chosen side.
TRect PaintSides(TCanvas& canvas, const TRect& rect, TColor upperLeft, TColor lowerRight, TSides sides);
// PaintSides `width` times, each inside the last.
TRect PaintBevel(TCanvas& canvas, const TRect& rect, TColor upperLeft, TColor lowerRight, TSides sides, int width);
// A border of `style` in system colours.
TRect PaintBorderSides(TCanvas& canvas, const TRect& rect, TFrameStyleEx style, TSides sides);
TRect PaintBorder(TCanvas& canvas, const TRect& rect, TFrameStyleEx style);
// A border of `style` in colours derived from `color`.
TRect PaintColorBorderSides(TCanvas& canvas, const TRect& rect, TColor color, TSides sides, TFrameStyleEx style);
TRect PaintColorBorder(TCanvas& canvas, const TRect& rect, TColor color, TFrameStyleEx style);
// The frame of a framed control over (0, 0, width, height): unless `skipClearing`, a two-pixel
// bevel of `fillColor` clears the old frame first. fsFlat and fsFlatBold are drawn in
// `frameColor`; another style in system colours when the fill is clWindow, else derived from it.
TRect PaintStyledFrame(TCanvas& canvas, int width, int height, bool skipClearing, TSides sides, TColor frameColor,
                       TColor fillColor, TFrameStyleEx style);
// The small downward arrow, and arrows in four directions, centred in `rect`; shadow-coloured
// when disabled.
void PaintComboArrow(TCanvas& canvas, const TRect& rect, TArrowKind kind, bool enabled, bool pressed);
void PaintDirectionArrow(TCanvas& canvas, const TRect& rect, TArrowKind kind, bool enabled, bool pressed,
                         TArrowDirection direction);
// Draws `source` of `bitmap`, stretched to `dest`, leaving the canvas as it is where the bitmap
// has `transparentColor`.
void PaintTransparentBitmap(TCanvas& canvas, TBitmap* bitmap, const TRect& dest, TColor transparentColor,
                            const TRect& source);
// The font's text height on the screen plus 2.
int MinimumEditHeight(TFont* font);

// ---- Frame controller ---------------------------------------------------------------------------

// Settings pushed by PushSettingTo, by index (0 all).
enum TFrameControllerProperty {
    fcpAll, fcpColor, fcpFocusColor, fcpDisabledColor, fcpParentColor, fcpFlatButtonColor, fcpFlatButtons,
    fcpFrameColor, fcpFrameHotColor, fcpFrameHotTrack, fcpFrameHotStyle, fcpFrameSides, fcpFrameStyle,
    fcpFrameVisible, fcpFramingPreference
};

class TRzFrameController;

// A control that takes a controller's settings itself (none of the program's classes does).
class IRzFrameControllerClient {
public:
    virtual ~IRzFrameControllerClient() = default;
    virtual void FrameControllerChanged(TRzFrameController* controller, int propertyIndex) = 0;
};

class TRzRegIniFile;

class TRzFrameController : public TComponent {
    VESTREL_CLASS(TRzFrameController, TComponent)
public:
    explicit TRzFrameController(TComponent* owner) : TComponent(owner) {}
    ~TRzFrameController() override;

    // A registered control is forgotten when it is freed, whether it unregisters or not.
    void RegisterControl(TControl* control);
    void UnregisterControl(TControl* control);
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    // Holds back pushes until as many ResumePush; the last one pushes everything.
    void SuspendPush() { ++updateCount_; }
    void ResumePush();
    int UpdateCount() const { return updateCount_; }

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    // From another controller: every setting (not the controls or RegIniFile), pushed once.
    void Assign(TPersistent* source) override;

    TColor Color() const { return color_; }
    virtual void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    virtual void SetParentColor(bool value);
    TColor FlatButtonColor() const { return flatButtonColor_; }
    virtual void ChangeFlatButtonColor(TColor value);
    bool FlatButtons() const { return flatButtons_; }
    virtual void ChangeFlatButtons(bool value);
    TColor DisabledColor() const { return disabledColor_; }
    virtual void ChangeDisabledColor(TColor value);
    TColor FocusColor() const { return focusColor_; }
    virtual void ChangeFocusColor(TColor value);
    TColor FrameColor() const { return frameColor_; }
    virtual void ChangeFrameColor(TColor value);
    TColor FrameHotColor() const { return frameHotColor_; }
    virtual void ChangeFrameHotColor(TColor value);
    bool FrameHotTrack() const { return frameHotTrack_; }
    virtual void ChangeFrameHotTrack(bool value);
    TFrameStyle FrameHotStyle() const { return frameHotStyle_; }
    virtual void ChangeFrameHotStyle(TFrameStyle value);
    TSides FrameSides() const { return frameSides_; }
    virtual void ChangeFrameSides(TSides value);
    TFrameStyle FrameStyle() const { return frameStyle_; }
    virtual void ChangeFrameStyle(TFrameStyle value);
    bool FrameVisible() const { return frameVisible_; }
    virtual void ChangeFrameVisible(bool value);
    TFramingPreference FramingPreference() const { return framingPreference_; }
    virtual void ChangeFramingPreference(TFramingPreference value);
    TRzRegIniFile* RegIniFile() const { return regIniFile_; }
    virtual void ChangeRegIniFile(TRzRegIniFile* value);

    // Legacy form properties.
    void ReadFrameFlat(bool value);
    void ReadFrameFocusStyle(TFrameStyle value) { ChangeFrameHotStyle(value); }

protected:
    virtual void PushSettingTo(TControl* control, int propertyIndex);
    virtual void PushSettings(int propertyIndex);

private:
    int updateCount_ = 0;
    TColor color_ = clWindow;
    bool parentColor_ = false;
    std::vector<TControl*> controls_;
    TColor flatButtonColor_ = clBtnFace;
    bool flatButtons_ = true;
    TColor disabledColor_ = clBtnFace;
    TColor focusColor_ = clWindow;
    TColor frameColor_ = clBtnShadow;
    TColor frameHotColor_ = clBtnShadow;
    bool frameHotTrack_ = false;
    TFrameStyle frameHotStyle_ = fsFlatBold;
    TSides frameSides_ = sdAllSides;
    TFrameStyle frameStyle_ = fsFlat;
    bool frameVisible_ = false;
    TFramingPreference framingPreference_ = fpXPThemes;
    TRzRegIniFile* regIniFile_ = nullptr;
};

enum TRzPathType { ptIniFile, ptRegistry };
enum TRzRegKey {
    hkeyClassesRoot, hkeyCurrentUser, hkeyLocalMachine, hkeyUsers, hkeyPerformanceData, hkeyCurrentConfig, hkeyDynData
};
enum TRzRegAccessType {
    keyQueryValue, keySetValue, keyCreateSubKey, keyEnumerateSubKeys, keyNotify, keyCreateLink, keyRead, keyWrite,
    keyExecute, keyAllAccess
};
using TRzRegAccess = TEnumSet<TRzRegAccessType>;

class TRzRegIniFile : public TComponent {
    VESTREL_CLASS(TRzRegIniFile, TComponent)
public:
    explicit TRzRegIniFile(TComponent* owner) : TComponent(owner) {}

    const String& Path() const { return path_; }
    void SetPath(const String& value);
    TRzPathType PathType() const { return pathType_; }
    void SetPathType(TRzPathType value);
    TRzRegKey RegKey() const { return regKey_; }
    void SetRegKey(TRzRegKey value);
    TRzRegAccess RegAccess() const { return regAccess_; }
    void SetRegAccess(TRzRegAccess value);
    // True at creation and after every change of the four properties.
    bool RefreshNeeded() const { return refreshNeeded_; }

private:
    String path_;
    TRzPathType pathType_ = ptIniFile;
    TRzRegKey regKey_ = hkeyCurrentUser;
    TRzRegAccess regAccess_{keyAllAccess};
    bool refreshNeeded_ = true;
};

// Registers the classes and published properties of this file (idempotent).
void RegisterRzCommonClasses();

// The published frame and colour properties that a frame controller and the controls it drives
// share (by name): DisabledColor, FocusColor, the Frame* settings, FramingPreference, and the
// older FrameFlat, FrameFocusStyle and FrameFlatStyle that descriptions may still carry.
template <class C>
TPropertyBuilder<C>& RegisterFrameProperties(TPropertyBuilder<C>& properties) {
    return properties.Int("DisabledColor", &C::DisabledColor, &C::ChangeDisabledColor)
        .Idents(ColorIdents())
        .Int("FocusColor", &C::FocusColor, &C::ChangeFocusColor)
        .Idents(ColorIdents())
        .Int("FrameColor", &C::FrameColor, &C::ChangeFrameColor)
        .Idents(ColorIdents())
        .Int("FrameHotColor", &C::FrameHotColor, &C::ChangeFrameHotColor)
        .Idents(ColorIdents())
        .Bool("FrameHotTrack", &C::FrameHotTrack, &C::ChangeFrameHotTrack)
        .Enum("FrameHotStyle", &C::FrameHotStyle, &C::ChangeFrameHotStyle, kFrameStyleNames)
        .Set("FrameSides", [](C& c) { return c.FrameSides().Bits(); },
             [](C& c, std::uint32_t bits) { c.ChangeFrameSides(TSides::FromBits(bits)); }, kSideNames)
        .Enum("FrameStyle", &C::FrameStyle, &C::ChangeFrameStyle, kFrameStyleNames)
        .Bool("FrameVisible", &C::FrameVisible, &C::ChangeFrameVisible)
        .Enum("FramingPreference", &C::FramingPreference, &C::ChangeFramingPreference, kFramingPreferenceNames)
        .Bool("FrameFlat", [](C&) { return false; }, &C::ReadFrameFlat)
        .Str("FrameFocusStyle", [](C&) { return String(); },
             [](C& c, const String& name) { c.ReadFrameFocusStyle(FrameStyleFromName(name)); })
        .Str("FrameFlatStyle", [](C&) { return String(); }, [](C&, const String&) {});
}
