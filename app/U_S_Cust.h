// The combined search dialog: sixteen inputs whose filled ones together choose the persons the
// person list shows. It stays open after a search so that the operator can refine and search
// again; the category input is read-only and filled by a pick in the category dialog.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"
#include "U_S_CustLogic.h"

class TFrm_S_Cust : public TForm {
    VESTREL_CLASS(TFrm_S_Cust, TForm)
public:
    explicit TFrm_S_Cust(TComponent* owner);
    ~TFrm_S_Cust() override;
    void Loaded() override;

    TGroupBox* GroupBox1 = nullptr;
    TEdit* Edit_cate = nullptr;
    TButton* Btn_Lookup = nullptr;
    TEdit* Edit_custname = nullptr;
    TEdit* Edit_address = nullptr;
    TEdit* Edit_postcode = nullptr;
    TComboBox* Combo_CustType = nullptr;
    TComboBox* Combo_xueli = nullptr;
    TComboBox* Combo_sex = nullptr;
    TComboBox* Combo_CustLevel = nullptr;
    TEdit* Edit_intro = nullptr;
    TEdit* Edit_tel = nullptr;
    TEdit* Edit_fax = nullptr;
    TEdit* Edit_url = nullptr;
    TEdit* Edit_email = nullptr;
    TEdit* Edit_age = nullptr;
    TEdit* Edit_qq = nullptr;
    TEdit* Edit_income = nullptr;
    TButton* btn_ok = nullptr;
    TButton* btn_reset = nullptr;
    TButton* btn_exit = nullptr;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void btn_okClick(TObject* Sender);
    void btn_resetClick(TObject* Sender);
    void btn_exitClick(TObject* Sender);
    // Opens the person categories to pick from; a pick lands in Edit_cate.
    void Btn_LookupClick(TObject* Sender);

    // Empties all sixteen inputs.
    void ClearInputs();
    // The inputs' texts, in the order of their conditions.
    TSearchInputs InputTexts() const;
    // The input of each condition, in their order.
    std::array<TControl*, kSearchInputCount> Inputs() const;
};

// The open combined search dialog (nullptr when none is).
extern TFrm_S_Cust* Frm_S_Cust;

void RegisterSearchCustClasses();
