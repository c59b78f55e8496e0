// ANSI / UTF-16 / UTF-8 conversions with loss reporting.
#include "text/wide_text.h"

#include <cstring>

#include "text/code_forms.h"
#include "text/codepage.h"
#include "text/platform.h"
#include "text/stand_ins.h"

namespace kx {

namespace {

// Every single- and double-byte code of the ANSI code page and every UTF-16 unit, converted once by
// the platform's own MultiByteToWideChar and WideCharToMultiByte. Converting through these tables
// gives the platform's results (default characters and loss included) without its per-call cost,
// which under Wine dominates reading and writing UTF-8 and UTF-16 files. A code whose conversion
// the tables cannot hold (a unit that is half of a surrogate pair, a code that gives other than one
// unit) is left to the platform together with the text around it.
struct ConversionTables {
    // ANSI to UTF-16 and to UTF-8: the form of every code (code_forms.h) from the platform's unit for
    // it, lossy when MB_ERR_INVALID_CHARS refuses it; left open when it gives other than one unit, and
    // for UTF-8 also when that unit is half of a surrogate pair. UTF-16 units in both byte orders.
    enum : uint8_t { kValid = 1, kOneUnit = 2 };
    FormTable utf16, utf16_swapped, utf8;
    // UTF-16 to ANSI, one entry per unit so that a unit costs one look-up: bits 0-15 the bytes (first
    // in the low half), bits 16-23 the length 1 or 2 (0 when left to the platform), bit 24 set when
    // the bytes give the same unit back.
    std::vector<uint32_t> unit_ansi;
    // The same with only the exact entries outside the user-defined area (see StandIns); every other
    // unit has length 0.
    std::vector<uint32_t> unit_ansi_exact;

    ConversionTables()
        : utf16(AnsiCodeCount()),
          utf16_swapped(AnsiCodeCount()),
          utf8(AnsiCodeCount()),
          unit_ansi(65536),
          unit_ansi_exact(65536) {
        const int16_t* rows = LeadRowTable();
        for (int b = 0; b < 256; ++b) {
            const char one = static_cast<char>(b);
            AddCode(static_cast<uint32_t>(b), &one, 1);
            if (rows[b] < 0) continue;
            for (int t = 0; t < 256; ++t) {
                const char two[2] = {one, static_cast<char>(t)};
                AddCode(256 + static_cast<uint32_t>(rows[b]) * 256 + static_cast<uint32_t>(t), two, 2);
            }
        }
        utf16.Seal(0);
        utf16_swapped.Seal(8);
        utf8.Seal(0);
        for (uint32_t u = 0; u < 65536; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF) continue;
            const wchar_t unit = static_cast<wchar_t>(u);
            char bytes[4];
            int m = platform::UnitsToAnsi(&unit, 1, bytes, sizeof bytes);
            if (m < 1 || m > 2) continue;
            wchar_t back[2];
            int k = platform::AnsiToUnits(bytes, m, back, 2, false);
            if (k < 1) continue;
            const uint32_t code = static_cast<unsigned char>(bytes[0]) |
                                  (m == 2 ? static_cast<uint32_t>(static_cast<unsigned char>(bytes[1])) << 8 : 0);
            const uint32_t exact = (k == 1 && back[0] == unit) ? 1 : 0;
            unit_ansi[u] = code | static_cast<uint32_t>(m) << 16 | exact << 24;
            // A reader that gives out stand-ins keeps only what its writer gives back unchanged: the
            // code must be valid (a writer refuses a code MB_ERR_INVALID_CHARS refuses) and outside
            // the user-defined area.
            const bool outside = m == 1 || StandIns::SlotOf(static_cast<unsigned char>(bytes[0]),
                                                            static_cast<unsigned char>(bytes[1])) < 0;
            if (exact && outside && platform::AnsiToUnits(bytes, m, back, 2, true) == 1)
                unit_ansi_exact[u] = unit_ansi[u];
        }
    }

    void AddCode(uint32_t index, const char* bytes, int n) {
        uint16_t unit;
        uint8_t flags;
        Decode(bytes, n, &unit, &flags);
        if (!(flags & kOneUnit)) return;
        const bool lossy = !(flags & kValid);
        utf16.forms[index] = MakeForm(unit, 1, lossy);
        utf16_swapped.forms[index] = MakeForm(static_cast<uint16_t>(unit >> 8 | unit << 8), 1, lossy);
        if (unit >= 0xD800 && unit <= 0xDFFF) return;
        const wchar_t w = static_cast<wchar_t>(unit);
        unsigned char u8[4];
        const int32_t m = WideToUtf8(&w, 1, reinterpret_cast<char*>(u8), sizeof u8);
        if (m < 1 || m > 3) return;
        const uint32_t output = u8[0] | (m > 1 ? u8[1] << 8 : 0) | (m > 2 ? u8[2] << 16 : 0);
        utf8.forms[index] = MakeForm(output, static_cast<uint32_t>(m), lossy);
    }

    static void Decode(const char* bytes, int n, uint16_t* unit, uint8_t* flags) {
        wchar_t out[4];
        int k = platform::AnsiToUnits(bytes, n, out, 4, false);
        *unit = k >= 1 ? static_cast<uint16_t>(out[0]) : 0;
        *flags = 0;
        if (k == 1) *flags |= kOneUnit;
        if (platform::AnsiToUnits(bytes, n, out, 4, true) > 0) *flags |= kValid;
    }
};

const ConversionTables& Tables() {
    static const ConversionTables tables;
    return tables;
}

int32_t WideToAnsiByPlatform(const wchar_t* units, uint32_t n, char* out, uint32_t capacity, bool* lost,
                             std::vector<wchar_t>* scratch) {
    int m = platform::UnitsToAnsi(units, static_cast<int>(n), out, static_cast<int>(capacity));
    if (m <= 0) return -1;
    // The conversion is exact only when the bytes give back the very same units: a default character,
    // a look-alike substitute or a lone surrogate does not.
    scratch->resize(n);
    int back = platform::AnsiToUnits(out, m, scratch->data(), static_cast<int>(n), false);
    if (back != static_cast<int>(n) || std::memcmp(scratch->data(), units, n * sizeof(wchar_t)) != 0) *lost = true;
    return m;
}

void AnsiToWideByPlatform(const char* text, uint32_t n, std::vector<wchar_t>* out, bool* lost) {
    out->resize(n);
    int k = platform::AnsiToUnits(text, static_cast<int>(n), out->data(), static_cast<int>(n), true);
    if (k <= 0) {
        *lost = true;
        k = platform::AnsiToUnits(text, static_cast<int>(n), out->data(), static_cast<int>(n), false);
        if (k < 0) k = 0;
    }
    out->resize(static_cast<size_t>(k));
}

}  // namespace

void PrepareConversionTables() { Tables(); }

const uint32_t* UnitAnsiTable() { return Tables().unit_ansi.data(); }

const uint32_t* ExactUnitAnsiTable() { return Tables().unit_ansi_exact.data(); }

int32_t WideToAnsi(const wchar_t* units, uint32_t n, char* out, uint32_t capacity, bool* lost,
                   std::vector<wchar_t>* scratch) {
    if (n == 0) return 0;
    const ConversionTables& t = Tables();
    uint32_t m = 0;
    bool inexact = false;
    const uint32_t* table = t.unit_ansi.data();
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t entry = table[static_cast<uint16_t>(units[i])];
        const uint32_t length = UnitAnsiLength(entry);
        if (length == 0) return WideToAnsiByPlatform(units, n, out, capacity, lost, scratch);
        if (m + length > capacity) return -1;
        out[m++] = static_cast<char>(entry & 0xFF);
        if (length == 2) out[m++] = static_cast<char>((entry >> 8) & 0xFF);
        if (!UnitAnsiExact(entry)) inexact = true;
    }
    if (inexact) *lost = true;
    return static_cast<int32_t>(m);
}

void AnsiToWide(const char* text, uint32_t n, std::vector<wchar_t>* out, bool* lost) {
    out->resize(n);
    if (n == 0) return;
    const int32_t k = EncodeByForms(Tables().utf16, text, n, out->data(), lost);
    if (k < 0) return AnsiToWideByPlatform(text, n, out, lost);
    out->resize(static_cast<size_t>(k));
}

const FormTable& Utf8Forms() { return Tables().utf8; }

const FormTable& Utf16Forms(bool big_endian) { return big_endian ? Tables().utf16_swapped : Tables().utf16; }

int32_t Utf8ToWide(const unsigned char* bytes, uint32_t n, wchar_t* out, uint32_t capacity) {
    // Well-formed sequences decode one way only; anything else is left to the platform's decoder,
    // whose replacement of broken sequences is its own.
    uint32_t k = 0;
    for (uint32_t i = 0; i < n;) {
        const unsigned char c = bytes[i];
        if (c < 0x80) {
            if (k >= capacity) return -1;
            out[k++] = c;
            ++i;
            continue;
        }
        const uint32_t length = static_cast<uint32_t>(Utf8SequenceLength(c));
        if (i + length > n || !IsUtf8Character(bytes + i, length)) {
            int m = platform::Utf8ToUnits(reinterpret_cast<const char*>(bytes), static_cast<int>(n), out,
                                          static_cast<int>(capacity));
            return m > 0 ? m : -1;
        }
        uint32_t cp = c & (0xFF >> (length + 1));
        for (uint32_t j = 1; j < length; ++j) cp = (cp << 6) | (bytes[i + j] & 0x3F);
        i += length;
        if (cp >= 0x10000) {
            if (k + 2 > capacity) return -1;
            cp -= 0x10000;
            out[k++] = static_cast<wchar_t>(0xD800 | (cp >> 10));
            out[k++] = static_cast<wchar_t>(0xDC00 | (cp & 0x3FF));
        } else {
            if (k >= capacity) return -1;
            out[k++] = static_cast<wchar_t>(cp);
        }
    }
    return static_cast<int32_t>(k);
}

int32_t WideToUtf8(const wchar_t* units, uint32_t n, char* out, uint32_t capacity) {
    uint32_t m = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t cp = static_cast<uint16_t>(units[i]);
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            const bool pair = cp <= 0xDBFF && i + 1 < n && static_cast<uint16_t>(units[i + 1]) >= 0xDC00 &&
                              static_cast<uint16_t>(units[i + 1]) <= 0xDFFF;
            if (!pair) {
                // A lone surrogate: the platform's own replacement.
                int r = platform::UnitsToUtf8(units, static_cast<int>(n), out, static_cast<int>(capacity));
                return r > 0 ? r : -1;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<uint16_t>(units[++i]) - 0xDC00);
        }
        const uint32_t length = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        if (m + length > capacity) return -1;
        if (length == 1) {
            out[m++] = static_cast<char>(cp);
            continue;
        }
        static const unsigned char kLead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
        out[m++] = static_cast<char>(kLead[length] | (cp >> (6 * (length - 1))));
        for (uint32_t j = length - 1; j > 0; --j) out[m++] = static_cast<char>(0x80 | ((cp >> (6 * (j - 1))) & 0x3F));
    }
    return static_cast<int32_t>(m);
}

uint32_t AnsiPrefix(const char* text, uint32_t n, uint32_t limit) {
    if (limit >= n) return n;
    return (LeadBytesBefore(text, limit) & 1) ? limit - 1 : limit;
}

}  // namespace kx
