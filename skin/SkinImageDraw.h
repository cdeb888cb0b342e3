// Drawing skin elements: one frame of an element's image (frames side by side, or stacked) fitted
// to a rectangle with unstretched margins, magenta (0xFF00FF) as the transparent colour, tiling,
// and a window region cut from an image's non-key pixels.
#pragma once

#include "Graphics.h"

class TControl;

struct TSkinMargins {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

constexpr TColor SkinKeyColour = 0xFF00FF;

// The cell of frame `frame` (1-based) of `image`; the frame count is taken as at least 1 and the
// frame is clamped into 1..count.
TRect FrameCell(TBitmap* image, bool stacked, int frameCount, int frame);

// A new bitmap of the rectangle's size holding the frame fitted with its margins (corners kept,
// edges stretched along their length, the middle stretched or tiled). The caller frees it.
TBitmap* FitFrame(const TRect& rect, TBitmap* image, const TSkinMargins& margins, bool stacked, bool tileMiddle,
                  int frameCount, int frame);
// FitFrame drawn into `dc` at `rect`, transparently or copied; nothing for an inverted rectangle.
// The fitted pictures of 24- and 32-bit images are kept (by the image's content and the fitting)
// and reused by later drawings.
void DrawFitted(HDC dc, const TRect& rect, TBitmap* image, bool stacked, bool tileMiddle, bool transparent,
                int frameCount, int frame, const TSkinMargins& margins);
// The frame as a left cap, a middle repeated across and a right cap, each at the cell's height.
void DrawThreeSlice(HDC dc, const TRect& rect, TBitmap* image, bool stacked, bool transparent, int frameCount,
                    int frame, const TSkinMargins& margins);
// The frame (side by side) stretched to the whole rectangle.
void DrawFrame(HDC dc, const TRect& rect, TBitmap* image, bool transparent, int frameCount, int frame);
// The frame (side by side) at its own size, centred in the rectangle.
void DrawCentred(HDC dc, const TRect& rect, TBitmap* image, bool transparent, int frameCount, int frame);
// `source` of `image` repeated from the rectangle's top left until it is covered.
void TileFill(HDC dc, const TRect& rect, TBitmap* image, const TRect& source);
// `bitmap` drawn at `rect` leaving out the pixels of `keyColour`; nothing for an inverted rectangle.
void TransparentDraw(HDC dc, const TRect& rect, TBitmap* bitmap, TColor keyColour);
// The region of the pixels outside keyColour .. keyColour + tolerance (per channel, capped at 255),
// offset by (x, y). An image entirely of the key colour gives an empty region.
HRGN RegionFromImage(TBitmap* bitmap, int x, int y, int toleranceB, int toleranceG, int toleranceR, TColor keyColour);
// The control's parent painted into `dc` behind the control (the DC's origin at the control's top
// left): its background erase and its paint, clipped to the control.
void PaintParentBackground(TControl* control, HDC dc);
