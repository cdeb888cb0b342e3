#include "U_Custom.h"

#include "U_DataLogic.h"
#include "FormFields.h"
#include "OperatorSession.h"
#include "TypeRegistry.h"
#include "U_CustomTexts.h"
#include "U_Data.h"
#include "U_Field.h"
#include "U_Main.h"
#include "U_tree.h"
#include "U_treeTexts.h"

TLogChannel LogCustom("custom");

TFrm_Custom* Frm_Custom = nullptr;

namespace {

constexpr WORD kEnterKey = 13;
constexpr WORD kDeleteKey = 46;

// The hourglass (and a disabled button) while a list loads; both come back however it ends.
class TBusyCursor {
public:
    explicit TBusyCursor(TButton* button) : button_(button) {
        Screen->SetCursor(crHourGlass);
        if (button_)
            button_->SetEnabled(false);
    }
    ~TBusyCursor() {
        if (button_)
            button_->SetEnabled(true);
        Screen->SetCursor(crDefault);
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    TButton* button_;
};

}  // namespace

TFrm_Custom::~TFrm_Custom() {
    if (Frm_Custom == this)
        Frm_Custom = nullptr;
}

void TFrm_Custom::Loaded() {
    inherited::Loaded();
    BindComponent(this, Panel1, "Panel1");
    BindComponent(this, Combo_Type, "Combo_Type");
    BindComponent(this, Edit_Key, "Edit_Key");
    BindComponent(this, Btn_S_Cust, "Btn_S_Cust");
    BindComponent(this, Panel6, "Panel6");
    BindComponent(this, TreeView1, "TreeView1");
    BindComponent(this, Page_Cust, "Page_Cust");
    BindComponent(this, TabSheet1, "TabSheet1");
    BindComponent(this, Grid_Cust, "Grid_Cust");
    BindComponent(this, Menu_Cust, "Menu_Cust");
    BindComponent(this, N6, "N6");
    BindComponent(this, Menu_Tree, "Menu_Tree");
    BindComponent(this, ADOQuery1, "ADOQuery1");
}

bool TFrm_Custom::IsShortCut(const TWMKey& message) {
    if (inherited::IsShortCut(message))
        return true;
    if (!N6 || N6->ShortCut() == scNone || ShortCutFromMessage(message) != N6->ShortCut() || !N6->Enabled())
        return false;
    N6->Click();
    return true;
}

TPersonScope TFrm_Custom::Scope() const {
    return OperatorSession().PersonScope();
}

void TFrm_Custom::SetStatus(const String& text) {
    Frm_Main->StatusBar1->Panels()->Items(1)->SetText(text);
}

void TFrm_Custom::FormCreate(TObject*) {
    Frm_Custom = this;
    SetCaption(CustomTexts::Caption);
    Edit_Key->SetText(String());
}

void TFrm_Custom::FormShow(TObject*) {
    TFrm_Data* data = Frm_Data;
    const TPersonScope scope = Scope();
    Btn_S_Cust->SetEnabled(OperatorSession().Rights[4]);
    OpenQuery(data->Qry_Cust, PersonStartSql(scope));
    SetStatus(PersonStatusText(data->Qry_Cust->RecordCount()));
    OpenQuery(data->Qry_Contact, ContactDetailSql(scope));
    OpenQuery(data->Qry_Schedule, ScheduleDetailSql(scope));
    OpenQuery(data->Qry_Temp, kSearchCaptionsSql);
    std::vector<String> captions;
    TField* name = data->Qry_Temp->FieldByName("Name");
    for (data->Qry_Temp->First(); !data->Qry_Temp->Eof(); data->Qry_Temp->Next())
        captions.push_back(name->AsString());
    TStrings* items = Combo_Type->Items();
    items->BeginUpdate();
    items->Clear();
    for (const String& caption : captions) items->Add(caption);
    items->EndUpdate();
    Combo_Type->SetItemIndex(kFirstSearchEntry);
    SetupGridColumns(Grid_Cust, data->Qry_Cust, "Custom");
    FillCategoryTree(TreeView1, TreeTexts::PersonTable, TreeTexts::PersonCaption);
    QueryTable = "Custom";
}

void TFrm_Custom::FormClose(TObject*, TCloseAction& Action) {
    Action = caFree;
    SetStatus(String());
}

void TFrm_Custom::Btn_S_CustClick(TObject*) {
    const String caption = Combo_Type->Text();
    if (Trim(caption).empty()) {
        Application->MessageBox(CustomTexts::NoSearchColumn, CustomTexts::NoSearchColumnCaption,
                                MB_OK | MB_ICONINFORMATION);
        return;
    }
    TBusyCursor busy(Btn_S_Cust);
    TFrm_Data* data = Frm_Data;
    OpenQuery(data->Qry_Str, SearchColumnSql(caption));
    if (data->Qry_Str->IsEmpty())
        throw EDatabaseError("T_FieldShow has no person column captioned \"" + caption + "\"");
    const String field = CheckedSearchColumn(data->Qry_Str->FieldByName("Field")->AsString(),
                                             ColumnNamesOfTable(data->ADOConnection1, "custom"));
    OpenQuery(data->Qry_Cust, QuickSearchSql(field, Edit_Key->Text(), Scope()));
    SetupGridColumns(Grid_Cust, data->Qry_Cust, "Custom");
    SetStatus(PersonStatusText(data->Qry_Cust->RecordCount()));
}

void TFrm_Custom::Edit_KeyKeyDown(TObject* Sender, WORD& Key, TShiftState) {
    if (Key == kEnterKey && Btn_S_Cust->Enabled())
        Btn_S_CustClick(Sender);
}

void TFrm_Custom::Combo_TypeChange(TObject*) {
    std::vector<String> items;
    for (int i = 0; i < Combo_Type->Items()->Count(); ++i) items.push_back(Combo_Type->Items()->Strings(i));
    const TSearchEntryStep step = StepPastHeading(items, Combo_Type->ItemIndex());
    if (step.ItemIndex != Combo_Type->ItemIndex())
        Combo_Type->SetItemIndex(step.ItemIndex);
    QueryTable = step.QueryTable;
}

void TFrm_Custom::TreeView1Click(TObject*) {
    TTreeNode* node = TreeView1->Selected();
    if (TreeView1->Items()->Count() == 0 || !node)
        return;
    TBusyCursor busy(nullptr);
    TFrm_Data* data = Frm_Data;
    if (node->Level() >= 1) {
        OpenQuery(data->Qry_Cust, CategoryListSql(NodeCategoryCode(node->Text()), Scope()));
        SetStatus(CategoryStatusText(data->Qry_Cust->RecordCount()));
        SetupGridColumns(Grid_Cust, data->Qry_Cust, "Custom");
    } else {
        OpenQuery(data->Qry_Cust, CategoryRootSql(Scope()));
        SetupGridColumns(Grid_Cust, data->Qry_Cust, "Custom");
        SetStatus(CategoryStatusText(data->Qry_Cust->RecordCount()));
    }
}

void TFrm_Custom::N2Click(TObject*) {
    FillCategoryTree(TreeView1, TreeTexts::PersonTable, TreeTexts::PersonCaption);
    if (TTreeNode* first = TreeView1->Items()->GetFirstNode())
        first->SetSelected(true);
}

void TFrm_Custom::N6Click(TObject*) {
    TADOQuery* persons = Frm_Data->Qry_Cust;
    persons->Close();
    persons->Open();
    SetupGridColumns(Grid_Cust, persons, "Custom");
}

void TFrm_Custom::Grid_CustDblClick(TObject* Sender) {
    if (Frm_Main->EditCust->Enabled())
        Frm_Main->EditCustExecute(Sender);
}

void TFrm_Custom::Grid_CustKeyDown(TObject* Sender, WORD& Key, TShiftState) {
    if (Key == kDeleteKey && Frm_Main->DelCust->Enabled())
        Frm_Main->DelCustExecute(Sender);
}

void TFrm_Custom::Grid_CustSortMarkingChanged(TObject*) {
    ApplySortMarkers(Grid_Cust, Frm_Data->Qry_Cust);
}

void TFrm_Custom::N441Click(TObject* Sender) {
    Frm_Main->ShowField_CustExecute(Sender);
}

void TFrm_Custom::N25Click(TObject*) {
    SaveGridColumns(Grid_Cust, "Custom", true);
}

void TFrm_Custom::N19Click(TObject*) {
    Frm_Data->Qry_Contact->Close();
    Frm_Data->Qry_Contact->Open();
}

void TFrm_Custom::N20Click(TObject*) {
    Frm_Data->Qry_Schedule->Close();
    Frm_Data->Qry_Schedule->Open();
}

void TFrm_Custom::DBGrid1DblClick(TObject* Sender) {
    Frm_Main->EditCustExecute(Sender);
}

void TFrm_Custom::DBGrid1KeyDown(TObject* Sender, WORD& Key, TShiftState) {
    if (Key == kDeleteKey)
        Frm_Main->DelCustExecute(Sender);
}

void TFrm_Custom::ToolButton3Click(TObject*) {
    TADOQuery* persons = Frm_Data->Qry_Cust;
    if (Application->MessageBox(CustomTexts::DeleteOneQuestion, CustomTexts::DeleteOneCaption,
                                MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return;
    if (persons->Active() && !persons->IsEmpty())
        persons->Delete();
}

void TFrm_Custom::Grid_SaleKeyDown(TObject* Sender, WORD& Key, TShiftState) {
    if (Key == kDeleteKey && Frm_Main->DelBill->Enabled())
        Frm_Main->DelBillExecute(Sender);
}

void TFrm_Custom::Grid_SchKeyDown(TObject* Sender, WORD& Key, TShiftState) {
    if (Key == kDeleteKey && Frm_Main->DelContact->Enabled())
        Frm_Main->DelContactExecute(Sender);
}

void RegisterCustomClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterDataClasses();
    RegisterStdCtrlsClasses();
    RegisterExtCtrlsClasses();
    RegisterMenusClasses();
    RegisterComCtrlsClasses();
    RegisterDBGridEhClasses();
    RegisterTreeClasses();
    RegisterFieldClasses();
    RegisterComponentClass<TFrm_Custom>();
    RegisterProperties<TFrm_Custom>()
        .Handler<&TFrm_Custom::FormCreate>("FormCreate")
        .Handler<&TFrm_Custom::FormShow>("FormShow")
        .Handler<&TFrm_Custom::FormClose>("FormClose")
        .Handler<&TFrm_Custom::Btn_S_CustClick>("Btn_S_CustClick")
        .Handler<&TFrm_Custom::Edit_KeyKeyDown>("Edit_KeyKeyDown")
        .Handler<&TFrm_Custom::Combo_TypeChange>("Combo_TypeChange")
        .Handler<&TFrm_Custom::TreeView1Click>("TreeView1Click")
        .Handler<&TFrm_Custom::N2Click>("N2Click")
        .Handler<&TFrm_Custom::N6Click>("N6Click")
        .Handler<&TFrm_Custom::Grid_CustDblClick>("Grid_CustDblClick")
        .Handler<&TFrm_Custom::Grid_CustKeyDown>("Grid_CustKeyDown")
        .Handler<&TFrm_Custom::Grid_CustSortMarkingChanged>("Grid_CustSortMarkingChanged")
        .Handler<&TFrm_Custom::N441Click>("N441Click")
        .Handler<&TFrm_Custom::N25Click>("N25Click")
        .Handler<&TFrm_Custom::N19Click>("N19Click")
        .Handler<&TFrm_Custom::N20Click>("N20Click")
        .Handler<&TFrm_Custom::N14Click>("N14Click")
        .Handler<&TFrm_Custom::N16Click>("N16Click")
        .Handler<&TFrm_Custom::N26Click>("N26Click");
}
