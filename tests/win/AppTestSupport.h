// Helpers of the tests that run the program's own forms.
#pragma once

#include "FileDialogs.h"
#include "Forms.h"
#include "SysUtils.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

// A path the build wrote as a host path ("/work/..."), as this Windows program reaches it ("Z:/...").
std::filesystem::path HostPath(const char* path);

// The program's own description of `className` (an RCDATA resource named in upper case), without a
// byte-order mark; nothing when the program has none.
std::optional<String> ProgramResource(const String& className);

// The whole contents of a file, as bytes.
String FileBytes(const std::filesystem::path& path);

// The file dialogs answer `path` (or are cancelled when it is empty) while it lives; the requests
// are kept.
class TChosenFile {
public:
    explicit TChosenFile(String path);
    ~TChosenFile();
    TChosenFile(const TChosenFile&) = delete;
    TChosenFile& operator=(const TChosenFile&) = delete;
    std::vector<TFileDialogRequest> requests;

private:
    TFileDialogFunction previous_;
};

// A scratch program folder for one test: a copy of the shipped database in DataBase/, the
// program's folder while it lives; removed (and the executable's folder restored) afterwards.
class TScratchProgramFolder {
public:
    // The folder "vestrel-<tag>-<process>-<n>" in the temporary folder.
    explicit TScratchProgramFolder(const char* tag);
    ~TScratchProgramFolder();
    TScratchProgramFolder(const TScratchProgramFolder&) = delete;
    TScratchProgramFolder& operator=(const TScratchProgramFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The folder as the program names it, with its trailing delimiter.
    String Folder() const;

private:
    std::filesystem::path path_;
};

// The first column of the first row that `sql` answers on the data module's connection, through
// a query of the caller's own ("<none>" when there is no row); ProgramCount reads it as a number.
String ProgramValue(const String& sql);
int ProgramCount(const String& sql);

// The start-up's forms in its order: the main window, the data module, the login dialog.
void CreateProgramForms();
// Frees the forms CreateProgramForms made (those still there), the last first.
void FreeProgramForms();
// Logs operator `index` (0 Admin, 1 李明) in through the login dialog, then shows the main window
// (which shows the person window). Raises std::runtime_error when the login fails.
void LogInAndShowMain(int index, const char* password);

// While it lives, runs an action on the first modal form that `match` accepts once the modal loop
// idles, then closes that form unless the action ended its modal run. An action that raises is
// reported as a test failure and the form is still closed, so the modal loop never hangs.
class TModalFormAnswer {
public:
    TModalFormAnswer(std::function<bool(TCustomForm*)> match, std::function<void(TCustomForm*)> act);
    ~TModalFormAnswer();
    TModalFormAnswer(const TModalFormAnswer&) = delete;
    TModalFormAnswer& operator=(const TModalFormAnswer&) = delete;
    bool Seen() const { return seen_; }

private:
    void Idle(TObject* Sender, bool& Done);
    bool AnswerModalForm();
    std::function<bool(TCustomForm*)> match_;
    std::function<void(TCustomForm*)> act_;
    TIdleEvent previousIdle_;
    bool seen_ = false;
};

// TModalFormAnswer for the first modal form of class T.
template <class T>
class TModalAnswer : public TModalFormAnswer {
public:
    explicit TModalAnswer(std::function<void(T*)> act)
        : TModalFormAnswer([](TCustomForm* form) { return dynamic_cast<T*>(form) != nullptr; },
                           [act = std::move(act)](TCustomForm* form) { act(static_cast<T*>(form)); }) {}
};
