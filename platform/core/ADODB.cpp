#include "ADODB.h"

#include "ADODialect.h"
#include "Encoding.h"
#include "Lists.h"
#include "TypeRegistry.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <limits>

using dbstore::Cell;
using dbstore::CellKind;

namespace {

String QuoteIdent(const String& name) {
    String quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

void BindCell(SqliteStatement& statement, int index, const Cell& cell) {
    sqlite3_stmt* stmt = statement.Handle();
    switch (cell.kind) {
    case CellKind::Null: sqlite3_bind_null(stmt, index); break;
    case CellKind::Integer: sqlite3_bind_int64(stmt, index, cell.integer); break;
    case CellKind::Real: sqlite3_bind_double(stmt, index, cell.real); break;
    case CellKind::Text:
        sqlite3_bind_text64(stmt, index, cell.bytes.data(), cell.bytes.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    case CellKind::Blob:
        sqlite3_bind_blob64(stmt, index, cell.bytes.data(), cell.bytes.size(), SQLITE_TRANSIENT);
        break;
    }
}

void BindVariant(SqliteStatement& statement, int index, const Variant& value) {
    sqlite3_stmt* stmt = statement.Handle();
    switch (VarType(value)) {
    case varEmpty:
    case varNull:
        sqlite3_bind_null(stmt, index);
        break;
    case varSmallint:
    case varInteger:
    case varInt64:
        sqlite3_bind_int64(stmt, index, value.AsInt64());
        break;
    case varBoolean:
        sqlite3_bind_int(stmt, index, value.AsBoolean() ? 1 : 0);
        break;
    case varDouble:
        sqlite3_bind_double(stmt, index, value.AsDouble());
        break;
    case varCurrency:
        sqlite3_bind_double(stmt, index, value.AsCurrency().ToDouble());
        break;
    case varDate: {
        const TDateTime date = value.AsDateTime();
        const String text = FormatDateTime("yyyy-mm-dd hh:nn:ss", date);
        sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    default: {
        const String text = value.AsString();
        sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    }
}

String Upper(const String& s) { return UpperCase(s); }

// Field type of a declared column type.
TColumnDef ColumnFromDeclaration(const String& name, const char* declared) {
    TColumnDef column;
    column.name = name;
    String decl = Upper(Trim(declared ? declared : ""));
    int n1 = 0, n2 = 0;
    const std::size_t paren = decl.find('(');
    if (paren != String::npos) {
        std::sscanf(decl.c_str() + paren + 1, "%d , %d", &n1, &n2);
        decl = Trim(decl.substr(0, paren));
    }
    auto is = [&](std::initializer_list<const char*> words) {
        return std::any_of(words.begin(), words.end(), [&](const char* w) { return decl == w; });
    };
    if (is({"INTEGER", "INT", "LONG", "SMALLINT", "TINYINT", "BYTE", "SHORT", "MEDIUMINT"})) {
        column.type = ftInteger;
    } else if (is({"BIGINT", "INT64", "LARGEINT"})) {
        column.type = ftLargeint;
    } else if (is({"COUNTER", "AUTOINCREMENT", "AUTOINC"})) {
        column.type = ftAutoInc;
    } else if (is({"TEXT", "NVARCHAR", "NCHAR", "NATIONAL CHARACTER", "CHARACTER VARYING", "WCHAR"})) {
        column.type = ftWideString;
        column.size = n1 > 0 ? n1 : 255;
    } else if (is({"VARCHAR", "CHAR", "STRING", "CHARACTER"})) {
        column.type = ftString;
        column.size = n1 > 0 ? n1 : 255;
    } else if (is({"LONGTEXT", "MEMO", "CLOB", "NTEXT", "LONGCHAR", "NOTE"})) {
        column.type = ftMemo;
    } else if (is({"BOOLEAN", "BOOL", "BIT", "YESNO", "LOGICAL"})) {
        column.type = ftBoolean;
    } else if (is({"FLOAT", "DOUBLE", "DOUBLE PRECISION", "REAL", "SINGLE", "NUMBER"})) {
        column.type = ftFloat;
    } else if (is({"CURRENCY", "MONEY"})) {
        column.type = ftCurrency;
    } else if (is({"DECIMAL", "NUMERIC", "DEC"})) {
        column.type = ftBCD;
        column.precision = n1 > 0 ? n1 : 19;
        column.size = n2;
    } else if (is({"DATETIME", "DATE", "TIME", "TIMESTAMP"})) {
        column.type = decl == "DATE" ? ftDateTime : (decl == "TIME" ? ftTime : ftDateTime);
    } else if (is({"BLOB", "BINARY", "VARBINARY", "IMAGE", "LONGBINARY", "GENERAL", "OLEOBJECT"})) {
        column.type = ftBlob;
    } else if (decl.find("INT") != String::npos) {
        column.type = ftInteger;
    } else if (decl.find("CHAR") != String::npos || decl.find("CLOB") != String::npos ||
               decl.find("TEXT") != String::npos) {
        column.type = ftWideString;
        column.size = n1 > 0 ? n1 : 255;
    } else if (decl.find("BLOB") != String::npos) {
        column.type = ftBlob;
    } else {
        column.type = ftFloat;
    }
    return column;
}

}  // namespace

// --- Connection strings --------------------------------------------------------------------------

std::vector<TConnectionStringPart> ParseConnectionString(const String& text) {
    std::vector<TConnectionStringPart> parts;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && (text[i] == ';' || std::isspace(static_cast<unsigned char>(text[i])))) ++i;
        if (i >= n) break;
        const std::size_t equals = text.find('=', i);
        const std::size_t semicolon = text.find(';', i);
        if (equals == String::npos || (semicolon != String::npos && semicolon < equals))
            throw EADOError("The connection string is not valid near \"" + text.substr(i, 40) +
                            "\": a key=value pair was expected.");
        TConnectionStringPart part;
        part.key = Trim(text.substr(i, equals - i));
        i = equals + 1;
        while (i < n && text[i] == ' ') ++i;
        if (i < n && (text[i] == '"' || text[i] == '\'')) {
            const char quote = text[i++];
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        part.value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                part.value += text[i++];
            }
            while (i < n && text[i] != ';') ++i;
        } else {
            const std::size_t end = text.find(';', i);
            part.value = Trim(text.substr(i, end == String::npos ? String::npos : end - i));
            i = end == String::npos ? n : end;
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

String ConnectionStringValue(const String& text, const String& key) {
    for (const TConnectionStringPart& part : ParseConnectionString(text))
        if (SameText(part.key, key)) return part.value;
    return String();
}

// --- TADOConnection ------------------------------------------------------------------------------

TADOConnection::TADOConnection(TComponent* owner) : TComponent(owner) {}

TADOConnection::~TADOConnection() {
    for (TADOQuery* query : std::vector<TADOQuery*>(dataSets_)) query->DetachConnection();
    dataSets_.clear();
    db_.Close();
}

void TADOConnection::SetConnectionString(const String& text) {
    if (text == connectionString_) return;
    if (Connected()) throw EADOError("The connection string cannot change while the connection is open.");
    connectionString_ = text;
}

void TADOConnection::SetConnected(bool connected) {
    if (ComponentState() & csLoading) {
        streamedConnected_ = connected;
        return;
    }
    if (connected)
        Open();
    else
        Close();
}

void TADOConnection::Loaded() {
    inherited::Loaded();
    if (streamedConnected_) {
        streamedConnected_ = false;
        Open();
    }
}

void TADOConnection::Open() {
    if (Connected()) return;
    if (BeforeConnect) BeforeConnect(this);
    String provider;
    String path;
    String password;
    for (const TConnectionStringPart& part : ParseConnectionString(connectionString_)) {
        if (SameText(part.key, "Provider")) provider = part.value;
        else if (SameText(part.key, "Data Source")) path = part.value;
        else if (SameText(part.key, "Jet OLEDB:Database Password")) password = part.value;
    }
    if (provider.empty()) provider = provider_;
    if (!SameText(provider, kJetProvider))
        throw EADOError(provider.empty() ? String("The connection string names no provider.")
                                         : "The provider \"" + provider + "\" is not available; only \"" +
                                               kJetProvider + "\" connections can be opened.");
    db_.Open(path, password, std::max(connectionTimeout_, 0) * 1000);
    transactionLevel_ = 0;
    if (AfterConnect) AfterConnect(this);
}

void TADOConnection::Close() {
    if (!Connected()) return;
    if (BeforeDisconnect) BeforeDisconnect(this);
    for (TADOQuery* query : std::vector<TADOQuery*>(dataSets_))
        if (query->Active()) query->Close();
    if (transactionLevel_ > 0) {
        try {
            if (db_.InTransaction()) db_.Execute("ROLLBACK");
        } catch (...) {
            LogFailedCleanup("rolling back at disconnect");
        }
        transactionLevel_ = 0;
    }
    db_.Close();
    if (AfterDisconnect) AfterDisconnect(this);
}

void TADOConnection::CheckConnected() {
    if (!Connected()) throw EADOError("Operation is not allowed when the connection is closed.");
}

int TADOConnection::BeginTrans() {
    CheckConnected();
    if (transactionLevel_ == 0) {
        db_.Execute("BEGIN");
    } else {
        db_.Execute("SAVEPOINT vestrel_level" + std::to_string(transactionLevel_ + 1));
    }
    return ++transactionLevel_;
}

void TADOConnection::CommitTrans() {
    CheckConnected();
    if (transactionLevel_ == 0) throw EADOError("No transaction is active.");
    if (transactionLevel_ == 1) {
        if (!db_.InTransaction()) {
            transactionLevel_ = 0;
            throw EADOError("The transaction was rolled back by a failed statement; nothing was committed.");
        }
        db_.Execute("COMMIT");
    } else {
        db_.Execute("RELEASE vestrel_level" + std::to_string(transactionLevel_));
    }
    --transactionLevel_;
}

void TADOConnection::RollbackTrans() {
    CheckConnected();
    if (transactionLevel_ == 0) throw EADOError("No transaction is active.");
    if (transactionLevel_ == 1) {
        if (db_.InTransaction()) db_.Execute("ROLLBACK");
    } else if (db_.InTransaction()) {
        const String name = "vestrel_level" + std::to_string(transactionLevel_);
        db_.Execute("ROLLBACK TO " + name);
        db_.Execute("RELEASE " + name);
    }
    --transactionLevel_;
}

int TADOConnection::Execute(const String& sql) {
    if (!Connected()) Open();
    const sqldialect::StatementShape shape = sqldialect::AnalyseStatement(sql);
    SqliteStatement statement = db_.Prepare(shape.text);
    const bool readOnly = sqlite3_stmt_readonly(statement.Handle()) != 0;
    while (statement.Step()) {
    }
    return readOnly ? 0 : static_cast<int>(db_.Changes());
}

void TADOConnection::RegisterDataSet(TADOQuery* query) {
    if (std::find(dataSets_.begin(), dataSets_.end(), query) == dataSets_.end()) dataSets_.push_back(query);
}

void TADOConnection::UnregisterDataSet(TADOQuery* query) { std::erase(dataSets_, query); }

// --- TParameters ---------------------------------------------------------------------------------

TParameter* TParameters::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[std::size_t(index)].get();
}

TParameter* TParameters::FindParam(const String& name) const {
    for (const auto& p : items_)
        if (SameText(p->Name, name)) return p.get();
    return nullptr;
}

TParameter* TParameters::ParamByName(const String& name) const {
    TParameter* p = FindParam(name);
    if (!p) throw EADOError("Parameter '" + name + "' not found");
    return p;
}

TParameter* TParameters::AddParameter(const String& name) {
    items_.push_back(std::make_unique<TParameter>(name));
    return items_.back().get();
}

void TParameters::SetNames(const std::vector<std::string>& names) {
    std::vector<std::unique_ptr<TParameter>> next;
    for (const std::string& name : names) {
        auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& p) { return p && SameText(p->Name, name); });
        if (it != items_.end())
            next.push_back(std::move(*it));
        else
            next.push_back(std::make_unique<TParameter>(name));
    }
    items_.swap(next);
}

// --- TADOQuery -----------------------------------------------------------------------------------

class TADOQuery::MasterLink : public TDataLink {
public:
    explicit MasterLink(TADOQuery* query) : query_(query) {}

protected:
    void ActiveChanged() override { query_->MasterChanged(); }
    void DataSetChanged() override { query_->MasterChanged(); }
    void DataSetScrolled(int) override { query_->MasterChanged(); }
    void RecordChanged(TField* field) override {
        if (!field || query_->parameters_.FindParam(field->FieldName())) query_->MasterChanged();
    }

private:
    TADOQuery* query_;
};

TADOQuery::TADOQuery(TComponent* owner) : TDataSet(owner), sql_(std::make_unique<TStringList>()) {
    sql_->OnChange = Event<&TADOQuery::SQLLinesChanged>(this);
}

TADOQuery::~TADOQuery() {
    CloseQuietly();
    masterLink_.reset();
    if (connection_) {
        connection_->UnregisterDataSet(this);
        connection_->RemoveFreeNotification(this);
    }
    if (ownConnection_) ownConnection_->UnregisterDataSet(this);
}

void TADOQuery::DetachConnection() {
    CloseQuietly();
    if (connection_) connection_->RemoveFreeNotification(this);
    connection_ = nullptr;
}

TStrings* TADOQuery::SQL() const { return sql_.get(); }

void TADOQuery::SetSQL(TStrings* lines) { sql_->Assign(lines); }

void TADOQuery::SetSQLLines(const std::vector<String>& lines) {
    sql_->BeginUpdate();
    sql_->Clear();
    for (const String& line : lines) sql_->Add(line);
    sql_->EndUpdate();
}

std::vector<String> TADOQuery::SQLLines() const {
    std::vector<String> lines;
    for (int i = 0; i < sql_->Count(); ++i) lines.push_back(sql_->Get(i));
    return lines;
}

void TADOQuery::SQLLinesChanged(TObject*) { SQLChanged(); }

void TADOQuery::SQLChanged() {
    if (Active()) Close();
    if (ParamCheck) parameters_.SetNames(sqldialect::AnalyseStatement(sql_->Text()).parameters);
}

void TADOQuery::SetConnection(TADOConnection* connection) {
    if (connection == connection_) return;
    if (Active()) Close();
    if (connection_) {
        connection_->UnregisterDataSet(this);
        connection_->RemoveFreeNotification(this);
    }
    connection_ = connection;
    if (connection_) {
        connection_->RegisterDataSet(this);
        connection_->FreeNotification(this);
    }
}

void TADOQuery::SetConnectionString(const String& text) {
    if (text == connectionString_) return;
    if (Active()) Close();
    connectionString_ = text;
    if (ownConnection_) {
        ownConnection_->UnregisterDataSet(this);
        ownConnection_.reset();
    }
}

TADOConnection* TADOQuery::ActiveConnection() {
    TADOConnection* connection = connection_;
    if (!connection) {
        if (connectionString_.empty()) DatabaseError("Missing Connection or ConnectionString", this);
        if (!ownConnection_) {
            ownConnection_.reset(new TADOConnection(nullptr));
            ownConnection_->SetConnectionString(connectionString_);
            ownConnection_->RegisterDataSet(this);
        }
        connection = ownConnection_.get();
    }
    if (!connection->Connected()) connection->Open();
    return connection;
}

TDataSource* TADOQuery::DataSource() const { return masterLink_ ? masterLink_->DataSource() : nullptr; }

void TADOQuery::SetDataSource(TDataSource* source) {
    if (source && source->DataSet() == this) throw EInvalidOperation("Circular datalinks are not allowed");
    if (!masterLink_) masterLink_ = std::make_unique<MasterLink>(this);
    if (masterLink_->DataSource()) masterLink_->DataSource()->RemoveFreeNotification(this);
    masterLink_->SetDataSource(source);
    if (source) source->FreeNotification(this);
}

TDataSet* TADOQuery::MasterDataSet() const { return masterLink_ ? masterLink_->DataSet() : nullptr; }

void TADOQuery::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == connection_) {
        CloseQuietly();
        connection_ = nullptr;
    }
    if (masterLink_ && component == masterLink_->DataSource()) masterLink_->SetDataSource(nullptr);
}

void TADOQuery::MasterChanged() {
    if (!Active() || requerying_ || State() == dsOpening) return;
    Requery();
}

void TADOQuery::Requery() {
    CheckActive();
    requerying_ = true;
    try {
        ReloadRows();
    } catch (...) {
        requerying_ = false;
        throw;
    }
    requerying_ = false;
}

void TADOQuery::BindParameters(SqliteStatement& statement) {
    sqlite3_stmt* stmt = statement.Handle();
    const int count = sqlite3_bind_parameter_count(stmt);
    TDataSet* master = MasterDataSet();
    for (int i = 1; i <= count; ++i) {
        const char* raw = sqlite3_bind_parameter_name(stmt, i);
        if (!raw) throw EADOError("Parameters must be named (\":name\"): " + sql_->Text());
        const String name = raw + 1;
        if (master) {
            if (TField* field = master->FindField(name)) {
                if (master->Active())
                    BindCell(statement, i, field->GetCell());
                else
                    sqlite3_bind_null(stmt, i);
                continue;
            }
        }
        if (TParameter* p = parameters_.FindParam(name)) {
            BindVariant(statement, i, p->Value);
            continue;
        }
        if (master && !master->Active()) {
            sqlite3_bind_null(stmt, i);
            continue;
        }
        throw EADOError("No value given for the parameter '" + name + "'.");
    }
}

namespace {

// What a result's table tells about its columns, when the result can write rows back to it.
struct TUpdateTableInfo {
    std::vector<TColumnDef> columns;
    String autoIncColumn;  // the INTEGER PRIMARY KEY when it is the only key column
    bool rowidTable = false;
};

TUpdateTableInfo ReadUpdateTableInfo(SqliteConnection& db, const String& table) {
    TUpdateTableInfo result;
    SqliteStatement info = db.Prepare("SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?)");
    sqlite3_bind_text(info.Handle(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    int pkCount = 0;
    String pkName, pkType;
    while (info.Step()) {
        sqlite3_stmt* s = info.Handle();
        const String name = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        const char* type = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
        TColumnDef column = ColumnFromDeclaration(name, type);
        column.required = sqlite3_column_int(s, 2) != 0 && sqlite3_column_type(s, 3) == SQLITE_NULL;
        if (sqlite3_column_int(s, 4) > 0) {
            ++pkCount;
            pkName = name;
            pkType = Upper(Trim(type ? type : ""));
        }
        result.columns.push_back(column);
    }
    SqliteStatement kind = db.Prepare("SELECT sql FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE");
    sqlite3_bind_text(kind.Handle(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    if (kind.Step()) {
        const char* create = reinterpret_cast<const char*>(sqlite3_column_text(kind.Handle(), 0));
        result.rowidTable = !create || Upper(create).find("WITHOUT ROWID") == String::npos;
    }
    if (pkCount == 1 && pkType == "INTEGER") result.autoIncColumn = pkName;
    return result;
}

// The columns of a prepared result from column `first` on; `table` (when the result writes back)
// adds what the declarations do not tell. `undeclared` marks expression columns.
std::vector<TColumnDef> ResultColumns(sqlite3_stmt* statement, int first, const TUpdateTableInfo* table,
                                      std::vector<bool>& undeclared) {
    std::vector<TColumnDef> columns;
    const int count = sqlite3_column_count(statement);
    for (int c = first; c < count; ++c) {
        const char* name = sqlite3_column_name(statement, c);
        const char* declared = sqlite3_column_decltype(statement, c);
        TColumnDef column = ColumnFromDeclaration(name ? name : "", declared);
        if (table) {
            for (const TColumnDef& t : table->columns)
                if (SameText(t.name, column.name)) column.required = t.required;
            if (!table->autoIncColumn.empty() && SameText(column.name, table->autoIncColumn) &&
                column.type == ftInteger) {
                column.type = ftAutoInc;
                column.readOnly = true;
                column.required = false;
            }
        }
        undeclared.push_back(declared == nullptr);
        columns.push_back(column);
    }
    return columns;
}

}  // namespace

void TADOQuery::InternalOpen() {
    TADOConnection* connection = ActiveConnection();
    SqliteConnection& db = connection->Database();
    const String text = sql_->Text();
    const sqldialect::StatementShape shape = sqldialect::AnalyseStatement(text);
    if (ParamCheck) parameters_.SetNames(shape.parameters);

    // An updatable result also fetches each row's identity, in a column before the others.
    updateTable_.clear();
    tableColumns_.clear();
    TUpdateTableInfo table;
    if (!shape.singleTable.empty() && lockType_ != ltReadOnly) {
        table = ReadUpdateTableInfo(db, shape.singleTable);
        if (table.rowidTable && !table.columns.empty()) updateTable_ = shape.singleTable;
    }
    const bool updatable = !updateTable_.empty();
    const String statementText =
        updatable ? shape.text.substr(0, shape.selectEnd) + " rowid," + shape.text.substr(shape.selectEnd) : shape.text;
    SqliteStatement statement = db.Prepare(statementText);
    if (sqlite3_column_count(statement.Handle()) == 0)
        DatabaseError("The statement returns no rows; Open needs a select statement: " + text, this);
    BindParameters(statement);

    std::vector<bool> undeclared;
    std::vector<TColumnDef> columns =
        ResultColumns(statement.Handle(), updatable ? 1 : 0, updatable ? &table : nullptr, undeclared);
    if (updatable)
        for (const TColumnDef& column : columns) tableColumns_.push_back(column.name);
    const TResultValueKinds kinds = ReadRows(statement, updatable, columns.size());
    statement.Finalize();

    // Expression columns take their type from the values.
    for (std::size_t k = 0; k < columns.size(); ++k) {
        if (!undeclared[k]) continue;
        switch (kinds.firstType[k]) {
        case SQLITE_INTEGER: columns[k].type = kinds.wide[k] ? ftLargeint : ftInteger; break;
        case SQLITE_FLOAT: columns[k].type = ftFloat; break;
        case SQLITE_BLOB: columns[k].type = ftBlob; break;
        default: columns[k].type = ftWideString; columns[k].size = 0; break;
        }
        columns[k].readOnly = true;
    }
    SetColumnDefs(std::move(columns));
}

TADOQuery::TResultValueKinds TADOQuery::ReadRows(SqliteStatement& statement, bool updatable, std::size_t columnCount) {
    TResultValueKinds kinds;
    kinds.firstType.assign(columnCount, SQLITE_NULL);
    kinds.wide.assign(columnCount, false);
    rowIds_.clear();
    const int first = updatable ? 1 : 0;
    const int count = int(columnCount) + first;
    dbstore::RecordWriter writer;
    sqlite3_stmt* s = statement.Handle();
    while (statement.Step()) {
        writer.Clear();
        for (int c = first; c < count; ++c) {
            const int type = sqlite3_column_type(s, c);
            const std::size_t k = std::size_t(c - first);
            switch (type) {
            case SQLITE_INTEGER: {
                const sqlite3_int64 v = sqlite3_column_int64(s, c);
                writer.AddInteger(v);
                if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) kinds.wide[k] = true;
                break;
            }
            case SQLITE_FLOAT:
                writer.AddReal(sqlite3_column_double(s, c));
                break;
            case SQLITE_TEXT: {
                const char* t = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
                writer.AddText(std::string_view(t, std::size_t(sqlite3_column_bytes(s, c))));
                break;
            }
            case SQLITE_BLOB: {
                const char* b = static_cast<const char*>(sqlite3_column_blob(s, c));
                writer.AddBlob(std::string_view(b ? b : "", std::size_t(sqlite3_column_bytes(s, c))));
                break;
            }
            default:
                writer.AddNull();
                break;
            }
            if (kinds.firstType[k] == SQLITE_NULL) kinds.firstType[k] = type;
        }
        if (updatable) rowIds_.push_back(sqlite3_column_int64(s, 0));
        AddLoadedRow(writer.Bytes());
    }
    return kinds;
}

void TADOQuery::InternalClose() {
    rowIds_.clear();
    rowIds_.shrink_to_fit();
    tableColumns_.clear();
    updateTable_.clear();
}

bool TADOQuery::CanModifyData() const {
    const TADOConnection* connection = connection_ ? connection_ : ownConnection_.get();
    return !updateTable_.empty() && lockType_ != ltReadOnly && connection && connection->Connected();
}

void TADOQuery::ReadRow(std::int64_t rowId, std::vector<Cell>& cells, std::vector<String>& storage) {
    SqliteConnection& db = ActiveConnection()->Database();
    SqliteStatement statement = db.Prepare("SELECT * FROM " + QuoteIdent(updateTable_) + " WHERE rowid=?");
    sqlite3_bind_int64(statement.Handle(), 1, rowId);
    if (!statement.Step()) throw EADOError("The written row of table '" + updateTable_ + "' cannot be read back.");
    sqlite3_stmt* s = statement.Handle();
    const int count = sqlite3_column_count(s);
    storage.clear();
    storage.reserve(std::size_t(count));
    cells.assign(std::size_t(count), Cell{});
    for (int c = 0; c < count; ++c) {
        Cell& cell = cells[std::size_t(c)];
        switch (sqlite3_column_type(s, c)) {
        case SQLITE_INTEGER: cell.kind = CellKind::Integer; cell.integer = sqlite3_column_int64(s, c); break;
        case SQLITE_FLOAT: cell.kind = CellKind::Real; cell.real = sqlite3_column_double(s, c); break;
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const bool text = sqlite3_column_type(s, c) == SQLITE_TEXT;
            const char* p = text ? reinterpret_cast<const char*>(sqlite3_column_text(s, c))
                                 : static_cast<const char*>(sqlite3_column_blob(s, c));
            storage.emplace_back(p ? p : "", std::size_t(sqlite3_column_bytes(s, c)));
            cell.kind = text ? CellKind::Text : CellKind::Blob;
            cell.bytes = storage.back();
            break;
        }
        default: break;
        }
    }
}

void TADOQuery::InternalPost(PostKind kind, dbstore::RowId row, std::vector<Cell>& cells,
                             std::vector<String>& storage, const std::vector<bool>& changed) {
    if (updateTable_.empty()) DatabaseError("Cannot modify a read-only dataset", this);
    SqliteConnection& db = ActiveConnection()->Database();
    const String table = QuoteIdent(updateTable_);
    db.Execute("SAVEPOINT vestrel_post");
    try {
        std::int64_t rowId = 0;
        if (kind == PostKind::Insert) {
            String names, marks;
            std::vector<std::size_t> used;
            for (std::size_t i = 0; i < cells.size() && i < tableColumns_.size(); ++i) {
                if (!changed[i]) continue;
                names += (used.empty() ? "" : ", ") + QuoteIdent(tableColumns_[i]);
                marks += used.empty() ? "?" : ", ?";
                used.push_back(i);
            }
            SqliteStatement insert = db.Prepare(used.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                                                             : "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")");
            for (std::size_t k = 0; k < used.size(); ++k) BindCell(insert, int(k + 1), cells[used[k]]);
            insert.Step();
            rowId = db.LastInsertRowId();
        } else {
            rowId = rowIds_.at(row);
            String assignments;
            std::vector<std::size_t> used;
            for (std::size_t i = 0; i < cells.size() && i < tableColumns_.size(); ++i) {
                if (!changed[i]) continue;
                assignments += (used.empty() ? "" : ", ") + QuoteIdent(tableColumns_[i]) + "=?";
                used.push_back(i);
            }
            if (!used.empty()) {
                SqliteStatement update = db.Prepare("UPDATE " + table + " SET " + assignments + " WHERE rowid=?");
                for (std::size_t k = 0; k < used.size(); ++k) BindCell(update, int(k + 1), cells[used[k]]);
                sqlite3_bind_int64(update.Handle(), int(used.size() + 1), rowId);
                update.Step();
                if (db.Changes() == 0)
                    throw EADOError("The row to update no longer exists in table '" + updateTable_ + "'.");
            }
        }
        ReadRow(rowId, cells, storage);
        db.Execute("RELEASE vestrel_post");
        if (rowIds_.size() <= row) rowIds_.resize(std::size_t(row) + 1, 0);
        rowIds_[row] = rowId;
    } catch (...) {
        try {
            db.Execute("ROLLBACK TO vestrel_post");
            db.Execute("RELEASE vestrel_post");
        } catch (...) {
            LogFailedCleanup("undoing a failed post");
        }
        throw;
    }
}

void TADOQuery::InternalDelete(dbstore::RowId row) {
    if (updateTable_.empty()) DatabaseError("Cannot modify a read-only dataset", this);
    SqliteConnection& db = ActiveConnection()->Database();
    SqliteStatement statement = db.Prepare("DELETE FROM " + QuoteIdent(updateTable_) + " WHERE rowid=?");
    sqlite3_bind_int64(statement.Handle(), 1, rowIds_.at(row));
    statement.Step();
    if (db.Changes() == 0) throw EADOError("The row to delete no longer exists in table '" + updateTable_ + "'.");
}

int TADOQuery::ExecSQL() {
    TADOConnection* connection = ActiveConnection();
    SqliteConnection& db = connection->Database();
    const sqldialect::StatementShape shape = sqldialect::AnalyseStatement(sql_->Text());
    if (ParamCheck) parameters_.SetNames(shape.parameters);
    SqliteStatement statement = db.Prepare(shape.text);
    BindParameters(statement);
    const bool readOnly = sqlite3_stmt_readonly(statement.Handle()) != 0;
    while (statement.Step()) {
    }
    rowsAffected_ = readOnly ? 0 : static_cast<int>(db.Changes());
    return rowsAffected_;
}

// --- Registration --------------------------------------------------------------------------------

void RegisterDataClasses() {
    static bool registered = false;  // program-wide registry: once is enough
    if (registered) return;
    registered = true;
    RegisterClasses<TADOConnection, TADOQuery, TDataSource, TStringField, TWideStringField, TIntegerField,
                    TSmallintField, TLargeintField, TAutoIncField, TFloatField, TCurrencyField, TBCDField,
                    TBooleanField, TDateTimeField, TDateField, TTimeField, TMemoField, TBlobField>();

    RegisterProperties<TField>()
        .Str("FieldName", &TField::FieldName, &TField::SetFieldName)
        .Str("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel)
        .Int("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth)
        .Int("Size", &TField::Size, &TField::SetSize)
        .Bool("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly)
        .Bool("Required", &TField::Required, &TField::SetRequired)
        .Bool("Visible", &TField::Visible, &TField::SetVisible)
        .Str("EditMask", &TField::EditMask, &TField::SetEditMask)
        .Enum("Alignment", &TField::Alignment, &TField::SetAlignment, {"taLeftJustify", "taRightJustify", "taCenter"})
        .Enum("FieldKind", &TField::FieldKind, &TField::SetFieldKind,
              {"fkData", "fkCalculated", "fkLookup", "fkInternalCalc", "fkAggregate"})
        .Str("KeyFields", &TField::KeyFields)
        .Str("LookupKeyFields", &TField::LookupKeyFields)
        .Str("LookupResultField", &TField::LookupResultField)
        .Event("OnChange", &TField::OnChange)
        .Event("OnValidate", &TField::OnValidate)
        .Event("OnGetText", &TField::OnGetText)
        .Event("OnSetText", &TField::OnSetText);
    RegisterProperties<TNumericField>()
        .Str("DisplayFormat", &TNumericField::DisplayFormat, &TNumericField::SetDisplayFormat)
        .Str("EditFormat", &TNumericField::EditFormat, &TNumericField::SetEditFormat);
    RegisterProperties<TFloatField>()
        .Bool("Currency", &TFloatField::Currency, &TFloatField::SetCurrency)
        .Int("Precision", &TFloatField::Precision, &TFloatField::SetPrecision);
    RegisterProperties<TBCDField>()
        .Bool("Currency", &TBCDField::Currency, &TBCDField::SetCurrency)
        .Int("Precision", &TBCDField::Precision, &TBCDField::SetPrecision);
    RegisterProperties<TBooleanField>()
        .Str("DisplayValues", &TBooleanField::DisplayValues, &TBooleanField::SetDisplayValues);
    RegisterProperties<TDateTimeField>()
        .Str("DisplayFormat", &TDateTimeField::DisplayFormat, &TDateTimeField::SetDisplayFormat);

    RegisterProperties<TDataSet>()
        .Bool("Active", &TDataSet::Active, &TDataSet::SetActive)
        .Bool("AutoCalcFields", &TDataSet::AutoCalcFields)
        .Str("Filter", &TDataSet::Filter)
        .Bool("Filtered", &TDataSet::Filtered, &TDataSet::SetFiltered)
        .Event("BeforeOpen", &TDataSet::BeforeOpen)
        .Event("AfterOpen", &TDataSet::AfterOpen)
        .Event("BeforeClose", &TDataSet::BeforeClose)
        .Event("AfterClose", &TDataSet::AfterClose)
        .Event("BeforeInsert", &TDataSet::BeforeInsert)
        .Event("AfterInsert", &TDataSet::AfterInsert)
        .Event("BeforeEdit", &TDataSet::BeforeEdit)
        .Event("AfterEdit", &TDataSet::AfterEdit)
        .Event("BeforePost", &TDataSet::BeforePost)
        .Event("AfterPost", &TDataSet::AfterPost)
        .Event("BeforeCancel", &TDataSet::BeforeCancel)
        .Event("AfterCancel", &TDataSet::AfterCancel)
        .Event("BeforeDelete", &TDataSet::BeforeDelete)
        .Event("AfterDelete", &TDataSet::AfterDelete)
        .Event("BeforeScroll", &TDataSet::BeforeScroll)
        .Event("AfterScroll", &TDataSet::AfterScroll)
        .Event("OnNewRecord", &TDataSet::OnNewRecord)
        .Event("OnCalcFields", &TDataSet::OnCalcFields);
    RegisterProperties<TADOQuery>()
        .Component("Connection", &TADOQuery::Connection, &TADOQuery::SetConnection)
        .Str("ConnectionString", &TADOQuery::ConnectionString, &TADOQuery::SetConnectionString)
        .Enum("CursorType", &TADOQuery::CursorType, &TADOQuery::SetCursorType,
              {"ctUnspecified", "ctOpenForwardOnly", "ctKeyset", "ctDynamic", "ctStatic"})
        .Enum("LockType", &TADOQuery::LockType, &TADOQuery::SetLockType,
              {"ltUnspecified", "ltReadOnly", "ltPessimistic", "ltOptimistic", "ltBatchOptimistic"})
        .Enum("CursorLocation", &TADOQuery::CursorLocation, &TADOQuery::SetCursorLocation,
              {"clUseServer", "clUseClient"})
        .Component("DataSource", &TADOQuery::DataSource, &TADOQuery::SetDataSource)
        .Bool("ParamCheck", &TADOQuery::ParamCheck)
        .Strings("SQL", &TADOQuery::SQLLines, &TADOQuery::SetSQLLines);
    RegisterProperties<TADOConnection>()
        .Str("ConnectionString", &TADOConnection::ConnectionString, &TADOConnection::SetConnectionString)
        .Int("ConnectionTimeout", &TADOConnection::ConnectionTimeout, &TADOConnection::SetConnectionTimeout)
        .Bool("LoginPrompt", &TADOConnection::LoginPrompt, &TADOConnection::SetLoginPrompt)
        .Enum("Mode", &TADOConnection::Mode, &TADOConnection::SetMode,
              {"cmUnknown", "cmRead", "cmWrite", "cmReadWrite", "cmShareDenyRead", "cmShareDenyWrite",
               "cmShareExclusive", "cmShareDenyNone"})
        .Str("Provider", &TADOConnection::Provider, &TADOConnection::SetProvider)
        .Bool("Connected", &TADOConnection::Connected, &TADOConnection::SetConnected)
        .Event("BeforeConnect", &TADOConnection::BeforeConnect)
        .Event("AfterConnect", &TADOConnection::AfterConnect)
        .Event("BeforeDisconnect", &TADOConnection::BeforeDisconnect)
        .Event("AfterDisconnect", &TADOConnection::AfterDisconnect);
    RegisterProperties<TDataSource>()
        .Component("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet)
        .Bool("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled)
        .Bool("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit)
        .Event("OnStateChange", &TDataSource::OnStateChange)
        .Event("OnDataChange", &TDataSource::OnDataChange)
        .Event("OnUpdateData", &TDataSource::OnUpdateData);
}
