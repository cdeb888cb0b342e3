// The LZHUF model shared by the skin archive's decoder and encoder: an adaptive Huffman tree over
// 314 symbols (256 literals and 58 match lengths) and the fixed code of a match position's upper
// six bits. Both sides must run exactly this code, or their trees drift apart.
#pragma once

#include <array>
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
    void Update(int symbol);

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

}  // namespace lzhuf
