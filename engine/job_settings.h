// The one job record of the process and the handlers of the poke items that fill it, with the
// keyword vocabularies of the option string, the character sets and the line breaks.
#pragma once

#include <cstdint>

#include "match/matcher.h"
#include "text/charset.h"
#include "text/kxstring.h"

namespace kx {

// Looks a keyword up (lower-cased first, compared byte for byte); false for an unknown keyword.
bool CharSetFromKeyword(const char* text, int32_t* value);
bool LineBreakFromKeyword(const char* text, int32_t* value);

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
    int32_t char_set = kCharSetAuto;
    int32_t line_break = kLineBreakAuto;

    JobSettings();

    // Poke handlers: true = accepted.
    bool Set(const char* text);
    bool SetDir(const char* text);
    bool SetFilePattern(const char* text);
    bool SetFindStr(const char* text);
    bool SetReplaceStr(const char* text);
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
};

// Request handler "GetHmJreVersion" and execute handler "FuzzyOptionDialog".
const char* GetHmJreVersion();
bool FuzzyOptionDialog();

// "SetHmJreDLL": remembers the path when the file exists; accepted when its version is at least 0x171.
bool SetHmJreDLL(const char* path);

}  // namespace kx
