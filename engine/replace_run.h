// The "Replace" run: every listed file is read whole in its encoding, its matches replaced, and a
// changed file written to a temporary file beside it and only then put in the original's place.
#pragma once

#include <cstdint>
#include <string>

#include "engine/job_settings.h"
#include "engine/read_ahead.h"
#include "engine/write_behind.h"

namespace kx {

// Told of every match as ReplaceAll replaces it: the matched bytes text[at, at + length) became
// output[out_at, out_at + out_length).
class MatchObserver {
public:
    virtual void Matched(uint32_t at, uint32_t length, uint32_t out_at, uint32_t out_length) = 0;

protected:
    ~MatchObserver() {}
};

// Builds the new text of one file: every match of the prepared search replaced. A match of length
// zero copies the next character unchanged, so the loop always advances.
int32_t ReplaceAll(Matcher& matcher, const kxlib::string& replace_string, const kxlib::string& text,
                   kxlib::string* output, MatchObserver* observer = nullptr);

// The map each file of a job's run is read with: the job's own codes given to their characters, the
// other user-defined codes of its find and replace strings kept from being given out.
StandIns ReservedStandIns(const JobSettings& job);

// Searches the text of entry index of the run: a file that changes gets its new text in *write for
// WriteChanged; any other gets its outcome here. A preview (matches told to an observer) sets no
// time stamp.
FileOutcome SearchReading(JobSettings& job, const std::wstring& path, const FileReading& reading, size_t index,
                          std::unique_ptr<FileWrite>* write, MatchObserver* preview = nullptr);
// One file of the run from reading to writing.
FileOutcome ProcessFile(JobSettings& job, const std::wstring& path);

}  // namespace kx
