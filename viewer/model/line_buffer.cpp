// The line list of the text view and its edits.
#include "viewer/model/line_buffer.h"

#include <cstring>
#include <iterator>
#include <utility>

#include "viewer/model/tab_rules.h"

namespace kx {

LineBuffer::LineBuffer() : count_(1), cached_index_(0), tab_width_(4), max_width_(0) {
    lines_.emplace_back();
    cached_ = lines_.begin();
}

LineBuffer::Lines::iterator LineBuffer::at(int32_t k) const {
    // Start from whichever known place is nearest: the first line, the last line or the cache.
    int32_t from_cache = k > cached_index_ ? k - cached_index_ : cached_index_ - k;
    int32_t from_end = count_ - 1 - k;
    Lines::iterator it;
    if (k <= from_cache && k <= from_end) {
        it = lines_.begin();
        for (int32_t i = 0; i < k; ++i) ++it;
    } else if (from_end <= from_cache) {
        it = std::prev(lines_.end());
        for (int32_t i = 0; i < from_end; ++i) --it;
    } else {
        it = cached_;
        for (int32_t i = cached_index_; i < k; ++i) ++it;
        for (int32_t i = cached_index_; i > k; --i) --it;
    }
    cached_ = it;
    cached_index_ = k;
    return it;
}

const kxlib::string* LineBuffer::line(int32_t k) const {
    if (k < 0 || k >= count_) return nullptr;
    return &*at(k);
}

int32_t LineBuffer::line_length(int32_t k) const {
    const kxlib::string* s = line(k);
    return s ? static_cast<int32_t>(s->length()) : 0;
}

int32_t LineBuffer::measure(const kxlib::string& s) const {
    return LineWidthMeasure(s.c_str(), static_cast<int32_t>(s.length()), tab_width_);
}

void LineBuffer::recompute_max_width() {
    max_width_ = 0;
    for (const kxlib::string& s : lines_) {
        int32_t m = measure(s);
        if (m > max_width_) max_width_ = m;
    }
}

void LineBuffer::set_tab_width(int32_t n) {
    tab_width_ = n < 1 ? 1 : n;
    recompute_max_width();
}

bool LineBuffer::insert(TextPos pos, const kxlib::string& text, const char* separator, TextPos* end) {
    if (pos.line < 0 || pos.line >= count_) return false;
    Lines::iterator it = at(pos.line);
    const uint32_t column = pos.column < 0 ? 0 : static_cast<uint32_t>(pos.column);
    if (column > it->length()) return false;
    const uint32_t sep_length = static_cast<uint32_t>(std::strlen(separator));
    int32_t found = sep_length ? text.find(separator) : -1;
    if (found < 0) {
        it->insert(column, text.c_str(), text.length());
        int32_t m = measure(*it);
        if (m > max_width_) max_width_ = m;
        if (end) *end = TextPos{pos.line, static_cast<int32_t>(column + text.length())};
        return true;
    }
    kxlib::string tail = it->substr(column);
    it->erase(column);
    it->append_bytes(text.c_str(), static_cast<uint32_t>(found));
    uint32_t piece = static_cast<uint32_t>(found) + sep_length;
    int32_t index = pos.line;
    Lines::iterator after = std::next(it);
    for (;;) {
        int32_t next = text.find(separator, piece);
        uint32_t stop = next < 0 ? text.length() : static_cast<uint32_t>(next);
        it = lines_.insert(after, kxlib::string(text.c_str() + piece, stop - piece));
        ++index;
        ++count_;
        if (next < 0) break;
        piece = stop + sep_length;
    }
    const int32_t last_piece = static_cast<int32_t>(it->length());
    it->append(tail);
    cached_ = it;
    cached_index_ = index;
    recompute_max_width();
    if (end) *end = TextPos{index, last_piece};
    return true;
}

bool LineBuffer::erase(TextPos from, TextPos to, const char* separator, kxlib::string* removed) {
    if (!(from < to)) return false;
    if (from.line < 0 || from.line >= count_ || from.column < 0) return false;
    Lines::iterator first = at(from.line);
    const uint32_t from_col = static_cast<uint32_t>(from.column);
    if (from_col > first->length()) return false;
    // A range reaching past the text ends at the text's end.
    if (to.line >= count_) to = end_position();
    kxlib::string out;
    if (to.line == from.line) {
        uint32_t to_col = static_cast<uint32_t>(to.column);
        if (to_col > first->length()) to_col = first->length();
        const bool widest = measure(*first) == max_width_;
        out.assign_bytes(first->c_str() + from_col, to_col - from_col);
        first->erase(from_col, to_col - from_col);
        if (widest) recompute_max_width();
    } else {
        out.reserve(50u * static_cast<uint32_t>(to.line - from.line + 1));
        out.append_bytes(first->c_str() + from_col, first->length() - from_col);
        out.append(separator);
        first->erase(from_col);
        Lines::iterator it = std::next(first);
        for (int32_t k = from.line + 1; k < to.line; ++k) {
            out.append(*it);
            out.append(separator);
            it = lines_.erase(it);
            --count_;
        }
        uint32_t to_col = to.column < 0 ? 0 : static_cast<uint32_t>(to.column);
        if (to_col > it->length()) to_col = it->length();
        out.append_bytes(it->c_str(), to_col);
        first->append_bytes(it->c_str() + to_col, it->length() - to_col);
        lines_.erase(it);
        --count_;
        recompute_max_width();
    }
    cached_ = first;
    cached_index_ = from.line;
    if (removed) *removed = out;
    return true;
}

kxlib::string LineBuffer::text_of(TextPos a, TextPos b, const char* separator) const {
    if (b < a) std::swap(a, b);
    kxlib::string out;
    const kxlib::string* first = line(a.line);
    if (!first) return out;
    if (b.line >= count_) b = end_position();
    auto clip = [](int32_t c, const kxlib::string* s) {
        if (c < 0) return 0u;
        uint32_t u = static_cast<uint32_t>(c);
        return u > s->length() ? s->length() : u;
    };
    const uint32_t from = clip(a.column, first);
    if (a.line == b.line) {
        uint32_t to = clip(b.column, first);
        if (to > from) out.assign_bytes(first->c_str() + from, to - from);
        return out;
    }
    out.reserve(50u * static_cast<uint32_t>(b.line - a.line + 1));
    out.append_bytes(first->c_str() + from, first->length() - from);
    for (int32_t k = a.line + 1; k <= b.line; ++k) {
        const kxlib::string* s = line(k);
        out.append(separator);
        if (k < b.line) out.append(*s);
        else out.append_bytes(s->c_str(), clip(b.column, s));
    }
    return out;
}

bool LineBuffer::is_trail_position(TextPos pos) const {
    const kxlib::string* s = line(pos.line);
    if (!s || pos.column <= 0 || static_cast<uint32_t>(pos.column) > s->length()) return false;
    return IsTrailColumn(s->c_str(), pos.column);
}

bool LineBuffer::clamp(TextPos* pos) const {
    TextPos p = *pos;
    if (p.line < 0) p.line = 0;
    if (p.line >= count_) p.line = count_ - 1;
    if (p.column < 0) p.column = 0;
    const int32_t length = line_length(p.line);
    if (p.column > length) p.column = length;
    if (is_trail_position(p)) p.column -= 1;
    const bool changed = p != *pos;
    *pos = p;
    return changed;
}

TextPos LineBuffer::end_position() const { return TextPos{count_ - 1, line_length(count_ - 1)}; }

}  // namespace kx
