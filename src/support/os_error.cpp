#include "support/os_error.hpp"

namespace telvora {

std::string system_error_text(std::uint32_t code) {
    return system_message(code) + " (os error " + std::to_string(code) + ")";
}

}  // namespace telvora
