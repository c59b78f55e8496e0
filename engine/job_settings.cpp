// Job record and poke handlers.
#include "engine/job_settings.h"

#include <windows.h>

namespace kx {

namespace {
struct Keyword {
    const char* name;
    int32_t value;
};

const Keyword kCharSets[] = {
    {"autodetect", kCharSetAuto}, {"sjis", kCharSetSjis},        {"eucjp", kCharSetEucJp},
    {"jis", kCharSetJis},         {"utf8", kCharSetUtf8Bom},     {"utf8n", kCharSetUtf8},
    {"utf16b", kCharSetUtf16BeBom}, {"utf16l", kCharSetUtf16LeBom}, {"utf16be", kCharSetUtf16Be},
    {"utf16le", kCharSetUtf16Le},
};

const Keyword kLineBreaks[] = {
    {"cr", kLineBreakCr}, {"lf", kLineBreakLf}, {"crlf", kLineBreakCrLf}, {"autodetect", kLineBreakAuto}};

// A keyword is matched byte for byte, only A-Z taken as a-z: no control character, no other byte
// and no setting of the process decides what is accepted.
bool IsKeyword(const char* text, const char* keyword) {
    for (;; ++text, ++keyword) {
        unsigned char c = static_cast<unsigned char>(*text);
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        if (c != static_cast<unsigned char>(*keyword)) return false;
        if (c == '\0') return true;
    }
}

template <size_t N> bool Lookup(const Keyword (&table)[N], const char* text, int32_t* value) {
    for (const Keyword& k : table) {
        if (IsKeyword(text ? text : "", k.name)) {
            *value = k.value;
            return true;
        }
    }
    return false;
}
}  // namespace

bool CharSetFromKeyword(const char* text, int32_t* value) { return Lookup(kCharSets, text, value); }
bool LineBreakFromKeyword(const char* text, int32_t* value) { return Lookup(kLineBreaks, text, value); }

JobSettings::JobSettings() { matcher.SetOption("zero_match", false); }

bool JobSettings::Set(const char* text) {
    kxlib::string list = kxlib::string(",") + (text ? text : "") + ",";
    list.to_lower();
    static const struct {
        const char* keyword;
        const char* option;
    } kOptions[] = {{",casesense,", "CaseSense"},
                    {",word,", "word"},
                    {",zero_match,", "zero_match"},
                    {",aimai,", "aimai"},
                    {",use_regular,", "use_regular"}};
    for (const auto& o : kOptions) matcher.SetOption(o.option, list.find(o.keyword, 0) != -1);
    subdir = list.find(",subdir,", 0) != -1;
    backup = list.find(",backup,", 0) != -1;
    // Searched without commas, so it is also found inside a longer item such as "nokeep_timestamp".
    keep_timestamp = list.find("keep_timestamp", 0) != -1;
    return true;
}

bool JobSettings::SetDir(const char* text) {
    directory.assign(text);
    uint32_t n = directory.length();
    if (n > 0) {
        // A last byte 0x5C that is the second byte of a double-byte character (as in "表") is part
        // of the name, not a separator: the directory still needs its backslash.
        bool ends_in_backslash = directory[n - 1] == '\\' && !IsTrailByte(directory.c_str(), n - 1);
        if (!ends_in_backslash) directory.append("\\");
    }
    return true;
}

bool JobSettings::SetFilePattern(const char* text) {
    file_patterns.assign(text);
    return true;
}

bool JobSettings::SetFindStr(const char* text) { return matcher.SetFindString(text ? text : ""); }

bool JobSettings::SetReplaceStr(const char* text) {
    replace_string.assign(text);
    return true;
}

bool JobSettings::SetCharSet(const char* text) { return CharSetFromKeyword(text, &char_set); }

bool JobSettings::SetLineBreak(const char* text) { return LineBreakFromKeyword(text, &line_break); }

bool SetHmJreDLL(const char* path) {
    if (!path || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return false;
    HmJrePath().assign(path);
    return QueryHmJreVersion() >= 0x171;
}

}  // namespace kx
