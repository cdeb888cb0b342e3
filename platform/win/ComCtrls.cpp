#include "ComCtrls.h"

#include "Menus.h"
#include "StdCtrls.h"
#include "TypeRegistry.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

// ---- TStatusPanel -----------------------------------------------------------------------------------

void TStatusPanel::Assign(TPersistent* source) {
    if (auto* panel = dynamic_cast<TStatusPanel*>(source)) {
        text_ = panel->text_;
        width_ = panel->width_;
        alignment_ = panel->alignment_;
        bevel_ = panel->bevel_;
        Changed(false);
        return;
    }
    inherited::Assign(source);
}

void TStatusPanel::SetText(const String& value) {
    if (text_ == value)
        return;
    text_ = value;
    Changed(false);
}

void TStatusPanel::SetWidth(int value) {
    if (width_ == value)
        return;
    width_ = value;
    Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
    if (bevel_ == value)
        return;
    bevel_ = value;
    Changed(false);
}

// ---- TStatusPanels ----------------------------------------------------------------------------------

TStatusPanels::TStatusPanels(TStatusBar* statusBar)
    : TCollection(TCollectionItemClass::Of<TStatusPanel>()), statusBar_(statusBar) {}

TPersistent* TStatusPanels::GetOwner() const {
    return statusBar_;
}

void TStatusPanels::Update(TCollectionItem* item) {
    statusBar_->UpdatePanels(static_cast<TStatusPanel*>(item));
}

// ---- TStatusBar -------------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner), panels_(std::make_unique<TStatusPanels>(this)) {
    SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque});
    SetColor(clBtnFace);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, STATUSCLASSNAMEW);
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NOMOVEY;
    if (sizeGrip_)
        params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
    inherited::CreateWnd();
    UpdatePanels(nullptr);
}

void TStatusBar::SetSimplePanel(bool value) {
    if (simplePanel_ == value)
        return;
    simplePanel_ = value;
    if (HandleAllocated())
        UpdatePanels(nullptr);
}

void TStatusBar::SetSimpleText(const String& value) {
    if (simpleText_ == value)
        return;
    simpleText_ = value;
    if (HandleAllocated() && simplePanel_) {
        const std::wstring wide = ToWide(value);
        Perform(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(wide.c_str()));
    }
}

void TStatusBar::SetSizeGrip(bool value) {
    if (sizeGrip_ == value)
        return;
    sizeGrip_ = value;
    RecreateWnd();
}

void TStatusBar::UpdatePanel(int index) {
    const TStatusPanel* panel = panels_->Items(index);
    // A tab before the text centres it, two tabs put it at the right.
    String text = panel->Text();
    if (panel->Alignment() == taCenter)
        text = "\t" + text;
    else if (panel->Alignment() == taRightJustify)
        text = "\t\t" + text;
    WPARAM flags = static_cast<WPARAM>(index);
    if (panel->Bevel() == pbNone)
        flags |= SBT_NOBORDERS;
    else if (panel->Bevel() == pbRaised)
        flags |= SBT_POPOUT;
    const std::wstring wide = ToWide(text);
    Perform(SB_SETTEXTW, flags, reinterpret_cast<LPARAM>(wide.c_str()));
}

void TStatusBar::UpdatePanels(TStatusPanel* item) {
    if (!HandleAllocated())
        return;
    Perform(SB_SIMPLE, simplePanel_ ? TRUE : FALSE);
    if (simplePanel_) {
        const std::wstring wide = ToWide(simpleText_);
        Perform(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(wide.c_str()));
        return;
    }
    if (item) {
        UpdatePanel(item->Index());
        return;
    }
    const int count = panels_->Count();
    std::vector<int> edges(static_cast<std::size_t>(std::max(count, 1)), -1);
    int right = 0;
    for (int i = 0; i + 1 < count; ++i) {
        right += panels_->Items(i)->Width();
        edges[static_cast<std::size_t>(i)] = right;
    }
    Perform(SB_SETPARTS, static_cast<WPARAM>(edges.size()), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < count; ++i)
        UpdatePanel(i);
}

String TStatusBar::PanelTextShown(int index) {
    if (!HandleAllocated())
        return String();
    const auto length = LOWORD(Perform(SB_GETTEXTLENGTHW, static_cast<WPARAM>(index)));
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    Perform(SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return FromWide(buffer.c_str());
}

// ---- TToolButton ------------------------------------------------------------------------------------

class TToolButtonActionLink : public TControlActionLink {
public:
    explicit TToolButtonActionLink(TToolButton* button) : TControlActionLink(button) {}
    TToolButton* Button() const { return static_cast<TToolButton*>(Control()); }
    void SetChecked(bool value) override { Button()->SetDown(value); }
    void SetImageIndex(int value) override { Button()->SetImageIndex(value); }

protected:
    bool ClientHasDefault(TLinkedProperty property) const override {
        switch (property) {
        case TLinkedProperty::Checked: return !Button()->Down();
        case TLinkedProperty::ImageIndex: return Button()->ImageIndex() < 0;
        default: return TControlActionLink::ClientHasDefault(property);
        }
    }
};

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(TControlStyle{csSetCaption});
    SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
    actionLink_.reset();
    if (toolBar_)
        toolBar_->ButtonRemoved(this);
    toolBar_ = nullptr;
}

TBasicAction* TToolButton::Action() const {
    return LinkedAction(actionLink_.get());
}

void TToolButton::SetAction(TBasicAction* value) {
    SetLinkedAction(actionLink_, this, value);
}

void TToolButton::SetParent(TWinControl* parent) {
    if (parent == Parent())
        return;
    if (toolBar_) {
        TToolBar* old = toolBar_;
        toolBar_ = nullptr;
        old->ButtonRemoved(this);
    }
    inherited::SetParent(parent);
    if (auto* bar = dynamic_cast<TToolBar*>(parent)) {
        toolBar_ = bar;
        bar->ButtonInserted(this);
    }
}

void TToolButton::SetBounds(int left, int top, int width, int height) {
    const bool resized = width != Width();
    inherited::SetBounds(left, top, width, height);
    // A separator's width is its own; other sizes come from the window.
    if (resized && !settingBounds_ && (style_ == tbsSeparator || style_ == tbsDivider))
        Changed(true);
}

int TToolButton::Index() const {
    if (!toolBar_)
        return -1;
    const auto& buttons = toolBar_->buttons_;
    const auto it = std::find(buttons.begin(), buttons.end(), this);
    return it == buttons.end() ? -1 : static_cast<int>(it - buttons.begin());
}

void TToolButton::Changed(bool layout) {
    if (!toolBar_)
        return;
    if (layout)
        toolBar_->RebuildButtons();
    else
        toolBar_->UpdateButtonState(this);
}

void TToolButton::SetStyle(TToolButtonStyle value) {
    if (style_ == value)
        return;
    style_ = value;
    if ((value == tbsSeparator || value == tbsDivider) && Width() == 23) {
        settingBounds_ = true;
        SetWidth(8);
        settingBounds_ = false;
    }
    Changed(true);
}

void TToolButton::SetImageIndex(int value) {
    if (imageIndex_ == value)
        return;
    imageIndex_ = value;
    Changed(true);
}

void TToolButton::SetDropdownMenu(TPopupMenu* value) {
    if (dropdownMenu_ == value)
        return;
    if (dropdownMenu_)
        dropdownMenu_->RemoveFreeNotification(this);
    dropdownMenu_ = value;
    if (dropdownMenu_)
        dropdownMenu_->FreeNotification(this);
}

void TToolButton::SetDown(bool value) {
    if (down_ == value)
        return;
    down_ = value;
    if (value && grouped_ && toolBar_) {
        // The other checked buttons of the group (the adjacent grouped check buttons) pop up.
        const int index = Index();
        for (int i = index - 1; i >= 0 && toolBar_->buttons_[i]->grouped_ &&
                                toolBar_->buttons_[i]->style_ == tbsCheck;
             --i)
            toolBar_->buttons_[i]->SetDown(false);
        for (int i = index + 1; i < toolBar_->ButtonCount() && toolBar_->buttons_[i]->grouped_ &&
                                toolBar_->buttons_[i]->style_ == tbsCheck;
             ++i)
            toolBar_->buttons_[i]->SetDown(false);
    }
    Changed(false);
}

void TToolButton::SetGrouped(bool value) {
    if (grouped_ == value)
        return;
    grouped_ = value;
    Changed(true);
}

void TToolButton::SetWrap(bool value) {
    if (wrap_ == value)
        return;
    wrap_ = value;
    Changed(false);
}

void TToolButton::SetAutoSize(bool value) {
    if (autoSize_ == value)
        return;
    autoSize_ = value;
    Changed(true);
}

void TToolButton::Click() {
    if (!OnClick && actionLink_ && actionLink_->Execute(this))
        return;
    inherited::Click();
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && static_cast<TComponent*>(dropdownMenu_) == component)
        dropdownMenu_ = nullptr;
}

void TToolButton::CMTextChanged(TMessage& m) {
    inherited::CMTextChanged(m);
    Changed(true);
}

void TToolButton::CMEnabledChanged(TMessage& m) {
    inherited::CMEnabledChanged(m);
    Changed(false);
}

void TToolButton::CMVisibleChanged(TMessage& m) {
    inherited::CMVisibleChanged(m);
    Changed(true);
}

// ---- TToolBar ---------------------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
    // The window captures the mouse and reports clicks itself.
    SetControlStyle(TControlStyle{csAcceptsControls, csDoubleClicks, csSetCaption});
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
    SetColor(clBtnFace);
}

TToolBar::~TToolBar() {
    for (TToolButton* button : buttons_)
        button->toolBar_ = nullptr;
    buttons_.clear();
    imageLink_.reset();
    if (images_)
        images_->RemoveFreeNotification(this);
}

TToolButton* TToolBar::Buttons(int index) const {
    if (index < 0 || index >= ButtonCount())
        throw EListError("Tool bar '" + Name() + "': button index " + std::to_string(index) + " out of bounds");
    return buttons_[static_cast<std::size_t>(index)];
}

TToolButton* TToolBar::FindButton(int command) const {
    for (TToolButton* button : buttons_)
        if (button->command_ == command)
            return button;
    return nullptr;
}

void TToolBar::SetButtonWidth(int value) {
    if (buttonWidth_ == value)
        return;
    buttonWidth_ = value;
    RebuildButtons();
}

void TToolBar::SetButtonHeight(int value) {
    if (buttonHeight_ == value)
        return;
    buttonHeight_ = value;
    RebuildButtons();
}

void TToolBar::SetImages(TCustomImageList* value) {
    if (images_ == value)
        return;
    if (!imageLink_) {
        imageLink_ = std::make_unique<TChangeLink>();
        imageLink_->OnChange = Event<&TToolBar::ImagesChanged>(this);
    }
    imageLink_->Follow(this, value);
    images_ = value;
    ImagesChanged(this);
}

void TToolBar::ImagesChanged(TObject*) {
    if (!HandleAllocated())
        return;
    Perform(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
    RebuildButtons();
}

void TToolBar::SetShowCaptions(bool value) {
    if (showCaptions_ == value)
        return;
    showCaptions_ = value;
    RecreateWnd();
}

void TToolBar::SetList(bool value) {
    if (list_ == value)
        return;
    list_ = value;
    RecreateWnd();
}

void TToolBar::SetFlat(bool value) {
    if (flat_ == value)
        return;
    flat_ = value;
    RecreateWnd();
}

void TToolBar::SetTransparent(bool value) {
    if (transparent_ == value)
        return;
    transparent_ = value;
    RecreateWnd();
}

void TToolBar::SetWrapable(bool value) {
    if (wrapable_ == value)
        return;
    wrapable_ = value;
    RecreateWnd();
}

void TToolBar::SetAutoSize(bool value) {
    if (autoSize_ == value)
        return;
    autoSize_ = value;
    RebuildButtons();
}

void TToolBar::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, TOOLBARCLASSNAMEW);
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | WS_CLIPCHILDREN;
    if (flat_)
        params.Style |= TBSTYLE_FLAT;
    if (transparent_)
        params.Style |= TBSTYLE_TRANSPARENT;
    if (list_)
        params.Style |= TBSTYLE_LIST;
    if (wrapable_)
        params.Style |= TBSTYLE_WRAPABLE;
}

void TToolBar::CreateWnd() {
    inherited::CreateWnd();
    Perform(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    Perform(TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    if (images_)
        Perform(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_->Handle()));
    RebuildButtons();
}

void TToolBar::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_ERASEBKGND:  // the window paints its own (or, transparent, its parent's) background
        return DefaultHandler(m);
    case CM_CONTROLCHANGE: {
        auto* button = dynamic_cast<TToolButton*>(reinterpret_cast<TControl*>(m.WParam));
        if (button && m.LParam == 0 && button->toolBar_ == this) {
            button->toolBar_ = nullptr;
            ButtonRemoved(button);
        }
        return inherited::Dispatch(m);
    }
    default:
        return inherited::Dispatch(m);
    }
}

void TToolBar::CMDialogChar(TMessage& m) {
    if (showCaptions_ && Enabled() && Showing()) {
        for (TToolButton* button : buttons_) {
            if (button->Visible() && button->Enabled() && IsAccel(static_cast<wchar_t>(m.WParam), button->Caption())) {
                button->Click();
                m.Result = 1;
                return;
            }
        }
    }
    inherited::CMDialogChar(m);
}

void TToolBar::ButtonInserted(TToolButton* button) {
    if (std::find(buttons_.begin(), buttons_.end(), button) != buttons_.end())
        return;
    button->command_ = nextCommand_++;
    buttons_.push_back(button);
    RebuildButtons();
}

void TToolBar::ButtonRemoved(TToolButton* button) {
    const auto it = std::find(buttons_.begin(), buttons_.end(), button);
    if (it == buttons_.end())
        return;
    buttons_.erase(it);
    if (!(ComponentState() & csDestroying))
        RebuildButtons();
}

BYTE TToolBar::ButtonState(TToolButton* button) const {
    BYTE state = 0;
    if (button->Enabled())
        state |= TBSTATE_ENABLED;
    if (button->Down())
        state |= TBSTATE_CHECKED;
    if (!button->Visible())
        state |= TBSTATE_HIDDEN;
    if (button->Wrap())
        state |= TBSTATE_WRAP;
    return state;
}

void TToolBar::RebuildButtons() {
    if (!HandleAllocated() || rebuilding_ || (ComponentState() & (csLoading | csDestroying)))
        return;
    rebuilding_ = true;
    try {
        Perform(WM_SETREDRAW, FALSE);
        while (Perform(TB_BUTTONCOUNT) > 0)
            Perform(TB_DELETEBUTTON, 0);
        Perform(TB_SETBITMAPSIZE, 0,
                MAKELONG(images_ ? images_->Width() : 0, images_ ? images_->Height() : 0));
        captions_.assign(buttons_.size(), std::wstring());
        std::vector<TBBUTTON> native(buttons_.size());
        for (std::size_t i = 0; i < buttons_.size(); ++i) {
            TToolButton* button = buttons_[i];
            TBBUTTON& b = native[i];
            b.idCommand = button->command_;
            b.fsState = ButtonState(button);
            switch (button->Style()) {
            case tbsSeparator:
            case tbsDivider:
                b.fsStyle = BTNS_SEP;
                b.iBitmap = button->Width();
                b.iString = -1;
                continue;
            case tbsCheck:
                b.fsStyle = BTNS_CHECK | (button->Grouped() ? BTNS_GROUP : 0);
                break;
            case tbsDropDown:
                b.fsStyle = BTNS_DROPDOWN;
                break;
            case tbsButton:
                b.fsStyle = BTNS_BUTTON;
                break;
            }
            if (button->AutoSize())
                b.fsStyle |= BTNS_AUTOSIZE;
            b.iBitmap = images_ && button->ImageIndex() >= 0 ? button->ImageIndex() : I_IMAGENONE;
            if (showCaptions_) {
                captions_[i] = ToWide(button->Caption());
                b.iString = reinterpret_cast<INT_PTR>(captions_[i].c_str());
            } else {
                b.iString = -1;
            }
        }
        if (!native.empty())
            Perform(TB_ADDBUTTONSW, native.size(), reinterpret_cast<LPARAM>(native.data()));
        // ButtonWidth is the least width: a longer caption widens its button.
        Perform(TB_SETBUTTONSIZE, 0, MAKELONG(buttonWidth_, buttonHeight_));
        Perform(TB_SETBUTTONWIDTH, 0, MAKELONG(buttonWidth_, 0));
        Perform(TB_AUTOSIZE);
        Perform(WM_SETREDRAW, TRUE);
        Invalidate();
    } catch (...) {
        rebuilding_ = false;
        throw;
    }
    rebuilding_ = false;
    UpdateButtonBounds();
}

void TToolBar::UpdateButtonState(TToolButton* button) {
    if (!HandleAllocated() || rebuilding_)
        return;
    Perform(TB_SETSTATE, static_cast<WPARAM>(button->command_), MAKELONG(ButtonState(button), 0));
}

TRect TToolBar::ButtonRect(TToolButton* button) {
    const int index = button ? button->Index() : -1;
    if (!HandleAllocated() || index < 0)
        return TRect();
    RECT r{};
    if (!Perform(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)))
        return TRect();
    return FromWinRect(r);
}

void TToolBar::UpdateButtonBounds() {
    int bottom = 0;
    for (TToolButton* button : buttons_) {
        const TRect r = ButtonRect(button);
        if (r.IsEmpty())
            continue;
        button->settingBounds_ = true;
        button->SetBounds(r.Left, r.Top, r.Width(), r.Height());
        button->settingBounds_ = false;
        bottom = std::max(bottom, r.Bottom);
    }
    if (autoSize_ && bottom > 0 && Align() != alLeft && Align() != alRight)
        SetHeight(bottom);
}

void TToolBar::ShowDropdownMenu(TToolButton* button) {
    if (!button || !button->DropdownMenu())
        return;
    const TRect r = ButtonRect(button);
    const TPoint at = ClientToScreen(Point(r.Left, r.Bottom));
    button->DropdownMenu()->SetPopupComponent(button);
    button->DropdownMenu()->Popup(at.X, at.Y);
}

void TToolBar::CNCommand(TMessage& m) {
    if (TToolButton* button = FindButton(LOWORD(m.WParam))) {
        if (button->Style() == tbsCheck) {
            // The window toggled the button: take its state.
            button->SetDown((Perform(TB_GETSTATE, static_cast<WPARAM>(button->command_)) & TBSTATE_CHECKED) != 0);
        }
        button->Click();
    }
}

void TToolBar::CNNotify(TMessage& m, NMHDR& header) {
    if (header.code == TBN_DROPDOWN) {
        const auto& info = reinterpret_cast<const NMTOOLBARW&>(header);
        ShowDropdownMenu(FindButton(info.iItem));
        m.Result = TBDDRET_DEFAULT;
    }
}

void TToolBar::Loaded() {
    inherited::Loaded();
    RebuildButtons();
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && static_cast<TComponent*>(images_) == component) {
        images_ = nullptr;
        if (HandleAllocated() && !(ComponentState() & csDestroying)) {
            Perform(TB_SETIMAGELIST, 0, 0);
            RebuildButtons();
        }
    }
}

// ---- TCoolBand, TCoolBands --------------------------------------------------------------------------

TCoolBand::~TCoolBand() {
    if (control_)
        if (TCoolBar* bar = CoolBar())
            control_->RemoveFreeNotification(bar);
}

TCoolBar* TCoolBand::CoolBar() const {
    auto* bands = dynamic_cast<TCoolBands*>(Collection());
    return bands ? static_cast<TCoolBar*>(bands->GetOwner()) : nullptr;
}

void TCoolBand::Assign(TPersistent* source) {
    if (auto* band = dynamic_cast<TCoolBand*>(source)) {
        visible_ = band->visible_;
        break_ = band->break_;
        fixedSize_ = band->fixedSize_;
        minHeight_ = band->minHeight_;
        minWidth_ = band->minWidth_;
        width_ = band->width_;
        text_ = band->text_;
        color_ = band->color_;
        SetControl(band->control_);
        Changed(false);
        return;
    }
    inherited::Assign(source);
}

void TCoolBand::SetControl(TWinControl* value) {
    if (control_ == value)
        return;
    TCoolBar* bar = CoolBar();
    if (value && bar) {
        // A control is held by one band only.
        if (TCoolBand* other = bar->Bands()->FindBand(value); other && other != this)
            other->SetControl(nullptr);
        if (value->Parent() != bar)
            value->SetParent(bar);
        value->FreeNotification(bar);
    }
    control_ = value;
    Changed(false);
}

void TCoolBand::SetVisible(bool value) {
    if (visible_ == value)
        return;
    visible_ = value;
    Changed(false);
}

void TCoolBand::SetBreak(bool value) {
    if (break_ == value)
        return;
    break_ = value;
    Changed(false);
}

void TCoolBand::SetFixedSize(bool value) {
    if (fixedSize_ == value)
        return;
    fixedSize_ = value;
    Changed(false);
}

void TCoolBand::SetMinHeight(int value) {
    if (minHeight_ == value)
        return;
    minHeight_ = value;
    Changed(false);
}

void TCoolBand::SetMinWidth(int value) {
    if (minWidth_ == value)
        return;
    minWidth_ = value;
    Changed(false);
}

void TCoolBand::SetWidth(int value) {
    if (width_ == value)
        return;
    width_ = value;
    Changed(false);
}

void TCoolBand::SetColor(TColor value) {
    if (color_ == value)
        return;
    color_ = value;
    Changed(false);
}

void TCoolBand::SetText(const String& value) {
    if (text_ == value)
        return;
    text_ = value;
    Changed(false);
}

TCoolBands::TCoolBands(TCoolBar* coolBar)
    : TCollection(TCollectionItemClass::Of<TCoolBand>()), coolBar_(coolBar) {}

TPersistent* TCoolBands::GetOwner() const {
    return coolBar_;
}

TCoolBand* TCoolBands::FindBand(const TControl* control) const {
    for (int i = 0; i < Count(); ++i)
        if (control && Items(i)->Control() == control)
            return Items(i);
    return nullptr;
}

void TCoolBands::Update(TCollectionItem* item) {
    coolBar_->UpdateBands(static_cast<TCoolBand*>(item));
}

// ---- TCoolBar ---------------------------------------------------------------------------------------

TCoolBar::TCoolBar(TComponent* owner) : TWinControl(owner), bands_(std::make_unique<TCoolBands>(this)) {
    SetControlStyle(TControlStyle{csAcceptsControls, csDoubleClicks, csSetCaption});
    SetBounds(0, 0, 150, 75);
    SetAlign(alTop);
    SetColor(clBtnFace);
}

TCoolBar::~TCoolBar() = default;

void TCoolBar::SetAutoSize(bool value) {
    if (autoSize_ == value)
        return;
    autoSize_ = value;
    AdjustHeight();
}

void TCoolBar::SetShowText(bool value) {
    if (showText_ == value)
        return;
    showText_ = value;
    UpdateBands(nullptr);
}

void TCoolBar::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, REBARCLASSNAMEW);
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | RBS_VARHEIGHT | RBS_BANDBORDERS |
                    WS_CLIPCHILDREN;
    if (fixedOrder_)
        params.Style |= RBS_FIXEDORDER;
}

void TCoolBar::CreateWnd() {
    inherited::CreateWnd();
    REBARINFO info{};
    info.cbSize = sizeof(info);
    Perform(RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));
    UpdateBands(nullptr);
}

void TCoolBar::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_ERASEBKGND:
        return DefaultHandler(m);
    case CM_CONTROLCHANGE:
        // A control leaving the cool bar leaves its band.
        if (m.LParam == 0)
            if (TCoolBand* band = bands_->FindBand(reinterpret_cast<TControl*>(m.WParam)))
                band->SetControl(nullptr);
        return inherited::Dispatch(m);
    default:
        return inherited::Dispatch(m);
    }
}

void TCoolBar::FillBandInfo(TCoolBand* band, REBARBANDINFOW& info, std::wstring& text) {
    info = REBARBANDINFOW{};
    info.cbSize = sizeof(info);
    info.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID | RBBIM_TEXT | RBBIM_COLORS;
    info.clrFore = CLR_DEFAULT;
    info.clrBack = band->Color() == clBtnFace ? CLR_DEFAULT : static_cast<COLORREF>(ColorToRGB(band->Color()));
    info.fStyle = RBBS_CHILDEDGE;
    if (band->Break())
        info.fStyle |= RBBS_BREAK;
    if (!band->Visible())
        info.fStyle |= RBBS_HIDDEN;
    if (band->FixedSize())
        info.fStyle |= RBBS_FIXEDSIZE | RBBS_NOGRIPPER;
    TWinControl* control = band->Control();
    info.hwndChild = control && control->Parent() == this ? control->Handle() : nullptr;
    info.cxMinChild = static_cast<UINT>(std::max(band->MinWidth(), 0));
    info.cyMinChild = static_cast<UINT>(std::max(band->MinHeight(), control ? control->Height() : 0));
    info.cx = static_cast<UINT>(band->Width() > 0 ? band->Width() : ClientWidth());
    info.wID = static_cast<UINT>(band->ID());
    text = showText_ ? ToWide(band->Text()) : std::wstring();
    info.lpText = text.data();
}

void TCoolBar::UpdateBands(TCoolBand* band) {
    if (!HandleAllocated() || updating_ || (ComponentState() & (csLoading | csDestroying)))
        return;
    updating_ = true;
    try {
        const int count = bands_->Count();
        // Bands past the collection's go; the others are set in place (a deleted band would take
        // its control's window down with it).
        while (Perform(RB_GETBANDCOUNT) > count)
            Perform(RB_DELETEBAND, static_cast<WPARAM>(Perform(RB_GETBANDCOUNT) - 1));
        for (int i = 0; i < count; ++i) {
            TCoolBand* item = bands_->Items(i);
            if (band && band != item)
                continue;
            REBARBANDINFOW info;
            std::wstring text;
            FillBandInfo(item, info, text);
            if (i < Perform(RB_GETBANDCOUNT))
                Perform(RB_SETBANDINFOW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
            else
                Perform(RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&info));
        }
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
    AdjustHeight();
}

void TCoolBar::AdjustHeight() {
    if (!autoSize_ || !HandleAllocated())
        return;
    const int height = static_cast<int>(Perform(RB_GETBARHEIGHT));
    if (height > 0 && height != Height())
        SetHeight(height);
}

void TCoolBar::CNNotify(TMessage& m, NMHDR& header) {
    if (header.code == RBN_HEIGHTCHANGE) {
        AdjustHeight();
        if (OnChange)
            OnChange(this);
    }
}

void TCoolBar::Loaded() {
    inherited::Loaded();
    UpdateBands(nullptr);
}

void TCoolBar::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove || !bands_)
        return;
    for (int i = 0; i < bands_->Count(); ++i)
        if (static_cast<TComponent*>(bands_->Items(i)->Control()) == component)
            bands_->Items(i)->ControlRemoved();
}

// ---- TTreeNode --------------------------------------------------------------------------------------

TTreeNode::TTreeNode(TTreeNodes* owner, TTreeNode* parent) : owner_(owner), parent_(parent) {}

TTreeNode::~TTreeNode() {
    for (TTreeNode* child : children_)
        delete child;
}

TCustomTreeView* TTreeNode::TreeView() const {
    return owner_->Owner();
}

void TTreeNode::SetText(const String& value) {
    if (text_ == value)
        return;
    text_ = value;
    TreeView()->UpdateItem(this);
}

void TTreeNode::SetImageIndex(int value) {
    if (imageIndex_ == value)
        return;
    imageIndex_ = value;
    TreeView()->UpdateItem(this);
}

void TTreeNode::SetSelectedIndex(int value) {
    if (selectedIndex_ == value)
        return;
    selectedIndex_ = value;
    TreeView()->UpdateItem(this);
}

int TTreeNode::Level() const {
    int level = 0;
    for (const TTreeNode* p = parent_; p; p = p->parent_)
        ++level;
    return level;
}

TTreeNode* TTreeNode::Item(int index) const {
    if (index < 0 || index >= Count())
        throw ETreeViewError("Tree node '" + text_ + "': child index " + std::to_string(index) + " out of bounds");
    return children_[static_cast<std::size_t>(index)];
}

int TTreeNode::Index() const {
    const auto& siblings = owner_->SiblingsOf(parent_);
    const auto it = std::find(siblings.begin(), siblings.end(), this);
    return static_cast<int>(it - siblings.begin());
}

int TTreeNode::AbsoluteIndex() const {
    int index = 0;
    for (const TTreeNode* n = owner_->GetFirstNode(); n; n = n->GetNext(), ++index)
        if (n == this)
            return index;
    return -1;
}

TTreeNode* TTreeNode::GetNextSibling() const {
    const auto& siblings = owner_->SiblingsOf(parent_);
    const int index = Index();
    return index + 1 < static_cast<int>(siblings.size()) ? siblings[static_cast<std::size_t>(index + 1)] : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
    const int index = Index();
    return index > 0 ? owner_->SiblingsOf(parent_)[static_cast<std::size_t>(index - 1)] : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
    if (!children_.empty())
        return children_.front();
    for (const TTreeNode* n = this; n; n = n->parent_)
        if (TTreeNode* sibling = n->GetNextSibling())
            return sibling;
    return nullptr;
}

bool TTreeNode::Selected() const {
    return TreeView()->Selected() == this;
}

void TTreeNode::SetSelected(bool value) {
    TCustomTreeView* tree = TreeView();
    if (value)
        tree->SetSelected(this);
    else if (Selected())
        tree->SetSelected(nullptr);
}

bool TTreeNode::Expanded() const {
    TCustomTreeView* tree = TreeView();
    if (item_ && tree->HandleAllocated())
        return (tree->Perform(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item_), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    return expanded_;
}

void TTreeNode::SetExpanded(bool value) {
    if (value)
        Expand(false);
    else
        Collapse(false);
}

void TTreeNode::Expand(bool recurse) {
    expanded_ = true;
    TCustomTreeView* tree = TreeView();
    if (item_ && tree->HandleAllocated())
        tree->Perform(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item_));
    if (recurse)
        for (TTreeNode* child : children_)
            child->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
    expanded_ = false;
    TCustomTreeView* tree = TreeView();
    if (item_ && tree->HandleAllocated())
        tree->Perform(TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(item_));
    if (recurse)
        for (TTreeNode* child : children_)
            child->Collapse(true);
}

void TTreeNode::MakeVisible() {
    TCustomTreeView* tree = TreeView();
    if (item_ && tree->HandleAllocated())
        tree->Perform(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item_));
}

void TTreeNode::Delete() {
    owner_->Delete(this);
}

void TTreeNode::DeleteChildren() {
    while (!children_.empty())
        owner_->Delete(children_.back());
}

// ---- TTreeNodes -------------------------------------------------------------------------------------

TTreeNodes::~TTreeNodes() {
    for (TTreeNode* node : roots_)
        delete node;
}

int TTreeNodes::Count() const {
    int count = 0;
    for (const TTreeNode* n = GetFirstNode(); n; n = n->GetNext())
        ++count;
    return count;
}

TTreeNode* TTreeNodes::Item(int index) const {
    int i = 0;
    for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext(), ++i)
        if (i == index)
            return n;
    throw ETreeViewError("Tree view '" + owner_->Name() + "': node index " + std::to_string(index) +
                         " out of bounds");
}

TTreeNode* TTreeNodes::InsertNode(TTreeNode* parent, int position, const String& text) {
    auto& siblings = SiblingsOf(parent);
    auto* node = new TTreeNode(this, parent);
    node->text_ = text;
    siblings.insert(siblings.begin() + position, node);
    HTREEITEM after = TVI_FIRST;
    if (position > 0)
        after = siblings[static_cast<std::size_t>(position - 1)]->item_;
    owner_->CreateItem(node, after ? after : TVI_LAST);
    return node;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const String& text) {
    return AddChild(sibling ? sibling->parent_ : nullptr, text);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* sibling, const String& text) {
    return AddChildFirst(sibling ? sibling->parent_ : nullptr, text);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const String& text) {
    return InsertNode(parent, static_cast<int>(SiblingsOf(parent).size()), text);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const String& text) {
    return InsertNode(parent, 0, text);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const String& text) {
    if (!sibling)
        return AddChild(nullptr, text);
    return InsertNode(sibling->parent_, sibling->Index(), text);
}

void TTreeNodes::Delete(TTreeNode* node) {
    if (!node || node->owner_ != this)
        return;
    TCustomTreeView* tree = owner_;
    for (TTreeNode* p = tree->savedSelected_; p; p = p->parent_)
        if (p == node)
            tree->savedSelected_ = nullptr;
    if (node->item_ && tree->HandleAllocated())
        tree->Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node->item_));
    auto& siblings = SiblingsOf(node->parent_);
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    delete node;
}

void TTreeNodes::Clear() {
    TCustomTreeView* tree = owner_;
    tree->savedSelected_ = nullptr;
    if (tree->HandleAllocated()) {
        tree->clearing_ = true;
        tree->Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        tree->clearing_ = false;
    }
    std::vector<TTreeNode*> roots;
    roots.swap(roots_);
    for (TTreeNode* node : roots)
        delete node;
}

void TTreeNodes::BeginUpdate() {
    if (updateCount_++ == 0 && owner_->HandleAllocated())
        owner_->Perform(WM_SETREDRAW, FALSE);
}

void TTreeNodes::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && owner_->HandleAllocated()) {
        owner_->Perform(WM_SETREDRAW, TRUE);
        owner_->Invalidate();
    }
}

// ---- TCustomTreeView --------------------------------------------------------------------------------

TCustomTreeView::TCustomTreeView(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TTreeNodes>(this)) {
    // The window captures the mouse itself; the click comes once it is done (WMLButtonDown).
    SetControlStyle(TControlStyle{csClickEvents, csDoubleClicks});
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
}

TCustomTreeView::~TCustomTreeView() {
    imageLink_.reset();
    if (images_)
        images_->RemoveFreeNotification(this);
}

void TCustomTreeView::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, WC_TREEVIEWW);
    params.ExStyle |= WS_EX_CLIENTEDGE;
    if (!readOnly_)
        params.Style |= TVS_EDITLABELS;
    if (!hideSelection_)
        params.Style |= TVS_SHOWSELALWAYS;
    if (showButtons_)
        params.Style |= TVS_HASBUTTONS;
    if (showLines_)
        params.Style |= TVS_HASLINES;
    if (showRoot_)
        params.Style |= TVS_LINESATROOT;
}

void TCustomTreeView::CreateWnd() {
    inherited::CreateWnd();
    if (images_)
        Perform(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_->Handle()));
    Perform(TVM_SETINDENT, static_cast<WPARAM>(indent_));
    Perform(TVM_SETBKCOLOR, 0, ColorToRGB(Color()));
    TTreeNode* selected = savedSelected_;
    savedSelected_ = nullptr;
    for (TTreeNode* node : items_->roots_)
        CreateItem(node, TVI_LAST);
    // The expansion kept while there was no window.
    for (TTreeNode* node = items_->GetFirstNode(); node; node = node->GetNext())
        if (node->expanded_ && node->item_)
            Perform(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node->item_));
    if (selected && selected->item_)
        Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected->item_));
}

void TCustomTreeView::DestroyWnd() {
    if (HandleAllocated() && !(ComponentState() & csDestroying)) {
        savedSelected_ = Selected();
        for (TTreeNode* node = items_->GetFirstNode(); node; node = node->GetNext())
            node->expanded_ = node->Expanded();
    }
    inherited::DestroyWnd();
    for (TTreeNode* node = items_->GetFirstNode(); node; node = node->GetNext())
        node->item_ = nullptr;
}

namespace {

// A node's image for the window: a negative index shows none (the control's -1 would ask us).
int TreeItemImage(int index) {
    return index < 0 ? I_IMAGENONE : index;
}

}  // namespace

void TCustomTreeView::CreateItem(TTreeNode* node, HTREEITEM after) {
    if (!HandleAllocated())
        return;
    HTREEITEM parent = TVI_ROOT;
    if (node->parent_) {
        if (!node->parent_->item_)
            return;  // made with its parent
        parent = node->parent_->item_;
    }
    const std::wstring text = ToWide(node->text_);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = TreeItemImage(node->imageIndex_);
    insert.item.iSelectedImage = TreeItemImage(node->selectedIndex_);
    insert.item.lParam = reinterpret_cast<LPARAM>(node);
    node->item_ = reinterpret_cast<HTREEITEM>(Perform(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!node->item_) {
        VLOG_ERROR(LogControls, "TVM_INSERTITEM of '%s' in '%s' failed", node->text_.c_str(), Name().c_str());
        throw ETreeViewError("Cannot add the node '" + node->text_ + "' to '" + Name() + "'");
    }
    for (TTreeNode* child : node->children_)
        CreateItem(child, TVI_LAST);
}

void TCustomTreeView::UpdateItem(TTreeNode* node) {
    if (!HandleAllocated() || !node->item_)
        return;
    const std::wstring text = ToWide(node->text_);
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = node->item_;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = TreeItemImage(node->imageIndex_);
    item.iSelectedImage = TreeItemImage(node->selectedIndex_);
    Perform(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

TTreeNode* TCustomTreeView::NodeOf(HTREEITEM item) {
    if (!item || !HandleAllocated())
        return nullptr;
    TVITEMW info{};
    info.mask = TVIF_PARAM | TVIF_HANDLE;
    info.hItem = item;
    if (!Perform(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info)))
        return nullptr;
    return reinterpret_cast<TTreeNode*>(info.lParam);
}

TTreeNode* TCustomTreeView::Selected() {
    if (!HandleAllocated())
        return savedSelected_;
    return NodeOf(reinterpret_cast<HTREEITEM>(Perform(TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* node) {
    if (node && node->owner_ != items_.get())
        throw ETreeViewError("Tree view '" + Name() + "': the node belongs to another tree");
    if (!HandleAllocated()) {
        savedSelected_ = node;
        return;
    }
    Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node ? node->item_ : nullptr));
}

void TCustomTreeView::SetImages(TCustomImageList* value) {
    if (images_ == value)
        return;
    if (!imageLink_) {
        imageLink_ = std::make_unique<TChangeLink>();
        imageLink_->OnChange = Event<&TCustomTreeView::ImagesChanged>(this);
    }
    imageLink_->Follow(this, value);
    images_ = value;
    ImagesChanged(this);
}

void TCustomTreeView::ImagesChanged(TObject*) {
    if (HandleAllocated())
        Perform(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
}

void TCustomTreeView::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && static_cast<TComponent*>(images_) == component) {
        images_ = nullptr;
        if (HandleAllocated() && !(ComponentState() & csDestroying))
            Perform(TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
    }
}

void TCustomTreeView::SetReadOnly(bool value) {
    if (readOnly_ == value)
        return;
    readOnly_ = value;
    RecreateWnd();
}

void TCustomTreeView::SetHideSelection(bool value) {
    if (hideSelection_ == value)
        return;
    hideSelection_ = value;
    RecreateWnd();
}

void TCustomTreeView::SetIndent(int value) {
    if (indent_ == value)
        return;
    indent_ = value;
    if (HandleAllocated())
        Perform(TVM_SETINDENT, static_cast<WPARAM>(value));
}

void TCustomTreeView::SetShowButtons(bool value) {
    if (showButtons_ == value)
        return;
    showButtons_ = value;
    RecreateWnd();
}

void TCustomTreeView::SetShowLines(bool value) {
    if (showLines_ == value)
        return;
    showLines_ = value;
    RecreateWnd();
}

void TCustomTreeView::SetShowRoot(bool value) {
    if (showRoot_ == value)
        return;
    showRoot_ = value;
    RecreateWnd();
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) {
    if (!HandleAllocated())
        return nullptr;
    TVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    Perform(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    return (hit.flags & TVHT_ONITEM) ? NodeOf(hit.hItem) : nullptr;
}

void TCustomTreeView::FullExpand() {
    for (TTreeNode* node : items_->roots_)
        node->Expand(true);
}

void TCustomTreeView::FullCollapse() {
    for (TTreeNode* node : items_->roots_)
        node->Collapse(true);
}

void TCustomTreeView::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN: return WMLButtonDown(m);
    case WM_SYSKEYDOWN: return WMSysKeyDown(m);
    default: return inherited::Dispatch(m);
    }
}

void TCustomTreeView::WMSysKeyDown(TMessage& m) {
    TBusyGuard guard(this);
    if (!DoKeyDown(m) && !guard.Destroyed() && HandleAllocated())
        m.Result = DefWindowProcW(handle_, m.Msg, m.WParam, m.LParam);
}

void TCustomTreeView::WMLButtonDown(TMessage& m) {
    TBusyGuard guard(this);
    // The window tracks the mouse until the button is released and selects the node then; the
    // release never reaches us, so it is made up here and the click follows the new selection.
    inherited::Dispatch(m);
    if (guard.Destroyed() || !HandleAllocated())
        return;
    POINT at;
    GetCursorPos(&at);
    ::ScreenToClient(handle_, &at);
    if (!ControlState().Contains(csClicked))
        return;
    Perform(WM_LBUTTONUP, 0, PointToLParam(at.x, at.y));
}

void TCustomTreeView::CNNotify(TMessage& m, NMHDR& header) {
    switch (header.code) {
    case TVN_SELCHANGINGW: {
        const auto& info = reinterpret_cast<const NMTREEVIEWW&>(header);
        bool allow = true;
        if (OnChanging)
            OnChanging(this, reinterpret_cast<TTreeNode*>(info.itemNew.lParam), allow);
        m.Result = allow ? FALSE : TRUE;
        break;
    }
    case TVN_SELCHANGEDW:
        Change(reinterpret_cast<TTreeNode*>(reinterpret_cast<const NMTREEVIEWW&>(header).itemNew.lParam));
        break;
    case TVN_ITEMEXPANDEDW: {
        const auto& info = reinterpret_cast<const NMTREEVIEWW&>(header);
        auto* node = reinterpret_cast<TTreeNode*>(info.itemNew.lParam);
        if (info.action & TVE_EXPAND) {
            if (OnExpanded)
                OnExpanded(this, node);
        } else if (OnCollapsed) {
            OnCollapsed(this, node);
        }
        break;
    }
    case NM_RCLICK: {
        // The window tracks the right button itself and swallows its release, which would ask for
        // the context menu: the release is made up here, and the window asks for nothing more.
        const DWORD where = GetMessagePos();
        POINT at{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
        ::ScreenToClient(handle_, &at);
        m.Result = 1;
        Perform(WM_RBUTTONUP, 0, PointToLParam(at.x, at.y));
        break;
    }
    case TVN_DELETEITEMW: {
        auto* node = reinterpret_cast<TTreeNode*>(reinterpret_cast<const NMTREEVIEWW&>(header).itemOld.lParam);
        if (node)
            node->item_ = nullptr;
        break;
    }
    default:
        break;
    }
}

void TCustomTreeView::Change(TTreeNode* node) {
    // Not while the nodes go (Clear, or the tree being freed).
    if (OnChange && !clearing_ && !(ComponentState() & csDestroying))
        OnChange(this, node);
}

// ---- TTabSheet --------------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(TControlStyle{csAcceptsControls, csSetCaption});
    SetAlign(alNone);
    SetVisible(false);
    SetParentColor(false);
    SetColor(clBtnFace);
}

TTabSheet::~TTabSheet() {
    if (pageControl_)
        pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* value) {
    if (pageControl_ == value)
        return;
    if (pageControl_)
        pageControl_->RemovePage(this);
    SetParent(value);
    if (value)
        value->InsertPage(this);
}

void TTabSheet::SetParentComponent(TComponent* parent) {
    if (auto* pages = dynamic_cast<TPageControl*>(parent))
        SetPageControl(pages);
    else
        inherited::SetParentComponent(parent);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_)
        return -1;
    const auto& pages = pageControl_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int value) {
    if (!pageControl_)
        return;
    auto& pages = pageControl_->pages_;
    if (value < 0 || value >= static_cast<int>(pages.size()))
        throw EListError("Page control '" + pageControl_->Name() + "': page index " + std::to_string(value) +
                         " out of bounds");
    pages.erase(pages.begin() + PageIndex());
    pages.insert(pages.begin() + value, this);
    pageControl_->UpdateTabs();
}

int TTabSheet::TabIndex() const {
    if (!pageControl_ || !tabVisible_)
        return -1;
    int index = 0;
    for (TTabSheet* page : pageControl_->pages_) {
        if (page == this)
            return index;
        if (page->tabVisible_)
            ++index;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool value) {
    if (tabVisible_ == value)
        return;
    tabVisible_ = value;
    if (pageControl_)
        pageControl_->UpdateTabs();
}

void TTabSheet::SetImageIndex(int value) {
    if (imageIndex_ == value)
        return;
    imageIndex_ = value;
    if (pageControl_)
        pageControl_->UpdateTabs();
}

void TTabSheet::CMTextChanged(TMessage& m) {
    inherited::CMTextChanged(m);
    if (pageControl_)
        pageControl_->UpdateTabs();
}

// ---- TPageControl -----------------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(TControlStyle{csAcceptsControls, csDoubleClicks});
    SetBounds(0, 0, 289, 193);
    SetTabStop(true);
}

TPageControl::~TPageControl() {
    for (TTabSheet* page : pages_)
        page->pageControl_ = nullptr;
    pages_.clear();
}

TTabSheet* TPageControl::Pages(int index) const {
    if (index < 0 || index >= PageCount())
        throw EListError("Page control '" + Name() + "': page index " + std::to_string(index) + " out of bounds");
    return pages_[static_cast<std::size_t>(index)];
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    page->pageControl_ = this;
    UpdateTabs();
    if (!activePage_)
        SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
    const TTabSheet* next = page == activePage_ ? FindNextPage(page, true, false) : nullptr;
    std::erase(pages_, page);
    page->pageControl_ = nullptr;
    if (page == activePage_) {
        activePage_ = nullptr;
        if (next && next != page && !(ComponentState() & csDestroying))
            SetActivePage(const_cast<TTabSheet*>(next));
    }
    if (!(ComponentState() & csDestroying))
        UpdateTabs();
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->pageControl_ != this)
        throw EInvalidOperation("Tab sheet '" + page->Name() + "' is not a page of '" + Name() + "'");
    if (activePage_ == page)
        return;
    activePage_ = page;
    if (HandleAllocated())
        Perform(TCM_SETCURSEL, static_cast<WPARAM>(page ? page->TabIndex() : -1));
    ShowActivePage();
}

void TPageControl::SetActivePageIndex(int index) {
    SetActivePage(index < 0 ? nullptr : Pages(index));
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const {
    if (pages_.empty())
        return nullptr;
    const int count = PageCount();
    int start = current ? current->PageIndex() : -1;
    if (start < 0 || start >= count)
        start = goForward ? count - 1 : 0;
    int i = start;
    for (int step = 0; step < count; ++step) {
        i = goForward ? (i + 1) % count : (i + count - 1) % count;
        TTabSheet* page = pages_[static_cast<std::size_t>(i)];
        if (!checkTabVisible || page->TabVisible())
            return page;
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool goForward) {
    TTabSheet* page = FindNextPage(activePage_, goForward, true);
    if (page && page != activePage_ && CanChange()) {
        SetActivePage(page);
        Change();
    }
}

void TPageControl::SetMultiLine(bool value) {
    if (multiLine_ == value)
        return;
    multiLine_ = value;
    RecreateWnd();
}

void TPageControl::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, WC_TABCONTROLW);
    params.Style |= WS_CLIPCHILDREN;
    if (multiLine_)
        params.Style |= TCS_MULTILINE;
}

void TPageControl::CreateWnd() {
    inherited::CreateWnd();
    UpdateTabs();
    Realign();
}

void TPageControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_ERASEBKGND:
        return DefaultHandler(m);
    default:
        return inherited::Dispatch(m);
    }
}

void TPageControl::UpdateTabs() {
    if (!HandleAllocated() || (ComponentState() & csDestroying))
        return;
    Perform(TCM_DELETEALLITEMS);
    int index = 0;
    for (TTabSheet* page : pages_) {
        if (!page->TabVisible())
            continue;
        const std::wstring text = ToWide(page->Caption());
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        item.iImage = page->ImageIndex();
        item.lParam = reinterpret_cast<LPARAM>(page);
        Perform(TCM_INSERTITEMW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&item));
    }
    Perform(TCM_SETCURSEL, static_cast<WPARAM>(activePage_ ? activePage_->TabIndex() : -1));
    Realign();
}

TRect TPageControl::DisplayRect() {
    RECT r = ToWinRect(ClientRect());
    if (HandleAllocated())
        Perform(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return FromWinRect(r);
}

void TPageControl::AlignControls(TControl* control, TRect& rect) {
    const TRect display = DisplayRect();
    for (TTabSheet* page : pages_)
        page->SetBounds(display.Left, display.Top, std::max(display.Width(), 0), std::max(display.Height(), 0));
    inherited::AlignControls(control, rect);
}

void TPageControl::ShowActivePage() {
    if (activePage_) {
        activePage_->SetBounds(DisplayRect().Left, DisplayRect().Top, std::max(DisplayRect().Width(), 0),
                               std::max(DisplayRect().Height(), 0));
        activePage_->BringToFront();
        activePage_->SetVisible(true);
    }
    for (TTabSheet* page : pages_)
        if (page != activePage_)
            page->SetVisible(false);
}

bool TPageControl::CanChange() {
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TPageControl::Change() {
    if (OnChange)
        OnChange(this);
}

void TPageControl::CNNotify(TMessage& m, NMHDR& header) {
    switch (header.code) {
    case TCN_SELCHANGING:
        m.Result = CanChange() ? FALSE : TRUE;
        break;
    case TCN_SELCHANGE: {
        const auto index = Perform(TCM_GETCURSEL);
        TCITEMW item{};
        item.mask = TCIF_PARAM;
        if (index >= 0 && Perform(TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) {
            activePage_ = reinterpret_cast<TTabSheet*>(item.lParam);
            ShowActivePage();
        }
        Change();
        break;
    }
    default:
        break;
    }
}

void TPageControl::Loaded() {
    inherited::Loaded();
    UpdateTabs();
    ShowActivePage();
}

// ---- TProgressBar -----------------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 150, 16);
}

void TProgressBar::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, PROGRESS_CLASSW);
    if (smooth_)
        params.Style |= PBS_SMOOTH;
}

void TProgressBar::CreateWnd() {
    inherited::CreateWnd();
    Perform(PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    Perform(PBM_SETSTEP, static_cast<WPARAM>(step_));
    Perform(PBM_SETPOS, static_cast<WPARAM>(position_));
}

void TProgressBar::DestroyWnd() {
    if (HandleAllocated())
        position_ = Position();
    inherited::DestroyWnd();
}

void TProgressBar::SetMin(int value) {
    if (min_ == value)
        return;
    min_ = value;
    if (HandleAllocated())
        Perform(PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
}

void TProgressBar::SetMax(int value) {
    if (max_ == value)
        return;
    max_ = value;
    if (HandleAllocated())
        Perform(PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
}

int TProgressBar::Position() {
    if (!HandleAllocated())
        return position_;
    return static_cast<int>(Perform(PBM_GETPOS));
}

void TProgressBar::SetPosition(int value) {
    position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    if (HandleAllocated())
        Perform(PBM_SETPOS, static_cast<WPARAM>(value));
}

void TProgressBar::SetStep(int value) {
    step_ = value;
    if (HandleAllocated())
        Perform(PBM_SETSTEP, static_cast<WPARAM>(value));
}

void TProgressBar::StepIt() {
    StepBy(step_);
}

void TProgressBar::StepBy(int delta) {
    if (HandleAllocated())
        Perform(PBM_DELTAPOS, static_cast<WPARAM>(delta));
    else
        SetPosition(position_ + delta);
}

void TProgressBar::SetSmooth(bool value) {
    if (smooth_ == value)
        return;
    smooth_ = value;
    RecreateWnd();
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterComCtrlsClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterControlsClasses();
    RegisterClasses<TStatusBar>();
    RegisterProperties<TStatusPanel>()
        .Str("Text", &TStatusPanel::Text, &TStatusPanel::SetText)
        .Int("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth)
        .Enum("Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment,
              {"taLeftJustify", "taRightJustify", "taCenter"})
        .Enum("Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel, {"pbNone", "pbLowered", "pbRaised"});
    RegisterProperties<TStatusBar>()
        .Object("Panels", &TStatusBar::Panels, &TStatusBar::SetPanels)
        .Bool("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel)
        .Str("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText)
        .Bool("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip);
    RegisterMenusClasses();
    RegisterImgListClasses();
    RegisterClasses<TToolBar, TToolButton, TCoolBar, TTreeView, TPageControl, TTabSheet, TProgressBar>();
    RegisterProperties<TToolButton>()
        .Enum("Style", &TToolButton::Style, &TToolButton::SetStyle,
              {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"})
        .Int("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex)
        .Component("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu)
        .Bool("Down", &TToolButton::Down, &TToolButton::SetDown)
        .Bool("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped)
        .Bool("Wrap", &TToolButton::Wrap, &TToolButton::SetWrap)
        .Bool("AutoSize", &TToolButton::AutoSize, &TToolButton::SetAutoSize)
        .Component("Action", &TToolButton::Action, &TToolButton::SetAction);
    RegisterProperties<TToolBar>()
        .Int("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth)
        .Int("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight)
        .Component("Images", &TToolBar::Images, &TToolBar::SetImages)
        .Bool("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions)
        .Bool("List", &TToolBar::List, &TToolBar::SetList)
        .Bool("Flat", &TToolBar::Flat, &TToolBar::SetFlat)
        .Bool("Transparent", &TToolBar::Transparent, &TToolBar::SetTransparent)
        .Bool("Wrapable", &TToolBar::Wrapable, &TToolBar::SetWrapable)
        .Bool("AutoSize", &TToolBar::AutoSize, &TToolBar::SetAutoSize);
    RegisterProperties<TCoolBand>()
        .Component("Control", &TCoolBand::Control, &TCoolBand::SetControl)
        .Bool("Visible", &TCoolBand::Visible, &TCoolBand::SetVisible)
        .Bool("Break", &TCoolBand::Break, &TCoolBand::SetBreak)
        .Bool("FixedSize", &TCoolBand::FixedSize, &TCoolBand::SetFixedSize)
        .Int("MinHeight", &TCoolBand::MinHeight, &TCoolBand::SetMinHeight)
        .Int("MinWidth", &TCoolBand::MinWidth, &TCoolBand::SetMinWidth)
        .Int("Width", &TCoolBand::Width, &TCoolBand::SetWidth)
        .Str("Text", &TCoolBand::Text, &TCoolBand::SetText)
        .Int("Color", &TCoolBand::Color, &TCoolBand::SetColor);
    RegisterProperties<TCoolBar>()
        .Object("Bands", &TCoolBar::Bands, &TCoolBar::SetBands)
        .Bool("AutoSize", &TCoolBar::AutoSize, &TCoolBar::SetAutoSize)
        .Bool("FixedOrder", &TCoolBar::FixedOrder, &TCoolBar::SetFixedOrder)
        .Bool("ShowText", &TCoolBar::ShowText, &TCoolBar::SetShowText)
        .Event("OnChange", &TCoolBar::OnChange);
    RegisterProperties<TCustomTreeView>()
        .Component("Images", &TCustomTreeView::Images, &TCustomTreeView::SetImages)
        .Bool("ReadOnly", &TCustomTreeView::ReadOnly, &TCustomTreeView::SetReadOnly)
        .Bool("HideSelection", &TCustomTreeView::HideSelection, &TCustomTreeView::SetHideSelection)
        .Int("Indent", &TCustomTreeView::Indent, &TCustomTreeView::SetIndent)
        .Bool("ShowButtons", &TCustomTreeView::ShowButtons, &TCustomTreeView::SetShowButtons)
        .Bool("ShowLines", &TCustomTreeView::ShowLines, &TCustomTreeView::SetShowLines)
        .Bool("ShowRoot", &TCustomTreeView::ShowRoot, &TCustomTreeView::SetShowRoot)
        .Event("OnChange", &TCustomTreeView::OnChange)
        .Event("OnChanging", &TCustomTreeView::OnChanging)
        .Event("OnExpanded", &TCustomTreeView::OnExpanded)
        .Event("OnCollapsed", &TCustomTreeView::OnCollapsed);
    RegisterProperties<TTabSheet>()
        .Component("PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl)
        .Bool("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible)
        .Int("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex);
    RegisterProperties<TPageControl>()
        .Component("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage)
        .Bool("MultiLine", &TPageControl::MultiLine, &TPageControl::SetMultiLine)
        .Event("OnChange", &TPageControl::OnChange)
        .Event("OnChanging", &TPageControl::OnChanging);
    RegisterProperties<TProgressBar>()
        .Int("Min", &TProgressBar::Min, &TProgressBar::SetMin)
        .Int("Max", &TProgressBar::Max, &TProgressBar::SetMax)
        .Int("Position", [](TProgressBar& p) { return p.Position(); }, &TProgressBar::SetPosition)
        .Int("Step", &TProgressBar::Step, &TProgressBar::SetStep)
        .Bool("Smooth", &TProgressBar::Smooth, &TProgressBar::SetSmooth);
}
