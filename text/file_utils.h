// Size and time stamps of files named by ANSI paths: what the replace run reads before it touches a
// file and sets back afterwards. Times are UTC as the file system keeps them, to the millisecond.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kx {

struct FileTimeStamp {
    SYSTEMTIME time = {};
    bool valid = false;
};

// Low 32 bits of the file's size; 0 when it cannot be opened.
uint32_t GetFileSizeBytes(const char* path);

// The last-access or last-write time; valid is false on any failure (missing file, a file another
// handle holds open, a time that does not convert).
FileTimeStamp GetLastAccessTime(const char* path);
FileTimeStamp GetLastWriteTime(const char* path);

// Set one time and leave the others as they are; true when it was set.
bool SetLastAccessTime(const char* path, const SYSTEMTIME& time);
bool SetLastWriteTime(const char* path, const SYSTEMTIME& time);
// As above for a time read earlier; a stamp that was not read sets nothing and answers false.
bool SetLastAccessTime(const char* path, const FileTimeStamp& stamp);
bool SetLastWriteTime(const char* path, const FileTimeStamp& stamp);

}  // namespace kx
