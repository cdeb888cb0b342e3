// The data grid unit: image list, cell drawing routines, style, scroll-bar settings, the grid's first
// members and the grid library's start-up.
#include "DBGridEh.h"
#include "DBLookupGridsEh.h"

#include "DBGridEhFindDlgsForm.h"
#include "DBGridEhSelection.h"

#include "Encoding.h"
#include "Forms.h"
#include "Menus.h"
#include "PropFilerEhForm.h"
#include "TypeRegistry.h"

#include <algorithm>

namespace {

TLogChannel logGrid("grid");

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

}  // namespace

// ---- TGridImagesEh --------------------------------------------------------------------------------

TGridImagesEh::TGridImagesEh(int width, int height) : width_(width), height_(height) {
    list_ = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 8, 4);
    if (!list_) throw EOutOfResources("Cannot create an image list");
}

TGridImagesEh::~TGridImagesEh() {
    if (list_) ImageList_Destroy(list_);
}

int TGridImagesEh::Count() const { return ImageList_GetImageCount(list_); }

int TGridImagesEh::AddMasked(HBITMAP bitmap, TColor mask) {
    return ImageList_AddMasked(list_, bitmap, static_cast<COLORREF>(ColorToRGB(mask)));
}

void TGridImagesEh::ReplaceMasked(int index, HBITMAP bitmap, TColor mask) {
    if (index < 0 || index >= Count()) {
        AddMasked(bitmap, mask);
        return;
    }
    ImageList_Remove(list_, index);
    const int added = AddMasked(bitmap, mask);
    if (added >= 0 && added != index) ImageList_Copy(list_, index, list_, added, ILCF_MOVE);
}

void TGridImagesEh::Draw(TCanvas* canvas, int x, int y, int index) const {
    ImageList_Draw(list_, index, canvas->Handle(), x, y, ILD_TRANSPARENT);
}

// ---- Cell drawing routines --------------------------------------------------------------------------

namespace {
struct SharedBitmap {
    std::unique_ptr<TBitmap> bitmap;
    int users = 0;
};
SharedBitmap& Shared() {
    static SharedBitmap shared;
    return shared;
}

TTextFormat AlignmentFormat(TAlignment alignment) {
    switch (alignment) {
    case taRightJustify: return TTextFormat{tfRight};
    case taCenter: return TTextFormat{tfCenter};
    default: return TTextFormat{tfLeft};
    }
}

// Draws `text` wrapped into `rect` of `canvas` (the word-wrap method).
void DrawWrapped(TCanvas* canvas, TRect rect, bool fillRect, int dx, int dy, const String& text, TAlignment alignment,
                 TTextLayout layout, bool endEllipsis, bool rightToLeft) {
    if (fillRect) canvas->FillRect(rect);
    TRect r{rect.Left + dx, rect.Top + dy, rect.Right - dx, rect.Bottom};
    TTextFormat format = AlignmentFormat(alignment) + TTextFormat{tfWordBreak, tfNoPrefix};
    if (endEllipsis) format.Include(tfEndEllipsis);
    if (rightToLeft) format.Include(tfRtlReading);
    if (layout != tlTop) {
        TRect measure = r;
        canvas->TextRect(measure, text, format + TTextFormat{tfCalcRect});
        const int textHeight = measure.Height();
        if (layout == tlCenter)
            r.Top = std::max(r.Top, (rect.Top + rect.Bottom - textHeight) / 2);
        else
            r.Top = std::max(r.Top, rect.Bottom - dy - textHeight);
    }
    if (dx > 0) r.Bottom += 1;
    const TBrushStyle saved = canvas->Brush()->Style();
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextRect(r, text, format);
    canvas->Brush()->SetStyle(saved);
}

bool ExactBrushColour(TCanvas* canvas) {
    const COLORREF wanted = static_cast<COLORREF>(ColorToRGB(canvas->Brush()->Color()));
    return GetNearestColor(canvas->Handle(), wanted) == wanted;
}

}  // namespace

TBitmap* AcquireSharedBitmap() {
    SharedBitmap& shared = Shared();
    if (shared.users++ == 0) shared.bitmap = std::make_unique<TBitmap>();
    return shared.bitmap.get();
}

void ReleaseSharedBitmap() {
    SharedBitmap& shared = Shared();
    if (shared.users == 0) return;
    if (--shared.users == 0) shared.bitmap.reset();
}

int SharedBitmapUsers() { return Shared().users; }

int MeasureTextWidth(TCanvas* canvas, const String& text) {
    TRect r{0, 0, 0, 0};
    canvas->TextRect(r, text, TTextFormat{tfCalcRect, tfNoPrefix, tfSingleLine});
    return r.Width();
}

String ShortenTextToWidth(const String& text, TCanvas* canvas, int maxWidth) {
    return ShortenTextToWidth(text, [canvas](const String& t) { return canvas->TextWidth(t); }, maxWidth);
}

void DrawCellText(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, const String& text,
                  TAlignment alignment, TTextLayout layout, bool multiLine, bool endEllipsis, bool rightToLeft) {
    if (!ExactBrushColour(canvas)) {
        // Through the shared bitmap, so the background is the brush's own dithering.
        TBitmap* bitmap = AcquireSharedBitmap();
        try {
            const int w = std::max(bitmap->Width(), rect.Width());
            const int h = std::max(bitmap->Height(), rect.Height());
            if (w != bitmap->Width() || h != bitmap->Height()) bitmap->SetSize(w, h);
            TCanvas* b = bitmap->Canvas();
            b->SetFont(canvas->Font());
            b->Brush()->Assign(canvas->Brush());
            const TRect local{0, 0, rect.Width(), rect.Height()};
            b->FillRect(local);
            DrawWrapped(b, local, false, dx, dy, text, alignment, layout, endEllipsis, rightToLeft);
            canvas->CopyRect(rect, b, local);
        } catch (...) {
            ReleaseSharedBitmap();
            throw;
        }
        ReleaseSharedBitmap();
        return;
    }
    if (multiLine) {
        DrawWrapped(canvas, rect, fillRect, dx, dy, text, alignment, layout, endEllipsis, rightToLeft);
        return;
    }
    String shown = text;
    if (endEllipsis) shown = ShortenTextToWidth(text, canvas, rect.Width() - dx);
    const TFontStyles style = canvas->Font()->Style();
    const bool measured = alignment != taLeftJustify && (style.Contains(fsBold) || style.Contains(fsItalic));
    const int width = measured ? MeasureTextWidth(canvas, shown) : canvas->TextWidth(shown);
    int x;
    switch (alignment) {
    case taRightJustify: x = rect.Right - width - 3; break;
    case taCenter: x = rect.Left + (rect.Right - rect.Left) / 2 - width / 2; break;
    default: x = rect.Left + dx; break;
    }
    int y = rect.Top + dy;
    const int textHeight = canvas->TextHeight(shown.empty() ? String("W") : shown);
    if (textHeight < rect.Height() - dy) {
        if (layout == tlCenter) y = (rect.Top + rect.Bottom - textHeight) / 2;
        if (layout == tlBottom) y = rect.Bottom - textHeight;
    }
    const TBrushStyle saved = canvas->Brush()->Style();
    if (!fillRect) canvas->Brush()->SetStyle(bsClear);
    canvas->TextRect(rect, x, y, shown);
    canvas->Brush()->SetStyle(saved);
}

LOGFONTW UpwardFontDescription(const TCustomFont* font) {
    LOGFONTW lf{};
    lf.lfHeight = font->Height();
    lf.lfWidth = 0;
    lf.lfEscapement = 900;
    lf.lfOrientation = 900;
    lf.lfWeight = font->Style().Contains(fsBold) ? 700 : 400;
    lf.lfItalic = font->Style().Contains(fsItalic);
    lf.lfUnderline = font->Style().Contains(fsUnderline);
    lf.lfStrikeOut = font->Style().Contains(fsStrikeOut);
    lf.lfCharSet = font->Charset();
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = font->Pitch() == fpVariable ? VARIABLE_PITCH
                          : font->Pitch() == fpFixed  ? FIXED_PITCH
                                                      : DEFAULT_PITCH;
    const std::wstring name = ToWide(SameText(font->Name(), "Default") ? String("MS Sans Serif") : font->Name());
    wcsncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
    return lf;
}

HFONT MakeUpwardFont(const TCustomFont* font) {
    const LOGFONTW lf = UpwardFontDescription(font);
    return CreateFontIndirectW(&lf);
}

int DrawCellTextUpward(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, const String& text,
                       TAlignment alignment, TTextLayout layout, bool measureOnly) {
    auto saved = std::make_unique<TFont>();
    saved->Assign(canvas->Font());
    int length = 0;
    try {
        canvas->Font()->SetHandle(MakeUpwardFont(saved.get()));
        HDC dc = canvas->Handle();
        const TSize extent = canvas->TextExtent(text);
        length = extent.cx;
        if (saved->Style().Contains(fsItalic)) {
            const UINT size = GetOutlineTextMetricsW(dc, 0, nullptr);
            if (size > 0) {
                std::vector<unsigned char> buffer(size);
                auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
                if (GetOutlineTextMetricsW(dc, size, metrics) && metrics->otmsCharSlopeRise != 0)
                    length += metrics->otmTextMetrics.tmHeight * metrics->otmsCharSlopeRun / metrics->otmsCharSlopeRise;
            }
        }
        if (!measureOnly) {
            const int textHeight = extent.cy;
            int x;
            switch (alignment) {
            case taRightJustify: x = rect.Right - textHeight; break;
            case taCenter: x = (rect.Left + rect.Right - textHeight) / 2; break;
            default: x = rect.Left + dx; break;
            }
            // Upwards: the bottom is where the text starts.
            int y;
            switch (layout) {
            case tlCenter: y = (rect.Top + rect.Bottom + length) / 2; break;
            case tlBottom: y = rect.Top + length + dy; break;
            default: y = rect.Bottom - dy; break;
            }
            const TBrushStyle brush = canvas->Brush()->Style();
            if (!fillRect) canvas->Brush()->SetStyle(bsClear);
            canvas->TextRect(rect, x, y, text);
            canvas->Brush()->SetStyle(brush);
        }
    } catch (...) {
        canvas->SetFont(saved.get());
        throw;
    }
    canvas->SetFont(saved.get());
    return length;
}

void DrawImageInCell(const TGridImagesEh* images, TBitmap* bitmap, TCanvas* canvas, TAlignment alignment, int dx,
                     int imageIndex, const TRect& rect) {
    const int w = images ? images->Width() : (bitmap ? bitmap->Width() : 0);
    const int h = images ? images->Height() : (bitmap ? bitmap->Height() : 0);
    if (w <= 0 || h <= 0) return;
    int x;
    switch (alignment) {
    case taRightJustify: x = rect.Right - w + dx; break;
    case taCenter: x = (rect.Left + rect.Right - w) / 2 + dx; break;
    default: x = rect.Left + dx; break;
    }
    const int y = (rect.Top + rect.Bottom - h) / 2;
    auto draw = [&] {
        if (images)
            images->Draw(canvas, x, y, imageIndex);
        else
            canvas->Draw(x, y, bitmap);
    };
    if (x >= rect.Left && y >= rect.Top && x + w <= rect.Right && y + h <= rect.Bottom) {
        draw();
        return;
    }
    HDC dc = canvas->Handle();
    HRGN saved = CreateRectRgn(0, 0, 0, 0);
    const bool hadClip = GetClipRgn(dc, saved) == 1;
    IntersectClipRect(dc, rect.Left, rect.Top, rect.Right, rect.Bottom);
    try {
        draw();
    } catch (...) {
        SelectClipRgn(dc, hadClip ? saved : nullptr);
        DeleteObject(saved);
        throw;
    }
    SelectClipRgn(dc, hadClip ? saved : nullptr);
    DeleteObject(saved);
}

bool TextNeedsHint(TCanvas* canvas, const TRect& cell, int dx, int dy, const String& text, bool wordWrap,
                   UINT extraFlags, int& needWidth, int& needHeight) {
    const int boxWidth = std::max(1, cell.Width() - dx - 2);
    RECT r{0, 0, boxWidth, 0};
    const std::wstring wide = ToWide(text);
    HDC dc = canvas->Handle();
    canvas->TextWidth("W");  // the canvas's font into the DC
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
              DT_CALCRECT | DT_NOPREFIX | (wordWrap ? DT_WORDBREAK : 0) | extraFlags);
    needWidth = r.right - r.left;
    needHeight = r.bottom - r.top;
    return needWidth > boxWidth || needHeight > cell.Height() - dy + 1;
}

void DropQueuedMessage(HWND window, UINT msg) {
    MSG queued;
    if (PeekMessageW(&queued, window, msg, msg, PM_REMOVE) && queued.message == WM_QUIT)
        PostQuitMessage(static_cast<int>(queued.wParam));
}

// ---- TDBGridEhStyle -------------------------------------------------------------------------------

namespace {
const wchar_t* kStyleWindowClass = L"TDBGridEhStyleWindow";
}

TDBGridEhStyle::TDBGridEhStyle() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &TDBGridEhStyle::UtilityWindowProc;
        wc.hInstance = ProgramInstance();
        wc.lpszClassName = kStyleWindowClass;
        RegisterClassW(&wc);
        registered = true;
    }
    // A hidden top-level window (not a message-only one: those get no broadcasts).
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kStyleWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              ProgramInstance(), nullptr);
    if (window_)
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    else
        VLOG_ERROR(logGrid, "style window not created (%lu)", GetLastError());
    ReadScreenColors();
}

TDBGridEhStyle::~TDBGridEhStyle() {
    for (TCustomDBGridEh* grid : grids_) grid->StyleDestroyed();
    grids_.clear();
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK TDBGridEhStyle::UtilityWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* style = reinterpret_cast<TDBGridEhStyle*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!style) return DefWindowProcW(window, msg, wParam, lParam);
    return style->WndProc(msg, wParam, lParam);
}

LRESULT TDBGridEhStyle::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SYSCOLORCHANGE) {
        try {
            ReadScreenColors();
        } catch (...) {
            if (Application) Application->HandleException(this);
        }
        return 0;
    }
    return DefWindowProcW(window_, msg, wParam, lParam);
}

void TDBGridEhStyle::ReadScreenColors() {
    numColors_ = GetDeviceCaps(ScreenCompatibleDC(), NUMCOLORS);
}

void TDBGridEhStyle::RegisterGrid(TCustomDBGridEh* grid) {
    if (!grid || IsGridRegistered(grid)) return;
    grids_.push_back(grid);
}

void TDBGridEhStyle::UnregisterGrid(TCustomDBGridEh* grid) { std::erase(grids_, grid); }

bool TDBGridEhStyle::IsGridRegistered(TCustomDBGridEh* grid) const {
    return std::find(grids_.begin(), grids_.end(), grid) != grids_.end();
}

void TDBGridEhStyle::StyleChanged() {
    for (TCustomDBGridEh* grid : grids_) grid->RelayoutColumns();
}

void TDBGridEhStyle::SetLuminateSelection(bool value) {
    if (value == luminateSelection_) return;
    luminateSelection_ = value;
    StyleChanged();
}

void TDBGridEhStyle::SetDrawFocusFrame(bool value) {
    if (value == drawFocusFrame_) return;
    drawFocusFrame_ = value;
    StyleChanged();
}

namespace {
TColor NearestScreenColor(TColor color) {
    return static_cast<TColor>(GetNearestColor(ScreenCompatibleDC(), static_cast<COLORREF>(ColorToRGB(color))));
}
}  // namespace

bool TDBGridEhStyle::GetDataCellHighlightColors(const TDataCellHighlightQueryEh& query, TColor& background,
                                                TColor& fontColor) {
    TDataCellHighlightQueryEh q = query;
    q.LuminateSelection = luminateSelection_;
    q.RichDisplay = RichDisplay();
    const TColor before = background;
    if (!DataCellHighlight(q, background, fontColor)) return false;
    if (background != before && background != clBtnShadow && background != clHighlight && background != clBtnFace)
        background = NearestScreenColor(background);
    return true;
}

void TDBGridEhStyle::GetFixedCellHighlightColors(TCellKindEh kind, TRowKindEh rowKind, bool selectionActive,
                                                 TColor& background, TColor& fontColor) {
    FixedCellHighlight(kind, rowKind, selectionActive, luminateSelection_, RichDisplay(), background, fontColor);
}

// ---- Scroll-bar settings --------------------------------------------------------------------------

TDBGridEhScrollBar::TDBGridEhScrollBar(TCustomDBGridEh* grid, TScrollBarKindEh kind) : grid_(grid), kind_(kind) {}

TDBGridEhScrollBar::~TDBGridEhScrollBar() { SetExtScrollBar(nullptr); }

void TDBGridEhScrollBar::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TDBGridEhScrollBar*>(source);
    if (!other) return inherited::Assign(source);
    tracking_ = other->tracking_;
    SetVisibleMode(other->visibleMode_);
}

void TDBGridEhScrollBar::SetVisible(bool value) {
    SetVisibleMode(value ? sbAutoShowEh : sbNeverShowEh);
    if (extScrollBar_) extScrollBar_->SetVisible(value);
}

void TDBGridEhScrollBar::SetVisibleMode(TScrollBarVisibleModeEh value) { visibleMode_ = value; }

void TVertDBGridEhScrollBar::SetVisibleMode(TScrollBarVisibleModeEh value) {
    if (value == visibleMode_) return;
    visibleMode_ = value;
    if (Grid()) {
        Grid()->UpdateVertScrollBar();
        Grid()->RelayoutColumns();
    }
}

void TDBGridEhScrollBar::SetExtScrollBar(TWinControl* value) {
    if (value == extScrollBar_) return;
    const bool designing = grid_ && (grid_->ComponentState() & csDesigning) != 0;
    if (value && !designing &&
        value->WindowProc.Data() != static_cast<void*>(static_cast<TControl*>(value)))
        throw Exception("Possible " + value->Name() + " already attached to the other control.");
    if (extScrollBar_) {
        extScrollBar_->WindowProc = savedWndProc_;
        savedWndProc_ = nullptr;
    }
    extScrollBar_ = value;
    if (value) {
        if (grid_) value->FreeNotification(grid_);
        if (!designing) {
            savedWndProc_ = value->WindowProc;
            value->WindowProc = Event<&TDBGridEhScrollBar::ScrollBarWndProc>(this);
        }
        value->SetVisible(Visible());
    }
    if (grid_ && !(grid_->ComponentState() & csDestroying) && grid_->HandleAllocated()) {
        if (kind_ == sbVerticalEh) grid_->UpdateVertScrollBar();
        grid_->RelayoutColumns();
    }
}

void TDBGridEhScrollBar::ScrollBarWndProc(TMessage& message) {
    // A grid that reflects the forwarded message back to the bar would forward it again: once only.
    if (grid_ && !forwarding_ && (message.Msg == CN_HSCROLL || message.Msg == CN_VSCROLL)) {
        forwarding_ = true;
        try {
            grid_->Perform(kind_ == sbHorizontalEh ? WM_HSCROLL : WM_VSCROLL, message.WParam, message.LParam);
        } catch (...) {
            forwarding_ = false;
            throw;
        }
        forwarding_ = false;
    }
    if (savedWndProc_) savedWndProc_(message);
}

bool TDBGridEhScrollBar::IsScrollBarVisible() {
    if (extScrollBar_) return extScrollBar_->Visible();
    if (!Visible() || !grid_ || !grid_->HandleAllocated()) return false;
    const LONG_PTR style = GetWindowLongPtrW(grid_->WindowHandle(), GWL_STYLE);
    return (style & (kind_ == sbVerticalEh ? WS_VSCROLL : WS_HSCROLL)) != 0;
}

bool TDBGridEhScrollBar::GetScrollInfo(SCROLLINFO& info) {
    if (extScrollBar_) return ::GetScrollInfo(extScrollBar_->Handle(), SB_CTL, &info) != 0;
    if (!grid_) return false;
    return ::GetScrollInfo(grid_->Handle(), kind_ == sbVerticalEh ? SB_VERT : SB_HORZ, &info) != 0;
}

// ---- TSTDBGridEhFilter ------------------------------------------------------------------------------

void TSTDBGridEhFilter::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TSTDBGridEhFilter*>(source);
    if (!other) return inherited::Assign(source);
    local_ = other->local_;
    SetVisible(other->visible_);
}

void TSTDBGridEhFilter::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    if (grid_) grid_->RelayoutColumns();
}

// ---- TCustomDBGridEh: life cycle --------------------------------------------------------------------

TCustomDBGridEh::TCustomDBGridEh(TComponent* owner)
    : TCustomGrid(owner), core_(std::make_unique<TDBGridEhCore>(static_cast<IDBGridEhHost&>(*this))) {
    // The grid paints every cell itself.
    TCustomGrid::SetDefaultDrawing(false);
    TCustomGrid::SetScrollBars(ssHorizontal);
    TCustomGrid::SetOptions(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing,
                                         goColMoving, goEditing, goTabs});
    SetColCount(2);
    SetRowCount(2);
    SetColor(clWindow);
    SetParentColor(false);
    SetTabStop(true);
    headTree_ = std::make_unique<THeadTreeNode>("Root", 10, 0);
    stFilter_ = std::make_unique<TSTDBGridEhFilter>(this);
    cellParams_ = std::make_unique<TColCellParamsEh>();
    titleImagesLink_ = std::make_unique<TChangeLink>();
    titleImagesLink_->OnChange = Event<&TCustomDBGridEh::TitleImagesChanged>(this);
}

TCustomDBGridEh::~TCustomDBGridEh() {
    core_->DoneGridCore();
    if (style_) style_->UnregisterGrid(this);
    if (titleImages_) titleImages_->UnRegisterChanges(titleImagesLink_.get());
    if (sharedBitmapHeld_) ReleaseSharedBitmap();
}

void TCustomDBGridEh::AfterConstruction() {
    TCustomGrid::AfterConstruction();
    core_->InitGridCore();
    horzScrollBar_.reset(CreateScrollBar(sbHorizontalEh));
    vertScrollBar_.reset(static_cast<TVertDBGridEhScrollBar*>(CreateScrollBar(sbVerticalEh)));
    SumList()->OnRecalcAll = Event<&TCustomDBGridEh::SumListRecalcAll>(this);
    SumList()->OnAfterRecalcAll = Event<&TCustomDBGridEh::SumListAfterRecalcAll>(this);
    AcquireSharedBitmap();
    sharedBitmapHeld_ = true;
    SetStyle(nullptr);
}

void TCustomDBGridEh::BeforeDestruction() {
    // The columns and the link go while the grid is still whole.
    core_->DoneGridCore();
    TCustomGrid::BeforeDestruction();
}

TDBGridEhScrollBar* TCustomDBGridEh::CreateScrollBar(TScrollBarKindEh kind) {
    if (kind == sbVerticalEh) return New<TVertDBGridEhScrollBar>(this);
    return New<TDBGridEhScrollBar>(this, kind);
}

void TCustomDBGridEh::SumListRecalcAll(TObject* sender) {
    if (OnSumListRecalcAll) OnSumListRecalcAll(sender);
}

void TCustomDBGridEh::SumListAfterRecalcAll(TObject* sender) {
    if (OnSumListAfterRecalcAll) OnSumListAfterRecalcAll(sender);
}

void TCustomDBGridEh::Loaded() {
    TCustomGrid::Loaded();
    if (Columns()->Count() > 0) {
        if (AutoFitColWidths() && !IsGridDesigning()) {
            Columns()->BeginUpdate();
            for (int i = 0; i < Columns()->Count(); ++i)
                Columns()->ColumnAt(i)->SetAutoFitBaseWidth(Columns()->ColumnAt(i)->Width());
            Columns()->EndUpdate();
        }
        core_->RebuildSortMarkedColumnList();
    }
    if (DataSource()) SumList()->Loaded();
    RelayoutColumns();
    DeferLayout();
}

void TCustomDBGridEh::CreateParams(TCreateParams& params) {
    TCustomGrid::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
}

void TCustomDBGridEh::CreateWnd() {
    vertInfoApplied_ = false;  // a new window has no scroll bar settings yet
    BeginLayout();
    try {
        TCustomGrid::CreateWnd();
        editButtonWidth_ = Flat() ? DefaultFlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
        editButtonHeight_ = StandardEditButtonHeight(editButtonWidth_, Flat());
    } catch (...) {
        EndLayout();
        throw;
    }
    EndLayout();
    UpdateVertScrollBar();
}

void TCustomDBGridEh::Notification(TComponent* component, TOperation operation) {
    TCustomGrid::Notification(component, operation);
    core_->GridNotification(component, operation);
    if (operation != opRemove) return;
    if (component == filterEdit_) {
        filterEdit_ = nullptr;
        filterEditing_ = false;
    }
    if (component == titleImages_) {
        titleImages_ = nullptr;
        RelayoutColumns();
    }
    if (TDBGridColumnsEh* columns = Columns())
        for (int i = 0; i < columns->Count(); ++i) {
            TColumnEh* column = columns->ColumnAt(i);
            if (column->PopupMenu() == component) column->SetPopupMenu(nullptr);
            if (column->ImageList() == component) column->SetImageList(nullptr);
        }
    if (horzScrollBar_ && component == horzScrollBar_->ExtScrollBar()) horzScrollBar_->SetExtScrollBar(nullptr);
    if (vertScrollBar_ && component == vertScrollBar_->ExtScrollBar()) vertScrollBar_->SetExtScrollBar(nullptr);
}

void TCustomDBGridEh::DefineProperties(TFiler* filer) {
    TCustomGrid::DefineProperties(filer);
    core_->DefineColumnsProperty(filer);
}

void TCustomDBGridEh::DefaultHandler(TMessage& m) {
    TCustomGrid::DefaultHandler(m);
    if (m.Msg != WM_RBUTTONUP || !HandleAllocated()) return;
    const TGridCoord cell = MouseCoord(LParamX(m.LParam), LParamY(m.LParam));
    if (cell.X < indicatorOffset_ || cell.Y < 0) return;
    const int dataCol = GridColToDataCol(cell.X);
    if (dataCol >= Columns()->Count()) return;
    auto* menu = dynamic_cast<TPopupMenu*>(Columns()->ColumnAt(dataCol)->PopupMenu());
    if (!menu || !menu->AutoPopup()) return;
    SendCancelMode(nullptr);
    menu->SetPopupComponent(this);
    const TPoint p = ClientToScreen(Point(LParamX(m.LParam), LParamY(m.LParam)));
    menu->Popup(p.X, p.Y);
    m.Result = 1;
}

// ---- Properties ------------------------------------------------------------------------------------

void TCustomDBGridEh::SetAllowedSelections(TDBGridEhAllowedSelections value) {
    allowedSelections_ = value;
    const TDBGridEhSelectionType type = SelectionType();
    if (type != gstNon && !value.Contains(type)) {
        Selection()->ClearSelection();
        InvalidateGrid();
    }
}

void TCustomDBGridEh::SetEvenRowColor(TColor value) {
    const bool changed = value != EvenRowColor();
    evenRowColorSet_ = true;
    evenRowColor_ = value;
    if (changed) InvalidateGrid();
}

void TCustomDBGridEh::SetOddRowColor(TColor value) {
    const bool changed = value != OddRowColor();
    oddRowColorSet_ = true;
    oddRowColor_ = value;
    if (changed) InvalidateGrid();
}

void TCustomDBGridEh::SetFlat(bool value) {
    if (value == Flat()) return;
    titleTextMargin_ = value ? 2 : 4;
    core_->SetFlat(value);
    RecreateWnd();
}

void TCustomDBGridEh::SetFooterColor(TColor value) {
    if (value == FooterColor()) return;
    if (!IsGridLoading()) SetParentColor(false);
    core_->SetFooterColor(value);
}

void TCustomDBGridEh::SetFrozenCols(int value) {
    if (value < 0 || value == frozenCols_) return;
    frozenCols_ = value;
    RelayoutColumns();
}

void TCustomDBGridEh::SetMinAutoFitWidth(int value) {
    minAutoFitWidth_ = value;
    RelayoutColumns();
}

void TCustomDBGridEh::OptionsChanged(TDBGridOptions oldValue) {
    const TDBGridOptions value = Options();
    if (oldValue.Contains(dgMultiSelect) && !value.Contains(dgMultiSelect) && SelectionType() == gstAll)
        Selection()->ClearSelection();
    ApplyPlatformOptions();
    const TDBGridOptions layoutOptions{dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColLines,
                                       dgRowLines, dgRowSelect, dgAlwaysShowSelection};
    if ((value * layoutOptions) != (oldValue * layoutOptions))
        RelayoutColumns();
    else
        InvalidateGrid();
    if (EditorMode()) InvalidateEditor();
}

void TCustomDBGridEh::ApplyPlatformOptions() {
    const TDBGridOptions o = Options();
    TGridOptions p = TCustomGrid::Options() -
                     TGridOptions{goRowSizing, goFixedVertLine, goVertLine, goFixedHorzLine, goHorzLine, goColSizing,
                                  goColMoving, goTabs, goRowSelect, goEditing, goAlwaysShowEditor, goRangeSelect};
    if (rowSizingAllowed_) p.Include(goRowSizing);
    if (o.Contains(dgColLines)) p = p + TGridOptions{goFixedVertLine, goVertLine};
    if (o.Contains(dgRowLines)) p = p + TGridOptions{goFixedHorzLine, goHorzLine};
    if (o.Contains(dgColumnResize)) p = p + TGridOptions{goColSizing, goColMoving};
    if (o.Contains(dgTabs)) p.Include(goTabs);
    if (o.Contains(dgRowSelect)) p.Include(goRowSelect);
    if (o.Contains(dgEditing)) p.Include(goEditing);
    if (o.Contains(dgAlwaysShowEditor)) p.Include(goAlwaysShowEditor);
    TCustomGrid::SetOptions(p);
}

void TCustomDBGridEh::SetReadOnly(bool value) {
    if (value == ReadOnly()) return;
    core_->SetReadOnly(value);
    UpdateTabStopsAndColWidths();
}

void TCustomDBGridEh::SetRowHeight(int value) {
    rowHeight_ = std::max(value, 0);
    RelayoutColumns();
}

void TCustomDBGridEh::SetRowLines(int value) {
    rowLines_ = std::max(value, 0);
    RelayoutColumns();
}

void TCustomDBGridEh::SetRowSizingAllowed(bool value) {
    if (value == rowSizingAllowed_) return;
    rowSizingAllowed_ = value;
    ApplyPlatformOptions();
}

void TCustomDBGridEh::SetTitleHeight(int value) {
    titleHeight_ = value;
    RelayoutColumns();
}

void TCustomDBGridEh::SetTitleLines(int value) {
    titleLines_ = value;
    RelayoutColumns();
}

void TCustomDBGridEh::SetVTitleMargin(int value) {
    vTitleMargin_ = value;
    RelayoutColumns();
}

void TCustomDBGridEh::SetTitleImages(TCustomImageList* value) {
    if (value == titleImages_) return;
    titleImagesLink_->Follow(this, value);
    titleImages_ = value;
    RelayoutColumns();
}

void TCustomDBGridEh::TitleImagesChanged(TObject*) { RelayoutColumns(); }

void TCustomDBGridEh::TitleOrFooterFontChanged() {
    if (!changingOwnFonts_ && !IsGridLoading()) SetParentFont(false);
}

void TCustomDBGridEh::SetStyle(TDBGridEhStyle* value) {
    if (!value) value = DBGridEhDefaultStyle();
    if (value == style_) return;
    if (style_) style_->UnregisterGrid(this);
    style_ = value;
    if (style_) style_->RegisterGrid(this);
    RelayoutColumns();
}

THeadTreeNode* TCustomDBGridEh::LeafOf(int dataCol) const {
    if (dataCol < 0 || dataCol >= static_cast<int>(leaves_.size())) return nullptr;
    return leaves_[static_cast<std::size_t>(dataCol)];
}

// ---- Coordinates --------------------------------------------------------------------------------------

bool TCustomDBGridEh::TryGetCellType(int aCol, int aRow, TCellTypeEh& type) {
    const TGridShapeEh shape{indicatorOffset_, shapeTitleRows_, shapeFilterRows_, shapeFooterRows_, RowCount()};
    return TryGetCellTypeEh(shape, aCol, aRow, type);
}

TCellTypeEh TCustomDBGridEh::GetCellType(int aCol, int aRow) {
    TCellTypeEh type;
    if (!TryGetCellType(aCol, aRow, type)) RaiseGridOperationError("Algorithm error in TCustomDBGridEh.GetCellType");
    return type;
}

int TCustomDBGridEh::VisibleDataRowCount() {
    int rows = VisibleRowCount();
    if (shapeFooterRows_ > 0) rows -= shapeFooterRows_ + 1;
    return std::max(rows, 1);
}

TField* TCustomDBGridEh::SelectedField() const {
    const int dataCol = SelectedIndex();
    if (dataCol < 0) return nullptr;
    return Columns()->ColumnAt(dataCol)->Field();
}

int TCustomDBGridEh::SelectedIndex() const {
    const int dataCol = GridColToDataCol(Col());
    if (!Columns() || dataCol < 0 || dataCol >= Columns()->Count()) return -1;
    return dataCol;
}

void TCustomDBGridEh::SetSelectedIndex(int value) { SelectDataColumn(DataColToGridCol(value), 0); }

int TCustomDBGridEh::GridColWidth(int gridCol) const {
    if (gridCol < 0 || gridCol >= ColCount()) return -1;
    return ColWidths(gridCol);
}

void TCustomDBGridEh::SetGridColWidth(int gridCol, int width) {
    if (gridCol < 0 || gridCol >= ColCount()) return;
    SetColWidths(gridCol, width);
}

// ---- The core's hooks ---------------------------------------------------------------------------------------

void TCustomDBGridEh::InvalidateGrid() {
    if (HandleAllocated()) Invalidate();
}

void TCustomDBGridEh::InvalidateGridColumn(int gridCol) {
    if (gridCol >= 0 && gridCol < ColCount()) InvalidateCol(gridCol);
}

void TCustomDBGridEh::InvalidateGridRow(int gridRow) {
    if (gridRow >= 0 && gridRow < RowCount()) InvalidateRow(gridRow);
}

void TCustomDBGridEh::InvalidateGridRect(const TRect& cells) {
    if (cells.Left < 0 || cells.Top < 0) return;
    InvalidateCells(TGridRect{cells.Left, cells.Top, std::min(cells.Right, ColCount() - 1),
                              std::min(cells.Bottom, RowCount() - 1)});
}

TGridFontMetricsEh TCustomDBGridEh::FontMetrics(const TCustomFont* font) const {
    const TTextMeasure measure(&PlatformFont(*font));
    const TEXTMETRICW tm = measure.Metrics();
    TGridFontMetricsEh m;
    m.ZeroWidth = measure.Extent("0").cx;
    m.Overhang = tm.tmOverhang;
    m.AveCharWidth = tm.tmAveCharWidth;
    return m;
}

int TCustomDBGridEh::SortIndexDigitsWidth(int sortIndex) const {
    TFont* font = DBGridEhSortIndexFont();
    if (!font) return 6 * static_cast<int>(std::to_string(sortIndex).size());
    return TTextMeasure(font).Extent(std::to_string(sortIndex)).cx;
}

bool TCustomDBGridEh::CanEditNow() const {
    TGridDataLinkEh* link = DataLink();
    if (!link->Active()) return false;
    TDataSet* ds = link->DataSet();
    if (!allowedOperations_.Contains(alopUpdateEh) && !(ds && ds->State() == dsInsert)) return false;
    if (ds && ds->IsEmpty() && !allowedOperations_.Contains(alopInsertEh) &&
        !allowedOperations_.Contains(alopAppendEh))
        return false;
    return true;
}

bool TCustomDBGridEh::EditorShown() const { return InplaceEditor() && InplaceEditor()->EditorVisible(); }

String TCustomDBGridEh::EditorText() const { return InplaceEditor() ? InplaceEditor()->Text() : String(); }

void TCustomDBGridEh::ColumnsUpdated() {
    if (EditorMode()) InvalidateEditor();
}

void TCustomDBGridEh::SumListValuesChanged() {
    for (int i = 0; i < shapeFooterRows_; ++i) InvalidateGridRow(RowCount() - 1 - i);
}

void TCustomDBGridEh::UpdateDataFromEditor() {
    UpdateText();  // the editor's latest text first
    const int dataCol = SelectedIndex();
    if (dataCol < 0) return;
    TColumnEh* column = Columns()->ColumnAt(dataCol);
    TField* field = column->Field();
    if (!field) return;
    if (field->Lookup()) {
        column->WriteValue(editText_, editValue_, false);
    } else if (column->HasKeyList()) {
        // The field holds the key of the shown entry; a text no entry has clears it.
        const int i = column->PickList()->IndexOf(editText_);
        const Variant key = i >= 0 && i < column->KeyList()->Count() ? Variant(column->KeyList()->Get(i)) : Null();
        column->WriteValue(editText_, key, false);
    } else {
        column->WriteValue(editText_, Variant(editText_), true);
    }
}

void TCustomDBGridEh::DataLinkRecordChanged(TField* field) {
    if (!HandleAllocated()) return;
    if (field) {
        for (int i = 0; i < Columns()->Count(); ++i)
            if (Columns()->ColumnAt(i)->Field() == field) {
                InvalidateGridRow(Row());
                break;
            }
    } else {
        InvalidateGrid();
    }
    TField* selected = SelectedField();
    if ((!field || field == selected) && selected && EditorMode()) {
        const String text = GetEditText(Col(), Row());
        if (text != editText_) InvalidateEditor();
    }
}

void TCustomDBGridEh::DataLinkEditingChanged() {
    if (HandleAllocated() && indicatorOffset_ > 0) InvalidateCell(0, Row());
}

void TCustomDBGridEh::FocusField(TField*& field) {
    for (int i = 0; i < Columns()->Count(); ++i)
        if (Columns()->ColumnAt(i)->Field() == field) {
            SetSelectedIndex(i);
            if (EditorShown()) field = nullptr;
            return;
        }
}

// ---- Data link reactions ------------------------------------------------------------------------------

void TCustomDBGridEh::LinkActiveChanging(bool active) {
    if (!active) HideEditor();
}

void TCustomDBGridEh::LinkActiveChanged(bool active) {
    if (!active) StopIncSearch();
    if (active && IsAlwaysShowEditor()) ShowEditor();
    UpdateVertScrollBar();
}

void TCustomDBGridEh::UpdateDataView() {
    if (!HandleAllocated() || inUpdateDataView_) return;
    inUpdateDataView_ = true;
    try {
        UpdateRowCount();
        const bool wasShown = VertScrollBar()->IsScrollBarVisible();
        UpdateVertScrollBar();
        if (wasShown != VertScrollBar()->IsScrollBarVisible() && AutoFitColWidths() && !IsGridDesigning())
            DeferLayout();
        SyncActiveRecord();
        InvalidateEditor();
        ValidateRect(WindowHandle(), nullptr);
        InvalidateGrid();
    } catch (...) {
        inUpdateDataView_ = false;
        throw;
    }
    inUpdateDataView_ = false;
}

void TCustomDBGridEh::UpdateTabStopsAndColWidths() {
    const bool colLines = Options().Contains(dgColLines);
    TGridDataLinkEh* link = DataLink();
    for (int i = 0; i < Columns()->Count(); ++i) {
        TColumnEh* column = Columns()->ColumnAt(i);
        const int gridCol = DataColToGridCol(i);
        if (gridCol >= ColCount()) break;
        TField* field = column->Field();
        bool readOnlyField = !field || field->Calculated() || field->ReadOnly();
        if (field && field->Lookup()) {
            std::vector<TField*> keys;
            try {
                field->DataSet()->GetFieldList(keys, field->KeyFields);
                readOnlyField = std::all_of(keys.begin(), keys.end(), [](TField* k) { return k->ReadOnly(); });
            } catch (const Exception&) {
                readOnlyField = true;
            }
        }
        SetTabStops(gridCol, column->Visible() && !column->ReadOnly() && link->Active() && !readOnlyField);
        SetColWidths(gridCol, column->Visible() ? column->Width() : (colLines ? -1 : 0));
    }
    if (indicatorOffset_ > 0) SetColWidths(0, kIndicatorWidth);
}

// ---- Editing hooks ----------------------------------------------------------------------------------------

TInplaceEdit* TCustomDBGridEh::CreateEditor() { return New<TDBGridInplaceEdit>(this); }

bool TCustomDBGridEh::IsAlwaysShowEditor() {
    return Options().Contains(dgAlwaysShowEditor) && !Options().Contains(dgRowSelect);
}

bool TCustomDBGridEh::CanEditShow() {
    if (filterEditing_ || LayoutLock() > 0 || !TCustomGrid::CanEditShow()) return false;
    const int dataCol = SelectedIndex();
    bool can = dataCol >= 0;
    if (can) {
        const TColumnEhValueType kind = Columns()->ColumnAt(dataCol)->GetColumnType();
        can = kind != ctKeyImageList && kind != ctCheckboxes;
    }
    if (can && OptionsEh().Contains(dghClearSelection) && allowedSelections_.Contains(gstRectangle) &&
        SelectionType() == gstRectangle)
        can = false;
    if (!can && EditorShown()) HideEditor();
    return can;
}

bool TCustomDBGridEh::CanEditModify() {
    const int dataCol = SelectedIndex();
    if (dataCol < 0 || ReadOnly()) return false;
    TColumnEh* column = Columns()->ColumnAt(dataCol);
    if (column->GetColumnType() == ctCheckboxes) return false;
    if (InplaceEditor() && InplaceEditor()->ReadOnly()) return false;
    return column->CanModify(true);
}

bool TCustomDBGridEh::CanEditAcceptKey(wchar_t key) {
    const int dataCol = SelectedIndex();
    if (!DataLink()->Active() || dataCol < 0) return TCustomGrid::CanEditAcceptKey(key);
    TColumnEh* column = Columns()->ColumnAt(dataCol);
    TField* field = column->Field();
    if (!field) return TCustomGrid::CanEditAcceptKey(key);
    return column->HasKeyList() || field->IsValidChar(static_cast<char32_t>(key));
}

int TCustomDBGridEh::GetEditLimit() {
    const int dataCol = SelectedIndex();
    if (dataCol < 0) return 0;
    TColumnEh* column = Columns()->ColumnAt(dataCol);
    if (column->HasKeyList()) return 0;
    TField* field = column->Field();
    return field && field->DataType() == ftString ? field->Size() : 0;
}

String TCustomDBGridEh::GetEditMask(int aCol, int aRow) {
    const int dataCol = GridColToDataCol(aCol);
    if (dataCol < 0 || dataCol >= Columns()->Count()) return String();
    TColumnEh* column = Columns()->ColumnAt(dataCol);
    if (!column->EditMask().empty()) return column->EditMask();
    if (!column->HasKeyList())
        if (TField* field = column->Field()) return field->EditMask();
    return String();
}

String TCustomDBGridEh::GetEditText(int aCol, int aRow) {
    const int dataCol = GridColToDataCol(aCol);
    String text;
    if (dataCol >= 0 && dataCol < Columns()->Count()) {
        TColumnEh* column = Columns()->ColumnAt(dataCol);
        if (TField* field = column->Field()) {
            if (column->HasKeyList()) {
                const int i = column->KeyList()->IndexOf(field->Text());
                text = (i >= 0 && i < column->PickList()->Count()) ? column->PickList()->Get(i) : String();
            } else if (field->DataType() == ftMemo && DrawMemoText()) {
                text = NormaliseLineBreaksEh(field->AsString());
            } else {
                text = field->Text();
            }
            TColCellParamsEh* params = cellParams_.get();
            column->FillColCellParams(params);
            params->Text = text;
            column->GetCellParams(true, params);
            text = params->Text;
        }
    }
    editText_ = text;
    return text;
}

void TCustomDBGridEh::SetEditText(int aCol, int aRow, const String& value) {
    editText_ = value;
    // A lookup column's typed text stands for the key of the list row that shows it (or none).
    const int dataCol = GridColToDataCol(aCol);
    TField* field = dataCol >= 0 && dataCol < Columns()->Count() ? Columns()->ColumnAt(dataCol)->Field() : nullptr;
    if (field && field->Lookup()) {
        editValue_ = Null();
        TDataSet* list = field->LookupDataSet;
        if (list && list->Active() && !value.empty()) {
            try {
                if (list->Locate(field->LookupResultField, Variant(value), loCaseInsensitive)) {
                    std::vector<TField*> keys;
                    list->GetFieldList(keys, field->LookupKeyFields);
                    std::vector<Variant> key;
                    for (TField* k : keys) key.push_back(k->AsVariant());
                    editValue_ = key.size() == 1 ? key[0] : VarArrayOf(key);
                }
            } catch (const EDatabaseError&) {  // a list that cannot be searched knows no key
            }
        }
    }
    DataLink()->SetModified();
}

// ---- Events -----------------------------------------------------------------------------------------------

void TCustomDBGridEh::CellClick(TColumnEh* column) {
    if (OnCellClick) OnCellClick(column);
}

void TCustomDBGridEh::CheckTitleButton(int index, bool& enabled) {
    if (index < 0 || index >= Columns()->Count()) {
        enabled = false;
        return;
    }
    if (OnCheckButton) OnCheckButton(this, index, Columns()->ColumnAt(index), enabled);
}

void TCustomDBGridEh::ColEnter() {
    if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridEh::ColExit() {
    if (OnColExit) OnColExit(this);
}

bool TCustomDBGridEh::GetFindDialogFlag() {
    TCustomForm* form = GetParentForm(this);
    return form && form->FormState().Contains(fsModal);
}

void TCustomDBGridEh::OpenFindDialog() {
    if (TFindDialogRoutineEh open = DBGridEhFindDialogRoutine()) open(this, String(), GetFindDialogFlag());
}

void TCustomDBGridEh::SortMarkingChanged() {
    if (OnSortMarkingChanged)
        OnSortMarkingChanged(this);
    else
        DefaultApplySorting();
}

void TCustomDBGridEh::TitleBtnClick(int dataCol, TColumnEh* column) {
    if (OnTitleBtnClick) OnTitleBtnClick(this, dataCol, column);
}

void TCustomDBGridEh::DrawColumnCell(const TRect& rect, int dataCol, TColumnEh* column, TGridDrawState state) {
    if (OnDrawColumnCell) OnDrawColumnCell(this, rect, dataCol, column, state);
}

void TCustomDBGridEh::DrawDataCell(const TRect& rect, TField* field, TGridDrawState state) {
    if (OnDrawDataCell) OnDrawDataCell(this, rect, field, state);
}

void TCustomDBGridEh::GetCellParams(TColumnEh* column, TCustomFont* font, TColor& background, TGridDrawState state) {
    if (OnGetCellParams) OnGetCellParams(this, column, font, background, state);
}

void TCustomDBGridEh::GetFooterParams(int dataCol, int row, TColumnEh* column, TFont* font, TColor& background,
                                      TAlignment& alignment, TGridDrawState state, String& text) {
    if (OnGetFooterParams) OnGetFooterParams(this, dataCol, row, column, font, background, alignment, state, text);
}

void TCustomDBGridEh::TitleClick(TColumnEh* column) {
    if (OnTitleClick) OnTitleClick(column);
}

// ---- Start-up -------------------------------------------------------------------------------------

namespace {

struct GridUnitGlobals {
    int initCount = 0;
    std::unique_ptr<TDBGridEhStyle> style;
    std::unique_ptr<TDBGridEhDataService> service;
    std::unique_ptr<TColCellParamsEh> cellParams;
    std::unique_ptr<TFont> sortIndexFont;
    std::unique_ptr<TGridImagesEh> indicators;
    std::unique_ptr<TGridImagesEh> sortMarkers;
    HCURSOR cursors[3] = {};
    TDBGridEhSettings settings;
    TFindDialogRoutineEh findDialog = nullptr;
};

GridUnitGlobals& Unit() {
    static GridUnitGlobals unit;
    return unit;
}

// A bitmap of the program by name; its absence stops the start-up.
HBITMAP RequireBitmap(const wchar_t* name) {
    HBITMAP bitmap = LoadBitmapW(ProgramInstance(), name);
    if (!bitmap) throw EResNotFound("Bitmap resource " + FromWide(name) + " not found");
    return bitmap;
}

TSize BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    return TSize{info.bmWidth, info.bmHeight};
}

struct BitmapHolder {
    HBITMAP handle;
    explicit BitmapHolder(const wchar_t* name) : handle(RequireBitmap(name)) {}
    ~BitmapHolder() { DeleteObject(handle); }
    BitmapHolder(const BitmapHolder&) = delete;
    BitmapHolder& operator=(const BitmapHolder&) = delete;
};

// "DBGARROWEHW" with its teal background in the incremental-search colour.
HBITMAP MakeIncSearchArrow(HBITMAP source, TColor background) {
    TBitmap bitmap;
    bitmap.SetHandle(static_cast<HBITMAP>(CopyImage(source, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const TColor fill = background == clTeal ? static_cast<TColor>(RGB(0, 127, 127)) : background;
    TCanvas* canvas = bitmap.Canvas();
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (static_cast<TColor>(canvas->Pixels[x][y]) == clTeal) canvas->Pixels[x][y] = ColorToRGB(fill);
    return static_cast<HBITMAP>(CopyImage(bitmap.Handle(), IMAGE_BITMAP, 0, 0, 0));
}

void BuildImageLists(GridUnitGlobals& unit) {
    BitmapHolder arrow(L"DBGARROWEH");
    const TSize size = BitmapSize(arrow.handle);
    unit.indicators = std::make_unique<TGridImagesEh>(size.cx, size.cy);
    unit.indicators->AddMasked(arrow.handle, clWhite);
    for (const wchar_t* name : {L"DBEDITEH", L"DBINSERTEH", L"DBMULTIDOTEH", L"DBMULTIARROWEH"}) {
        BitmapHolder image(name);
        unit.indicators->AddMasked(image.handle, clWhite);
    }
    BitmapHolder arrowW(L"DBGARROWEHW");
    unit.indicators->AddMasked(arrowW.handle, clTeal);
    HBITMAP searching = MakeIncSearchArrow(arrowW.handle, unit.settings.IncSearchBackground);
    if (unit.indicators->Count() >= 7)
        unit.indicators->ReplaceMasked(6, searching, clTeal);
    else
        unit.indicators->AddMasked(searching, clTeal);
    DeleteObject(searching);

    BitmapHolder down(L"DBSMDOWNEH");
    BitmapHolder up(L"DBSMUPEH");
    const TSize markerSize = BitmapSize(down.handle);
    unit.sortMarkers = std::make_unique<TGridImagesEh>(markerSize.cx, markerSize.cy);
    unit.sortMarkers->AddMasked(down.handle, clFuchsia);
    unit.sortMarkers->AddMasked(up.handle, clFuchsia);
}

void FreeUnitObjects(GridUnitGlobals& unit) {
    // A cursor the screen holds is the screen's to destroy.
    for (std::size_t i = 0; i < std::size(unit.cursors); ++i) {
        HCURSOR& cursor = unit.cursors[i];
        const TCursor index = static_cast<TCursor>(crDBGridEhColumnSelect + static_cast<int>(i));
        if (cursor && Screen && Screen->Cursors(index) == cursor)
            Screen->SetCursors(index, nullptr);
        else if (cursor)
            DestroyCursor(cursor);
        cursor = nullptr;
    }
    unit.sortMarkers.reset();
    unit.indicators.reset();
    unit.sortIndexFont.reset();
    if (unit.style) {
        SetDBGridEhDataService(nullptr);
        UnregisterDataSetFeaturesEh(TDataSet::StaticClass()->name);
    }
    unit.style.reset();
    unit.service.reset();
    unit.cellParams.reset();
}

}  // namespace

TDBGridEhStyle* DBGridEhDefaultStyle() { return Unit().style.get(); }
TColCellParamsEh* DBGridEhColCellParams() { return Unit().cellParams.get(); }
TFont* DBGridEhSortIndexFont() { return Unit().sortIndexFont.get(); }
TGridImagesEh* DBGridEhIndicators() { return Unit().indicators.get(); }
TGridImagesEh* DBGridEhSortMarkers() { return Unit().sortMarkers.get(); }
TDBGridEhSettings& DBGridEhSettings() { return Unit().settings; }
TFindDialogRoutineEh& DBGridEhFindDialogRoutine() { return Unit().findDialog; }

HCURSOR DBGridEhCursor(TCursor which) {
    const int index = which - crDBGridEhColumnSelect;
    if (index < 0 || index > 2) return nullptr;
    return Unit().cursors[index];
}

void DBGridEhInitialization() {
    GridUnitGlobals& unit = Unit();
    if (unit.initCount++ > 0) return;
    try {
        RegisterDBGridEhClasses();
        AddReadPropertyInterceptor(TColumnEh::StaticClass(),
                                   TStoragePropertyInterceptorClass::Of<TColumnEhPropertyInterceptor>());
        AddReadPropertyInterceptor(TDBGridColumnsEh::StaticClass(),
                                   TStoragePropertyInterceptorClass::Of<TColumnsEhPropertyInterceptor>());
        unit.style = std::make_unique<TDBGridEhStyle>();
        unit.service = std::make_unique<TDBGridEhDataService>();
        SetDBGridEhDataService(unit.service.get());
        if (!FeaturesForDataSetClass(TDataSet::StaticClass()))
            RegisterDataSetFeaturesEh(std::make_unique<TClientDataSetFeaturesEh>());
        {
            BitmapHolder down(L"DBSMDOWNEH");
            unit.sortIndexFont = std::make_unique<TFont>();
            unit.sortIndexFont->SetName("Arial");
            unit.sortIndexFont->SetHeight(1 - BitmapSize(down.handle).cy);
        }
        const wchar_t* cursorNames[3] = {L"DOWNCUREH", L"RIGHTCUREH", L"LEFTCUREH"};
        for (int i = 0; i < 3; ++i) {
            unit.cursors[i] = LoadCursorW(ProgramInstance(), cursorNames[i]);
            if (!unit.cursors[i]) throw EOutOfResources("Cannot load cursor resource");
            if (Screen) Screen->SetCursors(crDBGridEhColumnSelect + i, unit.cursors[i]);
        }
        unit.settings = TDBGridEhSettings();
        BuildImageLists(unit);
        unit.cellParams = std::make_unique<TColCellParamsEh>();
    } catch (...) {
        FreeUnitObjects(unit);
        unit.initCount = 0;
        throw;
    }
}

void DBGridEhFinalization() {
    GridUnitGlobals& unit = Unit();
    if (unit.initCount == 0 || --unit.initCount > 0) return;
    FreeUnitObjects(unit);
}

void GridLibraryInitialization() {
    PropFilerEhInitialization();
    RegisterFormStorageInterceptor();
    ToolCtrlsEhInitialization();
    DBGridEhInitialization();
    RegisterLookupGridFactory();
    DBGridEhFindDlgsInitialization();
}

void GridLibraryFinalization() {
    DBGridEhFindDlgsFinalization();
    DBGridEhFinalization();
    ToolCtrlsEhFinalization();
    PropFilerEhFinalization();
}

// ---- Registration ---------------------------------------------------------------------------------

void RegisterDBGridEhClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterControlsClasses();
    RegisterDBSumListClasses();
    RegisterGridColumnClasses();
    RegisterComponentClass<TDBGridEh>();
    // Colours are written as the class layer's colour names.
    const std::span<const TIdentMapEntry> colors = ColorIdents();
    RegisterProperties<TCustomDBGridEh>()
        .Set("AllowedOperations", [](TCustomDBGridEh& g) { return g.AllowedOperations().Bits(); },
             [](TCustomDBGridEh& g, std::uint32_t bits) {
                 g.SetAllowedOperations(TDBGridEhAllowedOperations::FromBits(bits));
             },
             {"alopInsertEh", "alopUpdateEh", "alopDeleteEh", "alopAppendEh"})
        .Set("AllowedSelections", [](TCustomDBGridEh& g) { return g.AllowedSelections().Bits(); },
             [](TCustomDBGridEh& g, std::uint32_t bits) {
                 g.SetAllowedSelections(TDBGridEhAllowedSelections::FromBits(bits));
             },
             {"gstNon", "gstRecordBookmarks", "gstRectangle", "gstColumns", "gstAll"})
        .Bool("AutoFitColWidths", &TCustomDBGridEh::AutoFitColWidths, &TCustomDBGridEh::SetAutoFitColWidths)
        .Object("ColumnDefValues", &TCustomDBGridEh::ColumnDefValues)
        .Component("DataSource", &TCustomDBGridEh::DataSource, &TCustomDBGridEh::SetDataSource)
        .Bool("DefaultDrawing", &TCustomDBGridEh::DefaultDrawing, &TCustomDBGridEh::SetDefaultDrawing)
        .Bool("DrawMemoText", &TCustomDBGridEh::DrawMemoText, &TCustomDBGridEh::SetDrawMemoText)
        .Set("EditActions", [](TCustomDBGridEh& g) { return g.EditActions().Bits(); },
             [](TCustomDBGridEh& g, std::uint32_t bits) { g.SetEditActions(TDBGridEhEditActions::FromBits(bits)); },
             {"geaCutEh", "geaCopyEh", "geaPasteEh", "geaDeleteEh", "geaSelectAllEh"})
        .Int("EvenRowColor", &TCustomDBGridEh::EvenRowColor, &TCustomDBGridEh::SetEvenRowColor)
        .Idents(colors)
        .Int("FixedColor", &TCustomDBGridEh::FixedColor, &TCustomDBGridEh::SetFixedColor)
        .Idents(colors)
        .Bool("Flat", &TCustomDBGridEh::Flat, &TCustomDBGridEh::SetFlat)
        .Int("FooterColor", &TCustomDBGridEh::FooterColor, &TCustomDBGridEh::SetFooterColor)
        .Idents(colors)
        .Object("FooterFont", &TCustomDBGridEh::FooterFont)
        .Int("FooterRowCount", &TCustomDBGridEh::FooterRowCount, &TCustomDBGridEh::SetFooterRowCount)
        .Int("FrozenCols", &TCustomDBGridEh::FrozenCols, &TCustomDBGridEh::SetFrozenCols)
        .Object("HorzScrollBar", &TCustomDBGridEh::HorzScrollBar)
        .Int("MinAutoFitWidth", &TCustomDBGridEh::MinAutoFitWidth, &TCustomDBGridEh::SetMinAutoFitWidth)
        .Int("OddRowColor", &TCustomDBGridEh::OddRowColor, &TCustomDBGridEh::SetOddRowColor)
        .Idents(colors)
        .Set("Options", [](TCustomDBGridEh& g) { return g.Options().Bits(); },
             [](TCustomDBGridEh& g, std::uint32_t bits) { g.SetOptions(TDBGridOptions::FromBits(bits)); },
             {"dgEditing", "dgAlwaysShowEditor", "dgTitles", "dgIndicator", "dgColumnResize", "dgColLines",
              "dgRowLines", "dgTabs", "dgRowSelect", "dgAlwaysShowSelection", "dgConfirmDelete", "dgCancelOnExit",
              "dgMultiSelect"})
        .Set("OptionsEh", [](TCustomDBGridEh& g) { return g.OptionsEh().Bits(); },
             [](TCustomDBGridEh& g, std::uint32_t bits) { g.SetOptionsEh(TDBGridEhOptions::FromBits(bits)); },
             {"dghFixed3D", "dghFrozen3D", "dghFooter3D", "dghData3D", "dghResizeWholeRightPart",
              "dghHighlightFocus", "dghClearSelection", "dghFitRowHeightToText", "dghAutoSortMarking",
              "dghMultiSortMarking", "dghEnterAsTab", "dghTraceColSizing", "dghIncSearch", "dghPreferIncSearch",
              "dghRowHighlight", "dghDblClickOptimizeColWidth", "dghDialogFind", "dghRecordMoving"})
        .Bool("ReadOnly", &TCustomDBGridEh::ReadOnly, &TCustomDBGridEh::SetReadOnly)
        .Int("RowHeight", &TCustomDBGridEh::RowHeight, &TCustomDBGridEh::SetRowHeight)
        .Int("RowLines", &TCustomDBGridEh::RowLines, &TCustomDBGridEh::SetRowLines)
        .Bool("RowSizingAllowed", &TCustomDBGridEh::RowSizingAllowed, &TCustomDBGridEh::SetRowSizingAllowed)
        .Bool("SortLocal", &TCustomDBGridEh::SortLocal, &TCustomDBGridEh::SetSortLocal)
        .Object("STFilter", &TCustomDBGridEh::STFilter)
        .Object("SumList", &TCustomDBGridEh::SumList)
        .Object("TitleFont", &TCustomDBGridEh::TitleFont)
        .Int("TitleHeight", &TCustomDBGridEh::TitleHeight, &TCustomDBGridEh::SetTitleHeight)
        .Component("TitleImages", &TCustomDBGridEh::TitleImages, &TCustomDBGridEh::SetTitleImages)
        .Int("TitleLines", &TCustomDBGridEh::TitleLines, &TCustomDBGridEh::SetTitleLines)
        .Bool("UseMultiTitle", &TCustomDBGridEh::UseMultiTitle, &TCustomDBGridEh::SetUseMultiTitle)
        .Object("VertScrollBar", &TCustomDBGridEh::VertScrollBar)
        .Int("VTitleMargin", &TCustomDBGridEh::VTitleMargin, &TCustomDBGridEh::SetVTitleMargin)
        .Event("OnApplyFilter", &TCustomDBGridEh::OnApplyFilter)
        .Event("OnCellClick", &TCustomDBGridEh::OnCellClick)
        .Event("OnCheckButton", &TCustomDBGridEh::OnCheckButton)
        .Event("OnColEnter", &TCustomDBGridEh::OnColEnter)
        .Event("OnColExit", &TCustomDBGridEh::OnColExit)
        .Event("OnColumnMoved", &TCustomDBGridEh::OnColumnMoved)
        .Event("OnColWidthsChanged", &TCustomDBGridEh::OnColWidthsChanged)
        .Event("OnDrawColumnCell", &TCustomDBGridEh::OnDrawColumnCell)
        .Event("OnDrawDataCell", &TCustomDBGridEh::OnDrawDataCell)
        .Event("OnDrawFooterCell", &TCustomDBGridEh::OnDrawFooterCell)
        .Event("OnEditButtonClick", &TCustomDBGridEh::OnEditButtonClick)
        .Event("OnGetBtnParams", &TCustomDBGridEh::OnGetBtnParams)
        .Event("OnGetCellParams", &TCustomDBGridEh::OnGetCellParams)
        .Event("OnGetFooterParams", &TCustomDBGridEh::OnGetFooterParams)
        .Event("OnMoveRecords", &TCustomDBGridEh::OnMoveRecords)
        .Event("OnSelectionChanged", &TCustomDBGridEh::OnSelectionChanged)
        .Event("OnSortMarkingChanged", &TCustomDBGridEh::OnSortMarkingChanged)
        .Event("OnSumListAfterRecalcAll", &TCustomDBGridEh::OnSumListAfterRecalcAll)
        .Event("OnSumListRecalcAll", &TCustomDBGridEh::OnSumListRecalcAll)
        .Event("OnTitleBtnClick", &TCustomDBGridEh::OnTitleBtnClick)
        .Event("OnTitleClick", &TCustomDBGridEh::OnTitleClick);
    RegisterProperties<TDBGridEhSumList>()
        .Bool("Active", &TDBGridEhSumList::Active, &TDBGridEhSumList::SetActive)
        .Bool("ExternalRecalc", &TDBGridEhSumList::ExternalRecalc, &TDBGridEhSumList::SetExternalRecalc)
        .Bool("VirtualRecords", &TDBGridEhSumList::VirtualRecords, &TDBGridEhSumList::SetVirtualRecords)
        .Event("OnAfterRecalcAll", &TDBGridEhSumList::OnAfterRecalcAll)
        .Event("OnRecalcAll", &TDBGridEhSumList::OnRecalcAll)
        .Event("SumListChanged", &TDBGridEhSumList::SumListChanged);
    RegisterProperties<TSTDBGridEhFilter>()
        .Bool("Local", &TSTDBGridEhFilter::Local, &TSTDBGridEhFilter::SetLocal)
        .Bool("Visible", &TSTDBGridEhFilter::Visible, &TSTDBGridEhFilter::SetVisible);
    RegisterProperties<TDBGridEhScrollBar>()
        .Bool("Tracking", &TDBGridEhScrollBar::Tracking, &TDBGridEhScrollBar::SetTracking)
        .Bool("Visible", &TDBGridEhScrollBar::Visible, &TDBGridEhScrollBar::SetVisible);
    RegisterProperties<TVertDBGridEhScrollBar>().Enum(
        "VisibleMode", &TVertDBGridEhScrollBar::VisibleMode, &TVertDBGridEhScrollBar::SetVisibleMode,
        {"sbAlwaysShowEh", "sbNeverShowEh", "sbAutoShowEh"});
}
