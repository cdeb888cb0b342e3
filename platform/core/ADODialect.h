// The SQL dialect of the program's statements on SQLite, shared by the ADO components and the
// build-time database builder (which is compiled for the build host, so this file needs nothing
// beyond the standard library and sqlite3.h).
//
// - Text columns are declared with SQLite's built-in `NOCASE`, so that any SQLite tool can check and
//   query the file. A text literal compared in a statement (`name = 'x'`, `<>`, `<`, ...) gets the
//   connection's collation `LOCALE_NOCASE`: case is ignored and trailing blanks do not count, as the
//   program's statements expect.
// - `len(x)` counts characters.
// - `select [distinct] top N ...` becomes `select [distinct] ... LIMIT N`.
// - The database password is recorded in the table `vestrel_meta` as a salted hash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace sqldialect {

// The collation of compared text literals, registered by each connection (ADOSqlite.cpp) with the
// locale's rules (LocaleText.h), like the function `like`.
inline constexpr const char* kStatementCollation = "LOCALE_NOCASE";
// The collation files of earlier builds declared on their text columns; registered so that they
// still open (its order must never change: their indexes are sorted by it).
inline constexpr const char* kEarlierTextCollation = "NOCASE_RTRIM";

// ASCII letters without regard to case, trailing blanks ignored (memcmp-like result).
int CompareTextNoCaseRTrim(const void* a, int aLength, const void* b, int bLength);

// Registers the earlier files' collation and `len` on `db`. Returns an SQLite result code.
int RegisterDialect(sqlite3* db);

// One token of a statement, as far as the rewriting needs to know.
struct SqlToken {
    enum class Kind { Word, Number, String, QuotedName, Parameter, Punct, Space, Comment } kind;
    std::size_t begin;
    std::size_t length;
};
std::vector<SqlToken> TokenizeSql(const std::string& sql);

// What the statement is, as seen by the query component.
struct StatementShape {
    std::string text;          // the statement SQLite runs (top N rewritten, compared literals collated)
    std::size_t selectEnd = 0; // offset in `text` just after the SELECT keyword
    bool isSelect = false;     // a statement that returns rows
    std::string singleTable;   // `select [top n] * from <table> [where ...] [order by ...]`: the table
    std::vector<std::string> parameters;  // names of `:name` parameters in order of first use
};
StatementShape AnalyseStatement(const std::string& sql);

// Quotes a text for an SQL statement: 'it''s'.
std::string QuotedSqlText(const std::string& value);

// Password record.
std::string PasswordDigest(const std::string& password);
// Writes the password's digest into `vestrel_meta` (creating the table). Returns an SQLite code.
int RecordPassword(sqlite3* db, const std::string& password, std::string* error);
// Reads the recorded digest: 1 found, 0 none recorded, -1 error (message in `error`).
int ReadRecordedDigest(sqlite3* db, std::string* digest, std::string* error);

// Runs a script statement by statement; a failure names the script and the line of the statement.
bool RunScript(sqlite3* db, const std::string& scriptName, const std::string& script, std::string* error);

// Creates a new database file at `path` (replacing one that exists) from the scripts, in order,
// and records `password`. The file is written under a temporary name and renamed at the end, so a
// failure leaves no half-built file. Returns false with a message in `error`.
struct NamedScript {
    std::string name;
    std::string text;
};
bool BuildDatabaseFile(const std::string& path, const std::vector<NamedScript>& scripts,
                       const std::string& password, std::string* error);

}  // namespace sqldialect
