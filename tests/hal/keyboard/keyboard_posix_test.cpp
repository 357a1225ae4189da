#include <gtest/gtest.h>

#include "hal/keyboard/keyboard.hpp"

namespace telvora {
namespace {

TEST(KeyboardOnPosix, SaysThatOnlyWindowsDrivesTheBacklight) {
    for (const auto& result : {keyboard_backlight_read(), keyboard_backlight_write(1)}) {
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind, HalErrorKind::Unavailable);
        EXPECT_TRUE(result.error().message.starts_with("PowerShell indisponible : "));
    }
}

}  // namespace
}  // namespace telvora
