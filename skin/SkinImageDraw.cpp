#include "SkinImageDraw.h"

#include "Controls.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
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

namespace {

// Fitted pictures kept for reuse: skinned controls draw the same element at the same few sizes on
// every paint. An entry is found by the content of the source image (a hash of its pixels, its size
// and format), so a changed or freed and reallocated image never finds a stale picture. A
// transparent entry keeps its picture with the key pixels made black and a mask (white at the key
// pixels, black elsewhere), drawn with two plain blits and no temporary bitmaps.
class TFittedPictures {
public:
    struct TKey {
        std::uint64_t Content = 0;
        int ImageWidth = 0, ImageHeight = 0, Format = 0;
        int Width = 0, Height = 0;
        TSkinMargins Margins;
        bool Stacked = false, TileMiddle = false, Transparent = false;
        int FrameCount = 0, Frame = 0;
        bool operator==(const TKey& o) const {
            return Content == o.Content && ImageWidth == o.ImageWidth && ImageHeight == o.ImageHeight &&
                   Format == o.Format && Width == o.Width && Height == o.Height && Margins.Left == o.Margins.Left &&
                   Margins.Top == o.Margins.Top && Margins.Right == o.Margins.Right &&
                   Margins.Bottom == o.Margins.Bottom && Stacked == o.Stacked && TileMiddle == o.TileMiddle &&
                   Transparent == o.Transparent && FrameCount == o.FrameCount && Frame == o.Frame;
        }
    };
    struct TEntry {
        TKey Key;
        std::unique_ptr<TBitmap> Picture;
        std::unique_ptr<TBitmap> Mask;  // none: no key pixels (or not transparent)
        std::int64_t Bytes = 0;
    };

    // The entry for the key, made by `make` when missing; the most recently used come first.
    template <class Make>
    const TEntry& Get(const TKey& key, Make make) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->Key == key) {
                if (it != entries_.begin()) entries_.splice(entries_.begin(), entries_, it);
                return entries_.front();
            }
        TEntry entry = make();
        entry.Key = key;
        bytes_ += entry.Bytes;
        entries_.push_front(std::move(entry));
        while (entries_.size() > 1 && (entries_.size() > MaxEntries || bytes_ > MaxBytes)) {
            bytes_ -= entries_.back().Bytes;
            entries_.pop_back();
        }
        return entries_.front();
    }

    std::mutex Lock;

private:
    // Each entry holds two bitmaps with their memory DCs: few enough GDI objects to stay small.
    static constexpr std::size_t MaxEntries = 96;
    static constexpr std::int64_t MaxBytes = std::int64_t{12} << 20;
    std::list<TEntry> entries_;
    std::int64_t bytes_ = 0;
};

TFittedPictures& FittedPictures() {
    static TFittedPictures* pictures = new TFittedPictures;  // never freed: used up to the program's end
    return *pictures;
}

std::int64_t RowBytes24(int width) { return (std::int64_t{width} * 24 + 31) / 32 * 4; }

// A hash of the image's pixels (its DIB memory); 0 for a format the cache does not take.
std::uint64_t ContentHash(TBitmap* image) {
    const TPixelFormat format = image->PixelFormat();
    if (format != pf24bit && format != pf32bit) return 0;
    const std::int64_t row = (std::int64_t{image->Width()} * (format == pf24bit ? 24 : 32) + 31) / 32 * 4;
    const std::int64_t size = row * image->Height();
    // The DIB is bottom-up and contiguous: its memory starts at the last picture row.
    const auto* p = static_cast<const std::uint8_t*>(image->ScanLine(image->Height() - 1));
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(size);
    std::int64_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    for (; i < size; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
    return h | 1;  // never 0
}

// The key pixels of a 24-bit picture made black, and the mask of them; false when it has none.
bool CutOutKey(TBitmap* picture, TBitmap* mask) {
    const int w = picture->Width(), h = picture->Height();
    const std::uint8_t kb = (SkinKeyColour >> 16) & 0xFF, kg = (SkinKeyColour >> 8) & 0xFF, kr = SkinKeyColour & 0xFF;
    bool any = false;
    for (int y = 0; y < h && !any; ++y) {
        const auto* line = static_cast<const std::uint8_t*>(picture->ScanLine(y));
        for (int x = 0; x < w && !any; ++x)
            any = line[3 * x] == kb && line[3 * x + 1] == kg && line[3 * x + 2] == kr;
    }
    if (!any) return false;
    mask->SetPixelFormat(pf24bit);
    mask->SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        auto* line = static_cast<std::uint8_t*>(picture->ScanLine(y));
        auto* m = static_cast<std::uint8_t*>(mask->ScanLine(y));
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = line + 3 * x;
            const bool key = p[0] == kb && p[1] == kg && p[2] == kr;
            m[3 * x] = m[3 * x + 1] = m[3 * x + 2] = key ? 0xFF : 0;
            if (key) p[0] = p[1] = p[2] = 0;
        }
    }
    return true;
}

}  // namespace

void DrawFitted(HDC dc, const TRect& rect, TBitmap* image, bool stacked, bool tileMiddle, bool transparent,
                int frameCount, int frame, const TSkinMargins& margins) {
    if (Inverted(rect) || !image || image->Empty()) return;
    TFittedPictures::TKey key;
    key.Content = ContentHash(image);
    if (key.Content == 0) {
        // A palette picture: fitted afresh each time.
        std::unique_ptr<TBitmap> fitted(FitFrame(rect, image, margins, stacked, tileMiddle, frameCount, frame));
        if (fitted->Empty()) return;
        if (transparent) TransparentDraw(dc, rect, fitted.get(), SkinKeyColour);
        else BitBlt(dc, rect.Left, rect.Top, fitted->Width(), fitted->Height(), DcOf(fitted.get()), 0, 0, SRCCOPY);
        return;
    }
    key.ImageWidth = image->Width();
    key.ImageHeight = image->Height();
    key.Format = static_cast<int>(image->PixelFormat());
    key.Width = rect.Right - rect.Left;
    key.Height = rect.Bottom - rect.Top;
    key.Margins = margins;
    key.Stacked = stacked;
    key.TileMiddle = tileMiddle;
    key.Transparent = transparent;
    key.FrameCount = frameCount;
    key.Frame = frame;
    TFittedPictures& pictures = FittedPictures();
    std::lock_guard<std::mutex> guard(pictures.Lock);
    const TFittedPictures::TEntry& entry = pictures.Get(key, [&] {
        TFittedPictures::TEntry made;
        made.Picture.reset(FitFrame(rect, image, margins, stacked, tileMiddle, frameCount, frame));
        if (transparent && !made.Picture->Empty()) {
            auto mask = std::make_unique<TBitmap>();
            if (CutOutKey(made.Picture.get(), mask.get())) made.Mask = std::move(mask);
        }
        made.Bytes = RowBytes24(made.Picture->Width()) * made.Picture->Height() * (made.Mask ? 2 : 1);
        return made;
    });
    TBitmap* picture = entry.Picture.get();
    if (picture->Empty()) return;
    const int w = picture->Width(), h = picture->Height();
    if (entry.Mask) {
        // The mask keeps the destination at the key pixels and clears it elsewhere; the picture,
        // black at the key pixels, is then added.
        BitBlt(dc, rect.Left, rect.Top, w, h, DcOf(entry.Mask.get()), 0, 0, SRCAND);
        BitBlt(dc, rect.Left, rect.Top, w, h, DcOf(picture), 0, 0, SRCPAINT);
    } else {
        BitBlt(dc, rect.Left, rect.Top, w, h, DcOf(picture), 0, 0, SRCCOPY);
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
