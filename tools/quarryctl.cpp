// quarryctl: command-line client of a waiting Quarry. Pokes the job items given as options, runs
// "Replace", prints the "Log" and "FileList" replies; starts and stops a Quarry of its own when none waits.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/dde_client.h"

namespace {

const char kHelp[] =
    "Usage: quarryctl [options]\n"
    "\n"
    "Drives a Quarry that waits as DDE server (service and topic \"Quarry\"): pokes the job items\n"
    "given below, executes \"Replace\", then prints the \"Log\" reply (one line per file in which\n"
    "something was replaced) and the \"FileList\" reply (the files the job covers).\n"
    "When no Quarry is waiting, quarryctl starts quarry.exe from its own folder with --ddestart\n"
    "and stops it (quarry --ddestop) when done.\n"
    "\n"
    "Job items (each poked only when given; a waiting Quarry keeps earlier values):\n"
    "  --set=OPTIONS       \"Set\": comma-separated keywords casesense, word, zero_match, aimai,\n"
    "                      use_regular, subdir, backup, keep_timestamp; absent ones are turned off.\n"
    "                      A Quarry that never got \"Set\" searches with casesense and use_regular.\n"
    "  --dir=DIRECTORY     \"SetDir\": the directory to search\n"
    "  --pattern=PATTERNS  \"SetFilePattern\": wildcard patterns separated by ';' (e.g. *.txt;*.htm)\n"
    "  --hmjre=PATH        \"SetHmJreDLL\": the regular-expression library (sieve.dll)\n"
    "  --find=TEXT         \"SetFindStr\": the search string (poked after --set and --hmjre)\n"
    "  --replace=TEXT      \"SetReplaceStr\": the replacement (may be empty: --replace=)\n"
    "  --charset=NAME      \"SetCharSet\": autodetect, sjis, eucjp, jis, utf8, utf8n, utf16b,\n"
    "                      utf16l, utf16be, utf16le\n"
    "  --linebreak=NAME    \"SetLineBreak\": autodetect, cr, lf, crlf\n"
    "\n"
    "Other options:\n"
    "  --no-start          only talk to a Quarry that is waiting already; never start one\n"
    "  --no-replace        do not execute \"Replace\" (the Log is then that of the last run)\n"
    "  --no-log            do not print the \"Log\" reply\n"
    "  --no-file-list      do not print the \"FileList\" reply\n"
    "  --hmjre-version     print the \"GetHmJreVersion\" reply first\n"
    "  --show-log[=PLACE]  poke \"ShowLog\" at the end: the result window, until it is closed;\n"
    "                      PLACE is center (the default) or left,top,right,bottom in pixels\n"
    "  --timeout=SECONDS   how long to wait for \"Replace\", \"FileList\" and \"ShowLog\" (default 3600)\n"
    "  --help              this text\n"
    "An option's value may also follow it as the next argument (--find TEXT).\n"
    "\n"
    "Exit codes: 0 done; 1 the run reported failure (\"Replace\" was refused); 2 bad command line;\n"
    "3 no Quarry to talk to, or a transaction failed; 4 Quarry refused a value (nothing was run).\n";

enum ExitCode { kDone = 0, kRunFailed = 1, kUsage = 2, kNoServer = 3, kRefused = 4 };

const DWORD kShortTimeout = 30 * 1000;
const DWORD kStartSeconds = 15;

struct Settings {
    // Poke items in the order they are sent: "Set" and "SetHmJreDLL" come before "SetFindStr",
    // which prepares the search with the options then in force.
    struct Item {
        const char* option;
        const char* item;
        bool given;
        std::string value;
    };
    std::vector<Item> items = {
        {"set", "Set", false, {}},           {"dir", "SetDir", false, {}},
        {"pattern", "SetFilePattern", false, {}}, {"hmjre", "SetHmJreDLL", false, {}},
        {"find", "SetFindStr", false, {}},   {"replace", "SetReplaceStr", false, {}},
        {"charset", "SetCharSet", false, {}}, {"linebreak", "SetLineBreak", false, {}},
    };
    bool start = true;
    bool run = true;
    bool print_log = true;
    bool print_file_list = true;
    bool print_version = false;
    bool show_log = false;
    std::string placement = "center";
    DWORD timeout_ms = 3600 * 1000;
    bool help = false;
};

void WriteBytes(HANDLE out, const std::string& bytes) {
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Text with every line ended by CR LF (a bare LF gains its CR), and a last line ended too.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    return out;
}

std::string Hex(UINT value) {
    char text[16];
    wsprintfA(text, "0x%04X", value);
    return text;
}

void Print(const std::string& text) { WriteBytes(GetStdHandle(STD_OUTPUT_HANDLE), WithCrLf(text)); }
void Error(const std::string& text) { WriteBytes(GetStdHandle(STD_ERROR_HANDLE), WithCrLf("quarryctl: " + text)); }

// Reads the options; false with a message for a bad command line.
bool ParseArguments(int argc, char** argv, Settings* s, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.compare(0, 2, "--") != 0) {
            *error = "unexpected argument \"" + arg + "\" (see --help)";
            return false;
        }
        std::string name = arg.substr(2);
        std::string value;
        bool has_value = false;
        size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            has_value = true;
        }
        // Options without a value.
        struct Flag {
            const char* name;
            bool* target;
            bool on;
        } flags[] = {{"help", &s->help, true},          {"no-start", &s->start, false},
                     {"no-replace", &s->run, false},     {"no-log", &s->print_log, false},
                     {"no-file-list", &s->print_file_list, false}, {"hmjre-version", &s->print_version, true}};
        bool done = false;
        for (const Flag& f : flags) {
            if (name != f.name) continue;
            if (has_value) {
                *error = "--" + name + " takes no value";
                return false;
            }
            *f.target = f.on;
            done = true;
        }
        if (done) continue;
        if (name == "show-log") {
            s->show_log = true;
            if (has_value) s->placement = value;
            continue;
        }
        // Options with a value, given after "=" or as the next argument.
        auto take_value = [&]() -> bool {
            if (has_value) return true;
            if (i + 1 >= argc) {
                *error = "--" + name + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        if (name == "timeout") {
            if (!take_value()) return false;
            char* end = nullptr;
            long seconds = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || seconds <= 0 || seconds > 24 * 3600 * 7) {
                *error = "--timeout needs a number of seconds";
                return false;
            }
            s->timeout_ms = static_cast<DWORD>(seconds) * 1000;
            continue;
        }
        for (Settings::Item& item : s->items) {
            if (name != item.option) continue;
            if (!take_value()) return false;
            item.given = true;
            item.value = value;
            done = true;
        }
        if (!done) {
            *error = "unknown option --" + name + " (see --help)";
            return false;
        }
    }
    return true;
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

// A process started from quarry.exe beside this program; the handle is closed on destruction.
class QuarryProcess {
public:
    QuarryProcess() : info_() {}
    ~QuarryProcess() {
        if (info_.hProcess) CloseHandle(info_.hProcess);
        if (info_.hThread) CloseHandle(info_.hThread);
    }
    QuarryProcess(const QuarryProcess&) = delete;
    QuarryProcess& operator=(const QuarryProcess&) = delete;

    bool Start(const char* option) {
        std::string line = "\"" + ProgramFolder() + "quarry.exe\" " + option;
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_) !=
               FALSE;
    }
    bool running() const { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
    // Waits for the end; the exit code, or -1 when it did not end in time.
    int Wait(DWORD ms) {
        if (!info_.hProcess || WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<int>(code);
    }

private:
    PROCESS_INFORMATION info_;
};

// Connects to the waiting Quarry, starting one first when asked to and none is waiting.
bool ConnectToQuarry(kx::DdeClient& client, const Settings& s, QuarryProcess* started, bool* we_started) {
    *we_started = false;
    if (client.Connect("Quarry", "Quarry")) return true;
    if (!s.start) {
        Error("no Quarry is waiting (start one with \"quarry --ddestart\")");
        return false;
    }
    if (!started->Start("--ddestart")) {
        Error("cannot start " + ProgramFolder() + "quarry.exe");
        return false;
    }
    *we_started = true;
    for (DWORD waited = 0; waited < kStartSeconds * 1000; waited += 50) {
        if (client.Connect("Quarry", "Quarry")) return true;
        // Exit code 3: another Quarry began waiting meanwhile; keep trying to reach that one.
        if (!started->running()) {
            int code = started->Wait(0);
            *we_started = false;
            if (code != 3) {
                Error("quarry --ddestart ended with exit code " + std::to_string(code));
                return false;
            }
        }
        Sleep(50);
    }
    Error("the started Quarry did not answer");
    return false;
}

void StopStartedQuarry(QuarryProcess& started) {
    QuarryProcess stopper;
    if (stopper.Start("--ddestop")) stopper.Wait(10 * 1000);
    if (started.Wait(10 * 1000) != 0) Error("the started Quarry did not end cleanly");
}

int Drive(kx::DdeClient& client, const Settings& s) {
    for (const Settings::Item& item : s.items) {
        if (!item.given) continue;
        DWORD timeout = std::strcmp(item.item, "SetFindStr") == 0 ? s.timeout_ms : kShortTimeout;
        kx::DdeAnswer a = client.Poke(item.item, item.value, timeout);
        if (a == kx::DdeAnswer::kFailed) {
            Error(std::string("poking \"") + item.item + "\" failed (DDE error " + Hex(client.lastError()) + ")");
            return kNoServer;
        }
        if (a == kx::DdeAnswer::kRefused) {
            Error(std::string("Quarry refused \"") + item.item + "\" = \"" + item.value + "\"; nothing was run");
            return kRefused;
        }
    }

    std::string text;
    if (s.print_version) {
        if (!client.Request("GetHmJreVersion", &text, kShortTimeout)) {
            Error("requesting \"GetHmJreVersion\" failed (DDE error " + Hex(client.lastError()) + ")");
            return kNoServer;
        }
        Print(text);
    }

    int result = kDone;
    if (s.run) {
        kx::DdeAnswer a = client.Execute("Replace", s.timeout_ms);
        if (a == kx::DdeAnswer::kFailed) {
            Error("executing \"Replace\" failed (DDE error " + Hex(client.lastError()) + ")");
            return kNoServer;
        }
        if (a == kx::DdeAnswer::kRefused) {
            Error("the run reported failure");
            result = kRunFailed;
        }
    }
    if (s.print_log) {
        if (!client.Request("Log", &text, s.timeout_ms)) {
            Error("requesting \"Log\" failed (DDE error " + Hex(client.lastError()) + ")");
            return kNoServer;
        }
        Print(text);
    }
    if (s.print_file_list) {
        if (!client.Request("FileList", &text, s.timeout_ms)) {
            Error("requesting \"FileList\" failed (DDE error " + Hex(client.lastError()) + ")");
            return kNoServer;
        }
        Print(text);
    }
    if (s.show_log && client.Poke("ShowLog", s.placement, s.timeout_ms) != kx::DdeAnswer::kAccepted) {
        Error("\"ShowLog\" failed");
        if (result == kDone) result = kNoServer;
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    std::string error;
    if (!ParseArguments(argc, argv, &s, &error)) {
        Error(error);
        return kUsage;
    }
    if (s.help) {
        Print(kHelp);
        return kDone;
    }

    int result;
    QuarryProcess started;
    bool we_started = false;
    {
        kx::DdeClient client;
        if (!client.ready()) {
            Error("DDE is not available");
            return kNoServer;
        }
        result = ConnectToQuarry(client, s, &started, &we_started) ? Drive(client, s) : kNoServer;
    }
    if (we_started) StopStartedQuarry(started);
    return result;
}
