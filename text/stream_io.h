// Binary C runtime streams under the text readers and writers: the one owner of a FILE*, block
// reads, and a buffered output that remembers every byte that did not reach the file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "text/file_faults.h"
#include <utility>

namespace kx {

// Owns one C runtime stream; closes it on destruction.
class StdioFile {
public:
    StdioFile() : file_(nullptr), writing_(false) {}
    ~StdioFile() { Close(); }
    StdioFile(StdioFile&& other) noexcept : file_(other.file_), writing_(other.writing_) { other.file_ = nullptr; }
    StdioFile& operator=(StdioFile&& other) noexcept;
    StdioFile(const StdioFile&) = delete;
    StdioFile& operator=(const StdioFile&) = delete;

    // Opens path in a binary mode ("rb" or "wb"); false when it cannot be opened.
    bool Open(const char* path, const char* mode);
    bool is_open() const { return file_ != nullptr; }
    FILE* get() const { return file_; }
    // Reads up to n bytes; *failed is set on a read error (not at the end of the file).
    uint32_t ReadBlock(void* buffer, uint32_t n, bool* failed);
    // Flushes and closes; true when both succeeded (and when nothing was open).
    bool Close();

private:
    FILE* file_;
    bool writing_;  // opened for writing: Close also makes the bytes reach the disk
};

// Fixed buffer of output units (bytes, or 16-bit units already in file byte order) in front of a
// stream, with the line-break rule of the writers: a CR, an LF or a CR LF pair of the internal text
// becomes the line-break text once.
template <typename Unit>
class StreamOutput {
public:
    static const uint32_t kCapacity = 4096;

    explicit StreamOutput(StdioFile file) : file_(std::move(file)) {}
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

    // Up to ten fwrite calls for what is buffered; whatever is still missing after them is a failure.
    void Flush() {
        const char* bytes = reinterpret_cast<const char*>(buffer_);
        const size_t total = fill_ * sizeof(Unit);
        size_t done = 0;
        for (int call = 0; call < 10 && done < total && !failed_; ++call)
            done += InjectedFault(FileCall::Write) ? 0 : std::fwrite(bytes + done, 1, total - done, file_.get());
        if (done < total) failed_ = true;
        flushed_ += fill_;
        fill_ = 0;
    }

    StdioFile file_;
    Unit buffer_[kCapacity];
    uint32_t fill_ = 0;
    uint64_t flushed_ = 0;
    Unit break_[2] = {};
    uint32_t break_length_ = 0;
    bool after_cr_ = false;
    bool failed_ = false;
};

}  // namespace kx
