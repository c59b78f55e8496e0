// The assignment store of bindery.dll: registry round trips, key files, key queries and edits,
// and the makeKEYTEXT listings.
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "keyassign/bindery_fixture.h"

namespace bindery_test {
namespace {

class BinderyStore : public BinderyTest {
protected:
    // A key file as the library writes it from the current settings.
    std::vector<uint8_t> WrittenKeyFile(int flags) {
        const std::string path = TempPath("written.key");
        DeleteFileA(path.c_str());
        EXPECT_EQ(1, api_.writeToKeyFile(path.c_str(), flags));
        return ReadFileBytes(path);
    }
    std::vector<std::string> Lines(const std::string& path) {
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        std::string text(bytes.begin(), bytes.end());
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            lines.push_back(text.substr(start, end - start));
        }
        EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
        return lines;
    }
};

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t offset, size_t size) {
    if (offset + size > bytes.size()) return {};
    return std::vector<uint8_t>(bytes.begin() + offset, bytes.begin() + offset + size);
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset) {
    return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
           (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST_F(BinderyStore, EditShowsOnlyAfterWritingAndReloading) {
    EXPECT_STREQ("上書き保存", api_.getFuncNameFromKey("Ctrl+S"));
    EXPECT_EQ(1, api_.setKeyassign("Ctrl+S", "開く"));
    EXPECT_EQ(1, api_.setKeyassign("F1", "(なし)"));
    EXPECT_STREQ("上書き保存", api_.getFuncNameFromKey("Ctrl+S"));
    EXPECT_EQ(1, api_.writeToReg());
    EXPECT_STREQ("上書き保存", api_.getFuncNameFromKey("Ctrl+S"));
    EXPECT_EQ(1, api_.reloadReg());
    EXPECT_STREQ("開く", api_.getFuncNameFromKey("Ctrl+S"));
    EXPECT_STREQ("(なし)", api_.getFuncNameFromKey("F1"));

    // Only the edited words changed in the stored value.
    EditorSettings expected = settings_;
    expected.SetWord(131, 4);
    expected.SetWord(51, 0);
    EXPECT_EQ(expected.Key(), ReadAssignValue("Key"));
    EXPECT_EQ(expected.KeyEx(), ReadAssignValue("KeyEx"));
    EXPECT_EQ(expected.KeyEx2(), ReadAssignValue("KeyEx2"));
    EXPECT_EQ(std::vector<uint8_t>(settings_.amacro.begin(), settings_.amacro.end()), ReadAssignValue("Amacro"));
    EXPECT_EQ(settings_.macro_group, ReadAssignValue("MacroGroup"));

    // Edits that are not written are dropped by reloading.
    EXPECT_EQ(1, api_.setKeyassign("Ctrl+S", "上書き保存"));
    api_.reloadReg();
    EXPECT_EQ(1, api_.writeToReg());
    EXPECT_EQ(expected.Key(), ReadAssignValue("Key"));
}

TEST_F(BinderyStore, KeyQueriesAndRefusedEdits) {
    EXPECT_STREQ("", api_.getFuncNameFromKey("NoSuchKey"));
    EXPECT_STREQ("(なし)", api_.getFuncNameFromKey("Ctrl+A"));
    // A word whose value names no command at this version shows as "(なし)".
    EXPECT_STREQ("(なし)", api_.getFuncNameFromKey("Shift+F1"));
    EXPECT_EQ(0, api_.setKeyassign("NoSuchKey", "開く"));
    EXPECT_EQ(0, api_.setKeyassign("Ctrl+A", "NoSuchCommand"));
    EXPECT_EQ(0, api_.setKeyassign(nullptr, "開く"));

    EXPECT_STREQ("Ctrl+O", api_.getKeyFromFuncName("開く"));
    EXPECT_STREQ("", api_.getKeyFromFuncName("NoSuchCommand"));
    EXPECT_STREQ("", api_.getKeyFromFuncName("新規作成"));
    api_.SetHidemaruVersion(500);
    EXPECT_STREQ("Bksp", api_.getKeyFromFuncName("バックスペース"));
    // Alt+Ctrl+Del is no key at version 500, so its word is not listed.
    EXPECT_STREQ("", api_.getKeyFromFuncName("コピー"));
    api_.SetHidemaruVersion(418);
    EXPECT_STREQ("Alt+Ctrl+Del", api_.getKeyFromFuncName("コピー"));

    // "(なし)" lists the keys without a command, in code order, one per line.
    const std::string unassigned = std::string("\n") + api_.getKeyFromFuncName("(なし)") + "\n";
    EXPECT_EQ(0u, unassigned.find("\nIns\nF2\nF3\n"));
    EXPECT_NE(std::string::npos, unassigned.find("\nShift+F1\n"));
    EXPECT_EQ(std::string::npos, unassigned.find("\nCtrl+O\n"));
    EXPECT_EQ(std::string::npos, unassigned.find("\nBksp\n"));
    EXPECT_EQ(std::string::npos, unassigned.find("\n\n"));
}

TEST_F(BinderyStore, MissingTextArgumentsAreRefused) {
    const char* const unreadable = reinterpret_cast<const char*>(16);
    for (const char* text : {static_cast<const char*>(nullptr), unreadable}) {
        EXPECT_STREQ("", api_.getFuncNameFromKey(text));
        EXPECT_STREQ("", api_.getKeyFromFuncName(text));
        EXPECT_EQ(0, api_.setKeyassign("Ctrl+A", text));
        EXPECT_EQ(0, api_.writeToKeyFile(text, 0));
        EXPECT_EQ(0, api_.readKeyFile(text, 1));
        EXPECT_EQ(0, api_.setMenuItem(1, 1, text, "A"));
        EXPECT_EQ(0, api_.setMenuItem(1, 1, "開く", text));
        EXPECT_EQ(0, api_.setMacroGroupName(2, text));
    }
    EXPECT_STREQ("開く", api_.getMenuFunc(1, 1));
}

TEST_F(BinderyStore, MissingKeyEx2ReadsAsUnassignedAndIsCreatedByWriting) {
    settings_.has_key_ex2 = false;
    InstallSettings(settings_);
    api_.SetHidemaruVersion(500);
    EXPECT_STREQ("(なし)", api_.getFuncNameFromKey("Bksp"));
    EXPECT_EQ(1, api_.setKeyassign("Ctrl+Num0", "貼り付け"));
    EXPECT_EQ(1, api_.writeToReg());
    std::vector<uint8_t> expected(744, 0);
    expected[2 * (913 + 64 + 25 - 913)] = 41;
    EXPECT_EQ(expected, ReadAssignValue("KeyEx2"));
}

TEST_F(BinderyStore, KeyFileWithoutMacrosHoldsTheBlocksAtTheirOffsets) {
    settings_.not_cua = 1;
    InstallSettings(settings_);
    api_.setKeyassign("Ctrl+A", "すべてを選択");
    const std::vector<uint8_t> file = WrittenKeyFile(0);
    ASSERT_EQ(7291u, file.size());
    EditorSettings expected = settings_;
    expected.SetWord(113, 39);
    EXPECT_EQ(0, file[696]);  // CUA off
    EXPECT_EQ(0xFF, file[747]);
    EXPECT_EQ(0x22, file[4709]);
    EXPECT_EQ(0x07, file[4710]);
    EXPECT_EQ(expected.Key(), Slice(file, 4713, 1806));
    EXPECT_EQ(expected.KeyEx(), Slice(file, 6519, 20));
    EXPECT_EQ(0u, U32At(file, 6539));
    EXPECT_EQ(744u, U32At(file, 6543));
    EXPECT_EQ(expected.KeyEx2(), Slice(file, 6547, 744));
    std::vector<uint8_t> rest = file;
    for (size_t i : {696, 747, 4709, 4710, 6543, 6544}) rest[i] = 0;
    std::fill(rest.begin() + 4713, rest.begin() + 6539, 0);
    std::fill(rest.begin() + 6547, rest.end(), 0);
    EXPECT_EQ(std::vector<uint8_t>(7291, 0), rest) << "every other byte is zero";

    // Reading it back restores the blocks and the CUA setting, whatever the registry holds now.
    const std::string path = TempPath("plain.key");
    WriteFileBytes(path, file);
    InstallSettings(EditorSettings());
    api_.reloadReg();
    EXPECT_EQ(1, api_.readKeyFile(path.c_str(), 0));
    EXPECT_STREQ("すべてを選択", api_.getFuncNameFromKey("Ctrl+A"));
    EXPECT_EQ(1, api_.writeToReg());
    EXPECT_EQ(expected.Key(), ReadAssignValue("Key"));
    EXPECT_EQ(expected.KeyEx(), ReadAssignValue("KeyEx"));
    EXPECT_EQ(expected.KeyEx2(), ReadAssignValue("KeyEx2"));
    EXPECT_EQ(file, WrittenKeyFile(0));
}

TEST_F(BinderyStore, KeyFileWithMacrosRestoresMacroListAndGroupNames) {
    ASSERT_EQ(1, api_.setMacroSettings(3, "Gamma", "C:\\macros\\gamma.mac"));
    ASSERT_EQ(1, api_.setMacroGroupName(4, "Search"));
    const std::vector<uint8_t> file = WrittenKeyFile(2);
    const uint32_t length = U32At(file, 6539);
    EXPECT_EQ(settings_.amacro.size() + std::strlen("GammaC:\\macros\\gamma.mac"), length);
    ASSERT_EQ(6543 + length + 217 + 4 + 744, file.size());
    EXPECT_EQ(744u, U32At(file, 6543 + length + 217));
    EXPECT_EQ(settings_.KeyEx2(), Slice(file, 6543 + length + 217 + 4, 744));

    const std::string path = TempPath("macros.key");
    WriteFileBytes(path, file);
    InstallSettings(EditorSettings());
    api_.reloadReg();
    // Without bit 0 only the key data come from the file.
    EXPECT_EQ(1, api_.readKeyFile(path.c_str(), 0));
    EXPECT_STREQ("", api_.getMacroName(3));
    EXPECT_STREQ("上書き保存", api_.getFuncNameFromKey("Ctrl+S"));
    EXPECT_EQ(1, api_.readKeyFile(path.c_str(), 1));
    EXPECT_STREQ("Gamma", api_.getMacroName(3));
    EXPECT_STREQ("C:\\macros\\gamma.mac\nGamma", api_.getMacroSettings(3));
    EXPECT_STREQ("ベータ", api_.getMacroName(2));
    EXPECT_STREQ("Search", api_.getMacroGroupName(4));
    EXPECT_STREQ("Tools", api_.getMacroGroupName(3));

    // A file without macro data cannot supply them.
    const std::string plain = TempPath("plain.key");
    WriteFileBytes(plain, WrittenKeyFile(0));
    EXPECT_EQ(0, api_.readKeyFile(plain.c_str(), 1));
    EXPECT_STREQ("Gamma", api_.getMacroName(3));
}

TEST_F(BinderyStore, WritingWithBit0NeverOverwrites) {
    const std::string path = TempPath("kept.key");
    WriteFileBytes(path, {'k', 'e', 'e', 'p'});
    EXPECT_EQ(0, api_.writeToKeyFile(path.c_str(), 1));
    EXPECT_EQ(0, api_.writeToKeyFile(path.c_str(), 3));
    EXPECT_EQ((std::vector<uint8_t>{'k', 'e', 'e', 'p'}), ReadFileBytes(path));
    const std::string fresh = TempPath("fresh.key");
    DeleteFileA(fresh.c_str());
    EXPECT_EQ(1, api_.writeToKeyFile(fresh.c_str(), 1));
    EXPECT_EQ(7291u, ReadFileBytes(fresh).size());
    EXPECT_EQ(1, api_.writeToKeyFile(path.c_str(), 0));
    EXPECT_EQ(7291u, ReadFileBytes(path).size());
}

// Damaged files are refused whole: neither the key data nor the macro data change.
TEST_F(BinderyStore, DamagedKeyFilesAreRefusedAndChangeNothing) {
    const std::vector<uint8_t> plain = WrittenKeyFile(0);
    const std::vector<uint8_t> with_macros = WrittenKeyFile(2);
    const size_t list = U32At(with_macros, 6539);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> damaged;
    damaged.emplace_back("empty", std::vector<uint8_t>());
    damaged.emplace_back("cut in Key", Slice(plain, 0, 5000));
    damaged.emplace_back("cut in KeyEx2", Slice(plain, 0, 7000));
    damaged.emplace_back("macros cut in KeyEx2", Slice(with_macros, 0, with_macros.size() - 1));
    damaged.emplace_back("macros cut in group names", Slice(with_macros, 0, 6543 + list + 100));
    std::vector<uint8_t> huge = with_macros;
    PutU32(huge, 6539, 0x7FFFFFFF);
    damaged.emplace_back("list longer than the file", huge);
    PutU32(huge, 6539, static_cast<uint32_t>(with_macros.size()));
    damaged.emplace_back("list as long as the file", huge);
    PutU32(huge, 6539, 0xFFFFFFF0);
    damaged.emplace_back("negative list length", huge);
    std::vector<uint8_t> unsigned_file = plain;
    unsigned_file[4710] = 0x08;
    damaged.emplace_back("wrong signature", unsigned_file);
    damaged.emplace_back("garbage", std::vector<uint8_t>(7291, 0x41));

    api_.SetHidemaruVersion(500);
    for (const auto& [name, bytes] : damaged) {
        const std::string path = TempPath("damaged.key");
        WriteFileBytes(path, bytes);
        EXPECT_EQ(0, api_.readKeyFile(path.c_str(), 0)) << name;
        EXPECT_EQ(0, api_.readKeyFile(path.c_str(), 1)) << name;
    }
    EXPECT_EQ(0, api_.readKeyFile(TempPath("missing.key").c_str(), 0));
    EXPECT_EQ(0, api_.readKeyFile(nullptr, 0));

    EXPECT_STREQ("上書き保存", api_.getFuncNameFromKey("Ctrl+S"));
    EXPECT_STREQ("バックスペース", api_.getFuncNameFromKey("Bksp"));
    EXPECT_STREQ("Alpha", api_.getMacroName(1));
    EXPECT_EQ(1, api_.writeToReg());
    EXPECT_EQ(settings_.Key(), ReadAssignValue("Key"));
    EXPECT_EQ(settings_.KeyEx2(), ReadAssignValue("KeyEx2"));
}

// Files of editors that wrote no "KeyEx2" are read with those keys unassigned.
TEST_F(BinderyStore, KeyFilesWithoutKeyEx2AreRead) {
    const std::vector<uint8_t> plain = WrittenKeyFile(0);
    const std::vector<uint8_t> with_macros = WrittenKeyFile(2);
    const std::string path = TempPath("old.key");
    api_.SetHidemaruVersion(500);
    for (const std::vector<uint8_t>& old : {Slice(plain, 0, 6543), Slice(with_macros, 0, with_macros.size() - 748)}) {
        WriteFileBytes(path, old);
        EXPECT_EQ(1, api_.readKeyFile(path.c_str(), 0));
        EXPECT_STREQ("(なし)", api_.getFuncNameFromKey("Bksp"));
        EXPECT_STREQ("上書き保存", api_.getFuncNameFromKey("Ctrl+S"));
        api_.reloadReg();
        EXPECT_STREQ("バックスペース", api_.getFuncNameFromKey("Bksp"));
    }
}

// A value of another type or size is a layout the library does not know: nothing is loaded,
// and nothing is written over the editor's values.
TEST_F(BinderyStore, RegistryValuesOfWrongTypeOrSizeAreRefused) {
    const std::vector<uint8_t> long_key(1807, 0), short_key(1000, 0), long_ex2(745, 0);
    const DWORD notcua = 0;
    struct Case {
        const char* what;
        const char* value;
        DWORD type;
        const void* data;
        size_t size;
    } cases[] = {
        {"long Key", "Key", REG_BINARY, long_key.data(), long_key.size()},
        {"short Key", "Key", REG_BINARY, short_key.data(), short_key.size()},
        {"Key as text", "Key", REG_SZ, "text", 5},
        {"long KeyEx", "KeyEx", REG_BINARY, long_key.data(), 21},
        {"KeyEx as number", "KeyEx", REG_DWORD, &notcua, 4},
        {"long KeyEx2", "KeyEx2", REG_BINARY, long_ex2.data(), long_ex2.size()},
    };
    for (const Case& c : cases) {
        InstallSettings(settings_);
        WriteAssignValue(c.value, c.type, c.data, c.size);
        Reload();
        EXPECT_STREQ("", api_.getFuncNameFromKey("Ctrl+S")) << c.what;
        EXPECT_STREQ("", api_.getMenuTitle(1)) << c.what;
        EXPECT_EQ(0, api_.setKeyassign("Ctrl+S", "開く")) << c.what;
        EXPECT_EQ(0, api_.writeToReg()) << c.what;
        EXPECT_EQ(0, api_.makeKEYTEXT(TempPath("list.txt").c_str(), "all")) << c.what;
        EXPECT_EQ(settings_.macro_group, ReadAssignValue("MacroGroup")) << c.what;
        EXPECT_STREQ("Alpha", api_.getMacroName(1)) << c.what;  // the macro data are fine
    }

    const std::vector<uint8_t> filler(300, 'x');
    for (const auto& [value, type, size] :
         {std::make_tuple("MacroGroup", REG_BINARY, 216), std::make_tuple("MacroGroup", REG_SZ, 217),
          std::make_tuple("Amacro", REG_SZ, 10)}) {
        InstallSettings(settings_);
        WriteAssignValue(value, type, filler.data(), size);
        Reload();
        EXPECT_STREQ("", api_.getMacroName(1)) << value;
        EXPECT_EQ(0, api_.setMacroGroupName(2, "x")) << value;
        EXPECT_EQ(0, api_.writeToReg()) << value;
        EXPECT_EQ(settings_.Key(), ReadAssignValue("Key")) << value;
        EXPECT_STREQ("上書き保存", api_.getFuncNameFromKey("Ctrl+S")) << value;
    }

    // The editor's keys are never created.
    RemoveSettings();
    Reload();
    EXPECT_EQ(0, api_.writeToReg());
    EXPECT_EQ(0, api_.writeToKeyFile(TempPath("none.key").c_str(), 0));
    EXPECT_FALSE(FileExists(TempPath("none.key")));
    HKEY key = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Hidemaruo", 0, KEY_READ, &key));
}

TEST_F(BinderyStore, KeyTextListingsAreWrittenWithCrLf) {
    const std::string path = TempPath("keys.txt");
    ASSERT_EQ(1, api_.makeKEYTEXT(path.c_str(), "keytxt"));
    const std::vector<std::string> keytxt = Lines(path);
    EXPECT_EQ((std::vector<std::string>{"F1 = 外部ヘルプ", "Ctrl+O = 開く", "Ctrl+S = 上書き保存",
                                        "Alt+Ctrl+Del = コピー", "常駐秀丸のダブルクリック = マクロ実行"}),
              keytxt);
    ASSERT_EQ(1, api_.makeKEYTEXT(path.c_str(), "valid"));
    EXPECT_EQ(5u, Lines(path).size());
    EXPECT_EQ("F1", Lines(path)[0]);
    ASSERT_EQ(1, api_.makeKEYTEXT(path.c_str(), "blank"));
    EXPECT_EQ(372u, Lines(path).size());
    EXPECT_EQ("Shift+F1", Lines(path)[17]);
    ASSERT_EQ(1, api_.makeKEYTEXT(path.c_str(), "all"));
    EXPECT_EQ(377u, Lines(path).size());
    ASSERT_EQ(1, api_.makeKEYTEXT(path.c_str(), "funclist"));
    EXPECT_EQ(294u, Lines(path).size());
    EXPECT_EQ("新規作成", Lines(path)[0]);
    // An unreadable kind lists as "keytxt".
    ASSERT_EQ(1, api_.makeKEYTEXT(path.c_str(), nullptr));
    EXPECT_EQ(keytxt, Lines(path));

    const std::string other = TempPath("other.txt");
    EXPECT_EQ(0, api_.makeKEYTEXT(other.c_str(), "KEYTXT"));
    EXPECT_EQ(0, api_.makeKEYTEXT(other.c_str(), ""));
    EXPECT_FALSE(FileExists(other));
    EXPECT_EQ(0, api_.makeKEYTEXT(nullptr, "all"));
    EXPECT_EQ(0, api_.makeKEYTEXT(TempPath("no\\such\\folder.txt").c_str(), "all"));

    EXPECT_EQ(1, api_.removeFile(path.c_str()));
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(0, api_.removeFile(path.c_str()));
    EXPECT_EQ(0, api_.removeFile(nullptr));
}

// A handle another program holds on a file, open for as long as the object lives.
class OtherHandle {
public:
    OtherHandle(const std::string& path, DWORD access, DWORD share)
        : handle_(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        EXPECT_NE(INVALID_HANDLE_VALUE, handle_) << path;
    }
    ~OtherHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    OtherHandle(const OtherHandle&) = delete;
    OtherHandle& operator=(const OtherHandle&) = delete;

private:
    HANDLE handle_;
};

// Key files are shared as the C runtime's streams share them. Writing replaces the file in one
// step, which another handle permits only when it shares deletion: a handle that does not (as the
// runtime's own do not) makes the write fail, and the file stays as it was.
TEST_F(BinderyStore, KeyFilesAreSharedAsRuntimeStreamsShareThem) {
    const std::string path = TempPath("shared.key");
    const std::string listing = TempPath("shared.txt");
    ASSERT_EQ(1, api_.writeToKeyFile(path.c_str(), 0));
    ASSERT_EQ(1, api_.makeKEYTEXT(listing.c_str(), "valid"));
    const DWORD kRuntimeShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const DWORD kFullShare = kRuntimeShare | FILE_SHARE_DELETE;
    {
        const OtherHandle writer(path, GENERIC_READ | GENERIC_WRITE, kRuntimeShare);
        EXPECT_EQ(1, api_.readKeyFile(path.c_str(), 0)) << "a file another program writes";
    }
    ASSERT_EQ(1, api_.setKeyassign("Ctrl+A", "すべてを選択"));
    {
        const OtherHandle key_reader(path, GENERIC_READ, kFullShare);
        const OtherHandle listing_reader(listing, GENERIC_READ, kFullShare);
        EXPECT_EQ(1, api_.writeToKeyFile(path.c_str(), 0));
        EXPECT_EQ(1, api_.makeKEYTEXT(listing.c_str(), "keytxt"));
    }
    EXPECT_EQ("F1 = 外部ヘルプ", Lines(listing).at(0));
    Reload();
    ASSERT_EQ(1, api_.readKeyFile(path.c_str(), 0));
    EXPECT_STREQ("すべてを選択", api_.getFuncNameFromKey("Ctrl+A"));

    const std::vector<uint8_t> key_bytes = ReadFileBytes(path);
    const std::vector<uint8_t> listing_bytes = ReadFileBytes(listing);
    ASSERT_EQ(1, api_.setKeyassign("Ctrl+A", "開く"));
    {
        const OtherHandle key_reader(path, GENERIC_READ, kRuntimeShare);
        const OtherHandle listing_reader(listing, GENERIC_READ, kRuntimeShare);
        EXPECT_EQ(0, api_.writeToKeyFile(path.c_str(), 2));
        EXPECT_EQ(0, api_.makeKEYTEXT(listing.c_str(), "all"));
    }
    EXPECT_EQ(key_bytes, ReadFileBytes(path));
    EXPECT_EQ(listing_bytes, ReadFileBytes(listing));
}

}  // namespace
}  // namespace bindery_test
