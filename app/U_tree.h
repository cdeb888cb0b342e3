// The category dialog: edits a category table (person or goods categories) and, opened from the
// person dialog or the combined search, hands the chosen category back. Also the routine that
// draws a category table into any tree view.
//
// Edit, rename, delete and pick act on the selected node (its code and name are read from its
// text), whatever node was clicked last. The dialog's own queries connect with the data module's
// current connection text.
#pragma once

#include "ADODB.h"
#include "ComCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"

// Fills `view` with `table`'s categories under a root node `caption` (through the data module's
// Qry_HY) and expands the root.
void FillCategoryTree(TCustomTreeView* view, const String& table, const String& caption);

class TFrm_Tree : public TForm {
    VESTREL_CLASS(TFrm_Tree, TForm)
public:
    explicit TFrm_Tree(TComponent* owner) : TForm(owner) {}
    void Loaded() override;

    TToolBar* ToolBar1 = nullptr;
    TToolButton* TB_Add = nullptr;
    TToolButton* TB_Edit = nullptr;
    TToolButton* TB_Del = nullptr;
    TToolButton* TB_Save = nullptr;
    TToolButton* TB_Cancel = nullptr;
    TToolButton* TB_Select = nullptr;
    TToolButton* TB_Refresh = nullptr;
    TToolButton* TB_Close = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* N1 = nullptr;  // a sibling (F3)
    TMenuItem* N2 = nullptr;  // a child (F4)
    TTreeView* TreeView1 = nullptr;
    TEdit* Edit_Code = nullptr;
    TEdit* Edit_Name = nullptr;
    TADOQuery* Qry_repeat = nullptr;
    TADOQuery* Qry = nullptr;
    TADOQuery* Qry_Hy = nullptr;

    // The table, the root's text and who opened the dialog: 1 the person dialog, 2 the combined
    // search, 3 close only, 0 management.
    String TreeTable;
    String TreeCaption;
    int PickMode = 0;
    // 1 while a new node is entered, 0 while a name is changed; 1 a new node is a child.
    int Adding = 0;
    int AsChild = 0;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    // F3 and F4 add a sibling or a child (while browsing); Esc drops the entry being made, or
    // (browsing) closes; Enter in a field saves the entry.
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void TreeView1Click(TObject* Sender);
    // The fields follow the selected node (by mouse, keyboard or program) while browsing.
    void TreeView1Change(TObject* Sender, TTreeNode* Node);
    void TreeView1DblClick(TObject* Sender);
    void TB_AddClick(TObject* Sender);
    void N1Click(TObject* Sender);
    void N2Click(TObject* Sender);
    void TB_EditClick(TObject* Sender);
    void TB_CancelClick(TObject* Sender);
    void TB_SaveClick(TObject* Sender);
    void TB_DelClick(TObject* Sender);
    void TB_SelectClick(TObject* Sender);
    void TB_RefreshClick(TObject* Sender);
    void TB_CloseClick(TObject* Sender);

    // The selected node's code and name into the two fields (nothing without a selection).
    void ShowNodeFields(TTreeNode* node);
    void BeginAddSibling();
    void BeginAddChild();
    void PickCategory();

private:
    void BeginAdd(bool asChild);
    // Browse: add, edit, delete enabled; save and cancel disabled (or the reverse).
    void SetBrowsing(bool browsing);
    void SaveNew();
    void SaveName();
    // An empty name is refused with a message (the name field gets the focus).
    bool NameGiven();
    // The node whose code is `code` (the root for an empty code); nullptr when none shows it.
    TTreeNode* NodeOfCode(const String& code);
};

void RegisterTreeClasses();
