// The "Replace" run: every listed file is read whole in its encoding, its matches replaced, and a
// changed file written to a temporary file beside it and only then put in the original's place.
#pragma once

#include <cstdint>

#include "engine/job_settings.h"
#include "engine/read_ahead.h"

namespace kx {

struct FileOutcome {
    bool ok;        // false: the file could not be read, was refused, or could not be written
    int32_t count;  // replacements made
};

// Builds the new text of one file: every match of the prepared search replaced. A match of length
// zero copies the next character unchanged, so the loop always advances.
int32_t ReplaceAll(Matcher& matcher, const kxlib::string& replace_string, const kxlib::string& text,
                   kxlib::string* output);

// One file of the run, read (ReadForRun) or not yet.
FileOutcome ProcessReading(JobSettings& job, const kxlib::string& path, const FileReading& reading);
FileOutcome ProcessFile(JobSettings& job, const kxlib::string& path);

}  // namespace kx
