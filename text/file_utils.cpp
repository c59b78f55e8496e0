// File size and time stamps through Win32 file handles.
#include "text/file_utils.h"

#include <string>

#include "text/file_faults.h"
#include "text/win32_handles.h"

namespace kx {

namespace {

// Opens an existing file; holds none when path is null or the open fails.
FileHandle OpenExisting(const wchar_t* path, DWORD access, DWORD share) {
    if (path == nullptr) return FileHandle();
    return FileHandle(CreateFileW(path, access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

enum class Which { kAccess, kWrite };

FileTimeStamp GetTime(const wchar_t* path, Which which) {
    FileTimeStamp stamp;
    FILETIME t;
    if (InjectedFault(FileCall::TimeStamp)) return stamp;
    {
        const FileHandle file = OpenExisting(path, GENERIC_READ, 0);
        if (!file.valid()) return stamp;
        BOOL ok = which == Which::kAccess ? GetFileTime(file.get(), nullptr, &t, nullptr)
                                          : GetFileTime(file.get(), nullptr, nullptr, &t);
        if (!ok) return stamp;
    }
    stamp.valid = FileTimeToSystemTime(&t, &stamp.time) != FALSE;
    return stamp;
}

bool SetTime(const wchar_t* path, const SYSTEMTIME& time, Which which) {
    FILETIME t;
    if (InjectedFault(FileCall::TimeStamp) || !SystemTimeToFileTime(&time, &t)) return false;
    // Attribute access is all that setting a time needs; it also works on a read-only file.
    const FileHandle file = OpenExisting(path, FILE_WRITE_ATTRIBUTES, 0);
    if (!file.valid()) return false;
    BOOL ok = which == Which::kAccess ? SetFileTime(file.get(), nullptr, &t, nullptr)
                                      : SetFileTime(file.get(), nullptr, nullptr, &t);
    return ok != FALSE;
}

}  // namespace

std::wstring WidePath(const char* path) {
    if (path == nullptr || path[0] == '\0') return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

kxlib::string AnsiPath(const wchar_t* path) {
    if (path == nullptr || path[0] == L'\0') return kxlib::string();
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return kxlib::string();
    std::string ansi(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, &ansi[0], n, nullptr, nullptr);
    return kxlib::string(ansi.c_str());
}

uint32_t GetFileSizeBytes(const char* path) {
    const std::wstring wide = WidePath(path);
    const FileHandle file = OpenExisting(path == nullptr ? nullptr : wide.c_str(), GENERIC_READ, FILE_SHARE_READ);
    if (!file.valid()) return 0;
    DWORD size = GetFileSize(file.get(), nullptr);
    return size == INVALID_FILE_SIZE ? 0 : size;
}

FileTimeStamp GetLastAccessTime(const wchar_t* path) { return GetTime(path, Which::kAccess); }
FileTimeStamp GetLastWriteTime(const wchar_t* path) { return GetTime(path, Which::kWrite); }
FileTimeStamp GetLastAccessTime(const char* path) {
    return path == nullptr ? FileTimeStamp() : GetLastAccessTime(WidePath(path).c_str());
}
FileTimeStamp GetLastWriteTime(const char* path) {
    return path == nullptr ? FileTimeStamp() : GetLastWriteTime(WidePath(path).c_str());
}

bool SetLastAccessTime(const char* path, const SYSTEMTIME& time) {
    return path != nullptr && SetTime(WidePath(path).c_str(), time, Which::kAccess);
}
bool SetLastWriteTime(const char* path, const SYSTEMTIME& time) {
    return path != nullptr && SetTime(WidePath(path).c_str(), time, Which::kWrite);
}

bool SetLastAccessTime(const char* path, const FileTimeStamp& stamp) {
    return stamp.valid && SetLastAccessTime(path, stamp.time);
}
bool SetLastWriteTime(const char* path, const FileTimeStamp& stamp) {
    return stamp.valid && SetLastWriteTime(path, stamp.time);
}
bool SetLastAccessTime(const wchar_t* path, const FileTimeStamp& stamp) {
    return stamp.valid && SetTime(path, stamp.time, Which::kAccess);
}
bool SetLastWriteTime(const wchar_t* path, const FileTimeStamp& stamp) {
    return stamp.valid && SetTime(path, stamp.time, Which::kWrite);
}

}  // namespace kx
