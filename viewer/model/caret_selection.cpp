// Caret moves and selection rules of the text view.
#include "viewer/model/caret_selection.h"

#include <utility>

#include "text/codepage.h"
#include "viewer/model/tab_rules.h"

namespace kx {

CaretSelection::CaretSelection(RowLayout& layout) : layout_(layout) {}

void CaretSelection::select_ordered(TextPos a, TextPos b) {
    if (b < a) std::swap(a, b);
    sel_start_ = a;
    sel_end_ = b;
}

bool CaretSelection::set_caret(TextPos pos) {
    const bool clamped = layout_.buffer().clamp(&pos);
    caret_ = pos;
    caret_view_ = layout_.to_view(pos);
    desired_column_ = caret_view_.column;
    if (selecting_) select_ordered(anchor_, caret_);
    return !clamped;
}

void CaretSelection::refresh() {
    layout_.buffer().clamp(&caret_);
    caret_view_ = layout_.to_view(caret_);
}

void CaretSelection::begin_selection(TextPos pos) {
    if (selecting_) return;
    layout_.buffer().clamp(&pos);
    // An existing selection keeps its anchor, so a selection can be extended from where it began.
    if (!has_selection_) anchor_ = pos;
    sel_start_ = sel_end_ = pos;
    selecting_ = true;
    has_selection_ = true;
}

void CaretSelection::end_selection(TextPos pos) {
    if (!selecting_) return;
    layout_.buffer().clamp(&pos);
    selecting_ = false;
    select_ordered(anchor_, pos);
    if (sel_start_ == sel_end_) has_selection_ = false;
}

void CaretSelection::set_selection(TextPos a, TextPos b) {
    select_ordered(a, b);
    has_selection_ = true;
}

void CaretSelection::clear() {
    has_selection_ = false;
    selecting_ = false;
}

bool CaretSelection::right() {
    const LineBuffer& buffer = layout_.buffer();
    const kxlib::string* s = buffer.line(caret_.line);
    if (!s) return false;
    const int32_t length = static_cast<int32_t>(s->length());
    const bool last_line = caret_.line == buffer.line_count() - 1;
    if (last_line && caret_.column >= length) {
        desired_column_ = 0;
        return false;
    }
    TextPos next = caret_;
    next.column += (caret_.column < length && IsLeadByte(static_cast<unsigned char>((*s)[caret_.column]))) ? 2 : 1;
    if (next.column > length) next = last_line ? TextPos{caret_.line, length} : TextPos{caret_.line + 1, 0};
    return set_caret(next);
}

bool CaretSelection::left(int32_t n) {
    const LineBuffer& buffer = layout_.buffer();
    TextPos next = caret_;
    next.column -= n;
    while (next.column < 0) {
        if (next.line == 0) {
            desired_column_ = 0;
            return false;
        }
        next.line -= 1;
        next.column += buffer.line_length(next.line) + 1;
    }
    if (buffer.is_trail_position(next)) next.column -= 1;
    return set_caret(next);
}

bool CaretSelection::move_to_row(int32_t row) {
    const int32_t desired = desired_column_;
    int32_t column = layout_.row_width(row);
    if (desired < column) column = desired;
    TextPos pos = layout_.from_view(column, row);
    if (pos.line < 0) return false;
    if (layout_.buffer().is_trail_position(pos)) pos.column -= 1;
    const bool ok = set_caret(pos);
    desired_column_ = desired;
    return ok;
}

bool CaretSelection::up(int32_t n) {
    int32_t row = caret_view_.row - n;
    if (row < 0) row = 0;
    return move_to_row(row);
}

bool CaretSelection::down(int32_t n) {
    const int32_t last = layout_.row_count() - 1;
    int32_t row = caret_view_.row + n;
    if (row > last || row < caret_view_.row) row = last;
    return move_to_row(row);
}

void CaretSelection::to_text_end() { set_caret(layout_.buffer().end_position()); }

void CaretSelection::select_all() {
    // Any earlier selection is dropped first, so its anchor cannot shorten the new one.
    clear();
    to_text_end();
    begin_selection(caret_);
    set_caret(TextPos{0, 0});
    end_selection(caret_);
}

}  // namespace kx
