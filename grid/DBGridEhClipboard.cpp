#include "DBGridEhClipboard.h"

#include "Encoding.h"

#include <cstring>

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
