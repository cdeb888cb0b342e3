#include "U_CustomLogic.h"

#include "ADODB.h"
#include "DB.h"
#include "U_DataLogic.h"
#include "Encoding.h"
#include "FormatSettings.h"
#include "U_CustomTexts.h"
#include "U_treeTexts.h"

#include <sqlite3.h>

#include <map>

namespace {

// " and F_User='<name>'" for an operator without right 35 (`joiner` " and " or " where ").
String OwnerCondition(const TPersonScope& scope, const char* joiner) {
    if (scope.AllPersons)
        return String();
    return String(joiner) + "F_User=" + QuotedSql(scope.OperatorName);
}

}  // namespace

// ---- Person window ------------------------------------------------------------------------------

String PersonStartSql(const TPersonScope& scope) {
    return "Select top 100 * from Custom" + OwnerCondition(scope, " where ");
}

String ContactDetailSql(const TPersonScope& scope) {
    return "Select * From Contact where CustCode=:CustCode" + OwnerCondition(scope, " and ");
}

String ScheduleDetailSql(const TPersonScope& scope) {
    return "Select * From T_Schedule where CustCode=:CustCode" + OwnerCondition(scope, " and ");
}

String SearchColumnSql(const String& caption) {
    return "select * from T_FieldShow where tablename='Custom' and Name=" + QuotedSql(caption);
}

String CheckedSearchColumn(const String& field, const std::vector<String>& columns) {
    const String name = Trim(field);
    for (const String& column : columns) {
        if (!name.empty() && SameText(column, name))
            return name;
    }
    throw EDatabaseError("T_FieldShow names the search column \"" + field +
                         "\", which the person list does not have");
}

std::vector<String> ColumnNamesOf(const TDataSet* dataSet) {
    std::vector<String> names;
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        names.push_back((*dataSet->Fields())[i]->FieldName());
    return names;
}

std::vector<String> ColumnNamesOfTable(TADOConnection* connection, const String& table) {
    connection->CheckConnected();
    SqliteStatement statement = connection->Database().Prepare(CategoryTableSql(table));
    std::vector<String> names;
    const int count = sqlite3_column_count(statement.Handle());
    for (int i = 0; i < count; ++i)
        names.emplace_back(sqlite3_column_name(statement.Handle(), i));
    return names;
}

String QuickSearchSql(const String& field, const String& key, const TPersonScope& scope) {
    return "Select * from custom where " + field + " like " + QuotedSql("%" + key + "%") +
           OwnerCondition(scope, " and ");
}

String NodeCategoryCode(const String& nodeText) {
    const std::size_t dash = nodeText.find('-');
    return dash == String::npos ? String() : nodeText.substr(0, dash);
}

String CategoryListSql(const String& code, const TPersonScope& scope) {
    return "Select * from custom where category like " + QuotedSql(code + "%") + OwnerCondition(scope, " and ");
}

String CategoryRootSql(const TPersonScope& scope) {
    return "Select * from Custom" + OwnerCondition(scope, " where ");
}

String PersonStatusText(int count) {
    return CustomTexts::StatusHead + IntToStr(count) + CustomTexts::PersonTail;
}

String CategoryStatusText(int count) {
    return CustomTexts::StatusHead + IntToStr(count) + CustomTexts::CategoryTail;
}

TSearchEntryStep StepPastHeading(const std::vector<String>& items, int itemIndex) {
    TSearchEntryStep step;
    step.ItemIndex = itemIndex;
    const int count = static_cast<int>(items.size());
    if (itemIndex >= 0 && itemIndex < count) {
        const String& text = items[static_cast<std::size_t>(itemIndex)];
        if ((text == CustomTexts::PersonHeading || text == CustomTexts::ContactHeading) && itemIndex + 1 < count)
            step.ItemIndex = itemIndex + 1;
    }
    step.QueryTable = step.ItemIndex > 7 ? "Contact" : "Custom";
    return step;
}

// ---- Grid columns -------------------------------------------------------------------------------

String GridColumnsSql(const String& table) {
    return "select * from T_FieldShow where show=1 and TableName=" + QuotedSql(table) + " order by ShowID";
}

std::vector<TGridColumnSetting> ReadGridColumnSettings(TDataSet* rows) {
    std::vector<TGridColumnSetting> settings;
    TField* field = rows->FieldByName("Field");
    TField* width = rows->FieldByName("Width");
    TField* name = rows->FieldByName("Name");
    TField* sum = rows->FieldByName("SumField");
    TField* button = rows->FieldByName("ShowButton");
    for (rows->First(); !rows->Eof(); rows->Next()) {
        TGridColumnSetting s;
        s.Field = field->AsString();
        s.Width = width->AsInteger();
        s.Caption = name->AsString();
        s.FooterSum = sum->AsInteger() == 1;
        s.EditButton = button->AsInteger() == 1;
        settings.push_back(std::move(s));
    }
    return settings;
}

String SaveGridColumnSql(int index, int width, const String& table, const String& field) {
    return "update T_FieldShow set showid=" + IntToStr(index) + ",width=" + IntToStr(width) +
           " where tablename=" + QuotedSql(table) + " and field=" + QuotedSql(field);
}

String SortTextOf(const std::vector<TSortMark>& marks) {
    String s;
    for (const TSortMark& mark : marks)
        s += mark.FieldName + (mark.Up ? " DESC , " : ", ");
    if (!s.empty())
        s = "  " + s.substr(0, s.size() - 2);
    return s;
}

// ---- Column chooser -----------------------------------------------------------------------------

String ChooserListSql(bool shown, const String& table) {
    return String("select * from T_FieldShow where show=") + (shown ? "1" : "0") + " and TableName=" +
           QuotedSql(table);
}

String ChooserUpdateSql(bool shown, const String& caption, const String& table) {
    return String("update T_FieldShow set show=") + (shown ? "1" : "0") + " where name=" + QuotedSql(Trim(caption)) +
           " and TableName=" + QuotedSql(table);
}

void MoveSelectedItems(std::vector<String>& from, std::vector<bool>& selected, std::vector<String>& to) {
    selected.resize(from.size(), false);
    for (std::size_t i = from.size(); i-- > 0;) {
        if (!selected[i])
            continue;
        to.push_back(from[i]);
        from.erase(from.begin() + static_cast<std::ptrdiff_t>(i));
        selected.erase(selected.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void MoveAllItems(std::vector<String>& from, std::vector<String>& to) {
    to.insert(to.end(), from.begin(), from.end());
    from.clear();
}

TMoveButtons MoveButtonsFor(int sourceCount, int destinationCount) {
    TMoveButtons b;
    b.Right = b.AllRight = sourceCount > 0;
    b.Left = b.AllLeft = destinationCount > 0;
    return b;
}

// ---- Category trees -----------------------------------------------------------------------------

int CodeLevel(const String& pattern, const String& code) {
    if (pattern.empty() || code.empty())
        return -1;
    std::size_t sum = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c >= '0' && c <= '9')
            sum += static_cast<std::size_t>(c - '0');
        if (sum == code.size())
            return static_cast<int>(i + 1);
    }
    return -1;
}

String PadCode(const String& text) {
    return text.size() % 2 == 1 ? "0" + text : text;
}

bool IsCategoryCode(const String& text) {
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

String CategoryTreeSql(const String& table) {
    return "select * from " + table + " order by code";
}

String CategoryTableSql(const String& table) {
    return "select * from " + table;
}

String CategoryCodeSql(const String& table, const String& code) {
    return "select * from " + table + " where code=" + QuotedSql(code);
}

String CategoryDeleteSql(const String& table, const String& code) {
    return "delete from " + table + " where code=" + QuotedSql(code);
}

std::vector<TCategoryRow> ReadCategoryRows(TDataSet* rows) {
    std::vector<TCategoryRow> result;
    TField* code = rows->FieldByName("code");
    TField* name = rows->FieldByName("name");
    for (rows->First(); !rows->Eof(); rows->Next())
        result.push_back({Trim(code->AsString()), Trim(name->AsString())});
    return result;
}

std::vector<TCategoryNode> BuildCategoryTree(const String& caption, const std::vector<TCategoryRow>& rows) {
    std::vector<TCategoryNode> nodes;
    nodes.push_back({caption, String(), 0, -1});
    std::map<String, int> byCode;
    for (const TCategoryRow& row : rows) {
        const int level = CodeLevel(kCodePattern, row.Code);
        if (level <= 0)
            continue;
        int parent = 0;
        for (std::size_t length = row.Code.size(); length > 2;) {
            length -= 2;
            const auto found = byCode.find(row.Code.substr(0, length));
            if (found != byCode.end()) {
                parent = found->second;
                break;
            }
        }
        byCode[row.Code] = static_cast<int>(nodes.size());
        nodes.push_back({row.Code + "-" + row.Name, row.Code, level, parent});
    }
    return nodes;
}

TNodeFields SplitNodeText(const String& text) {
    const std::size_t dash = text.find('-');
    if (dash == String::npos)
        return {String(), text};
    return {text.substr(0, dash), text.substr(dash + 1)};
}

namespace {

TCodeProposal Refusal(const char* message) {
    TCodeProposal p;
    p.Refused = true;
    p.ClearName = false;
    p.Message = message;
    return p;
}

// The next code of a level whose codes (in code order) are `codes`: the last one as a number plus
// one, padded; the first one ("<prefix>01") when the level has none. Refused when the result
// would not be a code of `length` characters under `prefix`.
TCodeProposal NextCodeOf(const std::vector<String>& codes, const String& prefix, std::size_t length) {
    TCodeProposal p;
    if (codes.empty()) {
        p.Code = prefix + "01";
        return p;
    }
    const String& last = codes.back();
    if (last.empty() || !IsCategoryCode(last) || last.size() > 18)
        throw EConvertError("The category code \"" + last + "\" is not a number of at most 18 digits");
    const unsigned long long next = std::stoull(last) + 1;
    p.Code = PadCode(std::to_string(next));
    if (p.Code.size() != length || p.Code.compare(0, prefix.size(), prefix) != 0)
        return Refusal(TreeTexts::LevelFull);
    return p;
}

}  // namespace

TCodeProposal ProposeNextCode(const String& table, const String& editCode, bool asChild, const TCodeReader& read) {
    String base = Trim(editCode);
    if (base.empty())
        base = "0";
    const std::size_t length = base.size();
    if (read(CategoryTableSql(table)).empty()) {
        TCodeProposal first;
        first.Code = "01";
        first.ClearName = false;
        return first;
    }
    if (length == 1)
        return NextCodeOf(read("select * from " + table + " where len(code)=2 order by code"), String(), 2);
    const String like = QuotedSql(base + "%");
    if (asChild) {
        const std::vector<String> family = read("select * from " + table + " where code like " + like + " order by code");
        if (family.size() <= 1) {
            TCodeProposal p;
            p.Code = base + "01";
            return p;
        }
        return NextCodeOf(read("select * from " + table + " where len(code)=" + std::to_string(length + 2) +
                               " and code like " + like + " order by code"),
                          base, length + 2);
    }
    const String parent = base.substr(0, length - 2);
    const std::vector<String> level =
        read("select * from " + table + " where len(code)=" + std::to_string(length) + " order by code");
    if (level.size() <= 1)
        return NextCodeOf(level, parent, length);
    return NextCodeOf(read("select * from " + table + " where len(code)=" + std::to_string(length) +
                           " and code like" + QuotedSql(parent + "%") + " order by code"),
                      parent, length);
}

namespace {

TCategoryCheck Refused(const char* message, bool focusCode) {
    return {false, message, focusCode};
}

}  // namespace

TCategoryCheck CheckNewCategory(const String& table, const String& codeText, const TCodeReader& read) {
    const String code = Trim(codeText);
    if (!IsCategoryCode(code))
        return Refused(TreeTexts::CodeNotNumber, true);
    if (codeText.size() % 2 == 1 || code.size() > kMaxCodeLength)
        return Refused(TreeTexts::CodeRuleBroken, true);
    const bool taken = !read(CategoryCodeSql(table, code)).empty();
    const bool parentFound = !read(CategoryCodeSql(table, code.substr(0, code.size() >= 2 ? code.size() - 2 : 0))).empty();
    if (taken)
        return Refused(TreeTexts::CodeTaken, false);
    if (code.size() != 2 && !parentFound)
        return Refused(TreeTexts::ParentMissing, true);
    return {};
}

TCategoryCheck CheckRenameCategory(const String& table, const String& codeText, const TCodeReader& read) {
    const String code = Trim(codeText);
    if (code.empty())
        return Refused(TreeTexts::RenameNoCode, false);
    if (read(CategoryCodeSql(table, code)).empty())
        return Refused(TreeTexts::RenameNoRow, false);
    return {};
}

TCategoryDeleteStep CategoryDeleteStepFor(bool nodeSelected, bool isRoot, bool hasChildren) {
    if (!nodeSelected)
        return TCategoryDeleteStep::Nothing;
    if (hasChildren)
        return TCategoryDeleteStep::RefuseChildren;
    return isRoot ? TCategoryDeleteStep::Nothing : TCategoryDeleteStep::Ask;  // the root stays
}

TCategoryPick CategoryPickOf(const String& codeText, const String& nameText) {
    return {Trim(codeText), nameText, codeText};
}
