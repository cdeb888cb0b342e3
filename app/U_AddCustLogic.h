// The person dialog's decisions, free of Windows so that the native tests reach them: its
// statements, the proposed number, the checks of a save in their order, and the values a save
// writes (which are trimmed and which are kept as typed).
//
// The number is converted as typed (leading blanks pass, trailing ones do not) before anything
// else touches the database, and the statements carry it as the converted integer; names are
// quoted. In edit mode the uniqueness checks leave the edited row itself out.
#pragma once

#include "SysUtils.h"

#include <functional>
#include <optional>
#include <vector>

inline constexpr const char* kAddCustCaptionsSql = "select * From T_FieldShow where tablename='custom'";
inline constexpr const char* kMaxCustCodeSql = "select max(CustCode) as T_Code from Custom";
inline constexpr const char* kContactOfPersonSql = "Select * From Contact where CustCode=:CustCode";

// The number the dialog proposes after the largest `T_Code` (empty when the table is empty).
String NextCustCodeText(const String& largestCode);

// "select * from Custom where CustCode=<n>" [" and CustID<><id>"].
String CustCodeTakenSql(int code, std::optional<int> exceptCustId = std::nullopt);
// "select * from Custom where Company='<name>'" [" and CustID<><id>"].
String CompanyTakenSql(const String& name, std::optional<int> exceptCustId = std::nullopt);
// "Select * from Cust_Category where Code='<code>'".
String CategoryOfCodeSql(const String& code);

// What stops a save before the database is asked, in the order of the checks.
enum class TPersonEntryFault { None, EmptyCode, EmptyName, BadNumber };

struct TPersonEntryCheck {
    TPersonEntryFault Fault = TPersonEntryFault::None;
    int Code = 0;         // the converted number (Fault None)
    String Message;       // the text to show
};

// Checks the typed number and name: empty (after trimming) number, empty name, then the number
// converted as typed (the platform's conversion message when it is no integer).
TPersonEntryCheck CheckPersonEntry(const String& codeText, const String& nameText);

// The inputs of the dialog, as typed.
struct TPersonInputs {
    String Code, Name, CustType, CategoryCode, CustLevel, Address, Zip, Tel, Fax, Url, Main, Mobile, Sex, Income,
        Email, Introduce, Xueli, Qq;
};

// A column and the value a save writes to it.
struct TPersonColumnValue {
    const char* Column;
    String Value;
};

// The text columns a save writes, in the order of the dialog: trimmed, but `introduce` and `qq`
// as typed. `CustCode` (the integer) and the owner are written besides.
std::vector<TPersonColumnValue> PersonColumnValues(const TPersonInputs& inputs);

// The first value longer than its column holds (`sizeOf` answers a column's size in characters, 0
// for no limit); nullopt when every value fits.
std::optional<TPersonColumnValue> FirstTooLong(const std::vector<TPersonColumnValue>& values,
                                               const std::function<int(const char* column)>& sizeOf);
// "<label>不能超过<size>个字符!"
String TooLongMessage(const String& label, int size);

// The numbering setting of Config.ini: a missing value (-1) counts as on for the reset and as
// off for the check box.
inline bool AutoCodeResets(int setting) { return setting != 0; }
inline bool AutoCodeChecked(int setting) { return setting == 1; }
