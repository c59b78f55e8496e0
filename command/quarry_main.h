// Quarry's process modes: the waiting DDE server (--ddestart), the stop request to a waiting server
// (--ddestop), or nothing; the main routine returns the process exit code.
#pragma once

#include "command/command_server.h"
#include "engine/job_settings.h"

namespace kx {

// Exit codes of the process.
enum ExitCode {
    kExitOk = 0,
    kExitBadCommandLine = 1,
    kExitNoWaitingServer = 2,
    kExitAlreadyWaiting = 3,
    kExitDdeFailed = 4,
    kExitDialogFailed = 5,
};

// The name of the single-instance event (the service, topic and items are in command/protocol.h).
extern const char kEventName[];

// Registers the command items of the job on the server.
void RegisterItems(CommandServer& server, JobSettings& job);

// The program's main routine, given the command line without the program path.
int QuarryMain(const char* command_line);

}  // namespace kx
