// The grid's data link (field map, event forwarding, modified flag), what the core tells the grid
// that shows it, and the style's colour rules.
#include "GridTestSupport.h"

using namespace gridtest;

namespace {

TEST(GridDataLink, SparseMapKeepsUnknownNamesAsGaps) {
    GridDb db;
    TGridDataLinkEh* link = db.grid->Core()->DataLink();
    link->ClearMapping();
    link->SetSparseMap(true);
    for (const char* name : {"name", "nosuch", "price"}) link->MapField(name);
    ASSERT_EQ(link->FieldCount(), 3);
    EXPECT_EQ(link->MappedFieldIndex(0), db.query->FieldByName("name")->Index());
    EXPECT_EQ(link->MappedFieldIndex(1), -1);
    EXPECT_EQ(link->MappedFieldIndex(2), db.query->FieldByName("price")->Index());
    EXPECT_EQ(link->MappedField(1), nullptr);
    EXPECT_EQ(link->MappedField(3), nullptr);
    EXPECT_EQ(link->MappedField(-1), nullptr);
    EXPECT_EQ(link->MappedField(2), db.query->FieldByName("price"));
    EXPECT_FALSE(link->UsesDefaultFields());

    link->ClearMapping();
    link->SetSparseMap(false);
    EXPECT_THROW(link->MapField("nosuch"), EDatabaseError);
    link->MapField("name");
    EXPECT_TRUE(link->UsesDefaultFields());
}

TEST(GridDataLink, LongMapKeepsEveryEntryInOrder) {
    GridDb db;
    TGridDataLinkEh* link = db.grid->Core()->DataLink();
    link->ClearMapping();
    link->SetSparseMap(true);
    const char* names[] = {"code", "nosuch", "name", "price"};
    for (int i = 0; i < 40; ++i) link->MapField(names[i % 4]);
    ASSERT_EQ(link->FieldCount(), 40);
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE(i);
        TField* expected = i % 4 == 1 ? nullptr : db.query->FieldByName(names[i % 4]);
        EXPECT_EQ(link->MappedField(i), expected);
    }
    link->ClearMapping();
    EXPECT_EQ(link->FieldCount(), 0);
    EXPECT_EQ(link->MappedField(0), nullptr);
}

TEST(GridDataLink, LinkEventsReachTheGrid) {
    GridDb db;
    db.grid->Core()->DataLink()->SetBufferCount(3);
    const int layouts = db.grid->layouts;
    db.query->FieldByName("code")->SetDisplayLabel("Code");
    EXPECT_GT(db.grid->layouts, layouts);
    EXPECT_FALSE(db.grid->Core()->LayoutFromDataLink());  // restored after the layout
    // Closing drops the selection through LinkActiveChanged.
    db.GoTo(2);
    db.grid->Core()->SelectedRowBookmarks()->SetSelectedCurrentRow(true);
    db.query->Close();
    EXPECT_EQ(db.grid->Core()->SelectedRowBookmarks()->Count(), 0);
}

TEST(GridDataLink, ResetUndoesEditsOrCancels) {
    GridDb db;
    TGridDataLinkEh* link = db.grid->Core()->DataLink();
    db.GoTo(1);
    db.query->Edit();
    db.query->FieldByName("name")->SetAsString("changed");
    link->Reset();  // not modified by the grid: the data set cancels
    EXPECT_EQ(db.query->State(), dsBrowse);
    EXPECT_EQ(db.query->FieldByName("name")->AsString(), "alpha");
    link->SetModified();
    EXPECT_TRUE(link->Modified());
    link->Reset();  // modified: the grid's record is refreshed, nothing cancelled
    EXPECT_FALSE(link->Modified());
}

TEST(GridDataLink, MoveByAnswersTheDistanceMoved) {
    GridDb db;
    db.GoTo(3);
    EXPECT_EQ(db.grid->Core()->DataLink()->MoveBy(3), 3);
    EXPECT_EQ(db.query->RecNo(), 6);
    EXPECT_EQ(db.grid->Core()->DataLink()->MoveBy(5), 3);  // stops at the end
    EXPECT_EQ(db.query->RecNo(), 9);
}

// What the core tells the grid that shows it, and when.

// Whether `trace` is one or more rounds of "changing(a) layout changed(a) ": the host hears of a link
// change before the columns let go of their fields and again after the relayout.
bool LinkRounds(const String& trace, bool active) {
    const String round = active ? "changing(1) layout changed(1) " : "changing(0) layout changed(0) ";
    if (trace.empty() || trace.size() % round.size() != 0) return false;
    for (std::size_t at = 0; at < trace.size(); at += round.size())
        if (trace.compare(at, round.size(), round) != 0) return false;
    return true;
}

TEST(GridCoreHost, LinkChangesAreToldAroundTheRelayout) {
    GridDb db;
    TTestGridEh* grid = db.grid;
    grid->onLayout = [grid] { grid->trace += "layout "; };
    struct Row {
        const char* name;
        std::function<void()> act;
        bool sourceChange;  // told first, once
        bool active;
    };
    const Row rows[] = {
        {"close", [&] { db.query->Close(); }, false, false},
        {"open", [&] { db.query->Open(); }, false, true},
        {"drop source", [&] { grid->Core()->SetDataSource(nullptr); }, true, false},
        {"new source", [&] { grid->Core()->SetDataSource(db.source); }, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        grid->trace.clear();
        row.act();
        String rest = grid->trace;
        if (row.sourceChange) {
            ASSERT_EQ(rest.rfind("source ", 0), 0u) << grid->trace;
            rest.erase(0, 7);
        }
        EXPECT_EQ(rest.find("source"), String::npos) << grid->trace;
        EXPECT_TRUE(LinkRounds(rest, row.active)) << grid->trace;
    }
    grid->trace.clear();
    grid->Core()->SetDataSource(db.source);  // the same source: nothing happens
    EXPECT_EQ(grid->trace, "");
}

TEST(GridCoreHost, FreedDataSourceLeavesTheGridUnbound) {
    GridDb db;
    db.grid->trace.clear();
    db.source->Free();
    db.source = nullptr;
    EXPECT_EQ(db.grid->Core()->DataSource(), nullptr);
    EXPECT_EQ(db.grid->trace, "changing(0) changed(0) ");
    for (int i = 0; i < db.grid->Core()->Columns()->Count(); ++i)
        EXPECT_EQ(db.grid->Core()->Columns()->ColumnAt(i)->Field(), nullptr) << i;
}

TEST(GridCoreHost, OwnFontWritesAreToldAndRelayoutWhereTheyShow) {
    GridDb db;
    TDBGridEhCore* core = db.grid->Core();
    struct Row {
        const char* name;
        TCustomFont* font;
        bool relayout;
    };
    const Row rows[] = {{"title font, titles shown", core->TitleFont(), true},
                        {"footer font, no footer rows", core->FooterFont(), false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int changes = db.grid->fontChanges;
        const int layouts = db.grid->layouts;
        row.font->SetSize(row.font->Size() + 3);
        EXPECT_EQ(db.grid->fontChanges, changes + 1);
        EXPECT_EQ(db.grid->layouts > layouts, row.relayout);
    }
}

TEST(GridStyle, BlendTowardsHalfwayThenLighter) {
    struct Row {
        const char* name;
        TColor color, glass;
        bool ungray;
        TColor expected;
    };
    const Row rows[] = {
        // white towards pure blue: red and green 127.5 -> 186, blue 255 -> 237
        {"white to blue", clWhite, 0xFF0000, false, 0xEDBABA},
        {"black to black", clBlack, clBlack, false, 0x878787},  // 0 + (225 * 0.6) = 135
        // ungray: 186 - (122 - 186) * 0.25 = 202; 237 - (122 - 237) * 0.25 = 265.75 -> 255
        {"white to blue, ungray", clWhite, 0xFF0000, true, 0xFFCACA},
        // red 15 towards black: 7.5 + (225 - 7.5) * 0.6 = 138
        {"one channel", 0x00000F, clBlack, false, 0x87878A},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(BlendTowards(row.color, row.glass, row.ungray), row.expected);
    }
}

TEST(GridStyle, DataCellHighlightDecisions) {
    struct Row {
        const char* name;
        TDataCellHighlightQueryEh q;
        bool highlighted;
        TColor background;
        TColor font;
    };
    const TColor blendedShadow = BlendTowards(ColorToRGB(clWindow), ColorToRGB(clBtnShadow), false);
    const TColor blendedHighlight = BlendTowards(ColorToRGB(clWindow), ColorToRGB(clHighlight), true);
    const Row rows[] = {
        {"plain cell", {}, false, clWindow, clBlack},
        {"in the selection, active", {.InSelection = true, .SelectionActive = true}, true, blendedHighlight, clBlack},
        {"in the selection, poor display",
         {.InSelection = true, .SelectionActive = true, .RichDisplay = false}, true, clHighlight, clHighlightText},
        {"current row of a row-select grid, focused",
         {.FocusHighlight = true, .OnCurrentRow = true, .RowSelect = true, .SelectionActive = true},
         true, clHighlight, clHighlightText},
        {"current row, grid not focused, always show",
         {.OnCurrentRow = true, .IsSelectedCell = true, .RowSelect = true, .AlwaysShowSelection = true},
         false, clWindow, clBlack},
        {"row highlight on another column of the current row",
         {.RowHighlight = true, .OnCurrentRow = true, .IsCurrentColumn = false, .RowSelect = true,
          .AlwaysShowSelection = true},
         true, clBtnShadow, clHighlightText},
        {"row highlight, inactive and not current",
         {.InSelection = true, .SelectionActive = false}, true, blendedShadow, clBlack},
        {"layout lock without row select",
         {.FocusHighlight = true, .IsSelectedCell = true, .LayoutLocked = true, .SelectionActive = true},
         false, clWindow, clBlack},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TColor background = clWindow;
        TColor font = clBlack;
        EXPECT_EQ(DataCellHighlight(row.q, background, font), row.highlighted);
        EXPECT_EQ(background, row.background);
        EXPECT_EQ(font, row.font);
    }
}

TEST(GridStyle, FixedCellMarkerCellsAreDark) {
    struct Row {
        TCellKindEh kind;
        TRowKindEh rowKind;
        bool dark;
    };
    for (const Row row : {Row{ckIndicatorEh, rkTitleEh, true}, Row{ckIndicatorEh, rkDataEh, true},
                          Row{ckIndicatorEh, rkFillerEh, false}, Row{ckDataColEh, rkTitleEh, true},
                          Row{ckDataColEh, rkFilterEh, true}, Row{ckDataColEh, rkDataEh, false},
                          Row{ckDataColEh, rkFooterEh, false}}) {
        SCOPED_TRACE(std::to_string(row.kind) + "/" + std::to_string(row.rowKind));
        TColor background = clBtnFace;
        TColor font = clBtnText;
        FixedCellHighlight(row.kind, row.rowKind, true, true, true, background, font);
        EXPECT_EQ(background == 0x404040 && font == clWhite, row.dark);
    }
}

TEST(GridDraw, ShortenTextCutsWholeCharacters) {
    // Each character is 10 wide, "..." is 9.
    auto measure = [](const String& text) {
        int width = 0;
        for (std::size_t i = 0; i < text.size();) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            const int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            width += text.compare(i, 3, "...") == 0 ? 9 : 10;
            i += text.compare(i, 3, "...") == 0 ? 3 : static_cast<std::size_t>(len);
        }
        return width;
    };
    EXPECT_EQ(ShortenTextToWidth("abcdefg", measure, 39), "abc...");
    EXPECT_EQ(ShortenTextToWidth("abcdefg", measure, 70), "abcdefg");
    EXPECT_EQ(ShortenTextToWidth("abcdefg", measure, 0), "...");
    EXPECT_EQ(ShortenTextToWidth("个人名片管理", measure, 29), "个人...");
    EXPECT_EQ(ShortenTextToWidth("", measure, 0), "");
}

}  // namespace
