// Writing skin archives: the LZHUF encoder (on the decoder's model) and the container packer.
// The program itself only reads archives; the skin tools write them.
#pragma once

#include "SysUtils.h"

#include <cstdint>
#include <vector>

struct TSkinArchiveEntry {
    String Name;  // lower-case file name with extension, e.g. "buttons.bmp"
    std::vector<std::uint8_t> Bytes;
};

// The LZHUF stream of `data` (without the leading size); a greedy matcher over the 4096-byte window.
std::vector<std::uint8_t> LzhEncode(const std::vector<std::uint8_t>& data);

// The container of `entries` (version mark, names joined by CR LF, sizes, bytes). Raises
// EInvalidArgument unless every name is non-empty, lower-case, unique, free of CR, LF and NUL, and
// exactly one name contains ".ini"; and at most 1001 entries.
std::vector<std::uint8_t> BuildSkinContainer(const std::vector<TSkinArchiveEntry>& entries);

// A whole archive file: the container's size, then its LZHUF stream.
std::vector<std::uint8_t> PackSkinArchive(const std::vector<TSkinArchiveEntry>& entries);
