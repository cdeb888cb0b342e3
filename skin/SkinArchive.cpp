#include "SkinArchive.h"

#include "Encoding.h"
#include "LzhufModel.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

using namespace lzhuf;

const char* const SkinOlderFileMessage = "This is Older Skin File\rPlease update to new version !";

namespace {

TSkinMessageHandler& MessageHandler() {
    static TSkinMessageHandler handler;
    return handler;
}

static_assert(std::endian::native == std::endian::little, "the bit input loads words little-endian");

// MSB-first bit input for the decoder's loop (kept in its locals); bytes past the end read as zero.
// The bits taken are next * 8 - count, so running out of input can be told apart from zeros that
// were really there.
struct TBitInput {
    const std::uint8_t* data;
    std::size_t length;
    std::size_t next = 0;       // the first byte not yet in the buffer
    std::uint64_t buffer = 0;   // the bits not yet taken, from the top; below them zeros or input bits
    int count = 0;              // how many bits of the buffer are not yet taken

    // Fills the buffer to at least 57 bits.
    void Refill() {
        if (count > 56) return;
        if (next + 8 <= length) {
            std::uint64_t word;
            std::memcpy(&word, data + next, sizeof word);
            word = __builtin_bswap64(word);  // the next eight bytes, first at the top
            buffer |= word >> count;
            const int bytes = (64 - count) >> 3;
            next += static_cast<std::size_t>(bytes);
            count += bytes << 3;
            return;
        }
        while (count <= 56) {
            const std::uint64_t byte = next < length ? data[next] : 0;
            ++next;
            buffer |= byte << (56 - count);
            count += 8;
        }
    }
    // The next `n` bits (1 .. 32) without taking them; the buffer must hold them.
    unsigned Peek(int n) const { return static_cast<unsigned>(buffer >> (64 - n)); }
    void Skip(int n) {
        buffer <<= n;
        count -= n;
    }
    bool Overrun() const { return next > length && next * 8 - static_cast<std::size_t>(count) > length * 8; }
};

std::int32_t ReadInt32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

std::vector<std::uint8_t> ReadWhole(TStream* stream) {
    stream->SetPosition(0);
    const std::int64_t size = stream->Size();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::int64_t n = stream->Read(bytes.data() + got, static_cast<std::int64_t>(bytes.size() - got));
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

}  // namespace

TSkinMessageHandler SetSkinMessageHandler(TSkinMessageHandler handler) {
    TSkinMessageHandler old = std::move(MessageHandler());
    MessageHandler() = std::move(handler);
    return old;
}

bool SkinMessageHandlerSet() { return static_cast<bool>(MessageHandler()); }

void ShowSkinMessage(const String& text) {
    if (MessageHandler()) MessageHandler()(text);
}

bool TLZH::Decode(const std::uint8_t* input, std::size_t length, std::size_t size, std::vector<std::uint8_t>& output) {
    output.clear();
    THuffmanModel* model = nullptr;
    try {
        output.resize(size);
        model = new THuffmanModel;
    } catch (const std::bad_alloc&) {
        throw ElzhException("LZH : Cannot get memory for dictionary tables");
    }
    std::unique_ptr<THuffmanModel> owned(model);

    const TPositionTables& tables = PositionTables();
    TBitInput bits{input, length};
    std::uint8_t* const out = output.data();
    std::size_t count = 0;
    const int* const son = model->son.data();
    while (count < size) {
        bits.Refill();
        int at = R;
        int node = son[R];
        while (node < T) {
            if (bits.count == 0) bits.Refill();  // only a very deep tree gets here
            at = node + static_cast<int>(bits.Peek(1));
            node = son[at];
            bits.Skip(1);
        }
        const int c = node - T;
        model->UpdateFrom(at);
        if (c < 256) {
            out[count++] = static_cast<std::uint8_t>(c);
        } else {
            // A position's code: a first byte that tells the upper six bits and the code's length
            // L, then the lower six bits are the code's bits L .. L + 5.
            if (bits.count < 14) bits.Refill();
            const unsigned first = bits.Peek(8);
            const int codeLength = tables.DLen[first];
            const std::size_t distance = ((static_cast<std::size_t>(tables.DCode[first]) << 6) |
                                          (bits.Peek(codeLength + 6) & 0x3F)) + 1;
            bits.Skip(codeLength + 6);
            // A match is cut at the size (it may reach past it).
            const std::size_t copy = std::min<std::size_t>(static_cast<std::size_t>(c - 255 + THRESHOLD), size - count);
            if (distance <= count) {
                // Byte by byte: a match may overlap the bytes it writes.
                const std::uint8_t* from = out + (count - distance);
                std::uint8_t* to = out + count;
                for (std::size_t k = 0; k < copy; ++k) to[k] = from[k];
            } else {
                // The window before the first byte: blanks, and zeros further back.
                for (std::size_t k = 0; k < copy; ++k) {
                    const std::size_t to = count + k;
                    out[to] = to >= distance ? out[to - distance] : (distance - to <= PREFILL ? ' ' : 0);
                }
            }
            count += copy;
        }
        if (bits.Overrun()) {
            output.resize(count);
            return false;
        }
    }
    return true;
}

TSkinReader::TSkinReader() : Names(new TStringList), Data(new TMemoryStream) {}

TSkinReader::~TSkinReader() {
    delete Names;
    delete Data;
}

bool TSkinReader::Decompress(TStream* source, TStream* dest) {
    const std::vector<std::uint8_t> archive = ReadWhole(source);
    dest->SetPosition(0);
    if (archive.size() < 4) return false;
    const std::int64_t size = ReadInt32(archive.data());
    const std::int64_t streamLength = static_cast<std::int64_t>(archive.size()) - 4;
    // One match of 60 bytes takes at least 10 bits, so a byte of stream yields at most 48 bytes.
    if (size < 16 || size > SkinArchiveMaxSize || size > 48 * streamLength + F) return false;
    std::vector<std::uint8_t> container;
    TLZH decoder;
    if (!decoder.Decode(archive.data() + 4, archive.size() - 4, static_cast<std::size_t>(size), container)) return false;
    dest->WriteBuffer(container.data(), static_cast<std::int64_t>(container.size()));
    return true;
}

bool TSkinReader::LoadSkin(TStream* stream) {
    OlderVersion = false;
    if (!stream) return false;
    TMemoryStream unpacked;
    if (!Decompress(stream, &unpacked)) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(unpacked.Memory());
    const std::int64_t total = unpacked.Size();

    std::array<std::int32_t, 4> header;
    for (int i = 0; i < 4; ++i) header[i] = ReadInt32(bytes + 4 * i);
    if (header[0] != SkinArchiveVersion) {
        OlderVersion = true;
        ShowSkinMessage(SkinOlderFileMessage);
        return false;
    }
    const std::int64_t nameLength = header[1];
    if (nameLength < 0 || 16 + nameLength > total) return false;
    const String nameText = LowerCase(String(reinterpret_cast<const char*>(bytes + 16), static_cast<std::size_t>(nameLength)));

    // Count the lines as TStrings::SetText splits them before building any list.
    std::int64_t lines = 0;
    for (std::size_t p = 0; p < nameText.size();) {
        while (p < nameText.size() && nameText[p] != '\r' && nameText[p] != '\n') ++p;
        ++lines;
        if (p < nameText.size() && nameText[p] == '\r') ++p;
        if (p < nameText.size() && nameText[p] == '\n') ++p;
    }
    if (lines > SkinArchiveMaxEntries) return false;
    const std::int64_t tableEnd = 16 + nameLength + 4 * lines;
    if (tableEnd > total) return false;
    std::vector<std::int32_t> sizes(static_cast<std::size_t>(lines));
    std::int64_t sum = 0;
    for (std::int64_t i = 0; i < lines; ++i) {
        sizes[static_cast<std::size_t>(i)] = ReadInt32(bytes + 16 + nameLength + 4 * i);
        if (sizes[static_cast<std::size_t>(i)] < 0) return false;
        sum += sizes[static_cast<std::size_t>(i)];
    }
    if (sum > total - tableEnd) return false;

    Header = header;
    Names->SetText(nameText);
    Count = Names->Count();
    Sizes = std::move(sizes);
    Data->Clear();
    Data->WriteBuffer(bytes + tableEnd, total - tableEnd);
    return true;
}

void TSkinReader::CopyEntry(int index, TStream* stream) {
    std::int64_t offset = 0;
    for (int i = 0; i < index; ++i) offset += Sizes[static_cast<std::size_t>(i)];
    const auto* bytes = static_cast<const std::uint8_t*>(Data->Memory());
    const std::int32_t size = Sizes[static_cast<std::size_t>(index)];
    if (size > 0) stream->WriteBuffer(bytes + offset, size);
    stream->SetPosition(0);
}

void TSkinReader::GetEntry(const String& name, TStream* stream) {
    stream->SetSize(0);
    stream->SetPosition(0);
    const String wanted = LowerCase(name);
    for (int i = 0; i < Count; ++i) {
        if (Names->Get(i) == wanted) {
            CopyEntry(i, stream);
            return;
        }
    }
}

void TSkinReader::FindEntry(const String& part, TStream* stream, String& fullName) {
    stream->SetSize(0);
    stream->SetPosition(0);
    for (int i = 0; i < Count; ++i) {
        const String entry = Names->Get(i);
        if (!part.empty() && entry.find(part) != String::npos) {
            fullName = entry;
            CopyEntry(i, stream);
            return;
        }
    }
}
