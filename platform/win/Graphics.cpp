#include "Graphics.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <string>
#include <utility>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// Largest picture made or loaded: far beyond any the program draws, small enough that a lying
// header cannot exhaust memory.
constexpr std::int64_t kMaxImageBytes = std::int64_t{256} << 20;

COLORREF ColorRef(TColor color) {
    return static_cast<COLORREF>(ColorToRGB(color)) & 0x00FFFFFF;
}

// Frees a GDI object at the end of a scope (after listeners had the chance to let go of it).
struct DeleteLater {
    HGDIOBJ object;
    ~DeleteLater() {
        if (object) DeleteObject(object);
    }
};

// A memory DC with one bitmap selected, for the scope.
class MemoryDC {
public:
    explicit MemoryDC(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
        if (!dc_) throw EOutOfMemory("Cannot create a memory device context (error " + std::to_string(GetLastError()) + ")");
        previous_ = SelectObject(dc_, bitmap);
    }
    ~MemoryDC() {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

int ScreenPixelsPerInch() {
    static const int ppi = [] {
        const int value = GetDeviceCaps(ScreenCompatibleDC(), LOGPIXELSY);
        return value > 0 ? value : 96;
    }();
    return ppi;
}

}  // namespace

// The system colours of GraphicsTypes.h carry the COLOR_* indices.
static_assert([] {
    constexpr struct {
        TColor color;
        int index;
    } colors[] = {
        {clScrollBar, COLOR_SCROLLBAR}, {clBackground, COLOR_BACKGROUND}, {clActiveCaption, COLOR_ACTIVECAPTION},
        {clInactiveCaption, COLOR_INACTIVECAPTION}, {clMenu, COLOR_MENU}, {clWindow, COLOR_WINDOW},
        {clWindowFrame, COLOR_WINDOWFRAME}, {clMenuText, COLOR_MENUTEXT}, {clWindowText, COLOR_WINDOWTEXT},
        {clCaptionText, COLOR_CAPTIONTEXT}, {clActiveBorder, COLOR_ACTIVEBORDER},
        {clInactiveBorder, COLOR_INACTIVEBORDER}, {clAppWorkSpace, COLOR_APPWORKSPACE},
        {clHighlight, COLOR_HIGHLIGHT}, {clHighlightText, COLOR_HIGHLIGHTTEXT}, {clBtnFace, COLOR_BTNFACE},
        {clBtnShadow, COLOR_BTNSHADOW}, {clGrayText, COLOR_GRAYTEXT}, {clBtnText, COLOR_BTNTEXT},
        {clInactiveCaptionText, COLOR_INACTIVECAPTIONTEXT}, {clBtnHighlight, COLOR_BTNHIGHLIGHT},
        {cl3DDkShadow, COLOR_3DDKSHADOW}, {cl3DLight, COLOR_3DLIGHT}, {clInfoText, COLOR_INFOTEXT},
        {clInfoBk, COLOR_INFOBK}, {clHotLight, COLOR_HOTLIGHT}, {clGradientActiveCaption, COLOR_GRADIENTACTIVECAPTION},
        {clGradientInactiveCaption, COLOR_GRADIENTINACTIVECAPTION}, {clMenuHighlight, COLOR_MENUHILIGHT},
        {clMenuBar, COLOR_MENUBAR},
    };
    for (const auto& c : colors)
        if (c.color != (clSystemColor | c.index)) return false;
    return true;
}());

TColor ColorToRGB(TColor color) {
    if (color < 0) return static_cast<TColor>(GetSysColor(color & 0xFF));
    return color;
}

// ---- Drawing tools --------------------------------------------------------------------------------

TFont::TFont() : TCustomFont(-MulDivRound(8, ScreenPixelsPerInch(), 72)) {}

TFont::~TFont() {
    DestroyHandle();
}

void TFont::DestroyHandle() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

// The old font stays alive until the listeners (a canvas that has it selected) let go of it.
void TFont::GlyphsChanged() {
    DeleteLater old{handle_};
    handle_ = nullptr;
    Changed();
}

HFONT TFont::Handle() const {
    if (handle_) return handle_;
    LOGFONTW font{};
    font.lfHeight = height_;
    font.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = style_.Contains(fsItalic);
    font.lfUnderline = style_.Contains(fsUnderline);
    font.lfStrikeOut = style_.Contains(fsStrikeOut);
    font.lfCharSet = charset_;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    // The face name field holds 31 units; a cut never leaves half a surrogate pair.
    const std::wstring face = ToWide(name_);
    std::size_t length = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
    if (length < face.size() && length > 0 && IS_HIGH_SURROGATE(face[length - 1])) --length;
    std::copy_n(face.data(), length, font.lfFaceName);
    font.lfFaceName[length] = L'\0';
    handle_ = CreateFontIndirectW(&font);
    if (!handle_)
        throw EOutOfMemory("Cannot create the font \"" + name_ + "\" (error " + std::to_string(GetLastError()) + ")");
    return handle_;
}

void TFont::SetHandle(HFONT font) {
    if (font == handle_) return;
    LOGFONTW description{};
    if (!font || GetObjectW(font, sizeof description, &description) != static_cast<int>(sizeof description))
        throw EInvalidGraphicOperation("TFont.SetHandle: the handle is not a font");
    DeleteLater old{handle_};
    handle_ = font;
    name_ = FromWide(description.lfFaceName);
    height_ = description.lfHeight;
    TFontStyles style;
    if (description.lfWeight >= FW_BOLD) style.Include(fsBold);
    if (description.lfItalic) style.Include(fsItalic);
    if (description.lfUnderline) style.Include(fsUnderline);
    if (description.lfStrikeOut) style.Include(fsStrikeOut);
    style_ = style;
    charset_ = description.lfCharSet;
    const int pitch = description.lfPitchAndFamily & 3;
    pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    Changed();
}

int TFont::PixelsPerInch() const {
    return ScreenPixelsPerInch();
}

TPen::~TPen() {
    if (handle_) DeleteObject(handle_);
}

void TPen::HandleChanged() {
    DeleteLater old{handle_};
    handle_ = nullptr;
    Changed();
}

void TPen::Assign(TPersistent* source) {
    auto* pen = dynamic_cast<TPen*>(source);
    if (!pen) return inherited::Assign(source);
    if (pen == this) return;
    const bool sameHandle = color_ == pen->color_ && width_ == pen->width_ && style_ == pen->style_;
    if (sameHandle && mode_ == pen->mode_) return;
    color_ = pen->color_;
    width_ = pen->width_;
    style_ = pen->style_;
    mode_ = pen->mode_;
    if (sameHandle)
        Changed();
    else
        HandleChanged();
}

HPEN TPen::Handle() const {
    if (!handle_) {
        // The TPenStyle ordinals are the PS_* codes (psClear is PS_NULL).
        handle_ = CreatePen(static_cast<int>(style_), width_, ColorRef(color_));
        if (!handle_) throw EOutOfMemory("Cannot create a pen (error " + std::to_string(GetLastError()) + ")");
    }
    return handle_;
}

void TPen::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    HandleChanged();
}

void TPen::SetWidth(int width) {
    width = std::max(width, 1);
    if (width == width_) return;
    width_ = width;
    HandleChanged();
}

void TPen::SetStyle(TPenStyle style) {
    if (style == style_) return;
    style_ = style;
    HandleChanged();
}

void TPen::SetMode(TPenMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    Changed();
}

int TPen::Rop2() const {
    static constexpr int codes[] = {
        R2_BLACK,      R2_WHITE,      R2_NOP,         R2_NOT,        R2_COPYPEN,  R2_NOTCOPYPEN,
        R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
        R2_MASKPEN,    R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN,
    };
    return codes[mode_];
}

TBrush::~TBrush() {
    if (handle_) DeleteObject(handle_);
}

void TBrush::HandleChanged() {
    DeleteLater old{handle_};
    handle_ = nullptr;
    Changed();
}

void TBrush::Assign(TPersistent* source) {
    auto* brush = dynamic_cast<TBrush*>(source);
    if (!brush) return inherited::Assign(source);
    if (brush == this || (color_ == brush->color_ && style_ == brush->style_)) return;
    color_ = brush->color_;
    style_ = brush->style_;
    HandleChanged();
}

HBRUSH TBrush::Handle() const {
    if (!handle_) {
        LOGBRUSH description{};
        description.lbColor = ColorRef(color_);
        if (style_ == bsSolid) {
            description.lbStyle = BS_SOLID;
        } else if (style_ == bsClear) {
            description.lbStyle = BS_HOLLOW;
        } else {
            description.lbStyle = BS_HATCHED;
            description.lbHatch = static_cast<ULONG_PTR>(style_ - bsHorizontal);  // HS_HORIZONTAL onwards
        }
        handle_ = CreateBrushIndirect(&description);
        if (!handle_) throw EOutOfMemory("Cannot create a brush (error " + std::to_string(GetLastError()) + ")");
    }
    return handle_;
}

void TBrush::SetColor(TColor color) {
    if (color == color_ && style_ != bsClear) return;
    color_ = color;
    if (style_ == bsClear) style_ = bsSolid;
    HandleChanged();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == style_) return;
    style_ = style;
    HandleChanged();
}

// ---- Canvas ---------------------------------------------------------------------------------------

TCanvasPixels::Pixel::operator TColor() const {
    return canvas_->GetPixelColor(x_, y_);
}

TCanvasPixels::Pixel& TCanvasPixels::Pixel::operator=(TColor color) {
    canvas_->SetPixelColor(x_, y_, color);
    return *this;
}

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
    font_->OnChange = Event<&TCanvas::FontChanged>(this);
    pen_->OnChange = Event<&TCanvas::PenChanged>(this);
    brush_->OnChange = Event<&TCanvas::BrushChanged>(this);
}

// A changed tool leaves the DC before its old GDI object is freed.
void TCanvas::FontChanged(TObject*) {
    DeselectFont();
}

void TCanvas::PenChanged(TObject*) {
    DeselectPen();
}

void TCanvas::BrushChanged(TObject*) {
    DeselectBrush();
}

TCanvas::~TCanvas() {
    SetHandle(nullptr);
}

HDC TCanvas::Handle() {
    if (!handle_) CreateHandle();
    if (!handle_) throw EInvalidOperation("Canvas does not allow drawing");
    return handle_;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc == handle_) return;
    if (handle_) Refresh();
    originalFont_ = originalPen_ = originalBrush_ = nullptr;
    handle_ = dc;
}

void TCanvas::Refresh() {
    DeselectFont();
    DeselectPen();
    DeselectBrush();
}

void TCanvas::RequireFont() {
    HDC dc = Handle();
    if (fontSelected_) return;
    HGDIOBJ previous = SelectObject(dc, font_->Handle());
    if (!originalFont_) originalFont_ = previous;
    SetTextColor(dc, ColorRef(font_->Color()));
    fontSelected_ = true;
}

void TCanvas::RequirePen() {
    HDC dc = Handle();
    if (penSelected_) return;
    HGDIOBJ previous = SelectObject(dc, pen_->Handle());
    if (!originalPen_) originalPen_ = previous;
    SetROP2(dc, pen_->Rop2());
    penSelected_ = true;
}

void TCanvas::RequireBrush() {
    HDC dc = Handle();
    if (brushSelected_) return;
    HBRUSH brush = brush_->Handle();
    UnrealizeObject(brush);
    HGDIOBJ previous = SelectObject(dc, brush);
    if (!originalBrush_) originalBrush_ = previous;
    SetBkColor(dc, ColorRef(brush_->Color()));
    SetBkMode(dc, brush_->Style() == bsSolid ? OPAQUE : TRANSPARENT);
    brushSelected_ = true;
}

void TCanvas::DeselectFont() {
    if (fontSelected_ && handle_ && originalFont_) SelectObject(handle_, originalFont_);
    fontSelected_ = false;
}

void TCanvas::DeselectPen() {
    if (penSelected_ && handle_ && originalPen_) SelectObject(handle_, originalPen_);
    penSelected_ = false;
}

void TCanvas::DeselectBrush() {
    if (brushSelected_ && handle_ && originalBrush_) SelectObject(handle_, originalBrush_);
    brushSelected_ = false;
}

TPoint TCanvas::PenPos() {
    if (handle_) {
        POINT p{};
        if (GetCurrentPositionEx(handle_, &p)) return TPoint{p.x, p.y};
    }
    return penPos_;
}

void TCanvas::MoveTo(int x, int y) {
    MoveToEx(Handle(), x, y, nullptr);
    penPos_ = TPoint{x, y};
}

void TCanvas::LineTo(int x, int y) {
    RequirePen();
    ::LineTo(handle_, x, y);
    penPos_ = TPoint{x, y};
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    RequirePen();
    RequireBrush();
    ::Rectangle(handle_, x1, y1, x2, y2);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    RequirePen();
    RequireBrush();
    ::Ellipse(handle_, x1, y1, x2, y2);
}

void TCanvas::FillRect(const TRect& r) {
    RequireBrush();
    const RECT rc = ToWinRect(r);
    ::FillRect(handle_, &rc, brush_->Handle());
}

void TCanvas::FrameRect(const TRect& r) {
    RequireBrush();
    const RECT rc = ToWinRect(r);
    ::FrameRect(handle_, &rc, brush_->Handle());
}

namespace {

std::vector<POINT> ToWinPoints(std::span<const TPoint> points) {
    std::vector<POINT> result;
    result.reserve(points.size());
    for (const TPoint& p : points) result.push_back(POINT{p.X, p.Y});
    return result;
}

}  // namespace

void TCanvas::Polygon(std::span<const TPoint> points) {
    if (points.empty()) return;
    RequirePen();
    RequireBrush();
    const std::vector<POINT> winPoints = ToWinPoints(points);
    ::Polygon(handle_, winPoints.data(), static_cast<int>(winPoints.size()));
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    if (points.empty()) return;
    RequirePen();
    const std::vector<POINT> winPoints = ToWinPoints(points);
    ::Polyline(handle_, winPoints.data(), static_cast<int>(winPoints.size()));
}

void TCanvas::DrawFocusRect(const TRect& r) {
    RequireBrush();
    const RECT rc = ToWinRect(r);
    ::DrawFocusRect(handle_, &rc);
}

void TCanvas::TextOut(int x, int y, const String& text) {
    RequireFont();
    RequireBrush();
    const std::wstring wide = ToWide(text);
    ExtTextOutW(handle_, x, y, 0, nullptr, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
    SIZE size{};
    GetTextExtentPoint32W(handle_, wide.c_str(), static_cast<int>(wide.size()), &size);
    MoveTo(x + size.cx, y);
}

void TCanvas::TextRect(const TRect& r, int x, int y, const String& text) {
    RequireFont();
    RequireBrush();
    UINT options = ETO_CLIPPED;
    if (brush_->Style() != bsClear) options |= ETO_OPAQUE;
    const RECT rc = ToWinRect(r);
    const std::wstring wide = ToWide(text);
    ExtTextOutW(handle_, x, y, options, &rc, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
}

void TCanvas::TextRect(TRect& r, const String& text, TTextFormat format) {
    static constexpr struct {
        TTextFormats format;
        UINT flag;
    } flags[] = {
        {tfBottom, DT_BOTTOM},         {tfCalcRect, DT_CALCRECT},           {tfCenter, DT_CENTER},
        {tfEditControl, DT_EDITCONTROL}, {tfEndEllipsis, DT_END_ELLIPSIS},  {tfPathEllipsis, DT_PATH_ELLIPSIS},
        {tfExpandTabs, DT_EXPANDTABS}, {tfExternalLeading, DT_EXTERNALLEADING}, {tfLeft, DT_LEFT},
        {tfNoClip, DT_NOCLIP},         {tfNoPrefix, DT_NOPREFIX},           {tfRight, DT_RIGHT},
        {tfRtlReading, DT_RTLREADING}, {tfSingleLine, DT_SINGLELINE},       {tfTop, DT_TOP},
        {tfVerticalCenter, DT_VCENTER}, {tfWordBreak, DT_WORDBREAK},        {tfHidePrefix, DT_HIDEPREFIX},
        {tfWordEllipsis, DT_WORD_ELLIPSIS},
    };
    UINT drawFlags = 0;
    for (const auto& f : flags)
        if (format.Contains(f.format)) drawFlags |= f.flag;
    RequireFont();
    RequireBrush();
    RECT rc = ToWinRect(r);
    const std::wstring wide = ToWide(text);
    DrawTextW(handle_, wide.c_str(), static_cast<int>(wide.size()), &rc, drawFlags);
    if (format.Contains(tfCalcRect)) r = FromWinRect(rc);
}

TSize TCanvas::TextExtent(const String& text) {
    RequireFont();
    const std::wstring wide = ToWide(text);
    SIZE size{};
    GetTextExtentPoint32W(handle_, wide.c_str(), static_cast<int>(wide.size()), &size);
    return TSize{size.cx, size.cy};
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    StretchDraw(Bounds(x, y, graphic->Width(), graphic->Height()), graphic);
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    // A monochrome source takes the DC's text and background colours.
    HDC dc = Handle();
    SetBkColor(dc, ColorRef(brush_->Color()));
    SetTextColor(dc, ColorRef(font_->Color()));
    graphic->Draw(this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source) {
    RequireFont();
    RequireBrush();
    canvas->RequireBrush();
    StretchBlt(handle_, dest.Left, dest.Top, dest.Width(), dest.Height(), canvas->handle_, source.Left, source.Top,
               source.Width(), source.Height(), static_cast<DWORD>(copyMode_));
}

TColor TCanvas::GetPixelColor(int x, int y) {
    return static_cast<TColor>(::GetPixel(Handle(), x, y));
}

void TCanvas::SetPixelColor(int x, int y, TColor color) {
    RequirePen();
    ::SetPixel(handle_, x, y, ColorRef(color));
}

TRect TCanvas::ClipRect() {
    RECT rc{};
    GetClipBox(Handle(), &rc);
    return FromWinRect(rc);
}

void TCanvas::IntersectClip(const TRect& r) {
    ::IntersectClipRect(Handle(), r.Left, r.Top, r.Right, r.Bottom);
}

void TCanvas::ExcludeClip(const TRect& r) {
    ::ExcludeClipRect(Handle(), r.Left, r.Top, r.Right, r.Bottom);
}

void TCanvas::SetClip(const TRect& r) {
    HRGN region = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
    if (!region) throw EOutOfMemory("Cannot create a clip region (error " + std::to_string(GetLastError()) + ")");
    SelectClipRgn(Handle(), region);
    DeleteObject(region);
}

void TCanvas::ResetClip() {
    SelectClipRgn(Handle(), nullptr);
}

// ---- TGraphic -------------------------------------------------------------------------------------

void TGraphic::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Changed();
}

void TGraphic::Changed() {
    modified_ = true;
    if (OnChange) OnChange(this);
}

void TGraphic::LoadFromStream(TStream* stream) {
    const std::int64_t remaining = std::max<std::int64_t>(stream->Size() - stream->Position(), 0);
    if (remaining > kMaxImageBytes * 4)
        throw EInvalidGraphic("Picture data of " + std::to_string(remaining) + " bytes is too large");
    std::vector<std::uint8_t> data(static_cast<std::size_t>(remaining));
    if (remaining > 0) stream->ReadBuffer(data.data(), remaining);
    LoadFromData(data);
}

void TGraphic::SaveToStream(TStream* stream) const {
    const std::vector<std::uint8_t> data = SaveToData();
    if (!data.empty()) stream->WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
}

void TGraphic::LoadFromFile(const String& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    try {
        LoadFromStream(&stream);
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic(fileName + ": " + e.Message);
    }
}

void TGraphic::SaveToFile(const String& fileName) const {
    const std::vector<std::uint8_t> data = SaveToData();  // before the file is truncated
    TFileStream stream(fileName, fmCreate);
    if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
}

// ---- TBitmap --------------------------------------------------------------------------------------

// A DIB section and what describes it; frees the section unless it was handed on.
struct TBitmap::Image {
    HBITMAP dib = nullptr;
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    TPixelFormat format = pf24bit;
    std::vector<RGBQUAD> colors;

    Image() = default;
    Image(Image&& other) noexcept
        : dib(std::exchange(other.dib, nullptr)), bits(other.bits), width(other.width), height(other.height),
          format(other.format), colors(std::move(other.colors)) {}
    Image& operator=(Image&&) = delete;
    ~Image() {
        if (dib) DeleteObject(dib);
    }
};

// The bitmap's canvas: its DC is the bitmap's memory DC, made when first needed.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}

protected:
    void CreateHandle() override { SetHandle(bitmap_->Context()); }

private:
    TBitmap* bitmap_;
};

namespace {

int BitsPerPixel(TPixelFormat format) {
    switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf24bit: return 24;
    case pf32bit: return 32;
    default: return 0;
    }
}

std::int64_t RowBytes(std::int64_t width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

RGBQUAD Quad(int r, int g, int b) {
    return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
}

// The colour table a palette format starts with: black and white; the 16 standard colours; those
// 16, a 6x6x6 colour cube and 24 greys.
std::vector<RGBQUAD> DefaultColors(int bitsPerPixel) {
    if (bitsPerPixel == 1) return {Quad(0, 0, 0), Quad(255, 255, 255)};
    std::vector<RGBQUAD> colors = {
        Quad(0, 0, 0),       Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
        Quad(0, 0, 128),     Quad(128, 0, 128), Quad(0, 128, 128), Quad(192, 192, 192),
        Quad(128, 128, 128), Quad(255, 0, 0),   Quad(0, 255, 0),   Quad(255, 255, 0),
        Quad(0, 0, 255),     Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255),
    };
    if (bitsPerPixel == 4) return colors;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) colors.push_back(Quad(r * 51, g * 51, b * 51));
    for (int i = 1; i <= 24; ++i) colors.push_back(Quad(i * 10, i * 10, i * 10));
    return colors;
}

struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

[[noreturn]] void BadBitmap(const String& detail) {
    throw EInvalidGraphic("Bitmap image is not valid: " + detail);
}

TPixelFormat SupportedFormat(TPixelFormat format) {
    if (format == pfDevice) return pf24bit;
    if (BitsPerPixel(format) == 0)
        throw EInvalidGraphic("Pixel format " + std::to_string(static_cast<int>(format)) + " is not supported");
    return format;
}

}  // namespace

TBitmap::TBitmap() : canvas_(std::make_unique<TBitmapCanvas>(this)) {}

TBitmap::~TBitmap() {
    FreeContext();
    canvas_.reset();
    if (dib_) DeleteObject(dib_);
}

namespace {

// Makes `image` a bottom-up DIB section of the given size and format (none for a zero size).
void MakeImageInto(TBitmap::Image& image, int width, int height, TPixelFormat format, std::vector<RGBQUAD> colors) {
    image.format = format;
    image.width = width;
    image.height = height;
    if (width <= 0 || height <= 0) return;
    const int bpp = BitsPerPixel(format);
    if (RowBytes(width, bpp) * height > kMaxImageBytes)
        throw EInvalidGraphic("A bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                              " pixels is too large");
    if (bpp <= 8) {
        if (colors.empty()) colors = DefaultColors(bpp);
        colors.resize(std::min<std::size_t>(colors.size(), std::size_t{1} << bpp));
    } else {
        colors.clear();
    }
    BitmapInfo256 info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bpp);
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = static_cast<DWORD>(colors.size());
    std::copy(colors.begin(), colors.end(), info.colors);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib)
        throw EOutOfMemory("Cannot create a bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                           " pixels (error " + std::to_string(GetLastError()) + ")");
    image.dib = dib;
    image.bits = static_cast<std::uint8_t*>(bits);
    image.colors = std::move(colors);
}

// Reads a BMP: a whole file (with BITMAPFILEHEADER), or a packed DIB as RT_BITMAP resources hold it.
class BmpReader {
public:
    BmpReader(std::span<const std::uint8_t> data) : data_(data) {}

    void Read(TBitmap::Image& image, bool withFileHeader) {
        const std::int64_t size = static_cast<std::int64_t>(data_.size());
        std::int64_t pos = 0;
        std::int64_t bitsOffset = -1;
        if (withFileHeader) {
            if (size < 14) BadBitmap("the file header is truncated (" + std::to_string(size) + " bytes)");
            if (data_[0] != 'B' || data_[1] != 'M') BadBitmap("the \"BM\" signature is missing");
            bitsOffset = U32(10);
            pos = 14;
        }
        if (size < pos + 4) BadBitmap("the info header is truncated");
        const std::uint32_t headerSize = U32(pos);
        if (headerSize == 12) BadBitmap("OS/2 bitmaps are not supported");
        if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
            BadBitmap("unknown info header size " + std::to_string(headerSize));
        if (size < pos + headerSize) BadBitmap("the info header is truncated");
        const std::int32_t width = I32(pos + 4);
        const std::int32_t height = I32(pos + 8);
        const std::uint16_t planes = U16(pos + 12);
        const std::uint16_t bpp = U16(pos + 14);
        const std::uint32_t compression = U32(pos + 16);
        const std::uint32_t colorsUsed = U32(pos + 32);
        if (width <= 0) BadBitmap("width " + std::to_string(width) + " is not positive");
        if (height == 0) BadBitmap("height is 0");
        const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
        if (planes != 1) BadBitmap(std::to_string(planes) + " planes");
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
            BadBitmap(std::to_string(bpp) + " bits per pixel are not supported");
        const bool bitfields = compression == BI_BITFIELDS && bpp == 32;
        if (compression != BI_RGB && !bitfields)
            BadBitmap("compression " + std::to_string(compression) + " with " + std::to_string(bpp) +
                      " bits per pixel is not supported");
        const std::int64_t rowBytes = RowBytes(width, bpp);
        if (rows > kMaxImageBytes || rowBytes * rows > kMaxImageBytes)
            BadBitmap(std::to_string(width) + " x " + std::to_string(rows) + " pixels is too large");

        std::int64_t tableStart = pos + headerSize;
        std::uint32_t masks[4] = {0, 0, 0, 0};
        if (bitfields) {
            if (headerSize == 40) {
                if (size < tableStart + 12) BadBitmap("the colour masks are truncated");
                tableStart += 12;
            }
            for (int i = 0; i < 3; ++i) masks[i] = U32(pos + 40 + 4 * i);
            if (headerSize >= 56) masks[3] = U32(pos + 52);
        }
        const std::int64_t tableCount = bpp <= 8 ? (colorsUsed ? colorsUsed : (1u << bpp)) : 0;
        if (tableCount > (std::int64_t{1} << std::min<int>(bpp, 8)) && bpp <= 8)
            BadBitmap(std::to_string(colorsUsed) + " colours for " + std::to_string(bpp) + " bits per pixel");
        const std::int64_t tableEnd = tableStart + tableCount * 4;
        if (tableEnd > size) BadBitmap("the colour table is truncated");
        if (withFileHeader) {
            if (bitsOffset < tableEnd) BadBitmap("the pixel data offset " + std::to_string(bitsOffset) +
                                                 " lies inside the headers");
        } else {
            // A packed DIB may still carry a colour table of a true-colour picture before its pixels.
            bitsOffset = tableEnd + (bpp > 8 ? std::int64_t{colorsUsed} * 4 : 0);
        }
        const std::int64_t needed = rowBytes * rows;
        if (bitsOffset > size || size - bitsOffset < needed)
            BadBitmap("the pixel data is truncated (" + std::to_string(std::max<std::int64_t>(size - bitsOffset, 0)) +
                      " of " + std::to_string(needed) + " bytes)");

        std::vector<RGBQUAD> colors;
        for (std::int64_t i = 0; i < tableCount; ++i) {
            const std::uint8_t* q = data_.data() + tableStart + 4 * i;
            colors.push_back(RGBQUAD{q[0], q[1], q[2], 0});
        }
        const TPixelFormat format = bpp == 1 ? pf1bit : bpp == 4 ? pf4bit : bpp == 8 ? pf8bit : bpp == 24 ? pf24bit : pf32bit;
        MakeImageInto(image, width, static_cast<int>(rows), format, colors);
        const bool topDown = height < 0;
        for (std::int64_t row = 0; row < rows; ++row) {
            // The DIB is bottom-up: its memory row `row` is picture row rows-1-row.
            const std::uint8_t* source = data_.data() + bitsOffset + rowBytes * (topDown ? rows - 1 - row : row);
            std::uint8_t* dest = image.bits + rowBytes * row;
            if (bitfields)
                UnpackBitfields(source, dest, width, masks);
            else
                std::memcpy(dest, source, static_cast<std::size_t>(rowBytes));
        }
    }

private:
    std::uint16_t U16(std::int64_t at) const { return static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8); }
    std::uint32_t U32(std::int64_t at) const {
        return static_cast<std::uint32_t>(data_[at]) | static_cast<std::uint32_t>(data_[at + 1]) << 8 |
               static_cast<std::uint32_t>(data_[at + 2]) << 16 | static_cast<std::uint32_t>(data_[at + 3]) << 24;
    }
    std::int32_t I32(std::int64_t at) const { return static_cast<std::int32_t>(U32(at)); }

    static std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask) {
        if (mask == 0) return 0;
        const int shift = std::countr_zero(mask);
        const int bits = std::popcount(mask);
        const std::uint32_t value = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
        return static_cast<std::uint8_t>(value * 255 / ((1u << bits) - 1));
    }

    static void UnpackBitfields(const std::uint8_t* source, std::uint8_t* dest, int width, const std::uint32_t masks[4]) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* s = source + 4 * x;
            const std::uint32_t pixel = static_cast<std::uint32_t>(s[0]) | static_cast<std::uint32_t>(s[1]) << 8 |
                                        static_cast<std::uint32_t>(s[2]) << 16 | static_cast<std::uint32_t>(s[3]) << 24;
            std::uint8_t* d = dest + 4 * x;
            d[0] = Channel(pixel, masks[2]);
            d[1] = Channel(pixel, masks[1]);
            d[2] = Channel(pixel, masks[0]);
            d[3] = Channel(pixel, masks[3]);
        }
    }

    std::span<const std::uint8_t> data_;
};

}  // namespace

HDC TBitmap::Context() {
    if (!context_) {
        HDC dc = CreateCompatibleDC(nullptr);
        if (!dc) throw EOutOfMemory("Cannot create a memory device context (error " + std::to_string(GetLastError()) + ")");
        contextDefaultBitmap_ = GetCurrentObject(dc, OBJ_BITMAP);
        if (dib_) SelectObject(dc, dib_);
        context_ = dc;
    }
    return context_;
}

void TBitmap::FreeContext() {
    if (!context_) return;
    canvas_->SetHandle(nullptr);
    SelectObject(context_, contextDefaultBitmap_);
    DeleteDC(context_);
    context_ = nullptr;
}

void TBitmap::Replace(Image&& image) {
    if (context_) SelectObject(context_, image.dib ? static_cast<HGDIOBJ>(image.dib) : contextDefaultBitmap_);
    HBITMAP old = dib_;
    dib_ = std::exchange(image.dib, nullptr);
    bits_ = image.bits;
    width_ = image.width;
    height_ = image.height;
    format_ = image.format;
    colors_ = std::move(image.colors);
    if (old) DeleteObject(old);
}

TBitmap::Image TBitmap::CopyImage() const {
    Image image;
    MakeImageInto(image, width_, height_, format_, colors_);
    if (image.dib) {
        GdiFlush();
        std::memcpy(image.bits, bits_, static_cast<std::size_t>(RowBytes(width_, BitsPerPixel(format_)) * height_));
    }
    return image;
}

void TBitmap::Assign(TPersistent* source) {
    if (!source) {
        if (!dib_ && width_ == 0 && height_ == 0) return;
        Replace(Image{});
        Changed();
        return;
    }
    auto* bitmap = dynamic_cast<TBitmap*>(source);
    if (!bitmap) return inherited::Assign(source);
    if (bitmap == this) return;
    Replace(bitmap->CopyImage());
    format_ = bitmap->format_;
    transparent_ = bitmap->transparent_;
    transparentColor_ = bitmap->transparentColor_;
    transparentMode_ = bitmap->transparentMode_;
    Changed();
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(const_cast<TBitmap*>(this));
    copy->SetModified(false);
    return copy;
}

HBITMAP TBitmap::Handle() {
    FreeContext();
    return dib_;
}

void TBitmap::SetHandle(HBITMAP bitmap) {
    if (bitmap == dib_) return;
    if (!bitmap) {
        Replace(Image{});
        Changed();
        return;
    }
    BITMAP description{};
    if (!GetObjectW(bitmap, sizeof description, &description))
        throw EInvalidGraphicOperation("TBitmap.SetHandle: the handle is not a bitmap");
    const int bpp = description.bmBitsPixel * description.bmPlanes;
    const TPixelFormat format = bpp == 1 ? pf1bit : bpp == 4 ? pf4bit : bpp == 8 ? pf8bit : bpp == 32 ? pf32bit : pf24bit;
    const int width = description.bmWidth;
    const int height = description.bmHeight < 0 ? -description.bmHeight : description.bmHeight;
    Image image;
    if (width > 0 && height > 0) {
        // GetDIBits converts any bitmap, and gives the colour table of a palette format.
        BitmapInfo256 info{};
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = width;
        info.header.biHeight = height;
        info.header.biPlanes = 1;
        info.header.biBitCount = static_cast<WORD>(BitsPerPixel(format));
        info.header.biCompression = BI_RGB;
        if (RowBytes(width, BitsPerPixel(format)) * height > kMaxImageBytes)
            throw EInvalidGraphic("A bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                                  " pixels is too large");
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(RowBytes(width, BitsPerPixel(format)) * height));
        const int copied = GetDIBits(ScreenCompatibleDC(), bitmap, 0, static_cast<UINT>(height), pixels.data(),
                                     reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        if (copied != height)
            throw EInvalidGraphicOperation("TBitmap.SetHandle: cannot read the bitmap (error " +
                                           std::to_string(GetLastError()) + ")");
        std::vector<RGBQUAD> colors;
        if (BitsPerPixel(format) <= 8) {
            const std::size_t count = info.header.biClrUsed ? info.header.biClrUsed : std::size_t{1} << BitsPerPixel(format);
            colors.assign(info.colors, info.colors + std::min<std::size_t>(count, 256));
        }
        MakeImageInto(image, width, height, format, colors);
        std::memcpy(image.bits, pixels.data(), pixels.size());
    } else {
        MakeImageInto(image, width, height, format, {});
    }
    DeleteObject(bitmap);
    Replace(std::move(image));
    Changed();
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;
    Image image;
    MakeImageInto(image, width, height, format_, colors_);
    if (image.dib) {
        MemoryDC dc(image.dib);
        HBRUSH fill = CreateSolidBrush(ColorRef(canvas_->Brush()->Color()));
        const RECT all{0, 0, width, height};
        ::FillRect(dc, &all, fill);
        DeleteObject(fill);
        if (dib_) BitBlt(dc, 0, 0, std::min(width, width_), std::min(height, height_), Context(), 0, 0, SRCCOPY);
    }
    Replace(std::move(image));
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    format = SupportedFormat(format);
    if (format == format_) return;
    Image image;
    MakeImageInto(image, width_, height_, format, {});
    if (image.dib && dib_) {
        MemoryDC dc(image.dib);
        BitBlt(dc, 0, 0, width_, height_, Context(), 0, 0, SRCCOPY);
    }
    Replace(std::move(image));
    Changed();
}

namespace {

TColor PixelOf(const std::uint8_t* bits, int width, int height, TPixelFormat format,
               const std::vector<RGBQUAD>& colors, int x, int y) {
    const int bpp = BitsPerPixel(format);
    const std::uint8_t* row = bits + RowBytes(width, bpp) * (height - 1 - y);
    RGBQUAD q{};
    if (bpp >= 24) {
        const std::uint8_t* p = row + x * (bpp / 8);
        q = RGBQUAD{p[0], p[1], p[2], 0};
    } else {
        const int bit = x * bpp;
        const unsigned index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (index < colors.size()) q = colors[index];
    }
    return static_cast<TColor>(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
}

}  // namespace

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed) return transparentColor_;
    if (!dib_ || Empty()) return clDefault;
    GdiFlush();
    return PixelOf(bits_, width_, height_, format_, colors_, 0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
    const TTransparentMode mode = color == clDefault ? tmAuto : tmFixed;
    if (color == transparentColor_ && mode == transparentMode_) return;
    transparentColor_ = color;
    transparentMode_ = mode;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (mode == transparentMode_) return;
    if (mode == tmAuto) transparentColor_ = clDefault;
    else transparentColor_ = TransparentColor();
    transparentMode_ = mode;
    Changed();
}

void* TBitmap::ScanLine(int row) {
    if (!dib_ || row < 0 || row >= height_)
        throw EInvalidGraphicOperation("Scan line index out of range (" + std::to_string(row) + ")");
    GdiFlush();
    return bits_ + RowBytes(width_, BitsPerPixel(format_)) * (height_ - 1 - row);
}

void TBitmap::Draw(TCanvas* canvas, const TRect& r) {
    if (!dib_ || Empty()) return;
    HDC dest = canvas->Handle();
    HDC source = Context();
    if (Transparent()) {
        GdiTransparentBlt(dest, r.Left, r.Top, r.Width(), r.Height(), source, 0, 0, width_, height_,
                          ColorRef(TransparentColor()));
    } else if (r.Width() == width_ && r.Height() == height_) {
        BitBlt(dest, r.Left, r.Top, width_, height_, source, 0, 0, static_cast<DWORD>(canvas->CopyMode()));
    } else {
        const int oldMode = SetStretchBltMode(dest, format_ == pf1bit ? STRETCH_ANDSCANS : STRETCH_DELETESCANS);
        StretchBlt(dest, r.Left, r.Top, r.Width(), r.Height(), source, 0, 0, width_, height_,
                   static_cast<DWORD>(canvas->CopyMode()));
        SetStretchBltMode(dest, oldMode);
    }
}

void TBitmap::LoadFromData(std::span<const std::uint8_t> data) {
    Image image;
    if (!data.empty()) BmpReader(data).Read(image, true);
    Replace(std::move(image));
    Changed();
}

std::vector<std::uint8_t> TBitmap::SaveToData() const {
    if (!dib_ || Empty()) return {};
    GdiFlush();
    const int bpp = BitsPerPixel(format_);
    const std::size_t pixelBytes = static_cast<std::size_t>(RowBytes(width_, bpp) * height_);
    const std::size_t tableBytes = bpp <= 8 ? colors_.size() * sizeof(RGBQUAD) : 0;
    const std::size_t offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + tableBytes;

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfSize = static_cast<DWORD>(offset + pixelBytes);
    file.bfOffBits = static_cast<DWORD>(offset);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = height_;
    info.biPlanes = 1;
    info.biBitCount = static_cast<WORD>(bpp);
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(pixelBytes);
    info.biClrUsed = bpp <= 8 ? static_cast<DWORD>(colors_.size()) : 0;

    std::vector<std::uint8_t> data(offset + pixelBytes);
    std::memcpy(data.data(), &file, sizeof file);
    std::memcpy(data.data() + sizeof file, &info, sizeof info);
    if (tableBytes) std::memcpy(data.data() + sizeof file + sizeof info, colors_.data(), tableBytes);
    std::memcpy(data.data() + offset, bits_, pixelBytes);
    return data;
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const String& name) {
    const std::wstring wideName = ToWide(name);
    HRSRC resource = FindResourceW(instance, wideName.c_str(), RT_BITMAP);
    HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) throw EResNotFound("Resource " + name + " not found");
    const DWORD size = SizeofResource(instance, resource);
    Image image;
    try {
        BmpReader(std::span(static_cast<const std::uint8_t*>(bytes), size)).Read(image, false);
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic("Bitmap resource " + name + ": " + e.Message);
    }
    Replace(std::move(image));
    Changed();
}

// ---- TJPEGImage -----------------------------------------------------------------------------------

namespace {

// libjpeg reports errors by calling error_exit, which must not return: it jumps back to the step that
// called libjpeg. The steps own no C++ objects, so the jump skips no destructor.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

void JpegOutputMessage(j_common_ptr) {}  // warnings are not printed

// The whole picture is in memory; running out of it means the data is truncated.
void JpegInitSource(j_decompress_ptr) {}
boolean JpegFillInput(j_decompress_ptr info) {
    ERREXIT(info, JERR_INPUT_EOF);
    return FALSE;
}
void JpegSkipInput(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    if (static_cast<std::size_t>(count) > info->src->bytes_in_buffer) ERREXIT(info, JERR_INPUT_EOF);
    info->src->next_input_byte += count;
    info->src->bytes_in_buffer -= static_cast<std::size_t>(count);
}
void JpegTermSource(j_decompress_ptr) {}

struct JpegDecoder {
    jpeg_decompress_struct info{};
    JpegError error{};
    jpeg_source_mgr source{};
    bool created = false;

    JpegDecoder() = default;
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
    ~JpegDecoder() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

// Step 1: the header. False with error.message set on failure.
bool JpegReadHeader(JpegDecoder& decoder, const std::uint8_t* data, std::size_t size) {
    decoder.info.err = jpeg_std_error(&decoder.error.manager);
    decoder.error.manager.error_exit = JpegErrorExit;
    decoder.error.manager.output_message = JpegOutputMessage;
    if (setjmp(decoder.error.jump)) return false;
    jpeg_create_decompress(&decoder.info);
    decoder.created = true;
    decoder.info.mem->max_memory_to_use = static_cast<long>(kMaxImageBytes * 2);
    decoder.source.init_source = JpegInitSource;
    decoder.source.fill_input_buffer = JpegFillInput;
    decoder.source.skip_input_data = JpegSkipInput;
    decoder.source.resync_to_restart = jpeg_resync_to_restart;
    decoder.source.term_source = JpegTermSource;
    decoder.source.next_input_byte = data;
    decoder.source.bytes_in_buffer = size;
    decoder.info.src = &decoder.source;
    jpeg_read_header(&decoder.info, TRUE);
    return true;
}

// Step 2: the pixels, as BGR rows from `top` on, `step` bytes apart.
bool JpegReadPixels(JpegDecoder& decoder, std::uint8_t* top, std::ptrdiff_t step) {
    if (setjmp(decoder.error.jump)) return false;
    jpeg_decompress_struct& info = decoder.info;
    jpeg_start_decompress(&info);
    JSAMPARRAY line = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * static_cast<JDIMENSION>(info.output_components), 1);
    const bool grey = info.output_components == 1;
    while (info.output_scanline < info.output_height) {
        const JDIMENSION y = info.output_scanline;
        jpeg_read_scanlines(&info, line, 1);
        std::uint8_t* dest = top + static_cast<std::ptrdiff_t>(y) * step;
        const JSAMPLE* source = line[0];
        for (JDIMENSION x = 0; x < info.output_width; ++x, dest += 3) {
            if (grey) {
                dest[0] = dest[1] = dest[2] = source[x];
            } else {
                dest[0] = source[3 * x + 2];
                dest[1] = source[3 * x + 1];
                dest[2] = source[3 * x];
            }
        }
    }
    return true;
}

[[noreturn]] void BadJpeg(const String& detail) {
    throw EInvalidGraphic("JPEG image is not valid: " + detail);
}

}  // namespace

TJPEGImage::TJPEGImage() : bitmap_(std::make_unique<TBitmap>()) {}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(TPersistent* source) {
    auto* jpeg = dynamic_cast<TJPEGImage*>(source);
    if (!jpeg) return inherited::Assign(source);
    if (jpeg == this) return;
    data_ = jpeg->data_;
    bitmap_->Assign(jpeg->bitmap_.get());
    grayscale_ = jpeg->grayscale_;
    transparent_ = jpeg->transparent_;
    Changed();
}

void TJPEGImage::AssignTo(TPersistent* dest) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        bitmap->Assign(bitmap_.get());
        return;
    }
    inherited::AssignTo(dest);
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const {
    auto copy = std::make_unique<TJPEGImage>();
    copy->Assign(const_cast<TJPEGImage*>(this));
    copy->SetModified(false);
    return copy;
}

void TJPEGImage::SetWidth(int) {
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetHeight(int) {
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetTransparent(bool transparent) {
    bitmap_->SetTransparent(transparent);
    inherited::SetTransparent(transparent);
}

void TJPEGImage::LoadFromData(std::span<const std::uint8_t> data) {
    auto bitmap = std::make_unique<TBitmap>();
    bool grayscale = false;
    if (!data.empty()) {
        auto decoder = std::make_unique<JpegDecoder>();
        if (!JpegReadHeader(*decoder, data.data(), data.size())) BadJpeg(decoder->error.message);
        jpeg_decompress_struct& info = decoder->info;
        grayscale = info.jpeg_color_space == JCS_GRAYSCALE;
        if (grayscale)
            info.out_color_space = JCS_GRAYSCALE;
        else if (info.num_components == 3)
            info.out_color_space = JCS_RGB;
        else
            BadJpeg(std::to_string(info.num_components) + " colour components are not supported");
        if (static_cast<std::int64_t>(info.image_width) * info.image_height * 3 > kMaxImageBytes)
            BadJpeg(std::to_string(info.image_width) + " x " + std::to_string(info.image_height) + " pixels is too large");
        bitmap->SetSize(static_cast<int>(info.image_width), static_cast<int>(info.image_height));
        auto* top = static_cast<std::uint8_t*>(bitmap->ScanLine(0));
        const std::ptrdiff_t step = bitmap->Height() > 1 ? static_cast<std::uint8_t*>(bitmap->ScanLine(1)) - top : 0;
        if (!JpegReadPixels(*decoder, top, step)) BadJpeg(decoder->error.message);
    }
    data_.assign(data.begin(), data.end());
    bitmap->SetTransparent(Transparent());
    bitmap_ = std::move(bitmap);
    grayscale_ = grayscale;
    Changed();
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& r) {
    canvas->StretchDraw(r, bitmap_.get());
}

// ---- TPicture -------------------------------------------------------------------------------------

TPicture::TPicture() = default;

TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::Take(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_) graphic_->OnChange = Event<&TPicture::GraphicChanged>(this);
    Changed();
}

void TPicture::GraphicChanged(TObject*) {
    Changed();
}

void TPicture::SetGraphic(TGraphic* graphic) {
    if (graphic == graphic_.get()) return;
    Take(graphic ? graphic->Clone() : nullptr);
}

TBitmap* TPicture::Bitmap() {
    if (!dynamic_cast<TBitmap*>(graphic_.get())) Take(std::make_unique<TBitmap>());
    return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::Assign(TPersistent* source) {
    if (!source) return SetGraphic(nullptr);
    if (auto* picture = dynamic_cast<TPicture*>(source)) return SetGraphic(picture->Graphic());
    if (auto* graphic = dynamic_cast<TGraphic*>(source)) return SetGraphic(graphic);
    inherited::Assign(source);
}

void TPicture::LoadFromFile(const String& fileName) {
    const String extension = LowerCase(ExtractFileExt(fileName));
    std::unique_ptr<TGraphic> graphic;
    if (extension == ".bmp")
        graphic = std::make_unique<TBitmap>();
    else if (extension == ".jpg" || extension == ".jpeg")
        graphic = std::make_unique<TJPEGImage>();
    else
        throw EInvalidGraphic("Unknown picture file extension (" + extension + "): " + fileName);
    graphic->LoadFromFile(fileName);
    graphic->SetModified(false);
    Take(std::move(graphic));
}

void TPicture::SaveToFile(const String& fileName) const {
    if (!graphic_) throw EInvalidGraphicOperation("Cannot save an empty picture to " + fileName);
    graphic_->SaveToFile(fileName);
}

// ---- Measuring ------------------------------------------------------------------------------------

HDC ScreenCompatibleDC() {
    // A pixel of the screen's format stays selected, so colour questions and compatible bitmaps
    // get the screen's answer (a bare memory DC is monochrome).
    struct TKeptDC {
        HDC dc = nullptr;
        HBITMAP pixel = nullptr;
        HGDIOBJ previous = nullptr;
        TKeptDC() {
            HDC screen = GetDC(nullptr);
            dc = CreateCompatibleDC(screen);
            pixel = CreateCompatibleBitmap(screen, 1, 1);
            ReleaseDC(nullptr, screen);
            if (dc && pixel)
                previous = SelectObject(dc, pixel);
        }
        ~TKeptDC() {
            if (dc) {
                if (previous) SelectObject(dc, previous);
                DeleteDC(dc);
            }
            if (pixel) DeleteObject(pixel);
        }
    };
    static thread_local TKeptDC kept;
    if (!kept.dc)
        throw EOutOfMemory("Cannot create a memory device context (error " + std::to_string(GetLastError()) + ")");
    return kept.dc;
}

TTextMeasure::TTextMeasure(const TFont* font) : dc_(ScreenCompatibleDC()) {
    if (font)
        previous_ = SelectObject(dc_, font->Handle());
}

TTextMeasure::~TTextMeasure() {
    if (previous_)
        SelectObject(dc_, previous_);
}

TEXTMETRICW TTextMeasure::Metrics() const {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc_, &metrics);
    return metrics;
}

TSize TTextMeasure::Extent(const String& text) const {
    const std::wstring wide = ToWide(text);
    SIZE size{};
    GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size);
    return TSize{size.cx, size.cy};
}

int TTextMeasure::WrappedHeight(const String& text, int width) const {
    const std::wstring wide = ToWide(text);
    RECT r{0, 0, std::max(width, 1), 0};
    DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return r.bottom - r.top;
}
