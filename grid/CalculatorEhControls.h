// The calculator windows: TCalculatorEh (a display over 23 flat buttons, all input through one key
// step of TCalculatorEngineEh) and TPopupCalculatorEh, its drop-down under a numeric cell, which
// never takes the focus and tells its owner (the cell editor) when to close.
#pragma once

#include "Buttons.h"
#include "CalculatorEh.h"
#include "Controls.h"
#include "ToolCtrlsEhControls.h"

#include <vector>

class TCalculatorEh : public TCustomControl {
    VESTREL_CLASS(TCalculatorEh, TCustomControl)
public:
    explicit TCalculatorEh(TComponent* owner);
    void AfterConstruction() override;

    // The single entry of every key and button: Ctrl+C (3) copies, Ctrl+V (22) pastes, the rest
    // goes to the engine.
    void PressCalcKey(char32_t key);
    const TCalculatorEngineEh& Engine() const { return engine_; }
    String DisplayText() const { return engine_.Display(); }
    double DisplayValue() const { return engine_.DisplayValue(); }
    void SetDisplayValue(double value);
    void Clear();
    void Copy();
    void Paste();

    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // The buttons in the order of their tags 1..23; the last one is the equals button.
    const std::vector<TSpeedButton*>& Buttons() const { return buttons_; }
    TSpeedButton* EqualButton() const { return buttons_.empty() ? nullptr : buttons_.back(); }
    // The key of the button tagged `tag` (0 for none).
    static char32_t KeyOfTag(int tag);

protected:
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void Dispatch(TMessage& message) override;

private:
    void SpeedButtonClick(TObject* sender);
    void Changed();

    TCalculatorEngineEh engine_;
    std::vector<TSpeedButton*> buttons_;
    bool flat_ = false;
};

class TPopupCalculatorEh : public TCalculatorEh {
    VESTREL_CLASS(TPopupCalculatorEh, TCalculatorEh)
public:
    explicit TPopupCalculatorEh(TComponent* owner);

    // Null in the error state, else the display as a number.
    Variant GetValue() const;
    void SetValue(const Variant& value);
    // Enter may close the drop-down: nothing is pending.
    bool ReadEnterCanClose() const;
    int BorderWidth() const { return 2; }

protected:
    void CreateParams(TCreateParams& params) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void Dispatch(TMessage& message) override;

private:
    void CloseUp(bool accept);
};
