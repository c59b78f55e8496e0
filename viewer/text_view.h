// TextView: the text view control (window class "KestrelEditWnd") that draws a TextModel in a fixed
// pitch font with caret, scroll bars, mouse and keyboard selection, end marks, highlight colours,
// typing and IME input (unless read-only) and copying of the selection to the clipboard.
#pragma once

#include <windows.h>

#include <cstdint>

#include "text/kxstring.h"
#include "viewer/model/highlight.h"
#include "viewer/model/text_model.h"
#include "viewer/window_object.h"

namespace kx {

class Painter;

// Four colours of one drawn element.
struct ElementColors {
    Rgb fore_normal;
    Rgb fore_selected;
    Rgb back_normal;
    Rgb back_selected;
};

struct ColorScheme {
    ElementColors end_mark;    // "[EOF]" after the last line; never drawn selected
    ElementColors line_break;  // the mark after every other line
    ElementColors text;
};

// The default scheme, with the window colours of the system.
ColorScheme DefaultColorScheme();

struct ViewSettings {
    ColorScheme colors;
    int32_t tab_width = 4;      // below 1 counts as 1
    int32_t wrap_columns = 80;  // above 0: wrapping on at that width; else off
    kxlib::string font_face;    // default "ＭＳ ゴシック"
    int32_t font_size = 16;     // the font height used is rounded down to an even number

    ViewSettings();
};

class TextView : public WindowObject {
public:
    static const char kClassName[];
    static const DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL;

    explicit TextView(HINSTANCE instance = ModuleInstance());
    ~TextView() override;

    // Registers the class when needed and creates the control; null on failure.
    HWND create(HWND parent);

    void apply_settings(const ViewSettings& settings);
    const ViewSettings& settings() const { return settings_; }
    bool add_highlight(const char* pattern, uint32_t flags, uint32_t group_mask, Rgb text_color, Rgb back_color);
    void set_read_only(bool on) { read_only_ = on; }
    bool read_only() const { return read_only_; }
    bool overwrite() const { return overwrite_; }

    void insert_text(const kxlib::string& text, const char* separator);
    void select_all();
    // Deletes the selection, or else the character after the caret.
    void delete_forward();
    // Column and line counted from 1.
    void move_caret_to(int32_t column, int32_t line);
    // Puts the selection on the clipboard as CF_TEXT with CR LF line breaks and clears it; false when
    // there is nothing selected or the clipboard refused.
    bool copy();

    const TextModel& model() const { return model_; }
    int32_t char_width() const { return char_width_; }
    int32_t line_height() const { return line_height_; }
    // The client point where a display position is drawn.
    POINT drawing_point(ViewPos pos) const;

    bool OnCreate() override;
    bool OnPaint() override;
    bool OnSetFocus(Window& losing) override;
    bool OnKillFocus(Window& receiving) override;
    bool OnMouseMove(POINT point, WPARAM keys) override;
    bool OnLeftButtonDown(POINT point, bool double_click) override;
    bool OnLeftButtonUp(POINT point) override;
    bool OnMouseWheel(POINT point, int notches) override;
    bool OnKey(bool down, UINT virtual_key, int repeat) override;
    bool OnChar(UINT code, int repeat) override;
    bool OnImeResult() override;
    bool OnHorizontalScroll(int delta) override;
    bool OnVerticalScroll(int delta) override;

private:
    struct SelectionState {
        bool shown = false;
        TextPos start;
        TextPos end;
    };

    SelectionState selection_state() const;
    void invalidate_selection_change(const SelectionState& before);
    void invalidate_rows(int32_t first_row, int32_t last_row);
    void invalidate_from_row(int32_t row);
    void run_edit(const EditResult& result, const SelectionState& before);
    int32_t row_of(TextPos pos) const { return model_.layout().to_view(pos).row; }

    void apply_font();
    void set_ime_font();
    void show_caret();
    void hide_caret();
    void toggle_overwrite();

    int vertical_pos() const;
    int horizontal_pos() const;
    int32_t vertical_page() const;
    void update_scroll_bars();
    void keep_caret_visible();
    void scroll_content(int columns, int rows);
    void scroll_by(int delta, bool vertical);
    void page_move(bool down);

    // Maps a client point to a text position as a click does.
    TextPos hit(POINT point) const;
    // Runs the Shift rule, the move, and the caret and repaint work after it.
    template <typename Move> void move_by_key(Move move);

    void paint_line(Painter& painter, int32_t line, const RECT& invalid);
    void draw_range(Painter& painter, int32_t line, int32_t from, int32_t to, Rgb fore, Rgb back, const RECT& invalid);

    TextModel model_;
    ViewSettings settings_;
    int32_t char_width_ = 8;
    int32_t line_height_ = 16;
    bool read_only_ = false;
    bool overwrite_ = false;
};

}  // namespace kx
