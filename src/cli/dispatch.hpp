#pragma once

#include <span>
#include <string>

#include "cli/output.hpp"

namespace telvora {

// The whole run: scans the arguments (program name excluded, UTF-8), prints usage and usage
// errors on `output`, runs the chosen command and returns the process exit code.
[[nodiscard]] int run_main(std::span<const std::string> args, Output& output);

}  // namespace telvora
