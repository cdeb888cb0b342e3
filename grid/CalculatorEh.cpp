#include "CalculatorEh.h"

#include "Encoding.h"
#include "FormatSettings.h"

#include <cmath>

namespace {
constexpr char32_t kBackspace = 8;
constexpr char32_t kEnter = 13;
constexpr char32_t kEscape = 27;
constexpr int kMaxDigits = 15;
}  // namespace

void TCalculatorEngineEh::Clear() {
    status_ = csFirst;
    display_ = "0";
    operator_ = U'=';
    operand_ = 0;
}

double TCalculatorEngineEh::DisplayValue() const {
    if (status_ == csError) return 0;
    double value = 0;
    return TryStrToFloat(Trim(display_), value) ? value : 0;
}

void TCalculatorEngineEh::SetDisplayValue(double value) {
    if (!std::isfinite(value)) {
        SetError();
        return;
    }
    if (value == 0) value = 0;  // no "-0"
    display_ = FloatToStrF(value, ffGeneral, 15, 0);
}

void TCalculatorEngineEh::SetError() {
    status_ = csError;
    display_ = "Error";
}

void TCalculatorEngineEh::Paste(const String& text) {
    const double value = StrToFloat(Trim(text));
    status_ = csValid;  // as if typed: a pending operation takes it
    SetDisplayValue(value);
}

String TCalculatorEngineEh::EqualCaption() const {
    const bool pending = operator_ == U'*' || operator_ == U'+' || operator_ == U'-' || operator_ == U'/';
    return operand_ != 0 && status_ == csValid && pending ? "=" : "Ok";
}

void TCalculatorEngineEh::StartNumber() {
    if (status_ != csFirst) return;
    status_ = csValid;
    display_ = "0";
}

void TCalculatorEngineEh::ApplyOperator(char32_t key) {
    if (status_ == csValid) {
        status_ = csFirst;
        double x = DisplayValue();
        if (key == U'%') {
            if (operator_ == U'*' || operator_ == U'/')
                x = x / 100;
            else if (operator_ == U'+' || operator_ == U'-')
                x = operand_ * x / 100;
        }
        switch (operator_) {
        case U'*': SetDisplayValue(operand_ * x); break;
        case U'+': SetDisplayValue(operand_ + x); break;
        case U'-': SetDisplayValue(operand_ - x); break;
        case U'/':
            if (x == 0)
                SetError();
            else
                SetDisplayValue(operand_ / x);
            break;
        default: break;
        }
        if (status_ == csError) return;
    }
    operator_ = key;
    operand_ = DisplayValue();
}

void TCalculatorEngineEh::PressKey(char32_t key) {
    if (key >= U'a' && key <= U'z') key -= U'a' - U'A';
    if (status_ == csError && key != U'C') return;
    const char32_t separator = static_cast<unsigned char>(FormatSettings.DecimalSeparator);
    if (key == separator || key == U',' || key == U'.') {
        StartNumber();
        if (display_.find(FormatSettings.DecimalSeparator) == String::npos) display_ += FormatSettings.DecimalSeparator;
        return;  // the equals caption stays
    }
    if (key >= U'0' && key <= U'9') {
        StartNumber();
        if (display_ == "0") display_.clear();
        const std::size_t limit = !display_.empty() && display_[0] == '-' ? kMaxDigits + 1 : kMaxDigits;
        if (display_.find('E') == String::npos && display_.size() < limit) display_ += char(key);
    } else if (key == kBackspace) {
        StartNumber();
        if (display_.size() == 1 || (display_.size() == 2 && display_[0] == '-'))
            display_ = "0";
        else
            display_.pop_back();
    } else if (key == kEnter || key == U'%' || key == U'*' || key == U'+' || key == U'-' || key == U'/' ||
               key == U'=') {
        ApplyOperator(key);
    } else if (key == U'I') {
        SetDisplayValue(-DisplayValue());
    } else if (key == U'R') {
        status_ = csFirst;
        const double x = DisplayValue();
        if (x == 0)
            SetError();
        else
            SetDisplayValue(1 / x);
    } else if (key == U'S') {
        status_ = csFirst;
        const double x = DisplayValue();
        if (x < 0)
            SetError();
        else
            SetDisplayValue(std::sqrt(x));
    } else if (key == U'C' || key == kEscape) {
        Clear();
    }
}
