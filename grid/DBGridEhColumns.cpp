// The column family of the data grid: defaults, titles with sort markers, footers, columns and
// their collection.
#include "DBGridEhColumns.h"

#include "DBGridEhCore.h"
#include "Encoding.h"
#include "FormReader.h"
#include "FormatSettings.h"
#include "TypeRegistry.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsStringLikeType(TFieldType type) {
    return type == ftString || type == ftMemo || type == ftFmtMemo || type == ftWideString;
}

bool IsNumericType(TFieldType type) {
    switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd:
        return true;
    default:
        return false;
    }
}

bool IsIntegerType(TFieldType type) {
    switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint:
        return true;
    default:
        return false;
    }
}

// A key-list line: several values separated by ';'.
bool KeyLineMatches(const String& line, const String& text) {
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(';', start);
        if (end == String::npos) end = line.size();
        if (SameText(line.substr(start, end - start), text)) return true;
        start = end + 1;
    }
    return false;
}

String FirstKeyValue(const String& line) {
    const std::size_t end = line.find(';');
    return end == String::npos ? line : line.substr(0, end);
}

}  // namespace

// ---- TColCellParamsEh -----------------------------------------------------------------------------

TColCellParamsEh::TColCellParamsEh() : font_(NewFont()) {}
TColCellParamsEh::~TColCellParamsEh() = default;

// ---- Defaults -------------------------------------------------------------------------------------

void TColumnTitleDefValuesEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TColumnTitleDefValuesEh*>(source);
    if (!other) return inherited::Assign(source);
    if (other->alignmentAssigned_) SetAlignment(other->alignment_);
    if (other->colorAssigned_) SetColor(other->color_);
    SetEndEllipsis(other->endEllipsis_);
    titleButton_ = other->titleButton_;
    toolTips_ = other->toolTips_;
    SetOrientation(other->orientation_);
}

TAlignment TColumnTitleDefValuesEh::Alignment() const {
    if (alignmentAssigned_) return alignment_;
    return grid_ && grid_->UseMultiTitle() ? taCenter : taLeftJustify;
}

void TColumnTitleDefValuesEh::SetAlignment(TAlignment value) {
    if (alignmentAssigned_ && value == alignment_) return;
    alignment_ = value;
    alignmentAssigned_ = true;
    if (grid_) grid_->RelayoutColumns();
}

TColor TColumnTitleDefValuesEh::Color() const {
    if (colorAssigned_) return color_;
    return grid_ ? grid_->Host().GridFixedColor() : clBtnFace;
}

void TColumnTitleDefValuesEh::SetColor(TColor value) {
    if (colorAssigned_ && value == color_) return;
    color_ = value;
    colorAssigned_ = true;
    if (grid_) grid_->Host().InvalidateGrid();
}

void TColumnTitleDefValuesEh::SetEndEllipsis(bool value) {
    if (value == endEllipsis_) return;
    endEllipsis_ = value;
    if (grid_) grid_->Host().InvalidateGrid();
}

void TColumnTitleDefValuesEh::SetOrientation(TTextOrientationEh value) {
    if (value == orientation_) return;
    orientation_ = value;
    if (grid_) grid_->RelayoutColumns();
}

void TColumnFooterDefValuesEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TColumnFooterDefValuesEh*>(source);
    if (!other) return inherited::Assign(source);
    toolTips_ = other->toolTips_;
}

TColumnDefValuesEh::TColumnDefValuesEh(TDBGridEhCore* grid)
    : grid_(grid), title_(std::make_unique<TColumnTitleDefValuesEh>(grid)),
      footer_(std::make_unique<TColumnFooterDefValuesEh>()) {}

TColumnDefValuesEh::~TColumnDefValuesEh() = default;

void TColumnDefValuesEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TColumnDefValuesEh*>(source);
    if (!other) return inherited::Assign(source);
    title_->Assign(other->title_.get());
    SetAlwaysShowEditButton(other->alwaysShowEditButton_);
    SetEndEllipsis(other->endEllipsis_);
    autoDropDown_ = other->autoDropDown_;
    dblClickNextVal_ = other->dblClickNextVal_;
    toolTips_ = other->toolTips_;
    dropDownSizing_ = other->dropDownSizing_;
    dropDownShowTitles_ = other->dropDownShowTitles_;
}

void TColumnDefValuesEh::SetAlwaysShowEditButton(bool value) {
    if (value == alwaysShowEditButton_) return;
    alwaysShowEditButton_ = value;
    if (grid_) grid_->Host().InvalidateGrid();
}

void TColumnDefValuesEh::SetEndEllipsis(bool value) {
    if (value == endEllipsis_) return;
    endEllipsis_ = value;
    if (grid_) grid_->Host().InvalidateGrid();
}

void TColumnDefValuesEh::SetHighlightRequired(bool value) {
    if (value == highlightRequired_) return;
    highlightRequired_ = value;
    if (grid_) grid_->Host().InvalidateGrid();
}

void TColumnDefValuesEh::SetLayout(TTextLayout value) {
    if (value == layout_) return;
    layout_ = value;
    if (grid_) grid_->Host().InvalidateGrid();
}

// ---- TColumnTitleEh -------------------------------------------------------------------------------

TColumnTitleEh::TColumnTitleEh(TColumnEh* column) : column_(column), font_(NewFont()) {
    RefreshDefaultFont();
    font_->OnChange = Event<&TColumnTitleEh::FontChanged>(this);
}

TColumnTitleEh::~TColumnTitleEh() = default;

TDBGridEhCore* TColumnTitleEh::Grid() const { return column_ ? column_->Grid() : nullptr; }

TColumnDefValuesEh* TColumnTitleEh::DefValues() const {
    TDBGridEhCore* grid = Grid();
    return grid ? grid->ColumnDefValues() : nullptr;
}

void TColumnTitleEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TColumnTitleEh*>(source);
    if (!other) return inherited::Assign(source);
    const TColumnEh* from = other->column_;
    if (from && from->Has(cvTitleAlignment)) SetAlignment(other->alignment_);
    if (from && from->Has(cvTitleColor)) SetColor(other->color_);
    if (from && from->Has(cvTitleCaption)) SetCaption(other->caption_);
    if (from && from->Has(cvTitleFont)) SetFont(other->font_.get());
    hint_ = other->hint_;
    SetImageIndex(other->imageIndex_);
    if (from && from->Has(cvTitleOrientation)) SetOrientation(other->orientation_);
    SetSortIndex(other->sortIndex_);
    SetSortMarker(other->sortMarker_);
    if (from && from->Has(cvTitleButton)) SetTitleButton(other->titleButton_);
    if (from && from->Has(cvTitleEndEllipsis)) SetEndEllipsis(other->endEllipsis_);
    if (from && from->Has(cvTitleToolTips)) SetToolTips(other->toolTips_);
}

TAlignment TColumnTitleEh::Alignment() const {
    if (column_->Has(cvTitleAlignment)) return alignment_;
    TColumnDefValuesEh* dv = DefValues();
    return dv ? dv->Title()->Alignment() : taLeftJustify;
}

void TColumnTitleEh::SetAlignment(TAlignment value) {
    if (column_->Has(cvTitleAlignment) && value == alignment_) return;
    alignment_ = value;
    column_->Mark(cvTitleAlignment);
    column_->Changed(false);
}

String TColumnTitleEh::Caption() const {
    if (column_->Has(cvTitleCaption)) return caption_;
    if (TField* field = column_->Field()) return field->DisplayName();
    return column_->FieldName();
}

void TColumnTitleEh::SetCaption(const String& value) {
    TDBGridEhCore* grid = Grid();
    TField* field = column_->Field();
    if (!column_->Stored() && grid && grid->DataLink()->Active() && field) {
        field->SetDisplayLabel(value);
        column_->Changed(false);
        return;
    }
    if (column_->Has(cvTitleCaption) && value == caption_) return;
    caption_ = value;
    column_->Mark(cvTitleCaption);
    column_->Changed(false);
}

bool TColumnTitleEh::IsCaptionStored() const {
    if (!column_->Has(cvTitleCaption)) return false;
    if (TField* field = column_->Field()) return caption_ != field->DisplayName();
    return caption_ != column_->FieldName();
}

TColor TColumnTitleEh::Color() const {
    if (column_->Has(cvTitleColor)) return color_;
    TColumnDefValuesEh* dv = DefValues();
    return dv ? dv->Title()->Color() : clBtnFace;
}

void TColumnTitleEh::SetColor(TColor value) {
    if (column_->Has(cvTitleColor) && value == color_) return;
    color_ = value;
    column_->Mark(cvTitleColor);
    column_->Changed(false);
}

bool TColumnTitleEh::EndEllipsis() const {
    if (column_->Has(cvTitleEndEllipsis)) return endEllipsis_;
    TColumnDefValuesEh* dv = DefValues();
    return dv ? dv->Title()->EndEllipsis() : false;
}

void TColumnTitleEh::SetEndEllipsis(bool value) {
    if (column_->Has(cvTitleEndEllipsis) && value == endEllipsis_) return;
    endEllipsis_ = value;
    column_->Mark(cvTitleEndEllipsis);
    column_->Changed(false);
}

void TColumnTitleEh::RefreshDefaultFont() const {
    if (column_ && column_->Has(cvTitleFont)) return;
    TDBGridEhCore* grid = Grid();
    const TCustomFont* def = grid ? grid->TitleFont() : (column_ && column_->font_ ? column_->Font() : nullptr);
    if (!def || SameFontEh(*font_, *def)) return;
    refreshingFont_ = true;
    font_->Assign(const_cast<TCustomFont*>(def));
    refreshingFont_ = false;
}

TCustomFont* TColumnTitleEh::Font() const {
    RefreshDefaultFont();
    return font_.get();
}

void TColumnTitleEh::FontChanged(TObject*) {
    if (refreshingFont_) return;
    column_->Mark(cvTitleFont);
    column_->Changed(true);
}

void TColumnTitleEh::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    if (TDBGridEhCore* grid = Grid()) grid->RelayoutColumns();
}

TTextOrientationEh TColumnTitleEh::Orientation() const {
    if (column_->Has(cvTitleOrientation)) return orientation_;
    TColumnDefValuesEh* dv = DefValues();
    return dv ? dv->Title()->Orientation() : tohHorizontal;
}

void TColumnTitleEh::SetOrientation(TTextOrientationEh value) {
    if (column_->Has(cvTitleOrientation) && value == orientation_) return;
    orientation_ = value;
    column_->Mark(cvTitleOrientation);
    column_->Changed(false);
}

bool TColumnTitleEh::TitleButton() const {
    if (column_->Has(cvTitleButton)) return titleButton_;
    TColumnDefValuesEh* dv = DefValues();
    return dv ? dv->Title()->TitleButton() : false;
}

void TColumnTitleEh::SetTitleButton(bool value) {
    if (column_->Has(cvTitleButton) && value == titleButton_) return;
    titleButton_ = value;
    column_->Mark(cvTitleButton);
    column_->Changed(false);
}

bool TColumnTitleEh::ToolTips() const {
    if (column_->Has(cvTitleToolTips)) return toolTips_;
    TColumnDefValuesEh* dv = DefValues();
    return dv ? dv->Title()->ToolTips() : false;
}

void TColumnTitleEh::SetToolTips(bool value) {
    if (!column_->Has(cvTitleToolTips) || value != toolTips_) {
        toolTips_ = value;
        column_->Mark(cvTitleToolTips);
    }
}

void TColumnTitleEh::ResetToDefaults() {
    const bool fontAssigned = column_->Has(cvTitleFont);
    for (TColumnEhAssignedValue v : {cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont, cvTitleButton,
                                     cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation})
        column_->assigned_.Exclude(v);
    caption_.clear();
    RefreshDefaultFont();
    column_->Changed(fontAssigned);
}

// Sort markers.

void TColumnTitleEh::ChangeSortMarker(TSortMarkerEh value) {
    if (value == sortMarker_) return;
    sortMarker_ = value;
    TDBGridColumnsEh* columns = column_->Columns();
    TDBGridEhCore* grid = Grid();
    if (!columns || !grid) {
        column_->Changed(false);
        return;
    }
    if (columns->UpdateCount() > 0) return;
    TColumnsEhList* list = grid->SortMarkedColumnList();
    if (grid->OptionsEh().Contains(dghMultiSortMarking)) {
        if (value != smNoneEh && sortIndex_ == 0) {
            int marked = 0;
            for (int i = 0; i < columns->Count(); ++i)
                if (columns->ColumnAt(i)->Title()->sortIndex_ != 0) ++marked;
            sortIndex_ = marked + 1;
            list->Add(column_);
        } else if (value == smNoneEh && sortIndex_ != 0) {
            for (int i = 0; i < columns->Count(); ++i) {
                TColumnTitleEh* other = columns->ColumnAt(i)->Title();
                if (other != this && other->sortIndex_ > sortIndex_) --other->sortIndex_;
            }
            list->Remove(column_);
            sortIndex_ = 0;
        }
    } else {
        if (value != smNoneEh) {
            for (int i = 0; i < columns->Count(); ++i) {
                TColumnTitleEh* other = columns->ColumnAt(i)->Title();
                if (other != this && other->sortMarker_ != smNoneEh) other->ChangeSortMarker(smNoneEh);
            }
            sortIndex_ = 1;
            list->Clear();
            list->Add(column_);
        } else {
            sortIndex_ = 0;
            list->Clear();
        }
    }
    column_->Changed(false);
}

void TColumnTitleEh::ChangeSortIndex(int value) {
    if (value < 0) value = 0;
    if (value == sortIndex_) return;
    TDBGridColumnsEh* columns = column_->Columns();
    TDBGridEhCore* grid = Grid();
    if (!columns || !grid || columns->UpdateCount() > 0) {
        sortIndex_ = value;
        return;
    }
    if (sortMarker_ == smNoneEh || value == 0) return;
    TColumnEh* holder = nullptr;
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* c = columns->ColumnAt(i);
        if (c != column_ && c->Title()->sortIndex_ == value) {
            holder = c;
            break;
        }
    }
    if (!holder) return;
    holder->Title()->sortIndex_ = sortIndex_;
    sortIndex_ = value;
    TColumnsEhList* list = grid->SortMarkedColumnList();
    const int mine = list->IndexOf(column_);
    const int theirs = list->IndexOf(holder);
    if (mine >= 0 && theirs >= 0) list->Exchange(mine, theirs);
    column_->Changed(false);
}

void TColumnTitleEh::ToggleSortMarker(bool ctrlHeld) {
    if (!ctrlHeld) {
        if (TDBGridColumnsEh* columns = column_->Columns())
            for (int i = 0; i < columns->Count(); ++i) {
                TColumnTitleEh* other = columns->ColumnAt(i)->Title();
                if (other != this && other->sortMarker_ != smNoneEh) other->ChangeSortMarker(smNoneEh);
            }
    }
    switch (sortMarker_) {
    case smNoneEh: ChangeSortMarker(smDownEh); break;
    case smDownEh: ChangeSortMarker(smUpEh); break;
    case smUpEh: ChangeSortMarker(ctrlHeld ? smNoneEh : smDownEh); break;
    }
}

int TColumnTitleEh::SortAreaWidth(int columnWidth, int digitsWidth) const {
    if (sortIndex_ == 0) return 0;
    int wanted = 16;
    TDBGridEhCore* grid = Grid();
    if (grid && grid->SortMarkedColumnList()->Count() >= 2) wanted += digitsWidth;
    if (wanted <= columnWidth - 4) return wanted;
    if (wanted - 14 <= columnWidth - 4) return wanted - 14;
    return 0;
}

// ---- Footers --------------------------------------------------------------------------------------

TColumnFooterEh::TColumnFooterEh(TCollection* collection) : TCollectionItem(collection) {
    if (auto* footers = dynamic_cast<TColumnFootersEh*>(collection)) column_ = footers->Column();
    Init();
}

TColumnFooterEh::TColumnFooterEh(TColumnEh* column) : TCollectionItem(nullptr), column_(column) { Init(); }

void TColumnFooterEh::Init() {
    font_ = NewFont();
    RefreshDefaultFont();
    font_->OnChange = Event<&TColumnFooterEh::FontChanged>(this);
}

TColumnFooterEh::~TColumnFooterEh() {
    // The aggregate item goes with its footer.
    if (column_)
        if (TDBGridEhCore* grid = column_->Grid()) {
            grid->ReleaseFooterSum(this);
            grid->Host().FooterDestroying(this);
        }
}

void TColumnFooterEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TColumnFooterEh*>(source);
    if (!other) return inherited::Assign(source);
    if (other->alignmentAssigned_) SetAlignment(other->alignment_);
    if (other->colorAssigned_) SetColor(other->color_);
    if (other->fontAssigned_) SetFont(other->font_.get());
    if (other->toolTipsAssigned_) SetToolTips(other->toolTips_);
    SetDisplayFormat(other->displayFormat_);
    SetEndEllipsis(other->endEllipsis_);
    SetFieldName(other->fieldName_);
    SetValue(other->value_);
    SetValueType(other->valueType_);
    SetWordWrap(other->wordWrap_);
}

void TColumnFooterEh::ColumnChanged(bool allItems) {
    if (column_) column_->Changed(allItems);
}

TAlignment TColumnFooterEh::Alignment() const {
    if (alignmentAssigned_) return alignment_;
    if (column_)
        if (TField* field = column_->Field()) return field->Alignment();
    return taLeftJustify;
}

void TColumnFooterEh::SetAlignment(TAlignment value) {
    if (alignmentAssigned_ && value == alignment_) return;
    alignment_ = value;
    alignmentAssigned_ = true;
    ColumnChanged(false);
}

TColor TColumnFooterEh::Color() const {
    if (colorAssigned_) return color_;
    TDBGridEhCore* grid = column_ ? column_->Grid() : nullptr;
    return grid ? grid->FooterColor() : clWindow;
}

void TColumnFooterEh::SetColor(TColor value) {
    if (colorAssigned_ && value == color_) return;
    color_ = value;
    colorAssigned_ = true;
    ColumnChanged(false);
}

void TColumnFooterEh::SetDisplayFormat(const String& value) {
    if (value == displayFormat_) return;
    displayFormat_ = value;
    ColumnChanged(false);
}

void TColumnFooterEh::SetEndEllipsis(bool value) {
    if (value == endEllipsis_) return;
    endEllipsis_ = value;
    ColumnChanged(false);
}

void TColumnFooterEh::SetFieldName(const String& value) {
    if (value == fieldName_) return;
    fieldName_ = value;
    if (column_) column_->EnsureFooterSum();
    ColumnChanged(false);
}

void TColumnFooterEh::RefreshDefaultFont() const {
    if (fontAssigned_) return;
    TDBGridEhCore* grid = column_ ? column_->Grid() : nullptr;
    const TCustomFont* def = grid ? grid->FooterFont() : (column_ && column_->font_ ? column_->Font() : nullptr);
    if (!def || SameFontEh(*font_, *def)) return;
    refreshingFont_ = true;
    font_->Assign(const_cast<TCustomFont*>(def));
    refreshingFont_ = false;
}

TCustomFont* TColumnFooterEh::Font() const {
    RefreshDefaultFont();
    return font_.get();
}

void TColumnFooterEh::FontChanged(TObject*) {
    if (refreshingFont_) return;
    fontAssigned_ = true;
    ColumnChanged(true);
}

bool TColumnFooterEh::ToolTips() const {
    if (toolTipsAssigned_) return toolTips_;
    TDBGridEhCore* grid = column_ ? column_->Grid() : nullptr;
    return grid ? grid->ColumnDefValues()->Footer()->ToolTips() : false;
}

void TColumnFooterEh::SetToolTips(bool value) {
    if (!toolTipsAssigned_ || value != toolTips_) {
        toolTips_ = value;
        toolTipsAssigned_ = true;
    }
}

void TColumnFooterEh::SetValue(const String& value) {
    if (value == value_) return;
    value_ = value;
    ColumnChanged(false);
}

void TColumnFooterEh::SetValueType(TFooterValueType value) {
    if (value == valueType_) return;
    valueType_ = value;
    if (column_) column_->EnsureFooterSum();
    ColumnChanged(false);
}

void TColumnFooterEh::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    ColumnChanged(false);
}

void TColumnFooterEh::ResetToDefaults() {
    const bool fontWas = fontAssigned_;
    alignmentAssigned_ = colorAssigned_ = fontAssigned_ = toolTipsAssigned_ = false;
    RefreshDefaultFont();
    ColumnChanged(fontWas);
}

TColumnFootersEh::TColumnFootersEh(TColumnEh* column)
    : TCollection(TCollectionItemClass::Of<TColumnFooterEh>()), column_(column) {}

TPersistent* TColumnFootersEh::GetOwner() const { return column_; }

void TColumnFootersEh::Update(TCollectionItem*) {
    if (column_) {
        column_->EnsureFooterSum();
        column_->ColumnChanged(false);
    }
}

// ---- TColumnEh ------------------------------------------------------------------------------------

TColumnEh::TColumnEh(TCollection* collection) : TCollectionItem(collection) {
    if (TDBGridEhCore* grid = Grid()) grid->BeginLayout();
}

TColumnEh::~TColumnEh() {
    TDBGridEhCore* grid = Grid();
    if (!constructed_ && grid) grid->EndLayout();  // construction failed half way
    if (grid) grid->ColumnDestroying(this);
    if (grid && title_) {
        // Leaves the sort order without a gap: the columns after it move up.
        TColumnsEhList* list = grid->SortMarkedColumnList();
        if (list->IndexOf(this) >= 0) {
            list->Remove(this);
            const int mine = title_->sortIndex_;
            if (mine > 0 && Columns())
                for (int i = 0; i < Columns()->Count(); ++i) {
                    TColumnEh* c = Columns()->ColumnAt(i);
                    if (c != this && c->title_ && c->title_->sortIndex_ > mine) --c->title_->sortIndex_;
                }
        }
    }
    // Footers tell the grid while the column still answers Grid().
    footers_.reset();
    footer_.reset();
}

void TColumnEh::AfterConstruction() {
    font_ = NewFont();
    RefreshDefaultFont();
    font_->OnChange = Event<&TColumnEh::FontChanged>(this);
    if (TDBGridEhCore* grid = Grid()) imeName_ = grid->GridImeName();
    MakeTitle();
    MakeFooter();
    MakeFooters();
    autoFitBaseWidth_ = Width();
    CreateEditButtons();
    specRow_ = std::make_unique<TSpecRowEh>(this);
    specRow_->OnChanged = Event<&TColumnEh::DropDownSpecRowChanged>(this);
    mruList_ = std::make_unique<TMRUListEh>(this);
    dropDownBox_ = std::make_unique<TColumnDropDownBoxEh>(this);
    constructed_ = true;
    TCollectionItem::AfterConstruction();
    if (TDBGridEhCore* grid = Grid()) grid->EndLayout();
}

void TColumnEh::MakeTitle() { title_ = std::make_unique<TColumnTitleEh>(this); }
void TColumnEh::MakeFooter() { footer_ = std::make_unique<TColumnFooterEh>(this); }
void TColumnEh::MakeFooters() { footers_ = std::make_unique<TColumnFootersEh>(this); }

void TColumnEh::CreateEditButtons() {
    editButtons_ = std::make_unique<TEditButtonsEh>(this, TCollectionItemClass::Of<TVisibleEditButtonEh>());
    editButtons_->OnItemChanged = Event<&TColumnEh::EditButtonsChanged>(this);
}

void TColumnEh::EditButtonsChanged(TObject*) { Changed(false); }

void TColumnEh::DropDownSpecRowChanged(TObject*) { Changed(false); }

TDBGridColumnsEh* TColumnEh::Columns() const { return dynamic_cast<TDBGridColumnsEh*>(Collection()); }

TDBGridEhCore* TColumnEh::Grid() const {
    TDBGridColumnsEh* columns = Columns();
    return columns ? columns->Grid() : nullptr;
}

String TColumnEh::GetDisplayName() const {
    return fieldName_.empty() ? TCollectionItem::GetDisplayName() : fieldName_;
}

void TColumnEh::SetIndex(int index) {
    TDBGridEhCore* grid = Grid();
    if (!stored_ && grid && grid->DataLink()->Active()) {
        TField* mine = Field();
        TField* target = grid->DataLink()->MappedField(index);
        if (mine && target) mine->SetIndex(target->Index());
    }
    TCollectionItem::SetIndex(index);
}

// Field binding.

TSTColumnFilterEh* TColumnEh::STFilter() const {
    if (!stFilter_) stFilter_ = std::make_unique<TSTColumnFilterEh>(const_cast<TColumnEh*>(this));
    return stFilter_.get();
}

void TColumnEh::SetSTFilter(TSTColumnFilterEh* value) { STFilter()->Assign(value); }

// ---- TSTColumnFilterEh ------------------------------------------------------------------------------

TSTColumnFilterEh::TSTColumnFilterEh(TColumnEh* column) : column_(column), listLink_(std::make_unique<TDataLink>()) {}

TSTColumnFilterEh::~TSTColumnFilterEh() = default;

void TSTColumnFilterEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TSTColumnFilterEh*>(source);
    if (!other) return inherited::Assign(source);
    DataField = other->DataField;
    SetVisible(other->visible_);
    KeyField = other->KeyField;
    ListField = other->ListField;
    SetListSource(other->ListSource());
}

TDataSource* TSTColumnFilterEh::ListSource() const { return listLink_->DataSource(); }

void TSTColumnFilterEh::SetListSource(TDataSource* value) {
    if (value == ListSource()) return;
    listLink_->SetDataSource(value);
    column_->ColumnChanged(false);
}

void TSTColumnFilterEh::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    column_->ColumnChanged(false);
}

String TSTColumnFilterEh::FilterFieldName() const {
    if (!DataField.empty()) return DataField;
    TField* field = column_->Field();
    if (field && field->Lookup()) return field->KeyFields;
    return column_->FieldName();
}

bool TSTColumnFilterEh::KeyBased() const {
    if (!KeyField.empty()) return true;
    TField* field = column_->Field();
    return field && field->Lookup();
}

String TSTColumnFilterEh::KeyFieldName() const {
    if (!KeyField.empty()) return KeyField;
    TField* field = column_->Field();
    return field && field->Lookup() ? field->LookupKeyFields : String();
}

String TSTColumnFilterEh::ListFieldName() const {
    if (!ListField.empty()) return ListField;
    TField* field = column_->Field();
    return field && field->Lookup() ? field->LookupResultField : String();
}

TDataSet* TSTColumnFilterEh::ListDataSet() const {
    if (TDataSet* dataSet = listLink_->DataSet()) return dataSet;
    TField* field = column_->Field();
    return field && field->Lookup() ? field->LookupDataSet : nullptr;
}

std::unique_ptr<TDatasetFieldValueListEh> TSTColumnFilterEh::ListValues() const {
    TDBGridEhCore* grid = column_->Grid();
    TDataSet* list = listLink_->DataSet();
    if (!grid || !grid->DataLink()->Active() || !list || !list->Active()) return nullptr;
    const String name = ListField.empty() ? column_->FieldName() : ListField;
    if (!list->FindField(name)) return nullptr;
    auto values = std::make_unique<TDatasetFieldValueListEh>();
    values->SetDataSet(list);
    values->SetFieldName(name);
    return values;
}

void TSTColumnFilterEh::InternalSetExpressionText(const String& text) {
    TSTFilterExpressionEh read = expression_;
    const bool keyBased = KeyBased();
    if (keyBased)
        read.ExpressionType = botString;  // the text is a label of the list, whatever the column's type
    else if (TField* field = column_->Field())
        read.ExpressionType = STFilterExpressionTypeOf(field->DataType());
    else if (read.ExpressionType == botNon)
        read.ExpressionType = botString;
    ParseFilterText(text, read);
    if (keyBased) {
        Variant keys = Null();
        if (read.Operator1 != foNullEh && read.Operator1 != foNotNullEh) {
            const String typed = Trim(text);
            TDataSet* list = ListDataSet();
            const String keyField = KeyFieldName();
            const String listField = ListFieldName();
            if (!typed.empty() && list && list->Active() && !keyField.empty() && !listField.empty())
                keys = list->Lookup(listField, Variant(typed), keyField);
            ClearFilterExpression(read);
            read.ExpressionType = botString;
            if (!VarIsNull(keys)) {
                read.Operator1 = foInEh;
                read.Operand1 = Variant(typed);
            } else if (!typed.empty()) {
                read.Operator1 = foNullEh;
            }
        }
        keyValues_ = keys;
    }
    expression_ = read;
    expressionText_ = text;
}

String TSTColumnFilterEh::NormalisedText() const {
    if (!ListSource() || expression_.ExpressionType == botNon || expression_.Operator1 == foNonFilterEh)
        return FilterExpressionText(expression_);
    const Variant& operand = expression_.Operand1;
    if (!operand.IsArray()) return VarToStr(operand);
    String text;
    for (const Variant& element : operand.AsArray()) {
        if (!text.empty()) text += ",";
        text += "'" + VarToStr(element) + "'";
    }
    return text;
}

void TSTColumnFilterEh::SetExpressionText(const String& text) {
    InternalSetExpressionText(text);
    if (TDBGridEhCore* grid = column_->Grid()) grid->Host().InvalidateGrid();
}

void TSTColumnFilterEh::Clear() {
    keyValues_ = Null();
    SetExpressionText(String());
}

TField* TColumnEh::Field() const {
    if (!field_ && !fieldName_.empty()) {
        TDBGridEhCore* grid = Grid();
        TDataSet* ds = grid ? grid->DataLink()->DataSet() : nullptr;
        if (ds && (ds->Active() || !ds->DefaultFields())) {
            TField* found = ds->FindField(fieldName_);
            if (found) {
                field_ = found;
                const_cast<TColumnEh*>(this)->fieldName_ = found->FieldName();
                const_cast<TColumnEh*>(this)->EnsureFooterSum();
            }
        }
    }
    return field_;
}

void TColumnEh::SetFieldName(const String& value) {
    TField* found = nullptr;
    TDBGridEhCore* grid = Grid();
    TDataSet* ds = grid ? grid->DataLink()->DataSet() : nullptr;
    if (ds && !grid->IsGridLoading() && !value.empty()) found = ds->FindField(value);
    fieldName_ = value;
    SetField(found);
    autoFitBaseWidth_ = Width();
    Changed(false);
}

void TColumnEh::SetField(TField* value) {
    if (value == field_) return;
    field_ = value;
    if (value)
        fieldName_ = value->FieldName();
    if (!stored_) {
        if (!value) fieldName_.clear();
        ResetToDefaults();
        autoFitBaseWidth_ = Width();
    }
    EnsureFooterSum();
    Changed(false);
}

TField* TColumnEh::FieldForEdit() const {
    TField* field = Field();
    if (field && field->Lookup() && field->DataSet()) {
        std::vector<TField*> keys;
        try {
            keys = GetFieldsProperty(field->DataSet(), nullptr, field->KeyFields);
        } catch (const EDatabaseError&) {
            return nullptr;
        }
        return keys.empty() ? nullptr : keys.front();
    }
    return field;
}

// Followed properties.

TAlignment TColumnEh::Alignment() const {
    if (Has(cvAlignment)) return alignment_;
    if (TField* field = Field()) return field->Alignment();
    return taLeftJustify;
}

void TColumnEh::SetAlignment(TAlignment value) {
    TDBGridEhCore* grid = Grid();
    TField* field = Field();
    if (!stored_ && grid && grid->DataLink()->Active() && field) {
        field->SetAlignment(value);
        Changed(false);
        return;
    }
    if (Has(cvAlignment) && value == alignment_) return;
    alignment_ = value;
    Mark(cvAlignment);
    Changed(false);
}

bool TColumnEh::AlwaysShowEditButton() const {
    if (Has(cvAlwaysShowEditButton)) return alwaysShowEditButton_;
    TDBGridEhCore* grid = Grid();
    return grid ? grid->ColumnDefValues()->AlwaysShowEditButton() : false;
}

void TColumnEh::SetAlwaysShowEditButton(bool value) {
    if (Has(cvAlwaysShowEditButton) && value == alwaysShowEditButton_) return;
    alwaysShowEditButton_ = value;
    Mark(cvAlwaysShowEditButton);
    Changed(false);
}

#define VESTREL_COLUMN_DEFVALUE_BOOL(Name, member, flag)                          \
    bool TColumnEh::Name() const {                                              \
        if (Has(flag)) return member;                                           \
        TDBGridEhCore* grid = Grid();                                           \
        return grid ? grid->ColumnDefValues()->Name() : false;                  \
    }                                                                           \
    void TColumnEh::Set##Name(bool value) {                                     \
        if (!Has(flag) || value != member) {                                    \
            member = value;                                                     \
            Mark(flag);                                                         \
        }                                                                       \
    }

VESTREL_COLUMN_DEFVALUE_BOOL(AutoDropDown, autoDropDown_, cvAutoDropDown)
VESTREL_COLUMN_DEFVALUE_BOOL(DblClickNextVal, dblClickNextVal_, cvDblClickNextVal)
VESTREL_COLUMN_DEFVALUE_BOOL(DropDownShowTitles, dropDownShowTitles_, cvDropDownShowTitles)
VESTREL_COLUMN_DEFVALUE_BOOL(DropDownSizing, dropDownSizing_, cvDropDownSizing)
VESTREL_COLUMN_DEFVALUE_BOOL(ToolTips, toolTips_, cvToolTips)
#undef VESTREL_COLUMN_DEFVALUE_BOOL

TBiDiMode TColumnEh::BiDiMode() const {
    if (Has(cvBiDiMode)) return biDiMode_;
    TDBGridEhCore* grid = Grid();
    return grid ? grid->GridBiDiMode() : biDiMode_;
}

void TColumnEh::SetBiDiMode(TBiDiMode value) {
    if (Has(cvBiDiMode) && value == biDiMode_) return;
    biDiMode_ = value;
    Mark(cvBiDiMode);
    Changed(false);
}

bool TColumnEh::Checkboxes() const {
    if (Has(cvCheckboxes)) return checkboxes_;
    TField* field = Field();
    return field && field->DataType() == ftBoolean;
}

void TColumnEh::SetCheckboxes(bool value) {
    if (Has(cvCheckboxes) && value == checkboxes_) return;
    checkboxes_ = value;
    Mark(cvCheckboxes);
    Changed(false);
}

TColor TColumnEh::Color() const {
    if (Has(cvColor)) return color_;
    TDBGridEhCore* grid = Grid();
    return grid ? grid->Host().GridColor() : clWindow;
}

void TColumnEh::SetColor(TColor value) {
    if (Has(cvColor) && value == color_) return;
    color_ = value;
    Mark(cvColor);
    Changed(false);
}

bool TColumnEh::EndEllipsis() const {
    if (Has(cvEndEllipsis)) return endEllipsis_;
    TDBGridEhCore* grid = Grid();
    return grid ? grid->ColumnDefValues()->EndEllipsis() : false;
}

void TColumnEh::SetEndEllipsis(bool value) {
    if (Has(cvEndEllipsis) && value == endEllipsis_) return;
    endEllipsis_ = value;
    Mark(cvEndEllipsis);
    Changed(false);
}

void TColumnEh::RefreshDefaultFont() const {
    if (Has(cvFont) || !font_) return;
    TDBGridEhCore* grid = Grid();
    const TCustomFont* def = grid ? grid->Host().GridFont() : nullptr;
    if (!def || SameFontEh(*font_, *def)) return;
    refreshingFont_ = true;
    font_->Assign(const_cast<TCustomFont*>(def));
    refreshingFont_ = false;
}

TCustomFont* TColumnEh::Font() const {
    RefreshDefaultFont();
    return font_.get();
}

void TColumnEh::FontChanged(TObject*) {
    if (refreshingFont_) return;
    Mark(cvFont);
    if (title_) title_->RefreshDefaultFont();
    Changed(false);
}

bool TColumnEh::HighlightRequired() const {
    if (Has(cvHighlightRequired)) return highlightRequired_;
    TDBGridEhCore* grid = Grid();
    return grid ? grid->ColumnDefValues()->HighlightRequired() : false;
}

void TColumnEh::SetHighlightRequired(bool value) {
    if (Has(cvHighlightRequired) && value == highlightRequired_) return;
    highlightRequired_ = value;
    Mark(cvHighlightRequired);
    Changed(false);
}

TImeMode TColumnEh::ImeMode() const {
    if (Has(cvImeMode)) return imeMode_;
    TDBGridEhCore* grid = Grid();
    return grid ? grid->GridImeMode() : imeMode_;
}

void TColumnEh::SetImeMode(TImeMode value) {
    if (Has(cvImeMode) || value != ImeMode()) {
        imeMode_ = value;
        Mark(cvImeMode);
    }
    Changed(false);
}

TImeName TColumnEh::ImeName() const {
    if (Has(cvImeName)) return imeName_;
    TDBGridEhCore* grid = Grid();
    return grid ? grid->GridImeName() : imeName_;
}

void TColumnEh::SetImeName(const TImeName& value) {
    if (Has(cvImeName) || value != ImeName()) {
        imeName_ = value;
        Mark(cvImeName);
    }
    Changed(false);
}

TTextLayout TColumnEh::Layout() const {
    if (Has(cvLayout)) return layout_;
    TDBGridEhCore* grid = Grid();
    return grid ? grid->ColumnDefValues()->Layout() : tlTop;
}

void TColumnEh::SetLayout(TTextLayout value) {
    if (Has(cvLayout) && value == layout_) return;
    layout_ = value;
    Mark(cvLayout);
    Changed(false);
}

String TColumnEh::LookupDisplayFields() const {
    if (Has(cvLookupDisplayFields)) return lookupDisplayFields_;
    TField* field = Field();
    return field ? field->LookupResultField : String();
}

void TColumnEh::SetLookupDisplayFields(const String& value) {
    if (Has(cvLookupDisplayFields) || value != LookupDisplayFields()) {
        lookupDisplayFields_ = value;
        Mark(cvLookupDisplayFields);
    }
    Changed(false);
}

bool TColumnEh::ReadOnly() const {
    if (Has(cvReadOnly)) return readOnly_;
    TDBGridEhCore* grid = Grid();
    TField* field = Field();
    return (grid && grid->ReadOnly()) || (field && field->ReadOnly());
}

void TColumnEh::SetReadOnly(bool value) {
    TDBGridEhCore* grid = Grid();
    TField* field = Field();
    if (!stored_ && grid && grid->DataLink()->Active() && field) {
        field->SetReadOnly(value);
        Changed(false);
        return;
    }
    if (Has(cvReadOnly) && value == readOnly_) return;
    readOnly_ = value;
    Mark(cvReadOnly);
    Changed(false);
}

int TColumnEh::DefaultWidth() const {
    TDBGridEhCore* grid = Grid();
    if (!grid) return 64;
    if (TField* field = Field()) {
        const TGridFontMetricsEh m = grid->Host().FontMetrics(Font());
        return (m.ZeroWidth - m.Overhang) * field->DisplayWidth() + m.Overhang + 4;
    }
    return grid->Host().GridDefaultColWidth();
}

int TColumnEh::Width() const { return Has(cvWidth) ? width_ : DefaultWidth(); }

void TColumnEh::SetWidth(int value) {
    TDBGridEhCore* grid = Grid();
    if (!stored_ && grid) {
        TField* field = Field();
        if (grid->Host().HasWindow() && field) {
            const TGridFontMetricsEh m = grid->Host().FontMetrics(Font());
            if (m.ZeroWidth > 0)
                field->SetDisplayWidth((value + m.AveCharWidth / 2 - m.Overhang - 3) / m.ZeroWidth);
        }
        if (grid->LayoutFromDataLink() && !Has(cvWidth)) {
            Changed(false);
            return;
        }
    }
    if ((Has(cvWidth) || value != DefaultWidth()) && value != -1) {
        width_ = value;
        Mark(cvWidth);
        if (maxWidth_ > 0 && width_ > maxWidth_) width_ = maxWidth_;
        if (width_ < minWidth_) width_ = minWidth_;
    }
    Changed(false);
}

bool TColumnEh::WordWrap() const {
    if (Has(cvWordWrap)) return wordWrap_;
    TField* field = Field();
    return Grid() && field && IsStringLikeType(field->DataType());
}

void TColumnEh::SetWordWrap(bool value) {
    TDBGridEhCore* grid = Grid();
    if (Has(cvWordWrap) || value != WordWrap() || (grid && grid->IsGridLoading())) {
        wordWrap_ = value;
        Mark(cvWordWrap);
    }
    Changed(false);
}

// Plain properties.

void TColumnEh::ChangeAutoFitColWidth(bool value) {
    autoFitColWidth_ = value;
    TDBGridEhCore* grid = Grid();
    if (grid && grid->AutoFitColWidths() && !grid->IsGridLoading() && !grid->IsGridDesigning())
        SetWidth(autoFitBaseWidth_);
    Changed(false);
}

void TColumnEh::SetButtonStyle(TColumnButtonStyleEh value) {
    if (value == buttonStyle_) return;
    buttonStyle_ = value;
    Changed(false);
}

void TColumnEh::SetDisplayFormat(const String& value) {
    if (value == displayFormat_) return;
    displayFormat_ = value;
    Changed(false);
}

void TColumnEh::SetDropDownWidth(int value) {
    if (value == dropDownWidth_) return;
    dropDownWidth_ = value;
    Changed(false);
}

void TColumnEh::SetEditMask(const String& value) {
    if (value == editMask_) return;
    editMask_ = value;
    Changed(false);
}

void TColumnEh::SetHideDuplicates(bool value) {
    if (value == hideDuplicates_) return;
    hideDuplicates_ = value;
    Changed(false);
}

void TColumnEh::ChangeMaxWidth(int value) {
    maxWidth_ = value;
    if (value > 0 && Width() > value) SetWidth(value);
}

void TColumnEh::SetMinWidth(int value) {
    minWidth_ = value;
    if (value > 0 && Width() < value) SetWidth(value);
}

void TColumnEh::SetNotInKeyListIndex(int value) {
    if (value == notInKeyListIndex_) return;
    notInKeyListIndex_ = value;
    if (TDBGridEhCore* grid = Grid()) grid->Host().InvalidateGrid();
}

void TColumnEh::SetShowImageAndText(bool value) {
    if (value == showImageAndText_) return;
    showImageAndText_ = value;
    Changed(false);
}

void TColumnEh::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    Changed(true);
}

void TColumnEh::SetImageList(TComponent* value) {
    imageList_ = value;
    if (TDBGridEhCore* grid = Grid()) {
        if (value && grid->Host().GridComponent()) value->FreeNotification(grid->Host().GridComponent());
        grid->Host().InvalidateGrid();
    }
}

void TColumnEh::SetPopupMenu(TComponent* value) {
    popupMenu_ = value;
    TDBGridEhCore* grid = Grid();
    if (value && grid && grid->Host().GridComponent()) value->FreeNotification(grid->Host().GridComponent());
}

void TColumnEh::SetOnGetCellParams(const TGetColCellParamsEventEh& value) {
    if (value == onGetCellParams_) return;
    onGetCellParams_ = value;
    if (TDBGridEhCore* grid = Grid()) grid->Host().InvalidateGrid();
}

TStrings* TColumnEh::KeyList() {
    if (!keyList_) keyList_ = std::make_unique<TStringList>();
    return keyList_.get();
}

void TColumnEh::SetKeyList(TStrings* value) {
    if (!value)
        keyList_.reset();
    else
        KeyList()->Assign(value);
    if (TDBGridEhCore* grid = Grid()) grid->Host().InvalidateGrid();
}

TStrings* TColumnEh::PickList() {
    if (!pickList_) pickList_ = std::make_unique<TStringList>();
    return pickList_.get();
}

void TColumnEh::SetPickList(TStrings* value) {
    if (!value)
        pickList_.reset();
    else
        PickList()->Assign(value);
}

TColumnFooterEh* TColumnEh::FooterForRow(int index) const {
    if (index >= 0 && index < footers_->Count()) return footers_->Items(index);
    return footer_.get();
}

// Values and texts.

TColumnEhValueType TColumnEh::GetColumnType() const {
    if (Checkboxes()) return ctCheckboxes;
    TField* field = Field();
    if (field && field->Lookup()) return ctLookupField;
    if (HasPickList() && !HasKeyList()) return ctPickList;
    if (imageList_ && !showImageAndText_) return ctKeyImageList;
    if (HasKeyList() && HasPickList()) return ctKeyPickList;
    return ctCommon;
}

String TColumnEh::DisplayText() const {
    TField* field = Field();
    if (!field || GetColumnType() == ctKeyImageList) return String();
    if (HasKeyList()) {
        const int i = keyList_->IndexOf(field->Text());
        const int picks = pickList_ ? pickList_->Count() : 0;
        if (i >= 0 && i < picks) return pickList_->Get(i);
        if (notInKeyListIndex_ >= 0 && notInKeyListIndex_ < picks) return pickList_->Get(notInKeyListIndex_);
        return String();
    }
    TDBGridEhCore* grid = Grid();
    if (grid && grid->DrawMemoText() && field->DataType() == ftMemo) return field->AsString();
    if (field->Lookup() && specRow_->Visible()) {
        bool showSpec = false;
        try {
            const Variant keys = GetFieldsValue(GetFieldsProperty(field->DataSet(), nullptr, field->KeyFields));
            if (VariantsEqual(keys, specRow_->Value())) showSpec = true;
        } catch (const Exception&) {
        }
        if (!showSpec && specRow_->ShowIfNotInKeyList() &&
            (!field->LookupDataSet || !field->LookupDataSet->Active() || field->IsNull()))
            showSpec = true;
        if (showSpec) return specRow_->ReadCellText(0);
    }
    if (displayFormat_.empty()) return field->DisplayText();
    if (field->IsNull()) return String();
    if (field->InheritsFrom(TNumericField::StaticClass())) {
        // A value that cannot be read as a number shows as Null.
        try {
            return FormatFloat(displayFormat_, field->AsFloat());
        } catch (const EConvertError&) {
            return String();
        } catch (const EVariantError&) {
            return String();
        }
    }
    if (field->InheritsFrom(TDateTimeField::StaticClass())) return FormatDateTime(displayFormat_, field->AsDateTime());
    return String();
}

int TColumnEh::GetImageIndex() const {
    TField* field = Field();
    if (!field) return -1;
    int result;
    if (HasKeyList())
        result = keyList_->IndexOf(field->Text());
    else if (HasPickList())
        result = pickList_->IndexOf(field->Text());
    else if (IsIntegerType(field->DataType())) {
        if (field->IsNull()) return -1;
        try {
            return field->AsInteger();
        } catch (const Exception&) {
            return -1;
        }
    } else
        return -1;
    return result == -1 ? notInKeyListIndex_ : result;
}

TCheckBoxState TColumnEh::CheckboxState() const {
    TField* field = Field();
    if (!field) return cbUnchecked;
    if (field->IsNull()) return cbGrayed;
    if (field->DataType() == ftBoolean) return field->AsBoolean() ? cbChecked : cbUnchecked;
    if (!keyList_ || keyList_->Count() == 0) return cbGrayed;
    const String text = field->Text();
    if (KeyLineMatches(keyList_->Get(0), text)) return cbChecked;
    if (keyList_ && keyList_->Count() > 1 && KeyLineMatches(keyList_->Get(1), text)) return cbUnchecked;
    return cbGrayed;
}

void TColumnEh::SetCheckboxState(TCheckBoxState value) {
    TField* field = Field();
    if (!field) return;
    if (value == cbGrayed) {
        field->Clear();
        return;
    }
    if (field->DataType() == ftBoolean) {
        field->SetAsBoolean(value == cbChecked);
        return;
    }
    const int line = value == cbChecked ? 0 : 1;
    String text;
    if (keyList_ && keyList_->Count() > line) text = FirstKeyValue(keyList_->Get(line));
    field->SetText(text);
}

bool TColumnEh::CanModify(bool tryEdit) {
    TDBGridEhCore* grid = Grid();
    if (grid && (grid->ReadOnly() || !grid->DataLink()->Active() || grid->DataLink()->ReadOnly())) return false;
    if (ReadOnly()) return false;
    TField* field = Field();
    if (!field) return false;
    TField* editField = field;
    if (field->Lookup()) {
        if (field->KeyFields.empty()) return false;
        std::vector<TField*> keys;
        try {
            keys = GetFieldsProperty(field->DataSet(), nullptr, field->KeyFields);
        } catch (const EDatabaseError&) {
            return false;
        }
        for (TField* key : keys)
            if (!key->CanModify()) return false;
        editField = keys.front();
    }
    if (!editField->CanModify()) return false;
    const bool memoAsText = editField->DataType() == ftMemo && grid && grid->DrawMemoText();
    if (editField->IsBlob() && !editField->OnSetText && !memoAsText) return false;
    if (grid && !grid->Host().CanEditNow()) return false;
    if (tryEdit && grid) {
        grid->DataLink()->Edit();
        if (!grid->DataLink()->Editing()) return false;
        grid->DataLink()->SetModified();
    }
    return true;
}

void TColumnEh::WriteText(TField* field, const String& text) {
    TDBGridEhCore* grid = Grid();
    if (field->DataType() == ftMemo && grid && grid->DrawMemoText())
        field->SetAsString(text);
    else
        field->SetText(text);
}

void TColumnEh::WriteValue(String text, Variant value, bool useText) {
    TDBGridEhCore* grid = Grid();
    if (!grid) return;
    if (OnUpdateData) {
        bool handled = false;
        OnUpdateData(this, text, value, useText, handled);
        if (handled) return;
    }
    TField* field = Field();
    if (!field) return;
    if (useText) {
        WriteText(field, text);
    } else if (field->Lookup() && !field->KeyFields.empty()) {
        SetFieldsValue(GetFieldsProperty(field->DataSet(), nullptr, field->KeyFields), value);
    } else {
        field->SetAsVariant(value);
    }
    if (mruList_->Active() && mruList_->AutoAdd() && grid->Host().EditorShown()) mruList_->Add(text);
}

bool TColumnEh::IsNumericField(const TField* field) const { return field && IsNumericType(field->DataType()); }

void TColumnEh::StepListValue(const TStrings* list, const String& current, bool forward, bool asValue) {
    const int count = list->Count();
    if (count == 0) return;
    const int i = list->IndexOf(current);
    int next;
    if (forward)
        next = (i < 0 || i >= count - 1) ? 0 : i + 1;
    else
        next = (i <= 0) ? count - 1 : i - 1;
    const String chosen = list->Get(next);
    if (asValue)
        WriteValue(chosen, Variant(chosen), false);
    else
        WriteValue(chosen, Variant(chosen), true);
}

void TColumnEh::NextValue(double step) {
    if (!CanModify(true)) return;
    TField* field = Field();
    TDBGridEhCore* grid = Grid();
    String current;
    try {
        current = grid && grid->Host().EditorShown() ? grid->Host().EditorText() : field->Text();
    } catch (const EConvertError&) {  // a value that is no number has no edit text
    }
    const bool forward = step == 1;
    switch (GetColumnType()) {
    case ctCheckboxes:
        SetCheckboxState(CheckboxState() == cbChecked ? cbUnchecked : cbChecked);
        return;
    case ctKeyPickList:
    case ctKeyImageList:
        StepListValue(KeyList(), field->Text(), forward, true);
        return;
    case ctPickList:
        StepListValue(PickList(), field->Text(), forward, false);
        return;
    case ctLookupField: {
        TDataSet* list = LookupListDataSet();
        if (!list || !list->Active()) return;
        if (list->IsEmpty()) {
            list->First();
            return;
        }
        const Variant keys = GetFieldsValue(GetFieldsProperty(field->DataSet(), nullptr, field->KeyFields));
        if (!list->Locate(field->LookupKeyFields, keys, 0)) list->First();
        if (!forward) {
            if (list->Bof()) list->Last();
            else {
                list->Prior();
                if (list->Bof()) list->Last();
            }
        } else {
            if (list->Eof()) list->First();
            else {
                list->Next();
                if (list->Eof()) list->First();
            }
        }
        const Variant key = GetFieldsValue(GetFieldsProperty(list, nullptr, field->LookupKeyFields));
        TField* result = list->FindField(field->LookupResultField);
        WriteValue(result ? result->Text() : String(), key, false);
        return;
    }
    case ctCommon:
        if (IsNumericField(field)) {
            // Null, and a value that cannot be read as a number, count as 0.
            double old = 0;
            try {
                if (!field->IsNull()) old = field->AsFloat();
            } catch (const EConvertError&) {
            } catch (const EVariantError&) {
            }
            try {
                WriteValue(current, Variant(old + step), false);
            } catch (const EDatabaseError&) {
            }
        }
        return;
    }
}

int TColumnEh::BoundedWidth(int tryWidth) const {
    if (maxWidth_ > 0 && tryWidth > maxWidth_) tryWidth = maxWidth_;
    if (minWidth_ > 0 && tryWidth < minWidth_) tryWidth = minWidth_;
    return tryWidth;
}

int TColumnEh::EditButtonsWidth(int flatWidth, int scrollBarWidth) const {
    TDBGridEhCore* grid = Grid();
    const bool flat = grid && grid->Flat();
    int width = 0;
    for (int i = 0; i < editButtons_->Count(); ++i) {
        const TEditButtonEh* button = editButtons_->Items(i);
        if (!button->Visible()) continue;
        width += button->Width() > 0 ? button->Width() : (flat ? flatWidth : scrollBarWidth);
        if (flat) width += 1;
    }
    bool defaultButton = buttonStyle_ == cbsEllipsis || buttonStyle_ == cbsDropDown || buttonStyle_ == cbsUpDown;
    if (buttonStyle_ == cbsAuto) {
        const TColumnEhValueType kind = GetColumnType();
        defaultButton = kind == ctPickList || kind == ctLookupField || kind == ctKeyPickList;
    }
    if (defaultButton) width += (flat ? flatWidth : scrollBarWidth) + (flat ? 1 : 0);
    return width;
}

IColumnLookupGridEh* TColumnEh::LookupGrid() const {
    if (!lookupGrid_ && ColumnLookupGridFactory()) lookupGrid_ = ColumnLookupGridFactory()(const_cast<TColumnEh*>(this));
    return lookupGrid_.get();
}

TDataSet* TColumnEh::LookupListDataSet() const {
    TField* field = Field();
    return field ? field->LookupDataSet : nullptr;
}

bool TColumnEh::UseRightToLeftAlignment() const { return false; }  // the system is not right-to-left capable
bool TColumnEh::UseRightToLeftReading() const { return false; }

void TColumnEh::FillColCellParams(TColCellParamsEh* params) {
    params->Row = -1;
    params->Col = -1;
    params->State = TGridDrawState();
    params->Font()->Assign(Font());
    params->Background = Color();
    params->Alignment = Alignment();
    params->ImageIndex = GetImageIndex();
    params->Text = DisplayText();
    params->CheckboxState = CheckboxState();
    params->ReadOnly = ReadOnly();
}

void TColumnEh::GetCellParams(bool editMode, TColCellParamsEh* params) {
    if (onGetCellParams_) onGetCellParams_(this, editMode, params);
}

void TColumnEh::OptimizeWidth() {
    if (TDBGridEhCore* grid = Grid()) grid->Host().OptimizeColumnWidth(this);
}

void TColumnEh::EnsureFooterSum() {
    if (TDBGridEhCore* grid = Grid()) {
        grid->EnsureFooterSums(this);
        grid->Host().EnsureFooterSum(this);
    }
}

void TColumnEh::ResetToDefaults() {
    title_->ResetToDefaults();
    const bool fontWas = Has(cvFont);
    assigned_ = TColumnEhValues();
    RefreshDefaultFont();
    pickList_.reset();
    buttonStyle_ = cbsAuto;
    Changed(fontWas);
    keyList_.reset();
}

void TColumnEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TColumnEh*>(source);
    if (!other) return inherited::Assign(source);
    TCollection* collection = Collection();
    if (collection) collection->BeginUpdate();
    try {
        ResetToDefaults();
        SetFieldName(other->FieldName());
        if (other->Has(cvColor)) SetColor(other->color_);
        if (other->Has(cvWidth)) SetWidth(other->width_);
        if (other->Has(cvFont)) SetFont(other->font_.get());
        if (other->Has(cvImeMode)) SetImeMode(other->imeMode_);
        if (other->Has(cvImeName)) SetImeName(other->imeName_);
        if (other->Has(cvAlignment)) SetAlignment(other->alignment_);
        if (other->Has(cvReadOnly)) SetReadOnly(other->readOnly_);
        title_->Assign(other->title_.get());
        SetDropDownRows(other->dropDownRows_);
        SetButtonStyle(other->buttonStyle_);
        SetPickList(other->pickList_.get());
        SetPopupMenu(other->popupMenu_);
        autoFitBaseWidth_ = other->autoFitBaseWidth_;
        autoFitColWidth_ = other->autoFitColWidth_;
        if (other->Has(cvWordWrap)) SetWordWrap(other->wordWrap_);
        if (other->Has(cvEndEllipsis)) SetEndEllipsis(other->endEllipsis_);
        SetDropDownWidth(other->dropDownWidth_);
        if (other->Has(cvLookupDisplayFields)) SetLookupDisplayFields(other->lookupDisplayFields_);
        if (other->Has(cvAutoDropDown)) SetAutoDropDown(other->autoDropDown_);
        if (other->Has(cvAlwaysShowEditButton)) SetAlwaysShowEditButton(other->alwaysShowEditButton_);
        footer_->Assign(other->footer_.get());
        SetKeyList(other->keyList_.get());
        if (other->Has(cvCheckboxes)) SetCheckboxes(other->checkboxes_);
        increment_ = other->increment_;
        if (other->Has(cvToolTips)) SetToolTips(other->toolTips_);
        footers_->Assign(other->footers_.get());
        tag_ = other->tag_;
        SetVisible(other->visible_);
        SetImageList(other->imageList_);
        SetNotInKeyListIndex(other->notInKeyListIndex_);
        SetMinWidth(other->minWidth_);
        ChangeMaxWidth(other->maxWidth_);
        if (other->Has(cvDblClickNextVal)) SetDblClickNextVal(other->dblClickNextVal_);
        if (other->Has(cvDropDownSizing)) SetDropDownSizing(other->dropDownSizing_);
        if (other->Has(cvDropDownShowTitles)) SetDropDownShowTitles(other->dropDownShowTitles_);
        SetOnGetCellParams(other->onGetCellParams_);
        OnNotInList = other->OnNotInList;
        OnUpdateData = other->OnUpdateData;
        OnEditButtonClick = other->OnEditButtonClick;
        OnEditButtonDown = other->OnEditButtonDown;
        editButtons_->Assign(other->editButtons_.get());
        specRow_->Assign(other->specRow_.get());
        mruList_->Assign(other->mruList_.get());
        if (other->dropDownBox_) dropDownBox_->Assign(other->dropDownBox_.get());
        SetDisplayFormat(other->displayFormat_);
        SetEditMask(other->editMask_);
        SetShowImageAndText(other->showImageAndText_);
        SetHideDuplicates(other->hideDuplicates_);
        if (other->Has(cvLayout)) SetLayout(other->layout_);
        if (other->Has(cvHighlightRequired)) SetHighlightRequired(other->highlightRequired_);
        if (other->Has(cvBiDiMode)) SetBiDiMode(other->biDiMode_);
    } catch (...) {
        if (collection) collection->EndUpdate();
        throw;
    }
    if (collection) collection->EndUpdate();
}

bool TColumnEh::IsPropertyStored(const String& name) const {
    TDBGridEhCore* grid = Grid();
    auto is = [&](const char* n) { return SameText(name, n); };
    if (is("Alignment")) {
        if (!Has(cvAlignment)) return false;
        TField* field = Field();
        return alignment_ != (field ? field->Alignment() : taLeftJustify);
    }
    if (is("AlwaysShowEditButton"))
        return Has(cvAlwaysShowEditButton) &&
               alwaysShowEditButton_ != (grid ? grid->ColumnDefValues()->AlwaysShowEditButton() : false);
    if (is("AutoDropDown"))
        return Has(cvAutoDropDown) && autoDropDown_ != (grid ? grid->ColumnDefValues()->AutoDropDown() : false);
    if (is("AutoFitColWidth")) return !autoFitColWidth_;
    if (is("BiDiMode")) return Has(cvBiDiMode);
    if (is("ButtonStyle")) return buttonStyle_ != cbsAuto;
    if (is("Checkboxes")) return Has(cvCheckboxes);
    if (is("Color")) return Has(cvColor) && color_ != (grid ? grid->Host().GridColor() : clWindow);
    if (is("DblClickNextVal"))
        return Has(cvDblClickNextVal) &&
               dblClickNextVal_ != (grid ? grid->ColumnDefValues()->DblClickNextVal() : false);
    if (is("DisplayFormat")) return !displayFormat_.empty();
    if (is("DropDownRows")) return dropDownRows_ != 7;
    if (is("DropDownShowTitles"))
        return Has(cvDropDownShowTitles) &&
               dropDownShowTitles_ != (grid ? grid->ColumnDefValues()->DropDownShowTitles() : false);
    if (is("DropDownSizing"))
        return Has(cvDropDownSizing) &&
               dropDownSizing_ != (grid ? grid->ColumnDefValues()->DropDownSizing() : false);
    if (is("DropDownWidth")) return dropDownWidth_ != 0;
    if (is("EditMask")) return !editMask_.empty();
    if (is("EndEllipsis"))
        return Has(cvEndEllipsis) && endEllipsis_ != (grid ? grid->ColumnDefValues()->EndEllipsis() : false);
    if (is("FieldName")) return !fieldName_.empty();
    if (is("Font")) return Has(cvFont);
    if (is("HideDuplicates")) return hideDuplicates_;
    if (is("HighlightRequired"))
        return Has(cvHighlightRequired) &&
               highlightRequired_ != (grid ? grid->ColumnDefValues()->HighlightRequired() : false);
    if (is("ImeMode")) return Has(cvImeMode) && imeMode_ != (grid ? grid->GridImeMode() : imDontCare);
    if (is("ImeName")) return Has(cvImeName) && imeName_ != (grid ? grid->GridImeName() : TImeName());
    if (is("Increment")) return increment_ != 1.0;
    if (is("Layout")) return Has(cvLayout) && layout_ != (grid ? grid->ColumnDefValues()->Layout() : tlTop);
    if (is("LookupDisplayFields")) {
        TField* field = Field();
        return Has(cvLookupDisplayFields) && lookupDisplayFields_ != (field ? field->LookupResultField : String());
    }
    if (is("MaxWidth")) return maxWidth_ != 0;
    if (is("MinWidth")) return minWidth_ != 0;
    if (is("NotInKeyListIndex")) return notInKeyListIndex_ != -1;
    if (is("ReadOnly")) {
        TField* field = Field();
        const bool follow = (grid && grid->ReadOnly()) || (field && field->ReadOnly());
        return Has(cvReadOnly) && readOnly_ != follow;
    }
    if (is("ShowImageAndText")) return showImageAndText_;
    if (is("Tag")) return tag_ != 0;
    if (is("ToolTips")) return Has(cvToolTips) && toolTips_ != (grid ? grid->ColumnDefValues()->ToolTips() : false);
    if (is("Visible")) return !visible_;
    if (is("Width")) return Has(cvWidth) && width_ != DefaultWidth();
    if (is("WordWrap")) {
        TField* field = Field();
        return Has(cvWordWrap) && wordWrap_ != (grid && field && IsStringLikeType(field->DataType()));
    }
    if (is("KeyList")) return HasKeyList();
    if (is("PickList")) return HasPickList();
    return true;  // the owned objects are always stored
}

// ---- TDBGridColumnsEh -----------------------------------------------------------------------------

TDBGridColumnsEh::TDBGridColumnsEh(TDBGridEhCore* grid, const TCollectionItemClass& itemClass)
    : TCollection(itemClass), grid_(grid) {}

TDBGridColumnsEh::~TDBGridColumnsEh() {
    // The columns go while the collection still knows its grid.
    BeginUpdate();
    while (Count() > 0) Delete(Count() - 1);
}

TPersistent* TDBGridColumnsEh::GetOwner() const {
    return grid_ ? grid_->Host().GridComponent() : nullptr;
}

TColumnEh* TDBGridColumnsEh::InternalAdd() {
    TColumnEh* column = Add();
    column->stored_ = false;
    return column;
}

bool TDBGridColumnsEh::State() const { return Count() > 0 && ColumnAt(0)->Stored(); }

void TDBGridColumnsEh::ReleaseAllFieldValueLists() {}  // no column keeps one yet (the filter row's)

void TDBGridColumnsEh::Update(TCollectionItem* item) {
    if (!grid_ || grid_->IsGridLoading()) return;
    if (auto* column = dynamic_cast<TColumnEh*>(item)) {
        const int gridCol = column->Index() + grid_->Host().IndicatorOffset();
        if (grid_->Host().HasWindow()) grid_->Host().InvalidateGridColumn(gridCol);
        const int gridWidth = grid_->Host().GridColWidth(gridCol);
        if (!grid_->AutoFitColWidths() || grid_->IsGridDesigning()) {
            const int wanted = column->Visible() ? column->Width()
                                                 : (grid_->Options().Contains(dgColLines) ? -1 : 0);
            if (gridWidth == wanted) {
                if (grid_->UseMultiTitle()) grid_->RelayoutColumns();
            } else {
                grid_->Host().SetGridColWidth(gridCol, wanted);
            }
        } else if (gridWidth > 0) {  // a zero width has nothing to scale from
            const int oldBase = column->AutoFitBaseWidth();
            const int newBase = MulDivEh(oldBase, column->Width(), gridWidth);
            column->SetAutoFitBaseWidth(newBase);
            const int next = column->Index() + 1;
            if (next < Count()) {
                TColumnEh* right = ColumnAt(next);
                right->SetAutoFitBaseWidth(std::max(0, right->AutoFitBaseWidth() + oldBase - newBase));
            }
            grid_->RelayoutColumns();
        }
    } else {
        grid_->ColumnsChanged();
    }
    grid_->Host().ColumnsUpdated();
}

// The form-description text of the columns.

namespace {

String QuoteFormString(const String& text) {
    String out;
    bool inQuote = false;
    for (unsigned char c : text) {
        if (c < 0x20) {
            if (inQuote) {
                out += '\'';
                inQuote = false;
            }
            out += '#' + std::to_string(c);
            continue;
        }
        if (!inQuote) {
            out += '\'';
            inQuote = true;
        }
        if (c == '\'') out += '\'';
        out += static_cast<char>(c);
    }
    if (inQuote) out += '\'';
    if (out.empty()) out = "''";
    return out;
}

String FormatFloatValue(double v) {
    String text = FloatToStr(v);
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

bool IsStoredSubProperty(TObject* object, const String& name);

void WriteObjectProperties(TObject* object, const String& prefix, String& out, const String& indent);

String FormatValue(TObject* object, const TPropInfo& info) {
    const TPropValue value = info.Get(object);
    switch (info.Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64: {
        String ident;
        if (!info.Idents.empty() && IntToIdent(info.Idents, value.AsInteger(), ident)) return ident;
        return std::to_string(value.AsInteger());
    }
    case TPropKind::Float: return FormatFloatValue(value.AsFloat());
    case TPropKind::String: return QuoteFormString(value.AsString());
    case TPropKind::Boolean: return value.AsBoolean() ? "True" : "False";
    case TPropKind::Enumeration: {
        const auto ord = static_cast<std::size_t>(value.AsInteger());
        return ord < info.Names.size() ? info.Names[ord] : std::to_string(value.AsInteger());
    }
    case TPropKind::Set: {
        String text = "[";
        const auto bits = static_cast<std::uint64_t>(value.AsInteger());
        bool first = true;
        for (std::size_t i = 0; i < info.Names.size(); ++i)
            if (bits & (std::uint64_t{1} << i)) {
                if (!first) text += ", ";
                text += info.Names[i];
                first = false;
            }
        return text + "]";
    }
    case TPropKind::Strings: {
        String text = "(";
        bool first = true;
        for (const String& line : value.AsStrings()) {
            if (!first) text += ' ';
            text += QuoteFormString(line);
            first = false;
        }
        return text + ")";
    }
    default: return String();
    }
}

void WriteCollection(TCollection* collection, String& out, const String& indent) {
    out += "<";
    for (int i = 0; i < collection->Count(); ++i) {
        out += "\n" + indent + "  item";
        WriteObjectProperties(collection->Items(i), String(), out, indent + "    ");
        out += "\n" + indent + "  end";
    }
    out += ">";
}

void WriteObjectProperties(TObject* object, const String& prefix, String& out, const String& indent) {
    for (const TPropInfo* info : GetPropList(object->ClassType())) {
        if (!info->Get || info->Kind == TPropKind::Event || info->Kind == TPropKind::Component) continue;
        if (!IsStoredSubProperty(object, info->Name)) continue;
        const String path = prefix + info->Name;
        if (info->Kind == TPropKind::Class) {
            TObject* sub = info->Get(object).AsObject();
            if (!sub) continue;
            if (auto* collection = dynamic_cast<TCollection*>(sub)) {
                if (collection->Count() == 0) continue;
                out += "\n" + indent + path + " = ";
                WriteCollection(collection, out, indent);
            } else {
                WriteObjectProperties(sub, path + ".", out, indent);
            }
            continue;
        }
        if (!info->Set) continue;
        out += "\n" + indent + path + " = " + FormatValue(object, *info);
    }
}

bool IsStoredSubProperty(TObject* object, const String& name) {
    auto is = [&](const char* n) { return SameText(name, n); };
    if (auto* own = dynamic_cast<IStoredPropertiesEh*>(object)) return own->IsPropertyStored(name);
    if (auto* column = dynamic_cast<TColumnEh*>(object)) return column->IsPropertyStored(name);
    if (auto* title = dynamic_cast<TColumnTitleEh*>(object)) {
        const TColumnEh* c = title->Column();
        const TColumnEhValues v = c->AssignedValues();
        if (is("Alignment")) return v.Contains(cvTitleAlignment);
        if (is("Caption")) return title->IsCaptionStored();
        if (is("Color")) return v.Contains(cvTitleColor);
        if (is("EndEllipsis")) return v.Contains(cvTitleEndEllipsis);
        if (is("Font")) return v.Contains(cvTitleFont);
        if (is("Hint")) return !title->Hint().empty();
        if (is("ImageIndex")) return title->ImageIndex() != -1;
        if (is("Orientation")) return v.Contains(cvTitleOrientation);
        if (is("SortIndex")) return title->SortIndex() != 0;
        if (is("SortMarker")) return title->SortMarker() != smNoneEh;
        if (is("TitleButton")) return v.Contains(cvTitleButton);
        if (is("ToolTips")) return v.Contains(cvTitleToolTips);
        return false;
    }
    if (auto* footer = dynamic_cast<TColumnFooterEh*>(object)) {
        if (is("Alignment")) return footer->AlignmentAssigned();
        if (is("Color")) return footer->ColorAssigned();
        if (is("Font")) return footer->FontAssigned();
        if (is("ToolTips")) return footer->ToolTipsAssigned();
        if (is("DisplayFormat")) return !footer->DisplayFormat().empty();
        if (is("FieldName")) return !footer->FieldName().empty();
        if (is("Value")) return !footer->Value().empty();
        if (is("ValueType")) return footer->ValueType() != fvtNon;
        if (is("EndEllipsis")) return footer->EndEllipsis();
        if (is("WordWrap")) return footer->WordWrap();
        return false;
    }
    if (auto* button = dynamic_cast<TEditButtonEh*>(object)) {
        const bool visibleKind = dynamic_cast<TVisibleEditButtonEh*>(object) != nullptr;
        if (is("Style")) return button->Style() != ebsDropDownEh;
        if (is("Visible")) return button->Visible() != visibleKind;
        if (is("Width")) return button->Width() != 0;
        if (is("Hint")) return !button->Hint().empty();
        if (is("NumGlyphs")) return button->NumGlyphs() != 1;
        if (is("ShortCut")) return button->ShortCut() != (visibleKind ? kShortCutAltDown : scNone);
        return false;
    }
    if (auto* row = dynamic_cast<TSpecRowEh*>(object)) {
        if (is("CellsText")) return !row->CellsText().empty();
        if (is("Color")) return row->ColorAssigned();
        if (is("Font")) return row->FontAssigned();
        if (is("ShortCut")) return row->ShortCut() != kShortCutAltDel;
        if (is("ShowIfNotInKeyList")) return !row->ShowIfNotInKeyList();
        if (is("Visible")) return row->Visible();
        return false;
    }
    if (auto* mru = dynamic_cast<TMRUListEh*>(object)) {
        if (is("AutoAdd")) return !mru->AutoAdd();
        if (is("Active")) return mru->Active();
        if (is("CaseSensitive")) return mru->CaseSensitive();
        if (is("Items")) return mru->Items()->Count() > 0;
        if (is("Limit")) return mru->Limit() != 100;
        if (is("Rows")) return mru->Rows() != 7;
        return false;
    }
    return true;  // fonts: written whole when the owner stores them
}

}  // namespace

String TDBGridColumnsEh::WriteColumnsText() const {
    String out;
    WriteCollection(const_cast<TDBGridColumnsEh*>(this), out, String());
    return out;
}

void TDBGridColumnsEh::ReadColumns(TReader& reader) {
    reader.ReadCollection(this);
}

String TDBGridColumnsEh::ColumnsIndex() const {
    String text;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0) text += ',';
        text += '"' + ColumnAt(i)->FieldName() + '"';
    }
    return text;
}

void TDBGridColumnsEh::SetColumnsIndex(const String& text) {
    TStringList names;
    names.SetCommaText(text);
    BeginUpdate();
    try {
        for (int i = 0; i < names.Count(); ++i) {
            const String name = names.Get(i);
            for (int k = 0; k < Count(); ++k) {
                if (ColumnAt(k)->FieldName() == name) {
                    ColumnAt(k)->SetIndex(std::min(i, Count() - 1));
                    break;
                }
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- TColumnsEhList -------------------------------------------------------------------------------

TColumnEh* TColumnsEhList::ColumnAt(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<std::size_t>(index)];
}

void TColumnsEhList::ChangeColumn(int index, TColumnEh* column) {
    ColumnAt(index);
    items_[static_cast<std::size_t>(index)] = column;
}

int TColumnsEhList::Add(TColumnEh* column) {
    items_.push_back(column);
    return Count() - 1;
}

void TColumnsEhList::Insert(int index, TColumnEh* column) {
    if (index < 0 || index > Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, column);
}

void TColumnsEhList::Delete(int index) {
    ColumnAt(index);
    items_.erase(items_.begin() + index);
}

int TColumnsEhList::Remove(TColumnEh* column) {
    const int index = IndexOf(column);
    if (index >= 0) Delete(index);
    return index;
}

int TColumnsEhList::IndexOf(TColumnEh* column) const {
    auto it = std::find(items_.begin(), items_.end(), column);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TColumnsEhList::Exchange(int a, int b) {
    ColumnAt(a);
    ColumnAt(b);
    std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
}

void TColumnsEhList::SetCount(int count) { items_.resize(static_cast<std::size_t>(std::max(0, count)), nullptr); }

// ---- Interceptors ---------------------------------------------------------------------------------

int TColumnEhPropertyInterceptor::Width() const {
    auto* column = dynamic_cast<TColumnEh*>(Target());
    if (!column) return 0;
    TDBGridEhCore* grid = column->Grid();
    if (grid && grid->AutoFitColWidths()) return column->AutoFitBaseWidth();
    return column->Width();
}

void TColumnEhPropertyInterceptor::SetWidth(int value) {
    if (auto* column = dynamic_cast<TColumnEh*>(Target())) column->SetWidth(value);
}

String TColumnsEhPropertyInterceptor::ColumnsIndex() const {
    auto* columns = dynamic_cast<TDBGridColumnsEh*>(Target());
    return columns ? columns->ColumnsIndex() : written_;
}

void TColumnsEhPropertyInterceptor::SetColumnsIndex(const String& value) {
    written_ = value;
    if (auto* columns = dynamic_cast<TDBGridColumnsEh*>(Target())) columns->SetColumnsIndex(value);
}

// ---- Registration ---------------------------------------------------------------------------------

namespace {

std::vector<String> StringsOf(TStrings* list) {
    std::vector<String> lines;
    if (list)
        for (int i = 0; i < list->Count(); ++i) lines.push_back(list->Get(i));
    return lines;
}

void AssignLines(TStrings* list, const std::vector<String>& lines) {
    list->BeginUpdate();
    list->Clear();
    for (const String& line : lines) list->Add(line);
    list->EndUpdate();
}

}  // namespace

void RegisterGridColumnClasses() {
    static bool done = false;
    if (done) return;
    done = true;

    RegisterFontProperties();

    const std::initializer_list<const char*> alignments{"taLeftJustify", "taRightJustify", "taCenter"};
    const std::initializer_list<const char*> layouts{"tlTop", "tlCenter", "tlBottom"};

    RegisterProperties<TEditButtonEh>()
        .Str("Hint", &TEditButtonEh::Hint, &TEditButtonEh::SetHint)
        .Int("NumGlyphs", &TEditButtonEh::NumGlyphs, &TEditButtonEh::SetNumGlyphs)
        .Int("ShortCut", &TEditButtonEh::ShortCut, &TEditButtonEh::SetShortCut)
        .Enum("Style", &TEditButtonEh::Style, &TEditButtonEh::SetStyle,
              {"ebsDropDownEh", "ebsEllipsisEh", "ebsGlyphEh", "ebsUpDownEh", "ebsPlusEh", "ebsMinusEh"})
        .Bool("Visible", &TEditButtonEh::Visible, &TEditButtonEh::SetVisible)
        .Int("Width", &TEditButtonEh::Width, &TEditButtonEh::SetWidth)
        .Event("OnClick", &TEditButtonEh::OnClick)
        .Event("OnDown", &TEditButtonEh::OnDown);

    RegisterProperties<TSpecRowEh>()
        .Str("CellsText", &TSpecRowEh::CellsText, &TSpecRowEh::SetCellsText)
        .Int("Color", &TSpecRowEh::Color, &TSpecRowEh::SetColor)
        .Object("Font", [](TSpecRowEh& r) { return r.Font(); })
        .Int("ShortCut", &TSpecRowEh::ShortCut, &TSpecRowEh::SetShortCut)
        .Bool("ShowIfNotInKeyList", &TSpecRowEh::ShowIfNotInKeyList, &TSpecRowEh::SetShowIfNotInKeyList)
        .Bool("Visible", &TSpecRowEh::Visible, &TSpecRowEh::SetVisible);

    RegisterProperties<TMRUListEh>()
        .Bool("AutoAdd", &TMRUListEh::AutoAdd, &TMRUListEh::SetAutoAdd)
        .Bool("Active", &TMRUListEh::Active, &TMRUListEh::SetActive)
        .Bool("CaseSensitive", &TMRUListEh::CaseSensitive, &TMRUListEh::SetCaseSensitive)
        .Strings("Items", [](TMRUListEh& m) { return StringsOf(m.Items()); },
                 [](TMRUListEh& m, const std::vector<String>& lines) {
                     TStringList list;
                     AssignLines(&list, lines);
                     m.SetItems(&list);
                 })
        .Int("Limit", &TMRUListEh::Limit, &TMRUListEh::SetLimit)
        .Int("Rows", &TMRUListEh::Rows, &TMRUListEh::SetRows);

    RegisterProperties<TColumnTitleDefValuesEh>()
        .Enum("Alignment", &TColumnTitleDefValuesEh::Alignment, &TColumnTitleDefValuesEh::SetAlignment, alignments)
        .Int("Color", &TColumnTitleDefValuesEh::Color, &TColumnTitleDefValuesEh::SetColor)
        .Bool("EndEllipsis", &TColumnTitleDefValuesEh::EndEllipsis, &TColumnTitleDefValuesEh::SetEndEllipsis)
        .Enum("Orientation", &TColumnTitleDefValuesEh::Orientation, &TColumnTitleDefValuesEh::SetOrientation,
              {"tohHorizontal", "tohVertical"})
        .Bool("TitleButton", &TColumnTitleDefValuesEh::TitleButton, &TColumnTitleDefValuesEh::SetTitleButton)
        .Bool("ToolTips", &TColumnTitleDefValuesEh::ToolTips, &TColumnTitleDefValuesEh::SetToolTips);
    RegisterProperties<TColumnFooterDefValuesEh>().Bool("ToolTips", &TColumnFooterDefValuesEh::ToolTips,
                                                        &TColumnFooterDefValuesEh::SetToolTips);
    RegisterProperties<TColumnDefValuesEh>()
        .Bool("AlwaysShowEditButton", &TColumnDefValuesEh::AlwaysShowEditButton,
              &TColumnDefValuesEh::SetAlwaysShowEditButton)
        .Bool("AutoDropDown", &TColumnDefValuesEh::AutoDropDown, &TColumnDefValuesEh::SetAutoDropDown)
        .Bool("DblClickNextVal", &TColumnDefValuesEh::DblClickNextVal, &TColumnDefValuesEh::SetDblClickNextVal)
        .Bool("DropDownShowTitles", &TColumnDefValuesEh::DropDownShowTitles,
              &TColumnDefValuesEh::SetDropDownShowTitles)
        .Bool("DropDownSizing", &TColumnDefValuesEh::DropDownSizing, &TColumnDefValuesEh::SetDropDownSizing)
        .Bool("EndEllipsis", &TColumnDefValuesEh::EndEllipsis, &TColumnDefValuesEh::SetEndEllipsis)
        .Bool("HighlightRequired", &TColumnDefValuesEh::HighlightRequired, &TColumnDefValuesEh::SetHighlightRequired)
        .Enum("Layout", &TColumnDefValuesEh::Layout, &TColumnDefValuesEh::SetLayout, layouts)
        .Object("Title", &TColumnDefValuesEh::Title)
        .Object("Footer", &TColumnDefValuesEh::Footer)
        .Bool("ToolTips", &TColumnDefValuesEh::ToolTips, &TColumnDefValuesEh::SetToolTips);

    RegisterProperties<TColumnTitleEh>()
        .Enum("Alignment", &TColumnTitleEh::Alignment, &TColumnTitleEh::SetAlignment, alignments)
        .Str("Caption", &TColumnTitleEh::Caption, &TColumnTitleEh::SetCaption)
        .Int("Color", &TColumnTitleEh::Color, &TColumnTitleEh::SetColor)
        .Bool("EndEllipsis", &TColumnTitleEh::EndEllipsis, &TColumnTitleEh::SetEndEllipsis)
        .Object("Font", &TColumnTitleEh::Font)
        .Str("Hint", &TColumnTitleEh::Hint, &TColumnTitleEh::SetHint)
        .Int("ImageIndex", &TColumnTitleEh::ImageIndex, &TColumnTitleEh::SetImageIndex)
        .Enum("Orientation", &TColumnTitleEh::Orientation, &TColumnTitleEh::SetOrientation,
              {"tohHorizontal", "tohVertical"})
        .Int("SortIndex", &TColumnTitleEh::SortIndex, &TColumnTitleEh::SetSortIndex)
        .Enum("SortMarker", &TColumnTitleEh::SortMarker, &TColumnTitleEh::SetSortMarker,
              {"smNoneEh", "smDownEh", "smUpEh"})
        .Bool("TitleButton", &TColumnTitleEh::TitleButton, &TColumnTitleEh::SetTitleButton)
        .Bool("ToolTips", &TColumnTitleEh::ToolTips, &TColumnTitleEh::SetToolTips);

    RegisterProperties<TColumnFooterEh>()
        .Enum("Alignment", &TColumnFooterEh::Alignment, &TColumnFooterEh::SetAlignment, alignments)
        .Int("Color", &TColumnFooterEh::Color, &TColumnFooterEh::SetColor)
        .Str("DisplayFormat", &TColumnFooterEh::DisplayFormat, &TColumnFooterEh::SetDisplayFormat)
        .Bool("EndEllipsis", &TColumnFooterEh::EndEllipsis, &TColumnFooterEh::SetEndEllipsis)
        .Str("FieldName", &TColumnFooterEh::FieldName, &TColumnFooterEh::SetFieldName)
        .Object("Font", &TColumnFooterEh::Font)
        .Bool("ToolTips", &TColumnFooterEh::ToolTips, &TColumnFooterEh::SetToolTips)
        .Str("Value", &TColumnFooterEh::Value, &TColumnFooterEh::SetValue)
        .Enum("ValueType", &TColumnFooterEh::ValueType, &TColumnFooterEh::SetValueType,
              {"fvtNon", "fvtSum", "fvtAvg", "fvtCount", "fvtFieldValue", "fvtStaticText"})
        .Bool("WordWrap", &TColumnFooterEh::WordWrap, &TColumnFooterEh::SetWordWrap);

    RegisterProperties<TDBGridColumnEh>()
        .Enum("Alignment", &TColumnEh::Alignment, &TColumnEh::SetAlignment, alignments)
        .Bool("AlwaysShowEditButton", &TColumnEh::AlwaysShowEditButton, &TColumnEh::SetAlwaysShowEditButton)
        .Bool("AutoDropDown", &TColumnEh::AutoDropDown, &TColumnEh::SetAutoDropDown)
        .Bool("AutoFitColWidth", &TColumnEh::AutoFitColWidth, &TColumnEh::SetAutoFitColWidth)
        .Enum("BiDiMode", &TColumnEh::BiDiMode, &TColumnEh::SetBiDiMode,
              {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"})
        .Enum("ButtonStyle", &TColumnEh::ButtonStyle, &TColumnEh::SetButtonStyle,
              {"cbsAuto", "cbsEllipsis", "cbsNone", "cbsUpDown", "cbsDropDown"})
        .Bool("Checkboxes", &TColumnEh::Checkboxes, &TColumnEh::SetCheckboxes)
        .Int("Color", &TColumnEh::Color, &TColumnEh::SetColor)
        .Bool("DblClickNextVal", &TColumnEh::DblClickNextVal, &TColumnEh::SetDblClickNextVal)
        .Str("DisplayFormat", &TColumnEh::DisplayFormat, &TColumnEh::SetDisplayFormat)
        .Int("DropDownRows", &TColumnEh::DropDownRows, &TColumnEh::SetDropDownRows)
        .Bool("DropDownShowTitles", &TColumnEh::DropDownShowTitles, &TColumnEh::SetDropDownShowTitles)
        .Bool("DropDownSizing", &TColumnEh::DropDownSizing, &TColumnEh::SetDropDownSizing)
        .Object("DropDownSpecRow", &TColumnEh::DropDownSpecRow)
        .Int("DropDownWidth", &TColumnEh::DropDownWidth, &TColumnEh::SetDropDownWidth)
        .Object("EditButtons", &TColumnEh::EditButtons)
        .Str("EditMask", &TColumnEh::EditMask, &TColumnEh::SetEditMask)
        .Bool("EndEllipsis", &TColumnEh::EndEllipsis, &TColumnEh::SetEndEllipsis)
        .Str("FieldName", &TColumnEh::FieldName, &TColumnEh::SetFieldName)
        .Object("Font", &TColumnEh::Font)
        .Object("Footer", &TColumnEh::Footer)
        .Object("Footers", &TColumnEh::Footers)
        .Bool("HideDuplicates", &TColumnEh::HideDuplicates, &TColumnEh::SetHideDuplicates)
        .Bool("HighlightRequired", &TColumnEh::HighlightRequired, &TColumnEh::SetHighlightRequired)
        .Enum("ImeMode", &TColumnEh::ImeMode, &TColumnEh::SetImeMode,
              {"imDisable", "imClose", "imOpen", "imDontCare", "imSAlpha", "imAlpha", "imHira", "imSKata", "imKata",
               "imChinese", "imSHanguel", "imHanguel"})
        .Str("ImeName", &TColumnEh::ImeName, &TColumnEh::SetImeName)
        .Float("Increment", &TColumnEh::Increment, &TColumnEh::SetIncrement)
        .Strings("KeyList", [](TColumnEh& c) { return StringsOf(c.HasKeyList() ? c.KeyList() : nullptr); },
                 [](TColumnEh& c, const std::vector<String>& lines) {
                     TStringList list;
                     AssignLines(&list, lines);
                     c.SetKeyList(&list);
                 })
        .Enum("Layout", &TColumnEh::Layout, &TColumnEh::SetLayout, layouts)
        .Str("LookupDisplayFields", &TColumnEh::LookupDisplayFields, &TColumnEh::SetLookupDisplayFields)
        .Int("MaxWidth", &TColumnEh::MaxWidth, &TColumnEh::SetMaxWidth)
        .Int("MinWidth", &TColumnEh::MinWidth, &TColumnEh::SetMinWidth)
        .Object("MRUList", &TColumnEh::MRUList)
        .Int("NotInKeyListIndex", &TColumnEh::NotInKeyListIndex, &TColumnEh::SetNotInKeyListIndex)
        .Strings("PickList", [](TColumnEh& c) { return StringsOf(c.HasPickList() ? c.PickList() : nullptr); },
                 [](TColumnEh& c, const std::vector<String>& lines) {
                     TStringList list;
                     AssignLines(&list, lines);
                     c.SetPickList(&list);
                 })
        .Bool("ReadOnly", &TColumnEh::ReadOnly, &TColumnEh::SetReadOnly)
        .Bool("ShowImageAndText", &TColumnEh::ShowImageAndText, &TColumnEh::SetShowImageAndText)
        .Int("Tag", &TColumnEh::Tag, &TColumnEh::SetTag)
        .Object("Title", &TColumnEh::Title)
        .Bool("ToolTips", &TColumnEh::ToolTips, &TColumnEh::SetToolTips)
        .Bool("Visible", &TColumnEh::Visible, &TColumnEh::SetVisible)
        .Int("Width", &TColumnEh::Width, &TColumnEh::SetWidth)
        .Bool("WordWrap", &TColumnEh::WordWrap, &TColumnEh::SetWordWrap)
        .Event("OnCheckDrawRequiredState", &TColumnEh::OnCheckDrawRequiredState)
        .Event("OnEditButtonClick", &TColumnEh::OnEditButtonClick)
        .Event("OnEditButtonDown", &TColumnEh::OnEditButtonDown)
        .Event("OnGetCellParams", &TColumnEh::OnGetCellParams, &TColumnEh::SetOnGetCellParams)
        .Event("OnNotInList", &TColumnEh::OnNotInList)
        .Event("OnUpdateData", &TColumnEh::OnUpdateData);

    RegisterProperties<TColumnEhPropertyInterceptor>().Int("Width", &TColumnEhPropertyInterceptor::Width,
                                                           &TColumnEhPropertyInterceptor::SetWidth);
    RegisterProperties<TColumnsEhPropertyInterceptor>().Str(
        "ColumnsIndex", &TColumnsEhPropertyInterceptor::ColumnsIndex, &TColumnsEhPropertyInterceptor::SetColumnsIndex);
}

// ---- TColumnDropDownBoxEh -------------------------------------------------------------------------

TColumnLookupGridFactoryEh& ColumnLookupGridFactory() {
    static TColumnLookupGridFactoryEh factory = nullptr;
    return factory;
}

TColumnDropDownBoxEh::TColumnDropDownBoxEh(TColumnEh* owner)
    : owner_(owner), specRow_(std::make_unique<TSpecRowEh>(owner)) {}

TColumnDropDownBoxEh::~TColumnDropDownBoxEh() = default;

TPersistent* TColumnDropDownBoxEh::GetOwner() const { return owner_; }

IColumnLookupGridEh* TColumnDropDownBoxEh::Grid() const { return owner_ ? owner_->LookupGrid() : nullptr; }

TDBGridColumnsEh* TColumnDropDownBoxEh::Columns() const {
    IColumnLookupGridEh* grid = Grid();
    return grid ? grid->LookupGridColumns() : nullptr;
}

void TColumnDropDownBoxEh::SetColumns(TDBGridColumnsEh* value) {
    if (TDBGridColumnsEh* columns = Columns()) columns->Assign(value);
}

bool TColumnDropDownBoxEh::ColumnsStored() const {
    TDBGridColumnsEh* columns = Columns();
    return columns && columns->Customized();
}

TColumnDefValuesEh* TColumnDropDownBoxEh::ColumnDefValues() const {
    IColumnLookupGridEh* grid = Grid();
    return grid ? grid->LookupGridColumnDefValues() : nullptr;
}

void TColumnDropDownBoxEh::SetColumnDefValues(TColumnDefValuesEh* value) {
    if (TColumnDefValuesEh* values = ColumnDefValues()) values->Assign(value);
}

TDBLookupGridEhOptions TColumnDropDownBoxEh::Options() const {
    IColumnLookupGridEh* grid = Grid();
    return grid ? grid->LookupGridOptions() : TDBLookupGridEhOptions();
}

void TColumnDropDownBoxEh::SetOptions(TDBLookupGridEhOptions value) {
    if (IColumnLookupGridEh* grid = Grid()) grid->SetLookupGridOptions(value);
}

void TColumnDropDownBoxEh::SetListSource(TDataSource* value) {
    if (value == listSource_) return;
    listSource_ = value;
    if (IColumnLookupGridEh* grid = Grid()) grid->SetLookupGridListSource(value);
}

void TColumnDropDownBoxEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TColumnDropDownBoxEh*>(source);
    if (!other) return TPersistent::Assign(source);
    align_ = other->align_;
    autoDrop_ = other->autoDrop_;
    autoFitColWidths_ = other->autoFitColWidths_;
    // A lookup grid the source never made has default values and no columns: nothing to copy.
    if (other->owner_ && other->owner_->LookupGridIfMade()) {
        SetColumnDefValues(other->ColumnDefValues());
        if (other->ColumnsStored())
            SetColumns(other->Columns());
        else if (TDBGridColumnsEh* columns = Columns())
            columns->Clear();
        SetOptions(other->Options());
    } else if (owner_ && owner_->LookupGridIfMade()) {
        Columns()->Clear();
    }
    rows_ = other->rows_;
    width_ = other->width_;
    sizable_ = other->sizable_;
    showTitles_ = other->showTitles_;
    useMultiTitle_ = other->useMultiTitle_;
    SetListSource(other->listSource_);
}
