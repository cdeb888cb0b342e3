#include "SkinControlRules.h"

#include <algorithm>
#include <cctype>

namespace skinrules {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

struct TFacts {
    const TControlFacts& F;
    std::string N;  // the upper-cased class name

    explicit TFacts(const TControlFacts& facts) : F(facts), N(Upper(facts.Chain.empty() ? "" : facts.Chain.front())) {}
    bool Is(const char* cls) const {
        const std::string wanted = Upper(cls);
        for (const std::string& c : F.Chain)
            if (Upper(c) == wanted) return true;
        return false;
    }
    bool On(int member) const { return (F.Controls & SkinBit(member)) != 0; }
};

TMatchDecision Take(TSkinnerKind kind) {
    TMatchDecision d;
    d.Kind = kind;
    d.Decided = true;
    return d;
}

TMatchDecision Stop() { return Take(TSkinnerKind::None); }

}  // namespace

bool MapKindOf(const std::vector<std::string>& map, const std::string& className, std::string& kind) {
    const std::string prefix = Lower(className) + "=";
    for (const std::string& row : map) {
        const std::string lower = Lower(row);
        if (lower.compare(0, prefix.size(), prefix) != 0) continue;
        kind = lower.substr(prefix.size(), 50);
        return true;
    }
    return false;
}

TMatchDecision MatchByMap(const std::string& kind, const TControlFacts& facts) {
    const TFacts f(facts);
    TMatchDecision d = Stop();
    auto with = [&](int member, TSkinnerKind k) {
        if (f.On(member)) d.Kind = k;
    };
    if (kind == "combobox") with(xcCombo, TSkinnerKind::ComBox);
    else if (kind == "edit") {
        with(xcEdit, TSkinnerKind::Edit);
        d.OnlyWithBorder = true;
    } else if (kind == "radiobutton") with(xcRadioButton, TSkinnerKind::RadioButton);
    else if (kind == "panel") {
        if (f.On(xcPanel)) {
            d.Kind = TSkinnerKind::Box;
            d.SetTransparent = true;
            d.ChangeColor = true;
        }
    } else if (kind == "trackbar") {
        if (f.On(xcButton)) {
            d.Kind = TSkinnerKind::TrackBar;
            d.SetTransparent = true;
        }
    } else if (kind == "button") with(xcButton, TSkinnerKind::Button);
    else if (kind == "datetimepicker") with(xcCombo, TSkinnerKind::DateTime);
    else if (kind == "mediaplayer") with(xcButton, TSkinnerKind::MediaPlayer);
    else if (kind == "bitbtn") {
        const bool dropDown = f.N == "TCXBUTTON" && Lower(facts.KindProperty) == "cxbkdropdownbutton";
        with(xcButton, dropDown ? TSkinnerKind::MenuButton : TSkinnerKind::BitButton);
    } else if (kind == "pngbitbtn") with(xcButton, TSkinnerKind::PngBitButton);
    else if (kind == "menubtn") with(xcButton, TSkinnerKind::MenuButton);
    else if (kind == "speedbutton") with(xcSpeedButton, TSkinnerKind::SpeedButton);
    else if (kind == "tab") {
        if (facts.HasTabs) with(xcTab, TSkinnerKind::Tab);
    } else if (kind == "progress") with(xcProgress, TSkinnerKind::Progress);
    else if (kind == "scrollbar") {
        with(xcScrollbar, TSkinnerKind::Scrollbar);
        if (f.On(xcScrollbar)) d.Children = TChildAction::MatchAfter;
    } else if (kind == "singlescrollbar") with(xcScrollbar, TSkinnerKind::ScrollbarSingle);
    else if (kind == "embedscrollbar") {
        if (f.On(xcScrollbar)) d.Children = TChildAction::EmbeddedScrollbars;
    } else if (kind == "container") d.Children = TChildAction::MatchAfter;
    else if (kind == "groupbox") {
        with(xcGroupBox, TSkinnerKind::GroupBox);
        d.ChangeColor = d.Kind != TSkinnerKind::None;
    } else if (kind == "advpagecontrol") with(xcTab, TSkinnerKind::AdvPage);
    else if (kind == "radiogroup") {
        if (f.On(xcGroupBox)) {
            d.Kind = TSkinnerKind::GroupBox;
            if (f.On(xcRadioButton)) {
                d.Children = TChildAction::Each;
                d.ChildKind = Contains(f.N, "TRZ") ? TSkinnerKind::ObjImageRadio : TSkinnerKind::RadioButton;
            }
        }
    } else if (kind == "checkgroup") {
        if (f.On(xcPanel)) {
            if (f.On(xcRadioButton)) {
                d.Children = TChildAction::Each;
                d.ChildKind = Contains(f.N, "TRZ") ? TSkinnerKind::ObjImageCheck : TSkinnerKind::CheckBox;
            }
            if (f.On(xcGroupBox)) d.Kind = TSkinnerKind::GroupBox;
        }
    } else if (kind == "checkbox") with(xcCheckBox, TSkinnerKind::CheckBox);
    return d;  // "nil" and unknown kinds: handled, not skinned
}

TMatchDecision MatchByClass(const TControlFacts& facts) {
    const TFacts f(facts);
    const std::string& N = f.N;
    auto named = [&](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (N == n) return true;
        return false;
    };
    // Our page control has no common tab-control ancestor; it counts as one.
    if ((f.Is("TCustomTabControl") || f.Is("TPageControl")) && f.On(xcTab) && facts.HasTabs) {
        if (f.Is("TPageControl")) return Take(facts.TabStyleButtons ? TSkinnerKind::TabButtons : TSkinnerKind::Tab);
        return Take(TSkinnerKind::TabWithoutPages);
    }
    if (f.Is("TToolButton") && facts.FormNCSkinned) return Take(TSkinnerKind::ToolButtonMenu);
    if (f.Is("TCoolBar") && f.On(xcToolbar)) return Take(TSkinnerKind::CoolBar);
    if (N == "TTABSET" && f.On(xcTab) && facts.HasTabs) return Take(TSkinnerKind::TabSet);
    if (f.Is("TTabSheet") && f.On(xcTab) && facts.HasTabs) return Take(TSkinnerKind::TabSheet);
    if (N == "TTABBEDNOTEBOOK" && f.On(xcTab) && facts.HasTabs) return Take(TSkinnerKind::Tab);
    if (N == "TMVCPANEL") {
        TMatchDecision d = Stop();
        d.Children = TChildAction::MatchAfter;
        return d;
    }
    if (f.Is("TCustomCheckBox") && f.On(xcCheckBox)) return Take(TSkinnerKind::CheckBox);
    if (named({"TUPDOWN", "TSPINBUTTON"}) && f.On(xcSpin)) return Take(TSkinnerKind::UpDown);
    if (N == "TMEDIAPLAYER" && f.On(xcButton)) return Take(TSkinnerKind::MediaPlayer);
    if (f.Is("TCustomRadioGroup") && f.On(xcRadioButton)) {
        TMatchDecision d = Take(TSkinnerKind::GroupBox);
        d.ChangeColor = true;
        d.Children = TChildAction::Each;
        d.ChildKind = TSkinnerKind::RadioButton;
        return d;
    }
    if (N == "TDBNAVIGATOR" && f.On(xcPanel)) {
        TMatchDecision d = Take(TSkinnerKind::Box);
        d.ChangeColor = true;
        d.Children = TChildAction::MatchEachOrphan;
        return d;
    }
    if (named({"TRZDBCHECKBOX", "TRZCHECKBOX"}) && f.On(xcCheckBox)) return Take(TSkinnerKind::ObjImageCheck);
    if (named({"TRZRADIOBUTTON", "TRZDBRADIOBUTTON"}) && f.On(xcRadioButton)) return Take(TSkinnerKind::ObjImageRadio);
    if (named({"TCXDBCHECKBOX", "TCXCHECKBOX"}) && f.On(xcCheckBox)) return Take(TSkinnerKind::ObjImageProperties);
    if (f.Is("TCustomGroupBox") && f.On(xcPanel)) {
        TMatchDecision d = Take(TSkinnerKind::GroupBox);
        d.Children = TChildAction::MatchBefore;
        return d;
    }
    if (f.Is("TRadioButton") && f.On(xcRadioButton)) return Take(TSkinnerKind::RadioButton);
    if (f.Is("TToolBar") && f.On(xcToolbar)) return Take(TSkinnerKind::ToolBar);
    if ((f.Is("TCustomStatusBar") || f.Is("TStatusBar")) && f.On(xcStatusBar)) return Take(TSkinnerKind::StatusBar);
    if (f.Is("TProgressBar") && f.On(xcProgress)) return Take(TSkinnerKind::Progress);
    if (f.Is("TScrollBar") && f.On(xcScrollbar)) return Take(TSkinnerKind::ScrollBarControl);
    if (N == "TTNTCOMBOBOX" && f.On(xcCombo)) return Take(TSkinnerKind::ComBox);
    if (f.Is("TCustomComboBox") && f.On(xcCombo)) return Take(TSkinnerKind::ComBox);
    if (N == "TRICHEDIT" && f.On(xcScrollbar)) return Take(TSkinnerKind::Scrollbar);
    if (named({"TWWDBRICHEDIT", "TDXDBMEMO"}) && f.On(xcScrollbar)) return Take(TSkinnerKind::Scrollbar);
    if (f.Is("TBitBtn")) return f.On(xcBitBtn) ? Take(TSkinnerKind::BitButton) : Stop();
    if (f.Is("TSpeedButton") && f.On(xcSpeedButton)) return Take(TSkinnerKind::SpeedButton);
    if (f.Is("TCustomPanel") && f.On(xcPanel)) {
        TMatchDecision d = Take(TSkinnerKind::Box);
        d.Children = TChildAction::MatchBefore;
        return d;
    }
    if (named({"TDXTREELIST", "TDXDBTREELIST", "TDXDBGRID"}) && f.On(xcScrollbar)) return Take(TSkinnerKind::Scrollbar);
    if (f.Is("TCustomMemo") && f.On(xcScrollbar)) return Take(TSkinnerKind::Scrollbar);
    if (f.Is("TCustomGrid") && f.On(xcScrollbar)) return Take(TSkinnerKind::Scrollbar);
    if (facts.NeedsScrollbars && f.On(xcScrollbar)) return Take(TSkinnerKind::Scrollbar);
    if (f.Is("TButton") && f.On(xcButton)) return Take(TSkinnerKind::Button);
    if (f.Is("TCustomEdit") && f.On(xcEdit)) return Take(TSkinnerKind::Edit);
    if (named({"TDCEDIT", "TDCDBEDIT"})) {
        if (facts.NumButtons == 1 && f.On(xcCombo)) return Take(TSkinnerKind::ComBox);
        if (facts.NumButtons == 0 && f.On(xcEdit)) return Take(TSkinnerKind::EditOnHandle);
        return Stop();
    }
    if (f.Is("TCustomForm")) {
        TMatchDecision d = Take(TSkinnerKind::Box);
        d.Children = TChildAction::MatchComponents;
        return d;
    }
    return TMatchDecision{};
}

TMatchDecision DecideControl(const std::vector<std::string>& map, const TControlFacts& facts) {
    if (facts.Chain.empty()) return TMatchDecision{};
    std::string kind;
    if (MapKindOf(map, facts.Chain.front(), kind)) return MatchByMap(kind, facts);
    const std::string N = Upper(facts.Chain.front());
    if (N == "TDBCOMBOBOXEH" || N == "TFRDESIGNERPAGE" || N == "TFRPBOX") return Stop();
    return MatchByClass(facts);
}

TWindowDecision DecideWindow(const std::string& name, std::uint32_t style) {
    TWindowDecision d;
    auto kind = [&](TSkinnerKind k) {
        d.Kind = k;
        return d;
    };
    if (name == "button") {
        // By the button type alone: push buttons, check boxes and radio buttons; group boxes,
        // owner-drawn, bitmap and the newer types keep the system's look.
        if (style & 0x80) return d;
        switch (style & 0xF) {
        case 0: case 1: case 8: return kind(TSkinnerKind::Button);
        case 2: case 3: case 5: case 6: return kind(TSkinnerKind::CheckBox);
        case 4: case 9: return kind(TSkinnerKind::RadioButton);
        default: return d;
        }
    }
    if (name == "combobox") return (style & 3) == 1 ? d : kind(TSkinnerKind::ComBox);
    if (name == "comboboxex32") {
        d.OnFirstChild = true;
        return kind(TSkinnerKind::ComBox);
    }
    // Size grips and size boxes get the grip; a real scroll bar gets the scroll-bar overlay.
    if (name == "scrollbar") {
        if (style & 0x10000) return d;
        return kind((style & 0x18) != 0 ? TSkinnerKind::Sizer : TSkinnerKind::ScrollBarControl);
    }
    if (name == "systreeview32") return d;
    if (name == "#32770") {
        if (style & 0x10000) return d;
        d.SkinChildren = true;
        return kind(TSkinnerKind::DialogBackground);
    }
    if (name == "tpanel" || name == "ttntpanel.unicodeclass" || name == "ttntsilentpaintpanel.unicodeclass") {
        d.SkinChildren = true;
        d.FaceColour = true;
        return d;
    }
    if (name == "tcheckbox") return kind(TSkinnerKind::CheckBox);
    if (name == "tcombobox") return kind(TSkinnerKind::ComBox);
    if (name == "tbutton") return kind(TSkinnerKind::Button);
    if (name == "tprogressbar") return kind(TSkinnerKind::Progress);
    if (name == "tsilentpaintpanel") {
        d.FaceColour = true;
        return d;
    }
    if (name == "systabcontrol32") return (style & 0x2000) ? d : kind(TSkinnerKind::Tab);
    if (name == "edit") return kind(TSkinnerKind::Edit);
    if (name == "sysdatetimepick32") return kind(TSkinnerKind::DateTime);
    return d;
}

// ---- Buttons ----

int ButtonFrame(bool pressed, bool hot, bool focused, bool enabled) {
    if (!enabled) return 3;
    if (pressed) return 2;
    if (hot) return 4;
    if (focused) return 5;
    return 1;
}

int GlyphCell(bool pressed, bool enabled, bool down, int numGlyphs) {
    int cell = 1;
    if (!enabled) cell = 2;
    else if (down) cell = 4;
    else if (pressed) cell = 3;
    return std::max(numGlyphs, 1) < cell ? 1 : cell;
}

std::string CaptionLines(const std::string& caption) {
    std::string text = caption;
    const std::size_t at = text.find("||");
    if (at != std::string::npos) text.replace(at, 2, "\r\n");
    return text;
}

TButtonLayoutResult LayoutButton(const TButtonLayoutInput& in) {
    const bool across = in.Layout <= 1;  // glyph and text side by side
    const int extent = across ? in.Width : in.Height;
    const int cross = across ? in.Height : in.Width;
    const int glyph = across ? in.GlyphWidth : in.GlyphHeight;
    const int glyphCross = across ? in.GlyphHeight : in.GlyphWidth;
    const int text = across ? in.TextWidth : in.TextHeight;
    const int textCross = across ? in.TextHeight : in.TextWidth;
    int margin = in.Margin, spacing = in.Spacing;
    if (text == 0 || glyph == 0) spacing = 0;
    if (margin == -1 || in.AlignCentre) {
        if (spacing == -1) margin = spacing = (extent - glyph - text) / 3;
        else margin = (extent - glyph - spacing - text) / 2;
    } else if (spacing == -1) {
        spacing = (extent - margin - glyph - text) / 2;
    }
    int glyphAt = 0, textAt = 0;
    if (in.Layout == 0 || in.Layout == 2) {
        glyphAt = margin;
        textAt = margin + glyph + spacing;
    } else {
        glyphAt = extent - margin - glyph;
        textAt = glyphAt - spacing - text;
    }
    const int glyphCrossAt = (cross - glyphCross + 1) / 2;
    const int textCrossAt = (cross - textCross + 1) / 2;
    TButtonLayoutResult r;
    if (across) {
        r.Glyph = {glyphAt, glyphCrossAt};
        r.Text = {textAt, textCrossAt, textAt + text, textCrossAt + textCross};
    } else {
        r.Glyph = {glyphCrossAt, glyphAt};
        r.Text = {textCrossAt, textAt, textCrossAt + textCross, textAt + text};
    }
    return r;
}

// ---- Check boxes and radio buttons ----

TCheckState CheckStateOf(const TCheckFacts& f) {
    TCheckState state = f.MessageChecked ? TCheckState::Checked : TCheckState::Unchecked;
    if (f.HasState) {
        const std::string s = Lower(f.State);
        if (Contains(s, "uncheck")) state = TCheckState::Unchecked;
        else if (Contains(s, "check")) state = TCheckState::Checked;
        else if (Contains(s, "gray")) state = TCheckState::Grayed;
    } else if (f.HasChecked) {
        state = Lower(f.Checked) == "true" ? TCheckState::Checked : TCheckState::Unchecked;
    }
    if (f.HasDataField && f.LastSetCheck != 0) {
        state = f.LastSetCheck == 2 ? TCheckState::Checked
                : f.LastSetCheck >= 3 ? TCheckState::Grayed
                                      : TCheckState::Unchecked;
    }
    if (f.HasDataBinding) state = TCheckState::Unchecked;
    if (f.MessageIndeterminate) state = TCheckState::Grayed;
    return state;
}

int CheckBoxFrame(TCheckState state, bool disabled, int cellCount) {
    if (cellCount == 12) {
        switch (state) {
        case TCheckState::Unchecked: return disabled ? 4 : 1;
        case TCheckState::Checked: return disabled ? 8 : 5;
        case TCheckState::Grayed: return disabled ? 12 : 9;
        }
    }
    switch (state) {
    case TCheckState::Unchecked: return disabled ? 3 : 1;
    case TCheckState::Checked: return disabled ? 4 : 2;
    case TCheckState::Grayed: return 4;
    }
    return 1;
}

int RadioFrame(bool checked, bool disabled, int cellCount) {
    const int frame = (checked ? 2 : 1) + (disabled ? 2 : 0);
    if (cellCount == 8) {
        static const int remap[] = {0, 1, 5, 4, 8};
        return remap[frame];
    }
    return frame;
}

TMarkLayout LayoutMark(int width, int height, int markWidth, int markHeight, bool leftText, bool rightToLeft) {
    TMarkLayout m;
    const int top = (height - markHeight) / 2;
    if (leftText) {
        m.Mark = {width - markWidth, top, width, top + markHeight};
        m.TextArea = {0, 0, width - markWidth - 2, height};
        m.AlignRight = rightToLeft;
    } else {
        m.Mark = {0, top, markWidth, top + markHeight};
        m.TextArea = {markWidth + 2, 0, width, height};
    }
    return m;
}

// ---- Status bar and group box ----

std::vector<TRectI> StatusPanelRects(const std::vector<TRectI>& reported, int barWidth) {
    std::vector<TRectI> rects = reported;
    for (TRectI& r : rects) r.Right += 2;
    if (!rects.empty()) rects.back().Right = barWidth;
    return rects;
}

int StatusBevelFrame(int bevel) {
    switch (bevel) {
    case 1: return 1;
    case 2: return 2;
    default: return 3;
    }
}

int GroupBoxFrameTop(int textHeight) { return textHeight / 2 - 1; }

// ---- Range controls ----

int UpDownHalfState(bool disabled, bool underCursor, bool pressed, bool hot) {
    if (disabled) return 3;
    if (!underCursor) return 1;
    if (pressed) return 2;
    if (hot) return 4;
    return 1;
}

int ProgressFill(int width, int position, int high) {
    if (position <= 0 || high <= 0 || width <= 0) return 0;
    const long long filled = (static_cast<long long>(width) * position * 2 + high) / (2LL * high);
    return static_cast<int>(std::clamp<long long>(filled, 0, width));
}

int ProgressChunks(int filled, int chunkWidth) { return chunkWidth > 0 && filled > 0 ? filled / chunkWidth : 0; }

// ---- Tabs ----

int TabSide(std::uint32_t style) {
    const bool bottom = (style & 2) != 0, vertical = (style & 0x80) != 0;
    if (vertical) return bottom ? 3 : 2;
    return bottom ? 1 : 0;
}

TRectI TabCloseRect(const TRectI& tab) { return {tab.Right - 8, tab.Top + 2, tab.Right - 2, tab.Top + 8}; }

TRectI TabDisplayRect(const TRectI& adjusted, int side) {
    TRectI r{adjusted.Left - 4, adjusted.Top - 4, adjusted.Right + 4, adjusted.Bottom + 4};
    switch (side) {
    case 0: r.Top += 1; break;
    case 1: r.Bottom -= 1; break;
    case 2: r.Left += 1; break;
    default: r.Right -= 1; break;
    }
    return r;
}

std::vector<TTabSetCell> TabSetLayout(const std::vector<int>& textWidths, int firstIndex, int tabIndex, int width,
                                      int height, int startMargin, int endMargin, bool scrollerVisible) {
    std::vector<TTabSetCell> cells;
    const int limit = width - endMargin - (scrollerVisible ? 21 : 0);
    int x = startMargin;
    for (int i = std::max(firstIndex, 0); i < static_cast<int>(textWidths.size()); ++i) {
        const int w = std::max(textWidths[static_cast<std::size_t>(i)], 0) + 9;
        if (x + w > limit) break;
        cells.push_back({i, {x, 0, x + w, height}, i == tabIndex ? 2 : 1});
        x += w;
    }
    return cells;
}

// ---- Combo box ----

TRectI ComboButtonRect(int width, int height, int buttonWidth, bool leftScrollBar) {
    if (leftScrollBar) return {0, 0, std::min(buttonWidth, width), height};
    return {std::max(width - buttonWidth, 0), 0, width, height};
}

// ---- Glyph strips ----

std::vector<int> ObjImageCells(int mode, int sourceCells) {
    const bool five = sourceCells >= 5;
    switch (mode) {
    case 1: return {0, 1, five ? 4 : -1, 0, 1, five ? 4 : -1, 2, 3, five ? 4 : -1};
    case 2: return {0, 1, 0, 1, 2, 3};
    case 3: return {0, 1, five ? 4 : -1, 0, 1, five ? 4 : -1};
    default: return {};
    }
}

}  // namespace skinrules
