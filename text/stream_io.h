// Binary file handles under the text readers and writers: the one owner of a file handle, block
// reads, and a buffered output that remembers every byte that did not reach the file.
#pragma once

#include <cstdint>

#include "text/file_faults.h"
#include <utility>

namespace kx {

// Owns one file handle opened for binary reading or writing; closes it on destruction. Reads and
// writes go straight to the system: the readers and writers keep buffers of their own.
class FileStream {
public:
    FileStream() {}
    ~FileStream() { Close(); }
    FileStream(FileStream&& other) noexcept : handle_(other.handle_), writing_(other.writing_) {
        other.handle_ = kNoHandle();
    }
    FileStream& operator=(FileStream&& other) noexcept;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Opens path for reading ("rb": an existing file) or writing ("wb": created or truncated; "wx":
    // created, never an existing file), shared with readers and writers as the runtime's streams
    // are; false when it cannot be opened.
    bool Open(const char* path, const char* mode);
    bool is_open() const { return handle_ != kNoHandle(); }
    // Reads up to n bytes; fewer only at the end of the file. *failed is set on a read error.
    uint32_t ReadBlock(void* buffer, uint32_t n, bool* failed);
    // Writes n bytes; answers how many reached the file.
    uint32_t WriteBlock(const void* bytes, uint32_t n);
    // Closes; a file opened for writing is first flushed to the disk. True when both succeeded (and
    // when nothing was open).
    bool Close();

private:
    static void* kNoHandle() { return reinterpret_cast<void*>(static_cast<intptr_t>(-1)); }
    void* handle_ = kNoHandle();
    bool writing_ = false;  // opened for writing: Close also makes the bytes reach the disk
};

// Fixed buffer of output units (bytes, or 16-bit units already in file byte order) in front of a
// stream, with the line-break rule of the writers: a CR, an LF or a CR LF pair of the internal text
// becomes the line-break text once.
template <typename Unit>
class StreamOutput {
public:
    static const uint32_t kCapacity = 65536 / sizeof(Unit);

    explicit StreamOutput(FileStream file) : file_(std::move(file)) {}
    ~StreamOutput() { Finish(); }
    StreamOutput(const StreamOutput&) = delete;
    StreamOutput& operator=(const StreamOutput&) = delete;

    void SetBreak(const Unit* units, uint32_t n) {
        break_length_ = n;
        for (uint32_t i = 0; i < n; ++i) break_[i] = units[i];
    }

    void Put(Unit u) {
        if (fill_ == kCapacity) Flush();
        buffer_[fill_++] = u;
    }

    // c is a unit of the internal text (before any byte swap). True when it was a line-break unit,
    // which has then been dealt with.
    bool TakeBreak(uint32_t c) {
        if (c == '\n') {
            if (!after_cr_) PutBreak();
            after_cr_ = false;
            return true;
        }
        if (c == '\r') {
            PutBreak();
            after_cr_ = true;
            return true;
        }
        after_cr_ = false;
        return false;
    }

    // Marks the output as incomplete: something meant for the file could not be produced.
    void Fail() { failed_ = true; }

    // Units put so far (flushed or not).
    uint64_t produced() const { return flushed_ + fill_; }

    // Writes out the buffer and closes the stream. True when every unit reached the file; later
    // calls give the same answer.
    bool Finish() {
        if (file_.is_open()) {
            Flush();
            if (!file_.Close()) failed_ = true;
        }
        return !failed_;
    }

private:
    void PutBreak() {
        for (uint32_t i = 0; i < break_length_; ++i) Put(break_[i]);
    }

    // Up to ten writes for what is buffered; whatever is still missing after them is a failure.
    void Flush() {
        const char* bytes = reinterpret_cast<const char*>(buffer_);
        const size_t total = fill_ * sizeof(Unit);
        size_t done = 0;
        for (int call = 0; call < 10 && done < total && !failed_; ++call)
            done += InjectedFault(FileCall::Write) ? 0 : file_.WriteBlock(bytes + done, static_cast<uint32_t>(total - done));
        if (done < total) failed_ = true;
        flushed_ += fill_;
        fill_ = 0;
    }

    FileStream file_;
    Unit buffer_[kCapacity];
    uint32_t fill_ = 0;
    uint64_t flushed_ = 0;
    Unit break_[2] = {};
    uint32_t break_length_ = 0;
    bool after_cr_ = false;
    bool failed_ = false;
};

}  // namespace kx
