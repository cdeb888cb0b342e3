#include "SkinImageDraw.h"

#include "Controls.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

bool Inverted(const TRect& r) { return r.Right < r.Left || r.Bottom < r.Top; }

void Stretch(HDC dest, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    if (w == sw && h == sh) {
        BitBlt(dest, x, y, w, h, source, sx, sy, SRCCOPY);
        return;
    }
    SetStretchBltMode(dest, HALFTONE);
    SetBrushOrgEx(dest, 0, 0, nullptr);
    StretchBlt(dest, x, y, w, h, source, sx, sy, sw, sh, SRCCOPY);
}

void TileInto(HDC dest, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    for (int ty = 0; ty < h; ty += sh)
        for (int tx = 0; tx < w; tx += sw)
            BitBlt(dest, x + tx, y + ty, std::min(sw, w - tx), std::min(sh, h - ty), source, sx, sy, SRCCOPY);
}

HDC DcOf(TBitmap* bitmap) { return bitmap->Canvas()->Handle(); }

}  // namespace

TRect FrameCell(TBitmap* image, bool stacked, int frameCount, int frame) {
    const int count = std::max(frameCount, 1);
    const int k = std::clamp(frame, 1, count);
    if (stacked) {
        const int h = image->Height() / count;
        return TRect{0, h * (k - 1), image->Width(), h * k};
    }
    const int w = image->Width() / count;
    return TRect{w * (k - 1), 0, w * k, image->Height()};
}

TBitmap* FitFrame(const TRect& rect, TBitmap* image, const TSkinMargins& margins, bool stacked, bool tileMiddle,
                  int frameCount, int frame) {
    auto result = std::make_unique<TBitmap>();
    result->SetPixelFormat(pf24bit);
    const int w = std::max(rect.Right - rect.Left, 0), h = std::max(rect.Bottom - rect.Top, 0);
    result->SetSize(w, h);
    if (w == 0 || h == 0 || !image || image->Empty()) return result.release();

    const TRect cell = FrameCell(image, stacked, frameCount, frame);
    const int cx = cell.Left, cy = cell.Top, cw = cell.Right - cell.Left, ch = cell.Bottom - cell.Top;
    int l = std::max(margins.Left, 0), r = std::max(margins.Right, 0);
    int t = std::max(margins.Top, 0), b = std::max(margins.Bottom, 0);
    if (w < l + r || cw < l + r) l = r = 0;
    if (h < t + b || ch < t + b) t = b = 0;

    HDC src = DcOf(image);
    HDC dst = DcOf(result.get());
    const int mw = w - l - r, mh = h - t - b, smw = cw - l - r, smh = ch - t - b;
    if (l > 0 && t > 0) Stretch(dst, 0, 0, l, t, src, cx, cy, l, t);
    if (l > 0 && b > 0) Stretch(dst, 0, h - b, l, b, src, cx, cy + ch - b, l, b);
    if (r > 0 && t > 0) Stretch(dst, w - r, 0, r, t, src, cx + cw - r, cy, r, t);
    if (l > 0) Stretch(dst, 0, t, l, mh, src, cx, cy + t, l, smh);
    if (t > 0) Stretch(dst, l, 0, mw, t, src, cx + l, cy, smw, t);
    if (tileMiddle) TileInto(dst, l, t, mw, mh, src, cx + l, cy + t, smw, smh);
    else Stretch(dst, l, t, mw, mh, src, cx + l, cy + t, smw, smh);
    if (r > 0 && b > 0) Stretch(dst, w - r, h - b, r, b, src, cx + cw - r, cy + ch - b, r, b);
    if (r > 0) Stretch(dst, w - r, t, r, mh, src, cx + cw - r, cy + t, r, smh);
    if (b > 0) Stretch(dst, l, h - b, mw, b, src, cx + l, cy + ch - b, smw, b);
    GdiFlush();
    return result.release();
}

void DrawFitted(HDC dc, const TRect& rect, TBitmap* image, bool stacked, bool tileMiddle, bool transparent,
                int frameCount, int frame, const TSkinMargins& margins) {
    if (Inverted(rect) || !image || image->Empty()) return;
    std::unique_ptr<TBitmap> fitted(FitFrame(rect, image, margins, stacked, tileMiddle, frameCount, frame));
    if (fitted->Empty()) return;
    if (transparent) {
        TransparentDraw(dc, rect, fitted.get(), SkinKeyColour);
    } else {
        BitBlt(dc, rect.Left, rect.Top, fitted->Width(), fitted->Height(), DcOf(fitted.get()), 0, 0, SRCCOPY);
    }
}

void DrawThreeSlice(HDC dc, const TRect& rect, TBitmap* image, bool stacked, bool transparent, int frameCount,
                    int frame, const TSkinMargins& margins) {
    if (Inverted(rect) || !image || image->Empty()) return;
    const TRect cell = FrameCell(image, stacked, frameCount, frame);
    const int ch = cell.Bottom - cell.Top, cw = cell.Right - cell.Left;
    const int w = rect.Right - rect.Left;
    const int l = std::clamp(margins.Left, 0, cw), r = std::clamp(margins.Right, 0, cw - l);
    TBitmap strip;
    strip.SetPixelFormat(pf24bit);
    strip.SetSize(w, ch);
    HDC src = DcOf(image);
    HDC dst = DcOf(&strip);
    Stretch(dst, 0, 0, std::min(l, w), ch, src, cell.Left, cell.Top, std::min(l, w), ch);
    TileInto(dst, l, 0, w - l - r, ch, src, cell.Left + l, cell.Top, cw - l - r, ch);
    if (w - r >= l) Stretch(dst, w - r, 0, r, ch, src, cell.Right - r, cell.Top, r, ch);
    GdiFlush();
    const TRect target{rect.Left, rect.Top, rect.Right, rect.Top + ch};
    if (transparent) TransparentDraw(dc, target, &strip, SkinKeyColour);
    else BitBlt(dc, rect.Left, rect.Top, w, ch, dst, 0, 0, SRCCOPY);
}

void DrawFrame(HDC dc, const TRect& rect, TBitmap* image, bool transparent, int frameCount, int frame) {
    DrawFitted(dc, rect, image, false, false, transparent, frameCount, frame, TSkinMargins());
}

void DrawCentred(HDC dc, const TRect& rect, TBitmap* image, bool transparent, int frameCount, int frame) {
    if (Inverted(rect) || !image || image->Empty()) return;
    const TRect cell = FrameCell(image, false, frameCount, frame);
    const int cw = cell.Right - cell.Left, ch = cell.Bottom - cell.Top;
    const int x = rect.Left + (rect.Right - rect.Left - cw) / 2;
    const int y = rect.Top + (rect.Bottom - rect.Top - ch) / 2;
    DrawFitted(dc, TRect{x, y, x + cw, y + ch}, image, false, false, transparent, frameCount, frame, TSkinMargins());
}

void TileFill(HDC dc, const TRect& rect, TBitmap* image, const TRect& source) {
    const int sw = source.Right - source.Left, sh = source.Bottom - source.Top;
    if (sw <= 0 || sh <= 0 || !image || image->Empty()) return;
    TileInto(dc, rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top, DcOf(image), source.Left,
             source.Top, sw, sh);
}

void TransparentDraw(HDC dc, const TRect& rect, TBitmap* bitmap, TColor keyColour) {
    if (Inverted(rect) || !bitmap || bitmap->Empty()) return;
    const int w = std::min(rect.Right - rect.Left, bitmap->Width());
    const int h = std::min(rect.Bottom - rect.Top, bitmap->Height());
    if (w <= 0 || h <= 0) return;
    HDC src = DcOf(bitmap);
    // The mask: 1 where the copy holds the key colour.
    HDC maskDc = CreateCompatibleDC(dc);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(maskDc, mask);
    const COLORREF oldBk = SetBkColor(src, static_cast<COLORREF>(keyColour));
    BitBlt(maskDc, 0, 0, w, h, src, 0, 0, SRCCOPY);
    SetBkColor(src, oldBk);
    SelectObject(maskDc, old);
    // Key pixels (mask 1) leave the destination as it is; the rest are copied.
    MaskBlt(dc, rect.Left, rect.Top, w, h, src, 0, 0, mask, 0, 0, MAKEROP4(0x00AA0029, SRCCOPY));
    DeleteObject(mask);
    DeleteDC(maskDc);
}

HRGN RegionFromImage(TBitmap* bitmap, int x, int y, int toleranceB, int toleranceG, int toleranceR, TColor keyColour) {
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    if (!bitmap || bitmap->Empty()) return result;
    TBitmap copy;
    copy.Assign(bitmap);
    copy.SetPixelFormat(pf32bit);
    const int lr = keyColour & 0xFF, lg = (keyColour >> 8) & 0xFF, lb = (keyColour >> 16) & 0xFF;
    const int hr = std::min(lr + toleranceR, 255), hg = std::min(lg + toleranceG, 255), hb = std::min(lb + toleranceB, 255);
    auto isKey = [&](const std::uint8_t* p) {
        return p[0] >= lb && p[0] <= hb && p[1] >= lg && p[1] <= hg && p[2] >= lr && p[2] <= hr;
    };

    std::vector<RECT> rects;
    auto flush = [&] {
        if (rects.empty()) return;
        std::vector<std::uint8_t> buffer(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
        data->rdh.dwSize = sizeof(RGNDATAHEADER);
        data->rdh.iType = RDH_RECTANGLES;
        data->rdh.nCount = static_cast<DWORD>(rects.size());
        data->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
        RECT bounds = rects.front();
        for (const RECT& r : rects) {
            bounds.left = std::min(bounds.left, r.left);
            bounds.top = std::min(bounds.top, r.top);
            bounds.right = std::max(bounds.right, r.right);
            bounds.bottom = std::max(bounds.bottom, r.bottom);
        }
        data->rdh.rcBound = bounds;
        std::copy(rects.begin(), rects.end(), reinterpret_cast<RECT*>(data->Buffer));
        HRGN part = ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data);
        if (part) {
            CombineRgn(result, result, part, RGN_OR);
            DeleteObject(part);
        }
        rects.clear();
    };
    for (int row = 0; row < copy.Height(); ++row) {
        const auto* line = static_cast<const std::uint8_t*>(copy.ScanLine(row));
        for (int col = 0; col < copy.Width();) {
            while (col < copy.Width() && isKey(line + 4 * col)) ++col;
            const int start = col;
            while (col < copy.Width() && !isKey(line + 4 * col)) ++col;
            if (col > start) {
                rects.push_back(RECT{start + x, row + y, col + x, row + y + 1});
                if (rects.size() == 2000) flush();
            }
        }
    }
    flush();
    return result;
}

void PaintParentBackground(TControl* control, HDC dc) {
    if (!control || !dc) return;
    TWinControl* parent = control->Parent();
    if (!parent) return;
    const int saved = SaveDC(dc);
    POINT origin{};
    OffsetViewportOrgEx(dc, -control->Left(), -control->Top(), &origin);
    IntersectClipRect(dc, control->Left(), control->Top(), control->Left() + control->Width(),
                      control->Top() + control->Height());
    try {
        parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc));
        parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc));
    } catch (...) {
        // The parent's own fault leaves the background as far as it got.
    }
    RestoreDC(dc, saved);
}
