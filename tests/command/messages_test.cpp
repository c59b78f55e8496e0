// quarry.exe's message-box texts are written as UTF-8 in command/messages.h; the compiler must store
// them as the Shift_JIS bytes MessageBoxA shows.
#include <gtest/gtest.h>

#include "command/messages.h"
#include "log_texts.h"

TEST(CommandMessages, AreStoredAsShiftJisBytes) {
    EXPECT_EQ(kx::kUnknownOption, kxtest::kUnknownOption);
    EXPECT_EQ(kx::kOptionNeedsArgument, kxtest::kNeedsArgument);
    EXPECT_EQ(kx::kOptionMustStandAlone, kxtest::kArgumentAlone);
    EXPECT_EQ(kx::kDdeFailed, kxtest::kDdeFailed);
    EXPECT_EQ(kx::kErrorCaption, kxtest::kErrorCaption);
    EXPECT_EQ(kx::kNoneWaiting, kxtest::kNoneWaiting);
}
