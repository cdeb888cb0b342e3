// The skin archive decoder's benchmark (bench/run-skin.sh compares it with gzip -d).
//   skinbench mixed ARCHIVE           writes a 10 MB archive of mixed bitmaps
//   skinbench decode ARCHIVE N OUT    decodes ARCHIVE N times (best of 5 rounds), writes the
//                                     container to OUT and prints "ms bytes"
#include "SkinArchive.h"
#include "SkinArchiveWriter.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Bmp(int w, int h, int kind, std::mt19937& random) {
    const int stride = (w * 3 + 3) & ~3;
    Bytes out(54 + static_cast<std::size_t>(stride) * h, 0);
    out[0] = 'B';
    out[1] = 'M';
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(2, static_cast<std::uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    out[26] = 1;
    out[28] = 24;
    const std::uint32_t base = random();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &out[54 + static_cast<std::size_t>(y) * stride + 3 * x];
            switch (kind) {
            case 0:  // flat frames with borders and magenta corners
                p[0] = (x % 24 == 0 || y == 0) ? 0x40 : static_cast<std::uint8_t>(base);
                p[1] = static_cast<std::uint8_t>(base >> 8);
                p[2] = (x % 24 < 2 && y < 2) ? 0xFF : static_cast<std::uint8_t>(base >> 16);
                break;
            case 1:  // gradients
                p[0] = static_cast<std::uint8_t>(x * 255 / w);
                p[1] = static_cast<std::uint8_t>(y * 255 / h);
                p[2] = static_cast<std::uint8_t>((x + y) / 2);
                break;
            default:  // a textured picture: a gradient with noise
                p[0] = static_cast<std::uint8_t>(x + (random() & 15));
                p[1] = static_cast<std::uint8_t>(y + (random() & 15));
                p[2] = static_cast<std::uint8_t>(128 + (random() & 31));
                break;
            }
        }
    return out;
}

Bytes ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& name, const Bytes& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "mixed") {
        std::mt19937 random(42);
        std::vector<TSkinArchiveEntry> entries;
        std::size_t total = 0;
        for (int i = 0; total < 10 * 1000 * 1000; ++i) {
            const int kind = i % 3;
            const int w = 64 + static_cast<int>(random() % 400), h = 16 + static_cast<int>(random() % 200);
            entries.push_back({"image" + std::to_string(i) + ".bmp", Bmp(w, h, kind, random)});
            total += entries.back().Bytes.size();
        }
        const std::string ini = "[TitlebarSkin]\r\nSkinName=bench\r\n";
        entries.push_back({"skin.ini", Bytes(ini.begin(), ini.end())});
        WriteFile(args[1], PackSkinArchive(entries));
        return 0;
    }
    if (args.size() == 4 && args[0] == "decode") {
        const Bytes archive = ReadFile(args[1]);
        const int n = std::stoi(args[2]);
        if (archive.size() < 4) return 1;
        const std::size_t size = archive[0] | archive[1] << 8 | archive[2] << 16 | static_cast<std::size_t>(archive[3]) << 24;
        Bytes out;
        double best = 1e300;
        for (int round = 0; round < 5; ++round) {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < n; ++i) {
                TLZH decoder;
                if (!decoder.Decode(archive.data() + 4, archive.size() - 4, size, out)) return 1;
            }
            best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        WriteFile(args[3], out);
        std::printf("%.1f %zu\n", best, out.size());
        return 0;
    }
    std::cerr << "usage: skinbench mixed ARCHIVE | decode ARCHIVE N OUT\n";
    return 2;
}
