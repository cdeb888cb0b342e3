// A hint window: a borderless pop-up that shows a line of text over a rectangle of the screen, in
// the system's tip colours and font. It never takes the focus or the mouse: clicks, moves and the
// wheel go to whatever window lies beneath it.
//
//   THintWindow   ActivateHint(screen rect, text) shows it there; ReleaseHandle hides it
#pragma once

#include "GraphicsTypes.h"
#include "WinApi.h"

#include <windows.h>

class THintWindow {
public:
    THintWindow();
    ~THintWindow();
    THintWindow(const THintWindow&) = delete;
    THintWindow& operator=(const THintWindow&) = delete;

    // Shows `text` with its box covering `screenRect` (made on first use).
    void ActivateHint(const TRect& screenRect, const String& text);
    // Hides the window (it stays made).
    void ReleaseHandle();
    bool Showing() const;
    HWND Handle() const { return window_; }
    const String& Caption() const { return text_; }
    const TRect& BoundsRect() const { return bounds_; }
    // The box `text` needs in the hint font: the text's extent and the margins.
    TRect CalcHintRect(const String& text) const;
    // Pixels between the box's left and top edges and the text.
    static constexpr int kMargin = 2;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);
    HFONT Font() const;

    HWND window_ = nullptr;
    String text_;
    TRect bounds_;
    mutable HFONT font_ = nullptr;
};
