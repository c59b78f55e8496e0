// File size and time stamps: exact to the millisecond, one time set without touching the other.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "test_support.h"
#include "text/file_utils.h"

namespace {

// A SYSTEMTIME with the day of the week filled in as the conversions give it back.
SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms) {
    SYSTEMTIME t = {year, month, 0, day, hour, minute, second, ms};
    FILETIME f;
    SystemTimeToFileTime(&t, &f);
    FileTimeToSystemTime(&f, &t);
    return t;
}

void ExpectTime(const SYSTEMTIME& expected, const kx::FileTimeStamp& actual) {
    ASSERT_TRUE(actual.valid);
    EXPECT_EQ(0, memcmp(&expected, &actual.time, sizeof expected))
        << actual.time.wYear << "-" << actual.time.wMonth << "-" << actual.time.wDay << " " << actual.time.wHour << ":"
        << actual.time.wMinute << ":" << actual.time.wSecond << "." << actual.time.wMilliseconds;
}

class FileUtils : public ::testing::Test {
protected:
    kxtest::ScratchDir dir_{"fileutils"};
};

TEST_F(FileUtils, SizeOfFiles) {
    EXPECT_EQ(0u, kx::GetFileSizeBytes((dir_ / "missing.txt").c_str()));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir_ / "empty.txt", ""));
    EXPECT_EQ(0u, kx::GetFileSizeBytes((dir_ / "empty.txt").c_str()));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir_ / "some.txt", std::string(70000, 'x')));
    EXPECT_EQ(70000u, kx::GetFileSizeBytes((dir_ / "some.txt").c_str()));
}

TEST_F(FileUtils, EachTimeIsSetExactlyAndAloneAndSurvivesARewrite) {
    const std::string path = dir_ / "t.txt";
    ASSERT_TRUE(kxtest::WriteFileBytes(path, "old"));
    const SYSTEMTIME write_time = Time(2001, 2, 3, 4, 5, 6, 789), access_time = Time(2010, 11, 12, 13, 14, 15, 16);
    ASSERT_TRUE(kx::SetLastWriteTime(path.c_str(), write_time));
    ASSERT_TRUE(kx::SetLastAccessTime(path.c_str(), access_time));
    ExpectTime(write_time, kx::GetLastWriteTime(path.c_str()));
    ExpectTime(access_time, kx::GetLastAccessTime(path.c_str()));
    const SYSTEMTIME later_write = Time(2003, 4, 5, 6, 7, 8, 999);
    ASSERT_TRUE(kx::SetLastWriteTime(path.c_str(), later_write));
    ExpectTime(access_time, kx::GetLastAccessTime(path.c_str()));

    // As the run does: read both, rewrite the file, set both back.
    kx::FileTimeStamp t_write = kx::GetLastWriteTime(path.c_str()), t_access = kx::GetLastAccessTime(path.c_str());
    ASSERT_TRUE(kxtest::WriteFileBytes(path, "new content"));
    EXPECT_NE(later_write.wYear, kx::GetLastWriteTime(path.c_str()).time.wYear);
    EXPECT_TRUE(kx::SetLastAccessTime(path.c_str(), t_access));
    EXPECT_TRUE(kx::SetLastWriteTime(path.c_str(), t_write));
    ExpectTime(later_write, kx::GetLastWriteTime(path.c_str()));
    ExpectTime(access_time, kx::GetLastAccessTime(path.c_str()));

    // Setting needs only attribute access, so a read-only file gets its time back too.
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(kx::SetLastWriteTime(path.c_str(), write_time));
    ExpectTime(write_time, kx::GetLastWriteTime(path.c_str()));
}

TEST_F(FileUtils, FailuresAreResults) {
    const std::string missing = dir_ / "missing.txt", path = dir_ / "t.txt";
    const SYSTEMTIME t = Time(2001, 2, 3, 4, 5, 6, 7);
    EXPECT_FALSE(kx::GetLastWriteTime(missing.c_str()).valid);
    EXPECT_FALSE(kx::GetLastAccessTime(missing.c_str()).valid);
    EXPECT_FALSE(kx::SetLastWriteTime(missing.c_str(), t));
    ASSERT_TRUE(kxtest::WriteFileBytes(path, "x"));
    ASSERT_TRUE(kx::SetLastWriteTime(path.c_str(), t));
    SYSTEMTIME bad = t;
    bad.wMonth = 13;
    EXPECT_FALSE(kx::SetLastWriteTime(path.c_str(), bad));
    EXPECT_FALSE(kx::SetLastWriteTime(path.c_str(), kx::FileTimeStamp()));  // a stamp never read sets nothing
    ExpectTime(t, kx::GetLastWriteTime(path.c_str()));
    // Reading a time shares nothing: it fails while another handle holds the file.
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    EXPECT_FALSE(kx::GetLastWriteTime(path.c_str()).valid);
    CloseHandle(other);
}

}  // namespace
