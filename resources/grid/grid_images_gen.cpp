// Draws the grid library's own bitmaps and cursors into a folder, for the resource script.
//   grid_images_gen OUTPUT_FOLDER
// Indicator images (10 x 11, 24-bit, white background = mask; DBGARROWEHW on teal), sort markers
// (11 x 8 on fuchsia) and three monochrome 32 x 32 cursors. Run at build time on the build host.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kTeal{0, 128, 128};
constexpr Rgb kFuchsia{255, 0, 255};
constexpr Rgb kShadow{128, 128, 128};

struct Image {
    int width, height;
    std::vector<Rgb> pixels;
    Image(int w, int h, Rgb background) : width(w), height(h), pixels(static_cast<std::size_t>(w * h), background) {}
    void Set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<std::size_t>(y * width + x)] = c;
    }
    void Fill(const std::function<bool(int, int)>& inside, Rgb c) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (inside(x, y)) Set(x, y, c);
    }
};

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// A 24-bit bottom-up BMP file.
std::vector<std::uint8_t> Bmp(const Image& image) {
    const int stride = (image.width * 3 + 3) & ~3;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(stride * image.height);
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, 14 + 40 + dataSize);
    Put32(out, 0);
    Put32(out, 14 + 40);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(image.width));
    Put32(out, static_cast<std::uint32_t>(image.height));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, dataSize);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        int written = 0;
        for (int x = 0; x < image.width; ++x) {
            const Rgb& c = image.pixels[static_cast<std::size_t>(y * image.width + x)];
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
            written += 3;
        }
        for (; written < stride; ++written) out.push_back(0);
    }
    return out;
}

// A monochrome 32 x 32 cursor: `shape` answers 0 transparent, 1 black, 2 white.
std::vector<std::uint8_t> Cursor(int hotX, int hotY, const std::function<int(int, int)>& shape) {
    constexpr int kSize = 32;
    constexpr int kRowBytes = 4;
    const std::uint32_t imageSize = 40 + 8 + 2 * kRowBytes * kSize;
    std::vector<std::uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 2);  // cursor
    Put16(out, 1);  // one image
    out.push_back(kSize);
    out.push_back(kSize);
    out.push_back(2);  // colours
    out.push_back(0);
    Put16(out, static_cast<unsigned>(hotX));
    Put16(out, static_cast<unsigned>(hotY));
    Put32(out, imageSize);
    Put32(out, 6 + 16);
    Put32(out, 40);
    Put32(out, kSize);
    Put32(out, kSize * 2);
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, 0);
    Put32(out, 2 * kRowBytes * kSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 2);
    Put32(out, 0);
    Put32(out, 0x00000000);  // black
    Put32(out, 0x00FFFFFF);  // white
    std::vector<std::uint8_t> xorBits, andBits;
    for (int y = kSize - 1; y >= 0; --y) {
        for (int byte = 0; byte < kRowBytes; ++byte) {
            std::uint8_t x8 = 0, a8 = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int v = shape(byte * 8 + bit, y);
                if (v == 0) a8 |= static_cast<std::uint8_t>(0x80 >> bit);
                if (v == 2) x8 |= static_cast<std::uint8_t>(0x80 >> bit);
            }
            xorBits.push_back(x8);
            andBits.push_back(a8);
        }
    }
    out.insert(out.end(), xorBits.begin(), xorBits.end());
    out.insert(out.end(), andBits.begin(), andBits.end());
    return out;
}

// A right-pointing triangle centred in a 10 x 11 image.
bool RightArrow(int x, int y) { return x >= 3 && x <= 7 && std::abs(y - 5) <= 7 - x; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: grid_images_gen OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    bool ok = true;
    auto save = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
        if (!Write(dir + name, bytes)) {
            std::fprintf(stderr, "grid_images_gen: cannot write %s%s\n", dir.c_str(), name);
            ok = false;
        }
    };

    // Indicator: the current row.
    Image arrow(10, 11, kWhite);
    arrow.Fill(RightArrow, kBlack);
    save("DBGARROWEH.bmp", Bmp(arrow));

    // Editing: an I-beam.
    Image edit(10, 11, kWhite);
    edit.Fill([](int x, int y) { return (x == 4 && y >= 1 && y <= 9) || ((y == 1 || y == 9) && x >= 2 && x <= 6); },
              kBlack);
    save("DBEDITEH.bmp", Bmp(edit));

    // Inserting: an asterisk.
    Image insert(10, 11, kWhite);
    insert.Fill([](int x, int y) {
        const int dx = x - 4, dy = y - 5;
        return (dx == 0 && std::abs(dy) <= 3) || (dy == 0 && std::abs(dx) <= 3) ||
               (std::abs(dx) == std::abs(dy) && std::abs(dx) <= 2);
    }, kBlack);
    save("DBINSERTEH.bmp", Bmp(insert));

    // A selected row: a dot.
    Image dot(10, 11, kWhite);
    dot.Fill([](int x, int y) { return (x - 4) * (x - 4) + (y - 5) * (y - 5) <= 4; }, kBlack);
    save("DBMULTIDOTEH.bmp", Bmp(dot));

    // The current row, selected: the arrow with a dot before it.
    Image multiArrow(10, 11, kWhite);
    multiArrow.Fill([](int x, int y) { return (x >= 5 && x <= 8 && std::abs(y - 5) <= 8 - x) || (x <= 2 && x >= 1 && y >= 4 && y <= 6); },
                    kBlack);
    save("DBMULTIARROWEH.bmp", Bmp(multiArrow));

    // The current row when selected (on the dark selected indicator) and during incremental search
    // (teal is the mask): a white arrow with a black outline, seen on dark and light backgrounds.
    Image arrowW(10, 11, kTeal);
    arrowW.Fill([](int x, int y) {
        return RightArrow(x, y) || RightArrow(x - 1, y) || RightArrow(x + 1, y) || RightArrow(x, y - 1) ||
               RightArrow(x, y + 1);
    }, kBlack);
    arrowW.Fill(RightArrow, kWhite);
    save("DBGARROWEHW.bmp", Bmp(arrowW));

    // Sort markers on fuchsia: a grey triangle pointing down (ascending) and one pointing up.
    Image down(11, 8, kFuchsia);
    down.Fill([](int x, int y) { return y >= 1 && y <= 6 && std::abs(x - 5) <= 6 - y; }, kShadow);
    save("DBSMDOWNEH.bmp", Bmp(down));
    Image up(11, 8, kFuchsia);
    up.Fill([](int x, int y) { return y >= 1 && y <= 6 && std::abs(x - 5) <= y - 1; }, kShadow);
    save("DBSMUPEH.bmp", Bmp(up));

    // Cursors: a black arrow with a white border, pointing down, right or left.
    auto arrowCursor = [](int dirX, int dirY) {
        return [dirX, dirY](int x, int y) {
            // Coordinates along (a) and across (c) the arrow's direction; the tip at 0.
            int a, c;
            if (dirY == 1) {
                a = 15 - y;
                c = x - 8;
            } else if (dirX == 1) {
                a = 15 - x;
                c = y - 8;
            } else {
                a = x;
                c = y - 8;
            }
            const bool head = a >= 0 && a <= 6 && std::abs(c) <= a;
            const bool shaft = a > 6 && a <= 14 && std::abs(c) <= 1;
            const bool headBorder = a >= -1 && a <= 7 && std::abs(c) <= a + 1;
            const bool shaftBorder = a > 6 && a <= 15 && std::abs(c) <= 2;
            if (head || shaft) return 1;
            if (headBorder || shaftBorder) return 2;
            return 0;
        };
    };
    save("DOWNCUREH.cur", Cursor(8, 15, arrowCursor(0, 1)));
    save("RIGHTCUREH.cur", Cursor(15, 8, arrowCursor(1, 0)));
    save("LEFTCUREH.cur", Cursor(0, 8, arrowCursor(-1, 0)));
    return ok ? 0 : 1;
}
