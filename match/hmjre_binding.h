// The engine's view of the HmJre library: the two records passed by address and the entry points
// bound by name. Only the fields named in sieve_api.h are the engine's; the rest belongs to the library.
#pragma once

#include <cstdint>
#include <cstring>

#include "match/library_module.h"
#include "match/sieve_api.h"

namespace kx {
namespace hmjre {

// Zeroes a record and sets its size field, as before every Open.
inline void Reset(Jre2Record* r) {
    std::memset(r, 0, sizeof *r);
    r->size = sieve::kJre2RecordSize;
}
inline void Reset(FuzzyRecord* r) {
    std::memset(r, 0, sizeof *r);
    r->size = sieve::kFuzzyRecordSize;
}

// The twelve required entry points, in the order they are bound.
struct EntryPoints {
    Jre2Open_fn Jre2Open;
    Jre2Compile_fn Jre2Compile;
    Jre2Close_fn Jre2Close;
    Jre2GetMatchInfo_HmJre_fn Jre2GetMatchInfo;
    JreGetTagPosition_fn JreGetTagPosition;
    Fuzzy_Open_fn FuzzyOpen;
    Fuzzy_Close_fn FuzzyClose;
    Fuzzy_ConvertTarget_fn FuzzyConvertTarget;
    Fuzzy_ConvertFindString_fn FuzzyConvertFindString;
    Fuzzy_FindPos2RealPos_fn FuzzyFindPos2RealPos;
    Fuzzy_FindArea2RealArea_fn FuzzyFindArea2RealArea;
    Fuzzy_RealPos2FindPos_fn FuzzyRealPos2FindPos;
};

using OptionDialogFn = Fuzzy_OptionDialog_fn;
using VersionFn = JreGetVersion_fn;

// Binds all twelve entry points; false when any is missing.
bool BindEntryPoints(LibraryModule module, EntryPoints* entry);

}  // namespace hmjre
}  // namespace kx
