// The poke handlers of the job: option-string quirks, directory, keywords, library version rule.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/job_settings.h"
#include "test_support.h"

using kx::JobSettings;

TEST(JobSettingsSet, DefaultsBeforeAnySet) {
    JobSettings job;
    EXPECT_TRUE(job.matcher.casesense());
    EXPECT_TRUE(job.matcher.use_regular());
    EXPECT_FALSE(job.matcher.zero_match());
    EXPECT_FALSE(job.matcher.word());
    EXPECT_FALSE(job.subdir || job.backup || job.keep_timestamp);
    EXPECT_EQ(job.char_set, 0);
    EXPECT_EQ(job.line_break, 3);
}

TEST(JobSettingsSet, KeywordQuirks) {
    JobSettings job;
    EXPECT_TRUE(job.Set(""));
    EXPECT_FALSE(job.matcher.casesense()) << "an empty Set turns casesense off too";
    EXPECT_FALSE(job.matcher.use_regular());

    job.Set("CaseSense,Word");
    EXPECT_TRUE(job.matcher.casesense());
    EXPECT_TRUE(job.matcher.word());

    job.Set("words");
    EXPECT_FALSE(job.matcher.word());

    job.Set("word, subdir");
    EXPECT_TRUE(job.matcher.word());
    EXPECT_FALSE(job.subdir) << "a blank after a comma belongs to the item";

    job.Set("nokeep_timestamp");
    EXPECT_TRUE(job.keep_timestamp);
    job.Set("keep_timestamps");
    EXPECT_TRUE(job.keep_timestamp);

    job.Set("subdir,backup,zero_match,aimai,use_regular,unknown");
    EXPECT_TRUE(job.subdir && job.backup && job.matcher.zero_match() && job.matcher.aimai() &&
                job.matcher.use_regular());
    EXPECT_FALSE(job.keep_timestamp);
}

TEST(JobSettingsSet, DirectoryGetsOneBackslash) {
    ASSERT_EQ(GetACP(), 932u);
    JobSettings job;
    job.SetDir("C:\\data");
    EXPECT_STREQ(job.directory.c_str(), "C:\\data\\");
    job.SetDir("C:\\data\\");
    EXPECT_STREQ(job.directory.c_str(), "C:\\data\\");
    job.SetDir("");
    EXPECT_STREQ(job.directory.c_str(), "");
    // "表" ends in byte 0x5C, which is not a separator: the directory still gets its backslash.
    job.SetDir("C:\\\x95\x5C");
    EXPECT_STREQ(job.directory.c_str(), "C:\\\x95\x5C\\");
}

TEST(JobSettingsSet, CharSetAndLineBreakKeywords) {
    JobSettings job;
    EXPECT_TRUE(job.SetCharSet("UTF16LE"));
    EXPECT_EQ(job.char_set, -6);
    EXPECT_FALSE(job.SetCharSet("utf-8"));
    EXPECT_EQ(job.char_set, -6);
    EXPECT_FALSE(job.SetCharSet(" sjis"));
    struct {
        const char* k;
        int v;
    } sets[] = {{"autodetect", 0}, {"sjis", 932},  {"eucjp", -932}, {"jis", -933},  {"utf8", -65001},
                {"utf8n", 65001},  {"utf16b", -3}, {"utf16l", -4},  {"utf16be", -5}};
    for (auto& s : sets) {
        EXPECT_TRUE(job.SetCharSet(s.k)) << s.k;
        EXPECT_EQ(job.char_set, s.v) << s.k;
    }
    EXPECT_TRUE(job.SetLineBreak("LF"));
    EXPECT_EQ(job.line_break, 1);
    EXPECT_FALSE(job.SetLineBreak(""));
    EXPECT_EQ(job.line_break, 1);
    EXPECT_TRUE(job.SetLineBreak("CrLf"));
    EXPECT_EQ(job.line_break, 2);
}

TEST(JobSettingsSet, KeywordsAreComparedByteForByte) {
    // Control characters and DEL inside or around a keyword make it another word, whatever the locale.
    const LCID was = GetThreadLocale();
    for (LCID locale :
         {was, static_cast<LCID>(0x0409), static_cast<LCID>(0x0411), static_cast<LCID>(LOCALE_INVARIANT)}) {
        SCOPED_TRACE(locale);
        SetThreadLocale(locale);
        JobSettings job;
        for (const char* bad : {"sj\x01is", "sjis\x7f", "utf8\x01", "\x01sjis", "s\x1Fjis", "sjis\x81"}) {
            EXPECT_FALSE(job.SetCharSet(bad)) << bad;
            EXPECT_EQ(job.char_set, 0) << bad;
        }
        for (const char* bad : {"l\x01f", "crlf\x7f",
                                "\x7f"
                                "cr",
                                "c\x02r"}) {
            EXPECT_FALSE(job.SetLineBreak(bad)) << bad;
            EXPECT_EQ(job.line_break, 3) << bad;
        }
        EXPECT_TRUE(job.SetCharSet("EucJP"));
        EXPECT_EQ(job.char_set, -932);
    }
    SetThreadLocale(was);
}

TEST(JobSettingsSet, PlainFindStringAndReplacement) {
    JobSettings job;
    job.Set("casesense");
    EXPECT_FALSE(job.SetFindStr(""));
    EXPECT_TRUE(job.SetFindStr("abc"));
    EXPECT_TRUE(job.matcher.Search("xxabc"));
    EXPECT_TRUE(job.SetReplaceStr("a\\1"));
    EXPECT_STREQ(job.replace_string.c_str(), "a\\1");
}

TEST(HmJreLibrary, VersionRule) {
    const std::string dir = kxtest::ProgramDir();
    kx::HmJrePath().assign("");
    EXPECT_FALSE(kx::SetHmJreDLL((dir + "no-such-library.dll").c_str()));
    EXPECT_STREQ(kx::HmJrePath().c_str(), "");

    std::string old_lib = dir + "jre_version_170.dll";
    EXPECT_FALSE(kx::SetHmJreDLL(old_lib.c_str()));
    EXPECT_STREQ(kx::HmJrePath().c_str(), old_lib.c_str()) << "the path is kept although refused";
    EXPECT_EQ(kx::QueryHmJreVersion(), 0x170);

    std::string new_lib = dir + "jre_version_171.dll";
    EXPECT_TRUE(kx::SetHmJreDLL(new_lib.c_str()));
    EXPECT_EQ(kx::QueryHmJreVersion(), 0x171);

    // An existing file that is no library: remembered, version 0, refused.
    kxtest::ScratchDir scratch("ver");
    kxtest::WriteFileBytes(scratch / "fake.dll", "not a library");
    EXPECT_FALSE(kx::SetHmJreDLL((scratch / "fake.dll").c_str()));
    EXPECT_EQ(kx::QueryHmJreVersion(), 0);
    kx::HmJrePath().assign("");
}
