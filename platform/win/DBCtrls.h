// Data-aware controls.
//
// Classes in this file:
//   TNavButton      one button of a navigator: a graphic control with a glyph drawn in code
//   TNavDataLink    the navigator's link to its data source
//   TDBNavigator    buttons that move through a data set (first, prior, next, last) and edit it
//                   (insert, delete, edit, post, cancel, refresh), enabled by the data set's state
//
// The buttons share the navigator's width evenly (the first ones take the odd pixels). Enabled
// state: first and prior while the data set is open and not at its beginning (Bof), next and last
// while not at its end (Eof); insert and delete when it can be modified (delete: not empty); edit
// in browse state; post and cancel while editing; refresh while open. A click runs the move, then
// OnClick with the button.
//
// Not yet: the data-aware edits, labels and grids of the platform, hints per button, flat
// buttons, auto-repeat of prior/next, ConfirmDelete's question.
#pragma once

#include "Controls.h"
#include "DB.h"

#include <array>
#include <memory>

class TDBNavigator;

enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
using TButtonSet = TEnumSet<TNavigateBtn>;
constexpr int kNavigateButtonCount = nbRefresh + 1;

using TNavClick = TEvent<void(TObject* Sender, TNavigateBtn Button)>;

class TNavButton : public TGraphicControl {
    VESTREL_CLASS(TNavButton, TGraphicControl)
public:
    TNavButton(TDBNavigator* navigator, TNavigateBtn index);

    TNavigateBtn Index() const { return index_; }
    bool Pressed() const { return pressed_; }
    void Click() override;
    // Draws the button into `canvas` at its origin: the paint path.
    void PaintTo(TCanvas& canvas);

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void CMEnabledChanged(TMessage& m) override;

private:
    void DrawGlyph(TCanvas& canvas, int x, int y, TColor color);

    TDBNavigator* navigator_;
    TNavigateBtn index_;
    bool pressed_ = false;
};

class TNavDataLink : public TDataLink {
    VESTREL_CLASS(TNavDataLink, TDataLink)
public:
    explicit TNavDataLink(TDBNavigator* navigator) : navigator_(navigator) {}

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void EditingChanged() override;

private:
    TDBNavigator* navigator_;
};

class TDBNavigator : public TCustomControl {
    VESTREL_CLASS(TDBNavigator, TCustomControl)
public:
    explicit TDBNavigator(TComponent* owner);
    ~TDBNavigator() override;
    void AfterConstruction() override;  // makes the buttons

    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* value);
    TButtonSet VisibleButtons() const { return visibleButtons_; }
    void SetVisibleButtons(TButtonSet value);
    TNavButton* Buttons(TNavigateBtn index) const { return buttons_[index]; }

    // Runs the button's move or edit on the data set, then OnClick.
    virtual void BtnClick(TNavigateBtn index);

    TNavClick OnClick;
    TNavClick BeforeAction;

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    friend class TNavDataLink;
    void AlignControls(TControl* control, TRect& rect) override;  // lays the buttons out
    void Paint() override;
    void CMEnabledChanged(TMessage& m) override;
    void ActiveChanged();
    void DataChanged();
    void EditingChanged();

private:
    void LayoutButtons();

    std::unique_ptr<TNavDataLink> dataLink_;
    std::array<TNavButton*, kNavigateButtonCount> buttons_{};
    TButtonSet visibleButtons_{nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel,
                               nbRefresh};
};

// Registers the classes and published properties of this file (idempotent).
void RegisterDBCtrlsClasses();
