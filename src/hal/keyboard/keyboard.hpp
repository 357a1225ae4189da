#pragma once
// Keyboard backlight operations: through the service's pipe when it answers, otherwise by
// running the embedded probe script with PowerShell.

#include <cstdint>
#include <string_view>

#include "hal/hal_error.hpp"

namespace telvora {

enum class KeyboardSource { Hid, LenovoWmi, ThinkpadPm, Framework };

// "hid", "lenovo-wmi", "thinkpad-pm", "framework".
[[nodiscard]] std::string_view keyboard_source_text(KeyboardSource source) noexcept;

struct KeyboardState {
    bool known = false;
    KeyboardSource source = KeyboardSource::Hid;
    std::uint8_t level = 0;      // never above max_level
    std::uint8_t max_level = 1;  // 1 or 2

    friend bool operator==(const KeyboardState&, const KeyboardState&) = default;
};

enum class KeyboardMode { Read, Write };

// "read" or "write".
[[nodiscard]] std::string_view keyboard_mode_text(KeyboardMode mode) noexcept;

[[nodiscard]] HalResult<KeyboardState> interpret_keyboard_json(std::string_view text,
                                                               KeyboardMode mode);
[[nodiscard]] HalResult<KeyboardState> run_keyboard_backlight(KeyboardMode mode,
                                                              std::uint8_t level);
[[nodiscard]] HalResult<KeyboardState> keyboard_backlight_read();
// Levels above 2 are lowered to 2.
[[nodiscard]] HalResult<KeyboardState> keyboard_backlight_write(std::uint8_t level);

// The seam between the pipe server and the hardware, so the server can be tested with a fake.
class KeyboardOperations {
  public:
    virtual ~KeyboardOperations() = default;
    [[nodiscard]] virtual HalResult<KeyboardState> read() = 0;
    [[nodiscard]] virtual HalResult<KeyboardState> write(std::uint8_t level) = 0;
};

// Calls keyboard_backlight_read and keyboard_backlight_write.
class SystemKeyboardOperations final : public KeyboardOperations {
  public:
    [[nodiscard]] HalResult<KeyboardState> read() override { return keyboard_backlight_read(); }
    [[nodiscard]] HalResult<KeyboardState> write(std::uint8_t level) override {
        return keyboard_backlight_write(level);
    }
};

}  // namespace telvora
