#include "ADOSqlite.h"

#include "ADODialect.h"
#include "LocaleText.h"

#include <sqlite3.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

fs::path FsPath(const String& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

String Quoted(const String& path) { return "\"" + path + "\""; }

std::string_view TextOf(int length, const void* bytes) {
    return std::string_view(static_cast<const char*>(bytes), std::size_t(length));
}

// The statements' collation: the locale's order without regard to case and trailing blanks.
int LocaleCollation(void*, int aLength, const void* a, int bLength, const void* b) {
    const std::string_view x = WithoutTrailingBlanks(TextOf(aLength, a));
    const std::string_view y = WithoutTrailingBlanks(TextOf(bLength, b));
    if (x == y) return 0;
    return LocaleCompareText(x, y, true);
}

// like(pattern, text [, escape]) without regard to case, as the locale folds it.
void LocaleLikeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(context);
    auto text = [&](int i) {
        const unsigned char* t = sqlite3_value_text(argv[i]);
        return std::string_view(reinterpret_cast<const char*>(t ? t : reinterpret_cast<const unsigned char*>("")),
                                std::size_t(sqlite3_value_bytes(argv[i])));
    };
    char32_t escape = 0;
    if (argc == 3) {
        const std::string_view e = text(2);
        if (e.empty() || (static_cast<unsigned char>(e[0]) < 0x80 && e.size() != 1))
            return sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
        escape = static_cast<unsigned char>(e[0]);  // the program's escapes are ASCII
    }
    sqlite3_result_int(context, LocaleLike(text(0), text(1), escape) ? 1 : 0);
}

int RegisterLocaleText(sqlite3* db) {
    int rc = sqlite3_create_collation(db, sqldialect::kStatementCollation, SQLITE_UTF8, nullptr, LocaleCollation);
    for (int args = 2; rc == SQLITE_OK && args <= 3; ++args)
        rc = sqlite3_create_function(db, "like", args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                     LocaleLikeFunction, nullptr, nullptr);
    return rc;
}

// Checks the file before SQLite sees it, so each kind of failure gets its own message.
void CheckDatabaseFile(const String& path) {
    std::error_code ec;
    const fs::path p = FsPath(path);
    if (!fs::exists(p, ec)) {
        const fs::path folder = p.parent_path();
        if (!folder.empty() && !fs::is_directory(folder, ec))
            throw EADOError("Cannot open the database " + Quoted(path) + ": the folder does not exist.");
        throw EADOError("Cannot open the database " + Quoted(path) + ": the file does not exist.");
    }
    if (fs::is_directory(p, ec))
        throw EADOError("Cannot open the database " + Quoted(path) + ": it is a folder, not a file.");
    std::ifstream in(p, std::ios::binary);
    if (!in) throw EADOError("Cannot open the database " + Quoted(path) + ": the file cannot be read.");
    char header[32] = {};
    in.read(header, sizeof header);
    const std::streamsize got = in.gcount();
    if (got == 0) throw EADOError("Cannot open the database " + Quoted(path) + ": the file is empty.");
    if (got >= 19 && (std::memcmp(header + 4, "Standard Jet DB", 15) == 0 ||
                      std::memcmp(header + 4, "Standard ACE DB", 15) == 0))
        throw EADOError("Cannot open the database " + Quoted(path) +
                        ": it is an Access database file; this program opens its own SQLite database files only.");
    if (got < 16 || std::memcmp(header, "SQLite format 3", 16) != 0)
        throw EADOError("Cannot open the database " + Quoted(path) + ": it is not a database file of this program.");
}

}  // namespace

String NativeFilePath(const String& path) {
#ifdef _WIN32
    return path;
#else
    String native = path;
    for (char& c : native)
        if (c == '\\') c = '/';
    return native;
#endif
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept : db_(other.db_), stmt_(other.stmt_) {
    other.stmt_ = nullptr;
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        Finalize();
        db_ = other.db_;
        stmt_ = other.stmt_;
        other.stmt_ = nullptr;
    }
    return *this;
}

SqliteStatement::~SqliteStatement() { Finalize(); }

bool SqliteStatement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    String message = sqlite3_errmsg(db_);
    sqlite3_reset(stmt_);
    throw EADOError(message);
}

void SqliteStatement::Reset() {
    if (stmt_) sqlite3_reset(stmt_);
}

void SqliteStatement::Finalize() {
    if (stmt_) sqlite3_finalize(stmt_);
    stmt_ = nullptr;
}

void SqliteConnection::Open(const String& path, const String& password, int busyTimeoutMs) {
    Close();
    if (path.empty()) throw EADOError("The connection string names no database file (Data Source).");
    const String native = NativeFilePath(path);
    CheckDatabaseFile(native);

    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const String message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw EADOError("Cannot open the database " + Quoted(path) + ": " + message);
    }
    auto fail = [&](const String& message) {
        sqlite3_close(db);
        throw EADOError("Cannot open the database " + Quoted(path) + ": " + message);
    };
    sqlite3_extended_result_codes(db, 1);
    if (sqldialect::RegisterDialect(db) != SQLITE_OK || RegisterLocaleText(db) != SQLITE_OK)
        fail("the text collation cannot be registered.");
    sqlite3_busy_timeout(db, busyTimeoutMs);

    std::string digest, error;
    const int recorded = sqldialect::ReadRecordedDigest(db, &digest, &error);
    if (recorded < 0) fail("it is not a database file of this program (" + error + ").");
    if (recorded == 1 && digest != sqldialect::PasswordDigest(password)) fail("the database password is not valid.");
    db_ = db;
    path_ = path;
}

void SqliteConnection::Close() {
    if (!db_) return;
    // Statements are finalised by their owners; close_v2 defers until they are.
    sqlite3_close_v2(db_);
    db_ = nullptr;
    path_.clear();
}

void SqliteConnection::Fail(const String& context) const {
    String message = db_ ? sqlite3_errmsg(db_) : "the connection is closed";
    if (!context.empty()) message += " (" + context + ")";
    throw EADOError(message);
}

SqliteStatement SqliteConnection::Prepare(const String& sql) {
    if (!db_) throw EADOError("Operation is not allowed when the connection is closed.");
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail) != SQLITE_OK)
        Fail("statement: " + sql);
    if (!stmt) throw EADOError("The statement is empty.");
    SqliteStatement statement(db_, stmt);
    if (tail && *tail)
        for (const sqldialect::SqlToken& token : sqldialect::TokenizeSql(tail))
            if (token.kind != sqldialect::SqlToken::Kind::Space && token.kind != sqldialect::SqlToken::Kind::Comment &&
                !(token.kind == sqldialect::SqlToken::Kind::Punct && tail[token.begin] == ';'))
                throw EADOError("Only one statement can run at a time (statement: " + sql + ")");
    return statement;
}

void SqliteConnection::Execute(const String& sql) {
    SqliteStatement statement = Prepare(sql);
    while (statement.Step()) {
    }
}

std::int64_t SqliteConnection::Changes() const { return db_ ? sqlite3_changes64(db_) : 0; }

std::int64_t SqliteConnection::LastInsertRowId() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

bool SqliteConnection::InTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }
