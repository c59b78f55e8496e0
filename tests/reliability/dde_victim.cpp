// Helper of the server tests: a DDE client of the waiting Quarry that dies in the middle of its
// conversation, killed by the test or by its own hand, without disconnecting.
//   dde_victim idle <ready event>   connects, pokes, signals ready, then waits to be killed
//   dde_victim busy <ready event>   connects, signals ready, executes "Replace" and is killed meanwhile
//   dde_victim quit                 connects, pokes, asks for the log and ends itself on the spot
//   dde_victim miscased             sends item names in the wrong case; exit code 10 + the number of
//                                   them that were not refused (item names are atoms, spelled as first
//                                   met in a process, so this must be a process of its own)
// Exit code 1 when it could not connect.
#include <windows.h>

#include <cstring>
#include <string>

#include "tools/dde_client.h"

namespace {

bool ConnectSoon(kx::DdeClient& client) {
    for (int i = 0; i < 200; ++i) {
        if (client.Connect("Quarry", "Quarry")) return true;
        Sleep(50);
    }
    return false;
}

void Signal(const char* name) {
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
    if (ready) {
        SetEvent(ready);
        CloseHandle(ready);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    kx::DdeClient client;
    if (!ConnectSoon(client)) return 1;
    const std::string mode = argv[1];
    if (mode == "idle" && argc == 3) {
        client.Poke("SetCharSet", "sjis", 5000);
        Signal(argv[2]);
        for (;;) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            Sleep(10);
        }
    }
    if (mode == "busy" && argc == 3) {
        Signal(argv[2]);
        client.Execute("Replace", 120000);
        return 0;
    }
    if (mode == "miscased") {
        int wrong = 0;
        for (const char* item : {"set", "SETDIR", "setfindstr", "setCharSet"})
            wrong += client.Poke(item, "x", 5000) != kx::DdeAnswer::kRefused;
        wrong += client.Execute("REPLACE", 5000) != kx::DdeAnswer::kRefused;
        std::string reply;
        for (const char* item : {"log", "FILELIST", "gethmjreversion"})
            wrong += client.RequestBytes(item, &reply, 5000);
        return 10 + wrong;
    }
    if (mode == "quit") {
        client.Poke("Set", "casesense", 5000);
        std::string log;
        client.Request("Log", &log, 5000);
        client.Poke("SetLineBreak", "crlf", 5000);
        TerminateProcess(GetCurrentProcess(), 7);
    }
    return 2;
}
