#include "VCLDBIFStream.h"

#include "Encoding.h"

#include <cstring>
#include <limits>

namespace {

constexpr char kMagic[7] = {'V', 'C', 'L', 'D', 'B', 'I', 'F'};

[[noreturn]] void Invalid() { throw EVCLDBIFError(kInvalidVCLDBIFMessage); }

class TReader {
public:
    TReader(const void* data, std::size_t size) : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
    std::size_t Left() const { return size_ - pos_; }
    std::uint8_t Byte() {
        if (Left() < 1) Invalid();
        return data_[pos_++];
    }
    std::int32_t Int32() {
        if (Left() < 4) Invalid();
        const std::uint32_t v = std::uint32_t{data_[pos_]} | std::uint32_t{data_[pos_ + 1]} << 8 |
                                std::uint32_t{data_[pos_ + 2]} << 16 | std::uint32_t{data_[pos_ + 3]} << 24;
        pos_ += 4;
        return static_cast<std::int32_t>(v);
    }
    double Double() {
        if (Left() < 8) Invalid();
        double v;
        std::memcpy(&v, data_ + pos_, 8);
        pos_ += 8;
        return v;
    }
    std::string Bytes(std::size_t count) {
        if (Left() < count) Invalid();
        std::string v(reinterpret_cast<const char*>(data_ + pos_), count);
        pos_ += count;
        return v;
    }
    std::string UntilNul() {
        const void* end = std::memchr(data_ + pos_, 0, Left());
        if (!end) Invalid();
        const std::size_t n = static_cast<const std::uint8_t*>(end) - (data_ + pos_);
        std::string v = Bytes(n);
        ++pos_;
        return v;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void Put(TStream* stream, const void* data, std::size_t count) {
    stream->WriteBuffer(data, static_cast<std::int64_t>(count));
}

void PutInt32(TStream* stream, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    Put(stream, bytes, 4);
}

}  // namespace

TVCLDBIFData ReadVCLDBIF(const void* data, std::size_t size) {
    TReader in(data, size);
    if (in.Left() < 12) Invalid();
    if (in.Bytes(7) != std::string(kMagic, 7)) Invalid();
    in.Byte();  // the version is not checked
    const std::int32_t count = in.Int32();
    TVCLDBIFData result;
    if (count == 0) {
        if (in.Byte() != vtEnd) Invalid();
        return result;
    }
    if (count < 0 || count > kMaxVCLDBIFColumns) Invalid();
    for (std::int32_t i = 0; i < count; ++i) {
        TVCLDBIFColumn column;
        column.Visible = in.Byte() != 0;
        column.Name = GbkToUtf8(in.UntilNul());
        result.Columns.push_back(std::move(column));
    }
    bool ended = false;
    while (!ended) {
        std::vector<Variant> row;
        for (std::int32_t i = 0; i < count; ++i) {
            if (ended) {
                row.emplace_back();
                continue;
            }
            const std::uint8_t tag = in.Byte();
            switch (tag) {
            case vtEnd:
                ended = true;
                if (i == 0) break;
                row.emplace_back();
                continue;
            case vtNull:
                row.push_back(Null());
                break;
            case vtInteger:
                row.emplace_back(in.Int32());
                break;
            case vtFloat:
                row.emplace_back(in.Double());
                break;
            case vtString:
            case vtBinary: {
                const std::int32_t length = in.Int32();
                if (length < 0) Invalid();
                row.emplace_back(GbkToUtf8(in.Bytes(static_cast<std::size_t>(length))));
                break;
            }
            default:  // vtUnassigned and unknown tags: no value
                row.emplace_back();
                break;
            }
            if (ended) break;
        }
        if (!row.empty()) result.Rows.push_back(std::move(row));
    }
    return result;
}

void WriteVCLDBIFHeader(TStream* stream, const std::vector<bool>& visible) {
    Put(stream, kMagic, 7);
    const std::uint8_t version = 1;
    Put(stream, &version, 1);
    PutInt32(stream, static_cast<std::int32_t>(visible.size()));
    for (bool v : visible) {
        const std::uint8_t descriptor[2] = {static_cast<std::uint8_t>(v ? 1 : 0), 0};
        Put(stream, descriptor, 2);
    }
}

void WriteVCLDBIFEmpty(TStream* stream, TVCLDBIFTag tag) {
    const auto byte = static_cast<std::uint8_t>(tag);
    Put(stream, &byte, 1);
}

void WriteVCLDBIFInteger(TStream* stream, std::int32_t value) {
    WriteVCLDBIFEmpty(stream, vtInteger);
    PutInt32(stream, value);
}

void WriteVCLDBIFFloat(TStream* stream, double value) {
    WriteVCLDBIFEmpty(stream, vtFloat);
    Put(stream, &value, 8);
}

void WriteVCLDBIFBytes(TStream* stream, TVCLDBIFTag tag, const std::string& bytes) {
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw EVCLDBIFError("A value is too long for the interchange stream.");
    WriteVCLDBIFEmpty(stream, tag);
    PutInt32(stream, static_cast<std::int32_t>(bytes.size()));
    Put(stream, bytes.data(), bytes.size());
}
