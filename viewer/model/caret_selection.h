// CaretSelection: the caret and the selection of one text view, with the caret moves (by character,
// by row keeping a desired display column, to the text end) and the selection rules.
#pragma once

#include <cstdint>

#include "viewer/model/row_layout.h"
#include "viewer/model/text_pos.h"

namespace kx {

class CaretSelection {
public:
    explicit CaretSelection(RowLayout& layout);
    CaretSelection(const CaretSelection&) = delete;
    CaretSelection& operator=(const CaretSelection&) = delete;

    TextPos caret() const { return caret_; }
    ViewPos caret_view() const { return caret_view_; }
    int32_t desired_column() const { return desired_column_; }
    TextPos anchor() const { return anchor_; }
    TextPos sel_start() const { return sel_start_; }
    TextPos sel_end() const { return sel_end_; }
    bool has_selection() const { return has_selection_; }
    bool selecting() const { return selecting_; }
    // A selection that exists and covers at least one byte or line break.
    bool has_nonempty_selection() const { return has_selection_ && sel_start_ != sel_end_; }

    // Clamps and sets the caret; extends the selection while selecting. True when pos was valid.
    bool set_caret(TextPos pos);
    void begin_selection(TextPos pos);
    void end_selection(TextPos pos);
    void set_selection(TextPos a, TextPos b);
    void clear();
    // Recomputes the caret's display position after the layout changed (tabs, wrapping).
    void refresh();

    bool right();
    bool left(int32_t n);
    bool up(int32_t n);
    bool down(int32_t n);
    void to_text_end();
    void select_all();

private:
    bool move_to_row(int32_t row);
    void select_ordered(TextPos a, TextPos b);

    RowLayout& layout_;
    TextPos caret_;
    ViewPos caret_view_;
    int32_t desired_column_ = 0;
    TextPos anchor_;
    TextPos sel_start_;
    TextPos sel_end_;
    bool has_selection_ = false;
    bool selecting_ = false;
};

}  // namespace kx
