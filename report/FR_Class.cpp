#include "FR_Class.h"

#include "Encoding.h"

TfrGlobals* frGlobals = nullptr;

String TfrLocale::LoadText(int id) const {
    if (OnLocalize) {
        String text = OnLocalize(id);
        if (!text.empty()) return text;
    }
    return Source ? Source(id) : String();
}

TfrLocale& frLocale() {
    static TfrLocale locale;
    return locale;
}

// --- TInterpretator ------------------------------------------------------------------------------

void TInterpretator::ReadName(const String& name, Variant& value) {
    if (frGlobals && frGlobals->Parser.OnNameValue) frGlobals->Parser.OnNameValue(name, value);
}

void TInterpretator::CallFunction(const String& name, const String& p1, const String& p2, const String& p3,
                                  Variant& value) {
    if (frGlobals && frGlobals->Parser.OnCallFunction) frGlobals->Parser.OnCallFunction(name, p1, p2, p3, value);
}

void TInterpretator::AssignName(const String& name, const Variant& value) {
    if (!frGlobals) return;
    if (frGlobals->Variables.IndexOf(name) >= 0) {
        frGlobals->Variables.SetVariable(name, value);
    } else if (UpperCase(name) == "PROGRESS") {
        if (frGlobals->Windows) {
            frGlobals->Windows->ShowProgress(VarToStr(value));
            frGlobals->Windows->ProcessMessages();
        }
    } else {
        // No report objects here: any other name becomes a global variable.
        frGlobals->Variables.SetVariable(name, value);
    }
}

// --- Constants -----------------------------------------------------------------------------------

namespace {

struct NamedInt {
    const char* Name;
    std::int32_t Value;
};

constexpr std::int32_t SystemColor(int index) { return static_cast<std::int32_t>(0xFF000000u + index); }

const NamedInt kColours[] = {
    {"clWhite", 0xFFFFFF}, {"clBlack", 0}, {"clMaroon", 0x80}, {"clGreen", 0x8000}, {"clOlive", 0x8080},
    {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0xFF}, {"clLime", 0xFF00}, {"clYellow", 0xFFFF}, {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clTransparent", 0x1FFFFFFF},
    {"clScrollBar", SystemColor(0)}, {"clBackground", SystemColor(1)}, {"clActiveCaption", SystemColor(2)},
    {"clInactiveCaption", SystemColor(3)}, {"clMenu", SystemColor(4)}, {"clWindow", SystemColor(5)},
    {"clWindowFrame", SystemColor(6)}, {"clMenuText", SystemColor(7)}, {"clWindowText", SystemColor(8)},
    {"clCaptionText", SystemColor(9)}, {"clActiveBorder", SystemColor(10)}, {"clInactiveBorder", SystemColor(11)},
    {"clAppWorkSpace", SystemColor(12)}, {"clHighlight", SystemColor(13)}, {"clHighlightText", SystemColor(14)},
    {"clBtnFace", SystemColor(15)}, {"clBtnShadow", SystemColor(16)}, {"clGrayText", SystemColor(17)},
    {"clBtnText", SystemColor(18)}, {"clInactiveCaptionText", SystemColor(19)}, {"clBtnHighlight", SystemColor(20)},
    {"cl3DDkShadow", SystemColor(21)}, {"cl3DLight", SystemColor(22)}, {"clInfoText", SystemColor(23)},
    {"clInfoBk", SystemColor(24)},
};

const NamedInt kOthers[] = {
    {"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrYes", 6}, {"mrNo", 7},
    {"fsBold", 2}, {"fsItalic", 1}, {"fsUnderline", 4}, {"fsStrikeOut", 8},
    {"frftNone", 0}, {"frftRight", 1}, {"frftBottom", 2}, {"frftLeft", 4}, {"frftTop", 8},
    {"frtaLeft", 0}, {"frtaRight", 1}, {"frtaCenter", 2}, {"frtaVertical", 4}, {"frtaMiddle", 8}, {"frtaDown", 16},
    {"baNone", 0}, {"baLeft", 1}, {"baRight", 2}, {"baCenter", 3}, {"baWidth", 4}, {"baBottom", 5}, {"baTop", 6},
    {"baRest", 7},
    {"psSolid", 0}, {"psDash", 1}, {"psDot", 2}, {"psDashDot", 3}, {"psDashDotDot", 4}, {"psDouble", 5},
    {"mb_Ok", 0}, {"mb_OkCancel", 1}, {"mb_YesNo", 4}, {"mb_YesNoCancel", 3}, {"mb_IconError", 16},
    {"mb_IconQuestion", 32}, {"mb_IconInformation", 64}, {"mb_IconWarning", 48},
};

void FillConstants(TfrVariables& consts) {
    for (const NamedInt& c : kColours) consts.SetVariable(c.Name, Variant(c.Value));
    consts.SetVariable("CRLF", Variant("\r\n"));
    consts.SetVariable("Null", Null());
    for (const NamedInt& c : kOthers) consts.SetVariable(c.Name, Variant(c.Value));
}

}  // namespace

// --- TfrGlobals ----------------------------------------------------------------------------------

TfrGlobals::TfrGlobals(const WindowsFactory& createWindows) {
    const TfrLocale& locale = frLocale();
    Charset = StrToIntDef(locale.LoadText(frres::Charset), 0);
    for (int i = 0; i < 23; ++i) BandNames[i] = locale.LoadText(frres::FirstBandName + i);
    for (int i = 0; i < 4; ++i) {
        BoolFormats[i] = locale.LoadText(frres::FirstBoolFormat + i);
        DateFormats[i] = locale.LoadText(frres::FirstDateFormat + i);
        TimeFormats[i] = locale.LoadText(frres::FirstTimeFormat + i);
    }
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col) Checkerboard[row * 8 + col] = (row + col) % 2 == 0 ? 0xFFFFFFu : 0xC0C0C0u;
    Blank.fill(0xFFFFFFu);
    if (createWindows) Windows = createWindows();

    frInstalledFunctions = &InstalledFunctions;
    frRegisterFunctionLibrary<TfrStdFunctionLibrary>();
    frRegisterFunctionLibrary<TDatabaseFunctionLibrary>();

    Interpreter = std::make_unique<TInterpretator>();
    Variables.SetSorted(true);
    Consts.SetSorted(true);
    FillConstants(Consts);
    if (Windows) Windows->CreateDialogForm();
}

TfrGlobals::~TfrGlobals() {
    try {
        Windows.reset();
    } catch (...) {
    }
    frUnregisterFunctionLibrary(TfrStdFunctionLibrary::StaticClassName());
    frUnregisterFunctionLibrary(TDatabaseFunctionLibrary::StaticClassName());
    if (frInstalledFunctions == &InstalledFunctions) frInstalledFunctions = nullptr;
}

void frStartUp(const TfrGlobals::WindowsFactory& createWindows) {
    if (frGlobals) return;
    frGlobals = new TfrGlobals(createWindows);
}

void frShutDown() {
    TfrGlobals* globals = frGlobals;
    frGlobals = nullptr;
    delete globals;
}
