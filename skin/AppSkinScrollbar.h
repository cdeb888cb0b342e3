// Skinned scroll bars. A native scroll bar cannot be drawn over, so a small window of the engine's
// own (TWScrollbar) lies exactly over it, draws the skin's arrows, track, thumb and grip, and hands
// presses on to the control, whose own scroll tracking then runs inside that call.
//
// Classes in this file:
//   TWScrollbar       the overlay of one bar: a window's horizontal (mode 0) or vertical (mode 1)
//                     bar, or a scroll-bar control (mode 2)
//   TSkinScrollbar    the skinner of a control of this program with scroll bars: its two overlays
//                     and a border of the skin's colours
//   TSkinListView     a TSkinScrollbar for list views: their header is skinned too
//   TSkinScrollbarH   the skinner of a window of another module with scroll bars: its two overlays
//   TSkinScControl    the skinner of a scroll-bar control: its overlay
//   TArrowButton      the skinned drop-down button laid over a date-time picker's own
//   TSkinDateTime     the skinner of a date-time picker: that button and a skinned border
//
// The three skinners are control skinners (SkinControl.h), made by the control matching.
//
// The overlay is a plain child window of its own class ("TWScrollbar"), a sibling just above the
// control, with WS_EX_TOOLWINDOW. Presses on a window's bar go to the control as WM_NCLBUTTONDOWN
// with HTHSCROLL/HTVSCROLL at the point in screen coordinates (non-client mouse messages carry
// screen coordinates; Wine takes them as such). A bar without a range (Max = Min) shows no thumb.
//
// Needs the system's GetScrollBarInfo; without it nothing is skinned.
//
// Wine (8.0): GetScrollBarInfo of a bar disabled with EnableScrollBar(ESB_DISABLE_BOTH) marks only
// its two arrows unavailable (rgstate[1] and [5]), not the bar (rgstate[0]), and a disabled window's
// bar is not marked at all; the overlay takes a bar with both arrows unavailable, or of a disabled
// window, as disabled too.
#pragma once

#include "SkinControl.h"
#include "SkinMenuRules.h"

#include <memory>

class TSkinData;

class TWScrollbar {
public:
    enum TMode { mdHorizontal = 0, mdVertical = 1, mdControl = 2 };

    explicit TWScrollbar(TSkinData* data);
    ~TWScrollbar();
    TWScrollbar(const TWScrollbar&) = delete;
    TWScrollbar& operator=(const TWScrollbar&) = delete;

    // Lays the overlay over the target's bar (its parent window becomes the overlay's parent).
    bool AttachToWindow(HWND target, int mode);
    // Follows the bar: hides when the bar is gone or invisible, else moves over it.
    void Place();
    void Hide();
    void Repaint();
    // The bar drawn into `dc` at (0, 0), as the overlay shows it.
    void PaintTo(HDC dc);
    int HitZone(POINT client) const;

    HWND Handle() const { return window_; }
    HWND Target() const { return target_; }
    bool Shown() const { return shown_; }
    bool Vertical() const { return vertical_; }
    int Mode() const { return mode_; }
    int ArrowSize() const { return arrowSize_; }
    int BarLength() const { return barLength_; }
    skinrules::TThumb Thumb() const { return thumb_; }
    int HotZone = -1;  // a zone, or the scroll code while the control scrolls; -1 none
    bool Pressing = false;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam);
    // The bar's rectangle (screen), its thumb and whether it is enabled; false when there is no bar.
    bool ReadBar(RECT& bar, skinrules::TThumb& thumb, bool& enabled) const;
    void Press(LPARAM lParam, bool down);

    TSkinData* data_;
    HWND window_ = nullptr;
    HWND target_ = nullptr;
    int mode_ = 0;
    bool vertical_ = false;
    bool shown_ = false;
    bool tracking_ = false;  // a mouse-leave notice is asked for
    int arrowSize_ = 16;
    int barLength_ = 0;
    skinrules::TThumb thumb_;
    skinrules::TThumb pressThumb_;
    POINT pressPoint_{};
};

// The overlays of a control's two bars, and its border (a line of the skin's shadow colour, one of
// its face colour inside) when the control has one; mode 1 (a single bar) draws no border. A
// control with a FixedColor takes the skin's face colour while skinned.
class TSkinScrollbar : public TSkinControl {
    VESTREL_CLASS(TSkinScrollbar, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    ~TSkinScrollbar() override;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void Unskin() override;
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage& m) override;
    // Repaints the shown bars, places a bar the control's style asks for, fills the corner.
    void PaintSkin(HDC dc, const TRect& rect) override;
    TWScrollbar* HorzBar() const { return horz_.get(); }
    TWScrollbar* VertBar() const { return vert_.get(); }
    bool PaintBorderLines = false;
    bool Resized = false;

private:
    void PlaceBars();
    void PaintBorder(HDC dc);
    std::unique_ptr<TWScrollbar> horz_, vert_;
    bool fixedColorChanged_ = false;
    int savedFixedColor_ = 0;
};

// A list view: the scroll-bar skinner, and a header skinner on its header when it has one.
class TSkinListView : public TSkinScrollbar {
    VESTREL_CLASS(TSkinListView, TSkinScrollbar)
public:
    using TSkinScrollbar::TSkinScrollbar;
    ~TSkinListView() override;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    TSkinControl* Header() const { return header_; }

private:
    TSkinControl* header_ = nullptr;  // owned here only without a form skinner (its list owns it)
};

// The overlays of a window's two bars; the skinner follows the window's messages to keep them in
// place.
class TSkinScrollbarH : public TSkinControl {
    VESTREL_CLASS(TSkinScrollbarH, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    ~TSkinScrollbarH() override;
    void AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) override;
    void Unskin() override;
    void AfterMessage(TMessage& m) override;
    // Repaints the shown bars and fills the corner between them.
    void PaintSkin(HDC dc, const TRect& rect) override;
    TWScrollbar* HorzBar() const { return horz_.get(); }
    TWScrollbar* VertBar() const { return vert_.get(); }

private:
    void PlaceBars();
    std::unique_ptr<TWScrollbar> horz_, vert_;
};

// The overlay of a scroll-bar control (a window of another module, or a control of this program);
// the skinner follows the control's messages to keep it in place and up to date.
class TSkinScControl : public TSkinControl {
    VESTREL_CLASS(TSkinScControl, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    ~TSkinScControl() override;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) override;
    void Unskin() override;
    void AfterMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;
    TWScrollbar* Bar() const { return bar_.get(); }

private:
    void MakeBar();
    std::unique_ptr<TWScrollbar> bar_;
};

// A child window of a date-time picker over its drop-down button: the skin's combo arrow, frame 4
// while the mouse is over it, frame 1 otherwise; a press is handed to the picker, which opens its
// calendar.
class TArrowButton {
public:
    explicit TArrowButton(TSkinData* data);
    ~TArrowButton();
    TArrowButton(const TArrowButton&) = delete;
    TArrowButton& operator=(const TArrowButton&) = delete;
    bool Attach(HWND picker);
    void Place();
    void PaintTo(HDC dc);
    HWND Handle() const { return window_; }
    bool Hot = false;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam);

    TSkinData* data_;
    HWND window_ = nullptr;
    HWND picker_ = nullptr;
    int arrowSize_ = 16;
};

// A date-time picker: its arrow button, and a border of the skin's shadow colour (white inside
// it) when the picker has one.
class TSkinDateTime : public TSkinControl {
    VESTREL_CLASS(TSkinDateTime, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    ~TSkinDateTime() override;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) override;
    void Unskin() override;
    void AfterMessage(TMessage& m) override;
    // The border, on the window DC (window coordinates).
    void PaintSkin(HDC dc, const TRect& rect) override;
    TArrowButton* Arrow() const { return arrow_.get(); }

private:
    void MakeArrow();
    std::unique_ptr<TArrowButton> arrow_;
};

// Whether the system offers GetScrollBarInfo.
bool HasScrollBarInfo();
