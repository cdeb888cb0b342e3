// The form skinner's benchmark (bench/run-skinframe.sh):
//   skinframe start-skinned   shows one window with the program's skin and ends once it is drawn
//                             skinned (timed from outside, against a minimal program)
//   skinframe start-plain     the minimal program: one window, shown, painted, ended
//   skinframe repaint N       full repaints (frame, background, children) of a window of 1000 x 700
//                             with 40 child controls, skinned and then unskinned; prints
//                             "skinned-ms unskinned-ms skinned-cpu-ms unskinned-cpu-ms", best of 5
//                             rounds of N repaints (wall clock, and the thread's processor time,
//                             which a loaded machine disturbs less)
#include "AppSkinData.h"
#include "AppSkinForm.h"
#include "SkinManage.h"

#include "FormReader.h"
#include "Forms.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

HWND MakeWindow(int width, int height, int children) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VestrelBenchWindow";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Vestrel bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20,
                                  width, height, nullptr, nullptr, wc.hInstance, nullptr);
    for (int i = 0; i < children; ++i) {
        const wchar_t* cls = i % 2 ? L"BUTTON" : L"EDIT";
        CreateWindowExW(i % 2 ? 0 : WS_EX_CLIENTEDGE, cls, L"text", WS_CHILD | WS_VISIBLE, 10 + (i % 5) * 190,
                        10 + (i / 5) * 60, 170, 24, window, nullptr, wc.hInstance, nullptr);
    }
    return window;
}

// The program's own skin in a skin component, read as the program reads its main form.
TComponent* LoadSkin(const char* archivePath) {
    std::ifstream in(archivePath, std::ios::binary);
    const std::vector<std::uint8_t> archive((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (archive.empty()) return nullptr;
    static const char digits[] = "0123456789ABCDEF";
    std::vector<std::uint8_t> value(4);
    const auto n = static_cast<std::uint32_t>(archive.size());
    for (int i = 0; i < 4; ++i) value[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
    value.insert(value.end(), archive.begin(), archive.end());
    String hex;
    for (std::uint8_t b : value) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    RegisterSkinClasses();
    TComponent* root = New<TComponent>(nullptr);
    ReadForm(root,
             "object Holder: TComponent\n  object SkinData1: TSkinData\n    Active = True\n"
             "    SkinControls = [xcMainMenu, xcSystemMenu]\n    SkinStream = {" + hex + "}\n  end\nend\n",
             "bench.txt");
    return root;
}

bool Skinned(HWND window) {
    TAppSkinForm* f = SkinManager() ? SkinManager()->FindForm(window) : nullptr;
    return f && f->State == TAppSkinForm::fsSkinned;
}

// The thread's user and kernel time, in ms.
double ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

struct TRepaintTimes {
    double Wall = 1e300;
    double Cpu = 1e300;
};

TRepaintTimes RepaintMs(HWND window, int count) {
    TRepaintTimes best;
    for (int round = 0; round < 5; ++round) {
        const double cpuStart = ThreadCpuMs();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i)
            RedrawWindow(window, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        GdiFlush();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        best.Wall = std::min(best.Wall, ms);
        best.Cpu = std::min(best.Cpu, ThreadCpuMs() - cpuStart);
        Pump();
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "start-plain") {
        HWND window = MakeWindow(800, 600, 0);
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
        Pump();
        return 0;
    }
    if (mode != "start-skinned" && mode != "repaint") {
        std::fprintf(stderr, "usage: skinframe start-skinned ARCHIVE | start-plain | repaint ARCHIVE N\n");
        return 2;
    }
    if (argc < 3) return 2;
    FormsInitialization();
    TComponent* skin = LoadSkin(argv[2]);
    if (!skin) {
        std::fprintf(stderr, "skinframe: no skin archive at %s\n", argv[2]);
        return 1;
    }
    const bool repaint = mode == "repaint";
    HWND window = MakeWindow(repaint ? 1000 : 800, repaint ? 700 : 600, repaint ? 40 : 0);
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    const DWORD deadline = GetTickCount() + 10000;
    while (!Skinned(window) && GetTickCount() < deadline) {
        Pump();
        Sleep(0);
    }
    if (!Skinned(window)) {
        std::fprintf(stderr, "skinframe: the window was not skinned\n");
        return 1;
    }
    UpdateWindow(window);
    Pump();
    if (repaint) {
        const int count = argc > 3 ? std::atoi(argv[3]) : 200;
        const TRepaintTimes skinned = RepaintMs(window, count);
        SkinManager()->UnskinAll();
        Pump();
        const TRepaintTimes unskinned = RepaintMs(window, count);
        std::printf("%.1f %.1f %.1f %.1f\n", skinned.Wall, unskinned.Wall, skinned.Cpu, unskinned.Cpu);
    }
    DestroyWindow(window);
    skin->Free();
    return 0;
}
