// The text view control: painting, scrolling, caret, mouse and keyboard input, clipboard copy.
#include "viewer/text_view.h"

#include <imm.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "text/codepage.h"
#include "viewer/gdi_painter.h"
#include "viewer/model/tab_rules.h"

namespace kx {

const char TextView::kClassName[] = "KestrelEditWnd";

namespace {

// Left and top margins of the text in the client area, in pixels.
const int kLeftMargin = 8;
const int kTopMargin = 2;

Rgb FromColorRef(COLORREF c) { return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)}; }
Rgb SystemColor(int index) { return FromColorRef(GetSysColor(index)); }
COLORREF ToColorRef(Rgb c) { return RGB(c.red, c.green, c.blue); }

bool ShiftDown() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

// The clipboard, open for the lifetime of this object.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardSession() {
        if (open_) CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    bool open() const { return open_; }

private:
    bool open_;
};

// Movable global memory, freed unless handed over to the clipboard.
class GlobalBlock {
public:
    explicit GlobalBlock(SIZE_T size) : memory_(GlobalAlloc(GMEM_MOVEABLE, size)) {}
    ~GlobalBlock() {
        if (memory_) GlobalFree(memory_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    HGLOBAL get() const { return memory_; }
    void hand_over() { memory_ = nullptr; }

private:
    HGLOBAL memory_;
};

}  // namespace

ColorScheme DefaultColorScheme() {
    const Rgb window = SystemColor(COLOR_WINDOW);
    ColorScheme s;
    s.end_mark = ElementColors{Rgb{128, 200, 128}, Rgb{0, 0, 0}, window, Rgb{0, 0, 0}};
    s.line_break = ElementColors{Rgb{128, 200, 128}, Rgb{255, 255, 255}, window, Rgb{100, 180, 100}};
    s.text = ElementColors{SystemColor(COLOR_WINDOWTEXT), SystemColor(COLOR_HIGHLIGHTTEXT), window,
                           SystemColor(COLOR_HIGHLIGHT)};
    return s;
}

ViewSettings::ViewSettings() : font_face("ＭＳ ゴシック") {}

TextView::TextView(HINSTANCE instance) : WindowObject(instance, kClassName, kStyle) {
    settings_.colors = DefaultColorScheme();
    model_.layout().set_tab_width(settings_.tab_width);
    model_.layout().set_wrap_width(settings_.wrap_columns);
    model_.layout().set_wrap(true);
}

TextView::~TextView() {
    // The window does not outlive its object; the class goes with the last top-level window of it.
    if (hwnd()) DestroyWindow(hwnd());
    if (!FindWindowA(kClassName, nullptr)) UnregisterClassA(kClassName, instance());
}

HWND TextView::create(HWND parent) {
    WNDCLASSEXA known = {};
    known.cbSize = sizeof known;
    if (!GetClassInfoExA(instance(), kClassName, &known)) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.style = 0;
        wc.lpfnWndProc = WindowObject::WindowProc;
        wc.hInstance = instance();
        wc.hCursor = LoadCursor(nullptr, IDC_IBEAM);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kClassName;
        if (!RegisterClassExA(&wc)) return nullptr;
    }
    return CreateWindowExA(0, kClassName, "", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           parent, nullptr, instance(), this);
}

// ---- settings and font ----

void TextView::apply_settings(const ViewSettings& settings) {
    settings_ = settings;
    if (settings_.tab_width < 1) settings_.tab_width = 1;
    if (hwnd()) apply_font();
    RowLayout& layout = model_.layout();
    layout.set_tab_width(settings_.tab_width);
    if (settings_.wrap_columns > 0) layout.set_wrap_width(settings_.wrap_columns);
    layout.set_wrap(settings_.wrap_columns > 0);
    model_.selection().refresh();
    if (hwnd()) {
        keep_caret_visible();
        show_caret();
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

void TextView::set_ime_font() {
    ImeContext ime = window()->ime();
    if (!ime) return;
    LOGFONTA font = {};
    font.lfHeight = settings_.font_size / 2 * 2;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(font.lfFaceName, settings_.font_face.c_str(), LF_FACESIZE);
    ImmSetCompositionFontA(ime.get(), &font);
}

void TextView::apply_font() {
    set_ime_font();
    GdiObject font(CreateViewFont(settings_.font_face.c_str(), settings_.font_size / 2 * 2));
    HDC dc = GetDC(hwnd());
    if (dc) {
        TEXTMETRICA tm = {};
        HGDIOBJ old = font.get() ? SelectObject(dc, font.get()) : nullptr;
        if (GetTextMetricsA(dc, &tm)) {
            char_width_ = tm.tmAveCharWidth > 0 ? tm.tmAveCharWidth : 1;
            line_height_ = tm.tmHeight > 0 ? tm.tmHeight : 1;
        }
        if (old) SelectObject(dc, old);
        ReleaseDC(hwnd(), dc);
    }
    hide_caret();
    show_caret();
}

// ---- caret ----

POINT TextView::drawing_point(ViewPos pos) const {
    POINT p = {(pos.column - horizontal_pos()) * char_width_ + kLeftMargin,
               (pos.row - vertical_pos()) * line_height_ + kTopMargin};
    return p;
}

void TextView::show_caret() {
    Window* w = window();
    if (!w) return;
    if (!w->caret.exists()) w->caret.Create(overwrite_ ? char_width_ : 1, line_height_);
    else w->caret.Hide();
    const POINT p = drawing_point(model_.selection().caret_view());
    w->caret.SetPos(p.x, p.y);
    w->caret.Show();
    ImeContext ime = w->ime();
    if (ime) {
        COMPOSITIONFORM form = {};
        form.dwStyle = CFS_POINT;
        form.ptCurrentPos = p;
        ImmSetCompositionWindow(ime.get(), &form);
    }
}

void TextView::hide_caret() {
    if (window()) window()->caret.Destroy();
}

void TextView::toggle_overwrite() {
    hide_caret();
    overwrite_ = !overwrite_;
    show_caret();
}

// ---- scrolling ----

int TextView::vertical_pos() const { return window() ? window()->vertical.info().nPos : 0; }
int TextView::horizontal_pos() const { return window() ? window()->horizontal.info().nPos : 0; }

int32_t TextView::vertical_page() const {
    const int page = window() ? static_cast<int>(window()->vertical.info().nPage) : 0;
    return page > 0 ? page : 1;
}

void TextView::update_scroll_bars() {
    Window* w = window();
    if (!w) return;
    RECT r = {};
    GetWindowRect(hwnd(), &r);
    const int vpage = (r.bottom - r.top - kTopMargin) / line_height_;
    const int hpage = (r.right - r.left - kLeftMargin) / char_width_;
    const int rows = model_.layout().row_count();
    w->vertical.SetRange(0, rows > 0 ? rows - 1 : 0);
    w->vertical.SetPage(static_cast<UINT>(vpage > 0 ? vpage : 0));
    const int width = model_.layout().wrap() ? settings_.wrap_columns : model_.buffer().max_width();
    w->horizontal.SetRange(0, width);
    w->horizontal.SetPage(static_cast<UINT>(hpage > 0 ? hpage : 0));
}

void TextView::scroll_content(int columns, int rows) {
    if (!columns && !rows) return;
    const int dx = columns * char_width_;
    const int dy = rows * line_height_;
    ScrollWindowEx(hwnd(), dx, dy, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
    // The margin bands moved with the content: repaint them where they were and where they went.
    RECT client = {};
    GetClientRect(hwnd(), &client);
    if (dy) {
        RECT band = {0, 0, client.right, kTopMargin};
        InvalidateRect(hwnd(), &band, FALSE);
        RECT moved = {0, dy, client.right, dy + kTopMargin};
        InvalidateRect(hwnd(), &moved, FALSE);
    }
    if (dx) {
        RECT band = {0, 0, kLeftMargin, client.bottom};
        InvalidateRect(hwnd(), &band, FALSE);
        RECT moved = {dx, 0, dx + kLeftMargin, client.bottom};
        InvalidateRect(hwnd(), &moved, FALSE);
    }
}

void TextView::keep_caret_visible() {
    Window* w = window();
    if (!w) return;
    update_scroll_bars();
    const ViewPos caret = model_.selection().caret_view();
    const int old_v = vertical_pos();
    const int old_h = horizontal_pos();
    const int vpage = vertical_page();
    const int hpage_raw = static_cast<int>(w->horizontal.info().nPage);
    const int hpage = hpage_raw > 0 ? hpage_raw : 1;
    if (caret.row >= old_v + vpage) w->vertical.SetPos(caret.row - vpage + 1);
    else if (old_v >= caret.row) w->vertical.SetPos(caret.row);
    if (caret.column >= old_h + hpage) w->horizontal.SetPos(caret.column - hpage + 1);
    else if (old_h >= caret.column) w->horizontal.SetPos(caret.column);
    scroll_content(old_h - horizontal_pos(), old_v - vertical_pos());
}

void TextView::scroll_by(int delta, bool vertical) {
    Window* w = window();
    if (!w || delta == 0) return;
    ScrollBar& bar = vertical ? w->vertical : w->horizontal;
    const int old = bar.info().nPos;
    bar.SetPos(old + delta);
    const int moved = bar.info().nPos - old;
    if (moved == 0) return;
    const int page = static_cast<int>(bar.info().nPage);
    if ((moved < 0 ? -moved : moved) < page) {
        if (vertical) scroll_content(0, -moved);
        else scroll_content(-moved, 0);
    } else {
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
    show_caret();
}

bool TextView::OnVerticalScroll(int delta) {
    scroll_by(delta, true);
    return true;
}

bool TextView::OnHorizontalScroll(int delta) {
    scroll_by(delta, false);
    return true;
}

void TextView::page_move(bool down) {
    Window* w = window();
    const int page = vertical_page();
    const int old = vertical_pos();
    w->vertical.SetPos(old + (down ? page : -page));
    scroll_content(0, old - vertical_pos());
    if (down) model_.selection().down(page);
    else model_.selection().up(page);
}

bool TextView::OnMouseWheel(POINT, int notches) {
    if (!window()) return true;
    const SelectionState before = selection_state();
    model_.shift_rule(ShiftDown());
    if (notches > 0) model_.selection().up(3 * notches);
    else if (notches < 0) model_.selection().down(-3 * notches);
    const int old = vertical_pos();
    window()->vertical.SetPos(old - 3 * notches);
    if (vertical_pos() != old) scroll_content(0, old - vertical_pos());
    invalidate_selection_change(before);
    show_caret();
    return true;
}

// ---- repainting ----

TextView::SelectionState TextView::selection_state() const {
    const CaretSelection& s = model_.selection();
    SelectionState state;
    state.shown = s.has_nonempty_selection();
    state.start = s.sel_start();
    state.end = s.sel_end();
    return state;
}

void TextView::invalidate_rows(int32_t first_row, int32_t last_row) {
    if (!hwnd()) return;
    if (last_row < first_row) std::swap(first_row, last_row);
    RECT client = {};
    GetClientRect(hwnd(), &client);
    const int64_t top = static_cast<int64_t>(first_row - vertical_pos()) * line_height_ + kTopMargin;
    const int64_t bottom = static_cast<int64_t>(last_row - vertical_pos() + 1) * line_height_ + kTopMargin;
    if (bottom < 0 || top > client.bottom) return;
    RECT r = {0, static_cast<LONG>(top < 0 ? 0 : top), client.right,
              static_cast<LONG>(bottom > client.bottom ? client.bottom : bottom)};
    InvalidateRect(hwnd(), &r, FALSE);
}

void TextView::invalidate_from_row(int32_t row) {
    if (!hwnd()) return;
    RECT client = {};
    GetClientRect(hwnd(), &client);
    int64_t top = static_cast<int64_t>(row - vertical_pos()) * line_height_ + kTopMargin;
    if (top > client.bottom) return;
    RECT r = {0, static_cast<LONG>(top < 0 ? 0 : top), client.right, client.bottom};
    InvalidateRect(hwnd(), &r, FALSE);
}

void TextView::invalidate_selection_change(const SelectionState& before) {
    const SelectionState now = selection_state();
    if (before.shown && now.shown) {
        if (before.start != now.start) invalidate_rows(row_of(before.start), row_of(now.start));
        if (before.end != now.end) invalidate_rows(row_of(before.end), row_of(now.end));
    } else if (before.shown) {
        invalidate_rows(row_of(before.start), row_of(before.end));
    } else if (now.shown) {
        invalidate_rows(row_of(now.start), row_of(now.end));
    }
}

void TextView::run_edit(const EditResult& result, const SelectionState& before) {
    if (!hwnd()) return;
    keep_caret_visible();
    if (result.changed) {
        const int32_t first = row_of(result.start);
        if (result.to_bottom) invalidate_from_row(first);
        else invalidate_rows(first, model_.layout().last_row_of(result.last_line));
    }
    invalidate_selection_change(before);
    show_caret();
}

// ---- owner's operations ----

bool TextView::add_highlight(const char* pattern, uint32_t flags, uint32_t group_mask, Rgb text_color, Rgb back_color) {
    if (!model_.highlights().add_rule(pattern, flags, group_mask, text_color, back_color)) return false;
    if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
    return true;
}

void TextView::insert_text(const kxlib::string& text, const char* separator) {
    const SelectionState before = selection_state();
    run_edit(model_.insert_text(text, separator), before);
}

void TextView::delete_forward() {
    const SelectionState before = selection_state();
    run_edit(model_.delete_forward(), before);
}

void TextView::select_all() {
    const SelectionState before = selection_state();
    model_.selection().select_all();
    invalidate_selection_change(before);
    if (hwnd()) {
        keep_caret_visible();
        show_caret();
    }
}

void TextView::move_caret_to(int32_t column, int32_t line) {
    const SelectionState before = selection_state();
    model_.selection().set_caret(TextPos{line - 1, column - 1});
    if (!hwnd()) return;
    keep_caret_visible();
    show_caret();
    invalidate_selection_change(before);
}

bool TextView::copy() {
    const kxlib::string text = model_.selected_text();
    if (text.empty()) return false;
    bool done = false;
    {
        ClipboardSession clipboard(hwnd());
        if (!clipboard.open()) return false;
        EmptyClipboard();
        GlobalBlock block(text.length() + 1);
        if (block.get()) {
            void* p = GlobalLock(block.get());
            if (p) {
                std::memcpy(p, text.c_str(), text.length() + 1);
                GlobalUnlock(block.get());
                if (SetClipboardData(CF_TEXT, block.get())) {
                    block.hand_over();
                    done = true;
                }
            }
        }
    }
    if (done) {
        const SelectionState before = selection_state();
        model_.selection().clear();
        invalidate_selection_change(before);
    }
    return done;
}

// ---- handlers ----

bool TextView::OnCreate() {
    const TEXTMETRICA& tm = window()->metrics();
    if (tm.tmAveCharWidth > 0) char_width_ = tm.tmAveCharWidth;
    if (tm.tmHeight > 0) line_height_ = tm.tmHeight;
    update_scroll_bars();
    window()->vertical.SetPos(0);
    window()->horizontal.SetPos(0);
    apply_font();
    return true;
}

bool TextView::OnSetFocus(Window&) {
    apply_font();
    return true;
}

bool TextView::OnKillFocus(Window&) {
    hide_caret();
    return true;
}

TextPos TextView::hit(POINT point) const {
    const RowLayout& layout = model_.layout();
    int32_t column = horizontal_pos() + (point.x - kLeftMargin) / char_width_;
    int32_t row = vertical_pos() + (point.y - kTopMargin) / line_height_;
    if (row >= layout.row_count()) row = layout.row_count() - 1;
    if (row < 0) row = 0;
    if (column < 0) column = 0;
    // At most one column past the row's last byte.
    const RowInfo info = layout.row_info(row);
    const char* bytes = model_.buffer().line(info.line)->c_str() + info.start;
    const int32_t limit = info.length > 0 ? DisplayColumn(bytes, info.length - 1, model_.buffer().tab_width()) + 1 : 0;
    if (column > limit) column = limit;
    TextPos pos = layout.from_view(column, row);
    if (model_.buffer().is_trail_position(pos)) pos.column -= 1;
    return pos;
}

bool TextView::OnLeftButtonDown(POINT point, bool) {
    const SelectionState before = selection_state();
    CaretSelection& s = model_.selection();
    s.clear();
    const TextPos pos = hit(point);
    s.set_caret(pos);
    show_caret();
    s.begin_selection(pos);
    invalidate_selection_change(before);
    SetCapture(hwnd());
    return true;
}

bool TextView::OnMouseMove(POINT point, WPARAM keys) {
    if (!(keys & MK_LBUTTON)) return true;
    const SelectionState before = selection_state();
    model_.selection().set_caret(hit(point));
    keep_caret_visible();
    show_caret();
    invalidate_selection_change(before);
    return true;
}

bool TextView::OnLeftButtonUp(POINT point) {
    const SelectionState before = selection_state();
    const TextPos pos = hit(point);
    model_.selection().set_caret(pos);
    model_.selection().end_selection(pos);
    if (GetCapture() == hwnd()) ReleaseCapture();
    invalidate_selection_change(before);
    show_caret();
    return true;
}

template <typename Move> void TextView::move_by_key(Move move) {
    const SelectionState before = selection_state();
    model_.shift_rule(ShiftDown());
    move();
    keep_caret_visible();
    show_caret();
    invalidate_selection_change(before);
}

bool TextView::OnKey(bool down, UINT virtual_key, int) {
    if (!down || !window()) return true;
    CaretSelection& s = model_.selection();
    const SelectionState before = selection_state();
    switch (virtual_key) {
        case VK_PRIOR:
            move_by_key([&] { page_move(false); });
            break;
        case VK_NEXT:
            move_by_key([&] { page_move(true); });
            break;
        case VK_LEFT:
            move_by_key([&] { s.left(1); });
            break;
        case VK_UP:
            move_by_key([&] { s.up(1); });
            break;
        case VK_RIGHT:
            move_by_key([&] { s.right(); });
            break;
        case VK_DOWN:
            move_by_key([&] { s.down(1); });
            break;
        case VK_INSERT:
            toggle_overwrite();
            break;
        case VK_DELETE:
            if (!read_only_) run_edit(model_.delete_forward(), before);
            break;
        case VK_BACK:
            if (!read_only_) run_edit(model_.backspace(), before);
            break;
        case VK_TAB:
            if (!read_only_) run_edit(model_.indent(), before);
            break;
        default:
            break;
    }
    return true;
}

bool TextView::OnChar(UINT code, int) {
    if (read_only_) return true;
    const SelectionState before = selection_state();
    run_edit(model_.type_char(code, overwrite_), before);
    return true;
}

bool TextView::OnImeResult() {
    // Read-only: the result is swallowed. Otherwise it is inserted here and the default processing
    // still runs; the WM_IME_CHAR messages it makes are dropped by the window procedure.
    if (read_only_) return true;
    ImeContext ime = window()->ime();
    if (!ime) return false;
    const LONG size = ImmGetCompositionStringA(ime.get(), GCS_RESULTSTR, nullptr, 0);
    if (size <= 0) return false;
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
    const LONG got = ImmGetCompositionStringA(ime.get(), GCS_RESULTSTR, buffer.data(), static_cast<DWORD>(size));
    if (got > 0) insert_text(kxlib::string(buffer.data(), static_cast<uint32_t>(got)), "\n");
    return false;
}

// ---- painting ----

bool TextView::OnPaint() {
    Painter painter(hwnd(), settings_.font_face.c_str(), settings_.font_size / 2 * 2);
    const RECT invalid = painter.invalid();
    painter.fill(invalid, ToColorRef(settings_.colors.text.back_normal));
    const RowLayout& layout = model_.layout();
    const int32_t rows = layout.row_count();
    int32_t first = vertical_pos() + (invalid.top - kTopMargin) / line_height_;
    int32_t last = vertical_pos() + (invalid.bottom + kTopMargin) / line_height_;
    if (first < 0) first = 0;
    if (last >= rows) last = rows - 1;
    if (first > last) return true;
    const int32_t first_line = layout.row_info(first).line;
    const int32_t last_line = layout.row_info(last).line;
    for (int32_t line = first_line; line <= last_line; ++line) paint_line(painter, line, invalid);
    return true;
}

void TextView::draw_range(Painter& painter, int32_t line, int32_t from, int32_t to, Rgb fore, Rgb back,
                          const RECT& invalid) {
    const RowLayout& layout = model_.layout();
    const kxlib::string& s = *model_.buffer().line(line);
    const int32_t tab = model_.buffer().tab_width();
    std::string expanded;
    for (int32_t r = layout.first_row_of(line), last = layout.last_row_of(line); r <= last; ++r) {
        const RowInfo info = layout.row_info(r);
        const int32_t a = from > info.start ? from : info.start;
        const int32_t b = to < info.start + info.length ? to : info.start + info.length;
        if (a >= b) continue;
        const int y = (r - vertical_pos()) * line_height_ + kTopMargin;
        if (y + line_height_ < invalid.top || y > invalid.bottom) continue;
        const char* row = s.c_str() + info.start;
        const int32_t start_column = DisplayColumn(row, a - info.start, tab);
        expanded.clear();
        int32_t column = start_column;
        for (int32_t i = a; i < b; ++i) {
            if (s[static_cast<uint32_t>(i)] == '\t') {
                const int32_t next = (column / tab + 1) * tab;
                expanded.append(static_cast<size_t>(next - column), ' ');
                column = next;
            } else {
                expanded.push_back(s[static_cast<uint32_t>(i)]);
                ++column;
            }
        }
        const POINT p = drawing_point(ViewPos{start_column, r});
        painter.text(p.x, p.y, expanded.data(), static_cast<int>(expanded.size()), ToColorRef(fore), ToColorRef(back));
    }
}

void TextView::paint_line(Painter& painter, int32_t line, const RECT& invalid) {
    const ColorScheme& colors = settings_.colors;
    const CaretSelection& sel = model_.selection();
    const kxlib::string& s = *model_.buffer().line(line);
    const int32_t length = static_cast<int32_t>(s.length());
    const bool shown = sel.has_nonempty_selection();
    const TextPos a = sel.sel_start();
    const TextPos b = sel.sel_end();
    const bool inside = shown && a.line <= line && line <= b.line;
    const int32_t sel_from = inside && a.line == line ? a.column : 0;
    const int32_t sel_to = inside && b.line == line ? b.column : length;

    if (inside && sel_from == 0 && sel_to == length) {
        draw_range(painter, line, 0, length, colors.text.fore_selected, colors.text.back_selected, invalid);
    } else {
        draw_range(painter, line, 0, length, colors.text.fore_normal, colors.text.back_normal, invalid);
        HighlightList& rules = model_.highlights();
        SpanList spans;
        for (int32_t i = 0; i < rules.count(); ++i) {
            const HighlightRule& rule = rules.rule(i);
            int32_t offset = 0;
            do {
                rules.match(i, s.c_str() + offset, &spans);
                if (spans.empty()) break;
                for (int32_t k = 1; k < spans.size(); ++k) {
                    const int32_t from = offset + spans[k].start;
                    draw_range(painter, line, from, from + spans[k].length, rule.text_color, rule.back_color, invalid);
                }
                // Search again after the match, at least one character further on.
                int32_t next = offset + spans[0].start + spans[0].length;
                if (next <= offset) next = offset + CharLengthAt(s.c_str(), length, offset);
                offset = next;
            } while (offset < length);
        }
        if (inside && sel_from < sel_to)
            draw_range(painter, line, sel_from, sel_to, colors.text.fore_selected, colors.text.back_selected, invalid);
    }

    // The end mark after the last character of the line's last row.
    const int32_t row = model_.layout().last_row_of(line);
    const POINT p = drawing_point(ViewPos{model_.layout().row_width(row), row});
    if (line == model_.buffer().line_count() - 1) {
        static const char kEof[] = "[EOF]";
        painter.text(p.x, p.y, kEof, 5, ToColorRef(colors.end_mark.fore_normal),
                     ToColorRef(colors.end_mark.back_normal));
        return;
    }
    const bool selected_break = shown && a.line <= line && b.line > line;
    const ElementColors& mark = colors.line_break;
    const COLORREF fore = ToColorRef(selected_break ? mark.fore_selected : mark.fore_normal);
    const COLORREF back = ToColorRef(selected_break ? mark.back_selected : mark.back_normal);
    const int w = char_width_;
    const int h = line_height_;
    RECT cell = {p.x, p.y, p.x + w, p.y + h};
    painter.fill(cell, back);
    painter.line(p.x + w / 4, p.y + 2 * h / 3, p.x + w / 2, p.y + 4 * h / 5, fore);
    painter.line(p.x + w / 2, p.y + 4 * h / 5, p.x + w / 2, p.y + h / 5, fore);
    painter.line(p.x + 3 * w / 4, p.y + 2 * h / 3, p.x + w / 2, p.y + 4 * h / 5, fore);
}

}  // namespace kx
