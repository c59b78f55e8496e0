// The DDE command server: one service and topic, three item maps (execute, poke, request) from item
// name to handler, and the one DDE callback that turns each transaction into a handler call.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <map>
#include <memory>
#include <string>

#include "command/handlers.h"
#include "command/lstrcmp_less.h"
#include "text/kxstring.h"

namespace kx {

class CommandServer {
public:
    CommandServer(const char* service, const char* topic);
    virtual ~CommandServer();
    CommandServer(const CommandServer&) = delete;
    CommandServer& operator=(const CommandServer&) = delete;

    // Stores a clone of handler under name, deleting the handler stored there before; a null
    // handler leaves the entry empty. The caller keeps its handler.
    void addExecute(const char* name, const ExecuteHandler* handler);
    void addPoke(const char* name, const PokeHandler* handler);
    // The handler of an item's Unicode values that the ANSI code page cannot hold exactly (other
    // Unicode values go to its poke handler as ANSI text); an item without one refuses them.
    void addWidePoke(const char* name, const WidePokeHandler* handler);
    void addRequest(const char* name, const RequestHandler* handler);

    // Registers the service with DDE; true when the server is ready for conversations.
    bool start();
    // Unregisters the service and leaves DDE; always true.
    bool stop();

    bool connected() const { return connected_; }
    bool adviseActive() const { return adviseActive_; }
    DWORD instance() const { return instance_; }
    const kxlib::string& serviceName() const { return serviceName_; }
    const kxlib::string& topicName() const { return topicName_; }

    // The DDE callback of every server of the process.
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                      ULONG_PTR data1, ULONG_PTR data2);

private:
    template <typename Handler> using ItemMap = std::map<kxlib::string, std::unique_ptr<Handler>, LstrcmpLess>;

    template <typename Handler> static void Store(ItemMap<Handler>& items, const char* name, const Handler* h);
    template <typename Handler> static Handler* CloneOf(const ItemMap<Handler>& items, const kxlib::string& name);

    bool TopicMatches(HSZ topic) const;
    kxlib::string Query(HSZ hsz) const;
    HDDEDATA Reply(HSZ item, const kxlib::string& text, UINT format = CF_TEXT) const;
    HDDEDATA Poke(HSZ item, UINT format, HDDEDATA data);
    HDDEDATA Execute(HDDEDATA data);
    HDDEDATA Request(HSZ item, UINT format);

    bool connected_;
    bool adviseActive_;
    DWORD instance_;
    kxlib::string serviceName_;
    kxlib::string topicName_;
    HSZ serviceHandle_;
    HSZ topicHandle_;
    kxlib::string adviseText_;
    ItemMap<ExecuteHandler> executeItems_;
    ItemMap<PokeHandler> pokeItems_;
    ItemMap<WidePokeHandler> widePokeItems_;
    ItemMap<RequestHandler> requestItems_;
};

// The bytes of a DDE data object as text: up to its first NUL, or all of it when it holds none.
kxlib::string DataText(const BYTE* bytes, DWORD size);
// The UTF-16 units of a DDE data object up to the first NUL unit, or all of them when it holds none;
// false when it holds no NUL unit and ends in half a unit.
bool DataUnits(const BYTE* bytes, DWORD size, std::wstring* units);

}  // namespace kx
