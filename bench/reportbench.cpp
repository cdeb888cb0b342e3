// The report core's speed: "expression N" evaluates the expression of run-report.sh over N bindings
// of A, B and C; "script N" runs a script loop of N rounds. Each prints the best of three runs in
// ms, then the result (so that the peer's can be compared).
#include "Encoding.h"
#include "FR_Class.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

const char* const kExpression =
    "IF(A > B, A - B, B - A) * 2 + MAXNUM(A, C) / 3 - MINNUM(B, C) * 4 + (A + B) * (C - 1) - A / (B + 1) + "
    "C * 3 - B * 2 - C";

// Keeps its variables at stable addresses and binds each one in the parser as it is made, so that
// the script reads and assigns them without a lookup by name.
class ListInterpreter : public TfrInterpretator {
public:
    void ReadName(const String& name, Variant& value) override {
        const auto it = vars_.find(UpperCase(name));
        if (it != vars_.end()) value = it->second;
    }
    void AssignName(const String& name, const Variant& value) override {
        const String key = UpperCase(name);
        const auto [it, made] = vars_.try_emplace(key, value);
        if (made) Parser().BindName(key, &it->second);
        else it->second = value;
    }
    Variant Variable(const String& name) const {
        const auto it = vars_.find(UpperCase(name));
        return it == vars_.end() ? Null() : it->second;
    }

private:
    std::map<String, Variant> vars_;
};

template <class F>
double BestMs(F&& run) {
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (ms < best) best = ms;
    }
    return best;
}

double Expression(long count, double& total) {
    frRegisterFunctionLibrary<TfrStdFunctionLibrary>();
    TfrParser parser;
    Variant a, b, c;
    parser.BindName("A", &a);
    parser.BindName("B", &b);
    parser.BindName("C", &c);
    parser.OnCallFunction = [&](const String& name, const String& p1, const String& p2, const String& p3,
                                Variant& value) { frCallRegisteredFunction(parser, name, p1, p2, p3, value); };
    const String text = kExpression;
    return BestMs([&] {
        total = 0;
        for (long i = 0; i < count; ++i) {
            a = Variant(static_cast<int>(i % 97 + 1));
            b = Variant(static_cast<int>(i % 89 + 1));
            c = Variant(static_cast<int>(i % 83 + 1));
            total += parser.Evaluate(text).AsDouble();
        }
    });
}

double Script(long count, double& total) {
    ListInterpreter interpreter;
    TStringList source, compiled, errors;
    source.Add("BEGIN I := 0; S := 0;");
    source.Add("WHILE I < " + IntToStr(count) + " DO BEGIN S := S + I; I := I + 1 END END");
    interpreter.CompileScript(&source, &compiled, &errors);
    if (errors.Count() > 0) {
        std::fprintf(stderr, "%s\n", errors.Get(0).c_str());
        std::exit(1);
    }
    return BestMs([&] {
        interpreter.RunScript(&compiled);
        total = interpreter.Variable("S").AsDouble();
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: reportbench expression|script COUNT\n");
        return 2;
    }
    const long count = std::atol(argv[2]);
    double total = 0;
    const double ms = std::strcmp(argv[1], "expression") == 0 ? Expression(count, total) : Script(count, total);
    std::printf("%.1f %.6f\n", ms, total);
    return 0;
}
