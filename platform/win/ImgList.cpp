#include "ImgList.h"

#include "Controls.h"
#include "FormReader.h"
#include "Streams.h"
#include "TypeRegistry.h"

#include <algorithm>

namespace {

constexpr DWORD kRasterPaintWhereBlack = 0x00B8074A;  // PSDPxax: the brush where the source is 0

COLORREF ListColor(TColor color) {
    return color == clNone ? CLR_NONE : static_cast<COLORREF>(ColorToRGB(color));
}

// A memory DC with a bitmap selected, freed on scope exit.
class TScratchDC {
public:
    TScratchDC(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)), bitmap_(bitmap) {
        if (dc_ && bitmap_)
            old_ = SelectObject(dc_, bitmap_);
    }
    ~TScratchDC() {
        if (dc_) {
            if (old_)
                SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
        if (bitmap_)
            DeleteObject(bitmap_);
    }
    TScratchDC(const TScratchDC&) = delete;
    TScratchDC& operator=(const TScratchDC&) = delete;

    bool Ok() const { return dc_ && bitmap_ && old_; }
    HDC DC() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_ = nullptr;
};

}  // namespace

// ---- TChangeLink ------------------------------------------------------------------------------------

TChangeLink::~TChangeLink() {
    if (sender_)
        sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (OnChange)
        OnChange(sender_);
}

void TChangeLink::Follow(TComponent* owner, TCustomImageList* list) {
    if (sender_ == list)
        return;
    if (sender_) {
        sender_->RemoveFreeNotification(owner);
        sender_->UnRegisterChanges(this);
    }
    if (list) {
        list->FreeNotification(owner);
        list->RegisterChanges(this);
    }
}

// ---- TCustomImageList -------------------------------------------------------------------------------

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : links_)
        link->SetSender(nullptr);
    links_.clear();
    FreeHandle();
}

HIMAGELIST TCustomImageList::Handle() {
    if (!handle_)
        CreateHandle();
    return handle_;
}

void TCustomImageList::CreateHandle() {
    const UINT flags = ILC_COLOR24 | (masked_ ? ILC_MASK : 0);
    handle_ = ImageList_Create(width_, height_, flags, 4, 4);
    if (!handle_) {
        VLOG_ERROR(LogControls, "ImageList_Create(%d, %d) of '%s' failed: %lu", width_, height_, Name().c_str(),
                   GetLastError());
        throw EInvalidOperation("Cannot create the image list '" + Name() + "'");
    }
    ImageList_SetBkColor(handle_, ListColor(bkColor_));
}

void TCustomImageList::FreeHandle() {
    if (handle_) {
        ImageList_Destroy(handle_);
        handle_ = nullptr;
    }
}

void TCustomImageList::Recreate() {
    FreeHandle();
    Change();
}

void TCustomImageList::SetWidth(int value) {
    value = std::max(value, 1);
    if (width_ == value)
        return;
    width_ = value;
    Recreate();
}

void TCustomImageList::SetHeight(int value) {
    value = std::max(value, 1);
    if (height_ == value)
        return;
    height_ = value;
    Recreate();
}

void TCustomImageList::SetMasked(bool value) {
    if (masked_ == value)
        return;
    masked_ = value;
    Recreate();
}

void TCustomImageList::SetBkColor(TColor value) {
    if (bkColor_ == value)
        return;
    bkColor_ = value;
    if (handle_)
        ImageList_SetBkColor(handle_, ListColor(value));
    Change();
}

int TCustomImageList::Count() const {
    return handle_ ? ImageList_GetImageCount(handle_) : 0;
}

int TCustomImageList::AddImage(HBITMAP image, HBITMAP mask) {
    const int index = ImageList_Add(Handle(), image, mask);
    if (index < 0)
        VLOG_WARN(LogControls, "ImageList_Add to '%s' failed", Name().c_str());
    else
        Change();
    return index;
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
    if (!image || image->Empty())
        return -1;
    return AddImage(image->Handle(), mask && !mask->Empty() ? mask->Handle() : nullptr);
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
    if (!image || image->Empty())
        return -1;
    if (maskColor == clDefault)
        maskColor = image->Canvas()->Pixels[0][image->Height() - 1];
    // ImageList_AddMasked blackens the masked pixels of the bitmap it is given: give it a copy.
    TBitmap copy;
    copy.Assign(image);
    const int index = ImageList_AddMasked(Handle(), copy.Handle(), static_cast<COLORREF>(ColorToRGB(maskColor)));
    if (index < 0)
        VLOG_WARN(LogControls, "ImageList_AddMasked to '%s' failed", Name().c_str());
    else
        Change();
    return index;
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
    if (index < 0 || index >= Count())
        throw EInvalidOperation("Image list '" + Name() + "': index " + std::to_string(index) + " out of bounds");
    if (!image || image->Empty())
        return;
    if (ImageList_Replace(handle_, index, image->Handle(), mask && !mask->Empty() ? mask->Handle() : nullptr))
        Change();
}

void TCustomImageList::Delete(int index) {
    if (index < 0 || index >= Count())
        throw EInvalidOperation("Image list '" + Name() + "': index " + std::to_string(index) + " out of bounds");
    ImageList_Remove(handle_, index);
    Change();
}

void TCustomImageList::Clear() {
    if (Count() == 0)
        return;
    ImageList_Remove(handle_, -1);
    Change();
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
    if (!canvas || index < 0 || index >= Count())
        return;
    HDC dc = canvas->Handle();
    if (enabled) {
        const COLORREF back = bkColor_ == clNone ? CLR_NONE : CLR_DEFAULT;
        ImageList_DrawEx(handle_, index, dc, x, y, 0, 0, back, CLR_DEFAULT, ILD_NORMAL);
        return;
    }
    // Disabled: the image's non-white pixels as a silhouette, in highlight one pixel down and
    // right, then in shadow.
    HBITMAP colorBitmap = CreateCompatibleBitmap(ScreenCompatibleDC(), width_, height_);
    TScratchDC color(colorBitmap);
    TScratchDC mono(CreateBitmap(width_, height_, 1, 1, nullptr));
    if (!color.Ok() || !mono.Ok()) {
        VLOG_ERROR(LogControls, "no memory DC for a disabled image of '%s'", Name().c_str());
        return;
    }
    const RECT all{0, 0, width_, height_};
    FillRect(color.DC(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_DrawEx(handle_, index, color.DC(), 0, 0, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_NORMAL);
    ::SetBkColor(color.DC(), RGB(255, 255, 255));
    BitBlt(mono.DC(), 0, 0, width_, height_, color.DC(), 0, 0, SRCCOPY);

    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBack = ::SetBkColor(dc, RGB(255, 255, 255));
    const struct {
        int Offset;
        int SystemColor;
    } passes[] = {{1, COLOR_BTNHIGHLIGHT}, {0, COLOR_BTNSHADOW}};
    for (const auto& pass : passes) {
        HBRUSH brush = CreateSolidBrush(GetSysColor(pass.SystemColor));
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        BitBlt(dc, x + pass.Offset, y + pass.Offset, width_, height_, mono.DC(), 0, 0, kRasterPaintWhereBlack);
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
    }
    SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBack);
}

bool TCustomImageList::GetBitmap(int index, TBitmap* image) {
    if (!image || index < 0 || index >= Count())
        return false;
    image->SetSize(width_, height_);
    image->Canvas()->FillRect(Rect(0, 0, width_, height_));
    Draw(image->Canvas(), 0, 0, index);
    return true;
}

void TCustomImageList::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && changed_)
        Change();
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
    if (!link || std::find(links_.begin(), links_.end(), link) != links_.end())
        return;
    link->SetSender(this);
    links_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
    std::erase(links_, link);
    if (link && link->Sender() == this)
        link->SetSender(nullptr);
}

void TCustomImageList::Change() {
    if (updateCount_ > 0) {
        changed_ = true;
        return;
    }
    changed_ = false;
    if ((ComponentState() & csLoading) != 0)
        return;
    const std::vector<TChangeLink*> links = links_;  // a link may leave while told
    for (TChangeLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            link->Change();
    if (OnChange)
        OnChange(this);
}

void TCustomImageList::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineBinaryProperty(
        "Bitmap",
        [this](TStream* stream) {
            std::vector<std::uint8_t> data(static_cast<std::size_t>(stream->Size() - stream->Position()));
            if (!data.empty())
                stream->ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));
            LoadStrip(data);
        },
        nullptr, Count() > 0);
}

void TCustomImageList::LoadStrip(std::span<const std::uint8_t> data) {
    if (data.empty())
        return Clear();
    TBitmap strip;
    try {
        strip.LoadFromData(data);
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic("Image list '" + Name() + "': " + e.Message);
    }
    if (strip.Empty())
        return Clear();
    if (strip.Height() != height_ || strip.Width() % width_ != 0)
        throw EInvalidGraphic("Image list '" + Name() + "': the strip is " + std::to_string(strip.Width()) + " x " +
                              std::to_string(strip.Height()) + ", not a row of " + std::to_string(width_) + " x " +
                              std::to_string(height_) + " images");
    BeginUpdate();
    try {
        Clear();
        if (masked_)
            AddMasked(&strip, clFuchsia);
        else
            Add(&strip, nullptr);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterImgListClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterClasses<TImageList>();
    RegisterProperties<TCustomImageList>()
        .Int("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth)
        .Int("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight)
        .Bool("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked)
        .Int("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor)
        .Idents(ColorIdents())
        .Enum("DrawingStyle", &TCustomImageList::DrawingStyle, &TCustomImageList::SetDrawingStyle,
              {"dsFocus", "dsSelected", "dsNormal", "dsTransparent"})
        .Event("OnChange", &TCustomImageList::OnChange);
}
