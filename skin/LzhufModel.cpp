#include "LzhufModel.h"

#include <algorithm>
#include <cstring>

namespace lzhuf {

void THuffmanModel::Start() {
    for (int i = 0; i < N_CHAR; ++i) {
        freq[i] = 1;
        son[i] = i + T;
        prnt[i + T] = i;
    }
    for (int i = 0, j = N_CHAR; j <= R; i += 2, ++j) {
        freq[j] = static_cast<std::uint16_t>(freq[i] + freq[i + 1]);
        son[j] = i;
        prnt[i] = prnt[i + 1] = j;
    }
    freq[T] = 0xFFFF;
    prnt[R] = 0;
}

// Halves every leaf's count and builds the inner nodes again in order of frequency.
void THuffmanModel::Reconstruct() {
    int j = 0;
    for (int i = 0; i < T; ++i) {
        if (son[i] >= T) {
            freq[j] = static_cast<std::uint16_t>((freq[i] + 1) / 2);
            son[j] = son[i];
            ++j;
        }
    }
    for (int i = 0, n = N_CHAR; n < T; i += 2, ++n) {
        const unsigned f = static_cast<unsigned>(freq[i]) + freq[i + 1];
        int k = n - 1;
        while (k >= 0 && f < freq[k]) --k;
        ++k;
        std::memmove(&freq[k + 1], &freq[k], static_cast<std::size_t>(n - k) * sizeof(freq[0]));
        std::memmove(&son[k + 1], &son[k], static_cast<std::size_t>(n - k) * sizeof(son[0]));
        freq[k] = static_cast<std::uint16_t>(f);
        son[k] = i;
    }
    for (int i = 0; i < T; ++i) {
        const int k = son[i];
        if (k >= T) {
            prnt[k] = i;
        } else {
            prnt[k] = prnt[k + 1] = i;
        }
    }
}

namespace {

TPositionTables BuildTables() {
    // Groups of upper-bit values by code length: 1 value of 3 bits, 3 of 4, 8 of 5, 12 of 6,
    // 24 of 7 and 16 of 8. A value of length L owns 2^(8-L) first bytes.
    struct TGroup { int values; int length; };
    constexpr TGroup groups[] = {{1, 3}, {3, 4}, {8, 5}, {12, 6}, {24, 7}, {16, 8}};
    TPositionTables t;
    int code = 0;
    int upper = 0;
    for (const TGroup& g : groups) {
        for (int v = 0; v < g.values; ++v, ++upper) {
            const int span = 1 << (8 - g.length);
            t.PCode[upper] = static_cast<std::uint8_t>(code);
            t.PLen[upper] = static_cast<std::uint8_t>(g.length);
            for (int b = 0; b < span; ++b, ++code) {
                t.DCode[code] = static_cast<std::uint8_t>(upper);
                t.DLen[code] = static_cast<std::uint8_t>(g.length);
            }
        }
    }
    return t;
}

}  // namespace

const TPositionTables& PositionTables() {
    static const TPositionTables tables = BuildTables();
    return tables;
}

}  // namespace lzhuf
