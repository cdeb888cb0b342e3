#include "SkinTestSupport.h"

#include "AppSkinData.h"
#include "SkinArt.h"
#include "SkinManage.h"

#include "FormReader.h"

#include <fstream>
#include <iterator>

namespace skintest {

namespace {

String HexOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> archive((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    static const char digits[] = "0123456789ABCDEF";
    std::vector<std::uint8_t> value(4);
    const auto n = static_cast<std::uint32_t>(archive.size());
    for (int i = 0; i < 4; ++i) value[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
    value.insert(value.end(), archive.begin(), archive.end());
    String text;
    for (std::uint8_t b : value) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

}  // namespace

int ElementIndex(const char* file) {
    const auto& elements = skinart::Elements();
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (String(elements[i].File) == file) return static_cast<int>(i);
    return -1;
}

TComponent* LoadProbeSkin(const String& skinControls) {
    SetSkinEngineEnabled(true);
    RegisterSkinClasses();
    TComponent* holder = New<TComponent>(nullptr);
    ReadForm(holder,
             "object Holder: TComponent\n  object SkinData1: TSkinData\n    Active = True\n"
             "    SkinControls = [" + skinControls + "]\n    SkinStream = {" +
                 HexOfFile(std::string(VESTREL_SKIN_DIR) + "/probe.skn") + "}\n  end\nend\n",
             "holder.txt");
    return holder;
}

TPixelBuffer::TPixelBuffer(int width, int height) : width_(width), height_(height) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const std::uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
}

TPixelBuffer::~TPixelBuffer() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

std::uint32_t TPixelBuffer::At(int x, int y) const {
    GdiFlush();
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
    return bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] &
           0xFFFFFF;
}

int TPixelBuffer::Count(const RECT& r, std::uint32_t rgb) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (At(x, y) == rgb) ++n;
    return n;
}

void TPixelBuffer::GrabWindow(HWND window) {
    HDC dc = GetWindowDC(window);
    BitBlt(dc_, 0, 0, width_, height_, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    GdiFlush();
}

std::uint32_t Rgb(int colour) {
    const auto c = static_cast<std::uint32_t>(ColorToRGB(colour));
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace skintest
