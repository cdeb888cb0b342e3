#include "SkinArchive.h"

#include "Encoding.h"
#include "LzhufModel.h"

#include <algorithm>
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

// MSB-first bit input; bytes past the end read as zero, and the bits taken are counted so that
// running out of input can be told apart from zeros that were really there.
class TBitInput {
public:
    TBitInput(const std::uint8_t* data, std::size_t length) : data_(data), length_(length) {}

    unsigned Bit() {
        Refill();
        const unsigned bit = static_cast<unsigned>(buffer_ >> 63);
        buffer_ <<= 1;
        --count_;
        ++taken_;
        return bit;
    }
    unsigned Byte() {
        Refill();
        const unsigned byte = static_cast<unsigned>(buffer_ >> 56);
        buffer_ <<= 8;
        count_ -= 8;
        taken_ += 8;
        return byte;
    }
    bool Overrun() const { return taken_ > length_ * 8; }

private:
    void Refill() {
        while (count_ <= 56) {
            const std::uint64_t byte = next_ < length_ ? data_[next_] : 0;
            ++next_;
            buffer_ |= byte << (56 - count_);
            count_ += 8;
        }
    }

    const std::uint8_t* data_;
    std::size_t length_;
    std::size_t next_ = 0;
    std::uint64_t buffer_ = 0;
    int count_ = 0;
    std::uint64_t taken_ = 0;
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
    std::vector<std::uint8_t> ring;
    THuffmanModel* model = nullptr;
    try {
        output.resize(size);
        ring.assign(N + F - 1, 0);
        model = new THuffmanModel;
    } catch (const std::bad_alloc&) {
        throw ElzhException("LZH : Cannot get memory for dictionary tables");
    }
    std::unique_ptr<THuffmanModel> owned(model);
    std::memset(ring.data(), ' ', PREFILL);

    const TPositionTables& tables = PositionTables();
    TBitInput bits(input, length);
    std::uint8_t* out = output.data();
    std::size_t count = 0;
    const int* son = model->son.data();
    unsigned r = PREFILL;
    while (count < size) {
        int node = son[R];
        while (node < T) node = son[node + static_cast<int>(bits.Bit())];
        const int c = node - T;
        model->Update(c);
        if (c < 256) {
            out[count++] = static_cast<std::uint8_t>(c);
            ring[r] = static_cast<std::uint8_t>(c);
            r = (r + 1) & (N - 1);
        } else {
            unsigned i = bits.Byte();
            const unsigned upper = static_cast<unsigned>(tables.DCode[i]) << 6;
            for (int n = tables.DLen[i] - 2; n > 0; --n) i = ((i << 1) + bits.Bit()) & 0xFFFF;
            const unsigned position = upper | (i & 0x3F);
            const unsigned start = (r - position - 1) & (N - 1);
            // A match is cut at the size (it may reach past it).
            const std::size_t copy = std::min<std::size_t>(static_cast<std::size_t>(c - 255 + THRESHOLD), size - count);
            for (std::size_t k = 0; k < copy; ++k) {
                const std::uint8_t byte = ring[(start + static_cast<unsigned>(k)) & (N - 1)];
                out[count++] = byte;
                ring[r] = byte;
                r = (r + 1) & (N - 1);
            }
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
