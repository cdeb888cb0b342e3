// The SQLite side of the ADO components: one open database file with the program's dialect
// registered, statements with RAII, transactions. Every failure raises EADOError with a message
// that names what failed and where.
#pragma once

#include "SysUtils.h"

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    ~SqliteStatement();

    sqlite3_stmt* Handle() const { return stmt_; }
    explicit operator bool() const { return stmt_ != nullptr; }
    // Steps once: true with a row, false when done; a failure raises EADOError.
    bool Step();
    void Reset();
    void Finalize();

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

class SqliteConnection {
public:
    SqliteConnection() = default;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;
    ~SqliteConnection() { Close(); }

    // Opens an existing database file of the program (never creates one). A missing folder or
    // file, a file that is not an SQLite database (an Access file, a text file) or a password
    // other than the one the file records raises EADOError.
    void Open(const String& path, const String& password, int busyTimeoutMs);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    sqlite3* Handle() const { return db_; }
    const String& Path() const { return path_; }

    SqliteStatement Prepare(const String& sql);
    void Execute(const String& sql);  // runs every step of one statement
    std::int64_t Changes() const;
    std::int64_t LastInsertRowId() const;
    bool InTransaction() const;  // SQLite's own view (a failed statement may have ended it)

    [[noreturn]] void Fail(const String& context) const;

private:
    sqlite3* db_ = nullptr;
    String path_;
};

// A file path of the API (UTF-8) in the form the host's file system wants it.
String NativeFilePath(const String& path);
