#include <cerrno>
#include <cstring>

#include "support/os_error.hpp"
#include "support/text.hpp"

namespace telvora {

std::string system_message(std::uint32_t code) {
    char buffer[256] = {};
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* message = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    return std::string(trim_white_space(message));
}

std::uint32_t last_os_error() noexcept {
    return static_cast<std::uint32_t>(errno);
}

}  // namespace telvora
