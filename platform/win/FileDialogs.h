// The open and save dialogs over the system's common dialogs.
//
// Classes in this file:
//   TFileDialogRequest  what one run of a file dialog asks and answers (the seam's argument)
//   TOpenDialog         chooses a file (or several) to open
//   TSaveDialog         chooses a file name to save to
//
// Filter is "description|pattern|description|pattern..." ("Excel文件|*.xls|所有文件|*.*");
// FilterIndex counts from 1. Execute runs the dialog through a replaceable function (the seam) so
// that tests answer it: the default shows GetOpenFileNameW / GetSaveFileNameW owned by the active
// window. A cancelled dialog answers false and leaves FileName, Files and FilterIndex as they were.
//
// Not yet: OnCanClose, OnFolderChange, OnSelectionChange, OnTypeChange, the explorer hook, help
// buttons, the picture dialogs.
#pragma once

#include "Controls.h"
#include "Lists.h"

#include <functional>
#include <memory>
#include <vector>

enum TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
    ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
    ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks,
    ofEnableIncludeNotify, ofEnableSizing
};
using TOpenOptions = TEnumSet<TOpenOption>;

struct TFileDialogRequest {
    enum class TKind { Open, Save };
    TKind Kind = TKind::Open;
    HWND Owner = nullptr;
    String Title;
    String Filter;
    String InitialDir;
    String DefaultExt;
    TOpenOptions Options;
    // In: the proposed name and filter; out: the chosen ones.
    String FileName;
    int FilterIndex = 1;
    // Out: every chosen file with its full path (one for a single choice).
    std::vector<String> Files;
};

// The seam: shows (or answers) a file dialog; true when a file was chosen. Returns the previous
// function; nullptr restores the system's dialogs.
using TFileDialogFunction = std::function<bool(TFileDialogRequest& request)>;
TFileDialogFunction SetFileDialogFunction(TFileDialogFunction function);

// The pairs of a filter text: {description, pattern}. A missing last pattern is empty.
std::vector<std::pair<String, String>> ParseFilter(const String& filter);

class TOpenDialog : public TComponent {
    VESTREL_CLASS(TOpenDialog, TComponent)
public:
    explicit TOpenDialog(TComponent* owner);
    ~TOpenDialog() override;

    const String& FileName() const { return fileName_; }
    void SetFileName(const String& value) { fileName_ = value; }
    // Every file of the last choice (several with ofAllowMultiSelect).
    TStrings* Files() const { return files_.get(); }
    const String& Filter() const { return filter_; }
    void SetFilter(const String& value) { filter_ = value; }
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int value) { filterIndex_ = value; }
    const String& InitialDir() const { return initialDir_; }
    void SetInitialDir(const String& value) { initialDir_ = value; }
    // Added to a chosen name that has no extension (without the dot: "xls").
    const String& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const String& value) { defaultExt_ = value; }
    const String& Title() const { return title_; }
    void SetTitle(const String& value) { title_ = value; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions value) { options_ = value; }

    // Runs the dialog; true when a file was chosen.
    virtual bool Execute();

    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

protected:
    virtual TFileDialogRequest::TKind Kind() const { return TFileDialogRequest::TKind::Open; }

private:
    String fileName_;
    std::unique_ptr<TStringList> files_;
    String filter_;
    int filterIndex_ = 1;
    String initialDir_;
    String defaultExt_;
    String title_;
    TOpenOptions options_{ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
    VESTREL_CLASS(TSaveDialog, TOpenDialog)
public:
    using TOpenDialog::TOpenDialog;

protected:
    TFileDialogRequest::TKind Kind() const override { return TFileDialogRequest::TKind::Save; }
};

// Registers the classes and published properties of this file (idempotent).
void RegisterFileDialogsClasses();
