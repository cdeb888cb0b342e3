#include "ComCtrls.h"

#include "TypeRegistry.h"

#include <commctrl.h>

#include <vector>

// ---- TStatusPanel -----------------------------------------------------------------------------------

void TStatusPanel::Assign(TPersistent* source) {
    if (auto* panel = dynamic_cast<TStatusPanel*>(source)) {
        text_ = panel->text_;
        width_ = panel->width_;
        alignment_ = panel->alignment_;
        bevel_ = panel->bevel_;
        Changed(false);
        return;
    }
    inherited::Assign(source);
}

void TStatusPanel::SetText(const String& value) {
    if (text_ == value)
        return;
    text_ = value;
    Changed(false);
}

void TStatusPanel::SetWidth(int value) {
    if (width_ == value)
        return;
    width_ = value;
    Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
    if (bevel_ == value)
        return;
    bevel_ = value;
    Changed(false);
}

// ---- TStatusPanels ----------------------------------------------------------------------------------

TStatusPanels::TStatusPanels(TStatusBar* statusBar)
    : TCollection(TCollectionItemClass::Of<TStatusPanel>()), statusBar_(statusBar) {}

TPersistent* TStatusPanels::GetOwner() const {
    return statusBar_;
}

void TStatusPanels::Update(TCollectionItem* item) {
    statusBar_->UpdatePanels(static_cast<TStatusPanel*>(item));
}

// ---- TStatusBar -------------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner), panels_(std::make_unique<TStatusPanels>(this)) {
    SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque});
    SetColor(clBtnFace);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, STATUSCLASSNAMEW);
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NOMOVEY;
    if (sizeGrip_)
        params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
    inherited::CreateWnd();
    UpdatePanels(nullptr);
}

void TStatusBar::SetSimplePanel(bool value) {
    if (simplePanel_ == value)
        return;
    simplePanel_ = value;
    if (HandleAllocated())
        UpdatePanels(nullptr);
}

void TStatusBar::SetSimpleText(const String& value) {
    if (simpleText_ == value)
        return;
    simpleText_ = value;
    if (HandleAllocated() && simplePanel_) {
        const std::wstring wide = ToWide(value);
        Perform(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(wide.c_str()));
    }
}

void TStatusBar::SetSizeGrip(bool value) {
    if (sizeGrip_ == value)
        return;
    sizeGrip_ = value;
    RecreateWnd();
}

void TStatusBar::UpdatePanel(int index) {
    const TStatusPanel* panel = panels_->Items(index);
    // A tab before the text centres it, two tabs put it at the right.
    String text = panel->Text();
    if (panel->Alignment() == taCenter)
        text = "\t" + text;
    else if (panel->Alignment() == taRightJustify)
        text = "\t\t" + text;
    WPARAM flags = static_cast<WPARAM>(index);
    if (panel->Bevel() == pbNone)
        flags |= SBT_NOBORDERS;
    else if (panel->Bevel() == pbRaised)
        flags |= SBT_POPOUT;
    const std::wstring wide = ToWide(text);
    Perform(SB_SETTEXTW, flags, reinterpret_cast<LPARAM>(wide.c_str()));
}

void TStatusBar::UpdatePanels(TStatusPanel* item) {
    if (!HandleAllocated())
        return;
    Perform(SB_SIMPLE, simplePanel_ ? TRUE : FALSE);
    if (simplePanel_) {
        const std::wstring wide = ToWide(simpleText_);
        Perform(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(wide.c_str()));
        return;
    }
    if (item) {
        UpdatePanel(item->Index());
        return;
    }
    const int count = panels_->Count();
    std::vector<int> edges(static_cast<std::size_t>(std::max(count, 1)), -1);
    int right = 0;
    for (int i = 0; i + 1 < count; ++i) {
        right += panels_->Items(i)->Width();
        edges[static_cast<std::size_t>(i)] = right;
    }
    Perform(SB_SETPARTS, static_cast<WPARAM>(edges.size()), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < count; ++i)
        UpdatePanel(i);
}

String TStatusBar::PanelTextShown(int index) {
    if (!HandleAllocated())
        return String();
    const auto length = LOWORD(Perform(SB_GETTEXTLENGTHW, static_cast<WPARAM>(index)));
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    Perform(SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return FromWide(buffer.c_str());
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterComCtrlsClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterControlsClasses();
    RegisterClasses<TStatusBar>();
    RegisterProperties<TStatusPanel>()
        .Str("Text", &TStatusPanel::Text, &TStatusPanel::SetText)
        .Int("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth)
        .Enum("Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment,
              {"taLeftJustify", "taRightJustify", "taCenter"})
        .Enum("Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel, {"pbNone", "pbLowered", "pbRaised"});
    RegisterProperties<TStatusBar>()
        .Object("Panels", &TStatusBar::Panels, &TStatusBar::SetPanels)
        .Bool("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel)
        .Str("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText)
        .Bool("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip);
}
