// Image lists: images added from our own bitmaps (with masks or a mask colour), drawn enabled and
// disabled into memory bitmaps, filled from a form description's "Bitmap" block, and the change
// links of their clients.
#include "ImgList.h"
#include "TestControls.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

namespace {

constexpr int kSize = 16;

// A strip of `count` 16 x 16 images on a fuchsia background: image i is a filled square of
// colours[i] from (4, 4) to (12, 12).
std::unique_ptr<TBitmap> Strip(std::initializer_list<TColor> colors, TColor background = clFuchsia) {
    auto strip = std::make_unique<TBitmap>();
    strip->SetSize(kSize * static_cast<int>(colors.size()), kSize);
    strip->Canvas()->Brush()->SetColor(background);
    strip->Canvas()->FillRect(Rect(0, 0, strip->Width(), kSize));
    int left = 0;
    for (TColor color : colors) {
        strip->Canvas()->Brush()->SetColor(color);
        strip->Canvas()->FillRect(Rect(left + 4, 4, left + 12, 12));
        left += kSize;
    }
    return strip;
}

// A bitmap filled with `color` to draw on.
std::unique_ptr<TBitmap> Backdrop(TColor color, int width = 40, int height = 40) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    bitmap->Canvas()->Brush()->SetColor(color);
    bitmap->Canvas()->FillRect(Rect(0, 0, width, height));
    return bitmap;
}

TColor PixelAt(TBitmap* bitmap, int x, int y) {
    return bitmap->Canvas()->Pixels[x][y];
}

String Hex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    String text;
    for (std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

class ImgListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterImgListClasses();
    }
    std::unique_ptr<TImageList, TFree> list_{New<TImageList>(nullptr)};
};

TEST_F(ImgListTest, MaskedImagesDrawOnlyTheirOwnPixels) {
    auto strip = Strip({clRed, clLime, clBlue});
    EXPECT_EQ(list_->AddMasked(strip.get(), clFuchsia), 0);
    EXPECT_EQ(list_->Count(), 3);
    EXPECT_EQ(PixelAt(strip.get(), 0, 0), clFuchsia);  // the source is not changed

    struct TRow {
        const char* name;
        int index;
        TColor inside;
    } const rows[] = {{"first", 0, clRed}, {"second", 1, clLime}, {"last", 2, clBlue}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto target = Backdrop(clYellow);
        list_->Draw(target->Canvas(), 10, 10, row.index);
        EXPECT_EQ(PixelAt(target.get(), 18, 18), row.inside);
        EXPECT_EQ(PixelAt(target.get(), 11, 11), clYellow);  // transparent corner
        EXPECT_EQ(PixelAt(target.get(), 5, 5), clYellow);    // outside the image
    }
    // Indexes outside the list draw nothing.
    for (int index : {-1, 3}) {
        SCOPED_TRACE(index);
        auto target = Backdrop(clYellow);
        list_->Draw(target->Canvas(), 10, 10, index);
        EXPECT_EQ(PixelAt(target.get(), 18, 18), clYellow);
    }

    // GetBitmap gives one image at the list's size.
    TBitmap one;
    EXPECT_TRUE(list_->GetBitmap(1, &one));
    EXPECT_EQ(one.Width(), kSize);
    EXPECT_EQ(one.Height(), kSize);
    EXPECT_EQ(PixelAt(&one, 8, 8), clLime);
    EXPECT_FALSE(list_->GetBitmap(3, &one));
}

TEST_F(ImgListTest, DisabledImagesAreEmbossedInShadowAndHighlight) {
    auto strip = Strip({clRed});
    list_->AddMasked(strip.get(), clDefault);  // the bottom-left pixel is fuchsia
    auto target = Backdrop(clYellow);
    list_->Draw(target->Canvas(), 0, 0, 0, false);
    EXPECT_EQ(PixelAt(target.get(), 8, 8), ColorToRGB(clBtnShadow));
    EXPECT_EQ(PixelAt(target.get(), 12, 12), ColorToRGB(clBtnHighlight));  // one pixel down and right
    EXPECT_EQ(PixelAt(target.get(), 1, 1), clYellow);
}

TEST_F(ImgListTest, ImagesWithAMaskBitmapAndUnmaskedLists) {
    auto strip = Strip({clRed});
    TBitmap mask;  // white is transparent: only the top half shows
    mask.SetSize(kSize, kSize);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(Rect(0, 0, kSize, 8));
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(Rect(0, 8, kSize, kSize));
    EXPECT_EQ(list_->Add(strip.get(), &mask), 0);
    auto target = Backdrop(clYellow);
    list_->Draw(target->Canvas(), 0, 0, 0);
    EXPECT_EQ(PixelAt(target.get(), 6, 6), clRed);
    EXPECT_EQ(PixelAt(target.get(), 6, 10), clYellow);

    // An unmasked list copies every pixel; changing Masked starts an empty list.
    list_->SetMasked(false);
    EXPECT_EQ(list_->Count(), 0);
    list_->Add(strip.get(), nullptr);
    auto opaque = Backdrop(clYellow);
    list_->Draw(opaque->Canvas(), 0, 0, 0);
    EXPECT_EQ(PixelAt(opaque.get(), 1, 1), clFuchsia);
}

TEST_F(ImgListTest, ClientsHearOfChangesOnceAfterAnUpdate) {
    struct TCounter {
        int changes = 0;
        void Changed(TObject*) { ++changes; }
    } counter;
    TChangeLink link;
    link.OnChange = Event<&TCounter::Changed>(&counter);
    list_->RegisterChanges(&link);
    auto strip = Strip({clRed, clLime});
    list_->AddMasked(strip.get(), clFuchsia);
    EXPECT_EQ(counter.changes, 1);
    list_->BeginUpdate();
    list_->Delete(0);
    list_->Clear();
    EXPECT_EQ(counter.changes, 1);
    list_->EndUpdate();
    EXPECT_EQ(counter.changes, 2);
    EXPECT_THROW(list_->Delete(0), EInvalidOperation);

    // A link outlived by the list, and a list outlived by the link, are both safe.
    {
        TChangeLink shortLived;
        list_->RegisterChanges(&shortLived);
    }
    list_->AddMasked(strip.get(), clFuchsia);
    EXPECT_EQ(counter.changes, 3);
    list_.reset();
    EXPECT_EQ(link.Sender(), nullptr);
}

class TFrmImages : public TForm {
    VESTREL_CLASS(TFrmImages, TForm)
public:
    using TForm::TForm;
};

TEST_F(ImgListTest, FormDescriptionFillsTheListFromItsBitmapBlock) {
    RegisterClasses<TFrmImages>();
    auto strip = Strip({clRed, clBlue});
    const String good = Hex(strip->SaveToData());
    struct TCase {
        const char* name;
        String bitmap;
        int count;
        const char* error;
    } const cases[] = {
        {"a strip of two", good, 2, nullptr},
        {"empty data: no images", "", 0, nullptr},
        {"not a bitmap", "0102030405060708", 0, "Image list 'Image_Tool'"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const String text = "object FrmImages: TFrmImages\n  object Image_Tool: TImageList\n    Bitmap = {" + c.bitmap +
                            "}\n  end\nend\n";
        const TFormResourceFinder previous =
            SetFormResourceFinder([&text](const String&) -> std::optional<String> { return text; });
        TScopedApplication app;
        if (c.error) {
            try {
                New<TFrmImages>(nullptr)->Free();
                ADD_FAILURE() << "no error";
            } catch (const Exception& e) {
                EXPECT_NE(e.Message.find(c.error), String::npos) << e.Message;
            }
        } else {
            std::unique_ptr<TFrmImages, TFree> form(New<TFrmImages>(nullptr));
            auto* images = dynamic_cast<TImageList*>(form->FindComponent("Image_Tool"));
            ASSERT_NE(images, nullptr);
            EXPECT_EQ(images->Count(), c.count);
            if (c.count == 2) {
                auto target = Backdrop(clYellow);
                images->Draw(target->Canvas(), 0, 0, 1);
                EXPECT_EQ(PixelAt(target.get(), 8, 8), clBlue);
                EXPECT_EQ(PixelAt(target.get(), 1, 1), clYellow);
            }
        }
        SetFormResourceFinder(previous);
    }

    // A strip of another height is refused with the sizes named.
    TBitmap tall;
    tall.SetSize(kSize * 2, kSize + 1);
    try {
        list_->LoadStrip(tall.SaveToData());
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(e.Message.find("32 x 17"), String::npos) << e.Message;
    }
}

}  // namespace
