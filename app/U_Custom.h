// The person window: the category tree on the left, the person grid on the right, the quick
// search over one chosen column above them. Every list is a new statement for the data module's
// Qry_Cust, shown by Grid_Cust through DS_Cust with the columns T_FieldShow keeps.
//
// An operator without right 35 sees only their own persons on every list (the searches included).
// A failed search leaves the cursor and the search button as they were before it.
#pragma once

#include "ADODB.h"
#include "ComCtrls.h"
#include "DBGridEh.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Log.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "U_CustomLogic.h"

extern TLogChannel LogCustom;  // "custom"

class TFrm_Custom : public TForm {
    VESTREL_CLASS(TFrm_Custom, TForm)
public:
    explicit TFrm_Custom(TComponent* owner) : TForm(owner) {}
    ~TFrm_Custom() override;
    void Loaded() override;
    // The list's "刷新" (F5) answers wherever the focus is in this window, not only in the grid.
    bool IsShortCut(const TWMKey& message) override;

    TPanel* Panel1 = nullptr;
    TComboBox* Combo_Type = nullptr;
    TEdit* Edit_Key = nullptr;
    TButton* Btn_S_Cust = nullptr;
    TPanel* Panel6 = nullptr;
    TTreeView* TreeView1 = nullptr;
    TPageControl* Page_Cust = nullptr;
    TTabSheet* TabSheet1 = nullptr;
    TDBGridEh* Grid_Cust = nullptr;
    TPopupMenu* Menu_Cust = nullptr;
    TMenuItem* N6 = nullptr;
    TPopupMenu* Menu_Tree = nullptr;
    TADOQuery* ADOQuery1 = nullptr;

    // "Custom" or "Contact" after a column choice; set, never used for a query.
    String QueryTable;

    void FormCreate(TObject* Sender);
    // Fills the lists, the column choice, the grid's columns and the category tree.
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    // The quick search over the chosen column.
    void Btn_S_CustClick(TObject* Sender);
    // Enter in the key searches (while the search button is enabled).
    void Edit_KeyKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void Combo_TypeChange(TObject* Sender);
    // The persons of the clicked category (with its sub-categories), or all for the root.
    void TreeView1Click(TObject* Sender);
    void N2Click(TObject* Sender);   // the tree's "刷新"
    void N6Click(TObject* Sender);   // the grid's "刷新" (F5): the same list read again
    void Grid_CustDblClick(TObject* Sender);
    void Grid_CustKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void Grid_CustSortMarkingChanged(TObject* Sender);
    void N441Click(TObject* Sender);  // "设置列显示"
    void N25Click(TObject* Sender);   // "保存列属性"
    void N19Click(TObject* Sender);
    void N20Click(TObject* Sender);
    void N14Click(TObject* Sender) {}
    void N16Click(TObject* Sender) {}
    void N26Click(TObject* Sender) {}

    // Operations no control reaches.
    void DBGrid1DblClick(TObject* Sender);
    void DBGrid1KeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    // Asks, then deletes the current person's row alone.
    void ToolButton3Click(TObject* Sender);
    void Grid_SaleKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void Grid_SchKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void Page_ContactChange(TObject* Sender) {}
    void Grid_ContactSortMarkingChanged(TObject* Sender) {}
    void Grid_SchSortMarkingChanged(TObject* Sender) {}
    void Grid_SaleSortMarkingChanged(TObject* Sender) {}

private:
    TPersonScope Scope() const;
    void SetStatus(const String& text);
};

extern TFrm_Custom* Frm_Custom;

void RegisterCustomClasses();
