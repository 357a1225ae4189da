#include <gtest/gtest.h>

#include "support/os_error.hpp"

namespace telvora {
namespace {

TEST(OsError, ShowsTheSystemMessageThenTheCode) {
    // Code 2 is "file not found" on both Windows and POSIX.
    const std::string text = system_error_text(2);
    EXPECT_TRUE(text.ends_with(". (os error 2)") || text.ends_with("directory (os error 2)"))
        << text;
    const std::string message = system_message(2);
    ASSERT_FALSE(message.empty());
    EXPECT_NE(message.back(), '\n');
    EXPECT_NE(message.back(), ' ');
    EXPECT_EQ(text, message + " (os error 2)");
}

}  // namespace
}  // namespace telvora
