// The program's own skins as the build draws and packs them: they unpack whole, and their ini
// names a bitmap for every element the skin engine reads.
#include "SkinArchive.h"
#include "SkinArt.h"
#include "SkinIni.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct TLoaded {
    TSkinReader Reader;
    TQuickIni Ini;
};

void LoadSkin(const char* file, TLoaded& skin) {
    TMemoryStream archive;
    archive.LoadFromFile(String(VESTREL_SKIN_DIR) + "/" + file);
    ASSERT_TRUE(skin.Reader.LoadSkin(&archive));
    TMemoryStream ini;
    String name;
    skin.Reader.FindEntry(".ini", &ini, name);
    ASSERT_EQ(name, "skin.ini");
    skin.Ini.LoadFromStream(&ini);
}

TEST(OwnSkin, UnpacksWholeAndNamesEveryElement) {
    for (const char* file : {"calm.skn", "probe.skn"}) {
        SCOPED_TRACE(file);
        TLoaded skin;
        LoadSkin(file, skin);
        EXPECT_EQ(skin.Reader.Header[0], 20000);
        std::int64_t sum = 0;
        for (std::int32_t size : skin.Reader.Sizes) sum += size;
        EXPECT_EQ(sum, skin.Reader.Data->Size());
        EXPECT_EQ(skin.Reader.Count, static_cast<int>(skinart::Elements().size()) + 1);

        for (const skinart::TElement& e : skinart::Elements()) {
            SCOPED_TRACE(e.Section);
            const String value = skin.Ini.ReadString(e.Section, e.ImageKey, "");
            ASSERT_EQ(value, e.File);
            ASSERT_EQ(value.substr(value.size() - 4), ".bmp");
            TMemoryStream bitmap;
            skin.Reader.GetEntry(value, &bitmap);
            ASSERT_GT(bitmap.Size(), 54);
            const auto* b = static_cast<const std::uint8_t*>(bitmap.Memory());
            EXPECT_EQ(b[0], 'B');
            EXPECT_EQ(b[28], 24) << "bits per pixel";
            const int width = b[18] | b[19] << 8, height = b[22] | b[23] << 8;
            EXPECT_EQ(width, e.Stacked ? e.CellWidth : e.CellWidth * e.Frames);
            EXPECT_EQ(height, e.Stacked ? e.CellHeight * e.Frames : e.CellHeight);
        }
        // The colour table and the caption font.
        for (const char* key : {"WindowText", "ButtonFace", "Scrollbar", "HilightText", "Hilight", "Menubar", "Menu",
                                "MenuText", "ButtonText", "ButtonHilight", "Buttonlight", "ButtonShadow",
                                "ButtonDkShadow", "MenuBarText", "TitleTextActive", "TitleTextNoActive"})
            EXPECT_NE(skin.Ini.ReadInteger("Colours", key, -1), -1) << key;
        EXPECT_EQ(skin.Ini.ReadInteger("Fonts", "FontHeight", 0), 14);
    }
}

TEST(OwnSkin, ProbeFramesAreDistinctFlatColours) {
    std::set<std::uint32_t> seen;
    for (std::size_t i = 0; i < skinart::Elements().size(); ++i)
        for (int f = 1; f <= skinart::Elements()[i].Frames; ++f) {
            const std::uint32_t c = skinart::ProbeColour(static_cast<int>(i), f);
            EXPECT_NE(c, 0xFF00FFu);
            EXPECT_TRUE(seen.insert(c).second) << i << " " << f;
        }

    TLoaded skin;
    LoadSkin("probe.skn", skin);
    // The first pixel row of the buttons strip (bottom-up: the last row in the file) holds the
    // five frames' colours, one after the other.
    std::size_t index = 0;
    while (String(skinart::Elements()[index].File) != "buttons.bmp") ++index;
    const skinart::TElement& e = skinart::Elements()[index];
    TMemoryStream bitmap;
    skin.Reader.GetEntry("buttons.bmp", &bitmap);
    const auto* b = static_cast<const std::uint8_t*>(bitmap.Memory());
    for (int f = 1; f <= e.Frames; ++f) {
        const std::uint8_t* px = b + 54 + 3 * (e.CellWidth * (f - 1) + e.CellWidth / 2);
        const std::uint32_t rgb = static_cast<std::uint32_t>(px[2]) << 16 | px[1] << 8 | px[0];
        EXPECT_EQ(rgb, skinart::ProbeColour(static_cast<int>(index), f)) << f;
    }
}

}  // namespace
