// Window-free tools of the edit controls: edit buttons, special row, recently-used list, field
// value list, drop-down placement and helpers.
#include "ToolCtrlsEh.h"

#include "Encoding.h"

#include <algorithm>
#include <cmath>

TEditButtonDrawKindEh EditButtonDrawKind(TEditButtonStyleEh style) {
    switch (style) {
    case ebsDropDownEh: return bdkDropDown;
    case ebsEllipsisEh: return bdkEllipsis;
    case ebsGlyphEh: return bdkUpDown;  // never drawn by the face painter
    case ebsUpDownEh: return bdkUpDown;
    case ebsPlusEh: return bdkPlus;
    case ebsMinusEh: return bdkMinus;
    }
    return bdkDropDown;
}

// ---- TEditButtonEh --------------------------------------------------------------------------------

TEditButtonEh::TEditButtonEh(TCollection* collection) : TCollectionItem(collection) {}

TEditButtonEh::TEditButtonEh(TComponent* editControl, bool visible) : TEditButtonEh(static_cast<TCollection*>(nullptr)) {
    editControl_ = editControl;
    visible_ = visible;
}

TEditButtonEh::~TEditButtonEh() = default;

void TEditButtonEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TEditButtonEh*>(source);
    if (!other) return inherited::Assign(source);
    dropdownMenu_ = other->dropdownMenu_;
    hint_ = other->hint_;
    numGlyphs_ = other->numGlyphs_;
    shortCut_ = other->shortCut_;
    style_ = other->style_;
    visible_ = other->visible_;
    width_ = other->width_;
    OnClick = other->OnClick;
    OnDown = other->OnDown;
    NotifyChange();
}

void TEditButtonEh::NotifyChange() {
    if (OnChange)
        OnChange(this);
    else if (Collection())
        Changed(false);
}

void TEditButtonEh::SetDropdownMenu(TComponent* menu) {
    if (menu == dropdownMenu_) return;
    dropdownMenu_ = menu;
    NotifyChange();
}

void TEditButtonEh::SetHint(const String& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    NotifyChange();
}

void TEditButtonEh::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, 4);
    if (value == numGlyphs_) return;
    numGlyphs_ = value;
    NotifyChange();
}

void TEditButtonEh::SetShortCut(TShortCut value) {
    if (value == shortCut_) return;
    shortCut_ = value;
    NotifyChange();
}

void TEditButtonEh::SetStyle(TEditButtonStyleEh value) {
    if (value == style_) return;
    style_ = value;
    NotifyChange();
}

void TEditButtonEh::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    NotifyChange();
}

void TEditButtonEh::SetWidth(int value) {
    if (value == width_) return;
    width_ = value;
    NotifyChange();
}

TVisibleEditButtonEh::TVisibleEditButtonEh(TCollection* collection) : TEditButtonEh(collection) {
    SetDefaults(true, kShortCutAltDown);
}

TVisibleEditButtonEh::TVisibleEditButtonEh(TComponent* editControl) : TEditButtonEh(editControl, true) {
    SetDefaults(true, kShortCutAltDown);
}

TEditButtonsEh::TEditButtonsEh(TPersistent* owner, const TCollectionItemClass& itemClass)
    : TCollection(itemClass), owner_(owner) {}

void TEditButtonsEh::Update(TCollectionItem* item) {
    TCollection::Update(item);
    changedItem_ = static_cast<TEditButtonEh*>(item);
    if (OnItemChanged) OnItemChanged(this);
    changedItem_ = nullptr;
}

// ---- TSpecRowEh -----------------------------------------------------------------------------------

std::vector<String> ParseSpecRowCells(const String& text) {
    std::vector<String> cells;
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto isControl = [&](std::size_t k) { return static_cast<unsigned char>(text[k]) < 0x20; };
    while (i < n && isControl(i)) ++i;
    while (i < n) {
        String cell;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        cell += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell += text[i++];
            }
            // Anything up to the separator after a quoted cell is ignored.
            while (i < n && text[i] != ';' && !isControl(i)) ++i;
        } else {
            while (i < n && text[i] != ';' && !isControl(i)) cell += text[i++];
        }
        cells.push_back(cell);
        while (i < n && isControl(i)) ++i;
        if (i < n && text[i] == ';') {
            ++i;
            while (i < n && isControl(i)) ++i;
        }
    }
    return cells;
}

String JoinSpecRowCells(const std::vector<String>& cells) {
    String text;
    for (std::size_t k = 0; k < cells.size(); ++k) {
        if (k > 0) text += ';';
        const String& cell = cells[k];
        const bool quoted = std::any_of(cell.begin(), cell.end(), [](char c) {
            return c == ';' || c == '"' || static_cast<unsigned char>(c) < 0x20;
        });
        if (!quoted) {
            text += cell;
            continue;
        }
        text += '"';
        for (char c : cell) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

TSpecRowEh::TSpecRowEh(TPersistent* owner) : owner_(owner), font_(NewFont()) {
    font_->OnChange = Event<&TSpecRowEh::FontChanged>(this);
}

TSpecRowEh::~TSpecRowEh() = default;

void TSpecRowEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TSpecRowEh*>(source);
    if (!other) return inherited::Assign(source);
    BeginUpdate();
    SetCellsText(other->cellsText_);
    if (other->colorAssigned_) SetColor(other->color_);
    if (other->fontAssigned_) SetFont(other->font_.get());
    SetShortCut(other->shortCut_);
    SetShowIfNotInKeyList(other->showIfNotInKeyList_);
    SetValue(other->value_);
    SetVisible(other->visible_);
    EndUpdate();
}

void TSpecRowEh::Changed() {
    if (updateCount_ == 0 && OnChanged) OnChanged(this);
}

void TSpecRowEh::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    Changed();
}

void TSpecRowEh::SetCellsText(const String& value) {
    if (value == cellsText_) return;
    cellsText_ = value;
    cells_ = ParseSpecRowCells(value);
    Changed();
}

String TSpecRowEh::ReadCellText(int index) const {
    if (index < 0 || index >= static_cast<int>(cells_.size())) return String();
    return cells_[static_cast<std::size_t>(index)];
}

TColor TSpecRowEh::Color() const {
    if (colorAssigned_) return color_;
    if (auto* owner = dynamic_cast<ISpecRowOwnerEh*>(owner_)) return owner->SpecRowOwnerColor();
    return color_;
}

void TSpecRowEh::SetColor(TColor value) {
    if (colorAssigned_ && value == color_) return;
    color_ = value;
    colorAssigned_ = true;
    Changed();
}

TCustomFont* TSpecRowEh::Font() {
    if (!fontAssigned_) {
        if (auto* owner = dynamic_cast<ISpecRowOwnerEh*>(owner_)) {
            TCustomFont* ownerFont = owner->SpecRowOwnerFont();
            if (ownerFont && !SameFontEh(*font_, *ownerFont)) {
                refreshingFont_ = true;
                font_->Assign(ownerFont);
                refreshingFont_ = false;
            }
        }
    }
    return font_.get();
}

void TSpecRowEh::FontChanged(TObject*) {
    if (refreshingFont_) return;
    fontAssigned_ = true;
    Changed();
}

void TSpecRowEh::SetShortCut(TShortCut value) {
    if (value == shortCut_) return;
    shortCut_ = value;
    Changed();
}

void TSpecRowEh::SetShowIfNotInKeyList(bool value) {
    if (value == showIfNotInKeyList_) return;
    showIfNotInKeyList_ = value;
    Changed();
}

void TSpecRowEh::SetValue(const Variant& value) {
    if (VariantsEqual(value, value_) && value.Type() == value_.Type()) return;
    value_ = value;
    Changed();
}

void TSpecRowEh::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    Changed();
}

// ---- TMRUListEh -----------------------------------------------------------------------------------

TMRUListEh::TMRUListEh(TPersistent* owner)
    : owner_(owner), items_(std::make_unique<TStringList>()) {}

TMRUListEh::~TMRUListEh() = default;

void TMRUListEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TMRUListEh*>(source);
    if (!other) return inherited::Assign(source);
    autoAdd_ = other->autoAdd_;
    caseSensitive_ = other->caseSensitive_;
    SetLimit(other->limit_);
    SetRows(other->rows_);
    SetItems(other->items_.get());
    SetActive(other->active_);
}

void TMRUListEh::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    if (OnActiveChanged) OnActiveChanged(this);
}

void TMRUListEh::SetItems(TStrings* value) {
    items_->Assign(value);
    ApplyLimit();
}

void TMRUListEh::SetLimit(int value) {
    limit_ = std::max(0, value);
    ApplyLimit();
}

void TMRUListEh::SetRows(int value) { rows_ = std::max(1, value); }

void TMRUListEh::ApplyLimit() {
    items_->BeginUpdate();
    while (items_->Count() > limit_) items_->Delete(0);
    items_->EndUpdate();
}

namespace {
bool SameByCase(const String& a, const String& b, bool caseSensitive) {
    return caseSensitive ? a == b : SameText(a, b);
}
}  // namespace

void TMRUListEh::Add(const String& text) {
    if (Trim(text).empty()) return;
    for (int i = 0; i < items_->Count(); ++i) {
        if (SameByCase(items_->Get(i), text, caseSensitive_)) {
            items_->Move(i, items_->Count() - 1);
            return;
        }
    }
    items_->BeginUpdate();
    items_->Add(text);
    while (items_->Count() > limit_) items_->Delete(0);
    items_->EndUpdate();
}

bool TMRUListEh::CopyMatchingItems(TStrings* list, const String& mask) {
    list->BeginUpdate();
    list->Clear();
    bool completed = true;
    for (int i = 0; i < items_->Count(); ++i) {
        if (i > 0 && i % 100 == 0 && cancelIfKeyInQueue_ && KeyPending && KeyPending()) {
            completed = false;
            break;
        }
        const String item = items_->Get(i);
        const String head = item.substr(0, std::min(item.size(), mask.size()));
        bool accept = SameByCase(head, mask, caseSensitive_) && item.size() >= mask.size();
        if (OnFilterItem) {
            filterItemText_ = item;
            OnFilterItem(this, accept);
            filterItemText_.clear();
        }
        if (accept) list->Add(item);
    }
    list->EndUpdate();
    return completed;
}

void TMRUListEh::DropDown() {
    if (OnSetDropDown) OnSetDropDown(this);
}

void TMRUListEh::CloseUp(bool accept) {
    if (OnSetCloseUp) OnSetCloseUp(this, accept);
}

// ---- Field value list -----------------------------------------------------------------------------

void TDataLinkEh::DataEvent(TDataEvent event, std::intptr_t info) {
    TDataLink::DataEvent(event, info);
    if (OnDataEvent) OnDataEvent(event, info);
}

TDatasetFieldValueListEh::TDatasetFieldValueListEh()
    : values_(std::make_unique<TStringList>()), source_(std::make_unique<TDataSource>(nullptr)),
      link_(std::make_unique<TDataLinkEh>()) {
    values_->SetSorted(true);
    values_->SetDuplicates(dupIgnore);
    link_->SetDataSource(source_.get());
    link_->OnDataEvent = [this](TDataEvent event, std::intptr_t) {
        if (event == deDataSetChange || event == dePropertyChange || event == deFieldListChange ||
            event == deUpdateState || event == deLayoutChange)
            dataObsolete_ = true;
    };
}

TDatasetFieldValueListEh::~TDatasetFieldValueListEh() {
    link_->SetDataSource(nullptr);
}

TDataSet* TDatasetFieldValueListEh::DataSet() const { return source_->DataSet(); }

void TDatasetFieldValueListEh::SetDataSet(TDataSet* value) {
    if (value == source_->DataSet()) return;
    source_->SetDataSet(value);
    dataObsolete_ = true;
}

void TDatasetFieldValueListEh::SetFieldName(const String& value) {
    if (value == fieldName_) return;
    fieldName_ = value;
    dataObsolete_ = true;
}

TStrings* TDatasetFieldValueListEh::Values() {
    if (dataObsolete_) RefreshValues();
    return values_.get();
}

void TDatasetFieldValueListEh::RefreshValues() {
    values_->Clear();
    TDataSet* ds = source_->DataSet();
    if (ds && ds->Active()) {
        TField* field = ds->FindField(fieldName_);
        if (field) {
            ds->DisableControls();
            const TBookmark mark = ds->Bookmark();
            try {
                ds->First();
                while (!ds->Eof()) {
                    values_->Add(field->Text());
                    ds->Next();
                }
                if (!mark.empty() && ds->BookmarkValid(mark)) ds->GotoBookmark(mark);
            } catch (...) {
                if (!mark.empty() && ds->BookmarkValid(mark)) ds->GotoBookmark(mark);
                ds->EnableControls();
                throw;
            }
            ds->EnableControls();
        }
    }
    dataObsolete_ = false;
}

// ---- Placement and helpers ------------------------------------------------------------------------

TDropDownPlacementEh CalcDropDownPlacement(const TRect& r, const TRect& w, int width, int height,
                                           TDropDownAlign align, int minHeight) {
    TDropDownPlacementEh p;
    p.Width = width;
    p.Height = height;
    const int h = height;
    const bool above = (w.Bottom < r.Bottom + h && r.Top - h >= w.Top) ||
                       (r.Top - h < w.Top && w.Bottom - r.Bottom < r.Top - w.Top);
    if (above) {
        if (r.Top - h < w.Top) p.Height = r.Top - w.Top;
        p.Height = std::max(p.Height, minHeight);
        p.Pos.Y = r.Top - p.Height;
        p.SideRequest = 2;
    } else {
        if (w.Bottom < r.Bottom + h) p.Height = w.Bottom - r.Bottom;
        p.Height = std::max(p.Height, minHeight);
        p.Pos.Y = r.Bottom;
        p.SideRequest = 3;
    }
    int x = r.Left;
    if (align == daRight)
        x = r.Right - p.Width;
    else if (align == daCenter)
        x -= (p.Width + r.Left - r.Right) / 2;
    if (w.Right - w.Left < p.Width) p.Width = w.Right - w.Left;
    if (x + p.Width > w.Right) {
        x = w.Right - p.Width;
        p.GripRequest = 0;
    } else if (x < w.Left) {
        x = w.Left;
        p.GripRequest = 1;
    } else {
        p.GripRequest = align == daRight ? 0 : 1;
    }
    p.Pos.X = x;
    return p;
}

int StandardEditButtonHeight(int width, bool flat) {
    return flat ? static_cast<int>(std::nearbyint(width * 3.0 / 2.0)) : width;  // half to even
}

TRect FitCheckBoxInCell(const TRect& cell, TSize check, TAlignment alignment, TTextLayout layout) {
    TRect r = cell;
    if (cell.Width() > check.cx) {
        switch (alignment) {
        case taLeftJustify: r.Left = cell.Left; break;
        case taRightJustify: r.Left = cell.Right - check.cx; break;
        case taCenter: r.Left = cell.Left + cell.Width() / 2 - check.cx / 2; break;
        }
        r.Right = r.Left + check.cx;
    }
    if (cell.Height() > check.cy) {
        switch (layout) {
        case tlTop: r.Top = cell.Top; break;
        case tlCenter: r.Top = cell.Top + cell.Height() / 2 - check.cy / 2; break;
        case tlBottom: r.Top = cell.Bottom - check.cy; break;
        }
        r.Bottom = r.Top + check.cy;
    }
    return r;
}

int ListBoxRowsForHeight(int height, int borderHeight, int itemHeight) {
    if (itemHeight <= 0) return 1;
    return std::max(1, (height - borderHeight) / itemHeight);
}

int ListBoxHeightForRows(int rows, int borderHeight, int itemHeight) {
    return borderHeight + std::max(1, rows) * itemHeight;
}

bool TIncrementalSearchEh::KeyTyped(char32_t ch, std::uint32_t tick) {
    if (ch == kCharBackspace || ch == kCharEscape) {
        const bool had = !text_.empty();
        text_.clear();
        lastTick_ = tick;
        return had;
    }
    if (ch < 0x20) return false;
    if (tick - lastTick_ > 2000) text_.clear();
    lastTick_ = tick;
    if (Utf8Length(text_) < 32) {
        const WideString one = ch > 0xFFFF
                                   ? WideString{static_cast<char16_t>(0xD800 + ((ch - 0x10000) >> 10)),
                                                static_cast<char16_t>(0xDC00 + ((ch - 0x10000) & 0x3FF))}
                                   : WideString(1, static_cast<char16_t>(ch));
        text_ += Utf16ToUtf8(one);
    }
    return true;
}

int FindItemStartingWith(const TStrings* items, const String& text) {
    if (!items || text.empty()) return -1;
    for (int i = 0; i < items->Count(); ++i) {
        const String item = items->Get(i);
        if (item.size() >= text.size() && SameText(item.substr(0, text.size()), text)) return i;
    }
    return -1;
}

bool VariantsEqual(const Variant& a, const Variant& b) {
    if (a.IsArray() != b.IsArray()) return false;
    try {
        if (a.IsArray()) {
            const auto& ea = a.AsArray();
            const auto& eb = b.AsArray();
            if (ea.size() != eb.size()) return false;
            for (std::size_t i = 0; i < ea.size(); ++i)
                if (!VariantsEqual(ea[i], eb[i])) return false;
            return true;
        }
        if (a.IsEmpty() || b.IsEmpty()) return a.IsEmpty() && b.IsEmpty();
        // Null equals only Null.
        if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
        return a == b;
    } catch (const Exception&) {
        return false;
    }
}

std::vector<TField*> GetFieldsProperty(TDataSet* dataSet, TComponent* component, const String& fieldNames) {
    std::vector<TField*> fields;
    std::size_t start = 0;
    while (start <= fieldNames.size()) {
        std::size_t end = fieldNames.find(';', start);
        if (end == String::npos) end = fieldNames.size();
        const String name = Trim(fieldNames.substr(start, end - start));
        if (!name.empty()) {
            TField* field = dataSet ? dataSet->FindField(name) : nullptr;
            if (!field) DatabaseError("Field '" + name + "' not found", component);
            fields.push_back(field);
        }
        start = end + 1;
    }
    return fields;
}

void SetFieldsValue(const std::vector<TField*>& fields, const Variant& value) {
    if (fields.size() == 1) {
        fields[0]->SetAsVariant(value);
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (value.IsNull() || value.IsEmpty())
            fields[i]->Clear();
        else
            fields[i]->SetAsVariant(value[i]);
    }
}

Variant GetFieldsValue(const std::vector<TField*>& fields) {
    if (fields.size() == 1) return fields[0]->AsVariant();
    std::vector<Variant> values;
    for (TField* f : fields) values.push_back(f->AsVariant());
    return VarArrayOf(std::move(values));
}
