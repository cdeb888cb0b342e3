#include "U_DataLogic.h"

#include "ADODB.h"
#include "ADODialect.h"
#include "Lists.h"

String BuildConnectionString(const String& programFolder, const String& dbPath) {
    const String head = "Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data Source=";
    const String tail = String("Jet OLEDB:Database Password=") + kDatabasePassword;
    if (dbPath.empty()) return head + programFolder + "DataBase\\Custom.mdb;" + "Persist Security Info=False;" + tail;
    return head + dbPath + ";Persist Security Info=False;" + tail;
}

void OpenQuery(TADOQuery* query, const String& sql) {
    query->Close();
    query->SQL()->Clear();
    query->SQL()->Add(sql);
    query->Open();
}

void ExecQuery(TADOQuery* query, const String& sql) {
    query->Close();
    query->SQL()->Clear();
    query->SQL()->Add(sql);
    query->ExecSQL();
}

String QuotedSql(const String& value) { return sqldialect::QuotedSqlText(value); }
