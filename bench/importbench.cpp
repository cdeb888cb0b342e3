// Benchmark of the workbook import and of compaction (driven by bench/run-import.sh).
//
//   importbench import DATABASE WORKBOOK   imports every row of WORKBOOK into DATABASE with the
//                                          import's own steps (headers, the n-th target gets the
//                                          n-th header, the rows); prints "import <ms> <persons>"
//   importbench compact DATABASE           compacts DATABASE in place; prints "compact <ms>"
#include "ADODB.h"
#include "ExcelAutomation.h"
#include "U_DataLogic.h"
#include "U_ImportLogic.h"
#include "U_MainLogic.h"

#include <chrono>
#include <cstdio>

namespace {

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

TADOQuery* QueryOn(TADOConnection* connection) {
    TADOQuery* query = New<TADOQuery>(connection);
    query->SetConnection(connection);
    return query;
}

int Import(const char* database, const char* workbook) {
    TADOConnection* connection = New<TADOConnection>(nullptr);
    connection->SetConnectionString(BuildConnectionString("", database));
    connection->Open();
    const double start = NowMs();
    auto app = CreateExcelApplication("Excel.Application");
    app->WorkBooks().open(workbook);
    TImportSheet sheet;
    sheet.Rows = app->ActiveSheet().UsedRange().rows().Count();
    sheet.Columns = app->ActiveSheet().UsedRange().columns().Count();
    sheet.Text = [&](int r, int c) { return app->ActiveSheet().cells().item(r, c).Text(); };
    TADOQuery* temp = QueryOn(connection);
    RecordHeaders(connection, temp, sheet);
    TADOQuery* mapping = QueryOn(connection);
    OpenQuery(mapping, kImportMappingSql);
    PrefillMapping(mapping, temp);
    TImportTargets targets;
    targets.Connection = connection;
    targets.Persons = QueryOn(connection);
    OpenQuery(targets.Persons, "Select * from custom");
    targets.Contacts = QueryOn(connection);
    OpenQuery(targets.Contacts, "Select * from Contact");
    targets.Work = QueryOn(connection);
    targets.OperatorName = "Admin";
    const int persons = ImportSheetRows(targets, ReadImportColumns(QueryOn(connection), QueryOn(connection), "custom"),
                                        ReadImportColumns(QueryOn(connection), QueryOn(connection), "contact"), sheet);
    std::printf("import %.1f %d\n", NowMs() - start, persons);
    connection->Free();
    return 0;
}

int Compact(const char* database) {
    const double start = NowMs();
    String error;
    if (!CompactDatabaseFile(database, kDatabasePassword, RenameOverFile, &error)) {
        std::fprintf(stderr, "importbench: %s\n", error.c_str());
        return 1;
    }
    std::printf("compact %.1f\n", NowMs() - start);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 4 && String(argv[1]) == "import") return Import(argv[2], argv[3]);
        if (argc == 3 && String(argv[1]) == "compact") return Compact(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "importbench: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: importbench import DATABASE WORKBOOK | importbench compact DATABASE\n");
    return 2;
}
