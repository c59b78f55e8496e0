// Helpers of the end-to-end tests: programs of the build started as real processes (with their
// standard output and error captured), and message boxes answered the way a user would.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace kxtest {

// A program from the build's bin folder run with arguments; handles closed on destruction.
class Program {
public:
    Program() : info_() {}
    ~Program() {
        if (info_.hProcess) {
            // A test that failed halfway must not leave a server behind.
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info_.hProcess, 99);
                WaitForSingleObject(info_.hProcess, 5000);
            }
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
        StopReaders();
        for (HANDLE h : {out_read_, err_read_})
            if (h) CloseHandle(h);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts bin\<exe> with the argument text; with capture, standard output and error go to pipes.
    bool Start(const std::string& exe, const std::string& arguments, bool capture = false) {
        return Start(exe, Wide(arguments), capture);
    }
    // The same with arguments in Unicode.
    bool Start(const std::string& exe, const std::wstring& arguments, bool capture = false) {
        std::wstring line = L"\"" + Wide(ProgramDir() + exe) + L"\" " + arguments;
        std::vector<wchar_t> buffer(line.begin(), line.end());
        buffer.push_back(L'\0');
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        HANDLE out_write = nullptr, err_write = nullptr;
        if (capture) {
            SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
            if (!CreatePipe(&out_read_, &out_write, &sa, 0) || !CreatePipe(&err_read_, &err_write, &sa, 0)) {
                std::fprintf(stderr, "no pipe for %s (error %lu)\n", exe.c_str(),
                             static_cast<unsigned long>(GetLastError()));
                return false;
            }
            SetHandleInformation(out_read_, HANDLE_FLAG_INHERIT, 0);
            SetHandleInformation(err_read_, HANDLE_FLAG_INHERIT, 0);
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
            si.hStdOutput = out_write;
            si.hStdError = err_write;
        }
        // Under Wine a start now and then fails for no reason of the program's (seen once in a few
        // dozen runs of the suite): it is tried again, and each failure is told with its error code.
        BOOL ok = FALSE;
        for (int attempt = 1; attempt <= 3 && !ok; ++attempt) {
            ok = CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, capture, 0, nullptr, nullptr, &si, &info_);
            if (!ok) {
                std::fprintf(stderr, "starting %s failed (attempt %d, error %lu)\n", exe.c_str(), attempt,
                             static_cast<unsigned long>(GetLastError()));
                Sleep(200);
            }
        }
        if (out_write) CloseHandle(out_write);
        if (err_write) CloseHandle(err_write);
        if (capture && ok) {
            // Drained on threads so a full pipe never blocks the program.
            readers_.emplace_back([this] { Drain(out_read_, &out_, ended_); });
            readers_.emplace_back([this] { Drain(err_read_, &err_, ended_); });
        }
        return ok != FALSE;
    }

    // The exit code, or -1 when the program is still running after ms milliseconds. Messages of
    // this thread are dispatched meanwhile: a DDE connect broadcast of the program waits for every
    // window, the test's own DDE windows included.
    int Wait(DWORD ms = 20000) {
        DWORD deadline = GetTickCount() + ms;
        for (;;) {
            DWORD now = GetTickCount();
            DWORD left = static_cast<int>(deadline - now) > 0 ? deadline - now : 0;
            DWORD r = MsgWaitForMultipleObjects(1, &info_.hProcess, FALSE, left, QS_ALLINPUT);
            if (r == WAIT_OBJECT_0) break;
            if (r != WAIT_OBJECT_0 + 1) return -1;
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
        StopReaders();
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<int>(code);
    }

    bool running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD process_id() const { return info_.dwProcessId; }
    DWORD thread_id() const { return info_.dwThreadId; }
    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

private:
    static std::wstring Wide(const std::string& ansi) {
        std::wstring wide(ansi.size(), L'\0');
        int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0],
                                    static_cast<int>(wide.size()));
        wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return wide;
    }

    // Takes what the pipe holds until the program has ended and the pipe is empty. The pipe's end
    // is not waited for: under Wine a process started meanwhile (the desktop process that the
    // program's first window brings up, say) gets the program's standard handles too and may keep
    // the pipe open long after the program is gone.
    static void Drain(HANDLE pipe, std::string* into, const std::atomic<bool>& ended) {
        char buffer[4096];
        for (;;) {
            // Read before looking: once the program has ended, everything it wrote is in the pipe.
            const bool last = ended.load();
            DWORD available = 0;
            if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return;  // closed
            if (available == 0) {
                if (last) return;
                Sleep(2);
                continue;
            }
            DWORD got = 0;
            DWORD want = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
            if (!ReadFile(pipe, buffer, want, &got, nullptr) || got == 0) return;
            into->append(buffer, got);
        }
    }

    // The program has ended (or was ended): the readers take the rest and stop.
    void StopReaders() {
        ended_ = true;
        for (std::thread& t : readers_) t.join();
        readers_.clear();
    }

    PROCESS_INFORMATION info_;
    HANDLE out_read_ = nullptr;
    HANDLE err_read_ = nullptr;
    std::string out_, err_;
    std::atomic<bool> ended_{false};
    std::vector<std::thread> readers_;
};

// A top-level dialog-class window ("#32770") of the process, waiting up to ms milliseconds.
inline HWND FindDialogOf(DWORD process_id, DWORD ms = 10000) {
    struct Search {
        DWORD pid;
        HWND found;
    } search = {process_id, nullptr};
    for (DWORD waited = 0; waited <= ms; waited += 20) {
        EnumWindows(
            [](HWND hwnd, LPARAM lparam) CALLBACK -> BOOL {
                Search* s = reinterpret_cast<Search*>(lparam);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                char cls[16] = {};
                GetClassNameA(hwnd, cls, sizeof cls);
                if (pid != s->pid || lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
                s->found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(20);
    }
    return nullptr;
}

// The message text of a message box: its static control with text.
inline std::string MessageText(HWND box) {
    std::string text;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM lparam) CALLBACK -> BOOL {
            char cls[16] = {};
            GetClassNameA(child, cls, sizeof cls);
            char buffer[512] = {};
            if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, buffer, sizeof buffer) > 0) {
                *reinterpret_cast<std::string*>(lparam) = buffer;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

// Presses the OK button of a message box or dialog.
inline void PressOk(HWND box) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0, SMTO_ABORTIFHUNG, 5000, &result);
}

// Caption of the result window that "ShowLog" opens.
const char kResultCaption[] = "結果";

// Plays the user who presses OK in a dialog of the given process with the given caption whenever
// one appears, until destroyed; pressed() tells whether it did. Dialogs of other processes (other
// tests running at the same time) are left alone.
class DialogPresser {
public:
    DialogPresser(const char* caption, DWORD process_id)
        : caption_(caption), process_id_(process_id), stop_(false), pressed_(false), thread_([this] {
              while (!stop_) {
                  for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", caption_.c_str()); w;
                       w = FindWindowExA(nullptr, w, "#32770", caption_.c_str())) {
                      DWORD owner = 0;
                      GetWindowThreadProcessId(w, &owner);
                      if (owner != process_id_ || !IsWindowVisible(w)) continue;
                      PressOk(w);
                      pressed_ = true;
                      break;
                  }
                  Sleep(30);
              }
          }) {}
    ~DialogPresser() {
        stop_ = true;
        thread_.join();
    }
    DialogPresser(const DialogPresser&) = delete;
    DialogPresser& operator=(const DialogPresser&) = delete;
    bool pressed() const { return pressed_; }

private:
    std::string caption_;
    DWORD process_id_;
    std::atomic<bool> stop_;
    std::atomic<bool> pressed_;
    std::thread thread_;
};

}  // namespace kxtest
