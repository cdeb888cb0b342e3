// Pixel routines for skin bitmaps (24-bit, blue-green-red, rows through ScanLine), colour blends,
// and two-colour gradients with a small cache of gradient tables.
#pragma once

#include "Graphics.h"

#include <vector>

// Every channel becomes (R + G + B) / 3.
void Grayscale(TBitmap* bitmap);
// Pixels of exactly magenta (255, 0, 255) take `color`.
void ReplaceMagenta(TBitmap* bitmap, TColor color);
void MirrorHorizontal(TBitmap* bitmap);
void FlipVertical(TBitmap* bitmap);
void RotateLeft(TBitmap* bitmap);   // 90 degrees anticlockwise
void RotateRight(TBitmap* bitmap);  // 90 degrees clockwise

// Mixes `c1` (weight `a`) with `c2`. `a` below 100 is a percentage, from 100 on per mille (so 100
// itself means 10%). System colours are resolved first.
TColor BlendColors(TColor c1, TColor c2, int a);

// The gradient cache: 16 tables reused round-robin, found by (count, c1, c2).
int FindGradient(int count, TColor c1, TColor c2);
int BuildGradient(int count, TColor c1, TColor c2);
int GetGradient(int count, TColor c1, TColor c2);
const std::vector<TColor>& GradientEntries(int slot);
void FreeGradientCache();

// Paints a gradient from `c1` to `c2` over `rect`, top to bottom (vertical) or left to right,
// only over the part inside the DC's clip box.
void GradientFill(HDC dc, const TRect& rect, TColor c1, TColor c2, bool vertical);

// 0 to 255; 200 when every channel is below 160.
int ColorSaturation(TColor color);
