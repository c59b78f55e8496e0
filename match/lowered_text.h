// The text a case-ignoring search through the library is given: a lowered copy of the whole text,
// made once, that serves every subject of it (each search from a later start) in the form a lowered
// copy of just that subject would have.
#pragma once

#include <cstdint>

#include "match/plain_search.h"
#include "text/kxstring.h"

namespace kx {

class LoweredText {
public:
    // Names the text (length bytes followed by a NUL; it must stay alive and unchanged while it is
    // used) and drops the lowered copy of the text before.
    void Reset(const char* text, uint32_t length);
    // The text from start (<= its length) on, lowered as to_lower would lower a copy of it; valid
    // until the next call.
    const char* Subject(uint32_t start);

    LoweredText();
    LoweredText(const LoweredText&) = delete;
    LoweredText& operator=(const LoweredText&) = delete;

private:
    const char* text_;
    uint32_t length_;
    kxlib::string lowered_;
    bool ready_;
    TrailCursor trail_;       // trail-byte answers for rising offsets of the text
    uint32_t lead_run_from_;  // lead_run_from_ .. lead_run_end_ - 1: lead-class bytes only,
    uint32_t lead_run_end_;   // and the byte at lead_run_end_ is none (or the text ends there)
    uint32_t patched_at_;     // a byte of lowered_ set for the current subject only (npos: none)
    char patched_byte_;       // its value for the whole text
};

}  // namespace kx
