// Helper of the reliability tests: holds a file open, as another program would, until told to let go.
//   file_holder <path> <none|read|all> <ready event> <release event>
// Opens <path> for reading and writing with the given sharing, sets the ready event and waits (at most
// a minute) for the release event. Exit code 0 when the file was held, 1 when it could not be opened.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    DWORD share = 0;
    if (std::strcmp(argv[2], "read") == 0) share = FILE_SHARE_READ;
    if (std::strcmp(argv[2], "all") == 0) share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
    if (file == INVALID_HANDLE_VALUE || !ready || !release) return 1;
    SetEvent(ready);
    WaitForSingleObject(release, 60000);
    CloseHandle(file);
    CloseHandle(ready);
    CloseHandle(release);
    return 0;
}
