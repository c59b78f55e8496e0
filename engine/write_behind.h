// Writing the changed files of a run behind it: what one changed file needs to reach the disk, and a
// thread that writes them in order while the run reads and searches the next files.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/pipeline_stage.h"
#include "engine/read_ahead.h"
#include "text/charset.h"
#include "text/file_utils.h"
#include "text/kxstring.h"

namespace kx {

struct FileOutcome {
    bool ok;                                // false: the file could not be read, was refused, or could not be written
    int32_t count;                          // replacements made
    FailReason reason = FailReason::kNone;  // why not ok
};

// A changed file's new text on its way to the disk, with all that writing it needs.
struct FileWrite {
    size_t index = 0;                    // entry of the run's list
    const std::wstring* path = nullptr;  // the list's own path, left as it is
    kxlib::string output;
    std::shared_ptr<const StandIns> stand_ins;  // the reading's, written back as their characters
    int32_t count = 0;
    CharSetCode char_set = kCharSetAuto;
    LineBreakCode line_break = kLineBreakCrLf;
    bool backup = false;
    bool keep_timestamp = false;
    bool read_only = false;
    FileTimeStamp t_write, t_access;
};

// Backs the file up when asked, refuses a read-only file, writes the new text to a temporary file
// beside it, puts that in its place and sets the old time stamps back when asked.
FileOutcome WriteChanged(const FileWrite& write);
// What WriteChanged would answer, as far as it can be told without writing anything: a read-only
// file, a new text the file's encoding cannot hold and a file that cannot be replaced are refused.
FileOutcome CheckChanged(const FileWrite& write);

// Writes changed files one after the other in the order they are handed, on a thread of its own, so
// that encoding, flushing and putting in place overlap with reading and searching the next files.
// (One at a time, as without the thread: on a nearly full disk, which files still fit stays the same.)
// A few files wait at most, and the texts held stay within a few megabytes unless a single one is
// larger. Each outcome goes to (*outcomes)[index], and the reading stage learns that the run is
// finished with the file.
class WriteBehind : public PipelineStage {
public:
    WriteBehind(std::vector<FileOutcome>* outcomes, ReadAhead* ahead);
    ~WriteBehind() override;

    // Takes a file to write; waits while the files held are enough. Without a thread, writes it now.
    void Hand(std::unique_ptr<FileWrite> write);
    // Waits until every file handed is written (a file there was no memory to write has its failure
    // outcome).
    void Drain();

private:
    void Run() override;
    void Record(size_t index, FileOutcome outcome);
    static const uint64_t kBehindBytes = 16u << 20;

    std::vector<FileOutcome>* outcomes_;
    ReadAhead* ahead_;
    static const size_t kWaitingFiles = 2;

    std::deque<std::unique_ptr<FileWrite>> waiting_;
    uint64_t held_ = 0;  // text bytes of the files waiting or being written
    bool busy_ = false;  // a file is being written
};

}  // namespace kx
