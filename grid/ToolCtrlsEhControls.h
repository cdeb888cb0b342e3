// The window half of the edit tools: the button-face painter and its cache, drop-down placement on
// the monitor, the edit-button control with auto-repeat, the size grip, the pop-up list boxes and
// the calendar drop-down.
//
// Classes in this file:
//   TButtonsBitmapCache     painted faces by key (size, kind, states), one for the program
//   TEditButtonControlEh    the small button that shows an edit button (auto-repeat for up-down)
//   TSpeedButtonEh          the same with Active and Style published
//   TSizeGripEh             the triangle in a drop-down's corner that resizes it
//   TPopupListboxEh         an owner-drawn pop-up list: whole rows, typed search, hot tracking
//   TMRUListboxEh           the pop-up of a recently-used list
//   TPopupMonthCalendarEh   a pop-up month calendar that closes up on a day, Enter or Esc
//
// The pop-ups are WS_POPUP windows owned by the window given as their ParentWindow (the edit's
// form): their owner reflects WM_DRAWITEM to them.
// Not yet: themed faces (visual styles are off), image lists in the list box (the class library has
// no image list yet), TMRUListboxEh's own scroll-bar child (it uses the list box's bar), the
// edit buttons' own glyphs.
#pragma once

#include "Buttons.h"
#include "ExtCtrls.h"
#include "ImgList.h"
#include "ToolCtrlsEh.h"

#include <memory>
#include <vector>

// Private messages of the drop-downs.
constexpr UINT WM_DROPDOWN_PLACE_EH = WM_USER + 100;   // wParam: 0/1 grip corner, 2 above, 3 below
constexpr LPARAM kDropDownPlaceMark = 1;                // lParam of the placement's requests
constexpr UINT WM_DELAYED_CLOSEUP_EH = WM_USER + 101;  // a deferred close-up of the calendar

// ---- Painting -------------------------------------------------------------------------------------

struct TButtonBitmapKeyEh {
    int Width = 0;
    int Height = 0;
    TEditButtonDrawKindEh Kind = bdkDropDown;
    bool Flat = false;
    bool Pressed = false;
    bool Active = false;
    bool Enabled = true;
    std::uint8_t Half = 0;        // up-down pair: 0 upper, 1 lower
    std::uint8_t CheckState = 0;  // 0 unchecked, 1 checked, 2 grayed
    bool operator==(const TButtonBitmapKeyEh&) const = default;
};

class TButtonsBitmapCache {
public:
    TButtonsBitmapCache() = default;
    ~TButtonsBitmapCache();
    TButtonsBitmapCache(const TButtonsBitmapCache&) = delete;
    TButtonsBitmapCache& operator=(const TButtonsBitmapCache&) = delete;

    // The face of `key`, painted on first request.
    TBitmap* GetButtonBitmap(const TButtonBitmapKeyEh& key);
    int Count() const { return static_cast<int>(entries_.size()); }
    int Painted() const { return painted_; }
    void Clear();

private:
    struct Entry {
        TButtonBitmapKeyEh Key;
        std::unique_ptr<TBitmap> Bitmap;
    };
    std::vector<Entry> entries_;
    int painted_ = 0;
};

// The program's cache (made by the unit's start-up; nullptr before and after).
TButtonsBitmapCache* ButtonsBitmapCache();

// Paints one button face at `rect` of `dc`: check box, drop-down, ellipsis, up-down pair, plus or
// minus, with the states given; `pressedButton` 0 none, 1 the upper (or only) one, 2 the lower.
void PaintEditButtonFace(HDC dc, const TRect& rect, TColor frameColor, int checkState, bool enabled, bool active,
                         bool flat, int pressedButton, TEditButtonDrawKindEh kind);
// Draws one face into `canvas` at `rect` (the cache's painter).
void DrawEditButtonFace(TCanvas* canvas, const TRect& rect, const TButtonBitmapKeyEh& key);

// Two thirds of the screen font's height, odd, at most the vertical scroll bar's width.
int DefaultFlatButtonWidth();
// Width / 4 and height / 3 of the system's check-box bitmap.
TSize CheckBoxSize();
bool IsDblClickMsg(TPoint first, TPoint second, DWORD elapsed);
// A dotted line: one pixel every two, on the checkerboard of the start point.
void DrawDottedLine(TCanvas* canvas, TPoint from, TPoint to, TColor color);

// Places `dropDown` below or above the edit's screen rectangle on its monitor's work area, sends
// it the side and grip requests, and answers its position (its height may be shortened).
void PlaceDropDownWindowAtRect(const TRect& screenRect, TWinControl* dropDown, TDropDownAlign align, TPoint& pos);
void PlaceDropDownWindow(TControl* edit, TWinControl* dropDown, TDropDownAlign align, TPoint& pos);

// ---- Edit-button control --------------------------------------------------------------------------

// On the class layer's speed button: kept pressed through its group (SetAlwaysDown), glyph-style
// buttons paint as plain speed buttons, every other style through PaintEditButtonFace.
class TEditButtonControlEh : public TSpeedButton {
    VESTREL_CLASS(TEditButtonControlEh, TSpeedButton)
public:
    explicit TEditButtonControlEh(TComponent* owner);
    ~TEditButtonControlEh() override;

    TEditButtonStyleEh Style() const { return style_; }
    void SetStyle(TEditButtonStyleEh value);
    bool Active() const { return active_; }
    void SetActive(bool value);
    // Shown pressed: held down with the mouse on it, or kept down.
    bool Down() const { return down_ || TSpeedButton::Down(); }
    // Keeps the button pressed (while its drop-down shows): group 1, down, all-up off; or lets it
    // go (all-up on, up, no group).
    void SetAlwaysDown(bool value);
    bool AlwaysDown() const { return GroupIndex() != 0 && TSpeedButton::Down(); }
    // Lets go of a press whose release will not come (a menu took the mouse).
    void ReleaseButton();
    // The button under the mouse: 0 none, 1 upper or only, 2 lower.
    int HitButton() const { return hitButton_; }
    TTimer* RepeatTimer() const { return timer_; }

    void Click() override;
    TButtonDownEventEh OnDown;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    int ButtonAt(int y) const;
    void RaiseDown();
    void TimerTick(TObject* sender);
    void StopTimer();

    TEditButtonStyleEh style_ = ebsDropDownEh;
    TTimer* timer_ = nullptr;
    int hitButton_ = 0;
    bool active_ = false;
    bool down_ = false;     // held with the mouse on the pressed half
    bool suppressClick_ = false;
    bool pressed_ = false;  // the left button went down on us and is held
};

class TSpeedButtonEh : public TEditButtonControlEh {
    VESTREL_CLASS(TSpeedButtonEh, TEditButtonControlEh)
public:
    using TEditButtonControlEh::TEditButtonControlEh;
};

// Makes the control of an edit button: owned and parented by `editControl`, 10 x 17, visible.
TEditButtonControlEh* MakeEditButtonControl(TWinControl* editControl);

// ---- Size grip ------------------------------------------------------------------------------------

enum TGripCornerEh { gcTopLeft, gcTopRight, gcBottomRight, gcBottomLeft };

class TSizeGripEh : public TCustomControl {
    VESTREL_CLASS(TSizeGripEh, TCustomControl)
public:
    explicit TSizeGripEh(TComponent* owner);

    TGripCornerEh Corner() const { return corner_; }
    void SetCorner(TGripCornerEh value);
    bool TriangleWindow() const { return triangleWindow_; }
    void SetTriangleWindow(bool value);
    // Follows a placement request of the drop-down (0 grip left, 1 right, 2 above, 3 below).
    void MovePopup(int request);
    // Puts the grip into its corner of the parent's client area.
    void UpdatePosition();

    TNotifyEvent OnParentSizeChanged;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void UpdateRegion();
    void UpdateCursor();

    TGripCornerEh corner_ = gcBottomRight;
    bool triangleWindow_ = true;
    bool dragging_ = false;
    TPoint pressPos_;
    TSize parentOuter_;
    TSize parentClient_;
    TRect parentBounds_;
};

// ---- Pop-up list boxes ----------------------------------------------------------------------------

using TListGetImageIndexEventEh = TEvent<void(TObject* Sender, int ItemIndex, int& ImageIndex)>;

class TPopupListboxEh : public TWinControl {
    VESTREL_CLASS(TPopupListboxEh, TWinControl)
public:
    explicit TPopupListboxEh(TComponent* owner);
    ~TPopupListboxEh() override;
    void AfterConstruction() override;

    // The shown texts: its own list, or the external one while set (virtual rows).
    TStrings* Items() const { return items_.get(); }
    TStrings* ExternalItems() const { return externalItems_; }
    void SetExternalItems(TStrings* value);
    int Count() const;
    String ItemText(int index) const;
    int ItemIndex() const;
    void SetItemIndex(int value);
    int TopIndex() const;
    int ItemHeight() const;
    void SetItemHeight(int value);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value) { ctl3D_ = value; }
    int BorderHeight() const { return ctl3D_ ? 4 : 2; }
    int Rows() const { return rows_; }
    void SetRows(int value);  // at least 1: height = rows * item height + border
    TSizeGripEh* SizeGrip() const { return grip_; }
    const String& SearchText() const { return search_.Text(); }
    // Images drawn in a column before the texts (not owned; the owner clears it before freeing).
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    // The image of a row (default: the row itself).
    TListGetImageIndexEventEh OnGetImageIndex;
    // Re-reads the items into the window.
    void ItemsChanged();

    // Heights snap to whole rows.
    void SetBounds(int left, int top, int width, int height) override;

    // The tick source of the typed search (tests replace it).
    std::function<std::uint32_t()> TickCount;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& message) override;
    void KeyPress(wchar_t& key) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    virtual void DrawItem(int index, const TRect& rect, bool selected, HDC dc);

private:
    void ItemsListChanged(TObject* sender);
    void CNDrawItem(TMessage& m);
    void WMNCCalcSize(TMessage& m);
    void WMNCPaint(TMessage& m);

    std::unique_ptr<TStringList> items_;
    TStrings* externalItems_ = nullptr;
    TCustomImageList* images_ = nullptr;
    TSizeGripEh* grip_ = nullptr;
    TIncrementalSearchEh search_;
    TPoint lastMouse_{-1, -1};
    int rows_ = 7;
    int itemHeight_ = 16;
    bool ctl3D_ = true;
};

class TMRUListboxEh : public TPopupListboxEh {
    VESTREL_CLASS(TMRUListboxEh, TPopupListboxEh)
public:
    using TPopupListboxEh::TPopupListboxEh;

protected:
    void CreateParams(TCreateParams& params) override;
};

// ---- Calendar -------------------------------------------------------------------------------------

// What the calendar's owner offers: closing the drop-down, accepting its value or not.
class IInplaceEditHolderEh {
public:
    virtual ~IInplaceEditHolderEh() = default;
    virtual void CloseUp(bool accept) = 0;
};

class TPopupMonthCalendarEh : public TWinControl {
    VESTREL_CLASS(TPopupMonthCalendarEh, TWinControl)
public:
    explicit TPopupMonthCalendarEh(TComponent* owner);

    TDateTime Date() const;
    void SetDate(TDateTime value);
    // Sizes the window to the calendar's minimum rectangle plus the border.
    void AdjustSize();
    int BorderWidth() const { return 2; }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& message) override;
    void KeyDown(WORD& key, TShiftState shift) override;

private:
    IInplaceEditHolderEh* Holder() const;
    void CloseUp(bool accept);
    void WMLButtonUp(TMessage& m);
    void WMNCCalcSize(TMessage& m);
    void WMNCPaint(TMessage& m);

    TDateTime pendingDate_ = 0;
    bool hasPendingDate_ = false;
};

// The unit's start-up and shut-down (only the first and the last call act): the flat button width,
// the check-box size and the face cache.
void ToolCtrlsEhInitialization();
void ToolCtrlsEhFinalization();
