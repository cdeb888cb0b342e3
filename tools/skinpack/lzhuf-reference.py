#!/usr/bin/env python3
"""An independent LZHUF coder (adaptive Huffman + LZSS, 4096-byte window, matches of 3 to 60
bytes, positions coded by the classic 6-bit prefix table), written from the algorithm's public
description. It only produces the cross-check fixture that the C++ decoder must read back:

    lzhuf-reference.py OUT_DATA OUT_ARCHIVE

OUT_DATA gets 48,000 bytes of mixed content (pseudo-random bytes, text and runs); OUT_ARCHIVE gets
the int32 size followed by this script's LZHUF stream of them. The script decodes its own output
again before writing anything."""
import struct
import sys

N, F, THRESHOLD = 4096, 60, 2
N_CHAR = 256 - THRESHOLD + F
T = 2 * N_CHAR - 1
R = T - 1
MAX_FREQ = 0x8000

# Position prefix code: (number of upper-bit values, code length in bits).
GROUPS = [(1, 3), (3, 4), (8, 5), (12, 6), (24, 7), (16, 8)]


def prefix_tables():
    d_code, d_len, p_code, p_len = [0] * 256, [0] * 256, [0] * 64, [0] * 64
    code = upper = 0
    for count, length in GROUPS:
        for _ in range(count):
            p_code[upper], p_len[upper] = code, length
            for _ in range(1 << (8 - length)):
                d_code[code], d_len[code] = upper, length
                code += 1
            upper += 1
    return d_code, d_len, p_code, p_len


D_CODE, D_LEN, P_CODE, P_LEN = prefix_tables()


class Tree:
    def __init__(self):
        self.freq = [0] * (T + 1)
        self.parent = [0] * (T + N_CHAR)
        self.child = [0] * T
        for i in range(N_CHAR):
            self.freq[i] = 1
            self.child[i] = i + T
            self.parent[i + T] = i
        i = 0
        for j in range(N_CHAR, T):
            self.freq[j] = self.freq[i] + self.freq[i + 1]
            self.child[j] = i
            self.parent[i] = self.parent[i + 1] = j
            i += 2
        self.freq[T] = 0xFFFF
        self.parent[R] = 0

    def rebuild(self):
        freq, child = self.freq, self.child
        leaves = [(freq[i], child[i]) for i in range(T) if child[i] >= T]
        nodes_f = [(f + 1) // 2 for f, _ in leaves]
        nodes_c = [c for _, c in leaves]
        i = 0
        for j in range(N_CHAR, T):
            f = nodes_f[i] + nodes_f[i + 1]
            k = j - 1
            while f < nodes_f[k]:
                k -= 1
            k += 1
            nodes_f.insert(k, f)
            nodes_c.insert(k, i)
            i += 2
        self.freq = nodes_f + [0xFFFF]
        self.child = nodes_c
        for k in range(T):
            c = self.child[k]
            self.parent[c] = k
            if c < T:
                self.parent[c + 1] = k

    def update(self, symbol):
        if self.freq[R] == MAX_FREQ:
            self.rebuild()
        freq, child, parent = self.freq, self.child, self.parent
        c = parent[symbol + T]
        while True:
            freq[c] += 1
            k = freq[c]
            l = c + 1
            if k > freq[l]:
                while k > freq[l]:
                    l += 1
                l -= 1
                freq[c], freq[l] = freq[l], k
                a, b = child[c], child[l]
                parent[a] = l
                if a < T:
                    parent[a + 1] = l
                parent[b] = c
                if b < T:
                    parent[b + 1] = c
                child[c], child[l] = b, a
                c = l
            c = parent[c]
            if c == 0:
                break


class BitWriter:
    def __init__(self):
        self.out, self.acc, self.n = bytearray(), 0, 0

    def put(self, value, count):
        for i in range(count - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc = self.n = 0

    def flush(self):
        while self.n:
            self.put(0, 1)
        return bytes(self.out)


class BitReader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def bit(self):
        byte = self.data[self.pos >> 3] if (self.pos >> 3) < len(self.data) else 0
        b = (byte >> (7 - (self.pos & 7))) & 1
        self.pos += 1
        return b

    def bits(self, count):
        v = 0
        for _ in range(count):
            v = (v << 1) | self.bit()
        return v


def encode(data):
    tree, w = Tree(), BitWriter()
    history = b" " * (N - F) + data
    pos = N - F
    # Last positions of each 3-byte string (a small dictionary; quality does not matter here).
    last = {}
    for p in range(0, N - F - 2):
        last[history[p:p + 3]] = p

    def symbol(s):
        bits, k = [], tree.parent[s + T]
        while k != R:
            bits.append(k & 1)
            k = tree.parent[k]
        for b in reversed(bits):
            w.put(b, 1)
        tree.update(s)

    while pos < len(history):
        length, distance = 0, 0
        key = history[pos:pos + 3]
        q = last.get(key)
        if q is not None and len(key) == 3 and pos - q <= N - F:
            limit = min(F, len(history) - pos)
            while length < limit and history[q + length] == history[pos + length]:
                length += 1
            distance = pos - q
        if length > THRESHOLD:
            symbol(255 - THRESHOLD + length)
            p = distance - 1
            upper = p >> 6
            w.put(P_CODE[upper] >> (8 - P_LEN[upper]), P_LEN[upper])
            w.put(p & 0x3F, 6)
            step = length
        else:
            symbol(history[pos])
            step = 1
        for k in range(step):
            if pos + k + 3 <= len(history):
                last[history[pos + k:pos + k + 3]] = pos + k
        pos += step
    return w.flush()


def decode(stream, size):
    tree, r = Tree(), BitReader(stream)
    ring = bytearray(b" " * (N - F) + b"\0" * F)
    at, out = N - F, bytearray()
    while len(out) < size:
        c = tree.child[R]
        while c < T:
            c = tree.child[c + r.bit()]
        c -= T
        tree.update(c)
        if c < 256:
            out.append(c)
            ring[at] = c
            at = (at + 1) & (N - 1)
        else:
            i = r.bits(8)
            upper = D_CODE[i] << 6
            for _ in range(D_LEN[i] - 2):
                i = ((i << 1) | r.bit()) & 0xFFFF
            p = upper | (i & 0x3F)
            start = (at - p - 1) & (N - 1)
            for k in range(c - 255 + THRESHOLD):
                byte = ring[(start + k) & (N - 1)]
                out.append(byte)
                ring[at] = byte
                at = (at + 1) & (N - 1)
    return bytes(out[:size])


def sample():
    # xorshift32 bytes, a passage of text repeated with changes, and runs.
    x, out = 2463534242, bytearray()
    def rnd():
        nonlocal x
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        return x
    text = b"Vestrel keeps contact cards: name, company, phone, address. "
    while len(out) < 48000:
        kind = rnd() % 6
        if kind in (0, 4, 5):
            out += bytes(rnd() & 0xFF for _ in range(rnd() % 700))
        elif kind == 1:
            out += text[: rnd() % len(text)] + bytes([rnd() & 0x7F])
        elif kind == 2:
            out += bytes([rnd() & 0xFF]) * (rnd() % 300)
        else:
            n = len(out)
            if n > 10:
                s = rnd() % n
                out += out[s:s + rnd() % 200]
    return bytes(out[:48000])


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    data = sample()
    stream = encode(data)
    if decode(stream, len(data)) != data:
        sys.exit("lzhuf-reference: the stream does not decode to its data")
    with open(sys.argv[1], "wb") as f:
        f.write(data)
    with open(sys.argv[2], "wb") as f:
        f.write(struct.pack("<i", len(data)) + stream)


if __name__ == "__main__":
    main()
