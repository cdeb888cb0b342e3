#include "FR_Prntr.h"

#include "Encoding.h"
#include "FR_Class.h"

#include <cmath>

const std::array<TfrPaperInfo, kPaperTableSize> frPaperTable = {{
    {1, 2159, 2794},  {2, 2159, 2794},  {3, 2794, 4318},  {4, 4318, 2794},  {5, 2159, 3556},  {6, 1397, 2159},
    {7, 1842, 2667},  {8, 2970, 4200},  {9, 2100, 2970},  {10, 2100, 2970}, {11, 1480, 2100}, {12, 2500, 3540},
    {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750}, {16, 2540, 3556}, {17, 2794, 4318}, {18, 2159, 2794},
    {19, 984, 2254},  {20, 1048, 2413}, {21, 1143, 2635}, {22, 1207, 2794}, {23, 1270, 2921}, {24, 4318, 5588},
    {25, 5588, 8636}, {26, 8636, 11176}, {27, 1100, 2200}, {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240},
    {31, 1140, 1620}, {32, 1140, 2290}, {33, 2500, 3530}, {34, 1760, 2500}, {35, 1760, 1250}, {36, 1100, 2300},
    {37, 984, 1905},  {38, 921, 1651},  {39, 3778, 2794}, {40, 2159, 3048}, {41, 2159, 3302}, {42, 2500, 3530},
    {43, 1000, 1480}, {44, 2286, 2794}, {45, 2540, 2794}, {46, 3810, 2794}, {47, 2200, 2200},
    {50, 2413, 3048}, {51, 2413, 3810}, {52, 2969, 4572}, {53, 2355, 3223}, {54, 2159, 2794}, {55, 2100, 2970},
    {56, 2413, 3048}, {57, 2270, 3560}, {58, 3050, 4870}, {59, 2159, 3223}, {60, 2100, 3300}, {61, 1480, 2100},
    {62, 1820, 2570}, {63, 3220, 4450}, {64, 1740, 2350}, {65, 2010, 2760}, {66, 4200, 5940}, {67, 2970, 4200},
    {68, 3220, 4450},
    {kUserPaper, 0, 0},
}};

TfrPrinter* frPrinter = nullptr;
int frDefaultPaper = 9;
bool frPrintersInitialised = false;

namespace {

std::unique_ptr<TfrPrinterBackend> globalBackend;

String CutName(const String& name) { return CutToGbkBytes(name, TfrPrinter::kMaxNameBytes); }

}  // namespace

TfrPrinter::TfrPrinter() {
    for (int i = 0; i < kPaperTableSize; ++i) tableNames_[i] = frLocale().LoadText(frres::FirstPaperName + i);
}

void TfrPrinter::AttachPrinter(TfrPrinterBackend* backend) {
    Printers.clear();
    PrinterIndex = 0;
    backend_ = backend;
    const std::vector<String> names = backend_ ? backend_->Printers() : std::vector<String>();
    if (!names.empty()) {
        Printers = names;
        PrinterIndex = backend_->PrinterIndex();
    }
    Printers.push_back(frLocale().LoadText(frres::VirtualPrinter));
    VirtualIndex = static_cast<int>(Printers.size()) - 1;
    if (names.empty()) FillVirtualPapers();
    else ReadSettings();
}

void TfrPrinter::SelectPrinter(int index) {
    if (index == PrinterIndex || index < 0 || index > VirtualIndex) return;
    PrinterIndex = index;
    if (index == VirtualIndex) {
        FillVirtualPapers();
    } else if (HasRealPrinters()) {
        try {
            backend_->SetPrinterIndex(index);
        } catch (const std::exception&) {
            UseVirtualPrinter();
            return;
        }
        ReadSettings();
    }
}

void TfrPrinter::FillVirtualPapers() {
    PaperNames.assign(tableNames_.begin(), tableNames_.end());
    PaperCodes.clear();
    for (const TfrPaperInfo& paper : frPaperTable) PaperCodes.push_back(paper.Code);
    if (PaperCode == kUserPaper) return;
    for (const TfrPaperInfo& paper : frPaperTable) {
        if (paper.Code == PaperCode) {
            PaperWidth = Orientation == poLandscape ? paper.Height : paper.Width;
            PaperHeight = Orientation == poLandscape ? paper.Width : paper.Height;
            return;
        }
    }
}

void TfrPrinter::UseVirtualPrinter() {
    PrinterIndex = VirtualIndex;
    FillVirtualPapers();
}

void TfrPrinter::ApplySettings() {
    if (PrinterIndex == VirtualIndex || !backend_) {
        FillVirtualPapers();
        return;
    }
    try {
        String device, driver, port;
        TfrDeviceMode mode;
        if (!backend_->GetDeviceMode(device, driver, port, mode)) {
            UseVirtualPrinter();
            return;
        }
        if (PaperCode == kUserPaper) {
            mode.Fields |= TfrDeviceMode::PaperLength | TfrDeviceMode::PaperWidth;
            mode.PaperLengthValue = PaperHeight;
            mode.PaperWidthValue = PaperWidth;
        } else {
            mode.Fields &= ~(TfrDeviceMode::PaperLength | TfrDeviceMode::PaperWidth);
        }
        if (mode.Fields & TfrDeviceMode::PaperSize) mode.PaperSizeValue = PaperCode;
        if (mode.Fields & TfrDeviceMode::Orientation) mode.OrientationValue = Orientation == poLandscape ? 2 : 1;
        if (mode.Fields & TfrDeviceMode::Copies) mode.CopiesValue = 1;
        if ((mode.Fields & TfrDeviceMode::DefaultSource) && Bin != -1) mode.DefaultSourceValue = Bin;
        backend_->SetDeviceMode(mode);
    } catch (const std::exception&) {
        UseVirtualPrinter();
        return;
    }
    ReadSettings();
}

void TfrPrinter::ReadSettings() {
    if (!backend_) {
        UseVirtualPrinter();
        return;
    }
    try {
        String device, driver, port;
        TfrDeviceMode mode;
        if (!backend_->GetDeviceMode(device, driver, port, mode)) {
            UseVirtualPrinter();
            return;
        }
        Device = CutName(device);
        Driver = CutName(driver);
        Port = CutName(port);
        const TfrPrinterCapabilities caps = backend_->Capabilities();
        PaperCode = mode.PaperSizeValue;
        if (caps.PixelsPerInchX > 0 && caps.PixelsPerInchY > 0) {
            PaperWidth = static_cast<int>(std::lround(static_cast<double>(caps.PhysicalWidth) / caps.PixelsPerInchX * 254));
            PaperHeight = static_cast<int>(std::lround(static_cast<double>(caps.PhysicalHeight) / caps.PixelsPerInchY * 254));
        }
        const std::size_t papers = std::min<std::size_t>(caps.Papers.size(), kMaxPapers);
        PaperCodes.assign(caps.Papers.begin(), caps.Papers.begin() + papers);
        PaperNames.assign(papers, String());
        for (std::size_t i = 0; i < papers && i < caps.PaperNames.size(); ++i) PaperNames[i] = caps.PaperNames[i];
        Bin = mode.DefaultSourceValue;
        Bins.assign(1, -1);
        BinNames.assign(1, frLocale().LoadText(frres::DefaultBin));
        const std::size_t bins = std::min<std::size_t>(caps.Bins.size(), kMaxBins);
        for (std::size_t i = 0; i < bins; ++i) {
            Bins.push_back(caps.Bins[i]);
            BinNames.push_back(i < caps.BinNames.size() ? caps.BinNames[i] : String());
        }
        Orientation = mode.OrientationValue != 1 ? poLandscape : poPortrait;
    } catch (const std::exception&) {
        UseVirtualPrinter();
    }
}

void frPrinterStartUp(const std::function<std::unique_ptr<TfrPrinterBackend>()>& createBackend) {
    if (frPrinter) return;
    frPrinter = new TfrPrinter();
    try {
        globalBackend = createBackend ? createBackend() : nullptr;
        if (globalBackend) {
            frPrinter->AttachPrinter(globalBackend.get());
            String device, driver, port;
            TfrDeviceMode mode;
            if (frPrinter->VirtualIndex > 0 && !globalBackend->GetDeviceMode(device, driver, port, mode)) {
                frPrinter->PrinterIndex = frPrinter->VirtualIndex;
                frPrinter->PaperCode = -1;
            }
        }
        frDefaultPaper = frPrinter->PaperCode;
    } catch (const std::exception&) {
    }
    frPrintersInitialised = true;
}

void frPrinterShutDown() {
    delete frPrinter;
    frPrinter = nullptr;
    globalBackend.reset();
    frPrintersInitialised = false;
}
