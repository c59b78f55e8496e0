// Owner of a binary file handle.
#include "text/stream_io.h"

#include <windows.h>

#include "text/file_utils.h"

namespace kx {

bool FileStream::Open(const char* path, const char* mode) { return Open(WidePath(path).c_str(), mode); }

bool FileStream::Open(const wchar_t* path, const char* mode) {
    Close();
    writing_ = mode[0] == 'w';
    if (InjectedFault(FileCall::Open)) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    const DWORD disposition = !writing_ ? OPEN_EXISTING : mode[1] == 'x' ? CREATE_NEW : CREATE_ALWAYS;
    HANDLE h = CreateFileW(path, writing_ ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = h;
    return true;
}

uint32_t FileStream::ReadBlock(void* buffer, uint32_t n, bool* failed) {
    if (!is_open()) return 0;
    if (InjectedFault(FileCall::Read)) {
        *failed = true;
        return 0;
    }
    // A disk file answers short only at its end; anything else is asked for again.
    uint32_t done = 0;
    while (done < n) {
        DWORD got = 0;
        if (!ReadFile(handle_, static_cast<char*>(buffer) + done, n - done, &got, nullptr)) {
            *failed = true;
            break;
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

uint32_t FileStream::WriteBlock(const void* bytes, uint32_t n) {
    if (!is_open()) return 0;
    DWORD written = 0;
    if (!WriteFile(handle_, bytes, n, &written, nullptr)) return 0;
    return written;
}

bool FileStream::Close() {
    if (!is_open()) return true;
    bool flushed = true;
    // A written file is complete only when its bytes are on the disk, not just handed to the system.
    if (writing_) flushed = !InjectedFault(FileCall::Flush) && FlushFileBuffers(handle_) != FALSE;
    bool closed = CloseHandle(handle_) != FALSE;
    handle_ = kNoHandle();
    return flushed && closed;
}

}  // namespace kx
