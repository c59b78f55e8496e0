// Listings over the enabled keys and commands of the current editor version.
#include "keyassign/key_listing.h"

#include <cstring>

namespace bindery {

namespace {
const char* NonEmpty(const char* text) { return *text ? text : nullptr; }
}  // namespace

bool ListingKindOf(const char* word, ListingKind& kind) {
    static const struct {
        const char* word;
        ListingKind kind;
    } kKinds[] = {{"keytxt", ListingKind::kKeyText},
                  {"valid", ListingKind::kValid},
                  {"blank", ListingKind::kBlank},
                  {"all", ListingKind::kAll},
                  {"funclist", ListingKind::kFuncList}};
    if (!word) {
        kind = ListingKind::kKeyText;
        return true;
    }
    for (const auto& k : kKinds) {
        if (std::strcmp(word, k.word) == 0) {
            kind = k.kind;
            return true;
        }
    }
    return false;
}

void BuildListing(ListingKind kind, Vocabulary& vocabulary, const Words& words, ResultBuffer& out) {
    out.Clear();
    if (kind == ListingKind::kFuncList) {
        vocabulary.EnumerateCommands(0);
        while (const char* name = NonEmpty(vocabulary.EnumerateCommands(1))) {
            out.Append(name);
            out.Append('\n');
        }
        return;
    }
    vocabulary.EnumerateKeys(0);
    while (const char* key = NonEmpty(vocabulary.EnumerateKeys(1))) {
        // Every enabled key has a code within the words.
        const size_t code = static_cast<size_t>(vocabulary.KeyCode(key));
        const char* command = vocabulary.CommandName(words[code]);
        const bool assigned = *command != '\0' && std::strcmp(command, kNoCommand) != 0;
        if ((kind == ListingKind::kKeyText || kind == ListingKind::kValid) && !assigned) continue;
        if (kind == ListingKind::kBlank && assigned) continue;
        out.Append(key);
        if (kind == ListingKind::kKeyText) {
            out.Append(" = ");
            out.Append(command);
        }
        out.Append('\n');
    }
}

}  // namespace bindery
