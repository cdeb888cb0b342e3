// The data-set layer: an in-memory data set over a row store, typed fields, data sources and
// data links. TADOQuery (ADODB.h) fills it from SQLite and writes rows back.
//
// Classes in this file:
//   TField and its descendants  typed access to one column of the active record
//   TFields                     the ordered field list of a data set
//   TDataSet                    state machine, cursor, view order, bookmarks, Sort, events
//   TDataLink                   a client's view of a data set, with its own buffer window
//   TDataSource                 connects links to a data set
//
// Values always refer to the data set's active record: the current record, or the record of a
// link's window that the link made active (TDataLink::SetActiveRecord).
//
// Filtering: a record filter (TRecordFilter) set on the data set keeps the rows it accepts in view
// while Filtered is on; the Filter text is stored only.
//
// Not yet: lookup fields (their properties are stored only), key-set state dsSetKey.
#pragma once

#include "Component.h"
#include "Currency.h"
#include "DBRowStore.h"
#include "DateTime.h"
#include "Events.h"
#include "GraphicsTypes.h"  // TAlignment
#include "Log.h"
#include "Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The data layer's log channel ("data").
extern TLogChannel LogData;
// Logs the exception being handled (call it inside a catch block) as the failure of the clean-up
// `step`: the error that started the clean-up goes on, and this one is not lost.
void LogFailedCleanup(const char* step) noexcept;

class TDataSet;
class TField;
class TDataSource;
class TDataLink;
class TFields;
class TStrings;

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
    ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
    ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd
};
const char* FieldTypeName(TFieldType type);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
                     dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening };
enum TDataEvent { deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
                  deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
                  deFocusControl, deParentScroll, deConnectChange, deReconcileError, deDisabledStateChange };
enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = int;

// A bookmark: canonical bytes of one row of one opening of the data set.
using TBookmark = String;

using TDataSetNotifyEvent = TEvent<void(TDataSet*)>;
using TFieldNotifyEvent = TEvent<void(TField*)>;
using TFieldGetTextEvent = TEvent<void(TField* sender, String& text, bool displayText)>;
using TFieldSetTextEvent = TEvent<void(TField* sender, const String& text)>;

// The events of a data set that carry a user handler and an internal listener list.
enum class TDataSetEventKind {
    BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert, BeforeEdit, AfterEdit,
    BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll,
    AfterScroll, OnNewRecord, OnCalcFields
};

// --- Fields --------------------------------------------------------------------------------------

class TField : public TComponent {
    VESTREL_CLASS(TField, TComponent)
public:
    explicit TField(TComponent* owner);
    ~TField() override;

    TDataSet* DataSet() const { return dataSet_; }
    // Adds the field to `dataSet`'s field list (a persistent field); nullptr removes it.
    void SetDataSet(TDataSet* dataSet);

    const String& FieldName() const { return fieldName_; }
    void SetFieldName(const String& name);
    TFieldType DataType() const { return dataType_; }
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind) { fieldKind_ = kind; }
    bool Calculated() const { return fieldKind_ == fkCalculated || fieldKind_ == fkInternalCalc; }
    bool Lookup() const { return fieldKind_ == fkLookup; }
    // Column of the record (data fields) or slot of the calculated values; -1 when unbound.
    int FieldNo() const { return fieldNo_; }
    int Index() const;
    void SetIndex(int index);

    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    String DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const String& label);
    String DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const { return displayWidth_ >= 0 ? displayWidth_ : DefaultDisplayWidth(); }
    void SetDisplayWidth(int width);
    const String& EditMask() const { return editMask_; }
    void SetEditMask(const String& mask) { editMask_ = mask; }
    const String& Origin() const { return origin_; }
    void SetOrigin(const String& origin) { origin_ = origin; }

    // Lookup definition: the value is LookupResultField of the LookupDataSet row whose LookupKeyFields
    // equal this row's KeyFields (Null when the key is Null or no row has it).
    String KeyFields, LookupKeyFields, LookupResultField;
    TDataSet* LookupDataSet = nullptr;

    // Values of the active record.
    bool IsNull() const;
    virtual String AsString() const;
    virtual void SetAsString(const String& value);
    virtual int AsInteger() const;
    virtual void SetAsInteger(int value);
    virtual std::int64_t AsLargeInt() const;
    virtual void SetAsLargeInt(std::int64_t value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual Currency AsCurrency() const;
    virtual void SetAsCurrency(const Currency& value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    virtual Variant AsVariant() const;
    virtual void SetAsVariant(const Variant& value);
    Variant Value() const { return AsVariant(); }
    void SetValue(const Variant& value) { SetAsVariant(value); }
    // The value before the current edit (the stored record), and the value being edited.
    Variant OldValue() const;
    Variant NewValue() const { return AsVariant(); }
    void Clear();

    // Texts: DisplayText for showing, Text for editing (OnGetText may replace both).
    String DisplayText() const;
    String Text() const;
    void SetText(const String& text);
    virtual bool IsBlob() const { return false; }
    virtual bool IsValidChar(char32_t c) const;
    bool CanModify() const;
    void FocusControl();
    // Checks the field can be assigned now (data set editing, field writable).
    void Validate() const;

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

    // The cell of the active record (Null when inactive). For descendants and the data set.
    dbstore::Cell GetCell() const;

protected:
    void SetDataType(TFieldType type) { dataType_ = type; }
    // Stores a cell into the active record of an editing data set.
    void SetCell(const dbstore::Cell& cell);
    void SetNull();
    virtual String GetText(bool displayText) const;
    virtual int DefaultDisplayWidth() const { return 10; }
    void Notification(TComponent* component, TOperation operation) override;
    void PropertyChanged(bool layout);

public:
    // A field read from a form description is nested in its data set.
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }

protected:

private:
    friend class TDataSet;
    friend class TFields;

    TDataSet* dataSet_ = nullptr;
    String fieldName_;
    String displayLabel_;
    String editMask_;
    String origin_;
    TFieldType dataType_ = ftUnknown;
    TFieldKind fieldKind_ = fkData;
    int fieldNo_ = -1;
    int size_ = 0;
    int displayWidth_ = -1;
    TAlignment alignment_ = taLeftJustify;
    bool required_ = false;
    bool readOnly_ = false;
    bool visible_ = true;
    bool defaultField_ = false;  // created by the data set at open
};

class TStringField : public TField {
    VESTREL_CLASS(TStringField, TField)
public:
    explicit TStringField(TComponent* owner);

protected:
    int DefaultDisplayWidth() const override { return Size() > 0 ? Size() : 20; }
};

class TWideStringField : public TStringField {
    VESTREL_CLASS(TWideStringField, TStringField)
public:
    explicit TWideStringField(TComponent* owner);
};

class TNumericField : public TField {
    VESTREL_CLASS(TNumericField, TField)
public:
    explicit TNumericField(TComponent* owner);
    const String& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const String& format);
    const String& EditFormat() const { return editFormat_; }
    void SetEditFormat(const String& format) { editFormat_ = format; }
    bool IsValidChar(char32_t c) const override;

private:
    String displayFormat_;
    String editFormat_;
};

class TIntegerField : public TNumericField {
    VESTREL_CLASS(TIntegerField, TNumericField)
public:
    explicit TIntegerField(TComponent* owner);

protected:
    int DefaultDisplayWidth() const override { return 11; }
};

class TSmallintField : public TIntegerField {
    VESTREL_CLASS(TSmallintField, TIntegerField)
public:
    explicit TSmallintField(TComponent* owner);

protected:
    int DefaultDisplayWidth() const override { return 6; }
};

class TLargeintField : public TIntegerField {
    VESTREL_CLASS(TLargeintField, TIntegerField)
public:
    explicit TLargeintField(TComponent* owner);

protected:
    int DefaultDisplayWidth() const override { return 15; }
};

class TAutoIncField : public TIntegerField {
    VESTREL_CLASS(TAutoIncField, TIntegerField)
public:
    explicit TAutoIncField(TComponent* owner);
};

class TFloatField : public TNumericField {
    VESTREL_CLASS(TFloatField, TNumericField)
public:
    explicit TFloatField(TComponent* owner);
    bool Currency() const { return currency_; }
    void SetCurrency(bool currency);
    int Precision() const { return precision_; }
    void SetPrecision(int precision);

private:
    bool currency_ = false;
    int precision_ = 15;
};

class TCurrencyField : public TFloatField {
    VESTREL_CLASS(TCurrencyField, TFloatField)
public:
    explicit TCurrencyField(TComponent* owner);
};

class TBCDField : public TNumericField {
    VESTREL_CLASS(TBCDField, TNumericField)
public:
    explicit TBCDField(TComponent* owner);
    bool Currency() const { return currency_; }
    void SetCurrency(bool currency);
    int Precision() const { return precision_; }
    void SetPrecision(int precision) { precision_ = precision; }

protected:
    int DefaultDisplayWidth() const override { return precision_ + 2; }

private:
    bool currency_ = false;
    int precision_ = 19;
};

class TBooleanField : public TField {
    VESTREL_CLASS(TBooleanField, TField)
public:
    explicit TBooleanField(TComponent* owner);
    // "TrueText;FalseText" (default "True;False").
    const String& DisplayValues() const { return displayValues_; }
    void SetDisplayValues(const String& values);
    const String& TrueText() const { return trueText_; }
    const String& FalseText() const { return falseText_; }

protected:
    int DefaultDisplayWidth() const override { return 5; }

private:
    String displayValues_;
    String trueText_ = "True";
    String falseText_ = "False";
};

class TDateTimeField : public TField {
    VESTREL_CLASS(TDateTimeField, TField)
public:
    explicit TDateTimeField(TComponent* owner);
    const String& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const String& format);

protected:
    int DefaultDisplayWidth() const override { return 18; }

private:
    String displayFormat_;
};

class TDateField : public TDateTimeField {
    VESTREL_CLASS(TDateField, TDateTimeField)
public:
    explicit TDateField(TComponent* owner);

protected:
    int DefaultDisplayWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
    VESTREL_CLASS(TTimeField, TDateTimeField)
public:
    explicit TTimeField(TComponent* owner);

protected:
    int DefaultDisplayWidth() const override { return 10; }
};

class TBlobField : public TField {
    VESTREL_CLASS(TBlobField, TField)
public:
    explicit TBlobField(TComponent* owner);
    bool IsBlob() const override { return true; }
};

class TMemoField : public TBlobField {
    VESTREL_CLASS(TMemoField, TBlobField)
public:
    explicit TMemoField(TComponent* owner);
};

// The class of field a data type gets by default.
TField* CreateFieldOfType(TFieldType type, TComponent* owner);

// The ordered fields of a data set.
class TFields {
public:
    explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
    int Count() const { return static_cast<int>(fields_.size()); }
    TField* operator[](int index) const;
    TField* Fields(int index) const { return (*this)[index]; }
    TField* FindField(const String& name) const;
    TField* FieldByName(const String& name) const;
    int IndexOf(const TField* field) const;
    TDataSet* DataSet() const { return dataSet_; }

private:
    friend class TDataSet;
    friend class TField;
    TDataSet* dataSet_;
    std::vector<TField*> fields_;
};

// --- Data set ------------------------------------------------------------------------------------

// Decides which rows of a data set stay in view while it is filtered. Keeps reads the row's cells
// (by column number, as the column definitions count them) from the store; it must not raise.
class TRecordFilter {
public:
    virtual ~TRecordFilter() = default;
    virtual bool Keeps(const dbstore::RowStore& store, dbstore::RowId row) const = 0;
};

// A column of the records a data set holds, as its source describes it.
struct TColumnDef {
    String name;
    TFieldType type = ftWideString;
    int size = 0;
    int precision = 0;
    bool required = false;
    bool readOnly = false;
};

class TDataSet : public TComponent {
    VESTREL_CLASS(TDataSet, TComponent)
public:
    explicit TDataSet(TComponent* owner);
    ~TDataSet() override;

    // Opening and state.
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }
    void CheckActive() const;
    void CheckInactive() const;
    void CheckBrowseMode();
    bool CanModify() const { return Active() && CanModifyData(); }
    bool Modified() const { return modified_; }
    bool IsEmpty() const { return view_.empty(); }

    // Cursor.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);  // the number of rows actually moved
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    int RecNo() const;         // 1-based; 0 when empty or inactive
    void SetRecNo(int recNo);
    int RecordCount() const { return static_cast<int>(view_.size()); }
    bool IsSequenced() const { return true; }

    // Editing.
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void UpdateRecord();
    void ClearFields();
    void Refresh();

    // Fields.
    TFields* Fields() { return &fields_; }
    const TFields* Fields() const { return &fields_; }
    int FieldCount() const { return fields_.Count(); }
    TField* FindField(const String& name) const { return fields_.FindField(name); }
    TField* FieldByName(const String& name) const { return fields_.FieldByName(name); }
    // The fields named in "a;b;c" (an unknown name raises).
    void GetFieldList(std::vector<TField*>& list, const String& fieldNames) const;
    void GetFieldNames(TStrings* list) const;
    bool DefaultFields() const { return defaultFields_; }
    const std::vector<TColumnDef>& ColumnDefs() const { return columns_; }

    // Bookmarks.
    TBookmark Bookmark() const;
    void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
    void GotoBookmark(const TBookmark& bookmark);
    bool BookmarkValid(const TBookmark& bookmark) const;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
    // Changes whenever the view order changes (Sort, open, close).
    std::uint64_t OrderGeneration() const { return orderGeneration_; }

    // Client-side sort: "f1 [ASC|DESC], f2 ..."; empty restores the order of the source.
    const String& Sort() const { return sort_; }
    void SetSort(const String& sort);

    bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options);
    // The `resultFields` value (an array for several names) of the first row whose `keyFields` equal
    // `keyValues` exactly; Null when no row has them or a key value is Null. The cursor stays.
    Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields);
    bool Locate(const String& keyFields, const std::vector<Variant>& keyValues, TLocateOptions options);

    // Filtering. While Filtered is on and a record filter is set, only the rows it keeps are in
    // view (cursor, record count, bookmarks' order, links); changing either re-reads the view and
    // keeps the current record when it stays, else goes to the first one. Rows posted while filtered
    // stay in view until the filter is applied again. The Filter text is stored only.
    String Filter;
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool filtered);
    const std::shared_ptr<const TRecordFilter>& RecordFilter() const { return recordFilter_; }
    void SetRecordFilter(std::shared_ptr<const TRecordFilter> filter);
    // Applies the filter again (after rows changed).
    void RefreshFilter();

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }
    bool AutoCalcFields = true;

    // Master data set of a detail (nullptr when none).
    virtual TDataSet* MasterDataSet() const { return nullptr; }

    // Events: one assignable handler each, plus internal listeners called before or after it.
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert,
        BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete,
        AfterDelete, BeforeScroll, AfterScroll, OnNewRecord, OnCalcFields;
    using TListener = std::function<void(TDataSet*)>;
    void AddListener(TDataSetEventKind kind, const void* owner, TListener listener, bool beforeHandler = false);
    void RemoveListeners(const void* owner);

    // Reading a record other than the active one (for the links' windows).
    int ActiveViewPosition() const { return activePos_; }

protected:
    // Descendants provide the rows: InternalOpen calls BeginLoad, AddLoadedRow per row, and the
    // column definitions through SetColumnDefs.
    virtual void InternalOpen() {}
    virtual void InternalClose() {}
    // Writes a posted record to the source. `cells` are the new values; the descendant may
    // replace them (auto-numbers, defaults) before the store takes them. Raises on failure.
    enum class PostKind { Insert, Update };
    virtual void InternalPost(PostKind kind, dbstore::RowId row, std::vector<dbstore::Cell>& cells,
                              std::vector<String>& storage, const std::vector<bool>& changed) {}
    virtual void InternalDelete(dbstore::RowId row) {}
    virtual bool CanModifyData() const { return false; }
    virtual void InternalRefresh() {}

    void SetColumnDefs(std::vector<TColumnDef> columns) { columns_ = std::move(columns); }
    dbstore::RowStore& Store() { return store_; }
    // Adds a row read from the source, in source order.
    void AddLoadedRow(const std::string& record);
    void ReserveRows(std::size_t count) { view_.reserve(count); natural_.reserve(count); }
    dbstore::RowId CurrentRow() const;

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void DataEvent(TDataEvent event, std::intptr_t info);
    void SetState(TDataSetState state);
    void Resync();  // tells the links the rows changed
    // Closes without events (destructors of descendants).
    void CloseQuietly();
    // Reads the rows again through InternalOpen, keeping the fields when the columns stay the same;
    // the cursor goes to the first row.
    void ReloadRows();
    virtual void DoAfterScrollExtra() {}
    // Called when the controls are enabled again after being disabled (detail refresh hook).
    virtual void ControlsEnabled() {}

private:
    friend class TField;
    friend class TFields;
    friend class TDataLink;
    friend class TDataSource;

    void OpenCursor();
    void CloseCursor();
    void CreateDefaultFields();
    void BindFields();
    void DestroyDefaultFields();
    void AddField(TField* field);
    void RemoveField(TField* field);
    void FireEvent(TDataSetEventKind kind);
    TDataSetNotifyEvent& HandlerOf(TDataSetEventKind kind);
    void ScrollTo(int position, bool bof, bool eof);
    void RenumberKeys();
    std::int64_t KeyBetween(int viewPositionBefore);
    void InsertPendingRow(int viewPosition);
    int ViewPositionOf(dbstore::RowId row) const;
    void SyncLinks(bool changed);
    bool LocateRow(const std::vector<TField*>& fields, const std::vector<Variant>& values,
                   TLocateOptions options, int& position) const;
    std::vector<int> SortColumns(const String& sort, std::vector<bool>& descending) const;
    void ApplySort();
    bool FilterActive() const { return filtered_ && recordFilter_; }

    // Cells of the active record.
    dbstore::Cell ActiveCell(int column) const;
    void SetActiveCell(int column, const dbstore::Cell& cell);
    dbstore::Cell CalcCell(int slot) const;
    void SetCalcCell(int slot, const dbstore::Cell& cell);
    void CalculateFields(dbstore::RowId row) const;
    // The lookup fields' values for the active record (one per field of `fields`).
    std::vector<Variant> LookupValues(const std::vector<TField*>& fields) const;
    dbstore::RowId ActiveRow() const;
    bool ActiveIsEditBuffer() const;

    TFields fields_;
    std::vector<TColumnDef> columns_;
    dbstore::RowStore store_;
    std::vector<dbstore::RowId> view_;     // live rows in view order (keys ascending)
    std::vector<dbstore::RowId> natural_;  // every row ever shown, in source order
    std::vector<TDataLink*> links_;        // links of every data source on this data set
    std::vector<TDataSource*> sources_;

    struct OwnedCell {
        dbstore::CellKind kind = dbstore::CellKind::Null;
        std::int64_t integer = 0;
        double real = 0;
        String bytes;
        dbstore::Cell View() const;
        void Set(const dbstore::Cell& cell);
    };
    std::vector<OwnedCell> editBuffer_;
    std::vector<bool> editChanged_;
    mutable std::vector<OwnedCell> calcBuffer_;
    mutable dbstore::RowId calcRow_ = dbstore::kNoRow;
    mutable bool calculating_ = false;
    int calcFieldCount_ = 0;

    struct Listener {
        TDataSetEventKind kind;
        const void* owner;
        TListener call;
        bool before;
    };
    std::vector<Listener> listeners_;

    TDataSetState state_ = dsInactive;
    TDataSetState savedState_ = dsInactive;
    int curPos_ = -1;                       // view position of the current record
    int activePos_ = -1;                    // view position of the active record
    dbstore::RowId pendingRow_ = dbstore::kNoRow;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    bool defaultFields_ = true;
    bool opening_ = false;
    bool streamedActive_ = false;
    int disableCount_ = 0;
    bool changedWhileDisabled_ = false;
    std::uint32_t openSerial_ = 0;
    std::uint64_t orderGeneration_ = 0;
    String sort_;
    bool filtered_ = false;
    std::shared_ptr<const TRecordFilter> recordFilter_;
};

// --- Links and sources ---------------------------------------------------------------------------

// An action that works on a data source (moving, inserting, posting, ...). The data-set actions of
// the window half are these; a data-aware control's link offers them its source first.
class TDataSourceAction {
public:
    virtual ~TDataSourceAction() = default;
    // True when the action works on `target` (a TDataSource).
    virtual bool HandlesTarget(TObject* target) = 0;
    virtual void ExecuteTarget(TObject* target) = 0;
    // Sets the action's enabled state for `target`.
    virtual void UpdateTarget(TObject* target) = 0;
};

class TDataLink : public TPersistent {
    VESTREL_CLASS(TDataLink, TPersistent)
public:
    TDataLink() = default;
    ~TDataLink() override;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    bool Active() const { return active_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool Editing() const { return editing_; }
    bool Edit();
    void UpdateRecord();

    // The window of records this link shows: BufferCount rows from its first record.
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);
    int RecordCount() const;       // rows in the window
    int ActiveRecord() const;      // window row of the data set's active record
    void SetActiveRecord(int index);  // makes that window row the active record (no events)
    // Window row of the current record.
    int CurrentWindowRow() const;
    virtual int MoveBy(int distance);
    bool Bof() const;
    bool Eof() const;

    // Called by the data set and the source.
    virtual void DataEvent(TDataEvent event, std::intptr_t info);

    // Runs (updates) `action` on this link's source when it is a TDataSourceAction that works on
    // it: true when it did, and the control goes no further.
    virtual bool ExecuteAction(TObject* action);
    virtual bool UpdateAction(TObject* action);

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField** field) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) {}
    virtual void UpdateData() {}
    virtual void DisabledStateChanged(bool enabled) {}

private:
    friend class TDataSet;
    friend class TDataSource;
    void SetActive(bool active);
    void UpdateState();
    void AdjustWindow(bool keepWindowRow);

    TDataSource* dataSource_ = nullptr;
    int bufferCount_ = 1;
    int first_ = 0;      // view position of the window's first row
    int lastActiveRow_ = 0;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool updating_ = false;
};

using TDataChangeEvent = TEvent<void(TObject* sender, TField* field)>;

class TDataSource : public TComponent {
    VESTREL_CLASS(TDataSource, TComponent)
public:
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool autoEdit) { autoEdit_ = autoEdit; }
    TDataSetState State() const { return dataSet_ && enabled_ ? dataSet_->State() : dsInactive; }
    bool IsLinkedTo(TDataSet* dataSet) const;

    TNotifyEvent OnStateChange;
    TDataChangeEvent OnDataChange;
    TNotifyEvent OnUpdateData;

    const std::vector<TDataLink*>& Links() const { return links_; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDataLink;
    friend class TDataSet;
    void AddLink(TDataLink* link);
    void RemoveLink(TDataLink* link);
    void NotifyLinks(TDataEvent event, std::intptr_t info);
    void UpdateLinks();

    TDataSet* dataSet_ = nullptr;
    std::vector<TDataLink*> links_;
    TDataSetState lastState_ = dsInactive;
    bool enabled_ = true;
    bool autoEdit_ = true;
};

// Raises EDatabaseError with `message`, naming `component` when it has a name ("Qry_Cust: ...").
[[noreturn]] void DatabaseError(const String& message, const TComponent* component = nullptr);
