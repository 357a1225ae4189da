#include "cli/dispatch.hpp"

#include "cli/command_line.hpp"
#include "cli/commands.hpp"
#include "hal/service/service.hpp"

namespace telvora {

namespace {

int registration_result(const std::expected<void, std::string>& result, Output& output) {
    if (result)
        return 0;
    output.write_stderr("erreur : " + result.error() + "\n");
    return 1;
}

}  // namespace

int run_main(std::span<const std::string> args, Output& output) {
    const auto scanned = scan_arguments(args);
    if (!scanned) {
        output.write_stderr(usage_error_text(scanned.error()));
        return 2;
    }
    const Invocation& invocation = *scanned;
    switch (invocation.action) {
        case Action::ShowUsage:
        case Action::Help: {
            std::string text(USAGE);
            text += '\n';
            output.write_stdout(text);
            return invocation.action == Action::Help ? 0 : 2;
        }
        case Action::RunService:
            return run_service();
        case Action::InstallService:
            return registration_result(install_service(), output);
        case Action::UninstallService:
            return registration_result(uninstall_service(), output);
        case Action::Detect:
            return run_detect(invocation.line, output);
        case Action::Profiles:
            return run_profiles(invocation.line, output);
    }
    return 1;
}

}  // namespace telvora
