// The entry points of sieve.dll: each checks its record, finds the record's private state and
// hands the work to the regular-expression or folding code. Platform-free; the DLL's own entry and
// the option dialog are in exports_win32.cpp.
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <type_traits>

#include "match/sieve_api.h"
#include "sieve/fold.h"
#include "sieve/regex.h"
#include "sieve/settings.h"

namespace {

const char kEmptyText[] = "";

std::uint64_t Address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

struct RegexState {
    Jre2Record* owner = nullptr;
    sieve::Regex regex;
};

struct FuzzyState {
    FuzzyRecord* owner = nullptr;
    sieve::FoldedText target;
    std::string find;
};

// The private states of the open records of one kind. A record refers to its state by
// address; the state is trusted only while it is live and belongs to that very record, so a
// stale, copied or foreign record is treated as not open instead of being dereferenced.
template <typename Record, typename State, std::uint32_t Size, std::uint32_t Signature> class OpenRecords {
public:
    OpenRecords() = default;
    OpenRecords(const OpenRecords&) = delete;
    OpenRecords& operator=(const OpenRecords&) = delete;
    ~OpenRecords() { CloseAll(); }

    State* Open(Record* record) {
        if (!Usable(record)) return nullptr;
        Close(record);
        auto state = std::make_unique<State>();
        state->owner = record;
        live_.insert(state.get());
        record->state = Address(state.get());
        record->signature = Signature;
        return state.release();
    }

    State* Find(Record* record) const {
        if (!Usable(record) || record->signature != Signature) return nullptr;
        State* state = reinterpret_cast<State*>(static_cast<std::uintptr_t>(record->state));
        return live_.count(state) && state->owner == record ? state : nullptr;
    }

    void Close(Record* record) {
        if (!Usable(record)) return;
        if (State* state = Find(record)) {
            live_.erase(state);
            delete state;
        }
        record->signature = 0;
        record->state = 0;
    }

    void CloseAll() {
        for (State* state : live_) delete state;
        live_.clear();
    }

private:
    static bool Usable(const Record* record) { return record && record->size >= Size; }

    std::set<State*> live_;
};

// Everything the library holds for its callers. Whatever they did not close is released when
// the library is unloaded.
struct Library {
    OpenRecords<Jre2Record, RegexState, sieve::kJre2RecordSize, sieve::kJre2Signature> regexes;
    OpenRecords<FuzzyRecord, FuzzyState, sieve::kFuzzyRecordSize, sieve::kFuzzySignature> fuzzy;

    ~Library() {
        regexes.CloseAll();
        fuzzy.CloseAll();
        sieve::ShutDownRegexEngine();
    }
};

Library g_library;

// Runs an entry point's work; running out of memory answers `failure`.
template <typename Work, typename Result> Result Guarded(Work work, Result failure) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return failure;
    }
}

}  // namespace

extern "C" {

int SIEVE_CALL Jre2Open(Jre2Record* record) {
    return Guarded([&] { return g_library.regexes.Open(record) ? 1 : 0; }, 0);
}

int SIEVE_CALL Jre2Compile(Jre2Record* record, const char* pattern) {
    RegexState* state = g_library.regexes.Find(record);
    if (!state || !pattern) return 0;
    record->error_code = state->regex.Compile(pattern);
    return record->error_code == 0 ? 1 : 0;
}

void SIEVE_CALL Jre2Close(Jre2Record* record) { g_library.regexes.Close(record); }

int SIEVE_CALL Jre2GetMatchInfo_HmJre(Jre2Record* record, const char* subject, int length) {
    RegexState* state = g_library.regexes.Find(record);
    if (!state || !subject) return 0;
    if (length < 0) length = static_cast<int>(std::strlen(subject));
    const int r = state->regex.Search(subject, length, record->search_start);
    if (r < 0) record->error_code = r;
    std::int32_t position = 0;
    std::int32_t match_length = 0;
    if (r != 1 || !state->regex.Group(0, &position, &match_length)) return 0;
    record->match_position = position;
    record->match_length = match_length;
    return 1;
}

int SIEVE_CALL JreGetTagPosition(Jre2Record* record, int tag, int* length) {
    std::int32_t position = -1;
    std::int32_t tag_length = 0;
    RegexState* state = g_library.regexes.Find(record);
    if (!state || tag < '0' || tag > '9' || !state->regex.Group(tag - '0', &position, &tag_length)) {
        position = -1;
        tag_length = 0;
    }
    if (length) *length = tag_length;
    return position;
}

int SIEVE_CALL Fuzzy_Open(FuzzyRecord* record, int) {
    return Guarded(
        [&] {
            if (!g_library.fuzzy.Open(record)) return 0;
            record->flags = sieve::LoadFuzzyFlags();
            record->find_string = Address(kEmptyText);
            record->target = Address(kEmptyText);
            return 1;
        },
        0);
}

void SIEVE_CALL Fuzzy_Close(FuzzyRecord* record) {
    if (!record || record->size < sieve::kFuzzyRecordSize) return;
    g_library.fuzzy.Close(record);
    record->find_string = 0;
    record->target = 0;
}

int SIEVE_CALL Fuzzy_ConvertTarget(FuzzyRecord* record, const char* text) {
    if (!record || record->size < sieve::kFuzzyRecordSize) return 0;
    // Until the conversion succeeds the target is an empty text, never a stale or null one.
    record->target = Address(kEmptyText);
    FuzzyState* state = g_library.fuzzy.Find(record);
    if (!state || !text) return 0;
    return Guarded(
        [&] {
            state->target.Assign(text, std::strlen(text), sieve::FoldRules::FromFlags(record->flags));
            record->target = Address(state->target.text().c_str());
            return 1;
        },
        0);
}

int SIEVE_CALL Fuzzy_ConvertFindString(FuzzyRecord* record, const char* text, int kind) {
    FuzzyState* state = g_library.fuzzy.Find(record);
    if (!state || !text || (kind != sieve::kFindRegex && kind != sieve::kFindPlain)) return 0;
    record->find_string = Address(kEmptyText);
    return Guarded(
        [&] {
            state->find =
                sieve::FoldPattern(text, kind == sieve::kFindRegex, sieve::FoldRules::FromFlags(record->flags));
            record->find_string = Address(state->find.c_str());
            return 1;
        },
        0);
}

int SIEVE_CALL Fuzzy_FindPos2RealPos(FuzzyRecord* record, int position) {
    FuzzyState* state = g_library.fuzzy.Find(record);
    if (!state || position < 0) return position;
    return state->target.RealPosition(position);
}

int SIEVE_CALL Fuzzy_FindArea2RealArea(FuzzyRecord* record, int position, int* length) {
    FuzzyState* state = g_library.fuzzy.Find(record);
    if (!state || position < 0) return position;
    return state->target.RealArea(position, length);
}

int SIEVE_CALL Fuzzy_RealPos2FindPos(FuzzyRecord* record, int position) {
    FuzzyState* state = g_library.fuzzy.Find(record);
    if (!state || position < 0) return position;
    return state->target.FoldedPosition(position);
}

unsigned SIEVE_CALL JreGetVersion(void) { return sieve::kVersion; }

}  // extern "C"

// The definitions above must have exactly the types the callers bind them to.
static_assert(std::is_same_v<decltype(&Jre2Open), Jre2Open_fn>);
static_assert(std::is_same_v<decltype(&Jre2Compile), Jre2Compile_fn>);
static_assert(std::is_same_v<decltype(&Jre2Close), Jre2Close_fn>);
static_assert(std::is_same_v<decltype(&Jre2GetMatchInfo_HmJre), Jre2GetMatchInfo_HmJre_fn>);
static_assert(std::is_same_v<decltype(&JreGetTagPosition), JreGetTagPosition_fn>);
static_assert(std::is_same_v<decltype(&Fuzzy_Open), Fuzzy_Open_fn>);
static_assert(std::is_same_v<decltype(&Fuzzy_Close), Fuzzy_Close_fn>);
static_assert(std::is_same_v<decltype(&Fuzzy_ConvertTarget), Fuzzy_ConvertTarget_fn>);
static_assert(std::is_same_v<decltype(&Fuzzy_ConvertFindString), Fuzzy_ConvertFindString_fn>);
static_assert(std::is_same_v<decltype(&Fuzzy_FindPos2RealPos), Fuzzy_FindPos2RealPos_fn>);
static_assert(std::is_same_v<decltype(&Fuzzy_FindArea2RealArea), Fuzzy_FindArea2RealArea_fn>);
static_assert(std::is_same_v<decltype(&Fuzzy_RealPos2FindPos), Fuzzy_RealPos2FindPos_fn>);
static_assert(std::is_same_v<decltype(&JreGetVersion), JreGetVersion_fn>);
