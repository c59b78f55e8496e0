// Highlight rules of the text view: patterns whose matches (or whole lines) are drawn in their own
// colours. Regular-expression rules search through a Matcher of their own.
#pragma once

#include <cstdint>
#include <memory>

#include "match/matcher.h"
#include "text/kxstring.h"
#include "viewer/model/small_list.h"

namespace kx {

// A colour as red, green and blue values 0-255.
struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

inline bool operator==(Rgb a, Rgb b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }
inline bool operator!=(Rgb a, Rgb b) { return !(a == b); }

// Flag bits of a rule.
enum HighlightFlag : uint32_t {
    kHighlightReserved = 0x01,  // stored, not interpreted
    kHighlightWholeLine = 0x04,
    kHighlightIgnoreCase = 0x08,
    kHighlightRegex = 0x10,
    kHighlightWholeWord = 0x20,
};

// A byte range to colour, relative to the searched text.
struct Span {
    int32_t start = 0;
    int32_t length = 0;
};

using SpanList = SmallList<Span>;

struct HighlightRule {
    uint32_t flags = 0;
    uint32_t group_mask = 0;
    kxlib::string pattern;
    std::unique_ptr<Matcher> matcher;  // regular-expression rules only
    Rgb text_color;
    Rgb back_color;
};

class HighlightList {
public:
    HighlightList() = default;
    HighlightList(const HighlightList&) = delete;
    HighlightList& operator=(const HighlightList&) = delete;

    // Adds a rule at the end; false (nothing added) when a regular expression does not compile.
    bool add_rule(const char* pattern, uint32_t flags, uint32_t group_mask, Rgb text_color, Rgb back_color);
    int32_t count() const { return rules_.size(); }
    const HighlightRule& rule(int32_t i) const { return *rules_[i]; }

    // Searches text with rule i. On a match *spans holds first the whole match, then the spans to
    // colour: the whole text for a whole-line rule, else the selected groups. Empty when no match.
    void match(int32_t rule_index, const char* text, SpanList* spans);

private:
    SmallList<std::unique_ptr<HighlightRule>> rules_;
};

}  // namespace kx
