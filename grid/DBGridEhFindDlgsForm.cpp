#include "DBGridEhFindDlgsForm.h"

#include "DBGridEhColumns.h"
#include "Dialogs.h"
#include "TypeRegistry.h"

namespace {

constexpr const char* kAllColumns = "<All>";
constexpr const char* kNotFound = "String \"%s\" not found.";

TDBGridEhFindDlg* findDlg = nullptr;

template <class T>
void BindPart(TComponent* root, T*& field, const char* name) {
    field = dynamic_cast<T*>(root->FindComponent(name));
    if (!field)
        throw EComponentError("The description of " + root->ClassName() + " has no " + T::StaticClass()->name +
                              " named " + name);
}

bool ColumnOfGrid(TCustomDBGridEh* grid, TColumnEh* column) {
    TDBGridColumnsEh* columns = grid->Columns();
    for (int i = 0; i < columns->Count(); ++i)
        if (columns->ColumnAt(i) == column) return true;
    return false;
}

}  // namespace

TDBGridEhFindDlg::~TDBGridEhFindDlg() {
    if (findDlg == this) findDlg = nullptr;
}

void TDBGridEhFindDlg::Loaded() {
    inherited::Loaded();
    BindPart(this, Label1, "Label1");
    BindPart(this, cbText, "cbText");
    BindPart(this, Label2, "Label2");
    BindPart(this, cbFindIn, "cbFindIn");
    BindPart(this, cbMatchType, "cbMatchType");
    BindPart(this, cbMatchinType, "cbMatchinType");
    BindPart(this, Label3, "Label3");
    BindPart(this, cbFindDirection, "cbFindDirection");
    BindPart(this, cbCharCase, "cbCharCase");
    BindPart(this, cbUseFormat, "cbUseFormat");
    BindPart(this, bFind, "bFind");
    BindPart(this, bCancel, "bCancel");
}

void TDBGridEhFindDlg::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == grid_) {
        grid_ = nullptr;
        columns_.clear();
        if (cbFindIn) {
            cbFindIn->Items()->Clear();
            cbFindIn->KeyItems()->Clear();
        }
        if (bFind) bFind->SetEnabled(false);
    }
}

void TDBGridEhFindDlg::SetGrid(TCustomDBGridEh* grid) {
    if (grid_ == grid) return;
    if (grid_) grid_->RemoveFreeNotification(this);
    grid_ = grid;
    if (grid_) grid_->FreeNotification(this);
    bFind->SetEnabled(grid_ != nullptr);
}

void TDBGridEhFindDlg::FillFindInList() {
    TStrings* items = cbFindIn->Items();
    TStrings* keys = cbFindIn->KeyItems();
    items->BeginUpdate();
    keys->BeginUpdate();
    items->Clear();
    keys->Clear();
    String currentCaption;
    if (grid_) {
        TDBGridColumnsEh* columns = grid_->Columns();
        const int selected = grid_->SelectedIndex();
        for (int i = 0; i < columns->Count(); ++i) {
            TColumnEh* column = columns->ColumnAt(i);
            if (!column->Visible()) continue;
            items->AddObject(column->Title()->Caption(), column);
            keys->Add(column->Title()->Caption());
            if (i == selected) currentCaption = column->Title()->Caption();
        }
    }
    items->AddObject(kAllColumns, nullptr);
    keys->Add(kAllColumns);
    keys->EndUpdate();
    items->EndUpdate();
    const int index = currentCaption.empty() ? -1 : items->IndexOf(currentCaption);
    cbFindIn->SetItemIndex(index >= 0 ? index : items->Count() - 1);
}

void TDBGridEhFindDlg::Open(TCustomDBGridEh* grid, const String& text, bool modal) {
    cbText->SetValue(Variant(text));
    SetGrid(grid);
    FillFindInList();
    isFirstTry_ = true;
    if (Visible()) Close();
    SetActiveControl(cbText);
    cbFindInChange(this);
    if (modal) {
        SetFormStyle(fsNormal);
        ShowModal();
    } else {
        SetFormStyle(fsStayOnTop);
        Show();
        SetFocus();
    }
}

TFindDirectionEh TDBGridEhFindDlg::Direction() {
    const int index = cbFindDirection->ItemIndex();
    return index == 0 ? fdUpEh : index == 1 ? fdDownEh : fdAllEh;
}

void TDBGridEhFindDlg::cbFindInChange(TObject* Sender) {
    columns_.clear();
    const int chosen = cbFindIn->ItemIndex();
    TObject* object = chosen >= 0 ? cbFindIn->Items()->Objects(chosen) : nullptr;
    if (object) {
        columns_.push_back(static_cast<TColumnEh*>(object));
    } else {
        TStrings* items = cbFindIn->Items();
        for (int i = 0; i < items->Count(); ++i)
            if (TObject* column = items->Objects(i)) columns_.push_back(static_cast<TColumnEh*>(column));
    }
    cbTextChange(Sender);
}

void TDBGridEhFindDlg::cbTextChange(TObject*) {
    isFirstTry_ = true;
    current_ = Direction() == fdUpEh && !columns_.empty() ? static_cast<int>(columns_.size()) - 1 : 0;
}

void TDBGridEhFindDlg::bCancelClick(TObject*) {
    Close();
}

String TDBGridEhFindDlg::CellText(TColumnEh* column) {
    if (cbUseFormat->Checked()) return column->DisplayText();
    if (TField* field = column->Field()) return field->AsString();
    return String();
}

void TDBGridEhFindDlg::bFindClick(TObject*) {
    const String text = cbText->Text();
    const TFindDirectionEh direction = Direction();
    const bool backwards = FindSearchesBackwards(direction, GetKeyState(VK_CONTROL) < 0);
    if (cbText->Items()->IndexOf(text) < 0) cbText->Items()->Add(text);
    if (!grid_) return;
    TDataSet* dataSet = grid_->DataSource() ? grid_->DataSource()->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active()) return;

    // Columns that left the grid since the list was made are not searched.
    std::vector<TColumnEh*> columns;
    for (TColumnEh* column : columns_)
        if (ColumnOfGrid(grid_, column)) columns.push_back(column);
    if (columns.size() != columns_.size()) {
        columns_ = columns;
        current_ = 0;
    }

    TFindRequestEh request;
    request.Text = text;
    const int match = cbMatchinType->ItemIndex();
    request.Match = match == 1 ? fmtWholeFieldEh : match == 2 ? fmtFromBeginningEh : fmtAnyPartEh;
    request.MatchCase = cbCharCase->Checked();
    request.Backwards = backwards;
    request.FromFirst = direction == fdAllEh && isFirstTry_;
    request.StepFirst = !isFirstTry_;

    int column = current_;
    const bool found = FindInDataSetEh(
        dataSet, static_cast<int>(columns_.size()), [&](int i) { return CellText(columns_[i]); }, request, column);
    if (found) {
        current_ = column;
        isFirstTry_ = false;
        grid_->SetSelectedIndex(columns_[column]->Index());
    } else {
        String message = kNotFound;
        message.replace(message.find("%s"), 2, text);
        ShowMessage(message);
    }
}

void TDBGridEhFindDlg::FormKeyDown(TObject*, WORD& Key, TShiftState) {
    if (Key != VK_RETURN && Key != VK_ESCAPE) return;
    TWinControl* active = ActiveControl();
    if (active && active->Perform(CM_WANTSPECIALKEY, Key, 0) != 0) return;
    const WORD key = Key;
    Key = 0;
    if (key == VK_ESCAPE) {
        if (!FormState().Contains(fsModal)) Close();
    } else {
        bFindClick(this);
    }
    cbText->SetModified(false);
}

TDBGridEhFindDlg* DBGridEhFindDlg() { return findDlg; }

void ExecuteDBGridEhFindDialog(TCustomDBGridEh* grid, const String& text, bool modal) {
    // Owned by the application, never its main form.
    if (!findDlg) findDlg = New<TDBGridEhFindDlg>(Application);
    findDlg->Open(grid, text, modal);
}

void DBGridEhFindDlgsInitialization() {
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterStdCtrlsClasses();
        RegisterDBCtrlsEhClasses();
        RegisterComponentClass<TDBGridEhFindDlg>();
        RegisterProperties<TDBGridEhFindDlg>()
            .Handler<&TDBGridEhFindDlg::cbTextChange>("cbTextChange")
            .Handler<&TDBGridEhFindDlg::cbFindInChange>("cbFindInChange")
            .Handler<&TDBGridEhFindDlg::bFindClick>("bFindClick")
            .Handler<&TDBGridEhFindDlg::bCancelClick>("bCancelClick")
            .Handler<&TDBGridEhFindDlg::FormKeyDown>("FormKeyDown");
    }
    DBGridEhFindDialogRoutine() = ExecuteDBGridEhFindDialog;
}

void DBGridEhFindDlgsFinalization() {
    if (DBGridEhFindDialogRoutine() == ExecuteDBGridEhFindDialog) DBGridEhFindDialogRoutine() = nullptr;
    if (findDlg) findDlg->Free();
}
