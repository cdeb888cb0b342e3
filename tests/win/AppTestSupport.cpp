#include "AppTestSupport.h"

#include "Encoding.h"
#include "Streams.h"
#include "TestControls.h"
#include "U_Data.h"
#include "U_DataLogic.h"
#include "U_Main.h"
#include "U_login.h"
#include "WinApi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

String FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return String((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TChosenFile::TChosenFile(String path) {
    previous_ = SetFileDialogFunction([this, path](TFileDialogRequest& request) {
        requests.push_back(request);
        if (path.empty())
            return false;
        request.FileName = path;
        request.Files = {path};
        return true;
    });
}

TChosenFile::~TChosenFile() {
    SetFileDialogFunction(std::move(previous_));
}

std::filesystem::path HostPath(const char* path) {
    const String text = path;
    return std::filesystem::path(Utf8ToPath(text.size() > 1 && text[0] == '/' ? "Z:" + text : text));
}

std::optional<String> ProgramResource(const String& className) {
    return FindExecutableFormResource(className);
}

TScratchProgramFolder::TScratchProgramFolder(const char* tag) {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("vestrel-" + String(tag) + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_ / "DataBase");
    std::filesystem::copy_file(HostPath(VESTREL_APP_DATABASE), path_ / "DataBase" / "Custom.mdb");
    SetProgramFolder(PathToUtf8(path_));
}

TScratchProgramFolder::~TScratchProgramFolder() {
    SetProgramFolder(String());
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

String TScratchProgramFolder::Folder() const {
    return IncludeTrailingPathDelimiter(PathToUtf8(path_));
}

void CreateProgramForms() {
    Application->CreateForm(Frm_Main);
    Application->CreateForm(Frm_Data);
    Application->CreateForm(Frm_Login);
}

void FreeProgramForms() {
    for (TComponent** form : {reinterpret_cast<TComponent**>(&Frm_Login), reinterpret_cast<TComponent**>(&Frm_Data),
                              reinterpret_cast<TComponent**>(&Frm_Main)})
        if (*form) {
            (*form)->Free();
            *form = nullptr;
        }
    DrainMessages();
}

void LogInAndShowMain(int index, const char* password) {
    Frm_Login->Show();
    DrainMessages();
    Frm_Login->Combo_User->SetItemIndex(index);
    Frm_Login->Edit_Pass->SetText(password);
    SendMessageW(Frm_Login->Btn_ok->Handle(), BM_CLICK, 0, 0);
    DrainMessages();
    if (!Frm_Login->LoginOk)
        throw std::runtime_error("the login failed");
    Frm_Main->Show();
    DrainMessages();
}

String ProgramValue(const String& sql) {
    TADOQuery* query = New<TADOQuery>(nullptr);
    try {
        query->SetConnection(Frm_Data->ADOConnection1);
        OpenQuery(query, sql);
    } catch (...) {
        query->Free();
        throw;
    }
    const String value = query->IsEmpty() ? String("<none>") : query->Fields()->Fields(0)->AsString();
    query->Free();
    return value;
}

int ProgramCount(const String& sql) {
    return std::stoi(ProgramValue(sql));
}

TModalFormAnswer::TModalFormAnswer(std::function<bool(TCustomForm*)> match, std::function<void(TCustomForm*)> act)
    : match_(std::move(match)), act_(std::move(act)), previousIdle_(Application->OnIdle) {
    Application->OnIdle = Event<&TModalFormAnswer::Idle>(this);
}

// Answers nest (a dialog opened from an answered dialog): the outer one keeps answering afterwards.
TModalFormAnswer::~TModalFormAnswer() {
    Application->OnIdle = previousIdle_;
}

void TModalFormAnswer::Idle(TObject* sender, bool& done) {
    if (!seen_ && AnswerModalForm())
        return;
    if (previousIdle_)
        previousIdle_(sender, done);
}

bool TModalFormAnswer::AnswerModalForm() {
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (!form->FormState().Contains(fsModal) || !match_(form))
            continue;
        seen_ = true;
        try {
            act_(form);
        } catch (const std::exception& e) {
            ADD_FAILURE() << "raised: " << e.what();
        }
        if (form->ModalResult() == mrNone && form->Visible())
            form->Close();
        return true;
    }
    return false;
}
