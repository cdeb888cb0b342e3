#include "DBGridEhClipboard.h"

#include "DBGridEhSelection.h"
#include "Dialogs.h"
#include "Encoding.h"

#include <algorithm>
#include <cstring>
#include <vector>

UINT VCLDBIFClipboardFormat() {
    static const UINT format = RegisterClipboardFormatW(L"VCLDBIF");
    return format;
}

UINT CsvClipboardFormat() {
    static const UINT format = RegisterClipboardFormatW(L"Csv");
    return format;
}

UINT RtfClipboardFormat() {
    static const UINT format = RegisterClipboardFormatW(L"Rich Text Format");
    return format;
}

namespace {

// The clipboard, open for one copy.
class TOpenClipboard {
public:
    explicit TOpenClipboard(HWND owner) {
        if (!OpenClipboard(owner)) throw Exception("Cannot open clipboard");
    }
    ~TOpenClipboard() { CloseClipboard(); }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;
};

// Hands `size` bytes to the clipboard under `format` in a movable, shared block.
void Place(UINT format, const void* data, std::size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size ? size : 1);
    if (!block) throw Exception("Out of memory");
    void* memory = GlobalLock(block);
    if (!memory) {
        GlobalFree(block);
        throw Exception("Out of memory");
    }
    if (size) std::memcpy(memory, data, size);
    GlobalUnlock(block);
    if (!SetClipboardData(format, block)) {
        GlobalFree(block);
        throw Exception("Cannot place the data on the clipboard");
    }
}

std::string Export(TDBGridEhExportClass exportClass, TCustomDBGridEh* grid, bool all, bool nul) {
    TMemoryStream stream;
    SaveGridToExportStream(exportClass, grid->Core(), &stream, all, grid->ExportHooks());
    std::string bytes(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
    if (nul) bytes += '\0';
    return bytes;
}

// Re-enables the data set's controls at the end of a copy.
class TControlsDisabled {
public:
    explicit TControlsDisabled(TDataSet* dataSet) : dataSet_(dataSet) {
        if (dataSet_) dataSet_->DisableControls();
    }
    ~TControlsDisabled() {
        if (dataSet_) dataSet_->EnableControls();
    }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    TDataSet* dataSet_;
};

}  // namespace

void DBGridEh_DoCopyAction(TCustomDBGridEh* grid, bool all) {
    TOpenClipboard clipboard(grid->Handle());
    TControlsDisabled disabled(grid->Core()->DataSet());
    EmptyClipboard();
    // The text goes as Unicode (the system derives CF_TEXT from it), converted from our GBK bytes.
    const std::string text = Export(&NewGridExport<TDBGridEhExportAsText>, grid, all, true);
    const WideString wide = Utf8ToUtf16(GbkToUtf8(text));
    Place(CF_UNICODETEXT, wide.c_str(), (wide.size() + (wide.empty() || wide.back() != 0 ? 1 : 0)) * sizeof(char16_t));
    const std::string csv = Export(&NewGridExport<TDBGridEhExportAsCSV>, grid, all, true);
    Place(CsvClipboardFormat(), csv.data(), csv.size());
    const std::string rtf = Export(&NewGridExport<TDBGridEhExportAsRTF>, grid, all, true);
    Place(RtfClipboardFormat(), rtf.data(), rtf.size());
    const std::string stream = Export(&NewGridExport<TDBGridEhExportAsVCLDBIF>, grid, all, false);
    Place(VCLDBIFClipboardFormat(), stream.data(), stream.size());
}

// ---- Paste, cut and delete ---------------------------------------------------------------------------------

namespace {

// The whole block of `format` (nothing when there is none or it cannot be locked).
bool ReadClipboardBlock(UINT format, std::string& bytes) {
    HANDLE block = GetClipboardData(format);
    if (!block) return false;
    const void* memory = GlobalLock(block);
    if (!memory) return false;
    bytes.assign(static_cast<const char*>(memory), GlobalSize(block));
    GlobalUnlock(block);
    return true;
}

TDBGridEhImportHooks ImportHooksOf(TCustomDBGridEh* grid) {
    TDBGridEhImportHooks hooks;
    hooks.ClearSelection = [grid] {
        if (grid->Selection()) grid->Selection()->ClearSelection();
    };
    hooks.CurrentColumn = [grid] { return grid->SelectedIndex(); };
    hooks.SetCurrentColumn = [grid](int index) { grid->SetSelectedIndex(index); };
    hooks.AllowAppend = grid->AllowedOperations().Contains(alopAppendEh);
    hooks.AskIgnoreError = [](const String& question) {
        const TModalResult answer = MessageDlg(question, mtError, TMsgDlgButtons{mbYes, mbNo, mbAll});
        return answer == mrYes   ? TImportErrorAnswer::Ignore
               : answer == mrAll ? TImportErrorAnswer::IgnoreAll
                                 : TImportErrorAnswer::Stop;
    };
    return hooks;
}

bool Editing(TDataSet* ds) { return ds->State() == dsEdit || ds->State() == dsInsert; }

// Sets each modifiable column of the current record to null (not posted).
void ClearColumns(const std::vector<TColumnEh*>& columns) {
    for (TColumnEh* column : columns) {
        if (!column->CanModify(false)) continue;
        TField* target = ColumnTargetField(column);
        TDataSet* ds = target ? target->DataSet() : nullptr;
        if (!ds || !ds->CanModify()) continue;
        ds->Edit();
        if (Editing(ds)) target->Clear();
    }
}

}  // namespace

void DBGridEh_DoPasteAction(TCustomDBGridEh* grid, bool all) {
    std::string bytes;
    bool interchange = false;
    {
        // Closed before the rows are written: questions may come up meanwhile.
        TOpenClipboard clipboard(grid->Handle());
        if (IsClipboardFormatAvailable(VCLDBIFClipboardFormat()) && ReadClipboardBlock(VCLDBIFClipboardFormat(), bytes))
            interchange = true;
        else if (!IsClipboardFormatAvailable(CF_TEXT) || !ReadClipboardBlock(CF_TEXT, bytes))
            return;
    }
    TMemoryStream stream;
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    if (interchange)
        LoadGridFromImportStream(&NewGridImport<TDBGridEhImportAsVCLDBIF>, grid->Core(), &stream, all,
                                 ImportHooksOf(grid));
    else
        LoadGridFromImportStream(&NewGridImport<TDBGridEhImportAsText>, grid->Core(), &stream, all, ImportHooksOf(grid));
}

void DBGridEh_DoCutAction(TCustomDBGridEh* grid, bool all) {
    DBGridEh_DoCopyAction(grid, all);
    DBGridEh_DoDeleteAction(grid, all);
}

void DBGridEh_DoDeleteAction(TCustomDBGridEh* grid, bool all) {
    TDBGridEhSelection* selection = grid->Selection();
    const TDBGridEhSelectionType kind = all ? gstAll : grid->SelectionType();
    TDataSet* ds = grid->DataSource() ? grid->DataSource()->DataSet() : nullptr;
    if (kind == gstNon || !ds || !selection) return;

    if (grid->Options().Contains(dgConfirmDelete)) {
        String question;
        if (kind == gstRecordBookmarks)
            question = selection->Rows()->Count() < 2 ? "Delete record?" : "Delete all selected records?";
        else if (kind == gstRectangle)
            question = "Clear selected cells?";
        if (!question.empty() && MessageDlg(question, mtConfirmation, mbOKCancel) == mrCancel) return;
    }

    TControlsDisabled disabled(ds);
    const TBookmark saved = ds->Active() && !ds->IsEmpty() ? ds->Bookmark() : TBookmark();
    auto restore = [&] {
        if (!saved.empty() && ds->BookmarkValid(saved)) ds->GotoBookmark(saved);
    };
    TDBGridColumnsEh* columns = grid->Columns();
    try {
        switch (kind) {
        case gstRecordBookmarks: {
            std::vector<TBookmark> rows;
            for (int i = 0; i < selection->Rows()->Count(); ++i) rows.push_back(selection->Rows()->Items(i));
            for (const TBookmark& row : rows) {
                if (!ds->BookmarkValid(row)) continue;
                ds->GotoBookmark(row);
                ds->Delete();
            }
            selection->ClearSelection();
            break;
        }
        case gstRectangle: {
            TDBGridEhSelectionRect* rect = selection->Rect();
            std::vector<TColumnEh*> cleared;
            for (int i = std::max(rect->LeftCol(), 0); i <= rect->RightCol() && i < columns->Count(); ++i)
                if (columns->ColumnAt(i)->Visible()) cleared.push_back(columns->ColumnAt(i));
            const TBookmark bottom = rect->BottomRow();
            if (!rect->TopRow().empty() && ds->BookmarkValid(rect->TopRow())) {
                ds->GotoBookmark(rect->TopRow());
                while (!ds->Eof()) {
                    const bool last = ds->CompareBookmarks(ds->Bookmark(), bottom) == 0;
                    ClearColumns(cleared);
                    if (last) break;
                    ds->Next();
                }
            }
            restore();
            break;
        }
        case gstColumns: {
            std::vector<TColumnEh*> cleared;
            for (int i = 0; i < selection->Columns()->Count(); ++i) cleared.push_back(selection->Columns()->ColumnAt(i));
            for (ds->First(); !ds->Eof(); ds->Next()) ClearColumns(cleared);
            restore();
            break;
        }
        case gstAll:
            ds->First();
            // Stops when a delete takes nothing away (a data set that keeps its rows).
            while (!ds->IsEmpty()) {
                const int before = ds->RecordCount();
                ds->Delete();
                if (ds->RecordCount() >= before) break;
            }
            break;
        case gstNon:
            break;
        }
    } catch (...) {
        // A record whose change was refused goes back to what it was.
        try {
            if (Editing(ds)) ds->Cancel();
        } catch (const Exception&) {
        }
        throw;
    }
}

bool DBGridEh_CanDeleteSelection(TCustomDBGridEh* grid) {
    TDataSet* ds = grid->DataLink()->DataSet();
    if (!grid->DataLink()->Active() || grid->ReadOnly() || !ds || ds->IsEmpty() || !ds->CanModify()) return false;
    const TDBGridEhAllowedOperations allowed = grid->AllowedOperations();
    switch (grid->SelectionType()) {
    case gstRecordBookmarks:
    case gstAll: return allowed.Contains(alopDeleteEh);
    case gstRectangle:
    case gstColumns: return allowed.Contains(alopUpdateEh);
    default: return false;
    }
}

bool DBGridEh_CanCut(TCustomDBGridEh* grid) {
    return grid->SelectionType() != gstNon && grid->DataLink()->Active() && DBGridEh_CanDeleteSelection(grid);
}

bool DBGridEh_CanPaste(TCustomDBGridEh* grid) {
    TDataSet* ds = grid->DataLink()->DataSet();
    if (!grid->DataLink()->Active() || grid->ReadOnly() || !ds || !ds->CanModify()) return false;
    if (!IsClipboardFormatAvailable(VCLDBIFClipboardFormat()) && !IsClipboardFormatAvailable(CF_TEXT)) return false;
    return ds->State() == dsInsert || grid->AllowedOperations().Contains(alopUpdateEh);
}
