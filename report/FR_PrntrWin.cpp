#include "FR_PrntrWin.h"

#include "Encoding.h"
#include "WinApi.h"

#include <winspool.h>

#include <map>

namespace {

std::wstring Wide(const String& text) {
    const WideString w = Utf8ToUtf16(text);
    return std::wstring(w.begin(), w.end());
}

String Narrow(const wchar_t* text, std::size_t maxChars = static_cast<std::size_t>(-1)) {
    WideString w;
    for (std::size_t i = 0; i < maxChars && text[i]; ++i) w += static_cast<char16_t>(text[i]);
    return Utf16ToUtf8(w);
}

// Closes a printer handle on every path.
class PrinterHandle {
public:
    explicit PrinterHandle(const std::wstring& name) {
        if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &handle_, nullptr)) handle_ = nullptr;
    }
    ~PrinterHandle() {
        if (handle_) ClosePrinter(handle_);
    }
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

class SpoolerBackend : public TfrPrinterBackend {
public:
    SpoolerBackend() {
        DWORD needed = 0, count = 0;
        const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
        EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
        if (needed > 0) {
            std::vector<BYTE> buffer(needed);
            if (EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) {
                const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
                for (DWORD i = 0; i < count; ++i) names_.push_back(Narrow(info[i].pPrinterName));
            }
        }
        wchar_t name[512];
        DWORD size = 512;
        if (GetDefaultPrinterW(name, &size)) {
            const String current = Narrow(name);
            for (std::size_t i = 0; i < names_.size(); ++i)
                if (names_[i] == current) index_ = static_cast<int>(i);
        }
    }

    std::vector<String> Printers() override { return names_; }
    int PrinterIndex() override { return index_; }
    void SetPrinterIndex(int index) override {
        if (index < 0 || index >= static_cast<int>(names_.size())) throw EInvalidArgument("Printer index out of range");
        index_ = index;
    }

    bool GetDeviceMode(String& device, String& driver, String& port, TfrDeviceMode& mode) override {
        if (names_.empty()) return false;
        const DEVMODEW* dm = DeviceModeOf(index_);
        if (!dm) return false;
        device = names_[index_];
        driver = drivers_[index_];
        port = ports_[index_];
        mode.Fields = 0;
        if (dm->dmFields & DM_ORIENTATION) mode.Fields |= TfrDeviceMode::Orientation;
        if (dm->dmFields & DM_PAPERSIZE) mode.Fields |= TfrDeviceMode::PaperSize;
        if (dm->dmFields & DM_PAPERLENGTH) mode.Fields |= TfrDeviceMode::PaperLength;
        if (dm->dmFields & DM_PAPERWIDTH) mode.Fields |= TfrDeviceMode::PaperWidth;
        if (dm->dmFields & DM_COPIES) mode.Fields |= TfrDeviceMode::Copies;
        if (dm->dmFields & DM_DEFAULTSOURCE) mode.Fields |= TfrDeviceMode::DefaultSource;
        mode.PaperSizeValue = dm->dmPaperSize;
        mode.PaperLengthValue = dm->dmPaperLength;
        mode.PaperWidthValue = dm->dmPaperWidth;
        mode.OrientationValue = dm->dmOrientation;
        mode.CopiesValue = dm->dmCopies;
        mode.DefaultSourceValue = dm->dmDefaultSource;
        return true;
    }

    void SetDeviceMode(const TfrDeviceMode& mode) override {
        DEVMODEW* dm = DeviceModeOf(index_);
        if (!dm) throw EInvalidOperation("The printer has no device mode");
        auto set = [&](std::uint32_t ours, DWORD theirs) {
            if (mode.Fields & ours) dm->dmFields |= theirs;
            else dm->dmFields &= ~theirs;
        };
        set(TfrDeviceMode::PaperLength, DM_PAPERLENGTH);
        set(TfrDeviceMode::PaperWidth, DM_PAPERWIDTH);
        dm->dmPaperSize = static_cast<short>(mode.PaperSizeValue);
        dm->dmPaperLength = static_cast<short>(mode.PaperLengthValue);
        dm->dmPaperWidth = static_cast<short>(mode.PaperWidthValue);
        dm->dmOrientation = static_cast<short>(mode.OrientationValue);
        dm->dmCopies = static_cast<short>(mode.CopiesValue);
        dm->dmDefaultSource = static_cast<short>(mode.DefaultSourceValue);
    }

    TfrPrinterCapabilities Capabilities() override {
        TfrPrinterCapabilities caps;
        if (names_.empty()) return caps;
        const std::wstring device = Wide(names_[index_]);
        const std::wstring port = Wide(ports_[index_]);
        const DEVMODEW* dm = DeviceModeOf(index_);
        if (HDC ic = CreateICW(L"WINSPOOL", device.c_str(), nullptr, dm)) {
            caps.PhysicalWidth = GetDeviceCaps(ic, PHYSICALWIDTH);
            caps.PhysicalHeight = GetDeviceCaps(ic, PHYSICALHEIGHT);
            caps.PixelsPerInchX = GetDeviceCaps(ic, LOGPIXELSX);
            caps.PixelsPerInchY = GetDeviceCaps(ic, LOGPIXELSY);
            DeleteDC(ic);
        } else {
            throw EInvalidOperation("The printer gives no information context");
        }
        auto count = [&](WORD what) {
            const int n = DeviceCapabilitiesW(device.c_str(), port.c_str(), what, nullptr, dm);
            return n > 0 ? n : 0;
        };
        if (const int n = count(DC_PAPERS)) {
            std::vector<WORD> codes(n);
            DeviceCapabilitiesW(device.c_str(), port.c_str(), DC_PAPERS, reinterpret_cast<wchar_t*>(codes.data()), dm);
            caps.Papers.assign(codes.begin(), codes.end());
        }
        if (const int n = count(DC_PAPERNAMES)) {
            std::vector<wchar_t> names(static_cast<std::size_t>(n) * 64);
            DeviceCapabilitiesW(device.c_str(), port.c_str(), DC_PAPERNAMES, names.data(), dm);
            for (int i = 0; i < n; ++i) caps.PaperNames.push_back(Narrow(&names[i * 64], 64));
        }
        if (const int n = count(DC_BINS)) {
            std::vector<WORD> codes(n);
            DeviceCapabilitiesW(device.c_str(), port.c_str(), DC_BINS, reinterpret_cast<wchar_t*>(codes.data()), dm);
            caps.Bins.assign(codes.begin(), codes.end());
        }
        if (const int n = count(DC_BINNAMES)) {
            std::vector<wchar_t> names(static_cast<std::size_t>(n) * 24);
            DeviceCapabilitiesW(device.c_str(), port.c_str(), DC_BINNAMES, names.data(), dm);
            for (int i = 0; i < n; ++i) caps.BinNames.push_back(Narrow(&names[i * 24], 24));
        }
        return caps;
    }

private:
    // The printer's device mode, fetched once and then kept with the changes made to it.
    DEVMODEW* DeviceModeOf(int index) {
        auto found = modes_.find(index);
        if (found != modes_.end()) return reinterpret_cast<DEVMODEW*>(found->second.data());
        const std::wstring name = Wide(names_[index]);
        PrinterHandle printer(name);
        if (!printer.Get()) return nullptr;
        const LONG size = DocumentPropertiesW(nullptr, printer.Get(), const_cast<wchar_t*>(name.c_str()), nullptr, nullptr, 0);
        if (size <= 0) return nullptr;
        std::vector<BYTE> buffer(static_cast<std::size_t>(size));
        auto* dm = reinterpret_cast<DEVMODEW*>(buffer.data());
        if (DocumentPropertiesW(nullptr, printer.Get(), const_cast<wchar_t*>(name.c_str()), dm, nullptr, DM_OUT_BUFFER) != IDOK)
            return nullptr;
        DWORD needed = 0;
        GetPrinterW(printer.Get(), 2, nullptr, 0, &needed);
        if (needed > 0) {
            std::vector<BYTE> info(needed);
            if (GetPrinterW(printer.Get(), 2, info.data(), needed, &needed)) {
                const auto* p2 = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
                drivers_[index] = p2->pDriverName ? Narrow(p2->pDriverName) : String();
                ports_[index] = p2->pPortName ? Narrow(p2->pPortName) : String();
            }
        }
        return reinterpret_cast<DEVMODEW*>(modes_.emplace(index, std::move(buffer)).first->second.data());
    }

    std::vector<String> names_;
    int index_ = 0;
    std::map<int, std::vector<BYTE>> modes_;
    std::map<int, String> drivers_, ports_;
};

}  // namespace

std::unique_ptr<TfrPrinterBackend> frCreateSpoolerBackend() { return std::make_unique<SpoolerBackend>(); }
