// The grid's copy to the clipboard: Ctrl+C with a selection places the four formats together, each
// holding the selected rows; without a selection or without geaCopyEh nothing is placed.
#include "DBGridEhClipboard.h"
#include "DBGridEhTestSupport.h"
#include "Encoding.h"
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

}  // namespace
