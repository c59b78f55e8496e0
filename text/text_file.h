// The opener of text files: for reading it classifies the file and creates the reader of its
// character set; for writing it creates the writer of a given character set and line break.
#pragma once

#include <cstdint>
#include <memory>

#include "text/text_reader.h"
#include "text/text_writer.h"

namespace kx {

class TextFile {
public:
    enum Mode : int32_t { kRead = 0, kWrite = 1 };

    TextFile() {}
    ~TextFile() { Close(); }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Mode kRead: opens path, classifies its first bytes (char_set is the set asked for, 0 to detect;
    // line_break the hint for a file too short to count) and creates the reader of file_char_set.
    // Mode kWrite: truncates or creates path and creates the writer of char_set (not 0) with
    // line_break (cr, lf or crlf). False when the path is null or empty, something is already open,
    // the mode or a code is not accepted, or the file cannot be opened; nothing is held then.
    bool Open(const char* path, int32_t mode, CharSetCode char_set, LineBreakCode line_break);
    bool Open(const wchar_t* path, int32_t mode, CharSetCode char_set, LineBreakCode line_break);
    // As mode kWrite, but only when path does not exist yet: the file is created new, and an
    // existing file is left as it is (GetLastError then tells ERROR_FILE_EXISTS).
    bool OpenNew(const char* path, CharSetCode char_set, LineBreakCode line_break);
    bool OpenNew(const wchar_t* path, CharSetCode char_set, LineBreakCode line_break);

    // Destroys the reader or completes and destroys the writer. False only when a writer reported
    // that not every byte reached the file.
    bool Close();

    CharSetCode file_char_set = kCharSetAuto;
    LineBreakCode file_line_break = kLineBreakCrLf;
    std::unique_ptr<TextReader> reader;
    std::unique_ptr<TextWriter> writer;

private:
    bool OpenRead(const wchar_t* path, CharSetCode char_set, LineBreakCode line_break);
    bool OpenWrite(const wchar_t* path, CharSetCode char_set, LineBreakCode line_break, bool only_new);
};

}  // namespace kx
