// The data grid's vertical scroll bar over 100,000 records: the thumb stands at the record number
// after keys, the wheel, page moves and thumb drops; with tracking the record follows the thumb at
// once and the thumb's final drop does not move it a second time.
#include "DBGridEhTestSupport.h"

using namespace gridwin;

namespace {

SCROLLINFO VertInfo(TDBGridEh* grid) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(grid->Handle(), SB_VERT, &si);
    return si;
}

// The thumb as a drag leaves it, then the bar's notification.
void DragThumb(TDBGridEh* grid, int pos, int code) {
    SetScrollPos(grid->Handle(), SB_VERT, pos, FALSE);
    grid->Perform(WM_VSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)), 0);
}

TEST(DBGridEhScroll, TheThumbStandsAtTheRecordNumberOf100000Records) {
    const int count = 100000;
    GridOnForm g(count);
    TDBGridEh* grid = g.grid;
    const int page = grid->VisibleDataRowCount();
    SCROLLINFO si = VertInfo(grid);
    EXPECT_EQ(si.nMin, 1);
    EXPECT_EQ(static_cast<int>(si.nPage), page);
    EXPECT_EQ(si.nMax, count + page - 1);
    EXPECT_EQ(si.nPos, 1);

    struct Step {
        const char* name;
        std::function<void()> action;
        int recNo;
    };
    const Step steps[] = {
        {"ctrl+end", [&] { SetModifiers(false, true); grid->Perform(WM_KEYDOWN, VK_END, 1); SetModifiers(false, false); },
         count},
        {"thumb dropped in the middle", [&] { DragThumb(grid, 54321, SB_THUMBPOSITION); }, 54321},
        {"three wheel notches down", [&] { grid->Perform(WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<WORD>(-3 * WHEEL_DELTA)) << 16, 0); },
         54324},
        {"one wheel notch up", [&] { grid->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0); }, 54323},
        {"page down", [&] { grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0); }, 54323 + page},
        // A drag leaves the bar's position alone until the drop; only the notification comes.
        {"a thumb track without tracking moves nothing",
         [&] { grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(70000)), 0); }, 54323 + page},
        {"thumb dropped at the end", [&] { DragThumb(grid, count, SB_THUMBPOSITION); }, count},
        {"thumb dropped at the start", [&] { DragThumb(grid, 1, SB_THUMBPOSITION); }, 1},
        {"tracking: the record follows the thumb", [&] {
             grid->VertScrollBar()->SetTracking(true);
             DragThumb(grid, 60000, SB_THUMBTRACK);
         }, 60000},
        {"tracking further", [&] { DragThumb(grid, 99990, SB_THUMBTRACK); }, 99990},
        {"the drop after tracking moves no further", [&] { DragThumb(grid, 5, SB_THUMBPOSITION); }, 99990},
        {"a later drop moves again", [&] { DragThumb(grid, 12345, SB_THUMBPOSITION); }, 12345},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.action();
        EXPECT_EQ(g.query->RecNo(), step.recNo);
        EXPECT_EQ(g.CurrentId(), step.recNo);
        EXPECT_EQ(VertInfo(grid).nPos, step.recNo);
        EXPECT_EQ(grid->Row(), grid->DataLink()->ActiveRecord() + grid->TitleOffset());
    }
}

}  // namespace
