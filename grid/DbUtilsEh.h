// Data-set helpers of the grid library: the filter-row expression language and the data-set
// features registry.
//
// Filter expressions: at most two comparisons joined by AND or OR, as typed under a column title:
//   ">100", "张*", "<> '' AND <> 'x'", "In (1, 2)", "1,5", "= Null", ">= 10 AND < 20".
// ParseFilterText reads such a text into a TSTFilterExpressionEh; FilterExpressionText turns one
// back into text; TColumnFiltersEh keeps the rows of a data set whose columns meet their expressions.
//
// Meaning of a comparison on a cell (evaluation):
//   - A Null cell meets only "= Null"; every other comparison (<> and NOT LIKE included) fails on it.
//   - Text columns compare without regard to case, character by character; LIKE matches the whole
//     value, "*" and "%" standing for any run of characters and "?" and "_" for one.
//   - Number and date columns compare by value (a cell that is not a number or date fails);
//     LIKE and NOT LIKE there mean equal and not equal.
//   - Boolean columns compare the cell's truth with the value read as a Boolean ("True", "False",
//     a number); a value that is none of them fails.
//
// Data-set features: an object registered for a data-set class that sorts, filters and moves the
// records of data sets of that class (or its descendants) for the grid's data service.
#pragma once

#include "DB.h"
#include "Variant.h"

#include <memory>
#include <vector>

class TDBGridEhCore;

// ---- Expressions ------------------------------------------------------------------------------------

using TSTFilterOperatorEh = std::uint8_t;
constexpr TSTFilterOperatorEh foNonFilterEh = 0;
constexpr TSTFilterOperatorEh foEqualEh = 1;
constexpr TSTFilterOperatorEh foNotEqualEh = 2;
constexpr TSTFilterOperatorEh foGreaterThanEh = 3;
constexpr TSTFilterOperatorEh foLessThanEh = 4;
constexpr TSTFilterOperatorEh foGreaterOrEqualEh = 5;
constexpr TSTFilterOperatorEh foLessOrEqualEh = 6;
constexpr TSTFilterOperatorEh foLikeEh = 7;
constexpr TSTFilterOperatorEh foNotLikeEh = 8;
constexpr TSTFilterOperatorEh foInEh = 9;
constexpr TSTFilterOperatorEh foNotInEh = 10;
constexpr TSTFilterOperatorEh foNullEh = 11;
constexpr TSTFilterOperatorEh foNotNullEh = 12;
constexpr TSTFilterOperatorEh foANDEh = 13;
constexpr TSTFilterOperatorEh foOREh = 14;
constexpr TSTFilterOperatorEh foValueEh = 15;

// The text an operator shows as ("" for none and for a value).
const char* FilterOperatorSign(TSTFilterOperatorEh op);

using TSTExpressionTypeEh = std::uint8_t;
constexpr TSTExpressionTypeEh botNon = 0;
constexpr TSTExpressionTypeEh botString = 1;
constexpr TSTExpressionTypeEh botNumber = 2;
constexpr TSTExpressionTypeEh botDateTime = 3;
constexpr TSTExpressionTypeEh botBoolean = 4;

// The expression type for values of a field type.
TSTExpressionTypeEh STFilterExpressionTypeOf(TFieldType type);

struct TSTFilterExpressionEh {
    TSTExpressionTypeEh ExpressionType = botNon;
    TSTFilterOperatorEh Operator1 = foNonFilterEh;
    Variant Operand1 = Null();
    TSTFilterOperatorEh Relation = foNonFilterEh;  // 0, foANDEh or foOREh
    TSTFilterOperatorEh Operator2 = foNonFilterEh;
    Variant Operand2 = Null();
};

// A malformed expression: the message is one of the parser's prefixes followed by the trimmed
// text (an excerpt around the place when the text is long); Position is the 1-based character
// (byte) of the trimmed text where reading stopped.
class EFilterExpressionError : public Exception {
public:
    EFilterExpressionError(const String& message, int position) : Exception(message), position_(position) {}
    int Position() const { return position_; }

private:
    int position_;
};

// The cleared state: no operators, no relation, Null operands (the type is kept).
void ClearFilterExpression(TSTFilterExpressionEh& expression);
// Reads `text` into `expression` (its ExpressionType chosen by the caller). Raises
// EFilterExpressionError for malformed text and EConvertError for a value that does not fit the
// type; `expression` is changed only when the whole text reads.
void ParseFilterText(const String& text, TSTFilterExpressionEh& expression);
// The expression as text ("" when its type or first operator is none); reads back to the same
// expression for values without quotes.
String FilterExpressionText(const TSTFilterExpressionEh& expression);

// ---- Filtering a data set ------------------------------------------------------------------------------

// Whether one cell meets the expression (by the rules at the top; the kind of value by
// ExpressionType, text for none).
bool FilterExpressionMeets(const TSTFilterExpressionEh& expression, const dbstore::Cell& cell);

// One column's condition: the data set's field and the expression its values must meet.
struct TColumnFilterConditionEh {
    String FieldName;
    TSTFilterExpressionEh Expression;
};

// A record filter that keeps the rows meeting every condition (conditions with no operator are
// left out). Build it with Make: an unknown field or one the data set does not store raises
// EDatabaseError.
class TColumnFiltersEh : public TRecordFilter {
public:
    static std::shared_ptr<const TColumnFiltersEh> Make(const TDataSet& dataSet,
                                                        const std::vector<TColumnFilterConditionEh>& conditions);
    // Adds the condition that the cells of column `column` meet `expression`, whose values are of
    // `type` (none: text); an expression with no operator adds nothing.
    void Add(int column, TSTExpressionTypeEh type, const TSTFilterExpressionEh& expression);
    bool Keeps(const dbstore::RowStore& store, dbstore::RowId row) const override;
    bool Empty() const { return conditions_.empty(); }

    struct Comparison;
    struct Condition;

private:
    std::vector<std::shared_ptr<Condition>> conditions_;
};

inline std::shared_ptr<const TColumnFiltersEh> TColumnFiltersEh::Make(
    const TDataSet& dataSet, const std::vector<TColumnFilterConditionEh>& conditions) {
    auto filters = std::make_shared<TColumnFiltersEh>();
    for (const TColumnFilterConditionEh& condition : conditions) {
        const TSTFilterExpressionEh& e = condition.Expression;
        if (e.Operator1 == foNonFilterEh) continue;
        TField* field = dataSet.FindField(condition.FieldName);
        if (!field) DatabaseError("Field '" + condition.FieldName + "' not found", &dataSet);
        if (field->FieldKind() != fkData || field->FieldNo() < 0)
            DatabaseError("Field '" + condition.FieldName + "' cannot be used to filter", &dataSet);
        filters->Add(field->FieldNo(),
                     e.ExpressionType != botNon ? e.ExpressionType : STFilterExpressionTypeOf(field->DataType()), e);
    }
    return filters;
}

// ---- Data-set features ------------------------------------------------------------------------------------

class TDataSetFeaturesEh : public TObject {
    VESTREL_CLASS(TDataSetFeaturesEh, TObject)
public:
    explicit TDataSetFeaturesEh(TClass dataSetClass) : dataSetClass_(dataSetClass) {}
    TClass DataSetClass() const { return dataSetClass_; }

    // Moves the records of `bookmarks` before record `toRecNo`; the number moved (0: none; with
    // `checkOnly`, whether they could be).
    virtual int MoveRecords(TDBGridEhCore* grid, const std::vector<TBookmark>& bookmarks, int toRecNo,
                            bool checkOnly) { return 0; }
    virtual void ApplySorting(TDBGridEhCore* grid, TDataSet* dataSet, bool isReopen) {}
    virtual void ApplyFilter(TDBGridEhCore* grid, TDataSet* dataSet, bool isReopen) {}

private:
    TClass dataSetClass_;
};

// Registers `features` (the registry owns it) under its data-set class's name; a second registration
// of the same name raises and frees nothing registered before.
void RegisterDataSetFeaturesEh(std::unique_ptr<TDataSetFeaturesEh> features);
// Removes and frees the features registered under `className` (nothing when there are none).
void UnregisterDataSetFeaturesEh(const String& className);
// The registered features that fit the class best (the nearest ancestor; the earlier entry on a
// tie), or nullptr.
TDataSetFeaturesEh* FeaturesForDataSetClass(TClass dataSetClass);
inline TDataSetFeaturesEh* FeaturesForDataSet(const TDataSet* dataSet) {
    return dataSet ? FeaturesForDataSetClass(dataSet->ClassType()) : nullptr;
}
// Steps from `cls` up its ancestry to the class named `className` (0 for the class itself; names
// compared without regard to case), or the largest int when it is not an ancestor.
int ClassDepth(TClass cls, const String& className);
