// The run's log texts are written as UTF-8 in engine/messages.h; the compiler must store them as the
// Shift_JIS bytes every client of "Log" and "Notices" reads.
#include <gtest/gtest.h>

#include "engine/messages.h"
#include "log_texts.h"

TEST(EngineMessages, AreStoredAsTheShiftJisBytesOfTheLog) {
    EXPECT_EQ(kx::kNoFilesNotice, kxtest::kNoFiles);
    EXPECT_EQ(kx::kFailedLineEnd, kxtest::kFailed);
    EXPECT_EQ(kx::kNoHitLineEnd, kxtest::kNoHit);
    EXPECT_EQ(kx::kReplacedIn + std::string("7") + kx::kReplacedLineEnd, kxtest::Replaced("", 7));
}
