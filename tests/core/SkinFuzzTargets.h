// The work of the skin fuzzers, shared by the libFuzzer entries and the corpus replay test: each
// feeds one input to the decoder, the archive reader or the ini reader. A refusal is a correct
// answer; a crash, a hang or unbounded memory is not.
#pragma once

#include <cstddef>
#include <cstdint>

// The input is a raw LZHUF stream; the first two bytes choose how many bytes to decode.
void FuzzSkinDecoder(const std::uint8_t* data, std::size_t size);
// The input is a container, packed into an archive before reading, so that the container checks
// are reached; every entry found is then fetched by name and by part.
void FuzzSkinContainer(const std::uint8_t* data, std::size_t size);
// The input is a whole archive file.
void FuzzSkinArchive(const std::uint8_t* data, std::size_t size);
// The input is an ini text; a few lookups run over it.
void FuzzSkinIni(const std::uint8_t* data, std::size_t size);
