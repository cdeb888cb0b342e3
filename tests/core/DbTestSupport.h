// Shared fixtures of the data-layer tests: a temporary folder and databases built from the
// shipped scripts (db/schema.sql, db/seed.sql) or from a script of the test's own.
#pragma once

#include "ADODB.h"
#include "ADODialect.h"
#include "U_DataLogic.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace dbtest {

namespace fs = std::filesystem;

inline String ReadTextFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline fs::path SourceRoot() { return fs::path(VESTREL_TEST_DATA).parent_path(); }

// A folder removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() /
                ("vestrel-db-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }
    String File(const String& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

inline void BuildDatabase(const String& path, const std::vector<sqldialect::NamedScript>& scripts,
                          const String& password = kDatabasePassword) {
    std::string error;
    ASSERT_TRUE(sqldialect::BuildDatabaseFile(path, scripts, password, &error)) << error;
}

// The shipped database: schema and seed.
inline void BuildShippedDatabase(const String& path) {
    BuildDatabase(path, {{"schema.sql", ReadTextFile(SourceRoot() / "db" / "schema.sql")},
                         {"seed.sql", ReadTextFile(SourceRoot() / "db" / "seed.sql")}});
}

inline String ConnectionStringFor(const String& path, const String& password = kDatabasePassword) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data Source=" + path +
           ";Persist Security Info=False;Jet OLEDB:Database Password=" + password;
}

// A connection and a query on a database file.
struct Session {
    explicit Session(const String& path) {
        connection = New<TADOConnection>(nullptr);
        connection->SetConnectionString(ConnectionStringFor(path));
        connection->Open();
        query = New<TADOQuery>(nullptr);
        query->SetConnection(connection);
    }
    ~Session() {
        for (TADOQuery* q : extra) q->Free();
        query->Free();
        connection->Free();
    }
    TADOQuery* NewQuery() {
        TADOQuery* q = New<TADOQuery>(nullptr);
        q->SetConnection(connection);
        extra.push_back(q);
        return q;
    }
    TADOConnection* connection;
    TADOQuery* query;
    std::vector<TADOQuery*> extra;
    Session(const Session&) = delete;
};

// Values of one column over all rows, as text, in the data set's order.
inline std::vector<String> ColumnTexts(TDataSet* ds, const String& field) {
    std::vector<String> values;
    ds->First();
    while (!ds->Eof()) {
        values.push_back(ds->FieldByName(field)->AsString());
        ds->Next();
    }
    return values;
}

// The first value `sql` answers on the file, read by SQLite itself past the data layer.
inline String SqliteScalar(const String& path, const String& sql, int openFlags = SQLITE_OPEN_READONLY) {
    sqlite3* db = nullptr;
    String value = "(cannot open)";
    if (sqlite3_open_v2(path.c_str(), &db, openFlags, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        value = "(error)";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            value = text ? reinterpret_cast<const char*>(text) : "(null)";
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return value;
}

}  // namespace dbtest
