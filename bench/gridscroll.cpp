// Benchmark of scrolling the data grid against Wine's own list view (driven by bench/run-scroll.sh).
//
//   gridscroll [RECORDS]
//
// A data grid over a RECORDS-row data set (default 100000) with 18 columns, sized to show 40 rows,
// and a list view (SysListView32, report view, grid lines, virtual items, the same 18 column widths)
// of as many rows, in windows of the same size. Each is driven through all its rows:
//   pagedown: Page Down held from the first row to the last (one key-down per step), painted after
//             every step
//   thumb:    the vertical thumb dragged from the top to the bottom in 500 steps (the grid tracks
//             the thumb), painted after every step
// Prints the time per step, one line per way:
//   grid-scroll-<way>: ratio R (vestrel A ms, peer B ms)
#include "ADODB.h"
#include "ADODialect.h"
#include "DBGridEh.h"
#include "U_DataLogic.h"
#include "Forms.h"

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kColumns = 18;
constexpr int kRows = 40;
constexpr int kColumnWidth = 66;

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// 18 columns of the kinds a contact list has: numbers, codes, Chinese names and addresses, dates.
String TableScript(long records) {
    return "CREATE TABLE contacts (id INTEGER PRIMARY KEY, code TEXT(10), name TEXT(20), sex TEXT(2), "
           "category TEXT(10), company TEXT(40), address TEXT(60), postcode TEXT(6), tel TEXT(20), "
           "fax TEXT(20), email TEXT(40), url TEXT(40), contact TEXT(20), mobile TEXT(20), income FLOAT, "
           "qq TEXT(12), born DATETIME, owner TEXT(20));\n"
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
           std::to_string(records) +
           ")\n"
           "INSERT INTO contacts SELECT i, printf('C%06d', i), "
           "CASE i % 6 WHEN 0 THEN '王伟' WHEN 1 THEN '李芳' WHEN 2 THEN '张秀英' WHEN 3 THEN '刘强' "
           "WHEN 4 THEN '陈静' ELSE '杨志强' END, CASE i % 2 WHEN 0 THEN '男' ELSE '女' END, "
           "printf('%02d%02d', i % 10, i % 7), printf('杭州第%d贸易有限公司', i % 97), "
           "printf('西湖区文三路%d号', i % 500), printf('%06d', 310000 + i % 999), "
           "printf('0571-%08d', i * 7 % 100000000), printf('0571-%08d', i * 11 % 100000000), "
           "printf('user%d@example.com', i), printf('www.site%d.com', i % 1000), "
           "CASE i % 3 WHEN 0 THEN '周明' WHEN 1 THEN '吴涛' ELSE '徐丽' END, printf('139%08d', i), "
           "i * 13.75, printf('%d', 10000 + i * 3), printf('19%02d-%02d-%02d', 50 + i % 50, 1 + i % 12, "
           "1 + i % 28), CASE i % 2 WHEN 0 THEN 'Admin' ELSE '李明' END FROM n;\n";
}

// The list view's texts, made for any row from the same formulas as the data set's.
TADOQuery* gQuery = nullptr;

LRESULT CALLBACK PeerWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == LVN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            const int row = info->item.iItem;
            const int col = info->item.iSubItem;
            if ((info->item.mask & LVIF_TEXT) && row >= 0 && col >= 0 && col < kColumns) {
                // The peer reads its texts from the same data set, by record number.
                if (gQuery->RecNo() != row + 1) gQuery->SetRecNo(row + 1);
                const std::wstring text = ToWide(gQuery->Fields()->Fields(col)->DisplayText());
                lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
            }
            return 0;
        }
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int Run(long records) {
    FormsInitialization();
    GridLibraryInitialization();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vestrel-gridpaint";
    std::filesystem::create_directories(folder);
    const String file = (folder / ("contacts-" + std::to_string(records) + ".mdb")).string();
    if (!std::filesystem::exists(file)) {
        std::string error;
        if (!sqldialect::BuildDatabaseFile(file, {{"contacts.sql", TableScript(records)}}, kDatabasePassword, &error)) {
            std::fprintf(stderr, "gridpaint: %s\n", error.c_str());
            return 1;
        }
    }
    auto* connection = New<TADOConnection>(nullptr);
    connection->SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file +
                                    ";Jet OLEDB:Database Password=" + kDatabasePassword);
    connection->Open();
    auto* query = New<TADOQuery>(nullptr);
    query->SetConnection(connection);
    OpenQuery(query, "select * from contacts order by id");
    if (query->RecordCount() != records || query->FieldCount() != kColumns) {
        std::fprintf(stderr, "gridpaint: the data set has %d rows and %d fields\n", query->RecordCount(),
                     query->FieldCount());
        return 1;
    }

    // The grid, sized to show 40 rows of 18 columns.
    auto* form = New<TForm>(nullptr, CreateNew);
    form->SetBounds(0, 0, 1300, 900);
    auto* source = New<TDataSource>(form);
    source->SetDataSet(query);
    auto* grid = New<TDBGridEh>(form);
    grid->SetParent(form);
    grid->Font()->SetName("Tahoma");
    grid->Font()->SetHeight(-11);
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect});
    grid->SetReadOnly(true);
    grid->SetDataSource(source);
    grid->Columns()->Clear();
    for (int i = 0; i < kColumns; ++i) {
        TColumnEh* column = grid->Columns()->Add();
        column->SetFieldName(query->Fields()->Fields(i)->FieldName());
        column->SetWidth(kColumnWidth);
    }
    form->Show();
    grid->SetBounds(0, 0, 1290, 800);
    Pump();
    const int frame = grid->Height() - grid->ClientHeight();
    const int height = grid->RowHeights(0) + 1 + kRows * (grid->DefaultRowHeight() + 1) + frame;
    grid->SetBounds(0, 0, 1290, height);
    Pump();
    if (grid->DataLink()->RecordCount() != kRows) {
        std::fprintf(stderr, "gridpaint: the grid shows %d rows, not %d\n", grid->DataLink()->RecordCount(), kRows);
        return 1;
    }
    const int clientWidth = grid->ClientWidth();
    const int clientHeight = grid->ClientHeight();

    // The list view over the same rows, in a window of the same client size. It reads its texts
    // from a second query of the same data set, so that the grid's own data set stays put.
    gQuery = New<TADOQuery>(nullptr);
    gQuery->SetConnection(connection);
    OpenQuery(gQuery, "select * from contacts order by id");
    WNDCLASSW wc{};
    wc.lpfnWndProc = &PeerWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"GridPaintPeer";
    RegisterClassW(&wc);
    HWND peerFrame = CreateWindowExW(0, L"GridPaintPeer", L"peer", WS_POPUP | WS_VISIBLE, 0, 0, 1300, 900, nullptr,
                                     nullptr, wc.hInstance, nullptr);
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0,
                                0, 1290, height, peerFrame, nullptr, wc.hInstance, nullptr);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(grid->Font()->Handle()), TRUE);
    for (int c = 0; c < kColumns; ++c) {
        std::wstring title = ToWide(query->Fields()->Fields(c)->FieldName());
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = kColumnWidth + 1;
        column.pszText = title.data();
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
    SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(records), 0);
    // Rows as high as the grid's (a one-pixel-wide image list of that height sets them).
    HIMAGELIST rowHeight = ImageList_Create(1, grid->DefaultRowHeight() + 1, ILC_COLOR24, 1, 1);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowHeight));
    // The same client size as the grid's.
    RECT client;
    GetClientRect(list, &client);
    SetWindowPos(list, nullptr, 0, 0, 1290 + clientWidth - client.right, height + clientHeight - client.bottom,
                 SWP_NOZORDER | SWP_NOMOVE);
    Pump();
    GetClientRect(list, &client);
    const int shownByPeer = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));

    HWND gridWindow = grid->Handle();
    grid->VertScrollBar()->SetTracking(true);
    SetFocus(list);
    const int page = grid->VisibleDataRowCount();
    auto gridPageDown = [&] {
        query->First();
        int steps = 0;
        while (query->RecNo() < records) {
            SendMessageW(gridWindow, WM_KEYDOWN, VK_NEXT, 1);
            UpdateWindow(gridWindow);
            ++steps;
        }
        return steps;
    };
    auto peerFocused = [&] { return static_cast<long>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)); };
    auto peerPageDown = [&] {
        LVITEMW state{};
        state.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
        state.state = LVIS_FOCUSED | LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
        SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
        UpdateWindow(list);
        int steps = 0;
        while (peerFocused() < records - 1) {
            SendMessageW(list, WM_KEYDOWN, VK_NEXT, 1);
            UpdateWindow(list);
            ++steps;
        }
        return steps;
    };
    constexpr int kThumbSteps = 500;
    // The grid gets the bar's own notifications; the list view, which takes the track position only
    // when it differs from the bar's (a real drag), scrolls by the same rows through LVM_SCROLL.
    auto gridThumbDrag = [&](int maxPos) {
        for (int i = 0; i <= kThumbSteps; ++i) {
            const int pos = static_cast<int>(static_cast<long long>(maxPos) * i / kThumbSteps);
            SetScrollPos(gridWindow, SB_VERT, pos, FALSE);
            SendMessageW(gridWindow, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(pos)), 0);
            UpdateWindow(gridWindow);
        }
        SendMessageW(gridWindow, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(maxPos)), 0);
    };
    auto peerThumbDrag = [&](int maxTop) {
        RECT item{LVIR_BOUNDS, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
        const int itemHeight = std::max(1, static_cast<int>(item.bottom - item.top));
        for (int i = 0; i <= kThumbSteps; ++i) {
            const int top = static_cast<int>(static_cast<long long>(maxTop) * i / kThumbSteps);
            const int now = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
            SendMessageW(list, LVM_SCROLL, 0, static_cast<LPARAM>((top - now) * itemHeight));
            UpdateWindow(list);
        }
    };
    auto timed = [](const std::function<int()>& run, int& steps) {
        const double start = NowMs();
        steps = run();
        return NowMs() - start;
    };
    int gridSteps = 0, peerSteps = 0;
    const double gridPaging = timed(gridPageDown, gridSteps);
    const double peerPaging = timed(peerPageDown, peerSteps);
    const bool gridAtEnd = query->RecNo() == records;
    const bool peerAtEnd = peerFocused() == records - 1;
    const double gridThumb = timed([&] { query->First(); gridThumbDrag(static_cast<int>(records)); return kThumbSteps; }, gridSteps);
    const int gridThumbEnd = query->RecNo();
    const double peerThumb = timed([&] { SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE); peerThumbDrag(static_cast<int>(records - shownByPeer)); return kThumbSteps; }, peerSteps);
    const long peerTop = static_cast<long>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    std::fprintf(stderr, "gridscroll: %ld records, %d rows shown (list view %d); page down: grid %d steps%s, list view "
                         "%d steps%s; thumb: grid ends on record %d, list view shows from row %ld\n",
                 records, page, shownByPeer, gridSteps, gridAtEnd ? "" : " (not at the end)", peerSteps,
                 peerAtEnd ? "" : " (not at the end)", gridThumbEnd, peerTop + 1);
    const double gridPerPage = gridPaging / std::max(1, static_cast<int>((records + page - 1) / page));
    const double peerPerPage = peerPaging / std::max(1, static_cast<int>((records + shownByPeer - 1) / std::max(1, shownByPeer)));
    std::printf("grid-scroll-pagedown: ratio %.2f (vestrel %.3f ms, peer %.3f ms)\n", gridPerPage / peerPerPage,
                gridPerPage, peerPerPage);
    std::printf("grid-scroll-thumb: ratio %.2f (vestrel %.3f ms, peer %.3f ms)\n", gridThumb / peerThumb,
                gridThumb / (kThumbSteps + 1), peerThumb / (kThumbSteps + 1));

    DestroyWindow(peerFrame);
    ImageList_Destroy(rowHeight);
    form->Free();
    gQuery->Free();
    query->Free();
    connection->Free();
    GridLibraryFinalization();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const long records = argc > 1 ? std::atol(argv[1]) : 100000;
    if (records < 40) {
        std::fprintf(stderr, "usage: gridscroll [RECORDS >= 40]\n");
        return 2;
    }
    try {
        return Run(records);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gridscroll: %s\n", e.what());
        return 1;
    }
}
