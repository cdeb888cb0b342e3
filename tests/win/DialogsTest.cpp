// The input box: shown modally with its caption, prompt and selected value in Chinese as given;
// typing and Enter, Esc, the two buttons and closing give the answers a person expects.
#include "Dialogs.h"
#include "Encoding.h"
#include "StdCtrls.h"
#include "TestControls.h"

#include <gtest/gtest.h>

namespace {

enum class Finish { Enter, Escape, ClickOk, ClickCancel, Close };

struct Seen {
    String Caption, Prompt, Value;
    WideString WindowCaption, WindowValue;
    int SelStart = -1, SelLength = -1;
    String OkCaption, CancelCaption;
    bool OwnerEnabled = true;
    bool EditFocused = false;
};

// Shows the box over `owner`, types `typed` into it and finishes it the way given; records what
// the box showed before typing.
bool RunBox(const String& caption, const String& prompt, String& value, const String& typed, Finish finish,
            Seen& seen, HWND owner) {
    TModalDriver driver("Value", [&](TCustomForm* form) {
        auto* edit = dynamic_cast<TEdit*>(form->FindComponent("Value"));
        auto* label = dynamic_cast<TLabel*>(form->FindComponent("Prompt"));
        auto* ok = dynamic_cast<TButton*>(form->FindComponent("OK"));
        auto* cancel = dynamic_cast<TButton*>(form->FindComponent("Cancel"));
        ASSERT_TRUE(edit && label && ok && cancel);
        seen.Caption = form->Caption();
        seen.Prompt = label->Caption();
        seen.Value = edit->Text();
        wchar_t text[256] = {};
        GetWindowTextW(form->Handle(), text, 256);
        seen.WindowCaption = reinterpret_cast<const char16_t*>(text);
        GetWindowTextW(edit->Handle(), text, 256);
        seen.WindowValue = reinterpret_cast<const char16_t*>(text);
        seen.SelStart = edit->SelStart();
        seen.SelLength = edit->SelLength();
        seen.OkCaption = ok->Caption();
        seen.CancelCaption = cancel->Caption();
        seen.OwnerEnabled = IsWindowEnabled(owner) != FALSE;
        seen.EditFocused = GetFocus() == edit->Handle();
        PostChars(edit->Handle(), typed);
        switch (finish) {
        case Finish::Enter: PostKeyDown(edit->Handle(), VK_RETURN); break;
        case Finish::Escape: PostKeyDown(edit->Handle(), VK_ESCAPE); break;
        case Finish::ClickOk: PostMessageW(ok->Handle(), BM_CLICK, 0, 0); break;
        case Finish::ClickCancel: PostMessageW(cancel->Handle(), BM_CLICK, 0, 0); break;
        case Finish::Close: PostMessageW(form->Handle(), WM_CLOSE, 0, 0); break;
        }
    });
    const bool result = InputQuery(caption, prompt, value);
    EXPECT_TRUE(driver.Ran());
    return result;
}

class DialogsTest : public ::testing::Test {
protected:
    DialogsTest() {
        owner_.reset(New<TForm>(nullptr, CreateNew));
        owner_->SetBounds(-3000, -2500, 120, 100);
        owner_->Show();
    }
    TScopedApplication app_;
    Owned<TForm> owner_;
};

TEST_F(DialogsTest, InputQueryAnswersByHowTheBoxIsLeft) {
    const struct {
        const char* Name;
        const char* Typed;
        Finish How;
        bool Result;
        const char* Value;
    } cases[] = {
        {"typed, Enter", "张三", Finish::Enter, true, "张三"},
        {"typed, OK", "Li Si", Finish::ClickOk, true, "Li Si"},
        {"untouched, Enter", "", Finish::Enter, true, "默认"},
        {"typed, Esc", "张三", Finish::Escape, false, "默认"},
        {"typed, Cancel", "x", Finish::ClickCancel, false, "默认"},
        {"typed, closed", "x", Finish::Close, false, "默认"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        String value = "默认";
        Seen seen;
        EXPECT_EQ(RunBox("输入框", "请输入姓名：", value, c.Typed, c.How, seen, owner_->Handle()), c.Result);
        EXPECT_EQ(value, c.Value);

        // What the box showed, Chinese text intact in the windows themselves.
        EXPECT_EQ(seen.Caption, "输入框");
        EXPECT_EQ(seen.WindowCaption, Utf8ToUtf16("输入框"));
        EXPECT_EQ(seen.Prompt, "请输入姓名：");
        EXPECT_EQ(seen.Value, "默认");
        EXPECT_EQ(seen.WindowValue, Utf8ToUtf16("默认"));
        EXPECT_EQ(seen.SelStart, 0);
        EXPECT_EQ(seen.SelLength, 2);
        EXPECT_TRUE(seen.EditFocused);
        EXPECT_FALSE(seen.OwnerEnabled);  // modal: the other windows wait
        EXPECT_EQ(seen.OkCaption, InputButtonCaption(mrOk, GetUserDefaultUILanguage()));
        EXPECT_EQ(seen.CancelCaption, InputButtonCaption(mrCancel, GetUserDefaultUILanguage()));
        EXPECT_TRUE(IsWindowEnabled(owner_->Handle()));
    }
}

TEST_F(DialogsTest, InputBoxGivesTheDefaultUnlessConfirmed) {
    TModalDriver typed("Value", [](TCustomForm* form) {
        HWND edit = dynamic_cast<TEdit*>(form->FindComponent("Value"))->Handle();
        PostChars(edit, "new");
        PostKeyDown(edit, VK_RETURN);
    });
    EXPECT_EQ(InputBox("", "Prompt", "old"), "new");
    EXPECT_TRUE(typed.Ran());

    TModalDriver cancelled("Value", [](TCustomForm* form) {
        HWND edit = dynamic_cast<TEdit*>(form->FindComponent("Value"))->Handle();
        PostChars(edit, "new");
        PostKeyDown(edit, VK_ESCAPE);
    });
    EXPECT_EQ(InputBox("", "Prompt", "old"), "old");
    EXPECT_TRUE(cancelled.Ran());
}

TEST(DialogsCaptions, InputButtonsSpeakTheUsersLanguage) {
    EXPECT_EQ(InputButtonCaption(mrOk, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)), "确定");
    EXPECT_EQ(InputButtonCaption(mrCancel, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)), "取消");
    EXPECT_EQ(InputButtonCaption(mrOk, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)), "OK");
    EXPECT_EQ(InputButtonCaption(mrCancel, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)), "Cancel");
}

// A set of buttons the system's box lacks gets a box of our own: the text, the buttons in the user's
// language, the first one the default; each button answers its result, closing answers mrCancel.
TEST_F(DialogsTest, MessageDlgWithAllShowsItsOwnBox) {
    const bool chinese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
    const struct {
        const char* Click;  // a button's name, or nullptr to close the box
        TModalResult Result;
    } cases[] = {{"Yes", mrYes}, {"No", mrNo}, {"All", mrAll}, {nullptr, mrCancel}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Click ? c.Click : "closed");
        String text, caption;
        std::vector<String> captions;
        bool yesFocused = false;
        TModalDriver driver("Message", [&](TCustomForm* form) {
            text = dynamic_cast<TLabel*>(form->FindComponent("Message"))->Caption();
            caption = form->Caption();
            for (const char* name : {"Yes", "No", "All"})
                if (auto* b = dynamic_cast<TButton*>(form->FindComponent(name))) captions.push_back(b->Caption());
            yesFocused = GetFocus() == dynamic_cast<TButton*>(form->FindComponent("Yes"))->Handle();
            if (c.Click)
                PostMessageW(dynamic_cast<TButton*>(form->FindComponent(c.Click))->Handle(), BM_CLICK, 0, 0);
            else
                PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(MessageDlg("出错了:\n值无效\n\n忽略?", mtError, TMsgDlgButtons{mbYes, mbNo, mbAll}), c.Result);
        EXPECT_TRUE(driver.Ran());
        EXPECT_EQ(text, "出错了:\n值无效\n\n忽略?");
        EXPECT_EQ(caption, chinese ? "错误" : "Error");
        const std::vector<String> expected = chinese ? std::vector<String>{"是(&Y)", "否(&N)", "全部(&A)"}
                                                     : std::vector<String>{"&Yes", "&No", "&All"};
        EXPECT_EQ(captions, expected);
        EXPECT_TRUE(yesFocused);
    }
    EXPECT_TRUE(app_.Boxes.empty());
}

}  // namespace
