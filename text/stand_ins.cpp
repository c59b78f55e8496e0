// Giving out and looking up the stand-in codes of one file.
#include "text/stand_ins.h"

#include "text/codepage.h"
#include "text/wide_text.h"

namespace kx {

void StandIns::Reserve(const char* text, uint32_t n) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (uint32_t i = 0; i < n; ++i) {
        if (!IsLeadByte(p[i]) || i + 1 >= n) continue;
        const int32_t slot = SlotOf(p[i], p[i + 1]);
        if (slot >= 0 && !IsJobSlot(static_cast<uint32_t>(slot))) blocked_[static_cast<uint32_t>(slot)] = true;
        ++i;
    }
}

void StandIns::NoteOwn(uint32_t slot) {
    if (blocked_[slot]) return;
    blocked_[slot] = true;
    if (CharacterOf(slot) != 0) clashed_ = true;
    if (IsJobSlot(slot)) job_clashed_ = true;
}

bool StandIns::Put(uint32_t cp, char* out, uint32_t* m) {
    Recent& recent = recent_[cp & 63];
    if (recent.character == cp) {
        out[(*m)++] = static_cast<char>(recent.code >> 8);
        out[(*m)++] = static_cast<char>(recent.code & 0xFF);
        return true;
    }
    if (cp < 0x10000) {
        // The code page's own character, outside the user-defined area or in it.
        uint32_t entry = ExactUnitAnsiTable()[cp];
        int32_t slot = -1;
        if (UnitAnsiLength(entry) == 0) {
            entry = UnitAnsiTable()[cp];
            if (UnitAnsiLength(entry) == 2 && UnitAnsiExact(entry))
                slot = SlotOf(static_cast<unsigned char>(entry), static_cast<unsigned char>(entry >> 8));
            if (slot < 0) entry = 0;
        }
        const uint32_t length = UnitAnsiLength(entry);
        if (length != 0) {
            out[(*m)++] = static_cast<char>(entry & 0xFF);
            if (length == 2) out[(*m)++] = static_cast<char>(entry >> 8);
            if (slot >= 0) NoteOwn(static_cast<uint32_t>(slot));
            return true;
        }
    }
    uint32_t slot;
    auto found = given_.find(cp);
    if (found != given_.end()) {
        slot = found->second;
    } else {
        while (next_ > 0 && blocked_[next_ - 1]) --next_;
        if (next_ == 0) return false;
        slot = --next_;
        if (characters_.empty()) characters_.assign(kCodes, 0);
        characters_[slot] = cp;
        given_.emplace(cp, slot);
    }
    const uint32_t code = CodeOf(slot);
    recent.character = cp;
    recent.code = code;
    out[(*m)++] = static_cast<char>(code >> 8);
    out[(*m)++] = static_cast<char>(code & 0xFF);
    return true;
}

StandIns StandIns::Restart() const {
    StandIns fresh;
    fresh.blocked_ = blocked_;
    if (job_count_ != 0) {
        fresh.characters_.assign(kCodes, 0);
        for (uint32_t slot = job_floor_; slot < kCodes; ++slot) {
            if (!IsJobSlot(slot)) continue;
            fresh.characters_[slot] = characters_[slot];
            fresh.given_.emplace(characters_[slot], slot);
        }
    }
    fresh.next_ = job_floor_;
    fresh.job_floor_ = job_floor_;
    fresh.job_count_ = job_count_;
    return fresh;
}

void StandIns::KeepAsJob() {
    job_floor_ = next_;
    job_count_ = given_.size();
}

bool StandIns::HoldsJobCode(const char* text, uint32_t n) const {
    if (job_count_ == 0) return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (uint32_t i = 0; i < n; ++i) {
        if (!IsLeadByte(p[i]) || i + 1 >= n) continue;
        const int32_t slot = SlotOf(p[i], p[i + 1]);
        if (slot >= 0 && IsJobSlot(static_cast<uint32_t>(slot))) return true;
        ++i;
    }
    return false;
}

}  // namespace kx
