// Registry and file access for Bindery, each handle owned by one object.
#include "keyassign/win_io.h"

#include <cstdio>
#include <string>

#include "text/file_faults.h"
#include "text/file_replace.h"

namespace bindery {

RegistryKey::RegistryKey(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) key_.reset(key);
}

RegistryKey::Read RegistryKey::ReadExact(const char* name, DWORD type, void* buffer, DWORD size) const {
    DWORD stored_type = 0;
    DWORD stored_size = 0;
    LONG status = RegQueryValueExA(key_.get(), name, nullptr, &stored_type, nullptr, &stored_size);
    if (status == ERROR_FILE_NOT_FOUND) return Read::kMissing;
    if (status != ERROR_SUCCESS || stored_type != type || stored_size != size) return Read::kRefused;
    status = RegQueryValueExA(key_.get(), name, nullptr, &stored_type, static_cast<BYTE*>(buffer), &stored_size);
    if (status != ERROR_SUCCESS || stored_type != type || stored_size != size) return Read::kRefused;
    return Read::kOk;
}

RegistryKey::Read RegistryKey::ReadAll(const char* name, DWORD type, std::vector<uint8_t>& bytes) const {
    DWORD stored_type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key_.get(), name, nullptr, &stored_type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return Read::kMissing;
    if ((status != ERROR_SUCCESS && status != ERROR_MORE_DATA) || stored_type != type) {
        return Read::kRefused;
    }
    bytes.assign(size, 0);
    DWORD read = size;
    status = RegQueryValueExA(key_.get(), name, nullptr, &stored_type, bytes.data(), &read);
    if (status != ERROR_SUCCESS || stored_type != type) return Read::kRefused;
    bytes.resize(read);
    return Read::kOk;
}

bool RegistryKey::Write(const char* name, DWORD type, const void* data, size_t size) const {
    return RegSetValueExA(key_.get(), name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
           ERROR_SUCCESS;
}

// Shared as the C runtime's streams share a file (reading and writing), so that a key file another
// program holds open, even for writing, can be read; deletion is shared too, so that reading never
// stops another program from replacing the file whole.
FileSource::FileSource(const char* path)
    : file_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

uint64_t FileSource::Size() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_.get(), &size)) return 0;
    return static_cast<uint64_t>(size.QuadPart);
}

bool FileSource::ReadAt(uint64_t offset, void* buffer, size_t length) const {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_.get(), position, nullptr, FILE_BEGIN)) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    while (length > 0) {
        const DWORD chunk = length > 0x10000000 ? 0x10000000 : static_cast<DWORD>(length);
        DWORD read = 0;
        if (!ReadFile(file_.get(), out, chunk, &read, nullptr) || read == 0) return false;
        out += read;
        length -= read;
    }
    return true;
}

namespace {

using kx::FileCall;
using kx::InjectedFault;

// The folder part of `path` with its trailing separator; empty for a bare name. A double-byte
// character whose second byte is 0x5C is not taken for a backslash.
std::string FolderOf(const char* path) {
    size_t end = 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        const char c = path[i];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && path[i + 1] != '\0') {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/' || c == ':') end = i + 1;
    }
    return std::string(path, end);
}

// A new file beside the file it is to replace ("kxb", up to four hex digits, ".tmp"), opened for
// writing; closed, and deleted unless it was put in place, when the object goes. Nobody else has
// any use for it while it is written, so it is opened without sharing.
class TemporaryFile {
public:
    explicit TemporaryFile(const char* beside) {
        const std::string folder = FolderOf(beside);
        static volatile LONG next = static_cast<LONG>(GetTickCount() ^ GetCurrentProcessId());
        for (uint32_t attempt = 0; attempt < 0x10000; ++attempt) {
            char name[16];
            std::snprintf(name, sizeof name, "kxb%X.tmp", static_cast<unsigned>(InterlockedIncrement(&next) & 0xFFFF));
            const std::string candidate = folder + name;
            if (InjectedFault(FileCall::Open)) return;
            file_.reset(
                CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file_.valid()) {
                path_ = candidate;
                return;
            }
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return;
        }
    }
    ~TemporaryFile() {
        Close();
        if (!path_.empty()) DeleteFileA(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool IsOpen() const { return file_.valid(); }
    const std::string& path() const { return path_; }

    // Writes all bytes, makes sure they reached the disk and closes the file; true when all of that
    // succeeded.
    bool WriteAndClose(const uint8_t* data, size_t length) {
        while (length > 0) {
            const DWORD chunk = length > 0x10000000 ? 0x10000000 : static_cast<DWORD>(length);
            DWORD written = 0;
            if (InjectedFault(FileCall::Write) || !WriteFile(file_.get(), data, chunk, &written, nullptr) ||
                written == 0) {
                return false;
            }
            data += written;
            length -= written;
        }
        const bool flushed = !InjectedFault(FileCall::Flush) && FlushFileBuffers(file_.get());
        return Close() && flushed;
    }

    // The file is in its place under another name: nothing is left to delete.
    void Release() { path_.clear(); }

private:
    bool Close() {
        // Closed here rather than by the owner, because a failed close is a failed write.
        if (!file_.valid()) return true;
        return CloseHandle(file_.release()) != FALSE;
    }

    kx::FileHandle file_;
    std::string path_;
};

// Puts the written temporary file at `path`: in place of the file there, or, with `keep_existing`
// or when there is none, only where no file is (a file that appears meanwhile is kept).
bool PutInPlace(const char* path, const char* temporary, bool keep_existing) {
    if (keep_existing || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        return !InjectedFault(FileCall::Replace) && MoveFileExA(temporary, path, MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    return kx::ReplaceExistingFile(path, temporary);
}

}  // namespace

bool WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes, bool keep_existing) {
    TemporaryFile file(path);
    if (!file.IsOpen() || !file.WriteAndClose(bytes.data(), bytes.size()) ||
        !PutInPlace(path, file.path().c_str(), keep_existing)) {
        return false;
    }
    file.Release();
    return true;
}

}  // namespace bindery
