#include "ExtCtrls.h"

#include "Forms.h"
#include "TypeRegistry.h"

#include <algorithm>

// ---- TImage -----------------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = Event<&TImage::PictureChanged>(this);
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() {
    picture_->OnChange = nullptr;
}

void TImage::SetAutoSize(bool value) {
    if (autoSize_ == value)
        return;
    autoSize_ = value;
    if (value)
        PictureChanged(nullptr);
}

void TImage::SetCenter(bool value) {
    if (center_ == value)
        return;
    center_ = value;
    Invalidate();
}

void TImage::SetStretch(bool value) {
    if (stretch_ == value)
        return;
    stretch_ = value;
    Invalidate();
}

void TImage::SetTransparent(bool value) {
    if (transparent_ == value)
        return;
    transparent_ = value;
    PictureChanged(nullptr);
}

void TImage::PictureChanged(TObject*) {
    TGraphic* graphic = picture_->Graphic();
    if (graphic && dynamic_cast<TBitmap*>(graphic) && graphic->Transparent() != transparent_)
        graphic->SetTransparent(transparent_);  // raises OnChange again, with the same state
    if (autoSize_ && graphic && !graphic->Empty())
        SetBounds(Left(), Top(), graphic->Width(), graphic->Height());
    Invalidate();
}

TRect TImage::DestRect() const {
    const int w = picture_->Width();
    const int h = picture_->Height();
    if (stretch_)
        return Rect(0, 0, Width(), Height());
    if (center_)
        return Bounds((Width() - w) / 2, (Height() - h) / 2, w, h);
    return Rect(0, 0, w, h);
}

void TImage::PaintTo(TCanvas& canvas) {
    TGraphic* graphic = picture_->Graphic();
    if (!graphic || graphic->Empty())
        return;
    canvas.StretchDraw(DestRect(), graphic);
}

void TImage::Paint() {
    PaintTo(*Canvas());
}

// ---- TTimer -----------------------------------------------------------------------------------------

namespace {

constexpr wchar_t kTimerWindowClass[] = L"TTimerWindow";
constexpr UINT_PTR kTimerId = 1;

HINSTANCE TimerModule() {
    return GetModuleHandleW(nullptr);
}

}  // namespace

LRESULT CALLBACK TTimer::TimerWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == kTimerId) {
        auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (timer) {
            try {
                timer->Timer();
            } catch (...) {
                if (Application)
                    Application->HandleException(timer);
            }
        }
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
    if (window_) {
        KillTimer(window_, kTimerId);
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void TTimer::SetEnabled(bool value) {
    if (enabled_ == value)
        return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
    if (interval_ == value)
        return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::AfterConstruction() {
    inherited::AfterConstruction();
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (running_) {
        KillTimer(window_, kTimerId);
        running_ = false;
    }
    if (!enabled_ || interval_ == 0)
        return;
    if (!window_) {
        static const bool registered = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = TimerWindowProc;
            windowClass.hInstance = TimerModule();
            windowClass.lpszClassName = kTimerWindowClass;
            return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        }();
        if (!registered)
            throw EInvalidOperation("Cannot register the timer window class");
        window_ = CreateWindowExW(0, kTimerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, TimerModule(),
                                  nullptr);
        if (!window_)
            throw EInvalidOperation("Cannot create the window of timer '" + Name() + "'");
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    if (!SetTimer(window_, kTimerId, interval_, nullptr))
        throw EInvalidOperation("Not enough timers available for '" + Name() + "'");
    running_ = true;
}

void TTimer::Timer() {
    if (enabled_ && OnTimer)
        OnTimer(this);
}

// ---- TCustomPanel -----------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(
        TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks});
    SetBounds(0, 0, 185, 41);
    SetParentColor(false);
    SetColor(clBtnFace);
}

int TCustomPanel::BorderSize() const {
    int size = borderWidth_;
    if (bevelOuter_ != bvNone)
        size += bevelWidth_;
    if (bevelInner_ != bvNone)
        size += bevelWidth_;
    return size;
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
    if (bevelInner_ == value)
        return;
    bevelInner_ = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
    if (bevelOuter_ == value)
        return;
    bevelOuter_ = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int value) {
    value = std::max(value, 1);
    if (bevelWidth_ == value)
        return;
    bevelWidth_ = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int value) {
    value = std::max(value, 0);
    if (borderWidth_ == value)
        return;
    borderWidth_ = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& rect) {
    inherited::AdjustClientRect(rect);
    const int size = BorderSize();
    rect.Left += size;
    rect.Top += size;
    rect.Right -= size;
    rect.Bottom -= size;
}

void TCustomPanel::PaintTo(TCanvas& canvas) {
    TRect r = Rect(0, 0, Width(), Height());
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(r);
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone)
            return;
        if (cut != bvSpace) {
            const TColor topLeft = cut == bvLowered ? clBtnShadow : clBtnHighlight;
            const TColor bottomRight = cut == bvLowered ? clBtnHighlight : clBtnShadow;
            for (int i = 0; i < bevelWidth_; ++i) {
                canvas.Pen()->SetColor(topLeft);
                canvas.MoveTo(r.Left + i, r.Bottom - 1 - i);
                canvas.LineTo(r.Left + i, r.Top + i);
                canvas.LineTo(r.Right - 1 - i, r.Top + i);
                canvas.Pen()->SetColor(bottomRight);
                canvas.LineTo(r.Right - 1 - i, r.Bottom - 1 - i);
                canvas.LineTo(r.Left + i, r.Bottom - 1 - i);
            }
        }
        r = Rect(r.Left + bevelWidth_, r.Top + bevelWidth_, r.Right - bevelWidth_, r.Bottom - bevelWidth_);
    };
    bevel(bevelOuter_);
    r = Rect(r.Left + borderWidth_, r.Top + borderWidth_, r.Right - borderWidth_, r.Bottom - borderWidth_);
    bevel(bevelInner_);
    const String caption = Caption();
    if (caption.empty())
        return;
    canvas.SetFont(Font());
    canvas.Brush()->SetStyle(bsClear);
    TTextFormat format{tfSingleLine, tfVerticalCenter, tfExpandTabs};
    format.Include(alignment_ == taLeftJustify ? tfLeft : alignment_ == taRightJustify ? tfRight : tfCenter);
    if (!Enabled())
        canvas.Font()->SetColor(clGrayText);
    canvas.TextRect(r, caption, format);
    canvas.Brush()->SetStyle(bsSolid);
}

void TCustomPanel::Paint() {
    PaintTo(*Canvas());
}

void TCustomPanel::CMTextChanged(TMessage& m) {
    inherited::CMTextChanged(m);
    Invalidate();
}

// ---- TSplitter --------------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(TControlStyle{csCaptureMouse});
    SetAlign(alLeft);
    SetBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
}

void TSplitter::RequestAlign() {
    SetCursor(Horizontal() ? crVSplit : crHSplit);
    inherited::RequestAlign();
}

TControl* TSplitter::FindControl() const {
    TWinControl* parent = Parent();
    if (!parent)
        return nullptr;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align())
            continue;
        bool adjacent = false;
        switch (Align()) {
        case alLeft: adjacent = c->Left() + c->Width() == Left(); break;
        case alRight: adjacent = c->Left() == Left() + Width(); break;
        case alTop: adjacent = c->Top() + c->Height() == Top(); break;
        case alBottom: adjacent = c->Top() == Top() + Height(); break;
        default: break;
        }
        if (adjacent)
            return c;
    }
    return nullptr;
}

void TSplitter::MoveBy(int delta) {
    TControl* control = FindControl();
    TWinControl* parent = Parent();
    if (!control || !parent || delta == 0)
        return;
    const bool horizontal = Horizontal();
    // What the other controls aligned along the same axis take (this bar included).
    int taken = 0;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == control || !c->Visible())
            continue;
        if (horizontal && (c->Align() == alTop || c->Align() == alBottom))
            taken += c->Height();
        else if (!horizontal && (c->Align() == alLeft || c->Align() == alRight))
            taken += c->Width();
    }
    const int room = (horizontal ? parent->ClientHeight() : parent->ClientWidth()) - taken - minSize_;
    const int current = horizontal ? control->Height() : control->Width();
    const bool grows = Align() == alLeft || Align() == alTop;
    const int wanted = current + (grows ? delta : -delta);
    const int size = std::max(std::min(wanted, room), minSize_);
    if (size == current)
        return;
    if (horizontal)
        control->SetHeight(size);
    else
        control->SetWidth(size);
}

void TSplitter::Paint() {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    inherited::MouseDown(button, shift, x, y);
    if (button != mbLeft)
        return;
    dragging_ = true;
    downAt_ = ClientToScreen(Point(x, y));
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
    inherited::MouseMove(shift, x, y);
    if (!dragging_)
        return;
    const TPoint at = ClientToScreen(Point(x, y));
    const int delta = Horizontal() ? at.Y - downAt_.Y : at.X - downAt_.X;
    if (delta == 0)
        return;
    const TPoint before = ClientToScreen(Point(0, 0));
    MoveBy(delta);
    const TPoint after = ClientToScreen(Point(0, 0));
    // Only what the bar really moved counts: the rest of the drag waits at the limit.
    downAt_.X += after.X - before.X;
    downAt_.Y += after.Y - before.Y;
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    inherited::MouseUp(button, shift, x, y);
    if (button != mbLeft || !dragging_)
        return;
    dragging_ = false;
    if (OnMoved)
        OnMoved(this);
}

// ---- TCustomRadioGroup ------------------------------------------------------------------------------

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner)
    : TCustomGroupBox(owner), items_(std::make_unique<TStringList>()) {
    items_->OnChange = Event<&TCustomRadioGroup::ItemsChanged>(this);
}

TCustomRadioGroup::~TCustomRadioGroup() {
    items_->OnChange = nullptr;
}

TRadioButton* TCustomRadioGroup::Buttons(int index) const {
    if (index < 0 || index >= ButtonCount())
        throw EListError("Radio group '" + Name() + "': index " + std::to_string(index) + " out of bounds");
    return buttons_[static_cast<std::size_t>(index)];
}

void TCustomRadioGroup::SetItemIndex(int value) {
    if (ComponentState() & csLoading) {  // the items may come later: Loaded checks it
        itemIndex_ = value;
        return;
    }
    if (value < -1 || value >= items_->Count())
        value = -1;
    itemIndex_ = value;
    updating_ = true;
    for (int i = 0; i < ButtonCount(); ++i)
        buttons_[static_cast<std::size_t>(i)]->SetChecked(i == value);
    updating_ = false;
}

void TCustomRadioGroup::SetColumns(int value) {
    value = std::clamp(value, 1, 16);
    if (columns_ == value)
        return;
    columns_ = value;
    ArrangeButtons();
}

void TCustomRadioGroup::ItemsChanged(TObject*) {
    UpdateButtons();
    SetItemIndex(itemIndex_);
}

void TCustomRadioGroup::UpdateButtons() {
    const int count = items_->Count();
    while (ButtonCount() > count) {
        TRadioButton* last = buttons_.back();
        buttons_.pop_back();
        last->Free();
    }
    while (ButtonCount() < count) {
        auto* button = New<TRadioButton>(this);
        button->OnClick = Event<&TCustomRadioGroup::ButtonClick>(this);
        button->SetParent(this);
        buttons_.push_back(button);
    }
    for (int i = 0; i < count; ++i)
        buttons_[static_cast<std::size_t>(i)]->SetCaption(items_->Get(i));
    ArrangeButtons();
}

void TCustomRadioGroup::ArrangeButtons() {
    if (buttons_.empty())
        return;
    TRect r = ClientRect();
    AdjustClientRect(r);
    const int count = ButtonCount();
    const int rows = (count + columns_ - 1) / columns_;
    const int width = std::max(r.Width() - 8, 0) / columns_;
    const int height = std::max(r.Height(), 0) / std::max(rows, 1);
    for (int i = 0; i < count; ++i) {
        const int column = i / rows;
        const int row = i % rows;
        buttons_[static_cast<std::size_t>(i)]->SetBounds(r.Left + 8 + column * width, r.Top + row * height, width,
                                                         std::max(height, 1));
    }
}

void TCustomRadioGroup::ButtonClick(TObject* sender) {
    if (updating_)
        return;
    const auto it = std::find(buttons_.begin(), buttons_.end(), sender);
    if (it == buttons_.end())
        return;
    itemIndex_ = static_cast<int>(it - buttons_.begin());
    Click();
}

void TCustomRadioGroup::Loaded() {
    inherited::Loaded();
    ArrangeButtons();
    SetItemIndex(itemIndex_);
}

void TCustomRadioGroup::Resize() {
    ArrangeButtons();
    inherited::Resize();
}

void TCustomRadioGroup::AlignControls(TControl* control, TRect& rect) {
    ArrangeButtons();
    inherited::AlignControls(control, rect);
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterExtCtrlsClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterControlsClasses();
    RegisterClasses<TImage, TTimer>();
    RegisterProperties<TImage>()
        .Object("Picture", &TImage::Picture, &TImage::SetPicture)
        .Bool("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize)
        .Bool("Center", &TImage::Center, &TImage::SetCenter)
        .Bool("Stretch", &TImage::Stretch, &TImage::SetStretch)
        .Bool("Transparent", &TImage::Transparent, &TImage::SetTransparent);
    RegisterProperties<TTimer>()
        .Bool("Enabled", &TTimer::Enabled, &TTimer::SetEnabled)
        .Int("Interval", &TTimer::Interval, &TTimer::SetInterval)
        .Event("OnTimer", &TTimer::OnTimer);
    RegisterStdCtrlsClasses();
    RegisterClasses<TPanel, TSplitter, TRadioGroup>();
    RegisterProperties<TCustomPanel>()
        .Enum("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner,
              {"bvNone", "bvLowered", "bvRaised", "bvSpace"})
        .Enum("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter,
              {"bvNone", "bvLowered", "bvRaised", "bvSpace"})
        .Int("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth)
        .Int("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth)
        .Enum("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment,
              {"taLeftJustify", "taRightJustify", "taCenter"});
    RegisterProperties<TSplitter>()
        .Int("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize)
        .Event("OnMoved", &TSplitter::OnMoved);
    RegisterProperties<TCustomRadioGroup>()
        .Object("Items", &TCustomRadioGroup::Items, &TCustomRadioGroup::SetItems)
        .Int("ItemIndex", &TCustomRadioGroup::ItemIndex, &TCustomRadioGroup::SetItemIndex)
        .Int("Columns", &TCustomRadioGroup::Columns, &TCustomRadioGroup::SetColumns);
}
