// The data side of the data-aware controls against a real data set: the field link (bound and
// data-independent) and the check box's and keyed combo box's value rules.
#include "DBCtrlsEh.h"

#include "DbTestSupport.h"
#include "Lists.h"

using namespace dbtest;

namespace {

const char* kScript = R"(
CREATE TABLE people (id INTEGER PRIMARY KEY, name TEXT(30), sex VARCHAR(1), active BOOLEAN, answer VARCHAR(5),
                     note LONGTEXT);
INSERT INTO people VALUES (1, 'Ann', 'F', 1, 'y', 'one'), (2, 'Bob', 'M', 0, 'no', NULL),
    (3, 'Cy', NULL, NULL, NULL, NULL), (4, 'Di', 'X', 1, 'maybe', NULL);
)";

class DBCtrlsData : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("people.mdb");
        BuildDatabase(path_, {{"people.sql", kScript}});
        session_ = std::make_unique<Session>(path_);
        q = session_->query;
        OpenQuery(q, "select * from people order by id");
        source = New<TDataSource>(nullptr);
        source->SetDataSet(q);
        link.OnDataChange = Event<&DBCtrlsData::DataChange>(this);
        link.OnUpdateData = Event<&DBCtrlsData::UpdateData>(this);
        link.OnEditingChange = Event<&DBCtrlsData::EditingChange>(this);
    }
    void TearDown() override {
        link.SetLinkDataSource(nullptr);
        source->Free();
    }
    void DataChange(TObject*) { trace += "data "; }
    void UpdateData(TObject*) {
        trace += "update ";
        if (!pending.empty()) link.SetText(pending);
    }
    void EditingChange(TObject*) { trace += "editing "; }
    int Count(const String& where) {
        TADOQuery* check = session_->NewQuery();
        OpenQuery(check, "select count(*) as n from people where " + where);
        return check->FieldByName("n")->AsInteger();
    }

    TempFolder folder_;
    String path_;
    std::unique_ptr<Session> session_;
    TADOQuery* q = nullptr;
    TDataSource* source = nullptr;
    TFieldDataLinkEh link;
    String trace;
    String pending;
};

TEST_F(DBCtrlsData, ALinkWithoutSourceAndFieldKeepsItsOwnValue) {
    EXPECT_TRUE(link.DataIndependent());
    EXPECT_TRUE(link.LinkActive());
    EXPECT_TRUE(VarIsNull(link.DataIndependentValue()));
    link.SetText("typed");
    EXPECT_EQ(VarToStr(link.DataIndependentValue()), "typed");
    EXPECT_EQ(trace, "data ");
    // Editing, modified and posting: the update runs only when modified and ends the edit.
    trace.clear();
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(trace, "editing ");
    link.UpdateDataNow();
    EXPECT_EQ(trace, "editing ");
    EXPECT_FALSE(link.Editing());  // an update ends the edit
    link.Edit();
    link.SetModified();
    link.UpdateDataNow();
    EXPECT_EQ(trace, "editing editing update ");
    EXPECT_FALSE(link.Editing());
    EXPECT_FALSE(link.Modified());
    // A read-only link does not start editing.
    link.SetReadOnly(true);
    EXPECT_FALSE(link.Edit());
    link.SetReadOnly(false);
    // Naming a field binds it: the own value goes back to Null, and comes back Null when unbound.
    link.SetValue(Variant(5));
    link.SetFieldName("name");
    EXPECT_FALSE(link.DataIndependent());
    EXPECT_FALSE(link.LinkActive());  // no source yet
    link.SetFieldName("");
    EXPECT_TRUE(link.DataIndependent());
    EXPECT_TRUE(VarIsNull(link.DataIndependentValue()));
}

TEST_F(DBCtrlsData, ABoundLinkFollowsTheRowAndWritesTheTextBack) {
    link.SetFieldName("name");
    link.SetLinkDataSource(source);
    ASSERT_EQ(link.Field(), q->FieldByName("name"));
    EXPECT_TRUE(link.LinkActive());
    trace.clear();
    q->Next();
    EXPECT_EQ(trace, "data ");  // the control shows the new row
    EXPECT_FALSE(link.Editing());
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(q->State(), dsEdit);
    // A change of another field of the row is not ours.
    trace.clear();
    q->FieldByName("sex")->SetAsString("F");
    EXPECT_EQ(trace, "");
    link.SetModified();
    pending = "Robert";
    q->Post();  // the record update asks the control for its data first
    EXPECT_NE(trace.find("update "), String::npos);
    EXPECT_EQ(Count("id = 2 and name = 'Robert' and sex = 'F'"), 1);
    // A memo takes its text as it is; a read-only data set cannot be edited.
    link.SetFieldName("note");
    q->Edit();
    link.SetText("line");
    q->Post();
    EXPECT_EQ(Count("id = 2 and note = 'line'"), 1);
    link.SetReadOnly(true);
    EXPECT_FALSE(link.CanModify());
    EXPECT_FALSE(link.Edit());
}

TEST_F(DBCtrlsData, SeveralFieldsTakeOneValueEachAndAWrongShapeChangesNothing) {
    link.SetMultiFields(true);
    link.SetFieldName("name;sex");
    link.SetLinkDataSource(source);
    ASSERT_EQ(link.Fields().size(), 2u);
    q->Edit();
    link.SetValue(VarArrayOf({Variant("Zed"), Variant("M")}));
    EXPECT_EQ(q->FieldByName("name")->AsString(), "Zed");
    EXPECT_EQ(q->FieldByName("sex")->AsString(), "M");
    EXPECT_THROW(link.SetValue(Variant("lone")), EDatabaseError);
    EXPECT_THROW(link.SetValue(VarArrayOf({Variant("a"), Variant("b"), Variant("c")})), EDatabaseError);
    EXPECT_EQ(q->FieldByName("name")->AsString(), "Zed");
    link.SetValue(Variant());
    EXPECT_TRUE(q->FieldByName("name")->IsNull());
    EXPECT_TRUE(q->FieldByName("sex")->IsNull());
    q->Cancel();
}

TEST_F(DBCtrlsData, CheckBoxStateFromTheDataAndWhatItPosts) {
    struct Case {
        int id;
        const char* field;
        const char* checked;
        const char* unchecked;
        TCheckBoxState state;
    } cases[] = {
        {1, "active", "True", "False", cbChecked},  {2, "active", "True", "False", cbUnchecked},
        {3, "active", "True", "False", cbGrayed},   {1, "answer", "Yes;Y", "No;N", cbChecked},
        {2, "answer", "Yes;Y", "No;N", cbUnchecked}, {4, "answer", "Yes;Y", "No;N", cbGrayed},
        {1, "answer", "y", "n", cbChecked},         {3, "answer", "Yes;Y", "No;N", cbGrayed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + c.field);
        ASSERT_TRUE(q->Locate("id", Variant(c.id), 0));
        EXPECT_EQ(CheckBoxStateOfField(q->FieldByName(c.field), c.checked, c.unchecked), c.state);
    }
    // Posting: the first entry of the list; grayed clears; a Boolean takes the flag.
    q->Locate("id", Variant(4), 0);
    q->Edit();
    PostCheckBoxState(q->FieldByName("answer"), cbChecked, "Yes;Y", "No;N");
    PostCheckBoxState(q->FieldByName("active"), cbUnchecked, "True", "False");
    q->Post();
    EXPECT_EQ(Count("id = 4 and answer = 'Yes' and active = 0"), 1);
    q->Edit();
    PostCheckBoxState(q->FieldByName("answer"), cbGrayed, "Yes;Y", "No;N");
    q->Post();
    EXPECT_EQ(Count("id = 4 and answer is null"), 1);

    EXPECT_EQ(CheckBoxStateOfValue(Variant(true)), cbChecked);
    EXPECT_EQ(CheckBoxStateOfValue(Variant(false)), cbUnchecked);
    EXPECT_EQ(CheckBoxStateOfValue(Variant()), cbGrayed);
    EXPECT_EQ(CheckBoxStateOfValue(Variant("True")), cbGrayed);
    EXPECT_TRUE(VarIsNull(CheckBoxStateValue(cbGrayed)));
    EXPECT_TRUE(CheckBoxStateValue(cbChecked).AsBoolean());

    // The click cycle with and without the grayed state.
    EXPECT_EQ(NextCheckBoxState(cbUnchecked, false), cbChecked);
    EXPECT_EQ(NextCheckBoxState(cbUnchecked, true), cbGrayed);
    EXPECT_EQ(NextCheckBoxState(cbGrayed, true), cbChecked);
    EXPECT_EQ(NextCheckBoxState(cbChecked, true), cbUnchecked);
}

TEST(DBComboValues, KeyedItemsMapValuesToTextsAndStepAndComplete) {
    TStringList items, keys;
    for (const char* s : {"Male", "Female", "Other"}) items.Add(s);
    for (const char* s : {"M", "F"}) keys.Add(s);
    EXPECT_EQ(ComboUsableCount(&items, &keys), 2);  // the shorter list decides
    EXPECT_EQ(ComboUsableCount(&items, nullptr), 3);
    EXPECT_EQ(ComboIndexOfKey(&items, &keys, Variant("F")), 1);
    EXPECT_EQ(ComboIndexOfKey(&items, &keys, Variant("X")), -1);
    EXPECT_EQ(ComboIndexOfKey(&items, &keys, Variant()), -1);

    EXPECT_EQ(ComboLocate(&items, 3, "fem", true), 1);
    EXPECT_EQ(ComboLocate(&items, 3, "fem", false), -1);
    EXPECT_EQ(ComboLocate(&items, 3, "FEMALE", false), 1);
    EXPECT_EQ(ComboLocate(&items, 2, "oth", true), -1);  // beyond the usable items

    EXPECT_EQ(ComboStep(-1, 3, false), 2);  // Up with nothing chosen: the last
    EXPECT_EQ(ComboStep(2, 3, true), 2);    // Down on the last: unchanged
    EXPECT_EQ(ComboStep(0, 3, false), 0);
    EXPECT_EQ(ComboStep(-1, 3, true), 0);
    EXPECT_EQ(ComboStep(-1, 0, true), -1);

    EXPECT_EQ(ComboDropDownWidth(-1, 50, 80, 0), 85);
    EXPECT_EQ(ComboDropDownWidth(-1, 50, 80, 16), 105);
    EXPECT_EQ(ComboDropDownWidth(-1, 100, 20, 0), 100);
    EXPECT_EQ(ComboDropDownWidth(70, 50, 0, 0), 70);
    EXPECT_EQ(ComboDropDownWidth(30, 50, 0, 0), 50);
    EXPECT_EQ(ComboDropDownWidth(0, 50, 200, 0), 50);
}

TEST(DBEditButtonLayout, ButtonsGoFromTheRightEdgeInwardsWithTheMainOneInnermost) {
    struct Case {
        const char* name;
        std::vector<TEditButtonSlotEh> buttons;  // the main button first
        int clientWidth, clientHeight;
        bool flat, rightToLeft;
        int total;
        std::vector<TEditButtonPlaceEh> places;  // left, width, height
    };
    // Default widths: 11 for a flat edit, 17 (the scroll bar) otherwise.
    const Case cases[] = {
        {"the main button alone, at the right edge, as high as the client", {{true, 0}}, 100, 17, false, false, 17,
         {{83, 17, 17}}},
        {"a hidden main button takes no room", {{false, 0}, {true, 20}}, 100, 17, false, false, 20,
         {{80, 0, 0}, {80, 20, 17}}},
        {"the last button outermost, the main one innermost", {{true, 0}, {true, 10}, {true, 12}}, 100, 30, false,
         false, 39, {{61, 17, 10}, {78, 10, 10}, {88, 12, 10}}},
        {"every button takes the smallest height of the visible ones", {{true, 0}, {true, 30}}, 100, 40, true, false,
         41, {{59, 11, 16}, {70, 30, 16}}},
        {"right-to-left from the left edge", {{true, 0}, {true, 10}}, 100, 17, false, true, 27,
         {{10, 17, 10}, {0, 10, 10}}},
        {"no visible button: no room", {{false, 0}}, 100, 17, true, false, 0, {{100, 0, 0}}},
    };
    for (const Case& c : cases) {
        std::vector<TEditButtonPlaceEh> places;
        const int total = LayoutEditButtons(c.buttons, c.clientWidth, c.clientHeight, c.flat, c.rightToLeft, 11, 17,
                                            places);
        EXPECT_EQ(total, c.total) << c.name;
        ASSERT_EQ(places.size(), c.places.size()) << c.name;
        for (std::size_t i = 0; i < places.size(); ++i) {
            EXPECT_EQ(places[i].Left, c.places[i].Left) << c.name << " button " << i;
            EXPECT_EQ(places[i].Width, c.places[i].Width) << c.name << " button " << i;
            EXPECT_EQ(places[i].Height, c.places[i].Height) << c.name << " button " << i;
        }
    }
}

TEST(DBEditButtonLayout, AutoSizedHeightFollowsTextBorderAndImage) {
    struct Case {
        int text, image;
        bool useImage;
        int border;
        bool ctl3D, flat;
        int height;
    };
    const Case cases[] = {
        {13, 0, false, 1, true, false, 21},   // 3-D: eight borders
        {13, 0, false, 1, true, true, 19},    // 3-D and flat: six
        {13, 0, false, 1, false, false, 19},  // neither: six
        {13, 0, false, 1, false, true, 17},   // flat only: four
        {13, 20, true, 1, true, false, 28},   // a taller image counts with UseImageHeight
        {13, 20, false, 1, true, false, 21},  // ... and not without it
        {13, 10, true, 2, true, false, 29},   // a smaller image never counts
    };
    for (const Case& c : cases)
        EXPECT_EQ(DBEditAutoHeight(c.text, c.image, c.useImage, c.border, c.ctl3D, c.flat), c.height)
            << c.text << "/" << c.image << "/" << c.border << "/" << c.ctl3D << c.flat;
}

}  // namespace
