// Deleting persons with their contacts, activities, bills and bill lines: one transaction per person,
// a failing person kept whole while the others go, the owner check before anything goes, and a
// process killed in the middle of a delete leaving no person half deleted.
#include "DbTestSupport.h"

#include "U_MainLogic.h"

#include <sqlite3.h>

#include <chrono>
#include <random>
#include <thread>
#if !defined(_WIN32)
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace dbtest;

namespace {

// Persons 101 (no bill), 102 (one bill, two lines), 103 (two bills, a line each, another owner) and
// 104 (one bill), each with contacts and activities.
const char* kPersonsScript = R"(
DELETE FROM custom; DELETE FROM contact; DELETE FROM T_Schedule; DELETE FROM T_Bill; DELETE FROM T_BillDetail;
INSERT INTO custom (CustCode, Company, F_User) VALUES (101, '甲', 'A'), (102, '乙', 'A'), (103, '丙', 'B'),
    (104, '丁', 'A');
INSERT INTO contact (CustCode, F_User) VALUES (101, 'A'), (101, 'A'), (102, 'A'), (103, 'B'), (104, 'A');
INSERT INTO T_Schedule (CustCode, F_User) VALUES ('101', 'A'), ('102', 'A'), ('103', 'B'), ('103', 'B'), ('104', 'A');
INSERT INTO T_Bill (BillCode, CustCode) VALUES ('P102-1', 102), ('P103-1', 103), ('P103-2', 103), ('P104-1', 104);
INSERT INTO T_BillDetail (BillCode, GoodsCode) VALUES ('P102-1', 'G1'), ('P102-1', 'G2'), ('P103-1', 'G1'),
    ('P103-2', 'G2'), ('P104-1', 'G1');
)";

// Read-write, so that SQLite rolls back the journal a killed writer left.
String Scalar(const String& path, const String& sql) { return dbtest::SqliteScalar(path, sql, SQLITE_OPEN_READWRITE); }

// The rows of person `code`: "person contacts activities bills lines" (its bills are named P<code>-n).
String Linked(const String& path, int code) {
    const String c = std::to_string(code);
    return Scalar(path, "select (select count(*) from custom where CustCode=" + c + ") || ' ' || "
                        "(select count(*) from contact where CustCode=" + c + ") || ' ' || "
                        "(select count(*) from T_Schedule where CustCode='" + c + "') || ' ' || "
                        "(select count(*) from T_Bill where CustCode=" + c + ") || ' ' || "
                        "(select count(*) from T_BillDetail where BillCode like 'P" + c + "-%')");
}

void BuildShipped(const String& path, const String& extra) {
    BuildDatabase(path, {{"schema.sql", ReadTextFile(SourceRoot() / "db" / "schema.sql")},
                         {"seed.sql", ReadTextFile(SourceRoot() / "db" / "seed.sql")},
                         {"persons.sql", extra}});
}

class PersonDeleteTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("Custom.mdb");
        BuildShipped(path_, kPersonsScript);
        session_ = std::make_unique<Session>(path_);
        persons_ = session_->query;
        OpenQuery(persons_, "select * from custom order by CustID");
    }
    TBookmark Mark(int code) {
        EXPECT_TRUE(persons_->Locate("CustCode", Variant(code), {})) << code;
        return persons_->Bookmark();
    }
    std::vector<TFailedPersonDelete> Delete(const std::vector<TBookmark>& marks) {
        return DeletePersons(session_->connection, persons_, session_->NewQuery(), marks);
    }

    TempFolder folder_;
    String path_;
    std::unique_ptr<Session> session_;
    TADOQuery* persons_ = nullptr;
};

TEST_F(PersonDeleteTest, APersonGoesWithAllItsLinkedRowsAndNothingElse) {
    struct Case {
        int code;
        const char* before;
    } const cases[] = {
        {101, "1 2 1 0 0"},  // no bill: no line delete
        {102, "1 1 1 1 2"},  // one bill with two lines
        {103, "1 1 2 2 2"},  // two bills, the lines of both
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(Linked(path_, c.code), c.before);
        Mark(c.code);
        EXPECT_TRUE(Delete({}).empty());
        EXPECT_EQ(Linked(path_, c.code), "0 0 0 0 0");
        EXPECT_FALSE(session_->connection->InTransaction());
    }
    EXPECT_EQ(Linked(path_, 104), "1 1 1 1 1");
    EXPECT_EQ(persons_->RecordCount(), 1);
}

TEST_F(PersonDeleteTest, OwnersAreCheckedForEverySelectedPerson) {
    // The current row alone, or every selected one; an empty list owns nothing.
    Mark(101);
    EXPECT_TRUE(PersonsOwnedBy(persons_, {}, "A"));
    EXPECT_FALSE(PersonsOwnedBy(persons_, {}, "a")) << "exact comparison";
    const std::vector<TBookmark> mine{Mark(101), Mark(102), Mark(104)};
    const std::vector<TBookmark> mixed{Mark(101), Mark(103), Mark(104)};
    Mark(102);
    EXPECT_TRUE(PersonsOwnedBy(persons_, mine, "A"));
    EXPECT_FALSE(PersonsOwnedBy(persons_, mixed, "A"));
    EXPECT_EQ(persons_->FieldByName("CustCode")->AsInteger(), 102) << "the list stays where it was";
    persons_->Close();
    OpenQuery(persons_, "select * from custom where CustCode = 0");
    EXPECT_FALSE(PersonsOwnedBy(persons_, {}, "A"));
    EXPECT_FALSE(PersonsOwnedBy(persons_, {}, ""));
}

TEST_F(PersonDeleteTest, AFailingPersonStaysWholeWhileTheOthersGo) {
    Session(path_).connection->Execute(
        "create trigger keep_p102 before delete on T_BillDetail when old.BillCode = 'P102-1' "
        "begin select raise(abort, 'kept'); end");
    const std::vector<TBookmark> marks{Mark(101), Mark(102), Mark(103)};
    const std::vector<TFailedPersonDelete> failed = Delete(marks);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].Person, "乙 (102)");
    EXPECT_NE(failed[0].Reason.find("kept"), String::npos) << failed[0].Reason;
    EXPECT_EQ(Linked(path_, 101), "0 0 0 0 0");
    EXPECT_EQ(Linked(path_, 102), "1 1 1 1 2");
    EXPECT_EQ(Linked(path_, 103), "0 0 0 0 0");
    EXPECT_EQ(Linked(path_, 104), "1 1 1 1 1");
    EXPECT_FALSE(session_->connection->InTransaction());
    // Gone rows are skipped when the same selection is walked again.
    EXPECT_EQ(Delete(marks).size(), 1u);
}

#if !defined(_WIN32)
// A child process deletes every person; it is killed at a random moment. Whatever it got to, the
// file is sound and each person is there with all its rows or not at all.
TEST(PersonDeleteKill, AKilledDeleteLeavesNoPersonHalfDeleted) {
    TempFolder folder;
    const String pristine = folder.File("pristine.mdb");
    {
        String script = "DELETE FROM custom; DELETE FROM contact; DELETE FROM T_Schedule; DELETE FROM T_Bill;"
                        "DELETE FROM T_BillDetail;";
        for (int code = 1; code <= 40; ++code) {
            const String c = std::to_string(code);
            script += "INSERT INTO custom (CustCode, F_User) VALUES (" + c + ", 'A');";
            script += "INSERT INTO contact (CustCode) VALUES (" + c + "), (" + c + ");";
            script += "INSERT INTO T_Schedule (CustCode) VALUES ('" + c + "');";
            for (int b = 0; b < code % 3; ++b) {
                const String bill = "P" + c + "-" + std::to_string(b);
                script += "INSERT INTO T_Bill (BillCode, CustCode) VALUES ('" + bill + "', " + c + ");";
                script += "INSERT INTO T_BillDetail (BillCode) VALUES ('" + bill + "'), ('" + bill + "');";
            }
        }
        BuildShipped(pristine, script);
    }
    auto expectedFull = [](int code) {
        const int bills = code % 3;
        return "1 2 1 " + std::to_string(bills) + " " + std::to_string(bills * 2);
    };
    const String file = folder.File("Custom.mdb");
    auto runChild = [&file] {
        int status = 1;
        try {
            Session s(file);
            OpenQuery(s.query, "select * from custom order by CustID");
            std::vector<TBookmark> marks;
            for (s.query->First(); !s.query->Eof(); s.query->Next()) marks.push_back(s.query->Bookmark());
            status = DeletePersons(s.connection, s.query, s.NewQuery(), marks).empty() ? 0 : 2;
        } catch (...) {
            status = 3;
        }
        _exit(status);
    };

    // One run to its end gives the time to aim at.
    std::filesystem::copy_file(pristine, file, std::filesystem::copy_options::overwrite_existing);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) runChild();
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    const auto full = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(Scalar(file, "select count(*) from custom"), "0");

    std::mt19937 random(20261211);
    int interrupted = 0;
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        std::filesystem::copy_file(pristine, file, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(file + "-journal");
        const auto delay = std::chrono::microseconds(
            std::uniform_int_distribution<long long>(0, std::max<long long>(1, full.count()))(random));
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) runChild();
        std::this_thread::sleep_for(delay);
        kill(pid, SIGKILL);
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (WIFSIGNALED(status)) ++interrupted;
        EXPECT_EQ(Scalar(file, "pragma integrity_check"), "ok");
        for (int code = 1; code <= 40; ++code) {
            const String rows = Linked(file, code);
            EXPECT_TRUE(rows == expectedFull(code) || rows == "0 0 0 0 0") << "person " << code << ": " << rows;
        }
        if (testing::Test::HasFailure()) return;
    }
    EXPECT_GT(interrupted, 0) << "no run was killed before its end";
}

#endif

}  // namespace
