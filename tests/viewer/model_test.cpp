// The text view model without a window: line edits, tab and wrap rules with double-byte characters,
// caret moves and the selection, and the editing commands of the view.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"
#include "viewer/model/placement.h"
#include "viewer/model/tab_rules.h"
#include "viewer/model/text_model.h"

namespace {

using kx::TextPos;
using kx::ViewPos;

// Shift_JIS "あ", "い" and "表" (whose trail byte is a backslash).
const char kA[] = "\x82\xA0";
const char kI[] = "\x82\xA2";
const char kHyo[] = "\x95\x5C";

std::vector<std::string> Lines(const kx::LineBuffer& b) {
    std::vector<std::string> out;
    for (int32_t k = 0; k < b.line_count(); ++k) out.push_back(b.line(k)->c_str());
    return out;
}

void Fill(kx::TextModel& m, const std::string& text) {
    m.layout().insert(TextPos{0, 0}, kxlib::string(text.c_str()), "\n", nullptr);
    m.selection().set_caret(TextPos{0, 0});
}

// Deterministic pseudo-random numbers for the cross-checks.
struct Lcg {
    uint32_t state;
    uint32_t next(uint32_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % n;
    }
};

}  // namespace

TEST(LineBuffer, InsertAndEraseAcrossLines) {
    kx::LineBuffer b;
    EXPECT_EQ(Lines(b), std::vector<std::string>{""});
    TextPos end;
    ASSERT_TRUE(b.insert(TextPos{0, 0}, "XY", "\n", &end));
    ASSERT_TRUE(b.insert(TextPos{0, 1}, "a\nb\n", "\n", &end));
    EXPECT_EQ(Lines(b), (std::vector<std::string>{"Xa", "b", "Y"}));
    EXPECT_EQ(end, (TextPos{2, 0}));

    kxlib::string removed;
    EXPECT_FALSE(b.erase(TextPos{1, 0}, TextPos{1, 0}, "\n", &removed));
    EXPECT_FALSE(b.erase(TextPos{2, 0}, TextPos{1, 0}, "\n", &removed));
    EXPECT_FALSE(b.erase(TextPos{0, 5}, TextPos{1, 0}, "\n", &removed));
    ASSERT_TRUE(b.erase(TextPos{0, 1}, TextPos{2, 0}, "\n", &removed));
    EXPECT_STREQ(removed.c_str(), "a\nb\n");
    EXPECT_EQ(Lines(b), std::vector<std::string>{"XY"});

    // Insertion only into existing lines and columns.
    EXPECT_FALSE(b.insert(TextPos{1, 0}, "z", "\n", &end));
    EXPECT_FALSE(b.insert(TextPos{0, 3}, "z", "\n", &end));
    EXPECT_FALSE(b.insert(TextPos{-1, 0}, "z", "\n", &end));
    EXPECT_EQ(b.line(-1), nullptr);
    EXPECT_EQ(b.line(1), nullptr);

    // Several separators in a row make empty lines; the last piece carries the old tail.
    ASSERT_TRUE(b.insert(TextPos{0, 1}, "\n\nq", "\n", &end));
    EXPECT_EQ(Lines(b), (std::vector<std::string>{"X", "", "qY"}));
    EXPECT_EQ(end, (TextPos{2, 1}));

    ASSERT_TRUE(b.erase(TextPos{0, 0}, b.end_position(), "\n", &removed));
    EXPECT_STREQ(removed.c_str(), "X\n\nqY");
    EXPECT_EQ(Lines(b), std::vector<std::string>{""});
    EXPECT_EQ(b.line_count(), 1);
    EXPECT_EQ(b.max_width(), 0);
}

TEST(LineBuffer, TextOfRangesAndSeparators) {
    kx::LineBuffer b;
    b.insert(TextPos{0, 0}, "first\nmiddle\nlast", "\n", nullptr);
    EXPECT_STREQ(b.text_of(TextPos{0, 2}, TextPos{1, 3}, "\r\n").c_str(), "rst\r\nmid");
    EXPECT_STREQ(b.text_of(TextPos{2, 2}, TextPos{0, 5}, "\r\n").c_str(), "\r\nmiddle\r\nla");
    EXPECT_STREQ(b.text_of(TextPos{1, 4}, TextPos{1, 1}, "\n").c_str(), "idd");
    EXPECT_STREQ(b.text_of(TextPos{1, 1}, TextPos{1, 1}, "\n").c_str(), "");
    // A separator of more than one byte is found as a whole when inserting.
    kx::LineBuffer c;
    c.insert(TextPos{0, 0}, "a\r\nb\nc", "\r\n", nullptr);
    EXPECT_EQ(Lines(c), (std::vector<std::string>{"a", "b\nc"}));
}

// Random edits against a vector of strings: catches slips of the cached line walk, the line count
// and the widest-line measure.
TEST(LineBuffer, RandomEditsMatchAReferenceModel) {
    kx::LineBuffer b;
    std::vector<std::string> ref{""};
    Lcg rng{7};
    const char* pieces[] = {"a", "bc\n", "\n", "\tx", "long line here", "\n\n", "q\nr\ns"};
    for (int step = 0; step < 3000; ++step) {
        int32_t line = static_cast<int32_t>(rng.next(static_cast<uint32_t>(ref.size())));
        int32_t col = static_cast<int32_t>(rng.next(static_cast<uint32_t>(ref[line].size() + 1)));
        if (rng.next(3) != 0 || ref.size() < 3) {
            std::string text = pieces[rng.next(7)];
            ASSERT_TRUE(b.insert(TextPos{line, col}, text.c_str(), "\n", nullptr));
            std::string tail = ref[line].substr(col);
            std::vector<std::string> parts;
            size_t s = 0, f;
            std::string head = ref[line].substr(0, col) + text;
            while ((f = head.find('\n', s)) != std::string::npos) parts.push_back(head.substr(s, f - s)), s = f + 1;
            parts.push_back(head.substr(s) + tail);
            ref.erase(ref.begin() + line);
            ref.insert(ref.begin() + line, parts.begin(), parts.end());
        } else {
            int32_t to_line = line + static_cast<int32_t>(rng.next(3));
            if (to_line >= static_cast<int32_t>(ref.size())) to_line = static_cast<int32_t>(ref.size()) - 1;
            int32_t to_col = static_cast<int32_t>(rng.next(static_cast<uint32_t>(ref[to_line].size() + 1)));
            if (!(TextPos{line, col} < TextPos{to_line, to_col})) continue;
            kxlib::string removed;
            ASSERT_TRUE(b.erase(TextPos{line, col}, TextPos{to_line, to_col}, "\n", &removed));
            std::string expect = ref[line].substr(col);
            for (int32_t k = line + 1; k <= to_line; ++k)
                expect += "\n" + (k == to_line ? ref[k].substr(0, static_cast<size_t>(to_col)) : ref[k]);
            if (to_line == line) expect = ref[line].substr(col, to_col - col);
            ASSERT_EQ(std::string(removed.c_str()), expect);
            std::string merged = ref[line].substr(0, col) + ref[to_line].substr(to_col);
            ref.erase(ref.begin() + line + 1, ref.begin() + to_line + 1);
            ref[line] = merged;
        }
        if (ref.size() > 60) {
            b.erase(TextPos{0, 0}, TextPos{30, 0}, "\n", nullptr);
            ref.erase(ref.begin(), ref.begin() + 30);
        }
        ASSERT_EQ(Lines(b), ref) << "step " << step;
        int32_t widest = 0;
        for (const std::string& s : ref)
            widest = std::max(widest, kx::LineWidthMeasure(s.c_str(), static_cast<int32_t>(s.size()), 4));
        ASSERT_EQ(b.max_width(), widest) << "step " << step;
        // Fetch in a scattered order too, so the cache is walked both ways.
        int32_t k = static_cast<int32_t>(rng.next(static_cast<uint32_t>(ref.size())));
        ASSERT_STREQ(b.line(k)->c_str(), ref[k].c_str());
    }
}

TEST(TabRules, DisplayColumnsWidthAndHitTesting) {
    ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
    EXPECT_EQ(kx::DisplayColumn("ab\tc", 3, 4), 4);
    EXPECT_EQ(kx::DisplayColumn("\tX", 1, 4), 4);
    EXPECT_EQ(kx::DisplayColumn("abcd\tX", 5, 4), 8);
    EXPECT_EQ(kx::DisplayColumn("abc\tX", 4, 4), 4);
    EXPECT_EQ(kx::LineWidthMeasure("\tX", 2, 4), 6);
    EXPECT_EQ(kx::LineWidthMeasure("abc", 3, 4), 3);
    // Unwrapped: a line starting with a tab drawn in columns 0-3.
    for (auto [wanted, expect] : std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 0}, {3, 0}, {4, 1}, {6, 3}})
        EXPECT_EQ(kx::ByteColumnOf("\tab", 3, wanted, 4, false), expect) << wanted;
    // Wrapped: every column of the expansion gives the tab.
    for (auto [wanted, expect] : std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {3, 0}, {4, 1}, {5, 2}})
        EXPECT_EQ(kx::ByteColumnOf("\tab", 3, wanted, 4, true), expect) << wanted;
    // Double-byte characters are two columns; the trail byte's column is reported as such.
    std::string s = std::string("x") + kA + kHyo;
    EXPECT_EQ(kx::DisplayColumn(s.c_str(), 5, 4), 5);
    EXPECT_TRUE(kx::IsTrailColumn(s.c_str(), 2));
    EXPECT_FALSE(kx::IsTrailColumn(s.c_str(), 3));
    EXPECT_TRUE(kx::IsTrailColumn(s.c_str(), 4));
    EXPECT_EQ(kx::CharLengthAt(s.c_str(), 5, 1), 2);
    EXPECT_EQ(kx::CharLengthAt(s.c_str(), 5, 0), 1);
}

TEST(RowLayout, WrapRulesForTabsAndDoubleByteCharacters) {
    ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
    kx::LineBuffer b;
    kx::RowLayout layout(b);
    layout.set_wrap_width(10);
    layout.set_wrap(true);
    layout.insert(TextPos{0, 0}, std::string(25, 'x').c_str(), "\n", nullptr);
    ASSERT_EQ(layout.row_count(), 3);
    EXPECT_EQ(layout.row_info(0).length, 10);
    EXPECT_EQ(layout.row_info(1).length, 10);
    EXPECT_EQ(layout.row_info(2).start, 20);
    EXPECT_EQ(layout.row_info(2).length, 5);
    // A column on a row boundary belongs to the next row; the line's end to its last row.
    EXPECT_EQ(layout.to_view(TextPos{0, 10}), (ViewPos{0, 1}));
    EXPECT_EQ(layout.to_view(TextPos{0, 25}), (ViewPos{5, 2}));
    EXPECT_EQ(layout.from_view(3, 2), (TextPos{0, 23}));
    EXPECT_EQ(layout.to_view(TextPos{1, 0}), (ViewPos{-1, -1}));
    EXPECT_EQ(layout.from_view(0, 3), (TextPos{-1, -1}));

    // A double-byte character that would start at column 9 (or 10) opens the next row.
    std::string dbcs = std::string("123456789") + kA + "ab" + kI;
    layout.insert(TextPos{0, 25}, ("\n" + dbcs).c_str(), "\n", nullptr);
    ASSERT_EQ(layout.row_count(), 5);
    EXPECT_EQ(layout.row_info(3).length, 9);
    EXPECT_EQ(layout.row_info(4).start, 9);
    EXPECT_EQ(layout.row_info(4).length, 6);
    EXPECT_EQ(layout.row_width(4), 6);

    // A tab that does not fit (column + tab width > width) starts a row; expansion restarts there.
    layout.insert(TextPos{1, 15}, "\n1234567\tz", "\n", nullptr);
    ASSERT_EQ(layout.row_count(), 7);
    EXPECT_EQ(layout.row_info(5).length, 7);
    EXPECT_EQ(layout.row_info(6).start, 7);
    EXPECT_EQ(layout.to_view(TextPos{2, 9}), (ViewPos{5, 6}));
    EXPECT_EQ(layout.from_view(2, 6), (TextPos{2, 7}));

    // Rows that do not fit a tab or a double-byte character at all: one per row, none empty.
    layout.set_wrap_width(1);
    for (int32_t r = 0; r < layout.row_count(); ++r) EXPECT_GT(layout.row_info(r).length, 0) << r;
    EXPECT_EQ(layout.row_count(), 25 + 13 + 9);

    layout.set_wrap(false);
    EXPECT_EQ(layout.row_count(), 3);
    EXPECT_EQ(layout.row_info(1).length, 15);
    EXPECT_EQ(layout.to_view(TextPos{2, 8}), (ViewPos{8, 2}));
}

// Rows rebuilt after each edit must equal rows built afresh for the whole text.
TEST(RowLayout, IncrementalRowsMatchAFullRebuild) {
    ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
    kx::LineBuffer b;
    kx::RowLayout layout(b);
    layout.set_wrap_width(7);
    layout.set_wrap(true);
    Lcg rng{11};
    const std::string pieces[] = {"abc", "\n", std::string(kA) + "\t" + kI, "0123456789", "x\ny\n", "\t\t"};
    for (int step = 0; step < 400; ++step) {
        int32_t line = static_cast<int32_t>(rng.next(static_cast<uint32_t>(b.line_count())));
        TextPos pos{line, static_cast<int32_t>(rng.next(static_cast<uint32_t>(b.line_length(line) + 1)))};
        b.clamp(&pos);
        if (rng.next(3) != 0) {
            layout.insert(pos, pieces[rng.next(6)].c_str(), "\n", nullptr);
        } else {
            TextPos to{pos.line + static_cast<int32_t>(rng.next(2)), 0};
            if (to.line >= b.line_count()) to.line = b.line_count() - 1;
            to.column = static_cast<int32_t>(rng.next(static_cast<uint32_t>(b.line_length(to.line) + 1)));
            b.clamp(&to);
            layout.erase(pos, to, "\n", nullptr);
        }
        kx::LineBuffer copy;
        copy.insert(TextPos{0, 0}, b.text_of(TextPos{0, 0}, b.end_position(), "\n"), "\n", nullptr);
        kx::RowLayout fresh(copy);
        fresh.set_wrap_width(7);
        fresh.set_wrap(true);
        ASSERT_EQ(layout.row_count(), fresh.row_count()) << step;
        for (int32_t r = 0; r < fresh.row_count(); ++r) {
            ASSERT_EQ(layout.row_info(r).line, fresh.row_info(r).line) << step << " row " << r;
            ASSERT_EQ(layout.row_info(r).start, fresh.row_info(r).start) << step << " row " << r;
            ASSERT_EQ(layout.row_info(r).length, fresh.row_info(r).length) << step << " row " << r;
        }
        for (int32_t k = 0; k < b.line_count(); ++k) ASSERT_EQ(layout.first_row_of(k), fresh.first_row_of(k));
    }
}

TEST(CaretSelection, HorizontalMovesAndClamping) {
    ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
    kx::TextModel m;
    Fill(m, std::string("ab") + kA + "\n" + kHyo + "\nend");
    kx::CaretSelection& c = m.selection();
    // A position on a trail byte is clamped to its lead byte, and reported as clamped.
    EXPECT_FALSE(c.set_caret(TextPos{0, 3}));
    EXPECT_EQ(c.caret(), (TextPos{0, 2}));
    EXPECT_FALSE(c.set_caret(TextPos{0, 99}));
    EXPECT_EQ(c.caret(), (TextPos{0, 4}));
    EXPECT_TRUE(c.set_caret(TextPos{0, 2}));
    EXPECT_TRUE(c.right());
    EXPECT_EQ(c.caret(), (TextPos{0, 4}));
    EXPECT_TRUE(c.right());
    EXPECT_EQ(c.caret(), (TextPos{1, 0}));
    EXPECT_TRUE(c.right());
    EXPECT_EQ(c.caret(), (TextPos{1, 2}));
    // Left: a line break is one step, a trail-byte landing moves to the lead byte.
    EXPECT_TRUE(c.left(1));
    EXPECT_EQ(c.caret(), (TextPos{1, 0}));
    EXPECT_TRUE(c.left(1));
    EXPECT_EQ(c.caret(), (TextPos{0, 4}));
    EXPECT_TRUE(c.left(1));
    EXPECT_EQ(c.caret(), (TextPos{0, 2}));
    EXPECT_FALSE(c.left(4));
    EXPECT_EQ(c.caret(), (TextPos{0, 2}));
    EXPECT_TRUE(c.left(2));
    EXPECT_EQ(c.caret(), (TextPos{0, 0}));
    EXPECT_FALSE(c.left(1));
    EXPECT_EQ(c.caret(), (TextPos{0, 0}));
    // At the end of the last line nothing moves and the desired column is reset.
    c.set_caret(TextPos{2, 3});
    EXPECT_EQ(c.desired_column(), 3);
    EXPECT_FALSE(c.right());
    EXPECT_EQ(c.caret(), (TextPos{2, 3}));
    EXPECT_EQ(c.desired_column(), 0);
}

TEST(CaretSelection, VerticalMovesKeepTheDesiredColumn) {
    ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
    kx::TextModel m;
    Fill(m, std::string("0123456789abc\nxyz\n") + "123456789" + kA + kI + "\nq\tw");
    kx::CaretSelection& c = m.selection();
    c.set_caret(TextPos{0, 10});
    EXPECT_TRUE(c.down(1));
    EXPECT_EQ(c.caret(), (TextPos{1, 3}));
    EXPECT_EQ(c.desired_column(), 10);
    // Column 10 is the trail byte of the first double-byte character: back to its lead.
    EXPECT_TRUE(c.down(1));
    EXPECT_EQ(c.caret(), (TextPos{2, 9}));
    EXPECT_TRUE(c.up(2));
    EXPECT_EQ(c.caret(), (TextPos{0, 10}));
    // Down beyond the last row stops at it; tab expansion counts for the column.
    c.set_caret(TextPos{0, 6});
    EXPECT_TRUE(c.down(10));
    EXPECT_EQ(c.caret(), (TextPos{3, 3}));
    EXPECT_TRUE(c.up(10));
    EXPECT_EQ(c.caret(), (TextPos{0, 6}));
    // With wrapping, up and down walk rows of one line.
    m.layout().set_wrap_width(5);
    m.layout().set_wrap(true);
    c.set_caret(TextPos{0, 7});
    EXPECT_EQ(c.caret_view(), (ViewPos{2, 1}));
    EXPECT_TRUE(c.down(1));
    EXPECT_EQ(c.caret(), (TextPos{0, 12}));
    EXPECT_TRUE(c.down(1));
    EXPECT_EQ(c.caret(), (TextPos{1, 2}));
}

TEST(CaretSelection, SelectionRules) {
    kx::TextModel m;
    Fill(m, "one\ntwo\nthree");
    kx::CaretSelection& c = m.selection();
    c.set_caret(TextPos{1, 2});
    c.begin_selection(c.caret());
    EXPECT_TRUE(c.selecting());
    c.set_caret(TextPos{0, 1});
    EXPECT_EQ(c.sel_start(), (TextPos{0, 1}));
    EXPECT_EQ(c.sel_end(), (TextPos{1, 2}));
    c.end_selection(TextPos{2, 1});
    EXPECT_FALSE(c.selecting());
    EXPECT_TRUE(c.has_selection());
    EXPECT_EQ(c.sel_start(), (TextPos{1, 2}));
    EXPECT_EQ(c.sel_end(), (TextPos{2, 1}));
    // An empty selection disappears when it ends.
    c.clear();
    c.begin_selection(TextPos{0, 0});
    c.end_selection(TextPos{0, 0});
    EXPECT_FALSE(c.has_selection());
    // Select all covers the whole text with the anchor at its end, even over an older selection.
    c.set_selection(TextPos{1, 0}, TextPos{1, 1});
    c.select_all();
    EXPECT_TRUE(c.has_selection());
    EXPECT_EQ(c.sel_start(), (TextPos{0, 0}));
    EXPECT_EQ(c.sel_end(), (TextPos{2, 5}));
    EXPECT_EQ(c.anchor(), (TextPos{2, 5}));
    EXPECT_EQ(c.caret(), (TextPos{0, 0}));
}

TEST(TextModel, ShiftRuleExtendsThenDropsTheSelection) {
    kx::TextModel m;
    Fill(m, "aaaa\nbbbb\ncccc\ndddd");
    m.selection().set_caret(TextPos{0, 2});
    for (int i = 0; i < 2; ++i) {
        m.shift_rule(true);
        m.selection().down(1);
    }
    EXPECT_TRUE(m.selection().has_nonempty_selection());
    EXPECT_EQ(m.selection().sel_start(), (TextPos{0, 2}));
    EXPECT_EQ(m.selection().sel_end(), (TextPos{2, 2}));
    EXPECT_STREQ(m.selected_text().c_str(), "aa\r\nbbbb\r\ncc");
    m.shift_rule(false);
    m.selection().down(1);
    EXPECT_FALSE(m.selection().has_selection());
    EXPECT_EQ(m.selection().caret(), (TextPos{3, 2}));
}

TEST(TextModel, TypingDeletingAndIndenting) {
    ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
    kx::TextModel m;
    Fill(m, std::string("a") + kA + "b\n\nxy\nz");
    // Only LF (CR taken as LF) and 0x20-0x7F are typed.
    EXPECT_FALSE(m.type_char(0x07, false).changed);
    EXPECT_FALSE(m.type_char(0x82, false).changed);
    EXPECT_TRUE(m.type_char('Q', false).changed);
    EXPECT_STREQ(m.buffer().line(0)->c_str(), (std::string("Qa") + kA + "b").c_str());
    m.selection().set_caret(TextPos{0, 2});
    kx::EditResult r = m.type_char('\r', false);
    EXPECT_TRUE(r.to_bottom);
    EXPECT_EQ(m.selection().caret(), (TextPos{1, 0}));
    EXPECT_STREQ(m.buffer().line(1)->c_str(), (std::string(kA) + "b").c_str());
    // Overwrite replaces the whole character at the caret, and inserts at a line's end.
    m.type_char('w', true);
    EXPECT_STREQ(m.buffer().line(1)->c_str(), "wb");
    m.selection().set_caret(TextPos{1, 2});
    m.type_char('!', true);
    EXPECT_STREQ(m.buffer().line(1)->c_str(), "wb!");
    // Backspace and Delete over line breaks and double-byte characters.
    m.selection().set_caret(TextPos{1, 0});
    m.backspace();
    EXPECT_EQ(m.selection().caret(), (TextPos{0, 2}));
    EXPECT_STREQ(m.buffer().line(0)->c_str(), "Qawb!");
    m.insert_text(kxlib::string(kHyo), "\n");
    m.backspace();
    EXPECT_STREQ(m.buffer().line(0)->c_str(), "Qawb!");
    m.selection().set_caret(m.buffer().end_position());
    EXPECT_FALSE(m.delete_forward().changed);
    EXPECT_TRUE(m.backspace().changed);
    EXPECT_EQ(Lines(m.buffer()), (std::vector<std::string>{"Qawb!", "", "xy", ""}));
    // Typing replaces a selection.
    m.selection().set_selection(TextPos{0, 1}, TextPos{2, 1});
    m.selection().set_caret(TextPos{2, 1});
    m.insert_text("--", "\n");
    EXPECT_EQ(Lines(m.buffer()), (std::vector<std::string>{"Q--y", ""}));
    // Indent with a selection: a tab before each line from the end up, stopping at an empty line.
    m.clear_text();
    Fill(m, "p\n\nr\ns\nt");
    m.selection().set_selection(TextPos{0, 0}, TextPos{3, 1});
    m.indent();
    EXPECT_EQ(Lines(m.buffer()), (std::vector<std::string>{"p", "", "\tr", "\ts", "t"}));
    EXPECT_EQ(m.selection().sel_start(), (TextPos{0, 0}));
    EXPECT_EQ(m.selection().sel_end(), (TextPos{3, 2}));
    m.selection().clear();
    m.selection().set_caret(TextPos{4, 1});
    m.indent();
    EXPECT_STREQ(m.buffer().line(4)->c_str(), "t\t");
    // Clearing leaves one empty line.
    m.clear_text();
    EXPECT_EQ(Lines(m.buffer()), std::vector<std::string>{""});
    EXPECT_EQ(m.selection().caret(), (TextPos{0, 0}));
}

// A selection left empty (Shift+Right, then Shift+Left) is still a selection: Backspace and Delete
// delete it, which removes nothing but the selection, and Tab indents its line.
TEST(TextModel, EditingKeysActOnAnEmptySelection) {
    kx::TextModel m;
    auto empty_selection_at = [&m](TextPos pos) {
        m.shift_rule(false);
        m.selection().set_caret(pos);
        m.shift_rule(true);
        m.selection().right();
        m.shift_rule(true);
        m.selection().left(1);
        ASSERT_TRUE(m.selection().has_selection());
        ASSERT_FALSE(m.selection().has_nonempty_selection());
    };
    Fill(m, "abc\ndef");
    for (bool backspace : {true, false}) {
        SCOPED_TRACE(backspace ? "Backspace" : "Delete");
        empty_selection_at(TextPos{1, 1});
        EXPECT_FALSE((backspace ? m.backspace() : m.delete_forward()).changed);
        EXPECT_EQ(Lines(m.buffer()), (std::vector<std::string>{"abc", "def"}));
        EXPECT_FALSE(m.selection().has_selection());
        EXPECT_EQ(m.selection().caret(), (TextPos{1, 1}));
    }
    empty_selection_at(TextPos{1, 1});
    EXPECT_TRUE(m.indent().changed);
    EXPECT_EQ(Lines(m.buffer()), (std::vector<std::string>{"abc", "\tdef"}));
    EXPECT_EQ(m.selection().sel_start(), (TextPos{1, 0}));
    EXPECT_EQ(m.selection().sel_end(), (TextPos{1, 4}));
    // Typing still goes in at the caret.
    empty_selection_at(TextPos{0, 1});
    m.insert_text("-", "\n");
    EXPECT_EQ(Lines(m.buffer()), (std::vector<std::string>{"a-bc", "\tdef"}));
}

TEST(Highlight, RulesWithoutALibrary) {
    kx::HighlightList list;
    kx::SpanList spans;
    // A plain rule is kept but never colours anything.
    EXPECT_TRUE(list.add_rule("abc", 0x04, 1, kx::Rgb{255, 0, 0}, kx::Rgb{}));
    list.match(0, "xxabcxx", &spans);
    EXPECT_TRUE(spans.empty());
    list.match(5, "abc", &spans);
    EXPECT_TRUE(spans.empty());
    // Without the regular-expression library a regular-expression rule does not compile: refused.
    kx::HmJrePath().assign("");
    EXPECT_FALSE(list.add_rule("z$", 0x15, 1, kx::Rgb{255, 0, 0}, kx::Rgb{}));
    EXPECT_EQ(list.count(), 1);
}

// Regular-expression rules through the library the result window uses (Sieve, beside the test).
class HighlightWithLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
        const std::string dll = kxtest::SieveLibraryPath();
        ASSERT_NE(kxtest::ReadFileBytes(dll), "<missing>") << dll;
        kx::HmJrePath().assign(dll.c_str());
    }
    void TearDown() override { kx::HmJrePath().assign(""); }
    std::vector<std::pair<int, int>> Match(int rule, const std::string& text) {
        list.match(rule, text.c_str(), &spans);
        std::vector<std::pair<int, int>> out;
        for (const kx::Span& s : spans) out.emplace_back(s.start, s.length);
        return out;
    }
    kx::HighlightList list;
    kx::SpanList spans;
};

TEST_F(HighlightWithLibrary, WholeLineRuleColoursLinesEndingInItsPattern) {
    // "に検索語は見つかりませんでした．" at the end of a line.
    const std::string words =
        "\x82\xC9\x8C\x9F\x8D\xF5\x8C\xEA\x82\xCD\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9"
        "\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x44";
    ASSERT_TRUE(list.add_rule((words + "$").c_str(), 0x15, 1, kx::Rgb{255, 0, 0}, kx::Rgb{255, 255, 255}));
    const std::string path = "C:\\\x95\x5C\\b.txt";  // a path with "表", whose trail byte is a backslash
    const int n = static_cast<int>(path.size());
    const int w = static_cast<int>(words.size());
    EXPECT_EQ(Match(0, path + words), (std::vector<std::pair<int, int>>{{n, w}, {0, n + w}}));
    EXPECT_TRUE(Match(0, path + words + "x").empty());
    EXPECT_TRUE(Match(0, "").empty());
    EXPECT_EQ(list.rule(0).flags, 0x15u);
}

TEST_F(HighlightWithLibrary, GroupSpansCaseAndWholeWords) {
    ASSERT_TRUE(list.add_rule("(ab+)c(d)", 0x10, 0x6, kx::Rgb{}, kx::Rgb{}));
    ASSERT_TRUE(list.add_rule("(ab+)c(d)", 0x10, 0x4, kx::Rgb{}, kx::Rgb{}));
    // The highest group of the match is coloured too.
    EXPECT_EQ(Match(0, "xxabbcd"), (std::vector<std::pair<int, int>>{{2, 5}, {2, 3}, {6, 1}}));
    EXPECT_EQ(Match(1, "xxabbcd"), (std::vector<std::pair<int, int>>{{2, 5}, {6, 1}}));
    ASSERT_TRUE(list.add_rule("ABC", 0x10, 1, kx::Rgb{}, kx::Rgb{}));
    ASSERT_TRUE(list.add_rule("ABC", 0x18, 1, kx::Rgb{}, kx::Rgb{}));
    EXPECT_TRUE(Match(2, "xabc").empty());
    EXPECT_EQ(Match(3, "xabc"), (std::vector<std::pair<int, int>>{{1, 3}, {1, 3}}));
    ASSERT_TRUE(list.add_rule("cat", 0x30, 1, kx::Rgb{}, kx::Rgb{}));
    EXPECT_EQ(Match(4, "concat cat"), (std::vector<std::pair<int, int>>{{7, 3}, {7, 3}}));
    // A pattern that does not compile is refused and nothing is added.
    EXPECT_FALSE(list.add_rule("(", 0x10, 1, kx::Rgb{}, kx::Rgb{}));
    EXPECT_EQ(list.count(), 5);
}

TEST(Placement, FourNumbersOrCentre) {
    kx::Placement p;
    ASSERT_TRUE(kx::ParsePlacement("100,50,700,450", &p));
    EXPECT_EQ((std::vector<int>{p.left, p.top, p.right, p.bottom}), (std::vector<int>{100, 50, 700, 450}));
    ASSERT_TRUE(kx::ParsePlacement("100 50 700 450 and more 9", &p));
    EXPECT_EQ((std::vector<int>{p.left, p.top, p.right, p.bottom}), (std::vector<int>{100, 50, 700, 450}));
    // A leading non-digit ends an empty first run: left reads 0 and the rest shift by one.
    ASSERT_TRUE(kx::ParsePlacement("x100,50,700,450", &p));
    EXPECT_EQ((std::vector<int>{p.left, p.top, p.right, p.bottom}), (std::vector<int>{0, 100, 50, 700}));
    // A minus sign is only a separator.
    ASSERT_TRUE(kx::ParsePlacement("-5,-6,70,80", &p));
    EXPECT_EQ((std::vector<int>{p.left, p.top, p.right, p.bottom}), (std::vector<int>{0, 5, 6, 70}));
    // Overlong numbers saturate instead of wrapping round to small or negative values.
    ASSERT_TRUE(kx::ParsePlacement("1,2,99999999999999999999,4", &p));
    EXPECT_EQ(p.right, INT32_MAX);
    // Centre: the keyword, too few numbers, or no area.
    for (const char* text : {"center", "", "100,50,700", "100,50,700,", "700,50,100,450", "100,450,700,50", "1,1,1,9"})
        EXPECT_FALSE(kx::ParsePlacement(text, &p)) << text;
}
