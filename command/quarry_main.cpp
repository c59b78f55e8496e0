// Quarry's main routine: option parsing, the command server and the job, the single-instance event,
// the hidden waiting dialog and the loops of the waiting mode.
#include "command/quarry_main.h"

#include <windows.h>

#include <memory>

#include "command/messages.h"
#include "command/named_event.h"
#include "command/option_parser.h"
#include "command/protocol.h"
#include "command/resource_ids.h"
#include "viewer/window_object.h"

namespace kx {

const char kEventName[] = "KestrelQuarry";

namespace {

// Seconds of one wait of the waiting loop; a time-out only starts a new wait.
const DWORD kWaitSeconds = 600;

// The hidden dialog of the waiting mode: it exists so the process has a window, is never shown and
// handles nothing. Destroying it posts the quit message that ends the final loop.
class WaitingDialog : public DialogObject {
public:
    WaitingDialog() { quit_on_destroy = true; }
    bool OnClose() override { return false; }
};

// Builds the binding on the heap, registers it (the server keeps a clone) and deletes it.
template <typename Handler, typename Binding> void Register(void (CommandServer::*add)(const char*, const Handler*),
                                                            CommandServer& server, const char* name, Binding* binding) {
    std::unique_ptr<Handler> owned(binding);
    (server.*add)(name, owned.get());
}

// Takes every queued message; true when one of them was WM_QUIT.
bool DispatchQueued() {
    bool quit = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) quit = true;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return quit;
}

int FinalLoop() {
    MSG msg;
    for (;;) {
        BOOL r = GetMessageA(&msg, nullptr, 0, 0);
        if (r == 0) return static_cast<int>(msg.wParam);
        if (r == -1) return kExitOk;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int WaitingMode(CommandServer& server, NamedEvent& event, std::unique_ptr<WaitingDialog>& dialog) {
    if (!event.create()) return kExitAlreadyWaiting;
    if (!server.start()) {
        MessageBoxA(nullptr, kDdeFailed, kErrorCaption, MB_OK);
        return kExitDdeFailed;
    }
    dialog.reset(new WaitingDialog);
    HWND window = dialog->CreateModeless(IDD_WAITING, nullptr);
    if (!window) return kExitDialogFailed;

    for (;;) {
        int woke = event.wait(kWaitSeconds);
        if (woke == 1) break;
        if (woke == 0 && DispatchQueued()) break;
    }
    DestroyWindow(window);
    return FinalLoop();
}

}  // namespace

void RegisterItems(CommandServer& server, JobSettings& job) {
    using Job = JobSettings;
    Register(&CommandServer::addPoke, server, protocol::kSet, new PokeMember<Job>(&job, &Job::Set));
    Register(&CommandServer::addPoke, server, protocol::kSetDir, new PokeMember<Job>(&job, &Job::SetDir));
    Register(&CommandServer::addPoke, server, protocol::kSetFilePattern,
             new PokeMember<Job>(&job, &Job::SetFilePattern));
    Register(&CommandServer::addPoke, server, protocol::kSetReplaceStr, new PokeMember<Job>(&job, &Job::SetReplaceStr));
    Register(&CommandServer::addPoke, server, protocol::kSetFindStr, new PokeMember<Job>(&job, &Job::SetFindStr));
    // The find and replace strings keep characters the code page lacks through the job's codes.
    Register(&CommandServer::addWidePoke, server, protocol::kSetReplaceStr,
             new WidePokeMember<Job>(&job, &Job::SetReplaceStrUnicode));
    Register(&CommandServer::addWidePoke, server, protocol::kSetFindStr,
             new WidePokeMember<Job>(&job, &Job::SetFindStrUnicode));
    Register(&CommandServer::addPoke, server, protocol::kSetCharSet, new PokeMember<Job>(&job, &Job::SetCharSet));
    Register(&CommandServer::addPoke, server, protocol::kSetLineBreak, new PokeMember<Job>(&job, &Job::SetLineBreak));
    Register(&CommandServer::addPoke, server, protocol::kShowLog, new PokeMember<Job>(&job, &Job::ShowLog));
    Register(&CommandServer::addPoke, server, protocol::kSetHmJreDLL, new PokeFunction(&SetHmJreDLL));
    Register(&CommandServer::addExecute, server, protocol::kReplace, new ExecuteMember<Job>(&job, &Job::Replace));
    Register(&CommandServer::addExecute, server, protocol::kPreview, new ExecuteMember<Job>(&job, &Job::Preview));
    Register(&CommandServer::addExecute, server, protocol::kFuzzyOptionDialog, new ExecuteFunction(&FuzzyOptionDialog));
    Register(&CommandServer::addRequest, server, protocol::kLog, new RequestMember<Job>(&job, &Job::Log));
    Register(&CommandServer::addRequest, server, protocol::kNotices, new RequestMember<Job>(&job, &Job::Notices));
    Register(&CommandServer::addRequest, server, protocol::kFileList, new RequestMember<Job>(&job, &Job::FileList));
    Register(&CommandServer::addRequest, server, protocol::kPreview, new RequestMember<Job>(&job, &Job::PreviewReply));
    Register(&CommandServer::addRequest, server, protocol::kGetHmJreVersion, new RequestFunction(&GetHmJreVersion));
}

int QuarryMain(const char* command_line) {
    OptionParser options(command_line);
    options.addOption("ddestart", false);
    options.addOption("ddestop", false);
    if (!options.parse()) {
        MessageBoxA(nullptr, options.errorText().c_str(), nullptr, MB_OK);
        return kExitBadCommandLine;
    }

    // Torn down in reverse order: the dialog, the event, the job, the server, the parser.
    CommandServer server(protocol::kService, protocol::kTopic);
    JobSettings job;
    RegisterItems(server, job);
    NamedEvent event(kEventName);
    std::unique_ptr<WaitingDialog> dialog;

    if (options.isGiven("ddestart")) return WaitingMode(server, event, dialog);
    if (options.isGiven("ddestop")) {
        if (event.signal()) return kExitOk;
        MessageBoxA(nullptr, kNoneWaiting, nullptr, MB_OK);
        return kExitNoWaitingServer;
    }
    return kExitOk;
}

}  // namespace kx
