// TSkinData: the component that carries a skin in a form's data (the archive as the binary
// property SkinStream), unpacks it when the form is read, and parses its ini into skin elements,
// a colour table and a few composed pictures; plus the settings that steer the skin engine.
//
// Classes in this file:
//   TDataSkinObject     an element: a bitmap of equal frames, margins, colours
//   TDataSkinBorder     ... with a second picture
//   TDataSkinButton     push buttons, with check and radio strips
//   TDataSkinTitle      the caption's title
//   TDataSkinSysButton  a caption button
//   TDataSkinBoxLabel   the group box
//   TSkinData           the component
//
// Loaded of a component of type sfMainform starts the skin manager (SkinManage.h) and asks it to
// skin every window; SetActive at run time asks it to skin or unskin them.
//
// The engine's own bitmap resources: "LUMORAMENU" (the menu glyphs), "TRACK" and "TRACKVERT" (the
// channels of a skin without them). A program linked without them keeps an empty glyph list and
// no track elements.
#pragma once

#include "Graphics.h"
#include "ImgList.h"
#include "SkinControlRules.h"
#include "SkinImageDraw.h"

#include "Component.h"
#include "Events.h"
#include "Lists.h"
#include "Streams.h"

#include <memory>
#include <vector>

class TSkinReader;
class TQuickIni;
class TControl;


enum TSkinOption {
    xoMDIScrollbar, xoMenuMerge, xoTransparent, xoPreview, xoParentBackGround, xoNoFocusRect, xoToolbarBK,
    xoMDIChildBorder, xoMenuBG
};
using TSkinOptions = std::uint32_t;

enum TSkinFormType { sfMainform, sfOnlyThisForm, sfDialog, sfDLL };


class TSkinData;
using TOnFormSkin = TEvent<void(TObject* sender, const String& aName, bool& doSkin)>;
using TOnSkinControl = TEvent<void(TComponent* sender, TSkinData* skinData, TControl* form, TControl* control,
                                   const String& controlClass, TComponent*& skinnedControl)>;

class TDataSkinObject : public TObject {
    VESTREL_CLASS(TDataSkinObject, TObject)
public:
    explicit TDataSkinObject(const String& name);
    ~TDataSkinObject() override;

    TSkinMargins Margins() const { return {LeftWidth, TopHeight, RightWidth, BottomHeight}; }

    int LeftWidth = 0;
    int TopHeight = 0;
    int RightWidth = 0;
    int BottomHeight = 0;
    TBitmap* Image;  // owned
    int Trans = 0;   // non-zero: magenta is transparent
    int Tile = 0;    // 0 stretch the middle, 1 tile it
    String Name;
    int FrameCount = 0;
    int Style = 0;
    TColor NormalColour = -1;
    TColor MouseOverColour = -1;
    TColor PressedColour = -1;
    TColor NormalColour2 = 0;
    TColor MouseOverColour2 = 0;
    TColor PressedColour2 = 0;
};

class TDataSkinBorder : public TDataSkinObject {
    VESTREL_CLASS(TDataSkinBorder, TDataSkinObject)
public:
    explicit TDataSkinBorder(const String& name);
    ~TDataSkinBorder() override;
    TBitmap* Image2;
};

class TDataSkinButton : public TDataSkinObject {
    VESTREL_CLASS(TDataSkinButton, TDataSkinObject)
public:
    explicit TDataSkinButton(const String& name);
    ~TDataSkinButton() override;
    TBitmap* CheckImage;
    TBitmap* RadioImage;
    int RadioFrames = 0;
    int CheckFrames = 0;
    bool NormalColour2Given = false;
    bool MouseOverColour2Given = false;
    bool PressedColour2Given = false;
};

constexpr TColor SkinColourNotGiven = 0x1FFFFFFF;

class TDataSkinTitle : public TDataSkinObject {
    VESTREL_CLASS(TDataSkinTitle, TDataSkinObject)
public:
    using TDataSkinObject::TDataSkinObject;
    int TextAlignment = 0;
    int Textbackground = 0;
    int FontHeight = 14;
    int TXTBackleft = 0;
    int TXTBackRight = 0;
    TColor ActiveText = SkinColourNotGiven;
    TColor InActiveText = SkinColourNotGiven;
};

class TDataSkinSysButton : public TDataSkinObject {
    VESTREL_CLASS(TDataSkinSysButton, TDataSkinObject)
public:
    using TDataSkinObject::TDataSkinObject;
    int Action = 0;
    int Align = 0;
    int Xcoord = 0;
    int Ycoord = 0;
    int CombineOp = -1;
    int Visibility = 0;
    int Visibility1 = 0;
};

class TDataSkinBoxLabel : public TDataSkinObject {
    VESTREL_CLASS(TDataSkinBoxLabel, TDataSkinObject)
public:
    using TDataSkinObject::TDataSkinObject;
    int BackgroundLeftShift = 0;
    int BackgroundRightShift = 0;
    int BackgroundAlignment = 0;
};

using TSkinElement = std::unique_ptr<TDataSkinObject>;

class TSkinData : public TComponent {
    VESTREL_CLASS(TSkinData, TComponent)
public:
    explicit TSkinData(TComponent* owner);
    ~TSkinData() override;

    void DefineProperties(TFiler* filer) override;
    void Loaded() override;

    // Published properties.
    bool Active() const { return active_; }
    void SetActive(bool value);
    int DisableTag = 99;
    TSkinControlTypes SkinControls;
    TSkinOptions Options;
    TStringList* Skin3rd() const { return skin3rd_; }
    void SetSkin3rd(const std::vector<String>& lines);
    std::vector<String> Skin3rdLines() const;
    const String& SkinFile() const { return skinFile_; }
    void ChangeSkinFile(const String& value);
    String SkinStore() const;
    void SetSkinStore(const String&) {}
    TSkinFormType SkinFormtype = sfMainform;
    String Version() const { return "4.01.03.16"; }
    void SetVersion(const String&) {}
    bool MenuUpdate = true;
    bool MenuMerge = false;
    TOnFormSkin OnFormSkin;
    TNotifyEvent OnSkinChanged;
    TOnSkinControl OnSkinControl;

    // Loads the skin from SkinData; false when the archive is refused (the elements parsed before
    // stay as they were, and SkinEmpty stays true).
    bool LoadSkinData();
    // Asked for each window the skin manager considers; records the window.
    void FormSkinQuery(HWND window, const String& className, bool& doSkin);
    void SkinChanged();
    // Three runs of decimal digits as red, green and blue; empty text gives `defaultValue`.
    static TColor ParseColour(const String& text, TColor defaultValue);

    TMemoryStream* SkinData() const { return skinData_; }
    bool SkinEmpty() const { return skinEmpty_; }

    // The skin's colours (class-library colour values).
    TColor WindowText, TitleTextActive, TitleTextNoActive, ButtonFace, ButtonText, ButtonHilight, Buttonlight,
        ButtonShadow, ButtonDkShadow, HilightText, Hilight, Menubar, MenuBarText, MenuText, Menu, FrameColour,
        Scrollbar;
    std::vector<TColor> ColourSections;
    TColor CustomColours[10];
    HBRUSH FaceBrush = nullptr;
    TBitmap* AppIcon;
    String SkinName;
    int MaxWidth = 0;
    int MaxHeight = 0;
    std::unique_ptr<TFont> CaptionFont;
    HWND AskedWindow = nullptr;
    TImageList* MenuGlyphs;

    // Elements: always present ...
    std::unique_ptr<TDataSkinTitle> Title;
    std::unique_ptr<TDataSkinButton> Buttons;
    std::unique_ptr<TDataSkinBorder> Frames[4];  // Left, Right, Top, Bottom
    std::vector<std::unique_ptr<TDataSkinSysButton>> SysButtons;
    // ... and present when the skin has them.
    TSkinElement Tabs, UpDownHorz, UpDownVert, SunkEdge, ExtraImages, ComboButton, ComboArrow, GroupBoxEdge, Toolbar,
        ToolBars, Progress, ProgressChunk, GroupBox, StatusBarEdges, TabPane, Headerbar, MenuBar, MenuItem,
        MenuBackground, ScrollbarArrows, HorzScroll, VertScroll, HorzScrollThumb, VertScrollThumb, TrackThumbHorz,
        TrackThumbVert, Track, TrackVert, TrackThumbLeft, TrackThumbRight, TrackThumbUp, TrackThumbDown;

private:
    void StartSkinManager();
    void ReadSkinIni();
    void ReadColours();
    void ReadSysButtons();
    void LoadBitmap(TBitmap* bitmap, const String& value);
    void ReadCommon(TDataSkinObject* e, const String& section, bool withFrame, int tileMax);
    TSkinElement ReadGeneric(const String& section);
    TSkinElement ReadBorder(const String& section, const String& extraKey);
    // An element made from the program's bitmap resource: margins 3, no tiling, one frame.
    TSkinElement ResourceElement(const String& section, const String& resource);
    TSkinElement ReadBitmapElement(const String& section);
    TSkinElement ReadBoxLabel(const String& section);
    TSkinElement ReadMenuBar(const String& section);
    void SetFrameCounts();
    void ComposeComboPicture();
    void ComposeComboArrow();
    void ComposeToolbarGradient();
    void BuildAppIcon();
    void BuildCaptionFont();
    int Int(const String& section, const String& key, int defaultValue) const;
    String Str(const String& section, const String& key) const;
    TColor ColourValue(const String& section, const String& key, TColor defaultValue) const;

    bool active_ = false;
    bool skinEmpty_ = true;
    bool damageReported_ = false;
    String skinFile_;
    TStringList* skin3rd_;
    TMemoryStream* skinData_;
    TSkinReader* skinReader_ = nullptr;
    TMemoryStream* entryStream_ = nullptr;
    TQuickIni* skinIni_ = nullptr;
    TStringList* sectionNames_ = nullptr;
    std::uint16_t reserved_ = 1023;
};

// The message shown once when a stored skin is damaged (the program then runs unskinned).
extern const char* const SkinDamagedMessage;

// Registers TSkinData and TSkinStore with the form reader (idempotent).
void RegisterSkinClasses();
// The menu glyphs (16 x 16, white transparent) from the program's "LUMORAMENU" bitmap resource.
void LoadMenuGlyphs(TCustomImageList* list);

// ---- Text and window helpers of the skinners ----

// ANSI text (the system code page) as wide text.
std::wstring AnsiToWide(const std::string& text);
// DrawTextW of the whole text.
int DrawTextWide(HDC dc, const std::wstring& text, RECT& rect, UINT format);
// `dest` takes the size and pixel format of `source` and a copy of its picture.
void CopyBitmap(TBitmap* source, TBitmap* dest);
// The control of this program behind a window (the class library's window property), or nullptr.
TControl* ControlOfWindow(HWND window);
// Asks for one WM_MOUSELEAVE when the mouse leaves the window.
void TrackMouseLeave(HWND window);
// The system's scroll-bar facts of a window's bar (OBJID_HSCROLL, OBJID_VSCROLL or OBJID_CLIENT).
bool HasScrollBarInfo(HWND window, LONG object, SCROLLBARINFO& info);
// The parts of a combo box (sizes, button state, edit and list windows).
bool ComboBoxInfoOf(HWND window, COMBOBOXINFO& info);
