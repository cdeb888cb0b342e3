// Report function libraries: a library knows a list of function names and computes them; the
// libraries are registered process-wide, one per class; TfrInstalledFunctions describes functions
// for a picker. Built in: the standard library and the database library.
//
// Arguments arrive as unevaluated texts; a library evaluates them with the parser that asked for
// the call, so that the caller's names are visible inside them.
#pragma once

#include "FR_Pars.h"
#include "Lists.h"

#include <functional>
#include <memory>
#include <vector>

class TfrFunctionLibrary {
public:
    TfrFunctionLibrary();
    virtual ~TfrFunctionLibrary();
    TfrFunctionLibrary(const TfrFunctionLibrary&) = delete;
    TfrFunctionLibrary& operator=(const TfrFunctionLibrary&) = delete;

    // The class's name; the registry keeps one library per name.
    virtual String ClassName() const = 0;
    // Upper-case function names; ComputeFunction receives the index into this list.
    TStringList* List() { return &list_; }

    // True when `name` is one of this library's functions, after computing it into `value`.
    bool TryFunction(TfrParser& parser, const String& name, const String& p1, const String& p2,
                     const String& p3, Variant& value);
    virtual void ComputeFunction(TfrParser& parser, int index, const String& p1, const String& p2,
                                 const String& p3, Variant& value) = 0;

protected:
    // Adds a description record to the installed-function list (when one exists).
    void DescribeFunction(const String& name, const String& category, const String& description);

private:
    TStringList list_;
};

// Description records of functions: added only with a category and once per name.
class TfrInstalledFunctions {
public:
    struct Record {
        TfrFunctionLibrary* Library;
        String Name;
        String Category;
        String Description;
    };
    void Add(TfrFunctionLibrary* library, const String& name, const String& category,
             const String& description);
    // Drops every record of a library of that class.
    void RemoveLibrary(const String& className);
    const std::vector<Record>& Records() const { return records_; }

private:
    std::vector<Record> records_;
};

// The installed-function list of the report globals; nullptr when they do not exist.
extern TfrInstalledFunctions* frInstalledFunctions;

// --- Registry ------------------------------------------------------------------------------------

constexpr int kMaxFunctionLibraries = 64;
using TfrLibraryFactory = std::unique_ptr<TfrFunctionLibrary> (*)();

// Registering a class that is already registered does nothing; a 65th class raises EReportError.
void frRegisterFunctionLibrary(const String& className, TfrLibraryFactory factory);
template <class T>
void frRegisterFunctionLibrary() {
    frRegisterFunctionLibrary(T::StaticClassName(), [] { return std::unique_ptr<TfrFunctionLibrary>(new T); });
}
// Removes the class's descriptions and frees its library.
void frUnregisterFunctionLibrary(const String& className);
int frFunctionLibraryCount();
TfrFunctionLibrary* frFunctionLibrary(int index);

// Asks every registered library in turn; false when none knows `name` (value stays Null). Bind a
// parser's OnCallFunction to this to reach the libraries from its expressions.
bool frCallRegisteredFunction(TfrParser& parser, const String& name, const String& p1, const String& p2,
                              const String& p3, Variant& value);

// --- The built-in libraries ----------------------------------------------------------------------

// INPUT and MESSAGEBOX ask the user through these; unset, INPUT answers its default and
// MESSAGEBOX 0.
using TfrInputFunction = std::function<String(const String& caption, const String& prompt, const String& value)>;
using TfrMessageBoxFunction = std::function<int(const String& text, const String& caption, int flags)>;
extern TfrInputFunction frInputFunction;
extern TfrMessageBoxFunction frMessageBoxFunction;

class TfrStdFunctionLibrary : public TfrFunctionLibrary {
public:
    TfrStdFunctionLibrary();
    static String StaticClassName() { return "TfrStdFunctionLibrary"; }
    String ClassName() const override { return StaticClassName(); }
    void ComputeFunction(TfrParser& parser, int index, const String& p1, const String& p2, const String& p3,
                         Variant& value) override;
};

class TDatabaseFunctionLibrary : public TfrFunctionLibrary {
public:
    TDatabaseFunctionLibrary();
    static String StaticClassName() { return "TDatabaseFunctionLibrary"; }
    String ClassName() const override { return StaticClassName(); }
    void ComputeFunction(TfrParser& parser, int index, const String& p1, const String& p2, const String& p3,
                         Variant& value) override;
};

// The key under which a report engine keeps a running aggregate: band, kind code, the expression
// and the third argument, each followed by character 1.
String frAggregateKey(const String& band, char kind, const String& expression, const String& third);

// FIELDISNULL of a reference "Field", "DataSet.Field", "Form.DataSet.Field" or
// "Form.Module.DataSet.Field" (parts may be double-quoted). True for a null value, an unknown
// field, or a reference without a form (no report runs). An unknown form, module or data set
// raises EClassNotFound "Missing <name>".
bool frFieldIsNull(const String& reference);
