// The report core's view of the printers: the system's printers (through a backend) and a
// virtual printer at the end of the list whose papers come from a fixed table, so that paper
// choices work without any printer. Sizes are in tenths of a millimetre, portrait.
#pragma once

#include "SysUtils.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct TfrPaperInfo {
    int Code;    // the system's paper code; 256 is a size of the user's
    int Width;
    int Height;
};
constexpr int kPaperTableSize = 67;
constexpr int kUserPaper = 256;
extern const std::array<TfrPaperInfo, kPaperTableSize> frPaperTable;

// The fields of a printer's device mode that the report core reads and writes.
struct TfrDeviceMode {
    static constexpr std::uint32_t Orientation = 0x1, PaperSize = 0x2, PaperLength = 0x4, PaperWidth = 0x8,
                                   Copies = 0x100, DefaultSource = 0x200;
    std::uint32_t Fields = 0;  // the fields the printer supports (and the ones written)
    int PaperSizeValue = 0;
    int PaperLengthValue = 0;
    int PaperWidthValue = 0;
    int OrientationValue = 1;  // 1 portrait, 2 landscape
    int CopiesValue = 1;
    int DefaultSourceValue = 0;
};

// What the current printer can do.
struct TfrPrinterCapabilities {
    int PhysicalWidth = 0, PhysicalHeight = 0;  // pixels
    int PixelsPerInchX = 0, PixelsPerInchY = 0;
    std::vector<int> Papers;
    std::vector<String> PaperNames;
    std::vector<int> Bins;
    std::vector<String> BinNames;
};

// The system's printers. Any call may raise; the report core falls back to its virtual printer.
class TfrPrinterBackend {
public:
    virtual ~TfrPrinterBackend() = default;
    virtual std::vector<String> Printers() = 0;
    virtual int PrinterIndex() = 0;
    virtual void SetPrinterIndex(int index) = 0;
    // The current printer's names and device mode; false when it has no device mode.
    virtual bool GetDeviceMode(String& device, String& driver, String& port, TfrDeviceMode& mode) = 0;
    virtual void SetDeviceMode(const TfrDeviceMode& mode) = 0;
    virtual TfrPrinterCapabilities Capabilities() = 0;
};

enum TPrinterOrientation { poPortrait, poLandscape };

class TfrPrinter {
public:
    static constexpr int kMaxPapers = 256;
    static constexpr int kMaxBins = 64;
    static constexpr std::size_t kMaxNameBytes = 127;

    TfrPrinter();  // loads the paper names; the paper code is 9 (A4)

    void AttachPrinter(TfrPrinterBackend* backend);
    void SelectPrinter(int index);  // out of range: ignored
    void ApplySettings();
    void ReadSettings();

    TfrPrinterBackend* Backend() const { return backend_; }
    String Device, Driver, Port;
    int PrinterIndex = 0;
    int VirtualIndex = 0;
    int PaperCode = 9;
    int PaperWidth = 0, PaperHeight = 0;
    std::vector<int> PaperCodes;
    int Bin = -1;
    std::vector<int> Bins;
    TPrinterOrientation Orientation = poPortrait;
    std::vector<String> PaperNames;
    std::vector<String> BinNames;
    std::vector<String> Printers;

private:
    bool HasRealPrinters() const { return VirtualIndex > 0; }
    void FillVirtualPapers();
    void UseVirtualPrinter();

    TfrPrinterBackend* backend_ = nullptr;
    std::array<String, kPaperTableSize> tableNames_;
};

// The global printer and its start-up: `createBackend` gives the system's printers (it may raise
// or give nullptr, and then the list stays empty). Failures never show.
extern TfrPrinter* frPrinter;
extern int frDefaultPaper;
extern bool frPrintersInitialised;
void frPrinterStartUp(const std::function<std::unique_ptr<TfrPrinterBackend>()>& createBackend);
void frPrinterShutDown();
