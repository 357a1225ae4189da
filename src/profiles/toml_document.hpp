#pragma once
// The TOML reader behind one small seam: the rest of the code sees this tree, never the library.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace telvora {

enum class TomlKind { Table, Array, String, Integer, Float, Boolean, Date, Time, DateTime };

// One-based; zero when the reader gave no position.
struct TomlPosition {
    std::uint32_t line = 0;
    std::uint32_t column = 0;
};

struct TomlNode {
    TomlKind kind = TomlKind::Table;
    TomlPosition position;
    std::string key;                 // the member's key, for a member of a table
    std::string text;                // String
    std::int64_t integer = 0;        // Integer
    std::vector<TomlNode> children;  // members of a Table, elements of an Array
};

struct TomlReadError {
    std::string message;
    TomlPosition position;
};

// A TOML 1.1.0 document into its root table; a leading byte-order mark is skipped. Never crashes,
// whatever the text.
[[nodiscard]] std::expected<TomlNode, TomlReadError> read_toml(std::string_view text);

// The refusals made before the library sees the text: invalid UTF-8, a character outside ASCII
// where only ASCII may stand, a line with too many key separators or openings. When the text is
// accepted, the result is the text to hand to the library (rewritten only where the library would
// misbehave, with the same meaning).
[[nodiscard]] std::expected<std::string, TomlReadError> sanitize_toml(std::string_view text);

// Most `.`, `[` and `{` outside strings and comments on one line: bounds the library's recursion.
inline constexpr std::size_t MAX_LINE_SEPARATORS = 1024;

}  // namespace telvora
