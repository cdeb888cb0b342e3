// Fault injection into the data layer: the Nth file operation (or the Nth allocation) of SQLite
// fails, for N = 1, 2, ... until the operation gets through, once (transient) or from then on
// (persistent). After every failure the file is intact, the data set is in a consistent state with
// the person's values kept, and the operation succeeds when tried again. Native tier only (it
// replaces SQLite's allocator and default file system for its own run).
#if !defined(_WIN32)
#include "DbTestSupport.h"

#include "Log.h"

#include <sqlite3.h>

#include <cstring>

using namespace dbtest;

namespace {

// When the Nth counted operation fails.
enum class FaultKind { FileOperation, Allocation };

struct FaultPlan {
    FaultKind kind = FaultKind::FileOperation;
    bool armed = false;
    bool persistent = false;
    bool fired = false;
    long countdown = 0;

    void Arm(FaultKind what, long n, bool persistentFault) {
        kind = what;
        armed = true;
        persistent = persistentFault;
        fired = false;
        countdown = n;
    }
    void Disarm() { armed = false; }
    bool Fails(FaultKind what) {
        if (!armed || what != kind) return false;
        if (fired) return persistent;
        if (--countdown > 0) return false;
        fired = true;
        return true;
    }
};

FaultPlan& Plan() {
    static FaultPlan plan;
    return plan;
}

// --- A VFS shim over the default VFS whose reads, writes, truncations, syncs, opens and deletes
// --- count down the plan.

struct ShimFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_vfs* RealVfs() {
    static sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    return real;
}

sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<ShimFile*>(file)->real; }

int ShimClose(sqlite3_file* f) {
    const int rc = Real(f)->pMethods ? Real(f)->pMethods->xClose(Real(f)) : SQLITE_OK;
    f->pMethods = nullptr;
    return rc;
}
int ShimRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    if (Plan().Fails(FaultKind::FileOperation)) return SQLITE_IOERR_READ;
    return Real(f)->pMethods->xRead(Real(f), buffer, amount, offset);
}
int ShimWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    if (Plan().Fails(FaultKind::FileOperation)) return SQLITE_IOERR_WRITE;
    return Real(f)->pMethods->xWrite(Real(f), buffer, amount, offset);
}
int ShimTruncate(sqlite3_file* f, sqlite3_int64 size) {
    if (Plan().Fails(FaultKind::FileOperation)) return SQLITE_IOERR_TRUNCATE;
    return Real(f)->pMethods->xTruncate(Real(f), size);
}
int ShimSync(sqlite3_file* f, int flags) {
    if (Plan().Fails(FaultKind::FileOperation)) return SQLITE_IOERR_FSYNC;
    return Real(f)->pMethods->xSync(Real(f), flags);
}
int ShimFileSize(sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); }
int ShimLock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
int ShimUnlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int ShimCheckReservedLock(sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); }
int ShimFileControl(sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); }
int ShimSectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int ShimDeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }

const sqlite3_io_methods kShimMethods = {
    1, ShimClose, ShimRead, ShimWrite, ShimTruncate, ShimSync, ShimFileSize, ShimLock, ShimUnlock,
    ShimCheckReservedLock, ShimFileControl, ShimSectorSize, ShimDeviceCharacteristics,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

int ShimOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    auto* shim = reinterpret_cast<ShimFile*>(file);
    shim->base.pMethods = nullptr;
    shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
    if (Plan().Fails(FaultKind::FileOperation)) return SQLITE_CANTOPEN;
    const int rc = RealVfs()->xOpen(RealVfs(), name, shim->real, flags, outFlags);
    if (rc == SQLITE_OK) shim->base.pMethods = &kShimMethods;
    return rc;
}
int ShimDelete(sqlite3_vfs*, const char* name, int syncDir) {
    if (Plan().Fails(FaultKind::FileOperation)) return SQLITE_IOERR_DELETE;
    return RealVfs()->xDelete(RealVfs(), name, syncDir);
}
int ShimAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
    return RealVfs()->xAccess(RealVfs(), name, flags, out);
}
int ShimFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return RealVfs()->xFullPathname(RealVfs(), name, size, out);
}
int ShimRandomness(sqlite3_vfs*, int size, char* out) { return RealVfs()->xRandomness(RealVfs(), size, out); }
int ShimSleep(sqlite3_vfs*, int microseconds) { return RealVfs()->xSleep(RealVfs(), microseconds); }
int ShimCurrentTime(sqlite3_vfs*, double* out) { return RealVfs()->xCurrentTime(RealVfs(), out); }
int ShimGetLastError(sqlite3_vfs*, int size, char* out) {
    return RealVfs()->xGetLastError ? RealVfs()->xGetLastError(RealVfs(), size, out) : 0;
}

sqlite3_vfs& ShimVfs() {
    static sqlite3_vfs vfs = [] {
        sqlite3_vfs v{};
        v.iVersion = 1;
        v.szOsFile = int(sizeof(ShimFile)) + RealVfs()->szOsFile;
        v.mxPathname = RealVfs()->mxPathname;
        v.zName = "fault-shim";
        v.xOpen = ShimOpen;
        v.xDelete = ShimDelete;
        v.xAccess = ShimAccess;
        v.xFullPathname = ShimFullPathname;
        v.xRandomness = ShimRandomness;
        v.xSleep = ShimSleep;
        v.xCurrentTime = ShimCurrentTime;
        v.xGetLastError = ShimGetLastError;
        return v;
    }();
    return vfs;
}

// --- An allocator that counts down the plan.

sqlite3_mem_methods& RealAllocator() {
    static sqlite3_mem_methods real{};
    return real;
}
void* FaultyMalloc(int size) { return Plan().Fails(FaultKind::Allocation) ? nullptr : RealAllocator().xMalloc(size); }
void* FaultyRealloc(void* p, int size) { return Plan().Fails(FaultKind::Allocation) ? nullptr : RealAllocator().xRealloc(p, size); }

struct Operation {
    const char* name;
    // Makes the change on the session's open query; throws when it fails.
    void (*run)(Session&);
    // Checks the data set after a failure (the session is still open).
    void (*checkFailed)(Session&);
    // The database's text that tells whether the change is in the file, and its value before/after.
    const char* probe;
    const char* before;
    const char* after;
};

String Probe(const String& path, const char* sql) {
    sqlite3* db = nullptr;
    String value = "(cannot open)";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        value = "(error)";
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            value = text ? reinterpret_cast<const char*>(text) : "(null)";
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return value;
}

void EditPerson(Session& s) {
    if (s.query->State() != dsEdit) {
        s.query->First();
        s.query->Edit();
        s.query->FieldByName("Company")->SetAsString("新名字");
        s.query->FieldByName("tel")->SetAsString("0571-1234");
    }
    s.query->Post();
}
void CheckEditKept(Session& s) {
    EXPECT_EQ(s.query->State(), dsEdit);
    EXPECT_EQ(s.query->FieldByName("Company")->AsString(), "新名字");
    EXPECT_EQ(s.query->FieldByName("tel")->AsString(), "0571-1234");
    EXPECT_EQ(s.query->RecordCount(), 36);
}

void AppendPerson(Session& s) {
    if (s.query->State() != dsInsert) {
        s.query->Append();
        s.query->FieldByName("CustCode")->SetAsInteger(100);
        s.query->FieldByName("Company")->SetAsString("新人");
    }
    s.query->Post();
}
void CheckAppendKept(Session& s) {
    EXPECT_EQ(s.query->State(), dsInsert);
    EXPECT_EQ(s.query->FieldByName("Company")->AsString(), "新人");
    EXPECT_EQ(s.query->FieldByName("CustCode")->AsInteger(), 100);
}

void DeletePerson(Session& s) {
    s.query->First();
    s.query->Delete();
}
void CheckDeleteKept(Session& s) {
    EXPECT_EQ(s.query->State(), dsBrowse);
    EXPECT_EQ(s.query->RecordCount(), 36);
    s.query->First();
    EXPECT_EQ(s.query->FieldByName("Company")->AsString(), "张伟");
}

void UpdateCategory(Session& s) {
    TADOQuery* q = s.NewQuery();
    ExecQuery(q, "update custom set tel='0' where category like '01%'");
}
void CheckNothing(Session&) {}

const Operation kOperations[] = {
    {"Post of an edit", EditPerson, CheckEditKept, "select Company || '/' || tel from custom where CustCode=1",
     "张伟/0571-85012233", "新名字/0571-1234"},
    {"Post of an insert", AppendPerson, CheckAppendKept, "select count(*) from custom", "36", "37"},
    {"Delete", DeletePerson, CheckDeleteKept, "select count(*) from custom", "36", "35"},
    {"ExecSQL", UpdateCategory, CheckNothing, "select count(*) from custom where tel='0'", "0", "11"},
};

class DataFaultInjectionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The allocator can only be replaced while SQLite is shut down.
        sqlite3_shutdown();
        sqlite3_config(SQLITE_CONFIG_GETMALLOC, &RealAllocator());
        sqlite3_mem_methods faulty = RealAllocator();
        faulty.xMalloc = FaultyMalloc;
        faulty.xRealloc = FaultyRealloc;
        sqlite3_config(SQLITE_CONFIG_MALLOC, &faulty);
        sqlite3_initialize();
        RealVfs();
        sqlite3_vfs_register(&ShimVfs(), 1);
        pristine_ = new TempFolder;
        BuildShippedDatabase(pristine_->File("Custom.mdb"));
    }
    static void TearDownTestSuite() {
        delete pristine_;
        pristine_ = nullptr;
        sqlite3_vfs_unregister(&ShimVfs());
        sqlite3_shutdown();
        sqlite3_config(SQLITE_CONFIG_MALLOC, &RealAllocator());
        sqlite3_initialize();
    }
    void SetUp() override {
        previousSink_ = SetLogSink([](const char*) {});  // clean-up failures are expected here
        ASSERT_EQ(Probe(pristine_->File("Custom.mdb"), "select count(*) from custom"), "36");
    }
    void TearDown() override {
        Plan().Disarm();
        SetLogSink(previousSink_);
    }

    // Runs `operation` with the Nth counted step failing, N = 1, 2, ... until it succeeds.
    void RunLoop(const Operation& operation, FaultKind kind, bool persistent) {
        const String file = folder_.File("Custom.mdb");
        long failures = 0;
        for (long n = 1;; ++n) {
            SCOPED_TRACE(String(operation.name) + (kind == FaultKind::Allocation ? ", allocation " : ", file operation ") +
                         std::to_string(n) + (persistent ? " and after" : " only"));
            ASSERT_LT(n, 5000) << "the operation never got through";
            std::filesystem::copy_file(pristine_->File("Custom.mdb"), file,
                                       std::filesystem::copy_options::overwrite_existing);
            bool succeeded = false;
            {
                Session session(file);
                OpenQuery(session.query, "select * from custom");
                Plan().Arm(kind, n, persistent);
                try {
                    operation.run(session);
                    succeeded = true;
                } catch (const Exception&) {
                }
                Plan().Disarm();
                if (!succeeded) {
                    ++failures;
                    operation.checkFailed(session);
                    EXPECT_EQ(Probe(file, "pragma integrity_check"), "ok");
                    EXPECT_EQ(Probe(file, operation.probe), operation.before);
                    // Tried again without faults, the same change goes through.
                    EXPECT_NO_THROW(operation.run(session));
                }
                if (testing::Test::HasFailure()) return;
            }
            EXPECT_EQ(Probe(file, "pragma integrity_check"), "ok");
            EXPECT_EQ(Probe(file, operation.probe), operation.after);
            if (succeeded) break;
        }
        EXPECT_GT(failures, 0) << "no fault was injected";
    }

    static TempFolder* pristine_;
    TempFolder folder_;
    TLogSink previousSink_ = nullptr;
};
TempFolder* DataFaultInjectionTest::pristine_ = nullptr;

TEST_F(DataFaultInjectionTest, FailedFileOperationsLoseNothing) {
    for (const Operation& operation : kOperations)
        for (bool persistent : {false, true}) RunLoop(operation, FaultKind::FileOperation, persistent);
}

TEST_F(DataFaultInjectionTest, FailedAllocationsLoseNothing) {
    for (const Operation& operation : kOperations)
        for (bool persistent : {false, true}) RunLoop(operation, FaultKind::Allocation, persistent);
}

}  // namespace

#endif  // !_WIN32
