// Per-code output tables of the ANSI code page and the walk that encodes text through one: the fast
// path of the writers and of the conversion to UTF-16, one table look-up per character.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "text/codepage.h"

namespace kx {

// A form table holds one entry per ANSI code (see AnsiCodeCount): bits 0-23 what the code becomes,
// up to three bytes (the first in the lowest byte) or one 16-bit unit; bits 24-25 how many bytes or
// units that is, 0 when the table cannot tell (the text around the code then takes another way);
// bit 26 set when the code has no exact form there (a substitute stands in for it).
const uint32_t kFormLossy = 1u << 26;

inline uint32_t MakeForm(uint32_t output, uint32_t count, bool lossy) {
    return output | count << 24 | (lossy ? kFormLossy : 0);
}

struct FormTable {
    explicit FormTable(uint32_t codes) : forms(codes) {}

    // Once the forms are filled in: sets ascii_shift to shift (0, or 8 for byte-swapped 16-bit units)
    // when every byte below 0x80 is a character of its own whose exact form is that byte shifted so.
    void Seal(int shift) {
        const int16_t* rows = LeadRowTable();
        ascii_shift = shift;
        for (uint32_t b = 0; b < 0x80; ++b)
            if (rows[b] >= 0 || forms[b] != MakeForm(b << shift, 1, false)) ascii_shift = -1;
    }

    std::vector<uint32_t> forms;
    // Where not -1, runs of bytes below 0x80 are copied (as units, shifted by it) rather than looked up.
    int ascii_shift = -1;
};

// Length of the runs of bytes that ForEachAnsiCode offers to be taken at once.
const uint32_t kAsciiRun = 16;

// True when all kAsciiRun bytes at run are below 0x80.
inline bool IsAsciiRun(const unsigned char* run) {
    uint64_t any = 0;
    for (uint32_t k = 0; k < kAsciiRun; k += 8) {
        uint64_t word;
        std::memcpy(&word, run + k, 8);
        any |= word;
    }
    return (any & 0x8080808080808080ull) == 0;
}

// The bytes of an ASCII run as 16-bit units, shifted left by shift. (A call of its own: inlined, its
// vector code crowds the walk's registers.)
template <typename Unit> __attribute__((noinline)) void WidenAsciiRun(const unsigned char* run, int shift, Unit* out) {
    for (uint32_t k = 0; k < kAsciiRun; ++k) out[k] = static_cast<Unit>(run[k] << shift);
}

// Calls take(index) for each code of text[0..n) in turn, index as AnsiCodeCount numbers them: a lead
// byte is taken with the byte after it, whatever that is, and any other byte, a lead byte standing
// last included, alone. Block by block of kAsciiRun bytes, take_run(bytes) is first offered the
// whole block, which it may take at once (answering true) when all its bytes are characters of
// their own below 0x80 (a form table with an ascii_shift vouches that none of them is a lead byte).
// Stops when take answers false; answers whether it went to the end.
// (Always inlined: only then do the walker's variables stay in registers, which the byte stores of
// an encoder could otherwise overwrite for all the compiler knows.)
template <typename Take, typename TakeRun>
__attribute__((always_inline)) inline bool ForEachAnsiCode(const char* text, uint32_t n, Take take, TakeRun take_run) {
    const int16_t* const rows = LeadRowTable();
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    for (uint32_t i = 0; i < n;) {
        if (n - i >= kAsciiRun && take_run(bytes + i)) {
            i += kAsciiRun;
            continue;
        }
        // The last character of the block may end one byte into the next.
        for (const uint32_t end = n - i > kAsciiRun ? i + kAsciiRun : n; i < end; ++i) {
            uint32_t code = bytes[i];
            const int32_t row = rows[code];
            if (row >= 0 && i + 1 < n) code = 256 + static_cast<uint32_t>(row) * 256 + bytes[++i];
            if (!take(code)) return false;
        }
    }
    return true;
}

// Encodes text[0..n) code by code through table into out, which has room for three units per byte
// of text and one more when the units are bytes, for one per byte when they are 16-bit. A code whose
// form the table leaves open is offered to open(code, &o), which may put its form at o itself (never
// more units than two per byte of the code) and answer true. Returns the units produced, or -1 when
// neither can tell some code's form (*lossy is then left as it was); otherwise *lossy is set when a
// code without an exact form was met.
template <typename Unit, typename Open>
int32_t EncodeByForms(const FormTable& table, const char* text, uint32_t n, Unit* out, bool* lossy, Open open) {
    const uint32_t* const forms = table.forms.data();
    const int shift = table.ascii_shift;
    Unit* o = out;
    uint32_t seen = 0;
    const bool known = ForEachAnsiCode(
        text, n,
        [&](uint32_t code) {
            const uint32_t form = forms[code];
            const uint32_t count = (form >> 24) & 3;
            seen |= form;
            // Bytes are stored four at a time whatever the count (the entry's low bytes in memory
            // order, as on every little-endian machine this runs on); the next code overwrites what
            // is not its own.
            if (sizeof(Unit) == 1) {
                std::memcpy(o, &form, 4);
            } else {
                o[0] = static_cast<Unit>(form & 0xFFFF);
            }
            if (count == 0) return open(code, o);
            o += count;
            return true;
        },
        [&](const unsigned char* run) {
            if (shift < 0 || !IsAsciiRun(run)) return false;
            if (sizeof(Unit) == 1) {
                std::memcpy(o, run, kAsciiRun);
            } else {
                WidenAsciiRun(run, shift, o);
            }
            o += kAsciiRun;
            return true;
        });
    if (!known) return -1;
    if (seen & kFormLossy) *lossy = true;
    return static_cast<int32_t>(o - out);
}

// The same with no code taken but by the table.
template <typename Unit>
int32_t EncodeByForms(const FormTable& table, const char* text, uint32_t n, Unit* out, bool* lossy) {
    return EncodeByForms(table, text, n, out, lossy, [](uint32_t, Unit*&) { return false; });
}

}  // namespace kx
