// The skin archive: an int32 container size followed by an LZHUF stream of the container, which
// holds a version mark, a list of entry names, their sizes and the entries' bytes.
//
// Classes in this file:
//   ElzhException  failures of the decoder
//   TLZH           the LZHUF decoder
//   TSkinReader    unpacks an archive and hands out its entries by name
//
// The decoder refuses what a damaged file would otherwise turn into unbounded work: a container
// size out of range or beyond what the stream could produce, and a stream that runs out before the
// container is complete. The reader checks every size and offset of the container.
#pragma once

#include "Lists.h"
#include "SkinArchiveFormat.h"
#include "Streams.h"
#include "SysUtils.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

VESTREL_EXCEPTION(ElzhException, Exception);


class TLZH : public TObject {
    VESTREL_CLASS(TLZH, TObject)
public:
    // Decodes from `input` until `size` bytes are out and leaves exactly those in `output`.
    // Answers false when the stream ends before that (missing bits would read as zeros).
    bool Decode(const std::uint8_t* input, std::size_t length, std::size_t size, std::vector<std::uint8_t>& output);
};

class TSkinReader : public TObject {
    VESTREL_CLASS(TSkinReader, TObject)
public:
    TSkinReader();
    ~TSkinReader() override;

    // Unpacks the archive in `stream` and indexes it. False for a damaged archive (nothing said)
    // and for another version mark (the older-skin message is shown); the reader is then unchanged.
    bool LoadSkin(TStream* stream);
    // Decodes the archive in `source` (from its start) into `dest`; false when it is damaged.
    bool Decompress(TStream* source, TStream* dest);
    // Copies the entry called `name` (compared lower-cased) into `stream`; empty when none is.
    void GetEntry(const String& name, TStream* stream);
    // Copies the first entry whose name contains `part` into `stream` and sets `fullName`;
    // no match leaves `stream` empty and `fullName` as it was.
    void FindEntry(const String& part, TStream* stream, String& fullName);

    TStringList* Names;  // lower-cased, in archive order
    int Count = 0;
    std::vector<std::int32_t> Sizes;
    TMemoryStream* Data;  // the entries' bytes, back to back
    std::array<std::int32_t, 4> Header{};
    // Set when the last LoadSkin refused another version mark (and said so).
    bool OlderVersion = false;

private:
    void CopyEntry(int index, TStream* stream);
};

// The text shown when an archive has another version mark, and the seam that shows it (a message
// box in the program; tests replace it). Answers the previous handler.
extern const char* const SkinOlderFileMessage;
using TSkinMessageHandler = std::function<void(const String& text)>;
TSkinMessageHandler SetSkinMessageHandler(TSkinMessageHandler handler);
bool SkinMessageHandlerSet();
// Shows `text` through the handler (nothing when none is set).
void ShowSkinMessage(const String& text);
