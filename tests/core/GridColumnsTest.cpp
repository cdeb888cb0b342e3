// The grid's columns: followed values and assigned flags, widths, field binding, display texts,
// check boxes, stepping values, Assign, and storing and restoring through a form description.
#include "GridTestSupport.h"

#include "Lists.h"

using namespace gridtest;

namespace {

std::unique_ptr<TStringList> Lines(std::initializer_list<const char*> lines) {
    auto list = std::make_unique<TStringList>();
    for (const char* line : lines) list->Add(line);
    return list;
}

TEST(GridColumns, ColumnWithoutGridReadsItsOwnDefaults) {
    auto columns = std::make_unique<TDBGridColumnsEh>(nullptr, TCollectionItemClass::Of<TDBGridColumnEh>());
    TColumnEh* column = columns->Add();
    EXPECT_EQ(column->Width(), 64);
    EXPECT_EQ(column->Color(), clWindow);
    EXPECT_EQ(column->Title()->Color(), clBtnFace);
    EXPECT_EQ(column->Alignment(), taLeftJustify);
    EXPECT_FALSE(column->WordWrap());
    EXPECT_FALSE(column->AlwaysShowEditButton());
    EXPECT_EQ(column->Layout(), tlTop);
    EXPECT_TRUE(column->Stored());
    EXPECT_TRUE(columns->Customized());
}

TEST(GridColumns, ReadersFollowTheFieldTheGridAndTheDefaultsUntilAssigned) {
    GridDb db;
    TTestGridEh* grid = db.grid;
    struct Row {
        const char* field;
        TAlignment alignment;
        bool wordWrap;
        bool checkboxes;
        int width;  // (8 * DisplayWidth) + 4 with the fixture's metrics
    };
    const Row rows[] = {
        {"code", taRightJustify, false, false, 8 * 11 + 4},
        {"name", taLeftJustify, true, false, 8 * 20 + 4},
        {"flag", taLeftJustify, false, true, 8 * 5 + 4},
        {"note", taLeftJustify, true, false, 8 * 10 + 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.field);
        TColumnEh* column = grid->Core()->Columns()->Add();
        column->SetFieldName(row.field);
        ASSERT_NE(column->Field(), nullptr);
        EXPECT_EQ(column->Alignment(), row.alignment);
        EXPECT_EQ(column->WordWrap(), row.wordWrap);
        EXPECT_EQ(column->Checkboxes(), row.checkboxes);
        EXPECT_EQ(column->Width(), row.width);
        EXPECT_EQ(column->Title()->Caption(), row.field);
        EXPECT_TRUE(column->AssignedValues().Empty());
    }

    TColumnEh* column = grid->Core()->Columns()->ColumnAt(0);
    // The grid's colour and the defaults are followed while not assigned...
    grid->color = clYellow;
    grid->fixedColor = clGray;
    grid->Core()->ColumnDefValues()->SetAlwaysShowEditButton(true);
    grid->Core()->ColumnDefValues()->SetLayout(tlCenter);
    EXPECT_EQ(column->Color(), clYellow);
    EXPECT_EQ(column->Title()->Color(), clGray);
    EXPECT_TRUE(column->AlwaysShowEditButton());
    EXPECT_EQ(column->Layout(), tlCenter);
    grid->Core()->SetReadOnly(true);
    EXPECT_TRUE(column->ReadOnly());
    // ...and no longer once assigned.
    column->SetColor(clRed);
    column->SetAlwaysShowEditButton(false);
    column->SetReadOnly(false);
    grid->color = clAqua;
    grid->Core()->ColumnDefValues()->SetAlwaysShowEditButton(true);
    EXPECT_EQ(column->Color(), clRed);
    EXPECT_FALSE(column->AlwaysShowEditButton());
    EXPECT_FALSE(column->ReadOnly());
    EXPECT_TRUE(column->AssignedValues().Contains(cvColor));
    EXPECT_FALSE(column->AssignedValues().Contains(cvLayout));

    // A caption follows a DisplayLabel set after the field name.
    column->Field()->SetDisplayLabel("编号");
    EXPECT_EQ(column->Title()->Caption(), "编号");

    column->ResetToDefaults();
    EXPECT_TRUE(column->AssignedValues().Empty());
    EXPECT_EQ(column->Color(), clAqua);
}

TEST(GridColumns, FontFollowsTheGridUntilChanged) {
    GridDb db;
    TColumnEh* column = db.grid->Core()->Columns()->Add();
    db.grid->GridFont()->SetName("Arial");
    EXPECT_EQ(column->Font()->Name(), "Arial");
    EXPECT_FALSE(column->AssignedValues().Contains(cvFont));  // reading does not assign
    column->Font()->SetHeight(-20);
    EXPECT_TRUE(column->AssignedValues().Contains(cvFont));
    db.grid->GridFont()->SetName("Tahoma");
    EXPECT_EQ(column->Font()->Name(), "Arial");
    // The title font follows the grid's title font, not the column's.
    db.grid->Core()->TitleFont()->SetName("Verdana");
    EXPECT_EQ(column->Title()->Font()->Name(), "Verdana");
}

TEST(GridColumns, WidthIsBoundedAndMinusOneOnlyNotifies) {
    GridDb db;
    TColumnEh* column = db.grid->Core()->Columns()->Add();
    struct Row {
        const char* name;
        int maxWidth, minWidth, width, expected;
    };
    const Row rows[] = {
        {"above max", 200, 0, 300, 200},
        {"below min", 0, 50, 10, 50},
        {"no upper bound", 0, 0, 5000, 5000},
        {"inside", 200, 50, 120, 120},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        column->SetMaxWidth(0);
        column->SetMinWidth(0);
        column->SetWidth(100);
        column->SetMaxWidth(row.maxWidth);
        column->SetMinWidth(row.minWidth);
        column->SetWidth(row.width);
        EXPECT_EQ(column->Width(), row.expected);
        EXPECT_EQ(db.grid->colWidths[column->Index() + db.grid->IndicatorOffset()], row.expected);
    }
    const int before = db.grid->columnUpdates;
    column->SetWidth(-1);
    EXPECT_EQ(column->Width(), 120);
    EXPECT_EQ(db.grid->columnUpdates, before + 1);

    // Lowering MaxWidth below the width narrows the column.
    column->SetMaxWidth(90);
    EXPECT_EQ(column->Width(), 90);
    EXPECT_EQ(column->BoundedWidth(500), 90);
}

TEST(GridColumns, DefaultColumnKeepsDefaultWidthDuringLinkLayoutButMovesTheFieldWidth) {
    GridDb db;
    db.grid->hasWindow = true;
    db.grid->Core()->RebuildColumns();
    ASSERT_FALSE(db.grid->Core()->Columns()->Customized());
    TColumnEh* name = nullptr;
    for (int i = 0; i < db.grid->Core()->Columns()->Count(); ++i)
        if (db.grid->Core()->Columns()->ColumnAt(i)->FieldName() == "name") name = db.grid->Core()->Columns()->ColumnAt(i);
    ASSERT_NE(name, nullptr);
    EXPECT_FALSE(name->Stored());

    bool inLinkLayout = false;
    db.grid->onLayout = [&] {
        inLinkLayout = db.grid->Core()->LayoutFromDataLink();
        if (inLinkLayout) name->SetWidth(100);
    };
    db.query->FieldByName("name")->SetDisplayLabel("Name");  // the link relayouts the grid
    db.grid->onLayout = nullptr;
    ASSERT_TRUE(inLinkLayout);
    EXPECT_FALSE(name->AssignedValues().Contains(cvWidth));
    EXPECT_EQ(db.query->FieldByName("name")->DisplayWidth(), (100 + 7 / 2 - 0 - 3) / 8);
    EXPECT_EQ(name->Width(), 8 * 12 + 4);  // the default width, from the field's new width
}

TEST(GridColumns, DisplayTextFollowsListsFormatsAndMemoSetting) {
    GridDb db;
    TColumnEh* status = db.grid->Core()->Columns()->Add();
    status->SetFieldName("status");
    auto keys = Lines({"1", "2", "3"});
    auto picks = Lines({"one", "two", "three", "other"});
    status->SetKeyList(keys.get());
    status->SetPickList(picks.get());
    TColumnEh* price = db.grid->Core()->Columns()->Add();
    price->SetFieldName("price");
    price->SetDisplayFormat("0.00");
    TColumnEh* born = db.grid->Core()->Columns()->Add();
    born->SetFieldName("born");
    born->SetDisplayFormat("dd.mm.yyyy");
    TColumnEh* note = db.grid->Core()->Columns()->Add();
    note->SetFieldName("note");

    struct Row {
        int id;
        int notInKeyListIndex;
        const char* status;
        const char* price;
        const char* born;
    };
    const Row rows[] = {
        {1, -1, "one", "10.50", "03.02.2001"},
        {2, -1, "two", "", ""},
        {3, -1, "three", "3.00", "31.12.1999"},
        {4, -1, "", "20.00", ""},       // not in the key list
        {4, 3, "other", "20.00", ""},   // ... shown through NotInKeyListIndex
        {4, 9, "", "20.00", ""},        // ... which must lie inside the pick list
        {9, -1, "", "", ""},            // a price that is no number shows as Null
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        db.GoTo(row.id);
        status->SetNotInKeyListIndex(row.notInKeyListIndex);
        EXPECT_EQ(status->DisplayText(), row.status);
        EXPECT_EQ(price->DisplayText(), row.price);
        EXPECT_EQ(born->DisplayText(), row.born);
        EXPECT_EQ(status->GetColumnType(), ctKeyPickList);
    }
    db.GoTo(1);
    EXPECT_EQ(note->DisplayText(), db.query->FieldByName("note")->DisplayText());
    db.grid->Core()->SetDrawMemoText(true);
    EXPECT_EQ(note->DisplayText(), "first\nline");
}

TEST(GridColumns, ImageIndexComesFromTheListsOrTheInteger) {
    GridDb db;
    TColumnEh* code = db.grid->Core()->Columns()->Add();
    code->SetFieldName("code");
    TColumnEh* status = db.grid->Core()->Columns()->Add();
    status->SetFieldName("status");
    auto keys = Lines({"1", "2"});
    status->SetKeyList(keys.get());
    status->SetNotInKeyListIndex(5);
    db.GoTo(2);
    EXPECT_EQ(code->GetImageIndex(), 2);
    EXPECT_EQ(status->GetImageIndex(), 1);
    db.GoTo(3);
    EXPECT_EQ(status->GetImageIndex(), 5);
}

TEST(GridColumns, CheckboxStateReadsKeyLinesAndBooleans) {
    GridDb db;
    TColumnEh* status = db.grid->Core()->Columns()->Add();
    status->SetFieldName("status");
    status->SetCheckboxes(true);
    auto keys = Lines({"Y;y;1", "N;n;0"});
    status->SetKeyList(keys.get());
    TColumnEh* flag = db.grid->Core()->Columns()->Add();
    flag->SetFieldName("flag");
    flag->SetKeyList(keys.get());  // ignored for a Boolean field

    struct Row {
        int id;
        TCheckBoxState status;
        TCheckBoxState flag;
    };
    const Row rows[] = {
        {1, cbChecked, cbChecked},    {2, cbGrayed, cbUnchecked}, {3, cbGrayed, cbGrayed},
        {4, cbChecked, cbChecked},    {5, cbChecked, cbUnchecked}, {6, cbUnchecked, cbChecked},
        {7, cbGrayed, cbUnchecked},   {8, cbGrayed, cbChecked},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        db.GoTo(row.id);
        EXPECT_EQ(status->CheckboxState(), row.status);
        EXPECT_EQ(flag->CheckboxState(), row.flag);
    }
    EXPECT_EQ(status->GetColumnType(), ctCheckboxes);
}

TEST(GridColumns, NextValueWrapsListsAndStepsNumbers) {
    GridDb db;
    TColumnEh* name = db.grid->Core()->Columns()->Add();
    name->SetFieldName("name");
    auto picks = Lines({"alpha", "bravo", "zulu"});
    name->SetPickList(picks.get());
    TColumnEh* price = db.grid->Core()->Columns()->Add();
    price->SetFieldName("price");
    TColumnEh* flag = db.grid->Core()->Columns()->Add();
    flag->SetFieldName("flag");

    db.GoTo(1);
    name->NextValue(1);
    EXPECT_EQ(db.query->FieldByName("name")->AsString(), "bravo");
    name->NextValue(-1);
    name->NextValue(-1);  // back from the first wraps to the last
    EXPECT_EQ(db.query->FieldByName("name")->AsString(), "zulu");
    name->NextValue(1);  // forward from the last wraps to the first
    EXPECT_EQ(db.query->FieldByName("name")->AsString(), "alpha");
    flag->NextValue(1);
    EXPECT_FALSE(db.query->FieldByName("flag")->AsBoolean());
    db.query->Post();

    db.GoTo(2);  // price is Null
    price->NextValue(2.5);
    EXPECT_DOUBLE_EQ(db.query->FieldByName("price")->AsFloat(), 2.5);
    db.query->Post();
    db.GoTo(9);  // price holds text: counted as Null
    price->NextValue(1);
    EXPECT_DOUBLE_EQ(db.query->FieldByName("price")->AsFloat(), 1.0);
    db.query->Cancel();

    // A read-only grid changes nothing.
    db.grid->Core()->SetReadOnly(true);
    db.GoTo(1);
    name->NextValue(1);
    EXPECT_EQ(db.query->FieldByName("name")->AsString(), "alpha");
    EXPECT_EQ(db.query->State(), dsBrowse);
}

TEST(GridColumns, AssignCopiesOnlyAssignedValues) {
    GridDb db;
    TColumnEh* source = db.grid->Core()->Columns()->Add();
    source->SetFieldName("name");
    source->SetWidth(77);
    source->Title()->SetCaption("Name");
    source->SetButtonStyle(cbsEllipsis);
    TColumnEh* target = db.grid->Core()->Columns()->Add();
    target->Assign(source);
    EXPECT_EQ(target->FieldName(), "name");
    EXPECT_EQ(target->Width(), 77);
    EXPECT_EQ(target->Title()->Caption(), "Name");
    EXPECT_EQ(target->ButtonStyle(), cbsEllipsis);
    EXPECT_FALSE(target->AssignedValues().Contains(cvColor));
    db.grid->color = clLime;
    EXPECT_EQ(target->Color(), clLime);
}

TEST(GridColumns, ColumnsAreStoredWithDifferingValuesOnlyAndReadBack) {
    RegisterTestGridClasses();
    auto source = std::unique_ptr<TTestGridEh>(New<TTestGridEh>(nullptr));
    TColumnEh* a = source->Core()->Columns()->Add();
    a->SetFieldName("name");
    a->SetWidth(120);
    a->SetColor(clWindow);  // assigned, but equal to what it follows
    a->Title()->SetCaption("姓名 'A'");
    a->Title()->SetTitleButton(true);
    a->Footer()->SetValueType(fvtSum);
    a->SetAlwaysShowEditButton(true);
    a->SetButtonStyle(cbsEllipsis);
    auto picks = Lines({"x", "y"});
    a->SetPickList(picks.get());
    a->EditButtons()->Add()->SetStyle(ebsPlusEh);
    TColumnEh* b = source->Core()->Columns()->Add();
    b->SetFieldName("code");
    b->SetVisible(false);
    b->Title()->SetSortMarker(smUpEh);

    const String text = source->Core()->Columns()->WriteColumnsText();
    EXPECT_EQ(text.find("Color"), String::npos) << text;
    EXPECT_EQ(text.find("Alignment"), String::npos) << text;
    EXPECT_NE(text.find("Width = 120"), String::npos) << text;
    EXPECT_NE(text.find("Visible = False"), String::npos) << text;

    const String form = "object F: TTestGridFormEh\n  object G: TTestGridEh\n    Columns = " + text + "\n  end\nend\n";
    auto root = std::unique_ptr<TTestGridFormEh>(New<TTestGridFormEh>(nullptr));
    ReadForm(root.get(), form, "columns");
    auto* grid = dynamic_cast<TTestGridEh*>(root->FindComponent("G"));
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->Core()->Columns()->Count(), 2);
    TColumnEh* ra = grid->Core()->Columns()->ColumnAt(0);
    TColumnEh* rb = grid->Core()->Columns()->ColumnAt(1);
    EXPECT_EQ(ra->FieldName(), "name");
    EXPECT_EQ(ra->Width(), 120);
    EXPECT_FALSE(ra->AssignedValues().Contains(cvColor));
    EXPECT_EQ(ra->Title()->Caption(), "姓名 'A'");
    EXPECT_TRUE(ra->Title()->TitleButton());
    EXPECT_EQ(ra->Footer()->ValueType(), fvtSum);
    EXPECT_TRUE(ra->AlwaysShowEditButton());
    EXPECT_EQ(ra->ButtonStyle(), cbsEllipsis);
    ASSERT_EQ(ra->PickList()->Count(), 2);
    EXPECT_EQ(ra->PickList()->Get(1), "y");
    ASSERT_EQ(ra->EditButtons()->Count(), 1);
    EXPECT_EQ(ra->EditButtons()->Items(0)->Style(), ebsPlusEh);
    EXPECT_TRUE(ra->EditButtons()->Items(0)->Visible());
    EXPECT_FALSE(rb->Visible());
    EXPECT_EQ(rb->Title()->SortMarker(), smUpEh);
    EXPECT_TRUE(rb->Stored());
    // Loading rebuilt the sort list from the stored SortIndex.
    ASSERT_EQ(grid->Core()->SortMarkedColumnList()->Count(), 1);
    EXPECT_EQ(grid->Core()->SortMarkedColumnList()->ColumnAt(0), rb);
    // Writing again gives the same text.
    EXPECT_EQ(grid->Core()->Columns()->WriteColumnsText(), text);
}

TEST(GridColumns, ColumnsIndexReordersByFieldNameAndSkipsUnknownNames) {
    GridDb db;
    for (const char* name : {"code", "name", "price"}) db.grid->Core()->Columns()->Add()->SetFieldName(name);
    RegisterTestGridClasses();
    auto interceptor = std::unique_ptr<TStoragePropertyInterceptor>(
        TStoragePropertyInterceptorClass::Of<TColumnsEhPropertyInterceptor>().Create(db.grid->Core()->Columns()));
    EXPECT_EQ(GetStrProp(interceptor.get(), "ColumnsIndex"), "\"code\",\"name\",\"price\"");
    SetStrProp(interceptor.get(), "ColumnsIndex", "\"price\",\"nosuch\",\"code\"");
    EXPECT_EQ(db.grid->Core()->Columns()->ColumnsIndex(), "\"price\",\"name\",\"code\"");
}

TEST(GridColumns, WidthInterceptorReadsTheBaseWidthUnderAutoFit) {
    GridDb db;
    TColumnEh* column = db.grid->Core()->Columns()->Add();
    column->SetWidth(90);
    TColumnEhPropertyInterceptor interceptor(column);
    EXPECT_EQ(interceptor.Width(), 90);
    db.grid->Core()->SetAutoFitColWidths(true);
    column->SetAutoFitBaseWidth(40);
    EXPECT_EQ(interceptor.Width(), 40);
}

TEST(GridColumns, FootersGoWithTheirAggregateItems) {
    GridDb db;
    TColumnEh* column = db.grid->Core()->Columns()->Add();
    column->Footers()->Add();
    column->Footers()->Add();
    TColumnFooterEh* own = column->Footer();
    TColumnFooterEh* first = column->Footers()->Items(0);
    EXPECT_EQ(column->FooterForRow(1), column->Footers()->Items(1));
    EXPECT_EQ(column->FooterForRow(5), own);
    db.grid->Core()->Columns()->Clear();
    ASSERT_EQ(db.grid->destroyedFooters.size(), 3u);
    EXPECT_NE(std::find(db.grid->destroyedFooters.begin(), db.grid->destroyedFooters.end(), own),
              db.grid->destroyedFooters.end());
    EXPECT_NE(std::find(db.grid->destroyedFooters.begin(), db.grid->destroyedFooters.end(), first),
              db.grid->destroyedFooters.end());
}

TEST(GridColumns, AutoFitWidthChangeScalesBaseWidthsAndSurvivesAZeroGridWidth) {
    GridDb db;
    db.grid->Core()->SetAutoFitColWidths(true);
    TColumnEh* left = db.grid->Core()->Columns()->Add();
    TColumnEh* right = db.grid->Core()->Columns()->Add();
    left->SetAutoFitBaseWidth(100);
    right->SetAutoFitBaseWidth(100);
    db.grid->colWidths[1] = 0;  // a grid column of width 0: nothing to scale from
    left->SetWidth(50);
    EXPECT_EQ(left->AutoFitBaseWidth(), 100);
    db.grid->colWidths[1] = 200;
    left->SetWidth(100);  // half the shown width: half the base, the rest to the right
    EXPECT_EQ(left->AutoFitBaseWidth(), 50);
    EXPECT_EQ(right->AutoFitBaseWidth(), 150);
}

TEST(GridColumns, ClosingTheDataSetUnbindsFieldsThatAreFreed) {
    GridDb db;
    TColumnEh* column = db.grid->Core()->Columns()->Add();
    column->SetFieldName("name");
    ASSERT_NE(column->Field(), nullptr);
    db.query->Close();  // default fields are freed
    EXPECT_EQ(column->Field(), nullptr);
    EXPECT_EQ(column->FieldName(), "name");
    db.query->Open();
    ASSERT_NE(column->Field(), nullptr);
    EXPECT_EQ(column->Field(), db.query->FieldByName("name"));
    // An unknown name leaves the column unbound, without an error.
    column->SetFieldName("nosuch");
    EXPECT_EQ(column->Field(), nullptr);
    EXPECT_EQ(column->DisplayText(), "");
}

TEST(GridColumns, DefaultColumnsFollowTheVisibleFields) {
    GridDb db;
    db.query->FieldByName("note")->SetVisible(false);
    db.grid->Core()->RebuildColumns();
    EXPECT_FALSE(db.grid->Core()->Columns()->Customized());
    ASSERT_EQ(db.grid->Core()->Columns()->Count(), db.query->FieldCount() - 1);
    EXPECT_EQ(db.grid->Core()->DataLink()->FieldCount(), db.query->FieldCount() - 1);
    // A stored column replaces them on the next rebuild.
    db.grid->Core()->Columns()->Clear();
    db.grid->Core()->Columns()->Add()->SetFieldName("name");
    db.grid->Core()->RebuildColumns();
    ASSERT_EQ(db.grid->Core()->Columns()->Count(), 1);
    EXPECT_TRUE(db.grid->Core()->Columns()->Customized());
    EXPECT_EQ(db.grid->Core()->DataLink()->MappedField(0), db.query->FieldByName("name"));
}

TEST(GridColumns, DropDownBoxOfAColumnWithoutALookupGridHasNothingToForward) {
    auto columns = std::make_unique<TDBGridColumnsEh>(nullptr, TCollectionItemClass::Of<TDBGridColumnEh>());
    TColumnEh* column = columns->Add();
    TColumnDropDownBoxEh* box = column->DropDownBox();
    ASSERT_EQ(ColumnLookupGridFactory(), nullptr);  // the controls' unit is not started here
    EXPECT_EQ(column->LookupGrid(), nullptr);
    EXPECT_EQ(box->GetOwner(), column);
    EXPECT_EQ(box->Columns(), nullptr);
    EXPECT_EQ(box->ColumnDefValues(), nullptr);
    EXPECT_TRUE(box->Options().Empty());
    EXPECT_FALSE(box->ColumnsStored());
    box->SetOptions(TDBLookupGridEhOptions{dlgRowLinesEh});  // ignored
    EXPECT_TRUE(box->Options().Empty());
    box->SetColumns(nullptr);
    EXPECT_TRUE(box->AutoFitColWidths());
    EXPECT_EQ(box->Rows(), 7);

    // Assign copies the plain settings; a column's Assign brings its box along.
    TColumnEh* other = columns->Add();
    other->DropDownBox()->SetRows(3);
    other->DropDownBox()->SetWidth(250);
    other->DropDownBox()->SetAutoFitColWidths(false);
    other->DropDownBox()->SetUseMultiTitle(true);
    box->Assign(other->DropDownBox());
    EXPECT_EQ(box->Rows(), 3);
    EXPECT_EQ(box->Width(), 250);
    EXPECT_FALSE(box->AutoFitColWidths());
    EXPECT_TRUE(box->UseMultiTitle());
    other->DropDownBox()->SetSizable(true);
    column->Assign(other);
    EXPECT_TRUE(column->DropDownBox()->Sizable());
}

}  // namespace
