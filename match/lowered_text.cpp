// The lowered copy of a text that serves every subject of it.
#include "match/lowered_text.h"

#include "text/codepage.h"

namespace kx {

LoweredText::LoweredText()
    : text_(""),
      length_(0),
      ready_(false),
      lead_run_from_(0),
      lead_run_end_(0),
      patched_at_(kxlib::string::npos),
      patched_byte_(0) {}

void LoweredText::Reset(const char* text, uint32_t length) {
    text_ = text;
    length_ = length;
    lowered_ = kxlib::string();
    ready_ = false;
    trail_ = TrailCursor(text);
    lead_run_from_ = lead_run_end_ = 0;
    patched_at_ = kxlib::string::npos;
}

// A subject that starts on the second byte of a character in the whole text takes that byte as a
// character start, which changes how the bytes up to the first byte that is no lead-class byte pair
// up. Only that one byte can lower differently (the bytes before it are no letters, and behind it
// both readings start a character), so that byte is set for this subject.
const char* LoweredText::Subject(uint32_t start) {
    if (!ready_) {
        lowered_.assign_bytes(text_, length_);
        LowerAnsi(lowered_.mutable_data(), length_);
        ready_ = true;
    }
    char* low = lowered_.mutable_data();
    if (patched_at_ != kxlib::string::npos) {
        low[patched_at_] = patched_byte_;
        patched_at_ = kxlib::string::npos;
    }
    if (start > 0 && trail_.IsTrail(start)) {
        if (start < lead_run_from_ || start > lead_run_end_) {
            uint32_t r = start;
            while (r < length_ && IsLeadByte(static_cast<unsigned char>(text_[r]))) ++r;
            lead_run_from_ = start;
            lead_run_end_ = r;
        }
        const uint32_t r = lead_run_end_;
        const unsigned char c = static_cast<unsigned char>(text_[r]);
        if (r < length_ && c >= 'A' && c <= 'Z') {
            const bool second_byte = ((r - start) & 1) != 0;
            const char wanted = static_cast<char>(second_byte ? c : c + ('a' - 'A'));
            if (low[r] != wanted) {
                patched_at_ = r;
                patched_byte_ = low[r];
                low[r] = wanted;
            }
        }
    }
    return low + start;
}

}  // namespace kx
