// Listing of the files a job covers: the start directory and the ";"-separated patterns, depth first,
// with or without subdirectories, in the order the platform's directory search yields entries. The
// walk uses the wide (UTF-16) directory functions, so names the ANSI code page lacks are found too.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "text/kxstring.h"
#include "text/win32_handles.h"

namespace kx {

// One file a job covers: its path as the file calls take it, and its name as the replies in the ANSI
// code page show it (the job's directory as given, then the names found below it, a character the
// code page lacks shown as the code page's default character).
struct ListedFile {
    kxlib::string name;
    std::wstring path;
};

using FileList = std::vector<ListedFile>;

// The items of a pattern list split at ";" exactly: blanks kept, empty items kept.
std::vector<kxlib::string> SplitPatterns(const kxlib::string& file_patterns);

// A directory search that never yields "." or "..". Closes its search handle on destruction.
class FindIterator {
public:
    FindIterator();
    ~FindIterator();
    FindIterator(const FindIterator&) = delete;
    FindIterator& operator=(const FindIterator&) = delete;

    bool Open(const wchar_t* pattern_path);
    bool Next(WIN32_FIND_DATAW* record);
    void Close();

private:
    FindHandle handle_;
    bool first_pending_;
    WIN32_FIND_DATAW first_;
};

FileList EnumerateFiles(const kxlib::string& directory, const kxlib::string& file_patterns, bool subdir);

}  // namespace kx
