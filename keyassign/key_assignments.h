// The key-assignment operations behind Bindery's exports: key files, registry round trips,
// queries and edits of single keys, and the listings written by makeKEYTEXT.
#pragma once

#include <cstdint>

#include "keyassign/result_buffer.h"
#include "keyassign/store.h"
#include "keyassign/vocabulary.h"

namespace bindery {

// Text arguments arrive as nullptr when the caller's pointer is not readable.
class KeyAssignments {
public:
    KeyAssignments(Vocabulary& vocabulary, Store& store, ResultBuffer& result)
        : vocabulary_(vocabulary), store_(store), result_(result) {}

    int32_t ReadKeyFile(const char* path, int32_t flags);
    int32_t WriteToKeyFile(const char* path, int32_t flags);
    int32_t WriteToReg();
    int32_t ReloadReg();
    int32_t RemoveFile(const char* path);
    int32_t MakeKeyText(const char* path, const char* kind);
    const char* FuncNameFromKey(const char* key_name);
    const char* KeysFromFuncName(const char* command_name);
    int32_t SetKeyassign(const char* key_name, const char* command_name);

private:
    Vocabulary& vocabulary_;
    Store& store_;
    ResultBuffer& result_;
};

}  // namespace bindery
