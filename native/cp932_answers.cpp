// Writes the platform's own answers for code page 932, which the native build of the window-free
// core converts by (text/platform_native.cpp): run once under Wine by scripts/native-test.sh.
//   cp932_answers.exe <output file>
// The file, little-endian throughout:
//   "KXCP932 1\n"
//   256 bytes       1 where IsDBCSLeadByteEx(932) says the byte leads a double-byte character
//   65536 x 6 bytes MultiByteToWideChar(932) of each code: index b < 256 the single byte b, index
//                   lead * 256 + trail the pair (zero for a first byte that is no lead byte):
//                   count of units without flags (0-2), 1 when MB_ERR_INVALID_CHARS accepts it too,
//                   then two UTF-16 units
//   65536 x 4 bytes WideCharToMultiByte(932) of each UTF-16 unit alone: byte count (0-2), the bytes, 0
//   samples         uint32 count, then each: kind (0 ANSI to UTF-16, 1 the same strictly, 2 UTF-16
//                   to ANSI, 3 UTF-8 to UTF-16, 4 UTF-16 to UTF-8), uint16 input length, the input
//                   (bytes, or UTF-16 units), int32 answer, the output (answer bytes or units)
// The samples are whole texts mixing valid and broken sequences, so that the native conversion of a
// text, built from the per-code answers, is checked against the platform's conversion of it.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const UINT kCodePage = 932;

std::vector<unsigned char> out;

void Put8(uint32_t v) { out.push_back(static_cast<unsigned char>(v)); }
void Put16(uint32_t v) {
    Put8(v & 0xFF);
    Put8((v >> 8) & 0xFF);
}
void Put32(uint32_t v) {
    Put16(v & 0xFFFF);
    Put16(v >> 16);
}

uint32_t state = 0x2545F491u;
uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

void PutCode(const char* bytes, int n) {
    WCHAR units[4] = {0, 0, 0, 0};
    int k = MultiByteToWideChar(kCodePage, 0, bytes, n, units, 4);
    WCHAR strict[4];
    int s = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, n, strict, 4);
    if (k < 0 || k > 2) k = 0;
    Put8(static_cast<uint32_t>(k));
    Put8(s > 0 ? 1 : 0);
    Put16(k >= 1 ? units[0] : 0);
    Put16(k >= 2 ? units[1] : 0);
}

// Bytes a broken or valid ANSI text is made of.
unsigned char AnsiByte() {
    static const unsigned char kPool[] = {'a',  'Z',  '0',  ' ',  '\r', '\n', 0x00, 0x7F, 0x80, 0x81, 0x82, 0x88,
                                          0x9F, 0xA0, 0xA1, 0xDF, 0xE0, 0xEA, 0xED, 0xEE, 0xF0, 0xF9, 0xFA, 0xFC,
                                          0xFD, 0xFE, 0xFF, 0x40, 0x7E, 0x9E, 0xA0, 0xFC, 0x3F, 0x5C};
    if (Next() % 3 == 0) return static_cast<unsigned char>(Next());
    return kPool[Next() % sizeof kPool];
}

WCHAR Unit() {
    switch (Next() % 6) {
        case 0:
            return static_cast<WCHAR>('A' + Next() % 26);
        case 1:
            return static_cast<WCHAR>(0xD800 + Next() % 0x800);  // halves of pairs, paired or not
        case 2:
            return static_cast<WCHAR>(0x3000 + Next() % 0x7000);
        case 3:
            return static_cast<WCHAR>(0xE000 + Next() % 0x2000);
        default:
            return static_cast<WCHAR>(Next());
    }
}

unsigned char Utf8Byte() {
    static const unsigned char kPool[] = {'a',  0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2,
                                          0xDF, 0xE0, 0xE3, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xF8, 0xFC, 0xFE, 0xFF};
    if (Next() % 4 == 0) return static_cast<unsigned char>(Next());
    return kPool[Next() % sizeof kPool];
}

void PutSamples() {
    const uint32_t kPerKind = 4000;
    Put32(5 * kPerKind);
    for (uint32_t kind = 0; kind < 5; ++kind) {
        for (uint32_t i = 0; i < kPerKind; ++i) {
            const int n = 1 + static_cast<int>(Next() % 12);
            char bytes[16];
            WCHAR units[16];
            WCHAR wide_out[64];
            char byte_out[64];
            int r = 0;
            Put8(kind);
            Put16(static_cast<uint32_t>(n));
            if (kind == 0 || kind == 1 || kind == 3) {
                for (int j = 0; j < n; ++j) {
                    bytes[j] = static_cast<char>(kind == 3 ? Utf8Byte() : AnsiByte());
                    Put8(static_cast<unsigned char>(bytes[j]));
                }
                const UINT page = kind == 3 ? CP_UTF8 : kCodePage;
                r = MultiByteToWideChar(page, kind == 1 ? MB_ERR_INVALID_CHARS : 0, bytes, n, wide_out, 64);
                Put32(static_cast<uint32_t>(r));
                for (int j = 0; j < r; ++j) Put16(wide_out[j]);
            } else {
                for (int j = 0; j < n; ++j) {
                    units[j] = Unit();
                    Put16(units[j]);
                }
                r = WideCharToMultiByte(kind == 4 ? CP_UTF8 : kCodePage, 0, units, n, byte_out, 64, nullptr, nullptr);
                Put32(static_cast<uint32_t>(r));
                for (int j = 0; j < r; ++j) Put8(static_cast<unsigned char>(byte_out[j]));
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cp932_answers <output file>\n");
        return 2;
    }
    if (!IsValidCodePage(kCodePage)) {
        std::fprintf(stderr, "cp932_answers: code page 932 is not installed\n");
        return 1;
    }
    const char kMagic[] = "KXCP932 1\n";
    for (const char* p = kMagic; *p; ++p) Put8(static_cast<unsigned char>(*p));
    for (int b = 0; b < 256; ++b) Put8(IsDBCSLeadByteEx(kCodePage, static_cast<BYTE>(b)) ? 1 : 0);
    for (uint32_t index = 0; index < 65536; ++index) {
        const unsigned char first = static_cast<unsigned char>(index >> 8);
        const char bytes[2] = {static_cast<char>(index < 256 ? index : first), static_cast<char>(index & 0xFF)};
        if (index < 256) {
            PutCode(bytes, 1);
        } else if (IsDBCSLeadByteEx(kCodePage, first)) {
            PutCode(bytes, 2);
        } else {
            for (int z = 0; z < 6; ++z) Put8(0);
        }
    }
    for (uint32_t u = 0; u < 65536; ++u) {
        const WCHAR unit = static_cast<WCHAR>(u);
        char bytes[8] = {0, 0};
        int m = WideCharToMultiByte(kCodePage, 0, &unit, 1, bytes, sizeof bytes, nullptr, nullptr);
        if (m < 0 || m > 2) m = 0;
        Put8(static_cast<uint32_t>(m));
        Put8(static_cast<unsigned char>(bytes[0]));
        Put8(m == 2 ? static_cast<unsigned char>(bytes[1]) : 0);
        Put8(0);
    }
    PutSamples();
    FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "cp932_answers: cannot create %s\n", argv[1]);
        return 1;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "cp932_answers: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
