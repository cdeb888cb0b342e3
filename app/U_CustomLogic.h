// The person list's decisions, free of Windows so that the native tests reach them: the statements
// of the person window, the grid columns kept in T_FieldShow with their sort order and chooser,
// and the category trees (codes, proposals, save checks, the shape of a filled tree).
//
// Every value from a person or from the database is quoted (quotes doubled); for input without a
// quote each statement's text is the one the window has always run. A person list is the
// operator's own rows unless right 35 is held, on every path (the searches included).
//
// Sections: person window, grid columns, column chooser, category trees.
#pragma once

#include "SysUtils.h"

#include <functional>
#include <vector>

class TADOConnection;
class TDataSet;

// ---- Person window ------------------------------------------------------------------------------

// Whose persons a list shows: everyone's with right 35, else the operator's own.
struct TPersonScope {
    bool AllPersons = true;
    String OperatorName;
};

// The list at show: "Select top 100 * from Custom" [" where F_User='<name>'"].
String PersonStartSql(const TPersonScope& scope);
// The detail lists bound to the current person through :CustCode (DS_Cust):
// "Select * From Contact where CustCode=:CustCode" [" and F_User='<name>'"], and the same for T_Schedule.
String ContactDetailSql(const TPersonScope& scope);
String ScheduleDetailSql(const TPersonScope& scope);

// The captions of the quick search's column list, in the order the table returns them.
inline constexpr const char* kSearchCaptionsSql = "select * from T_Fieldshow where tablename='custom'";
// The entry the list starts on.
inline constexpr int kFirstSearchEntry = 1;
// "select * from T_FieldShow where tablename='Custom' and Name='<caption>'".
String SearchColumnSql(const String& caption);
// Raises EDatabaseError naming `field` unless it is one of `columns` (compared without regard to
// case and surrounding blanks); answers it trimmed. Guards the column name that the quick search
// puts into its statement.
String CheckedSearchColumn(const String& field, const std::vector<String>& columns);
// The field names of an open data set, in order.
std::vector<String> ColumnNamesOf(const TDataSet* dataSet);
// The column names of `table` on `connection` (connected), read from the prepared statement
// "select * from <table>" without running it.
std::vector<String> ColumnNamesOfTable(TADOConnection* connection, const String& table);
// "Select * from custom where <field> like '%<key>%'" [" and F_User='<name>'"]; the key as typed
// (a "%" in it widens the match). `field` must have passed CheckedSearchColumn.
String QuickSearchSql(const String& field, const String& key, const TPersonScope& scope);

// The category a node of the person window's tree stands for: its text before the first "-"
// (empty when it has none, as the root).
String NodeCategoryCode(const String& nodeText);
// A category's persons: "Select * from custom where category like '<code>%'" [" and F_User='<name>'"].
String CategoryListSql(const String& code, const TPersonScope& scope);
// The root's persons: "Select * from Custom" [" where F_User='<name>'"], without a row limit.
String CategoryRootSql(const TPersonScope& scope);

// Status panel 1: "当前共有 <n> 条个人记录" after the start list, a search or a refill;
// "当前共有 <n> 条客户记录" after a category list.
String PersonStatusText(int count);
String CategoryStatusText(int count);

// Where the column list's selection settles after a change: a group heading moves it to the next
// entry (it stays when the heading is the last one); positions above 7 belong to the contacts.
struct TSearchEntryStep {
    int ItemIndex = -1;
    String QueryTable;  // "Custom" or "Contact"
};
TSearchEntryStep StepPastHeading(const std::vector<String>& items, int itemIndex);

// ---- Grid columns -------------------------------------------------------------------------------

// "select * from T_FieldShow where show=1 and TableName='<table>' order by ShowID".
String GridColumnsSql(const String& table);

// One shown column as a T_FieldShow row describes it.
struct TGridColumnSetting {
    String Field;
    int Width = 0;
    String Caption;           // the field's display label
    bool FooterSum = false;   // SumField = 1
    bool EditButton = false;  // ShowButton = 1: an ellipsis button always shown
    bool operator==(const TGridColumnSetting&) const = default;
};
// The settings of the open GridColumnsSql rows, from the first row on (the data set ends on Eof).
std::vector<TGridColumnSetting> ReadGridColumnSettings(TDataSet* rows);

// "update T_FieldShow set showid=<i>,width=<w> where tablename='<table>' and field='<field>'".
String SaveGridColumnSql(int index, int width, const String& table, const String& field);

// A sort-marked column, in marking order: Up is the up marker (descending).
struct TSortMark {
    String FieldName;
    bool Up = false;
};
// The client-side sort text of the marked columns: each "<field>, " or "<field> DESC , " in
// order; then, when any, two blanks before it and its last two characters dropped:
// CustCode (down), Company (up) -> "  CustCode, Company DESC ". Empty when none is marked.
String SortTextOf(const std::vector<TSortMark>& marks);

// ---- Column chooser -----------------------------------------------------------------------------

// "select * from T_FieldShow where show=<0|1> and TableName='<table>'".
String ChooserListSql(bool shown, const String& table);
// "update T_FieldShow set show=<0|1> where name='<trimmed caption>' and TableName='<table>'".
String ChooserUpdateSql(bool shown, const String& caption, const String& table);

// Moves the selected items of `from` to the end of `to`, walking `from` from its last item to its
// first (several moved items so arrive in reverse order). `selected` runs parallel to `from`
// and shrinks with it; a shorter `selected` leaves the items past its end unselected.
void MoveSelectedItems(std::vector<String>& from, std::vector<bool>& selected, std::vector<String>& to);
// Appends every item of `from`, in order, to `to` and empties `from`.
void MoveAllItems(std::vector<String>& from, std::vector<String>& to);

struct TMoveButtons {
    bool Right = false, AllRight = false, Left = false, AllLeft = false;
    bool operator==(const TMoveButtons&) const = default;
};
TMoveButtons MoveButtonsFor(int sourceCount, int destinationCount);

// ---- Category trees -----------------------------------------------------------------------------

// Two digits per level, nine levels.
inline constexpr const char* kCodePattern = "222222222";
// The longest code a category can have.
inline constexpr std::size_t kMaxCodeLength = 10;

// The level of `code` by `pattern` (digits summed until they reach the code's length): codes of
// 2, 4, ... 18 characters give 1 to 9; other lengths and an empty text give -1.
int CodeLevel(const String& pattern, const String& code);
// "0" before a text of odd length.
String PadCode(const String& text);
// ASCII digits only (an empty text passes, as the save's first check lets it through).
bool IsCategoryCode(const String& text);

// "select * from <table> order by code", "select * from <table>", and the row of one code
// ("select * from <table> where code='<code>'"), and its delete.
String CategoryTreeSql(const String& table);
String CategoryTableSql(const String& table);
String CategoryCodeSql(const String& table, const String& code);
String CategoryDeleteSql(const String& table, const String& code);

struct TCategoryRow {
    String Code;
    String Name;
};
// The `code` and `name` of every row of an open data set, trimmed, from the first row on.
std::vector<TCategoryRow> ReadCategoryRows(TDataSet* rows);

// One node of a filled tree. Node 0 is the root (the caption, level 0, no parent); the others
// follow in row order, each after its parent.
struct TCategoryNode {
    String Text;   // code + "-" + name; the caption for the root
    String Code;   // empty for the root
    int Level = 0; // CodeLevel of the code
    int Parent = -1;
    bool operator==(const TCategoryNode&) const = default;
};
// The tree of `rows` in code order. Rows whose code has no level are left out. A node goes under
// the node of its parent code; a row whose parent code has no node (an orphan) goes under its
// nearest ancestor that has one, else under the root.
std::vector<TCategoryNode> BuildCategoryTree(const String& caption, const std::vector<TCategoryRow>& rows);

// A node's code (its text before the first "-", empty for the root) and its name (the text
// after that "-"; the whole text for the root).
struct TNodeFields {
    String Code;
    String Name;
};
TNodeFields SplitNodeText(const String& text);

// Runs a select on the dialog's scratch query and answers the trimmed `code` of its rows in order.
using TCodeReader = std::function<std::vector<String>(const String& sql)>;

// The code proposed for a new node: a sibling or a child of the node whose code is `editCode`
// (the root and no node: "0", the top level). "Next" is the last code as a number plus one,
// padded to an even length; a level without codes gets its first one. A level whose next code
// would leave its parent or outgrow two digits is full and refused.
struct TCodeProposal {
    bool Refused = false;
    String Code;
    bool ClearName = true;  // false for the very first code of an empty table
    String Message;         // when refused
};
TCodeProposal ProposeNextCode(const String& table, const String& editCode, bool asChild, const TCodeReader& read);

// A save refused: its message, and whether the code field gets the focus.
struct TCategoryCheck {
    bool Ok = true;
    String Message;
    bool FocusCode = false;
};
// The checks of saving a new code, in order: digits, even length of at most ten, not taken, a
// parent that exists (except on the top level). `codeText` is the field as typed.
TCategoryCheck CheckNewCategory(const String& table, const String& codeText, const TCodeReader& read);
// The checks of changing a node's name: a code, and its row.
TCategoryCheck CheckRenameCategory(const String& table, const String& codeText, const TCodeReader& read);

enum class TCategoryDeleteStep { Nothing, RefuseChildren, Ask };
// No node: nothing; a node with children (the root too): refused; the bare root: nothing (it is
// never deleted); else the question.
TCategoryDeleteStep CategoryDeleteStepFor(bool nodeSelected, bool isRoot, bool hasChildren);

// What a pick hands to the person dialog: the code trimmed, the name; Config.ini keeps the code as
// it stands in the field.
struct TCategoryPick {
    String Code;
    String Name;
    String IniCode;
};
TCategoryPick CategoryPickOf(const String& codeText, const String& nameText);
