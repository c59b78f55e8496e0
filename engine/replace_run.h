// The "Replace" run: every listed file is read whole in its encoding, its matches replaced, and a
// changed file written to a temporary file beside it and only then put in the original's place.
#pragma once

#include <cstdint>
#include <string>

#include "engine/job_settings.h"
#include "engine/read_ahead.h"
#include "engine/write_behind.h"

namespace kx {

// Builds the new text of one file: every match of the prepared search replaced. A match of length
// zero copies the next character unchanged, so the loop always advances.
int32_t ReplaceAll(Matcher& matcher, const kxlib::string& replace_string, const kxlib::string& text,
                   kxlib::string* output);

// Searches the text of entry index of the run: a file that changes gets its new text in *write for
// WriteChanged; any other gets its outcome here.
FileOutcome SearchReading(JobSettings& job, const std::wstring& path, const FileReading& reading, size_t index,
                          std::unique_ptr<FileWrite>* write);
// One file of the run from reading to writing.
FileOutcome ProcessFile(JobSettings& job, const std::wstring& path);

}  // namespace kx
