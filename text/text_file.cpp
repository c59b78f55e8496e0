// Opening a text file for reading or writing in its character set.
#include "text/text_file.h"

#include <utility>

#include "text/charset.h"
#include "text/detect.h"
#include "text/file_utils.h"

namespace kx {

bool TextFile::Open(const char* path, int32_t mode, CharSetCode char_set, LineBreakCode line_break) {
    if (path == nullptr || path[0] == '\0') return false;
    return Open(WidePath(path).c_str(), mode, char_set, line_break);
}

bool TextFile::Open(const wchar_t* path, int32_t mode, CharSetCode char_set, LineBreakCode line_break) {
    if (path == nullptr || path[0] == L'\0' || reader || writer) return false;
    if (mode == kRead) return OpenRead(path, char_set, line_break);
    if (mode == kWrite) return OpenWrite(path, char_set, line_break, false);
    return false;
}

bool TextFile::OpenNew(const char* path, CharSetCode char_set, LineBreakCode line_break) {
    if (path == nullptr || path[0] == '\0') return false;
    return OpenNew(WidePath(path).c_str(), char_set, line_break);
}

bool TextFile::OpenNew(const wchar_t* path, CharSetCode char_set, LineBreakCode line_break) {
    if (path == nullptr || path[0] == L'\0' || reader || writer) return false;
    return OpenWrite(path, char_set, line_break, true);
}

bool TextFile::OpenRead(const wchar_t* path, CharSetCode char_set, LineBreakCode line_break) {
    FileStream file;
    if (!file.Open(path, "rb")) return false;
    // The first block is classified by its start and then handed to the reader as its first bytes.
    FileHead head;
    head.bytes.reset(new unsigned char[kStreamBlock]);
    bool failed = false;
    head.count = file.ReadBlock(head.bytes.get(), kStreamBlock, &failed);
    if (failed) return false;
    const uint32_t sample = head.count < kDetectSampleSize ? head.count : kDetectSampleSize;
    Detection found = Detect(head.bytes.get(), sample, char_set, line_break);
    file_char_set = char_set != kCharSetAuto ? char_set : found.char_set;
    file_line_break = found.line_break;
    reader = MakeReader(file_char_set, file_line_break, std::move(file), std::move(head));
    if (reader->failed()) {
        reader.reset();
        return false;
    }
    return true;
}

bool TextFile::OpenWrite(const wchar_t* path, CharSetCode char_set, LineBreakCode line_break, bool only_new) {
    if (char_set == kCharSetAuto) return false;
    if (line_break != kLineBreakCr && line_break != kLineBreakLf && line_break != kLineBreakCrLf) return false;
    FileStream file;
    if (!file.Open(path, only_new ? "wx" : "wb")) return false;
    file_char_set = char_set;
    file_line_break = line_break;
    writer = MakeWriter(char_set, line_break, std::move(file));
    return true;
}

bool TextFile::Close() {
    reader.reset();
    bool ok = true;
    if (writer) {
        ok = writer->Close();
        writer.reset();
    }
    return ok;
}

}  // namespace kx
