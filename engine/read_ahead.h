// Reading the files of a run ahead of it: one file's facts and whole decoded text, and a thread that
// reads the next files while the run searches and writes the earlier ones.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/fail_reason.h"
#include "engine/file_list.h"
#include "engine/pipeline_stage.h"
#include "text/charset.h"
#include "text/file_utils.h"
#include "text/kxstring.h"
#include "text/stand_ins.h"

namespace kx {

// What the run learns of a file before it searches it.
struct FileReading {
    // The attributes could be read and the whole text was decoded without loss and without a NUL
    // byte (a text that could not be written back unchanged is never searched).
    bool sound = false;
    FailReason reason = FailReason::kNone;  // why it is not sound
    bool read_only = false;
    FileTimeStamp t_write, t_access;  // only when the job keeps time stamps
    kxlib::string text;
    // The codes that stand in the text for characters the ANSI code page lacks; null when none do.
    std::shared_ptr<const StandIns> stand_ins;
    CharSetCode file_char_set = kCharSetAuto;
    LineBreakCode file_line_break = kLineBreakCrLf;
};

// The largest file a run takes. The run holds a file's text and its new text at once, and the new
// text is reserved at twice the text's size, so a file needs about three times its size in memory,
// in blocks of its size and twice its size. The 32-bit program has 2 GB of address space for all of
// it; the 64-bit program is bounded by the 32-bit lengths of its strings. A larger file gets its
// failure line from its size alone, without being read.
#ifdef _WIN64
const uint64_t kLargestRunFile = 1024ull << 20;
#else
const uint64_t kLargestRunFile = 256ull << 20;
#endif

// Reads one file as the run needs it: attributes, time stamps when asked, the whole text decoded in
// char_set (0: the set its bytes show), characters the ANSI code page lacks held by stand-in codes
// other than those reserved holds.
std::unique_ptr<FileReading> ReadForRun(const wchar_t* path, CharSetCode char_set, bool keep_timestamp,
                                        const StandIns& reserved);

// Reads the files of a list in order on a thread of its own, at most a few megabytes of text ahead of
// the one taking them, so that reading and decoding overlap with searching, writing and flushing.
// While the run works on a larger text, nothing is read ahead: its memory peak is that text's. A
// path listed twice is read again only after the earlier entry was finished with, exactly as if the
// files were read one after the other.
class ReadAhead : public PipelineStage {
public:
    ReadAhead(const FileList& files, CharSetCode char_set, bool keep_timestamp, const StandIns& reserved);
    ~ReadAhead() override;

    // The reading of entry i, taken in list order; waits for it.
    std::unique_ptr<FileReading> Take(size_t i);
    // The run is finished with entry i (it may have rewritten the file); any order.
    void Finished(size_t i);

    // Text bytes the thread may hold that were not taken yet; a larger text is read only when the
    // run asks for it.
    static const uint64_t kAheadBytes = 8u << 20;

private:
    void Run() override;

    const FileList& files_;
    const CharSetCode char_set_;
    const bool keep_timestamp_;
    const StandIns reserved_;
    std::vector<size_t> earlier_;  // index of the earlier entry of the same path, or none
    std::vector<std::unique_ptr<FileReading>> ready_;
    std::vector<uint64_t> sizes_;                   // bytes of each ready reading's text
    std::vector<bool> failed_;                      // reading ran out of memory
    std::vector<bool> finished_;                    // the run is finished with the entry
    uint64_t held_ = 0;                             // bytes of ready readings not yet taken
    size_t produced_ = 0;                           // entries read so far
    size_t waiting_for_ = static_cast<size_t>(-1);  // entry the run waits for
    size_t large_ = static_cast<size_t>(-1);        // a text beyond kAheadBytes the run still works on
};

}  // namespace kx
