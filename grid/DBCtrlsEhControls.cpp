#include "DBCtrlsEhControls.h"

#include "DBGridEhColumns.h"
#include "Encoding.h"
#include "Graphics.h"
#include "Lists.h"
#include "MaskUtils.h"
#include "Menus.h"
#include "TypeRegistry.h"
#include "WinApi.h"

#include <algorithm>

namespace {

String FieldEditText(const TField* field) { return field->DataType() == ftMemo ? field->AsString() : field->Text(); }
String FieldShownText(const TField* field) {
    return field->DataType() == ftMemo ? field->AsString() : field->DisplayText();
}

String ValueText(const Variant& value) {
    if (value.IsArray()) return String();
    try {
        return VarToStr(value);
    } catch (const Exception&) {
        return String();
    }
}

int UnitLength(const String& text) { return static_cast<int>(ToWide(text).size()); }

}  // namespace

// ---- TEditImageEh -------------------------------------------------------------------------------------

TEditImageEh::TEditImageEh(TCustomDBEditEh* edit) : edit_(edit), link_(std::make_unique<TChangeLink>()) {
    link_->OnChange = Event<&TEditImageEh::Changed>(this);
}

TEditImageEh::~TEditImageEh() { link_->Follow(edit_, nullptr); }

void TEditImageEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TEditImageEh*>(source);
    if (!other) return inherited::Assign(source);
    link_->Follow(edit_, other->images_);
    images_ = other->images_;
    imageIndex_ = other->imageIndex_;
    visible_ = other->visible_;
    width_ = other->width_;
    useImageHeight_ = other->useImageHeight_;
    Changed();
}

void TEditImageEh::SetImages(TCustomImageList* value) {
    if (value == images_) return;
    link_->Follow(edit_, value);
    images_ = value;
    Changed();
}

void TEditImageEh::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    Changed();
}

void TEditImageEh::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    Changed();
}

void TEditImageEh::SetWidth(int value) {
    if (value == width_) return;
    width_ = value;
    Changed();
}

void TEditImageEh::SetUseImageHeight(bool value) {
    if (value == useImageHeight_) return;
    useImageHeight_ = value;
    Changed();
}

void TEditImageEh::Changed(TObject*) {
    if (edit_ && edit_->HandleAllocated()) SendMessageW(edit_->Handle(), WM_EDIT_IMAGE_CHANGED_EH, 0, 0);
}

// ---- TCustomDBEditEh ----------------------------------------------------------------------------------

TCustomDBEditEh::TCustomDBEditEh(TComponent* owner)
    : TCustomMaskEdit(owner),
      link_(std::make_unique<TFieldDataLinkEh>()),
      editButtons_(std::make_unique<TEditButtonsEh>(this, TCollectionItemClass::Of<TEditButtonEh>())),
      mruList_(std::make_unique<TMRUListEh>(this)),
      editImage_(std::make_unique<TEditImageEh>(this)) {
    link_->SetControl(this);
    link_->OnDataChange = Event<&TCustomDBEditEh::LinkDataChange>(this);
    link_->OnEditingChange = Event<&TCustomDBEditEh::LinkEditingChange>(this);
    link_->OnUpdateData = Event<&TCustomDBEditEh::LinkUpdateData>(this);
    ReplaceEditButton(std::make_unique<TEditButtonEh>(this, false));
    editButtons_->OnItemChanged = Event<&TCustomDBEditEh::ButtonsChanged>(this);
}

TCustomDBEditEh::~TCustomDBEditEh() {
    link_->OnDataChange = nullptr;
    link_->OnEditingChange = nullptr;
    link_->OnUpdateData = nullptr;
    link_->SetLinkDataSource(nullptr);
    editButtons_->OnItemChanged = nullptr;
    editButton_->OnChange = nullptr;
}

void TCustomDBEditEh::ReplaceEditButton(std::unique_ptr<TEditButtonEh> button) {
    editButton_ = std::move(button);
    editButton_->OnChange = Event<&TCustomDBEditEh::ButtonsChanged>(this);
    UpdateEditButtons();
}

void TCustomDBEditEh::Loaded() {
    inherited::Loaded();
    UpdateEditButtons();
    AdjustHeight();
}

void TCustomDBEditEh::SetDataSource(TDataSource* value) {
    link_->SetLinkDataSource(value);
    DataChanged();
    UpdateEditButtons();
}

void TCustomDBEditEh::SetDataField(const String& value) {
    SetMaxLength(0);
    link_->SetFieldName(value);
    DataChanged();
    UpdateEditButtons();
}

void TCustomDBEditEh::SetReadOnly(bool value) {
    readOnly_ = value;
    UpdateReadOnlyState();
}

void TCustomDBEditEh::SetEditMask(const String& value) {
    editMaskAssigned_ = true;
    if (value == EditMask()) return;
    TCustomMaskEdit::SetEditMask(value);
    if (ComponentState() & csLoading) return;
    // A value of its own takes the newly laid-out text; a bound control shows its field again.
    if (link_->DataIndependent())
        link_->SetText(Text());
    else
        DataChanged();
}

void TCustomDBEditEh::ApplyFieldMask(const String& mask) {
    if (!editMaskAssigned_ && EditMask() != mask) TCustomMaskEdit::SetEditMask(mask);
}

void TCustomDBEditEh::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    UpdateEditButtons();
    AdjustHeight();
}

void TCustomDBEditEh::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustHeight();
}

int TCustomDBEditEh::AutoHeight() {
    TTextMeasure measure(Font());
    int height = measure.Metrics().tmHeight;
    // Taller images count instead of the font.
    if (editImage_ && editImage_->UseImageHeight() && ImageAreaWidth() > 0)
        height = std::max(height, editImage_->Images()->Height());
    return DBEditAutoHeight(height, 0, false, GetSystemMetrics(SM_CYBORDER), true, flat_);
}

void TCustomDBEditEh::AdjustHeight() {
    if (autoSize_) SetBounds(Left(), Top(), Width(), Height());
}

void TCustomDBEditEh::SetBounds(int left, int top, int width, int height) {
    TCustomMaskEdit::SetBounds(left, top, width, autoSize_ ? AutoHeight() : height);
}

void TCustomDBEditEh::CMFontChanged(TMessage& m) {
    TCustomMaskEdit::CMFontChanged(m);
    AdjustHeight();
    UpdateEditButtons();
}

void TCustomDBEditEh::CMEnabledChanged(TMessage& m) {
    TCustomMaskEdit::CMEnabledChanged(m);
    UpdateEditButtons();
}

void TCustomDBEditEh::CreateParams(TCreateParams& params) {
    TCustomMaskEdit::CreateParams(params);
    shownAlignment_ = Alignment();
    params.Style &= ~static_cast<DWORD>(ES_RIGHT | ES_CENTER);
    if (shownAlignment_ == taRightJustify) params.Style |= ES_RIGHT;
    if (shownAlignment_ == taCenter) params.Style |= ES_CENTER;
    shownWordWrap_ = wordWrap_;
    if (wordWrap_) params.Style = (params.Style & ~static_cast<DWORD>(ES_AUTOHSCROLL)) | ES_MULTILINE | ES_AUTOVSCROLL;
}

TAlignment TCustomDBEditEh::DefaultAlignment() const {
    TField* field = link_->Field();
    return field ? field->Alignment() : taLeftJustify;
}

void TCustomDBEditEh::SetAlignment(TAlignment value) {
    alignmentAssigned_ = true;
    alignment_ = value;
    UpdateWindowStyle();
}

void TCustomDBEditEh::SetWordWrap(bool value) {
    wordWrap_ = value;
    UpdateWindowStyle();
}

void TCustomDBEditEh::UpdateWindowStyle() {
    // A window being typed into is kept; it takes the new style once the focus has left it.
    if (!HandleAllocated() || focused_ || GetFocus() == Handle()) return;
    if (Alignment() != shownAlignment_ || wordWrap_ != shownWordWrap_) RecreateWnd();
}

void TCustomDBEditEh::CreateWnd() {
    TCustomMaskEdit::CreateWnd();
    DataChanged();
    UpdateEditButtons();
}

void TCustomDBEditEh::Resize() {
    TCustomMaskEdit::Resize();
    UpdateEditButtons();
}

// ---- Edit buttons ----

TEditButtonEh* TCustomDBEditEh::ButtonOf(int index) const {
    if (index == 0) return editButton_.get();
    if (index > 0 && index <= editButtons_->Count()) return editButtons_->Items(index - 1);
    return nullptr;
}

bool TCustomDBEditEh::MainButtonEnabled() { return Enabled() && link_->LinkActive(); }

void TCustomDBEditEh::UpdateEditButtons() {
    if (!editButton_ || !editButtons_) return;
    const std::size_t count = static_cast<std::size_t>(editButtons_->Count()) + 1;
    while (buttonControls_.size() > count) {
        buttonControls_.back()->Free();
        buttonControls_.pop_back();
    }
    while (buttonControls_.size() < count) {
        TEditButtonControlEh* control = MakeEditButtonControl(this);
        control->SetTag(static_cast<std::intptr_t>(buttonControls_.size()));
        control->OnDown = Event<&TCustomDBEditEh::ButtonControlDown>(this);
        control->OnClick = Event<&TCustomDBEditEh::ButtonControlClick>(this);
        control->OnMouseUp = Event<&TCustomDBEditEh::ButtonControlMouseUp>(this);
        buttonControls_.push_back(control);
    }
    std::vector<TEditButtonSlotEh> slots(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TEditButtonEh* button = ButtonOf(static_cast<int>(i));
        slots[i] = TEditButtonSlotEh{button->Visible(), button->Width()};
    }
    std::vector<TEditButtonPlaceEh> places;
    const int clientWidth = HandleAllocated() ? ClientWidth() : Width();
    const int clientHeight = HandleAllocated() ? ClientHeight() : Height();
    buttonsWidth_ = LayoutEditButtons(slots, clientWidth, clientHeight, flat_, false, DefaultFlatButtonWidth(),
                                      GetSystemMetrics(SM_CXVSCROLL), places);
    const bool enabled = MainButtonEnabled();
    for (std::size_t i = 0; i < count; ++i) {
        TEditButtonControlEh* control = buttonControls_[i];
        const TEditButtonEh* button = ButtonOf(static_cast<int>(i));
        control->SetStyle(button->Style());
        control->SetFlat(flat_);
        control->SetHint(button->Hint());
        control->SetEnabled(enabled);
        control->SetActive(BorderActive());
        control->SetBounds(places[i].Left, 0, places[i].Width, places[i].Height);
        control->SetVisible(places[i].Width > 0);
    }
    if (HandleAllocated()) {
        SendMessageW(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                     MAKELPARAM(1 + ImageAreaWidth(), buttonsWidth_ > 0 ? buttonsWidth_ + 1 : 1));
        SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

void TCustomDBEditEh::ButtonControlDown(TObject* sender, bool topButton, bool& autoRepeat, bool&) {
    EditButtonDown(static_cast<int>(static_cast<TComponent*>(sender)->Tag()), topButton, autoRepeat);
}

void TCustomDBEditEh::ButtonControlClick(TObject* sender) {
    EditButtonClick(static_cast<int>(static_cast<TComponent*>(sender)->Tag()));
}

void TCustomDBEditEh::ButtonControlMouseUp(TObject* sender, TMouseButton button, TShiftState, int x, int y) {
    const auto* control = static_cast<TControl*>(sender);
    if (button == mbLeft && (x < 0 || y < 0 || x >= control->Width() || y >= control->Height())) noCloseClick_ = false;
}

void TCustomDBEditEh::EditButtonDown(int index, bool topButton, bool& autoRepeat) {
    TEditButtonEh* button = ButtonOf(index);
    if (!button) return;
    if (HandleAllocated() && CanFocus() && GetFocus() != Handle()) SetFocus();
    // The press that closed this button's menu does not open it again.
    MSG queued;
    if (HandleAllocated() &&
        PeekMessageW(&queued, Handle(), WM_EDIT_BUTTON_MENU_CLOSED_EH, WM_EDIT_BUTTON_MENU_CLOSED_EH, PM_NOREMOVE) &&
        static_cast<int>(queued.wParam) == index) {
        PeekMessageW(&queued, Handle(), WM_EDIT_BUTTON_MENU_CLOSED_EH, WM_EDIT_BUTTON_MENU_CLOSED_EH, PM_REMOVE);
        return;
    }
    bool handled = false;
    if (index == 0) {
        if (OnButtonDown) OnButtonDown(this, topButton, autoRepeat, handled);
    } else if (button->OnDown) {
        button->OnDown(button, topButton, autoRepeat, handled);
    }
    if (handled) return;
    if (auto* menu = dynamic_cast<TPopupMenu*>(button->DropdownMenu())) {
        TEditButtonControlEh* control = buttonControls_[static_cast<std::size_t>(index)];
        TPoint at = control->ClientToScreen(TPoint{0, control->Height()});
        if (menu->Alignment() == paRight) at.X += control->Width();
        menu->Popup(at.X, at.Y);
        if (HandleAllocated()) PostMessageW(Handle(), WM_EDIT_BUTTON_MENU_CLOSED_EH, static_cast<WPARAM>(index), 0);
        control->ReleaseButton();
        autoRepeat = false;
        return;
    }
    if (index == 0) MainButtonDown(topButton, autoRepeat);
}

void TCustomDBEditEh::MainButtonDown(bool, bool&) {
    if (editButton_->Style() == ebsUpDownEh || droppedDown_) return;
    DropDown();
    noCloseClick_ = droppedDown_;
}

void TCustomDBEditEh::EditButtonClick(int index) {
    TEditButtonEh* button = ButtonOf(index);
    if (!button) return;
    bool handled = false;
    if (index == 0) {
        if (OnButtonClick) OnButtonClick(this, handled);
    } else if (button->OnClick) {
        button->OnClick(button, handled);
    }
    const bool keepOpen = noCloseClick_;
    noCloseClick_ = false;
    if (!handled && index == 0 && droppedDown_ && !keepOpen) CloseUp(false);
}

void TCustomDBEditEh::ClickEditButton(int index) {
    if (!ButtonOf(index)) return;
    bool autoRepeat = false;
    EditButtonDown(index, true, autoRepeat);
    EditButtonClick(index);
}

bool TCustomDBEditEh::EditButtonShortCut(WORD key, TShiftState shift) {
    const TShortCut shortCut = ShortCut(key, shift);
    if (shortCut == scNone) return false;
    if (editButton_->ShortCut() == shortCut && MainButtonEnabled()) {
        ClickEditButton(0);
        return true;
    }
    for (int i = 0; i < editButtons_->Count(); ++i)
        if (editButtons_->Items(i)->ShortCut() == shortCut) {
            ClickEditButton(i + 1);
            return true;
        }
    return false;
}

// The edit itself has nothing to drop down.
void TCustomDBEditEh::DropDown() {}

void TCustomDBEditEh::CloseUp(bool) {}

void TCustomDBEditEh::SetDroppedDown(bool value) {
    droppedDown_ = value;
    if (value) CloseMRUList(false);
    if (!buttonControls_.empty()) buttonControls_.front()->SetAlwaysDown(value);
}

// ---- Data ----

void TCustomDBEditEh::UpdateReadOnlyState() {
    const bool readOnly = readOnly_ || (!link_->Editing() && !OnUpdateData);
    if (readOnly != TCustomEdit::ReadOnly()) TCustomEdit::SetReadOnly(readOnly);
}

void TCustomDBEditEh::SetTextQuietly(const String& text) {
    quiet_ = true;
    try {
        if (Text() != text) SetText(text);
    } catch (...) {
        quiet_ = false;
        throw;
    }
    quiet_ = false;
}

void TCustomDBEditEh::DataChanged() {
    if (TField* field = link_->Field()) {
        ApplyFieldMask(field->EditMask());
        if (MaxLength() == 0 && (field->DataType() == ftString || field->DataType() == ftWideString))
            SetMaxLength(field->Size());
        SetTextQuietly(focused_ && link_->CanModify() ? FieldEditText(field) : FieldShownText(field));
    } else if (link_->DataIndependent()) {
        ApplyFieldMask(String());
        SetTextQuietly(ValueText(link_->DataIndependentValue()));
    } else {
        ApplyFieldMask(String());
        SetTextQuietly(String());
    }
    UpdateReadOnlyState();
    if (HandleAllocated()) SetModified(false);
    if (highlightRequired_) Invalidate();
    UpdateWindowStyle();
}

int TCustomDBEditEh::ImageAreaWidth() const {
    TCustomImageList* images = editImage_->Images();
    if (!editImage_->Visible() || !images) return 0;
    return (editImage_->Width() > 0 ? editImage_->Width() : images->Width()) + 4;
}

int TCustomDBEditEh::DefaultImageIndex() { return editImage_->ImageIndex(); }

int TCustomDBEditEh::ShownImageIndex() {
    if (ImageAreaWidth() == 0) return -1;
    int index = DefaultImageIndex();
    if (OnGetImageIndex) OnGetImageIndex(this, index);
    return index;
}

void TCustomDBEditEh::PaintEditImage() {
    const int area = ImageAreaWidth();
    if (area == 0 || !HandleAllocated()) return;
    const int index = ShownImageIndex();
    TCustomImageList* images = editImage_->Images();
    const HDC dc = GetDC(Handle());
    // The column's background, then the image in it, 2 pixels in and centred vertically.
    RECT column{0, 0, area, ClientHeight()};
    const HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color())));
    FillRect(dc, &column, brush);
    DeleteObject(brush);
    if (index >= 0) {
        TCanvas canvas;
        canvas.SetHandle(dc);
        const int top = std::max(1, (ClientHeight() - images->Height()) / 2);
        images->Draw(&canvas, 2, top, index, Enabled());
        canvas.SetHandle(nullptr);
    }
    ReleaseDC(Handle(), dc);
}

void TCustomDBEditEh::Notification(TComponent* component, TOperation operation) {
    TCustomMaskEdit::Notification(component, operation);
    if (operation == opRemove && editImage_ && component == editImage_->Images()) editImage_->SetImages(nullptr);
}

void TCustomDBEditEh::SetHighlightRequired(bool value) {
    if (value == highlightRequired_) return;
    highlightRequired_ = value;
    Invalidate();
}

bool TCustomDBEditEh::RequiredStateShown() {
    bool draw = false;
    if (highlightRequired_ && link_->LinkActive()) {
        if (link_->DataIndependent()) {
            draw = VarIsNull(link_->DataIndependentValue()) || Text().empty();
        } else if (TField* field = link_->Field()) {
            const TDataSetState state = field->DataSet() ? field->DataSet()->State() : dsInactive;
            draw = (state == dsEdit || state == dsInsert) && field->Required() && field->IsNull();
        }
    }
    if (OnCheckDrawRequiredState) OnCheckDrawRequiredState(this, draw);
    return draw;
}

void TCustomDBEditEh::PaintRequiredState() {
    if (!highlightRequired_ || !HandleAllocated() || !RequiredStateShown()) return;
    // A red dotted line one pixel above the bottom, along the text area.
    const int y = ClientHeight() - 2;
    const int right = ClientWidth() - buttonsWidth_ - 4;
    const HDC dc = GetDC(Handle());
    TCanvas canvas;
    canvas.SetHandle(dc);
    DrawDottedLine(&canvas, TPoint{2, y}, TPoint{right, y}, clRed);
    canvas.SetHandle(nullptr);
    ReleaseDC(Handle(), dc);
}

void TCustomDBEditEh::Change() {
    if (highlightRequired_ || ImageAreaWidth() > 0) Invalidate();
    if (!quiet_) {
        link_->SetModified();
        if (HandleAllocated()) SetModified(true);
    }
    TCustomMaskEdit::Change();
    if (!quiet_) MRUUserChange();
}

bool TCustomDBEditEh::IsValidChar(wchar_t key) const {
    TField* field = link_->Field();
    return !field || field->IsValidChar(static_cast<char32_t>(key));
}

void TCustomDBEditEh::KeyDown(WORD& key, TShiftState shift) {
    SwallowCloseChar(false);
    if (mruVisible_ && MRUKey(key, shift)) {
        key = 0;
        return;
    }
    TCustomMaskEdit::KeyDown(key, shift);
    if (key == 0) return;
    if (EditButtonShortCut(key, shift)) {
        key = 0;
        return;
    }
    if (key == 'A' && shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) {
        SelectAll();
        key = 0;
        return;
    }
    if ((key == VK_DELETE || (key == VK_INSERT && shift.Contains(ssShift))) && !readOnly_) link_->Edit();
}

void TCustomDBEditEh::KeyPress(wchar_t& key) {
    const bool swallow = swallowCloseChar_;
    swallowCloseChar_ = false;
    if (swallow && (key == L'\r' || key == 27)) {
        key = 0;
        return;
    }
    TCustomMaskEdit::KeyPress(key);
    if (key == 0) return;
    // Line breaks never go into the text.
    if (key == L'\r' || key == L'\n') {
        key = 0;
        return;
    }
    if (key == 27) {
        link_->Reset();
        SelectAll();
        key = 0;
        return;
    }
    if (key >= 32 && !IsValidChar(key)) {
        MessageBeep(0);
        key = 0;
        return;
    }
    if (key == 8 && Text().empty() && mruList_->Active() && !mruVisible_ && Showing()) {
        DropDownMRUList();
        key = 0;
        return;
    }
    if ((key == 8 || key == 22 || key == 24 || key >= 32) && !readOnly_) link_->Edit();
}

void TCustomDBEditEh::SetAlwaysShowBorder(bool value) {
    alwaysShowBorder_ = value;
    UpdateBorderState();
}

void TCustomDBEditEh::UpdateBorderState() {
    for (TEditButtonControlEh* control : buttonControls_) control->SetActive(BorderActive());
}

void TCustomDBEditEh::CMMouseEnter(TMessage& m) {
    TCustomMaskEdit::CMMouseEnter(m);
    mouseInside_ = true;
    UpdateBorderState();
}

void TCustomDBEditEh::CMMouseLeave(TMessage& m) {
    TCustomMaskEdit::CMMouseLeave(m);
    mouseInside_ = false;
    UpdateBorderState();
}

void TCustomDBEditEh::DoEnter() {
    focused_ = true;
    UpdateBorderState();
    link_->Reset();  // the edit text in place of the display text
    TCustomMaskEdit::DoEnter();
    if (HandleAllocated()) SelectAll();
}

void TCustomDBEditEh::DoExit() {
    TCustomMaskEdit::DoExit();
    try {
        if (link_->DataIndependent())
            link_->UpdateDataNow();
        else
            link_->UpdateRecord();
    } catch (...) {
        SelectAll();
        SetFocus();
        throw;
    }
    focused_ = false;
    UpdateBorderState();
    link_->Reset();  // the display text again
}

void TCustomDBEditEh::CMExit(TMessage& m) {
    // Text the mask refuses keeps the focus here.
    try {
        TCustomMaskEdit::CMExit(m);
    } catch (...) {
        if (HandleAllocated()) {
            SelectAll();
            if (GetFocus() != Handle()) SetFocus();
        }
        throw;
    }
}

void TCustomDBEditEh::UpdateData() {
    if (focused_) ValidateEdit();
    bool handled = false;
    if (OnUpdateData) {
        posting_ = true;
        try {
            OnUpdateData(this, handled);
        } catch (...) {
            posting_ = false;
            throw;
        }
        posting_ = false;
    }
    if (!handled) link_->SetText(Text());
    if (HandleAllocated()) SetModified(false);
    if (mruList_->AutoAdd() && mruList_->Active() && Showing()) mruList_->Add(Text());
}

Variant TCustomDBEditEh::Value() const { return Variant(const_cast<TCustomDBEditEh*>(this)->Text()); }

void TCustomDBEditEh::InternalSetValue(const Variant& value) { SetText(ValueText(value)); }

void TCustomDBEditEh::SetValue(const Variant& value) {
    link_->WriteFromCode([&] { InternalSetValue(value); }, posting_);
}

// ---- Recently-used list ----

void TCustomDBEditEh::MRUUserChange() {
    const String empty = EditMask().empty() ? String() : FormatMaskText(EditMask(), String());
    if (mruVisible_ && Text() == empty) {
        CloseMRUList(false);
        return;
    }
    if (mruList_->Active() && Showing() && !droppedDown_ && !Text().empty()) DropDownMRUList();
}

void TCustomDBEditEh::DropDownMRUList() {
    if (!mruBox_) {
        mruBox_ = New<TMRUListboxEh>(this);
        mruBox_->SetCtl3D(false);
        mruBox_->OnMouseUp = Event<&TCustomDBEditEh::MRUMouseUp>(this);
    }
    if (HandleAllocated()) {
        const HWND root = GetAncestor(Handle(), GA_ROOT);
        if (mruBox_->ParentWindow() != root) mruBox_->SetParentWindow(root);
    }
    TStrings* shown = mruBox_->Items();
    shown->BeginUpdate();
    shown->Clear();
    TStringList matching;
    const bool complete = mruList_->CopyMatchingItems(&matching, Text());
    matching.Sort();
    for (int i = 0; i < matching.Count(); ++i) shown->Add(matching.Get(i));
    shown->EndUpdate();
    if (!complete || shown->Count() == 0) {
        CloseMRUList(false);
        return;
    }
    mruList_->DropDown();
    mruBox_->SetFont(Font());
    mruBox_->HandleNeeded();
    TTextMeasure measure(Font());
    mruBox_->SetItemHeight(std::max(1, measure.Extent("Wg").cy + 2));
    mruBox_->SetRows(std::max(1, std::min(shown->Count(), mruList_->Rows())));
    mruBox_->SetBounds(mruBox_->Left(), mruBox_->Top(), Width(), mruBox_->Height());
    mruBox_->SetItemIndex(-1);
    TPoint pos;
    PlaceDropDownWindow(this, mruBox_, daLeft, pos);
    SetWindowPos(mruBox_->Handle(), HWND_TOP, pos.X, pos.Y, mruBox_->Width(), mruBox_->Height(),
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    mruBox_->SetBounds(pos.X, pos.Y, mruBox_->Width(), mruBox_->Height());
    mruBox_->SetVisible(true);
    mruVisible_ = true;
}

void TCustomDBEditEh::CloseMRUList(bool accept) {
    if (!mruVisible_ || !mruBox_) return;
    const int chosen = mruBox_->ItemIndex();
    const String text = chosen >= 0 ? mruBox_->ItemText(chosen) : String();
    if (GetCapture() == mruBox_->Handle()) ReleaseCapture();
    SetWindowPos(mruBox_->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    mruBox_->SetVisible(false);
    mruVisible_ = false;
    mruList_->CloseUp(accept);
    if (accept && chosen >= 0 && !readOnly_ && link_->Edit()) {
        quiet_ = true;
        try {
            SetText(text);
        } catch (...) {
            quiet_ = false;
            throw;
        }
        quiet_ = false;
        link_->SetModified();
        if (HandleAllocated()) SetModified(true);
        if (HandleAllocated() && GetFocus() == Handle()) SelectAll();
    }
}

void TCustomDBEditEh::MRUMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button == mbLeft && mruVisible_) CloseMRUList(mruBox_->ClientRect().Contains(TPoint{x, y}));
}

bool TCustomDBEditEh::MRUKey(WORD key, TShiftState shift) {
    const bool alt = shift.Contains(ssAlt);
    if ((key == VK_RETURN || key == VK_ESCAPE) && !alt) {
        CloseMRUList(key == VK_RETURN && mruBox_->ItemIndex() >= 0);
        SwallowCloseChar();
        return true;
    }
    if ((!alt && (key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT)) ||
        (shift.Contains(ssCtrl) && (key == VK_HOME || key == VK_END))) {
        SendMessageW(mruBox_->Handle(), WM_KEYDOWN, key, 0);
        return true;
    }
    return false;
}

void TCustomDBEditEh::CMWantSpecialKey(TMessage& m) {
    // Enter and Esc belong to an open recently-used list with an item chosen, Esc to modified text.
    const bool mruChoice = mruVisible_ && mruBox_ && mruBox_->ItemIndex() >= 0;
    if ((m.WParam == VK_RETURN && mruChoice) ||
        (m.WParam == VK_ESCAPE && (mruChoice || (HandleAllocated() && Modified()))))
        m.Result = 1;
    else
        TCustomMaskEdit::CMWantSpecialKey(m);
}

void TCustomDBEditEh::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_KILLFOCUS:
        if (mruVisible_ && mruBox_ && reinterpret_cast<HWND>(m.WParam) != mruBox_->Handle()) CloseMRUList(false);
        break;
    case WM_MOUSEWHEEL:
        if (mruVisible_ && mruBox_) {
            m.Result = SendMessageW(mruBox_->Handle(), m.Msg, m.WParam, m.LParam);
            return;
        }
        break;
    case WM_EDIT_BUTTON_MENU_CLOSED_EH: return;  // only looked for in the queue
    case WM_UNDO:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
        if (!readOnly_) link_->Edit();
        break;
    case WM_PAINT:
        TCustomMaskEdit::Dispatch(m);
        PaintEditImage();
        PaintRequiredState();
        return;
    case WM_EDIT_IMAGE_CHANGED_EH:
        AdjustHeight();
        UpdateEditButtons();
        return;
    default: break;
    }
    TCustomMaskEdit::Dispatch(m);
}

// ---- TCustomDBComboBoxEh ------------------------------------------------------------------------------

void TDropDownBoxEh::Assign(TPersistent* source) {
    if (auto* box = dynamic_cast<TDropDownBoxEh*>(source)) {
        align_ = box->align_;
        autoDrop_ = box->autoDrop_;
        rows_ = box->rows_;
        sizable_ = box->sizable_;
        width_ = box->width_;
        return;
    }
    TPersistent::Assign(source);
}

TCustomDBComboBoxEh::TCustomDBComboBoxEh(TComponent* owner)
    : TCustomDBEditEh(owner),
      items_(std::make_unique<TStringList>()),
      keyItems_(std::make_unique<TStringList>()),
      dropDownBox_(std::make_unique<TDropDownBoxEh>()) {
    items_->OnChange = Event<&TCustomDBComboBoxEh::ItemsChanged>(this);
    keyItems_->OnChange = Event<&TCustomDBComboBoxEh::ItemsChanged>(this);
    ReplaceEditButton(std::make_unique<TVisibleEditButtonEh>(this));
}

TCustomDBComboBoxEh::~TCustomDBComboBoxEh() {
    items_->OnChange = nullptr;
    keyItems_->OnChange = nullptr;
}

void TCustomDBComboBoxEh::ItemsChanged(TObject*) {
    // A keyed control keeps its value: index and text come from the value's position.
    if (Keyed()) {
        SetMaxLength(0);
        const int index = ComboIndexOfKey(items_.get(), keyItems_.get(), value_);
        settingIndex_ = true;
        itemIndex_ = index;
        SetTextQuietly(index >= 0 ? items_->Get(index) : String());
        settingIndex_ = false;
    } else {
        itemIndex_ = ComboLocate(items_.get(), items_->Count(), Text(), false);
    }
}

Variant TCustomDBComboBoxEh::Value() const { return Keyed() ? value_ : TCustomDBEditEh::Value(); }

void TCustomDBComboBoxEh::InternalSetItemIndex(int value) {
    if (value < 0 || value >= UsableCount()) value = -1;
    itemIndex_ = value;
    value_ = value >= 0 && Keyed() ? Variant(keyItems_->Get(value)) : Null();
    if (listVisible_ && list_) list_->SetItemIndex(value);
    settingIndex_ = true;
    try {
        if (Keyed())
            SetTextQuietly(value >= 0 ? items_->Get(value) : String());
        else if (value >= 0)
            SetText(items_->Get(value));
    } catch (...) {
        settingIndex_ = false;
        throw;
    }
    settingIndex_ = false;
}

void TCustomDBComboBoxEh::SetItemIndex(int value) {
    if (value == itemIndex_) return;
    if (!DataLink()->DataIndependent()) {
        InternalSetItemIndex(value);
        return;
    }
    // A control without a field keeps the chosen item as its value.
    if (value < 0 || value >= UsableCount())
        SetValue(Null());
    else
        SetValue(Variant(Keyed() ? keyItems_->Get(value) : items_->Get(value)));
}

void TCustomDBComboBoxEh::InternalSetValue(const Variant& value) {
    if (!Keyed()) {
        TCustomDBEditEh::InternalSetValue(value);
        return;
    }
    value_ = value;
    const int index = ComboIndexOfKey(items_.get(), keyItems_.get(), value);
    itemIndex_ = index;
    SetTextQuietly(index >= 0 ? items_->Get(index) : String());
}

void TCustomDBComboBoxEh::DataChanged() {
    TField* field = DataLink()->Field();
    if (Keyed() && field) {
        InternalSetValue(field->IsNull() ? Null() : Variant(field->Text()));
        UpdateReadOnlyState();
        return;
    }
    if (Keyed() && DataLink()->DataIndependent()) {
        InternalSetValue(DataLink()->DataIndependentValue());
        UpdateReadOnlyState();
        return;
    }
    TCustomDBEditEh::DataChanged();
    itemIndex_ = ComboLocate(items_.get(), items_->Count(), Text(), false);
}

void TCustomDBComboBoxEh::NotInList() {
    if (!OnNotInList || itemIndex_ >= 0) return;
    const String text = Text();
    bool recheck = false;
    OnNotInList(this, Variant(text), recheck);
    if (!recheck) return;
    // The handler may have added the text: search the items again.
    const int found = ComboLocate(items_.get(), UsableCount(), text, false);
    if (found < 0) return;
    if (Keyed())
        InternalSetItemIndex(found);
    else
        itemIndex_ = found;
}

void TCustomDBComboBoxEh::UpdateData() {
    NotInList();
    if (Keyed()) {
        bool handled = false;
        if (OnUpdateData) OnUpdateData(this, handled);
        if (!handled) {
            if (DataLink()->DataIndependent() || VarIsNull(value_) || VarIsEmpty(value_))
                DataLink()->SetValue(value_);
            else
                DataLink()->SetText(ValueText(value_));
        }
        return;
    }
    TCustomDBEditEh::UpdateData();
}

int TCustomDBComboBoxEh::DefaultImageIndex() {
    int index = itemIndex_;
    if (OnGetItemImageIndex) OnGetItemImageIndex(this, itemIndex_, index);
    return index;
}

void TCustomDBComboBoxEh::ListImageIndex(TObject*, int itemIndex, int& imageIndex) {
    if (OnGetItemImageIndex) OnGetItemImageIndex(this, itemIndex, imageIndex);
}

void TCustomDBComboBoxEh::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && list_ && component == list_->Images()) list_->SetImages(nullptr);
    TCustomDBEditEh::Notification(component, operation);
}

TAlignment TCustomDBComboBoxEh::DefaultAlignment() const {
    return Keyed() ? taLeftJustify : TCustomDBEditEh::DefaultAlignment();
}

bool TCustomDBComboBoxEh::IsValidChar(wchar_t key) const {
    return Keyed() || TCustomDBEditEh::IsValidChar(key);
}

void TCustomDBComboBoxEh::Change() {
    TCustomDBEditEh::Change();
    if (!settingIndex_ && !Keyed()) itemIndex_ = ComboLocate(items_.get(), items_->Count(), Text(), false);
}

bool TCustomDBComboBoxEh::StepItem(bool forward) {
    if (ReadOnly() || !DataLink()->CanModify()) return false;
    const int next = ComboStep(itemIndex_, UsableCount(), forward);
    if (next != itemIndex_ && DataLink()->Edit()) {
        InternalSetItemIndex(next);
        DataLink()->SetModified();
        if (HandleAllocated()) SelectAll();
    }
    return true;
}

void TCustomDBComboBoxEh::KeyDown(WORD& key, TShiftState shift) {
    SwallowCloseChar(false);
    const bool alt = shift.Contains(ssAlt);
    if (listVisible_) {
        if ((key == VK_RETURN || key == VK_ESCAPE) && !alt) {
            CloseUp(key == VK_RETURN);
            SwallowCloseChar();
            key = 0;
            return;
        }
        if ((alt && (key == VK_UP || key == VK_DOWN)) || key == VK_F4) {
            CloseUp(true);
            key = 0;
            return;
        }
        if (EditButtonShortCut(key, shift)) {
            key = 0;
            return;
        }
        if (key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT ||
            (shift.Contains(ssCtrl) && (key == VK_HOME || key == VK_END))) {
            SendMessageW(list_->Handle(), WM_KEYDOWN, key, 0);
            key = 0;
            return;
        }
    } else {
        if (EditButtonShortCut(key, shift)) {
            key = 0;
            return;
        }
        // F4 and Alt+arrows open the list as in the system's combo boxes.
        if ((alt && (key == VK_UP || key == VK_DOWN)) || (key == VK_F4 && !alt)) {
            if (MainButtonEnabled()) DropDown();
            key = 0;
            return;
        }
    }
    // A wrapping box steps only with all its text selected (else the arrows move between lines).
    const bool allSelected = !WordWrap() || SelLength() == static_cast<int>(ToWide(Text()).size());
    if ((key == VK_UP || key == VK_DOWN) && !alt && !shift.Contains(ssCtrl) && allSelected) {
        if (StepItem(key == VK_DOWN)) {
            key = 0;
            return;
        }
    }
    if (key == VK_DELETE && Keyed() && !ReadOnly() && DataLink()->CanModify() &&
        (DataLink()->DataIndependent() || !(DataLink()->Field() && DataLink()->Field()->Required()))) {
        if (DataLink()->Edit()) {
            InternalSetValue(Null());
            DataLink()->SetModified();
        }
        key = 0;
        return;
    }
    TCustomDBEditEh::KeyDown(key, shift);
}

void TCustomDBComboBoxEh::MainButtonDown(bool topButton, bool& autoRepeat) {
    if (EditButton()->Style() == ebsUpDownEh) {
        StepItem(!topButton);
        return;
    }
    TCustomDBEditEh::MainButtonDown(topButton, autoRepeat);
}

void TCustomDBComboBoxEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomDBEditEh::MouseDown(button, shift, x, y);
    if (button != mbLeft || shift.Contains(ssDouble)) return;
    if (listVisible_) {
        CloseUp(false);
        return;
    }
    // A click on the text of a list-only box opens its list.
    if (Keyed() && Enabled() && x < ClientWidth() - ButtonsWidth()) {
        if (CanFocus()) SetFocus();
        DropDown();
    }
}

bool TCustomDBComboBoxEh::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (listVisible_ || TCustomDBEditEh::DoMouseWheelDown(shift, mousePos)) return true;
    return StepItem(true);
}

bool TCustomDBComboBoxEh::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (listVisible_ || TCustomDBEditEh::DoMouseWheelUp(shift, mousePos)) return true;
    return StepItem(false);
}

void TCustomDBComboBoxEh::KeyPress(wchar_t& key) {
    if (listVisible_ && (key == L'\r' || key == 27)) {
        key = 0;
        return;
    }
    if (key >= 32 && dropDownBox_->AutoDrop() && !listVisible_ && MainButtonEnabled()) DropDown();
    if (!Keyed() || key == 27 || key < 8 || (key > 8 && key < 32)) {
        TCustomDBEditEh::KeyPress(key);
        completePending_ = !Keyed() && key >= 32 && GetKeyState(VK_CONTROL) >= 0;
        return;
    }
    // A keyed control searches its items with what is typed before the selection.
    if (ReadOnly() || !DataLink()->CanModify() || !DataLink()->Edit()) {
        key = 0;
        return;
    }
    const std::wstring wide = ToWide(Text());
    int start = std::min<int>(SelStart(), static_cast<int>(wide.size()));
    if (key == 8) {
        SendMessageW(Handle(), EM_SETSEL, wide.size(), std::max(0, start - 1));
        key = 0;
        return;
    }
    const String typed = FromWide(wide.c_str(), std::size_t(start)) + FromWide(&key, 1);
    const int found = ComboLocate(items_.get(), UsableCount(), typed, true);
    if (found >= 0) {
        if (found != itemIndex_) {
            InternalSetItemIndex(found);
            DataLink()->SetModified();
        }
        SendMessageW(Handle(), EM_SETSEL, UnitLength(Text()), UnitLength(typed));
    }
    key = 0;
}

void TCustomDBComboBoxEh::CompleteTyping() {
    const std::wstring typed = ToWide(Text());
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (WindowReadOnly() || typed.empty() || start != end || end != typed.size()) return;
    const int found = ComboLocate(items_.get(), items_->Count(), Text(), true);
    if (found < 0) return;
    const std::wstring item = ToWide(items_->Get(found));
    if (item.size() <= typed.size()) return;
    const std::wstring completed = typed + item.substr(typed.size());
    SetText(FromWide(completed.c_str(), completed.size()));
    SendMessageW(Handle(), EM_SETSEL, typed.size(), completed.size());
}

void TCustomDBComboBoxEh::DropDown() {
    if (listVisible_) return;
    if (OnDropDown) OnDropDown(this);
    if (items_->Count() == 0 && OnGetItemsList) OnGetItemsList(this);
    if (!list_) {
        list_ = New<TPopupListboxEh>(this);
        list_->OnMouseUp = Event<&TCustomDBComboBoxEh::ListMouseUp>(this);
    }
    if (HandleAllocated()) {
        const HWND root = GetAncestor(Handle(), GA_ROOT);
        if (list_->ParentWindow() != root) list_->SetParentWindow(root);
    }
    list_->SetColor(Color());
    list_->SetFont(Font());
    TCustomImageList* images = ImageAreaWidth() > 0 ? EditImage()->Images() : nullptr;
    list_->SetImages(images);
    list_->OnGetImageIndex = Event<&TCustomDBComboBoxEh::ListImageIndex>(this);
    TStrings* shown = list_->Items();
    shown->BeginUpdate();
    shown->Clear();
    const int count = UsableCount();
    int widest = 0;
    TTextMeasure measure(Font());
    for (int i = 0; i < count; ++i) {
        shown->Add(items_->Get(i));
        widest = std::max(widest, measure.Extent(items_->Get(i)).cx);
    }
    shown->EndUpdate();
    list_->HandleNeeded();
    int itemHeight = measure.Extent("Wg").cy + 2;
    // Taller images make taller rows.
    if (images && EditImage()->UseImageHeight()) itemHeight = std::max(itemHeight, images->Height());
    list_->SetItemHeight(std::max(1, itemHeight));
    list_->SetRows(std::max(1, std::min(count, dropDownBox_->Rows())));
    const int width = ComboDropDownWidth(dropDownBox_->Width(), Width(), widest + GetSystemMetrics(SM_CXVSCROLL),
                                         images ? images->Width() : 0);
    list_->SetBounds(list_->Left(), list_->Top(), width, list_->Height());
    list_->SetItemIndex(itemIndex_);
    TPoint pos;
    PlaceDropDownWindow(this, list_, dropDownBox_->Align(), pos);
    list_->SetBounds(pos.X, pos.Y, list_->Width(), list_->Height());
    if (TSizeGripEh* grip = list_->SizeGrip()) grip->SetVisible(dropDownBox_->Sizable());
    SetWindowPos(list_->Handle(), HWND_TOP, pos.X, pos.Y, list_->Width(), list_->Height(),
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    list_->SetVisible(true);
    listVisible_ = true;
    shownRows_ = list_->Rows();
    shownWidth_ = list_->Width();
    SetDroppedDown(true);
}

void TCustomDBComboBoxEh::CloseUp(bool accept) {
    if (!listVisible_ || !list_) return;
    const HWND focus = GetFocus();
    if (focus == list_->Handle() && HandleAllocated()) ::SetFocus(Handle());
    if (GetCapture() == list_->Handle()) ReleaseCapture();
    const int chosen = list_->ItemIndex();
    SetWindowPos(list_->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    list_->SetVisible(false);
    listVisible_ = false;
    // A list the user resized keeps its size for the next time.
    if (list_->Rows() != shownRows_ || list_->Width() != shownWidth_) {
        dropDownBox_->SetRows(list_->Rows());
        dropDownBox_->SetWidth(list_->Width());
    }
    SetDroppedDown(false);
    if (accept && !ReadOnly() && chosen >= 0 && DataLink()->Edit()) {
        InternalSetItemIndex(chosen);
        DataLink()->SetModified();
        if (Focused()) SelectAll();
    }
    if (OnCloseUp) OnCloseUp(this, accept);
}

void TCustomDBComboBoxEh::ListMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button == mbLeft && listVisible_) CloseUp(list_->ClientRect().Contains(TPoint{x, y}));
}

void TCustomDBComboBoxEh::Dispatch(TMessage& m) {
    if (m.Msg == WM_KILLFOCUS && listVisible_ && list_ && reinterpret_cast<HWND>(m.WParam) != list_->Handle())
        CloseUp(false);
    if (m.Msg == CM_WANTSPECIALKEY && listVisible_ && (m.WParam == VK_RETURN || m.WParam == VK_ESCAPE)) {
        m.Result = 1;
        return;
    }
    if (m.Msg == WM_MOUSEWHEEL && listVisible_ && list_) {
        m.Result = SendMessageW(list_->Handle(), m.Msg, m.WParam, m.LParam);
        return;
    }
    if (m.Msg == WM_GETDLGCODE && listVisible_) {
        TCustomDBEditEh::Dispatch(m);
        m.Result |= DLGC_WANTALLKEYS;
        return;
    }
    if (m.Msg == WM_CHAR) {
        // The character is in the text once the edit window handled it.
        completePending_ = false;
        TCustomDBEditEh::Dispatch(m);
        if (completePending_ && HandleAllocated()) CompleteTyping();
        completePending_ = false;
        return;
    }
    TCustomDBEditEh::Dispatch(m);
}

// ---- TCustomDBCheckBoxEh ------------------------------------------------------------------------------

TCustomDBCheckBoxEh::TCustomDBCheckBoxEh(TComponent* owner)
    : TCustomCheckBox(owner), link_(std::make_unique<TFieldDataLinkEh>()) {
    link_->SetControl(this);
    link_->OnDataChange = Event<&TCustomDBCheckBoxEh::DataChanged>(this);
    link_->OnUpdateData = Event<&TCustomDBCheckBoxEh::UpdateData>(this);
}

TCustomDBCheckBoxEh::~TCustomDBCheckBoxEh() {
    link_->OnDataChange = nullptr;
    link_->OnUpdateData = nullptr;
    link_->SetLinkDataSource(nullptr);
}

void TCustomDBCheckBoxEh::SetDataSource(TDataSource* value) {
    link_->SetLinkDataSource(value);
    DataChanged(nullptr);
}

void TCustomDBCheckBoxEh::SetDataField(const String& value) {
    link_->SetFieldName(value);
    DataChanged(nullptr);
}

void TCustomDBCheckBoxEh::SetValueChecked(const String& value) {
    valueChecked_ = value;
    DataChanged(nullptr);
}

void TCustomDBCheckBoxEh::SetValueUnchecked(const String& value) {
    valueUnchecked_ = value;
    DataChanged(nullptr);
}

void TCustomDBCheckBoxEh::DataChanged(TObject*) {
    const TCheckBoxState state = link_->DataIndependent()
                                     ? CheckBoxStateOfValue(link_->DataIndependentValue())
                                     : CheckBoxStateOfField(link_->Field(), valueChecked_, valueUnchecked_);
    quiet_ = true;
    try {
        TCustomCheckBox::SetState(state);
    } catch (...) {
        quiet_ = false;
        throw;
    }
    quiet_ = false;
}

void TCustomDBCheckBoxEh::SetState(TCheckBoxState value) {
    link_->WriteFromCode([&] { TCustomCheckBox::SetState(value); }, posting_);
}

void TCustomDBCheckBoxEh::UpdateData(TObject*) {
    posting_ = true;
    try {
        if (link_->DataIndependent())
            link_->SetValue(CheckBoxStateValue(State()));
        else
            PostCheckBoxState(link_->Field(), State(), valueChecked_, valueUnchecked_);
    } catch (...) {
        posting_ = false;
        throw;
    }
    posting_ = false;
}

void TCustomDBCheckBoxEh::Toggle() {
    if (readOnly_ || !link_->Edit()) return;
    TCustomCheckBox::SetState(NextCheckBoxState(State(), AllowGrayed()));
    link_->SetModified();
}

void TCustomDBCheckBoxEh::KeyPress(wchar_t& key) {
    TCustomCheckBox::KeyPress(key);
    if (key == 27 && link_->Modified()) {
        link_->Reset();
        key = 0;
    }
}

void TCustomDBCheckBoxEh::DoExit() {
    TCustomCheckBox::DoExit();
    try {
        if (link_->DataIndependent())
            link_->UpdateDataNow();
        else
            link_->UpdateRecord();
    } catch (...) {
        SetFocus();
        throw;
    }
}

// ---- Form reader ----------------------------------------------------------------------------------

void RegisterDBCtrlsEhClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterStdCtrlsClasses();
    RegisterMaskClasses();
    RegisterGridColumnClasses();  // the edit buttons and the recently-used list
    RegisterComponentClass<TDBEditEh>();
    RegisterComponentClass<TDBComboBoxEh>();
    RegisterComponentClass<TDBCheckBoxEh>();

    RegisterProperties<TEditImageEh>()
        .Component("Images", &TEditImageEh::Images, &TEditImageEh::SetImages)
        .Int("ImageIndex", &TEditImageEh::ImageIndex, &TEditImageEh::SetImageIndex)
        .Bool("UseImageHeight", &TEditImageEh::UseImageHeight, &TEditImageEh::SetUseImageHeight)
        .Bool("Visible", &TEditImageEh::Visible, &TEditImageEh::SetVisible)
        .Int("Width", &TEditImageEh::Width, &TEditImageEh::SetWidth);

    RegisterProperties<TDropDownBoxEh>()
        .Enum("Align", &TDropDownBoxEh::Align, &TDropDownBoxEh::SetAlign, {"daLeft", "daRight", "daCenter"})
        .Bool("AutoDrop", &TDropDownBoxEh::AutoDrop, &TDropDownBoxEh::SetAutoDrop)
        .Int("Rows", &TDropDownBoxEh::Rows, &TDropDownBoxEh::SetRows)
        .Bool("Sizable", &TDropDownBoxEh::Sizable, &TDropDownBoxEh::SetSizable)
        .Int("Width", &TDropDownBoxEh::Width, &TDropDownBoxEh::SetWidth);

    // Text given to a control without a field is its value.
    RegisterProperties<TCustomDBEditEh>()
        .Enum("Alignment", &TCustomDBEditEh::Alignment, &TCustomDBEditEh::SetAlignment,
              {"taLeftJustify", "taRightJustify", "taCenter"})
        .Bool("AlwaysShowBorder", &TCustomDBEditEh::AlwaysShowBorder, &TCustomDBEditEh::SetAlwaysShowBorder)
        .Bool("AutoSize", &TCustomDBEditEh::AutoSize, &TCustomDBEditEh::SetAutoSize)
        .Str("DataField", &TCustomDBEditEh::DataField, &TCustomDBEditEh::SetDataField)
        .Component("DataSource", &TCustomDBEditEh::DataSource, &TCustomDBEditEh::SetDataSource)
        .Object("EditButton", &TCustomDBEditEh::EditButton)
        .Object("EditButtons", &TCustomDBEditEh::EditButtons)
        .Str("EditMask", &TCustomDBEditEh::EditMask, &TCustomDBEditEh::SetEditMask)
        .Bool("Flat", &TCustomDBEditEh::Flat, &TCustomDBEditEh::SetFlat)
        .Bool("HighlightRequired", &TCustomDBEditEh::HighlightRequired, &TCustomDBEditEh::SetHighlightRequired)
        .Object("Images", &TCustomDBEditEh::EditImage)
        .Object("MRUList", &TCustomDBEditEh::MRUList)
        .Bool("ReadOnly", &TCustomDBEditEh::ReadOnly, &TCustomDBEditEh::SetReadOnly)
        .Bool("WordWrap", &TCustomDBEditEh::WordWrap, &TCustomDBEditEh::SetWordWrap)
        .Str("Text", [](TCustomDBEditEh& e) { return e.Text(); },
             [](TCustomDBEditEh& e, const String& value) {
                 if (e.DataLink()->DataIndependent())
                     e.SetValue(Variant(value));
                 else
                     e.SetText(value);
             })
        .Event("OnButtonClick", &TCustomDBEditEh::OnButtonClick)
        .Event("OnButtonDown", &TCustomDBEditEh::OnButtonDown)
        .Event("OnCheckDrawRequiredState", &TCustomDBEditEh::OnCheckDrawRequiredState)
        .Event("OnGetImageIndex", &TCustomDBEditEh::OnGetImageIndex)
        .Event("OnUpdateData", &TCustomDBEditEh::OnUpdateData);

    RegisterProperties<TCustomDBComboBoxEh>()
        .Object("DropDownBox", &TCustomDBComboBoxEh::DropDownBox)
        .Object("Items", [](TCustomDBComboBoxEh& c) { return c.Items(); })
        .Object("KeyItems", [](TCustomDBComboBoxEh& c) { return c.KeyItems(); })
        .Str("Text", [](TCustomDBComboBoxEh& c) { return c.Text(); },
             [](TCustomDBComboBoxEh& c, const String& value) {
                 if (c.Keyed()) {
                     // The item shown with this text, by its key.
                     const int index = ComboLocate(c.Items(), c.UsableCount(), value, false);
                     c.SetValue(index >= 0 ? Variant(c.KeyItems()->Get(index)) : Null());
                 } else if (c.DataLink()->DataIndependent()) {
                     c.SetValue(Variant(value));
                 } else {
                     c.SetText(value);
                 }
             })
        .Event("OnDropDown", &TCustomDBComboBoxEh::OnDropDown)
        .Event("OnCloseUp", &TCustomDBComboBoxEh::OnCloseUp)
        .Event("OnNotInList", &TCustomDBComboBoxEh::OnNotInList);

    RegisterProperties<TCustomDBCheckBoxEh>()
        .Bool("Checked", &TCustomDBCheckBoxEh::Checked, &TCustomDBCheckBoxEh::SetChecked)
        .Str("DataField", &TCustomDBCheckBoxEh::DataField, &TCustomDBCheckBoxEh::SetDataField)
        .Component("DataSource", &TCustomDBCheckBoxEh::DataSource, &TCustomDBCheckBoxEh::SetDataSource)
        .Bool("ReadOnly", &TCustomDBCheckBoxEh::ReadOnly, &TCustomDBCheckBoxEh::SetReadOnly)
        .Enum("State", &TCustomDBCheckBoxEh::State, &TCustomDBCheckBoxEh::SetState,
              {"cbUnchecked", "cbChecked", "cbGrayed"})
        .Str("ValueChecked", &TCustomDBCheckBoxEh::ValueChecked, &TCustomDBCheckBoxEh::SetValueChecked)
        .Str("ValueUnchecked", &TCustomDBCheckBoxEh::ValueUnchecked, &TCustomDBCheckBoxEh::SetValueUnchecked);
}
