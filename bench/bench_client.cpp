// DDE client of the benchmarks: connects to a waiting quarry.exe (service and topic "Quarry") and
// carries out the operations given on the command line in order, timing each.
//   bench_client OP...
//     poke ITEM VALUE        VALUE as text or hex:... (bytes sent with their NUL as CF_TEXT)
//     exec NAME              execute transaction, e.g. Replace
//     request ITEM [FILE]    request as CF_TEXT; the reply is saved to FILE when given
//     rounds N               N transactions, alternating a poke of "SetReplaceStr" and a request of "Log"
// Prints one JSON line per operation: op, item, seconds, ok, bytes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_util.h"
#include "command/protocol.h"
#include "tools/dde_client.h"

namespace {

const DWORD kTimeout = 3600 * 1000;  // a run over a large tree may take minutes

// Tries for up to ten seconds, so the client can be started right after the server.
bool Connect(kx::DdeClient& client) {
    for (int i = 0; i < 200; ++i) {
        if (client.Connect(kx::protocol::kService, kx::protocol::kTopic)) return true;
        Sleep(50);
    }
    return false;
}

bool Poke(kx::DdeClient& client, const char* item, const std::string& value) {
    return client.Poke(item, value, kTimeout) == kx::DdeAnswer::kAccepted;
}

void Report(const char* op, const std::string& item, double seconds, bool ok, size_t bytes) {
    std::printf("{\"op\": \"%s\", \"item\": \"%s\", \"seconds\": %.6f, \"ok\": %s, \"bytes\": %llu}\n", op,
                item.c_str(), seconds, ok ? "true" : "false", static_cast<unsigned long long>(bytes));
    std::fflush(stdout);
}

bool SaveFile(const char* path, const std::string& bytes) {
    bench::File out(path, GENERIC_WRITE, CREATE_ALWAYS);
    DWORD written = 0;
    return out.ok() && WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    kx::DdeClient client;
    if (!client.ready() || !Connect(client)) {
        std::fprintf(stderr, "bench_client: no Quarry server\n");
        return 1;
    }
    int failures = 0;
    for (int i = 1; i < argc;) {
        const std::string op = argv[i];
        const double start = bench::Now();
        if (op == "poke" && i + 2 < argc) {
            bool ok = Poke(client, argv[i + 1], bench::ArgBytes(argv[i + 2]));
            Report("poke", argv[i + 1], bench::Now() - start, ok, 0);
            failures += !ok;
            i += 3;
        } else if (op == "exec" && i + 1 < argc) {
            bool ok = client.Execute(argv[i + 1], kTimeout) == kx::DdeAnswer::kAccepted;
            Report("exec", argv[i + 1], bench::Now() - start, ok, 0);
            i += 2;
        } else if (op == "request" && i + 1 < argc) {
            std::string reply;
            bool ok = client.Request(argv[i + 1], &reply, kTimeout);
            double seconds = bench::Now() - start;
            bool save = i + 2 < argc && std::string(argv[i + 2]).find('.') != std::string::npos;
            if (save) SaveFile(argv[i + 2], reply);
            Report("request", argv[i + 1], seconds, ok, reply.size());
            failures += !ok;
            i += save ? 3 : 2;
        } else if (op == "rounds" && i + 1 < argc) {
            const int n = std::atoi(argv[i + 1]);
            int bad = 0;
            std::string reply;
            for (int k = 0; k < n; ++k) {
                bool ok = (k & 1) ? client.Request(kx::protocol::kLog, &reply, kTimeout)
                                  : Poke(client, kx::protocol::kSetReplaceStr, "x");
                bad += !ok;
            }
            Report("rounds", argv[i + 1], bench::Now() - start, bad == 0, static_cast<size_t>(bad));
            failures += bad;
            i += 2;
        } else {
            std::fprintf(stderr, "bench_client: bad operation at %s\n", argv[i]);
            return 2;
        }
    }
    return failures ? 1 : 0;
}
