// Speed of each text writer against a raw write of the very bytes it produced: a large internal
// text (Shift_JIS, LF) is written through the writer of every character set and line break, then
// the resulting file is written again as it stands in 64 KB blocks; both are flushed to the disk.
// Two texts: Japanese prose, and program text (ASCII lines, a Japanese comment now and then).
//   bench_write DIR [MEGABYTES] [RUNS]
// Prints one JSON line per text and writer: file bytes, MB/s of the writer, of the raw write and of
// the writer's encoding alone (every write made to fail), the lossy flag and a hash of the file (to
// compare builds).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_util.h"
#include "text/charset.h"
#include "text/file_faults.h"
#include "text/text_file.h"
#include "text/wide_text.h"

namespace {

// Japanese prose of kanji, kana, half-width katakana, ASCII words and full-width letters, in lines
// of 20 to 120 bytes.
std::string MakeProse(size_t bytes) {
    static const char* const kPieces[] = {
        "日本語", "の",     "文章",    "を書き", "検索", "置換",   "ファイル",
        "ｶﾀｶﾅ",   " text ", "quarry ", "0123 ",  ", ",   "ＡＢＣ", "。",
    };
    const size_t count = sizeof kPieces / sizeof *kPieces;
    std::string t;
    t.reserve(bytes + 200);
    uint32_t seed = 12345;
    size_t line = 0;
    while (t.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        t += kPieces[(seed >> 16) % count];
        line += 1;
        if (line > 4 + (seed >> 8) % 16) {
            t += '\n';
            line = 0;
        }
    }
    return t;
}

// Program text: indented ASCII lines, one kind in eight a comment in Japanese.
std::string MakeProgram(size_t bytes) {
    static const char* const kLines[] = {
        "    if (count == 0) return -1;\n",
        "    for (uint32_t i = 0; i < n; ++i) total += table[text[i]];\n",
        "        out_.PutUnits(start, static_cast<uint32_t>(o - start));\n",
        "}\n",
        "\n",
        "int32_t Writer::Write(const char* text, uint32_t length) {\n",
        "    const uint64_t before = out_.produced();\n",
        "    // 検索して置換する。\n",
    };
    std::string t;
    t.reserve(bytes + 200);
    uint32_t seed = 54321;
    while (t.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        t += kLines[(seed >> 16) % (sizeof kLines / sizeof *kLines)];
    }
    return t;
}

uint64_t Hash(const std::string& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    return h;
}

// Makes every write fail at once, so that a writer's time is its encoding alone.
class NoWrites : public kx::FileFaultPlan {
public:
    bool Fail(kx::FileCall call) override { return call == kx::FileCall::Write; }
};

// Best time of encoding the text without writing anything.
double EncodeTime(const char* path, const std::string& text, kx::CharSetCode char_set, kx::LineBreakCode line_break,
                  int runs) {
    NoWrites plan;
    kx::ArmedFileFaultPlan() = &plan;
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        kx::TextFile file;
        if (!file.Open(path, kx::TextFile::kWrite, char_set, line_break)) break;
        double t0 = bench::Now();
        file.writer->Write(text.data(), static_cast<uint32_t>(text.size()));
        double t1 = bench::Now();
        file.Close();
        if (t1 - t0 < best) best = t1 - t0;
    }
    kx::ArmedFileFaultPlan() = nullptr;
    return best;
}

bool RawWrite(const char* path, const std::string& bytes) {
    bench::File out(path, GENERIC_WRITE, CREATE_ALWAYS);
    if (!out.ok()) return false;
    for (size_t done = 0; done < bytes.size();) {
        DWORD n = static_cast<DWORD>(bytes.size() - done < 65536 ? bytes.size() - done : 65536), written = 0;
        if (!WriteFile(out.get(), bytes.data() + done, n, &written, nullptr) || written != n) return false;
        done += n;
    }
    return FlushFileBuffers(out.get()) != FALSE;
}

// Times one writer on one text and prints its line; false when the file cannot be written.
bool Measure(const char* path, const char* text_name, const std::string& text, const char* set_name,
             kx::CharSetCode char_set, kx::LineBreakCode line_break, int runs) {
    double best_writer = 1e9, best_raw = 1e9;
    bool lossy = false;
    std::string bytes;
    for (int run = 0; run < runs; ++run) {
        double t0 = bench::Now();
        kx::TextFile file;
        if (!file.Open(path, kx::TextFile::kWrite, char_set, line_break)) return false;
        file.writer->Write(text.data(), static_cast<uint32_t>(text.size()));
        lossy = file.writer->lossy();
        if (!file.Close()) return false;
        double t1 = bench::Now();
        if (run == 0 && !bench::ReadWhole(path, &bytes)) return false;
        double t2 = bench::Now();
        if (!RawWrite(path, bytes)) return false;
        double t3 = bench::Now();
        if (t1 - t0 < best_writer) best_writer = t1 - t0;
        if (t3 - t2 < best_raw) best_raw = t3 - t2;
    }
    const double best_encode = EncodeTime(path, text, char_set, line_break, runs);
    const double size = static_cast<double>(bytes.size());
    std::printf(
        "{\"text\": \"%s\", \"writer\": \"%s\", \"line_break\": %d, \"bytes\": %.0f, "
        "\"writer_mbps\": %.0f, \"raw_mbps\": %.0f, \"encode_mbps\": %.0f, \"lossy\": %s, "
        "\"hash\": \"%016llx\"}\n",
        text_name, set_name, line_break, size, size / best_writer / 1e6, size / best_raw / 1e6,
        size / best_encode / 1e6, lossy ? "true" : "false", static_cast<unsigned long long>(Hash(bytes)));
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_write DIR [MEGABYTES] [RUNS]\n");
        return 2;
    }
    const std::string path = std::string(argv[1]) + "\\bench_write.tmp";
    const size_t megabytes = argc > 2 ? static_cast<size_t>(std::atoi(argv[2])) : 32;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    kx::PrepareConversionTables();

    const struct {
        const char* name;
        kx::CharSetCode char_set;
    } sets[] = {{"sjis", kx::kCharSetSjis}, {"euc", kx::kCharSetEucJp},          {"jis", kx::kCharSetJis},
                {"utf8", kx::kCharSetUtf8}, {"utf16le", kx::kCharSetUtf16LeBom}, {"utf16be", kx::kCharSetUtf16Be}};
    const struct {
        const char* name;
        std::string text;
    } texts[] = {{"prose", MakeProse(megabytes << 20)}, {"program", MakeProgram(megabytes << 20)}};
    for (const auto& t : texts)
        for (const auto& set : sets)
            for (kx::LineBreakCode line_break : {kx::kLineBreakLf, kx::kLineBreakCrLf})
                if (!Measure(path.c_str(), t.name, t.text, set.name, set.char_set, line_break, runs)) return 1;
    DeleteFileA(path.c_str());
    return 0;
}
