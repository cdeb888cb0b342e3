/* Prints GbkTable.inc: code page 936 as the host's iconv "CP936" converts it.
 *
 * Decoding: single bytes 0x00-0xFF and every lead 0x81-0xFE / trail 0x40-0xFE pair are decoded one
 * by one. Encoding: every BMP code point is encoded one by one, so characters that several codes
 * decode to get the code the converter itself picks. The output is a two-level table (high byte of
 * the code point -> page of 256 codes) so a lookup is two loads. Exits non-zero on anything the
 * table layout cannot express. Output is deterministic. */
#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { LeadFirst = 0x81, LeadLast = 0xFE, TrailFirst = 0x40, TrailLast = 0xFE };
enum { LeadCount = LeadLast - LeadFirst + 1, TrailCount = TrailLast - TrailFirst + 1 };

static unsigned short single_high[128];             /* 0x80-0xFF -> code point, 0 = none */
static unsigned short doubles[LeadCount][TrailCount]; /* 0 = none */
static unsigned short reverse[0x10000];               /* code point -> GBK code, 0 = none */

static void die(const char* what) {
    fprintf(stderr, "gbk_table_gen: %s\n", what);
    exit(1);
}

/* Decodes `len` CP936 bytes; returns the code point of a lone character, or -1. */
static long decode(iconv_t cd, const unsigned char* bytes, size_t len) {
    char in[4], out[16];
    memcpy(in, bytes, len);
    char* ip = in;
    char* op = out;
    size_t il = len, ol = sizeof out;
    iconv(cd, NULL, NULL, NULL, NULL);
    if (iconv(cd, &ip, &il, &op, &ol) == (size_t)-1 || il != 0)
        return -1;
    if (op - out != 4)
        return -1;
    const unsigned char* u = (const unsigned char*)out;
    return (long)u[0] | (long)u[1] << 8 | (long)u[2] << 16 | (long)u[3] << 24;
}

/* Encodes one code point; returns the GBK code (one or two bytes), or -1. */
static long encode(iconv_t cd, unsigned long cp) {
    unsigned char in[4] = {cp & 0xFF, (cp >> 8) & 0xFF, (cp >> 16) & 0xFF, (cp >> 24) & 0xFF};
    char out[16];
    char* ip = (char*)in;
    char* op = out;
    size_t il = 4, ol = sizeof out;
    iconv(cd, NULL, NULL, NULL, NULL);
    if (iconv(cd, &ip, &il, &op, &ol) == (size_t)-1 || il != 0)
        return -1;
    const unsigned char* b = (const unsigned char*)out;
    if (op - out == 1)
        return b[0];
    if (op - out == 2)
        return (long)b[0] << 8 | b[1];
    return -1;
}

static void print_u16_rows(const unsigned short* values, size_t count, const char* indent) {
    for (size_t i = 0; i < count; ++i) {
        if (i % 16 == 0)
            printf("%s", indent);
        printf("0x%04X,", values[i]);
        putchar(i % 16 == 15 || i + 1 == count ? '\n' : ' ');
    }
}

int main(void) {
    iconv_t dec = iconv_open("UTF-32LE", "CP936");
    iconv_t enc = iconv_open("CP936", "UTF-32LE");
    if (dec == (iconv_t)-1 || enc == (iconv_t)-1)
        die("the host iconv has no CP936 converter");

    for (unsigned b = 0; b < 0x100; ++b) {
        unsigned char byte = (unsigned char)b;
        long cp = decode(dec, &byte, 1);
        if (b < 0x80) {
            if (cp != (long)b)
                die("a byte below 0x80 does not decode to ASCII");
        } else if (b >= LeadFirst && b <= LeadLast) {
            if (cp >= 0)
                die("a lead byte decodes on its own");
        } else if (cp >= 0) {
            if (cp == 0 || cp > 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF))
                die("a single byte decodes outside the BMP");
            single_high[b - 0x80] = (unsigned short)cp;
        }
    }

    unsigned long double_count = 0;
    for (unsigned lead = LeadFirst; lead <= LeadLast; ++lead)
        for (unsigned trail = TrailFirst; trail <= TrailLast; ++trail) {
            unsigned char pair[2] = {(unsigned char)lead, (unsigned char)trail};
            long cp = decode(dec, pair, 2);
            if (cp < 0)
                continue;
            if (trail == 0x7F)
                die("trail byte 0x7F decodes");
            if (cp == 0 || cp > 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF))
                die("a double-byte code decodes outside the BMP");
            doubles[lead - LeadFirst][trail - TrailFirst] = (unsigned short)cp;
            ++double_count;
        }

    unsigned long reverse_count = 0;
    for (unsigned long cp = 0x80; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        long code = encode(enc, cp);
        if (code < 0)
            continue;
        if (code < 0x80 || (code < 0x100 && (code >= LeadFirst && code <= LeadLast)))
            die("a non-ASCII code point encodes to an ASCII byte or a lone lead byte");
        if (code >= 0x100 && ((code >> 8) < LeadFirst || (code & 0xFF) < TrailFirst ||
                              (code & 0xFF) > TrailLast))
            die("a code point encodes outside the double-byte ranges");
        reverse[cp] = (unsigned short)code;
        ++reverse_count;
    }
    for (unsigned long cp = 0x10000; cp <= 0x10FFFF; ++cp)
        if (encode(enc, cp) >= 0)
            die("a code point above the BMP encodes");
    iconv_close(dec);
    iconv_close(enc);

    /* Pages of the reverse map; page 0 is the empty page. */
    unsigned short page_index[256];
    unsigned page_count = 1;
    for (unsigned hi = 0; hi < 256; ++hi) {
        page_index[hi] = 0;
        for (unsigned lo = 0; lo < 256; ++lo)
            if (reverse[hi << 8 | lo]) {
                page_index[hi] = (unsigned short)page_count++;
                break;
            }
    }

    printf("// GbkTable.inc: code page 936 tables, generated at configure time by tools/gbk_table_gen.c\n"
           "// from the host's CP936 converter. Do not edit; not committed.\n"
           "// %lu double-byte codes decode; %lu non-ASCII code points encode.\n\n",
           double_count, reverse_count);
    printf("constexpr unsigned GbkLeadFirst = 0x%02X, GbkLeadLast = 0x%02X;\n", LeadFirst, LeadLast);
    printf("constexpr unsigned GbkTrailFirst = 0x%02X, GbkTrailLast = 0x%02X;\n\n", TrailFirst, TrailLast);

    printf("// Bytes 0x80-0xFF standing alone -> code point; 0 = not a character.\n");
    printf("constexpr char16_t GbkSingleHigh[128] = {\n");
    print_u16_rows(single_high, 128, "    ");
    printf("};\n\n");

    printf("// [lead - GbkLeadFirst][trail - GbkTrailFirst] -> code point; 0 = no character.\n");
    printf("constexpr char16_t GbkDouble[%d][%d] = {\n", LeadCount, TrailCount);
    for (unsigned l = 0; l < LeadCount; ++l) {
        printf("    {  // lead 0x%02X\n", l + LeadFirst);
        print_u16_rows(doubles[l], TrailCount, "        ");
        printf("    },\n");
    }
    printf("};\n\n");

    printf("// Code point >> 8 -> page of GbkPages; page 0 is empty.\n");
    printf("constexpr unsigned short GbkPageIndex[256] = {\n");
    print_u16_rows(page_index, 256, "    ");
    printf("};\n\n");

    printf("// [page][code point & 0xFF] -> GBK code (a value below 0x100 is one byte); 0 = none.\n");
    printf("constexpr unsigned short GbkPages[%u][256] = {\n", page_count);
    printf("    {},\n");
    for (unsigned hi = 0; hi < 256; ++hi) {
        if (!page_index[hi])
            continue;
        printf("    {  // U+%02X00\n", hi);
        print_u16_rows(&reverse[hi << 8], 256, "        ");
        printf("    },\n");
    }
    printf("};\n");
    if (fflush(stdout) != 0 || ferror(stdout))
        die("cannot write the output");
    return 0;
}
