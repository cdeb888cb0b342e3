// The column chooser, and the person grid's columns as T_FieldShow keeps them: building them
// whenever a list is loaded, saving their order and widths, and the sort order of the titles'
// sort markers.
#pragma once

#include "ADODB.h"
#include "Buttons.h"
#include "DBGridEh.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

// Rebuilds `grid`'s columns from the shown T_FieldShow rows of `table` (through the data module's
// Qry_FieldShow); `query`'s fields get the rows' captions.
void SetupGridColumns(TDBGridEh* grid, TDataSet* query, const String& table);
// Writes each column's position and width to T_FieldShow (through Qry_Temp); with `withMessage`
// then says "列属性已成功保存!".
void SaveGridColumns(TDBGridEh* grid, const String& table, bool withMessage);
// The grid's sort markers as `query`'s client-side sort (while it is open).
void ApplySortMarkers(TDBGridEh* grid, TDataSet* query);

class TFrm_Field : public TForm {
    VESTREL_CLASS(TFrm_Field, TForm)
public:
    explicit TFrm_Field(TComponent* owner) : TForm(owner) {}
    ~TFrm_Field() override;
    void Loaded() override;

    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TListBox* SrcList = nullptr;
    TListBox* DstList = nullptr;
    TSpeedButton* SP_right = nullptr;
    TSpeedButton* SP_allright = nullptr;
    TSpeedButton* SP_left = nullptr;
    TSpeedButton* SP_allleft = nullptr;
    TButton* Btn_ok = nullptr;
    TButton* Btn_exit = nullptr;
    TADOQuery* Qry_src = nullptr;
    TADOQuery* Qry_Dst = nullptr;
    TADOQuery* Qry_temp = nullptr;

    // The T_FieldShow table name whose columns are chosen.
    String ColumnTable;

    void FormCreate(TObject* Sender);
    // Attaches the queries, fills the two lists in the order the table returns the rows.
    void FormShow(TObject* Sender);
    void SP_rightClick(TObject* Sender);
    void SP_allrightClick(TObject* Sender);
    void SP_leftClick(TObject* Sender);
    void SP_allleftClick(TObject* Sender);
    void SrcListDblClick(TObject* Sender);
    void DstListDblClick(TObject* Sender);
    // Switches the columns off and on; the grid shows it at the next list load.
    void Btn_okClick(TObject* Sender);
    void Btn_exitClick(TObject* Sender);
    // Bound to drag events that never come (the list starts no drag).
    void DstListEndDrag(TObject* Sender, TObject* Target, int X, int Y) {}
    void DstListDragDrop(TObject* Sender, TObject* Source, int X, int Y) {}

    void MoveSelectedItems(TListBox* from, TListBox* to);
    void UpdateMoveButtons();
};

// The open column chooser (nullptr when none).
extern TFrm_Field* Frm_Field;

void RegisterFieldClasses();
