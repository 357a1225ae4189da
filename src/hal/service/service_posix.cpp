#include <cstdio>

#include "hal/service/service.hpp"

namespace telvora {

namespace {
constexpr const char* NO_SERVICE_MANAGER =
    "le gestionnaire de services Windows n'existe pas sur ce système";
}

int run_service() {
    std::fputs("erreur : ", stderr);
    std::fputs(NO_SERVICE_MANAGER, stderr);
    std::fputs("\n", stderr);
    return 1;
}

std::expected<void, std::string> install_service() {
    return std::unexpected(std::string(NO_SERVICE_MANAGER));
}

std::expected<void, std::string> uninstall_service() {
    return std::unexpected(std::string(NO_SERVICE_MANAGER));
}

}  // namespace telvora
