#include "AppLogic.h"

#include "DB.h"
#include "U_DataLogic.h"
#include "Encoding.h"
#include "Streams.h"
#include "U_MainTexts.h"
#include "U_loginTexts.h"

void EnsureFolder(const String& folder) {
    if (DirectoryExists(folder))
        return;
    if (!CreateDir(folder) && !DirectoryExists(folder))
        throw EInOutError("Cannot create the folder \"" + folder + "\"");
}

TSoftInfo ReadSoftInfo(TDataSet* softInfo) {
    if (softInfo->IsEmpty())
        return {};
    softInfo->First();
    return {softInfo->FieldByName("SoftName")->AsString(), softInfo->FieldByName("Version")->AsString()};
}

String LoginUserSql(const String& listText) {
    return "select * from admin where username=" + QuotedSql(listText);
}

String RightsSql(const String& operatorName) {
    return "select * from T_UserAuthority where UserName=" + QuotedSql(operatorName);
}

String OperatorNameOf(const String& listText) {
    return CutToGbkBytes(Trim(listText), kOperatorNameBytes);
}

TLoginDecision CheckLogin(const TLoginAttempt& attempt) {
    TLoginDecision d;
    if (Trim(attempt.ListText).empty()) {
        d.Outcome = TLoginOutcome::NoUserChosen;
        d.Message = LoginTexts::NoUserChosen;
        return d;
    }
    if (!attempt.RowFound) {
        d.Outcome = TLoginOutcome::WrongPassword;
        d.Message = LoginTexts::WrongPassword;
        d.ClearPassword = true;
        return d;
    }
    if (attempt.TypedPassword != attempt.StoredPassword) {
        if (attempt.TypedPassword.empty()) {
            d.Outcome = TLoginOutcome::PasswordMissing;
            d.Message = LoginTexts::PasswordMissing;
            d.FocusPassword = true;
        } else if (!Trim(attempt.StoredPassword).empty()) {
            d.Outcome = TLoginOutcome::WrongPassword;
            d.Message = LoginTexts::WrongPassword;
            d.ClearPassword = true;
        } else {
            d.Outcome = TLoginOutcome::StoredPasswordEmpty;
            d.Message = attempt.ListText + LoginTexts::StoredPasswordEmpty;
            d.ClearPassword = true;
        }
        return d;
    }
    d.Outcome = TLoginOutcome::LoggedIn;
    d.OperatorName = OperatorNameOf(attempt.ListText);
    d.Permit = attempt.Permit;
    return d;
}

void TRights::Set(int index, bool value) {
    if (index < 1 || index > Count)
        throw ERangeError("Right " + std::to_string(index) + " is outside 1.." + std::to_string(Count));
    items_[static_cast<std::size_t>(index)] = value;
}

void LoadRightsFrom(TDataSet* rows, TRights& rights) {
    rights.Clear();
    TField* authority = rows->FieldByName("Authority");
    rows->First();
    for (int i = 1; i <= TRights::Count && !rows->Eof(); ++i) {
        rights.Set(i, authority->AsBoolean());
        rows->Next();
    }
}

String ClockText(TDateTime now) {
    return FormatDateTime(MainTexts::ClockFormat, now) + MainTexts::WeekdayOpen +
           MainTexts::Weekdays[DayOfWeek(now) - 1] + MainTexts::WeekdayClose;
}

String PersonListSql(bool allPersons, const String& operatorName) {
    if (allPersons)
        return MainTexts::PersonListSql;
    return MainTexts::PersonListOwnerSql + QuotedSql(operatorName);
}

bool AnswerReportVariable(const String& asked, const char* answered, const TReportVariableSource& source,
                          Variant& value) {
    if (!source.Active || !SameText(asked, answered))
        return false;
    const String text = source.Report->FieldByName(source.Mode == 1 ? "MainContact" : "contactname")->AsString();
    value = text.empty() ? source.Fallback : text;
    return true;
}
