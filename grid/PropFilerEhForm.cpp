// The form interceptor of stored properties: a form's placement, scaled to the screen's DPI.
#include "PropFilerEhForm.h"

#include "Forms.h"
#include "TypeRegistry.h"

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(TObject* target) : TStoragePropertyInterceptor(target) {
    TCustomForm* form = Form();
    if (!form) return;
    pixelsPerInch_ = Screen ? Screen->PixelsPerInch() : 96;
    windowState_ = static_cast<int>(form->WindowState());
    activeControl_ = form->ActiveControl();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (form->HandleAllocated() && GetWindowPlacement(form->WindowHandle(), &placement))
        rect_ = FromWinRect(placement.rcNormalPosition);  // the restored rectangle
    else
        rect_ = form->BoundsRect();
}

TCustomForm* TFormStoragePropertyInterceptor::Form() const { return dynamic_cast<TCustomForm*>(Target()); }

void TFormStoragePropertyInterceptor::SetLeft(int value) {
    rect_ = Bounds(value, rect_.Top, rect_.Width(), rect_.Height());
    positionRead_ = true;
}

void TFormStoragePropertyInterceptor::SetTop(int value) {
    rect_ = Bounds(rect_.Left, value, rect_.Width(), rect_.Height());
    positionRead_ = true;
}

void TFormStoragePropertyInterceptor::AfterRead() {
    TCustomForm* form = Form();
    if (!form) return;
    const int screenPpi = Screen ? Screen->PixelsPerInch() : 96;
    const int stored = pixelsPerInch_ > 0 ? pixelsPerInch_ : screenPpi;
    const TRect r = Bounds(MulDiv(rect_.Left, screenPpi, stored), MulDiv(rect_.Top, screenPpi, stored),
                           MulDiv(rect_.Width(), screenPpi, stored), MulDiv(rect_.Height(), screenPpi, stored));
    const auto state = static_cast<TWindowState>(windowState_);
    form->SetWindowState(state);
    if (activeControl_) form->SetActiveControl(activeControl_);
    if (state != wsNormal && form->HandleAllocated()) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(form->WindowHandle(), &placement);
        placement.rcNormalPosition = ToWinRect(r);
        SetWindowPlacement(form->WindowHandle(), &placement);
    } else {
        form->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    }
    const bool designing = (form->ComponentState() & csDesigning) != 0;
    if ((form->Position() == poScreenCenter || form->Position() == poDesktopCenter) && !designing && positionRead_)
        form->SetPosition(poDesigned);
}

void RegisterFormStorageInterceptor() {
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterProperties<TFormStoragePropertyInterceptor>()
            .Component("ActiveControl", &TFormStoragePropertyInterceptor::ActiveControl,
                       &TFormStoragePropertyInterceptor::SetActiveControl)
            .Int("Height", &TFormStoragePropertyInterceptor::Height, &TFormStoragePropertyInterceptor::SetHeight)
            .Int("Left", &TFormStoragePropertyInterceptor::Left, &TFormStoragePropertyInterceptor::SetLeft)
            .Int("PixelsPerInch", &TFormStoragePropertyInterceptor::PixelsPerInch,
                 &TFormStoragePropertyInterceptor::SetPixelsPerInch)
            .Int("Top", &TFormStoragePropertyInterceptor::Top, &TFormStoragePropertyInterceptor::SetTop)
            .Int("Width", &TFormStoragePropertyInterceptor::Width, &TFormStoragePropertyInterceptor::SetWidth)
            .Int("WindowState", &TFormStoragePropertyInterceptor::WindowState,
                 &TFormStoragePropertyInterceptor::SetWindowState);
    }
    AddReadPropertyInterceptor(TCustomForm::StaticClass(),
                               TStoragePropertyInterceptorClass::Of<TFormStoragePropertyInterceptor>());
}
