#include "U_AddCustLogic.h"

#include "Encoding.h"
#include "FormatSettings.h"
#include "U_AddCustTexts.h"
#include "U_DataLogic.h"

#include <cstdint>
#include <string>

String NextCustCodeText(const String& largestCode) {
    const String trimmed = Trim(largestCode);
    std::int64_t value = 0;
    if (!trimmed.empty() && !TryStrToInt64(trimmed, value))
        value = 0;
    return std::to_string(value + 1);
}

namespace {

String ExceptRow(std::optional<int> custId) {
    return custId ? " and CustID<>" + std::to_string(*custId) : String();
}

}  // namespace

String CustCodeTakenSql(int code, std::optional<int> exceptCustId) {
    return "select * from Custom where CustCode=" + std::to_string(code) + ExceptRow(exceptCustId);
}

String CompanyTakenSql(const String& name, std::optional<int> exceptCustId) {
    return "select * from Custom where Company=" + QuotedSql(name) + ExceptRow(exceptCustId);
}

String CategoryOfCodeSql(const String& code) {
    return "Select * from Cust_Category where Code=" + QuotedSql(code);
}

TPersonEntryCheck CheckPersonEntry(const String& codeText, const String& nameText) {
    TPersonEntryCheck check;
    if (Trim(codeText).empty()) {
        check.Fault = TPersonEntryFault::EmptyCode;
        check.Message = AddCustTexts::CodeEmpty;
        return check;
    }
    if (Trim(nameText).empty()) {
        check.Fault = TPersonEntryFault::EmptyName;
        check.Message = AddCustTexts::NameEmpty;
        return check;
    }
    try {
        check.Code = StrToInt(codeText);
    } catch (const EConvertError& e) {
        check.Fault = TPersonEntryFault::BadNumber;
        check.Message = e.Message;
    }
    return check;
}

std::vector<TPersonColumnValue> PersonColumnValues(const TPersonInputs& in) {
    return {
        {"xueli", Trim(in.Xueli)},       {"company", Trim(in.Name)},      {"CustType", Trim(in.CustType)},
        {"Category", in.CategoryCode},   {"address", Trim(in.Address)},   {"postcode", Trim(in.Zip)},
        {"tel", Trim(in.Tel)},           {"fax", Trim(in.Fax)},           {"income", Trim(in.Income)},
        {"Email", Trim(in.Email)},       {"Url", Trim(in.Url)},           {"introduce", in.Introduce},
        {"CustLevel", Trim(in.CustLevel)}, {"MainContact", Trim(in.Main)}, {"Mobile", Trim(in.Mobile)},
        {"OtherInfo", Trim(in.Sex)},     {"qq", in.Qq},
    };
}

std::optional<TPersonColumnValue> FirstTooLong(const std::vector<TPersonColumnValue>& values,
                                               const std::function<int(const char* column)>& sizeOf) {
    for (const TPersonColumnValue& value : values) {
        const int size = sizeOf(value.Column);
        if (size > 0 && Utf8Length(value.Value) > static_cast<std::size_t>(size))
            return value;
    }
    return std::nullopt;
}

String TooLongMessage(const String& label, int size) {
    return label + "不能超过" + std::to_string(size) + "个字符!";
}
