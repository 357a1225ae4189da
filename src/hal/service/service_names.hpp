#pragma once
// Names and texts of the Windows service that the host and the registration share.

#include <cstdint>
#include <string>
#include <string_view>

namespace telvora {

inline constexpr std::string_view SERVICE_NAME = "TelvoraHal";
inline constexpr std::string_view SERVICE_DISPLAY_NAME = "Telvora HAL (accès matériel privilégié)";

// "\"{path}\" --service": quoted so that a path with spaces stays one program name.
[[nodiscard]] std::string service_command_line(std::string_view executable_path);

// What `service install|uninstall` printed, one line each.
enum class RegistrationOutcome {
    InstalledAndStarted,
    InstalledStartRefused,  // with the start's error code
    AlreadyRunning,
    AlreadyInstalledStartRefused,  // with the start's error code
    AlreadyInstalledNoAccess,
    Uninstalled,
    NotInstalled,
};

// The outcome's line, with its line feed.
[[nodiscard]] std::string registration_line(RegistrationOutcome outcome, std::uint32_t code = 0);

[[nodiscard]] std::string manager_unreachable_text(std::uint32_t code);
[[nodiscard]] std::string executable_path_text(std::string_view system_error);
[[nodiscard]] std::string creation_refused_text(std::uint32_t code);
[[nodiscard]] std::string deletion_refused_text(std::uint32_t code);

// Printed by `--service` when the service control manager would not take the process.
[[nodiscard]] std::string dispatcher_refused_message(std::uint32_t code);

}  // namespace telvora
