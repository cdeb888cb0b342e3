// The skin component: skins read from its stored property, ini snippets against element fields,
// the colour parser, the form-skin question and what Loaded does with an empty or damaged skin.
#include "AppSkinData.h"

#include "SkinArchive.h"
#include "SkinArchiveWriter.h"
#include "SkinArt.h"

#include "AppTestSupport.h"
#include "FormReader.h"
#include "TestControls.h"
#include "U_Data.h"
#include "U_Main.h"
#include "U_login.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TFree {
    void operator()(TComponent* c) const { c->Free(); }
};
using TSkinDataPtr = std::unique_ptr<TSkinData, TFree>;

Bytes BmpBytes(int w, int h, TColor colour) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    RECT r{0, 0, w, h};
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour));
    FillRect(b.Canvas()->Handle(), &r, brush);
    DeleteObject(brush);
    GdiFlush();
    return b.SaveToData();
}

// An archive of a few bitmaps and the given ini text.
Bytes ArchiveWith(const std::string& ini) {
    return PackSkinArchive({
        {"a.bmp", BmpBytes(60, 20, 0x0000FF)},
        {"b.bmp", BmpBytes(130, 20, 0x00FF00)},
        {"c.bmp", BmpBytes(24, 12, 0xFF0000)},
        {"top.bmp", BmpBytes(30, 20, 0x123456)},
        {"skin.ini", Bytes(ini.begin(), ini.end())},
    });
}

String Hex(const Bytes& archive) {
    static const char digits[] = "0123456789ABCDEF";
    Bytes value(4);
    const auto n = static_cast<std::uint32_t>(archive.size());
    for (int i = 0; i < 4; ++i) value[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
    value.insert(value.end(), archive.begin(), archive.end());
    String text;
    for (std::uint8_t b : value) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// A form holding one skin component with the archive stored, read as the program reads forms.
std::unique_ptr<TComponent, TFree> ReadHolder(const Bytes& archive, const String& more = "") {
    RegisterSkinClasses();
    std::unique_ptr<TComponent, TFree> root(New<TComponent>(nullptr));
    ReadForm(root.get(),
             "object Holder: TComponent\n  object SkinData1: TSkinData\n    Active = True\n" + more +
                 "    SkinStream = {" + Hex(archive) + "}\n  end\nend\n",
             "holder.txt");
    return root;
}

TSkinData* SkinOf(TComponent* root) { return static_cast<TSkinData*>(root->FindComponent("SkinData1")); }

TSkinDataPtr Parsed(const std::string& ini) {
    TSkinDataPtr skin(New<TSkinData>(nullptr));
    const Bytes archive = ArchiveWith(ini);
    skin->SkinData()->WriteBuffer(archive.data(), static_cast<std::int64_t>(archive.size()));
    EXPECT_TRUE(skin->LoadSkinData());
    return skin;
}

class SkinDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = SetSkinMessageHandler([this](const String& text) { messages_.push_back(text); });
    }
    void TearDown() override { SetSkinMessageHandler(std::move(saved_)); }
    std::vector<String> messages_;
    TSkinMessageHandler saved_;
};

TEST_F(SkinDataTest, IniSnippetsGiveElementFields) {
    struct Case {
        const char* name;
        const char* ini;
        std::function<void(TSkinData&)> check;
    } cases[] = {
        {"tab pane margins are capped at 4", "[Tab.Pane]\nImage=c.bmp\nLeftWidth=7\nTopHeight=3\n",
         [](TSkinData& s) {
             ASSERT_TRUE(s.TabPane);
             EXPECT_EQ(s.TabPane->LeftWidth, 4);
             EXPECT_EQ(s.TabPane->TopHeight, 3);
             EXPECT_EQ(s.TabPane->FrameCount, 1);
         }},
        {"the .bmp test is case-sensitive", "[Tabs]\nImage=c.BMP\n",
         [](TSkinData& s) {
             ASSERT_TRUE(s.Tabs);
             EXPECT_TRUE(s.Tabs->Image->Empty());
         }},
        {"no image key, no element", "[MenuItem]\nLeftWidth=3\n", [](TSkinData& s) { EXPECT_FALSE(s.MenuItem); }},
        {"tile clamps", "[MenuItem]\nImage=c.bmp\nTile=2\n[Progress]\nBitmap=c.bmp\nTile=5\nStyle=1\n"
                        "[Personality]\nTop=top.bmp\nTopStretch=3\nTopFrame=0\n",
         [](TSkinData& s) {
             ASSERT_TRUE(s.MenuItem);
             EXPECT_EQ(s.MenuItem->Tile, 0);
             EXPECT_EQ(s.MenuItem->FrameCount, 5);
             ASSERT_TRUE(s.Progress);
             EXPECT_EQ(s.Progress->Tile, 1);
             EXPECT_EQ(s.Progress->FrameCount, 1);
             EXPECT_EQ(s.Frames[2]->Tile, 1);
             EXPECT_EQ(s.Frames[2]->FrameCount, 1);  // 0 would divide by zero
             EXPECT_EQ(ColorToRGB(s.FrameColour), 0x123456);
         }},
        {"caption buttons", "[Button.Drop]\nAction=-1\n[Button.Keep]\nAction=-1\nVisibility=0\nButtonImage=a.bmp\n"
                            "[Button.Three]\nButtonImage=a.bmp\n[Button.Six]\nButtonImage=b.bmp\n"
                            "[Button.Icon]\nAction=3\nButtonImage=a.bmp\n[Buttons]\nBitmap=c.bmp\n",
         [](TSkinData& s) {
             ASSERT_EQ(s.SysButtons.size(), 4u + 3u);
             EXPECT_EQ(s.SysButtons[0]->Name, "BUTTON.KEEP");
             EXPECT_EQ(s.SysButtons[0]->Visibility1, -1);
             EXPECT_EQ(s.SysButtons[0]->FrameCount, 6);
             EXPECT_EQ(s.SysButtons[1]->FrameCount, 3);
             EXPECT_EQ(s.SysButtons[2]->FrameCount, 6);
             EXPECT_TRUE(s.SysButtons[3]->Image->Empty());
             for (int i = 0; i < 3; ++i) {
                 EXPECT_EQ(s.SysButtons[4 + i]->Action, 7 + i);
                 EXPECT_EQ(s.SysButtons[4 + i]->Visibility, 100);
                 EXPECT_EQ(s.SysButtons[4 + i]->FrameCount, 4);
             }
         }},
        {"colours as integers or r,g,b; frames of check strips", "[Colours]\nButtonFace=0x00FF00\nHilight=10,20,30\n"
                                                               "[Buttons]\nBitmap=c.bmp\nCheckButton=c.bmp\n"
                                                               "NormalColour2=1,2,3\n[Customcolors]\nColor3=5\n",
         [](TSkinData& s) {
             EXPECT_EQ(s.ButtonFace, 0x00FF00);
             EXPECT_EQ(s.Menubar, 0x00FF00);
             EXPECT_EQ(s.Hilight, 0x1E140A);
             EXPECT_EQ(s.WindowText, clWindowText);
             EXPECT_EQ(s.Buttons->FrameCount, 5);
             EXPECT_EQ(s.Buttons->CheckFrames, 4);
             EXPECT_TRUE(s.Buttons->NormalColour2Given);
             EXPECT_FALSE(s.Buttons->PressedColour2Given);
             EXPECT_EQ(s.Buttons->NormalColour2, 0x030201);
             EXPECT_EQ(s.CustomColours[3], 5);
             EXPECT_EQ(s.CustomColours[4], 0xFFFFFF);
         }},
        {"a skin without channels takes the program's own", "[Tabs]\nImage=c.bmp\n",
         [](TSkinData& s) {
             for (TDataSkinObject* e : {s.Track.get(), s.TrackVert.get()}) {
                 ASSERT_TRUE(e);
                 EXPECT_EQ(e->LeftWidth, 3);
                 EXPECT_EQ(e->RightWidth, 3);
                 EXPECT_EQ(e->TopHeight, 3);
                 EXPECT_EQ(e->BottomHeight, 3);
                 EXPECT_EQ(e->Tile, 0);
                 EXPECT_EQ(e->FrameCount, 1);
                 const int w = e->Image->Width(), h = e->Image->Height();
                 EXPECT_EQ(ColorToRGB(static_cast<TColor>(GetPixel(e->Image->Canvas()->Handle(), w / 2, h / 2))),
                           static_cast<TColor>(0xFBF9F7));  // skinart::EngineTrackColour as a colour value
             }
             EXPECT_EQ(s.Track->Image->Width(), 20);
             EXPECT_EQ(s.TrackVert->Image->Height(), 20);
         }},
        {"a skin's own channel is kept; a channel whose bitmap is missing is replaced",
         "[Track]\nImage=c.bmp\nLeftWidth=5\n[TRACKVERT]\nImage=missing.bmp\n",
         [](TSkinData& s) {
             ASSERT_TRUE(s.Track);
             EXPECT_EQ(s.Track->Image->Width(), 24);
             EXPECT_EQ(s.Track->LeftWidth, 5);
             ASSERT_TRUE(s.TrackVert);
             EXPECT_EQ(s.TrackVert->Image->Width(), 6);
         }},
        {"MDI buttons cut from MDICONTROLS", "[MDICONTROLS]\nImage=a.bmp\n",
         [](TSkinData& s) {
             ASSERT_EQ(s.SysButtons.size(), 3u);
             EXPECT_EQ(s.SysButtons[0]->Image->Width(), 20);
             EXPECT_EQ(s.SysButtons[0]->Xcoord, 27);
             EXPECT_EQ(s.SysButtons[2]->Xcoord, 9);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSkinDataPtr skin = Parsed(c.ini);
        EXPECT_FALSE(skin->SkinEmpty());
        c.check(*skin);
    }
}

TEST(SkinData, ParseColour) {
    struct Case {
        const char* text;
        TColor expected;
    } cases[] = {
        {"192,192,192", 0xC0C0C0}, {"10,20,", 0x00140A},  {"10 20", 0x00000A},   {"", 0x777777},
        {"  1,2,3 ", 0x030201},    {"300,2,3", 0x03022C}, {"1,2,3,4", 0x030201}, {"abc", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TSkinData::ParseColour(c.text, 0x777777), c.expected);
    }
}

TEST(SkinData, FormSkinQuery) {
    TSkinDataPtr skin(New<TSkinData>(nullptr));
    struct Case {
        const char* className;
        bool reportForms;
        bool expected;
    } cases[] = {
        {"TFrm_Main", false, true}, {"SysMonthCal32", false, false}, {"TfrPreviewForm", true, false},
        {"TfrPreviewForm", false, true}, {"TFrm_Tree", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        skin->SkinControls = c.reportForms ? (skin->SkinControls | SkinBit(xcReportForms))
                                           : (skin->SkinControls & ~SkinBit(xcReportForms));
        bool doSkin = true;
        skin->FormSkinQuery(reinterpret_cast<HWND>(0x1234), c.className, doSkin);
        EXPECT_EQ(doSkin, c.expected);
        EXPECT_EQ(skin->AskedWindow, reinterpret_cast<HWND>(0x1234));
    }
}

TEST_F(SkinDataTest, ProbeSkinReadFromAFormDescription) {
    std::ifstream in(HostPath(VESTREL_SKIN_DIR) / "probe.skn", std::ios::binary);
    const Bytes archive((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(archive.empty());
    auto root = ReadHolder(archive, "    SkinControls = [xcMainMenu, xcMenuItem, xcButton]\n");
    TSkinData* skin = SkinOf(root.get());
    ASSERT_NE(skin, nullptr);
    EXPECT_FALSE(skin->SkinEmpty());
    EXPECT_TRUE(skin->Active());
    EXPECT_EQ(skin->SkinName, "Vestrel probe");
    EXPECT_EQ(skin->SkinControls, SkinBit(xcMainMenu) | SkinBit(xcButton));  // Loaded drops xcMenuItem
    EXPECT_EQ(skin->SkinData()->Size(), static_cast<std::int64_t>(archive.size()));

    // Frame k of the buttons strip is the probe colour of (buttons, k).
    std::size_t index = 0;
    while (String(skinart::Elements()[index].File) != "buttons.bmp") ++index;
    TBitmap* buttons = skin->Buttons->Image;
    ASSERT_EQ(buttons->Width(), 120);
    for (int f = 1; f <= 5; ++f) {
        const auto* p = static_cast<const std::uint8_t*>(buttons->ScanLine(10)) + 3 * (24 * (f - 1) + 12);
        EXPECT_EQ(static_cast<std::uint32_t>(p[2] << 16 | p[1] << 8 | p[0]), skinart::ProbeColour(static_cast<int>(index), f));
    }
    // The combo picture is composed when SunkEdge and ComboButton both exist.
    ASSERT_TRUE(skin->ComboButton);
    EXPECT_EQ(skin->ComboButton->Style, 2);
    EXPECT_EQ(skin->ComboButton->Image->Width(), 50 * 4);
    ASSERT_TRUE(skin->ComboArrow);
    EXPECT_EQ(skin->ComboArrow->Image->Width(), 17 * 4);
    ASSERT_TRUE(skin->Toolbar);
    EXPECT_EQ(skin->Toolbar->Image->Height(), 40);
    EXPECT_EQ(skin->SysButtons.size(), 5u + 3u);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SkinDataTest, EmptyOrDamagedStoredSkinLeavesTheProgramUnskinned) {
    // No stored archive: nothing loads, Active goes off, nothing is said.
    {
        RegisterSkinClasses();
        std::unique_ptr<TComponent, TFree> root(New<TComponent>(nullptr));
        ReadForm(root.get(), "object Holder: TComponent\n  object SkinData1: TSkinData\n    Active = True\n"
                             "    SkinStream = {00000000}\n  end\nend\n", "holder.txt");
        EXPECT_TRUE(SkinOf(root.get())->SkinEmpty());
        EXPECT_FALSE(SkinOf(root.get())->Active());
        EXPECT_TRUE(messages_.empty());
    }
    // A damaged archive: the reason is said once.
    Bytes damaged = ArchiveWith("[Buttons]\nBitmap=c.bmp\n");
    damaged.resize(damaged.size() / 2);
    auto root = ReadHolder(damaged);
    TSkinData* skin = SkinOf(root.get());
    EXPECT_TRUE(skin->SkinEmpty());
    EXPECT_FALSE(skin->Active());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], SkinDamagedMessage);
    // Turning it on without a skin only stores the flag.
    skin->SetActive(true);
    EXPECT_TRUE(skin->Active());
    EXPECT_EQ(messages_.size(), 1u);
}

TEST(SkinData, DefaultsAndLoadedAdjustments) {
    TSkinDataPtr skin(New<TSkinData>(nullptr));
    EXPECT_EQ(skin->Skin3rd()->Count(), 117);
    EXPECT_EQ(skin->Skin3rd()->Get(0), "TCategoryButtons=scrollbar");
    EXPECT_EQ(skin->DisableTag, 99);
    EXPECT_EQ(skin->SkinControls & SkinBit(xcMenuItem), 0u);
    EXPECT_NE(skin->SkinControls & SkinBit(xcSystemMenu), 0u);
    EXPECT_EQ(skin->SkinStore(), "(none)");
    EXPECT_EQ(skin->Version(), "4.01.03.16");
    EXPECT_TRUE(skin->SkinEmpty());
    // The system menu's glyphs from the program's resources: restore, maximise, minimise, close.
    ASSERT_EQ(skin->MenuGlyphs->Count(), 4);
    EXPECT_EQ(skin->MenuGlyphs->Width(), 16);
    TBitmap close;
    ASSERT_TRUE(skin->MenuGlyphs->GetBitmap(3, &close));
    EXPECT_EQ(ColorToRGB(static_cast<TColor>(GetPixel(close.Canvas()->Handle(), 8, 8))), 0x3D2D1F);

    // Without xcMainMenu, Loaded drops xcSystemMenu.
    skin->SkinControls &= ~SkinBit(xcMainMenu);
    skin->Loaded();
    EXPECT_EQ(skin->SkinControls & SkinBit(xcSystemMenu), 0u);
}

// The main window's description carries the skin component with our calm skin, and two empty stores.
TEST_F(SkinDataTest, MainWindowStartsWithItsSkinLoaded) {
    StartWindowTests();
    RegisterDataModuleClasses();
    RegisterMainClasses();
    RegisterLoginClasses();
    TScratchProgramFolder folder("skin");
    CreateProgramForms();
    ASSERT_NE(Frm_Main, nullptr);
    TSkinData* skin = Frm_Main->SkinData1;
    ASSERT_NE(skin, nullptr);
    EXPECT_FALSE(skin->SkinEmpty());
    EXPECT_TRUE(skin->Active());
    EXPECT_EQ(skin->SkinName, "Vestrel calm");
    EXPECT_EQ(skin->SkinFormtype, sfMainform);
    EXPECT_EQ(skin->DisableTag, 99);
    EXPECT_EQ(skin->Options, SkinBit(xoPreview) | SkinBit(xoToolbarBK));
    EXPECT_EQ(skin->SkinControls & SkinBit(xcMenuItem), 0u);
    EXPECT_NE(skin->SkinControls & SkinBit(xcSystemMenu), 0u);
    EXPECT_EQ(skin->Skin3rd()->Count(), 95);
    EXPECT_EQ(skin->Skin3rd()->Get(0), "TTBDock=Panel");
    EXPECT_TRUE(skin->Frames[2]->Image->Width() > 0);
    ASSERT_NE(Frm_Main->SkinStore1, nullptr);
    ASSERT_NE(Frm_Main->SkinStore2, nullptr);
    EXPECT_EQ(Frm_Main->SkinStore1->Store()->Count(), 0);
    EXPECT_TRUE(messages_.empty());
    FreeProgramForms();
}

}  // namespace
