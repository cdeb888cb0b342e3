// The spreadsheet program's automation objects as the import uses them: "Excel.Application" and
// "Excel.Sheet", with the calls the import makes and nothing more, backed by the workbook reader.
//
//   app.WorkBooks().add()                       a new, empty workbook (the active one)
//   app.WorkBooks().open(file)                  reads a workbook file; it becomes the active one
//   app.SetVisible(false)                       the application is never shown
//   app.ActiveSheet().UsedRange().columns().Count(), ...rows().Count()
//   app.ActiveSheet().cells().item(row, col).value() / .Text()
//   app.quit(), book->close()
//
// A failure of the automation (a file that is not a workbook, a cell outside the sheet, a call
// after quit) raises EOleException with a message for people.
#pragma once

#include "Variant.h"
#include "WorkbookReader.h"

#include <functional>
#include <memory>
#include <vector>

class TExcelApplication;

// A workbook of the application ("Excel.Sheet").
class TExcelWorkbook {
public:
    explicit TExcelWorkbook(TWorkbook book) : book_(std::move(book)) {}
    void close() { closed_ = true; }
    bool Closed() const { return closed_; }
    const TWorkbook& Book() const { return book_; }

private:
    TWorkbook book_;
    bool closed_ = false;
};

// A range of cells: a count of rows or columns, or one cell.
class TExcelRange {
public:
    TExcelRange(const TWorkbookSheet* sheet, std::uint32_t row, std::uint32_t column, std::uint32_t rows,
                std::uint32_t columns)
        : sheet_(sheet), row_(row), column_(column), rows_(rows), columns_(columns) {}
    TExcelRange columns() const { return {sheet_, row_, column_, 1, columns_}; }
    TExcelRange rows() const { return {sheet_, row_, column_, rows_, 1}; }
    // Cells along the range: the columns of columns(), the rows of rows().
    int Count() const { return static_cast<int>(rows_ == 1 ? columns_ : rows_); }
    // The first cell's value (a number, a boolean, a text or Null when empty) and its text as the
    // sheet displays it.
    Variant value() const;
    String Text() const;

private:
    const TWorkbookSheet* sheet_;
    std::uint32_t row_, column_, rows_, columns_;
};

class TExcelCells {
public:
    explicit TExcelCells(const TWorkbookSheet* sheet) : sheet_(sheet) {}
    // The cell at `row`, `column` (from 1); outside the sheet raises EOleException.
    TExcelRange item(int row, int column) const;

private:
    const TWorkbookSheet* sheet_;
};

class TExcelWorksheet {
public:
    explicit TExcelWorksheet(const TWorkbookSheet* sheet) : sheet_(sheet) {}
    // From A1 to the last row and column holding a value (at least one cell).
    TExcelRange UsedRange() const;
    TExcelCells cells() const { return TExcelCells(sheet_); }

private:
    const TWorkbookSheet* sheet_;
};

class TExcelWorkbooks {
public:
    explicit TExcelWorkbooks(TExcelApplication* app) : app_(app) {}
    TExcelWorkbook* add();
    TExcelWorkbook* open(const String& fileName);

private:
    TExcelApplication* app_;
};

// "Excel.Application".
class TExcelApplication {
public:
    TExcelWorkbooks WorkBooks() { return TExcelWorkbooks(this); }
    bool visible() const { return visible_; }
    void SetVisible(bool value) { visible_ = value; }
    // The active workbook's selected sheet; raises EOleException when no workbook is open.
    TExcelWorksheet ActiveSheet() const;
    // Closes every workbook; the application takes no further calls.
    void quit();
    bool Quitted() const { return quitted_; }

private:
    friend class TExcelWorkbooks;
    TExcelWorkbook* Adopt(TWorkbook book);
    std::vector<std::unique_ptr<TExcelWorkbook>> books_;
    TExcelWorkbook* active_ = nullptr;
    bool visible_ = false;
    bool quitted_ = false;
};

// Creates the automation object of `progId` ("Excel.Application" or "Excel.Sheet"); another name
// raises EOleException. For tests: a replaceable factory (nullptr restores ours).
std::unique_ptr<TExcelApplication> CreateExcelApplication(const String& progId);
std::unique_ptr<TExcelWorkbook> CreateExcelSheet(const String& progId);
using TExcelFactoryHook = std::function<void(const String& progId)>;
// Runs before each creation; it may raise to stand for a system without the objects.
TExcelFactoryHook SetExcelFactoryHook(TExcelFactoryHook hook);
