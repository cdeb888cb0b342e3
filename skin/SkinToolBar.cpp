#include "SkinToolBar.h"

#include "AppSkinForm.h"
#include "AppSkinMenu.h"
#include "SkinImageDraw.h"
#include "SkinManage.h"

#include "Menus.h"

void PaintToolBarBackground(TSkinData* skin, HDC dc, const TRect& rect) {
    if (!skin || !skin->Toolbar || skin->Toolbar->Image->Empty()) return;
    if ((skin->Options & SkinBit(xoToolbarBK)) != 0) return;
    TBitmap* g = skin->Toolbar->Image;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), g->Canvas()->Handle(), 0, 0, g->Width(),
               g->Height(), SRCCOPY);
}

int ToolBarButtonFrame(UINT state) {
    if (state & CDIS_SELECTED) return 2;
    if (state & (CDIS_FOCUS | CDIS_HOT)) return 4;
    if ((state & (CDIS_GRAYED | CDIS_DISABLED)) == 0 && (state & CDIS_DEFAULT)) return 1;
    return 0;
}

bool PaintToolBarButton(TSkinData* skin, HDC dc, const TRect& rect, UINT itemState, COLORREF& textColour) {
    if (!skin || !skin->Buttons || skin->Buttons->Image->Empty()) return false;
    const int frame = ToolBarButtonFrame(itemState);
    if (frame == 0) return false;
    const TDataSkinButton& b = *skin->Buttons;
    if (frame == 1 && b.NormalColour2Given) textColour = static_cast<COLORREF>(ColorToRGB(b.NormalColour2));
    if (frame == 4 && b.MouseOverColour2Given) textColour = static_cast<COLORREF>(ColorToRGB(b.MouseOverColour2));
    if (frame == 2 && b.PressedColour2Given) textColour = static_cast<COLORREF>(ColorToRGB(b.PressedColour2));
    const TRect inner(rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1);
    DrawFitted(dc, inner, b.Image, false, false, b.Trans == 1, 5, frame, b.Margins());
    return true;
}

// ---- Menus held ----

TSkinMenuHolder::~TSkinMenuHolder() { ReleaseMenu(); }

void TSkinMenuHolder::Unskin() {
    ReleaseMenu();
    TSkinControl::Unskin();
}

void TSkinMenuHolder::HoldMenu(const char* name, bool withItself) {
    ReleaseMenu();
    TObject* value = GetObjProp(Control, name, nullptr);
    TMenuItem* item = dynamic_cast<TMenuItem*>(value);
    if (auto* menu = dynamic_cast<TMenu*>(value)) item = menu->Items();
    painter_ = Form ? Form->MenuPainter() : nullptr;
    if (!item || !painter_) return;
    item_ = item;
    withItself_ = withItself;
    item_->FreeNotification(this);
    if (withItself_) {
        if (!item_->OnDrawItem) item_->OnDrawItem = Event<&TSkinMenuPainter::DrawItem>(painter_);
        if (!item_->OnMeasureItem) item_->OnMeasureItem = Event<&TSkinMenuPainter::MeasureItem>(painter_);
    }
    painter_->PrepareItems(item_, true, false, 0);
}

void TSkinMenuHolder::ReleaseMenu() {
    if (!item_) return;
    TMenuItem* item = item_;
    item_ = nullptr;
    item->RemoveFreeNotification(this);
    if ((item->ComponentState() & csDestroying) != 0) return;
    painter_->PrepareItems(item, false, false, 0);
    if (withItself_) {
        if (item->OnDrawItem == Event<&TSkinMenuPainter::DrawItem>(painter_)) item->OnDrawItem = nullptr;
        if (item->OnMeasureItem == Event<&TSkinMenuPainter::MeasureItem>(painter_)) item->OnMeasureItem = nullptr;
    }
}

void TSkinMenuHolder::Notification(TComponent* component, TOperation operation) {
    TSkinControl::Notification(component, operation);
    if (operation == opRemove && component == item_) item_ = nullptr;
}

void TSkinToolMenu::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool /*changeColor*/, TCanvas* canvas) {
    if (Attached || !BindOwner(form, skinData, canvas)) return;
    Register();
    HoldMenu("MenuItem", true);
    if (!HeldItem()) return;  // a button without a menu needs no skinner
    Attached = true;
    SkinState = ssAttached;
}

// ---- Tool bars ----

void TSkinToolBar::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    if (Attached) HoldMenu("Menu", false);
}

bool TSkinToolBar::BeforeMessage(TMessage& m) {
    if (m.Msg == CN_NOTIFY && m.LParam != SM_MAGIC && m.LParam) {
        auto* header = reinterpret_cast<NMHDR*>(m.LParam);
        if (header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
            m.Result = CustomDraw(*reinterpret_cast<NMTBCUSTOMDRAW*>(m.LParam));
            return false;
        }
    }
    return TSkinControl::BeforeMessage(m);
}

LRESULT TSkinToolBar::CustomDraw(NMTBCUSTOMDRAW& draw) {
    NMCUSTOMDRAW& cd = draw.nmcd;
    switch (cd.dwDrawStage) {
    case CDDS_PREPAINT: {
        RECT c{};
        GetClientRect(Handle, &c);
        PaintToolBarBackground(SkinData, cd.hdc, TRect(c.left, c.top, c.right, c.bottom));
        return CDRF_NOTIFYITEMDRAW;
    }
    case CDDS_ITEMPREPAINT: {
        if (!Form || Form->State != TAppSkinForm::fsSkinned) return CDRF_DODEFAULT;
        COLORREF text = draw.clrText;
        const TRect r(cd.rc.left, cd.rc.top, cd.rc.right, cd.rc.bottom);
        if (!PaintToolBarButton(SkinData, cd.hdc, r, cd.uItemState, text)) return CDRF_DODEFAULT;
        draw.clrText = text;
        return CDRF_DODEFAULT | TBCDRF_NOEDGES | TBCDRF_NOBACKGROUND | TBCDRF_NOOFFSET;
    }
    default: return CDRF_DODEFAULT;
    }
}
