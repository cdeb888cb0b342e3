// The main window's deletes of goods and bills with their lines (one transaction each, rolled back
// as a whole on any failure) and the contact list's statements.
#include "DbTestSupport.h"

#include "Lists.h"
#include "Streams.h"

#include "U_MainLogic.h"

using namespace dbtest;

namespace {

String Count(Session& s, const String& sql) {
    TADOQuery* q = s.NewQuery();
    q->SQL()->Add(sql);
    q->Open();
    return q->Fields()->Fields(0)->AsString();
}

struct DeleteCase {
    const char* name;
    const char* list;          // the list the current row is taken from
    const char* firstValue;    // column, value of the row made current
    const char* keyColumn;
    const char* remainingRows; // counted after the delete
    const char* linesLeft;     // T_BillDetail rows left
    void (*run)(Session&, TADOQuery* list, TADOQuery* helper);
};

const DeleteCase kCases[] = {
    {"goods G0001 and its two bill lines", "select * from Goods", "G0001", "GoodsCode", "select count(*) from Goods",
     "1", [](Session& s, TADOQuery* list, TADOQuery* helper) { DeleteGoodsWithLines(s.connection, list, helper); }},
    {"bill XS20240520-01 and its two lines", "select * from T_Bill", "XS20240520-01", "BillCode",
     "select count(*) from T_Bill", "1",
     [](Session& s, TADOQuery* list, TADOQuery* helper) { DeleteBillWithLines(s.connection, list, helper); }},
};

TEST(MainDeletes, RowAndItsBillLinesGoTogether) {
    for (const DeleteCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const String file = folder.File("Custom.mdb");
        BuildShippedDatabase(file);
        Session s(file);
        s.query->SQL()->Add(c.list);
        s.query->Open();
        ASSERT_TRUE(s.query->Locate(c.keyColumn, c.firstValue, {}));
        c.run(s, s.query, s.NewQuery());
        EXPECT_EQ(Count(s, c.remainingRows), "1");
        EXPECT_EQ(Count(s, "select count(*) from T_BillDetail"), c.linesLeft);
        EXPECT_EQ(s.query->RecordCount(), 1);
        EXPECT_FALSE(s.connection->InTransaction());
    }
}

TEST(MainDeletes, AFailureRollsEverythingBackAndRereadsTheList) {
    // A failure after the first half of the work: the lines' delete (goods) or the bill's own delete
    // (bill) went through inside the transaction, the second statement fails.
    const char* const failures[] = {
        "create trigger refuse before delete on Goods begin select raise(abort, 'refused'); end",
        "create trigger refuse before delete on T_BillDetail begin select raise(abort, 'refused'); end",
    };
    for (int i = 0; i < 2; ++i) {
        const DeleteCase& c = kCases[i];
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const String file = folder.File("Custom.mdb");
        BuildShippedDatabase(file);
        Session s(file);
        s.connection->Execute(failures[i]);
        s.query->SQL()->Add(c.list);
        s.query->Open();
        ASSERT_TRUE(s.query->Locate(c.keyColumn, c.firstValue, {}));
        EXPECT_THROW(c.run(s, s.query, s.NewQuery()), EADOError);
        EXPECT_EQ(Count(s, c.remainingRows), "2");
        EXPECT_EQ(Count(s, "select count(*) from T_BillDetail"), "3");
        // The list shows what the file holds, and the connection is out of its transaction.
        EXPECT_TRUE(s.query->Active());
        EXPECT_EQ(s.query->RecordCount(), 2);
        EXPECT_FALSE(s.connection->InTransaction());
    }
}

TEST(MainDeletes, AQuoteInTheCodeDeletesOnlyItsOwnLines) {
    TempFolder folder;
    const String file = folder.File("Custom.mdb");
    BuildShippedDatabase(file);
    Session s(file);
    s.connection->Execute("insert into Goods (GoodsCode, GoodsName) values ('G''9', '引号')");
    s.connection->Execute("insert into T_BillDetail (BillCode, GoodsCode) values ('B9', 'G''9')");
    s.query->SQL()->Add("select * from Goods");
    s.query->Open();
    ASSERT_TRUE(s.query->Locate("GoodsCode", "G'9", {}));
    DeleteGoodsWithLines(s.connection, s.query, s.NewQuery());
    EXPECT_EQ(Count(s, "select count(*) from T_BillDetail"), "3");
    EXPECT_EQ(Count(s, "select count(*) from Goods"), "2");
}

TEST(MainLists, ContactsOfEveryoneWithRight8ElseTheOperatorsOwn) {
    EXPECT_EQ(ContactListSql(true, "李明"), "Select * from Contact order by ContactID");
    EXPECT_EQ(ContactListSql(false, "李明"), "Select * from Contact where F_User='李明'");
    EXPECT_EQ(ContactListSql(false, "O'Neil"), "Select * from Contact where F_User='O''Neil'");
}

}  // namespace
