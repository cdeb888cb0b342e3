#include "U_S_Cust.h"

#include "Dialogs.h"
#include "FormFields.h"
#include "OperatorSession.h"
#include "TypeRegistry.h"
#include "U_Custom.h"
#include "U_CustomLogic.h"
#include "U_Data.h"
#include "U_DataLogic.h"
#include "U_Field.h"
#include "U_Main.h"
#include "U_S_CustTexts.h"
#include "U_tree.h"
#include "U_treeTexts.h"

TFrm_S_Cust* Frm_S_Cust = nullptr;

TFrm_S_Cust::TFrm_S_Cust(TComponent* owner) : TForm(owner) {
    Frm_S_Cust = this;
}

TFrm_S_Cust::~TFrm_S_Cust() {
    if (Frm_S_Cust == this)
        Frm_S_Cust = nullptr;
}

void TFrm_S_Cust::Loaded() {
    inherited::Loaded();
    BindComponent(this, GroupBox1, "GroupBox1");
    BindComponent(this, Edit_cate, "Edit_cate");
    BindComponent(this, Btn_Lookup, "Btn_Lookup");
    BindComponent(this, Edit_custname, "Edit_custname");
    BindComponent(this, Edit_address, "Edit_address");
    BindComponent(this, Edit_postcode, "Edit_postcode");
    BindComponent(this, Combo_CustType, "Combo_CustType");
    BindComponent(this, Combo_xueli, "Combo_xueli");
    BindComponent(this, Combo_sex, "Combo_sex");
    BindComponent(this, Combo_CustLevel, "Combo_CustLevel");
    BindComponent(this, Edit_intro, "Edit_intro");
    BindComponent(this, Edit_tel, "Edit_tel");
    BindComponent(this, Edit_fax, "Edit_fax");
    BindComponent(this, Edit_url, "Edit_url");
    BindComponent(this, Edit_email, "Edit_email");
    BindComponent(this, Edit_age, "Edit_age");
    BindComponent(this, Edit_qq, "Edit_qq");
    BindComponent(this, Edit_income, "Edit_income");
    BindComponent(this, btn_ok, "btn_ok");
    BindComponent(this, btn_reset, "btn_reset");
    BindComponent(this, btn_exit, "btn_exit");
}

std::array<TControl*, kSearchInputCount> TFrm_S_Cust::Inputs() const {
    return {Edit_cate,       Edit_custname, Edit_address, Edit_postcode, Combo_CustType, Combo_xueli,
            Combo_sex,       Combo_CustLevel, Edit_intro, Edit_tel,      Edit_fax,       Edit_url,
            Edit_email,      Edit_age,      Edit_qq,      Edit_income};
}

TSearchInputs TFrm_S_Cust::InputTexts() const {
    TSearchInputs texts;
    const auto inputs = Inputs();
    for (int i = 0; i < kSearchInputCount; ++i) texts[i] = inputs[i]->Text();
    return texts;
}

void TFrm_S_Cust::ClearInputs() {
    for (TControl* input : Inputs()) input->SetText(String());
}

void TFrm_S_Cust::FormCreate(TObject*) {
    SetCaption(SearchCustTexts::Caption);
}

void TFrm_S_Cust::FormShow(TObject*) {
    ClearInputs();
}

void TFrm_S_Cust::btn_resetClick(TObject*) {
    ClearInputs();
}

void TFrm_S_Cust::btn_exitClick(TObject*) {
    Close();
}

void TFrm_S_Cust::Btn_LookupClick(TObject*) {
    auto* tree = New<TFrm_Tree>(Application);
    try {
        tree->PickMode = 2;
        tree->TreeTable = TreeTexts::PersonTable;
        tree->TreeCaption = TreeTexts::PersonCaption;
        tree->ShowModal();
    } catch (...) {
        tree->Free();
        throw;
    }
    tree->Free();
}

void TFrm_S_Cust::btn_okClick(TObject*) {
    const String sql = CombinedSearchSql(InputTexts(), OperatorSession().PersonScope());
    if (sql.empty()) {
        ShowMessage(SearchCustTexts::NothingToSearch);
        return;
    }
    // The list goes to the person window's grid: open it again if it was closed.
    TFrm_Custom* persons = Frm_Custom ? Frm_Custom : dynamic_cast<TFrm_Custom*>(Frm_Main->ShowPersonWindow());
    TADOQuery* list = Frm_Data->Qry_Cust;
    const String previous = list->SQL()->Text();
    const bool wasOpen = list->Active();
    try {
        OpenQuery(list, sql);
    } catch (...) {
        // A failed search leaves the list as it was.
        try {
            list->Close();
            list->SQL()->SetText(previous);
            if (wasOpen)
                list->Open();
        } catch (const std::exception&) {
        }
        throw;
    }
    Frm_Main->StatusBar1->Panels()->Items(1)->SetText(PersonStatusText(list->RecordCount()));
    if (persons)
        SetupGridColumns(persons->Grid_Cust, list, "Custom");
    // The search leaves the dialog in front for the next one.
    if (Visible() && CanFocus())
        SetFocus();
}

void RegisterSearchCustClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterStdCtrlsClasses();
    RegisterTreeClasses();
    RegisterComponentClass<TFrm_S_Cust>();
    RegisterProperties<TFrm_S_Cust>()
        .Handler<&TFrm_S_Cust::FormCreate>("FormCreate")
        .Handler<&TFrm_S_Cust::FormShow>("FormShow")
        .Handler<&TFrm_S_Cust::btn_okClick>("btn_okClick")
        .Handler<&TFrm_S_Cust::btn_resetClick>("btn_resetClick")
        .Handler<&TFrm_S_Cust::btn_exitClick>("btn_exitClick")
        .Handler<&TFrm_S_Cust::Btn_LookupClick>("Btn_LookupClick");
}
