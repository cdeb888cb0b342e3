// The calculator's arithmetic: one key-processing step that keeps the display text, a pending
// operator and operand, as a four-function desk calculator does. Windows-free; the calculator
// windows (CalculatorEhControls) feed it their buttons and keys.
#pragma once

#include "SysUtils.h"

class TCalculatorEngineEh {
public:
    enum TStatus { csFirst, csValid, csError };

    // Keys: "0".."9", the decimal separator ("," or "." too), Backspace (8), Enter (13), Esc (27),
    // "%", "*", "+", "-", "/", "=", "I" (sign), "R" (1/x), "S" (root), "C" (clear). Letters are
    // upper-cased first; any other key changes nothing.
    void PressKey(char32_t key);
    void Clear();

    const String& Display() const { return display_; }
    TStatus Status() const { return status_; }
    char32_t PendingOperator() const { return operator_; }
    double Operand() const { return operand_; }
    // The display as a number; 0 in the error state.
    double DisplayValue() const;
    // Shows `value` (general format, 15 digits); a value that is no finite number gives the error state.
    void SetDisplayValue(double value);
    // A pasted text: its trimmed number is shown as if typed. Text that is no number raises EConvertError and the
    // display keeps its value.
    void Paste(const String& text);
    // The caption of the equals button: "=" while an operation waits for its second number, else "Ok".
    String EqualCaption() const;

private:
    void StartNumber();
    void SetError();
    void ApplyOperator(char32_t key);

    String display_ = "0";
    TStatus status_ = csFirst;
    char32_t operator_ = U'=';
    double operand_ = 0;
};
