// Expanding the escapes of a replacement text (regular-expression mode): \1 .. \9 the text of that
// tag of the match, \n a line break, \t a TAB, \\ one backslash. Every other backslash, \0 included,
// stays as written, and so does a backslash standing last. The text is ANSI code-page text: a
// double-byte character is stepped over whole, so a trail byte 0x5C (as in "ソ" 83 5C) is never
// taken for a backslash. Free of the library and of the platform: the match is reached only
// through TagSource.
#pragma once

#include "text/kxstring.h"

namespace kx {

// Answers the text of tag n (1 .. 9) of the match being replaced; empty when the tag did not take
// part in it.
class TagSource {
public:
    virtual kxlib::string TagText(int n) const = 0;

protected:
    ~TagSource() = default;
};

// The replacement with its escapes expanded. Each tag is asked for once, however often the
// replacement names it.
kxlib::string ExpandReplacement(const char* replacement, const TagSource& tags);

}  // namespace kx
