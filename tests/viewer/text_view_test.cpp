// The text view control in a real window under the test's display, driven by the messages a person's
// clicks, drags, keys and wheel turns produce; results read back from the model, the caret, the
// scroll bars, the clipboard and the drawn pixels.
#include <gtest/gtest.h>
#include <windows.h>

#include <imm.h>

#include <memory>
#include <string>
#include <vector>

#include "ui_support.h"
#include "viewer/text_view.h"

namespace {

using kx::TextPos;

std::vector<std::string> Lines(const kx::TextModel& m) {
    std::vector<std::string> out;
    for (int32_t k = 0; k < m.buffer().line_count(); ++k) out.push_back(m.buffer().line(k)->c_str());
    return out;
}

void SetShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

class TextViewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KestrelTestHost";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        RegisterClassA(&wc);
        host_ = CreateWindowExA(0, "KestrelTestHost", "host", WS_POPUP | WS_VISIBLE, 20, 20, 640, 440, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(host_, nullptr);
        view_.reset(new kx::TextView());
        hwnd_ = view_->create(host_);
        ASSERT_NE(hwnd_, nullptr);
        MoveWindow(hwnd_, 0, 0, 600, 400, TRUE);
        SetShift(false);
    }
    void TearDown() override {
        view_.reset();
        DestroyWindow(host_);
        SetShift(false);
    }

    void Unwrapped() {
        kx::ViewSettings s = view_->settings();
        s.wrap_columns = 0;
        view_->apply_settings(s);
    }
    void Load(const std::string& text) {
        view_->insert_text(text.c_str(), "\n");
        view_->move_caret_to(1, 1);
    }
    // The client point in the middle of the character cell of (column, row).
    POINT Cell(int column, int row) const {
        POINT p = view_->drawing_point(kx::ViewPos{column, row});
        p.x += view_->char_width() / 2;
        p.y += view_->line_height() / 2;
        return p;
    }
    LRESULT Send(UINT message, WPARAM w, POINT p) { return SendMessageA(hwnd_, message, w, MAKELPARAM(p.x, p.y)); }
    void Click(POINT p) {
        Send(WM_LBUTTONDOWN, MK_LBUTTON, p);
        Send(WM_LBUTTONUP, 0, p);
    }
    void Drag(POINT from, POINT to) {
        Send(WM_LBUTTONDOWN, MK_LBUTTON, from);
        POINT mid = {(from.x + to.x) / 2, (from.y + to.y) / 2};
        Send(WM_MOUSEMOVE, MK_LBUTTON, mid);
        Send(WM_MOUSEMOVE, MK_LBUTTON, to);
        Send(WM_LBUTTONUP, 0, to);
    }
    void Key(UINT vk) {
        SendMessageA(hwnd_, WM_KEYDOWN, vk, 1);
        SendMessageA(hwnd_, WM_KEYUP, vk, 1);
    }
    TextPos Caret() const { return view_->model().selection().caret(); }

    HWND host_ = nullptr;
    HWND hwnd_ = nullptr;
    std::unique_ptr<kx::TextView> view_;
};

TEST_F(TextViewWindow, ClicksLandOnTextPositions) {
    Unwrapped();
    Load("\tab\nxyz\n\t\nlast");
    // A line starting with a tab drawn in columns 0-3: columns 0, 2 and 3 before it, 1 after it.
    for (auto [column, expect] : std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 0}, {3, 0}, {4, 1}}) {
        Click(Cell(column, 0));
        EXPECT_EQ(Caret(), (TextPos{0, expect})) << "column " << column;
    }
    // The left margin gives column 0; right of a line's end gives its end; below the text the last row.
    Click(POINT{3, Cell(0, 1).y});
    EXPECT_EQ(Caret(), (TextPos{1, 0}));
    Click(Cell(30, 1));
    EXPECT_EQ(Caret(), (TextPos{1, 3}));
    Click(Cell(30, 2));
    EXPECT_EQ(Caret(), (TextPos{2, 1}));
    Click(Cell(2, 12));
    EXPECT_EQ(Caret(), (TextPos{3, 2}));
    // A click is no selection.
    EXPECT_FALSE(view_->model().selection().has_selection());
    // The caret is drawn where the text position is.
    HWND owner = nullptr;
    RECT caret = kxtest::ThreadCaret(GetCurrentThreadId(), &owner);
    EXPECT_EQ(owner, hwnd_);
    EXPECT_EQ(caret.left, view_->drawing_point(kx::ViewPos{2, 3}).x);
    EXPECT_EQ(caret.top, view_->drawing_point(kx::ViewPos{2, 3}).y);
}

TEST_F(TextViewWindow, ClickOnADoubleByteCharacterLandsOnItsStart) {
    Load("aあいz");
    Click(Cell(2, 0));  // the right half of あ
    EXPECT_EQ(Caret(), (TextPos{0, 1}));
    Click(Cell(4, 0));  // the right half of い
    EXPECT_EQ(Caret(), (TextPos{0, 3}));
}

TEST_F(TextViewWindow, DragSelectsAcrossLinesAndColoursTheLineBreak) {
    Load("first line\nsecond line\nthird");
    Drag(Cell(3, 0), Cell(4, 1));
    const kx::CaretSelection& s = view_->model().selection();
    ASSERT_TRUE(s.has_selection());
    EXPECT_FALSE(s.selecting());
    EXPECT_EQ(s.sel_start(), (TextPos{0, 3}));
    EXPECT_EQ(s.sel_end(), (TextPos{1, 4}));
    EXPECT_EQ(GetCapture(), nullptr);

    UpdateWindow(host_);
    kxtest::Capture shot(hwnd_);
    auto cell_rect = [&](int column, int row) {
        POINT p = view_->drawing_point(kx::ViewPos{column, row});
        ClientToScreen(hwnd_, &p);
        return RECT{p.x, p.y, p.x + view_->char_width(), p.y + view_->line_height()};
    };
    auto is = [](COLORREF want) { return [want](COLORREF c) { return c == want; }; };
    const int cell = view_->char_width() * view_->line_height();
    // The first line's break mark is selected (its background fills most of the cell); the second's is not.
    EXPECT_GT(shot.count(cell_rect(10, 0), is(RGB(100, 180, 100))), cell / 2);
    EXPECT_EQ(shot.count(cell_rect(11, 1), is(RGB(100, 180, 100))), 0);
    EXPECT_GT(shot.count(cell_rect(11, 1), is(RGB(128, 200, 128))), 0);
    // Selected text is drawn on the highlight colour, unselected text is not.
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_GT(shot.count(cell_rect(5, 0), is(highlight)), 0);
    EXPECT_EQ(shot.count(cell_rect(1, 0), is(highlight)), 0);
    EXPECT_EQ(shot.count(cell_rect(6, 1), is(highlight)), 0);
    // "[EOF]" follows the last line in the end mark's colour.
    RECT eof = cell_rect(5, 2);
    eof.right += 4 * view_->char_width();
    EXPECT_GT(shot.count(eof, is(RGB(128, 200, 128))), 0);
}

TEST_F(TextViewWindow, CopyPutsTheSelectionWithCrLfOnTheClipboard) {
    Load("alpha\nbeta\ngamma\ndelta");
    kxtest::SetClipboardText("old");
    EXPECT_FALSE(view_->copy());
    EXPECT_EQ(kxtest::ClipboardText(), "old");
    Drag(Cell(2, 0), Cell(3, 2));
    ASSERT_TRUE(view_->copy());
    EXPECT_EQ(kxtest::ClipboardText(), "pha\r\nbeta\r\ngam");
    EXPECT_FALSE(view_->model().selection().has_selection());
    // The copy is taken as it was: editing afterwards does not change it.
    view_->insert_text("zzz", "\n");
    EXPECT_EQ(kxtest::ClipboardText(), "pha\r\nbeta\r\ngam");
}

TEST_F(TextViewWindow, ReadOnlyBlocksEditingButNotCaretOrSelection) {
    Load("one\ntwo");
    view_->set_read_only(true);
    SendMessageA(hwnd_, WM_CHAR, 'x', 1);
    SendMessageA(hwnd_, WM_CHAR, '\r', 1);
    Key(VK_DELETE);
    Key(VK_BACK);
    Key(VK_TAB);
    EXPECT_EQ(SendMessageA(hwnd_, WM_IME_COMPOSITION, 0, GCS_RESULTSTR), 0);
    EXPECT_EQ(Lines(view_->model()), (std::vector<std::string>{"one", "two"}));
    Key(VK_RIGHT);
    Key(VK_DOWN);
    EXPECT_EQ(Caret(), (TextPos{1, 1}));
    // Insert switches the caret between a bar and a whole character cell, also when read-only.
    RECT bar = kxtest::ThreadCaret(GetCurrentThreadId());
    EXPECT_EQ(bar.right - bar.left, 1);
    Key(VK_INSERT);
    RECT cell = kxtest::ThreadCaret(GetCurrentThreadId());
    EXPECT_EQ(cell.right - cell.left, view_->char_width());
    EXPECT_EQ(cell.bottom - cell.top, view_->line_height());
    Key(VK_INSERT);
    EXPECT_FALSE(view_->overwrite());
}

TEST_F(TextViewWindow, TypingAndEditingKeys) {
    Load("ab\ncd");
    view_->move_caret_to(2, 1);
    SendMessageA(hwnd_, WM_CHAR, 'X', 1);
    SendMessageA(hwnd_, WM_CHAR, '\r', 1);
    SendMessageA(hwnd_, WM_CHAR, 0x82, 1);  // beyond ASCII only arrives through the IME
    SendMessageA(hwnd_, WM_CHAR, 0x08, 1);  // control codes are not text
    EXPECT_EQ(Lines(view_->model()), (std::vector<std::string>{"aX", "b", "cd"}));
    EXPECT_EQ(Caret(), (TextPos{1, 0}));
    Key(VK_BACK);
    EXPECT_EQ(Lines(view_->model()), (std::vector<std::string>{"aXb", "cd"}));
    Key(VK_DELETE);
    EXPECT_EQ(Lines(view_->model()), (std::vector<std::string>{"aX", "cd"}));
    Key(VK_TAB);
    EXPECT_EQ(Lines(view_->model()), (std::vector<std::string>{"aX\t", "cd"}));
    // Overwrite mode replaces the character at the caret.
    Key(VK_INSERT);
    view_->move_caret_to(1, 2);
    SendMessageA(hwnd_, WM_CHAR, 'Z', 1);
    EXPECT_EQ(Lines(view_->model()), (std::vector<std::string>{"aX\t", "Zd"}));
    // With no composition under way the IME result is empty and nothing is inserted.
    EXPECT_NE(SendMessageA(hwnd_, WM_IME_COMPOSITION, 0, GCS_RESULTSTR), 1);
    EXPECT_EQ(Lines(view_->model()), (std::vector<std::string>{"aX\t", "Zd"}));
}

TEST_F(TextViewWindow, ShiftArrowsExtendAndPlainArrowsDrop) {
    Load("aaaa\nbbbb\ncccc\ndddd");
    view_->move_caret_to(3, 1);
    SetShift(true);
    Key(VK_DOWN);
    Key(VK_DOWN);
    const kx::CaretSelection& s = view_->model().selection();
    EXPECT_TRUE(s.has_nonempty_selection());
    EXPECT_EQ(s.sel_start(), (TextPos{0, 2}));
    EXPECT_EQ(s.sel_end(), (TextPos{2, 2}));
    SetShift(false);
    Key(VK_DOWN);
    EXPECT_FALSE(s.has_selection());
    EXPECT_EQ(Caret(), (TextPos{3, 2}));
}

// Shift+Right then Shift+Left leaves an empty selection, on which Backspace and Tab act.
TEST_F(TextViewWindow, EditingKeysActOnAnEmptySelection) {
    Load("abc\ndef");
    view_->move_caret_to(3, 1);
    const kx::CaretSelection& s = view_->model().selection();
    SetShift(true);
    Key(VK_RIGHT);
    Key(VK_LEFT);
    SetShift(false);
    ASSERT_TRUE(s.has_selection());
    Key(VK_BACK);
    EXPECT_EQ(Lines(view_->model()), (std::vector<std::string>{"abc", "def"}));
    EXPECT_FALSE(s.has_selection());
    EXPECT_EQ(Caret(), (TextPos{0, 2}));
    SetShift(true);
    Key(VK_RIGHT);
    Key(VK_LEFT);
    SetShift(false);
    Key(VK_TAB);
    EXPECT_EQ(Lines(view_->model()), (std::vector<std::string>{"\tabc", "def"}));
    EXPECT_EQ(s.sel_start(), (TextPos{0, 0}));
    EXPECT_EQ(s.sel_end(), (TextPos{0, 4}));
}

TEST_F(TextViewWindow, ScrollingFollowsTheCaretAndTheWheel) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\n";
    Load(text);
    const int page = (400 - 2) / view_->line_height();
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(hwnd_, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 100);
    EXPECT_EQ(static_cast<int>(si.nPage), page);
    view_->move_caret_to(1, 61);
    EXPECT_EQ(GetScrollPos(hwnd_, SB_VERT), 60 - page + 1);
    // One forward notch: the caret three rows up and the view three rows up.
    const int before = GetScrollPos(hwnd_, SB_VERT);
    SendMessageA(hwnd_, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(50, 50));
    EXPECT_EQ(Caret(), (TextPos{57, 0}));
    EXPECT_EQ(GetScrollPos(hwnd_, SB_VERT), before - 3);
    // The scroll bar moves the view, not the caret.
    SendMessageA(hwnd_, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(GetScrollPos(hwnd_, SB_VERT), before - 2);
    SendMessageA(hwnd_, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(GetScrollPos(hwnd_, SB_VERT), 0);
    EXPECT_EQ(Caret(), (TextPos{57, 0}));
    // Page Down scrolls by a page and moves the caret a page of rows.
    view_->move_caret_to(1, 1);
    Key(VK_NEXT);
    EXPECT_EQ(GetScrollPos(hwnd_, SB_VERT), page);
    EXPECT_EQ(Caret(), (TextPos{page, 0}));
    // Moving the caret back up brings the view along.
    view_->move_caret_to(1, 3);
    EXPECT_EQ(GetScrollPos(hwnd_, SB_VERT), 2);
}

}  // namespace
