// The grid's column family: what one shown column of the data grid is, its title and footer, the
// defaults that columns follow, the column collection, and the sort markers of the titles.
// Windows-free: the grid is reached through TDBGridEhCore (DBGridEhCore.h).
//
// Classes in this file:
//   TColCellParamsEh             the parameters of one cell that a column fills and events change
//   TColumnDefValuesEh & co.     the grid's column defaults (ColumnDefValues) and its title/footer parts
//   TColumnTitleEh               a column's title: caption, colours, font, sort marker and sort index
//   TColumnFooterEh, ...Footers  a column's footer(s); their aggregates belong to the grid's engine
//   TColumnEh, TDBGridColumnEh   one column: assigned-value flags, field binding, texts, values
//   TDBGridColumnsEh             the grid's column collection (stored vs not-stored columns)
//   TColumnsEhList               a non-owning ordered list of columns (SortMarkedColumnList)
//   TColumnEhPropertyInterceptor, TColumnsEhPropertyInterceptor   stored-property interceptors
//
// Readers return the stored value when its flag is set, else the value they follow (the grid's,
// ColumnDefValues' or the field's). Writers that change the look end with Changed(False), which
// reaches the collection's Update and the grid's layout.
//
// Not yet: STFilter, the column's pop-up menu and image list are references only (their classes come
// with their own Parts). The lookup drop-down grid itself is a control (DBLookupGridsEh.h); a column
// reaches it through IColumnLookupGridEh, made by the factory that the controls' unit sets.
#pragma once

#include "Collection.h"
#include "DB.h"
#include "DbUtilsEh.h"
#include "GridTypesEh.h"
#include "Lists.h"
#include "PropFilerEh.h"
#include "ToolCtrlsEh.h"
#include "Variant.h"

#include <memory>
#include <vector>

class TDBGridEhCore;
class TColumnEh;
class TDBGridColumnsEh;
class TColumnFooterEh;
class TSTColumnFilterEh;
class TFiler;
class TReader;

enum TColumnButtonStyleEh { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
enum TSortMarkerEh { smNoneEh, smDownEh, smUpEh };
enum TTextOrientationEh { tohHorizontal, tohVertical };
enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };
// How a column shows and edits its values (tested in this order: check box, lookup, pick list,
// image, key list, common).
enum TColumnEhValueType { ctCommon, ctPickList, ctLookupField, ctKeyImageList, ctKeyPickList, ctCheckboxes };

// The assigned-value flags of a column (the title's are part of the set), in this order.
enum TColumnEhAssignedValue {
    cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly, cvTitleColor, cvTitleCaption, cvTitleAlignment,
    cvTitleFont, cvTitleButton, cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation, cvImeMode, cvImeName,
    cvWordWrap, cvLookupDisplayFields, cvCheckboxes, cvAlwaysShowEditButton, cvEndEllipsis, cvAutoDropDown,
    cvDblClickNextVal, cvToolTips, cvDropDownSizing, cvDropDownShowTitles, cvLayout, cvHighlightRequired,
    cvBiDiMode
};
using TColumnEhValues = TEnumSet<TColumnEhAssignedValue>;

// ---- Cell parameters ------------------------------------------------------------------------------

class TColCellParamsEh : public TObject {
    VESTREL_CLASS(TColCellParamsEh, TObject)
public:
    TColCellParamsEh();
    ~TColCellParamsEh() override;

    int Row = -1;
    int Col = -1;
    TGridDrawState State;
    TColor Background = clWindow;
    TCustomFont* Font() const { return font_.get(); }
    TAlignment Alignment = taLeftJustify;
    int ImageIndex = -1;
    String Text;
    TCheckBoxState CheckboxState = cbUnchecked;
    bool ReadOnly = false;

private:
    std::unique_ptr<TCustomFont> font_;
};

using TGetColCellParamsEventEh = TEvent<void(TObject* Sender, bool EditMode, TColCellParamsEh* Params)>;
using TNotInListEventEh = TEvent<void(TObject* Sender, Variant NewValue, bool& RecheckInList)>;
// Asked for each painted cell of a column that highlights required values (the cell's record is the
// data set's active one); DrawState comes in as the grid's own answer and may be changed.
using TOnColumnCheckDrawRequiredStateEventEh = TEvent<void(TObject* Sender, bool& DrawState)>;
using TColCellUpdateDataEventEh =
    TEvent<void(TObject* Sender, String& Text, Variant& Value, bool& UseText, bool& Handled)>;

// ---- Defaults -------------------------------------------------------------------------------------

class TColumnTitleDefValuesEh : public TPersistent {
    VESTREL_CLASS(TColumnTitleDefValuesEh, TPersistent)
public:
    explicit TColumnTitleDefValuesEh(TDBGridEhCore* grid) : grid_(grid) {}
    void Assign(TPersistent* source) override;

    // Follows: taCenter with the grid's UseMultiTitle, else taLeftJustify.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    bool AlignmentAssigned() const { return alignmentAssigned_; }
    TColor Color() const;  // follows the grid's FixedColor
    void SetColor(TColor value);
    bool ColorAssigned() const { return colorAssigned_; }
    bool EndEllipsis() const { return endEllipsis_; }
    void SetEndEllipsis(bool value);
    TTextOrientationEh Orientation() const { return orientation_; }
    void SetOrientation(TTextOrientationEh value);
    bool TitleButton() const { return titleButton_; }
    void SetTitleButton(bool value) { titleButton_ = value; }
    bool ToolTips() const { return toolTips_; }
    void SetToolTips(bool value) { toolTips_ = value; }

private:
    TDBGridEhCore* grid_;
    TAlignment alignment_ = taLeftJustify;
    TColor color_ = clBtnFace;
    TTextOrientationEh orientation_ = tohHorizontal;
    bool alignmentAssigned_ = false;
    bool colorAssigned_ = false;
    bool endEllipsis_ = false;
    bool titleButton_ = false;
    bool toolTips_ = false;
};

class TColumnFooterDefValuesEh : public TPersistent {
    VESTREL_CLASS(TColumnFooterDefValuesEh, TPersistent)
public:
    void Assign(TPersistent* source) override;
    bool ToolTips() const { return toolTips_; }
    void SetToolTips(bool value) { toolTips_ = value; }

private:
    bool toolTips_ = false;
};

class TColumnDefValuesEh : public TPersistent {
    VESTREL_CLASS(TColumnDefValuesEh, TPersistent)
public:
    explicit TColumnDefValuesEh(TDBGridEhCore* grid);
    ~TColumnDefValuesEh() override;
    void Assign(TPersistent* source) override;

    TDBGridEhCore* Grid() const { return grid_; }
    bool AlwaysShowEditButton() const { return alwaysShowEditButton_; }
    void SetAlwaysShowEditButton(bool value);
    bool AutoDropDown() const { return autoDropDown_; }
    void SetAutoDropDown(bool value) { autoDropDown_ = value; }
    bool DblClickNextVal() const { return dblClickNextVal_; }
    void SetDblClickNextVal(bool value) { dblClickNextVal_ = value; }
    bool DropDownShowTitles() const { return dropDownShowTitles_; }
    void SetDropDownShowTitles(bool value) { dropDownShowTitles_ = value; }
    bool DropDownSizing() const { return dropDownSizing_; }
    void SetDropDownSizing(bool value) { dropDownSizing_ = value; }
    bool EndEllipsis() const { return endEllipsis_; }
    void SetEndEllipsis(bool value);
    bool HighlightRequired() const { return highlightRequired_; }
    void SetHighlightRequired(bool value);
    bool ToolTips() const { return toolTips_; }
    void SetToolTips(bool value) { toolTips_ = value; }
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    TColumnTitleDefValuesEh* Title() const { return title_.get(); }
    void SetTitle(TColumnTitleDefValuesEh* value) { title_->Assign(value); }
    TColumnFooterDefValuesEh* Footer() const { return footer_.get(); }
    void SetFooter(TColumnFooterDefValuesEh* value) { footer_->Assign(value); }

private:
    TDBGridEhCore* grid_;
    std::unique_ptr<TColumnTitleDefValuesEh> title_;
    std::unique_ptr<TColumnFooterDefValuesEh> footer_;
    TTextLayout layout_ = tlTop;
    bool alwaysShowEditButton_ = false;
    bool autoDropDown_ = false;
    bool dblClickNextVal_ = false;
    bool dropDownShowTitles_ = false;
    bool dropDownSizing_ = false;
    bool endEllipsis_ = false;
    bool highlightRequired_ = false;
    bool toolTips_ = false;
};

// The published class the grid creates.
class TDBGridEhColumnDefValuesEh : public TColumnDefValuesEh {
    VESTREL_CLASS(TDBGridEhColumnDefValuesEh, TColumnDefValuesEh)
public:
    using TColumnDefValuesEh::TColumnDefValuesEh;
};

// ---- Title ----------------------------------------------------------------------------------------

class TColumnTitleEh : public TPersistent {
    VESTREL_CLASS(TColumnTitleEh, TPersistent)
public:
    explicit TColumnTitleEh(TColumnEh* column);
    ~TColumnTitleEh() override;
    void Assign(TPersistent* source) override;

    TColumnEh* Column() const { return column_; }
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    String Caption() const;
    virtual void SetCaption(const String& value);
    TColor Color() const;
    void SetColor(TColor value);
    bool EndEllipsis() const;
    void SetEndEllipsis(bool value);
    TCustomFont* Font() const;  // follows the grid's TitleFont while not assigned
    void SetFont(TCustomFont* value) { font_->Assign(value); }
    const String& Hint() const { return hint_; }
    void SetHint(const String& value) { hint_ = value; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    TTextOrientationEh Orientation() const;
    void SetOrientation(TTextOrientationEh value);
    bool TitleButton() const;
    void SetTitleButton(bool value);
    bool ToolTips() const;
    void SetToolTips(bool value);

    // Sort markers.
    TSortMarkerEh SortMarker() const { return sortMarker_; }
    void SetSortMarker(TSortMarkerEh value) { ChangeSortMarker(value); }
    int SortIndex() const { return sortIndex_; }
    void SetSortIndex(int value) { ChangeSortIndex(value); }
    // Keeps SortIndex and the grid's SortMarkedColumnList in step with the marker.
    void ChangeSortMarker(TSortMarkerEh value);
    // Moves the column inside the sort order (exchanging with the column that holds the index).
    void ChangeSortIndex(int value);
    // One step of the click cycle; `ctrlHeld` adds the column to a multi-column sort.
    void ToggleSortMarker(bool ctrlHeld);
    // Width of the sort area of this title in a column `columnWidth` wide, with `digitsWidth` the
    // width of the SortIndex digits in the sort-index font.
    int SortAreaWidth(int columnWidth, int digitsWidth) const;

    // Clears the title's flags and caption; refreshes the default font.
    virtual void ResetToDefaults();
    bool IsCaptionStored() const;
    // The default font copied into the title font when it is not assigned.
    void RefreshDefaultFont() const;

private:
    friend class TColumnEh;
    friend class TDBGridColumnsEh;
    friend class TDBGridEhCore;
    TDBGridEhCore* Grid() const;
    TColumnDefValuesEh* DefValues() const;
    void FontChanged(TObject* sender);
    void SetSortIndexRaw(int value) { sortIndex_ = value; }
    void SetSortMarkerRaw(TSortMarkerEh value) { sortMarker_ = value; }

    TColumnEh* column_;
    std::unique_ptr<TCustomFont> font_;
    String caption_;
    String hint_;
    TAlignment alignment_ = taLeftJustify;
    TColor color_ = clBtnFace;
    TTextOrientationEh orientation_ = tohHorizontal;
    int imageIndex_ = -1;
    int sortIndex_ = 0;
    TSortMarkerEh sortMarker_ = smNoneEh;
    bool endEllipsis_ = false;
    bool titleButton_ = false;
    bool toolTips_ = false;
    mutable bool refreshingFont_ = false;
};

// ---- Footers --------------------------------------------------------------------------------------

class TColumnFooterEh : public TCollectionItem {
    VESTREL_CLASS(TColumnFooterEh, TCollectionItem)
public:
    // A column's own footer (collection nullptr, column given) or an item of its Footers.
    explicit TColumnFooterEh(TCollection* collection);
    explicit TColumnFooterEh(TColumnEh* column);
    ~TColumnFooterEh() override;
    void Assign(TPersistent* source) override;

    TColumnEh* Column() const { return column_; }
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    TColor Color() const;
    void SetColor(TColor value);
    const String& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const String& value);
    bool EndEllipsis() const { return endEllipsis_; }
    void SetEndEllipsis(bool value);
    const String& FieldName() const { return fieldName_; }
    void SetFieldName(const String& value);
    TCustomFont* Font() const;
    void SetFont(TCustomFont* value) { font_->Assign(value); }
    bool ToolTips() const;
    void SetToolTips(bool value);
    const String& Value() const { return value_; }
    void SetValue(const String& value);
    TFooterValueType ValueType() const { return valueType_; }
    void SetValueType(TFooterValueType value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    // The aggregate item of the grid's engine that this footer owns (set by the engine).
    TObject* SumItem() const { return sumItem_; }
    void SetSumItem(TObject* item) { sumItem_ = item; }

    virtual void ResetToDefaults();
    bool AlignmentAssigned() const { return alignmentAssigned_; }
    bool ColorAssigned() const { return colorAssigned_; }
    bool FontAssigned() const { return fontAssigned_; }
    bool ToolTipsAssigned() const { return toolTipsAssigned_; }

private:
    void Init();
    void ColumnChanged(bool allItems);
    void FontChanged(TObject* sender);
    void RefreshDefaultFont() const;

    TColumnEh* column_ = nullptr;
    std::unique_ptr<TCustomFont> font_;
    String displayFormat_;
    String fieldName_;
    String value_;
    TObject* sumItem_ = nullptr;
    TAlignment alignment_ = taLeftJustify;
    TColor color_ = clWindow;
    TFooterValueType valueType_ = fvtNon;
    bool endEllipsis_ = false;
    bool toolTips_ = false;
    bool wordWrap_ = false;
    bool alignmentAssigned_ = false;
    bool colorAssigned_ = false;
    bool fontAssigned_ = false;
    bool toolTipsAssigned_ = false;
    mutable bool refreshingFont_ = false;
};

class TColumnFootersEh : public TCollection {
    VESTREL_CLASS(TColumnFootersEh, TCollection)
public:
    explicit TColumnFootersEh(TColumnEh* column);
    TColumnEh* Column() const { return column_; }
    TPersistent* GetOwner() const override;
    TColumnFooterEh* Items(int index) const { return static_cast<TColumnFooterEh*>(TCollection::Items(index)); }
    TColumnFooterEh* Add() { return static_cast<TColumnFooterEh*>(TCollection::Add()); }

protected:
    void Update(TCollectionItem* item) override;

private:
    TColumnEh* column_;
};

// ---- Lookup drop-down box ------------------------------------------------------------------------

enum TDBLookupGridEhOption { dlgColumnResizeEh, dlgColLinesEh, dlgRowLinesEh, dlgAutoSortMarkingEh, dlgMultiSortMarkingEh };
using TDBLookupGridEhOptions = TEnumSet<TDBLookupGridEhOption>;

// What a column's lookup drop-down grid offers the column's settings.
class IColumnLookupGridEh {
public:
    virtual ~IColumnLookupGridEh() = default;
    virtual TDBGridColumnsEh* LookupGridColumns() = 0;
    virtual TColumnDefValuesEh* LookupGridColumnDefValues() = 0;
    virtual TDBLookupGridEhOptions LookupGridOptions() = 0;
    virtual void SetLookupGridOptions(TDBLookupGridEhOptions value) = 0;
    virtual void SetLookupGridListSource(TDataSource* value) = 0;
    // The drop-down control itself.
    virtual TObject* LookupGridControl() = 0;
};
using TColumnLookupGridFactoryEh = std::unique_ptr<IColumnLookupGridEh> (*)(TColumnEh* column);
// Set by the controls' unit; without it columns have no lookup grid.
TColumnLookupGridFactoryEh& ColumnLookupGridFactory();

// The settings of the drop-down lookup grid of a column; most of them live in the column's lookup
// grid and are forwarded to it.
class TColumnDropDownBoxEh : public TPersistent {
    VESTREL_CLASS(TColumnDropDownBoxEh, TPersistent)
public:
    explicit TColumnDropDownBoxEh(TColumnEh* owner);
    ~TColumnDropDownBoxEh() override;
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() const;

    // Through the column's lookup grid: nothing (empty) when the column has none.
    TDBGridColumnsEh* Columns() const;
    // Assigns the columns when the column has a lookup grid.
    void SetColumns(TDBGridColumnsEh* value);
    bool ColumnsStored() const;
    TColumnDefValuesEh* ColumnDefValues() const;
    void SetColumnDefValues(TColumnDefValuesEh* value);
    TDBLookupGridEhOptions Options() const;
    void SetOptions(TDBLookupGridEhOptions value);
    TDataSource* ListSource() const { return listSource_; }
    void SetListSource(TDataSource* value);

    bool AutoFitColWidths() const { return autoFitColWidths_; }
    void SetAutoFitColWidths(bool value) { autoFitColWidths_ = value; }
    TAlignment Align() const { return align_; }
    void SetAlign(TAlignment value) { align_ = value; }
    bool AutoDrop() const { return autoDrop_; }
    void SetAutoDrop(bool value) { autoDrop_ = value; }
    int Rows() const { return rows_; }
    void SetRows(int value) { rows_ = value; }
    int Width() const { return width_; }
    void SetWidth(int value) { width_ = value; }
    bool Sizable() const { return sizable_; }
    void SetSizable(bool value) { sizable_ = value; }
    bool ShowTitles() const { return showTitles_; }
    void SetShowTitles(bool value) { showTitles_ = value; }
    bool UseMultiTitle() const { return useMultiTitle_; }
    void SetUseMultiTitle(bool value) { useMultiTitle_ = value; }
    TSpecRowEh* SpecRow() const { return specRow_.get(); }

private:
    IColumnLookupGridEh* Grid() const;

    TColumnEh* owner_;
    TAlignment align_ = taLeftJustify;
    bool autoDrop_ = false;
    int rows_ = 7;
    int width_ = 0;
    bool sizable_ = false;
    bool showTitles_ = false;
    bool useMultiTitle_ = false;
    std::unique_ptr<TSpecRowEh> specRow_;
    bool autoFitColWidths_ = true;
    TDataSource* listSource_ = nullptr;
};

// ---- Column ---------------------------------------------------------------------------------------

class TColumnEh : public TCollectionItem, public ISpecRowOwnerEh {
    VESTREL_CLASS(TColumnEh, TCollectionItem)
public:
    explicit TColumnEh(TCollection* collection);
    ~TColumnEh() override;
    void AfterConstruction() override;
    void Assign(TPersistent* source) override;
    String GetDisplayName() const override;
    void SetIndex(int index) override;

    TDBGridEhCore* Grid() const;
    TDBGridColumnsEh* Columns() const;
    TColumnEhValues AssignedValues() const { return assigned_; }
    bool Stored() const { return stored_; }

    // The bound field, looked up by FieldName on first need.
    TField* Field() const;
    virtual void SetField(TField* value);
    const String& FieldName() const { return fieldName_; }
    void SetFieldName(const String& value);

    // Properties that follow defaults.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    bool AlwaysShowEditButton() const;
    void SetAlwaysShowEditButton(bool value);
    bool AutoDropDown() const;
    void SetAutoDropDown(bool value);
    TBiDiMode BiDiMode() const;
    void SetBiDiMode(TBiDiMode value);
    bool Checkboxes() const;
    void SetCheckboxes(bool value);
    TColor Color() const;
    void SetColor(TColor value);
    bool DblClickNextVal() const;
    void SetDblClickNextVal(bool value);
    bool DropDownShowTitles() const;
    void SetDropDownShowTitles(bool value);
    bool DropDownSizing() const;
    void SetDropDownSizing(bool value);
    bool EndEllipsis() const;
    void SetEndEllipsis(bool value);
    TCustomFont* Font() const;  // a copy of the grid's font while not assigned
    void SetFont(TCustomFont* value) { font_->Assign(value); }
    bool HighlightRequired() const;
    void SetHighlightRequired(bool value);
    TImeMode ImeMode() const;
    void SetImeMode(TImeMode value);
    TImeName ImeName() const;
    void SetImeName(const TImeName& value);
    TTextLayout Layout() const;
    void SetLayout(TTextLayout value);
    String LookupDisplayFields() const;
    void SetLookupDisplayFields(const String& value);
    bool ReadOnly() const;
    void SetReadOnly(bool value);
    bool ToolTips() const;
    void SetToolTips(bool value);
    int Width() const;
    void SetWidth(int value);
    bool WordWrap() const;
    void SetWordWrap(bool value);

    // Plain properties.
    bool AutoFitColWidth() const { return autoFitColWidth_; }
    void ChangeAutoFitColWidth(bool value);
    void SetAutoFitColWidth(bool value) { ChangeAutoFitColWidth(value); }
    int AutoFitBaseWidth() const { return autoFitBaseWidth_; }
    void SetAutoFitBaseWidth(int value) { autoFitBaseWidth_ = value; }
    TColumnButtonStyleEh ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TColumnButtonStyleEh value);
    const String& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const String& value);
    int DropDownRows() const { return dropDownRows_; }
    void SetDropDownRows(int value) { dropDownRows_ = value < 0 ? 0 : value; }
    int DropDownWidth() const { return dropDownWidth_; }
    void SetDropDownWidth(int value);
    const String& EditMask() const { return editMask_; }
    void SetEditMask(const String& value);
    bool HideDuplicates() const { return hideDuplicates_; }
    void SetHideDuplicates(bool value);
    double Increment() const { return increment_; }
    void SetIncrement(double value) { increment_ = value; }
    int MaxWidth() const { return maxWidth_; }
    void ChangeMaxWidth(int value);
    void SetMaxWidth(int value) { ChangeMaxWidth(value); }
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int value);
    int NotInKeyListIndex() const { return notInKeyListIndex_; }
    void SetNotInKeyListIndex(int value);
    bool ShowImageAndText() const { return showImageAndText_; }
    void SetShowImageAndText(bool value);
    int Tag() const { return tag_; }
    void SetTag(int value) { tag_ = value; }
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // References whose classes come with other Parts.
    TComponent* ImageList() const { return imageList_; }
    void SetImageList(TComponent* value);
    TComponent* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TComponent* value);

    // Owned lists: made on first read; nullptr frees them.
    TStrings* KeyList();
    void SetKeyList(TStrings* value);
    bool HasKeyList() const { return keyList_ && keyList_->Count() > 0; }
    TStrings* PickList();
    void SetPickList(TStrings* value);
    void ChangePickList(TStrings* value) { SetPickList(value); }
    bool HasPickList() const { return pickList_ && pickList_->Count() > 0; }

    // Owned objects.
    TSTColumnFilterEh* STFilter() const;
    void SetSTFilter(TSTColumnFilterEh* value);
    TColumnTitleEh* Title() const { return title_.get(); }
    void SetTitle(TColumnTitleEh* value) { title_->Assign(value); }
    TColumnFooterEh* Footer() const { return footer_.get(); }
    void SetFooter(TColumnFooterEh* value) { footer_->Assign(value); }
    TColumnFootersEh* Footers() const { return footers_.get(); }
    void SetFooters(TColumnFootersEh* value) { footers_->Assign(value); }
    TColumnFooterEh* FooterForRow(int index) const;
    TEditButtonsEh* EditButtons() const { return editButtons_.get(); }
    void SetEditButtons(TEditButtonsEh* value) { editButtons_->Assign(value); }
    TSpecRowEh* DropDownSpecRow() const { return specRow_.get(); }
    void SetDropDownSpecRow(TSpecRowEh* value) { specRow_->Assign(value); }
    TMRUListEh* MRUList() const { return mruList_.get(); }
    void SetMRUList(TMRUListEh* value) { mruList_->Assign(value); }

    // Values and texts.
    TColumnEhValueType GetColumnType() const;
    String DisplayText() const;
    int GetImageIndex() const;
    TCheckBoxState CheckboxState() const;
    void SetCheckboxState(TCheckBoxState value);
    bool CanModify(bool tryEdit);
    void WriteValue(String text, Variant value, bool useText);
    void NextValue(double step);
    int BoundedWidth(int tryWidth) const;
    int DefaultWidth() const;
    // Width of the edit buttons' area of a data cell (`flatWidth`: the flat button width).
    int EditButtonsWidth(int flatWidth, int scrollBarWidth) const;
    // The data set of the lookup list (the field's LookupDataSet).
    TDataSet* LookupListDataSet() const;
    // The column's lookup drop-down grid, made on first need (nullptr without a factory).
    IColumnLookupGridEh* LookupGrid() const;
    IColumnLookupGridEh* LookupGridIfMade() const { return lookupGrid_.get(); }
    TColumnDropDownBoxEh* DropDownBox() const { return dropDownBox_.get(); }
    void SetDropDownBox(TColumnDropDownBoxEh* value) { dropDownBox_->Assign(value); }
    bool UseRightToLeftAlignment() const;
    bool UseRightToLeftReading() const;

    // Cell parameters.
    void FillColCellParams(TColCellParamsEh* params);
    virtual void GetCellParams(bool editMode, TColCellParamsEh* params);
    void OptimizeWidth();
    void EnsureFooterSum();
    virtual void ResetToDefaults();

    // Stored-in-form-description rules.
    bool IsPropertyStored(const String& name) const;

    TOnColumnCheckDrawRequiredStateEventEh OnCheckDrawRequiredState;
    TButtonClickEventEh OnEditButtonClick;
    TButtonDownEventEh OnEditButtonDown;
    TGetColCellParamsEventEh OnGetCellParams() const { return onGetCellParams_; }
    void SetOnGetCellParams(const TGetColCellParamsEventEh& value);
    TNotInListEventEh OnNotInList;
    TColCellUpdateDataEventEh OnUpdateData;

    // ISpecRowOwnerEh
    TCustomFont* SpecRowOwnerFont() override { return Font(); }
    TColor SpecRowOwnerColor() override { return Color(); }

    // Public so the grid and the footers can notify through the column.
    void ColumnChanged(bool allItems) { Changed(allItems); }

protected:
    virtual void CreateEditButtons();
    virtual void MakeFooter();
    virtual void MakeFooters();
    virtual void MakeTitle();
    virtual bool IsNotStored() const { return !stored_; }
    virtual void DropDownSpecRowChanged(TObject* sender);

private:
    friend class TDBGridColumnsEh;
    friend class TColumnTitleEh;
    friend class TColumnFooterEh;
    friend class TDBGridEhCore;

    bool Has(TColumnEhAssignedValue v) const { return assigned_.Contains(v); }
    void Mark(TColumnEhAssignedValue v) { assigned_.Include(v); }
    void FontChanged(TObject* sender);
    void EditButtonsChanged(TObject* sender);
    void RefreshDefaultFont() const;
    TField* FieldForEdit() const;  // the field, or the first key field of a lookup field
    bool IsNumericField(const TField* field) const;
    void WriteText(TField* field, const String& text);
    void StepListValue(const TStrings* list, const String& current, bool forward, bool asValue);

    bool stored_ = true;
    TColumnEhValues assigned_;
    mutable TField* field_ = nullptr;
    String fieldName_;
    std::unique_ptr<TCustomFont> font_;
    std::unique_ptr<TColumnTitleEh> title_;
    mutable std::unique_ptr<TSTColumnFilterEh> stFilter_;
    std::unique_ptr<TColumnFooterEh> footer_;
    std::unique_ptr<TColumnFootersEh> footers_;
    std::unique_ptr<TEditButtonsEh> editButtons_;
    std::unique_ptr<TSpecRowEh> specRow_;
    std::unique_ptr<TMRUListEh> mruList_;
    mutable std::unique_ptr<IColumnLookupGridEh> lookupGrid_;
    std::unique_ptr<TColumnDropDownBoxEh> dropDownBox_;
    std::unique_ptr<TStringList> keyList_;
    std::unique_ptr<TStringList> pickList_;
    TComponent* imageList_ = nullptr;
    TComponent* popupMenu_ = nullptr;
    TGetColCellParamsEventEh onGetCellParams_;

    TAlignment alignment_ = taLeftJustify;
    TBiDiMode biDiMode_ = bdLeftToRight;
    TColor color_ = clWindow;
    TImeMode imeMode_ = imDontCare;
    TImeName imeName_;
    TTextLayout layout_ = tlTop;
    String lookupDisplayFields_;
    String displayFormat_;
    String editMask_;
    TColumnButtonStyleEh buttonStyle_ = cbsAuto;
    double increment_ = 1.0;
    int width_ = 0;
    int autoFitBaseWidth_ = 0;
    int dropDownRows_ = 7;
    int dropDownWidth_ = 0;
    int maxWidth_ = 0;
    int minWidth_ = 0;
    int notInKeyListIndex_ = -1;
    int tag_ = 0;
    bool alwaysShowEditButton_ = false;
    bool autoDropDown_ = false;
    bool autoFitColWidth_ = true;
    bool checkboxes_ = false;
    bool dblClickNextVal_ = false;
    bool dropDownShowTitles_ = false;
    bool dropDownSizing_ = false;
    bool endEllipsis_ = false;
    bool hideDuplicates_ = false;
    bool highlightRequired_ = false;
    bool readOnly_ = false;
    bool showImageAndText_ = false;
    bool toolTips_ = false;
    bool visible_ = true;
    bool wordWrap_ = false;
    mutable bool refreshingFont_ = false;
    bool constructed_ = false;
};

// One column's filter in the grid's filter row: the text the user typed and the expression read
// from it. The expression's values take the type of the column's field. Applying the filter to the
// data set is the grid's data service's business.
// A filter with a key field (KeyField set, or a lookup column) is list-based: the typed text is
// looked up in the list data set (ListSource's, or the lookup field's) and the records whose
// filter field holds the key found are kept (KeyValues; FirstOperand answers them).
class TSTColumnFilterEh : public TPersistent {
    VESTREL_CLASS(TSTColumnFilterEh, TPersistent)
public:
    explicit TSTColumnFilterEh(TColumnEh* column);
    ~TSTColumnFilterEh() override;
    // Copies DataField, Visible, KeyField, ListField and ListSource.
    void Assign(TPersistent* source) override;

    TColumnEh* Column() const { return column_; }
    String DataField;  // the field filtered; empty: the column's field
    String KeyField;   // the list's key field; empty: a lookup field's LookupKeyFields
    String ListField;  // the list's shown field; empty: a lookup field's LookupResultField
    TDataSource* ListSource() const;
    void SetListSource(TDataSource* value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // The drop-down's size as last left by the user (0: the default).
    int DropDownListWidth = 0;
    int DropDownListRows = 0;

    const String& ExpressionText() const { return expressionText_; }
    // Reads `text` and repaints the grid; a text that does not read raises and leaves the text and
    // expression as they were.
    void SetExpressionText(const String& text);
    void InternalSetExpressionText(const String& text);
    // No filter: an empty text.
    void Clear();
    const TSTFilterExpressionEh& Expression() const { return expression_; }
    const Variant& KeyValues() const { return keyValues_; }

    // Whether a key field is known (the filter is list-based).
    bool KeyBased() const;
    String KeyFieldName() const;
    String ListFieldName() const;
    // The data set the typed text is looked up in, or nullptr.
    TDataSet* ListDataSet() const;
    // The values of the list's shown field (ListSource's active data set), or nullptr.
    std::unique_ptr<TDatasetFieldValueListEh> ListValues() const;

    virtual String NormalisedText() const;
    virtual bool ShowsDropDownButton() const { return ListSource() != nullptr; }
    virtual String FilterFieldName() const;
    virtual Variant FirstOperand() const { return KeyBased() ? keyValues_ : expression_.Operand1; }
    virtual Variant SecondOperand() const { return expression_.Operand2; }

private:
    TColumnEh* column_;
    std::unique_ptr<TDataLink> listLink_;
    bool visible_ = true;
    String expressionText_;
    TSTFilterExpressionEh expression_;
    Variant keyValues_ = Null();
};

// An object that says itself which of its published properties are written with the columns.
class IStoredPropertiesEh {
public:
    virtual bool IsPropertyStored(const String& name) const = 0;

protected:
    ~IStoredPropertiesEh() = default;
};

// The published column class, the item class of the grid's collection.
class TDBGridColumnEh : public TColumnEh {
    VESTREL_CLASS(TDBGridColumnEh, TColumnEh)
public:
    using TColumnEh::TColumnEh;
};

// ---- Collection -----------------------------------------------------------------------------------

class TDBGridColumnsEh : public TCollection {
    VESTREL_CLASS(TDBGridColumnsEh, TCollection)
public:
    TDBGridColumnsEh(TDBGridEhCore* grid, const TCollectionItemClass& itemClass);
    ~TDBGridColumnsEh() override;

    TDBGridEhCore* Grid() const { return grid_; }
    TPersistent* GetOwner() const override;
    TColumnEh* ColumnAt(int index) const { return static_cast<TColumnEh*>(Items(index)); }
    TColumnEh* operator[](int index) const { return ColumnAt(index); }
    // A new stored column.
    TColumnEh* Add() { return static_cast<TColumnEh*>(TCollection::Add()); }
    // A new not-stored column (the grid's default columns).
    TColumnEh* InternalAdd();
    // Customized: at least one column and the first is stored.
    bool State() const;
    bool Customized() const { return State(); }
    // Drops every column's field-value list.
    void ReleaseAllFieldValueLists();

    // The "Columns" custom property as form-description text: `<item ... end ...>`, with each
    // column's stored properties only.
    String WriteColumnsText() const;
    // Clears the columns and reads them from a description's collection value.
    void ReadColumns(TReader& reader);
    // The ColumnsIndex interceptor property: the field names in order, quoted, comma-separated.
    String ColumnsIndex() const;
    void SetColumnsIndex(const String& text);

protected:
    void Update(TCollectionItem* item) override;

private:
    TDBGridEhCore* grid_;
};

// A non-owning ordered list of columns.
class TColumnsEhList : public TObject {
    VESTREL_CLASS(TColumnsEhList, TObject)
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TColumnEh* ColumnAt(int index) const;  // EListError out of range
    TColumnEh* operator[](int index) const { return ColumnAt(index); }
    void ChangeColumn(int index, TColumnEh* column);
    int Add(TColumnEh* column);
    void Insert(int index, TColumnEh* column);
    void Delete(int index);
    int Remove(TColumnEh* column);  // the index it had, -1 when absent
    int IndexOf(TColumnEh* column) const;
    void Exchange(int a, int b);
    void Clear() { items_.clear(); }
    void SetCount(int count);

private:
    std::vector<TColumnEh*> items_;
};

// ---- Interceptors of stored properties --------------------------------------------------------------

class TColumnEhPropertyInterceptor : public TStoragePropertyInterceptor {
    VESTREL_CLASS(TColumnEhPropertyInterceptor, TStoragePropertyInterceptor)
public:
    explicit TColumnEhPropertyInterceptor(TObject* target) : TStoragePropertyInterceptor(target) {}
    // With the grid's AutoFitColWidths: the column's initial width; else its Width.
    int Width() const;
    void SetWidth(int value);
};

class TColumnsEhPropertyInterceptor : public TStoragePropertyInterceptor {
    VESTREL_CLASS(TColumnsEhPropertyInterceptor, TStoragePropertyInterceptor)
public:
    explicit TColumnsEhPropertyInterceptor(TObject* target) : TStoragePropertyInterceptor(target) {}
    String ColumnsIndex() const;
    void SetColumnsIndex(const String& value);

private:
    String written_;
};

// Registers the column family's classes and published properties (idempotent).
void RegisterGridColumnClasses();
