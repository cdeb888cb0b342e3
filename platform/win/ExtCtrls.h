// Pictures and timers.
//
// Classes in this file:
//   TImage                          a graphic control that shows a TPicture: at its size, centred,
//                                   or stretched
//   TTimer                          a component that raises OnTimer every Interval milliseconds
//                                   while Enabled
//   TCustomPanel, TPanel            a container with bevels and a caption
//   TSplitter                       a bar that resizes the aligned control before it
//   TCustomRadioGroup, TRadioGroup  a group box of radio buttons made from its Items
//
// Not yet: TBevel, TShape, TPaintBox; the splitter's resize styles other than live resizing;
// TImage's Proportional and IncrementalDisplay, drawing on the picture through the image's canvas.
#pragma once

#include "Controls.h"
#include "Lists.h"
#include "StdCtrls.h"

#include <memory>

class TImage : public TGraphicControl {
    VESTREL_CLASS(TImage, TGraphicControl)
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(TPicture* value) { picture_->Assign(value); }
    // Sizes the control to the picture whenever the picture changes.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    // Centres a picture that is not stretched.
    bool Center() const { return center_; }
    void SetCenter(bool value);
    // Stretches the picture to the control's size.
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    // Leaves out a bitmap's transparent colour (the bottom-left pixel's).
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

    // Where the picture is drawn, in the control's coordinates.
    TRect DestRect() const;
    // Draws the picture into `canvas` at the control's origin: the paint path of WM_PAINT.
    void PaintTo(TCanvas& canvas);

protected:
    void Paint() override;

private:
    void PictureChanged(TObject* sender);

    std::unique_ptr<TPicture> picture_;
    bool autoSize_ = false;
    bool center_ = false;
    bool stretch_ = false;
    bool transparent_ = false;
};

class TTimer : public TComponent {
    VESTREL_CLASS(TTimer, TComponent)
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer. The system timer runs from creation on while Enabled.
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned value);
    TNotifyEvent OnTimer;

    void AfterConstruction() override;

    // True while a system timer runs for this component.
    bool Running() const { return running_; }

protected:
    virtual void Timer();

private:
    static LRESULT CALLBACK TimerWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void UpdateTimer();

    HWND window_ = nullptr;
    unsigned interval_ = 1000;
    bool enabled_ = true;
    bool running_ = false;
};

// ---- Panel --------------------------------------------------------------------------------------

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A container painted by the class: its colour, bevels around it and its caption.
class TCustomPanel : public TCustomControl {
    VESTREL_CLASS(TCustomPanel, TCustomControl)
public:
    explicit TCustomPanel(TComponent* owner);

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    // Space between the bevels.
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

    // Draws the panel into `canvas` at its origin: the paint path.
    void PaintTo(TCanvas& canvas);

protected:
    void Paint() override;
    void AdjustClientRect(TRect& rect) override;
    void CMTextChanged(TMessage& m) override;

private:
    int BorderSize() const;

    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
    VESTREL_CLASS(TPanel, TCustomPanel)
public:
    using TCustomPanel::TCustomPanel;
};

// ---- Splitter -----------------------------------------------------------------------------------

// A bar between an aligned control and the rest: dragging it resizes that control (the one aligned
// to the same side, just before the bar), keeping both sides at least MinSize wide.
class TSplitter : public TGraphicControl {
    VESTREL_CLASS(TSplitter, TGraphicControl)
public:
    explicit TSplitter(TComponent* owner);

    int MinSize() const { return minSize_; }
    void SetMinSize(int value) { minSize_ = std::max(value, 1); }
    // The control the bar resizes (nullptr when none is found).
    TControl* FindControl() const;
    // Moves the bar by `delta` pixels (the resized control grows or shrinks), within the limits.
    void MoveBy(int delta);

    TNotifyEvent OnMoved;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void RequestAlign() override;

private:
    bool Horizontal() const { return Align() == alTop || Align() == alBottom; }

    int minSize_ = 30;
    bool dragging_ = false;
    TPoint downAt_;
};

// ---- Radio group --------------------------------------------------------------------------------

// A group box of radio buttons, one per line of Items, in Columns columns; ItemIndex is the
// checked one. A click on a button raises OnClick.
class TCustomRadioGroup : public TCustomGroupBox {
    VESTREL_CLASS(TCustomRadioGroup, TCustomGroupBox)
public:
    explicit TCustomRadioGroup(TComponent* owner);
    ~TCustomRadioGroup() override;

    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* value) { items_->Assign(value); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int value);
    int Columns() const { return columns_; }
    void SetColumns(int value);
    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TRadioButton* Buttons(int index) const;

    void Loaded() override;

protected:
    void Resize() override;
    void AlignControls(TControl* control, TRect& rect) override;

private:
    void ItemsChanged(TObject* sender);
    void ButtonClick(TObject* sender);
    void UpdateButtons();
    void ArrangeButtons();

    std::unique_ptr<TStringList> items_;
    std::vector<TRadioButton*> buttons_;
    int itemIndex_ = -1;
    int columns_ = 1;
    bool updating_ = false;
};

class TRadioGroup : public TCustomRadioGroup {
    VESTREL_CLASS(TRadioGroup, TCustomRadioGroup)
public:
    using TCustomRadioGroup::TCustomRadioGroup;
};

// Registers the classes and published properties of this file (idempotent).
void RegisterExtCtrlsClasses();
