#include "AppSkinData.h"

#include "SkinArchive.h"
#include "SkinBitmapUtils.h"
#include "SkinIni.h"
#include "SkinManage.h"
#include "SkinStore.h"

#include "Dialogs.h"
#include "Encoding.h"
#include "Forms.h"
#include "FormReader.h"
#include "TypeRegistry.h"

#include <algorithm>
#include <cctype>

const char* const SkinDamagedMessage = "皮肤数据已损坏，无法加载。程序将以系统默认外观运行。";

namespace {

const char* const defaultClassMap[] = {
    "TCategoryButtons=scrollbar", "TPngBitBtn=pngbitbtn", "TVirtualStringTree=scrollbar",
    "TVirtualDrawTree=scrollbar", "TTBXDockablePanel=Panel", "TAdvPanelGroup=scrollbar", "TComboboxex=combobox",
    "TRxSpeedButton=speedbutton", "THTMLViewer=scrollbar", "TDBCtrlGrid=scrollbar", "TfrSpeedButton=speedbutton",
    "TfrTBButton=speedbutton", "TControlBar=Panel", "TTBDock=Panel", "TTBToolbar=Panel", "TImageEnMView=scrollbar",
    "TImageEnView=scrollbar", "TAdvMemo=scrollbar", "TDBAdvMemo=scrollbar", "TcxDBLookupComboBox=combobox",
    "TcxDBComboBox=combobox", "TcxDBDateEdit=combobox", "TcxDBImageComboBox=combobox", "TcxDBCalcEdit=combobox",
    "TcxDBBlobEdit=combobox", "TcxDBPopupEdit=combobox", "TcxDBFontNameComboBox=combobox",
    "TcxDBShellComboBox=combobox", "TRxLookupEdit=combobox", "TRxDBLookupCombo=combobox", "TRzGroup=panel",
    "TRzButton=button", "TRzBitbtn=bitbtn", "TRzMenuButton=menubtn", "TRzCheckGroup=CheckGroup",
    "TRzRadioGroup=Radiogroup", "TRzButtonEdit=Edit", "TRzDBRadioGroup=Radiogroup", "TRzDBRadioButton=Radiobutton",
    "TRzDateTimeEdit=combobox", "TRzColorEdit=combobox", "TRzDateTimePicker=combobox", "TRzDBDateTimeEdit=combobox",
    "TRzDbColorEdit=combobox", "TRzDBDateTimePicker=combobox", "TLMDButton=bitbtn", "TLMDGroupBox=Groupbox",
    "TDBCheckboxEh=Checkbox", "TDBCheckboxEh=Checkbox", "TLMDCHECKBOX=Checkbox", "TLMDDBCHECKBOX=Checkbox",
    "TLMDRadiobutton=Radiobutton", "TLMDCalculator=panel", "TLMDGROUPBOX=Panel", "TLMDSIMPLEPANEL=Panel",
    "TLMDDBCalendar=Panel", "TLMDButtonPanel=Panel", "TLMDLMDCalculator=Panel", "TLMDHeaderPanel=Panel",
    "TLMDTechnicalLine=Panel", "TLMDLMDClock=Panel", "TLMDTrackbar=panel", "TLMDListCombobox=combobox",
    "TLMDCheckListCombobox=combobox", "TLMDHeaderListCombobox=combobox", "TLMDImageCombobox=combobox",
    "TLMDColorCombobox=combobox", "TLMDFontCombobox=combobox", "TLMDFontSizeCombobox=combobox",
    "TLMDFontSizeCombobox=combobox", "TLMDPrinterCombobox=combobox", "TLMDDriveCombobox=combobox",
    "TLMDCalculatorComboBox=combobox", "TLMDTrackBarComboBox=combobox", "TLMDCalendarComboBox=combobox",
    "TLMDTreeComboBox=combobox", "TLMDRADIOGROUP=radiogroup", "TLMDCheckGroup=CheckGroup",
    "TLMDDBRADIOGROUP=radiogroup", "TLMDDBCheckGroup=CheckGroup", "TLMDCalculatorEdit=edit", "TLMDEDIT=Edit",
    "TLMDMASKEDIT=Edit", "TLMDBROWSEEDIT=Edit", "TLMDEXTSPINEDIT=Edit", "TLMDCALENDAREDIT=Edit",
    "TLMDFILEOPENEDIT=Edit", "TLMDFILESAVEEDIT=Edit", "TLMDCOLOREDIT=Edit", "TLMDDBEDIT=Edit", "TLMDDBMASKEDIT=Edit",
    "TLMDDBEXTSPINEDIT=Edit", "TLMDDBSPINEDIT=Edit", "TLMDDBEDITDBLookup=Edit", "TLMDEDITDBLookup=Edit",
    "TDBLookupCombobox=Combobox", "TWWDBCombobox=Combobox", "TWWDBLookupCombo=Combobox", "TWWDBCombobox=Combobox",
    "TWWKeyCombo=Combobox", "TWWTempKeyCombo=combobox", "TWWDBDateTimePicker=Combobox", "TWWRADIOGROUP=radiogroup",
    "TWWDBEDIT=Edit", "TcxButton=bitbtn", "TcxDBRadioGroup=radiogroup", "TcxRadioGroup=radiogroup",
    "TcxGroupbox=groupbox", "TOVCPICTUREFIELD=Edit", "TOVCDBPICTUREFIELD=Edit", "TOVCSLIDEREDIT=Edit",
    "TOVCDBSLIDEREDIT=Edit", "TOVCSIMPLEFIELD=Edit", "TOVCDBSIMPLEFIELD=Edit", "TO32DBFLEXEDIT=Edit",
    "TOVCNUMERICFIELD=Edit", "TOVCDBNUMERICFIELD=Edit",
};

constexpr TSkinControlTypes AllControls = (SkinBit(xcReportForms) << 1) - 1;

void ClearBitmap(TBitmap* bitmap) { bitmap->SetSize(0, 0); }

// Loads a BMP from the entry; a damaged picture gives an empty bitmap.
void LoadBitmapFrom(TBitmap* bitmap, TMemoryStream* stream) {
    try {
        bitmap->LoadFromData(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(stream->Memory()),
                                                           static_cast<std::size_t>(stream->Size())));
        if (bitmap->PixelFormat() != pf24bit) bitmap->SetPixelFormat(pf24bit);
    } catch (const Exception&) {
        ClearBitmap(bitmap);
    }
}

void CopyPicture(TBitmap* from, TBitmap* to) {
    to->SetPixelFormat(pf24bit);
    to->SetSize(from->Width(), from->Height());
    if (!from->Empty()) BitBlt(to->Canvas()->Handle(), 0, 0, from->Width(), from->Height(), from->Canvas()->Handle(), 0, 0, SRCCOPY);
    GdiFlush();
}

void FillBitmap(TBitmap* bitmap, TColor colour) {
    RECT r{0, 0, bitmap->Width(), bitmap->Height()};
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(colour)));
    FillRect(bitmap->Canvas()->Handle(), &r, brush);
    DeleteObject(brush);
    GdiFlush();
}

}  // namespace

// ---- Elements ----

TDataSkinObject::TDataSkinObject(const String& name) : Image(new TBitmap), Name(name) {}
TDataSkinObject::~TDataSkinObject() { delete Image; }
TDataSkinBorder::TDataSkinBorder(const String& name) : TDataSkinObject(name), Image2(new TBitmap) {}
TDataSkinBorder::~TDataSkinBorder() { delete Image2; }
TDataSkinButton::TDataSkinButton(const String& name)
    : TDataSkinObject(name), CheckImage(new TBitmap), RadioImage(new TBitmap) {}
TDataSkinButton::~TDataSkinButton() {
    delete CheckImage;
    delete RadioImage;
}

// ---- The component ----

TSkinData::TSkinData(TComponent* owner)
    : TComponent(owner),
      SkinControls(AllControls & ~SkinBit(xcMenuItem) & ~SkinBit(xcReportForms)),
      Options(SkinBit(xoPreview) | SkinBit(xoToolbarBK)),
      WindowText(clWindowText), TitleTextActive(clCaptionText), TitleTextNoActive(clInactiveCaptionText),
      ButtonFace(clBtnFace), ButtonText(clBtnText), ButtonHilight(clBtnHighlight), Buttonlight(clBtnHighlight),
      ButtonShadow(clBtnShadow), ButtonDkShadow(cl3DDkShadow), HilightText(clHighlightText), Hilight(clHighlight),
      Menubar(clBtnFace), MenuBarText(clMenuText), MenuText(clMenuText), Menu(clMenu), FrameColour(clBtnFace),
      Scrollbar(clScrollBar), AppIcon(new TBitmap), MenuGlyphs(nullptr), skin3rd_(new TStringList),
      skinData_(new TMemoryStream) {
    for (TColor& c : CustomColours) c = 0xFFFFFF;
    for (const char* row : defaultClassMap) skin3rd_->Add(row);
    Buttons = std::make_unique<TDataSkinButton>("Buttons");
    const char* frameNames[] = {"Left", "Right", "Top", "Bottom"};
    for (int i = 0; i < 4; ++i) Frames[i] = std::make_unique<TDataSkinBorder>(frameNames[i]);
    Title = std::make_unique<TDataSkinTitle>("Title");
    MenuGlyphs = new TImageList(nullptr);
    LoadMenuGlyphs(MenuGlyphs);
    MaxWidth = GetSystemMetrics(SM_CXMAXIMIZED);
    MaxHeight = GetSystemMetrics(SM_CYMAXIMIZED);
    if (!SkinMessageHandlerSet()) SetSkinMessageHandler([](const String& text) { ShowMessage(text); });
}

TSkinData::~TSkinData() {
    // The skinners of this skin give their windows back; the last component ends the manager.
    if (TSkinManage* manager = SkinManager()) {
        manager->UnregisterSkinData(this);
        if (manager->SkinDataCount() == 0) FreeSkinManager();
    }
    MenuGlyphs->Free();
    delete skin3rd_;
    delete skinData_;
    delete AppIcon;
    if (FaceBrush) DeleteObject(FaceBrush);
}

void TSkinData::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineBinaryProperty(
        "SkinStream",
        [this](TStream* stream) {
            std::int32_t n = 0;
            stream->SetPosition(0);
            if (stream->Read(&n, 4) != 4 || n <= 0) return;
            // A count beyond the bytes present is a damaged value: keep what is there.
            const std::int64_t present = std::min<std::int64_t>(n, stream->Size() - 4);
            skinData_->Clear();
            skinData_->CopyFrom(stream, present);
            if ((ComponentState() & csDesigning) == 0) LoadSkinData();
        },
        [this](TStream* stream) {
            const auto n = static_cast<std::int32_t>(skinData_->Size());
            stream->WriteBuffer(&n, 4);
            if (n > 0) {
                skinData_->SetPosition(0);
                stream->CopyFrom(skinData_, n);
            }
        },
        true);
}

void TSkinData::SetSkin3rd(const std::vector<String>& lines) {
    skin3rd_->BeginUpdate();
    skin3rd_->Clear();
    for (const String& line : lines) skin3rd_->Add(line);
    skin3rd_->EndUpdate();
}

std::vector<String> TSkinData::Skin3rdLines() const {
    std::vector<String> lines;
    for (int i = 0; i < skin3rd_->Count(); ++i) lines.push_back(skin3rd_->Get(i));
    return lines;
}

String TSkinData::SkinStore() const {
    if ((ComponentState() & csDesigning) != 0) return skinData_->Size() > 0 ? "(Good)" : "(none)";
    return "(none)";
}

void TSkinData::ChangeSkinFile(const String& value) {
    skinEmpty_ = true;
    skinFile_ = value;
    if ((ComponentState() & csDesigning) != 0) {
        if (!value.empty() && skinData_->Size() > 0) skinData_->Clear();
        return;
    }
    if (value.empty() || !FileExists(value)) return;
    try {
        skinData_->LoadFromFile(value);
    } catch (const EStreamError&) {
        return;
    }
    LoadSkinData();
    // Applying a new skin to skinned windows belongs to the skin manager.
}

void TSkinData::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    // While the form is read, at design time, and until the skin manager exists, the flag is all.
    if ((ComponentState() & (csLoading | csReading | csDesigning)) != 0) return;
    TSkinManage* manager = SkinManager();
    if (!manager || (value && skinEmpty_)) return;
    manager->RequestingData = this;
    if (manager->State == TSkinManage::msNotActivated) manager->State = TSkinManage::msRunning;
    manager->PostAction(value ? TSkinManage::saSkin : TSkinManage::saUnskin, 250);
}

void TSkinData::Loaded() {
    inherited::Loaded();
    if ((ComponentState() & csDesigning) != 0) return;
    using TGetScrollBarInfo = BOOL(WINAPI*)(HWND, LONG, void*);
    if (!reinterpret_cast<TGetScrollBarInfo>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetScrollBarInfo")))
        SkinControls &= ~SkinBit(xcScrollbar);
    BuildCaptionFont();
    if (SkinFormtype != sfMainform) return;
    if (active_ && skinEmpty_) {
        active_ = false;
        // A stored skin that could not be read: say why, once; the program runs unskinned.
        if (skinData_->Size() > 0 && !damageReported_) {
            damageReported_ = true;
            ShowSkinMessage(SkinDamagedMessage);
        }
    }
    if ((SkinControls & SkinBit(xcMainMenu)) != 0) SkinControls &= ~SkinBit(xcMenuItem);
    else SkinControls &= ~SkinBit(xcSystemMenu);
    BuildAppIcon();
    StartSkinManager();
}

void TSkinData::StartSkinManager() {
    if (!SkinEngineEnabled()) return;
    TSkinManage* manager = EnsureSkinManager();
    manager->RegisterSkinData(this);
    if (SkinFormtype != sfMainform) return;
    manager->InstallHook();
    if (!active_) return;
    manager->RequestingData = this;
    manager->PostAction(TSkinManage::saSkin, 250);
}

void TSkinData::FormSkinQuery(HWND window, const String& className, bool& doSkin) {
    AskedWindow = window;
    if (OnFormSkin) {
        OnFormSkin(this, className, doSkin);
        return;
    }
    if (className == "SysMonthCal32") doSkin = false;
    if ((SkinControls & SkinBit(xcReportForms)) != 0 && className.rfind("Tfr", 0) == 0) doSkin = false;
}

void TSkinData::SkinChanged() {
    if (OnSkinChanged) OnSkinChanged(this);
}

TColor TSkinData::ParseColour(const String& text, TColor defaultValue) {
    const String t = Trim(text);
    if (t.empty()) return defaultValue;
    int numbers[3] = {0, 0, 0};
    int taken = 0;
    std::size_t p = 0;
    while (p < t.size() && taken < 3) {
        if (!std::isdigit(static_cast<unsigned char>(t[p]))) {
            ++p;
            continue;
        }
        unsigned value = 0;
        while (p < t.size() && std::isdigit(static_cast<unsigned char>(t[p]))) value = value * 10 + static_cast<unsigned>(t[p++] - '0');
        if (p < t.size()) numbers[taken++] = static_cast<int>(value & 0xFF);
        else if (taken == 2) numbers[taken++] = static_cast<int>(value & 0xFF);
    }
    return static_cast<TColor>(numbers[0] | numbers[1] << 8 | numbers[2] << 16);
}

// ---- Loading ----

bool TSkinData::LoadSkinData() {
    skinEmpty_ = true;
    if ((ComponentState() & csDesigning) != 0) return false;
    std::unique_ptr<TSkinReader> reader(new TSkinReader);
    std::unique_ptr<TMemoryStream> entry(new TMemoryStream);
    if (!reader->LoadSkin(skinData_)) {
        if (reader->OlderVersion) damageReported_ = true;  // the reader has said why
        return false;
    }
    std::unique_ptr<TQuickIni> ini(new TQuickIni);
    String iniName;
    reader->FindEntry(".ini", entry.get(), iniName);
    entry->SetPosition(0);
    ini->LoadFromStream(entry.get());
    skinReader_ = reader.get();
    entryStream_ = entry.get();
    skinIni_ = ini.get();
    try {
        ReadSkinIni();
    } catch (...) {
        skinReader_ = nullptr;
        entryStream_ = nullptr;
        skinIni_ = nullptr;
        throw;
    }
    skinReader_ = nullptr;
    entryStream_ = nullptr;
    skinIni_ = nullptr;
    return true;
}

int TSkinData::Int(const String& section, const String& key, int defaultValue) const {
    return skinIni_->ReadInteger(section, key, defaultValue);
}

String TSkinData::Str(const String& section, const String& key) const { return skinIni_->ReadString(section, key, ""); }

TColor TSkinData::ColourValue(const String& section, const String& key, TColor defaultValue) const {
    // Colours are written as an integer (0x hexadecimal allowed) or as "r,g,b".
    const String text = Str(section, key);
    if (text.find_first_of(", ") != String::npos) return ParseColour(text, defaultValue);
    return Int(section, key, defaultValue);
}

void TSkinData::LoadBitmap(TBitmap* bitmap, const String& value) {
    const String name = ExtractFileName(value);
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".bmp") != 0) {
        ClearBitmap(bitmap);
        return;
    }
    skinReader_->GetEntry(name, entryStream_);
    if (entryStream_->Size() > 0) LoadBitmapFrom(bitmap, entryStream_);
    else ClearBitmap(bitmap);
}

void TSkinData::ReadCommon(TDataSkinObject* e, const String& section, bool withFrame, int tileMax) {
    e->Style = Int(section, "Style", 0);
    e->LeftWidth = Int(section, "LeftWidth", 0);
    e->RightWidth = Int(section, "RightWidth", 0);
    e->TopHeight = Int(section, "TopHeight", 0);
    e->BottomHeight = Int(section, "BottomHeight", 0);
    if (withFrame) e->FrameCount = Int(section, "Frame", 0);
    e->Trans = Int(section, "Trans", 0);
    e->Tile = Int(section, "Tile", 0);
    if (e->Tile > 1) e->Tile = tileMax;
    e->NormalColour = Int(section, "NormalColour", -1);
    e->MouseOverColour = Int(section, "MouseOverColour", -1);
    e->PressedColour = Int(section, "PressedColour", -1);
    e->NormalColour2 = ParseColour(Str(section, "NormalColour2"), ButtonText);
    e->MouseOverColour2 = ParseColour(Str(section, "MouseOverColour2"), ButtonText);
    e->PressedColour2 = ParseColour(Str(section, "PressedColour2"), ButtonText);
}

TSkinElement TSkinData::ReadGeneric(const String& section) {
    const String image = Str(section, "Image");
    if (image.empty()) return nullptr;
    auto e = std::make_unique<TDataSkinObject>(section);
    ReadCommon(e.get(), section, true, 0);
    LoadBitmap(e->Image, image);
    return e;
}

TSkinElement TSkinData::ResourceElement(const String& section, const String& resource) {
    auto e = std::make_unique<TDataSkinObject>(section);
    try {
        e->Image->LoadFromResourceName(GetModuleHandleW(nullptr), resource);
    } catch (const Exception&) {
        return nullptr;  // a program without the engine's bitmaps has no such element
    }
    e->LeftWidth = e->RightWidth = e->TopHeight = e->BottomHeight = 3;
    e->Tile = 0;
    e->FrameCount = 1;
    return e;
}

void LoadMenuGlyphs(TCustomImageList* list) {
    list->SetWidth(16);
    list->SetHeight(16);
    TBitmap strip;
    try {
        strip.LoadFromResourceName(GetModuleHandleW(nullptr), "LUMORAMENU");
    } catch (const Exception&) {
        return;  // the list stays empty
    }
    list->AddMasked(&strip, static_cast<TColor>(0xFFFFFF));
}

TSkinElement TSkinData::ReadBorder(const String& section, const String& extraKey) {
    const String image = Str(section, "Image");
    if (image.empty()) return nullptr;
    auto e = std::make_unique<TDataSkinBorder>(section);
    ReadCommon(e.get(), section, false, 0);
    LoadBitmap(e->Image, image);
    const String second = Str(section, extraKey);
    if (!second.empty()) LoadBitmap(e->Image2, second);
    return e;
}

TSkinElement TSkinData::ReadBitmapElement(const String& section) {
    const String image = Str(section, "Bitmap");
    if (image.empty()) return nullptr;
    auto e = std::make_unique<TDataSkinBorder>(section);
    e->Style = Int(section, "Style", 0);
    e->LeftWidth = Int(section, "LeftWidth", 0);
    e->RightWidth = Int(section, "RightWidth", 0);
    e->TopHeight = Int(section, "TopHeight", 0);
    e->BottomHeight = Int(section, "BottomHeight", 0);
    e->Trans = Int(section, "Trans", 0);
    e->Tile = Int(section, "Tile", 0);
    if (e->Tile > 1) e->Tile = 1;
    LoadBitmap(e->Image, image);
    return e;
}

TSkinElement TSkinData::ReadBoxLabel(const String& section) {
    const String image = Str(section, "Image");
    if (image.empty()) return nullptr;
    auto e = std::make_unique<TDataSkinBoxLabel>(section);
    ReadCommon(e.get(), section, false, 0);
    e->BackgroundAlignment = Int(section, "BackgroundAlignment", 0);
    e->BackgroundLeftShift = Int(section, "BackgroundLeftShift", 0);
    e->BackgroundRightShift = Int(section, "BackgroundRightShift", 0);
    LoadBitmap(e->Image, image);
    return e;
}

TSkinElement TSkinData::ReadMenuBar(const String& section) {
    const String image = Str(section, "menuBar");
    if (image.empty()) return nullptr;
    auto e = std::make_unique<TDataSkinObject>("MenuBar");
    e->Tile = Int(section, "TileMenu", 1);
    if (e->Tile > 1) e->Tile = 1;
    e->LeftWidth = Int(section, "TileLeftMenu", 1);
    e->RightWidth = Int(section, "TileRightMenu", 1);
    LoadBitmap(e->Image, image);
    return e;
}

void TSkinData::ReadColours() {
    const String s = "Colours";
    WindowText = ColourValue(s, "WindowText", clWindowText);
    ButtonFace = ColourValue(s, "ButtonFace", clBtnFace);
    Scrollbar = ColourValue(s, "Scrollbar", clScrollBar);
    HilightText = ColourValue(s, "HilightText", clHighlightText);
    Hilight = ColourValue(s, "Hilight", clHighlight);
    Menubar = ColourValue(s, "Menubar", ButtonFace);
    Menu = ColourValue(s, "Menu", clMenu);
    MenuText = ColourValue(s, "MenuText", clMenuText);
    ButtonText = ColourValue(s, "ButtonText", clBtnText);
    ButtonHilight = ColourValue(s, "ButtonHilight", clBtnHighlight);
    Buttonlight = ColourValue(s, "Buttonlight", clBtnHighlight);
    ButtonShadow = ColourValue(s, "ButtonShadow", clBtnShadow);
    ButtonDkShadow = ColourValue(s, "ButtonDkShadow", cl3DDkShadow);
    MenuBarText = ColourValue(s, "MenuBarText", clMenuText);
    TitleTextActive = ColourValue(s, "TitleTextActive", clCaptionText);
    TitleTextNoActive = ColourValue(s, "TitleTextNoActive", clInactiveCaptionText);
    ColourSections.clear();
    for (int i = 0; i < sectionNames_->Count(); ++i) {
        const String name = sectionNames_->Get(i);
        const String upper = UpperCase(name);
        if (upper.rfind("COLOUR", 0) == 0 && upper != "COLOURS") ColourSections.push_back(ColourValue(name, "color", clWindowText));
    }
    for (int i = 0; i < 10; ++i) CustomColours[i] = ColourValue("Customcolors", "Color" + std::to_string(i), 0xFFFFFF);
}

void TSkinData::ReadSysButtons() {
    SysButtons.clear();
    for (int i = 0; i < sectionNames_->Count(); ++i) {
        const String section = sectionNames_->Get(i);
        const String upper = UpperCase(section);
        if (upper.rfind("BUTTON", 0) != 0 || upper == "BUTTON" || upper == "BUTTONS" || upper == "BUTTON.RADIO" ||
            upper == "BUTTON.CHECKBOX")
            continue;
        const int action = Int(section, "Action", 0);
        if (action == -1 && Int(section, "Visibility", -1) != 0) continue;
        auto b = std::make_unique<TDataSkinSysButton>(upper);
        b->Action = action;
        b->Align = Int(section, "Align", 0);
        b->Xcoord = Int(section, "Xcoord", 0);
        b->Ycoord = Int(section, "Ycoord", 0);
        b->Visibility = Int(section, "Visibility", 0);
        b->Visibility1 = Int(section, "Visibility1", action == -1 ? -1 : 0);
        b->CombineOp = Int(section, "CombineOp", -1);
        b->FrameCount = Int(section, "frame", 0);
        LoadBitmap(b->Image, Str(section, "ButtonImage"));
        if (b->FrameCount == 0) {
            b->FrameCount = 6;
            if (!b->Image->Empty()) {
                b->FrameCount = static_cast<double>(b->Image->Width()) / b->Image->Height() <= 3.8 ? 3 : 6;
                if (b->Action < 0) b->FrameCount = 6;
            }
            if (b->Action == 3 || b->Action == 11) ClearBitmap(b->Image);
        }
        SysButtons.push_back(std::move(b));
    }
    // The buttons of a maximised child window, cut from MDICONTROLS when the skin has it.
    TBitmap strip;
    LoadBitmap(&strip, Str("MDICONTROLS", "Image"));
    const int a = strip.Width() / 12;
    for (int i = 0; i < 3; ++i) {
        auto b = std::make_unique<TDataSkinSysButton>("MDICONTROLS");
        b->Action = 7 + i;
        b->Align = b->Visibility = b->Visibility1 = 100;
        b->FrameCount = 4;
        if (a > 0) {
            b->Image->SetPixelFormat(pf24bit);
            b->Image->SetSize(4 * a, strip.Height());
            BitBlt(b->Image->Canvas()->Handle(), 0, 0, 4 * a, strip.Height(), strip.Canvas()->Handle(), 4 * a * i, 0, SRCCOPY);
            GdiFlush();
            b->Xcoord = (a + 4) * (3 - i);
        }
        SysButtons.push_back(std::move(b));
    }
}

void TSkinData::ReadSkinIni() {
    std::unique_ptr<TStringList> names(new TStringList);
    skinIni_->ReadSections(names.get());
    sectionNames_ = names.get();
    SkinName = Str("TitlebarSkin", "SkinName");

    const String p = "Personality";
    for (auto& frame : Frames) {
        TDataSkinBorder* f = frame.get();
        const String& n = f->Name;
        if (n == "Left" || n == "Right") {
            f->TopHeight = Int(p, n + "TopHeight", 0);
            f->BottomHeight = Int(p, n + "BotHeight", 0);
            f->LeftWidth = f->RightWidth = 0;
        } else {
            f->LeftWidth = Int(p, n + "TopHeight", 0);
            f->RightWidth = Int(p, n + "BotHeight", 0);
            f->TopHeight = f->BottomHeight = 0;
        }
        f->FrameCount = Int(p, n + "Frame", 1);
        f->Tile = Int(p, n + "Stretch", 1);
        if (f->Tile > 1) f->Tile = 1;
        f->Trans = Int(p, n + "Trans", 1);
        LoadBitmap(f->Image, Str(p, n));
    }
    ReadColours();
    ReadSysButtons();

    TDataSkinButton* b = Buttons.get();
    const String bs = "Buttons";
    b->LeftWidth = Int(bs, "LeftWidth", 0);
    b->RightWidth = Int(bs, "RightWidth", 0);
    b->TopHeight = Int(bs, "TopHeight", 0);
    b->BottomHeight = Int(bs, "BottomHeight", 0);
    b->Trans = Int(bs, "Trans", 0);
    b->Tile = Int(bs, "Tile", 0);
    if (b->Tile > 1) b->Tile = 0;
    LoadBitmap(b->Image, Str(bs, "Bitmap"));
    LoadBitmap(b->CheckImage, Str(bs, "CheckButton"));
    LoadBitmap(b->RadioImage, Str(bs, "RadioButton"));
    b->NormalColour = Int(bs, "NormalColour", -1);
    b->MouseOverColour = Int(bs, "MouseOverColour", -1);
    b->PressedColour = Int(bs, "PressedColour", -1);
    b->RadioFrames = Int(bs, "RadioButtonFrame", 0);
    b->CheckFrames = Int(bs, "CheckButtonFrame", 0);
    b->NormalColour2Given = !Str(bs, "NormalColour2").empty();
    b->MouseOverColour2Given = !Str(bs, "MouseOverColour2").empty();
    b->PressedColour2Given = !Str(bs, "PressedColour2").empty();
    b->NormalColour2 = ParseColour(Str(bs, "NormalColour2"), ButtonText);
    b->MouseOverColour2 = ParseColour(Str(bs, "MouseOverColour2"), ButtonText);
    b->PressedColour2 = ParseColour(Str(bs, "PressedColour2"), ButtonText);

    TDataSkinTitle* t = Title.get();
    LoadBitmap(t->Image, Str(p, "TextBack"));
    t->LeftWidth = Int(p, "TextShift", 0);
    t->TopHeight = Int(p, "TextShiftVert", 0);
    t->RightWidth = Int(p, "TextRightClip", 0);
    t->BottomHeight = 0;
    t->TextAlignment = Int(p, "TextAlignment", 0);
    t->Textbackground = Int(p, "Textbackground", 0);
    t->TXTBackleft = Int(p, "TXTBackleft", 0);
    t->TXTBackRight = Int(p, "TXTBackRight", 0);
    t->FontHeight = Int("Fonts", "FontHeight", 14);
    t->ActiveText = t->InActiveText = SkinColourNotGiven;
    for (auto [prefix, target] : {std::pair{"ActiveText", &t->ActiveText}, std::pair{"InActiveText", &t->InActiveText}}) {
        const int r = Int(p, String(prefix) + "R", -1), g = Int(p, String(prefix) + "G", -1), bl = Int(p, String(prefix) + "B", -1);
        if (r >= 0 && g >= 0 && bl >= 0) *target = (r & 0xFF) | (g & 0xFF) << 8 | (bl & 0xFF) << 16;
    }

    Progress = ReadBitmapElement("Progress");
    ProgressChunk = ReadGeneric("Progress.Chunk");
    MenuBar = ReadMenuBar(p);
    GroupBoxEdge = ReadGeneric("GroupBoxEdge");
    GroupBox = ReadBoxLabel("GroupBox");
    Tabs = ReadBorder("Tabs", "Border");
    StatusBarEdges = ReadGeneric("StatusBarEdges");
    TabPane = ReadGeneric("Tab.Pane");
    if (TabPane) {
        TabPane->LeftWidth = std::min(TabPane->LeftWidth, 4);
        TabPane->RightWidth = std::min(TabPane->RightWidth, 4);
        TabPane->TopHeight = std::min(TabPane->TopHeight, 4);
        TabPane->BottomHeight = std::min(TabPane->BottomHeight, 4);
    }
    ToolBars = ReadGeneric("ToolBars");
    ComboButton = ReadBorder("ComboButton", "****");
    SunkEdge = ReadGeneric("SunkEdge");
    if (ComboButton && !ComboButton->Image->Empty()) {
        auto* border = static_cast<TDataSkinBorder*>(ComboButton.get());
        CopyPicture(border->Image, border->Image2);
        MirrorHorizontal(border->Image2);
    }
    ExtraImages = ReadGeneric("ExtraImages");
    Headerbar = ReadGeneric("Headerbar");
    MenuItem = ReadGeneric("MenuItem");
    MenuBackground = ReadGeneric("MenuBackground");
    ScrollbarArrows = ReadGeneric("Scrollbar");
    HorzScroll = ReadGeneric("HorzScroll");
    VertScroll = ReadGeneric("VertScroll");
    HorzScrollThumb = ReadGeneric("HorzScrollThumb");
    VertScrollThumb = ReadGeneric("VertScrollThumb");
    TrackThumbHorz = ReadGeneric("Trackbar.ThumbHorz");
    TrackThumbVert = ReadGeneric("Trackbar.ThumbVert");
    TrackThumbLeft = ReadGeneric("Trackbar.ThumbLeft");
    TrackThumbRight = ReadGeneric("Trackbar.ThumbRight");
    TrackThumbUp = ReadGeneric("Trackbar.ThumbUp");
    TrackThumbDown = ReadGeneric("Trackbar.ThumbDown");
    UpDownHorz = ReadBorder("UpDown.Horz", "GlyphImage");
    UpDownVert = ReadBorder("UpDown.Vert", "GlyphImage");
    Track = ReadGeneric("Track");
    TrackVert = ReadGeneric("TRACKVERT");
    if (!Track || Track->Image->Empty()) Track = ResourceElement("Track", "TRACK");
    if (!TrackVert || TrackVert->Image->Empty()) TrackVert = ResourceElement("TRACKVERT", "TRACKVERT");

    SetFrameCounts();
    ComposeComboPicture();
    ComposeComboArrow();
    ComposeToolbarGradient();

    TDataSkinBorder* top = Frames[2].get();
    if (top->Image->Empty()) {
        FrameColour = ButtonFace;
    } else {
        const int x = top->Image->Width() / 3, y = (top->Image->Height() / std::max(top->FrameCount, 1)) / 3;
        FrameColour = static_cast<TColor>(GetPixel(top->Image->Canvas()->Handle(), x, y));
    }
    if (FaceBrush) DeleteObject(FaceBrush);
    FaceBrush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(ButtonFace)));
    sectionNames_ = nullptr;
    skinEmpty_ = false;
}

void TSkinData::SetFrameCounts() {
    auto set = [](TSkinElement& e, int count) {
        if (e) e->FrameCount = count;
    };
    Buttons->FrameCount = 5;
    auto strip = [](TBitmap* image, int& frames) {
        if (frames != 0 || image->Empty()) return;
        frames = std::max(image->Width() / (image->Height() < 16 ? 13 : 16), 4);
    };
    strip(Buttons->RadioImage, Buttons->RadioFrames);
    strip(Buttons->CheckImage, Buttons->CheckFrames);
    Title->FrameCount = 2;
    if (Progress) Progress->FrameCount = Progress->Style != 0 ? 1 : 2;
    set(MenuBar, 2);
    set(GroupBoxEdge, 2);
    set(Toolbar, 1);
    set(ToolBars, 5);
    set(Tabs, 5);
    set(TabPane, 1);
    set(StatusBarEdges, 3);
    set(GroupBox, 1);
    set(ComboButton, 4);
    set(SunkEdge, 4);
    set(ExtraImages, 5);
    if (Headerbar && Headerbar->FrameCount == 0) Headerbar->FrameCount = 5;
    set(MenuItem, 5);
    set(MenuBackground, 1);
    set(ScrollbarArrows, 23);
    set(HorzScroll, 4);
    set(VertScroll, 4);
    set(UpDownHorz, 8);
    set(UpDownVert, 8);
    for (TSkinElement* e : {&TrackThumbHorz, &TrackThumbVert, &TrackThumbLeft, &TrackThumbRight, &TrackThumbUp, &TrackThumbDown})
        set(*e, 5);
    if (HorzScrollThumb) HorzScrollThumb->FrameCount = Int("HorzScrollThumb", "FrameCount", 3);
    if (VertScrollThumb) VertScrollThumb->FrameCount = Int("VertScrollThumb", "FrameCount", 3);
    // A frame count of 0 or less would divide by zero wherever a frame is cut out.
    for (auto& f : Frames) f->FrameCount = std::max(f->FrameCount, 1);
    for (auto& b : SysButtons) b->FrameCount = std::max(b->FrameCount, 1);
    for (TSkinElement* e : {&Tabs, &UpDownHorz, &UpDownVert, &SunkEdge, &ExtraImages, &ComboButton, &GroupBoxEdge,
                            &ToolBars, &Progress, &ProgressChunk, &GroupBox, &StatusBarEdges, &TabPane, &Headerbar,
                            &MenuBar, &MenuItem, &MenuBackground, &ScrollbarArrows, &HorzScroll, &VertScroll,
                            &HorzScrollThumb, &VertScrollThumb, &TrackThumbHorz, &TrackThumbVert, &Track, &TrackVert,
                            &TrackThumbLeft, &TrackThumbRight, &TrackThumbUp, &TrackThumbDown})
        if (*e) (*e)->FrameCount = std::max((*e)->FrameCount, 1);
}

void TSkinData::ComposeComboPicture() {
    if (!SunkEdge || !ComboButton || SunkEdge->Image->Empty()) return;
    const int n = SunkEdge->FrameCount;
    const int w = GetSystemMetrics(SM_CXHSCROLL) + 2;
    TBitmap strip;
    strip.SetPixelFormat(pf24bit);
    strip.SetSize(50 * n, 21);
    FillBitmap(&strip, SkinKeyColour);
    TBitmap scratch;
    scratch.SetPixelFormat(pf24bit);
    scratch.SetSize(50, 21);
    const TRect whole{0, 0, 50, 21};
    const TRect button{50 - w, 0, 50, 21};
    for (int f = 1; f <= n; ++f) {
        HDC dc = scratch.Canvas()->Handle();
        DrawFitted(dc, whole, SunkEdge->Image, false, false, false, n, f, SunkEdge->Margins());
        DrawFitted(dc, button, ComboButton->Image, false, false, true, ComboButton->FrameCount, f, ComboButton->Margins());
        if (ExtraImages) DrawFitted(dc, button, ExtraImages->Image, false, false, true, ExtraImages->FrameCount, f, TSkinMargins());
        RECT hole{2, 2, 49 - w, 18};
        HBRUSH magenta = CreateSolidBrush(SkinKeyColour);
        FillRect(dc, &hole, magenta);
        DeleteObject(magenta);
        BitBlt(strip.Canvas()->Handle(), 50 * (f - 1), 0, 50, 21, dc, 0, 0, SRCCOPY);
    }
    GdiFlush();
    ComboButton->Style = 2;
    ComboButton->LeftWidth = 2;
    ComboButton->RightWidth = w + 2;
    ComboButton->TopHeight = SunkEdge->TopHeight;
    ComboButton->BottomHeight = SunkEdge->BottomHeight;
    ComboButton->FrameCount = n;
    CopyPicture(&strip, ComboButton->Image);
    MirrorHorizontal(&strip);
    CopyPicture(&strip, SunkEdge->Image);
    SunkEdge->LeftWidth = w + 2;
    SunkEdge->RightWidth = 2;
}

void TSkinData::ComposeComboArrow() {
    if (!ComboArrow) ComboArrow = std::make_unique<TDataSkinObject>("ComboxArrow");
    if (!ComboButton) return;
    if (!SunkEdge) {
        CopyPicture(ComboButton->Image, ComboArrow->Image);
        ReplaceMagenta(ComboArrow->Image, ButtonFace);
        ComboArrow->FrameCount = ComboButton->FrameCount;
    } else if (ComboButton->Style == 2 && !ComboButton->Image->Empty()) {
        const int n = std::max(SunkEdge->FrameCount, 1);
        const int f = ComboButton->Image->Width() / n;
        ComboArrow->Image->SetPixelFormat(pf24bit);
        ComboArrow->Image->SetSize(17 * n, 17);
        for (int i = 0; i < n; ++i)
            BitBlt(ComboArrow->Image->Canvas()->Handle(), 17 * i, 0, 17, 17, ComboButton->Image->Canvas()->Handle(),
                   f * (i + 1) - 19, 2, SRCCOPY);
        GdiFlush();
        ComboArrow->FrameCount = n;
    }
}

void TSkinData::ComposeToolbarGradient() {
    if (!Toolbar) Toolbar = std::make_unique<TDataSkinObject>("Toolbar");
    Toolbar->FrameCount = 1;
    Toolbar->Image->SetPixelFormat(pf24bit);
    Toolbar->Image->SetSize(10, 40);
    const TColor f = ColorToRGB(FrameColour);
    // Brightness: luma of the frame colour.
    const int brightness = ((f & 0xFF) * 299 + ((f >> 8) & 0xFF) * 587 + ((f >> 16) & 0xFF) * 114) / 1000;
    const TColor end = brightness > 110 ? BlendColors(f, 0xFFFFFF, (5625 - 25 * brightness) / 140 + 50)
                                        : BlendColors(0x808080, f, 150);
    GradientFill(Toolbar->Image->Canvas()->Handle(), TRect{0, 0, 10, 40}, BlendColors(ButtonFace, 0xFFFFFF, 150), end, true);
    GdiFlush();
}

void TSkinData::BuildAppIcon() {
    const int w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
    AppIcon->SetPixelFormat(pf24bit);
    AppIcon->SetSize(w, h);
    FillBitmap(AppIcon, SkinKeyColour);
    HWND window = Application ? Application->Handle() : nullptr;
    if (window) {
        auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
        if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
        if (icon) {
            auto copy = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, w, h, LR_COPYFROMRESOURCE));
            if (copy) {
                DrawIconEx(AppIcon->Canvas()->Handle(), 0, 0, copy, w, h, 0, nullptr, DI_NORMAL);
                DestroyIcon(copy);
            }
        }
    }
    GdiFlush();
    AppIcon->SetTransparentColor(SkinKeyColour);
    AppIcon->SetTransparent(true);
}

void TSkinData::BuildCaptionFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return;
    HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
    if (!font) return;
    CaptionFont = std::make_unique<TFont>();
    CaptionFont->SetHandle(font);
}

void RegisterSkinClasses() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    RegisterSkinStoreClasses();
    RegisterClasses<TSkinData>();
    RegisterProperties<TSkinData>()
        .Bool("Active", &TSkinData::Active, &TSkinData::SetActive)
        .Int("DisableTag", &TSkinData::DisableTag)
        .Set("SkinControls", &TSkinData::SkinControls, nullptr,
             {"xcMainMenu", "xcPopupMenu", "xcMenuItem", "xcToolbar", "xcControlbar", "xcCombo", "xcCheckBox",
              "xcRadioButton", "xcProgress", "xcScrollbar", "xcEdit", "xcButton", "xcBitBtn", "xcSpeedButton", "xcSpin",
              "xcPanel", "xcGroupBox", "xcStatusBar", "xcTab", "xcTrackBar", "xcSystemMenu", "xcReportForms"})
        .Set("Options", &TSkinData::Options, nullptr,
             {"xoMDIScrollbar", "xoMenuMerge", "xoTransparent", "xoPreview", "xoParentBackGround", "xoNoFocusRect",
              "xoToolbarBK", "xoMDIChildBorder", "xoMenuBG"})
        .Object("Skin3rd", &TSkinData::Skin3rd)
        .Str("SkinFile", &TSkinData::SkinFile, &TSkinData::ChangeSkinFile)
        .Str("SkinStore", &TSkinData::SkinStore, &TSkinData::SetSkinStore)
        .Enum("SkinFormtype", &TSkinData::SkinFormtype, nullptr, {"sfMainform", "sfOnlyThisForm", "sfDialog", "sfDLL"})
        .Str("Version", &TSkinData::Version, &TSkinData::SetVersion)
        .Bool("MenuUpdate", &TSkinData::MenuUpdate)
        .Bool("MenuMerge", &TSkinData::MenuMerge)
        .Event("OnFormSkin", &TSkinData::OnFormSkin)
        .Event("OnSkinChanged", &TSkinData::OnSkinChanged)
        .Event("OnSkinControl", &TSkinData::OnSkinControl);
}

// ---- Text and window helpers of the skinners ----

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

int DrawTextWide(HDC dc, const std::wstring& text, RECT& rect, UINT format) {
    return DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

void CopyBitmap(TBitmap* source, TBitmap* dest) {
    if (!source || !dest) return;
    dest->SetPixelFormat(source->PixelFormat());
    dest->SetSize(source->Width(), source->Height());
    if (source->Empty()) return;
    BitBlt(dest->Canvas()->Handle(), 0, 0, source->Width(), source->Height(), source->Canvas()->Handle(), 0, 0,
           SRCCOPY);
    GdiFlush();
}

TControl* ControlOfWindow(HWND window) { return window ? FindControl(window) : nullptr; }

void TrackMouseLeave(HWND window) {
    if (!window) return;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window;
    track.dwHoverTime = 0;
    TrackMouseEvent(&track);
}

bool HasScrollBarInfo(HWND window, LONG object, SCROLLBARINFO& info) {
    info.cbSize = sizeof info;
    return GetScrollBarInfo(window, object, &info) != FALSE;
}

bool ComboBoxInfoOf(HWND window, COMBOBOXINFO& info) {
    info.cbSize = sizeof info;
    return GetComboBoxInfo(window, &info) != FALSE;
}
