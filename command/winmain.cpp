// Entry of quarry.exe: keeps the module instance for the dialogs and runs the main routine.
#include <windows.h>

#include "command/quarry_main.h"
#include "viewer/window_object.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    kx::SetModuleInstance(instance);
    return kx::QuarryMain(command_line);
}
