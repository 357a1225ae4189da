#include <cstdio>

#include "hal/service/service.hpp"

// Stand-in until the service host and registration land.
namespace telvora {

namespace {
constexpr const char* NOT_BUILT = "service Windows pas encore disponible dans cette version";
}

int run_service() {
    std::fputs("erreur : ", stderr);
    std::fputs(NOT_BUILT, stderr);
    std::fputs("\n", stderr);
    return 1;
}

std::expected<void, std::string> install_service() {
    return std::unexpected(std::string(NOT_BUILT));
}

std::expected<void, std::string> uninstall_service() {
    return std::unexpected(std::string(NOT_BUILT));
}

}  // namespace telvora
