#include "Menus.h"

#include "Forms.h"
#include "ImgList.h"
#include "TypeRegistry.h"

#include <algorithm>

namespace {

constexpr const wchar_t* kPopupWindowClass = L"VestrelPopupMenuOwner";
constexpr int kGlyphMinimum = 16;
constexpr int kShortCutGap = 16;

// The menu key caps: names of the keys that menus show in short-cut texts.
struct TKeyCap {
    WORD Key;
    const char* Name;
};
constexpr TKeyCap kKeyCaps[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},   {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},  {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"},      {VK_HOME, "Home"},   {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},  {VK_INSERT, "Ins"},  {VK_DELETE, "Del"},
};
constexpr const char* kShiftCap = "Shift+";
constexpr const char* kCtrlCap = "Ctrl+";
constexpr const char* kAltCap = "Alt+";

// The name a menu shows for a virtual key ("" when the key has none).
String KeyName(WORD key) {
    for (const TKeyCap& cap : kKeyCaps)
        if (cap.Key == key)
            return cap.Name;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return String(1, static_cast<char>(key));
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        return String(1, static_cast<char>('0' + key - VK_NUMPAD0));
    if (key >= VK_F1 && key <= VK_F24)
        return "F" + std::to_string(key - VK_F1 + 1);
    // Other keys as the keyboard names them.
    const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    if (scan == 0)
        return String();
    wchar_t name[64] = {};
    const int length = GetKeyNameTextW(static_cast<LONG>(scan << 16), name, 64);
    return length > 0 ? FromWide(name, static_cast<std::size_t>(length)) : String();
}

bool TakePrefix(String& text, const char* prefix) {
    const std::size_t length = std::char_traits<char>::length(prefix);
    if (text.size() < length || !SameText(text.substr(0, length), prefix))
        return false;
    text.erase(0, length);
    return true;
}

// The caption without its '&' markers ("&&" is one '&').
String StripAccelerators(const String& caption) {
    String result;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        result += caption[i];
    }
    return result;
}

// The screen's menu font, adopted by `font`.
void UseMenuFont(TFont* font) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        if (HFONT menuFont = CreateFontIndirectW(&metrics.lfMenuFont))
            font->SetHandle(menuFont);
}

// A canvas over a DC it does not own, with the menu font, detached on scope exit.
class TMenuCanvas {
public:
    explicit TMenuCanvas(HDC dc) {
        canvas_.SetHandle(dc);
        UseMenuFont(canvas_.Font());
    }
    ~TMenuCanvas() { canvas_.SetHandle(nullptr); }
    TMenuCanvas(const TMenuCanvas&) = delete;
    TMenuCanvas& operator=(const TMenuCanvas&) = delete;
    TCanvas* operator->() { return &canvas_; }
    TCanvas* Get() { return &canvas_; }

private:
    TCanvas canvas_;
};

}  // namespace

// ---- Short-cut texts --------------------------------------------------------------------------------

String ShortCutToText(TShortCut shortCut) {
    const String name = KeyName(static_cast<WORD>(shortCut & 0xFF));
    if (name.empty())
        return String();
    String result;
    if (shortCut & scShift)
        result += kShiftCap;
    if (shortCut & scCtrl)
        result += kCtrlCap;
    if (shortCut & scAlt)
        result += kAltCap;
    return result + name;
}

TShortCut TextToShortCut(const String& text) {
    String rest = Trim(text);
    TShortCut modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        if (TakePrefix(rest, kShiftCap)) {
            modifiers |= scShift;
            found = true;
        } else if (TakePrefix(rest, kCtrlCap)) {
            modifiers |= scCtrl;
            found = true;
        } else if (TakePrefix(rest, kAltCap)) {
            modifiers |= scAlt;
            found = true;
        }
    }
    if (rest.empty())
        return scNone;
    for (WORD key = 1; key <= 0xFF; ++key) {
        const String name = KeyName(key);
        if (!name.empty() && SameText(name, rest))
            return static_cast<TShortCut>(key | modifiers);
    }
    return scNone;
}

// ---- TMenuActionLink --------------------------------------------------------------------------------

TMenuActionLink::TMenuActionLink(TMenuItem* client) : TActionLink(client) {}

TMenuItem* TMenuActionLink::Item() const {
    return static_cast<TMenuItem*>(client_);
}

void TMenuActionLink::SetCaption(const String& value) { Item()->SetCaption(value); }
void TMenuActionLink::SetChecked(bool value) { Item()->SetChecked(value); }
void TMenuActionLink::SetEnabled(bool value) { Item()->SetEnabled(value); }
void TMenuActionLink::SetHint(const String& value) { Item()->SetHint(value); }
void TMenuActionLink::SetImageIndex(int value) { Item()->SetImageIndex(value); }
void TMenuActionLink::SetShortCut(TShortCut value) { Item()->SetShortCut(value); }
void TMenuActionLink::SetVisible(bool value) { Item()->SetVisible(value); }

bool TMenuActionLink::ClientHasDefault(TLinkedProperty property) const {
    const TMenuItem* item = Item();
    switch (property) {
    case TLinkedProperty::Caption: return item->Caption().empty();
    case TLinkedProperty::Checked: return !item->Checked();
    case TLinkedProperty::Enabled: return item->Enabled();
    case TLinkedProperty::Hint: return item->Hint().empty();
    case TLinkedProperty::ImageIndex: return item->ImageIndex() < 0;
    case TLinkedProperty::ShortCut: return item->ShortCut() == scNone;
    case TLinkedProperty::Visible: return item->Visible();
    }
    return true;
}

// ---- TMenuItem --------------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    actionLink_.reset();
    if (parent_)
        parent_->Remove(this);
    DestroyHandle();
    // Detached already: the sub-items go without rebuilding anything.
    while (!items_.empty()) {
        TMenuItem* child = items_.back();
        items_.pop_back();
        child->parent_ = nullptr;
        child->Free();
    }
}

void TMenuItem::SetCaption(const String& value) {
    if (caption_ == value)
        return;
    caption_ = value;
    MenuChanged();
}

void TMenuItem::SetChecked(bool value) {
    if (checked_ == value)
        return;
    checked_ = value;
    if (value && radioItem_)
        UncheckRadioSiblings();
    MenuChanged();
}

void TMenuItem::UncheckRadioSiblings() {
    if (!parent_)
        return;
    for (TMenuItem* sibling : parent_->items_)
        if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_)
            sibling->SetChecked(false);
}

void TMenuItem::SetEnabled(bool value) {
    if (enabled_ == value)
        return;
    enabled_ = value;
    MenuChanged();
}

void TMenuItem::SetDefault(bool value) {
    if (default_ == value)
        return;
    if (value && parent_)
        for (TMenuItem* sibling : parent_->items_)
            if (sibling != this)
                sibling->default_ = false;
    default_ = value;
    MenuChanged();
}

void TMenuItem::SetRadioItem(bool value) {
    if (radioItem_ == value)
        return;
    radioItem_ = value;
    if (checked_ && value)
        UncheckRadioSiblings();
    MenuChanged();
}

void TMenuItem::SetGroupIndex(int value) {
    if (groupIndex_ == value)
        return;
    groupIndex_ = value;
    if (checked_ && radioItem_)
        UncheckRadioSiblings();
}

void TMenuItem::SetImageIndex(int value) {
    if (imageIndex_ == value)
        return;
    imageIndex_ = value;
    MenuChanged();
}

void TMenuItem::SetShortCut(TShortCut value) {
    if (shortCut_ == value)
        return;
    shortCut_ = value;
    MenuChanged();
}

void TMenuItem::SetVisible(bool value) {
    if (visible_ == value)
        return;
    visible_ = value;
    MenuChanged();
}

void TMenuItem::SetBreak(TMenuBreak value) {
    if (break_ == value)
        return;
    break_ = value;
    MenuChanged();
}

String TMenuItem::MenuText() const {
    if (shortCut_ == scNone || IsLine())
        return caption_;
    const String text = ShortCutToText(shortCut_);
    return text.empty() ? caption_ : caption_ + "\t" + text;
}

void TMenuItem::SetAction(TBasicAction* value) {
    SetLinkedAction(actionLink_, this, value);
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EMenuError("Menu item '" + Name() + "': index " + std::to_string(index) + " out of bounds");
    return items_[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item)
        return;
    if (item->parent_)
        throw EMenuError("Menu item '" + item->Name() + "' is inserted twice");
    if (index < 0 || index > Count())
        throw EMenuError("Menu item '" + Name() + "': index " + std::to_string(index) + " out of bounds");
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    if (item->checked_ && item->radioItem_)
        item->UncheckRadioSiblings();
    MenuChanged();
}

void TMenuItem::Remove(TMenuItem* item) {
    const int index = IndexOf(item);
    if (index < 0)
        throw EMenuError("Menu item '" + (item ? item->Name() : String()) + "' is not a sub-item of '" + Name() +
                         "'");
    Delete(index);
}

void TMenuItem::Delete(int index) {
    TMenuItem* item = Items(index);
    items_.erase(items_.begin() + index);
    item->parent_ = nullptr;
    item->command_ = 0;
    // Its sub-menu leaves our menu handle when it is rebuilt; take it out first so that our
    // handle never refers to a freed one.
    if (handle_)
        for (int position = GetMenuItemCount(handle_) - 1; position >= 0; --position)
            if (GetSubMenu(handle_, position) == item->handle_ && item->handle_)
                RemoveMenu(handle_, static_cast<UINT>(position), MF_BYPOSITION);
    MenuChanged();
}

void TMenuItem::Clear() {
    while (!items_.empty()) {
        TMenuItem* child = items_.back();
        Remove(child);
        child->Free();
    }
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const String& caption) const {
    const String wanted = StripAccelerators(caption);
    for (TMenuItem* item : items_)
        if (SameText(StripAccelerators(item->caption_), wanted))
            return item;
    return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* top = this;
    while (top->parent_)
        top = top->parent_;
    return top->menu_;
}

HMENU TMenuItem::Handle() {
    if (TMenu* menu = GetParentMenu()) {
        menu->Handle();
        return handle_;
    }
    if (!handle_ && !items_.empty()) {
        int next = 0;
        Populate(next);
    }
    return handle_;
}

void TMenuItem::Populate(int& nextCommand) {
    if (!handle_) {
        handle_ = menu_ ? menu_->CreateMenuHandle() : CreatePopupMenu();
        if (!handle_) {
            VLOG_ERROR(LogControls, "no menu handle for '%s': %lu", Name().c_str(), GetLastError());
            throw EMenuError("Cannot create the menu of '" + Name() + "'");
        }
    }
    while (GetMenuItemCount(handle_) > 0)
        RemoveMenu(handle_, 0, MF_BYPOSITION);
    UINT position = 0;
    for (TMenuItem* child : items_) {
        if (!child->visible_) {
            child->command_ = 0;
            continue;
        }
        child->command_ = ++nextCommand;
        HMENU subMenu = nullptr;
        if (!child->items_.empty()) {
            child->Populate(nextCommand);
            subMenu = child->handle_;
        } else if (child->handle_) {
            child->DestroyHandle();
        }
        std::wstring text = ToWide(child->MenuText());
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_STRING;
        info.fType = child->IsLine() ? MFT_SEPARATOR : MFT_STRING;
        if (child->IsLine())
            info.fMask &= ~MIIM_STRING;
        if (child->OwnerDrawn())
            info.fType |= MFT_OWNERDRAW;
        if (child->radioItem_)
            info.fType |= MFT_RADIOCHECK;
        if (child->break_ == mbBreak)
            info.fType |= MFT_MENUBREAK;
        else if (child->break_ == mbBarBreak)
            info.fType |= MFT_MENUBARBREAK;
        info.fState = (child->checked_ ? MFS_CHECKED : 0u) | (child->enabled_ ? 0u : MFS_DISABLED | MFS_GRAYED) |
                      (child->default_ ? MFS_DEFAULT : 0u);
        info.wID = static_cast<UINT>(child->command_);
        info.hSubMenu = subMenu;
        info.dwItemData = reinterpret_cast<ULONG_PTR>(child);
        info.dwTypeData = text.data();
        if (!InsertMenuItemW(handle_, position++, TRUE, &info))
            VLOG_ERROR(LogControls, "InsertMenuItemW of '%s' failed: %lu", child->Name().c_str(), GetLastError());
    }
}

void TMenuItem::DestroyHandle() {
    if (!handle_)
        return;
    // Detach the sub-menus first: each child destroys its own.
    while (GetMenuItemCount(handle_) > 0)
        RemoveMenu(handle_, 0, MF_BYPOSITION);
    for (TMenuItem* child : items_)
        child->DestroyHandle();
    DestroyMenu(handle_);
    handle_ = nullptr;
}

bool TMenuItem::OwnerDrawn() const {
    // A popup menu with images draws its items itself: the images, and the short-cuts in a
    // right-aligned column of their own.
    const TMenu* menu = GetParentMenu();
    const bool drawsImages = menu && menu->Images() && dynamic_cast<const TPopupMenu*>(menu);
    return (menu && menu->OwnerDraw()) || drawsImages || OnDrawItem || OnMeasureItem;
}

void TMenuItem::MenuChanged() {
    TMenuItem* top = this;
    while (top->parent_)
        top = top->parent_;
    if (top->menu_) {
        top->menu_->MenuChanged();
    } else if (top->handle_) {
        int next = 0;
        top->Populate(next);
    }
}

void TMenuItem::Click() {
    if (!enabled_)
        return;
    if (OnClick)
        OnClick(this);
    else if (actionLink_)
        actionLink_->Execute(this);
}

void TMenuItem::InitiateAction() {
    if (actionLink_)
        actionLink_->Update();
}

void TMenuItem::DrawItem(TCanvas* canvas, TRect rect, bool selected) {
    if (OnDrawItem)
        OnDrawItem(this, canvas, rect, selected);
    else
        DefaultDrawItem(canvas, rect, selected);
}

void TMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
    if (OnMeasureItem) {
        OnMeasureItem(this, canvas, width, height);
        return;
    }
    if (IsLine()) {
        width = 0;
        height = 8;
        return;
    }
    const TMenu* menu = GetParentMenu();
    const int glyph = std::max(menu && menu->Images() ? menu->Images()->Width() : 0, kGlyphMinimum);
    if (default_)
        canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsBold});
    const TSize text = canvas->TextExtent(StripAccelerators(caption_));
    width = glyph + 6 + text.cx + 8;
    if (shortCut_ != scNone)
        width += kShortCutGap + canvas->TextWidth(ShortCutToText(shortCut_));
    height = std::max(text.cy + 4, glyph + 4);
}

void TMenuItem::DefaultDrawItem(TCanvas* canvas, TRect rect, bool selected) {
    canvas->Brush()->SetColor(selected && !IsLine() ? clHighlight : clMenu);
    canvas->FillRect(rect);
    if (IsLine()) {
        const int y = rect.Top + rect.Height() / 2 - 1;
        canvas->Pen()->SetColor(clBtnShadow);
        canvas->MoveTo(rect.Left + 1, y);
        canvas->LineTo(rect.Right - 1, y);
        canvas->Pen()->SetColor(clBtnHighlight);
        canvas->MoveTo(rect.Left + 1, y + 1);
        canvas->LineTo(rect.Right - 1, y + 1);
        return;
    }
    TMenu* menu = GetParentMenu();
    TCustomImageList* images = menu ? menu->Images() : nullptr;
    const int glyph = std::max(images ? images->Width() : 0, kGlyphMinimum);
    const int left = rect.Left + 2;
    if (images && imageIndex_ >= 0 && imageIndex_ < images->Count()) {
        images->Draw(canvas, left + (glyph - images->Width()) / 2, rect.Top + (rect.Height() - images->Height()) / 2,
                     imageIndex_, enabled_);
    } else if (checked_) {
        RECT mark{left, rect.Top + (rect.Height() - kGlyphMinimum) / 2, left + kGlyphMinimum,
                  rect.Top + (rect.Height() + kGlyphMinimum) / 2};
        DrawFrameControl(canvas->Handle(), &mark, DFC_MENU, radioItem_ ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    }
    if (default_)
        canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsBold});
    canvas->Font()->SetColor(!enabled_ ? clGrayText : selected ? clHighlightText : clMenuText);
    canvas->Brush()->SetStyle(bsClear);
    TRect text{left + glyph + 6, rect.Top, rect.Right - 8, rect.Bottom};
    canvas->TextRect(text, caption_, TTextFormat{tfSingleLine, tfVerticalCenter, tfLeft});
    if (shortCut_ != scNone)
        canvas->TextRect(text, ShortCutToText(shortCut_), TTextFormat{tfSingleLine, tfVerticalCenter, tfRight});
    canvas->Brush()->SetStyle(bsSolid);
}

void TMenuItem::SetParentComponent(TComponent* parent) {
    if (auto* menu = dynamic_cast<TMenu*>(parent))
        menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
}

TComponent* TMenuItem::GetParentComponent() const {
    if (parent_ && parent_->menu_)
        return parent_->menu_;
    return parent_;
}

// ---- TMenu ------------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(New<TMenuItem>(nullptr)) {
    items_->menu_ = this;
}

TMenu::~TMenu() {
    imageLink_.reset();
    if (images_)
        images_->RemoveFreeNotification(this);
    items_->menu_ = nullptr;
    items_->Free();
}

HMENU TMenu::Handle() {
    if (!items_->handle_) {
        int next = 0;
        items_->Populate(next);
    }
    return items_->handle_;
}

bool TMenu::HandleAllocated() const {
    return items_->handle_ != nullptr;
}

void TMenu::SetImages(TCustomImageList* value) {
    if (images_ == value)
        return;
    if (!imageLink_) {
        imageLink_ = std::make_unique<TChangeLink>();
        imageLink_->OnChange = Event<&TMenu::ImagesChanged>(this);
    }
    imageLink_->Follow(this, value);
    images_ = value;
    MenuChanged();
}

void TMenu::ImagesChanged(TObject*) {
    MenuChanged();
}

void TMenu::SetOwnerDraw(bool value) {
    if (ownerDraw_ == value)
        return;
    ownerDraw_ = value;
    MenuChanged();
}

namespace {

TMenuItem* FindIn(TMenuItem* parent, std::intptr_t value, TFindItemKind kind) {
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        switch (kind) {
        case fkCommand:
            if (item->Command() != 0 && item->Command() == value)
                return item;
            break;
        case fkHandle:
            if (item->Count() > 0 && reinterpret_cast<std::intptr_t>(item->Handle()) == value)
                return item;
            break;
        case fkShortCut:
            if (item->ShortCut() != scNone && item->ShortCut() == value)
                return item;
            break;
        }
        if (TMenuItem* found = FindIn(item, value, kind))
            return found;
    }
    return nullptr;
}

}  // namespace

TMenuItem* TMenu::FindItem(std::intptr_t value, TFindItemKind kind) const {
    if (kind == fkHandle && items_->handle_ && reinterpret_cast<std::intptr_t>(items_->handle_) == value)
        return items_;
    return FindIn(items_, value, kind);
}

bool TMenu::IsShortCut(const TWMKey& message) {
    const TShortCut key = ShortCutFromMessage(message);
    if (key == scNone)
        return false;
    TMenuItem* item = FindItem(key, fkShortCut);
    if (!item)
        return false;
    for (TMenuItem* p = item; p && p != items_; p = p->Parent())
        p->InitiateAction();
    for (TMenuItem* p = item; p && p != items_; p = p->Parent())
        if (!p->Enabled())
            return false;
    item->Click();
    return true;
}

bool TMenu::DispatchCommand(WORD command) {
    TMenuItem* item = command ? FindItem(command, fkCommand) : nullptr;
    if (!item)
        return false;
    item->Click();
    return true;
}

bool TMenu::DispatchPopup(HMENU menu) {
    TMenuItem* item = FindItem(reinterpret_cast<std::intptr_t>(menu), fkHandle);
    if (!item)
        return false;
    for (int i = 0; i < item->Count(); ++i)
        item->Items(i)->InitiateAction();
    if (item != items_)
        item->Click();
    return true;
}

bool TMenu::DispatchDrawItem(const DRAWITEMSTRUCT& draw) {
    if (draw.CtlType != ODT_MENU)
        return false;
    auto* item = reinterpret_cast<TMenuItem*>(draw.itemData);
    if (!item || item->GetParentMenu() != this)
        return false;
    const int saved = SaveDC(draw.hDC);
    {
        TMenuCanvas canvas(draw.hDC);
        item->DrawItem(canvas.Get(), FromWinRect(draw.rcItem), (draw.itemState & ODS_SELECTED) != 0);
    }
    RestoreDC(draw.hDC, saved);
    return true;
}

bool TMenu::DispatchMeasureItem(MEASUREITEMSTRUCT& measure) {
    if (measure.CtlType != ODT_MENU)
        return false;
    auto* item = reinterpret_cast<TMenuItem*>(measure.itemData);
    if (!item || item->GetParentMenu() != this)
        return false;
    int width = static_cast<int>(measure.itemWidth);
    int height = static_cast<int>(measure.itemHeight);
    {
        TTextMeasure scope(nullptr);
        TMenuCanvas canvas(scope.DC());
        item->MeasureItem(canvas.Get(), width, height);
    }
    measure.itemWidth = static_cast<UINT>(std::max(width, 0));
    measure.itemHeight = static_cast<UINT>(std::max(height, 0));
    return true;
}

void TMenu::MenuChanged() {
    if (items_->handle_ && rebuildDepth_ == 0) {
        ++rebuildDepth_;
        try {
            int next = 0;
            items_->Populate(next);
        } catch (...) {
            --rebuildDepth_;
            throw;
        }
        --rebuildDepth_;
        if (window_)
            DrawMenuBar(window_);
    }
    if (OnChange && (ComponentState() & (csLoading | csDestroying)) == 0)
        OnChange(this);
}

void TMenu::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && static_cast<TComponent*>(images_) == component) {
        images_ = nullptr;
        MenuChanged();
    }
}

// ---- TPopupMenu -------------------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

TPopupMenu::~TPopupMenu() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    if (popupComponent_)
        popupComponent_->RemoveFreeNotification(this);
}

void TPopupMenu::AfterConstruction() {
    inherited::AfterConstruction();
    if (auto* form = dynamic_cast<TCustomForm*>(Owner()))
        form->RemoveShortCutHandler(this);
}

void TPopupMenu::SetPopupComponent(TComponent* value) {
    if (popupComponent_ == value)
        return;
    if (popupComponent_)
        popupComponent_->RemoveFreeNotification(this);
    popupComponent_ = value;
    if (popupComponent_)
        popupComponent_->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == popupComponent_)
        popupComponent_ = nullptr;
}

void TPopupMenu::DoPopup(TObject* sender) {
    if (OnPopup)
        OnPopup(sender);
}

HWND TPopupMenu::PopupWindow() {
    if (window_)
        return window_;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    static const bool registered = [instance] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = PopupWindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kPopupWindowClass;
        return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (!registered)
        throw EMenuError("Cannot register the window class of popup menus");
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kPopupWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              instance, nullptr);
    if (!window_) {
        VLOG_ERROR(LogControls, "no owner window for popup menu '%s': %lu", Name().c_str(), GetLastError());
        throw EMenuError("Cannot create the owner window of popup menu '" + Name() + "'");
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return window_;
}

void TPopupMenu::PopupFor(TControl* control, int x, int y) {
    SetPopupComponent(control);
    Popup(x, y);
}

void TPopupMenu::Popup(int x, int y) {
    DoPopup(this);
    // The items show their actions' current state.
    struct TUpdater {
        static void Run(TMenuItem* item) {
            for (int i = 0; i < item->Count(); ++i) {
                item->Items(i)->InitiateAction();
                Run(item->Items(i));
            }
        }
    };
    TUpdater::Run(Items());
    HMENU menu = Handle();
    UINT flags = TPM_RETURNCMD | TPM_LEFTBUTTON | TPM_RIGHTBUTTON;
    switch (alignment_) {
    case paLeft: flags |= TPM_LEFTALIGN; break;
    case paRight: flags |= TPM_RIGHTALIGN; break;
    case paCenter: flags |= TPM_CENTERALIGN; break;
    }
    const UINT command = static_cast<UINT>(TrackPopupMenu(menu, flags, x, y, 0, PopupWindow(), nullptr));
    if (command != 0)
        DispatchCommand(static_cast<WORD>(command));
}

LRESULT CALLBACK TPopupMenu::PopupWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* menu = reinterpret_cast<TPopupMenu*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (menu) {
        try {
            switch (msg) {
            case WM_INITMENUPOPUP:
                menu->DispatchPopup(reinterpret_cast<HMENU>(wParam));
                return 0;
            case WM_MEASUREITEM:
                if (menu->DispatchMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
                    return TRUE;
                break;
            case WM_DRAWITEM:
                if (menu->DispatchDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
                    return TRUE;
                break;
            case WM_COMMAND:
                if (HIWORD(wParam) == 0 && menu->DispatchCommand(LOWORD(wParam)))
                    return 0;
                break;
            default:
                break;
            }
        } catch (...) {
            if (Application)
                Application->HandleException(menu);
            return 0;
        }
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterMenusClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterActnListClasses();
    RegisterClasses<TMenuItem, TMainMenu, TPopupMenu>();
    RegisterProperties<TMenuItem>()
        .Str("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
        .Bool("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked)
        .Bool("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled)
        .Bool("Default", &TMenuItem::Default, &TMenuItem::SetDefault)
        .Bool("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem)
        .Int("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex)
        .Int("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex)
        .Int("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut)
        .Bool("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible)
        .Enum("Break", &TMenuItem::Break, &TMenuItem::SetBreak, {"mbNone", "mbBreak", "mbBarBreak"})
        .Str("Hint", &TMenuItem::Hint, &TMenuItem::SetHint)
        .Component("Action", &TMenuItem::Action, &TMenuItem::SetAction)
        .Event("OnClick", &TMenuItem::OnClick)
        .Event("OnDrawItem", &TMenuItem::OnDrawItem)
        .Event("OnMeasureItem", &TMenuItem::OnMeasureItem);
    RegisterProperties<TMenu>()
        .Component("Images", &TMenu::Images, &TMenu::SetImages)
        .Bool("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw)
        .Event("OnChange", &TMenu::OnChange);
    RegisterProperties<TPopupMenu>()
        .Enum("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment, {"paLeft", "paRight", "paCenter"})
        .Bool("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup)
        .Event("OnPopup", &TPopupMenu::OnPopup);
}
