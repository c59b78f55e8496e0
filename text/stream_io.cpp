// Owner of a C runtime stream.
#include "text/stream_io.h"

#include "text/file_faults.h"

#include <io.h>
#include <windows.h>

namespace kx {

StdioFile& StdioFile::operator=(StdioFile&& other) noexcept {
    if (this != &other) {
        Close();
        file_ = other.file_;
        writing_ = other.writing_;
        other.file_ = nullptr;
    }
    return *this;
}

bool StdioFile::Open(const char* path, const char* mode) {
    Close();
    file_ = InjectedFault(FileCall::Open) ? nullptr : std::fopen(path, mode);
    writing_ = mode[0] == 'w' || mode[0] == 'a';
    return file_ != nullptr;
}

uint32_t StdioFile::ReadBlock(void* buffer, uint32_t n, bool* failed) {
    if (file_ == nullptr) return 0;
    if (InjectedFault(FileCall::Read)) {
        *failed = true;
        return 0;
    }
    size_t got = std::fread(buffer, 1, n, file_);
    if (got < n && std::ferror(file_)) *failed = true;
    return static_cast<uint32_t>(got);
}

bool StdioFile::Close() {
    if (file_ == nullptr) return true;
    bool flushed = !InjectedFault(FileCall::Flush) && std::fflush(file_) == 0;
    // A written file is complete only when its bytes are on the disk, not just handed to the system.
    if (flushed && writing_) {
        HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_)));
        flushed = h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != FALSE;
    }
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return flushed && closed;
}

}  // namespace kx
