// The data-set navigator over a real query: its buttons follow Bof and Eof, a click (a real mouse
// click on its window) moves the data set and raises OnClick, and its glyphs are drawn by us.
#include "ADODB.h"
#include "ADODialect.h"
#include "DBCtrls.h"
#include "U_DataLogic.h"
#include "Lists.h"
#include "TestControls.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class DBNavigatorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterDBCtrlsClasses();
    }

    DBNavigatorTest() {
        path_ = fs::temp_directory_path() / ("vestrel-nav-" + std::to_string(GetCurrentProcessId()) + ".db");
        fs::remove(path_);
        std::string error;
        const bool built = sqldialect::BuildDatabaseFile(
            path_.string(),
            {{"rows.sql", "CREATE TABLE person (id INTEGER, name TEXT);"
                          "INSERT INTO person VALUES (1, 'a'), (2, 'b'), (3, 'c');"}},
            kDatabasePassword, &error);
        EXPECT_TRUE(built) << error;
        connection_.reset(New<TADOConnection>(nullptr));
        connection_->SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path_.string() +
                                         ";Jet OLEDB:Database Password=" + kDatabasePassword);
        connection_->Open();
        query_.reset(New<TADOQuery>(nullptr));
        query_->SetConnection(connection_.get());
        query_->SQL()->SetText("select * from person");
        source_.reset(New<TDataSource>(nullptr));
        source_->SetDataSet(query_.get());
        form_.reset(New<TForm>(nullptr, CreateNew));
        form_->SetBounds(0, 0, 300, 120);
        nav_ = New<TDBNavigator>(form_.get());
        nav_->SetParent(form_.get());
        nav_->SetVisibleButtons({nbFirst, nbPrior, nbNext, nbLast});
        nav_->SetBounds(10, 10, 100, 25);
    }
    ~DBNavigatorTest() override {
        form_.reset();
        source_.reset();
        query_.reset();
        connection_.reset();
        std::error_code ignored;
        fs::remove(path_, ignored);
    }

    // "1100": first, prior, next, last enabled?
    String Enabled() const {
        String result;
        for (TNavigateBtn button : {nbFirst, nbPrior, nbNext, nbLast})
            result += nav_->Buttons(button)->Enabled() ? '1' : '0';
        return result;
    }

    // Clicks the button with the mouse, through the navigator's window.
    void ClickButton(TNavigateBtn button) {
        TNavButton* b = nav_->Buttons(button);
        const LPARAM at = PointToLParam(b->Left() + b->Width() / 2, b->Top() + b->Height() / 2);
        PostMessageW(nav_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(nav_->Handle(), WM_LBUTTONUP, 0, at);
        Application->ProcessMessages();
    }

    TScopedApplication app_;
    fs::path path_;
    Owned<TADOConnection> connection_;
    Owned<TADOQuery> query_;
    Owned<TDataSource> source_;
    Owned<TForm> form_;
    TDBNavigator* nav_ = nullptr;
};

TEST_F(DBNavigatorTest, ButtonsFollowBofAndEofAndClicksMoveTheDataSet) {
    EXPECT_EQ(Enabled(), "0000");  // no data source
    nav_->SetDataSource(source_.get());
    EXPECT_EQ(Enabled(), "0000");  // closed
    query_->Open();
    EXPECT_EQ(Enabled(), "0011");

    // The four visible buttons share the width.
    EXPECT_EQ(nav_->Buttons(nbFirst)->Width(), 25);
    EXPECT_EQ(nav_->Buttons(nbLast)->Left(), 75);
    EXPECT_FALSE(nav_->Buttons(nbInsert)->Visible());

    struct TClicks {
        String log;
        void Click(TObject*, TNavigateBtn button) { log += std::to_string(static_cast<int>(button)) + ";"; }
    } clicks;
    nav_->OnClick = Event<&TClicks::Click>(&clicks);
    form_->Show();

    struct TStep {
        const char* name;
        TNavigateBtn button;
        int recNo;
        const char* enabled;
    } const steps[] = {
        {"next leaves the first row", nbNext, 2, "1111"},
        {"last reaches the end", nbLast, 3, "1100"},
        {"prior", nbPrior, 2, "1111"},
        {"first", nbFirst, 1, "0011"},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.name);
        ClickButton(step.button);
        EXPECT_EQ(query_->RecNo(), step.recNo);
        EXPECT_EQ(Enabled(), step.enabled);
    }
    EXPECT_EQ(clicks.log, "2;3;1;0;");

    // A disabled button takes no click; moving the data set elsewhere updates the buttons.
    ClickButton(nbPrior);
    EXPECT_EQ(clicks.log, "2;3;1;0;");
    query_->Last();
    EXPECT_EQ(Enabled(), "1100");
    query_->Close();
    EXPECT_EQ(Enabled(), "0000");
    nav_->SetEnabled(false);
    query_->Open();
    EXPECT_EQ(Enabled(), "0000");
}

TEST_F(DBNavigatorTest, GlyphsAreDrawnInBlackWhenEnabledAndEmbossedWhenNot) {
    nav_->SetDataSource(source_.get());
    query_->Open();  // first and prior disabled, next and last enabled
    auto countBlack = [](TNavButton* button) {
        TBitmap bitmap;
        bitmap.SetSize(button->Width(), button->Height());
        button->PaintTo(*bitmap.Canvas());
        int black = 0;  // inside the button's edges
        for (int y = 3; y < bitmap.Height() - 3; ++y)
            for (int x = 3; x < bitmap.Width() - 3; ++x)
                if (bitmap.Canvas()->Pixels[x][y] == clBlack)
                    ++black;
        return black;
    };
    EXPECT_GT(countBlack(nav_->Buttons(nbNext)), 10);
    EXPECT_GT(countBlack(nav_->Buttons(nbLast)), countBlack(nav_->Buttons(nbNext)));  // the bar
    query_->Last();
    EXPECT_GT(countBlack(nav_->Buttons(nbFirst)), 10);
    EXPECT_EQ(countBlack(nav_->Buttons(nbNext)), 0);
}

}  // namespace
