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
//
// Routines: SaveGridToExportStream, SaveGridToExportFile.
//
// Text goes out in the system's ANSI code page (GBK): a character GBK cannot hold, and a NUL,
// become '?'.
#pragma once

#include "DBGridEhCore.h"
#include "Encoding.h"
#include "Streams.h"
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

    TStream* Stream() const { return stream_; }
    TColumnsEhList* ExportedColumns() const { return columns_.get(); }
    // The export's own value of a footer cell (currency units: the value times 10000).
    std::int64_t FooterAccumulator(int footerRow, int colPos) const;
    void WriteBytes(const AnsiString& bytes);
    void WriteBytes(const void* data, std::size_t count);

private:
    TDBGridEhWalkSelection CurrentSelection() const;
    void ChooseVisibleColumns();
    void ResetAccumulators();
    void Accumulate();
    void EmitFooters();
    String ExportFooterText(TColumnFooterEh* footer, TColumnEh* column, int footerRow, int colPos) const;
    TField* FooterField(TColumnFooterEh* footer, TColumnEh* column) const;

    TStream* stream_ = nullptr;
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

// Not yet: the multi-line titles of the grid's title tree (a single title row is written).
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
    void RowStart(TColumnsEhList* columns, const std::vector<TColor>& shading);
    void Cell(TAlignment alignment, TCustomFont* font, TColor background, const String& text);
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

using TDBGridEhExportClass = std::unique_ptr<TDBGridEhExport> (*)();
template <class T>
std::unique_ptr<TDBGridEhExport> NewGridExport() {
    return std::make_unique<T>();
}

void SaveGridToExportStream(TDBGridEhExportClass exportClass, TDBGridEhCore* grid, TStream* stream, bool all,
                            const TDBGridEhExportHooks& hooks = TDBGridEhExportHooks());
void SaveGridToExportFile(TDBGridEhExportClass exportClass, TDBGridEhCore* grid, const String& fileName, bool all,
                          const TDBGridEhExportHooks& hooks = TDBGridEhExportHooks());
