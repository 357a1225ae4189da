#pragma once
// The pipe's request and reply formats: one JSON request in, one compact JSON line out.

#include <string>
#include <string_view>

#include "hal/keyboard/keyboard.hpp"

namespace telvora {

inline constexpr std::string_view PIPE_PATH = R"(\\.\pipe\TelvoraHal)";

// Bytes beyond this are never read from a client.
inline constexpr std::size_t PIPE_REQUEST_MAX = 4096;

// Reply texts, without their line feed. Keys in alphabetical order, compact.
[[nodiscard]] std::string success_reply(const KeyboardState& state);
[[nodiscard]] std::string error_reply(std::string_view reason);

// Carries out one request and returns its reply, without the line feed.
[[nodiscard]] std::string handle_request(std::string_view request, KeyboardOperations& keyboard);

}  // namespace telvora
