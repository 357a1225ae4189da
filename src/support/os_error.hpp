#pragma once

#include <cstdint>
#include <string>

namespace telvora {

// The system's message for an error code, trailing white space removed.
[[nodiscard]] std::string system_message(std::uint32_t code);

// "{message} (os error {code})": how every operating-system error is shown to users.
[[nodiscard]] std::string system_error_text(std::uint32_t code);

// The calling thread's last error: GetLastError() on Windows, errno elsewhere.
[[nodiscard]] std::uint32_t last_os_error() noexcept;

}  // namespace telvora
