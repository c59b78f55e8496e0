// Job record and poke handlers.
#include "engine/job_settings.h"

#include <windows.h>

#include "text/byte_search.h"

namespace kx {

namespace {
template <typename Code> struct Keyword {
    const char* name;
    Code value;
};

const Keyword<CharSetCode> kCharSets[] = {
    {"autodetect", kCharSetAuto},   {"sjis", kCharSetSjis},         {"eucjp", kCharSetEucJp},
    {"jis", kCharSetJis},           {"utf8", kCharSetUtf8Bom},      {"utf8n", kCharSetUtf8},
    {"utf16b", kCharSetUtf16BeBom}, {"utf16l", kCharSetUtf16LeBom}, {"utf16be", kCharSetUtf16Be},
    {"utf16le", kCharSetUtf16Le},
};

const Keyword<LineBreakCode> kLineBreaks[] = {
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

template <typename Code, size_t N> bool Lookup(const Keyword<Code> (&table)[N], const char* text, Code* value) {
    for (const Keyword<Code>& k : table) {
        if (IsKeyword(text ? text : "", k.name)) {
            *value = k.value;
            return true;
        }
    }
    return false;
}
}  // namespace

bool CharSetFromKeyword(const char* text, CharSetCode* value) { return Lookup(kCharSets, text, value); }
bool LineBreakFromKeyword(const char* text, LineBreakCode* value) { return Lookup(kLineBreaks, text, value); }

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

bool JobSettings::SetFindStr(const char* text) {
    const kxlib::string ansi(text ? text : "");
    // ANSI text alone gives no codes: the find string is taken as it always was.
    if (!replace_poked_.wide) {
        find_poked_ = Poked();
        stand_ins = StandIns();
        return matcher.SetFindString(ansi.c_str());
    }
    return SetStrings(Poked(), ansi, replace_poked_, replace_string, true);
}

bool JobSettings::SetReplaceStr(const char* text) {
    if (!find_poked_.wide) {
        replace_poked_ = Poked();
        stand_ins = StandIns();
        replace_string.assign(text);
        return true;
    }
    return SetStrings(find_poked_, matcher.find_string(), Poked(), kxlib::string(text ? text : ""), false);
}

namespace {

// The characters of UTF-16 units; false for a NUL unit or a lone surrogate.
bool CharactersOf(const wchar_t* units, size_t count, std::vector<uint32_t>* characters) {
    characters->clear();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t u = static_cast<uint16_t>(units[i]);
        if (u == 0 || (u >= 0xDC00 && u <= 0xDFFF)) return false;
        if (u >= 0xD800 && u <= 0xDBFF) {
            const uint32_t low = i + 1 < count ? static_cast<uint16_t>(units[i + 1]) : 0;
            if (low < 0xDC00 || low > 0xDFFF) return false;
            characters->push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
            ++i;
        } else {
            characters->push_back(u);
        }
    }
    return true;
}

// The ANSI text of characters: the code page's own codes, or the codes of map.
bool TextThrough(const std::vector<uint32_t>& characters, StandIns* map, kxlib::string* text) {
    std::vector<char> bytes(2 * characters.size() + 1);
    uint32_t m = 0;
    for (uint32_t character : characters)
        if (!map->Put(character, bytes.data(), &m)) return false;
    *text = kxlib::string(bytes.data(), m);
    return true;
}

}  // namespace

bool JobSettings::SetStrings(const Poked& find, const kxlib::string& find_ansi, const Poked& replace,
                             const kxlib::string& replace_ansi, bool set_find) {
    StandIns map;
    if (!find.wide) map.Reserve(find_ansi.c_str(), find_ansi.length());
    if (!replace.wide) map.Reserve(replace_ansi.c_str(), replace_ansi.length());
    kxlib::string find_text = find_ansi, replace_text = replace_ansi;
    // A private-use character of a Unicode value met after a code was given out as its own code
    // clashes: the codes are given out once more with every such code kept from the start.
    for (int attempt = 0;; ++attempt) {
        StandIns trial = map;
        if (find.wide && !TextThrough(find.characters, &trial, &find_text)) return false;
        if (replace.wide && !TextThrough(replace.characters, &trial, &replace_text)) return false;
        if (!trial.clashed()) {
            map = trial;
            break;
        }
        if (attempt == 1) return false;
        map = trial.Restart();
    }
    map.KeepAsJob();
    // The Matcher keeps a find string it refuses, as it does with ANSI text: the poke is refused, the
    // strings stay in step with the codes.
    const bool taken = !(set_find || find.wide) || matcher.SetFindString(find_text.c_str());
    find_poked_ = find;
    replace_poked_ = replace;
    replace_string = replace_text;
    stand_ins = map;
    return taken || !set_find;
}

bool JobSettings::SetFindStrUnicode(const wchar_t* units, size_t count) {
    Poked find;
    find.wide = true;
    if (!CharactersOf(units, count, &find.characters)) return false;
    return SetStrings(find, kxlib::string(), replace_poked_, replace_string, true);
}

bool JobSettings::SetReplaceStrUnicode(const wchar_t* units, size_t count) {
    Poked replace;
    replace.wide = true;
    if (!CharactersOf(units, count, &replace.characters)) return false;
    return SetStrings(find_poked_, matcher.find_string(), replace, kxlib::string(), false);
}

bool JobSettings::SetCharSet(const char* text) { return CharSetFromKeyword(text, &char_set); }

bool JobSettings::SetLineBreak(const char* text) { return LineBreakFromKeyword(text, &line_break); }

bool SetHmJreDLL(const char* path) {
    if (!path || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return false;
    HmJrePath().assign(path);
    return QueryHmJreVersion() >= 0x171;
}

}  // namespace kx
