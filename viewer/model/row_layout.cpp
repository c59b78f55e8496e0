// Display rows of the text view's lines, with the wrap rule for tabs and double-byte characters.
#include "viewer/model/row_layout.h"

#include <algorithm>

#include "text/codepage.h"
#include "viewer/model/tab_rules.h"

namespace kx {

RowLayout::RowLayout(LineBuffer& buffer) : buffer_(buffer), wrap_(false), wrap_width_(80) {}

int32_t RowLayout::row_count() const { return wrap_ ? static_cast<int32_t>(rows_.size()) : buffer_.line_count(); }

int32_t RowLayout::first_row_of(int32_t line) const {
    if (line < 0 || line >= buffer_.line_count()) return -1;
    return wrap_ ? first_row_[line] : line;
}

int32_t RowLayout::last_row_of(int32_t line) const {
    if (line < 0 || line >= buffer_.line_count()) return -1;
    if (!wrap_) return line;
    return line + 1 < buffer_.line_count() ? first_row_[line + 1] - 1 : static_cast<int32_t>(rows_.size()) - 1;
}

RowInfo RowLayout::row_info(int32_t row) const {
    if (row < 0 || row >= row_count()) return RowInfo();
    if (wrap_) return rows_[row];
    return RowInfo{row, 0, buffer_.line_length(row)};
}

int32_t RowLayout::row_width(int32_t row) const {
    RowInfo info = row_info(row);
    if (info.line < 0) return 0;
    return DisplayColumn(buffer_.line(info.line)->c_str() + info.start, info.length, buffer_.tab_width());
}

ViewPos RowLayout::to_view(TextPos pos) const {
    const kxlib::string* s = buffer_.line(pos.line);
    if (!s) return ViewPos{-1, -1};
    int32_t row = pos.line;
    int32_t start = 0;
    if (wrap_) {
        // The last row of the line starting at or before the column: a column on a boundary belongs
        // to the following row, the line's end column to its last row.
        row = first_row_[pos.line];
        const int32_t last = last_row_of(pos.line);
        while (row < last && rows_[row + 1].start <= pos.column) ++row;
        start = rows_[row].start;
    }
    int32_t column = pos.column - start;
    if (column < 0) column = 0;
    return ViewPos{DisplayColumn(s->c_str() + start, column, buffer_.tab_width()), row};
}

TextPos RowLayout::from_view(int32_t column, int32_t row) const {
    RowInfo info = row_info(row);
    if (info.line < 0) return TextPos{-1, -1};
    const kxlib::string* s = buffer_.line(info.line);
    const char* p = s->c_str() + info.start;
    int32_t c = ByteColumnOf(p, info.length, column, buffer_.tab_width(), wrap_);
    return TextPos{info.line, info.start + c};
}

void RowLayout::set_wrap(bool on) {
    wrap_ = on;
    if (on) {
        rebuild_all();
    } else {
        rows_.clear();
        first_row_.clear();
    }
}

void RowLayout::set_wrap_width(int32_t n) {
    wrap_width_ = n < 1 ? 1 : n;
    if (wrap_) rebuild_all();
}

void RowLayout::set_tab_width(int32_t n) {
    buffer_.set_tab_width(n);
    if (wrap_) rebuild_all();
}

void RowLayout::build_rows(int32_t line, std::vector<RowInfo>* out) const {
    const kxlib::string* s = buffer_.line(line);
    const char* p = s->c_str();
    const int32_t n = static_cast<int32_t>(s->length());
    const int32_t tab = buffer_.tab_width();
    const int32_t width = wrap_width_;
    int32_t col = 0, bytes = 0, start = 0;
    // A row is closed before a character that does not fit. Columns can only pass the width when a
    // tab is wider than a row or a double-byte character is, so the tests use >= and a row is never
    // closed empty: such a character then stands alone on its row instead of piling up.
    auto new_row = [&](int32_t at, int32_t c, int32_t b) {
        if (bytes > 0) out->push_back(RowInfo{line, start, bytes});
        start = at;
        col = c;
        bytes = b;
    };
    for (int32_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (IsLeadByte(c) && i + 1 < n) {
            if (col >= width - 1) new_row(i, 2, 2);
            else col += 2, bytes += 2;
            i += 2;
        } else if (c == '\t') {
            if (col + tab > width) new_row(i, tab, 1);
            else bytes += 1, col = (col / tab + 1) * tab;
            i += 1;
        } else {
            if (col >= width) new_row(i, 1, 1);
            else col += 1, bytes += 1;
            i += 1;
        }
    }
    out->push_back(RowInfo{line, start, bytes});
}

void RowLayout::rebuild_all() {
    rows_.clear();
    first_row_.assign(static_cast<size_t>(buffer_.line_count()), 0);
    for (int32_t k = 0; k < buffer_.line_count(); ++k) {
        first_row_[k] = static_cast<int32_t>(rows_.size());
        build_rows(k, &rows_);
    }
}

void RowLayout::rebuild_lines(int32_t first_line, int32_t old_lines, int32_t new_lines) {
    if (!wrap_) return;
    const int32_t old_begin = first_row_[first_line];
    const int32_t old_end = first_line + old_lines < static_cast<int32_t>(first_row_.size())
                                ? first_row_[first_line + old_lines]
                                : static_cast<int32_t>(rows_.size());
    std::vector<RowInfo> fresh;
    std::vector<int32_t> firsts;
    for (int32_t k = first_line; k < first_line + new_lines; ++k) {
        firsts.push_back(old_begin + static_cast<int32_t>(fresh.size()));
        build_rows(k, &fresh);
    }
    const int32_t row_shift = static_cast<int32_t>(fresh.size()) - (old_end - old_begin);
    const int32_t line_shift = new_lines - old_lines;
    rows_.erase(rows_.begin() + old_begin, rows_.begin() + old_end);
    rows_.insert(rows_.begin() + old_begin, fresh.begin(), fresh.end());
    for (size_t r = static_cast<size_t>(old_begin) + fresh.size(); r < rows_.size(); ++r) rows_[r].line += line_shift;
    first_row_.erase(first_row_.begin() + first_line, first_row_.begin() + first_line + old_lines);
    first_row_.insert(first_row_.begin() + first_line, firsts.begin(), firsts.end());
    for (size_t k = static_cast<size_t>(first_line + new_lines); k < first_row_.size(); ++k) first_row_[k] += row_shift;
}

bool RowLayout::insert(TextPos pos, const kxlib::string& text, const char* separator, TextPos* end) {
    TextPos stop;
    if (!buffer_.insert(pos, text, separator, &stop)) return false;
    rebuild_lines(pos.line, 1, stop.line - pos.line + 1);
    if (end) *end = stop;
    return true;
}

bool RowLayout::erase(TextPos from, TextPos to, const char* separator, kxlib::string* removed) {
    const int32_t before = buffer_.line_count();
    if (!buffer_.erase(from, to, separator, removed)) return false;
    rebuild_lines(from.line, before - buffer_.line_count() + 1, 1);
    return true;
}

}  // namespace kx
