// LineBuffer: the text of a text view as a sequence of lines (ANSI code-page bytes, no line-break
// bytes), with insertion, erasure and extraction of ranges, the tab width and the widest-line measure.
#pragma once

#include <cstdint>
#include <list>

#include "text/kxstring.h"
#include "viewer/model/text_pos.h"

namespace kx {

class LineBuffer {
public:
    LineBuffer();
    LineBuffer(const LineBuffer&) = delete;
    LineBuffer& operator=(const LineBuffer&) = delete;

    int32_t line_count() const { return count_; }
    // The bytes of line k, or null when there is no such line. Walks from the nearest of the first
    // line, the last line and the line fetched last, which becomes the cached line.
    const kxlib::string* line(int32_t k) const;
    int32_t line_length(int32_t k) const;

    // Inserts text at pos; each separator in it starts a new line. On success *end is the position
    // right after the inserted text. Fails (nothing changes) when pos is not in the text.
    bool insert(TextPos pos, const kxlib::string& text, const char* separator, TextPos* end);
    // Removes [from, to) and gives its text with separator between lines; false (nothing removed)
    // for an empty or reversed range or a from position outside the text.
    bool erase(TextPos from, TextPos to, const char* separator, kxlib::string* removed);
    // The text between two positions (in either order), lines joined with separator.
    kxlib::string text_of(TextPos a, TextPos b, const char* separator) const;

    // Tab width (at least 1) and the widest line's width measure.
    void set_tab_width(int32_t n);
    int32_t tab_width() const { return tab_width_; }
    int32_t max_width() const { return max_width_; }

    // Moves pos to the nearest valid position at or before it (see IsTrailColumn); true when changed.
    bool clamp(TextPos* pos) const;
    bool is_trail_position(TextPos pos) const;
    TextPos end_position() const;

private:
    using Lines = std::list<kxlib::string>;
    Lines::iterator at(int32_t k) const;
    int32_t measure(const kxlib::string& s) const;
    void recompute_max_width();

    mutable Lines lines_;
    int32_t count_;
    mutable Lines::iterator cached_;
    mutable int32_t cached_index_;
    int32_t tab_width_;
    int32_t max_width_;
};

}  // namespace kx
