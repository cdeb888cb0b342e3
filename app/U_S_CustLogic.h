// The combined search's statement, free of Windows so that the native tests reach it.
//
// Each filled input adds one condition, in the order of the inputs; the conditions are joined with
// "AND" and no blank beside it:
//   select * from [custom] where (category like'01%')AND(company like'%张%')  ORDER BY CustID
// Values are quoted (quotes doubled). A value with "%" or "_" matches those characters as typed:
// they are escaped with "\" and the condition gets " ESCAPE '\'"; any other value keeps the
// condition's text as it always was. The sex matches the `sex` or the `OtherInfo` column (the
// person dialog writes the latter). Without right 35 only the operator's own persons are listed.
#pragma once

#include "SysUtils.h"
#include "U_CustomLogic.h"

#include <array>

// The inputs, in the order of their conditions.
enum TSearchInput {
    siCategory, siCustName, siAddress, siPostcode, siCustType, siXueli, siSex, siCustLevel,
    siIntro, siTel, siFax, siUrl, siEmail, siAge, siQQ, siIncome,
    kSearchInputCount
};

// The texts of the sixteen inputs, as entered (not trimmed); an empty text is an unfilled input.
using TSearchInputs = std::array<String, kSearchInputCount>;

// The condition of input `input` with the text `text` (not empty), in its parentheses.
String SearchCondition(TSearchInput input, const String& text);

// The whole statement; empty when no input is filled.
String CombinedSearchSql(const TSearchInputs& inputs, const TPersonScope& scope);
