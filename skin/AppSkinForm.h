// TAppSkinForm: the skin of one top-level or MDI window. It hooks the window's procedure, draws the
// non-client area (frame sides, caption with its title and caption buttons) from the skin's frame
// and button pictures, answers WM_NCCALCSIZE so that the client area keeps its size under the
// skinned frame, gives the window a region cut out of the frames' magenta pixels, and runs the
// caption buttons (hot, pressed, inactive; close, maximise, minimise, restore, the system menu).
// Unskin gives the window back as it was: procedure, size of its client area, region.
//
// The window's hook is a TWindowSubclass on the window itself, for forms of this program and
// foreign windows ("#32770" dialogs) alike; an MDI frame hooks its MDI client too.
//
// The title: the window text in the skin's caption font, from x = the title element's TextShift
// to the window width less its TextRightClip, centred vertically (moved by TextShiftVert);
// TextAlignment 0 left, 1 centred, 2 right. Those bounds are TitleLeft and TitleRight.
//
// Wine: DefWindowProc paints the system caption straight onto the window on WM_SETTEXT and
// WM_SETICON and on WM_NCACTIVATE (without WM_NCPAINT); the hook hides WS_CAPTION around the first
// two and answers WM_NCACTIVATE itself. The system's hit test answers HTCLOSE, HTMAXBUTTON, ...
// at its own button places, under the skinned caption; those become HTCAPTION.
//
// The system menu is shown as an owner-drawn copy (a TPopupMenu whose items post WM_SYSCOMMAND),
// drawn by the skinned item painter; the form's popup menus are owner-drawn by it while skinned.
//
// A window with a menu (not an MDI child) loses it at the start: TAppSkinMenu draws it in the strip
// below the caption and tracks its drop-downs; Unskin gives the menu back.
//
// The child controls get their skinners at the start (SkinControlMatch.h); the form skinner keeps
// them in its list and frees them when it unskins.
//
// An MDI frame with a menu strip shows the buttons of its maximised active child (minimise,
// restore, close) at the strip's right end; a menu that the MDI client sets on the frame
// (WM_MDISETMENU) is merged into the strip and taken off the frame again.
//
// A form of this program is also hooked through its WindowProc, which sees the class library's
// own messages: Alt+letter arriving as CM_DIALOGCHAR opens the strip's item with that accelerator;
// a form without such an item hands the key to the main form (an MDI child to its frame's form).
//
// In a foreign window the child skinner under the mouse (HotSkinner) loses its hot look once the
// hover timer finds the cursor outside it, or when the window is deactivated.
//
// Not yet: foreign windows' background fill.
#pragma once

#include "SkinFrameRules.h"
#include "WindowSubclass.h"

#include "Controls.h"

#include <memory>
#include <vector>

class TSkinData;
class TSkinManage;
class TCustomForm;
class TDataSkinSysButton;
class TSkinnerList;
class TSkinControl;
class TSkinMenuPainter;
class TAppSkinMenu;
class TPopupMenu;
class TObject;
class TBitmap;

class TAppSkinForm : public TWindowSubclass {
public:
    enum TFormState { fsAttached = 0, fsSkinned = 1, fsRefreshing = 3, fsDestroying = 4, fsResizing = 5, fsDead = 6 };
    enum TKind { wkPlain = 0, wkMDIFrame = 1, wkMDIChild = 2 };

    TAppSkinForm(TSkinManage* manager, TSkinData* data, TCustomForm* form);
    ~TAppSkinForm() override;

    // Hooks the window and computes the frame; the start message (SM_START) does the rest.
    bool AttachWindow(HWND window);
    // Gives the window back: procedure, client size (unless it is being destroyed), region.
    void Unskin();
    // After a new skin: the frame again, the size and the redraw.
    void Refresh();
    // The non-client area painted into `dc` (window coordinates).
    void PaintFrame(HDC dc);
    void SetMaximizedChildMode(bool on);

    int State = fsAttached;
    int Kind = wkPlain;
    TSkinData* SkinData() const { return data_; }
    TCustomForm* Form() const { return form_; }
    const skinrules::TFrameSizes& Frame() const { return frame_; }
    bool Active() const { return active_; }
    int Placement() const { return placement_; }
    bool NCSkinned() const { return ncSkinned_; }
    // The skinners of the window's child controls.
    TSkinnerList& Skinners() { return *skinners_; }
    TSkinMenuPainter* MenuPainter() const { return painter_.get(); }
    TAppSkinMenu* MenuBar() const { return menuBar_.get(); }
    // The copy of the system menu last shown (nullptr before the first).
    TPopupMenu* SystemMenuCopy() const { return sysMenuPopup_; }
    // The child skinner of a foreign window that shows the hot look, or nullptr; a skinner sets it
    // when it turns hot and clears it when it goes.
    TSkinControl* HotSkinner = nullptr;
    // A child skinner leaves: the form skinner forgets it.
    void SkinnerGone(TSkinControl* skinner);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct TCaptionButton {
        TDataSkinSysButton* Data = nullptr;
        RECT Rect{};
        bool Visible = false;
        int State = 1;  // 1 normal, 2 pressed, 3 hot
    };
    class TClientHook;

    void ComputeFrame();
    void Start();
    void ResizeForSkin(bool refresh, const RECT* client = nullptr);
    void OpenMenuBar(int index);
    void BuildRegion();
    void RemoveRegion();
    void PaintNow();
    void LayoutButtons(int width);
    int ButtonAt(POINT windowPoint) const;
    void SetButtonState(int index, int state);
    void Leave();
    void RunButton(int index, POINT screenPoint);
    void ShowSystemMenu(POINT screenPoint, bool fromIcon = false);
    void BuildSystemMenuCopy();
    void SystemMenuClick(TObject* sender);
    void ReadPlacement();
    bool MaximizedChild() const { return Kind == wkMDIChild && (placement_ == 1 || childMaxMode_); }
    LRESULT WithoutCaptionStyle(UINT message, WPARAM wParam, LPARAM lParam);
    POINT ToWindow(POINT screenPoint) const;
    void DrawTitle(HDC dc, int width);
    LRESULT ClientMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The form's WindowProc while skinned (forms of this program).
    void FormProcedure(TMessage& m);
    void HookFormProcedure();
    void UnhookFormProcedure();
    bool DialogChar(TMessage& m);
    // The MDI frame's active child is maximised (asked of the MDI client).
    bool ActiveChildMaximized() const;
    // The caption button `b` drawn by its state.
    void DrawCaptionButton(HDC dc, const TCaptionButton& b);
    void CheckHotSkinner();

    TSkinManage* manager_;
    TSkinData* data_;
    TCustomForm* form_;
    std::unique_ptr<TClientHook> client_;
    std::unique_ptr<TSkinnerList> skinners_;
    skinrules::TFrameSizes frame_;
    skinrules::TBorderKind borderKind_ = skinrules::bkSizeable;
    int boxes_ = 0;
    int placement_ = 0;
    bool active_ = true;
    bool ncSkinned_ = false;
    bool isChild_ = false;
    bool rightToLeft_ = false;
    bool widenForCaption_ = false;
    bool childMaxMode_ = false;
    bool started_ = false;
    String className_;
    int platformWidth_ = 0;   // the system's non-client width and height, measured at the start
    int platformHeight_ = 0;
    int titleLeft_ = 0;
    int titleRight_ = 0;
    std::vector<TCaptionButton> buttons_;
    int current_ = -1;  // the button under the mouse or pressed
    int pressed_ = -1;
    bool hoverTimer_ = false;
    HRGN region_ = nullptr;  // a region the system did not take
    // The frame's fitted pictures, kept while the window's size and activation stay: the left and
    // right sides, the bottom strip and the caption's background; and the bitmap the whole caption
    // is composed in.
    struct TFrameCache {
        int Width = 0, Height = 0;
        bool Active = false;
        std::unique_ptr<TBitmap> Sides[3];
        std::unique_ptr<TBitmap> Caption;
        std::unique_ptr<TBitmap> Composed;
    };
    TFrameCache cache_;
    void FillFrameCache(int width, int height);
    std::unique_ptr<TSkinMenuPainter> painter_;
    TPopupMenu* sysMenuPopup_ = nullptr;  // owned
    std::unique_ptr<TAppSkinMenu> menuBar_;
    int barHot_ = -1;  // the menu-bar item under the mouse
    bool menusPrepared_ = false;
    DWORD lastMenuTime_ = 0;
    TWndMethod savedWindowProc_;
    bool formHooked_ = false;
    bool savedMenuUpdate_ = true;
};
