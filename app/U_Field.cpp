#include "U_Field.h"

#include "U_DataLogic.h"
#include "Dialogs.h"
#include "FormFields.h"
#include "GridColumnSetup.h"
#include "TypeRegistry.h"
#include "U_CustomLogic.h"
#include "U_Data.h"
#include "U_FieldTexts.h"

TFrm_Field* Frm_Field = nullptr;

void SetupGridColumns(TDBGridEh* grid, TDataSet* query, const String& table) {
    SetupGridColumnsWith(*grid->Core(), query, Frm_Data->Qry_FieldShow, table);
}

void SaveGridColumns(TDBGridEh* grid, const String& table, bool withMessage) {
    SaveGridColumnsWith(*grid->Core(), Frm_Data->Qry_Temp, table);
    if (withMessage)
        MessageDlg(FieldTexts::ColumnsSaved, mtConfirmation, TMsgDlgButtons{mbOK});
}

void ApplySortMarkers(TDBGridEh* grid, TDataSet* query) {
    ApplySortMarkersTo(*grid->Core(), query);
}

namespace {

std::vector<String> ItemsOf(TListBox* list) {
    std::vector<String> items;
    for (int i = 0; i < list->Items()->Count(); ++i) items.push_back(list->Items()->Strings(i));
    return items;
}

void SetItems(TListBox* list, const std::vector<String>& items) {
    list->Items()->BeginUpdate();
    list->Items()->Clear();
    for (const String& item : items) list->Items()->Add(item);
    list->Items()->EndUpdate();
}

void FillList(TListBox* list, TADOQuery* query, const String& sql) {
    OpenQuery(query, sql);
    list->Items()->Clear();
    for (query->First(); !query->Eof(); query->Next())
        list->Items()->Add(query->FieldByName("name")->AsString());
}

}  // namespace

TFrm_Field::~TFrm_Field() {
    if (Frm_Field == this)
        Frm_Field = nullptr;
}

void TFrm_Field::Loaded() {
    inherited::Loaded();
    BindComponent(this, Panel1, "Panel1");
    BindComponent(this, Panel2, "Panel2");
    BindComponent(this, SrcList, "SrcList");
    BindComponent(this, DstList, "DstList");
    BindComponent(this, SP_right, "SP_right");
    BindComponent(this, SP_allright, "SP_allright");
    BindComponent(this, SP_left, "SP_left");
    BindComponent(this, SP_allleft, "SP_allleft");
    BindComponent(this, Btn_ok, "Btn_ok");
    BindComponent(this, Btn_exit, "Btn_exit");
    BindComponent(this, Qry_src, "Qry_src");
    BindComponent(this, Qry_Dst, "Qry_Dst");
    BindComponent(this, Qry_temp, "Qry_temp");
}

void TFrm_Field::FormCreate(TObject*) {
    Frm_Field = this;
    SetCaption(FieldTexts::Caption);
}

void TFrm_Field::FormShow(TObject*) {
    for (TADOQuery* query : {Qry_src, Qry_Dst, Qry_temp}) query->SetConnection(Frm_Data->ADOConnection1);
    FillList(SrcList, Qry_src, ChooserListSql(false, ColumnTable));
    FillList(DstList, Qry_Dst, ChooserListSql(true, ColumnTable));
    UpdateMoveButtons();
}

void TFrm_Field::MoveSelectedItems(TListBox* from, TListBox* to) {
    std::vector<String> source = ItemsOf(from);
    std::vector<bool> selected;
    for (int i = 0; i < from->Count(); ++i) selected.push_back(from->Selected(i));
    std::vector<String> target = ItemsOf(to);
    ::MoveSelectedItems(source, selected, target);
    SetItems(from, source);
    SetItems(to, target);
}

void TFrm_Field::UpdateMoveButtons() {
    const TMoveButtons b = MoveButtonsFor(SrcList->Count(), DstList->Count());
    SP_right->SetEnabled(b.Right);
    SP_allright->SetEnabled(b.AllRight);
    SP_left->SetEnabled(b.Left);
    SP_allleft->SetEnabled(b.AllLeft);
}

void TFrm_Field::SP_rightClick(TObject*) {
    MoveSelectedItems(SrcList, DstList);
    if (SrcList->Count() > 0)
        SrcList->SetSelected(0, true);
    UpdateMoveButtons();
}

void TFrm_Field::SrcListDblClick(TObject* Sender) {
    SP_rightClick(Sender);
}

void TFrm_Field::SP_leftClick(TObject*) {
    MoveSelectedItems(DstList, SrcList);
    if (DstList->Count() > 0)
        DstList->SetSelected(0, true);
    UpdateMoveButtons();
}

void TFrm_Field::DstListDblClick(TObject* Sender) {
    SP_leftClick(Sender);
}

void TFrm_Field::SP_allrightClick(TObject*) {
    for (int i = 0; i < SrcList->Count(); ++i) DstList->Items()->Add(SrcList->Items()->Strings(i));
    SrcList->Clear();
    UpdateMoveButtons();
}

void TFrm_Field::SP_allleftClick(TObject*) {
    for (int i = 0; i < DstList->Count(); ++i) SrcList->Items()->Add(DstList->Items()->Strings(i));
    DstList->Clear();
    UpdateMoveButtons();
}

void TFrm_Field::Btn_okClick(TObject*) {
    // A grid without a shown column would fall back to every field under its raw name.
    if (DstList->Count() == 0) {
        MessageDlg(FieldTexts::NoColumnChosen, mtWarning, TMsgDlgButtons{mbOK});
        return;
    }
    for (int i = 0; i < SrcList->Count(); ++i)
        ExecQuery(Qry_temp, ChooserUpdateSql(false, SrcList->Items()->Strings(i), ColumnTable));
    for (int i = 0; i < DstList->Count(); ++i)
        ExecQuery(Qry_temp, ChooserUpdateSql(true, DstList->Items()->Strings(i), ColumnTable));
    ShowMessage(FieldTexts::ChooserDone);
    Close();
}

void TFrm_Field::Btn_exitClick(TObject*) {
    Close();
}

void RegisterFieldClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterDataClasses();
    RegisterStdCtrlsClasses();
    RegisterButtonsClasses();
    RegisterExtCtrlsClasses();
    RegisterComponentClass<TFrm_Field>();
    RegisterProperties<TFrm_Field>()
        .Handler<&TFrm_Field::FormCreate>("FormCreate")
        .Handler<&TFrm_Field::FormShow>("FormShow")
        .Handler<&TFrm_Field::SP_rightClick>("SP_rightClick")
        .Handler<&TFrm_Field::SP_allrightClick>("SP_allrightClick")
        .Handler<&TFrm_Field::SP_leftClick>("SP_leftClick")
        .Handler<&TFrm_Field::SP_allleftClick>("SP_allleftClick")
        .Handler<&TFrm_Field::SrcListDblClick>("SrcListDblClick")
        .Handler<&TFrm_Field::DstListDblClick>("DstListDblClick")
        .Handler<&TFrm_Field::Btn_okClick>("Btn_okClick")
        .Handler<&TFrm_Field::Btn_exitClick>("Btn_exitClick")
        .Handler<&TFrm_Field::DstListDragDrop>("DstListDragDrop")
        .Handler<&TFrm_Field::DstListEndDrag>("DstListEndDrag");
}
