// Helpers of the skin engine's window tests: the probe skin read into a skin component as a form
// description carries it, message pumping with a deadline, and pixels read back from a DC.
#pragma once

#include "WinApi.h"

#include "Component.h"

#include <cstdint>
#include <string>
#include <vector>

class TSkinData;

namespace skintest {

// The index of the probe skin's element drawn from `file` (its frames' colours: skinart::ProbeColour).
int ElementIndex(const char* file);

// A component holding a TSkinData ("SkinData1") with the probe skin and the given control set
// (the members' names, comma-separated), active; the engine is switched on.
TComponent* LoadProbeSkin(const String& skinControls);

// Runs the thread's messages until `done()` or the deadline.
template <typename Done>
bool PumpUntil(Done done, int timeoutMs = 3000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
    return true;
}

// A 32-bit top-down DIB with a memory DC selected into it.
class TPixelBuffer {
public:
    TPixelBuffer(int width, int height);
    ~TPixelBuffer();
    TPixelBuffer(const TPixelBuffer&) = delete;
    TPixelBuffer& operator=(const TPixelBuffer&) = delete;
    HDC DC() const { return dc_; }
    // 0xRRGGBB.
    std::uint32_t At(int x, int y) const;
    // How many pixels of the rectangle are exactly `rgb`.
    int Count(const RECT& r, std::uint32_t rgb) const;
    // Copies the window's whole area (through its window DC) into the buffer.
    void GrabWindow(HWND window);

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    const std::uint32_t* bits_ = nullptr;
};

// A class-library colour as 0xRRGGBB.
std::uint32_t Rgb(int colour);

}  // namespace skintest
