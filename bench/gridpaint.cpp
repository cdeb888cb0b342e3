// Benchmark of the data grid's painting against Wine's own list view (driven by bench/run-grid.sh).
//
//   gridpaint [RECORDS] [REPEATS]
//
// A data grid over a RECORDS-row data set (default 100000) with 18 columns, sized to show 40 rows,
// and a list view (SysListView32, report view, grid lines, the same 18 column widths) showing the
// same 40 rows of texts, in windows of the same size. Each is repainted REPEATS times (default 100):
//   screen: RedrawWindow (invalidate and update now, children included) on its window
//   memory: WM_PRINTCLIENT into a memory bitmap of the client size (the list view's header too)
// The best of three rounds counts. Prints one line per way:
//   grid-repaint-<way>: ratio R (vestrel A ms, peer B ms)
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

struct TRound {
    double grid = 0;
    double peer = 0;
};

double BestOf3(const std::function<void()>& run) {
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        const double start = NowMs();
        run();
        best = std::min(best, NowMs() - start);
    }
    return best;
}

// The list view's texts: the 40 rows it shows.
std::vector<std::vector<std::wstring>> gPeerTexts;

LRESULT CALLBACK PeerWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == LVN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            const int row = info->item.iItem;
            const int col = info->item.iSubItem;
            if ((info->item.mask & LVIF_TEXT) && row >= 0 && row < static_cast<int>(gPeerTexts.size()) && col >= 0 &&
                col < kColumns) {
                const std::wstring& text = gPeerTexts[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
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

// Paints `window`'s client area (and, for the list view, its header) into `dc`.
void PrintClient(HWND window, HDC dc, HWND header) {
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    if (header) {
        RECT r;
        GetWindowRect(header, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        POINT old;
        SetWindowOrgEx(dc, -r.left, -r.top, &old);
        SendMessageW(header, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        SetWindowOrgEx(dc, old.x, old.y, nullptr);
    }
}

int Run(long records, int repeats) {
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

    // The list view with the same texts, in a window of the same client size.
    query->First();
    for (int r = 0; r < kRows; ++r) {
        std::vector<std::wstring> row;
        for (int c = 0; c < kColumns; ++c) row.push_back(ToWide(query->Fields()->Fields(c)->DisplayText()));
        gPeerTexts.push_back(row);
        query->Next();
    }
    query->First();
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
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    Pump();
    GetClientRect(list, &client);
    const int shownByPeer = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));

    HWND gridWindow = grid->Handle();
    auto screenRepaints = [&](HWND window) {
        return [window, repeats] {
            for (int i = 0; i < repeats; ++i)
                RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            GdiFlush();
        };
    };
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, clientWidth, clientHeight);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    auto memoryRepaints = [&](HWND window, HWND childHeader) {
        return [window, childHeader, repeats, memory] {
            for (int i = 0; i < repeats; ++i) PrintClient(window, memory, childHeader);
            GdiFlush();
        };
    };

    // One warm-up of each.
    screenRepaints(gridWindow)();
    screenRepaints(list)();
    const TRound screenRound{BestOf3(screenRepaints(gridWindow)), BestOf3(screenRepaints(list))};
    const TRound memoryRound{BestOf3(memoryRepaints(gridWindow, nullptr)), BestOf3(memoryRepaints(list, header))};
    std::fprintf(stderr, "gridpaint: %ld records, %d x %d cells, client %d x %d (list view %ld x %ld, %d rows), "
                         "%d repaints\n",
                 records, kRows, kColumns, clientWidth, clientHeight, client.right, client.bottom, shownByPeer, repeats);
    std::printf("grid-repaint-screen: ratio %.2f (vestrel %.1f ms, peer %.1f ms)\n", screenRound.grid / screenRound.peer,
                screenRound.grid, screenRound.peer);
    std::printf("grid-repaint-memory: ratio %.2f (vestrel %.1f ms, peer %.1f ms)\n", memoryRound.grid / memoryRound.peer,
                memoryRound.grid, memoryRound.peer);

    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    DestroyWindow(peerFrame);
    ImageList_Destroy(rowHeight);
    form->Free();
    query->Free();
    connection->Free();
    GridLibraryFinalization();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const long records = argc > 1 ? std::atol(argv[1]) : 100000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 100;
    if (records < 40 || repeats < 1) {
        std::fprintf(stderr, "usage: gridpaint [RECORDS >= 40] [REPEATS >= 1]\n");
        return 2;
    }
    try {
        return Run(records, repeats);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gridpaint: %s\n", e.what());
        return 1;
    }
}
