#pragma once
// The handlers of the two JSON commands. Each prints its document through `write_output` or its
// error as "erreur : {}\n", and returns the exit code.

#include "cli/command_line.hpp"

namespace telvora {

[[nodiscard]] int run_detect(const CommandLine& line);
[[nodiscard]] int run_profiles(const CommandLine& line);

}  // namespace telvora
