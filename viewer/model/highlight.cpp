// Highlight rules and their matching.
#include "viewer/model/highlight.h"

#include <cstring>

namespace kx {

bool HighlightList::add_rule(const char* pattern, uint32_t flags, uint32_t group_mask, Rgb text_color, Rgb back_color) {
    std::unique_ptr<HighlightRule> rule(new HighlightRule);
    rule->flags = flags;
    rule->group_mask = group_mask;
    rule->pattern.assign(pattern);
    rule->text_color = text_color;
    rule->back_color = back_color;
    if (flags & kHighlightRegex) {
        rule->matcher.reset(new Matcher);
        Matcher& m = *rule->matcher;
        // Options first: the case rule decides how the pattern itself is compiled.
        m.SetOption("aimai", false);
        m.SetOption("use_regular", true);
        m.SetOption("zero_match", false);
        m.SetOption("word", (flags & kHighlightWholeWord) != 0);
        m.SetOption("CaseSense", (flags & kHighlightIgnoreCase) == 0);
        if (!m.SetFindString(pattern)) return false;
    }
    rules_.push_back(std::move(rule));
    return true;
}

void HighlightList::match(int32_t rule_index, const char* text, SpanList* spans) {
    spans->clear();
    if (rule_index < 0 || rule_index >= rules_.size()) return;
    HighlightRule& rule = *rules_[rule_index];
    if (!rule.matcher || !rule.matcher->Search(text)) return;
    Matcher& m = *rule.matcher;
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    spans->push_back(Span{m.MatchPosition(), static_cast<int32_t>(m.MatchedText().length())});
    if (rule.flags & kHighlightWholeLine) {
        spans->push_back(Span{0, length});
        return;
    }
    // Groups 0 (the whole match) to the highest group the match reports, each when its bit is set.
    const int last = m.TagCount();
    for (int i = 0; i <= last && i < 32; ++i) {
        if (!(rule.group_mask & (1u << i))) continue;
        const int32_t position = m.TagPosition(i);
        if (position < 0) continue;
        spans->push_back(Span{position, m.TagLength(i)});
    }
}

}  // namespace kx
