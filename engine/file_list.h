// Listing of the files a job covers: the start directory and the ";"-separated patterns, depth first,
// with or without subdirectories, in the order the platform's directory search yields entries.
#pragma once

#include <windows.h>

#include <vector>

#include "text/kxstring.h"

namespace kx {

using FileList = std::vector<kxlib::string>;

// The items of a pattern list split at ";" exactly: blanks kept, empty items kept.
std::vector<kxlib::string> SplitPatterns(const kxlib::string& file_patterns);

// A directory search that never yields "." or "..". Closes its search handle on destruction.
class FindIterator {
public:
    FindIterator();
    ~FindIterator();
    FindIterator(const FindIterator&) = delete;
    FindIterator& operator=(const FindIterator&) = delete;

    bool Open(const char* pattern_path);
    bool Next(WIN32_FIND_DATAA* record);
    void Close();

private:
    HANDLE handle_;
    bool first_pending_;
    WIN32_FIND_DATAA first_;
};

FileList EnumerateFiles(const kxlib::string& directory, const kxlib::string& file_patterns, bool subdir);

}  // namespace kx
