// Graphics of the class layer over GDI: the drawing tools, the canvas, and pictures.
//
// The Windows-free part (geometry, sets, colours, TGraphicsObject, the font description) is in
// GraphicsTypes.h; here are the conversions to Windows RECTs and what needs GDI.
//
// Classes in this file:
//   TFont, TPen, TBrush   the tools; each makes its GDI object on first use and keeps it until a change
//   TCanvas               draws on a device context it does not own, with its own pen, brush and font
//   TGraphic              abstract picture: size, drawing onto a canvas, loading and saving
//   TBitmap               a device-independent section bitmap with its own memory DC and canvas
//   TJPEGImage            a JPEG picture decoded through libjpeg into a TBitmap
//   TPicture              holds one TGraphic, chosen by file extension when loaded from a file
//   TTextMeasure          measures text in a font without touching the screen's DC
//
// Properties are methods: `X()` reads, `SetX(value)` writes; a setter given the current value does
// nothing. Bad picture data raises EInvalidGraphic naming what is wrong, and leaves the picture as it
// was. All text reaches GDI through the W functions.
// Not yet: palettes, icons, metafiles, brush bitmaps, arcs/pies/round rectangles, flood fill, canvas
// Lock/Unlock and OnChange, the stored "Data" of pictures, 15/16-bit and RLE-compressed bitmaps,
// CMYK JPEGs.
#pragma once

#include "Events.h"
#include "GraphicsTypes.h"
#include "Object.h"
#include "Streams.h"
#include "TypeRegistry.h"
#include "WinApi.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

VESTREL_EXCEPTION(EInvalidGraphic, Exception);           // bad or unsupported picture data
VESTREL_EXCEPTION(EInvalidGraphicOperation, Exception);  // an operation the picture cannot do
VESTREL_EXCEPTION(EResNotFound, Exception);              // a resource that the module lacks

inline RECT ToWinRect(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
inline TRect FromWinRect(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

// ---- Drawing tools --------------------------------------------------------------------------------

// The description (GraphicsTypes.h) with its GDI font.
class TFont : public TCustomFont {
    VESTREL_CLASS(TFont, TCustomFont)
public:
    TFont();
    ~TFont() override;

    // The font, made on first use and kept until a property of it changes (Color is not one); at
    // most 31 UTF-16 units of the name reach it.
    HFONT Handle() const;
    // Adopts `font`: its description becomes this font's, and the font is freed when replaced.
    void SetHandle(HFONT font);

    // The screen's logical pixels per inch (vertical).
    int PixelsPerInch() const override;

protected:
    void GlyphsChanged() override;  // frees the GDI font

private:
    void DestroyHandle();

    mutable HFONT handle_ = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject {
    VESTREL_CLASS(TPen, TGraphicsObject)
public:
    TPen() = default;
    ~TPen() override;

    void Assign(TPersistent* source) override;
    HPEN Handle() const;  // made on first use, kept until Color, Width or Style changes

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);  // below 1 counts as 1
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode);
    int Rop2() const;  // the R2_* code of Mode

private:
    void HandleChanged();

    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    mutable HPEN handle_ = nullptr;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
    VESTREL_CLASS(TBrush, TGraphicsObject)
public:
    TBrush() = default;
    ~TBrush() override;

    void Assign(TPersistent* source) override;
    HBRUSH Handle() const;  // made on first use, kept until Color or Style changes

    TColor Color() const { return color_; }
    void SetColor(TColor color);  // a clear brush becomes solid
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);

private:
    void HandleChanged();

    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    mutable HBRUSH handle_ = nullptr;
};

// ---- Canvas ---------------------------------------------------------------------------------------

class TCanvas;
class TGraphic;

// Canvas.Pixels[x][y], read and written.
class TCanvasPixels {
public:
    class Pixel {
    public:
        Pixel(TCanvas* canvas, int x, int y) : canvas_(canvas), x_(x), y_(y) {}
        operator TColor() const;
        Pixel& operator=(TColor color);
        Pixel& operator=(const Pixel& other) { return *this = static_cast<TColor>(other); }

    private:
        TCanvas* canvas_;
        int x_, y_;
    };
    class Column {
    public:
        Column(TCanvas* canvas, int x) : canvas_(canvas), x_(x) {}
        Pixel operator[](int y) const { return Pixel(canvas_, x_, y); }

    private:
        TCanvas* canvas_;
        int x_;
    };

    explicit TCanvasPixels(TCanvas* canvas) : canvas_(canvas) {}
    Column operator[](int x) const { return Column(canvas_, x); }

private:
    TCanvas* canvas_;
};

enum TTextFormats {
    tfBottom, tfCalcRect, tfCenter, tfEditControl, tfEndEllipsis, tfPathEllipsis, tfExpandTabs,
    tfExternalLeading, tfLeft, tfNoClip, tfNoPrefix, tfRight, tfRtlReading, tfSingleLine, tfTop,
    tfVerticalCenter, tfWordBreak, tfHidePrefix, tfWordEllipsis
};
using TTextFormat = TEnumSet<TTextFormats>;

using TCopyMode = std::int32_t;  // a raster operation (SRCCOPY, SRCAND, ...)

class TCanvas : public TPersistent {
    VESTREL_CLASS(TCanvas, TPersistent)
public:
    TCanvas();
    ~TCanvas() override;

    // The device context; one is asked for through CreateHandle when the canvas has none
    // (EInvalidOperation "Canvas does not allow drawing" when none comes).
    HDC Handle();
    // Attaches `dc` (not owned); nullptr detaches. Detaching puts the pen, brush and font that
    // the DC had back into it.
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return handle_ != nullptr; }
    // Puts the DC's own pen, brush and font back; the canvas selects its tools again when it next
    // draws (after foreign code changed the DC's selection).
    void Refresh();

    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* font) { font_->Assign(font); }
    TPen* Pen() const { return pen_.get(); }
    void SetPen(TPen* pen) { pen_->Assign(pen); }
    TBrush* Brush() const { return brush_.get(); }
    void SetBrush(TBrush* brush) { brush_->Assign(brush); }
    TCopyMode CopyMode() const { return copyMode_; }
    void SetCopyMode(TCopyMode mode) { copyMode_ = mode; }
    TPoint PenPos();
    void SetPenPos(TPoint pos) { MoveTo(pos.X, pos.Y); }

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    void FillRect(const TRect& r);   // with the brush, no outline
    void FrameRect(const TRect& r);  // one-pixel border with the brush
    void Polygon(std::span<const TPoint> points);
    void Polyline(std::span<const TPoint> points);
    void DrawFocusRect(const TRect& r);

    // Text at (x, y) in the font; the background is filled unless the brush is bsClear. The pen
    // position moves to the end of the text.
    void TextOut(int x, int y, const String& text);
    // Text at (x, y) clipped to `r`; `r` is filled first unless the brush is bsClear.
    void TextRect(const TRect& r, int x, int y, const String& text);
    // Text laid out in `r` by `format` (alignment, word break, ellipsis, ...); with tfCalcRect
    // nothing is drawn and `r` receives the size the text needs.
    void TextRect(TRect& r, const String& text, TTextFormat format);
    TSize TextExtent(const String& text);
    int TextWidth(const String& text) { return TextExtent(text).cx; }
    int TextHeight(const String& text) { return TextExtent(text).cy; }

    // A picture at its own size, or stretched to `r`. Nothing happens for nullptr or an empty one.
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const TRect& r, TGraphic* graphic);
    // Copies `source` of `canvas` into `dest` of this canvas with CopyMode, stretching as needed.
    void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);

    TCanvasPixels Pixels{this};

    // Clipping: the bounds of the visible area, and changes of the DC's clip region.
    TRect ClipRect();
    void IntersectClip(const TRect& r);
    void ExcludeClip(const TRect& r);
    void SetClip(const TRect& r);  // replaces the clip region by `r`
    void ResetClip();              // no clipping

protected:
    // Called when a DC is needed and none is attached; a descendant attaches one with SetHandle.
    virtual void CreateHandle() {}

private:
    friend class TCanvasPixels::Pixel;
    TColor GetPixelColor(int x, int y);
    void FontChanged(TObject* sender);
    void PenChanged(TObject* sender);
    void BrushChanged(TObject* sender);
    void SetPixelColor(int x, int y, TColor color);

    void RequireFont();
    void RequirePen();
    void RequireBrush();
    void DeselectFont();
    void DeselectPen();
    void DeselectBrush();

    HDC handle_ = nullptr;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    TCopyMode copyMode_ = SRCCOPY;
    TPoint penPos_;
    // What the DC had selected before the canvas chose its tools; put back on release.
    HGDIOBJ originalFont_ = nullptr;
    HGDIOBJ originalPen_ = nullptr;
    HGDIOBJ originalBrush_ = nullptr;
    bool fontSelected_ = false;
    bool penSelected_ = false;
    bool brushSelected_ = false;
};

// ---- Pictures -------------------------------------------------------------------------------------

class TGraphic : public TPersistent {
    VESTREL_CLASS(TGraphic, TPersistent)
public:
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual int Height() const = 0;
    virtual void SetHeight(int height) = 0;
    virtual bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool transparent);
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // The picture from a whole file's bytes; bad data raises EInvalidGraphic and leaves it unchanged.
    virtual void LoadFromData(std::span<const std::uint8_t> data) = 0;
    // The picture as the bytes of its file format.
    virtual std::vector<std::uint8_t> SaveToData() const = 0;
    // The stream is read from its position to its end.
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream) const;
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName) const;

    // A new picture of the same class with the same content.
    virtual std::unique_ptr<TGraphic> Clone() const = 0;

    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    // Draws the picture stretched to `r` of `canvas`.
    virtual void Draw(TCanvas* canvas, const TRect& r) = 0;
    virtual void Changed();

    bool transparent_ = false;

private:
    bool modified_ = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
    VESTREL_CLASS(TBitmap, TGraphic)
public:
    TBitmap();
    ~TBitmap() override;

    void Assign(TPersistent* source) override;
    std::unique_ptr<TGraphic> Clone() const override;

    // Drawing on the bitmap. The canvas's DC is made on first use.
    TCanvas* Canvas() const { return canvas_.get(); }
    // The DIB section (nullptr while empty). Asking for it frees the canvas's DC, so the bitmap can be
    // selected into another DC; the canvas makes a new one when it next draws.
    HBITMAP Handle();
    // Adopts `bitmap` (any kind: it is converted to a DIB section and freed).
    void SetHandle(HBITMAP bitmap);

    bool Empty() const override { return width_ == 0 || height_ == 0; }
    int Width() const override { return width_; }
    void SetWidth(int width) override { SetSize(width, height_); }
    int Height() const override { return height_; }
    void SetHeight(int height) override { SetSize(width_, height); }
    // Keeps the picture at the top left; new area is filled with the canvas's brush colour.
    void SetSize(int width, int height);

    // pf1bit, pf4bit, pf8bit (with a colour table), pf24bit (the default) or pf32bit; pfDevice
    // gives pf24bit; other formats raise EInvalidGraphic. A change converts the picture.
    TPixelFormat PixelFormat() const { return format_; }
    void SetPixelFormat(TPixelFormat format);

    // Transparent drawing leaves out the pixels of TransparentColor: with tmAuto the colour of the
    // bottom-left pixel, with tmFixed the colour set (setting it switches to tmFixed).
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);

    // The pixels of row `row` (0 = top), in the DIB's layout (BGR / BGRA / palette indices).
    void* ScanLine(int row);

    // A .bmp file: BITMAPINFOHEADER (or a later version), 1/4/8/24/32 bits, BI_RGB or 32-bit
    // BI_BITFIELDS, bottom-up or top-down.
    void LoadFromData(std::span<const std::uint8_t> data) override;
    std::vector<std::uint8_t> SaveToData() const override;
    // An RT_BITMAP resource; EResNotFound when the module has none of that name ("#123" names an
    // integer identifier).
    void LoadFromResourceName(HINSTANCE instance, const String& name);

    // Internal: a DIB section with its size, format and colour table.
    struct Image;

protected:
    void Draw(TCanvas* canvas, const TRect& r) override;

private:
    friend class TBitmapCanvas;
    HDC Context();        // the memory DC with the DIB selected
    void FreeContext();
    void Replace(Image&& image);  // takes the new DIB, frees the old one
    Image CopyImage() const;

    std::unique_ptr<TCanvas> canvas_;
    HBITMAP dib_ = nullptr;
    std::uint8_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = pf24bit;
    std::vector<RGBQUAD> colors_;  // the colour table of palette formats
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
    HDC context_ = nullptr;
    HGDIOBJ contextDefaultBitmap_ = nullptr;
};

// A JPEG picture (baseline or progressive, grey or colour). It is decoded when loaded, so a corrupt
// or truncated file raises EInvalidGraphic at once; the original bytes are kept for saving.
class TJPEGImage : public TGraphic {
    VESTREL_CLASS(TJPEGImage, TGraphic)
public:
    TJPEGImage();
    ~TJPEGImage() override;

    void Assign(TPersistent* source) override;
    std::unique_ptr<TGraphic> Clone() const override;

    bool Empty() const override { return bitmap_->Empty(); }
    int Width() const override { return bitmap_->Width(); }
    int Height() const override { return bitmap_->Height(); }
    // The size of a JPEG is its data's: these raise EInvalidGraphicOperation.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    void SetTransparent(bool transparent) override;
    // True when the data holds one grey component.
    bool Grayscale() const { return grayscale_; }

    void LoadFromData(std::span<const std::uint8_t> data) override;
    std::vector<std::uint8_t> SaveToData() const override { return data_; }

protected:
    void Draw(TCanvas* canvas, const TRect& r) override;
    void AssignTo(TPersistent* dest) override;  // a TBitmap receives the decoded picture

private:
    std::vector<std::uint8_t> data_;
    std::unique_ptr<TBitmap> bitmap_;
    bool grayscale_ = false;
};

class TPicture : public TPersistent {
    VESTREL_CLASS(TPicture, TPersistent)
public:
    TPicture();
    ~TPicture() override;

    void Assign(TPersistent* source) override;  // a TPicture, a TGraphic or nullptr

    TGraphic* Graphic() const { return graphic_.get(); }
    // Holds a copy of `graphic` (nullptr empties the picture).
    void SetGraphic(TGraphic* graphic);
    // The picture as a bitmap: a graphic of another class is replaced by an empty TBitmap.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* bitmap) { SetGraphic(bitmap); }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // The class follows the extension: .bmp gives a TBitmap, .jpg and .jpeg a TJPEGImage; another
    // extension raises EInvalidGraphic. A failed load leaves the picture unchanged.
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName) const;  // EInvalidGraphicOperation when empty

    TNotifyEvent OnChange;

private:
    void Take(std::unique_ptr<TGraphic> graphic);
    void GraphicChanged(TObject* sender);
    void Changed();

    std::unique_ptr<TGraphic> graphic_;
};

// ---- Measuring ------------------------------------------------------------------------------------

// A memory DC in the screen's format (its colour depth included), made once per thread and kept:
// for measuring text and asking colour capabilities without taking the screen's own DC (which
// painting code must not hold).
HDC ScreenCompatibleDC();

// `font` selected into the screen-compatible DC for the scope (nullptr: the DC's default font).
// Measurers nest; each puts back the font it found.
class TTextMeasure {
public:
    explicit TTextMeasure(const TFont* font);
    ~TTextMeasure();
    TTextMeasure(const TTextMeasure&) = delete;
    TTextMeasure& operator=(const TTextMeasure&) = delete;

    HDC DC() const { return dc_; }
    TEXTMETRICW Metrics() const;
    TSize Extent(const String& text) const;
    // The height of `text` word-wrapped into `width` pixels (at least 1).
    int WrappedHeight(const String& text, int width) const;

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};
