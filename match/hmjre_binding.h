// The engine's view of the HmJre library: the two records passed by address and the entry points
// bound by name. Only the fields listed here are the engine's; every other byte belongs to the library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "match/sieve_api.h"

namespace kx {
namespace hmjre {

// The compiled pattern and the last match (54 bytes).
struct JreRecord {
    unsigned char bytes[SIEVE_JRE_RECORD_SIZE];
    void Reset() {
        std::memset(bytes, 0, sizeof bytes);
        Set(0, SIEVE_JRE_RECORD_SIZE);
    }
    int32_t Get(size_t offset) const {
        int32_t v;
        std::memcpy(&v, bytes + offset, sizeof v);
        return v;
    }
    void Set(size_t offset, int32_t v) { std::memcpy(bytes + offset, &v, sizeof v); }
    int32_t search_start() const { return Get(8); }
    void set_search_start(int32_t v) { Set(8, v); }
    int32_t match_length() const { return Get(20); }
    int32_t match_position() const { return Get(24); }
    void* address() { return bytes; }
};

// The fuzzy-search state (84 bytes).
struct FuzzyRecordBlock {
    unsigned char bytes[SIEVE_FUZZY_RECORD_SIZE];
    void Reset() {
        std::memset(bytes, 0, sizeof bytes);
        int32_t size = SIEVE_FUZZY_RECORD_SIZE;
        std::memcpy(bytes, &size, sizeof size);
    }
    uint32_t flags() const {
        uint32_t v;
        std::memcpy(&v, bytes + 4, sizeof v);
        return v;
    }
    void set_flags(uint32_t v) { std::memcpy(bytes + 4, &v, sizeof v); }
    const char* converted_find() const { return Pointer(8); }
    const char* converted_target() const { return Pointer(16); }
    void* address() { return bytes; }

private:
    const char* Pointer(size_t offset) const {
        const char* p;
        std::memcpy(&p, bytes + offset, sizeof p);
        return p;
    }
};

// The twelve required entry points, in the order they are bound.
struct EntryPoints {
    SieveJre2Open Jre2Open;
    SieveJre2Compile Jre2Compile;
    SieveJre2Close Jre2Close;
    SieveJre2GetMatchInfo Jre2GetMatchInfo;
    SieveJreGetTagPosition JreGetTagPosition;
    SieveFuzzyOpen FuzzyOpen;
    SieveFuzzyClose FuzzyClose;
    SieveFuzzyConvertTarget FuzzyConvertTarget;
    SieveFuzzyConvertFindString FuzzyConvertFindString;
    SieveFuzzyFindPos2RealPos FuzzyFindPos2RealPos;
    SieveFuzzyFindArea2RealArea FuzzyFindArea2RealArea;
    SieveFuzzyRealPos2FindPos FuzzyRealPos2FindPos;
};

using OptionDialogFn = SieveFuzzyOptionDialog;
using VersionFn = SieveJreGetVersion;

// Binds all twelve entry points; false when any is missing.
bool BindEntryPoints(HMODULE module, EntryPoints* entry);

}  // namespace hmjre
}  // namespace kx
