// The grid's exports: the walk over titles, records and footers by the grid's selection, with the
// footer values computed over the exported rows, and the formats written from it.
//
// Classes in this file:
//   TDBGridEhWalkSelection     the selection as a walk reads it (kind, rows, rectangle, columns)
//   TDBGridEhExportHooks       what a walk asks of the grid beyond its core: the selection and the
//                              grid's own cell and footer handlers
//   TDBGridEhExport            the walk; the writing steps do nothing
//   TDBGridEhExportAsText      tab-separated text
//   TDBGridEhExportAsCSV       CSV, every cell quoted, separator CsvSeparator
//   TDBGridEhExportAsXLS       an Excel worksheet stream (BIFF records)
//   TDBGridEhExportAsRTF       a Rich Text Format document with one table
//   TDBGridEhExportAsVCLDBIF   the interchange stream (VCLDBIFStream.h), values with their types
//   TDBGridEhImportHooks       what an import asks of the grid beyond its core
//   TDBGridEhImport            the import walk: rows read from a stream go over the grid's records
//                              by its selection, or are inserted or appended
//   TDBGridEhImportAsText      tab-separated text (as the text export writes it, quoted cells too)
//   TDBGridEhImportAsVCLDBIF   the interchange stream, values with their types and nulls
//
// Routines: SaveGridToExportStream, SaveGridToExportFile, LoadGridFromImportStream,
// LoadGridFromImportFile.
//
// An import reads and checks its whole stream before it changes anything: a malformed stream is
// refused with nothing written. A record whose post fails is cancelled (the records posted before it
// stay) and the failure goes on to the caller.
//
// Text goes out in the system's ANSI code page (GBK): a character GBK cannot hold, and a NUL,
// become '?'.
#pragma once

#include "DBGridEhCore.h"
#include "DBGridEhLayoutCore.h"
#include "Encoding.h"
#include "Streams.h"
#include "TabTextRows.h"
#include "VCLDBIFStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

VESTREL_EXCEPTION(EDBGridEhExportError, Exception);

struct TDBGridEhWalkSelection {
    TDBGridEhSelectionType Type = gstNon;
    std::vector<TBookmark> Rows;          // gstRecordBookmarks, in the list's order
    int LeftCol = -1;                     // gstRectangle: indices into the grid's Columns
    int RightCol = -1;
    TBookmark TopRow;
    TBookmark BottomRow;
    std::vector<TColumnEh*> Columns;      // gstColumns, in Index order
};

struct TDBGridEhExportHooks {
    // Unset: the grid's selection.
    std::function<TDBGridEhWalkSelection()> Selection;
    std::function<void(TColumnEh* column, TCustomFont* font, TColor& background, TGridDrawState state)> GetCellParams;
    std::function<void(int dataCol, int row, TColumnEh* column, TCustomFont* font, TColor& background,
                       TAlignment& alignment, TGridDrawState state, String& text)>
        GetFooterParams;
    // The horizontal resolution of the grid's canvas (the RTF table's widths).
    int PixelsPerInch = 96;
    // Multi-line titles (the grid's UseMultiTitle): the leaf of a column in the grid's title tree,
    // the grid's FixedColor and VTitleMargin. Unset TitleLeaf: one title row.
    std::function<THeadTreeNode*(TColumnEh* column)> TitleLeaf;
    TColor FixedColor = clBtnFace;
    int VTitleMargin = 10;
};

// The separator of CSV exports (initially ';').
extern char CsvSeparator;

// Cell text as the exports write it: GBK bytes, NUL and characters outside GBK as '?'.
AnsiString ExportTextBytes(const String& text);

class TDBGridEhExport : public TObject {
    VESTREL_CLASS(TDBGridEhExport, TObject)
public:
    TDBGridEhExport();
    ~TDBGridEhExport() override;

    TDBGridEhCore* DBGridEh = nullptr;
    TDBGridEhExportHooks Hooks;

    virtual void ExportStream(TStream* stream, bool all);
    // Writes a temporary file beside `fileName` and puts it in its place only when the export
    // succeeded; an existing file is replaced. On failure no file of the export is left.
    virtual void ExportFile(const String& fileName, bool all);

protected:
    virtual void EmitPrefix() {}
    virtual void EmitSuffix() {}
    virtual void EmitTitle(TColumnsEhList* columns) {}
    virtual void EmitRecord(TColumnsEhList* columns);
    virtual void EmitDataCell(TColumnEh* column, TColCellParamsEh* params) {}
    virtual void EmitFooter(TColumnsEhList* columns, int footerRow);
    virtual void EmitFooterCell(int colPos, int footerRow, const String& text, TAlignment alignment, TColor background,
                                TCustomFont* font, TColumnEh* column) {}

    // The target stream, with the bytes of WriteBytes written out first.
    TStream* Stream() {
        Flush();
        return stream_;
    }
    TColumnsEhList* ExportedColumns() const { return columns_.get(); }
    // The export's own value of a footer cell (currency units: the value times 10000).
    std::int64_t FooterAccumulator(int footerRow, int colPos) const;
    // Bytes for the stream, gathered and written in large blocks (all of them by the end of
    // ExportStream; those still held when the export fails are dropped).
    void WriteBytes(const AnsiString& bytes) { WriteBytes(bytes.data(), bytes.size()); }
    void WriteBytes(const void* data, std::size_t count) {
        pending_.append(static_cast<const char*>(data), count);
        if (pending_.size() >= kWriteBlock) Flush();
    }
    void WriteByte(char byte) {
        pending_ += byte;
        if (pending_.size() >= kWriteBlock) Flush();
    }
    void Flush();

private:
    // Titles, records and footers by the selection, then the suffix.
    void Walk(bool all);
    TDBGridEhWalkSelection CurrentSelection() const;
    void ChooseVisibleColumns();
    void ResetAccumulators();
    void Accumulate();
    void EmitFooters();
    String ExportFooterText(TColumnFooterEh* footer, TColumnEh* column, int footerRow, int colPos) const;
    TField* FooterField(TColumnFooterEh* footer, TColumnEh* column) const;

    static constexpr std::size_t kWriteBlock = 64 * 1024;

    TStream* stream_ = nullptr;
    std::string pending_;
    std::unique_ptr<TColumnsEhList> columns_;
    std::vector<std::int64_t> footerValues_;
    std::unique_ptr<TColCellParamsEh> cellParams_;
};

class TDBGridEhExportAsText : public TDBGridEhExport {
    VESTREL_CLASS(TDBGridEhExportAsText, TDBGridEhExport)
public:
    void ExportStream(TStream* stream, bool all) override;

protected:
    void EmitTitle(TColumnsEhList* columns) override;
    void EmitRecord(TColumnsEhList* columns) override;
    void EmitDataCell(TColumnEh* column, TColCellParamsEh* params) override;
    void EmitFooter(TColumnsEhList* columns, int footerRow) override;
    void EmitFooterCell(int colPos, int footerRow, const String& text, TAlignment alignment, TColor background,
                        TCustomFont* font, TColumnEh* column) override;
    virtual void StartRow();
    virtual void StartCell();
    // A cell's bytes: as they are, but a cell holding a TAB, CR or LF, or opening with a double
    // quote, is quoted as spreadsheets do (inner quotes doubled), so that rows and cells stay whole.
    virtual AnsiString CellBytes(const String& text) const;

    bool firstRecord_ = true;
    bool firstCell_ = true;
};

class TDBGridEhExportAsCSV : public TDBGridEhExportAsText {
    VESTREL_CLASS(TDBGridEhExportAsCSV, TDBGridEhExportAsText)
public:
    TDBGridEhExportAsCSV() : separator_(CsvSeparator) {}

protected:
    void EmitTitle(TColumnsEhList* columns) override;
    void StartCell() override;
    AnsiString CellBytes(const String& text) const override;

private:
    char separator_;
};

class TDBGridEhExportAsXLS : public TDBGridEhExport {
    VESTREL_CLASS(TDBGridEhExportAsXLS, TDBGridEhExport)
public:
    // The sheet's limits: rows 0..65535, columns 0..255.
    static constexpr int kMaxRows = 65536;
    static constexpr int kMaxColumns = 256;
    // The longest LABEL text in bytes (the record's length field holds 8 + n).
    static constexpr int kMaxLabelBytes = 65527;

    void ExportStream(TStream* stream, bool all) override;

protected:
    void EmitPrefix() override;
    void EmitSuffix() override;
    void EmitTitle(TColumnsEhList* columns) override;
    void EmitDataCell(TColumnEh* column, TColCellParamsEh* params) override;
    void EmitFooterCell(int colPos, int footerRow, const String& text, TAlignment alignment, TColor background,
                        TCustomFont* font, TColumnEh* column) override;

private:
    void WriteRecordHeader(std::uint16_t type, std::uint16_t length);
    void CheckCellPosition() const;
    void NextCell();
    void WriteLabel(const String& text);
    void WriteNumber(double value);
    void WriteInteger(std::int64_t value);
    void WriteBlank();

    int col_ = 0;
    int row_ = 0;
};

// With multi-line titles (UseMultiTitle and a TitleLeaf hook) the title is one table row per level of
// the grid's title tree, each group a merged block of cells without inner borders.
class TDBGridEhExportAsRTF : public TDBGridEhExport {
    VESTREL_CLASS(TDBGridEhExportAsRTF, TDBGridEhExport)
public:
    void ExportStream(TStream* stream, bool all) override;
    // Cell text as RTF: '\\', '{' and '}' escaped, line breaks as \line, tabs as \tab, other
    // characters as \uN with their GBK bytes as the fallback for readers without Unicode.
    static std::string EscapeText(const String& text);

protected:
    void EmitSuffix() override;
    void EmitTitle(TColumnsEhList* columns) override;
    void EmitRecord(TColumnsEhList* columns) override;
    void EmitDataCell(TColumnEh* column, TColCellParamsEh* params) override;
    void EmitFooter(TColumnsEhList* columns, int footerRow) override;
    void EmitFooterCell(int colPos, int footerRow, const String& text, TAlignment alignment, TColor background,
                        TCustomFont* font, TColumnEh* column) override;

private:
    int ColorIndex(TColor color);
    int FontIndex(const String& name);
    void Out(const std::string& text);
    // Borders of a cell: a set of these bits (kAllBorders for every side).
    enum : unsigned { kLeft = 1, kTop = 2, kBottom = 4, kRight = 8, kAllBorders = 15 };
    void RowStart(TColumnsEhList* columns, const std::vector<TColor>& shading,
                  const std::vector<unsigned>& borders = {});
    // spacing < 0: the grid's spacing; kNoSpacing: no \sb and \sa words.
    static constexpr int kNoSpacing = -2;
    void Cell(TAlignment alignment, TCustomFont* font, TColor background, const String& text, int spacing = -1);
    void EmitMultiTitle(TColumnsEhList* columns);
    int Spacing() const;

    std::vector<std::uint32_t> colors_;
    std::vector<String> fonts_;
};

class TDBGridEhExportAsVCLDBIF : public TDBGridEhExport {
    VESTREL_CLASS(TDBGridEhExportAsVCLDBIF, TDBGridEhExport)
protected:
    void EmitPrefix() override;
    void EmitSuffix() override;
    void EmitDataCell(TColumnEh* column, TColCellParamsEh* params) override;
};

// ---- Import ---------------------------------------------------------------------------------------------

// The answer to "Ignore error?" after a value that could not be written.
enum class TImportErrorAnswer { Ignore, Stop, IgnoreAll };

struct TDBGridEhImportHooks {
    // Unset: the grid's selection.
    std::function<TDBGridEhWalkSelection()> Selection;
    // Unset: the grid's selection object cleared.
    std::function<void()> ClearSelection;
    // The current column as an index into Columns (-1: none). Unset: none.
    std::function<int()> CurrentColumn;
    std::function<void(int index)> SetCurrentColumn;
    // The grid's AllowedOperations hold alopAppendEh: rows left over after the last record are
    // appended.
    bool AllowAppend = true;
    // Asked with the whole question text. Unset: Stop.
    std::function<TImportErrorAnswer(const String& question)> AskIgnoreError;
};

// The field a column's value goes to: its field, or for a lookup column the data set's field named by
// the lookup's KeyFields (nullptr when there is none).
TField* ColumnTargetField(TColumnEh* column);

// The question after a value that could not be written: "Error during insert value:", the
// message, "Ignore error?".
String ImportErrorQuestion(const String& message);

class TDBGridEhImport : public TObject {
    VESTREL_CLASS(TDBGridEhImport, TObject)
public:
    TDBGridEhImport();
    ~TDBGridEhImport() override;

    TDBGridEhCore* DBGridEh = nullptr;
    TDBGridEhImportHooks Hooks;

    virtual void ImportStream(TStream* stream, bool all);
    virtual void ImportFile(const String& fileName, bool all);

protected:
    // The formats' ReadHeader reads and checks the whole stream; ReadRow hands its rows out.
    virtual void ReadHeader() {}
    virtual void ReadTrailer() {}
    virtual void ReadRow(TColumnsEhList* columns);
    virtual void ReadCell(TColumnEh* column) {}

    TStream* Stream() const { return stream_; }
    bool Eos() const { return eos_; }
    void SetEos(bool value) { eos_ = value; }
    // Puts the target's data set in edit state; false when it cannot be edited now.
    static bool StartEdit(TField* target);
    // Runs `write`; a failure of the Exception family asks whether to go on (EAbort when not).
    void WriteGuarded(const std::function<void()>& write);
    // The whole rest of the stream.
    std::string ReadAll();

private:
    void InsertLoop(TDataSet* ds, bool appendMode, TColumnsEhList* columns);

    TStream* stream_ = nullptr;
    std::unique_ptr<TColumnsEhList> columns_;
    bool eos_ = false;
    bool ignoreAll_ = false;
};

class TDBGridEhImportAsText : public TDBGridEhImport {
    VESTREL_CLASS(TDBGridEhImportAsText, TDBGridEhImport)
public:
    // The rows of tab-separated text (ReadTabTextRows).
    static std::vector<std::vector<String>> ParseText(const std::string& bytes);

protected:
    void ReadHeader() override;
    void ReadRow(TColumnsEhList* columns) override;
    void ReadCell(TColumnEh* column) override;

private:
    std::vector<std::vector<String>> rows_;
    std::size_t nextRow_ = 0;
    const std::vector<String>* row_ = nullptr;
    std::size_t nextCell_ = 0;
};

class TDBGridEhImportAsVCLDBIF : public TDBGridEhImport {
    VESTREL_CLASS(TDBGridEhImportAsVCLDBIF, TDBGridEhImport)
public:
    // The columns as the stream names them (names are not used to match columns: cells go to the
    // import columns by position).
    const std::vector<TVCLDBIFColumn>& StreamColumns() const { return data_.Columns; }

protected:
    void ReadHeader() override;
    void ReadRow(TColumnsEhList* columns) override;
    void ReadCell(TColumnEh* column) override;

private:
    TVCLDBIFData data_;
    std::size_t nextRow_ = 0;
    const std::vector<Variant>* row_ = nullptr;
    std::size_t nextCell_ = 0;
};


using TDBGridEhImportClass = std::unique_ptr<TDBGridEhImport> (*)();
template <class T>
std::unique_ptr<TDBGridEhImport> NewGridImport() {
    return std::make_unique<T>();
}

void LoadGridFromImportStream(TDBGridEhImportClass importClass, TDBGridEhCore* grid, TStream* stream, bool all,
                              const TDBGridEhImportHooks& hooks = TDBGridEhImportHooks());
void LoadGridFromImportFile(TDBGridEhImportClass importClass, TDBGridEhCore* grid, const String& fileName, bool all,
                            const TDBGridEhImportHooks& hooks = TDBGridEhImportHooks());

// ---- Routines ------------------------------------------------------------------------------------------

using TDBGridEhExportClass = std::unique_ptr<TDBGridEhExport> (*)();
template <class T>
std::unique_ptr<TDBGridEhExport> NewGridExport() {
    return std::make_unique<T>();
}

void SaveGridToExportStream(TDBGridEhExportClass exportClass, TDBGridEhCore* grid, TStream* stream, bool all,
                            const TDBGridEhExportHooks& hooks = TDBGridEhExportHooks());
void SaveGridToExportFile(TDBGridEhExportClass exportClass, TDBGridEhCore* grid, const String& fileName, bool all,
                          const TDBGridEhExportHooks& hooks = TDBGridEhExportHooks());
