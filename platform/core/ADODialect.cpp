#include "ADODialect.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <cstring>

namespace sqldialect {

namespace {

char FoldAscii(unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
}

int CollationCallback(void*, int aLength, const void* a, int bLength, const void* b) {
    return CompareTextNoCaseRTrim(a, aLength, b, bLength);
}

void LenFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const unsigned char* text = sqlite3_value_text(argv[0]);
    const int bytes = sqlite3_value_bytes(argv[0]);
    sqlite3_int64 characters = 0;
    for (int i = 0; i < bytes; ++i)
        if ((text[i] & 0xC0) != 0x80) ++characters;
    sqlite3_result_int64(context, characters);
}

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordPart(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

bool SameWord(const std::string& sql, const SqlToken& t, const char* word) {
    const std::size_t n = std::strlen(word);
    if (t.kind != SqlToken::Kind::Word || t.length != n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (FoldAscii(static_cast<unsigned char>(sql[t.begin + i])) != word[i]) return false;
    return true;
}

bool IsPunct(const std::string& sql, const SqlToken& t, char c) {
    return t.kind == SqlToken::Kind::Punct && sql[t.begin] == c;
}

bool IsComparisonMark(const std::string& sql, const SqlToken& t) {
    if (t.kind != SqlToken::Kind::Punct) return false;
    const char c = sql[t.begin];
    return c == '=' || c == '<' || c == '>' || c == '!';
}

// `sql` with " COLLATE LOCALE_NOCASE" after every text literal that is an operand of a comparison
// and has no collation of its own.
std::string CollateComparedLiterals(const std::string& sql) {
    const std::vector<SqlToken> all = TokenizeSql(sql);
    std::vector<std::size_t> significant;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].kind != SqlToken::Kind::Space && all[i].kind != SqlToken::Kind::Comment) significant.push_back(i);
    std::string text;
    std::size_t copied = 0;
    for (std::size_t k = 0; k < significant.size(); ++k) {
        const SqlToken& t = all[significant[k]];
        if (t.kind != SqlToken::Kind::String) continue;
        const SqlToken* before = k > 0 ? &all[significant[k - 1]] : nullptr;
        const SqlToken* after = k + 1 < significant.size() ? &all[significant[k + 1]] : nullptr;
        const bool compared = (before && IsComparisonMark(sql, *before) && sql[before->begin] != '!') ||
                              (after && IsComparisonMark(sql, *after));
        if (!compared || (after && SameWord(sql, *after, "collate"))) continue;
        const std::size_t end = t.begin + t.length;
        text += sql.substr(copied, end - copied);
        text += " COLLATE ";
        text += kStatementCollation;
        copied = end;
    }
    return copied == 0 ? sql : text + sql.substr(copied);
}

std::string NameOf(const std::string& sql, const SqlToken& t) {
    std::string text = sql.substr(t.begin, t.length);
    if (t.kind != SqlToken::Kind::QuotedName || text.size() < 2) return text;
    const char open = text.front();
    const char close = open == '[' ? ']' : open;
    std::string name;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        name += text[i];
        if (text[i] == close && open != '[' && i + 2 < text.size() && text[i + 1] == close) ++i;
    }
    return name;
}

}  // namespace

int CompareTextNoCaseRTrim(const void* a, int aLength, const void* b, int bLength) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    while (aLength > 0 && x[aLength - 1] == ' ') --aLength;
    while (bLength > 0 && y[bLength - 1] == ' ') --bLength;
    const int common = aLength < bLength ? aLength : bLength;
    for (int i = 0; i < common; ++i) {
        const unsigned char cx = static_cast<unsigned char>(FoldAscii(x[i]));
        const unsigned char cy = static_cast<unsigned char>(FoldAscii(y[i]));
        if (cx != cy) return cx < cy ? -1 : 1;
    }
    return aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
}

int RegisterDialect(sqlite3* db) {
    const int rc = sqlite3_create_collation(db, kEarlierTextCollation, SQLITE_UTF8, nullptr, CollationCallback);
    if (rc != SQLITE_OK) return rc;
    return sqlite3_create_function(db, "len", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   LenFunction, nullptr, nullptr);
}

std::vector<SqlToken> TokenizeSql(const std::string& sql) {
    std::vector<SqlToken> tokens;
    const std::size_t n = sql.size();
    std::size_t i = 0;
    auto at = [&](std::size_t k) -> unsigned char { return k < n ? static_cast<unsigned char>(sql[k]) : 0; };
    while (i < n) {
        const std::size_t start = i;
        const unsigned char c = at(i);
        SqlToken::Kind kind;
        if (std::isspace(c)) {
            while (i < n && std::isspace(at(i))) ++i;
            kind = SqlToken::Kind::Space;
        } else if (c == '-' && at(i + 1) == '-') {
            while (i < n && at(i) != '\n') ++i;
            kind = SqlToken::Kind::Comment;
        } else if (c == '/' && at(i + 1) == '*') {
            i += 2;
            while (i < n && !(at(i) == '*' && at(i + 1) == '/')) ++i;
            i = i < n ? i + 2 : n;
            kind = SqlToken::Kind::Comment;
        } else if (c == '\'') {
            ++i;
            while (i < n) {
                if (at(i) == '\'') {
                    if (at(i + 1) == '\'') { i += 2; continue; }
                    ++i;
                    break;
                }
                ++i;
            }
            kind = SqlToken::Kind::String;
        } else if (c == '"' || c == '`' || c == '[') {
            const unsigned char close = c == '[' ? ']' : c;
            ++i;
            while (i < n) {
                if (at(i) == close) {
                    if (close != ']' && at(i + 1) == close) { i += 2; continue; }
                    ++i;
                    break;
                }
                ++i;
            }
            kind = SqlToken::Kind::QuotedName;
        } else if ((c == ':' || c == '@' || c == '$') && IsWordPart(at(i + 1))) {
            ++i;
            while (i < n && IsWordPart(at(i))) ++i;
            kind = SqlToken::Kind::Parameter;
        } else if (c == '?') {
            ++i;
            while (i < n && std::isdigit(at(i))) ++i;
            kind = SqlToken::Kind::Parameter;
        } else if (std::isdigit(c) || (c == '.' && std::isdigit(at(i + 1)))) {
            while (i < n && (std::isalnum(at(i)) || at(i) == '.' ||
                             ((at(i) == '+' || at(i) == '-') && (at(i - 1) == 'e' || at(i - 1) == 'E'))))
                ++i;
            kind = SqlToken::Kind::Number;
        } else if (IsWordStart(c)) {
            while (i < n && IsWordPart(at(i))) ++i;
            kind = SqlToken::Kind::Word;
        } else {
            ++i;
            kind = SqlToken::Kind::Punct;
        }
        tokens.push_back({kind, start, i - start});
    }
    return tokens;
}

namespace {

// The shape of `sql`, with "top N" rewritten.
StatementShape ShapeOf(const std::string& sql) {
    StatementShape shape;
    const std::vector<SqlToken> all = TokenizeSql(sql);
    std::vector<SqlToken> t;  // significant tokens
    for (const SqlToken& token : all)
        if (token.kind != SqlToken::Kind::Space && token.kind != SqlToken::Kind::Comment) t.push_back(token);

    for (const SqlToken& token : t) {
        if (token.kind != SqlToken::Kind::Parameter || sql[token.begin] != ':') continue;
        const std::string name = sql.substr(token.begin + 1, token.length - 1);
        bool known = false;
        for (const std::string& p : shape.parameters)
            if (CompareTextNoCaseRTrim(p.data(), int(p.size()), name.data(), int(name.size())) == 0) known = true;
        if (!known) shape.parameters.push_back(name);
    }

    shape.text = sql;
    if (t.empty()) return shape;

    shape.isSelect = SameWord(sql, t[0], "select") || SameWord(sql, t[0], "with") ||
                     SameWord(sql, t[0], "values") || SameWord(sql, t[0], "pragma") ||
                     SameWord(sql, t[0], "explain");
    if (!SameWord(sql, t[0], "select")) return shape;
    shape.selectEnd = t[0].begin + t[0].length;  // "top N" comes after it, so this holds for `text` too

    std::size_t k = 1;
    const bool distinct = k < t.size() && (SameWord(sql, t[k], "distinct") || SameWord(sql, t[k], "all"));
    if (distinct) ++k;
    std::string limit;
    if (k + 1 < t.size() && SameWord(sql, t[k], "top") && t[k + 1].kind == SqlToken::Kind::Number) {
        const std::string number = sql.substr(t[k + 1].begin, t[k + 1].length);
        bool digits = !number.empty();
        for (char ch : number) digits = digits && std::isdigit(static_cast<unsigned char>(ch));
        if (digits) {
            limit = number;
            // Cut "top N" and the blanks after it; end the statement with "LIMIT N".
            std::size_t cutEnd = t[k + 1].begin + t[k + 1].length;
            while (cutEnd < sql.size() && std::isspace(static_cast<unsigned char>(sql[cutEnd]))) ++cutEnd;
            std::string text = sql.substr(0, t[k].begin) + sql.substr(cutEnd);
            std::size_t end = text.size();
            // Keep a trailing ';', blanks and comments after the limit.
            const std::vector<SqlToken> again = TokenizeSql(text);
            for (std::size_t j = again.size(); j-- > 0;) {
                const SqlToken& a = again[j];
                if (a.kind == SqlToken::Kind::Space || a.kind == SqlToken::Kind::Comment ||
                    (a.kind == SqlToken::Kind::Punct && text[a.begin] == ';'))
                    end = a.begin;
                else
                    break;
            }
            shape.text = text.substr(0, end) + " LIMIT " + limit + text.substr(end);
            k += 2;
        }
    }

    // select [top n] * from <table> [where ... | order by ...]
    if (distinct || k + 2 >= t.size() || !IsPunct(sql, t[k], '*') || !SameWord(sql, t[k + 1], "from"))
        return shape;
    const SqlToken& table = t[k + 2];
    if (table.kind != SqlToken::Kind::Word && table.kind != SqlToken::Kind::QuotedName) return shape;
    std::size_t j = k + 3;
    if (j < t.size() && !IsPunct(sql, t[j], ';') && !SameWord(sql, t[j], "where") &&
        !SameWord(sql, t[j], "order"))
        return shape;
    int depth = 0;
    for (; j < t.size(); ++j) {
        if (IsPunct(sql, t[j], '(')) ++depth;
        if (IsPunct(sql, t[j], ')')) --depth;
        if (depth == 0 && (SameWord(sql, t[j], "union") || SameWord(sql, t[j], "intersect") ||
                           SameWord(sql, t[j], "except") || SameWord(sql, t[j], "group") ||
                           SameWord(sql, t[j], "join") || SameWord(sql, t[j], "having") ||
                           IsPunct(sql, t[j], ',')))
            return shape;
    }
    shape.singleTable = NameOf(sql, table);
    return shape;
}

}  // namespace

StatementShape AnalyseStatement(const std::string& sql) {
    StatementShape shape = ShapeOf(sql);
    shape.text = CollateComparedLiterals(shape.text);
    return shape;
}

std::string QuotedSqlText(const std::string& value) {
    std::string quoted = "'";
    for (char c : value) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

std::string PasswordDigest(const std::string& password) {
    // FNV-1a, 64 bits, over a salted text.
    std::uint64_t h = 14695981039346656037ull;
    const std::string salted = "vestrel-database-password:" + password;
    for (unsigned char c : salted) {
        h ^= c;
        h *= 1099511628211ull;
    }
    static const char* hex = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4) out[i] = hex[h & 15];
    return out;
}

int RecordPassword(sqlite3* db, const std::string& password, std::string* error) {
    const std::string sql =
        "CREATE TABLE IF NOT EXISTS vestrel_meta(name TEXT PRIMARY KEY, value TEXT);"
        "INSERT OR REPLACE INTO vestrel_meta(name, value) VALUES('password', '" +
        PasswordDigest(password) + "');";
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK && error) *error = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    return rc;
}

int ReadRecordedDigest(sqlite3* db, std::string* digest, std::string* error) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='vestrel_meta'",
                                -1, &stmt, nullptr);
    int result = -1;
    if (rc == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
        result = sqlite3_column_int(stmt, 0) > 0 ? 1 : 0;
    } else if (error) {
        *error = sqlite3_errmsg(db);
    }
    sqlite3_finalize(stmt);
    if (result != 1) return result;

    rc = sqlite3_prepare_v2(db, "SELECT value FROM vestrel_meta WHERE name='password'", -1, &stmt, nullptr);
    result = -1;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            if (digest) *digest = text ? reinterpret_cast<const char*>(text) : "";
            result = 1;
        } else if (rc == SQLITE_DONE) {
            result = 0;
        }
    }
    if (result < 0 && error) *error = sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
    return result;
}

}  // namespace sqldialect

namespace sqldialect {

bool RunScript(sqlite3* db, const std::string& scriptName, const std::string& script, std::string* error) {
    const char* all = script.c_str();
    const char* rest = all;
    while (*rest) {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        const char* start = rest;
        while (*start && std::isspace(static_cast<unsigned char>(*start))) ++start;
        int line = 1;
        for (const char* p = all; p < start; ++p)
            if (*p == '\n') ++line;
        int rc = sqlite3_prepare_v2(db, rest, -1, &stmt, &tail);
        if (rc == SQLITE_OK && stmt) {
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            }
            if (rc == SQLITE_DONE) rc = SQLITE_OK;
        }
        if (rc != SQLITE_OK) {
            if (error) *error = scriptName + ":" + std::to_string(line) + ": " + sqlite3_errmsg(db);
            sqlite3_finalize(stmt);
            return false;
        }
        sqlite3_finalize(stmt);
        if (!tail || tail == rest) break;
        rest = tail;
    }
    return true;
}

bool BuildDatabaseFile(const std::string& path, const std::vector<NamedScript>& scripts,
                       const std::string& password, std::string* error) {
    const std::string temporary = path + ".building";
    std::remove(temporary.c_str());
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    bool ok = rc == SQLITE_OK;
    if (!ok && error) *error = temporary + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    if (ok && RegisterDialect(db) != SQLITE_OK) {
        ok = false;
        if (error) *error = "cannot register the text collation";
    }
    if (ok) ok = RunScript(db, "(build)", "BEGIN;", error);
    for (const NamedScript& script : scripts)
        if (ok) ok = RunScript(db, script.name, script.text, error);
    if (ok) ok = RecordPassword(db, password, error) == SQLITE_OK;
    if (ok) ok = RunScript(db, "(build)", "COMMIT;", error);
    if (ok) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
        const bool intact = stmt && sqlite3_step(stmt) == SQLITE_ROW &&
                            std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "ok") == 0;
        sqlite3_finalize(stmt);
        if (!intact) {
            ok = false;
            if (error) *error = temporary + ": integrity check failed";
        }
    }
    if (sqlite3_close(db) != SQLITE_OK && ok) {
        ok = false;
        if (error) *error = temporary + ": cannot close the database";
    }
    if (ok) {
        std::remove(path.c_str());
        if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            ok = false;
            if (error) *error = "cannot rename " + temporary + " to " + path;
        }
    }
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

}  // namespace sqldialect
