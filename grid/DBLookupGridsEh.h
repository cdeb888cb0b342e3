// The lookup grid: a read-only data grid that lists the records of a list data set and lets the user
// pick one, the pick being a key value (written to the data fields of another data set when one is
// bound); and its drop-down form, which the grid's cell editor shows under a lookup cell.
//
// Classes in this file:
//   TGridColumnSpecCellEh   one column's cell of the special row
//   TDBLookupGridColumnEh   the grid's column class
//   TLookupGridDataLinkEh   the link to the edited data set (data side)
//   TDBLookupGridEh         the grid
//   TPopupDataGridEh        the grid as a pop-up window with a size grip and a close-up callback
//
// Not yet: right-to-left mirroring.
#pragma once

#include "DBGridEh.h"

#include <memory>
#include <vector>

class TDBLookupGridEh;
class TDBLookupGridColumnEh;

// A column's cell of the special row: its text, colour and font are the special row's (the text by
// the column's index) until assigned here.
class TGridColumnSpecCellEh : public TPersistent, public IStoredPropertiesEh {
    VESTREL_CLASS(TGridColumnSpecCellEh, TPersistent)
public:
    explicit TGridColumnSpecCellEh(TDBLookupGridColumnEh* column);
    ~TGridColumnSpecCellEh() override;
    void Assign(TPersistent* source) override;
    TDBLookupGridColumnEh* Column() const { return column_; }

    String Text() const;
    void SetText(const String& value);
    bool TextAssigned() const { return textAssigned_; }
    TColor Color() const;
    void SetColor(TColor value);
    bool ColorAssigned() const { return colorAssigned_; }
    TCustomFont* Font();
    void SetFont(TCustomFont* value) { font_->Assign(value); }
    bool FontAssigned() const { return fontAssigned_; }
    // What was assigned is what is stored.
    bool IsPropertyStored(const String& name) const override;

private:
    TSpecRowEh* SpecRow() const;
    void FontChanged(TObject* sender);
    void Changed();

    TDBLookupGridColumnEh* column_;
    String text_;
    TColor color_ = clWindow;
    std::unique_ptr<TCustomFont> font_;
    bool textAssigned_ = false;
    bool colorAssigned_ = false;
    bool fontAssigned_ = false;
    bool refreshingFont_ = false;
};

// A lookup grid's column (on the published column class, so it is stored whole): it owns its
// special-row cell, and moving it while the list is active reorders the special row's cells (and,
// for the grid's own columns, the list fields).
class TDBLookupGridColumnEh : public TDBGridColumnEh {
    VESTREL_CLASS(TDBLookupGridColumnEh, TDBGridColumnEh)
public:
    explicit TDBLookupGridColumnEh(TCollection* collection);
    ~TDBLookupGridColumnEh() override;
    void Assign(TPersistent* source) override;
    void SetIndex(int index) override;

    TGridColumnSpecCellEh* SpecCell() const { return specCell_.get(); }
    void SetSpecCell(TGridColumnSpecCellEh* value) { specCell_->Assign(value); }
    // The lookup grid the column belongs to (nullptr outside one).
    TDBLookupGridEh* LookupGrid() const;

private:
    std::unique_ptr<TGridColumnSpecCellEh> specCell_;
};

// A lookup grid's default column values.
class TDBLookupGridColumnDefValuesEh : public TDBGridEhColumnDefValuesEh {
    VESTREL_CLASS(TDBLookupGridColumnDefValuesEh, TDBGridEhColumnDefValuesEh)
public:
    using TDBGridEhColumnDefValuesEh::TDBGridEhColumnDefValuesEh;
};

class TLookupGridDataLinkEh : public TDataLink {
    VESTREL_CLASS(TLookupGridDataLinkEh, TDataLink)
public:
    explicit TLookupGridDataLinkEh(TDBLookupGridEh* grid) : grid_(grid) {}

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void FocusControl(TField** field) override;

private:
    TDBLookupGridEh* grid_;
};

class TDBLookupGridEh : public TCustomDBGridEh, public ISpecRowOwnerEh {
    VESTREL_CLASS(TDBLookupGridEh, TCustomDBGridEh)
public:
    explicit TDBLookupGridEh(TComponent* owner);
    ~TDBLookupGridEh() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // ---- Data side ----
    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* value);
    const String& DataField() const { return dataField_; }
    void SetDataField(const String& value);
    // The fields a choice is written to (the data fields, or a lookup field's key fields).
    const std::vector<TField*>& WrittenFields() const { return writtenFields_; }
    bool LookupFieldMode() const { return lookupMode_; }

    // ---- List side ----
    TDataSource* ListSource() const { return TCustomDBGridEh::DataSource(); }
    // Raises "Property already defined by lookup field" in lookup-field mode.
    void SetListSource(TDataSource* value);
    const String& KeyField() const { return keyField_; }
    void SetKeyField(const String& value);
    const String& ListField() const { return listField_; }
    void SetListField(const String& value);
    int ListFieldIndex() const { return listFieldIndex_; }
    void SetListFieldIndex(int value);
    TField* DisplayField() const { return displayField_; }
    const std::vector<TField*>& ListFields() const { return listFields_; }
    bool ListActive() const { return listActive_; }

    const Variant& KeyValue() const { return keyValue_; }
    void SetKeyValue(const Variant& value);
    // The display text of the key value (the special row's cell when it is selected).
    const String& DisplayText() const { return text_; }
    bool SpecRowSelected() const { return specRowSelected_; }

    // Data rows wanted in view, 1..100; the height follows.
    int RowsInView() const { return rowsInView_; }
    void SetRowsInView(int value);
    bool ShowTitles() const { return Options().Contains(dgTitles); }
    void SetShowTitles(bool value);
    TDBLookupGridEhOptions LookupOptions() const { return lookupOptions_; }
    void SetLookupOptions(TDBLookupGridEhOptions value);
    bool LookupAutoFitColWidths() const { return AutoFitColWidths(); }
    void SetLookupAutoFitColWidths(bool value);
    TSpecRowEh* SpecRow() const { return specRow_.get(); }
    void SetSpecRow(TSpecRowEh* value) { specRow_->Assign(value); }
    const String& SearchText() const { return searchText_; }
    // The sum of the visible columns' widths (with their lines).
    int ColumnsWidth();
    // The height of the special row (0 when hidden) and of a data row with its line.
    virtual int SpecRowHeight();
    virtual int DataRowHeight();
    virtual int BorderSize();

    void SetBounds(int left, int top, int width, int height) override;

    // The tick source of the incremental search (tests replace it).
    static std::function<std::uint32_t()>& SearchTickSource();

    // Choosing: the current list record's key, or the special row's value.
    void SelectCurrent();
    void SelectSpecRow();
    virtual void ChooseKeyValue(const Variant& value);
    virtual bool CanModifyData();
    virtual bool FindKeyInList();
    virtual void KeyValueUpdated();
    virtual void RebindDataFields();
    virtual void RebindListFields();
    virtual void ListWindowChanged();
    // Runs the incremental search for a typed character (Backspace and Esc clear it).
    virtual void HandleSearchChar(wchar_t key);
    virtual void FitHeightToRows();

    // The grid's answers.
    int IsFilterRowVisible() const override;
    bool IsFilterEditorAllowed() override { return false; }
    bool IsCellDrawn3D(const TCellTypeEh& type, TGridDrawState state, int aCol) override;
    bool GetDataCellSelectionParams(int aCol, int dataRow, TGridDrawState state, TColor& background,
                                    TColor& fontColor) override;
    void DrawTitleFooterFilterCell(int aCol, int aRow, const TRect& rect, TGridDrawState state,
                                   const TCellTypeEh& type) override;
    void LinkActiveChanged(bool active) override;
    // The bar shows the list's window (see CalcLookupVertScrollInfoEh); it is written only when it
    // differs from the window's.
    void UpdateVertScrollBar() override;
    void Notification(TComponent* component, TOperation operation) override;
    bool GridDataSetFields(std::vector<TField*>& fields) override;
    TCollectionItemClass GridColumnClass() override { return TCollectionItemClass::Of<TDBLookupGridColumnEh>(); }
    TColumnDefValuesEh* NewColumnDefValues(TDBGridEhCore* core) override {
        return New<TDBLookupGridColumnDefValuesEh>(core);
    }
    TCustomFont* SpecRowOwnerFont() override { return Font(); }
    TColor SpecRowOwnerColor() override { return Color(); }

    TNotifyEvent OnKeyValueChanged;

protected:
    void Dispatch(TMessage& message) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void InternalLayout() override;
    // Scrolling moves the list's window; the key value stays.
    void ModifyScrollBar(int bar, int scrollCode, int pos) override;
    // A column the user sized with AutoFitColWidths keeps its width: the grid's client width becomes
    // the columns' sum and every column's width is taken as its initial width.
    void ColWidthsChanged() override;
    virtual bool IsRowSelectFocused();
    // The data row under client point y (-1: the special row, -2: none).
    int RowAtY(int y);
    // Chooses the record or special row under client point y, clamped to the data rows.
    void ChooseAtY(int y);
    void StopTracking();
    bool tracking_ = false;

private:
    friend class TLookupGridDataLinkEh;
    friend class TDBLookupGridColumnEh;
    // A column moves while the list is active: the special row's cells follow it, and the grid's
    // own columns are rebuilt in the new order from rewritten list fields.
    void LookupColumnMoved(int from, int to);
    void SpecRowChanged(TObject* sender);
    void ReadKeyFromData();
    bool RowHoldsKey();
    void MoveBy(int distance);
    void TrackTimer();

    std::unique_ptr<TLookupGridDataLinkEh> dataLink_;
    std::unique_ptr<TSpecRowEh> specRow_;
    TDataSource* lookupSource_ = nullptr;  // owned: the lookup field's list in lookup-field mode
    String dataField_;
    std::vector<TField*> dataFields_;
    std::vector<TField*> writtenFields_;
    String keyField_;
    std::vector<TField*> keyFields_;
    String listField_;
    std::vector<TField*> listFields_;
    int listFieldIndex_ = 0;
    TField* displayField_ = nullptr;
    Variant keyValue_ = Null();
    String text_;
    String searchText_;
    int rowsInView_ = 7;
    TDBLookupGridEhOptions lookupOptions_{dlgColLinesEh};
    bool listActive_ = false;
    bool lookupMode_ = false;
    bool specRowSelected_ = false;
    bool choosingSpecRow_ = false;
    bool fitting_ = false;
    bool destroying_ = false;
    bool specRowShown_ = false;
    bool updatingScrollBar_ = false;
    bool fittingWidths_ = false;
    int trackDirection_ = 0;
};

// The lookup grid as a drop-down: a pop-up window that takes no focus and is not activated by the
// mouse, with a size grip; a release of the mouse inside after a press inside closes it accepting,
// outside without.
// Makes every grid column's lookup drop-down a TPopupDataGridEh and registers the lookup columns'
// published properties (the grid library's start-up).
void RegisterLookupGridFactory();

using TCloseUpEventEh = TEvent<void(TObject* Sender, bool Accept)>;

class TPopupDataGridEh : public TDBLookupGridEh {
    VESTREL_CLASS(TPopupDataGridEh, TDBLookupGridEh)
public:
    explicit TPopupDataGridEh(TComponent* owner);
    void AfterConstruction() override;
    TSizeGripEh* SizeGrip() const { return grip_; }
    bool CanFocus() override { return false; }

    TCloseUpEventEh OnCloseUp;
    // A key value changed by the user (keys, mouse).
    TNotifyEvent OnUserKeyValueChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& message) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyValueUpdated() override;

private:
    TSizeGripEh* grip_ = nullptr;
    bool userAction_ = false;
    bool pressedInside_ = false;
    TPoint lastMove_{-1, -1};
};
