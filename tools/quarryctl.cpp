// quarryctl: command-line client of a waiting Quarry. Pokes the job items given as options (in Unicode),
// runs "Replace" (or "Preview" for a dry run), prints the "Log" and "FileList" replies and the failure
// lines; starts and stops a Quarry of its own when none waits.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "command/protocol.h"
#include "command/unicode_values.h"
#include "text/win32_handles.h"
#include "tools/dde_client.h"

namespace {

const char kHelp[] =
    "Usage: quarryctl [options]\n"
    "\n"
    "Drives a Quarry that waits as DDE server (service and topic \"Quarry\"): pokes the job items\n"
    "given below, executes \"Replace\", then prints the \"Log\" reply (one line per file in which\n"
    "something was replaced) and the \"FileList\" reply (the files the job covers). The lines of the\n"
    "files that failed go to standard error.\n"
    "When no Quarry is waiting, quarryctl starts quarry.exe from its own folder with --ddestart\n"
    "and stops it (quarry --ddestop) when done.\n"
    "\n"
    "Values are passed in Unicode. A Quarry that takes only ANSI text gets a value only when the\n"
    "ANSI code page holds it exactly; else nothing is poked and quarryctl ends with exit code 2.\n"
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
    "  --dry-run           execute \"Preview\" instead of \"Replace\" and print what the run would\n"
    "                      do: per file the count and the changed lines (- as now, + as it would\n"
    "                      read), then the files that would fail. Nothing is written.\n"
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
    "Output to a pipe or a file is UTF-8 with CR LF line ends; a console gets its own characters.\n"
    "\n"
    "Exit codes:\n"
    "  0  done (every file of the run was read and, where it had hits, written)\n"
    "  1  the run reported failure: no file matches the patterns (\"Replace\" was refused)\n"
    "  2  bad command line, or a value that this Quarry (ANSI only) cannot take exactly\n"
    "  3  no Quarry to talk to, or a transaction failed\n"
    "  4  Quarry refused a value (nothing was run)\n"
    "  5  the run ended, but one or more files failed (or, with --dry-run, would fail)\n";

enum ExitCode { kDone = 0, kRunFailed = 1, kUsage = 2, kNoServer = 3, kRefused = 4, kFilesFailed = 5 };

const DWORD kShortTimeout = 30 * 1000;
const DWORD kStartSeconds = 15;

struct Settings {
    // Poke items in the order they are sent: "Set" and "SetHmJreDLL" come before "SetFindStr",
    // which prepares the search with the options then in force.
    struct Item {
        const wchar_t* option;
        const char* item;
        bool given;
        std::wstring value;
    };
    std::vector<Item> items = {
        {L"set", kx::protocol::kSet, false, {}},
        {L"dir", kx::protocol::kSetDir, false, {}},
        {L"pattern", kx::protocol::kSetFilePattern, false, {}},
        {L"hmjre", kx::protocol::kSetHmJreDLL, false, {}},
        {L"find", kx::protocol::kSetFindStr, false, {}},
        {L"replace", kx::protocol::kSetReplaceStr, false, {}},
        {L"charset", kx::protocol::kSetCharSet, false, {}},
        {L"linebreak", kx::protocol::kSetLineBreak, false, {}},
    };
    bool start = true;
    bool run = true;
    bool dry_run = false;
    bool print_log = true;
    bool print_file_list = true;
    bool print_version = false;
    bool show_log = false;
    std::wstring placement = L"center";
    DWORD timeout_ms = 3600 * 1000;
    bool help = false;
};

// Text with every line ended by CR LF (a bare LF gains its CR), and a last line ended too.
std::wstring WithCrLf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
        out += text[i];
    }
    if (!out.empty() && out.back() != L'\n') out += L"\r\n";
    return out;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring Hex(UINT value) {
    wchar_t text[16];
    wsprintfW(text, L"0x%04X", value);
    return text;
}

// Standard output or error: a console gets the characters themselves (and colour when asked), a
// pipe or a file gets UTF-8.
class Output {
public:
    enum Colour : WORD {
        kPlain = 0,
        kRemoved = FOREGROUND_RED | FOREGROUND_INTENSITY,
        kAdded = FOREGROUND_GREEN | FOREGROUND_INTENSITY,
        kHeading = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE | FOREGROUND_INTENSITY,
        kNote = FOREGROUND_RED | FOREGROUND_GREEN
    };

    explicit Output(DWORD which) : handle_(GetStdHandle(which)) {
        DWORD mode = 0;
        console_ = handle_ && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode);
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (console_ && GetConsoleScreenBufferInfo(handle_, &info)) plain_ = info.wAttributes;
    }

    // Writes the text, its lines ended by CR LF.
    void Write(const std::wstring& text, Colour colour = kPlain) {
        const std::wstring lines = WithCrLf(text);
        if (lines.empty()) return;
        if (console_) {
            if (colour != kPlain) SetConsoleTextAttribute(handle_, colour);
            DWORD written = 0;
            WriteConsoleW(handle_, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
            if (colour != kPlain) SetConsoleTextAttribute(handle_, plain_);
            return;
        }
        const int n =
            WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), nullptr, 0, nullptr, nullptr);
        if (n <= 0) return;
        std::string bytes(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), &bytes[0], n, nullptr, nullptr);
        DWORD written = 0;
        WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

private:
    HANDLE handle_;
    bool console_ = false;
    WORD plain_ = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;
};

void Print(const std::wstring& text, Output::Colour colour = Output::kPlain) {
    Output(STD_OUTPUT_HANDLE).Write(text, colour);
}
void Error(const std::wstring& text) { Output(STD_ERROR_HANDLE).Write(L"quarryctl: " + text); }

// Reads the options; false with a message for a bad command line.
bool ParseArguments(int argc, wchar_t** argv, Settings* s, std::wstring* error) {
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg.compare(0, 2, L"--") != 0) {
            *error = L"unexpected argument \"" + arg + L"\" (see --help)";
            return false;
        }
        std::wstring name = arg.substr(2);
        std::wstring value;
        bool has_value = false;
        size_t eq = name.find(L'=');
        if (eq != std::wstring::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            has_value = true;
        }
        // Options without a value.
        struct Flag {
            const wchar_t* name;
            bool* target;
            bool on;
        } flags[] = {{L"help", &s->help, true},
                     {L"no-start", &s->start, false},
                     {L"no-replace", &s->run, false},
                     {L"no-log", &s->print_log, false},
                     {L"no-file-list", &s->print_file_list, false},
                     {L"hmjre-version", &s->print_version, true},
                     {L"dry-run", &s->dry_run, true}};
        bool done = false;
        for (const Flag& f : flags) {
            if (name != f.name) continue;
            if (has_value) {
                *error = L"--" + name + L" takes no value";
                return false;
            }
            *f.target = f.on;
            done = true;
        }
        if (done) continue;
        if (name == L"show-log") {
            s->show_log = true;
            if (has_value) s->placement = value;
            continue;
        }
        // Options with a value, given after "=" or as the next argument.
        auto take_value = [&]() -> bool {
            if (has_value) return true;
            if (i + 1 >= argc) {
                *error = L"--" + name + L" needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        if (name == L"timeout") {
            if (!take_value()) return false;
            wchar_t* end = nullptr;
            long seconds = std::wcstol(value.c_str(), &end, 10);
            if (value.empty() || *end != L'\0' || seconds <= 0 || seconds > 24 * 3600 * 7) {
                *error = L"--timeout needs a number of seconds";
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
            *error = L"unknown option --" + name + L" (see --help)";
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
    QuarryProcess() = default;
    void Close() { process_.reset(); }
    QuarryProcess(const QuarryProcess&) = delete;
    QuarryProcess& operator=(const QuarryProcess&) = delete;

    bool Start(const char* option) {
        std::string line = "\"" + ProgramFolder() + "quarry.exe\" " + option;
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION info = {};
        if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info))
            return false;
        kx::KernelHandle thread(info.hThread);  // not needed: closed at once
        process_.reset(info.hProcess);
        return true;
    }
    bool running() const { return process_.valid() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
    // Waits for the end; the exit code, or -1 when it did not end in time.
    int Wait(DWORD ms) {
        if (!process_.valid() || WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return static_cast<int>(code);
    }

private:
    kx::KernelHandle process_;
};

// Connects to the waiting Quarry, starting one first when asked to and none is waiting.
bool ConnectToQuarry(kx::DdeClient& client, const Settings& s, QuarryProcess* started, bool* we_started) {
    *we_started = false;
    if (client.Connect(kx::protocol::kService, kx::protocol::kTopic)) return true;
    if (!s.start) {
        Error(L"no Quarry is waiting (start one with \"quarry --ddestart\")");
        return false;
    }
    if (!started->Start("--ddestart")) {
        Error(L"cannot start " + kx::UnicodeOfAnsi(ProgramFolder().c_str(), ProgramFolder().size()) + L"quarry.exe");
        return false;
    }
    *we_started = true;
    int starts_left = 2;
    ULONGLONG started_at = GetTickCount64();
    for (DWORD waited = 0; waited < kStartSeconds * 1000; waited += 50) {
        if (client.Connect(kx::protocol::kService, kx::protocol::kTopic)) return true;
        // Exit code 3: another Quarry began waiting meanwhile; keep trying to reach that one.
        if (!started->running()) {
            int code = started->Wait(0);
            *we_started = false;
            // Exit code 1 within two seconds: Wine could not start the program at all (its loader
            // failed before any of Quarry's code ran; "--ddestart" is never a bad command line).
            // Such a start is tried again, twice at most.
            if (code == 1 && GetTickCount64() - started_at < 2000 && starts_left > 0) {
                --starts_left;
                started->Close();
                if (!started->Start("--ddestart")) {
                    Error(L"cannot start quarry.exe again after Wine failed to start it");
                    return false;
                }
                started_at = GetTickCount64();
                *we_started = true;
                continue;
            }
            if (code != 3) {
                Error(L"quarry --ddestart ended with exit code " + std::to_wstring(code));
                return false;
            }
        }
        Sleep(50);
    }
    Error(L"the started Quarry did not answer");
    return false;
}

void StopStartedQuarry(QuarryProcess& started) {
    QuarryProcess stopper;
    if (stopper.Start("--ddestop")) stopper.Wait(10 * 1000);
    if (started.Wait(10 * 1000) != 0) Error(L"the started Quarry did not end cleanly");
}

// The conversation with the Quarry: in Unicode when it takes Unicode (it answers "Notices" in
// CF_UNICODETEXT), else in ANSI text that must hold every value exactly.
class Conversation {
public:
    explicit Conversation(kx::DdeClient& client) : client_(client) {
        std::wstring notices;
        unicode_ = client_.RequestUnicode(kx::protocol::kNotices, &notices, kShortTimeout);
    }
    bool unicode() const { return unicode_; }

    // The value as this Quarry would take it; false when it cannot take it exactly.
    bool Passable(const std::wstring& value, std::string* ansi) const {
        return unicode_ || kx::ExactAnsi(value.data(), value.size(), ansi);
    }
    kx::DdeAnswer Poke(const char* item, const std::wstring& value, DWORD timeout) {
        if (unicode_) return client_.PokeUnicode(item, value, timeout);
        std::string ansi;
        if (!kx::ExactAnsi(value.data(), value.size(), &ansi)) return kx::DdeAnswer::kRefused;
        return client_.Poke(item, ansi, timeout);
    }
    // A request's reply as text; false (with the failure told) when no reply came.
    bool Request(const char* item, std::wstring* text, DWORD timeout) {
        bool ok;
        if (unicode_) {
            ok = client_.RequestUnicode(item, text, timeout);
        } else {
            std::string ansi;
            ok = client_.Request(item, &ansi, timeout);
            *text = kx::UnicodeOfAnsi(ansi.data(), ansi.size());
        }
        if (!ok) Error(L"requesting \"" + Wide(item) + L"\" failed (DDE error " + Hex(client_.lastError()) + L")");
        return ok;
    }
    kx::DdeClient& client() { return client_; }

private:
    kx::DdeClient& client_;
    bool unicode_ = false;
};

// The lines of a text, without their line breaks.
std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The failure line's ending, "の検索＆置換に失敗しました．".
const wchar_t kFailedLine[] = L"\u306E\u691C\u7D22\uFF06\u7F6E\u63DB\u306B\u5931\u6557\u3057\u307E\u3057\u305F\uFF0E";

// Prints the failure lines of the last run's "Notices" to standard error; how many there were.
int PrintFailures(const std::wstring& notices) {
    int failed = 0;
    for (const std::wstring& line : Lines(notices)) {
        if (!EndsWith(line, kFailedLine)) continue;
        Output(STD_ERROR_HANDLE).Write(line);
        ++failed;
    }
    return failed;
}

std::wstring ReasonText(const std::wstring& reason) {
    static const struct {
        const wchar_t* word;
        const wchar_t* text;
    } kReasons[] = {
        {L"read-only", L"the file is read-only"},
        {L"unreadable", L"the file cannot be read"},
        {L"too-large", L"the file is too large for a run"},
        {L"lossy", L"reading would lose characters (one the code page lacks, or an invalid sequence)"},
        {L"binary", L"the file holds a NUL byte (binary)"},
        {L"unencodable", L"the replacement holds a character the file's encoding cannot hold"},
        {L"held", L"another program holds the file"},
        {L"not-written", L"the file cannot be written"},
    };
    for (const auto& r : kReasons)
        if (reason == r.word) return r.text;
    return reason;
}

// Prints the "Preview" reply as a listing: per file its count and its changed lines, - as they read
// now and + as they would read, then the files that would fail. Answers how many would fail.
int PrintPreview(const std::wstring& preview) {
    int failing = 0;
    int files = 0;
    for (const std::wstring& line : Lines(preview)) {
        // Each record: a kind, a field, and the rest of the line.
        size_t first = line.find(L' ');
        if (first == std::wstring::npos) continue;
        size_t second = line.find(L' ', first + 1);
        const std::wstring kind = line.substr(0, first);
        const std::wstring field =
            line.substr(first + 1, second == std::wstring::npos ? std::wstring::npos : second - first - 1);
        const std::wstring rest = second == std::wstring::npos ? std::wstring() : line.substr(second + 1);
        if (kind == L"file") {
            ++files;
            Print(rest + L": " + field + (field == L"1" ? L" replacement" : L" replacements"), Output::kHeading);
        } else if (kind == L"-") {
            Print(L"  -" + field + L": " + rest, Output::kRemoved);
        } else if (kind == L"+") {
            Print(L"  +" + field + L": " + rest, Output::kAdded);
        } else if (kind == L"fail") {
            ++failing;
            Print(rest + L": would fail: " + ReasonText(field), Output::kRemoved);
        } else if (kind == L"...") {
            Print(L"  " + line, Output::kNote);
        }
    }
    Print(L"Dry run: " + std::to_wstring(files) + L" file(s) would change, " + std::to_wstring(failing) +
          L" would fail; nothing was written.");
    return failing;
}

int Drive(kx::DdeClient& client, const Settings& s) {
    Conversation quarry(client);
    // Every value is checked before anything is poked: a value that cannot reach this Quarry exactly
    // leaves its job as it was.
    for (const Settings::Item& item : s.items) {
        std::string ansi;
        if (item.given && !quarry.Passable(item.value, &ansi)) {
            Error(L"--" + std::wstring(item.option) + L"=\"" + item.value + L"\" cannot be passed exactly: this " +
                  L"Quarry takes only ANSI text and code page " + std::to_wstring(GetACP()) +
                  L" lacks a character of it; nothing was poked");
            return kUsage;
        }
    }
    if (s.dry_run && !quarry.unicode()) {
        Error(L"this Quarry cannot preview a run (it is older than quarryctl); nothing was run");
        return kNoServer;
    }
    for (const Settings::Item& item : s.items) {
        if (!item.given) continue;
        DWORD timeout = std::strcmp(item.item, kx::protocol::kSetFindStr) == 0 ? s.timeout_ms : kShortTimeout;
        kx::DdeAnswer a = quarry.Poke(item.item, item.value, timeout);
        if (a == kx::DdeAnswer::kFailed) {
            Error(L"poking \"" + Wide(item.item) + L"\" failed (DDE error " + Hex(client.lastError()) + L")");
            return kNoServer;
        }
        if (a == kx::DdeAnswer::kRefused) {
            Error(L"Quarry refused \"" + Wide(item.item) + L"\" = \"" + item.value + L"\"; nothing was run");
            return kRefused;
        }
    }

    std::wstring text;
    if (s.print_version) {
        if (!quarry.Request(kx::protocol::kGetHmJreVersion, &text, kShortTimeout)) return kNoServer;
        Print(text);
    }

    if (s.dry_run) {
        kx::DdeAnswer a = client.Execute(kx::protocol::kPreview, s.timeout_ms);
        if (a == kx::DdeAnswer::kFailed) {
            Error(L"executing \"Preview\" failed (DDE error " + Hex(client.lastError()) + L")");
            return kNoServer;
        }
        if (a == kx::DdeAnswer::kRefused) {
            Error(L"the run reported failure: no file matches the patterns");
            return kRunFailed;
        }
        if (!quarry.Request(kx::protocol::kPreview, &text, s.timeout_ms)) return kNoServer;
        return PrintPreview(text) > 0 ? kFilesFailed : kDone;
    }

    int result = kDone;
    if (s.run) {
        kx::DdeAnswer a = client.Execute(kx::protocol::kReplace, s.timeout_ms);
        if (a == kx::DdeAnswer::kFailed) {
            Error(L"executing \"Replace\" failed (DDE error " + Hex(client.lastError()) + L")");
            return kNoServer;
        }
        if (a == kx::DdeAnswer::kRefused) {
            Error(L"the run reported failure");
            result = kRunFailed;
        }
        // The files that failed are told on standard error; a Quarry that takes only ANSI text has
        // no "Notices" to ask.
        if (quarry.unicode()) {
            if (!quarry.Request(kx::protocol::kNotices, &text, s.timeout_ms)) return kNoServer;
            if (result == kRunFailed) Error(text);
            else if (PrintFailures(text) > 0) result = kFilesFailed;
        }
    }
    if (s.print_log) {
        if (!quarry.Request(kx::protocol::kLog, &text, s.timeout_ms)) return kNoServer;
        Print(text);
    }
    if (s.print_file_list) {
        if (!quarry.Request(kx::protocol::kFileList, &text, s.timeout_ms)) return kNoServer;
        Print(text);
    }
    if (s.show_log && quarry.Poke(kx::protocol::kShowLog, s.placement, s.timeout_ms) != kx::DdeAnswer::kAccepted) {
        Error(L"\"ShowLog\" failed");
        if (result == kDone) result = kNoServer;
    }
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Settings s;
    std::wstring error;
    if (!ParseArguments(argc, argv, &s, &error)) {
        Error(error);
        return kUsage;
    }
    if (s.help) {
        Print(Wide(kHelp));
        return kDone;
    }

    int result;
    QuarryProcess started;
    bool we_started = false;
    {
        kx::DdeClient client;
        if (!client.ready()) {
            Error(L"DDE is not available");
            return kNoServer;
        }
        result = ConnectToQuarry(client, s, &started, &we_started) ? Drive(client, s) : kNoServer;
    }
    if (we_started) StopStartedQuarry(started);
    return result;
}
