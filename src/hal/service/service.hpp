#pragma once
// The Windows service: its host under the service control manager, and its registration.

#include <expected>
#include <string>

namespace telvora {

// `telvora --service`: returns the process exit code (0 after the service stopped, 1 when the
// service control manager refused the start, after printing why).
[[nodiscard]] int run_service();

// `telvora service install|uninstall`: print their own result line on success; on failure
// return the error text, which the entry point prints.
[[nodiscard]] std::expected<void, std::string> install_service();
[[nodiscard]] std::expected<void, std::string> uninstall_service();

}  // namespace telvora
