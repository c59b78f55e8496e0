// RowLayout: maps the lines of a LineBuffer to display rows, one row per line or, with wrapping on,
// rows of at most wrap_width columns; every edit of the view goes through it so rows stay current.
#pragma once

#include <cstdint>
#include <vector>

#include "viewer/model/line_buffer.h"
#include "viewer/model/text_pos.h"

namespace kx {

// One display row: its line and the bytes [start, start + length) of that line it shows.
struct RowInfo {
    int32_t line = -1;
    int32_t start = 0;
    int32_t length = 0;
};

class RowLayout {
public:
    explicit RowLayout(LineBuffer& buffer);
    RowLayout(const RowLayout&) = delete;
    RowLayout& operator=(const RowLayout&) = delete;

    LineBuffer& buffer() { return buffer_; }
    const LineBuffer& buffer() const { return buffer_; }

    int32_t row_count() const;
    // Display position of a text position; (-1, -1) when its line does not exist.
    ViewPos to_view(TextPos pos) const;
    // Text position of a display position; (-1, -1) when the row does not exist. The column is not
    // limited to the row's width and the result may be a trail-byte column.
    TextPos from_view(int32_t column, int32_t row) const;
    // The row's line and byte range; line -1 when the row does not exist.
    RowInfo row_info(int32_t row) const;
    int32_t row_width(int32_t row) const;
    int32_t first_row_of(int32_t line) const;
    int32_t last_row_of(int32_t line) const;

    void set_wrap(bool on);
    void set_wrap_width(int32_t n);
    bool wrap() const { return wrap_; }
    int32_t wrap_width() const { return wrap_width_; }
    void set_tab_width(int32_t n);

    // The buffer's edits, with the rows of the touched lines rebuilt.
    bool insert(TextPos pos, const kxlib::string& text, const char* separator, TextPos* end);
    bool erase(TextPos from, TextPos to, const char* separator, kxlib::string* removed);

private:
    void rebuild_all();
    // Replaces the rows of old_lines lines starting at first_line by those of new_lines lines.
    void rebuild_lines(int32_t first_line, int32_t old_lines, int32_t new_lines);
    void build_rows(int32_t line, std::vector<RowInfo>* out) const;

    LineBuffer& buffer_;
    bool wrap_;
    int32_t wrap_width_;
    std::vector<RowInfo> rows_;       // wrapping on only
    std::vector<int32_t> first_row_;  // wrapping on only: first row of each line
};

}  // namespace kx
