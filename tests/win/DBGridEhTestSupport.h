// Fixtures of the data grid's window tests: a grid on a form over a real SQLite data set, painting
// into a bitmap through WM_PRINTCLIENT, and a recording of the text the grid writes (the grid paints
// into an enhanced metafile whose text records are read back).
#pragma once

#ifndef VESTREL_TEST_DATA
#define VESTREL_TEST_DATA ""  // the window tier builds its databases from its own scripts
#endif

#include "../core/DbTestSupport.h"
#include "DBGridEh.h"
#include "TestControls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace gridwin {

// `count` people: id 1..count, name "P<id>", city one of four, amount id * 1.5, a two-line note on
// every fifth row.
inline String PeopleScript(int count) {
    return "CREATE TABLE people (id INTEGER PRIMARY KEY, name TEXT(30), city TEXT(20), amount FLOAT, "
           "note LONGTEXT);\n"
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
           std::to_string(count) +
           ")\n"
           "INSERT INTO people (id, name, city, amount, note) SELECT i, 'P' || i, "
           "CASE i % 4 WHEN 0 THEN 'Berlin' WHEN 1 THEN 'Cairo' WHEN 2 THEN 'Delhi' ELSE 'Athens' END, "
           "i * 1.5, CASE WHEN i % 5 = 0 THEN 'first' || char(13) || char(10) || 'second' END FROM n;\n";
}

// A form with a grid (600 x 300 at first) over "select * from people order by id".
class GridOnForm {
public:
    explicit GridOnForm(int rows = 50, int width = 600, int height = 300) {
        path_ = folder_.File("people.mdb");
        dbtest::BuildDatabase(path_, {{"people.sql", PeopleScript(rows)}});
        session = std::make_unique<dbtest::Session>(path_);
        query = session->query;
        OpenQuery(query, "select * from people order by id");
        form.reset(New<TForm>(nullptr, CreateNew));
        form->SetBounds(-3000, -3000, width + 40, height + 60);
        source = New<TDataSource>(form.get());
        source->SetDataSet(query);
        grid = New<TDBGridEh>(form.get());
        grid->SetParent(form.get());
        grid->SetBounds(0, 0, width, height);
        grid->Font()->SetName("Tahoma");
        grid->Font()->SetHeight(-11);
        grid->SetDataSource(source);
        form->HandleNeeded();
        grid->HandleNeeded();
        DrainMessages();
    }
    ~GridOnForm() {
        form.reset();
        DrainMessages();
    }
    GridOnForm(const GridOnForm&) = delete;
    GridOnForm& operator=(const GridOnForm&) = delete;

    void Show() {
        form->Show();
        grid->SetFocus();
        DrainMessages();
    }

    // The grid's client area painted into a 24-bit bitmap (filled fuchsia first).
    std::unique_ptr<TBitmap> Paint() {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(grid->ClientWidth(), grid->ClientHeight());
        bitmap->Canvas()->Brush()->SetColor(clFuchsia);
        bitmap->Canvas()->FillRect(grid->ClientRect());
        HDC dc = bitmap->Canvas()->Handle();
        SendMessageW(grid->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        bitmap->Canvas()->Refresh();
        return bitmap;
    }

    // The id of the current record.
    int CurrentId() { return query->FieldByName("id")->AsInteger(); }

    dbtest::TempFolder folder_;
    String path_;
    std::unique_ptr<dbtest::Session> session;
    TADOQuery* query = nullptr;
    std::unique_ptr<TForm, TFree> form;
    TDataSource* source = nullptr;
    TDBGridEh* grid = nullptr;
};

// One piece of text the grid wrote: where and in which colours.
struct TTextRecord {
    String Text;
    TPoint Origin;     // the reference point given to the text call
    TRect Clip;        // the clipping/opaque rectangle (empty when none)
    TColor TextColor = clBlack;
};

// Paints the grid into an enhanced metafile and answers its text calls in order.
std::vector<TTextRecord> RecordText(TWinControl* grid);
// The first record whose text is `text` (nullptr when none).
const TTextRecord* FindText(const std::vector<TTextRecord>& records, const String& text);

// A persistent field of type F named `name` (with `size` when above 0), added to `ds`.
template <class F>
F* AddField(TDataSet* ds, const String& name, int size = 0) {
    F* field = New<F>(ds);
    field->SetFieldName(name);
    if (size > 0) field->SetSize(size);
    field->SetDataSet(ds);
    return field;
}

inline bool SameRgb(TColor a, TColor b) { return ColorToRGB(a) == ColorToRGB(b); }
// Pixels of `r` (inside the bitmap) whose colour is `color`.
int CountColour(TBitmap* bitmap, const TRect& r, TColor color);
// Pixels of `r` darker than 0x80 in every channel.
int CountDark(TBitmap* bitmap, const TRect& r);
// The width of `text` in `font` on the screen.
int TextWidthIn(const TCustomFont* font, const String& text);
// Holds Shift and Ctrl for GetKeyState (and so for the key messages' shift state).
void SetModifiers(bool shift, bool ctrl);

}  // namespace gridwin
