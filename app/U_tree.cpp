#include "U_tree.h"

#include "U_DataLogic.h"
#include "Dialogs.h"
#include "FormFields.h"
#include "U_AddCust.h"
#include "U_Custom.h"
#include "TypeRegistry.h"
#include "U_CustomLogic.h"
#include "U_Data.h"
#include "U_S_Cust.h"
#include "U_treeTexts.h"

namespace {

// The codes of a statement's rows, read through `query`.
TCodeReader CodesThrough(TADOQuery* query) {
    return [query](const String& sql) {
        OpenQuery(query, sql);
        std::vector<String> codes;
        for (const TCategoryRow& row : ReadCategoryRows(query)) codes.push_back(row.Code);
        return codes;
    };
}

void Inform(const String& text) {
    MessageDlg(text, mtInformation, TMsgDlgButtons{mbOK});
}

void MarkCategoryNode(TTreeNode* node) {
    node->SetImageIndex(0);
    node->SetSelectedIndex(0);
}

}  // namespace

void FillCategoryTree(TCustomTreeView* view, const String& table, const String& caption) {
    OpenQuery(Frm_Data->Qry_HY, CategoryTreeSql(table));
    const std::vector<TCategoryNode> nodes = BuildCategoryTree(caption, ReadCategoryRows(Frm_Data->Qry_HY));
    TTreeNodes* items = view->Items();
    items->BeginUpdate();
    try {
        items->Clear();
        std::vector<TTreeNode*> made;
        made.reserve(nodes.size());
        for (const TCategoryNode& n : nodes) {
            if (n.Parent < 0) {
                made.push_back(items->Add(nullptr, n.Text));
            } else {
                made.push_back(items->AddChild(made[static_cast<std::size_t>(n.Parent)], n.Text));
                MarkCategoryNode(made.back());
            }
        }
        made.front()->Expand(false);
    } catch (...) {
        items->EndUpdate();
        throw;
    }
    items->EndUpdate();
}

void TFrm_Tree::Loaded() {
    inherited::Loaded();
    BindComponent(this, ToolBar1, "ToolBar1");
    BindComponent(this, TB_Add, "TB_Add");
    BindComponent(this, TB_Edit, "TB_Edit");
    BindComponent(this, TB_Del, "TB_Del");
    BindComponent(this, TB_Save, "TB_Save");
    BindComponent(this, TB_Cancel, "TB_Cancel");
    BindComponent(this, TB_Select, "TB_Select");
    BindComponent(this, TB_Refresh, "TB_Refresh");
    BindComponent(this, TB_Close, "TB_Close");
    BindComponent(this, PopupMenu1, "PopupMenu1");
    BindComponent(this, N1, "N1");
    BindComponent(this, N2, "N2");
    BindComponent(this, TreeView1, "TreeView1");
    BindComponent(this, Edit_Code, "Edit_Code");
    BindComponent(this, Edit_Name, "Edit_Name");
    BindComponent(this, Qry_repeat, "Qry_repeat");
    BindComponent(this, Qry, "Qry");
    BindComponent(this, Qry_Hy, "Qry_Hy");
}

void TFrm_Tree::FormCreate(TObject*) {
    Edit_Code->SetText(String());
    Edit_Name->SetText(String());
    const String connection = Frm_Data->ADOConnection1->ConnectionString();
    Qry_repeat->SetConnectionString(connection);
    Qry->SetConnectionString(connection);
    Qry_Hy->SetConnectionString(connection);
}

void TFrm_Tree::FormShow(TObject*) {
    SetCaption(TreeCaption);
    FillCategoryTree(TreeView1, TreeTable, TreeCaption);
    OpenQuery(Qry_Hy, CategoryTableSql(TreeTable));
}

void TFrm_Tree::FormKeyDown(TObject*, WORD& Key, TShiftState Shift) {
    if (!Shift.Empty())
        return;
    // The keys the add button's menu shows.
    if ((Key == VK_F3 && N1->Enabled()) || (Key == VK_F4 && N2->Enabled())) {
        const bool sibling = Key == VK_F3;
        Key = 0;
        if (TB_Add->Enabled()) {
            if (sibling)
                N1Click(N1);
            else
                N2Click(N2);
        }
        return;
    }
    if (Key == VK_ESCAPE) {
        Key = 0;
        if (TB_Cancel->Enabled())
            TB_CancelClick(TB_Cancel);
        else
            TB_CloseClick(TB_Close);
    } else if (Key == VK_RETURN && TB_Save->Enabled() &&
               (ActiveControl() == Edit_Name || ActiveControl() == Edit_Code)) {
        Key = 0;
        TB_SaveClick(TB_Save);
    }
}

void TFrm_Tree::ShowNodeFields(TTreeNode* node) {
    if (!node) {
        Edit_Code->SetText(String());
        Edit_Name->SetText(String());
        return;
    }
    const bool root = node->Level() == 0;
    const TNodeFields fields = root ? TNodeFields{String(), node->Text()} : SplitNodeText(node->Text());
    Edit_Code->SetText(fields.Code);
    Edit_Name->SetText(fields.Name);
    N1->SetEnabled(!root);
}

void TFrm_Tree::TreeView1Click(TObject*) {
    if (TreeView1->Items()->Count() == 0 || !TreeView1->Selected())
        return;
    ShowNodeFields(TreeView1->Selected());
}

void TFrm_Tree::TreeView1Change(TObject*, TTreeNode* node) {
    // While a node is entered or renamed the fields keep what is typed.
    if (TB_Add->Enabled())
        ShowNodeFields(node);
}

void TFrm_Tree::TreeView1DblClick(TObject*) {
    PickCategory();
}

void TFrm_Tree::TB_SelectClick(TObject*) {
    PickCategory();
}

void TFrm_Tree::TB_AddClick(TObject*) {
    BeginAddChild();
}

void TFrm_Tree::N2Click(TObject*) {
    BeginAddChild();
}

void TFrm_Tree::N1Click(TObject*) {
    BeginAddSibling();
}

void TFrm_Tree::BeginAddSibling() {
    BeginAdd(false);
}

void TFrm_Tree::BeginAddChild() {
    BeginAdd(true);
}

void TFrm_Tree::BeginAdd(bool asChild) {
    ShowNodeFields(TreeView1->Selected());
    const TCodeProposal proposal =
        ProposeNextCode(TreeTable, Edit_Code->Text(), asChild, CodesThrough(Frm_Data->Qry_Temp));
    if (proposal.Refused) {
        Inform(proposal.Message);
        return;
    }
    Edit_Code->SetEnabled(true);
    Edit_Name->SetEnabled(true);
    Adding = 1;
    AsChild = asChild ? 1 : 0;
    Edit_Code->SetText(proposal.Code);
    if (proposal.ClearName)
        Edit_Name->SetText(String());
    Edit_Name->SetFocus();
    SetBrowsing(false);
}

void TFrm_Tree::SetBrowsing(bool browsing) {
    TB_Add->SetEnabled(browsing);
    TB_Edit->SetEnabled(browsing);
    TB_Del->SetEnabled(browsing);
    TB_Save->SetEnabled(!browsing);
    TB_Cancel->SetEnabled(!browsing);
}

void TFrm_Tree::TB_EditClick(TObject*) {
    ShowNodeFields(TreeView1->Selected());
    Adding = 0;
    Edit_Name->SetEnabled(true);
    Edit_Code->SetEnabled(false);
    SetBrowsing(false);
}

void TFrm_Tree::TB_CancelClick(TObject*) {
    AsChild = 0;
    SetBrowsing(true);
}

void TFrm_Tree::TB_SaveClick(TObject*) {
    if (Adding == 1)
        SaveNew();
    else
        SaveName();
}

TTreeNode* TFrm_Tree::NodeOfCode(const String& code) {
    TTreeNodes* items = TreeView1->Items();
    for (int i = 0; i < items->Count(); ++i) {
        TTreeNode* node = items->Item(i);
        const bool root = node->Level() == 0;
        if (root ? code.empty() : !code.empty() && SplitNodeText(node->Text()).Code == code)
            return node;
    }
    return nullptr;
}

void TFrm_Tree::SaveNew() {
    const String code = Trim(Edit_Code->Text());
    const String name = Trim(Edit_Name->Text());
    const TCategoryCheck check = CheckNewCategory(TreeTable, Edit_Code->Text(), CodesThrough(Qry_repeat));
    if (!check.Ok) {
        Inform(check.Message);
        if (check.FocusCode)
            Edit_Code->SetFocus();
        return;
    }
    if (!NameGiven())
        return;
    Qry_Hy->Append();
    Qry_Hy->FieldByName("code")->SetAsString(code);
    Qry_Hy->FieldByName("name")->SetAsString(name);
    Qry_Hy->Post();
    // Under the node of the parent code (the selected node or its parent when the code is the
    // one proposed).
    TTreeNode* parent = NodeOfCode(code.substr(0, code.size() - 2));
    if (!parent) {
        TTreeNode* selected = TreeView1->Selected();
        parent = selected && AsChild == 0 ? selected->Parent() : selected;
    }
    TTreeNode* added = TreeView1->Items()->AddChild(parent, code + "-" + name);
    MarkCategoryNode(added);
    SetBrowsing(true);
    // Shown even under a collapsed parent, and selected (the fields follow).
    if (parent)
        parent->Expand(false);
    added->SetSelected(true);
    ShowNodeFields(added);
}

bool TFrm_Tree::NameGiven() {
    if (!Trim(Edit_Name->Text()).empty())
        return true;
    Inform(TreeTexts::NameEmpty);
    Edit_Name->SetFocus();
    return false;
}

void TFrm_Tree::SaveName() {
    const String code = Trim(Edit_Code->Text());
    const String name = Trim(Edit_Name->Text());
    const TCategoryCheck check = CheckRenameCategory(TreeTable, Edit_Code->Text(), CodesThrough(Frm_Data->Qry_Temp));
    if (!check.Ok) {
        MessageDlg(check.Message, mtConfirmation, TMsgDlgButtons{mbOK});
        return;
    }
    if (!NameGiven())
        return;
    TTreeNode* node = NodeOfCode(code);
    if (!node)
        return;
    Edit_Code->SetEnabled(false);
    Edit_Name->SetEnabled(false);
    OpenQuery(Qry_Hy, CategoryCodeSql(TreeTable, code));
    Qry_Hy->Edit();
    Qry_Hy->FieldByName("name")->SetAsString(name);
    Qry_Hy->Post();
    node->SetText(code + "-" + name);
    SetBrowsing(true);
}

void TFrm_Tree::TB_DelClick(TObject*) {
    TTreeNode* node = TreeView1->Selected();
    switch (CategoryDeleteStepFor(node != nullptr, node && node->Level() == 0, node && node->HasChildren())) {
    case TCategoryDeleteStep::Nothing:
        return;
    case TCategoryDeleteStep::RefuseChildren:
        ShowMessage(TreeTexts::DeleteHasChildren);
        return;
    case TCategoryDeleteStep::Ask:
        break;
    }
    // The question names the node it deletes.
    if (MessageDlg(String(TreeTexts::DeleteQuestion) + "\n\n" + node->Text(), mtConfirmation, mbOKCancel) != mrOk)
        return;
    // The row goes first: a failed delete leaves the node shown.
    ExecQuery(Frm_Data->Qry_Temp, CategoryDeleteSql(TreeTable, SplitNodeText(node->Text()).Code));
    node->Delete();
    // The tree selects another node (the parent): the fields show that one.
    ShowNodeFields(TreeView1->Selected());
}

void TFrm_Tree::PickCategory() {
    if (PickMode == 3) {
        Close();
        return;
    }
    if (PickMode != 1 && PickMode != 2)
        return;
    TTreeNode* node = TreeView1->Selected();
    if (!node)
        return;
    ShowNodeFields(node);
    const TCategoryPick pick = CategoryPickOf(Edit_Code->Text(), Edit_Name->Text());
    if (PickMode == 1) {
        // The person dialog that opened this one shows the pick and files the person under it.
        TFrm_AddCust* dialog = dynamic_cast<TFrm_AddCust*>(Owner());
        if (!dialog)
            dialog = Frm_AddCust;
        if (dialog)
            dialog->SetPickedCategory(pick.Code, pick.Name);
        Frm_Data->IniFile->WriteString(TreeTexts::IniSection, TreeTexts::IniCategoryKey, pick.Name);
        Frm_Data->IniFile->WriteString(TreeTexts::IniSection, TreeTexts::IniCodeKey, pick.IniCode);
    }
    // The combined search takes the code as the field shows it.
    if (PickMode == 2 && Frm_S_Cust)
        Frm_S_Cust->Edit_cate->SetText(Edit_Code->Text());
    Close();
}

void TFrm_Tree::TB_RefreshClick(TObject*) {
    FillCategoryTree(TreeView1, TreeTable, TreeCaption);
    if (TTreeNode* first = TreeView1->Items()->GetFirstNode())
        first->SetSelected(true);
}

void TFrm_Tree::TB_CloseClick(TObject*) {
    Close();
}

void RegisterTreeClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterDataClasses();
    RegisterStdCtrlsClasses();
    RegisterMenusClasses();
    RegisterComCtrlsClasses();
    RegisterComponentClass<TFrm_Tree>();
    RegisterProperties<TFrm_Tree>()
        .Handler<&TFrm_Tree::FormCreate>("FormCreate")
        .Handler<&TFrm_Tree::FormShow>("FormShow")
        .Handler<&TFrm_Tree::FormKeyDown>("FormKeyDown")
        .Handler<&TFrm_Tree::TreeView1Click>("TreeView1Click")
        .Handler<&TFrm_Tree::TreeView1Change>("TreeView1Change")
        .Handler<&TFrm_Tree::TreeView1DblClick>("TreeView1DblClick")
        .Handler<&TFrm_Tree::TB_AddClick>("TB_AddClick")
        .Handler<&TFrm_Tree::N1Click>("N1Click")
        .Handler<&TFrm_Tree::N2Click>("N2Click")
        .Handler<&TFrm_Tree::TB_EditClick>("TB_EditClick")
        .Handler<&TFrm_Tree::TB_CancelClick>("TB_CancelClick")
        .Handler<&TFrm_Tree::TB_SaveClick>("TB_SaveClick")
        .Handler<&TFrm_Tree::TB_DelClick>("TB_DelClick")
        .Handler<&TFrm_Tree::TB_SelectClick>("TB_SelectClick")
        .Handler<&TFrm_Tree::TB_RefreshClick>("TB_RefreshClick")
        .Handler<&TFrm_Tree::TB_CloseClick>("TB_CloseClick");
}
