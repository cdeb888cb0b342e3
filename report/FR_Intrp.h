// Report scripts: TfrInterpretator compiles a small Pascal-like language into numbered lines of
// postfix expressions and jumps, and runs them.
//
// Compiled lines (a target is a line number in two bytes, low byte first):
//   "\1" target postfix   evaluate; continue at the target when the value equals 0
//   "\2" target           continue at the target
//   "\3" postfix          evaluate and discard; "EXIT(0)" ends the run
//   name " " postfix      evaluate and pass to AssignName
// Syntax errors are reported as one line "Line l/c: message" in the error list, l and c counted
// from 1 in the source as written (comments included).
#pragma once

#include "FR_Pars.h"
#include "Lists.h"

#include <cstdint>

class TfrInterpretator {
public:
    static constexpr std::size_t kMaxScriptLength = 32000;
    static constexpr int kMaxLabels = 101;
    static constexpr std::size_t kMaxLabelLength = 16;
    static constexpr int kMaxLines = 65535;
    static constexpr int kMaxNesting = 128;

    TfrInterpretator();
    virtual ~TfrInterpretator();
    TfrInterpretator(const TfrInterpretator&) = delete;
    TfrInterpretator& operator=(const TfrInterpretator&) = delete;

    // The base answers nothing: names and calls stay Null, assignments go nowhere. A name bound in
    // Parser() (TfrParser::BindName) is read and assigned at its variable without these.
    virtual void ReadName(const String& name, Variant& value) {}
    virtual void AssignName(const String& name, const Variant& value) {}
    virtual void CallFunction(const String& name, const String& p1, const String& p2, const String& p3,
                              Variant& value) {}
    virtual void CompileScript(TStrings* source, TStrings* compiled, TStrings* errors);
    virtual void RunScript(TStrings* compiled);

    TfrParser& Parser() { return parser_; }

    // Lines a run may execute before it stops with EReportError; 0 runs without limit.
    std::uint64_t StepLimit = 0;

private:
    TfrParser parser_;
};
