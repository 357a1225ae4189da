#pragma once
// Text helpers shared by every layer: Unicode White_Space trimming, ASCII folding,
// UTF-8 validation and lossy decoding, and UTF-16 conversion for the wide Win32 calls.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace telvora {

// One step of UTF-8 decoding at a byte position. An ill-formed sequence yields valid == false
// and the length of its maximal subpart (at least 1), which stands for one U+FFFD.
struct Utf8Step {
    char32_t code_point;
    std::size_t length;
    bool valid;
};

[[nodiscard]] Utf8Step utf8_decode_one(std::string_view text, std::size_t pos) noexcept;

[[nodiscard]] bool is_valid_utf8(std::string_view text) noexcept;

// Replaces each maximal ill-formed subsequence with U+FFFD; never fails.
[[nodiscard]] std::string decode_utf8_lossy(std::string_view bytes);
[[nodiscard]] std::string decode_utf8_lossy(std::span<const std::byte> bytes);

// Appends the UTF-8 encoding of a scalar value.
void append_utf8(std::string& out, char32_t code_point);

// Unicode White_Space property.
[[nodiscard]] bool is_white_space(char32_t code_point) noexcept;

// Trims White_Space characters from both ends; ill-formed bytes are never white space.
[[nodiscard]] std::string_view trim_white_space(std::string_view text) noexcept;

// Empty, or White_Space only.
[[nodiscard]] bool is_blank(std::string_view text) noexcept;

// A-Z become a-z; every other byte, including those of non-ASCII characters, is unchanged.
[[nodiscard]] std::string ascii_fold(std::string_view text);

// UTF-8 to UTF-16 code units for the wide-character system calls; ill-formed input is decoded
// lossily. The result's c_str() is the zero-terminated string the calls expect.
[[nodiscard]] std::wstring to_wide(std::string_view utf8);

// UTF-16 code units back to UTF-8; unpaired surrogates become U+FFFD.
[[nodiscard]] std::string from_wide(std::wstring_view wide);

}  // namespace telvora
