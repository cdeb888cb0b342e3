// The data module's Windows-free logic: the connection text it builds at start-up and the two
// helpers through which the program runs its statements.
#pragma once

#include "SysUtils.h"

class TADOQuery;

// The database password the shipped database file records.
inline constexpr const char* kDatabasePassword = "3916482QXM";

// The connection text of the data module's creation. `programFolder` ends with a backslash;
// `dbPath` is the value of Config.ini [Config] DBConn (empty: the program's own database).
//   empty:    "...Data Source=" + programFolder + "DataBase\Custom.mdb;Persist Security Info=False;..."
//   not empty: "...Data Source=" + dbPath + ";Persist Security Info=False;..."
String BuildConnectionString(const String& programFolder, const String& dbPath);

// Closes `query`, makes `sql` its only SQL line and opens it. Errors of the data layer propagate.
void OpenQuery(TADOQuery* query, const String& sql);
// The same, but executes the statement (delete, update, insert).
void ExecQuery(TADOQuery* query, const String& sql);

// `value` as an SQL text literal, quotes doubled: O'Brien -> 'O''Brien'.
String QuotedSql(const String& value);
