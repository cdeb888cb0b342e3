// The add/edit person dialog. New mode (PersonMode 1) proposes the next number, remembers the
// last category, refuses an empty or taken number or name, appends the person (owned by the
// operator) to the data module's person list at once and clears itself for the next one, staying
// open. Edit mode (0) shows the current person, steps through the list with its navigator and
// writes the changes back, refusing a number or name another person holds. A failed save leaves
// no row in insert or edit state.
//
// The category field is a button edit: its button (or F4) opens the category dialog, whose pick
// lands here (SetPickedCategory).
#pragma once

#include "ADODB.h"
#include "ComCtrls.h"
#include "DBCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

class TRzButtonEdit;

class TFrm_AddCust : public TForm {
    VESTREL_CLASS(TFrm_AddCust, TForm)
public:
    explicit TFrm_AddCust(TComponent* owner);
    ~TFrm_AddCust() override;
    void Loaded() override;

    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheet1 = nullptr;
    TEdit* Edit_Code = nullptr;
    TCheckBox* cb_Auto = nullptr;
    TEdit* Edit_CustName = nullptr;
    TRzButtonEdit* Edit_Category = nullptr;
    TComboBox* Combo_CustType = nullptr;
    TComboBox* Combo_CustLevel = nullptr;
    TComboBox* Combo_sex = nullptr;
    TComboBox* Combo_xueli = nullptr;
    TEdit* Edit_Main = nullptr;
    TEdit* Edit_Address = nullptr;
    TEdit* Edit_Zip = nullptr;
    TEdit* Edit_tel = nullptr;
    TEdit* Edit_Fax = nullptr;
    TEdit* Edit_Mobile = nullptr;
    TEdit* Edit_Income = nullptr;
    TEdit* Edit_Url = nullptr;
    TEdit* Edit_Email = nullptr;
    TEdit* Edit_qq = nullptr;
    TMemo* Memo1 = nullptr;
    TButton* Btn_OK = nullptr;
    TButton* Btn_Cancel = nullptr;
    TDBNavigator* DBNavigator1 = nullptr;
    TADOQuery* Qry_Repeat = nullptr;

    // 1 new, 0 edit; set by the creator before showing.
    int PersonMode = 1;
    // The category code written to Category; the field shows its name.
    String CategoryCode;
    // CustCode and Company of the loaded row (kept, not used).
    String LoadedCode;
    String LoadedName;

    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void Btn_OKClick(TObject* Sender);
    void Btn_CancelClick(TObject* Sender);
    void btn_exitClick(TObject* Sender);
    void cb_AutoClick(TObject* Sender);
    void DBNavigator1Click(TObject* Sender, TNavigateBtn Button);
    void Edit_UrlDblClick(TObject* Sender);
    void Edit_EmailDblClick(TObject* Sender);
    // Opens the category dialog to pick from (its button and F4).
    void Edit_CategoryButtonClick(TObject* Sender);

    // A category picked in the category dialog: the code (trimmed) and the name the field shows.
    void SetPickedCategory(const String& code, const String& name);
    String CategoryText();

    void ApplyFieldCaptions();
    void ProposeNextCustCode();
    void ResetForNext();
    void LoadCurrentPerson();

private:
    // Shows a message box of this dialog (caption "提醒", information icon).
    void Inform(const String& text);
    // Shows TabSheet1 and focuses `control` when it can take the focus.
    void FocusInput(TWinControl* control);
    // Appends (or edits) the current row of Qry_Cust with the inputs and posts it; a failure
    // cancels the row and passes on. A value longer than its column is refused first (false).
    bool WritePerson(int code, bool newRow);
    // The input that a column's value comes from.
    TWinControl* InputOf(const String& column);
    bool IsNewMode() const { return PersonMode == 1; }
};

extern TFrm_AddCust* Frm_AddCust;

void RegisterAddCustClasses();
