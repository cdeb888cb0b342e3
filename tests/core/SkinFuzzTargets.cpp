#include "SkinFuzzTargets.h"

#include "SkinArchive.h"
#include "SkinArchiveWriter.h"
#include "SkinIni.h"

#include <vector>

namespace {

void ReadEveryEntry(TSkinReader& reader) {
    TMemoryStream entry;
    for (int i = 0; i < reader.Count && i < 64; ++i) {
        const String name = reader.Names->Get(i);
        reader.GetEntry(name, &entry);
        String full;
        reader.FindEntry(name.substr(0, 3), &entry, full);
    }
    String full;
    reader.FindEntry(".ini", &entry, full);
}

void ReadArchive(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<std::int64_t>(size));
    TSkinReader reader;
    if (reader.LoadSkin(&stream)) ReadEveryEntry(reader);
}

}  // namespace

void FuzzSkinDecoder(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return;
    const std::size_t wanted = static_cast<std::size_t>(data[0] | data[1] << 8);
    std::vector<std::uint8_t> out;
    TLZH decoder;
    decoder.Decode(data + 2, size - 2, wanted, out);
}

void FuzzSkinContainer(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> archive(4);
    const auto u = static_cast<std::uint32_t>(size);
    for (int i = 0; i < 4; ++i) archive[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(u >> (8 * i));
    const std::vector<std::uint8_t> stream = LzhEncode(std::vector<std::uint8_t>(data, data + size));
    archive.insert(archive.end(), stream.begin(), stream.end());
    ReadArchive(archive.data(), archive.size());
}

void FuzzSkinArchive(const std::uint8_t* data, std::size_t size) { ReadArchive(data, size); }

void FuzzSkinIni(const std::uint8_t* data, std::size_t size) {
    TQuickIni ini;
    ini.LoadFromText(String(reinterpret_cast<const char*>(data), size));
    TStringList sections;
    ini.ReadSections(&sections);
    for (int i = 0; i < sections.Count() && i < 16; ++i) {
        ini.ReadString(sections.Get(i), "Image", "x");
        ini.ReadInteger(sections.Get(i), "Frame", 1);
    }
    ini.ReadInteger("Personality", "TopFrame", 1);
}
