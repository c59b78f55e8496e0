// The Matcher: the job's search object. Plain mode is a skip-table search; regular-expression and
// fuzzy modes are delegated to the HmJre library (Sieve) loaded from HmJrePath.
#pragma once

#include <windows.h>

#include <cstdint>

#include "match/hmjre_binding.h"
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
    kxlib::string MatchedText() const { return matched_text_; }

    // HmJre modes.
    bool Load();
    void Unload();
    int TagCount() const;
    int32_t TagPosition(int n) const;
    int32_t TagLength(int n) const;
    const char* TagText(int n) const;
    const char* ExpandReplacement(const char* replacement) const;
    int32_t ShowFuzzyOptionDialog(HWND owner);
    void AssignFrom(const Matcher& other);

    bool casesense() const { return casesense_; }
    bool word() const { return word_; }
    bool zero_match() const { return zero_match_; }
    bool use_regular() const { return use_regular_; }
    bool aimai() const { return aimai_; }
    bool ready() const { return ready_; }
    bool library_loaded() const { return library_ != nullptr; }
    const kxlib::string& find_string() const { return find_string_; }

private:
    bool PlainMode() const { return !use_regular_ && !aimai_; }
    bool SetFindStringPlain(const char* text);
    bool SearchPlain(const char* text);
    bool SetFindStringHmJre(const char* text);
    bool SearchHmJre(const char* text);
    bool TagArea(int n, int32_t* position, int32_t* length) const;
    void ResetRecords();

    HMODULE library_;
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
    // HmJre state: the two records and the bound entry points.
    mutable Jre2Record jre_;
    mutable FuzzyRecord fuzzy_;
    hmjre::EntryPoints entry_;
    hmjre::OptionDialogFn option_dialog_;
    // The mode the find string was prepared in, so a search never uses a search that was not prepared.
    bool prepared_plain_;
    int32_t plain_position_;
};

// Loads the library at HmJrePath, asks its JreGetVersion and unloads it; 0 when any step fails.
uint16_t QueryHmJreVersion();

// The process-wide path of the HmJre library.
kxlib::string& HmJrePath();

}  // namespace kx
