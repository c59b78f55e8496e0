// keylist: prints the editor's key assignments (or another Bindery listing) of a key file or of
// the registry, by loading bindery.dll from its own folder and calling its exports.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "keyassign/key_file.h"
#include "text/win32_handles.h"

namespace {

const char kUsage[] =
    "Usage: keylist [--kind KIND] [--version N] [KEYFILE]\n"
    "Prints the key listing of KEYFILE, or of the editor's registry settings when no file is\n"
    "given, as bindery.dll (beside this program) writes it. A key file is listed without the\n"
    "registry: its own macro names are used, or none when it holds none. Standard error says\n"
    "where the macro names came from.\n"
    "  --kind KIND    keytxt (default: each assigned key with its command), valid (assigned\n"
    "                 keys), blank (unassigned keys), all (every key), funclist (every command)\n"
    "  --version N    editor version whose keys and commands apply (default 418)\n"
    "  --help         this text\n"
    "Exit status: 0 listed, 1 bad arguments, 2 bindery.dll not usable, 3 key file refused,\n"
    "4 listing failed (no registry settings when no file is given, or no temporary file).\n";

using IntOfText = int(__cdecl*)(const char*);
using IntOfTextInt = int(__cdecl*)(const char*, int);
using IntOfTwoTexts = int(__cdecl*)(const char*, const char*);
using IntOfInt = int(__cdecl*)(int);

// bindery.dll, loaded from the folder of this program for as long as the object lives.
class Bindery {
public:
    Bindery() {
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return;
        std::string dll(path, length);
        dll.erase(dll.find_last_of("\\/") + 1);
        dll += "bindery.dll";
        module_.reset(LoadLibraryA(dll.c_str()));
        if (!module_.valid()) return;
        read_key_file_ = Find<IntOfTextInt>("readKeyFile");
        make_key_text_ = Find<IntOfTwoTexts>("makeKEYTEXT");
        remove_file_ = Find<IntOfText>("removeFile");
        set_version_ = Find<IntOfInt>("SetHidemaruVersion");
    }
    Bindery(const Bindery&) = delete;
    Bindery& operator=(const Bindery&) = delete;

    bool Usable() const { return read_key_file_ && make_key_text_ && remove_file_ && set_version_; }
    int ReadKeyFile(const char* path, int flags) const { return read_key_file_(path, flags); }
    int MakeKeyText(const char* path, const char* kind) const { return make_key_text_(path, kind); }
    int RemoveFile(const char* path) const { return remove_file_(path); }
    void SetVersion(int version) const { set_version_(version); }

private:
    template <typename F> F Find(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }

    kx::Module module_;
    IntOfTextInt read_key_file_ = nullptr;
    IntOfTwoTexts make_key_text_ = nullptr;
    IntOfText remove_file_ = nullptr;
    IntOfInt set_version_ = nullptr;
};

// Copies the listing's bytes unchanged (Shift_JIS, CR LF) to standard output.
bool CopyToStdout(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    _setmode(_fileno(stdout), _O_BINARY);
    char buffer[4096];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        std::fwrite(buffer, 1, read, stdout);
    }
    std::fclose(file);
    std::fflush(stdout);
    return true;
}

// A new empty file in the temporary folder; false when there is none.
bool TemporaryFile(const char* prefix, char (&path)[MAX_PATH]) {
    char folder[MAX_PATH];
    return GetTempPathA(MAX_PATH, folder) != 0 && GetTempFileNameA(folder, prefix, 0, path) != 0;
}

// bindery.dll lists only with macro data loaded, which it otherwise takes from the editor's
// registry settings: an empty macro list is handed to it as a key file of its own, read with its
// macro data before the key file to be listed is read without. False when that fails.
bool LoadNoMacros(const Bindery& bindery) {
    char path[MAX_PATH];
    if (!TemporaryFile("klm", path)) return false;
    const std::string no_macros(2 * bindery::kMacroCount, '\0');
    const bindery::GroupNames no_groups{};
    const std::vector<uint8_t> bytes = bindery::BuildKeyFile(bindery::Image{}, 0, &no_macros, &no_groups);
    std::FILE* file = std::fopen(path, "wb");
    bool written = file != nullptr;
    if (file) {
        written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        written = std::fclose(file) == 0 && written;
    }
    const bool loaded = written && bindery.ReadKeyFile(path, 1) != 0;
    bindery.RemoveFile(path);
    return loaded;
}

bool ParseVersion(const char* text, int& version) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < -2147483647L || value > 2147483647L) return false;
    version = static_cast<int>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* kind = "keytxt";
    const char* key_file = nullptr;
    int version = 418;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--kind") == 0 && i + 1 < argc) {
            kind = argv[++i];
        } else if (std::strcmp(arg, "--version") == 0 && i + 1 < argc) {
            if (!ParseVersion(argv[++i], version)) {
                std::fprintf(stderr, "keylist: not a version number: %s\n", argv[i]);
                return 1;
            }
        } else if (arg[0] == '-' || key_file) {
            std::fputs(kUsage, stderr);
            return 1;
        } else {
            key_file = arg;
        }
    }

    const Bindery bindery;
    if (!bindery.Usable()) {
        std::fputs("keylist: bindery.dll could not be loaded from the program's folder\n", stderr);
        return 2;
    }
    bindery.SetVersion(version);
    const char* macro_names = "macro names: from the editor's registry settings";
    if (key_file) {
        if (!bindery.ReadKeyFile(key_file, 0)) {
            std::fprintf(stderr, "keylist: not a usable key file: %s\n", key_file);
            return 3;
        }
        // Bit 0: with the file's own macro data, when it holds any.
        if (bindery.ReadKeyFile(key_file, 1)) {
            macro_names = "macro names: from the key file";
        } else {
            if (!LoadNoMacros(bindery)) {
                std::fputs("keylist: no temporary file\n", stderr);
                return 4;
            }
            if (!bindery.ReadKeyFile(key_file, 0)) {
                std::fprintf(stderr, "keylist: not a usable key file: %s\n", key_file);
                return 3;
            }
            macro_names = "macro names: none (the key file holds none; the registry is not read)";
        }
    }

    char listing[MAX_PATH];
    if (!TemporaryFile("kls", listing)) {
        std::fputs("keylist: no temporary file\n", stderr);
        return 4;
    }
    const bool made = bindery.MakeKeyText(listing, kind) != 0;
    const bool copied = made && CopyToStdout(listing);
    bindery.RemoveFile(listing);
    if (!copied) {
        std::fprintf(stderr, "keylist: no listing (kind \"%s\"; are the editor's settings there?)\n", kind);
        return 4;
    }
    std::fprintf(stderr, "keylist: %s\n", macro_names);
    return 0;
}
