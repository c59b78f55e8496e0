// In-memory scan speed of the plain search over a buffer without a hit, beside the C library's own
// substring search on the same buffer.
//   bench_scan FILE NEEDLE [REPEATS]     NEEDLE as text or hex:...
// Prints one JSON line per searcher: best and median seconds of REPEATS scans, MB/s of the best.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "match/matcher.h"
#include "match/plain_search.h"

namespace {

void Measure(const char* name, size_t bytes, int repeats, const std::function<long long()>& scan) {
    std::vector<double> times;
    long long result = 0;
    for (int r = 0; r < repeats; ++r) {
        const double start = bench::Now();
        result = scan();
        times.push_back(bench::Now() - start);
    }
    std::sort(times.begin(), times.end());
    const double best = times.front();
    std::printf(
        "{\"searcher\": \"%s\", \"best\": %.6f, \"median\": %.6f, \"worst\": %.6f, \"mbps\": %.1f, \"result\": %lld}\n",
        name, best, times[times.size() / 2], times.back(), bytes / best / 1e6, result);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_scan FILE NEEDLE [REPEATS]\n");
        return 2;
    }
    std::string text;
    if (!bench::ReadWhole(argv[1], &text)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string needle = bench::ArgBytes(argv[2]);
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
    const uint32_t n = static_cast<uint32_t>(text.size());

    kx::PlainSearcher plain;
    plain.SetPattern(kxlib::string(needle.c_str()));
    Measure("SearchBytes", n, repeats, [&] { return plain.Find(text.data(), n) ? plain.found_position() : -1LL; });

    kx::Matcher exact;
    exact.SetOption("use_regular", false);
    exact.SetFindString(needle.c_str());
    Measure("Matcher.Search", n, repeats, [&] { return exact.Search(text.c_str()) ? exact.MatchPosition() : -1LL; });

    // As the run searches: the text in place, from a resume offset.
    Measure("Matcher in place", n, repeats, [&] {
        exact.BeginText(text.c_str(), n);
        bool found = exact.SearchFrom(0);
        exact.EndText();
        return found ? exact.MatchPosition() : -1LL;
    });

    kx::Matcher folded;
    folded.SetOption("use_regular", false);
    folded.SetOption("CaseSense", false);
    folded.SetFindString(needle.c_str());
    Measure("Matcher.Search nocase", n, repeats,
            [&] { return folded.Search(text.c_str()) ? folded.MatchPosition() : -1LL; });

    Measure("Matcher in place nocase", n, repeats, [&] {
        folded.BeginText(text.c_str(), n);
        bool found = folded.SearchFrom(0);
        folded.EndText();
        return found ? folded.MatchPosition() : -1LL;
    });

    Measure("strstr", n, repeats, [&] {
        const char* at = std::strstr(text.c_str(), needle.c_str());
        return at ? static_cast<long long>(at - text.c_str()) : -1LL;
    });
    Measure("std::search", n, repeats, [&] {
        auto at = std::search(text.begin(), text.end(), needle.begin(), needle.end());
        return at == text.end() ? -1LL : static_cast<long long>(at - text.begin());
    });
    std::printf("{\"peak\": %llu}\n", static_cast<unsigned long long>(bench::PeakMemory()));
    return 0;
}
