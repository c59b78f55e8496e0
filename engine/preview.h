// The preview of a run: the changes of each file gathered from the matches the replacement walks, and
// the reply text of the "Preview" request.
//
// The text has one record per line (LF), each starting with its kind:
//   file <count> <path>          a file with hits, in list order, and its count of replacements
//   - <line> <text>              a line as it reads now (line numbers from 1)
//   + <line> <text>              the line as it would read, numbered in the new text
//   fail <reason> <path>         a file the run would refuse, after the files with hits
//   ... <note>                   what the preview leaves out (changes, cut lines, files)
// Lines touched by one match, or by matches on the same line, make one change: its "-" lines are the
// old lines, its "+" lines the new ones (a replacement may join or split lines).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/fail_reason.h"
#include "engine/replace_run.h"
#include "text/kxstring.h"

namespace kx {

// Gathers the changes of one text from the matches ReplaceAll tells: the first kShownChanges whole,
// the rest only counted.
class ChangeCollector : public MatchObserver {
public:
    static const size_t kShownChanges = 20;

    struct Change {
        uint32_t start = 0;        // start of the first line touched
        uint32_t end = 0;          // end of the last line touched (at its line break)
        int64_t shift_before = 0;  // new offset minus old offset before the first match
        int64_t shift_after = 0;   // and after the last one
        bool pending = false;
    };

    explicit ChangeCollector(const kxlib::string& text) : text_(text) {}
    void Matched(uint32_t at, uint32_t length, uint32_t out_at, uint32_t out_length) override;
    // Ends the change still open; call once the text is searched.
    void Close();

    const std::vector<Change>& shown() const { return shown_; }
    int64_t changes() const { return changes_; }

private:
    uint32_t LineStart(uint32_t at) const;
    uint32_t LineEnd(uint32_t at) const;

    const kxlib::string& text_;
    Change open_;
    std::vector<Change> shown_;
    int64_t changes_ = 0;
};

// Builds the reply text, cut after a total size so that it always fits in one DDE reply.
class PreviewWriter {
public:
    static const uint32_t kShownLineBytes = 400;
    explicit PreviewWriter(uint32_t bytes = 1u << 20);

    void Changed(const kxlib::string& path, int32_t count, const kxlib::string& text, const kxlib::string& output,
                 ChangeCollector& changes);
    void Refused(const kxlib::string& path, FailReason reason);
    kxlib::string Text() const;

private:
    bool Room() const;
    static void Line(kxlib::string& out, const char* mark, uint32_t number, const char* text, uint32_t length);
    static void Lines(kxlib::string& out, const char* mark, uint32_t first, const char* text, uint32_t length);

    uint32_t bytes_;
    kxlib::string changed_;
    kxlib::string refused_;
    int64_t files_left_ = 0;
};

}  // namespace kx
