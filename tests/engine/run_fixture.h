// A job over the *.txt files of one scratch directory, run in the test's own process: the fixture
// of the run, preview and Unicode tests.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "engine/job_settings.h"
#include "test_support.h"

namespace kxtest {

class RunFixture : public ::testing::Test {
protected:
    explicit RunFixture(const char* name) : dir(name) {}
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        job.Set("casesense");
        job.SetDir(dir.path().c_str());
        job.SetFilePattern("*.txt");
    }
    void Find(const char* find, const char* replace) {
        ASSERT_TRUE(job.SetFindStr(find)) << find;
        job.SetReplaceStr(replace);
    }
    // The run's temporary files left in the directory.
    int TemporaryFilesLeft() {
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((dir.path() + "*.tmp").c_str(), &d);
        if (h == INVALID_HANDLE_VALUE) return 0;
        int n = 0;
        do ++n;
        while (FindNextFileA(h, &d));
        FindClose(h);
        return n;
    }
    ScratchDir dir;
    kx::JobSettings job;
};

}  // namespace kxtest
