#include "DBCtrls.h"

#include "TypeRegistry.h"

#include <algorithm>

namespace {

constexpr int kGlyphSize = 11;
constexpr int kDefaultButtonWidth = 25;
constexpr int kDefaultHeight = 25;

void FillPolygon(TCanvas& canvas, std::initializer_list<TPoint> points) {
    canvas.Polygon(std::span<const TPoint>(points.begin(), points.size()));
}

void FillBox(TCanvas& canvas, int left, int top, int right, int bottom) {
    canvas.FillRect(Rect(left, top, right, bottom));
}

}  // namespace

// ---- TNavButton -------------------------------------------------------------------------------------

TNavButton::TNavButton(TDBNavigator* navigator, TNavigateBtn index)
    : TGraphicControl(navigator), navigator_(navigator), index_(index) {
    SetControlStyle(ControlStyle() + TControlStyle{csCaptureMouse, csClickEvents} -
                    TControlStyle{csDoubleClicks, csSetCaption});
    SetBounds(0, 0, kDefaultButtonWidth, kDefaultHeight);
}

void TNavButton::Click() {
    navigator_->BtnClick(index_);
}

void TNavButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && Enabled()) {
        pressed_ = true;
        Invalidate();
    }
    inherited::MouseDown(button, shift, x, y);
}

void TNavButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (pressed_) {
        pressed_ = false;
        Invalidate();
    }
    inherited::MouseUp(button, shift, x, y);
}

void TNavButton::CMEnabledChanged(TMessage& m) {
    pressed_ = false;
    inherited::CMEnabledChanged(m);
    Invalidate();
}

void TNavButton::Paint() {
    PaintTo(*Canvas());
}

void TNavButton::PaintTo(TCanvas& canvas) {
    RECT face = ToWinRect(ClientRect());
    DrawFrameControl(canvas.Handle(), &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed_ ? DFCS_PUSHED : 0));
    int x = (Width() - kGlyphSize) / 2;
    int y = (Height() - kGlyphSize) / 2;
    if (pressed_) {
        ++x;
        ++y;
    }
    if (Enabled()) {
        DrawGlyph(canvas, x, y, clBlack);
    } else {
        DrawGlyph(canvas, x + 1, y + 1, clBtnHighlight);
        DrawGlyph(canvas, x, y, clBtnShadow);
    }
}

void TNavButton::DrawGlyph(TCanvas& canvas, int x, int y, TColor color) {
    canvas.Pen()->SetColor(color);
    canvas.Pen()->SetWidth(1);
    canvas.Brush()->SetColor(color);
    canvas.Brush()->SetStyle(bsSolid);
    switch (index_) {
    case nbFirst:
        FillBox(canvas, x + 1, y + 1, x + 3, y + 10);
        FillPolygon(canvas, {{x + 8, y + 1}, {x + 8, y + 9}, {x + 4, y + 5}});
        break;
    case nbPrior:
        FillPolygon(canvas, {{x + 7, y + 1}, {x + 7, y + 9}, {x + 3, y + 5}});
        break;
    case nbNext:
        FillPolygon(canvas, {{x + 3, y + 1}, {x + 3, y + 9}, {x + 7, y + 5}});
        break;
    case nbLast:
        FillPolygon(canvas, {{x + 2, y + 1}, {x + 2, y + 9}, {x + 6, y + 5}});
        FillBox(canvas, x + 8, y + 1, x + 10, y + 10);
        break;
    case nbInsert:
        FillBox(canvas, x + 1, y + 4, x + 10, y + 6);
        FillBox(canvas, x + 4, y + 1, x + 6, y + 10);
        break;
    case nbDelete:
        FillBox(canvas, x + 1, y + 4, x + 10, y + 6);
        break;
    case nbEdit:
        FillPolygon(canvas, {{x + 1, y + 7}, {x + 9, y + 7}, {x + 5, y + 3}});
        break;
    case nbPost:
        canvas.Pen()->SetWidth(2);
        canvas.MoveTo(x + 1, y + 5);
        canvas.LineTo(x + 4, y + 8);
        canvas.LineTo(x + 9, y + 2);
        break;
    case nbCancel:
        canvas.Pen()->SetWidth(2);
        canvas.MoveTo(x + 2, y + 2);
        canvas.LineTo(x + 9, y + 9);
        canvas.MoveTo(x + 9, y + 2);
        canvas.LineTo(x + 2, y + 9);
        break;
    case nbRefresh:
        canvas.Brush()->SetStyle(bsClear);
        canvas.Ellipse(x + 1, y + 2, x + 10, y + 11);
        canvas.Brush()->SetStyle(bsSolid);
        FillPolygon(canvas, {{x + 5, y}, {x + 8, y + 2}, {x + 5, y + 4}});
        break;
    }
    canvas.Pen()->SetWidth(1);
}

// ---- TNavDataLink -----------------------------------------------------------------------------------

void TNavDataLink::ActiveChanged() {
    navigator_->ActiveChanged();
}

void TNavDataLink::DataSetChanged() {
    navigator_->DataChanged();
}

void TNavDataLink::EditingChanged() {
    navigator_->EditingChanged();
}

// ---- TDBNavigator -----------------------------------------------------------------------------------

TDBNavigator::TDBNavigator(TComponent* owner)
    : TCustomControl(owner), dataLink_(std::make_unique<TNavDataLink>(this)) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls} - TControlStyle{csSetCaption});
    SetBounds(0, 0, kDefaultButtonWidth * kNavigateButtonCount, kDefaultHeight);
    SetColor(clBtnFace);
}

void TDBNavigator::AfterConstruction() {
    inherited::AfterConstruction();
    for (int i = 0; i < kNavigateButtonCount; ++i) {
        buttons_[static_cast<std::size_t>(i)] = New<TNavButton>(this, static_cast<TNavigateBtn>(i));
        buttons_[static_cast<std::size_t>(i)]->SetParent(this);
    }
    LayoutButtons();
    ActiveChanged();
}

TDBNavigator::~TDBNavigator() {
    dataLink_->SetDataSource(nullptr);
}

void TDBNavigator::SetDataSource(TDataSource* value) {
    if (DataSource() == value)
        return;
    if (DataSource())
        DataSource()->RemoveFreeNotification(this);
    dataLink_->SetDataSource(value);
    if (value)
        value->FreeNotification(this);
    if (!(ComponentState() & csLoading))
        ActiveChanged();
}

void TDBNavigator::SetVisibleButtons(TButtonSet value) {
    if (visibleButtons_ == value)
        return;
    visibleButtons_ = value;
    for (TNavButton* button : buttons_)
        if (button)
            button->SetVisible(value.Contains(button->Index()));
    LayoutButtons();
    Invalidate();
}

void TDBNavigator::BtnClick(TNavigateBtn index) {
    TDataSet* dataSet = dataLink_->DataSet();
    if (!dataSet || !dataLink_->Active())
        return;
    if (BeforeAction)
        BeforeAction(this, index);
    switch (index) {
    case nbFirst: dataSet->First(); break;
    case nbPrior: dataSet->Prior(); break;
    case nbNext: dataSet->Next(); break;
    case nbLast: dataSet->Last(); break;
    case nbInsert: dataSet->Insert(); break;
    case nbDelete: dataSet->Delete(); break;
    case nbEdit: dataSet->Edit(); break;
    case nbPost: dataSet->Post(); break;
    case nbCancel: dataSet->Cancel(); break;
    case nbRefresh: dataSet->Refresh(); break;
    }
    if (OnClick)
        OnClick(this, index);
}

void TDBNavigator::Loaded() {
    inherited::Loaded();
    LayoutButtons();
    ActiveChanged();
}

void TDBNavigator::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && dataLink_ && static_cast<TComponent*>(DataSource()) == component) {
        dataLink_->SetDataSource(nullptr);
        ActiveChanged();
    }
}

void TDBNavigator::AlignControls(TControl* control, TRect& rect) {
    LayoutButtons();
    inherited::AlignControls(control, rect);
}

void TDBNavigator::Paint() {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

void TDBNavigator::CMEnabledChanged(TMessage& m) {
    inherited::CMEnabledChanged(m);
    ActiveChanged();
}

void TDBNavigator::LayoutButtons() {
    int shown = 0;
    for (TNavButton* button : buttons_)
        if (button && visibleButtons_.Contains(button->Index()))
            ++shown;
    if (shown == 0)
        return;
    const int width = std::max(Width() / shown, 1);
    int extra = std::max(Width() - width * shown, 0);
    int left = 0;
    for (TNavButton* button : buttons_) {
        if (!button || !visibleButtons_.Contains(button->Index()))
            continue;
        const int w = width + (extra > 0 ? 1 : 0);
        extra = std::max(extra - 1, 0);
        button->SetBounds(left, 0, w, Height());
        left += w;
    }
}

void TDBNavigator::ActiveChanged() {
    if (!buttons_[0])
        return;
    if (!Enabled() || !dataLink_->Active()) {
        for (TNavButton* button : buttons_)
            button->SetEnabled(false);
        return;
    }
    DataChanged();
    EditingChanged();
}

void TDBNavigator::DataChanged() {
    if (!buttons_[0])
        return;
    TDataSet* dataSet = dataLink_->DataSet();
    const bool active = Enabled() && dataLink_->Active() && dataSet;
    const bool up = active && !dataSet->Bof();
    const bool down = active && !dataSet->Eof();
    const bool canModify = active && dataSet->CanModify();
    buttons_[nbFirst]->SetEnabled(up);
    buttons_[nbPrior]->SetEnabled(up);
    buttons_[nbNext]->SetEnabled(down);
    buttons_[nbLast]->SetEnabled(down);
    buttons_[nbDelete]->SetEnabled(canModify && !(dataSet->Bof() && dataSet->Eof()));
    buttons_[nbRefresh]->SetEnabled(active);
}

void TDBNavigator::EditingChanged() {
    if (!buttons_[0])
        return;
    TDataSet* dataSet = dataLink_->DataSet();
    const bool active = Enabled() && dataLink_->Active() && dataSet;
    const bool canModify = active && dataSet->CanModify();
    const bool editing = active && dataLink_->Editing();
    buttons_[nbInsert]->SetEnabled(canModify);
    buttons_[nbEdit]->SetEnabled(canModify && !editing);
    buttons_[nbPost]->SetEnabled(editing);
    buttons_[nbCancel]->SetEnabled(editing);
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterDBCtrlsClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterControlsClasses();
    RegisterClasses<TDBNavigator>();
    RegisterProperties<TDBNavigator>()
        .Component("DataSource", &TDBNavigator::DataSource, &TDBNavigator::SetDataSource)
        .Set("VisibleButtons", [](TDBNavigator& n) { return n.VisibleButtons().Bits(); },
             [](TDBNavigator& n, std::uint32_t bits) { n.SetVisibleButtons(TButtonSet::FromBits(bits)); },
             {"nbFirst", "nbPrior", "nbNext", "nbLast", "nbInsert", "nbDelete", "nbEdit", "nbPost", "nbCancel",
              "nbRefresh"})
        .Event("OnClick", &TDBNavigator::OnClick)
        .Event("BeforeAction", &TDBNavigator::BeforeAction);
}
