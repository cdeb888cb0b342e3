// The data grid unit: the grid control (its first members; the layout, painting and input come
// next), its style, scroll-bar settings, the cell text and image drawing routines, and the grid
// library's start-up with its program-wide objects.
//
// Classes in this file:
//   TGridImagesEh            a small masked image list over the system's (indicator, sort markers)
//   TDBGridEhStyle           selection colours for every grid; listens for system colour changes
//   TDBGridEhScrollBar,      a grid's scroll-bar settings, able to hand scrolling to an external
//   TVertDBGridEhScrollBar   scroll bar control
//   TCustomDBGridEh          the grid: TDBGridEhCore on a window
//   TDBGridEh                the grid placed on forms (properties registered for descriptions)
//
// Not yet: the platform grid base (cells, scrolling, in-place editor) and with it the grid's
// layout, painting, keyboard and mouse; the tool-tip window (the class library has no hint
// window); the themed and buffered paint paths.
#pragma once

#include "Controls.h"
#include "DBGridEhCore.h"
#include "ToolCtrlsEhControls.h"

#include <commctrl.h>

#include <memory>
#include <vector>

#ifndef VESTREL_EOUTOFRESOURCES_DEFINED
#define VESTREL_EOUTOFRESOURCES_DEFINED
VESTREL_EXCEPTION(EOutOfResources, Exception);
#endif

class TCustomDBGridEh;

// ---- Images ---------------------------------------------------------------------------------------

class TGridImagesEh {
public:
    TGridImagesEh(int width, int height);
    ~TGridImagesEh();
    TGridImagesEh(const TGridImagesEh&) = delete;
    TGridImagesEh& operator=(const TGridImagesEh&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const;
    // Adds (or, at `replaceIndex`, replaces) a bitmap whose `mask` colour is transparent.
    int AddMasked(HBITMAP bitmap, TColor mask);
    void ReplaceMasked(int index, HBITMAP bitmap, TColor mask);
    void Draw(TCanvas* canvas, int x, int y, int index) const;
    HIMAGELIST Handle() const { return list_; }

private:
    HIMAGELIST list_ = nullptr;
    int width_;
    int height_;
};

// ---- Cell drawing routines --------------------------------------------------------------------------

// The off-screen bitmap that every grid shares: made for the first user, freed with the last.
TBitmap* AcquireSharedBitmap();
void ReleaseSharedBitmap();
int SharedBitmapUsers();

void DrawCellText(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, const String& text,
                  TAlignment alignment, TTextLayout layout, bool multiLine, bool endEllipsis, bool rightToLeft);
// Draws `text` reading upwards and answers the length it needs; `measureOnly` draws nothing.
int DrawCellTextUpward(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, const String& text,
                       TAlignment alignment, TTextLayout layout, bool measureOnly);
// The text shortened with "..." (whole characters) until it fits `maxWidth` on the canvas.
String ShortenTextToWidth(const String& text, TCanvas* canvas, int maxWidth);
// A font turned by 90 degrees like `font` (the caller deletes it).
HFONT MakeUpwardFont(const TFont* font);
// The logical font MakeUpwardFont makes.
LOGFONTW UpwardFontDescription(const TFont* font);
// An image of `images` (or `bitmap` when there are none) in `rect`, clipped to it.
void DrawImageInCell(const TGridImagesEh* images, TBitmap* bitmap, TCanvas* canvas, TAlignment alignment, int dx,
                     int imageIndex, const TRect& rect);
// Whether `text` overflows its cell; answers the width and height it needs.
bool TextNeedsHint(TCanvas* canvas, const TRect& cell, int dx, int dy, const String& text, bool wordWrap,
                   UINT extraFlags, int& needWidth, int& needHeight);
int MeasureTextWidth(TCanvas* canvas, const String& text);
// Removes one queued `msg` of `window`; a WM_QUIT removed is posted again.
void DropQueuedMessage(HWND window, UINT msg);
bool AllFieldsModifiable(const std::vector<TField*>& fields);
TRect TurnRect(const TRect& r);  // width and height exchanged about the top-left corner
inline int IntMaxEh(int a, int b) { return a > b ? a : b; }
inline int IntMinEh(int a, int b) { return a < b ? a : b; }
inline int IfThenEh(bool condition, int a, int b) { return condition ? a : b; }

// ---- Style ----------------------------------------------------------------------------------------

class TDBGridEhStyle : public TPersistent {
    VESTREL_CLASS(TDBGridEhStyle, TPersistent)
public:
    TDBGridEhStyle();
    ~TDBGridEhStyle() override;

    void RegisterGrid(TCustomDBGridEh* grid);
    void UnregisterGrid(TCustomDBGridEh* grid);
    bool IsGridRegistered(TCustomDBGridEh* grid) const;
    int GridCount() const { return static_cast<int>(grids_.size()); }

    bool LuminateSelection() const { return luminateSelection_; }
    void SetLuminateSelection(bool value);
    bool DrawFocusFrame() const { return drawFocusFrame_; }
    void SetDrawFocusFrame(bool value);
    bool FilterEditCloseUpApplyFilter() const { return filterEditCloseUpApplyFilter_; }
    void SetFilterEditCloseUpApplyFilter(bool value) { filterEditCloseUpApplyFilter_ = value; }
    // GetDeviceCaps(NUMCOLORS): -1 on displays with more than 256 colours.
    int NumColors() const { return numColors_; }
    bool RichDisplay() const { return numColors_ < 0; }
    HWND UtilityWindow() const { return window_; }

    static TColor BlendTowards(TColor color, TColor glass, bool ungray) { return ::BlendTowards(color, glass, ungray); }
    // The colours of a data cell for the grid's painting; blended colours are matched to the
    // screen's nearest colour.
    virtual bool GetDataCellHighlightColors(const TDataCellHighlightQueryEh& query, TColor& background,
                                            TColor& fontColor);
    virtual void GetFixedCellHighlightColors(int kind, int subState, bool selectionActive, TColor& background,
                                             TColor& fontColor);
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void ReadScreenColors();

private:
    void StyleChanged();
    static LRESULT CALLBACK UtilityWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    std::vector<TCustomDBGridEh*> grids_;
    HWND window_ = nullptr;
    int numColors_ = -1;
    bool luminateSelection_ = true;
    bool drawFocusFrame_ = true;
    bool filterEditCloseUpApplyFilter_ = false;
};

// ---- Scroll-bar settings --------------------------------------------------------------------------

enum TScrollBarKindEh { sbHorizontalEh, sbVerticalEh };
enum TScrollBarVisibleModeEh { sbAlwaysShowEh, sbNeverShowEh, sbAutoShowEh };

class TDBGridEhScrollBar : public TPersistent {
    VESTREL_CLASS(TDBGridEhScrollBar, TPersistent)
public:
    TDBGridEhScrollBar(TCustomDBGridEh* grid, TScrollBarKindEh kind);
    ~TDBGridEhScrollBar() override;
    void Assign(TPersistent* source) override;

    TCustomDBGridEh* Grid() const { return grid_; }
    TScrollBarKindEh Kind() const { return kind_; }
    // An external scroll bar control (a window of class SCROLLBAR) that scrolls the grid instead.
    TWinControl* ExtScrollBar() const { return extScrollBar_; }
    void SetExtScrollBar(TWinControl* value);
    bool Tracking() const { return tracking_; }
    void SetTracking(bool value) { tracking_ = value; }
    bool Visible() const { return visibleMode_ != sbNeverShowEh; }
    void SetVisible(bool value);
    TScrollBarVisibleModeEh VisibleMode() const { return visibleMode_; }
    virtual void SetVisibleMode(TScrollBarVisibleModeEh value);
    bool IsScrollBarVisible();
    bool GetScrollInfo(SCROLLINFO& info);

protected:
    TScrollBarVisibleModeEh visibleMode_ = sbAutoShowEh;

private:
    void ScrollBarWndProc(TMessage& message);

    TCustomDBGridEh* grid_;
    TScrollBarKindEh kind_;
    TWinControl* extScrollBar_ = nullptr;
    TWndMethod savedWndProc_;
    bool tracking_ = false;
    bool forwarding_ = false;
};

class TVertDBGridEhScrollBar : public TDBGridEhScrollBar {
    VESTREL_CLASS(TVertDBGridEhScrollBar, TDBGridEhScrollBar)
public:
    explicit TVertDBGridEhScrollBar(TCustomDBGridEh* grid) : TDBGridEhScrollBar(grid, sbVerticalEh) {}
    void SetVisibleMode(TScrollBarVisibleModeEh value) override;
};

// ---- The grid -------------------------------------------------------------------------------------

class TCustomDBGridEh : public TCustomControl, public TDBGridEhCore {
    VESTREL_CLASS(TCustomDBGridEh, TCustomControl)
public:
    explicit TCustomDBGridEh(TComponent* owner);
    ~TCustomDBGridEh() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    TDBGridEhStyle* Style() const { return style_; }
    // Another style, or nullptr for the default one; the grid relayouts.
    void SetStyle(TDBGridEhStyle* value);
    TDBGridEhScrollBar* HorzScrollBar() const { return horzScrollBar_.get(); }
    TVertDBGridEhScrollBar* VertScrollBar() const { return vertScrollBar_.get(); }
    TColCellParamsEh* CellParams() const { return cellParams_.get(); }
    void SetFixedColor(TColor value);
    int EditButtonWidth() const { return editButtonWidth_; }
    int EditButtonHeight() const { return editButtonHeight_; }

    // TDBGridEhCore's window side.
    TObject* GridObject() override { return this; }
    TComponent* GridComponent() override { return this; }
    TColor GridColor() const override { return Color(); }
    TFont* GridFont() const override { return Font(); }
    TColor FixedColor() const override { return fixedColor_; }
    bool HasWindow() const override { return HandleAllocated(); }
    void InvalidateGrid() override;
    TGridFontMetricsEh FontMetrics(const TFont* font) const override;
    int SortIndexDigitsWidth(int sortIndex) const override;

    void Notification(TComponent* component, TOperation operation) override;
    void DefineProperties(TFiler* filer) override;
    void Loaded() override;

    // Called by the scroll-bar settings.
    virtual void UpdateVertScrollBar() {}
    virtual void UpdateHorzScrollBar() {}
    // Detaches the style without relayout (the style is going).
    void StyleDestroyed() { style_ = nullptr; }

protected:
    virtual TDBGridEhScrollBar* CreateScrollBar(TScrollBarKindEh kind);
    void CreateWnd() override;
    void Paint() override;

private:
    TDBGridEhStyle* style_ = nullptr;
    std::unique_ptr<TDBGridEhScrollBar> horzScrollBar_;
    std::unique_ptr<TVertDBGridEhScrollBar> vertScrollBar_;
    std::unique_ptr<TColCellParamsEh> cellParams_;
    TColor fixedColor_ = clBtnFace;
    int editButtonWidth_ = 0;
    int editButtonHeight_ = 0;
    bool sharedBitmapHeld_ = false;
};

class TDBGridEh : public TCustomDBGridEh {
    VESTREL_CLASS(TDBGridEh, TCustomDBGridEh)
public:
    using TCustomDBGridEh::TCustomDBGridEh;
};

// ---- Program-wide objects of the grid unit ---------------------------------------------------------

// Cursors registered with Screen (when there is one) under these numbers.
constexpr TCursor crDBGridEhColumnSelect = 101;  // "DOWNCUREH"
constexpr TCursor crDBGridEhRowSelect = 102;     // "RIGHTCUREH"
constexpr TCursor crDBGridEhRowSelectRtl = 103;  // "LEFTCUREH"

struct TDBGridEhSettings {
    TShortCut IncSearchShortCut = static_cast<TShortCut>(scCtrl | 'F');
    TShortCut FindDialogShortCut = static_cast<TShortCut>(scCtrl | 'F');
    TShortCut IncSearchNextShortCut = static_cast<TShortCut>(scCtrl | VK_RETURN);
    TShortCut IncSearchPriorShortCut = static_cast<TShortCut>(scCtrl | scShift | VK_RETURN);
    TShortCut CopyFromPriorShortCut = static_cast<TShortCut>(scCtrl | 222);
    unsigned IncSearchDelay = 1500;
    TColor IncSearchBackground = clYellow;
    TColor IncSearchText = clBlack;
};

TDBGridEhStyle* DBGridEhDefaultStyle();
TColCellParamsEh* DBGridEhColCellParams();
TFont* DBGridEhSortIndexFont();
TGridImagesEh* DBGridEhIndicators();
TGridImagesEh* DBGridEhSortMarkers();
HCURSOR DBGridEhCursor(TCursor which);
TDBGridEhSettings& DBGridEhSettings();
// The routine through which the grid opens its find dialog (set by the find dialog's unit).
using TFindDialogRoutineEh = void (*)(TCustomDBGridEh* grid);
TFindDialogRoutineEh& DBGridEhFindDialogRoutine();

// The grid unit's start-up and shut-down (only the first and the last call act). The start-up
// raises EOutOfResources "Cannot load cursor resource" or EResNotFound for a missing bitmap.
void DBGridEhInitialization();
void DBGridEhFinalization();
// The whole grid library in unit order (the program's initialisation list calls these).
void GridLibraryInitialization();
void GridLibraryFinalization();

// Registers the grid's classes and properties with the registries (idempotent).
void RegisterDBGridEhClasses();
