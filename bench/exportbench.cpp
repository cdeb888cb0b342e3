// Benchmark of the grid's exports (driven by bench/run-export.sh).
//
//   exportbench FORMAT DATABASE OUT   exports every row of the table persons of DATABASE through a
//                                     grid without a window to OUT as FORMAT (xls, csv, text or
//                                     rtf);
//                                     prints "<format> <ms> <bytes>" (the time of the export alone,
//                                     the data set already open)
#include "ADODB.h"
#include "DBGridEhCore.h"
#include "DBGridEhImpExp.h"
#include "U_DataLogic.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A grid core shown by nothing.
class TBenchGrid : public TComponent, public IDBGridEhHost {
    VESTREL_CLASS(TBenchGrid, TComponent)
public:
    explicit TBenchGrid(TComponent* owner) : TComponent(owner), core_(*this), font_(NewFont()) {}
    ~TBenchGrid() override { core_.DoneGridCore(); }
    void AfterConstruction() override {
        TComponent::AfterConstruction();
        core_.InitGridCore();
    }
    TDBGridEhCore* Core() { return &core_; }
    TComponent* GridComponent() override { return this; }
    TColor GridColor() const override { return clWindow; }
    TCustomFont* GridFont() const override { return font_.get(); }
    TColor GridFixedColor() const override { return clBtnFace; }
    int IndicatorOffset() const override { return 1; }
    int TitleOffset() const override { return 1; }
    int GridColCount() const override { return core_.Columns()->Count() + 1; }
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        core_.GridNotification(component, operation);
    }

private:
    TDBGridEhCore core_;
    std::unique_ptr<TCustomFont> font_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: exportbench xls|csv|text|rtf DATABASE OUT\n");
        return 2;
    }
    const String format = argv[1];
    TADOConnection* connection = New<TADOConnection>(nullptr);
    connection->SetConnectionString(BuildConnectionString("", argv[2]));
    connection->Open();
    TADOQuery* query = New<TADOQuery>(connection);
    query->SetConnection(connection);
    OpenQuery(query, "select * from persons");
    TDataSource* source = New<TDataSource>(connection);
    source->SetDataSet(query);
    auto* grid = New<TBenchGrid>(nullptr);
    grid->Core()->SetDrawMemoText(true);
    grid->Core()->SetDataSource(source);
    grid->Core()->RebuildColumns();
    TDBGridEhExportClass kind = format == "xls"    ? &NewGridExport<TDBGridEhExportAsXLS>
                                : format == "csv" ? &NewGridExport<TDBGridEhExportAsCSV>
                                : format == "rtf" ? &NewGridExport<TDBGridEhExportAsRTF>
                                                  : &NewGridExport<TDBGridEhExportAsText>;
    const double start = NowMs();
    SaveGridToExportFile(kind, grid->Core(), argv[3], true);
    const double ms = NowMs() - start;
    std::printf("%s %.1f %lld\n", format.c_str(), ms,
                static_cast<long long>(std::filesystem::file_size(argv[3])));
    grid->Free();
    connection->Free();
    return 0;
}
