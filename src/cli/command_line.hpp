#pragma once
// The argument grammar: what the user asked for, or why the request is not understood.

#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace telvora {

extern const std::string_view USAGE;

struct CommandLine {
    std::string command;
    std::string profiles = "profiles";
    std::optional<std::string> service_action;
    std::optional<std::string> out;
};

// What one run does once the arguments are understood.
enum class Action {
    ShowUsage,  // no argument: usage on standard output, exit code 2
    Help,
    RunService,
    InstallService,
    UninstallService,
    Detect,
    Profiles,
};

struct Invocation {
    Action action;
    CommandLine line;
};

enum class UsageErrorKind {
    MissingValue,          // argument: the option-name position without a value
    UnknownOption,         // argument: the unrecognised option name
    MissingServiceAction,  // no argument
    UnknownServiceAction,  // argument: the sub-action
    UnknownCommand,        // argument: the command word
};

struct UsageError {
    UsageErrorKind kind;
    std::string argument;

    friend bool operator==(const UsageError&, const UsageError&) = default;
};

// The arguments after the program name, as UTF-8. Options are scanned before the command word is
// looked at, so a bad option is reported ahead of a bad command.
[[nodiscard]] std::expected<Invocation, UsageError> scan_arguments(
    std::span<const std::string> args);

// The full text for standard error, usage included.
[[nodiscard]] std::string usage_error_text(const UsageError& error);

}  // namespace telvora
