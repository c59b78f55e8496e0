// The one job record of the process and the handlers of the poke items that fill it, with the
// keyword vocabularies of the option string, the character sets and the line breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "match/matcher.h"
#include "text/charset.h"
#include "text/kxstring.h"
#include "text/stand_ins.h"

namespace kx {

// Looks a keyword up (lower-cased first, compared byte for byte); false for an unknown keyword.
bool CharSetFromKeyword(const char* text, CharSetCode* value);
bool LineBreakFromKeyword(const char* text, LineBreakCode* value);

struct JobSettings {
    Matcher matcher;
    kxlib::string file_patterns;
    kxlib::string directory;
    kxlib::string replace_string;
    kxlib::string replaced_log;
    kxlib::string notice_log;
    kxlib::string preview_text;
    bool subdir = false;
    bool backup = false;
    bool keep_timestamp = false;
    CharSetCode char_set = kCharSetAuto;
    LineBreakCode line_break = kLineBreakAuto;
    // The job's stand-in codes: each character the code page lacks of a find or replace string poked
    // in Unicode has one, which the find string or the replacement holds and every file of the run
    // shares. Empty while both strings are ANSI text.
    StandIns stand_ins;

    JobSettings();

    // Poke handlers: true = accepted.
    bool Set(const char* text);
    bool SetDir(const char* text);
    bool SetFilePattern(const char* text);
    bool SetFindStr(const char* text);
    bool SetReplaceStr(const char* text);
    // Unicode pokes of the find and replace strings whose values the code page cannot hold exactly:
    // each character it lacks gets the job's stand-in code. False, nothing changed, for a NUL unit,
    // a lone surrogate, or no free code left.
    bool SetFindStrUnicode(const wchar_t* units, size_t count);
    bool SetReplaceStrUnicode(const wchar_t* units, size_t count);
    bool SetCharSet(const char* text);
    bool SetLineBreak(const char* text);
    // "ShowLog": the modal result window with the whole ResultLog, at the placement given.
    bool ShowLog(const char* placement);

    // Execute handler "Replace": the search-and-replace run over every listed file.
    bool Replace();
    // Execute handler "Preview": the run as "Replace" would make it, writing nothing (no file, no
    // backup, no temporary file, no time stamp); what it would do goes to preview_text. The result
    // log of the last "Replace" stays as it is.
    bool Preview();
    // Request handlers: "Log" (lines of the replaced files), "Notices" (lines of the files that failed
    // or had no hit), "FileList" (the files the job covers) and "Preview" (the text of the last preview).
    const char* Log();
    const char* Notices();
    const char* FileList();
    const char* PreviewReply();

private:
    // One of the job's strings as poked: ANSI text, or the characters of a Unicode value.
    struct Poked {
        bool wide = false;
        std::vector<uint32_t> characters;
    };
    // Makes find and replace the job's strings: gives the job's codes anew (the user-defined codes of
    // ANSI text and the private-use characters of Unicode values kept from being given out), then
    // sets the Matcher's find string when set_find and the replacement. False, nothing changed, when
    // the codes run out or the Matcher refuses the find string.
    bool SetStrings(const Poked& find, const kxlib::string& find_ansi, const Poked& replace,
                    const kxlib::string& replace_ansi, bool set_find);

    Poked find_poked_;
    Poked replace_poked_;
};

// Request handler "GetHmJreVersion" and execute handler "FuzzyOptionDialog".
const char* GetHmJreVersion();
bool FuzzyOptionDialog();

// "SetHmJreDLL": remembers the path when the file exists; accepted when its version is at least 0x171.
bool SetHmJreDLL(const char* path);

}  // namespace kx
