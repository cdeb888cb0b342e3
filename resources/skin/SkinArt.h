// The program's own skins, drawn by a build-time tool: the calm skin the program carries, and a
// probe skin in which every frame of every element is one flat colour of its own, so that a test
// can tell from a pixel which element and which frame was drawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skinart {

// One skin element as the ini names it: its section, its bitmap and the layout of its frames.
struct TElement {
    const char* Section;
    const char* File;      // the bitmap's entry name
    const char* ImageKey;  // the ini key that names the bitmap
    int Frames;
    int CellWidth;
    int CellHeight;
    bool Stacked;          // frames one above the other
    const char* Keys;      // further "key=value" lines of the section, separated by '\n'
};

const std::vector<TElement>& Elements();

// The probe colour (0xRRGGBB) of frame `frame` (1-based) of element `index` in Elements().
// Never magenta, and distinct for every element and frame.
inline std::uint32_t ProbeColour(int index, int frame) {
    return static_cast<std::uint32_t>((16 + 4 * index) << 16 | (5 + 10 * frame) << 8 | 0x80);
}

struct TFile {
    std::string Name;
    std::vector<std::uint8_t> Bytes;
};

// Every bitmap (24-bit BMP) and the ini text of a skin.
std::vector<TFile> DrawSkin(bool probe);

// The skin engine's own bitmaps, carried as the program's resources: "TRACK.bmp" and
// "TRACKVERT.bmp" (the channels of a skin without them) and "LUMORAMENU.bmp" (the system menu's
// glyphs, 16 x 16 on white: restore, maximise, minimise, close).
std::vector<TFile> DrawEngineBitmaps();
// The colour of the engine's channel pictures' inside, and of the menu glyphs' strokes.
constexpr std::uint32_t EngineTrackColour = 0xF7F9FB;
constexpr std::uint32_t EngineGlyphColour = 0x1F2D3D;

}  // namespace skinart
