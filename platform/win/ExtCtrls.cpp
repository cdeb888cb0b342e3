#include "ExtCtrls.h"

#include "Forms.h"
#include "TypeRegistry.h"

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
}
