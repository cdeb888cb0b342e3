// Report globals: the texts of the string table (TfrLocale), the global parser, interpreter,
// variable and constant lists, the registered libraries and the report windows, created by
// frStartUp and freed by frShutDown.
#pragma once

#include "FR_Funcs.h"
#include "FR_Intrp.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Loads texts by number: the localisation event when it gives a non-empty text, else the string
// table through Source; a number the table does not hold gives "".
class TfrLocale {
public:
    String LoadText(int id) const;
    std::function<String(int id)> OnLocalize;
    std::function<String(int id)> Source;
};

// The one locale of the process; it lives as long as the process.
TfrLocale& frLocale();

// String table numbers of the report texts.
namespace frres {
constexpr int VirtualPrinter = 55007;
constexpr int FirstPaperName = 55008;
constexpr int FirstBandName = 55077;
constexpr int FirstBoolFormat = 55170;
constexpr int FirstDateFormat = 55175;
constexpr int FirstTimeFormat = 55179;
constexpr int Charset = 55337;
constexpr int DefaultBin = 55435;
}  // namespace frres

// What the report core needs of its windows; the program's start-up supplies them.
class TfrWindows {
public:
    virtual ~TfrWindows() = default;
    // The progress form's second label and the application's pending messages.
    virtual void ShowProgress(const String& text) = 0;
    virtual void ProcessMessages() = 0;
    // Creates the hidden dialog form (the last step of the start-up).
    virtual void CreateDialogForm() = 0;
};

// The report descendant of the interpreter: names and calls go to the global parser's events
// (Null while they are unbound); assignments go to the global variable list, "PROGRESS" to the
// progress form.
class TInterpretator : public TfrInterpretator {
public:
    void ReadName(const String& name, Variant& value) override;
    void AssignName(const String& name, const Variant& value) override;
    void CallFunction(const String& name, const String& p1, const String& p2, const String& p3,
                      Variant& value) override;
};

// Compression of stored reports: this program stores none.
class TfrCompressor {
public:
    bool Enabled() const { return false; }
    void Compress(const String&, String&) {}
    void DeCompress(const String&, String&) {}
};

class TfrGlobals {
public:
    using WindowsFactory = std::function<std::unique_ptr<TfrWindows>()>;
    explicit TfrGlobals(const WindowsFactory& createWindows);
    ~TfrGlobals();
    TfrGlobals(const TfrGlobals&) = delete;
    TfrGlobals& operator=(const TfrGlobals&) = delete;

    int Charset = 0;
    std::array<String, 23> BandNames;
    std::array<String, 4> BoolFormats, DateFormats, TimeFormats;
    TStringList StringList;
    // 8 by 8 colours, row by row: a white and silver checkerboard, and a blank one.
    std::array<std::uint32_t, 64> Checkerboard{};
    std::array<std::uint32_t, 64> Blank{};
    std::unique_ptr<TfrWindows> Windows;
    TfrInstalledFunctions InstalledFunctions;
    TfrParser Parser;
    std::unique_ptr<TInterpretator> Interpreter;
    TfrVariables Variables;
    TfrVariables Consts;
    TfrCompressor Compressor;
    std::vector<TObject*> List;
};

// The report globals; nullptr before frStartUp and after frShutDown.
extern TfrGlobals* frGlobals;
void frStartUp(const TfrGlobals::WindowsFactory& createWindows);
void frShutDown();  // never raises
