// The Windows-free arithmetic of the button-edit controls: colours in hue, saturation and
// luminance (each on a 0..240 scale), centring, the point sets of the small arrows. The drawing
// unit (RzCommon) and the native tests share it.
#pragma once

#include "GraphicsTypes.h"

#include <cstdint>
#include <vector>

struct THueSatLum {
    int Hue = 0;
    int Saturation = 0;
    int Luminance = 0;
    bool operator==(const THueSatLum&) const = default;
};

// `color` (a system colour is looked up first) in hue, saturation and luminance, each 0..240.
THueSatLum ColorToHueSatLum(TColor color);
// The RGB colour of hue, saturation and luminance on the 0..240 scale. A hue of 239 or 240 lies
// past the last sextant of the colour wheel and wraps round to red.
TColor HueSatLumToColor(int hue, int saturation, int luminance);
// `color` with its luminance lowered (not below 0) or raised (up to 255, which is full brightness).
TColor DarkenColor(TColor color, int amount);
TColor BrightenColor(TColor color, int amount);
// True when hue and luminance differ by less than 20 and 60.
bool ColorsAlike(TColor a, TColor b);

// A rectangle of width by height centred in `rect` (halves rounded towards zero).
TRect CentredRect(const TRect& rect, int width, int height);

// The small arrows: the themed kind (six points) and the plain kind (three points).
enum class TArrowKind { Themed, Plain };
// Directions of PaintDirectionArrow: 0 up, 1 down, 2 left, 3 right.
enum TArrowDirection { adUp = 0, adDown = 1, adLeft = 2, adRight = 3 };

// The tip of the downward arrow centred in `rect`.
TPoint ComboArrowApex(const TRect& rect, TArrowKind kind, bool pressed);
// The polygon of the drop-down arrow in `rect`.
std::vector<TPoint> ComboArrowPoints(const TRect& rect, TArrowKind kind, bool pressed);
// The polygon of an arrow of the same size pointing in `direction` (down equals the combo arrow).
std::vector<TPoint> DirectionArrowPoints(const TRect& rect, TArrowKind kind, bool pressed, TArrowDirection direction);
