// The ADO components over SQLite.
//
// Classes in this file:
//   TADOConnection  a connection string, an open SQLite database file, transactions
//   TParameter(s)   values for the `:name` parameters of a query
//   TADOQuery       a data set filled from an SQL statement (static cursor: every row is read at
//                   Open and the statement finalised); `select [top n] * from <table> ...` results
//                   are updatable: Post and Delete write to the table at once by row identity
//
// The statements are the program's own dialect: `top N`, `len()`, `[name]`, `True`, `like` with
// `%`, text comparison without regard to case and trailing blanks (ADODialect.h).
//
// Not yet: asynchronous execution, batch updates (ltBatchOptimistic writes at once as well).
#pragma once

#include "ADOSqlite.h"
#include "DB.h"

#include <memory>

class TStringList;

enum TConnectMode { cmUnknown, cmRead, cmWrite, cmReadWrite, cmShareDenyRead, cmShareDenyWrite,
                    cmShareExclusive, cmShareDenyNone };
enum TCursorType { ctUnspecified, ctOpenForwardOnly, ctKeyset, ctDynamic, ctStatic };
enum TADOLockType { ltUnspecified, ltReadOnly, ltPessimistic, ltOptimistic, ltBatchOptimistic };
enum TCursorLocation { clUseServer, clUseClient };

// The parts of a connection string, keys compared without regard to case. Values may be quoted
// with " or '. Raises EADOError for text that is not a list of key=value pairs.
struct TConnectionStringPart {
    String key;
    String value;
};
std::vector<TConnectionStringPart> ParseConnectionString(const String& text);
String ConnectionStringValue(const String& text, const String& key);

inline constexpr const char* kJetProvider = "Microsoft.Jet.OLEDB.4.0";

class TADOQuery;

class TADOConnection : public TComponent {
    VESTREL_CLASS(TADOConnection, TComponent)
public:
    explicit TADOConnection(TComponent* owner);
    ~TADOConnection() override;

    const String& ConnectionString() const { return connectionString_; }
    // Raises EADOError while connected.
    void SetConnectionString(const String& text);
    bool Connected() const { return db_.IsOpen(); }
    void SetConnected(bool connected);
    void Open();
    void Close();

    int ConnectionTimeout() const { return connectionTimeout_; }
    void SetConnectionTimeout(int seconds) { connectionTimeout_ = seconds; }
    bool LoginPrompt() const { return loginPrompt_; }
    void SetLoginPrompt(bool prompt) { loginPrompt_ = prompt; }
    TConnectMode Mode() const { return mode_; }
    void SetMode(TConnectMode mode) { mode_ = mode; }
    const String& Provider() const { return provider_; }
    void SetProvider(const String& provider) { provider_ = provider; }
    // The database file the connection string names (after Data Source=).
    String DataSource() const { return ConnectionStringValue(connectionString_, "Data Source"); }

    // Transactions; nested levels use save points. BeginTrans answers the new level.
    int BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const { return transactionLevel_ > 0; }

    // Runs one statement that returns no rows; answers the rows affected.
    int Execute(const String& sql);

    int DataSetCount() const { return static_cast<int>(dataSets_.size()); }
    TADOQuery* DataSets(int index) const { return dataSets_.at(static_cast<std::size_t>(index)); }

    TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

    SqliteConnection& Database() { return db_; }
    void CheckConnected();

protected:
    void Loaded() override;

private:
    friend class TADOQuery;
    void RegisterDataSet(TADOQuery* query);
    void UnregisterDataSet(TADOQuery* query);

    String connectionString_;
    String provider_ = kJetProvider;
    SqliteConnection db_;
    std::vector<TADOQuery*> dataSets_;
    int connectionTimeout_ = 15;
    int transactionLevel_ = 0;
    TConnectMode mode_ = cmUnknown;
    bool loginPrompt_ = true;
    bool streamedConnected_ = false;
};

class TParameter : public TObject {
    VESTREL_CLASS(TParameter, TObject)
public:
    explicit TParameter(String name) : Name(std::move(name)) {}
    String Name;
    Variant Value;
};

class TParameters : public TObject {
    VESTREL_CLASS(TParameters, TObject)
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TParameter* Items(int index) const;
    TParameter* FindParam(const String& name) const;
    TParameter* ParamByName(const String& name) const;  // EADOError naming it when absent
    TParameter* AddParameter(const String& name);
    void Clear() { items_.clear(); }
    // Keeps the values of names that stay.
    void SetNames(const std::vector<std::string>& names);

private:
    std::vector<std::unique_ptr<TParameter>> items_;
};

class TADOQuery : public TDataSet {
    VESTREL_CLASS(TADOQuery, TDataSet)
public:
    explicit TADOQuery(TComponent* owner);
    ~TADOQuery() override;

    // The statement text; changing it closes the query.
    TStrings* SQL() const;
    void SetSQL(TStrings* lines);
    void SetSQLLines(const std::vector<String>& lines);
    std::vector<String> SQLLines() const;

    TADOConnection* Connection() const { return connection_; }
    void SetConnection(TADOConnection* connection);
    // A query with a connection string (and no Connection) opens a connection of its own.
    const String& ConnectionString() const { return connectionString_; }
    void SetConnectionString(const String& text);

    // Master data source: `:name` parameters take the master's current field of that name.
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDataSet* MasterDataSet() const override;

    TParameters* Parameters() { return &parameters_; }
    bool ParamCheck = true;

    TCursorType CursorType() const { return cursorType_; }
    void SetCursorType(TCursorType type) { cursorType_ = type; }
    TADOLockType LockType() const { return lockType_; }
    void SetLockType(TADOLockType type) { lockType_ = type; }
    TCursorLocation CursorLocation() const { return cursorLocation_; }
    void SetCursorLocation(TCursorLocation location) { cursorLocation_ = location; }

    // Runs the statement (delete, update, insert ...); answers the rows affected.
    int ExecSQL();
    int RowsAffected() const { return rowsAffected_; }
    // Reads the rows again with the current parameter values, keeping the fields.
    void Requery();
    // The table an updatable result writes to (empty when the result is read-only).
    const String& UpdateTable() const { return updateTable_; }

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalPost(PostKind kind, dbstore::RowId row, std::vector<dbstore::Cell>& cells,
                      std::vector<String>& storage, const std::vector<bool>& changed) override;
    void InternalDelete(dbstore::RowId row) override;
    bool CanModifyData() const override;
    void InternalRefresh() override { Requery(); }
    void Notification(TComponent* component, TOperation operation) override;

private:
    class MasterLink;
    friend class MasterLink;
    friend class TADOConnection;
    void DetachConnection();
    TADOConnection* ActiveConnection();
    void SQLLinesChanged(TObject* sender);
    void SQLChanged();
    void BindParameters(SqliteStatement& statement);
    // The first non-null value type of each column, and whether an integer column needs 64 bits.
    struct TResultValueKinds {
        std::vector<int> firstType;
        std::vector<bool> wide;
    };
    // Reads every row of the stepped statement into the store (after the row identity in column 0
    // when `updatable`).
    TResultValueKinds ReadRows(SqliteStatement& statement, bool updatable, std::size_t columnCount);
    void ReadRow(std::int64_t rowId, std::vector<dbstore::Cell>& cells, std::vector<String>& storage);
    void MasterChanged();

    std::unique_ptr<TStringList> sql_;
    TADOConnection* connection_ = nullptr;
    std::unique_ptr<TADOConnection> ownConnection_;
    String connectionString_;
    std::unique_ptr<MasterLink> masterLink_;
    TParameters parameters_;
    std::vector<std::int64_t> rowIds_;  // SQLite row identity per store row
    std::vector<String> tableColumns_;   // column names of the update table, in result order
    String updateTable_;
    int rowsAffected_ = 0;
    TCursorType cursorType_ = ctStatic;
    TADOLockType lockType_ = ltOptimistic;
    TCursorLocation cursorLocation_ = clUseClient;
    bool requerying_ = false;
};

// Registers the data and ADO component classes and their published properties (called once at
// start-up, before any form description is read).
void RegisterDataClasses();
