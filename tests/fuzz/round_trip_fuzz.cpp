// Every reader followed by the writer of the same character set and line break, as a replace run
// writes a file back: unless the reader or the writer says it lost something, reading the written
// file gives the very text read from the first, its line breaks in the file's style.
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "reader_support.h"
#include "text/stand_ins.h"

namespace {

// The text with every line break (CR LF, CR or LF) as LF: a writer puts each break of the text in
// the file's own style.
std::string Lines(const std::string& text) {
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lines += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            lines += text[i];
        }
    }
    return lines;
}

bool ReadText(kx::CharSetCode char_set, kx::LineBreakCode line_break, const uint8_t* bytes, size_t n, std::string* text,
              bool* lossy, kx::StandIns* stand_ins) {
    auto reader = kxfuzz::ReaderOf(char_set, line_break, bytes, n);
    reader->UseStandIns(stand_ins);
    kxlib::string all;
    const bool ok = reader->ReadAll(&all);
    text->assign(all.c_str(), all.length());
    *lossy = reader->lossy();
    return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::Input in(data, size);
    const kx::CharSetCode char_set = kxfuzz::CharSetOf(in.Byte());
    const uint8_t steer = in.Byte();
    const kx::LineBreakCode line_break = static_cast<kx::LineBreakCode>(steer % 3);
    // Characters the code page lacks as stand-in codes, as a replace run reads UTF-8, UTF-16 and
    // EUC-JP files: the writer turns them back.
    const bool with_stand_ins = (steer & 0x80) != 0;
    kx::StandIns stand_ins, stand_ins_again;
    const uint8_t* file = in.rest();
    const size_t file_size = in.left();

    std::string text;
    bool read_lossy = false;
    if (!ReadText(char_set, line_break, file, file_size, &text, &read_lossy, with_stand_ins ? &stand_ins : nullptr))
        return 0;
    if (stand_ins.clashed()) return 0;  // read again with another map by the run

    const std::string& path = kxfuzz::ScratchPath();
    kx::FileStream out;
    FUZZ_CHECK(out.Open(path.c_str(), "wb"));
    auto writer = kx::MakeWriter(char_set, line_break, std::move(out));
    if (!writer->UseStandIns(with_stand_ins ? &stand_ins : nullptr)) return 0;
    FUZZ_CHECK(writer->Write(text.data(), static_cast<uint32_t>(text.size())) >= 0);
    FUZZ_CHECK(writer->Close());
    const bool write_lossy = writer->lossy();

    std::string written;
    kx::FileStream back;
    FUZZ_CHECK(back.Open(path.c_str(), "rb"));
    char block[4096];
    bool failed = false;
    for (uint32_t got; (got = back.ReadBlock(block, sizeof block, &failed)) > 0;) written.append(block, got);
    FUZZ_CHECK(!failed);
    back.Close();
    std::remove(path.c_str());

    if (read_lossy || write_lossy) return 0;
    std::string again;
    bool again_lossy = false;
    FUZZ_CHECK(ReadText(char_set, line_break, reinterpret_cast<const uint8_t*>(written.data()), written.size(), &again,
                        &again_lossy, with_stand_ins ? &stand_ins_again : nullptr));
    FUZZ_CHECK(!again_lossy);
    FUZZ_CHECK(Lines(again) == Lines(text));
    return 0;
}
