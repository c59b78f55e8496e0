// The Matcher in plain mode and in the two HmJre modes (regular expression, fuzzy).
#include "match/matcher.h"

#include <cstring>

#include "match/replacement.h"
#include "text/codepage.h"
#include "text/platform.h"

namespace kx {

bool IsWordChar(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

namespace {
// True when the character that ends right before text[at] is a word character: a letter or '_', never
// the second byte of a double-byte character (as the 0x41 of "ア" 83 41).
bool WordCharBefore(const char* text, uint32_t at) {
    return at > 0 && IsWordChar(static_cast<unsigned char>(text[at - 1])) && !IsTrailByte(text, at - 1);
}
}  // namespace

kxlib::string& HmJrePath() {
    static kxlib::string path;
    return path;
}

namespace {
// Keeps an area reported by the library inside the text it was found in.
void ClipArea(int32_t total, int32_t* position, int32_t* length) {
    if (*position < 0) *position = 0;
    if (*position > total) *position = total;
    if (*length < 0) *length = 0;
    if (*length > total - *position) *length = total - *position;
}

// The tags of the Matcher's last match, as the expansion of a replacement asks for them.
class MatcherTags final : public TagSource {
public:
    explicit MatcherTags(const Matcher& matcher) : matcher_(matcher) {}
    kxlib::string TagText(int n) const override { return kxlib::string(matcher_.TagText(n)); }

private:
    const Matcher& matcher_;
};

// Lower-cases a regular expression but leaves the character right after each backslash as it is,
// so that \S, \D, \W and \B keep their meaning.
void LowerPattern(kxlib::string& pattern) {
    char* p = pattern.mutable_data();
    uint32_t n = pattern.length();
    for (uint32_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (IsLeadByte(c)) {
            if (i + 1 < n) ++i;
        } else if (c == '\\') {
            if (i + 1 < n && !IsLeadByte(static_cast<unsigned char>(p[i + 1]))) ++i;
        } else if (c >= 'A' && c <= 'Z') {
            p[i] = static_cast<char>(c + ('a' - 'A'));
        }
    }
}
}  // namespace

uint16_t QueryHmJreVersion() {
    ModuleHandle module = LoadModule(HmJrePath().c_str());
    if (!module.get()) return 0;
    hmjre::VersionFn version;
    if (!hmjre::Bind(module.get(), "JreGetVersion", &version)) return 0;
    return static_cast<uint16_t>(version() & 0xFFFF);
}

Matcher::Matcher()
    : ready_(false),
      casesense_(true),
      word_(false),
      zero_match_(true),
      use_regular_(true),
      aimai_(false),
      prepared_mode_(SearchMode::kRegex),
      plain_position_(-1),
      text_(""),
      text_length_(0),
      subject_(""),
      subject_length_(0),
      fuzzy_converted_(false),
      fuzzy_real_start_(0),
      fuzzy_offset_(0) {
    ResetRecords();
}

Matcher::~Matcher() { Unload(); }

void Matcher::ResetRecords() {
    fuzzy_converted_ = false;
    hmjre::Reset(&jre_);
    hmjre::Reset(&fuzzy_);
}

bool Matcher::SetOption(const char* name, bool on) {
    bool* flag = nullptr;
    if (platform::CompareTextIgnoringCase(name, "CaseSense") == 0) flag = &casesense_;
    else if (platform::CompareTextIgnoringCase(name, "word") == 0) flag = &word_;
    else if (platform::CompareTextIgnoringCase(name, "zero_match") == 0) flag = &zero_match_;
    else if (platform::CompareTextIgnoringCase(name, "use_regular") == 0) flag = &use_regular_;
    else if (platform::CompareTextIgnoringCase(name, "aimai") == 0) flag = &aimai_;
    if (!flag) return false;
    *flag = on;
    return true;
}

bool Matcher::SetFindString(const char* text) {
    if (PlainMode()) return SetFindStringPlain(text);
    return SetFindStringHmJre(text);
}

bool Matcher::Search(const char* text) {
    // A search that was prepared in another mode than the one now in force is never used.
    if (!PreparedForModeInForce()) return false;
    target_.assign(text);
    BeginText(target_.c_str(), target_.length());
    return SearchFrom(0);
}

void Matcher::BeginText(const char* text, uint32_t length) {
    text_ = text;
    text_length_ = length;
    subject_ = text;
    subject_length_ = length;
    lowered_.Reset(text, length);
    fuzzy_converted_ = false;
    fuzzy_real_start_ = 0;
    fuzzy_offset_ = 0;
}

bool Matcher::SearchFrom(uint32_t start) {
    if (!PreparedForModeInForce()) return false;
    if (start > text_length_) start = text_length_;
    subject_ = text_ + start;
    subject_length_ = text_length_ - start;
    return PlainMode() ? SearchPlain() : SearchHmJre();
}

void Matcher::EndText() {
    // The caller's text may go now: nothing of it is kept.
    target_.assign("");
    BeginText(target_.c_str(), 0);
}

bool Matcher::SetFindStringPlain(const char* text) {
    find_string_.assign(text);
    prepared_mode_ = SearchMode::kPlain;
    if (find_string_.empty()) {
        ready_ = false;
        return false;
    }
    ready_ = true;
    if (casesense_) {
        plain_.SetPattern(find_string_);
    } else {
        kxlib::string lowered(find_string_.c_str(), find_string_.length());
        lowered.to_lower();
        plain_.SetPattern(lowered);
    }
    return true;
}

bool Matcher::SearchPlain() {
    // Ignoring case, the subject is searched as its lowered copy would read, without making one.
    // Lowering keeps every byte's word-character class and lead-byte class, so the tests below read
    // the subject itself.
    const char* s = subject_;
    const uint32_t n = subject_length_;
    const uint32_t m = plain_.pattern().length();
    auto find = [&](uint32_t from) {
        return casesense_ ? plain_.Find(s + from, n - from) : plain_.FindLowered(s, s + from, n - from);
    };
    if (!word_) {
        if (!find(0)) return false;
        plain_position_ = plain_.found_position();
        matched_text_ = plain_.pattern();
        return true;
    }
    uint32_t start = 0;
    for (;;) {
        if (start > n || !find(start)) return false;
        uint32_t candidate = start + static_cast<uint32_t>(plain_.found_position());
        bool before = WordCharBefore(s, candidate);
        bool after = candidate + m < n && IsWordChar(static_cast<unsigned char>(s[candidate + m]));
        if (!before && !after) {
            plain_position_ = static_cast<int32_t>(candidate);
            matched_text_ = plain_.pattern();
            return true;
        }
        // No candidate lies between the search start and this one, so searching on right after it
        // finds the same next candidate as stepping one byte at a time, without rescanning.
        start = candidate + 1;
        if (start < n && IsTrailByte(s, start)) start += 1;
    }
}

int32_t Matcher::MatchPosition() const {
    if (prepared_mode_ == SearchMode::kPlain) return plain_position_;
    if (PreparedFuzzy()) return FuzzyRealPosition(jre_.match_position);
    return jre_.match_position;
}

int32_t Matcher::FuzzyRealPosition(int32_t position) const {
    return library_.entry().FuzzyFindPos2RealPos(&fuzzy_, fuzzy_offset_ + position) -
           static_cast<int32_t>(fuzzy_real_start_);
}

int32_t Matcher::FuzzyRealArea(int32_t position, int32_t* length) const {
    return library_.entry().FuzzyFindArea2RealArea(&fuzzy_, fuzzy_offset_ + position, length) -
           static_cast<int32_t>(fuzzy_real_start_);
}

bool Matcher::Load() { return library_.Open(HmJrePath().c_str()); }

void Matcher::Unload() {
    if (!library_.loaded()) return;
    // The library's records refer to memory the library owns: close them while it is still loaded,
    // so unloading never leaks nor leaves the records pointing into an unloaded module.
    library_.entry().Jre2Close(&jre_);
    library_.entry().FuzzyClose(&fuzzy_);
    ResetRecords();
    library_.Close();
    if (prepared_mode_ != SearchMode::kPlain) ready_ = false;
}

bool Matcher::SetFindStringHmJre(const char* text) {
    find_string_.assign(text);
    prepared_mode_ = ModeInForce();
    if (!Load()) {
        ready_ = false;
        return false;
    }
    ready_ = false;
    const hmjre::EntryPoints& entry = library_.entry();
    entry.Jre2Close(&jre_);
    hmjre::Reset(&jre_);
    if (!entry.Jre2Open(&jre_)) return false;
    if (aimai_) {
        entry.FuzzyClose(&fuzzy_);
        hmjre::Reset(&fuzzy_);
        fuzzy_converted_ = false;
        if (!entry.FuzzyOpen(&fuzzy_, 0)) return false;
        if (!casesense_) fuzzy_.flags &= 1u;
        int32_t kind = use_regular_ ? sieve::kFindRegex : sieve::kFindPlain;
        if (!entry.FuzzyConvertFindString(&fuzzy_, find_string_.c_str(), kind)) return false;
        const char* converted = sieve::FuzzyFindString(fuzzy_);
        ready_ = entry.Jre2Compile(&jre_, converted ? converted : "") != 0;
        return ready_;
    }
    kxlib::string pattern(find_string_);
    if (!casesense_) LowerPattern(pattern);
    ready_ = entry.Jre2Compile(&jre_, pattern.c_str()) != 0;
    return ready_;
}

bool Matcher::SearchHmJre() {
    if (!Load()) return false;
    const char* subject;
    int32_t length = static_cast<int32_t>(subject_length_);
    if (aimai_) {
        // The whole text is converted once; converting the rest again for every match would make
        // a file with many hits cost the square of its size.
        if (!fuzzy_converted_) {
            library_.entry().FuzzyConvertTarget(&fuzzy_, text_);
            fuzzy_converted_ = true;
        }
        const char* converted = sieve::FuzzyTarget(fuzzy_);
        if (!converted) return false;
        const uint32_t start = static_cast<uint32_t>(subject_ - text_);
        const int32_t converted_length = static_cast<int32_t>(std::strlen(converted));
        fuzzy_real_start_ = start;
        fuzzy_offset_ = start == 0 ? 0 : library_.entry().FuzzyRealPos2FindPos(&fuzzy_, static_cast<int32_t>(start));
        if (fuzzy_offset_ < 0 || fuzzy_offset_ > converted_length) return false;
        subject = converted + fuzzy_offset_;
        length = converted_length - fuzzy_offset_;
    } else if (casesense_) {
        subject = subject_;
    } else {
        subject = lowered_.Subject(static_cast<uint32_t>(subject_ - text_));
    }
    jre_.search_start = 0;
    int32_t real_position = 0;
    int32_t real_length = 0;
    for (;;) {
        if (!library_.entry().Jre2GetMatchInfo(&jre_, subject, length)) return false;
        const int32_t position = jre_.match_position;
        const int32_t match_length = jre_.match_length;
        if (!zero_match_ && match_length == 0) {
            jre_.search_start += 1;
            if (jre_.search_start >= length) return false;
            continue;
        }
        real_length = match_length;
        real_position = position;
        if (aimai_) real_position = FuzzyRealArea(position, &real_length);
        if (word_) {
            bool before = real_position > 0 && real_position <= length &&
                          WordCharBefore(subject, static_cast<uint32_t>(real_position));
            int32_t end = real_position + real_length;
            bool after = end < length && end >= 0 && IsWordChar(static_cast<unsigned char>(subject[end]));
            if (before || after) {
                jre_.search_start = position + 1;
                if (jre_.search_start > length) return false;
                continue;
            }
        }
        break;
    }
    ClipArea(static_cast<int32_t>(subject_length_), &real_position, &real_length);
    matched_text_.assign_bytes(subject_ + real_position, static_cast<uint32_t>(real_length));
    return true;
}

bool Matcher::TagArea(int n, int32_t* position, int32_t* length) const {
    *length = 0;
    if (!library_.loaded() || prepared_mode_ == SearchMode::kPlain || n < 0 || n > 9) return false;
    int tag_length = 0;
    int32_t p = library_.entry().JreGetTagPosition(&jre_, '0' + n, &tag_length);
    if (p == -1) return false;
    *length = tag_length;
    if (PreparedFuzzy()) p = FuzzyRealArea(p, length);
    *position = p;
    return true;
}

int32_t Matcher::TagPosition(int n) const {
    int32_t position, length;
    return TagArea(n, &position, &length) ? position : -1;
}

int32_t Matcher::TagLength(int n) const {
    int32_t position, length;
    return TagArea(n, &position, &length) ? length : 0;
}

const char* Matcher::TagText(int n) const {
    static kxlib::string text;
    int32_t position, length;
    if (!TagArea(n, &position, &length)) {
        text.assign("");
        return text.c_str();
    }
    ClipArea(static_cast<int32_t>(subject_length_), &position, &length);
    text.assign_bytes(subject_ + position, static_cast<uint32_t>(length));
    return text.c_str();
}

int Matcher::TagCount() const {
    for (int n = 1; n <= 9; ++n)
        if (TagPosition(n) == -1) return n - 1;
    return 9;
}

const char* Matcher::ExpandReplacement(const char* replacement) const {
    if (!use_regular_) return replacement;
    static kxlib::string result;
    result = kx::ExpandReplacement(replacement, MatcherTags(*this));
    return result.c_str();
}

int32_t Matcher::ShowFuzzyOptionDialog(void* owner) {
    if (!Load()) return 0;
    hmjre::OptionDialogFn dialog = library_.OptionDialog();
    return dialog ? dialog(owner, 0) : 0;
}

void Matcher::AssignFrom(const Matcher& other) {
    if (library_.loaded()) {
        library_.entry().Jre2Close(&jre_);
        library_.entry().FuzzyClose(&fuzzy_);
    }
    ResetRecords();
    casesense_ = other.casesense_;
    word_ = other.word_;
    zero_match_ = other.zero_match_;
    use_regular_ = other.use_regular_;
    aimai_ = other.aimai_;
    ready_ = false;
    if (other.ready_) SetFindString(other.find_string_.c_str());
}

}  // namespace kx
