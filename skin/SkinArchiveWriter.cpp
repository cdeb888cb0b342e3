#include "SkinArchiveWriter.h"

#include "LzhufModel.h"
#include "SkinArchiveFormat.h"

#include <algorithm>

#include <set>

using namespace lzhuf;

namespace {

class TBitOutput {
public:
    explicit TBitOutput(std::vector<std::uint8_t>& out) : out_(out) {}
    void Bit(unsigned bit) {
        current_ = static_cast<std::uint8_t>((current_ << 1) | (bit & 1));
        if (++count_ == 8) {
            out_.push_back(current_);
            current_ = 0;
            count_ = 0;
        }
    }
    void Bits(unsigned value, int count) {
        for (int i = count - 1; i >= 0; --i) Bit((value >> i) & 1);
    }
    void Flush() {
        while (count_ != 0) Bit(0);
    }

private:
    std::vector<std::uint8_t>& out_;
    std::uint8_t current_ = 0;
    int count_ = 0;
};

class TEncoder {
public:
    explicit TEncoder(std::vector<std::uint8_t>& out) : bits_(out) {}

    void Symbol(int symbol) {
        // The path from the leaf up to the root, emitted root first. Codes can grow past 16 bits
        // under skewed counts, so they are collected on a stack, not in a word.
        path_.clear();
        for (int k = model_.prnt[symbol + T]; k != R; k = model_.prnt[k]) path_.push_back(static_cast<std::uint8_t>(k & 1));
        for (auto it = path_.rbegin(); it != path_.rend(); ++it) bits_.Bit(*it);
        model_.Update(symbol);
    }
    void Position(unsigned position) {
        const TPositionTables& t = PositionTables();
        const unsigned upper = position >> 6;
        bits_.Bits(t.PCode[upper] >> (8 - t.PLen[upper]), t.PLen[upper]);
        bits_.Bits(position & 0x3F, 6);
    }
    void Finish() { bits_.Flush(); }

private:
    TBitOutput bits_;
    THuffmanModel model_;
    std::vector<std::uint8_t> path_;
};

void PutInt32(std::vector<std::uint8_t>& out, std::int64_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<std::uint8_t> LzhEncode(const std::vector<std::uint8_t>& data) {
    // The history the decoder sees: the blank pre-fill, then the data.
    std::vector<std::uint8_t> history(PREFILL, ' ');
    history.insert(history.end(), data.begin(), data.end());
    const std::size_t total = history.size();

    constexpr int HashBits = 15;
    constexpr std::size_t HashSize = std::size_t{1} << HashBits;
    constexpr int MaxChain = 48;
    constexpr std::size_t MaxDistance = N - F;
    std::vector<std::int64_t> head(HashSize, -1);
    std::vector<std::int64_t> prev(total, -1);
    auto hash = [&](std::size_t p) {
        return ((history[p] << 10) ^ (history[p + 1] << 5) ^ history[p + 2]) & (HashSize - 1);
    };
    auto insert = [&](std::size_t p) {
        if (p + 2 >= total) return;
        const std::size_t h = hash(p);
        prev[p] = head[h];
        head[h] = static_cast<std::int64_t>(p);
    };
    // The blanks may be matched from the first byte on.
    for (std::size_t p = 0; p < PREFILL; ++p) insert(p);

    std::vector<std::uint8_t> out;
    TEncoder encoder(out);
    std::size_t p = PREFILL;
    while (p < total) {
        std::size_t bestLength = 0;
        std::size_t bestDistance = 0;
        const std::size_t limit = std::min<std::size_t>(F, total - p);
        if (limit > THRESHOLD) {
            int chain = MaxChain;
            for (std::int64_t q = head[hash(p)]; q >= 0 && chain-- > 0; q = prev[static_cast<std::size_t>(q)]) {
                const std::size_t distance = p - static_cast<std::size_t>(q);
                if (distance > MaxDistance) break;
                std::size_t length = 0;
                while (length < limit && history[static_cast<std::size_t>(q) + length] == history[p + length]) ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = distance;
                    if (length == limit) break;
                }
            }
        }
        if (bestLength > THRESHOLD) {
            encoder.Symbol(static_cast<int>(255 - THRESHOLD + bestLength));
            encoder.Position(static_cast<unsigned>(bestDistance - 1));
            for (std::size_t k = 0; k < bestLength; ++k) insert(p + k);
            p += bestLength;
        } else {
            encoder.Symbol(history[p]);
            insert(p);
            ++p;
        }
    }
    encoder.Finish();
    return out;
}

std::vector<std::uint8_t> BuildSkinContainer(const std::vector<TSkinArchiveEntry>& entries) {
    if (entries.size() > static_cast<std::size_t>(SkinArchiveMaxEntries))
        throw EInvalidArgument("A skin archive holds at most 1001 entries");
    std::set<String> seen;
    int iniNames = 0;
    String names;
    for (const TSkinArchiveEntry& entry : entries) {
        const String& name = entry.Name;
        if (name.empty()) throw EInvalidArgument("A skin archive entry has no name");
        if (std::any_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) throw EInvalidArgument("The entry name " + name + " is not in lower case");
        if (name.find_first_of(String("\r\n\0", 3)) != String::npos)
            throw EInvalidArgument("The entry name " + name + " holds a line break or NUL");
        if (!seen.insert(name).second) throw EInvalidArgument("The entry name " + name + " is used twice");
        if (name.find(".ini") != String::npos) ++iniNames;
        if (!names.empty()) names += "\r\n";
        names += name;
    }
    if (iniNames != 1) throw EInvalidArgument("A skin archive needs exactly one entry whose name contains .ini");

    std::vector<std::uint8_t> out;
    PutInt32(out, SkinArchiveVersion);
    PutInt32(out, static_cast<std::int64_t>(names.size()));
    PutInt32(out, 0);
    PutInt32(out, 0);
    out.insert(out.end(), names.begin(), names.end());
    for (const TSkinArchiveEntry& entry : entries) PutInt32(out, static_cast<std::int64_t>(entry.Bytes.size()));
    for (const TSkinArchiveEntry& entry : entries) out.insert(out.end(), entry.Bytes.begin(), entry.Bytes.end());
    if (static_cast<std::int64_t>(out.size()) > SkinArchiveMaxSize) throw EInvalidArgument("The skin archive is too large");
    return out;
}

std::vector<std::uint8_t> PackSkinArchive(const std::vector<TSkinArchiveEntry>& entries) {
    const std::vector<std::uint8_t> container = BuildSkinContainer(entries);
    std::vector<std::uint8_t> out;
    PutInt32(out, static_cast<std::int64_t>(container.size()));
    const std::vector<std::uint8_t> stream = LzhEncode(container);
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}
