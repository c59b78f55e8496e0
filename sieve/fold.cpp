#include "sieve/fold.h"

#include <algorithm>
#include <cstring>

#include "match/sieve_api.h"

namespace sieve {
namespace {

bool IsHalfKana(unsigned b) { return b >= 0xA1 && b <= 0xDF; }

constexpr unsigned kVoicedMark = 0xDE;      // ﾞ
constexpr unsigned kSemiVoicedMark = 0xDF;  // ﾟ

// Half-width katakana and punctuation 0xA1-0xDF and their full-width forms.
const std::uint16_t kHalfKanaToFull[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,
    0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352,
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384,
    0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B};

// Full-width forms of the ASCII signs (and the ideographic space), by Shift_JIS code.
struct WideAscii {
    std::uint16_t code;
    unsigned char ascii;
};
const WideAscii kWideAscii[] = {
    {0x8140, 0x20}, {0x8143, 0x2C}, {0x8144, 0x2E}, {0x8146, 0x3A}, {0x8147, 0x3B}, {0x8148, 0x3F}, {0x8149, 0x21},
    {0x814D, 0x60}, {0x814F, 0x5E}, {0x8151, 0x5F}, {0x815E, 0x2F}, {0x815F, 0x5C}, {0x8160, 0x7E}, {0x8162, 0x7C},
    {0x8169, 0x28}, {0x816A, 0x29}, {0x816D, 0x5B}, {0x816E, 0x5D}, {0x816F, 0x7B}, {0x8170, 0x7D}, {0x817B, 0x2B},
    {0x817C, 0x2D}, {0x8181, 0x3D}, {0x8183, 0x3C}, {0x8184, 0x3E}, {0x8190, 0x24}, {0x8193, 0x25}, {0x8194, 0x23},
    {0x8195, 0x26}, {0x8196, 0x2A}, {0x8197, 0x40}, {0xEEFB, 0x27}, {0xEEFC, 0x22}, {0xFA56, 0x27}, {0xFA57, 0x22}};

// Voiced and semi-voiced kana (hiragana and katakana) and their plain kana.
struct Voiced {
    std::uint16_t code;
    std::uint16_t plain;
};
const Voiced kVoiced[] = {
    {0x8153, 0x8152}, {0x8155, 0x8154},  // ヾ ゞ
    {0x82AA, 0x82A9}, {0x82AC, 0x82AB}, {0x82AE, 0x82AD}, {0x82B0, 0x82AF}, {0x82B2, 0x82B1}, {0x82B4, 0x82B3},
    {0x82B6, 0x82B5}, {0x82B8, 0x82B7}, {0x82BA, 0x82B9}, {0x82BC, 0x82BB}, {0x82BE, 0x82BD}, {0x82C0, 0x82BF},
    {0x82C3, 0x82C2}, {0x82C5, 0x82C4}, {0x82C7, 0x82C6}, {0x82CE, 0x82CD}, {0x82CF, 0x82CD}, {0x82D1, 0x82D0},
    {0x82D2, 0x82D0}, {0x82D4, 0x82D3}, {0x82D5, 0x82D3}, {0x82D7, 0x82D6}, {0x82D8, 0x82D6}, {0x82DA, 0x82D9},
    {0x82DB, 0x82D9}, {0x834B, 0x834A}, {0x834D, 0x834C}, {0x834F, 0x834E}, {0x8351, 0x8350}, {0x8353, 0x8352},
    {0x8355, 0x8354}, {0x8357, 0x8356}, {0x8359, 0x8358}, {0x835B, 0x835A}, {0x835D, 0x835C}, {0x835F, 0x835E},
    {0x8361, 0x8360}, {0x8364, 0x8363}, {0x8366, 0x8365}, {0x8368, 0x8367}, {0x836F, 0x836E}, {0x8370, 0x836E},
    {0x8372, 0x8371}, {0x8373, 0x8371}, {0x8375, 0x8374}, {0x8376, 0x8374}, {0x8378, 0x8377}, {0x8379, 0x8377},
    {0x837B, 0x837A}, {0x837C, 0x837A}, {0x8394, 0x8345}};

template <typename Entry, std::size_t N> const Entry* Find(const Entry (&table)[N], unsigned code) {
    const Entry* end = table + N;
    const Entry* at = std::lower_bound(table, end, code, [](const Entry& e, unsigned c) { return e.code < c; });
    return at != end && at->code == code ? at : nullptr;
}

// The full-width kana that a half-width kana and a following voiced or semi-voiced mark make
// together, or 0 when they do not combine.
unsigned CombineHalfKana(unsigned kana, unsigned mark) {
    const unsigned full = kHalfKanaToFull[kana - 0xA1];
    const bool ka_to_to = kana >= 0xB6 && kana <= 0xC4;  // ｶ-ﾄ
    const bool ha_to_ho = kana >= 0xCA && kana <= 0xCE;  // ﾊ-ﾎ
    if (mark == kVoicedMark) {
        if (kana == 0xB3) return 0x8394;  // ｳﾞ -> ヴ
        if (ka_to_to || ha_to_ho) return full + 1;
    } else if (mark == kSemiVoicedMark && ha_to_ho) {
        return full + 2;
    }
    return 0;
}

unsigned FoldCase(unsigned code) {
    if (code >= 'A' && code <= 'Z') return code + 0x20;
    if (code >= 0x8260 && code <= 0x8279) return code + 0x21;  // Ａ-Ｚ
    if (code >= 0x839F && code <= 0x83B6) return code + 0x20;  // Greek
    if (code >= 0x8440 && code <= 0x844E) return code + 0x30;  // Cyrillic А-Н
    if (code >= 0x844F && code <= 0x8460) return code + 0x31;  // Cyrillic О-Я (0x847F is unused)
    return code;
}

unsigned FoldKana(unsigned code) {
    if (code >= 0x8340 && code <= 0x8393 && code != 0x837F) {  // ァ-ン; ヴヵヶ have no hiragana
        return 0x829F + (code - 0x8340) - (code >= 0x8380 ? 1 : 0);
    }
    if (code == 0x8152 || code == 0x8153) return code + 2;  // ヽヾ -> ゝゞ
    return code;
}

// The ASCII character of a full-width one, or 0.
unsigned NarrowAscii(unsigned code) {
    if (code >= 0x824F && code <= 0x8258) return '0' + (code - 0x824F);  // ０-９
    if (code >= 0x8260 && code <= 0x8279) return 'A' + (code - 0x8260);  // Ａ-Ｚ
    if (code >= 0x8281 && code <= 0x829A) return 'a' + (code - 0x8281);  // ａ-ｚ
    const WideAscii* w = Find(kWideAscii, code);
    return w ? w->ascii : 0;
}

unsigned FoldCode(unsigned code, const FoldRules& rules) {
    if (!rules.keep_width && code > 0xFF) {
        if (const unsigned ascii = NarrowAscii(code)) code = ascii;
    }
    if (!rules.keep_case) code = FoldCase(code);
    // Voicing before kana: ヴ has no hiragana of its own, but its plain kana ウ has.
    if (rules.ignore_voicing) {
        if (const Voiced* v = Find(kVoiced, code)) code = v->plain;
    }
    if (!rules.keep_kana) code = FoldKana(code);
    return code;
}

void AppendCode(std::string& out, unsigned code) {
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

bool IsAsciiLetter(unsigned c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

const char kHex[] = "0123456789ABCDEF";

}  // namespace

FoldRules FoldRules::FromFlags(std::uint32_t flags) {
    FoldRules rules;
    rules.ignore_voicing = (flags & kFuzzyIgnoreVoicing) != 0;
    rules.keep_case = (flags & kFuzzyKeepCase) != 0;
    rules.keep_width = (flags & kFuzzyKeepWidth) != 0;
    rules.keep_kana = (flags & kFuzzyKeepKana) != 0;
    return rules;
}

FoldedChar FoldCharAt(const unsigned char* text, std::size_t at, std::size_t end, const FoldRules& rules) {
    const unsigned b = text[at];
    if (IsLeadByte(b) && at + 1 < end) {
        return {FoldCode((b << 8) | text[at + 1], rules), 2};
    }
    if (!IsHalfKana(b)) return {FoldCode(b, rules), 1};

    // A half-width kana takes its voiced mark with it when the mark is folded into it: into the
    // full-width kana, or away when voicing is ignored.
    const unsigned combined = at + 1 < end ? CombineHalfKana(b, text[at + 1]) : 0;
    const bool take_mark = combined != 0 && (!rules.keep_width || rules.ignore_voicing);
    unsigned code = b;
    if (!rules.keep_width) code = take_mark ? combined : kHalfKanaToFull[b - 0xA1];
    return {FoldCode(code, rules), take_mark ? 2 : 1};
}

FoldedText::FoldedText() { Clear(); }

void FoldedText::Clear() {
    text_.clear();
    real_length_ = 0;
    units_.clear();
    marks_.assign(1, UnitStart{0, 0});
}

void FoldedText::Assign(const char* text, std::size_t length, const FoldRules& rules) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    Clear();
    text_.reserve(length);
    units_.reserve(length);
    marks_.reserve(length / kMarkStride + 1);
    std::size_t at = 0;
    while (at < length) {
        const FoldedChar c = FoldCharAt(bytes, at, length, rules);
        const std::size_t folded_start = text_.size();
        if (units_.size() % kMarkStride == 0 && !units_.empty())
            marks_.push_back(UnitStart{static_cast<std::int32_t>(at), static_cast<std::int32_t>(folded_start)});
        AppendCode(text_, c.code);
        const std::size_t folded_length = text_.size() - folded_start;
        units_.push_back(static_cast<std::uint8_t>(c.source_length | (folded_length << 2)));
        at += c.source_length;
    }
    real_length_ = length;
}

std::size_t FoldedText::UnitAt(std::int32_t UnitStart::*side, std::int32_t position, UnitStart* start) const {
    // The last mark at or before the position on that side, then unit by unit.
    std::size_t lo = 0, hi = marks_.size();
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        if (marks_[mid].*side <= position) lo = mid;
        else hi = mid;
    }
    std::size_t unit = lo * kMarkStride;
    UnitStart here = marks_[lo];
    while (unit < units_.size()) {
        UnitStart next{here.real + RealLength(units_[unit]), here.folded + FoldedLength(units_[unit])};
        if (next.*side > position) break;
        here = next;
        ++unit;
    }
    *start = here;
    return unit;
}

std::size_t FoldedText::UnitAtFolded(std::int32_t folded, UnitStart* start) const {
    return UnitAt(&UnitStart::folded, folded, start);
}

std::size_t FoldedText::UnitAtReal(std::int32_t real, UnitStart* start) const {
    return UnitAt(&UnitStart::real, real, start);
}

std::int32_t FoldedText::RealPosition(std::int32_t folded) const {
    const std::int32_t last = static_cast<std::int32_t>(text_.size());
    UnitStart start;
    UnitAtFolded(std::clamp(folded, 0, last), &start);
    return start.real;
}

std::int32_t FoldedText::RealEnd(std::int32_t folded_end) const {
    if (folded_end <= 0) return 0;
    // The end falls after the unit of the byte before it.
    UnitStart start;
    const std::size_t unit = UnitAtFolded(folded_end - 1, &start);
    return unit < units_.size() ? start.real + RealLength(units_[unit]) : start.real;
}

std::int32_t FoldedText::RealArea(std::int32_t folded, std::int32_t* length) const {
    const std::int32_t last = static_cast<std::int32_t>(text_.size());
    const std::int32_t start = std::clamp(folded, 0, last);
    const std::int32_t real_start = RealPosition(start);
    if (!length) return real_start;
    if (*length <= 0) {
        *length = 0;
        return real_start;
    }
    const std::int32_t end = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{start} + *length, last));
    *length = RealEnd(end) - real_start;
    return real_start;
}

std::int32_t FoldedText::FoldedPosition(std::int32_t real) const {
    const std::int32_t last = static_cast<std::int32_t>(real_length_);
    UnitStart start;
    UnitAtReal(std::clamp(real, 0, last), &start);
    return start.folded;
}

namespace {

// Builds a folded pattern from a find string.
class PatternFolder {
public:
    PatternFolder(const char* pattern, const FoldRules& rules)
        : s_(reinterpret_cast<const unsigned char*>(pattern)), n_(std::strlen(pattern)), rules_(rules) {}

    std::string Plain() {
        while (i_ < n_) AppendLiteral(false);
        return std::move(out_);
    }

    std::string Regex() {
        while (i_ < n_) {
            const unsigned b = s_[i_];
            if (b == '\\') {
                Escape();
            } else if (b == '(' && Peek(1) == '?') {
                GroupHeader();
            } else if (b == '[' && Peek(1) == ':') {
                // A bracket name such as [:alpha:] is syntax, not text.
                if (std::strstr(reinterpret_cast<const char*>(s_ + i_ + 2), ":]")) {
                    CopyThrough(']');
                } else {
                    Copy(1);
                }
            } else {
                AppendLiteral(true);
            }
        }
        return std::move(out_);
    }

private:
    unsigned Peek(std::size_t ahead) const { return i_ + ahead < n_ ? s_[i_ + ahead] : 0; }

    void Copy(std::size_t count) {
        count = std::min(count, n_ - i_);
        out_.append(reinterpret_cast<const char*>(s_ + i_), count);
        i_ += count;
    }

    // Copies up to and including the first `close`, stepping over double-byte characters so a
    // trail byte is never taken for it.
    void CopyThrough(unsigned close) {
        while (i_ < n_) {
            const unsigned b = s_[i_];
            if (IsLeadByte(b) && i_ + 1 < n_) {
                Copy(2);
                continue;
            }
            Copy(1);
            if (b == close) return;
        }
    }

    void CopyWhile(bool (*accept)(unsigned), std::size_t most) {
        while (most-- > 0 && i_ < n_ && accept(s_[i_])) Copy(1);
    }

    void Escape() {
        const unsigned c = Peek(1);
        if (c >= 0x80) {
            // A backslash before a non-ASCII character only says "this character": fold the
            // character as a literal and drop the backslash.
            ++i_;
            AppendLiteral(true);
            return;
        }
        Copy(2);
        auto hex = [](unsigned x) {
            return (x >= '0' && x <= '9') || (x >= 'a' && x <= 'f') || (x >= 'A' && x <= 'F');
        };
        switch (c) {
            case 'x':
                if (Peek(0) == '{') CopyThrough('}');
                else CopyWhile(hex, 2);
                break;
            case 'u':
                CopyWhile(hex, 4);
                break;
            case 'o':
            case 'p':
            case 'P':
                if (Peek(0) == '{') CopyThrough('}');
                break;
            case 'k':
            case 'g':
                if (Peek(0) == '<') CopyThrough('>');
                else if (Peek(0) == '\'') {
                    Copy(1);
                    CopyThrough('\'');
                }
                break;
            case 'c':
                if (Peek(0) && Peek(0) < 0x80 && Peek(0) != '\\') Copy(1);
                break;
            case 'C':
            case 'M':
                if (Peek(0) == '-') {
                    Copy(1);
                    if (Peek(0) && Peek(0) < 0x80 && Peek(0) != '\\') Copy(1);
                }
                break;
            default:
                break;
        }
    }

    // "(?" and what names the group: options, a group name, a condition or a comment.
    void GroupHeader() {
        Copy(2);
        switch (Peek(0)) {
            case '#':
                CopyThrough(')');
                break;
            case '<':
                if (Peek(1) == '=' || Peek(1) == '!') Copy(2);
                else CopyThrough('>');
                break;
            case '\'':
                Copy(1);
                CopyThrough('\'');
                break;
            case '(':
                CopyThrough(')');
                break;
            default:
                CopyWhile([](unsigned x) { return IsAsciiLetter(x) || x == '-' || x == '^'; }, n_);
                break;
        }
    }

    // Folds the character at the cursor and appends it so that it stands for itself.
    void AppendLiteral(bool regex) {
        const bool ascii_source = s_[i_] < 0x80;
        const FoldedChar c = FoldCharAt(s_, i_, n_, rules_);
        i_ += c.source_length;
        if (c.code >= 0x80) {
            AppendCode(out_, c.code);
        } else if (regex) {
            if (ascii_source) {
                out_ += static_cast<char>(c.code);
            } else {
                out_ += "\\x";
                out_ += kHex[c.code >> 4];
                out_ += kHex[c.code & 0xF];
            }
        } else {
            if (std::strchr("\\^$.|?*+()[]{}", static_cast<int>(c.code)) && c.code != 0) out_ += '\\';
            out_ += static_cast<char>(c.code);
        }
    }

    const unsigned char* s_;
    std::size_t n_;
    std::size_t i_ = 0;
    const FoldRules& rules_;
    std::string out_;
};

}  // namespace

std::string FoldPattern(const char* pattern, bool regex, const FoldRules& rules) {
    PatternFolder folder(pattern, rules);
    return regex ? folder.Regex() : folder.Plain();
}

}  // namespace sieve
