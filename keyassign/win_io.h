// Thin owners of the Win32 handles Bindery uses: a registry key, and a file read through the
// key-file byte source or written whole.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "keyassign/key_file.h"
#include "text/win32_handles.h"

namespace bindery {

// An existing key under HKEY_CURRENT_USER, opened with full access; never created.
class RegistryKey {
public:
    explicit RegistryKey(const char* path);
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool IsOpen() const { return key_.valid(); }

    enum class Read { kOk, kMissing, kRefused };
    // Reads a value of exactly `type` and `size` bytes. kMissing when there is no such value,
    // kRefused when it exists with another type or size or cannot be read.
    Read ReadExact(const char* name, DWORD type, void* buffer, DWORD size) const;
    // Reads a value of `type` of any size.
    Read ReadAll(const char* name, DWORD type, std::vector<uint8_t>& bytes) const;
    bool Write(const char* name, DWORD type, const void* data, size_t size) const;

private:
    kx::RegistryKey key_;
};

// A file opened for reading.
class FileSource : public ByteSource {
public:
    explicit FileSource(const char* path);
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool IsOpen() const { return file_.valid(); }
    uint64_t Size() const override;
    bool ReadAt(uint64_t offset, void* buffer, size_t length) const override;

private:
    kx::FileHandle file_;
};

// Writes `bytes` as the whole file at `path`: first to a new temporary file beside it, which is
// flushed to the disk and only then put in the place of the file there (with `keep_existing`, only
// where there is none). False when any step fails; the file at `path` is then exactly as it was and
// no temporary file is left.
//
// The file's other users: the C runtime's streams share reading and writing, and a write here works
// while any handle that also shares deletion is open on the file. The one exception is a handle that
// does not share deletion (the runtime's own streams among them): the file cannot be replaced in one
// step while it is open, and writing it in place instead could leave it half written, so the write
// fails and the file stays as it was.
bool WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes, bool keep_existing);

}  // namespace bindery
