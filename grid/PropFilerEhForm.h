// The form's interceptor of stored properties: a form's placement as stored, scaled to the screen's
// DPI once read.
#pragma once

#include "Controls.h"
#include "PropFilerEh.h"

class TCustomForm;

// TCustomForm -> TFormStoragePropertyInterceptor.
void RegisterFormStorageInterceptor();

class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
    VESTREL_CLASS(TFormStoragePropertyInterceptor, TStoragePropertyInterceptor)
public:
    explicit TFormStoragePropertyInterceptor(TObject* target);

    // The form's normal (restored) placement.
    int Left() const { return rect_.Left; }
    void SetLeft(int value);
    int Top() const { return rect_.Top; }
    void SetTop(int value);
    int Width() const { return rect_.Width(); }
    void SetWidth(int value) { rect_.Right = rect_.Left + value; }
    int Height() const { return rect_.Height(); }
    void SetHeight(int value) { rect_.Bottom = rect_.Top + value; }
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int value) { pixelsPerInch_ = value; }
    int WindowState() const { return windowState_; }
    void SetWindowState(int value) { windowState_ = value; }
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* value) { activeControl_ = value; }
    bool PositionRead() const { return positionRead_; }

    // Scales the placement from the stored DPI to the screen's and applies it to the form.
    void AfterRead() override;

private:
    TCustomForm* Form() const;

    TRect rect_;
    int pixelsPerInch_ = 96;
    int windowState_ = 0;
    TWinControl* activeControl_ = nullptr;
    bool positionRead_ = false;
};
