#include "U_MainLogic.h"

#include "ADODB.h"
#include "ADOSqlite.h"
#include "Encoding.h"
#include "Log.h"
#include "Streams.h"
#include "U_DataLogic.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

TLogChannel LogCompact("compact");

// The folder of `file` with its delimiter ("" for a bare name).
String FolderOf(const String& file) {
    const std::size_t slash = file.find_last_of("\\/");
    return slash == String::npos ? String() : file.substr(0, slash + 1);
}

// A name ~CP<hex>.tmp in `folder` that no file holds yet; a leftover of an earlier run is skipped.
String FreeTempName(const String& folder) {
    static std::atomic<unsigned> counter{0};
    std::mt19937_64 random(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                           (std::uint64_t(counter++) << 48));
    for (;;) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%08llX", static_cast<unsigned long long>(random() & 0xFFFFFFFFull));
        const String name = folder + kCompactTempPrefix + hex + ".tmp";
        if (!FileExists(name) && !FileExists(name + "-journal"))
            return name;
    }
}

void RemoveCopy(const String& copy) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        std::error_code ec;
        fs::remove(Utf8ToPath(NativeFilePath(copy + suffix)), ec);
    }
}

}  // namespace

bool RenameOverFile(const String& from, const String& to, String& error) {
    std::error_code ec;
    fs::rename(Utf8ToPath(NativeFilePath(from)), Utf8ToPath(NativeFilePath(to)), ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    return true;
}

bool CompactDatabaseFile(const String& file, const String& password, const TReplaceFileFunction& replace,
                         String* error) {
    const String copy = FreeTempName(FolderOf(file));
    String reason;
    try {
        {
            SqliteConnection source;
            source.Open(file, password, 2000);
            // Held until the source closes: nobody writes between the copy and the replace.
            source.Execute("PRAGMA locking_mode=EXCLUSIVE");
            source.Execute("BEGIN EXCLUSIVE");
            source.Execute("COMMIT");
            source.Execute("VACUUM INTO " + QuotedSql(NativeFilePath(copy)));
        }
        if (replace(copy, file, reason)) {
            VLOG_TRACE(LogCompact, "compacted %s", file.c_str());
            return true;
        }
        reason = "the compacted copy cannot replace the file: " + reason;
    } catch (const std::exception& e) {
        reason = e.what();
    }
    RemoveCopy(copy);
    VLOG_WARN(LogCompact, "compacting %s failed: %s", file.c_str(), reason.c_str());
    if (error)
        *error = reason;
    return false;
}

// ---- Another database -------------------------------------------------------------------------

String OtherDatabaseConnectionString(const String& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data Source=" + path + ";Persist Security Info=False;" +
           "Jet OLEDB:Database Password=" + kOtherDatabasePassword;
}

void SwitchConnection(TADOConnection* connection, const String& text) {
    const String previous = connection->ConnectionString();
    connection->Close();
    connection->SetConnectionString(text);
    try {
        connection->Open();
    } catch (...) {
        connection->Close();
        connection->SetConnectionString(previous);
        try {
            connection->Open();
        } catch (const std::exception& e) {
            VLOG_WARN(LogCompact, "reconnecting the previous database failed: %s", e.what());
        }
        throw;
    }
}

// ---- List views -------------------------------------------------------------------------------

String ContactListSql(bool allContacts, const String& operatorName) {
    if (allContacts)
        return "Select * from Contact order by ContactID";
    return "Select * from Contact where F_User=" + QuotedSql(operatorName);
}

// ---- Deletes ----------------------------------------------------------------------------------

namespace {

// Runs `work` in a transaction of `connection`; on failure rolls back, reads `list` again and
// raises the failure.
template <class Work>
void InTransaction(TADOConnection* connection, TADOQuery* list, Work work) {
    connection->BeginTrans();
    try {
        work();
        connection->CommitTrans();
    } catch (...) {
        try {
            if (connection->InTransaction())
                connection->RollbackTrans();
            list->Close();
            list->Open();
        } catch (const std::exception& e) {
            VLOG_WARN(LogCompact, "clean-up after a failed delete: %s", e.what());
        }
        throw;
    }
}

}  // namespace

void DeleteGoodsWithLines(TADOConnection* connection, TADOQuery* goods, TADOQuery* temp) {
    const String code = goods->FieldByName("GoodsCode")->AsString();
    InTransaction(connection, goods, [&] {
        ExecQuery(temp, "delete from T_BillDetail where GoodsCode=" + QuotedSql(code));
        goods->Delete();
    });
}

void DeleteBillWithLines(TADOConnection* connection, TADOQuery* bills, TADOQuery* del) {
    InTransaction(connection, bills, [&] {
        const String code = bills->FieldByName("BillCode")->AsString();
        bills->Delete();
        ExecQuery(del, "delete from T_BillDetail where BillCode=" + QuotedSql(code));
    });
}

// ---- Person delete --------------------------------------------------------------------------------

namespace {

// A person's code in a statement: as it stands when it is a plain number, else quoted.
String CodeInSql(const String& code) {
    bool number = !code.empty();
    for (std::size_t i = 0; i < code.size(); ++i)
        if (!(code[i] >= '0' && code[i] <= '9') && !(i == 0 && code[i] == '-' && code.size() > 1)) number = false;
    return number ? code : QuotedSql(code);
}

String PersonLabel(TADOQuery* persons) {
    const String code = persons->FieldByName("CustCode")->AsString();
    TField* company = persons->FindField("Company");
    const String name = company ? Trim(company->AsString()) : String();
    if (name.empty()) return code;
    return name + " (" + code + ")";
}

}  // namespace

bool PersonsOwnedBy(TADOQuery* persons, const std::vector<TBookmark>& bookmarks, const String& operatorName) {
    if (!persons->Active() || persons->IsEmpty()) return false;
    if (bookmarks.empty()) return persons->FieldByName("F_User")->AsString() == operatorName;
    const TBookmark saved = persons->Bookmark();
    bool owned = true;
    persons->DisableControls();
    try {
        for (const TBookmark& mark : bookmarks) {
            if (!persons->BookmarkValid(mark)) continue;
            persons->GotoBookmark(mark);
            if (persons->FieldByName("F_User")->AsString() != operatorName) {
                owned = false;
                break;
            }
        }
        persons->GotoBookmark(saved);
    } catch (...) {
        persons->EnableControls();
        throw;
    }
    persons->EnableControls();
    return owned;
}

void DeletePersonWithLinkedRows(TADOConnection* connection, TADOQuery* persons, TADOQuery* temp) {
    const String code = persons->FieldByName("CustCode")->AsString();
    // Without a code no row can refer to the person: only the person goes.
    std::vector<String> bills;
    if (!code.empty()) {
        OpenQuery(temp, "select * from T_Bill where CustCode=" + CodeInSql(code));
        for (temp->First(); !temp->Eof(); temp->Next()) bills.push_back(temp->FieldByName("BillCode")->AsString());
        temp->Close();
    }
    connection->BeginTrans();
    try {
        if (!code.empty()) {
            ExecQuery(temp, "delete from Contact where CustCode=" + CodeInSql(code));
            ExecQuery(temp, "delete from T_Schedule where CustCode=" + QuotedSql(code));
            ExecQuery(temp, "delete from T_Bill where CustCode=" + CodeInSql(code));
            for (const String& bill : bills) ExecQuery(temp, "delete from T_BillDetail where BillCode=" + QuotedSql(bill));
        }
        persons->Delete();
        connection->CommitTrans();
    } catch (...) {
        try {
            if (persons->State() != dsBrowse && persons->Active()) persons->Cancel();
            if (connection->InTransaction()) connection->RollbackTrans();
        } catch (const std::exception& e) {
            VLOG_WARN(LogCompact, "rolling back a person delete: %s", e.what());
        }
        throw;
    }
}

std::vector<TFailedPersonDelete> DeletePersons(TADOConnection* connection, TADOQuery* persons, TADOQuery* temp,
                                               const std::vector<TBookmark>& bookmarks) {
    std::vector<TFailedPersonDelete> failed;
    auto deleteCurrent = [&] {
        const String label = PersonLabel(persons);
        try {
            DeletePersonWithLinkedRows(connection, persons, temp);
        } catch (const std::exception& e) {
            failed.push_back(TFailedPersonDelete{label, e.what()});
        }
    };
    if (bookmarks.empty()) {
        if (persons->Active() && !persons->IsEmpty()) deleteCurrent();
        return failed;
    }
    for (const TBookmark& mark : bookmarks) {
        // A row gone meanwhile (another delete, a re-read) is skipped.
        if (!persons->BookmarkValid(mark)) continue;
        persons->GotoBookmark(mark);
        deleteCurrent();
    }
    return failed;
}
