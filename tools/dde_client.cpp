// DDE client conversation used by quarryctl and the tests.
#include "tools/dde_client.h"

namespace kx {

namespace {

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

void DispatchPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A string handle released on destruction.
class StringHandle {
public:
    StringHandle(DWORD instance, const char* text)
        : instance_(instance), hsz_(text ? DdeCreateStringHandleA(instance, text, CP_WINANSI) : nullptr) {}
    ~StringHandle() {
        if (hsz_) DdeFreeStringHandle(instance_, hsz_);
    }
    StringHandle(const StringHandle&) = delete;
    StringHandle& operator=(const StringHandle&) = delete;
    HSZ get() const { return hsz_; }

private:
    DWORD instance_;
    HSZ hsz_;
};

}  // namespace

DdeClient::DdeClient() : instance_(0), conversation_(nullptr), last_error_(0) {
    if (DdeInitializeA(&instance_, ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) instance_ = 0;
}

DdeClient::~DdeClient() {
    Disconnect();
    if (instance_) DdeUninitialize(instance_);
}

bool DdeClient::Connect(const char* service, const char* topic) {
    if (!instance_) return false;
    Disconnect();
    service_ = service;
    topic_ = topic;
    StringHandle s(instance_, service), t(instance_, topic);
    conversation_ = DdeConnect(instance_, s.get(), t.get(), nullptr);
    if (!conversation_) last_error_ = DdeGetLastError(instance_);
    return conversation_ != nullptr;
}

void DdeClient::Disconnect() {
    if (!conversation_) return;
    DdeDisconnect(conversation_);
    conversation_ = nullptr;
    DispatchPending();
}

HDDEDATA DdeClient::Send(const void* bytes, DWORD size, const char* item, UINT format, UINT type, DWORD timeout_ms,
                         DWORD* status) {
    *status = 0;
    if (!conversation_) return nullptr;
    if (size > kLargestTransfer) {
        last_error_ = DMLERR_INVALIDPARAMETER;
        return nullptr;
    }
    StringHandle h(instance_, item);
    HDDEDATA r = DdeClientTransaction(static_cast<LPBYTE>(const_cast<void*>(bytes)), size, conversation_, h.get(),
                                      format, type, timeout_ms, status);
    last_error_ = r ? 0 : DdeGetLastError(instance_);
    DispatchPending();
    return r;
}

DdeAnswer DdeClient::Transact(const void* bytes, DWORD size, const char* item, UINT format, UINT type,
                              DWORD timeout_ms) {
    DWORD status = 0;
    HDDEDATA r = Send(bytes, size, item, format, type, timeout_ms, &status);
    if (r) return (status & DDE_FACK) ? DdeAnswer::kAccepted : DdeAnswer::kRefused;
    return last_error_ == DMLERR_NOTPROCESSED ? DdeAnswer::kRefused : DdeAnswer::kFailed;
}

DdeAnswer DdeClient::Poke(const char* item, const std::string& text, DWORD timeout_ms) {
    return PokeBytes(item, text.c_str(), static_cast<DWORD>(text.size() + 1), timeout_ms);
}

DdeAnswer DdeClient::PokeUnicode(const char* item, const std::wstring& text, DWORD timeout_ms) {
    return PokeBytes(item, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), timeout_ms,
                     CF_UNICODETEXT);
}

DdeAnswer DdeClient::PokeBytes(const char* item, const void* bytes, DWORD size, DWORD timeout_ms, UINT format) {
    return Transact(bytes, size, item, format, XTYP_POKE, timeout_ms);
}

DdeAnswer DdeClient::Execute(const std::string& command, DWORD timeout_ms) {
    return ExecuteBytes(command.c_str(), static_cast<DWORD>(command.size() + 1), timeout_ms);
}

DdeAnswer DdeClient::ExecuteBytes(const void* bytes, DWORD size, DWORD timeout_ms) {
    return Transact(bytes, size, nullptr, 0, XTYP_EXECUTE, timeout_ms);
}

bool DdeClient::RequestBytes(const char* item, std::string* reply, DWORD timeout_ms, UINT format) {
    reply->clear();
    DWORD status = 0;
    HDDEDATA data = Send(nullptr, 0, item, format, XTYP_REQUEST, timeout_ms, &status);
    if (!data) return false;
    DWORD size = DdeGetData(data, nullptr, 0, 0);
    reply->resize(size);
    if (size) DdeGetData(data, reinterpret_cast<LPBYTE>(&(*reply)[0]), size, 0);
    DdeFreeDataHandle(data);
    // Wine's server side follows a request's data with a stray acknowledgement, which may arrive
    // only later and would then be taken for the answer to the next transaction of the
    // conversation. A fresh conversation after every request leaves it to the old one.
    Connect(service_.c_str(), topic_.c_str());
    return true;
}

bool DdeClient::Request(const char* item, std::string* text, DWORD timeout_ms) {
    if (!RequestBytes(item, text, timeout_ms)) return false;
    size_t nul = text->find('\0');
    if (nul != std::string::npos) text->resize(nul);
    return true;
}

bool DdeClient::RequestUnicode(const char* item, std::wstring* text, DWORD timeout_ms) {
    text->clear();
    std::string bytes;
    if (!RequestBytes(item, &bytes, timeout_ms, CF_UNICODETEXT)) return false;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const wchar_t unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                  (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == 0) break;
        text->push_back(unit);
    }
    return true;
}

bool DdeClient::Advise(const char* item, bool start, DWORD timeout_ms) {
    DWORD status = 0;
    return Send(nullptr, 0, item, CF_TEXT, start ? XTYP_ADVSTART : XTYP_ADVSTOP, timeout_ms, &status) != nullptr;
}

}  // namespace kx
