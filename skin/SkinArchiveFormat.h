// Limits of the skin archive's container, shared by the reader and the writer.
#pragma once

#include <cstdint>

constexpr std::int32_t SkinArchiveVersion = 20000;
constexpr int SkinArchiveMaxEntries = 1001;
// The largest container the reader accepts (skins are a few hundred kilobytes).
constexpr std::int64_t SkinArchiveMaxSize = 64 * 1024 * 1024;
