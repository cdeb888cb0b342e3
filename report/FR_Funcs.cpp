#include "FR_Funcs.h"

#include "DB.h"
#include "DateTime.h"
#include "Encoding.h"
#include "FR_Class.h"
#include "MaskUtils.h"

#include <algorithm>

TfrInstalledFunctions* frInstalledFunctions = nullptr;
TfrInputFunction frInputFunction;
TfrMessageBoxFunction frMessageBoxFunction;

// --- TfrFunctionLibrary --------------------------------------------------------------------------

TfrFunctionLibrary::TfrFunctionLibrary() {
    list_.SetSorted(true);
    list_.SetDuplicates(dupIgnore);
}

TfrFunctionLibrary::~TfrFunctionLibrary() = default;

bool TfrFunctionLibrary::TryFunction(TfrParser& parser, const String& name, const String& p1, const String& p2,
                                     const String& p3, Variant& value) {
    int index = 0;
    if (!list_.Find(UpperCase(name), index)) return false;
    ComputeFunction(parser, index, p1, p2, p3, value);
    return true;
}

void TfrFunctionLibrary::DescribeFunction(const String& name, const String& category, const String& description) {
    if (frInstalledFunctions) frInstalledFunctions->Add(this, name, category, description);
}

// --- TfrInstalledFunctions -----------------------------------------------------------------------

void TfrInstalledFunctions::Add(TfrFunctionLibrary* library, const String& name, const String& category,
                                const String& description) {
    if (category.empty()) return;
    for (const Record& record : records_)
        if (record.Name == name) return;
    records_.push_back({library, name, category, description});
}

void TfrInstalledFunctions::RemoveLibrary(const String& className) {
    std::erase_if(records_, [&](const Record& r) { return r.Library->ClassName() == className; });
}

// --- Registry ------------------------------------------------------------------------------------

namespace {

std::vector<std::unique_ptr<TfrFunctionLibrary>>& Libraries() {
    static std::vector<std::unique_ptr<TfrFunctionLibrary>> libraries;
    return libraries;
}

}  // namespace

void frRegisterFunctionLibrary(const String& className, TfrLibraryFactory factory) {
    auto& libraries = Libraries();
    for (const auto& library : libraries)
        if (library->ClassName() == className) return;
    if (static_cast<int>(libraries.size()) >= kMaxFunctionLibraries)
        throw EReportError("Too many function libraries");
    libraries.push_back(factory());
}

void frUnregisterFunctionLibrary(const String& className) {
    auto& libraries = Libraries();
    for (auto it = libraries.begin(); it != libraries.end(); ++it) {
        if ((*it)->ClassName() == className) {
            if (frInstalledFunctions) frInstalledFunctions->RemoveLibrary(className);
            libraries.erase(it);
            return;
        }
    }
}

int frFunctionLibraryCount() { return static_cast<int>(Libraries().size()); }

TfrFunctionLibrary* frFunctionLibrary(int index) {
    auto& libraries = Libraries();
    return index >= 0 && index < static_cast<int>(libraries.size()) ? libraries[index].get() : nullptr;
}

bool frCallRegisteredFunction(TfrParser& parser, const String& name, const String& p1, const String& p2,
                              const String& p3, Variant& value) {
    for (const auto& library : Libraries())
        if (library->TryFunction(parser, name, p1, p2, p3, value)) return true;
    return false;
}

// --- Standard library ----------------------------------------------------------------------------

namespace {

// In name-list order (the list is sorted).
enum StdFunction {
    fAvg, fCount, fDayOf, fFormatDateTime, fFormatFloat, fFormatText, fInput, fLength, fLowerCase, fMax,
    fMaxNum, fMessageBox, fMin, fMinNum, fMonthOf, fNameCase, fPos, fSum, fTrim, fUpperCase, fYearOf
};
const char* const kStdNames[] = {
    "AVG", "COUNT", "DAYOF", "FORMATDATETIME", "FORMATFLOAT", "FORMATTEXT", "INPUT", "LENGTH", "LOWERCASE", "MAX",
    "MAXNUM", "MESSAGEBOX", "MIN", "MINNUM", "MONTHOF", "NAMECASE", "POS", "SUM", "TRIM", "UPPERCASE", "YEAROF"};

// Category and description texts of the standard functions (absent from the string table).
constexpr int kStdTextsFirst = 55349;

String LowerCaseText(const String& text) {
    String out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

TfrStdFunctionLibrary::TfrStdFunctionLibrary() {
    int i = 0;
    for (const char* name : kStdNames) {
        List()->Add(name);
        DescribeFunction(name, frLocale().LoadText(kStdTextsFirst + 2 * i),
                         frLocale().LoadText(kStdTextsFirst + 2 * i + 1));
        ++i;
    }
}

void TfrStdFunctionLibrary::ComputeFunction(TfrParser& parser, int index, const String& p1, const String& p2,
                                            const String& p3, Variant& value) {
    auto text = [&](const String& arg) { return VarToStr(parser.Evaluate(arg)); };
    auto date = [&](const String& arg, int& y, int& m, int& d) { DecodeDate(parser.Evaluate(arg).AsDateTime(), y, m, d); };
    int y = 0, m = 0, d = 0;
    switch (static_cast<StdFunction>(index)) {
    // Aggregates are kept by a running report; outside one they answer their start value.
    case fAvg:
    case fCount:
    case fMax:
    case fSum: value = Variant(0); break;
    case fMin: value = Variant(1e300); break;
    case fDayOf: date(p1, y, m, d); value = Variant(d); break;
    case fMonthOf: date(p1, y, m, d); value = Variant(m); break;
    case fYearOf: date(p1, y, m, d); value = Variant(y); break;
    case fFormatDateTime: {
        const String format = text(p1);
        value = Variant(FormatDateTime(format, parser.Evaluate(p2).AsDateTime()));
        break;
    }
    case fFormatFloat: {
        const String format = text(p1);
        value = Variant(FormatFloat(format, parser.Evaluate(p2).AsDouble()));
        break;
    }
    case fFormatText: {
        const String mask = text(p1);
        value = Variant(FormatMaskText(mask + ";0; ", text(p2)));
        break;
    }
    case fInput: {
        const String prompt = text(p1);
        const String initial = text(p2);
        value = Variant(frInputFunction ? frInputFunction("", prompt, initial) : initial);
        break;
    }
    case fMessageBox: {
        const String message = text(p1);
        const String caption = text(p2);
        const int flags = parser.Evaluate(p3).AsInteger();
        value = Variant(frMessageBoxFunction ? frMessageBoxFunction(message, caption, flags) : 0);
        break;
    }
    case fLength: value = Variant(frvar::Length(text(p1))); break;
    case fLowerCase: value = Variant(LowerCaseText(text(p1))); break;
    case fUpperCase: value = Variant(UpperCase(text(p1))); break;
    case fNameCase: {
        const String lower = LowerCaseText(text(p1));
        value = Variant(lower.empty() ? lower : UpperCase(frvar::Copy(lower, 1, 1)) + frvar::Copy(lower, 2, INT32_MAX));
        break;
    }
    case fTrim: value = Variant(Trim(text(p1))); break;
    case fPos: {
        const String sub = text(p1);
        value = Variant(frvar::Pos(sub, text(p2)));
        break;
    }
    case fMaxNum: {
        const Variant a = parser.Evaluate(p1);
        const Variant b = parser.Evaluate(p2);
        value = a > b ? a : b;
        break;
    }
    case fMinNum: {
        const Variant a = parser.Evaluate(p1);
        const Variant b = parser.Evaluate(p2);
        value = a >= b ? b : a;
        break;
    }
    }
}

String frAggregateKey(const String& band, char kind, const String& expression, const String& third) {
    const String one(1, '\1');
    return band + one + kind + one + expression + one + third + one;
}

// --- Database library ----------------------------------------------------------------------------

namespace {

constexpr int kDatabaseCategory = 55620;
constexpr int kFieldIsNullDescription = 55621;

std::vector<String> ReferenceParts(const String& reference) {
    std::vector<String> parts(1);
    bool quoted = false;
    for (const char c : reference) {
        if (c == '"') quoted = !quoted;
        else if (c == '.' && !quoted) parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

[[noreturn]] void Missing(const String& name) { throw EClassNotFound("Missing " + name); }

TComponent* FindRoot(const String& name) {
    TComponent* root = FindRootComponent(name);
    if (!root) Missing(name);
    return root;
}

}  // namespace

bool frFieldIsNull(const String& reference) {
    const std::vector<String> parts = ReferenceParts(Trim(reference));
    if (parts.size() < 3) return true;  // no report: no current band, form or data set
    if (parts.size() > 4) Missing(reference);
    TComponent* owner = FindRoot(parts[0]);
    if (parts.size() == 4) owner = FindRoot(parts[1]);
    const String& dataSetName = parts[parts.size() - 2];
    auto* dataSet = dynamic_cast<TDataSet*>(owner->FindComponent(dataSetName));
    if (!dataSet) Missing(dataSetName);
    TStringList names;
    dataSet->GetFieldNames(&names);
    if (names.IndexOf(parts.back()) < 0) return true;
    TField* field = dataSet->FindField(parts.back());
    return !field || field->IsNull();
}

TDatabaseFunctionLibrary::TDatabaseFunctionLibrary() {
    List()->Add("FIELDISNULL");
    DescribeFunction("FIELDISNULL", frLocale().LoadText(kDatabaseCategory), frLocale().LoadText(kFieldIsNullDescription));
}

void TDatabaseFunctionLibrary::ComputeFunction(TfrParser& parser, int index, const String& p1, const String&,
                                               const String&, Variant& value) {
    value = Variant(frFieldIsNull(VarToStr(parser.Evaluate(p1))));
}
