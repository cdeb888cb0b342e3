#include "RzCommonLogic.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kScale = 240.0;

int RoundToByte(double value) {
    return std::clamp(static_cast<int>(std::nearbyint(value)), 0, 255);
}

TColor Rgb(int r, int g, int b) {
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

}  // namespace

THueSatLum ColorToHueSatLum(TColor color) {
    const auto rgb = static_cast<std::uint32_t>(ColorToRGB(color));
    const double r = (rgb & 0xFF) / 255.0;
    const double g = ((rgb >> 8) & 0xFF) / 255.0;
    const double b = ((rgb >> 16) & 0xFF) / 255.0;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double l = (max + min) / 2;
    double h = 0;
    double s = 0;
    if (max != min) {
        const double d = max - min;
        s = l < 0.5 ? d / (max + min) : d / (2 - max - min);
        if (r == max)
            h = (g - b) / d;
        else if (g == max)
            h = 2 + (b - r) / d;
        else
            h = 4 + (r - g) / d;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    return THueSatLum{RoundToByte(h * kScale), RoundToByte(s * kScale), RoundToByte(l * kScale)};
}

TColor HueSatLumToColor(int hue, int saturation, int luminance) {
    const double l = luminance / kScale;
    const double s = saturation / kScale;
    const double h = hue / 239.0;
    const double m2 = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    if (m2 <= 0)
        return clBlack;
    const double scaled = h * 6;
    const double whole = std::floor(scaled);
    const double f = scaled - whole;
    // Hues 239 and 240 give a seventh sextant: it is the first one again (red).
    const int sextant = static_cast<int>(whole) % 6;
    const double up = m1 + (m2 - m1) * f;
    const double down = m2 - (m2 - m1) * f;
    double r = 0, g = 0, b = 0;
    switch (sextant) {
    case 0: r = m2; g = up; b = m1; break;
    case 1: r = down; g = m2; b = m1; break;
    case 2: r = m1; g = m2; b = up; break;
    case 3: r = m1; g = down; b = m2; break;
    case 4: r = up; g = m1; b = m2; break;
    default: r = m2; g = m1; b = down; break;
    }
    auto component = [](double v) { return RoundToByte(std::min(v, 1.0) * 255); };
    return Rgb(component(r), component(g), component(b));
}

TColor DarkenColor(TColor color, int amount) {
    const THueSatLum hsl = ColorToHueSatLum(color);
    return HueSatLumToColor(hsl.Hue, hsl.Saturation, std::max(hsl.Luminance - amount, 0));
}

TColor BrightenColor(TColor color, int amount) {
    const THueSatLum hsl = ColorToHueSatLum(color);
    return HueSatLumToColor(hsl.Hue, hsl.Saturation, std::min(hsl.Luminance + amount, 255));
}

bool ColorsAlike(TColor a, TColor b) {
    const THueSatLum x = ColorToHueSatLum(a);
    const THueSatLum y = ColorToHueSatLum(b);
    return std::abs(x.Hue - y.Hue) < 20 && std::abs(x.Luminance - y.Luminance) < 60;
}

TRect CentredRect(const TRect& rect, int width, int height) {
    const int left = (rect.Left + rect.Right - width) / 2;
    const int top = (rect.Top + rect.Bottom - height) / 2;
    return Rect(left, top, left + width, top + height);
}

TPoint ComboArrowApex(const TRect& rect, TArrowKind kind, bool pressed) {
    int x = rect.Left + (rect.Right - rect.Left) / 2;
    int y = rect.Top + (rect.Bottom - rect.Top) / 2;
    if ((rect.Bottom - rect.Top) % 2 == 0)
        --y;
    y += kind == TArrowKind::Themed ? 4 : 2;
    if (pressed) {
        ++x;
        ++y;
    }
    return Point(x, y);
}

namespace {

// The downward arrow's points relative to its tip.
std::vector<TPoint> DownOffsets(TArrowKind kind) {
    if (kind == TArrowKind::Themed)
        return {{0, 0}, {-4, -5}, {-3, -7}, {0, -3}, {3, -7}, {5, -5}};
    return {{0, 0}, {-3, -4}, {4, -4}};
}

}  // namespace

std::vector<TPoint> ComboArrowPoints(const TRect& rect, TArrowKind kind, bool pressed) {
    return DirectionArrowPoints(rect, kind, pressed, adDown);
}

std::vector<TPoint> DirectionArrowPoints(const TRect& rect, TArrowKind kind, bool pressed, TArrowDirection direction) {
    // The downward arrow's tip sits below the centre by `reach`, its base above; the other
    // directions turn the same shape about the centre, so every arrow covers the same box.
    const TPoint down = ComboArrowApex(rect, kind, pressed);
    const int reach = kind == TArrowKind::Themed ? 4 : 2;
    const int cx = down.X;
    const int cy = down.Y - reach;
    std::vector<TPoint> points;
    for (const TPoint& o : DownOffsets(kind)) {
        switch (direction) {
        case adDown: points.push_back(Point(cx + o.X, cy + reach + o.Y)); break;
        case adUp: points.push_back(Point(cx + o.X, cy - reach - o.Y)); break;
        case adRight: points.push_back(Point(cx + reach + o.Y, cy + o.X)); break;
        case adLeft: points.push_back(Point(cx - reach - o.Y, cy + o.X)); break;
        }
    }
    return points;
}
