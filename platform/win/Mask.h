// The masked edit: a single-line edit whose text may follow an edit mask ("mask;save;blank", see
// MaskUtils.h). Without a mask it is a plain edit. With one, text set by the program is laid out
// by the mask, and leaving the control with a required position unfilled is a validation error.
// Text and selection survive a new window (RecreateWnd).
//
// Classes in this file:
//   EDBEditError     the validation error
//   TCustomMaskEdit  EditMask, the masked Text, ValidateEdit and the overridable ValidateError
//   TMaskEdit        the published form
//
// Not yet: masked typing (overwriting with literal skipping), masked paste and cut, Esc to undo.
#pragma once

#include "StdCtrls.h"

VESTREL_EXCEPTION(EDBEditError, Exception);

class TCustomMaskEdit : public TCustomEdit {
    VESTREL_CLASS(TCustomMaskEdit, TCustomEdit)
public:
    explicit TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

    const String& EditMask() const { return editMask_; }
    void SetEditMask(const String& value);
    bool IsMasked() const { return !MaskPart().empty(); }
    // The text; with a mask, a value set is laid out by it.
    String Text() { return TControl::Text(); }
    void SetText(const String& value);
    // Raises the validation error (through ValidateError) when a required position of the mask is
    // still blank; nothing without a mask.
    void ValidateEdit();

protected:
    // Raises EDBEditError with the platform's text; a descendant may veto or replace it.
    virtual void ValidateError();
    void CMExit(TMessage& m) override;
    // The selection is kept across RecreateWnd.
    void CreateWnd() override;
    void DestroyWnd() override;

private:
    String MaskPart() const;

    String editMask_;
    int savedSelStart_ = -1;
    int savedSelLength_ = 0;
};

class TMaskEdit : public TCustomMaskEdit {
    VESTREL_CLASS(TMaskEdit, TCustomMaskEdit)
public:
    using TCustomMaskEdit::TCustomMaskEdit;
};

// The platform's text of the validation error.
inline constexpr const char* kMaskValidationErrorText = "Invalid input value.  Use escape key to abandon changes";

// True when every required position of `editMask` holds a character other than the blank one in
// `text` (laid out by the mask).
bool MaskTextComplete(const String& editMask, const String& text);

void RegisterMaskClasses();
