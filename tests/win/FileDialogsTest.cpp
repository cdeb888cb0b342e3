// The file dialogs and the shell call through their seams: what a dialog asks, what its answer
// changes, a cancelled dialog, several files; the filter texts; the shell's request.
#include "FileDialogs.h"
#include "ShellSeam.h"
#include "TestControls.h"

#include <gtest/gtest.h>

namespace {

// Installs a dialog answer for the test's life and keeps every request.
class TDialogAnswer {
public:
    explicit TDialogAnswer(std::function<bool(TFileDialogRequest&)> answer) : answer_(std::move(answer)) {
        previous_ = SetFileDialogFunction([this](TFileDialogRequest& request) {
            Requests.push_back(request);
            return answer_(request);
        });
    }
    ~TDialogAnswer() { SetFileDialogFunction(std::move(previous_)); }

    std::vector<TFileDialogRequest> Requests;

private:
    std::function<bool(TFileDialogRequest&)> answer_;
    TFileDialogFunction previous_;
};

TEST(FileDialogs, FilterTextsSplitIntoDescriptionsAndPatterns) {
    using TPairs = std::vector<std::pair<String, String>>;
    struct TRow {
        const char* name;
        const char* filter;
        TPairs pairs;
    } const rows[] = {
        {"two pairs", "Excel文件|*.xls|所有文件|*.*", {{"Excel文件", "*.xls"}, {"所有文件", "*.*"}}},
        {"one pair", "Access数据库|*.MDB", {{"Access数据库", "*.MDB"}}},
        {"the export filter", "EXCEL文件(*.xls)|*.xls", {{"EXCEL文件(*.xls)", "*.xls"}}},
        {"a missing pattern", "Text", {{"Text", ""}}},
        {"a trailing bar", "Text|*.txt|", {{"Text", "*.txt"}}},
        {"empty", "", {}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ParseFilter(row.filter), row.pairs);
    }
}

TEST(FileDialogs, ExecuteAsksThroughTheSeamAndTakesTheAnswer) {
    StartWindowTests();
    RegisterFileDialogsClasses();
    TDialogAnswer answer([](TFileDialogRequest& request) {
        request.FileName = "C:\\Export\\persons.xls";
        request.FilterIndex = 2;
        return true;
    });
    std::unique_ptr<TSaveDialog, TFree> dialog(New<TSaveDialog>(nullptr));
    dialog->SetFilter("EXCEL文件(*.xls)|*.xls|所有文件|*.*");
    dialog->SetTitle("导出");
    dialog->SetInitialDir("C:\\Export");
    dialog->SetDefaultExt("xls");
    dialog->SetFileName("old.xls");
    dialog->SetOptions({ofOverwritePrompt});

    EXPECT_TRUE(dialog->Execute());
    ASSERT_EQ(answer.Requests.size(), 1u);
    const TFileDialogRequest& asked = answer.Requests[0];
    EXPECT_EQ(asked.Kind, TFileDialogRequest::TKind::Save);
    EXPECT_EQ(asked.Filter, "EXCEL文件(*.xls)|*.xls|所有文件|*.*");
    EXPECT_EQ(asked.Title, "导出");
    EXPECT_EQ(asked.InitialDir, "C:\\Export");
    EXPECT_EQ(asked.DefaultExt, "xls");
    EXPECT_EQ(asked.FileName, "old.xls");
    EXPECT_EQ(asked.FilterIndex, 1);
    EXPECT_TRUE(asked.Options.Contains(ofOverwritePrompt));
    EXPECT_EQ(dialog->FileName(), "C:\\Export\\persons.xls");
    EXPECT_EQ(dialog->FilterIndex(), 2);
    ASSERT_EQ(dialog->Files()->Count(), 1);
    EXPECT_EQ(dialog->Files()->Get(0), "C:\\Export\\persons.xls");

    std::unique_ptr<TOpenDialog, TFree> open(New<TOpenDialog>(nullptr));
    open->Execute();
    EXPECT_EQ(answer.Requests.back().Kind, TFileDialogRequest::TKind::Open);
}

TEST(FileDialogs, CancelledDialogAnswersFalseAndChangesNothing) {
    StartWindowTests();
    TDialogAnswer answer([](TFileDialogRequest& request) {
        request.FileName = "ignored";
        request.FilterIndex = 3;
        return false;
    });
    std::unique_ptr<TOpenDialog, TFree> dialog(New<TOpenDialog>(nullptr));
    dialog->SetFileName("");
    dialog->SetFilterIndex(1);
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(dialog->FileName(), "");
    EXPECT_EQ(dialog->FilterIndex(), 1);
    EXPECT_EQ(dialog->Files()->Count(), 0);
}

TEST(FileDialogs, SeveralFilesOfAMultipleChoice) {
    StartWindowTests();
    TDialogAnswer answer([](TFileDialogRequest& request) {
        request.Files = {"C:\\in\\a.xls", "C:\\in\\b.xls"};
        return true;
    });
    std::unique_ptr<TOpenDialog, TFree> dialog(New<TOpenDialog>(nullptr));
    dialog->SetOptions({ofAllowMultiSelect, ofFileMustExist});
    EXPECT_TRUE(dialog->Execute());
    EXPECT_TRUE(answer.Requests[0].Options.Contains(ofAllowMultiSelect));
    EXPECT_EQ(dialog->FileName(), "C:\\in\\a.xls");
    ASSERT_EQ(dialog->Files()->Count(), 2);
    EXPECT_EQ(dialog->Files()->Get(1), "C:\\in\\b.xls");
}

TEST(ShellSeam, RequestsReachTheInstalledFunction) {
    std::vector<TShellExecuteRequest> seen;
    TShellExecuteFunction previous = SetShellExecuteFunction([&seen](const TShellExecuteRequest& request) {
        seen.push_back(request);
        return static_cast<std::intptr_t>(request.File.empty() ? 2 : 42);
    });
    EXPECT_EQ(ShellExecuteFile(nullptr, "open", "http://www.example.com"), 42);
    EXPECT_EQ(ShellExecuteFile(nullptr, "", "", "", "", SW_HIDE), 2);
    SetShellExecuteFunction(std::move(previous));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].Verb, "open");
    EXPECT_EQ(seen[0].File, "http://www.example.com");
    EXPECT_EQ(seen[0].ShowCommand, SW_SHOWNORMAL);
    EXPECT_EQ(seen[1].Verb, "");
    EXPECT_EQ(seen[1].ShowCommand, SW_HIDE);
}

}  // namespace
