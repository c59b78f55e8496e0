// Bindery under bad calls: unreadable and run-off pointers, numbers out of range, truncated,
// oversized and garbage key files, registry values of the wrong type or size. Every answer must be
// a failure (0, -1 or the empty string) or the answer a sound store gives, the process must live,
// and a refused call must leave the store, the registry and the files as they were.
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "guarded_bytes.h"
#include "hostile_inputs.h"
#include "keyassign/bindery_fixture.h"

namespace bindery_test {
namespace {

using kxtest::GuardedBytes;

class BinderyAbuse : public BinderyTest {
protected:
    // Everything the library holds: the edit copy as a key file with macros, and the loaded copy as
    // the answers of the queries.
    std::string Snapshot() {
        std::string path = TempPath("snapshot.key");
        DeleteFileA(path.c_str());
        std::string s = "write=" + std::to_string(api_.writeToKeyFile(path.c_str(), 2)) + "\n";
        std::vector<uint8_t> bytes = ReadFileBytes(path);
        s.append(bytes.begin(), bytes.end());
        for (int m = 1; m <= 80; ++m) s += std::string("\n") + api_.getMacroSettings(m);
        for (int g = 2; g <= 8; ++g) s += std::string("\n") + api_.getMacroGroupName(g);
        for (int m = 0; m <= 8; ++m) {
            if (m) s += std::string("\n") + api_.getMenuTitle(m);
            for (int i = 1; i <= 25; ++i) {
                s += std::string("\n") + api_.getMenuFunc(m, i);
                s += std::string("|") + api_.getMenuAKey(m, i);
            }
        }
        s += "\nesc=" + std::to_string(api_.getMenu8ToESC());
        s += std::string("\n") + api_.getKeyFromFuncName("(なし)");
        return s;
    }

    std::vector<std::vector<uint8_t>> RegistryValues() {
        std::vector<std::vector<uint8_t>> values;
        for (const char* name : {"Key", "KeyEx", "KeyEx2", "MacroGroup", "Amacro"})
            values.push_back(ReadAssignValue(name));
        return values;
    }

    GuardedBytes guard_{1 << 16};
};

// The same text three ways that a careless reader could run off the readable memory with, or
// cannot read at all.
struct BadText {
    const char* what;
    const char* text;
};

std::vector<BadText> BadTexts(GuardedBytes& guard, const std::string& readable_start) {
    return {{"null", nullptr},
            {"unreadable page", guard.Unreadable()},
            {"low address", reinterpret_cast<const char*>(static_cast<uintptr_t>(0x10))},
            {"no NUL before the guard page", guard.Place(readable_start)}};
}

TEST_F(BinderyAbuse, UnreadableStringsAreRefusedAndChangeNothing) {
    ASSERT_TRUE(guard_.valid());
    const std::string before = Snapshot();
    const auto registry = RegistryValues();
    const std::string key_file = TempPath("bad-calls.key");
    const std::string listing = TempPath("bad-calls.txt");
    // A key file with different contents: reading it by a bad path must not happen.
    WriteFileBytes(key_file, std::vector<uint8_t>(7291, 0));

    // Each export with each bad argument, and what it must answer.
    struct Call {
        const char* name;
        std::function<std::string(const char*)> run;
        std::string failure;
    };
    auto text = [](const char* t) { return std::string(t); };
    const std::vector<Call> calls = {
        {"_Key2Address", [&](const char* s) { return std::to_string(api_._Key2Address(s)); }, "-1"},
        {"_Func2Val", [&](const char* s) { return std::to_string(api_._Func2Val(s)); }, "-1"},
        {"readKeyFile", [&](const char* s) { return std::to_string(api_.readKeyFile(s, 1)); }, "0"},
        {"writeToKeyFile", [&](const char* s) { return std::to_string(api_.writeToKeyFile(s, 2)); }, "0"},
        {"removeFile", [&](const char* s) { return std::to_string(api_.removeFile(s)); }, "0"},
        {"makeKEYTEXT path", [&](const char* s) { return std::to_string(api_.makeKEYTEXT(s, "all")); }, "0"},
        {"getFuncNameFromKey", [&](const char* s) { return text(api_.getFuncNameFromKey(s)); }, ""},
        {"getKeyFromFuncName", [&](const char* s) { return text(api_.getKeyFromFuncName(s)); }, ""},
        {"setKeyassign key", [&](const char* s) { return std::to_string(api_.setKeyassign(s, "開く")); }, "0"},
        {"setKeyassign command", [&](const char* s) { return std::to_string(api_.setKeyassign("Ctrl+S", s)); }, "0"},
        {"setMacroSettings name", [&](const char* s) { return std::to_string(api_.setMacroSettings(1, s, "p")); }, "0"},
        {"setMacroSettings path", [&](const char* s) { return std::to_string(api_.setMacroSettings(1, "n", s)); }, "0"},
        {"setMacroGroupName", [&](const char* s) { return std::to_string(api_.setMacroGroupName(2, s)); }, "0"},
        {"setMenuTitle", [&](const char* s) { return std::to_string(api_.setMenuTitle(1, s)); }, "0"},
        {"setMenuItem command", [&](const char* s) { return std::to_string(api_.setMenuItem(1, 3, s, "A")); }, "0"},
        {"setMenuItem accelerator", [&](const char* s) { return std::to_string(api_.setMenuItem(1, 3, "開く", s)); },
         "0"},
    };
    // Readable starts that would be accepted if the text went on to a NUL.
    const std::vector<std::string> starts = {"Ctrl+S", "開く", key_file, listing, "Edit"};
    for (const Call& call : calls) {
        for (const std::string& start : starts) {
            for (const BadText& bad : BadTexts(guard_, start)) {
                EXPECT_EQ(call.failure, call.run(bad.text))
                    << call.name << " with " << bad.what << " (" << start << ")";
            }
        }
    }
    // An unreadable kind counts as "keytxt": the listing is made all the same.
    for (const BadText& bad : BadTexts(guard_, "keytxt")) {
        DeleteFileA(listing.c_str());
        EXPECT_EQ(1, api_.makeKEYTEXT(listing.c_str(), bad.text)) << bad.what;
        EXPECT_TRUE(FileExists(listing));
    }
    EXPECT_EQ(before, Snapshot());
    EXPECT_EQ(registry, RegistryValues());
    EXPECT_EQ(std::vector<uint8_t>(7291, 0), ReadFileBytes(key_file));
}

TEST_F(BinderyAbuse, NumbersOutOfRangeAnswerFailure) {
    const std::string before = Snapshot();
    const int bad_numbers[] = {INT_MIN, INT_MIN + 1, -65536, -1, 0, 81, 1000, 65535, 65536, INT_MAX};
    for (int n : bad_numbers) {
        SCOPED_TRACE(n);
        EXPECT_STREQ("", api_.getMacroSettings(n));
        EXPECT_STREQ("", api_.getMacroName(n));
        EXPECT_STREQ("", api_.getMacroFilePath(n));
        EXPECT_EQ(0, api_.setMacroSettings(n, "name", "path"));
        if (n < 2 || n > 8) {
            EXPECT_STREQ("", api_.getMacroGroupName(n));
            EXPECT_EQ(0, api_.setMacroGroupName(n, "g"));
        }
        if (n < 1 || n > 8) {
            EXPECT_STREQ("", api_.getMenuTitle(n));
            EXPECT_EQ(0, api_.setMenuTitle(n, "t"));
        }
        for (int item : {n, 1}) {
            if (n >= 0 && n <= 8 && item == 1) continue;
            EXPECT_STREQ("", api_.getMenuFunc(n, item));
            EXPECT_STREQ("", api_.getMenuAKey(n, item));
            EXPECT_EQ(0, api_.setMenuItem(n, item, "開く", "A"));
            EXPECT_STREQ("", api_.getMenuFunc(1, n));
            EXPECT_STREQ("", api_.getMenuAKey(1, n));
            EXPECT_EQ(0, api_.setMenuItem(1, n, "開く", "A"));
        }
        if (n < 50 || n > 1282) {
            EXPECT_STREQ("", api_._Address2Key(n));
        }
        if (n < 0 || n > 4112) {
            EXPECT_STREQ("", api_._Val2Func(n));
        }
    }
    // Past the end an enumeration stays at the end, however often it is asked.
    api_._GetEnableKeys(0);
    for (int i = 0; i < 2000; ++i) api_._GetEnableKeys(INT_MIN);
    EXPECT_STREQ("", api_._GetEnableKeys(1));
    api_._GetEnableFuncs(0);
    for (int i = 0; i < 2000; ++i) api_._GetEnableFuncs(-1);
    EXPECT_STREQ("", api_._GetEnableFuncs(1));
    // Extreme versions are clamped to the known range.
    EXPECT_EQ(1, api_.SetHidemaruVersion(INT_MIN));
    EXPECT_EQ(113, api_._Key2Address("Ctrl+A"));
    EXPECT_EQ(-1, api_._Key2Address("Bksp"));
    EXPECT_EQ(1, api_.SetHidemaruVersion(INT_MAX));
    EXPECT_EQ(917, api_._Key2Address("Bksp"));
    EXPECT_EQ(1, api_.SetHidemaruVersion(418));
    EXPECT_EQ(before, Snapshot());
}

// Key files: a valid one cut at every length around its blocks, its macro length forged, and seeded
// mutations. A refused file changes nothing; an accepted one gives exactly the bytes it holds.
class BinderyKeyFiles : public BinderyAbuse {
protected:
    void SetUp() override {
        BinderyAbuse::SetUp();
        with_macros_ = Written(2);
        without_macros_ = Written(0);
        ASSERT_EQ(7291u, without_macros_.size());
        // Load something else, so that an accepted file shows in the store.
        ASSERT_EQ(1, api_.setKeyassign("Ctrl+S", "開く"));
        ASSERT_EQ(1, api_.setMacroSettings(1, "other", "C:\\other.mac"));
        const std::string other = TempPath("other.key");
        ASSERT_EQ(1, api_.writeToKeyFile(other.c_str(), 2));
        ASSERT_EQ(1, api_.readKeyFile(other.c_str(), 1));
        loaded_ = Snapshot();
    }

    std::vector<uint8_t> Written(int flags) {
        const std::string path = TempPath("base.key");
        DeleteFileA(path.c_str());
        EXPECT_EQ(1, api_.writeToKeyFile(path.c_str(), flags));
        return ReadFileBytes(path);
    }

    // Reads bytes as a key file; a refusal must leave the store as loaded_, an acceptance must give
    // the "Key" and "KeyEx" blocks of the file. Answers readKeyFile's result.
    int Try(const std::vector<uint8_t>& bytes, int flags, const std::string& what) {
        const std::string path = TempPath("hostile.key");
        WriteFileBytes(path, bytes);
        const int result = api_.readKeyFile(path.c_str(), flags);
        EXPECT_TRUE(result == 0 || result == 1) << what;
        if (result == 0) {
            EXPECT_EQ(loaded_, Snapshot()) << what;
        } else {
            EXPECT_GE(bytes.size(), 6539u) << what;
            const std::vector<uint8_t> back = Written(0);
            EXPECT_TRUE(std::equal(back.begin() + 4713, back.begin() + 6539, bytes.begin() + 4713)) << what;
            for (int m = 1; m <= 80; ++m) {
                EXPECT_LE(std::strlen(api_.getMacroName(m)), 256u) << what;
                EXPECT_LE(std::strlen(api_.getMacroFilePath(m)), 256u) << what;
            }
            // Back to the reference contents for the next try.
            const std::string other = TempPath("reference.key");
            WriteFileBytes(other, reference_);
            EXPECT_EQ(1, api_.readKeyFile(other.c_str(), 1));
        }
        return result;
    }

    std::vector<uint8_t> with_macros_;
    std::vector<uint8_t> without_macros_;
    std::vector<uint8_t> reference_;
    std::string loaded_;

    void KeepReference() {
        reference_ = Written(2);
        loaded_ = Snapshot();
    }
};

TEST_F(BinderyKeyFiles, CutShortAtEveryBlockBoundary) {
    KeepReference();
    uint32_t tried = 0;
    const size_t n = with_macros_.size() - 6543 - 217 - 4 - 744;
    struct Base {
        const std::vector<uint8_t>* bytes;
        std::vector<size_t> edges;
    } bases[] = {
        {&without_macros_, {0, 696, 700, 747, 748, 4709, 4711, 4713, 6519, 6539, 6543, 6547, 7291}},
        {&with_macros_, {0, 747, 4713, 6539, 6543, 6543 + n, 6543 + n + 217, 6543 + n + 221, 6543 + n + 221 + 744}}};
    for (const Base& base : bases) {
        std::vector<size_t> lengths;
        for (size_t edge : base.edges)
            for (size_t d = 0; d <= 6; ++d) {
                if (edge >= d) lengths.push_back(edge - d);
                lengths.push_back(edge + d);
            }
        for (size_t l = 0; l < base.bytes->size(); l += 131) lengths.push_back(l);
        for (size_t length : lengths) {
            if (length > base.bytes->size()) continue;
            tried += 2;
            std::vector<uint8_t> cut(base.bytes->begin(), base.bytes->begin() + length);
            for (int flags : {0, 1}) {
                int result = Try(cut, flags, "cut at " + std::to_string(length) + " flags " + std::to_string(flags));
                // Whatever is cut inside "Key"/"KeyEx" or inside an announced block is refused.
                if (length < 6539) {
                    EXPECT_EQ(0, result) << length;
                }
            }
        }
    }
    std::printf("[ inputs   ] key files (cut short) %u\n", tried);
}

TEST_F(BinderyKeyFiles, ForgedMacroLengthsAreRefusedOrBounded) {
    KeepReference();
    uint32_t tried = 1;
    const uint32_t n = static_cast<uint32_t>(with_macros_.size() - 6543 - 217 - 4 - 744);
    const uint32_t lengths[] = {1,      n - 1,  n + 1,   n + 4,      n + 217,     n + 221 + 744, n + 222 + 744,
                                0x7FFF, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    for (uint32_t forged : lengths) {
        for (const std::vector<uint8_t>* base : {&with_macros_, &without_macros_}) {
            std::vector<uint8_t> bytes = *base;
            for (int i = 0; i < 4; ++i) bytes[6539 + i] = static_cast<uint8_t>(forged >> (8 * i));
            for (int flags : {0, 1, -1, INT_MIN}) {
                Try(bytes, flags, "length " + std::to_string(forged));
                ++tried;
            }
        }
    }
    // A large file whose macro list is 4 MB of bytes without a single NUL.
    std::vector<uint8_t> big = with_macros_;
    big.resize(6543);
    const uint32_t huge = 4u << 20;
    for (int i = 0; i < 4; ++i) big[6539 + i] = static_cast<uint8_t>(huge >> (8 * i));
    big.insert(big.end(), huge + 217, 'x');
    EXPECT_EQ(1, Try(big, 1, "4 MB macro list"));
    std::printf("[ inputs   ] key files (forged lengths) %u\n", tried);
}

TEST_F(BinderyKeyFiles, SeededMutationsNeverCrashOrHalfLoad) {
    KeepReference();
    const std::vector<std::string> seeds = {std::string(with_macros_.begin(), with_macros_.end()),
                                            std::string(without_macros_.begin(), without_macros_.end())};
    const uint64_t seed = kxtest::FuzzSeed();
    const uint32_t count = 300 * kxtest::FuzzScale();
    int accepted = 0;
    for (uint32_t i = 0; i < count; ++i) {
        kxtest::Random r(seed + i);
        std::string bytes = seeds[r.Below(2)];
        // Edits near the fields that steer the parser, or anywhere.
        static const uint32_t kFields[] = {696, 747, 4709, 4710, 6539, 6540, 6542, 6543, 6546, 7290};
        for (uint32_t e = 1 + r.Below(3); e > 0; --e) {
            uint32_t at = r.OneIn(2) ? kFields[r.Below(10)] : r.Below(static_cast<uint32_t>(bytes.size()));
            if (at >= bytes.size()) continue;
            switch (r.Below(4)) {
                case 0:
                    bytes[at] = static_cast<char>(r.Byte());
                    break;
                case 1:
                    bytes.resize(at);
                    break;
                case 2:
                    bytes.insert(at, 1 + r.Below(300), static_cast<char>(kxtest::InterestingByte(r)));
                    break;
                default:
                    bytes.erase(at, 1 + r.Below(64));
                    break;
            }
        }
        std::vector<uint8_t> file(bytes.begin(), bytes.end());
        accepted += Try(file, static_cast<int>(r.Below(2)),
                        "mutation " + std::to_string(i) + " of seed " + std::to_string(seed));
    }
    std::printf("[ inputs   ] key files (mutated) %u\n", count);
    RecordProperty("inputs", static_cast<int>(count));
    RecordProperty("accepted", accepted);
}

TEST_F(BinderyAbuse, HostilePathsFailWithoutDamage) {
    const std::string before = Snapshot();
    const std::string folder = TempPath("folder");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string long_path = std::string("C:\\") + std::string(5000, 'a') + ".key";
    for (const std::string& path : {folder, folder + "\\", long_path, std::string("Z:\\no\\such\\dir\\x.key"),
                                    std::string(""), std::string("\\\\?\\"), std::string("a\x81")}) {
        EXPECT_EQ(0, api_.readKeyFile(path.c_str(), 0)) << path.size();
        EXPECT_EQ(0, api_.readKeyFile(path.c_str(), 1)) << path.size();
        EXPECT_EQ(0, api_.removeFile(path.c_str())) << path.size();
    }
    EXPECT_EQ(0, api_.writeToKeyFile(folder.c_str(), 0));
    EXPECT_EQ(0, api_.makeKEYTEXT(folder.c_str(), "all"));
    EXPECT_EQ(0, api_.writeToKeyFile(long_path.c_str(), 2));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.c_str()));
    RemoveDirectoryA(folder.c_str());
    EXPECT_EQ(before, Snapshot());
}

// Registry values of the wrong type or size: with any one of them broken, every answer is a failure
// or the sound answer, and a store that could not be loaded is never written back.
TEST_F(BinderyAbuse, BrokenRegistryValuesAreNeverWrittenOver) {
    const std::string listing = TempPath("probe.txt");
    const std::string key_file = TempPath("probe.key");
    auto probe = [&]() {
        std::vector<std::string> a;
        a.push_back(api_.getFuncNameFromKey("Ctrl+S"));
        a.push_back(api_.getKeyFromFuncName("開く"));
        a.push_back(api_.getMacroSettings(1));
        a.push_back(api_.getMacroName(2));
        a.push_back(api_.getMacroGroupName(2));
        a.push_back(api_.getMenuTitle(1));
        a.push_back(api_.getMenuFunc(1, 1));
        a.push_back(api_.getMenuAKey(1, 1));
        a.push_back(std::to_string(api_.getMenu8ToESC()));
        a.push_back(std::to_string(api_.setKeyassign("Ctrl+S", "開く")));
        a.push_back(std::to_string(api_.setMacroSettings(1, "n", "p")));
        a.push_back(std::to_string(api_.setMacroGroupName(2, "g")));
        a.push_back(std::to_string(api_.setMenuTitle(1, "t")));
        a.push_back(std::to_string(api_.setMenuItem(1, 3, "開く", "A")));
        a.push_back(std::to_string(api_.setMenu8ToESC(1)));
        DeleteFileA(key_file.c_str());
        a.push_back(std::to_string(api_.writeToKeyFile(key_file.c_str(), 2)));
        a.push_back(std::to_string(api_.makeKEYTEXT(listing.c_str(), "keytxt")));
        return a;
    };
    const std::vector<std::string> sound = probe();
    const std::vector<std::string> failure = {"",  "",  "",  "",  "",  "",  "",  "", "0",
                                              "0", "0", "0", "0", "0", "0", "0", "0"};

    struct Value {
        const char* name;
        DWORD size;
    } values[] = {{"Key", 1806}, {"KeyEx", 20}, {"KeyEx2", 744}, {"MacroGroup", 217}};
    struct Form {
        DWORD type;
        int64_t size_change;  // added to the right size; INT32_MIN: empty
    } forms[] = {{REG_BINARY, -1}, {REG_BINARY, 1}, {REG_BINARY, INT32_MIN}, {REG_BINARY, 1 << 20},
                 {REG_SZ, 0},      {REG_DWORD, 0},  {REG_MULTI_SZ, 0},       {REG_NONE, 0}};
    int cases = 0;
    for (const Value& v : values) {
        for (const Form& f : forms) {
            SCOPED_TRACE(std::string(v.name) + " type " + std::to_string(f.type) + " change " +
                         std::to_string(f.size_change));
            InstallSettings(settings_);
            size_t size = f.size_change == INT32_MIN ? 0 : static_cast<size_t>(v.size + f.size_change);
            std::vector<uint8_t> garbage(size, 0xA5);
            WriteAssignValue(v.name, f.type, garbage.data(), garbage.size());
            const auto registry = RegistryValues();
            Reload();
            const std::vector<std::string> answers = probe();
            ASSERT_EQ(sound.size(), answers.size());
            for (size_t i = 0; i < answers.size(); ++i)
                EXPECT_TRUE(answers[i] == sound[i] || answers[i] == failure[i]) << "answer " << i << ": " << answers[i];
            if (api_.writeToReg() == 0) {
                EXPECT_EQ(registry, RegistryValues());
            }
            ++cases;
        }
    }
    // NotCUA of the wrong type or size, and an Amacro that is not binary.
    for (DWORD type : {REG_SZ, REG_BINARY, REG_QWORD}) {
        InstallSettings(settings_);
        HKEY env = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Hidemaruo\\Hidemaru\\Env", 0, KEY_ALL_ACCESS, &env));
        const char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        RegSetValueExA(env, "NotCUA", 0, type, reinterpret_cast<const BYTE*>(eight), type == REG_QWORD ? 8 : 3);
        RegCloseKey(env);
        WriteAssignValue("Amacro", REG_SZ, "abc", 4);
        const auto registry = RegistryValues();
        Reload();
        const std::vector<std::string> answers = probe();
        for (size_t i = 0; i < answers.size(); ++i)
            EXPECT_TRUE(answers[i] == sound[i] || answers[i] == failure[i]) << "answer " << i << ": " << answers[i];
        if (api_.writeToReg() == 0) {
            EXPECT_EQ(registry, RegistryValues());
        }
        ++cases;
    }
    RecordProperty("cases", cases);
}

TEST_F(BinderyAbuse, GarbageMacroListYieldsBoundedNames) {
    // 1 MB of "Amacro" without a NUL, then one with NULs at random places.
    for (int variant = 0; variant < 2; ++variant) {
        std::string amacro(1 << 20, 'm');
        kxtest::Random r(kxtest::FuzzSeed() + static_cast<uint64_t>(variant));
        if (variant)
            for (int i = 0; i < 500; ++i) amacro[r.Below(static_cast<uint32_t>(amacro.size()))] = '\0';
        WriteAssignValue("Amacro", REG_BINARY, amacro.data(), amacro.size());
        Reload();
        for (int m = 1; m <= 80; ++m) {
            EXPECT_LE(std::strlen(api_.getMacroName(m)), 256u);
            EXPECT_LE(std::strlen(api_.getMacroFilePath(m)), 256u);
            EXPECT_LE(std::strlen(api_.getMacroSettings(m)), 513u);
        }
    }
}

}  // namespace
}  // namespace bindery_test
