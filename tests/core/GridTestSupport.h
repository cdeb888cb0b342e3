// Fixtures of the grid building-block tests: a grid core shown by a component without a window that
// records what the core asks of it, and a small SQLite data set.
#pragma once

#include "DBGridEhCore.h"
#include "DbTestSupport.h"
#include "FormReader.h"
#include "TypeRegistry.h"

#include <functional>
#include <map>

namespace gridtest {

// A component that shows a grid core without a window and records what the core asks of it.
class TTestGridEh : public TComponent, public IDBGridEhHost {
    VESTREL_CLASS(TTestGridEh, TComponent)
public:
    explicit TTestGridEh(TComponent* owner) : TComponent(owner), core_(*this), font_(NewFont()) {}
    ~TTestGridEh() override { core_.DoneGridCore(); }
    void AfterConstruction() override {
        TComponent::AfterConstruction();
        core_.InitGridCore();
    }

    TDBGridEhCore* Core() { return &core_; }

    TComponent* GridComponent() override { return this; }
    TColor GridColor() const override { return color; }
    TCustomFont* GridFont() const override { return font_.get(); }
    TColor GridFixedColor() const override { return fixedColor; }
    int IndicatorOffset() const override { return core_.Options().Contains(dgIndicator) ? 1 : 0; }
    int TitleOffset() const override { return core_.Options().Contains(dgTitles) ? 1 : 0; }
    int GridColCount() const override { return core_.Columns()->Count() + IndicatorOffset(); }
    bool HasWindow() const override { return hasWindow; }
    void InvalidateGrid() override { ++invalidations; }
    void InvalidateGridColumn(int gridCol) override { invalidatedColumns.push_back(gridCol); }
    void InvalidateGridRow(int gridRow) override { invalidatedRows.push_back(gridRow); }
    void InvalidateGridRect(const TRect& cells) override { invalidatedRects.push_back(cells); }
    int GridRowCount() const override { return gridRowCount; }
    void RefreshEditor() override { ++editorRefreshes; }
    void InternalLayout() override {
        ++layouts;
        if (onLayout) onLayout();
    }
    int GridColWidth(int gridCol) const override {
        auto it = colWidths.find(gridCol);
        return it == colWidths.end() ? -1 : it->second;
    }
    void SetGridColWidth(int gridCol, int width) override { colWidths[gridCol] = width; }
    TGridFontMetricsEh FontMetrics(const TCustomFont*) const override { return metrics; }
    bool EditorShown() const override { return editorShown; }
    String EditorText() const override { return editorText; }
    void SelectionChanged() override { ++selectionReports; }
    void ColumnsUpdated() override { ++columnUpdates; }
    void EnsureFooterSum(TColumnEh*) override { ++footerSums; }
    void FooterDestroying(TColumnFooterEh* footer) override { destroyedFooters.push_back(footer); }
    void OptionsChanged(TDBGridOptions) override { core_.RelayoutColumns(); }
    void DataSourceChanging() override { trace += "source "; }
    void LinkActiveChanging(bool active) override { trace += active ? "changing(1) " : "changing(0) "; }
    void LinkActiveChanged(bool active) override { trace += active ? "changed(1) " : "changed(0) "; }
    void TitleOrFooterFontChanged() override { ++fontChanges; }
    // The application's handler, else the data service (as the window grid does).
    void SortMarkingChanged() override {
        if (OnSortMarkingChanged)
            OnSortMarkingChanged(this);
        else
            core_.DefaultApplySorting();
    }
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        core_.GridNotification(component, operation);
    }
    void DefineProperties(TFiler* filer) override {
        TComponent::DefineProperties(filer);
        core_.DefineColumnsProperty(filer);
    }
    void Loaded() override {
        TComponent::Loaded();
        core_.RebuildSortMarkedColumnList();
    }

    TNotifyEvent OnSortMarkingChanged;
    TColor color = clWindow;
    TColor fixedColor = clBtnFace;
    std::function<void()> onLayout;
    bool hasWindow = false;
    bool editorShown = false;
    String editorText;
    TGridFontMetricsEh metrics{8, 0, 7};
    int invalidations = 0;
    int layouts = 0;
    int selectionReports = 0;
    int columnUpdates = 0;
    int footerSums = 0;
    int fontChanges = 0;
    String trace;  // the data source and link hooks in order
    std::vector<int> invalidatedColumns;
    std::vector<int> invalidatedRows;
    std::vector<TRect> invalidatedRects;
    int gridRowCount = 0;
    int editorRefreshes = 0;
    std::vector<TColumnFooterEh*> destroyedFooters;
    std::map<int, int> colWidths;

private:
    TDBGridEhCore core_;
    std::unique_ptr<TCustomFont> font_;
};

// A form root that holds test grids read from a description.
class TTestGridFormEh : public TComponent {
    VESTREL_CLASS(TTestGridFormEh, TComponent)
public:
    using TComponent::TComponent;
};

inline void RegisterTestGridClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterGridColumnClasses();
    RegisterComponentClass<TTestGridEh>();
    RegisterComponentClass<TTestGridFormEh>();
    RegisterProperties<TTestGridEh>().Bool(
        "ReadOnly", [](TTestGridEh& g) { return g.Core()->ReadOnly(); },
        [](TTestGridEh& g, bool value) { g.Core()->SetReadOnly(value); });
}

// Eight rows with a field of each kind the columns care about.
inline const char* kGridScript = R"(
CREATE TABLE items (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    code INTEGER,
    name TEXT(20),
    price FLOAT,
    flag BOOLEAN,
    born DATETIME,
    note LONGTEXT,
    status TEXT(5)
);
INSERT INTO items (code, name, price, flag, born, note, status) VALUES
    (1, 'alpha', 10.5, 1, '2001-02-03 00:00:00', 'first
line', '1'),
    (2, 'bravo', NULL, 0, NULL, NULL, '2'),
    (3, 'charlie', 3, NULL, '1999-12-31 00:00:00', 'x', '3'),
    (4, 'delta', 20, 1, NULL, NULL, 'y'),
    (5, 'echo', 7.25, 0, NULL, NULL, 'Y'),
    (6, 'foxtrot', 1, 1, NULL, NULL, 'N'),
    (7, 'golf', 100, 0, NULL, NULL, NULL),
    (8, 'hotel', 2, 1, NULL, NULL, '9'),
    (9, 'india', 'abc', 0, NULL, NULL, NULL);
)";

// A grid over the items table.
class GridDb {
public:
    GridDb() {
        RegisterTestGridClasses();
        path_ = folder_.File("items.mdb");
        dbtest::BuildDatabase(path_, {{"items.sql", kGridScript}});
        session = std::make_unique<dbtest::Session>(path_);
        query = session->query;
        OpenQuery(query, "select * from items order by id");
        source = New<TDataSource>(nullptr);
        source->SetDataSet(query);
        grid = New<TTestGridEh>(nullptr);
        grid->Core()->SetDataSource(source);
    }
    ~GridDb() {
        grid->Free();
        if (source) source->Free();
    }
    GridDb(const GridDb&) = delete;

    // Moves the data set to the row with this id.
    void GoTo(int id) { ASSERT_TRUE(query->Locate("id", Variant(id), 0)) << id; }

    dbtest::TempFolder folder_;
    String path_;
    std::unique_ptr<dbtest::Session> session;
    TADOQuery* query = nullptr;
    TDataSource* source = nullptr;
    TTestGridEh* grid = nullptr;
};

}  // namespace gridtest
