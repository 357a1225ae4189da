#pragma once
// Running a helper program with its output captured: how the probe script is run locally.

#include <chrono>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

namespace telvora {

// One argument as the Windows C runtime and CommandLineToArgvW read it back: quoted when it is
// empty or holds white space or a quotation mark, with the backslashes before a quotation mark
// (embedded or closing) doubled.
[[nodiscard]] std::string quote_argument(std::string_view argument);

// The program name, then each argument quoted, separated by single spaces. The program name
// follows the simpler rule of the first word (no backslash escapes), so it is only wrapped in
// quotation marks when it holds white space.
[[nodiscard]] std::string quote_command_line(std::string_view program,
                                             std::span<const std::string> arguments);

struct ProcessOutput {
    std::uint32_t exit_code = 0;
    std::string standard_output;  // standard error is drained and dropped
};

enum class ProcessFailureKind {
    NotStarted,  // os_error says why
    Abandoned,   // time limit reached (or the wait failed): the child was terminated
};

struct ProcessFailure {
    ProcessFailureKind kind;
    std::uint32_t os_error = 0;
};

// Windows only. Starts `program`, found by the system's program search, without a window and
// with an empty standard input; reads both output streams while it runs so neither can stall
// it. Past `time_limit` the child and whatever it started are terminated.
[[nodiscard]] std::expected<ProcessOutput, ProcessFailure> run_process(
    std::string_view program, std::span<const std::string> arguments,
    std::chrono::milliseconds time_limit);

}  // namespace telvora
