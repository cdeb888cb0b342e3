// The grid's interchange stream "VCLDBIF" (little-endian): the magic "VCLDBIF", version 1, an int32
// column count N, N column descriptors (a visible flag byte and a NUL-ended name), then N cells per
// row, each a tag byte and its value, and the end mark (tag 0). It keeps value types and nulls.
//
// Tags: 0 end, 1 unassigned, 2 null, 3 int32, 4 double, 5 text, 6 binary (5 and 6: int32 length and
// that many bytes). Text travels in the system's ANSI code page (GBK).
#pragma once

#include "Streams.h"
#include "Variant.h"

#include <cstdint>
#include <vector>

VESTREL_EXCEPTION(EVCLDBIFError, Exception);

// The message of every refusal.
inline constexpr const char* kInvalidVCLDBIFMessage = "TDBGridEhImportAsVCLDBIF.ReadPrefix: Invalid VCLDBIF format";

// The most columns a stream may declare.
inline constexpr int kMaxVCLDBIFColumns = 65535;

enum TVCLDBIFTag : std::uint8_t {
    vtEnd = 0, vtUnassigned = 1, vtNull = 2, vtInteger = 3, vtFloat = 4, vtString = 5, vtBinary = 6
};

struct TVCLDBIFColumn {
    bool Visible = true;
    String Name;
};

// A whole stream as read: an Empty variant is an unassigned cell (no value), Null a null one; the
// texts of tags 5 and 6 come as strings.
struct TVCLDBIFData {
    std::vector<TVCLDBIFColumn> Columns;
    std::vector<std::vector<Variant>> Rows;
};

// Reads and checks a whole stream before anything of it is used. Raises EVCLDBIFError
// (kInvalidVCLDBIFMessage) for a stream that is too short, has another magic, declares a column
// count outside 1..65535 (0 only directly followed by the end mark), ends inside a descriptor or a
// value, gives a length that is negative or longer than what is left, or has no end mark. An unknown
// tag is an unassigned cell without payload. An end mark inside a row ends it (its remaining cells
// unassigned); bytes after the end mark are ignored.
TVCLDBIFData ReadVCLDBIF(const void* data, std::size_t size);

// Writing: the header with a descriptor (empty name) per column, one cell, the end mark.
void WriteVCLDBIFHeader(TStream* stream, const std::vector<bool>& visible);
void WriteVCLDBIFEmpty(TStream* stream, TVCLDBIFTag tag);  // vtEnd, vtUnassigned or vtNull
void WriteVCLDBIFInteger(TStream* stream, std::int32_t value);
void WriteVCLDBIFFloat(TStream* stream, double value);
void WriteVCLDBIFBytes(TStream* stream, TVCLDBIFTag tag, const std::string& bytes);  // vtString or vtBinary
