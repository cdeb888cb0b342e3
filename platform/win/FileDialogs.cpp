#include "FileDialogs.h"

#include "TypeRegistry.h"

#include <commdlg.h>

#include <algorithm>
#include <iterator>

namespace {

constexpr DWORD kOptionFlags[] = {
    OFN_READONLY, OFN_OVERWRITEPROMPT, OFN_HIDEREADONLY, OFN_NOCHANGEDIR, OFN_SHOWHELP, OFN_NOVALIDATE,
    OFN_ALLOWMULTISELECT, OFN_EXTENSIONDIFFERENT, OFN_PATHMUSTEXIST, OFN_FILEMUSTEXIST, OFN_CREATEPROMPT,
    OFN_SHAREAWARE, OFN_NOREADONLYRETURN, OFN_NOTESTFILECREATE, OFN_NONETWORKBUTTON, OFN_NOLONGNAMES,
    0 /* ofOldStyleDialog: no OFN_EXPLORER */, OFN_NODEREFERENCELINKS, OFN_ENABLEINCLUDENOTIFY, OFN_ENABLESIZING,
};
static_assert(std::size(kOptionFlags) == ofEnableSizing + 1);

// Room for the names of a multiple choice.
constexpr std::size_t kMultiSelectBuffer = 32 * 1024;

TFileDialogFunction& DialogFunction() {
    static TFileDialogFunction function;  // empty: the system's dialogs
    return function;
}

// Splits what a dialog with OFN_ALLOWMULTISELECT | OFN_EXPLORER answered: one full path, or a
// folder followed by file names, each ended by a NUL, then a second NUL.
std::vector<String> SplitChoice(const std::vector<wchar_t>& buffer) {
    std::vector<String> parts;
    for (std::size_t start = 0; start < buffer.size() && buffer[start] != L'\0';) {
        std::size_t end = start;
        while (end < buffer.size() && buffer[end] != L'\0')
            ++end;
        parts.push_back(FromWide(buffer.data() + start, end - start));
        start = end + 1;
    }
    if (parts.size() <= 1)
        return parts;
    String folder = parts[0];
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    std::vector<String> files;
    for (std::size_t i = 1; i < parts.size(); ++i)
        files.push_back(folder + parts[i]);
    return files;
}

bool SystemFileDialog(TFileDialogRequest& request) {
    std::wstring filter;
    for (const auto& [description, pattern] : ParseFilter(request.Filter)) {
        filter += ToWide(description);
        filter += L'\0';
        filter += ToWide(pattern);
        filter += L'\0';
    }
    filter += L'\0';
    const bool multi = request.Options.Contains(ofAllowMultiSelect);
    std::vector<wchar_t> buffer(multi ? kMultiSelectBuffer : MAX_PATH * 4, L'\0');
    const std::wstring proposed = ToWide(request.FileName);
    std::copy_n(proposed.begin(), std::min(proposed.size(), buffer.size() - 2), buffer.begin());
    const std::wstring initialDir = ToWide(request.InitialDir);
    const std::wstring title = ToWide(request.Title);
    const std::wstring defaultExt = ToWide(request.DefaultExt);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = request.Owner;
    dialog.lpstrFilter = request.Filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(std::max(request.FilterIndex, 0));
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    for (int option = 0; option <= ofEnableSizing; ++option)
        if (request.Options.Contains(static_cast<TOpenOption>(option)))
            dialog.Flags |= kOptionFlags[option];
    if (!request.Options.Contains(ofOldStyleDialog))
        dialog.Flags |= OFN_EXPLORER;

    const BOOL chosen = request.Kind == TFileDialogRequest::TKind::Open ? GetOpenFileNameW(&dialog)
                                                                        : GetSaveFileNameW(&dialog);
    if (!chosen) {
        if (const DWORD error = CommDlgExtendedError())
            VLOG_ERROR(LogControls, "the file dialog failed: error 0x%lx", error);
        return false;
    }
    request.FilterIndex = static_cast<int>(dialog.nFilterIndex);
    request.Files = multi ? SplitChoice(buffer) : std::vector<String>{FromWide(buffer.data())};
    request.FileName = request.Files.empty() ? String() : request.Files.front();
    return true;
}

}  // namespace

TFileDialogFunction SetFileDialogFunction(TFileDialogFunction function) {
    TFileDialogFunction previous = std::move(DialogFunction());
    DialogFunction() = std::move(function);
    return previous;
}

std::vector<std::pair<String, String>> ParseFilter(const String& filter) {
    std::vector<String> parts;
    std::size_t start = 0;
    while (start <= filter.size() && !filter.empty()) {
        const std::size_t bar = filter.find('|', start);
        if (bar == String::npos) {
            parts.push_back(filter.substr(start));
            break;
        }
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<std::pair<String, String>> pairs;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        String pattern = i + 1 < parts.size() ? parts[i + 1] : String();
        if (!parts[i].empty() || !pattern.empty())
            pairs.emplace_back(parts[i], std::move(pattern));
    }
    return pairs;
}

// ---- TOpenDialog ------------------------------------------------------------------------------------

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner), files_(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() {
    TFileDialogRequest request;
    request.Kind = Kind();
    request.Owner = GetActiveWindow();
    request.Title = title_;
    request.Filter = filter_;
    request.InitialDir = initialDir_;
    request.DefaultExt = defaultExt_;
    request.Options = options_;
    request.FileName = fileName_;
    request.FilterIndex = filterIndex_;
    if (OnShow)
        OnShow(this);
    bool chosen = false;
    try {
        const TFileDialogFunction& function = DialogFunction();
        chosen = function ? function(request) : SystemFileDialog(request);
    } catch (...) {
        if (OnClose)
            OnClose(this);
        throw;
    }
    if (OnClose)
        OnClose(this);
    if (!chosen)
        return false;
    if (request.Files.empty() && !request.FileName.empty())
        request.Files.push_back(request.FileName);
    files_->Clear();
    for (const String& file : request.Files)
        files_->Add(file);
    fileName_ = request.Files.empty() ? String() : request.Files.front();
    filterIndex_ = request.FilterIndex;
    return true;
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterFileDialogsClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterClasses<TOpenDialog, TSaveDialog>();
    RegisterProperties<TOpenDialog>()
        .Str("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName)
        .Str("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter)
        .Int("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex)
        .Str("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir)
        .Str("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt)
        .Str("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle)
        .Set("Options", [](TOpenDialog& d) { return d.Options().Bits(); },
             [](TOpenDialog& d, std::uint32_t bits) { d.SetOptions(TOpenOptions::FromBits(bits)); },
             {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofShowHelp", "ofNoValidate",
              "ofAllowMultiSelect", "ofExtensionDifferent", "ofPathMustExist", "ofFileMustExist",
              "ofCreatePrompt", "ofShareAware", "ofNoReadOnlyReturn", "ofNoTestFileCreate", "ofNoNetworkButton",
              "ofNoLongNames", "ofOldStyleDialog", "ofNoDereferenceLinks", "ofEnableIncludeNotify",
              "ofEnableSizing"})
        .Event("OnShow", &TOpenDialog::OnShow)
        .Event("OnClose", &TOpenDialog::OnClose);
}
