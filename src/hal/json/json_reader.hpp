#pragma once
// The strict JSON reader shared by the pipe server (generic values) and the keyboard backlight
// operation (the KeyboardJson record). Its error texts are part of the pipe protocol.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace telvora {

struct JsonError {
    std::string description;
    std::size_t line = 1;    // 1 + line feeds before the error
    std::size_t column = 0;  // bytes after the last of those line feeds

    // "{description} at line {line} column {column}"
    [[nodiscard]] std::string text() const;

    friend bool operator==(const JsonError&, const JsonError&) = default;
};

// The maximum number of arrays and objects open at once.
inline constexpr std::size_t JSON_MAX_DEPTH = 127;

// One JSON value of any kind. `text` must be valid UTF-8 (callers check it with their own
// message); White_Space is trimmed from both ends here, and positions refer to the trimmed text.
[[nodiscard]] std::expected<nlohmann::ordered_json, JsonError> read_json_value(
    std::string_view text);

// The probe script's answer, or a pipe reply.
struct KeyboardJson {
    bool available = false;
    bool known = false;
    std::uint8_t level = 0;
    std::uint8_t max_level = 0;
    std::string source;
    bool applied = false;
    std::string reason;  // empty when absent

    friend bool operator==(const KeyboardJson&, const KeyboardJson&) = default;
};

// Same input rules as read_json_value.
[[nodiscard]] std::expected<KeyboardJson, JsonError> read_keyboard_json(std::string_view text);

}  // namespace telvora
