// The text recording of the data grid's window tests.
#include "DBGridEhTestSupport.h"

#include "Encoding.h"

#include <algorithm>

namespace gridwin {

namespace {

struct TRecorder {
    std::vector<TTextRecord> Records;
    TColor TextColor = clBlack;
};

int CALLBACK EnumRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
    auto* recorder = reinterpret_cast<TRecorder*>(data);
    switch (record->iType) {
    case EMR_SETTEXTCOLOR: {
        const auto* color = reinterpret_cast<const EMRSETTEXTCOLOR*>(record);
        recorder->TextColor = static_cast<TColor>(color->crColor);
        break;
    }
    case EMR_EXTTEXTOUTW: {
        const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
        const auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) +
                                                             text->emrtext.offString);
        TTextRecord r;
        r.Text = FromWide(chars, text->emrtext.nChars);
        r.Origin = Point(text->emrtext.ptlReference.x, text->emrtext.ptlReference.y);
        if (text->emrtext.fOptions & (ETO_CLIPPED | ETO_OPAQUE))
            r.Clip = TRect{text->emrtext.rcl.left, text->emrtext.rcl.top, text->emrtext.rcl.right,
                           text->emrtext.rcl.bottom};
        r.TextColor = recorder->TextColor;
        recorder->Records.push_back(r);
        break;
    }
    default: break;
    }
    return 1;
}

}  // namespace

std::vector<TTextRecord> RecordText(TWinControl* grid) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateEnhMetaFileW(screen, nullptr, nullptr, nullptr);
    ReleaseDC(nullptr, screen);
    // A metafile has no surface to clip to: the grid's client area is the clip.
    IntersectClipRect(dc, 0, 0, grid->ClientWidth(), grid->ClientHeight());
    SendMessageW(grid->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    HENHMETAFILE file = CloseEnhMetaFile(dc);
    TRecorder recorder;
    EnumEnhMetaFile(nullptr, file, &EnumRecord, &recorder, nullptr);
    DeleteEnhMetaFile(file);
    return recorder.Records;
}

const TTextRecord* FindText(const std::vector<TTextRecord>& records, const String& text) {
    for (const TTextRecord& r : records)
        if (r.Text == text) return &r;
    return nullptr;
}

int CountColour(TBitmap* bitmap, const TRect& r, TColor color) {
    const TColor wanted = ColorToRGB(color);
    int n = 0;
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, bitmap->Width()); ++x)
        for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, bitmap->Height()); ++y)
            if (static_cast<TColor>(bitmap->Canvas()->Pixels[x][y]) == wanted) ++n;
    return n;
}

int CountDark(TBitmap* bitmap, const TRect& r) {
    int n = 0;
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, bitmap->Width()); ++x)
        for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, bitmap->Height()); ++y) {
            const TColor c = bitmap->Canvas()->Pixels[x][y];
            if ((c & 0xFF) < 0x80 && ((c >> 8) & 0xFF) < 0x80 && ((c >> 16) & 0xFF) < 0x80) ++n;
        }
    return n;
}

int TextWidthIn(const TCustomFont* font, const String& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, PlatformFont(*font).Handle());
    const std::wstring wide = ToWide(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

void SetModifiers(bool shift, bool ctrl) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
}

namespace {
// The grid unit's start-up for every test of this binary (counted with the other files' start-up).
class GridUnitEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        StartWindowTests();
        DBGridEhInitialization();
    }
    void TearDown() override { DBGridEhFinalization(); }
};
const auto* const kGridUnitEnvironment = ::testing::AddGlobalTestEnvironment(new GridUnitEnvironment);
}  // namespace

}  // namespace gridwin
