// Owner of a C runtime stream.
#include "text/stream_io.h"

#include "text/file_faults.h"

namespace kx {

StdioFile& StdioFile::operator=(StdioFile&& other) noexcept {
    if (this != &other) {
        Close();
        file_ = other.file_;
        other.file_ = nullptr;
    }
    return *this;
}

bool StdioFile::Open(const char* path, const char* mode) {
    Close();
    file_ = InjectedFault(FileCall::Open) ? nullptr : std::fopen(path, mode);
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
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return flushed && closed;
}

}  // namespace kx
