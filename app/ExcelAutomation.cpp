#include "ExcelAutomation.h"

#include "Encoding.h"

namespace {

TExcelFactoryHook& FactoryHook() {
    static TExcelFactoryHook hook;
    return hook;
}

const TWorkbookSheet& EmptySheet() {
    static const TWorkbookSheet sheet;
    return sheet;
}

}  // namespace

Variant TExcelRange::value() const {
    const auto found = sheet_->Cells.find({row_, column_});
    if (found == sheet_->Cells.end()) return Variant();
    if (found->second.IsNumber) return Variant(found->second.Number);
    return Variant(found->second.Text);
}

String TExcelRange::Text() const { return sheet_->Text(row_, column_); }

TExcelRange TExcelCells::item(int row, int column) const {
    if (row < 1 || column < 1 || std::uint32_t(row) > kWorkbookMaxRows || std::uint32_t(column) > kWorkbookMaxColumns)
        throw EOleException("单元格引用无效（第 " + std::to_string(row) + " 行，第 " + std::to_string(column) + " 列）。");
    return TExcelRange(sheet_, std::uint32_t(row - 1), std::uint32_t(column - 1), 1, 1);
}

TExcelRange TExcelWorksheet::UsedRange() const {
    return TExcelRange(sheet_, 0, 0, std::max<std::uint32_t>(sheet_->RowCount, 1),
                       std::max<std::uint32_t>(sheet_->ColumnCount, 1));
}

TExcelWorkbook* TExcelWorkbooks::add() {
    TWorkbook book;
    book.Sheets.emplace_back();
    book.Sheets[0].Name = "Sheet1";
    return app_->Adopt(std::move(book));
}

TExcelWorkbook* TExcelWorkbooks::open(const String& fileName) {
    try {
        return app_->Adopt(ReadWorkbookFile(fileName));
    } catch (const EWorkbookError& e) {
        throw EOleException(e.Message);
    }
}

TExcelWorkbook* TExcelApplication::Adopt(TWorkbook book) {
    if (quitted_) throw EOleException("Excel已退出。");
    books_.push_back(std::make_unique<TExcelWorkbook>(std::move(book)));
    active_ = books_.back().get();
    return active_;
}

TExcelWorksheet TExcelApplication::ActiveSheet() const {
    if (quitted_ || !active_ || active_->Closed()) throw EOleException("没有打开的工作簿。");
    const TWorkbook& book = active_->Book();
    if (book.Sheets.empty()) return TExcelWorksheet(&EmptySheet());
    return TExcelWorksheet(&book.Sheets[std::size_t(book.ActiveSheet)]);
}

void TExcelApplication::quit() {
    for (auto& book : books_) book->close();
    quitted_ = true;
}

std::unique_ptr<TExcelApplication> CreateExcelApplication(const String& progId) {
    if (FactoryHook()) FactoryHook()(progId);
    if (!SameText(progId, "Excel.Application")) throw EOleException("无效的类字符串：" + progId);
    return std::make_unique<TExcelApplication>();
}

std::unique_ptr<TExcelWorkbook> CreateExcelSheet(const String& progId) {
    if (FactoryHook()) FactoryHook()(progId);
    if (!SameText(progId, "Excel.Sheet")) throw EOleException("无效的类字符串：" + progId);
    TWorkbook book;
    book.Sheets.emplace_back();
    return std::make_unique<TExcelWorkbook>(std::move(book));
}

TExcelFactoryHook SetExcelFactoryHook(TExcelFactoryHook hook) {
    TExcelFactoryHook previous = std::move(FactoryHook());
    FactoryHook() = std::move(hook);
    return previous;
}
