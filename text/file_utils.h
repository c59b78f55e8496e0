// Size and time stamps of files: what the replace run reads before it touches a file and sets back
// afterwards. Times are UTC as the file system keeps them, to the millisecond. Paths are wide (UTF-16)
// as the file calls take them; an ANSI path is the same file named in the ANSI code page.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "text/kxstring.h"

namespace kx {

struct FileTimeStamp {
    SYSTEMTIME time = {};
    bool valid = false;
};

// The wide form of an ANSI path (empty for null).
std::wstring WidePath(const char* path);
// The ANSI form of a wide path, as replies in the code page show it: a character the code page
// lacks becomes its default character.
kxlib::string AnsiPath(const wchar_t* path);

// Low 32 bits of the file's size; 0 when it cannot be opened.
uint32_t GetFileSizeBytes(const char* path);

// The last-access or last-write time; valid is false on any failure (missing file, a file another
// handle holds open, a time that does not convert).
FileTimeStamp GetLastAccessTime(const char* path);
FileTimeStamp GetLastWriteTime(const char* path);
FileTimeStamp GetLastAccessTime(const wchar_t* path);
FileTimeStamp GetLastWriteTime(const wchar_t* path);

// Set one time and leave the others as they are; true when it was set.
bool SetLastAccessTime(const char* path, const SYSTEMTIME& time);
bool SetLastWriteTime(const char* path, const SYSTEMTIME& time);
// As above for a time read earlier; a stamp that was not read sets nothing and answers false.
bool SetLastAccessTime(const char* path, const FileTimeStamp& stamp);
bool SetLastWriteTime(const char* path, const FileTimeStamp& stamp);
bool SetLastAccessTime(const wchar_t* path, const FileTimeStamp& stamp);
bool SetLastWriteTime(const wchar_t* path, const FileTimeStamp& stamp);

}  // namespace kx
