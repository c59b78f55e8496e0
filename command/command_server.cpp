// DDE command server: registration, the service and conversation tables, and the transaction handling.
#include "command/command_server.h"

#include <cstring>

#include "command/unicode_values.h"

namespace kx {

namespace {

// Longest name taken from a DDE string handle, with its NUL.
const DWORD kNameBuffer = 512;

// Process-wide tables through which the one callback finds a server: by service string handle
// (the entry is set to none when the server stops) and by conversation.
std::map<ULONG_PTR, CommandServer*> g_services;
std::map<ULONG_PTR, CommandServer*> g_conversations;

ULONG_PTR Key(const void* handle) { return reinterpret_cast<ULONG_PTR>(handle); }

CommandServer* ServerOfService(HSZ service) {
    auto it = g_services.find(Key(service));
    return it == g_services.end() ? nullptr : it->second;
}

CommandServer* ServerOfConversation(HCONV conversation) {
    auto it = g_conversations.find(Key(conversation));
    return it == g_conversations.end() ? nullptr : it->second;
}

// Read access to a data object for the duration of a transaction.
class DataAccess {
public:
    explicit DataAccess(HDDEDATA data) : data_(data), size_(0), bytes_(data ? DdeAccessData(data, &size_) : nullptr) {}
    ~DataAccess() {
        if (bytes_) DdeUnaccessData(data_);
    }
    DataAccess(const DataAccess&) = delete;
    DataAccess& operator=(const DataAccess&) = delete;
    kxlib::string text() const { return DataText(bytes_, size_); }
    bool units(std::wstring* units) const { return DataUnits(bytes_, size_, units); }

private:
    HDDEDATA data_;
    DWORD size_;
    BYTE* bytes_;
};

}  // namespace

kxlib::string DataText(const BYTE* bytes, DWORD size) {
    if (!bytes || size == 0) return kxlib::string();
    const void* nul = std::memchr(bytes, 0, size);
    DWORD length = nul ? static_cast<DWORD>(static_cast<const BYTE*>(nul) - bytes) : size;
    return kxlib::string(reinterpret_cast<const char*>(bytes), length);
}

bool DataUnits(const BYTE* bytes, DWORD size, std::wstring* units) {
    units->clear();
    if (!bytes) return size == 0;
    const DWORD count = size / 2;
    for (DWORD i = 0; i < count; ++i) {
        wchar_t unit;
        std::memcpy(&unit, bytes + 2 * i, 2);
        if (unit == 0) return true;
        units->push_back(unit);
    }
    return size % 2 == 0;
}

CommandServer::CommandServer(const char* service, const char* topic)
    : connected_(false),
      adviseActive_(false),
      instance_(0),
      serviceName_(service),
      topicName_(topic),
      serviceHandle_(nullptr),
      topicHandle_(nullptr) {}

CommandServer::~CommandServer() {
    stop();
    requestItems_.clear();
    pokeItems_.clear();
    widePokeItems_.clear();
    executeItems_.clear();
    // A conversation still open when the server goes must not lead the callback to it.
    for (auto it = g_conversations.begin(); it != g_conversations.end();) {
        if (it->second == this) it = g_conversations.erase(it);
        else ++it;
    }
}

template <typename Handler>
void CommandServer::Store(ItemMap<Handler>& items, const char* name, const Handler* handler) {
    std::unique_ptr<Handler>& entry = items[kxlib::string(name)];
    entry.reset();
    if (handler) entry.reset(handler->Clone());
}

template <typename Handler> Handler* CommandServer::CloneOf(const ItemMap<Handler>& items, const kxlib::string& name) {
    auto it = items.find(name);
    if (it == items.end() || !it->second) return nullptr;
    return it->second->Clone();
}

void CommandServer::addExecute(const char* name, const ExecuteHandler* handler) { Store(executeItems_, name, handler); }
void CommandServer::addPoke(const char* name, const PokeHandler* handler) { Store(pokeItems_, name, handler); }
void CommandServer::addWidePoke(const char* name, const WidePokeHandler* handler) {
    Store(widePokeItems_, name, handler);
}
void CommandServer::addRequest(const char* name, const RequestHandler* handler) { Store(requestItems_, name, handler); }

bool CommandServer::start() {
    if (serviceName_.empty() || topicName_.empty()) return false;
    if (instance_ != 0) return false;  // started already
    if (DdeInitializeA(&instance_, Callback, 0, 0) != DMLERR_NO_ERROR) {
        instance_ = 0;
        return false;
    }
    serviceHandle_ = DdeCreateStringHandleA(instance_, serviceName_.c_str(), CP_WINANSI);
    topicHandle_ = DdeCreateStringHandleA(instance_, topicName_.c_str(), CP_WINANSI);
    g_services[Key(serviceHandle_)] = this;
    if (!serviceHandle_ || !topicHandle_ || !DdeNameService(instance_, serviceHandle_, nullptr, DNS_REGISTER)) {
        g_services[Key(serviceHandle_)] = nullptr;
        if (serviceHandle_) DdeFreeStringHandle(instance_, serviceHandle_);
        if (topicHandle_) DdeFreeStringHandle(instance_, topicHandle_);
        serviceHandle_ = topicHandle_ = nullptr;
        DdeUninitialize(instance_);
        instance_ = 0;
        return false;
    }
    return true;
}

bool CommandServer::stop() {
    if (instance_ == 0) return true;
    g_services[Key(serviceHandle_)] = nullptr;
    DdeNameService(instance_, serviceHandle_, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(instance_, serviceHandle_);
    DdeFreeStringHandle(instance_, topicHandle_);
    serviceHandle_ = topicHandle_ = nullptr;
    DdeUninitialize(instance_);
    instance_ = 0;
    return true;
}

kxlib::string CommandServer::Query(HSZ hsz) const {
    char buffer[kNameBuffer];
    buffer[0] = '\0';
    DWORD n = DdeQueryStringA(instance_, hsz, buffer, kNameBuffer, CP_WINANSI);
    if (n >= kNameBuffer) n = kNameBuffer - 1;
    return kxlib::string(buffer, n);
}

bool CommandServer::TopicMatches(HSZ topic) const { return std::strcmp(Query(topic).c_str(), topicName_.c_str()) == 0; }

HDDEDATA CommandServer::Reply(HSZ item, const kxlib::string& text, UINT format) const {
    if (format == CF_UNICODETEXT) {
        std::wstring units = UnicodeOfJobText(text);
        return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(const_cast<wchar_t*>(units.c_str())),
                                   static_cast<DWORD>((units.size() + 1) * sizeof(wchar_t)), 0, item, CF_UNICODETEXT,
                                   0);
    }
    // Any other format is answered as text, as it always was.
    return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(const_cast<char*>(text.c_str())), text.length() + 1,
                               0, item, CF_TEXT, 0);
}

HDDEDATA CommandServer::Poke(HSZ item, UINT format, HDDEDATA data) {
    std::unique_ptr<PokeHandler> handler(CloneOf(pokeItems_, Query(item)));
    if (!handler) return nullptr;
    const HDDEDATA refused = reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
    // The text is taken within the size of the data: a poke without a NUL ends where its data end.
    kxlib::string text;
    if (format == CF_TEXT) {
        text = DataAccess(data).text();
    } else if (format == CF_UNICODETEXT) {
        // A Unicode value is taken exactly or not at all: as ANSI text when the code page holds it,
        // else by the item's own Unicode handler, if it has one.
        std::wstring units;
        if (!DataAccess(data).units(&units)) return refused;
        if (!JobTextOfUnicode(units.data(), units.size(), &text)) {
            std::unique_ptr<WidePokeHandler> wide(CloneOf(widePokeItems_, Query(item)));
            if (!wide) return refused;
            return reinterpret_cast<HDDEDATA>(wide->Invoke(units.data(), units.size()) ? DDE_FACK : DDE_FNOTPROCESSED);
        }
    } else {
        return refused;
    }
    return reinterpret_cast<HDDEDATA>(handler->Invoke(text.c_str()) ? DDE_FACK : DDE_FNOTPROCESSED);
}

HDDEDATA CommandServer::Execute(HDDEDATA data) {
    // The whole command text is the item name; no brackets or arguments are parsed.
    std::unique_ptr<ExecuteHandler> handler(CloneOf(executeItems_, DataAccess(data).text()));
    if (!handler) return nullptr;
    return reinterpret_cast<HDDEDATA>(handler->Invoke() ? DDE_FACK : DDE_FNOTPROCESSED);
}

HDDEDATA CommandServer::Request(HSZ item, UINT format) {
    std::unique_ptr<RequestHandler> handler(CloneOf(requestItems_, Query(item)));
    if (!handler) return nullptr;
    const char* answer = handler->Invoke();
    kxlib::string text(answer ? answer : "");
    handler.reset();
    return Reply(item, text, format);
}

HDDEDATA CALLBACK CommandServer::Callback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                          ULONG_PTR /*data1*/, ULONG_PTR /*data2*/) {
    switch (type) {
        case XTYP_CONNECT: {
            CommandServer* server = ServerOfService(hsz2);
            if (!server) return nullptr;
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(server->TopicMatches(hsz1) ? TRUE : FALSE));
        }
        case XTYP_CONNECT_CONFIRM: {
            CommandServer* server = ServerOfService(hsz2);
            if (!server || !server->TopicMatches(hsz1)) return nullptr;
            g_conversations[Key(conversation)] = server;
            server->connected_ = true;
            return reinterpret_cast<HDDEDATA>(1);
        }
        default:
            break;
    }

    CommandServer* server = ServerOfConversation(conversation);
    if (!server) return nullptr;
    switch (type) {
        case XTYP_POKE:
            return server->Poke(hsz2, format, data);
        case XTYP_EXECUTE:
            return server->Execute(data);
        case XTYP_REQUEST:
            return server->Request(hsz2, format);
        case XTYP_ADVSTART:
            if (server->adviseActive_) return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(FALSE));
            server->adviseActive_ = true;
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(TRUE));
        case XTYP_ADVREQ:
            if (!server->adviseActive_) return nullptr;
            return server->Reply(hsz2, server->adviseText_);
        case XTYP_ADVSTOP:
            if (!server->adviseActive_) return nullptr;
            server->adviseActive_ = false;
            return reinterpret_cast<HDDEDATA>(1);
        case XTYP_DISCONNECT:
            server->connected_ = false;
            server->adviseActive_ = false;
            g_conversations.erase(Key(conversation));
            return reinterpret_cast<HDDEDATA>(1);
        default:
            return nullptr;
    }
}

}  // namespace kx
