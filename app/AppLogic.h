// The program's start-up and login decisions, free of Windows so that the native tests reach them.
//
// Start-up: the settings file's names, the folders the main window makes when first shown, the
// caption from T_SoftInfo. Main window: the clock's text, the person list's statement. Login: the
// statements, the check of the login button as one decision (which message, what happens to the
// password field, who is logged in), the operator name's cut and the rights table.
#pragma once

#include "DateTime.h"
#include "SysUtils.h"
#include "Variant.h"

#include <array>

class TDataSet;

// ---- Config.ini ---------------------------------------------------------------------------------

namespace AppConfig {
inline constexpr const char* FileName = "Config.ini";
inline constexpr const char* ConfigSection = "Config";
inline constexpr const char* DBConnKey = "DBConn";
inline constexpr const char* CategoryKey = "Category";
inline constexpr const char* LoginSection = "login";
inline constexpr const char* UserNameKey = "username";  // list position of the last operator
}  // namespace AppConfig

// ---- Start-up -----------------------------------------------------------------------------------

// Makes `folder` unless it exists; raises EInOutError naming it when it cannot be made.
void EnsureFolder(const String& folder);

inline constexpr const char* kSoftInfoSql = "select * from T_SoftInfo";
// SoftName and Version of the first row (both empty when the table has no row).
struct TSoftInfo {
    String SoftName;
    String Version;
    // The main window's caption: the two joined with nothing between.
    String Caption() const { return SoftName + Version; }
};
TSoftInfo ReadSoftInfo(TDataSet* softInfo);

// ---- Login --------------------------------------------------------------------------------------

inline constexpr const char* kLoginListSql = "select * from admin where IsUser=True";
// "select * from admin where username='<name>'" (quotes in the name doubled).
String LoginUserSql(const String& listText);
// "select * from T_UserAuthority where UserName='<name>'" (quotes in the name doubled).
String RightsSql(const String& operatorName);

// Longest name kept, in GBK bytes.
inline constexpr std::size_t kOperatorNameBytes = 20;
// The list's text trimmed and cut to at most 20 GBK bytes without splitting a character.
String OperatorNameOf(const String& listText);

enum class TLoginOutcome {
    NoUserChosen,         // the list's text is empty
    WrongPassword,        // also: no row for the chosen name
    StoredPasswordEmpty,  // a password typed for an operator who has none
    PasswordMissing,      // none typed where one is stored
    LoggedIn
};

// What the login button sees: the list's text, the typed password and the operator's row.
struct TLoginAttempt {
    String ListText;
    String TypedPassword;
    bool RowFound = false;
    String StoredPassword;
    int Permit = 0;
};

struct TLoginDecision {
    TLoginOutcome Outcome = TLoginOutcome::NoUserChosen;
    String Message;              // the warning's text; empty when logged in
    bool ClearPassword = false;  // the password field is emptied
    bool FocusPassword = false;  // the password field gets the focus
    String OperatorName;         // when logged in
    int Permit = 0;              // when logged in
};

// The check of the login button, in its order: no name; no row for the name (refused like a
// wrong password); a password that differs from the stored one (exactly, case-sensitive); else
// logged in. An empty typed password matches an empty stored one.
TLoginDecision CheckLogin(const TLoginAttempt& attempt);

// Rights 1..100 of the logged-in operator.
class TRights {
public:
    static constexpr int Count = 100;

    // False outside 1..100.
    bool operator[](int index) const { return index >= 1 && index <= Count && items_[index]; }
    // Raises ERangeError outside 1..100.
    void Set(int index, bool value);
    void Clear() { items_.fill(false); }

private:
    std::array<bool, Count + 1> items_{};
};

// Loads `rights` from the open rows of RightsSql: every entry is cleared first, then the rows in
// the order returned give rights 1, 2, ... from their `Authority`; rows past the 100th are ignored.
// Leaves the data set on its last row read.
void LoadRightsFrom(TDataSet* rows, TRights& rights);

// ---- Main window --------------------------------------------------------------------------------

// The clock of status panel 3: "yyyy年mm月dd日 hh时nn分ss秒" + "  [" + the weekday + "]".
String ClockText(TDateTime now);

// The person list of the tool bar's command: every person with right 35, else the operator's own
// ("Select * from Custom where F_User='<name>'", quotes in the name doubled).
String PersonListSql(bool allPersons, const String& operatorName);

// ---- Report variables ---------------------------------------------------------------------------

// What the data module's report-variable handlers consult: a switch and a mode of the main window,
// the report query and a text of the main window for an empty value.
struct TReportVariableSource {
    bool Active = false;
    int Mode = 0;              // 1: the person's MainContact, else the "contactname" column
    TDataSet* Report = nullptr;
    String Fallback;
};

// Answers the report variable `asked` when it is `answered` (without regard to case) and the
// source is active: the current row's text, or Fallback when that text is empty. False when it
// does not answer; `value` is then untouched.
bool AnswerReportVariable(const String& asked, const char* answered, const TReportVariableSource& source,
                          Variant& value);
