// The text listings of key assignments ("keytxt", "valid", "blank", "all") and of commands
// ("funclist"), one name per line, ending each line with "\n".
#pragma once

#include "keyassign/assign_data.h"
#include "keyassign/result_buffer.h"
#include "keyassign/vocabulary.h"

namespace bindery {

enum class ListingKind { kKeyText, kValid, kBlank, kAll, kFuncList };

// The kind named by `word`; false for any other word. A missing word means "keytxt".
bool ListingKindOf(const char* word, ListingKind& kind);

// Builds the listing into `out`, walking the vocabulary's enumerations from their start.
void BuildListing(ListingKind kind, Vocabulary& vocabulary, const Words& words, ResultBuffer& out);

}  // namespace bindery
