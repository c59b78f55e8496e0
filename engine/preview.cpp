// The "Preview" run: the job run as "Replace" runs it, with nothing written, and the text that tells
// what the run would do.
#include "engine/preview.h"

#include <cstring>
#include <new>
#include <vector>

#include "engine/file_list.h"
#include "engine/read_ahead.h"
#include "engine/replace_run.h"
#include "text/codepage.h"

namespace kx {

namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// Line breaks in base[from, to): CR LF counts once (at its CR), a lone CR or LF once each.
uint32_t Breaks(const char* base, uint32_t from, uint32_t to) {
    uint32_t n = 0;
    for (uint32_t i = from; i < to; ++i) {
        if (base[i] == '\r') ++n;
        else if (base[i] == '\n' && (i == 0 || base[i - 1] != '\r')) ++n;
    }
    return n;
}

void Append(kxlib::string& out, const char* text) {
    kxlib::append_growing(out, text, static_cast<uint32_t>(std::strlen(text)));
}
void Append(kxlib::string& out, int64_t number) {
    kxlib::append_growing(out, kxlib::lexical_cast<kxlib::string, int>(static_cast<int>(number)));
}

}  // namespace

void ChangeCollector::Matched(uint32_t at, uint32_t length, uint32_t out_at, uint32_t out_length) {
    const uint32_t last = at + length;
    const int64_t shift_after = static_cast<int64_t>(out_at) + out_length - last;
    if (changes_ > 0 && at <= open_.end) {
        // On a line the open change already covers: it grows to the line where this match ends.
        if (last > open_.end) open_.end = LineEnd(last);
        open_.shift_after = shift_after;
        return;
    }
    Close();
    open_.start = LineStart(at);
    open_.end = LineEnd(last);
    open_.shift_before = static_cast<int64_t>(out_at) - at;
    open_.shift_after = shift_after;
    open_.pending = true;
    ++changes_;
}

void ChangeCollector::Close() {
    if (open_.pending && shown_.size() < kShownChanges) shown_.push_back(open_);
    open_.pending = false;
}

uint32_t ChangeCollector::LineStart(uint32_t at) const {
    const char* base = text_.c_str();
    while (at > 0 && !IsBreak(base[at - 1])) --at;
    return at;
}

uint32_t ChangeCollector::LineEnd(uint32_t at) const {
    const char* base = text_.c_str();
    const uint32_t total = text_.length();
    // A match that ends between the CR and the LF of a break ends that line.
    if (at > 0 && at < total && base[at - 1] == '\r' && base[at] == '\n') ++at;
    while (at < total && !IsBreak(base[at])) ++at;
    return at;
}

PreviewWriter::PreviewWriter(uint32_t bytes) : bytes_(bytes) {}

bool PreviewWriter::Room() const { return changed_.length() + refused_.length() < bytes_; }

void PreviewWriter::Line(kxlib::string& out, const char* mark, uint32_t number, const char* text, uint32_t length) {
    uint32_t shown = length;
    if (shown > kShownLineBytes) {
        // Cut at a character boundary.
        shown = 0;
        while (true) {
            uint32_t step = IsLeadByte(static_cast<unsigned char>(text[shown])) && shown + 1 < length ? 2 : 1;
            if (shown + step > kShownLineBytes) break;
            shown += step;
        }
    }
    Append(out, mark);
    Append(out, " ");
    Append(out, number);
    Append(out, " ");
    kxlib::append_growing(out, text, shown);
    Append(out, "\n");
    if (shown < length) {
        Append(out, "... line ");
        Append(out, number);
        Append(out, " is cut after ");
        Append(out, kShownLineBytes);
        Append(out, " bytes\n");
    }
}

void PreviewWriter::Lines(kxlib::string& out, const char* mark, uint32_t first, const char* text, uint32_t length) {
    uint32_t number = first;
    uint32_t start = 0;
    for (uint32_t i = 0;; ++i) {
        if (i == length || IsBreak(text[i])) {
            Line(out, mark, number, text + start, i - start);
            if (i == length) break;
            if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') ++i;
            start = i + 1;
            ++number;
        }
    }
}

void PreviewWriter::Changed(const kxlib::string& path, int32_t count, const kxlib::string& text,
                            const kxlib::string& output, ChangeCollector& changes) {
    if (!Room()) {
        ++files_left_;
        return;
    }
    changes.Close();
    Append(changed_, "file ");
    Append(changed_, count);
    Append(changed_, " ");
    kxlib::append_growing(changed_, path);
    Append(changed_, "\n");
    // Line numbers are counted from the start of each text up to each change, once over each text.
    const char* old_base = text.c_str();
    const char* new_base = output.c_str();
    uint32_t old_at = 0, new_at = 0, old_line = 1, new_line = 1;
    for (const ChangeCollector::Change& c : changes.shown()) {
        const uint32_t new_start = static_cast<uint32_t>(c.start + c.shift_before);
        const uint32_t new_end = static_cast<uint32_t>(c.end + c.shift_after);
        old_line += Breaks(old_base, old_at, c.start);
        new_line += Breaks(new_base, new_at, new_start);
        old_at = c.start;
        new_at = new_start;
        Lines(changed_, "-", old_line, old_base + c.start, c.end - c.start);
        Lines(changed_, "+", new_line, new_base + new_start, new_end - new_start);
    }
    const int64_t hidden = changes.changes() - static_cast<int64_t>(changes.shown().size());
    if (hidden > 0) {
        Append(changed_, "... ");
        Append(changed_, hidden);
        Append(changed_, " more changes in this file not shown\n");
    }
}

void PreviewWriter::Refused(const kxlib::string& path, FailReason reason) {
    if (!Room()) {
        ++files_left_;
        return;
    }
    Append(refused_, "fail ");
    Append(refused_, FailReasonName(reason));
    Append(refused_, " ");
    kxlib::append_growing(refused_, path);
    Append(refused_, "\n");
}

kxlib::string PreviewWriter::Text() const {
    kxlib::string text = changed_;
    kxlib::append_growing(text, refused_);
    if (files_left_ > 0) {
        Append(text, "... ");
        Append(text, files_left_);
        Append(text, " more files with hits or failures not shown: the preview is cut after ");
        Append(text, bytes_);
        Append(text, " bytes\n");
    }
    return text;
}

bool JobSettings::Preview() {
    kx::FileList files = EnumerateFiles(directory, file_patterns, subdir);
    preview_text.assign("");
    if (files.empty()) return false;
    PreviewWriter preview;
    // Files are read ahead as the run reads them, without their time stamps: nothing is set back.
    ReadAhead ahead(files, char_set, false, ReservedStandIns(*this));
    for (size_t i = 0; i < files.size(); ++i) {
        try {
            std::unique_ptr<FileReading> reading = ahead.Take(i);
            ChangeCollector changes(reading->text);
            std::unique_ptr<FileWrite> write;
            FileOutcome outcome = SearchReading(*this, files[i].path, *reading, i, &write, &changes);
            if (write) outcome = CheckChanged(*write);
            if (!outcome.ok) preview.Refused(files[i].name, outcome.reason);
            else if (outcome.count > 0)
                preview.Changed(files[i].name, outcome.count, reading->text, write->output, changes);
        } catch (const std::bad_alloc&) {
            // As in the run: a file there is no memory for would fail.
            preview.Refused(files[i].name, FailReason::kTooLarge);
        }
        ahead.Finished(i);
    }
    preview_text = preview.Text();
    return true;
}

const char* JobSettings::PreviewReply() { return preview_text.c_str(); }

}  // namespace kx
