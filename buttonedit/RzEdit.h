// The framed edit: a single-line masked edit that paints its own frame in the non-client area in
// one of the frame styles (a "hot" style while focused or under the mouse when FrameHotTrack is
// set), takes DisabledColor or FocusColor as its background by state, can reserve a combo-style
// drop button inside its border, can turn Enter into Tab, and can veto a mask validation error.
//
// Classes in this file:
//   TRzCustomEdit  the behaviour
//   TRzEdit        the published form; its Text passes straight to the masked edit's text
//
// The program has no visual styles, so UsingXPThemes() is false and the custom frame is drawn
// whenever FrameVisible is set.
#pragma once

#include "Mask.h"
#include "RzCommon.h"

enum TButtonState { bsUp, bsDown };
using TLeftRight = TAlignment;  // taLeftJustify or taRightJustify
using TValidateErrorEvent = TEvent<void(TObject* Sender, String& Msg)>;

class TRzCustomEdit : public TCustomMaskEdit {
    VESTREL_CLASS(TRzCustomEdit, TCustomMaskEdit)
public:
    explicit TRzCustomEdit(TComponent* owner);
    ~TRzCustomEdit() override;
    void BeforeDestruction() override;

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    // The background colour. A colour set here is the normal colour (and FocusColor follows it
    // when the two were equal); the control's own state colours do not change the normal one.
    TColor GetColor() const { return Color(); }
    virtual void SetColor(TColor value);
    TColor NormalColor() const { return normalColor_; }
    TColor DisabledColor() const { return disabledColor_; }
    virtual void ChangeDisabledColor(TColor value);
    TColor FocusColor() const { return focusColor_; }
    virtual void ChangeFocusColor(TColor value);
    TColor FrameColor() const { return frameColor_; }
    virtual void ChangeFrameColor(TColor value);
    TColor FrameHotColor() const { return frameHotColor_; }
    virtual void ChangeFrameHotColor(TColor value);
    TRzFrameController* FrameController() const { return frameController_; }
    virtual void ChangeFrameController(TRzFrameController* value);
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
    TLeftRight Alignment() const { return alignment_; }
    virtual void SetAlignment(TLeftRight value);
    bool TabOnEnter() const { return tabOnEnter_; }
    void SetTabOnEnter(bool value) { tabOnEnter_ = value; }
    bool FlatButtons() const { return flatButtons_; }
    virtual void ChangeFlatButtons(bool value);
    TColor FlatButtonColor() const { return flatButtonColor_; }
    virtual void ChangeFlatButtonColor(TColor value);
    bool DropButtonVisible() const { return dropButtonVisible_; }
    virtual void SetDropButtonVisible(bool value);
    TButtonState DropButtonState() const { return dropButtonState_; }
    virtual void SetDropButtonState(TButtonState value);
    virtual bool UsingXPThemes() const;

    // The legacy form properties (read only).
    void ReadFrameFlat(bool value);
    void ReadFrameFocusStyle(TFrameStyle value) { ChangeFrameHotStyle(value); }

    // The focused and mouse-over states the colours and the frame follow.
    bool InControl() const { return inControl_; }
    bool OverControl() const { return overControl_; }
    bool DroppedDown() const { return droppedDown_; }

    // Draws the frame over a window of Width() x Height() on `canvas` (the non-client paint path).
    void PaintFrameTo(TCanvas& canvas);
    // Drops the reserved button down (raises OnDropDown, then OnCloseUp).
    void DropDown();

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TValidateErrorEvent OnValidateError;

protected:
    virtual void UpdateColors();
    virtual void UpdateHotState(bool over, bool value);
    virtual void RedrawFrame();
    virtual void ReadEditRect(TRect& rect);
    virtual void RightAlignedText(String& text);
    virtual void DrawDropButton(TCanvas& canvas, const TRect& rect);

    void CreateParams(TCreateParams& params) override;
    void ValidateError() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void Dispatch(TMessage& m) override;
    void CMEnter(TMessage& m) override;
    void CMExit(TMessage& m) override;
    void CMMouseEnter(TMessage& m) override;
    void CMMouseLeave(TMessage& m) override;
    void CMEnabledChanged(TMessage& m) override;
    void CMParentColorChanged(TMessage& m) override;
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();
    virtual void DoDropDown();
    virtual void DoCloseUp();

private:
    void WMNCPaint(TMessage& m);
    void WMNCCalcSize(TMessage& m);
    void WMNCHitTest(TMessage& m);
    void WMButtonDownOnDropButton(TMessage& m);
    void StopTracking();
    void RepaintNonClient();

    TColor disabledColor_ = clBtnFace;
    TColor focusColor_ = clWindow;
    TColor normalColor_ = clWindow;
    TColor frameColor_ = clBtnShadow;
    TColor frameHotColor_ = clBtnShadow;
    TRzFrameController* frameController_ = nullptr;
    bool frameHotTrack_ = false;
    TFrameStyle frameHotStyle_ = fsFlatBold;
    TSides frameSides_ = sdAllSides;
    TFrameStyle frameStyle_ = fsFlat;
    TFramingPreference framingPreference_ = fpXPThemes;
    bool frameVisible_ = false;
    TLeftRight alignment_ = taLeftJustify;
    bool tabOnEnter_ = false;
    bool flatButtons_ = false;
    TColor flatButtonColor_ = clBtnFace;
    bool updatingColor_ = false;
    bool inControl_ = false;
    bool overControl_ = false;
    bool mouseOverButton_ = false;
    bool droppedDown_ = false;
    bool dropButtonVisible_ = false;
    TButtonState dropButtonState_ = bsUp;
};

class TRzEdit : public TRzCustomEdit {
    VESTREL_CLASS(TRzEdit, TRzCustomEdit)
public:
    using TRzCustomEdit::TRzCustomEdit;

    String GetText() { return TCustomMaskEdit::Text(); }
    void SetText(const String& value) { TCustomMaskEdit::SetText(value); }
};

// True on the one operating system version (4.0) whose edits need the old Enter and select-all rules.
bool IsOldEditSystem();

// Registers the classes and published properties of this file (idempotent).
void RegisterRzEditClasses();
