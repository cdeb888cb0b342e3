#include "RzBtnEdt.h"

#include "Menus.h"
#include "TypeRegistry.h"

#include <array>
#include <memory>

// ---- Kind pictures ------------------------------------------------------------------------------

namespace {

constexpr int kCell = 9;
// The background of the pictures: their bottom-left pixel, drawn transparent.
constexpr TColor kPictureBackground = clOlive;

// Our own 9 x 9 pictures ('#' ink, '.' background), one per kind after bkCustom.
constexpr std::array<std::array<const char*, kCell>, kButtonKindCount - 1> kArt = {{
    // bkLookup: an ellipsis
    {".........", ".........", ".........", ".........", ".........", ".........", "##.##.##.", "##.##.##.",
     "........."},
    // bkDropDown: a downward arrow
    {".........", ".........", ".........", "#######..", ".#####...", "..###....", "...#.....", ".........",
     "........."},
    // bkCalendar: a page with a grid
    {"#########", "#########", "#.#.#.#.#", "#########", "#.#.#.#.#", "#########", "#.#.#.#.#", "#########",
     "........."},
    // bkAccept: a tick
    {".........", "........#", ".......##", "#.....##.", "##...##..", ".##.##...", "..###....", "...#.....",
     "........."},
    // bkReject: a cross
    {".........", "##....##.", ".##..##..", "..####...", "...##....", "..####...", ".##..##..", "##....##.",
     "........."},
    // bkFolder: a folder
    {".........", ".###.....", "#...####.", "#.......#", "#.......#", "#.......#", "#.......#", "#########",
     "........."},
    // bkFind: a magnifying glass
    {"..###....", ".#...#...", "#.....#..", "#.....#..", "#.....#..", ".#...#...", "..#####..", "......##.",
     ".......##"},
    // bkSearch: a magnifying glass over lines
    {"..###....", ".#...#...", "#.###.#..", "#.....#..", "#.###.#..", ".#...#...", "..#####..", "......##.",
     ".......##"},
}};

std::array<std::unique_ptr<TBitmap>, kButtonKindCount>& KindBitmaps() {
    static std::array<std::unique_ptr<TBitmap>, kButtonKindCount> bitmaps;
    return bitmaps;
}

std::unique_ptr<TBitmap> DrawKindBitmap(TButtonKind kind) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(2 * kCell, kCell);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Brush()->SetColor(kPictureBackground);
    canvas->FillRect(Rect(0, 0, 2 * kCell, kCell));
    const auto& art = kArt[static_cast<std::size_t>(kind) - 1];
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x) {
            if (art[static_cast<std::size_t>(y)][x] != '#')
                continue;
            canvas->Pixels[x][y] = clBlack;
            // The disabled cell: embossed grey.
            if (x + 1 < kCell && y + 1 < kCell)
                canvas->Pixels[kCell + x + 1][y + 1] = clWhite;
            canvas->Pixels[kCell + x][y] = clGray;
        }
    // The bottom-left pixel names the transparent colour.
    canvas->Pixels[0][kCell - 1] = kPictureBackground;
    return bitmap;
}

}  // namespace

TBitmap* ButtonKindBitmap(TButtonKind kind) {
    if (kind <= bkCustom || kind >= kButtonKindCount)
        return nullptr;
    auto& slot = KindBitmaps()[static_cast<std::size_t>(kind)];
    if (!slot)
        slot = DrawKindBitmap(kind);
    return slot.get();
}

// ---- Button pair ----------------------------------------------------------------------------------

TRzButtonPair::TRzButtonPair(TComponent* owner) : TWinControl(owner) {
    TControlStyle style = ControlStyle();
    style.Exclude(csAcceptsControls);
    style.Exclude(csSetCaption);
    SetControlStyle(style);
    SetBounds(0, 0, 34, 21);
}

void TRzButtonPair::AfterConstruction() {
    inherited::AfterConstruction();
    button_ = MakeButton();
    button_->SetVisible(true);
    altButton_ = MakeButton();
}

TRzControlButton* TRzButtonPair::MakeButton() {
    auto* button = New<TRzControlButton>(this);
    button->SetVisible(false);
    button->SetWidth(ThemesEnabled() ? 15 : 17);
    button->SetParent(this);
    button->OnClick = Event<&TRzButtonPair::RouteClick>(this);
    button->OnMouseDown = Event<&TRzButtonPair::RouteMouseDown>(this);
    return button;
}

void TRzButtonPair::SetFocusControl(TWinControl* value) {
    if (value == focusControl_)
        return;
    if (focusControl_)
        focusControl_->RemoveFreeNotification(this);
    focusControl_ = value;
    if (value)
        value->FreeNotification(this);
}

void TRzButtonPair::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == focusControl_)
        focusControl_ = nullptr;
    if (component == button_)
        button_ = nullptr;
    if (component == altButton_)
        altButton_ = nullptr;
}

void TRzButtonPair::SetFlat(bool value) {
    if (value == flat_)
        return;
    flat_ = value;
    if (button_)
        button_->SetFlat(value);
    if (altButton_)
        altButton_->SetFlat(value);
}

void TRzButtonPair::SetEnabled(bool value) {
    if (value == Enabled())
        return;
    inherited::SetEnabled(value);
    if (button_)
        button_->SetEnabled(value);
    if (altButton_)
        altButton_->SetEnabled(value);
}

void TRzButtonPair::SetColor(TColor value) {
    TControl::SetColor(value);
    if (button_)
        button_->SetColor(value);
    if (altButton_)
        altButton_->SetColor(value);
}

void TRzButtonPair::SetBounds(int left, int top, int width, int height) {
    inherited::SetBounds(left, top, width, height);
    ArrangeButtons();
}

void TRzButtonPair::Dispatch(TMessage& m) {
    if (m.Msg == WM_SIZE) {
        inherited::Dispatch(m);
        ArrangeButtons();
        m.Result = 0;
        return;
    }
    inherited::Dispatch(m);
}

void TRzButtonPair::ArrangeButtons() {
    if ((ComponentState() & csLoading) || !button_)
        return;
    const int height = Height() - 1;
    int left = 0;
    if (button_->Visible()) {
        button_->SetBounds(0, 0, button_->Width(), height);
        left = button_->Width();
    }
    if (altButton_ && altButton_->Visible())
        altButton_->SetBounds(left, 0, altButton_->Width(), height);
}

void TRzButtonPair::RouteClick(TObject* button) {
    if (button == altButton_)
        DoAltBtnClick();
    else
        DoButtonClick();
}

void TRzButtonPair::RouteMouseDown(TObject*, TMouseButton button, TShiftState, int, int) {
    if (button != mbLeft)
        return;
    if (focusControl_ && focusControl_->TabStop() && focusControl_->CanFocus() &&
        GetFocus() != focusControl_->WindowHandle()) {
        focusControl_->SetFocus();
        if (!focusControl_->Focused())
            throw EAbort("");
    } else if (!focusControl_ && TabStop() && !Focused() && CanFocus()) {
        SetFocus();
        if (!Focused())
            throw EAbort("");
    }
}

void TRzButtonPair::DoAltBtnClick() {
    if (OnAltBtnClick)
        OnAltBtnClick(this);
}

void TRzButtonPair::DoButtonClick() {
    if (OnButtonClick)
        OnButtonClick(this);
}

// ---- Button edit ----------------------------------------------------------------------------------

TRzCustomButtonEdit::TRzCustomButtonEdit(TComponent* owner) : TRzEdit(owner) {
    TControl::SetWidth(121);
    TControlStyle style = ControlStyle();
    style.Exclude(csSetCaption);
    SetControlStyle(style);
}

void TRzCustomButtonEdit::AfterConstruction() {
    inherited::AfterConstruction();
    pair_ = New<TRzButtonPair>(this);
    pair_->SetBounds(0, 0, 17, 10);
    pair_->SetFocusControl(this);
    pair_->OnAltBtnClick = Event<&TRzCustomButtonEdit::HandleAltBtnClick>(this);
    pair_->OnButtonClick = Event<&TRzCustomButtonEdit::HandleButtonClick>(this);
    pair_->SetParent(this);
    CopyKindBitmap(pair_->Button(), buttonKind_);
    CopyKindBitmap(pair_->AltButton(), altBtnKind_);
    pair_->AltButton()->SetVisible(false);
    PositionButtons();
}

void TRzCustomButtonEdit::CopyKindBitmap(TRzControlButton* button, TButtonKind kind) {
    if (kind == bkDropDown) {
        TBitmap empty;
        button->SetGlyph(&empty);
        button->SetStyle(cbsDropDown);
        return;
    }
    if (TBitmap* picture = ButtonKindBitmap(kind)) {
        button->SetStyle(cbsNone);
        button->SetGlyph(picture);
        button->SetNumGlyphs(2);
    }
}

TRzControlButton* TRzCustomButtonEdit::GetButtonByIndex(int index) const {
    return index == 1 ? pair_->AltButton() : pair_->Button();
}

TButtonKind TRzCustomButtonEdit::GetKind(int index) const {
    return index == 1 ? altBtnKind_ : buttonKind_;
}

void TRzCustomButtonEdit::SetKind(int index, TButtonKind value) {
    TButtonKind& kind = index == 1 ? altBtnKind_ : buttonKind_;
    if (value == kind)
        return;
    kind = value;
    if (value == bkDropDown || !(ComponentState() & csLoading))
        CopyKindBitmap(GetButtonByIndex(index), value);
}

TShortCut TRzCustomButtonEdit::GetShortCut(int index) const {
    return index == 1 ? altBtnShortCut_ : buttonShortCut_;
}

void TRzCustomButtonEdit::SetShortCut(int index, TShortCut value) {
    (index == 1 ? altBtnShortCut_ : buttonShortCut_) = value;
}

bool TRzCustomButtonEdit::GetVisible(int index) const {
    return GetButtonByIndex(index)->Visible();
}

void TRzCustomButtonEdit::SetVisible(int index, bool value) {
    GetButtonByIndex(index)->SetVisible(value);
    PositionButtons();
}

int TRzCustomButtonEdit::GetWidth(int index) const {
    return GetButtonByIndex(index)->Width();
}

void TRzCustomButtonEdit::SetWidth(int index, int value) {
    GetButtonByIndex(index)->SetWidth(value);
    PositionButtons();
}

int TRzCustomButtonEdit::GetNumGlyphs(int index) const {
    return GetButtonByIndex(index)->NumGlyphs();
}

void TRzCustomButtonEdit::SetNumGlyphs(int index, int value) {
    GetButtonByIndex(index)->SetNumGlyphs(value);
}

String TRzCustomButtonEdit::GetHint(int index) const {
    return GetButtonByIndex(index)->Hint();
}

void TRzCustomButtonEdit::SetHint(int index, const String& value) {
    GetButtonByIndex(index)->SetHint(value);
}

void TRzCustomButtonEdit::ChangeButtonGlyph(TBitmap* value) {
    MainButton()->SetStyle(cbsNone);
    MainButton()->SetGlyph(value);
    buttonKind_ = bkCustom;
}

void TRzCustomButtonEdit::ChangeAltBtnGlyph(TBitmap* value) {
    AlternateButton()->SetStyle(cbsNone);
    AlternateButton()->SetGlyph(value);
    altBtnKind_ = bkCustom;
}

void TRzCustomButtonEdit::ChangeFlatButtons(bool value) {
    inherited::ChangeFlatButtons(value);
    pair_->SetFlat(value);
    PositionButtons();
}

void TRzCustomButtonEdit::ChangeFrameStyle(TFrameStyle value) {
    inherited::ChangeFrameStyle(value);
    PositionButtons();
}

void TRzCustomButtonEdit::ChangeFrameVisible(bool value) {
    inherited::ChangeFrameVisible(value);
    UpdateHotState(false, false);
}

void TRzCustomButtonEdit::SetAlignment(TLeftRight value) {
    inherited::SetAlignment(value);
    UpdateEditMargins();
}

void TRzCustomButtonEdit::Loaded() {
    inherited::Loaded();
    if (buttonKind_ != bkCustom)
        CopyKindBitmap(MainButton(), buttonKind_);
    if (altBtnKind_ != bkCustom)
        CopyKindBitmap(AlternateButton(), altBtnKind_);
    PositionButtons();
}

void TRzCustomButtonEdit::PositionButtons() {
    if (!pair_ || (ComponentState() & csLoading))
        return;
    const int minimum = MinimumEditHeight(Font());
    if (Height() < minimum)
        SetHeight(minimum);
    int width = 0;
    if (MainButton()->Visible())
        width += MainButton()->Width();
    if (AlternateButton()->Visible())
        width += AlternateButton()->Width();
    // The edit always has its sunken client edge: the pair sits inside it.
    pair_->SetBounds(Width() - width - 4, 0, width, Height() - 3);
    UpdateEditMargins();
    Invalidate();
}

void TRzCustomButtonEdit::UpdateEditMargins() {
    if (!pair_ || !HandleAllocated())
        return;
    SendMessageW(WindowHandle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, pair_->Width() + 2));
}

void TRzCustomButtonEdit::ReadEditRect(TRect& rect) {
    inherited::ReadEditRect(rect);
    rect.Right -= pair_->Width() + 2;
}

void TRzCustomButtonEdit::UpdateHotState(bool over, bool value) {
    inherited::UpdateHotState(over, value);
    if (!FlatButtons() || !pair_)
        return;
    pair_->SetColor(value || InControl() ? FlatButtonColor() : Color());
}

void TRzCustomButtonEdit::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
}

void TRzCustomButtonEdit::CreateWnd() {
    inherited::CreateWnd();
    UpdateEditMargins();
}

void TRzCustomButtonEdit::HandleAltBtnClick(TObject*) {
    DoAltBtnClick();
}

void TRzCustomButtonEdit::HandleButtonClick(TObject*) {
    DoButtonClick();
}

void TRzCustomButtonEdit::DoAltBtnClick() {
    if (OnAltBtnClick)
        OnAltBtnClick(this);
}

void TRzCustomButtonEdit::DoButtonClick() {
    if (OnButtonClick)
        OnButtonClick(this);
}

void TRzCustomButtonEdit::KeyDown(WORD& key, TShiftState shift) {
    inherited::KeyDown(key, shift);
    if (!allowKeyEdit_ && key == VK_DELETE) {
        key = 0;
        MessageBeep(0);
        return;
    }
    shortCutHandled_ = false;
    if (key == 0)
        return;
    const TShortCut pressed = ShortCut(key, shift);
    TRzControlButton* main = MainButton();
    TRzControlButton* alternate = AlternateButton();
    if (main->Visible() && main->Enabled() && pressed == buttonShortCut_) {
        shortCutHandled_ = true;
        main->Click();
    } else if (alternate->Visible() && alternate->Enabled() && pressed == altBtnShortCut_) {
        shortCutHandled_ = true;
        alternate->Click();
    }
}

void TRzCustomButtonEdit::KeyPress(wchar_t& key) {
    inherited::KeyPress(key);
    if (!allowKeyEdit_ && (key >= 32 || key == 8)) {
        key = 0;
        MessageBeep(0);
    }
    if (shortCutHandled_)
        key = 0;
}

void TRzCustomButtonEdit::CMEnter(TMessage& m) {
    UpdateEditMargins();
    inherited::CMEnter(m);
    if (GetKeyState(VK_LBUTTON) >= 0 && HandleAllocated())
        SelectAll();
}

void TRzCustomButtonEdit::CMExit(TMessage& m) {
    inherited::CMExit(m);
    UpdateEditMargins();
}

void TRzCustomButtonEdit::CMEnabledChanged(TMessage& m) {
    inherited::CMEnabledChanged(m);
    UpdateEditMargins();
    pair_->SetEnabled(Enabled());
    if (FlatButtons())
        pair_->SetColor(Color());
}

void TRzCustomButtonEdit::CMFontChanged(TMessage& m) {
    inherited::CMFontChanged(m);
    UpdateEditMargins();
    pair_->SetEnabled(Enabled());
}

void TRzCustomButtonEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_PASTE:
    case WM_CUT:
        if (allowKeyEdit_ && !ReadOnly())
            inherited::Dispatch(m);
        return;
    case WM_SIZE:
        inherited::Dispatch(m);
        PositionButtons();
        return;
    default:
        inherited::Dispatch(m);
    }
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterRzBtnEdtClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterRzEditClasses();
    RegisterRzButtonClasses();
    RegisterComponentClass<TRzButtonEdit>();
    using C = TRzCustomButtonEdit;
    const std::initializer_list<const char*> kinds = {"bkCustom", "bkLookup", "bkDropDown", "bkCalendar", "bkAccept",
                                                      "bkReject", "bkFolder", "bkFind", "bkSearch"};
    auto each = [&](const char* prefix, int index) {
        const String p = prefix;
        RegisterProperties<C>()
            .Enum((p + "Kind").c_str(), [index](C& c) { return c.GetKind(index); },
                  [index](C& c, TButtonKind k) { c.SetKind(index, k); }, kinds)
            .Int((p + "ShortCut").c_str(), [index](C& c) { return c.GetShortCut(index); },
                 [index](C& c, TShortCut s) { c.SetShortCut(index, s); })
            .Bool((p + "Visible").c_str(), [index](C& c) { return c.GetVisible(index); },
                  [index](C& c, bool v) { c.SetVisible(index, v); })
            .Int((p + "Width").c_str(), [index](C& c) { return c.GetWidth(index); },
                 [index](C& c, int w) { c.SetWidth(index, w); })
            .Int((p + "NumGlyphs").c_str(), [index](C& c) { return c.GetNumGlyphs(index); },
                 [index](C& c, int n) { c.SetNumGlyphs(index, n); })
            .Str((p + "Hint").c_str(), [index](C& c) { return c.GetHint(index); },
                 [index](C& c, const String& h) { c.SetHint(index, h); })
            .Str((p + "ShortCutText").c_str(), [](C&) { return String(); },
                 [index](C& c, const String& text) { c.SetShortCut(index, TextToShortCut(text)); });
    };
    each("Button", 2);
    each("AltBtn", 1);
    RegisterProperties<C>()
        .Object("ButtonGlyph", &C::ReadButtonGlyph, &C::ChangeButtonGlyph)
        .Object("AltBtnGlyph", &C::ReadAltBtnGlyph, &C::ChangeAltBtnGlyph)
        .Bool("AllowKeyEdit", &C::AllowKeyEdit, &C::SetAllowKeyEdit)
        .Bool("FlatButtons", &C::FlatButtons, &C::ChangeFlatButtons)
        .Int("FlatButtonColor", &C::FlatButtonColor, &C::ChangeFlatButtonColor)
        .Idents(ColorIdents())
        .Bool("FlatButtonParentColor", [](C&) { return false; }, [](C&, bool) {})
        .Event("OnButtonClick", &C::OnButtonClick)
        .Event("OnAltBtnClick", &C::OnAltBtnClick);
}
