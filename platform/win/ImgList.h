// Image lists: pictures of one size kept by a Win32 image list, drawn by index.
//
// Classes in this file:
//   TChangeLink        a client of an image list that hears of every change (tool bars, menus)
//   TCustomImageList   Width x Height images (masked or not) in a Win32 image list
//   TImageList         the same, as form descriptions name it
//
// The Win32 list holds the pictures; the class keeps only the settings the next list is made with
// (size, masked, colours). Changing Width, Height or Masked clears the images, as a new list of
// that kind is made.
//
// Form descriptions store the images in the binary property "Bitmap": a .bmp file holding the
// images side by side, left to right, each Width x Height (the strip's width a multiple of Width);
// in a masked list its fuchsia pixels (clFuchsia, #FF00FF) are transparent.
//
// Not yet: icons, overlays, drag images, resource loading by name, image types other than colour
// with mask, BlendColor and the selected/focus drawing styles.
#pragma once

#include "Component.h"
#include "Graphics.h"

#include <commctrl.h>

#include <vector>

class TCustomImageList;

// A client of an image list: OnChange runs after every change of the list's images or size.
class TChangeLink : public TObject {
    VESTREL_CLASS(TChangeLink, TObject)
public:
    TChangeLink() = default;
    ~TChangeLink() override;

    TCustomImageList* Sender() const { return sender_; }
    void SetSender(TCustomImageList* value) { sender_ = value; }
    TNotifyEvent OnChange;

    virtual void Change();
    // Follows `list` instead of the list it follows now (either may be null): moves this link and
    // the free notification of `owner`, who keeps the list in a field of its own.
    void Follow(TComponent* owner, TCustomImageList* list);

private:
    TCustomImageList* sender_ = nullptr;
};

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

class TCustomImageList : public TComponent {
    VESTREL_CLASS(TCustomImageList, TComponent)
public:
    explicit TCustomImageList(TComponent* owner);
    ~TCustomImageList() override;

    // The Win32 image list, made on first use.
    HIMAGELIST Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }

    int Width() const { return width_; }
    void SetWidth(int value);
    int Height() const { return height_; }
    void SetHeight(int value);
    // A masked list draws only the pixels its masks leave (default true).
    bool Masked() const { return masked_; }
    void SetMasked(bool value);
    // The colour behind the images when drawn (clNone: the masks decide).
    TColor BkColor() const { return bkColor_; }
    void SetBkColor(TColor value);
    TDrawingStyle DrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TDrawingStyle value) { drawingStyle_ = value; }

    int Count() const;
    // Adds the images of `image` (one per Width-wide part) with their masks from `mask` (white is
    // transparent; nullptr: opaque). Answers the index of the first, or -1.
    int Add(TBitmap* image, TBitmap* mask);
    // Adds the images of `image`; pixels of `maskColor` are transparent (clDefault: the colour of
    // the bottom-left pixel). `image` is not changed.
    int AddMasked(TBitmap* image, TColor maskColor);
    void Replace(int index, TBitmap* image, TBitmap* mask);
    void Delete(int index);
    void Clear();

    // Draws image `index` at (x, y) of `canvas`; a disabled image is drawn embossed in the button
    // shadow and highlight colours. An index outside the list draws nothing.
    void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
    // Image `index` on a Width x Height bitmap (the image over the bitmap's background colour).
    // False for an index outside the list.
    bool GetBitmap(int index, TBitmap* image);

    // Changes are told to the links (and OnChange) once the last EndUpdate runs.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    TNotifyEvent OnChange;

    void DefineProperties(TFiler* filer) override;
    // Replaces the images by those of a stored strip (the "Bitmap" property); bad data raises
    // EInvalidGraphic naming the list and leaves the images as they were.
    void LoadStrip(std::span<const std::uint8_t> data);

protected:
    virtual void Change();

private:
    void CreateHandle();
    void FreeHandle();
    void Recreate();  // a new, empty list with the current settings
    int AddImage(HBITMAP image, HBITMAP mask);

    HIMAGELIST handle_ = nullptr;
    int width_ = 16;
    int height_ = 16;
    bool masked_ = true;
    TColor bkColor_ = clNone;
    TDrawingStyle drawingStyle_ = dsNormal;
    int updateCount_ = 0;
    bool changed_ = false;
    std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
    VESTREL_CLASS(TImageList, TCustomImageList)
public:
    using TCustomImageList::TCustomImageList;
};

// Registers the classes and published properties of this file (idempotent).
void RegisterImgListClasses();
