#include "StdCtrls.h"

#include "TypeRegistry.h"

#include <algorithm>
#include <utility>

namespace {

constexpr TItemMessages kComboBoxMessages{CB_ADDSTRING,    CB_INSERTSTRING, CB_DELETESTRING,
                                          CB_RESETCONTENT, CB_GETLBTEXT,    CB_GETLBTEXTLEN,
                                          CB_GETCOUNT,     CB_GETITEMDATA,  CB_SETITEMDATA,
                                          CB_ERR,          CB_ERRSPACE};
constexpr TItemMessages kListBoxMessages{LB_ADDSTRING,    LB_INSERTSTRING, LB_DELETESTRING,
                                         LB_RESETCONTENT, LB_GETTEXT,      LB_GETTEXTLEN,
                                         LB_GETCOUNT,     LB_GETITEMDATA,  LB_SETITEMDATA,
                                         LB_ERR,          LB_ERRSPACE};

// The height of a line of text in `font`.
int FontHeight(TFont* font) {
    return TTextMeasure(font).Metrics().tmHeight;
}

// Draws `text` in `r` as disabled: embossed, a highlight below right and the shadow on top.
void DrawDisabledText(TCanvas& canvas, TRect r, const String& text, TTextFormat format) {
    TRect shifted = Rect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
    canvas.Font()->SetColor(clBtnHighlight);
    canvas.TextRect(shifted, text, format);
    canvas.Font()->SetColor(clBtnShadow);
    canvas.TextRect(r, text, format);
}

constexpr TIdentMapEntry kModalResultIdents[] = {
    {mrNone, "mrNone"}, {mrOk, "mrOk"}, {mrCancel, "mrCancel"}, {mrAbort, "mrAbort"}, {mrRetry, "mrRetry"},
    {mrIgnore, "mrIgnore"}, {mrYes, "mrYes"}, {mrNo, "mrNo"}, {mrAll, "mrAll"}, {mrNoToAll, "mrNoToAll"},
    {mrYesToAll, "mrYesToAll"},
};

}  // namespace

bool IsAccel(wchar_t key, const String& caption) {
    const std::wstring text = ToWide(caption);
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] == L'&') {
            ++i;  // "&&" is a plain '&'
            continue;
        }
        return CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(text[i + 1]))) ==
               CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(key)));
    }
    return false;
}

// ---- TCustomLabel -----------------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
    if (autoSize_ == value)
        return;
    autoSize_ = value;
    AdjustBounds();
}

void TCustomLabel::SetShowAccelChar(bool value) {
    if (showAccelChar_ == value)
        return;
    showAccelChar_ = value;
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::SetTransparent(bool value) {
    if (transparent_ == value)
        return;
    transparent_ = value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
    if (wordWrap_ == value)
        return;
    wordWrap_ = value;
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::Loaded() {
    inherited::Loaded();
    AdjustBounds();
}

void TCustomLabel::DoDrawText(TCanvas& canvas, TRect& r, TTextFormat format) {
    String text = Caption();
    if (format.Contains(tfCalcRect) && (text.empty() || (showAccelChar_ && text == "&")))
        text += ' ';
    if (!showAccelChar_)
        format.Include(tfNoPrefix);
    canvas.SetFont(Font());
    if (Enabled() || format.Contains(tfCalcRect))
        canvas.TextRect(r, text, format);
    else
        DrawDisabledText(canvas, r, text, format);
}

void TCustomLabel::PaintTo(TCanvas& canvas) {
    TRect r = Rect(0, 0, Width(), Height());
    if (!transparent_) {
        canvas.Brush()->SetColor(Color());
        canvas.Brush()->SetStyle(bsSolid);
        canvas.FillRect(r);
    }
    canvas.Brush()->SetStyle(bsClear);
    TTextFormat format{tfExpandTabs};
    format.Include(alignment_ == taRightJustify ? tfRight : alignment_ == taCenter ? tfCenter : tfLeft);
    if (wordWrap_)
        format.Include(tfWordBreak);
    DoDrawText(canvas, r, format);
}

void TCustomLabel::Paint() {
    PaintTo(*Canvas());
}

void TCustomLabel::AdjustBounds() {
    if ((ComponentState() & csLoading) || !autoSize_)
        return;
    TRect r = Rect(0, 0, Width(), Height());
    {
        TTextMeasure measure(nullptr);
        TCanvas canvas;
        canvas.SetHandle(measure.DC());
        TTextFormat format{tfExpandTabs, tfCalcRect};
        if (wordWrap_)
            format.Include(tfWordBreak);
        DoDrawText(canvas, r, format);
        canvas.SetHandle(nullptr);
    }
    int x = Left();
    if (alignment_ == taRightJustify)
        x += Width() - r.Right;
    SetBounds(x, Top(), r.Right, r.Bottom);
}

void TCustomLabel::CMTextChanged(TMessage& m) {
    inherited::CMTextChanged(m);
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::CMFontChanged(TMessage& m) {
    inherited::CMFontChanged(m);
    AdjustBounds();
}

void TCustomLabel::CMEnabledChanged(TMessage& m) {
    inherited::CMEnabledChanged(m);
    Invalidate();
}

// ---- TCustomEdit ------------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(TControlStyle{csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight});
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, L"EDIT");
    params.Style |= ES_AUTOHSCROLL | ES_LEFT;
    if (readOnly_)
        params.Style |= ES_READONLY;
    if (passwordChar_)
        params.Style |= ES_PASSWORD;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
    creating_ = true;
    try {
        inherited::CreateWnd();
    } catch (...) {
        creating_ = false;
        throw;
    }
    creating_ = false;
    Perform(EM_LIMITTEXT, static_cast<WPARAM>(maxLength_));
    if (passwordChar_)
        Perform(EM_SETPASSWORDCHAR, static_cast<WPARAM>(passwordChar_));
}

void TCustomEdit::SetMaxLength(int value) {
    if (value < 0)
        throw EInvalidArgument("MaxLength of '" + Name() + "' cannot be negative: " + std::to_string(value));
    if (maxLength_ == value)
        return;
    maxLength_ = value;
    if (HandleAllocated())
        Perform(EM_LIMITTEXT, static_cast<WPARAM>(value));
}

void TCustomEdit::SetPasswordChar(wchar_t value) {
    if (passwordChar_ == value)
        return;
    passwordChar_ = value;
    if (HandleAllocated()) {
        Perform(EM_SETPASSWORDCHAR, static_cast<WPARAM>(value));
        Invalidate();
    }
}

void TCustomEdit::SetReadOnly(bool value) {
    if (readOnly_ == value)
        return;
    readOnly_ = value;
    if (HandleAllocated())
        Perform(EM_SETREADONLY, value ? TRUE : FALSE);
}

bool TCustomEdit::Modified() {
    return HandleAllocated() && Perform(EM_GETMODIFY) != 0;
}

void TCustomEdit::SetModified(bool value) {
    if (HandleAllocated())
        Perform(EM_SETMODIFY, value ? TRUE : FALSE);
}

int TCustomEdit::SelStart() {
    if (!HandleAllocated())
        return 0;
    DWORD start = 0;
    DWORD end = 0;
    Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int value) {
    Perform(EM_SETSEL, static_cast<WPARAM>(value), static_cast<LPARAM>(value));
}

int TCustomEdit::SelLength() {
    if (!HandleAllocated())
        return 0;
    DWORD start = 0;
    DWORD end = 0;
    Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int value) {
    const int start = SelStart();
    Perform(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + value));
}

String TCustomEdit::SelText() {
    const std::wstring text = ToWide(Text());
    const auto start = std::min(static_cast<std::size_t>(SelStart()), text.size());
    const auto length = std::min(static_cast<std::size_t>(SelLength()), text.size() - start);
    return FromWide(text.data() + start, length);
}

void TCustomEdit::SelectAll() {
    if (HandleAllocated())
        Perform(EM_SETSEL, 0, -1);
}

void TCustomEdit::CNCommand(TMessage& m) {
    if (HIWORD(m.WParam) == EN_CHANGE && !creating_)
        Change();
}

void TCustomEdit::Change() {
    if (OnChange)
        OnChange(this);
}

// ---- TWinControlItemStrings -------------------------------------------------------------------------

TWinControlItemStrings::TWinControlItemStrings(TWinControl* control, const TItemMessages& messages)
    : control_(control), messages_(messages) {}

int TWinControlItemStrings::GetCount() const {
    if (!control_->HandleAllocated())
        return static_cast<int>(savedItems_.size());
    return static_cast<int>(control_->Perform(messages_.GetCount));
}

String TWinControlItemStrings::Get(int index) const {
    if (index < 0 || index >= GetCount())
        IndexError(index);
    if (!control_->HandleAllocated())
        return savedItems_[static_cast<std::size_t>(index)];
    const auto length = control_->Perform(messages_.GetTextLen, static_cast<WPARAM>(index));
    if (length == messages_.Err)
        IndexError(index);
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied =
        control_->Perform(messages_.GetText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return FromWide(buffer.data(), static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
}

TObject* TWinControlItemStrings::Objects(int index) const {
    if (index < 0 || index >= GetCount())
        IndexError(index);
    if (!control_->HandleAllocated())
        return savedObjects_[static_cast<std::size_t>(index)];
    const auto data = control_->Perform(messages_.GetItemData, static_cast<WPARAM>(index));
    return data == messages_.Err ? nullptr : reinterpret_cast<TObject*>(data);
}

void TWinControlItemStrings::PutObject(int index, TObject* object) {
    if (index < 0 || index >= GetCount())
        IndexError(index);
    if (!control_->HandleAllocated()) {
        savedObjects_[static_cast<std::size_t>(index)] = object;
        return;
    }
    control_->Perform(messages_.SetItemData, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
}

int TWinControlItemStrings::Add(const String& text) {
    return AddObject(text, nullptr);
}

namespace {

// The order of a sorting list window: the user's locale, without regard to case.
int CompareItemTexts(const String& a, const String& b) {
    const std::wstring wa = ToWide(a);
    const std::wstring wb = ToWide(b);
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.c_str(), -1, wb.c_str(), -1) - CSTR_EQUAL;
}

}  // namespace

int TWinControlItemStrings::AddObject(const String& text, TObject* object) {
    if (!control_->HandleAllocated()) {
        int index = GetCount();
        if (SortsItems())  // after the items it does not come before
            index = static_cast<int>(std::upper_bound(savedItems_.begin(), savedItems_.end(), text,
                                                      [](const String& a, const String& b) {
                                                          return CompareItemTexts(a, b) < 0;
                                                      }) -
                                     savedItems_.begin());
        InsertSaved(index, text, object);
        return index;
    }
    const int at = SendItem(messages_.AddString, 0, text, object);
    if (at < 0)
        throw EStringListError("Cannot add an item to '" + control_->Name() + "'");
    return at;
}

void TWinControlItemStrings::Insert(int index, const String& text) {
    InsertObject(index, text, nullptr);
}

void TWinControlItemStrings::InsertObject(int index, const String& text, TObject* object) {
    if (index < 0 || index > GetCount())
        IndexError(index);
    if (!control_->HandleAllocated()) {
        InsertSaved(index, text, object);
        return;
    }
    if (SendItem(messages_.InsertString, index, text, object) < 0)
        throw EStringListError("Cannot insert an item into '" + control_->Name() + "'");
}

int TWinControlItemStrings::SendItem(UINT message, int index, const String& text, TObject* object) {
    const std::wstring wide = ToWide(text);
    const auto at =
        control_->Perform(message, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.c_str()));
    if (at == messages_.Err || at == messages_.ErrSpace)
        return -1;
    if (object)
        control_->Perform(messages_.SetItemData, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(object));
    return static_cast<int>(at);
}

void TWinControlItemStrings::Delete(int index) {
    if (index < 0 || index >= GetCount())
        IndexError(index);
    if (!control_->HandleAllocated()) {
        DeleteSaved(index);
        return;
    }
    control_->Perform(messages_.DeleteString, static_cast<WPARAM>(index));
}

void TWinControlItemStrings::Clear() {
    if (!control_->HandleAllocated()) {
        ClearSaved();
        return;
    }
    control_->Perform(messages_.ResetContent);
}

void TWinControlItemStrings::SetUpdateState(bool updating) {
    if (!control_->HandleAllocated())
        return;
    control_->Perform(WM_SETREDRAW, updating ? FALSE : TRUE);
    if (!updating)
        control_->Invalidate();
}

void TWinControlItemStrings::InsertSaved(int index, const String& text, TObject* object) {
    savedItems_.insert(savedItems_.begin() + index, text);
    savedObjects_.insert(savedObjects_.begin() + index, object);
    if (savedIndex_ >= index)
        ++savedIndex_;
}

void TWinControlItemStrings::DeleteSaved(int index) {
    savedItems_.erase(savedItems_.begin() + index);
    savedObjects_.erase(savedObjects_.begin() + index);
    if (savedIndex_ == index)
        savedIndex_ = -1;
    else if (savedIndex_ > index)
        --savedIndex_;
}

void TWinControlItemStrings::ClearSaved() {
    savedItems_.clear();
    savedObjects_.clear();
    savedIndex_ = -1;
}

void TWinControlItemStrings::SortSaved() {
    std::vector<std::size_t> order(savedItems_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        return CompareItemTexts(savedItems_[a], savedItems_[b]) < 0;
    });
    std::vector<String> items;
    std::vector<TObject*> objects;
    int selected = -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        items.push_back(std::move(savedItems_[order[i]]));
        objects.push_back(savedObjects_[order[i]]);
        if (static_cast<int>(order[i]) == savedIndex_)
            selected = static_cast<int>(i);
    }
    savedItems_ = std::move(items);
    savedObjects_ = std::move(objects);
    savedIndex_ = selected;
    SavedReordered(order);
}

void TWinControlItemStrings::SaveWindowItems(int selected) {
    const int count = GetCount();
    std::vector<String> items;
    std::vector<TObject*> objects;
    for (int i = 0; i < count; ++i) {
        items.push_back(Get(i));
        objects.push_back(Objects(i));
    }
    savedItems_ = std::move(items);
    savedObjects_ = std::move(objects);
    savedIndex_ = selected;
}

int TWinControlItemStrings::RestoreWindowItems(std::vector<int>* positions) {
    std::vector<String> items;
    std::vector<TObject*> objects;
    items.swap(savedItems_);
    objects.swap(savedObjects_);
    const int selected = std::exchange(savedIndex_, -1);
    std::vector<int> at;
    int added = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const int position = SendItem(messages_.AddString, 0, items[i], objects[i]);
        if (position >= 0) {
            if (position < added)  // before items already given: they move down
                for (int& p : at)
                    if (p >= position)
                        ++p;
            ++added;
        }
        at.push_back(position);
    }
    const bool kept = selected >= 0 && selected < static_cast<int>(at.size());
    const int index = kept ? at[static_cast<std::size_t>(selected)] : -1;
    if (positions)
        *positions = std::move(at);
    return index;
}

// ---- TComboBoxStrings -------------------------------------------------------------------------------

TComboBoxStrings::TComboBoxStrings(TCustomComboBox* comboBox)
    : TWinControlItemStrings(comboBox, kComboBoxMessages) {}

// ---- TCustomComboBox --------------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TComboBoxStrings>(this)) {
    // No csCaptureMouse: the dropped-down list takes the mouse itself.
    SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks, csFixedHeight});
    SetBounds(0, 0, 145, 21);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
    if (style_ == value)
        return;
    style_ = value;
    RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int value) {
    if (value < 1)
        throw EInvalidArgument("DropDownCount of '" + Name() + "' must be at least 1: " + std::to_string(value));
    if (dropDownCount_ == value)
        return;
    dropDownCount_ = value;
    RecreateWnd();
}

int TCustomComboBox::ItemIndex() {
    if (!HandleAllocated())
        return items_->SavedIndex();
    const auto index = Perform(CB_GETCURSEL);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void TCustomComboBox::SetItemIndex(int value) {
    if (value < 0 || value >= items_->Count())
        value = -1;
    if (!HandleAllocated()) {
        items_->SetSavedIndex(value);
        return;
    }
    Perform(CB_SETCURSEL, static_cast<WPARAM>(value));
}

bool TCustomComboBox::DroppedDown() {
    return HandleAllocated() && Perform(CB_GETDROPPEDSTATE) != 0;
}

void TCustomComboBox::SetDroppedDown(bool value) {
    Perform(CB_SHOWDROPDOWN, value ? TRUE : FALSE);
}

void TCustomComboBox::Clear() {
    items_->Clear();
    if (style_ != csDropDownList)
        SetText(String());
}

int TCustomComboBox::ItemHeightGuess() {
    return FontHeight(Font());
}

void TCustomComboBox::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, L"COMBOBOX");
    params.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    switch (style_) {
    case csDropDown: params.Style |= CBS_DROPDOWN; break;
    case csSimple: params.Style |= CBS_SIMPLE; break;
    case csDropDownList: params.Style |= CBS_DROPDOWNLIST; break;
    }
    // The window's height includes the dropped-down list; the combo box sizes its closed part.
    if (style_ != csSimple)
        params.Height += dropDownCount_ * ItemHeightGuess() + 2;
}

void TCustomComboBox::CreateWnd() {
    const String text = text_;  // the text the program gave before there was a window
    inherited::CreateWnd();
    const int index = items_->RestoreWindowItems();
    if (index >= 0)
        Perform(CB_SETCURSEL, static_cast<WPARAM>(index));
    else if (!text.empty())
        SetText(text);
}

void TCustomComboBox::DestroyWnd() {
    if (HandleAllocated() && !(ComponentState() & csDestroying))
        items_->SaveWindowItems(ItemIndex());
    inherited::DestroyWnd();
}

void TCustomComboBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_SETTEXT: return WMSetText(m);
    default: return inherited::Dispatch(m);
    }
}

void TCustomComboBox::WMSetText(TMessage& m) {
    // A drop-down list has no text of its own: the text chooses the item.
    if (style_ == csDropDownList && HandleAllocated()) {
        const int index = items_->IndexOf(FromWide(reinterpret_cast<const wchar_t*>(m.LParam)));
        Perform(CB_SETCURSEL, static_cast<WPARAM>(index));
        m.Result = TRUE;
        return;
    }
    inherited::Dispatch(m);
}

void TCustomComboBox::CNCommand(TMessage& m) {
    switch (HIWORD(m.WParam)) {
    case CBN_SELCHANGE:
        Click();
        Select();
        break;
    case CBN_EDITCHANGE:
        Change();
        break;
    case CBN_DROPDOWN:
        if (OnDropDown)
            OnDropDown(this);
        break;
    case CBN_CLOSEUP:
        if (OnCloseUp)
            OnCloseUp(this);
        break;
    default:
        break;
    }
}

void TCustomComboBox::CMWantSpecialKey(TMessage& m) {
    if ((m.WParam == VK_RETURN || m.WParam == VK_ESCAPE) && DroppedDown()) {
        m.Result = 1;
        return;
    }
    inherited::CMWantSpecialKey(m);
}

void TCustomComboBox::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomComboBox::Select() {
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

// ---- TButton ----------------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(TControlStyle{csSetCaption});
    SetBounds(0, 0, 75, 25);
    SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, L"BUTTON");
    params.Style |= active_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value) {
    if (default_ == value)
        return;
    default_ = value;
    if (HandleAllocated()) {
        TCustomForm* form = GetParentForm(this);
        TWinControl* focused = form ? form->ActiveControl() : nullptr;
        TMessage m{CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(focused), 0};
        CMFocusChanged(m);
    }
}

void TButton::SetCancel(bool value) {
    cancel_ = value;
}

void TButton::SetAction(TBasicAction* value) {
    SetLinkedAction(actionLink_, static_cast<TControl*>(this), value);
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this))
        form->SetModalResult(modalResult_);
    if (!OnClick && actionLink_ && actionLink_->Execute(this))
        return;
    inherited::Click();
}

void TButton::CNCommand(TMessage& m) {
    if (HIWORD(m.WParam) == BN_CLICKED)
        Click();
}

void TButton::CMDialogKey(TMessage& m) {
    const bool enter = m.WParam == VK_RETURN && active_;
    const bool escape = m.WParam == VK_ESCAPE && cancel_;
    if ((enter || escape) && KeyDataToShiftState(m.LParam).Empty() && CanFocus()) {
        Click();
        m.Result = 1;
        return;
    }
    inherited::CMDialogKey(m);
}

void TButton::CMDialogChar(TMessage& m) {
    if (IsAccel(static_cast<wchar_t>(m.WParam), Caption()) && CanFocus()) {
        Click();
        m.Result = 1;
        return;
    }
    inherited::CMDialogChar(m);
}

void TButton::CMFocusChanged(TMessage& m) {
    auto* focused = reinterpret_cast<TWinControl*>(m.LParam);
    const bool active = focused == this || (default_ && !dynamic_cast<TButton*>(focused));
    if (active != active_) {
        active_ = active;
        if (HandleAllocated())
            SetButtonStyle(active);
    }
    inherited::CMFocusChanged(m);
}

void TButton::SetButtonStyle(bool isDefault) {
    Perform(BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

// ---- TCustomCheckBox --------------------------------------------------------------------------------

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
    SetBounds(0, 0, 97, 17);
    SetTabStop(true);
}

void TCustomCheckBox::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, L"BUTTON");
    params.Style |= BS_3STATE;  // the class moves the state
    if (alignment_ == taLeftJustify)
        params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
    inherited::CreateWnd();
    Perform(BM_SETCHECK, static_cast<WPARAM>(state_));
}

void TCustomCheckBox::SetState(TCheckState value) {
    if (state_ == value)
        return;
    state_ = value;
    if (HandleAllocated())
        Perform(BM_SETCHECK, static_cast<WPARAM>(value));
    if (!(ComponentState() & csLoading))
        Click();
}

void TCustomCheckBox::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    RecreateWnd();
}

void TCustomCheckBox::SetAction(TBasicAction* value) {
    SetLinkedAction(actionLink_, static_cast<TControl*>(this), value);
}

void TCustomCheckBox::Toggle() {
    switch (state_) {
    case TCheckState::cbUnchecked: SetState(allowGrayed_ ? TCheckState::cbGrayed : TCheckState::cbChecked); break;
    case TCheckState::cbChecked: SetState(TCheckState::cbUnchecked); break;
    case TCheckState::cbGrayed: SetState(TCheckState::cbChecked); break;
    }
}

void TCustomCheckBox::Click() {
    if (!OnClick && actionLink_ && actionLink_->Execute(this))
        return;
    inherited::Click();
}

void TCustomCheckBox::CNCommand(TMessage& m) {
    if (HIWORD(m.WParam) == BN_CLICKED)
        Toggle();
}

void TCustomCheckBox::CMDialogChar(TMessage& m) {
    if (IsAccel(static_cast<wchar_t>(m.WParam), Caption()) && CanFocus()) {
        SetFocus();
        if (Focused())
            Toggle();
        m.Result = 1;
        return;
    }
    inherited::CMDialogChar(m);
}

// ---- TRadioButton -----------------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, L"BUTTON");
    params.Style |= BS_RADIOBUTTON;  // the class moves the check
    if (alignment_ == taLeftJustify)
        params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
    inherited::CreateWnd();
    Perform(BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED);
}

void TRadioButton::SetChecked(bool value) {
    if (checked_ == value)
        return;
    checked_ = value;
    SetTabStop(value);
    if (HandleAllocated())
        Perform(BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED);
    if (!value)
        return;
    if (TWinControl* parent = Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TRadioButton*>(parent->Controls(i)); other && other != this)
                other->SetChecked(false);
    if (!(ComponentState() & csLoading))
        Click();
}

void TRadioButton::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    RecreateWnd();
}

void TRadioButton::CNCommand(TMessage& m) {
    if (HIWORD(m.WParam) == BN_CLICKED)
        SetChecked(true);
}

void TRadioButton::CMDialogChar(TMessage& m) {
    if (IsAccel(static_cast<wchar_t>(m.WParam), Caption()) && CanFocus()) {
        SetFocus();
        SetChecked(true);
        m.Result = 1;
        return;
    }
    inherited::CMDialogChar(m);
}

// ---- TMemoStrings -----------------------------------------------------------------------------------

std::vector<String> TMemoStrings::Lines() const {
    // As the window counts them, less an empty last line: "a\r\nb" and "a\r\nb\r\n" are two lines.
    std::vector<String> lines;
    const String text = memo_->Text();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == String::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        String line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

void TMemoStrings::SetLines(const std::vector<String>& lines) {
    String text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines[i];
    }
    // An empty last line needs its own line break to be kept.
    if (!lines.empty() && lines.back().empty())
        text += "\r\n";
    memo_->SetText(text);
}

int TMemoStrings::GetCount() const {
    return static_cast<int>(Lines().size());
}

String TMemoStrings::Get(int index) const {
    const std::vector<String> lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size()))
        IndexError(index);
    return lines[static_cast<std::size_t>(index)];
}

void TMemoStrings::Put(int index, const String& text) {
    std::vector<String> lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size()))
        IndexError(index);
    lines[static_cast<std::size_t>(index)] = text;
    SetLines(lines);
}

void TMemoStrings::Insert(int index, const String& text) {
    std::vector<String> lines = Lines();
    if (index < 0 || index > static_cast<int>(lines.size()))
        IndexError(index);
    lines.insert(lines.begin() + index, text);
    SetLines(lines);
}

void TMemoStrings::Delete(int index) {
    std::vector<String> lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size()))
        IndexError(index);
    lines.erase(lines.begin() + index);
    SetLines(lines);
}

void TMemoStrings::Clear() {
    memo_->SetText(String());
}

void TMemoStrings::SetText(const String& text) {
    // Any line break becomes CR LF, as the window shows them.
    String normalised;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            normalised += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (text[i] == '\n') {
            normalised += "\r\n";
        } else {
            normalised += text[i];
        }
    }
    memo_->SetText(normalised);
}

// ---- TCustomMemo ------------------------------------------------------------------------------------

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner), lines_(std::make_unique<TMemoStrings>(this)) {
    SetControlStyle(ControlStyle() - TControlStyle{csFixedHeight});
    SetBounds(0, 0, 185, 89);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (wordWrap_)
        params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    if (scrollBars_ == TScrollBars::ssVertical || scrollBars_ == TScrollBars::ssBoth)
        params.Style |= WS_VSCROLL;
    if (scrollBars_ == TScrollBars::ssHorizontal || scrollBars_ == TScrollBars::ssBoth) {
        params.Style |= WS_HSCROLL;
        if (!wordWrap_)
            params.Style |= ES_AUTOHSCROLL;
    }
}

void TCustomMemo::SetScrollBars(TScrollBars value) {
    if (scrollBars_ == value)
        return;
    scrollBars_ = value;
    RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool value) {
    if (wordWrap_ == value)
        return;
    wordWrap_ = value;
    RecreateWnd();
}

void TCustomMemo::Dispatch(TMessage& m) {
    if (m.Msg == WM_GETDLGCODE) {
        inherited::Dispatch(m);
        if (!wantReturns_)
            m.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
        if (!wantTabs_)
            m.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
        return;
    }
    inherited::Dispatch(m);
}

// ---- TListBoxStrings --------------------------------------------------------------------------------

TListBoxStrings::TListBoxStrings(TCustomListBox* listBox)
    : TWinControlItemStrings(listBox, kListBoxMessages), listBox_(listBox) {}

int TListBoxStrings::IndexOf(const String& text) const {
    for (int i = 0; i < GetCount(); ++i)
        if (SameText(Get(i), text))
            return i;
    return -1;
}

bool TListBoxStrings::SortsItems() const {
    return listBox_->Sorted();
}

void TListBoxStrings::SavedReordered(const std::vector<std::size_t>& order) {
    std::vector<bool>& selected = listBox_->savedSelected_;
    std::vector<bool> reordered(selected.size(), false);
    for (std::size_t i = 0; i < order.size() && i < selected.size(); ++i)
        reordered[i] = selected[order[i]];
    selected = std::move(reordered);
}

void TListBoxStrings::InsertSaved(int index, const String& text, TObject* object) {
    inherited::InsertSaved(index, text, object);
    listBox_->savedSelected_.insert(listBox_->savedSelected_.begin() + index, false);
}

void TListBoxStrings::DeleteSaved(int index) {
    inherited::DeleteSaved(index);
    listBox_->savedSelected_.erase(listBox_->savedSelected_.begin() + index);
}

void TListBoxStrings::ClearSaved() {
    inherited::ClearSaved();
    listBox_->savedSelected_.clear();
}

// ---- TCustomListBox ---------------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TListBoxStrings>(this)) {
    // The window takes the mouse; clicks come from its notifications.
    SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, L"LISTBOX");
    params.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
    if (multiSelect_)
        params.Style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (sorted_)
        params.Style |= LBS_SORT;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd() {
    inherited::CreateWnd();
    std::vector<bool> selected;
    selected.swap(savedSelected_);
    // A sorted window puts the items in their places: the selection follows them.
    std::vector<int> positions;
    const int index = items_->RestoreWindowItems(&positions);
    if (multiSelect_) {
        for (std::size_t i = 0; i < selected.size() && i < positions.size(); ++i)
            if (selected[i] && positions[i] >= 0)
                Perform(LB_SETSEL, TRUE, static_cast<LPARAM>(positions[i]));
        if (index >= 0)
            Perform(LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    } else if (index >= 0) {
        Perform(LB_SETCURSEL, static_cast<WPARAM>(index));
    }
    Perform(LB_SETTOPINDEX, static_cast<WPARAM>(savedTop_));
}

void TCustomListBox::DestroyWnd() {
    if (HandleAllocated() && !(ComponentState() & csDestroying)) {
        const int count = Count();
        std::vector<bool> selected;
        for (int i = 0; i < count; ++i)
            selected.push_back(Selected(i));
        savedTop_ = TopIndex();
        items_->SaveWindowItems(ItemIndex());
        savedSelected_ = std::move(selected);
    }
    inherited::DestroyWnd();
}

int TCustomListBox::ItemIndex() {
    if (!HandleAllocated())
        return items_->SavedIndex();
    const auto index = Perform(multiSelect_ ? LB_GETCARETINDEX : LB_GETCURSEL);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void TCustomListBox::SetItemIndex(int value) {
    if (value < 0 || value >= Count())
        value = -1;
    if (!HandleAllocated()) {
        items_->SetSavedIndex(value);
        return;
    }
    if (multiSelect_) {
        if (value >= 0)
            Perform(LB_SETCARETINDEX, static_cast<WPARAM>(value), FALSE);
    } else {
        Perform(LB_SETCURSEL, static_cast<WPARAM>(value));
    }
}

void TCustomListBox::SetMultiSelect(bool value) {
    if (multiSelect_ == value)
        return;
    multiSelect_ = value;
    RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool value) {
    if (extendedSelect_ == value)
        return;
    extendedSelect_ = value;
    RecreateWnd();
}

void TCustomListBox::SetSorted(bool value) {
    if (sorted_ == value)
        return;
    sorted_ = value;
    if (sorted_ && !HandleAllocated())
        items_->SortSaved();
    RecreateWnd();
}

bool TCustomListBox::Selected(int index) {
    if (index < 0 || index >= Count())
        throw EListError("List box '" + Name() + "': index " + std::to_string(index) + " out of bounds");
    if (!HandleAllocated())
        return multiSelect_ ? savedSelected_[static_cast<std::size_t>(index)] : items_->SavedIndex() == index;
    return Perform(LB_GETSEL, static_cast<WPARAM>(index)) > 0;
}

void TCustomListBox::SetSelected(int index, bool value) {
    if (index < 0 || index >= Count())
        throw EListError("List box '" + Name() + "': index " + std::to_string(index) + " out of bounds");
    if (!HandleAllocated()) {
        if (multiSelect_)
            savedSelected_[static_cast<std::size_t>(index)] = value;
        else if (value)
            items_->SetSavedIndex(index);
        else if (items_->SavedIndex() == index)
            items_->SetSavedIndex(-1);
        return;
    }
    if (multiSelect_) {
        Perform(LB_SETSEL, value ? TRUE : FALSE, static_cast<LPARAM>(index));
    } else if (value) {
        Perform(LB_SETCURSEL, static_cast<WPARAM>(index));
    } else if (ItemIndex() == index) {
        Perform(LB_SETCURSEL, static_cast<WPARAM>(-1));
    }
}

int TCustomListBox::SelCount() {
    if (!multiSelect_)
        return ItemIndex() >= 0 ? 1 : 0;
    if (!HandleAllocated())
        return static_cast<int>(std::count(savedSelected_.begin(), savedSelected_.end(), true));
    const auto count = Perform(LB_GETSELCOUNT);
    return count == LB_ERR ? 0 : static_cast<int>(count);
}

int TCustomListBox::TopIndex() {
    return HandleAllocated() ? static_cast<int>(Perform(LB_GETTOPINDEX)) : savedTop_;
}

void TCustomListBox::SetTopIndex(int value) {
    if (!HandleAllocated()) {
        savedTop_ = value;
        return;
    }
    Perform(LB_SETTOPINDEX, static_cast<WPARAM>(value));
}

int TCustomListBox::ItemAtPos(TPoint pos, bool existing) {
    if (!HandleAllocated())
        return -1;
    const auto result = Perform(LB_ITEMFROMPOINT, 0, PointToLParam(pos.X, pos.Y));
    const int index = LOWORD(result);
    if (HIWORD(result) != 0)  // outside the items
        return existing ? -1 : Count();
    return index;
}

void TCustomListBox::CNCommand(TMessage& m) {
    switch (HIWORD(m.WParam)) {
    case LBN_SELCHANGE: Click(); break;
    case LBN_DBLCLK: DblClick(); break;
    default: break;
    }
}

// ---- TCustomGroupBox --------------------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
    SetBounds(0, 0, 185, 105);
}

int TCustomGroupBox::CaptionHeight() {
    return FontHeight(Font());
}

void TCustomGroupBox::AdjustClientRect(TRect& rect) {
    inherited::AdjustClientRect(rect);
    rect.Top += CaptionHeight();
    rect.Left += 2;
    rect.Right -= 2;
    rect.Bottom -= 2;
}

void TCustomGroupBox::PaintTo(TCanvas& canvas) {
    canvas.SetFont(Font());
    canvas.Brush()->SetColor(Color());
    canvas.Brush()->SetStyle(bsSolid);
    const TRect all = Rect(0, 0, Width(), Height());
    canvas.FillRect(all);
    const int textHeight = canvas.TextHeight("0");
    RECT frame{0, textHeight / 2, Width(), Height()};
    DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
    const String caption = Caption();
    if (caption.empty())
        return;
    TRect text = Rect(8, 0, Width() - 8, textHeight);
    canvas.TextRect(text, caption, TTextFormat{tfSingleLine, tfCalcRect});
    text.Right += 4;
    text.Left -= 2;
    canvas.FillRect(Rect(text.Left, 0, std::min(text.Right, Width() - 6), textHeight));
    TRect shown = Rect(8, 0, std::min(text.Right, Width() - 8), textHeight);
    canvas.Brush()->SetStyle(bsClear);
    if (Enabled())
        canvas.TextRect(shown, caption, TTextFormat{tfSingleLine});
    else
        DrawDisabledText(canvas, shown, caption, TTextFormat{tfSingleLine});
    canvas.Brush()->SetStyle(bsSolid);
}

void TCustomGroupBox::Paint() {
    PaintTo(*Canvas());
}

void TCustomGroupBox::CMTextChanged(TMessage& m) {
    inherited::CMTextChanged(m);
    Invalidate();
    Realign();
}

void TCustomGroupBox::CMDialogChar(TMessage& m) {
    if (IsAccel(static_cast<wchar_t>(m.WParam), Caption()) && CanFocus()) {
        SelectNext(nullptr, true, true);
        m.Result = 1;
        return;
    }
    inherited::CMDialogChar(m);
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterStdCtrlsClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterControlsClasses();
    RegisterClasses<TLabel, TEdit, TComboBox, TButton>();
    // String lists of any kind read their lines from "X.Strings = (...)".
    RegisterProperties<TStrings>().Strings(
        "Strings",
        [](TStrings& s) {
            std::vector<String> lines;
            for (int i = 0; i < s.Count(); ++i)
                lines.push_back(s.Get(i));
            return lines;
        },
        [](TStrings& s, const std::vector<String>& lines) {
            s.BeginUpdate();
            try {
                s.Clear();
                for (const String& line : lines)
                    s.Add(line);
            } catch (...) {
                s.EndUpdate();
                throw;
            }
            s.EndUpdate();
        });
    RegisterProperties<TCustomLabel>()
        .Enum("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment,
              {"taLeftJustify", "taRightJustify", "taCenter"})
        .Bool("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize)
        .Bool("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar)
        .Bool("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent)
        .Bool("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap);
    RegisterProperties<TCustomEdit>()
        .Int("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength)
        .Str("PasswordChar",
             [](TCustomEdit& e) { return e.PasswordChar() ? FromWide(std::wstring(1, e.PasswordChar()).c_str()) : String(); },
             [](TCustomEdit& e, const String& value) {
                 const std::wstring wide = ToWide(value);
                 if (wide.size() > 1)
                     throw EConvertError("PasswordChar of '" + e.Name() + "' must be one character, not '" + value + "'");
                 e.SetPasswordChar(wide.empty() ? L'\0' : wide[0]);
             })
        .Bool("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly)
        .Event("OnChange", &TCustomEdit::OnChange);
    RegisterProperties<TCustomComboBox>()
        .Enum("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle, {"csDropDown", "csSimple", "csDropDownList"})
        .Object("Items", &TCustomComboBox::Items)
        .Int("ItemIndex", [](TCustomComboBox& c) { return c.ItemIndex(); }, &TCustomComboBox::SetItemIndex)
        .Int("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount)
        .Event("OnChange", &TCustomComboBox::OnChange)
        .Event("OnSelect", &TCustomComboBox::OnSelect)
        .Event("OnDropDown", &TCustomComboBox::OnDropDown)
        .Event("OnCloseUp", &TCustomComboBox::OnCloseUp);
    RegisterProperties<TButton>()
        .Bool("Default", &TButton::Default, &TButton::SetDefault)
        .Bool("Cancel", &TButton::Cancel, &TButton::SetCancel)
        .Int("ModalResult", &TButton::ModalResult, &TButton::SetModalResult)
        .Idents(kModalResultIdents);
    RegisterActnListClasses();
    RegisterClasses<TCheckBox, TRadioButton, TMemo, TListBox, TGroupBox>();
    RegisterProperties<TButton>().Component("Action", &TButton::Action, &TButton::SetAction);
    RegisterProperties<TCustomCheckBox>()
        .Bool("Checked", &TCustomCheckBox::Checked, &TCustomCheckBox::SetChecked)
        .Enum("State", &TCustomCheckBox::State, &TCustomCheckBox::SetState, {"cbUnchecked", "cbChecked", "cbGrayed"})
        .Bool("AllowGrayed", &TCustomCheckBox::AllowGrayed, &TCustomCheckBox::SetAllowGrayed)
        .Enum("Alignment", &TCustomCheckBox::Alignment, &TCustomCheckBox::SetAlignment,
              {"taLeftJustify", "taRightJustify", "taCenter"})
        .Component("Action", &TCustomCheckBox::Action, &TCustomCheckBox::SetAction);
    RegisterProperties<TRadioButton>()
        .Bool("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked)
        .Enum("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment,
              {"taLeftJustify", "taRightJustify", "taCenter"});
    RegisterProperties<TCustomMemo>()
        .Object("Lines", &TCustomMemo::Lines, &TCustomMemo::SetLines)
        .Enum("ScrollBars", &TCustomMemo::ScrollBars, &TCustomMemo::SetScrollBars,
              {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"})
        .Bool("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap)
        .Bool("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns)
        .Bool("WantTabs", &TCustomMemo::WantTabs, &TCustomMemo::SetWantTabs);
    RegisterProperties<TCustomListBox>()
        .Object("Items", &TCustomListBox::Items, &TCustomListBox::SetItems)
        .Bool("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect)
        .Bool("ExtendedSelect", &TCustomListBox::ExtendedSelect, &TCustomListBox::SetExtendedSelect)
        .Bool("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted)
        .Int("ItemIndex", [](TCustomListBox& l) { return l.ItemIndex(); }, &TCustomListBox::SetItemIndex);
}
