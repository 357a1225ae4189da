#pragma once
// The pieces of the keyboard backlight operation, exposed for the platform files and the tests.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hal/hal_error.hpp"
#include "hal/keyboard/keyboard.hpp"

namespace telvora::keyboard_detail {

inline constexpr std::string_view PIPE_PATH = R"(\\.\pipe\TelvoraHal)";
inline constexpr std::size_t PIPE_REPLY_SIZE = 4096;
inline constexpr std::string_view POWERSHELL = "powershell.exe";
// A probe run normally takes seconds; past this the child is taken for hung.
inline constexpr std::chrono::milliseconds SCRIPT_TIME_LIMIT{60'000};

// The request line a pipe client sends: the read request for any mode but "write".
[[nodiscard]] std::string keyboard_request(KeyboardMode mode, std::uint8_t level);

// "telvora-keyboard-{pid}.ps1"
[[nodiscard]] std::string script_file_name(std::uint32_t process_id);

// The directory "framework" beside the executable; empty when the path has no parent.
[[nodiscard]] std::string framework_directory(std::string_view executable_path);

[[nodiscard]] std::vector<std::string> powershell_arguments(std::string_view script_path,
                                                            KeyboardMode mode, std::uint8_t level,
                                                            std::string_view framework_dir);

// Platform: the pipe attempt. nullopt when the pipe could not be opened; otherwise the reply
// text (decoded lossily) or the broken exchange.
[[nodiscard]] std::optional<HalResult<std::string>> exchange_with_service(std::string_view request);

// Platform: the local run. The script's standard output (decoded lossily) or the failure.
[[nodiscard]] HalResult<std::string> run_script_locally(KeyboardMode mode, std::uint8_t level,
                                                        std::chrono::milliseconds time_limit);

// run_keyboard_backlight with a chosen time limit for the script.
[[nodiscard]] HalResult<KeyboardState> run_keyboard_backlight(KeyboardMode mode, std::uint8_t level,
                                                              std::chrono::milliseconds time_limit);

}  // namespace telvora::keyboard_detail
