// The Matcher: the job's search object. Plain mode is a skip-table search; regular-expression and
// fuzzy modes are delegated to the HmJre library (Sieve) loaded from HmJrePath.
#pragma once

#include <cstdint>

#include "match/hmjre_binding.h"
#include "match/lowered_text.h"
#include "match/plain_search.h"
#include "text/kxstring.h"

namespace kx {

// Word characters for whole-word matching: a-z, A-Z and '_' only.
bool IsWordChar(unsigned char c);

class Matcher {
public:
    Matcher();
    Matcher(const Matcher&) = delete;
    Matcher& operator=(const Matcher&) = delete;
    virtual ~Matcher();

    bool SetOption(const char* name, bool on);
    bool SetFindString(const char* text);
    bool Search(const char* text);
    int32_t MatchPosition() const;

    // Searching one long text match by match without copying it for every search: BeginText names
    // the text (length bytes followed by a NUL; it must stay alive and unchanged until EndText), and
    // each SearchFrom(start) answers what Search would answer for the text from byte start on, with
    // the same positions, matched text and tags. The run searches every file this way.
    void BeginText(const char* text, uint32_t length);
    bool SearchFrom(uint32_t start);
    void EndText();
    kxlib::string MatchedText() const { return matched_text_; }

    // HmJre modes.
    bool Load();
    void Unload();
    int TagCount() const;
    int32_t TagPosition(int n) const;
    int32_t TagLength(int n) const;
    const char* TagText(int n) const;
    const char* ExpandReplacement(const char* replacement) const;
    int32_t ShowFuzzyOptionDialog(void* owner);  // owner: the window to centre on, or null
    void AssignFrom(const Matcher& other);

    bool casesense() const { return casesense_; }
    bool word() const { return word_; }
    bool zero_match() const { return zero_match_; }
    bool use_regular() const { return use_regular_; }
    bool aimai() const { return aimai_; }
    bool ready() const { return ready_; }
    bool library_loaded() const { return library_.loaded(); }
    const kxlib::string& find_string() const { return find_string_; }

private:
    // The three ways of searching; fuzzy search prepares a regular expression and a plain find string
    // differently, so those two count apart as well.
    enum class SearchMode { kPlain, kRegex, kFuzzy, kFuzzyRegex };
    SearchMode ModeInForce() const {
        if (aimai_) return use_regular_ ? SearchMode::kFuzzyRegex : SearchMode::kFuzzy;
        return use_regular_ ? SearchMode::kRegex : SearchMode::kPlain;
    }
    bool PlainMode() const { return ModeInForce() == SearchMode::kPlain; }
    // A search is used only in the mode it was prepared in: a "Set" that switched modes after the
    // find string was prepared leaves nothing to search with until it is prepared again.
    bool PreparedForModeInForce() const { return ready_ && prepared_mode_ == ModeInForce(); }
    // The last search's positions are in the fuzzy-converted text and must be mapped back.
    bool PreparedFuzzy() const {
        return prepared_mode_ == SearchMode::kFuzzy || prepared_mode_ == SearchMode::kFuzzyRegex;
    }
    bool SetFindStringPlain(const char* text);
    bool SearchPlain();
    bool SetFindStringHmJre(const char* text);
    bool SearchHmJre();
    bool TagArea(int n, int32_t* position, int32_t* length) const;
    void ResetRecords();

    hmjre::Library library_;
    bool ready_;
    PlainSearcher plain_;
    kxlib::string find_string_;
    kxlib::string matched_text_;
    kxlib::string target_;
    bool casesense_;
    bool word_;
    bool zero_match_;
    bool use_regular_;
    bool aimai_;
    // HmJre state: the two records, which the library's entry points fill.
    mutable Jre2Record jre_;
    mutable FuzzyRecord fuzzy_;
    // The mode the find string was prepared in, so a search never uses a search that was not prepared.
    SearchMode prepared_mode_;
    int32_t plain_position_;
    // The text being searched (target_, or the caller's text between BeginText and EndText), the
    // part of it the last search was given (subject_ .. its end) and, for case-ignoring searches
    // through HmJre, the lowered text that gives each such part the form a lowered copy of it would
    // have.
    const char* text_;
    uint32_t text_length_;
    const char* subject_;
    uint32_t subject_length_;
    LoweredText lowered_;
    // Fuzzy mode converts the whole text once; a search from a later start works on the converted
    // text from the converted position of that start, and maps its answers back relative to it.
    bool fuzzy_converted_;
    uint32_t fuzzy_real_start_;  // the start of the last fuzzy search in the real text
    int32_t fuzzy_offset_;       // its position in the converted text
    // A position in the converted subject of the last fuzzy search, as a position in its real text.
    int32_t FuzzyRealPosition(int32_t position) const;
    int32_t FuzzyRealArea(int32_t position, int32_t* length) const;
};

// Loads the library at HmJrePath, asks its JreGetVersion and unloads it; 0 when any step fails.
uint16_t QueryHmJreVersion();

// The process-wide path of the HmJre library.
kxlib::string& HmJrePath();

}  // namespace kx
