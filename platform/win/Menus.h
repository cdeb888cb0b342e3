// Menus over Win32 menu handles.
//
// Classes in this file:
//   TMenuItem        an entry: caption with '&' accelerator ("-" is a separator line), short-cut
//                    (its text follows the caption after a tab), sub-items, an action, owner drawing
//   TMenuActionLink  an item's link to its action: caption, checked, enabled, hint, image, short-cut
//                    and visibility follow the action, and a click executes it
//   TMenu            a tree of items under Items, its menu handle, images, owner drawing, the
//                    search by command, handle and short-cut
//   TMainMenu        a menu bar; the form's short-cuts (a TShortCutHandler of its form)
//   TPopupMenu       a context or drop-down menu shown by Popup(x, y) through TrackPopupMenu; its
//                    short-cuts work while its control (or a child of it) has the focus
//
// The handles are built from the items when first asked for and rebuilt whenever an item changes;
// visible items get command numbers 1, 2, ... in tree order at each build. A popup menu's owner
// window is a hidden window of its own, which receives the owner-draw and WM_INITMENUPOPUP
// messages; the command chosen comes back from TrackPopupMenu (TPM_RETURNCMD) and clicks the item.
// Owner drawing (OwnerDraw, a popup menu with Images, or an item's OnDrawItem/OnMeasureItem):
// DrawItem and MeasureItem, which by default draw the image, check mark, caption and short-cut
// text (right-aligned in a column of its own).
//
// Short-cut texts: ShortCutToText gives "Ctrl+A", "Shift+Ctrl+F5", "Del" (modifiers Shift, Ctrl,
// Alt in that order; the key names of the menu key caps, other keys as the keyboard names them);
// TextToShortCut reads them back without regard to case (scNone for an unknown text).
//
// Not yet: attaching a main menu to a form's window (its WM_COMMAND and owner-draw messages reach
// the menu only when the host calls DispatchCommand / DispatchDrawItem / DispatchMeasureItem), menu
// merging, images of main menu items, AutoHotkeys and AutoLineReduction, right-to-left
// menus, showing a control's popup menu on WM_CONTEXTMENU (the control's side).
#pragma once

#include "ActnList.h"

#include <memory>
#include <vector>

class TMenu;
class TMenuItem;
class TCustomImageList;
class TChangeLink;

String ShortCutToText(TShortCut shortCut);
TShortCut TextToShortCut(const String& text);

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
enum TFindItemKind { fkCommand, fkHandle, fkShortCut };
enum TPopupAlignment { paLeft, paRight, paCenter };

using TMenuDrawItemEvent = TEvent<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TMenuMeasureItemEvent = TEvent<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;

// ---- Items ----------------------------------------------------------------------------------------

class TMenuActionLink : public TActionLink {
public:
    explicit TMenuActionLink(TMenuItem* client);

    TMenuItem* Item() const;
    void SetCaption(const String& value) override;
    void SetChecked(bool value) override;
    void SetEnabled(bool value) override;
    void SetHint(const String& value) override;
    void SetImageIndex(int value) override;
    void SetShortCut(TShortCut value) override;
    void SetVisible(bool value) override;

protected:
    bool ClientHasDefault(TLinkedProperty property) const override;
};

class TMenuItem : public TComponent {
    VESTREL_CLASS(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;  // frees the sub-items

    // The entry.
    const String& Caption() const { return caption_; }
    void SetCaption(const String& value);
    bool IsLine() const { return caption_ == "-"; }
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // The default item is drawn in bold.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    // A checked radio item shows a dot; checking one unchecks the other items of its group.
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    TMenuBreak Break() const { return break_; }
    void SetBreak(TMenuBreak value);
    const String& Hint() const { return hint_; }
    void SetHint(const String& value) { hint_ = value; }
    // The text of the entry: the caption, then a tab and the short-cut's text when there is one.
    String MenuText() const;

    TBasicAction* Action() const { return LinkedAction(actionLink_.get()); }
    void SetAction(TBasicAction* value);

    // Sub-items.
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const;  // EMenuError out of range
    TMenuItem* operator[](int index) const { return Items(index); }
    TMenuItem* Parent() const { return parent_; }
    // Adds `item` at the end (or at `index`); an item that has a parent raises EMenuError.
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);  // takes `item` out without freeing it
    void Delete(int index);        // the same by position
    void Clear();                  // frees every sub-item
    int IndexOf(const TMenuItem* item) const;
    // The sub-item whose caption, without '&', equals `caption` (without regard to case).
    TMenuItem* Find(const String& caption) const;
    TMenu* GetParentMenu() const;

    // The menu handle of the sub-items (built on first use; nullptr for an item without any).
    HMENU Handle();
    // The command number of the entry in its menu's current build (0 when not built).
    int Command() const { return command_; }

    // Runs the item when enabled: OnClick, else its action.
    virtual void Click();
    // Updates the item's action (before the item is shown or its short-cut runs).
    void InitiateAction();

    // Owner drawing: the handlers, else the default drawing.
    virtual void DrawItem(TCanvas* canvas, TRect rect, bool selected);
    virtual void MeasureItem(TCanvas* canvas, int& width, int& height);

    TNotifyEvent OnClick;
    TMenuDrawItemEvent OnDrawItem;
    TMenuMeasureItemEvent OnMeasureItem;

    // Form descriptions nest items inside their menu or parent item.
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }

protected:
    friend class TMenu;
    // Something of the item changed: its menu rebuilds its handles.
    void MenuChanged();
    void DefaultDrawItem(TCanvas* canvas, TRect rect, bool selected);
    bool OwnerDrawn() const;

private:
    void Populate(int& nextCommand);  // (re)fills this item's handle with its visible sub-items
    void DestroyHandle();
    void UncheckRadioSiblings();

    String caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool default_ = false;
    bool radioItem_ = false;
    int groupIndex_ = 0;
    int imageIndex_ = -1;
    TShortCut shortCut_ = scNone;
    bool visible_ = true;
    TMenuBreak break_ = mbNone;
    String hint_;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;  // set on the root item of a menu
    HMENU handle_ = nullptr;
    int command_ = 0;
    std::unique_ptr<TMenuActionLink> actionLink_;
};

// ---- Menus ----------------------------------------------------------------------------------------

class TMenu : public TComponent {
    VESTREL_CLASS(TMenu, TComponent)
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    TMenuItem* Items() const { return items_; }
    // The menu's handle, built from the items on first use.
    HMENU Handle();
    bool HandleAllocated() const;
    // The window the menu belongs to (a main menu's form; nullptr when none): redrawn after changes.
    HWND WindowHandle() const { return window_; }
    void SetWindowHandle(HWND value) { window_ = value; }

    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value);

    // fkCommand: the entry's command number; fkHandle: an HMENU (as an integer); fkShortCut: a
    // TShortCut. Depth first, hidden items included; nullptr when none matches.
    TMenuItem* FindItem(std::intptr_t value, TFindItemKind kind) const;
    // The item whose short-cut is the key: its action is updated, and when it and its parents are
    // enabled it is clicked (true). Otherwise false and the key goes on.
    bool IsShortCut(const TWMKey& message);
    // Messages of the window that shows the menu.
    bool DispatchCommand(WORD command);
    bool DispatchPopup(HMENU menu);  // WM_INITMENUPOPUP: the actions of its items are updated
    bool DispatchDrawItem(const DRAWITEMSTRUCT& item);
    bool DispatchMeasureItem(MEASUREITEMSTRUCT& item);

    void Notification(TComponent* component, TOperation operation) override;
    TComponent* GetChildParent() override { return this; }

    TNotifyEvent OnChange;

protected:
    friend class TMenuItem;
    virtual HMENU CreateMenuHandle() = 0;
    // Rebuilds the handles (when built) after an item changed.
    virtual void MenuChanged();

private:
    void ImagesChanged(TObject* sender);

    TMenuItem* items_;
    HWND window_ = nullptr;
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    bool ownerDraw_ = false;
    int rebuildDepth_ = 0;
};

class TMainMenu : public TMenu, public TShortCutHandler {
    VESTREL_CLASS(TMainMenu, TMenu)
public:
    using TMenu::TMenu;
    bool IsShortCut(const TWMKey& message) override { return TMenu::IsShortCut(message); }

protected:
    HMENU CreateMenuHandle() override { return CreateMenu(); }
};

class TPopupMenu : public TMenu, public TShortCutHandler, public TContextPopupHandler {
    VESTREL_CLASS(TPopupMenu, TMenu)
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;
    // A popup menu answers short-cuts for its control only: it leaves its form's list of
    // short-cut handlers, which every short-cut answerer of a form joins.
    void AfterConstruction() override;

    // Shows the menu at (x, y) in screen coordinates and waits until it closes; the item chosen is
    // clicked. OnPopup runs first, and the items' actions are updated.
    virtual void Popup(int x, int y);
    // Shows the menu for `control` (its context menu).
    void PopupFor(TControl* control, int x, int y) override;
    // The control the menu was shown for (set by whoever shows it).
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* value);
    TPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment value) { alignment_ = value; }
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }
    // The hidden window that owns the menu while it is shown.
    HWND PopupWindow();

    bool IsShortCut(const TWMKey& message) override { return TMenu::IsShortCut(message); }
    void Notification(TComponent* component, TOperation operation) override;

    TNotifyEvent OnPopup;

protected:
    HMENU CreateMenuHandle() override { return CreatePopupMenu(); }
    virtual void DoPopup(TObject* sender);

private:
    static LRESULT CALLBACK PopupWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    TComponent* popupComponent_ = nullptr;
    TPopupAlignment alignment_ = paLeft;
    bool autoPopup_ = true;
};

VESTREL_EXCEPTION(EMenuError, Exception);

// Registers the classes and published properties of this file (idempotent).
void RegisterMenusClasses();
