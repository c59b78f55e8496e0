// Reply texts of the requests "Log", "Notices", "FileList" and "GetHmJreVersion", and the execute
// command "FuzzyOptionDialog".
#include <windows.h>

#include "engine/file_list.h"
#include "engine/job_settings.h"

namespace kx {

const char* JobSettings::Log() { return replaced_log.c_str(); }

const char* JobSettings::Notices() { return notice_log.c_str(); }

const char* JobSettings::FileList() {
    static kxlib::string reply;
    kxlib::string text;
    for (const ListedFile& file : EnumerateFiles(directory, file_patterns, subdir)) {
        kxlib::append_growing(text, file.name);
        kxlib::append_growing(text, "\n", 1);
    }
    reply = text;
    return reply.c_str();
}

const char* GetHmJreVersion() {
    // Filled once per process: a later "SetHmJreDLL" does not change the answer.
    static kxlib::string version;
    if (version.empty()) {
        uint16_t v = QueryHmJreVersion();
        char text[16];
        wsprintfA(text, "%d.%d%d", (v >> 8) & 0xF, (v >> 4) & 0xF, v & 0xF);
        version.assign(text);
    }
    return version.c_str();
}

bool FuzzyOptionDialog() {
    Matcher temporary;
    return temporary.ShowFuzzyOptionDialog(nullptr) != 0;
}

}  // namespace kx
