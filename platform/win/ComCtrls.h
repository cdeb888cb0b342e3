// Common controls.
//
// Classes in this file:
//   TStatusPanel, TStatusPanels  the panels of a status bar: text, width, alignment, bevel
//   TStatusBar                   a "msctls_statusbar32" aligned to the bottom of its parent
//   TToolButton, TToolBar        a "ToolbarWindow32" and its buttons: captions beside or below
//                                images, check and drop-down buttons with a menu, separators, actions
//   TCoolBand(s), TCoolBar       a "ReBarWindow32" whose bands hold controls
//   TTreeNode(s), TCustomTreeView, TTreeView  a "SysTreeView32" and its nodes
//   TTabSheet, TPageControl      a "SysTabControl32" whose tabs show one sheet at a time
//   TProgressBar                 a "msctls_progress32"
//
// The panels are the status bar's own items; every change of one reaches the window at once. The
// last panel reaches to the right edge whatever its Width.
// Not yet: owner-drawn panels, panel styles, hints per panel, size grip control; tool-bar hints,
// hot and disabled image lists, menus of buttons (MenuItem); band images and colours; tree-view
// editing, drag and drop, state images, sorting, custom drawing; tab images, tab positions other
// than the top, owner-drawn tabs; vertical progress bars.
#pragma once

#include "ActnList.h"
#include "Collection.h"
#include "Controls.h"
#include "GraphicsTypes.h"
#include "ImgList.h"

#include <memory>

class TStatusBar;

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel : public TCollectionItem {
    VESTREL_CLASS(TStatusPanel, TCollectionItem)
public:
    explicit TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}

    void Assign(TPersistent* source) override;

    const String& Text() const { return text_; }
    void SetText(const String& value);
    int Width() const { return width_; }
    void SetWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TStatusPanelBevel value);

private:
    String text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    TStatusPanelBevel bevel_ = pbLowered;
};

class TStatusPanels : public TCollection {
    VESTREL_CLASS(TStatusPanels, TCollection)
public:
    explicit TStatusPanels(TStatusBar* statusBar);

    TStatusPanel* Items(int index) const { return static_cast<TStatusPanel*>(TCollection::Items(index)); }
    TStatusPanel* operator[](int index) const { return Items(index); }
    TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
    TPersistent* GetOwner() const override;

protected:
    void Update(TCollectionItem* item) override;

private:
    TStatusBar* statusBar_;
};

class TStatusBar : public TWinControl {
    VESTREL_CLASS(TStatusBar, TWinControl)
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;

    TStatusPanels* Panels() const { return panels_.get(); }
    void SetPanels(TStatusPanels* value) { panels_->Assign(value); }
    // One panel showing SimpleText in place of the panels.
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool value);
    const String& SimpleText() const { return simpleText_; }
    void SetSimpleText(const String& value);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool value);

    // The text the window shows in panel `index` (for checks; "" without a window).
    String PanelTextShown(int index);

protected:
    friend class TStatusPanels;

    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    // Gives the window the panels' edges and texts (all when `item` is null).
    void UpdatePanels(TStatusPanel* item);

private:
    void UpdatePanel(int index);

    std::unique_ptr<TStatusPanels> panels_;
    bool simplePanel_ = false;
    String simpleText_;
    bool sizeGrip_ = true;
};

// ---- Tool bar -----------------------------------------------------------------------------------

class TToolBar;
class TPopupMenu;
class TCustomImageList;
class TChangeLink;
class TToolButtonActionLink;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

// A button of a tool bar. The tool bar's window draws it and takes its mouse clicks; the control
// keeps the button's settings and gets its bounds from the window.
class TToolButton : public TGraphicControl {
    VESTREL_CLASS(TToolButton, TGraphicControl)
public:
    explicit TToolButton(TComponent* owner);
    ~TToolButton() override;

    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    // The menu a drop-down button shows from its arrow.
    TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* value);
    // Pressed (a check button's state).
    bool Down() const { return down_; }
    void SetDown(bool value);
    // Check buttons of one group (adjacent, Grouped) act as radio buttons.
    bool Grouped() const { return grouped_; }
    void SetGrouped(bool value);
    bool Wrap() const { return wrap_; }
    void SetWrap(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

    TBasicAction* Action() const;
    void SetAction(TBasicAction* value);
    TToolBar* ToolBar() const { return toolBar_; }
    // The button's position among the tool bar's buttons (-1 outside one).
    int Index() const;
    // The command number the tool bar's window knows the button by.
    int Command() const { return command_; }

    void Click() override;
    void SetParent(TWinControl* parent) override;
    void SetBounds(int left, int top, int width, int height) override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    friend class TToolBar;
    void CMHitTest(TMessage& m) override { m.Result = 0; }  // the window takes the mouse
    void CMTextChanged(TMessage& m) override;
    void CMEnabledChanged(TMessage& m) override;
    void CMVisibleChanged(TMessage& m) override;

private:
    void Changed(bool layout);  // tells the tool bar

    TToolBar* toolBar_ = nullptr;
    TToolButtonStyle style_ = tbsButton;
    int imageIndex_ = -1;
    TPopupMenu* dropdownMenu_ = nullptr;
    bool down_ = false;
    bool grouped_ = false;
    bool wrap_ = false;
    bool autoSize_ = false;
    int command_ = 0;
    bool settingBounds_ = false;  // bounds that come from the window
    std::unique_ptr<TToolButtonActionLink> actionLink_;
};

class TToolBar : public TWinControl {
    VESTREL_CLASS(TToolBar, TWinControl)
public:
    explicit TToolBar(TComponent* owner);
    ~TToolBar() override;

    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Buttons(int index) const;  // EListError out of range
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int value);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int value);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    // Captions shown with the images; with List beside them, else below.
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool value);
    bool List() const { return list_; }
    void SetList(bool value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool Wrapable() const { return wrapable_; }
    void SetWrapable(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

    // The button whose command number is `command`, or nullptr.
    TToolButton* FindButton(int command) const;
    // Where the window shows button `button` (client coordinates; empty when hidden or no window).
    TRect ButtonRect(TToolButton* button);
    // Shows `button`'s drop-down menu below it (what the arrow does).
    void ShowDropdownMenu(TToolButton* button);

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    friend class TToolButton;
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& m) override;
    void CNCommand(TMessage& m) override;
    void CNNotify(TMessage& m, NMHDR& header) override;
    // With captions shown, the underlined letter of an enabled, visible button clicks it.
    void CMDialogChar(TMessage& m) override;
    void ButtonInserted(TToolButton* button);
    void ButtonRemoved(TToolButton* button);
    // Gives the window every button again (after a change of layout), or one button's state.
    void RebuildButtons();
    void UpdateButtonState(TToolButton* button);

private:
    void ImagesChanged(TObject* sender);
    void UpdateButtonBounds();
    BYTE ButtonState(TToolButton* button) const;

    std::vector<TToolButton*> buttons_;
    std::vector<std::wstring> captions_;  // the texts the window's buttons point at
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
    bool showCaptions_ = false;
    bool list_ = false;
    bool flat_ = false;
    bool transparent_ = false;
    bool wrapable_ = true;
    bool autoSize_ = false;
    int nextCommand_ = 1;
    bool rebuilding_ = false;
};

// ---- Cool bar -----------------------------------------------------------------------------------

class TCoolBar;

class TCoolBand : public TCollectionItem {
    VESTREL_CLASS(TCoolBand, TCollectionItem)
public:
    explicit TCoolBand(TCollection* collection) : TCollectionItem(collection) {}
    ~TCoolBand() override;

    void Assign(TPersistent* source) override;

    // The control the band holds (a child of the cool bar).
    TWinControl* Control() const { return control_; }
    void SetControl(TWinControl* value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // Starts a new row.
    bool Break() const { return break_; }
    void SetBreak(bool value);
    bool FixedSize() const { return fixedSize_; }
    void SetFixedSize(bool value);
    int MinHeight() const { return minHeight_; }
    void SetMinHeight(int value);
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int value);
    int Width() const { return width_; }
    void SetWidth(int value);
    const String& Text() const { return text_; }
    void SetText(const String& value);
    // The band's background; clBtnFace is the bar's own.
    TColor Color() const { return color_; }
    void SetColor(TColor value);

    TCoolBar* CoolBar() const;
    // Called by the cool bar when its control goes.
    void ControlRemoved() { control_ = nullptr; }

private:
    TWinControl* control_ = nullptr;
    bool visible_ = true;
    bool break_ = true;
    bool fixedSize_ = false;
    int minHeight_ = 25;
    int minWidth_ = 0;
    int width_ = 0;
    String text_;
    TColor color_ = clBtnFace;
};

class TCoolBands : public TCollection {
    VESTREL_CLASS(TCoolBands, TCollection)
public:
    explicit TCoolBands(TCoolBar* coolBar);

    TCoolBand* Items(int index) const { return static_cast<TCoolBand*>(TCollection::Items(index)); }
    TCoolBand* operator[](int index) const { return Items(index); }
    TCoolBand* Add() { return static_cast<TCoolBand*>(TCollection::Add()); }
    // The band holding `control`, or nullptr.
    TCoolBand* FindBand(const TControl* control) const;
    TPersistent* GetOwner() const override;

protected:
    void Update(TCollectionItem* item) override;

private:
    TCoolBar* coolBar_;
};

// A "ReBarWindow32": bands holding controls, rows of bands; its height follows the bands.
class TCoolBar : public TWinControl {
    VESTREL_CLASS(TCoolBar, TWinControl)
public:
    explicit TCoolBar(TComponent* owner);
    ~TCoolBar() override;

    TCoolBands* Bands() const { return bands_.get(); }
    void SetBands(TCoolBands* value) { bands_->Assign(value); }
    // The height follows the rows of bands.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool FixedOrder() const { return fixedOrder_; }
    void SetFixedOrder(bool value) { fixedOrder_ = value; }
    bool ShowText() const { return showText_; }
    void SetShowText(bool value);

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    TNotifyEvent OnChange;

protected:
    friend class TCoolBands;
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& m) override;
    void CNNotify(TMessage& m, NMHDR& header) override;
    // Gives the window the bands (all when `band` is null).
    void UpdateBands(TCoolBand* band);

private:
    void FillBandInfo(TCoolBand* band, REBARBANDINFOW& info, std::wstring& text);
    void AdjustHeight();

    std::unique_ptr<TCoolBands> bands_;
    bool autoSize_ = false;
    bool fixedOrder_ = false;
    bool showText_ = true;
    bool updating_ = false;
};

// ---- Tree view ----------------------------------------------------------------------------------

class TTreeNode;
class TTreeNodes;
class TCustomTreeView;

// A node: text, images, data, its children. The tree view's window shows the nodes; the node
// keeps its settings (and its state while there is no window).
class TTreeNode : public TPersistent {
    VESTREL_CLASS(TTreeNode, TPersistent)
public:
    TTreeNode(TTreeNodes* owner, TTreeNode* parent);
    ~TTreeNode() override;

    const String& Text() const { return text_; }
    void SetText(const String& value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    // The image while the node is selected.
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int value);
    void* Data() const { return data_; }
    void SetData(void* value) { data_ = value; }

    // 0 for a top-level node.
    int Level() const;
    TTreeNode* Parent() const { return parent_; }
    int Count() const { return static_cast<int>(children_.size()); }
    TTreeNode* Item(int index) const;  // ETreeViewError out of range
    TTreeNode* operator[](int index) const { return Item(index); }
    bool HasChildren() const { return !children_.empty(); }
    // Position among its siblings; position among all nodes (depth first).
    int Index() const;
    int AbsoluteIndex() const;
    TTreeNode* GetFirstChild() const { return children_.empty() ? nullptr : children_.front(); }
    TTreeNode* GetLastChild() const { return children_.empty() ? nullptr : children_.back(); }
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // The next node depth first (children, then siblings, then the parents' siblings).
    TTreeNode* GetNext() const;

    // Selecting by program changes the tree's selection (OnChange) but clicks nothing.
    bool Selected() const;
    void SetSelected(bool value);
    bool Expanded() const;
    void SetExpanded(bool value);
    void Expand(bool recurse);
    void Collapse(bool recurse);
    void MakeVisible();
    // Frees the node (and its children).
    void Delete();
    void DeleteChildren();

    TTreeNodes* Owner() const { return owner_; }
    TCustomTreeView* TreeView() const;
    // The window's item (nullptr while there is none).
    HTREEITEM ItemId() const { return item_; }

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;

    TTreeNodes* owner_;
    TTreeNode* parent_;
    std::vector<TTreeNode*> children_;  // owned
    String text_;
    int imageIndex_ = 0;  // a new node shows the first image, selected or not
    int selectedIndex_ = 0;
    void* data_ = nullptr;
    HTREEITEM item_ = nullptr;
    bool expanded_ = false;  // while there is no window
};

VESTREL_EXCEPTION(ETreeViewError, Exception);

class TTreeNodes : public TPersistent {
    VESTREL_CLASS(TTreeNodes, TPersistent)
public:
    explicit TTreeNodes(TCustomTreeView* owner) : owner_(owner) {}
    ~TTreeNodes() override;

    // Every node of the tree.
    int Count() const;
    TTreeNode* Item(int index) const;  // depth first; ETreeViewError out of range
    TTreeNode* operator[](int index) const { return Item(index); }
    TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front(); }
    int RootCount() const { return static_cast<int>(roots_.size()); }

    // A new last (or first) sibling of `sibling`; a top-level node when `sibling` is null.
    TTreeNode* Add(TTreeNode* sibling, const String& text);
    TTreeNode* AddFirst(TTreeNode* sibling, const String& text);
    // A new last (or first) child of `parent`; a top-level node when `parent` is null.
    TTreeNode* AddChild(TTreeNode* parent, const String& text);
    TTreeNode* AddChildFirst(TTreeNode* parent, const String& text);
    // A new node before `sibling` (at the end of the top level when null).
    TTreeNode* Insert(TTreeNode* sibling, const String& text);
    void Delete(TTreeNode* node);
    void Clear();
    void BeginUpdate();
    void EndUpdate();

    TCustomTreeView* Owner() const { return owner_; }

private:
    friend class TTreeNode;
    friend class TCustomTreeView;
    TTreeNode* InsertNode(TTreeNode* parent, int position, const String& text);
    std::vector<TTreeNode*>& SiblingsOf(TTreeNode* parent) { return parent ? parent->children_ : roots_; }

    TCustomTreeView* owner_;
    std::vector<TTreeNode*> roots_;  // owned
    int updateCount_ = 0;
};

using TTVChangedEvent = TEvent<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;

// A "SysTreeView32". A click (OnClick) comes once the window has handled the mouse (so the clicked
// node is selected by then); selecting a node by program raises OnChange but not OnClick.
class TCustomTreeView : public TWinControl {
    VESTREL_CLASS(TCustomTreeView, TWinControl)
public:
    explicit TCustomTreeView(TComponent* owner);
    ~TCustomTreeView() override;

    TTreeNodes* Items() const { return items_.get(); }
    TTreeNode* Selected();
    void SetSelected(TTreeNode* node);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    // No editing of node texts.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    // False keeps the selection visible while the tree has no focus.
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    int Indent() const { return indent_; }
    void SetIndent(int value);
    bool ShowButtons() const { return showButtons_; }
    void SetShowButtons(bool value);
    bool ShowLines() const { return showLines_; }
    void SetShowLines(bool value);
    bool ShowRoot() const { return showRoot_; }
    void SetShowRoot(bool value);

    TTreeNode* GetNodeAt(int x, int y);
    void FullExpand();
    void FullCollapse();

    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TTVChangedEvent OnExpanded;
    TTVChangedEvent OnCollapsed;

    void Notification(TComponent* component, TOperation operation) override;

protected:
    friend class TTreeNode;
    friend class TTreeNodes;
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& m) override;
    void CNNotify(TMessage& m, NMHDR& header) override;
    virtual void Change(TTreeNode* node);
    // The window's item for `node` (made with its children when the window exists).
    void CreateItem(TTreeNode* node, HTREEITEM after);
    void UpdateItem(TTreeNode* node);
    TTreeNode* NodeOf(HTREEITEM item);

private:
    void ImagesChanged(TObject* sender);
    void WMLButtonDown(TMessage& m);
    // The window's own procedure keeps system keys (Alt+F4) from the frame: they go to the
    // system's default procedure.
    void WMSysKeyDown(TMessage& m);

    std::unique_ptr<TTreeNodes> items_;
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    bool readOnly_ = false;
    bool hideSelection_ = true;
    int indent_ = 19;
    bool showButtons_ = true;
    bool showLines_ = true;
    bool showRoot_ = true;
    TTreeNode* savedSelected_ = nullptr;  // while there is no window
    bool clearing_ = false;
};

class TTreeView : public TCustomTreeView {
    VESTREL_CLASS(TTreeView, TCustomTreeView)
public:
    using TCustomTreeView::TCustomTreeView;
};

// ---- Page control -------------------------------------------------------------------------------

class TPageControl;

class TTabSheet : public TWinControl {
    VESTREL_CLASS(TTabSheet, TWinControl)
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* value);
    // Position among the control's pages.
    int PageIndex() const;
    void SetPageIndex(int value);
    // Position among the visible tabs (-1 when its tab is hidden).
    int TabIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);

    void SetParentComponent(TComponent* parent) override;

protected:
    void CMTextChanged(TMessage& m) override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
    int imageIndex_ = -1;
};

using TTabChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;

// A "SysTabControl32" whose tabs are its TTabSheet children; the active sheet fills the display area.
class TPageControl : public TWinControl {
    VESTREL_CLASS(TPageControl, TWinControl)
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const;  // EListError out of range
    TTabSheet* ActivePage() const { return activePage_; }
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }
    void SetActivePageIndex(int index);
    // The page after (or before) `current` in page order, wrapping; nullptr when none.
    TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
    void SelectNextPage(bool goForward);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool value);

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

    void Loaded() override;

protected:
    friend class TTabSheet;
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& m) override;
    void CNNotify(TMessage& m, NMHDR& header) override;
    void AlignControls(TControl* control, TRect& rect) override;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void UpdateTabs();  // the window's tabs from the visible pages
    virtual bool CanChange();
    virtual void Change();

private:
    TRect DisplayRect();
    void ShowActivePage();

    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
    bool multiLine_ = false;
};

// ---- Progress bar -------------------------------------------------------------------------------

class TProgressBar : public TWinControl {
    VESTREL_CLASS(TProgressBar, TWinControl)
public:
    explicit TProgressBar(TComponent* owner);

    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    // The window's position (kept here only while there is no window).
    int Position();
    void SetPosition(int value);
    int Step() const { return step_; }
    void SetStep(int value);
    void StepIt();
    void StepBy(int delta);
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
    bool smooth_ = false;
};

// Registers the classes and published properties of this file (idempotent).
void RegisterComCtrlsClasses();
