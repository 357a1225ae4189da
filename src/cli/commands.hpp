#pragma once
// The handlers of the two JSON commands. Each prints its document through `write_output` or its
// error as "erreur : {}\n", and returns the exit code.

#include "cli/command_line.hpp"
#include "cli/output.hpp"
#include "hal/smbios/smbios_source.hpp"

namespace telvora {

// Profiles first, so that a bad directory fails before the firmware is touched; then identity,
// resolution, report and the output step.
[[nodiscard]] int run_detect(const CommandLine& line, Output& output = standard_streams());
[[nodiscard]] int run_detect(const CommandLine& line, SmbiosSource& source, Output& output);

[[nodiscard]] int run_profiles(const CommandLine& line, Output& output = standard_streams());

}  // namespace telvora
