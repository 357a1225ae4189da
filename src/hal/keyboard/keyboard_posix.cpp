#include "hal/keyboard/keyboard_internal.hpp"

// The service's pipe and PowerShell are Windows facilities: there is no pipe to reach here, and
// the local run says so instead of pretending.
namespace telvora::keyboard_detail {

std::optional<HalResult<std::string>> exchange_with_service(std::string_view) {
    return std::nullopt;
}

HalResult<std::string> run_script_locally(KeyboardMode, std::uint8_t, std::chrono::milliseconds) {
    return hal_error(HalErrorKind::Unavailable,
                     "PowerShell indisponible : le rétroéclairage clavier n'est piloté que sous "
                     "Windows");
}

}  // namespace telvora::keyboard_detail
