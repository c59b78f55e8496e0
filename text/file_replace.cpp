// The replacement step of the whole-file writers.
#include "text/file_replace.h"

#include <windows.h>

#include "text/file_faults.h"

namespace kx {

bool CanBeReplaced(const char* original) {
    HANDLE h = CreateFileA(original, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool ReplaceExistingFile(const char* original, const char* temporary) {
    if (!CanBeReplaced(original)) return false;
    if (!InjectedFault(FileCall::Replace) &&
        ReplaceFileA(original, temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    return !InjectedFault(FileCall::Replace) &&
           MoveFileExA(temporary, original, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

}  // namespace kx
