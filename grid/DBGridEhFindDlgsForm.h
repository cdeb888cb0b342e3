// The grid's "Find text" dialog: one form for the whole program, opened by the grid's Ctrl+F, that
// searches the grid's records column by column (the search itself is DBGridEhFindDlgs.h).
//
// The boxes are data-aware combo and check boxes without a field (each keeps its own value); the
// column, match and direction boxes are keyed, so only their items are accepted.
#pragma once

#include "DBCtrlsEhControls.h"
#include "DBGridEh.h"
#include "DBGridEhFindDlgs.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <vector>

class TDBGridEhFindDlg : public TForm {
    VESTREL_CLASS(TDBGridEhFindDlg, TForm)
public:
    explicit TDBGridEhFindDlg(TComponent* owner) : TForm(owner) {}
    ~TDBGridEhFindDlg() override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    TLabel* Label1 = nullptr;
    TDBComboBoxEh* cbText = nullptr;
    TLabel* Label2 = nullptr;
    TDBComboBoxEh* cbFindIn = nullptr;
    TLabel* cbMatchType = nullptr;
    TDBComboBoxEh* cbMatchinType = nullptr;
    TLabel* Label3 = nullptr;
    TDBComboBoxEh* cbFindDirection = nullptr;
    TDBCheckBoxEh* cbCharCase = nullptr;
    TDBCheckBoxEh* cbUseFormat = nullptr;
    TButton* bFind = nullptr;
    TButton* bCancel = nullptr;

    // Resets the dialog to `grid` with `text` and shows it: modally (normal style) or as a
    // stay-on-top window that takes the focus.
    void Open(TCustomDBGridEh* grid, const String& text, bool modal);

    // The grid searched (nullptr once it is freed: "Find next" is then disabled).
    TCustomDBGridEh* Grid() const { return grid_; }
    // The columns searched, in order, and which of them is looked at first.
    const std::vector<TColumnEh*>& FindColumns() const { return columns_; }
    int CurrentColumn() const { return current_; }
    bool IsFirstTry() const { return isFirstTry_; }

    void cbTextChange(TObject* Sender);
    void cbFindInChange(TObject* Sender);
    void bFindClick(TObject* Sender);
    void bCancelClick(TObject* Sender);
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);

private:
    void SetGrid(TCustomDBGridEh* grid);
    void FillFindInList();
    TFindDirectionEh Direction();
    String CellText(TColumnEh* column);

    TCustomDBGridEh* grid_ = nullptr;
    std::vector<TColumnEh*> columns_;
    int current_ = 0;
    bool isFirstTry_ = true;
};

// The program's find dialog (nullptr before the first Ctrl+F).
TDBGridEhFindDlg* DBGridEhFindDlg();
// Opens the find dialog for `grid`, making it (owned by the application) on first use.
void ExecuteDBGridEhFindDialog(TCustomDBGridEh* grid, const String& text, bool modal);

// The find dialog unit's start-up: registers the form's classes and sets the grid's find-dialog
// routine; the shut-down clears the routine and frees the dialog.
void DBGridEhFindDlgsInitialization();
void DBGridEhFindDlgsFinalization();
