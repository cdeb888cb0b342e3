// Small helpers the grid units share: a memory stream that grows in coarse steps, bookmark
// comparison, the master data set of a detail, and (Windows) thin wrappers over drawing and
// message calls.
//
// Classes in this file:
//   TMemoryStreamEh   a memory stream whose capacity grows in steps of 8192 bytes
#pragma once

#include "DB.h"
#include "Streams.h"

class TMemoryStreamEh : public TMemoryStream {
    VESTREL_CLASS(TMemoryStreamEh, TMemoryStream)
public:
    static constexpr std::int64_t kHalfDelta = 4096;
    static constexpr std::int64_t kDelta = 2 * kHalfDelta;

protected:
    // A request above zero that differs from the current size is rounded up to a multiple of
    // 8192; 0 frees the memory.
    void Realloc(std::int64_t newCapacity) override;
};

// The data set's CompareBookmarks (negative, 0 or positive).
int CompareBookmarksOf(TDataSet* dataSet, const TBookmark& a, const TBookmark& b);
// The master data set of a detail data set, or nullptr; an error while asking counts as none.
TDataSet* MasterDataSetOf(TDataSet* dataSet);

#ifdef _WIN32
#include "GridTypesEh.h"

// Thin wrappers with the Windows meaning (UTF-8 text through the W functions).
int DrawTextEh(HDC dc, const String& text, RECT& rect, UINT format);
int DrawTextExEh(HDC dc, const String& text, RECT& rect, UINT format, int leftMargin, int rightMargin);
BOOL ExtTextOutEh(HDC dc, int x, int y, UINT options, const RECT* rect, const String& text);
SIZE TextExtentEh(HDC dc, const String& text);
LRESULT SendTextMessageEh(HWND window, UINT msg, WPARAM wParam, const String& text);
void WindowInvalidateRect(HWND window, const TRect* rect, bool erase);
void WindowValidateRect(HWND window, const TRect* rect);
// The selection of an edit control (EM_GETSEL).
void GetEditSelection(HWND edit, int& start, int& end);
HRGN CreatePolygonRegionEh(const TPoint* points, int count, int fillMode);
// A bitmap resource of the program by name; nullptr when missing.
HBITMAP LoadBitmapEh(const String& name);
TRect EmptyRect();
#endif
