// The replacement step of the whole-file writers.
#include "text/file_replace.h"

#include <windows.h>

#include <string>

#include "text/file_faults.h"
#include "text/win32_handles.h"

namespace kx {

namespace {
// A path in the ANSI code page as UTF-16.
std::wstring Wide(const char* path) {
    const int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], n);
    wide.resize(wide.size() - 1);
    return wide;
}
}  // namespace

bool CanBeReplaced(const wchar_t* original) {
    const FileHandle h(CreateFileW(original, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return h.valid();
}

bool ReplaceExistingFile(const wchar_t* original, const wchar_t* temporary) {
    if (!CanBeReplaced(original)) return false;
    if (!InjectedFault(FileCall::Replace) &&
        ReplaceFileW(original, temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    return !InjectedFault(FileCall::Replace) &&
           MoveFileExW(temporary, original, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool ReplaceExistingFile(const char* original, const char* temporary) {
    return ReplaceExistingFile(Wide(original).c_str(), Wide(temporary).c_str());
}

}  // namespace kx
