#include "cli/command_line.hpp"

namespace telvora {

namespace {
constexpr std::string_view USAGE_TEXT =
    "Usage :\n"
    "  telvora detect   [--profiles DIR] [--out FICHIER]\n"
    "  telvora profiles [--profiles DIR]\n"
    "  telvora service  install|uninstall   (Windows : gestionnaire de services)\n"
    "  telvora --service                    (interne : lancé par Windows)\n"
    "\n"
    "Options :\n"
    "  --profiles  dossier des profils machine TOML (défaut : ./profiles)\n"
    "  --out       écrit le rapport JSON anonymisé dans FICHIER (detect uniquement)\n"
    "\n"
    "La lecture se fait toujours sur la machine locale, en lecture seule.\n"
    "\n"
    "Sortie : JSON sur stdout. Codes de sortie : 0 succès, 1 erreur, 2 usage.";
static_assert(USAGE_TEXT.size() == 548);

std::unexpected<UsageError> usage_error(UsageErrorKind kind, std::string_view argument = {}) {
    return std::unexpected(UsageError{kind, std::string(argument)});
}
}  // namespace

const std::string_view USAGE = USAGE_TEXT;

std::expected<Invocation, UsageError> scan_arguments(std::span<const std::string> args) {
    if (args.empty())
        return Invocation{Action::ShowUsage, {}};

    Invocation result{Action::ShowUsage, {}};
    result.line.command = args[0];
    const std::string& command = result.line.command;

    if (command == "--service") {
        result.action = Action::RunService;
        return result;
    }
    if (command == "-h" || command == "--help") {
        result.action = Action::Help;
        return result;
    }
    if (command == "service") {
        // Whatever follows the sub-action is ignored, not scanned as options.
        if (args.size() < 2)
            return usage_error(UsageErrorKind::MissingServiceAction);
        const std::string& action = args[1];
        result.line.service_action = action;
        if (action == "install")
            result.action = Action::InstallService;
        else if (action == "uninstall")
            result.action = Action::UninstallService;
        else
            return usage_error(UsageErrorKind::UnknownServiceAction, action);
        return result;
    }

    // Name/value pairs; a value is taken verbatim, even when it looks like an option.
    for (std::size_t i = 1; i < args.size(); i += 2) {
        const std::string& name = args[i];
        if (i + 1 == args.size())
            return usage_error(UsageErrorKind::MissingValue, name);
        if (name == "--out")
            result.line.out = args[i + 1];
        else if (name == "--profiles")
            result.line.profiles = args[i + 1];
        else
            return usage_error(UsageErrorKind::UnknownOption, name);
    }

    if (command == "detect")
        result.action = Action::Detect;
    else if (command == "profiles")
        result.action = Action::Profiles;
    else
        return usage_error(UsageErrorKind::UnknownCommand, command);
    return result;
}

std::string usage_error_text(const UsageError& error) {
    std::string text;
    switch (error.kind) {
        case UsageErrorKind::MissingValue:
            text = "erreur : valeur manquante pour " + error.argument;
            break;
        case UsageErrorKind::UnknownOption:
            text = "erreur : option inconnue : " + error.argument;
            break;
        case UsageErrorKind::MissingServiceAction:
            text = "erreur : sous-action manquante pour service : install ou uninstall";
            break;
        case UsageErrorKind::UnknownServiceAction:
            text = "commande service inconnue (install ou uninstall)";
            break;
        case UsageErrorKind::UnknownCommand:
            text = "commande inconnue : " + error.argument;
            break;
    }
    text += "\n\n";
    text += USAGE;
    text += '\n';
    return text;
}

}  // namespace telvora
