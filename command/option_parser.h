// Command-line option parser: splits the program's command line (ANSI code page bytes) into tokens,
// marks the declared options that are given and collects the other tokens as positional arguments.
#pragma once

#include <map>
#include <vector>

#include "command/lstrcmp_less.h"
#include "text/kxstring.h"

namespace kx {

struct OptionEntry {
    kxlib::string argument;  // empty until given
    bool takesArgument = false;
    bool declared = false;
    bool given = false;
};

class OptionParser {
public:
    explicit OptionParser(const char* command_line);
    virtual ~OptionParser() {}

    // Declares an option. A name of one byte is a single-character option, written "-x"; a longer
    // name is written "--name". Declaring a name again only replaces takesArgument.
    void addOption(const char* name, bool takes_argument);
    // True when the whole line was accepted; false with errorText set at the first rejected option.
    bool parse();

    bool isGiven(const char* name) const { return entry(name).given; }
    kxlib::string argument(const char* name) const { return entry(name).argument; }
    const kxlib::string& errorText() const { return errorText_; }
    const std::vector<kxlib::string>& positionals() const { return positionals_; }

private:
    OptionEntry entry(const char* name) const;
    bool Fail(const kxlib::string& name, const char* text);
    bool ParseLetters(const char* group, const char* token_end, const char** resume);

    kxlib::string commandLine_;
    kxlib::string errorText_;
    std::vector<kxlib::string> positionals_;
    std::map<unsigned char, OptionEntry> letterOptions_;
    std::map<kxlib::string, OptionEntry, LstrcmpLess> namedOptions_;
};

// The end of the token that starts at p: before the first space outside double quotes, or at the NUL.
// Double-byte characters are stepped over whole.
const char* TokenEnd(const char* p);

}  // namespace kx
