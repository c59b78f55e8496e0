// Command-line option parser: tokens, named options ("--name"), groups of single-character options
// ("-abc") and positional arguments.
#include "command/option_parser.h"

#include <windows.h>

#include "command/messages.h"

namespace kx {

namespace {

bool IsLead(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE; }

const char* SkipSpaces(const char* p) {
    while (*p == ' ') ++p;
    return p;
}

// Length of the character at p: 2 for a lead byte followed by a byte, else 1.
uint32_t CharLength(const char* p) { return (IsLead(*p) && p[1] != '\0') ? 2 : 1; }

}  // namespace

const char* TokenEnd(const char* p) {
    bool quoted = false;
    while (*p) {
        if (IsLead(*p)) {
            if (p[1] == '\0') return p + 1;
            p += 2;
            continue;
        }
        if (*p == '"') quoted = !quoted;
        else if (*p == ' ' && !quoted) break;
        ++p;
    }
    return p;
}

OptionParser::OptionParser(const char* command_line) : commandLine_(command_line ? command_line : "") {}

void OptionParser::addOption(const char* name, bool takes_argument) {
    kxlib::string key(name ? name : "");
    OptionEntry& e = key.length() == 1 ? letterOptions_[static_cast<unsigned char>(key[0])] : namedOptions_[key];
    e.declared = true;
    e.takesArgument = takes_argument;
}

OptionEntry OptionParser::entry(const char* name) const {
    kxlib::string key(name ? name : "");
    if (key.length() == 1) {
        auto it = letterOptions_.find(static_cast<unsigned char>(key[0]));
        return it == letterOptions_.end() ? OptionEntry() : it->second;
    }
    auto it = namedOptions_.find(key);
    return it == namedOptions_.end() ? OptionEntry() : it->second;
}

bool OptionParser::Fail(const kxlib::string& name, const char* text) {
    errorText_ = name + text;
    return false;
}

bool OptionParser::parse() {
    positionals_.clear();
    const char* p = commandLine_.c_str();
    for (;;) {
        p = SkipSpaces(p);
        if (*p == '\0') return true;
        const char* start = p;
        p = TokenEnd(start);

        if (start[0] == '-' && start[1] == '-') {
            kxlib::string name(start + 2, static_cast<uint32_t>(p - start - 2));
            auto it = namedOptions_.find(name);
            if (it == namedOptions_.end() || !it->second.declared) return Fail(name, kUnknownOption);
            OptionEntry& e = it->second;
            e.given = true;
            if (e.takesArgument) {
                p = SkipSpaces(p);
                if (*p == '\0') return Fail(name, kOptionNeedsArgument);
                const char* arg = p;
                p = TokenEnd(arg);
                e.argument = kxlib::string(arg, static_cast<uint32_t>(p - arg));
            }
        } else if (start[0] == '-') {
            // A lone "-" at the end of the line is passed over; otherwise the byte after the dash
            // starts a group of single-character options, whatever that byte is.
            if (start[1] == '\0') continue;
            if (p == start + 1) p = start + 2;  // the dash stood alone before a space: that space is the option
            if (!ParseLetters(start + 1, p, &p)) return false;
        } else {
            positionals_.push_back(kxlib::string(start, static_cast<uint32_t>(p - start)));
        }
    }
}

bool OptionParser::ParseLetters(const char* group, const char* token_end, const char** resume) {
    for (const char* c = group; c < token_end;) {
        uint32_t n = CharLength(c);
        kxlib::string letter(c, n);
        auto it = n == 1 ? letterOptions_.find(static_cast<unsigned char>(*c)) : letterOptions_.end();
        if (it == letterOptions_.end() || !it->second.declared) return Fail(letter, kUnknownOption);
        OptionEntry& e = it->second;
        e.given = true;
        c += n;
        if (!e.takesArgument) continue;
        // An option with an argument must stand alone after its dash; the argument is the next token.
        if (c != token_end || group + n != token_end) return Fail(letter, kOptionMustStandAlone);
        const char* arg = SkipSpaces(token_end);
        if (*arg == '\0') return Fail(letter, kOptionNeedsArgument);
        *resume = TokenEnd(arg);
        e.argument = kxlib::string(arg, static_cast<uint32_t>(*resume - arg));
    }
    return true;
}

}  // namespace kx
