// Tools the grid's editors and the data-aware controls share: edit buttons, the special row of
// drop-down lists, the recently-used list, the distinct values of a field, the drop-down placement
// rule and small helpers. This half needs no window; the button controls, face painters and
// drop-down windows are in ToolCtrlsEhControls.h.
//
// Classes in this file:
//   TEditButtonEh, TVisibleEditButtonEh  one edit button (style, width, events)
//   TEditButtonsEh                       a collection of edit buttons with an item-changed event
//   TSpecRowEh                           the special row of a drop-down list ("(none)" and the like)
//   TMRUListEh                           a most-recently-used list of texts
//   TDataLinkEh                          a data link that forwards every data event to a callback
//   TDatasetFieldValueListEh             the sorted distinct texts of one field of a data set
//   TIncrementalSearchEh                 the typed-text rule of the drop-down list box
//
// Not yet: the theme (visual styles) variants of anything; the glyph of glyph buttons (it comes with
// the editor's buttons).
#pragma once

#include "Collection.h"
#include "DB.h"
#include "GridTypesEh.h"
#include "Lists.h"
#include "Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum TEditButtonStyleEh { ebsDropDownEh, ebsEllipsisEh, ebsGlyphEh, ebsUpDownEh, ebsPlusEh, ebsMinusEh };
enum TEditButtonDrawKindEh { bdkDropDown, bdkEllipsis, bdkUpDown, bdkCheckBox, bdkPlus, bdkMinus };
// The drawing kind of a button style (glyph buttons are not drawn by the face painter).
TEditButtonDrawKindEh EditButtonDrawKind(TEditButtonStyleEh style);

enum TDropDownAlign { daLeft, daRight, daCenter };

using TButtonClickEventEh = TEvent<void(TObject* Sender, bool& Handled)>;
using TButtonDownEventEh = TEvent<void(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)>;

// The virtual keys of the default short-cuts (VK_DOWN, VK_DELETE).
constexpr TShortCut kVirtualKeyDown = 0x28;
constexpr TShortCut kVirtualKeyDelete = 0x2E;
constexpr TShortCut kShortCutAltDown = static_cast<TShortCut>(kVirtualKeyDown | scAlt);
constexpr TShortCut kShortCutAltDel = static_cast<TShortCut>(kVirtualKeyDelete | scAlt);
// The typed characters that clear an incremental search.
constexpr char32_t kCharBackspace = 0x08;
constexpr char32_t kCharEscape = 0x1B;

// ---- Edit buttons ---------------------------------------------------------------------------------

class TEditButtonEh : public TCollectionItem {
    VESTREL_CLASS(TEditButtonEh, TCollectionItem)
public:
    // In a collection, or stand-alone (collection nullptr) for `editControl`.
    explicit TEditButtonEh(TCollection* collection);
    TEditButtonEh(TComponent* editControl, bool visible);
    ~TEditButtonEh() override;

    void Assign(TPersistent* source) override;

    TComponent* EditControl() const { return editControl_; }
    TComponent* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TComponent* menu);
    const String& Hint() const { return hint_; }
    void SetHint(const String& hint);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);  // clamped to 1..4
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    TEditButtonStyleEh Style() const { return style_; }
    void SetStyle(TEditButtonStyleEh value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    int Width() const { return width_; }  // 0: the owner's default width
    void SetWidth(int value);

    TButtonClickEventEh OnClick;
    TButtonDownEventEh OnDown;
    // Set by the owning control; when empty, a change notifies the collection.
    TNotifyEvent OnChange;

protected:
    void NotifyChange();
    // Defaults of a descendant, set without a change notification.
    void SetDefaults(bool visible, TShortCut shortCut) {
        visible_ = visible;
        shortCut_ = shortCut;
    }

private:
    TComponent* editControl_ = nullptr;
    TComponent* dropdownMenu_ = nullptr;
    String hint_;
    int numGlyphs_ = 1;
    TShortCut shortCut_ = scNone;
    TEditButtonStyleEh style_ = ebsDropDownEh;
    bool visible_ = false;
    int width_ = 0;
};

// The same with Visible True and ShortCut Alt+Down by default.
class TVisibleEditButtonEh : public TEditButtonEh {
    VESTREL_CLASS(TVisibleEditButtonEh, TEditButtonEh)
public:
    explicit TVisibleEditButtonEh(TCollection* collection);
    explicit TVisibleEditButtonEh(TComponent* editControl);
};

class TEditButtonsEh : public TCollection {
    VESTREL_CLASS(TEditButtonsEh, TCollection)
public:
    TEditButtonsEh(TPersistent* owner, const TCollectionItemClass& itemClass);

    TEditButtonEh* Items(int index) const { return static_cast<TEditButtonEh*>(TCollection::Items(index)); }
    TEditButtonEh* Add() { return static_cast<TEditButtonEh*>(TCollection::Add()); }
    TPersistent* GetOwner() const override { return owner_; }

    // Called with the changed item (nullptr for the whole list) after every update.
    TNotifyEvent OnItemChanged;
    TEditButtonEh* ChangedItem() const { return changedItem_; }

protected:
    void Update(TCollectionItem* item) override;

private:
    TPersistent* owner_;
    TEditButtonEh* changedItem_ = nullptr;
};

// ---- Special row ----------------------------------------------------------------------------------

// Who lends a special row its font and colour while it has none of its own.
class ISpecRowOwnerEh {
public:
    virtual ~ISpecRowOwnerEh() = default;
    virtual TCustomFont* SpecRowOwnerFont() = 0;
    virtual TColor SpecRowOwnerColor() = 0;
};

class TSpecRowEh : public TPersistent {
    VESTREL_CLASS(TSpecRowEh, TPersistent)
public:
    explicit TSpecRowEh(TPersistent* owner);
    ~TSpecRowEh() override;

    void Assign(TPersistent* source) override;
    TPersistent* Owner() const { return owner_; }

    const String& CellsText() const { return cellsText_; }
    void SetCellsText(const String& value);
    const std::vector<String>& Cells() const { return cells_; }
    String ReadCellText(int index) const;  // "" out of range
    TColor Color() const;
    void SetColor(TColor value);
    bool ColorAssigned() const { return colorAssigned_; }
    TCustomFont* Font();  // refreshed from the owner's while not assigned
    void SetFont(TCustomFont* value) { font_->Assign(value); }
    bool FontAssigned() const { return fontAssigned_; }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    bool ShowIfNotInKeyList() const { return showIfNotInKeyList_; }
    void SetShowIfNotInKeyList(bool value);
    const Variant& Value() const { return value_; }
    void SetValue(const Variant& value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();  // raises OnChanged once the counter is back at zero

    TNotifyEvent OnChanged;

private:
    void Changed();
    void FontChanged(TObject* sender);

    TPersistent* owner_;
    String cellsText_;
    std::vector<String> cells_;
    TColor color_ = clWindow;
    std::unique_ptr<TCustomFont> font_;
    TShortCut shortCut_ = kShortCutAltDel;
    bool showIfNotInKeyList_ = true;
    Variant value_ = Null();
    bool visible_ = false;
    bool colorAssigned_ = false;
    bool fontAssigned_ = false;
    bool refreshingFont_ = false;
    int updateCount_ = 0;
};

// The cells of a special row's text: leading control characters are skipped; a cell is a
// double-quoted string (quotes doubled inside) or the text up to the next control character or
// ";"; a ";" and the control characters after it separate cells.
std::vector<String> ParseSpecRowCells(const String& text);
// The text that parses back into `cells`: ";" between cells, a cell quoted when it holds a ";", a
// quote or a control character.
String JoinSpecRowCells(const std::vector<String>& cells);

// ---- Recently-used list ---------------------------------------------------------------------------

using TFilterMRUItemEventEh = TEvent<void(TObject* Sender, bool& Accept)>;

class TMRUListEh : public TPersistent {
    VESTREL_CLASS(TMRUListEh, TPersistent)
public:
    explicit TMRUListEh(TPersistent* owner);
    ~TMRUListEh() override;

    void Assign(TPersistent* source) override;
    TPersistent* Owner() const { return owner_; }

    bool AutoAdd() const { return autoAdd_; }
    void SetAutoAdd(bool value) { autoAdd_ = value; }
    bool Active() const { return active_; }
    void SetActive(bool value);
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value) { caseSensitive_ = value; }
    TStringList* Items() const { return items_.get(); }
    void SetItems(TStrings* value);
    int Limit() const { return limit_; }
    void SetLimit(int value);  // re-applies the limit
    int Rows() const { return rows_; }
    void SetRows(int value);
    bool CancelIfKeyInQueue() const { return cancelIfKeyInQueue_; }
    void SetCancelIfKeyInQueue(bool value) { cancelIfKeyInQueue_ = value; }

    // A text that is empty after trimming is ignored; an equal entry moves to the end; otherwise it
    // is appended and the oldest entries go while there are more than Limit.
    void Add(const String& text);
    // Fills `list` with every item that starts with `mask` (OnFilterItem may change the verdict;
    // the item being judged is FilterItemText()). Every 100 items, with CancelIfKeyInQueue, a
    // pending key press stops it: answers False.
    bool CopyMatchingItems(TStrings* list, const String& mask);
    const String& FilterItemText() const { return filterItemText_; }
    void DropDown();
    void CloseUp(bool accept);

    TFilterMRUItemEventEh OnFilterItem;
    // The owner's notifications.
    TNotifyEvent OnSetDropDown;
    TEvent<void(TObject* Sender, bool Accept)> OnSetCloseUp;
    TNotifyEvent OnActiveChanged;
    // Whether a key press waits in the thread's queue; set by the window that shows the list (none:
    // never).
    std::function<bool()> KeyPending;

private:
    void ApplyLimit();

    TPersistent* owner_;
    std::unique_ptr<TStringList> items_;
    String filterItemText_;
    int limit_ = 100;
    int rows_ = 7;
    bool autoAdd_ = true;
    bool active_ = false;
    bool caseSensitive_ = false;
    bool cancelIfKeyInQueue_ = true;
};

// ---- Field value list -----------------------------------------------------------------------------

class TDataLinkEh : public TDataLink {
    VESTREL_CLASS(TDataLinkEh, TDataLink)
public:
    // Called after the inherited handling of every data event.
    std::function<void(TDataEvent event, std::intptr_t info)> OnDataEvent;
    void DataEvent(TDataEvent event, std::intptr_t info) override;
};

class IMemTableDataFieldValueListEh {
public:
    virtual ~IMemTableDataFieldValueListEh() = default;
    virtual TStrings* GetValues() = 0;
};

class TDatasetFieldValueListEh : public TObject, public IMemTableDataFieldValueListEh {
    VESTREL_CLASS(TDatasetFieldValueListEh, TObject)
public:
    TDatasetFieldValueListEh();
    ~TDatasetFieldValueListEh() override;

    TDataSet* DataSet() const;
    void SetDataSet(TDataSet* value);
    const String& FieldName() const { return fieldName_; }
    void SetFieldName(const String& value);
    // The sorted distinct texts, read again when the list is obsolete. The walk keeps the data
    // set's current record (and its controls disabled meanwhile).
    TStrings* Values();
    TStrings* GetValues() override { return Values(); }
    bool DataObsolete() const { return dataObsolete_; }

private:
    void RefreshValues();

    std::unique_ptr<TStringList> values_;
    std::unique_ptr<TDataSource> source_;
    std::unique_ptr<TDataLinkEh> link_;
    String fieldName_;
    bool dataObsolete_ = true;
};

// ---- Placement, sizes and helpers -----------------------------------------------------------------

// Where a drop-down of `width` x `height` goes for an edit at `edit` (screen rectangle) on a monitor
// whose work area is `work`, and the two requests sent to it (WM_USER+100): the side (2 above,
// 3 below) and the grip corner (0 grip to the left, 1 to the right). A height that would drop below
// `minHeight` is raised to it.
struct TDropDownPlacementEh {
    TPoint Pos;
    int Width = 0;
    int Height = 0;
    int SideRequest = 3;
    int GripRequest = 1;
};
TDropDownPlacementEh CalcDropDownPlacement(const TRect& edit, const TRect& work, int width, int height,
                                           TDropDownAlign align, int minHeight = 1);

// Height of a standard edit button of `width`: flat 3/2 of it (rounded), else the width.
int StandardEditButtonHeight(int width, bool flat);

// A check box of `check` placed in `cell` by alignment and layout (clipped to the cell).
TRect FitCheckBoxInCell(const TRect& cell, TSize check, TAlignment alignment, TTextLayout layout);

// Whole rows of a list box: max(1, (height - border) / itemHeight) rows, and the height they need.
int ListBoxRowsForHeight(int height, int borderHeight, int itemHeight);
int ListBoxHeightForRows(int rows, int borderHeight, int itemHeight);

// The text typed into a drop-down list: Backspace and Esc clear it; a printable character clears
// it first when more than 2000 ms passed since the previous one, and is appended while the text
// holds fewer than 32 characters.
class TIncrementalSearchEh {
public:
    // Answers whether the text changed and a search should run.
    bool KeyTyped(char32_t ch, std::uint32_t tick);
    const String& Text() const { return text_; }
    void Clear() { text_.clear(); }

private:
    String text_;
    std::uint32_t lastTick_ = 0;
};

// Index of the first item starting with `text` (case-insensitive), -1 when none.
int FindItemStartingWith(const TStrings* items, const String& text);

// Variant equality of the edit controls: arrays equal arrays of the same bounds and equal elements;
// two empty values are equal; a comparison that raises counts as unequal.
bool VariantsEqual(const Variant& a, const Variant& b);

// The fields named in "a;b;c" of `dataSet`; a missing one raises the data-set error
// "Field 'x' not found" naming `component`.
std::vector<TField*> GetFieldsProperty(TDataSet* dataSet, TComponent* component, const String& fieldNames);
// One field takes `value`, several take the elements of an array; Null clears every field.
void SetFieldsValue(const std::vector<TField*>& fields, const Variant& value);
// The value of one field, or an array of several.
Variant GetFieldsValue(const std::vector<TField*>& fields);
