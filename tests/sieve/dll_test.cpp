#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "match/sieve_api.h"
#include "sieve/sieve_library.h"
#include "sjis.h"

namespace {

using kxtest::SieveLibrary;

Jre2Record ZeroedJre() {
    Jre2Record r;
    std::memset(&r, 0, sizeof r);
    r.size = sieve::kJre2RecordSize;
    return r;
}

FuzzyRecord ZeroedFuzzy() {
    FuzzyRecord r;
    std::memset(&r, 0, sizeof r);
    r.size = sieve::kFuzzyRecordSize;
    return r;
}

class SieveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        ASSERT_TRUE(lib.ok());
        jre = ZeroedJre();
        ASSERT_NE(lib.open(&jre), 0);
    }
    void TearDown() override {
        if (lib.ok()) lib.close(&jre);
    }

    // Compiles `pattern` and searches `subject` from `start`; the match as "position+length",
    // or "none".
    std::string Find(const std::string& pattern, const std::string& subject, int start = 0) {
        if (!lib.compile(&jre, pattern.c_str())) return "bad pattern";
        return FindAgain(subject, start);
    }
    std::string FindAgain(const std::string& subject, int start = 0) {
        jre.search_start = start;
        if (!lib.match(&jre, subject.c_str(), static_cast<int>(subject.size()))) return "none";
        return std::to_string(jre.match_position) + "+" + std::to_string(jre.match_length);
    }
    std::string Tag(char n) {
        int length = 77;
        const int position = lib.tag(&jre, n, &length);
        return std::to_string(position) + "+" + std::to_string(length);
    }

    SieveLibrary lib;
    Jre2Record jre;
};

TEST_F(SieveTest, VersionIsRecentEnough) { EXPECT_GE(lib.version() & 0xFFFF, 0x171u); }

TEST_F(SieveTest, MatchesFromTheSearchStart) {
    EXPECT_EQ(Find("b+", "abbbc"), "1+3");
    EXPECT_EQ(Find("\\d", "a1b2"), "1+1");
    EXPECT_EQ(FindAgain("a1b2", 2), "3+1");
    EXPECT_EQ(FindAgain("a1b2", 4), "none");
    // What lies before the start is still seen by anchors and look-behind.
    EXPECT_EQ(Find("(?<=b)2", "a1b2", 3), "3+1");
    EXPECT_EQ(Find("^x", "ax\nx", 1), "3+1");
    EXPECT_EQ(Find("(", "x"), "bad pattern");
    EXPECT_EQ(FindAgain("x"), "none");
}

TEST_F(SieveTest, ReportsZeroLengthMatches) {
    EXPECT_EQ(Find("x*", "ab"), "0+0");
    EXPECT_EQ(FindAgain("ab", 1), "1+0");
    EXPECT_EQ(FindAgain("ab", 2), "2+0");
    EXPECT_EQ(FindAgain("ab", 3), "none");
    EXPECT_EQ(Find("$", "ab\ncd"), "2+0");
}

TEST_F(SieveTest, TagsOfTheLastMatch) {
    ASSERT_EQ(Find("(a)(x)?(b)", "zab"), "1+2");
    EXPECT_EQ(Tag('0'), "1+2");
    EXPECT_EQ(Tag('1'), "1+1");
    EXPECT_EQ(Tag('2'), "-1+0");  // did not take part
    EXPECT_EQ(Tag('3'), "2+1");
    EXPECT_EQ(Tag('4'), "-1+0");  // does not exist
    EXPECT_EQ(Tag('a'), "-1+0");
    // Named groups do not stop plain ones from counting.
    ASSERT_EQ(Find("(?<k>a)(b)", "ab"), "0+2");
    EXPECT_EQ(Tag('2'), "1+1");
    ASSERT_EQ(FindAgain("zz"), "none");
    EXPECT_EQ(Tag('0'), "-1+0");
}

TEST_F(SieveTest, DoubleByteCharactersAreWhole) {
    const std::string so = Sjis(L"ソ");  // 83 5C
    ASSERT_EQ(so, "\x83\x5C");
    // The 5C of ソ is neither a backslash in the subject nor an escape in the pattern.
    EXPECT_EQ(Find("\\\\", so + "\\"), "2+1");
    EXPECT_EQ(FindAgain(so), "none");
    EXPECT_EQ(Find(so + "+", so + so + "a"), "0+4");
    EXPECT_EQ(Find(so + "n", Sjis(L"\nソn")), "1+3");
    // '.' is one character, and a start on a trail byte moves to the next character.
    EXPECT_EQ(Find(".", so + "a"), "0+2");
    EXPECT_EQ(FindAgain(so + "a", 1), "2+1");
    EXPECT_EQ(Find("\\x5C", so), "none");
}

TEST_F(SieveTest, ABufferFilledAnewIsWalkedAsItReadsNow) {
    // The same buffer, first holding ア (83 41) and then three ASCII letters: a start of 1 is a
    // trail byte the first time and a character of its own the second.
    char buffer[4] =
        "\x83\x41"
        "a";
    ASSERT_NE(lib.compile(&jre, "."), 0);
    jre.search_start = 1;
    ASSERT_NE(lib.match(&jre, buffer, 3), 0);
    EXPECT_EQ(jre.match_position, 2);
    std::memcpy(buffer, "xyz", 4);
    ASSERT_NE(lib.match(&jre, buffer, 3), 0);
    EXPECT_EQ(jre.match_position, 1);
    // And back: the start moves off the trail byte again.
    std::memcpy(buffer,
                "\x83\x41"
                "a",
                4);
    ASSERT_NE(lib.match(&jre, buffer, 3), 0);
    EXPECT_EQ(jre.match_position, 2);
}

TEST_F(SieveTest, EveryStartFindsTheCharacterBoundaryAfterIt) {
    // ぁ is 82 9F: both bytes look like lead bytes, the worst case for finding where a character
    // starts; ASCII, kana and kanji with trail bytes of every class around it. A caller refusing
    // empty matches retries at every byte; each answer is the walk from the first byte.
    std::string subject;
    for (int i = 0; i < 300; ++i) subject += "\x82\x9F";
    for (int i = 0; i < 50; ++i) subject += Sjis(L"ソ表a\nもゃ漢字 ぁ") + "\x83";
    std::vector<int> starts;
    for (int p = 0; p < static_cast<int>(subject.size());) {
        starts.push_back(p);
        const unsigned char c = static_cast<unsigned char>(subject[p]);
        p += ((c >= 0x81 && c <= 0x9F) || c >= 0xE0) && p + 1 < static_cast<int>(subject.size()) ? 2 : 1;
    }
    ASSERT_NE(lib.compile(&jre, "x*"), 0);
    size_t next = 0;
    for (int start = 0; start < static_cast<int>(subject.size()); ++start) {
        while (starts[next] < start) ++next;
        jre.search_start = start;
        ASSERT_NE(lib.match(&jre, subject.c_str(), static_cast<int>(subject.size())), 0);
        ASSERT_EQ(jre.match_position, starts[next]) << start;
    }
}

TEST_F(SieveTest, CloseAcceptsFreshAndForeignRecords) {
    Jre2Record fresh = ZeroedJre();
    lib.close(&fresh);
    EXPECT_EQ(lib.compile(&fresh, "a"), 0);

    ASSERT_EQ(Find("a", "xa"), "1+1");
    // A bitwise copy is not the open record: it is not searched and closing it leaves the
    // original intact.
    Jre2Record copy = jre;
    EXPECT_EQ(lib.match(&copy, "a", 1), 0);
    lib.close(&copy);
    EXPECT_EQ(FindAgain("xa"), "1+1");

    // Re-opening an open record starts afresh.
    ASSERT_NE(lib.open(&jre), 0);
    EXPECT_EQ(FindAgain("xa"), "none");
}

TEST(SieveReload, RecordsOfAnUnloadedLibraryAreNotTrusted) {
    Jre2Record stale = ZeroedJre();
    {
        SieveLibrary first;
        ASSERT_TRUE(first.ok());
        ASSERT_NE(first.open(&stale), 0);
        ASSERT_NE(first.compile(&stale, "a"), 0);
    }
    SieveLibrary second;
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second.match(&stale, "a", 1), 0);
    second.close(&stale);
    EXPECT_EQ(stale.state, 0u);
}

class FuzzyTest : public SieveTest {
protected:
    void SetUp() override {
        SieveTest::SetUp();
        fuzzy = ZeroedFuzzy();
        ASSERT_NE(lib.fuzzy_open(&fuzzy, 0), 0);
        fuzzy.flags = 0;  // fold everything
    }
    void TearDown() override {
        if (lib.ok()) lib.fuzzy_close(&fuzzy);
        SieveTest::TearDown();
    }

    // Real "position+length" of the fuzzy match of `find` in `target`, or "none".
    std::string FuzzyFind(const std::wstring& find, const std::wstring& target, int kind = sieve::kFindPlain) {
        if (!lib.convert_find(&fuzzy, Sjis(find.c_str()).c_str(), kind)) return "not converted";
        if (!lib.compile(&jre, sieve::FuzzyFindString(fuzzy))) return "bad pattern";
        if (!lib.convert_target(&fuzzy, Sjis(target.c_str()).c_str())) return "not converted";
        const std::string subject = sieve::FuzzyTarget(fuzzy);
        jre.search_start = 0;
        if (!lib.match(&jre, subject.c_str(), static_cast<int>(subject.size()))) return "none";
        int length = jre.match_length;
        const int position = lib.real_area(&fuzzy, jre.match_position, &length);
        EXPECT_EQ(lib.real_pos(&fuzzy, jre.match_position), position);
        EXPECT_EQ(lib.find_pos(&fuzzy, position), jre.match_position);
        return std::to_string(position) + "+" + std::to_string(length);
    }

    FuzzyRecord fuzzy;
};

TEST_F(FuzzyTest, KanaOfEveryWidthFindOneAnother) {
    const wchar_t* forms[] = {L"ｶﾞｷﾞ", L"ガギ", L"がぎ"};
    for (const wchar_t* find : forms) {
        EXPECT_EQ(FuzzyFind(find, L"xｶﾞｷﾞy"), "1+4");
        EXPECT_EQ(FuzzyFind(find, L"ｱガギ"), "1+4");
        EXPECT_EQ(FuzzyFind(find, L"ＡＢがぎ"), "4+4");
    }
    EXPECT_EQ(FuzzyFind(L"ＡＢＣ", L"x abc"), "2+3");
    EXPECT_EQ(FuzzyFind(L"abc", L"12ＡＢＣ"), "2+6");
    EXPECT_EQ(FuzzyFind(L"a.c", L"abc"), "none");  // plain text: '.' is no metacharacter
}

TEST_F(FuzzyTest, RegexKindKeepsSyntaxAndMapsTags) {
    ASSERT_EQ(FuzzyFind(L"(ｶﾞ+)(ｷ)", L"zガガキ", sieve::kFindRegex), "1+6");
    int length = 0;
    const int p = lib.tag(&jre, '1', &length);
    EXPECT_EQ(lib.real_area(&fuzzy, p, &length), 1);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(FuzzyFind(L"Ａ.Ｃ", L"xaｂc", sieve::kFindRegex), "1+4");
}

TEST_F(FuzzyTest, KeptDistinctionsStillSeparate) {
    fuzzy.flags = sieve::kFuzzyKeepKana;
    EXPECT_EQ(FuzzyFind(L"カ", L"かｶ"), "2+1");
    fuzzy.flags = sieve::kFuzzyKeepWidth | sieve::kFuzzyKeepCase;
    EXPECT_EQ(FuzzyFind(L"Ａ", L"aAＡ"), "2+2");
    fuzzy.flags = sieve::kFuzzyIgnoreVoicing;
    EXPECT_EQ(FuzzyFind(L"ハ", L"xﾊﾟ"), "1+2");
}

TEST_F(FuzzyTest, ConversionWithoutAnOpenRecordGivesEmptyText) {
    FuzzyRecord fresh = ZeroedFuzzy();
    lib.fuzzy_close(&fresh);
    EXPECT_EQ(lib.convert_target(&fresh, "abc"), 0);
    ASSERT_NE(sieve::FuzzyTarget(fresh), nullptr);
    EXPECT_STREQ(sieve::FuzzyTarget(fresh), "");
    EXPECT_EQ(lib.convert_find(&fuzzy, "a", 3), 0);
}

// Deletes the settings key, so the defaults apply.
void ForgetSettings() { RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kestrel\\Sieve"); }

DWORD StoredSetting(const char* name) {
    DWORD value = 99;
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, "Software\\Kestrel\\Sieve", name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// Waits for the option dialog from another thread, lets `act` work on it, then presses `button`.
class DialogPresser {
public:
    template <typename Act> DialogPresser(int button, Act act)
        : thread_([this, button, act] {
              const std::string title = Sjis(L"あいまい検索の設定");
              for (int i = 0; i < 500 && !found_; ++i) {
                  // Only this process's dialog: other tests may show the same dialog at the same time.
                  for (HWND dialog = FindWindowExA(nullptr, nullptr, "#32770", title.c_str()); dialog;
                       dialog = FindWindowExA(nullptr, dialog, "#32770", title.c_str())) {
                      DWORD owner = 0;
                      GetWindowThreadProcessId(dialog, &owner);
                      // A dialog becomes visible once it has set its controls up: acting earlier would be
                      // undone by its own initialisation.
                      if (owner != GetCurrentProcessId() || !IsWindowVisible(dialog)) continue;
                      found_ = true;
                      act(dialog);
                      SendMessageA(dialog, WM_COMMAND, button, 0);
                      return;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              }
          }) {}
    ~DialogPresser() { thread_.join(); }
    bool found() const { return found_; }

private:
    std::atomic<bool> found_{false};
    std::thread thread_;
};

TEST_F(SieveTest, OptionDialogStoresSettingsThatFuzzyOpenReads) {
    ForgetSettings();
    FuzzyRecord fuzzy = ZeroedFuzzy();
    ASSERT_NE(lib.fuzzy_open(&fuzzy, 0), 0);
    EXPECT_EQ(fuzzy.flags, sieve::kFuzzyKeepCase);
    lib.fuzzy_close(&fuzzy);

    auto tick_width = [](HWND dialog) { CheckDlgButton(dialog, 1002, BST_CHECKED); };
    {
        DialogPresser cancel(IDCANCEL, tick_width);
        EXPECT_EQ(lib.dialog(nullptr, 0), 0);
        EXPECT_TRUE(cancel.found());
    }
    EXPECT_EQ(StoredSetting("DistinguishWidth"), 99u);  // nothing was stored
    {
        DialogPresser ok(IDOK, tick_width);
        EXPECT_NE(lib.dialog(nullptr, 0), 0);
        EXPECT_TRUE(ok.found());
    }
    EXPECT_EQ(StoredSetting("DistinguishWidth"), 1u);
    EXPECT_EQ(StoredSetting("DistinguishCase"), 1u);
    EXPECT_EQ(StoredSetting("IgnoreVoicing"), 0u);

    fuzzy = ZeroedFuzzy();
    ASSERT_NE(lib.fuzzy_open(&fuzzy, 0), 0);
    EXPECT_EQ(fuzzy.flags, sieve::kFuzzyKeepCase | sieve::kFuzzyKeepWidth);
    lib.fuzzy_close(&fuzzy);
    ForgetSettings();
}

}  // namespace
