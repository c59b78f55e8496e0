// File listing: pattern splitting, order, duplicates, dot files, subdirectories.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/file_list.h"
#include "text/file_utils.h"
#include "test_support.h"

namespace {
std::vector<std::string> Names(const kx::FileList& list, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& s : list) {
        std::string p = s.name.c_str();
        out.push_back(p.compare(0, prefix.size(), prefix) == 0 ? p.substr(prefix.size()) : p);
    }
    return out;
}
int Count(const std::vector<std::string>& v, const std::string& s) {
    return static_cast<int>(std::count(v.begin(), v.end(), s));
}
}  // namespace

TEST(FileList, PatternSplitting) {
    auto items = kx::SplitPatterns(kxlib::string("a;b;c"));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_STREQ(items[1].c_str(), "b");
    auto blanks = kx::SplitPatterns(kxlib::string("*.txt; *.md;"));
    ASSERT_EQ(blanks.size(), 3u);
    EXPECT_STREQ(blanks[1].c_str(), " *.md");
    EXPECT_STREQ(blanks[2].c_str(), "");
    EXPECT_EQ(kx::SplitPatterns(kxlib::string()).size(), 1u);
    EXPECT_EQ(kx::SplitPatterns(kxlib::string(";;")).size(), 3u);
}

TEST(FileList, OrderDuplicatesDotFilesAndSubdirectories) {
    kxtest::ScratchDir dir("list");
    const std::string root = dir.path();
    kxtest::WriteFileBytes(root + "a.txt", "a");
    kxtest::WriteFileBytes(root + ".profile", "p");
    kxtest::WriteFileBytes(root + "b.md", "b");
    CreateDirectoryA((root + "sub").c_str(), nullptr);
    kxtest::WriteFileBytes(root + "sub\\c.txt", "c");
    CreateDirectoryA((root + "sub\\deep").c_str(), nullptr);
    kxtest::WriteFileBytes(root + "sub\\deep\\d.txt", "d");

    kxlib::string d(root.c_str());
    auto flat = Names(kx::EnumerateFiles(d, kxlib::string("*.txt;*.*"), false), root);
    EXPECT_EQ(Count(flat, "a.txt"), 2) << "a file matching two items is listed twice";
    EXPECT_EQ(Count(flat, ".profile"), 1);
    EXPECT_EQ(Count(flat, "sub"), 1) << "a matching directory is listed without subdir";
    EXPECT_EQ(Count(flat, "."), 0);
    EXPECT_EQ(Count(flat, ".."), 0);
    EXPECT_EQ(Count(flat, "sub\\c.txt"), 0);
    EXPECT_EQ(flat.front(), "a.txt") << "the first pattern's entries come first";

    auto deep = Names(kx::EnumerateFiles(d, kxlib::string("*.txt"), true), root);
    std::vector<std::string> expected = {"a.txt", "sub\\c.txt", "sub\\deep\\d.txt"};
    EXPECT_EQ(deep, expected);

    auto all = Names(kx::EnumerateFiles(d, kxlib::string("*.*"), true), root);
    EXPECT_EQ(Count(all, "sub"), 1);
    EXPECT_EQ(Count(all, "sub\\deep"), 1);
    EXPECT_EQ(Count(all, "sub\\deep\\d.txt"), 1);

    EXPECT_TRUE(kx::EnumerateFiles(d, kxlib::string(" *.txt"), false).empty())
        << "a leading blank is part of the pattern";
    EXPECT_TRUE(kx::EnumerateFiles(d, kxlib::string(""), true).empty());
    EXPECT_TRUE(kx::EnumerateFiles(kxlib::string((root + "missing\\").c_str()), kxlib::string("*.*"), true).empty());
}

TEST(FileList, EmptyDirectoryListsBareNamesOfTheCurrentDirectory) {
    kxtest::ScratchDir dir("cwd");
    kxtest::WriteFileBytes(dir / "here.txt", "x");
    char old[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, old);
    SetCurrentDirectoryA(dir.path().c_str());
    auto list = kx::EnumerateFiles(kxlib::string(), kxlib::string("*.txt"), false);
    SetCurrentDirectoryA(old);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_STREQ(list[0].name.c_str(), "here.txt");
    EXPECT_EQ(list[0].path, L"here.txt");
}

TEST(FileList, IteratorRefusesASecondOpenAndClosesTwiceSafely) {
    kxtest::ScratchDir dir("iter");
    kxtest::WriteFileBytes(dir / "x", "x");
    kx::FindIterator it;
    const std::wstring pattern = kx::WidePath((dir.path() + "*").c_str());
    EXPECT_TRUE(it.Open(pattern.c_str()));
    EXPECT_FALSE(it.Open(pattern.c_str()));
    WIN32_FIND_DATAW d;
    EXPECT_TRUE(it.Next(&d));
    EXPECT_STREQ(d.cFileName, L"x");
    EXPECT_FALSE(it.Next(&d));
    it.Close();
    it.Close();
    EXPECT_FALSE(it.Next(&d));
}
