// The platform's error codes in the user's texts: one line each, a number
// where the platform has no text, and after the text it explains.
#include <gtest/gtest.h>

#include "framework/win32/system_error.h"

namespace {

TEST(SystemError, EveryTextIsOneLineWithoutItsLineBreak)
{
    int texts = 0;
    for (DWORD code = 1; code < 1500; ++code) {
        const String text = SystemErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), String::npos) << code << ": " << text;
        EXPECT_NE(text.back(), ' ') << code << ": " << text;
        if (text != "error " + IntToStr(code)) ++texts;
    }
    EXPECT_GT(texts, 100) << "the platform gave almost no texts";
}

TEST(SystemError, ACodeWithoutTextIsNamedByItsNumber)
{
    EXPECT_EQ(SystemErrorText(987654), "error 987654");
    EXPECT_EQ(WithSystemError("Unable to write X.", 987654), "Unable to write X. (987654: error 987654)");
}

TEST(SystemError, TheReasonFollowsTheTextAndTheIoErrorKeepsItsCode)
{
    EXPECT_EQ(WithSystemError("Unable to write C:\\x\\INSTALL.LOG.", ERROR_ACCESS_DENIED),
              "Unable to write C:\\x\\INSTALL.LOG. (5: Access denied.)");
    EXPECT_EQ(WithSystemError("Unable to write C:\\x\\INSTALL.LOG.", 0), "Unable to write C:\\x\\INSTALL.LOG.");

    const EInOutError e = InOutError("Error opening target file.", ERROR_SHARING_VIOLATION);
    EXPECT_EQ(e.ErrorCode(), static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(e.Message(), "Error opening target file. (32: " + SystemErrorText(ERROR_SHARING_VIOLATION) + ")");
}

}  // namespace
