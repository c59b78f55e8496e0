// Lead-byte test and ASCII-only lower-casing over the ANSI code page.
#include "text/codepage.h"

#include "text/platform.h"

namespace kx {

namespace {
// The lead-byte test is asked for every scanned byte; a table built once from the platform's answer
// keeps it cheap.
struct LeadTable {
    bool lead[256];
    int16_t row[256];
    int16_t rows = 0;
    LeadTable() {
        for (int i = 0; i < 256; ++i) {
            lead[i] = platform::IsLeadByte(static_cast<unsigned char>(i));
            row[i] = lead[i] ? rows++ : -1;
        }
    }
};
const LeadTable& Leads() {
    static const LeadTable table;
    return table;
}
}  // namespace

const bool* LeadByteTable() { return Leads().lead; }

const int16_t* LeadRowTable() { return Leads().row; }

uint32_t AnsiCodeCount() { return 256 + static_cast<uint32_t>(Leads().rows) * 256; }

void LowerAnsi(char* p, uint32_t n) {
    const LeadTable& t = Leads();
    for (uint32_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (t.lead[c]) {
            if (i + 1 < n && p[i + 1] != '\0') ++i;
            continue;
        }
        if (c >= 'A' && c <= 'Z') p[i] = static_cast<char>(c + ('a' - 'A'));
    }
}

}  // namespace kx
