// Owner of a binary file handle in the native build of the window-free core: POSIX descriptors
// behind the same FileStream, with the same fault seam. A wide path is taken as UTF-16 units and
// named in UTF-8, an ANSI path as its bytes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "text/stream_io.h"
#include "text/wide_text.h"

namespace kx {

namespace {

int Descriptor(void* handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }

}  // namespace

bool FileStream::Open(const wchar_t* path, const char* mode) {
    uint32_t n = 0;
    while (path[n] != 0) ++n;
    std::string named(n * 3 + 1, '\0');
    const int32_t m = WideToUtf8(path, n, &named[0], static_cast<uint32_t>(named.size()));
    if (m < 0) return false;
    named.resize(static_cast<size_t>(m));
    return Open(named.c_str(), mode);
}

bool FileStream::Open(const char* path, const char* mode) {
    Close();
    writing_ = mode[0] == 'w';
    if (InjectedFault(FileCall::Open)) {
        errno = EIO;
        return false;
    }
    const int flags = !writing_        ? O_RDONLY
                      : mode[1] == 'x' ? O_WRONLY | O_CREAT | O_EXCL
                                       : O_WRONLY | O_CREAT | O_TRUNC;
    const int fd = ::open(path, flags | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(fd));
    return true;
}

uint32_t FileStream::ReadBlock(void* buffer, uint32_t n, bool* failed) {
    if (!is_open()) return 0;
    if (InjectedFault(FileCall::Read)) {
        *failed = true;
        return 0;
    }
    uint32_t done = 0;
    while (done < n) {
        const ssize_t got = ::read(Descriptor(handle_), static_cast<char*>(buffer) + done, n - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *failed = true;
            break;
        }
        if (got == 0) break;
        done += static_cast<uint32_t>(got);
    }
    return done;
}

uint32_t FileStream::WriteBlock(const void* bytes, uint32_t n) {
    if (!is_open()) return 0;
    uint32_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(Descriptor(handle_), static_cast<const char*>(bytes) + done, n - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<uint32_t>(put);
    }
    return done;
}

bool FileStream::Close() {
    if (!is_open()) return true;
    bool flushed = true;
    if (writing_) flushed = !InjectedFault(FileCall::Flush) && ::fsync(Descriptor(handle_)) == 0;
    const bool closed = ::close(Descriptor(handle_)) == 0;
    handle_ = kNoHandle();
    return flushed && closed;
}

}  // namespace kx
