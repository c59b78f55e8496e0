// Where a run's time goes, file by file: opening and decoding the whole text, searching it (a find
// string that does not occur), and encoding and writing it back to a scratch file in its own
// character set and line break, plus the platform's code-page conversions on their own.
//   bench_profile FILE...
// Prints one JSON line per file and one per conversion, with seconds and MB/s of each phase.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "engine/replace_run.h"
#include "match/matcher.h"
#include "text/text_file.h"

namespace {

double Rate(double bytes, double seconds) { return seconds > 0 ? bytes / seconds / 1e6 : 0; }

void ProfileFile(const char* path) {
    double t0 = bench::Now();
    kx::TextFile in;
    if (!in.Open(path, kx::TextFile::kRead, kx::kCharSetAuto, kx::kLineBreakCrLf)) {
        std::printf("{\"file\": \"%s\", \"error\": \"open\"}\n", path);
        return;
    }
    const kx::CharSetCode char_set = in.file_char_set;
    const kx::LineBreakCode line_break = in.file_line_break;
    // As the run reads: characters the code page lacks held by stand-in codes.
    kx::StandIns stand_ins;
    in.reader->UseStandIns(&stand_ins);
    kxlib::string text;
    in.reader->ReadAll(&text);
    const bool lossy = in.reader->lossy();
    in.Close();
    double t1 = bench::Now();

    kx::Matcher m;
    m.SetOption("use_regular", false);
    m.SetFindString("検索対象の語句");  // never present
    kxlib::string output;
    output.reserve(2 * text.length() + 10);
    kx::ReplaceAll(m, kxlib::string("x"), text, &output);
    double t2 = bench::Now();

    std::string scratch = std::string(path) + ".profile.tmp";
    kx::TextFile out;
    out.Open(scratch.c_str(), kx::TextFile::kWrite, char_set, line_break);
    out.writer->UseStandIns(&stand_ins);
    out.writer->Write(output.c_str(), output.length());
    out.Close();
    double t3 = bench::Now();
    DeleteFileA(scratch.c_str());
    std::string bytes;
    bench::ReadWhole(path, &bytes);
    const double size = static_cast<double>(bytes.size());
    std::printf(
        "{\"file\": \"%s\", \"char_set\": %d, \"line_break\": %d, \"bytes\": %.0f, \"lossy\": %s, "
        "\"read\": %.4f, \"search\": %.4f, \"write\": %.4f, \"read_mbps\": %.1f, \"write_mbps\": %.1f}\n",
        path, char_set, line_break, size, lossy ? "true" : "false", t1 - t0, t2 - t1, t3 - t2, Rate(size, t1 - t0),
        Rate(size, t3 - t2));
    std::fflush(stdout);
}

// The platform's conversions alone over one MB of Japanese text.
void ProfileConversions() {
    std::string ansi;
    while (ansi.size() < (1u << 20)) ansi += "日本語の文字 text あア\r\n";
    std::vector<wchar_t> wide(ansi.size());
    std::vector<char> utf8(ansi.size() * 3), back(ansi.size() * 2);
    const int n = static_cast<int>(ansi.size());
    double t0 = bench::Now();
    int w = MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, wide.data(), n);
    double t1 = bench::Now();
    int u =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), w, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    double t2 = bench::Now();
    int w2 = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), u, wide.data(), w);
    double t3 = bench::Now();
    WideCharToMultiByte(CP_ACP, 0, wide.data(), w2, back.data(), static_cast<int>(back.size()), nullptr, nullptr);
    double t4 = bench::Now();
    const double mb = n / 1e6;
    std::printf("{\"conversion\": \"ANSI->UTF-16\", \"ms_per_mb\": %.2f}\n", (t1 - t0) * 1e3 / mb);
    std::printf("{\"conversion\": \"UTF-16->UTF-8\", \"ms_per_mb\": %.2f}\n", (t2 - t1) * 1e3 / mb);
    std::printf("{\"conversion\": \"UTF-8->UTF-16\", \"ms_per_mb\": %.2f}\n", (t3 - t2) * 1e3 / mb);
    std::printf("{\"conversion\": \"UTF-16->ANSI\", \"ms_per_mb\": %.2f}\n", (t4 - t3) * 1e3 / mb);
}

}  // namespace

int main(int argc, char** argv) {
    ProfileConversions();
    for (int i = 1; i < argc; ++i) ProfileFile(argv[i]);
    return 0;
}
