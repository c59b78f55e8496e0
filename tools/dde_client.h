// A DDE client conversation for driving a waiting Quarry: connect by service and topic, poke,
// execute and request, telling an accepted transaction from a refused one and from a failed one.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <string>

namespace kx {

enum class DdeAnswer { kAccepted, kRefused, kFailed };

// The most data one transaction sends. Wine 8 does not carry a DDE message of more than about
// 2 MiB: a 64-bit receiver never sees it, and a 32-bit receiver that has already taken a message
// of a megabyte or more can get it with its own DDE state damaged (the server then stops
// answering or ends). Larger data are not sent at all: the transaction fails at once with
// DMLERR_INVALIDPARAMETER, and the conversation stays usable.
const DWORD kLargestTransfer = 2048000;

class DdeClient {
public:
    DdeClient();
    ~DdeClient();
    DdeClient(const DdeClient&) = delete;
    DdeClient& operator=(const DdeClient&) = delete;

    bool ready() const { return instance_ != 0; }
    bool Connect(const char* service, const char* topic);
    void Disconnect();
    bool connected() const { return conversation_ != nullptr; }

    // Pokes text with its terminating NUL as CF_TEXT.
    DdeAnswer Poke(const char* item, const std::string& text, DWORD timeout_ms);
    // Pokes text with its terminating NUL as CF_UNICODETEXT.
    DdeAnswer PokeUnicode(const char* item, const std::wstring& text, DWORD timeout_ms);
    // Pokes the bytes exactly as given (no NUL added).
    DdeAnswer PokeBytes(const char* item, const void* bytes, DWORD size, DWORD timeout_ms, UINT format = CF_TEXT);
    // Executes a command text, sent with its terminating NUL.
    DdeAnswer Execute(const std::string& command, DWORD timeout_ms);
    DdeAnswer ExecuteBytes(const void* bytes, DWORD size, DWORD timeout_ms);
    // Requests an item; the reply's bytes (NUL included) go to *reply. False when no data came.
    bool RequestBytes(const char* item, std::string* reply, DWORD timeout_ms, UINT format = CF_TEXT);
    // The reply as text: up to its first NUL.
    bool Request(const char* item, std::string* text, DWORD timeout_ms);
    // The reply asked for as CF_UNICODETEXT, up to its first NUL unit.
    bool RequestUnicode(const char* item, std::wstring* text, DWORD timeout_ms);
    // Starts, stops an advise loop on an item (true when the server agreed).
    bool Advise(const char* item, bool start, DWORD timeout_ms);

    UINT lastError() const { return last_error_; }

private:
    DdeAnswer Transact(const void* bytes, DWORD size, const char* item, UINT format, UINT type, DWORD timeout_ms);
    HDDEDATA Send(const void* bytes, DWORD size, const char* item, UINT format, UINT type, DWORD timeout_ms,
                  DWORD* status);

    DWORD instance_;
    HCONV conversation_;
    UINT last_error_;
    std::string service_;
    std::string topic_;
};

}  // namespace kx
