#include "cli/commands.hpp"

#include <string>
#include <vector>

#include "cli/documents.hpp"
#include "hal/smbios/identity_builder.hpp"
#include "profiles/profile_loader.hpp"
#include "profiles/resolution.hpp"

namespace telvora {

namespace {

int print_error(std::string_view text, Output& output) {
    std::string line = "erreur : ";
    line += text;
    line += '\n';
    output.write_stderr(line);
    return 1;
}

// The profile list, or the exit code after its error was printed.
std::expected<std::vector<MachineProfile>, int> load_or_report(const CommandLine& line,
                                                               Output& output) {
    auto profiles = load_profiles(line.profiles);
    if (!profiles) {
        std::string text = "profils (";
        text += line.profiles;
        text += ") : ";
        text += profiles.error().display();
        return std::unexpected(print_error(text, output));
    }
    return std::move(*profiles);
}

}  // namespace

int run_detect(const CommandLine& line, Output& output) {
    const auto source = make_system_smbios_source();
    return run_detect(line, *source, output);
}

int run_detect(const CommandLine& line, SmbiosSource& source, Output& output) {
    const auto profiles = load_or_report(line, output);
    if (!profiles)
        return profiles.error();
    const auto identity = detect_identity(source);
    if (!identity)
        return print_error(identity.error().display(), output);
    const Resolution resolution = resolve(*profiles, *identity);
    const std::string report =
        detection_report_text(*identity, resolution, profiles->size(), source.backend_name());
    return write_output(report, line.out, output);
}

int run_profiles(const CommandLine& line, Output& output) {
    const auto profiles = load_or_report(line, output);
    if (!profiles)
        return profiles.error();
    return write_output(profile_listing_text(*profiles), line.out, output);
}

}  // namespace telvora
