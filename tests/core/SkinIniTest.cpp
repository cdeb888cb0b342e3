// The skin ini reader: which lines count, how sections and keys are found, and integer values.
#include "SkinIni.h"

#include "Streams.h"

#include <gtest/gtest.h>

namespace {

TEST(SkinIni, LinesAndSections) {
    TQuickIni ini;
    ini.LoadFromText("  key=above\r\n; comment\r\n\r\n[Colours]\rButtonFace = 1\n\n[ Spaced ]\r\n"
                     "[Buttons]\r\nBitmap=buttons.bmp\0[Hidden]\r\nx=1\r\n");
    // Comments and blank lines take no index; NUL ends the text; CR, LF and CR LF end one line each.
    ASSERT_EQ(ini.Lines->Count(), 6);
    EXPECT_EQ(ini.Lines->Get(0), "key=above");
    EXPECT_EQ(ini.Lines->Get(1), "[Colours]");
    EXPECT_EQ(ini.Lines->Get(2), "ButtonFace = 1");
    EXPECT_EQ(ini.SectionIndex("colours"), 1);
    EXPECT_EQ(ini.SectionIndex("COLOURS"), 1);
    EXPECT_EQ(ini.SectionIndex("Spaced"), -1);
    EXPECT_EQ(ini.SectionIndex(" Spaced "), 3);
    EXPECT_EQ(ini.SectionIndex("Hidden"), -1);

    TStringList names;
    names.Add("stale");
    ini.ReadSections(&names);
    ASSERT_EQ(names.Count(), 3);
    EXPECT_EQ(names.Get(0), "Colours");
    EXPECT_EQ(names.Get(1), "Spaced");
    EXPECT_EQ(names.Get(2), "Buttons");
}

TEST(SkinIni, Lookups) {
    TQuickIni ini;
    ini.LoadFromText(
        "top=1\r\n"
        "[Tabs]\r\nImage = a.bmp\r\nimage=b.bmp\r\nEmpty=\r\nEmpty=late\r\nQuoted = \" a = b \"\r\n"
        "Hex=0xFF00\r\nDollar=$10\r\nBareHex=0x\r\nMixed=12ab\r\nNeg=-5\r\nBlank= \r\n"
        "[Tabs]\r\nOnlyInSecond=1\r\n"
        "[Other]\r\nImage=c.bmp\r\n");
    struct StringCase {
        const char* name;
        const char* section;
        const char* key;
        const char* expected;
    } strings[] = {
        {"the first key line wins, keys ignore case", "Tabs", "IMAGE", "a.bmp"},
        {"an empty first value stops the search", "Tabs", "Empty", "dflt"},
        {"inner blanks, quotes and = are kept", "Tabs", "Quoted", "\" a = b \""},
        {"a key above the first section is never found", "", "top", "dflt"},
        {"the first of equal headers wins", "tabs", "OnlyInSecond", "dflt"},
        {"the next header ends the section", "Tabs", "Image", "a.bmp"},
        {"another section", "Other", "image", "c.bmp"},
        {"missing section", "Nope", "Image", "dflt"},
        {"missing key", "Tabs", "Nope", "dflt"},
    };
    for (const StringCase& c : strings) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "dflt"), c.expected);
    }
    struct IntegerCase {
        const char* key;
        int expected;
    } integers[] = {
        {"Hex", 0xFF00}, {"Dollar", 16}, {"BareHex", -1}, {"Mixed", -1}, {"Neg", -5}, {"Blank", -1}, {"Nope", -1},
    };
    for (const IntegerCase& c : integers) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ini.ReadInteger("Tabs", c.key, -1), c.expected);
    }
}

TEST(SkinIni, StreamFromItsPositionAndHelpers) {
    TMemoryStream stream;
    const std::string text = "junk[A]\r\nk=v\r\n";
    stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    stream.SetPosition(4);
    TQuickIni ini;
    ini.LoadFromStream(&stream);
    EXPECT_EQ(ini.ReadString("A", "k", ""), "v");
    ini.LoadFromStream(nullptr);
    EXPECT_EQ(ini.Lines->Count(), 2);

    EXPECT_FALSE(TQuickIni::IsSection(""));
    EXPECT_TRUE(TQuickIni::IsSection("  [x] "));
    EXPECT_EQ(TQuickIni::KeyOf(" Left Width = 3"), "left width");
    EXPECT_EQ(TQuickIni::KeyOf("no equals"), "");
    EXPECT_EQ(TQuickIni::ValueOf("a=1", ""), "");
    EXPECT_EQ(TQuickIni::ValueOf("a=1", "b"), "");
    EXPECT_EQ(TQuickIni::ValueOf("A = 1 ", "a"), "1");
}

}  // namespace
