// The grid's clipboard commands: Ctrl+C with a selection places the four formats together, each
// holding the selected rows; without a selection or without geaCopyEh nothing is placed. Ctrl+V
// pastes them into another grid (the interchange stream, else text), Ctrl+X cuts, Ctrl+Del deletes
// or clears the selection, each with its question and only with its edit action. The standard edit
// actions run the same commands on the grid that has the focus.
#include "DBGridEhClipboard.h"
#include "DBGridEhSelection.h"
#include "DBGridEhTestSupport.h"
#include "Encoding.h"
#include "StdActns.h"
#include "StdCtrls.h"
#include "VCLDBIFStream.h"

#include <gtest/gtest.h>

namespace {

using namespace gridwin;

// The bytes of the clipboard's `format` (empty when it holds none).
std::string ClipboardBytes(HWND owner, UINT format) {
    std::string bytes;
    if (!OpenClipboard(owner)) return bytes;
    if (HANDLE block = GetClipboardData(format)) {
        if (const void* memory = GlobalLock(block)) {
            bytes.assign(static_cast<const char*>(memory), GlobalSize(block));
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    return bytes;
}

String ClipboardUnicodeText(HWND owner) {
    const std::string bytes = ClipboardBytes(owner, CF_UNICODETEXT);
    WideString text(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    return Utf16ToUtf8(text);
}

void CtrlC(TDBGridEh* grid) {
    SetModifiers(false, true);
    grid->Perform(WM_KEYDOWN, 'C', 1);
    SetModifiers(false, false);
}

void EmptyTheClipboard(HWND owner) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    CloseClipboard();
}

TEST(DBGridEhClipboard, CtrlCPlacesTheSelectedRowsInFourFormats) {
    GridOnForm g(6);
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    grid->SetEditActions(TDBGridEhEditActions{geaCopyEh});
    for (int i = 2; i < grid->Columns()->Count(); ++i) grid->Columns()->ColumnAt(i)->SetVisible(false);
    HWND owner = grid->Handle();

    // Nothing selected: nothing placed.
    EmptyTheClipboard(owner);
    CtrlC(grid);
    EXPECT_EQ(ClipboardUnicodeText(owner), "");

    for (int id : {2, 5}) {
        g.query->Locate("id", Variant(id), 0);
        grid->SelectedRowBookmarks()->SetSelectedCurrentRow(true);
    }
    CtrlC(grid);

    EXPECT_EQ(ClipboardUnicodeText(owner), "id\tname\r\n2\tP2\r\n5\tP5");
    std::string csv = ClipboardBytes(owner, CsvClipboardFormat());
    csv.resize(std::strlen(csv.c_str()));
    EXPECT_EQ(csv, "\"id\";\"name\"\r\n\"2\";\"P2\"\r\n\"5\";\"P5\"");
    const std::string rtf = ClipboardBytes(owner, RtfClipboardFormat());
    EXPECT_EQ(rtf.rfind("{\\rtf0\\ansi", 0), 0u);
    EXPECT_NE(rtf.find(" P5\\cell}"), std::string::npos);
    const std::string stream = ClipboardBytes(owner, VCLDBIFClipboardFormat());
    const TVCLDBIFData data = ReadVCLDBIF(stream.data(), stream.size());
    ASSERT_EQ(data.Rows.size(), 2u);
    EXPECT_EQ(data.Rows[1][0], Variant(5));
    EXPECT_EQ(VarToStr(data.Rows[1][1]), "P5");
    // The system's own text of a copy.
    std::string ansi = ClipboardBytes(owner, CF_TEXT);
    ansi.resize(std::strlen(ansi.c_str()));
    EXPECT_EQ(ansi, "id\tname\r\n2\tP2\r\n5\tP5");

    // Without geaCopyEh the key does nothing.
    EmptyTheClipboard(owner);
    grid->SetEditActions(TDBGridEhEditActions{});
    CtrlC(grid);
    EXPECT_EQ(ClipboardUnicodeText(owner), "");
}

// A second grid on the same form over the table `other` (id, name, city, amount, note; id and note
// hidden), empty at first; the first grid shows name, city and amount of the people, with Chinese
// text and nulls in rows 2, 3 and 5.
class TwoGrids {
public:
    TwoGrids() : g(6) {
        TADOConnection* connection = g.session->connection;
        connection->Execute("UPDATE people SET name = '张三', city = NULL WHERE id = 2");
        connection->Execute("UPDATE people SET name = '李四·王', amount = NULL WHERE id = 3");
        connection->Execute("UPDATE people SET name = 'tab' || char(9) || 'in' WHERE id = 5");
        connection->Execute("CREATE TABLE other (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT(30), "
                            "city TEXT(20), amount FLOAT, note LONGTEXT)");
        g.query->Close();
        g.query->Open();
        first = g.grid;
        first->SetOptions(first->Options() + TDBGridOptions{dgMultiSelect});
        first->SetEditActions(TDBGridEhEditActions{geaCopyEh});
        first->Columns()->ColumnAt(0)->SetVisible(false);
        first->Columns()->ColumnAt(4)->SetVisible(false);

        query = g.session->NewQuery();
        OpenQuery(query, "select * from other order by id");
        source = New<TDataSource>(g.form.get());
        source->SetDataSet(query);
        second = New<TDBGridEh>(g.form.get());
        second->SetParent(g.form.get());
        second->SetBounds(0, 320, 600, 200);
        second->SetDataSource(source);
        second->SetOptions(second->Options() + TDBGridOptions{dgMultiSelect});
        second->SetEditActions(TDBGridEhEditActions{geaCopyEh, geaPasteEh, geaCutEh, geaDeleteEh});
        second->Columns()->ColumnAt(0)->SetVisible(false);
        second->Columns()->ColumnAt(4)->SetVisible(false);
        second->HandleNeeded();
        second->SetSelectedIndex(1);
        DrainMessages();
    }

    void SelectRows(TDBGridEh* grid, TDataSet* ds, std::initializer_list<int> ids) {
        for (int id : ids) {
            ASSERT_TRUE(ds->Locate("id", Variant(id), 0)) << id;
            grid->SelectedRowBookmarks()->SetSelectedCurrentRow(true);
        }
    }

    // `other` as "name|city|amount" rows in id order ("-" for null).
    std::vector<String> OtherRows() {
        std::vector<String> rows;
        TADOQuery* q = g.session->NewQuery();
        OpenQuery(q, "select name, city, amount from other order by id");
        for (q->First(); !q->Eof(); q->Next()) {
            String row;
            for (int i = 0; i < 3; ++i) {
                TField* f = q->Fields()->Fields(i);
                row += (i ? "|" : "") + (f->IsNull() ? String("-") : f->AsString());
            }
            rows.push_back(row);
        }
        return rows;
    }

    TScopedApplication app;
    GridOnForm g;
    TDBGridEh* first = nullptr;
    TDBGridEh* second = nullptr;
    TADOQuery* query = nullptr;
    TDataSource* source = nullptr;
};

void CtrlKey(TDBGridEh* grid, WORD key, bool shift = false, bool ctrl = true) {
    SetModifiers(shift, ctrl);
    try {
        grid->Perform(WM_KEYDOWN, key, 1);
    } catch (...) {
        SetModifiers(false, false);
        throw;
    }
    SetModifiers(false, false);
}

void PlaceOnClipboard(HWND owner, UINT format, const std::string& bytes) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    ASSERT_TRUE(SetClipboardData(format, block));
    CloseClipboard();
}

const std::vector<String> kPastedRows{"张三|-|3", "李四·王|Athens|-", "tab\tin|Cairo|7.5"};

TEST(DBGridEhClipboard, PasteThreeRowsIntoASecondGrid) {
    TwoGrids t;
    t.SelectRows(t.first, t.g.query, {2, 3, 5});
    CtrlKey(t.first, 'C');
    CtrlKey(t.second, 'V');
    EXPECT_EQ(t.OtherRows(), kPastedRows);
    EXPECT_EQ(t.query->State(), dsBrowse);
    EXPECT_EQ(t.query->RecordCount(), 3);
    // The types came along: a number stays a number, a null stays null.
    ASSERT_TRUE(t.query->Locate("name", Variant("tab\tin"), 0));
    EXPECT_EQ(t.query->FieldByName("amount")->AsFloat(), 7.5);

    // Shift+Insert pastes the same rows again, over the records from the current one: the first
    // three are overwritten in place, nothing is appended.
    t.query->First();
    CtrlKey(t.second, VK_INSERT, true, false);
    EXPECT_EQ(t.OtherRows(), kPastedRows);

    // Without geaPasteEh, or read-only, neither key pastes.
    t.query->Last();
    t.second->SetEditActions(TDBGridEhEditActions{geaCopyEh});
    CtrlKey(t.second, 'V');
    t.second->SetEditActions(TDBGridEhEditActions{geaPasteEh});
    t.second->SetReadOnly(true);
    CtrlKey(t.second, VK_INSERT, true, false);
    EXPECT_EQ(t.OtherRows().size(), 3u);
    EXPECT_TRUE(t.app.Boxes.empty());
}

// Text from another program (no interchange stream on the clipboard) is read from the system's
// CF_TEXT, which it derives from the Unicode text.
TEST(DBGridEhClipboard, PasteOfPlainTextReadsTheSystemsText) {
    TwoGrids t;
    const WideString text = Utf8ToUtf16("王五\tBerlin\t2.5\r\n\"two\r\nlines\"\t\t1\r\n");
    PlaceOnClipboard(t.second->Handle(), CF_UNICODETEXT,
                     std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2));
    CtrlKey(t.second, 'V');
    EXPECT_EQ(t.OtherRows(), (std::vector<String>{"王五|Berlin|2.5", "two\r\nlines||1"}));
}

// A damaged stream changes no row: the message says what is wrong and the grid is as it was.
TEST(DBGridEhClipboard, PasteOfADamagedStreamChangesNothing) {
    TwoGrids t;
    t.SelectRows(t.first, t.g.query, {2, 3, 5});
    CtrlKey(t.first, 'C');
    CtrlKey(t.second, 'V');
    std::string stream = ClipboardBytes(t.second->Handle(), VCLDBIFClipboardFormat());
    ASSERT_GT(stream.size(), 20u);
    for (std::size_t cut : {stream.size() - 1, std::size_t{9}, stream.size() - 4}) {
        SCOPED_TRACE(cut);
        PlaceOnClipboard(t.second->Handle(), VCLDBIFClipboardFormat(), stream.substr(0, cut));
        t.query->First();
        try {
            CtrlKey(t.second, 'V');
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "TDBGridEhImportAsVCLDBIF.ReadPrefix: Invalid VCLDBIF format");
        }
        EXPECT_EQ(t.OtherRows(), kPastedRows);
        EXPECT_EQ(t.query->State(), dsBrowse);
        EXPECT_FALSE(t.query->ControlsDisabled());
    }
}

// A value that does not convert asks whether to go on (Yes, No, All): No stops with nothing of that
// row written; All goes on and asks no more.
TEST(DBGridEhClipboard, PasteOfAValueThatDoesNotConvertAsks) {
    TwoGrids t;
    const WideString text = Utf8ToUtf16("a\tx\t1\r\nb\ty\tnot a number\r\nc\tz\t3\r\nd\tw\tbad");
    for (const char* answer : {"No", "All"}) {
        SCOPED_TRACE(answer);
        while (!t.query->IsEmpty()) {
            t.query->First();
            t.query->Delete();
        }
        PlaceOnClipboard(t.second->Handle(), CF_UNICODETEXT,
                         std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2));
        String asked;
        std::vector<String> buttons;
        TModalDriver driver("Message", [&](TCustomForm* form) {
            asked = dynamic_cast<TLabel*>(form->FindComponent("Message"))->Caption();
            for (const char* name : {"Yes", "No", "All", "Cancel"})
                if (form->FindComponent(name)) buttons.push_back(name);
            PostMessageW(dynamic_cast<TButton*>(form->FindComponent(answer))->Handle(), BM_CLICK, 0, 0);
        });
        bool aborted = false;
        try {
            CtrlKey(t.second, 'V');
        } catch (const EAbort&) {
            aborted = true;
        }
        EXPECT_TRUE(driver.Ran());
        EXPECT_EQ(aborted, String(answer) == "No");
        EXPECT_EQ(buttons, (std::vector<String>{"Yes", "No", "All"}));
        EXPECT_EQ(asked.rfind("Error during insert value:\n", 0), 0u) << asked;
        EXPECT_NE(asked.find("\n\nIgnore error?"), String::npos) << asked;
        const std::vector<String> expected = String(answer) == "All"
                                                 ? std::vector<String>{"a|x|1", "b|y|-", "c|z|3", "d|w|-"}
                                                 : std::vector<String>{"a|x|1"};
        EXPECT_EQ(t.OtherRows(), expected);
        EXPECT_EQ(t.query->State(), dsBrowse);
        EXPECT_TRUE(t.app.Boxes.empty());
    }
}

// Ctrl+X copies the selected rows and deletes them after the question; Cancel keeps them; without
// dgConfirmDelete nothing is asked; without geaCutEh nothing happens.
TEST(DBGridEhClipboard, CutCopiesThenDeletesTheSelectedRows) {
    TwoGrids t;
    t.SelectRows(t.first, t.g.query, {2, 3, 5});
    CtrlKey(t.first, 'C');
    CtrlKey(t.second, 'V');
    ASSERT_EQ(t.OtherRows().size(), 3u);
    t.second->SetOptions(t.second->Options() + TDBGridOptions{dgConfirmDelete});
    auto selectFirstAndLast = [&] {
        t.second->SelectedRowBookmarks()->Clear();
        for (int id : {1, 3}) {
            ASSERT_TRUE(t.query->Locate("id", Variant(id), 0));
            t.second->SelectedRowBookmarks()->SetSelectedCurrentRow(true);
        }
    };

    selectFirstAndLast();
    t.app.SetAnswer(IDCANCEL);
    CtrlKey(t.second, 'X');
    EXPECT_EQ(t.app.TakeTexts(), std::vector<String>{"Delete all selected records?"});
    EXPECT_EQ(t.OtherRows().size(), 3u);

    t.app.SetAnswer(IDOK);
    CtrlKey(t.second, 'X');
    EXPECT_EQ(t.app.TakeTexts(), std::vector<String>{"Delete all selected records?"});
    EXPECT_EQ(t.OtherRows(), (std::vector<String>{kPastedRows[1]}));
    EXPECT_EQ(t.second->SelectionType(), gstNon);
    // What was cut is on the clipboard.
    const std::string stream = ClipboardBytes(t.second->Handle(), VCLDBIFClipboardFormat());
    const TVCLDBIFData data = ReadVCLDBIF(stream.data(), stream.size());
    ASSERT_EQ(data.Rows.size(), 2u);
    EXPECT_EQ(VarToStr(data.Rows[0][0]), "张三");
    EXPECT_EQ(VarToStr(data.Rows[1][0]), "tab\tin");

    // One row, Shift+Del, no question without dgConfirmDelete.
    t.second->SetOptions(t.second->Options() - TDBGridOptions{dgConfirmDelete});
    t.query->First();
    t.second->SelectedRowBookmarks()->SetSelectedCurrentRow(true);
    t.second->SetEditActions(TDBGridEhEditActions{geaCopyEh, geaPasteEh, geaDeleteEh});
    CtrlKey(t.second, VK_DELETE, true, false);
    EXPECT_EQ(t.OtherRows().size(), 1u);
    t.second->SetEditActions(TDBGridEhEditActions{geaCutEh});
    CtrlKey(t.second, VK_DELETE, true, false);
    EXPECT_TRUE(t.OtherRows().empty());
    EXPECT_TRUE(t.app.Boxes.empty());
}

// Ctrl+Del with geaDeleteEh: one selected row asks "Delete record?"; a rectangle asks "Clear selected
// cells?" and clears those cells only (the records stay).
TEST(DBGridEhClipboard, DeleteRemovesRowsOrClearsCells) {
    TwoGrids t;
    t.SelectRows(t.first, t.g.query, {2, 3, 5});
    CtrlKey(t.first, 'C');
    CtrlKey(t.second, 'V');
    t.second->SetOptions(t.second->Options() + TDBGridOptions{dgConfirmDelete});
    t.second->SetEditActions(TDBGridEhEditActions{geaDeleteEh});

    ASSERT_TRUE(t.query->Locate("id", Variant(2), 0));
    t.second->SelectedRowBookmarks()->SetSelectedCurrentRow(true);
    CtrlKey(t.second, VK_DELETE);
    EXPECT_EQ(t.app.TakeTexts(), std::vector<String>{"Delete record?"});
    EXPECT_EQ(t.OtherRows(), (std::vector<String>{kPastedRows[0], kPastedRows[2]}));

    // The rectangle: city and amount of both rows.
    t.second->SetOptions(t.second->Options() - TDBGridOptions{dgMultiSelect});
    t.query->First();
    const TBookmark top = t.query->Bookmark();
    t.query->Last();
    const TBookmark bottom = t.query->Bookmark();
    t.second->Selection()->Rect()->SetCorner(2, top, false);
    t.second->Selection()->Rect()->SetCorner(3, bottom, true);
    ASSERT_EQ(t.second->SelectionType(), gstRectangle);
    CtrlKey(t.second, VK_DELETE);
    EXPECT_EQ(t.app.TakeTexts(), std::vector<String>{"Clear selected cells?"});
    t.query->CheckBrowseMode();
    EXPECT_EQ(t.OtherRows(), (std::vector<String>{"张三|-|-", "tab\tin|-|-"}));
}

// The standard edit actions of a form's action list have no handlers: the grid with the focus
// carries them out as its keys would, and enables each one only when its command can run there.
TEST(DBGridEhClipboard, StandardEditActionsRunOnTheFocusedGrid) {
    TwoGrids t;
    TForm* form = t.g.form.get();
    auto* list = New<TActionList>(form);
    auto* copy = New<TEditCopy>(form);
    auto* cut = New<TEditCut>(form);
    auto* paste = New<TEditPaste>(form);
    auto* selectAll = New<TEditSelectAll>(form);
    auto* remove = New<TEditDelete>(form);
    for (TContainedAction* action : std::initializer_list<TContainedAction*>{copy, cut, paste, selectAll, remove})
        action->SetActionList(list);
    auto* edit = New<TEdit>(form);
    edit->SetParent(form);
    edit->SetBounds(0, 540, 100, 20);
    form->Show();
    t.first->SetFocus();
    DrainMessages();
    ASSERT_TRUE(t.first->Focused());
    auto enabled = [](TCustomAction* action) {
        action->Update();
        return action->Enabled();
    };

    // Copy needs a selection; the first grid has no paste.
    EXPECT_FALSE(enabled(copy));
    EXPECT_FALSE(copy->Execute());
    t.SelectRows(t.first, t.g.query, {2, 3, 5});
    EXPECT_TRUE(enabled(copy));
    EXPECT_FALSE(enabled(paste));
    EXPECT_TRUE(copy->Execute());
    const std::string copied = ClipboardBytes(t.first->Handle(), VCLDBIFClipboardFormat());
    EXPECT_EQ(ReadVCLDBIF(copied.data(), copied.size()).Rows.size(), 3u);

    // Paste goes to the grid with the focus.
    t.second->SetFocus();
    DrainMessages();
    EXPECT_TRUE(enabled(paste));
    EXPECT_TRUE(paste->Execute());
    EXPECT_EQ(t.OtherRows(), kPastedRows);
    EXPECT_EQ(t.g.query->RecordCount(), 6);

    // Select all only with geaSelectAllEh; cut then takes every row to the clipboard.
    EXPECT_FALSE(enabled(selectAll));
    t.second->SetEditActions(t.second->EditActions() + TDBGridEhEditActions{geaSelectAllEh});
    EXPECT_TRUE(enabled(selectAll));
    EXPECT_TRUE(selectAll->Execute());
    EXPECT_EQ(t.second->SelectionType(), gstAll);
    EXPECT_TRUE(enabled(cut));
    EXPECT_TRUE(cut->Execute());
    EXPECT_TRUE(t.OtherRows().empty());
    const std::string cutRows = ClipboardBytes(t.second->Handle(), VCLDBIFClipboardFormat());
    EXPECT_EQ(ReadVCLDBIF(cutRows.data(), cutRows.size()).Rows.size(), 3u);
    EXPECT_FALSE(enabled(remove));
    EXPECT_FALSE(enabled(cut));

    // Delete of the first grid's rows is not among its edit actions; with it, the rows go after
    // the grid's question (dgConfirmDelete), as with the key.
    t.first->SetFocus();
    DrainMessages();
    EXPECT_FALSE(enabled(remove));
    t.first->SetEditActions(t.first->EditActions() + TDBGridEhEditActions{geaDeleteEh});
    EXPECT_TRUE(enabled(remove));
    t.app.SetAnswer(IDCANCEL);
    EXPECT_TRUE(remove->Execute());
    EXPECT_EQ(t.app.TakeTexts(), std::vector<String>{"Delete all selected records?"});
    EXPECT_EQ(t.g.query->RecordCount(), 6);
    t.app.SetAnswer(IDOK);
    EXPECT_TRUE(remove->Execute());
    EXPECT_EQ(t.app.TakeTexts(), std::vector<String>{"Delete all selected records?"});
    EXPECT_EQ(t.g.query->RecordCount(), 3);

    // A control that does not know the actions leaves them alone: nothing runs, nothing changes.
    edit->SetFocus();
    DrainMessages();
    t.SelectRows(t.first, t.g.query, {1});
    EmptyTheClipboard(t.first->Handle());
    EXPECT_FALSE(copy->Execute());
    EXPECT_FALSE(remove->Execute());
    EXPECT_EQ(ClipboardUnicodeText(t.first->Handle()), "");
    EXPECT_EQ(t.g.query->RecordCount(), 3);
    EXPECT_TRUE(t.app.Boxes.empty());
}

}  // namespace
