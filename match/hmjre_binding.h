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

// Finds one entry point by name; false (and *fn null) when the library lacks it.
template <typename Fn> bool Bind(LibraryModule module, const char* name, Fn* fn) {
    *fn = reinterpret_cast<Fn>(LibraryEntry(module, name));
    return *fn != nullptr;
}

// Binds all twelve entry points; false when any is missing.
bool BindEntryPoints(LibraryModule module, EntryPoints* entry);

// The library loaded by path with its twelve entry points bound, and the option dialog's entry point
// once it was asked for. The library's records must be closed before it is (Close, destruction).
class Library {
public:
    Library() : entry_(), option_dialog_(nullptr) {}
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Loads the library at path and binds the entry points; false, with nothing loaded, when any
    // step fails. True at once while one is loaded.
    bool Open(const char* path);
    void Close();
    bool loaded() const { return module_.get() != nullptr; }
    const EntryPoints& entry() const { return entry_; }
    // The fuzzy-search settings dialog's entry point, bound on first use; null when the library
    // lacks it (or none is loaded).
    OptionDialogFn OptionDialog();

private:
    ModuleHandle module_;
    EntryPoints entry_;
    OptionDialogFn option_dialog_;
};

}  // namespace hmjre
}  // namespace kx
