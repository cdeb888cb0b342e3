#include "SkinMediaPlayer.h"

#include "SkinImageDraw.h"

#include "TypeRegistry.h"

#include <algorithm>

const char* const TWMediaPlayer::Names[ButtonCount] = {"btPlay", "btPause", "btStop", "btNext", "btPrev",
                                                       "btStep", "btBack", "btRecord", "btEject"};

namespace {

const char* const ResourceNames[TWMediaPlayer::ButtonCount] = {"MPPLAY", "MPPAUSE", "MPSTOP",   "MPNEXT", "MPPREV",
                                                               "MPSTEP", "MPBACK",  "MPRECORD", "MPEJECT"};

bool NameIn(const String& set, const char* name) {
    String lower = set, wanted = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : wanted) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::size_t at = 0;
    while ((at = lower.find(wanted, at)) != String::npos) {
        const std::size_t end = at + wanted.size();
        const bool whole = (at == 0 || !std::isalnum(static_cast<unsigned char>(lower[at - 1]))) &&
                           (end == lower.size() || !std::isalnum(static_cast<unsigned char>(lower[end])));
        if (whole) return true;
        at = end;
    }
    return false;
}

}  // namespace

TWMediaPlayer::TWMediaPlayer(TComponent* owner) : TCustomPanel(owner) {
    const char* prefixes[3] = {"EN", "DI", "CL"};
    HINSTANCE module = GetModuleHandleW(nullptr);
    for (int i = 0; i < ButtonCount; ++i)
        for (int k = 0; k < 3; ++k) {
            Buttons[i].Pictures[k] = std::make_unique<TBitmap>();
            const std::wstring name = ToWide(String(prefixes[k]) + "_" + ResourceNames[i]);
            // A missing picture leaves the bitmap empty.
            if (FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(2))) {
                try {
                    Buttons[i].Pictures[k]->LoadFromResourceName(module, FromWide(name.c_str()));
                } catch (...) {
                }
            }
        }
}

TWMediaPlayer::~TWMediaPlayer() = default;

void TWMediaPlayer::Bind(TSkinMP* skinner, TControl* player) {
    Skinner = skinner;
    Player = player;
    SkinData = skinner->SkinData;
    SetTag(SkinData->DisableTag);  // never skinned itself
    SetBoundsRect(player->BoundsRect());
    SetParent(player->Parent());
}

void TWMediaPlayer::ReadButtons() {
    const String visible = GetSetProp(Player, "VisibleButtons");
    const String enabled = GetSetProp(Player, "EnabledButtons");
    const String colored = GetSetProp(Player, "ColoredButtons");
    VisibleCount = 0;
    for (int i = 0; i < ButtonCount; ++i) {
        Buttons[i].Visible = NameIn(visible, Names[i]);
        Buttons[i].Enabled = NameIn(enabled, Names[i]);
        Buttons[i].Colored = NameIn(colored, Names[i]);
        if (Buttons[i].Visible) ++VisibleCount;
    }
}

int TWMediaPlayer::ButtonAt(int x) const {
    if (ButtonWidth <= 0) return NoButton;
    int left = 0;
    for (int i = 0; i < ButtonCount; ++i) {
        if (!Buttons[i].Visible) continue;
        if (x >= left && x < left + ButtonWidth) return i;
        left += ButtonWidth;
    }
    return NoButton;
}

void TWMediaPlayer::Paint() {
    if (!Player || !SkinData) return;
    try {
        ReadButtons();
    } catch (...) {
        VisibleCount = 0;
    }
    HDC dc = Canvas()->Handle();
    const TRect client = ClientRect();
    HBRUSH face = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(SkinData->ButtonFace)));
    if (VisibleCount == 0) {
        const RECT r{client.Left, client.Top, client.Right, client.Bottom};
        FillRect(dc, &r, face);
        DeleteObject(face);
        ButtonWidth = 0;
        return;
    }
    ButtonWidth = client.Width() / VisibleCount;
    TBitmap buffer;
    buffer.SetPixelFormat(pf24bit);
    buffer.SetSize(client.Width(), client.Height());
    HDC bdc = buffer.Canvas()->Handle();
    const RECT all{0, 0, client.Width(), client.Height()};
    FillRect(bdc, &all, face);
    DeleteObject(face);
    TDataSkinButton* element = SkinData->Buttons.get();
    int left = 0;
    for (int i = 0; i < ButtonCount; ++i) {
        const TButtonRecord& b = Buttons[i];
        if (!b.Visible) continue;
        const TRect cell(left, 0, left + ButtonWidth, client.Height());
        const bool down = Pressed && PressedButton == i;
        const int frame = down ? 2 : !b.Enabled ? 3 : 1;
        if (element && !element->Image->Empty())
            DrawFitted(bdc, cell, element->Image, false, element->Tile == 1, element->Trans == 1, element->FrameCount,
                       frame, element->Margins());
        TBitmap* picture = !b.Enabled ? b.Pictures[1].get() : b.Colored ? b.Pictures[2].get() : b.Pictures[0].get();
        if (!picture->Empty()) {
            const int shift = down ? 1 : 0;
            const int x = cell.Left + (cell.Width() - picture->Width()) / 2 + shift;
            const int y = (cell.Height() - picture->Height()) / 2 + shift;
            TransparentDraw(bdc, TRect(x, y, x + picture->Width(), y + picture->Height()), picture, 0x008080);
        }
        left += ButtonWidth;
    }
    GdiFlush();
    BitBlt(dc, client.Left, client.Top, client.Width(), client.Height(), bdc, 0, 0, SRCCOPY);
}

void TWMediaPlayer::WndProc(TMessage& m) {
    auto* player = dynamic_cast<TWinControl*>(Player);
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
        Pressed = true;
        TCustomPanel::WndProc(m);
        if (player && player->HandleAllocated()) SendMessageW(player->WindowHandle(), m.Msg, m.WParam, m.LParam);
        ReleaseCapture();
        HitButton = ButtonAt(static_cast<short>(LOWORD(m.LParam)));
        PressedButton = HitButton;
        Invalidate();
        return;
    case WM_LBUTTONUP:
        Pressed = false;
        TCustomPanel::WndProc(m);
        HitButton = ButtonAt(static_cast<short>(LOWORD(m.LParam)));
        if (HitButton == PressedButton && player && player->HandleAllocated())
            SendMessageW(player->WindowHandle(), m.Msg, m.WParam, m.LParam);
        PressedButton = HitButton;
        Invalidate();
        return;
    default: TCustomPanel::WndProc(m); return;
    }
}

// ---- The skinner ----

TSkinMP::~TSkinMP() { FreeOverlay(); }

void TSkinMP::Notification(TComponent* component, TOperation operation) {
    TSkinControl::Notification(component, operation);
    if (operation == opRemove && component == Overlay) Overlay = nullptr;
}

void TSkinMP::FreeOverlay() {
    if (!Overlay) return;
    TWMediaPlayer* o = Overlay;
    Overlay = nullptr;
    o->Free();
}

void TSkinMP::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached) return;
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    if (!Control || !Control->Parent()) return;
    Overlay = New<TWMediaPlayer>(Control->Owner());
    Overlay->FreeNotification(this);
    Overlay->Bind(this, Control);
    Overlay->SetVisible(Control->Visible());
    Overlay->BringToFront();
}

void TSkinMP::AfterMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_WINDOWPOSCHANGED:
        if (Overlay && Control) Overlay->SetBoundsRect(Control->BoundsRect());
        break;
    case CM_VISIBLECHANGED:
        if (Overlay && Control) Overlay->SetVisible(Control->Visible());
        break;
    default: break;
    }
    TSkinControl::AfterMessage(m);
}

void TSkinMP::Unskin() {
    TSkinControl::Unskin();
    if (SkinState != ssDead) FreeOverlay();
}
