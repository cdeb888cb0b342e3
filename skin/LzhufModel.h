// The LZHUF model shared by the skin archive's decoder and encoder: an adaptive Huffman tree over
// 314 symbols (256 literals and 58 match lengths) and the fixed code of a match position's upper
// six bits. Both sides must run exactly this code, or their trees drift apart.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace lzhuf {

constexpr int N = 4096;           // window
constexpr int F = 60;             // longest match
constexpr int THRESHOLD = 2;      // a match is longer than this
constexpr int N_CHAR = 256 - THRESHOLD + F;  // 314 symbols
constexpr int T = 2 * N_CHAR - 1; // 627 tree nodes
constexpr int R = T - 1;          // the root
constexpr unsigned MAX_FREQ = 0x8000;
constexpr int PREFILL = N - F;    // ring bytes filled with blanks before the first symbol

// The adaptive tree. Nodes sit in order of rising frequency; the children of an inner node are
// always a pair (2m, 2m + 1), so a node's parity is the bit that leads to it.
class THuffmanModel {
public:
    THuffmanModel() { Start(); }
    void Start();
    // Counts one more occurrence of `symbol` (0 .. N_CHAR - 1), re-balancing the tree.
    void Update(int symbol) { UpdateFrom(prnt[symbol + T]); }
    // The same from the node that holds the symbol's leaf (the decoder has just walked to it).
    void UpdateFrom(int node);

    std::array<std::uint16_t, T + 1> freq{};  // freq[T] is a 0xFFFF sentinel
    std::array<int, T + N_CHAR> prnt{};       // prnt[T + s] is the leaf of symbol s
    std::array<int, T> son{};                 // >= T: a leaf (T + symbol)

private:
    void Reconstruct();
};

// Position codes: the first byte of a position's code tells the upper six bits (`DCode`) and the
// code's total length in bits (`DLen`, 3 to 8, then 6 more bits follow verbatim).
struct TPositionTables {
    std::array<std::uint8_t, 256> DCode{};
    std::array<std::uint8_t, 256> DLen{};
    std::array<std::uint8_t, 64> PCode{};  // inverse: the code byte of upper bits u ...
    std::array<std::uint8_t, 64> PLen{};   // ... and its length
};
const TPositionTables& PositionTables();

inline void THuffmanModel::UpdateFrom(int node) {
    if (freq[R] == MAX_FREQ) {
        const int leaf = son[node];
        Reconstruct();
        node = prnt[leaf];
    }
    std::uint16_t* const f = freq.data();
    int* const parent = prnt.data();
    int* const child = son.data();
    int c = node;
    do {
        const unsigned k = ++f[c];
        if (k > f[c + 1]) {
            // The nodes above c are in rising order (freq[T] is the sentinel): l is the last one
            // still below k. Mostly it is c + 1.
            int l = c + 1;
            if (k > f[l + 1]) {
                // A run of equal counts: the next eight are counted at once, a longer run bisected.
                ++l;
                int below = 8;
                if (l + 8 <= T) {
                    below = 0;
                    for (int t = 1; t <= 8; ++t) below += f[l + t] < k ? 1 : 0;
                    l += below;
                }
                if (below == 8) {
                    const std::uint16_t* base = f + l + 1;
                    std::size_t n = static_cast<std::size_t>(T - l);
                    while (n > 1) {
                        const std::size_t half = n / 2;
                        base = base[half] < k ? base + half : base;
                        n -= half;
                    }
                    l = static_cast<int>(base - f) + (*base < k ? 1 : 0) - 1;
                }
            }
            f[c] = f[l];
            f[l] = static_cast<std::uint16_t>(k);

            const int i = child[c];
            parent[i] = l;
            if (i < T) parent[i + 1] = l;
            const int j = child[l];
            child[l] = i;
            parent[j] = c;
            if (j < T) parent[j + 1] = c;
            child[c] = j;
            c = l;
        }
        c = parent[c];
    } while (c != 0);
}

}  // namespace lzhuf
