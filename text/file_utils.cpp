// File size and time stamps through Win32 file handles.
#include "text/file_utils.h"

#include "text/file_faults.h"

namespace kx {

namespace {

// Owns one Win32 file handle.
class FileHandle {
public:
    FileHandle(const char* path, DWORD access, DWORD share)
        : handle_(path == nullptr ? INVALID_HANDLE_VALUE
                                  : CreateFileA(path, access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                nullptr)) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

enum class Which { kAccess, kWrite };

FileTimeStamp GetTime(const char* path, Which which) {
    FileTimeStamp stamp;
    FILETIME t;
    if (InjectedFault(FileCall::TimeStamp)) return stamp;
    {
        FileHandle file(path, GENERIC_READ, 0);
        if (!file.valid()) return stamp;
        BOOL ok = which == Which::kAccess ? GetFileTime(file.get(), nullptr, &t, nullptr)
                                          : GetFileTime(file.get(), nullptr, nullptr, &t);
        if (!ok) return stamp;
    }
    stamp.valid = FileTimeToSystemTime(&t, &stamp.time) != FALSE;
    return stamp;
}

bool SetTime(const char* path, const SYSTEMTIME& time, Which which) {
    FILETIME t;
    if (InjectedFault(FileCall::TimeStamp) || !SystemTimeToFileTime(&time, &t)) return false;
    // Attribute access is all that setting a time needs; it also works on a read-only file.
    FileHandle file(path, FILE_WRITE_ATTRIBUTES, 0);
    if (!file.valid()) return false;
    BOOL ok = which == Which::kAccess ? SetFileTime(file.get(), nullptr, &t, nullptr)
                                      : SetFileTime(file.get(), nullptr, nullptr, &t);
    return ok != FALSE;
}

}  // namespace

uint32_t GetFileSizeBytes(const char* path) {
    FileHandle file(path, GENERIC_READ, FILE_SHARE_READ);
    if (!file.valid()) return 0;
    DWORD size = GetFileSize(file.get(), nullptr);
    return size == INVALID_FILE_SIZE ? 0 : size;
}

FileTimeStamp GetLastAccessTime(const char* path) { return GetTime(path, Which::kAccess); }
FileTimeStamp GetLastWriteTime(const char* path) { return GetTime(path, Which::kWrite); }

bool SetLastAccessTime(const char* path, const SYSTEMTIME& time) { return SetTime(path, time, Which::kAccess); }
bool SetLastWriteTime(const char* path, const SYSTEMTIME& time) { return SetTime(path, time, Which::kWrite); }

bool SetLastAccessTime(const char* path, const FileTimeStamp& stamp) {
    return stamp.valid && SetLastAccessTime(path, stamp.time);
}
bool SetLastWriteTime(const char* path, const FileTimeStamp& stamp) {
    return stamp.valid && SetLastWriteTime(path, stamp.time);
}

}  // namespace kx
