// Registry and file access for Bindery, each handle owned by one object.
#include "keyassign/win_io.h"

namespace bindery {

RegistryKey::RegistryKey(const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) key_ = key;
}

RegistryKey::~RegistryKey() {
  if (key_) RegCloseKey(key_);
}

RegistryKey::Read RegistryKey::ReadExact(const char* name, DWORD type, void* buffer,
                                         DWORD size) const {
  DWORD stored_type = 0;
  DWORD stored_size = 0;
  LONG status = RegQueryValueExA(key_, name, nullptr, &stored_type, nullptr, &stored_size);
  if (status == ERROR_FILE_NOT_FOUND) return Read::kMissing;
  if (status != ERROR_SUCCESS || stored_type != type || stored_size != size) return Read::kRefused;
  status = RegQueryValueExA(key_, name, nullptr, &stored_type, static_cast<BYTE*>(buffer),
                            &stored_size);
  if (status != ERROR_SUCCESS || stored_type != type || stored_size != size) return Read::kRefused;
  return Read::kOk;
}

RegistryKey::Read RegistryKey::ReadAll(const char* name, DWORD type,
                                       std::vector<uint8_t>& bytes) const {
  DWORD stored_type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExA(key_, name, nullptr, &stored_type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return Read::kMissing;
  if ((status != ERROR_SUCCESS && status != ERROR_MORE_DATA) || stored_type != type) {
    return Read::kRefused;
  }
  bytes.assign(size, 0);
  DWORD read = size;
  status = RegQueryValueExA(key_, name, nullptr, &stored_type, bytes.data(), &read);
  if (status != ERROR_SUCCESS || stored_type != type) return Read::kRefused;
  bytes.resize(read);
  return Read::kOk;
}

bool RegistryKey::Write(const char* name, DWORD type, const void* data, size_t size) const {
  return RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data),
                        static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

FileSource::FileSource(const char* path)
    : file_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {}

FileSource::~FileSource() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

uint64_t FileSource::Size() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file_, &size)) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

bool FileSource::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file_, position, nullptr, FILE_BEGIN)) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  while (length > 0) {
    const DWORD chunk = length > 0x10000000 ? 0x10000000 : static_cast<DWORD>(length);
    DWORD read = 0;
    if (!ReadFile(file_, out, chunk, &read, nullptr) || read == 0) return false;
    out += read;
    length -= read;
  }
  return true;
}

namespace {

class WriteHandle {
 public:
  WriteHandle(const char* path, bool keep_existing)
      : file_(CreateFileA(path, GENERIC_WRITE, 0, nullptr, keep_existing ? CREATE_NEW : CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~WriteHandle() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  WriteHandle(const WriteHandle&) = delete;
  WriteHandle& operator=(const WriteHandle&) = delete;

  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  bool Write(const uint8_t* data, size_t length) const {
    while (length > 0) {
      const DWORD chunk = length > 0x10000000 ? 0x10000000 : static_cast<DWORD>(length);
      DWORD written = 0;
      if (!WriteFile(file_, data, chunk, &written, nullptr) || written == 0) return false;
      data += written;
      length -= written;
    }
    return true;
  }

 private:
  HANDLE file_;
};

}  // namespace

bool WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes, bool keep_existing) {
  const WriteHandle file(path, keep_existing);
  return file.IsOpen() && file.Write(bytes.data(), bytes.size());
}

}  // namespace bindery
