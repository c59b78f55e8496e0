// The edit operations and editing commands of the text view.
#include "viewer/model/text_model.h"

#include "viewer/model/tab_rules.h"

namespace kx {

void EditResult::merge(const EditResult& other) {
    if (!other.changed) return;
    if (!changed) {
        *this = other;
        return;
    }
    if (other.start < start) start = other.start;
    if (other.last_line > last_line) last_line = other.last_line;
    to_bottom = to_bottom || other.to_bottom;
}

bool InsertText::apply(RowLayout& layout, TextPos* start, TextPos* caret) const {
    *start = pos_;
    return layout.insert(pos_, text_, separator_.c_str(), caret);
}

bool DeleteRange::apply(RowLayout& layout, TextPos* start, TextPos* caret) const {
    TextPos from = from_ < to_ ? from_ : to_;
    TextPos to = from_ < to_ ? to_ : from_;
    *start = *caret = from;
    return layout.erase(from, to, "\n", nullptr);
}

bool ReplaceRange::apply(RowLayout& layout, TextPos* start, TextPos* caret) const {
    *start = *caret = from_;
    // An empty range removes nothing; the text is then simply inserted.
    const bool erased = layout.erase(from_, to_, "\n", nullptr);
    const bool inserted = !text_.empty() && layout.insert(from_, text_, separator_.c_str(), caret);
    return erased || inserted;
}

TextModel::TextModel() : layout_(buffer_), selection_(layout_) {}

EditResult TextModel::run(const EditOperation& op) {
    EditResult result;
    const int32_t rows = layout_.row_count();
    const int32_t lines = buffer_.line_count();
    TextPos start, caret;
    if (!op.apply(layout_, &start, &caret)) return result;
    result.changed = true;
    result.start = start;
    result.last_line = caret.line > start.line ? caret.line : start.line;
    result.to_bottom = rows != layout_.row_count() || lines != buffer_.line_count() || caret.line != start.line;
    selection_.clear();
    selection_.set_caret(caret);
    return result;
}

EditResult TextModel::insert_text(const kxlib::string& text, const char* separator) {
    EditResult result;
    if (text.empty()) return result;
    if (selection_.has_nonempty_selection()) result = run(DeleteRange(selection_.sel_start(), selection_.sel_end()));
    else selection_.clear();
    result.merge(run(InsertText(selection_.caret(), text, separator)));
    return result;
}

EditResult TextModel::delete_selection() {
    const EditResult result = run(DeleteRange(selection_.sel_start(), selection_.sel_end()));
    // An empty selection deletes nothing, and is gone all the same.
    selection_.clear();
    return result;
}

EditResult TextModel::delete_forward() {
    if (selection_.has_selection()) return delete_selection();
    const TextPos old = selection_.caret();
    if (!selection_.right()) return EditResult();
    return run(DeleteRange(old, selection_.caret()));
}

EditResult TextModel::backspace() {
    if (selection_.has_selection()) return delete_selection();
    if (!selection_.left(1)) return EditResult();
    return delete_forward();
}

EditResult TextModel::indent() {
    const kxlib::string tab("\t");
    if (!selection_.has_selection()) return run(InsertText(selection_.caret(), tab, "\n"));
    const int32_t first = selection_.sel_start().line;
    const int32_t last = selection_.sel_end().line;
    selection_.clear();
    EditResult result;
    for (int32_t k = last; k >= first; --k) {
        if (buffer_.line_length(k) == 0) break;
        result.merge(run(InsertText(TextPos{k, 0}, tab, "\n")));
    }
    selection_.set_selection(TextPos{first, 0}, TextPos{last, buffer_.line_length(last)});
    return result;
}

EditResult TextModel::type_char(uint32_t code, bool overwrite) {
    if (code == '\r') code = '\n';
    if (code != '\n' && (code < 0x20 || code > 0x7F)) return EditResult();
    const kxlib::string text(static_cast<char>(code));
    if (!overwrite) return insert_text(text, "\n");
    // The whole character at the caret is replaced: a lone trail byte would otherwise be left behind.
    const TextPos at = selection_.caret();
    const kxlib::string* line = buffer_.line(at.line);
    const int32_t n = line ? CharLengthAt(line->c_str(), static_cast<int32_t>(line->length()), at.column) : 0;
    return run(ReplaceRange(at, TextPos{at.line, at.column + n}, text, "\n"));
}

void TextModel::shift_rule(bool shift_down) {
    if (shift_down) {
        if (!selection_.selecting()) selection_.begin_selection(selection_.caret());
    } else if (selection_.has_selection()) {
        selection_.end_selection(selection_.caret());
        selection_.clear();
    }
}

kxlib::string TextModel::selected_text() const {
    if (!selection_.has_nonempty_selection()) return kxlib::string();
    return buffer_.text_of(selection_.sel_start(), selection_.sel_end(), "\r\n");
}

void TextModel::clear_text() {
    selection_.select_all();
    delete_forward();
}

}  // namespace kx
