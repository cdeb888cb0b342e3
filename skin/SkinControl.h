// TSkinControl: the skinner of one child control of a skinned window. It takes the control's
// messages (a control of this program through its WindowProc, a window of another module through a
// window hook), lets the control's own procedure run or not per message, and paints the control
// from the skin's elements. The button family lives here too.
//
// Classes in this file:
//   TSkinControl      the base: attach, detach, the message procedure, the paint helpers
//   TSkinnerList      the skinners of one form skinner
//   TSkinButton       push buttons: the Buttons element by state and the caption
//   TSkinBitButton    buttons with a glyph or an image list beside the caption
//   TSkinSpeedButton  buttons without a window
//   TSkinMenuButton   buttons with a drop-down arrow
//
// Ownership: a skinner of a control is owned by the control, so it goes with it; the form
// skinner's list then loses it. A skinner of a foreign window is owned by the list. A window
// destroyed under its skinner leaves the skinner dead (state 6), answering nothing until freed;
// when the control gets a new window, the dead skinner asks its form skinner for a new skinner.
//
// Foreign windows are hooked with the system's subclass chain (TWindowSubclass), not a procedure
// thunk installed with SetWindowLong: hooks then come off in any order.
#pragma once

#include "AppSkinData.h"
#include "SkinControlRules.h"
#include "WindowSubclass.h"

#include "Controls.h"

#include <memory>
#include <vector>

class TAppSkinForm;

// The engine's messages to skinned controls.
constexpr UINT SM_SKINDRAWING = 0x3506;  // wParam > 0: the skin draws; 0: the control's own drawing
constexpr UINT SM_CLOSETAB = 0x3507;     // to the form: wParam a tab control, lParam a tab; 0 closes it
constexpr UINT SM_CHECKREDRAW = 0xB0D0;  // a check control asks for a repaint
constexpr UINT SM_PRINTEDIT = 0xBC4A;    // wParam: DC; lParam SM_MAGIC: paint the edit into it

class TSkinControl : public TComponent {
    VESTREL_CLASS(TSkinControl, TComponent)
public:
    enum TSkinState { ssNone = 0, ssAttached = 1, ssUnskinned = 2, ssDead = 6 };
    enum TButtonStateBit { bsHot = 1, bsPressed = 2 };

    explicit TSkinControl(TComponent* owner);
    ~TSkinControl() override;

    // A control of this program (the skinner's owner).
    virtual void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas);
    // A window of another module.
    virtual void AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas);
    virtual void Unskin();
    // True: let the control's own procedure run, then AfterMessage.
    virtual bool BeforeMessage(TMessage& m);
    virtual void AfterMessage(TMessage& m);
    virtual void PaintWindow(HDC dc);
    virtual void PaintSkin(HDC dc, const TRect& rect) {}
    virtual void RefreshSkin();
    bool IsSkinEnabled() const { return true; }

    // Every message of the skinned window.
    void WindowProcedure(TMessage& m);
    void Redraw();
    void CallDefault(TMessage& m);
    // The form skinner is going away first: forget it.
    void FormGone() { Form = nullptr; }
    // The mouse has gone elsewhere without a leave notice: the hot look goes.
    void LoseHot();

    int ButtonState = 0;
    TCanvas* Canvas = nullptr;
    bool WindowEnabled = false;
    bool Focused = false;
    String Text;
    bool Enabled = true;
    bool Unicode = true;
    TSkinData* SkinData = nullptr;
    HWND Handle = nullptr;
    TWndMethod OldWindowProc;
    TControl* Control = nullptr;
    TRect WindowRect;
    TControl* PaintControl = nullptr;
    bool ChangeColor = false;
    TColor SavedColor = clNone;
    bool Attached = false;
    int SkinState = ssNone;
    TAppSkinForm* Form = nullptr;
    bool DrawParentBack = false;
    bool ParentBackOff = false;
    int Mode = 0;  // a variant some skinners have (a tab control without pages, a single scroll bar, ...)

protected:
    // Paint helpers.
    void PaintMessage(TMessage& m);
    void EraseParentBack(TMessage& m);
    void FillFace(HDC dc, const TRect& rect);
    void FillParent(HDC dc, const TRect& rect);
    static void FillColor(HDC dc, const TRect& rect, TColor color);
    void DrawFocusText(HDC dc, UINT flags, const TRect& rect);
    // Frame `frame` (1-based) of the element's strip fitted to the rectangle by its margins.
    void DrawElement(HDC dc, const TRect& rect, int frameCount, int frame, TDataSkinObject* element);
    // Cell `frame` of `bitmap` (cell width = width / count) stretched to the rectangle, magenta transparent.
    static void DrawFrameCell(HDC dc, const TRect& rect, int frameCount, int frame, TBitmap* bitmap);
    void DrawCaption(HDC dc, const TRect& rect, UINT align, bool enabled, const String& text);
    void DrawImageText(HDC dc, const TRect& rect, int align, const String& text, int imageIndex, HIMAGELIST images);
    static bool IsTopLevelPopup(HWND window);
    // Draws the caption of a plain button: "||" as a line break, centred vertically, a focus
    // rectangle when focused.
    void DrawButtonText(HDC dc, const TRect& rect, UINT align, const String& text);
    HFONT WindowFont() const;
    String WindowText() const;
    LONG_PTR Style() const { return GetWindowLongPtrW(Handle, GWL_STYLE); }
    bool HasFocus() const { return Handle && GetFocus() == Handle; }
    TColor TextColourForFrame(int frame, TColor fallback) const;

    // Registers with the form skinner's list.
    void Register();
    // The start of attaching a control: keeps the form skinner, the skin and the canvas, and takes
    // the owner as the control; false when the owner is no control.
    bool BindOwner(TAppSkinForm* form, TSkinData* skinData, TCanvas* canvas);
    // Controls that paint their parent's background stop doing so while skinned, and start again.
    void ApplyParentBackgroundRule(bool attach);

private:
    class TForeignHook;

    // A foreign window's skinner that turned hot is its form skinner's hot skinner until it cools.
    void NoteHotState();
    // Hands the control's saved procedure back (to the control, or to a newer skinner that calls
    // this one).
    void GiveProcedureBack();
    // A dead skinner of a control that has a new window asks its form skinner, once, for a new one.
    void AskForNewSkinner();

    std::unique_ptr<TForeignHook> hook_;
    bool procedureSaved_ = false;
    bool reskinAsked_ = false;
};

// Properties by name; each accepts a null object and a missing property.
int GetIntProp(TObject* object, const String& name);              // -1 when missing
String GetEnumPropText(TObject* object, const String& name);      // "" when missing
String GetWideProp(TObject* object, const String& name);          // "" when missing
TObject* GetObjProp(TObject* object, const String& name, TClass cls);
void SetPropText(TObject* object, const String& name, const String& value);
bool HasProp(TObject* object, const String& name);

// Sends CM_MOUSELEAVE to the skinner's window.
void SendMouseLeave(TSkinControl* skinner);

// The skinners of one form skinner. Skinners of foreign windows are owned here; skinners of
// controls belong to their controls and are freed here only when the form skinner goes first.
class TSkinnerList {
public:
    TSkinnerList() = default;
    TSkinnerList(const TSkinnerList&) = delete;
    TSkinnerList& operator=(const TSkinnerList&) = delete;
    ~TSkinnerList();

    void Add(TSkinControl* skinner);
    void Remove(TSkinControl* skinner);
    void Clear();  // every skinner unskins and is freed
    void RefreshAll();
    TSkinControl* ForWindow(HWND window) const;
    TSkinControl* ForControl(const TControl* control) const;
    int Count() const { return static_cast<int>(items_.size()); }
    TSkinControl* At(int i) const { return items_[static_cast<std::size_t>(i)]; }

private:
    std::vector<TSkinControl*> items_;
};

class TSkinButton : public TSkinControl {
    VESTREL_CLASS(TSkinButton, TSkinControl)
public:
    explicit TSkinButton(TComponent* owner);
    ~TSkinButton() override;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) override;
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;

    std::unique_ptr<TBitmap> Buffer;
    bool Transparent = false;

protected:
    // The face of the button into Buffer: background and the Buttons element's frame; false when
    // the skin has no button element.
    bool PaintFace(const TRect& rect, int frame);
    void CopyBuffer(HDC dc, const TRect& rect);
    void PaintNow();
    void PostClick();
    bool Enabled3() const;  // the window is enabled
    // The button's text and font, kept from paint to paint; WM_SETTEXT and WM_SETFONT renew them.
    const String& KeptText();
    HFONT KeptFont();

private:
    String keptText_;
    HFONT keptFont_ = nullptr;
    bool textKept_ = false;
    bool fontKept_ = false;
};

class TSkinBitButton : public TSkinButton {
    VESTREL_CLASS(TSkinBitButton, TSkinButton)
public:
    using TSkinButton::TSkinButton;
    void PaintSkin(HDC dc, const TRect& rect) override;
    String GraphicProp;

protected:
    // The glyph-and-caption face shared with the speed button.
    void PaintBitFace(HDC dc, const TRect& rect, int state, bool enabled, bool focused, int glyphCell);
};

class TSkinSpeedButton : public TSkinBitButton {
    VESTREL_CLASS(TSkinSpeedButton, TSkinBitButton)
public:
    using TSkinBitButton::TSkinBitButton;
    void AttachGraphic(TAppSkinForm* form, TSkinData* skinData, TCanvas* canvas);
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage& m) override;
    void PaintWindow(HDC dc) override;
    bool Painting = false;

private:
    void PaintOn(HDC dc);
    void Repaint();
};

class TSkinMenuButton : public TSkinButton {
    VESTREL_CLASS(TSkinMenuButton, TSkinButton)
public:
    using TSkinButton::TSkinButton;
    void PaintSkin(HDC dc, const TRect& rect) override;
};
