#include "SkinArt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace skinart {

namespace {

constexpr std::uint32_t Magenta = 0xFF00FF;

// Geometry shared by both skins. Frames: Top and Bottom stacked (active, inactive); everything
// else side by side.
const std::vector<TElement> elements = {
    {"Personality", "frame-top.bmp", "Top", 2, 120, 26, true, "TopTopHeight=40\nTopBotHeight=40\nTopFrame=2\nTopStretch=0\nTopTrans=1"},
    {"Personality", "frame-bottom.bmp", "Bottom", 2, 120, 4, true, "BottomTopHeight=6\nBottomBotHeight=6\nBottomFrame=2\nBottomStretch=0\nBottomTrans=1"},
    {"Personality", "frame-left.bmp", "Left", 2, 4, 60, false, "LeftTopHeight=4\nLeftBotHeight=4\nLeftFrame=2\nLeftStretch=0\nLeftTrans=1"},
    {"Personality", "frame-right.bmp", "Right", 2, 4, 60, false, "RightTopHeight=4\nRightBotHeight=4\nRightFrame=2\nRightStretch=0\nRightTrans=1\n"
        "TextShift=26\nTextShiftVert=0\nTextRightClip=90\nTextAlignment=0\nActiveTextR=255\nActiveTextG=255\nActiveTextB=255\n"
        "InActiveTextR=220\nInActiveTextG=228\nInActiveTextB=236"},
    {"Button.Close", "caption-close.bmp", "ButtonImage", 4, 18, 18, false, "Action=0\nAlign=1\nXcoord=24\nYcoord=4\nVisibility=0\nVisibility1=0\nframe=4"},
    {"Button.Maximize", "caption-max.bmp", "ButtonImage", 4, 18, 18, false, "Action=1\nAlign=1\nXcoord=44\nYcoord=4\nVisibility=2\nVisibility1=6\nframe=4"},
    {"Button.Restore", "caption-restore.bmp", "ButtonImage", 4, 18, 18, false, "Action=1\nAlign=1\nXcoord=44\nYcoord=4\nVisibility=1\nVisibility1=6\nframe=4"},
    {"Button.Minimize", "caption-min.bmp", "ButtonImage", 4, 18, 18, false, "Action=2\nAlign=1\nXcoord=64\nYcoord=4\nVisibility=0\nVisibility1=8\nframe=4"},
    {"Button.Icon", "caption-icon.bmp", "ButtonImage", 1, 16, 16, false, "Action=3\nAlign=0\nXcoord=5\nYcoord=5\nVisibility=0\nVisibility1=0\nframe=1"},
    {"MDICONTROLS", "mdicontrols.bmp", "Image", 12, 16, 14, false, ""},
    {"Buttons", "buttons.bmp", "Bitmap", 5, 24, 22, false,
     "LeftWidth=4\nRightWidth=4\nTopHeight=4\nBottomHeight=4\nTrans=1\nTile=0\nNormalColour2=31,45,61\n"
     "MouseOverColour2=18,60,110\nPressedColour2=12,40,80"},
    {"Buttons", "checkbox.bmp", "CheckButton", 4, 13, 13, false, "CheckButtonFrame=4"},
    {"Buttons", "radiobutton.bmp", "RadioButton", 4, 13, 13, false, "RadioButtonFrame=4"},
    {"Tabs", "tabs.bmp", "Image", 5, 24, 22, false, "Style=0\nLeftWidth=4\nRightWidth=4\nTopHeight=4\nBottomHeight=2\nTrans=1\nTile=0"},
    {"Tabs", "tabborder.bmp", "Border", 1, 24, 24, false, ""},
    {"Tab.Pane", "tabpane.bmp", "Image", 1, 24, 24, false, "LeftWidth=2\nRightWidth=2\nTopHeight=2\nBottomHeight=2"},
    {"StatusBarEdges", "statusbar.bmp", "Image", 3, 16, 18, false, "LeftWidth=2\nRightWidth=2\nTopHeight=2\nBottomHeight=2\nNormalColour=0x3D2D1F"},
    {"ExtraImages", "extraimages.bmp", "Image", 5, 16, 16, false, "Trans=1"},
    {"ComboButton", "combobutton.bmp", "Image", 4, 17, 21, false, "Style=0\nLeftWidth=2\nRightWidth=2\nTopHeight=2\nBottomHeight=2\nTrans=1"},
    {"SunkEdge", "sunkedge.bmp", "Image", 4, 12, 12, false, "LeftWidth=2\nRightWidth=2\nTopHeight=2\nBottomHeight=2\nTrans=1"},
    {"Progress", "progress.bmp", "Bitmap", 2, 16, 16, false, "Style=0\nLeftWidth=2\nRightWidth=2\nTopHeight=2\nBottomHeight=2\nTrans=0\nTile=0"},
    {"Progress.Chunk", "progresschunk.bmp", "Image", 1, 10, 14, false, "Frame=1\nLeftWidth=1\nRightWidth=1\nTopHeight=1\nBottomHeight=1"},
    {"MenuItem", "menuitem.bmp", "Image", 5, 20, 20, false, "LeftWidth=3\nRightWidth=3\nTopHeight=3\nBottomHeight=3\nTrans=0\nTile=0"},
    {"MenuBackground", "menubackground.bmp", "Image", 1, 24, 24, false, "LeftWidth=3\nRightWidth=3\nTopHeight=3\nBottomHeight=3\nTile=0"},
    {"ToolBars", "toolbars.bmp", "Image", 5, 24, 22, false, "LeftWidth=3\nRightWidth=3\nTopHeight=3\nBottomHeight=3\nTrans=1"},
    {"GroupBox", "groupbox.bmp", "Image", 1, 24, 24, false, "LeftWidth=4\nRightWidth=4\nTopHeight=4\nBottomHeight=4"},
    {"GroupBoxEdge", "groupboxedge.bmp", "Image", 2, 24, 24, false, "LeftWidth=4\nRightWidth=4\nTopHeight=4\nBottomHeight=4"},
    {"Scrollbar", "scrollbararrows.bmp", "Image", 23, 16, 16, false, ""},
    {"HorzScroll", "horzscroll.bmp", "Image", 4, 24, 16, false, "LeftWidth=2\nRightWidth=2"},
    {"VertScroll", "vertscroll.bmp", "Image", 4, 16, 24, false, "TopHeight=2\nBottomHeight=2"},
    {"HorzScrollThumb", "horzthumb.bmp", "Image", 3, 24, 16, false, "FrameCount=3\nLeftWidth=3\nRightWidth=3"},
    {"VertScrollThumb", "vertthumb.bmp", "Image", 3, 16, 24, false, "FrameCount=3\nTopHeight=3\nBottomHeight=3"},
    {"Headerbar", "headerbar.bmp", "Image", 5, 24, 20, false, "Frame=5\nLeftWidth=2\nRightWidth=2\nTopHeight=2\nBottomHeight=2"},
    {"UpDown.Horz", "updownhorz.bmp", "Image", 8, 16, 16, false, "Trans=1"},
    {"UpDown.Vert", "updownvert.bmp", "Image", 8, 16, 16, false, "Trans=1"},
    {"Trackbar.ThumbHorz", "trackthumbhorz.bmp", "Image", 5, 11, 20, false, "Trans=1"},
    {"Trackbar.ThumbVert", "trackthumbvert.bmp", "Image", 5, 20, 11, false, "Trans=1"},
    {"Track", "track.bmp", "Image", 1, 20, 6, false, "Frame=1\nLeftWidth=3\nRightWidth=3\nTopHeight=3\nBottomHeight=3"},
    {"TRACKVERT", "trackvert.bmp", "Image", 1, 6, 20, false, "Frame=1\nLeftWidth=3\nRightWidth=3\nTopHeight=3\nBottomHeight=3"},
    {"Personality", "menubar.bmp", "menuBar", 2, 40, 19, true, "TileMenu=1\nTileLeftMenu=4\nTileRightMenu=4"},
};

// ---- A small canvas ----

struct TImage {
    int W = 0;
    int H = 0;
    std::vector<std::uint32_t> Px;  // 0xRRGGBB, top row first

    TImage(int w, int h, std::uint32_t c) : W(w), H(h), Px(static_cast<std::size_t>(w) * h, c) {}
    void Set(int x, int y, std::uint32_t c) {
        if (x >= 0 && y >= 0 && x < W && y < H) Px[static_cast<std::size_t>(y) * W + x] = c;
    }
    void Fill(int x0, int y0, int x1, int y1, std::uint32_t c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Set(x, y, c);
    }
    void Frame(int x0, int y0, int x1, int y1, std::uint32_t c) {
        Fill(x0, y0, x1, y0 + 1, c);
        Fill(x0, y1 - 1, x1, y1, c);
        Fill(x0, y0, x0 + 1, y1, c);
        Fill(x1 - 1, y0, x1, y1, c);
    }
};

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
    auto ch = [&](int shift) {
        const double va = (a >> shift) & 0xFF, vb = (b >> shift) & 0xFF;
        return static_cast<std::uint32_t>(std::lround(va + (vb - va) * t)) << shift;
    };
    return ch(16) | ch(8) | ch(0);
}

void VerticalGradient(TImage& im, int x0, int y0, int x1, int y1, std::uint32_t top, std::uint32_t bottom) {
    for (int y = y0; y < y1; ++y) {
        const double t = y1 - y0 > 1 ? static_cast<double>(y - y0) / (y1 - y0 - 1) : 0;
        im.Fill(x0, y, x1, y + 1, Mix(top, bottom, t));
    }
}

// Magenta corner pixels, so that rounded shapes draw transparently.
void RoundCorners(TImage& im, int x0, int y0, int x1, int y1, bool top, bool bottom) {
    for (int i = 0; i < 2; ++i) {
        const int len = i == 0 ? 2 : 1;
        if (top) {
            im.Fill(x0, y0 + i, x0 + len, y0 + i + 1, Magenta);
            im.Fill(x1 - len, y0 + i, x1, y0 + i + 1, Magenta);
        }
        if (bottom) {
            im.Fill(x0, y1 - 1 - i, x0 + len, y1 - i, Magenta);
            im.Fill(x1 - len, y1 - 1 - i, x1, y1 - i, Magenta);
        }
    }
}

// A small filled triangle pointing in direction d (0 left, 1 right, 2 up, 3 down), centred in the cell.
void Arrow(TImage& im, int x0, int y0, int w, int h, int d, std::uint32_t c) {
    const int cx = x0 + w / 2, cy = y0 + h / 2;
    for (int i = 0; i < 4; ++i) {
        for (int j = -i; j <= i; ++j) {
            switch (d) {
            case 0: im.Set(cx - 2 + i, cy + j, c); break;
            case 1: im.Set(cx + 1 - i, cy + j, c); break;
            case 2: im.Set(cx + j, cy - 2 + i, c); break;
            default: im.Set(cx + j, cy + 1 - i, c); break;
            }
        }
    }
}

// ---- The calm look: blue-grey frames, light faces, dark readable text ----

constexpr std::uint32_t CaptionTop = 0x3F6E9E, CaptionBottom = 0x2E5A86;
constexpr std::uint32_t InactiveTop = 0x8A9AAB, InactiveBottom = 0x7A8A9B;
constexpr std::uint32_t Face = 0xEEF1F5, FaceDark = 0xD5DCE5, Line = 0x8C9BAD, Accent = 0x3F6E9E;
constexpr std::uint32_t Text = 0x1F2D3D, Disabled = 0xA0A8B2, White = 0xFFFFFF;

// State tints for frames 1.. of a control cell: normal, pressed, disabled, hot, focused.
std::uint32_t StateFace(int frame) {
    switch (frame) {
    case 2: return 0xC9D6E5;
    case 3: return 0xE4E7EB;
    case 4: return 0xDCE8F6;
    default: return 0xF7F9FB;
    }
}

void DrawButtonCell(TImage& im, int x0, int w, int h, int frame, bool round) {
    const std::uint32_t top = frame == 2 ? 0xBFCDDD : White;
    const std::uint32_t bottom = StateFace(frame);
    VerticalGradient(im, x0, 0, x0 + w, h, top, bottom);
    im.Frame(x0, 0, x0 + w, h, frame == 3 ? Disabled : (frame == 5 || frame == 4) ? Accent : Line);
    if (frame == 5) im.Frame(x0 + 1, 1, x0 + w - 1, h - 1, 0x9DB8D6);
    if (round) RoundCorners(im, x0, 0, x0 + w, h, true, true);
}

void DrawCaptionButton(TImage& im, int x0, int w, int h, int frame, const std::string& glyph) {
    const std::uint32_t base = frame == 4 ? InactiveTop : frame == 2 ? 0x244A70 : frame == 3 ? 0x5B8CBE : CaptionTop;
    im.Fill(x0, 0, x0 + w, h, base);
    im.Frame(x0, 0, x0 + w, h, frame == 4 ? 0x9AA9B8 : 0x6F94BA);
    RoundCorners(im, x0, 0, x0 + w, h, true, true);
    const std::uint32_t g = White;
    if (glyph == "close") {
        for (int i = 0; i < 8; ++i) {
            im.Set(x0 + 5 + i, 5 + i, g);
            im.Set(x0 + 6 + i, 5 + i, g);
            im.Set(x0 + 12 - i, 5 + i, g);
            im.Set(x0 + 13 - i, 5 + i, g);
        }
    } else if (glyph == "max") {
        im.Frame(x0 + 4, 4, x0 + 14, 14, g);
        im.Fill(x0 + 4, 5, x0 + 14, 6, g);
    } else if (glyph == "restore") {
        im.Frame(x0 + 7, 3, x0 + 15, 10, g);
        im.Fill(x0 + 4, 7, x0 + 12, 15, base);
        im.Frame(x0 + 4, 7, x0 + 12, 15, g);
    } else if (glyph == "min") {
        im.Fill(x0 + 5, 12, x0 + 13, 14, g);
    }
}

void DrawCalm(const TElement& e, TImage& im) {
    const std::string file = e.File;
    const int w = e.CellWidth, h = e.CellHeight;
    for (int f = 1; f <= e.Frames; ++f) {
        const int x0 = e.Stacked ? 0 : w * (f - 1);
        const int y0 = e.Stacked ? h * (f - 1) : 0;
        const bool active = f == 1;
        if (file == "frame-top.bmp") {
            VerticalGradient(im, 0, y0, w, y0 + h, active ? CaptionTop : InactiveTop, active ? CaptionBottom : InactiveBottom);
            im.Fill(0, y0, w, y0 + 1, active ? 0x23476D : 0x6C7B8B);
            for (int i = 0; i < 3; ++i) im.Fill(0, y0 + i, 3 - i, y0 + i + 1, Magenta), im.Fill(w - 3 + i, y0 + i, w, y0 + i + 1, Magenta);
        } else if (file == "frame-bottom.bmp" || file == "frame-left.bmp" || file == "frame-right.bmp") {
            im.Fill(x0, y0, x0 + (e.Stacked ? w : w), y0 + h, active ? CaptionBottom : InactiveBottom);
            if (file == "frame-bottom.bmp") im.Fill(0, y0 + h - 1, w, y0 + h, active ? 0x23476D : 0x6C7B8B);
            if (file == "frame-left.bmp") im.Fill(x0, 0, x0 + 1, h, active ? 0x23476D : 0x6C7B8B);
            if (file == "frame-right.bmp") im.Fill(x0 + w - 1, 0, x0 + w, h, active ? 0x23476D : 0x6C7B8B);
        } else if (file.rfind("caption-", 0) == 0) {
            const std::string glyph = file.substr(8, file.size() - 12);
            if (glyph == "icon") {
                im.Fill(x0, 0, x0 + w, h, Magenta);
                im.Fill(x0 + 2, 3, x0 + 14, 13, White);
                im.Frame(x0 + 2, 3, x0 + 14, 13, 0x23476D);
                im.Fill(x0 + 4, 5, x0 + 8, 10, Accent);
                im.Fill(x0 + 9, 6, x0 + 13, 7, Line);
                im.Fill(x0 + 9, 8, x0 + 13, 9, Line);
            } else {
                DrawCaptionButton(im, x0, w, h, f, glyph);
            }
        } else if (file == "mdicontrols.bmp") {
            static const char* glyphs[] = {"min", "restore", "close"};
            DrawCaptionButton(im, x0, w, h, (f - 1) % 4 + 1, glyphs[(f - 1) / 4]);
        } else if (file == "buttons.bmp" || file == "toolbars.bmp") {
            DrawButtonCell(im, x0, w, h, f, true);
        } else if (file == "checkbox.bmp" || file == "radiobutton.bmp") {
            const bool checked = f == 2 || f == 4;
            const bool grey = f >= 3;
            const bool radio = file == "radiobutton.bmp";
            im.Fill(x0, 0, x0 + w, h, radio ? Magenta : (grey ? 0xF0F2F4 : White));
            if (radio) {
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const double d = std::hypot(x - 6.0, y - 6.0);
                        if (d <= 6.2) im.Set(x0 + x, y, d > 5.2 ? (grey ? Disabled : Line) : (grey ? 0xF0F2F4 : White));
                        if (checked && d <= 2.6) im.Set(x0 + x, y, grey ? Disabled : Accent);
                    }
            } else {
                im.Frame(x0, 0, x0 + w, h, grey ? Disabled : Line);
                if (checked)
                    for (int i = 0; i < 3; ++i) {
                        const std::uint32_t c = grey ? Disabled : Accent;
                        for (int k = 0; k < 3; ++k) im.Set(x0 + 3 + k, 5 + k + i, c);
                        for (int k = 0; k < 5; ++k) im.Set(x0 + 6 + k, 7 - k + i, c);
                    }
            }
        } else if (file == "tabs.bmp") {
            VerticalGradient(im, x0, 0, x0 + w, h, f == 2 ? White : 0xF4F6F9, f == 2 ? Face : FaceDark);
            im.Frame(x0, 0, x0 + w, h + 1, Line);
            if (f == 2) im.Fill(x0 + 1, 0, x0 + w - 1, 2, Accent);
            RoundCorners(im, x0, 0, x0 + w, h, true, false);
        } else if (file == "tabborder.bmp" || file == "tabpane.bmp" || file == "groupbox.bmp" || file == "groupboxedge.bmp" ||
                   file == "menubackground.bmp") {
            im.Fill(x0, 0, x0 + w, h, file == "menubackground.bmp" ? 0xFAFBFC : Face);
            im.Frame(x0, 0, x0 + w, h, f == 2 ? FaceDark : Line);
        } else if (file == "statusbar.bmp") {
            im.Fill(x0, 0, x0 + w, h, Face);
            if (f == 1) im.Frame(x0, 0, x0 + w, h, 0xB5C0CC);
            if (f == 2) im.Frame(x0, 0, x0 + w, h, White);
        } else if (file == "extraimages.bmp") {
            im.Fill(x0, 0, x0 + w, h, Magenta);
            if (f <= 4) Arrow(im, x0, 0, w, h, 3, f == 3 ? Disabled : f == 2 ? 0x23476D : f == 4 ? Accent : Text);
            else
                for (int i = 0; i < 3; ++i)
                    for (int k = 0; k <= i; ++k) im.Fill(x0 + 12 - 4 * k, 4 + 4 * i, x0 + 14 - 4 * k, 6 + 4 * i, Line);
        } else if (file == "combobutton.bmp") {
            DrawButtonCell(im, x0, w, h, f == 4 ? 4 : f, false);
        } else if (file == "sunkedge.bmp") {
            // Only the edge: the middle (magenta) leaves the field's own text and colour.
            im.Fill(x0, 0, x0 + w, h, Magenta);
            im.Frame(x0, 0, x0 + w, h, f == 3 ? Disabled : (f == 2 || f == 4) ? Accent : Line);
            im.Frame(x0 + 1, 1, x0 + w - 1, h - 1, f == 3 ? 0xF4F5F7 : White);
        } else if (file == "progress.bmp") {
            if (f == 1) {
                im.Fill(x0, 0, x0 + w, h, White);
                im.Frame(x0, 0, x0 + w, h, Line);
            } else {
                VerticalGradient(im, x0, 0, x0 + w, h, 0x7FB07A, 0x4E8A49);
            }
        } else if (file == "progresschunk.bmp") {
            VerticalGradient(im, x0, 0, x0 + w, h, 0x7FB07A, 0x4E8A49);
            im.Frame(x0, 0, x0 + w, h, White);
        } else if (file == "menuitem.bmp") {
            im.Fill(x0, 0, x0 + w, h, 0xFAFBFC);
            if (f == 4) {
                im.Fill(x0, 0, x0 + w, h, 0xDCE8F6);
                im.Frame(x0, 0, x0 + w, h, 0x9DB8D6);
            }
            if (f == 1) im.Fill(x0 + 2, h / 2, x0 + w - 2, h / 2 + 1, FaceDark);
        } else if (file == "scrollbararrows.bmp") {
            // Arrows: left 1, right 5, up 9, down 13 (+1 pressed, +3 hot); grips 17.. and 20..
            const int group = (f - 1) / 4;
            const int state = (f - 1) % 4 + 1;
            DrawButtonCell(im, x0, w, h, f >= 17 ? ((f - 17) % 3 == 1 ? 2 : (f - 17) % 3 == 2 ? 4 : 1) : state == 4 ? 4 : state, false);
            if (f < 17) Arrow(im, x0, 0, w, h, group, state == 3 ? Disabled : Text);
        } else if (file == "horzscroll.bmp" || file == "vertscroll.bmp") {
            im.Fill(x0, 0, x0 + w, h, f == 3 ? 0xF0F2F4 : 0xE6EAEF);
        } else if (file == "horzthumb.bmp" || file == "vertthumb.bmp" || file == "headerbar.bmp") {
            DrawButtonCell(im, x0, w, h, f == 2 ? 2 : f == 3 ? 4 : f, false);
        } else if (file == "updownhorz.bmp" || file == "updownvert.bmp") {
            DrawButtonCell(im, x0, w, h, (f - 1) % 4 + 1, false);
            Arrow(im, x0, 0, w, h, file == "updownhorz.bmp" ? (f <= 4 ? 0 : 1) : (f <= 4 ? 2 : 3), Text);
        } else if (file == "trackthumbhorz.bmp" || file == "trackthumbvert.bmp") {
            DrawButtonCell(im, x0, w, h, f, true);
        } else if (file == "track.bmp" || file == "trackvert.bmp") {
            im.Fill(x0, 0, x0 + w, h, White);
            im.Frame(x0, 0, x0 + w, h, Line);
        } else {
            im.Fill(x0, y0, x0 + w, y0 + h, Face);
        }
    }
}

void DrawProbe(int index, const TElement& e, TImage& im) {
    for (int f = 1; f <= e.Frames; ++f) {
        const int x0 = e.Stacked ? 0 : e.CellWidth * (f - 1);
        const int y0 = e.Stacked ? e.CellHeight * (f - 1) : 0;
        im.Fill(x0, y0, x0 + e.CellWidth, y0 + e.CellHeight, ProbeColour(index, f));
    }
}

std::vector<std::uint8_t> Bmp(const TImage& im) {
    const int stride = (im.W * 3 + 3) & ~3;
    const std::uint32_t pixels = static_cast<std::uint32_t>(stride * im.H);
    std::vector<std::uint8_t> out;
    auto u16 = [&](std::uint32_t v) { out.push_back(v & 0xFF); out.push_back((v >> 8) & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    out.push_back('B');
    out.push_back('M');
    u32(54 + pixels);
    u32(0);
    u32(54);
    u32(40);
    u32(static_cast<std::uint32_t>(im.W));
    u32(static_cast<std::uint32_t>(im.H));  // bottom-up
    u16(1);
    u16(24);
    u32(0);
    u32(pixels);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int y = im.H - 1; y >= 0; --y) {
        for (int x = 0; x < im.W; ++x) {
            const std::uint32_t c = im.Px[static_cast<std::size_t>(y) * im.W + x];
            out.push_back(c & 0xFF);
            out.push_back((c >> 8) & 0xFF);
            out.push_back((c >> 16) & 0xFF);
        }
        for (int p = im.W * 3; p < stride; ++p) out.push_back(0);
    }
    return out;
}

// Class-library colour values: red in the low byte.
std::string Colour(std::uint32_t rgb) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16));
    return text;
}

std::string Ini(bool probe) {
    std::string text = "; Vestrel's own skin, drawn by resources/skin/SkinArt.cpp\r\n";
    text += "[TitlebarSkin]\r\nSkinName=" + std::string(probe ? "Vestrel probe" : "Vestrel calm") + "\r\n\r\n";
    text += "[Fonts]\r\nFontHeight=14\r\n\r\n";
    text += "[Colours]\r\n";
    const std::pair<const char*, std::uint32_t> colours[] = {
        {"WindowText", Text}, {"ButtonFace", Face}, {"Scrollbar", 0xE6EAEF}, {"HilightText", White},
        {"Hilight", Accent}, {"Menubar", Face}, {"Menu", 0xFAFBFC}, {"MenuText", Text}, {"ButtonText", Text},
        {"ButtonHilight", White}, {"Buttonlight", 0xF7F9FB}, {"ButtonShadow", Line}, {"ButtonDkShadow", 0x4A5868},
        {"MenuBarText", Text}, {"TitleTextActive", White}, {"TitleTextNoActive", 0xDCE4EC},
    };
    for (const auto& [key, rgb] : colours) text += std::string(key) + "=" + Colour(rgb) + "\r\n";
    std::map<std::string, std::string> sections;
    std::vector<std::string> order;
    for (const TElement& e : elements) {
        if (!sections.count(e.Section)) order.push_back(e.Section);
        std::string& body = sections[e.Section];
        body += std::string(e.ImageKey) + "=" + e.File + "\r\n";
        std::string keys = e.Keys;
        for (std::size_t p = 0; p < keys.size();) {
            const std::size_t end = std::min(keys.find('\n', p), keys.size());
            if (end > p) body += keys.substr(p, end - p) + "\r\n";
            p = end + 1;
        }
    }
    for (const std::string& name : order) text += "\r\n[" + name + "]\r\n" + sections[name];
    return text;
}

// A sunken channel: dark upper-left edge, light lower-right edge, a light inside.
TImage Channel(int w, int h) {
    TImage im(w, h, EngineTrackColour);
    im.Fill(0, 0, w, 1, Line);
    im.Fill(0, 0, 1, h, Line);
    im.Fill(0, h - 1, w, h, White);
    im.Fill(w - 1, 0, w, h, White);
    return im;
}

TImage MenuGlyphs() {
    TImage im(64, 16, White);
    const std::uint32_t c = EngineGlyphColour;
    // restore: two overlapping windows
    im.Frame(6, 3, 13, 9, c);
    im.Fill(6, 3, 13, 5, c);
    im.Fill(3, 6, 10, 13, White);
    im.Frame(3, 6, 10, 13, c);
    im.Fill(3, 6, 10, 8, c);
    // maximise: one window with a thick top
    im.Frame(16 + 3, 3, 16 + 13, 13, c);
    im.Fill(16 + 3, 3, 16 + 13, 5, c);
    // minimise: a bar at the bottom
    im.Fill(32 + 4, 10, 32 + 11, 12, c);
    // close: a cross
    for (int i = 0; i < 8; ++i) {
        im.Fill(48 + 4 + i, 4 + i, 48 + 6 + i, 5 + i, c);
        im.Fill(48 + 10 - i, 4 + i, 48 + 12 - i, 5 + i, c);
    }
    return im;
}

}  // namespace

const std::vector<TElement>& Elements() { return elements; }

std::vector<TFile> DrawEngineBitmaps() {
    return {{"TRACK.bmp", Bmp(Channel(20, 6))}, {"TRACKVERT.bmp", Bmp(Channel(6, 20))}, {"LUMORAMENU.bmp", Bmp(MenuGlyphs())}};
}

std::vector<TFile> DrawSkin(bool probe) {
    std::vector<TFile> files;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const TElement& e = elements[i];
        TImage im(e.Stacked ? e.CellWidth : e.CellWidth * e.Frames, e.Stacked ? e.CellHeight * e.Frames : e.CellHeight, Face);
        if (probe) DrawProbe(static_cast<int>(i), e, im);
        else DrawCalm(e, im);
        files.push_back({e.File, Bmp(im)});
    }
    const std::string ini = Ini(probe);
    files.push_back({"skin.ini", std::vector<std::uint8_t>(ini.begin(), ini.end())});
    return files;
}

}  // namespace skinart
