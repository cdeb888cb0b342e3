// Compaction of a database file: a compacted copy beside the file replaces it. Success keeps every
// row and the recorded password and shrinks the file; every failure leaves the file byte for byte
// as it was, intact, with no copy left behind. The full disk and the refusing folder come from a
// small file layer under SQLite (native tier), the file held by another connection is real.
#include "DbTestSupport.h"

#include "Lists.h"
#include "Streams.h"

#include "U_MainLogic.h"

#include <sqlite3.h>

#include <cstring>

using namespace dbtest;

namespace {

// Fills the shipped database with `rows` extra persons and deletes every other one, so that the
// file holds free pages.
void AddAndDeletePersons(const String& path, int rows) {
    Session s(path);
    s.connection->BeginTrans();
    for (int i = 0; i < rows; ++i)
        s.connection->Execute("insert into custom (CustCode, Company, introduce) values (" + std::to_string(1000 + i) +
                              ", '批量" + std::to_string(i) + "', '" + String(400, 'x') + "')");
    s.connection->Execute("delete from custom where CustCode >= 1000 and CustCode % 2 = 0");
    s.connection->CommitTrans();
}

std::vector<String> CopiesIn(const fs::path& folder) {
    std::vector<String> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const String name = entry.path().filename().string();
        if (name.rfind(kCompactTempPrefix, 0) == 0)
            names.push_back(name);
    }
    return names;
}

TEST(Compaction, KeepsEveryRowAndThePasswordAndShrinksTheFile) {
    TempFolder folder;
    const String file = folder.File("Custom.mdb");
    BuildShippedDatabase(file);
    AddAndDeletePersons(file, 400);
    const String persons = SqliteScalar(file, "select count(*) from custom");
    const String names = SqliteScalar(file, "select group_concat(Company, '|') from custom");
    const auto before = fs::file_size(file);
    // A copy an earlier failed run left behind is not in the way, and stays untouched.
    const String leftover = folder.File("~CP00000000.tmp");
    { std::ofstream(leftover) << "left over"; }

    String error;
    ASSERT_TRUE(CompactDatabaseFile(file, kDatabasePassword, RenameOverFile, &error)) << error;

    EXPECT_LT(fs::file_size(file), before);
    EXPECT_EQ(SqliteScalar(file, "select count(*) from custom"), persons);
    EXPECT_EQ(SqliteScalar(file, "select group_concat(Company, '|') from custom"), names);
    EXPECT_EQ(SqliteScalar(file, "PRAGMA integrity_check"), "ok");
    // The recorded password came along: another password is still refused.
    TADOConnection* other = New<TADOConnection>(nullptr);
    other->SetConnectionString(ConnectionStringFor(file, "wrong"));
    EXPECT_THROW(other->Open(), EADOError);
    other->Free();
    EXPECT_EQ(CopiesIn(folder.Path()), std::vector<String>{"~CP00000000.tmp"});
}

TEST(Compaction, AutoNumbersContinueAfterTheCompactedRows) {
    TempFolder folder;
    const String file = folder.File("Custom.mdb");
    BuildShippedDatabase(file);
    AddAndDeletePersons(file, 10);
    const String highest = SqliteScalar(file, "select max(CustID) from custom");
    {
        // The newest person goes: its number is never given again, compacted or not.
        Session s(file);
        s.connection->Execute("delete from custom where CustID=" + highest);
    }
    ASSERT_TRUE(CompactDatabaseFile(file, kDatabasePassword, RenameOverFile));
    Session s(file);
    s.connection->Execute("insert into custom (CustCode, Company) values (9999, '新人')");
    EXPECT_GT(std::stoll(SqliteScalar(file, "select max(CustID) from custom")), std::stoll(highest));
}

#if !defined(_WIN32)
// ---- A file layer that refuses the copy or runs out of space ---------------------------------------

struct CopyFault {
    enum class Kind { None, RefuseOpen, FullAfter } kind = Kind::None;
    sqlite3_int64 budget = 0;  // bytes the copy may take before the disk is full
};

CopyFault& Fault() {
    static CopyFault fault;
    return fault;
}

struct FaultFile {
    sqlite3_file base;
    sqlite3_file* real;
    bool isCopy;
};

sqlite3_vfs* RealVfs() {
    static sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    return real;
}
sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<FaultFile*>(f)->real; }

int FClose(sqlite3_file* f) {
    const int rc = Real(f)->pMethods ? Real(f)->pMethods->xClose(Real(f)) : SQLITE_OK;
    f->pMethods = nullptr;
    return rc;
}
int FRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return Real(f)->pMethods->xRead(Real(f), b, n, o); }
int FWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
    if (reinterpret_cast<FaultFile*>(f)->isCopy && Fault().kind == CopyFault::Kind::FullAfter && o + n > Fault().budget)
        return SQLITE_FULL;
    return Real(f)->pMethods->xWrite(Real(f), b, n, o);
}
int FTruncate(sqlite3_file* f, sqlite3_int64 s) { return Real(f)->pMethods->xTruncate(Real(f), s); }
int FSync(sqlite3_file* f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); }
int FFileSize(sqlite3_file* f, sqlite3_int64* s) { return Real(f)->pMethods->xFileSize(Real(f), s); }
int FLock(sqlite3_file* f, int l) { return Real(f)->pMethods->xLock(Real(f), l); }
int FUnlock(sqlite3_file* f, int l) { return Real(f)->pMethods->xUnlock(Real(f), l); }
int FCheckReservedLock(sqlite3_file* f, int* o) { return Real(f)->pMethods->xCheckReservedLock(Real(f), o); }
int FFileControl(sqlite3_file* f, int op, void* a) { return Real(f)->pMethods->xFileControl(Real(f), op, a); }
int FSectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int FDeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }

const sqlite3_io_methods kFaultMethods = {1, FClose, FRead, FWrite, FTruncate, FSync, FFileSize, FLock, FUnlock,
                                          FCheckReservedLock, FFileControl, FSectorSize, FDeviceCharacteristics,
                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

bool IsCopyName(const char* name) { return name && std::strstr(name, kCompactTempPrefix) != nullptr; }

int FOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    auto* f = reinterpret_cast<FaultFile*>(file);
    f->base.pMethods = nullptr;
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    f->isCopy = IsCopyName(name);
    if (f->isCopy && Fault().kind == CopyFault::Kind::RefuseOpen)
        return SQLITE_CANTOPEN;
    const int rc = RealVfs()->xOpen(RealVfs(), name, f->real, flags, outFlags);
    if (rc == SQLITE_OK)
        f->base.pMethods = &kFaultMethods;
    return rc;
}
int FDelete(sqlite3_vfs*, const char* n, int s) { return RealVfs()->xDelete(RealVfs(), n, s); }
int FAccess(sqlite3_vfs*, const char* n, int fl, int* o) { return RealVfs()->xAccess(RealVfs(), n, fl, o); }
int FFullPathname(sqlite3_vfs*, const char* n, int s, char* o) { return RealVfs()->xFullPathname(RealVfs(), n, s, o); }
int FRandomness(sqlite3_vfs*, int s, char* o) { return RealVfs()->xRandomness(RealVfs(), s, o); }
int FSleep(sqlite3_vfs*, int us) { return RealVfs()->xSleep(RealVfs(), us); }
int FCurrentTime(sqlite3_vfs*, double* o) { return RealVfs()->xCurrentTime(RealVfs(), o); }

sqlite3_vfs& FaultVfs() {
    static sqlite3_vfs vfs = [] {
        sqlite3_vfs v{};
        v.iVersion = 1;
        v.szOsFile = int(sizeof(FaultFile)) + RealVfs()->szOsFile;
        v.mxPathname = RealVfs()->mxPathname;
        v.zName = "compact-fault";
        v.xOpen = FOpen;
        v.xDelete = FDelete;
        v.xAccess = FAccess;
        v.xFullPathname = FFullPathname;
        v.xRandomness = FRandomness;
        v.xSleep = FSleep;
        v.xCurrentTime = FCurrentTime;
        return v;
    }();
    return vfs;
}

// The fault layer is the default file system while it lives.
struct FaultLayer {
    explicit FaultLayer(CopyFault fault) {
        RealVfs();
        Fault() = fault;
        sqlite3_vfs_register(&FaultVfs(), 1);
    }
    ~FaultLayer() {
        sqlite3_vfs_unregister(&FaultVfs());
        sqlite3_vfs_register(RealVfs(), 1);
        Fault() = {};
    }
};
#endif

TEST(Compaction, EveryFailureLeavesTheFileAsItWasAndNoCopy) {
    enum class Setup { MissingFile, WrongPassword, NotADatabase, HeldInATransaction, FolderRefusesCopy, DiskFull,
                       ReplaceRefused };
    struct TRow {
        const char* name;
        Setup setup;
    } const rows[] = {
        {"the file does not exist", Setup::MissingFile},
        {"the password differs from the recorded one", Setup::WrongPassword},
        {"the file is not a database", Setup::NotADatabase},
        {"another connection holds the file in a transaction", Setup::HeldInATransaction},
#if !defined(_WIN32)
        {"the folder refuses the copy (read-only)", Setup::FolderRefusesCopy},
        {"the disk fills up while copying", Setup::DiskFull},
#endif
        {"the copy cannot replace the file (held open)", Setup::ReplaceRefused},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        String file = folder.File("Custom.mdb");
        BuildShippedDatabase(file);
        AddAndDeletePersons(file, 200);
        String password = kDatabasePassword;
        TReplaceFileFunction replace = RenameOverFile;
        if (row.setup == Setup::MissingFile)
            file = folder.File("Missing.mdb");
        if (row.setup == Setup::NotADatabase) {
            file = folder.File("notes.mdb");
            std::ofstream(file) << "not a database, just some text";
        }
        if (row.setup == Setup::WrongPassword)
            password = "627RW318";
        if (row.setup == Setup::ReplaceRefused)
            replace = [](const String&, const String&, String& error) {
                error = "the file is in use";
                return false;
            };
        const String bytesBefore = FileExists(file) ? ReadTextFile(file) : String();

        sqlite3* holder = nullptr;
        if (row.setup == Setup::HeldInATransaction) {
            ASSERT_EQ(sqlite3_open(file.c_str(), &holder), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(holder, "BEGIN; SELECT count(*) FROM custom;", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        String error;
        bool compacted = false;
#if !defined(_WIN32)
        if (row.setup == Setup::FolderRefusesCopy || row.setup == Setup::DiskFull) {
            CopyFault fault;
            fault.kind = row.setup == Setup::DiskFull ? CopyFault::Kind::FullAfter : CopyFault::Kind::RefuseOpen;
            fault.budget = 16 * 1024;
            FaultLayer layer(fault);
            compacted = CompactDatabaseFile(file, password, replace, &error);
        } else
#endif
            compacted = CompactDatabaseFile(file, password, replace, &error);
        if (holder) {
            sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(holder);
        }

        EXPECT_FALSE(compacted);
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(CopiesIn(folder.Path()).empty());
        if (row.setup == Setup::MissingFile) {
            EXPECT_FALSE(FileExists(file));
            continue;
        }
        EXPECT_EQ(ReadTextFile(file), bytesBefore);
        if (row.setup == Setup::NotADatabase)
            continue;
        EXPECT_EQ(SqliteScalar(file, "PRAGMA integrity_check"), "ok");
        EXPECT_EQ(SqliteScalar(file, "select count(*) from custom where CustCode >= 1000"), "100");
    }
}

TEST(OtherDatabase, ConnectionTextCarriesThePathAndTheSecondPassword) {
    EXPECT_EQ(OtherDatabaseConnectionString("C:\\数据\\Other.mdb"),
              "Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data Source=C:\\数据\\Other.mdb;"
              "Persist Security Info=False;Jet OLEDB:Database Password=627RW318");
}

TEST(OtherDatabase, AFileWithAnotherPasswordIsRefusedAndThePreviousOneReconnected) {
    TempFolder folder;
    const String shipped = folder.File("Custom.mdb");
    BuildShippedDatabase(shipped);
    const String other = folder.File("Other.mdb");
    BuildDatabase(other, {{"schema.sql", ReadTextFile(SourceRoot() / "db" / "schema.sql")},
                          {"one.sql", "insert into custom (CustCode, Company) values (1, '别处的人');"}},
                  kOtherDatabasePassword);

    Session s(shipped);
    const String start = s.connection->ConnectionString();
    // The shipped file records the start-up password: refused, and the start-up file is back.
    EXPECT_THROW(SwitchConnection(s.connection, OtherDatabaseConnectionString(shipped)), EADOError);
    EXPECT_TRUE(s.connection->Connected());
    EXPECT_EQ(s.connection->ConnectionString(), start);
    // A file that is not there: the same.
    EXPECT_THROW(SwitchConnection(s.connection, OtherDatabaseConnectionString(folder.File("none.mdb"))), EADOError);
    EXPECT_TRUE(s.connection->Connected());

    SwitchConnection(s.connection, OtherDatabaseConnectionString(other));
    s.query->SQL()->Add("select Company from custom");
    s.query->Open();
    EXPECT_EQ(ColumnTexts(s.query, "Company"), std::vector<String>{"别处的人"});
}

}  // namespace
