// Opening a text file for reading or writing in its character set.
#include "text/text_file.h"

#include <utility>

#include "text/charset.h"
#include "text/detect.h"
#include "text/file_utils.h"

namespace kx {

namespace {

std::unique_ptr<TextReader> MakeReader(int32_t char_set, int32_t line_break, FileStream file, FileHead head) {
    switch (char_set) {
        case kCharSetSjis:
            if (line_break != kLineBreakCr)
                return std::unique_ptr<TextReader>(new TextModeReader(std::move(file), std::move(head)));
            return std::unique_ptr<TextReader>(new CodePageReader(std::move(file), std::move(head)));
        case kCharSetUtf8:
        case kCharSetUtf8Bom: return std::unique_ptr<TextReader>(new Utf8Reader(std::move(file), std::move(head)));
        case kCharSetJis: return std::unique_ptr<TextReader>(new JisReader(std::move(file), std::move(head)));
        case kCharSetEucJp: return std::unique_ptr<TextReader>(new EucJpReader(std::move(file), std::move(head)));
        case kCharSetUtf16BeBom:
        case kCharSetUtf16Be:
            return std::unique_ptr<TextReader>(new Utf16Reader(std::move(file), std::move(head), true));
        case kCharSetUtf16LeBom:
        case kCharSetUtf16Le:
            return std::unique_ptr<TextReader>(new Utf16Reader(std::move(file), std::move(head), false));
        default: return std::unique_ptr<TextReader>(new CodePageReader(std::move(file), std::move(head)));
    }
}

std::unique_ptr<TextWriter> MakeWriter(int32_t char_set, int32_t line_break, FileStream file) {
    const BreakStyle style = static_cast<BreakStyle>(line_break);
    switch (char_set) {
        case kCharSetSjis:
            if (line_break == kLineBreakCrLf) return std::unique_ptr<TextWriter>(new TextModeWriter(std::move(file)));
            return std::unique_ptr<TextWriter>(new CodePageWriter(std::move(file), style));
        case kCharSetEucJp: return std::unique_ptr<TextWriter>(new EucJpWriter(std::move(file), style));
        case kCharSetJis: return std::unique_ptr<TextWriter>(new JisWriter(std::move(file), style));
        case kCharSetUtf8: return std::unique_ptr<TextWriter>(new Utf8Writer(std::move(file), style, false));
        case kCharSetUtf8Bom: return std::unique_ptr<TextWriter>(new Utf8Writer(std::move(file), style, true));
        case kCharSetUtf16BeBom: return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, true, true));
        case kCharSetUtf16LeBom: return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, false, true));
        case kCharSetUtf16Be: return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, true, false));
        case kCharSetUtf16Le: return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, false, false));
        default: return std::unique_ptr<TextWriter>(new CodePageWriter(std::move(file), style));
    }
}

}  // namespace

bool TextFile::Open(const char* path, int32_t mode, int32_t char_set, int32_t line_break) {
    if (path == nullptr || path[0] == '\0') return false;
    return Open(WidePath(path).c_str(), mode, char_set, line_break);
}

bool TextFile::Open(const wchar_t* path, int32_t mode, int32_t char_set, int32_t line_break) {
    if (path == nullptr || path[0] == L'\0' || reader || writer) return false;
    if (mode == kRead) return OpenRead(path, char_set, line_break);
    if (mode == kWrite) return OpenWrite(path, char_set, line_break, false);
    return false;
}

bool TextFile::OpenNew(const char* path, int32_t char_set, int32_t line_break) {
    if (path == nullptr || path[0] == '\0') return false;
    return OpenNew(WidePath(path).c_str(), char_set, line_break);
}

bool TextFile::OpenNew(const wchar_t* path, int32_t char_set, int32_t line_break) {
    if (path == nullptr || path[0] == L'\0' || reader || writer) return false;
    return OpenWrite(path, char_set, line_break, true);
}

bool TextFile::OpenRead(const wchar_t* path, int32_t char_set, int32_t line_break) {
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

bool TextFile::OpenWrite(const wchar_t* path, int32_t char_set, int32_t line_break, bool only_new) {
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
