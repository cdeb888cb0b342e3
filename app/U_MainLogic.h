// The main window's remaining commands, free of Windows so that the native tests reach them: the
// compaction of a database file, the connection text of another database, the list views'
// statements, the deletes of bills and goods with their lines, and the person delete.
#pragma once

#include "DB.h"
#include "SysUtils.h"

#include <functional>
#include <vector>

class TADOConnection;
class TADOQuery;

// ---- Compaction ---------------------------------------------------------------------------------

// Replaces `to` by `from` in one step (the file system's rename over an existing file); false with
// a reason when it cannot.
using TReplaceFileFunction = std::function<bool(const String& from, const String& to, String& error)>;
// The host's rename: std::filesystem::rename.
bool RenameOverFile(const String& from, const String& to, String& error);

// The prefix of the compacted copy, made in the folder of the database file.
inline constexpr const char* kCompactTempPrefix = "~CP";

// Writes a compacted copy of the database `file` (whose recorded password must be `password`)
// beside it under a new name ~CP<n>.tmp, then puts the copy in the file's place with `replace`.
// The file is locked for the whole copy: a connection that holds it in a transaction makes the
// compaction fail. Any failure (missing file, wrong password, not a database, the file in use, a
// folder that refuses the copy, a full disk, a replace that fails) leaves the file as it was and
// the copy removed; the answer is then false and `error` says why.
bool CompactDatabaseFile(const String& file, const String& password, const TReplaceFileFunction& replace,
                         String* error = nullptr);

// ---- Another database ---------------------------------------------------------------------------

// The password the other database's connection gives.
inline constexpr const char* kOtherDatabasePassword = "627RW318";
// "Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data Source=<path>;Persist Security Info=False;
// Jet OLEDB:Database Password=627RW318".
String OtherDatabaseConnectionString(const String& path);

// Connects `connection` with `text`. When that fails the connection is opened again with the text
// it had, and the first failure is raised.
void SwitchConnection(TADOConnection* connection, const String& text);

// ---- List views ---------------------------------------------------------------------------------

// Contacts of everyone (right 8): "Select * from Contact order by ContactID", else the operator's:
// "Select * from Contact where F_User='<name>'" (quotes doubled).
String ContactListSql(bool allContacts, const String& operatorName);

// ---- Deletes ------------------------------------------------------------------------------------

// Deletes the current goods row of `goods` and the bill lines of its GoodsCode (through `temp`) in
// one transaction of `connection`. On any failure the transaction is rolled back, `goods` is read
// again (so it shows what the file holds) and the failure is raised.
void DeleteGoodsWithLines(TADOConnection* connection, TADOQuery* goods, TADOQuery* temp);
// The same for the current bill of `bills` and the lines of its BillCode (through `del`).
void DeleteBillWithLines(TADOConnection* connection, TADOQuery* bills, TADOQuery* del);

// ---- Person delete --------------------------------------------------------------------------------

// Whether the person at each of `bookmarks` (the current one when none) has F_User equal to
// `operatorName` (exactly; an empty owner differs from any name). An empty list owns nothing.
// `persons` ends on the row it stood on.
bool PersonsOwnedBy(TADOQuery* persons, const std::vector<TBookmark>& bookmarks, const String& operatorName);

// Deletes the current person of `persons` with its contacts, activities, bills and bill lines (read
// and deleted through `temp`) in one transaction of `connection`. On failure the transaction is rolled
// back and the failure raised.
void DeletePersonWithLinkedRows(TADOConnection* connection, TADOQuery* persons, TADOQuery* temp);

// A person whose delete failed: how the operator knows it, and why.
struct TFailedPersonDelete {
    String Person;  // "Company (CustCode)", or the code alone
    String Reason;
};

// Deletes the persons at `bookmarks` in order (the current person when none), each in a transaction
// of its own; a failing person is rolled back and the others go on. Bookmarks of rows that are gone
// meanwhile are skipped. Returns the failures in order.
std::vector<TFailedPersonDelete> DeletePersons(TADOConnection* connection, TADOQuery* persons, TADOQuery* temp,
                                               const std::vector<TBookmark>& bookmarks);
