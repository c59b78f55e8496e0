// Hang detection for hostile-input runs: each input is announced before it is tried; one that is
// still running after the time limit ends the program with its description, so a hang is a failure
// with the input that caused it, not a silent time-out.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "crash_guard.h"

namespace kxtest {

class Watchdog {
public:
    explicit Watchdog(unsigned limit_ms) : limit_ms_(limit_ms), thread_([this] { Watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // The next input starts now; what describes it is printed if it hangs.
    void Begin(const std::string& what) {
        NoteInput(what);
        std::lock_guard<std::mutex> lock(mutex_);
        what_ = what;
        started_ = std::chrono::steady_clock::now();
        running_ = true;
    }
    void End() {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
    }

private:
    void Watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            wake_.wait_for(lock, std::chrono::milliseconds(200));
            if (running_ && std::chrono::steady_clock::now() - started_ > std::chrono::milliseconds(limit_ms_)) {
                std::fprintf(stderr, "\n*** hang: still running after %u ms: %s\n", limit_ms_, what_.c_str());
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 98);
            }
        }
    }

    const unsigned limit_ms_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string what_;
    std::chrono::steady_clock::time_point started_;
    bool running_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace kxtest
