// DDE client of the benchmarks: connects to a waiting quarry.exe (service and topic "Quarry") and
// carries out the operations given on the command line in order, timing each.
//   bench_client OP...
//     poke ITEM VALUE        VALUE as text or hex:... (bytes sent with their NUL as CF_TEXT)
//     exec NAME              execute transaction, e.g. Replace
//     request ITEM [FILE]    request as CF_TEXT; the reply is saved to FILE when given
//     rounds N               N transactions, alternating a poke of "SetReplaceStr" and a request of "Log"
// Prints one JSON line per operation: op, item, seconds, ok, bytes.
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_util.h"

namespace {

const DWORD kTimeout = 3600 * 1000;  // a run over a large tree may take minutes

HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

// Dispatches what is queued: Wine's client otherwise takes a stray acknowledgement that follows each
// request for the answer to its next transaction.
void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

class Client {
public:
    Client() : instance_(0), conversation_(nullptr) {
        if (DdeInitializeA(&instance_, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) instance_ = 0;
    }
    ~Client() {
        if (conversation_) DdeDisconnect(conversation_);
        if (instance_) DdeUninitialize(instance_);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Tries for up to ten seconds, so the client can be started right after the server.
    bool Connect() {
        if (!instance_) return false;
        HSZ name = DdeCreateStringHandleA(instance_, "Quarry", CP_WINANSI);
        for (int i = 0; i < 200 && !conversation_; ++i) {
            conversation_ = DdeConnect(instance_, name, name, nullptr);
            if (!conversation_) Sleep(50);
        }
        DdeFreeStringHandle(instance_, name);
        return conversation_ != nullptr;
    }

    bool Poke(const std::string& item, const std::string& value) {
        HSZ hsz = DdeCreateStringHandleA(instance_, item.c_str(), CP_WINANSI);
        DWORD result = 0;
        HDDEDATA ok = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(value.c_str())),
                                           static_cast<DWORD>(value.size() + 1), conversation_, hsz, CF_TEXT,
                                           XTYP_POKE, kTimeout, &result);
        DdeFreeStringHandle(instance_, hsz);
        return ok != nullptr && (result & DDE_FACK);
    }

    bool Execute(const std::string& command) {
        DWORD result = 0;
        HDDEDATA ok = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(command.c_str())),
                                           static_cast<DWORD>(command.size() + 1), conversation_, nullptr, 0,
                                           XTYP_EXECUTE, kTimeout, &result);
        return ok != nullptr;
    }

    bool Request(const std::string& item, std::string* reply) {
        HSZ hsz = DdeCreateStringHandleA(instance_, item.c_str(), CP_WINANSI);
        DWORD result = 0;
        HDDEDATA data = DdeClientTransaction(nullptr, 0, conversation_, hsz, CF_TEXT, XTYP_REQUEST, kTimeout, &result);
        DdeFreeStringHandle(instance_, hsz);
        Pump();
        if (!data) return false;
        DWORD size = DdeGetData(data, nullptr, 0, 0);
        reply->assign(size, '\0');
        if (size) DdeGetData(data, reinterpret_cast<LPBYTE>(&(*reply)[0]), size, 0);
        DdeFreeDataHandle(data);
        size_t nul = reply->find('\0');
        if (nul != std::string::npos) reply->resize(nul);
        return true;
    }

private:
    DWORD instance_;
    HCONV conversation_;
};

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
    Client client;
    if (!client.Connect()) {
        std::fprintf(stderr, "bench_client: no Quarry server\n");
        return 1;
    }
    int failures = 0;
    for (int i = 1; i < argc;) {
        const std::string op = argv[i];
        const double start = bench::Now();
        if (op == "poke" && i + 2 < argc) {
            bool ok = client.Poke(argv[i + 1], bench::ArgBytes(argv[i + 2]));
            Report("poke", argv[i + 1], bench::Now() - start, ok, 0);
            failures += !ok;
            i += 3;
        } else if (op == "exec" && i + 1 < argc) {
            bool ok = client.Execute(argv[i + 1]);
            Report("exec", argv[i + 1], bench::Now() - start, ok, 0);
            i += 2;
        } else if (op == "request" && i + 1 < argc) {
            std::string reply;
            bool ok = client.Request(argv[i + 1], &reply);
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
                bool ok = (k & 1) ? client.Request("Log", &reply) : client.Poke("SetReplaceStr", "x");
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
