#include "U_S_CustLogic.h"

#include "U_DataLogic.h"

namespace {

// How an input's text is compared with its column.
enum class TMatch { Starts, Contains, Equals };

struct TSearchColumn {
    const char* Column;
    TMatch Match;
};

constexpr TSearchColumn kColumns[kSearchInputCount] = {
    {"category", TMatch::Starts},     {"company", TMatch::Contains},    {"address", TMatch::Contains},
    {"postcode", TMatch::Contains},   {"custtype", TMatch::Equals},     {"xueli", TMatch::Contains},
    {"sex", TMatch::Contains},        {"CustLevel", TMatch::Contains},  {"introduce", TMatch::Contains},
    {"tel", TMatch::Contains},        {"fax", TMatch::Contains},        {"url", TMatch::Contains},
    {"email", TMatch::Contains},      {"MainContact", TMatch::Contains}, {"qq", TMatch::Contains},
    {"income", TMatch::Contains},
};

// The column that also holds the sex (written by the person dialog).
constexpr const char* kOtherSexColumn = "OtherInfo";

constexpr char kLikeEscape = '\\';

// "<column> like'<pattern>'" for `text` between the wildcards of `match`; a text with a wildcard
// character gets it escaped and the ESCAPE clause.
String LikeTerm(const char* column, TMatch match, const String& text) {
    const bool wild = text.find_first_of("%_") != String::npos;
    String value;
    for (char c : text) {
        if (wild && (c == '%' || c == '_' || c == kLikeEscape))
            value += kLikeEscape;
        value += c;
    }
    const String pattern = (match == TMatch::Contains ? "%" : "") + value + "%";
    String term = String(column) + " like" + QuotedSql(pattern);
    if (wild)
        term += " ESCAPE '\\'";
    return term;
}

}  // namespace

String SearchCondition(TSearchInput input, const String& text) {
    const TSearchColumn& column = kColumns[input];
    if (column.Match == TMatch::Equals)
        return "(" + String(column.Column) + " =" + QuotedSql(text) + ")";
    String condition = "(" + LikeTerm(column.Column, column.Match, text);
    if (input == siSex)
        condition += " or " + LikeTerm(kOtherSexColumn, column.Match, text);
    return condition + ")";
}

String CombinedSearchSql(const TSearchInputs& inputs, const TPersonScope& scope) {
    String conditions;
    for (int i = 0; i < kSearchInputCount; ++i) {
        if (inputs[i].empty())
            continue;
        if (!conditions.empty())
            conditions += "AND";
        conditions += SearchCondition(static_cast<TSearchInput>(i), inputs[i]);
    }
    if (conditions.empty())
        return String();
    if (!scope.AllPersons)
        conditions += "AND(F_User=" + QuotedSql(scope.OperatorName) + ")";
    return "select * from [custom] where " + conditions + "  ORDER BY CustID";
}
