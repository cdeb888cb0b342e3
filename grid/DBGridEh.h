// The data grid unit: the grid control on the platform grid (its object in DBGridEh.cpp, layout in
// DBGridEhLayout.cpp, painting in DBGridEhPaint.cpp, messages and input in DBGridEhInput.cpp), its
// style, scroll-bar settings, the cell text and image drawing routines, and the grid library's
// start-up with its program-wide objects.
//
// Classes in this file:
//   TGridImagesEh            a small masked image list over the system's (indicator, sort markers)
//   TDBGridEhStyle           selection colours for every grid; listens for system colour changes
//   TDBGridEhScrollBar,      a grid's scroll-bar settings, able to hand scrolling to an external
//   TVertDBGridEhScrollBar   scroll bar control
//   TSTDBGridEhFilter        the filter row's settings (Visible shows the row)
//   TDBGridInplaceEdit       the cell editor (text editing)
//   TCustomDBGridEh          the grid: a TCustomGrid that owns its TDBGridEhCore and answers its
//                            hooks (IDBGridEhHost)
//   TDBGridEh                the grid placed on forms (properties registered for descriptions)
//
// Not yet (slots that do nothing or little): the edit actions, dragging a selection (no drag and
// drop in the class layer), the filter row's list-based filters (lookup lists, tree data sets),
// tool tips over footers and the application's hints, the themed and buffered paint paths, the Flat
// grid's own border, right-to-left painting, font scaling, the tree interface of data sets (no data
// set has one).
#pragma once

#include "Controls.h"
#include "DBGridEhCore.h"
#include "DBGridEhImpExp.h"
#include "DBGridEhLayoutCore.h"
#include "Grids.h"
#include "HintWindow.h"
#include "ImgList.h"
#include "StdActns.h"
#include "StdCtrls.h"
#include "ToolCtrlsEhControls.h"

#include <commctrl.h>

#include <memory>
#include <vector>

#ifndef VESTREL_EOUTOFRESOURCES_DEFINED
#define VESTREL_EOUTOFRESOURCES_DEFINED
VESTREL_EXCEPTION(EOutOfResources, Exception);
#endif

class TCustomDBGridEh;

// ---- Images ---------------------------------------------------------------------------------------

class TGridImagesEh {
public:
    TGridImagesEh(int width, int height);
    ~TGridImagesEh();
    TGridImagesEh(const TGridImagesEh&) = delete;
    TGridImagesEh& operator=(const TGridImagesEh&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const;
    // Adds (or, at `replaceIndex`, replaces) a bitmap whose `mask` colour is transparent.
    int AddMasked(HBITMAP bitmap, TColor mask);
    void ReplaceMasked(int index, HBITMAP bitmap, TColor mask);
    void Draw(TCanvas* canvas, int x, int y, int index) const;
    HIMAGELIST Handle() const { return list_; }

private:
    HIMAGELIST list_ = nullptr;
    int width_;
    int height_;
};

// ---- Cell drawing routines --------------------------------------------------------------------------

// The off-screen bitmap that every grid shares: made for the first user, freed with the last.
TBitmap* AcquireSharedBitmap();
void ReleaseSharedBitmap();
int SharedBitmapUsers();

void DrawCellText(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, const String& text,
                  TAlignment alignment, TTextLayout layout, bool multiLine, bool endEllipsis, bool rightToLeft);
// Draws `text` reading upwards and answers the length it needs; `measureOnly` draws nothing.
int DrawCellTextUpward(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, const String& text,
                       TAlignment alignment, TTextLayout layout, bool measureOnly);
// The text shortened with "..." (whole characters) until it fits `maxWidth` on the canvas.
String ShortenTextToWidth(const String& text, TCanvas* canvas, int maxWidth);
// A font turned by 90 degrees like `font` (the caller deletes it).
HFONT MakeUpwardFont(const TCustomFont* font);
// The logical font MakeUpwardFont makes.
LOGFONTW UpwardFontDescription(const TCustomFont* font);
// An image of `images` (or `bitmap` when there are none) in `rect`, clipped to it.
void DrawImageInCell(const TGridImagesEh* images, TBitmap* bitmap, TCanvas* canvas, TAlignment alignment, int dx,
                     int imageIndex, const TRect& rect);
// Whether `text` overflows its cell; answers the width and height it needs.
bool TextNeedsHint(TCanvas* canvas, const TRect& cell, int dx, int dy, const String& text, bool wordWrap,
                   UINT extraFlags, int& needWidth, int& needHeight);
int MeasureTextWidth(TCanvas* canvas, const String& text);
// Removes one queued `msg` of `window`; a WM_QUIT removed is posted again.
void DropQueuedMessage(HWND window, UINT msg);

// ---- Style ----------------------------------------------------------------------------------------

class TDBGridEhStyle : public TPersistent {
    VESTREL_CLASS(TDBGridEhStyle, TPersistent)
public:
    TDBGridEhStyle();
    ~TDBGridEhStyle() override;

    void RegisterGrid(TCustomDBGridEh* grid);
    void UnregisterGrid(TCustomDBGridEh* grid);
    bool IsGridRegistered(TCustomDBGridEh* grid) const;
    int GridCount() const { return static_cast<int>(grids_.size()); }

    bool LuminateSelection() const { return luminateSelection_; }
    void SetLuminateSelection(bool value);
    bool DrawFocusFrame() const { return drawFocusFrame_; }
    void SetDrawFocusFrame(bool value);
    bool FilterEditCloseUpApplyFilter() const { return filterEditCloseUpApplyFilter_; }
    void SetFilterEditCloseUpApplyFilter(bool value) { filterEditCloseUpApplyFilter_ = value; }
    // GetDeviceCaps(NUMCOLORS): -1 on displays with more than 256 colours.
    int NumColors() const { return numColors_; }
    bool RichDisplay() const { return numColors_ < 0; }
    HWND UtilityWindow() const { return window_; }

    static TColor BlendTowards(TColor color, TColor glass, bool ungray) { return ::BlendTowards(color, glass, ungray); }
    // The colours of a data cell for the grid's painting; blended colours are matched to the
    // screen's nearest colour.
    virtual bool GetDataCellHighlightColors(const TDataCellHighlightQueryEh& query, TColor& background,
                                            TColor& fontColor);
    virtual void GetFixedCellHighlightColors(TCellKindEh kind, TRowKindEh rowKind, bool selectionActive, TColor& background,
                                             TColor& fontColor);
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void ReadScreenColors();

private:
    void StyleChanged();
    static LRESULT CALLBACK UtilityWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    std::vector<TCustomDBGridEh*> grids_;
    HWND window_ = nullptr;
    int numColors_ = -1;
    bool luminateSelection_ = true;
    bool drawFocusFrame_ = true;
    bool filterEditCloseUpApplyFilter_ = false;
};

// ---- Scroll-bar settings --------------------------------------------------------------------------

enum TScrollBarKindEh { sbHorizontalEh, sbVerticalEh };
enum TScrollBarVisibleModeEh { sbAlwaysShowEh, sbNeverShowEh, sbAutoShowEh };

class TDBGridEhScrollBar : public TPersistent {
    VESTREL_CLASS(TDBGridEhScrollBar, TPersistent)
public:
    TDBGridEhScrollBar(TCustomDBGridEh* grid, TScrollBarKindEh kind);
    ~TDBGridEhScrollBar() override;
    void Assign(TPersistent* source) override;

    TCustomDBGridEh* Grid() const { return grid_; }
    TScrollBarKindEh Kind() const { return kind_; }
    // An external scroll bar control (a window of class SCROLLBAR) that scrolls the grid instead.
    TWinControl* ExtScrollBar() const { return extScrollBar_; }
    void SetExtScrollBar(TWinControl* value);
    bool Tracking() const { return tracking_; }
    void SetTracking(bool value) { tracking_ = value; }
    bool Visible() const { return visibleMode_ != sbNeverShowEh; }
    void SetVisible(bool value);
    TScrollBarVisibleModeEh VisibleMode() const { return visibleMode_; }
    virtual void SetVisibleMode(TScrollBarVisibleModeEh value);
    bool IsScrollBarVisible();
    bool GetScrollInfo(SCROLLINFO& info);

protected:
    TScrollBarVisibleModeEh visibleMode_ = sbAutoShowEh;

private:
    void ScrollBarWndProc(TMessage& message);

    TCustomDBGridEh* grid_;
    TScrollBarKindEh kind_;
    TWinControl* extScrollBar_ = nullptr;
    TWndMethod savedWndProc_;
    bool tracking_ = false;
    bool forwarding_ = false;
};

class TVertDBGridEhScrollBar : public TDBGridEhScrollBar {
    VESTREL_CLASS(TVertDBGridEhScrollBar, TDBGridEhScrollBar)
public:
    explicit TVertDBGridEhScrollBar(TCustomDBGridEh* grid) : TDBGridEhScrollBar(grid, sbVerticalEh) {}
    void SetVisibleMode(TScrollBarVisibleModeEh value) override;
};

// ---- Grid settings and events ------------------------------------------------------------------------

enum TDBGridEhAllowedOperation { alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh };
using TDBGridEhAllowedOperations = TEnumSet<TDBGridEhAllowedOperation>;
// A set of TDBGridEhSelectionType (gstRecordBookmarks .. gstAll).
using TDBGridEhAllowedSelections = TEnumSet<TDBGridEhSelectionType>;
enum TDBGridEhEditAction { geaCutEh, geaCopyEh, geaPasteEh, geaDeleteEh, geaSelectAllEh };
using TDBGridEhEditActions = TEnumSet<TDBGridEhEditAction>;

constexpr TDBGridEhAllowedOperations kAllAllowedOperations{alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh};
constexpr TDBGridEhAllowedSelections kAllAllowedSelections{gstRecordBookmarks, gstRectangle, gstColumns, gstAll};

using TDBGridEhClickEvent = TEvent<void(TColumnEh* Column)>;
using TTitleEhClickEvent = TEvent<void(TObject* Sender, int ACol, TColumnEh* Column)>;
using TCheckTitleEhBtnEvent = TEvent<void(TObject* Sender, int ACol, TColumnEh* Column, bool& Enabled)>;
using TGetBtnEhParamsEvent = TEvent<void(TObject* Sender, TColumnEh* Column, TFont* AFont, TColor& Background,
                                         TSortMarkerEh& SortMarker, bool IsDown)>;
using TMovedEvent = TEvent<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TDrawColumnEhCellEvent =
    TEvent<void(TObject* Sender, const TRect& Rect, int DataCol, TColumnEh* Column, TGridDrawState State)>;
using TDrawDataCellEvent = TEvent<void(TObject* Sender, const TRect& Rect, TField* Field, TGridDrawState State)>;
using TDrawFooterCellEvent = TEvent<void(TObject* Sender, int DataCol, int Row, TColumnEh* Column, const TRect& Rect,
                                         TGridDrawState State)>;
using TGetCellEhParamsEvent =
    TEvent<void(TObject* Sender, TColumnEh* Column, TCustomFont* AFont, TColor& Background, TGridDrawState State)>;
using TGetFooterParamsEvent =
    TEvent<void(TObject* Sender, int DataCol, int Row, TColumnEh* Column, TFont* AFont, TColor& Background,
                TAlignment& Alignment, TGridDrawState State, String& Text)>;
using TGridMoveRecordsEventEh = TEvent<void(TObject* Sender, const std::vector<TBookmark>& Bookmarks, int ToRecNo,
                                            int TreeLevel, bool CheckOnly, bool& Accepted)>;

// The filter row's settings. The filter row itself (its editor, expressions and application)
// belongs to the filter's own unit; the grid shows the row when Visible is set.
class TSTDBGridEhFilter : public TPersistent {
    VESTREL_CLASS(TSTDBGridEhFilter, TPersistent)
public:
    explicit TSTDBGridEhFilter(TCustomDBGridEh* grid) : grid_(grid) {}
    void Assign(TPersistent* source) override;
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool Local() const { return local_; }
    void SetLocal(bool value) { local_ = value; }
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate() { if (updateCount_ > 0) --updateCount_; }
    int UpdateCount() const { return updateCount_; }

private:
    TCustomDBGridEh* grid_;
    int updateCount_ = 0;
    bool visible_ = false;
    bool local_ = false;
};

// How the editor edits its cell: plain text, or with a button that runs the grid's button click,
// steps the value or opens one of the drop-downs.
enum TEditStyleEh { esSimpleEh, esEllipsisEh, esPickListEh, esDataListEh, esDateCalendarEh, esUpDownEh, esDropDownEh };

class TPopupCalculatorEh;
class TPopupDataGridEh;

// The editor the grid places over its current cell (DBGridEhInplaceEdit.cpp): text, the column's
// default button at the right, and the drop-downs (pick list, lookup list, calendar, calculator)
// that it fills, opens, closes and reads; typed text completes against the pick list or the
// lookup list. The lookup list is the column's drop-down data grid over the lookup data set.
class TDBGridInplaceEdit : public TInplaceEdit, public IInplaceEditHolderEh {
    VESTREL_CLASS(TDBGridInplaceEdit, TInplaceEdit)
public:
    explicit TDBGridInplaceEdit(TComponent* owner);
    ~TDBGridInplaceEdit() override;

    TEditStyleEh EditStyle() const { return editStyle_; }
    // The drop-down of the style (created on first use), or nullptr.
    TWinControl* ActiveList() const { return activeList_; }
    bool ListVisible() const { return listVisible_; }
    TPopupListboxEh* PickListBox() const { return pickList_; }
    TPopupMonthCalendarEh* Calendar() const { return calendar_; }
    TPopupCalculatorEh* Calculator() const { return calculator_; }
    TEditButtonControlEh* DefaultButton() const { return button_; }
    int ButtonWidth() const { return buttonWidth_; }
    // The lookup list: the current column's drop-down data grid (while the style is the lookup one).
    TPopupDataGridEh* DataList() const { return dataList_; }

    void DropDown();
    void CloseUp(bool accept) override;
    void UpdateContents() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void BoundsChanged() override;
    void Change() override;
    virtual void AutoCompleteKey(wchar_t& key);
    virtual void EditButtonPressed(TShiftState shift);
    // The red dotted line along the bottom while a required value is missing (RequiredMarkShown).
    virtual void DrawRequiredState(TCanvas* canvas);

private:
    // The column highlights required values, its field is required, the record is being edited
    // and the text is empty; the column's OnCheckDrawRequiredState has the last word.
    bool RequiredMarkShown();
    TCustomDBGridEh* DBGrid() const;
    TColumnEh* CurrentColumn() const;
    TEditStyleEh ChooseStyle(TColumnEh* column) const;
    void CreateActiveList();
    void PrepareDataList(TColumnEh* column);
    void DataListCloseUp(TObject* sender, bool accept);
    void DataListUserChange(TObject* sender);
    void FillPickList(TColumnEh* column);
    // The editor's text follows the list's selection.
    void TextFollowsList();
    void SetTextSelectingTail(const String& text, int typedLength);
    // The editor's text written back to the grid (a lookup text finds its key, or none); the open
    // list follows.
    void WriteTextBack();
    // The lookup style's special row chosen by its shortcut; false when the shortcut is not its.
    bool ChooseSpecRowByShortCut(WORD key, TShiftState shift);
    void ButtonDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled);
    void ButtonClick(TObject* sender);
    void ListMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    bool GridAllowsEditing() const;

    TEditStyleEh editStyle_ = esSimpleEh;
    TWinControl* activeList_ = nullptr;
    TPopupListboxEh* pickList_ = nullptr;
    TPopupDataGridEh* dataList_ = nullptr;
    TDataSource* lookupSource_ = nullptr;
    int dataListRows_ = 0;   // as dropped down, to see whether the user resized it
    int dataListWidth_ = 0;
    TPopupMonthCalendarEh* calendar_ = nullptr;
    TPopupCalculatorEh* calculator_ = nullptr;
    TEditButtonControlEh* button_ = nullptr;
    int buttonWidth_ = 0;
    bool listVisible_ = false;
    bool noCloseUpOnClick_ = false;
    bool swallowChar_ = false;  // the Enter or Esc character that closed a list
};

// The filter row's editor: a combo box over the filter cell being edited, its list the column's
// values and the fixed items below (their codes are the items' objects).
class TInplaceFilterEditEh : public TComboBox {
    VESTREL_CLASS(TInplaceFilterEditEh, TComboBox)
public:
    explicit TInplaceFilterEditEh(TComponent* owner);

    enum TItemCode {
        icValue = 0, icEmpty = 1, icNotEmpty = 2, icAll = 3, icClearFilter = 4, icSeparator = 5, icSortAscending = 6,
        icSortDescending = 7
    };
    static const char* ItemText(TItemCode code);
    // The code of item `index` (icValue for a value of the column).
    TItemCode ItemCode(int index) const;
    void AddItem(TItemCode code) { Items()->AddObject(ItemText(code), reinterpret_cast<TObject*>(std::intptr_t(code))); }
    // Whether the list holds the column's values (filled on the first drop-down after each start).
    bool ListFilled = false;
    // Whether the last drop-down closed with an entry chosen (not cancelled).
    bool Accepted = false;
    // The width the list opens with.
    int ListWidth = 100;

    // The caret or selection in the edit part, and its text length.
    int CaretStart();
    int CaretEnd();
    int TextLength();
    void SelectText(int start, int end);
    // Whether the keyboard is in the combo box or its edit.
    bool HasFocus() const;

protected:
    void CNKeyDown(TMessage& m) override;
    void CNCommand(TMessage& m) override;
    void CMWantSpecialKey(TMessage& m) override;
};

// ---- The grid -------------------------------------------------------------------------------------

class TCustomDBGridEh : public TCustomGrid, private IDBGridEhHost, public TActionTarget {
    VESTREL_CLASS(TCustomDBGridEh, TCustomGrid)
public:
    explicit TCustomDBGridEh(TComponent* owner);
    ~TCustomDBGridEh() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // The Windows-free model: columns, data link, selected rows, options, layout locks.
    TDBGridEhCore* Core() const { return core_.get(); }

    // ---- The core's properties and operations, as the grid's ----
    TDBGridColumnsEh* Columns() const { return core_->Columns(); }
    TColumnDefValuesEh* ColumnDefValues() const { return core_->ColumnDefValues(); }
    TColumnsEhList* SortMarkedColumnList() const { return core_->SortMarkedColumnList(); }
    TGridDataLinkEh* DataLink() const { return core_->DataLink(); }
    TBookmarkListEh* SelectedRowBookmarks() const { return core_->SelectedRowBookmarks(); }
    TDataSource* DataSource() const { return core_->DataSource(); }
    void SetDataSource(TDataSource* value) { core_->SetDataSource(value); }
    TDBGridOptions Options() const { return core_->Options(); }
    void SetOptions(TDBGridOptions value) { core_->SetOptions(value); }
    TDBGridEhOptions OptionsEh() const { return core_->OptionsEh(); }
    void SetOptionsEh(TDBGridEhOptions value) { core_->SetOptionsEh(value); }
    bool ReadOnly() const { return core_->ReadOnly(); }
    void SetReadOnly(bool value);
    bool DrawMemoText() const { return core_->DrawMemoText(); }
    void SetDrawMemoText(bool value) { core_->SetDrawMemoText(value); }
    bool AutoFitColWidths() const { return core_->AutoFitColWidths(); }
    void SetAutoFitColWidths(bool value) { core_->SetAutoFitColWidths(value); }
    bool UseMultiTitle() const { return core_->UseMultiTitle(); }
    void SetUseMultiTitle(bool value) { core_->SetUseMultiTitle(value); }
    bool Flat() const { return core_->Flat(); }
    void SetFlat(bool value);
    int FooterRowCount() const { return core_->FooterRowCount(); }
    void SetFooterRowCount(int value) { core_->SetFooterRowCount(value); }
    TColor FooterColor() const { return core_->FooterColor(); }
    void SetFooterColor(TColor value);
    TCustomFont* TitleFont() const { return core_->TitleFont(); }
    TCustomFont* FooterFont() const { return core_->FooterFont(); }
    TDBGridEhSumList* SumList() const { return core_->SumList(); }
    String GetFooterValueText(int footerIndex, TColumnEh* column) { return core_->GetFooterValueText(footerIndex, column); }
    void BeginLayout() { core_->BeginLayout(); }
    void EndLayout() { core_->EndLayout(); }
    bool TryBeginLayout() { return core_->TryBeginLayout(); }
    int LayoutLock() const { return core_->LayoutLock(); }
    void RelayoutColumns() { core_->RelayoutColumns(); }
    void DefaultApplySorting() { core_->DefaultApplySorting(); }
    void DefaultApplyFilter() { core_->DefaultApplyFilter(); }
    // Applies the column filters: OnApplyFilter when assigned, else the data service. The editor's
    // text is stored first; afterwards (also after an error) the left column, the editor, the sums
    // and the painting follow.
    void ApplyFilter();

    // ---- The filter row ----
    // Puts the filter editor over data column `dataCol`'s filter cell (a column with a visible
    // filter, while the row is shown).
    void StartFilterEditing(int dataCol);
    void StopFilterEditing();
    // Keeps the editor over its cell (or ends filter editing when the cell went).
    void UpdateFilterEditor(bool reposition);
    bool FilterEditing() const { return filterEditing_; }
    // The data column whose filter is edited (-1: none).
    int FilterCol() const { return filterCol_; }
    TInplaceFilterEditEh* FilterEditor() const { return filterEdit_; }
    // The text a filter cell shows: the column filter's expression text.
    String FilterCellText(int dataCol) const;
    // The filter row's colour: FixedColor lightened by 8.
    TColor FilterRowColor() const;
    // The editor's keys (see the filter row's table) and Enter, which applies.
    void InplaceEditKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void FilterEditKeyPress(TObject* Sender, wchar_t& Key);
    void FilterEditDropDown(TObject* Sender);
    void FilterEditCloseUp(TObject* Sender);

    // ---- Properties ----
    TDBGridEhAllowedOperations AllowedOperations() const { return allowedOperations_; }
    void SetAllowedOperations(TDBGridEhAllowedOperations value) { allowedOperations_ = value; }
    TDBGridEhAllowedSelections AllowedSelections() const { return allowedSelections_; }
    void SetAllowedSelections(TDBGridEhAllowedSelections value);
    // The grid's own default drawing of cell contents (the platform grid's filling stays off).
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
    TDBGridEhEditActions EditActions() const { return editActions_; }
    void SetEditActions(TDBGridEhEditActions value) { editActions_ = value; }
    // Data-set actions go to the data link first. Then the standard edit actions (cut, copy, paste,
    // select all, delete) while the grid has the focus: executing runs what the keys run; updating
    // enables the action when that is possible now.
    bool ExecuteAction(TBasicAction* action) override;
    bool UpdateAction(TBasicAction* action) override;
    // The grid's Color until written.
    TColor EvenRowColor() const { return evenRowColorSet_ ? evenRowColor_ : Color(); }
    void SetEvenRowColor(TColor value);
    bool EvenRowColorStored() const { return evenRowColorSet_; }
    TColor OddRowColor() const { return oddRowColorSet_ ? oddRowColor_ : Color(); }
    void SetOddRowColor(TColor value);
    bool OddRowColorStored() const { return oddRowColorSet_; }
    int FrozenCols() const { return frozenCols_; }
    void SetFrozenCols(int value);
    int MinAutoFitWidth() const { return minAutoFitWidth_; }
    void SetMinAutoFitWidth(int value);
    int RowHeight() const { return rowHeight_; }
    void SetRowHeight(int value);
    int RowLines() const { return rowLines_; }
    void SetRowLines(int value);
    bool RowSizingAllowed() const { return rowSizingAllowed_; }
    void SetRowSizingAllowed(bool value);
    bool SortLocal() const { return sortLocal_; }
    void SetSortLocal(bool value) { sortLocal_ = value; }
    TSTDBGridEhFilter* STFilter() const { return stFilter_.get(); }
    void SetSTFilter(TSTDBGridEhFilter* value) { stFilter_->Assign(value); }
    int TitleHeight() const { return titleHeight_; }
    void SetTitleHeight(int value);
    TCustomImageList* TitleImages() const { return titleImages_; }
    void SetTitleImages(TCustomImageList* value);
    int TitleLines() const { return titleLines_; }
    void SetTitleLines(int value);
    int VTitleMargin() const { return vTitleMargin_; }
    void SetVTitleMargin(int value);
    TDBGridEhStyle* Style() const { return style_; }
    // Another style, or nullptr for the default one; the grid relayouts.
    void SetStyle(TDBGridEhStyle* value);
    TDBGridEhScrollBar* HorzScrollBar() const { return horzScrollBar_.get(); }
    TVertDBGridEhScrollBar* VertScrollBar() const { return vertScrollBar_.get(); }
    TColCellParamsEh* CellParams() const { return cellParams_.get(); }
    int EditButtonWidth() const { return editButtonWidth_; }
    int EditButtonHeight() const { return editButtonHeight_; }
    int TitleTextMargin() const { return titleTextMargin_; }
    THeadTreeNode* HeadTreeRoot() const { return headTree_.get(); }
    // The head tree's leaf of a column (nullptr without multi-titles).
    THeadTreeNode* LeafOf(int dataCol) const;

    // ---- Coordinates ----
    int IndicatorOffset() const override { return indicatorOffset_; }
    int TitleOffset() const override { return titleOffset_; }
    int DataColToGridCol(int dataCol) const { return dataCol + indicatorOffset_; }
    int GridColToDataCol(int gridCol) const { return gridCol - indicatorOffset_; }
    // The kind of a grid cell; raises "Algorithm error in TCustomDBGridEh.GetCellType" for a row
    // that the grid's counts do not explain.
    TCellTypeEh GetCellType(int aCol, int aRow);
    bool TryGetCellType(int aCol, int aRow, TCellTypeEh& type);
    // Data rows fully shown (the footer rows and the filler not counted), at least 1.
    int VisibleDataRowCount();
    // The grid row of buffer record `dataRow`.
    int DataRowToGridRow(int dataRow) const { return dataRow + titleOffset_; }
    int GridRowToDataRow(int gridRow) const { return gridRow - titleOffset_; }
    // The field of the current column (nullptr without one).
    TField* SelectedField() const;
    // The current column as a data column index (-1 without columns).
    int SelectedIndex() const;
    void SetSelectedIndex(int value);

    // ---- Layout ----
    // Posts the deferred layout (WM_USER+100, at most one queued) and lets go of one layout and
    // one update lock when held.
    void DeferLayout();
    bool LayoutInProgress() const { return layoutInProgress_; }

    // ---- Selection ----
    // What the user selected (rows, rectangle, columns, all): the interface of copy and export code.
    TDBGridEhSelection* Selection() const { return core_->Selection(); }
    TDBGridEhSelectionType SelectionType() const;
    // What an export walks besides the core: this grid's cell and footer handlers.
    TDBGridEhExportHooks ExportHooks();
    // Clears the selected rows (with dgMultiSelect and dghClearSelection) and the rest of the
    // selection (with dghClearSelection).
    void ClearGridSelection();
    void SelectAllRows();
    // Whether the edit action `kind` can run now (as the keys test it), and running it.
    bool CanRunEditAction(TDBGridEhEditAction kind);
    void RunEditAction(TDBGridEhEditAction kind);
    void SelectionChanged() override;
    void RefreshEditor() override;
    void ShowEditorIfAlwaysShown() override;

    // ---- Moving ----
    // Fits the widths of `column` (and of the other selected columns when the selection is columns
    // or all) to their titles, cells and footers.
    void OptimizeColWidth(TColumnEh* column);
    void OptimizeColWidths(const std::vector<TColumnEh*>& columns);

    // Makes grid column `gridCol` current (Direction: +1/-1 skips columns without width that way).
    void SelectDataColumn(int gridCol, int direction, bool extendRect = false);
    // Moves `distance` records (to the end with `toEnd`), giving passed rows `select` with multi-select.
    void MoveRowsSelecting(bool select, int distance, bool noRect, bool toEnd);

    // ---- Incremental search ----
    // Adds `text` to the search text and finds the first record whose current cell begins with it
    // (`direction` 0: from the first record, 1: the next match, 2: the prior one); `timeout` in ms
    // ends the search (-1: never).
    void StartIncSearch(const String& text, int timeout, int direction);
    void StopIncSearch();
    bool IncSearchActive() const { return incSearchActive_; }
    const String& IncSearchText() const { return incSearchText_; }
    // Ctrl+': the current column's value of the record above, written into the current record.
    void CopyFromPriorRecord();
    // 0 none, 1 selecting rows, 2 selecting columns, 3 selecting a rectangle, 6 sizing a frozen
    // column, 7 dragging records.
    int MouseState() const { return mouseState_; }
    // The tip over a cell whose text does not fit (nullptr until one was needed).
    THintWindow* CellHint() const { return cellHint_.get(); }
    // The timer of the incremental search's time-out, and of selecting and dragging by mouse.
    static constexpr UINT_PTR kAutoScrollTimer = 1;
    static constexpr UINT_PTR kIncSearchTimer = 2;

    bool EditorShown() const override;
    // The width of `sortIndex`'s digits in the sort-index font.
    int SortIndexDigitsWidth(int sortIndex) const;

    void Notification(TComponent* component, TOperation operation) override;
    void DefineProperties(TFiler* filer) override;
    void Loaded() override;
    void DefaultHandler(TMessage& message) override;

    // Detaches the style without relayout (the style is going).
    void StyleDestroyed() { style_ = nullptr; }

    // ---- Events ----
    TDBGridEhClickEvent OnCellClick;
    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;
    TMovedEvent OnColumnMoved;
    TNotifyEvent OnColWidthsChanged;
    TDrawColumnEhCellEvent OnDrawColumnCell;
    TDrawDataCellEvent OnDrawDataCell;
    TNotifyEvent OnEditButtonClick;
    TGetCellEhParamsEvent OnGetCellParams;
    TGetFooterParamsEvent OnGetFooterParams;
    TNotifyEvent OnSelectionChanged;
    TNotifyEvent OnSumListAfterRecalcAll;
    TNotifyEvent OnSumListRecalcAll;
    TDBGridEhClickEvent OnTitleClick;
    TCheckTitleEhBtnEvent OnCheckButton;
    TDrawFooterCellEvent OnDrawFooterCell;
    TGetBtnEhParamsEvent OnGetBtnParams;
    TGridMoveRecordsEventEh OnMoveRecords;
    TTitleEhClickEvent OnTitleBtnClick;
    TNotifyEvent OnApplyFilter;
    TNotifyEvent OnSortMarkingChanged;

    // ---- Operations that answer the data link and the columns (slots, in their order) ----
    virtual bool AcquireFocus();
    virtual bool IsAlwaysShowEditor();
    virtual bool IsCellDrawn3D(const TCellTypeEh& type, TGridDrawState state, int aCol);
    virtual bool IsCellSelected(int aCol, int dataRow);
    virtual int IsFilterRowVisible() const;
    virtual TInplaceFilterEditEh* MakeFilterEditor();
    virtual bool IsFilterEditorAllowed();
    virtual void ApplyFilterEditorText(int dataCol);
    virtual void FillFilterEditorList(int dataCol);
    virtual int HasTitleRow() const;
    virtual void GetFixedCellColors(const TCellTypeEh& type, TColor& background, TColor& fontColor);
    virtual bool GetDataCellSelectionParams(int aCol, int dataRow, TGridDrawState state, TColor& background,
                                            TColor& fontColor);
    virtual bool SelectionIsActive();
    void UpdateDataView() override;
    virtual void DrawTitleFooterFilterCell(int aCol, int aRow, const TRect& rect, TGridDrawState state,
                                           const TCellTypeEh& type);
    void LinkActiveChanged(bool active) override;
    void ScrollData(int distance) override;
    virtual void InvalidateSelection();
    virtual void UpdateTabStopsAndColWidths();
    virtual void SyncActiveRecord();
    virtual void UpdateHorzScrollBar();
    virtual void UpdateRowCount();
    virtual void UpdateVertScrollBar();
    // Record moving by mouse (dghRecordMoving): a press on the indicator of a data row starts a
    // drag (only on a selected row without Shift, Ctrl or Alt when rows can be selected); with
    // `queryOnly` it only answers whether it would.
    virtual bool StartRecordDrag(int x, int y, bool queryOnly);
    // Ends the drag; `dropped` (the mouse went up) moves the records to the target.
    virtual void EndRecordDrag(int x, int y, bool dropped);
    virtual bool AllowRecordMoving(int& fromRow, int& toRow, TPoint point);
    // The tree level of the target (-1: the data sets have no tree).
    virtual int CalcRecordMovingTarget();
    // The drag's step on mouse moves and timer ticks: the target follows the mouse, the data scroll
    // by one record beyond the data rows.
    virtual void AutoScrollWhileDragging();
    // Moves the selected rows (or the dragged one when none are selected) to grid row `toRow`'s record.
    virtual bool MoveSelectedRecords(int toRow, bool checkOnly);
    // OnMoveRecords when assigned, else DefaultMoveRecords; whether they were (or could be) moved.
    virtual bool DoMoveRecords(const std::vector<TBookmark>& bookmarks, int toRecNo, int treeLevel, bool checkOnly);
    // The data service's move; the record position is kept unless only checking.
    virtual bool DefaultMoveRecords(const std::vector<TBookmark>& bookmarks, int toRecNo, int treeLevel,
                                    bool checkOnly);
    // The grid row where a record drag started and the accepted target row (-1 without a drag).
    int RecordDragStartRow() const { return mouseState_ == 7 ? dragStartRow_ : -1; }
    int RecordDragTargetRow() const { return mouseState_ == 7 ? dragTargetRow_ : -1; }

    // Whether the find dialog opens modally: when the grid's form runs modally.
    virtual bool GetFindDialogFlag();
    // Opens the find dialog (when its unit set the routine).
    void OpenFindDialog();

protected:
    // ---- Dynamic operations: each raises its event ----
    virtual TDBGridEhScrollBar* CreateScrollBar(TScrollBarKindEh kind);
    virtual void CellClick(TColumnEh* column);
    virtual void CheckTitleButton(int index, bool& enabled);
    virtual void ColEnter();
    virtual void ColExit();
    void SortMarkingChanged() override;
    virtual void TitleBtnClick(int dataCol, TColumnEh* column);
    virtual void DrawColumnCell(const TRect& rect, int dataCol, TColumnEh* column, TGridDrawState state);
    virtual void DrawDataCell(const TRect& rect, TField* field, TGridDrawState state);
    virtual void GetCellParams(TColumnEh* column, TCustomFont* font, TColor& background, TGridDrawState state);
    virtual void GetFooterParams(int dataCol, int row, TColumnEh* column, TFont* font, TColor& background,
                                 TAlignment& alignment, TGridDrawState state, String& text);
    virtual void TitleClick(TColumnEh* column);

    // ---- The platform grid's operations ----
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void Dispatch(TMessage& message) override;
    void Paint() override;
    void DrawCell(int aCol, int aRow, const TRect& aRect, TGridDrawState aState) override;
    void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                         TGridDrawInfo& info) override;
    TInplaceEdit* CreateEditor() override;
    bool CanEditShow() override;
    bool CanEditModify() override;
    bool CanEditAcceptKey(wchar_t key) override;
    int GetEditLimit() override;
    String GetEditMask(int aCol, int aRow) override;
    String GetEditText(int aCol, int aRow) override;
    void SetEditText(int aCol, int aRow, const String& value) override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    void TopLeftChanged() override;
    void TimedScroll(TGridScrollDirection direction) override;
    void UpdateScrollBar(int bar) override;
    void ModifyScrollBar(int bar, int scrollCode, int pos) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void DoExit() override;
    void DblClick() override;
    void DoEndDrag(TObject* target, int x, int y) override;
    void CMMouseLeave(TMessage& m) override;
    void CMFontChanged(TMessage& m) override;
    void CMParentFontChanged(TMessage& m) override;
    void CMParentColorChanged(TMessage& m) override;
    void OptionsChanged(TDBGridOptions oldValue) override;
    void InternalLayout() override;

    // ---- Named message handlers ----
    void WMSize(TMessage& m);
    void WMSetFocus(TMessage& m);
    void WMKillFocus(TMessage& m);
    void WMPaintGrid(TMessage& m);
    void WMNCCalcSize(TMessage& m);
    void WMNCPaint(TMessage& m);
    void WMGetDlgCode(TMessage& m);
    void WMCancelMode(TMessage& m);
    void CMSysColorChange(TMessage& m);
    void WMDeferredLayout(TMessage& m);
    void WMTimer(TMessage& m);
    void WMSetCursor(TMessage& m);
    void WMDeferredScrollBar(TMessage& m);

    // The private messages of the deferred layout and of the closed data set's scroll bar.
    static constexpr UINT kDeferredLayoutMessage = WM_USER + 100;
    static constexpr UINT kDeferredScrollBarMessage = WM_USER + 101;
    static constexpr int kIndicatorWidth = 11;

public:
    // What one paint pass knows (painting's own state).
    struct TPaintPass;

private:
    friend class TSTDBGridEhFilter;
    friend class TDBGridInplaceEdit;

    // ---- The core's hooks that only the core calls ----
    TComponent* GridComponent() override { return this; }
    TColor GridColor() const override { return Color(); }
    TCustomFont* GridFont() const override { return Font(); }
    TColor GridFixedColor() const override { return FixedColor(); }
    int GridColCount() const override { return ColCount(); }
    int GridDefaultColWidth() const override { return DefaultColWidth(); }
    int GridColWidth(int gridCol) const override;
    void SetGridColWidth(int gridCol, int width) override;
    bool HasWindow() const override { return HandleAllocated(); }
    TGridFontMetricsEh FontMetrics(const TCustomFont* font) const override;
    void InvalidateGrid() override;
    void InvalidateGridColumn(int gridCol) override;
    void InvalidateGridRow(int gridRow) override;
    void InvalidateGridRect(const TRect& cells) override;
    int GridRowCount() const override { return RowCount(); }
    bool CanEditNow() const override;
    String EditorText() const override;
    void UpdateDataFromEditor() override;
    void DataSourceChanging() override { ClearGridSelection(); }
    void LinkActiveChanging(bool active) override;
    void DataLinkRecordChanged(TField* field) override;
    void DataLinkEditingChanged() override;
    void FocusField(TField*& field) override;
    void ColumnsUpdated() override;
    void TitleOrFooterFontChanged() override;
    void SumListValuesChanged() override;
    void OptimizeColumnWidth(TColumnEh* column) override;
    TDataSet* DataSet() const { return core_->DataSet(); }
    bool IsGridLoading() const { return core_->IsGridLoading(); }
    bool IsGridDesigning() const { return core_->IsGridDesigning(); }

    void SumListRecalcAll(TObject* sender);
    void SumListAfterRecalcAll(TObject* sender);
    void TitleImagesChanged(TObject* sender);
    // Layout pieces.
    void FreeNotStoredColumns();
    void BindColumns();
    void ApplyPlatformOptions();
    void CalcTitleHeight();
    void BuildHeadTree();
    void AutoFitColumns();
    void SetRowHeightsForLayout(int dataRows);
    void SetLayoutScrollBars();
    // Painting pieces.
    void DrawIndicatorCell(TPaintPass& pass, int aRow, TRect rect, const TCellTypeEh& type);
    void DrawTitleCell(TPaintPass& pass, int aCol, int aRow, TRect rect, TGridDrawState state, const TCellTypeEh& type);
    void DrawGroupCells(TPaintPass& pass, int aCol, const TRect& cellRect);
    void DrawFilterCell(TPaintPass& pass, int aCol, TRect rect, const TCellTypeEh& type);
    void DrawFooterCell(TPaintPass& pass, int aCol, int aRow, TRect rect, TGridDrawState state,
                        const TCellTypeEh& type);
    void DrawDataCellContents(TPaintPass& pass, int aCol, int aRow, TRect rect, TGridDrawState state,
                              const TCellTypeEh& type);
    struct TDataCellLook;
    TDataCellLook DataCellLook(TColumnEh* column, int aCol, int aRow, TGridDrawState state, int dataRow);
    void DrawDataCellValue(TCanvas* canvas, TColumnEh* column, const TRect& textRect, const TDataCellLook& look);
    void DrawIncSearchPrefix(TCanvas* canvas, const TRect& textRect, const String& text);
    void DrawCellEditButtons(TCanvas* canvas, TColumnEh* column, const TRect& inner, int left, TColor background);
    void DrawEdgeFrame(TCanvas* canvas, const TRect& rect, bool pressed);
    void PaintGridLines(const TGridDrawInfo& info, const TRect& area, int firstCol, int firstRow, TColor vertColor,
                        TColor horzColor, bool vertLines, bool horzLines);
    TRect GroupRect(THeadTreeNode* node, const TRect& cellRect, int aCol);
    bool IsColumnHeadSelected(int dataCol);
    // Record moving pieces.
    int DragTargetRowAt(int y, int& scroll);
    void ShowDragLine();
    void HideDragLine();
    void InvertDragLine();
    // Inverts `band` of the client area through a 50% dot pattern (drawn twice it is gone).
    void InvertDottedBand(const TRect& band);
    // Frozen-column sizing (mouse state 6): the spot in the title rows on a frozen column's right
    // border (or on the right client edge when the columns exactly fill the client width) gives the
    // grid column and its border; the dotted line shown while sizing without tracing.
    bool FrozenSizingSpot(int x, int y, int& col, int& border);
    void MoveFrozenSizingLine(int x);
    void TraceColSizing(int x);
    // Input pieces.
    void MoveToDataRow(int gridRow, TShiftState shift);
    void SelectRowsByClick(int oldRow, const TBookmark& oldBookmark, TMouseButton button, TShiftState shift);
    void SetPressedTitle(int aCol, bool shownDown);
    bool IsTitleLeafPoint(int aCol, int y);
    void FinishTitleClick(int x, int y, TShiftState shift);
    int ActiveRecNo();
    // The keys KeyDown handles, with Ctrl and without.
    void CtrlKeyDown(WORD key, bool extend);
    void PlainKeyDown(WORD key, TShiftState shift, bool extend);
    void EscapeKeyDown();
    void UpKeyDown(bool extend);
    void DownKeyDown(bool extend);
    void InsertKeyDown();
    // Moves `distance` records, or extends the row selection by them.
    void MoveByKey(int distance, bool extend);
    void MoveToEdgeByKey(bool toEnd, bool extend);
    void TabToNextColumn(bool forward);
    void DeleteRecordsByKey();
    // The shortcut and incremental-search keys; true when the key was taken.
    bool SearchKeyDown(WORD& key, TShiftState shift);
    // Whether a typed character goes to the incremental search.
    bool TypingSearches();
    void SearchTypedText(const String& text);
    // Extends the rectangle selection to the current cell (anchored at it when there is none).
    void ExtendRectToCurrent(bool anchorOnly);
    bool RectSelectionApplies() const;
    void ClearFieldByKey();
    void ToggleCheckCell(TColumnEh* column, bool back);
    // Mouse selection: the auto-scroll step and the timer.
    void AutoScrollMouseSelection();
    void StartAutoScroll(UINT interval);
    void StopAutoScroll();
    void FollowMouseSelecting(TShiftState shift, int x, int y);
    void DataRowsExtent(int& top, int& bottom, int& left, int& right);
    void ForwardEditButtonClick(int x, int y);
    void MoveToScalePosition(int pos);
    // Tool tips over cells whose text does not fit.
    void UpdateCellHint(int x, int y);
    void HideCellHint();
    bool IsColumnSelectSpot(int x, int y);
    bool IsRowSelectSpot(int x, int y);
    // Filter row pieces.
    bool FilterCellEditable(int dataCol);
    void HideFilterEditor();
    // Sends a mouse press at grid point `at` to the part of the editor under it, or posts a
    // character (at nullptr) to its edit.
    void ForwardToFilterEditor(UINT msg, WPARAM wParam, LPARAM lParam, const TPoint* at);
    void MoveToFilterCell(int direction, bool fromEdge);
    void RunFilterItem(TInplaceFilterEditEh::TItemCode code);

    std::unique_ptr<TDBGridEhCore> core_;
    TDBGridEhStyle* style_ = nullptr;
    std::unique_ptr<TDBGridEhScrollBar> horzScrollBar_;
    std::unique_ptr<TVertDBGridEhScrollBar> vertScrollBar_;
    std::unique_ptr<TColCellParamsEh> cellParams_;
    std::unique_ptr<TSTDBGridEhFilter> stFilter_;
    std::unique_ptr<THeadTreeNode> headTree_;
    std::vector<THeadTreeNode*> leaves_;
    std::unique_ptr<TChangeLink> titleImagesLink_;
    TCustomImageList* titleImages_ = nullptr;
    TDBGridEhAllowedOperations allowedOperations_ = kAllAllowedOperations;
    TDBGridEhAllowedSelections allowedSelections_ = kAllAllowedSelections;
    TDBGridEhEditActions editActions_;
    TColor evenRowColor_ = clWindow;
    TColor oddRowColor_ = clWindow;
    int editButtonWidth_ = 0;
    int editButtonHeight_ = 0;
    int frozenCols_ = 0;
    int minAutoFitWidth_ = 0;
    int rowHeight_ = 0;
    int rowLines_ = 0;
    int titleHeight_ = 0;
    int titleLines_ = 0;
    int vTitleMargin_ = 10;
    int titleTextMargin_ = 4;
    int titleRowHeight_ = 0;
    int indicatorOffset_ = 1;
    int titleOffset_ = 1;
    int shapeTitleRows_ = 1;
    int shapeFilterRows_ = 0;
    int shapeFooterRows_ = 0;
    TPaintPass* pass_ = nullptr;
    TInplaceFilterEditEh* filterEdit_ = nullptr;
    std::unique_ptr<TDatasetFieldValueListEh> filterValues_;
    int filterCol_ = -1;
    bool filterEditing_ = false;
    bool hidingFilterEditor_ = false;  // the focus goes back to the grid on purpose
    int lastIndicatorRow_ = -1;
    int pressedTitleCol_ = -1;
    int mouseState_ = 0;
    TPoint mouseDownPoint_;
    TBookmark selectionAnchor_;
    int dragStartRow_ = -1;
    int dragTargetRow_ = -1;
    int dragLineY_ = -1;  // where the target line is drawn (-1: not drawn)
    int frozenSizingCol_ = -1;    // the grid column sized in mouse state 6
    int frozenSizingLeft_ = 0;    // its left edge
    int frozenSizingLineX_ = -1;  // where its dotted line is drawn (-1: not drawn)
    int dragStartRecNo_ = 0;
    int traceSizingCol_ = -1;  // the grid column sized live (dghTraceColSizing), -1: none
    int traceSizingOfs_ = 0;   // mouse - border at the press
    int traceSizingLeft_ = 0;  // the column's left edge
    TBookmark dragStartBookmark_;
    String incSearchText_;
    int incSearchTimeout_ = -1;
    bool incSearchActive_ = false;
    bool incSearchMoving_ = false;
    bool autoScrollOn_ = false;
    bool rightCaptured_ = false;
    bool rowDragSelect_ = false;   // mouse state 1 follows the mouse
    bool cellDragSelect_ = false;  // the current column follows the mouse
    bool rightMovesColumns_ = false;
    bool dragSelectionAllowed_ = false;  // a press may arm a drag of the selection
    bool selectionDragArmed_ = false;    // a press on the selection waits for the mouse to move
    bool widthOptimised_ = false;
    int trackedPosition_ = -1;
    std::unique_ptr<THintWindow> cellHint_;
    TGridCoord hintCell_{-1, -1};
    TPoint lastMousePoint_;
    TPoint dblClickPoint_;
    int checkClickCol_ = -1;
    int checkClickRow_ = -1;
    String editText_;
    Variant editValue_ = Null();  // a lookup column's key for the editor's text
    bool defaultDrawing_ = true;
    bool evenRowColorSet_ = false;
    bool oddRowColorSet_ = false;
    bool rowSizingAllowed_ = false;
    bool sortLocal_ = false;
    bool layoutInProgress_ = false;
    bool multiLineFits_ = false;
    bool sharedBitmapHeld_ = false;
    bool mayAcquireFocus_ = true;
    bool titleShownDown_ = false;
    bool titlePressPending_ = false;
    bool sizeChangeNoted_ = false;
    bool atLeftEdge_ = true;
    bool skipThumbPosition_ = false;
    bool lastSelectionActive_ = false;
    bool inUpdateDataView_ = false;
    bool inColExit_ = false;
    bool changingOwnFonts_ = false;
    bool extending_ = false;        // a Shift-selection runs from selectionAnchor_
    bool selectSet_ = true;         // what the rows passed while extending get
    bool toggleSelection_ = false;  // Ctrl held, or dghClearSelection off
    bool titleButtonPressed_ = false;
    bool updatingVertScrollBar_ = false;
    bool vertInfoApplied_ = false;
    bool lastOwnShows_ = false;
    bool applyClosedScrollBar_ = false;  // the deferred update for a closed data set is running
    TVertScrollInfoEh lastVertInfo_;
    TScrollBarVisibleModeEh lastVisibleMode_ = sbAutoShowEh;
};

class TDBGridEh : public TCustomDBGridEh {
    VESTREL_CLASS(TDBGridEh, TCustomDBGridEh)
public:
    using TCustomDBGridEh::TCustomDBGridEh;
};

// ---- Program-wide objects of the grid unit ---------------------------------------------------------

// Cursors registered with Screen (when there is one) under these numbers.
constexpr TCursor crDBGridEhColumnSelect = 101;  // "DOWNCUREH"
constexpr TCursor crDBGridEhRowSelect = 102;     // "RIGHTCUREH"
constexpr TCursor crDBGridEhRowSelectRtl = 103;  // "LEFTCUREH"

struct TDBGridEhSettings {
    TShortCut IncSearchShortCut = static_cast<TShortCut>(scCtrl | 'F');
    TShortCut FindDialogShortCut = static_cast<TShortCut>(scCtrl | 'F');
    TShortCut IncSearchNextShortCut = static_cast<TShortCut>(scCtrl | VK_RETURN);
    TShortCut IncSearchPriorShortCut = static_cast<TShortCut>(scCtrl | scShift | VK_RETURN);
    TShortCut CopyFromPriorShortCut = static_cast<TShortCut>(scCtrl | VK_OEM_7);
    unsigned IncSearchDelay = 1500;
    TColor IncSearchBackground = clYellow;
    TColor IncSearchText = clBlack;
};

TDBGridEhStyle* DBGridEhDefaultStyle();
TColCellParamsEh* DBGridEhColCellParams();
TFont* DBGridEhSortIndexFont();
TGridImagesEh* DBGridEhIndicators();
TGridImagesEh* DBGridEhSortMarkers();
HCURSOR DBGridEhCursor(TCursor which);
TDBGridEhSettings& DBGridEhSettings();
// The routine through which the grid opens its find dialog with a text, modally or not (set by the
// find dialog's unit).
using TFindDialogRoutineEh = void (*)(TCustomDBGridEh* grid, const String& text, bool modal);
TFindDialogRoutineEh& DBGridEhFindDialogRoutine();

// The grid unit's start-up and shut-down (only the first and the last call act). The start-up
// raises EOutOfResources "Cannot load cursor resource" or EResNotFound for a missing bitmap.
void DBGridEhInitialization();
void DBGridEhFinalization();
// The whole grid library in unit order (the program's initialisation list calls these).
void GridLibraryInitialization();
void GridLibraryFinalization();

// Registers the grid's classes and properties with the registries (idempotent).
void RegisterDBGridEhClasses();
