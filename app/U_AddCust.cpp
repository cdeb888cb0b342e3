#include "U_AddCust.h"

#include "Encoding.h"
#include "FormFields.h"
#include "OperatorSession.h"
#include "RzBtnEdt.h"
#include "ShellSeam.h"
#include "TypeRegistry.h"
#include "U_AddCustLogic.h"
#include "U_AddCustTexts.h"
#include "U_CustomLogic.h"
#include "U_Data.h"
#include "U_DataLogic.h"
#include "U_tree.h"

TFrm_AddCust* Frm_AddCust = nullptr;

TFrm_AddCust::TFrm_AddCust(TComponent* owner) : TForm(owner) {
    Frm_AddCust = this;
}

TFrm_AddCust::~TFrm_AddCust() {
    if (Frm_AddCust == this)
        Frm_AddCust = nullptr;
}

void TFrm_AddCust::Loaded() {
    inherited::Loaded();
    BindComponent(this, PageControl1, "PageControl1");
    BindComponent(this, TabSheet1, "TabSheet1");
    BindComponent(this, Edit_Code, "Edit_Code");
    BindComponent(this, cb_Auto, "cb_Auto");
    BindComponent(this, Edit_CustName, "Edit_CustName");
    BindComponent(this, Edit_Category, "Edit_Category");
    BindComponent(this, Combo_CustType, "Combo_CustType");
    BindComponent(this, Combo_CustLevel, "Combo_CustLevel");
    BindComponent(this, Combo_sex, "Combo_sex");
    BindComponent(this, Combo_xueli, "Combo_xueli");
    BindComponent(this, Edit_Main, "Edit_Main");
    BindComponent(this, Edit_Address, "Edit_Address");
    BindComponent(this, Edit_Zip, "Edit_Zip");
    BindComponent(this, Edit_tel, "Edit_tel");
    BindComponent(this, Edit_Fax, "Edit_Fax");
    BindComponent(this, Edit_Mobile, "Edit_Mobile");
    BindComponent(this, Edit_Income, "Edit_Income");
    BindComponent(this, Edit_Url, "Edit_Url");
    BindComponent(this, Edit_Email, "Edit_Email");
    BindComponent(this, Edit_qq, "Edit_qq");
    BindComponent(this, Memo1, "Memo1");
    BindComponent(this, Btn_OK, "Btn_OK");
    BindComponent(this, Btn_Cancel, "Btn_Cancel");
    BindComponent(this, DBNavigator1, "DBNavigator1");
    BindComponent(this, Qry_Repeat, "Qry_Repeat");
}

namespace {

int AutoCodeSetting() {
    return Frm_Data->IniFile->ReadInteger(AddCustTexts::FormConfigSection, AddCustTexts::AutoCodeKey, -1);
}

}  // namespace

void TFrm_AddCust::Inform(const String& text) {
    ShowMessageBox(HandleAllocated() ? WindowHandle() : nullptr, text, AddCustTexts::MessageCaption,
                   MB_ICONINFORMATION | MB_OK);
}

void TFrm_AddCust::FocusInput(TWinControl* control) {
    PageControl1->SetActivePage(TabSheet1);
    if (Visible() && control->CanFocus())
        control->SetFocus();
    else
        SetActiveControl(control);
}

String TFrm_AddCust::CategoryText() {
    return Edit_Category->GetText();
}

void TFrm_AddCust::SetPickedCategory(const String& code, const String& name) {
    CategoryCode = code;
    Edit_Category->SetText(name);
}

// ---- Show, reset, load ------------------------------------------------------------------------------

void TFrm_AddCust::ApplyFieldCaptions() {
    TADOQuery* query = Frm_Data->Qry_Temp;
    OpenQuery(query, kAddCustCaptionsSql);
    for (query->First(); !query->Eof(); query->Next()) {
        const String field = Trim(query->FieldByName("Field")->AsString());
        if (auto* control = dynamic_cast<TControl*>(FindComponent(field)))
            control->SetText(query->FieldByName("Name")->AsString());
    }
}

void TFrm_AddCust::ProposeNextCustCode() {
    TADOQuery* query = Frm_Data->Qry_Temp;
    OpenQuery(query, kMaxCustCodeSql);
    Edit_Code->SetText(NextCustCodeText(query->FieldByName("T_Code")->AsString()));
}

void TFrm_AddCust::ResetForNext() {
    if (AutoCodeResets(AutoCodeSetting())) {
        ProposeNextCustCode();
        FocusInput(Edit_CustName);
    } else {
        Edit_Code->SetText(String());
    }
    for (TCustomEdit* edit : {static_cast<TCustomEdit*>(Edit_CustName), static_cast<TCustomEdit*>(Edit_Main),
                              static_cast<TCustomEdit*>(Edit_Mobile), static_cast<TCustomEdit*>(Edit_Address),
                              static_cast<TCustomEdit*>(Edit_Zip), static_cast<TCustomEdit*>(Edit_tel),
                              static_cast<TCustomEdit*>(Edit_Fax), static_cast<TCustomEdit*>(Edit_Income),
                              static_cast<TCustomEdit*>(Edit_Url), static_cast<TCustomEdit*>(Edit_Email),
                              static_cast<TCustomEdit*>(Memo1)})
        edit->Clear();
}

void TFrm_AddCust::FormShow(TObject*) {
    if (IsNewMode()) {
        SetCaption(AddCustTexts::NewCaption);
        ApplyFieldCaptions();
        ResetForNext();
        const auto& ini = Frm_Data->IniFile;
        Edit_Category->SetText(ini->ReadString(AddCustTexts::LoginSection, AddCustTexts::CategoryKey, String()));
        CategoryCode = ini->ReadString(AddCustTexts::LoginSection, AddCustTexts::CategoryCodeKey, String());
        if (AutoCodeChecked(AutoCodeSetting())) {
            cb_Auto->SetChecked(true);
            ProposeNextCustCode();
        }
    } else {
        SetCaption(AddCustTexts::EditCaption);
        ApplyFieldCaptions();
        LoadCurrentPerson();
        DBNavigator1->SetDataSource(Frm_Data->DS_Cust);
    }
}

void TFrm_AddCust::LoadCurrentPerson() {
    TADOQuery* persons = Frm_Data->Qry_Cust;
    auto text = [persons](const char* column) { return persons->FieldByName(column)->AsString(); };
    Edit_Code->SetText(text("CustCode"));
    LoadedCode = text("CustCode");
    LoadedName = text("Company");
    Edit_CustName->SetText(text("Company"));
    Combo_CustType->SetText(text("CustType"));
    CategoryCode = text("Category");
    Combo_CustLevel->SetText(text("CustLevel"));
    Edit_Address->SetText(text("address"));
    Edit_Zip->SetText(text("postcode"));
    Edit_tel->SetText(text("tel"));
    Edit_Fax->SetText(text("fax"));
    Edit_Url->SetText(text("url"));
    Edit_Main->SetText(text("MainContact"));
    Edit_Mobile->SetText(text("Mobile"));
    Combo_sex->SetText(text("OtherInfo"));
    Edit_Income->SetText(text("income"));
    Edit_Email->SetText(text("email"));
    Memo1->SetText(text("introduce"));
    Combo_xueli->SetText(text("xueli"));
    Edit_qq->SetText(text("qq"));
    TADOQuery* query = Frm_Data->Qry_Temp;
    OpenQuery(query, CategoryOfCodeSql(CategoryCode));
    Edit_Category->SetText(query->IsEmpty() ? String() : query->FieldByName("Name")->AsString());
}

// ---- Saving -------------------------------------------------------------------------------------

TWinControl* TFrm_AddCust::InputOf(const String& column) {
    const std::pair<const char*, TWinControl*> inputs[] = {
        {"xueli", Combo_xueli},     {"company", Edit_CustName}, {"CustType", Combo_CustType},
        {"Category", Edit_Category}, {"address", Edit_Address}, {"postcode", Edit_Zip},
        {"tel", Edit_tel},          {"fax", Edit_Fax},          {"income", Edit_Income},
        {"Email", Edit_Email},      {"Url", Edit_Url},          {"introduce", Memo1},
        {"CustLevel", Combo_CustLevel}, {"MainContact", Edit_Main}, {"Mobile", Edit_Mobile},
        {"OtherInfo", Combo_sex},   {"qq", Edit_qq}};
    for (const auto& [name, input] : inputs)
        if (SameText(column, name))
            return input;
    return Edit_CustName;
}

bool TFrm_AddCust::WritePerson(int code, bool newRow) {
    TADOQuery* persons = Frm_Data->Qry_Cust;
    TPersonInputs in;
    in.Name = Edit_CustName->Text();
    in.CustType = Combo_CustType->Text();
    in.CategoryCode = CategoryCode;
    in.CustLevel = Combo_CustLevel->Text();
    in.Address = Edit_Address->Text();
    in.Zip = Edit_Zip->Text();
    in.Tel = Edit_tel->Text();
    in.Fax = Edit_Fax->Text();
    in.Url = Edit_Url->Text();
    in.Main = Edit_Main->Text();
    in.Mobile = Edit_Mobile->Text();
    in.Sex = Combo_sex->Text();
    in.Income = Edit_Income->Text();
    in.Email = Edit_Email->Text();
    in.Introduce = Memo1->Text();
    in.Xueli = Combo_xueli->Text();
    in.Qq = Edit_qq->Text();
    const std::vector<TPersonColumnValue> values = PersonColumnValues(in);
    const auto tooLong = FirstTooLong(values, [persons](const char* column) {
        return persons->FieldByName(column)->Size();
    });
    if (tooLong) {
        TField* field = persons->FieldByName(tooLong->Column);
        Inform(TooLongMessage(field->DisplayLabel(), field->Size()));
        FocusInput(InputOf(tooLong->Column));
        return false;
    }
    try {
        if (newRow)
            persons->Append();
        else
            persons->Edit();
        persons->FieldByName("CustCode")->SetAsInteger(code);
        for (const TPersonColumnValue& value : values)
            persons->FieldByName(value.Column)->SetAsString(value.Value);
        if (newRow)
            persons->FieldByName("F_User")->SetAsString(OperatorSession().OperatorName);
        persons->Post();
    } catch (...) {
        if (persons->State() == dsInsert || persons->State() == dsEdit)
            persons->Cancel();
        throw;
    }
    return true;
}

void TFrm_AddCust::Btn_OKClick(TObject*) {
    const TPersonEntryCheck check = CheckPersonEntry(Edit_Code->Text(), Edit_CustName->Text());
    switch (check.Fault) {
    case TPersonEntryFault::EmptyCode:
        Inform(check.Message);
        FocusInput(Edit_Code);
        return;
    case TPersonEntryFault::EmptyName:
        Inform(check.Message);
        FocusInput(Edit_CustName);
        return;
    case TPersonEntryFault::BadNumber:
        FocusInput(Edit_Code);
        throw EConvertError(check.Message);
    case TPersonEntryFault::None:
        break;
    }
    const String name = Trim(Edit_CustName->Text());
    TADOQuery* query = Frm_Data->Qry_Temp;
    std::optional<int> self;
    if (!IsNewMode())
        self = Frm_Data->Qry_Cust->FieldByName("CustID")->AsInteger();
    OpenQuery(query, CustCodeTakenSql(check.Code, self));
    if (!query->IsEmpty()) {
        Inform(AddCustTexts::CodeTaken);
        if (IsNewMode()) {
            PageControl1->SetActivePage(TabSheet1);
            ProposeNextCustCode();
        } else {
            FocusInput(Edit_Code);
        }
        return;
    }
    OpenQuery(query, CompanyTakenSql(name, self));
    if (!query->IsEmpty()) {
        Inform(AddCustTexts::NameTaken);
        FocusInput(Edit_CustName);
        return;
    }
    if (WritePerson(check.Code, IsNewMode()) && IsNewMode())
        ResetForNext();
}

// ---- The other handlers ---------------------------------------------------------------------------

void TFrm_AddCust::FormClose(TObject*, TCloseAction&) {
    if (IsNewMode())
        Frm_Data->IniFile->WriteInteger(AddCustTexts::FormConfigSection, AddCustTexts::AutoCodeKey,
                                        cb_Auto->Checked() ? 1 : 0);
    // The contacts of the current person, as the person window lists them.
    OpenQuery(Frm_Data->Qry_Contact, ContactDetailSql(OperatorSession().PersonScope()));
}

void TFrm_AddCust::Btn_CancelClick(TObject*) {
    Close();
}

void TFrm_AddCust::btn_exitClick(TObject*) {
    Close();
}

void TFrm_AddCust::cb_AutoClick(TObject*) {
    if (cb_Auto->Checked())
        ProposeNextCustCode();
    Frm_Data->IniFile->WriteInteger(AddCustTexts::FormConfigSection, AddCustTexts::AutoCodeKey,
                                    cb_Auto->Checked() ? 1 : 0);
}

void TFrm_AddCust::DBNavigator1Click(TObject*, TNavigateBtn) {
    LoadCurrentPerson();
}

void TFrm_AddCust::Edit_UrlDblClick(TObject*) {
    ShellExecuteFile(Handle(), "open", "http://" + Trim(Edit_Url->Text()), String(), String(), SW_SHOWNORMAL);
}

void TFrm_AddCust::Edit_EmailDblClick(TObject*) {
    ShellExecuteFile(Handle(), "open", "mailto:" + Trim(Edit_Email->Text()), String(), String(), SW_SHOWNORMAL);
}

void TFrm_AddCust::Edit_CategoryButtonClick(TObject*) {
    auto* tree = New<TFrm_Tree>(this);
    try {
        tree->PickMode = 1;
        tree->TreeTable = AddCustTexts::CategoryTable;
        tree->TreeCaption = AddCustTexts::CategoryCaption;
        tree->ShowModal();
    } catch (...) {
        tree->Free();
        throw;
    }
    tree->Free();
}

void RegisterAddCustClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterDataClasses();
    RegisterStdCtrlsClasses();
    RegisterComCtrlsClasses();
    RegisterDBCtrlsClasses();
    RegisterRzBtnEdtClasses();
    RegisterTreeClasses();
    RegisterComponentClass<TFrm_AddCust>();
    RegisterProperties<TFrm_AddCust>()
        .Handler<&TFrm_AddCust::FormShow>("FormShow")
        .Handler<&TFrm_AddCust::FormClose>("FormClose")
        .Handler<&TFrm_AddCust::Btn_OKClick>("Btn_OKClick")
        .Handler<&TFrm_AddCust::Btn_CancelClick>("Btn_CancelClick")
        .Handler<&TFrm_AddCust::btn_exitClick>("btn_exitClick")
        .Handler<&TFrm_AddCust::cb_AutoClick>("cb_AutoClick")
        .Handler<&TFrm_AddCust::DBNavigator1Click>("DBNavigator1Click")
        .Handler<&TFrm_AddCust::Edit_UrlDblClick>("Edit_UrlDblClick")
        .Handler<&TFrm_AddCust::Edit_EmailDblClick>("Edit_EmailDblClick")
        .Handler<&TFrm_AddCust::Edit_CategoryButtonClick>("Edit_CategoryButtonClick");
}
