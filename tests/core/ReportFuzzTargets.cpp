#include "ReportFuzzTargets.h"

#include "FR_Intrp.h"

namespace {

// Names answer by their length, so that every kind of value meets every operator.
void AnswerName(const String& name, Variant& value) {
    switch (name.size() % 5) {
    case 0: value = Variant(static_cast<int>(name.size())); break;
    case 1: value = Variant("1"); break;
    case 2: value = Variant(2.5); break;
    case 3: value = Variant(TDateTime(45000)); break;
    default: break;  // Null
    }
}

class FuzzInterpreter : public TfrInterpretator {
public:
    void ReadName(const String& name, Variant& value) override {
        if (const Variant* known = Vars.Find(name)) value = *known;
        else AnswerName(name, value);
    }
    void AssignName(const String& name, const Variant& value) override {
        if (Vars.Count() < 64) Vars.SetVariable(name, value);
    }
    void CallFunction(const String& name, const String& p1, const String&, const String&,
                      Variant& value) override {
        value = Parser().Evaluate(p1);
    }
    TfrVariables Vars;
};

}  // namespace

void FuzzReportExpression(const std::uint8_t* data, std::size_t size) {
    const String text(reinterpret_cast<const char*>(data), size);
    TfrParser parser;
    parser.OnNameValue = AnswerName;
    parser.OnCallFunction = [&parser](const String&, const String& p1, const String&, const String&,
                                      Variant& value) { value = parser.Evaluate(p1); };
    try {
        VarToStr(parser.Evaluate(text));
    } catch (const Exception&) {
    }
    try {
        VarToStr(parser.RunPostfix(text));
    } catch (const Exception&) {
    }
}

void FuzzReportScript(const std::uint8_t* data, std::size_t size) {
    const String text(reinterpret_cast<const char*>(data), size);
    FuzzInterpreter interpreter;
    interpreter.StepLimit = 2000;
    TStringList source, compiled, errors;
    source.SetText(text);
    try {
        interpreter.CompileScript(&source, &compiled, &errors);
        interpreter.RunScript(&compiled);
    } catch (const Exception&) {
    }
}
