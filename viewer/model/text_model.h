// TextModel: the whole window-free state of one text view (lines, rows, caret and selection,
// highlight rules) and the editing commands the view runs on it: the edit operations InsertText,
// DeleteRange and ReplaceRange, typing, deleting, indenting and the Shift rule of caret moves.
#pragma once

#include <cstdint>

#include "text/kxstring.h"
#include "viewer/model/caret_selection.h"
#include "viewer/model/highlight.h"
#include "viewer/model/line_buffer.h"
#include "viewer/model/row_layout.h"

namespace kx {

// What an edit changed, for the view's caret, scroll ranges and repainting: the text changed from
// `start` through the end of line `last_line`; with `to_bottom` every row after that moved too.
struct EditResult {
    bool changed = false;
    TextPos start;
    int32_t last_line = 0;
    bool to_bottom = false;

    void merge(const EditResult& other);
};

// One edit of the text. apply() performs it and tells where it started and where the caret goes.
class EditOperation {
public:
    virtual ~EditOperation() = default;
    virtual bool apply(RowLayout& layout, TextPos* start, TextPos* caret) const = 0;
};

class InsertText : public EditOperation {
public:
    InsertText(TextPos pos, const kxlib::string& text, const char* separator)
        : pos_(pos), text_(text), separator_(separator) {}
    bool apply(RowLayout& layout, TextPos* start, TextPos* caret) const override;

private:
    TextPos pos_;
    kxlib::string text_;
    kxlib::string separator_;
};

class DeleteRange : public EditOperation {
public:
    DeleteRange(TextPos from, TextPos to) : from_(from), to_(to) {}
    bool apply(RowLayout& layout, TextPos* start, TextPos* caret) const override;

private:
    TextPos from_;
    TextPos to_;
};

// Erases [from, to) (line breaks counted as "\n") and inserts text there.
class ReplaceRange : public EditOperation {
public:
    ReplaceRange(TextPos from, TextPos to, const kxlib::string& text, const char* separator)
        : from_(from), to_(to), text_(text), separator_(separator) {}
    bool apply(RowLayout& layout, TextPos* start, TextPos* caret) const override;

private:
    TextPos from_;
    TextPos to_;
    kxlib::string text_;
    kxlib::string separator_;
};

class TextModel {
public:
    TextModel();
    TextModel(const TextModel&) = delete;
    TextModel& operator=(const TextModel&) = delete;

    LineBuffer& buffer() { return buffer_; }
    const LineBuffer& buffer() const { return buffer_; }
    RowLayout& layout() { return layout_; }
    const RowLayout& layout() const { return layout_; }
    CaretSelection& selection() { return selection_; }
    const CaretSelection& selection() const { return selection_; }
    HighlightList& highlights() { return highlights_; }

    // Applies an edit; the caret moves to where the edit leaves it and the selection is cleared.
    EditResult run(const EditOperation& op);

    // Typed or pasted text at the caret, replacing a non-empty selection. Empty text does nothing.
    EditResult insert_text(const kxlib::string& text, const char* separator);
    // Delete, Backspace and Tab act on a selection whenever one exists, even an empty one (left by
    // Shift+Right then Shift+Left): Delete and Backspace then delete it, which deletes nothing but
    // the selection itself.
    // The selection, or else the character after the caret.
    EditResult delete_forward();
    // The selection, or else the character before the caret.
    EditResult backspace();
    // A tab at the caret, or with a selection a tab at the start of each selected line.
    EditResult indent();
    // A character code from the keyboard: CR is taken as LF; only LF and 0x20-0x7F are accepted. In
    // overwrite mode it replaces the character at the caret (inserted at a line's end).
    EditResult type_char(uint32_t code, bool overwrite);

    // Runs before every caret move by key or wheel: Shift down starts a selection at the caret,
    // Shift up ends and drops an existing one.
    void shift_rule(bool shift_down);
    // The selected text with CR LF between lines (empty without a selection).
    kxlib::string selected_text() const;
    // Empties the text: select all, then delete.
    void clear_text();

private:
    // Deletes the selection and drops it.
    EditResult delete_selection();

    LineBuffer buffer_;
    RowLayout layout_;
    CaretSelection selection_;
    HighlightList highlights_;
};

}  // namespace kx
