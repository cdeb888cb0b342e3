#include "SkinBitmapUtils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

struct TGradientSlot {
    int Count = -1;
    TColor C1 = 0;
    TColor C2 = 0;
    std::vector<TColor> Entries;
};

struct TGradientCache {
    std::array<TGradientSlot, 16> Slots;
    int Next = 0;
};

TGradientCache& Cache() {
    static TGradientCache cache;
    return cache;
}

TColor Resolve(TColor color) {
    return color < 0 ? static_cast<TColor>(GetSysColor(color & 0xFF)) : color;
}

int Red(TColor c) { return c & 0xFF; }
int Green(TColor c) { return (c >> 8) & 0xFF; }
int Blue(TColor c) { return (c >> 16) & 0xFF; }
TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | g << 8 | b << 16); }

// The picture as top-down BGR rows.
std::vector<std::uint8_t> Pixels(TBitmap* bitmap) {
    const int w = bitmap->Width(), h = bitmap->Height();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) std::memcpy(&out[static_cast<std::size_t>(y) * w * 3], bitmap->ScanLine(y), static_cast<std::size_t>(w) * 3);
    return out;
}

void Store(TBitmap* bitmap, int w, int h, const std::vector<std::uint8_t>& pixels) {
    bitmap->SetSize(w, h);
    for (int y = 0; y < h; ++y) std::memcpy(bitmap->ScanLine(y), &pixels[static_cast<std::size_t>(y) * w * 3], static_cast<std::size_t>(w) * 3);
}

template <class F>
void EachPixel(TBitmap* bitmap, F f) {
    for (int y = 0; y < bitmap->Height(); ++y) {
        auto* row = static_cast<std::uint8_t*>(bitmap->ScanLine(y));
        for (int x = 0; x < bitmap->Width(); ++x) f(row + 3 * x);
    }
}

// Moves the pixels: destination (x, y) of a w x h picture takes source map(x, y).
template <class Map>
void Remap(TBitmap* bitmap, int w, int h, Map map) {
    const int sw = bitmap->Width();
    const std::vector<std::uint8_t> source = Pixels(bitmap);
    std::vector<std::uint8_t> dest(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto [sx, sy] = map(x, y);
            std::memcpy(&dest[(static_cast<std::size_t>(y) * w + x) * 3], &source[(static_cast<std::size_t>(sy) * sw + sx) * 3], 3);
        }
    Store(bitmap, w, h, dest);
}

}  // namespace

void Grayscale(TBitmap* bitmap) {
    bitmap->SetPixelFormat(pf24bit);
    EachPixel(bitmap, [](std::uint8_t* p) {
        const auto v = static_cast<std::uint8_t>((p[0] + p[1] + p[2]) / 3);
        p[0] = p[1] = p[2] = v;
    });
}

void ReplaceMagenta(TBitmap* bitmap, TColor color) {
    if (bitmap->PixelFormat() != pf24bit) bitmap->SetPixelFormat(pf24bit);
    const TColor rgb = Resolve(color);
    EachPixel(bitmap, [&](std::uint8_t* p) {
        if (p[0] == 255 && p[1] == 0 && p[2] == 255) {
            p[0] = static_cast<std::uint8_t>(Blue(rgb));
            p[1] = static_cast<std::uint8_t>(Green(rgb));
            p[2] = static_cast<std::uint8_t>(Red(rgb));
        }
    });
}

void MirrorHorizontal(TBitmap* bitmap) {
    const int w = bitmap->Width(), h = bitmap->Height();
    Remap(bitmap, w, h, [&](int x, int y) { return std::pair{w - 1 - x, y}; });
}

void FlipVertical(TBitmap* bitmap) {
    const int w = bitmap->Width(), h = bitmap->Height();
    Remap(bitmap, w, h, [&](int x, int y) { return std::pair{x, h - 1 - y}; });
}

void RotateLeft(TBitmap* bitmap) {
    // Source (c, r) goes to (r, oldWidth - 1 - c).
    const int w = bitmap->Width(), h = bitmap->Height();
    Remap(bitmap, h, w, [&](int x, int y) { return std::pair{w - 1 - y, x}; });
}

void RotateRight(TBitmap* bitmap) {
    // Source (c, r) goes to (oldHeight - 1 - r, c).
    const int w = bitmap->Width(), h = bitmap->Height();
    Remap(bitmap, h, w, [&](int x, int y) { return std::pair{y, h - 1 - x}; });
}

TColor BlendColors(TColor c1, TColor c2, int a) {
    c1 = Resolve(c1);
    c2 = Resolve(c2);
    const int d = a < 100 ? 100 : 1000;
    auto mix = [&](int v1, int v2) { return (v2 * (d - a) + v1 * a + d / 2) / d; };
    return Rgb(mix(Red(c1), Red(c2)), mix(Green(c1), Green(c2)), mix(Blue(c1), Blue(c2)));
}

int FindGradient(int count, TColor c1, TColor c2) {
    // Keyed by the request, not by the entries: the last entry of a falling channel stops one
    // step short of c2, so a key of entries would never be found again.
    const auto& slots = Cache().Slots;
    for (int i = 15; i >= 0; --i)
        if (slots[i].Count == count && slots[i].C1 == c1 && slots[i].C2 == c2) return i;
    return -1;
}

int BuildGradient(int count, TColor c1, TColor c2) {
    TGradientCache& cache = Cache();
    const int slot = cache.Next;
    cache.Next = (cache.Next + 1) % 16;
    TGradientSlot& s = cache.Slots[slot];
    s.Count = count;
    s.C1 = c1;
    s.C2 = c2;
    s.Entries.assign(static_cast<std::size_t>(std::max(count, 0)), 0);
    const int dr = Red(c2) - Red(c1), dg = Green(c2) - Green(c1), db = Blue(c2) - Blue(c1);
    if (count == 1) {
        s.Entries[0] = Rgb(Red(c1) + dr / 2, Green(c1) + dg / 2, Blue(c1) + db / 2);
    } else if (count > 1) {
        const int d = count - 1, h = d / 2;
        for (int i = 0; i < count; ++i)
            s.Entries[static_cast<std::size_t>(i)] =
                Rgb(Red(c1) + (h + i * dr) / d, Green(c1) + (h + i * dg) / d, Blue(c1) + (h + i * db) / d);
    }
    return slot;
}

int GetGradient(int count, TColor c1, TColor c2) {
    const int found = FindGradient(count, c1, c2);
    return found >= 0 ? found : BuildGradient(count, c1, c2);
}

const std::vector<TColor>& GradientEntries(int slot) { return Cache().Slots[static_cast<std::size_t>(slot)].Entries; }

void FreeGradientCache() {
    for (TGradientSlot& s : Cache().Slots) s = TGradientSlot();
    Cache().Next = 0;
}

void GradientFill(HDC dc, const TRect& rect, TColor c1, TColor c2, bool vertical) {
    RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    if (!RectVisible(dc, &r)) return;
    const int length = vertical ? rect.Bottom - rect.Top : rect.Right - rect.Left;
    if (length <= 0) return;
    c1 = Resolve(c1);
    c2 = Resolve(c2);
    RECT clip{};
    GetClipBox(dc, &clip);
    const int start = vertical ? rect.Top : rect.Left;
    const int clipNear = vertical ? clip.top : clip.left;
    const int clipFar = vertical ? clip.bottom : clip.right;
    const int first = std::max(0, clipNear - start);
    const int last = std::min(length, clipFar - start);
    const std::vector<TColor>& entries = GradientEntries(GetGradient(length, c1, c2));
    for (int step = first; step < last; ++step) {
        RECT band = vertical ? RECT{rect.Left, start + step, rect.Right, start + step + 1}
                             : RECT{start + step, rect.Top, start + step + 1, rect.Bottom};
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(entries[static_cast<std::size_t>(step)]));
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
}

int ColorSaturation(TColor color) {
    const TColor c = Resolve(color);
    const int r = Red(c), g = Green(c), b = Blue(c);
    if (r < 160 && g < 160 && b < 160) return 200;
    const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    if (mx == 0) return 0;
    return static_cast<int>(std::lround(static_cast<double>(mx - mn) / mx * 255));
}
