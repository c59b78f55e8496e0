// Fuzzy folding of Shift_JIS (CP932) text: one normal form for targets and find strings, and the
// exact position map between a folded target and the real text. Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sieve {

// Lead byte of a Shift_JIS double-byte character (0x81-0x9F, 0xE0-0xFC).
inline bool IsLeadByte(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// What the folding still distinguishes, decoded from the flags word (kFuzzy* bits).
struct FoldRules {
    bool ignore_voicing = false;
    bool keep_case = false;
    bool keep_width = false;
    bool keep_kana = false;

    static FoldRules FromFlags(std::uint32_t flags);
};

// One character of the folded form: its Shift_JIS code (one byte below 0x100) and how many
// bytes of the source it stands for (a half-width kana with its voiced mark is two).
struct FoldedChar {
    unsigned code;
    int source_length;
};

// Reads the character at text[at] (the text ends at `end`) and folds it.
FoldedChar FoldCharAt(const unsigned char* text, std::size_t at, std::size_t end, const FoldRules& rules);

// A folded target with the maps between its positions and those of the real text. Every
// folded character comes from a contiguous run of real bytes (its unit); a position inside a
// unit maps to the unit's start, the end of an area inside a unit to the unit's end.
class FoldedText {
public:
    FoldedText();
    // Folds text[0, length); replaces what the object held.
    void Assign(const char* text, std::size_t length, const FoldRules& rules);
    void Clear();

    const std::string& text() const { return text_; }
    std::size_t real_length() const { return real_length_; }

    // Folded position -> real position (positions outside the text are clamped to it).
    std::int32_t RealPosition(std::int32_t folded) const;
    // Folded area -> real area: the real position is returned, *length becomes the real length.
    std::int32_t RealArea(std::int32_t folded, std::int32_t* length) const;
    // Real position -> folded position.
    std::int32_t FoldedPosition(std::int32_t real) const;

private:
    // Where a unit starts in both texts.
    struct UnitStart {
        std::int32_t real;
        std::int32_t folded;
    };
    // The unit holding folded byte `folded` (or real byte `real`): its index and its start. A
    // position at the end of the text gives the index past the last unit and the two lengths.
    std::size_t UnitAtFolded(std::int32_t folded, UnitStart* start) const;
    // The walk behind both: `side` names the position's side of the unit starts.
    std::size_t UnitAt(std::int32_t UnitStart::*side, std::int32_t position, UnitStart* start) const;
    std::size_t UnitAtReal(std::int32_t real, UnitStart* start) const;
    std::int32_t RealEnd(std::int32_t folded_end) const;
    static std::int32_t RealLength(std::uint8_t unit) { return unit & 3; }
    static std::int32_t FoldedLength(std::uint8_t unit) { return unit >> 2; }

    // A mark every kMarkStride units keeps a lookup to a short walk over the units' lengths,
    // so the maps cost about one byte per real byte instead of eight.
    static const std::size_t kMarkStride = 32;

    std::string text_;
    std::size_t real_length_ = 0;
    // Per unit, in text order: its real length (bits 0-1) and its folded length (bits 2-3).
    std::vector<std::uint8_t> units_;
    // marks_[k]: the start of unit k * kMarkStride.
    std::vector<UnitStart> marks_;
};

// Folds a find string into a pattern for the regular-expression compiler. A regular expression
// (`regex` true) keeps its metacharacters, escapes, group headers and bracket names as they
// are and folds only its literal characters; plain text is folded and escaped so that it
// matches literally. A literal that folds to an ASCII character from a wider one is written
// as \xHH, so it can never become a metacharacter, backreference or quantifier.
std::string FoldPattern(const char* pattern, bool regex, const FoldRules& rules);

}  // namespace sieve
