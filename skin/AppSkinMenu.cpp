#include "AppSkinMenu.h"

#include "AppSkinData.h"
#include "AppSkinPopMenu.h"
#include "SkinImageDraw.h"
#include "SkinManage.h"
#include "SkinMenuRules.h"

#include "Forms.h"
#include "ImgList.h"

#include <algorithm>
#include <cwctype>

using namespace skinrules;

namespace {

String WithoutAccelerators(const String& text) {
    String out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

void SplitAtTab(const String& text, String& caption, String& rest) {
    const std::size_t tab = text.find('\t');
    caption = tab == String::npos ? text : text.substr(0, tab);
    rest = tab == String::npos ? String() : text.substr(tab + 1);
}

void Fill(HDC dc, const RECT& r, TColor colour) {
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(colour)));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

RECT Win(const TRectI& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

// The system's check mark, in `colour`, centred in `box`.
void DrawCheckMark(HDC dc, const RECT& box, TColor colour) {
    const int size = std::min({static_cast<int>(GetSystemMetrics(SM_CXMENUCHECK)), static_cast<int>(box.right - box.left),
                               static_cast<int>(box.bottom - box.top)});
    if (size <= 0) return;
    HDC mono = CreateCompatibleDC(dc);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    HGDIOBJ oldMask = SelectObject(mono, mask);
    RECT cell{0, 0, size, size};
    DrawFrameControl(mono, &cell, DFC_MENU, DFCS_MENUCHECK);
    const int x = box.left + (box.right - box.left - size) / 2, y = box.top + (box.bottom - box.top - size) / 2;
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(colour)));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0)), oldBack = SetBkColor(dc, RGB(255, 255, 255));
    BitBlt(dc, x, y, size, size, mono, 0, 0, 0x00B8074A);  // black of the mask takes the brush
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
    SelectObject(mono, oldMask);
    DeleteObject(mask);
    DeleteDC(mono);
}

// The sunken, dotted ground of a checked item's image.
void DrawCheckedGround(HDC dc, const RECT& box) {
    const COLORREF face = static_cast<COLORREF>(ColorToRGB(clBtnFace));
    const COLORREF light = static_cast<COLORREF>(ColorToRGB(clBtnHighlight));
    HDC pdc = CreateCompatibleDC(dc);
    HBITMAP pattern = CreateCompatibleBitmap(dc, 8, 8);
    HGDIOBJ old = SelectObject(pdc, pattern);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) SetPixel(pdc, x, y, (x + y) % 2 ? light : face);
    SelectObject(pdc, old);
    DeleteDC(pdc);
    HBRUSH brush = CreatePatternBrush(pattern);
    FillRect(dc, &box, brush);
    DeleteObject(brush);
    DeleteObject(pattern);
    RECT edge = box;
    DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
}

}  // namespace

TSkinMenuEntry MenuEntryOf(TMenuItem* item) {
    TSkinMenuEntry e;
    String rest;
    SplitAtTab(item->Caption(), e.Caption, rest);
    e.ShortCut = item->ShortCut() != scNone ? ShortCutToText(item->ShortCut()) : rest;
    e.Enabled = item->Enabled();
    e.Checked = item->Checked();
    e.Default = item->Default();
    e.ImageIndex = item->ImageIndex();
    if (TMenu* menu = item->GetParentMenu()) e.Images = menu->Images();
    return e;
}

TSkinMenuEntry MenuEntryAt(HMENU menu, UINT position, bool byPosition) {
    TSkinMenuEntry e;
    const UINT flag = byPosition ? MF_BYPOSITION : MF_BYCOMMAND;
    const int length = GetMenuStringW(menu, position, nullptr, 0, flag);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    if (length > 0) GetMenuStringW(menu, position, text.data(), length + 1, flag);
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_FTYPE;
    GetMenuItemInfoW(menu, position, byPosition ? TRUE : FALSE, &info);
    String rest;
    SplitAtTab(FromWide(text.c_str()), e.Caption, rest);
    e.ShortCut = rest;
    if (e.Caption.empty() || (info.fType & MFT_SEPARATOR) != 0) e.Caption = "-";
    e.Enabled = (info.fState & (MFS_GRAYED | MFS_DISABLED)) == 0;
    e.Checked = (info.fState & MFS_CHECKED) != 0;
    return e;
}

// ---- The painter ----

TSkinMenuPainter::TSkinMenuPainter(TSkinManage* manager, TSkinData* data) : manager_(manager), data_(data) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font_ = CreateFontIndirectW(&metrics.lfMenuFont);
        metrics.lfMenuFont.lfWeight = FW_BOLD;
        boldFont_ = CreateFontIndirectW(&metrics.lfMenuFont);
    }
}

TSkinMenuPainter::~TSkinMenuPainter() {
    if (font_) DeleteObject(font_);
    if (boldFont_) DeleteObject(boldFont_);
}

void TSkinMenuPainter::Paint(HDC dc, const TRect& rect, const TSkinMenuEntry& entry, bool selected, HMENU parentMenu) {
    if (manager_) {
        if (manager_->MenuKind == 1) manager_->MarkPopupsFromBar();
        manager_->BindPopupMenu(parentMenu);
    }
    const int w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
    if (w <= 0 || h <= 0) return;
    TBitmap buffer;
    buffer.SetPixelFormat(pf24bit);
    buffer.SetSize(w, h);
    HDC b = buffer.Canvas()->Handle();
    const RECT all{0, 0, w, h};
    const TDataSkinObject* e = data_->MenuItem.get();
    if (!e || !e->Image || e->Image->Empty()) {
        Fill(b, all, selected && !entry.IsLine() ? data_->Hilight : data_->Menu);
        PaintContent(b, TRect(0, 0, w, h), entry, selected);
    } else {
        TAppSkinPopMenu* popup = manager_ ? manager_->PopupOf(parentMenu) : nullptr;
        TBitmap* ground = popup ? popup->Background() : nullptr;
        if (ground) {
            const POINT off = popup->ClientOffset();
            BitBlt(b, 0, 0, w, h, ground->Canvas()->Handle(), rect.Left + off.x, rect.Top + off.y, SRCCOPY);
        } else {
            Fill(b, all, data_->Menu);
        }
        if (entry.IsLine()) {
            const int y = h / 2 - 1;
            DrawFitted(b, TRect(0, y, w, y + 2), e->Image, false, e->Tile == 1, e->Trans == 1, e->FrameCount, 1,
                       {e->LeftWidth, 0, e->RightWidth, 0});
        } else {
            DrawFitted(b, TRect(0, 0, w, h), e->Image, false, e->Tile == 1, e->Trans == 1, e->FrameCount,
                       selected ? 4 : 1, e->Margins());
            PaintContent(b, TRect(0, 0, w, h), entry, selected);
        }
    }
    GdiFlush();
    BitBlt(dc, rect.Left, rect.Top, w, h, b, 0, 0, SRCCOPY);
}

void TSkinMenuPainter::PaintContent(HDC dc, const TRect& r, const TSkinMenuEntry& entry, bool selected) {
    const int w = r.Right - r.Left, h = r.Bottom - r.Top;
    if (entry.IsLine()) {
        RECT line{0, 4, w, 6};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    const TDataSkinObject* e = data_->MenuItem.get();
    const bool element = e && e->Image && !e->Image->Empty();
    TCustomImageList* images = entry.Images;
    const TMenuItemLayout l = LayoutMenuItem(w, h, element ? e->LeftWidth : 0, images ? images->Width() : 0, false);
    const RECT glyph = Win(l.Glyph);
    if (images && entry.ImageIndex >= 0 && entry.ImageIndex < images->Count()) {
        if (entry.Checked) DrawCheckedGround(dc, glyph);
        TCanvas canvas;
        canvas.SetHandle(dc);
        images->Draw(&canvas, glyph.left + (glyph.right - glyph.left - images->Width()) / 2,
                     (h - images->Height()) / 2, entry.ImageIndex, entry.Enabled);
        canvas.SetHandle(nullptr);
    } else if (entry.Checked) {
        DrawCheckMark(dc, glyph, clBtnText);
    }
    TColor colour = selected ? data_->HilightText : data_->MenuText;
    if (!entry.Enabled) colour = data_->ButtonShadow == data_->MenuText ? clBtnShadow : data_->ButtonShadow;
    HGDIOBJ oldFont = SelectObject(dc, entry.Default && boldFont_ ? boldFont_ : font_);
    const int mode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(colour)));
    const std::wstring caption = ToWide(entry.Caption);
    RECT box = Win(l.Caption);
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (!entry.ShortCut.empty()) {
        const std::wstring keys = ToWide(entry.ShortCut);
        RECT keyBox = Win(l.ShortCut);
        DrawTextW(dc, keys.c_str(), static_cast<int>(keys.size()), &keyBox,
                  DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    }
    SetTextColor(dc, oldColour);
    SetBkMode(dc, mode);
    SelectObject(dc, oldFont);
}

SIZE TSkinMenuPainter::MeasureForeign(const TSkinMenuEntry& entry) {
    const TDataSkinObject* e = data_->MenuItem.get();
    const TMenuItemElement element{e && e->Image && !e->Image->Empty(), e ? e->LeftWidth : 0};
    SIZE extent{0, 0};
    const std::wstring text = ToWide(WithoutAccelerators(entry.Caption) +
                                     (entry.ShortCut.empty() ? String() : "    " + entry.ShortCut));
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font_);
    GetTextExtentPoint32W(dc, text.empty() ? L" " : text.c_str(), text.empty() ? 1 : static_cast<int>(text.size()),
                          &extent);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const TPointI size = ForeignItemSize(extent.cx, extent.cy, entry.IsLine(), element);
    return {size.X, size.Y};
}

void TSkinMenuPainter::DrawItem(TObject* sender, TCanvas* canvas, TRect rect, bool selected) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!item) return;
    HMENU parent = item->Parent() ? item->Parent()->Handle() : nullptr;
    Paint(canvas->Handle(), rect, MenuEntryOf(item), selected, parent);
}

void TSkinMenuPainter::DefaultMeasure(TMenuItem* item, TCanvas* canvas, int& width, int& height) {
    const TMenuMeasureItemEvent own = item->OnMeasureItem;
    item->OnMeasureItem = nullptr;
    try {
        item->MeasureItem(canvas, width, height);
    } catch (...) {
        item->OnMeasureItem = own;
        throw;
    }
    item->OnMeasureItem = own;
}

void TSkinMenuPainter::MeasureItem(TObject* sender, TCanvas* canvas, int& width, int& height) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!item) return;
    DefaultMeasure(item, canvas, width, height);
    if (item->IsLine()) return;
    const TDataSkinObject* e = data_->MenuItem.get();
    const TMenu* menu = item->GetParentMenu();
    width = SkinnedItemWidth(width, {e && e->Image && !e->Image->Empty(), e ? e->LeftWidth : 0},
                             menu && menu->Images());
}

void TSkinMenuPainter::MeasureMainItem(TObject* sender, TCanvas* canvas, int& width, int& height) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!item) return;
    DefaultMeasure(item, canvas, width, height);
    if (item->IsLine()) return;
    const TDataSkinObject* e = data_->MenuItem.get();
    const TMenu* menu = item->GetParentMenu();
    width = SkinnedMainItemWidth(width, {e && e->Image && !e->Image->Empty(), e ? e->LeftWidth : 0},
                                 menu && menu->Images());
}

void TSkinMenuPainter::PrepareItems(TMenuItem* item, bool on, bool secondMeasurer, int fromDepth, int depth) {
    const TMenuDrawItemEvent draw = Event<&TSkinMenuPainter::DrawItem>(this);
    const TMenuMeasureItemEvent measure = secondMeasurer ? Event<&TSkinMenuPainter::MeasureMainItem>(this)
                                                         : Event<&TSkinMenuPainter::MeasureItem>(this);
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* child = item->Items(i);
        if (depth + 1 >= fromDepth) {
            // A handler of the menu's own stays; only the painter's come off again.
            if (on) {
                if (!child->OnDrawItem) child->OnDrawItem = draw;
                if (!child->OnMeasureItem) child->OnMeasureItem = measure;
            } else {
                if (child->OnDrawItem == draw) child->OnDrawItem = nullptr;
                if (child->OnMeasureItem == measure) child->OnMeasureItem = nullptr;
            }
        }
        PrepareItems(child, on, secondMeasurer, fromDepth, depth + 1);
    }
}

void TSkinMenuPainter::PrepareFormMenus(TCustomForm* form, bool on) {
    if (!form || !data_) return;
    const TSkinControlTypes set = data_->SkinControls;
    std::vector<TComponent*> owners{form};
    if (Screen)
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* inner = Screen->Forms(i);
            if (inner == form) continue;
            for (TWinControl* p = inner->Parent(); p; p = p->Parent())
                if (p == form) {
                    owners.push_back(inner);
                    break;
                }
        }
    const bool popups = (set & SkinBit(xcPopupMenu)) != 0 && form->ClassName() != "TwwRichEditForm";
    for (TComponent* owner : owners)
        for (int i = 0; i < owner->ComponentCount(); ++i) {
            TComponent* c = owner->Components(i);
            if (auto* popup = dynamic_cast<TPopupMenu*>(c)) {
                if (!popups || popup->Tag() == data_->DisableTag) continue;
                PrepareItems(popup->Items(), on, false, 1);
                popup->SetOwnerDraw(on);
            } else if (auto* main = dynamic_cast<TMainMenu*>(c)) {
                if ((set & SkinBit(xcMenuItem)) == 0) continue;
                PrepareItems(main->Items(), on, true, 2);
                main->SetOwnerDraw(on);
            }
        }
}

// ---- The menu bar ----

namespace {

TAppSkinMenu* trackingBar = nullptr;  // one drop-down tracks at a time

bool HasAccelerator(const String& caption, wchar_t key) {
    const std::wstring text = ToWide(caption);
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] == L'&') {
            ++i;
            continue;
        }
        return std::towupper(text[i + 1]) == std::towupper(key);
    }
    return false;
}

}  // namespace

TAppSkinMenu::TAppSkinMenu(HWND window, TSkinData* data, TSkinMenuPainter* painter, TSkinManage* manager)
    : window_(window), data_(data), painter_(painter), manager_(manager) {}

TAppSkinMenu::~TAppSkinMenu() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (trackingBar == this) trackingBar = nullptr;
}

void TAppSkinMenu::Rebuild(TMainMenu* menu) {
    menu_ = menu;
    Build(false);
}

void TAppSkinMenu::Merge() { Build(true); }

void TAppSkinMenu::Build(bool merging) {
    HMENU handle = GetMenu(window_);
    if (!handle) handle = menuHandle_;
    if (!handle) return;
    menuHandle_ = handle;
    items_.clear();
    const int count = GetMenuItemCount(handle);
    for (int i = 0; i < count; ++i) {
        TMenuBtn b;
        b.Index = i;
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
        GetMenuItemInfoW(handle, static_cast<UINT>(i), TRUE, &info);
        const TSkinMenuEntry entry = MenuEntryAt(handle, static_cast<UINT>(i), true);
        b.SubMenu = info.hSubMenu;
        b.Enabled = (info.fState & (MFS_GRAYED | MFS_DISABLED)) == 0;
        b.Command = static_cast<int>(info.wID);
        b.Caption = entry.IsLine() ? String() : entry.Caption;
        // A merged menu keeps its own entries; only those without a text are completed.
        if (menu_ && (!merging || b.Caption.empty())) {
            TMenuItem* item = b.SubMenu ? menu_->FindItem(reinterpret_cast<std::intptr_t>(b.SubMenu), fkHandle)
                                        : menu_->FindItem(b.Command, fkCommand);
            if (item) {
                item->InitiateAction();
                b.Caption = item->Caption();
                b.Enabled = item->Enabled();
                b.LinkedItem = item;
                if (merging) {
                    b.Command = item->Command();
                    b.SubMenu = item->Count() > 0 ? item->Handle() : nullptr;
                }
            }
        }
        items_.push_back(b);
    }
    SetMenu(window_, nullptr);
}

void TAppSkinMenu::Restore() {
    if (menuHandle_ && IsWindow(window_) && !GetMenu(window_)) SetMenu(window_, menuHandle_);
}

void TAppSkinMenu::PaintCaption(HDC dc, const TMenuBtn& item) {
    if (item.Caption.empty() || item.Rect.right <= item.Rect.left) return;
    HGDIOBJ old = SelectObject(dc, painter_->MenuFont());
    const int mode = SetBkMode(dc, TRANSPARENT);
    const COLORREF colour = SetTextColor(
        dc, static_cast<COLORREF>(ColorToRGB(item.Enabled ? data_->MenuBarText : data_->ButtonShadow)));
    const std::wstring text = ToWide(item.Caption);
    RECT r = item.Rect;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    SetTextColor(dc, colour);
    SetBkMode(dc, mode);
    SelectObject(dc, old);
}

void TAppSkinMenu::Paint(HDC dc, const RECT& strip, bool active) {
    const int w = strip.right - strip.left, h = strip.bottom - strip.top;
    if (w <= 0 || h <= 0) return;
    auto scratch = std::make_unique<TBitmap>();
    scratch->SetPixelFormat(pf24bit);
    scratch->SetSize(w, h);
    HDC s = scratch->Canvas()->Handle();
    const TDataSkinObject* e = data_->MenuBar.get();
    const bool element = e && e->Image && !e->Image->Empty();
    if (element) {
        const int frame = active || e->FrameCount < 2 ? 1 : 2;
        if (e->Tile == 1)
            DrawFitted(s, TRect(0, 0, w, h), e->Image, true, false, false, e->FrameCount, frame, e->Margins());
        else
            DrawThreeSlice(s, TRect(0, 0, w, h), e->Image, true, false, e->FrameCount, frame, e->Margins());
    } else {
        Fill(s, {0, 0, w, h}, data_->Menubar);
    }
    barRect_ = strip;
    GdiFlush();
    background_ = std::make_unique<TBitmap>();
    background_->SetPixelFormat(pf24bit);
    background_->SetSize(w, h);
    BitBlt(background_->Canvas()->Handle(), 0, 0, w, h, s, 0, 0, SRCCOPY);

    std::vector<TBarItemFacts> facts;
    HGDIOBJ old = SelectObject(s, painter_->MenuFont());
    for (const TMenuBtn& b : items_) {
        RECT calc{0, 0, 0, 0};
        const std::wstring text = ToWide(b.Caption);
        if (!text.empty())
            DrawTextW(s, text.c_str(), static_cast<int>(text.size()), &calc, DT_SINGLELINE | DT_CALCRECT | DT_NOCLIP);
        facts.push_back({static_cast<int>(calc.right - calc.left), b.Caption.empty(), b.Visible});
    }
    SelectObject(s, old);
    const int start = BarStartX({element, e ? e->LeftWidth : 0, e ? e->RightWidth : 0, RightToLeft}, 0, w);
    const std::vector<TRectI> boxes = LayoutBarItems(facts, start, 0, h - 1, RightToLeft);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        TMenuBtn& b = items_[i];
        const TRectI& r = boxes[i];
        b.Rect = r.Right > r.Left ? RECT{r.Left, r.Top, r.Right, r.Bottom} : RECT{};
        PaintCaption(s, b);
        if (b.Rect.right > b.Rect.left) OffsetRect(&b.Rect, strip.left, strip.top);
    }
    GdiFlush();
    BitBlt(dc, strip.left, strip.top, w, h, s, 0, 0, SRCCOPY);
}

void TAppSkinMenu::PaintItem(HDC dc, int index) {
    if (index < 0 || index >= Count() || !background_) return;
    const TMenuBtn& b = items_[static_cast<std::size_t>(index)];
    const int w = b.Rect.right - b.Rect.left, h = b.Rect.bottom - b.Rect.top;
    if (w <= 0 || h <= 0) return;
    BitBlt(dc, b.Rect.left, b.Rect.top, w, h, background_->Canvas()->Handle(), b.Rect.left - barRect_.left,
           b.Rect.top - barRect_.top, SRCCOPY);
    if (b.State == 2 || b.State == 3) {
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(data_->ButtonHilight)));
        FrameRect(dc, &b.Rect, brush);
        DeleteObject(brush);
    }
    PaintCaption(dc, b);
}

void TAppSkinMenu::SetItemState(int index, int state) {
    if (index < 0 || index >= Count() || items_[static_cast<std::size_t>(index)].State == state) return;
    items_[static_cast<std::size_t>(index)].State = state;
    if (HDC dc = GetWindowDC(window_)) {
        PaintItem(dc, index);
        ReleaseDC(window_, dc);
    }
}

int TAppSkinMenu::ItemAt(POINT p) const {
    std::vector<TRectI> boxes;
    std::vector<bool> empty;
    for (const TMenuBtn& b : items_) {
        boxes.push_back({b.Rect.left, b.Rect.top, b.Rect.right, b.Rect.bottom});
        empty.push_back(b.Caption.empty() || !b.Visible);
    }
    return BarItemAt(boxes, empty, {p.x, p.y});
}

int TAppSkinMenu::ItemByAccelerator(wchar_t key) const {
    for (const TMenuBtn& b : items_)
        if (b.Enabled && b.Visible && HasAccelerator(b.Caption, key)) return b.Index;
    return -1;
}

void TAppSkinMenu::TidySeparators(TMenuItem* item) {
    std::vector<TMenuEntryFacts> facts;
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* child = item->Items(i);
        // A separator hidden before may be wanted again.
        facts.push_back({child->IsLine(), child->IsLine() || child->Visible()});
    }
    const std::vector<bool> visible = skinrules::TidySeparators(facts);
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* child = item->Items(i);
        if (child->IsLine() && child->Visible() != visible[static_cast<std::size_t>(i)])
            child->SetVisible(visible[static_cast<std::size_t>(i)]);
    }
}

void TAppSkinMenu::OwnerDrawEntries(HMENU menu, bool on, std::vector<std::pair<HMENU, UINT>>& changed) {
    if (!on) {
        for (const auto& [m, position] : changed) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE;
            if (!GetMenuItemInfoW(m, position, TRUE, &info)) continue;
            info.fType &= ~static_cast<UINT>(MFT_OWNERDRAW);
            SetMenuItemInfoW(m, position, TRUE, &info);
        }
        changed.clear();
        return;
    }
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        if ((info.fType & MFT_OWNERDRAW) == 0) {
            info.fMask = MIIM_FTYPE;
            info.fType |= MFT_OWNERDRAW;
            if (SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) changed.emplace_back(menu, static_cast<UINT>(i));
        }
        if (info.hSubMenu) OwnerDrawEntries(info.hSubMenu, true, changed);
    }
}

bool TAppSkinMenu::OpenFrom(int index) {
    bool any = false;
    next_ = index;
    while (next_ >= 0 && next_ < Count()) {
        const int current = next_;
        next_ = -1;
        SetItemState(current, 2);
        any = OpenItem(current) || any;
        SetItemState(current, 1);
        if (!IsWindow(window_)) break;
    }
    next_ = -1;
    return any;
}

bool TAppSkinMenu::OpenItem(int index) {
    TMenuBtn& b = items_[static_cast<std::size_t>(index)];
    if (!b.SubMenu) {
        // An item without a drop-down is a command.
        if (b.Enabled && b.Command) PostMessageW(window_, WM_COMMAND, static_cast<WPARAM>(b.Command), 0);
        return false;
    }
    // The items are brought up to date before the drop-down shows (not by a posted message, which
    // would only arrive once the tracking runs).
    if (menu_) menu_->DispatchPopup(b.SubMenu);
    if (b.LinkedItem) TidySeparators(b.LinkedItem);
    HMENU sub = b.LinkedItem && b.LinkedItem->Count() > 0 ? b.LinkedItem->Handle() : b.SubMenu;
    b.SubMenu = sub;
    std::vector<std::pair<HMENU, UINT>> changed;
    OwnerDrawEntries(sub, true, changed);
    open_ = index;
    trackingBar = this;
    Suspended = true;
    POINT at{RightToLeft ? b.Rect.right : b.Rect.left, b.Rect.bottom};
    RECT w{};
    GetWindowRect(window_, &w);
    at.x += w.left;
    at.y += w.top;
    manager_->MenuKind = 1;
    manager_->MenuFromBar = true;
    selectedMenu_ = nullptr;
    selectedFlags_ = 0xFFFF;
    firstMessage_ = false;
    GetCursorPos(&lastMouse_);
    hook_ = SetWindowsHookExW(WH_MSGFILTER, FilterProcedure, nullptr, GetCurrentThreadId());
    if (b.Enabled)
        TrackPopupMenu(sub, TPM_NONOTIFY | TPM_RIGHTBUTTON | (RightToLeft ? TPM_RIGHTALIGN : TPM_LEFTALIGN), at.x, at.y,
                       0, window_, nullptr);
    if (hook_) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    selectedMenu_ = nullptr;
    open_ = -1;
    trackingBar = nullptr;
    firstMessage_ = false;
    Suspended = false;
    if (manager_->PopupCount() == 0) {
        manager_->MenuKind = 0;
        manager_->MenuFromBar = false;
    }
    OwnerDrawEntries(sub, false, changed);
    return true;
}

void TAppSkinMenu::MenuSelect(WPARAM wParam, LPARAM lParam) {
    if (open_ < 0) return;
    const UINT flags = HIWORD(wParam);
    if (flags == 0xFFFF && lParam == 0) return;
    selectedFlags_ = flags;
    selectedMenu_ = reinterpret_cast<HMENU>(lParam);
}

LRESULT CALLBACK TAppSkinMenu::FilterProcedure(int code, WPARAM wParam, LPARAM lParam) {
    TAppSkinMenu* bar = trackingBar;
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (bar && msg && bar->RightToLeft && (msg->message == WM_KEYDOWN) &&
        (msg->wParam == VK_LEFT || msg->wParam == VK_RIGHT))
        msg->wParam = msg->wParam == VK_LEFT ? VK_RIGHT : VK_LEFT;
    const LRESULT next = CallNextHookEx(bar ? bar->hook_ : nullptr, code, wParam, lParam);
    if (!bar || next != 0 || code != MSGF_MENU || !msg) return next;
    if (!bar->firstMessage_) {
        bar->firstMessage_ = true;
        PostMessageW(msg->hwnd, WM_KEYDOWN, VK_DOWN, 0);
    }
    int pick = -1;
    const HMENU open = bar->items_[static_cast<std::size_t>(bar->open_)].SubMenu;
    switch (msg->message) {
    case WM_KEYDOWN:
        if (msg->wParam == VK_LEFT) {
            if (!bar->selectedMenu_ || bar->selectedMenu_ == open) pick = NextBarItem(bar->Count(), bar->open_, false);
        } else if (msg->wParam == VK_RIGHT) {
            if (!bar->selectedMenu_ || (bar->selectedFlags_ & MF_POPUP) == 0)
                pick = NextBarItem(bar->Count(), bar->open_, true);
        }
        break;
    case WM_SYSKEYDOWN:
        if (msg->wParam == VK_MENU) bar->Suspended = false;
        break;
    case WM_MOUSEMOVE: {
        if (msg->pt.x == bar->lastMouse_.x && msg->pt.y == bar->lastMouse_.y) break;
        bar->lastMouse_ = msg->pt;
        RECT w{};
        GetWindowRect(bar->window_, &w);
        pick = bar->ItemAt({msg->pt.x - w.left, msg->pt.y - w.top});
        break;
    }
    default: break;
    }
    if (pick >= 0 && pick != bar->open_ && bar->items_[static_cast<std::size_t>(pick)].Visible) {
        bar->next_ = pick;
        EndMenu();
    }
    return next;
}

bool TAppSkinMenu::MeasureItem(MEASUREITEMSTRUCT& m) {
    if (m.CtlType != ODT_MENU) return false;
    if (menu_) {
        if (TMenuItem* item = menu_->FindItem(static_cast<std::intptr_t>(m.itemID), fkCommand)) {
            TCanvas canvas;
            HDC dc = GetWindowDC(window_);
            canvas.SetHandle(dc);
            SelectObject(dc, painter_->MenuFont());
            int width = 0, height = 0;
            painter_->MeasureMainItem(item, &canvas, width, height);
            canvas.SetHandle(nullptr);
            ReleaseDC(window_, dc);
            m.itemWidth = static_cast<UINT>(std::max(width, 0));
            m.itemHeight = static_cast<UINT>(std::max(height, 0));
            return true;
        }
        if (m.itemID >= 1 && m.itemID <= 4095) return false;
    }
    if (open_ < 0) return false;
    const TSkinMenuEntry entry = MenuEntryAt(items_[static_cast<std::size_t>(open_)].SubMenu, m.itemID, false);
    const SIZE size = painter_->MeasureForeign(entry);
    m.itemWidth = static_cast<UINT>(size.cx);
    m.itemHeight = static_cast<UINT>(size.cy);
    return true;
}

bool TAppSkinMenu::DrawItem(const DRAWITEMSTRUCT& d) {
    if (d.CtlType != ODT_MENU) return false;
    auto menu = reinterpret_cast<HMENU>(d.hwndItem);
    const TRect rect(d.rcItem.left, d.rcItem.top, d.rcItem.right, d.rcItem.bottom);
    const bool selected = (d.itemState & ODS_SELECTED) != 0;
    if (menu_) {
        if (TMenuItem* item = menu_->FindItem(static_cast<std::intptr_t>(d.itemID), fkCommand)) {
            painter_->Paint(d.hDC, rect, MenuEntryOf(item), selected, menu);
            return true;
        }
        if (d.itemID >= 1 && d.itemID <= 4095) return false;
    }
    if (open_ < 0) return false;
    // Entries are found by position when they have no command of their own (separators, sub-menus).
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_DATA;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        if (info.wID == d.itemID && info.dwItemData == d.itemData) {
            painter_->Paint(d.hDC, rect, MenuEntryAt(menu, static_cast<UINT>(i), true), selected, menu);
            return true;
        }
    }
    painter_->Paint(d.hDC, rect, MenuEntryAt(menu, d.itemID, false), selected, menu);
    return true;
}
