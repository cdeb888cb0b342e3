// skinpack: writes skin archives on the build host.
//   skinpack pack ARCHIVE FOLDER           packs every .bmp and the one .ini of FOLDER
//   skinpack draw calm|probe ARCHIVE [FOLDER]
//                                          draws one of the program's own skins, packs it, and
//                                          also writes its files into FOLDER when given
//   skinpack engine FOLDER                 writes the skin engine's own bitmaps into FOLDER
//   skinpack hex ARCHIVE OUTPUT            writes the form-description value of a skin component's
//                                          stored archive: {hex of int32 size + archive}
#include "SkinArchiveWriter.h"
#include "SkinArt.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + temporary.string());
    }
    fs::rename(temporary, path);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

int Pack(const fs::path& archive, const fs::path& folder) {
    std::vector<TSkinArchiveEntry> bitmaps;
    std::vector<TSkinArchiveEntry> inis;
    for (const auto& item : fs::directory_iterator(folder)) {
        if (!item.is_regular_file()) continue;
        const std::string name = Lower(item.path().filename().string());
        const std::string ext = Lower(item.path().extension().string());
        if (ext == ".bmp") bitmaps.push_back({name, ReadFile(item.path())});
        else if (ext == ".ini") inis.push_back({name, ReadFile(item.path())});
    }
    std::sort(bitmaps.begin(), bitmaps.end(), [](const auto& a, const auto& b) { return a.Name < b.Name; });
    bitmaps.insert(bitmaps.end(), inis.begin(), inis.end());
    WriteFile(archive, PackSkinArchive(bitmaps));
    return 0;
}

int Draw(const std::string& kind, const fs::path& archive, const fs::path* folder) {
    if (kind != "calm" && kind != "probe") throw std::runtime_error("unknown skin " + kind);
    std::vector<TSkinArchiveEntry> entries;
    for (skinart::TFile& file : skinart::DrawSkin(kind == "probe")) {
        if (folder) {
            fs::create_directories(*folder);
            WriteFile(*folder / file.Name, file.Bytes);
        }
        entries.push_back({file.Name, std::move(file.Bytes)});
    }
    WriteFile(archive, PackSkinArchive(entries));
    return 0;
}

int Engine(const fs::path& folder) {
    fs::create_directories(folder);
    for (const skinart::TFile& file : skinart::DrawEngineBitmaps()) WriteFile(folder / file.Name, file.Bytes);
    return 0;
}

int Hex(const fs::path& archive, const fs::path& output) {
    const std::vector<std::uint8_t> bytes = ReadFile(archive);
    std::vector<std::uint8_t> value;
    const auto n = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i) value.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    value.insert(value.end(), bytes.begin(), bytes.end());
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "{";
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (i % 32 == 0) text += "\n";
        text += digits[value[i] >> 4];
        text += digits[value[i] & 15];
    }
    text += "}";
    WriteFile(output, std::vector<std::uint8_t>(text.begin(), text.end()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        if (args.size() == 3 && args[0] == "pack") return Pack(args[1], args[2]);
        if ((args.size() == 3 || args.size() == 4) && args[0] == "draw") {
            const fs::path folder = args.size() == 4 ? fs::path(args[3]) : fs::path();
            return Draw(args[1], args[2], args.size() == 4 ? &folder : nullptr);
        }
        if (args.size() == 3 && args[0] == "hex") return Hex(args[1], args[2]);
        if (args.size() == 2 && args[0] == "engine") return Engine(args[1]);
        std::cerr << "usage: skinpack pack ARCHIVE FOLDER | draw calm|probe ARCHIVE [FOLDER] | engine FOLDER | hex ARCHIVE OUTPUT\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "skinpack: " << e.what() << "\n";
        return 1;
    }
}
