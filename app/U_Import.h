// The workbook import's mapping dialog: a grid of the targets of T_Import, whose second column
// names the workbook header each one reads (a pick list of the headers), and the import itself.
//
// Not yet: the grid's pick list drops down once the grid's in-place pick-list editor exists; until
// then a header is typed into the cell (the list is filled all the same).
#pragma once

#include "ADODB.h"
#include "DBGridEh.h"
#include "Forms.h"
#include "StdCtrls.h"

class TFrm_Import : public TForm {
    VESTREL_CLASS(TFrm_Import, TForm)
public:
    explicit TFrm_Import(TComponent* owner) : TForm(owner) {}
    void Loaded() override;

    TLabel* Label1 = nullptr;
    TDBGridEh* DBGridEh1 = nullptr;
    TDataSource* DS_Import = nullptr;
    TADOQuery* Qry_Import = nullptr;
    TButton* Btn_Start = nullptr;
    TButton* Btn_Exit = nullptr;
    TADOQuery* Qry_Temp = nullptr;
    TADOQuery* Qry_Field = nullptr;
    TADOQuery* Qry_Cust = nullptr;
    TADOQuery* Qry_CellID = nullptr;
    TADOQuery* Qry_Contact = nullptr;
    TADOQuery* Qry_Str = nullptr;

    // The table the mapping is shown for ("custom").
    String TableName;

    // Caption, the record count, the queries, the grid's columns and the headers' pick list.
    void FormShow(TObject* Sender);
    // Imports every row of the sheet (see ImportSheetRows); the button and the cursor come back
    // however it ends, a failure reaches the application's handler.
    void Btn_StartClick(TObject* Sender);
    // Closes the workbook and quits the spreadsheet objects.
    void FormClose(TObject* Sender, TCloseAction& Action);
    void Btn_ExitClick(TObject* Sender);
};

void RegisterImportClasses();
