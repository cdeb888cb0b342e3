// Pictures and timers.
//
// Classes in this file:
//   TImage  a graphic control that shows a TPicture: at its size, centred, or stretched
//   TTimer  a component that raises OnTimer every Interval milliseconds while Enabled
//
// Not yet: TBevel, TPanel, TSplitter, TShape, TPaintBox, TRadioGroup; TImage's Proportional and
// IncrementalDisplay, drawing on the picture through the image's canvas.
#pragma once

#include "Controls.h"

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

// Registers the classes and published properties of this file (idempotent).
void RegisterExtCtrlsClasses();
