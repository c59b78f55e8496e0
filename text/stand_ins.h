// Stand-in codes: how the internal text of one file holds characters the ANSI code page lacks. Each
// such character of a UTF-8, UTF-16 or EUC-JP file is given a code of the code page's user-defined
// area (lead bytes 0xF0-0xF9, 1,880 codes) that the file's own text and the job's find and replace
// strings do not use; the reader puts that code in the text, the writer turns it back into the
// character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kx {

class StandIns {
public:
    // Codes of the user-defined area, numbered 0 .. kCodes - 1 in code order.
    static const uint32_t kCodes = 1880;

    // Number of a two-byte code in the user-defined area, or -1 for any other code.
    static int32_t SlotOf(unsigned char lead, unsigned char trail) {
        if (lead < 0xF0 || lead > 0xF9 || trail < 0x40 || trail == 0x7F || trail > 0xFC) return -1;
        return static_cast<int32_t>((lead - 0xF0) * 188u + trail - (trail < 0x80 ? 0x40u : 0x41u));
    }
    // The two bytes of a numbered code, the lead byte in the high half.
    static uint32_t CodeOf(uint32_t slot) {
        const uint32_t row = slot / 188, cell = slot % 188;
        return (0xF0 + row) << 8 | (cell + (cell < 63 ? 0x40u : 0x41u));
    }

    // Keeps the user-defined codes that stand in text[0..n) (ANSI text) from being given out.
    void Reserve(const char* text, uint32_t n);

    // Puts the internal form of the Unicode scalar value cp at out[*m ..] (one or two bytes) and moves
    // *m past it: its own code when the code page has it exactly, else the code standing in for it,
    // given out now when it has none yet. False when every free code is given out already (nothing
    // is put then). A value above U+10FFFF is the key of a character of another set, always given a
    // code: EUC-JP's JIS X 0212 characters are 0x8F0000 and their two bytes.
    bool Put(uint32_t cp, char* out, uint32_t* m);

    // The character the code at slot stands in for, 0 when it stands for none.
    uint32_t CharacterOf(uint32_t slot) const { return characters_.empty() ? 0 : characters_[slot]; }
    // No code stands in for a character.
    bool empty() const { return given_.empty(); }
    // A code given out was then met as a character of the file's own text: the text cannot tell the
    // two apart, and the file must be read again with a map from Restart.
    bool clashed() const { return clashed_; }
    // The map for reading the same file again: the codes reserved and the file's own codes met so far
    // kept from being given out, nothing given out but the job's codes.
    StandIns Restart() const;

    // The job's codes: from now on every code given out so far stands for a character of the job's
    // find or replace strings, which the files of the run share. Reserve leaves them free, and a file
    // whose own text holds one of them cannot be read apart from the job's character (job_clashed).
    void KeepAsJob();
    // The code at slot stands for a character of the job's strings.
    bool IsJobSlot(uint32_t slot) const { return slot >= job_floor_ && CharacterOf(slot) != 0; }
    // Codes stand in for characters of the job's strings, and for nothing else.
    bool OnlyJob() const { return job_count_ != 0 && given_.size() == job_count_; }
    // One of the job's codes was met as a character of the file's own text.
    bool job_clashed() const { return job_clashed_; }
    // ANSI text[0..n) holds one of the job's codes (whole two-byte characters only).
    bool HoldsJobCode(const char* text, uint32_t n) const;

private:
    // The file's own text holds the code at slot.
    void NoteOwn(uint32_t slot);

    std::vector<bool> blocked_ = std::vector<bool>(kCodes, false);  // reserved or the file's own
    std::vector<uint32_t> characters_;                              // by slot, once one is given out
    std::unordered_map<uint32_t, uint32_t> given_;                  // character -> slot
    // The last characters given out or looked up, by their low bits: a file repeats a few of them
    // (no-break spaces, dashes) many times.
    struct Recent {
        uint32_t character = 0xFFFFFFFF;
        uint32_t code = 0;
    };
    Recent recent_[64];
    uint32_t next_ = kCodes;  // codes are given out downwards from the area's end
    bool clashed_ = false;
    uint32_t job_floor_ = kCodes;  // the job's codes are those given out at and above this slot
    size_t job_count_ = 0;
    bool job_clashed_ = false;
};

}  // namespace kx
