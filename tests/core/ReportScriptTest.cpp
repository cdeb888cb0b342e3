// Report scripts: statements as a table of small scripts and their results, the compile errors
// with their positions, the compiled-line format and the limits.
#include "FR_Intrp.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

// An interpreter whose names live in a variable list and whose calls are logged.
class ListInterpreter : public TfrInterpretator {
public:
    void ReadName(const String& name, Variant& value) override { value = Vars.Variable(name); }
    void AssignName(const String& name, const Variant& value) override { Vars.SetVariable(name, value); }
    void CallFunction(const String& name, const String& p1, const String& p2, const String& p3,
                      Variant& value) override {
        Calls.push_back(name + "|" + p1 + "|" + p2 + "|" + p3);
    }

    // Compiles and runs; answers the first error line or "".
    String Run(const std::vector<String>& source) {
        TStringList text, compiled, errors;
        for (const String& line : source) text.Add(line);
        CompileScript(&text, &compiled, &errors);
        if (errors.Count() > 0) return errors.Get(0);
        RunScript(&compiled);
        return "";
    }

    TfrVariables Vars;
    std::vector<String> Calls;
};

String Show(const Variant& v) { return v.IsNull() ? "null" : VarToStr(v); }

TEST(ReportScript, StatementTable) {
    struct Case {
        std::vector<String> Source;
        std::map<String, String> Before;
        std::map<String, String> After;  // "null" for an unset name
    };
    const Case cases[] = {
        {{"BEGIN S := 0; FOR I := 1 TO 3 DO S := S + I END"}, {}, {{"S", "6"}, {"I", "4"}}},
        {{"BEGIN S := 0; FOR I := 5 TO 3 DO S := S + I END"}, {}, {{"S", "0"}, {"I", "5"}}},
        {{"BEGIN S := 0; FOR I := 1 TO 3 DO FOR J := 1 TO I DO S := S + J END"}, {}, {{"S", "10"}}},
        {{"IF A > 1 THEN B := 1"}, {{"A", "0"}}, {{"B", "null"}}},
        {{"IF A THEN B := 1"}, {{"A", "0"}}, {{"B", "null"}}},
        {{"IF A THEN B := 1"}, {{"A", "3"}}, {{"B", "1"}}},
        {{"IF A > 1 THEN B := 1 ELSE B := 2"}, {{"A", "1"}}, {{"B", "2"}}},
        {{"if a = 1 then begin b := 'x'; c := 1 end else b := 'y'"}, {{"A", "1"}}, {{"B", "x"}, {"C", "1"}}},
        {{"BEGIN I := 0; REPEAT I := I + 1 UNTIL I > 4 END"}, {}, {{"I", "5"}}},
        {{"BEGIN I := 0; REPEAT I := I + 1; J := I * 2 UNTIL I >= 2 END"}, {}, {{"I", "2"}, {"J", "4"}}},
        {{"BEGIN I := 0; WHILE I < 3 DO I := I + 1 END"}, {}, {{"I", "3"}}},
        {{"BEGIN GOTO 10; A := 2; 10: B := 3 END"}, {}, {{"A", "null"}, {"B", "3"}}},
        {{"BEGIN I := 0; 5: I := I + 1; IF I < 4 THEN GOTO 5 END"}, {}, {{"I", "4"}}},
        {{"BEGIN A := 1; EXIT; A := 2 END"}, {}, {{"A", "1"}}},
        {{"BEGIN A := 1; IF A = 1 THEN Exit; A := 2 END"}, {}, {{"A", "1"}}},
        {{"A := 1; B := 2"}, {}, {{"A", "1"}, {"B", "null"}}},
        {{"BEGIN END"}, {}, {}},
        {{"BEGIN A := 1; END"}, {}, {{"A", "1"}}},
        {{"S := 'see {x} //y'"}, {}, {{"S", "see {x} //y"}}},
        {{"S := 'it''s'"}, {}, {{"S", "it's"}}},
        {{"BEGIN { a comment", "over two lines } A := 1; // the rest", "B := A + 1 END"}, {}, {{"B", "2"}}},
        {{"BEGIN\tA := IF(1, 'y', 'n');\tB := COPY('abc', 2, 1) END"}, {}, {{"A", "y"}, {"B", "b"}}},
        {{"BEGIN Memo1.Text := 5 END"}, {}, {{"Memo1.Text", "5"}}},
    };
    for (const Case& c : cases) {
        ListInterpreter interpreter;
        for (const auto& [name, value] : c.Before) interpreter.Vars.SetVariable(name, Variant(StrToFloat(value)));
        const String error = interpreter.Run(c.Source);
        EXPECT_EQ(error, "") << c.Source[0];
        for (const auto& [name, value] : c.After)
            EXPECT_EQ(Show(interpreter.Vars.Variable(name)), value) << c.Source[0] << " / " << name;
    }
}

TEST(ReportScript, IndexedAssignmentsAndBareNamesBecomeCalls) {
    ListInterpreter interpreter;
    EXPECT_EQ(interpreter.Run({"BEGIN X[1] := 5; Y[I + 1] := 'a,b'; Refresh; Show(1, 2) END"}), "");
    ASSERT_EQ(interpreter.Calls.size(), 4u);
    EXPECT_EQ(interpreter.Calls[0], "SETARRAY|X| 1| 5");
    EXPECT_EQ(interpreter.Calls[1], "SETARRAY|Y| I + 1| 'a,b'");
    EXPECT_EQ(interpreter.Calls[2], "REFRESH|0||");
    EXPECT_EQ(interpreter.Calls[3], "SHOW|1| 2|");
}

TEST(ReportScript, CompiledLinesHoldJumpsAndPostfix) {
    ListInterpreter interpreter;
    TStringList source, compiled, errors;
    source.Add("BEGIN IF A THEN B := 1 ELSE B := 2; C := 3; GOTO 7; 7: EXIT END");
    interpreter.CompileScript(&source, &compiled, &errors);
    ASSERT_EQ(errors.Count(), 0);
    const std::vector<String> expected = {
        String("\x01\x03\x00", 3) + "A ",
        "B 1 ",
        String("\x02\x04\x00", 3),
        "B 2 ",
        "C 3 ",
        String("\x02\x06\x00", 3),
        "\x03" "EXIT(0)",
    };
    ASSERT_EQ(compiled.Count(), static_cast<int>(expected.size()));
    for (int i = 0; i < compiled.Count(); ++i) EXPECT_EQ(compiled.Get(i), expected[i]) << i;
}

TEST(ReportScript, ErrorsNameTheLineAndColumnAsWritten) {
    struct Case {
        std::vector<String> Source;
        const char* Error;
    };
    const Case cases[] = {
        {{"BEGIN A := 1 B := 2 END"}, "Line 1/14: Need \";\" or \"end\" here"},
        {{"BEGIN {c} A := 1 B := 2 END"}, "Line 1/18: Need \";\" or \"end\" here"},
        {{"BEGIN // note", "  A := 1", "  B := 2", "END"}, "Line 3/3: Need \";\" or \"end\" here"},
        {{"BEGIN A := 1"}, "Line 2/1: Need \";\" or \"end\" here"},
        {{"IF A B := 1"}, "Line 1/6: Need \"then\" here"},
        {{"GOTO X"}, "Line 1/6: \"goto\" label must be a number"},
        {{"BEGIN GOTO 10; A := 1 END"}, "Line 1/12: Label 10 is not defined"},
        {{"A := (1 + 2"}, "Line 2/1: Need \")\" here"},
        {{"FOR I := 1 DO A := 1"}, "Line 1/12: Need \"to\" here"},
        {{"FOR I := 1 TO 3 A := 1"}, "Line 1/17: Need \"do\" here"},
        {{"WHILE 1 A := 1"}, "Line 1/9: Need \"do\" here"},
        {{"REPEAT A := 1 B := 2 UNTIL 1"}, "Line 1/15: Need \";\" or \"until\" here"},
        {{"A B"}, "Line 1/3: Need \":=\" here"},
        {{"BEGIN [x] := 1 END"}, "Line 1/11: Need \";\" or \"end\" here"},
        {{"A := FOO(1 2)"}, "Line 1/12: Need \",\" or \")\" here"},
        {{"A := X[1"}, "Line 2/1: Need \"]\" here"},
        {{"A := 'abc"}, "Line 1/6: Unterminated string"},
        {{"A := * 2"}, "Line 1/6: Need an expression here"},
        {{"A := [abc"}, "Line 2/1: Need \"]\" here"},
        {{"12345678901234567: A := 1"}, "Line 1/1: Label too long"},
        {{"A := FOO(1, 2, 3, 4)"}, "Line 1/6: Too many arguments in call"},
        {{"FOR 1 := 2 TO 3 DO A := 1"}, "Line 1/5: Need a variable here"},
    };
    for (const Case& c : cases) {
        ListInterpreter interpreter;
        EXPECT_EQ(interpreter.Run(c.Source), c.Error) << c.Source[0];
    }
}

TEST(ReportScript, LimitsAreErrorsNotOverflows) {
    ListInterpreter interpreter;
    String deepBlocks;
    for (int i = 0; i < 5000; ++i) deepBlocks += "BEGIN ";
    EXPECT_NE(interpreter.Run({deepBlocks}).find("Nested too deeply"), String::npos);
    EXPECT_NE(interpreter.Run({"A := " + String(10000, '(') + "1" + String(10000, ')')}).find("Nested too deeply"),
              String::npos);
    String deepIf;
    for (int i = 0; i < 3000; ++i) deepIf += "IF 1 THEN ";
    EXPECT_NE(interpreter.Run({deepIf + "A := 1"}).find("Nested too deeply"), String::npos);

    EXPECT_EQ(interpreter.Run({"A := '" + String(1 << 20, 'x') + "'"}), "Line 1/1: Script longer than 32000 characters");

    String labels = "BEGIN ";
    for (int i = 1; i <= 102; ++i) labels += IntToStr(i) + ": A := 1; ";
    labels += "END";
    EXPECT_NE(interpreter.Run({labels}).find("Too many labels"), String::npos);

    // A run may be bounded; the default is not.
    interpreter.StepLimit = 1000;
    EXPECT_THROW(interpreter.Run({"WHILE 1 DO A := 1"}), EReportError);
    interpreter.StepLimit = 0;
    EXPECT_EQ(interpreter.Run({"BEGIN I := 0; WHILE I < 5000 DO I := I + 1 END"}), "");
    EXPECT_EQ(interpreter.Vars.Variable("I").AsInteger(), 5000);
}

TEST(ReportScript, EvaluationErrorsLeaveTheRun) {
    ListInterpreter interpreter;
    EXPECT_THROW(interpreter.Run({"BEGIN A := 1; B := 7 MOD 0; A := 2 END"}), EDivByZero);
    EXPECT_EQ(interpreter.Vars.Variable("A").AsInteger(), 1);
    EXPECT_THROW(interpreter.Run({"A := 'x' + 1"}), EVariantTypeCastError);
}

TEST(ReportScript, TheBaseClassAnswersNullAndStoresNothing) {
    TfrInterpretator base;
    TStringList source, compiled, errors;
    source.Add("BEGIN A := 1; B := A + 1; IF B = 2 THEN C := 1; Foo END");
    base.CompileScript(&source, &compiled, &errors);
    ASSERT_EQ(errors.Count(), 0);
    base.RunScript(&compiled);
    EXPECT_TRUE(base.Parser().Evaluate("A").IsNull());
}

TEST(ReportScript, BoundNamesAreReadAndAssignedAtTheirVariable) {
    ListInterpreter interpreter;
    Variant sum;
    interpreter.Parser().BindName("S", &sum);
    EXPECT_EQ(interpreter.Run({"BEGIN s := 0; I := 0; WHILE I < 4 DO BEGIN S := S + I; I := I + 1 END END"}), "");
    EXPECT_EQ(Show(sum), "6");
    EXPECT_EQ(interpreter.Vars.IndexOf("S"), -1);  // never reached AssignName
    EXPECT_EQ(Show(interpreter.Vars.Variable("I")), "4");

    // Bindings made while the script runs are used from then on; unbinding goes back to the names.
    class BindingInterpreter : public ListInterpreter {
    public:
        void AssignName(const String& name, const Variant& value) override {
            ListInterpreter::AssignName(name, value);
            if (name != "N") return;
            Parser().BindName("N", &N);
            N = value;
        }
        Variant N;
    } binding;
    EXPECT_EQ(binding.Run({"BEGIN N := 0; FOR K := 1 TO 5 DO N := N + K END"}), "");
    EXPECT_EQ(Show(binding.N), "15");
    EXPECT_EQ(Show(binding.Vars.Variable("N")), "0");  // only the first assignment asked by name
    binding.Parser().UnbindNames();
    EXPECT_EQ(binding.Run({"N := N + 1"}), "");
    EXPECT_EQ(Show(binding.Vars.Variable("N")), "1");
}

}  // namespace
